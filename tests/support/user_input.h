#pragma once
// Driving a window as its user does: mouse clicks on the very place a control or list entry
// is drawn, and key presses into the widget that has the focus. A handler that reacts to one
// way of choosing and not to another (a mouse press makes a row current before it selects
// it; arrow keys do both at once) only shows when a test chooses the way a user does.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

namespace vx::test {

// The window must be shown for clicks to land where a user would click, and active for the
// keys to reach the widget with the focus.
inline void ShowForInput(QWidget& window) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// A left click on the entry at `index` of a list, table or tree, scrolled into view first.
inline void ClickIndex(QAbstractItemView* view, const QModelIndex& index,
                       Qt::KeyboardModifiers modifiers = {}) {
  ASSERT_TRUE(index.isValid());
  view->scrollTo(index);
  const QRect place = view->visualRect(index);
  ASSERT_TRUE(place.isValid()) << "the entry is not drawn";
  QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, place.center());
}

inline void DoubleClickIndex(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  const QPoint at = view->visualRect(index).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// A left click on the list entry that reads `text`.
inline void ClickEntry(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  ClickIndex(list, list->indexFromItem(found.front()));
}

inline void ClickEntry(QTreeWidget* tree, int row, int column = 0) {
  ClickIndex(tree, tree->model()->index(row, column));
}

// Where a user clicks a button: a push button in its middle, a check box or radio button on
// its box and caption (the rest of a wide one takes no click, as on screen).
inline QPoint ClickPoint(QAbstractButton* button) {
  const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
  if (!radio && qobject_cast<QCheckBox*>(button) == nullptr) return button->rect().center();
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  option.icon = button->icon();
  option.iconSize = button->iconSize();
  return button->style()
      ->subElementRect(radio ? QStyle::SE_RadioButtonClickRect : QStyle::SE_CheckBoxClickRect,
                       &option, button)
      .center();
}

// Clicks a push button, check box or radio button (a disabled one takes the click and does
// nothing, as on screen).
inline void Click(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString() << " is not shown";
  QTest::mouseClick(button, Qt::LeftButton, {}, ClickPoint(button));
}

// Chooses `text` in a combo box with the mouse: a click opens its list, a click on the entry
// takes it (the window may refuse the choice and put the box back).
inline void ChooseWithMouse(QComboBox* box, const QString& text) {
  const int entry = box->findText(text);
  ASSERT_GE(entry, 0) << text.toStdString();
  // The arrow opens the list; in an editable box the rest of it is the text field.
  QStyleOptionComboBox option;
  option.initFrom(box);
  option.editable = box->isEditable();
  option.subControls = QStyle::SC_All;
  const QRect arrow =
      box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, box);
  QTest::mouseClick(box, Qt::LeftButton, {},
                    arrow.isValid() ? arrow.center() : box->rect().center());
  QAbstractItemView* list = box->view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window())) << "the list did not open";
  const QModelIndex index = box->model()->index(entry, box->modelColumn());
  list->scrollTo(index);
  const QPoint at = list->visualRect(index).center();
  // The pointer goes to the entry, then the click: a list opened by a press ignores a release
  // that comes within a double-click's time, so that the opening click itself chooses
  // nothing. On a busy machine the list may still be waiting: the user clicks once more.
  QTest::mouseMove(list->viewport(), at);
  for (int click = 0; click < 3 && list->window()->isVisible(); ++click) {
    QTest::qWait(QApplication::doubleClickInterval() + 30);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    for (int wait = 0; wait < 20 && list->window()->isVisible(); ++wait) QTest::qWait(10);
  }
  ASSERT_FALSE(list->window()->isVisible()) << "the list did not close";
}

// Chooses `text` in a combo box with the arrow keys, the box having the focus; the window
// must let each entry on the way be chosen.
inline void ChooseWithKeys(QComboBox* box, const QString& text) {
  const int entry = box->findText(text);
  ASSERT_GE(entry, 0) << text.toStdString();
  box->setFocus();
  for (int guard = box->count(); box->currentIndex() != entry && guard >= 0; --guard) {
    QTest::keyClick(box, box->currentIndex() < entry ? Qt::Key_Down : Qt::Key_Up);
  }
  ASSERT_EQ(box->currentIndex(), entry);
}

