// platform/win/Message.cpp
#include "platform/win/Message.h"

#include "platform/rtl/Exceptions.h"
#include "platform/win/Input.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystemState.h"

namespace {

bool InRange(UINT message, UINT min, UINT max) {
  return (min == 0 && max == 0) || (message >= min && message <= max);
}

bool Matches(const MSG& m, HWND filter, UINT min, UINT max) {
  if (filter == reinterpret_cast<HWND>(-1)) {
    if (m.hwnd) return false;
  } else if (filter && m.hwnd != filter) {
    return false;
  }
  return InRange(m.message, min, max);
}

POINT CursorNow(TWindowSystemState& k) {
  std::lock_guard lock(k.inputMutex);
  return k.cursorPos;
}

// The character a key types on a US keyboard, 0 for none.
char32_t CharOfKey(UINT vk, bool shift, bool ctrl, bool caps) {
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return vk - 'A' + 1;
    return (shift != caps) ? vk : vk - 'A' + 'a';
  }
  if (ctrl) return vk == VK_OEM_4 ? 0x1B : 0;
  if (vk >= '0' && vk <= '9') return shift ? U")!@#$%^&*("[vk - '0'] : vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + (vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_BACK:
      return 0x08;
    case VK_TAB:
      return '\t';
    case VK_ESCAPE:
      return 0x1B;
    case VK_MULTIPLY:
      return '*';
    case VK_ADD:
      return '+';
    case VK_SUBTRACT:
      return '-';
    case VK_DECIMAL:
      return '.';
    case VK_DIVIDE:
      return '/';
    case VK_OEM_1:
      return shift ? ':' : ';';
    case VK_OEM_PLUS:
      return shift ? '+' : '=';
    case VK_OEM_COMMA:
      return shift ? '<' : ',';
    case VK_OEM_MINUS:
      return shift ? '_' : '-';
    case VK_OEM_PERIOD:
      return shift ? '>' : '.';
    case VK_OEM_2:
      return shift ? '?' : '/';
    case VK_OEM_3:
      return shift ? '~' : '`';
    case VK_OEM_4:
      return shift ? '{' : '[';
    case VK_OEM_5:
      return shift ? '|' : '\\';
    case VK_OEM_6:
      return shift ? '}' : ']';
    case VK_OEM_7:
      return shift ? '"' : '\'';
    default:
      return 0;
  }
}

bool QueueHasWork(TWindowSystemState& k) {
  TThreadQueue& q = k.QueueOf(std::this_thread::get_id());
  {
    std::lock_guard lock(q.mutex);
    if (!q.posted.empty() || q.quit) return true;
  }
  if (std::this_thread::get_id() == k.guiThread) {
    std::lock_guard lock(k.inputMutex);
    if (!k.input.empty()) return true;
  }
  MSG paint;
  if (winkernel::TakePaintMessage(&paint, nullptr, 0, 0)) return true;
  return winkernel::TimeToNextTimer() == 0;
}

}  // namespace

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return 0;
  if (w->thread != std::this_thread::get_id())
    throw EInvalidOperation("A window's messages are sent on the thread that made it");
  return CallWindowProc(w->proc, hwnd, msg, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowSystem* ws = TWindowSystem::Current();
  if (!ws) return FALSE;
  auto& k = ws->State();
  std::thread::id owner;
  {
    std::lock_guard lock(k.tableMutex);
    auto it = k.windows.find(hwnd);
    if (it == k.windows.end()) return FALSE;
    owner = it->second->thread;
  }
  MSG m{hwnd, msg, wParam, lParam, ws->Events().Now(), CursorNow(k)};
  TThreadQueue& q = k.QueueOf(owner);
  {
    std::lock_guard lock(q.mutex);
    q.posted.push_back(m);
  }
  ws->Events().Wake();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto& k = Kernel();
  TThreadQueue& q = k.QueueOf(std::this_thread::get_id());
  {
    std::lock_guard lock(q.mutex);
    q.quit = true;
    q.quitCode = exitCode;
  }
  k.owner->Events().Wake();
}

BOOL PeekMessage(MSG* msg, HWND filter, UINT min, UINT max, UINT removeFlags) {
  auto& k = Kernel();
  const bool remove = (removeFlags & PM_REMOVE) != 0;
  TThreadQueue& q = k.QueueOf(std::this_thread::get_id());
  auto takePosted = [&] {
    std::lock_guard lock(q.mutex);
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
      if (!Matches(*it, filter, min, max)) continue;
      *msg = *it;
      if (remove) q.posted.erase(it);
      return true;
    }
    return false;
  };
  if (takePosted()) return TRUE;
  if (std::this_thread::get_id() == k.guiThread &&
      winkernel::TakeInputMessage(msg, filter, min, max, remove))
    return TRUE;
  // Input that a menu or drag took may have posted messages meanwhile (a
  // menu's command): they are due now, not after the next input.
  if (takePosted()) return TRUE;
  {
    std::lock_guard lock(q.mutex);
    if (q.quit && (filter == nullptr || filter == reinterpret_cast<HWND>(-1)) &&
        InRange(WM_QUIT, min, max)) {
      *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, k.owner->Events().Now(),
                 POINT{}};
      if (remove) q.quit = false;
      return TRUE;
    }
  }
  if (std::this_thread::get_id() == k.guiThread &&
      winkernel::TakePaintMessage(msg, filter, min, max))
    return TRUE;
  return winkernel::TakeTimerMessage(msg, filter, min, max, remove) ? TRUE : FALSE;
}

BOOL GetMessage(MSG* msg, HWND filter, UINT min, UINT max) {
  auto& k = Kernel();
  for (;;) {
    if (PeekMessage(msg, filter, min, max, PM_REMOVE)) return msg->message != WM_QUIT;
    if (!k.owner->Events().Wait(winkernel::TimeToNextTimer())) {
      *msg = MSG{};
      return FALSE;
    }
  }
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  auto& k = Kernel();
  TWindowEntry* w = k.Find(msg->hwnd);
  if (!w || w->thread != std::this_thread::get_id()) return 0;
  return CallWindowProc(w->proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  const char32_t ch = CharOfKey(static_cast<UINT>(msg->wParam), shift, ctrl, caps);
  if (!ch) return FALSE;
  return PostMessage(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, ch,
                     msg->lParam);
}

BOOL WaitMessage() {
  auto& k = Kernel();
  if (QueueHasWork(k)) return TRUE;
  return k.owner->Events().Wait(winkernel::TimeToNextTimer()) ? TRUE : FALSE;
}
