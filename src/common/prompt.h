#pragma once
// Every message box, save-file chooser and colour chooser of the system is asked through this
// interface: production shows the Qt dialogs, tests script the answers and read back what
// was asked.

#include <cstdint>
#include <optional>
#include <string>

#include "common/rgb.h"

namespace vx {

enum class MessageIcon { None, Information, Exclamation, Stop, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

struct MessageRequest {
  std::string text;
  std::string title;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  // The button that Enter presses; the first button when not given.
  std::optional<MessageAnswer> defaultButton;
};

struct SaveFileRequest {
  // Filter in the "Description|pattern|Description|pattern||" form the windows use.
  std::string filter;
  std::string defaultName;
  std::string defaultExtension;
  std::string initialFolder;
  bool overwritePrompt = false;
};

// The first button of a button set: what a box answers when the user just presses Enter
// and no default was given.
MessageAnswer FirstButton(MessageButtons buttons);

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual MessageAnswer Message(const MessageRequest& request) = 0;
  // The full path of the file chosen, or std::nullopt on Cancel.
  virtual std::optional<std::string> SaveFileName(const SaveFileRequest& request) = 0;
  // The colour chosen, or std::nullopt on Cancel.
  virtual std::optional<Rgb> ChooseColour(Rgb initial) = 0;

  MessageAnswer Message(std::string text, std::string title, MessageIcon icon,
                        MessageButtons buttons = MessageButtons::Ok,
                        std::optional<MessageAnswer> defaultButton = std::nullopt) {
    return Message(MessageRequest{std::move(text), std::move(title), icon, buttons, defaultButton});
  }
};

}  // namespace vx
