#pragma once
// Writes a workbook as an .xlsx file with libxlsxwriter: cell values with their types,
// number formats, bold, vertical alignment and column widths; sheet-local defined names in
// A1 form; line charts with their series, axes, title and place.
//
// A chart series that follows a name is written as the plain block the name covers at the
// time of writing (the name stays in the file): a spreadsheet program that does not
// recalculate when it opens a file draws a name-bound series empty. Form controls are not
// written; the cells they are linked to are.

#include <string>

#include "automation/host/workbook_data.h"

namespace vx::automation::host {

// What libxlsxwriter cannot write itself, for a second pass over the written file.
struct XlsxPatch {
  // Charts whose series use a secondary value axis: the chart's number in the file (from 1)
  // and the series' positions in it (from 0).
  std::vector<std::pair<int, std::vector<int>>> secondaryAxes;
  // Defined names whose formulas are longer than libxlsxwriter takes.
  struct Name {
    std::string name;
    int localSheet = -1;  // the sheet's position, -1 for the whole workbook
    std::string formula;  // A1 notation, without "="
  };
  std::vector<Name> names;

  bool Empty() const { return secondaryAxes.empty() && names.empty(); }
};

struct XlsxResult {
  std::string error;  // empty on success
  XlsxPatch patch;
  // What of the workbook the file could not hold (a chart whose series covers no cells), in
  // words; the file holds the rest.
  std::vector<std::string> omissions;
};

// Writes `book` to `path` (which must not be the final name: see SaveWorkbook).
XlsxResult WriteXlsx(const WorkbookData& book, const std::string& path);

// Applies the second pass to the .xlsx file at `path`. Empty on success.
std::string ApplyXlsxPatch(const std::string& path, const XlsxPatch& patch);

}  // namespace vx::automation::host
