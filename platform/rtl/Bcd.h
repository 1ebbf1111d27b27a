// platform/rtl/Bcd.h
//
// The 34-byte binary-coded decimal that record buffers store for BCD fields:
//
//   byte 0      Precision: the number of digits held (0..64)
//   byte 1      SignSpecialPlaces: bit 7 negative, bit 6 special (the value
//               is blank, not a number), bits 0-5 the count of decimals among
//               the digits (0..63)
//   bytes 2-33  Fraction: the digits, two per byte, the first digit in the
//               high nibble of byte 2
//
// The digits are read as one integer whose last `places` digits are the
// decimals: Precision 5, places 2, digits 0 1 2 3 4 is 12.34. An all-zero
// record is 0. Conversions into a BCD normalise the digits (no leading zeros
// before the point, no trailing zeros after it) unless CurrToBCD is told the
// field's precision and decimals.
//
// Conversions that cannot hold the value raise EBcdException; the Try... and
// Boolean forms return false instead.
#pragma once

#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

struct TBcd {
  Byte Precision = 0;
  Byte SignSpecialPlaces = 0;
  Byte Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34, "TBcd is stored byte for byte in records");

inline constexpr Byte BcdSignBit = 0x80;
inline constexpr Byte BcdSpecialBit = 0x40;
inline constexpr Byte BcdPlacesMask = 0x3F;

// The amount with `decimals` decimals (rounded half away from zero when fewer
// than four) right-aligned in `precision` digits, as a field of that
// precision and scale stores it. A precision of 0 or less means the maximum,
// 64. False, with `bcd` untouched, when the amount needs more integer digits
// than precision - decimals, or precision or decimals is out of range.
bool CurrToBCD(Currency value, TBcd& bcd, int precision = 32, int decimals = 4);
// False when the value is special or outside the currency range; decimals
// beyond the fourth round half away from zero.
bool BCDToCurr(const TBcd& bcd, Currency& value);

// Exact three-way comparison of the values (-1, 0, 1); special values sort
// before every number and equal each other.
int BcdCompare(const TBcd& a, const TBcd& b);

// The value in the shortest plain form, with the settings' DecimalSeparator:
// "-12.5", "0". A special value gives the empty text.
String BcdToStr(const TBcd& bcd);
// Reads an optional sign, digits and an optional decimal separator with
// digits (at most 64 significant digits, 63 decimals); blanks around are ignored.
bool TryStrToBcd(const String& text, TBcd& bcd);
TBcd StrToBcd(const String& text);

// Through the value's 15-significant-digit text; raises EBcdException for a
// NaN or infinity.
TBcd DoubleToBcd(double value);
// The nearest double; raises EBcdException for a special value.
double BcdToDouble(const TBcd& bcd);
