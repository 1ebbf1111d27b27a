// platform/data/FilterParser.cpp
#include "platform/data/FilterParser.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/StringUtils.h"

namespace {

// The wording of the parser's complaints, after the position.
constexpr const char* kUnexpectedEnd = "unexpected end of expression";
constexpr const char* kUnexpectedToken = "unexpected token '%s'";
constexpr const char* kExpected = "%s expected";
constexpr const char* kUnclosedString = "unterminated string";
constexpr const char* kUnclosedName = "unterminated name in brackets";
constexpr const char* kEmptyName = "empty name in brackets";
constexpr const char* kBadNumber = "invalid number '%s'";
constexpr const char* kBadCharacter = "invalid character '%s'";
constexpr const char* kOneArgument = "function %s takes one argument";
constexpr const char* kTooDeep = "expression nested too deeply";

// How deep brackets, NOT, signs and function arguments may nest. Each level
// costs several frames of the parser's recursion, so a text of thousands of
// opening brackets must be refused before it exhausts the stack.
constexpr int kMaxNesting = 256;
// How deep the tree may grow through chains of operators ("a or b or ...",
// parsed by iteration): whatever walks the tree afterwards recurses once per
// level, with frames that are large in sanitized builds.
constexpr int kMaxTreeDepth = 512;

// Characters (UTF-8 code points) in `text`; a stray continuation byte is
// part of the character before it.
Integer CharCount(std::string_view text) {
  Integer n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

struct Token {
  enum Kind { End, Name, BracketName, Text, Number, Symbol } kind = End;
  String text;         // the name, the string's value, the number's or symbol's text
  std::size_t at = 0;  // byte offset in the filter text
};

class Parser {
 public:
  Parser(TDataSet* dataSet, const String& text, TFilterOptions options, const TFieldTypeMap& map)
      : data_set_(dataSet), text_(text), options_(options), map_(map) {}

  std::unique_ptr<TExprNode> Parse() {
    Advance();
    auto root = ParseOr();
    if (token_.kind != Token::End) Unexpected();
    return root;
  }

 private:
  // --- errors -------------------------------------------------------------------
  [[noreturn]] void Fail(std::size_t at, const String& detail) {
    FailAtPosition(Position(at), detail);
  }
  [[noreturn]] void FailAtPosition(Integer position, const String& detail) {
    DatabaseErrorFmt(MsgFilterSyntax, data_set_, position, detail);
  }
  [[noreturn]] void Unexpected() {
    if (token_.kind == Token::End) Fail(token_.at, kUnexpectedEnd);
    Fail(token_.at, Format(kUnexpectedToken, Spelling(token_)));
  }
  // Tokens ask for positions from left to right, mostly: count from the
  // last position asked for, not from the start of a long text.
  Integer Position(std::size_t at) {
    const std::string_view text(text_);
    if (at >= counted_to_)
      counted_ += CharCount(text.substr(counted_to_, at - counted_to_));
    else
      counted_ -= CharCount(text.substr(at, counted_to_ - at));
    counted_to_ = at;
    return counted_ + 1;
  }
  String Spelling(const Token& t) const {
    switch (t.kind) {
      case Token::BracketName:
        return "[" + t.text + "]";
      case Token::Text:
        return QuotedStr(t.text);
      default:
        return t.text;
    }
  }

  // --- tokens -------------------------------------------------------------------
  void Advance() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') ++pos_;
    token_ = Token();
    token_.at = pos_;
    if (pos_ >= text_.size()) return;
    const char c = text_[pos_];
    if (c == '\'' || c == '"') {
      token_.kind = Token::Text;
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size()) Fail(token_.at, kUnclosedString);
        if (text_[pos_] == c) {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == c) {
            token_.text += c;
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        token_.text += text_[pos_++];
      }
    } else if (c == '[') {
      token_.kind = Token::BracketName;
      const std::size_t close = text_.find(']', pos_ + 1);
      if (close == String::npos) Fail(token_.at, kUnclosedName);
      token_.text = text_.substr(pos_ + 1, close - pos_ - 1);
      if (Trim(token_.text).empty()) Fail(token_.at, kEmptyName);
      pos_ = close + 1;
    } else if (IsDigit(c) || (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
      token_.kind = Token::Number;
      const std::size_t start = pos_;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
      if (pos_ < text_.size() && text_[pos_] == '.') {
        ++pos_;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
      }
      if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
        std::size_t p = pos_ + 1;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
        if (p < text_.size() && IsDigit(text_[p])) {
          pos_ = p;
          while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
        }
      }
      token_.text = text_.substr(start, pos_ - start);
      if (pos_ < text_.size() && IsNameStart(static_cast<unsigned char>(text_[pos_])))
        Fail(token_.at, Format(kBadNumber, token_.text + text_[pos_]));
    } else if (IsNameStart(static_cast<unsigned char>(c))) {
      token_.kind = Token::Name;
      const std::size_t start = pos_;
      while (pos_ < text_.size() && IsNameChar(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      token_.text = text_.substr(start, pos_ - start);
    } else {
      token_.kind = Token::Symbol;
      static const char* const kTwoChar[] = {"<>", "<=", ">=", "!="};
      for (const char* s : kTwoChar)
        if (text_.compare(pos_, 2, s) == 0) {
          token_.text = s == String("!=") ? "<>" : s;
          pos_ += 2;
          return;
        }
      if (String("=<>+-*/%(),").find(c) == String::npos)
        Fail(token_.at, Format(kBadCharacter, String(1, c)));
      token_.text = String(1, c);
      ++pos_;
    }
  }

  bool IsSymbol(const char* s) const { return token_.kind == Token::Symbol && token_.text == s; }
  bool IsKeyword(const char* k) const {
    return token_.kind == Token::Name && SameText(token_.text, k);
  }
  void Expect(const char* symbol) {
    if (!IsSymbol(symbol)) {
      if (token_.kind == Token::End) Fail(token_.at, Format(kExpected, QuotedStr(symbol)));
      Fail(token_.at, Format(kExpected, QuotedStr(symbol)) + ", " +
                          Format(kUnexpectedToken, Spelling(token_)));
    }
    Advance();
  }
  // Whether the token after the current one is the keyword `k`.
  bool NextIsKeyword(const char* k) {
    const std::size_t savedPos = pos_;
    const Token saved = token_;
    Advance();
    const bool result = IsKeyword(k);
    pos_ = savedPos;
    token_ = saved;
    return result;
  }

  // One level of nesting for as long as it lives; refuses the level past
  // the limit at the token that opens it.
  class Nesting {
   public:
    explicit Nesting(Parser& parser) : parser_(parser) {
      if (++parser_.nesting_ > kMaxNesting) parser_.Fail(parser_.token_.at, kTooDeep);
    }
    ~Nesting() { --parser_.nesting_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

   private:
    Parser& parser_;
  };

  // --- nodes --------------------------------------------------------------------
  static std::unique_ptr<TExprNode> Node(TExprNodeClass nodeClass, TExprOperator op,
                                         Integer position) {
    auto node = std::make_unique<TExprNode>();
    node->NodeClass = nodeClass;
    node->Operator = op;
    node->Position = position;
    return node;
  }
  std::unique_ptr<TExprNode> Unary(TExprOperator op, std::unique_ptr<TExprNode> operand,
                                   Integer position) {
    auto node = Node(ncUnary, op, position);
    node->Args.push_back(std::move(operand));
    return Deepened(std::move(node));
  }
  std::unique_ptr<TExprNode> Binary(TExprOperator op, std::unique_ptr<TExprNode> left,
                                    std::unique_ptr<TExprNode> right, Integer position) {
    auto node = Node(ncBinary, op, position);
    node->Args.push_back(std::move(left));
    node->Args.push_back(std::move(right));
    return Deepened(std::move(node));
  }
  // Sets the depth of a node made over its arguments; refuses a tree deeper
  // than the limit at the node's token.
  std::unique_ptr<TExprNode> Deepened(std::unique_ptr<TExprNode> node) {
    Integer below = 0;
    for (const auto& arg : node->Args) below = std::max(below, arg->Depth);
    if (below >= kMaxTreeDepth) FailAtPosition(node->Position, kTooDeep);
    node->Depth = below + 1;
    return node;
  }
  static bool IsStringConstant(const TExprNode* node) {
    return node->NodeClass == ncConstant && node->DataType == ftString;
  }
  static bool IsNullConstant(const TExprNode* node) {
    return node->NodeClass == ncConstant && node->Value.IsNull();
  }

  // =, <> and LIKE: a field against a string constant may become a compare node.
  std::unique_ptr<TExprNode> Comparison(TExprOperator op, std::unique_ptr<TExprNode> left,
                                        std::unique_ptr<TExprNode> right, Integer position) {
    TExprNode* constant = nullptr;
    if (left->NodeClass == ncField && IsStringConstant(right.get()))
      constant = right.get();
    else if (right->NodeClass == ncField && IsStringConstant(left.get()))
      constant = left.get();
    if (!constant) return Binary(op, std::move(left), std::move(right), position);
    const bool caseInsensitive = options_.Contains(foCaseInsensitive);
    Integer partial = 0;
    String value = constant->Value.AsString();
    // The trailing '*' shortcut compares leading characters, which is what
    // "=" and "<>" mean by it; LIKE matches its whole pattern as a mask
    // ("*b*" must find "Zebra"), so its constant is left whole.
    if (op != eoLike && !options_.Contains(foNoPartialCompare) && value.size() > 1 &&
        value.back() == '*') {
      value.pop_back();
      partial = CharCount(value);
      constant->Value = Variant(value);
    }
    if (!caseInsensitive && partial == 0)
      return Binary(op, std::move(left), std::move(right), position);
    auto node = Node(ncCompare, op, position);
    node->CaseInsensitive = caseInsensitive;
    node->PartialLength = partial;
    node->Args.push_back(std::move(left));
    node->Args.push_back(std::move(right));
    return Deepened(std::move(node));
  }

  // --- grammar ------------------------------------------------------------------
  std::unique_ptr<TExprNode> ParseOr() {
    auto left = ParseAnd();
    while (IsKeyword("OR")) {
      const Integer at = Position(token_.at);
      Advance();
      left = Binary(eoOr, std::move(left), ParseAnd(), at);
    }
    return left;
  }

  std::unique_ptr<TExprNode> ParseAnd() {
    auto left = ParseNot();
    while (IsKeyword("AND")) {
      const Integer at = Position(token_.at);
      Advance();
      left = Binary(eoAnd, std::move(left), ParseNot(), at);
    }
    return left;
  }

  std::unique_ptr<TExprNode> ParseNot() {
    if (IsKeyword("NOT")) {
      const Nesting level(*this);
      const Integer at = Position(token_.at);
      Advance();
      return Unary(eoNot, ParseNot(), at);
    }
    return ParseCompare();
  }

  std::unique_ptr<TExprNode> ParseCompare() {
    auto left = ParseSum();
    const Integer at = Position(token_.at);
    static const struct {
      const char* symbol;
      TExprOperator op;
    } kOps[] = {{"=", eoEqual}, {"<>", eoNotEqual},       {">", eoGreater},
                {"<", eoLess},  {">=", eoGreaterOrEqual}, {"<=", eoLessOrEqual}};
    for (const auto& entry : kOps) {
      if (!IsSymbol(entry.symbol)) continue;
      Advance();
      auto right = ParseSum();
      const bool equality = entry.op == eoEqual || entry.op == eoNotEqual;
      // "x = NULL" and "x <> NULL" test for a missing value.
      if (equality && (IsNullConstant(right.get()) || IsNullConstant(left.get()))) {
        auto& tested = IsNullConstant(right.get()) ? left : right;
        return Unary(entry.op == eoEqual ? eoIsBlank : eoNotBlank, std::move(tested), at);
      }
      if (equality) return Comparison(entry.op, std::move(left), std::move(right), at);
      return Binary(entry.op, std::move(left), std::move(right), at);
    }
    if (IsKeyword("IS")) {
      Advance();
      bool negate = false;
      if (IsKeyword("NOT")) {
        negate = true;
        Advance();
      }
      if (!IsKeyword("NULL")) {
        if (token_.kind == Token::End) Fail(token_.at, Format(kExpected, "NULL"));
        Fail(token_.at,
             Format(kExpected, "NULL") + ", " + Format(kUnexpectedToken, Spelling(token_)));
      }
      Advance();
      return Unary(negate ? eoNotBlank : eoIsBlank, std::move(left), at);
    }
    bool negate = false;
    if (IsKeyword("NOT") && (NextIsKeyword("LIKE") || NextIsKeyword("IN"))) {
      negate = true;
      Advance();
    }
    if (IsKeyword("LIKE")) {
      const Integer likeAt = Position(token_.at);
      Advance();
      auto node = Comparison(eoLike, std::move(left), ParseSum(), likeAt);
      return negate ? Unary(eoNot, std::move(node), at) : std::move(node);
    }
    if (IsKeyword("IN")) {
      const Integer inAt = Position(token_.at);
      Advance();
      const Integer listAt = Position(token_.at);
      Expect("(");
      auto list = Node(ncListElement, eoListElement, listAt);
      list->Args.push_back(ParseSum());
      while (IsSymbol(",")) {
        Advance();
        list->Args.push_back(ParseSum());
      }
      Expect(")");
      auto node = Binary(eoIn, std::move(left), Deepened(std::move(list)), inAt);
      return negate ? Unary(eoNot, std::move(node), at) : std::move(node);
    }
    return left;
  }

  std::unique_ptr<TExprNode> ParseSum() {
    auto left = ParseProduct();
    for (;;) {
      TExprOperator op;
      if (IsSymbol("+"))
        op = eoAdd;
      else if (IsSymbol("-"))
        op = eoSubtract;
      else
        return left;
      const Integer at = Position(token_.at);
      Advance();
      left = Binary(op, std::move(left), ParseProduct(), at);
    }
  }

  std::unique_ptr<TExprNode> ParseProduct() {
    auto left = ParseUnary();
    for (;;) {
      TExprOperator op;
      if (IsSymbol("*"))
        op = eoMultiply;
      else if (IsSymbol("/"))
        op = eoDivide;
      else if (IsSymbol("%"))
        op = eoModulo;
      else
        return left;
      const Integer at = Position(token_.at);
      Advance();
      left = Binary(op, std::move(left), ParseUnary(), at);
    }
  }

  std::unique_ptr<TExprNode> ParseUnary() {
    if (IsSymbol("-")) {
      const Nesting level(*this);
      const Integer at = Position(token_.at);
      Advance();
      return Unary(eoMinus, ParseUnary(), at);
    }
    if (IsSymbol("+")) {
      const Nesting level(*this);
      Advance();
      return ParseUnary();
    }
    return ParsePrimary();
  }

  std::unique_ptr<TExprNode> ParsePrimary() {
    const Integer at = Position(token_.at);
    switch (token_.kind) {
      case Token::End:
        Unexpected();
      case Token::Text: {
        auto node = Node(ncConstant, eoConstant, at);
        node->DataType = ftString;
        node->Value = Variant(token_.text);
        Advance();
        return node;
      }
      case Token::Number:
        return ParseNumber(at);
      case Token::BracketName: {
        auto node = FieldNode(Trim(token_.text), at);
        Advance();
        return node;
      }
      case Token::Name: {
        if (IsKeyword("NULL")) {
          auto node = Node(ncConstant, eoConstant, at);
          node->Value = Null();
          Advance();
          return node;
        }
        if (IsKeyword("AND") || IsKeyword("OR") || IsKeyword("NOT") || IsKeyword("IS") ||
            IsKeyword("LIKE") || IsKeyword("IN"))
          Unexpected();
        const String name = token_.text;
        Advance();
        if (IsSymbol("(")) return ParseFunction(name, at);
        return FieldNode(name, at);
      }
      case Token::Symbol:
        if (IsSymbol("(")) {
          const Nesting level(*this);
          Advance();
          auto inner = ParseOr();
          Expect(")");
          return inner;
        }
        Unexpected();
    }
    Unexpected();
  }

  std::unique_ptr<TExprNode> ParseNumber(Integer at) {
    auto node = Node(ncConstant, eoConstant, at);
    const String& text = token_.text;
    const char* first = text.data();
    const char* last = first + text.size();
    Int64 whole = 0;
    if (text.find_first_of(".eE") == String::npos &&
        std::from_chars(first, last, whole).ec == std::errc()) {
      if (whole <= std::numeric_limits<Integer>::max()) {
        node->DataType = ftInteger;
        node->Value = Variant(static_cast<Integer>(whole));
      } else {
        node->DataType = ftLargeint;
        node->Value = Variant(whole);
      }
    } else {
      double value = 0;
      const auto result = std::from_chars(first, last, value);
      if (result.ec != std::errc() || result.ptr != last) Fail(token_.at, Format(kBadNumber, text));
      node->DataType = ftFloat;
      node->Value = Variant(value);
    }
    Advance();
    return node;
  }

  std::unique_ptr<TExprNode> FieldNode(const String& name, Integer at) {
    TField* field = data_set_->FieldByName(name);  // an unknown name raises here
    auto node = Node(ncField, eoField, at);
    node->Field = field;
    node->FieldNo = field->FieldNo();
    node->FieldName = field->FullName();
    node->DataType = map_[field->DataType()];
    return node;
  }

  std::unique_ptr<TExprNode> ParseFunction(const String& name, Integer at) {
    const Nesting level(*this);
    Expect("(");
    std::vector<std::unique_ptr<TExprNode>> args;
    if (!IsSymbol(")")) {
      args.push_back(ParseOr());
      while (IsSymbol(",")) {
        Advance();
        args.push_back(ParseOr());
      }
    }
    Expect(")");
    const bool upper = SameText(name, "UPPER"), lower = SameText(name, "LOWER");
    if (upper || lower) {
      if (args.size() != 1) FailAtPosition(at, Format(kOneArgument, UpperCase(name)));
      return Unary(upper ? eoUpper : eoLower, std::move(args[0]), at);
    }
    auto node = Node(ncFunction, eoFunction, at);
    node->FunctionName = name;
    if (args.size() == 1) {
      node->Args.push_back(std::move(args[0]));
    } else if (args.size() > 1) {
      auto list = Node(ncListElement, eoListElement, at);
      list->Args = std::move(args);
      node->Args.push_back(Deepened(std::move(list)));
    }
    return Deepened(std::move(node));
  }

  TDataSet* data_set_;
  const String& text_;
  TFilterOptions options_;
  const TFieldTypeMap& map_;
  std::size_t pos_ = 0;
  Token token_;
  // Position: the characters before byte counted_to_.
  std::size_t counted_to_ = 0;
  Integer counted_ = 0;
  int nesting_ = 0;
};

}  // namespace

TFieldTypeMap IdentityFieldTypeMap() {
  TFieldTypeMap map{};
  for (int i = 0; i < FieldTypeCount; ++i)
    map[static_cast<std::size_t>(i)] = static_cast<TFieldType>(i);
  return map;
}

TExprParser::TExprParser(TDataSet* dataSet, const String& text, TFilterOptions options,
                         const TFieldTypeMap& fieldTypeMap)
    : text_(text), options_(options) {
  root_ = Parser(dataSet, text_, options, fieldTypeMap).Parse();
}

TExprParser::~TExprParser() = default;
