// memtable/FilterEvaluator.cpp
#include "memtable/FilterEvaluator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "memtable/RecordStore.h"
#include "memtable/LengthBuffer.h"
#include "memtable/MemTableErrors.h"
#include "memtable/Record.h"
#include "platform/data/DataSet.h"
#include "platform/data/DateTimeFields.h"
#include "platform/data/Field.h"
#include "platform/data/StringFields.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Masks.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace {

constexpr const char* SvomUnknownOperator = "Unknown operator (%d)";
constexpr const char* SvomOperatorNotSupported = "Operator not supported (%d).";
constexpr const char* SvomUnknownFieldType = "Unknown fieldtype (%d)";
constexpr const char* SvomClassOutOfRange = "iClass Out of range (%d)";
constexpr const char* SvomInvalidFunction = "Invalid function name %s";
constexpr const char* SvomInvalidParameter = "Invalid or missing parameter for function %s";

bool IsNullish(const Variant& v) { return v.IsNull() || v.IsEmpty(); }

// How a field's value is read from a record.
enum class Reader : Byte {
  Generic,  // through the field (the table shows the record)
  Text,     // ftString, ftFixedChar, ftGuid: zero-terminated bytes; ftWideString: UTF-16
  Smallint,
  Word,
  Integer,
  Largeint,
  Boolean,
  Float,  // ftFloat, ftCurrency: doubles
  Date,
  Time,
  DateTime,
};

Reader ReaderFor(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
    case ftWideString: return Reader::Text;
    case ftSmallint: return Reader::Smallint;
    case ftWord: return Reader::Word;
    case ftInteger:
    case ftAutoInc: return Reader::Integer;
    case ftLargeint: return Reader::Largeint;
    case ftBoolean: return Reader::Boolean;
    case ftFloat:
    case ftCurrency: return Reader::Float;
    case ftDate: return Reader::Date;
    case ftTime: return Reader::Time;
    case ftDateTime: return Reader::DateTime;
    default: return Reader::Generic;
  }
}

// A number as the Variant rules compare it, without the Variant: integers
// (whatever their width) compare exactly, and as soon as one side is a real
// (a float, or a date, which is a real too) both compare as doubles. This is
// the Variant comparison restricted to the integer, double and date kinds,
// the only kinds a numeric field or a converted numeric constant takes.
struct Number {
  bool real = false;
  Int64 whole = 0;
  double value = 0;

  static Number Whole(Int64 n) { return Number{false, n, 0}; }
  static Number Real(double d) { return Number{true, 0, d}; }
  double AsReal() const { return real ? value : static_cast<double>(whole); }
};

TVariantRelationship CompareNumbers(const Number& a, const Number& b) {
  if (a.real || b.real) {
    const double x = a.AsReal(), y = b.AsReal();
    if (x < y) return vrLessThan;
    if (x > y) return vrGreaterThan;
    if (x == y) return vrEqual;
    return vrNotEqual;  // NaN
  }
  return a.whole < b.whole ? vrLessThan : a.whole > b.whole ? vrGreaterThan : vrEqual;
}

// The Number a converted constant compares as; false for kinds the Variant
// rules treat otherwise (Boolean, currency, text...).
bool NumberOfConstant(const Variant& constant, Number& out) {
  switch (constant.Type()) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: out = Number::Whole(constant.AsInt64()); return true;
    case varDouble:
    case varDate: out = Number::Real(constant.AsDouble()); return true;
    default: return false;
  }
}

// Where a field lies in the records of one store, resolved once.
struct FieldRef {
  TField* field = nullptr;
  // Of the field's slot from the start of a record's data area; -1 when the
  // layout has no place for it.
  std::ptrdiff_t offset = -1;
  Reader reader = Reader::Generic;
  std::size_t storage = 0;  // value bytes of a fixed text field
  bool indirect = false;
  bool fixedChar = false;
  bool wide = false;
  Integer wideLength = 0;  // characters of a wide field

  // As TvomCommon::FieldPointer gives it.
  const Byte* Slot(const TvomRecord* record) const {
    if (record == nullptr || record->Data == nullptr || offset < 0) return nullptr;
    return record->Data + offset;
  }
  bool IsNull(const TvomRecord* record) const {
    const Byte* slot = Slot(record);
    return slot == nullptr || slot[0] == 0;
  }
  // Reads a number rather than a Variant (see Number).
  bool IsNumeric() const {
    return reader != Reader::Generic && reader != Reader::Text && reader != Reader::Boolean;
  }

  // The text of a Text field. False when null. `scratch` keeps a value that
  // had to be read through the field or converted from UTF-16.
  bool ReadText(const TvomRecord* record, std::string_view& out, String& scratch) const {
    const Byte* slot = Slot(record);
    if (slot == nullptr || slot[0] == 0) return false;
    const Byte* bytes = slot + 1;
    std::size_t available = storage;
    if (indirect) {
      const Byte* buffer = IndirectBuffer(slot);
      if (buffer == nullptr) {
        // A record buffer that shares the stored record's value.
        scratch = field->AsString();
        out = scratch;
        return true;
      }
      bytes = LengthBufferData(buffer);
      available = static_cast<std::size_t>(LengthBufferSize(buffer));
    }
    if (wide) {
      out = WideText(bytes, std::min(available, storage), scratch);
      return true;
    }
    const char* text = reinterpret_cast<const char*>(bytes);
    std::size_t length = strnlen(text, available);
    if (fixedChar)
      while (length > 0 && text[length - 1] == ' ') --length;
    out = std::string_view(text, length);
    return true;
  }

