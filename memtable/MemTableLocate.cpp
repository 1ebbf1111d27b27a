// memtable/MemTableLocate.cpp
//
// The operations through which the program uses a table as a whole:
// searching (Locate, Lookup), ordering (Sort, SortOn) and copying records
// and structure between datasets (LoadFromDataSet, SaveToDataSet,
// UpdateToDataSet, CopyRecords, CreateTableAs).
#include <algorithm>
#include <cstring>
#include <optional>
#include <typeinfo>

#include "memtable/LengthBuffer.h"
#include "memtable/MemTable.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/data/BlobFields.h"
#include "platform/data/BooleanField.h"
#include "platform/data/DateTimeFields.h"
#include "platform/data/Fields.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringFields.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace {

constexpr const char* SvomInvalidDimensions = "Values variant array has invalid dimension count";
constexpr const char* SvomMoreFieldsThanValues = "More fields than values";
constexpr const char* SvomAppendAndStructure = "Cannot both append and copy structure.";

// How one destination field receives its value in a copy.
enum class CopyRule : Byte {
  Variant,  // the source field's variant
  Text,     // the source field's text
  Native,   // the native bytes (same class and size: no conversion at all)
};

struct FieldPair {
  Integer position = 0;
  TField* source = nullptr;
  TField* destination = nullptr;
  CopyRule rule = CopyRule::Variant;
};

bool IsEightBitString(TFieldType type) { return type == ftString || type == ftFixedChar; }

// The rule of CopyRecords for a pair of fields.
CopyRule CopyRuleFor(const TField* source, const TField* destination, bool convertWideStrings) {
  const TFieldType s = source->DataType(), d = destination->DataType();
  if (s == ftLargeint) return CopyRule::Text;
  // Strings are UTF-8 on both sides, so converting between an 8-bit string
  // and a wide string is a copy of the text.
  if (convertWideStrings && (s == ftWideString || d == ftWideString) && s != d)
    return (s == ftWideString && IsEightBitString(d)) || (IsEightBitString(s) && d == ftWideString) ? CopyRule::Text
                                                                                                 : CopyRule::Variant;
  if (s == ftOraBlob || s == ftOraClob) return CopyRule::Text;
  if (typeid(*source) != typeid(*destination)) return CopyRule::Text;
  if (!source->IsBlob() && s == d && s != ftFixedChar && source->DataSize() > 0 &&
      source->DataSize() == destination->DataSize())
    return CopyRule::Native;
  return CopyRule::Variant;
}

// The destination's fields by position, each with the source field of its
// name (lookup fields and unsupported types stay unmapped).
std::vector<FieldPair> MapFields(TDataSet* source, TDataSet* destination, bool autoIncOnlyWhenEmpty,
                                 bool convertWideStrings) {
  std::vector<FieldPair> pairs;
  const Integer count = std::min(destination->FieldCount(), kvomMaxFields);
  const bool destinationEmpty = destination->IsEmpty();
  for (Integer i = 0; i < count; ++i) {
    TField* field = destination->Fields(i);
    const TFieldKind kind = field->FieldKind();
    if (kind != fkData && kind != fkCalculated && kind != fkInternalCalc) continue;
    if (!TvomCommon::IsSupportedFieldType(field->DataType())) continue;
    if (autoIncOnlyWhenEmpty && field->DataType() == ftAutoInc && !destinationEmpty) continue;
    TField* from = source->FindField(field->FieldName());
    if (from == nullptr) continue;
    pairs.push_back({i, from, field, CopyRuleFor(from, field, convertWideStrings)});
  }
  return pairs;
}

void CopyValue(const FieldPair& pair, std::vector<Byte>& scratch) {
  if (pair.source->IsNull()) {
    pair.destination->Clear();
    return;
  }
  switch (pair.rule) {
    case CopyRule::Text: pair.destination->SetAsString(pair.source->AsString()); break;
    case CopyRule::Variant: pair.destination->SetValue(pair.source->Value()); break;
    case CopyRule::Native:
      scratch.assign(static_cast<std::size_t>(pair.source->DataSize()) + 1, 0);
      pair.source->GetData(scratch.data());
      pair.destination->SetData(scratch.data());
      break;
  }
}

