// vxregister: registers the objects of a library in the object registry, or removes them,
// by calling the library's own register entry point.

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "automation/object_registry.h"
#include "common/command_line.h"

namespace {

constexpr const char* kUsage =
    "usage: vxregister [--unregister] [--registry FILE | --system] [--quiet] LIBRARY\n"
    "\n"
    "Registers the objects that LIBRARY (a shared library of the system, such as\n"
    "libQuorvel.so) makes, so that programs create them by programmatic identifier.\n"
    "  --unregister   remove the library's entries instead\n"
    "  --registry     the registry file to change (default: VX_OBJECT_REGISTRY, else\n"
    "                 ~/.config/k9-90/object-registry.ini)\n"
    "  --system       the registry in the share folder installed beside the programs\n"
    "  --quiet        print nothing on success\n"
    "  --version      the program's version\n"
    "Exit status: 0 done, 1 the library or the registry failed, 2 a wrong command line.\n";

}  // namespace

int main(int argc, char** argv) {
  vx::CommandLine line("vxregister", kUsage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  bool unregister = false;
  bool quiet = false;
  std::string registry;
  std::string library;
  while (!line.Done() && !line.Failed()) {
    const std::string_view arg = line.Next();
    if (arg == "--unregister") {
      unregister = true;
    } else if (arg == "--quiet") {
      quiet = true;
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
  char message[1024] = {};
  const int status = entry(registry.empty() ? nullptr : registry.c_str(), message, sizeof message);
  if (status != 0) {
    std::fprintf(stderr, "vxregister: %s\n", message);
    return 1;
  }
  if (!quiet) std::printf("%s\n", message);
  return 0;
}
