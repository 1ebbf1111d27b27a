// platform/win/ScrollBars.h
//
// Scroll bars that a control draws inside its own client area, and the
// messages that move them. A TControlScrollBar keeps the range, page and
// position (SCROLLINFO's meaning: positions run from nMin to
// nMax - nPage + 1), paints itself into a rectangle given by the control,
// and turns a button press into the scroll code to send (SB_LINEUP on the
// first arrow, SB_PAGEUP on the track before the thumb, ...). Dragging the
// thumb maps the pointer to a position with PosFromThumbDrag. Geometry and
// drawing are ScrollBar.h's, so these bars measure like every other.
//
// Threads: GUI thread only.
#pragma once

#include "platform/win/ScrollBar.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WinTypes.h"

// The scrolling messages and their SB_ codes are those of ScrollBar.h.

// What a press on the bar means; kScrollNone outside it.
constexpr int kScrollNone = -1;
constexpr int kScrollThumb = SB_THUMBTRACK;

class TControlScrollBar {
 public:
  explicit TControlScrollBar(bool vertical) : vertical_(vertical) {}

  bool Vertical() const { return vertical_; }
  // Sets the range and page and clamps the position into them.
  void SetRange(int min, int max, int page);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Page() const { return page_; }
  int Pos() const { return pos_; }
  // The largest position the range and page allow.
  int MaxPos() const;
  // Clamps and sets; true when the position changed.
  bool SetPos(int pos);
  // The position a scroll code leads to from the present one (`thumb`:
  // the position carried by SB_THUMBTRACK / SB_THUMBPOSITION), clamped.
  int PosForCode(WORD code, int thumb) const;

  // Where the bar lies (client coordinates); empty when it is not shown.
  const RECT& Rect() const { return rect_; }
  void SetRect(const RECT& r) { rect_ = r; }
  bool Shown() const { return rect_.right > rect_.left && rect_.bottom > rect_.top; }
  // Flat bars have no bevels (LVS_EX_FLATSB).
  void SetFlat(bool flat) { flat_ = flat; }
  // The range, page and position in SCROLLINFO's terms.
  SCROLLINFO Info() const;

  void Paint(HDC dc) const;
  // The scroll code for a press at `pt`, kScrollThumb on the thumb, or
  // kScrollNone outside the bar.
  int HitTest(POINT pt) const;
  // Starts a thumb drag at `pt`.
  void BeginThumbDrag(POINT pt);
  // The position for the pointer at `pt` during a thumb drag.
  int PosFromThumbDrag(POINT pt) const;

 private:
  bool vertical_;
  bool flat_ = false;
  int min_ = 0, max_ = 0, page_ = 0, pos_ = 0;
  RECT rect_;
  int drag_offset_ = 0;  // pointer minus thumb start, along the bar, when the drag began
};
