// memtable/FilterNodes.h
//
// The compiled form of a table's filter, shared by the compiler
// (FilterCompiler.cpp), the field readers (FilterFields.cpp), the built-in
// functions (FilterFunctions.cpp) and the evaluator (FilterEvaluator.cpp).
// Internal to the engine: the public face is FilterEvaluator.h.
//
// A field is read straight from a record's bytes where its type allows
// (FieldRef), and a constant compared with it is converted once, at
// compile time, to the field's value domain (Comparand), so that the test
// of one record builds no Variant in the common forms.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "memtable/LengthBuffer.h"
#include "memtable/Record.h"
#include "memtable/RecordStore.h"
#include "platform/data/DateTimeFields.h"
#include "platform/data/Field.h"
#include "platform/data/FieldTypes.h"
#include "platform/data/FilterParser.h"
#include "platform/data/StringFields.h"
#include "platform/rtl/Masks.h"
#include "platform/rtl/Unicode.h"
#include "platform/rtl/Variant.h"

namespace filter_detail {

inline bool IsNullish(const Variant& v) {
  return v.IsNull() || v.IsEmpty();
}

// How a field's value is read from a record.
enum class Reader : Byte {
  Generic,  // through the field (the table shows the record)
  Text,     // ftString, ftFixedChar, ftGuid: zero-terminated bytes; ftWideString: UTF-16
  Smallint,
  Word,
  Int32,  // ftInteger
  Largeint,
  Boolean,
  Float,  // ftFloat, ftCurrency: doubles
  Date,
  Time,
  DateTime,
};

Reader ReaderFor(TFieldType type);

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

inline TVariantRelationship CompareNumbers(const Number& a, const Number& b) {
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
bool NumberOfConstant(const Variant& constant, Number& out);

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
      case Reader::Smallint:
        out = Number::Whole(ReadValue<SmallInt>(at));
        break;
      case Reader::Word:
        out = Number::Whole(ReadValue<Word>(at));
        break;
      case Reader::Int32:
        out = Number::Whole(ReadValue<Integer>(at));
        break;
      case Reader::Largeint:
        out = Number::Whole(ReadValue<Int64>(at));
        break;
      case Reader::Float:
        out = Number::Real(ReadValue<double>(at));
        break;
      case Reader::Date:
        out = Number::Real(NativeDateToDateTime(ReadValue<Integer>(at)));
        break;
      case Reader::Time:
        out = Number::Real(NativeTimeToDateTime(ReadValue<Integer>(at)));
        break;
      case Reader::DateTime:
        out = Number::Real(NativeDateTimeToDateTime(ReadValue<double>(at)));
        break;
      case Reader::Boolean:
      case Reader::Text:
      case Reader::Generic:
        return false;
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
      case Reader::Largeint:
        out = Variant(n.whole);
        break;
      case Reader::Float:
        out = Variant(n.value);
        break;
      case Reader::Date:
      case Reader::Time:
      case Reader::DateTime:
        out = VarFromDateTime(n.value);
        break;
      default:
        out = Variant(static_cast<Integer>(n.whole));
        break;
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

// Where `field` lies in the records of `store` (see FilterFields.cpp).
FieldRef ResolveField(TField* field, const TvomCommon* store);

// A constant converted once to the value domain of the field it is compared
// with (see FilterFields.cpp); false when the comparison stays generic.
bool ConvertForField(const FieldRef& ref, const Variant& constant, Variant& out);

inline bool Holds(Byte relations, TVariantRelationship rel) {
  return ((relations >> rel) & 1u) != 0;
}

inline TVariantRelationship RelationOf(int c) {
  return c < 0 ? vrLessThan : c > 0 ? vrGreaterThan : vrEqual;
}

inline bool IsComparison(TExprOperator op) {
  return op >= eoEqual && op <= eoLessOrEqual;
}

// The first `count` characters (code points) of `text`, and the same as a String.
std::string_view FirstCharacters(std::string_view text, Integer count);
String CutCharacters(std::string_view text, Integer count);

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

// The built-in function of an upper-case name; Invalid when there is none.
Function FunctionOf(const String& upperName);

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

}  // namespace filter_detail

// One compiled node.
struct TvomFilterNode {
  enum class Kind : Byte {
    Raise,             // evaluating it raises `message`
    NoValue,           // a constant without the constant operator: Empty
    Constant,          // `constant`
    Field,             // `field`'s value
    IsBlankField,      // `field` is null (eoIsBlank) / not null (eoNotBlank)
    Unary,             // `op` on args[0]
    Compare,           // generic comparison args[0] `op` args[1]
    FieldConstant,     // `field` `op` comparands[0] (`relations` say when it holds)
    AndOr,             // eoAnd / eoOr
    Arithmetic,        // eoAdd .. eoRemainder
    In,                // args[0] IN args[1]
    FieldIn,           // `field` IN `comparands`
    Like,              // args[0] LIKE args[1] (mask kept when args[1] is constant)
    TextCompare,       // the case-insensitive / partial compare node
    FieldTextCompare,  // TextCompare of `field` with the constant `comparands[0]`
    Function,
    List,
  };

  Kind kind = Kind::Raise;
  TExprOperator op = eoNone;
  std::vector<std::unique_ptr<TvomFilterNode>> args;
  String message;
  Variant constant;
  std::vector<filter_detail::Comparand> comparands;
  filter_detail::Comparison comparison = filter_detail::Comparison::Variant;
  filter_detail::FieldRef field;
  // Compare, FieldConstant: RelationsOf the operator (reversed for a field
  // on the right of its constant).
  Byte relations = 0;
  bool caseInsensitive = false;
  Integer partialLength = 0;
  filter_detail::Function function = filter_detail::Function::Invalid;
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

namespace filter_detail {

using Node = TvomFilterNode;
using Kind = TvomFilterNode::Kind;

// The compiler, the evaluator and the built-in functions.
std::unique_ptr<Node> Compile(const TExprNode* source, const TvomCommon* store);
Variant Evaluate(const Node& node, const TvomRecord* record);
bool Truth(const Node& node, const TvomRecord* record);
Variant EvaluateFunction(const Node& node, const TvomRecord* record);

}  // namespace filter_detail
