// platform/win/ImageListDrag.cpp
//
// The one drag image of the program (ImageList.h). It is drawn straight
// onto the window's surface, over whatever the window shows; what lay
// beneath is kept and put back before the image moves or hides, so the
// window never has to repaint for it. A window that changes what it shows
// under the image (a drop highlight) hides the image around the change;
// showing it again paints what that change left to paint first.
#include <utility>

#include "platform/win/Gdi.h"
#include "platform/win/ImageList.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"

namespace {

struct TDragImage {
  HIMAGELIST list = nullptr;  // our copy of the dragged image
  POINT hotspot;
  HWND lock = nullptr;
  bool entered = false;  // between DragEnter and DragLeave
  bool shown = false;    // wanted visible (DragShowNolock)
  bool drawn = false;    // on the window now
  POINT pos;             // the pointer, window coordinates
  POINT drawnAt;         // top-left of the drawn image
  HDC saveDc = nullptr;  // what lies under the drawn image
  HBITMAP saveBitmap = nullptr;
  HGDIOBJ saveOld = nullptr;
};

TDragImage& Drag() {
  static TDragImage drag;
  return drag;
}

SIZE DragSize(const TDragImage& d) {
  int cx = 0, cy = 0;
  ImageList_GetIconSize(d.list, &cx, &cy);
  return SIZE{cx, cy};
}

HDC LockDc(const TDragImage& d) {
  return GetDCEx(d.lock, nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
}

void Undraw(TDragImage& d) {
  if (!d.drawn) return;
  d.drawn = false;
  if (!IsWindow(d.lock) && d.lock) return;
  const SIZE size = DragSize(d);
  HDC dc = LockDc(d);
  BitBlt(dc, d.drawnAt.x, d.drawnAt.y, size.cx, size.cy, d.saveDc, 0, 0, SRCCOPY);
  ReleaseDC(d.lock, dc);
}

void Draw(TDragImage& d) {
  if (d.drawn || !d.entered || !d.shown || !d.list) return;
  if (d.lock && !IsWindow(d.lock)) return;
  // What the window still has to paint (a drop highlight changed while the
  // image was hidden) is painted first, so the saved background is current.
  if (d.lock) UpdateWindow(d.lock);
  if (d.drawn) return;  // drawn again from within that painting
  const SIZE size = DragSize(d);
  if (!d.saveDc) {
    d.saveDc = CreateCompatibleDC(nullptr);
    d.saveBitmap = CreateCompatibleBitmap(nullptr, size.cx, size.cy);
    d.saveOld = SelectObject(d.saveDc, d.saveBitmap);
  }
  d.drawnAt = POINT{d.pos.x - d.hotspot.x, d.pos.y - d.hotspot.y};
  HDC dc = LockDc(d);
  BitBlt(d.saveDc, 0, 0, size.cx, size.cy, dc, d.drawnAt.x, d.drawnAt.y, SRCCOPY);
  ImageList_Draw(d.list, 0, dc, d.drawnAt.x, d.drawnAt.y, ILD_TRANSPARENT);
  ReleaseDC(d.lock, dc);
  d.drawn = true;
}

void FreeSave(TDragImage& d) {
  if (!d.saveDc) return;
  SelectObject(d.saveDc, d.saveOld);
  DeleteDC(d.saveDc);
  DeleteObject(d.saveBitmap);
  d.saveDc = nullptr;
  d.saveBitmap = nullptr;
}

}  // namespace

BOOL ImageList_BeginDrag(HIMAGELIST list, int index, int dxHotspot, int dyHotspot) {
  if (!list || index < 0 || index >= ImageList_GetImageCount(list)) return FALSE;
  ImageList_EndDrag();
  TDragImage& d = Drag();
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list, &cx, &cy);
  d.list = ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, 1, 0);
  HICON icon = ImageList_GetIcon(list, index, ILD_NORMAL);
  const int added = icon ? ImageList_AddIcon(d.list, icon) : -1;
  if (icon) DestroyIcon(icon);
  if (added < 0) {
    ImageList_Destroy(d.list);
    d.list = nullptr;
    return FALSE;
  }
  d.hotspot = POINT{dxHotspot, dyHotspot};
  d.shown = true;
  return TRUE;
}

BOOL ImageList_DragEnter(HWND lock, int x, int y) {
  TDragImage& d = Drag();
  if (!d.list) return FALSE;
  Undraw(d);
  d.lock = lock;
  d.entered = true;
  d.pos = POINT{x, y};
  Draw(d);
  return TRUE;
}

BOOL ImageList_DragMove(int x, int y) {
  TDragImage& d = Drag();
  if (!d.list) return FALSE;
  if (d.pos.x == x && d.pos.y == y) return TRUE;
  Undraw(d);
  d.pos = POINT{x, y};
  Draw(d);
  return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL show) {
  TDragImage& d = Drag();
  if (!d.list) return FALSE;
  d.shown = show != FALSE;
  if (d.shown)
    Draw(d);
  else
    Undraw(d);
  return TRUE;
}

BOOL ImageList_DragLeave(HWND lock) {
  TDragImage& d = Drag();
  if (!d.list) return FALSE;
  if (lock != d.lock) return FALSE;
  Undraw(d);
  d.entered = false;
  d.lock = nullptr;
  return TRUE;
}

void ImageList_EndDrag() {
  TDragImage& d = Drag();
  Undraw(d);
  FreeSave(d);
  if (d.list) ImageList_Destroy(d.list);
  d = TDragImage{};
}

HIMAGELIST ImageList_GetDragImage(POINT* pt, POINT* hotspot) {
  TDragImage& d = Drag();
  if (!d.list) return nullptr;
  if (pt) *pt = d.pos;
  if (hotspot) *hotspot = d.hotspot;
  return d.list;
}
