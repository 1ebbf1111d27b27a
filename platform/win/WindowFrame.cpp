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

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF color) {
  const HPEN pen = CreatePen(PS_SOLID, 1, color);
  const HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

enum class TCaptionGlyph { Close, Maximize, Restore, Minimize };

void CaptionButton(HDC dc, RECT r, TCaptionGlyph glyph, bool enabled) {
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  const COLORREF c = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  switch (glyph) {
    case TCaptionGlyph::Close:
      for (int d = 0; d < 2; ++d) {
        Line(dc, cx - 4 + d, cy - 3, cx + 3 + d, cy + 4, c);
        Line(dc, cx + 2 + d, cy - 3, cx - 5 + d, cy + 4, c);
      }
      break;
    case TCaptionGlyph::Maximize: {
      RECT box{cx - 4, cy - 4, cx + 5, cy + 4};
      FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNTEXT));
      Line(dc, box.left, box.top + 1, box.right, box.top + 1, c);
      break;
    }
    case TCaptionGlyph::Restore: {
      RECT back{cx - 2, cy - 5, cx + 5, cy + 1}, front{cx - 5, cy - 2, cx + 2, cy + 4};
      FrameRect(dc, &back, GetSysColorBrush(COLOR_BTNTEXT));
      Fill(dc, front, COLOR_BTNFACE);
      FrameRect(dc, &front, GetSysColorBrush(COLOR_BTNTEXT));
      break;
    }
    case TCaptionGlyph::Minimize:
      for (int d = 0; d < 2; ++d) Line(dc, cx - 4, cy + 3 + d, cx + 3, cy + 3 + d, c);
      break;
  }
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
    CaptionButton(dc, close, TCaptionGlyph::Close, true);
    right = close.left - 2;
    if (w.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
      RECT max{right - size - 2, top, right, top + size};
      CaptionButton(dc, max,
                    (w.style & WS_MAXIMIZE) ? TCaptionGlyph::Restore : TCaptionGlyph::Maximize,
                    (w.style & WS_MAXIMIZEBOX) != 0);
      RECT min{max.left - size - 2, top, max.left, top + size};
      CaptionButton(dc, min, TCaptionGlyph::Minimize, (w.style & WS_MINIMIZEBOX) != 0);
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
