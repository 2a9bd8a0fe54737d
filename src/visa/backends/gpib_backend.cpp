// GPIB instruments through linux-gpib. The library is loaded at run time, so the program runs
// (and finds nothing on GPIB) on machines without it. Only the documented C API is used:
// ibdev, ibwrt, ibrd, ibclr, ibonl, ibtmo, ibln, ibrsp and the per-thread status calls, which stay
// right when several threads talk to instruments.

#include <climits>
#include <memory>
#include <string>

#include "visa/backends.h"
#include "visa/backends/backend_base.h"
#include "visa/backends/gpib_timeout.h"
#include "visa/backends/posix_io.h"
#include "visa/backends/shared_library.h"

namespace vx::visa {
namespace {

// ibsta bits.
constexpr int kErr = 0x8000;
constexpr int kTimo = 0x4000;
constexpr int kEnd = 0x2000;

// iberr codes.
constexpr int kEdvr = 0;
constexpr int kEcic = 1;
constexpr int kEnol = 2;
constexpr int kEadr = 3;
constexpr int kEarg = 4;
constexpr int kEsac = 5;
constexpr int kEabo = 6;
constexpr int kEneb = 7;
constexpr int kEoip = 10;
constexpr int kEcap = 11;
constexpr int kEfso = 12;
constexpr int kEbus = 14;

constexpr int kNoSecondaryAddress = 0;  // NO_SAD
constexpr int kFirstSecondaryAddress = 0x60;
// Board 0 is what the standard searches cover; its controller sits at address 0.
constexpr int kSearchBoard = 0;
constexpr int kFirstPad = 1;
constexpr int kLastPad = 30;

std::string IbErrText(int error) {
  switch (error) {
    case kEdvr:
      return "EDVR, a system call failed";
    case kEcic:
      return "ECIC, the interface board is not controller-in-charge";
    case kEnol:
      return "ENOL, no listeners on the bus";
    case kEadr:
      return "EADR, the board was not addressed properly";
    case kEarg:
      return "EARG, invalid argument";
    case kEsac:
      return "ESAC, the board is not system controller";
    case kEabo:
      return "EABO, the transfer was aborted (time-out or device clear)";
    case kEneb:
      return "ENEB, the board does not exist, its driver is not loaded or it is not configured";
    case kEoip:
      return "EOIP, an asynchronous transfer is in progress";
    case kEcap:
      return "ECAP, the board lacks the capability";
    case kEfso:
      return "EFSO, file system error";
    case kEbus:
      return "EBUS, command bytes could not be sent on the bus";
    default:
      return "iberr " + std::to_string(error);
  }
}

// The loaded library and the entry points taken from it. Sessions share it with the backend,
// so it stays loaded while any session is open.
struct GpibLibrary {
  SharedLibrary library;
  int (*ibdev)(int board, int pad, int sad, int timeout, int sendEoi, int eos) = nullptr;
  int (*ibwrt)(int ud, const void* data, long count) = nullptr;
  int (*ibrd)(int ud, void* buffer, long count) = nullptr;
  int (*ibclr)(int ud) = nullptr;
  int (*ibonl)(int ud, int online) = nullptr;
  int (*ibtmo)(int ud, int timeout) = nullptr;
  int (*ibln)(int ud, int pad, int sad, short* found) = nullptr;
  int (*ibrsp)(int ud, char* statusByte) = nullptr;  // optional: serial poll
  int (*threadIbsta)() = nullptr;
  int (*threadIberr)() = nullptr;
  int (*threadIbcnt)() = nullptr;
  long (*threadIbcntl)() = nullptr;

