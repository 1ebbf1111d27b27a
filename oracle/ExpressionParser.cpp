// oracle/ExpressionParser.cpp
#include "oracle/ExpressionParser.h"

#include <algorithm>

#include "oracle/ExpressionLiterals.h"
#include "oracle/ExpressionOperators.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace OracleFilter {
namespace {

constexpr std::size_t kMaxLiteral = 256;
constexpr std::size_t kMaxNumber = 28;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) {
  return IsIdentStart(c) || IsDigit(c);
}
bool IsRelational(char c) {
  return c == '<' || c == '=' || c == '>';
}

// The operator words, and the symbols of the relational operators.
struct TSymbol {
  const char* text;
  TOperator op;
};
constexpr TSymbol kWords[] = {{"NOT", opNot}, {"DIV", opDiv}, {"MOD", opMod}, {"AND", opAnd},
                              {"SHL", opShl}, {"SHR", opShr}, {"OR", opOr},   {"XOR", opXor}};
constexpr TSymbol kRelations[] = {{"=", opEq}, {"<>", opNEQ}, {"<", opLT},
                                  {">", opGT}, {"<=", opLTE}, {">=", opGTE}};

// A node with the height of its tree, which bounds how deep evaluating and
// freeing it recurse.
struct TParsed {
  std::unique_ptr<TExpression> node;
  Integer height = 0;
};

class TParser {
 public:
  TParser(std::string_view text, const TResolveNameEvent& resolver)
      : text_(text.substr(0, text.find('\0'))), resolver_(resolver) {}

  // The whole text: an expression and nothing after it.
  std::unique_ptr<TExpression> Parse() {
    TParsed root = Expression();
    SkipBlanks();
    if (Cur() != '\0') Fail(Format("%s not appropriate", CharHere()));
    return std::move(root.node);
  }

