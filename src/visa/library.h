#pragma once
// The library core behind the vi* calls: the table of open objects (resource managers, find
// lists, instrument sessions), the search across backends, which backend opens a resource,
// locks, attributes and status texts. Backends only move bytes; everything a caller sees as
// VISA semantics is decided here. Internal to the VISA library.

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

struct OpenInstrument {
  std::mutex io;  // one operation at a time on a session
  std::unique_ptr<Session> session;
  TermCharFraming framing;
  std::string resourceName;  // as the caller named it (an alias stays an alias)
  ResourceName parsed;
  std::string lockKey;  // the resource actually opened, upper-case canonical
  ViAccessMode lock = VI_NO_LOCK;
  ViBoolean termCharEnabled = VI_FALSE;
  ViBoolean sendEnd = VI_TRUE;
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

  // visa_io.cpp
  ViStatus Write(ViSession handle, const char* data, size_t length, ViUInt32* returnCount);
  ViStatus Read(ViSession handle, ViBuf buffer, ViUInt32 capacity, ViUInt32* returnCount);
  ViStatus Clear(ViSession handle);

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
  // The backends to try for `target`: the one whose search listed it, then those that claim
  // it, in the fixed order.
  std::vector<Backend*> Candidates(const ResourceName& target, std::string_view text) const;
  ViStatus OpenWithBackends(ViSession manager, const ResourceName& target,
                            const std::string& targetText, OpenInstrument& instrument);
  // Whether a session of this process holds a lock that `mode` cannot be granted beside.
  ViStatus LockConflict(const std::string& key, ViAccessMode mode, std::string& holder);

  std::mutex backendsMutex_;  // backends, aliases and listings; locked before tableMutex_
  std::mutex tableMutex_;
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
};

}  // namespace vx::visa
