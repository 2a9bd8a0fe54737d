#include "automation/object_registry.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "common/c_number.h"
#include "common/file_lock.h"
#include "common/ini_file.h"
#include "common/program_paths.h"

namespace vx::automation {
namespace {

constexpr const char* kRegistryFileName = "object-registry.ini";

AutomationError RegistryError(ErrorNumber number, std::string text) {
  return AutomationError::Make(number, std::move(text));
}

// Reads a registry; a missing file is an empty registry, a malformed one an error.
Result<IniDocument> ReadRegistry(const std::string& path) {
  CheckedIni checked = LoadCheckedIni(path, "object registry");
  if (!checked.document) return RegistryError(ErrorNumber::ObjectDefined, checked.problem);
  return *std::move(checked.document);
}

template <typename Change>
Status ChangeRegistry(const std::string& path, Change change) {
  std::error_code error;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, error);
  FileLock lock(path);
  VX_ASSIGN_OR_RETURN(IniDocument document, ReadRegistry(path));
  change(document);
  if (std::string why; !document.Save(path, &why)) {
    return RegistryError(ErrorNumber::PermissionDenied,
                         "The object registry " + path + " cannot be written: " + why + ".");
  }
  return {};
}

void CopyMessage(const std::string& text, char* message, std::size_t size) {
  if (message == nullptr || size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(message, text.data(), n);
  message[n] = '\0';
}

std::string RegistryArgument(const char* registryPath) {
  return registryPath && *registryPath ? std::string(registryPath) : DefaultRegistryPath();
}

// An installed tree's registry names its libraries relative to its own folder, so that it
// holds wherever the tree is placed (a package's root, a DESTDIR, a moved prefix).
std::string LibraryBesideRegistry(const std::string& registryPath, const std::string& library) {
  const std::filesystem::path given(library);
  if (library.empty() || given.is_absolute()) return library;
  std::error_code error;
  const std::filesystem::path registry = std::filesystem::absolute(registryPath, error);
  return ((error ? std::filesystem::path(registryPath) : registry).parent_path() / given)
      .lexically_normal()
      .string();
}

}  // namespace

std::string InstalledRegistryPath() {
  return InstalledShareFolder() + "/" + kRegistryFileName;
}

std::string DefaultRegistryPath() {
  if (const char* path = std::getenv("VX_OBJECT_REGISTRY"); path && *path) return path;
  return UserConfigFolder() + "/k9-90/" + kRegistryFileName;
}

std::vector<std::string> RegistrySearchPath() {
  if (const char* path = std::getenv("VX_OBJECT_REGISTRY"); path && *path) return {path};
  return {InstalledRegistryPath(), UserConfigFolder() + "/k9-90/" + kRegistryFileName};
}

namespace {

AutomationError NotRegistered(std::string_view progId, const std::string& searched) {
  return RegistryError(ErrorNumber::ClassNotRegistered,
                       "The object \"" + std::string(progId) + "\" is not registered" +
                           (searched.empty() ? "" : " (registry: " + searched + ")") + ".");
}

// Libraries stay loaded for the life of the process, as in-process servers do: objects they
// made may outlive every reference the caller keeps to the library.
Result<void*> LoadLibrary(const RegistryEntry& entry) {
  void* library = ::dlopen(entry.library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library != nullptr) return library;
  const char* reason = ::dlerror();
  return RegistryError(ErrorNumber::LibraryNotFound,
                       "The library registered for \"" + entry.progId + "\", " + entry.library +
                           ", cannot be loaded: " + (reason ? reason : "unknown reason") + ".");
}

// Whether `progId`'s object can be made here, as far as its library can tell without making
// it: registered, loadable, and its program installed.
Status CheckAvailable(const std::string& progId) {
  VX_ASSIGN_OR_RETURN(RegistryEntry entry, FindRegistryEntry(progId));
  if (entry.library.empty()) return NotRegistered(progId, "");
  VX_ASSIGN_OR_RETURN(void* library, LoadLibrary(entry));
  auto check = reinterpret_cast<CheckObjectEntryPoint>(::dlsym(library, kCheckObjectSymbol));
  if (check == nullptr) return {};
  char message[1024] = {};
  const int number = check(progId.c_str(), message, sizeof message);
  if (number == 0) return {};
  return AutomationError{static_cast<std::uint32_t>(number), message};
}

// A current version that is not installed here gives way to the entry's own library; one
// that is installed and fails is reported.
bool MayFallBack(const AutomationError& error) {
  return error.number == static_cast<std::uint32_t>(ErrorNumber::ClassNotRegistered) ||
         error.number == static_cast<std::uint32_t>(ErrorNumber::LibraryNotFound) ||
         error.number == static_cast<std::uint32_t>(ErrorNumber::AppNotFound);
}

}  // namespace

Result<RegistryEntry> FindRegistryEntry(std::string_view progId) {
  std::string searched;
  for (const std::string& path : RegistrySearchPath()) {
    VX_ASSIGN_OR_RETURN(IniDocument registry, ReadRegistry(path));
    if (registry.Has(progId, "Library") || registry.Has(progId, "CurVer")) {
      return RegistryEntry{std::string(progId),
                           LibraryBesideRegistry(path, registry.Get(progId, "Library", "")),
                           registry.Get(progId, "Factory", ""), registry.Get(progId, "CurVer", "")};
    }
    searched += (searched.empty() ? "" : ", ") + path;
  }
  return NotRegistered(progId, searched);
}

Status WriteRegistryEntry(const std::string& registryPath, const RegistryEntry& entry) {
  return ChangeRegistry(registryPath, [&](IniDocument& document) {
    document.Set(entry.progId, "Library", entry.library);
    document.Set(entry.progId, "Factory", entry.factory);
  });
}

Status RemoveRegistryEntry(const std::string& registryPath, std::string_view progId) {
  std::error_code error;
  if (!std::filesystem::exists(registryPath, error)) return {};
  return ChangeRegistry(registryPath,
                        [&](IniDocument& document) { document.RemoveSection(progId); });
}

Result<std::vector<std::pair<std::string, std::string>>> CurrentVersions(
    const std::string& registryPath) {
  VX_ASSIGN_OR_RETURN(IniDocument document, ReadRegistry(registryPath));
  std::vector<std::pair<std::string, std::string>> versions;
  for (const std::string& section : document.SectionNames()) {
    if (document.Has(section, "CurVer")) {
      versions.emplace_back(section, document.Get(section, "CurVer", ""));
    }
  }
  return versions;
}

Status RestoreCurrentVersions(const std::string& registryPath,
                              const std::vector<std::pair<std::string, std::string>>& versions) {
  return ChangeRegistry(registryPath, [&](IniDocument& document) {
    for (const std::string& section : document.SectionNames()) {
      const auto kept = std::find_if(versions.begin(), versions.end(),
                                     [&](const auto& version) { return version.first == section; });
      if (kept != versions.end()) {
        document.Set(section, "CurVer", kept->second);
      } else if (document.Has(section, "CurVer")) {
        document.RemoveKey(section, "CurVer");
        if (document.KeyNames(section).empty()) document.RemoveSection(section);
      }
    }
    for (const auto& [section, version] : versions) {
      if (!document.Has(section, "CurVer")) document.Set(section, "CurVer", version);
    }
  });
}

Status CheckObjectRegistry() {
  for (const std::string& path : RegistrySearchPath()) {
    VX_RETURN_IF_ERROR(StatusOf(ReadRegistry(path)));
  }
  return {};
}

Result<std::string> ChosenImplementation(std::string_view progId) {
  if (progId != kSpreadsheetProgId) return std::string();
  const char* value = std::getenv(kSpreadsheetHostVariable);
  if (value == nullptr || *value == '\0') return std::string();
  if (EqualsNoCase(value, "calc")) return std::string(kCalcSpreadsheetProgId);
  if (EqualsNoCase(value, "memory")) return std::string(kMemorySpreadsheetProgId);
  return RegistryError(ErrorNumber::ClassNotRegistered,
                       std::string(kSpreadsheetHostVariable) + " is \"" + value +
                           "\": it chooses the spreadsheet host with \"calc\" (LibreOffice "
                           "Calc) or \"memory\" (the in-memory host).");
}

Result<Resolution> ResolveImplementation(std::string_view progId) {
  VX_ASSIGN_OR_RETURN(std::string chosen, ChosenImplementation(progId));
  if (!chosen.empty()) {
    return Resolution{chosen, "chosen by " + std::string(kSpreadsheetHostVariable) + "=" +
                                  std::getenv(kSpreadsheetHostVariable)};
  }
  VX_ASSIGN_OR_RETURN(RegistryEntry entry, FindRegistryEntry(progId));
  if (!entry.currentVersion.empty() && entry.currentVersion != entry.progId) {
    const Status current = CheckAvailable(entry.currentVersion);
    if (current) return Resolution{entry.currentVersion, "the object registry's current version"};
    if (entry.library.empty() || !MayFallBack(current.error())) return current.error();
    return Resolution{entry.progId, entry.currentVersion +
                                        " is not available here: " + current.error().description};
  }
  return Resolution{entry.progId, "the object registry's entry"};
}

std::string SpreadsheetHostText() {
  const Result<Resolution> resolution = ResolveImplementation(kSpreadsheetProgId);
  if (!resolution) return "none: " + resolution.error().description;
  const std::string kind = resolution->progId == kCalcSpreadsheetProgId
                               ? "LibreOffice Calc"
                               : "the in-memory host, which saves .xlsx files";
  return kind + " (" + resolution->progId + "), " + resolution->reason;
}

std::string UsageWithSpreadsheetHost(std::string_view usage) {
  return std::string(usage) + "\nSpreadsheet host here: " + SpreadsheetHostText() + "\n";
}

Result<std::shared_ptr<Unknown>> CreateObject(std::string_view progId) {
  VX_ASSIGN_OR_RETURN(Resolution resolution, ResolveImplementation(progId));
  VX_ASSIGN_OR_RETURN(RegistryEntry entry, FindRegistryEntry(resolution.progId));
  if (entry.library.empty()) return NotRegistered(resolution.progId, "");
  VX_ASSIGN_OR_RETURN(void* library, LoadLibrary(entry));
  void* symbol = ::dlsym(library, entry.factory.c_str());
  if (symbol == nullptr) {
    return RegistryError(ErrorNumber::EntryNotFound,
                         "The library " + entry.library + " registered for \"" + entry.progId +
                             "\" has no factory \"" + entry.factory + "\".");
  }
  auto factory = reinterpret_cast<ObjectFactory>(symbol);
  Unknown* object = factory();
  if (object == nullptr) {
    if (auto lastError =
            reinterpret_cast<LastCreateErrorEntryPoint>(::dlsym(library, kLastCreateErrorSymbol))) {
      char message[1024] = {};
      const int number = lastError(message, sizeof message);
      if (number != 0) return AutomationError{static_cast<std::uint32_t>(number), message};
    }
    return RegistryError(ErrorNumber::Failed,
                         "The factory of \"" + entry.progId + "\" made no object.");
  }
  return std::shared_ptr<Unknown>(object);
}

std::string LibraryPathOf(const void* addressInLibrary) {
  Dl_info info{};
  if (::dladdr(addressInLibrary, &info) == 0 || info.dli_fname == nullptr) return {};
  std::error_code error;
  const std::filesystem::path path = std::filesystem::canonical(info.dli_fname, error);
  return error ? std::string(info.dli_fname) : path.string();
}

int RegisterLibrary(const char* registryPath, const void* addressInLibrary,
                    const std::vector<ExportedFactory>& factories, char* message,
                    std::size_t messageSize) {
  const std::string library = LibraryPathOf(addressInLibrary);
  if (library.empty()) {
    CopyMessage("The library cannot find its own file.", message, messageSize);
    return 1;
  }
  const std::string path = RegistryArgument(registryPath);
  std::string done;
  for (const ExportedFactory& factory : factories) {
    Status status = WriteRegistryEntry(path, {factory.progId, library, factory.factory, ""});
    if (status && factory.currentVersionOf != nullptr) {
      status = ChangeRegistry(path, [&](IniDocument& document) {
        document.Set(factory.currentVersionOf, "CurVer", factory.progId);
      });
    }
    if (!status) {
      CopyMessage(status.error().description, message, messageSize);
      return 1;
    }
    done += (done.empty() ? "" : ", ") + std::string(factory.progId);
  }
  CopyMessage("Registered " + done + " in " + path + ".", message, messageSize);
  return 0;
}

namespace {

// Takes the current version back from the generic identifier it was given to, unless another
// implementation has become current since.
Status ForgetCurrentVersion(const std::string& path, const ExportedFactory& factory) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {};
  return ChangeRegistry(path, [&](IniDocument& document) {
    const std::string generic = factory.currentVersionOf;
    if (document.Get(generic, "CurVer", "") != factory.progId) return;
    document.RemoveKey(generic, "CurVer");
    if (document.KeyNames(generic).empty()) document.RemoveSection(generic);
  });
}

}  // namespace

int UnregisterLibrary(const char* registryPath, const std::vector<ExportedFactory>& factories,
                      char* message, std::size_t messageSize) {
  const std::string path = RegistryArgument(registryPath);
  std::string done;
  for (const ExportedFactory& factory : factories) {
    Status status = RemoveRegistryEntry(path, factory.progId);
    if (status && factory.currentVersionOf != nullptr) status = ForgetCurrentVersion(path, factory);
    if (!status) {
      CopyMessage(status.error().description, message, messageSize);
      return 1;
    }
    done += (done.empty() ? "" : ", ") + std::string(factory.progId);
  }
  CopyMessage("Unregistered " + done + " from " + path + ".", message, messageSize);
  return 0;
}

}  // namespace vx::automation
