// platform/data/DataSet.cpp
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

namespace {

bool IsTextField(const TField* field) {
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftGuid:
      return true;
    default:
      return false;
  }
}

// Persistent fields may stand for a definition of a neighbouring type.
bool SameFieldFamily(TFieldType a, TFieldType b) {
  auto family = [](TFieldType t) {
    switch (t) {
      case ftFixedChar:
        return ftString;
      case ftAutoInc:
        return ftInteger;
      default:
        return t;
    }
  };
  return family(a) == family(b);
}

}  // namespace

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), field_defs_(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
  // Descendants have closed the dataset in their own destructors; here only
  // the references of others to this dataset are undone.
  for (TDataSource* source : std::vector<TDataSource*>(data_sources_)) {
    source->data_set_ = nullptr;
    source->UpdateState();
  }
  data_sources_.clear();
  for (TField* field : fields_) field->data_set_ = nullptr;
  fields_.Clear();
}

// --- opening and closing ---------------------------------------------------------

void TDataSet::SetActive(bool value) {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) {
    streamed_active_ = value;
    return;
  }
  if (value == Active()) return;
  if (value) {
    DoBeforeOpen();
    OpenCursor();
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    const bool destroying = ComponentState().Contains(csDestroying);
    if (!destroying) DoBeforeClose();
    if (dsEditModes.Contains(state_)) InternalCancel();
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) DoAfterClose();
  }
}

void TDataSet::OpenCursor() {
  default_fields_ = fields_.Count() == 0;
  SetState(dsOpening);
  try {
    InternalOpen();
    AllocateBuffers();
    ClearBuffers();
    GetNextRecords();
    bof_ = true;
  } catch (...) {
    FreeBuffers();
    if (IsCursorOpen()) InternalClose();
    // Default fields made before the failure would pass for persistent
    // fields at the next open.
    if (default_fields_) DestroyFields();
    SetState(dsInactive);
    throw;
  }
}

void TDataSet::CloseCursor() {
  FreeBuffers();
  InternalClose();
  bof_ = eof_ = true;
}

void TDataSet::AllocateBuffers() {
  Integer count = 1;
  for (TDataSource* source : data_sources_)
    for (TDataLink* link : source->links_) count = std::max(count, link->BufferCount());
  buffer_count_ = count;
  buffers_.reserve(static_cast<std::size_t>(count) + 1);
  while (static_cast<Integer>(buffers_.size()) < count + 1) buffers_.push_back(AllocRecordBuffer());
}

void TDataSet::FreeBuffers() {
  for (TRecordBuffer& buffer : buffers_)
    if (buffer) FreeRecordBuffer(buffer);
  buffers_.clear();
  buffer_count_ = 0;
  calc_buffer_ = nullptr;
  ClearBuffers();
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (!streamed_active_) return;
  streamed_active_ = false;
  try {
    SetActive(true);
  } catch (...) {
    // A designer shows the failure and keeps the form; a program must hear of it.
    if (!ComponentState().Contains(csDesigning)) throw;
    InternalHandleException();
  }
}

void TDataSet::InternalHandleException() { HandleCurrentException(); }

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
}

// --- state -----------------------------------------------------------------------

void TDataSet::SetState(TDataSetState value) {
  if (state_ == value) return;
  state_ = value;
  modified_ = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  const TDataSetState old = state_;
  state_ = value;
  return old;
}

void TDataSet::RestoreState(TDataSetState value) { state_ = value; }

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError(MsgDataSetClosed, this);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError(MsgDataSetOpen, this);
}

void TDataSet::CheckCanModify() {
  if (!GetCanModify()) DatabaseError(MsgDataSetReadOnly, this);
}

