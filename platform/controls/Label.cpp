// platform/controls/Label.cpp
#include "platform/controls/Label.h"

#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Paint.h"

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  control_style_ += csReplicatable;
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

void TCustomLabel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  SetOpaque(!value);
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (word_wrap_ == value) return;
  word_wrap_ = value;
  AdjustSize();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (show_accel_char_ == value) return;
  show_accel_char_ = value;
  AdjustSize();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  if (focus_control_ == value) return;
  if (focus_control_) focus_control_->RemoveFreeNotification(this);
  focus_control_ = value;
  if (value) value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == focus_control_) focus_control_ = nullptr;
}

void TCustomLabel::CMTextChanged(TMessage&) {
  AdjustSize();
  Invalidate();
}

void TCustomLabel::CMFontChanged(TMessage& message) {
  TGraphicControl::CMFontChanged(message);
}

UINT TCustomLabel::TextFlags() const {
  static const UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  UINT flags = DT_EXPANDTABS | kAlign[alignment_];
  if (word_wrap_) flags |= DT_WORDBREAK;
  if (!show_accel_char_) flags |= DT_NOPREFIX;
  return flags;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustSize();
}

void TCustomLabel::AdjustSize() {
  if (!AutoSize() || ComponentState().Contains(csLoading)) return;
  const String text = text_;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  RECT r{0, 0, word_wrap_ ? Width() : 0, 0};
  // An empty label keeps the height of one line.
  const String measured = text.empty() ? String(" ") : text;
  DrawText(dc, measured.c_str(), static_cast<int>(measured.size()), &r,
           (TextFlags() & ~(DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  Integer left = Left();
  const Integer w = RectWidth(r);
  // A right-aligned label grows to the left, a centred one both ways.
  if (!word_wrap_ && alignment_ == taRightJustify) left += Width() - w;
  if (!word_wrap_ && alignment_ == taCenter) left += (Width() - w) / 2;
  SetBounds(left, Top(), w, RectHeight(r));
}

void TCustomLabel::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  if (!transparent_) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
  }
  c->Brush()->SetStyle(bsClear);
  const String text = text_;
  if (text.empty()) return;
  const UINT flags = TextFlags();
  if (layout_ != tlTop) {
    RECT calc = r;
    DrawText(c->Handle(), text.c_str(), static_cast<int>(text.size()), &calc, flags | DT_CALCRECT);
    const Integer h = RectHeight(calc);
    const Integer shift = layout_ == tlBottom ? RectHeight(r) - h : (RectHeight(r) - h) / 2;
    r.top += shift;
  }
  c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  HDC dc = c->Handle();
  SetBkMode(dc, TRANSPARENT);
  if (!Enabled()) {
    // Greyed: the text in highlight, offset, under the text in shadow.
    RECT lit = r;
    OffsetRect(lit, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &lit, flags);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
  } else {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
  }
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
}
