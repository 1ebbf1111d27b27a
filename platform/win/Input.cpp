// platform/win/Input.cpp
#include "platform/win/Input.h"

#include <cstdlib>

#include "platform/win/Hook.h"
#include "platform/win/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystemState.h"

LRESULT RunInputHooks(int type, int code, WPARAM wParam, LPARAM lParam);  // Hook.cpp

namespace {

bool IsMouse(TInputKind k) {
  return k == TInputKind::MouseMove || k == TInputKind::ButtonDown || k == TInputKind::ButtonUp ||
         k == TInputKind::Wheel;
}

UINT ButtonVk(TInputButton b) {
  switch (b) {
    case TInputButton::Left:
      return VK_LBUTTON;
    case TInputButton::Right:
      return VK_RBUTTON;
    default:
      return VK_MBUTTON;
  }
}

// Client message of a button: WM_xBUTTONDOWN, up = +1, double click = +2.
UINT ButtonDownMessage(TInputButton b, bool client) {
  switch (b) {
    case TInputButton::Left:
      return client ? WM_LBUTTONDOWN : WM_NCLBUTTONDOWN;
    case TInputButton::Right:
      return client ? WM_RBUTTONDOWN : WM_NCRBUTTONDOWN;
    default:
      return client ? WM_MBUTTONDOWN : WM_NCMBUTTONDOWN;
  }
}

bool Down(const BYTE* ks, UINT vk) {
  return (ks[vk] & 0x80) != 0;
}

WPARAM MouseKeys(const BYTE* ks) {
  WPARAM f = 0;
  if (Down(ks, VK_LBUTTON)) f |= MK_LBUTTON;
  if (Down(ks, VK_RBUTTON)) f |= MK_RBUTTON;
  if (Down(ks, VK_MBUTTON)) f |= MK_MBUTTON;
  if (Down(ks, VK_SHIFT)) f |= MK_SHIFT;
  if (Down(ks, VK_CONTROL)) f |= MK_CONTROL;
  return f;
}

void PressKey(BYTE* ks, UINT vk) {
  if (!(ks[vk] & 0x80)) ks[vk] ^= 0x01;
  ks[vk] |= 0x80;
}
void ReleaseKey(BYTE* ks, UINT vk) {
  ks[vk] &= static_cast<BYTE>(~0x80);
}

// Searches `siblings` (topmost first) for the deepest window under `pt`.
std::pair<HWND, LRESULT> FindAt(const std::vector<HWND>& siblings, POINT pt) {
  auto& k = Kernel();
  const std::vector<HWND> list = siblings;
  for (HWND h : list) {
    TWindowEntry* w = k.Find(h);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    const POINT o = winkernel::ParentOrigin(*w);
    RECT wr = w->rect;
    OffsetRect(wr, o.x, o.y);
    if (!PtInRect(wr, pt)) continue;
    if (w->style & WS_DISABLED) {
      if (w->IsChild()) continue;
      return {h, HTERROR};
    }
    RECT cr = w->client;
    OffsetRect(cr, o.x, o.y);
    if (PtInRect(cr, pt) && !(w->style & WS_MINIMIZE) && !w->children.empty()) {
      auto inner = FindAt(w->children, pt);
      if (inner.first) return inner;
    }
    const LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, PointToLParam(pt));
    if (hit == HTTRANSPARENT || !k.Find(h)) continue;
    return {h, hit};
  }
  return {nullptr, HTNOWHERE};
}

HWND KeyboardTarget(TWindowSystemState& k, bool* noFocus) {
  *noFocus = false;
  if (k.focus && k.Find(k.focus)) return k.focus;
  *noFocus = true;
  return k.Find(k.active) ? k.active : nullptr;
}

void ActivateWindow(HWND hwnd, WORD how);

// The input event at the front of the queue as a window message. Returns
// false when it has no target; `commit` then still applies to the key state.
struct TConverted {
  MSG msg;
  int hookType = 0;
  WPARAM hookWParam = 0;
  LPARAM hookLParam = 0;
  MOUSEHOOKSTRUCTEX mouse;
  LRESULT hit = HTNOWHERE;
  bool isDoubleClick = false;
};