void TDataSet::CheckRequiredFields() {
  for (TField* field : fields_) {
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
      field->FocusControl();
      DatabaseErrorFmt(MsgFieldRequired, nullptr, field->DisplayName());
    }
  }
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError) {
  for (;;) {
    try {
      operation();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (onError) onError(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

// --- notifications ---------------------------------------------------------------

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deFieldChange) {
    auto* field = reinterpret_cast<TField*>(info);
    if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) modified_ = true;
    if (state_ != dsSetKey) {
      if (field->FieldKind() == fkData && (calc_fields_size_ > 0 || internal_calc_fields_) && auto_calc_fields_)
        CalculateFields(ActiveBuffer());
      field->Change();
    }
  }
  NotifyDataSources(event, info);
}

void TDataSet::NotifyDataSources(TDataEvent event, std::intptr_t info) {
  // While reading in blocks, the controls are not told about every move.
  if (state_ == dsBlockRead && (event == deDataSetChange || event == deDataSetScroll)) return;
  const bool visual = disable_count_ == 0;
  if (!visual && ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange))
    enable_event_ = deLayoutChange;
  for (TDataSource* source : std::vector<TDataSource*>(data_sources_)) source->DataEvent(event, info, visual);
}

void TDataSet::DisableControls() {
  if (disable_count_++ == 0) {
    disable_state_ = state_;
    enable_event_ = deDataSetChange;
  }
}

void TDataSet::EnableControls() {
  if (disable_count_ == 0 || --disable_count_ != 0) return;
  // The controls heard nothing meanwhile: bring their state up to date and
  // tell them that anything may have changed.
  NotifyDataSources(deUpdateState, 0);
  if (disable_state_ != dsInactive && state_ != dsInactive) NotifyDataSources(enable_event_, 0);
}

void TDataSet::AddDataSource(TDataSource* source) {
  data_sources_.push_back(source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  data_sources_.erase(std::remove(data_sources_.begin(), data_sources_.end(), source), data_sources_.end());
  UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) {
  std::vector<TDataSet*> seen{this};
  TDataSource* source = GetDataSource();
  while (source) {
    if (source == dataSource) return true;
    TDataSet* master = source->DataSet();
    if (!master || std::find(seen.begin(), seen.end(), master) != seen.end()) break;
    seen.push_back(master);
    source = master->GetDataSource();
  }
  return false;
}

// --- the ring --------------------------------------------------------------------

TRecordBuffer TDataSet::ActiveBuffer() const {
  if (record_count_ == 0 || active_record_ >= static_cast<Integer>(buffers_.size())) return nullptr;
  return buffers_[static_cast<std::size_t>(active_record_)];
}

TRecordBuffer TDataSet::Buffers(Integer index) const {
  if (index < 0 || index >= static_cast<Integer>(buffers_.size())) return nullptr;
  return buffers_[static_cast<std::size_t>(index)];
}

void TDataSet::ClearBuffers() {
  record_count_ = 0;
  active_record_ = 0;
  current_record_ = -1;
  bof_ = eof_ = true;
}

void TDataSet::ActivateBuffers() {
  record_count_ = 1;
  active_record_ = 0;
  current_record_ = 0;
  bof_ = eof_ = false;
}

void TDataSet::MoveBuffer(Integer curIndex, Integer newIndex) {
  if (curIndex == newIndex) return;
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(curIndex)];
  buffers_.erase(buffers_.begin() + curIndex);
  buffers_.insert(buffers_.begin() + newIndex, buffer);
  if (current_record_ == curIndex)
    current_record_ = newIndex;
  else if (curIndex < current_record_ && current_record_ <= newIndex)
    --current_record_;
  else if (newIndex <= current_record_ && current_record_ < curIndex)
    ++current_record_;
}

void TDataSet::SetCurrentRecord(Integer index) {
  if (current_record_ == index) return;
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  current_record_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (record_count_ > 0) SetCurrentRecord(active_record_);
}

// The buffer past the ring's records receives the next or prior record; the
// callers then rotate it into place.
bool TDataSet::FetchIntoSpare(TGetMode mode) {
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (GetRecord(spare, mode, true) == grOK) return true;
  CursorPosChanged();
  return false;
}

