#pragma once
// The object registry: which shared library makes the object a programmatic identifier
// names ("Excel.Application", "Quorvel.Application"), and through which factory.
//
// The registry is a settings file, one section per identifier:
//   [Quorvel.Application]
//   Library=/usr/lib/x86_64-linux-gnu/k9-90/libQuorvel.so
//   Factory=VxCreateQuorvelApplication
// A relative Library path is taken from the registry file's own folder (the installed
// registry holds "../../lib/x86_64-linux-gnu/k9-90/libQuorvel.so").
// Lookups read VX_OBJECT_REGISTRY when it is set; otherwise the registry in the share folder
// beside the programs (where the build and the package register the project's libraries),
// then the user's own (~/.config/k9-90/object-registry.ini).
//
// Each library exports, with C linkage, the factories it registers and the two entry points
// below, which write and remove its own entries (vxregister calls them).

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/automation_error.h"
#include "automation/unknown.h"

namespace vx::automation {

// A factory exported by a library: a new object, owned by the caller (nullptr on failure).
using ObjectFactory = Unknown* (*)();
// The entry points every registering library exports: 0 on success, otherwise the reason in
// `message` (at most `messageSize` bytes, NUL-terminated).
using RegisterEntryPoint = int (*)(const char* registryPath, char* message,
                                   std::size_t messageSize);
inline constexpr const char* kRegisterSymbol = "VxRegisterServer";
inline constexpr const char* kUnregisterSymbol = "VxUnregisterServer";

struct RegistryEntry {
  std::string progId;
  std::string library;
  std::string factory;
};

// The registries a lookup reads, in order.
std::vector<std::string> RegistrySearchPath();
// Where a registration writes when no registry is named: VX_OBJECT_REGISTRY, else the
// user's own registry.
std::string DefaultRegistryPath();
// The registry in the share folder beside the programs.
std::string InstalledRegistryPath();

// The entry for `progId`, looked up in the search path.
Result<RegistryEntry> FindRegistryEntry(std::string_view progId);

// Writes or replaces an entry; removes one (removing an absent entry is no error). A registry
// that is not a well-formed settings file is reported and left as it is.
Status WriteRegistryEntry(const std::string& registryPath, const RegistryEntry& entry);
Status RemoveRegistryEntry(const std::string& registryPath, std::string_view progId);

// Whether every registry of the search path can be read: what a program checks before it
// creates objects, as it would initialise the platform's object linking.
Status CheckObjectRegistry();

// Loads the registered library (once per process; it stays loaded) and makes the object.
Result<std::shared_ptr<Unknown>> CreateObject(std::string_view progId);

// CreateObject, then the object as interface T.
template <typename T>
Result<std::shared_ptr<T>> CreateObjectAs(std::string_view progId) {
  VX_ASSIGN_OR_RETURN(std::shared_ptr<Unknown> object, CreateObject(progId));
  std::shared_ptr<T> typed = QueryInterface<T>(object);
  if (!typed) {
    return AutomationError::Make(ErrorNumber::TypeMismatch, "The object \"" + std::string(progId) +
                                                                "\" does not offer the interface " +
                                                                std::string(T::kInterfaceId) + ".");
  }
  return typed;
}

// For a library's own register entry points: the path of the shared library that holds
// `addressInLibrary`, and the two operations over a list of (identifier, factory) pairs,
// reporting into the entry point's message buffer.
std::string LibraryPathOf(const void* addressInLibrary);
struct ExportedFactory {
  const char* progId;
  const char* factory;
};
int RegisterLibrary(const char* registryPath, const void* addressInLibrary,
                    const std::vector<ExportedFactory>& factories, char* message,
                    std::size_t messageSize);
int UnregisterLibrary(const char* registryPath, const std::vector<ExportedFactory>& factories,
                      char* message, std::size_t messageSize);

}  // namespace vx::automation

// Declares a library's two register entry points over its factories.
#define VX_DEFINE_REGISTER_ENTRY_POINTS(...)                                                     \
  extern "C" __attribute__((visibility("default"))) int VxRegisterServer(                        \
      const char* registryPath, char* message, std::size_t messageSize) {                        \
    static const int anchor = 0;                                                                 \
    return vx::automation::RegisterLibrary(registryPath, &anchor, {__VA_ARGS__}, message,        \
                                           messageSize);                                         \
  }                                                                                              \
  extern "C" __attribute__((visibility("default"))) int VxUnregisterServer(                      \
      const char* registryPath, char* message, std::size_t messageSize) {                        \
    return vx::automation::UnregisterLibrary(registryPath, {__VA_ARGS__}, message, messageSize); \
  }
