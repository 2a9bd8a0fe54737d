// A second process for the host state test: installs an add-in and its toolbar through the
// registry's "Excel.Application", or shows what the host's lasting state holds.

#include <cstdio>
#include <string>

#include "automation/command_bars.h"
#include "automation/object_registry.h"
#include "automation/spreadsheet.h"

using namespace vx::automation;

namespace {

int Fail(const AutomationError& error) {
  std::fprintf(stderr, "%s\n", error.description.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string mode = argv[1];
  auto app = CreateObjectAs<Application>("Excel.Application");
  if (!app) return Fail(app.error());
  if (mode == "install" && argc == 3) {
    auto addIn = (*app)->AddIns()->Add(argv[2], true);
    if (!addIn) return Fail(addIn.error());
    if (auto status = (*addIn)->SetInstalled(true); !status) return Fail(status.error());
    auto bar = (*app)->CommandBars()->Add("Zemra K9-90/1 VX-Link", false);
    if (!bar) return Fail(bar.error());
    return 0;
  }
  if (mode == "show") {
    auto addIns = (*app)->AddIns();
    for (int i = 1; i <= *(*addIns)->Count(); ++i) {
      auto addIn = *(*addIns)->Item(i);
      std::printf("add-in %s installed=%d\n", addIn->Name().value().c_str(),
                  addIn->Installed().value() ? 1 : 0);
    }
    const bool bar = static_cast<bool>((*app)->CommandBars()->Item("Zemra K9-90/1 VX-Link"));
    std::printf("%s\n", bar ? "toolbar" : "no toolbar");
    return 0;
  }
  return 2;
}