bool TDataSet::GetNextRecord() {
  if (record_count_ > 0 && current_record_ != record_count_ - 1) SetCurrentRecord(record_count_ - 1);
  if (!FetchIntoSpare(gmNext)) return false;
  if (record_count_ == 0) {
    ActivateBuffers();
  } else if (record_count_ < buffer_count_) {
    ++record_count_;
  } else {
    // The ring is full: the oldest record leaves it.
    MoveBuffer(0, record_count_);
    if (active_record_ > 0) --active_record_;
  }
  current_record_ = record_count_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (record_count_ > 0 && current_record_ != 0) SetCurrentRecord(0);
  if (!FetchIntoSpare(gmPrior)) return false;
  if (record_count_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(record_count_, 0);
    if (record_count_ < buffer_count_) {
      ++record_count_;
      ++active_record_;
    } else if (active_record_ < record_count_ - 1) {
      // The ring is full: the last record left it.
      ++active_record_;
    }
  }
  current_record_ = 0;
  return true;
}

Integer TDataSet::GetNextRecords() {
  Integer fetched = 0;
  while (record_count_ < buffer_count_ && GetNextRecord()) ++fetched;
  return fetched;
}

Integer TDataSet::GetPriorRecords() {
  Integer fetched = 0;
  while (record_count_ < buffer_count_ && GetPriorRecord()) ++fetched;
  return fetched;
}

void TDataSet::Resync(TResyncMode mode) {
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(MsgRecordNotFound, this);
  } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
             GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  // Before the ring is rebuilt: how many records should precede the cursor's.
  Integer before = mode.Contains(rmCenter) ? (buffer_count_ - 1) / 2 : active_record_;
  MoveBuffer(record_count_, 0);
  ActivateBuffers();
  TScopeExit announce([this] { DataEvent(deDataSetChange, 0); });
  while (before > 0 && GetPriorRecord()) --before;
  GetNextRecords();
  GetPriorRecords();
}

void TDataSet::SetBufferCount(Integer value) {
  if (value < 1) value = 1;
  if (buffers_.empty()) return;  // closed: the count is taken when opening
  if (value == buffer_count_) return;
  if (value > buffer_count_) {
    while (static_cast<Integer>(buffers_.size()) < value + 1) buffers_.push_back(AllocRecordBuffer());
    buffer_count_ = value;
    if (state_ == dsBrowse && record_count_ > 0) {
      GetNextRecords();
      GetPriorRecords();
    }
    return;
  }
  // Shrinking keeps the active record: records leave before it first.
  Integer excess = record_count_ - value;
  if (excess > 0) {
    const Integer front = std::min(excess, active_record_);
    for (Integer i = 0; i < front; ++i) MoveBuffer(0, static_cast<Integer>(buffers_.size()) - 1);
    active_record_ -= front;
    record_count_ -= front;
    if (record_count_ > value) record_count_ = value;
  }
  CursorPosChanged();
  while (static_cast<Integer>(buffers_.size()) > value + 1) {
    FreeRecordBuffer(buffers_.back());
    buffers_.pop_back();
  }
  buffer_count_ = value;
}

void TDataSet::UpdateBufferCount() {
  Integer count = 1;
  for (TDataSource* source : data_sources_)
    for (TDataLink* link : source->links_) count = std::max(count, link->BufferCount());
  SetBufferCount(count);
}

// --- navigation ------------------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  {
    TScopeExit done([this] {
      bof_ = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  }
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  {
    TScopeExit done([this] {
      eof_ = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  }
  DoAfterScroll();
}

Integer TDataSet::MoveBy(Integer distance) {
  CheckBrowseMode();
  Integer moved = 0;
  DoBeforeScroll();
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = eof_ = false;
    const Integer oldCount = record_count_;
    Integer shift = 0;  // how far the ring's indexes moved
    {
      TScopeExit announce([&] {
        if (record_count_ != oldCount || std::abs(shift) > buffer_count_)
          DataEvent(deDataSetChange, 0);
        else
          DataEvent(deDataSetScroll, shift);
      });
      while (distance > 0) {
        if (active_record_ < record_count_ - 1) {
          ++active_record_;
        } else {
          const bool rotates = record_count_ >= buffer_count_;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          if (rotates) --shift;
          active_record_ = record_count_ - 1;
        }
        --distance;
        ++moved;
      }
      while (distance < 0) {
        if (active_record_ > 0) {
          --active_record_;
        } else {
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          ++shift;
          active_record_ = 0;
        }
        ++distance;
        --moved;
      }
    }
    DoAfterScroll();
  }
  return moved;
}

bool TDataSet::FindFirst() { return FindRecord(true, true); }
bool TDataSet::FindLast() { return FindRecord(true, false); }
bool TDataSet::FindNext() { return FindRecord(false, true); }
bool TDataSet::FindPrior() { return FindRecord(false, false); }

bool TDataSet::FindRecord(bool, bool) {
  found_ = false;
  return false;
}

// --- editing -----------------------------------------------------------------------

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    InternalCancel();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync({});
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
    GetPriorRecords();
    active_record_ = record_count_ - 1;
    return;
  }
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

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::InternalAddRecord(TRecordBuffer, bool) { InternalPost(); }

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

