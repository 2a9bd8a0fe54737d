#include "common/terminal_prompter.h"

#include <cctype>
#include <string>

namespace vx {
namespace {

const char* ChoiceText(MessageButtons buttons, MessageAnswer fallback) {
  switch (buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
      return fallback == MessageAnswer::Yes ? " [Y/n] " : " [y/N] ";
    case MessageButtons::OkCancel:
    case MessageButtons::RetryCancel:
      return fallback == MessageAnswer::Cancel ? " [y/N] " : " [Y/n] ";
    case MessageButtons::Ok:
      return "";
  }
  return "";
}

// The answer a "y" gives for a button set, and the one a "n" gives.
MessageAnswer Affirmative(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
      return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
      return MessageAnswer::Retry;
    default:
      return MessageAnswer::Ok;
  }
}

MessageAnswer Negative(MessageButtons buttons) {
  return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
             ? MessageAnswer::No
             : MessageAnswer::Cancel;
}

}  // namespace

MessageAnswer TerminalPrompter::Message(const MessageRequest& request) {
  const MessageAnswer fallback = request.defaultButton.value_or(FirstButton(request.buttons));
  std::string text = request.text;
  for (char& c : text) {
    if (c == '\r') c = ' ';
  }
  std::fprintf(out_, "%s%s%s%s", request.title.empty() ? "" : request.title.c_str(),
               request.title.empty() ? "" : ": ", text.c_str(),
               ChoiceText(request.buttons, fallback));
  if (request.buttons == MessageButtons::Ok) {
    std::fputc('\n', out_);
    std::fflush(out_);
    return MessageAnswer::Ok;
  }
  std::fflush(out_);
  char line[64] = {};
  if (std::fgets(line, sizeof line, in_) == nullptr) return fallback;
  const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
  if (first == 'y') return Affirmative(request.buttons);
  if (first == 'n') return Negative(request.buttons);
  return fallback;
}

std::optional<std::string> TerminalPrompter::SaveFileName(const SaveFileRequest& /*request*/) {
  return std::nullopt;
}

std::optional<Rgb> TerminalPrompter::ChooseColour(Rgb /*initial*/) {
  return std::nullopt;
}

}  // namespace vx
