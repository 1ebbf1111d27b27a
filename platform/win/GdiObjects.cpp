// platform/win/GdiObjects.cpp
//
// The handle table, the stock objects, and making, selecting, describing
// and deleting pens, brushes, bitmaps and regions.
#include "platform/win/GdiObjects.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/win/GdiDevice.h"

namespace gdi {
namespace {

struct TTable {
  std::mutex mutex;
  std::unordered_map<const void*, std::shared_ptr<TGdiObject>> objects;
};

TTable& Table() {
  static TTable table;
  return table;
}

std::shared_ptr<TPenObject> MakePen(int style, int width, COLORREF color) {
  auto p = std::make_shared<TPenObject>();
  p->style = style & PS_STYLE_MASK;
  p->width = std::max(1, width);
  p->color = color & 0xFFFFFF;
  return p;
}

std::shared_ptr<TBrushObject> MakeSolid(COLORREF color) {
  auto b = std::make_shared<TBrushObject>();
  b->style = BS_SOLID;
  b->color = color & 0xFFFFFF;
  return b;
}

template <class T>
std::shared_ptr<T> Stock(std::shared_ptr<T> o) {
  o->stock = true;
  Register(o);
  return o;
}

struct TStock {
  std::array<std::shared_ptr<TGdiObject>, 20> objects;
  std::array<std::shared_ptr<TBrushObject>, COLOR_ENDCOLORS + 1> sysBrushes;
};

std::shared_ptr<TFontObject> MakeStockFont(LONG height, LONG weight, const char* face) {
  auto f = std::make_shared<TFontObject>();
  f->log.lfHeight = height;
  f->log.lfWeight = weight;
  std::strncpy(f->log.lfFaceName, face, LF_FACESIZE - 1);
  return f;
}

TStock& Stocks() {
  static TStock s = [] {
    TStock t;
    t.objects[WHITE_BRUSH] = Stock(MakeSolid(RGB(255, 255, 255)));
    t.objects[LTGRAY_BRUSH] = Stock(MakeSolid(RGB(192, 192, 192)));
    t.objects[GRAY_BRUSH] = Stock(MakeSolid(RGB(128, 128, 128)));
    t.objects[DKGRAY_BRUSH] = Stock(MakeSolid(RGB(64, 64, 64)));
    t.objects[BLACK_BRUSH] = Stock(MakeSolid(RGB(0, 0, 0)));
    auto nullBrush = std::make_shared<TBrushObject>();
    nullBrush->style = BS_NULL;
    t.objects[NULL_BRUSH] = Stock(nullBrush);
    t.objects[WHITE_PEN] = Stock(MakePen(PS_SOLID, 1, RGB(255, 255, 255)));
    t.objects[BLACK_PEN] = Stock(MakePen(PS_SOLID, 1, RGB(0, 0, 0)));
    t.objects[NULL_PEN] = Stock(MakePen(PS_NULL, 1, 0));
    // The system font is the bold cell-16 font that dialog units came from.
    t.objects[SYSTEM_FONT] = Stock(MakeStockFont(16, FW_BOLD, "System"));
    t.objects[DEVICE_DEFAULT_FONT] = Stock(MakeStockFont(16, FW_BOLD, "System"));
    t.objects[OEM_FIXED_FONT] = Stock(MakeStockFont(-12, FW_NORMAL, "Courier New"));
    t.objects[ANSI_FIXED_FONT] = Stock(MakeStockFont(-12, FW_NORMAL, "Courier New"));
    t.objects[SYSTEM_FIXED_FONT] = Stock(MakeStockFont(-12, FW_NORMAL, "Courier New"));
    t.objects[ANSI_VAR_FONT] = Stock(MakeStockFont(-11, FW_NORMAL, "MS Sans Serif"));
    t.objects[DEFAULT_GUI_FONT] = Stock(MakeStockFont(-11, FW_NORMAL, "MS Sans Serif"));
    auto dcBrush = std::make_shared<TBrushObject>();
    dcBrush->dcBrush = true;
    t.objects[DC_BRUSH] = Stock(dcBrush);
    auto dcPen = MakePen(PS_SOLID, 1, 0);
    dcPen->dcPen = true;
    t.objects[DC_PEN] = Stock(dcPen);
    for (int i = 0; i <= COLOR_ENDCOLORS; ++i) t.sysBrushes[i] = Stock(MakeSolid(GetSysColor(i)));
    return t;
  }();
  return s;
}

}  // namespace

void* Register(std::shared_ptr<TGdiObject> object) {
  void* h = object.get();
  std::lock_guard lock(Table().mutex);
  Table().objects[h] = std::move(object);
  return h;
}

std::shared_ptr<TGdiObject> Lookup(const void* handle) {
  if (!handle) return nullptr;
  std::lock_guard lock(Table().mutex);
  auto it = Table().objects.find(handle);
  return it == Table().objects.end() ? nullptr : it->second;
}

bool Unregister(const void* handle) {
  std::lock_guard lock(Table().mutex);
  return Table().objects.erase(handle) > 0;
}

std::shared_ptr<TDcObject> Dc(HDC dc) {
  return LookupAs<TDcObject>(dc, TGdiKind::DC);
}

std::shared_ptr<TBrushObject> Brush(HBRUSH brush) {
  const auto v = reinterpret_cast<std::uintptr_t>(brush);
  if (v >= 1 && v <= COLOR_ENDCOLORS + 1) return Stocks().sysBrushes[v - 1];
  return LookupAs<TBrushObject>(brush, TGdiKind::Brush);
}

std::shared_ptr<TBitmapObject> Bitmap(HBITMAP bitmap) {
  return LookupAs<TBitmapObject>(bitmap, TGdiKind::Bitmap);
}
std::shared_ptr<TFontObject> Font(HFONT font) {
  return LookupAs<TFontObject>(font, TGdiKind::Font);
}

std::shared_ptr<TPenObject> StockPen(int index) {
  return std::static_pointer_cast<TPenObject>(Stocks().objects.at(index));
}
std::shared_ptr<TBrushObject> StockBrush(int index) {
  return std::static_pointer_cast<TBrushObject>(Stocks().objects.at(index));
}
std::shared_ptr<TFontObject> StockFont(int index) {
  return std::static_pointer_cast<TFontObject>(Stocks().objects.at(index));
}

std::shared_ptr<TBitmapObject> NewDefaultBitmap() {
  auto b = std::make_shared<TBitmapObject>(1, 1, true);
  b->stock = true;
  return b;
}

}  // namespace gdi

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index >= 20) return nullptr;
  auto& o = gdi::Stocks().objects[index];
  return o ? static_cast<HGDIOBJ>(o.get()) : nullptr;
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index > COLOR_ENDCOLORS) return nullptr;
  return gdi::HandleOf<HBRUSH>(gdi::Stocks().sysBrushes[index]);
}

