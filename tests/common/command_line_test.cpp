// The command-line rules every program shares, the JSON the tools write, and the check of
// an output file's folder before a run.

#include "common/command_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "common/json_text.h"
#include "common/output_file.h"
#include "temp_folder.h"

namespace vx {
namespace {

constexpr const char* kUsage = "usage: tool [--size N] FILE\n";

// What a function printed on a stream.
class Captured {
 public:
  Captured() : file_(open_memstream(&data_, &size_)) {}
  ~Captured() {
    if (file_) std::fclose(file_);
    std::free(data_);
  }
  std::FILE* File() { return file_; }
  std::string Text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  std::FILE* file_;
};

CommandLine Line(std::vector<const char*> arguments) {
  static std::vector<std::vector<const char*>> kept;
  arguments.insert(arguments.begin(), "tool");
  kept.push_back(std::move(arguments));
  return CommandLine("tool", kUsage, static_cast<int>(kept.back().size()), kept.back().data());
}

TEST(CommandLine, HelpAndVersionAnswerWhereverTheyStand) {
  for (const auto& arguments : std::vector<std::vector<const char*>>{
           {"--help"}, {"-h"}, {"--size", "3", "--bogus", "--help"}}) {
    Captured out;
    EXPECT_EQ(Line(arguments).AnswerHelpOrVersion(out.File()), 0);
    EXPECT_EQ(out.Text(), kUsage);
  }
  Captured out;
  EXPECT_EQ(Line({"x", "--version"}).AnswerHelpOrVersion(out.File()), 0);
  EXPECT_EQ(out.Text(), "tool 3.3\n");
  EXPECT_EQ(VersionText("vxscan"), "vxscan 3.3");
  EXPECT_FALSE(Line({"--size", "3", "file"}).AnswerHelpOrVersion());
  EXPECT_FALSE(Line({"--helpful"}).AnswerHelpOrVersion());
}

TEST(CommandLine, WrongLinesSayWhatIsWrongThenTheUsageWithStatusTwo) {
  CommandLine bogus = Line({"--bogus", "x"});
  bogus.Unknown(bogus.Next());
  EXPECT_EQ(bogus.Problem(), "--bogus: unknown option");
  CommandLine stray = Line({"x"});
  stray.Unknown(stray.Next());
  EXPECT_EQ(stray.Problem(), "unexpected argument \"x\"");

  CommandLine missing = Line({"--size"});
  const std::string_view option = missing.Next();
  EXPECT_FALSE(missing.Value(option));
  EXPECT_EQ(missing.Problem(), "--size: needs a value");
  // The first problem stands.
  missing.RefuseValue("--size", "a number");
  Captured err;
  EXPECT_EQ(missing.Fail(err.File()), 2);
  EXPECT_EQ(err.Text(), std::string("tool: --size: needs a value\n\n") + kUsage);

  CommandLine walked = Line({"--size", "-3", "a", "b"});
  EXPECT_EQ(walked.Next(), "--size");
  EXPECT_EQ(walked.Value("--size"), "-3");  // a value may begin with a dash
  EXPECT_EQ(walked.Peek(), "a");
  EXPECT_EQ(walked.Rest(), (std::vector<std::string_view>{"a", "b"}));
  EXPECT_FALSE(walked.Failed());
}

TEST(JsonText, AnyBytesBecomeValidJson) {
  EXPECT_EQ(JsonString("TOLVEX,W9-90/1"), "\"TOLVEX,W9-90/1\"");
  EXPECT_EQ(JsonString("a\"b\\c\nd\te\x01\x7F"), "\"a\\\"b\\\\c\\nd\\te\\u0001\\u007F\"");
  EXPECT_EQ(JsonString("\xE5\x8F\xB0 \xC3\xA9"), "\"\xE5\x8F\xB0 \xC3\xA9\"");  // UTF-8 stays
  // Stray, cut and overlong sequences are escaped byte by byte.
  EXPECT_EQ(JsonString("\xFF\xC3"), "\"\\u00FF\\u00C3\"");
  EXPECT_EQ(JsonString("\xC0\xAF"), "\"\\u00C0\\u00AF\"");
  EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
  EXPECT_EQ(JsonNumber(0.5), "0.5");
  EXPECT_EQ(JsonNumber(-1.25e-7), "-1.25e-07");
  EXPECT_EQ(JsonNumber(9.9e37), "9.9e+37");
  EXPECT_EQ(JsonNumber(std::nan("")), "null");
}

TEST(OutputFile, AFileThatCannotBeMadeIsFoundBeforeTheRun) {
  test::TempFolder folder;
  EXPECT_EQ(OutputFileProblem(folder / "x.xlsx"), "");
  EXPECT_EQ(OutputFileProblem("relative.csv"), "");
  EXPECT_EQ(OutputFileProblem(folder / "missing/x.xlsx"),
            folder / "missing/x.xlsx" + " cannot be written: the folder " + folder / "missing" +
                " does not exist");
  const std::string file = folder.Write("plain", "x");
  EXPECT_EQ(OutputFileProblem(file + "/x.csv"),
            file + "/x.csv cannot be written: " + file + " is not a folder");
  EXPECT_EQ(OutputFileProblem(folder.Path()), folder.Path() + " cannot be written: it is a folder");
}

}  // namespace
}  // namespace vx