  // A wide value's text as the field gives it: the byte count, then at most
  // Size characters, reading zeros past the `available` bytes stored.
  std::string_view WideText(const Byte* bytes, std::size_t available, String& scratch) const {
    scratch = Utf16ToUtf8(TWideStringField::NativeToWide(bytes, available, wideLength));
    return scratch;
  }

  // The value of a numeric field (IsNumeric). False when null.
  bool ReadNumber(const TvomRecord* record, Number& out) const {
    const Byte* slot = Slot(record);
    if (slot == nullptr || slot[0] == 0) return false;
    const Byte* at = slot + 1;
    switch (reader) {
      case Reader::Smallint: out = Number::Whole(ReadValue<SmallInt>(at)); break;
      case Reader::Word: out = Number::Whole(ReadValue<Word>(at)); break;
      case Reader::Integer: out = Number::Whole(ReadValue<Integer>(at)); break;
      case Reader::Largeint: out = Number::Whole(ReadValue<Int64>(at)); break;
      case Reader::Float: out = Number::Real(ReadValue<double>(at)); break;
      case Reader::Date: out = Number::Real(NativeDateToDateTime(ReadValue<Integer>(at))); break;
      case Reader::Time: out = Number::Real(NativeTimeToDateTime(ReadValue<Integer>(at))); break;
      case Reader::DateTime: out = Number::Real(NativeDateTimeToDateTime(ReadValue<double>(at))); break;
      case Reader::Boolean:
      case Reader::Text:
      case Reader::Generic: return false;
    }
    return true;
  }

  // The value of a scalar (non-text, non-generic) field, as the field's
  // AsVariant gives it. False when null.
  bool ReadScalar(const TvomRecord* record, Variant& out) const {
    if (reader == Reader::Boolean) {
      const Byte* slot = Slot(record);
      if (slot == nullptr || slot[0] == 0) return false;
      out = Variant(ReadValue<Word>(slot + 1) != 0);
      return true;
    }
    Number n;
    if (!ReadNumber(record, n)) return false;
    switch (reader) {
      case Reader::Largeint: out = Variant(n.whole); break;
      case Reader::Float: out = Variant(n.value); break;
      case Reader::Date:
      case Reader::Time:
      case Reader::DateTime: out = VarFromDateTime(n.value); break;
      default: out = Variant(static_cast<Integer>(n.whole)); break;
    }
    return true;
  }

  Variant Value(const TvomRecord* record, String& scratch) const {
    if (reader == Reader::Generic) return field->AsVariant();
    if (reader == Reader::Text) {
      std::string_view text;
      if (!ReadText(record, text, scratch)) return Null();
      return Variant(String(text));
    }
    Variant v;
    return ReadScalar(record, v) ? v : Null();
  }
};

// Where the store puts `field` in every record's data area. Records and
// record buffers of a store share one layout, which stays while the filter
// exists (the table compiles it again after reopening), so the place is
// asked once, of a data area of the layout's size.
std::ptrdiff_t SlotOffset(TField* field, const TvomCommon* store) {
  std::vector<Byte> area(static_cast<std::size_t>(std::max<Integer>(store->DataSize(), 0)) + 1);
  TvomRecord probe;
  probe.Data = area.data();
  const Byte* slot = store->FieldPointer(&probe, field);
  return slot == nullptr ? -1 : slot - probe.Data;
}

FieldRef ResolveField(TField* field, const TvomCommon* store) {
  FieldRef ref;
  ref.field = field;
  ref.offset = SlotOffset(field, store);
  ref.reader = ReaderFor(field->DataType());
  const Integer no = field->FieldNo();
  if (no >= 1 && no <= kvomMaxFields) {
    const Byte flags = store->FieldFlags(no);
    ref.indirect = (flags & mtffIndirect) != 0;
    // A compressed value needs the table's decompression hook.
    if ((flags & mtffCompressed) != 0) ref.reader = Reader::Generic;
  }
  // Only text can live outside the record and still be read here.
  if (ref.indirect && ref.reader != Reader::Text) ref.reader = Reader::Generic;
  ref.storage = static_cast<std::size_t>(TvomCommon::FieldDataSize(field->DataType(), field->Size()));
  ref.fixedChar = field->DataType() == ftFixedChar;
  ref.wide = field->DataType() == ftWideString;
  ref.wideLength = field->Size();
  return ref;
}

