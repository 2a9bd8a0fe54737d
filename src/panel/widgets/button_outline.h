#pragma once
// The geometry and shading of the panel's self-drawn buttons: four outlines of the shape at
// growing insets, and the light that falls on each edge segment from the upper left.

#include <array>
#include <vector>

#include "common/rgb.h"

namespace vx::panel {

enum class ButtonShape { Rectangle = 0, Diamond = 1, Circle = 2, Capsule = 3 };

struct Pixel {
  int x = 0;
  int y = 0;
  bool operator==(const Pixel&) const = default;
};

using Outline = std::vector<Pixel>;
using Outlines = std::array<Outline, 4>;

// Insets of the four outline levels, in pixels.
inline constexpr std::array<int, 4> kOutlineInsets{0, 1, 2, 4};
inline constexpr std::size_t kMaxOutlinePoints = 1024;

// The outlines for a client area of `width` by `height` pixels. Every outline is closed (its
// last point repeats the first).
Outlines ComputeOutlines(ButtonShape shape, int width, int height);

// Level 0 has a point and all levels have as many points (at most kMaxOutlinePoints).
bool OutlinesValid(const Outlines& outlines);

// The share of light, 0 to 1, that a segment from `from` to `to` catches from the upper left.
double EdgeWeight(Pixel from, Pixel to);

// (1 - w) x dark + w x light, channel by channel, fractions dropped.
Rgb BlendColour(Rgb light, Rgb dark, double weight);

}  // namespace vx::panel
