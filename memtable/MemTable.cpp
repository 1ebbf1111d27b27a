// memtable/MemTable.cpp
//
// The table as a whole: creation and destruction, properties, structure,
// opening and closing, attaching to another table's store, progress, the
// store's lock, transactions and following a master dataset.
#include "memtable/MemTable.h"

#include <algorithm>
#include <typeinfo>

#include "platform/data/DataMessages.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "platform/rtl/Format.h"

TvomCustomMemTable::TvomCustomMemTable(TComponent* owner) : TDataSet(owner) {
  index_defs_ = std::make_unique<TIndexDefs>(this);
  MakeOwnStore();
  master_link_ = std::make_unique<TMasterDataLink>(this);
  master_link_->OnMasterChange = [this](TObject*) { MasterChanged(); };
  master_link_->OnMasterDisable = [this](TObject*) { MasterDisabled(); };
}

TvomCustomMemTable::~TvomCustomMemTable() {
  // A destructor cannot let a failing close handler escape; the application
  // hears of it instead.
  try {
    Close();
  } catch (...) {
    HandleCurrentException();
  }
  master_link_.reset();
  FreeKeyRecords();
  filter_part_.reset();
  form_data_.reset();
  LeaveStore();
}

void TvomCustomMemTable::MakeOwnStore() {
  indexes_.reset();
  own_store_ = std::make_unique<TvomCommon>(this);
  store_ = own_store_.get();
  indexes_ = std::make_unique<TvomIndexes>(this);
  index_field_list_ = TvomFieldList(store_);
  detail_field_list_ = TvomFieldList(store_);
}

void TvomCustomMemTable::LeaveStore() {
  // The index list refers to records of the store: it goes first.
  indexes_.reset();
  if (own_store_) {
    own_store_.reset();
  } else if (store_ != nullptr) {
    store_->DetachTable(this);
  }
  store_ = nullptr;
}

// --- structure ------------------------------------------------------------------------

void TvomCustomMemTable::CreateTable() {
  store_->CloseTables(nullptr);
  TFieldDefs* defs = FieldDefs();
  if (defs->Count() == 0) {
    for (TField* field : Fields())
      if (field->FieldKind() == fkData)
        defs->Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
  }
  if (defs->TotalCount() > kvomMaxFields) throw EMemTableError(SvomTooManyFieldDefs);
  indexes_->Clear();
  auto_inc_field_ = nullptr;
  DestroyFields();
  CreateFields();
  for (Integer i = 0; i < index_defs_->Count(); ++i) indexes_->AddFromDef(*index_defs_->Items(i));
  LocateAutoIncField();
  store_->SetAutoIncMaxValue(store_->AutoIncMinValue() - 1);
}

void TvomCustomMemTable::DeleteTable() {
  store_->CloseTables(nullptr);
  auto_inc_field_ = nullptr;
  DestroyFields();
}

void TvomCustomMemTable::LocateAutoIncField() {
  auto_inc_field_ = nullptr;
  for (TField* field : Fields()) {
    if (field->DataType() == ftAutoInc && field->FieldKind() == fkData) {
      auto_inc_field_ = field;
      return;
    }
  }
}

void TvomCustomMemTable::InternalInitFieldDefs() {
  if (attached_to_ != nullptr) {
    FieldDefs()->Assign(attached_to_->FieldDefs());
    return;
  }
  // With persistent fields the fields are the definition of the table.
  if (Fields().Count() == 0) return;
  TFieldDefs* defs = FieldDefs();
  defs->Clear();
  for (TField* field : Fields()) {
    if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) continue;
    TFieldDef* def =
        defs->Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
    if (field->FieldKind() == fkInternalCalc) def->SetInternalCalcField(true);
  }
}

// --- opening and closing ----------------------------------------------------------------

void TvomCustomMemTable::SetActive(bool value) {
  if (value && !design_activation_ && ComponentState().Contains(csLoading)) return;
  if (!value && Active() && persistent_) SavePersistentFile();
  TDataSet::SetActive(value);
}

Integer TvomCustomMemTable::NeededCalcAreaSize() const {
  Integer size = 0;
  for (TField* field : const_cast<TvomCustomMemTable*>(this)->Fields())
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
      size += field->DataSize() + 1;
  return size;
}

Integer TvomCustomMemTable::CalcAreaSize() {
  // The area serves every table of the store: each lays its own calculated
  // fields out in it, so it must hold the largest of them.
  Integer size = TDataSet::CalcFieldsSize();
  for (Integer i = 0; i < store_->AttachedCount(); ++i) {
    auto* table = dynamic_cast<TvomCustomMemTable*>(store_->AttachedTables(i));
    if (table != nullptr && table != this) size = std::max(size, table->NeededCalcAreaSize());
  }
  return size;
}

