// platform/controls/CustomControl.cpp
#include "platform/controls/CustomControl.h"

#include "platform/win/Gdi.h"

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TCustomControl::~TCustomControl() {
  canvas_->SetHandle(nullptr);
}

void TCustomControl::PaintWindow(HDC dc) {
  PaintOnCanvas(canvas_.get(), dc, this, [this] { Paint(); });
}

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() {
  canvas_->FreeHandle();
  canvas_->SetHandle(nullptr);
}

void TGraphicControl::Dispatch(TMessage& message) {
  if (message.Msg == WM_PAINT)
    WMPaint(message);
  else
    TControl::Dispatch(message);
}

void TGraphicControl::WMPaint(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  if (!dc) return;
  PaintOnCanvas(canvas_.get(), dc, this, [this] { Paint(); });
}
