// platform/controls/Graphics.h
//
// Pictures: TGraphic is anything a canvas can Draw; TBitmap is a 32-bit
// bitmap with a canvas of its own, read from and written to PNG files;
// TPicture holds one graphic (a bitmap here) for controls that show a
// picture. A transparent bitmap leaves out the pixels of its
// TransparentColor (by default the colour of its bottom-left pixel); a
// bitmap read from a PNG with an alpha channel is blended by its alpha.
//
// Threads: GUI thread only.
#pragma once

#include <memory>

#include "platform/controls/Canvas.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Persistent.h"

class TGraphic : public TPersistent {
  ZORVET_CLASS_NAME(TGraphic)

 public:
  ~TGraphic() override = default;
  virtual bool Empty() const = 0;
  virtual Integer Width() const = 0;
  virtual Integer Height() const = 0;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  // Draws the picture into `rect` of the canvas (stretched to it).
  virtual void Draw(TCanvas* canvas, const RECT& rect) = 0;
  virtual void LoadFromFile(const String& fileName) = 0;
  virtual void SaveToFile(const String& fileName) = 0;

  TNotifyEvent OnChange;

 protected:
  void Changed();
  bool transparent_ = false;
};

class TBitmap : public TGraphic {
  ZORVET_CLASS_NAME(TBitmap)

 public:
  TBitmap();
  ~TBitmap() override;

  bool Empty() const override { return handle_ == nullptr; }
  Integer Width() const override { return width_; }
  Integer Height() const override { return height_; }
  // A new size keeps the pixels that still fit; the rest is white.
  void SetWidth(Integer value) { SetSize(value, height_); }
  void SetHeight(Integer value) { SetSize(width_, value); }
  void SetSize(Integer width, Integer height);

  // The bitmap (nullptr while empty); still owned by the TBitmap.
  HBITMAP Handle() const { return handle_; }
  // Takes over a bitmap of the drawing layer (nullptr empties).
  void SetHandle(HBITMAP bitmap);
  // Gives the bitmap away: the caller owns it, the TBitmap is empty.
  HBITMAP ReleaseHandle();
  // Drawing on the bitmap.
  TCanvas* Canvas();

  // Whether the pixels carry alpha to blend with (read from a PNG with transparency).
  bool HasAlpha() const { return has_alpha_; }
  TColor TransparentColor();
  void SetTransparentColor(TColor value);

  void Draw(TCanvas* canvas, const RECT& rect) override;
  // Reads a PNG file; EInvalidGraphic "Cannot read picture file %s" when it cannot.
  void LoadFromFile(const String& fileName) override;
  // Writes a PNG file; EInvalidGraphic "Cannot write picture file %s" when it cannot.
  void SaveToFile(const String& fileName) override;
  void Assign(const TPersistent* source) override;

 private:
  class TBitmapCanvas;
  void FreeContext();
  HDC Context();
  HBITMAP handle_ = nullptr;
  Integer width_ = 0, height_ = 0;
  bool has_alpha_ = false;
  TColor transparent_color_ = clDefault;
  HDC dc_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  std::unique_ptr<TCanvas> canvas_;
};

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

class TPicture : public TPersistent {
  ZORVET_CLASS_NAME(TPicture)

 public:
  TPicture();
  ~TPicture() override;

  // The graphic held (nullptr when none).
  TGraphic* Graphic() const { return graphic_.get(); }
  // Copies `graphic` (nullptr empties).
  void SetGraphic(const TGraphic* graphic);
  // The graphic as a bitmap, made empty when there is none.
  TBitmap* Bitmap();
  Integer Width() const { return graphic_ ? graphic_->Width() : 0; }
  Integer Height() const { return graphic_ ? graphic_->Height() : 0; }
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName);
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};
