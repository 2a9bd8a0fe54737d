// The library core: the table of open objects (resource managers, find lists, instrument
// sessions), the search across backends, attributes and status texts. Backends only move
// bytes; everything a caller sees as VISA semantics is decided here.

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "common/c_number.h"
#include "sim/simulated_meter.h"
#include "visa/alias_table.h"
#include "visa/backends.h"
#include "visa/backends/simulated_backend.h"
#include "visa/status_text.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

namespace vx::visa {
namespace {

constexpr ViUInt32 kDefaultTimeoutMs = 2000;

struct OpenInstrument {
  std::mutex io;  // one operation at a time on a session
  std::unique_ptr<Session> session;
  std::string resourceName;  // as the caller named it (an alias stays an alias)
  ResourceName parsed;
  ViBoolean termCharEnabled = VI_FALSE;
  ViBoolean sendEnd = VI_TRUE;
};

enum class Kind { Manager, FindList, Instrument };

struct Object {
  Kind kind = Kind::Manager;
  ViSession manager = VI_NULL;
  std::shared_ptr<OpenInstrument> instrument;  // Kind::Instrument
  std::vector<std::string> found;              // Kind::FindList
  size_t next = 0;
  // The words behind the object's last failure, given by viStatusDesc with that status.
  ViStatus detailStatus = VI_SUCCESS;
  std::string detail;
};

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

class Library {
 public:
  static Library& Instance() {
    static Library library;
    return library;
  }

  ViStatus Configure(const VisaConfig& config) {
    std::scoped_lock lock(backendsMutex_, tableMutex_);
    if (!objects_.empty()) return VI_ERROR_RSRC_BUSY;
    ConfigureLocked(config);
    return VI_SUCCESS;
  }

  std::shared_ptr<sim::SimulatedMeter> SimulatedMeterFor(std::string_view descriptor) {
    std::lock_guard lock(backendsMutex_);
    const auto name = ParseResourceName(descriptor);
    if (!name || !simulated_) return nullptr;
    return simulated_->Meter(*name);
  }

