#pragma once
// The command console's exchanges with a meter, free of any window: a raw SCPI line written
// as the user typed it, answers read to their end however long, and VISA failures reported
// in the answer field. Unlike the other windows, the console looks at every VISA status.

#include <optional>
#include <string>
#include <string_view>

#include "common/prompt.h"
#include "config/command_history.h"
#include "visa/visa.h"

namespace vx::config {

// The longest command the console sends: its buffer holds the text, the line feed and the
// terminator in 100 bytes.
inline constexpr size_t kMaxCommandBytes = 98;

// Shown in the answer field after a failed read, or a failed write.
inline constexpr std::string_view kReadFailed = "Couldn't return a value.";
inline constexpr std::string_view kWriteFailed = "FAIL.";

struct ReadOutcome {
  std::string text;              // the joined blocks, trailing white space removed
  ViStatus status = VI_SUCCESS;  // of the last read
};

// Reads blocks of 1024 bytes while a read fills its block before the end of the message
// (VI_SUCCESS_MAX_CNT): an answer of exactly 1024 bytes ends with success after one read.
// An answer that does not end within 64 MiB or ten times the time-out fails
// (visa::ReadMessage).
ReadOutcome ReadWholeAnswer(ViSession session);

// Writes `text` and a line feed as raw bytes, never as a format.
ViStatus WriteLine(ViSession session, std::string_view text);

// An answer as the answer field shows it: a NUL byte, which would end the text anywhere else,
// shows as the symbol for NUL.
std::string DisplayableAnswer(std::string_view answer);

class ConsoleExchange {
 public:
  explicit ConsoleExchange(Prompter& prompter) : prompter_(prompter) {}

  // Each returns the new text of the answer field, or std::nullopt when nothing was done
  // (no meter, or a command too long to send, which is refused with a message) and the
  // field stays as it was.

  // Writes the command and reads the answer; the command goes into the history.
  std::optional<std::string> Query(ViSession session, const std::string& command);
  // Writes the command only; the field is emptied, or shows "FAIL."; into the history.
  std::optional<std::string> Write(ViSession session, const std::string& command);
  // Reads whatever the meter has to say; the history is not touched.
  std::optional<std::string> Read(ViSession session);

  const CommandHistory& History() const { return history_; }

 private:
  bool Refuse(const std::string& command);
  static std::string ShownAnswer(const ReadOutcome& outcome);

  Prompter& prompter_;
  CommandHistory history_;
};

}  // namespace vx::config