// MinValue and MaxValue when both fields are of class F; whether they are.
template <class F>
bool CopyLimits(const TField* source, TField* destination) {
  auto* to = dynamic_cast<F*>(destination);
  auto* from = dynamic_cast<const F*>(source);
  if (to == nullptr || from == nullptr) return false;
  to->SetMaxValue(from->MaxValue());
  to->SetMinValue(from->MinValue());
  return true;
}

// Fills the destination's pending record from the pairs, with the table's
// OnSaveField (when `fromTable`), OnLoadField (when the destination is the
// table) and OnLoadRecord (when `askLoadRecord`); then posts it and answers
// true, or cancels it when refused or when something fails.
bool PostPendingRecord(TvomCustomMemTable* table, TDataSet* destination, const std::vector<FieldPair>& pairs,
                       bool fromTable, bool askLoadRecord, std::vector<Byte>& scratch) {
  const bool intoTable = destination == table;
  bool accept = true;
  try {
    for (const FieldPair& pair : pairs) {
      if (fromTable && table->OnSaveField) table->OnSaveField(table, pair.position, pair.source);
      CopyValue(pair, scratch);
      if (intoTable && table->OnLoadField) table->OnLoadField(table, pair.position, pair.destination);
    }
    if (askLoadRecord && table->OnLoadRecord) table->OnLoadRecord(table, accept);
  } catch (...) {
    destination->Cancel();
    throw;
  }
  if (!accept) {
    destination->Cancel();
    return false;
  }
  destination->Post();
  return true;
}

// Runs `body` with the destination of a copy ready: the controls of both
// sides disabled (the destination's unless they already were) and the
// destination open and browsing. Afterwards, also after a failure, the
// destination goes to its first record, the controls are enabled again and
// a destination that was closed is closed again.
template <class Body>
void WithDestination(TDataSet* table, TDataSet* destination, Body body) {
  const bool wasActive = destination->Active();
  const bool controlsDisabled = destination->ControlsDisabled();
  if (!controlsDisabled) destination->DisableControls();
  table->DisableControls();
  TScopeExit restore([&] {
    if (destination->Active()) destination->First();
    if (!controlsDisabled) destination->EnableControls();
    table->EnableControls();
    if (!wasActive) destination->Close();
  });
  if (!wasActive) destination->Open();
  destination->CheckBrowseMode();
  body();
}

Integer Percent(Integer done, Integer total) {
  return total > 0 ? static_cast<Integer>(static_cast<Int64>(done) * 100 / total) : 0;
}

}  // namespace

// --- key values ---------------------------------------------------------------------

void TvomCustomMemTable::BuildKeyFieldList(const String& fieldNames, TvomFieldList& list) {
  // An index resolves a field-name list by the rules every key follows
  // (option letters, fields that cannot be compared); it is never added.
  TvomIndex parsed(String(), this, fieldNames, mtcoNone, mtikSorted, true);
  parsed.FieldList().AssignTo(list);
}

void TvomCustomMemTable::SetKeyValuesOf(TvomRecord* record, const TvomFieldList& fields, const Variant& values) {
  if (VarArrayDimCount(values) > 1) throw EMemTableError(SvomInvalidDimensions);
  if (!values.IsArray() && fields.Count() > 1) throw EMemTableError(SvomMoreFieldsThanValues);
  if (fields.Count() == 0) throw EMemTableError(SvomNoFields);
  if (!values.IsArray()) {
    SetRecordFieldValue(record, fields.Fields(0), values);
    return;
  }
  const Integer low = VarArrayLowBound(values, 1);
  // Too few values would leave keys unset: refuse like a single value.
  if (VarArrayHighBound(values, 1) - low + 1 < fields.Count()) throw EMemTableError(SvomMoreFieldsThanValues);
  for (Integer i = 0; i < fields.Count(); ++i) SetRecordFieldValue(record, fields.Fields(i), values[low + i]);
}

void TvomCustomMemTable::SetKeyValues(TvomRecord* record, const String& fieldNames, const Variant& values) {
  TvomFieldList fields(&Store());
  BuildKeyFieldList(fieldNames, fields);
  SetKeyValuesOf(record, fields, values);
}

