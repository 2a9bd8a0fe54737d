#include "common/ini_file.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "file_size_limit.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vx_ini_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    path_ = (dir_ / "VX_TOOL.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteFile(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string ReadFile() {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename());
    return names;
  }
  static std::string Key(int writer, int k) {
    return "Writer" + std::to_string(writer) + "Key" + std::to_string(k);
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(IniFileTest, LooksUpSectionsAndKeysWithoutRegardToCase) {
  WriteFile("[English(U.S)]\r\n00 = Setting \r\n[Chinese(Simplify)]\r\n00=设置\r\n");
  EXPECT_EQ(GetPrivateProfileString("english(u.s)", "00", "x", path_), "Setting");
  EXPECT_EQ(GetPrivateProfileString("CHINESE(SIMPLIFY)", "00", "x", path_), "设置");
}

TEST_F(IniFileTest, GivesTheCallersDefaultForWhatIsMissing) {
  WriteFile("[A]\nkey=value\n");
  EXPECT_EQ(GetPrivateProfileString("A", "other", "fallback", path_), "fallback");
  EXPECT_EQ(GetPrivateProfileString("B", "key", "fallback", path_), "fallback");
  EXPECT_EQ(GetPrivateProfileString("A", "key", "fallback", (dir_ / "none.ini").string()),
            "fallback");
  // A key before any section belongs to no section.
  WriteFile("key=orphan\n[A]\n");
  EXPECT_EQ(GetPrivateProfileString("A", "key", "fallback", path_), "fallback");
}

TEST_F(IniFileTest, KeepsTheFirstOccurrenceAndStripsOnePairOfQuotes) {
  WriteFile("[A]\nk=\"quoted text\"\nk=second\n[a]\nk=third\n; k=comment\n");
  EXPECT_EQ(GetPrivateProfileString("A", "k", "", path_), "quoted text");
  WriteFile("[A]\nk=a=b\nempty=\n");
  EXPECT_EQ(GetPrivateProfileString("A", "k", "", path_), "a=b");
  EXPECT_EQ(GetPrivateProfileString("A", "empty", "fallback", path_), "");
}

TEST_F(IniFileTest, WritingKeepsTheRestOfTheFile) {
  WriteFile(
      "; settings of the logging engine\r\n[Information]\r\nLanguage=English(U.S)\r\n"
      "ReadPoints=100\r\n\r\n[English(U.S)]\r\n1000=No Device Connected\r\n");
  ASSERT_TRUE(WritePrivateProfileString("information", "readpoints", "250", path_));
  ASSERT_TRUE(WritePrivateProfileString("Information", "Begin", "1", path_));
  EXPECT_EQ(ReadFile(),
            "; settings of the logging engine\r\n[Information]\r\nLanguage=English(U.S)\r\n"
            "ReadPoints=250\r\nBegin=1\r\n\r\n[English(U.S)]\r\n1000=No Device Connected\r\n");
}

TEST_F(IniFileTest, WritingCreatesTheFileAndTheSection) {
  ASSERT_TRUE(WritePrivateProfileString("Information", "NumPoints", "50", path_));
  ASSERT_TRUE(WritePrivateProfileString("Other", "x", "1", path_));
  EXPECT_EQ(ReadFile(), "[Information]\nNumPoints=50\n[Other]\nx=1\n");
  EXPECT_EQ(Files(), (std::set<std::string>{"VX_TOOL.ini", "VX_TOOL.ini.lock"}));
}

// Two programs (two engines on one account) writing settings into one file at once: every
// setting of both lands, and no temporary file is left behind.
TEST_F(IniFileTest, TwoProgramsWritingAtOnceLoseNoSetting) {
  constexpr int kKeys = 120;
  std::vector<pid_t> writers;
  for (int writer = 0; writer < 2; ++writer) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int k = 0; k < kKeys; ++k) {
        ok = WritePrivateProfileString("Information", Key(writer, k), std::to_string(k), path_) &&
             ok;
      }
      ::_exit(ok ? 0 : 1);
    }
    writers.push_back(pid);
  }
  for (const pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed";
  }
  const auto document = IniDocument::Load(path_);
  ASSERT_TRUE(document);
  for (int writer = 0; writer < 2; ++writer) {
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(document->Get("Information", Key(writer, k), "lost"), std::to_string(k))
          << Key(writer, k);
    }
  }
  EXPECT_EQ(Files(), (std::set<std::string>{"VX_TOOL.ini", "VX_TOOL.ini.lock"}));
}

