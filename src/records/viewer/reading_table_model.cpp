#include "records/viewer/reading_table_model.h"

#include "records/export/reading_text.h"

namespace vx::records {

ReadingTableModel::ReadingTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReadingTableModel::SetRows(const GridRows& rows) {
  beginResetModel();
  rows_ = rows;
  endResetModel();
}

int ReadingTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.readings.size());
}

int ReadingTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ReadingTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.readings.size())) return {};
  if (role == Qt::TextAlignmentRole && index.column() == kTime)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  if (role != Qt::DisplayRole) return {};
  const Reading& reading = rows_.readings[static_cast<size_t>(index.row())];
  switch (index.column()) {
    case kNumber:
      // Row numbers restart at 1 on every page.
      return index.row() + 1;
    case kValue:
      return QString::fromStdString(rows_.overloadAsText ? ValueText(reading.value)
                                                         : NumberText(reading.value));
    case kTime:
      return QString::fromStdString(TimeOfDayText(reading.time));
    default:
      return {};
  }
}

QVariant ReadingTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return QAbstractTableModel::headerData(section, orientation, role);
  switch (section) {
    case kValue:
      return QStringLiteral("Value");
    case kTime:
      return QStringLiteral("Time");
    default:
      return QString();
  }
}

}  // namespace vx::records
