// platform/controls/ComboBox.cpp
#include "platform/controls/ComboBox.h"

#include "platform/controls/ControlsProperties.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/ComboBox.h"
#include "platform/win/Message.h"
#include "platform/win/WinStyles.h"

TComboBox::TComboBox(TComponent* owner)
    : TStandardControl(owner), items_(std::make_unique<TStringList>()) {
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  items_->OnChange = [this](TObject*) { ItemsChanged(); };
}

TComboBox::~TComboBox() {
  items_->OnChange = nullptr;
}

void TComboBox::CreateParams(TCreateParams& params) {
  TStandardControl::CreateParams(params);
  RegisterComboBoxClass();
  CreateSubClass(params, WC_COMBOBOX);
  params.Style |= CBS_DROPDOWNLIST | WS_TABSTOP;
}

void TComboBox::CreateWnd() {
  TStandardControl::CreateWnd();
  SendMessage(WindowHandle(), CB_SETMINVISIBLE, static_cast<WPARAM>(drop_down_count_), 0);
  FillWindow(item_index_);
}

void TComboBox::DestroyWnd() {
  item_index_ = ItemIndex();
  TStandardControl::DestroyWnd();
}

void TComboBox::FillWindow(Integer selected) {
  const HWND h = WindowHandle();
  SendMessage(h, CB_RESETCONTENT, 0, 0);
  for (Integer i = 0; i < items_->Count(); ++i) {
    const String s = items_->Strings(i);
    SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  }
  SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void TComboBox::ItemsChanged() {
  // The selection stays on the same string when it is still there.
  const Integer old = ItemIndex();
  const String selected = window_text_;
  Integer keep = -1;
  if (old >= 0 && old < items_->Count() && items_->Strings(old) == selected)
    keep = old;
  else if (old >= 0)
    keep = items_->IndexOf(selected);
  item_index_ = keep;
  if (HandleAllocated()) FillWindow(keep);
  window_text_ = Text();
}

Integer TComboBox::ItemIndex() const {
  if (!HandleAllocated()) return item_index_;
  return static_cast<Integer>(SendMessage(WindowHandle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(Integer value) {
  if (value < -1 || value >= items_->Count()) value = -1;
  item_index_ = value;
  if (HandleAllocated()) SendMessage(WindowHandle(), CB_SETCURSEL, static_cast<WPARAM>(value), 0);
  window_text_ = Text();
}

String TComboBox::Text() const {
  const Integer i = ItemIndex();
  return i >= 0 && i < items_->Count() ? items_->Strings(i) : String();
}

void TComboBox::SetText(const String& value) {
  SetItemIndex(items_->IndexOf(value));
}

void TComboBox::SetDropDownCount(Integer value) {
  if (value <= 0) return;
  drop_down_count_ = value;
  if (HandleAllocated())
    SendMessage(WindowHandle(), CB_SETMINVISIBLE, static_cast<WPARAM>(value), 0);
}

bool TComboBox::DroppedDown() const {
  return HandleAllocated() && SendMessage(WindowHandle(), CB_GETDROPPEDSTATE, 0, 0);
}

void TComboBox::SetDroppedDown(bool value) {
  SendMessage(Handle(), CB_SHOWDROPDOWN, value, 0);
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::Dispatch(TMessage& message) {
  if (message.Msg == CN_COMMAND) {
    switch (HIWORD(static_cast<UINT_PTR>(message.WParam))) {
      case CBN_SELCHANGE:
        item_index_ = ItemIndex();
        window_text_ = Text();
        Change();
        return;
      case CBN_DROPDOWN:
        if (OnDropDown) OnDropDown(this);
        return;
      case CBN_CLOSEUP:
        if (OnCloseUp) OnCloseUp(this);
        return;
      default:
        return;
    }
  }
  // The control keeps its text in its items, not in the window's caption.
  if (message.Msg == WM_SETTEXT && !HandleAllocated()) {
    SetText(message.LParam ? reinterpret_cast<const char*>(message.LParam) : "");
    message.Result = TRUE;
    return;
  }
  TStandardControl::Dispatch(message);
}

void DeclareComboBoxProperties() {
  static bool declared = false;
  if (declared) return;
  declared = true;
  DeclareControlProperties();
  using C = TComboBox;
  TPublishedClass<C, TWinControl>()
      .AddObject("Items", [](C* c) { return c->Items(); })
      .AddInteger("ItemIndex", &C::ItemIndex, &C::SetItemIndex, -1)
      .AddString("Text", &C::Text, &C::SetText)
      .AddEnum("Style", &C::Style, &C::SetStyle, {"csDropDownList"}, csDropDownList)
      .AddInteger("DropDownCount", &C::DropDownCount, &C::SetDropDownCount, 8);
}