TEST_F(IniFileTest, AWriteThatFailsSaysWhyAndKeepsTheFile) {
  WriteFile("[A]\nk=1\n");
  std::string why;
  {
    const test::FileSizeLimit full(4);
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "2", path_, &why));
  }
  EXPECT_EQ(why, std::strerror(EFBIG));
  EXPECT_EQ(ReadFile(), "[A]\nk=1\n");
  EXPECT_EQ(Files(), (std::set<std::string>{"VX_TOOL.ini", "VX_TOOL.ini.lock"}));
}

TEST_F(IniFileTest, AFailedWriteLeavesTheFileAsItWas) {
  WriteFile("[A]\nk=1\n");
  const std::string locked = (dir_ / "missing-folder" / "x.ini").string();
  EXPECT_FALSE(WritePrivateProfileString("A", "k", "2", locked));
  EXPECT_EQ(ReadFile(), "[A]\nk=1\n");
}

TEST(IniDocument, KeepsAByteOrderMarkAndListsNames) {
  IniDocument doc = IniDocument::Parse("\xEF\xBB\xBF[One]\na=1\nb=2\n[Two]\n");
  EXPECT_EQ(doc.Get("One", "a", ""), "1");
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"One", "Two"}));
  EXPECT_EQ(doc.KeyNames("one"), (std::vector<std::string>{"a", "b"}));
  doc.Set("Two", "c", "3");
  doc.RemoveKey("One", "a");
  EXPECT_EQ(doc.Serialize(), "\xEF\xBB\xBF[One]\nb=2\n[Two]\nc=3\n");
}

// Found by fuzzing: a line whose carriage returns were not all part of its line end read
// back differently once written (a section named "\r" became one named "").
TEST(IniDocument, WrittenBackEveryLineKeepsItsOwnBytesAndLineEnd) {
  for (const std::string text :
       {"[\r\r", "[A]\r\na=1\r\r\nb=2\n", "a=1\nb=2\r\n[C\r", "k=v\r", "\r\n\n\r\r\n"}) {
    const IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.Serialize(), text);
    const IniDocument again = IniDocument::Parse(doc.Serialize());
    EXPECT_EQ(again.SectionNames(), doc.SectionNames());
  }
  // A key set in such a file takes the file's first line end; the others keep theirs.
  IniDocument mixed = IniDocument::Parse("[A]\r\na=1\nb=2\r\n");
  mixed.Set("A", "c", "3");
  mixed.Set("A", "a", "9");
  EXPECT_EQ(mixed.Serialize(), "[A]\r\na=9\r\nb=2\r\nc=3\r\n");
}

}  // namespace
}  // namespace vx

namespace vx {
namespace {

TEST(IniSyntax, FindsTheFirstLineThatIsNotASetting) {
  EXPECT_FALSE(FindIniSyntaxError("; note\n[A]\nkey=value\n\n# other\n[B]\nx = \n"));
  const auto missingEquals = FindIniSyntaxError("[A]\nkey=1\njunk\n");
  ASSERT_TRUE(missingEquals);
  EXPECT_EQ(missingEquals->line, 3);
  EXPECT_EQ(FindIniSyntaxError("[A\nk=v\n")->line, 1);
  EXPECT_EQ(FindIniSyntaxError("[]\n")->line, 1);
  EXPECT_EQ(FindIniSyntaxError("[A]\n=value\n")->line, 2);
  EXPECT_EQ(FindIniSyntaxError(std::string("[A]\nk=v\0w\n", 11))->line, 2);
}

TEST(IniSections, RemovingASectionTakesAllItsLinesAndKeepsTheRest) {
  IniDocument document =
      IniDocument::Parse("[Keep]\na=1\n[Drop]\nb=2\n; its note\n[keep2]\nc=3\n[DROP]\nd=4\n");
  document.RemoveSection("drop");
  EXPECT_EQ(document.Serialize(), "[Keep]\na=1\n[keep2]\nc=3\n");
}

}  // namespace
}  // namespace vx
