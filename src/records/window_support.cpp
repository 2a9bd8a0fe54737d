#include "records/window_support.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

#include <vector>

#include "common/captions.h"

namespace vx::records {
namespace {

// Lifts every wait cursor of this thread while it lives and puts them back afterwards.
class ArrowScope {
 public:
  ArrowScope() {
    while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
      lifted_.push_back(*cursor);
      QGuiApplication::restoreOverrideCursor();
    }
  }
  ~ArrowScope() {
    for (auto cursor = lifted_.rbegin(); cursor != lifted_.rend(); ++cursor)
      QGuiApplication::setOverrideCursor(*cursor);
  }
  ArrowScope(const ArrowScope&) = delete;
  ArrowScope& operator=(const ArrowScope&) = delete;

 private:
  std::vector<QCursor> lifted_;
};

}  // namespace

int TwipsToPixels(int twips, const QWidget& widget) {
  return (twips * widget.logicalDpiX() + 720) / 1440;
}

MessageAnswer ArrowWhilePrompting::Message(const MessageRequest& request) {
  ArrowScope arrow;
  return inner_.Message(request);
}

std::optional<std::string> ArrowWhilePrompting::SaveFileName(const SaveFileRequest& request) {
  ArrowScope arrow;
  return inner_.SaveFileName(request);
}

std::optional<Rgb> ArrowWhilePrompting::ChooseColour(Rgb initial) {
  ArrowScope arrow;
  return inner_.ChooseColour(initial);
}

}  // namespace vx::records
