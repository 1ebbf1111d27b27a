// memtable/StreamFormat.cpp
#include "memtable/StreamFormat.h"

#include <exception>

#include "memtable/MemTable.h"
#include "platform/data/Field.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"

namespace {

constexpr const char* SvomNoLoadFields = "Couldnt determine field count for load.";

// Runs every step, even when an earlier one raised, and raises the first
// error afterwards: restoring must not stop half-way.
class TStepRunner {
 public:
  template <class Step>
  void Run(Step step) {
    try {
      step();
    } catch (...) {
      if (!error_) error_ = std::current_exception();
    }
  }
  void Finish() {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  std::exception_ptr error_;
};

}  // namespace

TvomCustomStreamFormat::TvomCustomStreamFormat(TComponent* owner) : TComponent(owner) {}

TvomCustomStreamFormat::~TvomCustomStreamFormat() = default;

String TvomCustomStreamFormat::GetVersion() const {
  return "1.00";
}

void TvomCustomStreamFormat::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TvomCustomStreamFormat*>(source);
  if (other == nullptr) {
    TComponent::Assign(source);
    return;
  }
  sf_data_ = other->sf_data_;
  sf_calculated_ = other->sf_calculated_;
  sf_lookup_ = other->sf_lookup_;
  sf_non_visible_ = other->sf_non_visible_;
  sf_blobs_ = other->sf_blobs_;
  sf_def_ = other->sf_def_;
  sf_index_def_ = other->sf_index_def_;
  sf_filtered_ = other->sf_filtered_;
  sf_ignore_range_ = other->sf_ignore_range_;
  sf_ignore_master_detail_ = other->sf_ignore_master_detail_;
  sf_deltas_ = other->sf_deltas_;
  sf_dont_filter_deltas_ = other->sf_dont_filter_deltas_;
  sf_append_ = other->sf_append_;
  sf_field_kind_ = other->sf_field_kind_;
  sf_from_start_ = other->sf_from_start_;
}

void TvomCustomStreamFormat::SetKeepLoadedAutoInc(TvomCustomMemTable* table, bool value) {
  table->SetKeepLoadedAutoInc(value);
}

TvomCustomStreamFormat::TSaveStep TvomCustomStreamFormat::SaveStep(TvomCustomMemTable* table,
                                                                   Integer position, Integer count,
                                                                   TvomRecord* record) {
  const Integer limit = table->SaveLimit();
  if (limit > 0 && table->SaveCount() >= limit) {
    table->SetSavedCompletely(false);
    return TSaveStep::Stop;
  }
  // The divisor is the number of positions walked, never 0 inside the walk
  // (the table's own count may be 0 when every record is filtered out).
  if (position % 100 == 0)
    table->Progress(static_cast<Integer>(Int64{position} * 100 / count), mtpcSave);
  if (record == nullptr) return TSaveStep::Skip;
  table->SetOverrideRecord(record);
  table->CalcRecordFields(record);
  if (table->MustTestRecords() && !table->FilterRecord(record, false)) return TSaveStep::Skip;
  bool accept = true;
  if (table->OnSaveRecord) table->OnSaveRecord(table, accept);
  return accept ? TSaveStep::Write : TSaveStep::Skip;
}

// --- the protocols ----------------------------------------------------------------

void TvomCustomStreamFormat::RunProtocol(
    TvomCustomMemTable* table, TStream* stream,
    void (TvomCustomStreamFormat::*before)(TvomCustomMemTable*),
    void (TvomCustomStreamFormat::*step)(TvomCustomMemTable*),
    void (TvomCustomStreamFormat::*after)(TvomCustomMemTable*)) {
  stream_ = stream;
  work_stream_ = nullptr;
  TStepRunner steps;
  steps.Run([&] {
    (this->*before)(table);
    try {
      (this->*step)(table);
    } catch (...) {
      try {
        (this->*after)(table);
      } catch (...) {
        // The step's own error is the one to report.
      }
      throw;
    }
    (this->*after)(table);
  });
  own_work_stream_.reset();
  stream_ = nullptr;
  work_stream_ = nullptr;
  steps.Finish();
}