DWORD GetObjectType(HGDIOBJ handle) {
  auto o = gdi::Lookup(handle);
  if (!o) return 0;
  switch (o->kind) {
    case TGdiKind::Pen:
      return OBJ_PEN;
    case TGdiKind::Brush:
      return OBJ_BRUSH;
    case TGdiKind::Font:
      return OBJ_FONT;
    case TGdiKind::Bitmap:
      return OBJ_BITMAP;
    case TGdiKind::Region:
      return OBJ_REGION;
    case TGdiKind::DC:
      return static_cast<TDcObject&>(*o).dcKind == TDcKind::Memory ? OBJ_MEMDC : OBJ_DC;
    case TGdiKind::Icon:
    case TGdiKind::ImageList:
      return 0;
  }
  return 0;
}

// --- Pens and brushes ---------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color) {
  auto p = gdi::MakePen(style, width, color);
  gdi::Register(p);
  return gdi::HandleOf<HPEN>(p);
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (!pen) return nullptr;
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = gdi::MakeSolid(color);
  gdi::Register(b);
  return gdi::HandleOf<HBRUSH>(b);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto b = std::make_shared<TBrushObject>();
  b->style = BS_HATCHED;
  b->hatch = hatch;
  b->color = color & 0xFFFFFF;
  gdi::Register(b);
  return gdi::HandleOf<HBRUSH>(b);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  auto bm = gdi::Bitmap(bitmap);
  if (!bm) return nullptr;
  auto b = std::make_shared<TBrushObject>();
  b->style = BS_PATTERN;
  b->pattern = std::make_shared<TBitmapObject>(0, 0, bm->mono);
  *b->pattern->surface = bm->surface->Copy(bm->surface->Bounds());
  gdi::Register(b);
  return gdi::HandleOf<HBRUSH>(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID:
      return CreateSolidBrush(lb->lbColor);
    case BS_HATCHED:
      return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN:
      return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    case BS_NULL:
      return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    default:
      return nullptr;
  }
}

