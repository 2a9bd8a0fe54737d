// The library core: configuration, the table of open objects, the search across backends,
// the choice of the backend that opens a resource, locks, attributes and status texts. The
// transfers themselves are in visa_io.cpp.

#include <algorithm>
#include <cstring>

#include "common/c_number.h"
#include "sim/simulated_meter.h"
#include "visa/backends.h"
#include "visa/library.h"
#include "visa/status_text.h"

namespace vx::visa {
namespace {

constexpr ViUInt32 kDefaultTimeoutMs = 2000;

std::string JoinDiagnostics(const std::vector<std::string>& parts) {
  std::string joined;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!joined.empty()) joined += "; ";
    joined += part;
  }
  return joined;
}

// The key under which a descriptor is listed and locked: its canonical spelling, upper case.
std::string KeyOf(std::string_view descriptor) {
  const auto name = ParseResourceName(descriptor);
  return ToUpperAscii(name ? name->Canonical() : std::string(descriptor));
}

void RemoveDuplicates(std::vector<std::string>& found) {
  std::vector<std::string> keys;
  std::vector<std::string> unique;
  for (std::string& descriptor : found) {
    std::string key = ToUpperAscii(descriptor);
    if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
    keys.push_back(std::move(key));
    unique.push_back(std::move(descriptor));
  }
  found = std::move(unique);
}

}  // namespace