// A constant converted once to the value domain of the field it is compared
// with, so that every record compares by value exactly as the Variant rules
// would, without converting the constant again. False when the Variant rules
// would fail (or be unusual) for this pair; the comparison then stays generic.
bool ConvertForField(const FieldRef& ref, const Variant& constant, Variant& out) {
  if (IsNullish(constant) || constant.IsArray()) return false;
  const bool isText = constant.Type() == varString;
  switch (ref.reader) {
    case Reader::Generic: return false;
    case Reader::Text:
      if (!isText) return false;
      out = constant;
      return true;
    case Reader::Smallint:
    case Reader::Word:
    case Reader::Integer:
    case Reader::Largeint:
    case Reader::Float: {
      if (!isText) {
        out = constant;
        return true;
      }
      // As the Variant rules read a text against a number.
      const String text = constant.AsString();
      Int64 whole;
      double real;
      if (TryStrToInt64(text, whole)) {
        out = Variant(whole);
        return true;
      }
      if (TryStrToFloat(text, real)) {
        out = Variant(real);
        return true;
      }
      return false;
    }
    case Reader::Boolean:
    case Reader::Date:
    case Reader::Time:
    case Reader::DateTime:
      if (!isText) {
        out = constant;
        return true;
      }
      try {
        out = ref.reader == Reader::Boolean ? Variant(constant.AsBoolean())
                                            : VarFromDateTime(constant.AsDateTime());
      } catch (const Exception&) {
        return false;
      }
      return true;
  }
  return false;
}

bool ApplyRelation(TExprOperator op, TVariantRelationship rel) {
  switch (op) {
    case eoEqual: return rel == vrEqual;
    case eoNotEqual: return rel != vrEqual;
    case eoGreater: return rel == vrGreaterThan;
    case eoLess: return rel == vrLessThan;
    case eoGreaterOrEqual: return rel == vrGreaterThan || rel == vrEqual;
    case eoLessOrEqual: return rel == vrLessThan || rel == vrEqual;
    default: return false;
  }
}

TVariantRelationship Reverse(TVariantRelationship rel) {
  return rel == vrLessThan ? vrGreaterThan : rel == vrGreaterThan ? vrLessThan : rel;
}

// The relations of its operands under which a comparison `op` holds, one
// bit per TVariantRelationship; with `reversed`, for the operands swapped (a
// field on the right of its constant). Worked out once per node, so that a
// record's test is one shift.
Byte RelationsOf(TExprOperator op, bool reversed) {
  Byte bits = 0;
  for (TVariantRelationship rel : {vrEqual, vrLessThan, vrGreaterThan, vrNotEqual})
    if (ApplyRelation(op, reversed ? Reverse(rel) : rel)) bits = static_cast<Byte>(bits | (1u << rel));
  return bits;
}

bool Holds(Byte relations, TVariantRelationship rel) { return ((relations >> rel) & 1u) != 0; }

TVariantRelationship RelationOf(int c) { return c < 0 ? vrLessThan : c > 0 ? vrGreaterThan : vrEqual; }

bool IsComparison(TExprOperator op) { return op >= eoEqual && op <= eoLessOrEqual; }

// The first `count` characters (code points) of `text`.
std::string_view FirstCharacters(std::string_view text, Integer count) {
  std::size_t pos = 0;
  for (Integer i = 0; i < count && pos < text.size(); ++i) NextCodePoint(text, pos);
  return text.substr(0, pos);
}

String CutCharacters(std::string_view text, Integer count) { return String(FirstCharacters(text, count)); }

// `count` characters of `text` from character `start` (counting from 1).
String CopyCharacters(std::string_view text, Integer start, Integer count) {
  if (start < 1) start = 1;
  if (count <= 0) return String();
  std::size_t pos = 0;
  for (Integer i = 1; i < start && pos < text.size(); ++i) NextCodePoint(text, pos);
  std::size_t end = pos;
  for (Integer i = 0; i < count && end < text.size(); ++i) NextCodePoint(text, end);
  return String(text.substr(pos, end - pos));
}

Integer CharacterCount(std::string_view text) {
  Integer count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) NextCodePoint(text, pos);
  return count;
}

enum class Function : Byte {
  Invalid,
  Upper,
  Lower,
  Substring,
  Trim,
  TrimLeft,
  TrimRight,
  GetDate,
  Year,
  Month,
  Day,
  Hour,
  Minute,
  Second,
  Date,
  Time,
};

Function FunctionOf(const String& upperName) {
  static const struct {
    const char* name;
    Function function;
  } kFunctions[] = {
      {"UPPER", Function::Upper},     {"LOWER", Function::Lower},         {"SUBSTRING", Function::Substring},
      {"TRIM", Function::Trim},       {"TRIMLEFT", Function::TrimLeft},   {"TRIMRIGHT", Function::TrimRight},
      {"GETDATE", Function::GetDate}, {"YEAR", Function::Year},           {"MONTH", Function::Month},
      {"DAY", Function::Day},         {"HOUR", Function::Hour},           {"MINUTE", Function::Minute},
      {"SECOND", Function::Second},   {"DATE", Function::Date},           {"TIME", Function::Time},
  };
  for (const auto& entry : kFunctions)
    if (upperName == entry.name) return entry.function;
  return Function::Invalid;
}

