#include "platform/rtl/Currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(CurrencyValue, DoublesRoundHalfAwayFromZero) {
  EXPECT_EQ(Currency::FromDouble(0.00005).Scaled(), 1);
  EXPECT_EQ(Currency::FromDouble(-0.00005).Scaled(), -1);
  EXPECT_EQ(Currency::FromDouble(1.23456).Scaled(), 12346);
  EXPECT_EQ(Currency::FromDouble(2.675).Scaled(), 26750);
  EXPECT_DOUBLE_EQ(Currency::FromDouble(-12.5).ToDouble(), -12.5);
}

TEST(CurrencyValue, OutOfRangeConversionsRaise) {
  EXPECT_THROW(Currency::FromDouble(1e20), EOverflow);
  EXPECT_THROW(Currency::FromDouble(std::nan("")), EInvalidOp);
  EXPECT_THROW(Currency::FromInt64(std::numeric_limits<Int64>::max()), EOverflow);
  EXPECT_EQ(Currency::FromInt64(-7).Scaled(), -70000);
}

TEST(CurrencyValue, ArithmeticKeepsFourDecimals) {
  Currency a = Currency::FromDouble(1.5), b = Currency::FromDouble(2.25);
  EXPECT_EQ((a * b).Scaled(), 33750);
  EXPECT_EQ((Currency::FromInt64(1) / Currency::FromInt64(3)).Scaled(), 3333);
  EXPECT_EQ((Currency::FromInt64(2) / Currency::FromInt64(3)).Scaled(), 6667);
  EXPECT_EQ((Currency::FromInt64(-2) / Currency::FromInt64(3)).Scaled(), -6667);
  EXPECT_EQ((a - b).Scaled(), -7500);
  EXPECT_LT(b - a, a);
}

TEST(CurrencyValue, OverflowAndDivisionByZeroRaise) {
  Currency max = Currency::FromScaled(std::numeric_limits<Int64>::max());
  Currency min = Currency::FromScaled(std::numeric_limits<Int64>::min());
  EXPECT_THROW(max + Currency::FromScaled(1), EOverflow);
  EXPECT_THROW(-min, EOverflow);
  EXPECT_THROW(max * Currency::FromInt64(2), EOverflow);
  EXPECT_THROW(max / Currency(), EZeroDivide);
}
