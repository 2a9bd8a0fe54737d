// A vendor's VISA library, loaded at run time. When it is present every call on its resources
// passes straight through and its statuses come back unchanged, so a user with a vendor's
// installation keeps the vendor's drivers (LAN instruments, USB-TMC without the kernel
// driver, GPIB boards linux-gpib does not know).
//
// The library is called through its standard C entry points only, declared here with the
// standard argument types; its symbols are loaded privately, so they never stand in for this
// library's own vi* functions. This library itself (libvxvisa.so named as the vendor's, or a
// libvisa.so link to it) is refused: its calls would come back here.

#include <algorithm>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "common/c_number.h"
#include "visa/backends.h"
#include "visa/backends/backend_base.h"
#include "visa/backends/shared_library.h"

namespace vx::visa {
namespace {

// The standard's description buffer: 256 characters with the terminator.
constexpr size_t kDescriptionSize = 256;

// The loaded library, its entry points and its default resource manager, opened on first use.
// Sessions share it with the backend, so it stays loaded while any of them is open.
class VendorLibrary {
 public:
  ViStatus (*openDefaultRM)(ViSession*) = nullptr;
  ViStatus (*findRsrc)(ViSession, ViConstString, ViFindList*, ViUInt32*, ViChar*) = nullptr;
  ViStatus (*findNext)(ViFindList, ViChar*) = nullptr;
  ViStatus (*open)(ViSession, ViConstRsrc, ViAccessMode, ViUInt32, ViSession*) = nullptr;
  ViStatus (*close)(ViObject) = nullptr;
  ViStatus (*setAttribute)(ViObject, ViAttr, ViAttrState) = nullptr;
  ViStatus (*getAttribute)(ViObject, ViAttr, void*) = nullptr;
  ViStatus (*write)(ViSession, ViConstBuf, ViUInt32, ViUInt32*) = nullptr;
  ViStatus (*read)(ViSession, ViBuf, ViUInt32, ViUInt32*) = nullptr;
  ViStatus (*clear)(ViSession) = nullptr;
  ViStatus (*statusDesc)(ViObject, ViStatus, ViChar*) = nullptr;
  ViStatus (*readSTB)(ViSession, ViUInt16*) = nullptr;  // optional

  VendorLibrary() = default;
  VendorLibrary(const VendorLibrary&) = delete;
  VendorLibrary& operator=(const VendorLibrary&) = delete;
  ~VendorLibrary() {
    // Closing the manager closes whatever is still open through it.
    if (manager_ != VI_NULL) close(manager_);
  }

  bool Load(const std::string& path, std::string& why) {
    std::string error;
    if (!library_.Load(path, error)) {
      why = "no vendor VISA library (" + path + "): " + error;
      return false;
    }
    std::string missing;
    auto need = [&](const char* name, auto& function) {
      if (!library_.Resolve(name, function)) {
        missing += std::string(missing.empty() ? "" : ", ") + name;
      }
    };
    need("viOpenDefaultRM", openDefaultRM);
    need("viFindRsrc", findRsrc);
    need("viFindNext", findNext);
    need("viOpen", open);
    need("viClose", close);
    need("viSetAttribute", setAttribute);
    need("viGetAttribute", getAttribute);
    need("viWrite", write);
    need("viRead", read);
    need("viClear", clear);
    need("viStatusDesc", statusDesc);
    if (!missing.empty()) {
      why = path + " is not a usable VISA library: it lacks " + missing;
      return false;
    }
    if (openDefaultRM == &::viOpenDefaultRM) {
      why = path + " is this VISA library itself: there is no vendor library to pass calls to";
      return false;
    }
    library_.Resolve("viReadSTB", readSTB);
    return true;
  }

  // The vendor's default resource manager, opened the first time it is needed.
  ViStatus Manager(ViSession& manager) {
    std::lock_guard lock(mutex_);
    if (manager_ == VI_NULL) {
      ViSession opened = VI_NULL;
      const ViStatus status = openDefaultRM(&opened);
      if (status < VI_SUCCESS) return status;
      manager_ = opened;
    }
    manager = manager_;
    return VI_SUCCESS;
  }