void TvomCustomMemTable::InternalOpen() {
  const bool owner = store_->Owner() == this;
  if (!owner && attached_to_ != nullptr && !attached_to_->Active()) attached_to_->Open();

  TvomStoreLock hold(*store_);
  if (attached_to_ != nullptr || !DefaultFields()) InternalInitFieldDefs();
  if (DefaultFields()) {
    if (owner && FieldDefs()->Count() == 0) throw EMemTableError(SvomNoFields);
    CreateFields();
  }
  LocateAutoIncField();
  // Only the owner starts numbering afresh: its store is empty now, while
  // an attached table opens onto records that already have their numbers.
  if (owner) store_->SetAutoIncMaxValue(store_->AutoIncMinValue() - 1);

  SetBookmarkSize(8);
  BindFields(true);
  if (owner) {
    store_->LayoutRecord(*FieldDefs());
  } else if (TDataSet::CalcFieldsSize() > store_->CalcSize()) {
    // The owner laid the records out before this table had these fields.
    throw EMemTableError(SvomCalcAreaTooSmall);
  }

  open_ = true;
  cursor_ = -1;
  last_placed_ = -1;
  before_close_done_ = false;
  indexes_->Clear();
  for (Integer i = 0; i < index_defs_->Count(); ++i) indexes_->AddFromDef(*index_defs_->Items(i));
  indexes_->SetCurrent(nullptr);
  // An attached table opens onto records already stored: its indexes are
  // loaded before the first records are read.
  for (Integer i = 0; i < indexes_->Count(); ++i)
    if (!indexes_->Items(i)->Ordered()) indexes_->Items(i)->Rebuild();
  index_field_list_ = TvomFieldList(store_);
  BuildMasterFieldList();
  BuildDetailFieldList();
}

void TvomCustomMemTable::InternalClose() {
  if (open_ && !before_close_done_) DoBeforeClose();
  {
    TvomStoreLock hold(*store_);
    if (store_->Owner() == this) {
      // The others close first: closing may still read their records (a
      // pending edit is cancelled).
      store_->CloseTables(this);
      store_->EmptyTables();
    }
    cursor_ = -1;
    last_placed_ = -1;
    indexes_->Clear();
    open_ = false;
  }
  BindFields(false);
  FreeKeyRecords();
  range_active_ = false;
  master_values_set_ = false;
  override_record_ = nullptr;
  index_field_list_.Clear();
  master_field_list_.Clear();
  detail_field_list_.Clear();
  // The compiled filter refers to the fields; the after-open step compiles it again.
  DropCompiledFilter();
  if (DefaultFields()) {
    auto_inc_field_ = nullptr;
    DestroyFields();
  }
}

void TvomCustomMemTable::FreeKeyRecords() {
  key_buffer_ = nullptr;
  if (store_ == nullptr) return;
  for (TvomRecord** record : {&range_start_, &range_end_, &master_key_}) {
    store_->FreeRecord(*record, true, false);
    *record = nullptr;
  }
}

// --- the store's side ------------------------------------------------------------------

void TvomCustomMemTable::CloseForStore() {
  Close();
}

void TvomCustomMemTable::RefreshForStore() {
  Refresh();
}

void TvomCustomMemTable::DiscardRecordBuffers() {
  // The store is about to free its records: nothing may refer to them.
  CursorPosChanged();
  ClearBuffers();
  indexes_->ClearAllReferences();
  cursor_ = -1;
}

void TvomCustomMemTable::StoreDestroyed() {
  // The table this one was attached to has gone: it gets a store of its own.
  if (attached_to_ != nullptr) RemoveFreeNotification(attached_to_);
  attached_to_ = nullptr;
  own_store_.reset();
  store_ = nullptr;
  MakeOwnStore();
}

// --- attaching ---------------------------------------------------------------------------

void TvomCustomMemTable::SetAttachedTo(TvomCustomMemTable* value) {
  if (value == this) throw EMemTableError(SvomAttachToSelf);
  if (value == attached_to_) return;
  Close();
  if (attached_to_ != nullptr) {
    RemoveFreeNotification(attached_to_);
    attached_to_ = nullptr;
    LeaveStore();
    MakeOwnStore();
  }
  if (value == nullptr) return;
  if (value->AttachedTo() != nullptr) throw EMemTableError(SvomAttachToAttached);

  // Joining may be refused (the target's list is full while a table of it is
  // open); until then the table keeps its own store.
  value->Store().AttachTable(this);
  indexes_.reset();
  own_store_.reset();
  store_ = &value->Store();
  attached_to_ = value;
  FreeNotification(value);
  indexes_ = std::make_unique<TvomIndexes>(this);
  index_field_list_ = TvomFieldList(store_);
  detail_field_list_ = TvomFieldList(store_);

  if (ComponentState().Contains(csDesigning)) {
    if (!value->Active()) value->InitFieldDefs();
    FieldDefs()->Assign(value->FieldDefs());
    return;
  }
  for (TField* source : value->Fields()) {
    if (FindField(source->FieldName()) != nullptr) continue;
    TField* field = NewField(source->DataType(), this).release();  // owned by this table
    field->SetFieldName(source->FieldName());
    if (source->Size() > 0) field->SetSize(source->Size());
    field->SetFieldKind(source->FieldKind());
    field->SetDataSet(this);
    CopyFieldProperties(source, field);
  }
}

