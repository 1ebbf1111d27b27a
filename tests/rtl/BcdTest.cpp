#include "platform/rtl/Bcd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

TBcd FromCurrency(double amount, int precision = 32, int decimals = 4) {
  TBcd bcd;
  EXPECT_TRUE(CurrToBCD(Currency::FromDouble(amount), bcd, precision, decimals));
  return bcd;
}

String Text(double amount, int precision, int decimals) {
  return BcdToStr(FromCurrency(amount, precision, decimals));
}

}  // namespace

TEST(BcdLayout, FieldPrecisionAndScaleRightAlignTheDigits) {
  TBcd bcd = FromCurrency(12.34, 10, 2);
  EXPECT_EQ(bcd.Precision, 10);
  EXPECT_EQ(bcd.SignSpecialPlaces, 2);
  const Byte expected[5] = {0x00, 0x00, 0x00, 0x12, 0x34};
  EXPECT_EQ(std::memcmp(bcd.Fraction, expected, 5), 0);
  EXPECT_EQ(bcd.Fraction[5], 0);

  TBcd negative = FromCurrency(-0.5, 4, 1);
  EXPECT_EQ(negative.SignSpecialPlaces, BcdSignBit | 1);
  EXPECT_EQ(negative.Fraction[1], 0x05);
}

TEST(BcdLayout, AllZeroRecordIsZero) {
  TBcd zero;
  Currency value = Currency::FromInt64(5);
  EXPECT_TRUE(BCDToCurr(zero, value));
  EXPECT_EQ(value.Scaled(), 0);
  EXPECT_EQ(BcdToStr(zero), "0");
}

TEST(BcdCurrency, FewerDecimalsRoundHalfAwayFromZero) {
  EXPECT_EQ(Text(1.2345, 10, 2), "1.23");
  EXPECT_EQ(Text(1.235, 10, 2), "1.24");
  EXPECT_EQ(Text(-1.235, 10, 2), "-1.24");
  EXPECT_EQ(Text(9.995, 10, 2), "10");
  EXPECT_EQ(Text(0.4, 5, 0), "0");
}

TEST(BcdCurrency, ValueThatDoesNotFitIsRefused) {
  TBcd bcd = FromCurrency(1, 4, 0);
  TBcd before = bcd;
  EXPECT_FALSE(CurrToBCD(Currency::FromDouble(12345.67), bcd, 5, 2));
  EXPECT_EQ(std::memcmp(&bcd, &before, sizeof bcd), 0);
  EXPECT_TRUE(CurrToBCD(Currency::FromDouble(123.45), bcd, 5, 2));
  EXPECT_FALSE(CurrToBCD(Currency(), bcd, 2, 3));
}

TEST(BcdCurrency, RoundTripsThroughTheWholeRange) {
  for (Int64 scaled : {Int64(0), Int64(1), Int64(-15000), Int64(123456789),
                       std::numeric_limits<Int64>::max(), std::numeric_limits<Int64>::min()}) {
    TBcd bcd;
    ASSERT_TRUE(CurrToBCD(Currency::FromScaled(scaled), bcd));
    Currency back;
    ASSERT_TRUE(BCDToCurr(bcd, back));
    EXPECT_EQ(back.Scaled(), scaled);
  }
}

TEST(BcdCurrency, ReadingBackRoundsOrRefuses) {
  Currency value;
  EXPECT_TRUE(BCDToCurr(StrToBcd("1.00005"), value));
  EXPECT_EQ(value.Scaled(), 10001);
  EXPECT_FALSE(BCDToCurr(StrToBcd("1000000000000000000000"), value));
  TBcd special = StrToBcd("1");
  special.SignSpecialPlaces |= BcdSpecialBit;
  EXPECT_FALSE(BCDToCurr(special, value));
}

TEST(BcdOrder, ComparesValuesNotLayouts) {
  EXPECT_LT(BcdCompare(StrToBcd("-1"), StrToBcd("0")), 0);
  EXPECT_LT(BcdCompare(StrToBcd("0"), StrToBcd("0.5")), 0);
  EXPECT_LT(BcdCompare(StrToBcd("0.5"), StrToBcd("1")), 0);
  EXPECT_LT(BcdCompare(StrToBcd("-2"), StrToBcd("-1.5")), 0);
  EXPECT_LT(BcdCompare(StrToBcd("99.99"), StrToBcd("100")), 0);
  EXPECT_EQ(BcdCompare(StrToBcd("1.50"), StrToBcd("1.5")), 0);
  EXPECT_EQ(BcdCompare(FromCurrency(1.5, 10, 2), StrToBcd("1.5")), 0);
  EXPECT_EQ(BcdCompare(FromCurrency(0, 10, 2), TBcd()), 0);
  TBcd special;
  special.SignSpecialPlaces = BcdSpecialBit;
  EXPECT_LT(BcdCompare(special, StrToBcd("-100")), 0);
}

TEST(BcdText, NormalisedForms) {
  EXPECT_EQ(BcdToStr(StrToBcd("-12.5")), "-12.5");
  EXPECT_EQ(BcdToStr(StrToBcd(" +007.100 ")), "7.1");
  EXPECT_EQ(BcdToStr(StrToBcd("0.001")), "0.001");
  EXPECT_EQ(BcdToStr(StrToBcd("-0.000")), "0");
  EXPECT_EQ(BcdToStr(StrToBcd(".5")), "0.5");
  String many(64, '9');
  EXPECT_EQ(BcdToStr(StrToBcd(many)), many);
  TFormatSettingsGuard guard;
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(BcdToStr(StrToBcd("3,25")), "3,25");
}

TEST(BcdText, InvalidTextRaises) {
  for (const char* text : {"", "1.2.3", "abc", "1e5", "-", "1 000"}) {
    TBcd bcd;
    EXPECT_FALSE(TryStrToBcd(text, bcd)) << text;
  }
  EXPECT_FALSE([] {
    TBcd bcd;
    return TryStrToBcd(String(65, '1'), bcd);
  }());
  EXPECT_THROW(StrToBcd("x"), EBcdException);
}

TEST(BcdDouble, ConversionsBothWays) {
  EXPECT_EQ(BcdToStr(DoubleToBcd(1.5e-7)), "0.00000015");
  EXPECT_EQ(BcdToStr(DoubleToBcd(1e20)), "100000000000000000000");
  EXPECT_EQ(BcdToStr(DoubleToBcd(-0.1)), "-0.1");
  for (double value : {0.0, 1.5, -1234.5678, 1e-20, 98765432109876.5})
    EXPECT_EQ(BcdToDouble(DoubleToBcd(value)), value);
  EXPECT_THROW(DoubleToBcd(1e300), EBcdException);
  TBcd special;
  special.SignSpecialPlaces = BcdSpecialBit;
  EXPECT_THROW(BcdToDouble(special), EBcdException);
}