  // The vendor's text for `status`, asked of `object` (a session, or the manager when null).
  std::string Describe(ViObject object, ViStatus status) {
    if (object == VI_NULL && Manager(object) < VI_SUCCESS) return {};
    char text[kDescriptionSize] = {};
    if (statusDesc(object, status, text) < VI_SUCCESS) return {};
    text[kDescriptionSize - 1] = '\0';
    return text;
  }

 private:
  SharedLibrary library_;
  std::mutex mutex_;
  ViSession manager_ = VI_NULL;
};

std::string StatusHex(ViStatus status) {
  return FormatC("0x%08X", static_cast<unsigned>(status));
}

class VendorSession final : public Session {
 public:
  VendorSession(std::shared_ptr<VendorLibrary> vendor, ViSession session, bool streamResource)
      : vendor_(std::move(vendor)), session_(session), streamResource_(streamResource) {}
  ~VendorSession() override { vendor_->close(session_); }
  VendorSession(const VendorSession&) = delete;
  VendorSession& operator=(const VendorSession&) = delete;

  ViStatus Write(const char* data, size_t length, size_t& written) override {
    written = 0;
    ViUInt32 count = 0;
    const ViUInt32 asked = length > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<ViUInt32>(length);
    const ViStatus status =
        vendor_->write(session_, reinterpret_cast<ViConstBuf>(data), asked, &count);
    written = count;
    return Result(status, "write");
  }

  ViStatus Read(char* buffer, size_t capacity, size_t& received) override {
    received = 0;
    // Sockets and serial lines have no end-of-message signal of their own: the vendor's
    // library ends their reads at the termination character once told to.
    if (streamResource_ && termCharSent_ != termChar_) {
      const ViStatus status = EnableTermChar();
      if (status < VI_SUCCESS) return Result(status, "set the termination character of");
    }
    ViUInt32 count = 0;
    const ViUInt32 asked = capacity > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<ViUInt32>(capacity);
    const ViStatus status = vendor_->read(session_, reinterpret_cast<ViBuf>(buffer), asked, &count);
    received = count;
    return Result(status, "read");
  }

  ViStatus Clear() override { return Result(vendor_->clear(session_), "clear"); }

  ViStatus ReadStatusByte(ViUInt16& statusByte) override {
    if (!vendor_->readSTB)
      return Fail(VI_ERROR_NSUP_OPER, "the vendor VISA library has no viReadSTB");
    return Result(vendor_->readSTB(session_, &statusByte), "serial-poll");
  }

  ViStatus SetTimeout(ViUInt32 milliseconds) override {
    const ViStatus status = vendor_->setAttribute(session_, VI_ATTR_TMO_VALUE, milliseconds);
    if (status >= VI_SUCCESS) timeoutMs_ = milliseconds;
    return Result(status, "set the time-out of");
  }

  ViStatus EnableTermChar() {
    ViStatus status =
        vendor_->setAttribute(session_, VI_ATTR_TERMCHAR, static_cast<unsigned char>(termChar_));
    if (status >= VI_SUCCESS)
      status = vendor_->setAttribute(session_, VI_ATTR_TERMCHAR_EN, VI_TRUE);
    if (status >= VI_SUCCESS) termCharSent_ = termChar_;
    return status;
  }

 private:
  ViStatus Result(ViStatus status, const char* action) {
    if (status >= VI_SUCCESS) {
      ClearDetail();
      return status;
    }
    std::string text = vendor_->Describe(session_, status);
    if (text.empty()) text = "status " + StatusHex(status);
    return Fail(status, std::string("the vendor VISA library could not ") + action +
                            " the instrument: " + text);
  }

  std::shared_ptr<VendorLibrary> vendor_;
  ViSession session_;
  bool streamResource_;
  // The termination character the vendor's session ends reads at, once set.
  std::optional<char> termCharSent_;
};

class VendorBackend final : public GuardedDiagnosticBackend {
 public:
  explicit VendorBackend(const std::string& libraryPath) {
    auto vendor = std::make_shared<VendorLibrary>();
    std::string why;
    if (vendor->Load(libraryPath, why)) vendor_ = std::move(vendor);
    SetDiagnostic(std::move(why));
  }

