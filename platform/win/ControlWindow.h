// platform/win/ControlWindow.h
//
// What the standard controls' window procedures share: the per-window state
// kept behind GWLP_USERDATA from WM_NCCREATE to WM_NCDESTROY, painting
// through one function (also on a context given in wParam), the font of
// WM_SETFONT, measuring in that font, and the class registration.
#pragma once

#include "platform/win/WinStyles.h"
#include "platform/win/WinTypes.h"
#include "platform/win/Window.h"

// The messages every control handles alike: WM_PAINT (calling `paint`),
// WM_ERASEBKGND (the painting covers everything), WM_SETFONT / WM_GETFONT
// (kept in `font`). True with `result` set when `msg` was one of them.
bool HandleControlWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, HFONT& font,
                                void (*paint)(HWND, HDC), LRESULT& result);

// The font a control draws with: the one WM_SETFONT gave it, else the
// default GUI font.
HFONT ControlFont(HFONT font);

// A memory DC holding a control's font, for measuring outside painting.
class TMeasureDC {
 public:
  explicit TMeasureDC(HFONT font);
  ~TMeasureDC();
  TMeasureDC(const TMeasureDC&) = delete;
  TMeasureDC& operator=(const TMeasureDC&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Registers `className` with `proc` unless it is registered already;
// `extraStyle` adds class styles (CS_DBLCLKS for controls that tell a
// double click from two clicks).
void RegisterControlWindowClass(LPCSTR className, TWndProcPointer proc, UINT extraStyle = 0);

// The state of a control window: made at WM_NCCREATE, freed at
// WM_NCDESTROY (after which it returns nullptr).
template <class TState>
TState* ControlWindowState(HWND hwnd, UINT msg) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TState));
  auto* s = reinterpret_cast<TState*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (s && msg == WM_NCDESTROY) {
    SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    delete s;
    return nullptr;
  }
  return s;
}