// A constant made ready, once, for comparison with one field's values.
struct Comparand {
  Variant value;  // converted to the field's value domain (ConvertForField)
  String text;    // of a constant compared with a text field
  Number number;  // of a constant compared with a numeric field
};

// How a field's value and its comparands are compared.
enum class Comparison : Byte {
  Text,     // the field's raw text against `text`, ordinally
  Number,   // the field's raw number against `number` (see Number)
  Variant,  // the field's value as a Variant against `value` (Boolean fields)
};

}  // namespace

// One compiled node.
struct TvomFilterNode {
  enum class Kind : Byte {
    Raise,          // evaluating it raises `message`
    NoValue,        // a constant without the constant operator: Empty
    Constant,       // `constant`
    Field,          // `field`'s value
    IsBlankField,   // `field` is null (eoIsBlank) / not null (eoNotBlank)
    Unary,          // `op` on args[0]
    Compare,        // generic comparison args[0] `op` args[1]
    FieldConstant,  // `field` `op` comparands[0] (`relations` say when it holds)
    AndOr,          // eoAnd / eoOr
    Arithmetic,     // eoAdd .. eoRemainder
    In,             // args[0] IN args[1]
    FieldIn,        // `field` IN `comparands`
    Like,           // args[0] LIKE args[1] (mask kept when args[1] is constant)
    TextCompare,    // the case-insensitive / partial compare node
    FieldTextCompare,  // TextCompare of `field` with the constant `comparands[0]`
    Function,
    List,
  };

  Kind kind = Kind::Raise;
  TExprOperator op = eoNone;
  std::vector<std::unique_ptr<TvomFilterNode>> args;
  String message;
  Variant constant;
  std::vector<Comparand> comparands;
  Comparison comparison = Comparison::Variant;
  FieldRef field;
  // Compare, FieldConstant: RelationsOf the operator (reversed for a field
  // on the right of its constant).
  Byte relations = 0;
  bool caseInsensitive = false;
  Integer partialLength = 0;
  Function function = Function::Invalid;
  String functionName;
  // Whether the node's value is always true or false (never null), so that a
  // parent can take its truth without building a Variant.
  bool boolean = false;
  // Whether evaluating the node may raise. AND and OR skip a side that cannot
  // raise once the other side decides; one that may raise is always
  // evaluated, so that a filter fails on the same record as before.
  bool mayRaise = true;
  mutable std::optional<TMask> mask;
  mutable String scratch;
  // FieldTextCompare: the constant's text made upper case in `upperLocale`,
  // then cut to `partialLength` characters.
  mutable String upperConstant;
  mutable String upperLocale;
  mutable bool upperReady = false;
};

