#include "sim/reading_model.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>

#include "common/c_number.h"

namespace vx::sim {
namespace {

std::uint64_t SplitMix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// Four 16-bit uniforms from one 64-bit number; their centred sum scaled to unit variance.
double GaussianFromBits(std::uint64_t bits) {
  double sum = 0;
  for (int i = 0; i < 4; ++i) {
    sum += static_cast<double>((bits >> (16 * i)) & 0xFFFF) / 65535.0;
  }
  // Each uniform has variance 1/12, so the sum of four has variance 1/3.
  return (sum - 2.0) * std::numbers::sqrt3;
}

constexpr double kWanderAmplitude = 0.002;
constexpr double kWanderPeriodSeconds = 8.0;

}  // namespace

std::uint64_t NoiseSource::Next() {
  return SplitMix(state_);
}

double NoiseSource::Gaussian() {
  return GaussianFromBits(Next());
}

double HashedGaussian(std::uint64_t seed, std::uint64_t a, std::uint64_t b) {
  std::uint64_t state = seed ^ (a * 0xD6E8FEB86659FD93ULL);
  SplitMix(state);
  state ^= b * 0xA0761D6478BD642FULL;
  return GaussianFromBits(SplitMix(state));
}

double SignalAt(double input, double noise, double seconds, int phase, double gaussian) {
  if (noise == 0.0) return input;
  const double angle =
      2.0 * std::numbers::pi * seconds / kWanderPeriodSeconds + 0.9 * static_cast<double>(phase);
  return input * (1.0 + kWanderAmplitude * std::sin(angle)) * (1.0 + noise * gaussian);
}

std::size_t FormatReading(double value, char* buffer) {
  if (!std::isfinite(value)) {
    const std::string text = FormatC("%+.8E", value);
    std::memcpy(buffer, text.data(), text.size());
    return text.size();
  }
  // std::to_chars gives the correctly rounded digits of printf's "%.8e" without touching the
  // locale; only the sign and the exponent letter differ from "%+.8E".
  char digits[32];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific, 8);
  const char* p = digits;
  std::size_t n = 0;
  if (*p == '-') {
    buffer[n++] = '-';
    ++p;
  } else {
    buffer[n++] = '+';
  }
  for (; p != result.ptr; ++p) buffer[n++] = (*p == 'e') ? 'E' : *p;
  return n;
}

void AppendReading(std::string& out, double value) {
  char buffer[32];
  out.append(buffer, FormatReading(value, buffer));
}

void AppendExactNumber(std::string& out, double value) {
  std::string text = FormatC("%+.15E", value);
  if (LeadingNumber(text) != value) text = FormatC("%+.16E", value);
  out += text;
}

}  // namespace vx::sim
