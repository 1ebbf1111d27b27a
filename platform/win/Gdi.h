// platform/win/Gdi.h
//
// Drawing: device contexts, pens, brushes, bitmaps, regions, raster
// operations, shapes, blits and the system colours, with the names, values
// and behaviour of the Windows drawing interface.
//
// Coordinates. A device context maps a logical point p to p + viewport
// origin - window origin (MM_TEXT only) in device pixels; device pixels of a
// window DC are the window's client (or, for GetWindowDC, window) pixels,
// placed in the surface of its top-level window. Rectangles are half-open:
// FillRect(0, 0, 2, 2) paints four pixels.
//
// Clipping. What a call may touch is the DC's visible region (the window's
// visible part, Paint.h; a bitmap's bounds) intersected with the clip region
// the program selected. Both are kept as canonical regions, so no pixel is
// ever touched twice by one call: XOR drawings undo themselves exactly.
//
// Objects and handles. Pens, brushes, fonts, bitmaps and regions are objects
// behind handles. DeleteObject makes the handle invalid at once; an object
// still selected into a DC lives on in that DC until it is deselected, so
// deleting too early never leaves a DC pointing at freed memory. Stock
// objects (GetStockObject, GetSysColorBrush) cannot be deleted.
//
// Threads: GUI thread only, like the window model.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/win/WinStructs.h"
#include "platform/win/WinTypes.h"

// --- Colours -------------------------------------------------------------------

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) {
  return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
  return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
  return static_cast<BYTE>((c >> 16) & 0xFF);
}
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

// System colours: one fixed scheme (the classic grey one), the same on every
// machine so that screenshots compare.
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_DESKTOP = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_3DSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DHILIGHT = 20;
constexpr int COLOR_3DHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;
constexpr int COLOR_ENDCOLORS = 30;

// 0 for an index outside the table.
DWORD GetSysColor(int index);
// A stock brush of the colour; nullptr for an index outside the table.
HBRUSH GetSysColorBrush(int index);

// --- Objects -------------------------------------------------------------------

constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;
HGDIOBJ GetStockObject(int index);

// What GetObjectType answers.
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_REGION = 8;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_MEMDC = 10;
DWORD GetObjectType(HGDIOBJ handle);

// Selects a pen, brush, font or bitmap (a bitmap only into a memory DC) and
// returns the one it replaces; for a region, selects a copy as the clip
// region and returns its kind (NULLREGION, ...). nullptr (or ERROR for a
// region) for an invalid handle.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
// Fills LOGPEN, LOGBRUSH, BITMAP, DIBSECTION or LOGFONT (Font.h) for the
// handle's kind; returns the bytes written, 0 for a wrong size or handle.
int GetObject(HGDIOBJ object, int size, void* buffer);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);

// Pens.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;        // 18 on, 6 off
constexpr int PS_DOT = 2;         // 3 on, 3 off
constexpr int PS_DASHDOT = 3;     // 9 on, 6 off, 3 on, 6 off
constexpr int PS_DASHDOTDOT = 4;  // 9 on, 3 off, 3 on, 3 off, 3 on, 3 off
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_ALTERNATE = 8;  // every other pixel
constexpr int PS_STYLE_MASK = 0x0F;
struct LOGPEN {
  UINT lopnStyle = PS_SOLID;
  POINT lopnWidth;  // x is the width; 0 and 1 both give one pixel
  COLORREF lopnColor = 0;
};
// Styled (dashed, dotted) pens are drawn one pixel wide, whatever the width,
// as on Windows; the gaps take the background colour in OPAQUE mode.
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);

