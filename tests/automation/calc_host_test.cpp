// What only the LibreOffice Calc host meets: reaching the office (not installed, not started
// in time, started by the host itself and ended with it), a workbook the user closes and an
// office that is killed under the host, the hand-over where there is no display, and the
// object registry's choice of host.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "automation/calc/calc_host.h"
#include "automation/calc/calc_state.h"
#include "automation/object_registry.h"
#include "host_test_util.h"
#include "office_probe.h"
#include "test_office.h"
#include "xlsx_reader.h"

namespace vx::automation {
namespace {

using test::Must;
using namespace std::chrono_literals;

[[maybe_unused]] auto* const kOffice =
    ::testing::AddGlobalTestEnvironment(test::TestOffice::Instance());

ApplicationPtr AsApplication(Result<std::unique_ptr<Unknown>> made) {
  if (!made) return nullptr;
  std::shared_ptr<Unknown> object(std::move(*made));
  return QueryInterface<Application>(object);
}

// The processes whose command line holds `text`, other than this one.
std::vector<pid_t> ProcessesWith(const std::string& text) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (line.find(text) != std::string::npos && std::stoi(name) != ::getpid()) {
      found.push_back(std::stoi(name));
    }
  }
  return found;
}

bool GoneWithin(const std::string& text, std::chrono::milliseconds time) {
  const auto deadline = std::chrono::steady_clock::now() + time;
  while (!ProcessesWith(text).empty()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

class CalcHost : public ::testing::Test {
 protected:
  calc::OfficeOptions Options() const {
    calc::OfficeOptions options = test::TestOffice::Instance()->Options();
    options.mayStart = false;
    return options;
  }
  test::TempFolder folder_;
};

TEST_F(CalcHost, WhereLibreOfficeIsNotInstalledTheHostSaysSoAtOnce) {
  calc::OfficeOptions options = Options();
  options.program = folder_ / "no-office/soffice";
  options.mayStart = true;
  const auto started = std::chrono::steady_clock::now();
  const auto host = calc::NewCalcHost(options);
  ASSERT_FALSE(host);
  EXPECT_EQ(host.error().number, static_cast<uint32_t>(ErrorNumber::AppNotFound));
  EXPECT_NE(host.error().description.find("LibreOffice is not installed"), std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
}

TEST_F(CalcHost, AnOfficeThatDoesNotAnswerInTimeIsGivenUpAndEnded) {
  // A program that starts and never accepts a connection, as a hung office would.
  const std::string program = folder_.Write("soffice", "#!/bin/sh\nexec sleep 120\n");
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  calc::OfficeOptions options = Options();
  options.program = program;
  options.pipeName = "vx-test-silent-" + std::to_string(::getpid());
  options.timeout = 1s;
  options.mayStart = true;
  options.headless = true;
  const auto started = std::chrono::steady_clock::now();
  const auto host = calc::NewCalcHost(options);
  ASSERT_FALSE(host);
  EXPECT_NE(host.error().description.find("did not accept a connection on the pipe \"" +
                                          options.pipeName + "\" within 1 s"),
            std::string::npos)
      << host.error().description;
  EXPECT_LT(std::chrono::steady_clock::now() - started, 8s);
  EXPECT_TRUE(GoneWithin(options.pipeName, 5s)) << "the silent office was left running";
}

TEST_F(CalcHost, AHeadlessOfficeTheHostStartsEndsWithTheHost) {
  calc::OfficeOptions options = Options();
  options.pipeName = "vx-test-own-" + std::to_string(::getpid());
  options.profileFolder = folder_ / "profile";
  options.mayStart = true;
  options.headless = true;
  options.timeout = 90s;
  {
    const ApplicationPtr app = AsApplication(calc::NewCalcHost(options));
    ASSERT_TRUE(app);
    EXPECT_FALSE(ProcessesWith(options.pipeName).empty());
    const WorkbookPtr book = Must(Must(app->Workbooks())->Add());
    Must(Must(Must(Must(book->Sheets())->Item(1))->Range("A1"))->SetValue(Value{1.0}));
  }
  EXPECT_TRUE(GoneWithin(options.pipeName, 10s)) << "the office was left running";
}

TEST_F(CalcHost, WithoutADisplayAHandOverSavesTheWorkbookForTheUser) {
  test::ScopedEnvironment documents("VX_DOCUMENTS", folder_.Path());
  const ApplicationPtr app = AsApplication(calc::NewCalcHost(Options()));
  ASSERT_TRUE(app);
  const WorkbookPtr book = Must(Must(app->Workbooks())->Add());
  const WorksheetPtr sheet = Must(Must(book->Sheets())->Item(1));
  Must(Must(sheet->Range("A1", "B2"))
           ->SetValues({{std::string("Time"), std::string("CH1(DCV)")},
                        {std::string("14:3:27"), std::string("0.5")}}));
  Must(book->SetTitle("Scan 2026-12-07 14-03-27"));
  Must(app->SetVisible(true));
  EXPECT_EQ(Must(book->FullName()), "");
  Must(app->SetUserControl(true));
  const std::string expected = folder_ / "Scan 2026-12-07 14-03-27.xlsx";
  EXPECT_EQ(Must(book->FullName()), expected);
  const QJsonObject read = test::ReadXlsx(expected);
  EXPECT_EQ(test::CellOf(read, "Sheet1", "A2")["type"].toString(), "d");
  EXPECT_DOUBLE_EQ(test::CellOf(read, "Sheet1", "B2")["value"].toDouble(), 0.5);
}

TEST_F(CalcHost, TheRegistryServesCalcWhereChosenAndFallsBackWhereLibreOfficeIsMissing) {
  // A registry as the installed one: the in-memory host's entry, Calc its current version.
  const std::string registry = folder_ / "registry.ini";
  test::ScopedEnvironment registryPath("VX_OBJECT_REGISTRY", registry);
  test::ScopedEnvironment state("VX_HOST_STATE", folder_ / "host-state.ini");
  ASSERT_EQ(test::RunProcess({std::string(VX_BIN_DIR) + "/vxregister", "--quiet",
                              std::string(VX_BIN_DIR) + "/libvxhost.so"})
                .exitCode,
            0);
  ASSERT_EQ(test::RunProcess({std::string(VX_BIN_DIR) + "/vxregister", "--quiet",
                              std::string(VX_BIN_DIR) + "/libvxcalc.so"})
                .exitCode,
            0);
  const auto name = [](const char* progId) {
    const auto app = CreateObjectAs<Application>(progId);
    if (!app) return "error: " + app.error().description;
    return Must((*app)->Name());
  };
  EXPECT_EQ(name("Excel.Application").rfind("LibreOffice Calc", 0), 0u);
  {
    test::ScopedEnvironment missing("VX_SOFFICE", folder_ / "no-office/soffice");
    EXPECT_EQ(name("Excel.Application"), "In-memory spreadsheet host");
    test::ScopedEnvironment chosen("VX_SPREADSHEET_HOST", "calc");
    const std::string refused = name("Excel.Application");
    EXPECT_NE(refused.find("LibreOffice is not installed"), std::string::npos) << refused;
  }
  {
    test::ScopedEnvironment chosen("VX_SPREADSHEET_HOST", "memory");
    EXPECT_EQ(name("Excel.Application"), "In-memory spreadsheet host");
  }
  // Unregistering Calc gives the identifier back to the in-memory host.
  ASSERT_EQ(test::RunProcess({std::string(VX_BIN_DIR) + "/vxregister", "--unregister",
                              std::string(VX_BIN_DIR) + "/libvxcalc.so"})
                .exitCode,
            0);
  EXPECT_EQ(name("Excel.Application"), "In-memory spreadsheet host");
  const test::ProcessResult which =
      test::RunProcess({std::string(VX_BIN_DIR) + "/vxregister", "--which"});
  EXPECT_EQ(which.out.rfind("Excel.Application: Excel.Application (", 0), 0u) << which.out;
}

// Runs last: it kills the program's office, and starts it again.
TEST_F(CalcHost, AClosedWorkbookAndAKilledOfficeAreReportedNotCrashedOn) {
  const ApplicationPtr app = AsApplication(calc::NewCalcHost(Options()));
  ASSERT_TRUE(app);
  const WorkbookPtr book = Must(Must(app->Workbooks())->Add());
  Must(book->SetTitle("closed by the user"));
  const WorksheetPtr sheet = Must(Must(book->Sheets())->Item(1));
  const RangePtr cell = Must(sheet->Range("A1"));
  Must(cell->SetValue(Value{1.0}));
  const WorkbookPtr other = Must(Must(app->Workbooks())->Add());
  const WorksheetPtr otherSheet = Must(Must(other->Sheets())->Item(1));

  test::OfficeProbe(test::TestOffice::Instance()->Options().pipeName).Close("closed by the user");
  const Status closed = cell->SetValue(Value{2.0});
  ASSERT_FALSE(closed);
  EXPECT_EQ(closed.error().number, static_cast<uint32_t>(ErrorNumber::Disconnected));
  EXPECT_NE(closed.error().description.find("no longer open"), std::string::npos)
      << closed.error().description;
  Must(Must(otherSheet->Range("A1"))->SetValue(Value{3.0}));

  test::TestOffice::Instance()->Kill();
  const auto started = std::chrono::steady_clock::now();
  const Status killed = Must(otherSheet->Range("B1"))->SetValue(Value{4.0});
  ASSERT_FALSE(killed);
  EXPECT_EQ(killed.error().number, static_cast<uint32_t>(ErrorNumber::Disconnected));
  EXPECT_NE(killed.error().description.find("no longer reachable"), std::string::npos)
      << killed.error().description;
  EXPECT_FALSE(app->SetStatusBar("Reading..."));
  EXPECT_FALSE(Must(app->Workbooks())->Add());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  test::TestOffice::Instance()->Restart();
}

// The office may answer a call made while the user closes the document with a bare runtime
// error instead of "disposed": on a sheet whose document has closed, that is the closing.
TEST_F(CalcHost, ACallRefusedWhileTheDocumentClosesIsReportedAsTheClosing) {
  auto office = calc::OfficeConnection::Open(Options());
  ASSERT_TRUE(office) << office.error().description;
  calc::SheetState sheet;
  sheet.closed = std::make_shared<std::atomic<bool>>(false);
  const auto refused = []() -> Status { throw css::uno::RuntimeException(); };
  const Status open = calc::CallOnSheet(**office, sheet, refused);
  ASSERT_FALSE(open);
  EXPECT_NE(open.error().description.find("refused the call"), std::string::npos)
      << open.error().description;
  sheet.closed->store(true);
  const Status closing = calc::CallOnSheet(**office, sheet, refused);
  ASSERT_FALSE(closing);
  EXPECT_EQ(closing.error().number, static_cast<uint32_t>(ErrorNumber::Disconnected));
  EXPECT_NE(closing.error().description.find("no longer open"), std::string::npos)
      << closing.error().description;
}

}  // namespace
}  // namespace vx::automation
