// app/ZorvetPictures.cpp
//
// Pictures are straight-alpha 32-bit surfaces: theme icons as read, the
// drawn parts painted opaque onto a transparent ground and laid over them.
#include "app/ZorvetPictures.h"

#include <algorithm>
#include <cmath>

#include "platform/controls/ImageLists.h"
#include "platform/win/Gdi.h"
#include "platform/win/ImageList.h"
#include "platform/win/ShellIcons.h"

namespace zorvet_pictures {
namespace {

constexpr TPixel kInk = PixelOf(0x2E, 0x34, 0x36, 255);  // the theme's dark grey
constexpr TPixel kBoxFill = PixelOf(0xFF, 0xFF, 0xFF, 255);
constexpr TPixel kRed = PixelOf(0xCC, 0x00, 0x00, 255);
constexpr TPixel kWhite = PixelOf(0xFF, 0xFF, 0xFF, 255);
constexpr TPixel kGlass = PixelOf(0x34, 0x65, 0xA4, 255);  // blue of the magnifier
constexpr TPixel kGlassFill = PixelOf(0xDB, 0xE8, 0xF6, 255);

void FillRect(TSurface& s, int left, int top, int right, int bottom, TPixel p) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) s.SetPixel(x, y, p);
}

// A filled disc, and a ring of `width` pixels, around (cx, cy) in pixel units.
void Disc(TSurface& s, double cx, double cy, double r, TPixel p) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r) s.SetPixel(x, y, p);
}
void Ring(TSurface& s, double cx, double cy, double r, double width, TPixel p) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (d <= r && d > r - width) s.SetPixel(x, y, p);
    }
}

// The theme icon `name`, or `fallback` drawn when the theme lacks it.
TSurface Icon(const char* name, int size, TSurface (*fallback)(int)) {
  if (auto picture = ReadThemeIcon(name, size))
    if (picture->Width() == size && picture->Height() == size) return *picture;
  return fallback(size);
}

// --- drawn pictures --------------------------------------------------------------------------

TSurface DrawnDisc(int size) {
  TSurface s(size, size);
  const double c = size / 2.0;
  Disc(s, c, c, c - 0.5, PixelOf(0x88, 0x8A, 0x85, 255));
  Disc(s, c, c, c - 1.5, PixelOf(0xEE, 0xEE, 0xEC, 255));
  Disc(s, c, c, size / 6.0, PixelOf(0x88, 0x8A, 0x85, 255));
  Disc(s, c, c, size / 10.0, PixelOf(0, 0, 0, 0));
  return s;
}

TSurface DrawnFolder(int size) {
  TSurface s(size, size);
  const int u = std::max(1, size / 16);
  FillRect(s, 1 * u, 2 * u, 7 * u, 4 * u, PixelOf(0x9A, 0x7B, 0x2E, 255));
  FillRect(s, 1 * u, 4 * u, 15 * u, 14 * u, PixelOf(0x9A, 0x7B, 0x2E, 255));
  FillRect(s, 2 * u, 5 * u, 14 * u, 13 * u, PixelOf(0xF2, 0xC8, 0x5B, 255));
  return s;
}

TSurface DrawnPage(int size) {
  TSurface s(size, size);
  const int u = std::max(1, size / 16);
  FillRect(s, 3 * u, 1 * u, 13 * u, 15 * u, PixelOf(0x77, 0x77, 0x77, 255));
  FillRect(s, 4 * u, 2 * u, 12 * u, 14 * u, kWhite);
  for (int line = 4; line < 13; line += 2) FillRect(s, 5 * u, line * u, 11 * u, line * u + u, kInk);
  return s;
}

// A tree box as the tree view draws it: a square with a plus or a minus.
void TreeBox(TSurface& s, int left, int top, int side, bool plus) {
  FillRect(s, left, top, left + side, top + side, kInk);
  FillRect(s, left + 1, top + 1, left + side - 1, top + side - 1, kBoxFill);
  const int mid = top + side / 2;
  FillRect(s, left + 2, mid, left + side - 2, mid + 1, kInk);
  if (plus) FillRect(s, left + side / 2, top + 2, left + side / 2 + 1, top + side - 2, kInk);
}

// One box for a node; for the whole tree two boxes joined by the tree's line.
TSurface TreeButton(bool plus, bool whole) {
  TSurface s(16, 16);
  if (!whole) {
    TreeBox(s, 3, 3, 11, plus);
    return s;
  }
  FillRect(s, 4, 8, 5, 13, kInk);   // the line down from the first box
  FillRect(s, 4, 12, 8, 13, kInk);  // and across to the second
  TreeBox(s, 0, 0, 9, plus);
  TreeBox(s, 7, 7, 9, plus);
  return s;
}

// A small magnifier in the lower right corner: "look through this disc".
void MagnifierBadge(TSurface& s) {
  Disc(s, 10.5, 10.5, 4.6, kWhite);
  Disc(s, 10.5, 10.5, 3.4, kGlassFill);
  Ring(s, 10.5, 10.5, 4.0, 1.6, kGlass);
  for (int i = 0; i < 3; ++i) FillRect(s, 13 + i, 13 + i, 15 + i, 15 + i, kGlass);
}

