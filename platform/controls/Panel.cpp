// platform/controls/Panel.cpp
#include "platform/controls/Panel.h"

#include "platform/win/Font.h"
#include "platform/win/Gdi.h"

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  control_style_ = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                 csOpaque,          csDoubleClicks, csReplicatable};
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
  SetParentColor(false);
}

void TCustomPanel::BordersChanged() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
  if (bevel_inner_ == value) return;
  bevel_inner_ = value;
  BordersChanged();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  if (bevel_outer_ == value) return;
  bevel_outer_ = value;
  BordersChanged();
}

void TCustomPanel::SetBevelWidth(Integer value) {
  if (bevel_width_ == value || value < 1) return;
  bevel_width_ = value;
  BordersChanged();
}

void TCustomPanel::SetBorderWidth(Integer value) {
  if (border_width_ == value || value < 0) return;
  border_width_ = value;
  BordersChanged();
}

void TCustomPanel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TCustomPanel::CMTextChanged(TMessage&) {
  Invalidate();
}

void TCustomPanel::AdjustClientRect(RECT& r) {
  Integer inset = border_width_;
  if (bevel_outer_ != bvNone) inset += bevel_width_;
  if (bevel_inner_ != bvNone) inset += bevel_width_;
  r.left += inset;
  r.top += inset;
  r.right -= inset;
  r.bottom -= inset;
}

void TCustomPanel::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  HDC dc = c->Handle();
  const COLORREF light = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
  if (bevel_outer_ != bvNone) {
    const bool raised = bevel_outer_ == bvRaised;
    Frame3D(dc, r, raised ? light : shadow, raised ? shadow : light, bevel_width_);
  }
  if (border_width_ > 0) {
    HBRUSH face = CreateSolidBrush(ColorToRGB(Color()));
    for (Integer i = 0; i < border_width_; ++i) {
      ::FrameRect(dc, &r, face);
      r.left += 1;
      r.top += 1;
      r.right -= 1;
      r.bottom -= 1;
    }
    DeleteObject(face);
  }
  if (bevel_inner_ != bvNone) {
    const bool raised = bevel_inner_ == bvRaised;
    Frame3D(dc, r, raised ? light : shadow, raised ? shadow : light, bevel_width_);
  }
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  const String caption = Caption();
  if (caption.empty()) return;
  c->Brush()->SetStyle(bsClear);
  static const UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  const UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | kAlign[alignment_];
  c->Font()->Assign(Font());
  c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  DrawText(c->Handle(), caption.c_str(), static_cast<int>(caption.size()), &r, flags);
}