  ViStatus OpenDefaultRM(ViSession* manager) {
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

  ViStatus FindRsrc(ViSession manager, ViConstString expression, ViFindList* list, ViUInt32* count,
                    ViChar* description) {
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
        const ViStatus status = backend->Find(*matcher, found);
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

  ViStatus FindNext(ViFindList list, ViChar* description) {
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

  ViStatus Open(ViSession manager, ViConstRsrc name, ViAccessMode mode, ViSession* session) {
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
    {
      std::lock_guard lock(backendsMutex_);
      ResourceName target = *parsed;
      std::string targetText = given;
      if (const auto aliasTarget = aliases_.Resolve(*parsed)) {
        targetText = *aliasTarget;
        target = *ParseResourceName(targetText);  // validated when the alias was added
      }
      Backend* backend = nullptr;
      for (const auto& candidate : backends_) {
        if (candidate->Claims(target, targetText)) {
          backend = candidate.get();
          break;
        }
      }
      if (!backend) {
        return RecordDetail(manager, VI_ERROR_RSRC_NFOUND,
                            "no interface of this system handles " + target.Canonical());
      }
      const ViStatus status =
          backend->Open(target, targetText, kDefaultTimeoutMs, instrument->session);
      if (status < VI_SUCCESS || !instrument->session) {
        const ViStatus failure = status < VI_SUCCESS ? status : VI_ERROR_SYSTEM_ERROR;
        return RecordDetail(manager, failure,
                            std::string(backend->Name()) + ": " + backend->Diagnostic());
      }
    }
    Object object;
    object.kind = Kind::Instrument;
    object.manager = manager;
    object.instrument = std::move(instrument);
    *session = Insert(std::move(object));
    return VI_SUCCESS;
  }

  ViStatus Close(ViObject handle) {
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

  ViStatus SetAttribute(ViObject handle, ViAttr attribute, ViAttrState value) {
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

  ViStatus GetAttribute(ViObject handle, ViAttr attribute, void* value) {
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

  ViStatus StatusDesc(ViObject handle, ViStatus status, ViChar* description) {
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
      if (it != objects_.end() && it->second.detailStatus == status && !it->second.detail.empty()) {
        text += " (" + it->second.detail + ")";
      }
    }
    CopyDescriptor(text, description);
    return result;
  }

  ViStatus Write(ViSession handle, const char* data, size_t length, ViUInt32* returnCount) {
    if (returnCount) *returnCount = 0;
    const auto instrument = FindInstrument(handle);
    if (!instrument) return IsValid(handle) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
    if (!data && length > 0) return VI_ERROR_USER_BUF;
    size_t written = 0;
    ViStatus status;
    {
      std::lock_guard lock(instrument->io);
      Session& session = *instrument->session;
      const char end = session.TermChar();
      if (instrument->sendEnd && session.NeedsTermCharForEnd() && length > 0 &&
          data[length - 1] != end) {
        std::string ended(data, length);
        ended += end;
        status = session.Write(ended.data(), ended.size(), written);
        written = std::min(written, length);
      } else {
        status = session.Write(data, length, written);
      }
    }
    if (returnCount) *returnCount = static_cast<ViUInt32>(written);
    if (status < VI_SUCCESS) RecordDetail(handle, status, instrument->session->Detail());
    return status;
  }

  ViStatus Read(ViSession handle, ViBuf buffer, ViUInt32 capacity, ViUInt32* returnCount) {
    if (returnCount) *returnCount = 0;
    const auto instrument = FindInstrument(handle);
    if (!instrument) return IsValid(handle) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
    if (!buffer && capacity > 0) return VI_ERROR_USER_BUF;
    size_t received = 0;
    ViStatus status;
    {
      std::lock_guard lock(instrument->io);
      status = instrument->session->Read(reinterpret_cast<char*>(buffer), capacity, received);
    }
    if (returnCount) *returnCount = static_cast<ViUInt32>(received);
    if (status < VI_SUCCESS) RecordDetail(handle, status, instrument->session->Detail());
    return status;
  }

  ViStatus Clear(ViSession handle) {
    const auto instrument = FindInstrument(handle);
    if (!instrument) return IsValid(handle) ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
    ViStatus status;
    {
      std::lock_guard lock(instrument->io);
      status = instrument->session->Clear();
    }
    if (status < VI_SUCCESS) RecordDetail(handle, status, instrument->session->Detail());
    return status;
  }

 private:
  Library() = default;

  void ConfigureLocked(const VisaConfig& config) {
    backends_.clear();
    simulated_ = nullptr;
    aliases_ = AliasTable{};
    aliasProblem_.clear();
    const Clock& clock = config.clock ? *config.clock : RealClock();

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
                                                          std::move(simulationProblem), clock);
      simulated_ = simulated.get();
      backends_.push_back(std::move(simulated));
    }
    if (!config.vendorLibrary.empty()) backends_.push_back(MakeVendorBackend(config.vendorLibrary));
    if (config.hardwareBackends) {
      backends_.push_back(MakeUsbTmcBackend(config.usbtmcClassDir, config.deviceDir));
      backends_.push_back(MakeGpibBackend(config.gpibLibrary));
    }
    backends_.push_back(MakeTcpSocketBackend());

    std::vector<std::string> problems;
    if (!config.aliasFile.empty()) problems.push_back(aliases_.LoadFile(config.aliasFile));
    for (const AliasEntry& entry : config.aliases) problems.push_back(aliases_.Add(entry));
    aliasProblem_ = JoinDiagnostics(problems);
    configured_ = true;
  }

  ViObject Insert(Object object) {
    std::lock_guard lock(tableMutex_);
    // Handles are never reused while the process runs, so a stale handle cannot reach a
    // newer object.
    const ViObject handle = nextHandle_++;
    objects_.emplace(handle, std::move(object));
    return handle;
  }

  bool IsKind(ViObject handle, Kind kind) {
    std::lock_guard lock(tableMutex_);
    const auto it = objects_.find(handle);
    return it != objects_.end() && it->second.kind == kind;
  }

  bool IsValid(ViObject handle) {
    std::lock_guard lock(tableMutex_);
    return objects_.count(handle) != 0;
  }

  std::shared_ptr<OpenInstrument> FindInstrument(ViObject handle) {
    std::lock_guard lock(tableMutex_);
    const auto it = objects_.find(handle);
    if (it == objects_.end() || it->second.kind != Kind::Instrument) return nullptr;
    return it->second.instrument;
  }

  ViStatus RecordDetail(ViObject handle, ViStatus status, const std::string& detail) {
    std::lock_guard lock(tableMutex_);
    const auto it = objects_.find(handle);
    if (it != objects_.end()) {
      it->second.detailStatus = status;
      it->second.detail = detail;
    }
    return status;
  }

  static void RemoveDuplicates(std::vector<std::string>& found) {
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

  std::mutex backendsMutex_;  // backends and aliases; locked before tableMutex_
  std::mutex tableMutex_;
  std::vector<std::unique_ptr<Backend>> backends_;
  SimulatedBackend* simulated_ = nullptr;
  AliasTable aliases_;
  std::string aliasProblem_;
  bool configured_ = false;
  std::unordered_map<ViObject, Object> objects_;
  ViObject nextHandle_ = 0x10001;
};

}  // namespace

ViStatus ConfigureVisa(const VisaConfig& config) {
  return Library::Instance().Configure(config);
}

std::shared_ptr<sim::SimulatedMeter> SimulatedInstrument(std::string_view descriptor) {
  return Library::Instance().SimulatedMeterFor(descriptor);
}

}  // namespace vx::visa

using vx::visa::Library;

ViStatus viOpenDefaultRM(ViSession* resourceManager) {
  return Library::Instance().OpenDefaultRM(resourceManager);
}

ViStatus viFindRsrc(ViSession resourceManager, ViConstString expression, ViFindList* list,
                    ViUInt32* count, ViChar* description) {
  return Library::Instance().FindRsrc(resourceManager, expression, list, count, description);
}

ViStatus viFindNext(ViFindList list, ViChar* description) {
  return Library::Instance().FindNext(list, description);
}

ViStatus viOpen(ViSession resourceManager, ViConstRsrc name, ViAccessMode mode,
                ViUInt32 /*openTimeout*/, ViSession* session) {
  return Library::Instance().Open(resourceManager, name, mode, session);
}

ViStatus viClose(ViObject object) {
  return Library::Instance().Close(object);
}

ViStatus viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value) {
  return Library::Instance().SetAttribute(object, attribute, value);
}

ViStatus viGetAttribute(ViObject object, ViAttr attribute, void* value) {
  return Library::Instance().GetAttribute(object, attribute, value);
}

ViStatus viStatusDesc(ViObject object, ViStatus status, ViChar* description) {
  return Library::Instance().StatusDesc(object, status, description);
}

ViStatus viWrite(ViSession session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returnCount) {
  return Library::Instance().Write(session, reinterpret_cast<const char*>(buffer), count,
                                   returnCount);
}

ViStatus viRead(ViSession session, ViBuf buffer, ViUInt32 count, ViUInt32* returnCount) {
  return Library::Instance().Read(session, buffer, count, returnCount);
}

ViStatus viVPrintf(ViSession session, ViConstString format, va_list args) {
  if (!format) return VI_ERROR_INV_FMT;
  const std::string text = vx::VFormatC(format, args);
  return Library::Instance().Write(session, text.data(), text.size(), nullptr);
}

ViStatus viPrintf(ViSession session, ViConstString format, ...) {
  va_list args;
  va_start(args, format);
  const ViStatus status = viVPrintf(session, format, args);
  va_end(args);
  return status;
}

ViStatus viClear(ViSession session) {
  return Library::Instance().Clear(session);
}
