// platform/controls/Canvas.cpp
#include "platform/controls/Canvas.h"

#include "platform/controls/Control.h"
#include "platform/controls/Graphics.h"
#include "platform/controls/WinControl.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Paint.h"

TCanvas::TCanvas() {
  // A tool changed by the program is selected again before the next call.
  font_->OnChange = [this](TObject*) { state_ -= csFontValid; };
  pen_->OnChange = [this](TObject*) { state_ -= csPenValid; };
  brush_->OnChange = [this](TObject*) { state_ -= csBrushValid; };
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
}

HDC TCanvas::Handle() {
  RequiredState(TCanvasState{csHandleValid});
  return handle_;
}

void TCanvas::SetHandle(HDC dc) {
  if (handle_ == dc) return;
  if (handle_) DeselectHandles();
  handle_ = dc;
  state_ = dc ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::DeselectHandles() {
  if (!handle_) return;
  if (old_font_) SelectObject(handle_, old_font_);
  if (old_pen_) SelectObject(handle_, old_pen_);
  if (old_brush_) SelectObject(handle_, old_brush_);
  old_font_ = old_pen_ = old_brush_ = nullptr;
  state_ -= TCanvasState{csFontValid, csPenValid, csBrushValid};
}

void TCanvas::RequiredState(TCanvasState required) {
  if (required.Contains(csHandleValid) && !handle_) {
    CreateHandle();
    if (!handle_) throw EInvalidOperation("Canvas does not allow drawing");
    state_ += csHandleValid;
  }
  if (required.Contains(csFontValid) && !state_.Contains(csFontValid)) CreateFont();
  if (required.Contains(csPenValid) && !state_.Contains(csPenValid)) CreatePen();
  if (required.Contains(csBrushValid) && !state_.Contains(csBrushValid)) CreateBrush();
}

void TCanvas::CreateFont() {
  HGDIOBJ old = SelectObject(handle_, font_->Handle());
  if (!old_font_) old_font_ = old;
  SetTextColor(handle_, ColorToRGB(font_->Color()));
  state_ += csFontValid;
}

void TCanvas::CreatePen() {
  HGDIOBJ old = SelectObject(handle_, pen_->Handle());
  if (!old_pen_) old_pen_ = old;
  // The pen modes are not listed in the order of the R2_ codes.
  static const int kRop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                              R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                              R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                              R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  SetROP2(handle_, kRop2[pen_->Mode()]);
  state_ += csPenValid;
}

void TCanvas::CreateBrush() {
  HGDIOBJ old = SelectObject(handle_, brush_->Handle());
  if (!old_brush_) old_brush_ = old;
  if (brush_->Style() == bsSolid) {
    SetBkColor(handle_, ColorToRGB(brush_->Color()));
    SetBkMode(handle_, OPAQUE);
  } else {
    SetBkColor(handle_, ~ColorToRGB(brush_->Color()) & 0xFFFFFF);
    SetBkMode(handle_, TRANSPARENT);
  }
  state_ += csBrushValid;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

POINT TCanvas::PenPos() {
  RequiredState(TCanvasState{csHandleValid});
  POINT p;
  GetCurrentPositionEx(handle_, &p);
  return p;
}

RECT TCanvas::ClipRect() {
  RequiredState(TCanvasState{csHandleValid});
  RECT r;
  GetClipBox(handle_, &r);
  return r;
}

void TCanvas::MoveTo(Integer x, Integer y) {
  RequiredState(TCanvasState{csHandleValid});
  MoveToEx(handle_, x, y, nullptr);
}

void TCanvas::LineTo(Integer x, Integer y) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::LineTo(handle_, x, y);
  Changed();
}

void TCanvas::Rectangle(Integer x1, Integer y1, Integer x2, Integer y2) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Rectangle(handle_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::Ellipse(Integer x1, Integer y1, Integer x2, Integer y2) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Ellipse(handle_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::Pie(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3,
                  Integer x4, Integer y4) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Pie(handle_, x1, y1, x2, y2, x3, y3, x4, y4);
  Changed();
}

void TCanvas::Polygon(const std::vector<POINT>& points) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Polygon(handle_, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Polyline(const std::vector<POINT>& points) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Polyline(handle_, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::FillRect(const RECT& r) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  ::FillRect(handle_, &r, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const RECT& r) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  ::FrameRect(handle_, &r, brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const RECT& r) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  ::DrawFocusRect(handle_, &r);
  Changed();
}

void TCanvas::TextOut(Integer x, Integer y, const String& text) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  ::TextOut(handle_, x, y, text.data(), static_cast<int>(text.size()));
  MoveToEx(handle_, x + TextWidth(text), y, nullptr);
  Changed();
}

void TCanvas::TextRect(const RECT& r, Integer x, Integer y, const String& text) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  const UINT options = brush_->Style() == bsClear ? ETO_CLIPPED : ETO_CLIPPED | ETO_OPAQUE;
  ExtTextOut(handle_, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

SIZE TCanvas::TextExtent(const String& text) {
  RequiredState(TCanvasState{csHandleValid, csFontValid});
  SIZE s;
  GetTextExtentPoint32(handle_, text.data(), static_cast<int>(text.size()), &s);
  return s;
}

COLORREF TCanvas::Pixels(Integer x, Integer y) {
  RequiredState(TCanvasState{csHandleValid});
  return GetPixel(handle_, x, y);
}

void TCanvas::SetPixels(Integer x, Integer y, COLORREF color) {
  Changing();
  RequiredState(TCanvasState{csHandleValid});
  SetPixelV(handle_, x, y, color);
  Changed();
}

void TCanvas::Draw(Integer x, Integer y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid});
  graphic->Draw(this, RECT{x, y, x + graphic->Width(), y + graphic->Height()});
  Changed();
}

void TCanvas::StretchDraw(const RECT& r, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid});
  graphic->Draw(this, r);
  Changed();
}

