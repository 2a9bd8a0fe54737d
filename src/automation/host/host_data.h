#pragma once
// One in-memory host program: the spreadsheet program or the word processor. It holds the
// open workbooks (or documents), the window flags and status line, and the toolbars and
// add-ins, whose lasting part it keeps in the host state file.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/automation_error.h"
#include "automation/host/host_state.h"
#include "automation/host/workbook_data.h"

namespace vx::automation::host {

enum class HostKind { Spreadsheet, WordProcessor };

struct DocumentData {
  std::string name;
  std::string templatePath;
};

class HostData {
 public:
  HostData(HostKind kind, std::string statePath);

  HostKind Kind() const { return kind_; }
  // "Excel" or "Word": the host's part of the state file.
  std::string_view StateKey() const;

  std::vector<std::shared_ptr<WorkbookData>> workbooks;
  std::vector<std::shared_ptr<DocumentData>> documents;
  std::vector<std::shared_ptr<CommandBarData>> commandBars;
  std::vector<std::shared_ptr<AddInData>> addIns;
  bool visible = false;
  bool userControl = false;
  std::string statusBar;
  std::string version = "12.0";
  // The sheets' last row: the program's own limit, or a smaller one a test gives the host.
  int lastRow = kMaxRows;

  std::shared_ptr<WorkbookData> NewWorkbook(std::string name = {});
  int NextDocumentNumber() { return ++documentCounter_; }

  // Writes the add-ins and lasting toolbars to the state file (the spreadsheet program
  // keeps them at once; the word processor when its documents are saved).
  Status KeepLastingState();
  // The toolbar changes of a word processor wait for the documents to be saved.
  bool KeepsChangesAtOnce() const { return kind_ == HostKind::Spreadsheet; }
  Status LastingChanged();
  // Refuses a lasting change while the state file cannot be trusted.
  Status CheckLastingWritable() const;
  // The add-ins the program knows live in the state file alone: while it cannot be read they
  // cannot be counted, and the reason names the file and the line.
  Status CheckLastingReadable() const;

 private:
  void LoadLastingState();

  HostKind kind_;
  std::string statePath_;
  // Why the state file could not be read; lasting changes are refused while it is set.
  std::string stateError_;
  int workbookCounter_ = 0;
  int documentCounter_ = 0;
};

}  // namespace vx::automation::host