void TDataSet::InsertRecord(const std::vector<Variant>& values) { InsertOrAppendRecord(values, false); }
void TDataSet::AppendRecord(const std::vector<Variant>& values) { InsertOrAppendRecord(values, true); }

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
    UpdateCursorPos();
    InternalCancel();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync({});
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

// --- bookmarks ---------------------------------------------------------------------

bool TDataSet::BookmarkAvailable() {
  return Active() && state_ != dsInsert && !IsEmpty() && bookmark_size_ > 0 &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
  if (!BookmarkAvailable()) return TBookmark();
  std::vector<Byte> data(static_cast<std::size_t>(bookmark_size_), 0);
  GetBookmarkData(ActiveBuffer(), data.data());
  return TBookmark(data.data(), data.size());
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.Empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.Data());
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) { return false; }

Integer TDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  if (bookmark1.Empty() || bookmark2.Empty()) {
    if (bookmark1.Empty() && bookmark2.Empty()) return 0;
    return bookmark1.Empty() ? -1 : 1;
  }
  if (bookmark1 == bookmark2) return 0;
  const std::size_t n = std::min(bookmark1.Size(), bookmark2.Size());
  const int c = std::memcmp(bookmark1.Data(), bookmark2.Data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  return bookmark1.Size() < bookmark2.Size() ? -1 : 1;
}

// --- fields ------------------------------------------------------------------------

TField* TDataSet::FieldByName(const String& name) const {
  TField* field = fields_.FindField(name);
  if (!field) DatabaseErrorFmt(MsgFieldNotFound, this, name);
  return field;
}

void TDataSet::GetFieldList(std::vector<TField*>& list, const String& fieldNames) const {
  std::size_t start = 0;
  while (start <= fieldNames.size()) {
    std::size_t end = fieldNames.find(';', start);
    if (end == String::npos) end = fieldNames.size();
    const String name = Trim(std::string_view(fieldNames).substr(start, end - start));
    if (!name.empty()) list.push_back(FieldByName(name));
    start = end + 1;
  }
}

std::vector<String> TDataSet::GetFieldNames() const {
  std::vector<String> names;
  for (TField* field : fields_) names.push_back(field->FieldName());
  return names;
}

void TDataSet::SetFieldDefs(const TFieldDefs* value) {
  CheckInactive();
  field_defs_->Assign(value);
}

void TDataSet::InitFieldDefs() {
  if (field_defs_->Updated()) return;
  InternalInitFieldDefs();
  field_defs_->SetUpdated(true);
}

void TDataSet::AddField(TField* field) {
  fields_.Add(field);
  field->data_set_ = this;
}

void TDataSet::RemoveField(TField* field) {
  fields_.Remove(field);
  field->data_set_ = nullptr;
}

void TDataSet::CreateFields() {
  // Field numbers follow the definitions: each definition takes the next
  // number, its members after it, and an array's element definition once
  // per element.
  Integer number = 1;
  for (Integer i = 0; i < field_defs_->Count(); ++i)
    CreateFieldsForDef(field_defs_->Items(i), nullptr, String(), true, number);
}

