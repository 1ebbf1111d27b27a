// memtable/Index.cpp
#include "memtable/Index.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <vector>

#include "memtable/Indexes.h"
#include "memtable/MemTable.h"
#include "memtable/MemTableErrors.h"
#include "memtable/RecordStore.h"
#include "memtable/StoreClient.h"
#include "platform/data/Field.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

// Sets the table's operation state for a scope and puts the previous one
// back on every way out (a search inside a load leaves the table loading).
class OperationStateScope {
 public:
  OperationStateScope(TvomStoreClient* table, TvomOperationState state)
      : table_(table), saved_(table->OperationState()) {
    table_->SetOperationState(state);
  }
  ~OperationStateScope() { table_->SetOperationState(saved_); }
  OperationStateScope(const OperationStateScope&) = delete;
  OperationStateScope& operator=(const OperationStateScope&) = delete;

 private:
  TvomStoreClient* table_;
  TvomOperationState saved_;
};

// The names of a ';'-separated list, blanks around each trimmed, empty ones dropped.
std::vector<String> SplitNames(const String& text) {
  std::vector<String> names;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == String::npos) end = text.size();
    String name = Trim(std::string_view(text).substr(start, end - start));
    if (!name.empty()) names.push_back(std::move(name));
    start = end + 1;
  }
  return names;
}

bool ListsName(const String& list, const String& name) {
  for (const String& n : SplitNames(list))
    if (SameText(n, name)) return true;
  return false;
}

Integer Percent(Integer done, Integer total) {
  return static_cast<Integer>(static_cast<Int64>(done) * 100 / total);
}

bool CanIndex(const TField* field) {
  switch (field->FieldKind()) {
    case fkData:
    case fkCalculated:
    case fkLookup:
    case fkInternalCalc:
      break;
    default:
      return false;
  }
  const TFieldType type = field->DataType();
  return TvomCommon::IsSupportedFieldType(type) && !IsBlobFieldType(type) && type != ftBytes &&
         type != ftVarBytes;
}

}  // namespace

// --- sorting on keys read once per record --------------------------------------------
//
// Sorting record pointers with TvomCommon::CompareRecords reads both records,
// walks the field list and asks the compare hook at every one of the n log n
// comparisons. When the order is one field's and the store's comparison of
// two records comes down to comparing one value read from each, the values
// can be read once, as the records are loaded. Sorting the records stably by
// those keys, under the same comparison, gives the very order that the
// stable sort of the records gives: both start from the records in slot
// order, and a stable sort under a consistent comparison has one result.
//
// Text in the store's locale is sorted by the collator's sort keys, made
// once per record: a sort compares each text some log2(n) times, and each
// collation of two texts costs more than making one key. The keys sit
// together in one buffer, so the sort does not go back to the records
// scattered over the store, and a key's first eight bytes sit with its
// entry, which settles most comparisons.

// The keys of one index's records, read as the index loads them.
class TvomSortKeys {
 public:
  enum class Outcome {
    NotPossible,          // nothing done: sort with the store's comparison
    Sorted,               // sorted; whether neighbours are equal is not known
    SortedDistinct,       // sorted; no two neighbours are equal
    SortedWithDuplicates  // sorted; some two neighbours are equal
  };

  // The keys for sorting on `fields`, or nullptr when the store's comparison
  // cannot be reduced to one key per record.
  static std::unique_ptr<TvomSortKeys> For(const TvomCommon& store, const TvomFieldList& fields);

  void Reserve(std::size_t count);
  // Reads the record's key. Records come in slot order.
  void Add(TvomRecord* record);
  // Sorts the records added. `records` holds them in slot order, as does
  // `slotOrder`; it receives them in their new order. May raise what the
  // type's comparison raises (an invalid locale).
  Outcome Sort(std::vector<TvomRecord*>& records, const TvomRecordRefs& slotOrder);

 private:
  enum class Kind { Integral, Float, Collated, Value };
  using IntegerReader = Int64 (*)(const Byte* value);
  // A record with the key it sorts by.
  template <class Key>
  struct Keyed {
    Key Value;
    TvomRecord* Record;
  };
  // A record with its collation key in keys_.
  struct Collated {
    UInt64 Head;  // the key's first eight bytes, big-endian, zero-padded
    std::size_t Offset;
    std::uint32_t Length;
    bool Null;
    TvomRecord* Record;
  };

