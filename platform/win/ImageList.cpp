// platform/win/ImageList.cpp
#include "platform/win/ImageList.h"

#include <algorithm>
#include <vector>

#include "platform/win/GdiDevice.h"

namespace {

constexpr TPixel kWhite = 0xFFFFFF;

struct TImage {
  TSurface color{0, 0};
  TSurface mask{0, 0};  // white where transparent; empty when the list has no masks
  bool alpha = false;
};

struct TImageListObject : TGdiObject {
  TImageListObject() : TGdiObject(TGdiKind::ImageList) {}
  int cx = 16, cy = 16;
  UINT flags = 0;
  COLORREF bk = CLR_NONE;
  std::vector<TImage> images;
  bool Masked() const { return (flags & ILC_MASK) != 0; }
};

std::shared_ptr<TImageListObject> ListOf(HIMAGELIST h) {
  return gdi::LookupAs<TImageListObject>(h, TGdiKind::ImageList);
}

// Cuts the images out of a strip; `maskOf(x, y, pixel)` says whether a
// pixel of the strip is transparent (nullptr-like: never).
template <class MaskOf>
std::vector<TImage> Cut(const TImageListObject& list, const TBitmapObject& strip, MaskOf maskOf) {
  const TSurface& s = *strip.surface;
  const int count = std::max(1, s.Width() / list.cx);
  std::vector<TImage> out;
  for (int i = 0; i < count; ++i) {
    TImage img;
    img.color = TSurface(list.cx, list.cy);
    if (list.Masked()) img.mask = TSurface(list.cx, list.cy);
    for (int y = 0; y < list.cy; ++y)
      for (int x = 0; x < list.cx; ++x) {
        const int sx = i * list.cx + x;
        const TPixel p = s.Pixel(sx, y);
        const bool inside = s.Bounds().Contains(sx, y);
        const bool transparent = !inside || maskOf(sx, y, p);
        img.color.Row(y)[x] = strip.mono ? (p & kWhite) : p;
        if (list.Masked()) img.mask.Row(y)[x] = transparent ? kWhite : 0;
      }
    img.alpha = !strip.mono && img.color.HasAlpha();
    out.push_back(std::move(img));
  }
  return out;
}

int Append(TImageListObject& list, std::vector<TImage> images) {
  const int first = static_cast<int>(list.images.size());
  for (auto& i : images) list.images.push_back(std::move(i));
  return first;
}

TPixel Tint(TPixel p, TPixel tint, int percent) {
  return MixPixel(p, tint, percent * 255 / 100);
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  if (cx <= 0 || cy <= 0) return nullptr;
  auto l = std::make_shared<TImageListObject>();
  l->cx = cx;
  l->cy = cy;
  l->flags = flags;
  gdi::Register(l);
  return gdi::HandleOf<HIMAGELIST>(l);
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  return ListOf(list) && gdi::Unregister(list) ? TRUE : FALSE;
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST list) {
  auto l = ListOf(list);
  if (!l) return nullptr;
  auto copy = std::make_shared<TImageListObject>(*l);
  gdi::Register(copy);
  return gdi::HandleOf<HIMAGELIST>(copy);
}

int ImageList_GetImageCount(HIMAGELIST list) {
  auto l = ListOf(list);
  return l ? static_cast<int>(l->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  auto l = ListOf(list);
  if (!l || !cx || !cy) return FALSE;
  *cx = l->cx;
  *cy = l->cy;
  return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy) {
  auto l = ListOf(list);
  if (!l || cx <= 0 || cy <= 0) return FALSE;
  l->cx = cx;
  l->cy = cy;
  l->images.clear();
  return TRUE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  auto l = ListOf(list);
  auto bm = gdi::Bitmap(image);
  if (!l || !bm) return -1;
  auto m = gdi::Bitmap(mask);
  return Append(*l, Cut(*l, *bm, [&](int x, int y, TPixel) {
    return m && (m->surface->Pixel(x, y) & kWhite) != 0;
  }));
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor) {
  auto l = ListOf(list);
  auto bm = gdi::Bitmap(image);
  if (!l || !bm) return -1;
  const TPixel key =
      maskColor == CLR_DEFAULT ? (bm->surface->Pixel(0, 0) & kWhite) : PixelOfColor(maskColor);
  auto images = Cut(*l, *bm, [&](int, int, TPixel p) { return (p & kWhite) == key; });
  for (TImage& img : images)
    for (int y = 0; y < l->cy; ++y)
      for (int x = 0; x < l->cx; ++x)
        if ((img.color.Row(y)[x] & kWhite) == key) img.color.Row(y)[x] = 0;
  if (!l->Masked()) {
    // A list without masks keeps the colours as they are.
    for (TImage& img : images) img.mask = TSurface(0, 0);
  }
  return Append(*l, std::move(images));
}

BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask) {
  auto l = ListOf(list);
  auto bm = gdi::Bitmap(image);
  if (!l || !bm || index < 0 || index >= static_cast<int>(l->images.size())) return FALSE;
  auto m = gdi::Bitmap(mask);
  auto images = Cut(
      *l, *bm, [&](int x, int y, TPixel) { return m && (m->surface->Pixel(x, y) & kWhite) != 0; });
  l->images[static_cast<size_t>(index)] = std::move(images.front());
  return TRUE;
}

int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  auto l = ListOf(list);
  ICONINFO info;
  if (!l || !GetIconInfo(icon, &info)) return -1;
  int result = -1;
  if (index == -1) {
    result = ImageList_Add(list, info.hbmColor, info.hbmMask);
  } else if (ImageList_Replace(list, index, info.hbmColor, info.hbmMask)) {
    result = index;
  }
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return result;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  auto l = ListOf(list);
  if (!l) return FALSE;
  if (index == -1) {
    l->images.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(l->images.size())) return FALSE;
  l->images.erase(l->images.begin() + index);
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color) {
  auto l = ListOf(list);
  if (!l) return CLR_NONE;
  return std::exchange(l->bk, color == CLR_NONE ? CLR_NONE : (color & 0xFFFFFF));
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) {
  auto l = ListOf(list);
  return l ? l->bk : CLR_NONE;
}

BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC hdc, int x, int y, int dx, int dy,
                      COLORREF background, COLORREF foreground, UINT style) {
  auto l = ListOf(list);
  auto dc = gdi::Dc(hdc);
  if (!l || !dc || index < 0 || index >= static_cast<int>(l->images.size())) return FALSE;
  const TImage& img = l->images[static_cast<size_t>(index)];
  TPainter painter = gdi::PainterOf(*dc);
  if (painter.Nothing()) return TRUE;
  const COLORREF bk = background == CLR_DEFAULT ? l->bk : background;
  const bool transparent = (style & ILD_TRANSPARENT) || bk == CLR_NONE;
  const TPixel tint = PixelOfColor(foreground == CLR_DEFAULT || foreground == CLR_NONE
                                       ? GetSysColor(COLOR_HIGHLIGHT)
                                       : foreground);
  const int percent = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
  const TPoint at = gdi::ToDevice(*dc, x, y), o = painter.Origin();
  const int w = dx > 0 ? std::min(dx, l->cx) : l->cx, h = dy > 0 ? std::min(dy, l->cy) : l->cy;
  const bool hasMask = img.mask.Width() > 0;
  painter.ForEachClipped(TRect::Sized(at.x, at.y, w, h), [&](const TRect& r) {
    for (int sy = r.y0; sy < r.y1; ++sy) {
      TPixel* row = painter.Surface().Row(sy);
      for (int sx = r.x0; sx < r.x1; ++sx) {
        const int ix = sx - o.x - at.x, iy = sy - o.y - at.y;
        const TPixel c = img.color.Row(iy)[ix];
        const bool clear = hasMask && (img.mask.Row(iy)[ix] & kWhite);
        TPixel& d = row[sx];
        if (style & ILD_MASK) {
          d = clear ? kWhite : 0;
          continue;
        }
        if (img.alpha) {
          d = MixPixel(d, percent ? Tint(c, tint, percent) : c, PixelA(c));
          continue;
        }
        if (clear) {
          if (!transparent) d = PixelOfColor(bk);
          continue;
        }
        d = percent ? Tint(c & kWhite, tint, percent) : (c & kWhite);
      }
    }
  });
  return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
  return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT) {
  auto l = ListOf(list);
  if (!l || index < 0 || index >= static_cast<int>(l->images.size())) return nullptr;
  const TImage& img = l->images[static_cast<size_t>(index)];
  auto color = std::make_shared<TBitmapObject>(0, 0, false);
  *color->surface = img.color;
  auto mask = std::make_shared<TBitmapObject>(l->cx, l->cy, true);
  if (img.mask.Width() > 0) *mask->surface = img.mask;
  gdi::Register(color);
  gdi::Register(mask);
  ICONINFO info;
  info.hbmColor = gdi::HandleOf<HBITMAP>(color);
  info.hbmMask = gdi::HandleOf<HBITMAP>(mask);
  const HICON icon = CreateIconIndirect(&info);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return icon;
}