void TCanvas::CopyRect(const RECT& dest, TCanvas* source, const RECT& src) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  HDC from = source->Handle();
  StretchBlt(handle_, dest.left, dest.top, RectWidth(dest), RectHeight(dest), from, src.left,
             src.top, RectWidth(src), RectHeight(src), copy_mode_);
  Changed();
}

void TCanvas::Lock() {
  lock_.lock();
  ++lock_count_;
}

void TCanvas::Unlock() {
  --lock_count_;
  lock_.unlock();
}

// --- TControlCanvas --------------------------------------------------------------

TControlCanvas::~TControlCanvas() {
  FreeHandle();
}

void TControlCanvas::SetControl(TControl* control) {
  if (control_ == control) return;
  FreeHandle();
  control_ = control;
}

void TControlCanvas::FreeHandle() {
  if (!own_dc_) return;
  HDC dc = own_dc_;
  own_dc_ = nullptr;
  SetHandle(nullptr);
  ReleaseDC(own_window_, dc);
  own_window_ = nullptr;
}

void TControlCanvas::CreateHandle() {
  if (!control_) return;
  if (auto* w = dynamic_cast<TWinControl*>(control_)) {
    own_window_ = w->Handle();
    own_dc_ = GetDCEx(own_window_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    SetHandle(own_dc_);
    return;
  }
  TWinControl* parent = control_->Parent();
  if (!parent) return;
  own_window_ = parent->Handle();
  own_dc_ = GetDCEx(own_window_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  const RECT b = control_->BoundsRect();
  IntersectClipRect(own_dc_, b.left, b.top, b.right, b.bottom);
  SetViewportOrgEx(own_dc_, b.left, b.top, nullptr);
  SetHandle(own_dc_);
}

void PaintOnCanvas(TCanvas* canvas, HDC dc, TControl* control, const std::function<void()>& paint) {
  // A context the canvas made for drawing outside painting goes back first.
  if (auto* own = dynamic_cast<TControlCanvas*>(canvas)) own->FreeHandle();
  canvas->Lock();
  canvas->SetHandle(dc);
  canvas->Font()->Assign(control->Font());
  canvas->Brush()->SetColor(control->Color());
  TScopeExit release([canvas] {
    canvas->SetHandle(nullptr);
    canvas->Unlock();
  });
  paint();
}