bool Convert(const TInputEvent& e, TConverted& c) {
  auto& k = Kernel();
  c.msg.time = e.time;
  c.msg.pt = e.pt;
  switch (e.kind) {
    case TInputKind::KeyDown:
    case TInputKind::KeyUp: {
      bool noFocus = false;
      HWND target = KeyboardTarget(k, &noFocus);
      if (!target) return false;
      const bool down = e.kind == TInputKind::KeyDown;
      const bool alt = Down(k.keyState, VK_MENU) || (down && e.vk == VK_MENU);
      const bool ctrl = Down(k.keyState, VK_CONTROL);
      const bool sys = noFocus || (alt && !ctrl) || e.vk == VK_F10;
      LPARAM l = 1;
      if (alt) l |= KF_ALTDOWN_BIT;
      if (!down || Down(k.keyState, e.vk)) l |= KF_REPEAT_BIT;
      if (!down) l |= KF_UP_BIT;
      c.msg.hwnd = target;
      c.msg.message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
      c.msg.wParam = e.vk;
      c.msg.lParam = l;
      c.hookType = WH_KEYBOARD;
      c.hookWParam = e.vk;
      c.hookLParam = l;
      return true;
    }
    case TInputKind::Char: {
      bool noFocus = false;
      HWND target = KeyboardTarget(k, &noFocus);
      if (!target) return false;
      c.msg.hwnd = target;
      c.msg.message = WM_CHAR;
      c.msg.wParam = e.ch;
      c.msg.lParam = 1;
      return true;
    }
    case TInputKind::Wheel: {
      bool noFocus = false;
      HWND target = KeyboardTarget(k, &noFocus);
      if (!target) return false;
      c.msg.hwnd = target;
      c.msg.message = WM_MOUSEWHEEL;
      c.msg.wParam =
          MAKEWPARAM(static_cast<WORD>(MouseKeys(k.keyState)), static_cast<WORD>(e.wheelDelta));
      c.msg.lParam = PointToLParam(e.pt);
      c.hookType = WH_MOUSE;
      c.hookWParam = WM_MOUSEWHEEL;
      c.mouse.mouseData = static_cast<DWORD>(static_cast<WORD>(e.wheelDelta)) << 16;
      c.mouse.pt = e.pt;
      c.mouse.hwnd = target;
      c.mouse.wHitTestCode = HTCLIENT;
      return true;
    }
    case TInputKind::MouseMove:
    case TInputKind::ButtonDown:
    case TInputKind::ButtonUp: {
      HWND target = nullptr;
      LRESULT hit = HTCLIENT;
      if (k.capture && k.Find(k.capture)) {
        target = k.capture;
      } else {
        auto found = FindAt(k.topLevel, e.pt);
        target = found.first;
        hit = found.second;
      }
      if (!target || hit == HTERROR || hit == HTNOWHERE) return false;
      const bool client = hit == HTCLIENT;
      BYTE ks[256];
      std::copy(std::begin(k.keyState), std::end(k.keyState), ks);
      UINT message = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE;
      if (e.kind == TInputKind::ButtonDown) {
        PressKey(ks, ButtonVk(e.button));
        message = ButtonDownMessage(e.button, client);
        const auto& last = k.lastClick;
        TWindowEntry* w = k.Find(target);
        const bool wants = !client || (w->windowClass->style & CS_DBLCLKS);
        if (wants && last.valid && last.message == message && last.hwnd == target &&
            e.time - last.time <= GetDoubleClickTime() &&
            std::abs(e.pt.x - last.pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
            std::abs(e.pt.y - last.pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2) {
          message += 2;
          c.isDoubleClick = true;
        }
      } else if (e.kind == TInputKind::ButtonUp) {
        ReleaseKey(ks, ButtonVk(e.button));
        message = ButtonDownMessage(e.button, client) + 1;
      }
      c.msg.hwnd = target;
      c.msg.message = message;
      if (client) {
        POINT p = e.pt;
        ScreenToClient(target, &p);
        c.msg.wParam = MouseKeys(ks);
        c.msg.lParam = PointToLParam(p);
      } else {
        c.msg.wParam = static_cast<WPARAM>(hit);
        c.msg.lParam = PointToLParam(e.pt);
      }
      c.hit = hit;
      c.hookType = WH_MOUSE;
      c.hookWParam = message;
      c.mouse.pt = e.pt;
      c.mouse.hwnd = target;
      c.mouse.wHitTestCode = static_cast<UINT>(hit);
      return true;
    }
    default:
      return false;
  }
}

// What taking an event from the queue changes besides delivering it.
void CommitState(const TInputEvent& e) {
  auto& k = Kernel();
  switch (e.kind) {
    case TInputKind::KeyDown:
      PressKey(k.keyState, e.vk);
      break;
    case TInputKind::KeyUp:
      ReleaseKey(k.keyState, e.vk);
      break;
    case TInputKind::ButtonDown:
      PressKey(k.keyState, ButtonVk(e.button));
      break;
    case TInputKind::ButtonUp:
      ReleaseKey(k.keyState, ButtonVk(e.button));
      break;
    default:
      break;
  }
}

void SendActivateApp(bool active) {
  auto& k = Kernel();
  k.appActive = active;
  const std::vector<HWND> list = k.topLevel;
  for (HWND h : list)
    if (k.Find(h)) SendMessage(h, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
}

void ActivateWindow(HWND hwnd, WORD how) {
  auto& k = Kernel();
  if (hwnd) {
    TWindowEntry* w = k.Find(hwnd);
    if (!w || w->IsUtility()) return;
    hwnd = GetAncestor(hwnd, GA_ROOT);
    if (!k.Find(hwnd) || (k.Get(hwnd).style & WS_DISABLED)) return;
  }
  const HWND old = k.active;
  if (old == hwnd) return;
  k.active = hwnd;
  if (k.Find(old)) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    if (k.Find(old))
      SendMessage(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0),
                  reinterpret_cast<LPARAM>(hwnd));
  }
  if (k.active != hwnd) return;  // a handler activated another window meanwhile
  if (hwnd && !k.appActive) SendActivateApp(true);
  if (!hwnd) {
    if (k.focus) SetFocus(nullptr);
    if (k.appActive) SendActivateApp(false);
    return;
  }
  if (!k.Find(hwnd)) return;
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!k.Find(hwnd)) return;
  SendMessage(hwnd, WM_NCACTIVATE, TRUE, 0);
  if (k.Find(hwnd))
    SendMessage(hwnd, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(hwnd) ? 1 : 0),
                reinterpret_cast<LPARAM>(old));
}

}  // namespace

