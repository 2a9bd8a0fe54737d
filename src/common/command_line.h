#pragma once
// What every program of the system does with its command line. "--help" (or "-h") prints
// the program's usage on standard output and "--version" its version, each ending the
// program with status 0, wherever they stand among the arguments. Anything wrong with the
// command line (an unknown option, an option without its value, a value the option does not
// take, a missing or surplus argument) is said in one line on standard error, followed by
// the usage, and ends the program with status 2.
//
//   vx::CommandLine line("vxrecord", kUsage, argc, argv);
//   if (const auto done = line.AnswerHelpOrVersion()) return *done;
//   while (!line.Done()) {
//     const std::string_view argument = line.Next();
//     if (argument == "--folder") {
//       if (const auto value = line.Value(argument)) folder = *value;
//     } else {
//       line.Unknown(argument);
//     }
//     if (line.Failed()) return line.Fail();
//   }

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

inline constexpr int kCommandLineErrorStatus = 2;

// "<program> <version of the system>", for example "vxscan 3.3".
std::string VersionText(std::string_view program);

bool IsHelpOption(std::string_view argument);
bool IsVersionOption(std::string_view argument);

class CommandLine {
 public:
  // The arguments are argv[1] to argv[argc - 1]; they must outlive the object.
  CommandLine(std::string_view program, std::string_view usage, int argc, const char* const* argv);

  std::string_view Program() const { return program_; }

  // When an argument asks for the usage or the version: prints it on `out` and gives the
  // exit status, 0. None otherwise.
  std::optional<int> AnswerHelpOrVersion(std::FILE* out = stdout) const;

  bool Done() const { return next_ >= arguments_.size(); }
  // The next argument, taken.
  std::string_view Next();
  // The next argument, left in place ("" when there is none).
  std::string_view Peek() const;
  // The arguments not yet taken.
  std::vector<std::string_view> Rest() const;
  // The value that follows `option`, taken; none, and the problem "<option>: needs a value",
  // when the command line ends before it.
  std::optional<std::string_view> Value(std::string_view option);

  // Records what is wrong with the command line; the first problem stands.
  void Refuse(std::string problem);
  // "<option>: <why>", for a value the option does not take.
  void RefuseValue(std::string_view option, std::string_view why);
  // An argument the program does not know: "--bogus: unknown option", or, for one that is
  // not an option, "unexpected argument "x"".
  void Unknown(std::string_view argument);
  bool Failed() const { return !problem_.empty(); }
  const std::string& Problem() const { return problem_; }

  // Says the problem ("<program>: <problem>") and the usage on `err`; the exit status, 2.
  int Fail(std::FILE* err = stderr) const;
  int Fail(std::string problem, std::FILE* err = stderr);

 private:
  std::string program_;
  std::string usage_;
  std::vector<std::string_view> arguments_;
  size_t next_ = 0;
  std::string problem_;
};

}  // namespace vx
