// platform/win/GdiObjects.h
//
// The drawing layer's objects behind its handles, and the handle table.
// Only the drawing layer's own .cpp files include this header.
//
// A handle is the address of its object. The table holds every live object
// by shared pointer; looking a handle up checks it is in the table and of
// the kind asked for, so a stale or foreign handle is refused, never
// dereferenced. Device contexts keep shared pointers to what is selected
// into them, which keeps a deleted object usable there (Gdi.h).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Region.h"
#include "platform/win/Surface.h"

enum class TGdiKind { Pen, Brush, Font, Bitmap, Region, DC, Icon, ImageList };

struct TGdiObject {
  explicit TGdiObject(TGdiKind k) : kind(k) {}
  virtual ~TGdiObject() = default;
  const TGdiKind kind;
  bool stock = false;  // stock objects survive DeleteObject
};

struct TPenObject : TGdiObject {
  TPenObject() : TGdiObject(TGdiKind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
  bool dcPen = false;  // DC_PEN: the colour comes from the DC
};

struct TBitmapObject : TGdiObject {
  TBitmapObject(int w, int h, bool mono_, bool bottomUp = false)
      : TGdiObject(TGdiKind::Bitmap),
        surface(std::make_shared<TSurface>(w, h, bottomUp)),
        mono(mono_) {}
  std::shared_ptr<TSurface> surface;
  bool mono = false;  // pixels are 0x000000 or 0xFFFFFF only
  bool dib = false;   // made by CreateDIBSection
};

struct TBrushObject : TGdiObject {
  TBrushObject() : TGdiObject(TGdiKind::Brush) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  int hatch = 0;
  std::shared_ptr<TBitmapObject> pattern;  // a private copy
  bool dcBrush = false;                    // DC_BRUSH: the colour comes from the DC
};

struct TRegionObject : TGdiObject {
  TRegionObject() : TGdiObject(TGdiKind::Region) {}
  TRegion region;
};

class TFontFace;
struct TFontObject : TGdiObject {
  TFontObject() : TGdiObject(TGdiKind::Font) {}
  LOGFONT log;
  std::shared_ptr<TFontFace> face;  // resolved when first used
};

struct TIconObject : TGdiObject {
  TIconObject() : TGdiObject(TGdiKind::Icon) {}
  std::shared_ptr<TBitmapObject> color;
  std::shared_ptr<TBitmapObject> mask;  // may be empty: alpha or opaque colour only
  POINT hotSpot;
  bool isIcon = true;
};

// What SaveDC keeps.
struct TDcAttributes {
  std::shared_ptr<TPenObject> pen;
  std::shared_ptr<TBrushObject> brush;
  std::shared_ptr<TFontObject> font;
  std::shared_ptr<TBitmapObject> bitmap;  // memory DCs
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  COLORREF dcBrushColor = 0xFFFFFF;
  COLORREF dcPenColor = 0x000000;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  int stretchMode = STRETCH_ANDSCANS;
  UINT textAlign = TA_LEFT | TA_TOP;
  TPoint viewportOrg;
  TPoint windowOrg;
  TPoint brushOrg;
  TPoint position;              // current position, logical
  std::optional<TRegion> clip;  // device coordinates
};

enum class TDcKind { Window, Memory, Screen };

struct TDcObject : TGdiObject {
  TDcObject() : TGdiObject(TGdiKind::DC) {}
  TDcKind dcKind = TDcKind::Memory;
  // Window DCs: the window, how it was asked for, and the part of the
  // client area a BeginPaint DC is limited to (client coordinates).
  HWND hwnd = nullptr;
  DWORD dcxFlags = 0;
  std::optional<TRegion> paintArea;
  std::optional<TRegion> extraClip;    // DCX_INTERSECTRGN, client coordinates
  std::optional<TRegion> excludeClip;  // DCX_EXCLUDERGN, client coordinates
  bool inPaint = false;                // made by BeginPaint
  TDcAttributes attrs;
  std::vector<TDcAttributes> saved;
};

namespace gdi {

// Adds an object; returns its handle.
void* Register(std::shared_ptr<TGdiObject> object);
// The object of a handle, or nullptr.
std::shared_ptr<TGdiObject> Lookup(const void* handle);
template <class T>
std::shared_ptr<T> LookupAs(const void* handle, TGdiKind kind) {
  auto o = Lookup(handle);
  return o && o->kind == kind ? std::static_pointer_cast<T>(o) : nullptr;
}
// Removes a handle (the object lives on while shared).
bool Unregister(const void* handle);
template <class T, class O>
T HandleOf(const std::shared_ptr<O>& o) {
  return static_cast<T>(static_cast<void*>(o.get()));
}

std::shared_ptr<TDcObject> Dc(HDC dc);
std::shared_ptr<TBrushObject> Brush(HBRUSH brush);  // also the colour-index brushes
std::shared_ptr<TBitmapObject> Bitmap(HBITMAP bitmap);
std::shared_ptr<TFontObject> Font(HFONT font);

// The stock objects in their shared form (for defaults of new DCs).
std::shared_ptr<TPenObject> StockPen(int index);
std::shared_ptr<TBrushObject> StockBrush(int index);
std::shared_ptr<TFontObject> StockFont(int index);

// The value of a region handle; false for an invalid handle.
bool RegionValue(HRGN region, TRegion& out);
bool SetRegionValue(HRGN region, const TRegion& value);

// The 1x1 monochrome bitmap a new memory DC starts with.
std::shared_ptr<TBitmapObject> NewDefaultBitmap();

}  // namespace gdi
