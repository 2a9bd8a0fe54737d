#include "visa/backends/shared_library.h"

#include <dlfcn.h>

#include <utility>

#if defined(__has_feature)
#define VX_HAS_ADDRESS_SANITIZER __has_feature(address_sanitizer)
#else
#define VX_HAS_ADDRESS_SANITIZER 0
#endif

namespace vx::visa {

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_) ::dlclose(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

SharedLibrary::~SharedLibrary() {
  if (handle_) ::dlclose(handle_);
}

bool SharedLibrary::Load(const std::string& path, std::string& error) {
  if (handle_) {
    ::dlclose(handle_);
    handle_ = nullptr;
  }
  // RTLD_LOCAL keeps the library's symbols (a vendor's vi* functions) out of the global
  // namespace, so they can never be bound in place of ours. The other way round, a program
  // linked with libvxvisa has this library's vi* functions in the global namespace, where a
  // vendor library's calls to its own would find them first: RTLD_DEEPBIND makes it find its
  // own. The sanitizers' run-time cannot follow such a library, so there it is left out.
  int flags = RTLD_NOW | RTLD_LOCAL;
#if !defined(__SANITIZE_ADDRESS__) && !VX_HAS_ADDRESS_SANITIZER
  flags |= RTLD_DEEPBIND;
#endif
  handle_ = ::dlopen(path.c_str(), flags);
  if (!handle_) {
    const char* text = ::dlerror();
    error = text ? text : "the library could not be loaded";
    return false;
  }
  error.clear();
  return true;
}

void* SharedLibrary::FindSymbol(const char* name) const {
  if (!handle_) return nullptr;
  return ::dlsym(handle_, name);
}

}  // namespace vx::visa
