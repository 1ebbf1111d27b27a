// platform/controls/ActnList.cpp
#include "platform/controls/ActnList.h"

#include <algorithm>

namespace {

// Every live action list, for the idle update. GUI thread only.
std::vector<TCustomActionList*>& LiveLists() {
  static std::vector<TCustomActionList*> lists;
  return lists;
}

template <class T>
void Erase(std::vector<T*>& v, T* item) {
  v.erase(std::remove(v.begin(), v.end(), item), v.end());
}

}  // namespace

TBasicActionLink::~TBasicActionLink() {
  SetAction(nullptr);
}

void TBasicActionLink::SetAction(TBasicAction* value) {
  if (action_ == value) return;
  if (action_) Erase(action_->clients_, this);
  action_ = value;
  if (action_) action_->clients_.push_back(this);
}

bool TBasicActionLink::Execute() {
  if (!action_) return false;
  action_->SetActionComponent(client_);
  struct TReset {
    TBasicAction* a;
    ~TReset() { a->SetActionComponent(nullptr); }
  } reset{action_};
  return action_->Execute();
}

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
  // Links outlive their action only as empty links.
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetAction(nullptr);
}

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::Change() {
  // A client may drop its link while being told.
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_))
    if (std::find(clients_.begin(), clients_.end(), link) != clients_.end()) link->Change();
}

TContainedAction::~TContainedAction() {
  SetActionList(nullptr);
}

void TContainedAction::SetActionList(TCustomActionList* value) {
  if (action_list_ == value) return;
  if (action_list_) Erase(action_list_->actions_, static_cast<TContainedAction*>(this));
  action_list_ = value;
  if (value) value->actions_.push_back(this);
}

void TContainedAction::SetCategory(const String& value) {
  if (category_ == value) return;
  category_ = value;
  Change();
}

Integer TContainedAction::Index() const {
  if (!action_list_) return -1;
  const auto& a = action_list_->actions_;
  const auto it = std::find(a.begin(), a.end(), this);
  return it == a.end() ? -1 : static_cast<Integer>(it - a.begin());
}

bool TContainedAction::Execute() {
  if (action_list_ && action_list_->State() == asSuspended) return false;
  if (action_list_ && action_list_->ExecuteAction(this)) return true;
  return TBasicAction::Execute();
}

bool TContainedAction::Update() {
  if (action_list_ && action_list_->State() == asSuspended) return false;
  if (action_list_ && action_list_->UpdateAction(this)) return true;
  return TBasicAction::Update();
}

TCustomAction::TCustomAction(TComponent* owner) : TContainedAction(owner) {}

void TCustomAction::SetCaption(const String& value) {
  if (caption_ == value) return;
  caption_ = value;
  Change();
}

void TCustomAction::SetHint(const String& value) {
  if (hint_ == value) return;
  hint_ = value;
  Change();
}

void TCustomAction::SetImageIndex(Integer value) {
  if (image_index_ == value) return;
  image_index_ = value;
  Change();
}

void TCustomAction::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Change();
}

void TCustomAction::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Change();
}

void TCustomAction::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  if (value && group_index_ > 0 && ActionList()) {
    for (Integer i = 0; i < ActionList()->ActionCount(); ++i) {
      auto* other = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
      if (other && other != this && other->group_index_ == group_index_) other->SetChecked(false);
    }
  }
  Change();
}

void TCustomAction::SetGroupIndex(Integer value) {
  if (group_index_ == value) return;
  group_index_ = value;
  // A checked action entering a group leaves only itself checked there.
  if (checked_) {
    checked_ = false;
    SetChecked(true);
  }
}

bool TCustomAction::Execute() {
  Update();
  if (!enabled_) return false;
  if (auto_check_) SetChecked(!checked_);
  return TContainedAction::Execute();
}

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {
  LiveLists().push_back(this);
}

TCustomActionList::~TCustomActionList() {
  Erase(LiveLists(), this);
  for (TContainedAction* a : std::vector<TContainedAction*>(actions_)) a->SetActionList(nullptr);
}

void TCustomActionList::SetImages(TComponent* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value) value->FreeNotification(this);
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) images_ = nullptr;
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
  bool handled = false;
  if (OnExecute) OnExecute(action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
  bool handled = false;
  if (OnUpdate) OnUpdate(action, handled);
  return handled;
}

void TCustomActionList::UpdateActions() {
  if (state_ == asSuspended) return;
  for (TContainedAction* a : std::vector<TContainedAction*>(actions_)) a->Update();
}

void UpdateActionListsOnIdle() {
  for (TCustomActionList* list : std::vector<TCustomActionList*>(LiveLists()))
    if (std::find(LiveLists().begin(), LiveLists().end(), list) != LiveLists().end())
      list->UpdateActions();
}