  TvomSortKeys(Kind kind, const TvomFieldListEntry& entry, const TvomCollation& collation)
      : kind_(kind), entry_(entry), collation_(collation) {}

  // Whether the store's comparisons may go through a compare hook. The
  // engine's own table classes have one only with OnCompareFields set; any
  // other owner, a table class that may override the hook among them, is
  // assumed to.
  static bool MayUseCompareHook(const TvomCommon& store);
  template <class Key>
  Outcome SortNumbers(std::vector<Keyed<Key>>& keyed, std::vector<TvomRecord*>& records);
  Outcome SortIntegers(std::vector<TvomRecord*>& records, const TvomRecordRefs& slotOrder);
  void SortValues(std::vector<TvomRecord*>& records);
  void AddCollated(TvomRecord* record, bool null);
  Outcome SortCollated(std::vector<TvomRecord*>& records);
  // <0, 0 or >0 as the store's comparison (descending aside) of their texts.
  int CompareCollated(const Collated& a, const Collated& b) const;

  // A null sorts before every value, as in the store's comparison (and,
  // once the comparison is reversed, after every value when descending).
  // These keys stand for null; a value that does not sort strictly after
  // its type's null key (the lowest 64-bit integer, minus infinity, NaN,
  // which compares equal to everything) leaves the sort to the store's
  // comparison.
  static constexpr Int64 kNullInteger = std::numeric_limits<Int64>::min();
  static constexpr double kNullFloat = -std::numeric_limits<double>::infinity();

  Kind kind_;
  const TvomFieldListEntry& entry_;
  const TvomCollation& collation_;
  IntegerReader read_integer_ = nullptr;
  bool usable_ = true;
  // The range of the integer values read; empty while there are none.
  Int64 lowest_ = std::numeric_limits<Int64>::max();
  Int64 highest_ = std::numeric_limits<Int64>::min();
  std::vector<Int64> integers_;  // the records are the caller's
  std::vector<Keyed<double>> floats_;
  std::vector<Keyed<TvomValueRef>> values_;  // a null has no address
  std::vector<Collated> collated_;
  std::vector<Byte> keys_;
  // Looked up at the first value. A locale that names nothing raises only
  // where the comparison would: when two values are compared.
  const TLocaleCollator* collator_ = nullptr;
  std::exception_ptr collator_error_;
  std::size_t collated_values_ = 0;
};

bool TvomSortKeys::MayUseCompareHook(const TvomCommon& store) {
  TvomStoreClient* owner = store.Owner();
  if (owner == nullptr) return false;
  const auto* table = dynamic_cast<const TvomCustomMemTable*>(owner);
  return table == nullptr || !IsOwnMemTableClass(*table) ||
         static_cast<bool>(table->OnCompareFields);
}

std::unique_ptr<TvomSortKeys> TvomSortKeys::For(const TvomCommon& store,
                                                const TvomFieldList& fields) {
  if (fields.Count() != 1 || MayUseCompareHook(store)) return nullptr;
  const TvomFieldListEntry& entry = fields.Entry(0);
  // A field without a place is skipped by the comparison; an indirect value
  // may have to be looked up or decompressed; partial keys and ignored nulls
  // make the comparison depend on which record is the key.
  if (entry.Offset < 0 || entry.Indirect || (entry.Options & (mtifoPartial | mtifoIgnoreNull)))
    return nullptr;
  // The numbers are read as their comparison routines read them
  // (ValueCompare.cpp: CompareNumber, CompareBoolean).
  IntegerReader read = nullptr;
  switch (entry.DataType) {
    case ftSmallint:
      read = [](const Byte* v) -> Int64 { return ReadValue<SmallInt>(v); };
      break;
    case ftWord:
      read = [](const Byte* v) -> Int64 { return ReadValue<Word>(v); };
      break;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
      read = [](const Byte* v) -> Int64 { return ReadValue<Integer>(v); };
      break;
    case ftLargeint:
      read = [](const Byte* v) { return ReadValue<Int64>(v); };
      break;
    case ftBoolean:
      read = [](const Byte* v) -> Int64 { return ReadValue<Word>(v) != 0; };
      break;
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
      return std::unique_ptr<TvomSortKeys>(new TvomSortKeys(Kind::Float, entry, store.Collation()));
    case ftBCD:
    case ftFMTBcd:
      // A BCD value that does not convert compares equal to every other,
      // which is no order at all; leave such sorts to the store's comparison.
      return nullptr;
    default: {
      const Kind kind =
          IsCollatedText8(entry.DataType, entry.Options) ? Kind::Collated : Kind::Value;
      return std::unique_ptr<TvomSortKeys>(new TvomSortKeys(kind, entry, store.Collation()));
    }
  }
  auto keys =
      std::unique_ptr<TvomSortKeys>(new TvomSortKeys(Kind::Integral, entry, store.Collation()));
  keys->read_integer_ = read;
  return keys;
}

