#include "scanner/results_csv.h"

#include "records/export/atomic_file.h"

namespace vx::scanner {

std::string RowLine(const ResultsGrid& grid, int row, char separator) {
  std::string line;
  for (int c = 1; c < grid.Columns(); ++c) {
    if (c > 1) line.push_back(separator);
    line += grid.Cell(row, c);
  }
  return line;
}

std::string WriteResultsCsv(const ResultsGrid& grid, const std::string& path) {
  records::AtomicFile file(path);
  if (!file.Open()) return file.Error();
  for (int r = 0; r < grid.Rows(); ++r) {
    if (!file.Write(RowLine(grid, r, ',') + "\r\n")) return file.Error();
  }
  if (!file.Commit()) return file.Error();
  return {};
}

}  // namespace vx::scanner
