// memtable/MemTableIndexes.cpp
//
// The table's side of its indexes: the definitions, selecting the current
// index by name or by field names, switching to an index while keeping the
// current record, and following IndexDefs.
#include "memtable/MemTable.h"

void TvomCustomMemTable::SetIndexDefs(const TIndexDefs* value) {
  index_defs_->Assign(value);
}

void TvomCustomMemTable::SelectIndex(String& kept, const String& value,
                                     TvomIndex* (TvomIndexes::*find)(const String&) const) {
  if (!open_) {
    kept = value;
    return;
  }
  if (value.empty()) {
    SwitchToIndex(nullptr);
    return;
  }
  if (TvomIndex* index = (indexes_.get()->*find)(value)) SwitchToIndex(index);
}

void TvomCustomMemTable::SetIndexFieldNames(const String& value) {
  SelectIndex(index_field_names_, value, &TvomIndexes::FindByFieldNames);
}

void TvomCustomMemTable::SetIndexName(const String& value) {
  SelectIndex(index_name_, value, &TvomIndexes::Find);
}

void TvomCustomMemTable::SwitchToIndex(TvomIndex* index) {
  if (index == nullptr) index = indexes_->RowOrderIndex();
  if (index == indexes_->Current()) return;
  if (Active()) CheckBrowseMode();
  TvomStoreLock hold(*store_);
  // The current record, to be found again in the new order.
  const Integer serial = open_ && ActiveBuffer() != nullptr ? AsRecord(ActiveBuffer())->Serial : -1;
  indexes_->SetCurrent(index);
  if (!index->Ordered()) index->Rebuild();
  index_field_names_ = index->Internal() ? String() : index->FieldNames();
  index_name_ = index->Internal() ? String() : index->Name();
  index->FieldList().AssignTo(index_field_list_);
  ClipCursor();
  if (cursor_ >= index->Count()) cursor_ = index->Count() - 1;
  if (!Active()) return;

  const Integer pos = serial >= 0 ? PositionOfSerial(serial, -1) : -1;
  CursorPosChanged();
  if (pos >= 0 && (!must_test_ || FilterRecord(index->Refs(pos), false))) {
    cursor_ = pos;
    Resync({rmExact, rmCenter});
  } else {
    First();
  }
}

void TvomCustomMemTable::UpdateIndexes() {
  TvomStoreLock hold(*store_);
  TvomIndex* const current = indexes_->Current();
  for (Integer i = indexes_->Count() - 1; i >= 0; --i) {
    TvomIndex* index = indexes_->Items(i);
    if (index == indexes_->RowOrderIndex() || index == indexes_->SortIndex()) continue;
    if (index_defs_->FindDef(index->Name()) != nullptr) continue;
    if (index == indexes_->Current()) index_field_names_.clear();
    indexes_->Delete(index);
  }
  for (Integer i = 0; i < index_defs_->Count(); ++i) {
    const TIndexDef& def = *index_defs_->Items(i);
    if (indexes_->Find(def.Name()) == nullptr) indexes_->AddFromDef(def);
  }
  for (Integer i = 0; i < indexes_->Count(); ++i)
    if (!indexes_->Items(i)->Ordered()) indexes_->Items(i)->Rebuild();
  if (indexes_->Current() == current) return;
  // The current index was removed: the table shows row order now.
  indexes_->Current()->FieldList().AssignTo(index_field_list_);
  index_name_.clear();
  if (Active()) {
    ClipCursor();
    Refresh();
  }
}

void TvomCustomMemTable::AddIndex(const String& name, const String& fields, TIndexOptions options) {
  TIndexDef* def = index_defs_->Add(name, fields, options);
  // A closed table makes its indexes when it opens.
  if (!open_) return;
  std::unique_ptr<TvomIndex> index;
  try {
    index = std::make_unique<TvomIndex>(name, this, fields, CompareOptionsOf(options), mtikSorted,
                                        false);
  } catch (...) {
    // A definition that cannot be indexed is not kept.
    index_defs_->Delete(def->Index());
    throw;
  }
  index->SetUpdateStatuses({usUnmodified, usModified, usInserted});
  indexes_->Add(std::move(index));
  UpdateIndexes();
}

void TvomCustomMemTable::DeleteIndex(const String& name) {
  const Integer i = index_defs_->IndexOf(name);
  if (i >= 0) index_defs_->Delete(i);
  UpdateIndexes();
}
