#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleHints>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  // A quick user's double-click time keeps the mouse-driven window tests short (a combo box's
  // list waits that long before it takes a click).
  QApplication::styleHints()->setMouseDoubleClickInterval(120);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