void TvomCustomMemTable::SetRecordFieldValue(TvomRecord* record, TField* field, const Variant& value) {
  TvomStoreLock hold(Store());
  Byte* at = Store().FieldPointer(record, field);
  if (at == nullptr) return;
  const Integer fieldNo = field->FieldNo();
  const bool indirect = fieldNo >= 1 && (Store().FieldFlags(fieldNo) & mtffIndirect) != 0;
  const Integer storage = fieldNo >= 1 ? TvomCommon::FieldDataSize(field->DataType(), field->Size()) : field->DataSize();

  if (indirect) {
    FreeLengthBuffer(IndirectBuffer(at));
    SetIndirectBuffer(at, nullptr);
  }
  if (value.IsNull() || value.IsEmpty()) {
    at[0] = 0;
    if (!indirect) std::memset(at + 1, 0, static_cast<std::size_t>(storage));
  } else {
    std::vector<Byte> native(static_cast<std::size_t>(std::max(field->DataSize(), storage)) + 1, 0);
    Byte* data = native.data();
    auto asDateTime = [&] { return value.Type() == varString ? StrToDateTime(value.AsString()) : value.AsDateTime(); };
    bool known = true;
    switch (field->DataType()) {
      case ftString:
      case ftFixedChar:
      case ftGuid: {
        String text = value.AsString();
        const auto* stringField = dynamic_cast<const TStringField*>(field);
        if (stringField != nullptr && stringField->Transliterate()) text = Translate(text, true);
        text = CutUtf8(text, static_cast<std::size_t>(field->Size()));
        std::memcpy(data, text.data(), text.size());
        break;
      }
      case ftSmallint: WriteValue(data, static_cast<SmallInt>(value.AsInteger())); break;
      case ftWord: WriteValue(data, static_cast<Word>(value.AsInteger())); break;
      case ftInteger:
      case ftAutoInc: WriteValue(data, value.AsInteger()); break;
      case ftBoolean: WriteValue(data, static_cast<Word>(value.AsBoolean() ? 1 : 0)); break;
      case ftFloat:
      case ftCurrency: WriteValue(data, value.AsDouble()); break;
      case ftBCD:
      case ftFMTBcd: {
        const auto* bcdField = dynamic_cast<const TBCDField*>(field);
        const int precision = bcdField != nullptr && bcdField->Precision() > 0 ? bcdField->Precision() : 32;
        TBcd bcd{};
        CurrToBCD(value.AsCurrency(), bcd, precision, field->Size());
        std::memcpy(data, &bcd, sizeof bcd);
        break;
      }
      case ftDate: WriteValue(data, DateTimeToNativeDate(asDateTime())); break;
      case ftTime: WriteValue(data, DateTimeToNativeTime(asDateTime())); break;
      case ftDateTime: WriteValue(data, DateTimeToNativeDateTime(asDateTime())); break;
      case ftWideString: {
        WideString text = Utf8ToUtf16(value.AsString());
        const std::size_t units = std::min(text.size(), static_cast<std::size_t>(field->Size()));
        WriteValue(data, static_cast<Integer>(units * 2));
        std::memcpy(data + 4, text.data(), units * 2);
        break;
      }
      case ftLargeint: WriteValue(data, value.AsInt64()); break;
      case ftTimeStamp: {
        const TSQLTimeStamp stamp = DateTimeToSQLTimeStamp(asDateTime());
        std::memcpy(data, &stamp, sizeof stamp);
        break;
      }
      default: known = false; break;
    }
    if (known) {
      at[0] = kvomNotNull;
      if (indirect)
        StoreIndirectValue(at, field, data);
      else
        std::memcpy(at + 1, data, static_cast<std::size_t>(storage));
    }
  }
  if (fieldNo >= 1) Store().SetFieldFlags(fieldNo, static_cast<Byte>(Store().FieldFlags(fieldNo) | mtffChanged));
}

// --- searching ----------------------------------------------------------------------

