// The application and its workbooks.
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/task/XStatusIndicatorFactory.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <unistd.h>

#include <filesystem>

#include "automation/calc/calc_buttons.h"
#include "automation/calc/calc_host.h"
#include "automation/calc/calc_objects.h"
#include "common/c_number.h"

namespace vx::automation::calc {
namespace {

// The object model's generation that Calc's automation answers as: the newer one.
constexpr const char* kVersion = "12.0";

bool IsAddInFile(const std::filesystem::path& path) {
  const std::string extension = ToLowerAscii(path.extension().string());
  return extension == ".xla" || extension == ".xlam";
}

Sequence<css::beans::PropertyValue> HiddenLoad() {
  Sequence<css::beans::PropertyValue> arguments(1);
  arguments[0].Name = "Hidden";
  arguments[0].Value <<= true;
  return arguments;
}

// The spreadsheet documents open in the office, in the desktop's order.
std::vector<Reference<css::sheet::XSpreadsheetDocument>> OpenSpreadsheets(HostState& host) {
  std::vector<Reference<css::sheet::XSpreadsheetDocument>> documents;
  Reference<css::container::XEnumeration> components =
      host.office->Desktop()->getComponents()->createEnumeration();
  while (components->hasMoreElements()) {
    Reference<css::sheet::XSpreadsheetDocument> document(components->nextElement(), UNO_QUERY);
    if (document.is()) documents.push_back(document);
  }
  return documents;
}

// The host's state of a document, made for one the host did not open itself.
BookPtr BookOf(HostState& host, const Reference<css::sheet::XSpreadsheetDocument>& document) {
  for (const BookPtr& book : host.books) {
    if (book->document == document) return book;
  }
  BookPtr book = host.AddBook(As<css::lang::XComponent>(document));
  book->own = false;
  return book;
}

class CalcWorkbooks final : public Workbooks {
 public:
  explicit CalcWorkbooks(HostPtr host) : host_(std::move(host)) {}

  Result<int> Count() override {
    return Call(Office(),
                [&]() -> Result<int> { return static_cast<int>(OpenSpreadsheets(*host_).size()); });
  }
  Result<WorkbookPtr> Item(int index) override {
    return Call(Office(), [&]() -> Result<WorkbookPtr> {
      const auto documents = OpenSpreadsheets(*host_);
      if (index < 1 || index > static_cast<int>(documents.size())) {
        return NoItem("Workbooks", std::to_string(index));
      }
      return MakeWorkbook(host_, BookOf(*host_, documents[static_cast<size_t>(index - 1)]));
    });
  }
  Result<WorkbookPtr> Add() override {
    return Call(Office(), [&]() -> Result<WorkbookPtr> {
      Reference<css::frame::XComponentLoader> loader(host_->office->Desktop(), UNO_QUERY_THROW);
      const Reference<css::lang::XComponent> component =
          loader->loadComponentFromURL("private:factory/scalc", "_blank", 0, HiddenLoad());
      BookPtr book = host_->AddBook(component);
      if (host_->visible) host_->ShowDocuments(false);
      return MakeWorkbook(host_, book);
    });
  }
  // Add-in files are kept by the host, as the in-memory host keeps them, and not loaded
  // into Calc, which has no add-in workbooks.
  Result<WorkbookPtr> Open(std::string_view path) override {
    const std::filesystem::path file(path);
    std::error_code error;
    if (IsAddInFile(file) ? !AddInFileExists(path)
                          : !std::filesystem::is_regular_file(file, error)) {
      return AutomationError::Make(ErrorNumber::FileNotFound,
                                   "'" + std::string(path) +
                                       "' could not be found. Check the spelling of the file "
                                       "name, and verify that the file location is correct.");
    }
    const std::string absolute = std::filesystem::absolute(file, error).string();
    if (IsAddInFile(file)) {
      auto book = std::make_shared<BookState>();
      book->host = host_.get();
      book->addIn = true;
      book->addInName = file.filename().string();
      book->fullName = absolute;
      host_->books.push_back(book);
      return MakeWorkbook(host_, book);
    }
    return Call(Office(), [&]() -> Result<WorkbookPtr> {
      Reference<css::frame::XComponentLoader> loader(host_->office->Desktop(), UNO_QUERY_THROW);
      const Reference<css::lang::XComponent> component =
          loader->loadComponentFromURL(ToUno(FileUrlOf(absolute)), "_blank", 0, HiddenLoad());
      if (!Reference<css::sheet::XSpreadsheetDocument>(component, UNO_QUERY).is()) {
        if (Reference<css::util::XCloseable> closeable{component, UNO_QUERY}; closeable.is()) {
          closeable->close(true);
        }
        return CalcError("'" + std::string(path) + "' is not a workbook LibreOffice Calc opens.");
      }
      BookPtr book = host_->AddBook(component);
      book->fullName = absolute;
      if (host_->visible) host_->ShowDocuments(false);
      return MakeWorkbook(host_, book);
    });
  }

