// platform/win/Drives.h
//
// Drive letters over Linux. The program keeps Windows-style paths
// ("D:\Photos\"), so every drive letter stands for a Linux folder:
//
// - every optical drive (a "sr" block device under /sys/block) gets a letter
//   from D: upward, in the order of its number; its root is the mount point
//   of its disc, looked up in the mount table at every call (a drive whose
//   disc is not mounted has no root: it is not ready);
// - the variable ZORVET_DRIVES adds letters or overrides those, one entry per
//   letter, entries separated by ';':
//       E=/media/usb;F=/srv/discs/one:cdrom:label=MYDISC:serial=1A2B3C4D:fs=CDFS:size=700M:free=0
//   after the folder come options, each after a ':' —
//       cdrom          the drive reports itself as a CD-ROM drive
//       label=TEXT     volume label (may be empty)
//       serial=HEX     volume serial, exactly eight hexadecimal digits
//       fs=NAME        file-system name
//       size=N, free=N capacity and free bytes; N may end in K, M, G or T (powers of 1024)
//       image=PATH     an ISO 9660/UDF image that gives label, serial and file system
//   An option that does not parse is ignored, as is an entry without a
//   letter A-Z or without a folder.
//
// The mapping is read afresh on every call: discs are mounted and removed,
// and tests change the variable between cases. Letters are case-insensitive.
//
// Threads: every function may be called from any thread; the system paths
// (SetDriveSystem) are shared by all.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/win/MountTable.h"
#include "platform/win/WinTypes.h"

// Where the drive mapping looks at the system. Tests point it at a folder of
// their own to stand for /sys, /dev and the mount table, and observe unmounting.
struct TDriveSystem {
  String SysFolder = "/sys";
  String DevFolder = "/dev";
  String MountInfo = "/proc/self/mountinfo";
  // Unmounts the disc of `device` before its tray opens; true when it is no
  // longer mounted. Empty: through udisks2 when it runs, else umount(8).
  std::function<bool(const String& device)> Unmount;
};

// Replaces the system paths and returns the previous ones.
TDriveSystem SetDriveSystem(TDriveSystem system);
TDriveSystem CurrentDriveSystem();

struct TDriveOptions {
  bool CdRom = false;
  std::optional<String> Label;
  std::optional<DWORD> Serial;
  std::optional<String> FileSystem;
  std::optional<UInt64> Size;
  std::optional<UInt64> Free;
  std::optional<String> Image;
};

struct TDrive {
  char Letter = 0;  // 'A'..'Z'
  // An optical drive: its block device, with the device number its mounts carry.
  String Device;
  unsigned DeviceMajor = 0;
  unsigned DeviceMinor = 0;
  // A mapped folder (ZORVET_DRIVES) and its options.
  String Folder;
  TDriveOptions Options;

  bool IsOptical() const { return !Device.empty(); }
};

// Every mapped letter, A first.
std::vector<TDrive> ReadDriveTable();
// The drive of `letter` (either case), none when the letter is not mapped.
std::optional<TDrive> FindDrive(char letter);

// Parses one ZORVET_DRIVES text into drives (no optical drives); for tests
// and for ReadDriveTable.
std::vector<TDrive> ParseDriveVariable(const String& text);

// The letter (upper case) of a drive root "X:" or "X:\"; false for anything else.
bool ParseDriveRoot(const char* root, char& letter);

// The Linux folder that is the root of `drive` now, and the mount that holds
// it (null when it lies on no known mount). An optical drive whose disc is
// not mounted gives ERROR_NOT_READY; a mapped folder is returned as given,
// whether or not it exists. `mounts` is the mount table of the caller's call.
DWORD DriveRootFolder(const TDrive& drive, const std::vector<TMountEntry>& mounts, String& folder);

// The Linux path of a drive path ("D:\Photos\a.txt", "d:", "D:\"): the drive's
// root followed by the components, each moved back from its Windows form.
// Returns ERROR_SUCCESS, ERROR_INVALID_NAME (not a drive path),
// ERROR_INVALID_DRIVE (unmapped letter) or ERROR_NOT_READY (no disc mounted).
DWORD DrivePathToNative(const String& drive_path, String& native_path);

// A path of either form as a Linux path: a drive path through
// DrivePathToNative; a native path with each name moved back from its Windows
// form (the program builds native paths from names it was shown); any other
// (relative) path from the current folder, split at '\' as well as '/'.
DWORD PathToNative(const String& path, String& native_path);

// Installs the drive mapping as the runtime layer's resolver of drive paths.
// The program and tests call it once before any drive path is opened.
void InitDriveMapping();

// Drive types, as GetDriveTypeA reports them.
constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

// Bit n set for every mapped letter ('A' + n).
DWORD GetLogicalDrives();

// DRIVE_CDROM for optical drives and letters marked cdrom; for other mapped
// folders DRIVE_REMOTE, DRIVE_REMOVABLE or DRIVE_FIXED as their mount says;
// DRIVE_NO_ROOT_DIR for an unmapped letter, a missing folder or a root that
// is not "X:" or "X:\".
UINT GetDriveTypeA(LPCSTR root_path);