// --- store settings --------------------------------------------------------------------------

Integer TvomCustomMemTable::AttachMaxCount() const {
  return store_->AttachMaxCount();
}
void TvomCustomMemTable::SetAttachMaxCount(Integer value) {
  store_->SetAttachMaxCount(value);
}
Integer TvomCustomMemTable::AutoIncMinValue() const {
  return store_->AutoIncMinValue();
}
void TvomCustomMemTable::SetAutoIncMinValue(Integer value) {
  store_->SetAutoIncMinValue(value);
}
TvomPerformance TvomCustomMemTable::Performance() const {
  return store_->Performance();
}
void TvomCustomMemTable::SetPerformance(TvomPerformance value) {
  store_->SetPerformance(value);
}
bool TvomCustomMemTable::EnableVersioning() const {
  return store_->EnableVersioning();
}
void TvomCustomMemTable::SetEnableVersioning(bool value) {
  store_->SetEnableVersioning(value);
}
TvomVersioningMode TvomCustomMemTable::VersioningMode() const {
  return store_->VersioningMode();
}
void TvomCustomMemTable::SetVersioningMode(TvomVersioningMode value) {
  store_->SetVersioningMode(value);
}
Integer TvomCustomMemTable::LanguageID() const {
  return store_->LanguageID();
}
void TvomCustomMemTable::SetLanguageID(Integer value) {
  store_->SetLanguageID(value);
}
Integer TvomCustomMemTable::SubLanguageID() const {
  return store_->SubLanguageID();
}
void TvomCustomMemTable::SetSubLanguageID(Integer value) {
  store_->SetSubLanguageID(value);
}
Integer TvomCustomMemTable::SortID() const {
  return store_->SortID();
}
void TvomCustomMemTable::SetSortID(Integer value) {
  store_->SetSortID(value);
}
Integer TvomCustomMemTable::LocaleID() const {
  return store_->LocaleID();
}
void TvomCustomMemTable::SetLocaleID(Integer value) {
  store_->SetLocaleID(value);
}

bool TvomCustomMemTable::Standalone() const {
  return store_->Standalone();
}

void TvomCustomMemTable::SetStandalone(bool value) {
  if (value == store_->Standalone()) return;
  if (open_) throw EMemTableError(SvomTableMustBeClosed);
  if (attached_to_ != nullptr) throw EMemTableError(SvomTableIsAttached);
  store_->SetStandalone(value);
}

// --- progress and locking ----------------------------------------------------------------------

void TvomCustomMemTable::Progress(Integer percentage, TvomProgressCode code) {
  if (OnProgress && progress_flags_.Contains(code)) OnProgress(this, percentage, code);
}

void TvomCustomMemTable::Lock() {
  store_->Lock();
  store_->SetLockedByTable(true);
}

void TvomCustomMemTable::Unlock() {
  store_->SetLockedByTable(false);
  store_->Unlock();
}

void TvomCustomMemTable::DataEvent(TDataEvent event, std::intptr_t info) {
  // While a caller holds the store through Lock, the controls are not asked
  // to redraw. What the model itself keeps (a field change marking the
  // record modified, the state, requests for pending control values) still
  // goes through, or an edit made meanwhile would be lost.
  if (store_ != nullptr && store_->LockedByTable()) {
    switch (event) {
      case deFieldChange:
      case deUpdateState:
      case deUpdateRecord:
      case deCheckBrowseMode:
        break;
      default:
        return;
    }
  }
  TDataSet::DataEvent(event, info);
}