bool winkernel::TakeInputMessage(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  auto& k = Kernel();
  for (;;) {
    TInputEvent e;
    {
      std::lock_guard lock(k.inputMutex);
      if (k.input.empty()) return false;
      e = k.input.front();
    }
    auto pop = [&] {
      std::lock_guard lock(k.inputMutex);
      k.input.pop_front();
    };
    if (e.kind == TInputKind::AppActivate || e.kind == TInputKind::AppDeactivate) {
      if (!remove) return false;
      pop();
      if (e.kind == TInputKind::AppDeactivate) {
        // Another program takes the user: whoever holds the mouse loses it,
        // told first so that a drag can end cleanly.
        if (const HWND held = k.capture) {
          SendMessage(held, WM_CANCELMODE, 0, 0);
          if (k.capture == held) ReleaseCapture();
        }
        if (k.sizeMove) winkernel::EndSizeMove(false);
        if (k.openMenu) EndMenu();
        if (k.active) ActivateWindow(nullptr, WA_INACTIVE);
      } else if (!k.active) {
        for (HWND h : k.topLevel) {
          TWindowEntry* w = k.Find(h);
          if (w && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED)) {
            ActivateWindow(h, WA_ACTIVE);
            break;
          }
        }
      }
      continue;
    }
    if (k.sizeMove || k.openMenu) {
      // A frame drag or an open menu takes input first, as their own loops would.
      if (!remove) return false;
      const bool taken = k.sizeMove ? winkernel::SizeMoveInput(e) : winkernel::MenuInput(e);
      if (taken) {
        // Still a key or button the user pressed or let go: a key released
        // while the loop ran (the Return that opened a menu, the keys that
        // chose in it) would otherwise stay down for good.
        pop();
        CommitState(e);
        continue;
      }
    }
    TConverted c;
    if (!Convert(e, c)) {
      pop();
      CommitState(e);
      continue;
    }
    const bool mouse = IsMouse(e.kind);
    if (mouse && e.kind != TInputKind::Wheel && remove && !k.capture) {
      SendMessage(c.msg.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(c.msg.hwnd),
                  MAKELPARAM(static_cast<int>(c.hit), static_cast<int>(c.msg.message)));
      if (!k.Find(c.msg.hwnd)) {
        pop();
        CommitState(e);
        continue;
      }
    }
    const bool inRange = (min == 0 && max == 0) || (c.msg.message >= min && c.msg.message <= max);
    if ((filter && c.msg.hwnd != filter) || !inRange) return false;
    if (c.hookType) {
      const LPARAM hookL =
          c.hookType == WH_MOUSE ? reinterpret_cast<LPARAM>(&c.mouse) : c.hookLParam;
      if (RunInputHooks(c.hookType, remove ? HC_ACTION : HC_NOREMOVE, c.hookWParam, hookL)) {
        pop();
        CommitState(e);
        continue;
      }
    }
    if (!remove) {
      *msg = c.msg;
      return true;
    }
    pop();
    CommitState(e);
    if (e.kind == TInputKind::ButtonDown) {
      const HWND root = GetAncestor(c.msg.hwnd, GA_ROOT);
      TWindowEntry* rw = k.Find(root);
      if (rw && !rw->IsUtility() && root != k.active && !k.capture) {
        const LRESULT r =
            SendMessage(c.msg.hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root),
                        MAKELPARAM(static_cast<int>(c.hit), static_cast<int>(c.msg.message)));
        if (r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT) ActivateWindow(root, WA_CLICKACTIVE);
        if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) {
          k.lastClick.valid = false;  // a press the window never saw starts no double click
          continue;
        }
      }
      if (!k.Find(c.msg.hwnd)) continue;
      if (c.isDoubleClick)
        k.lastClick.valid = false;
      else
        k.lastClick = {true, c.msg.message, c.msg.hwnd, e.pt, e.time};
    }
    *msg = c.msg;
    return true;
  }
}

