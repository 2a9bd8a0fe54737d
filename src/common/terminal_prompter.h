#pragma once
// A Prompter for programs run from a terminal: messages go to standard error with their
// title; a question reads its answer from standard input ("y" or "n", Enter for the
// default button). File and colour choosers answer Cancel.

#include <cstdio>

#include "common/prompt.h"

namespace vx {

class TerminalPrompter final : public Prompter {
 public:
  TerminalPrompter(std::FILE* in = stdin, std::FILE* out = stderr) : in_(in), out_(out) {}

  using Prompter::Message;
  MessageAnswer Message(const MessageRequest& request) override;
  std::optional<std::string> SaveFileName(const SaveFileRequest& request) override;
  std::optional<Rgb> ChooseColour(Rgb initial) override;

 private:
  std::FILE* in_;
  std::FILE* out_;
};

}  // namespace vx
