// k9sim: serves the instruments of a simulation file over TCP on 127.0.0.1, one port per
// instrument, until SIGINT or SIGTERM. SIGUSR1 fires the meters' external trigger input.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_line.h"
#include "sim/meter_config.h"
#include "sim_server.h"
#include "visa/resource_name.h"

namespace {

int controlPipe[2] = {-1, -1};

void OnSignal(int signal) {
  const char byte =
      signal == SIGUSR1 ? vx::k9sim::SimServer::kFireTrigger : vx::k9sim::SimServer::kStop;
  [[maybe_unused]] const ssize_t n = write(controlPipe[1], &byte, 1);
}

constexpr const char* kUsage =
    "usage: k9sim [--base-port N] [--alias-file FILE] SIMFILE\n"
    "\n"
    "Serves each instrument of SIMFILE on 127.0.0.1, on ports N, N+1, ... (default 5025;\n"
    "0 lets the system choose), and prints one line per instrument once it listens:\n"
    "  DESCRIPTOR TCPIP0::127.0.0.1::PORT::SOCKET\n"
    "--alias-file writes those pairs as an [Aliases] table for VX_VISA_ALIASES, so that\n"
    "the instruments are found by USB and GPIB searches like plugged-in ones.\n"
    "Each connection has its own answers; a port serves up to 32 connections at once and\n"
    "refuses more with a line on standard error.\n"
    "SIGUSR1 fires the external trigger input of every meter; SIGINT or SIGTERM stops it\n"
    "within a second, whatever its clients have sent.\n"
    "--version prints the program's version. Exit status: 0 stopped by a signal, 1 the\n"
    "simulation file or a port failed, 2 a wrong command line.\n";

// Only meters whose descriptor the VISA library takes are served, so that the alias file holds
// nothing a client could not open. A "=" would split the alias line in the wrong place.
std::vector<vx::sim::MeterConfig> Servable(std::vector<vx::sim::MeterConfig> meters) {
  std::vector<vx::sim::MeterConfig> kept;
  for (vx::sim::MeterConfig& meter : meters) {
    std::string error;
    if (!vx::visa::ParseResourceName(meter.descriptor, &error)) {
      std::fprintf(stderr, "k9sim: \"%s\" is not a VISA resource name (%s); not served\n",
                   meter.descriptor.c_str(), error.c_str());
    } else if (meter.descriptor.find('=') != std::string::npos) {
      std::fprintf(stderr,
                   "k9sim: \"%s\" holds \"=\", which an alias table cannot hold; not served\n",
                   meter.descriptor.c_str());
    } else {
      kept.push_back(std::move(meter));
    }
  }
  return kept;
}

bool WriteAliasFile(const std::string& path, const vx::k9sim::SimServer& server) {
  std::ofstream out(path, std::ios::trunc);
  out << "; Written by k9sim: the simulated instruments behind their TCP ports.\n[Aliases]\n";
  for (const auto& endpoint : server.Endpoints()) {
    out << endpoint.descriptor << "=" << endpoint.SocketResource() << "\n";
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  vx::CommandLine line("k9sim", kUsage, argc, argv);
  if (const auto answered = line.AnswerHelpOrVersion()) return *answered;
  long basePort = 5025;
  std::string aliasFile;
  std::string simulationFile;
  while (!line.Done() && !line.Failed()) {
    const std::string_view argument = line.Next();
    if (argument == "--alias-file") {
      if (const auto value = line.Value(argument)) aliasFile = std::string(*value);
    } else if (argument == "--base-port") {
      const auto value = line.Value(argument);
      if (!value) break;
      const std::string text(*value);
      char* end = nullptr;
      basePort = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || basePort < 0 || basePort > 65535) {
        line.RefuseValue(argument, "a port from 0 to 65535, not \"" + text + "\"");
      }
    } else if (!argument.empty() && argument.front() != '-' && simulationFile.empty()) {
      simulationFile = std::string(argument);
    } else {
      line.Unknown(argument);
    }
  }
  if (!line.Failed() && simulationFile.empty()) line.Refuse("SIMFILE is needed");
  if (line.Failed()) return line.Fail();

  vx::sim::SimulationFile file = vx::sim::LoadSimulationFile(simulationFile);
  if (!file.error.empty()) std::fprintf(stderr, "k9sim: %s\n", file.error.c_str());
  file.meters = Servable(std::move(file.meters));
  if (file.meters.empty()) {
    std::fprintf(stderr, "k9sim: %s describes no instrument\n", simulationFile.c_str());
    return 1;
  }

  if (pipe2(controlPipe, O_CLOEXEC) != 0) {
    std::fprintf(stderr, "k9sim: pipe: %s\n", std::strerror(errno));
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGUSR1, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  vx::k9sim::SimServer server;
  std::string error;
  if (!server.Listen(file.meters, static_cast<std::uint16_t>(basePort), error)) {
    std::fprintf(stderr, "k9sim: %s\n", error.c_str());
    return 1;
  }
  if (!aliasFile.empty() && !WriteAliasFile(aliasFile, server)) {
    std::fprintf(stderr, "k9sim: cannot write %s\n", aliasFile.c_str());
    return 1;
  }
  for (const auto& endpoint : server.Endpoints()) {
    std::printf("%s %s\n", endpoint.descriptor.c_str(), endpoint.SocketResource().c_str());
  }
  std::fflush(stdout);
  server.Run(controlPipe[0]);
  return 0;
}