void CopyVisaText(std::string_view text, ViChar* out) {
  if (!out) return;
  const size_t n = std::min<size_t>(text.size(), VI_FIND_BUFLEN - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

Library& Library::Instance() {
  static Library library;
  return library;
}

ViStatus Library::Configure(const VisaConfig& config) {
  std::scoped_lock lock(backendsMutex_, tableMutex_);
  if (!objects_.empty()) return VI_ERROR_RSRC_BUSY;
  ConfigureLocked(config);
  return VI_SUCCESS;
}

std::shared_ptr<sim::SimulatedMeter> Library::SimulatedMeterFor(std::string_view descriptor) {
  std::lock_guard lock(backendsMutex_);
  const auto name = ParseResourceName(descriptor);
  if (!name || !simulated_) return nullptr;
  return simulated_->Meter(*name);
}

// Backends are consulted in a fixed order: simulated instruments, then this machine's own
// interfaces, then a vendor's library, so that a vendor library cannot take over a
// resource that a native backend serves.
void Library::ConfigureLocked(const VisaConfig& config) {
  backends_.clear();
  simulated_ = nullptr;
  listedBy_.clear();
  aliases_ = AliasTable{};
  aliasProblem_.clear();
  clock_ = config.clock ? config.clock : &RealClock();

  std::vector<sim::MeterConfig> meters;
  std::string simulationProblem;
  if (!config.simulationFile.empty()) {
    sim::SimulationFile file = sim::LoadSimulationFile(config.simulationFile);
    meters = std::move(file.meters);
    simulationProblem = std::move(file.error);
  }
  meters.insert(meters.end(), config.simulated.begin(), config.simulated.end());
  if (!meters.empty() || !simulationProblem.empty()) {
    auto simulated = std::make_unique<SimulatedBackend>(std::move(meters),
                                                        std::move(simulationProblem), *clock_);
    simulated_ = simulated.get();
    backends_.push_back(std::move(simulated));
  }
  if (config.hardwareBackends) {
    backends_.push_back(MakeUsbTmcBackend(config.usbtmcClassDir, config.deviceDir));
    backends_.push_back(MakeGpibBackend(config.gpibLibrary));
  }
  backends_.push_back(MakeTcpSocketBackend());
  if (!config.vendorLibrary.empty()) backends_.push_back(MakeVendorBackend(config.vendorLibrary));

  std::vector<std::string> problems;
  if (!config.aliasFile.empty()) problems.push_back(aliases_.LoadFile(config.aliasFile));
  for (const AliasEntry& entry : config.aliases) problems.push_back(aliases_.Add(entry));
  aliasProblem_ = JoinDiagnostics(problems);
  configured_ = true;
}

ViStatus Library::OpenDefaultRM(ViSession* manager) {
  if (!manager) return VI_ERROR_INV_PARAMETER;
  {
    std::scoped_lock lock(backendsMutex_, tableMutex_);
    if (!configured_) ConfigureLocked(VisaConfig::FromEnvironment());
  }
  Object object;
  object.kind = Kind::Manager;
  *manager = Insert(std::move(object));
  return VI_SUCCESS;
}

ViStatus Library::FindRsrc(ViSession manager, ViConstString expression, ViFindList* list,
                           ViUInt32* count, ViChar* description) {
  if (list) *list = VI_NULL;
  if (count) *count = 0;
  CopyVisaText("", description);
  if (!IsKind(manager, Kind::Manager)) return VI_ERROR_INV_OBJECT;
  std::string error;
  const auto matcher = MatchExpression::Compile(expression ? expression : "", &error);
  if (!matcher) return RecordDetail(manager, VI_ERROR_INV_EXPR, error);

  std::vector<std::string> found;
  std::vector<std::string> diagnostics;
  {
    std::lock_guard lock(backendsMutex_);
    aliases_.Find(*matcher, found);
    if (!aliasProblem_.empty()) diagnostics.push_back(aliasProblem_);
    for (const auto& backend : backends_) {
      std::vector<std::string> listed;
      const ViStatus status = backend->Find(*matcher, listed);
      for (std::string& descriptor : listed) {
        // A descriptor opens with the backend that listed it first.
        listedBy_.try_emplace(KeyOf(descriptor), backend.get());
        found.push_back(std::move(descriptor));
      }
      const std::string diagnostic = backend->Diagnostic();
      if (!diagnostic.empty()) {
        diagnostics.push_back(std::string(backend->Name()) + ": " + diagnostic);
      } else if (status < VI_SUCCESS) {
        diagnostics.push_back(std::string(backend->Name()) + ": search failed");
      }
    }
  }
  RemoveDuplicates(found);
  if (found.empty()) {
    return RecordDetail(manager, VI_ERROR_RSRC_NFOUND, JoinDiagnostics(diagnostics));
  }
  if (count) *count = static_cast<ViUInt32>(found.size());
  CopyVisaText(found.front(), description);
  if (list) {
    Object object;
    object.kind = Kind::FindList;
    object.manager = manager;
    object.found = std::move(found);
    object.next = 1;
    *list = Insert(std::move(object));
  }
  return VI_SUCCESS;
}

ViStatus Library::FindNext(ViFindList list, ViChar* description) {
  CopyVisaText("", description);
  std::lock_guard lock(tableMutex_);
  const auto it = objects_.find(list);
  if (it == objects_.end() || it->second.kind != Kind::FindList) return VI_ERROR_INV_OBJECT;
  Object& object = it->second;
  if (object.next >= object.found.size()) {
    object.detailStatus = VI_ERROR_RSRC_NFOUND;
    object.detail = "the list holds no further resource";
    return VI_ERROR_RSRC_NFOUND;
  }
  CopyVisaText(object.found[object.next++], description);
  return VI_SUCCESS;
}

ViStatus Library::ParseRsrc(ViSession manager, ViConstRsrc name, ViUInt16* interfaceType,
                            ViUInt16* board, ViChar* resourceClass, ViChar* expandedName,
                            ViChar* alias) {
  CopyVisaText("", resourceClass);
  CopyVisaText("", expandedName);
  CopyVisaText("", alias);
  if (!IsKind(manager, Kind::Manager)) return VI_ERROR_INV_OBJECT;
  std::string error;
  const auto parsed = ParseResourceName(name ? name : "", &error);
  if (!parsed) return RecordDetail(manager, VI_ERROR_INV_RSRC_NAME, error);
  if (interfaceType) *interfaceType = parsed->VisaInterfaceCode();
  if (board) *board = static_cast<ViUInt16>(parsed->board);
  CopyVisaText(ResourceClassName(parsed->resourceClass), resourceClass);
  CopyVisaText(parsed->Canonical(), expandedName);
  return VI_SUCCESS;
}

ViStatus Library::Open(ViSession manager, ViConstRsrc name, ViAccessMode mode, ViSession* session) {
  if (session) *session = VI_NULL;
  if (!IsKind(manager, Kind::Manager)) return VI_ERROR_INV_OBJECT;
  if (!session) return VI_ERROR_INV_PARAMETER;
  if ((mode & ~(VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK | VI_LOAD_CONFIG)) != 0 ||
      ((mode & VI_EXCLUSIVE_LOCK) && (mode & VI_SHARED_LOCK))) {
    return RecordDetail(manager, VI_ERROR_INV_ACC_MODE, "unknown access mode bits");
  }
  std::string error;
  const std::string given = name ? name : "";
  const auto parsed = ParseResourceName(given, &error);
  if (!parsed) return RecordDetail(manager, VI_ERROR_INV_RSRC_NAME, error);

  auto instrument = std::make_shared<OpenInstrument>();
  instrument->resourceName = given;
  instrument->parsed = *parsed;
  if (mode & VI_EXCLUSIVE_LOCK) instrument->locks.exclusive = 1;
  if (mode & VI_SHARED_LOCK) instrument->locks.shared = 1;  // open-time shared locks share ""
  // Opens are serialised here, so that a lock checked is still free when the session with
  // its own lock is entered into the table.
  std::lock_guard lock(backendsMutex_);
  ResourceName target = ShortFormIfOnlyThatIsKnown(*parsed);
  std::string targetText = target == *parsed ? given : target.Canonical();
  if (const auto aliasTarget = aliases_.Resolve(target)) {
    targetText = *aliasTarget;
    target = *ParseResourceName(targetText);  // validated when the alias was added
  }
  instrument->lockKey = ToUpperAscii(target.Canonical());
  const ViAccessMode wanted = instrument->locks.Strongest();
  std::string holder;
  if (OpenLockConflict(instrument->lockKey, wanted, holder)) {
    return RecordDetail(manager, VI_ERROR_RSRC_LOCKED,
                        target.Canonical() + " is locked by " + holder);
  }
  const ViStatus status = OpenWithBackends(manager, target, targetText, *instrument);
  if (status < VI_SUCCESS) return status;
  Object object;
  object.kind = Kind::Instrument;
  object.manager = manager;
  object.instrument = instrument;
  {
    // viLock does not wait for opens: a lock it granted meanwhile wins.
    std::lock_guard table(tableMutex_);
    if (!LockConflictLocked(instrument->lockKey, wanted, "", VI_NULL, holder)) {
      *session = nextHandle_++;
      objects_.emplace(*session, std::move(object));
      return status;
    }
  }
  return RecordDetail(manager, VI_ERROR_RSRC_LOCKED,
                      target.Canonical() + " is locked by " + holder);
}

bool Library::OpenLockConflict(const std::string& key, ViAccessMode type, std::string& holder) {
  std::lock_guard lock(tableMutex_);
  return LockConflictLocked(key, type, "", VI_NULL, holder);
}

bool Library::KnownHere(const ResourceName& name) const {
  return listedBy_.count(ToUpperAscii(name.Canonical())) != 0 || aliases_.Resolve(name) ||
         (simulated_ && simulated_->Claims(name, {}));
}

ResourceName Library::ShortFormIfOnlyThatIsKnown(const ResourceName& name) const {
  ResourceName shortForm = name;
  if (name.interfaceType == InterfaceType::Usb && name.usbInterface == 0u) {
    shortForm.usbInterface.reset();
  } else if (name.interfaceType == InterfaceType::Gpib && name.secondaryAddress == 0u) {
    shortForm.secondaryAddress.reset();
  } else {
    return name;
  }
  return !KnownHere(name) && KnownHere(shortForm) ? shortForm : name;
}

std::vector<Backend*> Library::Candidates(const ResourceName& target, std::string_view text) const {
  std::vector<Backend*> order;
  const auto listed = listedBy_.find(ToUpperAscii(target.Canonical()));
  Backend* const lister = listed != listedBy_.end() ? listed->second : nullptr;
  if (lister) order.push_back(lister);
  for (const auto& backend : backends_) {
    if (backend.get() != lister && backend->Claims(target, text)) order.push_back(backend.get());
  }
  return order;
}

// Tries the candidates in turn while they answer "not found"; any other failure is the
// resource's own and ends the attempt.
ViStatus Library::OpenWithBackends(ViSession manager, const ResourceName& target,
                                   const std::string& targetText, OpenInstrument& instrument) {
  const std::vector<Backend*> order = Candidates(target, targetText);
  if (order.empty()) {
    return RecordDetail(manager, VI_ERROR_RSRC_NFOUND,
                        "no interface of this system handles " + target.Canonical());
  }
  std::vector<std::string> reasons;
  for (Backend* backend : order) {
    const ViStatus status =
        backend->Open(target, targetText, kDefaultTimeoutMs, instrument.session);
    if (status >= VI_SUCCESS && instrument.session) return status;
    instrument.session.reset();
    const ViStatus failure = status < VI_SUCCESS ? status : VI_ERROR_SYSTEM_ERROR;
    std::string reason = std::string(backend->Name()) + ": " + backend->Diagnostic();
    if (failure != VI_ERROR_RSRC_NFOUND) return RecordDetail(manager, failure, reason);
    reasons.push_back(std::move(reason));
  }
  return RecordDetail(manager, VI_ERROR_RSRC_NFOUND, JoinDiagnostics(reasons));
}

ViStatus Library::Close(ViObject handle) {
  if (handle == VI_NULL) return VI_WARN_NULL_OBJECT;
  std::vector<std::shared_ptr<OpenInstrument>> released;  // destroyed outside the lock
  {
    std::lock_guard lock(tableMutex_);
    const auto it = objects_.find(handle);
    if (it == objects_.end()) return VI_ERROR_INV_OBJECT;
    if (it->second.kind == Kind::Manager) {
      for (auto child = objects_.begin(); child != objects_.end();) {
        if (child->second.manager == handle) {
          released.push_back(std::move(child->second.instrument));
          child = objects_.erase(child);
        } else {
          ++child;
        }
      }
    }
    released.push_back(std::move(objects_.at(handle).instrument));
    objects_.erase(handle);
  }
  locksReleased_.notify_all();
  return VI_SUCCESS;
}

ViStatus Library::StatusDesc(ViObject handle, ViStatus status, ViChar* description) {
  if (!description) return VI_ERROR_INV_PARAMETER;
  std::string text(StatusMeaning(status));
  ViStatus result = VI_SUCCESS;
  if (text.empty()) {
    std::lock_guard lock(backendsMutex_);
    for (const auto& backend : backends_) {
      text = backend->DescribeStatus(status);
      if (!text.empty()) break;
    }
  }
  if (text.empty()) {
    text = FormatC("Unknown status code 0x%08X.", static_cast<unsigned>(status));
    result = VI_WARN_UNKNOWN_STATUS;
  }
  {
    std::lock_guard lock(tableMutex_);
    const auto it = objects_.find(handle);
    if (it != objects_.end() && it->second.detailStatus == status) {
      text = WithDetail(text, it->second.detail);
    }
  }
  CopyVisaText(text, description);
  return result;
}

ViStatus Library::RecordDetail(ViObject handle, ViStatus status, const std::string& detail) {
  std::lock_guard lock(tableMutex_);
  const auto it = objects_.find(handle);
  if (it != objects_.end()) {
    it->second.detailStatus = status;
    it->second.detail = detail;
  }
  return status;
}

ViObject Library::Insert(Object object) {
  std::lock_guard lock(tableMutex_);
  // Handles are never reused while the process runs, so a stale handle cannot reach a newer
  // object.
  const ViObject handle = nextHandle_++;
  objects_.emplace(handle, std::move(object));
  return handle;
}

bool Library::IsKind(ViObject handle, Kind kind) {
  std::lock_guard lock(tableMutex_);
  return IsKindLocked(handle, kind);
}

bool Library::IsKindLocked(ViObject handle, Kind kind) const {
  const auto it = objects_.find(handle);
  return it != objects_.end() && it->second.kind == kind;
}

ViStatus Library::CheckInstrument(ViObject handle) {
  std::lock_guard lock(tableMutex_);
  const auto it = objects_.find(handle);
  if (it == objects_.end()) return VI_ERROR_INV_OBJECT;
  return it->second.kind == Kind::Instrument ? VI_SUCCESS : VI_ERROR_NSUP_OPER;
}

bool Library::IsValid(ViObject handle) {
  std::lock_guard lock(tableMutex_);
  return objects_.count(handle) != 0;
}

std::shared_ptr<OpenInstrument> Library::FindInstrument(ViObject handle) {
  std::lock_guard lock(tableMutex_);
  const auto it = objects_.find(handle);
  if (it == objects_.end() || it->second.kind != Kind::Instrument) return nullptr;
  return it->second.instrument;
}

}  // namespace vx::visa
