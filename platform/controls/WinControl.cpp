// platform/controls/WinControl.cpp
#include "platform/controls/WinControl.h"

#include <algorithm>
#include <unordered_map>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Format.h"
#include "platform/win/Cursor.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/WinNotify.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

// The control whose window is being made on this thread: its first message
// goes to InitWndProc, which joins window and control.
thread_local TWinControl* creation_control = nullptr;

std::unordered_map<HWND, TWinControl*>& ControlsByWindow() {
  static std::unordered_map<HWND, TWinControl*> map;
  return map;
}

}  // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  object_instance_ = MakeWndProc([this](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    TMessage m{msg, w, l, 0};
    MainWndProc(m);
    return m.Result;
  });
}

TWinControl::~TWinControl() {
  Destroying();
  if (handle_) DestroyWindowHandle();
  while (!controls_.empty()) delete controls_.back();
  FreeWndProc(object_instance_);
}

LRESULT TWinControl::InitWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = creation_control;
  creation_control = nullptr;
  if (!control) return DefWindowProc(hwnd, msg, wParam, lParam);
  control->handle_ = hwnd;
  ControlsByWindow()[hwnd] = control;
  SetWindowProc(hwnd, control->object_instance_);
  return CallWindowProc(control->object_instance_, hwnd, msg, wParam, lParam);
}

void TWinControl::MainWndProc(TMessage& message) {
  try {
    WindowProc(message);
  } catch (...) {
    HandleApplicationException(this);
  }
}

TWinControl* TWinControl::FindControl(HWND hwnd) {
  auto it = ControlsByWindow().find(hwnd);
  return it == ControlsByWindow().end() ? nullptr : it->second;
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_) return;
  if (Parent()) Parent()->HandleNeeded();
  CreateHandle();
}

void TWinControl::SetParentWindow(HWND value) {
  if (parent_window_ == value) return;
  parent_window_ = value;
  if (!Parent() && handle_) RecreateWnd();
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = text_;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (control_style_.Contains(csAcceptsControls)) p.Style |= WS_CLIPCHILDREN;
  if (!Enabled()) p.Style |= WS_DISABLED;
  if (tab_stop_) p.Style |= WS_TABSTOP;
  p.X = Left();
  p.Y = Top();
  p.Width = Width();
  p.Height = Height();
  p.WndParent = Parent() ? Parent()->Handle() : parent_window_;
  p.WindowClass = WNDCLASS{};
  p.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  p.WindowClass.lpfnWndProc = DefWindowProcInstance();
  p.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  p.WindowClass.hInstance = HInstance();
  p.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, LPCSTR controlClassName) {
  WNDCLASS wc;
  if (!GetClassInfo(HInstance(), controlClassName, &wc))
    throw EInvalidOperation(Format("Window class '%s' is not registered", String(controlClassName)));
  const UINT keep = params.WindowClass.style & (CS_VREDRAW | CS_HREDRAW);
  params.WindowClass = wc;
  params.WindowClass.style = (wc.style & ~(CS_VREDRAW | CS_HREDRAW)) | keep;
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  SetControlStateFlag(csCreating, true);
  try {
    CreateWnd();
  } catch (...) {
    SetControlStateFlag(csCreating, false);
    throw;
  }
  SetControlStateFlag(csCreating, false);
  const std::vector<TControl*> children = controls_;
  for (TControl* c : children)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->HandleNeeded();
  UpdateShowing();
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if (!p.WndParent && (p.Style & WS_CHILD))
    throw EInvalidOperation(Format("Control '%s' has no parent window", Name()));
  def_wnd_proc_ = p.WindowClass.lpfnWndProc;
  const WNDPROC init = StaticWndProc(&InitWndProc);
  WNDCLASS existing;
  const bool registered = GetClassInfo(p.WindowClass.hInstance, p.WinClassName.c_str(), &existing);
  if (!registered || existing.lpfnWndProc != init) {
    if (registered) UnregisterClass(p.WinClassName.c_str(), p.WindowClass.hInstance);
    p.WindowClass.lpfnWndProc = init;
    p.WindowClass.lpszClassName = p.WinClassName.c_str();
    RegisterClass(p.WindowClass);
  }
  CreateWindowHandle(p);
  if (!handle_) throw EInvalidOperation(Format("Error creating window for '%s'", Name()));
  UpdateBoundsFromWindow();
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
  creation_control = this;
  HWND h = CreateWindowEx(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                          p.Height, p.WndParent, nullptr, p.WindowClass.hInstance, p.Param);
  creation_control = nullptr;
  if (!h) handle_ = nullptr;
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  const std::vector<TControl*> children = controls_;
  for (TControl* c : children)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  text_ = Text();
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  SetControlStateFlag(csDestroyingHandle, true);
  DestroyWindow(handle_);
  SetControlStateFlag(csDestroyingHandle, false);
  handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (handle_) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  const bool wasFocused = Focused();
  const bool wasShowing = Showing();
  SetControlStateFlag(csRecreating, true);
  DestroyHandle();
  SetControlStateFlag(csRecreating, false);
  if (wasShowing) HandleNeeded();
  if (wasFocused && handle_) ::SetFocus(handle_);
}

