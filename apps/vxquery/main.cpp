// vxquery: the first check a user makes. Lists VISA resources, runs the front panel's meter
// scan, or sends one command and prints the answer.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/c_number.h"
#include "common/command_line.h"
#include "common/json_text.h"
#include "instrument/device_table.h"
#include "visa/read_message.h"
#include "visa/visa.h"

namespace {

constexpr const char* kUsage =
    "usage: vxquery list [--json] [EXPR]\n"
    "       vxquery scan [--json]\n"
    "       vxquery query [--timeout MS] [--repeat N] DESCRIPTOR COMMAND\n"
    "\n"
    "  list    print the VISA resources that match EXPR (default \"?*INSTR\")\n"
    "  scan    find the meters as the front panel does; one line per meter:\n"
    "          display name, a tab, identity answer\n"
    "  query   send COMMAND (a line feed is added) and print the answer of a query;\n"
    "          --timeout is the session time-out in ms (default 20000); an answer\n"
    "          must end within ten times it and 64 MiB, else the query fails;\n"
    "          --repeat sends it N times and reports the rate\n"
    "  --json  list and scan print a JSON array instead: [{\"descriptor\": ...}] for list,\n"
    "          [{\"name\": ..., \"identity\": ..., \"descriptor\": ...}] for scan\n"
    "  --version  the program's version\n"
    "Exit status: 0 done, 1 a VISA failure or no meter found, 2 a wrong command line.\n";

// The arguments of a command: its options and the rest, in order.
struct Arguments {
  bool json = false;
  std::vector<std::string_view> rest;
};

// Takes --json wherever it stands among `line`'s remaining arguments; any other option is
// unknown.
Arguments TakeJsonOption(vx::CommandLine& line) {
  Arguments arguments;
  while (!line.Done() && !line.Failed()) {
    const std::string_view argument = line.Next();
    if (argument == "--json") {
      arguments.json = true;
    } else if (argument.size() > 1 && argument.front() == '-') {
      line.Unknown(argument);
    } else {
      arguments.rest.push_back(argument);
    }
  }
  return arguments;
}

// Prints a VISA failure in the library's words and gives the exit status.
int Failure(ViObject object, ViStatus status, const std::string& what) {
  char text[VI_FIND_BUFLEN] = {};
  viStatusDesc(object, status, text);
  std::fprintf(stderr, "vxquery: %s: %s\n", what.c_str(), text);
  return 1;
}

// Answers may hold any byte; show the unprintable ones as \xNN so the terminal stays sane.
std::string Printable(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 0x20 && u < 0x7F) || c == '\t') {
      out += c;
    } else {
      out += vx::FormatC("\\x%02X", u);
    }
  }
  return out;
}

int List(const char* expression, bool json) {
  ViSession manager = VI_NULL;
  ViStatus status = viOpenDefaultRM(&manager);
  if (status < VI_SUCCESS) return Failure(VI_NULL, status, "cannot open the resource manager");
  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  char descriptor[VI_FIND_BUFLEN] = {};
  status = viFindRsrc(manager, expression, &list, &count, descriptor);
  if (status < VI_SUCCESS) {
    const int result = Failure(manager, status, std::string("search \"") + expression + "\"");
    viClose(manager);
    return result;
  }
  std::string out = json ? "[" : "";
  for (ViUInt32 i = 0; i < count; ++i) {
    if (i > 0 && viFindNext(list, descriptor) < VI_SUCCESS) break;
    if (json) {
      out += (i > 0 ? ",\n " : "") + std::string("{\"descriptor\": ") + vx::JsonString(descriptor) +
             "}";
    } else {
      out += std::string(descriptor) + "\n";
    }
  }
  if (json) out += "]\n";
  std::fputs(out.c_str(), stdout);
  viClose(manager);
  return 0;
}

int Scan(bool json) {
  vx::instrument::DeviceTable table;
  const std::vector<std::string> names = table.ScanMeters(vx::instrument::kPanelScan);
  if (names.empty()) {
    std::fprintf(stderr, "vxquery: No Device Connected\n");
    return 1;
  }
  std::string out = json ? "[" : "";
  for (size_t i = 0; i < names.size(); ++i) {
    const int k = static_cast<int>(i);
    if (json) {
      out += (i > 0 ? ",\n " : "") + std::string("{\"name\": ") + vx::JsonString(names[i]) +
             ", \"identity\": " + vx::JsonString(table.MeterIdentity(k)) +
             ", \"descriptor\": " + vx::JsonString(table.MeterResource(k)) + "}";
    } else {
      out += names[i] + "\t" + Printable(table.MeterIdentity(k)) + "\n";
    }
  }
  if (json) out += "]\n";
  std::fputs(out.c_str(), stdout);
  return 0;
}

