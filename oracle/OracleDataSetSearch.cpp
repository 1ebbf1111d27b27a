// oracle/OracleDataSetSearch.cpp
//
// Searching the fetched records, fetching further rows when the search runs
// past them, and the dataset model's Locate and Lookup built on it.
#include <cmath>

#include "oracle/OracleDataSet.h"
#include "oracle/PatternMatch.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringUtils.h"

namespace {

// How one searched value is compared.
enum TSearchKind { skNull, skInteger, skFloat, skDateTime, skText };

bool Has(TSearchRecordOptions options, TSearchRecordOption option) {
  return (options & option) != 0;
}

bool InvalidOptions(TSearchRecordOptions o) {
  return (Has(o, srFromBeginning) && (Has(o, srFromEnd) || Has(o, srFromCurrent))) ||
         (Has(o, srFromEnd) && Has(o, srFromCurrent)) ||
         (Has(o, srForward) && Has(o, srBackward)) || (Has(o, srForward) && Has(o, srFromEnd)) ||
         (Has(o, srBackward) && Has(o, srFromBeginning));
}

String SearchedText(const Variant& value, TSearchRecordOptions options) {
  String text = TrimRight(value.AsString());
  return Has(options, srIgnoreCase) ? AnsiUpperCase(text) : text;
}

bool FieldIsEmpty(const TField* field) {
  return field->IsNull() || (!field->IsBlob() && field->AsString().empty());
}

}  // namespace

bool TOracleDataSet::MatchesSearch(TRecordBuffer record, const std::vector<TField*>& fields,
                                   const std::vector<Variant>& values,
                                   const std::vector<String>& texts, const std::vector<int>& kinds,
                                   TSearchRecordOptions options, const String& rowid) {
  if (!rowid.empty() || fields.empty()) return OracleRecord::RowId(record) == rowid;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const TField* field = fields[i];
    const Variant& value = values[i];
    switch (kinds[i]) {
      case skNull:
        if (!FieldIsEmpty(field)) return false;
        break;
      case skInteger:
        if (field->IsNull() || field->AsInteger() != value.AsInteger()) return false;
        break;
      case skFloat:
        if (field->IsNull() || field->AsFloat() != value.AsDouble()) return false;
        break;
      case skDateTime: {
        if (field->IsNull()) return false;
        double have = double(field->AsDateTime());
        if (Has(options, srIgnoreTime)) have = std::trunc(have);
        if (have != value.AsDouble()) return false;
        break;
      }
      default: {
        if (field->IsNull()) return false;
        const String& wanted = texts[i];
        String have = TrimRight(field->AsString());
        if (Has(options, srIgnoreCase)) have = AnsiUpperCase(have);
        if (Has(options, srPartialKey) && have.size() > wanted.size()) have.resize(wanted.size());
        if (Has(options, srWildcards) ? !OracleFilter::MatchPattern(have, wanted) : have != wanted)
          return false;
      }
    }
  }
  return true;
}

