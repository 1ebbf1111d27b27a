// memtable/Indexes.cpp
#include "memtable/Indexes.h"

#include <algorithm>

#include "memtable/MemTableErrors.h"
#include "memtable/RecordStore.h"
#include "memtable/StoreClient.h"
#include "platform/data/Field.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/StringUtils.h"

TvomIndexes::TvomIndexes(TvomStoreClient* table) : table_(table) {
  row_order_ = Add(std::make_unique<TvomIndex>(kvomRowOrderIndexName, table, String(), mtcoNone,
                                               mtikRowOrder, true));
  current_ = row_order_;
}

TvomIndexes::~TvomIndexes() = default;

TvomIndex* TvomIndexes::Find(const String& name) const {
  const String wanted = AnsiUpperCase(name);
  for (const auto& index : indexes_)
    if (AnsiUpperCase(index->Name()) == wanted) return index.get();
  return nullptr;
}

TvomIndex* TvomIndexes::FindByFieldNames(const String& fieldNames) const {
  const String wanted = AnsiUpperCase(fieldNames);
  for (const auto& index : indexes_)
    if (AnsiUpperCase(index->FieldNames()) == wanted) return index.get();
  return nullptr;
}

TvomIndex* TvomIndexes::Add(std::unique_ptr<TvomIndex> index) {
  index->SetPosition(Count());
  indexes_.push_back(std::move(index));
  return indexes_.back().get();
}

TvomIndex* TvomIndexes::AddFromDef(const TIndexDef& def) {
  if (def.Fields().empty()) throw EMemTableError(SvomMissingIndexFields);
  return Add(std::make_unique<TvomIndex>(def, table_));
}

void TvomIndexes::Renumber() {
  for (Integer i = 0; i < Count(); ++i) Items(i)->SetPosition(i);
}

void TvomIndexes::Delete(TvomIndex* index) {
  if (index == nullptr || index == row_order_) return;
  const auto it = std::find_if(indexes_.begin(), indexes_.end(),
                               [&](const auto& owned) { return owned.get() == index; });
  if (it == indexes_.end()) return;
  if (current_ == index) current_ = row_order_;
  if (sort_index_ == index) sort_index_ = nullptr;
  indexes_.erase(it);
  Renumber();
}

void TvomIndexes::Clear() {
  for (const auto& index : indexes_) index->Clear();
  std::erase_if(indexes_, [&](const auto& owned) { return owned.get() != row_order_; });
  current_ = row_order_;
  sort_index_ = nullptr;
  Renumber();
}

void TvomIndexes::RebuildAll() {
  for (const auto& index : indexes_) index->Rebuild();
}

void TvomIndexes::MarkAllUnordered() {
  for (const auto& index : indexes_) index->SetOrdered(false);
}

void TvomIndexes::ClearAllReferences() {
  // The store is being emptied: an empty list is in order, and must stay
  // ordered so that the records added next are taken in.
  for (const auto& index : indexes_) {
    index->References().Clear();
    index->SetOrdered(true);
  }
}

void TvomIndexes::CheckUnique(const TvomRecord* key, const TvomRecord* excluded) {
  if (!table_->EnableIndexes()) return;
  TvomStoreLock hold(table_->Store());
  for (const auto& owned : indexes_) {
    TvomIndex* index = owned.get();
    if ((index->Options() & mtcoNonMaintained) || !(index->Options() & mtcoUnique)) continue;
    // An unordered index may still list records freed since; bring it up
    // to date before reading it.
    if (!index->Ordered()) index->Rebuild();
    const TvomSearchResult found = index->Search(nullptr, key, false, false);
    if (!found.Found) continue;
    for (Integer p = found.Position; p < index->Count(); ++p) {
      const TvomRecord* other = index->Refs(p);
      if (p > found.Position && index->CompareRecords(nullptr, key, other, false, false) != 0)
        break;
      const bool same =
          excluded != nullptr &&
          (other == excluded || (excluded->SlotNo >= 0 && other->SlotNo == excluded->SlotNo));
      if (!same) throw EMemTableDupKey(SvomDuplicateKey);
    }
  }
}

void TvomIndexes::Upkeep(TvomIndexChange change, bool changerIsThisTable, Integer position,
                         TvomRecord* stored, const TvomRecord* newValues) {
  for (const auto& index : indexes_)
    index->Upkeep(change, changerIsThisTable, position, stored, newValues);
}

TvomIndex* TvomIndexes::IndexBeginningWith(const TvomFieldList& fields) const {
  for (Integer i = Count() - 1; i >= 0; --i) {
    TvomIndex* index = Items(i);
    const TvomFieldList& own = index->FieldList();
    if (!index->Ordered() || own.Count() < fields.Count()) continue;
    bool same = true;
    for (Integer f = 0; f < fields.Count() && same; ++f) same = own.Fields(f) == fields.Fields(f);
    if (same) return index;
  }
  return nullptr;
}

bool TvomIndexes::WorthAnIndex(const TvomFieldList& fields) const {
  return current_->Ordered() && current_->Count() > 20 && fields.Count() > 0;
}

bool TvomIndexes::WalksRecords(const TvomFieldList& fields, bool allowAutoIndex) const {
  return !WorthAnIndex(fields) || (!allowAutoIndex && IndexBeginningWith(fields) == nullptr);
}

bool TvomIndexes::Search(const TvomFieldList& fields, const TvomRecord* key, bool allowAutoIndex,
                         bool respectFilter, bool nearest, Integer& position) {
  position = -1;
  TvomIndex* current = current_;
  TvomIndex* chosen = nullptr;
  if (WorthAnIndex(fields)) {
    chosen = IndexBeginningWith(fields);
    if (chosen == nullptr && allowAutoIndex) {
      String names;
      for (Integer f = 0; f < fields.Count(); ++f) {
        if (f > 0) names += ';';
        names += fields.Fields(f)->FieldName();
      }
      const String name = kvomAutoIndexPrefix + names;
      table_->AddIndex(name, names, TIndexOptions{ixCaseInsensitive});
      chosen = Find(name);
      current = current_;  // adding an index may have changed the current one
    }
  }

  // The index's own case and direction rules apply to the search.
  TvomFieldList merged;
  fields.AssignTo(merged);
  (chosen != nullptr ? chosen : current)->FieldList().MergeOptions(merged);

  if (chosen != nullptr) {
    const TvomSearchResult r = chosen->Search(&merged, key, respectFilter, nearest);
    if (!(r.Found || (nearest && r.Compare < 0)) || r.Position < 0 || r.Position >= chosen->Count())
      return false;
    Integer pos = r.Position;
    if (chosen != current) {
      pos = current->PositionOf(chosen->Refs(pos));
      if (pos < 0 || pos >= current->Count()) return false;
    }
    position = pos;
    return true;
  }

  TvomStoreLock hold(table_->Store());
  const bool recalc = table_->RecalcOnIndex();
  const bool test = respectFilter && table_->MustTestRecords();
  for (Integer p = 0; p < current->Count(); ++p) {
    TvomRecord* record = current->Refs(p);
    if (recalc) table_->CalcRecordFields(record);
    if (test && !table_->FilterRecord(record, false)) continue;
    const Integer c = current->CompareRecords(&merged, key, record, false, nearest);
    if (c == 0 || (nearest && c < 0)) {
      position = p;
      return true;
    }
  }
  return false;
}
