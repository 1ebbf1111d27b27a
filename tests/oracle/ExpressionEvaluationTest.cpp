// tests/oracle/ExpressionEvaluationTest.cpp
//
// The value types, the operators' type rules, the default conversions, null
// handling and string comparison of filter expressions.
#include <cmath>

#include "ExpressionTestSupport.h"
#include "oracle/ExpressionLiterals.h"
#include "oracle/ExpressionOperators.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

namespace {

TEST(ExpressionTypes, CommonTypeIsTheSmallerInTheOrder) {
  EXPECT_EQ(etDate, CommonType(etDate, etInteger));
  EXPECT_EQ(etFloat, CommonType(etInteger, etFloat));
  EXPECT_EQ(etString, CommonType(etFloat, etString));
  EXPECT_EQ(etInteger, CommonType(etBoolean, etInteger));
}

// The operators each type accepts, with their result; every other raises.
TEST(ExpressionTypes, ResultTypeOfEachOperatorOnEachType) {
  struct Row {
    TExprType operand;
    std::map<TOperator, TExprType> accepted;
  };
  const std::map<TOperator, TExprType> relational = {{opEq, etBoolean},  {opNEQ, etBoolean},
                                                     {opLT, etBoolean},  {opGT, etBoolean},
                                                     {opLTE, etBoolean}, {opGTE, etBoolean}};
  auto with = [&](std::map<TOperator, TExprType> m, bool relations = true) {
    if (relations) m.insert(relational.begin(), relational.end());
    return m;
  };
  std::map<TOperator, TExprType> integer;
  for (int op = opNot; op <= opXor; ++op) integer[TOperator(op)] = etInteger;
  integer[opDivide] = etFloat;
  const Row rows[] = {
      {etDate, with({{opPlus, etDate}, {opMinus, etDate}})},
      {etString, with({{opPlus, etString}})},
      {etFloat,
       with({{opMult, etFloat}, {opDivide, etFloat}, {opPlus, etFloat}, {opMinus, etFloat}})},
      {etInteger, with(integer)},
      {etBoolean, with({{opNot, etBoolean},
                        {opAnd, etBoolean},
                        {opOr, etBoolean},
                        {opXor, etBoolean},
                        {opEq, etBoolean},
                        {opNEQ, etBoolean}},
                       false)},
  };
  for (const Row& row : rows) {
    for (int code = opNot; code <= opGTE; ++code) {
      const auto op = TOperator(code);
      const auto expected = row.accepted.find(op);
      if (expected != row.accepted.end()) {
        EXPECT_EQ(expected->second, ResultType(op, row.operand))
            << OperatorName(op) << " on " << ExprTypeName(row.operand);
      } else {
        EXPECT_EQ(String("Operator ") + OperatorName(op) + " incompatible with " +
                      ExprTypeName(row.operand),
                  ErrorOf([&] { ResultType(op, row.operand); }));
      }
    }
  }
}

// Reading a node in a type it does not answer itself: TFakeColumn answers
// only its own type, so everything else is the default conversion.
TEST_F(ExpressionTest, DefaultConversionsByNodeType) {
  TFormatSettingsGuard guard;
  FormatSettings().ShortDateFormat = "yyyy-mm-dd";
  FormatSettings().DateSeparator = '-';
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  TFakeValue date{etDate, "", EncodeDate(2020, 3, 4)};
  TFakeValue date_time{etDate, "", EncodeDate(2020, 3, 4) + 0.5};
  TFakeValue text{etString, "2021-05-06"};
  TFakeValue real{etFloat, "", 2.5};
  TFakeValue integer{etInteger, "", 42};
  TFakeValue boolean{etBoolean, "", 1};
  TFakeColumn d(&date), dt(&date_time), s(&text), f(&real), i(&integer), b(&boolean);

  EXPECT_EQ(EncodeDate(2021, 5, 6), s.AsDate());
  EXPECT_EQ(2.5, f.AsDate());
  EXPECT_EQ(42, i.AsDate());
  EXPECT_EQ("Cannot read Boolean as Date", ErrorOf([&] { b.AsDate(); }));

  EXPECT_EQ("2020-03-04", d.AsString());
  EXPECT_EQ("2020-03-04 12:00:00", dt.AsString());
  EXPECT_EQ("2.5", f.AsString());
  EXPECT_EQ("42", i.AsString());
  EXPECT_EQ("TRUE", b.AsString());

  EXPECT_EQ(EncodeDate(2020, 3, 4), d.AsFloat());
  EXPECT_EQ("Cannot read String as Float", ErrorOf([&] { s.AsFloat(); }));
  EXPECT_EQ(42.0, i.AsFloat());
  EXPECT_EQ(1.0, b.AsFloat());

  EXPECT_EQ(static_cast<Integer>(EncodeDate(2020, 3, 4)), dt.AsInteger());
  EXPECT_EQ("Cannot read String as integer", ErrorOf([&] { s.AsInteger(); }));
  EXPECT_EQ("Cannot read Float as integer", ErrorOf([&] { f.AsInteger(); }));
  EXPECT_EQ(1, b.AsInteger());

  for (TExpression* node : {&d, &s, &f, &i})
    EXPECT_EQ(String("Cannot read ") + ExprTypeName(node->ExprType()) + " as boolean",
              ErrorOf([&] { node->AsBoolean(); }));
}

TEST_F(ExpressionTest, ADateNodeWithoutItsOwnDateCannotReadIt) {
  TFakeValue text{etString, "x"};
  struct TDateless : TFakeColumn {
    using TFakeColumn::TFakeColumn;
    TExprType ExprType() override { return etDate; }
  } node(&text);
  EXPECT_EQ("Cannot read Date as Date", ErrorOf([&] { node.AsDate(); }));
  EXPECT_EQ("Cannot read String as String",
            ErrorOf([&] { TFakeColumn(&text).TExpression::AsString(); }));
}

TEST_F(ExpressionTest, LiteralsReadThemselvesInSeveralTypes) {
  TFormatSettingsGuard guard;
  FormatSettings().ShortDateFormat = "yyyy-mm-dd";
  FormatSettings().DateSeparator = '-';
  EXPECT_EQ(EncodeDate(2020, 1, 2), TStringLiteral("2020-01-02").AsDate());
  EXPECT_EQ("Cannot read String as Float", ErrorOf([] { TStringLiteral("1").AsFloat(); }));
  EXPECT_EQ(1.5, TFloatLiteral(1.5).AsDate());
  EXPECT_EQ("1.5", TFloatLiteral(1.5).AsString());
  EXPECT_EQ("Cannot read Float as integer", ErrorOf([] { TFloatLiteral(1.5).AsInteger(); }));
  EXPECT_EQ(7.0, TIntegerLiteral(7).AsDate());
  EXPECT_EQ("-7", TIntegerLiteral(-7).AsString());
  EXPECT_EQ("Cannot read Integer as boolean", ErrorOf([] { TIntegerLiteral(1).AsBoolean(); }));
  EXPECT_EQ("FALSE", TBooleanLiteral(false).AsString());
  EXPECT_EQ(1.0, TBooleanLiteral(true).AsDate());
  EXPECT_EQ(1, TBooleanLiteral(true).AsInteger());
}

TEST_F(ExpressionTest, Arithmetic) {
  EXPECT_EQ(etFloat, Type("7 / 2"));
  EXPECT_EQ(3.5, Flt("7 / 2"));
  EXPECT_EQ(3, Int("7 DIV 2"));
  EXPECT_EQ(-3, Int("-7 DIV 2"));
  EXPECT_EQ(1, Int("7 MOD 2"));
  EXPECT_EQ(-1, Int("-7 MOD 2"));
  EXPECT_EQ(6, Int("2 * 3"));
  EXPECT_EQ(2, Int("3 AND 14"));
  EXPECT_EQ(15, Int("3 OR 14"));
  EXPECT_EQ(13, Int("3 XOR 14"));
  EXPECT_EQ(40, Int("5 SHL 3"));
  EXPECT_EQ(5, Int("40 SHR 3"));
  EXPECT_EQ(static_cast<Integer>(0x80000000u), Int("1 SHL 31"));
  EXPECT_EQ(-1, Int("2 - 3"));
  EXPECT_EQ(4.0, Flt("1.5 + 2.5"));
  EXPECT_EQ(3.75, Flt("1.5 * 2.5"));
  EXPECT_EQ(-1.0, Flt("1.5 - 2.5"));
  EXPECT_EQ(3.5, Flt("1 + 2.5"));
  EXPECT_EQ("AB", Str("'A' + 'B'"));
  EXPECT_EQ("1B", Str("1 + 'B'"));
  EXPECT_EQ("2.5B", Str("2.5 + 'B'"));
  EXPECT_EQ(0.0, Flt("'A' + 'B'"));  // a text sum read as a number
  EXPECT_EQ("3", Str("1 + 2"));
  EXPECT_EQ(-4, Int("-4"));
  EXPECT_EQ(-2.5, Flt("-2.5"));
  EXPECT_EQ(-6, Int("NOT 5"));
  EXPECT_FALSE(True("NOT TRUE"));
  EXPECT_EQ(0, Int("NOT TRUE"));
  EXPECT_EQ(1, Int("NOT FALSE"));
  EXPECT_EQ(1, Int("TRUE"));
}

TEST_F(ExpressionTest, DateArithmeticAddsDays) {
  TFormatSettingsGuard guard;
  FormatSettings().ShortDateFormat = "yyyy-mm-dd";
  FormatSettings().DateSeparator = '-';
  EXPECT_EQ(etDate, Type("DATE('2020-02-28') + 2"));
  EXPECT_EQ(EncodeDate(2020, 3, 1), Parse("DATE('2020-02-28') + 2")->AsDate());
  EXPECT_EQ("2020-03-01", Str("DATE('2020-02-28') + 2"));
  EXPECT_EQ(2.0, Flt("DATE('2020-03-01') - DATE('2020-02-28')"));
  EXPECT_EQ(-EncodeDate(2020, 3, 1), Parse("-DATE('2020-03-01')")->AsDate());
  EXPECT_TRUE(True("DATE('2020-03-01') > '2020-02-28'"));
}

TEST_F(ExpressionTest, BooleanOperatorsReadTheRightOperandOnlyWhenNeeded) {
  // 1 DIV 0 raises when read: it shows whether the right side was read.
  EXPECT_FALSE(True("FALSE AND (1 DIV 0 = 1)"));
  EXPECT_TRUE(True("TRUE OR (1 DIV 0 = 1)"));
  EXPECT_THROW(True("TRUE AND (1 DIV 0 = 1)"), EDivByZero);
  EXPECT_THROW(True("FALSE XOR (1 DIV 0 = 1)"), EDivByZero);
  EXPECT_TRUE(True("TRUE XOR FALSE"));
  EXPECT_FALSE(True("TRUE XOR TRUE"));
  EXPECT_EQ("TRUE", Str("TRUE AND TRUE"));
  EXPECT_EQ(1.0, Flt("TRUE OR FALSE"));
}

TEST_F(ExpressionTest, IncompatibleOperatorsRaiseWhenBuiltOnOrEvaluated) {
  EXPECT_EQ("Operator opMult incompatible with String", ParseError("('A' * 2) + 1"));
  auto tree = Parse("'A' * 2 = 1");
  EXPECT_EQ("Operator opMult incompatible with String", ErrorOf([&] { tree->AsBoolean(); }));
  EXPECT_EQ("Operator opPlus incompatible with Boolean",
            ErrorOf([&] { Parse("TRUE + FALSE")->AsBoolean(); }));
  EXPECT_EQ("Operator opNot incompatible with Float",
            ErrorOf([&] { Parse("NOT 1.5")->AsFloat(); }));
}

TEST(ExpressionNodes, ConstructorsRefuseOperatorsOfAnotherKind) {
  auto one = [] { return std::make_unique<TIntegerLiteral>(1); };
  EXPECT_EQ("opMult is not simple unary operator", ErrorOf([&] { TUnaryOp(opMult, one()); }));
  EXPECT_EQ("opNot is not a simple binary operator",
            ErrorOf([&] { TBinaryOp(opNot, one(), one()); }));
  EXPECT_EQ("opEq is not a simple binary operator",
            ErrorOf([&] { TBinaryOp(opEq, one(), one()); }));
  EXPECT_EQ("opPlus is not relational operator",
            ErrorOf([&] { TRelationalOp(opPlus, one(), one()); }));
}

TEST(ExpressionNodes, InternalErrorsOfOperatorsThatCannotBeComputed) {
  // NOT read as an integer on an operand that is neither Integer nor Boolean.
  TUnaryOp not_date(opNot, std::make_unique<TFloatLiteral>(1));
  EXPECT_EQ("Internal parser error. Code 6", ErrorOf([&] { not_date.AsInteger(); }));
}

// Mended: these are undefined in C++ and were crashes; each raises the
// platform's error instead.
TEST_F(ExpressionTest, IntegerFaultsRaisePlatformErrors) {
  EXPECT_THROW(Int("1 DIV 0"), EDivByZero);
  EXPECT_THROW(Int("1 MOD 0"), EDivByZero);
  EXPECT_THROW(Int("(-2147483647 - 1) DIV -1"), EIntOverflow);
  EXPECT_EQ(0, Int("(-2147483647 - 1) MOD -1"));
  EXPECT_EQ(-2147483647 - 1, Int("-2147483647 - 1"));
  EXPECT_THROW(Int("-2147483647 - 2"), EIntOverflow);
  EXPECT_THROW(Int("2147483647 + 1"), EIntOverflow);
  EXPECT_THROW(Int("65536 * 65536"), EIntOverflow);
  EXPECT_THROW(Int("-(-2147483647 - 1)"), EIntOverflow);
  EXPECT_THROW(Int("1 SHL 32"), ERangeError);
  EXPECT_THROW(Int("1 SHR 32"), ERangeError);
  EXPECT_THROW(Int("1 SHL -1"), ERangeError);
  EXPECT_THROW(Int("-1 SHR 1"), ERangeError);
  EXPECT_THROW(Int("-1 SHL 1"), ERangeError);
  EXPECT_EQ(1, Int("1 SHL 0"));
}

TEST_F(ExpressionTest, FloatFaultsRaisePlatformErrors) {
  EXPECT_THROW(Flt("1.5 / 0"), EZeroDivide);
  EXPECT_THROW(Flt("0 / 0"), EInvalidOp);
  EXPECT_THROW(Flt("1E300 * 1E300"), EOverflow);
}

TEST_F(ExpressionTest, NullOperands) {
  Null("N");
  Null("M", etInteger);
  Int("I", 1);
  struct Case {
    const char* text;
    bool expected;
  };
  const Case cases[] = {
      {"[N] = NULL", true},  {"[N] = [M]", true},   {"[N] <> [M]", false},  {"[N] = [I]", false},
      {"[I] = NULL", false}, {"[I] <> NULL", true}, {"[N] <> 1", true},     {"[N] > 1", false},
      {"[N] < 1", false},    {"[N] >= [M]", false}, {"[N] <= NULL", false}, {"1 = [I]", true},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, True(c.text)) << c.text;
}

TEST_F(ExpressionTest, ComparisonInTheCommonType) {
  struct Case {
    const char* text;
    bool expected;
  };
  const Case cases[] = {
      {"2 < 10", true},      {"2.5 < 10", true},       {"'2' < '10'", false},
      {"2 < '10'", false},  // String: compared as texts
      {"1 = 1.0", true},     {"TRUE = 1", true},       {"FALSE = 0", true},
      {"TRUE = TRUE", true}, {"TRUE <> FALSE", true},  {"'b' > 'a'", true},
      {"'B' > 'a'", false},  {"'abc' <= 'abd'", true}, {"'abc' >= 'abc'", true},
      {"1.5 >= 1.5", true},  {"3 <> 3", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, True(c.text)) << c.text;
  EXPECT_EQ("cannot apply opGT to boolean operands", ErrorOf([&] { True("TRUE > FALSE"); }));
  EXPECT_EQ("cannot apply opLTE to boolean operands", ErrorOf([&] { True("TRUE <= FALSE"); }));
  EXPECT_EQ("TRUE", Str("1 < 2"));
  EXPECT_EQ(0, Int("1 > 2"));
}

TEST_F(ExpressionTest, StringEqualityWithCaseAndPartialOptions) {
  Text("NAME", "SMITH");
  Text("CITY", "straße");
  const TFilterOptions exact{foNoPartialCompare};
  const TFilterOptions folded{foCaseInsensitive, foNoPartialCompare};
  EXPECT_FALSE(True("'abc' = 'ABC'", exact));
  EXPECT_TRUE(True("'abc' = 'ABC'", folded));
  EXPECT_TRUE(True("[NAME] = 'SM*'"));
  EXPECT_FALSE(True("[NAME] = 'SM*'", exact));
  EXPECT_TRUE(True("[NAME] <> 'SM?'"));
  EXPECT_FALSE(True("[NAME] <> 'SM*'"));
  EXPECT_FALSE(True("[NAME] = 'sm*'"));
  EXPECT_TRUE(True("[NAME] = 'sm*'", {foCaseInsensitive}));
  EXPECT_TRUE(True("UPPER([NAME]) = 'S*H'"));
  // Folding is the locale's full mapping: ß becomes SS.
  EXPECT_TRUE(True("[CITY] = 'STRASSE'", {foCaseInsensitive}));
  EXPECT_TRUE(True("[CITY] = 'STRA?SE'", {foCaseInsensitive}));
  // The pattern is the right side only.
  EXPECT_FALSE(True("'SM*' = [NAME]"));
  // Ordering never takes wildcards and compares character codes.
  EXPECT_TRUE(True("'a' > 'B'"));
  EXPECT_FALSE(True("'a' > 'B'", {foCaseInsensitive}));
}

TEST_F(ExpressionTest, ATreeKeepsTheOptionsOfItsOwnParse) {
  auto folded = Parse("'a' = 'A'", {foCaseInsensitive});
  auto exact = Parse("'a' = 'A'");
  EXPECT_TRUE(folded->AsBoolean());
  EXPECT_FALSE(exact->AsBoolean());
  EXPECT_TRUE(OracleFilter::PartialCompareOption());
  EXPECT_FALSE(OracleFilter::CaseInsensitiveOption());
}

}  // namespace
