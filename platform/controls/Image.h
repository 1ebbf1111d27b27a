// platform/controls/Image.h
//
// TImage: a picture on a form, without a window. The picture is drawn at
// the top left in its own size, in the middle with Center, scaled to the
// control with Stretch (keeping its proportions with Proportional, which
// also shrinks a picture that is too big). With Transparent the picture's
// transparent colour (a bitmap's bottom-left pixel by default) lets the
// parent show through, so a picture copied out of an image list sits on
// the form's own background. AutoSize makes the control the picture's size.
#pragma once

#include <memory>

#include "platform/controls/CustomControl.h"
#include "platform/controls/Graphics.h"

class TImage : public TGraphicControl {
  ZORVET_CLASS_NAME(TImage)

 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture* Picture() { return picture_.get(); }
  void SetPicture(const TPicture* value) { picture_->Assign(value); }
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

  // Where the picture is drawn, in client coordinates.
  RECT DestRect() const;

 protected:
  void Paint() override;
  void AdjustSize() override;

 private:
  void PictureChanged();
  void Changed();

  std::unique_ptr<TPicture> picture_ = std::make_unique<TPicture>();
  bool center_ = false;
  bool stretch_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
};
