#include "process.h"

#include "line_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

extern char** environ;

namespace vx::test {
namespace {

std::vector<char*> ArgumentVector(const std::vector<std::string>& argv) {
  std::vector<char*> result;
  for (const std::string& argument : argv) result.push_back(const_cast<char*>(argument.c_str()));
  result.push_back(nullptr);
  return result;
}

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    if (!extra.count(name)) result.push_back(text);
  }
  for (const auto& [name, value] : extra) result.push_back(name + "=" + value);
  return result;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            int outFd, int errFd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // No terminal answers a program's questions in a test, wherever the test is run from.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  if (errFd >= 0) posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
  // The program gets its standard streams and nothing else of the test's: what it opens is
  // then all it has (tests that limit its descriptors count on that).
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  std::vector<char*> args = ArgumentVector(argv);
  std::vector<char*> env = ArgumentVector(environment);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
  return pid;
}

int ExitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment,
                         std::chrono::milliseconds limit) {
  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = Spawn(argv, MergedEnvironment(environment), out[1], err[1]);
  close(out[1]);
  close(err[1]);
  ProcessResult result;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  char buffer[4096];
  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool killed = false;
  while (open > 0) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 && !killed) {
      kill(pid, SIGKILL);
      killed = true;
    }
    const int ready = poll(fds, 2, killed ? -1 : static_cast<int>(left.count()));
    if (ready < 0) break;
    if (ready == 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = ExitCode(status);
  return result;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::string& errorFile) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  int err = -1;
  if (!errorFile.empty()) {
    err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (err < 0) throw std::runtime_error("cannot write " + errorFile);
  }
  pid_ = Spawn(argv, MergedEnvironment({}), out[1], err);
  close(out[1]);
  if (err >= 0) close(err);
  out_ = out[0];
}

BackgroundProcess::~BackgroundProcess() {
  if (pid_ > 0) Stop(SIGKILL);
  if (out_ >= 0) close(out_);
}

std::optional<std::string> BackgroundProcess::ReadLine(std::chrono::milliseconds timeout) {
  std::string line;
  if (NextLine(out_, pending_, timeout, line) != LineWait::Line) return std::nullopt;
  return line;
}

void BackgroundProcess::Signal(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

std::optional<int> BackgroundProcess::StopWithin(int signal, std::chrono::milliseconds limit) {
  if (pid_ <= 0) return std::nullopt;
  kill(pid_, signal);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      Stop(SIGKILL);
      return std::nullopt;
    }
    usleep(10000);
  }
  pid_ = -1;
  return ExitCode(status);
}

int BackgroundProcess::Stop(int signal) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return ExitCode(status);
}

}  // namespace vx::test
