// platform/controls/Form.cpp
#include "platform/controls/Form.h"

#include <algorithm>
#include <vector>

#include "platform/controls/Application.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {
std::vector<TCustomForm*>& ReleasedForms() {
  static std::vector<TCustomForm*> forms;
  return forms;
}

TModalWaitHandler& ModalWaitHandler() {
  static TModalWaitHandler handler;
  return handler;
}
}  // namespace

TModalWaitHandler SetModalWaitHandler(TModalWaitHandler handler) {
  TModalWaitHandler old = std::move(ModalWaitHandler());
  ModalWaitHandler() = std::move(handler);
  return old;
}

TCustomForm::TCustomForm(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  control_style_ =
      TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetColor(clBtnFace);
  SetParentFont(false);
  SetShowHint(false);
  SetCtl3D(true);
  StoreBounds(0, 0, 320, 240);
  TControl::SetVisible(false);
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  canvas_->FreeHandle();
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
  if (operation == opRemove && component == active_control_) {
    active_control_ = nullptr;
    // The screen must not keep pointing at a control that is going away.
    if (Screen && static_cast<TComponent*>(Screen->ActiveControl()) == component)
      Screen->SetFocusedControl(nullptr, Screen->ActiveForm());
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated()) BringWindowToTop(WindowHandle());
}

void TCustomForm::Hide() {
  SetVisible(false);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (form_style_ == value) return;
  form_style_ = value;
  if (HandleAllocated())
    SetWindowPos(WindowHandle(), value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::ApplyPosition() {
  if (positioned_) return;
  positioned_ = true;
  TCustomForm* around = nullptr;
  switch (position_) {
    case poMainFormCenter:
      if (Application && Application->MainForm() != this) around = Application->MainForm();
      break;
    case poOwnerFormCenter:
      around = dynamic_cast<TCustomForm*>(Owner());
      break;
    case poScreenCenter:
    case poDesktopCenter:
      break;
    default:
      return;
  }
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (around && around->HandleAllocated() && around->Visible()) area = around->BoundsRect();
  const Integer x = area.left + (RectWidth(area) - Width()) / 2;
  const Integer y = area.top + (RectHeight(area) - Height()) / 2;
  SetBounds(std::max(x, 0), std::max(y, 0), Width(), Height());
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || form_state_.Contains(fsModal) || form_style_ == fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (!Application) throw EInvalidOperation("A modal form needs the application's message loop");
  // A mouse operation in progress elsewhere ends before the modal form takes over.
  if (HWND captured = GetCapture()) {
    SendMessage(captured, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
  }
  form_state_ += fsModal;
  const HWND previousActive = GetActiveWindow();
  // Every other enabled top-level form is switched off while the form is modal.
  std::vector<HWND> disabled;
  if (Screen)
    for (Integer i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      if (f != this && f->HandleAllocated() && IsWindowEnabled(f->WindowHandle())) {
        disabled.push_back(f->WindowHandle());
        EnableWindow(f->WindowHandle(), FALSE);
      }
    }
  {
    TScopeExit restore([&] {
      for (HWND h : disabled)
        if (IsWindow(h)) EnableWindow(h, TRUE);
      form_state_ -= fsModal;
      if (previousActive && IsWindow(previousActive)) SetActiveWindow(previousActive);
    });
    bool closed = false;
    TScopeExit hideOnFailure([&] {
      if (closed) return;
      if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
      TControl::SetVisible(false);
    });
    modal_result_ = mrNone;
    Show();
    for (;;) {
      MSG msg;
      if (!Application->ProcessMessage(msg)) {
        Application->DoIdle();
        if (modal_result_ == mrNone && !Application->Terminated() && !WaitMessage()) {
          TModalWaitHandler& handler = ModalWaitHandler();
          if (!handler || !handler(this))
            throw EInvalidOperation(
                Format("Modal form '%s' waits for input that cannot come", Name()));
        }
      }
      if (Application->Terminated()) modal_result_ = mrCancel;
      if (modal_result_ != mrNone) CloseModal();
      if (modal_result_ != mrNone) break;
    }
    Hide();
    closed = true;
  }
  return modal_result_;
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    if (OnClose) OnClose(this, action);
  }
  switch (action) {
    case caNone:
      modal_result_ = mrNone;
      break;
    case caFree:
      Release();
      break;
    default:
      break;
  }
}

void TCustomForm::Close() {
  if (form_state_.Contains(fsModal)) {
    modal_result_ = mrCancel;
    return;
  }
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
    case caHide:
      Hide();
      break;
    case caMinimize:
      SetWindowState(wsMinimized);
      break;
    case caFree:
      Release();
      break;
    default:
      break;
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
    case bsNone:
      p.Style |= WS_POPUP;
      break;
    case bsSingle:
    case bsToolWindow:
      p.Style |= WS_CAPTION | WS_BORDER;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      p.Style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION;
      p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (tool) p.ExStyle |= WS_EX_TOOLWINDOW;
  if (form_style_ == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  if (position_ == poDefault || position_ == poDefaultPosOnly) p.X = p.Y = CW_USEDEFAULT;
  if (position_ == poDefault || position_ == poDefaultSizeOnly) p.Width = p.Height = CW_USEDEFAULT;
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
    ApplyPosition();
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

void TCustomForm::PaintWindow(HDC dc) {
  PaintOnCanvas(canvas_.get(), dc, this, [this] { Paint(); });
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_ACTIVATE:
      WMActivate(message);
      break;
    case WM_CLOSE:
      WMClose(message);
      break;
    case CM_RELEASE:
      CMRelease(message);
      break;
    default:
      TWinControl::Dispatch(message);
      break;
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

void TCustomForm::WMClose(TMessage&) {
  Close();
}

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
