#pragma once
// Creating and deleting whole record files. A record is removed only as a whole file;
// nothing deletes or changes single readings.

#include <string_view>

#include "records/store_status.h"

namespace vx::records {

// Creates record `record` in `folder` with its empty tables `read(read_value, read_time)` and
// `read_date(r_date)`, in write-ahead-log mode. A file already there is never touched
// (StoreError::AlreadyExists); a file that cannot be completed (a full disk) is removed again.
// Record files get no hidden or system attribute: Linux has no such attributes, and a
// leading dot would change the file's name.
Status CreateRecordFile(std::string_view folder, int record);

// Deletes record `record` in `folder` together with its journal files. Refused with
// StoreError::Locked while any connection has the file open (a running logging or
// multiple-readings run, another program): a writer would otherwise go on appending to a
// file that no longer has a name and lose everything it writes. A file that is not a
// database at all can still be deleted.
Status DeleteRecordFile(std::string_view folder, int record);

// The status of a record number outside 1 to 10, for operations that take one.
Status InvalidRecordStatus(int record);

}  // namespace vx::records
