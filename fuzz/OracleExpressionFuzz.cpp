// fuzz/OracleExpressionFuzz.cpp
//
// libFuzzer target: arbitrary bytes as an Oracle filter text. The first byte
// picks the filter options and, with bit 0x80, turns the input into a
// "text\npattern" pair for the wildcard match, checked against the
// backtracking rule it replaces. A text that parses is evaluated in every
// type over a record of a few columns (one of them null), so that what the
// parser builds goes through the evaluator too.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "oracle/ExpressionParser.h"
#include "oracle/PatternMatch.h"

namespace {

class TColumn : public TExpression {
 public:
  TColumn(TExprType type, bool null) : type_(type), null_(null) {}
  TDateTime AsDate() override { return type_ == etDate ? 43000.25 : TExpression::AsDate(); }
  String AsString() override { return type_ == etString ? "Smith" : TExpression::AsString(); }
  double AsFloat() override { return type_ == etFloat ? -2.5 : TExpression::AsFloat(); }
  Integer AsInteger() override { return type_ == etInteger ? 42 : TExpression::AsInteger(); }
  bool AsBoolean() override { return type_ == etBoolean ? true : TExpression::AsBoolean(); }
  bool IsNull() override { return null_; }
  TExprType ExprType() override { return type_; }

 private:
  TExprType type_;
  bool null_;
};

std::unique_ptr<TExpression> Resolve(const String& name, std::unique_ptr<TParameterList>&) {
  if (name.empty() || name.size() > 1)
    return name == "NULL" ? std::make_unique<TColumn>(etString, true) : nullptr;
  switch (name[0]) {
    case 'D':
      return std::make_unique<TColumn>(etDate, false);
    case 'S':
      return std::make_unique<TColumn>(etString, false);
    case 'F':
      return std::make_unique<TColumn>(etFloat, false);
    case 'I':
      return std::make_unique<TColumn>(etInteger, false);
    case 'B':
      return std::make_unique<TColumn>(etBoolean, false);
    case 'N':
      return std::make_unique<TColumn>(etInteger, true);
    default:
      return nullptr;
  }
}

bool Backtracking(std::string_view text, std::string_view pattern) {
  for (;; text.remove_prefix(1), pattern.remove_prefix(1)) {
    if (!pattern.empty() && pattern[0] == '*') {
      if (pattern.size() == 1) return true;
      for (; !text.empty(); text.remove_prefix(1))
        if (Backtracking(text, pattern.substr(1))) return true;
      return false;
    }
    if (pattern.empty() || text.empty()) return pattern.empty() && text.empty();
    if (pattern[0] != '?' && pattern[0] != text[0]) return false;
  }
}

void CheckMatch(std::string_view input) {
  const std::size_t cut = input.find('\n');
  if (cut == std::string_view::npos || input.size() > 24) return;
  // Bytes of one character each: ASCII only, so both rules count alike.
  for (char c : input)
    if (static_cast<unsigned char>(c) >= 0x80) return;
  const std::string_view text = input.substr(0, cut), pattern = input.substr(cut + 1);
  if (OracleFilter::MatchPattern(text, pattern) != Backtracking(text, pattern)) __builtin_trap();
}

template <class Read>
void Try(Read read) {
  try {
    read();
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t options = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  if (options & 0x80) {
    CheckMatch(input);
    return 0;
  }
  TFilterOptions filter_options;
  if (options & 0x01) filter_options.Include(foCaseInsensitive);
  if (options & 0x02) filter_options.Include(foNoPartialCompare);
  std::unique_ptr<TExpression> tree;
  try {
    tree = OracleFilter::ParseFilterExpression(input, filter_options, Resolve);
  } catch (const Exception&) {
    return 0;
  }
  if (!tree) return 0;
  Try([&] { tree->ExprType(); });
  Try([&] { tree->AsBoolean(); });
  Try([&] { tree->AsInteger(); });
  Try([&] { tree->AsFloat(); });
  Try([&] { tree->AsString(); });
  Try([&] { tree->AsDate(); });
  return 0;
}
