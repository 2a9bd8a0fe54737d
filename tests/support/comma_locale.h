#pragma once
// A German locale (decimal comma), built into a folder of the test's own so that a test does
// not depend on the locales the machine happens to have generated.
//
// CommaLocaleFiles only builds it: Environment() gives what a child process needs to run
// under it. CommaLocale also puts it in force in this process for the life of the object.

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <map>
#include <string>

namespace vx::test {

class CommaLocaleFiles {
 public:
  static constexpr const char* kName = "de_DE.UTF-8";

  CommaLocaleFiles() : folder_("/tmp/vx_locale_" + std::to_string(::getpid())) {
    const std::string build = "mkdir -p '" + folder_ + "' && localedef -i de_DE -f UTF-8 '" +
                              folder_ + "/" + kName + "' >/dev/null 2>&1";
    built_ = std::system(build.c_str()) == 0;
  }
  ~CommaLocaleFiles() { std::system(("rm -rf '" + folder_ + "'").c_str()); }
  CommaLocaleFiles(const CommaLocaleFiles&) = delete;
  CommaLocaleFiles& operator=(const CommaLocaleFiles&) = delete;

  bool Built() const { return built_; }
  const std::string& Folder() const { return folder_; }
  // Every locale category of a child process set to the comma locale.
  std::map<std::string, std::string> Environment() const {
    return {{"LOCPATH", folder_}, {"LC_ALL", kName}, {"LANG", kName}};
  }

 private:
  std::string folder_;
  bool built_ = false;
};

class CommaLocale {
 public:
  CommaLocale() {
    if (!files_.Built()) return;
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    previous_ = previous ? previous : "C";
    ::setenv("LOCPATH", files_.Folder().c_str(), 1);
    active_ = std::setlocale(LC_NUMERIC, CommaLocaleFiles::kName) != nullptr;
  }
  ~CommaLocale() {
    std::setlocale(LC_NUMERIC, previous_.c_str());
    ::unsetenv("LOCPATH");
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  bool Active() const { return active_; }

 private:
  CommaLocaleFiles files_;
  std::string previous_ = "C";
  bool active_ = false;
};

}  // namespace vx::test
