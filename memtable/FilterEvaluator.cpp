// memtable/FilterEvaluator.cpp
//
// Evaluating a compiled filter on a record, and the public face of the
// filter (FilterEvaluator.h).
#include "memtable/FilterEvaluator.h"

#include <algorithm>

#include "memtable/FilterNodes.h"
#include "memtable/MemTableErrors.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/StringUtils.h"

namespace filter_detail {

namespace {

// FieldConstant: whether the comparison holds; FieldIn: whether the value
// equals one of the constants. `relationTo(c)` is the relation of the
// field's value to comparand `c`.
template <class Relation>
bool FieldComparisonHolds(const Node& node, Relation relationTo) {
  if (node.kind == Kind::FieldConstant)
    return Holds(node.relations, relationTo(node.comparands[0]));
  for (const Comparand& c : node.comparands)
    if (relationTo(c) == vrEqual) return true;
  return false;
}

// FieldComparisonHolds on the record's bytes, for Number comparisons. False
// when the field is null.
bool NumberComparisonHolds(const Node& node, const TvomRecord* record) {
  Number value;
  if (!node.field.ReadNumber(record, value)) return false;
  return FieldComparisonHolds(node,
                              [&](const Comparand& c) { return CompareNumbers(value, c.number); });
}

// The same for Text comparisons. Kept out of Truth, whose every call would
// otherwise pay for the registers that reading a text takes.
[[gnu::noinline]] bool TextComparisonHolds(const Node& node, const TvomRecord* record) {
  std::string_view text;
  if (!node.field.ReadText(record, text, node.scratch)) return false;
  return FieldComparisonHolds(
      node, [&](const Comparand& c) { return RelationOf(CompareStr(text, c.text)); });
}

// FieldComparisonHolds by the Variant rules (Variant comparisons).
bool VariantComparisonHolds(const Node& node, const TvomRecord* record) {
  Variant value;
  if (!node.field.ReadScalar(record, value)) return false;
  return FieldComparisonHolds(node,
                              [&](const Comparand& c) { return VarCompareValue(value, c.value); });
}

void AppendListValues(const Node& list, const TvomRecord* record, std::vector<Variant>& items) {
  for (const auto& element : list.args) {
    if (element->kind == Kind::List) {
      AppendListValues(*element, record, items);
      continue;
    }
    Variant value = Evaluate(*element, record);
    if (value.IsArray()) {
      const Integer low = VarArrayLowBound(value, 1), high = VarArrayHighBound(value, 1);
      for (Integer i = low; i <= high; ++i) {
        Variant item = value[i];
        if (item.IsEmpty()) break;
        items.push_back(std::move(item));
      }
    } else {
      items.push_back(std::move(value));
    }
  }
}

Variant ListValue(const Node& node, const TvomRecord* record) {
  std::vector<Variant> items;
  AppendListValues(node, record, items);
  if (items.empty()) return Variant();
  if (items.size() == 1) return std::move(items[0]);
  return VarArrayOf(std::move(items));
}

bool LikeMatch(const Node& node, std::string_view text, const Variant& pattern) {
  if (node.args[1]->kind == Kind::Constant) {
    if (!node.mask) node.mask.emplace(pattern.AsString());
    return node.mask->Matches(text);
  }
  return MatchesMask(text, pattern.AsString());
}

bool EvaluateLike(const Node& node, const TvomRecord* record) {
  const Node& left = *node.args[0];
  const Variant pattern = Evaluate(*node.args[1], record);
  if (IsNullish(pattern)) return false;
  if (left.kind == Kind::Field && left.field.reader == Reader::Text) {
    std::string_view text;
    if (!left.field.ReadText(record, text, node.scratch)) return false;
    return LikeMatch(node, text, pattern);
  }
  const Variant value = Evaluate(left, record);
  if (IsNullish(value)) return false;
  return LikeMatch(node, value.AsString(), pattern);
}

bool EvaluateIn(const Node& node, const TvomRecord* record) {
  const Variant left = Evaluate(*node.args[0], record);
  const Variant right = Evaluate(*node.args[1], record);
  if (IsNullish(left) || IsNullish(right)) return false;
  if (!right.IsArray()) return VarCompareValue(left, right) == vrEqual;
  const Integer low = VarArrayLowBound(right, 1), high = VarArrayHighBound(right, 1);
  for (Integer i = low; i <= high; ++i) {
    const Variant item = right[i];
    if (item.IsEmpty()) break;
    if (VarCompareValue(item, left) == vrEqual) return true;
  }
  return false;
}

bool EvaluateTextCompare(const Node& node, const TvomRecord* record) {
  const Variant left = Evaluate(*node.args[0], record);
  const Variant right = Evaluate(*node.args[1], record);
  if (IsNullish(left) || IsNullish(right)) return false;
  String a = left.AsString(), b = right.AsString();
  if (node.caseInsensitive) {
    a = AnsiUpperCase(a);
    b = AnsiUpperCase(b);
  }
  if (node.partialLength > 0) {
    a = CutCharacters(a, node.partialLength);
    b = CutCharacters(b, node.partialLength);
  }
  switch (node.op) {
    case eoEqual:
      return a == b;
    case eoNotEqual:
      return a != b;
    default:
      return MatchesMask(a, b);
  }
}

// The constant's side of a FieldTextCompare: for a case-insensitive compare,
// made upper case again when the process locale has changed since.
const String& PreparedConstant(const Node& node) {
  if (!node.caseInsensitive) return node.upperConstant;
  String locale = ProcessCaseLocale();
  if (!node.upperReady || locale != node.upperLocale) {
    node.upperConstant = AnsiUpperCase(node.comparands[0].text);
    if (node.partialLength > 0)
      node.upperConstant = CutCharacters(node.upperConstant, node.partialLength);
    node.upperLocale = std::move(locale);
    node.upperReady = true;
    node.mask.reset();
  }
  return node.upperConstant;
}

// EvaluateTextCompare for a text field and a text constant, on the field's
// bytes: the same case mapping and cut, without Variants.
bool EvaluateFieldTextCompare(const Node& node, const TvomRecord* record) {
  std::string_view text;
  if (!node.field.ReadText(record, text, node.scratch)) return false;
  String upper;
  if (node.caseInsensitive) {
    upper = AnsiUpperCase(text);
    text = upper;
  }
  if (node.partialLength > 0) text = FirstCharacters(text, node.partialLength);
  const String& constant = PreparedConstant(node);
  switch (node.op) {
    case eoEqual:
      return text == constant;
    case eoNotEqual:
      return text != constant;
    default:
      if (!node.mask) node.mask.emplace(constant);
      return node.mask->Matches(text);
  }
}

Variant EvaluateUnary(const Node& node, const TvomRecord* record) {
  const Variant value = Evaluate(*node.args[0], record);
  switch (node.op) {
    case eoIsBlank:
      return Variant(IsNullish(value));
    case eoNotBlank:
      return Variant(!IsNullish(value));
    case eoNot:
      return IsNullish(value) ? Null() : Variant(!value.AsBoolean());
    case eoMinus:
      return IsNullish(value) ? Null() : -value;
    case eoUpper:
      return IsNullish(value) ? Null() : Variant(UpperCase(value.AsString()));
    case eoLower:
      return IsNullish(value) ? Null() : Variant(LowerCase(value.AsString()));
    default:
      return Null();
  }
}

Variant EvaluateArithmetic(const Node& node, const TvomRecord* record) {
  const Variant a = Evaluate(*node.args[0], record);
  const Variant b = Evaluate(*node.args[1], record);
  if (IsNullish(a) || IsNullish(b)) return Null();
  switch (node.op) {
    case eoAdd:
      return a + b;
    case eoSubtract:
      return a - b;
    case eoMultiply:
      return a * b;
    case eoDivide:
      return a / b;
    default:
      return a % b;  // modulo and remainder are the same
  }
}

// AND and OR of sides that are not both Boolean.
bool EvaluateAndOr(const Node& node, const TvomRecord* record) {
  const Variant a = Evaluate(*node.args[0], record);
  const Variant b = Evaluate(*node.args[1], record);
  if (IsNullish(a) || IsNullish(b)) return false;
  return (node.op == eoAnd ? VarAnd(a, b) : VarOr(a, b)).AsBoolean();
}

bool TruthOfOthers(const Node& node, const TvomRecord* record);

}  // namespace

// The value of a node that is always true or false. The shapes that browsing
// filters are made of are tested here on the record's bytes; the others, which
// build Variants, in TruthOfOthers (kept apart so that this test of every
// record stays a small function).
bool Truth(const Node& node, const TvomRecord* record) {
  switch (node.kind) {
    case Kind::IsBlankField:
      return node.field.IsNull(record) == (node.op == eoIsBlank);
    case Kind::FieldConstant:
    case Kind::FieldIn:
      if (node.comparison == Comparison::Number) return NumberComparisonHolds(node, record);
      if (node.comparison == Comparison::Text) return TextComparisonHolds(node, record);
      break;
    case Kind::AndOr: {
      const Node& left = *node.args[0];
      const Node& right = *node.args[1];
      if (!left.boolean || !right.boolean) break;
      // The right side is skipped only when it cannot raise: an error on the
      // right stops the filter whatever the left side says.
      const bool a = Truth(left, record);
      if (!right.mayRaise && a == (node.op == eoOr)) return a;
      const bool b = Truth(right, record);
      return node.op == eoAnd ? (a && b) : (a || b);
    }
    case Kind::Unary:
      if (node.op == eoNot && node.boolean) return !Truth(*node.args[0], record);
      break;
    default:
      break;
  }
  return TruthOfOthers(node, record);
}

namespace {

[[gnu::noinline]] bool TruthOfOthers(const Node& node, const TvomRecord* record) {
  switch (node.kind) {
    case Kind::FieldConstant:
    case Kind::FieldIn:
      return VariantComparisonHolds(node, record);
    case Kind::Compare: {
      const Variant a = Evaluate(*node.args[0], record);
      const Variant b = Evaluate(*node.args[1], record);
      if (IsNullish(a) || IsNullish(b)) return false;
      return Holds(node.relations, VarCompareValue(a, b));
    }
    case Kind::AndOr:
      return EvaluateAndOr(node, record);
    case Kind::In:
      return EvaluateIn(node, record);
    case Kind::Like:
      return EvaluateLike(node, record);
    case Kind::TextCompare:
      return EvaluateTextCompare(node, record);
    case Kind::FieldTextCompare:
      return EvaluateFieldTextCompare(node, record);
    case Kind::Unary:
      if (node.op == eoIsBlank || node.op == eoNotBlank)
        return IsNullish(Evaluate(*node.args[0], record)) == (node.op == eoIsBlank);
      break;
    default:
      break;
  }
  // Only nodes that are not always Boolean get here (Evaluate of a Boolean
  // node comes back to Truth).
  const Variant value = Evaluate(node, record);
  return !IsNullish(value) && value.AsBoolean();
}

}  // namespace

Variant Evaluate(const Node& node, const TvomRecord* record) {
  if (node.boolean) return Variant(Truth(node, record));
  switch (node.kind) {
    case Kind::Raise:
      throw EMemTableFilterError(node.message);
    case Kind::NoValue:
      return Variant();
    case Kind::Constant:
      return node.constant;
    case Kind::Field:
      return node.field.Value(record, node.scratch);
    case Kind::Unary:
      return EvaluateUnary(node, record);
    case Kind::Arithmetic:
      return EvaluateArithmetic(node, record);
    case Kind::Function:
      return EvaluateFunction(node, record);
    case Kind::List:
      return ListValue(node, record);
    default:
      return Variant(Truth(node, record));
  }
}

}  // namespace filter_detail

