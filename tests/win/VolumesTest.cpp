// The volume behind a drive letter.
#include <gtest/gtest.h>

#include <thread>

#include "platform/win/Drives.h"
#include "platform/win/Volumes.h"
#include "platform/win/WinError.h"
#include "tests/win/DriveTestSupport.h"
#include "tests/win/UdfImageBuilder.h"

using drive_test::DrivesVariable;
using drive_test::FakeMachine;
using drive_test::MakeIso;
using drive_test::TempFolder;

namespace {

class Volumes : public ::testing::Test {
 protected:
  std::string Iso(const std::string& label) {
    temp_.Write("src/a.txt", "a");
    std::string image = MakeIso(temp_, temp_ / "src", label, true, label + ".iso");
    EXPECT_FALSE(image.empty());
    return image;
  }
  TVolumeIdentity Query(const String& root) {
    TVolumeIdentity identity;
    EXPECT_EQ(QueryVolumeIdentity(root, identity), ERROR_SUCCESS) << root;
    return identity;
  }
  TempFolder temp_;
};

TEST_F(Volumes, AFolderMappedWithAnImageTakesTheImagesIdentity) {
  std::string image = Iso("Holiday");
  std::string folder = temp_.MakeFolder("disc");
  DrivesVariable drives("K=" + folder + ":cdrom:image=" + image);
  TVolumeIdentity expected;
  ASSERT_EQ(ReadMediumIdentity(image, expected), ERROR_SUCCESS);
  TVolumeIdentity identity = Query("K:\\");
  EXPECT_EQ(identity.Label, "Holiday");
  EXPECT_EQ(identity.FileSystem, "CDFS");
  EXPECT_EQ(identity.Serial, expected.Serial);
}

TEST_F(Volumes, OptionsComeBeforeTheImage) {
  std::string image = Iso("Holiday");
  std::string folder = temp_.MakeFolder("disc");
  DrivesVariable drives("K=" + folder + ":label=Mine:serial=0000ABCD:image=" + image);
  TVolumeIdentity identity = Query("k:");
  EXPECT_EQ(identity.Label, "Mine");
  EXPECT_EQ(identity.Serial, 0x0000ABCDu);
  EXPECT_EQ(identity.FileSystem, "CDFS");
}

TEST_F(Volumes, APlainFolderIsNamedAfterItselfWithAStableSerialOfItsOwn) {
  std::string one = temp_.MakeFolder("one");
  std::string two = temp_.MakeFolder("two");
  DrivesVariable drives("L=" + one + ";M=" + two);
  TVolumeIdentity first = Query("L:\\");
  EXPECT_EQ(first.Label, "one");
  EXPECT_FALSE(first.FileSystem.empty());
  EXPECT_EQ(first.FileSystem.find_first_of("abcdefghijklmnopqrstuvwxyz"), String::npos);
  EXPECT_EQ(Query("L:\\").Serial, first.Serial);
  EXPECT_NE(Query("M:\\").Serial, first.Serial);
}

TEST_F(Volumes, Failures) {
  std::string folder = temp_.MakeFolder("disc");
  DrivesVariable drives("N=" + temp_ / "missing" + ";O=" + folder + ":image=" + temp_ / "none.iso" +
                        ";P=" + folder +
                        ":image=" + temp_.Write("blank.iso", std::string(700000, '\0')));
  TVolumeIdentity identity;
  EXPECT_EQ(QueryVolumeIdentity("N:\\", identity), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(QueryVolumeIdentity("O:\\", identity), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(QueryVolumeIdentity("P:\\", identity), ERROR_UNRECOGNIZED_VOLUME);
  EXPECT_EQ(QueryVolumeIdentity("Q:\\", identity), ERROR_INVALID_DRIVE);
  EXPECT_EQ(QueryVolumeIdentity("N:\\sub", identity), ERROR_INVALID_NAME);
}

TEST_F(Volumes, AnOpticalDriveWithoutAMountedDiscIsNotReady) {
  FakeMachine machine(temp_);
  machine.AddOpticalDrive(0);
  DrivesVariable drives("");
  char label[261];
  DWORD serial = 0;
  SetLastError(0);
  EXPECT_FALSE(
      GetVolumeInformationA("D:\\", label, sizeof label, &serial, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST_F(Volumes, AnOpticalDriveReadsTheDiscOfItsMount) {
  drive_test::UdfImageBuilder builder;
  builder.label = "Camera";
  std::vector<unsigned char> image = builder.Build();
  std::string file = temp_.Write("udf.img", std::string(image.begin(), image.end()));
  FakeMachine machine(temp_);
  machine.AddOpticalDrive(0, file);
  machine.MountOpticalDrive(0, temp_.MakeFolder("cd"));
  DrivesVariable drives("");
  char label[261], file_system[261];
  DWORD serial = 0, flags = 0, length = 0;
  ASSERT_TRUE(GetVolumeInformationA("D:\\", label, sizeof label, &serial, &length, &flags,
                                    file_system, sizeof file_system));
  EXPECT_STREQ(label, "Camera");
  EXPECT_STREQ(file_system, "UDF");
  EXPECT_TRUE(flags & FILE_READ_ONLY_VOLUME);
  TVolumeIdentity identity;
  ASSERT_EQ(ReadMediumIdentity(file, identity), ERROR_SUCCESS);
  EXPECT_EQ(serial, identity.Serial);
}

TEST_F(Volumes, ABufferTooSmallForTheLabelFails) {
  std::string folder = temp_.MakeFolder("disc");
  DrivesVariable drives("K=" + folder + ":label=TWELVE CHARS:serial=00000001:fs=CDFS");
  char label[12];
  EXPECT_FALSE(
      GetVolumeInformationA("K:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), ERROR_BAD_LENGTH);
  char enough[13];
  EXPECT_TRUE(
      GetVolumeInformationA("K:\\", enough, sizeof enough, nullptr, nullptr, nullptr, nullptr, 0));
}

TEST(NetworkDrives, NoLetterHasAUniversalName) {
  char buffer[1024];
  DWORD size = sizeof buffer;
  SetLastError(0);
  EXPECT_EQ(WNetGetUniversalNameA("D:\\", UNIVERSAL_NAME_INFO_LEVEL, buffer, &size),
            ERROR_NOT_CONNECTED);
  EXPECT_EQ(GetLastError(), ERROR_NOT_CONNECTED);
}

TEST(ErrorMode, SetErrorModeHandsBackThePreviousMode) {
  UINT original = SetErrorMode(SEM_FAILCRITICALERRORS);
  EXPECT_EQ(SetErrorMode(original), SEM_FAILCRITICALERRORS);
}

TEST(LastError, EachThreadHasItsOwn) {
  SetLastError(ERROR_NOT_READY);
  DWORD seen = 1;
  std::thread([&] { seen = GetLastError(); }).join();
  EXPECT_EQ(seen, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST(Fnv1a, KnownValues) {
  EXPECT_EQ(Fnv1a32(""), 0x811C9DC5u);
  EXPECT_EQ(Fnv1a32("a"), 0xE40C292Cu);
}

}  // namespace