void TWinControl::UpdateShowing() {
  if (!handle_) return;
  const bool windowVisible = (GetWindowLongPtr(handle_, GWL_STYLE) & WS_VISIBLE) != 0;
  if (Visible() && !windowVisible)
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  else if (!Visible() && windowVisible)
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* w = dynamic_cast<TWinControl*>(control); w && handle_ && w->Visible()) w->HandleNeeded();
}

void TWinControl::RemoveControl(TControl* control) {
  if (auto* w = dynamic_cast<TWinControl*>(control); w && w->handle_ && !ComponentState().Contains(csDestroying))
    w->DestroyHandle();
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  ::SetFocus(Handle());
}

bool TWinControl::Showing() const { return handle_ && IsWindowVisible(handle_); }

void TWinControl::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  if (!handle_) {
    StoreBounds(left, top, width, height);
    return;
  }
  SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateBoundsFromWindow();
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!handle_) return;
  RECT r;
  if (IsIconic(handle_)) {
    WINDOWPLACEMENT wp;
    GetWindowPlacement(handle_, &wp);
    r = wp.rcNormalPosition;
  } else {
    GetWindowRect(handle_, &r);
    if (HWND parent = GetAncestor(handle_, GA_PARENT)) {
      POINT tl{r.left, r.top};
      ::ScreenToClient(parent, &tl);
      OffsetRect(r, tl.x - r.left, tl.y - r.top);
    }
  }
  StoreBounds(r.left, r.top, RectWidth(r), RectHeight(r));
}

RECT TWinControl::ClientRect() const {
  if (!handle_) return TControl::ClientRect();
  RECT r;
  GetClientRect(handle_, &r);
  return r;
}

POINT TWinControl::ClientOrigin() const {
  if (!handle_) return TControl::ClientOrigin();
  POINT p{0, 0};
  ::ClientToScreen(handle_, &p);
  return p;
}

void TWinControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_NCDESTROY: WMNCDestroy(message); break;
    case WM_SETFOCUS: WMSetFocus(message); break;
    case WM_KILLFOCUS: WMKillFocus(message); break;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(message); break;
    case WM_SETCURSOR: WMSetCursor(message); break;
    case WM_NOTIFY: WMNotify(message); break;
    case WM_COMMAND: WMCommand(message); break;
    case CM_RECREATEWND: CMRecreateWnd(message); break;
    default: TControl::Dispatch(message); break;
  }
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (handle_)
    message.Result = CallWindowProc(def_wnd_proc_, handle_, message.Msg, message.WParam, message.LParam);
  else
    TControl::DefaultHandler(message);
}

void TWinControl::WMNCDestroy(TMessage& message) {
  DefaultHandler(message);
  ControlsByWindow().erase(handle_);
  handle_ = nullptr;
  WindowDestroyed();
}

void TWinControl::WMSetFocus(TMessage& message) {
  DefaultHandler(message);
  if (TCustomForm* form = GetParentForm(this)) form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& message) { DefaultHandler(message); }

void TWinControl::WMWindowPosChanged(TMessage& message) {
  DefaultHandler(message);
  UpdateBoundsFromWindow();
}

void TWinControl::WMSetCursor(TMessage& message) {
  if (Screen && Screen->Cursor() != crDefault) {
    ::SetCursor(Screen->Cursors(Screen->Cursor()));
    message.Result = TRUE;
    return;
  }
  const auto hit = static_cast<short>(LOWORD(static_cast<UINT_PTR>(message.LParam)));
  if (hit == HTCLIENT && reinterpret_cast<HWND>(message.WParam) == handle_ && Cursor() != crDefault) {
    ::SetCursor(CursorOfId(Cursor()));
    message.Result = TRUE;
    return;
  }
  DefaultHandler(message);
}

void TWinControl::WMNotify(TMessage& message) {
  const auto* hdr = reinterpret_cast<const NMHDR*>(message.LParam);
  TWinControl* from = hdr ? FindControl(hdr->hwndFrom) : nullptr;
  if (from && from != this)
    message.Result = from->Perform(CN_NOTIFY, message.WParam, message.LParam);
  else
    DefaultHandler(message);
}

void TWinControl::WMCommand(TMessage& message) {
  TWinControl* from = message.LParam ? FindControl(reinterpret_cast<HWND>(message.LParam)) : nullptr;
  if (from && from != this)
    message.Result = from->Perform(CN_COMMAND, message.WParam, message.LParam);
  else
    DefaultHandler(message);
}

void TWinControl::CMVisibleChanged(TMessage&) {
  if (handle_)
    UpdateShowing();
  else if (Visible() && Parent() && Parent()->HandleAllocated())
    HandleNeeded();
}

void TWinControl::CMEnabledChanged(TMessage&) {
  if (handle_) EnableWindow(handle_, Enabled() ? TRUE : FALSE);
}