namespace {

using Node = TvomFilterNode;
using Kind = TvomFilterNode::Kind;

std::unique_ptr<Node> RaiseNode(const char* format, Integer number) {
  auto node = std::make_unique<Node>();
  node->kind = Kind::Raise;
  node->message = Format(format, number);
  return node;
}

std::unique_ptr<Node> Compile(const TExprNode* source, const TvomCommon* store);

std::unique_ptr<Node> CompileArg(const TExprNode* source, std::size_t i, const TvomCommon* store) {
  if (i >= source->Args.size() || !source->Args[i]) {
    auto node = std::make_unique<Node>();
    node->kind = Kind::NoValue;
    return node;
  }
  return Compile(source->Args[i].get(), store);
}

bool IsDirectField(const Node& node) { return node.kind == Kind::Field && node.field.reader != Reader::Generic; }

// How `field` compares with its converted constants; Variant when a numeric
// field meets a constant that does not compare as a Number.
Comparison ComparisonFor(const FieldRef& field, std::vector<Comparand>& comparands) {
  if (field.reader == Reader::Text) {
    for (Comparand& c : comparands) c.text = c.value.AsString();
    return Comparison::Text;
  }
  if (!field.IsNumeric()) return Comparison::Variant;
  for (Comparand& c : comparands)
    if (!NumberOfConstant(c.value, c.number)) return Comparison::Variant;
  return Comparison::Number;
}

std::unique_ptr<Node> CompileConstant(const TExprNode* source) {
  auto node = std::make_unique<Node>();
  if (source->Operator != eoConstant) {
    node->kind = Kind::NoValue;
    return node;
  }
  if (source->Value.IsNull()) {
    node->kind = Kind::Constant;
    node->constant = Null();
    return node;
  }
  switch (source->DataType) {
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
    case ftBoolean:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftBCD:
    case ftFMTBcd:
      node->kind = Kind::Constant;
      node->constant = source->Value;
      return node;
    default: return RaiseNode(SvomUnknownFieldType, source->DataType);
  }
}

std::unique_ptr<Node> CompileUnary(const TExprNode* source, const TvomCommon* store) {
  auto node = std::make_unique<Node>();
  node->op = source->Operator;
  node->args.push_back(CompileArg(source, 0, store));
  switch (source->Operator) {
    case eoIsBlank:
    case eoNotBlank:
      node->boolean = true;
      if (node->args[0]->kind == Kind::Field) {
        node->kind = Kind::IsBlankField;
        node->field = node->args[0]->field;
        node->args.clear();
      } else {
        node->kind = Kind::Unary;
      }
      return node;
    case eoNot:
      node->kind = Kind::Unary;
      node->boolean = node->args[0]->boolean;
      return node;
    case eoMinus:
    case eoUpper:
    case eoLower: node->kind = Kind::Unary; return node;
    default: return RaiseNode(SvomOperatorNotSupported, source->Operator);
  }
}

std::unique_ptr<Node> CompileBinary(const TExprNode* source, const TvomCommon* store) {
  auto node = std::make_unique<Node>();
  node->op = source->Operator;
  node->args.push_back(CompileArg(source, 0, store));
  node->args.push_back(CompileArg(source, 1, store));
  Node& left = *node->args[0];
  Node& right = *node->args[1];
  if (IsComparison(source->Operator)) {
    node->kind = Kind::Compare;
    node->boolean = true;
    node->relations = RelationsOf(source->Operator, false);
    // A field against a constant: convert the constant once.
    Node* fieldSide = IsDirectField(left) ? &left : IsDirectField(right) ? &right : nullptr;
    Node* constSide = fieldSide == &left ? &right : &left;
    Comparand comparand;
    if (fieldSide && constSide->kind == Kind::Constant &&
        ConvertForField(fieldSide->field, constSide->constant, comparand.value)) {
      node->kind = Kind::FieldConstant;
      node->field = fieldSide->field;
      node->comparands.push_back(std::move(comparand));
      node->comparison = ComparisonFor(node->field, node->comparands);
      node->relations = RelationsOf(source->Operator, fieldSide == &right);
      node->args.clear();
    }
    return node;
  }
  switch (source->Operator) {
    case eoAnd:
    case eoOr: node->kind = Kind::AndOr; node->boolean = true; return node;
    case eoAdd:
    case eoSubtract:
    case eoMultiply:
    case eoDivide:
    case eoModulo:
    case eoRemainder: node->kind = Kind::Arithmetic; return node;
    case eoLike: node->kind = Kind::Like; node->boolean = true; return node;
    case eoIn: {
      node->kind = Kind::In;
      node->boolean = true;
      if (!IsDirectField(left)) return node;
      // A field IN a list of constants.
      std::vector<const Node*> elements;
      if (right.kind == Kind::List) {
        for (const auto& element : right.args) elements.push_back(element.get());
      } else {
        elements.push_back(&right);
      }
      std::vector<Comparand> comparands;
      for (const Node* element : elements) {
        Comparand comparand;
        if (element->kind != Kind::Constant || !ConvertForField(left.field, element->constant, comparand.value))
          return node;
        comparands.push_back(std::move(comparand));
      }
      node->kind = Kind::FieldIn;
      node->field = left.field;
      node->comparison = ComparisonFor(node->field, comparands);
      node->comparands = std::move(comparands);
      node->args.clear();
      return node;
    }
    default: return RaiseNode(SvomOperatorNotSupported, source->Operator);
  }
}

// A compare node of a text field with a text constant reads the field's
// bytes, and prepares the constant's side (upper-cased, cut) once instead of
// per record. For = and <> either side may be the field (the test is
// symmetric); for LIKE the constant must be the mask.
void SpecialiseTextCompare(Node& node) {
  Node& left = *node.args[0];
  Node& right = *node.args[1];
  auto isTextField = [](const Node& n) { return n.kind == Kind::Field && n.field.reader == Reader::Text; };
  Node* fieldSide = isTextField(left) ? &left : node.op != eoLike && isTextField(right) ? &right : nullptr;
  if (fieldSide == nullptr) return;
  const Node& constSide = fieldSide == &left ? right : left;
  if (constSide.kind != Kind::Constant || constSide.constant.Type() != varString) return;
  node.kind = Kind::FieldTextCompare;
  node.field = fieldSide->field;
  node.comparands.push_back(Comparand{constSide.constant, constSide.constant.AsString(), Number()});
  if (!node.caseInsensitive) {
    // Without case mapping the prepared side never changes.
    node.upperConstant = node.partialLength > 0 ? CutCharacters(node.comparands[0].text, node.partialLength)
                                                : node.comparands[0].text;
    node.upperReady = true;
  }
  node.args.clear();
}

// Whether evaluating `node` (whose arguments are compiled) may raise.
bool MayRaise(const Node& node) {
  switch (node.kind) {
    case Kind::NoValue:
    case Kind::Constant:
    case Kind::IsBlankField: return false;
    case Kind::Field: return node.field.reader == Reader::Generic;
    case Kind::FieldConstant:
    case Kind::FieldIn: return node.comparison == Comparison::Variant;
    case Kind::FieldTextCompare: return node.op == eoLike;  // an invalid mask
    case Kind::AndOr: return !node.args[0]->boolean || !node.args[1]->boolean || node.args[0]->mayRaise ||
                             node.args[1]->mayRaise;
    case Kind::Unary:
      if (node.op == eoIsBlank || node.op == eoNotBlank || (node.op == eoNot && node.boolean))
        return node.args[0]->mayRaise;
      return true;
    default: return true;
  }
}

std::unique_ptr<Node> CompileNode(const TExprNode* source, const TvomCommon* store);

std::unique_ptr<Node> Compile(const TExprNode* source, const TvomCommon* store) {
  std::unique_ptr<Node> node = CompileNode(source, store);
  node->mayRaise = MayRaise(*node);
  return node;
}

std::unique_ptr<Node> CompileNode(const TExprNode* source, const TvomCommon* store) {
  switch (source->NodeClass) {
    case ncField: {
      if (source->Operator != eoField) return RaiseNode(SvomUnknownOperator, source->Operator);
      auto node = std::make_unique<Node>();
      node->kind = Kind::Field;
      node->field = ResolveField(source->Field, store);
      return node;
    }
    case ncConstant: return CompileConstant(source);
    case ncUnary: return CompileUnary(source, store);
    case ncBinary: return CompileBinary(source, store);
    case ncCompare: {
      if (source->Operator != eoEqual && source->Operator != eoNotEqual && source->Operator != eoLike)
        return RaiseNode(SvomOperatorNotSupported, source->Operator);
      auto node = std::make_unique<Node>();
      node->kind = Kind::TextCompare;
      node->op = source->Operator;
      node->boolean = true;
      node->caseInsensitive = source->CaseInsensitive;
      // Only = and <> compare leading characters; LIKE matches its whole mask.
      node->partialLength = source->Operator == eoLike ? 0 : source->PartialLength;
      node->args.push_back(CompileArg(source, 0, store));
      node->args.push_back(CompileArg(source, 1, store));
      SpecialiseTextCompare(*node);
      return node;
    }
    case ncFunction: {
      auto node = std::make_unique<Node>();
      node->kind = Kind::Function;
      node->functionName = AnsiUpperCase(source->FunctionName);
      node->function = FunctionOf(node->functionName);
      if (!source->Args.empty()) node->args.push_back(Compile(source->Args[0].get(), store));
      return node;
    }
    case ncListElement: {
      if (source->Operator != eoListElement) return RaiseNode(SvomOperatorNotSupported, source->Operator);
      auto node = std::make_unique<Node>();
      node->kind = Kind::List;
      for (std::size_t i = 0; i < source->Args.size(); ++i) node->args.push_back(CompileArg(source, i, store));
      return node;
    }
    default: return RaiseNode(SvomClassOutOfRange, source->NodeClass);
  }
}

// --- evaluation ----------------------------------------------------------------

Variant Evaluate(const Node& node, const TvomRecord* record);
bool Truth(const Node& node, const TvomRecord* record);

// FieldConstant: whether the comparison holds; FieldIn: whether the value
// equals one of the constants. `relationTo(c)` is the relation of the
// field's value to comparand `c`.
template <class Relation>
bool FieldComparisonHolds(const Node& node, Relation relationTo) {
  if (node.kind == Kind::FieldConstant) return Holds(node.relations, relationTo(node.comparands[0]));
  for (const Comparand& c : node.comparands)
    if (relationTo(c) == vrEqual) return true;
  return false;
}

// FieldComparisonHolds on the record's bytes, for Number comparisons. False
// when the field is null.
bool NumberComparisonHolds(const Node& node, const TvomRecord* record) {
  Number value;
  if (!node.field.ReadNumber(record, value)) return false;
  return FieldComparisonHolds(node, [&](const Comparand& c) { return CompareNumbers(value, c.number); });
}

// The same for Text comparisons. Kept out of Truth, whose every call would
// otherwise pay for the registers that reading a text takes.
[[gnu::noinline]] bool TextComparisonHolds(const Node& node, const TvomRecord* record) {
  std::string_view text;
  if (!node.field.ReadText(record, text, node.scratch)) return false;
  return FieldComparisonHolds(node, [&](const Comparand& c) { return RelationOf(CompareStr(text, c.text)); });
}

// FieldComparisonHolds by the Variant rules (Variant comparisons).
bool VariantComparisonHolds(const Node& node, const TvomRecord* record) {
  Variant value;
  if (!node.field.ReadScalar(record, value)) return false;
  return FieldComparisonHolds(node, [&](const Comparand& c) { return VarCompareValue(value, c.value); });
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
    case eoEqual: return a == b;
    case eoNotEqual: return a != b;
    default: return MatchesMask(a, b);
  }
}