namespace {

// A record's data area, found from the record's address alone: the store
// makes every record as one allocation, the header followed by the data
// area (Record.h). Reading `Data` instead would fetch the header's cache
// line for each record, a third more memory traffic for a walk.
const Byte* DataOf(const TvomRecord* record) {
  return reinterpret_cast<const Byte*>(record + 1);
}

// The value of a field where the record holds it; false for a value that
// TvomCommon must find elsewhere (an indirect value without its own buffer,
// or one stored compressed).
bool ValueInPlace(const TvomFieldListEntry& entry, const TvomRecord* record, TvomValueRef& value) {
  const Byte* at = DataOf(record) + entry.Offset;
  if (!entry.Indirect) {
    value = {at + 1, entry.StorageSize};
    return true;
  }
  const Byte* buffer = entry.Compressed ? nullptr : IndirectBuffer(at);
  if (buffer == nullptr) return false;
  value = {LengthBufferData(buffer), LengthBufferSize(buffer)};
  return true;
}

// The walk of a search without an index: the records of the current index,
// in order, each tested against a key whose values are read once. A record
// is tested as TvomCommon::CompareRecords tests it, field by field and
// reading the values in place (nulls, ignored null keys, the compare hook,
// a partial match ending the test); a record whose value is not in place is
// compared the general way. At a million records the walk is bound by
// fetching the records from memory: it reads no more of a record than the
// test needs, and asks for the records ahead of the one it tests, in two
// steps (the key fields' entries, then the values they point at, which
// needs the entries to have arrived). Nothing runs meanwhile but the compare
// hook, which must leave the table as it is, as in any comparison.
class TKeyWalk {
 public:
  enum class TVerdict { Match, NoMatch, Undecided };

  // False when a key value is not in place, or the store lays out records
  // otherwise than DataOf reads them (the key is one of its records): the
  // general search must run.
  bool Prepare(const TvomCommon& store, const TvomFieldList& fields, const TvomRecord* key) {
    if (key->Data != DataOf(key)) return false;
    owner_ = store.Owner();
    for (Integer i = 0; i < fields.Count(); ++i) {
      const TvomFieldListEntry& entry = fields.Entry(i);
      if (entry.Offset < 0) continue;
      TKeyField field{&entry, DataOf(key)[entry.Offset] == 0, {}, std::nullopt};
      if (!field.KeyNull) {
        if (!ValueInPlace(entry, key, field.Key)) return false;
        field.Matcher.emplace(field.Key, entry.DataType, entry.Options, store.Collation());
      }
      fields_.push_back(std::move(field));
    }
    return true;
  }

  TVerdict Test(const TvomRecord* record) const {
    for (const TKeyField& field : fields_) {
      const TvomFieldListEntry& entry = *field.Entry;
      const bool recordNull = DataOf(record)[entry.Offset] == 0;
      if (field.KeyNull) {
        if ((entry.Options & mtifoIgnoreNull) || recordNull) continue;
        return TVerdict::NoMatch;
      }
      if (recordNull) return TVerdict::NoMatch;
      TvomValueRef value;
      if (!ValueInPlace(entry, record, value)) return TVerdict::Undecided;
      bool fullMatch = true;
      Integer result = 0;
      if (owner_ == nullptr ||
          !owner_->CompareFieldsHook(entry.Field, field.Key.Data, value.Data, entry.DataType,
                                     entry.Options, fullMatch, result))
        result = field.Matcher->Matches(value, fullMatch) ? 0 : 1;
      if (result != 0) return TVerdict::NoMatch;
      if (!fullMatch) return TVerdict::Match;
    }
    return TVerdict::Match;
  }

  // The position of the first record of `index` that matches the key, or -1.
  // `fields` and `key` are what Prepare was given, for the general comparison.
  Integer Find(const TvomIndex& index, const TvomFieldList& fields, const TvomRecord* key) {
    const Integer count = index.Count();
    for (Integer p = 0; p < std::min(count, 2 * kStep); ++p) Request(p, index);
    for (Integer p = 0; p < count; ++p) {
      if (p + 2 * kStep < count) Request(p + 2 * kStep, index);
      if (p + kStep < count) RequestValues(Ahead(p + kStep));
      const TvomRecord* record = Ahead(p);
      TVerdict verdict = Test(record);
      if (verdict == TVerdict::Undecided)
        verdict = index.CompareRecords(&fields, key, record, false, false) == 0 ? TVerdict::Match
                                                                                : TVerdict::NoMatch;
      if (verdict == TVerdict::Match) return p;
    }
    return -1;
  }

 private:
  struct TKeyField {
    const TvomFieldListEntry* Entry;
    bool KeyNull;
    TvomValueRef Key;
    std::optional<TvomValueMatcher> Matcher;  // for a key that is not null
  };

  // Records between the two steps of asking ahead; the ring holds both.
  static constexpr Integer kStep = 8;
  static constexpr std::size_t kRing = 32;