// Moves through a list with the arrow keys to the entry that reads `text`.
inline void ChooseWithKeys(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  const int entry = list->row(found.front());
  list->setFocus();
  if (list->currentRow() < 0) QTest::keyClick(list, Qt::Key_Home);
  for (int guard = list->count(); list->currentRow() != entry && guard >= 0; --guard) {
    QTest::keyClick(list, list->currentRow() < entry ? Qt::Key_Down : Qt::Key_Up);
  }
  ASSERT_EQ(list->currentRow(), entry);
}

// Types `text` into a field as keys, replacing what it held (the user selects it all first).
inline void TypeInto(QWidget* field, const QString& text) {
  ASSERT_NE(field, nullptr);
  field->setFocus();
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, text);
}

// Types the digits of a date or time into a date-time field as after tabbing into it: from
// its first section on, each section moving on to the next when full.
inline void TypeIntoDateTime(QDateTimeEdit* field, const QString& digits) {
  ASSERT_NE(field, nullptr);
  field->clearFocus();
  field->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(field, digits);
}

inline void PressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  QTest::keyClick(widget, key, modifiers);
}

// A click on the tab at `index`.
inline void ClickTab(QTabWidget* tabs, int index) {
  QTabBar* bar = tabs->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
  ASSERT_EQ(tabs->currentIndex(), index);
}

// A click on the toolbar button of `action` (a greyed one takes it and does nothing).
inline void ClickToolButton(QToolBar* bar, QAction* action) {
  QWidget* button = bar->widgetForAction(action);
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Opens, with a click on its title in the menu bar, the menu that holds `item`.
inline QMenu* OpenMenuOf(QMenuBar* bar, QAction* item) {
  for (QAction* title : bar->actions()) {
    QMenu* menu = title->menu();
    if (menu == nullptr || !menu->actions().contains(item)) continue;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
    return QTest::qWaitForWindowExposed(menu) ? menu : nullptr;
  }
  return nullptr;
}

// Closes a menu left open (a click on a greyed item leaves it open, as on screen), and
// takes the menu bar out of the keyboard mode Escape leaves it in.
inline void CloseMenu(QMenuBar* bar, QMenu* menu) {
  for (int guard = 0; guard < 3 && menu->isVisible(); ++guard)
    QTest::keyClick(menu, Qt::Key_Escape);
  if (bar->hasFocus()) QTest::keyClick(bar, Qt::Key_Escape);
}

// A menu command chosen with the mouse: its menu opened from the menu bar, then a click on
// the item. A command that opens a modal window returns when that window closes.
inline void ChooseMenuItem(QMenuBar* bar, QAction* item) {
  QMenu* menu = OpenMenuOf(bar, item);
  ASSERT_NE(menu, nullptr) << item->text().toStdString() << " is in no open menu";
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  CloseMenu(bar, menu);
}

// The same command reached with the keys once its menu is open: Down to the item, Enter.
inline void ChooseMenuItemWithKeys(QMenuBar* bar, QAction* item) {
  QMenu* menu = OpenMenuOf(bar, item);
  ASSERT_NE(menu, nullptr) << item->text().toStdString() << " is in no open menu";
  for (qsizetype guard = menu->actions().size(); menu->activeAction() != item && guard >= 0;
       --guard) {
    QTest::keyClick(menu, Qt::Key_Down);
  }
  ASSERT_EQ(menu->activeAction(), item) << item->text().toStdString() << " cannot be reached";
  QTest::keyClick(menu, Qt::Key_Return);
  CloseMenu(bar, menu);
}

// Moves a horizontal slider to `value` with the keys: Home, then page steps, then single
// steps.
inline void SlideWithKeys(QSlider* slider, int value) {
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Home);
  for (int guard = slider->maximum(); slider->value() + slider->pageStep() <= value && guard >= 0;
       --guard) {
    QTest::keyClick(slider, Qt::Key_PageUp);
  }
  for (int guard = slider->maximum(); slider->value() < value && guard >= 0; --guard)
    QTest::keyClick(slider, Qt::Key_Right);
  ASSERT_EQ(slider->value(), value);
}

// Runs `act` on the modal window of type Dialog once `open` (what the user does to bring it
// up) has shown it, then closes the window if `act` left it open. `open` returns when the
// window has closed.
template <typename Dialog, typename Open, typename Act>
void WithModal(Open open, Act act) {
  bool acted = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    poll.stop();
    acted = true;
    act(*dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  QWidget* opener = QApplication::activeWindow();
  poll.start();
  open();
  poll.stop();
  EXPECT_TRUE(acted) << "the window did not open";
  // The desktop gives the activation back to the window the modal one came from.
  if (opener != nullptr && opener->isVisible()) {
    opener->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(opener));
  }
}

}  // namespace vx::test
