// k9sim under the clients a hostile network brings: two clients on one port, a client that
// leaves its answers unread, hundreds of connections, a full file-descriptor table, a
// simulation file with a descriptor no VISA client could open.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "process.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

// Whether the programs under test are built with AddressSanitizer (clang or gcc).
#if defined(__SANITIZE_ADDRESS__)
#define VX_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VX_SANITIZED 1
#endif
#endif
#ifndef VX_SANITIZED
#define VX_SANITIZED 0
#endif

namespace vx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kBin = VX_BIN_DIR;
const std::string kDefaultSimulation = std::string(VX_SOURCE_DIR) + "/share/sim/default.ini";

std::map<std::string, std::string> PlainVisa() {
  return {{"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}};
}

// User and system CPU time a process has used, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

int Connect(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

class K9simUnderLoad : public ::testing::Test {
 protected:
  K9simUnderLoad() {
    folder_ = fs::temp_directory_path() /
              ("vx_k9sim_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
    visa::VisaConfig config;
    config.vendorLibrary.clear();
    config.hardwareBackends = false;
    visa::ConfigureVisa(config);
  }
  ~K9simUnderLoad() override {
    server_.reset();
    fs::remove_all(folder_);
  }

  // Starts k9sim (under `wrapper`, such as prlimit, when given) and reads its endpoints.
  void Start(const std::string& simulationFile, std::vector<std::string> wrapper = {},
             size_t meters = 2) {
    std::vector<std::string> argv = std::move(wrapper);
    for (const std::string& a :
         {kBin + "/k9sim", std::string("--base-port"), std::string("0"),
          std::string("--alias-file"), Path("aliases.ini"), simulationFile}) {
      argv.push_back(a);
    }
    server_ = std::make_unique<test::BackgroundProcess>(argv, Path("stderr.txt"));
    for (size_t i = 0; i < meters; ++i) {
      const auto line = server_->ReadLine(10s);
      ASSERT_TRUE(line) << "k9sim printed no listening line";
      std::smatch match;
      ASSERT_TRUE(std::regex_match(*line, match,
                                   std::regex("(\\S+) TCPIP0::127\\.0\\.0\\.1::"
                                              "([0-9]+)::SOCKET")))
          << *line;
      descriptors_.push_back(match[1]);
      ports_.push_back(static_cast<std::uint16_t>(std::stoi(match[2])));
    }
  }
  std::string Resource(size_t meter = 0) const {
    return "TCPIP0::127.0.0.1::" + std::to_string(ports_[meter]) + "::SOCKET";
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  std::string File(const std::string& name) const {
    std::ifstream in(Path(name));
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::string Query(const std::string& command) {
    const auto result = test::RunProcess(
        {kBin + "/vxquery", "query", "--timeout", "5000", Resource(), command}, PlainVisa());
    return result.exitCode == 0 ? result.out : "failed: " + result.err;
  }

  // The answer, asked again for a few seconds while the connection is refused.
  std::string QueryUntilServed(const std::string& command) {
    std::string answer;
    for (int attempt = 0; attempt < 20; ++attempt) {
      answer = Query(command);
      if (answer.rfind("failed: ", 0) != 0) break;
      std::this_thread::sleep_for(200ms);
    }
    return answer;
  }

  fs::path folder_;
  std::unique_ptr<test::BackgroundProcess> server_;
  std::vector<std::string> descriptors_;
  std::vector<std::uint16_t> ports_;
};

// Asks `command` `rounds` times on its own session and checks every answer against `expected`.
void AskRepeatedly(const std::string& resource, const std::string& command,
                   const std::string& expected, int rounds, int& wrong) {
  ViSession rm = VI_NULL;
  ViSession session = VI_NULL;
  viOpenDefaultRM(&rm);
  if (viOpen(rm, resource.c_str(), VI_NO_LOCK, 0, &session) < VI_SUCCESS) {
    wrong = rounds;
    viClose(rm);
    return;
  }
  viSetAttribute(session, VI_ATTR_TMO_VALUE, 5000);
  for (int i = 0; i < rounds; ++i) {
    viPrintf(session, "%s", command.c_str());
    unsigned char answer[128];
    ViUInt32 count = 0;
    viRead(session, answer, sizeof answer, &count);
    if (std::string(reinterpret_cast<char*>(answer), count) != expected) ++wrong;
  }
  viClose(rm);
}

TEST_F(K9simUnderLoad, TwoClientsOnOnePortNeverSeeEachOthersAnswers) {
  ASSERT_NO_FATAL_FAILURE(Start(kDefaultSimulation));
  int wrongA = 0, wrongB = 0;
  std::thread a(AskRepeatedly, Resource(), "*IDN?\n", "TOLVEX,W9-90/1,TW00012345,Q7110 1.05\n", 400,
                std::ref(wrongA));
  std::thread b(AskRepeatedly, Resource(), "ROUT:STAT?\n", "2\n", 400, std::ref(wrongB));
  a.join();
  b.join();
  EXPECT_EQ(wrongA, 0);
  EXPECT_EQ(wrongB, 0);
}

TEST_F(K9simUnderLoad, TheNextClientNeverGetsWhatTheLastOneLeftUnread) {
  ASSERT_NO_FATAL_FAILURE(Start(kDefaultSimulation));
  const int fd = Connect(ports_[0]);
  ASSERT_GE(fd, 0);
  const std::string unread = "read?\nread?\nread?\nread?\nread?\n";
  ASSERT_EQ(::send(fd, unread.data(), unread.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(unread.size()));
  std::this_thread::sleep_for(200ms);  // the answers were sent and not read
  ::close(fd);
  EXPECT_EQ(Query("*idn?"), "TOLVEX,W9-90/1,TW00012345,Q7110 1.05\n");
}

TEST_F(K9simUnderLoad, FiveHundredConnectionsAreServedAndABurstIsAcceptedAtOnce) {
  ASSERT_NO_FATAL_FAILURE(Start(kDefaultSimulation));
  const auto start = std::chrono::steady_clock::now();
  int failed = 0;
  for (int i = 0; i < 500; ++i) {
    int wrong = 0;
    AskRepeatedly(Resource(i % 2), "*OPC?\n", "1\n", 1, wrong);
    failed += wrong;
  }
  EXPECT_EQ(failed, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);

  // 200 connections at once: the queue holds them all (the extra ones are refused by
  // closing them), so no client waits a second for a dropped connection to be retried.
  const auto burst = std::chrono::steady_clock::now();
  std::vector<int> clients;
  for (int i = 0; i < 200; ++i) clients.push_back(Connect(ports_[0]));
  EXPECT_LT(std::chrono::steady_clock::now() - burst, 900ms);
  EXPECT_EQ(std::count(clients.begin(), clients.end(), -1), 0);
  // While they are all open, the 33rd and later are refused.
  for (int wait = 0; wait < 100 && File("stderr.txt").find("already serves") == std::string::npos;
       ++wait) {
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_NE(File("stderr.txt").find("already serves 32 connections"), std::string::npos);
  for (const int fd : clients) ::close(fd);
  // Served again once the server has seen those connections end.
  EXPECT_EQ(QueryUntilServed("*OPC?"), "1\n");
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

// A client sends a line of a megabyte of long queries and reads nothing: another client of
// the same meter is still answered at once, and SIGTERM ends k9sim within a second.
TEST_F(K9simUnderLoad, AHugeLineNeitherStallsTheOtherClientsNorTheStop) {
  ASSERT_NO_FATAL_FAILURE(Start(kDefaultSimulation));
  const int hog = Connect(ports_[0]);
  ASSERT_GE(hog, 0);
  std::string line = "samp:coun 50000";
  while (line.size() < (1u << 20) - 8) line += ";read?";
  line += "\n";
  size_t sent = 0;
  while (sent < line.size()) {
    const ssize_t n = ::send(hog, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
    ASSERT_GT(n, 0);
    sent += static_cast<size_t>(n);
  }
  std::this_thread::sleep_for(300ms);  // the line is being carried out
  // Asked with a time-out of 5 s, while the whole line would take the meter minutes.
  int wrong = 0;
  AskRepeatedly(Resource(), "*IDN?\n", "TOLVEX,W9-90/1,TW00012345,Q7110 1.05\n", 1, wrong);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(server_->StopWithin(SIGTERM, VX_SANITIZED ? 3s : 1s), 0);
  ::close(hog);
}

TEST_F(K9simUnderLoad, AFullDescriptorTableMakesItWaitNotSpin) {
#if VX_SANITIZED
  GTEST_SKIP() << "the sanitizers' own runtime needs file descriptors (a pipe for each memory "
                  "check), so a sanitized k9sim cannot be tested without any left";
#endif
  // Standard streams, the control pipe and two listeners leave room for five connections.
  ASSERT_NO_FATAL_FAILURE(Start(kDefaultSimulation, {"/usr/bin/prlimit", "--nofile=12:12"}));
  std::vector<int> clients;
  for (int i = 0; i < 20; ++i) clients.push_back(Connect(ports_[0]));
  std::this_thread::sleep_for(300ms);
  const long before = CpuTicks(server_->Pid());
  std::this_thread::sleep_for(1500ms);
  const long used = CpuTicks(server_->Pid()) - before;
  EXPECT_LT(used, sysconf(_SC_CLK_TCK) * 3 / 10) << "ticks of CPU time in 1.5 s: " << used;
  EXPECT_NE(File("stderr.txt").find("cannot accept a connection (Too many open files)"),
            std::string::npos)
      << File("stderr.txt");
  for (const int fd : clients) ::close(fd);
  // Once descriptors are free again, clients are served.
  EXPECT_EQ(QueryUntilServed("*OPC?"), "1\n");
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

TEST_F(K9simUnderLoad, OnlyDescriptorsVisaTakesAreServedAndAliased) {
  std::ofstream(Path("mixed.ini")) << "[Bogus]\nDescriptor=FOO::1::INSTR\n"
                                      "[Good]\nDescriptor=GPIB0::9::INSTR\n"
                                      "[Equals]\nDescriptor=USB0::1::2::A=B::INSTR\n";
  ASSERT_NO_FATAL_FAILURE(Start(Path("mixed.ini"), {}, 1));
  EXPECT_EQ(descriptors_, std::vector<std::string>{"GPIB0::9::INSTR"});
  const std::string errors = File("stderr.txt");
  EXPECT_NE(errors.find("\"FOO::1::INSTR\" is not a VISA resource name"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("A=B"), std::string::npos) << errors;
  const std::string aliases = File("aliases.ini");
  EXPECT_EQ(aliases.find("FOO"), std::string::npos) << aliases;
  EXPECT_NE(aliases.find("GPIB0::9::INSTR=" + Resource()), std::string::npos) << aliases;
}

}  // namespace
}  // namespace vx
