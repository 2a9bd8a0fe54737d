#include "linkhost/logging_workbook.h"

#include <filesystem>

#include "addin/engine_settings.h"
#include "automation/command_bars.h"
#include "common/c_number.h"
#include "common/program_paths.h"

namespace vx::linkhost {
namespace {

using namespace automation;

constexpr int kToolbarControls = 9;

Status SetText(const WorksheetPtr& sheet, const char* cell, const std::string& text) {
  VX_ASSIGN_OR_RETURN(RangePtr range, sheet->Range(cell));
  return range->SetValue(Value{text});
}

Status Header(const WorksheetPtr& sheet, const char* cell, const std::string& text) {
  VX_ASSIGN_OR_RETURN(RangePtr range, sheet->Range(cell));
  VX_RETURN_IF_ERROR(range->SetValue(Value{text}));
  VX_ASSIGN_OR_RETURN(FontPtr font, range->Font());
  return font->SetBold(true);
}

}  // namespace

Result<LoggingWorkbook> BuildLoggingWorkbook(const ApplicationPtr& host,
                                             const CaptionLookup& caption, int points,
                                             bool secondReading) {
  VX_ASSIGN_OR_RETURN(WorkbooksPtr books, host->Workbooks());
  VX_ASSIGN_OR_RETURN(WorkbookPtr book, books->Add());
  VX_ASSIGN_OR_RETURN(SheetsPtr sheets, book->Sheets());
  VX_ASSIGN_OR_RETURN(WorksheetPtr sheet, sheets->Item(1));
  VX_RETURN_IF_ERROR(Header(sheet, "A1", caption("Time")));
  VX_RETURN_IF_ERROR(Header(sheet, "B1", caption("Reading")));
  if (secondReading) VX_RETURN_IF_ERROR(WriteSecondHeader(sheet, caption));
  VX_RETURN_IF_ERROR(SetText(sheet, "E1", caption("BeginTime")));
  VX_RETURN_IF_ERROR(SetText(sheet, "E3", caption("StopTime")));
  VX_RETURN_IF_ERROR(SetText(sheet, "E4", caption("Count")));
  VX_RETURN_IF_ERROR(SetText(sheet, "E6", caption("ChartCount")));
  VX_RETURN_IF_ERROR(SetText(sheet, "E8", caption("Points")));
  VX_ASSIGN_OR_RETURN(RangePtr pointsCell, sheet->Range("F8"));
  VX_RETURN_IF_ERROR(pointsCell->SetValue(Value{static_cast<double>(points)}));
  // The scroll bars sit beside the counters: the first scrolls the chart over the readings,
  // the second sets how many a strip chart shows.
  VX_ASSIGN_OR_RETURN(ShapesPtr shapes, sheet->Shapes());
  VX_ASSIGN_OR_RETURN(RangePtr row6, sheet->Rows(6));
  VX_ASSIGN_OR_RETURN(RangePtr row8, sheet->Rows(8));
  VX_ASSIGN_OR_RETURN(RangePtr columnG, sheet->Columns(7));
  VX_ASSIGN_OR_RETURN(double left, columnG->Left());
  VX_ASSIGN_OR_RETURN(double top6, row6->Top());
  VX_ASSIGN_OR_RETURN(double top8, row8->Top());
  VX_RETURN_IF_ERROR(StatusOf(shapes->AddFormControl(xlScrollBar, left, top6, 120, 15)));
  VX_RETURN_IF_ERROR(StatusOf(shapes->AddFormControl(xlScrollBar, left, top8, 120, 15)));
  return LoggingWorkbook{book, sheet};
}

Status WriteSecondHeader(const WorksheetPtr& sheet, const CaptionLookup& caption) {
  return Header(sheet, "C1", caption("Reading2"));
}

bool AddInInstalled(const ApplicationPtr& host) {
  auto addIns = host->AddIns();
  if (!addIns) return false;
  auto count = (*addIns)->Count();
  for (int i = 1; count && i <= *count; ++i) {
    auto addIn = (*addIns)->Item(i);
    if (!addIn) continue;
    auto name = (*addIn)->Name();
    auto installed = (*addIn)->Installed();
    if (name && installed && *installed && ToUpperAscii(*name) == kAddInFile) return true;
  }
  return false;
}

Status EnsureToolbar(const ApplicationPtr& host) {
  VX_ASSIGN_OR_RETURN(CommandBarsPtr bars, host->CommandBars());
  CommandBarPtr bar;
  if (auto found = bars->Item(kToolbarName)) {
    bar = *found;
  } else {
    VX_ASSIGN_OR_RETURN(bar, bars->Add(kToolbarName, !AddInInstalled(host)));
  }
  VX_ASSIGN_OR_RETURN(CommandBarControlsPtr controls, bar->Controls());
  VX_ASSIGN_OR_RETURN(int count, controls->Count());
  for (; count < kToolbarControls; ++count) {
    VX_ASSIGN_OR_RETURN(CommandBarControlPtr control, controls->Add(msoControlButton));
    static constexpr const char* kCaptions[kToolbarControls] = {
        "About", "Connect", "Files", "Functions", "Measure", "Chart", "Start", "Pause", "Stop"};
    VX_RETURN_IF_ERROR(control->SetCaption(kCaptions[count]));
  }
  return bar->SetVisible(true);
}

Status FitColumns(const WorksheetPtr& sheet) {
  VX_ASSIGN_OR_RETURN(RangePtr columns, sheet->Range("A1", "F1"));
  VX_ASSIGN_OR_RETURN(RangePtr entire, columns->EntireColumn());
  return entire->AutoFit();
}

std::string EnsureEngineSettingsFile() {
  std::string folder;
  if (addin::SharedDocumentsFolder(folder) != addin::FolderLookup::Found) {
    return "the shared documents folder (VX_SHARED_DOCS) is not a folder that can be used";
  }
  std::string relative = addin::kSettingsRelativePath;
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  const std::filesystem::path target = folder + relative;
  std::error_code error;
  if (std::filesystem::is_regular_file(target, error)) return {};
  const std::filesystem::path source = InstalledShareFolder() + "/addin/VX_TOOL.ini";
  std::filesystem::create_directories(target.parent_path(), error);
  std::filesystem::copy_file(source, target, error);
  if (error) {
    return "the engine's settings file cannot be copied from " + source.string() + " to " +
           target.string() + ": " + error.message();
  }
  return {};
}

}  // namespace vx::linkhost
