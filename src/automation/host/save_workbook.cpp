// Saving a workbook: written beside its final name and renamed over it, so that a failed or
// interrupted save never leaves a damaged file where a good one was.
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "automation/host/memory_objects.h"
#include "automation/host/xlsx_writer.h"

namespace vx::automation::host {
namespace {

AutomationError SaveError(ErrorNumber number, const std::string& path, const std::string& why) {
  return AutomationError::Make(number,
                               "The workbook cannot be saved as " + path + ": " + why + ".");
}

}  // namespace

Status WriteWorkbookFile(const WorkbookData& book, const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path target = fs::absolute(path, error);
  if (error || target.filename().empty()) {
    return SaveError(ErrorNumber::PathNotFound, path, "it is not a file name");
  }
  if (book.openedUnreadable && fs::exists(target, error) && !book.fullName.empty() &&
      fs::equivalent(target, book.fullName, error)) {
    return SaveError(ErrorNumber::PermissionDenied, path,
                     "the workbook was opened from that file, which the host cannot read, and "
                     "saving would replace its contents");
  }
  const fs::path folder = target.parent_path();
  if (!fs::is_directory(folder, error)) {
    return SaveError(ErrorNumber::PathNotFound, path,
                     "the folder " + folder.string() + " does not exist");
  }
  if (::access(folder.c_str(), W_OK) != 0) {
    return SaveError(
        ErrorNumber::PermissionDenied, path,
        "the folder " + folder.string() + " cannot be written (" + std::strerror(errno) + ")");
  }
  const fs::path temporary =
      folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) + ".tmp");
  const XlsxResult written = WriteXlsx(book, temporary.string());
  std::string failure = written.error;
  if (failure.empty() && !written.patch.Empty()) {
    failure = ApplyXlsxPatch(temporary.string(), written.patch);
  }
  if (failure.empty()) {
    fs::rename(temporary, target, error);
    if (error) failure = error.message();
  }
  if (!failure.empty()) {
    fs::remove(temporary, error);
    return SaveError(ErrorNumber::Failed, path, failure);
  }
  // The file holds what it could; what it left out makes the save a failure all the same.
  if (!written.omissions.empty()) {
    std::string left;
    for (const std::string& omission : written.omissions) {
      left += (left.empty() ? "" : ", ") + omission;
    }
    return AutomationError::Make(ErrorNumber::Failed,
                                 "The workbook was saved as " + path + " without " + left + ".");
  }
  return {};
}

Status SaveWorkbook(WorkbookData& book, const std::string& path) {
  VX_RETURN_IF_ERROR(WriteWorkbookFile(book, path));
  std::error_code error;
  book.fullName = std::filesystem::absolute(path, error).string();
  return {};
}

namespace {

// The writing thread gives way to every other thread of the program: on a busy machine the
// thread that takes the readings must not wait for a core while the file is written.
void YieldToTheOwnersThread() {
#ifdef __linux__
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
#endif
}

// The snapshot is written on a thread of its own; the thread is joined by Wait() or, at the
// latest, when the last holder lets go, so no save outlives its object.
class BackgroundSave final : public PendingSave {
 public:
  BackgroundSave(std::shared_ptr<const WorkbookData> snapshot, std::string path)
      : thread_([this, snapshot = std::move(snapshot), path = std::move(path)] {
          YieldToTheOwnersThread();
          result_ = WriteWorkbookFile(*snapshot, path);
          done_ = true;
        }) {}
  ~BackgroundSave() override {
    if (thread_.joinable()) thread_.join();
  }
  BackgroundSave(const BackgroundSave&) = delete;
  BackgroundSave& operator=(const BackgroundSave&) = delete;

  bool Done() const override { return done_; }
  Status Wait() override {
    if (thread_.joinable()) thread_.join();
    return result_;
  }

 private:
  Status result_;
  std::atomic<bool> done_{false};
  std::thread thread_;  // last: it starts once the members it writes exist
};

}  // namespace

PendingSavePtr SaveCopyInBackground(const WorkbookData& book, const std::string& path) {
  return std::make_shared<BackgroundSave>(book.Snapshot(), path);
}

}  // namespace vx::automation::host
