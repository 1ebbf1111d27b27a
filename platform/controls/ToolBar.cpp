// platform/controls/ToolBar.cpp
#include "platform/controls/ToolBar.h"

#include <algorithm>

#include "platform/controls/ActnList.h"
#include "platform/controls/Application.h"
#include "platform/controls/CommandNumbers.h"
#include "platform/controls/ControlsProperties.h"
#include "platform/controls/ImageLists.h"
#include "platform/controls/Menus.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Message.h"
#include "platform/win/ToolBar.h"
#include "platform/win/WinStyles.h"

TToolButton::TToolButton(TComponent* owner)
    : TControl(owner), command_(static_cast<int>(NextCommandNumber())) {
  SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
  if (tool_bar_) tool_bar_->RemoveButton(this);
}

void TToolButton::SetParent(TWinControl* parent) {
  TControl::SetParent(parent);
  auto* bar = dynamic_cast<TToolBar*>(parent);
  if (bar == tool_bar_) return;
  if (tool_bar_) tool_bar_->RemoveButton(this);
  if (bar) bar->InsertButton(this);
}

Integer TToolButton::Index() const {
  if (!tool_bar_) return -1;
  const auto& b = tool_bar_->buttons_;
  return static_cast<Integer>(std::find(b.begin(), b.end(), this) - b.begin());
}

void TToolButton::Changed() {
  if (tool_bar_) tool_bar_->UpdateButtons();
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  if (style_ == value) return;
  style_ = value;
  // A separator is as wide as it is told; a button as the bar says.
  if (IsSeparator() && Width() == 23) SetWidth(8);
  Changed();
}

void TToolButton::SetImageIndex(Integer value) {
  if (image_index_ == value) return;
  image_index_ = value;
  Changed();
}

void TToolButton::SetDropdownMenu(TPopupMenu* value) {
  if (dropdown_menu_ == value) return;
  if (dropdown_menu_) dropdown_menu_->RemoveFreeNotification(this);
  dropdown_menu_ = value;
  if (value) value->FreeNotification(this);
}

void TToolButton::SetDown(bool value) {
  if (down_ == value) return;
  down_ = value;
  if (value && grouped_ && tool_bar_) {
    // The other grouped buttons next to it pop out.
    const Integer i = Index();
    for (Integer j = i - 1; j >= 0 && tool_bar_->buttons_[static_cast<size_t>(j)]->grouped_; --j)
      tool_bar_->buttons_[static_cast<size_t>(j)]->down_ = false;
    for (Integer j = i + 1;
         j < tool_bar_->ButtonCount() && tool_bar_->buttons_[static_cast<size_t>(j)]->grouped_; ++j)
      tool_bar_->buttons_[static_cast<size_t>(j)]->down_ = false;
  }
  if (auto* a = dynamic_cast<TCustomAction*>(Action()); a && a->Checked() != value)
    a->SetChecked(value);
  Changed();
}

void TToolButton::SetGrouped(bool value) {
  if (grouped_ == value) return;
  grouped_ = value;
  Changed();
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TControl::Notification(component, operation);
  if (operation == opRemove && component == dropdown_menu_) dropdown_menu_ = nullptr;
}

void TToolButton::ActionChange(TObject* sender, bool checkDefaults) {
  TControl::ActionChange(sender, checkDefaults);
  auto* a = dynamic_cast<TCustomAction*>(sender);
  if (!a) return;
  if (!checkDefaults || image_index_ < 0) SetImageIndex(a->ImageIndex());
  if (!checkDefaults || !down_) SetDown(a->Checked());
}

void TToolButton::CMTextChanged(TMessage& message) {
  TControl::CMTextChanged(message);
  if (tool_bar_ && tool_bar_->ShowCaptions()) Changed();
}

void TToolButton::CMEnabledChanged(TMessage& message) {
  TControl::CMEnabledChanged(message);
  if (tool_bar_ && tool_bar_->HandleAllocated())
    SendMessage(tool_bar_->WindowHandle(), TB_ENABLEBUTTON, static_cast<WPARAM>(command_),
                MAKELPARAM(Enabled() ? 1 : 0, 0));
}

void TToolButton::CMVisibleChanged(TMessage& message) {
  TControl::CMVisibleChanged(message);
  Changed();
}

bool TToolButton::CheckMenuDropdown() {
  if (!dropdown_menu_ || !tool_bar_) return false;
  const POINT p = ClientToScreen(POINT{0, Height()});
  dropdown_menu_->SetPopupComponent(this);
  dropdown_menu_->Popup(p.x, p.y);
  return true;
}