  int Error() const { return threadIberr(); }
  long Count() const { return threadIbcntl ? threadIbcntl() : threadIbcnt(); }
  // What an EDVR or EFSO failure carries in ibcnt: the errno of the failed system call.
  std::string ErrorText(int error) const {
    std::string text = IbErrText(error);
    if (error == kEdvr || error == kEfso) {
      text += " (" + posix::ErrnoText(static_cast<int>(Count())) + ")";
    }
    return text;
  }
};

std::shared_ptr<const GpibLibrary> LoadGpibLibrary(const std::string& path, std::string& why) {
  auto api = std::make_shared<GpibLibrary>();
  std::string error;
  if (!api->library.Load(path, error)) {
    why = "linux-gpib (" + path + ") is not installed or cannot be loaded: " + error;
    return nullptr;
  }
  std::string missing;
  auto need = [&](const char* name, auto& function) {
    if (!api->library.Resolve(name, function))
      missing += std::string(missing.empty() ? "" : ", ") + name;
  };
  need("ibdev", api->ibdev);
  need("ibwrt", api->ibwrt);
  need("ibrd", api->ibrd);
  need("ibclr", api->ibclr);
  need("ibonl", api->ibonl);
  need("ibtmo", api->ibtmo);
  need("ibln", api->ibln);
  need("ThreadIbsta", api->threadIbsta);
  need("ThreadIberr", api->threadIberr);
  api->library.Resolve("ibrsp", api->ibrsp);
  // Either count call will do; the long one also covers transfers above 2 GiB.
  api->library.Resolve("ThreadIbcntl", api->threadIbcntl);
  if (!api->threadIbcntl) need("ThreadIbcnt", api->threadIbcnt);
  if (!missing.empty()) {
    why = path + " is not a usable linux-gpib library: it lacks " + missing;
    return nullptr;
  }
  return api;
}

class GpibSession final : public Session {
 public:
  GpibSession(std::shared_ptr<const GpibLibrary> api, int ud, std::string descriptor)
      : api_(std::move(api)), ud_(ud), descriptor_(std::move(descriptor)) {}
  ~GpibSession() override { api_->ibonl(ud_, 0); }
  GpibSession(const GpibSession&) = delete;
  GpibSession& operator=(const GpibSession&) = delete;

  ViStatus Write(const char* data, size_t length, size_t& written) override {
    written = 0;
    const long count = length > LONG_MAX ? LONG_MAX : static_cast<long>(length);
    const int status = api_->ibwrt(ud_, data, count);
    const long done = api_->Count();
    written = done > 0 ? static_cast<size_t>(done) : 0;
    if (status & kErr) return Failed(status, "write to");
    ClearDetail();
    return VI_SUCCESS;
  }

  ViStatus Read(char* buffer, size_t capacity, size_t& received) override {
    received = 0;
    if (capacity == 0) return VI_SUCCESS_MAX_CNT;
    const long count = capacity > LONG_MAX ? LONG_MAX : static_cast<long>(capacity);
    const int status = api_->ibrd(ud_, buffer, count);
    const long done = api_->Count();
    received = done > 0 ? static_cast<size_t>(done) : 0;
    if (status & kErr) return Failed(status, "read from");
    ClearDetail();
    // The talker asserted EOI with the last byte: the message is complete.
    if (status & kEnd) return VI_SUCCESS;
    // The buffer filled first; the rest of the message waits on the instrument.
    if (received >= static_cast<size_t>(count)) return VI_SUCCESS_MAX_CNT;
    // The driver stopped early without END (an end-of-string byte): the message is complete.
    return VI_SUCCESS;
  }

  ViStatus Clear() override {
    const int status = api_->ibclr(ud_);
    if (status & kErr) return Failed(status, "clear");
    ClearDetail();
    return VI_SUCCESS;
  }

  ViStatus ReadStatusByte(ViUInt16& statusByte) override {
    if (!api_->ibrsp) return Fail(VI_ERROR_NSUP_OPER, "this linux-gpib library has no ibrsp");
    char polled = 0;
    const int status = api_->ibrsp(ud_, &polled);
    if (status & kErr) return Failed(status, "serial poll");
    statusByte = static_cast<unsigned char>(polled);
    ClearDetail();
    return VI_SUCCESS;
  }

  ViStatus SetTimeout(ViUInt32 milliseconds) override {
    const int status = api_->ibtmo(ud_, GpibTimeoutCode(milliseconds));
    if (status & kErr) {
      return Fail(VI_ERROR_NSUP_ATTR_STATE, "linux-gpib refused the time-out for " + descriptor_ +
                                                ": " + api_->ErrorText(api_->Error()));
    }
    timeoutMs_ = milliseconds;
    ClearDetail();
    return VI_SUCCESS;
  }

