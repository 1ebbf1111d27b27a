// platform/win/GdiFrameControl.cpp
//
// DrawFrameControl: the small standard pictures controls are made of. The
// glyphs are drawn with lines and polygons in the text colour of the scheme
// (grey when inactive) and move one pixel down and right while pushed.
#include <algorithm>

#include "platform/win/Gdi.h"

namespace {

// Selects a solid pen and brush of one colour for the life of the object.
class TInk {
 public:
  TInk(HDC dc, COLORREF color)
      : dc_(dc),
        pen_(CreatePen(PS_SOLID, 1, color)),
        brush_(CreateSolidBrush(color)),
        oldPen_(SelectObject(dc, pen_)),
        oldBrush_(SelectObject(dc, brush_)) {}
  ~TInk() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }
  void Line(int x0, int y0, int x1, int y1) {
    MoveToEx(dc_, x0, y0, nullptr);
    LineTo(dc_, x1, y1);
  }

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_, oldBrush_;
};

COLORREF GlyphColor(UINT state) {
  return GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
}

void Button(HDC dc, RECT& r, UINT state) {
  const UINT edge = (state & (DFCS_PUSHED | DFCS_CHECKED)) ? EDGE_SUNKEN : EDGE_RAISED;
  DrawEdge(dc, &r, edge, BF_RECT | BF_MIDDLE | BF_ADJUST | ((state & DFCS_FLAT) ? BF_FLAT : 0));
}

void CaptionGlyph(HDC dc, const RECT& r, UINT state) {
  TInk ink(dc, GlyphColor(state));
  const HBRUSH frame = static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH));
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  switch (state & 0xFF) {
    case DFCS_CAPTIONCLOSE:
      for (int d = 0; d < 2; ++d) {
        ink.Line(cx - 4 + d, cy - 3, cx + 3 + d, cy + 4);
        ink.Line(cx + 2 + d, cy - 3, cx - 5 + d, cy + 4);
      }
      break;
    case DFCS_CAPTIONMIN:
      for (int d = 0; d < 2; ++d) ink.Line(cx - 4, cy + 2 + d, cx + 3, cy + 2 + d);
      break;
    case DFCS_CAPTIONMAX: {
      const RECT box{cx - 4, cy - 4, cx + 5, cy + 4};
      FrameRect(dc, &box, frame);
      ink.Line(box.left, box.top + 1, box.right, box.top + 1);
      break;
    }
    default: {  // restore
      const RECT back{cx - 2, cy - 5, cx + 5, cy + 1}, front{cx - 5, cy - 2, cx + 2, cy + 4};
      FrameRect(dc, &back, frame);
      FillRect(dc, &front, GetSysColorBrush(COLOR_BTNFACE));
      FrameRect(dc, &front, frame);
      break;
    }
  }
}

void ArrowGlyph(HDC dc, const RECT& r, UINT state) {
  TInk ink(dc, GlyphColor(state));
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  const int n = std::max(2, std::min(r.right - r.left, r.bottom - r.top) / 4);
  POINT p[3];
  switch (state & 0xFF) {
    case DFCS_SCROLLUP:
      p[0] = {cx - n, cy + n / 2}, p[1] = {cx + n, cy + n / 2}, p[2] = {cx, cy - n / 2 - 1};
      break;
    case DFCS_SCROLLLEFT:
      p[0] = {cx + n / 2, cy - n}, p[1] = {cx + n / 2, cy + n}, p[2] = {cx - n / 2 - 1, cy};
      break;
    case DFCS_SCROLLRIGHT:
      p[0] = {cx - n / 2, cy - n}, p[1] = {cx - n / 2, cy + n}, p[2] = {cx + n / 2 + 1, cy};
      break;
    default:  // down and the combo box's button
      p[0] = {cx - n, cy - n / 2}, p[1] = {cx + n, cy - n / 2}, p[2] = {cx, cy + n / 2 + 1};
      break;
  }
  Polygon(dc, p, 3);
}

void CheckBox(HDC dc, RECT r, UINT state) {
  const int size =
      std::min({13, static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top)});
  RECT box{r.left, (r.top + r.bottom - size) / 2, r.left + size,
           (r.top + r.bottom - size) / 2 + size};
  DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST | ((state & DFCS_FLAT) ? BF_FLAT : 0));
  const bool grey = state & (DFCS_INACTIVE | DFCS_PUSHED);
  FillRect(dc, &box, GetSysColorBrush(grey ? COLOR_BTNFACE : COLOR_WINDOW));
  if (!(state & DFCS_CHECKED)) return;
  TInk ink(dc, GlyphColor(state));
  const int x = box.left + 1, y = box.top + 3;  // a 7-pixel tick, three rows thick
  for (int d = 0; d < 3; ++d) {
    ink.Line(x, y + 2 + d, x + 2, y + 4 + d);
    ink.Line(x + 2, y + 4 + d, x + 7, y - 1 + d);
  }
}

void RadioButton(HDC dc, RECT r, UINT state) {
  const int size =
      std::min({12, static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top)});
  const int top = (r.top + r.bottom - size) / 2;
  {
    TInk ring(dc, GetSysColor(COLOR_3DSHADOW));
    SelectObject(dc, GetSysColorBrush((state & (DFCS_INACTIVE | DFCS_PUSHED)) ? COLOR_BTNFACE
                                                                              : COLOR_WINDOW));
    Ellipse(dc, r.left, top, r.left + size, top + size);
  }
  if (!(state & DFCS_CHECKED)) return;
  TInk dot(dc, GlyphColor(state));
  Ellipse(dc, r.left + size / 2 - 2, top + size / 2 - 2, r.left + size / 2 + 2, top + size / 2 + 2);
}

}  // namespace

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
  if (!dc || !rect) return FALSE;
  RECT r = *rect;
  switch (type) {
    case DFC_CAPTION:
    case DFC_SCROLL:
      Button(dc, r, state);
      if (state & DFCS_PUSHED) OffsetRect(r, 1, 1);
      if (type == DFC_CAPTION)
        CaptionGlyph(dc, r, state);
      else
        ArrowGlyph(dc, r, state);
      return TRUE;
    case DFC_BUTTON:
      if (state & DFCS_BUTTONPUSH) {
        Button(dc, r, state);
        if (state & DFCS_ADJUSTRECT) *rect = r;
      } else if (state & DFCS_BUTTONRADIO) {
        RadioButton(dc, r, state);
      } else {
        CheckBox(dc, r, state);
      }
      return TRUE;
    default:
      return FALSE;
  }
}
