#pragma once
// Reads what a LibreOffice holds, over a UNO bridge of its own, for tests that check what the
// system put there: a workbook found by its title (or the path it was saved to), its cells as Calc
// holds them, its charts with the ranges they draw, its scroll bars with their bound cells, and
// Calc's toolbars.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vx::test {

struct ProbedCell {
  enum class Kind { Empty, Number, Text, Formula };
  Kind kind = Kind::Empty;
  double number = 0;
  std::string text;
  std::string format;  // the number format code ("General" for General)
  bool bold = false;
  bool dateFormat = false;  // the format shows a date or a time
};

struct ProbedChart {
  std::string name;
  std::vector<std::string> ranges;        // "Sheet1.B1:B1", "Sheet1.B22:B31"
  std::vector<std::string> seriesValues;  // each series' values range, "$Sheet1.$B$22:$B$31"
  std::vector<std::string> seriesLabels;  // each series' label cell, "$Sheet1.$B$1"
  std::vector<std::string> seriesRoles;   // each series' values role, "values-y"
  std::vector<std::vector<double>> seriesNumbers;  // the numbers each series draws
  int left = 0;                 // the chart's left edge on its sheet, in 1/100 mm
  std::vector<int> seriesAxes;  // 0 primary, 1 secondary
  std::string title;
  bool hasMainTitle = false;
};

struct ProbedScrollBar {
  std::string name;
  int value = 0;
  int min = 0;
  int max = 0;
  std::string boundCell;  // "F6"; "" when not bound
  int left = 0;           // 1/100 mm from the sheet's left edge
};

struct ProbedToolbar {
  std::string url;
  std::vector<std::string> commands;
  std::vector<std::string> labels;
  std::vector<bool> visible;
};

// A toolbar button's state as the window's dispatch of its command last reported it.
struct ProbedButton {
  bool heard = false;
  bool enabled = false;
  bool visible = true;
  int events = 0;
};

class OfficeProbe {
 public:
  explicit OfficeProbe(const std::string& pipeName);
  ~OfficeProbe();
  OfficeProbe(const OfficeProbe&) = delete;
  OfficeProbe& operator=(const OfficeProbe&) = delete;

  bool Connected() const;
  // The titles (document properties) of the spreadsheet documents open.
  std::vector<std::string> Titles();
  bool Has(const std::string& title);
  std::vector<std::string> SheetNames(const std::string& title);
  ProbedCell Cell(const std::string& title, const std::string& sheet, const std::string& a1);
  // Puts a number into the cell from outside the host, as the user typing it in Calc does.
  void SetCell(const std::string& title, const std::string& sheet, const std::string& a1,
               double number);
  // The width of the column holding `a1`, in 1/100 mm; 0 when there is no such sheet.
  int ColumnWidth(const std::string& title, const std::string& sheet, const std::string& a1);
  // Where that column begins, in 1/100 mm from the sheet's left edge.
  int ColumnLeft(const std::string& title, const std::string& sheet, const std::string& a1);
  std::vector<ProbedChart> Charts(const std::string& title, const std::string& sheet);
  std::vector<ProbedScrollBar> ScrollBars(const std::string& title, const std::string& sheet);
  // The named expression's content in Calc's syntax, local to `sheet` ("" for the workbook).
  std::optional<std::string> Name(const std::string& title, const std::string& sheet,
                                  const std::string& name);
  std::optional<ProbedToolbar> Toolbar(const std::string& uiName);
  void Close(const std::string& title);

  // Dispatches `command` to the window of the workbook `title`, as the toolbar's button does;
  // false when the window has no dispatch for it.
  bool Press(const std::string& title, const std::string& command);
  // Listens, as a toolbar button does, to the states the window's dispatch of each command
  // reports from now on; false when the window has no dispatch for one of them.
  bool Listen(const std::string& title, const std::vector<std::string>& commands);
  // The last state heard for `command`.
  ProbedButton Button(const std::string& command);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vx::test
