#include "config/console_exchange.h"

#include <algorithm>
#include <array>

#include "common/c_number.h"
#include "common/captions.h"
#include "visa/read_message.h"

namespace vx::config {
namespace {

constexpr ViUInt32 kBlockBytes = 1024;

}  // namespace

ReadOutcome ReadWholeAnswer(ViSession session) {
  ReadOutcome outcome;
  outcome.status = visa::ReadMessage(session, kBlockBytes, outcome.text);
  outcome.text.resize(TrimRight(outcome.text).size());
  return outcome;
}

ViStatus WriteLine(ViSession session, std::string_view text) {
  std::string line(text);
  line.push_back('\n');
  ViUInt32 written = 0;
  const ViStatus status = viWrite(session, reinterpret_cast<ViConstBuf>(line.data()),
                                  static_cast<ViUInt32>(line.size()), &written);
  if (status >= VI_SUCCESS && written != line.size()) return VI_ERROR_IO;
  return status;
}

std::string DisplayableAnswer(std::string_view answer) {
  std::string shown;
  shown.reserve(answer.size());
  for (const char c : answer) {
    if (c == '\0') {
      shown += "\u2400";
    } else {
      shown.push_back(c);
    }
  }
  return shown;
}

bool ConsoleExchange::Refuse(const std::string& command) {
  if (command.size() <= kMaxCommandBytes) return false;
  prompter_.Message(Caption("1028",
                            "The command is too long: at most 98 characters can be sent. "
                            "Please shorten it."),
                    "", MessageIcon::Exclamation, MessageButtons::Ok);
  return true;
}

std::string ConsoleExchange::ShownAnswer(const ReadOutcome& outcome) {
  // Part of an answer that ended in a failure is not shown: it may be cut anywhere.
  if (outcome.status < VI_SUCCESS) return std::string(kReadFailed);
  return DisplayableAnswer(outcome.text);
}

std::optional<std::string> ConsoleExchange::Query(ViSession session, const std::string& command) {
  if (session == VI_NULL || Refuse(command)) return std::nullopt;
  const ViStatus written = WriteLine(session, command);
  history_.Add(command);
  // A command that did not go out has no answer to wait for.
  if (written < VI_SUCCESS) return std::string(kWriteFailed);
  return ShownAnswer(ReadWholeAnswer(session));
}

std::optional<std::string> ConsoleExchange::Write(ViSession session, const std::string& command) {
  if (session == VI_NULL || Refuse(command)) return std::nullopt;
  const ViStatus written = WriteLine(session, command);
  history_.Add(command);
  return written < VI_SUCCESS ? std::string(kWriteFailed) : std::string();
}

std::optional<std::string> ConsoleExchange::Read(ViSession session) {
  if (session == VI_NULL) return std::nullopt;
  return ShownAnswer(ReadWholeAnswer(session));
}

}  // namespace vx::config
