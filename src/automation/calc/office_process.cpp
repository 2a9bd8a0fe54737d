#include "automation/calc/office_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "common/c_number.h"
#include "common/desktop_open.h"

namespace vx::automation::calc {
namespace {

constexpr const char* kDefaultProgram = VX_LIBREOFFICE_PROGRAM "/soffice";
constexpr int kWatchPollMs = 200;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string DefaultPipeName() {
  const std::string user = Environment("USER");
  return "vx-calc-" + (user.empty() ? std::to_string(::getuid()) : user);
}

// A percent-encoded file URL of an absolute path.
std::string FileUrl(const std::string& path) {
  std::error_code error;
  const std::string absolute = std::filesystem::absolute(path, error).string();
  std::string url = "file://";
  for (const char c : error ? path : absolute) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += c;
    } else {
      url += FormatC("%%%02X", u);
    }
  }
  return url;
}

// Only `keep` (moved to 3) and the standard streams, on /dev/null, stay open, so that the
// office holds none of the caller's pipes and sockets open after the caller has gone.
void CloseInheritedFiles(int keep) {
  int first = 3;
  if (keep >= 0) {
    if (keep != 3) {
      ::dup2(keep, 3);
      ::close(keep);
    }
    first = 4;
  }
  ::syscall(SYS_close_range, static_cast<unsigned>(first), ~0u, 0u);
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    if (null > 2) ::close(null);
  }
}

// The watchdog: the first process of the office's group. It starts the office, and ends the
// whole group when the caller's end of `watch` closes; it ends by itself when the office
// does (as soffice does when it hands its arguments to an office already running).
[[noreturn]] void RunWatchdog(int watch, char* const* argv) {
  ::setpgid(0, 0);
  ::signal(SIGTERM, SIG_IGN);
  ::signal(SIGINT, SIG_IGN);
  ::signal(SIGHUP, SIG_IGN);
  CloseInheritedFiles(watch);
  const pid_t office = ::fork();
  if (office == 0) {
    ::close(3);
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  for (;;) {
    pollfd caller{3, POLLIN, 0};
    const int ready = ::poll(&caller, 1, kWatchPollMs);
    int status = 0;
    if (office < 0 || ::waitpid(office, &status, WNOHANG) == office) {
      ::kill(-::getpgrp(), SIGKILL);  // any soffice.bin left, and the watchdog itself
      ::_exit(0);
    }
    if (ready > 0) break;  // the caller has gone, or asks for the end
  }
  ::kill(-::getpgrp(), SIGTERM);
  for (int waited = 0; waited < 3000; waited += 50) {
    int status = 0;
    if (::waitpid(office, &status, WNOHANG) == office) break;
    ::usleep(50 * 1000);
  }
  ::kill(-::getpgrp(), SIGKILL);
  ::_exit(0);
}

// An office for the desktop: in a session of its own, and not a child that anyone waits for.
[[noreturn]] void RunDetached(char* const* argv) {
  ::setsid();
  CloseInheritedFiles(-1);
  if (::fork() != 0) ::_exit(0);
  ::execv(argv[0], argv);
  ::_exit(127);
}

}  // namespace

OfficeOptions OfficeOptions::FromEnvironment() {
  OfficeOptions options;
  options.program = Environment("VX_SOFFICE");
  if (options.program.empty()) options.program = kDefaultProgram;
  options.pipeName = Environment("VX_CALC_PIPE");
  if (options.pipeName.empty()) options.pipeName = DefaultPipeName();
  options.profileFolder = Environment("VX_CALC_PROFILE");
  options.headless = !HasDesktopDisplay();
  const double seconds = LeadingNumber(Environment("VX_CALC_TIMEOUT"));
  if (seconds > 0) {
    options.timeout = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  }
  return options;
}

std::vector<std::string> OfficeOptions::CommandLine() const {
  std::vector<std::string> line{program,       "--accept=pipe,name=" + pipeName + ";urp;",
                                "--norestore", "--nologo",
                                "--nodefault", "--nolockcheck"};
  if (headless) {
    line.push_back("--headless");
    line.push_back("--invisible");
  }
  if (!profileFolder.empty()) line.push_back("-env:UserInstallation=" + FileUrl(profileFolder));
  return line;
}

std::string OfficeOptions::ContextAddress() const {
  return "uno:pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext";
}

Result<std::unique_ptr<OfficeProcess>> OfficeProcess::Start(const OfficeOptions& options,
                                                            bool tied) {
  if (::access(options.program.c_str(), X_OK) != 0) {
    return AutomationError::Make(
        ErrorNumber::AppNotFound,
        "LibreOffice is not installed here: there is no program " + options.program + ".");
  }
  // Everything the children need is made before the fork: after it, a child of a
  // multi-threaded caller may only make system calls.
  std::vector<std::string> line = options.CommandLine();
  std::vector<char*> argv;
  for (std::string& argument : line) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int watch[2] = {-1, -1};
  if (tied && ::pipe2(watch, O_CLOEXEC) != 0) {
    return AutomationError::Make(ErrorNumber::Failed, "No pipe for the office's watchdog.");
  }
  const pid_t child = ::fork();
  if (child < 0) {
    if (tied) {
      ::close(watch[0]);
      ::close(watch[1]);
    }
    return AutomationError::Make(ErrorNumber::Failed, "LibreOffice cannot be started: no fork.");
  }
  if (child == 0) {
    if (tied) {
      ::close(watch[1]);
      RunWatchdog(watch[0], argv.data());
    }
    RunDetached(argv.data());
  }
  if (!tied) {
    // The detached child ends at once, leaving the office to the session it made.
    int status = 0;
    ::waitpid(child, &status, 0);
    return std::unique_ptr<OfficeProcess>(new OfficeProcess(-1, -1));
  }
  ::close(watch[0]);
  // The group exists once the watchdog has made it; until then a kill of it would miss.
  ::setpgid(child, child);
  return std::unique_ptr<OfficeProcess>(new OfficeProcess(child, watch[1]));
}

void OfficeProcess::End(std::chrono::milliseconds grace) {
  if (ended_ || group_ <= 0) return;
  ended_ = true;
  if (watchFd_ >= 0) {
    ::close(watchFd_);
    watchFd_ = -1;
  }
  // The watchdog ends the group within its grace; a group that outlives that is killed here.
  const auto deadline = std::chrono::steady_clock::now() + grace + std::chrono::seconds(1);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t done = ::waitpid(group_, &status, WNOHANG);
    if (done == group_ || (done < 0 && errno == ECHILD)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(-group_, SIGKILL);
  int status = 0;
  ::waitpid(group_, &status, WNOHANG);
}

void OfficeProcess::Release() {
  ended_ = true;
}

OfficeProcess::~OfficeProcess() {
  if (!ended_) End();
  if (watchFd_ >= 0) ::close(watchFd_);
}

}  // namespace vx::automation::calc
