// platform/controls/Menus.h
//
// Popup menus.
//   TMenuItem: one command of a menu: Caption ("&x" marks the accelerator
//     letter; "-" makes the item a separator), Checked, Enabled, Visible,
//     ImageIndex (in the menu's Images), Hint, and OnClick. Items hold
//     further items (Items, Add, Insert, Delete, Clear); a popup menu shows
//     its root item's visible items. A RadioItem is checked as one of a
//     group: checking it unchecks the radio items beside it with the same
//     GroupIndex. With AutoCheck a click toggles Checked (a radio item is
//     only ever checked by it). An item may follow an action (Action): its
//     caption, hint, image, enabled, visible and checked state change with
//     the action's, and a click without an OnClick runs the action.
//   TPopupMenu: a menu shown at a screen point by Popup(X, Y), as a real
//     popup window that takes the keyboard and mouse until an item is
//     chosen or the menu is closed. A control whose PopupMenu it is shows it
//     on a right click or the context-menu key when AutoPopup is on, with
//     the control as PopupComponent. OnPopup fires before it shows, so
//     items can be brought up to date.
// An item that holds items opens them as a submenu.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/win/WinTypes.h"

class TBasicAction;
class TBasicActionLink;
class TCustomImageList;
class TPopupMenu;

class TMenuItem : public TComponent {
  ZORVET_CLASS_NAME(TMenuItem)

 public:
  explicit TMenuItem(TComponent* owner);
  // Leaves its parent item; frees the items it holds.
  ~TMenuItem() override;

  const String& Caption() const { return caption_; }
  void SetCaption(const String& value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool value);
  Byte GroupIndex() const { return group_index_; }
  void SetGroupIndex(Byte value);
  bool AutoCheck() const { return auto_check_; }
  void SetAutoCheck(bool value) { auto_check_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  Integer ImageIndex() const { return image_index_; }
  void SetImageIndex(Integer value);
  const String& Hint() const { return hint_; }
  void SetHint(const String& value) { hint_ = value; }
  // A caption of "-" makes a separator.
  bool IsLine() const { return caption_ == "-"; }

  // The items it holds.
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  TMenuItem* Items(Integer index) const;
  TMenuItem* Parent() const { return parent_; }
  // The item's place among its parent's items, -1 without a parent.
  Integer MenuIndex() const;
  void Add(TMenuItem* item);
  void Insert(Integer index, TMenuItem* item);
  // Takes the item out (it is not freed).
  void Remove(TMenuItem* item);
  // Takes out and frees the item at `index`.
  void Delete(Integer index);
  // Frees every item it holds.
  void Clear();
  Integer IndexOf(const TMenuItem* item) const;
  // The item (this or below it) with the command number, or nullptr.
  TMenuItem* FindCommand(UINT command);
  // The number the window layer knows the item by.
  UINT Command() const { return command_; }
  // The popup menu the item belongs to, or nullptr.
  TPopupMenu* GetParentMenu() const;

  TBasicAction* Action() const;
  void SetAction(TBasicAction* value);

  // Toggles an AutoCheck item, then runs OnClick or else the action.
  virtual void Click();

  TNotifyEvent OnClick;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TPopupMenu;
  void ActionChange(bool checkDefaults);
  // Unchecks the other radio items of the group.
  void TurnSiblingsOff();

  String caption_, hint_;
  bool checked_ = false;
  bool radio_item_ = false;
  Byte group_index_ = 0;
  bool auto_check_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  Integer image_index_ = -1;
  UINT command_;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TPopupMenu* menu_ = nullptr;  // set on the root item only
  std::unique_ptr<TBasicActionLink> action_link_;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
  ZORVET_CLASS_NAME(TPopupMenu)

 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // The root item: its items are the menu's.
  TMenuItem* Items() const { return items_.get(); }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool value) { auto_popup_ = value; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment value) { alignment_ = value; }
  // The control (or other component) the menu was last shown for.
  TComponent* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(TComponent* value);

  // Fires OnPopup and opens the menu with its corner at the screen point.
  // Returns at once; a chosen item's Click runs from the message loop.
  virtual void Popup(Integer x, Integer y);
  // The menu of the window layer while the menu is open, else nullptr.
  HMENU Handle() const { return handle_; }
  // Closes the menu if it is open.
  void CloseMenu();

  TNotifyEvent OnPopup;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Dispatch(UINT command);
  void FreeHandle();
  // The window layer's menu of `parent`'s visible items, with a submenu
  // for each item that holds items.
  HMENU MakeMenu(const TMenuItem* parent);

  std::unique_ptr<TMenuItem> items_;
  TCustomImageList* images_ = nullptr;
  bool auto_popup_ = true;
  TPopupAlignment alignment_ = paLeft;
  TComponent* popup_component_ = nullptr;
  HMENU handle_ = nullptr;
  HWND window_ = nullptr;  // receives the chosen command
};

// Published properties of the menu classes, for stored forms.
void DeclareMenuProperties();
