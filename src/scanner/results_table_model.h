#pragma once
// The results grid as the scanner window's table shows it: the header row as the column
// headings (channel headings centred), the row numbers as the row headings, and the
// readings left-aligned.

#include <QAbstractTableModel>
#include <cstdint>

#include "scanner/results_grid.h"

namespace vx::scanner {

class ResultsTableModel final : public QAbstractTableModel {
 public:
  explicit ResultsTableModel(const ResultsGrid& grid, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // Shows the grid again when it changed since the last call; true when it did.
  bool Refresh();

 private:
  const ResultsGrid& grid_;
  std::uint64_t shown_ = 0;
};

}  // namespace vx::scanner
