#pragma once
// The "Chart Record" window: an oscilloscope-like screen on which the readings of a record
// are drawn, all of them or a range, at a chosen value per division and in a chosen colour,
// over whatever is drawn already until "Clear"; a slider moves a marker along the last
// drawing and reads out its reading. A thin window over RecordChart.
//
// The front panel creates it each time the user opens it and shows it with exec():
//
//   vx::records::RecordChartDialog dialog(this, prompter);
//   dialog.exec();
//
// Construction is the window's opening: it finds the record folder (without entering it;
// a missing one is reported under "Database check") and lists the records. Every message
// and the colour chooser go through `prompter`. Enter in the bound fields only rewrites
// them; it never draws or closes the window.

#include <QColor>
#include <QDialog>

#include <memory>

#include "common/prompt.h"
#include "records/chart/record_chart.h"
#include "records/window_support.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace vx::records {

class ChartScreen;

class RecordChartDialog : public QDialog {
 public:
  RecordChartDialog(QWidget* parent, Prompter& prompter);
  ~RecordChartDialog() override;

  const RecordChart& Chart() const { return *chart_; }
  // The screen's backing image (background and traces, no marker), for tests.
  const QImage& ScreenImage() const;
  QColor LineColour() const { return colour_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildSettings();
  QWidget* BuildReadout();
  void Connect();
  void ShowMode();
  void Choose(int line);
  void ChooseColour();
  void Draw();
  void Clear();
  void MoveMarker(int position);

  ArrowWhilePrompting prompter_;
  std::unique_ptr<RecordChart> chart_;
  QColor colour_{0, 255, 255};

  ChartScreen* screen_ = nullptr;
  QSlider* slider_ = nullptr;
  QLabel* readoutNumber_ = nullptr;
  QLabel* readoutValue_ = nullptr;
  QLabel* readoutStamp_ = nullptr;
  QComboBox* records_ = nullptr;
  QLabel* count_ = nullptr;
  QComboBox* division_ = nullptr;
  QWidget* swatch_ = nullptr;
  QPushButton* colourButton_ = nullptr;
  QRadioButton* allRadio_ = nullptr;
  QRadioButton* rangeRadio_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QPushButton* draw_ = nullptr;
  QPushButton* clear_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* exit_ = nullptr;
};

}  // namespace vx::records
