// memtable/MemTableLocate.cpp
//
// Finding records by value: the key record a search compares with (key
// values written in the record's own form), Locate, LocateRecord and Lookup.
#include <algorithm>
#include <cstring>
#include <optional>

#include "memtable/FilterEvaluator.h"
#include "memtable/LengthBuffer.h"
#include "memtable/MemTable.h"
#include "memtable/NativeValue.h"
#include "platform/data/Fields.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr const char* SvomInvalidDimensions = "Values variant array has invalid dimension count";
constexpr const char* SvomMoreFieldsThanValues = "More fields than values";

}  // namespace

// --- key values ---------------------------------------------------------------------

void TvomCustomMemTable::BuildKeyFieldList(const String& fieldNames, TvomFieldList& list) {
  // An index resolves a field-name list by the rules every key follows
  // (option letters, fields that cannot be compared); it is never added.
  TvomIndex parsed(String(), this, fieldNames, mtcoNone, mtikSorted, true);
  parsed.FieldList().AssignTo(list);
}

void TvomCustomMemTable::SetKeyValuesOf(TvomRecord* record, const TvomFieldList& fields,
                                        const Variant& values) {
  if (VarArrayDimCount(values) > 1) throw EMemTableError(SvomInvalidDimensions);
  if (!values.IsArray() && fields.Count() > 1) throw EMemTableError(SvomMoreFieldsThanValues);
  if (fields.Count() == 0) throw EMemTableError(SvomNoFields);
  if (!values.IsArray()) {
    SetRecordFieldValue(record, fields.Fields(0), values);
    return;
  }
  const Integer low = VarArrayLowBound(values, 1);
  // Too few values would leave keys unset: refuse like a single value.
  if (VarArrayHighBound(values, 1) - low + 1 < fields.Count())
    throw EMemTableError(SvomMoreFieldsThanValues);
  for (Integer i = 0; i < fields.Count(); ++i)
    SetRecordFieldValue(record, fields.Fields(i), values[low + i]);
}

void TvomCustomMemTable::SetKeyValues(TvomRecord* record, const String& fieldNames,
                                      const Variant& values) {
  TvomFieldList fields(&Store());
  BuildKeyFieldList(fieldNames, fields);
  SetKeyValuesOf(record, fields, values);
}

void TvomCustomMemTable::SetRecordFieldValue(TvomRecord* record, TField* field,
                                             const Variant& value) {
  TvomStoreLock hold(Store());
  Store().UnshareRecord(record);
  Byte* at = Store().FieldPointer(record, field);
  if (at == nullptr) return;
  const Integer fieldNo = field->FieldNo();
  const bool indirect = fieldNo >= 1 && (Store().FieldFlags(fieldNo) & mtffIndirect) != 0;
  const Integer storage = fieldNo >= 1 ? TvomCommon::FieldDataSize(field->DataType(), field->Size())
                                       : field->DataSize();

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
    if (EncodeNativeValue(*this, field, value, data)) {
      at[0] = kvomNotNull;
      if (indirect)
        StoreIndirectValue(at, field, data);
      else
        std::memcpy(at + 1, data, static_cast<std::size_t>(storage));
    }
  }
  if (fieldNo >= 1)
    Store().SetFieldFlags(fieldNo, static_cast<Byte>(Store().FieldFlags(fieldNo) | mtffChanged));
}

// --- searching ----------------------------------------------------------------------

