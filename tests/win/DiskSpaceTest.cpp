// Capacity and free space of drives.
#include <gtest/gtest.h>

#include "platform/win/DiskSpace.h"
#include "platform/win/WinError.h"
#include "tests/win/DriveTestSupport.h"

using drive_test::DrivesVariable;
using drive_test::FakeMachine;
using drive_test::TempFolder;

namespace {

TEST(DiskSpace, DeclaredFiguresWin) {
  TempFolder temp;
  DrivesVariable drives("F=" + temp.Path() + ":size=700M:free=0");
  ULARGE_INTEGER available, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExA("F:\\", &available, &total, &free));
  EXPECT_EQ(total.QuadPart, 700ull << 20);
  EXPECT_EQ(available.QuadPart, 0u);
  EXPECT_EQ(free.QuadPart, 0u);
  EXPECT_EQ(DiskSize(6), Int64(700) << 20);
  EXPECT_EQ(DiskFree(6), 0);
}

TEST(DiskSpace, ADeclaredSizeBoundsTheFreeSpaceOfTheFolder) {
  TempFolder temp;
  DrivesVariable drives("F=" + temp.Path() + ":size=1K");
  ULARGE_INTEGER available;
  ASSERT_TRUE(GetDiskFreeSpaceExA("F:", &available, nullptr, nullptr));
  EXPECT_LE(available.QuadPart, 1024u);
}

TEST(DiskSpace, OtherwiseTheFileSystemOfTheFolderTells) {
  TempFolder temp;
  temp.MakeFolder("sub");
  DrivesVariable drives("F=" + temp.Path());
  ULARGE_INTEGER total, native_total;
  ASSERT_TRUE(GetDiskFreeSpaceExA("F:\\sub\\", nullptr, &total, nullptr));
  ASSERT_TRUE(GetDiskFreeSpaceExA(temp.Path().c_str(), nullptr, &native_total, nullptr));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_EQ(total.QuadPart, native_total.QuadPart);
}

TEST(DiskSpace, DrivesThatAreNotThere) {
  TempFolder temp;
  FakeMachine machine(temp);
  machine.AddOpticalDrive(0);
  DrivesVariable drives("F=" + temp / "missing");
  ULARGE_INTEGER total;
  EXPECT_FALSE(GetDiskFreeSpaceExA("D:\\", nullptr, &total, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
  EXPECT_FALSE(GetDiskFreeSpaceExA("F:\\", nullptr, &total, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(GetDiskFreeSpaceExA("Q:\\", nullptr, &total, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DRIVE);
  EXPECT_EQ(DiskSize(4), -1);   // D: has no disc
  EXPECT_EQ(DiskSize(6), -1);   // F: has no folder
  EXPECT_EQ(DiskSize(17), -1);  // Q: is not mapped
  EXPECT_EQ(DiskSize(0), -1);
  EXPECT_EQ(DiskSize(27), -1);
}

}  // namespace
