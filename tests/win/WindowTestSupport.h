// tests/win/WindowTestSupport.h
//
// A fresh window system per test on the hand-driven clock, and a window
// class whose procedure records every message it gets and lets a test answer
// some of them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/win/Cursor.h"
#include "platform/win/Hook.h"
#include "platform/win/Input.h"
#include "platform/win/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Timer.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinNotify.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystem.h"

struct TLoggedMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  // A WM_NOTIFY's code, read while it is handled: its NMHDR lives only then.
  UINT notifyCode = 0;
};

class WindowTest : public ::testing::Test {
 protected:
  // Answers a message instead of the default handling when it returns a value.
  using THandler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

  WindowTest() {
    WNDCLASS wc;
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = "Recorder";
    wc.hInstance = HInstance();
    wc.lpfnWndProc =
        MakeWndProc([this](HWND h, UINT m, WPARAM w, LPARAM l) { return Record(h, m, w, l); });
    RegisterClass(wc);
    wc.style = 0;
    wc.lpszClassName = "PlainRecorder";
    RegisterClass(wc);
  }

  LRESULT Record(HWND h, UINT m, WPARAM w, LPARAM l) {
    const UINT code = m == WM_NOTIFY && l ? reinterpret_cast<const NMHDR*>(l)->code : 0;
    log.push_back({h, m, w, l, code});
    if (handler)
      if (auto r = handler(h, m, w, l)) return *r;
    return DefWindowProc(h, m, w, l);
  }

  HWND Top(int x, int y, int cx, int cy, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
           const char* cls = "Recorder") {
    return CreateWindowEx(0, cls, "top", style, x, y, cx, cy, nullptr, nullptr, HInstance(),
                          nullptr);
  }
  HWND Child(HWND parent, int x, int y, int cx, int cy, DWORD style = WS_CHILD | WS_VISIBLE,
             UINT id = 1, const char* cls = "Recorder") {
    return CreateWindowEx(0, cls, "child", style, x, y, cx, cy, parent,
                          reinterpret_cast<HMENU>(std::uintptr_t{id}), HInstance(), nullptr);
  }

  // Handles everything queued, as a message loop would.
  void Pump() {
    MSG m;
    while (GetMessage(&m, nullptr, 0, 0)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }

  // The messages `h` got since the log was last cleared, optionally only those in `only`.
  std::vector<UINT> MessagesOf(HWND h, std::vector<UINT> only = {}) const {
    std::vector<UINT> r;
    for (const auto& e : log)
      if (e.hwnd == h &&
          (only.empty() || std::find(only.begin(), only.end(), e.message) != only.end()))
        r.push_back(e.message);
    return r;
  }
  std::vector<TLoggedMessage> Find(UINT message) const {
    std::vector<TLoggedMessage> r;
    for (const auto& e : log)
      if (e.message == message) r.push_back(e);
    return r;
  }

  // The log and handler outlive the system, whose end still sends messages.
  std::vector<TLoggedMessage> log;
  THandler handler;
  TWindowSystem system;
  THandClock& clock = *system.HandClock();
};
