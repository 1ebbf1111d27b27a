// platform/win/Font.h
//
// Fonts and text. Faces are found with fontconfig and drawn with FreeType,
// anti-aliased, from the DejaVu family: "MS Sans Serif", "Tahoma", "Arial",
// "System" and every name not listed below resolve to DejaVu Sans; "Courier"
// and "Courier New" to DejaVu Sans Mono; "Times New Roman" to DejaVu Serif.
// Bold (weight 600 and more) and italic pick the family's bold and oblique
// faces. Glyphs are placed on whole pixels with whole-pixel advances, and
// nothing depends on the machine beyond the installed DejaVu fonts, so the
// same text in the same font gives the same pixels and widths on every run.
//
// Text is UTF-8; counts are in bytes (-1: up to the terminating zero).
// Characters DejaVu lacks are drawn as its empty box.
//
// Threads: GUI thread only.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/win/WinStructs.h"
#include "platform/win/WinTypes.h"

constexpr int LF_FACESIZE = 32;
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_HEAVY = 900;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE RUSSIAN_CHARSET = 204;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE TMPF_FIXED_PITCH = 0x01;  // set when the font is NOT fixed pitch, as on Windows
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;

struct LOGFONT {
  // Negative: the character height (em) in pixels; positive: the cell
  // height (ascent + descent); 0: the default size. See PointsToHeight.
  LONG lfHeight = 0;
  LONG lfWidth = 0;  // ignored: glyphs keep their proportions
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
  BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  char lfFaceName[LF_FACESIZE] = {};
};
using LOGFONTA = LOGFONT;

struct TEXTMETRIC {
  LONG tmHeight = 0;  // ascent + descent
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;  // tmHeight - the em size
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  BYTE tmFirstChar = 0x20;
  BYTE tmLastChar = 0xFF;
  BYTE tmDefaultChar = 0x1F;
  BYTE tmBreakChar = 0x20;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};
using TEXTMETRICA = TEXTMETRIC;

// The lfHeight of a font of `points` points on the screen (96 dots per
// inch): -points * 96 / 72, rounded as MulDiv rounds.
LONG PointsToHeight(int points);
int MulDiv(int number, int numerator, int denominator);

HFONT CreateFontIndirect(const LOGFONT* font);
inline HFONT CreateFontIndirectA(const LOGFONT* font) {
  return CreateFontIndirect(font);
}
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);

// Metrics of the font selected into the DC.
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
inline BOOL GetTextMetricsA(HDC dc, TEXTMETRIC* metrics) {
  return GetTextMetrics(dc, metrics);
}
// Width (sum of advances) and height (tmHeight) of a one-line text.
BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size);
inline BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size) {
  return GetTextExtentPoint32(dc, text, count, size);
}
// How many bytes of `text` fit in `maxExtent` pixels (whole characters);
// `partial`, when given, receives the width up to each character's end.
BOOL GetTextExtentExPoint(HDC dc, LPCSTR text, int count, int maxExtent, int* fit, int* partial,
                          SIZE* size);
int GetTextFace(HDC dc, int count, LPSTR name);

constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);

// Draws in the text colour; in OPAQUE mode the text's cell is first filled
// with the background colour.
BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count);
inline BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  return TextOut(dc, x, y, text, count);
}
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
// ETO_OPAQUE fills `rect` with the background colour (whatever the mode);
// ETO_CLIPPED keeps the text inside `rect`. `dx`, when given, holds the
// advance of each character (one entry per character, not per byte).
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                const int* dx);
inline BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text,
                        UINT count, const int* dx) {
  return ExtTextOut(dc, x, y, options, rect, text, count, dx);
}

constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;
// Formats text in `rect`: lines end at "\n" (and "\r\n") unless
// DT_SINGLELINE; DT_WORDBREAK breaks lines between words where they would
// pass the right edge (a word wider than the rectangle stands alone on its
// line); "&x" underlines x and "&&" is "&" unless DT_NOPREFIX;
// DT_END_ELLIPSIS ends a line that does not fit with "..."; DT_VCENTER and
// DT_BOTTOM apply to single lines. DT_CALCRECT draws nothing and sets
// rect->right and rect->bottom to the text's extent. Text is clipped to
// `rect` unless DT_NOCLIP. Returns the text's height (0 on failure).
int DrawText(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);
inline int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format) {
  return DrawText(dc, text, count, rect, format);
}
