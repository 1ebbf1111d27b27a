// platform/controls/GraphicsObjects.cpp
#include "platform/controls/GraphicsObjects.h"

#include <cmath>
#include <cstring>

#include "platform/win/Font.h"
#include "platform/win/Gdi.h"

namespace {
// MulDiv as the drawing layer rounds it: to the nearest, halves away from zero.
Integer MulDivRound(Integer a, Integer b, Integer c) {
  if (c == 0) return 0;
  const double v = static_cast<double>(a) * b / c;
  return static_cast<Integer>(std::lround(v));
}
}  // namespace

COLORREF ColorToRGB(TColor color) {
  if (color & kSystemColorBit) return GetSysColor(color & 0xFF);
  if (color == clNone || color == clDefault) return 0;
  return static_cast<COLORREF>(color) & 0xFFFFFF;
}

// --- TFont -------------------------------------------------------------------

TFont::TFont() = default;
TFont::~TFont() {
  FreeHandle();
}

void TFont::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TFont::Changed() {
  FreeHandle();
  if (OnChange) OnChange(this);
}

HFONT TFont::Handle() {
  if (handle_) return handle_;
  LOGFONT lf;
  lf.lfHeight = height_;
  lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = style_.Contains(fsItalic) ? 1 : 0;
  lf.lfUnderline = style_.Contains(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = style_.Contains(fsStrikeOut) ? 1 : 0;
  std::strncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
  handle_ = CreateFontIndirect(&lf);
  return handle_;
}

void TFont::SetName(const String& value) {
  if (value.empty() || name_ == value) return;
  name_ = value;
  Changed();
}

void TFont::SetHeight(Integer value) {
  if (height_ == value) return;
  height_ = value;
  Changed();
}

Integer TFont::Size() const {
  return -MulDivRound(height_, 72, pixels_per_inch_);
}

void TFont::SetSize(Integer points) {
  SetHeight(-MulDivRound(points, pixels_per_inch_, 72));
}

void TFont::SetStyle(TFontStyles value) {
  if (style_ == value) return;
  style_ = value;
  Changed();
}

void TFont::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  Changed();
}

void TFont::SetPitch(TFontPitch value) {
  if (pitch_ == value) return;
  pitch_ = value;
  Changed();
}

bool TFont::SameAs(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
         pitch_ == o.pitch_;
}

void TFont::Assign(const TPersistent* source) {
  if (const auto* f = dynamic_cast<const TFont*>(source)) {
    if (SameAs(*f)) return;
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    pitch_ = f->pitch_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// --- TPen --------------------------------------------------------------------

TPen::TPen() = default;
TPen::~TPen() {
  FreeHandle();
}

void TPen::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TPen::Changed() {
  FreeHandle();
  if (OnChange) OnChange(this);
}

HPEN TPen::Handle() {
  if (!handle_) {
    static const int kStyle[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                 PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    handle_ = CreatePen(kStyle[style_], width_, ColorToRGB(color_));
  }
  return handle_;
}

void TPen::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  Changed();
}

void TPen::SetWidth(Integer value) {
  if (value < 0 || width_ == value) return;
  width_ = value;
  Changed();
}

void TPen::SetStyle(TPenStyle value) {
  if (style_ == value) return;
  style_ = value;
  Changed();
}

void TPen::SetMode(TPenMode value) {
  if (mode_ == value) return;
  mode_ = value;
  Changed();
}

void TPen::Assign(const TPersistent* source) {
  if (const auto* p = dynamic_cast<const TPen*>(source)) {
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// --- TBrush ------------------------------------------------------------------

TBrush::TBrush() = default;
TBrush::~TBrush() {
  FreeHandle();
}

void TBrush::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TBrush::Changed() {
  FreeHandle();
  if (OnChange) OnChange(this);
}

HBRUSH TBrush::Handle() {
  if (handle_) return handle_;
  switch (style_) {
    case bsSolid:
      handle_ = CreateSolidBrush(ColorToRGB(color_));
      break;
    case bsClear:
      return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    default: {
      static const int kHatch[] = {
          0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
      handle_ = CreateHatchBrush(kHatch[style_], ColorToRGB(color_));
      break;
    }
  }
  return handle_;
}

void TBrush::SetColor(TColor value) {
  if (color_ == value && style_ != bsClear) return;
  color_ = value;
  if (style_ == bsClear) style_ = bsSolid;  // a colour asked for is a colour filled with
  Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
  if (style_ == value) return;
  style_ = value;
  Changed();
}

void TBrush::Assign(const TPersistent* source) {
  if (const auto* b = dynamic_cast<const TBrush*>(source)) {
    color_ = b->color_;
    style_ = b->style_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}
