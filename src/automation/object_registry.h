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
//
// A generic identifier may name the implementation that currently serves it, as
//   [Excel.Application]
//   Library=.../libvxhost.so
//   Factory=VxCreateSpreadsheetHost
//   CurVer=Excel.Application.Calc
// Then the object comes from Excel.Application.Calc, and from the entry's own library where
// that one's program is not installed (its library does not load, or says so). For the
// spreadsheet program, the environment variable VX_SPREADSHEET_HOST ("calc" or "memory")
// chooses the implementation instead.
//
// A library may also export, with C linkage:
//   int VxCheckObject(const char* progId, char* message, size_t size)
//       0 when the object can be made on this machine, else an error number (AppNotFound)
//       with the reason in `message`;
//   int VxLastCreateError(char* message, size_t size)
//       the error number and reason of the factory call that last returned nullptr.

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
using CheckObjectEntryPoint = int (*)(const char* progId, char* message, std::size_t messageSize);
using LastCreateErrorEntryPoint = int (*)(char* message, std::size_t messageSize);
inline constexpr const char* kCheckObjectSymbol = "VxCheckObject";
inline constexpr const char* kLastCreateErrorSymbol = "VxLastCreateError";

// The spreadsheet program's generic identifier, the two implementations that serve it, and
// the environment variable that chooses between them.
inline constexpr const char* kSpreadsheetProgId = "Excel.Application";
inline constexpr const char* kCalcSpreadsheetProgId = "Excel.Application.Calc";
inline constexpr const char* kMemorySpreadsheetProgId = "Excel.Application.Memory";
inline constexpr const char* kSpreadsheetHostVariable = "VX_SPREADSHEET_HOST";

struct RegistryEntry {
  std::string progId;
  std::string library;
  std::string factory;
  // The identifier that currently serves this one ("CurVer"), or "".
  std::string currentVersion = {};
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

// The current versions a registry names ("CurVer" by identifier), and putting them back as
// they were: how a registration leaves the choice of implementation untouched.
Result<std::vector<std::pair<std::string, std::string>>> CurrentVersions(
    const std::string& registryPath);
Status RestoreCurrentVersions(const std::string& registryPath,
                              const std::vector<std::pair<std::string, std::string>>& versions);

// Whether every registry of the search path can be read: what a program checks before it
// creates objects, as it would initialise the platform's object linking.
Status CheckObjectRegistry();

// The identifier the environment chooses to serve `progId` (VX_SPREADSHEET_HOST for the
// spreadsheet program), "" when it chooses none, or the reason its value is wrong.
Result<std::string> ChosenImplementation(std::string_view progId);

// Which registered identifier would make `progId`'s object now, without making it: the
// environment's choice, else the current version where its program is installed, else the
// entry itself.
struct Resolution {
  std::string progId;  // the identifier that makes the object
  std::string reason;  // how it was chosen, in words for --help and vxregister
};
Result<Resolution> ResolveImplementation(std::string_view progId);

// For a program's --help: which spreadsheet host "Excel.Application" gives here, and why,
// "LibreOffice Calc (Excel.Application.Calc), the object registry's current version".
std::string SpreadsheetHostText();
// A program's usage followed by "Spreadsheet host here: " and SpreadsheetHostText().
std::string UsageWithSpreadsheetHost(std::string_view usage);

// Loads the registered library (once per process; it stays loaded) and makes the object,
// through the implementation ResolveImplementation names.
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
  // The generic identifier this one becomes the current version of, or nullptr.
  const char* currentVersionOf = nullptr;
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
