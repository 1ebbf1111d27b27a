// platform/controls/Image.cpp
#include "platform/controls/Image.h"

#include <algorithm>

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() {
  picture_->OnChange = nullptr;
}

void TImage::Changed() {
  Invalidate();
}

void TImage::SetCenter(bool value) {
  if (center_ == value) return;
  center_ = value;
  Changed();
}

void TImage::SetStretch(bool value) {
  if (stretch_ == value) return;
  stretch_ = value;
  Changed();
}

void TImage::SetProportional(bool value) {
  if (proportional_ == value) return;
  proportional_ = value;
  Changed();
}

void TImage::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (TGraphic* g = picture_->Graphic(); g && g->Transparent() != transparent_) {
    // Setting it raises the picture's change again, which lands back here.
    g->SetTransparent(transparent_);
    return;
  }
  AdjustSize();
  Changed();
}

void TImage::AdjustSize() {
  if (!AutoSize() || ComponentState().Contains(csLoading)) return;
  if (picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
}

RECT TImage::DestRect() const {
  const RECT client = ClientRect();
  const Integer cw = RectWidth(client), ch = RectHeight(client);
  Integer w = picture_->Width(), h = picture_->Height();
  if (w <= 0 || h <= 0) return RECT{0, 0, 0, 0};
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_) {
      // The larger scale that still fits both ways, in whole pixels.
      if (std::int64_t{cw} * h <= std::int64_t{ch} * w) {
        h = static_cast<Integer>(std::int64_t{h} * cw / w);
        w = cw;
      } else {
        w = static_cast<Integer>(std::int64_t{w} * ch / h);
        h = ch;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  RECT r{0, 0, w, h};
  if (center_) OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) return;
  Canvas()->StretchDraw(DestRect(), g);
}
