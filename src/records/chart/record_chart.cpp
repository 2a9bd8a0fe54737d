#include "records/chart/record_chart.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "common/c_number.h"
#include "common/captions.h"
#include "common/measurement_tables.h"
#include "records/export/reading_text.h"
#include "records/record_folder.h"
#include "records/record_reader.h"
#include "records/record_slots.h"

namespace vx::records {
namespace {

constexpr const char* kOpeningCaption = "Database check";
constexpr const char* kDrawingCaption = "DrawRecord Database folder check";
// Readings between two progress reports, as the bar moves for all readings and for a range.
constexpr long long kAllProgressStep = 20000;
constexpr long long kRangeProgressStep = 10000;
// The marker is 10000000 wide in a space of 999999999 across the screen, 30 logical units
// high.
constexpr double kMarkerWidthShare = 5000000.0 / 999999999.0;
constexpr double kMarkerHalfHeight = 15.0;

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

int AtLeastOne(double pixels) {
  return std::max(1, static_cast<int>(std::lround(pixels)));
}

}  // namespace

RecordChart::RecordChart(Prompter& prompter)
    : prompter_(prompter),
      division_(kDefaultDivisionRow),
      factor_(DivisionTable[kDefaultDivisionRow].factor) {
  Result<std::string> folder = FindRecordFolder();
  if (!folder.Ok()) {
    prompter_.Message(kFolderNotFoundMessage, kOpeningCaption, MessageIcon::Exclamation);
    return;
  }
  folder_ = folder.Value();
  for (const RecordSlot& slot : ListRecordSlots(*folder_)) {
    if (std::optional<std::string> label = RecordLabel(slot, ListForm::Viewer)) {
      labels_.push_back(std::move(*label));
      problems_.push_back(slot.status);
    }
  }
}

std::string RecordChart::ListPrompt() const {
  return labels_.empty() ? Caption("1024", "No records were found.")
                         : Caption("1013", "Please select a record.");
}

bool RecordChart::FolderReady(const char* caption) {
  if (folder_ && IsFolder(*folder_)) return true;
  prompter_.Message(kFolderNotFoundMessage, caption, MessageIcon::Exclamation);
  return false;
}

void RecordChart::ShowStoreFailure(const std::string& message) {
  prompter_.Message(message, "ERROR", MessageIcon::Stop);
}

void RecordChart::Choose(int line) {
  if (line < 0 || line >= static_cast<int>(labels_.size()) || !FolderReady(kDrawingCaption)) return;
  chosen_ = line;
  record_ = RecordNumberFromLabel(labels_[static_cast<size_t>(line)]);
  count_ = -1;
  countText_.clear();
  if (const Status& problem = problems_[static_cast<size_t>(line)]; !problem.Ok()) {
    ShowStoreFailure(problem.message);
    return;
  }
  Result<RecordReader> reader = RecordReader::Open(*folder_, record_);
  if (!reader.Ok()) {
    ShowStoreFailure(reader.GetStatus().message);
    return;
  }
  Result<long long> count = reader->Count();
  if (!count.Ok()) {
    ShowStoreFailure(count.GetStatus().message);
    return;
  }
  count_ = count.Value();
  countText_ = FormatC("%lld", count_);
  if (count_ == 0)
    prompter_.Message(Caption("1020", "No data in file"), "", MessageIcon::Exclamation);
}

void RecordChart::SetDivision(int row) {
  if (row < 0 || row >= static_cast<int>(DivisionTable.size())) return;
  division_ = row;
  factor_ = DivisionTable[static_cast<size_t>(row)].factor;
}

std::optional<TraceColumns> RecordChart::Draw(std::string_view m, std::string_view n, int width,
                                              int height, const Progress& progress) {
  if (!CanDraw() || !FolderReady(kDrawingCaption)) return std::nullopt;
  drawn_ = false;
  DrawSpan span = AllReadings(count_);
  if (mode_ == DrawMode::Range) {
    const RangeCheck check = CheckRange(BoundNumber(m), BoundNumber(n), count_);
    if (check.problem == RangeCheck::Problem::InputError) {
      prompter_.Message(Caption("1026", "Input Data Error! Please re-enter."), "ERROR",
                        MessageIcon::Stop);
      return std::nullopt;
    }
    if (check.problem == RangeCheck::Problem::OverRange) {
      prompter_.Message(Caption("1027", "Over-range! Please re-enter."), "ERROR",
                        MessageIcon::Stop);
      return std::nullopt;
    }
    span = check.span;
  }
  Result<RecordReader> reader = RecordReader::Open(*folder_, record_);
  if (!reader.Ok()) {
    ShowStoreFailure(reader.GetStatus().message);
    return std::nullopt;
  }
  const ChartGeometry geometry(width, height, span.span);
  TraceColumns trace(geometry, factor_);
  const bool all = mode_ == DrawMode::All;
  const long long readings = count_ == 0 ? 0 : span.span + 1;
  const long long total = all ? count_ : span.span;
  const long long step = all ? kAllProgressStep : kRangeProgressStep;
  for (long long done = 0; done < readings;) {
    Result<std::vector<double>> values =
        reader->Values(span.first + done, std::min(step, readings - done));
    if (!values.Ok()) {
      ShowStoreFailure(values.GetStatus().message);
      return std::nullopt;
    }
    if (values->empty()) break;
    for (const double value : values.Value()) trace.Add(done++, value);
    if (progress) progress(std::min(done, total), total);
  }
  drawing_ = Drawing{record_, span, geometry};
  drawn_ = true;
  return trace;
}

std::optional<ChartMarker> RecordChart::MarkerAt(long long position) {
  if (!drawn_ || !drawing_ || !folder_) return std::nullopt;
  // The marker reads the record and readings of the last drawing, whatever the controls
  // show by now, so the slider never points beside what is on the screen.
  const Drawing& drawing = *drawing_;
  position = std::clamp(position, 0LL, drawing.span.span);
  Result<RecordReader> reader = RecordReader::Open(*folder_, drawing.record);
  if (!reader.Ok()) {
    ShowStoreFailure(reader.GetStatus().message);
    return std::nullopt;
  }
  Result<std::optional<StampedReading>> reading =
      reader->StampedReadingAt(drawing.span.first + position);
  if (!reading.Ok()) {
    ShowStoreFailure(reading.GetStatus().message);
    return std::nullopt;
  }
  if (!reading.Value()) return std::nullopt;
  const StampedReading& found = *reading.Value();
  const ChartGeometry& geometry = drawing.geometry;
  ChartMarker marker;
  marker.number = FormatC("%lld", drawing.span.FirstNumber() + position);
  marker.value = IsOverloadValue(found.value) ? "OVLD" : FormatC("%.15f", found.value);
  marker.stamp = FormatStamp(found.stamp);
  // On the trace's own pixel column for the reading, so the marker sits on its point.
  marker.x = geometry.Column(position);
  marker.y = geometry.Row(LogicalY(found.value, factor_, kOverloadMarkerY));
  marker.halfWidth = AtLeastOne(geometry.Width() * kMarkerWidthShare);
  marker.halfHeight = AtLeastOne(kMarkerHalfHeight * geometry.Height() / kLogicalHeight);
  return marker;
}

}  // namespace vx::records
