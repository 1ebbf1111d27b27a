// The catalogue's pictures, laid out as a person sees them on a button face.
#include <gtest/gtest.h>

#include "app/ZorvetPictures.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

using namespace zorvet_pictures;

constexpr int kScale = 3;
constexpr int kCell = 36 * kScale;

// Lays `picture` over the sheet's grey at cell (column, row), enlarged.
void Place(TSurface& sheet, const TSurface& picture, int column, int row) {
  for (int y = 0; y < picture.Height() * kScale; ++y)
    for (int x = 0; x < picture.Width() * kScale; ++x) {
      const TPixel p = picture.Pixel(x / kScale, y / kScale);
      const int a = PixelA(p);
      auto mix = [&](int c) { return (c * a + 0xF0 * (255 - a)) / 255; };
      sheet.SetPixel(column * kCell + 2 + x, row * kCell + 2 + y,
                     PixelOf(mix(PixelR(p)), mix(PixelG(p)), mix(PixelB(p))));
    }
}

TEST(PicturesTest, TheSheetOfEveryPictureMatchesItsReference) {
  TSurface sheet(10 * kCell, 5 * kCell);
  sheet.Fill(PixelOf(0xF0, 0xF0, 0xF0));
  for (int i = 0; i < kImListCount; ++i) Place(sheet, TreePicture(i), i % 10, i / 10);
  for (int i = 0; i < kImActListCount; ++i) Place(sheet, ActionPicture(i), i % 10, 2 + i / 10);
  Place(sheet, InfoPicture(0), 0, 4);
  Place(sheet, InfoPicture(1), 1, 4);
  // Theme icons are read from the installed theme: a newer theme may shade
  // a few pixels differently.
  EXPECT_TRUE(MatchesReference(sheet, "../../app/reference/pictures.png", 16, 400));
}

}  // namespace
