#pragma once
// Fixtures of the record store tests: a temporary folder that is removed afterwards, and a
// guard that gives the process its current folder back (the record folder rule changes it).

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace vx::records::fixture {

// A fresh folder under the system's temporary folder whose path holds no "DB", so that the
// record folder rule treats it as an ordinary current folder.
class TempFolder {
 public:
  TempFolder() {
    const std::string base = std::filesystem::temp_directory_path().string();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::string pattern = base + "/vxrec-XXXXXX";
      if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
      if (pattern.find("DB") == std::string::npos)
        path_ = pattern;
      else
        std::filesystem::remove(pattern);
    }
    if (path_.empty()) throw std::runtime_error("no temporary folder without DB in its path");
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  // A subfolder, created.
  std::string Make(const std::string& name) const {
    const std::string folder = path_ + "/" + name;
    std::filesystem::create_directories(folder);
    return folder;
  }

 private:
  std::string path_;
};

class CurrentFolderGuard {
 public:
  CurrentFolderGuard() {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) throw std::runtime_error("getcwd failed");
    saved_ = buffer;
  }
  explicit CurrentFolderGuard(const std::string& enter) : CurrentFolderGuard() {
    if (chdir(enter.c_str()) != 0) throw std::runtime_error("cannot enter " + enter);
  }
  ~CurrentFolderGuard() {
    if (chdir(saved_.c_str()) != 0) std::abort();  // every later test would run in the wrong folder
  }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

 private:
  std::string saved_;
};

inline std::string CurrentFolder() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace vx::records::fixture
