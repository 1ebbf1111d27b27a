// platform/win/DiskSpace.cpp
#include "platform/win/DiskSpace.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>

#include "platform/rtl/Paths.h"
#include "platform/win/Drives.h"
#include "platform/win/WinError.h"

namespace {

struct TSpace {
  UInt64 available = 0;  // free to the caller
  UInt64 total = 0;
  UInt64 free = 0;
};

DWORD QuerySpace(const char* directory, TSpace& space) {
  String path = directory ? directory : ".";
  std::optional<TDrive> drive;
  if (IsDrivePath(path)) {
    drive = FindDrive(path[0]);
    if (!drive) return ERROR_INVALID_DRIVE;
  }
  String native;
  if (DWORD error = PathToNative(path, native)) return error;
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return ErrnoToWinError(errno);
  if (!S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;

  const TDriveOptions none;
  const TDriveOptions& options = drive ? drive->Options : none;
  if (!options.Size || !options.Free) {
    struct statvfs vfs;
    if (statvfs(native.c_str(), &vfs) != 0) return ErrnoToWinError(errno);
    UInt64 unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    space.total = UInt64(vfs.f_blocks) * unit;
    space.free = UInt64(vfs.f_bfree) * unit;
    space.available = UInt64(vfs.f_bavail) * unit;
  }
  if (options.Size) space.total = *options.Size;
  if (options.Free) space.free = space.available = *options.Free;
  // A declared capacity bounds what the folder's file system has free.
  if (options.Size) {
    space.free = std::min(space.free, space.total);
    space.available = std::min(space.available, space.total);
  }
  return ERROR_SUCCESS;
}

std::optional<TSpace> DriveSpace(Byte drive) {
  if (drive < 1 || drive > 26) return std::nullopt;
  const char root[] = {char('A' + drive - 1), ':', '\\', '\0'};
  TSpace space;
  if (QuerySpace(root, space) != ERROR_SUCCESS) return std::nullopt;
  return space;
}

Int64 ClampToInt64(UInt64 value) {
  return Int64(std::min<UInt64>(value, UInt64(std::numeric_limits<Int64>::max())));
}

}  // namespace

BOOL GetDiskFreeSpaceExA(LPCSTR directory, ULARGE_INTEGER* free_bytes_available_to_caller,
                         ULARGE_INTEGER* total_number_of_bytes,
                         ULARGE_INTEGER* total_number_of_free_bytes) {
  TSpace space;
  if (DWORD error = QuerySpace(directory, space)) {
    SetLastError(error);
    return FALSE;
  }
  if (free_bytes_available_to_caller) free_bytes_available_to_caller->QuadPart = space.available;
  if (total_number_of_bytes) total_number_of_bytes->QuadPart = space.total;
  if (total_number_of_free_bytes) total_number_of_free_bytes->QuadPart = space.free;
  return TRUE;
}

Int64 DiskSize(Byte drive) {
  std::optional<TSpace> space = DriveSpace(drive);
  return space ? ClampToInt64(space->total) : -1;
}

Int64 DiskFree(Byte drive) {
  std::optional<TSpace> space = DriveSpace(drive);
  return space ? ClampToInt64(space->available) : -1;
}