void TvomSortKeys::Reserve(std::size_t count) {
  switch (kind_) {
    case Kind::Integral:
      integers_.reserve(count);
      break;
    case Kind::Float:
      floats_.reserve(count);
      break;
    case Kind::Collated:
      collated_.reserve(count);
      keys_.reserve(count * 24);  // a name's key is about as long as the name
      break;
    case Kind::Value:
      values_.reserve(count);
      break;
  }
}

void TvomSortKeys::Add(TvomRecord* record) {
  const Byte* at = record->Data + entry_.Offset;
  const bool null = at[0] == 0;
  switch (kind_) {
    case Kind::Integral: {
      const Int64 value = null ? kNullInteger : read_integer_(at + 1);
      if (!null) {
        usable_ = usable_ && kNullInteger < value;
        lowest_ = std::min(lowest_, value);
        highest_ = std::max(highest_, value);
      }
      integers_.push_back(value);
      break;
    }
    case Kind::Float: {
      const double value = null ? kNullFloat : ReadValue<double>(at + 1);
      usable_ = usable_ && (null || kNullFloat < value);
      floats_.push_back({value, record});
      break;
    }
    case Kind::Collated:
      AddCollated(record, null);
      break;
    case Kind::Value:
      values_.push_back({null ? TvomValueRef{} : TvomValueRef{at + 1, entry_.StorageSize}, record});
      break;
  }
}

void TvomSortKeys::AddCollated(TvomRecord* record, bool null) {
  Collated entry{0, keys_.size(), 0, null, record};
  if (!null) {
    ++collated_values_;
    if (collator_ == nullptr && !collator_error_) {
      try {
        collator_ = &collation_.Collator(entry_.Options & mtifoCaseInsensitive);
      } catch (...) {
        collator_error_ = std::current_exception();
      }
    }
    if (collator_ != nullptr) {
      const std::string_view text =
          StoredText({record->Data + entry_.Offset + 1, entry_.StorageSize});
      entry.Length = static_cast<std::uint32_t>(collator_->AppendSortKey(text, keys_));
      const Byte* key = keys_.data() + entry.Offset;
      for (std::size_t i = 0; i < 8; ++i)
        entry.Head = (entry.Head << 8) | (i < entry.Length ? key[i] : 0);
    }
  }
  collated_.push_back(entry);
}

int TvomSortKeys::CompareCollated(const Collated& a, const Collated& b) const {
  if (a.Null || b.Null) return (a.Null ? 0 : 1) - (b.Null ? 0 : 1);
  if (a.Head != b.Head) return a.Head < b.Head ? -1 : 1;
  // Equal heads: the first min(length, 8) bytes agree.
  const std::uint32_t common = std::min(a.Length, b.Length);
  if (common > 8) {
    const int r = std::memcmp(keys_.data() + a.Offset + 8, keys_.data() + b.Offset + 8, common - 8);
    if (r != 0) return r;
  }
  return a.Length < b.Length ? -1 : (a.Length > b.Length ? 1 : 0);
}

