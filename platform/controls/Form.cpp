// platform/controls/Form.cpp
#include "platform/controls/Form.h"

#include <algorithm>
#include <vector>

#include "platform/controls/Application.h"
#include "platform/controls/Screen.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {
std::vector<TCustomForm*>& ReleasedForms() {
  static std::vector<TCustomForm*> forms;
  return forms;
}
}  // namespace

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  control_style_ = TControlStyle{csAcceptsControls, csSetCaption, csDoubleClicks};
  StoreBounds(0, 0, 320, 240);
  TControl::SetVisible(false);
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (Screen) Screen->RemoveForm(this);  // no longer the active form or control
  std::erase(ReleasedForms(), this);
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      HandleApplicationException(this);
    }
  }
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (border_style_ == value) return;
  border_style_ = value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  if (border_icons_ == value) return;
  border_icons_ = value;
  RecreateWnd();
}

TWindowState TCustomForm::WindowState() {
  if (HandleAllocated() && Showing()) {
    if (IsIconic(WindowHandle())) return wsMinimized;
    if (IsZoomed(WindowHandle())) return wsMaximized;
    return wsNormal;
  }
  return window_state_;
}

void TCustomForm::SetWindowState(TWindowState value) {
  window_state_ = value;
  if (HandleAllocated() && Showing()) {
    static const int kCommand[] = {SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMAXIMIZED};
    ShowWindow(WindowHandle(), kCommand[value]);
  }
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control && GetParentForm(control) != this)
    throw EInvalidOperation("Cannot focus a control that is not on the form");
  active_control_ = control;
  if (control) control->FreeNotification(this);
  if (control && active_ && Showing() && control->CanFocus()) ::SetFocus(control->Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control != this) {
    active_control_ = control;
    control->FreeNotification(this);
  }
  if (Screen) Screen->SetFocusedControl(control, this);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == active_control_) active_control_ = nullptr;
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated()) BringWindowToTop(WindowHandle());
}

void TCustomForm::Hide() { SetVisible(false); }

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    Hide();
    return;
  }
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
  }
}

void TCustomForm::Release() {
  if (HandleAllocated()) PostMessage(WindowHandle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style &= ~(WS_CHILD | WS_TABSTOP);
  p.Style |= WS_CLIPCHILDREN;
  p.WndParent = nullptr;
  const bool tool = border_style_ == bsToolWindow || border_style_ == bsSizeToolWin;
  switch (border_style_) {
    case bsNone: p.Style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: p.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION;
      p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (tool) p.ExStyle |= WS_EX_TOOLWINDOW;
  if (border_style_ != bsNone && border_icons_.Contains(biSystemMenu)) {
    p.Style |= WS_SYSMENU;
    if (border_style_ != bsDialog && !tool) {
      if (border_icons_.Contains(biMinimize)) p.Style |= WS_MINIMIZEBOX;
      if (border_icons_.Contains(biMaximize)) p.Style |= WS_MAXIMIZEBOX;
    }
  }
  p.WindowClass.style |= CS_DBLCLKS;
}

void TCustomForm::UpdateShowing() {
  if (!HandleAllocated()) return;
  const bool windowVisible = IsWindowVisible(WindowHandle()) != FALSE;
  if (Visible() && !windowVisible) {
    DoShow();
    static const int kCommand[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(WindowHandle(), kCommand[window_state_]);
  } else if (!Visible() && windowVisible) {
    window_state_ = WindowState();
    ShowWindow(WindowHandle(), SW_HIDE);
    DoHide();
  }
}

void TCustomForm::CMVisibleChanged(TMessage&) {
  if (Visible()) HandleNeeded();  // a form needs no parent to show
  UpdateShowing();
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_ACTIVATE: WMActivate(message); break;
    case WM_CLOSE: WMClose(message); break;
    case CM_RELEASE: CMRelease(message); break;
    default: TWinControl::Dispatch(message); break;
  }
}

void TCustomForm::WMActivate(TMessage& message) {
  const bool nowActive = LOWORD(message.WParam) != WA_INACTIVE;
  if (nowActive == active_) {
    DefaultHandler(message);
    return;
  }
  active_ = nowActive;
  if (nowActive) {
    if (Screen) Screen->SetActiveForm(this);
    if (active_control_ && active_control_->CanFocus() && !HIWORD(message.WParam))
      ::SetFocus(active_control_->Handle());
    else
      DefaultHandler(message);
    if (OnActivate) OnActivate(this);
  } else {
    if (OnDeactivate) OnDeactivate(this);
    DefaultHandler(message);
  }
}

void TCustomForm::WMClose(TMessage&) { Close(); }


// The form's own message must not free it while its procedure runs; it is
// freed right after, when the loop has finished dispatching.
void TCustomForm::CMRelease(TMessage&) {
  auto& list = ReleasedForms();
  if (std::find(list.begin(), list.end(), this) == list.end()) list.push_back(this);
}

void FreeReleasedForms() {
  auto& list = ReleasedForms();
  while (!list.empty()) {
    TCustomForm* form = list.back();
    list.pop_back();
    delete form;
  }
}

TCustomForm* GetParentForm(TControl* control) {
  while (control && control->Parent()) control = control->Parent();
  return dynamic_cast<TCustomForm*>(control);
}