// A red cross in the lower right corner: "remove this disc".
void CrossBadge(TSurface& s) {
  Disc(s, 11.5, 11.5, 5.2, kWhite);
  Disc(s, 11.5, 11.5, 4.4, kRed);
  for (int i = 0; i < 5; ++i) {
    s.SetPixel(9 + i, 9 + i, kWhite);
    s.SetPixel(9 + i, 13 - i, kWhite);
  }
}

// A red sign with an exclamation mark over a 32-pixel disc: "over capacity".
void WarningBadge(TSurface& s) {
  Disc(s, 23, 23, 9, kWhite);
  Disc(s, 23, 23, 7.8, kRed);
  FillRect(s, 22, 17, 24, 25, kWhite);
  FillRect(s, 22, 27, 24, 29, kWhite);
}

TSurface FlipVertically(const TSurface& s) {
  TSurface out(s.Width(), s.Height());
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) out.SetPixel(x, s.Height() - 1 - y, s.Pixel(x, y));
  return out;
}

TSurface Disc16() {
  return Icon("media-optical", 16, DrawnDisc);
}

}  // namespace

TSurface TreePicture(int index) {
  switch (index) {
    case imOpenFolder:
      return Icon("folder-open", 16, DrawnFolder);
    case imFolder:
      return Icon("folder", 16, DrawnFolder);
    case imCdDisc:
      return Disc16();
    case 3:
      return Icon("x-office-document", 16, DrawnPage);
    case imSearchTab:
      return Icon("system-search", 16, DrawnPage);
    case imFilesTab:
      return Icon("text-x-generic", 16, DrawnPage);
    case 6:
      return Icon("image-x-generic", 16, DrawnPage);
    case 7:
      return Icon("audio-x-generic", 16, DrawnPage);
    case 8:
      return Icon("video-x-generic", 16, DrawnPage);
    case 9:
      return Icon("package-x-generic", 16, DrawnPage);
    case imOtherDisc:
      return Icon("drive-removable-media", 16, DrawnDisc);
    case imSelectedDisc:
      return Icon("media-optical", 16, DrawnDisc);
    default:
      return TSurface(16, 16);
  }
}

TSurface ActionPicture(int index) {
  switch (index) {
    case actViewStyle:
      return Icon("view-list-bullet", 16, DrawnPage);
    case 1:
      return Icon("view-app-grid", 16, DrawnPage);
    case 2:
      return Icon("view-list", 16, DrawnPage);
    case actDeleteDisc: {
      TSurface s = Disc16();
      CrossBadge(s);
      return s;
    }
    case 4:
      return Icon("system-search", 16, DrawnPage);
    case 5:
      return Icon("view-grid", 16, DrawnPage);
    case 6:
      return Icon("go-jump", 16, DrawnFolder);
    case 7:
      return Icon("view-continuous", 16, DrawnPage);
    case 8:
      return Icon("view-refresh", 16, DrawnPage);
    case 9:
      return Icon("emblem-system", 16, DrawnPage);
    case 10:
      return Disc16();
    case 11:
      return Icon("drive-removable-media", 16, DrawnDisc);
    case actScanDisc: {
      TSurface s = Disc16();
      MagnifierBadge(s);
      return s;
    }
    case 13:
      return Icon("document-edit", 16, DrawnPage);
    case actOpenTray:
      return Icon("media-eject", 16, DrawnDisc);
    case actCloseTray:
      return FlipVertically(Icon("media-eject", 16, DrawnDisc));
    case actFullExpand:
      return TreeButton(true, true);
    case actNodeCollapse:
      return TreeButton(false, false);
    case actNodeExpand:
      return TreeButton(true, false);
    case actFullCollapse:
      return TreeButton(false, true);
    default:
      return TSurface(16, 16);
  }
}

TSurface InfoPicture(int index) {
  TSurface s = Icon("media-optical", 32, DrawnDisc);
  if (index == 0) WarningBadge(s);
  return s;
}

}  // namespace zorvet_pictures

namespace {
void Fill(TImageList* list, int count, TSurface (*picture)(int)) {
  list->Clear();
  HIMAGELIST handle = list->Handle();
  for (int i = 0; i < count; ++i) {
    HBITMAP bitmap = CreateSurfaceBitmap(picture(i));
    ImageList_Add(handle, bitmap, nullptr);
    DeleteObject(bitmap);
  }
}
}  // namespace

void LoadZorvetPictures(TImageList* imList, TImageList* imActList, TImageList* imInfoList) {
  Fill(imList, zorvet_pictures::kImListCount, zorvet_pictures::TreePicture);
  Fill(imActList, zorvet_pictures::kImActListCount, zorvet_pictures::ActionPicture);
  Fill(imInfoList, 2, zorvet_pictures::InfoPicture);
}
