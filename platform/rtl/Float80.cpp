// platform/rtl/Float80.cpp
#include "platform/rtl/Float80.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr int kBias80 = 16383;
constexpr int kMaxExp80 = 0x7FFF;
constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;

struct Parts {
  bool negative;
  int exponent;  // the biased 15-bit field
  std::uint64_t significand;
};

TFloat80 Pack(const Parts& p) {
  TFloat80 f;
  for (int i = 0; i < 8; ++i)
    f.Bytes[static_cast<std::size_t>(i)] = static_cast<Byte>(p.significand >> (8 * i));
  const unsigned top = (p.negative ? 0x8000u : 0u) | static_cast<unsigned>(p.exponent & kMaxExp80);
  f.Bytes[8] = static_cast<Byte>(top);
  f.Bytes[9] = static_cast<Byte>(top >> 8);
  return f;
}

Parts Unpack(const TFloat80& f) {
  Parts p{};
  for (int i = 0; i < 8; ++i)
    p.significand |= std::uint64_t{f.Bytes[static_cast<std::size_t>(i)]} << (8 * i);
  const unsigned top = f.Bytes[8] | (unsigned{f.Bytes[9]} << 8);
  p.negative = (top & 0x8000u) != 0;
  p.exponent = static_cast<int>(top & 0x7FFFu);
  return p;
}

// A nonzero magnitude m as m * 2^0 in extended form.
Parts FromMagnitude(bool negative, std::uint64_t m) {
  const int lz = __builtin_clzll(m);
  return {negative, kBias80 + 63 - lz, m << lz};
}

double FromBits(std::uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// Rounds m / 2^shift to the nearest integer, ties to even (1 <= shift <= 64).
std::uint64_t RoundShift(std::uint64_t m, int shift) {
  const std::uint64_t kept = shift == 64 ? 0 : m >> shift;
  const std::uint64_t rest = shift == 64 ? m : m & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  if (rest > half || (rest == half && (kept & 1))) return kept + 1;
  return kept;
}

}  // namespace

TFloat80 TFloat80::FromDouble(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int exp = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
  if (exp == 0x7FF) {
    // Infinity keeps only the integer bit; a NaN keeps its payload and stays quiet.
    const std::uint64_t sig =
        frac == 0 ? kIntegerBit : kIntegerBit | (std::uint64_t{1} << 62) | (frac << 11);
    return Pack({negative, kMaxExp80, sig});
  }
  if (exp == 0) {
    if (frac == 0) return Pack({negative, 0, 0});
    // Subnormal double: frac * 2^-1074, normal in extended form.
    const int lz = __builtin_clzll(frac);
    return Pack({negative, kBias80 + 63 - 1074 - lz, frac << lz});
  }
  return Pack({negative, exp - 1023 + kBias80, kIntegerBit | (frac << 11)});
}

TFloat80 TFloat80::FromInt64(Int64 value) {
  if (value == 0) return Pack({false, 0, 0});
  const bool negative = value < 0;
  const std::uint64_t m = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                   : static_cast<std::uint64_t>(value);
  return Pack(FromMagnitude(negative, m));
}

double TFloat80::ToDouble() const {
  const Parts p = Unpack(*this);
  const std::uint64_t sign = p.negative ? std::uint64_t{1} << 63 : 0;
  if (p.exponent == kMaxExp80) {
    const std::uint64_t payload = (p.significand & ~kIntegerBit) >> 11;
    if ((p.significand & ~kIntegerBit) == 0) return FromBits(sign | (std::uint64_t{0x7FF} << 52));
    return FromBits(sign | (std::uint64_t{0x7FF} << 52) | (payload | (std::uint64_t{1} << 51)));
  }
  if (p.significand == 0) return FromBits(sign);

  // value = significand * 2^e2, then normalised so the top bit is set.
  int e2 = (p.exponent == 0 ? 1 : p.exponent) - kBias80 - 63;
  std::uint64_t m = p.significand;
  const int lz = __builtin_clzll(m);
  m <<= lz;
  e2 -= lz;
  int unbiased = e2 + 63;  // value = 1.xxx * 2^unbiased
  if (unbiased > 1023) return FromBits(sign | (std::uint64_t{0x7FF} << 52));
  if (unbiased >= -1022) {
    std::uint64_t rounded = RoundShift(m, 11);
    if (rounded == (std::uint64_t{1} << 53)) {
      rounded >>= 1;
      if (++unbiased > 1023) return FromBits(sign | (std::uint64_t{0x7FF} << 52));
    }
    return FromBits(sign | (static_cast<std::uint64_t>(unbiased + 1023) << 52) |
                    (rounded & ((std::uint64_t{1} << 52) - 1)));
  }
  // Subnormal result: k * 2^-1074 with k = m * 2^(e2 + 1074).
  const int shift = -(e2 + 1074);
  if (shift > 64) return FromBits(sign);
  // A carry into bit 52 gives the smallest normal number, which these bits
  // spell correctly.
  return FromBits(sign | RoundShift(m, shift));
}

bool TFloat80::ToInt64(Int64& out) const {
  const Parts p = Unpack(*this);
  if (p.exponent == kMaxExp80) return false;
  if (p.significand == 0) {
    out = 0;
    return true;
  }
  const int e2 = (p.exponent == 0 ? 1 : p.exponent) - kBias80 - 63;
  std::uint64_t magnitude;
  if (e2 >= 0) {
    if (e2 >= 64 || p.significand > (std::numeric_limits<std::uint64_t>::max() >> e2)) return false;
    magnitude = p.significand << e2;
  } else {
    const int s = -e2;
    if (s >= 64) return false;  // a nonzero fraction below 1
    if (p.significand & ((std::uint64_t{1} << s) - 1)) return false;
    magnitude = p.significand >> s;
  }
  if (p.negative) {
    if (magnitude > kIntegerBit) return false;
    out = magnitude == kIntegerBit ? std::numeric_limits<Int64>::min()
                                   : -static_cast<Int64>(magnitude);
  } else {
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<Int64>::max())) return false;
    out = static_cast<Int64>(magnitude);
  }
  return true;
}