bool TOracleDataSet::SearchRecord(const String& FieldNames, const Variant& Values,
                                  TSearchRecordOptions Options) {
  CheckActive();
  CheckBrowseMode();
  if (InvalidOptions(Options)) throw Exception(Name() + ".SearchRecord options invalid");
  std::vector<TField*> fields;
  const bool byRowId = SameText(FieldNames, "ROWID");
  if (byRowId) {
    if (RowIdColumn(FetchQuery()) < 0)
      throw Exception("You cannot search a rowid if it is not included in the select list");
  } else {
    GetFieldList(fields, FieldNames);
  }
  const std::size_t wanted = byRowId ? 1 : fields.size();
  const std::size_t given =
      Values.IsArray() ? std::size_t(VarArrayHighBound(Values, 1) - VarArrayLowBound(Values, 1) + 1)
                       : 1;
  if (given != wanted)
    throw Exception(Name() + ".SearchRecord: number of fields and values do not match");

  // Each value once, in the form its comparison needs.
  std::vector<Variant> values;
  std::vector<String> texts;
  std::vector<int> kinds;
  String rowid;
  const bool asText = Has(Options, srWildcards) || Has(Options, srPartialKey);
  bool calculated = false;
  for (std::size_t i = 0; i < wanted; ++i) {
    const Variant value =
        Values.IsArray() ? VarArrayGet(Values, {VarArrayLowBound(Values, 1) + Integer(i)}) : Values;
    if (byRowId) {
      rowid = value.AsString();
      continue;
    }
    TField* field = fields[i];
    texts.emplace_back();
    calculated = calculated || field->Calculated() || field->Lookup();
    if (value.IsNull() || value.IsEmpty()) {
      values.push_back(Variant()), kinds.push_back(skNull);
      continue;
    }
    switch (asText ? ftString : field->DataType()) {
      case ftSmallint:
      case ftInteger:
      case ftWord:
        values.push_back(value.AsInteger()), kinds.push_back(skInteger);
        break;
      case ftFloat:
      case ftCurrency:
      case ftBCD:
        values.push_back(value.AsDouble()), kinds.push_back(skFloat);
        break;
      case ftDate:
      case ftTime:
      case ftDateTime: {
        double day =
            value.Type() == varString ? double(StrToDateTime(value.AsString())) : value.AsDouble();
        if (Has(Options, srIgnoreTime)) day = std::trunc(day);
        values.push_back(day), kinds.push_back(skDateTime);
        break;
      }
      default: {
        const String text = SearchedText(value, Options);
        texts.back() = text;
        values.push_back(text), kinds.push_back(text.empty() ? skNull : skText);
      }
    }
  }

  // A search from the active record starts where the ring shows it, which
  // need not be where the last fetch left the cursor.
  if (!Has(Options, srFromBeginning) && !Has(Options, srFromEnd) && !IsEmpty()) UpdateCursorPos();
  found_record_ = nullptr;
  Integer found = -1;
  {
    TBusyCursor busy(this);
    TRecordUnderTest test(this, nullptr);
    Integer position = position_;
    if (Has(Options, srFromBeginning)) position = -1;
    if (Has(Options, srFromEnd)) {
      while (FetchRecord()) {
      }
      position = records_->VisibleCount();
    }
    const Integer step = Has(Options, srBackward) || Has(Options, srFromEnd) ? -1 : 1;
    for (;;) {
      position += step;
      if (position < 0) break;
      if (position >= records_->VisibleCount() && !FetchRecord()) break;
      TRecordBuffer record = records_->Records(position);
      if (calculated) CalculateFields(record);
      test.Set(record);
      if (MatchesSearch(record, fields, values, texts, kinds, Options, rowid)) {
        found = position;
        found_record_ = record;
        break;
      }
    }
  }
  if (found < 0) return false;
  if (!Has(Options, srDontMove)) {
    const Integer id = OracleRecord::RecordId(found_record_);
    GotoBookmark(TBookmark(&id, 4));
  }
  return true;
}

bool TOracleDataSet::Locate(const String& keyFields, const Variant& keyValues,
                            TLocateOptions options) {
  TSearchRecordOptions search = srFromBeginning;
  if (options.Contains(loCaseInsensitive)) search |= srIgnoreCase;
  if (options.Contains(loPartialKey)) search |= srPartialKey;
  return SearchRecord(keyFields, keyValues, search);
}

Variant TOracleDataSet::Lookup(const String& keyFields, const Variant& keyValues,
                               const String& resultFields) {
  if (!SearchRecord(keyFields, keyValues, srFromBeginning | srDontMove)) return Null();
  std::vector<TField*> results;
  GetFieldList(results, resultFields);
  bool calculated = false;
  for (TField* field : results) calculated = calculated || field->Calculated() || field->Lookup();
  if (calculated) CalculateFields(found_record_);
  TRecordUnderTest test(this, found_record_);
  if (results.size() == 1) return results[0]->AsVariant();
  std::vector<Variant> items;
  for (TField* field : results) items.push_back(field->AsVariant());
  return VarArrayOf(std::move(items));
}
