// platform/win/ControlWindow.h
//
// What the standard controls' window procedures share: the per-window state
// made at WM_NCCREATE and held by the window system (GWLP_USERDATA is left to
// the application, as Windows leaves it), painting
// through one function (also on a context given in wParam), the font of
// WM_SETFONT, measuring in that font, and the class registration.
#pragma once

#include <memory>

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

// WM_PAINT: `paint` on the context in `wParam`, or on the window's own
// between BeginPaint and EndPaint when there is none. Answers 0.
LRESULT PaintControlWindow(HWND hwnd, WPARAM wParam, void (*paint)(HWND, HDC));

// Registers `className` with `proc` unless it is registered already;
// `extraStyle` adds class styles (CS_DBLCLKS for controls that tell a
// double click from two clicks), `cursor` is the class cursor.
void RegisterControlWindowClass(LPCSTR className, TWndProcPointer proc, UINT extraStyle = 0,
                                HCURSOR cursor = nullptr);

// The untyped state of a control window (nullptr for a window that is gone
// or has none), and giving a window its state.
std::shared_ptr<void> ControlWindowStateOf(HWND hwnd);
void SetControlWindowState(HWND hwnd, std::shared_ptr<void> state);

// The state of a control window of the class whose procedure keeps a
// `TState`: made at WM_NCCREATE, freed with the window after WM_NCDESTROY.
// A procedure holds the pointer while it handles a message, so a
// notification it sends may destroy the window meanwhile.
template <class TState>
std::shared_ptr<TState> ControlWindowState(HWND hwnd) {
  return std::static_pointer_cast<TState>(ControlWindowStateOf(hwnd));
}
template <class TState>
std::shared_ptr<TState> ControlWindowState(HWND hwnd, UINT msg) {
  if (msg == WM_NCCREATE) SetControlWindowState(hwnd, std::make_shared<TState>());
  return ControlWindowState<TState>(hwnd);
}
