// platform/win/FontFace.cpp
//
// Finding font files with fontconfig and rendering glyphs with FreeType.
// Glyphs are hinted lightly (vertical only) and rendered with 8-bit
// anti-aliasing; advances are rounded to whole pixels so text widths are
// sums of integers and the same on every run.
#include "platform/win/FontFace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringUtils.h"

struct TFontFace::TImpl {
  FT_Face face = nullptr;
  ~TImpl() {
    if (face) FT_Done_Face(face);
  }
};

namespace {

struct TFontLibrary {
  FT_Library library = nullptr;
  std::map<std::pair<String, int>, std::shared_ptr<TFontFace>> faces;  // by file and em size
  std::map<std::tuple<String, bool, bool>, String> files;              // by family, bold, italic
  std::mutex mutex;
  TFontLibrary() {
    if (FT_Init_FreeType(&library)) throw EInvalidOperation("FreeType cannot start");
  }
};

// Fontconfig's state, our own and freed at exit: fontconfig keeps its
// references in a form leak checkers cannot follow, so a configuration left
// alive reads as leaked. Only finding files uses it, never after exit.
FcConfig* FontConfig() {
  static const struct TOwned {
    FcConfig* config = FcInitLoadConfigAndFonts();
    ~TOwned() { FcConfigDestroy(config); }
  } owned;
  return owned.config;
}

// Never destroyed: fonts held by other long-lived tables (stock objects)
// may release their faces at exit after this would have been gone.
TFontLibrary& Library() {
  static TFontLibrary* lib = new TFontLibrary();
  return *lib;
}

// The DejaVu family a Windows face name stands for.
String FamilyFor(const char* faceName) {
  const String name = UpperCase(faceName ? faceName : "");
  if (name.rfind("COURIER", 0) == 0 || name == "FIXEDSYS" || name == "TERMINAL" ||
      name == "LUCIDA CONSOLE" || name == "DEJAVU SANS MONO")
    return "DejaVu Sans Mono";
  if (name.rfind("TIMES", 0) == 0 || name == "DEJAVU SERIF" || name == "GEORGIA")
    return "DejaVu Serif";
  return "DejaVu Sans";
}

String FindFile(TFontLibrary& lib, const String& family, bool bold, bool italic) {
  const auto key = std::make_tuple(family, bold, italic);
  if (auto it = lib.files.find(key); it != lib.files.end()) return it->second;
  String file;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_OBLIQUE : FC_SLANT_ROMAN);
  FcPatternAddInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
  FcConfigSubstitute(FontConfig(), pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  if (FcPattern* match = FcFontMatch(FontConfig(), pattern, &result)) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
      file = reinterpret_cast<char*>(path);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  if (file.empty()) throw EInvalidOperation("No font file for " + family);
  lib.files[key] = file;
  return file;
}

int Scale(long units, int em, int unitsPerEm) {
  return static_cast<int>(std::lround(static_cast<double>(units) * em / unitsPerEm));
}

}  // namespace

std::shared_ptr<TFontFace> TFontFace::For(const LOGFONT& font) {
  TFontLibrary& lib = Library();
  std::lock_guard lock(lib.mutex);
  const String family = FamilyFor(font.lfFaceName);
  const bool bold = font.lfWeight >= FW_SEMIBOLD;
  const String file = FindFile(lib, family, bold, font.lfItalic != 0);

  // The em size: -height directly, a positive height is the cell height
  // (Windows' ascent + descent, from the OS/2 table), 0 the default size.
  FT_Face probe = nullptr;
  if (FT_New_Face(lib.library, file.c_str(), 0, &probe))
    throw EInvalidOperation("Cannot open font " + file);
  const int upem = probe->units_per_EM ? probe->units_per_EM : 2048;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(probe, FT_SFNT_OS2));
  const long winAscent = os2 ? os2->usWinAscent : probe->ascender;
  const long winDescent = os2 ? os2->usWinDescent : -probe->descender;
  int em = 11;
  if (font.lfHeight < 0)
    em = font.lfHeight < -2048 ? 2048 : -font.lfHeight;
  else if (font.lfHeight > 0)
    em = std::max(1, static_cast<int>(std::lround(static_cast<double>(font.lfHeight) * upem /
                                                  (winAscent + winDescent))));
  em = std::min(em, 2048);

  const auto key = std::make_pair(file, em);
  if (auto it = lib.faces.find(key); it != lib.faces.end()) {
    FT_Done_Face(probe);
    return it->second;
  }
  std::shared_ptr<TFontFace> f(new TFontFace());
  f->impl_ = std::make_unique<TImpl>();
  f->impl_->face = probe;
  f->family_ = family;
  f->em_ = em;
  FT_Set_Pixel_Sizes(probe, 0, static_cast<FT_UInt>(em));

  TEXTMETRIC& m = f->metrics_;
  m.tmAscent = Scale(winAscent, em, upem);
  m.tmDescent = Scale(winDescent, em, upem);
  m.tmHeight = m.tmAscent + m.tmDescent;
  m.tmInternalLeading = std::max<LONG>(0, m.tmHeight - em);
  m.tmExternalLeading = std::max(0, Scale(probe->height - (winAscent + winDescent), em, upem));
  m.tmAveCharWidth = os2 ? Scale(os2->xAvgCharWidth, em, upem) : em / 2;
  m.tmMaxCharWidth = Scale(probe->max_advance_width, em, upem);
  m.tmWeight = bold ? FW_BOLD : FW_NORMAL;
  m.tmPitchAndFamily =
      static_cast<BYTE>(TMPF_TRUETYPE | TMPF_VECTOR |
                        (family == "DejaVu Sans Mono" ? FF_MODERN : (TMPF_FIXED_PITCH | FF_SWISS)));
  m.tmCharSet = DEFAULT_CHARSET;
  f->lineThickness_ = std::max(1, Scale(probe->underline_thickness, em, upem));
  f->underlineOffset_ = std::max(1, -Scale(probe->underline_position, em, upem));
  const long strike = os2 && os2->yStrikeoutPosition ? os2->yStrikeoutPosition : upem / 4;
  f->strikeOffset_ = -Scale(strike, em, upem);
  lib.faces[key] = f;
  return f;
}

TFontFace::~TFontFace() = default;

const TFontFace::TGlyph& TFontFace::Glyph(char32_t code) {
  if (auto it = glyphs_.find(code); it != glyphs_.end()) return it->second;
  TGlyph g;
  FT_Face face = impl_->face;
  const FT_UInt index = FT_Get_Char_Index(face, code);
  if (!FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) &&
      !FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL)) {
    const FT_GlyphSlot slot = face->glyph;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(slot->bitmap.width);
    g.height = static_cast<int>(slot->bitmap.rows);
    g.coverage.resize(static_cast<size_t>(g.width) * g.height);
    for (int y = 0; y < g.height; ++y)
      std::memcpy(g.coverage.data() + static_cast<size_t>(y) * g.width,
                  slot->bitmap.buffer + y * slot->bitmap.pitch, static_cast<size_t>(g.width));
  }
  return glyphs_.emplace(code, std::move(g)).first->second;
}
