// tests/memtable/TestTable.cpp
#include "TestTable.h"

#include "memtable/MemTableErrors.h"
#include "platform/data/Fields.h"

TestTable::TestTable(TestTable* attachTo) : attached_to_(attachTo) {
  if (attachTo == nullptr) {
    own_store_ = std::make_unique<TvomCommon>(this);
    store_ = own_store_.get();
  } else {
    store_ = attachTo->store_;
    store_->AttachTable(this);
  }
  // The index list reads the store, so it comes after it.
  indexes_ = std::make_unique<TvomIndexes>(this);
}

TestTable::~TestTable() {
  active = false;
  indexes_.reset();
  if (own_store_ == nullptr && store_ != nullptr) store_->DetachTable(this);
  own_store_.reset();
}

TFieldDef* TestTable::AddField(const String& name, TFieldType type, Integer size) {
  return field_defs_.Add(name, type, size);
}

TField* TestTable::AddCalcField(const String& name, TFieldType type, Integer size) {
  std::unique_ptr<TField> field = NewField(type, &field_owner_);
  TField* result = field.release();  // owned by field_owner_
  result->SetFieldName(name);
  if (size > 0) result->SetSize(size);
  result->SetFieldKind(fkCalculated);
  fields_[name] = result;
  return result;
}

void TestTable::Open() {
  if (attached_to_ != nullptr) field_defs_.Assign(&attached_to_->field_defs_);
  for (Integer i = 0; i < field_defs_.Count(); ++i) {
    TFieldDef* def = field_defs_[i];
    if (fields_.count(def->Name()) == 0) fields_[def->Name()] = def->CreateField(&field_owner_);
  }
  if (attached_to_ == nullptr) store_->LayoutRecord(field_defs_);
  active = true;
  cursor = -1;
  indexes_->Clear();
  for (Integer i = 0; i < index_defs_.Count(); ++i) indexes_->AddFromDef(*index_defs_[i]);
  indexes_->RebuildAll();
}

void TestTable::Close() {
  if (!active) return;
  if (attached_to_ == nullptr) {
    store_->ClearRecords();
    store_->CloseTables(this);
  }
  active = false;
  cursor = -1;
  indexes_->Clear();
}

void TestTable::StoreDestroyed() {
  store_ = nullptr;
  attached_to_ = nullptr;
}

void TestTable::UpdateIndexes() {
  for (Integer i = 0; i < index_defs_.Count(); ++i)
    if (indexes_->Find(index_defs_[i]->Name()) == nullptr) indexes_->AddFromDef(*index_defs_[i]);
  for (Integer i = 0; i < indexes_->Count(); ++i)
    if (!indexes_->Items(i)->Ordered()) indexes_->Items(i)->Rebuild();
}

void TestTable::AddIndex(const String& name, const String& fields, TIndexOptions options) {
  index_defs_.Add(name, fields, options);
  indexes_->Add(std::make_unique<TvomIndex>(name, this, fields, CompareOptionsOf(options),
                                            mtikSorted, false));
  UpdateIndexes();
}

TField* TestTable::IndexFieldByName(const String& name) {
  const auto it = fields_.find(name);
  if (it == fields_.end()) throw EDatabaseError("Field '" + name + "' not found");
  return it->second;
}

void TestTable::SetNull(TvomRecord* record, const String& field) {
  Byte* at = store().FieldPointer(record, Field(field));
  const Integer no = Field(field)->FieldNo();
  if (store().FieldFlags(no) & mtffIndirect) {
    FreeLengthBuffer(IndirectBuffer(at));
    SetIndirectBuffer(at, nullptr);
  }
  at[0] = 0;
}

void TestTable::SetText(TvomRecord* record, const String& field, const String& text) {
  TField* f = Field(field);
  Byte* at = store().FieldPointer(record, f);
  at[0] = kvomNotNull;
  if (f->FieldNo() > 0 && (store().FieldFlags(f->FieldNo()) & mtffIndirect)) {
    FreeLengthBuffer(IndirectBuffer(at));
    SetIndirectBuffer(at, MakeLengthBuffer(text.c_str(), static_cast<Integer>(text.size()) + 1));
    return;
  }
  const Integer size = TvomCommon::FieldDataSize(f->DataType(), f->Size());
  std::memset(at + 1, 0, static_cast<std::size_t>(size));
  std::memcpy(at + 1, text.data(),
              std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1)));
}

