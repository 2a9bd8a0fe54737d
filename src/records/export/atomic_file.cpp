#include "records/export/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <system_error>
#include <utility>

#include "common/c_number.h"

namespace vx::records {
namespace {

// Large enough that a million CSV lines cost a few hundred writes, small enough to stay in
// the cache.
constexpr size_t kBlockBytes = 1 << 20;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
  Abandon();
}

bool AtomicFile::Open() {
  Abandon();
  error_.clear();
  // A hidden name that no other writer picks: process, time and attempt. Created with the
  // usual permissions (0666 less the umask), which the finished file keeps.
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = FolderOf(path_) + "/." + NameOf(path_) +
                 FormatC(".%d-%lld-%d.part", static_cast<int>(getpid()),
                         static_cast<long long>(stamp), attempt);
    descriptor_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ >= 0) return true;
    if (errno != EEXIST) break;
  }
  const int error = errno;
  temporary_.clear();
  return Fail(error);
}

bool AtomicFile::Write(std::string_view bytes) {
  if (descriptor_ < 0) return false;
  buffer_.append(bytes);
  return buffer_.size() < kBlockBytes || Flush();
}

bool AtomicFile::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = write(descriptor_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) return Fail(ENOSPC);
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
  return true;
}

bool AtomicFile::Commit() {
  if (descriptor_ < 0) return false;
  // Flushed to the disk before the rename: after a crash the name holds either the old file
  // or the complete new one. Some file systems only report a failed write here.
  if (!Flush()) return false;
  if (fdatasync(descriptor_) != 0 && errno != EINVAL) return Fail(errno);
  const int descriptor = std::exchange(descriptor_, -1);
  if (close(descriptor) != 0) return Fail(errno);
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) return Fail(errno);
  temporary_.clear();
  return true;
}

void AtomicFile::Abandon() {
  if (descriptor_ >= 0) close(std::exchange(descriptor_, -1));
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  buffer_.clear();
}

bool AtomicFile::Fail(int error) {
  error_ = std::generic_category().message(error);
  Abandon();
  return false;
}

}  // namespace vx::records
