#include "common/command_line.h"

#ifndef VX_VERSION
#error "VX_VERSION must name the system's version"
#endif

namespace vx {

std::string VersionText(std::string_view program) {
  return std::string(program) + " " + VX_VERSION;
}

bool IsHelpOption(std::string_view argument) {
  return argument == "--help" || argument == "-h";
}

bool IsVersionOption(std::string_view argument) {
  return argument == "--version";
}

CommandLine::CommandLine(std::string_view program, std::string_view usage, int argc,
                         const char* const* argv)
    : program_(program), usage_(usage) {
  for (int i = 1; i < argc; ++i) arguments_.emplace_back(argv[i]);
}

std::optional<int> CommandLine::AnswerHelpOrVersion(std::FILE* out) const {
  for (const std::string_view argument : arguments_) {
    if (IsHelpOption(argument)) {
      std::fputs(usage_.c_str(), out);
      return 0;
    }
    if (IsVersionOption(argument)) {
      std::fprintf(out, "%s\n", VersionText(program_).c_str());
      return 0;
    }
  }
  return std::nullopt;
}

std::string_view CommandLine::Next() {
  return Done() ? std::string_view{} : arguments_[next_++];
}

std::string_view CommandLine::Peek() const {
  return Done() ? std::string_view{} : arguments_[next_];
}

std::vector<std::string_view> CommandLine::Rest() const {
  return {arguments_.begin() + static_cast<std::ptrdiff_t>(next_), arguments_.end()};
}

std::optional<std::string_view> CommandLine::Value(std::string_view option) {
  if (Done()) {
    RefuseValue(option, "needs a value");
    return std::nullopt;
  }
  return Next();
}

void CommandLine::Refuse(std::string problem) {
  if (problem_.empty()) problem_ = std::move(problem);
}

void CommandLine::RefuseValue(std::string_view option, std::string_view why) {
  Refuse(std::string(option) + ": " + std::string(why));
}

void CommandLine::Unknown(std::string_view argument) {
  if (argument.size() > 1 && argument.front() == '-') {
    Refuse(std::string(argument) + ": unknown option");
  } else {
    Refuse("unexpected argument \"" + std::string(argument) + "\"");
  }
}

int CommandLine::Fail(std::FILE* err) const {
  std::fprintf(err, "%s: %s\n\n%s", program_.c_str(), problem_.c_str(), usage_.c_str());
  return kCommandLineErrorStatus;
}

int CommandLine::Fail(std::string problem, std::FILE* err) {
  Refuse(std::move(problem));
  return Fail(err);
}

}  // namespace vx
