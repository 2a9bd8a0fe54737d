#pragma once
// Runs the project's programs from tests: to completion with their output captured, or in
// the background (a server) with its output read line by line. Their standard input is
// /dev/null.

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vx::test {

struct ProcessResult {
  int exitCode = -1;  // -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Runs `argv` with `environment` added to the test's own environment. A program that has
// not ended within `limit` is killed (its exit code is then -1), so that a program that
// hangs fails its test instead of stalling it.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment = {},
                         std::chrono::milliseconds limit = std::chrono::minutes(2));

class BackgroundProcess {
 public:
  // Standard error goes to `errorFile` when one is given, else to the test's own.
  explicit BackgroundProcess(const std::vector<std::string>& argv,
                             const std::string& errorFile = "");
  ~BackgroundProcess();  // kills the process if it still runs
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  // The next line of standard output, or nothing if none comes within `timeout`.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  // Sends `signal` and waits for the exit; returns the exit code (-1 if killed by a signal).
  int Stop(int signal);
  // Sends `signal` and waits at most `limit` for the exit: the exit code, or none when the
  // program was still running (it is then killed).
  std::optional<int> StopWithin(int signal, std::chrono::milliseconds limit);
  // Sends `signal` without waiting.
  void Signal(int signal);
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string pending_;
};

}  // namespace vx::test
