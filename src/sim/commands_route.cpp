// The ROUTe subsystem: the scanner card's presence, its channel functions, the scan count and
// dwell timer, and the scan itself with its progress.

#include <cmath>

#include "sim/meter_engine.h"

namespace vx::sim {

void MeterEngine::AddRouteCommands(CommandList& list) {
  list.insert(list.end(), {
                              {"ROUTe:STATe?", &MeterEngine::RouteStateQuery},
                              {"ROUTe:SCAN", &MeterEngine::ScanStartCommand, 0},
                              {"ROUTe:SCAN:STARt", &MeterEngine::ScanStartCommand, 0},
                              {"ROUTe:SCAN:STEP", &MeterEngine::ScanStartCommand, 1},
                              {"ROUTe:SCAN:FUNCtion[?]", &MeterEngine::ScanFunctionCommand},
                              {"ROUTe:SCAN:COUNt[?]", &MeterEngine::ScanCountCommand},
                              {"ROUTe:SCAN:TIMer[?]", &MeterEngine::ScanTimerCommand},
                              {"ROUTe:SCAN:STATe?", &MeterEngine::ScanStateQuery},
                          });
}

// "1" for a 10-channel card, "2" for a 20-channel card, "0" without a card.
void MeterEngine::RouteStateQuery(const Call& c) {
  if (!NoParams(c.params)) return;
  AnswerInteger(card_.Channels() == 10 ? 1 : card_.Channels() == 20 ? 2 : 0);
}

bool MeterEngine::CardPresent() {
  if (card_.Present()) return true;
  AddError(-241);
  return false;
}

// "ROUTe:SCAN" and "ROUTe:SCAN:STARt" start a scan; "ROUTe:SCAN:STEP" (argument 1) starts
// one that steps channel by channel.
void MeterEngine::ScanStartCommand(const Call& c) {
  if (!CardPresent() || !NoParams(c.params)) return;
  const double seconds = std::chrono::duration<double>(c.now - powerOn_).count();
  if (!card_.Start(c.now, c.arg == 1, seconds)) {
    AddError(-221);  // no channel to scan
    return;
  }
  scanMode_ = true;
  memoryValid_ = false;
}

void MeterEngine::ScanFunctionCommand(const Call& c) {
  if (!CardPresent()) return;
  std::string_view rest = c.params;
  std::string_view channelText;
  if (!NextParameter(rest, channelText) || channelText.empty()) {
    AddError(-109);
    return;
  }
  double channel = 0;
  if (!ParseNumber(channelText, channel) || channel != std::floor(channel)) {
    AddError(-104);
    return;
  }
  std::string_view functionText;
  const bool hasFunction = NextParameter(rest, functionText);
  std::string_view extra;
  if (NextParameter(rest, extra) || (c.Query() && hasFunction)) {
    AddError(-108);
    return;
  }
  if (channel < 1 || channel > card_.Channels()) {
    AddError(-222);
    return;
  }
  const int k = static_cast<int>(channel);
  if (c.Query()) {
    std::string& out = Answer();
    out.push_back('"');
    out += ChannelFunctionName(card_.FunctionOf(k));
    out.push_back('"');
    return;
  }
  if (!hasFunction || functionText.empty()) {
    AddError(-109);
    return;
  }
  const auto f = ChannelFunctionFromName(Unquote(functionText));
  if (!f) {
    AddError(-224);
    return;
  }
  if (card_.SetFunction(k, *f) != ScannerCard::SetResult::Ok) AddError(-221);
}

void MeterEngine::ScanCountCommand(const Call& c) {
  if (!CardPresent()) return;
  if (c.Query()) {
    if (NoParams(c.params)) AnswerInteger(card_.Count());
    return;
  }
  double value = 0;
  if (!RangedParam(c.params, 0, ScannerCard::kMaxCount, Specials::Refused, value)) return;
  if (value != std::floor(value)) {
    AddError(-222);
    return;
  }
  card_.SetCount(static_cast<int>(value));
}

void MeterEngine::ScanTimerCommand(const Call& c) {
  if (!CardPresent()) return;
  if (c.Query()) {
    if (NoParams(c.params)) AnswerNumber(card_.Timer());
    return;
  }
  double value = 0;
  if (!RangedParam(c.params, 0, 3600, Specials::Refused, value)) return;
  card_.SetTimer(value);
}

void MeterEngine::ScanStateQuery(const Call& c) {
  if (CardPresent() && NoParams(c.params)) AnswerInteger(card_.Complete(c.now));
}

}  // namespace vx::sim