void TDataSet::CreateFieldsForDef(TFieldDef* def, TObjectField* parent, const String& name, bool numberDef,
                                  Integer& number) {
  const Integer fieldNo = number++;
  if (numberDef) def->SetFieldNo(fieldNo);
  TField* field = nullptr;
  if (HasFieldClass(def->DataType())) {
    field = def->CreateField(this, parent, name, false);
    field->field_no_ = fieldNo;
  }
  if (!def->HasChildDefs()) return;
  auto* objectField = dynamic_cast<TObjectField*>(field);
  TFieldDefs* children = def->ChildDefs();
  if (def->DataType() == ftArray) {
    const String base = field ? field->FieldName() : def->Name();
    for (Integer i = 0; i < def->Size(); ++i)
      CreateFieldsForDef(children->Items(0), objectField, Format("%s[%d]", base, i), numberDef && i == 0, number);
  } else {
    for (Integer i = 0; i < children->Count(); ++i)
      CreateFieldsForDef(children->Items(i), objectField, String(), numberDef, number);
  }
}

void TDataSet::DestroyFields() {
  while (fields_.Count() > 0) delete fields_.Fields(fields_.Count() - 1);
}

void TDataSet::BindFields(bool binding) {
  calc_fields_size_ = 0;
  internal_calc_fields_ = false;
  for (TField* field : fields_) {
    switch (field->FieldKind()) {
      case fkCalculated:
      case fkLookup:
        if (!binding) {
          field->offset_ = 0;
          break;
        }
        if (field->FieldKind() == fkLookup &&
            (!field->LookupDataSet() || field->LookupKeyFields().empty() || field->LookupResultField().empty() ||
             field->KeyFields().empty()))
          DatabaseErrorFmt(MsgLookupInfoError, this, field->DisplayName());
        field->field_no_ = -1;
        field->offset_ = calc_fields_size_;
        calc_fields_size_ += field->DataSize() + 1;
        break;
      case fkInternalCalc:
      case fkData:
        if (field->FieldKind() == fkInternalCalc) internal_calc_fields_ = true;
        if (!binding || default_fields_ || field->ParentField()) break;
        if (TFieldDef* def = field_defs_->FindDef(field->FieldName())) {
          if (!SameFieldFamily(def->DataType(), field->DataType()))
            DatabaseErrorFmt(MsgFieldTypeMismatch, this, field->DisplayName());
          field->field_no_ = def->FieldNo();
        } else {
          DatabaseErrorFmt(MsgFieldNotFound, this, field->FieldName());
        }
        break;
      case fkAggregate:
        break;
    }
  }
}

// --- calculated and lookup fields ---------------------------------------------------

void TDataSet::CalcFields() {
  CheckActive();
  TRecordBuffer buffer = ActiveBuffer();
  if (!buffer) return;
  GetCalcFields(buffer);
  DataEvent(deRecordChange, 0);
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (calc_fields_size_ > 0 || internal_calc_fields_) CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  calc_buffer_ = buffer;
  const TDataSetState saved = SetTempState(dsCalcFields);
  TScopeExit restore([&] { RestoreState(saved); });
  ClearCalcFields(buffer);
  for (TField* field : fields_)
    if (field->FieldKind() == fkLookup) CalculateLookupField(field);
  DoOnCalcFields();
}

void TDataSet::CalculateLookupField(TField* field) {
  Variant result = Null();
  TDataSet* lookup = field->LookupDataSet();
  if (lookup && lookup->Active()) {
    std::vector<TField*> keys;
    GetFieldList(keys, field->KeyFields());
    std::vector<Variant> values;
    bool hasNull = keys.empty();
    for (TField* key : keys) {
      values.push_back(key->AsVariant());
      if (values.back().IsNull()) hasNull = true;
    }
    // A record without a key has nothing to look up.
    if (!hasNull) {
      const Variant keyValues = values.size() == 1 ? values[0] : VarArrayOf(std::move(values));
      result = lookup->Lookup(field->LookupKeyFields(), keyValues, field->LookupResultField());
    }
  }
  field->SetAsVariant(result);
}

