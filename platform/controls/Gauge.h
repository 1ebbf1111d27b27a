// platform/controls/Gauge.h
//
// TGauge: a windowless progress display. Progress runs from MinValue to
// MaxValue; the part done is drawn in ForeColor over BackColor as a
// horizontal or vertical bar, a pie wedge growing clockwise from twelve
// o'clock, or a needle; gkText shows only the figure. With ShowText the
// percentage done is written in the middle in the control's font.
#pragma once

#include "platform/controls/CustomControl.h"
#include "platform/controls/Form.h"

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

class TGauge : public TGraphicControl {
  ZORVET_CLASS_NAME(TGauge)

 public:
  explicit TGauge(TComponent* owner);

  TGaugeKind Kind() const { return kind_; }
  void SetKind(TGaugeKind value);
  TFormBorderStyle BorderStyle() const { return border_style_; }
  // bsNone or bsSingle; the other styles mean bsSingle.
  void SetBorderStyle(TFormBorderStyle value);
  TColor ForeColor() const { return fore_color_; }
  void SetForeColor(TColor value);
  TColor BackColor() const { return back_color_; }
  void SetBackColor(TColor value);
  bool ShowText() const { return show_text_; }
  void SetShowText(bool value);

  Integer MinValue() const { return min_value_; }
  // Moves Progress into the new range when it falls outside.
  void SetMinValue(Integer value);
  Integer MaxValue() const { return max_value_; }
  void SetMaxValue(Integer value);
  Integer Progress() const { return progress_; }
  // Clamped to MinValue..MaxValue.
  void SetProgress(Integer value);
  void AddProgress(Integer value);
  // Whole percent done, 0 when the range is empty.
  Integer PercentDone() const;

 protected:
  void Paint() override;

 private:
  void Changed();
  void PaintBar(const RECT& r);
  void PaintPie(const RECT& r);
  void PaintNeedle(const RECT& r);
  void PaintPercent(const RECT& r);
  // The angle done, as a fraction of a full turn.
  double Fraction() const;

  TGaugeKind kind_ = gkHorizontalBar;
  TFormBorderStyle border_style_ = bsSingle;
  TColor fore_color_ = clBlack;
  TColor back_color_ = clWhite;
  bool show_text_ = true;
  Integer min_value_ = 0;
  Integer max_value_ = 100;
  Integer progress_ = 0;
};
