// oracle/OracleDataSetRecords.cpp
//
// The dataset's record engine: opening (field definitions from the
// described select list, the record layout), fetching rows into records,
// the record buffers of the dataset model, bookmarks and navigation over
// the fetched records, and reading and writing field values.
#include <algorithm>
#include <cstring>

#include "oracle/OracleDataSet.h"
#include "oracle/OracleTypes.h"
#include "platform/data/BlobFields.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DateTimeFields.h"
#include "platform/rtl/StringUtils.h"

namespace {

using namespace OracleRecord;

bool IsStoredKind(const TField* field) {
  return field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc;
}

}  // namespace

// --- opening ----------------------------------------------------------------------

void TOracleDataSet::InternalOpen() {
  opening_ = true;
  try {
    position_ = -1;
    SetBookmarkSize(4);
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    qbe_definition_->SyncWithFieldDefs();
    BindFields(true);
    BindFieldColumns();
    records_ = std::make_unique<TRecordDataList>(this);
    if (cached_updates_ && !ComponentState().Contains(csDesigning) && rowid_column_ < 0)
      throw Exception("CachedUpdates requires a rowid!");
    ComputeRecordLayout();
    current_blobs_.reset();
    if (has_blobs_) current_blobs_ = std::make_unique<TBlobList>();
    if (has_blobs_) {
      for (TField* field : Fields())
        if (IsStoredKind(field) && field->IsBlob()) current_blobs_->Add()->SetField(field);
    }
    under_construction_ = AllocRecordBuffer();
    if (!Filter().empty()) ParseFilter();
    master_record_id_ = -1;
    ExecuteMainQuery();
  } catch (...) {
    opening_ = false;
    throw;
  }
  hits_known_ = false;
  posted_inserts_ = 0;
  opening_ = false;
  // Opening announces only its state: that is when the details follow.
  refresh_details_on_state_ = true;
}

void TOracleDataSet::InternalInitFieldDefs() {
  FieldDefs()->Clear();
  SetDetailVariables();
  const bool run = opening_ && !MasterUnavailable();
  if (run && BeforeQuery) BeforeQuery(this);
  OpenCursorQuery();
  TOracleQuery* query = FetchQuery();
  // A cursor is described only by opening it.
  if (run || cursor_query_)
    query->Execute();
  else
    query->Describe();
  first_row_pending_ = true;
  rowid_column_known_ = false;
  RowIdColumn(query);
  extra_info_.assign(1, TExtraFieldInfo{});
  TOracleSession* session = Session();
  const Integer smallIntPrecision = session && session->Preferences()->SmallIntPrecision() > 0
                                        ? session->Preferences()->SmallIntPrecision()
                                        : 4;
  const Integer maxString = session ? session->Preferences()->MaxStringFieldSize() : 0;
  for (Integer column = 0; column < query->FieldCount(); ++column) {
    if (column == rowid_column_) continue;
    TFieldType type = ftUnknown;
    Integer size = 0;
    switch (query->FieldType(column)) {
      case Oracle::otInteger:
        type = query->FieldPrecision(column) <= smallIntPrecision ? ftSmallint : ftInteger;
        break;
      case Oracle::otFloat:
        type = ftFloat;
        break;
      case Oracle::otString:
        size = std::max<Integer>(query->FieldSize(column), 1);
        type = maxString != 0 && maxString < size ? ftMemo : ftString;
        if (type == ftMemo) size = 0;
        break;
      case Oracle::otLong:
        type = ftMemo;
        break;
      case Oracle::otDate:
        type = ftDateTime;
        break;
      case Oracle::otLongRaw:
        type = ftBlob;
        break;
      case Oracle::otCLOB:
        type = ftOraClob;
        break;
      case Oracle::otBLOB:
      case Oracle::otBFile:
        type = ftOraBlob;
        break;
      default:
        continue;  // a kind of column a dataset cannot show
    }
    String name = query->FieldName(column);
    for (Integer n = 1; FieldDefs()->IndexOf(name) >= 0; ++n)
      name = query->FieldName(column) + "_" + IntToStr(n);
    const bool required = dictionary_->RequiredFields() && !query->FieldOptional(column);
    TFieldDef* def = FieldDefs()->Add(name, type, size, required);
    if (static_cast<Integer>(extra_info_.size()) <= def->FieldNo())
      extra_info_.resize(std::size_t(def->FieldNo()) + 1);
    extra_info_[std::size_t(def->FieldNo())].Column = column;
  }
  if (Active()) {
    BindFieldColumns();
    ComputeRecordLayout();
  }
}

