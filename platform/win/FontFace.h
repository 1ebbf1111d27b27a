// platform/win/FontFace.h
//
// One font face at one pixel size, with its metrics and rendered glyphs.
// Internal to the drawing layer: fonts (Font.h) resolve to faces here.
//
// Faces are shared: every font asking for the same file at the same size
// gets the same face and glyph cache, which lives as long as the process.
//
// Threads: GUI thread only (the cache is not guarded).
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/win/Font.h"

class TFontFace {
 public:
  struct TGlyph {
    int advance = 0;  // whole pixels
    int left = 0;     // bitmap's left edge from the pen position
    int top = 0;      // bitmap's top edge above the baseline
    int width = 0;
    int height = 0;
    std::vector<BYTE> coverage;  // width * height, 0..255
  };

  // The face a logical font resolves to (see Font.h for the rules).
  static std::shared_ptr<TFontFace> For(const LOGFONT& font);
  ~TFontFace();

  // Metrics without the logical font's own flags (italic, underline, ...).
  const TEXTMETRIC& Metrics() const { return metrics_; }
  const String& Family() const { return family_; }
  int EmPixels() const { return em_; }
  // Underline and strike-out lines: offset of their top below the baseline
  // (negative: above) and thickness, in pixels.
  int UnderlineOffset() const { return underlineOffset_; }
  int StrikeOffset() const { return strikeOffset_; }
  int LineThickness() const { return lineThickness_; }

  const TGlyph& Glyph(char32_t code);
  int Advance(char32_t code) { return Glyph(code).advance; }

  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

 private:
  TFontFace() = default;
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
  TEXTMETRIC metrics_;
  String family_;
  int em_ = 0;
  int underlineOffset_ = 1;
  int strikeOffset_ = -3;
  int lineThickness_ = 1;
  std::unordered_map<char32_t, TGlyph> glyphs_;
};
