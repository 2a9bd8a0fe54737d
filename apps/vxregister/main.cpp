// vxregister: registers the objects of a library in the object registry, or removes them,
// by calling the library's own register entry point.

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "automation/object_registry.h"

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
    "  --quiet        print nothing on success\n";

int Usage(int status) {
  std::fputs(kUsage, status == 0 ? stdout : stderr);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  bool quiet = false;
  std::string registry;
  std::string library;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") return Usage(0);
    if (arg == "--unregister") {
      unregister = true;
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg == "--system") {
      registry = vx::automation::InstalledRegistryPath();
    } else if (arg == "--registry" && i + 1 < argc) {
      registry = argv[++i];
    } else if (!arg.empty() && arg.front() != '-' && library.empty()) {
      library = std::string(arg);
    } else {
      return Usage(2);
    }
  }
  if (library.empty()) return Usage(2);

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
