#include "core/render/Noise.h"

#include <cmath>
#include <cstdint>

double NoiseLatticeValue(unsigned int m)
{
  uint32_t n = m;
  n ^= n << 13;
  const uint32_t h = (n * (n * n * 15731u + 789221u) - 771171059u) & 0x7FFFFFFFu;
  return 1.0 - static_cast<double>(h) / 1073741824.0;
}

namespace {

// x truncated toward zero onto the 32-bit lattice (wrapping outside it) and the fraction.
uint32_t LatticePoint(double x, double* fraction)
{
  if (std::isnan(x) || std::isinf(x)) {
    *fraction = 0.0;
    return 0;
  }
  const double t = std::trunc(x);
  *fraction = x - t;
  if (t >= -2147483648.0 && t < 2147483648.0) return static_cast<uint32_t>(static_cast<int32_t>(t));
  // Beyond 2^53 the fraction is 0 anyway; wrap like 32-bit arithmetic would.
  double w = std::fmod(t, 4294967296.0);
  if (w < 0) w += 4294967296.0;
  return static_cast<uint32_t>(w);
}

double IntPow(double base, int exponent)
{
  double result = 1.0;
  while (exponent > 0) {
    if (exponent & 1) result *= base;
    base *= base;
    exponent >>= 1;
  }
  return result;
}

}  // namespace

double ValueNoise1D(double x)
{
  double f;
  const uint32_t n = LatticePoint(x, &f);
  const double w = (1.0 - std::cos(f * 3.1415927)) * 0.5;
  return NoiseLatticeValue(n) * (1.0 - w) + NoiseLatticeValue(n + 1u) * w;
}

double FractalNoise1D(double x, double scale, double persistence, int octaves)
{
  // Past 64 octaves 2^i overflows what a double can place on the lattice; a hostile
  // count must not spin the frame.
  if (octaves > 64) octaves = 64;
  double sum = 0.0;
  for (int i = 0; i < octaves; ++i)
    sum += IntPow(persistence, i) * ValueNoise1D(IntPow(2.0, i) * x / scale);
  return sum;
}