using filter_detail::Compile;
using filter_detail::Evaluate;
using filter_detail::Truth;

const TFieldTypeMap& FilterFieldTypeMap() {
  static const TFieldTypeMap map = [] {
    TFieldTypeMap m = IdentityFieldTypeMap();
    m[ftCurrency] = ftFloat;
    m[ftAutoInc] = ftInteger;
    for (int t = ftBlob; t <= ftTypedBinary; ++t) m[static_cast<std::size_t>(t)] = ftBlob;
    m[ftOraBlob] = ftBlob;
    m[ftOraClob] = ftBlob;
    m[ftFixedChar] = ftString;
    for (TFieldType t : {ftCursor, ftReference, ftDataSet, ftVariant, ftInterface, ftIDispatch})
      m[t] = ftUnknown;
    return m;
  }();
  return map;
}

TvomFilterEvaluator::TvomFilterEvaluator(const TExprNode* root, const TvomCommon* store)
    : root_(Compile(root, store)) {}

TvomFilterEvaluator::~TvomFilterEvaluator() = default;

Variant TvomFilterEvaluator::Value(const TvomRecord* record) const {
  return Evaluate(*root_, record);
}

bool TvomFilterEvaluator::Accepts(const TvomRecord* record) const {
  return Truth(*root_, record);
}

