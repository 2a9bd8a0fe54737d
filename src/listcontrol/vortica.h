#pragma once
// The automation interface of the instrument-list control: class VXdmmCTL of library
// Vortica (version 47.0), created as "Vortica.VXdmmCTL". A form of the add-in workbook (on
// this platform vxlink's connect form) places it, feeds it each meter's identity answer and
// descriptor, and reads back the descriptor of the meter the user connected.

#include <cstdint>
#include <string>
#include <string_view>

#include "automation/automation_error.h"

class QWidget;

namespace vx::listcontrol {

inline constexpr const char* kLibraryGuid = "{3C9E61B4-0D27-4F8A-B5E1-7A40C2D95E10}";
inline constexpr const char* kControlClassGuid = "{3C9E61B4-0D27-4F8A-B5E1-7A40C2D95E11}";
inline constexpr const char* kControlInterfaceGuid = "{3C9E61B4-0D27-4F8A-B5E1-7A40C2D95E12}";
inline constexpr const char* kEventInterfaceGuid = "{3C9E61B4-0D27-4F8A-B5E1-7A40C2D95E13}";
inline constexpr const char* kProgId = "Vortica.VXdmmCTL";

// The dispatch interface _VXdmmCTL. Its event interface __VXdmmCTL declares no events.
class _VXdmmCTL {
 public:
  static constexpr std::string_view kInterfaceId = "Vortica._VXdmmCTL";
  virtual ~_VXdmmCTL() = default;

  virtual std::string get_mark_Address() = 0;
  virtual void put_mark_Address(const std::string& value) = 0;
  virtual std::int16_t get_lvw_now() = 0;
  virtual void put_lvw_now(std::int16_t value) = 0;
  // Adds one row for a meter; an answer without a comma is an index error.
  virtual automation::Status IDN(const std::string& sBuffer, const std::string& Addr) = 0;
  // Marks the row of mark_Address; always 0.
  virtual std::int16_t selmark() = 0;
  virtual automation::Status ListClear() = 0;

  // The control's window, for the form that places it; null once the form destroyed it.
  virtual QWidget* Window() = 0;
};

}  // namespace vx::listcontrol
