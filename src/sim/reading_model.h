#pragma once
// How a simulated reading comes about: the input signal, a slow wander of the signal in time,
// seeded measurement noise, and the meter's number format.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vx::sim {

// The value the meter reports for an overload ("+9.90000000E+37").
inline constexpr double kOverloadValue = 9.9e37;

// Seeded pseudo-random numbers (splitmix64): equal seeds give equal sequences.
class NoiseSource {
 public:
  explicit NoiseSource(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  // Approximately normal, mean 0, standard deviation 1 (sum of four uniforms, bounded).
  double Gaussian();

 private:
  std::uint64_t state_;
};

// The same kind of value as NoiseSource::Gaussian, but a pure function of its arguments, so
// that a reading identified by (seed, a, b) is the same whenever it is computed.
double HashedGaussian(std::uint64_t seed, std::uint64_t a, std::uint64_t b);

// The signal seen at `seconds` after power-on: `input` wandering by +-0.2 % (a sine with a
// period of 8 s, its phase set by `phase`) times (1 + noise * gaussian). With noise 0 the
// signal is exactly `input`, with neither wander nor noise.
double SignalAt(double input, double noise, double seconds, int phase, double gaussian);

// "%+.8E" in the C locale, as the meter writes every reading: 15 characters for finite values
// such as "+1.23456780E+00". Appends to `out` without allocating beyond its capacity.
void AppendReading(std::string& out, double value);
// The same format into a buffer of at least 32 bytes; returns the length.
std::size_t FormatReading(double value, char* buffer);

// A number that reads back (with strtod) as exactly `value`: "%+.15E", or "%+.16E" when
// sixteen significant digits are not enough.
void AppendExactNumber(std::string& out, double value);

}  // namespace vx::sim