  std::string_view Name() const override { return "vendor VISA"; }

  ViStatus Find(const MatchExpression& expression, std::vector<std::string>& found) override {
    if (!vendor_) return VI_ERROR_LIBRARY_NFOUND;
    ViSession manager = VI_NULL;
    ViStatus status = vendor_->Manager(manager);
    if (status < VI_SUCCESS) {
      return Trouble(status, "the vendor VISA library has no resource manager");
    }
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char description[kDescriptionSize] = {};
    status = vendor_->findRsrc(manager, expression.Text().c_str(), &list, &count, description);
    if (status == VI_ERROR_RSRC_NFOUND) {
      SetDiagnostic({});
      return VI_SUCCESS;
    }
    if (status < VI_SUCCESS) return Trouble(status, "the vendor VISA library's search failed");
    std::vector<std::string> listed;
    for (ViUInt32 i = 0; i < count; ++i) {
      if (i > 0 && vendor_->findNext(list, description) < VI_SUCCESS) break;
      description[kDescriptionSize - 1] = '\0';
      listed.emplace_back(description);
    }
    if (list != VI_NULL) vendor_->close(list);

    std::lock_guard lock(listedMutex_);
    for (std::string& descriptor : listed) {
      // Its expression language may differ in details from ours: keep what ours accepts.
      if (!expression.Matches(descriptor)) continue;
      listed_.insert(ToUpperAscii(descriptor));
      found.push_back(std::move(descriptor));
    }
    SetDiagnostic({});
    return VI_SUCCESS;
  }

  bool Claims(const ResourceName& name, std::string_view text) const override {
    if (!vendor_) return false;
    switch (name.interfaceType) {
      case InterfaceType::Usb:
      case InterfaceType::Gpib:
      case InterfaceType::Tcpip:
        return true;
      default:
        break;
    }
    std::lock_guard lock(listedMutex_);
    return listed_.count(ToUpperAscii(text)) != 0 ||
           listed_.count(ToUpperAscii(name.Canonical())) != 0;
  }

  ViStatus Open(const ResourceName& name, std::string_view text, ViUInt32 timeoutMs,
                std::unique_ptr<Session>& session) override {
    if (!vendor_) return VI_ERROR_LIBRARY_NFOUND;
    ViSession manager = VI_NULL;
    ViStatus status = vendor_->Manager(manager);
    if (status < VI_SUCCESS) {
      return Trouble(status, "the vendor VISA library has no resource manager");
    }
    const std::string descriptor(text);
    ViSession opened = VI_NULL;
    status = vendor_->open(manager, descriptor.c_str(), VI_NO_LOCK, 0, &opened);
    if (status < VI_SUCCESS) {
      return Trouble(status, "could not open " + descriptor);
    }
    const bool stream =
        name.resourceClass == ResourceClass::Socket || name.interfaceType == InterfaceType::Asrl;
    auto vendorSession = std::make_unique<VendorSession>(vendor_, opened, stream);
    status = vendorSession->SetTimeout(timeoutMs);
    if (status >= VI_SUCCESS && stream) status = vendorSession->EnableTermChar();
    if (status < VI_SUCCESS) {
      return Trouble(status, "the vendor VISA library could not set up " + descriptor);
    }
    session = std::move(vendorSession);
    SetDiagnostic({});
    return status;
  }

  std::string DescribeStatus(ViStatus status) const override {
    return vendor_ ? vendor_->Describe(VI_NULL, status) : std::string();
  }

 private:
  // Records why a call failed (with the vendor's own words for it) and passes its status on.
  ViStatus Trouble(ViStatus status, const std::string& what) {
    std::string text = vendor_->Describe(VI_NULL, status);
    if (text.empty()) text = "status " + StatusHex(status);
    return Failure(status, what + ": " + text);
  }

  std::shared_ptr<VendorLibrary> vendor_;
  mutable std::mutex listedMutex_;
  std::set<std::string> listed_;  // upper case
};

}  // namespace

std::unique_ptr<Backend> MakeVendorBackend(const std::string& libraryPath) {
  return std::make_unique<VendorBackend>(libraryPath);
}

}  // namespace vx::visa
