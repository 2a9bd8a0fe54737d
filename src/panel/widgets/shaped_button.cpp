#include "panel/widgets/shaped_button.h"

#include <QEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>

namespace vx::panel {
namespace {

Rgb ToRgb(const QColor& c) {
  return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
             static_cast<std::uint8_t>(c.blue())};
}

QColor ToQColor(Rgb c) {
  return QColor(c.red, c.green, c.blue);
}

QPolygon ToPolygon(const Outline& outline) {
  QPolygon polygon;
  for (const Pixel& p : outline) polygon << QPoint(p.x, p.y);
  return polygon;
}

}  // namespace

ShapedButton::ShapedButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setAttribute(Qt::WA_NoSystemBackground);
}

void ShapedButton::SetShape(ButtonShape shape) {
  shape_ = shape;
  shapeGiven_ = true;
  ApplyShape();
}

void ShapedButton::ApplyShape() {
  outlines_ = ComputeOutlines(shape_, width(), height());
  if (OutlinesValid(outlines_)) {
    setMask(QRegion(ToPolygon(outlines_[0]), Qt::OddEvenFill));
  } else {
    clearMask();
  }
  rebuild_ = true;
  update();
}

void ShapedButton::resizeEvent(QResizeEvent* event) {
  QPushButton::resizeEvent(event);
  if (shapeGiven_) ApplyShape();
}

void ShapedButton::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange ||
      event->type() == QEvent::FontChange) {
    update();
  }
}

ShapedButton::BuiltStyle ShapedButton::CurrentStyle() const {
  return BuiltStyle{size(), isEnabled(), isFlat(), text(), palette().cacheKey()};
}

void ShapedButton::paintEvent(QPaintEvent*) {
  if (rebuild_ || !(built_ == CurrentStyle())) BuildPictures();
  QPainter painter(this);
  const QPixmap& picture = isDown() ? pressed_ : hasFocus() ? focused_ : normal_;
  painter.drawPixmap(0, 0, picture);
}

void ShapedButton::BuildPictures() {
  // A button painted before it was given a shape (or too small for it) is a rectangle.
  if (!OutlinesValid(outlines_) || outlines_[0].size() < 2) {
    outlines_ = ComputeOutlines(ButtonShape::Rectangle, width(), height());
  }
  normal_ = MakePicture(Picture::Normal);
  focused_ = MakePicture(Picture::Focused);
  pressed_ = MakePicture(Picture::Pressed);
  built_ = CurrentStyle();
  rebuild_ = false;
}

// Paints the band between two outline levels, each segment in the shade its direction
// catches, with single pixels set where neighbouring polygons leave gaps.
void ShapedButton::PaintBevel(QPainter& painter, int outer, int inner, Rgb light, Rgb dark) const {
  const Outline& a = outlines_[static_cast<size_t>(outer)];
  const Outline& b = outlines_[static_cast<size_t>(inner)];
  for (size_t j = 0; j + 1 < a.size(); ++j) {
    const QColor colour = ToQColor(BlendColour(light, dark, EdgeWeight(a[j], a[j + 1])));
    const QPoint quad[4] = {
        {a[j].x, a[j].y}, {a[j + 1].x, a[j + 1].y}, {b[j + 1].x, b[j + 1].y}, {b[j].x, b[j].y}};
    painter.setPen(colour);
    painter.setBrush(colour);
    painter.drawPolygon(quad, 4);
    painter.drawPoint(quad[0]);
  }
}

void ShapedButton::PaintCaption(QPainter& painter, bool pressed) const {
  QRect area = rect();
  if (pressed) area.translate(1, 1);
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  painter.setFont(font());
  if (!isEnabled()) {
    // Embossed, as disabled captions are drawn.
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(area.translated(1, 1), flags, text());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(area, flags, text());
    return;
  }
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.drawText(area, flags, text());
}

QPixmap ShapedButton::MakePicture(Picture kind) const {
  QPixmap picture(size());
  const QPalette& p = palette();
  picture.fill(p.color(QPalette::Button));
  QPainter painter(&picture);
  const Rgb highlight = ToRgb(p.color(QPalette::Light));
  const Rgb light = ToRgb(p.color(QPalette::Midlight));
  const Rgb shadow = ToRgb(p.color(QPalette::Dark));
  const Rgb darkShadow = ToRgb(p.color(QPalette::Shadow));
  const bool pressed = kind == Picture::Pressed;

  if (isFlat()) {
    PaintBevel(painter, 0, 1, pressed ? darkShadow : highlight, pressed ? highlight : darkShadow);
    painter.setPen(ToQColor(BlendColour(highlight, darkShadow, 0.5)));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(ToPolygon(outlines_[0]));
  } else if (pressed) {
    // Sunken: the light falls on the lower right edges.
    PaintBevel(painter, 0, 1, darkShadow, highlight);
    PaintBevel(painter, 1, 2, shadow, light);
  } else {
    PaintBevel(painter, 0, 1, highlight, darkShadow);
    PaintBevel(painter, 1, 2, light, shadow);
  }
  if (kind == Picture::Focused) {
    painter.setPen(QPen(p.color(QPalette::ButtonText), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(ToPolygon(outlines_[3]));
  }
  PaintCaption(painter, pressed);
  return picture;
}

}  // namespace vx::panel
