// Reading the kernel's mount table.
#include <gtest/gtest.h>

#include "platform/win/MountTable.h"

namespace {

TEST(MountTable, ParsesFieldsAroundTheOptionalOnes) {
  auto mounts = ParseMountTable(
      "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
      "40 35 11:0 / /media/My\\040Disc ro,nosuid - iso9660 /dev/sr0 ro,uid=1000\n");
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[0].MountId, 36);
  EXPECT_EQ(mounts[0].Major, 98u);
  EXPECT_EQ(mounts[0].Root, "/mnt1");
  EXPECT_EQ(mounts[0].MountPoint, "/mnt2");
  EXPECT_EQ(mounts[0].FsType, "ext3");
  EXPECT_EQ(mounts[0].Source, "/dev/root");
  EXPECT_FALSE(mounts[0].ReadOnly());
  EXPECT_EQ(mounts[1].MountPoint, "/media/My Disc");
  EXPECT_EQ(mounts[1].Minor, 0u);
  EXPECT_TRUE(mounts[1].ReadOnly());
}

TEST(MountTable, UnescapesOctalAndKeepsOtherBackslashes) {
  EXPECT_EQ(UnescapeMountField("a\\040b\\011c\\134d"), "a b\tc\\d");
  EXPECT_EQ(UnescapeMountField("a\\9b\\04"), "a\\9b\\04");
}

TEST(MountTable, SkipsLinesThatDoNotParse) {
  auto mounts =
      ParseMountTable("garbage\n1 2 x / /a rw - ext4 /dev/a rw\n3 2 8:1 / /b rw - ext4 /dev/b rw");
  ASSERT_EQ(mounts.size(), 1u);
  EXPECT_EQ(mounts[0].MountPoint, "/b");
}

TEST(MountTable, APathBelongsToTheDeepestMountAndTheTopmostOfEqualOnes) {
  auto mounts = ParseMountTable(
      "1 0 8:1 / / rw - ext4 /dev/a rw\n"
      "2 1 8:2 / /media/disc rw - ext4 /dev/b rw\n"
      "3 1 8:3 / /media/disc rw - ext4 /dev/c rw\n"
      "4 1 8:4 / /media/disc2 rw - ext4 /dev/d rw\n");
  EXPECT_EQ(FindMountOfPath(mounts, "/media/disc/x")->MountId, 3);
  EXPECT_EQ(FindMountOfPath(mounts, "/media/disc")->MountId, 3);
  EXPECT_EQ(FindMountOfPath(mounts, "/media/disc22")->MountId, 1);
  EXPECT_EQ(FindMountOfPath(mounts, "/media")->MountId, 1);
}

TEST(MountTable, ADevicesRootMountIsPreferredToABindMountOfOneOfItsFolders) {
  auto mounts = ParseMountTable(
      "5 1 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
      "6 1 11:0 /photos /home/u/photos ro - iso9660 /dev/sr0 ro\n");
  EXPECT_EQ(FindMountOfDevice(mounts, 11, 0)->MountPoint, "/media/cd");
  EXPECT_EQ(FindMountOfDevice(mounts, 11, 1), nullptr);
}

}  // namespace
