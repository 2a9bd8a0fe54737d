#pragma once
// The ten record slots as the windows list them, and the labels of the three list forms.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "records/record_format.h"
#include "records/store_status.h"

namespace vx::records {

struct RecordSlot {
  int record = 0;
  bool fileExists = false;
  // The start stamp (an OLE date) when `read_date` has a row.
  std::optional<double> stamp;
  // Why a file that exists could not be read (not a record file, damaged, locked). The
  // viewer's lists show such a slot with the reason; the others list it like a file
  // without a stamp. Its message lets the window say why.
  Status status;
};

using RecordSlots = std::array<RecordSlot, kRecordCount>;

// The slots of records 1 to 10 in `folder`, in record order. A file that cannot be read
// spoils only its own slot.
RecordSlots ListRecordSlots(std::string_view folder);
// The same in the record folder, which it enters first; fails with
// StoreError::FolderNotFound and kFolderNotFoundMessage when it cannot.
Result<RecordSlots> ListRecordSlots();

// The three lists that show records.
enum class ListForm {
  Viewer,            // record viewer and record chart: only records with a stamp
  ReadingMode,       // reading mode dialog: all ten, "Record %d" without a stamp
  MultipleReadings,  // multiple readings: all ten, "DBSfile %d" without a stamp
};

// A start stamp as the lists show it: "26 / 12 / 06 -- 22 : 45 : 07".
std::string FormatStamp(double oleDate);

// The slot's line in list `form`, or none when that list leaves the slot out. Twelve spaces
// stand between the number and the parenthesis: "Record 3            ( 26 / 12 / 06 -- … )".
// In the viewer's form a file that cannot be read has the reason in place of its stamp:
// "Record 4            ( cannot be read: not a record file )".
std::optional<std::string> RecordLabel(const RecordSlot& slot, ListForm form);

// Whether the slot's file exists but could not be read.
bool Unreadable(const RecordSlot& slot);
// A few words on why a file could not be read ("not a record file", "damaged", "locked by
// another program"), for the lists.
std::string UnreadableReason(const Status& status);

// The record number of a viewer or chart line, read from the two characters after
// "Record " as the windows do ("Record 1 …" gives 1, "Record 10 …" gives 10); 0 when the
// line is not such a label.
int RecordNumberFromLabel(std::string_view label);

}  // namespace vx::records
