#include "instrument/device_table.h"

#include <algorithm>

#include "common/c_number.h"
#include "instrument/display_name.h"
#include "visa/read_message.h"

namespace vx::instrument {
namespace {

const std::string kEmpty;

bool IsQuery(std::string_view command) {
  return command.find('?', 1) != std::string_view::npos;
}

// The read buffer as a C string: an answer holding a NUL ends there.
std::string_view AsText(const unsigned char* data, size_t count) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), count);
  return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

bool IsUnreachable(ViStatus status) {
  return status == VI_ERROR_CONN_LOST || status == VI_ERROR_NLISTENERS;
}

DeviceTable::DeviceTable() {
  if (viOpenDefaultRM(&usbManager_) < VI_SUCCESS) usbManager_ = VI_NULL;
  if (viOpenDefaultRM(&gpibManager_) < VI_SUCCESS) gpibManager_ = VI_NULL;
}

DeviceTable::~DeviceTable() {
  CloseSessions();
  if (usbManager_ != VI_NULL) viClose(usbManager_);
  if (gpibManager_ != VI_NULL) viClose(gpibManager_);
}

void DeviceTable::CloseSessions() {
  for (size_t i = 0; i < resourceCount_; ++i) {
    if (sessions_[i] != VI_NULL) viClose(sessions_[i]);
    sessions_[i] = VI_NULL;
    sessionStatus_[i] = VI_SUCCESS;
  }
  for (ViFindList* list : {&usbList_, &gpibList_}) {
    if (*list != VI_NULL) viClose(*list);
    *list = VI_NULL;
  }
  resourceCount_ = 0;
  meterCount_ = 0;
  noMeterFlag_ = true;
}

ViStatus DeviceTable::Search(ViSession manager, const char* expression, ViFindList& list,
                             ViUInt32& count) {
  if (list != VI_NULL) viClose(list);
  list = VI_NULL;
  count = 0;
  if (manager == VI_NULL) return VI_ERROR_INV_OBJECT;
  return viFindRsrc(manager, expression, &list, &count, resourceText_);
}

std::vector<std::string> DeviceTable::ScanMeters(const ScanOptions& options) {
  CloseSessions();
  Search(usbManager_, "USB[0-9]?*INSTR", usbList_, usbCount_);
  Search(gpibManager_, "GPIB[0-9]?*INSTR", gpibList_, gpibCount_);
  const size_t found = static_cast<size_t>(usbCount_) + gpibCount_;
  // Beyond the table's room no further session is opened.
  const size_t limit = std::min({found, options.maxResources, kMaxSessions});

  ViFindList* current = &usbList_;
  for (size_t i = 0; i < limit; ++i) {
    if (i == usbCount_) {
      ViUInt32 ignored = 0;
      Search(gpibManager_, "GPIB[0-9]?*INSTR", gpibList_, ignored);
      current = &gpibList_;
    } else if (i == 0) {
      ViUInt32 ignored = 0;
      Search(usbManager_, "USB[0-9]?*INSTR", usbList_, ignored);
      current = &usbList_;
    }
    const ViSession manager = current == &usbList_ ? usbManager_ : gpibManager_;
    const std::string descriptor = resourceText_;
    resourceCount_ = i + 1;
    if (viOpen(manager, descriptor.c_str(), VI_NO_LOCK, 0, &sessions_[i]) < VI_SUCCESS) {
      sessions_[i] = VI_NULL;
    } else {
      viSetAttribute(sessions_[i], VI_ATTR_TMO_VALUE, options.timeoutMs);
      if (options.sendL0) SendQuery(static_cast<int>(i), "L0\n");
      const std::string identity = SendQuery(static_cast<int>(i), "*IDN?\n");
      // Beyond four meters no further meter is listed.
      if (identity.find(kMeterModel, 1) != std::string::npos && meterCount_ < kMaxMeters) {
        meterResource_[static_cast<size_t>(meterCount_)] = descriptor;
        meterIdentity_[static_cast<size_t>(meterCount_)] = identity;
        meterSlot_[static_cast<size_t>(meterCount_)] = static_cast<int>(i);
        ++meterCount_;
      }
    }
    if (*current != VI_NULL) viFindNext(*current, resourceText_);
  }
  noMeterFlag_ = meterCount_ == 0;
  return DisplayNames();
}

