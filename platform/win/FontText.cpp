// platform/win/FontText.cpp
//
// Fonts as objects, text metrics and extents, and drawing a line of text.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/rtl/Unicode.h"
#include "platform/win/FontFace.h"
#include "platform/win/FontText.h"
#include "platform/win/GdiDevice.h"

namespace gdi {

std::shared_ptr<TFontFace> FaceOf(TFontObject& font) {
  if (!font.face) font.face = TFontFace::For(font.log);
  return font.face;
}

std::shared_ptr<TFontFace> FaceOf(TDcObject& dc) {
  if (!dc.attrs.font) dc.attrs.font = StockFont(SYSTEM_FONT);
  return FaceOf(*dc.attrs.font);
}

std::u32string Decode(LPCSTR text, int count) {
  std::u32string out;
  if (!text) return out;
  const std::string_view s(text, count < 0 ? std::strlen(text) : static_cast<size_t>(count));
  for (size_t pos = 0; pos < s.size();) out.push_back(NextCodePoint(s, pos));
  return out;
}

int Width(TFontFace& face, std::u32string_view text) {
  int w = 0;
  for (char32_t c : text) w += face.Advance(c);
  return w;
}

void DrawLine(TDcObject& dc, TPainter& painter, int x, int top, std::u32string_view text,
              const int* dx, const TRect* clip, const std::vector<size_t>* underlined) {
  const auto face = FaceOf(dc);
  const TEXTMETRIC& m = face->Metrics();
  const LOGFONT& lf = dc.attrs.font->log;
  const int baseline = top + m.tmAscent;
  const TPixel color = PixelOfColor(dc.attrs.textColor);
  int pen = x;
  std::vector<std::pair<int, int>> advances;  // start and width of each character
  for (size_t i = 0; i < text.size(); ++i) {
    const TFontFace::TGlyph& g = face->Glyph(text[i]);
    const int advance = dx ? dx[i] : g.advance;
    advances.emplace_back(pen, advance);
    for (int gy = 0; gy < g.height; ++gy) {
      const int py = baseline - g.top + gy;
      for (int gx = 0; gx < g.width; ++gx) {
        const int px = pen + g.left + gx;
        if (clip && !clip->Contains(px, py)) continue;
        painter.Blend(px, py, color, g.coverage[static_cast<size_t>(gy) * g.width + gx]);
      }
    }
    pen += advance;
  }
  auto line = [&](int x0, int x1, int offset) {
    TRect r{x0, baseline + offset, x1, baseline + offset + face->LineThickness()};
    if (clip) r = r.Intersected(*clip);
    painter.Fill(r, TPaint::Solid(color), R2_COPYPEN);
  };
  if (lf.lfUnderline) line(x, pen, face->UnderlineOffset());
  if (lf.lfStrikeOut) line(x, pen, face->StrikeOffset());
  if (underlined)
    for (size_t i : *underlined)
      if (i < advances.size())
        line(advances[i].first, advances[i].first + advances[i].second, face->UnderlineOffset());
}

}  // namespace gdi

LONG PointsToHeight(int points) {
  return -MulDiv(points, 96, 72);
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long p = static_cast<long long>(number) * numerator;
  // Rounds half away from zero, as Windows does.
  const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
  const long long q = ((p < 0) != (denominator < 0)) ? (p - (p < 0 ? half : -half)) / denominator
                                                     : (p + (p < 0 ? -half : half)) / denominator;
  return static_cast<int>(q);
}

HFONT CreateFontIndirect(const LOGFONT* font) {
  if (!font) return nullptr;
  auto f = std::make_shared<TFontObject>();
  f->log = *font;
  f->log.lfFaceName[LF_FACESIZE - 1] = '\0';
  gdi::Register(f);
  return gdi::HandleOf<HFONT>(f);
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic != 0);
  lf.lfUnderline = static_cast<BYTE>(underline != 0);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* metrics) {
  auto dc = gdi::Dc(hdc);
  if (!dc || !metrics) return FALSE;
  const auto face = gdi::FaceOf(*dc);
  *metrics = face->Metrics();
  const LOGFONT& lf = dc->attrs.font->log;
  metrics->tmItalic = lf.lfItalic ? 1 : 0;
  metrics->tmUnderlined = lf.lfUnderline ? 1 : 0;
  metrics->tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  metrics->tmCharSet = lf.lfCharSet;
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR text, int count, SIZE* size) {
  auto dc = gdi::Dc(hdc);
  if (!dc || !size || count < 0 || (!text && count)) return FALSE;
  const auto face = gdi::FaceOf(*dc);
  *size = SIZE{gdi::Width(*face, gdi::Decode(text, count)), face->Metrics().tmHeight};
  return TRUE;
}

