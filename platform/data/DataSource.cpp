// platform/data/DataSource.cpp
#include "platform/data/DataSource.h"

#include <algorithm>

#include "platform/data/DataLink.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/ListSnapshot.h"

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  for (TDataLink* link : std::vector<TDataLink*>(links_)) {
    link->data_source_ = nullptr;
    link->UpdateState();
  }
  links_.clear();
  if (data_set_) data_set_->RemoveDataSource(this);
  data_set_ = nullptr;
}

void TDataSource::SetDataSet(TDataSet* value) {
  if (value == data_set_) return;
  if (value && value->IsLinkedTo(this)) DatabaseError(MsgCircularDataLink, this);
  if (data_set_) {
    // The links see the old dataset go before the new one comes.
    TDataSet* old = data_set_;
    old->RemoveDataSource(this);
    RemoveFreeNotification(old);
    data_set_ = nullptr;
    UpdateState();
  }
  data_set_ = value;
  if (value) {
    value->AddDataSource(this);
    FreeNotification(value);
  }
  UpdateState();
}

void TDataSource::SetEnabled(bool value) {
  enabled_ = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (auto_edit_ && data_set_ && state_ == dsBrowse) data_set_->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
  return dataSet && (dataSet == data_set_ || dataSet->IsLinkedTo(const_cast<TDataSource*>(this)));
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == data_set_) {
    data_set_ = nullptr;
    UpdateState();
  }
  TComponent::Notification(component, operation);
}

void TDataSource::AddDataLink(TDataLink* link) {
  links_.push_back(link);
  if (data_set_) data_set_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  if (data_set_) data_set_->UpdateBufferCount();
}

TDataSetState TDataSource::LinkState() const {
  return enabled_ && data_set_ ? data_set_->State() : dsInactive;
}

void TDataSource::UpdateState() {
  const TDataSetState state = LinkState();
  if (state == state_) return;
  state_ = state;
  NotifyLinks(deUpdateState, 0, true);
  if (OnStateChange) OnStateChange(this);
}

void TDataSource::NotifyLinks(TDataEvent event, std::intptr_t info, bool visual) {
  for (TDataLink* link : TListSnapshot<TDataLink>(links_)) {
    // A link may have left while an earlier one was notified.
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
    if (visual || !link->VisualControl()) link->DataEvent(event, info);
  }
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info, bool visual) {
  if (event == deUpdateState) {
    if (visual)
      UpdateState();
    else
      NotifyLinks(deUpdateState, 0, false);
    return;
  }
  if (!enabled_ || LinkState() == dsInactive) return;
  NotifyLinks(event, info, visual);
  if (!visual) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}
