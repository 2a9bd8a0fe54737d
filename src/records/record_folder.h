#pragma once
// Where record files live and what they are called.
//
// The record folder is derived from the process's current folder at every use: a current
// folder whose path contains "DB" (case-sensitive) is the record folder itself, any other
// has it as its "DB" subfolder. Entering the folder makes it current, so every later use
// finds "DB" in the path and stays. The folder is never created: it is provided with the
// installation, and a missing one is reported rather than silently made somewhere else.

#include <string>
#include <string_view>

#include "records/store_status.h"

namespace vx::records {

// The record folder that the rule gives for `currentFolder` (no trailing separator).
std::string RecordFolderFor(std::string_view currentFolder);

// Applies the rule to the process's current folder and makes the result current.
// Fails with StoreError::FolderNotFound and kFolderNotFoundMessage when it cannot.
Result<std::string> EnterRecordFolder();

// Applies the rule without changing the current folder; fails the same way when the folder
// is not there. For windows that fix the folder once when they open.
Result<std::string> FindRecordFolder();

// "DBfile_DB7.db" for record 7.
std::string RecordFileName(int record);
// The record file's path in `folder` (an empty folder means the current folder).
std::string RecordFilePath(std::string_view folder, int record);

}  // namespace vx::records
