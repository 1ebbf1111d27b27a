// platform/data/DataLink.cpp
#include "platform/data/DataLink.h"

#include <algorithm>

#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"

// --- TDataLink ---------------------------------------------------------------------

TDataLink::~TDataLink() {
  if (data_source_) data_source_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* value) {
  if (value == data_source_) return;
  if (data_source_) {
    data_source_->RemoveDataLink(this);
    data_source_ = nullptr;
    UpdateState();
  }
  first_record_ = 0;
  data_source_ = value;
  if (value) {
    value->AddDataLink(this);
    UpdateState();
  }
}

TDataSet* TDataLink::DataSet() const {
  return data_source_ ? data_source_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value) {
  if (value == read_only_) return;
  read_only_ = value;
  UpdateState();
}

void TDataLink::SetBufferCount(Integer value) {
  if (value < 1) value = 1;
  if (value == buffer_count_) return;
  buffer_count_ = value;
  if (TDataSet* ds = DataSet()) {
    ds->UpdateBufferCount();
    if (active_) UpdateRange(0);
  }
}

Integer TDataLink::ActiveRecord() const {
  TDataSet* ds = DataSet();
  if (ds) ds->FillRing();
  return ds && active_ ? ds->active_record_ - first_record_ : 0;
}

void TDataLink::SetActiveRecord(Integer value) {
  TDataSet* ds = DataSet();
  if (!ds || !active_) return;
  ds->FillRing();
  const Integer index = first_record_ + value;
  if (index >= 0 && index < ds->record_count_) ds->active_record_ = index;
}

Integer TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  if (!ds || !active_) return 0;
  ds->FillRing();
  return std::max(0, std::min(buffer_count_, ds->record_count_ - first_record_));
}

bool TDataLink::Edit() {
  if (!read_only_ && data_source_) data_source_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{updating_};
  UpdateData();
}

Integer TDataLink::MoveBy(Integer distance) {
  TDataSet* ds = DataSet();
  return ds ? ds->MoveBy(distance) : 0;
}

void TDataLink::UpdateState() {
  TDataSet* ds = DataSet();
  const bool active = data_source_ && data_source_->Enabled() && ds && ds->Active();
  SetActive(active);
  SetEditing(active && dsEditModes.Contains(ds->State()) && !read_only_);
}

void TDataLink::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (value) UpdateRange(0);
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (value == editing_) return;
  editing_ = value;
  EditingChanged();
}

Integer TDataLink::UpdateRange(Integer shift) {
  TDataSet* ds = DataSet();
  if (!ds) return 0;
  ds->FillRing();
  const Integer old = first_record_ + shift;
  const Integer active = ds->active_record_, count = ds->record_count_;
  Integer first = old;
  if (first > active) first = active;
  if (active - first >= buffer_count_) first = active - buffer_count_ + 1;
  // Show as many records as the ring holds.
  if (first + buffer_count_ > count) first = std::min(first, std::max(0, count - buffer_count_));
  if (first < 0) first = 0;
  first_record_ = first;
  return first - old;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      Integer distance = 0;
      if (DataSet()->State() != dsSetKey)
        distance = UpdateRange(event == deDataSetScroll ? static_cast<Integer>(info) : 0);
      if (event == deDataSetScroll)
        DataSetScrolled(distance);
      else if (event == deLayoutChange)
        LayoutChanged();
      else
        DataSetChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}

// --- TMasterDataLink -------------------------------------------------------------------

void TMasterDataLink::SetFieldNames(const String& value) {
  if (value == field_names_) return;
  field_names_ = value;
  ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
  fields_.clear();
  if (Active()) {
    try {
      DataSet()->GetFieldList(fields_, field_names_);
    } catch (...) {
      fields_.clear();
      throw;
    }
  }
  if (!detail_ || !detail_->Active() || detail_->ComponentState().Contains(csDestroying)) return;
  if (Active() && !fields_.empty()) {
    if (OnMasterChange) OnMasterChange(this);
  } else if (OnMasterDisable) {
    OnMasterDisable(this);
  }
}

void TMasterDataLink::CheckBrowseMode() {
  if (detail_ && detail_->Active()) detail_->CheckBrowseMode();
}

void TMasterDataLink::LayoutChanged() {
  ActiveChanged();
}

void TMasterDataLink::RecordChanged(TField* field) {
  if (!DataSet() || DataSet()->State() == dsSetKey || !detail_ || !detail_->Active() ||
      fields_.empty())
    return;
  if (field && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  if (OnMasterChange) OnMasterChange(this);
}