  const TvomRecord* Ahead(Integer p) const { return ring_[static_cast<std::size_t>(p) % kRing]; }
  // The key fields' entries of the record at p.
  void Request(Integer p, const TvomIndex& index) {
    const TvomRecord* record = index.Refs(p);
    ring_[static_cast<std::size_t>(p) % kRing] = record;
    for (const TKeyField& field : fields_) __builtin_prefetch(DataOf(record) + field.Entry->Offset);
  }
  // The values that the entries point at, once the entries have arrived.
  void RequestValues(const TvomRecord* record) const {
    for (const TKeyField& field : fields_) {
      if (!field.Entry->Indirect) continue;
      const Byte* buffer = IndirectBuffer(DataOf(record) + field.Entry->Offset);
      if (buffer == nullptr) continue;
      // Two cache lines hold a path or a name of usual length.
      __builtin_prefetch(buffer);
      __builtin_prefetch(buffer + 64);
    }
  }

  TvomStoreClient* owner_ = nullptr;
  std::vector<TKeyField> fields_;
  const TvomRecord* ring_[kRing] = {};
};

}  // namespace

Integer TvomCustomMemTable::LocateRecord(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  if (VarArrayDimCount(keyValues) > 1) throw EMemTableError(SvomInvalidDimensions);
  CheckBrowseMode();
  CursorPosChanged();
  TvomFieldList fields(&Store());
  BuildKeyFieldList(keyFields, fields);
  Byte extra = 0;
  if (options.Contains(loCaseInsensitive)) extra |= mtifoCaseInsensitive;
  if (options.Contains(loPartialKey)) extra |= mtifoPartial;
  for (Integer i = 0; i < fields.Count(); ++i) fields.SetOptions(i, static_cast<Byte>(fields.Options(i) | extra));

  TvomStoreLock hold(Store());
  TvomRecord* key = Store().AllocRecord();
  TScopeExit freeKey([&] { Store().FreeRecord(key, true, false); });
  SetKeyValuesOf(key, fields, keyValues);

  // Without an index to search, walk the records here with the key read
  // once, unless a record test or recalculation must run for each record:
  // the general walk does those in between.
  if (!RecalcOnIndex() && !MustTestRecords() &&
      Indexes().WalksRecords(fields, AutoAddIndexes())) {
    const TvomIndex* current = Indexes().Current();
    // The current index's case and direction rules apply, as in the general search.
    TvomFieldList merged;
    fields.AssignTo(merged);
    current->FieldList().MergeOptions(merged);
    TKeyWalk walk;
    if (walk.Prepare(Store(), merged, key)) return walk.Find(*current, merged, key);
  }
  Integer position = -1;
  const bool found = Indexes().Search(fields, key, AutoAddIndexes(), true, false, position);
  return found ? position : -1;
}

bool TvomCustomMemTable::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  DoBeforeScroll();
  const Integer position = LocateRecord(keyFields, keyValues, options);
  SetFound(position >= 0);
  if (position < 0) return false;
  SetCursor(position);
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TvomCustomMemTable::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
  const Integer position = LocateRecord(keyFields, keyValues, {});
  SetFound(position >= 0);
  if (position < 0) return Variant();
  std::vector<TField*> fields;
  GetFieldList(fields, resultFields);

  TvomStoreLock hold(Store());
  TvomRecord* stored = CurrentIndex()->Refs(position);
  CalcRecordFields(stored);
  TvomRecord* const previousOverride = OverrideRecord();
  const TDataSetState previous = SetTempState(dsFilter);
  SetOverrideRecord(stored);
  TScopeExit restore([&] {
    SetOverrideRecord(previousOverride);
    RestoreState(previous);
  });
  if (fields.size() == 1) return fields[0]->Value();
  std::vector<Variant> values;
  values.reserve(fields.size());
  for (TField* field : fields) values.push_back(field->Value());
  return VarArrayOf(std::move(values));
}

// --- sorting ------------------------------------------------------------------------

void TvomCustomMemTable::Sort(TvomMemTableCompareOptions options) {
  if (!Active()) return;
  CheckBrowseMode();
  const bool rangeWasActive = RangeActive();
  SetRangeActive(false);
  TScopeExit restoreRange([&] {
    SetRangeActive(rangeWasActive);
    UpdateFilteringState();
  });
  UpdateFilteringState();

  if (TvomIndex* old = Indexes().SortIndex()) {
    // Leave the old order properly before it goes, so that the cursor is
    // translated instead of pointing into a freed index.
    if (CurrentIndex() == old) SwitchToIndex(nullptr);
    Indexes().Delete(old);
  }
  TvomIndex* sortIndex = nullptr;
  if (!Trim(SortFields()).empty()) {
    sortIndex = Indexes().Add(
        std::make_unique<TvomIndex>(kvomDefaultSortIndexName, this, SortFields(), options, mtikSorted, true));
    Indexes().SetSortIndex(sortIndex);
    sortIndex->Rebuild();
  }
  SwitchToIndex(sortIndex);
}