TvomSortKeys::Outcome TvomSortKeys::SortCollated(std::vector<TvomRecord*>& records) {
  if (collator_error_ && collated_values_ >= 2) std::rethrow_exception(collator_error_);
  if (entry_.Options & mtifoDescending)
    std::stable_sort(
        collated_.begin(), collated_.end(),
        [this](const Collated& a, const Collated& b) { return CompareCollated(b, a) < 0; });
  else
    std::stable_sort(
        collated_.begin(), collated_.end(),
        [this](const Collated& a, const Collated& b) { return CompareCollated(a, b) < 0; });
  // Equal keys are equal texts; two nulls are equal too.
  bool duplicate = false;
  for (std::size_t i = 0; i < collated_.size(); ++i) {
    records[i] = collated_[i].Record;
    if (i > 0 && CompareCollated(collated_[i - 1], collated_[i]) == 0) duplicate = true;
  }
  return duplicate ? Outcome::SortedWithDuplicates : Outcome::SortedDistinct;
}

TvomSortKeys::Outcome TvomSortKeys::Sort(std::vector<TvomRecord*>& records,
                                         const TvomRecordRefs& slotOrder) {
  if (!usable_) return Outcome::NotPossible;
  switch (kind_) {
    case Kind::Integral:
      return SortIntegers(records, slotOrder);
    case Kind::Float:
      return SortNumbers(floats_, records);
    case Kind::Collated:
      return SortCollated(records);
    case Kind::Value:
      SortValues(records);
      return Outcome::Sorted;
  }
  return Outcome::NotPossible;
}

template <class Key>
TvomSortKeys::Outcome TvomSortKeys::SortNumbers(std::vector<Keyed<Key>>& keyed,
                                                std::vector<TvomRecord*>& records) {
  using Entry = Keyed<Key>;
  if (entry_.Options & mtifoDescending)
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const Entry& a, const Entry& b) { return b.Value < a.Value; });
  else
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const Entry& a, const Entry& b) { return a.Value < b.Value; });
  // Two nulls are equal keys too, as in the store's comparison.
  bool duplicate = false;
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    records[i] = keyed[i].Record;
    if (i > 0 && keyed[i - 1].Value == keyed[i].Value) duplicate = true;
  }
  return duplicate ? Outcome::SortedWithDuplicates : Outcome::SortedDistinct;
}

TvomSortKeys::Outcome TvomSortKeys::SortIntegers(std::vector<TvomRecord*>& records,
                                                 const TvomRecordRefs& slotOrder) {
  const std::size_t count = integers_.size();
  const UInt64 width =
      highest_ < lowest_ ? 0 : static_cast<UInt64>(highest_) - static_cast<UInt64>(lowest_) + 1;
  if (width > 2 * static_cast<UInt64>(count) + 1024) {
    std::vector<Keyed<Int64>> keyed(count);
    for (std::size_t i = 0; i < count; ++i) keyed[i] = {integers_[i], records[i]};
    std::vector<Int64>().swap(integers_);
    return SortNumbers(keyed, records);
  }

  // Keys that span no more values than there are records (identifiers,
  // counters, small codes) are sorted by counting: one pass counts the
  // records of each key, a second puts every record in its place, taking
  // the records in slot order. Records with equal keys thus keep slot order:
  // the stable sort's order, in linear time and without its buffer. Each
  // key's rank puts nulls first, or last when descending.
  const bool descending = entry_.Options & mtifoDescending;
  const Int64 lowest = lowest_, highest = highest_;
  auto rank = [&](Int64 value) -> std::size_t {
    if (value == kNullInteger) return descending ? width : 0;
    return descending ? static_cast<UInt64>(highest) - static_cast<UInt64>(value)
                      : static_cast<UInt64>(value) - static_cast<UInt64>(lowest) + 1;
  };
  std::vector<Integer> next(static_cast<std::size_t>(width) + 1, 0);
  for (const Int64 key : integers_) ++next[rank(key)];
  // Two nulls are equal keys too, as in the store's comparison.
  bool duplicate = false;
  Integer position = 0;
  for (Integer& n : next) {
    duplicate = duplicate || n > 1;
    const Integer first = position;
    position += n;
    n = first;
  }
  // The records are read from the copy in `slotOrder`, so that `records`
  // can take the result without a buffer of its own.
  std::size_t i = 0;
  slotOrder.ForEach([&](TvomRecord* record) {
    records[static_cast<std::size_t>(next[rank(integers_[i++])]++)] = record;
  });
  return duplicate ? Outcome::SortedWithDuplicates : Outcome::SortedDistinct;
}

