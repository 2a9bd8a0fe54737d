#include "scanner/scan_export.h"

#include "automation/object_registry.h"
#include "automation/spreadsheet.h"

namespace vx::scanner {
namespace {

using namespace automation;

ExportResult Failure(ExportResult::Outcome outcome, const AutomationError& error) {
  return {outcome, {}, error.description};
}

// The header row as one block, made bold and vertically centred as one range.
Status WriteHeader(Worksheet& sheet, const ResultsGrid& grid) {
  std::vector<Value> header;
  for (int c = 1; c < grid.Columns(); ++c) header.emplace_back(grid.Cell(0, c));
  VX_ASSIGN_OR_RETURN(RangePtr range, sheet.Range("A1", ColumnLetter(grid.Columns() - 1) + "1"));
  VX_RETURN_IF_ERROR(range->SetValues({header}));
  VX_ASSIGN_OR_RETURN(FontPtr font, range->Font());
  VX_RETURN_IF_ERROR(font->SetBold(true));
  return range->SetVerticalAlignment(xlCenter);
}

// Fits each column to its header and its data, so that no value (a time of day, a long
// reading) shows as the program's "###".
Status FitColumns(Worksheet& sheet, const ResultsGrid& grid) {
  VX_ASSIGN_OR_RETURN(RangePtr header, sheet.Range("A1", ColumnLetter(grid.Columns() - 1) + "1"));
  VX_ASSIGN_OR_RETURN(RangePtr columns, header->EntireColumn());
  return columns->AutoFit();
}

// The data rows as one block of texts, which the program types as it types input: over a
// running spreadsheet program one call, where a call per cell would cost a round trip each.
Status WriteData(Worksheet& sheet, const ResultsGrid& grid) {
  if (grid.Rows() < 2) return {};
  ValueRows rows;
  for (int r = 1; r < grid.Rows(); ++r) {
    std::vector<Value>& row = rows.emplace_back();
    for (int c = 1; c < grid.Columns(); ++c) row.emplace_back(grid.Cell(r, c));
  }
  VX_ASSIGN_OR_RETURN(RangePtr block, sheet.Range("A2", ColumnLetter(grid.Columns() - 1) +
                                                            std::to_string(grid.Rows())));
  return block->SetValues(rows);
}

Result<WorksheetPtr> FirstSheetOfNewWorkbook(Application& host, WorkbookPtr& book) {
  VX_ASSIGN_OR_RETURN(WorkbooksPtr books, host.Workbooks());
  VX_ASSIGN_OR_RETURN(book, books->Add());
  VX_ASSIGN_OR_RETURN(SheetsPtr sheets, book->Sheets());
  return sheets->Item(1);
}

// Hands the workbook over or saves it; the path it was saved at.
ExportResult Deliver(Application& host, Workbook& book, const ExportTarget& target) {
  if (target.kind == ExportTarget::Kind::SaveAs) {
    if (Status saved = book.SaveAs(target.name); !saved) {
      return Failure(ExportResult::Outcome::SaveFailed, saved.error());
    }
  } else {
    if (Status titled = book.SetTitle(target.name); !titled) {
      return Failure(ExportResult::Outcome::CallFailed, titled.error());
    }
    if (Status shown = host.SetVisible(true); !shown) {
      return Failure(ExportResult::Outcome::SaveFailed, shown.error());
    }
    if (Status handed = host.SetUserControl(true); !handed) {
      return Failure(ExportResult::Outcome::SaveFailed, handed.error());
    }
  }
  Result<std::string> path = book.FullName();
  if (!path) return Failure(ExportResult::Outcome::CallFailed, path.error());
  Result<std::string> name = host.Name();
  return {ExportResult::Outcome::Exported, *path, {}, name ? *name : std::string()};
}

}  // namespace

Status WriteResults(Worksheet& sheet, const ResultsGrid& grid) {
  if (grid.Columns() < 2 || grid.Rows() < 1) return {};
  VX_RETURN_IF_ERROR(WriteHeader(sheet, grid));
  VX_RETURN_IF_ERROR(WriteData(sheet, grid));
  return FitColumns(sheet, grid);
}

std::string ExportTitle(const LocalDateTime& resultsTime) {
  return FormatLocal(resultsTime, "Scan %Y-%m-%d %H-%M-%S");
}

std::string ColumnLetter(int column) {
  return std::string(1, static_cast<char>('A' + column - 1));
}

ExportResult ExportResults(const ResultsGrid& grid, const ExportTarget& target) {
  // The registry stands for the platform's automation layer: when it cannot be read, no
  // automation object can be made at all.
  if (Result<RegistryEntry> entry = FindRegistryEntry("Excel.Application");
      !entry &&
      entry.error().number != static_cast<std::uint32_t>(ErrorNumber::ClassNotRegistered)) {
    return Failure(ExportResult::Outcome::AutomationUnavailable, entry.error());
  }
  Result<ApplicationPtr> host = CreateObjectAs<Application>("Excel.Application");
  if (!host) return Failure(ExportResult::Outcome::HostNotStarted, host.error());
  WorkbookPtr book;
  Result<WorksheetPtr> sheet = FirstSheetOfNewWorkbook(**host, book);
  if (!sheet) return Failure(ExportResult::Outcome::CallFailed, sheet.error());
  if (Status written = WriteResults(**sheet, grid); !written) {
    return Failure(ExportResult::Outcome::CallFailed, written.error());
  }
  return Deliver(**host, *book, target);
}

ExportResult ShowWorkbook(const std::string& path) {
  const Result<Resolution> resolution = ResolveImplementation(kSpreadsheetProgId);
  if (!resolution || resolution->progId != kCalcSpreadsheetProgId) return {};
  Result<ApplicationPtr> host = CreateObjectAs<Application>(kSpreadsheetProgId);
  if (!host) return Failure(ExportResult::Outcome::HostNotStarted, host.error());
  Result<WorkbooksPtr> books = (*host)->Workbooks();
  if (!books) return Failure(ExportResult::Outcome::CallFailed, books.error());
  if (Result<WorkbookPtr> opened = (*books)->Open(path); !opened) {
    return Failure(ExportResult::Outcome::CallFailed, opened.error());
  }
  if (Status shown = (*host)->SetVisible(true); !shown) {
    return Failure(ExportResult::Outcome::CallFailed, shown.error());
  }
  Result<std::string> name = (*host)->Name();
  return {ExportResult::Outcome::Exported, path, {}, name ? *name : std::string()};
}

MessageRequest ExportFailureMessage(const ExportResult& result) {
  const std::string detail = result.detail.empty() ? "" : "\n\n" + result.detail;
  switch (result.outcome) {
    case ExportResult::Outcome::Exported:
      break;
    case ExportResult::Outcome::AutomationUnavailable:
      return {kAutomationUnavailable + detail, "", MessageIcon::Exclamation, MessageButtons::Ok,
              std::nullopt};
    case ExportResult::Outcome::HostNotStarted:
      return {kHostNotStarted + detail, "", MessageIcon::Exclamation, MessageButtons::Ok,
              std::nullopt};
    case ExportResult::Outcome::CallFailed:
      return {"The results could not be written to the new workbook." + detail, "Error",
              MessageIcon::Stop, MessageButtons::Ok, std::nullopt};
    case ExportResult::Outcome::SaveFailed:
      return {result.detail, "Error", MessageIcon::Stop, MessageButtons::Ok, std::nullopt};
  }
  return {};
}

}  // namespace vx::scanner
