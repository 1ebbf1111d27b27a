// tests/oracle/ExpressionFunctionsTest.cpp
//
// The built-in functions: values, types and the parameter checks made when
// a function is evaluated.
#include <cmath>
#include <cstring>

#include "ExpressionTestSupport.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

namespace {

TEST_F(ExpressionTest, MathFunctions) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"ABS(-2.5)", 2.5},
      {"ARCTAN(1)", std::atan(1.0)},
      {"COS(0)", 1},
      {"EXP(1)", std::exp(1.0)},
      {"FRAC(-2.75)", -0.75},
      {"INT(-2.75)", -2},
      {"LN(EXP(2))", 2},
      {"PI", 3.141592653589793},
      {"PI()", 3.141592653589793},
      {"SIN(0)", 0},
      {"SQR(1.5)", 2.25},
      {"SQRT(2.25)", 1.5},
      {"POWER(2, 10)", 1024},
      {"ABS(TRUE)", 1},
      {"SQR(3)", 9},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(etFloat, Type(c.text)) << c.text;
    EXPECT_NEAR(c.expected, Flt(c.text), 1e-12) << c.text;
  }
  EXPECT_EQ(5, Int("ABS(-5)"));
  EXPECT_THROW(Int("ABS(-2147483647 - 1)"), EIntOverflow);
  EXPECT_EQ("Cannot read Float as integer", ErrorOf([&] { Int("SIN(1)"); }));
}

TEST_F(ExpressionTest, TruncAndRoundGiveIntegers) {
  struct Case {
    const char* text;
    Integer expected;
  };
  const Case cases[] = {{"TRUNC(-2.5)", -2}, {"TRUNC(2.9)", 2},   {"ROUND(2.5)", 2},
                        {"ROUND(3.5)", 4},   {"ROUND(-2.5)", -2}, {"ROUND(2.6)", 3},
                        {"TRUNC(7)", 7}};
  for (const Case& c : cases) {
    EXPECT_EQ(etInteger, Type(c.text)) << c.text;
    EXPECT_EQ(c.expected, Int(c.text)) << c.text;
  }
  EXPECT_EQ("-2", Str("TRUNC(-2.5)"));
  EXPECT_EQ(4.0, Flt("ROUND(3.5)"));
  EXPECT_THROW(Int("TRUNC(1E10)"), ERangeError);
}

TEST_F(ExpressionTest, MathFaultsRaisePlatformErrors) {
  EXPECT_THROW(Flt("LN(0)"), EZeroDivide);
  EXPECT_THROW(Flt("LN(-1)"), EInvalidOp);
  EXPECT_THROW(Flt("SQRT(-1)"), EInvalidOp);
  EXPECT_THROW(Flt("EXP(1000)"), EOverflow);
  EXPECT_THROW(Flt("POWER(0, 2)"), EZeroDivide);
}

TEST_F(ExpressionTest, StringFunctions) {
  EXPECT_EQ("ABC é", Str("UPPER('abc é')"));  // letters A to Z only
  EXPECT_EQ("abc É", Str("LOWER('ABC É')"));
  EXPECT_EQ("12", Str("UPPER(12)"));
  EXPECT_EQ("B", Str("COPY('ABC', 2, 1)"));
  EXPECT_EQ("BC", Str("COPY('ABC', 2, 10)"));
  EXPECT_EQ(2, Int("POS('B', 'ABC')"));
  EXPECT_EQ(0, Int("POS('X', 'ABC')"));
  EXPECT_EQ(0, Int("POS('', 'ABC')"));
  EXPECT_EQ(3, Int("LENGTH('ABC')"));
  EXPECT_EQ(4, Int("LENGTH(1.25)"));
  EXPECT_EQ(etString, Type("COPY('ABC', 1, 1)"));
  EXPECT_EQ(etInteger, Type("POS('B', 'ABC')"));
  EXPECT_EQ(etInteger, Type("LENGTH('ABC')"));
  EXPECT_EQ("3", Str("LENGTH('ABC')"));
  EXPECT_EQ("Cannot read String as integer", ErrorOf([&] { Int("UPPER('1')"); }));
}

// Mended: a start or length outside the text reads only what the text holds.
TEST_F(ExpressionTest, CopyStaysWithinTheText) {
  EXPECT_EQ("", Str("COPY('ABC', 4, 1)"));
  EXPECT_EQ("", Str("COPY('ABC', 2147483647, 2147483647)"));
  EXPECT_EQ("AB", Str("COPY('ABC', 0, 2)"));
  EXPECT_EQ("AB", Str("COPY('ABC', -2147483647 - 1, 2)"));
  EXPECT_EQ("", Str("COPY('ABC', 1, -5)"));
  EXPECT_EQ("ABC", Str("COPY('ABC', TRUE, 2147483647)"));
}

