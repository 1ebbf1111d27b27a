#include "platform/rtl/Checked.h"

#include <gtest/gtest.h>

#include <limits>

static_assert(CheckedAdd<Integer>(2, 3) == 5);
static_assert(RangeChecked<Byte>(255) == 255);

namespace {
constexpr Integer kMaxInt = std::numeric_limits<Integer>::max();
constexpr Int64 kMaxInt64 = std::numeric_limits<Int64>::max();
}  // namespace

TEST(CheckedArithmetic, RaisesIntegerOverflow) {
  EXPECT_EQ(CheckedAdd<Integer>(kMaxInt - 1, 1), kMaxInt);
  EXPECT_THROW(CheckedAdd<Integer>(kMaxInt, 1), EIntOverflow);
  EXPECT_THROW(CheckedSub<Integer>(std::numeric_limits<Integer>::min(), 1), EIntOverflow);
  EXPECT_THROW(CheckedMul<Integer>(65536, 65536), EIntOverflow);
  EXPECT_EQ(CheckedMul<Int64>(65536, 65536), Int64(1) << 32);
  EXPECT_THROW(CheckedAdd<Int64>(kMaxInt64, 1), EIntOverflow);
  EXPECT_THROW(CheckedMul<Int64>(-1, std::numeric_limits<Int64>::min()), EIntOverflow);
  try {
    CheckedAdd<Integer>(kMaxInt, kMaxInt);
    FAIL();
  } catch (const EIntOverflow& e) {
    EXPECT_EQ(e.Message(), "Integer overflow");
  }
}

TEST(CheckedConversion, RaisesRangeErrors) {
  EXPECT_EQ(RangeChecked<SmallInt>(-32768), -32768);
  EXPECT_THROW(RangeChecked<SmallInt>(32768), ERangeError);
  EXPECT_THROW(RangeChecked<Cardinal>(-1), ERangeError);
  EXPECT_THROW(RangeChecked<Integer>(Int64(1) << 31), ERangeError);
  EXPECT_EQ(RangeChecked<Integer>(UInt64(7)), 7);
  try {
    RangeChecked<Byte>(256);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(), "Range check error");
  }
}

TEST(CheckedIndex, AcceptsOnlyPositionsInsideTheCount) {
  EXPECT_NO_THROW(CheckIndex(0, 1));
  EXPECT_NO_THROW(CheckIndex(2, std::size_t(3)));
  EXPECT_THROW(CheckIndex(3, 3), ERangeError);
  EXPECT_THROW(CheckIndex(-1, 3), ERangeError);
  EXPECT_THROW(CheckIndex(0, 0), ERangeError);
}
