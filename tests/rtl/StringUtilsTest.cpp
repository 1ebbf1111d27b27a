#include "platform/rtl/StringUtils.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/rtl/Exceptions.h"
#include "tests/rtl/ScopedEnv.h"

TEST(Trimming, RemovesControlCharactersAndBlanksOnly) {
  EXPECT_EQ(Trim("\t\r\n a b \x01"), "a b");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // no-break spaces are text
  EXPECT_EQ(Trim(" \t "), "");
}

TEST(CaseMapping, AsciiRoutinesLeaveOtherLettersAlone) {
  EXPECT_EQ(UpperCase("stra\xC3\x9F"
                      "e \xC3\xA4"),
            "STRA\xC3\x9F"
            "E \xC3\xA4");
  EXPECT_EQ(LowerCase("ABC-\xC3\x84"), "abc-\xC3\x84");
}

TEST(CaseMapping, AnsiRoutinesMapFullUnicode) {
  ScopedEnv env;
  env.Locale("de_DE.UTF-8");
  EXPECT_EQ(AnsiUpperCase("stra\xC3\x9F"
                          "e \xC3\xA4"),
            "STRASSE \xC3\x84");
  EXPECT_EQ(AnsiLowerCase("\xD0\x96\xC3\x96X"), "\xD0\xB6\xC3\xB6x");  // ЖÖX
}

TEST(CaseMapping, AnsiRoutinesKeepBadBytes) {
  ScopedEnv env;
  env.Locale("en_US.UTF-8");
  EXPECT_EQ(AnsiUpperCase("caf\xE9 \xC3\xA4\xFF"
                          "b"),
            "CAF\xE9 \xC3\x84\xFF"
            "B");
}

TEST(CaseMapping, TurkishLocaleDotsTheCapitalI) {
  ScopedEnv env;
  env.Locale("tr_TR.UTF-8");
  EXPECT_EQ(AnsiUpperCase("istanbul"), "\xC4\xB0STANBUL");
  env.Locale("C");
  EXPECT_EQ(AnsiUpperCase("istanbul"), "ISTANBUL");
}

TEST(CaseMapping, TheRootLocaleIgnoresTheProcessLocale) {
  ScopedEnv env;
  for (const char* locale : {"tr_TR.UTF-8", "az_AZ.UTF-8", "lt_LT.UTF-8", "C"}) {
    env.Locale(locale);
    EXPECT_EQ(RootUpperCase("istanbul \xC3\xA9t\xC3\xA9 \xFF"), "ISTANBUL \xC3\x89T\xC3\x89 \xFF");
    EXPECT_EQ(RootLowerCase("I\xC3\x89"), "i\xC3\xA9");
  }
}

TEST(OrdinalComparison, ComparesUnsignedBytes) {
  EXPECT_LT(CompareStr("a", "\xC3\xA4"), 0);
  EXPECT_LT(CompareStr("B", "a"), 0);
  EXPECT_LT(CompareStr("ab", "abc"), 0);
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  // "_" lies between the upper and lower case letters: folding to upper case decides.
  EXPECT_GT(CompareText("_", "a"), 0);
  EXPECT_TRUE(SameText("Zorvet.STBL", "zorvet.stbl"));
  EXPECT_FALSE(SameText("\xC3\x84", "\xC3\xA4"));
}

TEST(LocaleComparison, UsesTheProcessLocale) {
  ScopedEnv env;
  env.Locale("sv_SE.UTF-8");
  EXPECT_GT(AnsiCompareStr("\xC3\xA4", "z"), 0);
  env.Locale("de_DE.UTF-8");
  EXPECT_LT(AnsiCompareStr("\xC3\xA4", "z"), 0);
  EXPECT_NE(AnsiCompareStr("Stra\xC3\x9F"
                           "e",
                           "STRASSE"),
            0);
  EXPECT_EQ(AnsiCompareText("Stra\xC3\x9F"
                            "e",
                            "STRASSE"),
            0);
  EXPECT_TRUE(AnsiSameText("\xC3\x84rger", "\xC3\xA4RGER"));
  EXPECT_FALSE(AnsiSameText("Arger", "\xC3\x84rger"));
}

