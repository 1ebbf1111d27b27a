#include "platform/rtl/Set.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
enum TColour { clRed, clGreen, clBlue, clHigh = 200 };
enum class TMode { mOne, mTwo, mThree };
enum TOption : unsigned short { opA = 0x01, opB = 0x02, opC = 0x40 };
ZORVET_ENUM_BITMASK(TOption)
}  // namespace

TEST(SetOfEnum, MembersComeAndGo) {
  Set<TColour> s{clRed, clBlue};
  EXPECT_TRUE(s.Contains(clRed));
  EXPECT_FALSE(s.Contains(clGreen));
  s += clGreen;
  s -= clRed;
  EXPECT_EQ(s, (Set<TColour>{clGreen, clBlue}));
  EXPECT_EQ(s.Count(), 2u);
  EXPECT_TRUE(Set<TColour>().Empty());
}

TEST(SetOfEnum, AlgebraFollowsSetRules) {
  const Set<TColour> a{clRed, clGreen}, b{clGreen, clBlue};
  EXPECT_EQ(a + b, (Set<TColour>{clRed, clGreen, clBlue}));
  EXPECT_EQ(a - b, (Set<TColour>{clRed}));
  EXPECT_EQ(a * b, (Set<TColour>{clGreen}));
  EXPECT_TRUE((a * b).SubsetOf(a));
  EXPECT_FALSE(a.SubsetOf(b));
}

TEST(SetOfEnum, HighMembersAndBitsDoNotMix) {
  Set<TColour> s{clHigh, clBlue};
  EXPECT_TRUE(s.Contains(clHigh));
  EXPECT_EQ(s.Bits(), 0b100u);  // only the low 64 members show as bits
  std::vector<TColour> seen(s.begin(), s.end());
  EXPECT_EQ(seen, (std::vector<TColour>{clBlue, clHigh}));
}

TEST(SetOfEnum, OneByteStorageRoundTrips) {
  const Set<TMode> s = Set<TMode>::FromBits(0b101);
  EXPECT_TRUE(s.Contains(TMode::mOne));
  EXPECT_FALSE(s.Contains(TMode::mTwo));
  EXPECT_TRUE(s.Contains(TMode::mThree));
  EXPECT_EQ(s.Bits(), 0b101u);
}

TEST(EnumBitmask, CombinesAndTestsFlags) {
  TOption o = opA | opC;
  EXPECT_TRUE(HasFlag(o, opA));
  EXPECT_FALSE(HasFlag(o, opB));
  EXPECT_FALSE(HasFlag(o, opA | opB));
  o &= ~opA;
  EXPECT_EQ(o, opC);
  EXPECT_FALSE(HasAny(o & opB));
  EXPECT_EQ(static_cast<unsigned>(opA ^ opA), 0u);
}
