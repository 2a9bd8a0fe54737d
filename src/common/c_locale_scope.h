#pragma once
// The C locale in force on the calling thread for the life of the object.
//
// A Qt program takes the process locale from the environment, so under a decimal-comma
// locale every printf-family call formats 0.5 as "0,5". Code that formats numbers for files,
// meters or scripts through the C library (our own, or a library's such as the workbook
// writer's) runs inside one of these scopes. uselocale changes the calling thread only, so
// the user's locale stays in force everywhere else.

#include <locale.h>

namespace vx {

// The C locale object, created once and never changed afterwards.
locale_t CLocale();

class CLocaleScope {
 public:
  CLocaleScope() : previous_(uselocale(CLocale())) {}
  ~CLocaleScope() { uselocale(previous_); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

}  // namespace vx
