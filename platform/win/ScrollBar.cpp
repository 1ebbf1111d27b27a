// platform/win/ScrollBar.cpp
#include "platform/win/ScrollBar.h"

#include <algorithm>

#include "platform/win/Gdi.h"
#include "platform/win/Metrics.h"

namespace {

constexpr int kMinThumb = 8;

struct TBarLayout {
  int start, length;            // along the bar, in the area's coordinates
  int arrow;                    // length of each arrow button
  int thumbStart, thumbLength;  // thumbLength 0: no thumb
};

long long Span(const SCROLLINFO& info);

TBarLayout Layout(const RECT& area, bool vertical, const SCROLLINFO& info) {
  TBarLayout l{};
  l.start = vertical ? area.top : area.left;
  l.length = vertical ? area.bottom - area.top : area.right - area.left;
  const int thick = vertical ? area.right - area.left : area.bottom - area.top;
  l.arrow = std::min(thick, l.length / 2);
  const int track = l.length - 2 * l.arrow;
  const long long range = static_cast<long long>(info.nMax) - info.nMin + 1;
  const long long page = info.nPage;
  if (range <= 0 || page >= range || track < kMinThumb) return l;
  l.thumbLength =
      page > 0 ? static_cast<int>(std::max<long long>(kMinThumb, track * page / range)) : kMinThumb;
  l.thumbLength = std::min(l.thumbLength, track);
  const long long span = Span(info);
  const long long pos = std::clamp<long long>(static_cast<long long>(info.nPos) - info.nMin, 0,
                                              std::max<long long>(span, 0));
  l.thumbStart =
      l.start + l.arrow + (span > 0 ? static_cast<int>((track - l.thumbLength) * pos / span) : 0);
  return l;
}

// How far the position can travel: nMax - nMin, less the page beyond its first row.
long long Span(const SCROLLINFO& info) {
  const long long range = static_cast<long long>(info.nMax) - info.nMin + 1;
  return info.nPage > 0 ? range - info.nPage : range - 1;
}

RECT Part(const RECT& area, bool vertical, int from, int to) {
  return vertical ? RECT{area.left, from, area.right, to} : RECT{from, area.top, to, area.bottom};
}

}  // namespace

int ScrollBarSize() {
  return GetSystemMetrics(SM_CXVSCROLL);
}

RECT ScrollBarThumbRect(const RECT& area, bool vertical, const SCROLLINFO& info) {
  const TBarLayout l = Layout(area, vertical, info);
  if (!l.thumbLength) return RECT{};
  return Part(area, vertical, l.thumbStart, l.thumbStart + l.thumbLength);
}

void DrawScrollBar(HDC dc, const RECT& area, bool vertical, const SCROLLINFO& info,
                   TScrollBarLook look) {
  const TBarLayout l = Layout(area, vertical, info);
  const UINT state = (l.thumbLength ? 0 : DFCS_INACTIVE) | (look.flat ? DFCS_FLAT : 0);
  RECT back = Part(area, vertical, l.start, l.start + l.arrow);
  RECT fore = Part(area, vertical, l.start + l.length - l.arrow, l.start + l.length);
  RECT track = Part(area, vertical, l.start + l.arrow, l.start + l.length - l.arrow);
  FillRect(dc, &track, GetSysColorBrush(look.trackColor));
  DrawFrameControl(dc, &back, DFC_SCROLL, (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | state);
  DrawFrameControl(dc, &fore, DFC_SCROLL, (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | state);
  if (!l.thumbLength) return;
  RECT thumb = Part(area, vertical, l.thumbStart, l.thumbStart + l.thumbLength);
  if (look.flat) {
    FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
  }
}

TScrollBarPart ScrollBarHitTest(const RECT& area, bool vertical, const SCROLLINFO& info, POINT pt) {
  if (pt.x < area.left || pt.x >= area.right || pt.y < area.top || pt.y >= area.bottom)
    return TScrollBarPart::None;
  const TBarLayout l = Layout(area, vertical, info);
  const int at = vertical ? pt.y : pt.x;
  if (at < l.start + l.arrow) return TScrollBarPart::LineBack;
  if (at >= l.start + l.length - l.arrow) return TScrollBarPart::LineForward;
  if (!l.thumbLength) return TScrollBarPart::None;
  if (at < l.thumbStart) return TScrollBarPart::PageBack;
  if (at >= l.thumbStart + l.thumbLength) return TScrollBarPart::PageForward;
  return TScrollBarPart::Thumb;
}

int ScrollBarThumbPosition(const RECT& area, bool vertical, const SCROLLINFO& info, POINT pt,
                           int grabOffset) {
  const TBarLayout l = Layout(area, vertical, info);
  if (!l.thumbLength) return info.nPos;
  const int track = l.length - 2 * l.arrow - l.thumbLength;
  const long long span = Span(info);
  // A thumb as long as its track has nowhere to go: dragging it keeps the
  // position rather than jumping to the start.
  if (track <= 0 || span <= 0) return info.nPos;
  const int at = (vertical ? pt.y : pt.x) - grabOffset - (l.start + l.arrow);
  const long long pos =
      (static_cast<long long>(std::clamp(at, 0, track)) * span + track / 2) / track;
  return static_cast<int>(info.nMin + pos);
}
