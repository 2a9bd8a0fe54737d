#pragma once
// The "View Record" window: the record list, the figures and pages of the chosen record, the
// filter, deletion and the CSV output. A thin window over RecordViewer.
//
// The front panel creates it each time the user opens it and shows it with exec():
//
//   vx::records::RecordViewerDialog dialog(this, prompter);
//   dialog.exec();
//
// Construction is the window's opening: it finds the record folder (without entering it)
// and lists the records; a missing folder is reported under "RecordView Database folder
// check". Every message and the save-file chooser go through `prompter`. Enter never closes
// the window: in the lower bound it moves on to the upper bound, in the upper bound it
// searches.

#include <QDialog>

#include <memory>

#include "common/prompt.h"
#include "records/viewer/record_viewer.h"
#include "records/window_support.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;

namespace vx::records {

class ReadingTableModel;

class RecordViewerDialog : public QDialog {
 public:
  RecordViewerDialog(QWidget* parent, Prompter& prompter);
  ~RecordViewerDialog() override;

  // The logic behind the window, for tests.
  const RecordViewer& Viewer() const { return *viewer_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildListColumn();
  QWidget* BuildContents();
  void Connect();
  void ShowList();
  void ShowRecord();
  void ShowRows();
  void ShowFields(const RecordViewer::FilterFields& fields);
  void CheckField(QLineEdit* field);
  void Search();
  void EnterInLower();
  void Delete();

  ArrowWhilePrompting prompter_;
  std::unique_ptr<RecordViewer> viewer_;
  ReadingTableModel* model_ = nullptr;

  QListWidget* list_ = nullptr;
  QPushButton* refresh_ = nullptr;
  QPushButton* delete_ = nullptr;
  QLabel* count_ = nullptr;
  QLabel* maximum_ = nullptr;
  QLabel* minimum_ = nullptr;
  QLabel* average_ = nullptr;
  QComboBox* pages_ = nullptr;
  QTableView* grid_ = nullptr;
  QLineEdit* lower_ = nullptr;
  QLineEdit* upper_ = nullptr;
  QPushButton* search_ = nullptr;
  QPushButton* csv_ = nullptr;
  QPushButton* exit_ = nullptr;
};

}  // namespace vx::records
