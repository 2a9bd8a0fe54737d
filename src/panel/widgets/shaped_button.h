#pragma once
// A push button that draws itself in a non-rectangular shape with a shaded, raised edge:
// capsules for the panel's function buttons, circles for the zero-marker buttons. Clicks
// and painting outside the shape do not reach the button (its window mask is the shape).

#include <QPixmap>
#include <QPushButton>

#include "panel/widgets/button_outline.h"

namespace vx::panel {

class ShapedButton : public QPushButton {
  Q_OBJECT

 public:
  explicit ShapedButton(const QString& text, QWidget* parent = nullptr);

  // Gives the button its shape: computes the outlines for the present size, masks the
  // button to the outer outline and makes the pictures again before the next paint.
  void SetShape(ButtonShape shape);
  ButtonShape Shape() const { return shape_; }
  const Outlines& CurrentOutlines() const { return outlines_; }

  // The three pictures of the last build, for tests.
  const QPixmap& NormalPicture() const { return normal_; }
  const QPixmap& FocusedPicture() const { return focused_; }
  const QPixmap& PressedPicture() const { return pressed_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  enum class Picture { Normal, Focused, Pressed };
  // What the pictures were made with; a difference means they must be made again.
  struct BuiltStyle {
    QSize size;
    bool enabled = true;
    bool flat = false;
    QString text;
    qint64 paletteKey = 0;
    bool operator==(const BuiltStyle&) const = default;
  };

  BuiltStyle CurrentStyle() const;
  void ApplyShape();
  void BuildPictures();
  QPixmap MakePicture(Picture kind) const;
  void PaintBevel(QPainter& painter, int outer, int inner, Rgb light, Rgb dark) const;
  void PaintCaption(QPainter& painter, bool pressed) const;

  ButtonShape shape_ = ButtonShape::Rectangle;
  bool shapeGiven_ = false;
  bool rebuild_ = true;
  Outlines outlines_;
  BuiltStyle built_;
  QPixmap normal_, focused_, pressed_;
};

}  // namespace vx::panel
