// platform/win/Hook.cpp
#include "platform/win/Hook.h"

#include <algorithm>
#include <atomic>

#include "platform/win/WindowSystemState.h"

namespace {

// Calls the first live hook of `type` for this thread at or after `from`.
LRESULT CallFrom(std::size_t from, int type, int code, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  const auto self = std::this_thread::get_id();
  // The list may change while hooks run; walk a copy, skipping removed ones.
  const std::vector<std::shared_ptr<THookEntry>> hooks = k.hooks;
  for (std::size_t i = from; i < hooks.size(); ++i) {
    const auto& h = hooks[i];
    if (h->type != type || h->thread != self || h->removed) continue;
    HOOKPROC proc = h->proc;
    return proc(code, wParam, lParam);
  }
  return 0;
}

}  // namespace

// The entry used by the input queue when it takes a key or mouse message.
// Hooks removed while the chain runs stay listed (marked) until it ends, so
// that a hook that removes itself can still pass the message on.
LRESULT RunInputHooks(int type, int code, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  struct Depth {
    TWindowSystemState& k;
    explicit Depth(TWindowSystemState& s) : k(s) { ++k.hookDepth; }
    ~Depth() {
      if (--k.hookDepth == 0) std::erase_if(k.hooks, [](const auto& h) { return h->removed; });
    }
  } depth(k);
  return CallFrom(0, type, code, wParam, lParam);
}

HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if ((idHook != WH_KEYBOARD && idHook != WH_MOUSE) || !proc || threadId != GetCurrentThreadId())
    return nullptr;
  auto& k = Kernel();
  auto h = std::make_shared<THookEntry>();
  h->handle = reinterpret_cast<HHOOK>(k.nextHook++);
  h->type = idHook;
  h->proc = std::move(proc);
  h->thread = std::this_thread::get_id();
  k.hooks.insert(k.hooks.begin(), h);
  return h->handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto& k = Kernel();
  auto it = std::find_if(k.hooks.begin(), k.hooks.end(),
                         [&](const auto& h) { return h->handle == hook; });
  if (it == k.hooks.end()) return FALSE;
  if ((*it)->removed) return FALSE;
  (*it)->removed = true;
  if (k.hookDepth == 0) k.hooks.erase(it);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  auto it = std::find_if(k.hooks.begin(), k.hooks.end(),
                         [&](const auto& h) { return h->handle == hook; });
  if (it == k.hooks.end()) return 0;
  const int type = (*it)->type;
  return CallFrom(static_cast<std::size_t>(it - k.hooks.begin()) + 1, type, code, wParam, lParam);
}

DWORD GetCurrentThreadId() {
  static std::atomic<DWORD> next{1};
  thread_local const DWORD id = next++;
  return id;
}
