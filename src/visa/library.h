#pragma once
// The library core behind the vi* calls: the table of open objects (resource managers, find
// lists, instrument sessions), the search across backends, which backend opens a resource,
// locks, attributes and status texts. Backends only move bytes; everything a caller sees as
// VISA semantics is decided here. Internal to the VISA library.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/clock.h"
#include "visa/alias_table.h"
#include "visa/backend.h"
#include "visa/backends/simulated_backend.h"
#include "visa/term_char_framing.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

namespace vx::visa {

// Writes `text` into a caller's VI_FIND_BUFLEN buffer (cut to fit, terminated); null skips it.
void CopyVisaText(std::string_view text, ViChar* out);

// The locks one session holds on its resource: levels of each kind (they nest), and the key
// its shared lock goes by. viOpen's lock is the first level.
struct LockLevels {
  unsigned exclusive = 0;
  unsigned shared = 0;
  std::string sharedKey;

  ViAccessMode Strongest() const {
    return exclusive > 0 ? VI_EXCLUSIVE_LOCK : shared > 0 ? VI_SHARED_LOCK : VI_NO_LOCK;
  }
};

struct OpenInstrument {
  std::mutex io;  // one operation at a time on a session
  std::unique_ptr<Session> session;
  TermCharFraming framing;
  std::string resourceName;  // as the caller named it (an alias stays an alias)
  ResourceName parsed;
  std::string lockKey;  // the resource actually opened, upper-case canonical
  LockLevels locks;     // under the library's table lock
  ViBoolean termCharEnabled = VI_FALSE;
  ViBoolean sendEnd = VI_TRUE;
  ViBoolean suppressEnd = VI_FALSE;
};

class Library {
 public:
  static Library& Instance();

  ViStatus Configure(const VisaConfig& config);
  std::shared_ptr<sim::SimulatedMeter> SimulatedMeterFor(std::string_view descriptor);

  ViStatus OpenDefaultRM(ViSession* manager);
  ViStatus FindRsrc(ViSession manager, ViConstString expression, ViFindList* list, ViUInt32* count,
                    ViChar* description);
  ViStatus FindNext(ViFindList list, ViChar* description);
  ViStatus Open(ViSession manager, ViConstRsrc name, ViAccessMode mode, ViSession* session);
  ViStatus Close(ViObject handle);
  ViStatus SetAttribute(ViObject handle, ViAttr attribute, ViAttrState value);
  ViStatus GetAttribute(ViObject handle, ViAttr attribute, void* value);
  ViStatus StatusDesc(ViObject handle, ViStatus status, ViChar* description);
  // The interface, board, class and canonical spelling of a resource name, without opening it.
  ViStatus ParseRsrc(ViSession manager, ViConstRsrc name, ViUInt16* interfaceType, ViUInt16* board,
                     ViChar* resourceClass, ViChar* expandedName, ViChar* alias);

  // visa_locks.cpp
  ViStatus Lock(ViSession handle, ViAccessMode type, ViUInt32 timeoutMs, ViConstString requestedKey,
                ViChar* accessKey);
  ViStatus Unlock(ViSession handle);

  // visa_io.cpp
  ViStatus Write(ViSession handle, const char* data, size_t length, ViUInt32* returnCount);
  ViStatus Read(ViSession handle, ViBuf buffer, ViUInt32 capacity, ViUInt32* returnCount);
  ViStatus Clear(ViSession handle);
  ViStatus Flush(ViSession handle, ViUInt16 mask);
  ViStatus ReadStatusByte(ViSession handle, ViUInt16* status);
  // For operations on instrument sessions only: VI_ERROR_NSUP_OPER for a resource manager or
  // find list, VI_ERROR_INV_OBJECT for anything else; VI_SUCCESS for a session.
  ViStatus CheckInstrument(ViObject handle);

  // Keeps `detail` as the words behind `status`, the object's last failure.
  ViStatus RecordDetail(ViObject handle, ViStatus status, const std::string& detail);
  // The clock the library's time bounds and simulated instruments run on.
  const Clock& TimeSource() const { return *clock_; }
  std::shared_ptr<OpenInstrument> FindInstrument(ViObject handle);
  bool IsValid(ViObject handle);

 private:
  enum class Kind { Manager, FindList, Instrument };
  struct Object {
    Kind kind = Kind::Manager;
    ViSession manager = VI_NULL;
    std::shared_ptr<OpenInstrument> instrument;  // Kind::Instrument
    std::vector<std::string> found;              // Kind::FindList
    size_t next = 0;
    ViStatus detailStatus = VI_SUCCESS;
    std::string detail;
  };

  Library() = default;
  void ConfigureLocked(const VisaConfig& config);
  ViObject Insert(Object object);
  bool IsKind(ViObject handle, Kind kind);
  bool IsKindLocked(ViObject handle, Kind kind) const;  // tableMutex_ held
  // PyVISA writes names in its own full form, with the USB interface 0 and the GPIB
  // secondary address 0 that a name may leave out ("USB0::0x1F3A::0x0C21::TW1::0::INSTR",
  // "GPIB0::22::0::INSTR"). A full form that no search, alias or simulated instrument knows
  // opens the short form that one of them knows, as USB-TMC and GPIB hardware answer both.
  // Called with backendsMutex_ held.
  ResourceName ShortFormIfOnlyThatIsKnown(const ResourceName& name) const;
  bool KnownHere(const ResourceName& name) const;
  // The backends to try for `target`: the one whose search listed it, then those that claim
  // it, in the fixed order.
  std::vector<Backend*> Candidates(const ResourceName& target, std::string_view text) const;
  ViStatus OpenWithBackends(ViSession manager, const ResourceName& target,
                            const std::string& targetText, OpenInstrument& instrument);
  // Whether a session of this process other than `self` holds a lock on the resource `key`
  // that a lock of `type` with `sharedKey` cannot stand beside; `holder` then names it.
  // Called with tableMutex_ held.
  bool OpenLockConflict(const std::string& key, ViAccessMode type, std::string& holder);
  bool LockConflictLocked(const std::string& key, ViAccessMode type, const std::string& sharedKey,
                          ViObject self, std::string& holder) const;
  ViAccessMode ResourceLockStateLocked(const std::string& key) const;

  std::mutex backendsMutex_;  // backends, aliases and listings; locked before tableMutex_
  std::mutex tableMutex_;
  std::condition_variable locksReleased_;  // with tableMutex_: a lock was given up
  std::vector<std::unique_ptr<Backend>> backends_;
  SimulatedBackend* simulated_ = nullptr;
  AliasTable aliases_;
  std::string aliasProblem_;
  // Which backend's search listed a descriptor (upper-case canonical) first.
  std::unordered_map<std::string, Backend*> listedBy_;
  const Clock* clock_ = &RealClock();
  bool configured_ = false;
  std::unordered_map<ViObject, Object> objects_;
  ViObject nextHandle_ = 0x10001;
  unsigned nextLockKey_ = 1;
};

}  // namespace vx::visa
