#pragma once
// A Prompter for tests: answers from queues filled by the test and records every prompt.

#include <deque>
#include <vector>

#include "common/prompt.h"

namespace vx {

class ScriptedPrompter final : public Prompter {
 public:
  enum class Kind { Message, SaveFile, Colour };
  struct Record {
    Kind kind = Kind::Message;
    MessageRequest message;    // for Kind::Message
    SaveFileRequest saveFile;  // for Kind::SaveFile
    Rgb initialColour;         // for Kind::Colour
  };

  using Prompter::Message;
  MessageAnswer Message(const MessageRequest& request) override;
  std::optional<std::string> SaveFileName(const SaveFileRequest& request) override;
  std::optional<Rgb> ChooseColour(Rgb initial) override;

  // Without a queued answer a message box answers its default button, a file chooser and a
  // colour chooser answer Cancel.
  void QueueAnswer(MessageAnswer answer) { answers_.push_back(answer); }
  void QueueSaveFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
  void QueueColour(std::optional<Rgb> colour) { colours_.push_back(colour); }

  const std::vector<Record>& Records() const { return records_; }
  std::vector<MessageRequest> Messages() const;
  void Clear() { records_.clear(); }

 private:
  std::deque<MessageAnswer> answers_;
  std::deque<std::optional<std::string>> files_;
  std::deque<std::optional<Rgb>> colours_;
  std::vector<Record> records_;
};

}  // namespace vx
