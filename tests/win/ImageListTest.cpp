// tests/win/ImageListTest.cpp
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win/ImageList.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

const COLORREF kKey = RGB(255, 0, 255);

// A strip of two 4x4 images: a red square and a green one, each with a
// key-coloured (transparent) left column.
HBITMAP MakeStrip() {
  TCanvasBitmap strip(8, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      SetPixel(strip.Dc(), x, y, x % 4 == 0 ? kKey : (x < 4 ? RGB(255, 0, 0) : RGB(0, 255, 0)));
  const HBITMAP copy = CreateBitmap(8, 4, 1, 32, nullptr);
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, copy);
  BitBlt(dc, 0, 0, 8, 4, strip.Dc(), 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  return copy;
}

class ImageLists : public ::testing::Test {
 protected:
  ImageLists() {
    list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 2, 2);
    const HBITMAP strip = MakeStrip();
    first = ImageList_AddMasked(list, strip, kKey);
    DeleteObject(strip);
  }
  ~ImageLists() override { ImageList_Destroy(list); }
  HIMAGELIST list;
  int first;
};

}  // namespace

TEST_F(ImageLists, AStripAddsOneImagePerWidth) {
  EXPECT_EQ(first, 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list, &cx, &cy);
  EXPECT_EQ(cx, 4);
  EXPECT_EQ(cy, 4);
  EXPECT_TRUE(ImageList_Remove(list, 0));
  EXPECT_EQ(ImageList_GetImageCount(list), 1);
  EXPECT_FALSE(ImageList_Draw(list, 5, nullptr, 0, 0, ILD_NORMAL));
}

TEST_F(ImageLists, MaskedPixelsShowWhatIsBehindUnlessABackgroundIsSet) {
  TCanvasBitmap c(8, 4);
  ImageList_Draw(list, 1, c.Dc(), 0, 0, ILD_NORMAL);
  EXPECT_EQ(GetPixel(c.Dc(), 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.Dc(), 1, 0), RGB(0, 255, 0));
  ImageList_SetBkColor(list, RGB(0, 0, 255));
  ImageList_Draw(list, 0, c.Dc(), 4, 0, ILD_NORMAL);
  EXPECT_EQ(GetPixel(c.Dc(), 4, 0), RGB(0, 0, 255));
  ImageList_Draw(list, 0, c.Dc(), 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(GetPixel(c.Dc(), 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.Dc(), 1, 0), RGB(255, 0, 0));
}

TEST_F(ImageLists, SelectedImagesAreTintedWithTheHighlight) {
  TCanvasBitmap c(4, 4);
  ImageList_Draw(list, 0, c.Dc(), 0, 0, ILD_SELECTED);
  const COLORREF tinted = GetPixel(c.Dc(), 1, 1), hl = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_NEAR(GetRValue(tinted), (255 + GetRValue(hl)) / 2, 1);
  EXPECT_NEAR(GetBValue(tinted), GetBValue(hl) / 2, 1);
  EXPECT_EQ(GetPixel(c.Dc(), 0, 0), RGB(255, 255, 255));
}

TEST_F(ImageLists, AnIconOfAnImageDrawsTheSame) {
  const HICON icon = ImageList_GetIcon(list, 1, ILD_NORMAL);
  ASSERT_NE(icon, nullptr);
  TCanvasBitmap a(4, 4), b(4, 4);
  ImageList_Draw(list, 1, a.Dc(), 0, 0, ILD_TRANSPARENT);
  DrawIcon(b.Dc(), 0, 0, icon);
  EXPECT_TRUE(a.Pixels() == b.Pixels());
  const HIMAGELIST other = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 1, 1);
  EXPECT_EQ(ImageList_AddIcon(other, icon), 0);
  TCanvasBitmap d(4, 4);
  ImageList_Draw(other, 0, d.Dc(), 0, 0, ILD_TRANSPARENT);
  EXPECT_TRUE(a.Pixels() == d.Pixels());
  ImageList_Destroy(other);
  DestroyIcon(icon);
}

TEST(PngPictures, LoadWithAlphaAndBlendOverTheBackground) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("zorvet-png-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  TSurface picture(2, 1);
  picture.Row(0)[0] = PixelOf(255, 0, 0, 255);
  picture.Row(0)[1] = PixelOf(0, 0, 0, 128);
  const std::string path = (folder / "p.png").string();
  ASSERT_TRUE(WritePng(picture, path, true));
  const HBITMAP bm = LoadPngBitmap(path);
  ASSERT_NE(bm, nullptr);
  const HIMAGELIST list = ImageList_Create(2, 1, ILC_COLOR32, 1, 1);
  ImageList_Add(list, bm, nullptr);
  TCanvasBitmap c(2, 1);
  ImageList_Draw(list, 0, c.Dc(), 0, 0, ILD_NORMAL);
  EXPECT_EQ(GetPixel(c.Dc(), 0, 0), RGB(255, 0, 0));
  EXPECT_NEAR(GetRValue(GetPixel(c.Dc(), 1, 0)), 127, 1);
  EXPECT_EQ(LoadPngBitmap((folder / "missing.png").string()), nullptr);
  ImageList_Destroy(list);
  DeleteObject(bm);
  std::filesystem::remove_all(folder);
}
