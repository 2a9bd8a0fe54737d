// Locks between the sessions of this process. A resource (an alias and its target are one)
// takes any number of locks that can stand beside each other: an exclusive lock stands beside
// none held by another session, a shared lock beside shared locks of the same key. Each
// session's locks nest. viLock waits for a conflicting lock to be given up, within its
// time-out; viOpen, whose lock is the session's first level, does not wait.

#include <chrono>

#include "common/c_number.h"
#include "visa/library.h"

namespace vx::visa {
namespace {

// Access keys are plain text, ended within the caller's VI_FIND_BUFLEN buffer.
bool UsableKey(std::string_view key) {
  return !key.empty() && key.size() < VI_FIND_BUFLEN;
}

}  // namespace

bool Library::LockConflictLocked(const std::string& key, ViAccessMode type,
                                 const std::string& sharedKey, ViObject self,
                                 std::string& holder) const {
  if (type == VI_NO_LOCK) return false;
  for (const auto& [handle, object] : objects_) {
    if (handle == self || object.kind != Kind::Instrument) continue;
    if (object.instrument->lockKey != key) continue;
    const LockLevels& held = object.instrument->locks;
    const bool conflict =
        held.exclusive > 0 || (type == VI_EXCLUSIVE_LOCK && held.shared > 0) ||
        (type == VI_SHARED_LOCK && held.shared > 0 && held.sharedKey != sharedKey);
    if (conflict) {
      holder = FormatC("session 0x%08X of this process (%s lock)", static_cast<unsigned>(handle),
                       held.exclusive > 0 ? "exclusive" : "shared");
      return true;
    }
  }
  return false;
}

ViAccessMode Library::ResourceLockStateLocked(const std::string& key) const {
  ViAccessMode state = VI_NO_LOCK;
  for (const auto& [handle, object] : objects_) {
    if (object.kind != Kind::Instrument || object.instrument->lockKey != key) continue;
    const ViAccessMode held = object.instrument->locks.Strongest();
    if (held == VI_EXCLUSIVE_LOCK) return VI_EXCLUSIVE_LOCK;
    if (held == VI_SHARED_LOCK) state = VI_SHARED_LOCK;
  }
  return state;
}

ViStatus Library::Lock(ViSession handle, ViAccessMode type, ViUInt32 timeoutMs,
                       ViConstString requestedKey, ViChar* accessKey) {
  if (const ViStatus status = CheckInstrument(handle); status < VI_SUCCESS) return status;
  if (type != VI_EXCLUSIVE_LOCK && type != VI_SHARED_LOCK) return VI_ERROR_INV_LOCK_TYPE;
  if (type == VI_SHARED_LOCK && requestedKey && !UsableKey(requestedKey)) {
    return VI_ERROR_INV_ACCESS_KEY;
  }
  std::string holder;
  std::string detail;
  {
    std::unique_lock lock(tableMutex_);
    const auto it = objects_.find(handle);
    if (it == objects_.end()) return VI_ERROR_INV_OBJECT;  // closed meanwhile
    const std::shared_ptr<OpenInstrument> instrument = it->second.instrument;
    LockLevels& own = instrument->locks;
    std::string key;
    if (type == VI_SHARED_LOCK) {
      if (own.shared > 0 && requestedKey && own.sharedKey != requestedKey) {
        return VI_ERROR_INV_ACCESS_KEY;  // one session, one shared key
      }
      key = own.shared > 0 ? own.sharedKey
            : requestedKey ? std::string(requestedKey)
                           : FormatC("vxvisa-lock-%u", nextLockKey_++);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (LockConflictLocked(instrument->lockKey, type, key, handle, holder)) {
      if (timeoutMs == VI_TMO_INFINITE) {
        locksReleased_.wait(lock);
      } else if (locksReleased_.wait_until(lock, deadline) == std::cv_status::timeout &&
                 LockConflictLocked(instrument->lockKey, type, key, handle, holder)) {
        detail = FormatC("the lock was not granted within %u ms: ", timeoutMs) +
                 instrument->parsed.Canonical() + " is locked by " + holder;
        break;
      }
      if (!IsKindLocked(handle, Kind::Instrument)) return VI_ERROR_INV_OBJECT;
    }
    if (detail.empty()) {
      const bool nested = type == VI_EXCLUSIVE_LOCK ? own.exclusive++ > 0 : own.shared++ > 0;
      if (type == VI_SHARED_LOCK) {
        own.sharedKey = key;
        CopyVisaText(key, accessKey);
      }
      if (!nested) return VI_SUCCESS;
      return type == VI_EXCLUSIVE_LOCK ? VI_SUCCESS_NESTED_EXCLUSIVE : VI_SUCCESS_NESTED_SHARED;
    }
  }
  return RecordDetail(handle, VI_ERROR_TMO, detail);
}

ViStatus Library::Unlock(ViSession handle) {
  if (const ViStatus status = CheckInstrument(handle); status < VI_SUCCESS) return status;
  ViStatus result = VI_SUCCESS;
  {
    std::lock_guard lock(tableMutex_);
    const auto it = objects_.find(handle);
    if (it == objects_.end()) return VI_ERROR_INV_OBJECT;
    LockLevels& own = it->second.instrument->locks;
    if (own.exclusive > 0) {
      --own.exclusive;
    } else if (own.shared > 0) {
      if (--own.shared == 0) own.sharedKey.clear();
    } else {
      return VI_ERROR_SESN_NLOCKED;
    }
    if (own.exclusive > 0) {
      result = VI_SUCCESS_NESTED_EXCLUSIVE;
    } else if (own.shared > 0) {
      result = VI_SUCCESS_NESTED_SHARED;
    }
  }
  locksReleased_.notify_all();
  return result;
}

}  // namespace vx::visa
