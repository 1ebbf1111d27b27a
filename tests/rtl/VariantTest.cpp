#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"

namespace {

// The message of the cast error that reading `v` as an integer raises.
String CastMessage(const Variant& v) {
  try {
    v.AsInteger();
  } catch (const EVariantTypeCastError& e) {
    return e.Message();
  }
  return "no error";
}

Currency Money(double amount) {
  return Currency::FromDouble(amount);
}

}  // namespace

TEST(VariantKinds, TypeCodesFollowTheValue) {
  EXPECT_EQ(VarType(Variant()), varEmpty);
  EXPECT_EQ(VarType(Null()), varNull);
  EXPECT_EQ(VarType(Variant(SmallInt(1))), varSmallint);
  EXPECT_EQ(VarType(Variant(5)), varInteger);
  EXPECT_EQ(VarType(Variant(1.5f)), varSingle);
  EXPECT_EQ(VarType(Variant(1.5)), varDouble);
  EXPECT_EQ(VarType(Variant(Money(1))), varCurrency);
  EXPECT_EQ(VarType(VarFromDateTime(1)), varDate);
  EXPECT_EQ(VarType(Variant(true)), varBoolean);
  EXPECT_EQ(VarType(Variant(ShortInt(1))), varShortInt);
  EXPECT_EQ(VarType(Variant(Byte(1))), varByte);
  EXPECT_EQ(VarType(Variant(Word(1))), varWord);
  EXPECT_EQ(VarType(Variant(LongWord(1))), varLongWord);
  EXPECT_EQ(VarType(Variant(Int64(1))), varInt64);
  EXPECT_EQ(VarType(Variant("x")), varString);
  EXPECT_EQ(VarType(Variant(String("x"))), varString);
  EXPECT_TRUE(VarIsClear(Unassigned()));
  EXPECT_FALSE(VarIsClear(Null()));
  // Cast: a bare `Variant(x);` statement would declare a variable.
  EXPECT_THROW(static_cast<void>(Variant(std::numeric_limits<UInt64>::max())),
               EVariantOverflowError);
}

TEST(VariantKinds, CopiesAreIndependentAndMovesEmptyTheSource) {
  Variant text("abc");
  Variant copy = text;
  copy = copy + "d";
  EXPECT_EQ(text.AsString(), "abc");
  Variant moved = std::move(copy);
  EXPECT_EQ(moved.AsString(), "abcd");
  EXPECT_TRUE(copy.IsEmpty());  // NOLINT(bugprone-use-after-move): the moved-from state is defined
  Variant& same = moved;  // through a reference: the compilers warn on a plain self-assignment
  moved = same;
  EXPECT_EQ(moved.AsString(), "abcd");
  moved = 7;
  EXPECT_EQ(VarType(moved), varInteger);
}

TEST(VariantConversions, NumbersFromOtherKinds) {
  EXPECT_EQ(Variant("12").AsInteger(), 12);
  EXPECT_EQ(Variant(" -12 ").AsInt64(), -12);
  EXPECT_EQ(Variant("1.5E3").AsInteger(), 1500);
  EXPECT_DOUBLE_EQ(Variant("1.5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
  EXPECT_EQ(Variant(Money(2.5)).AsInteger(), 2);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant("1.23456").AsCurrency().Scaled(), 12346);
  EXPECT_EQ(Variant(7).AsCurrency().Scaled(), 70000);
}

TEST(VariantConversions, TextAndBooleans) {
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(false).AsString(), "False");
  EXPECT_FALSE(Variant("false").AsBoolean());
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_TRUE(Variant(0.5).AsBoolean());
  EXPECT_EQ(Variant(1.5).AsString(), "1.5");
  EXPECT_EQ(Variant(0.1f).AsString(), "0.1");
  EXPECT_EQ(Variant(Money(1.25)).AsString(), "1.25");
  EXPECT_EQ(Variant(Int64(-9000000000)).AsString(), "-9000000000");
  EXPECT_EQ(Variant().AsString(), "");
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_THROW(Null().AsString(), EVariantTypeCastError);
  EXPECT_THROW(Variant("maybe").AsBoolean(), EVariantTypeCastError);
}

TEST(VariantConversions, Dates) {
  TDateTime moment = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
  EXPECT_EQ(VarFromDateTime(moment).AsString(), "05/03/2024 14:07:09");
  EXPECT_EQ(VarFromDateTime(EncodeDate(2024, 3, 5)).AsString(), "05/03/2024");
  EXPECT_DOUBLE_EQ(Variant("05/03/2024 14:07:09").AsDateTime(), moment);
  EXPECT_DOUBLE_EQ(Variant(45000).AsDateTime(), 45000);
  EXPECT_THROW(Variant("someday").AsDateTime(), EVariantTypeCastError);
}