 private:
  OfficeConnection& Office() { return *host_->office; }
  HostPtr host_;
};

class CalcApplication final : public Unknown, public Application, public ToolbarButtons {
 public:
  explicit CalcApplication(HostPtr host) : host_(std::move(host)) {}

  void* QueryInterface(std::string_view id) override {
    if (id == Application::kInterfaceId) return static_cast<Application*>(this);
    if (id == ToolbarButtons::kInterfaceId) return static_cast<ToolbarButtons*>(this);
    return nullptr;
  }

  // The buttons of Calc's windows reach this process as commands: Calc runs no macros of
  // the add-in.
  Status AnswerButtons(Handler handler) override {
    return calc::AnswerButtons(*host_, std::move(handler));
  }
  void ReleaseButtons() override { calc::ReleaseButtons(*host_); }

  Result<WorkbooksPtr> Workbooks() override {
    return WorkbooksPtr(std::make_shared<CalcWorkbooks>(host_));
  }
  Result<AddInsPtr> AddIns() override { return MakeAddIns(host_); }
  Result<CommandBarsPtr> CommandBars() override { return MakeCommandBars(host_); }
  Result<DocumentsPtr> Documents() override {
    return AutomationError::Make(ErrorNumber::MemberNotFound,
                                 "The spreadsheet program has no member Documents.");
  }
  Result<std::string> Name() override {
    return Call(*host_->office, [&]() -> Result<std::string> {
      const Reference<css::container::XNameAccess> product =
          ConfigurationNode(host_->office->Context(), "/org.openoffice.Setup/Product");
      rtl::OUString name;
      rtl::OUString version;
      product->getByName("ooName") >>= name;
      product->getByName("ooSetupVersionAboutBox") >>= version;
      return FromUno(name) + " Calc " + FromUno(version);
    });
  }
  Result<std::string> Version() override { return std::string(kVersion); }
  Result<bool> Visible() override { return host_->visible; }
  Status SetVisible(bool visible) override {
    host_->visible = visible;
    return ShowIfDue();
  }
  Result<bool> UserControl() override { return host_->userControl; }
  Status SetUserControl(bool userControl) override {
    host_->userControl = userControl;
    return ShowIfDue();
  }
  // The row and the counters of a logging tick go to Calc side by side: each write is a
  // round trip, and written one after another they took longer than the tick may.
  Status BeginBatch() override {
    host_->office->BeginBatch();
    return {};
  }
  Status EndBatch() override { return host_->office->EndBatch(); }
  Result<std::string> StatusBar() override { return host_->statusText; }
  Status SetStatusBar(std::string_view text) override {
    if (text == host_->statusText && host_->indicator.is()) return {};
    return Call(*host_->office, [&]() -> Status {
      BookPtr book = host_->activeBook;
      if (!book || !book->document.is()) {
        host_->statusText = std::string(text);
        return {};
      }
      const Reference<css::frame::XFrame> frame = book->model->getCurrentController()->getFrame();
      if (!host_->indicator.is() || host_->indicatorFrame != frame) {
        if (host_->indicator.is()) host_->indicator->end();
        host_->indicator = As<css::task::XStatusIndicatorFactory>(frame)->createStatusIndicator();
        host_->indicatorFrame = frame;
        host_->indicator->start(ToUno(text), 0);
      } else {
        host_->indicator->setText(ToUno(text));
      }
      host_->statusText = std::string(text);
      return {};
    });
  }

 private:
  // Visible, the documents are the user's: in front of the user on a desktop, and left open
  // when the host goes; handed to the user where there is no display, each is saved in the
  // documents folder.
  Status ShowIfDue() {
    if (!host_->visible) return {};
    return Call(*host_->office, [&]() -> Status {
      host_->ShowDocuments(host_->userControl);
      return {};
    });
  }

  HostPtr host_;
};

}  // namespace

Status CheckOfficeInstalled(const OfficeOptions& options) {
  if (::access(options.program.c_str(), X_OK) == 0) return {};
  return AutomationError::Make(
      ErrorNumber::AppNotFound,
      "LibreOffice is not installed here: there is no program " + options.program + ".");
}

Result<std::unique_ptr<Unknown>> NewCalcHost(const OfficeOptions& options) {
  VX_RETURN_IF_ERROR(CheckOfficeInstalled(options));
  auto host = std::make_shared<HostState>();
  VX_ASSIGN_OR_RETURN(host->office, OfficeConnection::Open(options));
  return std::unique_ptr<Unknown>(new CalcApplication(std::move(host)));
}

}  // namespace vx::automation::calc
