// memtable/FilterEvaluator.h
//
// The memory table's filter: the dataset's Filter text, parsed by the
// dataset model's TExprParser, and evaluated for one record of the store at
// a time.
//
// Evaluation rules (the value of a node is a Variant; "null" means Null or
// Empty):
//   - a comparison (= <> < > <= >=) with a null operand is false; so are AND
//     and OR when either side is null, and LIKE and IN with a null side.
//     NOT of null is null, NOT of false is true;
//   - arithmetic with a null operand is null; "+" of texts concatenates;
//   - IS NULL / IS NOT NULL test for null;
//   - otherwise the dataset model's Variant comparison and arithmetic apply,
//     so an integer field compares with a numeric text constant by value;
//   - the final value is converted to Boolean; null counts as false.
// Function names: UPPER, LOWER, SUBSTRING, TRIM, TRIMLEFT, TRIMRIGHT,
// GETDATE, YEAR, MONTH, DAY, HOUR, MINUTE, SECOND, DATE, TIME. A null
// argument gives null for all of them (GETDATE takes none).
// Errors are EMemTableFilterError ("Unknown operator (%d)", "Operator not
// supported (%d).", "Unknown fieldtype (%d)", "iClass Out of range (%d)",
// "Invalid function name %s", "Invalid or missing parameter for function
// %s"), raised while records are tested, plus the Variant conversion errors.
//
// Speed: the tree is compiled once. Fields are resolved to their place in
// the store's record layout, and the shapes that browsing filters are made
// of (a field IS NULL, a field compared with a constant, a field IN a list
// of constants, a field LIKE a constant, the case-insensitive or partial
// compare of a text field with a text) read the record's bytes directly and
// compare them with a constant converted once to the field's value domain:
// numbers as integers or doubles, texts as bytes, without Variants. AND and
// OR skip a side that cannot raise once the other side decides. Other
// shapes build Variants, reading fields through the table (TField::AsVariant
// in its filter state) where the record's bytes cannot be read here.
//
// A compiled filter describes one layout of one store: compile it again
// after the table reopens (its fields are recreated then).
// Not thread-safe; it runs under the table's store lock.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "platform/data/FieldTypes.h"
#include "platform/data/FilterParser.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TField;
class TvomCommon;
struct TvomRecord;
struct TvomFilterNode;

// The field-type map the parser gets: identity but for ftCurrency -> ftFloat,
// ftAutoInc -> ftInteger, the blob types ftBlob .. ftTypedBinary and ftOraBlob,
// ftOraClob -> ftBlob, ftFixedChar -> ftString, and the types a filter cannot
// read (ftCursor, ftReference, ftDataSet, ftVariant, ftInterface,
// ftIDispatch) -> ftUnknown.
const TFieldTypeMap& FilterFieldTypeMap();

// A field equal to a whole number, which every record that a filter
// accepts satisfies (see TvomFilterEvaluator::KeyTerm): what lets a walk
// visit only the records holding that number.
class TvomKeyTerm {
 public:
  enum class Width : Byte { Smallint, Word, Int32, Largeint };

  TvomKeyTerm(std::ptrdiff_t offset, Width width, Int64 value)
      : offset_(offset), width_(width), value_(value) {}
  // The term of `field` (its value 0) in the records of `store`, when it is
  // an integer data field held in the record.
  static std::optional<TvomKeyTerm> OfField(TField* field, const TvomCommon* store);
  // The same field with the value it holds in `key`; `isNull` says whether
  // it holds none.
  TvomKeyTerm WithValueOf(const TvomRecord* key, bool& isNull) const;

  Int64 Value() const { return value_; }
  // Whether `other` reads the same field of the same layout.
  bool SameField(const TvomKeyTerm& other) const {
    return offset_ == other.offset_ && width_ == other.width_;
  }
  // The field's value in `record`; false when it is null.
  bool Read(const TvomRecord* record, Int64& value) const;

 private:
  std::ptrdiff_t offset_;  // of the field's slot from the start of a record's data
  Width width_;
  Int64 value_;
};

class TvomFilterEvaluator {
 public:
  // Compiles the tree below `root` for records of `store` (laid out).
  // `root` and the fields it names must outlive the evaluator.
  TvomFilterEvaluator(const TExprNode* root, const TvomCommon* store);
  ~TvomFilterEvaluator();
  TvomFilterEvaluator(const TvomFilterEvaluator&) = delete;
  TvomFilterEvaluator& operator=(const TvomFilterEvaluator&) = delete;

  // The expression's value for `record`. REQUIRES: the dataset of the fields
  // shows `record` to field reads (the table's filter state with `record` as
  // its override record), for the shapes that read through the fields.
  Variant Value(const TvomRecord* record) const;
  // Value converted to Boolean, null counting as false.
  bool Accepts(const TvomRecord* record) const;
  // A key term that every accepted record satisfies, taken from the
  // conditions joined by AND at the top, when the filter can never raise
  // (so that a walk may skip the records that fail it without testing
  // them); none otherwise.
  std::optional<TvomKeyTerm> KeyTerm() const;

 private:
  std::unique_ptr<TvomFilterNode> root_;
};

// A parsed and compiled filter text: what a table keeps while its Filter is set.
class TvomCompiledFilter {
 public:
  // Parses `text` for `table`'s fields with `options` (the parser raises on
  // a syntax error or an unknown field) and compiles it for `store`.
  TvomCompiledFilter(TDataSet* table, const TvomCommon* store, const String& text,
                     TFilterOptions options);

  const TExprParser& Parser() const { return parser_; }
  bool Accepts(const TvomRecord* record) const { return evaluator_.Accepts(record); }
  Variant Value(const TvomRecord* record) const { return evaluator_.Value(record); }
  const std::optional<TvomKeyTerm>& KeyTerm() const { return key_term_; }

 private:
  TExprParser parser_;
  TvomFilterEvaluator evaluator_;
  std::optional<TvomKeyTerm> key_term_;
};

// The compiled filter of `text` trimmed of leading and trailing characters
// up to the blank, or nullptr when nothing remains.
std::unique_ptr<TvomCompiledFilter> CompileFilter(TDataSet* table, const TvomCommon* store,
                                                  const String& text, TFilterOptions options);