void TOracleDataSet::OpenCursorQuery() {
  for (Integer i = 0; i < main_query_->VariableCount(); ++i) {
    if (main_query_->VariableType(i) != Oracle::otCursor) continue;
    if (!cursor_query_) {
      cursor_query_ = std::make_unique<TOracleQuery>(nullptr);
      cursor_query_->SetName("CursorQuery");
    }
    cursor_query_->SetReadBuffer(main_query_->ReadBuffer());
    cursor_query_->SetSession(Session());
    cursor_query_->SetOptimize(main_query_->Optimize());
    cursor_query_->SetCursor(main_query_->Cursor());
    cursor_query_->SetStringFieldsOnly(main_query_->StringFieldsOnly());
    main_query_->SetComplexVariable(main_query_->VariableName(i), cursor_query_.get());
    main_query_->Execute();
    return;
  }
  // The variable that asked for a cursor is gone: read the main query again.
  cursor_query_.reset();
}

void TOracleDataSet::BindFieldColumns() {
  // Fields of definitions that the select list no longer gives (persistent
  // fields of an older text) read as null.
  for (TField* field : Fields()) {
    if (!IsStoredKind(field) || field->FieldNo() < 1) continue;
    if (static_cast<Integer>(extra_info_.size()) <= field->FieldNo())
      extra_info_.resize(std::size_t(field->FieldNo()) + 1);
    extra_info_[std::size_t(field->FieldNo())].Blob = field->IsBlob();
    extra_info_[std::size_t(field->FieldNo())].ReadOnly = field->ReadOnly();
  }
  if (DefaultFields() && !Active() && Session() && Session()->Connected())
    ApplyDictionaryToFields();
}

Integer TOracleDataSet::ComputeRecordLayout() {
  Integer offset = 0;
  has_blobs_ = false;
  for (TField* field : Fields()) {
    if (!IsStoredKind(field) || field->FieldNo() < 1) continue;
    TExtraFieldInfo& info = extra_info_[std::size_t(field->FieldNo())];
    info.Offset = offset;
    if (field->IsBlob()) {
      has_blobs_ = true;
      continue;
    }
    offset += 1 + field->DataSize();
  }
  field_area_size_ = offset;
  data_size_ = offset + CalcFieldsSize();
  return HeaderSize + data_size_;
}

void TOracleDataSet::InternalClose() {
  if (!keep_lob_params_) FreeLOBParams();
  RestoreQBEFieldStates();
  RemoveQBEModification();
  SetMasterFieldsReadOnly(this, true);
  records_.reset();
  if (under_construction_) FreeRecordBuffer(under_construction_);
  current_blobs_.reset();
  filter_expression_.reset();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  position_ = -1;
  // Without records here the details have nothing to show either.
  RefreshDetails(false);
  UpdateMasterLinkFields();
  dml_query_.reset();
  cursor_query_.reset();
  main_query_->Close();
  rowid_column_known_ = false;
  change_log_->Clear();
}

void TOracleDataSet::InternalRefresh() {
  CheckNotQBE();
  hits_known_ = false;
  PostDetails();
  posted_inserts_ = 0;
  ExecuteMainQuery();
  RefreshDetails(false);
  position_ = -1;
}

// --- fetching ---------------------------------------------------------------------

