#include "automation/object_registry.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

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

Result<RegistryEntry> FindRegistryEntry(std::string_view progId) {
  std::string searched;
  for (const std::string& path : RegistrySearchPath()) {
    VX_ASSIGN_OR_RETURN(IniDocument registry, ReadRegistry(path));
    if (registry.Has(progId, "Library")) {
      return RegistryEntry{std::string(progId),
                           LibraryBesideRegistry(path, registry.Get(progId, "Library", "")),
                           registry.Get(progId, "Factory", "")};
    }
    searched += (searched.empty() ? "" : ", ") + path;
  }
  return RegistryError(
      ErrorNumber::ClassNotRegistered,
      "The object \"" + std::string(progId) + "\" is not registered (registry: " + searched + ").");
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

Status CheckObjectRegistry() {
  for (const std::string& path : RegistrySearchPath()) {
    VX_RETURN_IF_ERROR(StatusOf(ReadRegistry(path)));
  }
  return {};
}

Result<std::shared_ptr<Unknown>> CreateObject(std::string_view progId) {
  VX_ASSIGN_OR_RETURN(RegistryEntry entry, FindRegistryEntry(progId));
  // Libraries stay loaded for the life of the process, as in-process servers do: objects
  // they made may outlive every reference the caller keeps to the library.
  void* library = ::dlopen(entry.library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = ::dlerror();
    return RegistryError(ErrorNumber::LibraryNotFound,
                         "The library registered for \"" + entry.progId + "\", " + entry.library +
                             ", cannot be loaded: " + (reason ? reason : "unknown reason") + ".");
  }
  void* symbol = ::dlsym(library, entry.factory.c_str());
  if (symbol == nullptr) {
    return RegistryError(ErrorNumber::EntryNotFound,
                         "The library " + entry.library + " registered for \"" + entry.progId +
                             "\" has no factory \"" + entry.factory + "\".");
  }
  auto factory = reinterpret_cast<ObjectFactory>(symbol);
  Unknown* object = factory();
  if (object == nullptr) {
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
    const Status status = WriteRegistryEntry(path, {factory.progId, library, factory.factory});
    if (!status) {
      CopyMessage(status.error().description, message, messageSize);
      return 1;
    }
    done += (done.empty() ? "" : ", ") + std::string(factory.progId);
  }
  CopyMessage("Registered " + done + " in " + path + ".", message, messageSize);
  return 0;
}

int UnregisterLibrary(const char* registryPath, const std::vector<ExportedFactory>& factories,
                      char* message, std::size_t messageSize) {
  const std::string path = RegistryArgument(registryPath);
  std::string done;
  for (const ExportedFactory& factory : factories) {
    const Status status = RemoveRegistryEntry(path, factory.progId);
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