void TvomCustomStreamFormat::SaveTable(TvomCustomMemTable* table, TStream* stream) {
  RunProtocol(table, stream, &TvomCustomStreamFormat::BeforeSave, &TvomCustomStreamFormat::Save,
              &TvomCustomStreamFormat::AfterSave);
}

void TvomCustomStreamFormat::LoadTable(TvomCustomMemTable* table, TStream* stream) {
  RunProtocol(table, stream, &TvomCustomStreamFormat::BeforeLoad, &TvomCustomStreamFormat::Load,
              &TvomCustomStreamFormat::AfterLoad);
}

// --- saving -------------------------------------------------------------------------------

void TvomCustomStreamFormat::DetermineSaveFields(TvomCustomMemTable* table) {
  const Integer count = table->FieldCount();
  save_map_.assign(static_cast<std::size_t>(count), -1);
  for (Integer i = 0; i < count; ++i) {
    TField* field = table->Fields(i);
    Integer& entry = save_map_[static_cast<std::size_t>(i)];
    if (IsBlobFieldType(field->DataType())) {
      if (!HasFlag(sf_blobs_, sfSaveBlobs)) continue;
      entry = i;
    }
    switch (field->FieldKind()) {
      case fkData:
      case fkInternalCalc:
        if (HasFlag(sf_data_, sfSaveData)) entry = i;
        break;
      case fkCalculated:
        if (HasFlag(sf_calculated_, sfSaveCalculated)) entry = i;
        break;
      case fkLookup:
        if (HasFlag(sf_lookup_, sfSaveLookup)) entry = i;
        break;
      case fkAggregate:
        entry = -1;
        break;
    }
    if (!field->Visible() && !HasFlag(sf_non_visible_, sfSaveNonVisible)) entry = -1;
  }
}

void TvomCustomStreamFormat::BeforeSave(TvomCustomMemTable* table) {
  table->DisableControls();
  table->Store().Lock();
  table->SetOperationState(mtosSaving);
  saved_filtered_ = table->Filtered();
  saved_range_ = table->RangeActive();
  saved_master_detail_ = table->MasterDetailActive();
  try {
    table->Progress(0, mtpcSave);
    if (saved_filtered_ && HasFlag(sf_filtered_, sfSaveFiltered)) table->SetFiltered(false);
    if (saved_master_detail_ && HasFlag(sf_ignore_master_detail_, sfSaveIgnoreMasterDetail))
      table->SetMasterDetailActive(false);
    if (saved_range_ && HasFlag(sf_ignore_range_, sfSaveIgnoreRange)) table->SetRangeActive(false);

    if (OnCompress) {
      own_work_stream_ = std::make_unique<TMemoryStream>();
      work_stream_ = own_work_stream_.get();
    } else {
      work_stream_ = stream_;
    }
    if (HasFlag(sf_append_, sfSaveAppend)) {
      work_stream_->Seek(0, soFromEnd);
    } else if (!HasFlag(sf_append_, sfSaveInsert)) {
      work_stream_->SetSize(0);
      work_stream_->SetPosition(0);
    }
    DetermineSaveFields(table);
    table->UpdateFilteringState();
  } catch (...) {
    // Nothing after this step will restore what was switched so far.
    TStepRunner steps;
    steps.Run([&] { RestoreAfterSave(table); });
    throw;
  }
}

void TvomCustomStreamFormat::SaveDef(TvomCustomMemTable*) {}

void TvomCustomStreamFormat::SaveData(TvomCustomMemTable*) {}

void TvomCustomStreamFormat::Save(TvomCustomMemTable* table) {
  if (OnBeforeSave) OnBeforeSave(this);
  SaveDef(table);
  SaveData(table);
  if (OnAfterSave) OnAfterSave(this);
}

void TvomCustomStreamFormat::RestoreAfterSave(TvomCustomMemTable* table) {
  TStepRunner steps;
  steps.Run([&] { table->SetMasterDetailActive(saved_master_detail_); });
  steps.Run([&] { table->SetRangeActive(saved_range_); });
  steps.Run([&] {
    if (table->Filtered() != saved_filtered_) table->SetFiltered(saved_filtered_);
  });
  table->SetOperationState(mtosIdle);
  steps.Run([&] { table->Progress(100, mtpcSave); });
  table->Store().Unlock();
  steps.Run([&] { table->UpdateFilteringState(); });
  steps.Run([&] { table->EnableControls(); });
  steps.Finish();
}