void TvomCustomMemTable::SortOn(const String& fieldNames, TvomMemTableCompareOptions options) {
  if (!Active()) return;
  SetSortFields(fieldNames);
  Sort(options);
}

// --- copying records ------------------------------------------------------------------

Integer TvomCustomMemTable::CopyRecords(TDataSet* source, TDataSet* destination, bool convertWideStrings,
                                        Integer limit) {
  if (source == nullptr || destination == nullptr || source == destination) return 0;
  Progress(0, mtpcCopy);
  const std::vector<FieldPair> pairs = MapFields(source, destination, true, convertWideStrings);
  const bool fromThis = source == this;
  const bool intoThis = destination == this;
  const Integer total = OnProgress ? source->RecordCount() : -1;
  if (total < 1) Progress(50, mtpcCopy);
  SetLoadedCompletely(true);

  std::vector<Byte> scratch;
  Integer count = 0;
  Integer read = 0;
  while (!source->Eof()) {
    if (total > 0 && read > 0 && read % 100 == 0) Progress(Percent(read, total), mtpcCopy);
    ++read;
    bool accept = true;
    if (fromThis && OnSaveRecord) OnSaveRecord(this, accept);
    if (accept) {
      destination->Append();
      if (PostPendingRecord(this, destination, pairs, fromThis, intoThis, scratch)) ++count;
    }
    source->Next();
    if (limit > 0 && count >= limit) {
      // Told after the move, so that copying the last record exactly at the
      // limit still reads as complete.
      SetLoadedCompletely(source->Eof());
      break;
    }
  }
  Progress(100, mtpcCopy);
  return count;
}

void TvomCustomMemTable::LoadFromDataSet(TDataSet* source, TvomCopyOptions options) {
  if (source == nullptr || source == this) return;
  if (HasFlag(options, coAppend) && (HasFlag(options, coStructure) || HasFlag(options, coFieldProperties)))
    throw EMemTableError(SvomAppendAndStructure);

  SetOperationState(mtosLoading);
  TScopeExit idle([&] { SetOperationState(mtosIdle); });
  if (OnLoad) OnLoad(this, mtstDataSet, nullptr);
  if (HasFlag(options, coStructure))
    Close();
  else if (!HasFlag(options, coAppend))
    EmptyTable();

  const bool sourceWasActive = source->Active();
  const bool sourceControlsDisabled = source->ControlsDisabled();
  const bool wasFiltered = Filtered();
  TDataSource* const masterSource = MasterSource();
  const bool enableIndexes = EnableIndexes();
  if (!HasFlag(options, coKeepIndexes)) SetEnableIndexes(false);
  SetIgnoreReadOnly(true);
  if (!sourceControlsDisabled) source->DisableControls();
  DisableControls();
  TBookmark bookmark;
  TScopeExit restore([&] {
    // The copy ran without index upkeep: bring every table of the store up
    // to date once (also after a failure, for the records copied so far).
    SetEnableIndexes(enableIndexes);
    if (Active()) {
      Store().MarkAllIndexesUnordered();
      Store().UpdateAllIndexes();
    }
    if (!bookmark.Empty() && source->Active()) source->GotoBookmark(bookmark);
    SetIgnoreReadOnly(false);
    if (!sourceWasActive) source->Close();
    if (!sourceControlsDisabled) source->EnableControls();
    if (Filtered() != wasFiltered) SetFiltered(wasFiltered);
    if (MasterSource() != masterSource) SetMasterSource(masterSource);
    EnableControls();
    if (Active()) First();
  });
  if (!sourceWasActive) source->Open();
  bookmark = source->GetBookmark();
  if (Filtered()) SetFiltered(false);
  if (MasterSource() != nullptr) SetMasterSource(nullptr);
  source->CheckBrowseMode();

  if (HasFlag(options, coStructure)) CreateTableAs(source, options);
  if (!Active()) Open();
  if (!HasFlag(options, coAppend) && HasFlag(options, coFieldProperties)) CopyFieldsProperties(source, this);

  CheckBrowseMode();
  if (!source->Bof()) source->First();
  SetLoadCount(CopyRecords(source, this, HasFlag(options, coWideStringsUTF8), LoadLimit()));
}

