#pragma once
// The front panel as its user drives it in tests: menu items and toolbar buttons clicked,
// meters chosen from the device list, buttons clicked, the offset typed, and the "Reading
// manager" dialog filled in.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolBar>

#include <vector>

#include "config/reading_mode_dialog.h"
#include "find_child.h"
#include "panel/panel_window.h"
#include "user_input.h"

namespace vx::panel {

// The panel's commands and controls as its user reaches them: menu items and toolbar buttons
// clicked, meters chosen from the device list, buttons clicked, the offset typed.
class PanelUser {
 public:
  explicit PanelUser(PanelWindow& panel) : panel_(panel) {}

  // The item at `item` (counted from 0, separators too) of the menu at `menu`.
  QAction* Item(int menu, int item) const {
    return panel_.MenuBar()->actions()[menu]->menu()->actions()[item];
  }
  void Choose(QAction* item) { test::ChooseMenuItem(panel_.MenuBar(), item); }
  void Press(QAction* tool) { test::ClickToolButton(panel_.findChild<QToolBar*>("toolbar"), tool); }
  void Click(const char* button) { test::Click(test::Child<QPushButton>(panel_, button)); }
  QComboBox* List(const char* name) { return test::Child<QComboBox>(panel_, name); }
  void ChooseMeter(const QString& name) { test::ChooseWithMouse(panel_.DeviceList(), name); }
  void SetOffset(const char* text) {
    test::TypeInto(panel_.OffsetEdit(), text);
    Click("offsetSet");
  }
  // The "Reading manager" dialog filled in and confirmed with OK: the mode's radio button,
  // then for each meter in turn (multi-device mode; "next" steps on) or for the current one,
  // its box ticked and its record chosen from the list when `records` gives one (0: none).
  void ChooseReadingMode(bool multiDevice, const std::vector<int>& records = {}) {
    test::WithModal<config::ReadingModeDialog>(
        [&] { Choose(panel_.ReadingManagerItem()); },
        [&](config::ReadingModeDialog& dialog) {
          test::Click(
              test::Child<QRadioButton>(dialog, multiDevice ? "multiRadio" : "singleRadio"));
          auto* save = test::Child<QCheckBox>(dialog, multiDevice ? "multiSave" : "singleSave");
          auto* list = test::Child<QComboBox>(dialog, multiDevice ? "multiRecord" : "singleRecord");
          for (size_t meter = 0; meter < records.size(); ++meter) {
            if (meter > 0) test::Click(test::Child<QPushButton>(dialog, "nextMeter"));
            if (records[meter] == 0) continue;
            if (!save->isChecked()) test::Click(save);
            test::ChooseWithMouse(list, list->itemText(records[meter] - 1));
          }
          test::Click(test::Child<QPushButton>(dialog, "okButton"));
        });
  }
  void ChooseMultiDevice() { ChooseReadingMode(true); }

 private:
  PanelWindow& panel_;
};

// What the user does opens no window (a greyed command, for instance); a window that opens
// all the same is closed and the test fails.
template <typename Act>
void ExpectNoWindow(Act act) {
  QWidget* opened = nullptr;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (QWidget* window = QApplication::activeModalWidget()) {
      opened = window;
      window->close();
    }
  });
  poll.start();
  act();
  poll.stop();
  EXPECT_EQ(opened, nullptr) << "a window opened";
}

}  // namespace vx::panel
