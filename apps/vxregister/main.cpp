// vxregister: registers the objects of a library in the object registry, or removes them,
// by calling the library's own register entry point, and says which implementation serves
// the spreadsheet program's identifier.

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "automation/object_registry.h"
#include "common/command_line.h"

namespace {

constexpr const char* kUsage =
    "usage: vxregister [--unregister] [--registry FILE | --system] [--alternative] [--quiet]\n"
    "                  LIBRARY\n"
    "       vxregister --which [IDENTIFIER]\n"
    "\n"
    "Registers the objects that LIBRARY (a shared library of the system, such as\n"
    "libQuorvel.so) makes, so that programs create them by programmatic identifier.\n"
    "  --unregister   remove the library's entries instead\n"
    "  --registry     the registry file to change (default: VX_OBJECT_REGISTRY, else\n"
    "                 ~/.config/k9-90/object-registry.ini)\n"
    "  --system       the registry in the share folder installed beside the programs\n"
    "  --alternative  register the library's objects under their own identifiers only:\n"
    "                 which implementation serves a generic identifier stays as it was\n"
    "  --quiet        print nothing on success\n"
    "  --which        print which implementation serves IDENTIFIER (default\n"
    "                 Excel.Application, the spreadsheet host) and why\n"
    "  --version      the program's version\n"
    "\n"
    "Excel.Application is served by LibreOffice Calc where the registry names it (the\n"
    "installed registry does; libvxcalc.so registers itself so) and LibreOffice is\n"
    "installed, else by the in-memory host. VX_SPREADSHEET_HOST=calc or =memory chooses.\n"
    "Exit status: 0 done, 1 the library or the registry failed, 2 a wrong command line.\n";

// "Excel.Application: Excel.Application.Calc (/usr/lib/.../libvxcalc.so), the object
// registry's current version".
int PrintWhich(const std::string& progId) {
  const auto resolution = vx::automation::ResolveImplementation(progId);
  if (!resolution) {
    std::fprintf(stderr, "vxregister: %s\n", resolution.error().description.c_str());
    return 1;
  }
  const auto entry = vx::automation::FindRegistryEntry(resolution->progId);
  std::printf("%s: %s (%s), %s\n", progId.c_str(), resolution->progId.c_str(),
              entry ? entry->library.c_str() : "not registered", resolution->reason.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vx::CommandLine line("vxregister", kUsage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  bool unregister = false;
  bool quiet = false;
  bool alternative = false;
  bool which = false;
  std::string registry;
  std::string library;
  while (!line.Done() && !line.Failed()) {
    const std::string_view arg = line.Next();
    if (arg == "--unregister") {
      unregister = true;
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg == "--alternative") {
      alternative = true;
    } else if (arg == "--which") {
      which = true;
    } else if (arg == "--system") {
      registry = vx::automation::InstalledRegistryPath();
    } else if (arg == "--registry") {
      if (const auto file = line.Value(arg)) registry = std::string(*file);
    } else if (!arg.empty() && arg.front() != '-' && library.empty()) {
      library = std::string(arg);
    } else {
      line.Unknown(arg);
    }
  }
  if (!line.Failed() && which) {
    return PrintWhich(library.empty() ? vx::automation::kSpreadsheetProgId : library);
  }
  if (!line.Failed() && library.empty()) line.Refuse("LIBRARY is needed");
  if (line.Failed()) return line.Fail();

  // A path without a slash would be searched for in the loader's folders instead.
  if (library.find('/') == std::string::npos) library = "./" + library;
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "vxregister: %s cannot be loaded: %s\n", library.c_str(), ::dlerror());
    return 1;
  }
  const char* symbol =
      unregister ? vx::automation::kUnregisterSymbol : vx::automation::kRegisterSymbol;
  auto entry = reinterpret_cast<vx::automation::RegisterEntryPoint>(::dlsym(handle, symbol));
  if (entry == nullptr) {
    std::fprintf(stderr, "vxregister: %s has no entry point %s: it registers no objects\n",
                 library.c_str(), symbol);
    return 1;
  }
  const std::string target = registry.empty() ? vx::automation::DefaultRegistryPath() : registry;
  const auto versions = vx::automation::CurrentVersions(target);
  if (alternative && !versions) {
    std::fprintf(stderr, "vxregister: %s\n", versions.error().description.c_str());
    return 1;
  }
  char message[1024] = {};
  const int status = entry(target.c_str(), message, sizeof message);
  if (status != 0) {
    std::fprintf(stderr, "vxregister: %s\n", message);
    return 1;
  }
  if (alternative) {
    if (const auto restored = vx::automation::RestoreCurrentVersions(target, *versions);
        !restored) {
      std::fprintf(stderr, "vxregister: %s\n", restored.error().description.c_str());
      return 1;
    }
  }
  if (quiet) return 0;
  std::printf("%s\n", message);
  // A change to the spreadsheet host's entries may change which host programs use.
  if (std::strstr(message, vx::automation::kSpreadsheetProgId) != nullptr) {
    PrintWhich(vx::automation::kSpreadsheetProgId);
  }
  return 0;
}
