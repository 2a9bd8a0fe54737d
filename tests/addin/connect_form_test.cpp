// vxlink's connect form: the meters the engine found in the instrument-list control, the
// last used one marked, and OK taking the marked one and keeping its address.

#include "linkhost/connect_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>

#include "common/ini_file.h"
#include "engine_fixture.h"
#include "user_input.h"

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
    form_->resize(620, 240);
    vx::test::ShowForInput(*form_);
  }
  QPushButton* Button(const char* name) { return form_->findChild<QPushButton*>(name); }
  std::string SavedAddress() {
    return GetPrivateProfileString("Information", "Address", "", SettingsPath());
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
  EXPECT_TRUE(form_->grab().save(QString(VX_PICTURE_DIR) + "/connect_form.png"));
}

TEST_F(ConnectFormTest, OkTakesTheConnectedMeterAndKeepsItsAddress) {
  Open("GPIB0::7::INSTR");
  // The user clicks the third row, then Connect, then OK.
  vx::test::ClickEntry(list_, 2);
  vx::test::Click(Button("cmdConnect"));
  EXPECT_EQ(form_->Control()->get_mark_Address(), "USB0::0x1F3A::0x0C21::TW3::INSTR");
  vx::test::Click(Button("ok"));
  EXPECT_EQ(form_->ChosenDevice(), 2);
  EXPECT_EQ(form_->result(), QDialog::Accepted);
  EXPECT_EQ(SavedAddress(), "USB0::0x1F3A::0x0C21::TW3::INSTR");
}

// The same with the keys alone: Up to the first row, Tab to Connect, Space, then Enter for
// OK.
TEST_F(ConnectFormTest, TheKeysChooseConnectAndConfirm) {
  Open("GPIB0::7::INSTR");
  ASSERT_TRUE(list_->hasFocus());
  vx::test::PressKey(list_, Qt::Key_Up);
  EXPECT_TRUE(Button("cmdConnect")->isEnabled());
  vx::test::PressKey(list_, Qt::Key_Tab);
  ASSERT_TRUE(Button("cmdConnect")->hasFocus());
  vx::test::PressKey(Button("cmdConnect"), Qt::Key_Space);
  EXPECT_EQ(form_->Control()->get_mark_Address(), "GPIB0::22::INSTR");
  vx::test::PressKey(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(form_->ChosenDevice(), 0);
  EXPECT_EQ(SavedAddress(), "GPIB0::22::INSTR");
}

TEST_F(ConnectFormTest, OkWithoutAConnectedMeterAsksForOne) {
  Open("GPIB0::30::INSTR");
  EXPECT_EQ(form_->Control()->get_mark_Address(), "");
  vx::test::Click(Button("ok"));
  EXPECT_EQ(form_->ChosenDevice(), -1);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0], "ChooseMeter");  // the test's settings file has no such text
  // Escape leaves the form, and the address kept before stays.
  EXPECT_TRUE(form_->isVisible());
  vx::test::PressKey(form_.get(), Qt::Key_Escape);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(form_->result(), QDialog::Rejected);
  EXPECT_EQ(SavedAddress(), "GPIB0::30::INSTR");
}

}  // namespace
}  // namespace vx::addin::test
