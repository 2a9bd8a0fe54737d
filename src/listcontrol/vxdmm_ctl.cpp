#include "listcontrol/vxdmm_ctl.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

#include "common/c_number.h"

namespace vx::listcontrol {
namespace {

// 60 twips at 96 dots per inch, the margin the address column leaves to the list's edge.
constexpr int kAddressMarginPx = 4;
constexpr int kIconSize = 16;

// Image 1 marks the connected row, image 2 the others.
QIcon RowImage(bool connected) {
  QPixmap picture(kIconSize, kIconSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(connected ? QColor(0, 110, 0) : QColor(110, 110, 110), 1));
  painter.setBrush(connected ? QColor(40, 200, 60) : QColor(205, 205, 205));
  painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
  if (connected) {
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(QPointF(5, 8), QPointF(7.5, 10.5));
    painter.drawLine(QPointF(7.5, 10.5), QPointF(11, 5.5));
  }
  return QIcon(picture);
}

}  // namespace

VXdmmCTL::VXdmmCTL(QWidget* parent) : QWidget(parent) {
  setObjectName("VXdmmCTL");
  lvwDmm_ = new QTreeWidget(this);
  lvwDmm_->setObjectName("lvwDmm");
  lvwDmm_->setRootIsDecorated(false);
  lvwDmm_->setIconSize(QSize(kIconSize, kIconSize));
  lvwDmm_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvwDmm_->setSelectionMode(QAbstractItemView::SingleSelection);
  // The further display option: a click selects the whole row.
  lvwDmm_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvwDmm_->setAllColumnsShowFocus(true);
  lvwDmm_->clear();
  lvwDmm_->setHeaderLabels({"Instrument", "Name", "Manufacturer", "Address"});
  lvwDmm_->header()->setStretchLastSection(false);
  lvwDmm_->header()->setSectionResizeMode(QHeaderView::Interactive);
  cmdConnect_ = new QPushButton("Connect", this);
  cmdConnect_->setObjectName("cmdConnect");
  cmdDisconnect_ = new QPushButton("Disconnect", this);
  cmdDisconnect_->setObjectName("cmdDisconnect");
  cmdConnect_->setEnabled(false);
  cmdDisconnect_->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdConnect_);
  buttons->addWidget(cmdDisconnect_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lvwDmm_);
  layout->addLayout(buttons);

  connect(cmdConnect_, &QPushButton::clicked, this, &VXdmmCTL::OnConnect);
  connect(cmdDisconnect_, &QPushButton::clicked, this, &VXdmmCTL::OnDisconnect);
  connect(lvwDmm_, &QTreeWidget::itemClicked, this, &VXdmmCTL::OnListClicked);
  // A row reached with the arrow keys is chosen as a clicked one is, or the buttons would
  // keep the state of the row the user left.
  connect(lvwDmm_, &QTreeWidget::itemSelectionChanged, this, &VXdmmCTL::OnListClicked);
  connect(lvwDmm_->header(), &QHeaderView::sectionResized, this, [this](int section) {
    if (section != kAddressColumn) FitAddressColumn();
  });
  lvwDmm_->viewport()->installEventFilter(this);
  lvwNow_ = 0;
  FitAddressColumn();
}

automation::Status VXdmmCTL::IDN(const std::string& sBuffer, const std::string& Addr) {
  QStringList row;
  if (!sBuffer.empty()) {
    const std::vector<std::string> fields = SplitFields(sBuffer, ',');
    if (fields.size() < 2) {
      return automation::AutomationError::Make(automation::ErrorNumber::BadIndex,
                                               "Subscript out of range: the identity answer \"" +
                                                   std::string(Trim(sBuffer)) +
                                                   "\" holds no model field.");
    }
    row << "Multimeter" << QString::fromStdString(fields[1]) << QString::fromStdString(fields[0]);
  } else {
    row << ""
        << ""
        << "NA:COMMAND ERR";
  }
  row << QString::fromStdString(Addr);
  auto* item = new QTreeWidgetItem(row);
  item->setIcon(0, RowImage(false));
  lvwDmm_->addTopLevelItem(item);
  FitAddressColumn();
  return {};
}

