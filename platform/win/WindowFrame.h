// platform/win/WindowFrame.h
//
// DefWindowProc's painting: the default answers to WM_PAINT, WM_ERASEBKGND
// and WM_NCPAINT. Internal to the window model.
#pragma once

#include "platform/win/WinTypes.h"

namespace winkernel {
// Validates through BeginPaint/EndPaint (which also erase and draw the frame as due).
LRESULT DefPaint(HWND hwnd);
// Fills the client area with the class's background brush; 0 when the class has none.
LRESULT DefEraseBackground(HWND hwnd, HDC dc);
// Draws borders, edges and the caption as the window's styles ask.
LRESULT DefNcPaint(HWND hwnd);
}  // namespace winkernel