// --- Bitmaps ---------------------------------------------------------------------

// Bitmaps beyond this many pixels are refused, as a failed allocation
// would be, instead of throwing from deep inside a drawing call.
constexpr long long kMaxBitmapPixels = 1LL << 26;

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32))
    return nullptr;
  if (static_cast<long long>(width) * height > kMaxBitmapPixels) return nullptr;
  const bool mono = bitsPerPixel == 1;
  auto b = std::make_shared<TBitmapObject>(width, height, mono);
  if (bits) {
    const auto* bytes = static_cast<const BYTE*>(bits);
    if (mono) {
      const int stride = ((width + 15) / 16) * 2;  // rows padded to 16 bits
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          b->surface->Row(y)[x] = (bytes[y * stride + x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFF : 0;
    } else {
      for (int y = 0; y < height; ++y)
        std::memcpy(b->surface->Row(y), bytes + static_cast<size_t>(y) * width * 4, width * 4u);
    }
  }
  gdi::Register(b);
  return gdi::HandleOf<HBITMAP>(b);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  auto d = gdi::Dc(dc);
  const bool mono = d && d->dcKind == TDcKind::Memory && d->attrs.bitmap && d->attrs.bitmap->mono;
  return CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  if (!info) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biWidth < 0 || h.biPlanes != 1)
    return nullptr;
  const long long rows = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  if (static_cast<long long>(h.biWidth) * rows > kMaxBitmapPixels || rows > INT32_MAX)
    return nullptr;
  const bool bottomUp = h.biHeight > 0;
  auto b = std::make_shared<TBitmapObject>(h.biWidth, bottomUp ? h.biHeight : -h.biHeight, false,
                                           bottomUp);
  b->dib = true;
  if (bits) *bits = b->surface->Bits();
  gdi::Register(b);
  return gdi::HandleOf<HBITMAP>(b);
}

BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE* size) {
  auto b = gdi::Bitmap(bitmap);
  if (!b || !size) return FALSE;
  *size = SIZE{b->surface->Width(), b->surface->Height()};
  return TRUE;
}

// --- Selecting, describing, deleting -----------------------------------------------

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  auto d = gdi::Dc(dc);
  auto o = gdi::Lookup(object);
  if (!d || !o) {
    const auto v = reinterpret_cast<std::uintptr_t>(object);
    if (d && v >= 1 && v <= COLOR_ENDCOLORS + 1) o = gdi::Brush(static_cast<HBRUSH>(object));
    if (!o) return nullptr;
  }
  auto& a = d->attrs;
  switch (o->kind) {
    case TGdiKind::Pen: {
      auto old = std::exchange(a.pen, std::static_pointer_cast<TPenObject>(o));
      return old.get();
    }
    case TGdiKind::Brush: {
      auto old = std::exchange(a.brush, std::static_pointer_cast<TBrushObject>(o));
      return old.get();
    }
    case TGdiKind::Font: {
      auto old = std::exchange(a.font, std::static_pointer_cast<TFontObject>(o));
      return old.get();
    }
    case TGdiKind::Bitmap: {
      if (d->dcKind != TDcKind::Memory) return nullptr;
      auto old = std::exchange(a.bitmap, std::static_pointer_cast<TBitmapObject>(o));
      return old.get();
    }
    case TGdiKind::Region:
      return reinterpret_cast<HGDIOBJ>(
          static_cast<std::intptr_t>(SelectClipRgn(dc, static_cast<HRGN>(object))));
    default:
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  auto d = gdi::Dc(dc);
  if (!d) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return d->attrs.pen.get();
    case OBJ_BRUSH:
      return d->attrs.brush.get();
    case OBJ_FONT:
      return d->attrs.font.get();
    case OBJ_BITMAP:
      return d->attrs.bitmap.get();
    default:
      return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ object) {
  auto o = gdi::Lookup(object);
  if (!o || o->stock) return FALSE;
  if (o->kind == TGdiKind::DC || o->kind == TGdiKind::Icon || o->kind == TGdiKind::ImageList)
    return FALSE;
  return gdi::Unregister(object) ? TRUE : FALSE;
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
  auto o = gdi::Lookup(object);
  if (!o) return 0;
  auto put = [&](const auto& value) {
    const int n = static_cast<int>(sizeof(value));
    if (!buffer) return n;
    if (size < n) return 0;
    std::memcpy(buffer, &value, sizeof(value));
    return n;
  };
  switch (o->kind) {
    case TGdiKind::Pen: {
      auto& p = static_cast<TPenObject&>(*o);
      LOGPEN lp;
      lp.lopnStyle = static_cast<UINT>(p.style);
      lp.lopnWidth = POINT{p.width, 0};
      lp.lopnColor = p.color;
      return put(lp);
    }
    case TGdiKind::Brush: {
      auto& b = static_cast<TBrushObject&>(*o);
      LOGBRUSH lb;
      lb.lbStyle = b.style;
      lb.lbColor = b.color;
      lb.lbHatch = static_cast<ULONG_PTR>(b.hatch);
      return put(lb);
    }
    case TGdiKind::Font:
      return put(static_cast<TFontObject&>(*o).log);
    case TGdiKind::Bitmap: {
      auto& b = static_cast<TBitmapObject&>(*o);
      BITMAP bm;
      bm.bmWidth = b.surface->Width();
      bm.bmHeight = b.surface->Height();
      bm.bmBitsPixel = b.mono ? 1 : 32;
      bm.bmWidthBytes = b.mono ? ((bm.bmWidth + 15) / 16) * 2 : bm.bmWidth * 4;
      bm.bmBits = b.dib ? b.surface->Bits() : nullptr;
      if (b.dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds;
        ds.dsBm = bm;
        ds.dsBmih.biWidth = bm.bmWidth;
        ds.dsBmih.biHeight = b.surface->BottomUp() ? bm.bmHeight : -bm.bmHeight;
        ds.dsBmih.biBitCount = 32;
        ds.dsBmih.biSizeImage = static_cast<DWORD>(bm.bmWidthBytes * bm.bmHeight);
        return put(ds);
      }
      return put(bm);
    }
    default:
      return 0;
  }
}

