#include "common/wait_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace vx {

WaitCursor::WaitCursor() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
  QGuiApplication::restoreOverrideCursor();
}

}  // namespace vx