void TvomSortKeys::SortValues(std::vector<TvomRecord*>& records) {
  using Entry = Keyed<TvomValueRef>;
  const TvomValueComparer compare = entry_.Compare;
  const Byte options = entry_.Options;
  const bool descending = options & mtifoDescending;
  const TvomCollation& collation = collation_;
  // The store's comparison of one field without the field-list walk, the
  // hook and the value lookup: nulls first, then the type's routine, the
  // whole reversed when descending.
  auto less = [&](const Entry& a, const Entry& b) {
    int r;
    if (a.Value.Data == nullptr || b.Value.Data == nullptr) {
      r = (a.Value.Data == nullptr ? 0 : 1) - (b.Value.Data == nullptr ? 0 : 1);
    } else {
      bool full_match = true;
      r = compare(a.Value, b.Value, options, collation, full_match);
    }
    return descending ? r > 0 : r < 0;
  };
  std::stable_sort(values_.begin(), values_.end(), less);
  for (std::size_t i = 0; i < values_.size(); ++i) records[i] = values_[i].Record;
}

TvomMemTableCompareOptions CompareOptionsOf(TIndexOptions options) {
  TvomMemTableCompareOptions result = mtcoNone;
  if (options.Contains(ixUnique)) result |= mtcoUnique;
  if (options.Contains(ixDescending)) result |= mtcoDescending;
  if (options.Contains(ixCaseInsensitive)) result |= mtcoCaseInsensitive;
  if (options.Contains(ixNonMaintained)) result |= mtcoNonMaintained;
  return result;
}

TvomIndex::TvomIndex(const String& name, TvomStoreClient* table, const String& fieldNames,
                     TvomMemTableCompareOptions options, TvomIndexKind kind, bool internal)
    : name_(name),
      table_(table),
      field_names_(fieldNames),
      options_(options),
      kind_(kind),
      row_order_(name == kvomRowOrderIndexName),
      internal_(internal) {
  BuildFieldList(nullptr);
}

TvomIndex::TvomIndex(const TIndexDef& def, TvomStoreClient* table)
    : name_(def.Name()),
      table_(table),
      field_names_(def.Fields()),
      options_(CompareOptionsOf(def.Options())),
      kind_(mtikSorted),
      internal_(false) {
  BuildFieldList(&def);
}

TvomIndex::~TvomIndex() = default;

TvomCommon& TvomIndex::Store() const {
  return table_->Store();
}

void TvomIndex::BuildFieldList(const TIndexDef* def) {
  TvomCommon& store = Store();
  field_list_.SetStore(&store);
  for (const String& item : SplitNames(field_names_)) {
    const std::size_t colon = item.find(':');
    const String name = Trim(std::string_view(item).substr(0, colon));
    const String letters =
        colon == String::npos ? String() : UpperCase(std::string_view(item).substr(colon + 1));
    TField* field = table_->IndexFieldByName(name);
    if (!CanIndex(field)) throw EDatabaseError(Format(SvomCantIndexOnField, field->DisplayName()));
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
      table_->SetRecalcOnIndex(true);

    Byte options = static_cast<Byte>(options_) & kvomFieldCompareOptionsMask;
    if (def != nullptr) {
      // A definition's direction and case rules apply only to the fields it lists for them.
      if (!ListsName(def->DescFields(), field->FieldName())) options &= ~mtifoDescending;
      if (!ListsName(def->CaseInsFields(), field->FieldName())) options &= ~mtifoCaseInsensitive;
    }
    if (letters.find('C') != String::npos) options |= mtifoCaseInsensitive;
    if (letters.find('D') != String::npos) options |= mtifoDescending;
    if (letters.find('N') != String::npos) options |= mtifoIgnoreNull;
    if (letters.find('P') != String::npos) options |= mtifoPartial;
    if (letters.find('L') != String::npos) options |= mtifoIgnoreLocale;
    field_list_.Add(field, options);
  }
  ordered_ = true;
  for (Integer slot = 0; slot < store.RecordCount() && ordered_; ++slot)
    if (store.Records(slot) != nullptr) ordered_ = false;
}

bool TvomIndex::ShowsStatus(Byte updateStatus) const {
  if (!update_statuses_.Contains(static_cast<TUpdateStatus>(updateStatus))) return false;
  return updateStatus != usDeleted || Store().EnableVersioning();
}

