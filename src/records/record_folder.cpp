#include "records/record_folder.h"

#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "common/c_number.h"

namespace vx::records {
namespace {

Result<std::string> CurrentFolder() {
  char buffer[PATH_MAX];
  if (!getcwd(buffer, sizeof buffer))
    return Status::Failure(StoreError::FolderNotFound, kFolderNotFoundMessage);
  return std::string(buffer);
}

Result<std::string> FolderFromCurrent() {
  Result<std::string> current = CurrentFolder();
  if (!current.Ok()) return current;
  std::string folder = RecordFolderFor(current.Value());
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error))
    return Status::Failure(StoreError::FolderNotFound, kFolderNotFoundMessage);
  return folder;
}

}  // namespace

std::string RecordFolderFor(std::string_view currentFolder) {
  if (currentFolder.find("DB") != std::string_view::npos) return std::string(currentFolder);
  std::string folder(currentFolder);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + "DB";
}

Result<std::string> EnterRecordFolder() {
  Result<std::string> folder = FolderFromCurrent();
  if (!folder.Ok()) return folder;
  if (chdir(folder.Value().c_str()) != 0)
    return Status::Failure(StoreError::FolderNotFound, kFolderNotFoundMessage);
  return folder;
}

Result<std::string> FindRecordFolder() {
  return FolderFromCurrent();
}

std::string RecordFileName(int record) {
  return FormatC("DBfile_DB%d.db", record);
}

std::string RecordFilePath(std::string_view folder, int record) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  return path + RecordFileName(record);
}

}  // namespace vx::records