// Brushes.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;
constexpr UINT BS_HATCHED = 2;
constexpr UINT BS_PATTERN = 3;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;
struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  ULONG_PTR lbHatch = 0;  // hatch style, or the HBITMAP of a pattern brush
};
HBRUSH CreateSolidBrush(COLORREF color);
// Hatch lines in `color`; between them the background colour in OPAQUE mode.
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// Tiles the bitmap (copied, so it may be deleted afterwards) from the
// device origin. A monochrome bitmap paints its 0 bits in the text colour
// and its 1 bits in the background colour at the time of drawing.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
// A brush given as a system colour index + 1 (as window classes and
// FillRect accept them) stands for GetSysColorBrush(index).

// Bitmaps.
struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  LPVOID bmBits = nullptr;
};
struct BITMAPINFOHEADER {
  DWORD biSize = sizeof(BITMAPINFOHEADER);
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: rows bottom-up; negative: top-down
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3] = {};
  HANDLE dshSection = nullptr;
  DWORD dsOffset = 0;
};
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

// `bitsPerPixel` 1 (monochrome, rows padded to 16 bits as Windows has them)
// or 32; `bits` may be nullptr for a cleared bitmap. nullptr for other depths.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// A 32-bit colour bitmap, or a monochrome one when `dc` is a memory DC that
// still has its initial monochrome bitmap, exactly as Windows does.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// 32-bit BI_RGB only: *bits receives the pixel rows (bottom-up for a
// positive biHeight), which the program may write and read directly.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE* size);

// --- Device contexts -------------------------------------------------------------

// A memory DC on the same device (nullptr: the screen), holding a 1x1
// monochrome bitmap until another is selected.
HDC CreateCompatibleDC(HDC dc);
// Deletes a memory DC. (Window DCs go with ReleaseDC or EndPaint, Paint.h.)
BOOL DeleteDC(HDC dc);

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_STRETCHBLT = 0x0800;
// The screen's resolution for every DC (Metrics.h); a memory DC reports the
// size and depth of its bitmap.
int GetDeviceCaps(HDC dc, int index);
// Drawing is never batched here; kept for programs that flush.
BOOL GdiFlush();

// Saves pens, brush, font, colours, modes, origins, current position and the
// clip region; returns the new depth (1 for the first save), 0 on failure.
int SaveDC(HDC dc);
// A positive `saved` returns to that depth, a negative one goes back that
// many saves; FALSE when there is no such save.
BOOL RestoreDC(HDC dc, int saved);

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF SetDCBrushColor(HDC dc, COLORREF color);
COLORREF SetDCPenColor(HDC dc, COLORREF color);

// Raster operations of pens (binary: pen and destination).
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;
// Applies to pens and brushes of lines and shapes (not to text or blits).
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);

constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);

constexpr int STRETCH_ANDSCANS = 1;
constexpr int STRETCH_ORSCANS = 2;
constexpr int STRETCH_DELETESCANS = 3;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
// Stretching always picks the nearest source pixel; the mode is kept only
// to be read back.
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* org);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* org);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);
// Logical to device coordinates and back.
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);

// --- Regions and clipping --------------------------------------------------------

constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// `dest` receives src1 op src2 (src1 alone for RGN_COPY); returns its kind.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
int GetRgnBox(HRGN region, RECT* box);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
BOOL EqualRgn(HRGN a, HRGN b);

// Clip regions are given in device coordinates (as on Windows); nullptr
// removes the clip region. Both return the kind of the resulting clip area.
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
// These two take logical coordinates.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
// The bounds of what may be drawn, in logical coordinates.
int GetClipBox(HDC dc, RECT* rect);
// 1 and a copy of the clip region in `region`; 0 when none is selected.
int GetClipRgn(HDC dc, HRGN region);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* rect);

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC dc, HRGN region);
BOOL PaintRgn(HDC dc, HRGN region);

// --- Rectangles ------------------------------------------------------------------

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL CopyRect(RECT* dest, const RECT* src);
BOOL IsRectEmpty(const RECT* rect);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL InflateRect(RECT* rect, int dx, int dy);
// FALSE (and an empty *dest) when they do not meet.
BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b);
BOOL SubtractRect(RECT* dest, const RECT* a, const RECT* b);

