// platform/win/GdiBlt.cpp
//
// Block transfers: pattern fills with raster operations, copies between
// DCs (straight, stretched, by colour key, by alpha), and icons.
#include <algorithm>
#include <optional>

#include "platform/win/GdiDevice.h"

namespace {

constexpr TPixel kWhite = 0xFFFFFF;

bool UsesSource(BYTE rop3) {
  return ((rop3 >> 2) & 0x33) != (rop3 & 0x33);
}
bool UsesPattern(BYTE rop3) {
  return ((rop3 >> 4) & 0x0F) != (rop3 & 0x0F);
}
BYTE Rop3Of(DWORD rop) {
  return static_cast<BYTE>((rop >> 16) & 0xFF);
}

// One axis of a (possibly mirrored, possibly stretched) mapping from
// destination to source coordinates.
struct TAxis {
  int dest0 = 0, destLen = 0, src0 = 0, srcLen = 0;
  bool flip = false;
  static TAxis Make(int d, int dl, int s, int sl) {
    TAxis a;
    if (dl < 0) {
      d += dl;
      dl = -dl;
      a.flip = !a.flip;
    }
    if (sl < 0) {
      s += sl;
      sl = -sl;
      a.flip = !a.flip;
    }
    a.dest0 = d;
    a.destLen = dl;
    a.src0 = s;
    a.srcLen = sl;
    return a;
  }
  int SourceOf(int dest) const {
    int i = dest - dest0;
    if (flip) i = destLen - 1 - i;
    return src0 + static_cast<int>((static_cast<long long>(2 * i + 1) * srcLen) / (2LL * destLen));
  }
};

// Where a blit reads: the source DC's surface through its device origin.
struct TSource {
  std::shared_ptr<TSurface> surface;
  std::optional<TSurface> snapshot;  // when source and destination share pixels
  TPoint origin;
  bool mono = false;
  TPixel bk = 0;

