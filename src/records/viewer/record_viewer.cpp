#include "records/viewer/record_viewer.h"

#include <filesystem>
#include <system_error>

#include "common/c_number.h"
#include "common/captions.h"
#include "records/export/csv_writer.h"
#include "records/record_file.h"
#include "records/record_folder.h"
#include "records/record_reader.h"
#include "records/record_slots.h"
#include "records/viewer/filter_field.h"
#include "records/viewer/record_pages.h"

namespace vx::records {
namespace {

constexpr const char* kFolderCaption = "RecordView Database folder check";
constexpr const char* kCsvFilter = "CSV Files(*.CSV)|*.CSV||";

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

}  // namespace

std::string ViewerCsvPath(std::string_view chosen) {
  return std::string(chosen) + ".csv";
}

RecordViewer::RecordViewer(Prompter& prompter) : prompter_(prompter) {
  Result<std::string> folder = FindRecordFolder();
  if (folder.Ok()) folder_ = folder.Value();
  Refresh();
}

void RecordViewer::Refresh() {
  labels_.clear();
  problems_.clear();
  selected_ = -1;
  if (!folder_ || !IsFolder(*folder_)) {
    prompter_.Message(kFolderNotFoundMessage, kFolderCaption, MessageIcon::Exclamation);
    return;
  }
  for (const RecordSlot& slot : ListRecordSlots(*folder_)) {
    if (std::optional<std::string> label = RecordLabel(slot, ListForm::Viewer)) {
      labels_.push_back(std::move(*label));
      problems_.push_back(slot.status);
    }
  }
}

bool RecordViewer::SelectedReadable() const {
  return selected_ >= 0 && selected_ < static_cast<int>(problems_.size()) &&
         problems_[static_cast<size_t>(selected_)].Ok();
}

void RecordViewer::ShowNothing() {
  figures_ = RecordFigures{"0", "0", "0", "0"};
  pages_.clear();
  page_ = -1;
  rows_ = GridRows{};
}

int RecordViewer::SelectedRecord() const {
  if (selected_ < 0 || selected_ >= static_cast<int>(labels_.size())) return 0;
  return RecordNumberFromLabel(labels_[static_cast<size_t>(selected_)]);
}

void RecordViewer::ShowFailure(const std::string& message) {
  prompter_.Message(message, "Error", MessageIcon::Stop);
}

void RecordViewer::Select(int line) {
  selected_ = line >= 0 && line < static_cast<int>(labels_.size()) ? line : -1;
  if (selected_ < 0 || !folder_) return;
  if (!SelectedReadable()) {
    ShowNothing();
    ShowFailure(problems_[static_cast<size_t>(selected_)].message);
    return;
  }
  Result<RecordReader> reader = RecordReader::Open(*folder_, SelectedRecord());
  if (!reader.Ok()) {
    ShowFailure(reader.GetStatus().message);
    return;
  }
  Result<RecordStatistics> statistics = reader->Statistics();
  if (!statistics.Ok()) {
    ShowFailure(statistics.GetStatus().message);
    return;
  }
  figures_ = FiguresOf(statistics.Value());
  pages_ = PageEntries(statistics->count);
  LoadPage(reader.Value(), 0);
}

void RecordViewer::ShowPage(int page) {
  if (page < 0 || page >= static_cast<int>(pages_.size()) || !SelectedReadable() || !folder_)
    return;
  Result<RecordReader> reader = RecordReader::Open(*folder_, SelectedRecord());
  if (!reader.Ok()) {
    ShowFailure(reader.GetStatus().message);
    return;
  }
  LoadPage(reader.Value(), page);
}

bool RecordViewer::LoadPage(RecordReader& reader, int page) {
  Result<std::vector<Reading>> readings = reader.Readings(PageStart(page), kPageRows);
  if (!readings.Ok()) {
    ShowFailure(readings.GetStatus().message);
    return false;
  }
  page_ = page;
  rows_ = GridRows{std::move(readings.Value()), true};
  return true;
}

RecordViewer::FilterFields RecordViewer::Search(const FilterFields& fields) {
  if (!bounds_.Admit()) {
    prompter_.Message(kReenterMessage, "", MessageIcon::Exclamation);
    return fields;
  }
  bounds_.Take(fields.lower, fields.upper);
  if (fields.lower.empty() || fields.upper.empty()) {
    prompter_.Message(Caption("1022", "Please input a valid value."), "", MessageIcon::Exclamation);
    return fields;
  }
  const double lower = LeadingNumber(fields.lower);
  const double upper = LeadingNumber(fields.upper);
  const FilterFields shown{FormatC("%f", lower), FormatC("%f", upper)};
  if (SelectedRecord() == 0 || !folder_) return shown;
  Result<RecordReader> reader = RecordReader::Open(*folder_, SelectedRecord());
  if (!reader.Ok()) {
    ShowFailure(reader.GetStatus().message);
    return shown;
  }
  Result<std::vector<Reading>> kept = reader->Filter(lower, upper, kPageRows);
  if (!kept.Ok()) {
    ShowFailure(kept.GetStatus().message);
    return shown;
  }
  rows_ = GridRows{std::move(kept.Value()), false};
  // A full grid may not be all there is: the user narrows the range to see the rest.
  if (static_cast<long long>(rows_.readings.size()) >= kPageRows)
    prompter_.Message(Caption("1023", "Please narrow the searching range."), "",
                      MessageIcon::Exclamation);
  return shown;
}

RecordViewer::FilterFields RecordViewer::EnterInLower(const FilterFields& fields) {
  bounds_.Take(fields.lower, fields.upper);
  return FilterFields{FormatC("%f", LeadingNumber(fields.lower)), fields.upper};
}

std::optional<std::string> RecordViewer::CheckField(std::string_view text) {
  const FieldCheck check = CheckFilterField(text);
  switch (check.problem) {
    case FieldCheck::Problem::None:
      return std::nullopt;
    case FieldCheck::Problem::BadCharacter:
      prompter_.Message(kBadCharacterMessage, "", MessageIcon::Exclamation);
      break;
    case FieldCheck::Problem::RepeatedMark:
      prompter_.Message(kRepeatedMarkMessage, kRepeatedMarkTitle, MessageIcon::Exclamation);
      break;
  }
  return check.replacement;
}

void RecordViewer::DeleteSelected() {
  const int record = SelectedRecord();
  if (record == 0 || !folder_) return;
  if (prompter_.Message(Caption("1021", "Are you sure you want to delete this record?"), "",
                        MessageIcon::Information, MessageButtons::YesNo) != MessageAnswer::Yes)
    return;
  const Status deleted = DeleteRecordFile(*folder_, record);
  // A file that is already gone is as good as deleted; one in use stays, and listed.
  if (!deleted.Ok() && deleted.error != StoreError::Missing) {
    ShowFailure(deleted.message);
    return;
  }
  labels_.erase(labels_.begin() + selected_);
  problems_.erase(problems_.begin() + selected_);
  selected_ = -1;
}

void RecordViewer::ExportSelected() {
  const int record = SelectedRecord();
  if (record == 0 || !SelectedReadable() || !folder_) return;
  SaveFileRequest request;
  request.filter = kCsvFilter;
  request.overwritePrompt = false;
  const std::optional<std::string> chosen = prompter_.SaveFileName(request);
  if (!chosen) return;
  const CsvResult result = WriteRecordCsv(*folder_, record, labels_[static_cast<size_t>(selected_)],
                                          ViewerCsvPath(*chosen));
  switch (result.outcome) {
    case CsvResult::Outcome::Written:
      prompter_.Message("Output to CSV completed.", "", MessageIcon::Information);
      break;
    case CsvResult::Outcome::NoReadings:
      prompter_.Message(Caption("1020", "No data in file"), "", MessageIcon::Exclamation);
      break;
    case CsvResult::Outcome::RecordMissing:
      prompter_.Message(result.detail, "", MessageIcon::Exclamation);
      break;
    case CsvResult::Outcome::OutputFailed:
      prompter_.Message("Save As Error.", "Error", MessageIcon::Stop);
      break;
    case CsvResult::Outcome::RecordFailed:
      ShowFailure(result.detail);
      break;
  }
}

}  // namespace vx::records