// The constant's side of a FieldTextCompare: for a case-insensitive compare,
// made upper case again when the process locale has changed since.
const String& PreparedConstant(const Node& node) {
  if (!node.caseInsensitive) return node.upperConstant;
  String locale = ProcessCaseLocale();
  if (!node.upperReady || locale != node.upperLocale) {
    node.upperConstant = AnsiUpperCase(node.comparands[0].text);
    if (node.partialLength > 0) node.upperConstant = CutCharacters(node.upperConstant, node.partialLength);
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
    case eoEqual: return text == constant;
    case eoNotEqual: return text != constant;
    default:
      if (!node.mask) node.mask.emplace(constant);
      return node.mask->Matches(text);
  }
}

[[noreturn]] void InvalidParameter(const Node& node) {
  throw EMemTableFilterError(Format(SvomInvalidParameter, node.functionName));
}

// Element `i` of a function's argument list, or Empty when missing.
Variant ListItem(const Variant& args, Integer i) {
  if (!args.IsArray()) return i == 0 ? args : Variant();
  const Integer at = VarArrayLowBound(args, 1) + i;
  return at <= VarArrayHighBound(args, 1) ? args[at] : Variant();
}

// The text and format of DATE(text, format) / TIME(text, format).
TDateTime ParseWithFormat(const Node& node, const Variant& args, bool date) {
  const Variant text = ListItem(args, 0), format = ListItem(args, 1);
  if (IsNullish(format) || text.IsEmpty()) InvalidParameter(node);
  TFormatSettingsGuard guard;
  if (date) {
    FormatSettings().ShortDateFormat = format.AsString();
    return StrToDate(text.AsString());
  }
  FormatSettings().ShortTimeFormat = format.AsString();
  return StrToTime(text.AsString());
}

