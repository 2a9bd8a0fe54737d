#include "automation/host/handover.h"

#include <QStandardPaths>
#include <QString>
#include <cstdlib>
#include <filesystem>

namespace vx::automation::host {
namespace {

std::string SafeFileName(std::string_view proposed) {
  std::string name;
  for (const char c : proposed) {
    const auto u = static_cast<unsigned char>(c);
    name += (u < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
             c == '<' || c == '>' || c == '|')
                ? '_'
                : c;
  }
  while (!name.empty() && (name.front() == '.' || name.front() == ' ')) name.erase(0, 1);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name.empty() ? std::string("Book") : name;
}

}  // namespace

std::string DocumentsFolder() {
  if (const char* folder = std::getenv("VX_DOCUMENTS"); folder && *folder) return folder;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty()) return documents.toStdString();
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/Documents";
}

std::string MadeDocumentsFolder() {
  const std::string folder = DocumentsFolder();
  std::error_code error;
  // When it cannot be made, the save that follows says why, with the path.
  std::filesystem::create_directories(folder, error);
  return folder;
}

std::string FreePathFor(const std::string& folder, std::string_view proposed,
                        std::string_view extension) {
  const std::string base = SafeFileName(proposed);
  std::error_code error;
  std::string path = folder + "/" + base + std::string(extension);
  for (int number = 2; std::filesystem::exists(path, error); ++number) {
    path = folder + "/" + base + " (" + std::to_string(number) + ")" + std::string(extension);
  }
  return path;
}

}  // namespace vx::automation::host
