#pragma once
// Float-to-integer conversions for values that come from documents or arithmetic on them.
// A plain cast of a value outside the target's range (or of NaN) is undefined behaviour
// in C++ and yields 0x80000000 on x86; these saturate instead (NaN gives 0).

#include <climits>
#include <cmath>

inline int SaturateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<int>(value);  // truncates toward zero
}

inline unsigned SaturateToUInt(double value) {
  if (std::isnan(value) || value <= 0.0) return 0;
  if (value >= 4294967295.0) return UINT_MAX;
  return static_cast<unsigned>(value);
}

inline unsigned char SaturateToByte(double value) {
  if (std::isnan(value) || value <= 0.0) return 0;
  if (value >= 255.0) return 255;
  return static_cast<unsigned char>(value);
}
