#pragma once
// The instrument-list control: a report-style list of the meters ("Instrument", "Name",
// "Manufacturer", "Address") with a mark on the connected one, and the buttons Connect and
// Disconnect. It talks to no instrument itself.

#include <QWidget>
#include <cstdint>
#include <string>

#include "automation/automation_error.h"

class QPushButton;
class QTreeWidget;

namespace vx::listcontrol {

class VXdmmCTL : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString mark_Address READ markAddressText WRITE setMarkAddressText)
  Q_PROPERTY(int lvw_now READ lvwNowValue WRITE setLvwNowValue)

 public:
  static constexpr int kAddressColumn = 3;

  explicit VXdmmCTL(QWidget* parent = nullptr);

  std::string mark_Address() const { return markAddress_; }
  void setMark_Address(const std::string& address) { markAddress_ = address; }
  std::int16_t lvw_now() const { return lvwNow_; }
  void setLvw_now(std::int16_t row) { lvwNow_ = row; }

  automation::Status IDN(const std::string& sBuffer, const std::string& Addr);
  std::int16_t selmark();
  void ListClear();

  // The parts, for the form's layout and for tests.
  QTreeWidget* List() const { return lvwDmm_; }
  QPushButton* ConnectButton() const { return cmdConnect_; }
  QPushButton* DisconnectButton() const { return cmdDisconnect_; }
  // The row that carries the connected mark (from 0), -1 when none.
  int MarkedRow() const { return markedRow_; }

 protected:
  // The list's own resizes fit the address column.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString markAddressText() const { return QString::fromStdString(markAddress_); }
  void setMarkAddressText(const QString& text) { markAddress_ = text.toStdString(); }
  int lvwNowValue() const { return lvwNow_; }
  void setLvwNowValue(int row) { lvwNow_ = static_cast<std::int16_t>(row); }

  void OnConnect();
  void OnDisconnect();
  void OnListClicked();
  void MarkRow(int row);
  void SetButtons(bool connectEnabled);
  void FitAddressColumn();
  std::string AddressOf(int row) const;

  QTreeWidget* lvwDmm_ = nullptr;
  QPushButton* cmdConnect_ = nullptr;
  QPushButton* cmdDisconnect_ = nullptr;
  std::string markAddress_;
  std::int16_t lvwNow_ = 0;
  // No row carries the mark at first, so that a Connect before any selmark or Disconnect
  // marks the selected row.
  int markedRow_ = -1;
  std::string connectedAddress_;
};

}  // namespace vx::listcontrol