// --- filtering and searching ------------------------------------------------------

void TDataSet::SetFiltered(bool value) { filtered_ = value; }
void TDataSet::SetFilterText(const String& value) { filter_text_ = value; }
void TDataSet::SetFilterOptions(TFilterOptions value) { filter_options_ = value; }
void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& value) { on_filter_record_ = value; }

bool TDataSet::RecordMatches(const std::vector<TField*>& fields, const Variant& values,
                             TLocateOptions options) const {
  const bool single = !values.IsArray();
  const Integer low = single ? 0 : VarArrayLowBound(values, 1);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Variant wanted = single ? values : VarArrayGet(values, {low + static_cast<Integer>(i)});
    const Variant have = fields[i]->AsVariant();
    if (wanted.IsNull() || wanted.IsEmpty()) {
      if (!have.IsNull()) return false;
      continue;
    }
    if (have.IsNull()) return false;
    if (IsTextField(fields[i])) {
      String a = have.AsString(), b = wanted.AsString();
      if (options.Contains(loCaseInsensitive)) {
        a = AnsiUpperCase(a);
        b = AnsiUpperCase(b);
      }
      if (options.Contains(loPartialKey) ? a.compare(0, b.size(), b) != 0 || a.size() < b.size() : a != b)
        return false;
      continue;
    }
    try {
      if (VarCompareValue(have, wanted) != vrEqual) return false;
    } catch (const EVariantError&) {
      return false;  // a key that cannot be read as the field's type matches nothing
    } catch (const EConvertError&) {
      return false;
    }
  }
  return true;
}

bool TDataSet::ScanForRecord(const std::vector<TField*>& fields, const Variant& values, TLocateOptions options,
                             const std::function<void()>& atMatch) {
  // The records pass through the spare buffer, read as the calculated-field
  // buffer, so that the ring stays as it is.
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  const TRecordBuffer savedCalc = calc_buffer_;
  CursorPosChanged();
  InternalFirst();
  while (GetRecord(spare, gmNext, true) == grOK) {
    calc_buffer_ = spare;
    const TDataSetState saved = SetTempState(dsCalcFields);
    TScopeExit restore([&] {
      RestoreState(saved);
      calc_buffer_ = savedCalc;
    });
    if (RecordMatches(fields, values, options)) {
      if (atMatch) atMatch();
      return true;
    }
  }
  return false;
}

bool TDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  std::vector<TField*> fields;
  GetFieldList(fields, keyFields);
  if (fields.size() > 1 && (!keyValues.IsArray() || static_cast<std::size_t>(VarArrayHighBound(keyValues, 1) -
                                                                          VarArrayLowBound(keyValues, 1) + 1) <
                                                        fields.size()))
    DatabaseError(MsgKeyValueCount, this);
  if (!ScanForRecord(fields, keyValues, options, nullptr)) {
    CursorPosChanged();
    return false;
  }
  DoBeforeScroll();
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TDataSet::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
  CheckActive();
  std::vector<TField*> fields, results;
  GetFieldList(fields, keyFields);
  GetFieldList(results, resultFields);
  if (fields.size() > 1 && !keyValues.IsArray()) DatabaseError(MsgKeyValueCount, this);
  Variant result = Null();
  ScanForRecord(fields, keyValues, {}, [&] {
    if (results.size() == 1) {
      result = results[0]->AsVariant();
      return;
    }
    std::vector<Variant> values;
    for (TField* field : results) values.push_back(field->AsVariant());
    result = VarArrayOf(std::move(values));
  });
  CursorPosChanged();
  return result;
}

// --- blobs and block reads -----------------------------------------------------------

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) {
  DatabaseError(MsgNoBlobStreams, this);
}

void TDataSet::CloseBlob(TField*) {}

void TDataSet::SetBlockReadSize(Integer value) {
  if (value > 0) {
    CheckActive();
    CheckBrowseMode();
    block_read_size_ = value;
    SetState(dsBlockRead);
  } else {
    block_read_size_ = 0;
    if (state_ == dsBlockRead) SetState(dsBrowse);
  }
}