Variant Substring(const Node& node, const Variant& args) {
  if (!args.IsArray()) InvalidParameter(node);
  const Variant text = ListItem(args, 0), start = ListItem(args, 1), length = ListItem(args, 2);
  if (text.IsNull()) return Null();
  if (IsNullish(start)) InvalidParameter(node);
  const String startText = Trim(start.AsString());
  const std::size_t comma = startText.find(',');
  Integer from, count = 0;
  if (!TryStrToInt(Trim(startText.substr(0, comma)), from)) InvalidParameter(node);
  if (!IsNullish(length)) {
    try {
      count = length.AsInteger();
    } catch (const Exception&) {
      InvalidParameter(node);
    }
  }
  const String value = text.AsString();
  if (count == 0) {
    if (comma == String::npos || !TryStrToInt(Trim(startText.substr(comma + 1)), count))
      count = CharacterCount(value);
  }
  return Variant(CopyCharacters(value, from, count));
}

Variant EvaluateFunction(const Node& node, const TvomRecord* record) {
  if (node.function == Function::Invalid) throw EMemTableFilterError(Format(SvomInvalidFunction, node.functionName));
  const bool hasArg = !node.args.empty();
  const Variant arg = hasArg ? Evaluate(*node.args[0], record) : Variant();
  if (node.function == Function::GetDate) return VarFromDateTime(Now());
  if (!hasArg && (node.function == Function::Substring || node.function == Function::Date ||
                  node.function == Function::Time))
    InvalidParameter(node);
  // A null argument gives null; DATE and TIME included, so that a row with
  // a null date is refused instead of stopping the browse with an error.
  if (IsNullish(arg)) return Null();
  switch (node.function) {
    case Function::Upper: return Variant(UpperCase(arg.AsString()));
    case Function::Lower: return Variant(LowerCase(arg.AsString()));
    case Function::Substring: return Substring(node, arg);
    case Function::Trim: return Variant(Trim(arg.AsString()));
    case Function::TrimLeft: return Variant(TrimLeft(arg.AsString()));
    case Function::TrimRight: return Variant(TrimRight(arg.AsString()));
    case Function::Year:
    case Function::Month:
    case Function::Day: {
      Word year, month, day;
      DecodeDate(arg.AsDateTime(), year, month, day);
      return Variant(static_cast<Integer>(node.function == Function::Year    ? year
                                          : node.function == Function::Month ? month
                                                                             : day));
    }
    case Function::Hour:
    case Function::Minute:
    case Function::Second: {
      Word hour, minute, second, msec;
      DecodeTime(arg.AsDateTime(), hour, minute, second, msec);
      return Variant(static_cast<Integer>(node.function == Function::Hour     ? hour
                                          : node.function == Function::Minute ? minute
                                                                              : second));
    }
    case Function::Date:
      if (arg.IsArray()) {
        if (ListItem(arg, 0).IsNull()) return Null();
        return VarFromDateTime(ParseWithFormat(node, arg, true));
      }
      return Variant(static_cast<Integer>(std::trunc(arg.AsDateTime())));
    case Function::Time: {
      if (arg.IsArray()) {
        if (ListItem(arg, 0).IsNull()) return Null();
        return VarFromDateTime(ParseWithFormat(node, arg, false));
      }
      const double value = arg.AsDateTime();
      return Variant(value - std::trunc(value));
    }
    case Function::GetDate:
    case Function::Invalid: break;
  }
  return Null();
}

Variant EvaluateUnary(const Node& node, const TvomRecord* record) {
  const Variant value = Evaluate(*node.args[0], record);
  switch (node.op) {
    case eoIsBlank: return Variant(IsNullish(value));
    case eoNotBlank: return Variant(!IsNullish(value));
    case eoNot: return IsNullish(value) ? Null() : Variant(!value.AsBoolean());
    case eoMinus: return IsNullish(value) ? Null() : -value;
    case eoUpper: return IsNullish(value) ? Null() : Variant(UpperCase(value.AsString()));
    case eoLower: return IsNullish(value) ? Null() : Variant(LowerCase(value.AsString()));
    default: return Null();
  }
}

