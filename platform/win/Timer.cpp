// platform/win/Timer.cpp
#include "platform/win/Timer.h"

#include <algorithm>

#include "platform/win/Input.h"
#include "platform/win/WindowSystemState.h"

namespace {

DWORD Now() {
  return Kernel().owner->Events().Now();
}

// Signed distance on the wrapping millisecond clock.
std::int32_t Until(DWORD due, DWORD now) {
  return static_cast<std::int32_t>(due - now);
}

bool OwnedHere(TWindowSystemState& k, HWND hwnd) {
  TWindowEntry* w = k.Find(hwnd);
  return w && w->thread == std::this_thread::get_id();
}

}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT interval) {
  auto& k = Kernel();
  if (!OwnedHere(k, hwnd)) return 0;
  interval = std::max<UINT>(interval, 10);
  const DWORD due = Now() + interval;
  for (TTimerEntry& t : k.timers)
    if (t.hwnd == hwnd && t.id == id) {
      t.interval = interval;
      t.due = due;
      return id;
    }
  k.timers.push_back(TTimerEntry{hwnd, id, interval, due, k.nextTimerOrder++});
  return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& k = Kernel();
  auto it = std::find_if(k.timers.begin(), k.timers.end(),
                         [&](const TTimerEntry& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == k.timers.end()) return FALSE;
  k.timers.erase(it);
  return TRUE;
}

DWORD GetTickCount() {
  return Now();
}

void winkernel::KillTimersOf(HWND hwnd) {
  auto& k = Kernel();
  std::erase_if(k.timers, [&](const TTimerEntry& t) { return t.hwnd == hwnd; });
}

bool winkernel::TakeTimerMessage(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  auto& k = Kernel();
  if (!((min == 0 && max == 0) || (WM_TIMER >= min && WM_TIMER <= max))) return false;
  const DWORD now = Now();
  TTimerEntry* best = nullptr;
  for (TTimerEntry& t : k.timers) {
    if (filter && t.hwnd != filter) continue;
    if (Until(t.due, now) > 0 || !OwnedHere(k, t.hwnd)) continue;
    if (!best || Until(t.due, best->due) < 0 || (t.due == best->due && t.order < best->order))
      best = &t;
  }
  if (!best) return false;
  POINT pt;
  GetCursorPos(&pt);
  *msg = MSG{best->hwnd, WM_TIMER, best->id, 0, now, pt};
  // However late the message is taken, the timer owes only this one.
  if (remove) best->due = now + best->interval;
  return true;
}

DWORD winkernel::TimeToNextTimer() {
  auto& k = Kernel();
  const DWORD now = Now();
  DWORD wait = INFINITE;
  for (const TTimerEntry& t : k.timers) {
    if (!OwnedHere(k, t.hwnd)) continue;
    const std::int32_t d = Until(t.due, now);
    wait = std::min<DWORD>(wait, d <= 0 ? 0 : static_cast<DWORD>(d));
  }
  return wait;
}
