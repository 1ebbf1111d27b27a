// platform/controls/Gauge.cpp
#include "platform/controls/Gauge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/win/Font.h"
#include "platform/win/Gdi.h"

TGauge::TGauge(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 100, 100);
}

void TGauge::Changed() {
  Invalidate();
}

void TGauge::SetKind(TGaugeKind value) {
  if (kind_ == value) return;
  kind_ = value;
  Changed();
}

void TGauge::SetBorderStyle(TFormBorderStyle value) {
  if (value != bsNone) value = bsSingle;
  if (border_style_ == value) return;
  border_style_ = value;
  Changed();
}

void TGauge::SetForeColor(TColor value) {
  if (fore_color_ == value) return;
  fore_color_ = value;
  Changed();
}

void TGauge::SetBackColor(TColor value) {
  if (back_color_ == value) return;
  back_color_ = value;
  Changed();
}

void TGauge::SetShowText(bool value) {
  if (show_text_ == value) return;
  show_text_ = value;
  Changed();
}

void TGauge::SetMinValue(Integer value) {
  if (min_value_ == value) return;
  min_value_ = value;
  if (max_value_ < value) max_value_ = value;
  progress_ = std::clamp(progress_, min_value_, max_value_);
  Changed();
}

void TGauge::SetMaxValue(Integer value) {
  if (max_value_ == value) return;
  max_value_ = value;
  if (min_value_ > value) min_value_ = value;
  progress_ = std::clamp(progress_, min_value_, max_value_);
  Changed();
}

void TGauge::SetProgress(Integer value) {
  value = std::clamp(value, min_value_, max_value_);
  if (progress_ == value) return;
  progress_ = value;
  Changed();
}

void TGauge::AddProgress(Integer value) {
  const std::int64_t sum = std::int64_t{progress_} + value;
  SetProgress(static_cast<Integer>(std::clamp<std::int64_t>(sum, min_value_, max_value_)));
}

// In 64 bits: a disk's byte counts near the top of the range would
// overflow when multiplied by 100.
Integer TGauge::PercentDone() const {
  const std::int64_t range = std::int64_t{max_value_} - min_value_;
  if (range <= 0) return 0;
  return static_cast<Integer>((std::int64_t{progress_} - min_value_) * 100 / range);
}

double TGauge::Fraction() const {
  const double range = double(max_value_) - double(min_value_);
  if (range <= 0) return 0;
  return (double(progress_) - double(min_value_)) / range;
}

void TGauge::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  if (border_style_ == bsSingle) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBlack);
    c->FrameRect(r);
    InflateRect(&r, -1, -1);
  }
  switch (kind_) {
    case gkText:
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(back_color_);
      c->FillRect(r);
      break;
    case gkHorizontalBar:
    case gkVerticalBar:
      PaintBar(r);
      break;
    case gkPie:
      PaintPie(r);
      break;
    case gkNeedle:
      PaintNeedle(r);
      break;
  }
  if (show_text_) PaintPercent(r);
}

void TGauge::PaintBar(const RECT& r) {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(back_color_);
  c->FillRect(r);
  RECT done = r;
  const double f = Fraction();
  if (kind_ == gkHorizontalBar)
    done.right = r.left + static_cast<Integer>(std::lround(f * RectWidth(r)));
  else
    done.top = r.bottom - static_cast<Integer>(std::lround(f * RectHeight(r)));
  if (IsRectEmpty(&done)) return;
  c->Brush()->SetColor(fore_color_);
  c->FillRect(done);
}

void TGauge::PaintPie(const RECT& r) {
  TCanvas* c = Canvas();
  c->Pen()->SetColor(clBlack);
  c->Pen()->SetStyle(psSolid);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(back_color_);
  c->Ellipse(r.left, r.top, r.right, r.bottom);
  const double f = Fraction();
  if (f <= 0) return;
  c->Brush()->SetColor(fore_color_);
  if (f >= 1) {
    c->Ellipse(r.left, r.top, r.right, r.bottom);
    return;
  }
  // The wedge runs counter-clockwise from the radial of the part done back
  // to twelve o'clock, which reads as growing clockwise from the top.
  const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  const double radius = std::max(RectWidth(r), RectHeight(r));
  const double angle = f * 2 * std::numbers::pi;
  const auto ex = static_cast<Integer>(std::lround(cx + std::sin(angle) * radius));
  const auto ey = static_cast<Integer>(std::lround(cy - std::cos(angle) * radius));
  // A wedge thinner than a pixel ends where it starts, and a pie whose two
  // radials meet is a whole ellipse: a nearly empty disc must not look full.
  if (ex == std::lround(cx) && f < 0.5) return;
  c->Pie(r.left, r.top, r.right, r.bottom, ex, ey, static_cast<Integer>(std::lround(cx)),
         r.top - 1);
}

void TGauge::PaintNeedle(const RECT& r) {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(back_color_);
  c->FillRect(r);
  // A half dial standing on the bottom edge; the needle sweeps from left
  // (nothing done) over the top to right (all done).
  const double cx = (r.left + r.right) / 2.0;
  const double cy = r.bottom - 1;
  const double radius = std::min(RectWidth(r) / 2.0, double(RectHeight(r)) - 1);
  const double angle = std::numbers::pi * (1 - Fraction());
  c->Pen()->SetColor(fore_color_);
  c->Pen()->SetStyle(psSolid);
  c->MoveTo(static_cast<Integer>(std::lround(cx)), static_cast<Integer>(std::lround(cy)));
  c->LineTo(static_cast<Integer>(std::lround(cx + std::cos(angle) * radius)),
            static_cast<Integer>(std::lround(cy - std::sin(angle) * radius)));
}

void TGauge::PaintPercent(const RECT& r) {
  TCanvas* c = Canvas();
  const String text = std::to_string(PercentDone()) + "%";
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsClear);
  RECT box = r;
  c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  SetBkMode(c->Handle(), TRANSPARENT);
  DrawText(c->Handle(), text.c_str(), static_cast<int>(text.size()), &box,
           DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
