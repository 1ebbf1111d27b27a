#include "platform/rtl/FloatText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

TEST(FloatToStrText, PlainNotation) {
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(-0.0), "0");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(-2.25), "-2.25");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(123.456), "123.456");
  EXPECT_EQ(FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(FloatToStr(999999999999999.0), "999999999999999");
}

TEST(FloatToStrText, FifteenSignificantDigits) {
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(0.1f, 7), "0.1");
}

TEST(FloatToStrText, ExponentForm) {
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(123456789012345678.0), "1.23456789012346E17");
  EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStr(-1.5e-7), "-1.5E-7");
  EXPECT_EQ(FloatToStr(0.000001), "1E-6");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::max()), "1.79769313486232E308");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
}

TEST(FloatToStrText, UsesTheSettingsSeparator) {
  TFormatSettingsGuard guard;
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  EXPECT_EQ(FloatToStr(2.5e-9), "2,5E-9");
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  double value;
  EXPECT_FALSE(TryStrToFloat("1.5", value));
}

TEST(StrToFloatText, AcceptedForms) {
  EXPECT_DOUBLE_EQ(StrToFloat(" 1.5 "), 1.5);
  EXPECT_DOUBLE_EQ(StrToFloat("1E+20"), 1e20);
  EXPECT_DOUBLE_EQ(StrToFloat("1e-5"), 1e-5);
  EXPECT_DOUBLE_EQ(StrToFloat("-.5"), -0.5);
  EXPECT_DOUBLE_EQ(StrToFloat("7."), 7);
  EXPECT_DOUBLE_EQ(StrToFloat("+3"), 3);
  EXPECT_DOUBLE_EQ(StrToFloat("1e-400"), 0);
  EXPECT_DOUBLE_EQ(StrToFloatDef("x", 4.5), 4.5);
  EXPECT_DOUBLE_EQ(StrToFloat("1." + String(200, '0') + "1"), 1);
}

TEST(StrToFloatText, RejectedForms) {
  for (const char* text :
       {"", " ", "1.2.3", "abc", "1e", "1,000", "1e400", ".", "-", "1 2", "INF"}) {
    double value;
    EXPECT_FALSE(TryStrToFloat(text, value)) << text;
  }
  try {
    StrToFloat("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12a' is not a valid floating point value");
  }
}

TEST(StrToFloatText, FifteenDigitValuesRoundTrip) {
  for (double value : {1234567.89012345, 9.87654321098765e-8, -4.5e200, 123456789012345.0,
                       1.00000000000001, -0.000123456789012345, 5e-324, 1e-5, 99999.9999999999})
    EXPECT_EQ(StrToFloat(FloatToStr(value)), value) << FloatToStr(value);
}

TEST(CurrencyText, ExactDigits) {
  EXPECT_EQ(CurrToStr(Currency::FromScaled(12345)), "1.2345");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(10000)), "1");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(15000)), "1.5");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(-1)), "-0.0001");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(std::numeric_limits<Int64>::min())),
            "-922337203685477.5808");
  EXPECT_EQ(CurrToStr(Currency()), "0");
}

TEST(CurrencyText, ParsingRoundsAtTheFifthDecimal) {
  EXPECT_EQ(StrToCurr("1.23456").Scaled(), 12346);
  EXPECT_EQ(StrToCurr("1.23454").Scaled(), 12345);
  EXPECT_EQ(StrToCurr("-1.23455").Scaled(), -12346);
  EXPECT_EQ(StrToCurr("922337203685477.5807").Scaled(), std::numeric_limits<Int64>::max());
  EXPECT_EQ(StrToCurr("-922337203685477.5808").Scaled(), std::numeric_limits<Int64>::min());
  EXPECT_EQ(StrToCurr(" 1E3 ").Scaled(), 10000000);
  Currency value;
  EXPECT_FALSE(TryStrToCurr("922337203685477.5808", value));
  EXPECT_FALSE(TryStrToCurr("1e300", value));
  EXPECT_THROW(StrToCurr("abc"), EConvertError);
}

TEST(CurrencyText, RoundTrips) {
  for (Int64 scaled : {Int64(0), Int64(1), Int64(-99990), Int64(123456789012345678),
                       std::numeric_limits<Int64>::max(), std::numeric_limits<Int64>::min()})
    EXPECT_EQ(StrToCurr(CurrToStr(Currency::FromScaled(scaled))).Scaled(), scaled);
}
