// File-type icons and names from the MIME database and the icon theme.
#include <gtest/gtest.h>

#include "platform/win/ImageList.h"
#include "platform/win/ShellIcons.h"
#include "tests/win/DriveTestSupport.h"

namespace {

class ShellIconsTest : public ::testing::Test {
 protected:
  ~ShellIconsTest() override { ReleaseShellImageLists(); }

  SHFILEINFOA Info(const std::string& path, UINT flags, DWORD attributes = 0) {
    SHFILEINFOA info;
    result = SHGetFileInfoA(path.c_str(), attributes, &info, sizeof(info), flags);
    return info;
  }

  drive_test::TempFolder temp_;
  DWORD_PTR result = 0;
};

TEST_F(ShellIconsTest, TheSystemListsAreSharedAndSized) {
  SHFILEINFOA info;
  const DWORD_PTR small =
      SHGetFileInfoA("", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  const DWORD_PTR large =
      SHGetFileInfoA("", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SHELLICONSIZE);
  ASSERT_NE(small, 0u);
  ASSERT_NE(large, 0u);
  EXPECT_NE(small, large);
  EXPECT_EQ(small,
            SHGetFileInfoA("", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  int cx = 0, cy = 0;
  ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(small), &cx, &cy);
  EXPECT_EQ(cx, 16);
  ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(large), &cx, &cy);
  EXPECT_EQ(cx, 32);
  EXPECT_EQ(cy, 32);
}

TEST_F(ShellIconsTest, KnownTypesGetTheirOwnIconAndName) {
  const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME;
  const SHFILEINFOA text = Info(temp_.Write("notes.txt", "x"), flags);
  ASSERT_NE(result, 0u);
  const SHFILEINFOA picture = Info(temp_.Write("photo.png", "x"), flags);
  const SHFILEINFOA other = Info(temp_.Write("other.txt", "y"), flags);
  const SHFILEINFOA unknown = Info(temp_.Write("data.zzq", "z"), flags);
  const SHFILEINFOA bare = Info(temp_.Write("qzx7", "z"), flags);
  EXPECT_NE(text.iIcon, picture.iIcon);
  EXPECT_EQ(text.iIcon, other.iIcon);  // each type's icon is there once
  EXPECT_NE(text.iIcon, unknown.iIcon);
  EXPECT_STRNE(text.szTypeName, "");
  EXPECT_STRNE(text.szTypeName, picture.szTypeName);
  EXPECT_STREQ(unknown.szTypeName, "ZZQ File");
  EXPECT_EQ(unknown.iIcon, 0);  // the generic icon
  EXPECT_EQ(bare.iIcon, 0);
  // The large list holds the same type at the same index.
  const SHFILEINFOA large = Info(temp_ / "photo.png", SHGFI_SYSICONINDEX | SHGFI_LARGEICON);
  EXPECT_EQ(large.iIcon, picture.iIcon);
  const int count = ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(result));
  EXPECT_GT(count, picture.iIcon);
}

TEST_F(ShellIconsTest, FoldersGetTheFolderIconAndMissingFilesFail) {
  const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME;
  const SHFILEINFOA folder = Info(temp_.MakeFolder("Photos.png"), flags);
  EXPECT_NE(result, 0u);
  EXPECT_EQ(folder.iIcon, 1);
  EXPECT_STRNE(folder.szTypeName, "");
  Info(temp_ / "missing.txt", flags);
  EXPECT_EQ(result, 0u);
  // Unless the caller says what it is.
  const SHFILEINFOA said =
      Info(temp_ / "missing", flags | SHGFI_USEFILEATTRIBUTES, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_NE(result, 0u);
  EXPECT_EQ(said.iIcon, 1);
}

TEST_F(ShellIconsTest, DrivePathsAreUnderstood) {
  drive_test::DrivesVariable drives("K=" + temp_.Path());
  InitDriveMapping();
  temp_.Write("song.mp3", "x");
  const SHFILEINFOA song = Info("K:\\song.mp3", SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  EXPECT_NE(result, 0u);
  EXPECT_GT(song.iIcon, 1);
}

TEST(IconThemeTest, FindsThemeIconsAndTheirSymbolicForms) {
  EXPECT_NE(FindThemeIcon("folder", 16), "");
  EXPECT_NE(FindThemeIcon("media-eject", 16).find("symbolic"), std::string::npos);
  EXPECT_EQ(FindThemeIcon("no-such-icon-anywhere", 16), "");
  const auto disc = ReadThemeIcon("media-optical", 32);
  ASSERT_TRUE(disc.has_value());
  EXPECT_EQ(disc->Width(), 32);
  EXPECT_TRUE(disc->HasAlpha());
}

}  // namespace
