// platform/win/WindowFrame.cpp
//
// How windows look by default: the classic raised frame of sizeable and
// dialog windows, thin borders, sunken client edges and a caption bar with
// its text and buttons, all in the system colours.
#include "platform/win/WindowFrame.h"

#include <cstring>

#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystemState.h"

namespace {

void Fill(HDC dc, const RECT& r, int sysColor) {
  FillRect(dc, &r, GetSysColorBrush(sysColor));
}

void Caption(HWND hwnd, HDC dc, const TWindowEntry& w, RECT bar) {
  const bool active = GetActiveWindow() == hwnd;
  Fill(dc, RECT{bar.left, bar.bottom - 1, bar.right, bar.bottom}, COLOR_BTNFACE);
  bar.bottom -= 1;
  Fill(dc, bar, active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  RECT text = bar;
  text.left += 4;
  if (w.style & WS_SYSMENU) {
    const int size = RectHeight(bar) - 4, top = bar.top + 2;
    int right = bar.right - 2;
    RECT close{right - size - 2, top, right, top + size};
    DrawFrameControl(dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    right = close.left - 2;
    if (w.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
      RECT max{right - size - 2, top, right, top + size};
      const UINT maxGlyph = (w.style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX;
      DrawFrameControl(dc, &max, DFC_CAPTION,
                       maxGlyph | ((w.style & WS_MAXIMIZEBOX) ? 0 : DFCS_INACTIVE));
      RECT min{max.left - size - 2, top, max.left, top + size};
      DrawFrameControl(dc, &min, DFC_CAPTION,
                       DFCS_CAPTIONMIN | ((w.style & WS_MINIMIZEBOX) ? 0 : DFCS_INACTIVE));
      right = min.left - 2;
    }
    text.right = right;
  }
  LOGFONT lf;
  lf.lfHeight = -11;
  lf.lfWeight = FW_BOLD;
  std::strcpy(lf.lfFaceName, "MS Sans Serif");
  const HFONT font = CreateFontIndirect(&lf);
  const HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  DrawText(dc, w.text.c_str(), -1, &text,
           DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteObject(font);
}

}  // namespace

namespace winkernel {

LRESULT DefPaint(HWND hwnd) {
  PAINTSTRUCT ps;
  if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
  return 0;
}

LRESULT DefEraseBackground(HWND hwnd, HDC dc) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w || !w->windowClass->background || !dc) return 0;
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, w->windowClass->background);
  return 1;
}

LRESULT DefNcPaint(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w || !HasFrame(*w) || (w->style & WS_MINIMIZE)) return 0;
  const HDC dc = GetWindowDC(hwnd);
  RECT r{0, 0, RectWidth(w->rect), RectHeight(w->rect)};
  const int frame = FrameSize(w->style & ~WS_BORDER, 0).cx;
  const bool dialogFrame =
      (w->style & (WS_THICKFRAME | WS_DLGFRAME)) || (w->exStyle & WS_EX_DLGMODALFRAME);
  if (dialogFrame) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    for (int i = 2; i < frame; ++i) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_ACTIVEBORDER));
      InflateRect(&r, -1, -1);
    }
  } else if (w->style & WS_BORDER) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    const int height =
        GetSystemMetrics((w->exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
    Caption(hwnd, dc, *w, RECT{r.left, r.top, r.right, r.top + height});
    r.top += height;
  }
  if (w->exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (w->exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  ReleaseDC(hwnd, dc);
  return 0;
}

}  // namespace winkernel