TEST(VariantConversions, FailuresNameBothTypes) {
  EXPECT_EQ(CastMessage(Null()), "Could not convert variant of type (Null) into type (Integer)");
  EXPECT_EQ(CastMessage(Variant("abc")),
            "Could not convert variant of type (String) into type (Integer)");
  EXPECT_THROW(Variant(Int64(1) << 40).AsInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant(1e300).AsInt64(), EVariantOverflowError);
  EXPECT_THROW(Variant(1e300).AsCurrency(), EVariantOverflowError);
  EXPECT_THROW(VarArrayOf({1}).AsInteger(), EVariantTypeCastError);
}

TEST(VariantConversions, VarAsTypeChangesTheKind) {
  Variant small = VarAsType(Variant("7"), varSmallint);
  EXPECT_EQ(VarType(small), varSmallint);
  EXPECT_EQ(small.AsInteger(), 7);
  EXPECT_EQ(VarType(VarAsType(Variant(3), varOleStr)), varString);
  EXPECT_EQ(VarType(VarAsType(Variant("1.5"), varDouble)), varDouble);
  EXPECT_EQ(VarType(VarAsType(Variant(1.0), varDate)), varDate);
  EXPECT_THROW(VarAsType(Variant(70000), varSmallint), EVariantOverflowError);
  EXPECT_THROW(VarAsType(Variant(-1), varByte), EVariantOverflowError);
  EXPECT_THROW(VarAsType(Variant("x"), varInteger), EVariantTypeCastError);
  EXPECT_THROW(VarAsType(Null(), varInteger), EVariantTypeCastError);
}

TEST(VariantComparison, NullEqualsOnlyNull) {
  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant(0));
  EXPECT_TRUE(Null() != Variant(0));
  EXPECT_FALSE(Null() < Variant(1));
  EXPECT_FALSE(Null() > Variant(1));
  EXPECT_EQ(VarCompareValue(Null(), Variant(1)), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Null(), Variant()), vrNotEqual);
}

TEST(VariantComparison, EmptyStandsForTheOtherSidesZero) {
  EXPECT_TRUE(Variant() == Variant());
  EXPECT_TRUE(Variant() == Variant(0));
  EXPECT_TRUE(Variant() == Variant(""));
  EXPECT_TRUE(Variant() == Variant(false));
  EXPECT_TRUE(Variant() < Variant("a"));
  EXPECT_TRUE(Variant() > Variant(-1.5));
}

TEST(VariantComparison, NumbersByValueAcrossKinds) {
  EXPECT_TRUE(Variant(1) == Variant(1.0));
  EXPECT_TRUE(Variant(Money(1.5)) == Variant(1.5));
  EXPECT_TRUE(Variant(Byte(200)) > Variant(SmallInt(-5)));
  EXPECT_TRUE(Variant(std::numeric_limits<Int64>::max()) >
              Variant(std::numeric_limits<Int64>::max() - 1));
  EXPECT_TRUE(Variant(Money(0.0001)) > Variant(0));
  EXPECT_TRUE(Variant(true) < Variant(0));  // True is -1 as a number
  EXPECT_EQ(VarCompareValue(Variant(std::nan("")), Variant(1.0)), vrNotEqual);
}

TEST(VariantComparison, StringsOrdinallyAndAgainstNumbersByValue) {
  EXPECT_TRUE(Variant("10") < Variant("9"));
  EXPECT_TRUE(Variant("10") > Variant(9));
  EXPECT_TRUE(Variant(7) == Variant("7"));
  EXPECT_TRUE(Variant("A") < Variant("a"));
  EXPECT_EQ(VarCompareValue(Variant("abc"), Variant("ABC")), vrGreaterThan);
  EXPECT_EQ(VarCompareText(Variant("abc"), Variant("ABC")), vrEqual);
  EXPECT_EQ(VarCompareText(Variant("abc"), Variant("ABD")), vrLessThan);
  EXPECT_THROW(static_cast<void>(Variant("abc") == Variant(1)), EVariantTypeCastError);
}

TEST(VariantComparison, BooleansDatesAndArrays) {
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_TRUE(Variant(true) == Variant("true"));
  TDateTime day = EncodeDate(2024, 3, 5);
  EXPECT_TRUE(VarFromDateTime(day) == Variant("05/03/2024"));
  EXPECT_TRUE(VarFromDateTime(day) < Variant("06/03/2024"));
  EXPECT_TRUE(VarFromDateTime(day) == Variant(day));
  EXPECT_THROW(static_cast<void>(VarArrayOf({1}) == VarArrayOf({1})), EVariantError);
}