void TvomCustomMemTable::SaveToDataSet(TDataSet* destination, TvomCopyOptions options) {
  if (destination == nullptr || destination == this) return;
  SetOperationState(mtosSaving);
  TScopeExit idle([&] { SetOperationState(mtosIdle); });
  if (OnSave) OnSave(this, mtstDataSet, nullptr);
  WithDestination(this, destination, [&] {
    if (!Active()) Open();
    CheckBrowseMode();
    First();
    SetSaveCount(CopyRecords(this, destination, HasFlag(options, coWideStringsUTF8), SaveLimit()));
  });
}

void TvomCustomMemTable::UpdateToDataSet(TDataSet* destination, const String& keyFields, Integer flags) {
  if (Active()) CheckBrowseMode();
  if (destination == nullptr || destination == this) return;
  if (OnSave) OnSave(this, mtstDataSet, nullptr);
  TScopeExit idle([&] { SetOperationState(mtosIdle); });
  WithDestination(this, destination, [&] { UpdateRun(destination, keyFields, flags); });
}

void TvomCustomMemTable::UpdateRun(TDataSet* destination, const String& keyFields, Integer flags) {
  if (!Active()) Open();
  Progress(0, mtpcUpdate);
  SetOperationState(mtosUpdating);
  std::vector<TField*> keys;
  GetFieldList(keys, keyFields);
  std::vector<FieldPair> pairs = MapFields(this, destination, false, false);
  for (FieldPair& pair : pairs) pair.rule = CopyRule::Text;
  std::vector<Byte> scratch;
  First();
  const Integer total = OnProgress ? RecordCount() : -1;
  if (total < 1) Progress(50, mtpcUpdate);

  Integer count = 0;
  Integer read = 0;
  while (!Eof()) {
    if (total > 0 && read > 0 && read % 100 == 0) Progress(Percent(read, total), mtpcUpdate);
    ++read;
    bool accept = true;
    if (OnSaveRecord) OnSaveRecord(this, accept);
    if (accept) {
      Variant key;
      if (keys.size() == 1) {
        key = keys[0]->Value();
      } else {
        std::vector<Variant> values;
        for (TField* field : keys) values.push_back(field->Value());
        key = VarArrayOf(std::move(values));
      }
      const bool found = destination->Locate(keyFields, key, {});
      bool write = true;
      if (found && (flags & 1) != 0)
        destination->Edit();
      else if (!found && (flags & 2) != 0)
        destination->Append();
      else
        write = false;
      if (write && PostPendingRecord(this, destination, pairs, true, true, scratch)) ++count;
    }
    Next();
    if (SaveLimit() > 0 && count >= SaveLimit()) break;
  }
  SetSaveCount(count);
  Progress(100, mtpcUpdate);
}

void TvomCustomMemTable::UpdateToDataSetAll(TDataSet* destination, const String& keyFields) {
  UpdateToDataSet(destination, keyFields, 3);
}

// --- copying structure ------------------------------------------------------------------

