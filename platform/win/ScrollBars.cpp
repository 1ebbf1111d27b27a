// platform/win/ScrollBars.cpp
#include "platform/win/ScrollBars.h"

#include <algorithm>

#include "platform/win/Gdi.h"

namespace {
constexpr int kMinThumb = 8;
}

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

int TControlScrollBar::ArrowLength() const {
  const int along = vertical_ ? rect_.bottom - rect_.top : rect_.right - rect_.left;
  const int across = vertical_ ? rect_.right - rect_.left : rect_.bottom - rect_.top;
  // Arrows shrink when the bar is too short for two square ones.
  return std::min(across, along / 2);
}

void TControlScrollBar::TrackAndThumb(int& trackStart, int& trackLength, int& thumbStart,
                                      int& thumbLength) const {
  const int arrow = ArrowLength();
  const int along = vertical_ ? rect_.bottom - rect_.top : rect_.right - rect_.left;
  trackStart = arrow;
  trackLength = std::max(0, along - 2 * arrow);
  const int span = max_ - min_ + 1;
  if (span <= 0 || page_ >= span || trackLength < kMinThumb) {
    thumbStart = trackStart;
    thumbLength = 0;  // nothing to scroll: no thumb
    return;
  }
  thumbLength = std::max(
      kMinThumb, static_cast<int>(static_cast<long long>(trackLength) * std::max(page_, 1) / span));
  thumbLength = std::min(thumbLength, trackLength);
  const int range = MaxPos() - min_;
  const int room = trackLength - thumbLength;
  thumbStart =
      trackStart +
      (range > 0 ? static_cast<int>(static_cast<long long>(room) * (pos_ - min_) / range) : 0);
}

void TControlScrollBar::Paint(HDC dc) const {
  if (!Shown()) return;
  RECT r = rect_;
  FillRect(dc, &r, GetSysColorBrush(flat_ ? COLOR_BTNFACE : COLOR_3DLIGHT));
  int trackStart, trackLength, thumbStart, thumbLength;
  TrackAndThumb(trackStart, trackLength, thumbStart, thumbLength);
  const int arrow = ArrowLength();
  const bool active = thumbLength > 0;
  const UINT look = (flat_ ? DFCS_FLAT : 0) | (active ? 0 : DFCS_INACTIVE);
  RECT first = r, last = r, thumb = r;
  if (vertical_) {
    first.bottom = r.top + arrow;
    last.top = r.bottom - arrow;
    thumb.top = r.top + thumbStart;
    thumb.bottom = thumb.top + thumbLength;
  } else {
    first.right = r.left + arrow;
    last.left = r.right - arrow;
    thumb.left = r.left + thumbStart;
    thumb.right = thumb.left + thumbLength;
  }
  DrawFrameControl(dc, &first, DFC_SCROLL, (vertical_ ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | look);
  DrawFrameControl(dc, &last, DFC_SCROLL, (vertical_ ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | look);
  if (!active) return;
  if (flat_) {
    FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
  }
}

int TControlScrollBar::HitTest(POINT pt) const {
  if (!Shown() || pt.x < rect_.left || pt.x >= rect_.right || pt.y < rect_.top ||
      pt.y >= rect_.bottom)
    return kScrollNone;
  const int along = vertical_ ? pt.y - rect_.top : pt.x - rect_.left;
  const int length = vertical_ ? rect_.bottom - rect_.top : rect_.right - rect_.left;
  const int arrow = ArrowLength();
  if (along < arrow) return SB_LINEUP;
  if (along >= length - arrow) return SB_LINEDOWN;
  int trackStart, trackLength, thumbStart, thumbLength;
  TrackAndThumb(trackStart, trackLength, thumbStart, thumbLength);
  if (thumbLength == 0) return kScrollNone;
  if (along < thumbStart) return SB_PAGEUP;
  if (along >= thumbStart + thumbLength) return SB_PAGEDOWN;
  return kScrollThumb;
}

void TControlScrollBar::BeginThumbDrag(POINT pt) {
  int trackStart, trackLength, thumbStart, thumbLength;
  TrackAndThumb(trackStart, trackLength, thumbStart, thumbLength);
  const int along = vertical_ ? pt.y - rect_.top : pt.x - rect_.left;
  drag_offset_ = along - thumbStart;
}

int TControlScrollBar::PosFromThumbDrag(POINT pt) const {
  int trackStart, trackLength, thumbStart, thumbLength;
  TrackAndThumb(trackStart, trackLength, thumbStart, thumbLength);
  const int room = trackLength - thumbLength;
  if (room <= 0) return pos_;
  const int along = (vertical_ ? pt.y - rect_.top : pt.x - rect_.left) - drag_offset_;
  const int offset = std::clamp(along - trackStart, 0, room);
  const int range = MaxPos() - min_;
  return min_ + static_cast<int>((static_cast<long long>(offset) * range + room / 2) / room);
}
