// platform/controls/Buttons.cpp
#include "platform/controls/Buttons.h"

#include <algorithm>

#include "platform/controls/ControlsProperties.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  control_style_ =
      TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csOpaque};
  SetBounds(0, 0, 23, 22);
  SetColor(clBtnFace);
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(const TBitmap* value) {
  if (value)
    glyph_->Assign(value);
  else
    glyph_->SetHandle(nullptr);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(Integer value) {
  if (value < 1 || value > 4 || value == num_glyphs_) return;
  num_glyphs_ = value;
  Invalidate();
}

void TSpeedButton::SetFlat(bool value) {
  if (flat_ == value) return;
  flat_ = value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  SetOpaque(!value);
  Invalidate();
}

void TSpeedButton::SetGroupIndex(Integer value) {
  if (group_index_ == value) return;
  group_index_ = value;
  if (value == 0) SetDown(false);
}

void TSpeedButton::SetDown(bool value) {
  // Outside a group a button cannot stay down; in one, the last down button
  // stays down unless the group allows all up.
  if (group_index_ == 0) value = false;
  if (down_ == value) return;
  if (!value && !allow_all_up_) {
    bool otherDown = false;
    if (Parent())
      for (Integer i = 0; i < Parent()->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            b && b != this && b->group_index_ == group_index_ && b->down_)
          otherDown = true;
    if (!otherDown) return;
  }
  down_ = value;
  if (value && Parent())
    for (Integer i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
          b && b != this && b->group_index_ == group_index_ && b->down_) {
        b->down_ = false;
        b->Invalidate();
      }
  Invalidate();
}

void TSpeedButton::Click() {
  if (group_index_ != 0) {
    if (!down_) {
      SetDown(true);
    } else if (allow_all_up_) {
      down_ = false;
      Invalidate();
    }
  }
  TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (button == mbLeft && Enabled()) {
    pressed_ = true;
    Invalidate();
  }
  TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseMove(TShiftState shift, Integer x, Integer y) {
  if (ControlState().Contains(csLButtonDown)) {
    const bool inside = PtInRect(ClientRect(), POINT{x, y});
    if (inside != pressed_) {
      pressed_ = inside;
      Invalidate();
    }
  }
  TGraphicControl::MouseMove(shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (button == mbLeft && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::CMEnabledChanged(TMessage& message) {
  pressed_ = false;
  TGraphicControl::CMEnabledChanged(message);
  Invalidate();
}

Integer TSpeedButton::GlyphIndex() const {
  Integer index = 0;
  if (!Enabled())
    index = 1;
  else if (pressed_)
    index = 2;
  else if (down_)
    index = 3;
  // A button held down that has no fourth image shows the pressed one.
  if (index == 3 && num_glyphs_ < 4) index = 2;
  return index < num_glyphs_ ? index : 0;
}

void TSpeedButton::DrawGlyph(const RECT& face) {
  const Integer w = glyph_->Empty() ? 0 : glyph_->Width() / num_glyphs_;
  const Integer h = w > 0 ? glyph_->Height() : 0;
  const String caption = Caption();
  TCanvas* c = Canvas();
  SIZE text{0, 0};
  if (!caption.empty()) {
    c->Font()->Assign(Font());
    if (!Enabled()) c->Font()->SetColor(clGrayText);
    c->RequiredState(TCanvasState{csHandleValid, csFontValid});
    GetTextExtentPoint32(c->Handle(), caption.data(), static_cast<int>(caption.size()), &text);
  }
  if (w <= 0 && caption.empty()) return;
  const Integer gap = caption.empty() || w <= 0 ? 0 : 4;
  const Integer shift = (pressed_ || down_) ? 1 : 0;
  const Integer x = face.left + (RectWidth(face) - w - gap - text.cx) / 2 + shift;
  if (w > 0) {
    const Integer y = face.top + (RectHeight(face) - h) / 2 + shift;
    HDC src = glyph_->Canvas()->Handle();
    HDC dest = c->Handle();
    const Integer srcX = GlyphIndex() * w;
    if (glyph_->HasAlpha())
      AlphaBlendStraight(dest, x, y, w, h, src, srcX, 0);
    else
      TransparentBlt(dest, x, y, w, h, src, srcX, 0, w, h, ColorToRGB(glyph_->TransparentColor()));
  }
  if (!caption.empty()) {
    c->Brush()->SetStyle(bsClear);
    c->TextOut(x + w + gap, face.top + (RectHeight(face) - text.cy) / 2 + shift, caption);
  }
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  RECT face = ClientRect();
  if (!transparent_) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(face);
  }
  const bool sunken = pressed_ || down_;
  c->RequiredState(TCanvasState{csHandleValid});
  RECT frame = face;
  if (flat_) {
    if (sunken) DrawEdge(c->Handle(), &frame, BDR_SUNKENOUTER, BF_RECT);
  } else {
    DrawEdge(c->Handle(), &frame, sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  }
  InflateRect(&face, -2, -2);
  DrawGlyph(face);
}

void DeclareButtonsProperties() {
  DeclareControlProperties();
  TPublishedClass<TSpeedButton, TControl> button;
  button.AddString("Caption", &TSpeedButton::Caption, &TSpeedButton::SetCaption)
      .AddObject("Glyph", &TSpeedButton::Glyph)
      .AddInteger("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs, 1)
      .AddBoolean("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat, false)
      .AddBoolean("Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent, false)
      .AddInteger("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex, 0)
      .AddBoolean("Down", &TSpeedButton::Down, &TSpeedButton::SetDown, false)
      .AddBoolean("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp, false);
}
