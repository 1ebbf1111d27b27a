// platform/controls/GraphicsObjects.h
//
// Colours and the three drawing tools of the control layer: TFont, TPen and
// TBrush. Each tool is a small value object that tells its owner when it
// changes (OnChange), so that a control repaints when its font or colour is
// set, and a canvas re-selects a tool the program changed under it.
//
// TColor holds either an RGB value (0x00BBGGRR, as COLORREF) or, with the
// top bit set, a system colour index (clBtnFace = COLOR_BTNFACE | 0x80000000);
// ColorToRGB turns both into the RGB value drawn.
//
// Threads: GUI thread only.
#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Persistent.h"
#include "platform/rtl/Set.h"
#include "platform/win/WinTypes.h"

using TColor = std::int32_t;

constexpr TColor kSystemColorBit = static_cast<TColor>(0x80000000u);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours by index (the same indexes as GetSysColor's).
constexpr TColor SystemColor(int index) {
  return kSystemColorBit | index;
}
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);

// The RGB value a colour draws as (system colours looked up, clNone black).
COLORREF ColorToRGB(TColor color);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

// A font description: face name, size, style and colour. Size is in points
// and Height in pixels (negative: the character height without the internal
// leading, as a font's height is given); setting either sets the other
// through PixelsPerInch.
class TFont : public TPersistent {
  ZORVET_CLASS_NAME(TFont)

 public:
  TFont();
  ~TFont() override;

  const String& Name() const { return name_; }
  void SetName(const String& value);
  Integer Height() const { return height_; }
  void SetHeight(Integer value);
  Integer Size() const;
  void SetSize(Integer points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch value);
  Integer PixelsPerInch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(Integer value) { pixels_per_inch_ = value; }

  // The drawing layer's font for this description, made on first use and
  // remade after a change; owned by the font.
  HFONT Handle();

  void Assign(const TPersistent* source) override;
  bool SameAs(const TFont& other) const;

  TNotifyEvent OnChange;

 private:
  void Changed();
  void FreeHandle();
  String name_ = "MS Sans Serif";
  Integer height_ = -11;  // 8 points at 96 dots per inch
  TFontStyles style_;
  TColor color_ = clWindowText;
  TFontPitch pitch_ = fpDefault;
  Integer pixels_per_inch_ = 96;
  HFONT handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};

class TPen : public TPersistent {
  ZORVET_CLASS_NAME(TPen)

 public:
  TPen();
  ~TPen() override;

  TColor Color() const { return color_; }
  void SetColor(TColor value);
  Integer Width() const { return width_; }
  void SetWidth(Integer value);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle value);
  // The raster operation lines are drawn with (R2_ code = mode + 1).
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode value);

  HPEN Handle();

  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  void Changed();
  void FreeHandle();
  TColor color_ = clBlack;
  Integer width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  HPEN handle_ = nullptr;
};

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

class TBrush : public TPersistent {
  ZORVET_CLASS_NAME(TBrush)

 public:
  TBrush();
  ~TBrush() override;

  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle value);

  // The drawing layer's brush (a hollow one for bsClear); owned by the brush.
  HBRUSH Handle();
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  void Changed();
  void FreeHandle();
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  HBRUSH handle_ = nullptr;
};
