// platform/win/Hook.h
//
// Thread-local keyboard and mouse hooks. A hook procedure sees each key or
// mouse message when GetMessage or PeekMessage takes it from the queue, with
// HC_ACTION when the message is being removed and HC_NOREMOVE when it is only
// peeked at. Hooks run from the last installed to the first: each one calls
// CallNextHookEx to pass the message on; a hook that answers non-zero
// swallows the message (the window never gets it).
//
//   WH_KEYBOARD: wParam the virtual key, lParam the keystroke bits of the key
//     message (bit 30 set when the key was already down, bit 31 on release).
//   WH_MOUSE: wParam the mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN,
//     WM_NCLBUTTONDOWN, WM_MOUSEWHEEL, ...), lParam a MOUSEHOOKSTRUCTEX*
//     (screen point, target window, hit-test code, wheel delta).
//
// A hook removed while the chain runs is skipped from then on.
#pragma once

#include <functional>

#include "platform/win/WinTypes.h"

constexpr int WH_KEYBOARD = 2;
constexpr int WH_MOUSE = 7;
constexpr int HC_ACTION = 0;
constexpr int HC_NOREMOVE = 3;

using HOOKPROC = std::function<LRESULT(int code, WPARAM wParam, LPARAM lParam)>;

// Installs a hook for the thread `threadId` (GetCurrentThreadId(); hooks of
// other threads or of the whole system are not offered). nullptr on failure.
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
// Passes the message to the hooks after `hook`; 0 when none is left.
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

// A small number naming the calling thread, stable for its life.
DWORD GetCurrentThreadId();
