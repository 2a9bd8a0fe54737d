#pragma once
// A shared library loaded at run time (linux-gpib, a vendor's VISA library), closed when the
// last owner lets go of it.

#include <cstring>
#include <string>
#include <type_traits>

namespace vx::visa {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;
  SharedLibrary(SharedLibrary&& other) noexcept;
  SharedLibrary& operator=(SharedLibrary&& other) noexcept;
  ~SharedLibrary();

  // Loads `path` (a file name is looked up as the dynamic linker does). On failure returns
  // false and `error` holds the loader's explanation.
  bool Load(const std::string& path, std::string& error);
  bool Loaded() const { return handle_ != nullptr; }

  // Looks up the C function `name` into `function`; false (and `function` null) when the
  // library does not export it.
  template <typename Function>
  bool Resolve(const char* name, Function& function) const {
    static_assert(std::is_pointer_v<Function> &&
                  std::is_function_v<std::remove_pointer_t<Function>>);
    void* symbol = FindSymbol(name);
    static_assert(sizeof symbol == sizeof function);
    // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
    std::memcpy(&function, &symbol, sizeof function);
    return symbol != nullptr;
  }

 private:
  void* FindSymbol(const char* name) const;

  void* handle_ = nullptr;
};

}  // namespace vx::visa
