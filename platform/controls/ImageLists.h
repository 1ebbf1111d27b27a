// platform/controls/ImageLists.h
//
// TCustomImageList / TImageList: a component holding a row of same-sized
// images (Width x Height, 16 x 16 by default) in an image list of the
// drawing layer (Handle). Controls draw their pictures from it by index.
// The list is made when first needed; changing Width or Height empties it.
// With ShareImages the handle belongs to someone else (the shell's system
// image list) and is never destroyed by the component.
#pragma once

#include "platform/controls/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

class TCustomImageList : public TComponent {
  ZORVET_CLASS_NAME(TCustomImageList)

 public:
  explicit TCustomImageList(TComponent* owner);
  ~TCustomImageList() override;

  Integer Width() const { return width_; }
  void SetWidth(Integer value);
  Integer Height() const { return height_; }
  void SetHeight(Integer value);
  Integer Count();
  // Whether images carry masks (set before the list is made).
  bool Masked() const { return masked_; }
  void SetMasked(bool value) { masked_ = value; }
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor value);
  bool ShareImages() const { return share_images_; }
  void SetShareImages(bool value) { share_images_ = value; }

  // The image list, made when missing.
  HIMAGELIST Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Takes `list` over (destroying the one held unless shared); Width and
  // Height follow it.
  void SetHandle(HIMAGELIST list);

  // Adds the images of a bitmap as wide as some images, with an optional
  // mask (white where transparent). Returns the first index, -1 on failure.
  Integer Add(TBitmap* image, TBitmap* mask);
  // Adds with the pixels of `maskColor` transparent.
  Integer AddMasked(TBitmap* image, TColor maskColor);
  void Delete(Integer index);
  void Clear();
  // Draws image `index` at (x, y); a disabled image is drawn blended.
  void Draw(TCanvas* canvas, Integer x, Integer y, Integer index, bool enabled = true);
  // Copies image `index` into `image` (sized to the list's images, on the background colour).
  void GetBitmap(Integer index, TBitmap* image);

  TNotifyEvent OnChange;

 protected:
  void Change();

 private:
  void FreeHandle();
  HIMAGELIST handle_ = nullptr;
  Integer width_ = 16, height_ = 16;
  bool masked_ = true;
  bool share_images_ = false;
  TColor bk_color_ = clNone;
};

class TImageList : public TCustomImageList {
  ZORVET_CLASS_NAME(TImageList)

 public:
  using TCustomImageList::TCustomImageList;
};