void TvomCustomStreamFormat::AfterSave(TvomCustomMemTable* table) {
  TStepRunner steps;
  steps.Run([&] {
    if (OnCompress) OnCompress(table, work_stream_, stream_);
  });
  steps.Run([&] { RestoreAfterSave(table); });
  if (work_stream_ != stream_) {
    work_stream_ = stream_;
    own_work_stream_.reset();
  }
  steps.Finish();
}

// --- loading ---------------------------------------------------------------------------------

void TvomCustomStreamFormat::DetermineLoadFieldIDs(TvomCustomMemTable* table, TStrings* ids,
                                                   TvomDetermineLoadFieldsSituation) {
  ids->Clear();
  for (Integer i = 0; i < table->FieldCount(); ++i) ids->Add(table->Fields(i)->DisplayName());
}

void TvomCustomStreamFormat::DetermineLoadFieldIndex(TvomCustomMemTable*, const String&, Integer,
                                                     Integer, Integer&,
                                                     TvomDetermineLoadFieldsSituation) {}

void TvomCustomStreamFormat::DetermineLoadFields(TvomCustomMemTable* table,
                                                 TvomDetermineLoadFieldsSituation situation) {
  TStringList ids;
  ids.Clear();
  DetermineLoadFieldIDs(table, &ids, situation);
  const Integer count = ids.Count();
  load_map_.assign(static_cast<std::size_t>(count), -1);
  for (Integer p = 0; p < count; ++p) {
    Integer& entry = load_map_[static_cast<std::size_t>(p)];
    DetermineLoadFieldIndex(table, ids.Strings(p), count, p, entry, situation);
    if (entry < 0) continue;
    if (entry >= table->FieldCount()) {
      entry = -1;
      continue;
    }
    const TField* field = table->Fields(entry);
    bool keep;
    switch (field->FieldKind()) {
      case fkData:
      case fkInternalCalc:
        keep = HasFlag(sf_data_, sfLoadData);
        break;
      case fkCalculated:
        keep = HasFlag(sf_calculated_, sfLoadCalculated);
        break;
      case fkLookup:
        keep = HasFlag(sf_lookup_, sfLoadLookup);
        break;
      default:
        keep = false;
        break;
    }
    if (keep && IsBlobFieldType(field->DataType())) keep = HasFlag(sf_blobs_, sfLoadBlobs);
    if (keep && !field->Visible()) keep = HasFlag(sf_non_visible_, sfLoadNonVisible);
    if (!keep) entry = -1;
  }
}

void TvomCustomStreamFormat::BeforeLoad(TvomCustomMemTable* table) {
  table->DisableControls();
  table->Store().Lock();
  table->SetOperationState(mtosLoading);
  saved_persistent_ = table->Persistent();
  saved_enable_indexes_ = table->EnableIndexes();
  saved_bookmark_.Clear();
  try {
    table->SetPersistent(false);
    table->SetEnableIndexes(false);
    table->SetIgnoreReadOnly(true);
    table->SetKeepLoadedAutoInc(true);
    if (table->Active() && !table->IsEmpty() && table->AutoReposition())
      saved_bookmark_ = table->GetBookmark();
    table->Progress(0, mtpcLoad);
    if (OnDeCompress) {
      own_work_stream_ = std::make_unique<TMemoryStream>();
      work_stream_ = own_work_stream_.get();
      if (HasFlag(sf_from_start_, sfLoadFromStart)) stream_->SetPosition(0);
      OnDeCompress(table, stream_, work_stream_);
      work_stream_->SetPosition(0);
    } else {
      work_stream_ = stream_;
      if (HasFlag(sf_from_start_, sfLoadFromStart)) work_stream_->SetPosition(0);
    }
    DetermineLoadFields(table, dlfBeforeLoad);
  } catch (...) {
    // Nothing after this step will restore what was switched so far.
    TStepRunner steps;
    steps.Run([&] { RestoreAfterLoad(table, false); });
    throw;
  }
}

