#pragma once
// The root of every object created by programmatic identifier. A caller asks an object for
// the interface it needs by name, as automation clients do, so that objects made by one
// library are used by another without either sharing the other's type information.

#include <memory>
#include <string_view>

namespace vx::automation {

class Unknown {
 public:
  virtual ~Unknown() = default;
  // The object seen as the interface `interfaceId`, or nullptr when it is not one.
  virtual void* QueryInterface(std::string_view interfaceId) = 0;
};

// `object` as interface T (T names its identifier in T::kInterfaceId), sharing its ownership;
// nullptr when the object does not implement T.
template <typename T>
std::shared_ptr<T> QueryInterface(const std::shared_ptr<Unknown>& object) {
  if (!object) return nullptr;
  void* raw = object->QueryInterface(T::kInterfaceId);
  return raw ? std::shared_ptr<T>(object, static_cast<T*>(raw)) : nullptr;
}

}  // namespace vx::automation
