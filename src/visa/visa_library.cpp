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

void CopyDescriptor(const std::string& text, ViChar* out) {
  if (!out) return;
  const size_t n = std::min<size_t>(text.size(), VI_FIND_BUFLEN - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

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
  CopyDescriptor("", description);
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
  CopyDescriptor(found.front(), description);
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
  CopyDescriptor("", description);
  std::lock_guard lock(tableMutex_);
  const auto it = objects_.find(list);
  if (it == objects_.end() || it->second.kind != Kind::FindList) return VI_ERROR_INV_OBJECT;
  Object& object = it->second;
  if (object.next >= object.found.size()) {
    object.detailStatus = VI_ERROR_RSRC_NFOUND;
    object.detail = "the list holds no further resource";
    return VI_ERROR_RSRC_NFOUND;
  }
  CopyDescriptor(object.found[object.next++], description);
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
  instrument->lock = mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK);
  // Opens are serialised here, so that a lock checked is still free when the session with
  // its own lock is entered into the table.
  std::lock_guard lock(backendsMutex_);
  ResourceName target = *parsed;
  std::string targetText = given;
  if (const auto aliasTarget = aliases_.Resolve(*parsed)) {
    targetText = *aliasTarget;
    target = *ParseResourceName(targetText);  // validated when the alias was added
  }
  instrument->lockKey = ToUpperAscii(target.Canonical());
  std::string holder;
  if (const ViStatus locked = LockConflict(instrument->lockKey, instrument->lock, holder)) {
    return RecordDetail(manager, locked, target.Canonical() + " is locked by " + holder);
  }
  const ViStatus status = OpenWithBackends(manager, target, targetText, *instrument);
  if (status < VI_SUCCESS) return status;
  Object object;
  object.kind = Kind::Instrument;
  object.manager = manager;
  object.instrument = std::move(instrument);
  *session = Insert(std::move(object));
  return status;
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

ViStatus Library::LockConflict(const std::string& key, ViAccessMode mode, std::string& holder) {
  if (mode == VI_NO_LOCK) return VI_SUCCESS;
  std::lock_guard lock(tableMutex_);
  for (const auto& [handle, object] : objects_) {
    if (object.kind != Kind::Instrument || object.instrument->lockKey != key) continue;
    const ViAccessMode held = object.instrument->lock;
    // An exclusive lock admits no other lock; shared locks admit each other.
    if ((held & VI_EXCLUSIVE_LOCK) || ((mode & VI_EXCLUSIVE_LOCK) && held != VI_NO_LOCK)) {
      holder = FormatC("session 0x%08X of this process (%s lock)", static_cast<unsigned>(handle),
                       (held & VI_EXCLUSIVE_LOCK) ? "exclusive" : "shared");
      return VI_ERROR_RSRC_LOCKED;
    }
  }
  return VI_SUCCESS;
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
  return VI_SUCCESS;
}

ViStatus Library::SetAttribute(ViObject handle, ViAttr attribute, ViAttrState value) {
  const auto instrument = FindInstrument(handle);
  if (!instrument) return IsValid(handle) ? VI_ERROR_NSUP_ATTR : VI_ERROR_INV_OBJECT;
  std::lock_guard lock(instrument->io);
  switch (attribute) {
    case VI_ATTR_TMO_VALUE:
      if (value > VI_TMO_INFINITE) return VI_ERROR_NSUP_ATTR_STATE;
      return instrument->session->SetTimeout(static_cast<ViUInt32>(value));
    case VI_ATTR_TERMCHAR:
      if (value > 0xFF) return VI_ERROR_NSUP_ATTR_STATE;
      instrument->session->SetTermChar(static_cast<char>(value));
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR_EN:
    case VI_ATTR_SEND_END_EN:
      if (value > 1) return VI_ERROR_NSUP_ATTR_STATE;
      (attribute == VI_ATTR_TERMCHAR_EN ? instrument->termCharEnabled : instrument->sendEnd) =
          static_cast<ViBoolean>(value);
      return VI_SUCCESS;
    case VI_ATTR_RSRC_NAME:
    case VI_ATTR_INTF_TYPE:
    case VI_ATTR_INTF_NUM:
    case VI_ATTR_RM_SESSION:
      return VI_ERROR_ATTR_READONLY;
    default:
      return VI_ERROR_NSUP_ATTR;
  }
}

ViStatus Library::GetAttribute(ViObject handle, ViAttr attribute, void* value) {
  if (!value) return VI_ERROR_INV_PARAMETER;
  ViSession manager = VI_NULL;
  std::shared_ptr<OpenInstrument> instrument;
  {
    std::lock_guard lock(tableMutex_);
    const auto it = objects_.find(handle);
    if (it == objects_.end()) return VI_ERROR_INV_OBJECT;
    if (it->second.kind != Kind::Instrument) return VI_ERROR_NSUP_ATTR;
    manager = it->second.manager;
    instrument = it->second.instrument;
  }
  std::lock_guard lock(instrument->io);
  switch (attribute) {
    case VI_ATTR_TMO_VALUE:
      *static_cast<ViUInt32*>(value) = instrument->session->Timeout();
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR:
      *static_cast<ViUInt8*>(value) = static_cast<ViUInt8>(instrument->session->TermChar());
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR_EN:
      *static_cast<ViBoolean*>(value) = instrument->termCharEnabled;
      return VI_SUCCESS;
    case VI_ATTR_SEND_END_EN:
      *static_cast<ViBoolean*>(value) = instrument->sendEnd;
      return VI_SUCCESS;
    case VI_ATTR_RSRC_NAME:
      CopyDescriptor(instrument->resourceName, static_cast<ViChar*>(value));
      return VI_SUCCESS;
    case VI_ATTR_INTF_TYPE:
      *static_cast<ViUInt16*>(value) = instrument->parsed.VisaInterfaceCode();
      return VI_SUCCESS;
    case VI_ATTR_INTF_NUM:
      *static_cast<ViUInt16*>(value) = static_cast<ViUInt16>(instrument->parsed.board);
      return VI_SUCCESS;
    case VI_ATTR_RM_SESSION:
      *static_cast<ViSession*>(value) = manager;
      return VI_SUCCESS;
    default:
      return VI_ERROR_NSUP_ATTR;
  }
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
  CopyDescriptor(text, description);
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
  const auto it = objects_.find(handle);
  return it != objects_.end() && it->second.kind == kind;
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
