#include "records/viewer/record_viewer_dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "records/viewer/reading_table_model.h"

namespace vx::records {
namespace {

// Column widths of the grid in twips: row number, value, time.
constexpr int kColumnTwips[ReadingTableModel::kColumnCount] = {800, 2200, 1300};

bool IsEnter(const QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QLabel* FigureLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // Room for an ordinary figure ("-1234.567890123456789") without widening the window for
  // an overload's 54 characters, which the tooltip shows in full.
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 24);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  return label;
}

// The width a list needs to show `line` whole.
int LineWidth(const QListWidget& list, const QString& line) {
  return list.fontMetrics().horizontalAdvance(line) + 24;
}

QPushButton* Button(QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  // Enter belongs to the filter fields; no button takes it.
  button->setAutoDefault(false);
  return button;
}

}  // namespace

RecordViewerDialog::RecordViewerDialog(QWidget* parent, Prompter& prompter)
    : QDialog(parent), prompter_(prompter) {
  setWindowTitle(QCaption("11", "View Record"));
  viewer_ = std::make_unique<RecordViewer>(prompter_);
  model_ = new ReadingTableModel(this);

  exit_ = Button(this, QCaption("95", "Exit"), "exitButton");
  auto* columns = new QHBoxLayout;
  // A wider window widens the record list; the grid keeps its column widths.
  columns->addWidget(BuildListColumn(), 1);
  columns->addWidget(BuildContents());
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  Connect();
  ShowList();
}

RecordViewerDialog::~RecordViewerDialog() = default;

QWidget* RecordViewerDialog::BuildListColumn() {
  auto* column = new QWidget(this);
  auto* recordsBox = new QGroupBox(QCaption("130", "Record List"), column);
  list_ = new QListWidget(recordsBox);
  list_->setObjectName("recordList");
  // Room for a stamped line; a longer line (a record that cannot be read) widens the list
  // when it is shown.
  list_->setMinimumWidth(
      LineWidth(*list_, "Record 10            ( 26 / 12 / 06 -- 22 : 45 : 07 )"));
  refresh_ = Button(recordsBox, QCaption("131", "Refresh"), "refreshButton");
  delete_ = Button(recordsBox, QCaption("132", "Delete Record"), "deleteButton");
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(refresh_);
  listButtons->addWidget(delete_);
  listButtons->addStretch();
  auto* recordsLayout = new QVBoxLayout(recordsBox);
  recordsLayout->addWidget(list_, 1);
  recordsLayout->addLayout(listButtons);

  auto* filterBox = new QGroupBox(QCaption("137", "Filter"), column);
  lower_ = new QLineEdit(filterBox);
  lower_->setObjectName("lowerField");
  upper_ = new QLineEdit(filterBox);
  upper_->setObjectName("upperField");
  search_ = Button(filterBox, QCaption("141", "Search"), "searchButton");
  auto* filterLayout = new QFormLayout(filterBox);
  filterLayout->addRow(QCaption("138", "Greater than"), lower_);
  filterLayout->addRow(QCaption("139", "Less than"), upper_);
  auto* searchRow = new QHBoxLayout;
  searchRow->addStretch();
  searchRow->addWidget(search_);
  filterLayout->addRow(searchRow);

  csv_ = Button(column, QCaption("142", "Output to CSV"), "csvButton");
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(csv_);
  bottom->addStretch();
  bottom->addWidget(exit_);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(recordsBox, 1);
  layout->addWidget(filterBox);
  layout->addLayout(bottom);
  return column;
}

QWidget* RecordViewerDialog::BuildContents() {
  auto* box = new QGroupBox(QCaption("133", "Record Contents"), this);
  count_ = FigureLabel(box, "countValue");
  maximum_ = FigureLabel(box, "maximumValue");
  minimum_ = FigureLabel(box, "minimumValue");
  average_ = FigureLabel(box, "averageValue");
  pages_ = new QComboBox(box);
  pages_->setObjectName("rangeList");
  pages_->setMinimumContentsLength(18);
  auto* figures = new QFormLayout;
  figures->addRow(QCaption("150", "Data Quantity："), count_);
  figures->addRow(QCaption("134", "MAX："), maximum_);
  figures->addRow(QCaption("135", "MIN："), minimum_);
  figures->addRow(QCaption("136", "AVG："), average_);
  figures->addRow(QCaption("140", "Range browsing"), pages_);

  grid_ = new QTableView(box);
  grid_->setObjectName("grid");
  grid_->setModel(model_);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  grid_->horizontalHeader()->setStretchLastSection(false);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  int gridWidth = 0;
  for (int column = 0; column < ReadingTableModel::kColumnCount; ++column) {
    const int width = TwipsToPixels(kColumnTwips[column], *grid_);
    grid_->setColumnWidth(column, width);
    gridWidth += width;
  }
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setAlternatingRowColors(true);
  grid_->setWordWrap(false);
  grid_->setMinimumSize(
      gridWidth + grid_->verticalScrollBar()->sizeHint().width() + 2 * grid_->frameWidth() + 2,
      360);

  auto* layout = new QVBoxLayout(box);
  layout->addLayout(figures);
  layout->addWidget(grid_, 1);
  return box;
}

