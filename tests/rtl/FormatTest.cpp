#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

String FormatError(std::string_view format, auto... args) {
  try {
    Format(format, args...);
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace

TEST(FormatIntegers, DecimalWithWidthAndPrecision) {
  EXPECT_EQ(Format("Item%d", 3), "Item3");
  EXPECT_EQ(Format("%d,%d,%d,%d", 1, -2, 3, 4), "1,-2,3,4");
  EXPECT_EQ(Format("[%5d]", 42), "[   42]");
  EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
  EXPECT_EQ(Format("[%.3d]", -5), "[-005]");
  EXPECT_EQ(Format("%d", std::numeric_limits<Int64>::min()), "-9223372036854775808");
  EXPECT_EQ(Format("%d", std::numeric_limits<UInt64>::max()), "18446744073709551615");
}

TEST(FormatIntegers, UnsignedAndHexadecimalUseTheArgumentsWidth) {
  EXPECT_EQ(Format("%u", -1), "4294967295");
  EXPECT_EQ(Format("%u", Int64(-1)), "18446744073709551615");
  EXPECT_EQ(Format("%x", 255), "FF");
  EXPECT_EQ(Format("%X", -1), "FFFFFFFF");
  EXPECT_EQ(Format("%8.8x.%4.4x", 0xBEEF, 0x1), "0000BEEF.0001");
}

TEST(FormatArguments, IndexesAndStarsMoveThroughTheArguments) {
  EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
  EXPECT_EQ(Format("[%*d]", 5, 42), "[   42]");
  EXPECT_EQ(Format("[%-*d]", 4, 7), "[7   ]");
  EXPECT_EQ(Format("[%*d]", -4, 7), "[7   ]");
  EXPECT_EQ(Format("%.*f", 3, 3.14159), "3.142");
  EXPECT_EQ(Format("100%%"), "100%");
}

TEST(FormatText, StringsCharsAndWideText) {
  const String name = "Name";
  EXPECT_EQ(Format("%s.%s", name, std::string_view("Width")), "Name.Width");
  EXPECT_EQ(Format("%s", 'x'), "x");
  EXPECT_EQ(Format("%s", u"Zo\u00EB"), "Zo\xC3\xAB");
  EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "");
  EXPECT_EQ(Format("[%6s][%-6s]", "ab", "cd"), "[    ab][cd    ]");
  // Precision cuts whole characters: "Zoë" is 4 bytes.
  EXPECT_EQ(Format("%.3s", "Zo\xC3\xAB"), "Zo");
  EXPECT_EQ(Format("%.4s", "Zo\xC3\xAB!"), "Zo\xC3\xAB");
  EXPECT_EQ(Format("%.2s", "a\xFF\xFE"), "a\xFF");
}

TEST(FormatPointers, SixteenHexDigits) {
  int x = 0;
  const String text = Format("%p", &x);
  EXPECT_EQ(text.size(), 16u);
  EXPECT_EQ(Format("%p", reinterpret_cast<void*>(0x1234)), "0000000000001234");
}

TEST(FormatFloats, FixedScientificAndGeneral) {
  TFormatSettingsGuard guard;
  FormatSettings().DecimalSeparator = '.';
  FormatSettings().ThousandSeparator = ',';
  EXPECT_EQ(Format("%f", 3.14159), "3.14");
  EXPECT_EQ(Format("%.0f", 7.0), "7");
  EXPECT_EQ(Format("%f", -0.001), "0.00");
  EXPECT_EQ(Format("%e", 12345.678), "1.23456780000000E+004");
  EXPECT_EQ(Format("%.3e", -0.00012345), "-1.23E-004");
  EXPECT_EQ(Format("%g", 0.5), "0.5");
  EXPECT_EQ(Format("%g", 123456.0), "123456");
  EXPECT_EQ(Format("%g", 1e20), "1E20");
  EXPECT_EQ(Format("%g", 1.5e-7), "1.5E-7");
  EXPECT_EQ(Format("%g", 0.00001), "0.00001");
  EXPECT_EQ(Format("%g", 0.0), "0");
  EXPECT_EQ(Format("%.3g", 2.0 / 3.0), "0.667");
  EXPECT_EQ(Format("%n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", -1234.0), "-1,234");
  EXPECT_EQ(Format("%f|%e", std::nan(""), -HUGE_VAL), "NAN|-INF");
}

TEST(FormatFloats, FollowTheFormatSettings) {
  TFormatSettingsGuard guard;
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(Format("%n", 1234567.891), "1.234.567,89");
  EXPECT_EQ(Format("%f", 0.5), "0,50");
  FormatSettings().ThousandSeparator = '\0';
  EXPECT_EQ(Format("%n", 1234567.0), "1234567,00");
}

TEST(FormatMoney, PlacesTheCurrencyStringAsSet) {
  TFormatSettingsGuard guard;
  TFormatSettings& s = FormatSettings();
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  s.CurrencyString = "$";
  s.CurrencyDecimals = 2;
  s.CurrencyFormat = 0;
  s.NegCurrFormat = 0;
  EXPECT_EQ(Format("%m", 1234.5), "$1,234.50");
  EXPECT_EQ(Format("%m", -2.0), "($2.00)");
  s.NegCurrFormat = 8;
  s.CurrencyString = "kr";
  EXPECT_EQ(Format("%m", -2.0), "-2.00 kr");
  s.CurrencyFormat = 3;
  EXPECT_EQ(Format("%.0m", 5.0), "5 kr");
}

TEST(FormatMoney, CurrencyArgumentsAreExact) {
  TFormatSettingsGuard guard;
  FormatSettings().CurrencyString = "$";
  FormatSettings().CurrencyFormat = 0;
  FormatSettings().NegCurrFormat = 1;
  FormatSettings().ThousandSeparator = ',';
  FormatSettings().DecimalSeparator = '.';
  // 922,337,203,685,477.5807 has more digits than a double holds.
  EXPECT_EQ(Format("%.4m", TFormatArg::FromCurrency(std::numeric_limits<Int64>::max())),
            "$922,337,203,685,477.5807");
  EXPECT_EQ(Format("%m", Currency::FromScaled(-12345)), "-$1.23");
  EXPECT_EQ(Format("%m", TFormatArg::FromCurrency(-12350)), "-$1.24");
  EXPECT_EQ(Format("%.6f", TFormatArg::FromCurrency(15000)), "1.500000");
}

TEST(FormatErrors, NameTheFormat) {
  EXPECT_EQ(FormatError("%d", "x"), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(FormatError("%s", 5), "Format '%s' invalid or incompatible with argument");
  EXPECT_EQ(FormatError("%f", 1), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(FormatError("%p", "x"), "Format '%p' invalid or incompatible with argument");
  EXPECT_EQ(FormatError("%*d", "w", 1), "Format '%*d' invalid or incompatible with argument");
  EXPECT_EQ(FormatError("%q", 1), "Format '%q' invalid or incompatible with argument");
  EXPECT_EQ(FormatError("50%", 1), "Format '50%' invalid or incompatible with argument");
  EXPECT_EQ(FormatError("%d %d", 1), "No argument for format '%d %d'");
  EXPECT_EQ(FormatError("%2:d", 1), "No argument for format '%2:d'");
}
