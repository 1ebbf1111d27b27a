// platform/win/DiskSpace.h
//
// Capacity and free space of a drive, or of the file system that holds a
// native path. A drive mapped with size= or free= (see Drives.h) reports
// those figures; everything else asks statvfs of the folder. A mounted
// ISO 9660 disc has no free space on Linux, which is its true state.
//
// Threads: any thread.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

struct ULARGE_INTEGER {
  ULONGLONG QuadPart = 0;
};

// `directory` is a drive path ("D:", "D:\", "D:\Photos\") or a native path;
// null means the current folder. Null outputs are skipped. On failure
// returns FALSE and sets the last error: ERROR_INVALID_DRIVE for an unmapped
// letter, ERROR_NOT_READY for an optical drive without a mounted disc,
// ERROR_PATH_NOT_FOUND for a folder that does not exist.
BOOL GetDiskFreeSpaceExA(LPCSTR directory, ULARGE_INTEGER* free_bytes_available_to_caller,
                         ULARGE_INTEGER* total_number_of_bytes,
                         ULARGE_INTEGER* total_number_of_free_bytes);

// Capacity and free bytes of drive number `drive` (1 for A, 2 for B, ...);
// -1 when the drive is not mapped or not ready. 0 (the current drive) has
// no meaning here and gives -1 as well.
Int64 DiskSize(Byte drive);
Int64 DiskFree(Byte drive);