void TvomCustomStreamFormat::LoadDef(TvomCustomMemTable*) {}

void TvomCustomStreamFormat::LoadData(TvomCustomMemTable*) {}

void TvomCustomStreamFormat::Load(TvomCustomMemTable* table) {
  if (OnBeforeLoad) OnBeforeLoad(this);
  LoadDef(table);
  DetermineLoadFields(table, dlfAfterLoadDef);
  if (load_map_.empty()) throw EMemTableError(SvomNoLoadFields);
  LoadData(table);
  if (OnAfterLoad) OnAfterLoad(this);
}

// `loaded`: the load ran, so the indexes are rebuilt and the table positioned.
void TvomCustomStreamFormat::RestoreAfterLoad(TvomCustomMemTable* table, bool loaded) {
  TStepRunner steps;
  table->SetPersistent(saved_persistent_);
  table->SetEnableIndexes(saved_enable_indexes_);
  table->SetIgnoreReadOnly(false);
  table->SetKeepLoadedAutoInc(false);
  if (loaded) {
    steps.Run([&] {
      table->Store().MarkAllIndexesUnordered();
      table->Store().RebuildAllIndexes();
    });
  }
  table->Store().Unlock();
  if (loaded) {
    table->ClearBuffers();
    steps.Run([&] {
      if (!table->Active()) return;
      if (table->AutoReposition() && !saved_bookmark_.Empty() &&
          table->BookmarkValid(saved_bookmark_))
        table->GotoBookmark(saved_bookmark_);
      else
        table->First();
    });
  }
  saved_bookmark_.Clear();
  steps.Run([&] { table->EnableControls(); });
  steps.Run([&] { table->Progress(100, mtpcLoad); });
  table->SetOperationState(mtosIdle);
  if (loaded) {
    steps.Run([&] {
      if (table->Active()) table->Refresh();
    });
  }
  steps.Finish();
}

void TvomCustomStreamFormat::AfterLoad(TvomCustomMemTable* table) {
  TStepRunner steps;
  steps.Run([&] { RestoreAfterLoad(table, true); });
  if (work_stream_ != stream_) {
    work_stream_ = stream_;
    own_work_stream_.reset();
  }
  steps.Finish();
}

// --- the table's format properties ---------------------------------------------------------

namespace {
void SetFormatReference(TvomCustomMemTable* table, TComponent*& slot,
                        TvomCustomStreamFormat* value) {
  if (slot == value) return;
  slot = value;
  if (value != nullptr) table->FreeNotification(value);
}
}  // namespace

TvomCustomStreamFormat* TvomCustomMemTable::DefaultFormat() const {
  return static_cast<TvomCustomStreamFormat*>(default_format_);
}
void TvomCustomMemTable::SetDefaultFormat(TvomCustomStreamFormat* value) {
  SetFormatReference(this, default_format_, value);
}
TvomCustomStreamFormat* TvomCustomMemTable::CommaTextFormat() const {
  return static_cast<TvomCustomStreamFormat*>(comma_text_format_);
}
void TvomCustomMemTable::SetCommaTextFormat(TvomCustomStreamFormat* value) {
  SetFormatReference(this, comma_text_format_, value);
}
TvomCustomStreamFormat* TvomCustomMemTable::PersistentFormat() const {
  return static_cast<TvomCustomStreamFormat*>(persistent_format_);
}
void TvomCustomMemTable::SetPersistentFormat(TvomCustomStreamFormat* value) {
  SetFormatReference(this, persistent_format_, value);
}
TvomCustomStreamFormat* TvomCustomMemTable::AllDataFormat() const {
  return static_cast<TvomCustomStreamFormat*>(all_data_format_);
}
void TvomCustomMemTable::SetAllDataFormat(TvomCustomStreamFormat* value) {
  SetFormatReference(this, all_data_format_, value);
}
TvomCustomStreamFormat* TvomCustomMemTable::FormFormat() const {
  return static_cast<TvomCustomStreamFormat*>(form_format_);
}
void TvomCustomMemTable::SetFormFormat(TvomCustomStreamFormat* value) {
  SetFormatReference(this, form_format_, value);
}