// --- Drawing ---------------------------------------------------------------------

COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);

BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC dc, POINT* pos);
// Draws from the current position up to, not including, (x, y).
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines);

// Shapes are outlined with the pen and filled with the brush, both through
// the ROP2 mode. The bounding rectangle is half-open, as for FillRect.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
// The wedge of the ellipse from the radial through (xr1, yr1)
// counter-clockwise to the radial through (xr2, yr2); a whole ellipse when
// the two radials are the same.
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2);
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2);
BOOL Polygon(HDC dc, const POINT* points, int count);

// FillRect paints with the brush as it is (no ROP2, no pen).
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
// One pixel frame inside the rectangle.
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
// The dotted focus frame, drawn by inverting every other pixel; a second
// call with the same rectangle removes it.
BOOL DrawFocusRect(HDC dc, const RECT* rect);

constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT BDR_OUTER = 0x0003;
constexpr UINT BDR_INNER = 0x000C;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_MIDDLE = 0x0800;
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_ADJUST = 0x2000;
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;
// The two-pixel 3-D bevels of Windows in the system colours; BF_ADJUST
// shrinks *rect to the area inside the drawn edges.
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);
// The class library's bevel: `width` rings, each with its top and left
// sides in `topColor` and its bottom and right sides in `bottomColor`,
// from the outside in; *rect shrinks by `width` on every side.
void Frame3D(HDC dc, RECT& rect, COLORREF topColor, COLORREF bottomColor, int width);

constexpr UINT DFC_CAPTION = 1;
constexpr UINT DFC_MENU = 2;
constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFCS_CAPTIONCLOSE = 0x0000;
constexpr UINT DFCS_CAPTIONMIN = 0x0001;
constexpr UINT DFCS_CAPTIONMAX = 0x0002;
constexpr UINT DFCS_CAPTIONRESTORE = 0x0003;
constexpr UINT DFCS_SCROLLUP = 0x0000;
constexpr UINT DFCS_SCROLLDOWN = 0x0001;
constexpr UINT DFCS_SCROLLLEFT = 0x0002;
constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DFCS_ADJUSTRECT = 0x2000;
constexpr UINT DFCS_FLAT = 0x4000;
constexpr UINT DFCS_MONO = 0x8000;
// The standard parts of controls in the system colours: caption buttons,
// scroll arrows, check boxes, radio buttons and push buttons, raised or
// (DFCS_PUSHED) sunken, greyed with DFCS_INACTIVE. DFC_MENU is not drawn.
// DFCS_ADJUSTRECT shrinks a push button's *rect to inside its edges.
BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);

// --- Blits -----------------------------------------------------------------------

// Ternary raster operations (pattern = the DC's brush, source, destination).
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// Copies between DCs (the same DC too: overlapping areas copy correctly).
// A monochrome source paints its 0 bits in the destination's text colour
// and 1 bits in its background colour; a colour source blitted to a
// monochrome bitmap gives 1 where it has the source DC's background colour.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
// Nearest-pixel scaling; a negative width or height mirrors.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop);
// Copies the source except the pixels of colour `transparent`, scaling as
// StretchBlt does.
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                    int srcWidth, int srcHeight, UINT transparent);
// Blends a 32-bit source with per-pixel alpha (straight alpha) over the
// destination, the way pictures with transparency are drawn.
BOOL AlphaBlendStraight(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY);

// --- Icons -----------------------------------------------------------------------

struct ICONINFO {
  BOOL fIcon = TRUE;
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
  HBITMAP hbmMask = nullptr;   // 1 where the icon is transparent
  HBITMAP hbmColor = nullptr;  // colours; may carry alpha
};
// Icons made from a mask and a colour bitmap (both copied).
HICON CreateIconIndirect(const ICONINFO* info);
// Fills copies of the icon's bitmaps, which the caller deletes.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
BOOL DestroyIcon(HICON icon);
constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flicker,
                UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