String TestTable::Text(const TvomRecord* record, const String& field) const {
  TField* f = Field(field);
  const Byte* at = store().FieldPointer(record, f);
  if (at[0] == 0) return "<null>";
  switch (f->DataType()) {
    case ftInteger:
    case ftAutoInc:
      return std::to_string(ReadValue<Integer>(at + 1));
    case ftSmallint:
      return std::to_string(ReadValue<SmallInt>(at + 1));
    case ftFloat:
      return std::to_string(ReadValue<double>(at + 1));
    default:
      break;
  }
  const Byte* value = at + 1;
  if (f->FieldNo() > 0 && (store().FieldFlags(f->FieldNo()) & mtffIndirect)) {
    const Byte* buffer = IndirectBuffer(at);
    if (buffer == nullptr)
      buffer = IndirectBuffer(store().RecordBySerial(record->Serial)->Data + (at - record->Data));
    value = LengthBufferData(buffer);
  }
  return String(reinterpret_cast<const char*>(value));
}

TvomRecord* TestTable::Insert(const std::function<void(TvomRecord*)>& fill, Integer recNo) {
  TvomRecord* record = NewRecord();
  fill(record);
  try {
    indexes_->CheckUnique(record, nullptr);
  } catch (...) {
    store().FreeRecord(record, true, false);
    throw;
  }
  store().AppendRecord(record);
  record->TransactionLevel = store().TransactionLevel();
  store().SetModified(true);
  store().UpdateIndexes(mticInsert, this, recNo, record, record);
  return record;
}

TvomRecord* TestTable::InsertText(const String& field, const String& text) {
  return Insert([&](TvomRecord* r) { SetText(r, field, text); });
}

void TestTable::Edit(TvomRecord* stored, const std::function<void(TvomRecord*)>& fill) {
  TvomRecord* buffer = store().CopyRecord(stored, false);
  fill(buffer);
  try {
    indexes_->CheckUnique(buffer, stored);
  } catch (...) {
    store().FreeRecord(buffer, true, false);
    throw;
  }
  buffer->UpdateStatus = usModified;
  if (store().EnableVersioning() &&
      (store().VersioningMode() == mtvmAllSinceCheckPoint || buffer->PrevVersion == nullptr)) {
    TvomRecord* older = store().CopyRecord(stored, true);
    older->Flags |= mtrfInStore;
    buffer->PrevVersion = older;
  }
  store().SetModified(true);
  const Integer at = indexes_->Current()->References().IndexOf(stored);
  store().UpdateIndexes(mticEdit, this, at, stored, buffer);
  store().TransferRecord(buffer, stored);
  stored->Flags |= mtrfInStore;
  stored->TransactionLevel = store().TransactionLevel();
  store().FreeRecord(buffer, true, false);
}

void TestTable::Delete(TvomRecord* stored) {
  const Integer at = indexes_->Current()->References().IndexOf(stored);
  store().UpdateIndexes(mticDelete, this, at, stored, stored);
  if (!store().EnableVersioning()) {
    store().DeleteRecord(stored);
  } else {
    TvomRecord* older = store().CopyRecord(stored, true);
    older->Flags |= mtrfInStore;
    stored->PrevVersion = older;
    stored->UpdateStatus = usDeleted;
    stored->TransactionLevel = store().TransactionLevel();
    store().SetDeletedCount(store().DeletedCount() + 1);
  }
  store().SetModified(true);
}

std::vector<String> TestTable::Walk(const String& field, TvomIndex* index) const {
  if (index == nullptr) index = indexes_->Current();
  std::vector<String> values;
  for (Integer p = 0; p < index->Count(); ++p) values.push_back(Text(index->Refs(p), field));
  return values;
}

std::unique_ptr<TvomFieldList> TestTable::List(const std::vector<String>& names, Byte options) {
  auto list = std::make_unique<TvomFieldList>(store_);
  for (const String& name : names) list->Add(Field(name), options);
  return list;
}
