#include "visa/status_text.h"

#include <array>

namespace vx::visa {
namespace {

struct StatusEntry {
  ViStatus status;
  std::string_view name;
  std::string_view meaning;
};

constexpr std::array<StatusEntry, 44> kStatuses{{
    {VI_SUCCESS, "VI_SUCCESS", "Operation completed successfully."},
    {VI_SUCCESS_EVENT_DIS, "VI_SUCCESS_EVENT_DIS", "The event is disabled already."},
    {VI_SUCCESS_QUEUE_EMPTY, "VI_SUCCESS_QUEUE_EMPTY", "The event queue was empty."},
    {VI_SUCCESS_TERM_CHAR, "VI_SUCCESS_TERM_CHAR", "The read ended at the termination character."},
    {VI_SUCCESS_MAX_CNT, "VI_SUCCESS_MAX_CNT",
     "The read filled the buffer; more of the message may follow."},
    {VI_SUCCESS_NESTED_SHARED, "VI_SUCCESS_NESTED_SHARED",
     "The session holds the shared lock more than once now (or still)."},
    {VI_SUCCESS_NESTED_EXCLUSIVE, "VI_SUCCESS_NESTED_EXCLUSIVE",
     "The session holds the exclusive lock more than once now (or still)."},
    {VI_WARN_NULL_OBJECT, "VI_WARN_NULL_OBJECT",
     "The object given was VI_NULL; nothing was closed."},
    {VI_WARN_NSUP_ATTR_STATE, "VI_WARN_NSUP_ATTR_STATE",
     "The attribute value is not supported as given; the nearest value the interface has "
     "was taken."},
    {VI_WARN_UNKNOWN_STATUS, "VI_WARN_UNKNOWN_STATUS",
     "The status code is not known to the library."},
    {VI_ERROR_SYSTEM_ERROR, "VI_ERROR_SYSTEM_ERROR", "Unknown system error."},
    {VI_ERROR_INV_OBJECT, "VI_ERROR_INV_OBJECT",
     "The session, find list or resource manager handle is not valid."},
    {VI_ERROR_RSRC_LOCKED, "VI_ERROR_RSRC_LOCKED", "The resource is locked by another session."},
    {VI_ERROR_INV_EXPR, "VI_ERROR_INV_EXPR", "The search expression is not valid."},
    {VI_ERROR_RSRC_NFOUND, "VI_ERROR_RSRC_NFOUND",
     "No resource matches, or the resource is not present in the system."},
    {VI_ERROR_INV_RSRC_NAME, "VI_ERROR_INV_RSRC_NAME", "The resource name is not valid."},
    {VI_ERROR_INV_ACC_MODE, "VI_ERROR_INV_ACC_MODE", "The access mode is not valid."},
    {VI_ERROR_TMO, "VI_ERROR_TMO", "The time-out expired before the operation completed."},
    {VI_ERROR_CLOSING_FAILED, "VI_ERROR_CLOSING_FAILED", "The object could not be closed."},
    {VI_ERROR_NSUP_ATTR, "VI_ERROR_NSUP_ATTR",
     "The attribute is not supported by this session or object."},
    {VI_ERROR_NSUP_ATTR_STATE, "VI_ERROR_NSUP_ATTR_STATE",
     "The attribute value is not supported by this session."},
    {VI_ERROR_ATTR_READONLY, "VI_ERROR_ATTR_READONLY", "The attribute can be read but not set."},
    {VI_ERROR_INV_LOCK_TYPE, "VI_ERROR_INV_LOCK_TYPE", "The lock type is not valid."},
    {VI_ERROR_INV_ACCESS_KEY, "VI_ERROR_INV_ACCESS_KEY",
     "The access key is not valid for this session's lock."},
    {VI_ERROR_INV_EVENT, "VI_ERROR_INV_EVENT", "The event type is not valid."},
    {VI_ERROR_INV_MECH, "VI_ERROR_INV_MECH", "The event mechanism is not valid."},
    {VI_ERROR_INV_MASK, "VI_ERROR_INV_MASK", "The buffer mask is not valid."},
    {VI_ERROR_SESN_NLOCKED, "VI_ERROR_SESN_NLOCKED", "The session holds no lock to give up."},
    {VI_ERROR_INV_SETUP, "VI_ERROR_INV_SETUP",
     "The operation cannot start because the library's set-up is not valid."},
    {VI_ERROR_ALLOC, "VI_ERROR_ALLOC", "Not enough memory for the operation."},
    {VI_ERROR_IO, "VI_ERROR_IO", "An input/output error occurred on the interface."},
    {VI_ERROR_INV_FMT, "VI_ERROR_INV_FMT", "The format string is not valid."},
    {VI_ERROR_NLISTENERS, "VI_ERROR_NLISTENERS", "No listeners are present on the GPIB bus."},
    {VI_ERROR_NSUP_OPER, "VI_ERROR_NSUP_OPER",
     "The operation is not supported by this session or interface."},
    {VI_ERROR_USER_BUF, "VI_ERROR_USER_BUF", "A buffer given to the operation is not usable."},
    {VI_ERROR_RSRC_BUSY, "VI_ERROR_RSRC_BUSY",
     "The library or resource is busy with open objects and cannot be changed now."},
    {VI_ERROR_INV_PARAMETER, "VI_ERROR_INV_PARAMETER",
     "A parameter of the operation is not valid."},
    {VI_ERROR_INV_LENGTH, "VI_ERROR_INV_LENGTH", "A length given to the operation is not valid."},
    {VI_ERROR_LIBRARY_NFOUND, "VI_ERROR_LIBRARY_NFOUND",
     "A library that the interface needs could not be loaded."},
    {VI_ERROR_INTF_NUM_NCONFIG, "VI_ERROR_INTF_NUM_NCONFIG",
     "The interface board is not configured."},
    {VI_ERROR_CONN_LOST, "VI_ERROR_CONN_LOST", "The connection to the instrument was lost."},
    {VI_ERROR_NPERMISSION, "VI_ERROR_NPERMISSION",
     "Access to the resource is not permitted for this user."},
    {VI_ERROR_RAW_WR_PROT_VIOL, "VI_ERROR_RAW_WR_PROT_VIOL",
     "The write violated the interface protocol."},
    {VI_ERROR_RAW_RD_PROT_VIOL, "VI_ERROR_RAW_RD_PROT_VIOL",
     "The read violated the interface protocol."},
}};

const StatusEntry* Lookup(ViStatus status) {
  for (const StatusEntry& entry : kStatuses) {
    if (entry.status == status) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string_view StatusName(ViStatus status) {
  const StatusEntry* entry = Lookup(status);
  return entry ? entry->name : std::string_view{};
}

std::string_view StatusMeaning(ViStatus status) {
  const StatusEntry* entry = Lookup(status);
  return entry ? entry->meaning : std::string_view{};
}

std::string WithDetail(std::string_view meaning, std::string_view detail, size_t limit) {
  std::string text(meaning);
  if (detail.empty()) return text.substr(0, limit);
  if (text.size() + detail.size() + 3 <= limit) {
    text += " (";
    text += detail;
    text += ")";
    return text;
  }
  constexpr std::string_view kCut = "...)";
  if (text.size() + 2 + kCut.size() >= limit) return text.substr(0, limit);
  const size_t room = limit - text.size() - 2 - kCut.size();
  // Cut after the last whole word that fits; a single word longer than the room is cut inside.
  size_t cut = detail.substr(0, room + 1).rfind(' ');
  if (cut == std::string_view::npos || cut == 0) cut = room;
  std::string_view kept = detail.substr(0, cut);
  while (!kept.empty() && (kept.back() == ' ' || kept.back() == ',' || kept.back() == ';' ||
                           kept.back() == ':' || kept.back() == '(')) {
    kept.remove_suffix(1);
  }
  text += " (";
  text += kept;
  text += kCut;
  return text;
}

}  // namespace vx::visa
