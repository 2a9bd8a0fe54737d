#include "common/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vx {

std::string OutputFileProblem(const std::string& path) {
  namespace fs = std::filesystem;
  const auto cannot = [&path](const std::string& why) {
    return path + " cannot be written: " + why;
  };
  if (path.empty()) return cannot("no file name was given");
  std::error_code error;
  const fs::path file(path);
  if (fs::is_directory(file, error)) return cannot("it is a folder");
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (!fs::exists(folder, error))
    return cannot("the folder " + folder.string() + " does not exist");
  if (!fs::is_directory(folder, error)) {
    return cannot(folder.string() + " is not a folder");
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return cannot("the folder " + folder.string() + " cannot be written into (" +
                  std::strerror(errno) + ")");
  }
  return {};
}

}  // namespace vx
