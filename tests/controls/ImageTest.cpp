#include "platform/controls/Image.h"

#include "platform/controls/ImageLists.h"
#include "platform/win/Paint.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class ImageTest : public ControlTest {
 protected:
  // A w by h bitmap filled with `color`.
  static void Fill(TBitmap* b, int w, int h, TColor color) {
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(RECT{0, 0, w, h});
  }
};

struct TPlaceCase {
  bool center, stretch, proportional;
  RECT expected;  // for a 20 by 10 picture in a 60 by 40 image
};

class ImagePlacement : public ImageTest, public ::testing::WithParamInterface<TPlaceCase> {};

TEST_P(ImagePlacement, ThePictureIsPlacedAsTheSettingsSay) {
  TImage image(nullptr);
  image.SetBounds(0, 0, 60, 40);
  Fill(image.Picture()->Bitmap(), 20, 10, clRed);
  image.SetCenter(GetParam().center);
  image.SetStretch(GetParam().stretch);
  image.SetProportional(GetParam().proportional);
  const RECT r = image.DestRect();
  const RECT e = GetParam().expected;
  EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom), std::tie(e.left, e.top, e.right, e.bottom));
}

INSTANTIATE_TEST_SUITE_P(Settings, ImagePlacement,
                         ::testing::Values(TPlaceCase{false, false, false, RECT{0, 0, 20, 10}},
                                           TPlaceCase{true, false, false, RECT{20, 15, 40, 25}},
                                           TPlaceCase{false, true, false, RECT{0, 0, 60, 40}},
                                           TPlaceCase{false, true, true, RECT{0, 0, 60, 30}},
                                           TPlaceCase{true, true, true, RECT{0, 5, 60, 35}},
                                           // Proportional alone leaves a picture that fits alone.
                                           TPlaceCase{false, false, true, RECT{0, 0, 20, 10}}));

TEST_F(ImageTest, AutoSizeTakesThePicturesSizeAndAnEmptyPictureKeepsTheSize) {
  TImage image(nullptr);
  image.SetBounds(5, 6, 50, 50);
  image.SetAutoSize(true);
  EXPECT_EQ(image.Width(), 50);
  Fill(image.Picture()->Bitmap(), 32, 24, clBlue);
  EXPECT_EQ(image.Width(), 32);
  EXPECT_EQ(image.Height(), 24);
  EXPECT_EQ(image.Left(), 5);
}

// The main window shows a picture copied out of an image list on a
// transparent image: the list's background must not show as a white box.
TEST_F(ImageTest, ATransparentPictureFromAnImageListShowsTheParentAroundIt) {
  auto* form = new TCustomForm(owner_.get());
  form->SetBorderStyle(bsNone);
  form->SetColor(clBtnFace);
  form->SetBounds(0, 0, 60, 40);
  TImageList list(nullptr);
  list.SetWidth(16);
  list.SetHeight(16);
  TBitmap source;
  Fill(&source, 16, 16, clFuchsia);
  source.Canvas()->Brush()->SetColor(clRed);
  source.Canvas()->FillRect(RECT{4, 4, 12, 12});
  ASSERT_EQ(list.AddMasked(&source, clFuchsia), 0);

  auto* image = new TImage(owner_.get());
  image->SetParent(form);
  image->SetBounds(4, 4, 32, 32);
  image->SetCenter(true);
  image->SetTransparent(true);
  list.GetBitmap(0, image->Picture()->Bitmap());
  form->Show();
  Pump();
  const TSurface shot = CaptureWindow(form->WindowHandle());
  const COLORREF face = ColorToRGB(clBtnFace);
  EXPECT_EQ(PixelR(shot.Row(20)[20]), 255);  // the picture, centred
  EXPECT_EQ(PixelG(shot.Row(20)[20]), 0);
  EXPECT_EQ(PixelG(shot.Row(13)[13]), GetGValue(face));  // the list's background is not drawn
  EXPECT_EQ(PixelR(shot.Row(13)[13]), GetRValue(face));
}

}  // namespace