void TOracleDataSet::ExecuteMainQuery() {
  records_->Clear();
  UpdateMasterLinkFields();
  for (Integer i = 0; i < change_log_->Count(); ++i) change_log_->Items(i)->SetSeen(false);
  last_id_ = 0;
  if (MasterUnavailable()) {
    // Nothing to fetch for: the details of no master record are no rows.
    master_record_id_ =
        master_->State() == dsBrowse || master_->State() == dsEdit ? MasterRecordId() : -1;
    SetDetailVariables();
    main_query_->MarkEof();
    first_row_pending_ = false;
    return;
  }
  RefreshDetails(true);
  SetDetailVariables();
  if (!opening_) {
    if (BeforeQuery) BeforeQuery(this);
    main_query_->Execute();
    // The block has opened the cursor afresh: its query reads it from the start.
    if (cursor_query_) cursor_query_->Execute();
    first_row_pending_ = true;
  }
  master_record_id_ = MasterRecordId();
  if (query_all_records_) FetchAll();
  if (AfterQuery) AfterQuery(this);
}

void TOracleDataSet::FetchAll() {
  TBusyCursor busy(this);
  while (FetchRecord()) {
  }
}

void TOracleDataSet::CreateBlobList(TRecordBuffer record) {
  auto list = std::make_unique<TBlobList>();
  for (TField* field : Fields())
    if (IsStoredKind(field) && field->IsBlob()) list->Add()->SetField(field);
  SetBlobList(record, list.release());
}

void TOracleDataSet::ConvertRow(TRecordBuffer record) {
  TOracleQuery* query = FetchQuery();
  // A row whose conversion failed may have left its blob list behind.
  TRecordDataList::FreeRecordBlobs(record);
  std::memset(record, 0, std::size_t(HeaderSize));
  SetDataSize(record, data_size_);
  std::memset(record + HeaderSize, 1, std::size_t(data_size_));
  if (has_blobs_) CreateBlobList(record);
  for (TField* field : Fields()) {
    if (!IsStoredKind(field) || field->FieldNo() < 1) continue;
    const TExtraFieldInfo& info = extra_info_[std::size_t(field->FieldNo())];
    const Integer column = info.Column;
    if (column < 0 || query->FieldIsNull(column)) continue;
    if (info.Blob) {
      TOracleBlob* blob = BlobList(record)->BlobByField(field);
      const Variant value = query->Field(column);
      if (value.IsArray()) {
        blob->SetBytes(VarArrayBytes(value), VarArrayHighBound(value, 1) + 1);
      } else {
        const String text =
            field->DataType() == ftMemo && query->FieldType(column) == Oracle::otString
                ? TrimStringValue(value.AsString())
                : value.AsString();
        blob->SetBytes(text.data(), Integer(text.size()));
      }
      continue;
    }
    ConvertColumn(record, field, query, column);
  }
  if (rowid_column_ >= 0) SetRowId(record, query->FieldAsString(rowid_column_));
}

void TOracleDataSet::ConvertColumn(TRecordBuffer record, TField* field, TOracleQuery* query,
                                   Integer column) {
  Byte* slot = FieldSlot(record, field);
  if (!slot) return;
  slot[0] = 1;
  if (query->FieldIsNull(column)) return;
  switch (field->DataType()) {
    case ftSmallint: {
      const auto value = static_cast<std::int16_t>(query->FieldAsInteger(column));
      std::memcpy(slot + 1, &value, sizeof value);
      break;
    }
    case ftInteger: {
      const Integer value = query->FieldAsInteger(column);
      std::memcpy(slot + 1, &value, sizeof value);
      break;
    }
    case ftFloat: {
      const double value = query->FieldAsFloat(column);
      std::memcpy(slot + 1, &value, sizeof value);
      break;
    }
    case ftDateTime: {
      const double value = DateTimeToNativeDateTime(query->FieldAsDate(column));
      std::memcpy(slot + 1, &value, sizeof value);
      break;
    }
    case ftString: {
      const String text = TrimStringValue(query->FieldAsString(column));
      // An empty text is stored as null, as a written one is.
      if (text.empty()) return;
      const std::size_t length = std::min<std::size_t>(text.size(), std::size_t(field->Size()));
      std::memcpy(slot + 1, text.data(), length);
      slot[1 + length] = 0;
      break;
    }
    default:
      DatabaseError("Unexpected datatype: " + field->FieldName(), this);
  }
  slot[0] = 0;
}