TToolBar::TToolBar(TComponent* owner) : TStandardControl(owner) {
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
  SetColor(clBtnFace);
  control_style_ += csAcceptsControls;
}

TToolBar::~TToolBar() {
  // The buttons are freed with the other children; they must not call back.
  for (TToolButton* b : buttons_) b->tool_bar_ = nullptr;
  buttons_.clear();
}

TToolButton* TToolBar::Buttons(Integer index) const {
  if (index < 0 || index >= ButtonCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return buttons_[static_cast<size_t>(index)];
}

void TToolBar::CreateParams(TCreateParams& params) {
  TStandardControl::CreateParams(params);
  RegisterToolBarClass();
  CreateSubClass(params, TOOLBARCLASSNAME);
  if (flat_) params.Style |= TBSTYLE_FLAT;
}

void TToolBar::CreateWnd() {
  TStandardControl::CreateWnd();
  SendMessage(WindowHandle(), TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  UpdateButtons();
}

void TToolBar::InsertButton(TToolButton* button) {
  buttons_.push_back(button);
  button->tool_bar_ = this;
  button->SetParentShowHint(true);
  UpdateButtons();
}

void TToolBar::RemoveButton(TToolButton* button) {
  auto it = std::find(buttons_.begin(), buttons_.end(), button);
  if (it == buttons_.end()) return;
  buttons_.erase(it);
  button->tool_bar_ = nullptr;
  UpdateButtons();
}

void TToolBar::UpdateButtons() {
  if (!HandleAllocated() || ComponentState().Contains(csDestroying)) return;
  const HWND h = WindowHandle();
  SendMessage(h, TB_SETIMAGELIST, 0,
              reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
  SendMessage(h, TB_SETBUTTONSIZE, 0, MAKELPARAM(button_width_, button_height_));
  while (SendMessage(h, TB_BUTTONCOUNT, 0, 0) > 0) SendMessage(h, TB_DELETEBUTTON, 0, 0);
  std::vector<TBBUTTON> list;
  // The captions live until the bar has copied them.
  std::vector<String> captions;
  captions.reserve(buttons_.size());
  for (TToolButton* b : buttons_) {
    TBBUTTON tb;
    captions.push_back(show_captions_ && !b->IsSeparator() ? b->Caption() : String());
    if (!captions.back().empty()) tb.iString = reinterpret_cast<INT_PTR>(captions.back().c_str());
    tb.idCommand = b->command_;
    tb.iBitmap = b->IsSeparator() ? b->Width() : b->image_index_;
    tb.fsState = 0;
    if (b->Enabled()) tb.fsState |= TBSTATE_ENABLED;
    if (!b->Visible()) tb.fsState |= TBSTATE_HIDDEN;
    if (b->down_) tb.fsState |= TBSTATE_CHECKED;
    switch (b->style_) {
      case tbsButton:
        tb.fsStyle = TBSTYLE_BUTTON;
        break;
      case tbsCheck:
        tb.fsStyle = b->grouped_ ? TBSTYLE_CHECKGROUP : TBSTYLE_CHECK;
        break;
      case tbsDropDown:
        tb.fsStyle = TBSTYLE_DROPDOWN;
        break;
      case tbsSeparator:
      case tbsDivider:
        tb.fsStyle = TBSTYLE_SEP;
        break;
    }
    list.push_back(tb);
  }
  if (!list.empty())
    SendMessage(h, TB_ADDBUTTONS, list.size(), reinterpret_cast<LPARAM>(list.data()));
  // The buttons' places are the window's: hints and menus go by them.
  for (TToolButton* b : buttons_) {
    RECT r;
    if (SendMessage(h, TB_GETRECT, static_cast<WPARAM>(b->command_), reinterpret_cast<LPARAM>(&r)))
      b->StoreBounds(r.left, r.top, RectWidth(r), RectHeight(r));
  }
  // The bar holds its buttons' height, which captions may have grown.
  if (show_captions_) {
    const auto size = static_cast<DWORD>(SendMessage(h, TB_GETBUTTONSIZE, 0, 0));
    const Integer height = HIWORD(size) + 7;
    if (Height() < height) SetHeight(height);
  }
}

void TToolBar::SetShowCaptions(bool value) {
  if (show_captions_ == value) return;
  show_captions_ = value;
  UpdateButtons();
}

void TToolBar::ButtonToggled(TToolButton* button) {
  const bool checked =
      SendMessage(WindowHandle(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(button->command_), 0);
  if (checked == button->down_) return;
  button->down_ = checked;
  if (checked && button->grouped_)
    for (TToolButton* other : buttons_)
      if (other != button && other->grouped_)
        other->down_ = SendMessage(WindowHandle(), TB_ISBUTTONCHECKED,
                                   static_cast<WPARAM>(other->command_), 0) != 0;
  if (auto* a = dynamic_cast<TCustomAction*>(button->Action()); a && a->Checked() != checked)
    a->SetChecked(checked);
}

TToolButton* TToolBar::FindCommand(int command) const {
  for (TToolButton* b : buttons_)
    if (b->command_ == command) return b;
  return nullptr;
}

TToolButton* TToolBar::ButtonAtPos(POINT p) const {
  for (TToolButton* b : buttons_)
    if (b->Visible() && !b->IsSeparator() && PtInRect(b->BoundsRect(), p)) return b;
  return nullptr;
}

void TToolBar::SetImages(TCustomImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value) value->FreeNotification(this);
  UpdateButtons();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TStandardControl::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    UpdateButtons();
  }
}

void TToolBar::SetFlat(bool value) {
  if (flat_ == value) return;
  flat_ = value;
  RecreateWnd();
}

void TToolBar::SetButtonWidth(Integer value) {
  if (value <= 0 || button_width_ == value) return;
  button_width_ = value;
  UpdateButtons();
}

void TToolBar::SetButtonHeight(Integer value) {
  if (value <= 0 || button_height_ == value) return;
  button_height_ = value;
  UpdateButtons();
}

// The window handles the mouse over its buttons itself: the buttons are
// places on it, not controls that take mouse messages.
void TToolBar::WndProc(TMessage& message) {
  if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST && message.Msg != WM_MOUSEWHEEL) {
    TControl::WndProc(message);
    return;
  }
  TStandardControl::WndProc(message);
}

void TToolBar::WMMouseMove(TMessage& message) {
  DefaultHandler(message);
  const POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  // The hint is the button's under the pointer, else the bar's own.
  TControl* target = ButtonAtPos(p);
  if (Application) Application->HintMouseMessage(target ? target : this, message);
  if (!control_style_.Contains(csNoStdEvents))
    MouseMove(MouseKeysToShiftState(message.WParam), p.x, p.y);
}

void TToolBar::Dispatch(TMessage& message) {
  if (message.Msg == CN_COMMAND) {
    if (TToolButton* b = FindCommand(LOWORD(static_cast<UINT_PTR>(message.WParam)))) {
      if (b->style_ == tbsCheck) ButtonToggled(b);
      b->Click();
    }
    return;
  }
  if (message.Msg == CN_NOTIFY) {
    const auto* hdr = reinterpret_cast<const NMHDR*>(message.LParam);
    if (hdr->code == TBN_DROPDOWN) {
      const auto* nm = reinterpret_cast<const NMTOOLBARA*>(message.LParam);
      TToolButton* b = FindCommand(nm->iItem);
      // A drop-down button without a menu clicks instead.
      if (b && !b->CheckMenuDropdown()) b->Click();
      message.Result = TBDDRET_DEFAULT;
      return;
    }
  }
  TStandardControl::Dispatch(message);
}

void DeclareToolBarProperties() {
  static bool declared = false;
  if (declared) return;
  declared = true;
  DeclareControlProperties();
  using B = TToolButton;
  TPublishedClass<B, TControl>()
      .AddString(
          "Caption", [](B* b) { return b->Caption(); },
          [](B* b, const String& v) { b->SetCaption(v); })
      .AddEnum("Style", &B::Style, &B::SetStyle,
               {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"}, tbsButton)
      .AddInteger("ImageIndex", &B::ImageIndex, &B::SetImageIndex, -1)
      .AddComponent("DropdownMenu", &B::DropdownMenu, &B::SetDropdownMenu)
      .AddBoolean("Down", &B::Down, &B::SetDown)
      .AddBoolean("Grouped", &B::Grouped, &B::SetGrouped)
      .AddComponent("Action", &B::Action, &B::SetAction);
  using T = TToolBar;
  TPublishedClass<T, TWinControl>()
      .AddComponent("Images", &T::Images, &T::SetImages)
      .AddBoolean("Flat", &T::Flat, &T::SetFlat)
      .AddBoolean("ShowCaptions", &T::ShowCaptions, &T::SetShowCaptions)
      .AddInteger("ButtonWidth", &T::ButtonWidth, &T::SetButtonWidth, 23)
      .AddInteger("ButtonHeight", &T::ButtonHeight, &T::SetButtonHeight, 22);
}