TEST_F(ExpressionTest, TypeCastsPassEveryReadToTheirParameter) {
  TFormatSettingsGuard guard;
  FormatSettings().ShortDateFormat = "yyyy-mm-dd";
  FormatSettings().DateSeparator = '-';
  EXPECT_EQ(etDate, Type("DATE('2020-01-02')"));
  EXPECT_EQ(EncodeDate(2020, 1, 2), Parse("DATE('2020-01-02')")->AsDate());
  EXPECT_EQ(etString, Type("STRING(12)"));
  EXPECT_EQ("12", Str("STRING(12)"));
  EXPECT_TRUE(True("STRING(12) = '12'"));
  EXPECT_TRUE(True("STRING(12) < STRING(9)"));  // as texts
  EXPECT_EQ(etFloat, Type("FLOAT(3)"));
  EXPECT_EQ(3.0, Flt("FLOAT(3)"));
  EXPECT_EQ(etInteger, Type("INTEGER(TRUE)"));
  EXPECT_EQ(1, Int("INTEGER(TRUE)"));
  EXPECT_EQ(etBoolean, Type("BOOLEAN(1 = 1)"));
  EXPECT_TRUE(True("BOOLEAN(1 = 1)"));
  // The parameter reads in the target type as it can, or raises.
  EXPECT_EQ("Cannot read String as integer", ErrorOf([&] { Int("INTEGER('12')"); }));
  EXPECT_EQ("Cannot read Float as integer", ErrorOf([&] { Int("INTEGER(2.5)"); }));
  // Nothing to read without a parameter.
  EXPECT_EQ("Invalid parameter to DATE", ErrorOf([&] { Parse("DATE")->AsDate(); }));
  EXPECT_EQ("Invalid parameter to STRING", ErrorOf([&] { Str("STRING()"); }));
}

TEST_F(ExpressionTest, ConditionalTakesEverythingFromTheChosenBranch) {
  EXPECT_EQ(2, Int("IF(1 < 2, 2, 3)"));
  EXPECT_EQ(3, Int("IF(1 > 2, 2, 3)"));
  EXPECT_EQ(etInteger, Type("IF(TRUE, 2, 'x')"));
  EXPECT_EQ(etString, Type("IF(FALSE, 2, 'x')"));
  EXPECT_EQ("x", Str("IF(FALSE, 2, 'x')"));
  EXPECT_EQ(2.5, Flt("IF(TRUE, 2.5, 1)"));
  EXPECT_TRUE(True("IF(TRUE, TRUE, 1 DIV 0 = 0)"));
  EXPECT_TRUE(True("IF(TRUE, 'b', 'c') = 'b'"));
  EXPECT_EQ("Invalid parameters to If", ErrorOf([&] { Int("IF(1, 2, 3)"); }));
  EXPECT_EQ("Invalid parameters to If", ErrorOf([&] { Int("IF(TRUE, 2)"); }));
  EXPECT_EQ("Invalid parameters to If", ErrorOf([&] { Int("IF"); }));
}

// Parameters are checked when the function is evaluated, not when parsed.
TEST_F(ExpressionTest, ParameterChecksNameTheFunction) {
  const char* const invalid[] = {
      "TRUNC('1')",
      "TRUNC(1, 2)",
      "TRUNC",
      "ROUND(DATE(1))",
      "ABS()",
      "ARCTAN('x')",
      "COS(1, 1)",
      "EXP('1')",
      "FRAC('1')",
      "INT('1')",
      "LN('1')",
      "SIN('1')",
      "SQR('1')",
      "SQRT('1')",
      "POWER(1)",
      "POWER(1, '2')",
      "UPPER(DATE(1))",
      "LOWER(1, 2)",
      "COPY('A', 1)",
      "COPY('A', 1.5, 1)",
      "COPY('A', 1, 'x')",
      "POS('A')",
      "POS(DATE(1), 'A')",
      "LENGTH()",
  };
  for (const char* text : invalid) {
    std::unique_ptr<TExpression> tree;
    ASSERT_NO_THROW(tree = Parse(text)) << text;
    String name(text, std::strcspn(text, "("));
    const String message = ErrorOf([&] {
      if (tree->ExprType() == etString)
        tree->AsString();
      else if (tree->ExprType() == etInteger)
        tree->AsInteger();
      else
        tree->AsFloat();
    });
    EXPECT_EQ("Invalid parameter to " + name, message) << text;
  }
}

}  // namespace
