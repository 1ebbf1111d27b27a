// platform/controls/Menus.cpp
#include "platform/controls/Menus.h"

#include <algorithm>

#include "platform/controls/ActnList.h"
#include "platform/controls/CommandNumbers.h"
#include "platform/controls/ImageLists.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/WinMessages.h"
#include "platform/win/Window.h"

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NextCommandNumber()) {}

TMenuItem::~TMenuItem() {
  Destroying();
  SetAction(nullptr);
  Clear();
  if (parent_) parent_->Remove(this);
}

void TMenuItem::SetCaption(const String& value) {
  caption_ = value;
}

void TMenuItem::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  if (value && radio_item_) TurnSiblingsOff();
  if (auto* a = dynamic_cast<TCustomAction*>(Action()); a && a->Checked() != value)
    a->SetChecked(value);
}

void TMenuItem::TurnSiblingsOff() {
  if (!parent_) return;
  for (TMenuItem* other : parent_->items_)
    if (other != this && other->radio_item_ && other->group_index_ == group_index_)
      other->SetChecked(false);
}

void TMenuItem::SetRadioItem(bool value) {
  if (radio_item_ == value) return;
  radio_item_ = value;
  if (value && checked_) TurnSiblingsOff();
}

void TMenuItem::SetGroupIndex(Byte value) {
  if (group_index_ == value) return;
  group_index_ = value;
  // Moving a checked radio item into a group makes it the group's choice.
  if (radio_item_ && checked_) TurnSiblingsOff();
}

void TMenuItem::SetEnabled(bool value) {
  enabled_ = value;
}
void TMenuItem::SetVisible(bool value) {
  visible_ = value;
}
void TMenuItem::SetImageIndex(Integer value) {
  image_index_ = value;
}

TMenuItem* TMenuItem::Items(Integer index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<size_t>(index)];
}

Integer TMenuItem::MenuIndex() const {
  return parent_ ? parent_->IndexOf(this) : -1;
}

Integer TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<Integer>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) {
  Insert(Count(), item);
}

void TMenuItem::Insert(Integer index, TMenuItem* item) {
  if (!item) return;
  if (item->parent_) throw EInvalidOperation("Menu inserted twice");
  if (index < 0 || index > Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  for (const TMenuItem* up = this; up; up = up->parent_)
    if (up == item) throw EInvalidOperation("Menu inserted into itself");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  if (item->checked_ && item->radio_item_) item->TurnSiblingsOff();
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
}

void TMenuItem::Delete(Integer index) {
  TMenuItem* item = Items(index);
  Remove(item);
  delete item;
}

void TMenuItem::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
  if (command_ == command) return this;
  for (TMenuItem* item : items_)
    if (TMenuItem* found = item->FindCommand(command)) return found;
  return nullptr;
}

TPopupMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  return root->menu_;
}

TBasicAction* TMenuItem::Action() const {
  return action_link_ ? action_link_->Action() : nullptr;
}

void TMenuItem::SetAction(TBasicAction* value) {
  if (!value) {
    if (action_link_) {
      if (TBasicAction* old = action_link_->Action()) old->RemoveFreeNotification(this);
      action_link_.reset();
    }
    return;
  }
  if (!action_link_) {
    action_link_ = std::make_unique<TBasicActionLink>(this);
    action_link_->OnChange = [this](TObject*) { ActionChange(false); };
  } else if (TBasicAction* old = action_link_->Action()) {
    old->RemoveFreeNotification(this);
  }
  action_link_->SetAction(value);
  value->FreeNotification(this);
  ActionChange(true);
}

void TMenuItem::ActionChange(bool checkDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(Action());
  if (!a) return;
  if (!checkDefaults || caption_.empty()) SetCaption(a->Caption());
  if (!checkDefaults || hint_.empty()) SetHint(a->Hint());
  if (!checkDefaults || image_index_ < 0) SetImageIndex(a->ImageIndex());
  if (!checkDefaults || enabled_) SetEnabled(a->Enabled());
  if (!checkDefaults || visible_) SetVisible(a->Visible());
  if (!checkDefaults || !checked_) SetChecked(a->Checked());
}

void TMenuItem::Click() {
  if (!enabled_) return;
  // A radio item stays checked when clicked again: one of its group always is.
  if (auto_check_ && !(radio_item_ && checked_) && !Action()) SetChecked(!checked_);
  if (OnClick)
    OnClick(this);
  else if (action_link_)
    action_link_->Execute();
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && action_link_ && component == action_link_->Action())
    action_link_.reset();
}

TPopupMenu::TPopupMenu(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
  items_->menu_ = this;
}

