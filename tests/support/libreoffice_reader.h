#pragma once
// Reads a saved workbook back through LibreOffice, the spreadsheet program of a Linux desktop:
// its first sheet converted to CSV by a headless soffice with a profile of the test's own,
// in the C locale, so that what LibreOffice made of each cell shows as plain text.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "process.h"

namespace vx::test {

// The rows of the first sheet of `workbook` as LibreOffice shows them, each split at commas;
// empty when LibreOffice could not read the file (the reason is in `error`).
inline std::vector<std::vector<std::string>> ReadWithLibreOffice(const std::string& workbook,
                                                                 const std::string& scratch,
                                                                 std::string* error = nullptr) {
  namespace fs = std::filesystem;
  const fs::path out = fs::path(scratch) / "libreoffice-out";
  fs::create_directories(out);
  const ProcessResult converted = RunProcess(
      {"/usr/bin/soffice", "-env:UserInstallation=file://" + scratch + "/libreoffice-profile",
       "--headless", "--norestore", "--nologo", "--nolockcheck", "--convert-to", "csv", "--outdir",
       out.string(), workbook},
      {{"LC_ALL", "C.UTF-8"}, {"LANG", "C.UTF-8"}, {"HOME", scratch}});
  const fs::path csv = out / (fs::path(workbook).stem().string() + ".csv");
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(csv);
  if (!in) {
    if (error)
      *error = "soffice exited with " + std::to_string(converted.exitCode) + ": " + converted.out +
               converted.err;
    return rows;
  }
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, ',');) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

}  // namespace vx::test