namespace {

using filter_detail::Comparison;
using filter_detail::Kind;
using filter_detail::Node;
using filter_detail::Reader;

// The key term of `ref` equal to `value`, for a data field of an integer
// type held in the record.
std::optional<TvomKeyTerm> KeyTermOf(const filter_detail::FieldRef& ref, Int64 value) {
  if (ref.offset < 0 || ref.field == nullptr || ref.field->FieldKind() != fkData)
    return std::nullopt;
  switch (ref.reader) {
    case Reader::Smallint:
      return TvomKeyTerm(ref.offset, TvomKeyTerm::Width::Smallint, value);
    case Reader::Word:
      return TvomKeyTerm(ref.offset, TvomKeyTerm::Width::Word, value);
    case Reader::Int32:
      return TvomKeyTerm(ref.offset, TvomKeyTerm::Width::Int32, value);
    case Reader::Largeint:
      return TvomKeyTerm(ref.offset, TvomKeyTerm::Width::Largeint, value);
    default:
      return std::nullopt;
  }
}

// The first integer field compared for equality with a whole number among
// the conditions that `node` joins by AND (itself when it is no AND).
std::optional<TvomKeyTerm> FindKeyTerm(const Node& node) {
  if (node.kind == Kind::AndOr && node.op == eoAnd) {
    if (auto left = FindKeyTerm(*node.args[0])) return left;
    return FindKeyTerm(*node.args[1]);
  }
  if (node.kind != Kind::FieldConstant || node.op != eoEqual ||
      node.comparison != Comparison::Number || node.comparands.size() != 1 ||
      node.comparands[0].number.real)
    return std::nullopt;
  return KeyTermOf(node.field, node.comparands[0].number.whole);
}

}  // namespace

