#pragma once
// Load: opens the VX-Link add-in ("*.xla") in the spreadsheet program and installs it, or a
// template ("*.dot") in the word processor and sets up its toolbar there, through the
// automation layer. The program's window shows what was opened for a moment.

#include <string>
#include <string_view>

#include "automation/application_factory.h"
#include "common/prompt.h"

namespace vx::launcher {

inline constexpr const char* kToolbarTitle = "Zemra K9-90/1 VX-Link";
inline constexpr const char* kCaption = "Start Zemra K9-90/1 VX-Link Toolbar";

// Deletes the cached type information of the instrument-list control ("Vortica.exd") in
// `folder` (the host's cache, automation::HostCacheFolder()) and below it, and nowhere
// else; how many files went.
int DeleteCachedTypeInformation(const std::string& folder);

// Whether a command line names what Load opens: it ends in ".xla" or ".dot", in exactly that
// letter case. Launch refuses any other with "Open File Use *.dot *.xla".
bool NamesAddInOrTemplate(const std::string& commandLine);

class Launcher {
 public:
  explicit Launcher(Prompter& prompter,
                    automation::ApplicationFactory hosts = automation::RegisteredApplication)
      : prompter_(prompter), hosts_(std::move(hosts)) {}

  // Opens what `commandLine` names; the window's label ("Open " and the command line), or
  // "" when nothing was opened (the reason has been shown).
  std::string Launch(const std::string& commandLine);

 private:
  bool OpenTemplate(const std::string& path);
  bool OpenAddIn(const std::string& path);
  void ReportError(const std::string& number, const std::string& description);

  Prompter& prompter_;
  automation::ApplicationFactory hosts_;
};

}  // namespace vx::launcher