bool TOracleDataSet::NextRow() {
  if (MasterUnavailable()) return false;
  TOracleQuery* query = FetchQuery();
  if (first_row_pending_) {
    first_row_pending_ = false;
  } else {
    if (query->Eof()) return false;
    query->Next();
  }
  return !query->Eof();
}

bool TOracleDataSet::FetchRecord() {
  if (!records_ || qbe_mode_) return false;
  TOracleQuery* query = FetchQuery();
  for (;;) {
    TRecordBuffer scratch = under_construction_;
    // Cached changes are shown again: a logged insert where it was made,
    // a logged update in place of its row, a logged delete as no record.
    TChangeLogItem* logged = cached_updates_ ? PendingLoggedInsert(query->Eof()) : nullptr;
    if (!logged && !NextRow()) {
      logged = cached_updates_ ? PendingLoggedInsert(true) : nullptr;
      if (!logged) return false;
    }
    if (logged) {
      ApplyLoggedChange(scratch, logged);
    } else {
      ConvertRow(scratch);
      TChangeLogItem* item = cached_updates_ && rowid_column_ >= 0
                                 ? FindLogItemByRowId(OracleRecord::RowId(scratch))
                                 : nullptr;
      if (item && !ApplyLoggedChange(scratch, item)) {
        ++last_id_;
        continue;
      }
      logged = item;
    }
    SetRecordId(scratch, ++last_id_);
    if (logged) {
      logged->SetRecordId(last_id_);
      logged->SetPosition(records_->Count());
    }
    SetFlag(scratch, bfCurrent);
    const bool accepted = !Filtered() || RecordMatchesFilter(scratch);
    TRecordBuffer record = records_->AddRecord(-1, false);
    std::memcpy(record, scratch, std::size_t(HeaderSize + data_size_));
    // The record owns the blob list from here on.
    SetBlobList(scratch, nullptr);
    if (Filtered() && accepted) records_->AddToFiltered(record, true);
    if (records_->Count() == 1) UpdateMasterLinkFields();
    if (AfterFetchRecord) {
      TAfterFetchRecordAction action = afContinue;
      const Integer saved = position_;
      position_ = records_->VisibleCount() - 1;
      try {
        AfterFetchRecord(this, accepted, action);
      } catch (...) {
        position_ = saved;
        throw;
      }
      position_ = saved;
      switch (action) {
        case afContinue:
          break;
        case afPause:
          return false;
        case afStop:
          query->MarkEof();
          break;
        case afCancel:
          query->MarkEof();
          records_->Clear();
          position_ = -1;
          return false;
      }
    }
    if (accepted) return true;
  }
}

// --- record buffers ---------------------------------------------------------------

TRecordBuffer TOracleDataSet::AllocRecordBuffer() {
  auto* buffer = static_cast<TRecordBuffer>(std::calloc(std::size_t(HeaderSize + data_size_), 1));
  if (!buffer) throw EOutOfMemory("Out of memory");
  SetDataSize(buffer, data_size_);
  return buffer;
}

void TOracleDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  // Ring buffers refer to their record's blob list; only the record under
  // construction may still own one.
  if (buffer == under_construction_) TRecordDataList::FreeRecordBlobs(buffer);
  std::free(buffer);
  buffer = nullptr;
}

void TOracleDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer + HeaderSize, 1, std::size_t(data_size_));
  SetRowId(buffer, String());
  SetBlobList(buffer, nullptr);
}

void TOracleDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + HeaderSize + field_area_size_, 1, std::size_t(CalcFieldsSize()));
}

void TOracleDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (State() == dsFilter) return;
  TDataSet::GetCalcFields(buffer);
}

TGetResult TOracleDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  TGetResult result = grOK;
  switch (mode) {
    case gmNext:
      if (position_ >= records_->VisibleCount() - 1) {
        if (!FetchRecord()) {
          position_ = records_->VisibleCount();
          result = grEOF;
          break;
        }
      }
      ++position_;
      break;
    case gmPrior:
      if (position_ > 0) {
        position_ = std::min(position_ - 1, records_->VisibleCount() - 1);
      } else {
        position_ = -1;
        result = grBOF;
      }
      break;
    case gmCurrent:
      if (position_ >= records_->VisibleCount()) FetchRecord();
      if (position_ < 0 || position_ >= records_->VisibleCount()) result = grError;
      break;
  }
  if (result == grError && doCheck) DatabaseError("No Records", this);
  if (result != grOK) return result;
  std::memcpy(buffer, records_->Records(position_), std::size_t(HeaderSize + data_size_));
  SetFlag(buffer, bfCurrent);
  GetCalcFields(buffer);
  return grOK;
}

void TOracleDataSet::InternalLast() {
  FetchAll();
  position_ = records_->VisibleCount();
}

// --- bookmarks ------------------------------------------------------------------

void TOracleDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer + IdOffset, 4);
}

void TOracleDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer + IdOffset, data, 4);
}

TBookmarkFlag TOracleDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(Flag(buffer));
}

void TOracleDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  SetFlag(buffer, value);
}

Integer TOracleDataSet::RecordIndexOfId(Integer Id) const {
  if (!records_) return -1;
  const Integer count = records_->VisibleCount();
  const Integer guess = Id - 1;
  if (guess >= 0 && guess < count && RecordId(records_->Records(guess)) == Id) return guess;
  // Fetched records get rising identifiers in list order: a binary search
  // finds one in a filtered view too. The walk below is for lists whose
  // order another operation changed.
  Integer low = 0, high = count - 1;
  while (low <= high) {
    const Integer middle = low + (high - low) / 2;
    const Integer id = RecordId(records_->Records(middle));
    if (id == Id) return middle;
    if (id < Id)
      low = middle + 1;
    else
      high = middle - 1;
  }
  for (Integer i = 0; i < count; ++i)
    if (RecordId(records_->Records(i)) == Id) return i;
  return -1;
}

void TOracleDataSet::InternalGotoBookmark(const void* bookmark) {
  Integer id;
  std::memcpy(&id, bookmark, 4);
  const Integer index = RecordIndexOfId(id);
  if (index < 0) DatabaseError("Bookmark not found (" + IntToStr(id) + ")", this);
  position_ = index;
}

void TOracleDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  InternalGotoBookmark(buffer + IdOffset);
}

bool TOracleDataSet::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.Size() != 4) return false;
  Integer id;
  std::memcpy(&id, bookmark.Data(), 4);
  return RecordIndexOfId(id) >= 0;
}

Integer TOracleDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  if (bookmark1.Empty() && bookmark2.Empty()) return 0;
  if (bookmark1.Empty()) return 1;
  if (bookmark2.Empty()) return -1;
  Integer id1, id2;
  std::memcpy(&id1, bookmark1.Data(), 4);
  std::memcpy(&id2, bookmark2.Data(), 4);
  return id1 < id2 ? -1 : id1 > id2 ? 1 : 0;
}

void TOracleDataSet::SetBlockReadSize(Integer value) {
  // The records are in client memory already: a block read would save
  // nothing, so the dataset never enters that state.
  TDataSet::SetBlockReadSize(value > 0 ? -1 : value);
}

Integer TOracleDataSet::GetRecNo() {
  if (!records_) return -1;
  if (State() == dsBrowse && !IsEmpty()) UpdateCursorPos();
  if (position_ == -1 && records_->VisibleCount() > 0) return 1;
  return position_ + 1;
}

