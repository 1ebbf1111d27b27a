// Opening and closing a drive's tray through the multimedia commands.
#include <gtest/gtest.h>

#include "platform/win/Mci.h"
#include "tests/win/DriveTestSupport.h"

using drive_test::DrivesVariable;
using drive_test::FakeMachine;
using drive_test::TempFolder;

namespace {

MCIERROR OpenCdAudio(const char* element, MCIDEVICEID& id) {
  MCI_OPEN_PARMSA parms;
  parms.lpstrDeviceType = "CDAudio";
  parms.lpstrElementName = element;
  MCIERROR error =
      mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, DWORD_PTR(&parms));
  id = parms.wDeviceID;
  return error;
}

TEST(Tray, ADriveWithoutADeviceFailsTheOpen) {
  TempFolder temp;
  FakeMachine machine(temp);
  machine.AddOpticalDrive(0);  // listed by the system, but without a device node
  DrivesVariable drives("K=" + temp.Path() + ":cdrom");
  MCIDEVICEID id = 0;
  EXPECT_EQ(OpenCdAudio("K:", id), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(OpenCdAudio("D:", id), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(OpenCdAudio("Q:", id), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(id, 0u);
}

TEST(Tray, OpeningTheDoorUnmountsTheDiscAndReachesTheDevice) {
  TempFolder temp;
  FakeMachine machine(temp);
  std::string device = machine.AddOpticalDrive(0, temp.Write("image", "not a drive"));
  machine.MountOpticalDrive(0, temp.MakeFolder("cd"));
  DrivesVariable drives("");
  MCIDEVICEID id = 0;
  ASSERT_EQ(OpenCdAudio("d:", id), 0u);
  EXPECT_NE(id, 0u);
  // The stand-in device is a plain file, so the eject ioctl itself fails.
  EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_DOOR_OPEN, 0), MCIERR_HARDWARE);
  EXPECT_EQ(machine.unmounted, std::vector<std::string>{device});
  EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_DOOR_CLOSED, 0), MCIERR_HARDWARE);
  EXPECT_EQ(machine.unmounted.size(), 1u);  // closing never unmounts
  EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, 0, 0), 0u);
  EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, 0, 0), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(mciSendCommandA(id, MCI_SET, MCI_SET_DOOR_OPEN, 0), MCIERR_INVALID_DEVICE_ID);
}

TEST(Tray, OnlyCdAudioDevicesOpen) {
  TempFolder temp;
  FakeMachine machine(temp);
  machine.AddOpticalDrive(0);
  DrivesVariable drives("");
  MCI_OPEN_PARMSA parms;
  parms.lpstrDeviceType = "waveaudio";
  parms.lpstrElementName = "D:";
  EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, DWORD_PTR(&parms)),
            MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, DWORD_PTR(&parms)),
            MCIERR_MISSING_PARAMETER);
  EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, 0), MCIERR_NULL_PARAMETER_BLOCK);
}

}  // namespace
