#pragma once
// The viewer's grid as a table model: row number, value and time of each reading of a page
// or a filter result. Texts are made when the view asks for a visible cell, so a page of
// 10000 readings is handed over at once and costs nothing until it is scrolled to.

#include <QAbstractTableModel>

#include "records/viewer/record_viewer.h"

namespace vx::records {

class ReadingTableModel final : public QAbstractTableModel {
 public:
  enum Column { kNumber = 0, kValue = 1, kTime = 2, kColumnCount = 3 };

  explicit ReadingTableModel(QObject* parent = nullptr);

  // Shows `rows` in place of what was shown.
  void SetRows(const GridRows& rows);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  GridRows rows_;
};

}  // namespace vx::records
