#include "common/scripted_prompter.h"

namespace vx {

MessageAnswer FirstButton(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
      return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
      return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
      return MessageAnswer::Retry;
  }
  return MessageAnswer::Ok;
}

MessageAnswer ScriptedPrompter::Message(const MessageRequest& request) {
  Record record;
  record.kind = Kind::Message;
  record.message = request;
  records_.push_back(std::move(record));
  if (!answers_.empty()) {
    const MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return request.defaultButton.value_or(FirstButton(request.buttons));
}

std::optional<std::string> ScriptedPrompter::SaveFileName(const SaveFileRequest& request) {
  Record record;
  record.kind = Kind::SaveFile;
  record.saveFile = request;
  records_.push_back(std::move(record));
  if (files_.empty()) return std::nullopt;
  auto path = std::move(files_.front());
  files_.pop_front();
  return path;
}

std::optional<Rgb> ScriptedPrompter::ChooseColour(Rgb initial) {
  Record record;
  record.kind = Kind::Colour;
  record.initialColour = initial;
  records_.push_back(std::move(record));
  if (colours_.empty()) return std::nullopt;
  const auto colour = colours_.front();
  colours_.pop_front();
  return colour;
}

std::vector<MessageRequest> ScriptedPrompter::Messages() const {
  std::vector<MessageRequest> messages;
  for (const Record& record : records_) {
    if (record.kind == Kind::Message) messages.push_back(record.message);
  }
  return messages;
}

}  // namespace vx