void winkernel::ForgetInputState(HWND hwnd) {
  auto& k = Kernel();
  if (k.focus == hwnd) k.focus = nullptr;
  if (k.capture == hwnd) k.capture = nullptr;
  if (k.active == hwnd) k.active = nullptr;
  if (k.lastClick.hwnd == hwnd) k.lastClick.valid = false;
  if (k.captionPress.hwnd == hwnd) k.captionPress = TCaptionButtonPress{};
  if (k.sizeMove && k.sizeMove->hwnd == hwnd) k.sizeMove.reset();
}

void PostInputEvent(TInputEvent event) {
  TWindowSystem* ws = TWindowSystem::Current();
  if (!ws) return;
  auto& k = ws->State();
  event.time = ws->Events().Now();
  {
    std::lock_guard lock(k.inputMutex);
    if (IsMouse(event.kind)) k.cursorPos = event.pt;
    k.input.push_back(event);
  }
  ws->Events().Wake();
}

namespace {
TInputEvent Event(TInputKind kind) {
  TInputEvent e;
  e.kind = kind;
  return e;
}
}  // namespace

void InjectKeyDown(UINT vk) {
  TInputEvent e = Event(TInputKind::KeyDown);
  e.vk = vk;
  PostInputEvent(e);
}
void InjectKeyUp(UINT vk) {
  TInputEvent e = Event(TInputKind::KeyUp);
  e.vk = vk;
  PostInputEvent(e);
}
void InjectKey(UINT vk) {
  InjectKeyDown(vk);
  InjectKeyUp(vk);
}
void InjectChar(char32_t ch) {
  TInputEvent e = Event(TInputKind::Char);
  e.ch = ch;
  PostInputEvent(e);
}
void InjectMouseMove(POINT pt) {
  TInputEvent e = Event(TInputKind::MouseMove);
  e.pt = pt;
  PostInputEvent(e);
}
void InjectButtonDown(TInputButton button, POINT pt) {
  TInputEvent e = Event(TInputKind::ButtonDown);
  e.pt = pt;
  e.button = button;
  PostInputEvent(e);
}
void InjectButtonUp(TInputButton button, POINT pt) {
  TInputEvent e = Event(TInputKind::ButtonUp);
  e.pt = pt;
  e.button = button;
  PostInputEvent(e);
}
void InjectClick(TInputButton button, POINT pt) {
  InjectMouseMove(pt);
  InjectButtonDown(button, pt);
  InjectButtonUp(button, pt);
}
void InjectWheel(int delta, POINT pt) {
  TInputEvent e = Event(TInputKind::Wheel);
  e.pt = pt;
  e.wheelDelta = delta;
  PostInputEvent(e);
}

