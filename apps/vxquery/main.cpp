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
#include "instrument/device_table.h"
#include "visa/read_message.h"
#include "visa/visa.h"

namespace {

constexpr const char* kUsage =
    "usage: vxquery list [EXPR]\n"
    "       vxquery scan\n"
    "       vxquery query [--timeout MS] [--repeat N] DESCRIPTOR COMMAND\n"
    "\n"
    "  list    print the VISA resources that match EXPR (default \"?*INSTR\")\n"
    "  scan    find the meters as the front panel does; one line per meter:\n"
    "          display name, a tab, identity answer\n"
    "  query   send COMMAND (a line feed is added) and print the answer of a query;\n"
    "          --timeout is the session time-out in ms (default 20000); an answer\n"
    "          must end within ten times it and 64 MiB, else the query fails;\n"
    "          --repeat sends it N times and reports the rate\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
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

int List(const char* expression) {
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
  for (ViUInt32 i = 0; i < count; ++i) {
    if (i > 0 && viFindNext(list, descriptor) < VI_SUCCESS) break;
    std::printf("%s\n", descriptor);
  }
  viClose(manager);
  return 0;
}

int Scan() {
  vx::instrument::DeviceTable table;
  const std::vector<std::string> names = table.ScanMeters(vx::instrument::kPanelScan);
  if (names.empty()) {
    std::fprintf(stderr, "vxquery: No Device Connected\n");
    return 1;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    std::printf("%s\t%s\n", names[i].c_str(),
                Printable(table.MeterIdentity(static_cast<int>(i))).c_str());
  }
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

int Query(int argc, char** argv) {
  unsigned long timeout = 20000;
  unsigned long repeat = 1;
  int i = 0;
  while (i < argc && argv[i][0] == '-' && argv[i][1] == '-') {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    unsigned long* target = option == "--timeout"  ? &timeout
                            : option == "--repeat" ? &repeat
                                                   : nullptr;
    if (!target || !ParseCount(argv[i + 1], *target) || (target == &repeat && repeat == 0) ||
        (target == &timeout && timeout > 0xFFFFFFFFul)) {
      std::fprintf(stderr, "vxquery: bad option %s %s\n", argv[i], argv[i + 1]);
      return 2;
    }
    i += 2;
  }
  if (argc - i != 2) return Usage();
  const char* descriptor = argv[i];
  const std::string command = std::string(argv[i + 1]) + "\n";
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
  if (argc < 2) return Usage();
  const std::string verb = argv[1];
  if ((verb == "--help" || verb == "-h") && argc == 2) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (verb == "list" && argc <= 3) return List(argc == 3 ? argv[2] : "?*INSTR");
  if (verb == "scan" && argc == 2) return Scan();
  if (verb == "query") return Query(argc - 2, argv + 2);
  return Usage();
}