void TvomCustomMemTable::CreateTableAs(TDataSet* source, TvomCopyOptions options) {
  Store().CloseTables(nullptr);
  if (Active()) Close();
  if (source == nullptr) return;
  if (!source->Active()) source->InitFieldDefs();
  TFieldDefs* sourceDefs = source->FieldDefs();
  if (sourceDefs->Count() > kvomMaxFields) throw EMemTableError(SvomTooManyFieldDefs);

  TFieldDefs* defs = FieldDefs();
  defs->Clear();
  for (Integer i = 0; i < sourceDefs->Count(); ++i) defs->AddFieldDef()->Assign(sourceDefs->Items(i));
  for (Integer i = defs->Count() - 1; i >= 0; --i) {
    TFieldDef* def = defs->Items(i);
    if (!TvomCommon::IsSupportedFieldType(def->DataType()) ||
        (HasFlag(options, coOnlySourceFields) && source->FindField(def->Name()) == nullptr)) {
      defs->Delete(i);
      continue;
    }
    if (HasFlag(options, coStringsAsWide) && IsEightBitString(def->DataType())) def->SetDataType(ftWideString);
  }

  DestroyFields();
  if (!source->DefaultFields()) CreateFields();
  for (Integer i = 0; i < source->FieldCount(); ++i) {
    TField* from = source->Fields(i);
    const bool lookup = from->FieldKind() == fkLookup && HasFlag(options, coLookupFields);
    const bool calculated = from->FieldKind() == fkCalculated && HasFlag(options, coCalculatedFields);
    if (!lookup && !calculated) continue;
    // Fields the source made for itself belong to it; ours belong to us.
    TComponent* owner = from->Owner() != nullptr && from->Owner() != source ? from->Owner() : this;
    std::unique_ptr<TField> made = NewField(from->DataType(), owner);
    TField* field = made.release();  // owned by `owner` from here on
    field->SetSize(from->Size());
    field->SetFieldKind(from->FieldKind());
    field->SetFieldName(from->FieldName());
    field->SetLookupDataSet(from->LookupDataSet());
    field->SetLookupKeyFields(from->LookupKeyFields());
    field->SetLookupResultField(from->LookupResultField());
    field->SetKeyFields(from->KeyFields());
    if (auto* bcd = dynamic_cast<TBCDField*>(field))
      if (auto* fromBcd = dynamic_cast<const TBCDField*>(from)) bcd->SetPrecision(fromBcd->Precision());
    field->SetDataSet(this);
    if (HasFlag(options, coFieldOrder)) field->SetIndex(std::min(from->Index(), FieldCount() - 1));
  }
  if (HasFlag(options, coFieldProperties)) CopyFieldsProperties(source, this);
  LocateAutoIncField();
}

void TvomCustomMemTable::CopyFieldProperties(TField* source, TField* destination) {
  if (source == nullptr || destination == nullptr || source == destination) return;
  destination->SetEditMask(source->EditMask());
  destination->SetDisplayWidth(source->DisplayWidth());
  destination->SetDisplayLabel(source->DisplayLabel());
  destination->SetRequired(source->Required());
  destination->SetReadOnly(source->ReadOnly());
  destination->SetVisible(source->Visible());
  destination->SetDefaultExpression(source->DefaultExpression());
  destination->SetAlignment(source->Alignment());
  destination->SetProviderFlags(source->ProviderFlags());
  if (auto* to = dynamic_cast<TNumericField*>(destination))
    if (auto* from = dynamic_cast<const TNumericField*>(source)) {
      to->SetDisplayFormat(from->DisplayFormat());
      to->SetEditFormat(from->EditFormat());
    }
  CopyLimits<TIntegerField>(source, destination);
  CopyLimits<TLargeintField>(source, destination);
  if (auto* to = dynamic_cast<TDateTimeField*>(destination))
    if (auto* from = dynamic_cast<const TDateTimeField*>(source)) to->SetDisplayFormat(from->DisplayFormat());
  if (auto* to = dynamic_cast<TBooleanField*>(destination))
    if (auto* from = dynamic_cast<const TBooleanField*>(source)) to->SetDisplayValues(from->DisplayValues());
  if (auto* to = dynamic_cast<TStringField*>(destination))
    if (auto* from = dynamic_cast<const TStringField*>(source)) to->SetTransliterate(from->Transliterate());
  if (CopyLimits<TFloatField>(source, destination)) {
    auto* to = static_cast<TFloatField*>(destination);
    auto* from = static_cast<const TFloatField*>(source);
    to->SetPrecision(from->Precision());
    to->SetCurrency(from->currency());
  }
  if (CopyLimits<TBCDField>(source, destination))
    static_cast<TBCDField*>(destination)->SetCurrency(static_cast<const TBCDField*>(source)->currency());
  if (auto* to = dynamic_cast<TBlobField*>(destination))
    if (auto* from = dynamic_cast<const TBlobField*>(source))
      if (to->BlobType() != from->BlobType()) to->SetBlobType(from->BlobType());
  if (OnSetupFieldProperties) OnSetupFieldProperties(this, destination);
}

void TvomCustomMemTable::CopyFieldsProperties(TDataSet* source, TDataSet* destination) {
  if (source == nullptr || destination == nullptr) return;
  for (Integer i = 0; i < destination->FieldCount(); ++i) {
    TField* to = destination->Fields(i);
    if (TField* from = source->FindField(to->FieldName())) CopyFieldProperties(from, to);
  }
}