void InjectAppActivation(bool active) {
  PostInputEvent(Event(active ? TInputKind::AppActivate : TInputKind::AppDeactivate));
}

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  const BYTE s = Kernel().keyState[vk];
  SHORT r = 0;
  if (s & 0x80) r = static_cast<SHORT>(0xFF80);
  if (s & 0x01) r = static_cast<SHORT>(r | 1);
  return r;
}

BOOL GetCursorPos(POINT* pt) {
  if (!pt) return FALSE;
  auto& k = Kernel();
  std::lock_guard lock(k.inputMutex);
  *pt = k.cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  InjectMouseMove(POINT{x, y});
  return TRUE;
}

HWND WindowFromPoint(POINT pt) {
  auto found = FindAt(Kernel().topLevel, pt);
  return found.second == HTERROR ? nullptr : found.first;
}

HWND SetCapture(HWND hwnd) {
  auto& k = Kernel();
  if (hwnd && !k.Find(hwnd)) return nullptr;
  const HWND old = k.capture;
  if (old == hwnd) return old;
  k.capture = hwnd;
  if (old && k.Find(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  auto& k = Kernel();
  const HWND old = k.capture;
  if (!old) return TRUE;
  k.capture = nullptr;
  if (k.Find(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  return Kernel().capture;
}

HWND SetFocus(HWND hwnd) {
  auto& k = Kernel();
  const HWND old = k.focus;
  if (hwnd) {
    TWindowEntry* w = k.Find(hwnd);
    if (!w || w->IsUtility()) return nullptr;
    const HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root != k.active) {
      ActivateWindow(root, WA_ACTIVE);
      if (!k.Find(hwnd) || k.active != root) return old;
    }
  }
  const HWND prev = k.focus;
  if (prev == hwnd) return old;
  k.focus = hwnd;
  if (prev && k.Find(prev)) SendMessage(prev, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd && k.focus == hwnd && k.Find(hwnd))
    SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(prev), 0);
  return old;
}

HWND GetFocus() {
  return Kernel().focus;
}

HWND SetActiveWindow(HWND hwnd) {
  auto& k = Kernel();
  const HWND old = k.active;
  ActivateWindow(hwnd, WA_ACTIVE);
  return old;
}

HWND GetActiveWindow() {
  return Kernel().active;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  ActivateWindow(hwnd, WA_ACTIVE);
  return TRUE;
}

HWND GetForegroundWindow() {
  auto& k = Kernel();
  return k.appActive ? k.active : nullptr;
}
