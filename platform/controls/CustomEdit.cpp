// platform/controls/CustomEdit.cpp
#include "platform/controls/CustomEdit.h"

#include <algorithm>

#include "platform/controls/ControlsProperties.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"

TCustomEdit::TCustomEdit(TComponent* owner) : TStandardControl(owner) {
  // The window reports its own clicks as caret moves; a control click on
  // every mouse-up would only disturb.
  control_style_ = TControlStyle{csClickEvents, csSetCaption, csDoubleClicks};
  SetTabStop(true);
  SetBounds(0, 0, 121, 25);
  SetAutoSize(true);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TStandardControl::CreateParams(params);
  CreateSubClass(params, WC_EDIT);
  params.Style |= ES_AUTOHSCROLL | ES_LEFT;
  if (read_only_) params.Style |= ES_READONLY;
  if (password_char_) params.Style |= ES_PASSWORD;
  if (border_) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
  TStandardControl::CreateWnd();
  HWND h = WindowHandle();
  SendMessage(h, EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  if (password_char_)
    SendMessage(h, EM_SETPASSWORDCHAR, static_cast<unsigned char>(password_char_), 0);
  SendMessage(h, EM_SETSEL, static_cast<WPARAM>(sel_start_),
              static_cast<LPARAM>(sel_start_ + sel_length_));
}

void TCustomEdit::Dispatch(TMessage& message) {
  if (message.Msg == CN_COMMAND && HIWORD(static_cast<UINT_PTR>(message.WParam)) == EN_CHANGE) {
    // Text set before the window existed is already the control's; only
    // the window's changes are news.
    if (!ControlState().Contains(csCreating)) Change();
    return;
  }
  TStandardControl::Dispatch(message);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::WMSetFocus(TMessage& message) {
  TStandardControl::WMSetFocus(message);
  // A click places the caret where it lands; any other way in selects all.
  if (auto_select_ && HandleAllocated() && !(GetKeyState(VK_LBUTTON) < 0) &&
      !(GetWindowLongPtr(WindowHandle(), GWL_STYLE) & ES_MULTILINE))
    SelectAll();
}

void TCustomEdit::CMCtl3DChanged(TMessage& message) {
  TStandardControl::CMCtl3DChanged(message);
  AdjustSize();
}

void TCustomEdit::AdjustSize() {
  if (!AutoSize() || ComponentState().Contains(csLoading)) return;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  // The text's line, the client edge (2 pixels each side) and a pixel of air each side.
  const Integer border = border_ ? 2 * GetSystemMetrics(SM_CYEDGE) : 0;
  SetHeight(tm.tmHeight + border + 2 * GetSystemMetrics(SM_CYBORDER) + 2);
}

void TCustomEdit::SetMaxLength(Integer value) {
  max_length_ = std::max<Integer>(0, value);
  if (HandleAllocated()) SendMessage(WindowHandle(), EM_LIMITTEXT, max_length_, 0);
}

void TCustomEdit::SetReadOnly(bool value) {
  if (read_only_ == value) return;
  read_only_ = value;
  if (HandleAllocated()) SendMessage(WindowHandle(), EM_SETREADONLY, value, 0);
}

void TCustomEdit::SetBorderVisible(bool value) {
  if (border_ == value) return;
  border_ = value;
  if (HandleAllocated()) RecreateWnd();
  AdjustSize();
}

void TCustomEdit::SetPasswordChar(char value) {
  if (password_char_ == value) return;
  password_char_ = value;
  if (HandleAllocated()) {
    SendMessage(WindowHandle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(value), 0);
    Invalidate();
  }
}

Integer TCustomEdit::SelStart() {
  if (!HandleAllocated()) return sel_start_;
  DWORD start = 0, end = 0;
  SendMessage(WindowHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
              reinterpret_cast<LPARAM>(&end));
  return static_cast<Integer>(start);
}

void TCustomEdit::SetSelStart(Integer value) {
  sel_start_ = std::max<Integer>(0, value);
  sel_length_ = 0;
  if (HandleAllocated()) SendMessage(WindowHandle(), EM_SETSEL, sel_start_, sel_start_);
}

Integer TCustomEdit::SelLength() {
  if (!HandleAllocated()) return sel_length_;
  DWORD start = 0, end = 0;
  SendMessage(WindowHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
              reinterpret_cast<LPARAM>(&end));
  return static_cast<Integer>(end - start);
}

void TCustomEdit::SetSelLength(Integer value) {
  const Integer start = SelStart();
  sel_start_ = start;
  sel_length_ = std::max<Integer>(0, value);
  if (HandleAllocated()) SendMessage(WindowHandle(), EM_SETSEL, start, start + sel_length_);
}

String TCustomEdit::SelText() {
  const Integer start = SelStart(), length = SelLength();
  const String text = Text();
  if (start >= static_cast<Integer>(text.size())) return String();
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

void TCustomEdit::SetSelText(const String& value) {
  SendMessage(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(value.c_str()));
}

bool TCustomEdit::Modified() {
  return HandleAllocated() && SendMessage(WindowHandle(), EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool value) {
  SendMessage(Handle(), EM_SETMODIFY, value, 0);
}

void TCustomEdit::Clear() {
  SetText(String());
}

void TCustomEdit::ClearSelection() {
  SendMessage(Handle(), WM_CLEAR, 0, 0);
}

void TCustomEdit::CopyToClipboard() {
  SendMessage(Handle(), WM_COPY, 0, 0);
}

void TCustomEdit::CutToClipboard() {
  SendMessage(Handle(), WM_CUT, 0, 0);
}

void TCustomEdit::PasteFromClipboard() {
  SendMessage(Handle(), WM_PASTE, 0, 0);
}

void TCustomEdit::SelectAll() {
  SendMessage(Handle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::Undo() {
  SendMessage(Handle(), WM_UNDO, 0, 0);
}

bool TCustomEdit::CanUndo() {
  return HandleAllocated() && SendMessage(WindowHandle(), EM_CANUNDO, 0, 0) != 0;
}

void DeclareCustomEditProperties() {
  DeclareControlProperties();
  TPublishedClass<TCustomEdit, TWinControl> edit;
  edit.AddString("Text", &TCustomEdit::Text, &TCustomEdit::SetText)
      .AddInteger("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength, 0)
      .AddBoolean("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly, false)
      .AddBoolean("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect, true)
      .AddBoolean("AutoSize", &TCustomEdit::AutoSize, &TCustomEdit::SetAutoSize, true)
      .AddChar("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar, 0);
  TPublishedClass<TEdit, TCustomEdit>();
}
