// platform/win/Volumes.h
//
// The volume behind a drive letter: label, 32-bit serial and file-system name.
//
// - An optical drive (see Drives.h): its disc must be mounted, else the drive
//   is not ready (ERROR_NOT_READY). The device is opened read-only and
//   non-blocking (a blocking open would pull an opened tray back in) and
//   asked CDROM_DRIVE_STATUS first; the descriptors of the disc's last
//   session are read once per disc and kept until the medium changes, since
//   the drive poll asks for them several times every two seconds.
// - A mapped folder: the options of its ZORVET_DRIVES entry first, then its
//   image (image=), then its mount: a mount of an ISO 9660 or UDF file
//   system (a loop-mounted image too) is read from the mount's source; any
//   other mount gives its file-system type in upper case, as label the file
//   system's label when the folder is the mount point itself and the
//   folder's name otherwise, and as serial the 32-bit FNV-1a hash of the file
//   system's UUID (without one, its device number "major:minor") followed by
//   the folder's path inside the file system.
//
// Errors (as GetLastError reports them): ERROR_INVALID_NAME for a root that
// is not "X:" or "X:\", ERROR_INVALID_DRIVE for an unmapped letter,
// ERROR_NOT_READY for no disc or a disc not mounted, ERROR_PATH_NOT_FOUND for
// a missing folder or image, ERROR_ACCESS_DENIED for a device or image that
// cannot be read, ERROR_UNRECOGNIZED_VOLUME when no volume descriptor is
// recognised.
//
// Threads: any thread; the cache of disc identities is shared and locked.
#pragma once

#include <optional>

#include "platform/rtl/Types.h"
#include "platform/win/VolumeDescriptors.h"
#include "platform/win/WinTypes.h"

// The identity of the volume whose root is `root_path` ("X:" or "X:\").
// Returns ERROR_SUCCESS or one of the errors above.
DWORD QueryVolumeIdentity(const String& root_path, TVolumeIdentity& identity);

// The identity of the medium in `path`: an optical or other block device, or
// an image file. `mount_id` names the mount of the medium when it is mounted;
// an optical disc's identity is kept while that mount and the medium stay.
DWORD ReadMediumIdentity(const String& path, TVolumeIdentity& identity,
                         std::optional<int> mount_id = std::nullopt);

// FNV-1a, 32 bits, of `text`.
DWORD Fnv1a32(std::string_view text);

// File-system flags that GetVolumeInformationA reports.
constexpr DWORD FILE_CASE_SENSITIVE_SEARCH = 0x00000001;
constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x00000002;
constexpr DWORD FILE_UNICODE_ON_DISK = 0x00000004;
constexpr DWORD FILE_READ_ONLY_VOLUME = 0x00080000;

// Fills what the caller asks for (null pointers are skipped). The name
// buffers take the text and its terminating zero; one too small fails with
// ERROR_BAD_LENGTH. On failure returns FALSE and sets the last error.
BOOL GetVolumeInformationA(LPCSTR root_path, LPSTR volume_name, DWORD volume_name_size,
                           DWORD* serial_number, DWORD* max_component_length,
                           DWORD* file_system_flags, LPSTR file_system_name,
                           DWORD file_system_name_size);

// The process error mode. Nothing here ever shows a box about a drive that is
// not ready, so the mode is only kept and handed back.
constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
constexpr UINT SEM_NOGPFAULTERRORBOX = 0x0002;
constexpr UINT SEM_NOALIGNMENTFAULTEXCEPT = 0x0004;
constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

// Sets the mode and returns the previous one.
UINT SetErrorMode(UINT mode);

// Network drives. No drive letter is a connection to a network share here,
// so asking for a drive's universal name always fails with ERROR_NOT_CONNECTED.
constexpr DWORD UNIVERSAL_NAME_INFO_LEVEL = 1;
constexpr DWORD REMOTE_NAME_INFO_LEVEL = 2;

struct UNIVERSAL_NAME_INFOA {
  LPSTR lpUniversalName;
};

DWORD WNetGetUniversalNameA(LPCSTR local_path, DWORD info_level, LPVOID buffer, DWORD* buffer_size);
