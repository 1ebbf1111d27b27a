// platform/controls/WinControl.cpp
#include "platform/controls/WinControl.h"

#include <algorithm>
#include <unordered_map>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/Cursor.h"
#include "platform/win/Edit.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
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
  object_instance_ = MakeWndProc(&TWinControl::ObjectWndProc, this);
}

LRESULT TWinControl::ObjectWndProc(void* control, HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  static_cast<TWinControl*>(control)->MainWndProc(m);
  return m.Result;
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
    throw EInvalidOperation(
        Format("Window class '%s' is not registered", String(controlClassName)));
  const UINT keep = params.WindowClass.style & (CS_VREDRAW | CS_HREDRAW);
  params.WindowClass = wc;
  params.WindowClass.style = (wc.style & ~(CS_VREDRAW | CS_HREDRAW)) | keep;
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  SetControlStateFlag(csCreating, true);
  {
    TScopeExit created([&] { SetControlStateFlag(csCreating, false); });
    CreateWnd();
  }
  // The children were aligned in a client area that assumed no frame; the
  // window now has its real one (a form's border and caption take room).
  if (!controls_.empty()) Realign();
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
  HWND h =
      CreateWindowEx(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y,
                     p.Width, p.Height, p.WndParent, nullptr, p.WindowClass.hInstance, p.Param);
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
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  else if (!Visible() && windowVisible)
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  control->Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(control); w && handle_ && w->Visible())
    w->HandleNeeded();
}

void TWinControl::RemoveControl(TControl* control) {
  if (auto* w = dynamic_cast<TWinControl*>(control);
      w && w->handle_ && !ComponentState().Contains(csDestroying))
    w->DestroyHandle();
  control->Invalidate();
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
  if (control->Align() != alNone && !ComponentState().Contains(csDestroying))
    AlignControls(nullptr);
}

void TWinControl::ChangeZOrder(TControl* control, bool toFront) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  if (toFront)
    controls_.push_back(control);
  else
    controls_.insert(controls_.begin(), control);
  if (auto* w = dynamic_cast<TWinControl*>(control); w && w->handle_)
    SetWindowPos(w->handle_, toFront ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  control->Invalidate();
  if (control->Align() != alNone) AlignControls(control);
}

TControl* TWinControl::ControlAtPos(POINT pos, bool allowDisabled, bool allowWinControls) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!allowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (!c->Visible() || (!c->Enabled() && !allowDisabled)) continue;
    if (PtInRect(c->BoundsRect(), pos)) return c;
  }
  return nullptr;
}

// --- Alignment ---------------------------------------------------------------

void TWinControl::DisableAlign() {
  ++align_level_;
}

