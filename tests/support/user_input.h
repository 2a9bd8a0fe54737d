#pragma once
// Driving a window as its user does: mouse clicks on the very place a control or list entry
// is drawn, and key presses into the widget that has the focus. A handler that reacts to one
// way of choosing and not to another (a mouse press makes a row current before it selects
// it; arrow keys do both at once) only shows when a test chooses the way a user does.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeWidget>

namespace vx::test {

// The window must be shown for clicks to land where a user would click.
inline void ShowForInput(QWidget& window) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
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

// Clicks a push button, check box or radio button in its middle (a disabled one takes the
// click and does nothing, as on screen).
inline void Click(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString() << " is not shown";
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
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

inline void PressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  QTest::keyClick(widget, key, modifiers);
}

}  // namespace vx::test
