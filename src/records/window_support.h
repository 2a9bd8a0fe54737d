#pragma once
// Small pieces the record windows share: captions as Qt text and the wait cursor (from
// common), twips, and a prompter that lifts the wait cursor while a box or chooser is up.

#include <QString>

#include "common/prompt.h"
#include "common/qt_caption.h"
#include "common/wait_cursor.h"

class QWidget;

namespace vx::records {

// Twips (1440 to the inch) as pixels at the widget's logical resolution.
int TwipsToPixels(int twips, const QWidget& widget);

// Forwards to another prompter with the normal cursor shown: a box that appears in the
// middle of a busy action must not sit under an hourglass.
class ArrowWhilePrompting final : public Prompter {
 public:
  explicit ArrowWhilePrompting(Prompter& inner) : inner_(inner) {}
  using Prompter::Message;
  MessageAnswer Message(const MessageRequest& request) override;
  std::optional<std::string> SaveFileName(const SaveFileRequest& request) override;
  std::optional<Rgb> ChooseColour(Rgb initial) override;

 private:
  Prompter& inner_;
};

}  // namespace vx::records
