#pragma once
// Reads a saved workbook back for checks, through Debian's python3-openpyxl (cells, formats,
// names) and the chart parts of the file itself (series, axes, places).

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "process.h"

namespace vx::test {

inline QJsonObject ReadXlsx(const std::string& path) {
  const ProcessResult result = RunProcess(
      {"/usr/bin/python3", std::string(VX_SOURCE_DIR) + "/tests/automation/read_xlsx.py", path});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).object();
}

inline QJsonObject CellOf(const QJsonObject& book, const char* sheet, const char* cell) {
  return book["sheets"][sheet]["cells"][cell].toObject();
}

}  // namespace vx::test
