// platform/controls/Graphics.cpp
#include "platform/controls/Graphics.h"

#include "platform/rtl/Format.h"
#include "platform/win/Gdi.h"
#include "platform/win/Png.h"

void TGraphic::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

// --- TBitmap -----------------------------------------------------------------------

// The bitmap's canvas draws on the bitmap's memory context.
class TBitmap::TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}

 protected:
  void CreateHandle() override {
    if (bitmap_->Empty()) bitmap_->SetSize(1, 1);
    SetHandle(bitmap_->Context());
  }

 private:
  TBitmap* bitmap_;
};

namespace {
HBITMAP NewDib(Integer width, Integer height) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &bi, 0, &bits, nullptr, 0);
}
}  // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  FreeContext();
  if (handle_) DeleteObject(handle_);
}

void TBitmap::FreeContext() {
  if (canvas_) canvas_->SetHandle(nullptr);
  if (!dc_) return;
  SelectObject(dc_, old_bitmap_);
  DeleteDC(dc_);
  dc_ = nullptr;
  old_bitmap_ = nullptr;
}

HDC TBitmap::Context() {
  if (!dc_ && handle_) {
    dc_ = CreateCompatibleDC(nullptr);
    old_bitmap_ = SelectObject(dc_, handle_);
  }
  return dc_;
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

void TBitmap::SetSize(Integer width, Integer height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_ && handle_) return;
  HBITMAP fresh = width > 0 && height > 0 ? NewDib(width, height) : nullptr;
  if (fresh) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, fresh);
    const RECT all{0, 0, width, height};
    ::FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (handle_)
      BitBlt(dc, 0, 0, std::min(width, width_), std::min(height, height_), Context(), 0, 0,
             SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  FreeContext();
  if (handle_) DeleteObject(handle_);
  handle_ = fresh;
  width_ = fresh ? width : 0;
  height_ = fresh ? height : 0;
  Changed();
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  FreeContext();
  if (handle_ && handle_ != bitmap) DeleteObject(handle_);
  handle_ = bitmap;
  width_ = height_ = 0;
  has_alpha_ = false;
  if (bitmap) {
    BITMAP info;
    GetObject(bitmap, sizeof(info), &info);
    width_ = info.bmWidth;
    height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  }
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeContext();
  HBITMAP h = handle_;
  handle_ = nullptr;
  width_ = height_ = 0;
  has_alpha_ = false;
  return h;
}

TColor TBitmap::TransparentColor() {
  if (transparent_color_ != clDefault) return transparent_color_;
  if (Empty()) return clNone;
  return static_cast<TColor>(GetPixel(Context(), 0, height_ - 1));
}

void TBitmap::SetTransparentColor(TColor value) {
  if (transparent_color_ == value) return;
  transparent_color_ = value;
  Changed();
}

void TBitmap::Draw(TCanvas* canvas, const RECT& r) {
  if (Empty()) return;
  HDC dest = canvas->Handle();
  HDC src = Context();
  const bool sameSize = RectWidth(r) == width_ && RectHeight(r) == height_;
  if (has_alpha_ && sameSize)
    AlphaBlendStraight(dest, r.left, r.top, width_, height_, src, 0, 0);
  else if (transparent_)
    TransparentBlt(dest, r.left, r.top, RectWidth(r), RectHeight(r), src, 0, 0, width_, height_,
                   ColorToRGB(TransparentColor()));
  else
    StretchBlt(dest, r.left, r.top, RectWidth(r), RectHeight(r), src, 0, 0, width_, height_,
               canvas->CopyMode());
}

void TBitmap::LoadFromFile(const String& fileName) {
  HBITMAP b = LoadPngBitmap(fileName);
  if (!b) throw EInvalidGraphic(Format("Cannot read picture file %s", fileName));
  SetHandle(b);
  has_alpha_ = true;
}

void TBitmap::SaveToFile(const String& fileName) {
  if (!handle_ || !SaveBitmapPng(handle_, fileName, has_alpha_))
    throw EInvalidGraphic(Format("Cannot write picture file %s", fileName));
}

void TBitmap::Assign(const TPersistent* source) {
  if (!source) {
    SetHandle(nullptr);
    return;
  }
  if (const auto* b = dynamic_cast<const TBitmap*>(source)) {
    if (b == this) return;
    auto* from = const_cast<TBitmap*>(b);
    HBITMAP copy = nullptr;
    if (!from->Empty()) {
      copy = NewDib(from->width_, from->height_);
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, copy);
      BitBlt(dc, 0, 0, from->width_, from->height_, from->Context(), 0, 0, SRCCOPY);
      SelectObject(dc, old);
      DeleteDC(dc);
    }
    SetHandle(copy);
    has_alpha_ = from->has_alpha_;
    transparent_ = from->transparent_;
    transparent_color_ = from->transparent_color_;
    return;
  }
  TGraphic::Assign(source);
}

// --- TPicture ----------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (!graphic) {
    graphic_.reset();
  } else {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(graphic);
    copy->OnChange = [this](TObject*) { Changed(); };
    graphic_ = std::move(copy);
  }
  Changed();
}

TBitmap* TPicture::Bitmap() {
  auto* b = dynamic_cast<TBitmap*>(graphic_.get());
  if (!b) {
    auto fresh = std::make_unique<TBitmap>();
    fresh->OnChange = [this](TObject*) { Changed(); };
    b = fresh.get();
    graphic_ = std::move(fresh);
  }
  return b;
}

void TPicture::LoadFromFile(const String& fileName) {
  auto fresh = std::make_unique<TBitmap>();
  fresh->LoadFromFile(fileName);
  fresh->OnChange = [this](TObject*) { Changed(); };
  graphic_ = std::move(fresh);
  Changed();
}

void TPicture::SaveToFile(const String& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const TPersistent* source) {
  if (!source) {
    SetGraphic(nullptr);
    return;
  }
  if (const auto* p = dynamic_cast<const TPicture*>(source)) {
    SetGraphic(p->Graphic());
    return;
  }
  if (const auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(source);
}
