// platform/data/DataSet.cpp
//
// The dataset as a component: making and freeing it, opening and closing,
// its state and the notifications to its data sources and links.
#include "platform/data/DataSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/data/DataLink.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "platform/rtl/ListSnapshot.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), field_defs_(std::make_unique<TFieldDefs>(this)) {}

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

void TDataSet::InternalHandleException() {
  HandleCurrentException();
}

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

void TDataSet::RestoreState(TDataSetState value) {
  state_ = value;
}

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
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData &&
        field->IsNull()) {
      field->FocusControl();
      DatabaseErrorFmt(MsgFieldRequired, nullptr, field->DisplayName());
    }
  }
}

void TDataSet::CheckOperation(const std::function<void()>& operation,
                              const TDataSetErrorEvent& onError) {
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
      if (field->FieldKind() == fkData && (calc_fields_size_ > 0 || internal_calc_fields_) &&
          auto_calc_fields_)
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
  for (TDataSource* source : TListSnapshot<TDataSource>(data_sources_)) {
    // A source may have left (or gone) while an earlier one was told.
    if (std::find(data_sources_.begin(), data_sources_.end(), source) == data_sources_.end())
      continue;
    source->DataEvent(event, info, visual);
  }
}

bool TDataSet::HasUnsilencedLinks() const {
  for (const TDataSource* source : data_sources_)
    for (const TDataLink* link : source->links_)
      if (!link->VisualControl()) return true;
  return false;
}

void TDataSet::DisableControls() {
  if (disable_count_++ == 0) {
    disable_state_ = state_;
    enable_event_ = deDataSetChange;
  }
}

void TDataSet::EnableControls() {
  if (disable_count_ == 0 || --disable_count_ != 0) return;
  FillRing();
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
  data_sources_.erase(std::remove(data_sources_.begin(), data_sources_.end(), source),
                      data_sources_.end());
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
