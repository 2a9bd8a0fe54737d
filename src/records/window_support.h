#pragma once
// Small pieces the record windows share: captions as Qt text, the wait cursor, twips, and a
// prompter that lifts the wait cursor while a box or chooser is up.

#include <QString>

#include "common/prompt.h"

class QWidget;

namespace vx::records {

// Caption(key, englishDefault) as Qt text.
QString CaptionText(const char* key, const char* englishDefault);

// The wait cursor for the life of the object.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

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