void TWinControl::EnableAlign() {
  if (align_level_ == 0) return;
  if (--align_level_ == 0 && ControlState().Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() {
  AlignControls(nullptr);
}

void TWinControl::AdjustClientRect(RECT&) {}

namespace {
// Whether c1 goes before c2 among the controls of one alignment.
bool AlignsBefore(const TControl* c1, const TControl* c2, TAlign align) {
  switch (align) {
    case alTop:
      return c1->Top() < c2->Top();
    case alBottom:
      return c1->Top() + c1->Height() > c2->Top() + c2->Height();
    case alLeft:
      return c1->Left() < c2->Left();
    case alRight:
      return c1->Left() + c1->Width() > c2->Left() + c2->Width();
    default:
      return false;
  }
}
}  // namespace

void TWinControl::DoAlign(TControl* control, TAlign align, RECT& r) {
  std::vector<TControl*> list;
  if (control && control->Parent() == this && control->Align() == align && control->Visible())
    list.push_back(control);
  for (TControl* c : controls_) {
    if (c == control || c->Align() != align || !c->Visible()) continue;
    auto at = list.begin();
    while (at != list.end() && !AlignsBefore(c, *at, align)) ++at;
    list.insert(at, c);
  }
  for (TControl* c : list) {
    const LONG w = std::max<LONG>(RectWidth(r), 0), h = std::max<LONG>(RectHeight(r), 0);
    switch (align) {
      case alTop:
        c->SetBounds(r.left, r.top, w, c->Height());
        r.top += c->Height();
        break;
      case alBottom:
        c->SetBounds(r.left, r.bottom - c->Height(), w, c->Height());
        r.bottom -= c->Height();
        break;
      case alLeft:
        c->SetBounds(r.left, r.top, c->Width(), h);
        r.left += c->Width();
        break;
      case alRight:
        c->SetBounds(r.right - c->Width(), r.top, c->Width(), h);
        r.right -= c->Width();
        break;
      case alClient:
        c->SetBounds(r.left, r.top, w, h);
        break;
      default:
        break;
    }
  }
}

void TWinControl::AlignControls(TControl* control) {
  if (align_level_ > 0) {
    SetControlStateFlag(csAlignmentNeeded, true);
    return;
  }
  ++align_level_;
  {
    TScopeExit aligned([&] { --align_level_; });
    RECT r = ClientRect();
    AdjustClientRect(r);
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) DoAlign(control, a, r);
    const RECT client = ClientRect();
    const std::vector<TControl*> children = controls_;
    for (TControl* c : children) c->AnchorToParent(RectWidth(client), RectHeight(client));
  }
  SetControlStateFlag(csAlignmentNeeded, false);
}

// --- Inherited looks -----------------------------------------------------------

void TWinControl::Broadcast(TMessage& message) {
  const std::vector<TControl*> children = controls_;
  for (TControl* c : children) {
    c->WindowProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::ParentChanged() {
  TControl::ParentChanged();
}

void TWinControl::CMFontChanged(TMessage& message) {
  TControl::CMFontChanged(message);
  TMessage m{CM_PARENTFONTCHANGED, 0, 0, 0};
  Broadcast(m);
}

void TWinControl::CMColorChanged(TMessage& message) {
  TControl::CMColorChanged(message);
  TMessage m{CM_PARENTCOLORCHANGED, 0, 0, 0};
  Broadcast(m);
}

void TWinControl::CMShowHintChanged(TMessage&) {
  TMessage m{CM_PARENTSHOWHINTCHANGED, 0, 0, 0};
  Broadcast(m);
}

void TWinControl::CMCtl3DChanged(TMessage& message) {
  TControl::CMCtl3DChanged(message);
  TMessage m{CM_PARENTCTL3DCHANGED, 0, 0, 0};
  Broadcast(m);
}

// --- Mouse and keys --------------------------------------------------------------

bool TWinControl::IsControlMouseMsg(TMessage& message) {
  TControl* target = nullptr;
  TControl* captured = GetCaptureControl();
  if (captured && captured != this) {
    if (captured->Parent() != this) return false;
    target = captured;
  } else if (!captured) {
    target = ControlAtPos(PointFromLParam(message.LParam), false);
  }
  if (!target || dynamic_cast<TWinControl*>(target)) return false;
  const POINT p = PointFromLParam(message.LParam);
  message.Result = target->Perform(message.Msg, message.WParam,
                                   MAKELPARAM(p.x - target->Left(), p.y - target->Top()));
  return true;
}

void TWinControl::WndProc(TMessage& message) {
  if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST && message.Msg != WM_MOUSEWHEEL &&
      IsControlMouseMsg(message))
    return;
  TControl::WndProc(message);
}

void TWinControl::KeyDown(Word& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(Word& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::DoKeyDown(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyDown(m))
    return true;
  if (ControlStyle().Contains(csNoStdEvents)) return false;
  Word key = static_cast<Word>(m.WParam);
  KeyDown(key, KeyDataToShiftState(m.LParam));
  m.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyUp(m))
    return true;
  if (ControlStyle().Contains(csNoStdEvents)) return false;
  Word key = static_cast<Word>(m.WParam);
  KeyUp(key, KeyDataToShiftState(m.LParam));
  m.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyPress(m))
    return true;
  if (ControlStyle().Contains(csNoStdEvents) || m.WParam > 0xFF) return false;
  char key = static_cast<char>(m.WParam);
  KeyPress(key);
  m.WParam = static_cast<unsigned char>(key);
  return key == 0;
}

void TWinControl::WMKeyDown(TMessage& message) {
  if (DoKeyDown(message) || DoDialogKey(message)) return;
  DefaultHandler(message);
}

// Enter and Escape that the focused window does not want itself belong to
// the form: its default or cancel button takes them. Ctrl+Tab goes to the
// page control around the focus.
bool TWinControl::DoDialogKey(TMessage& message) {
  const bool ctrlTab = message.WParam == VK_TAB && GetKeyState(VK_CONTROL) < 0;
  if (message.Msg != WM_KEYDOWN ||
      (message.WParam != VK_RETURN && message.WParam != VK_ESCAPE && !ctrlTab))
    return false;
  if (HandleAllocated() &&
      (SendMessage(WindowHandle(), WM_GETDLGCODE, message.WParam, 0) & DLGC_WANTALLKEYS))
    return false;
  TCustomForm* form = GetParentForm(this);
  return form && form->Perform(CM_DIALOGKEY, message.WParam, message.LParam) != 0;
}

void TWinControl::WMKeyUp(TMessage& message) {
  if (!DoKeyUp(message)) DefaultHandler(message);
}

void TWinControl::WMChar(TMessage& message) {
  if (!DoKeyPress(message)) DefaultHandler(message);
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() const {
  return handle_ && GetFocus() == handle_;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  ::SetFocus(Handle());
}

bool TWinControl::Showing() const {
  return handle_ && IsWindowVisible(handle_);
}

void TWinControl::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  if (!handle_) {
    TControl::SetBounds(left, top, width, height);
    return;
  }
  Constraints()->Apply(width, height);
  SetWindowPos(handle_, nullptr, left, top, std::max(width, 0), std::max(height, 0),
               SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateBoundsFromWindow();
}

void TWinControl::BoundsChanged(bool sizeChanged) {
  if (sizeChanged) Realign();
  TControl::BoundsChanged(sizeChanged);
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
  if (r.left == Left() && r.top == Top() && RectWidth(r) == Width() && RectHeight(r) == Height())
    return;
  const bool sizeChanged = RectWidth(r) != Width() || RectHeight(r) != Height();
  StoreBounds(r.left, r.top, RectWidth(r), RectHeight(r));
  BoundsChanged(sizeChanged);
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
    case WM_NCDESTROY:
      WMNCDestroy(message);
      break;
    case WM_SETFOCUS:
      WMSetFocus(message);
      break;
    case WM_KILLFOCUS:
      WMKillFocus(message);
      break;
    case WM_WINDOWPOSCHANGED:
      WMWindowPosChanged(message);
      break;
    case WM_SETCURSOR:
      WMSetCursor(message);
      break;
    case WM_NOTIFY:
      WMNotify(message);
      break;
    case WM_COMMAND:
      WMCommand(message);
      break;
    case CM_RECREATEWND:
      CMRecreateWnd(message);
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      WMKeyDown(message);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      WMKeyUp(message);
      break;
    case WM_CHAR:
      WMChar(message);
      break;
    case CM_SHOWHINTCHANGED:
      CMShowHintChanged(message);
      break;
    case CM_DIALOGKEY:
      // Asks every control down the tree until one takes the key.
      Broadcast(message);
      break;
    case WM_PAINT:
      WMPaint(message);
      break;
    case WM_ERASEBKGND:
      WMEraseBkgnd(message);
      break;
    default:
      TControl::Dispatch(message);
      break;
  }
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (handle_)
    message.Result =
        CallWindowProc(def_wnd_proc_, handle_, message.Msg, message.WParam, message.LParam);
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
  if (OnEnter) OnEnter(this);
}

void TWinControl::WMKillFocus(TMessage& message) {
  DefaultHandler(message);
  if (OnExit) OnExit(this);
}

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
  if (hit == HTCLIENT && reinterpret_cast<HWND>(message.WParam) == handle_ &&
      Cursor() != crDefault) {
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
  TWinControl* from =
      message.LParam ? FindControl(reinterpret_cast<HWND>(message.LParam)) : nullptr;
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

// --- Painting --------------------------------------------------------------------

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, ControlStyle().Contains(csOpaque) ? FALSE : TRUE);
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::WMPaint(TMessage& message) {
  HDC given = reinterpret_cast<HDC>(message.WParam);
  if (given) {
    PaintWindow(given);
    PaintControls(given, nullptr);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle_, &ps);
  TScopeExit end_paint([&] { EndPaint(handle_, &ps); });
  PaintWindow(dc);
  PaintControls(dc, nullptr);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto it = controls_.begin();
  if (first) it = std::find(controls_.begin(), controls_.end(), first);
  const std::vector<TControl*> list(it, controls_.end());
  for (TControl* c : list) {
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    const RECT b = c->BoundsRect();
    if (!RectVisible(dc, &b)) continue;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, b.left, b.top, b.right, b.bottom);
    OffsetViewportOrgEx(dc, b.left, b.top, nullptr);
    TScopeExit restore([dc, saved] { RestoreDC(dc, saved); });
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

void TWinControl::WMEraseBkgnd(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  if (!dc || !handle_) return;
  RECT r;
  GetClientRect(handle_, &r);
  HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
  ::FillRect(dc, &r, brush);
  DeleteObject(brush);
  message.Result = 1;
}
