// platform/controls/Screen.cpp
#include "platform/controls/Screen.h"

#include <algorithm>

#include "platform/controls/Form.h"
#include "platform/win/Cursor.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Window.h"

TScreen* Screen = nullptr;

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

TScreen::~TScreen() = default;

void TScreen::AddForm(TCustomForm* form) {
  if (std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.push_back(form);
}

void TScreen::AddDataModule(TDataModule* module) {
  if (std::find(data_modules_.begin(), data_modules_.end(), module) == data_modules_.end())
    data_modules_.push_back(module);
}

void TScreen::RemoveDataModule(TDataModule* module) {
  std::erase(data_modules_, module);
}

void TScreen::RemoveForm(TCustomForm* form) {
  std::erase(forms_, form);
  if (active_control_ && GetParentForm(active_control_) == form) {
    active_control_ = nullptr;
    if (OnActiveControlChange) OnActiveControlChange(this);
  }
  if (active_form_ == form) {
    active_form_ = nullptr;
    if (OnActiveFormChange) OnActiveFormChange(this);
  }
}

void TScreen::SetActiveForm(TCustomForm* form) {
  if (active_form_ == form) return;
  active_form_ = form;
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetFocusedControl(TWinControl* control, TCustomForm* form) {
  SetActiveForm(form);
  if (active_control_ == control) return;
  active_control_ = control;
  if (OnActiveControlChange) OnActiveControlChange(this);
}

void TScreen::SetCursor(TCursor value) {
  if (cursor_ == value) return;
  cursor_ = value;
  if (value != crDefault) {
    ::SetCursor(Cursors(value));
    return;
  }
  // Let the window under the pointer choose again.
  POINT p;
  GetCursorPos(&p);
  if (HWND h = WindowFromPoint(p)) {
    const LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, PointToLParam(p));
    SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h),
                MAKELPARAM(static_cast<int>(hit), WM_MOUSEMOVE));
  } else {
    ::SetCursor(Cursors(crDefault));
  }
}

HCURSOR TScreen::Cursors(Integer id) const {
  return CursorOfId(id);
}

void TScreen::SetCursors(Integer id, HCURSOR cursor) {
  if (!cursor && id != crNone) cursor = CursorOfId(crDefault);
  SetCursorOfId(id, cursor);
}

Integer TScreen::Width() const {
  return GetSystemMetrics(SM_CXSCREEN);
}
Integer TScreen::Height() const {
  return GetSystemMetrics(SM_CYSCREEN);
}
Integer TScreen::PixelsPerInch() const {
  return ScreenPixelsPerInch();
}
