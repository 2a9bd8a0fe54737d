#pragma once
// A folder of the test's own under the system's temporary folder, removed afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vx::test {

class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("vx_" + std::to_string(::getpid()) + "_" +
             (info ? std::string(info->test_suite_name()) + "_" + info->name() : "fixture"));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  // VX_TEST_KEEP=1 keeps the folder, to look at what a test wrote.
  ~TempFolder() {
    const char* keep = std::getenv("VX_TEST_KEEP");
    if (keep && *keep == '1') return;
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Path() const { return path_.string(); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& text) const {
    const std::string file = (path_ / name).string();
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
      had_ = true;
      old_ = old;
    }
    ::setenv(name_.c_str(), value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (had_) {
      ::setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

}  // namespace vx::test