 private:
  char Cur() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  bool AtListEnd() const {
    const char c = Cur();
    return c == '\0' || c == ')' || c == ',';
  }
  void SkipBlanks() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) >= 1 &&
           static_cast<unsigned char>(text_[pos_]) <= 32)
      ++pos_;
  }
  // The character at the position, whole when it is UTF-8.
  String CharHere() const { return CharAt(pos_); }
  String CharAt(std::size_t at) const {
    const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(text_, at));
    return String(text_.substr(at, length));
  }

  [[noreturn]] void Fail(const String& message) const { FailAt(message, pos_); }
  [[noreturn]] static void FailAt(const String& message, std::size_t position) {
    throw EExpression(message, static_cast<Integer>(position + 1));
  }

  // An identifier at the position, upper-cased.
  String ReadWord() {
    const std::size_t start = pos_;
    while (IsIdentChar(Cur())) ++pos_;
    return UpperCase(text_.substr(start, pos_ - start));
  }
  static const TSymbol* FindWord(const String& word) {
    for (const TSymbol& s : kWords)
      if (word == s.text) return &s;
    return nullptr;
  }

  // Nodes of operators: the tree's height is checked, and an error of the
  // constructor (an incompatible operand) is placed at the operator.
  template <class Node, class... Operands>
  TParsed Build(std::size_t at, TOperator op, Operands&&... operands) {
    const Integer height = 1 + std::max({operands.height...});
    if (height > MaxExpressionHeight) FailAt("Expression nested too deeply", at);
    try {
      return {std::make_unique<Node>(op, std::move(operands.node)...), height};
    } catch (EExpression& e) {
      e.SetPosition(static_cast<Integer>(at + 1));
      throw;
    }
  }

  // A complete expression must end its operand list. What follows it is read
  // as the start of another expression, so that what cannot start one gets
  // its own error ("Syntax error" for the second "=" of [A] = 1 OR [B] = 2);
  // when another expression does follow, it is refused rather than taking
  // the place of the first, which would silently drop part of the filter.
  TParsed Expression() {
    TParsed result = Comparison();
    SkipBlanks();
    if (result.node && !AtListEnd()) {
      const std::size_t at = pos_;
      Simple();
      FailAt(Format("%s not appropriate", CharAt(at)), at);
    }
    return result;
  }

  TParsed Comparison() {
    SkipBlanks();
    if (AtListEnd()) return {};
    TParsed left = Simple();
    SkipBlanks();
    if (!IsRelational(Cur())) return left;
    const std::size_t at = pos_;
    String symbol(1, Cur());
    ++pos_;
    if (IsRelational(Cur())) {
      symbol += Cur();
      ++pos_;
    }
    const auto relation = std::find_if(std::begin(kRelations), std::end(kRelations),
                                       [&](const TSymbol& s) { return symbol == s.text; });
    if (relation == std::end(kRelations)) FailAt(Format("%s not a valid operator", symbol), at);
    TParsed right = Simple();
    return Build<TRelationalOp>(at, relation->op, left, right);
  }

  // After a complete operand: an operator word of `level` is returned and
  // consumed (true); any other operator word belongs to a looser level and is
  // left where it stands (false); a name or a Boolean literal cannot follow an
  // operand.
  bool OperatorWord(std::initializer_list<TOperator> level, TOperator& op) {
    const std::size_t start = pos_;
    const String word = ReadWord();
    if (const TSymbol* symbol = FindWord(word)) {
      if (std::find(level.begin(), level.end(), symbol->op) != level.end()) {
        op = symbol->op;
        return true;
      }
      pos_ = start;
      return false;
    }
    if (word == "TRUE" || word == "FALSE") FailAt("Boolean literal not allowed here", start);
    FailAt(Format("Identifier %s not allowed here", word), start);
  }

  TParsed Simple() {
    TParsed left = Term();
    for (;;) {
      SkipBlanks();
      const std::size_t at = pos_;
      TOperator op;
      if (Cur() == '+' || Cur() == '-') {
        op = Cur() == '+' ? opPlus : opMinus;
        ++pos_;
      } else if (!IsIdentStart(Cur()) || !OperatorWord({opOr, opXor}, op)) {
        return left;
      }
      TParsed right = Term();
      left = Build<TBinaryOp>(at, op, left, right);
    }
  }

  TParsed Term() {
    TParsed left = Factor();
    for (;;) {
      SkipBlanks();
      const std::size_t at = pos_;
      const char c = Cur();
      TOperator op;
      if (c == '*' || c == '/') {
        op = c == '*' ? opMult : opDivide;
        ++pos_;
      } else if (IsIdentStart(c)) {
        if (!OperatorWord({opDiv, opMod, opAnd, opShl, opShr}, op)) return left;
      } else if (c == '+' || c == '-' || IsRelational(c) || AtListEnd()) {
        return left;
      } else {
        Fail(Format("char %s in input stream", CharHere()));
      }
      TParsed right = Factor();
      left = Build<TBinaryOp>(at, op, left, right);
    }
  }

  // Every recursion of the parser passes through here.
  TParsed Factor() {
    SkipBlanks();
    if (nesting_ >= MaxExpressionNesting) Fail("Expression nested too deeply");
    ++nesting_;
    TParsed result = FactorBody();
    --nesting_;
    return result;
  }

  TParsed FactorBody() {
    const std::size_t at = pos_;
    const char c = Cur();
    if (c == '+' || c == '-') {
      ++pos_;
      TParsed operand = Factor();
      return Build<TUnaryOp>(at, c == '+' ? opPlus : opMinus, operand);
    }
    if (c == '[') return ColumnName();
    if (c == '\'') return StringLiteral();
    if (IsDigit(c)) return Number();
    if (c == '(') {
      ++pos_;
      TParsed inner = Expression();
      if (!inner.node) Fail("invalid sub-expression");
      SkipBlanks();
      if (Cur() != ')') Fail(" ) expected");
      ++pos_;
      return inner;
    }
    if (IsIdentStart(c)) {
      const String word = ReadWord();
      if (const TSymbol* symbol = FindWord(word)) {
        if (symbol->op != opNot)
          FailAt(Format("%s not allowed here", OperatorName(symbol->op)), at);
        TParsed operand = Factor();
        return Build<TUnaryOp>(at, opNot, operand);
      }
      if (word == "TRUE" || word == "FALSE")
        return {std::make_unique<TBooleanLiteral>(word == "TRUE"), 1};
      return Name(word, at);
    }
    if (AtListEnd()) Fail("Unexpected end of factor");
    Fail("Syntax error");
  }

  TParsed Number() {
    const std::size_t start = pos_;
    const char separator = FormatSettings().DecimalSeparator;
    bool fraction = false, exponent = false;
    for (;;) {
      const char c = Cur();
      if (IsDigit(c)) {
        ++pos_;
      } else if (c == separator) {
        if (fraction || exponent) FailAt("Bad numeric format", start);
        fraction = true;
        ++pos_;
      } else if (c == 'E' || c == 'e') {
        if (exponent) FailAt("Bad numeric format", start);
        exponent = true;
        ++pos_;
        if (Cur() == '-') ++pos_;
        if (!IsDigit(Cur())) FailAt("Bad numeric format", start);
      } else {
        break;
      }
      if (pos_ - start > kMaxNumber) FailAt("Bad numeric format", start);
    }
    const String digits(text_.substr(start, pos_ - start));
    Integer integer;
    if (!fraction && !exponent && TryStrToInt(digits, integer))
      return {std::make_unique<TIntegerLiteral>(integer), 1};
    double value;
    if (!TryStrToFloat(digits, value)) FailAt("Bad numeric format", start);
    return {std::make_unique<TFloatLiteral>(value), 1};
  }

  // The text between the quote or bracket at the position and its closing
  // `close`; in strings a doubled quote stands for one.
  String Delimited(char close, bool doubled, const char* unterminated, const char* too_long) {
    const std::size_t start = pos_;
    ++pos_;
    String value;
    for (;;) {
      const char c = Cur();
      if (c == '\0') FailAt(unterminated, start);
      ++pos_;
      if (c == close) {
        if (!doubled || Cur() != close) break;
        ++pos_;
      }
      value += c;
      if (value.size() > kMaxLiteral) FailAt(too_long, start);
    }
    return value;
  }

  TParsed StringLiteral() {
    String value = Delimited('\'', true, "Unterminated string", "String too long");
    return {std::make_unique<TStringLiteral>(std::move(value)), 1};
  }

  TParsed ColumnName() {
    const std::size_t start = pos_;
    const String name = Delimited(']', false, "Unterminated fieldname", "Fieldname too long");
    std::unique_ptr<TParameterList> none;
    return Resolve(name, none, start, 1);
  }

  // A function call or a name the resolver knows.
  TParsed Name(const String& name, std::size_t start) {
    std::unique_ptr<TParameterList> params;
    Integer height = 1;
    SkipBlanks();
    if (Cur() == '(') {
      ++pos_;
      params = std::make_unique<TParameterList>();
      for (;;) {
        TParsed argument = Expression();
        SkipBlanks();
        if (!argument.node) {
          // Only a call without any argument, "F()", may leave one out.
          if (params->Count() == 0 && Cur() == ')') break;
          Fail("Incorrectly formed parameters");
        }
        height = std::max(height, argument.height + 1);
        params->Add(std::move(argument.node));
        if (Cur() != ',') break;
        ++pos_;
      }
      if (Cur() != ')') Fail("Incorrectly formed parameters");
      ++pos_;
    }
    if (height > MaxExpressionHeight) FailAt("Expression nested too deeply", start);
    if (auto function = CreateFunction(name, params)) return {std::move(function), height};
    return Resolve(name, params, start, height);
  }

  TParsed Resolve(const String& name, std::unique_ptr<TParameterList>& params, std::size_t start,
                  Integer height) {
    std::unique_ptr<TExpression> node;
    if (resolver_) node = resolver_(name, params);
    if (!node) FailAt(Format("Unknown Identifier %s", name), start);
    return {std::move(node), height};
  }

  std::string_view text_;
  const TResolveNameEvent& resolver_;
  std::size_t pos_ = 0;
  Integer nesting_ = 0;
};

}  // namespace

std::unique_ptr<TExpression> ParseFilterExpression(std::string_view text, TFilterOptions options,
                                                   const TResolveNameEvent& resolver) {
  SetOptions(options.Contains(foCaseInsensitive), !options.Contains(foNoPartialCompare));
  return TParser(text, resolver).Parse();
}

}  // namespace OracleFilter