ViSession DeviceTable::SessionForDevice(int device, std::string_view command) const {
  const bool sessionPosition = command.find("L0") != std::string_view::npos ||
                               command.find("*IDN?") != std::string_view::npos;
  if (!sessionPosition) {
    if (device < 0 || device >= meterCount_) return VI_NULL;
    device = meterSlot_[static_cast<size_t>(device)];
  }
  if (device < 0 || static_cast<size_t>(device) >= resourceCount_) return VI_NULL;
  return sessions_[static_cast<size_t>(device)];
}

int DeviceTable::SlotOfSession(ViSession session) const {
  for (size_t i = 0; i < resourceCount_; ++i) {
    if (sessions_[i] == session) return static_cast<int>(i);
  }
  return -1;
}

void DeviceTable::Remember(ViSession session, ViStatus status) {
  const int slot = SlotOfSession(session);
  if (slot >= 0) sessionStatus_[static_cast<size_t>(slot)] = status;
}

void DeviceTable::ReadRest(ViSession session) {
  const ViStatus status =
      visa::ReadMessage(session, kLongAnswerBlock, [](std::string_view /*discarded*/) {});
  if (status < VI_SUCCESS) Remember(session, status);
}

std::string DeviceTable::SendQuery(int device, std::string_view command) {
  const ViSession session = SessionForDevice(device, command);
  if (session == VI_NULL) return {};
  const std::string line(command);
  ViStatus status = viPrintf(session, "%s", line.c_str());
  Remember(session, status);
  if (!IsQuery(command) || IsUnreachable(status)) return {};

  ViUInt32 count = 0;
  status = viRead(session, readBuffer_.data(), kShortAnswerBytes, &count);
  Remember(session, status);
  std::string answer(AsText(readBuffer_.data(), count));
  if (status == VI_SUCCESS_MAX_CNT) ReadRest(session);
  answer.erase(std::remove(answer.begin(), answer.end(), '"'), answer.end());
  answer.resize(TrimRight(answer).size());
  return answer;
}

std::string DeviceTable::SendLongQuery(int device, std::string_view command, LongAnswerForm form) {
  const ViSession session = SessionForDevice(device, command);
  if (session == VI_NULL) return {};
  const std::string line(command);
  ViStatus status = viPrintf(session, "%s", line.c_str());
  Remember(session, status);
  if (!IsQuery(command) || IsUnreachable(status)) return {};

  // Read again only while the last block filled the buffer before the end of the message:
  // an answer of exactly one block ends with success and needs no second read. The reading
  // is bounded in bytes and time (read_message.h).
  std::string answer;
  status = visa::ReadMessage(session, kLongAnswerBlock, [&answer](std::string_view block) {
    answer += block.substr(0, block.find('\0'));
  });
  Remember(session, status);
  if (form == LongAnswerForm::RemoveLineFeeds) {
    answer.erase(std::remove(answer.begin(), answer.end(), '\n'), answer.end());
  }
  answer.resize(TrimRight(answer).size());
  return answer;
}

bool DeviceTable::ConnectionChanged() const {
  for (int k = 0; k < meterCount_; ++k) {
    if (IsUnreachable(LastStatus(k))) return true;
  }
  return false;
}

const std::string& DeviceTable::MeterResource(int position) const {
  return position >= 0 && position < meterCount_ ? meterResource_[static_cast<size_t>(position)]
                                                 : kEmpty;
}

const std::string& DeviceTable::MeterIdentity(int position) const {
  return position >= 0 && position < meterCount_ ? meterIdentity_[static_cast<size_t>(position)]
                                                 : kEmpty;
}

int DeviceTable::MeterSlot(int position) const {
  return position >= 0 && position < meterCount_ ? meterSlot_[static_cast<size_t>(position)] : -1;
}

ViSession DeviceTable::MeterSession(int position) const {
  const int slot = MeterSlot(position);
  return slot < 0 ? VI_NULL : sessions_[static_cast<size_t>(slot)];
}

ViStatus DeviceTable::LastStatus(int position) const {
  const int slot = MeterSlot(position);
  return slot < 0 ? VI_SUCCESS : sessionStatus_[static_cast<size_t>(slot)];
}

std::vector<std::string> DeviceTable::DisplayNames() const {
  std::vector<std::string> names;
  for (int k = 0; k < meterCount_; ++k) {
    names.push_back(MakeDisplayName(meterResource_[static_cast<size_t>(k)],
                                    meterIdentity_[static_cast<size_t>(k)]));
  }
  return names;
}

}  // namespace vx::instrument