Integer TvomIndex::CompareRecords(const TvomFieldList* fields, const TvomRecord* key,
                                  const TvomRecord* record, bool tieBreak, bool partial) const {
  const TvomFieldList& list = fields != nullptr ? *fields : field_list_;
  Integer r = Store().CompareRecords(list, 0, key, record, false, partial, 0);
  if (r != 0 || !tieBreak) return r;
  const bool key_placed = key->IndexPos >= 0;
  const bool record_placed = record->IndexPos >= 0;
  if (!key_placed && !record_placed)
    r = key->SlotNo - record->SlotNo;
  else if (!key_placed)
    r = -1;
  else if (!record_placed)
    r = 1;
  if (list.Count() > 0 && (list.Options(0) & mtifoDescending)) r = -r;
  return r;
}

void TvomIndex::Clear() {
  refs_.Clear();
  ordered_ = false;
}

void TvomIndex::SortReferences(std::vector<TvomRecord*>& records, TvomSortKeys* keys) {
  // The records come in slot order; a stable sort keeps records with equal
  // keys in that order.
  TvomCommon& store = Store();
  using Outcome = TvomSortKeys::Outcome;
  Outcome outcome = Outcome::NotPossible;
  try {
    if (keys != nullptr) outcome = keys->Sort(records, refs_);
    if (outcome == Outcome::NotPossible) {
      std::stable_sort(records.begin(), records.end(),
                       [&](const TvomRecord* a, const TvomRecord* b) {
                         return store.CompareRecords(field_list_, 0, a, b, false, false, 0) < 0;
                       });
    }
  } catch (...) {
    // A comparison that raised (a compare hook, an invalid locale) leaves
    // the sequence undefined: drop it rather than keep a damaged list.
    refs_.Clear();
    ordered_ = false;
    throw;
  }
  refs_.Assign(records);
  ordered_ = true;
  if (!(options_ & mtcoUnique) || outcome == Outcome::SortedDistinct) return;
  if (outcome == Outcome::SortedWithDuplicates) throw EMemTableDupKey(SvomDuplicateKey);
  for (std::size_t i = 1; i < records.size(); ++i)
    if (store.CompareRecords(field_list_, 0, records[i - 1], records[i], false, false, 0) == 0)
      throw EMemTableDupKey(SvomDuplicateKey);
}

void TvomIndex::Rebuild() {
  if (!table_->IsTableActive()) {
    ordered_ = true;
    return;
  }
  TvomCommon& store = Store();
  TvomStoreLock hold(store);
  ordered_ = false;
  refs_.Clear();
  auto clip_cursor = [&] {
    if (table_->Indexes().Current() == this && table_->Cursor() >= Count())
      table_->SetCursor(Count() - 1);
  };
  TScopeExit clip([&] { clip_cursor(); });
  const auto slots = static_cast<std::size_t>(store.RecordCount());
  std::vector<TvomRecord*> loaded;
  loaded.reserve(slots);
  // A sort key is read as its record is loaded, which saves going over
  // every record a second time. The value read is the one the sort would
  // read: the index filter sees only its own record, and nothing else runs
  // before the sort but the progress report.
  std::unique_ptr<TvomSortKeys> keys;
  if (kind_ == mtikSorted) keys = TvomSortKeys::For(store, field_list_);
  if (keys) keys->Reserve(slots);
  for (Integer slot = 0; slot < store.RecordCount(); ++slot) {
    TvomRecord* record = store.Records(slot);
    if (record == nullptr || !ShowsStatus(record->UpdateStatus)) continue;
    if (!table_->FilterIndex(this, record)) continue;
    loaded.push_back(record);
    if (keys) keys->Add(record);
  }
  refs_.Assign(loaded);
  if (!refs_.Empty() && kind_ == mtikSorted) {
    table_->Progress(0, mtpcSort);
    {
      OperationStateScope state(table_, mtosSorting);
      SortReferences(loaded, keys.get());
    }
    table_->Progress(100, mtpcSort);
  }
  ordered_ = true;
}

