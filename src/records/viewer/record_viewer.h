#pragma once
// The record viewer's logic, free of widgets: the record list, the figures and pages of the
// chosen record, the filter, deletion and the CSV output. The dialog shows what this holds
// and forwards the user's actions; every message goes through the Prompter.
//
// The record folder is found once, when the viewer opens, by the program's rule and without
// changing the current folder. Each action opens the record file, reads and closes it again,
// so a running writer keeps appending meanwhile and the viewer sees what it has saved.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/prompt.h"
#include "records/export/reading_text.h"
#include "records/record_format.h"
#include "records/store_status.h"
#include "records/viewer/filter_bounds.h"

namespace vx::records {

// The rows the grid shows: a page of the record or the readings a filter kept.
struct GridRows {
  std::vector<Reading> readings;
  // Pages show the overload marker as "OVLD"; filter results show it as the number it is.
  bool overloadAsText = true;
};

// The file the CSV output goes to when the user chose `chosen` in the save dialog: ".csv" is
// always appended, so "day1" gives day1.csv and "day1.csv" gives day1.csv.csv, in the folder
// the dialog ended in.
std::string ViewerCsvPath(std::string_view chosen);

class RecordViewer {
 public:
  struct FilterFields {
    std::string lower;
    std::string upper;
  };

  explicit RecordViewer(Prompter& prompter);

  // The record list: one line per record file with a start stamp, and one per file that
  // cannot be read, with the reason.
  const std::vector<std::string>& Labels() const { return labels_; }
  // The chosen line, -1 when none.
  int Selected() const { return selected_; }
  // Whether the chosen line is a record that can be read (figures, pages, filter, CSV);
  // one that cannot be read can only be deleted.
  bool SelectedReadable() const;
  // Lists the records again; no line is chosen afterwards.
  void Refresh();
  // Chooses line `line`: its figures, its range list and its first page; for a record that
  // cannot be read, the reason, and nothing of another record stays on show.
  void Select(int line);
  // Shows page `page` (from 0) of the chosen record.
  void ShowPage(int page);

  // "0" for each figure until a record is chosen.
  const RecordFigures& Figures() const { return figures_; }
  const std::vector<std::string>& Pages() const { return pages_; }
  int Page() const { return page_; }
  const GridRows& Rows() const { return rows_; }

  // The "Search" button (and Enter in the upper field): returns what the fields show
  // afterwards (both rewritten as "%f" once taken as numbers).
  FilterFields Search(const FilterFields& fields);
  // Enter in the lower field: takes both fields and returns them with the lower rewritten.
  FilterFields EnterInLower(const FilterFields& fields);
  // The check of a filter field after each change: the text to put in its place, or none
  // when the text is acceptable.
  std::optional<std::string> CheckField(std::string_view text);

  // "Delete Record": asks, then deletes the chosen record's file and removes its line.
  void DeleteSelected();
  // "Output to CSV": asks for a file name and writes the chosen record to it.
  void ExportSelected();

 private:
  int SelectedRecord() const;
  void ShowFailure(const std::string& message);
  bool LoadPage(RecordReader& reader, int page);
  void ShowNothing();

  Prompter& prompter_;
  std::optional<std::string> folder_;
  std::vector<std::string> labels_;
  // Per line, why its record cannot be read; success for a readable one.
  std::vector<Status> problems_;
  int selected_ = -1;
  RecordFigures figures_{"0", "0", "0", "0"};
  std::vector<std::string> pages_;
  int page_ = -1;
  GridRows rows_;
  FilterBounds bounds_;
};

}  // namespace vx::records
