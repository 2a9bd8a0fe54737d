#pragma once
// An exclusive lock beside a file (on "<path>.lock"), held for the life of the object:
// programs that read, change and rewrite one settings file take it, so that two changes
// made at once both land.

#include <string>

namespace vx {

class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace vx
