// The in-memory host program, and the factories that the object registry names.
#include "automation/host/memory_application.h"

#include <filesystem>

#include "automation/host/handover.h"
#include "automation/host/memory_objects.h"
#include "common/desktop_open.h"

namespace vx::automation::host {
namespace {

AutomationError NotOfThisHost(std::string_view member, HostKind kind) {
  return AutomationError::Make(
      ErrorNumber::MemberNotFound,
      "The " +
          std::string(kind == HostKind::Spreadsheet ? "spreadsheet program" : "word processor") +
          " has no member " + std::string(member) + ".");
}

class MemoryApplication final : public Unknown, public Application {
 public:
  MemoryApplication(HostKind kind, std::string statePath, int lastRow)
      : host_(std::make_shared<HostData>(kind, std::move(statePath))) {
    host_->lastRow = lastRow;
  }

  void* QueryInterface(std::string_view id) override {
    if (id == Application::kInterfaceId) return static_cast<Application*>(this);
    return nullptr;
  }

  Result<WorkbooksPtr> Workbooks() override {
    if (!Spreadsheet()) return NotOfThisHost("Workbooks", host_->Kind());
    return MakeWorkbooks(host_);
  }
  Result<AddInsPtr> AddIns() override {
    if (!Spreadsheet()) return NotOfThisHost("AddIns", host_->Kind());
    return MakeAddIns(host_);
  }
  Result<CommandBarsPtr> CommandBars() override { return MakeCommandBars(host_); }
  Result<DocumentsPtr> Documents() override {
    if (Spreadsheet()) return NotOfThisHost("Documents", host_->Kind());
    return MakeDocuments(host_);
  }
  Result<std::string> Name() override {
    return std::string(Spreadsheet() ? "In-memory spreadsheet host" : "In-memory word processor");
  }
  Result<std::string> Version() override { return host_->version; }
  Result<bool> Visible() override { return host_->visible; }
  Status SetVisible(bool visible) override {
    host_->visible = visible;
    return HandOverIfDue();
  }
  Result<bool> UserControl() override { return host_->userControl; }
  Status SetUserControl(bool userControl) override {
    host_->userControl = userControl;
    return HandOverIfDue();
  }
  Result<std::string> StatusBar() override { return host_->statusBar; }
  Status SetStatusBar(std::string_view text) override {
    host_->statusBar = std::string(text);
    return {};
  }
  // Values are in the workbook as soon as they are written: a batch has nothing to wait for.
  Status BeginBatch() override { return {}; }
  Status EndBatch() override { return {}; }

 private:
  bool Spreadsheet() const { return host_->Kind() == HostKind::Spreadsheet; }

  // Shown and under the user's control, the program leaves its workbooks to the user: each
  // is saved in the documents folder and opened in the user's own spreadsheet program.
  Status HandOverIfDue() {
    if (!host_->visible || !host_->userControl) return {};
    for (const BookPtr& book : host_->workbooks) {
      if (book->addIn || book->handedOver || book->openedUnreadable) continue;
      const std::string path =
          !book->fullName.empty()
              ? book->fullName
              : FreePathFor(MadeDocumentsFolder(), book->title.empty() ? book->Name() : book->title,
                            ".xlsx");
      VX_RETURN_IF_ERROR(SaveWorkbook(*book, path));
      book->handedOver = true;
      OpenWithDesktop(book->fullName);
    }
    return {};
  }

  HostPtr host_;
};

}  // namespace

Unknown* NewMemoryHost(HostKind kind, std::string statePath, int lastRow) {
  return new MemoryApplication(kind, std::move(statePath), lastRow);
}

}  // namespace vx::automation::host