  const TSurface* Pixels() const { return snapshot ? &*snapshot : surface.get(); }
  bool Read(int x, int y, TPixel& out) const {
    const TSurface* s = Pixels();
    const int sx = x + origin.x, sy = y + origin.y;
    if (!s || !s->Bounds().Contains(sx, sy)) return false;
    out = s->Row(sy)[sx];
    return true;
  }
};

struct TBlit {
  std::shared_ptr<TDcObject> dest;
  TPainter painter;
  TSource source;
  bool haveSource = false;
};

std::optional<TBlit> Prepare(HDC dest, HDC src, bool needSource) {
  TBlit b;
  b.dest = gdi::Dc(dest);
  if (!b.dest) return std::nullopt;
  b.painter = gdi::PainterOf(*b.dest);
  if (!needSource) return b;
  auto s = gdi::Dc(src);
  if (!s) return std::nullopt;
  const TPainter sp = gdi::PainterOf(*s);
  b.source.surface = sp.SurfacePtr();
  b.source.origin = sp.Origin();
  b.source.mono = sp.Mono();
  b.source.bk = PixelOfColor(s->attrs.bkColor);
  b.haveSource = b.source.surface != nullptr;
  if (b.haveSource && b.source.surface == b.painter.SurfacePtr())
    b.source.snapshot = *b.source.surface;
  return b;
}

// The source colour as the destination sees it.
TPixel Convert(const TBlit& b, TPixel s) {
  s &= kWhite;
  if (b.source.mono && !b.painter.Mono())
    return s ? PixelOfColor(b.dest->attrs.bkColor) : PixelOfColor(b.dest->attrs.textColor);
  if (!b.source.mono && b.painter.Mono()) return s == (b.source.bk & kWhite) ? kWhite : 0;
  return s;
}

// Runs `pixel(destPixel&, deviceX, deviceY)` over the visible part of the
// destination rectangle (device coordinates).
template <class F>
void ForEachDest(TBlit& b, const TRect& device, F pixel) {
  if (b.painter.Nothing()) return;
  const TPoint o = b.painter.Origin();
  b.painter.ForEachClipped(device, [&](const TRect& r) {
    for (int y = r.y0; y < r.y1; ++y) {
      TPixel* row = b.painter.Surface().Row(y);
      for (int x = r.x0; x < r.x1; ++x) pixel(row[x], x - o.x, y - o.y);
    }
  });
}

BOOL RopBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
            int srcWidth, int srcHeight, DWORD rop) {
  const BYTE rop3 = Rop3Of(rop);
  const bool needSource = UsesSource(rop3);
  auto b = Prepare(dest, src, needSource);
  if (!b) return FALSE;
  if (width == 0 || height == 0) return TRUE;
  const TPoint d0 = gdi::ToDevice(*b->dest, x, y);
  const TAxis ax = TAxis::Make(d0.x, width, 0, srcWidth),
              ay = TAxis::Make(d0.y, height, 0, srcHeight);
  TPoint s0;
  if (needSource) {
    if (!b->haveSource) return TRUE;
    auto s = gdi::Dc(src);
    s0 = gdi::ToDevice(*s, srcX, srcY);
  }
  TPaint pattern;
  if (UsesPattern(rop3))
    pattern = gdi::BrushPaint(*b->dest, b->dest->attrs.brush.get(), b->painter);
  const TPoint o = b->painter.Origin();
  const bool mono = b->painter.Mono();
  ForEachDest(*b, TRect::Sized(ax.dest0, ay.dest0, ax.destLen, ay.destLen),
              [&](TPixel& d, int dx, int dy) {
                TPixel p = 0, s = 0;
                if (needSource) {
                  const int sx = s0.x + ax.SourceOf(dx), sy = s0.y + ay.SourceOf(dy);
                  if (!b->source.Read(sx, sy, s)) return;
                  s = Convert(*b, s);
                }
                if (UsesPattern(rop3) && !pattern.At(dx + o.x, dy + o.y, p)) p = 0;
                if (mono) p = ToMono(p);
                d = ApplyRop3(rop3, p, s, d);
              });
  return TRUE;
}

}  // namespace

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  if (UsesSource(Rop3Of(rop))) return FALSE;
  return RopBlt(dc, x, y, width, height, nullptr, 0, 0, width, height, rop);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  return RopBlt(dest, x, y, width, height, src, srcX, srcY, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
  if (srcWidth == 0 || srcHeight == 0) return FALSE;
  return RopBlt(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, rop);
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                    int srcWidth, int srcHeight, UINT transparent) {
  auto b = Prepare(dest, src, true);
  if (!b || width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0) return FALSE;
  if (!b->haveSource) return TRUE;
  const TPoint d0 = gdi::ToDevice(*b->dest, x, y), s0 = gdi::ToDevice(*gdi::Dc(src), srcX, srcY);
  const TAxis ax = TAxis::Make(d0.x, width, s0.x, srcWidth),
              ay = TAxis::Make(d0.y, height, s0.y, srcHeight);
  const TPixel key = PixelOfColor(transparent);
  ForEachDest(*b, TRect::Sized(d0.x, d0.y, width, height), [&](TPixel& d, int dx, int dy) {
    TPixel s;
    if (!b->source.Read(ax.SourceOf(dx), ay.SourceOf(dy), s) || (s & kWhite) == key) return;
    d = Convert(*b, s);
  });
  return TRUE;
}

BOOL AlphaBlendStraight(HDC dest, int x, int y, int width, int height, HDC src, int srcX,
                        int srcY) {
  auto b = Prepare(dest, src, true);
  if (!b || width <= 0 || height <= 0) return FALSE;
  if (!b->haveSource) return TRUE;
  const TPoint d0 = gdi::ToDevice(*b->dest, x, y), s0 = gdi::ToDevice(*gdi::Dc(src), srcX, srcY);
  ForEachDest(*b, TRect::Sized(d0.x, d0.y, width, height), [&](TPixel& d, int dx, int dy) {
    TPixel s;
    if (!b->source.Read(s0.x + dx - d0.x, s0.y + dy - d0.y, s)) return;
    d = MixPixel(d, s, PixelA(s));
  });
  return TRUE;
}