std::int16_t VXdmmCTL::selmark() {
  const int rows = lvwDmm_->topLevelItemCount();
  if (rows > 0) SetButtons(true);
  int found = -1;
  for (int row = 0; row < rows; ++row) {
    if (AddressOf(row) == markAddress_) found = row;
  }
  if (found < 0) {
    OnDisconnect();
    return 0;
  }
  lvwDmm_->setFocus();
  lvwNow_ = static_cast<std::int16_t>(found + 1);
  MarkRow(found);
  return 0;
}

void VXdmmCTL::ListClear() {
  lvwDmm_->clear();
  markedRow_ = -1;
}

void VXdmmCTL::OnConnect() {
  QTreeWidgetItem* current = lvwDmm_->currentItem();
  if (current == nullptr || !current->isSelected()) return;
  lvwNow_ = static_cast<std::int16_t>(lvwDmm_->indexOfTopLevelItem(current) + 1);
  if (lvwDmm_->topLevelItemCount() == 0) return;
  lvwDmm_->setFocus();
  MarkRow(lvwNow_ - 1);
}

// Puts the connected mark on `row` (from 0) and selects it.
void VXdmmCTL::MarkRow(int row) {
  if (markedRow_ >= 0 && markedRow_ < lvwDmm_->topLevelItemCount()) {
    lvwDmm_->topLevelItem(markedRow_)->setIcon(0, RowImage(false));
  }
  QTreeWidgetItem* item = lvwDmm_->topLevelItem(row);
  if (item == nullptr) return;
  lvwDmm_->setCurrentItem(item);
  item->setSelected(true);
  markedRow_ = row;
  item->setIcon(0, RowImage(true));
  connectedAddress_ = AddressOf(row);
  markAddress_ = connectedAddress_;
  SetButtons(false);
}

void VXdmmCTL::OnDisconnect() {
  cmdDisconnect_->setEnabled(false);
  cmdConnect_->setEnabled(true);
  const QList<QTreeWidgetItem*> selected = lvwDmm_->selectedItems();
  for (QTreeWidgetItem* item : selected) item->setIcon(0, RowImage(false));
  markedRow_ = -1;
  lvwNow_ = 0;
  connectedAddress_.clear();
  markAddress_.clear();
  for (QTreeWidgetItem* item : selected) item->setSelected(false);
}

void VXdmmCTL::OnListClicked() {
  const QList<QTreeWidgetItem*> selected = lvwDmm_->selectedItems();
  const bool connectedRow =
      !selected.isEmpty() &&
      selected.front()->text(kAddressColumn).toStdString() == connectedAddress_;
  SetButtons(!connectedRow);
}

void VXdmmCTL::SetButtons(bool connectEnabled) {
  cmdConnect_->setEnabled(connectEnabled);
  cmdDisconnect_->setEnabled(!connectEnabled);
}

std::string VXdmmCTL::AddressOf(int row) const {
  const QTreeWidgetItem* item = lvwDmm_->topLevelItem(row);
  return item ? item->text(kAddressColumn).toStdString() : std::string();
}

bool VXdmmCTL::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvwDmm_->viewport() && event->type() == QEvent::Resize) FitAddressColumn();
  return QWidget::eventFilter(watched, event);
}

// The address column takes the width the first three leave, less a small margin.
void VXdmmCTL::FitAddressColumn() {
  QHeaderView* header = lvwDmm_->header();
  const int others = header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2);
  const int width = lvwDmm_->viewport()->width() - others - kAddressMarginPx;
  header->resizeSection(kAddressColumn, std::max(width, header->minimumSectionSize()));
}

}  // namespace vx::listcontrol
