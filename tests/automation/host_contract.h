#pragma once
// The fixture of the object model's contract: each test runs against the in-memory host and
// the LibreOffice Calc host (headless, on the test program's own office).

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "automation/calc/calc_host.h"
#include "host_test_util.h"
#include "office_probe.h"
#include "test_office.h"

namespace vx::automation {

using test::Must;

enum class HostKind { Memory, Calc };

inline std::string HostName(const ::testing::TestParamInfo<HostKind>& info) {
  return info.param == HostKind::Memory ? "Memory" : "Calc";
}

class HostContract : public ::testing::TestWithParam<HostKind> {
 protected:
  void SetUp() override {
    app_ = MakeHost();
    ASSERT_TRUE(app_);
    book_ = Must(Must(app_->Workbooks())->Add());
    Must(book_->SetTitle(Title()));
    sheet_ = Must(Must(book_->Sheets())->Item(1));
  }

  bool Calc() const { return GetParam() == HostKind::Calc; }
  std::string StatePath() const { return folder_ / "host-state.ini"; }
  ApplicationPtr MakeHost() {
    if (!Calc()) return test::MakeHost(StatePath());
    auto options = test::TestOffice::Instance()->Options();
    options.mayStart = false;
    auto host = calc::NewCalcHost(options);
    if (!host) {
      ADD_FAILURE() << host.error().description;
      return nullptr;
    }
    std::shared_ptr<Unknown> object(std::move(*host));
    return QueryInterface<Application>(object);
  }
  // The workbook's title, by which the probe finds it in Calc.
  std::string Title() const {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("contract ") + info->name();
  }
  test::OfficeProbe& Probe() {
    if (!probe_) {
      probe_ =
          std::make_unique<test::OfficeProbe>(test::TestOffice::Instance()->Options().pipeName);
    }
    return *probe_;
  }
  RangePtr Cell(const char* name) { return Must(sheet_->Range(name)); }
  // The names the logging engine gives a strip chart of `points` readings in column B:
  // DmmCount (F6), DmmPoints (F8), DmmisStripChart and DmmyAxis.
  NamesPtr DefineStripChartNames(double points) {
    Must(Cell("F6")->SetName("Sheet1!DmmCount"));
    Must(Cell("F8")->SetName("Sheet1!DmmPoints"));
    Must(Cell("F8")->SetValue(Value{points}));
    NamesPtr names = Must(sheet_->Names());
    Must(names->Add("Sheet1!DmmisStripChart", "=Sheet1!DmmPoints<=Sheet1!DmmCount"));
    Must(names->Add("Sheet1!DmmyAxis",
                    "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C1,Sheet1!DmmCount-"
                    "Sheet1!DmmPoints,1,Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C1,0,1,"
                    "Sheet1!DmmCount,1))"));
    return names;
  }
  double ColumnWidth(int column) {
    return Must(Must(sheet_->Columns(column + 1))->Left()) -
           Must(Must(sheet_->Columns(column))->Left());
  }

  test::TempFolder folder_;
  ApplicationPtr app_;
  WorkbookPtr book_;
  WorksheetPtr sheet_;
  std::unique_ptr<test::OfficeProbe> probe_;
};

}  // namespace vx::automation
