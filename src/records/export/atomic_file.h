#pragma once
// A file that appears under its name only once it is complete.
//
// The bytes go to a temporary file beside the target (same folder, so the final rename
// cannot cross file systems) and the temporary takes the target's name, replacing any file
// of that name, only when everything was written and flushed to the disk. A write that fails
// (a full disk, a file size limit, a folder removed meanwhile) or an abandoned file leaves
// nothing behind: neither a half-written target nor the temporary.

#include <string>
#include <string_view>

namespace vx::records {

class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  // Abandons the file unless it was committed.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file. False (with Error() set) when the folder cannot take it.
  bool Open();
  // Adds bytes; they are written out in large blocks. False once anything failed.
  bool Write(std::string_view bytes);
  // Writes what is buffered, flushes it to the disk and gives the file its name.
  bool Commit();
  // Removes the temporary file; the target is left as it was.
  void Abandon();

  const std::string& Path() const { return path_; }
  // What went wrong, in the system's words ("No space left on device").
  const std::string& Error() const { return error_; }

 private:
  bool Flush();
  bool Fail(int error);

  std::string path_;
  std::string temporary_;
  std::string buffer_;
  std::string error_;
  int descriptor_ = -1;
};

}  // namespace vx::records