// Reads one whole answer into `answer`: at most 64 MiB, within ten times the time-out.
ViStatus ReadAnswer(ViSession session, std::string& answer) {
  return vx::visa::ReadMessage(session, 1024, answer);
}

bool ParseCount(const char* text, unsigned long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoul(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

int Query(vx::CommandLine& line) {
  unsigned long timeout = 20000;
  unsigned long repeat = 1;
  std::vector<std::string_view> positional;
  while (!line.Done() && !line.Failed()) {
    const std::string_view option = line.Next();
    if (option == "--timeout" || option == "--repeat") {
      const auto value = line.Value(option);
      if (!value) break;
      unsigned long& target = option == "--timeout" ? timeout : repeat;
      const std::string text(*value);
      if (!ParseCount(text.c_str(), target) || (&target == &repeat && repeat == 0) ||
          (&target == &timeout && timeout > 0xFFFFFFFFul)) {
        line.RefuseValue(option, option == "--timeout" ? "a time-out in ms, not \"" + text + "\""
                                                       : "a count from 1, not \"" + text + "\"");
      }
    } else if (option.size() > 1 && option.front() == '-' && positional.empty()) {
      line.Unknown(option);
    } else {
      positional.push_back(option);
    }
  }
  if (!line.Failed() && positional.size() != 2) {
    line.Refuse(positional.size() < 2
                    ? "query needs a DESCRIPTOR and a COMMAND"
                    : "unexpected argument \"" + std::string(positional[2]) + "\"");
  }
  if (line.Failed()) return line.Fail();
  const std::string descriptorText(positional[0]);
  const char* descriptor = descriptorText.c_str();
  const std::string command = std::string(positional[1]) + "\n";
  const bool isQuery = command.find('?', 1) != std::string::npos;

  ViSession manager = VI_NULL;
  ViSession session = VI_NULL;
  ViStatus status = viOpenDefaultRM(&manager);
  if (status < VI_SUCCESS) return Failure(VI_NULL, status, "cannot open the resource manager");
  status = viOpen(manager, descriptor, VI_NO_LOCK, 0, &session);
  if (status < VI_SUCCESS) {
    const int result = Failure(manager, status, std::string("cannot open ") + descriptor);
    viClose(manager);
    return result;
  }
  viSetAttribute(session, VI_ATTR_TMO_VALUE, timeout);

  std::string answer;
  int result = 0;
  const auto start = std::chrono::steady_clock::now();
  for (unsigned long n = 0; n < repeat && result == 0; ++n) {
    ViUInt32 written = 0;
    status = viWrite(session, reinterpret_cast<const unsigned char*>(command.data()),
                     static_cast<ViUInt32>(command.size()), &written);
    if (status < VI_SUCCESS) {
      result = Failure(session, status, "write");
    } else if (isQuery) {
      status = ReadAnswer(session, answer);
      if (status < VI_SUCCESS) result = Failure(session, status, "read");
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result == 0) {
    if (isQuery) std::printf("%s\n", Printable(vx::TrimRight(answer, "\r\n")).c_str());
    if (repeat > 1) {
      std::printf("%s\n", vx::FormatC("%lu queries in %.3f s (%.0f per second)", repeat, seconds,
                                      seconds > 0 ? repeat / seconds : 0.0)
                              .c_str());
    }
  }
  viClose(manager);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  vx::CommandLine line("vxquery", kUsage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  if (line.Done()) return line.Fail("a command is needed: list, scan or query");
  const std::string_view verb = line.Next();
  if (verb == "query") return Query(line);
  if (verb != "list" && verb != "scan") {
    if (verb.size() > 1 && verb.front() == '-') {
      line.Unknown(verb);
    } else {
      line.Refuse("unknown command \"" + std::string(verb) + "\": list, scan or query");
    }
    return line.Fail();
  }
  const Arguments arguments = TakeJsonOption(line);
  if (!line.Failed() && arguments.rest.size() > (verb == "list" ? 1u : 0u)) {
    line.Unknown(arguments.rest.back());
  }
  if (line.Failed()) return line.Fail();
  if (verb == "scan") return Scan(arguments.json);
  const std::string expression(arguments.rest.empty() ? "?*INSTR" : arguments.rest[0]);
  return List(expression.c_str(), arguments.json);
}
