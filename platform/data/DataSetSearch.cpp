// platform/data/DataSetSearch.cpp
//
// Filtering (OnFilterRecord, Filter text) and searching (Locate, Lookup
// through the descendant, FindFirst ...).
#include "platform/data/DataSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/data/DataLink.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

bool IsTextField(const TField* field) {
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftGuid:
      return true;
    default:
      return false;
  }
}

}  // namespace

// --- filtering and searching ------------------------------------------------------

void TDataSet::SetFiltered(bool value) {
  filtered_ = value;
}
void TDataSet::SetFilterText(const String& value) {
  filter_text_ = value;
}
void TDataSet::SetFilterOptions(TFilterOptions value) {
  filter_options_ = value;
}
void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& value) {
  on_filter_record_ = value;
}

bool TDataSet::RecordMatches(const std::vector<TField*>& fields, const Variant& values,
                             TLocateOptions options) const {
  const bool single = !values.IsArray();
  const Integer low = single ? 0 : VarArrayLowBound(values, 1);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Variant wanted = single ? values : VarArrayGet(values, {low + static_cast<Integer>(i)});
    const Variant have = fields[i]->AsVariant();
    if (wanted.IsNull() || wanted.IsEmpty()) {
      if (!have.IsNull()) return false;
      continue;
    }
    if (have.IsNull()) return false;
    if (IsTextField(fields[i])) {
      String a = have.AsString(), b = wanted.AsString();
      if (options.Contains(loCaseInsensitive)) {
        a = AnsiUpperCase(a);
        b = AnsiUpperCase(b);
      }
      if (options.Contains(loPartialKey) ? a.compare(0, b.size(), b) != 0 || a.size() < b.size()
                                         : a != b)
        return false;
      continue;
    }
    try {
      if (VarCompareValue(have, wanted) != vrEqual) return false;
    } catch (const EVariantError&) {
      return false;  // a key that cannot be read as the field's type matches nothing
    } catch (const EConvertError&) {
      return false;
    }
  }
  return true;
}

bool TDataSet::ScanForRecord(const std::vector<TField*>& fields, const Variant& values,
                             TLocateOptions options, const std::function<void()>& atMatch) {
  // The records pass through the spare buffer, read as the calculated-field
  // buffer, so that the ring stays as it is.
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  const TRecordBuffer savedCalc = calc_buffer_;
  CursorPosChanged();
  InternalFirst();
  while (GetRecord(spare, gmNext, true) == grOK) {
    calc_buffer_ = spare;
    const TDataSetState saved = SetTempState(dsCalcFields);
    TScopeExit restore([&] {
      RestoreState(saved);
      calc_buffer_ = savedCalc;
    });
    if (RecordMatches(fields, values, options)) {
      if (atMatch) atMatch();
      return true;
    }
  }
  return false;
}

bool TDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  std::vector<TField*> fields;
  GetFieldList(fields, keyFields);
  if (fields.size() > 1 &&
      (!keyValues.IsArray() ||
       static_cast<std::size_t>(VarArrayHighBound(keyValues, 1) - VarArrayLowBound(keyValues, 1) +
                                1) < fields.size()))
    DatabaseError(MsgKeyValueCount, this);
  if (!ScanForRecord(fields, keyValues, options, nullptr)) {
    CursorPosChanged();
    return false;
  }
  DoBeforeScroll();
  ResyncMoved();
  DoAfterScroll();
  return true;
}

Variant TDataSet::Lookup(const String& keyFields, const Variant& keyValues,
                         const String& resultFields) {
  CheckActive();
  std::vector<TField*> fields, results;
  GetFieldList(fields, keyFields);
  GetFieldList(results, resultFields);
  if (fields.size() > 1 && !keyValues.IsArray()) DatabaseError(MsgKeyValueCount, this);
  Variant result = Null();
  ScanForRecord(fields, keyValues, {}, [&] {
    if (results.size() == 1) {
      result = results[0]->AsVariant();
      return;
    }
    std::vector<Variant> values;
    for (TField* field : results) values.push_back(field->AsVariant());
    result = VarArrayOf(std::move(values));
  });
  CursorPosChanged();
  return result;
}
