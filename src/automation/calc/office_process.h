#pragma once
// A LibreOffice this process starts: soffice accepting UNO connections on a named pipe, in a
// process group of its own, so that the caller's terminal signals never reach it and it is
// ended as a whole (soffice is a script that starts oosplash, which starts soffice.bin).
//
// A headless office is tied to its caller: a small watchdog in its group ends the group when
// the caller goes, however it goes (its end, a crash, a kill), so that no invisible office is
// left behind. An office started for a desktop is the user's from then on and outlives the
// caller.

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "automation/automation_error.h"

namespace vx::automation::calc {

struct OfficeOptions {
  std::string program;                       // soffice
  std::string pipeName;                      // the UNO connection's pipe
  std::string profileFolder;                 // a private profile; "" for the user's own
  bool headless = false;                     // no display: headless, with hidden documents
  std::chrono::milliseconds timeout{30000};  // to start and accept a connection
  bool mayStart = true;  // false: only wait for an office that is being started elsewhere

  // VX_SOFFICE, VX_CALC_PIPE, VX_CALC_PROFILE, VX_CALC_TIMEOUT (seconds), and headless where
  // the desktop has no display. Defaults: LibreOffice's soffice, the pipe "vx-calc-<user>",
  // the user's own profile.
  static OfficeOptions FromEnvironment();
  // The command line soffice is started with.
  std::vector<std::string> CommandLine() const;
  // The UNO address of the office's component context on the pipe.
  std::string ContextAddress() const;
};

class OfficeProcess {
 public:
  ~OfficeProcess();
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  // Starts soffice; `tied` puts the watchdog beside it. A program that cannot be run is
  // AppNotFound.
  static Result<std::unique_ptr<OfficeProcess>> Start(const OfficeOptions& options, bool tied);

  pid_t Group() const { return group_; }
  bool Tied() const { return watchFd_ >= 0; }
  // Ends every process of the group: a polite signal, then after `grace` a kill.
  void End(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));
  // Leaves the office running when this object goes: an office for the desktop, which the
  // user now uses. (A tied office still ends with its caller.)
  void Release();

 private:
  OfficeProcess(pid_t group, int watchFd) : group_(group), watchFd_(watchFd) {}

  pid_t group_ = -1;
  int watchFd_ = -1;  // the caller's end of the watchdog's pipe
  bool ended_ = false;
};

}  // namespace vx::automation::calc