namespace {

// A record's data area, found from the record's address alone when the
// store keeps every record's data area right after its header (Record.h).
// Reading `Data` instead would fetch the header's cache line for each
// record, a third more memory traffic for a walk; records that share their
// data with another store's need it.
const Byte* DataOf(const TvomRecord* record, bool apart) {
  return apart ? record->Data : reinterpret_cast<const Byte*>(record + 1);
}

// The value of a field where the data area holds it; false for a value that
// TvomCommon must find elsewhere (an indirect value without its own buffer,
// or one stored compressed).
bool ValueInPlace(const TvomFieldListEntry& entry, const Byte* data, TvomValueRef& value) {
  const Byte* at = data + entry.Offset;
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

  // False when a key value is not in place: the general search must run.
  bool Prepare(const TvomCommon& store, const TvomFieldList& fields, const TvomRecord* key) {
    apart_ = store.AnyDataApart();
    owner_ = store.Owner();
    for (Integer i = 0; i < fields.Count(); ++i) {
      const TvomFieldListEntry& entry = fields.Entry(i);
      if (entry.Offset < 0) continue;
      TKeyField field{&entry, key->Data[entry.Offset] == 0, {}, std::nullopt};
      if (!field.KeyNull) {
        if (!ValueInPlace(entry, key->Data, field.Key)) return false;
        field.Matcher.emplace(field.Key, entry.DataType, entry.Options, store.Collation());
      }
      fields_.push_back(std::move(field));
    }
    return true;
  }

  TVerdict Test(const TvomRecord* record) const {
    for (const TKeyField& field : fields_) {
      const TvomFieldListEntry& entry = *field.Entry;
      const Byte* data = DataOf(record, apart_);
      const bool recordNull = data[entry.Offset] == 0;
      if (field.KeyNull) {
        if ((entry.Options & mtifoIgnoreNull) || recordNull) continue;
        return TVerdict::NoMatch;
      }
      if (recordNull) return TVerdict::NoMatch;
      TvomValueRef value;
      if (!ValueInPlace(entry, data, value)) return TVerdict::Undecided;
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
  // The key fields' entries of the record at p (with data apart, the
  // header that says where they are).
  void Request(Integer p, const TvomIndex& index) {
    const TvomRecord* record = index.Refs(p);
    ring_[static_cast<std::size_t>(p) % kRing] = record;
    if (apart_) {
      __builtin_prefetch(record);
      return;
    }
    for (const TKeyField& field : fields_)
      __builtin_prefetch(DataOf(record, false) + field.Entry->Offset);
  }
  // What the step before asked for points at, once it has arrived: the
  // values of indirect entries, or with data apart the entries themselves.
  void RequestValues(const TvomRecord* record) const {
    for (const TKeyField& field : fields_) {
      if (apart_) {
        __builtin_prefetch(record->Data + field.Entry->Offset);
        continue;
      }
      if (!field.Entry->Indirect) continue;
      const Byte* buffer = IndirectBuffer(DataOf(record, false) + field.Entry->Offset);
      if (buffer == nullptr) continue;
      // Two cache lines hold a path or a name of usual length.
      __builtin_prefetch(buffer);
      __builtin_prefetch(buffer + 64);
    }
  }

  TvomStoreClient* owner_ = nullptr;
  bool apart_ = false;
  std::vector<TKeyField> fields_;
  const TvomRecord* ring_[kRing] = {};
};

}  // namespace

Integer TvomCustomMemTable::LocateRecord(const String& keyFields, const Variant& keyValues,
                                         TLocateOptions options) {
  if (VarArrayDimCount(keyValues) > 1) throw EMemTableError(SvomInvalidDimensions);
  CheckBrowseMode();
  CursorPosChanged();
  TvomFieldList fields(&Store());
  BuildKeyFieldList(keyFields, fields);
  Byte extra = 0;
  if (options.Contains(loCaseInsensitive)) extra |= mtifoCaseInsensitive;
  if (options.Contains(loPartialKey)) extra |= mtifoPartial;
  for (Integer i = 0; i < fields.Count(); ++i)
    fields.SetOptions(i, static_cast<Byte>(fields.Options(i) | extra));

  TvomStoreLock hold(Store());
  TvomRecord* key = Store().AllocRecord();
  TScopeExit freeKey([&] { Store().FreeRecord(key, true, false); });
  SetKeyValuesOf(key, fields, keyValues);

  // Without an index to search, walk the records here with the key read
  // once, unless a record test or recalculation must run for each record:
  // the general walk does those in between.
  if (!RecalcOnIndex() && !MustTestRecords() && Indexes().WalksRecords(fields, AutoAddIndexes())) {
    // One integer field (a tree's key or parent, a record by its id): the
    // positions the table keeps of it, once walks have shown them worth it.
    std::optional<TvomKeyTerm> keyTerm;
    if (fields.Count() == 1 && options.Empty())
      if (const auto term = TvomKeyTerm::OfField(fields.Fields(0), &Store())) {
        bool isNull = true;
        keyTerm = term->WithValueOf(key, isNull);
        if (isNull) keyTerm.reset();
      }
    const TvomIndex* current = Indexes().Current();
    // The current index's case and direction rules apply, as in the general search.
    TvomFieldList merged;
    fields.AssignTo(merged);
    current->FieldList().MergeOptions(merged);
    TKeyWalk walk;
    if (walk.Prepare(Store(), merged, key)) {
      const auto find = [&] { return walk.Find(*current, merged, key); };
      return keyTerm ? FirstKeyPosition(*keyTerm, find) : find();
    }
  }
  Integer position = -1;
  const bool found = Indexes().Search(fields, key, AutoAddIndexes(), true, false, position);
  return found ? position : -1;
}

bool TvomCustomMemTable::Locate(const String& keyFields, const Variant& keyValues,
                                TLocateOptions options) {
  DoBeforeScroll();
  const Integer position = LocateRecord(keyFields, keyValues, options);
  SetFound(position >= 0);
  if (position < 0) return false;
  SetCursor(position);
  ResyncMoved();
  DoAfterScroll();
  return true;
}

Variant TvomCustomMemTable::Lookup(const String& keyFields, const Variant& keyValues,
                                   const String& resultFields) {
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
