#include "common/desktop_open.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace vx {

bool HasDesktopDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

bool CanShowWindows() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return HasDesktopDisplay() || (platform && *platform);
}

bool OpenWithDesktop(const std::string& target) {
  if (!HasDesktopDisplay()) return false;
  const char* configured = std::getenv("VX_OPENER");
  const std::string opener = configured && *configured ? configured : "xdg-open";
  // A shell starts the handler in the background and ends at once, so that the handler
  // runs on by itself and no child is left for the caller to wait for.
  const std::string script = "\"$0\" \"$1\" >/dev/null 2>&1 </dev/null &";
  char* argv[] = {const_cast<char*>("/bin/sh"),      const_cast<char*>("-c"),
                  const_cast<char*>(script.c_str()), const_cast<char*>(opener.c_str()),
                  const_cast<char*>(target.c_str()), nullptr};
  pid_t shell = -1;
  if (::posix_spawn(&shell, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  if (::waitpid(shell, &status, 0) != shell) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vx