TEST(VariantArithmetic, IntegersWidenInsteadOfOverflowing) {
  Variant sum = Variant(2) + Variant(3);
  EXPECT_EQ(VarType(sum), varInteger);
  EXPECT_EQ(sum.AsInteger(), 5);
  Variant wider = Variant(std::numeric_limits<Integer>::max()) + Variant(1);
  EXPECT_EQ(VarType(wider), varInt64);
  EXPECT_EQ(wider.AsInt64(), 2147483648LL);
  Variant past_int64 = Variant(std::numeric_limits<Int64>::max()) + Variant(1);
  EXPECT_EQ(VarType(past_int64), varDouble);
  EXPECT_DOUBLE_EQ(past_int64.AsDouble(), 9223372036854775808.0);
  EXPECT_EQ(VarType(Variant(Int64(1)) + Variant(1)), varInt64);
  EXPECT_EQ(VarType(Variant(Byte(200)) + Variant(Byte(100))), varInteger);
  Variant negated = -Variant(std::numeric_limits<Integer>::min());
  EXPECT_EQ(VarType(negated), varInt64);
  EXPECT_EQ(negated.AsInt64(), 2147483648LL);
}

TEST(VariantArithmetic, MixedKinds) {
  EXPECT_EQ(VarType(Variant(1) + Variant(0.5)), varDouble);
  EXPECT_EQ(VarType(Variant(1.5f) + Variant(1.5f)), varSingle);
  Variant money = Variant(Money(1.25)) * Variant(3);
  EXPECT_EQ(VarType(money), varCurrency);
  EXPECT_EQ(money.AsCurrency().Scaled(), 37500);
  EXPECT_EQ(VarType(Variant(Money(1)) * Variant(1.5)), varDouble);
  EXPECT_EQ((Variant(7) / Variant(2)).AsDouble(), 3.5);
  EXPECT_EQ((Variant("3") - Variant("1")).AsInteger(), 2);
  EXPECT_EQ((Variant(true) + Variant(1)).AsInteger(), 0);
}

TEST(VariantArithmetic, PlusJoinsTextAndAddsNumericText) {
  EXPECT_EQ((Variant("ab") + Variant("cd")).AsString(), "abcd");
  EXPECT_EQ((Variant() + Variant("x")).AsString(), "x");
  Variant numeric = Variant("2") + Variant(3);
  EXPECT_EQ(VarType(numeric), varInteger);
  EXPECT_EQ(numeric.AsInteger(), 5);
  EXPECT_DOUBLE_EQ((Variant(1) + Variant("0.5")).AsDouble(), 1.5);
  EXPECT_THROW(Variant("a") + Variant(3), EVariantTypeCastError);
}

TEST(VariantArithmetic, NullPropagates) {
  EXPECT_TRUE((Null() + Variant(1)).IsNull());
  EXPECT_TRUE((Variant("a") + Null()).IsNull());
  EXPECT_TRUE((-Null()).IsNull());
  EXPECT_TRUE(VarMod(Null(), Variant(0)).IsNull());
  EXPECT_TRUE(VarIntDiv(Variant(1), Null()).IsNull());
}

TEST(VariantArithmetic, Dates) {
  Variant day = VarFromDateTime(EncodeDate(2024, 3, 5));
  Variant next = day + Variant(1);
  EXPECT_EQ(VarType(next), varDate);
  EXPECT_EQ(next.AsString(), "06/03/2024");
  Variant span = next - day;
  EXPECT_EQ(VarType(span), varDouble);
  EXPECT_DOUBLE_EQ(span.AsDouble(), 1);
  EXPECT_EQ(VarType(day - Variant(0.5)), varDate);
}

TEST(VariantArithmetic, DivisionAndRemainder) {
  EXPECT_EQ(VarIntDiv(Variant(7), Variant(2)).AsInteger(), 3);
  EXPECT_EQ(VarIntDiv(Variant(-7), Variant(2)).AsInteger(), -3);
  EXPECT_EQ(VarMod(Variant(7), Variant(3)).AsInteger(), 1);
  EXPECT_EQ((Variant(-7) % Variant(3)).AsInteger(), -1);
  EXPECT_EQ(VarIntDiv(Variant(7.6), Variant(2)).AsInteger(), 4);
  EXPECT_THROW(VarIntDiv(Variant(1), Variant(0)), EDivByZero);
  EXPECT_THROW(VarMod(Variant(1), Variant(0)), EDivByZero);
  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_THROW(Variant(0.0) / Variant(0), EInvalidOp);
  EXPECT_THROW(Variant(Money(1)) / Variant(0), EZeroDivide);
}

