#include "panel/widgets/button_outline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vx::panel {
namespace {

constexpr double kPi = std::numbers::pi;

// The client rectangle with its right and bottom edges moved in by one pixel.
struct Box {
  int left, top, right, bottom;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// The largest square centred in the box.
Box CentredSquare(const Box& box) {
  const int side = std::min(box.Width(), box.Height());
  const int left = box.left + (box.Width() - side) / 2;
  const int top = box.top + (box.Height() - side) / 2;
  return Box{left, top, left + side, top + side};
}

Pixel OnCircle(double cx, double cy, double radius, double angle) {
  return Pixel{static_cast<int>(std::lround(cx + radius * std::cos(angle))),
               static_cast<int>(std::lround(cy + radius * std::sin(angle)))};
}

Outline Rectangle(const Box& b, int d) {
  return {{b.left + d, b.top + d},
          {b.right - d, b.top + d},
          {b.right - d, b.bottom - d},
          {b.left + d, b.bottom - d}};
}

Outline Diamond(const Box& b, int d) {
  const Box s = CentredSquare(b);
  const int cx = s.left + s.Width() / 2;
  const int cy = s.top + s.Height() / 2;
  return {{s.left + d, cy}, {cx, s.top + d}, {s.right - d, cy}, {cx, s.bottom - d}};
}

Outline Circle(const Box& b, int d) {
  const Box s = CentredSquare(b);
  const int r0 = s.Width() / 2;
  const int n = r0;
  const double cx = s.left + r0;
  const double cy = s.top + r0;
  Outline points;
  for (int i = 0; i < n; ++i) points.push_back(OnCircle(cx, cy, r0 - d, 2 * kPi * i / n));
  return points;
}

// Semicircles round the far end (right of a wide button, bottom of a tall one), then round
// the near end.
Outline Capsule(const Box& b, int d) {
  const bool tall = b.Height() > b.Width();
  const int r0 = std::min(b.Width(), b.Height()) / 2;
  const int n = r0;
  Outline points;
  if (n == 0) return points;
  const double start = tall ? 0.0 : 3 * kPi / 2;
  const double farX = tall ? b.left + b.Width() / 2 : b.right - r0;
  const double farY = tall ? b.bottom - r0 : b.top + b.Height() / 2;
  const double nearX = tall ? farX : b.left + r0;
  const double nearY = tall ? b.top + r0 : farY;
  for (int i = 0; i <= n / 2; ++i) {
    points.push_back(OnCircle(farX, farY, r0 - d, 2 * kPi * i / n + start));
  }
  for (int i = n / 2; i <= n; ++i) {
    points.push_back(OnCircle(nearX, nearY, r0 - d, 2 * kPi * i / n + start));
  }
  return points;
}

}  // namespace

Outlines ComputeOutlines(ButtonShape shape, int width, int height) {
  const Box box{0, 0, width - 1, height - 1};
  Outlines outlines;
  for (size_t level = 0; level < outlines.size(); ++level) {
    const int d = kOutlineInsets[level];
    Outline points;
    switch (shape) {
      case ButtonShape::Rectangle:
        points = Rectangle(box, d);
        break;
      case ButtonShape::Diamond:
        points = Diamond(box, d);
        break;
      case ButtonShape::Circle:
        points = Circle(box, d);
        break;
      case ButtonShape::Capsule:
        points = Capsule(box, d);
        break;
    }
    if (points.size() > kMaxOutlinePoints - 1) points.resize(kMaxOutlinePoints - 1);
    if (!points.empty() && points.back() != points.front()) points.push_back(points.front());
    outlines[level] = std::move(points);
  }
  return outlines;
}

bool OutlinesValid(const Outlines& outlines) {
  if (outlines[0].empty()) return false;
  return std::all_of(outlines.begin(), outlines.end(), [&](const Outline& outline) {
    return outline.size() == outlines[0].size() && outline.size() <= kMaxOutlinePoints;
  });
}

double EdgeWeight(Pixel from, Pixel to) {
  double theta = std::atan2(static_cast<double>(from.x - to.x), static_cast<double>(to.y - from.y));
  if (theta < 0) theta += 2 * kPi;
  return (std::cos(std::fabs(3 * kPi / 4 - (2 * kPi - theta))) + 1) / 2;
}

Rgb BlendColour(Rgb light, Rgb dark, double weight) {
  const auto channel = [weight](std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(static_cast<int>((1 - weight) * b + weight * a));
  };
  return Rgb{channel(light.red, dark.red), channel(light.green, dark.green),
             channel(light.blue, dark.blue)};
}

}  // namespace vx::panel
