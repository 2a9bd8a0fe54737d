#include "sim/scpi_command.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace vx::sim {
namespace {

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view TrimBlank(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

struct Spelling {
  Kw kw;
  std::string_view mixed;  // long form; its upper-case letters (and digits) are the short form
};

// The SCPI spellings, long form with the short form in upper case.
constexpr Spelling kSpellings[] = {
    {Kw::Sense, "SENSe"},
    {Kw::Voltage, "VOLTage"},
    {Kw::Current, "CURRent"},
    {Kw::Resistance, "RESistance"},
    {Kw::FResistance, "FRESistance"},
    {Kw::Frequency, "FREQuency"},
    {Kw::Period, "PERiod"},
    {Kw::Continuity, "CONTinuity"},
    {Kw::Diode, "DIODe"},
    {Kw::Temperature, "TEMPerature"},
    {Kw::TCouple, "TCOuple"},
    {Kw::Ratio, "RATio"},
    {Kw::Capacitance, "CAPacitance"},
    {Kw::Dc, "DC"},
    {Kw::Ac, "AC"},
    {Kw::Range, "RANGe"},
    {Kw::Auto, "AUTO"},
    {Kw::Upper, "UPPer"},
    {Kw::Aperture, "APERture"},
    {Kw::Detector, "DETector"},
    {Kw::Bandwidth, "BANDwidth"},
    {Kw::NPLCycles, "NPLCycles"},
    {Kw::Resolution, "RESolution"},
    {Kw::Function, "FUNCtion"},
    {Kw::Route, "ROUTe"},
    {Kw::State, "STATe"},
    {Kw::Count, "COUNt"},
    {Kw::Timer, "TIMer"},
    {Kw::Step, "STEP"},
    {Kw::Scan, "SCAN"},
    {Kw::Start, "STARt"},
    {Kw::Sample, "SAMPle"},
    {Kw::Trigger, "TRIGger"},
    {Kw::Source, "SOURce"},
    {Kw::Delay, "DELay"},
    {Kw::Initiate, "INITiate"},
    {Kw::Immediate, "IMMediate"},
    {Kw::Abort, "ABORt"},
    {Kw::System, "SYSTem"},
    {Kw::Error, "ERRor"},
    {Kw::Next, "NEXT"},
    {Kw::Version, "VERSion"},
    {Kw::Fetch, "FETCh"},
    {Kw::Read, "READ"},
    {Kw::Configure, "CONFigure"},
    {Kw::Measure, "MEASure"},
    {Kw::Unit, "UNIT"},
    {Kw::Type, "TYPE"},
    {Kw::Alpha, "ALPHa"},
    {Kw::Beta, "BETA"},
    {Kw::Delta, "DELTa"},
    {Kw::RZero, "RZERo"},
    {Kw::Rtd, "RTD"},
    {Kw::Sprtd, "SPRTD"},
    {Kw::A4, "A4"},
    {Kw::B4, "B4"},
    {Kw::Ax, "AX"},
    {Kw::Bx, "BX"},
    {Kw::Cx, "CX"},
};

struct Entry {
  Kw kw;
  std::string_view longForm;   // upper case
  std::string_view shortForm;  // upper case
};

struct Table {
  std::string storage;                        // upper-case long forms, back to back
  std::array<std::vector<Entry>, 36> bucket;  // by first character: A-Z, 0-9
};

int BucketOf(char upper) {
  if (upper >= 'A' && upper <= 'Z') return upper - 'A';
  if (IsDigit(upper)) return 26 + (upper - '0');
  return -1;
}

const Table& KeywordTable() {
  static const Table table = [] {
    Table t;
    size_t total = 0;
    for (const Spelling& s : kSpellings) total += s.mixed.size();
    t.storage.reserve(total);
    std::vector<std::pair<size_t, size_t>> places;
    for (const Spelling& s : kSpellings) {
      places.emplace_back(t.storage.size(), s.mixed.size());
      for (char c : s.mixed) t.storage.push_back(Upper(c));
    }
    for (size_t i = 0; i < std::size(kSpellings); ++i) {
      const Spelling& s = kSpellings[i];
      size_t shortLength = 0;
      while (shortLength < s.mixed.size() &&
             ((s.mixed[shortLength] >= 'A' && s.mixed[shortLength] <= 'Z') ||
              IsDigit(s.mixed[shortLength]))) {
        ++shortLength;
      }
      const std::string_view longForm(t.storage.data() + places[i].first, places[i].second);
      t.bucket[static_cast<size_t>(BucketOf(longForm[0]))].push_back(
          Entry{s.kw, longForm, longForm.substr(0, shortLength)});
    }
    return t;
  }();
  return table;
}

Kw LookUp(std::string_view upper) {
  const int b = BucketOf(upper.empty() ? '\0' : upper[0]);
  if (b < 0) return Kw::None;
  for (const Entry& e : KeywordTable().bucket[static_cast<size_t>(b)]) {
    if (upper == e.shortForm || upper == e.longForm) return e.kw;
  }
  return Kw::None;
}

// One node of a header: a keyword, maybe with a numeric suffix.
bool ParseNode(std::string_view token, Kw& kw, std::uint8_t& suffix) {
  char buffer[16];
  if (token.empty() || token.size() > sizeof buffer) return false;
  for (size_t i = 0; i < token.size(); ++i) {
    const char c = Upper(token[i]);
    if (!((c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_')) return false;
    buffer[i] = c;
  }
  std::string_view upper(buffer, token.size());
  kw = LookUp(upper);
  suffix = 0;
  if (kw != Kw::None) return true;
  size_t digits = 0;
  while (digits < upper.size() && IsDigit(upper[upper.size() - 1 - digits])) ++digits;
  if (digits == 0 || digits == upper.size() || digits > 2) return false;
  const std::string_view number = upper.substr(upper.size() - digits);
  int n = 0;
  for (char c : number) n = n * 10 + (c - '0');
  if (n < 1) return false;
  kw = LookUp(upper.substr(0, upper.size() - digits));
  suffix = static_cast<std::uint8_t>(n);
  return kw != Kw::None;
}

}  // namespace

Kw KeywordOfSpelling(std::string_view mixed) {
  for (const Spelling& s : kSpellings) {
    if (s.mixed == mixed) return s.kw;
  }
  return Kw::None;
}

HeaderResult ParseHeader(std::string_view text, Header& header) {
  header = Header{};
  if (!text.empty() && text.back() == '?') {
    header.query = true;
    text.remove_suffix(1);
  }
  if (text.empty()) return HeaderResult::Syntax;
  if (text.front() == '*') {
    text.remove_prefix(1);
    if (text.size() < 3 || text.size() > 3) return HeaderResult::Undefined;
    header.common = true;
    for (size_t i = 0; i < 3; ++i) {
      const char c = Upper(text[i]);
      if (c < 'A' || c > 'Z') return HeaderResult::Undefined;
      header.name[i] = c;
    }
    return HeaderResult::Ok;
  }
  if (text.front() == ':') text.remove_prefix(1);
  while (true) {
    const size_t colon = text.find(':');
    const std::string_view token = text.substr(0, colon);
    if (token.empty()) return HeaderResult::Syntax;
    if (header.count == Header::kMaxNodes) return HeaderResult::Undefined;
    const auto slot = static_cast<size_t>(header.count);
    if (!ParseNode(token, header.nodes[slot], header.suffix[slot])) {
      return HeaderResult::Undefined;
    }
    ++header.count;
    if (colon == std::string_view::npos) break;
    text.remove_prefix(colon + 1);
  }
  return HeaderResult::Ok;
}

namespace {

// The text up to the first `separator` outside quotes; `rest` moves past the separator.
std::string_view TakeUntil(std::string_view& rest, char separator) {
  char quote = '\0';
  size_t i = 0;
  for (; i < rest.size(); ++i) {
    const char c = rest[i];
    if (quote != '\0') {
      if (c == quote) quote = '\0';
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == separator) {
      break;
    }
  }
  const std::string_view part = rest.substr(0, i);
  rest = i < rest.size() ? rest.substr(i + 1) : std::string_view{};
  return part;
}

}  // namespace

bool NextCommand(std::string_view& rest, std::string_view& command) {
  if (rest.empty()) return false;
  command = TakeUntil(rest, ';');
  return true;
}

void SplitHeader(std::string_view command, std::string_view& header, std::string_view& params) {
  command = TrimBlank(command);
  size_t end = 0;
  while (end < command.size() && !IsBlank(command[end])) ++end;
  header = command.substr(0, end);
  params = TrimBlank(command.substr(end));
}

bool NextParameter(std::string_view& rest, std::string_view& parameter) {
  if (TrimBlank(rest).empty()) return false;
  parameter = TrimBlank(TakeUntil(rest, ','));
  return true;
}

bool ParseNumber(std::string_view text, double& value) {
  text = TrimBlank(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || !(IsDigit(text.front()) || text.front() == '.')) return false;
  double parsed = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) {
    return false;
  }
  value = negative ? -parsed : parsed;
  return true;
}

bool ParseBoolean(std::string_view text, bool& value) {
  text = TrimBlank(text);
  if (MatchesKeyword(text, "ON")) {
    value = true;
    return true;
  }
  if (MatchesKeyword(text, "OFF")) {
    value = false;
    return true;
  }
  double number = 0;
  if (!ParseNumber(text, number)) return false;
  value = std::lround(number) != 0;
  return true;
}

bool MatchesKeyword(std::string_view text, std::string_view mixedCaseKeyword) {
  size_t shortLength = 0;
  while (shortLength < mixedCaseKeyword.size() &&
         !(mixedCaseKeyword[shortLength] >= 'a' && mixedCaseKeyword[shortLength] <= 'z')) {
    ++shortLength;
  }
  if (text.size() != shortLength && text.size() != mixedCaseKeyword.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Upper(text[i]) != Upper(mixedCaseKeyword[i])) return false;
  }
  return true;
}

std::string_view Unquote(std::string_view text) {
  text = TrimBlank(text);
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(text[i]) != Upper(prefix[i])) return false;
  }
  return true;
}

}  // namespace vx::sim
