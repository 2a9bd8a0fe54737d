// The instrument-list control: its rows, the connected mark, the buttons' enabling, the
// control made through the registry, and its Qt Designer plugin.

#include "listcontrol/vxdmm_ctl.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPluginLoader>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include "automation/object_registry.h"
#include "listcontrol/vortica.h"
#include "user_input.h"

namespace vx::listcontrol {
namespace {

constexpr const char* kIdentity = "TOLVEX,W9-90/1,TW00012345,Q7110 1.05\n";

std::vector<std::string> Row(const VXdmmCTL& control, int row) {
  std::vector<std::string> texts;
  const QTreeWidgetItem* item = control.List()->topLevelItem(row);
  for (int column = 0; item && column < 4; ++column)
    texts.push_back(item->text(column).toStdString());
  return texts;
}

// A mouse click on a row, where the row is drawn.
void ClickRow(VXdmmCTL& control, int row) {
  test::ClickEntry(control.List(), row);
}

bool Marked(const VXdmmCTL& control, int row) {
  // The connected mark is the only picture with green in it.
  const QImage image = control.List()->topLevelItem(row)->icon(0).pixmap(16, 16).toImage();
  return QColor(image.pixel(8, 4)).green() > 150 && QColor(image.pixel(8, 4)).red() < 100;
}

TEST(VXdmmCTL, StartsWithItsColumnsAndButtonsOff) {
  VXdmmCTL control;
  control.resize(600, 200);
  control.show();
  EXPECT_EQ(control.List()->headerItem()->text(0), "Instrument");
  EXPECT_EQ(control.List()->headerItem()->text(3), "Address");
  EXPECT_FALSE(control.ConnectButton()->isEnabled());
  EXPECT_FALSE(control.DisconnectButton()->isEnabled());
  EXPECT_EQ(control.ConnectButton()->text(), "Connect");
  EXPECT_EQ(control.lvw_now(), 0);
  // The address column takes what the first three leave.
  const QHeaderView* header = control.List()->header();
  EXPECT_EQ(header->sectionSize(3), control.List()->viewport()->width() - header->sectionSize(0) -
                                        header->sectionSize(1) - header->sectionSize(2) - 4);
}

TEST(VXdmmCTL, RowsFromIdentityAnswers) {
  VXdmmCTL control;
  ASSERT_TRUE(control.IDN(kIdentity, "GPIB0::22::INSTR"));
  EXPECT_EQ(Row(control, 0),
            (std::vector<std::string>{"Multimeter", "W9-90/1", "TOLVEX", "GPIB0::22::INSTR"}));
  ASSERT_TRUE(control.IDN("", "USB0::0x1F3A::0x0C21::TW1::INSTR"));
  EXPECT_EQ(Row(control, 1), (std::vector<std::string>{"", "", "NA:COMMAND ERR",
                                                       "USB0::0x1F3A::0x0C21::TW1::INSTR"}));
  const automation::Status noComma = control.IDN("JUSTONEFIELD", "GPIB0::3::INSTR");
  ASSERT_FALSE(noComma);
  EXPECT_EQ(noComma.error().number, static_cast<std::uint32_t>(automation::ErrorNumber::BadIndex));
  EXPECT_EQ(control.List()->topLevelItemCount(), 2);
  control.ListClear();
  EXPECT_EQ(control.List()->topLevelItemCount(), 0);
}

TEST(VXdmmCTL, SelmarkMarksTheLastRowOfTheAddress) {
  VXdmmCTL control;
  control.IDN(kIdentity, "GPIB0::22::INSTR");
  control.IDN(kIdentity, "GPIB0::7::INSTR");
  control.IDN(kIdentity, "GPIB0::22::INSTR");
  control.setMark_Address("GPIB0::22::INSTR");
  EXPECT_EQ(control.selmark(), 0);
  EXPECT_EQ(control.lvw_now(), 3);
  EXPECT_EQ(control.MarkedRow(), 2);
  EXPECT_TRUE(Marked(control, 2));
  EXPECT_FALSE(Marked(control, 0));
  EXPECT_FALSE(control.ConnectButton()->isEnabled());
  EXPECT_TRUE(control.DisconnectButton()->isEnabled());
}

TEST(VXdmmCTL, SelmarkOfAnAddressNotInTheListMarksNothing) {
  VXdmmCTL control;
  control.IDN(kIdentity, "GPIB0::22::INSTR");
  control.setMark_Address("GPIB0::9::INSTR");
  EXPECT_EQ(control.selmark(), 0);
  EXPECT_EQ(control.MarkedRow(), -1);
  EXPECT_EQ(control.mark_Address(), "");
  EXPECT_EQ(control.lvw_now(), 0);
  EXPECT_FALSE(Marked(control, 0));
  EXPECT_TRUE(control.ConnectButton()->isEnabled());
  EXPECT_FALSE(control.DisconnectButton()->isEnabled());
}

TEST(VXdmmCTL, ConnectAndDisconnectFollowTheClickedRow) {
  VXdmmCTL control;
  control.resize(600, 200);
  test::ShowForInput(control);
  control.IDN(kIdentity, "GPIB0::22::INSTR");
  control.IDN(kIdentity, "GPIB0::7::INSTR");
  // A Connect before any selmark or Disconnect marks the selected row.
  ClickRow(control, 1);
  EXPECT_TRUE(control.ConnectButton()->isEnabled());
  test::Click(control.ConnectButton());
  EXPECT_EQ(control.mark_Address(), "GPIB0::7::INSTR");
  EXPECT_EQ(control.lvw_now(), 2);
  EXPECT_TRUE(Marked(control, 1));
  EXPECT_FALSE(control.ConnectButton()->isEnabled());
  // Another row: Connect again; the connected row: Disconnect.
  ClickRow(control, 0);
  EXPECT_TRUE(control.ConnectButton()->isEnabled());
  EXPECT_FALSE(control.DisconnectButton()->isEnabled());
  ClickRow(control, 1);
  EXPECT_FALSE(control.ConnectButton()->isEnabled());
  EXPECT_TRUE(control.DisconnectButton()->isEnabled());
  test::Click(control.DisconnectButton());
  EXPECT_EQ(control.mark_Address(), "");
  EXPECT_EQ(control.lvw_now(), 0);
  EXPECT_FALSE(Marked(control, 1));
  EXPECT_TRUE(control.List()->selectedItems().isEmpty());
  // With nothing selected Connect does nothing.
  test::Click(control.ConnectButton());
  EXPECT_EQ(control.mark_Address(), "");
}

// The arrow keys choose a row as a click does: the buttons follow the row they move to.
TEST(VXdmmCTL, TheArrowKeysChooseARowAsAClickDoes) {
  VXdmmCTL control;
  control.resize(600, 200);
  test::ShowForInput(control);
  control.IDN(kIdentity, "GPIB0::22::INSTR");
  control.IDN(kIdentity, "GPIB0::7::INSTR");
  control.setMark_Address("GPIB0::22::INSTR");
  control.selmark();
  ASSERT_FALSE(control.ConnectButton()->isEnabled());
  test::PressKey(control.List(), Qt::Key_Down);
  EXPECT_TRUE(control.ConnectButton()->isEnabled());
  EXPECT_FALSE(control.DisconnectButton()->isEnabled());
  test::Click(control.ConnectButton());
  EXPECT_EQ(control.mark_Address(), "GPIB0::7::INSTR");
  test::PressKey(control.List(), Qt::Key_Up);
  EXPECT_TRUE(control.ConnectButton()->isEnabled());
  test::PressKey(control.List(), Qt::Key_Down);
  EXPECT_FALSE(control.ConnectButton()->isEnabled());
  EXPECT_TRUE(control.DisconnectButton()->isEnabled());
}

TEST(VXdmmCTL, MadeThroughTheRegistryAndPlacedOnAForm) {
  auto created = automation::CreateObjectAs<_VXdmmCTL>(kProgId);
  ASSERT_TRUE(created) << created.error().description;
  std::shared_ptr<_VXdmmCTL> control = *created;
  ASSERT_NE(control->Window(), nullptr);
  ASSERT_TRUE(control->IDN(kIdentity, "GPIB0::22::INSTR"));
  control->put_mark_Address("GPIB0::22::INSTR");
  control->selmark();
  EXPECT_EQ(control->get_lvw_now(), 1);
  {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    layout->addWidget(control->Window());
  }
  // The form took the window with it; the object says so instead of crashing.
  EXPECT_EQ(control->Window(), nullptr);
  EXPECT_FALSE(control->IDN(kIdentity, "GPIB0::7::INSTR"));
  EXPECT_EQ(control->get_mark_Address(), "");
}

TEST(VXdmmCTL, OfferedToQtDesigner) {
  QPluginLoader loader(QString(VX_DESIGNER_PLUGIN));
  QObject* plugin = loader.instance();
  ASSERT_NE(plugin, nullptr) << loader.errorString().toStdString();
  auto* widgets = qobject_cast<QDesignerCustomWidgetInterface*>(plugin);
  ASSERT_NE(widgets, nullptr);
  EXPECT_EQ(widgets->name(), "vx::listcontrol::VXdmmCTL");
  std::unique_ptr<QWidget> made(widgets->createWidget(nullptr));
  ASSERT_NE(made, nullptr);
  EXPECT_STREQ(made->metaObject()->className(), "vx::listcontrol::VXdmmCTL");
  EXPECT_NE(made->findChild<QTreeWidget*>("lvwDmm"), nullptr);
  EXPECT_NE(made->findChild<QPushButton*>("cmdConnect"), nullptr);
  EXPECT_TRUE(widgets->domXml().contains("vx::listcontrol::VXdmmCTL"));
}

TEST(VXdmmCTL, Picture) {
  VXdmmCTL control;
  control.resize(560, 180);
  control.IDN(kIdentity, "GPIB0::22::INSTR");
  control.IDN("TOLVEX,W9-90/1,TW00054321,Q7100 1.02", "USB0::0x1F3A::0x0C21::TW00054321::INSTR");
  control.IDN("", "GPIB0::9::INSTR");
  control.setMark_Address("GPIB0::22::INSTR");
  control.selmark();
  control.show();
  const std::string path = std::string(VX_PICTURE_DIR) + "/vxdmm_ctl.png";
  EXPECT_TRUE(control.grab().save(QString::fromStdString(path)));
}

}  // namespace
}  // namespace vx::listcontrol
