// platform/rtl/Float80.h
//
// The 10-byte extended-precision float of the stored value format: 64-bit
// significand with an explicit integer bit, 15-bit exponent biased by 16383,
// sign in the top bit; little-endian (significand bytes 0-7, then the
// exponent and sign in bytes 8-9).
//
// Conversions are our own integer code, the same on every machine:
// - from a double: exact (every double is an extended value);
// - to a double: rounded to nearest, ties to even; too large gives an
//   infinity, too small a subnormal or zero; NaN stays NaN;
// - from an Int64: exact (64 significand bits hold every Int64);
// - to an Int64: exact when the value is a whole number in range.
#pragma once

#include <array>

#include "platform/rtl/Types.h"

struct TFloat80 {
  std::array<Byte, 10> Bytes{};

  static TFloat80 FromDouble(double value);
  static TFloat80 FromInt64(Int64 value);
  double ToDouble() const;
  // True and the value in `out` when the value is a whole number within
  // the Int64 range; false otherwise (`out` untouched).
  bool ToInt64(Int64& out) const;

  friend bool operator==(const TFloat80&, const TFloat80&) = default;
};
