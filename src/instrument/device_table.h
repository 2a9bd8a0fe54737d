#pragma once
// The meters a window talks to: its two resource managers, the sessions its last scan
// opened, and the meters that scan listed. Every window that lists meters owns one; there
// is no registry shared between windows.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "visa/visa.h"

namespace vx::instrument {

// How a window scans: the front panel, console, multiple readings and reading mode send
// "L0" before "*IDN?" and wait 20 s for an answer; the scanner waits 30 s; the device
// settings dialog sends no "L0".
struct ScanOptions {
  bool sendL0 = true;
  ViUInt32 timeoutMs = 20000;
  // Sessions the window keeps room for (seven; the command console five).
  size_t maxResources = 7;
};

inline constexpr ScanOptions kPanelScan{true, 20000, 7};
inline constexpr ScanOptions kConsoleScan{true, 20000, 5};
inline constexpr ScanOptions kMultipleReadingsScan{true, 20000, 7};
inline constexpr ScanOptions kScannerScan{true, 30000, 7};
inline constexpr ScanOptions kReadingModeScan{true, 20000, 7};
inline constexpr ScanOptions kDeviceSettingsScan{false, 20000, 7};

// The identity text that marks a K9-90/1 meter (after at least one leading character).
inline constexpr std::string_view kMeterModel = "W9-90/1";

// After these statuses no instrument is there to answer: the connection was lost, or no
// listener is left on the GPIB bus. A read would only wait for its time-out.
bool IsUnreachable(ViStatus status);

// How a long answer is cleaned: the multiple-readings form keeps line feeds inside the
// answer, the scanner form removes them all. Both keep double quotes.
enum class LongAnswerForm { KeepLineFeeds, RemoveLineFeeds };

class DeviceTable {
 public:
  static constexpr size_t kMaxSessions = 7;
  static constexpr int kMaxMeters = 4;
  static constexpr ViUInt32 kShortAnswerBytes = 60;
  static constexpr ViUInt32 kLongAnswerBlock = 1024;

  // Opens the two resource managers (one for the USB search, one for GPIB).
  DeviceTable();
  // Closes the sessions of the last scan, then both resource managers.
  ~DeviceTable();
  DeviceTable(const DeviceTable&) = delete;
  DeviceTable& operator=(const DeviceTable&) = delete;

  // Searches USB then GPIB instruments, opens a session on each, asks each "*IDN?" and
  // lists those that answer as the meter. Returns the display names in list order.
  std::vector<std::string> ScanMeters(const ScanOptions& options);

  // Writes one command line (which carries its own line feed). For a query (a "?" after the
  // first character) reads the answer, at most 60 bytes of it, and returns it with double
  // quotes removed and trailing white space trimmed; a longer answer is read to its end (within
  // the bounds of visa::ReadMessage) and the excess discarded, so it cannot be taken for the
  // answer of the next command. After a write that found no instrument (connection lost, no
  // GPIB listener) nothing is read.
  // `device` is a list position, or a session position for "L0" and "*IDN?" (the scan talks
  // to resources before they are listed). A failed write or read gives an empty answer.
  std::string SendQuery(int device, std::string_view command);

  // As SendQuery, but reads the whole answer in blocks of 1024 bytes, at most 64 MiB and ten
  // times the session time-out of it (visa::ReadMessage), keeps double quotes and trims
  // trailing white space; `device` is a list position.
  std::string SendLongQuery(int device, std::string_view command, LongAnswerForm form);

  // True when a listed meter's connection was lost since the last scan (or, on GPIB, it no
  // longer listens).
  bool ConnectionChanged() const;

  int MeterCount() const { return meterCount_; }
  bool NoMeterFlag() const { return noMeterFlag_; }
  // Number of resources the last scan found (listed or not).
  size_t ResourceCount() const { return resourceCount_; }
  const std::string& MeterResource(int position) const;
  const std::string& MeterIdentity(int position) const;
  int MeterSlot(int position) const;
  // The session of a listed meter, VI_NULL when there is none.
  ViSession MeterSession(int position) const;
  std::vector<std::string> DisplayNames() const;
  // The status of the last write or read to a listed meter's session.
  ViStatus LastStatus(int position) const;

  // Closes the sessions the last scan opened; the listed meters are forgotten.
  void CloseSessions();

 private:
  ViSession SessionForDevice(int device, std::string_view command) const;
  int SlotOfSession(ViSession session) const;
  ViStatus Search(ViSession manager, const char* expression, ViFindList& list, ViUInt32& count);
  void ReadRest(ViSession session);
  void Remember(ViSession session, ViStatus status);

  ViSession usbManager_ = VI_NULL;
  ViSession gpibManager_ = VI_NULL;
  ViFindList usbList_ = VI_NULL;
  ViFindList gpibList_ = VI_NULL;
  ViUInt32 usbCount_ = 0;
  ViUInt32 gpibCount_ = 0;
  char resourceText_[VI_FIND_BUFLEN] = {};
  std::array<ViSession, kMaxSessions> sessions_{};
  std::array<ViStatus, kMaxSessions> sessionStatus_{};
  size_t resourceCount_ = 0;
  std::array<std::string, kMaxMeters + 1> meterResource_;
  std::array<std::string, kMaxMeters + 1> meterIdentity_;
  std::array<int, kMaxMeters> meterSlot_{};
  int meterCount_ = 0;
  bool noMeterFlag_ = true;
  std::array<unsigned char, kLongAnswerBlock> readBuffer_{};
};

}  // namespace vx::instrument
