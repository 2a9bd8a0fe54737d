#include "records/record_slots.h"

#include <unistd.h>

#include "common/c_number.h"
#include "common/local_time.h"
#include "records/record_folder.h"
#include "records/record_reader.h"

namespace vx::records {
namespace {

constexpr std::string_view kRecordPrefix = "Record ";

RecordSlot ReadSlot(std::string_view folder, int record) {
  RecordSlot slot;
  slot.record = record;
  slot.fileExists = access(RecordFilePath(folder, record).c_str(), F_OK) == 0;
  if (!slot.fileExists) return slot;
  Result<RecordReader> reader = RecordReader::Open(folder, record);
  if (!reader.Ok()) {
    slot.status = reader.GetStatus();
    // Deleted between the two looks: an empty slot, not a failure.
    if (slot.status.error == StoreError::Missing) {
      slot.fileExists = false;
      slot.status = Status::Success();
    }
    return slot;
  }
  Result<std::optional<double>> stamp = reader->Stamp();
  if (stamp.Ok())
    slot.stamp = stamp.Value();
  else
    slot.status = stamp.GetStatus();
  return slot;
}

}  // namespace

RecordSlots ListRecordSlots(std::string_view folder) {
  RecordSlots slots;
  for (int record = kFirstRecord; record <= kLastRecord; ++record)
    slots[static_cast<size_t>(record - kFirstRecord)] = ReadSlot(folder, record);
  return slots;
}

Result<RecordSlots> ListRecordSlots() {
  Result<std::string> folder = EnterRecordFolder();
  if (!folder.Ok()) return folder.GetStatus();
  return ListRecordSlots(folder.Value());
}

std::string FormatStamp(double oleDate) {
  return FormatLocal(FromOleDate(oleDate), "%y / %m / %d -- %H : %M : %S");
}

std::string UnreadableReason(const Status& status) {
  switch (status.error) {
    case StoreError::NotARecordFile:
      return "not a record file";
    case StoreError::Damaged:
      return "damaged";
    case StoreError::Locked:
      return "locked by another program";
    case StoreError::ReadOnly:
      return "no permission";
    default:
      return "engine error";
  }
}

bool Unreadable(const RecordSlot& slot) {
  return slot.fileExists && !slot.status.Ok();
}

std::optional<std::string> RecordLabel(const RecordSlot& slot, ListForm form) {
  const char* name = form == ListForm::MultipleReadings ? "DBSfile" : "Record";
  if (slot.stamp)
    return FormatC("%s %d            ( %s )", name, slot.record, FormatStamp(*slot.stamp).c_str());
  if (form != ListForm::Viewer) return FormatC("%s %d", name, slot.record);
  // A file that cannot be read takes the stamp's place with the reason: the user learns of
  // it and can delete it.
  if (Unreadable(slot))
    return FormatC("Record %d            ( cannot be read: %s )", slot.record,
                   UnreadableReason(slot.status).c_str());
  return std::nullopt;
}

int RecordNumberFromLabel(std::string_view label) {
  if (label.substr(0, kRecordPrefix.size()) != kRecordPrefix) return 0;
  const std::string_view digits = label.substr(kRecordPrefix.size(), 2);
  const long number = LeadingInteger(digits);
  return IsRecordNumber(static_cast<int>(number)) ? static_cast<int>(number) : 0;
}

}  // namespace vx::records
