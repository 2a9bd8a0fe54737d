#pragma once
// The automation objects of the in-memory host: thin views on HostData and WorkbookData,
// each holding what it views, so an object stays valid as long as the caller holds it.

#include <memory>
#include <string>

#include "automation/charts.h"
#include "automation/command_bars.h"
#include "automation/host/host_data.h"
#include "automation/host/workbook_data.h"
#include "automation/spreadsheet.h"

namespace vx::automation::host {

using HostPtr = std::shared_ptr<HostData>;
using BookPtr = std::shared_ptr<WorkbookData>;
using SheetPtr = std::shared_ptr<SheetData>;

WorkbooksPtr MakeWorkbooks(HostPtr host);
WorkbookPtr MakeWorkbook(HostPtr host, BookPtr book);
WorksheetPtr MakeWorksheet(HostPtr host, BookPtr book, SheetPtr sheet);
RangePtr MakeRange(HostPtr host, BookPtr book, SheetPtr sheet, CellBlock block);
NamesPtr MakeNames(HostPtr host, BookPtr book, SheetPtr sheet);  // sheet null: the workbook's
ShapesPtr MakeShapes(BookPtr book, SheetPtr sheet);
ChartsPtr MakeCharts(HostPtr host, BookPtr book);
ChartPtr MakeChart(HostPtr host, BookPtr book, std::shared_ptr<ChartData> chart);
CommandBarsPtr MakeCommandBars(HostPtr host);
AddInsPtr MakeAddIns(HostPtr host);
DocumentsPtr MakeDocuments(HostPtr host);

// The host's refusal of a call, in its own words.
AutomationError HostError(std::string description);
AutomationError BadIndex(const std::string& collection, const std::string& index);
// The sheet's position in its workbook, -1 when it is not there.
int SheetPosition(const WorkbookData& book, const SheetData& sheet);

// Writes the workbook as .xlsx at `path` (through a temporary file and a rename).
Status WriteWorkbookFile(const WorkbookData& book, const std::string& path);
// As WriteWorkbookFile, and the workbook's FullName becomes `path`.
Status SaveWorkbook(WorkbookData& book, const std::string& path);
// Writes a snapshot of the workbook on another thread.
PendingSavePtr SaveCopyInBackground(const WorkbookData& book, const std::string& path);

}  // namespace vx::automation::host
