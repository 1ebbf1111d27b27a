#include "platform/rtl/Float80.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {
std::uint64_t BitsOf(double d) {
  std::uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  return b;
}
TFloat80 Make(bool negative, int exponent, std::uint64_t significand) {
  TFloat80 f;
  for (int i = 0; i < 8; ++i)
    f.Bytes[static_cast<std::size_t>(i)] = static_cast<Byte>(significand >> (8 * i));
  const unsigned top = (negative ? 0x8000u : 0u) | static_cast<unsigned>(exponent);
  f.Bytes[8] = static_cast<Byte>(top);
  f.Bytes[9] = static_cast<Byte>(top >> 8);
  return f;
}
}  // namespace

TEST(Float80Layout, OneIsTheBiasWithTheIntegerBit) {
  EXPECT_EQ(TFloat80::FromDouble(1.0), Make(false, 16383, 0x8000000000000000ull));
  EXPECT_EQ(TFloat80::FromDouble(-2.5), Make(true, 16384, 0xA000000000000000ull));
  EXPECT_EQ(TFloat80::FromInt64(1), TFloat80::FromDouble(1.0));
}

TEST(Float80Int64, EveryInt64RoundTripsExactly) {
  const Int64 samples[] = {0,
                           1,
                           -1,
                           (Int64{1} << 53) + 1,  // beyond a double's reach
                           std::numeric_limits<Int64>::max(),
                           std::numeric_limits<Int64>::min(),
                           std::numeric_limits<Int64>::max() - 1,
                           -1234567890123456789};
  for (Int64 v : samples) {
    Int64 back = 0;
    ASSERT_TRUE(TFloat80::FromInt64(v).ToInt64(back)) << v;
    EXPECT_EQ(back, v);
  }
  std::mt19937_64 random(42);
  for (int i = 0; i < 10000; ++i) {
    const Int64 v = static_cast<Int64>(random()) >> (random() % 64);
    Int64 back = 0;
    ASSERT_TRUE(TFloat80::FromInt64(v).ToInt64(back));
    ASSERT_EQ(back, v);
  }
}

TEST(Float80Int64, FractionsAndOutOfRangeValuesAreNotIntegers) {
  Int64 out = 7;
  EXPECT_FALSE(TFloat80::FromDouble(0.5).ToInt64(out));
  EXPECT_FALSE(TFloat80::FromDouble(9.3e18).ToInt64(out));
  EXPECT_FALSE(TFloat80::FromDouble(std::numeric_limits<double>::infinity()).ToInt64(out));
  EXPECT_EQ(out, 7);
  EXPECT_TRUE(TFloat80::FromDouble(-9223372036854775808.0).ToInt64(out));
  EXPECT_EQ(out, std::numeric_limits<Int64>::min());
}

TEST(Float80Double, EveryDoubleRoundTrips) {
  const double samples[] = {0.0,
                            -0.0,
                            1.0,
                            0.1,
                            -123.456,
                            1e308,
                            4.9e-324,
                            2.2250738585072014e-308,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
  for (double d : samples) EXPECT_EQ(BitsOf(TFloat80::FromDouble(d).ToDouble()), BitsOf(d)) << d;
  EXPECT_TRUE(std::isnan(TFloat80::FromDouble(std::nan("")).ToDouble()));
  std::mt19937_64 random(7);
  for (int i = 0; i < 10000; ++i) {
    double d;
    std::uint64_t bits = random();
    std::memcpy(&d, &bits, sizeof d);
    if (std::isnan(d)) continue;
    ASSERT_EQ(BitsOf(TFloat80::FromDouble(d).ToDouble()), bits);
  }
}

TEST(Float80Double, NarrowingRoundsToNearestEven) {
  // 1 + 2^-53 lies exactly between 1 and the next double: ties go to even (1).
  EXPECT_EQ(Make(false, 16383, 0x8000000000000400ull).ToDouble(), 1.0);
  // 1 + 3 * 2^-53: between 1 + 2^-52 and 1 + 2^-51, tie to the even one.
  EXPECT_EQ(Make(false, 16383, 0x8000000000000C00ull).ToDouble(), 1.0 + std::ldexp(1.0, -51));
  // Just above the tie rounds up.
  EXPECT_EQ(Make(false, 16383, 0x8000000000000401ull).ToDouble(), 1.0 + std::ldexp(1.0, -52));
  // All ones carry into the next power of two.
  EXPECT_EQ(Make(false, 16383, 0xFFFFFFFFFFFFFFFFull).ToDouble(), 2.0);
  // Int64 max is 2^63 - 1: the nearest double is 2^63.
  EXPECT_EQ(TFloat80::FromInt64(std::numeric_limits<Int64>::max()).ToDouble(), std::ldexp(1.0, 63));
}

TEST(Float80Double, OutOfRangeBecomesInfinityOrSubnormal) {
  EXPECT_EQ(Make(false, 16383 + 1024, 0x8000000000000000ull).ToDouble(),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(Make(true, 16383 - 1074, 0x8000000000000000ull).ToDouble(), -4.9e-324);
  EXPECT_EQ(Make(false, 16383 - 1075, 0x8000000000000000ull).ToDouble(), 0.0);  // tie to even: zero
  EXPECT_EQ(Make(false, 16383 - 1075, 0x8000000000000001ull).ToDouble(),
            4.9e-324);  // just above the tie
  EXPECT_EQ(Make(false, 100, 0x8000000000000000ull).ToDouble(), 0.0);
}
