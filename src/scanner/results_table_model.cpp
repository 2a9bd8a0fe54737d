#include "scanner/results_table_model.h"

#include <algorithm>

namespace vx::scanner {
namespace {

QString Text(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ResultsTableModel::ResultsTableModel(const ResultsGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), shown_(grid.Revision()) {}

int ResultsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(grid_.Rows() - 1, 0);
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(grid_.Columns() - 1, 0);
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return Text(grid_.Cell(index.row() + 1, index.column() + 1));
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (role == Qt::DisplayRole) return Text(grid_.Cell(0, section + 1));
    if (role == Qt::TextAlignmentRole) {
      return grid_.HeaderCentred(section + 1) ? int(Qt::AlignCenter)
                                              : int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
  }
  if (role == Qt::DisplayRole) return Text(grid_.Cell(section + 1, 0));
  return {};
}

bool ResultsTableModel::Refresh() {
  if (grid_.Revision() == shown_) return false;
  beginResetModel();
  shown_ = grid_.Revision();
  endResetModel();
  return true;
}

}  // namespace vx::scanner
