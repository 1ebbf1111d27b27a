// tests/oracle/ExpressionParserTest.cpp
//
// The filter parser: literals, precedence, names and the resolver, and every
// syntax error with the position where it is found.
#include "ExpressionTestSupport.h"
#include "platform/rtl/FormatSettings.h"

namespace {

TEST_F(ExpressionTest, EmptyOrBlankTextGivesNoTree) {
  EXPECT_EQ(nullptr, Parse(""));
  EXPECT_EQ(nullptr, Parse(" \t\r\n "));
  EXPECT_EQ(nullptr, Parse(String("\0 1", 3)));  // the text ends at a zero byte
}

TEST_F(ExpressionTest, Numbers) {
  EXPECT_EQ(etInteger, Type("2147483647"));
  EXPECT_EQ(2147483647, Int("2147483647"));
  EXPECT_EQ(etFloat, Type("2147483648"));
  EXPECT_EQ(2147483648.0, Flt("2147483648"));
  EXPECT_EQ(etFloat, Type("1E-3"));
  EXPECT_EQ(0.001, Flt("1E-3"));
  EXPECT_EQ(1500.0, Flt("1.5e3"));
  EXPECT_EQ(etFloat, Type("2.0"));
  EXPECT_EQ(2.0, Flt("2."));
  EXPECT_EQ(7, Int("0007"));
  EXPECT_EQ(1e27, Flt("1000000000000000000000000000"));  // 28 characters
}

TEST_F(ExpressionTest, NumbersFollowTheDecimalSeparator) {
  TFormatSettingsGuard guard;
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(2.5, Flt("2,5"));
  EXPECT_EQ("char . in input stream", ParseError("2.5"));  // '.' is no separator now
}

TEST_F(ExpressionTest, BadNumbers) {
  const char* const bad[] = {
      "1.2.3", "1E5.2", "1E5E2", "1E", "1E-", "1E+3", "10000000000000000000000000000", "1E999"};
  for (const char* text : bad) {
    Integer position = 0;
    EXPECT_EQ("Bad numeric format", ParseError(String("  ") + text, &position)) << text;
    EXPECT_EQ(3, position) << text;
  }
}

TEST_F(ExpressionTest, Strings) {
  EXPECT_EQ("It's", Str("'It''s'"));
  EXPECT_EQ("", Str("''"));
  EXPECT_EQ("'", Str("''''"));
  EXPECT_EQ("a b", Str("'a b'"));
  EXPECT_EQ(String(256, 'x'), Str("'" + String(256, 'x') + "'"));
  Integer position = 0;
  EXPECT_EQ("String too long", ParseError("1 + '" + String(257, 'x') + "'", &position));
  EXPECT_EQ(5, position);
  EXPECT_EQ("Unterminated string", ParseError("1 + 'abc", &position));
  EXPECT_EQ(5, position);
  EXPECT_EQ("Unterminated string", ParseError("'ab''", &position));
}

TEST_F(ExpressionTest, ColumnNamesGoToTheResolverAsWritten) {
  Text("Last name", "Smith");
  EXPECT_TRUE(True("[Last name] = 'Smith'"));
  EXPECT_EQ(-1, last_params_);  // no parameter list
  Integer position = 0;
  EXPECT_EQ("Unknown Identifier last name", ParseError("1 = [last name]", &position));
  EXPECT_EQ(5, position);
  EXPECT_EQ("Unterminated fieldname", ParseError("[abc", &position));
  EXPECT_EQ(1, position);
  EXPECT_EQ("Fieldname too long", ParseError("[" + String(257, 'x') + "]"));
  Text(String(256, 'x'), "y");
  EXPECT_EQ("y", Str("[" + String(256, 'x') + "]"));
}

// Mended: a bracketed name without a resolver was undefined.
TEST(ExpressionParser, BracketedNameWithoutResolverIsUnknown) {
  try {
    OracleFilter::ParseFilterExpression("[A] = 1", {}, nullptr);
    FAIL() << "parsed";
  } catch (const EExpression& e) {
    EXPECT_EQ("Unknown Identifier A", e.Message());
    EXPECT_EQ(1, e.Position());
  }
}

TEST_F(ExpressionTest, NamesAreUpperCasedAndOfferedToTheResolver) {
  Int("DEPTNO", 10);
  EXPECT_TRUE(True("deptno = 10"));
  EXPECT_TRUE(True("DeptNo = 10"));
  EXPECT_EQ(-1, last_params_);
  Null("N");
  EXPECT_TRUE(True("[N] = null"));  // NULL is the resolver's
  Integer position = 0;
  EXPECT_EQ("Unknown Identifier FOO", ParseError("1 + foo(1, 2)", &position));
  EXPECT_EQ(2, last_params_);
  EXPECT_EQ(5, position);
  EXPECT_EQ("Unknown Identifier FOO", ParseError("foo"));
  EXPECT_EQ(-1, last_params_);
  EXPECT_EQ("Unknown Identifier FOO",
            ErrorOf([] { OracleFilter::ParseFilterExpression("FOO(1)", {}, nullptr); }));
}

TEST_F(ExpressionTest, ResolverMayTakeTheArguments) {
  OracleFilter::TResolveNameEvent resolver =
      [](const String& name,
         std::unique_ptr<TParameterList>& params) -> std::unique_ptr<TExpression> {
    if (name != "FIRST" || !params) return nullptr;
    struct TFirst : TExpression {
      std::unique_ptr<TParameterList> args;
      Integer AsInteger() override { return args->Items(0)->AsInteger(); }
      TExprType ExprType() override { return etInteger; }
    };
    auto node = std::make_unique<TFirst>();
    node->args = std::move(params);
    return node;
  };
  EXPECT_EQ(7, OracleFilter::ParseFilterExpression("FIRST(3 + 4, 1)", {}, resolver)->AsInteger());
  EXPECT_EQ("Unknown Identifier FIRST",
            ErrorOf([&] { OracleFilter::ParseFilterExpression("FIRST", {}, resolver); }));
}

TEST_F(ExpressionTest, BuiltinsComeBeforeTheResolver) {
  Int("PI", 3);
  EXPECT_EQ(etFloat, Type("pi"));
  EXPECT_EQ(3, Int("[PI]"));
}

TEST_F(ExpressionTest, Precedence) {
  struct Case {
    const char* text;
    Integer expected;
  };
  const Case cases[] = {
      {"1 + 2 * 3", 7},      {"(1 + 2) * 3", 9},  {"1 - 2 - 3", -4},  {"1 - (2 - 3)", 2},
      {"12 DIV 2 DIV 3", 2}, {"2 * 3 MOD 4", 2},  {"1 + 6 AND 3", 3}, {"1 OR 2 * 3", 7},
      {"-2 * 3", -6},        {"- - 2", 2},        {"+2", 2},          {"1 SHL 2 + 1", 5},
      {"NOT 0 AND 1", 1},    {"3 XOR 1 OR 4", 6}, {"7-2", 5},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, Int(c.text)) << c.text;
  Bool("A", true);
  Bool("B", false);
  EXPECT_FALSE(True("NOT A AND B"));  // (NOT A) AND B
  EXPECT_TRUE(True("NOT (A AND B)"));
  EXPECT_TRUE(True("(A) OR (B) = TRUE"));  // = binds loosest
  EXPECT_TRUE(True("1 + 1 = 2"));
  EXPECT_TRUE(True("1 < 2 + 1"));
}

TEST_F(ExpressionTest, ComparisonsAreCombinedInBrackets) {
  Int("A", 1);
  Int("B", 3);
  Integer position = 0;
  EXPECT_EQ("Syntax error", ParseError("[A] = 1 OR [B] = 2", &position));
  EXPECT_EQ(16, position);
  EXPECT_FALSE(True("([A] = 1) AND ([B] = 2)"));
  EXPECT_TRUE(True("([A] = 1) OR ([B] = 2)"));
}

TEST_F(ExpressionTest, RelationalOperators) {
  EXPECT_TRUE(True("1<>2"));
  EXPECT_TRUE(True("1<=1"));
  EXPECT_TRUE(True("2>=1"));
  Integer position = 0;
  EXPECT_EQ("=< not a valid operator", ParseError("1 =< 1", &position));
  EXPECT_EQ(3, position);
  EXPECT_EQ("== not a valid operator", ParseError("1 == 1"));
  EXPECT_EQ(">< not a valid operator", ParseError("1 >< 1"));
  EXPECT_EQ("Unexpected end of factor", ParseError("1 = ", &position));
  EXPECT_EQ(5, position);
  // Relational characters are read two at most.
  EXPECT_EQ("Syntax error", ParseError("1 <>= 1"));
}

// Each syntax error, with the position where the parser found it.
TEST_F(ExpressionTest, SyntaxErrorsAndTheirPositions) {
  struct Case {
    const char* text;
    const char* message;
    Integer position;
  };
  const Case cases[] = {
      {"1)", ") not appropriate", 2},
      {"1 , 2", ", not appropriate", 3},
      {"1 = 1 NOT 2", "N not appropriate", 7},  // a second expression is refused
      {"(1", " ) expected", 3},
      {"(1 NOT 2)", "N not appropriate", 4},
      {"(1 2)", "char 2 in input stream", 4},
      {"()", "invalid sub-expression", 2},
      {"(", "invalid sub-expression", 2},
      {"1 + AND 2", "opAnd not allowed here", 5},
      {"DIV", "opDiv not allowed here", 1},
      {"OR 1", "opOr not allowed here", 1},
      {"1 +", "Unexpected end of factor", 4},
      {"1 + )", "Unexpected end of factor", 5},
      {"NOT", "Unexpected end of factor", 4},
      {"1 + ?", "Syntax error", 5},
      {"1 + é", "Syntax error", 5},
      {"1 foo", "Identifier FOO not allowed here", 3},
      {"1 + 2 bar", "Identifier BAR not allowed here", 7},
      {"1 true", "Boolean literal not allowed here", 3},
      {"1 2", "char 2 in input stream", 3},
      {"1 (2)", "char ( in input stream", 3},
      {"1 'x'", "char ' in input stream", 3},
      {"1 é", "char é in input stream", 3},
      {"COPY('a', 1 2)", "char 2 in input stream", 13},
      {"COPY('a' 1)", "char 1 in input stream", 10},
      {"COPY('a', 1 NOT 2)", "N not appropriate", 13},
      {"COPY('a', 1 = 1 = 1)", "Syntax error", 17},
      {"COPY('a',)", "Incorrectly formed parameters", 10},
      {"COPY(,'a')", "Incorrectly formed parameters", 6},
      {"COPY('a'", "Incorrectly formed parameters", 9},
      {"('A' * 2) + 1", "Operator opMult incompatible with String", 11},
      {"-'A'", "", 0},  // the unary node's own type is asked only when evaluated
  };
  for (const Case& c : cases) {
    Integer position = 0;
    EXPECT_EQ(c.message, ParseError(c.text, &position)) << c.text;
    EXPECT_EQ(c.position, position) << c.text;
  }
}

TEST_F(ExpressionTest, BlanksAreBytesUpToSpace) {
  EXPECT_EQ(3, Int("\x01"
                   "1\x1f+\t2 "));
  EXPECT_EQ(7, Int("3\n+\r4"));
}

// Mended: deep nesting overflowed the stack; it is refused with a position.
TEST_F(ExpressionTest, NestingDepthIsBounded) {
  const Integer limit = OracleFilter::MaxExpressionNesting;
  EXPECT_EQ(1, Int(String(limit - 1, '(') + "1" + String(limit - 1, ')')));
  const struct {
    String prefix;
    String suffix;
  } deep[] = {
      {String(100000, '('), ""},
      {String(100000, '-'), ""},
      {[] {
         String s;
         for (int i = 0; i < 100000; ++i) s += "NOT ";
         return s;
       }(),
       ""},
      {[] {
         String s;
         for (int i = 0; i < 100000; ++i) s += "ABS(";
         return s;
       }(),
       ""},
  };
  for (const auto& d : deep) {
    Integer position = 0;
    EXPECT_EQ("Expression nested too deeply", ParseError(d.prefix + "1", &position));
    EXPECT_GT(position, limit);
    EXPECT_LE(position, 4 * limit + 1);
  }
}

TEST_F(ExpressionTest, TreeHeightIsBounded) {
  const Integer limit = OracleFilter::MaxExpressionHeight;
  String chain = "1";
  for (Integer i = 1; i < limit; ++i) chain += "+1";
  EXPECT_EQ(limit, Int(chain));  // evaluated and freed without trouble
  Integer position = 0;
  EXPECT_EQ("Expression nested too deeply", ParseError(chain + "+1+1", &position));
  EXPECT_EQ(static_cast<Integer>(chain.size()) + 1, position);
  String long_chain = "1";
  for (int i = 0; i < 100000; ++i) long_chain += " AND 1";
  EXPECT_EQ("Expression nested too deeply", ParseError(long_chain));
}

}  // namespace