std::optional<TvomKeyTerm> TvomKeyTerm::OfField(TField* field, const TvomCommon* store) {
  return KeyTermOf(filter_detail::ResolveField(field, store), 0);
}

TvomKeyTerm TvomKeyTerm::WithValueOf(const TvomRecord* key, bool& isNull) const {
  TvomKeyTerm term = *this;
  isNull = !Read(key, term.value_);
  return term;
}

bool TvomKeyTerm::Read(const TvomRecord* record, Int64& value) const {
  if (record == nullptr || record->Data == nullptr) return false;
  const Byte* slot = record->Data + offset_;
  if (slot[0] == 0) return false;
  switch (width_) {
    case Width::Smallint:
      value = ReadValue<SmallInt>(slot + 1);
      break;
    case Width::Word:
      value = ReadValue<Word>(slot + 1);
      break;
    case Width::Int32:
      value = ReadValue<Integer>(slot + 1);
      break;
    case Width::Largeint:
      value = ReadValue<Int64>(slot + 1);
      break;
  }
  return true;
}

std::optional<TvomKeyTerm> TvomFilterEvaluator::KeyTerm() const {
  if (root_->mayRaise) return std::nullopt;
  return FindKeyTerm(*root_);
}

TvomCompiledFilter::TvomCompiledFilter(TDataSet* table, const TvomCommon* store, const String& text,
                                       TFilterOptions options)
    : parser_(table, text, options, FilterFieldTypeMap()),
      evaluator_(parser_.Root(), store),
      key_term_(evaluator_.KeyTerm()) {}

std::unique_ptr<TvomCompiledFilter> CompileFilter(TDataSet* table, const TvomCommon* store,
                                                  const String& text, TFilterOptions options) {
  const String trimmed = Trim(text);
  if (trimmed.empty()) return nullptr;
  return std::make_unique<TvomCompiledFilter>(table, store, trimmed, options);
}
