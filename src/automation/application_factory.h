#pragma once
// Starting a host program by programmatic identifier ("Excel.Application"), as programs do
// through the object registry; tests hand a program a factory of their own.

#include <functional>
#include <string_view>

#include "automation/object_registry.h"
#include "automation/spreadsheet.h"

namespace vx::automation {

using ApplicationFactory = std::function<Result<ApplicationPtr>(std::string_view progId)>;

inline Result<ApplicationPtr> RegisteredApplication(std::string_view progId) {
  return CreateObjectAs<Application>(progId);
}

}  // namespace vx::automation