// --- Icons ------------------------------------------------------------------------

namespace {

std::shared_ptr<TIconObject> IconOf(HICON icon) {
  return gdi::LookupAs<TIconObject>(icon, TGdiKind::Icon);
}

std::shared_ptr<TBitmapObject> CopyBitmap(const TBitmapObject& b) {
  auto c = std::make_shared<TBitmapObject>(0, 0, b.mono);
  *c->surface = b.surface->Copy(b.surface->Bounds());
  return c;
}

}  // namespace

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info) return nullptr;
  auto color = gdi::Bitmap(info->hbmColor), mask = gdi::Bitmap(info->hbmMask);
  if (!color && !mask) return nullptr;
  auto icon = std::make_shared<TIconObject>();
  if (color) icon->color = CopyBitmap(*color);
  if (mask) icon->mask = CopyBitmap(*mask);
  icon->hotSpot = POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
  icon->isIcon = info->fIcon != FALSE;
  gdi::Register(icon);
  return gdi::HandleOf<HICON>(icon);
}

BOOL GetIconInfo(HICON handle, ICONINFO* info) {
  auto icon = IconOf(handle);
  if (!icon || !info) return FALSE;
  *info = ICONINFO{};
  info->fIcon = icon->isIcon ? TRUE : FALSE;
  info->xHotspot = static_cast<DWORD>(icon->hotSpot.x);
  info->yHotspot = static_cast<DWORD>(icon->hotSpot.y);
  if (icon->color) {
    auto c = CopyBitmap(*icon->color);
    gdi::Register(c);
    info->hbmColor = gdi::HandleOf<HBITMAP>(c);
  }
  if (icon->mask) {
    auto m = CopyBitmap(*icon->mask);
    gdi::Register(m);
    info->hbmMask = gdi::HandleOf<HBITMAP>(m);
  }
  return TRUE;
}

BOOL DestroyIcon(HICON icon) {
  return IconOf(icon) && gdi::Unregister(icon) ? TRUE : FALSE;
}

BOOL DrawIconEx(HDC hdc, int x, int y, HICON handle, int width, int height, UINT, HBRUSH,
                UINT flags) {
  auto icon = IconOf(handle);
  auto dc = gdi::Dc(hdc);
  if (!icon || !dc) return FALSE;
  const TSurface* color = icon->color ? icon->color->surface.get() : nullptr;
  const TSurface* mask = icon->mask ? icon->mask->surface.get() : nullptr;
  const TSurface* any = color ? color : mask;
  if (width == 0) width = any->Width();
  if (height == 0) height = any->Height();
  TPainter painter = gdi::PainterOf(*dc);
  if (painter.Nothing() || width <= 0 || height <= 0) return TRUE;
  const TPoint d0 = gdi::ToDevice(*dc, x, y), o = painter.Origin();
  const TAxis ax = TAxis::Make(d0.x, width, 0, any->Width()),
              ay = TAxis::Make(d0.y, height, 0, any->Height());
  const bool alpha = color && color->HasAlpha() && (flags & DI_IMAGE);
  painter.ForEachClipped(TRect::Sized(d0.x, d0.y, width, height), [&](const TRect& r) {
    for (int sy = r.y0; sy < r.y1; ++sy) {
      TPixel* row = painter.Surface().Row(sy);
      for (int sx = r.x0; sx < r.x1; ++sx) {
        const int ix = ax.SourceOf(sx - o.x), iy = ay.SourceOf(sy - o.y);
        TPixel& d = row[sx];
        if (alpha) {
          const TPixel s = color->Pixel(ix, iy);
          d = MixPixel(d, s, PixelA(s));
          continue;
        }
        // Windows' rule: the mask ANDs the background away, the image is XORed in.
        if (mask && (flags & DI_MASK)) d &= (mask->Pixel(ix, iy) & kWhite) ? kWhite : 0;
        if (color && (flags & DI_IMAGE))
          d = (mask && (flags & DI_MASK) ? d ^ color->Pixel(ix, iy) : color->Pixel(ix, iy)) &
              kWhite;
      }
    }
  });
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}
