// vxlink's connect form: the meters the engine found in the instrument-list control, the
// last used one marked, and OK taking the marked one and keeping its address.

#include "linkhost/connect_form.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>

#include "common/ini_file.h"
#include "engine_fixture.h"

namespace vx::addin::test {
namespace {

using vx::test::SimulatedVisa;

class ConnectFormTest : public EngineTest {
 protected:
  void Open(const std::string& lastAddress) {
    Start({SimulatedVisa::GpibMeter(22), SimulatedVisa::GpibMeter(7),
           SimulatedVisa::UsbMeter("TW3")});
    WritePrivateProfileString("Information", "Address", lastAddress, SettingsPath());
    Must(engine_->SetApp(host_));
    Must(automation::StatusOf(engine_->FindDevice()));
    for (std::int16_t i = 0; i < engine_->get_m_DevCount(); ++i) {
      Must(engine_->GetIDN(i));
      meters_.push_back(
          {engine_->get_m_IDNbuff(), engine_->get_m_IDNAddr(), engine_->get_m_IDNSesn()});
    }
    form_ = std::make_unique<linkhost::ConnectForm>(*engine_, meters_, *prompter_);
    ASSERT_EQ(form_->SetUp(), "");
    list_ = form_->findChild<QTreeWidget*>("lvwDmm");
    ASSERT_NE(list_, nullptr);
  }
  std::string SettingsPath() const { return folder_ / "docs/Tolvex/Multimeter/K9-90/VX_TOOL.ini"; }
  void TearDown() override {
    form_.reset();
    EngineTest::TearDown();
  }
  std::vector<linkhost::FoundMeter> meters_;
  std::unique_ptr<linkhost::ConnectForm> form_;
  QTreeWidget* list_ = nullptr;
};

TEST_F(ConnectFormTest, ListsTheMetersAndMarksTheLastUsed) {
  Open("GPIB0::7::INSTR");
  ASSERT_EQ(list_->topLevelItemCount(), 3);
  EXPECT_EQ(list_->topLevelItem(2)->text(3), "USB0::0x1F3A::0x0C21::TW3::INSTR");
  EXPECT_EQ(form_->Control()->get_lvw_now(), 2);
  EXPECT_EQ(form_->Control()->get_mark_Address(), "GPIB0::7::INSTR");
  form_->resize(620, 240);
  form_->show();
  EXPECT_TRUE(form_->grab().save(QString(VX_PICTURE_DIR) + "/connect_form.png"));
}

TEST_F(ConnectFormTest, OkTakesTheConnectedMeterAndKeepsItsAddress) {
  Open("GPIB0::7::INSTR");
  // The user clicks the third row, then Connect.
  list_->setCurrentItem(list_->topLevelItem(2));
  list_->topLevelItem(2)->setSelected(true);
  emit list_->itemClicked(list_->topLevelItem(2), 0);
  form_->findChild<QPushButton*>("cmdConnect")->click();
  form_->findChild<QPushButton*>("ok")->click();
  EXPECT_EQ(form_->ChosenDevice(), 2);
  EXPECT_EQ(GetPrivateProfileString("Information", "Address", "", SettingsPath()),
            "USB0::0x1F3A::0x0C21::TW3::INSTR");
}

TEST_F(ConnectFormTest, OkWithoutAConnectedMeterAsksForOne) {
  Open("GPIB0::30::INSTR");
  EXPECT_EQ(form_->Control()->get_mark_Address(), "");
  form_->findChild<QPushButton*>("ok")->click();
  EXPECT_EQ(form_->ChosenDevice(), -1);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0], "ChooseMeter");  // the test's settings file has no such text
}

}  // namespace
}  // namespace vx::addin::test
