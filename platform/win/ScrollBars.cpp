// platform/win/ScrollBars.cpp
#include "platform/win/ScrollBars.h"

#include <algorithm>

#include "platform/win/Gdi.h"

void TControlScrollBar::SetRange(int min, int max, int page) {
  min_ = min;
  max_ = std::max(min, max);
  page_ = std::max(0, page);
  pos_ = std::clamp(pos_, min_, MaxPos());
}

int TControlScrollBar::MaxPos() const {
  return std::max(min_, max_ - std::max(page_, 1) + 1);
}

bool TControlScrollBar::SetPos(int pos) {
  pos = std::clamp(pos, min_, MaxPos());
  if (pos == pos_) return false;
  pos_ = pos;
  return true;
}

int TControlScrollBar::PosForCode(WORD code, int thumb) const {
  const int page = std::max(page_, 1);
  int pos = pos_;
  switch (code) {
    case SB_LINEUP:
      pos -= 1;
      break;
    case SB_LINEDOWN:
      pos += 1;
      break;
    case SB_PAGEUP:
      pos -= page;
      break;
    case SB_PAGEDOWN:
      pos += page;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = thumb;
      break;
    case SB_TOP:
      pos = min_;
      break;
    case SB_BOTTOM:
      pos = MaxPos();
      break;
    default:
      break;
  }
  return std::clamp(pos, min_, MaxPos());
}

SCROLLINFO TControlScrollBar::Info() const {
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = min_;
  info.nMax = max_;
  info.nPage = static_cast<UINT>(page_);
  info.nPos = pos_;
  return info;
}

void TControlScrollBar::Paint(HDC dc) const {
  if (!Shown()) return;
  // The track in the lighter 3-D colour, or the button face for flat bars.
  DrawScrollBar(dc, rect_, vertical_, Info(),
                TScrollBarLook{flat_ ? COLOR_BTNFACE : COLOR_3DLIGHT, flat_});
}

int TControlScrollBar::HitTest(POINT pt) const {
  switch (ScrollBarHitTest(rect_, vertical_, Info(), pt)) {
    case TScrollBarPart::LineBack:
      return SB_LINEUP;
    case TScrollBarPart::PageBack:
      return SB_PAGEUP;
    case TScrollBarPart::Thumb:
      return kScrollThumb;
    case TScrollBarPart::PageForward:
      return SB_PAGEDOWN;
    case TScrollBarPart::LineForward:
      return SB_LINEDOWN;
    case TScrollBarPart::None:
      break;
  }
  return kScrollNone;
}

void TControlScrollBar::BeginThumbDrag(POINT pt) {
  const RECT thumb = ScrollBarThumbRect(rect_, vertical_, Info());
  drag_offset_ = vertical_ ? pt.y - thumb.top : pt.x - thumb.left;
}

int TControlScrollBar::PosFromThumbDrag(POINT pt) const {
  return ScrollBarThumbPosition(rect_, vertical_, Info(), pt, drag_offset_);
}