// --- Regions ---------------------------------------------------------------------

namespace {
std::shared_ptr<TRegionObject> RegionOf(HRGN h) {
  return gdi::LookupAs<TRegionObject>(h, TGdiKind::Region);
}
int KindOf(const TRegion& r) {
  return r.Empty() ? NULLREGION : r.IsRect() ? SIMPLEREGION : COMPLEXREGION;
}
TRect Box(int l, int t, int r, int b) {
  return TRect{l, t, r, b}.Normalized();
}
}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto r = std::make_shared<TRegionObject>();
  r->region = TRegion(Box(left, top, right, bottom));
  gdi::Register(r);
  return gdi::HandleOf<HRGN>(r);
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  auto r = RegionOf(region);
  if (!r) return FALSE;
  r->region = TRegion(Box(left, top, right, bottom));
  return TRUE;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  auto d = RegionOf(dest), a = RegionOf(src1);
  if (!d || !a) return ERROR;
  if (mode == RGN_COPY) {
    d->region = a->region;
    return KindOf(d->region);
  }
  auto b = RegionOf(src2);
  if (!b) return ERROR;
  TRegionOp op;
  switch (mode) {
    case RGN_AND:
      op = TRegionOp::And;
      break;
    case RGN_OR:
      op = TRegionOp::Or;
      break;
    case RGN_XOR:
      op = TRegionOp::Xor;
      break;
    case RGN_DIFF:
      op = TRegionOp::Diff;
      break;
    default:
      return ERROR;
  }
  d->region = TRegion::Combine(a->region, b->region, op);
  return KindOf(d->region);
}

int OffsetRgn(HRGN region, int dx, int dy) {
  auto r = RegionOf(region);
  if (!r) return ERROR;
  r->region.Offset(dx, dy);
  return KindOf(r->region);
}

int GetRgnBox(HRGN region, RECT* box) {
  auto r = RegionOf(region);
  if (!r || !box) return ERROR;
  *box = r->region.Bounds().ToRECT();
  return KindOf(r->region);
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto r = RegionOf(region);
  return r && r->region.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  auto r = RegionOf(region);
  return r && rect && r->region.Intersects(TRect::From(*rect).Normalized()) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  auto ra = RegionOf(a), rb = RegionOf(b);
  return ra && rb && ra->region == rb->region ? TRUE : FALSE;
}

namespace gdi {
// Used by the window layer, which keeps regions as values.
bool RegionValue(HRGN h, TRegion& out) {
  auto r = RegionOf(h);
  if (!r) return false;
  out = r->region;
  return true;
}
bool SetRegionValue(HRGN h, const TRegion& value) {
  auto r = RegionOf(h);
  if (!r) return false;
  r->region = value;
  return true;
}
}  // namespace gdi
