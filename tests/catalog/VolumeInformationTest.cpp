// The volume reader: label, serial text and file system of a drive.
#include <gtest/gtest.h>

#include "catalog/VolumeInformation.h"
#include "platform/win/MessageBoxHook.h"
#include "platform/win/Volumes.h"
#include "platform/win/WinError.h"
#include "tests/rtl/ScopedEnv.h"
#include "tests/win/DriveTestSupport.h"

using drive_test::DrivesVariable;
using drive_test::FakeMachine;
using drive_test::MakeIso;
using drive_test::TempFolder;

namespace {

class VolumeReader : public ::testing::Test {
 protected:
  VolumeReader() {
    reader_.OnError = [this](Integer error) { errors_.push_back(error); };
  }
  TempFolder temp_;
  TVolumeInformation reader_{nullptr};
  std::vector<Integer> errors_;
};

TEST_F(VolumeReader, ReadsADiscImageMappedToALetter) {
  temp_.Write("src/a.txt", "a");
  std::string image = MakeIso(temp_, temp_ / "src", "Holiday 2004", true, "h.iso");
  ASSERT_FALSE(image.empty());
  DrivesVariable drives("K=" + temp_.MakeFolder("k") + ":cdrom:image=" + image);
  TVolumeIdentity identity;
  ASSERT_EQ(ReadMediumIdentity(image, identity), ERROR_SUCCESS);
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", identity.Serial);

  reader_.SetDrive('K');
  EXPECT_EQ(reader_.VolumeLabel(), "HOLIDAY 2004");
  EXPECT_EQ(reader_.FileSystemName(), "CDFS");
  EXPECT_EQ(reader_.SerialNumber(), std::string(digits, 4) + ":" + std::string(digits + 4));
  EXPECT_TRUE(errors_.empty());
}

TEST_F(VolumeReader, ReadsADiscWrittenInIncrements) {
  std::string image = drive_test::MakePacketWrittenUdf(temp_, "Backup 7", "2.01", false, "v.img");
  ASSERT_FALSE(image.empty());
  DrivesVariable drives("K=" + temp_.MakeFolder("k") + ":cdrom:image=" + image);
  reader_.SetDrive('K');
  EXPECT_EQ(reader_.VolumeLabel(), "BACKUP 7");
  EXPECT_EQ(reader_.FileSystemName(), "UDF");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(VolumeReader, SerialTextKeepsLeadingZeros) {
  DrivesVariable drives("K=" + temp_.Path() + ":serial=0000abcd");
  reader_.SetDrive('K');
  EXPECT_EQ(reader_.SerialNumber(), "0000:ABCD");
}

TEST_F(VolumeReader, TheCaseOfTheDriveLetterChoosesTheCaseOfTheTexts) {
  DrivesVariable drives("K=" + temp_.Path() + ":label=Été Disc:fs=Cdfs:serial=00000001");
  reader_.SetDrive('k');
  EXPECT_EQ(reader_.VolumeLabel(), "été disc");
  EXPECT_EQ(reader_.FileSystemName(), "cdfs");
  reader_.SetDrive('K');
  EXPECT_EQ(reader_.VolumeLabel(), "ÉTÉ DISC");
  EXPECT_EQ(reader_.FileSystemName(), "CDFS");
}

TEST_F(VolumeReader, TheCaseOfALabelIsTheSameUnderEveryLocale) {
  DrivesVariable drives("K=" + temp_.Path() + ":label=Joliet Été Straße ıi:serial=00000001");
  for (const char* locale : {"tr_TR.UTF-8", "az_AZ.UTF-8", "C", "en_US.UTF-8", "de_DE.UTF-8"}) {
    ScopedEnv env;
    env.Locale(locale);
    reader_.SetDrive('K');
    EXPECT_EQ(reader_.VolumeLabel(), "JOLIET ÉTÉ STRASSE II") << locale;
    reader_.SetDrive('k');
    EXPECT_EQ(reader_.VolumeLabel(), "joliet été straße ıi") << locale;
  }
  EXPECT_TRUE(errors_.empty());
}

TEST_F(VolumeReader, APlainFolderIsReadToo) {
  DrivesVariable drives("K=" + temp_.MakeFolder("Photos"));
  reader_.SetDrive('K');
  EXPECT_EQ(reader_.VolumeLabel(), "PHOTOS");
  EXPECT_EQ(reader_.SerialNumber().size(), 9u);
  EXPECT_FALSE(reader_.FileSystemName().empty());
  EXPECT_TRUE(errors_.empty());
}

TEST_F(VolumeReader, ADriveWithoutADiscReportsOncePerRead) {
  FakeMachine machine(temp_);
  machine.AddOpticalDrive(0);
  DrivesVariable drives("");
  reader_.SetDrive('D');
  EXPECT_EQ(reader_.SerialNumber(), "");
  EXPECT_EQ(reader_.VolumeLabel(), "");
  EXPECT_EQ(reader_.FileSystemName(), "");
  EXPECT_EQ(errors_, (std::vector<Integer>{21, 21, 21}));
}

TEST_F(VolumeReader, WithoutAHandlerTheErrorGoesToAMessageBox) {
  DrivesVariable drives("");
  struct Box {
    String text, caption;
    UINT type;
  };
  std::vector<Box> boxes;
  TMessageBoxHandler previous =
      SetMessageBoxHandler([&](HWND, const String& text, const String& caption, UINT type) {
        boxes.push_back({text, caption, type});
        return IDOK;
      });
  reader_.OnError = nullptr;
  reader_.SetDrive('Q');
  EXPECT_EQ(reader_.VolumeLabel(), "");
  SetMessageBoxHandler(previous);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Error 15 in GetVolumeInformation");
  EXPECT_EQ(boxes[0].caption, "TVolumeInformation");
  EXPECT_EQ(boxes[0].type, MB_ICONEXCLAMATION);
}

TEST_F(VolumeReader, RootPathAndErrorMode) {
  DrivesVariable drives("K=" + temp_.Path() + ":serial=00000001");
  EXPECT_EQ(reader_.Drive(), 'C');
  EXPECT_EQ(reader_.UNCDrive(), "");
  UINT before = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  reader_.SetDrive('K');
  reader_.SerialNumber();
  EXPECT_EQ(reader_.UNCDrive(), "K:\\");
  EXPECT_EQ(SetErrorMode(before), SEM_NOOPENFILEERRORBOX);
}

TEST_F(VolumeReader, TheNullDriveReadsNothing) {
  reader_.SetDrive('\0');
  EXPECT_EQ(reader_.SerialNumber(), "");
  EXPECT_EQ(errors_.size(), 1u);
}

}  // namespace
