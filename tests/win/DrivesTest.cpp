// Drive letters over Linux folders and optical drives.
#include <gtest/gtest.h>

#include "platform/rtl/Paths.h"
#include "platform/win/Drives.h"
#include "platform/win/WinError.h"
#include "tests/win/DriveTestSupport.h"

using drive_test::DrivesVariable;
using drive_test::FakeMachine;
using drive_test::TempFolder;

namespace {

TEST(DriveVariable, ReadsFolderAndOptions) {
  auto drives = ParseDriveVariable(
      " f=/srv/one:cdrom:label=MY DISC:serial=1a2B3c4D:fs=CDFS:size=700M:free=0:image=/x.iso ; "
      "G=/srv/two");
  ASSERT_EQ(drives.size(), 2u);
  const TDrive& f = drives[0];
  EXPECT_EQ(f.Letter, 'F');
  EXPECT_EQ(f.Folder, "/srv/one");
  EXPECT_FALSE(f.IsOptical());
  EXPECT_TRUE(f.Options.CdRom);
  EXPECT_EQ(f.Options.Label, "MY DISC");
  EXPECT_EQ(f.Options.Serial, 0x1A2B3C4Du);
  EXPECT_EQ(f.Options.FileSystem, "CDFS");
  EXPECT_EQ(f.Options.Size, 700u << 20);
  EXPECT_EQ(f.Options.Free, 0u);
  EXPECT_EQ(f.Options.Image, "/x.iso");
  EXPECT_EQ(drives[1].Letter, 'G');
  EXPECT_FALSE(drives[1].Options.Label.has_value());
}

TEST(DriveVariable, IgnoresWhatDoesNotParse) {
  auto drives =
      ParseDriveVariable("1=/a;H=;=x;J=/j:serial=123:size=lots:label=:bogus=1;K=/k;k=/k2");
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].Letter, 'J');
  EXPECT_FALSE(drives[0].Options.Serial.has_value());
  EXPECT_FALSE(drives[0].Options.Size.has_value());
  EXPECT_EQ(drives[0].Options.Label, "");  // an empty label is a label
  EXPECT_EQ(drives[1].Folder, "/k2");      // a later entry for a letter wins
}

class DriveMapping : public ::testing::Test {
 protected:
  TempFolder temp_;
  FakeMachine machine_{temp_};
};

TEST_F(DriveMapping, OpticalDrivesTakeLettersFromDInTheOrderOfTheirNumbers) {
  machine_.AddOpticalDrive(10);
  machine_.AddOpticalDrive(0);
  machine_.AddOpticalDrive(2);
  DrivesVariable drives("");
  auto table = ReadDriveTable();
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].Letter, 'D');
  EXPECT_EQ(table[0].Device, temp_ / "machine/dev/sr0");
  EXPECT_EQ(table[1].Device, temp_ / "machine/dev/sr2");
  EXPECT_EQ(table[2].Letter, 'F');
  EXPECT_EQ(table[2].DeviceMinor, 10u);
  EXPECT_EQ(GetLogicalDrives(), (1u << 3) | (1u << 4) | (1u << 5));
}

TEST_F(DriveMapping, TheVariableAddsAndOverridesLetters) {
  machine_.AddOpticalDrive(0);
  machine_.AddOpticalDrive(1);
  DrivesVariable drives("E=" + temp_.Path() + ";B=" + temp_.Path());
  EXPECT_EQ(GetLogicalDrives(), (1u << 1) | (1u << 3) | (1u << 4));
  EXPECT_TRUE(FindDrive('d')->IsOptical());
  EXPECT_FALSE(FindDrive('E')->IsOptical());
  EXPECT_FALSE(FindDrive('Q').has_value());
}

TEST_F(DriveMapping, DriveTypes) {
  machine_.AddOpticalDrive(0);
  DrivesVariable drives("E=" + temp_.Path() + ";F=" + temp_.Path() + ":cdrom;G=" + temp_ / "gone");
  EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_CDROM);
  EXPECT_EQ(GetDriveTypeA("d:"), DRIVE_CDROM);
  EXPECT_EQ(GetDriveTypeA("F:"), DRIVE_CDROM);
  UINT folder = GetDriveTypeA("e:\\");
  EXPECT_TRUE(folder == DRIVE_FIXED || folder == DRIVE_REMOVABLE || folder == DRIVE_REMOTE);
  EXPECT_EQ(GetDriveTypeA("G:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveTypeA("Q:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveTypeA("E:\\sub"), DRIVE_NO_ROOT_DIR);
}

TEST_F(DriveMapping, DrivePathsResolveBelowTheMappedFolder) {
  DrivesVariable drives("e=" + temp_.Path());
  String native;
  ASSERT_EQ(DrivePathToNative("E:\\Photos\\2004\\a.jpg", native), ERROR_SUCCESS);
  EXPECT_EQ(native, temp_.Path() + "/Photos/2004/a.jpg");
  ASSERT_EQ(DrivePathToNative("e:", native), ERROR_SUCCESS);
  EXPECT_EQ(native, temp_.Path());
  // Windows never climbs above a drive's root; neither do we.
  ASSERT_EQ(DrivePathToNative("E:\\a\\..\\..\\..\\b", native), ERROR_SUCCESS);
  EXPECT_EQ(native, temp_.Path() + "/b");
  // A name shown with its forbidden characters moved gets them back.
  ASSERT_EQ(DrivePathToNative("E:\\a" + NativeNameToWindows("\\:") + "b", native), ERROR_SUCCESS);
  EXPECT_EQ(native, temp_.Path() + "/a\\:b");
  EXPECT_EQ(DrivePathToNative("Q:\\x", native), ERROR_INVALID_DRIVE);
  EXPECT_EQ(DrivePathToNative("/tmp", native), ERROR_INVALID_NAME);
}

TEST_F(DriveMapping, AnOpticalDrivesRootIsTheMountPointOfItsDisc) {
  machine_.AddOpticalDrive(0);
  DrivesVariable drives("");
  String native;
  EXPECT_EQ(DrivePathToNative("D:\\", native), ERROR_NOT_READY);
  std::string mount_point = temp_.MakeFolder("media/My Disc");
  machine_.MountOpticalDrive(0, mount_point);
  ASSERT_EQ(DrivePathToNative("D:\\x", native), ERROR_SUCCESS);
  EXPECT_EQ(native, mount_point + "/x");
}

TEST_F(DriveMapping, TheRuntimeResolvesDrivePathsOnceInstalled) {
  DrivesVariable drives("E=" + temp_.Path());
  TDrivePathResolver previous = SetDrivePathResolver(nullptr);
  String native;
  EXPECT_FALSE(ResolvePath("E:\\a", native));
  InitDriveMapping();
  ASSERT_TRUE(ResolvePath("E:\\a", native));
  EXPECT_EQ(native, temp_.Path() + "/a");
  EXPECT_FALSE(ResolvePath("Q:\\a", native));
  SetDrivePathResolver(previous);
}

}  // namespace