TEST(Replacing, FirstOrAllOccurrences) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+"), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", {rfReplaceAll}), "a+b+c");
  EXPECT_EQ(StringReplace("aa", "a", "aa", {rfReplaceAll}),
            "aaaa");  // replacements are not searched
  EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
  EXPECT_EQ(StringReplace("abc", "abcd", "x"), "abc");
}

TEST(Replacing, IgnoringCaseKeepsTheOriginalPositions) {
  EXPECT_EQ(StringReplace("One one ONE", "one", "1", {rfReplaceAll, rfIgnoreCase}), "1 1 1");
  EXPECT_EQ(
      StringReplace("\xC3\x84pfel \xC3\xA4pfel", "\xC3\xA4PFEL", "x", {rfReplaceAll, rfIgnoreCase}),
      "x x");
  // Distinct bad bytes are distinct characters.
  EXPECT_EQ(StringReplace("\xE9\xFC", "\xFC", "u", {rfIgnoreCase}), "\xE9u");
}

TEST(Positions, CountFromOne) {
  EXPECT_EQ(Pos("b", "abc"), 2);
  EXPECT_EQ(Pos("a", "abc"), 1);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Copy("ABC", 2, 1), "B");
  EXPECT_EQ(Copy("ABC", 0, 2), "AB");
  EXPECT_EQ(Copy("ABC", 3, 10), "C");
  EXPECT_EQ(Copy("ABC", 4, 1), "");
  EXPECT_EQ(Copy("ABC", 1, -1), "");
}

TEST(Quoting, DoublesTheQuoteAndReadsItBack) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  std::string_view src = "'it''s' rest";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "it's");
  EXPECT_EQ(src, " rest");
}

TEST(Quoting, ExtractHandlesUnquotedAndUnterminatedText) {
  std::string_view plain = "abc";
  EXPECT_EQ(AnsiExtractQuotedStr(plain, '\''), "");
  EXPECT_EQ(plain, "abc");
  std::string_view open = "'ab''c";
  EXPECT_EQ(AnsiExtractQuotedStr(open, '\''), "ab'c");
  EXPECT_TRUE(open.empty());
}

TEST(IntegerText, WritesDecimalAndHexadecimal) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1ABC, 2), "1ABC");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(SmallInt(-1), 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(-1), 1), "FFFFFFFFFFFFFFFF");
}

TEST(IntegerText, ParsesBlanksSignsAndHexadecimalForms) {
  EXPECT_EQ(StrToInt(" \t42 "), 42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<Integer>::min());
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("0x1F"), 31);
  EXPECT_EQ(StrToInt("0X1f"), 31);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
}

TEST(IntegerText, RoundTrips) {
  for (Integer v : {0, 1, -1, 123456789, std::numeric_limits<Integer>::min(),
                    std::numeric_limits<Integer>::max()}) {
    EXPECT_EQ(StrToInt(IntToStr(v)), v);
    EXPECT_EQ(StrToInt("$" + IntToHex(v, 8)), v);
  }
  for (Int64 v :
       {std::numeric_limits<Int64>::min(), std::numeric_limits<Int64>::max(), Int64(-5)}) {
    EXPECT_EQ(StrToInt64(IntToStr(v)), v);
    EXPECT_EQ(StrToInt64("0x" + IntToHex(v, 16)), v);
  }
}

TEST(IntegerText, RejectsOverflowAndJunk) {
  for (const char* bad : {"", " ", "-", "+", "$", "0x", "12a", "1 2", "--1", "2147483648",
                          "-2147483649", "$100000000", "1e3", "0x-1"}) {
    Integer value = 99;
    EXPECT_FALSE(TryStrToInt(bad, value)) << bad;
    EXPECT_EQ(value, 99) << bad;
    EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
  }
  Int64 big;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", big));
  EXPECT_TRUE(TryStrToInt64("2147483648", big));
  EXPECT_EQ(StrToIntDef("junk", -3), -3);
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
}