 private:
  ViStatus Failed(int status, const char* action) {
    const int error = api_->Error();
    const std::string text =
        std::string("could not ") + action + " " + descriptor_ + ": " + api_->ErrorText(error);
    if ((status & kTimo) || error == kEabo) {
      return Fail(VI_ERROR_TMO, "time-out: " + text);
    }
    if (error == kEnol) return Fail(VI_ERROR_NLISTENERS, text);
    if (error == kEdvr && api_->Count() == ENODEV) return Fail(VI_ERROR_CONN_LOST, text);
    return Fail(VI_ERROR_IO, text);
  }

  std::shared_ptr<const GpibLibrary> api_;
  int ud_;
  std::string descriptor_;
};

class GpibBackend final : public GuardedDiagnosticBackend {
 public:
  explicit GpibBackend(std::string libraryPath) : path_(std::move(libraryPath)) {
    std::string why;
    api_ = LoadGpibLibrary(path_, why);
    SetDiagnostic(std::move(why));
  }

  std::string_view Name() const override { return "GPIB"; }

  ViStatus Find(const MatchExpression& expression, std::vector<std::string>& found) override {
    if (!api_) return VI_ERROR_LIBRARY_NFOUND;
    for (int pad = kFirstPad; pad <= kLastPad; ++pad) {
      short listener = 0;
      const int status = api_->ibln(kSearchBoard, pad, kNoSecondaryAddress, &listener);
      if (status & kErr) {
        // A board that is absent or not configured answers the first probe this way; the
        // others would say the same.
        SetDiagnostic("GPIB board " + std::to_string(kSearchBoard) +
                      " cannot search for instruments: " + api_->ErrorText(api_->Error()));
        return VI_ERROR_INTF_NUM_NCONFIG;
      }
      if (!listener) continue;
      ResourceName name;
      name.interfaceType = InterfaceType::Gpib;
      name.board = kSearchBoard;
      name.primaryAddress = static_cast<unsigned>(pad);
      std::string descriptor = name.Canonical();
      if (expression.Matches(descriptor)) found.push_back(std::move(descriptor));
    }
    SetDiagnostic({});
    return VI_SUCCESS;
  }

  bool Claims(const ResourceName& name, std::string_view /*text*/) const override {
    return name.interfaceType == InterfaceType::Gpib && name.resourceClass == ResourceClass::Instr;
  }

  ViStatus Open(const ResourceName& name, std::string_view /*text*/, ViUInt32 timeoutMs,
                std::unique_ptr<Session>& session) override {
    if (!api_) return VI_ERROR_LIBRARY_NFOUND;
    const std::string descriptor = name.Canonical();
    // Secondary addresses are 0 to 30 (the resource name allows no other); on the bus they
    // are sent as 96 to 126.
    const int sad = name.secondaryAddress
                        ? kFirstSecondaryAddress + static_cast<int>(*name.secondaryAddress)
                        : kNoSecondaryAddress;
    const int board = static_cast<int>(name.board);
    const int pad = static_cast<int>(name.primaryAddress);
    const int ud = api_->ibdev(board, pad, sad, GpibTimeoutCode(timeoutMs), 1, 0);
    if (ud < 0) {
      const int error = api_->Error();
      SetDiagnostic("linux-gpib could not open " + descriptor + ": " + api_->ErrorText(error));
      return error == kEneb || error == kEdvr ? VI_ERROR_INTF_NUM_NCONFIG : VI_ERROR_RSRC_NFOUND;
    }
    // ibdev does not look at the bus; ask whether anything listens at the address, so that a
    // missing instrument is reported at once. Boards that cannot tell are taken at their word.
    short listener = 0;
    const int status = api_->ibln(ud, pad, sad, &listener);
    if (!(status & kErr) && !listener) {
      api_->ibonl(ud, 0);
      SetDiagnostic("no instrument answers at " + descriptor);
      return VI_ERROR_RSRC_NFOUND;
    }
    session = std::make_unique<GpibSession>(api_, ud, descriptor);
    session->SetTimeout(timeoutMs);
    SetDiagnostic({});
    return VI_SUCCESS;
  }

 private:
  std::string path_;
  std::shared_ptr<const GpibLibrary> api_;
};

}  // namespace

std::unique_ptr<Backend> MakeGpibBackend(const std::string& libraryPath) {
  return std::make_unique<GpibBackend>(libraryPath);
}

}  // namespace vx::visa