void RecordViewerDialog::Connect() {
  // The chosen record is the line shown selected. The focus alone (Tab, the window opening)
  // marks a line as current without selecting it, so the current row is not the choice; a
  // click, the arrow keys and Space select.
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    {
      WaitCursor wait;
      viewer_->Select(selected.isEmpty() ? -1 : list_->row(selected.front()));
    }
    ShowRecord();
  });
  connect(refresh_, &QPushButton::clicked, this, [this] {
    viewer_->Refresh();
    ShowList();
  });
  connect(delete_, &QPushButton::clicked, this, [this] { Delete(); });
  connect(pages_, &QComboBox::currentIndexChanged, this, [this](int page) {
    {
      WaitCursor wait;
      viewer_->ShowPage(page);
    }
    ShowRows();
  });
  connect(search_, &QPushButton::clicked, this, [this] { Search(); });
  connect(csv_, &QPushButton::clicked, this, [this] { viewer_->ExportSelected(); });
  connect(exit_, &QPushButton::clicked, this, &QDialog::accept);
  for (QLineEdit* field : {lower_, upper_}) {
    connect(field, &QLineEdit::textChanged, this, [this, field] { CheckField(field); });
    // Enter in a field is handled here, before the dialog would press a default button.
    field->installEventFilter(this);
  }
}

void RecordViewerDialog::ShowList() {
  {
    const QSignalBlocker blocker(list_);
    list_->clear();
    for (const std::string& label : viewer_->Labels()) {
      const QString line = QString::fromStdString(label);
      list_->addItem(line);
      list_->setMinimumWidth(std::max(list_->minimumWidth(), LineWidth(*list_, line)));
    }
    list_->setCurrentRow(-1);
  }
  ShowRecord();
}

void RecordViewerDialog::ShowRecord() {
  // A record that cannot be read can be deleted, and nothing else.
  const bool readable = viewer_->SelectedReadable();
  delete_->setEnabled(viewer_->Selected() >= 0);
  csv_->setEnabled(readable);
  lower_->setEnabled(readable);
  upper_->setEnabled(readable);
  const RecordFigures& figures = viewer_->Figures();
  const std::pair<QLabel*, const std::string*> shown[] = {{count_, &figures.count},
                                                          {maximum_, &figures.maximum},
                                                          {minimum_, &figures.minimum},
                                                          {average_, &figures.average}};
  for (const auto& [label, text] : shown) {
    label->setText(QString::fromStdString(*text));
    label->setToolTip(label->text());
  }
  {
    const QSignalBlocker blocker(pages_);
    pages_->clear();
    for (const std::string& entry : viewer_->Pages())
      pages_->addItem(QString::fromStdString(entry));
    pages_->setCurrentIndex(viewer_->Page());
  }
  ShowRows();
}

void RecordViewerDialog::ShowRows() {
  model_->SetRows(viewer_->Rows());
  grid_->scrollToTop();
}

void RecordViewerDialog::ShowFields(const RecordViewer::FilterFields& fields) {
  const QSignalBlocker lowerBlocker(lower_);
  const QSignalBlocker upperBlocker(upper_);
  lower_->setText(QString::fromStdString(fields.lower));
  upper_->setText(QString::fromStdString(fields.upper));
}

void RecordViewerDialog::CheckField(QLineEdit* field) {
  const std::optional<std::string> replacement = viewer_->CheckField(field->text().toStdString());
  if (!replacement) return;
  const QSignalBlocker blocker(field);
  field->setText(QString::fromStdString(*replacement));
}

void RecordViewerDialog::Search() {
  const RecordViewer::FilterFields before{lower_->text().toStdString(),
                                          upper_->text().toStdString()};
  RecordViewer::FilterFields after;
  {
    WaitCursor wait;
    after = viewer_->Search(before);
  }
  ShowFields(after);
  ShowRows();
}

void RecordViewerDialog::EnterInLower() {
  ShowFields(viewer_->EnterInLower({lower_->text().toStdString(), upper_->text().toStdString()}));
  upper_->setFocus();
}

void RecordViewerDialog::Delete() {
  viewer_->DeleteSelected();
  if (viewer_->Selected() >= 0) return;
  // The deleted line goes; the figures, range list and grid keep what they showed.
  const QSignalBlocker blocker(list_);
  list_->clear();
  for (const std::string& label : viewer_->Labels()) list_->addItem(QString::fromStdString(label));
  list_->setCurrentRow(-1);
  delete_->setEnabled(false);
  csv_->setEnabled(false);
  lower_->setEnabled(false);
  upper_->setEnabled(false);
}

void RecordViewerDialog::keyPressEvent(QKeyEvent* event) {
  // Enter never closes the window or presses a button.
  if (IsEnter(event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool RecordViewerDialog::eventFilter(QObject* watched, QEvent* event) {
  if (IsEnter(event) && (watched == lower_ || watched == upper_)) {
    if (watched == lower_)
      EnterInLower();
    else
      Search();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vx::records
