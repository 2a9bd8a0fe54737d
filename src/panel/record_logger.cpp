#include "panel/record_logger.h"

#include "common/c_number.h"

namespace vx::panel {

std::string ContinueQuestion(const std::string& notice) {
  return notice + " will continue saving the readings.  Continue?";
}

RecordLogger::OpenOutcome RecordLogger::Open(const config::ReadingModeSettings& settings,
                                             int readCount) {
  OpenOutcome outcome;
  bool folderReported = false;
  for (int slot = 0; slot < readCount && slot < kSlots; ++slot) {
    const size_t i = static_cast<size_t>(slot);
    sessions_[i].reset();
    if (!settings.saveFlag[i]) continue;
    const int record = settings.recordNumber[i];
    auto opened = records::OpenRecordForAppend(record, clock_);
    if (!opened.Ok()) {
      const records::Status& status = opened.GetStatus();
      if (status.error == records::StoreError::FolderNotFound) {
        // Without the folder nothing can be logged; the run still reads the meters.
        if (!folderReported) {
          outcome.problems.push_back({records::kFolderNotFoundMessage, "Database folder check"});
          folderReported = true;
        }
        continue;
      }
      outcome.problems.push_back(
          {FormatC("Record %d cannot be opened for saving the readings: ", record) + status.message,
           "Error"});
      outcome.failed = true;
      continue;
    }
    if (opened->FileExisted()) {
      if (!outcome.continueNotice.empty()) outcome.continueNotice += ",";
      outcome.continueNotice += FormatC("Record %d", record);
    }
    sessions_[i] = std::move(opened.Value());
  }
  return outcome;
}

bool RecordLogger::Logging(int slot) const {
  return slot >= 0 && slot < kSlots && sessions_[static_cast<size_t>(slot)].has_value();
}

bool RecordLogger::AnyOpen() const {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (Logging(slot)) return true;
  }
  return false;
}

records::Status RecordLogger::Append(int slot, double value) {
  if (!Logging(slot)) return records::Status::Success();
  return sessions_[static_cast<size_t>(slot)]->Append(value, clock_.LocalNow());
}

records::Status RecordLogger::CommitIfDue() {
  for (auto& session : sessions_) {
    if (!session) continue;
    records::Status status = session->CommitIfDue();
    if (!status.Ok()) return status;
  }
  return records::Status::Success();
}

RecordLogger::CloseOutcome RecordLogger::CloseAll() {
  CloseOutcome outcome;
  for (auto& session : sessions_) {
    if (!session) continue;
    records::Status status = session->Close();
    outcome.unsaved += session->LostRows();
    if (outcome.status.Ok() && !status.Ok()) outcome.status = std::move(status);
    session.reset();
  }
  return outcome;
}

}  // namespace vx::panel