BOOL GetTextExtentExPoint(HDC hdc, LPCSTR text, int count, int maxExtent, int* fit, int* partial,
                          SIZE* size) {
  auto dc = gdi::Dc(hdc);
  if (!dc || count < 0 || (!text && count)) return FALSE;
  const auto face = gdi::FaceOf(*dc);
  const std::string_view s(text ? text : "", static_cast<size_t>(count));
  int width = 0, fitted = 0, index = 0;
  bool full = false;
  for (size_t pos = 0; pos < s.size(); ++index) {
    width += face->Advance(NextCodePoint(s, pos));
    if (partial) partial[index] = width;
    if (!full && width <= maxExtent)
      fitted = static_cast<int>(pos);
    else
      full = true;
  }
  if (fit) *fit = fitted;
  if (size) *size = SIZE{width, face->Metrics().tmHeight};
  return TRUE;
}

int GetTextFace(HDC hdc, int count, LPSTR name) {
  auto dc = gdi::Dc(hdc);
  if (!dc) return 0;
  const String family = gdi::FaceOf(*dc)->Family();
  if (!name) return static_cast<int>(family.size()) + 1;
  if (count <= 0) return 0;
  const size_t n = std::min(family.size(), static_cast<size_t>(count - 1));
  std::memcpy(name, family.data(), n);
  name[n] = '\0';
  return static_cast<int>(n);
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOut(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                const int* dx) {
  auto dc = gdi::Dc(hdc);
  if (!dc || (!text && count)) return FALSE;
  TPainter painter = gdi::PainterOf(*dc);
  const std::u32string chars = gdi::Decode(text ? text : "", static_cast<int>(count));
  const auto face = gdi::FaceOf(*dc);
  const TEXTMETRIC& m = face->Metrics();
  int width = 0;
  for (size_t i = 0; i < chars.size(); ++i) width += dx ? dx[i] : face->Advance(chars[i]);

  const UINT align = dc->attrs.textAlign;
  if (align & TA_UPDATECP) {
    x = dc->attrs.position.x;
    y = dc->attrs.position.y;
  }
  TPoint at = gdi::ToDevice(*dc, x, y);
  if ((align & TA_CENTER) == TA_CENTER)
    at.x -= width / 2;
  else if (align & TA_RIGHT)
    at.x -= width;
  if ((align & TA_BASELINE) == TA_BASELINE)
    at.y -= m.tmAscent;
  else if (align & TA_BOTTOM)
    at.y -= m.tmHeight;
  if (align & TA_UPDATECP) {
    // The position moves past the text, or stays at its right end for right-aligned text.
    if (!(align & TA_RIGHT)) dc->attrs.position.x += width;
  }

  const TPaint back = TPaint::Solid(PixelOfColor(dc->attrs.bkColor));
  std::optional<TRect> box;
  if (rect) box = gdi::ToDevice(*dc, TRect::From(*rect));
  if (box && (options & ETO_OPAQUE)) painter.Fill(*box, back, R2_COPYPEN);
  const TRect* clip = box && (options & ETO_CLIPPED) ? &*box : nullptr;
  if (dc->attrs.bkMode == OPAQUE && !(box && (options & ETO_OPAQUE))) {
    TRect cell = TRect::Sized(at.x, at.y, width, m.tmHeight);
    if (clip) cell = cell.Intersected(*clip);
    painter.Fill(cell, back, R2_COPYPEN);
  }
  gdi::DrawLine(*dc, painter, at.x, at.y, chars, dx, clip, nullptr);
  return TRUE;
}