Integer TvomIndex::LowerBound(const TvomFieldList* fields, const TvomRecord* key) const {
  Integer lo = 0, hi = Count();
  while (lo < hi) {
    const Integer mid = lo + (hi - lo) / 2;
    if (CompareRecords(fields, key, Refs(mid), false, false) > 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

TvomSearchResult TvomIndex::BinarySearch(const TvomFieldList& fields, const TvomRecord* key,
                                         bool prefix) {
  // When the key is present the lower bound is the first of its equal
  // entries: a table sorted on a key most of its rows share (file rows
  // without an id) must not be walked entry by entry at every insert.
  const Integer count = Count();
  const Integer lo = LowerBound(&fields, key);
  if (lo == count) return {1, false, lo};
  if (CompareRecords(&fields, key, Refs(lo), false, false) != 0) return {-1, false, lo};
  // Taken as a prefix, the key also equals the entries just before the equal
  // ones that begin with it (in a descending order of texts, the longer
  // texts starting with it), as a scan finds them.
  Integer first = lo;
  if (prefix)
    while (first > 0 && CompareRecords(&fields, key, Refs(first - 1), false, true) == 0) --first;
  return {0, true, first};
}

TvomSearchResult TvomIndex::Search(const TvomFieldList* fields, const TvomRecord* key,
                                   bool respectFilter, bool nearest) {
  return SearchFor(fields, key, respectFilter, nearest, nearest);
}

TvomSearchResult TvomIndex::SearchFor(const TvomFieldList* fields, const TvomRecord* key,
                                      bool respectFilter, bool nearest, bool prefix) {
  const TvomFieldList& list = fields != nullptr ? *fields : field_list_;
  table_->Progress(0, mtpcSearch);
  TvomSearchResult result;
  {
    OperationStateScope state(table_, mtosSearching);
    TvomStoreLock hold(Store());
    const Integer count = Count();
    const bool test = respectFilter && table_->MustTestRecords();
    if (count == 0) {
      result = {0, false, -1};
    } else if (ordered_ && kind_ == mtikSorted && count >= 21) {
      result = BinarySearch(list, key, prefix);
      if (result.Found && test && !table_->FilterRecord(Refs(result.Position), false)) {
        result.Found = false;
        for (Integer p = result.Position + 1; p < count; ++p) {
          const Integer c = CompareRecords(&list, key, Refs(p), false, prefix);
          if (c != 0 && !(nearest && c < 0)) {
            if (!nearest) break;  // past the equal entries: none left to accept
            continue;
          }
          if (table_->FilterRecord(Refs(p), false)) {
            result = {c, true, p};
            break;
          }
        }
      }
    } else {
      result = {1, false, count};
      const bool recalc = table_->RecalcOnIndex();
      for (Integer p = 0; p < count; ++p) {
        if (p > 0 && p % 100 == 0) table_->Progress(Percent(p, count), mtpcSearch);
        TvomRecord* record = Refs(p);
        if (recalc) table_->CalcRecordFields(record);
        const Integer c = CompareRecords(&list, key, record, false, prefix);
        if (c != 0 && !(nearest && c < 0)) continue;
        if (test && !table_->FilterRecord(record, false)) continue;
        result = {c, true, p};
        break;
      }
    }
  }
  table_->Progress(100, mtpcSearch);
  return result;
}

Integer TvomIndex::FindSlotBinary(Integer slot, bool ascending) const {
  Integer lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    const Integer mid = lo + (hi - lo) / 2;
    const Integer at = Refs(mid)->SlotNo;
    if (at == slot) return mid;
    if ((at < slot) == ascending)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return -1;
}

Integer TvomIndex::PositionOf(const TvomRecord* record) {
  if (record == nullptr) return -1;
  TvomCommon& store = Store();
  TvomStoreLock hold(store);
  table_->Progress(0, mtpcSearch);
  const Integer count = Count();
  const Integer slot = record->SlotNo;
  Integer start = 0;
  if (ordered_ && count > 5) {
    if (kind_ == mtikSorted) {
      // Start at the first entry with the record's key.
      const Integer lo = LowerBound(nullptr, record);
      if (lo < count && CompareRecords(nullptr, record, Refs(lo), false, false) == 0) start = lo;
    } else if (slot >= 0) {
      Integer p = FindSlotBinary(slot, true);
      if (p < 0) p = FindSlotBinary(slot, false);
      if (p >= 0) return p;
    }
  }
  // The scan reports progress every 100 entries from the start.
  auto report_scan = [&](Integer to) {
    for (Integer p = start + 100; p <= to; p += 100)
      table_->Progress(Percent(p, count), mtpcSearch);
  };
  // The entry is the record itself or, for a record buffer, the record of
  // the same slot. The entries are records of the store, each in a slot of
  // its own: when `record` is the one stored in its slot, no other entry has
  // its slot number, and comparing addresses finds it without reading every
  // record on the way (many equal keys put it far from the start).
  const bool stored = slot >= 0 && slot < store.RecordCount() && store.Records(slot) == record;
  if (stored) {
    const Integer found = refs_.IndexOf(record, start);
    report_scan(found >= 0 ? found : count - 1);
    return found >= 0 ? found : refs_.IndexOf(record);
  }
  auto same = [&](const TvomRecord* r) { return r == record || (slot >= 0 && r->SlotNo == slot); };
  for (Integer p = start; p < count; ++p) {
    if (p > start && (p - start) % 100 == 0) table_->Progress(Percent(p, count), mtpcSearch);
    if (same(Refs(p))) return p;
  }
  // The record may sort elsewhere than its values say (a buffer with new
  // values); look at the entries before the starting point too.
  for (Integer p = 0; p < start; ++p)
    if (same(Refs(p))) return p;
  return -1;
}

void TvomIndex::PlaceAt(Integer pos, TvomRecord* record) {
  pos = std::clamp(pos, Integer{0}, Count());
  refs_.Insert(pos, record);
  if (table_->Indexes().Current() == this) {
    table_->SetLastPlacedPosition(pos);
    record->IndexPos = pos;
  }
}

void TvomIndex::Upkeep(TvomIndexChange change, bool changerIsThisTable, Integer position,
                       TvomRecord* stored, const TvomRecord* newValues) {
  const bool current = table_->Indexes().Current() == this;
  // The entry of `stored` in this index: at the cursor when this is the
  // table's current index and the cursor is on it, else searched.
  auto locate = [&]() -> Integer {
    if (current) {
      const Integer at = changerIsThisTable ? position : table_->Cursor();
      if (at >= 0 && at < Count() && Refs(at) == stored) return at;
    }
    return PositionOf(stored);
  };
  // The list a table walks must never keep a record that is about to be
  // freed, whatever else is skipped.
  auto drop_from_current = [&] {
    if (change != mticDelete || !current) return;
    const Integer at =
        (changerIsThisTable && position >= 0 && position < Count() && Refs(position) == stored)
            ? position
            : refs_.IndexOf(stored);
    if (at >= 0) refs_.Delete(at);
  };

  const bool maintained = !(options_ & mtcoNonMaintained);
  if (!maintained || (!table_->EnableIndexes() && !(current && change == mticDelete))) {
    drop_from_current();
    if (!(kind_ == mtikRowOrder && change == mticEdit)) ordered_ = false;
    return;
  }
  if (!ordered_) {
    // Stale references are searched by nothing until the next rebuild.
    drop_from_current();
    return;
  }

  switch (change) {
    case mticInsert: {
      if (!update_statuses_.Contains(usInserted)) return;
      Integer pos = Count();
      if (kind_ == mtikRowOrder) {
        if (current && changerIsThisTable && position >= 0) pos = std::max(position - 1, 0);
      } else {
        const TvomSearchResult r = SearchFor(nullptr, newValues, false, true, false);
        if (r.Position >= 0) pos = r.Position;
      }
      PlaceAt(pos, stored);
      return;
    }
    case mticEdit: {
      if (kind_ == mtikRowOrder) return;
      const bool shows_modified = update_statuses_.Contains(usModified);
      if (shows_modified && CompareRecords(nullptr, newValues, stored, false, false) == 0) return;
      const Integer old = locate();
      if (old >= 0) refs_.Delete(old);
      if (!shows_modified) return;
      const TvomSearchResult r = SearchFor(nullptr, newValues, false, true, false);
      PlaceAt(r.Position >= 0 ? r.Position : Count(), stored);
      return;
    }
    case mticDelete: {
      if (update_statuses_.Contains(usDeleted) && Store().EnableVersioning() &&
          update_statuses_.Contains(static_cast<TUpdateStatus>(stored->UpdateStatus)))
        return;
      const Integer at = locate();
      if (at >= 0) refs_.Delete(at);
      return;
    }
  }
}
