// platform/win/Mci.h
//
// The multimedia command interface, as far as the program uses it: a
// "CDAudio" device opened on a drive letter, whose door is opened or closed.
//
//   MCI_OPEN_PARMSA open{};
//   open.lpstrDeviceType = "CDAudio";
//   open.lpstrElementName = "D:";
//   if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, DWORD_PTR(&open)) == 0) {
//     mciSendCommandA(open.wDeviceID, MCI_SET, MCI_SET_DOOR_OPEN, 0);
//     mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, 0);
//   }
//
// Only an optical drive (see Drives.h) has a device; a mapped folder, even
// one marked cdrom, or a drive whose device node is missing fails the open
// with MCIERR_INVALID_DEVICE_NAME. The door
// is worked through the Linux CD-ROM ioctls (CDROMEJECT, CDROMCLOSETRAY) on
// the device opened read-only and non-blocking, so that opening it never
// pulls a tray in. A mounted disc is unmounted before its tray opens (through
// udisks2 where the desktop runs it, else umount; see TDriveSystem::Unmount).
//
// Commands run synchronously; MCI_WAIT is accepted and MCI_NOTIFY refused.
// Threads: any thread; the table of open devices is shared and locked.
#pragma once

#include "platform/win/WinTypes.h"

using MCIDEVICEID = UINT;
using MCIERROR = DWORD;

constexpr UINT MCI_OPEN = 0x0803;
constexpr UINT MCI_CLOSE = 0x0804;
constexpr UINT MCI_SET = 0x080D;

constexpr DWORD MCI_NOTIFY = 0x00000001;
constexpr DWORD MCI_WAIT = 0x00000002;
constexpr DWORD MCI_OPEN_SHAREABLE = 0x00000100;
constexpr DWORD MCI_OPEN_ELEMENT = 0x00000200;
constexpr DWORD MCI_OPEN_ALIAS = 0x00000400;
constexpr DWORD MCI_OPEN_TYPE_ID = 0x00001000;
constexpr DWORD MCI_OPEN_TYPE = 0x00002000;
constexpr DWORD MCI_SET_DOOR_OPEN = 0x00000100;
constexpr DWORD MCI_SET_DOOR_CLOSED = 0x00000200;

constexpr MCIERROR MCIERR_BASE = 256;
constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
constexpr MCIERROR MCIERR_HARDWARE = MCIERR_BASE + 6;
constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
constexpr MCIERROR MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
constexpr MCIERROR MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
constexpr MCIERROR MCIERR_NULL_PARAMETER_BLOCK = MCIERR_BASE + 41;

struct MCI_GENERIC_PARMS {
  DWORD_PTR dwCallback = 0;
};

struct MCI_OPEN_PARMSA {
  DWORD_PTR dwCallback = 0;
  MCIDEVICEID wDeviceID = 0;  // set by a successful open
  LPCSTR lpstrDeviceType = nullptr;
  LPCSTR lpstrElementName = nullptr;
  LPCSTR lpstrAlias = nullptr;
};

struct MCI_SET_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwTimeFormat = 0;
  DWORD dwAudio = 0;
};

// MCI_OPEN (device 0; `param` an MCI_OPEN_PARMSA*, flags MCI_OPEN_TYPE and
// MCI_OPEN_ELEMENT), MCI_SET (MCI_SET_DOOR_OPEN or MCI_SET_DOOR_CLOSED) and
// MCI_CLOSE on an opened device. Returns 0 or an MCIERR_ value.
MCIERROR mciSendCommandA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR param);