// --- field values -----------------------------------------------------------------

TRecordBuffer TOracleDataSet::ActiveRecordData() {
  switch (State()) {
    case dsBrowse:
    case dsCurValue:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
      return ActiveBuffer();
    case dsCalcFields:
      return CalcBuffer();
    case dsFilter:
      return under_test_;
    case dsNewValue:
    case dsOldValue: {
      if (!records_ || position_ < 0 || position_ >= records_->VisibleCount()) return nullptr;
      TRecordBuffer record = records_->Records(position_);
      // With cached updates the old value is the one before the logged
      // change, as the server still has it.
      if (State() == dsOldValue && cached_updates_) {
        const TChangeLogItem* item = FindLogItem(RecordId(record));
        if (item && item->Action() != 'I' && item->OldRecord()) return item->OldRecord();
      }
      return record;
    }
    default:
      return nullptr;
  }
}

const TOracleDataSet::TExtraFieldInfo* TOracleDataSet::InfoOf(const TField* field) const {
  if (field->FieldNo() < 1 || field->FieldNo() >= static_cast<Integer>(extra_info_.size()))
    return nullptr;
  return &extra_info_[std::size_t(field->FieldNo())];
}

Byte* TOracleDataSet::FieldSlot(TRecordBuffer record, const TField* field) const {
  if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
    return record + HeaderSize + field_area_size_ + field->Offset();
  const TExtraFieldInfo* info = InfoOf(field);
  return info ? record + HeaderSize + info->Offset : nullptr;
}

bool TOracleDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = ActiveRecordData();
  if (!record) return false;
  if (field->IsBlob()) {
    TBlobList* list = BlobList(record);
    const TOracleBlob* blob = list ? list->BlobByField(field) : nullptr;
    return blob && blob->Size() > 0;
  }
  const Byte* slot = FieldSlot(record, field);
  if (!slot || slot[0] != 0) return false;
  if (buffer) std::memcpy(buffer, slot + 1, std::size_t(field->DataSize()));
  return true;
}

void TOracleDataSet::SetFieldData(TField* field, const void* buffer) {
  if (!dsWriteModes.Contains(State())) DatabaseError(MsgNotEditing, this);
  TRecordBuffer record = ActiveRecordData();
  if (!record) DatabaseError(MsgNotEditing, this);
  if ((State() == dsEdit || State() == dsInsert) && !qbe_mode_) field->Validate(buffer);
  Byte* slot = FieldSlot(record, field);
  if (!slot) return;
  const bool empty =
      !buffer || ((field->DataType() == ftString || field->DataType() == ftFixedChar) &&
                  static_cast<const char*>(buffer)[0] == 0);
  if (empty) {
    slot[0] = 1;
    std::memset(slot + 1, 0, std::size_t(field->DataSize()));
  } else {
    slot[0] = 0;
    std::memcpy(slot + 1, buffer, std::size_t(field->DataSize()));
  }
  if (State() != dsCalcFields && State() != dsFilter && State() != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
  UpdateDetailVariables();
}

String TOracleDataSet::CurrentRowId() {
  TRecordBuffer record = ActiveRecordData();
  if (State() == dsBrowse && records_ && !IsEmpty()) {
    UpdateCursorPos();
    if (position_ >= 0 && position_ < records_->VisibleCount())
      record = records_->Records(position_);
  }
  return record ? RowId(record) : String();
}

// --- blobs --------------------------------------------------------------------------

TRecordBuffer TOracleDataSet::BlobRecordBuffer() {
  return ActiveRecordData();
}

void TOracleDataSet::BlobFieldChanged(TField* field) {
  DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

std::unique_ptr<TStream> TOracleDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return std::make_unique<TOracleBlobStream>(field, mode, this);
}

void TOracleDataSet::CloseBlob(TField* field) {
  if (!current_blobs_) return;
  if (TOracleBlob* blob = current_blobs_->BlobByField(field)) blob->Clear();
}
