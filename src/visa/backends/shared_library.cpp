#include "visa/backends/shared_library.h"

#include <dlfcn.h>

#include <utility>

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
  // namespace, so they can never be bound in place of ours.
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
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