Variant EvaluateArithmetic(const Node& node, const TvomRecord* record) {
  const Variant a = Evaluate(*node.args[0], record);
  const Variant b = Evaluate(*node.args[1], record);
  if (IsNullish(a) || IsNullish(b)) return Null();
  switch (node.op) {
    case eoAdd: return a + b;
    case eoSubtract: return a - b;
    case eoMultiply: return a * b;
    case eoDivide: return a / b;
    default: return a % b;  // modulo and remainder are the same
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

// The value of a node that is always true or false. The shapes that browsing
// filters are made of are tested here on the record's bytes; the others, which
// build Variants, in TruthOfOthers (kept apart so that this test of every
// record stays a small function).
bool Truth(const Node& node, const TvomRecord* record) {
  switch (node.kind) {
    case Kind::IsBlankField: return node.field.IsNull(record) == (node.op == eoIsBlank);
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
    default: break;
  }
  return TruthOfOthers(node, record);
}

[[gnu::noinline]] bool TruthOfOthers(const Node& node, const TvomRecord* record) {
  switch (node.kind) {
    case Kind::FieldConstant:
    case Kind::FieldIn: return VariantComparisonHolds(node, record);
    case Kind::Compare: {
      const Variant a = Evaluate(*node.args[0], record);
      const Variant b = Evaluate(*node.args[1], record);
      if (IsNullish(a) || IsNullish(b)) return false;
      return Holds(node.relations, VarCompareValue(a, b));
    }
    case Kind::AndOr: return EvaluateAndOr(node, record);
    case Kind::In: return EvaluateIn(node, record);
    case Kind::Like: return EvaluateLike(node, record);
    case Kind::TextCompare: return EvaluateTextCompare(node, record);
    case Kind::FieldTextCompare: return EvaluateFieldTextCompare(node, record);
    case Kind::Unary:
      if (node.op == eoIsBlank || node.op == eoNotBlank)
        return IsNullish(Evaluate(*node.args[0], record)) == (node.op == eoIsBlank);
      break;
    default: break;
  }
  // Only nodes that are not always Boolean get here (Evaluate of a Boolean
  // node comes back to Truth).
  const Variant value = Evaluate(node, record);
  return !IsNullish(value) && value.AsBoolean();
}

Variant Evaluate(const Node& node, const TvomRecord* record) {
  if (node.boolean) return Variant(Truth(node, record));
  switch (node.kind) {
    case Kind::Raise: throw EMemTableFilterError(node.message);
    case Kind::NoValue: return Variant();
    case Kind::Constant: return node.constant;
    case Kind::Field: return node.field.Value(record, node.scratch);
    case Kind::Unary: return EvaluateUnary(node, record);
    case Kind::Arithmetic: return EvaluateArithmetic(node, record);
    case Kind::Function: return EvaluateFunction(node, record);
    case Kind::List: return ListValue(node, record);
    default: return Variant(Truth(node, record));
  }
}

}  // namespace

const TFieldTypeMap& FilterFieldTypeMap() {
  static const TFieldTypeMap map = [] {
    TFieldTypeMap m = IdentityFieldTypeMap();
    m[ftCurrency] = ftFloat;
    m[ftAutoInc] = ftInteger;
    for (int t = ftBlob; t <= ftTypedBinary; ++t) m[static_cast<std::size_t>(t)] = ftBlob;
    m[ftOraBlob] = ftBlob;
    m[ftOraClob] = ftBlob;
    m[ftFixedChar] = ftString;
    for (TFieldType t : {ftCursor, ftReference, ftDataSet, ftVariant, ftInterface, ftIDispatch}) m[t] = ftUnknown;
    return m;
  }();
  return map;
}

TvomFilterEvaluator::TvomFilterEvaluator(const TExprNode* root, const TvomCommon* store)
    : root_(Compile(root, store)) {}

TvomFilterEvaluator::~TvomFilterEvaluator() = default;

Variant TvomFilterEvaluator::Value(const TvomRecord* record) const { return Evaluate(*root_, record); }

bool TvomFilterEvaluator::Accepts(const TvomRecord* record) const { return Truth(*root_, record); }

TvomCompiledFilter::TvomCompiledFilter(TDataSet* table, const TvomCommon* store, const String& text,
                                       TFilterOptions options)
    : parser_(table, text, options, FilterFieldTypeMap()), evaluator_(parser_.Root(), store) {}

std::unique_ptr<TvomCompiledFilter> CompileFilter(TDataSet* table, const TvomCommon* store, const String& text,
                                                  TFilterOptions options) {
  const String trimmed = Trim(text);
  if (trimmed.empty()) return nullptr;
  return std::make_unique<TvomCompiledFilter>(table, store, trimmed, options);
}
