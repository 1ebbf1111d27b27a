// platform/data/DataSetEditing.cpp
//
// Edit, Insert, Append, Post, Cancel, Delete and the events around them.
#include "platform/data/DataSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/data/DataLink.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

// --- editing -----------------------------------------------------------------------

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::AbandonInsert() {
  UpdateCursorPos();
  InternalCancel();
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    AbandonInsert();
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::PrepareNewBuffer(bool append) {
  if (append) {
    ClearBuffers();
    TRecordBuffer buffer = buffers_[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    record_count_ = 1;
    bof_ = eof_ = false;
    // The last records come before the new one.
    if (buffer_count_ > 1 && CanPutOffRing()) {
      CursorToFirstBuffer();
      CursorPosChanged();
      const Integer before = SkipRecords(-(buffer_count_ - 1));
      CursorToFirstBuffer();
      ring_active_ = before;
      ring_count_ = before + 1;
      ring_pending_ = before > 0;
      return;
    }
    GetPriorRecords();
    active_record_ = record_count_ - 1;
    return;
  }
  FillRing();
  // The new record takes the bookmark of the one it is inserted before, so
  // that the descendant knows where it goes.
  std::vector<Byte> before;
  if (record_count_ > 0 && bookmark_size_ > 0) {
    before.assign(static_cast<std::size_t>(bookmark_size_), 0);
    GetBookmarkData(ActiveBuffer(), before.data());
  }
  // The spare buffer takes the active position; the records from there on
  // move down (the last falls out of a full ring).
  MoveBuffer(record_count_, active_record_);
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(active_record_)];
  InitRecord(buffer);
  if (record_count_ == 0)
    SetBookmarkFlag(buffer, bfBOF);
  else if (!before.empty())
    SetBookmarkData(buffer, before.data());
  if (record_count_ < buffer_count_) ++record_count_;
}

void TDataSet::Insert() {
  BeginInsertAppend();
  PrepareNewBuffer(false);
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  PrepareNewBuffer(true);
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (record_count_ == 0) {
    Append();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  UpdateCursorPos();
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::UpdateRecord() {
  if (!dsEditModes.Contains(state_)) DatabaseError(MsgNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  if (state_ == dsEdit) UpdateCursorPos();
  CheckOperation([this] { InternalPost(); }, OnPostError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  UpdateCursorPos();
  InternalCancel();
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  DoAfterCancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (record_count_ == 0) DatabaseError(MsgDataSetEmpty, this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  UpdateCursorPos();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  DoBeforeRefresh();
  UpdateCursorPos();
  InternalRefresh();
  Resync({});
  DoAfterRefresh();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (state_ == dsEdit || state_ == dsInsert) {
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
  }
}

void TDataSet::InternalPost() {
  CheckRequiredFields();
}

void TDataSet::InternalAddRecord(TRecordBuffer, bool) {
  InternalPost();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::FreeFieldBuffers() {
  for (TField* field : fields_)
    if (field->IsBlob()) CloseBlob(field);
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
  if (state_ != dsEdit && state_ != dsInsert) DatabaseError(MsgNotEditing, this);
  const std::size_t count = std::min(values.size(), static_cast<std::size_t>(fields_.Count()));
  for (std::size_t i = 0; i < count; ++i) {
    const Variant& value = values[i];
    if (value.IsEmpty()) continue;
    TField* field = fields_.Fields(static_cast<Integer>(i));
    if (value.IsNull())
      field->Clear();
    else
      field->SetAsVariant(value);
  }
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
  InsertOrAppendRecord(values, false);
}
void TDataSet::AppendRecord(const std::vector<Variant>& values) {
  InsertOrAppendRecord(values, true);
}

void TDataSet::InsertOrAppendRecord(const std::vector<Variant>& values, bool append) {
  BeginInsertAppend();
  PrepareNewBuffer(append);
  InternalInsert();
  SetState(dsInsert);
  try {
    DoOnNewRecord();
    SetFields(values);
    DoBeforePost();
    CheckRequiredFields();
    CheckOperation([&] { InternalAddRecord(ActiveBuffer(), append); }, OnPostError);
  } catch (...) {
    AbandonInsert();
    throw;
  }
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
  DoAfterScroll();
}

TUpdateStatus TDataSet::UpdateStatus() {
  if (state_ == dsInsert) return usInserted;
  return usUnmodified;
}
