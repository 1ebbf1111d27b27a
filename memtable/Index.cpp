// memtable/Index.cpp
#include "memtable/Index.h"

#include <algorithm>
#include <vector>

#include "memtable/Common.h"
#include "memtable/Indexes.h"
#include "memtable/MemTableErrors.h"
#include "memtable/StoreClient.h"
#include "platform/data/Field.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/Format.h"
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

TvomCommon& TvomIndex::Store() const { return table_->Store(); }

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

void TvomIndex::SortReferences() {
  // The references were loaded in slot order; a stable sort keeps records
  // with equal keys in that order.
  std::vector<TvomRecord*> all = refs_.ToVector();
  TvomCommon& store = Store();
  try {
    std::stable_sort(all.begin(), all.end(), [&](const TvomRecord* a, const TvomRecord* b) {
      return store.CompareRecords(field_list_, 0, a, b, false, false, 0) < 0;
    });
  } catch (...) {
    // A comparison that raised (a compare hook, an invalid locale) leaves
    // the sequence undefined: drop it rather than keep a damaged list.
    refs_.Clear();
    ordered_ = false;
    throw;
  }
  refs_.Assign(all);
  ordered_ = true;
  if (!(options_ & mtcoUnique)) return;
  for (std::size_t i = 1; i < all.size(); ++i)
    if (store.CompareRecords(field_list_, 0, all[i - 1], all[i], false, false, 0) == 0)
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
  try {
    std::vector<TvomRecord*> loaded;
    loaded.reserve(static_cast<std::size_t>(store.RecordCount()));
    for (Integer slot = 0; slot < store.RecordCount(); ++slot) {
      TvomRecord* record = store.Records(slot);
      if (record == nullptr || !ShowsStatus(record->UpdateStatus)) continue;
      if (!table_->FilterIndex(this, record)) continue;
      loaded.push_back(record);
    }
    refs_.Assign(loaded);
    if (!refs_.Empty() && kind_ == mtikSorted) {
      table_->Progress(0, mtpcSort);
      {
        OperationStateScope state(table_, mtosSorting);
        SortReferences();
      }
      table_->Progress(100, mtpcSort);
    }
    ordered_ = true;
  } catch (...) {
    clip_cursor();
    throw;
  }
  clip_cursor();
}

TvomSearchResult TvomIndex::BinarySearch(const TvomFieldList& fields, const TvomRecord* key,
                                         bool nearest) {
  Integer lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    const Integer mid = lo + (hi - lo) / 2;
    const Integer c = CompareRecords(&fields, key, Refs(mid), false, false);
    if (c < 0) {
      hi = mid - 1;
    } else if (c > 0) {
      lo = mid + 1;
    } else {
      Integer first = mid;
      while (first > 0 && CompareRecords(&fields, key, Refs(first - 1), false, nearest) == 0)
        --first;
      return {0, true, first};
    }
  }
  // Every entry before lo sorts before the key, every entry from lo on after it.
  return {lo < Count() ? -1 : 1, false, lo};
}

TvomSearchResult TvomIndex::Search(const TvomFieldList* fields, const TvomRecord* key,
                                   bool respectFilter, bool nearest) {
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
      result = BinarySearch(list, key, nearest);
      if (result.Found && test && !table_->FilterRecord(Refs(result.Position), false)) {
        result.Found = false;
        for (Integer p = result.Position + 1; p < count; ++p) {
          const Integer c = CompareRecords(&list, key, Refs(p), false, nearest);
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
        const Integer c = CompareRecords(&list, key, record, false, nearest);
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
  TvomStoreLock hold(Store());
  table_->Progress(0, mtpcSearch);
  const Integer count = Count();
  const Integer slot = record->SlotNo;
  auto same = [&](const TvomRecord* r) { return r == record || (slot >= 0 && r->SlotNo == slot); };
  Integer start = 0;
  if (ordered_ && count > 5) {
    if (kind_ == mtikSorted) {
      const TvomSearchResult found = BinarySearch(field_list_, record, false);
      if (found.Found) start = found.Position;
    } else if (slot >= 0) {
      Integer p = FindSlotBinary(slot, true);
      if (p < 0) p = FindSlotBinary(slot, false);
      if (p >= 0) return p;
    }
  }
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
    const Integer at = (changerIsThisTable && position >= 0 && position < Count() &&
                        Refs(position) == stored)
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
        const TvomSearchResult r = Search(nullptr, newValues, false, true);
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
      const TvomSearchResult r = Search(nullptr, newValues, false, true);
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