TEST(VariantLogic, NullIsUnknown) {
  EXPECT_FALSE(VarAnd(Variant(true), Variant(false)).AsBoolean());
  EXPECT_TRUE(VarOr(Variant(true), Variant(false)).AsBoolean());
  EXPECT_FALSE(VarAnd(Null(), Variant(false)).AsBoolean());
  EXPECT_TRUE(VarAnd(Null(), Variant(true)).IsNull());
  EXPECT_TRUE(VarOr(Variant(true), Null()).AsBoolean());
  EXPECT_TRUE(VarOr(Null(), Variant(false)).IsNull());
  EXPECT_TRUE(VarNot(Null()).IsNull());
  EXPECT_FALSE(VarNot(Variant(true)).AsBoolean());
  EXPECT_TRUE(VarAnd(Variant("True"), Variant(true)).AsBoolean());
}

TEST(VariantLogic, IntegersCombineBitwise) {
  Variant both = VarAnd(Variant(12), Variant(10));
  EXPECT_EQ(VarType(both), varInteger);
  EXPECT_EQ(both.AsInteger(), 8);
  EXPECT_EQ(VarOr(Variant(12), Variant(3)).AsInteger(), 15);
  EXPECT_EQ(VarNot(Variant(0)).AsInteger(), -1);
  EXPECT_TRUE(VarAnd(Variant(1), Null()).IsNull());
}

TEST(VariantArrays, BoundsAndElements) {
  Variant a = VarArrayCreate({1, 3}, varVariant);
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarType(a), varArray | varVariant);
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a, 1), 1);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_TRUE(a[2].IsEmpty());
  VarArrayPut(a, Variant("x"), {3});
  EXPECT_EQ(a[3].AsString(), "x");
  EXPECT_THROW(a[0], EVariantBadIndexError);
  EXPECT_THROW(a[4], EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(a, 2), EVariantBadIndexError);
  EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);
  EXPECT_THROW(VarArrayLowBound(Variant(1), 1), EVariantError);
}

TEST(VariantArrays, TwoDimensionsAndTypedElements) {
  Variant grid = VarArrayCreate({0, 1, 0, 2}, varInteger);
  EXPECT_EQ(VarArrayDimCount(grid), 2);
  EXPECT_EQ(VarArrayElementCount(grid), 6u);
  EXPECT_EQ(VarArrayGet(grid, {1, 2}).AsInteger(), 0);
  VarArrayPut(grid, Variant("5"), {1, 2});
  Variant cell = VarArrayGet(grid, {1, 2});
  EXPECT_EQ(VarType(cell), varInteger);
  EXPECT_EQ(cell.AsInteger(), 5);
  EXPECT_EQ(VarArrayGet(grid, {0, 2}).AsInteger(), 0);
  EXPECT_THROW(VarArrayGet(grid, {1}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayPut(grid, Variant("x"), {0, 0}), EVariantTypeCastError);
}

TEST(VariantArrays, ListsRedimAndCopies) {
  Variant list = VarArrayOf({1, "a", Null()});
  EXPECT_EQ(VarArrayHighBound(list, 1), 2);
  EXPECT_EQ(list[1].AsString(), "a");
  EXPECT_TRUE(list[2].IsNull());
  Variant copy = list;
  VarArrayPut(copy, Variant(9), {0});
  EXPECT_EQ(list[0].AsInteger(), 1);
  VarArrayRedim(list, 1);
  EXPECT_EQ(VarArrayHighBound(list, 1), 1);
  EXPECT_EQ(list[1].AsString(), "a");
  VarArrayRedim(list, 3);
  EXPECT_TRUE(list[3].IsEmpty());
  EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
}

TEST(VariantArrays, ByteArraysKeepTheirBytes) {
  Variant bytes = VarByteArray("abc", 3);
  EXPECT_EQ(VarType(bytes), varArray | varByte);
  EXPECT_EQ(VarArrayElementCount(bytes), 3u);
  EXPECT_EQ(VarType(bytes[1]), varByte);
  EXPECT_EQ(bytes[1].AsInteger(), 'b');
  VarArrayPut(bytes, Variant(65), {0});
  EXPECT_EQ(VarArrayBytes(bytes)[0], 'A');
  EXPECT_THROW(VarArrayPut(bytes, Variant(256), {0}), EVariantOverflowError);
  EXPECT_THROW(VarArrayBytes(VarArrayOf({1})), EVariantError);
  Variant empty = VarArrayCreate({0, -1}, varByte);
  EXPECT_EQ(VarArrayElementCount(empty), 0u);
}