TPopupMenu::~TPopupMenu() {
  Destroying();
  FreeHandle();
  if (window_) DeallocateUtilityWindow(window_);
}

void TPopupMenu::SetImages(TCustomImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value) value->FreeNotification(this);
}

void TPopupMenu::SetPopupComponent(TComponent* value) {
  if (popup_component_ == value) return;
  if (popup_component_) popup_component_->RemoveFreeNotification(this);
  popup_component_ = value;
  if (value) value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == images_) images_ = nullptr;
  if (component == popup_component_) popup_component_ = nullptr;
}

void TPopupMenu::FreeHandle() {
  if (!handle_) return;
  const HMENU menu = handle_;
  handle_ = nullptr;
  if (IsMenu(menu)) DestroyMenu(menu);
}

void TPopupMenu::CloseMenu() {
  if (handle_ && GetOpenMenu() == handle_) EndMenu();
  FreeHandle();
}

void TPopupMenu::Popup(Integer x, Integer y) {
  if (OnPopup) OnPopup(this);
  CloseMenu();
  if (!window_)
    window_ = AllocateUtilityWindow([this](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
      if (msg == WM_COMMAND) {
        Dispatch(LOWORD(static_cast<UINT_PTR>(wParam)));
        return LRESULT{0};
      }
      if (msg == WM_EXITMENULOOP) FreeHandle();
      return DefWindowProc(hwnd, msg, wParam, lParam);
    });
  // The window layer's menu is made afresh for each showing, so that it
  // holds the items' state of the moment (OnPopup may just have changed it).
  handle_ = MakeMenu(items_.get());
  static const UINT kAlign[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
  if (!TrackPopupMenu(handle_, kAlign[alignment_] | TPM_RIGHTBUTTON, x, y, 0, window_, nullptr))
    FreeHandle();
}

HMENU TPopupMenu::MakeMenu(const TMenuItem* parent) {
  const HMENU menu = CreatePopupMenu();
  if (images_) SetMenuImageList(menu, images_->Handle());
  UINT position = 0;
  for (TMenuItem* item : parent->items_) {
    if (!item->Visible()) continue;
    if (item->IsLine()) {
      AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      UINT flags = MF_STRING;
      if (!item->Enabled()) flags |= MF_GRAYED;
      if (item->Checked()) flags |= MF_CHECKED;
      if (item->RadioItem()) flags |= MFT_RADIOCHECK;
      // An item holding items opens them as a submenu, freed with the menu.
      UINT_PTR id = item->Command();
      if (item->Count() > 0) {
        flags |= MF_POPUP;
        id = reinterpret_cast<UINT_PTR>(MakeMenu(item));
      }
      AppendMenu(menu, flags, id, item->Caption().c_str());
      SetMenuItemImage(menu, position, item->ImageIndex());
    }
    ++position;
  }
  return menu;
}

void TPopupMenu::Dispatch(UINT command) {
  FreeHandle();
  if (command == 0) return;
  if (TMenuItem* item = items_->FindCommand(command); item && item != items_.get()) item->Click();
}

void DeclareMenuProperties() {
  static bool declared = false;
  if (declared) return;
  declared = true;
  using M = TMenuItem;
  TPublishedClass<M, TComponent>()
      .AddString("Caption", &M::Caption, &M::SetCaption)
      .AddBoolean("Checked", &M::Checked, &M::SetChecked)
      .AddBoolean("RadioItem", &M::RadioItem, &M::SetRadioItem)
      .AddInteger(
          "GroupIndex", [](M* m) { return static_cast<Int64>(m->GroupIndex()); },
          [](M* m, Int64 v) { m->SetGroupIndex(static_cast<Byte>(v)); })
      .AddBoolean("AutoCheck", &M::AutoCheck, &M::SetAutoCheck)
      .AddBoolean("Enabled", &M::Enabled, &M::SetEnabled, true)
      .AddBoolean("Visible", &M::Visible, &M::SetVisible, true)
      .AddInteger("ImageIndex", &M::ImageIndex, &M::SetImageIndex, -1)
      .AddString("Hint", &M::Hint, &M::SetHint)
      .AddComponent("Action", &M::Action, &M::SetAction);
  using P = TPopupMenu;
  TPublishedClass<P, TComponent>()
      .AddComponent("Images", &P::Images, &P::SetImages)
      .AddBoolean("AutoPopup", &P::AutoPopup, &P::SetAutoPopup, true)
      .AddEnum("Alignment", &P::Alignment, &P::SetAlignment, {"paLeft", "paRight", "paCenter"},
               paLeft);
}