void TvomCustomMemTable::FieldChanged(TField* field) {
  DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

// --- transactions ------------------------------------------------------------------------------

void TvomCustomMemTable::StartTransaction() {
  if (!Active()) return;
  if (!store_->EnableVersioning() || store_->VersioningMode() != mtvmAllSinceCheckPoint)
    throw EMemTableError(SvomTransactionsNeedVersions);
  store_->IncTransactionLevel();
}

void TvomCustomMemTable::Rollback() {
  EndTransaction(false);
}

void TvomCustomMemTable::Commit() {
  EndTransaction(true);
}

void TvomCustomMemTable::EndTransaction(bool commit) {
  if (!Active() || store_->TransactionLevel() <= 0) return;
  // A pending edit holds copies of versions that ending the level may free;
  // posting it afterwards would bring them back. It is given up first.
  if (State() == dsEdit || State() == dsInsert) Cancel();
  UpdateCursorPos();
  {
    TvomStoreLock hold(*store_);
    if (commit)
      store_->Commit();
    else
      store_->Rollback();
    store_->DecTransactionLevel();
    store_->RebuildAllIndexes();
  }
  UpdateFilteringState();
  CursorPosChanged();
  Refresh();
  // The other tables may show records that the rollback removed.
  store_->RefreshOtherTables(this);
}

// --- master/detail -------------------------------------------------------------------------------

const String& TvomCustomMemTable::MasterFields() const {
  return master_link_->FieldNames();
}

void TvomCustomMemTable::SetMasterFields(const String& value) {
  master_link_->SetFieldNames(value);
  if (open_) BuildMasterFieldList();
}

void TvomCustomMemTable::SetDetailFields(const String& value) {
  detail_fields_ = value;
  if (open_) BuildDetailFieldList();
}

TDataSource* TvomCustomMemTable::MasterSource() const {
  return master_link_->DataSource();
}

void TvomCustomMemTable::SetMasterSource(TDataSource* value) {
  // Follow the masters of the new master: none may be this table.
  std::vector<const TDataSet*> seen;
  for (TDataSource* source = value; source != nullptr;) {
    TDataSet* master = source->DataSet();
    if (master == nullptr) break;
    if (master == this) DatabaseError(SvomSelfReferencingMaster, this);
    if (std::find(seen.begin(), seen.end(), master) != seen.end()) break;
    seen.push_back(master);
    source = master->GetDataSource();
  }
  master_link_->SetDataSource(value);
  if (open_) BuildMasterFieldList();
}

void TvomCustomMemTable::BuildMasterFieldList() {
  master_field_list_.Clear();
  TDataSource* source = master_link_->DataSource();
  if (!master_link_->Active() || source == nullptr || source->DataSet() == nullptr) return;
  std::vector<TField*> fields;
  source->DataSet()->GetFieldList(fields, master_link_->FieldNames());
  for (TField* field : fields) master_field_list_.Add(field, 0);
}

void TvomCustomMemTable::BuildDetailFieldList() {
  detail_field_list_ = TvomFieldList(store_);
  if (detail_fields_.empty()) return;
  std::vector<TField*> fields;
  GetFieldList(fields, detail_fields_);
  for (TField* field : fields) detail_field_list_.Add(field, 0);
}

const TvomFieldList& TvomCustomMemTable::DetailOrIndexFields() const {
  return detail_field_list_.Count() > 0 ? detail_field_list_ : index_field_list_;
}

void TvomCustomMemTable::MasterChanged() {
  const std::vector<TField*>& masters = master_link_->Fields();
  const TvomFieldList& details = DetailOrIndexFields();
  // The values are taken before the record test is worked out again, which
  // asks whether detail values are set.
  if (!masters.empty() && details.Count() > 0) {
    if (master_key_ == nullptr) master_key_ = store_->AllocRecord();
    const Integer n = std::min(static_cast<Integer>(masters.size()), details.Count());
    for (Integer i = 0; i < n; ++i)
      SetRecordFieldValue(master_key_, details.Fields(i),
                          masters[static_cast<std::size_t>(i)]->AsVariant());
    master_values_set_ = true;
  }
  UpdateFilteringState();
  if (!Active()) return;
  CheckBrowseMode();
  First();
}

void TvomCustomMemTable::MasterDisabled() {
  UpdateFilteringState();
  if (Active()) First();
}

// --- component references ------------------------------------------------------------------------

void TvomCustomMemTable::Notification(TComponent* component, TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == this) {
    Close();
    return;
  }
  if (master_link_ && MasterSource() != nullptr && component == MasterSource())
    master_link_->SetDataSource(nullptr);
  if (component == attached_to_) SetAttachedTo(nullptr);
  for (TComponent** reference : {&delta_handler_, &default_format_, &comma_text_format_,
                                 &persistent_format_, &all_data_format_, &form_format_})
    if (*reference == component) *reference = nullptr;
}

bool IsOwnMemTableClass(const TvomCustomMemTable& table) {
  const std::type_info& type = typeid(table);
  return type == typeid(TvomMemTable) || type == typeid(TvomCustomMemTable);
}
