// platform/rtl/Currency.h
//
// `Currency`: a fixed-point amount held as a 64-bit integer of ten-thousandths,
// so 1.5 is stored as 15000 and sums of amounts stay exact. The range is
// about ±922,337,203,685,477.5807.
//
// Conversions from double round half away from zero to four decimals.
// Arithmetic is checked: a result outside the range raises EOverflow, a
// division by zero EZeroDivide. Products and quotients are rounded half away
// from zero to four decimals.
#pragma once

#include <cmath>
#include <compare>
#include <limits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

class Currency {
 public:
  static constexpr Int64 Scale = 10000;

  constexpr Currency() noexcept = default;

  // The amount whose ten-thousandths are `scaled`.
  static constexpr Currency FromScaled(Int64 scaled) noexcept {
    Currency c;
    c.scaled_ = scaled;
    return c;
  }

  static Currency FromInt64(Int64 value) { return FromWide(static_cast<__int128>(value) * Scale); }

  static Currency FromDouble(double value) {
    if (std::isnan(value)) throw EInvalidOp("Invalid floating point operation");
    // Long double keeps the decimal fraction of the product exact enough that
    // 0.00005 rounds up as written rather than down as stored.
    long double scaled = std::round(static_cast<long double>(value) * Scale);
    if (!(scaled >= -9223372036854775808.0L && scaled < 9223372036854775808.0L))
      throw EOverflow("Currency value out of range");
    return FromScaled(static_cast<Int64>(scaled));
  }

  constexpr Int64 Scaled() const noexcept { return scaled_; }
  double ToDouble() const noexcept { return static_cast<double>(scaled_) / Scale; }

  friend constexpr auto operator<=>(Currency, Currency) noexcept = default;

  Currency operator-() const { return FromWide(-static_cast<__int128>(scaled_)); }
  friend Currency operator+(Currency a, Currency b) {
    return FromWide(static_cast<__int128>(a.scaled_) + b.scaled_);
  }
  friend Currency operator-(Currency a, Currency b) {
    return FromWide(static_cast<__int128>(a.scaled_) - b.scaled_);
  }
  friend Currency operator*(Currency a, Currency b) {
    return FromWide(DivRound(static_cast<__int128>(a.scaled_) * b.scaled_, Scale));
  }
  friend Currency operator/(Currency a, Currency b) {
    if (b.scaled_ == 0) throw EZeroDivide("Floating point division by zero");
    return FromWide(DivRound(static_cast<__int128>(a.scaled_) * Scale, b.scaled_));
  }
  Currency& operator+=(Currency other) { return *this = *this + other; }
  Currency& operator-=(Currency other) { return *this = *this - other; }
  Currency& operator*=(Currency other) { return *this = *this * other; }
  Currency& operator/=(Currency other) { return *this = *this / other; }

 private:
  static Currency FromWide(__int128 scaled) {
    if (scaled < std::numeric_limits<Int64>::min() || scaled > std::numeric_limits<Int64>::max())
      throw EOverflow("Currency value out of range");
    return FromScaled(static_cast<Int64>(scaled));
  }

  // n / d rounded half away from zero.
  static __int128 DivRound(__int128 n, __int128 d) {
    __int128 q = n / d, r = n % d;
    if (r < 0) r = -r;
    __int128 ad = d < 0 ? -d : d;
    if (2 * r >= ad) q += ((n < 0) != (d < 0)) ? -1 : 1;
    return q;
  }

  Int64 scaled_ = 0;
};
