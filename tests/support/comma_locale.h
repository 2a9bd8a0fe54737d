#pragma once
// A German locale (decimal comma) in force for the life of the object, built into a folder
// of the test's own so that the test does not depend on the locales the machine happens to
// have generated. Active() tells whether it could be built.

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace vx::test {

class CommaLocale {
 public:
  CommaLocale() : folder_("/tmp/vx_locale_" + std::to_string(::getpid())) {
    const std::string build = "mkdir -p '" + folder_ + "' && localedef -i de_DE -f UTF-8 '" +
                              folder_ + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(build.c_str()) != 0) return;
    ::setenv("LOCPATH", folder_.c_str(), 1);
    active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() {
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    std::system(("rm -rf '" + folder_ + "'").c_str());
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  bool Active() const { return active_; }

 private:
  std::string folder_;
  bool active_ = false;
};

}  // namespace vx::test
