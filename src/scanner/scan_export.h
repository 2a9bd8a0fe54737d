#pragma once
// The export of the results grid into a new workbook of the spreadsheet program, through its
// automation object model only, a block per call (over a running spreadsheet program each
// call is a round trip):
//   1. the automation layer (the object registry) is read;
//   2. "Excel.Application" is created through it;
//   3. a new workbook is added and its first sheet taken;
//   4-5. the header row (grid row 0, columns 1 on: "Time" and the channel headings) goes to
//        row 1 from column "A" as one block, made bold and vertically centred as one range;
//   6. grid row r goes to spreadsheet row r + 1, column c to the letter 64 + c, every cell
//      set as text so that the program types it (numbers become numbers, "OVLD" stays text,
//      "14:3:27" becomes a time of day), the data rows in one call as one block;
//   7. the columns from "A" to the last header cell are fitted to their header and data;
//   then either the program is made visible and given to the user (the in-memory host saves
//   the workbook in the documents folder and opens it in the desktop's spreadsheet program;
//   LibreOffice Calc shows it as a new document), or (vxscan) the workbook is saved under a
//   given path (vxscan shows it in LibreOffice Calc when the run is over: ShowWorkbook).
// Grid column 0, the row numbers, is not exported.

#include <string>

#include "automation/spreadsheet.h"
#include "common/local_time.h"
#include "common/prompt.h"
#include "scanner/results_grid.h"

namespace vx::scanner {

inline constexpr const char* kAutomationUnavailable = "Could not initialize Excel COM dll";
inline constexpr const char* kHostNotStarted = "Couldn't start Excel.";

struct ExportTarget {
  enum class Kind {
    HandOver,  // visible and under user control: saved in the documents folder as `name`
    SaveAs,    // saved at the path `name`
  };
  Kind kind = Kind::HandOver;
  std::string name;
};

struct ExportResult {
  enum class Outcome { Exported, AutomationUnavailable, HostNotStarted, CallFailed, SaveFailed };
  Outcome outcome = Outcome::Exported;
  std::string path;       // the saved workbook; "" for one open, unsaved, in the program
  std::string detail;     // the host's words for a failure
  std::string host = {};  // the spreadsheet program, as it names itself

  // Where the results went: the file, else the program that holds them.
  std::string Where() const { return path.empty() ? host : path; }

  bool Ok() const { return outcome == Outcome::Exported; }
};

// The name a hand-over proposes for the workbook: the date and time of the results,
// "Scan 2026-12-06 22-45-07".
std::string ExportTitle(const LocalDateTime& resultsTime);

// The spreadsheet column letter of grid column `column` (1 gives "A", 21 "U").
std::string ColumnLetter(int column);

ExportResult ExportResults(const ResultsGrid& grid, const ExportTarget& target);

// Steps 4 to 7 into `sheet`: the header, the data, the columns fitted. Nothing for a grid
// without a channel column.
automation::Status WriteResults(automation::Worksheet& sheet, const ResultsGrid& grid);

// Opens a saved workbook in the spreadsheet program, in front of the user, where that is a
// program of the desktop (LibreOffice Calc); the in-memory host has nothing to show.
ExportResult ShowWorkbook(const std::string& path);

// What a failed export tells the user.
MessageRequest ExportFailureMessage(const ExportResult& result);

}  // namespace vx::scanner
