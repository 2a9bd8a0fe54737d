#pragma once
// One of the four device status rows of the front panel, and the two small colour widgets
// it shows: the lamp (a filled square) and the legend (a line in the trace's colour).

#include <QColor>
#include <QWidget>

class QLabel;
class QRadioButton;

namespace vx::panel {

class ColourSwatch : public QWidget {
  Q_OBJECT

 public:
  enum class Kind { Lamp, Legend };
  ColourSwatch(Kind kind, QWidget* parent = nullptr);
  void SetColour(const QColor& colour);
  QColor Colour() const { return colour_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Kind kind_;
  QColor colour_;
};

struct DeviceRow {
  QRadioButton* radio = nullptr;
  ColourSwatch* lamp = nullptr;
  ColourSwatch* legend = nullptr;
  QLabel* name = nullptr;
  QLabel* division = nullptr;
  QLabel* reading = nullptr;

  void SetVisible(bool visible);
};

}  // namespace vx::panel
