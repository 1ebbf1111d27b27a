// platform/win/Volumes.cpp
#include "platform/win/Volumes.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

#include "platform/rtl/StringUtils.h"
#include "platform/win/Drives.h"
#include "platform/win/MountTable.h"
#include "platform/win/WinError.h"

namespace {

constexpr DWORD kMaxComponentLength = 255;

// A file descriptor closed on every way out.
class TFileHandle {
 public:
  explicit TFileHandle(int fd) : fd_(fd) {}
  ~TFileHandle() {
    if (fd_ >= 0) close(fd_);
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Identities of optical discs, kept per device while the same disc stays mounted.
struct TCachedDisc {
  std::optional<int> mount_id;
  DWORD result = ERROR_SUCCESS;
  TVolumeIdentity identity;
};
std::mutex cache_mutex;
std::map<String, TCachedDisc>& DiscCache() {
  static std::map<String, TCachedDisc> cache;
  return cache;
}

std::atomic<UINT> error_mode{0};

// A loop device is often readable by root only while its backing file is
// the user's own image; the kernel names that file.
String LoopBackingFile(const String& device) {
  size_t slash = device.rfind('/');
  String name = device.substr(slash == String::npos ? 0 : slash + 1);
  if (!name.starts_with("loop")) return String();
  std::ifstream in(CurrentDriveSystem().SysFolder + "/block/" + name + "/loop/backing_file");
  String file;
  std::getline(in, file);
  return file;
}

TSectorStatus ReadSector(int fd, UInt64 sector, Byte* buffer) {
  ssize_t n = pread(fd, buffer, kCdSectorSize, off_t(sector * kCdSectorSize));
  if (n == ssize_t(kCdSectorSize)) return TSectorStatus::Ok;
  if (n >= 0 || errno == EINVAL) return TSectorStatus::Missing;
  return TSectorStatus::Failed;
}

void CopyUnset(const TVolumeIdentity& from, std::optional<String>& label,
               std::optional<DWORD>& serial, std::optional<String>& file_system) {
  if (!label) label = from.Label;
  if (!serial) serial = from.Serial;
  if (!file_system) file_system = from.FileSystem;
}

// "\x20" and friends in the names of /dev/disk/by-* links.
String UnescapeUdevName(const String& name) {
  String result;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        std::isxdigit(Byte(name[i + 2])) && std::isxdigit(Byte(name[i + 3]))) {
      result += char(std::stoi(name.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      result += name[i];
    }
  }
  return result;
}

// The name of the /dev/disk/by-<kind> link that leads to `device`; empty when none.
String DiskLinkName(const String& kind, const String& device) {
  if (device.empty() || device[0] != '/') return String();
  String target = CanonicalPath(device);
  String folder = CurrentDriveSystem().DevFolder + "/disk/by-" + kind;
  String found;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      if (CanonicalPath(folder + "/" + entry->d_name) == target) {
        found = UnescapeUdevName(entry->d_name);
        break;
      }
    }
    closedir(dir);
  }
  return found;
}

String LastComponent(String path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  return slash == String::npos ? path : path.substr(slash + 1);
}

// The identity of a folder on a mount that is not a disc (see the header).
TVolumeIdentity FolderOnMountIdentity(const String& folder, const String& canonical,
                                      const TMountEntry& mount) {
  TVolumeIdentity identity;
  identity.FileSystem = UpperCase(mount.FsType);
  if (canonical == mount.MountPoint) identity.Label = DiskLinkName("label", mount.Source);
  if (identity.Label.empty()) identity.Label = LastComponent(folder);

  String key = DiskLinkName("uuid", mount.Source);
  if (key.empty()) key = std::to_string(mount.Major) + ":" + std::to_string(mount.Minor);
  // The path inside the file system, so that a bind mount of the same folder
  // gives the same serial.
  String below = canonical.substr(mount.MountPoint == "/" ? 0 : mount.MountPoint.size());
  String inside = (mount.Root == "/" ? String() : mount.Root) + below;
  identity.Serial = Fnv1a32(key + inside);
  return identity;
}

DWORD QueryFolderIdentity(const TDrive& drive, const std::vector<TMountEntry>& mounts,
                          TVolumeIdentity& identity, bool& read_only) {
  struct stat st;
  if (stat(drive.Folder.c_str(), &st) != 0) return ErrnoToWinError(errno);
  if (!S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;

  std::optional<String> label = drive.Options.Label;
  std::optional<DWORD> serial = drive.Options.Serial;
  std::optional<String> file_system = drive.Options.FileSystem;
  auto complete = [&] { return label && serial && file_system; };

  if (!complete() && drive.Options.Image) {
    TVolumeIdentity image;
    if (DWORD error = ReadMediumIdentity(*drive.Options.Image, image)) return error;
    CopyUnset(image, label, serial, file_system);
  }
  String canonical = CanonicalPath(drive.Folder);
  const TMountEntry* mount = FindMountOfPath(mounts, canonical);
  read_only = mount && mount->ReadOnly();
  if (!complete()) {
    if (!mount) return ERROR_UNRECOGNIZED_VOLUME;
    TVolumeIdentity found;
    if (mount->FsType == "iso9660" || mount->FsType == "udf") {
      if (DWORD error = ReadMediumIdentity(mount->Source, found, mount->MountId)) return error;
    } else {
      found = FolderOnMountIdentity(drive.Folder, canonical, *mount);
    }
    CopyUnset(found, label, serial, file_system);
  }
  identity.Label = *label;
  identity.Serial = *serial;
  identity.FileSystem = *file_system;
  return ERROR_SUCCESS;
}

DWORD QueryVolume(const String& root_path, TVolumeIdentity& identity, bool& read_only) {
  char letter;
  if (!ParseDriveRoot(root_path.c_str(), letter)) return ERROR_INVALID_NAME;
  std::optional<TDrive> drive = FindDrive(letter);
  if (!drive) return ERROR_INVALID_DRIVE;
  std::vector<TMountEntry> mounts = ReadMountTable(CurrentDriveSystem().MountInfo);
  if (drive->IsOptical()) {
    const TMountEntry* mount = FindMountOfDevice(mounts, drive->DeviceMajor, drive->DeviceMinor);
    if (!mount) return ERROR_NOT_READY;
    read_only = true;
    return ReadMediumIdentity(drive->Device, identity, mount->MountId);
  }
  return QueryFolderIdentity(*drive, mounts, identity, read_only);
}

bool CopyText(const String& text, LPSTR buffer, DWORD size) {
  if (!buffer) return true;
  if (text.size() + 1 > size) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

DWORD Fnv1a32(std::string_view text) {
  DWORD hash = 2166136261u;
  for (char c : text) {
    hash ^= Byte(c);
    hash *= 16777619u;
  }
  return hash;
}

DWORD ReadMediumIdentity(const String& path, TVolumeIdentity& identity,
                         std::optional<int> mount_id) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) {
    String backing = LoopBackingFile(path);
    if (!backing.empty()) fd = open(backing.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) errno = EACCES;
  }
  if (fd < 0) return ErrnoToWinError(errno);
  TFileHandle file(fd);

  // Only a CD-ROM device answers the drive status; for any other file the
  // question fails and the file is read as it is.
  int status = ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
  bool optical = status >= 0;
  if (optical && status != CDS_DISC_OK && status != CDS_NO_INFO) return ERROR_NOT_READY;

  if (optical) {
    bool changed = ioctl(fd, CDROM_MEDIA_CHANGED, CDSL_CURRENT) == 1;
    std::lock_guard lock(cache_mutex);
    auto cached = DiscCache().find(path);
    if (cached != DiscCache().end()) {
      if (!changed && cached->second.mount_id == mount_id) {
        if (cached->second.result == ERROR_SUCCESS) identity = cached->second.identity;
        return cached->second.result;
      }
      DiscCache().erase(cached);
    }
  }

  Cardinal session_start = 0;
  if (optical) {
    cdrom_multisession session{};
    session.addr_format = CDROM_LBA;
    if (ioctl(fd, CDROMMULTISESSION, &session) == 0 && session.xa_flag)
      session_start = Cardinal(session.addr.lba);
  }
  TVolumeIdentity found;
  DWORD result = ReadVolumeDescriptors(
      [fd](UInt64 sector, Byte* buffer) { return ReadSector(fd, sector, buffer); }, session_start,
      found);
  // A read that failed may succeed once the disc has spun up: only answers
  // that the disc itself gave are kept.
  if (optical && result != ERROR_NOT_READY) {
    std::lock_guard lock(cache_mutex);
    DiscCache()[path] = TCachedDisc{mount_id, result, found};
  }
  if (result == ERROR_SUCCESS) identity = std::move(found);
  return result;
}

DWORD QueryVolumeIdentity(const String& root_path, TVolumeIdentity& identity) {
  bool read_only = false;
  return QueryVolume(root_path, identity, read_only);
}

BOOL GetVolumeInformationA(LPCSTR root_path, LPSTR volume_name, DWORD volume_name_size,
                           DWORD* serial_number, DWORD* max_component_length,
                           DWORD* file_system_flags, LPSTR file_system_name,
                           DWORD file_system_name_size) {
  TVolumeIdentity identity;
  bool read_only = false;
  DWORD error = QueryVolume(root_path ? root_path : "", identity, read_only);
  if (error == ERROR_SUCCESS &&
      (!CopyText(identity.Label, volume_name, volume_name_size) ||
       !CopyText(identity.FileSystem, file_system_name, file_system_name_size)))
    error = ERROR_BAD_LENGTH;
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  if (serial_number) *serial_number = identity.Serial;
  if (max_component_length) *max_component_length = kMaxComponentLength;
  if (file_system_flags) {
    bool disc = identity.FileSystem == "CDFS" || identity.FileSystem == "UDF";
    *file_system_flags = FILE_UNICODE_ON_DISK | FILE_CASE_PRESERVED_NAMES |
                         (disc ? 0 : FILE_CASE_SENSITIVE_SEARCH) |
                         (disc || read_only ? FILE_READ_ONLY_VOLUME : 0);
  }
  return TRUE;
}

UINT SetErrorMode(UINT mode) {
  return error_mode.exchange(mode);
}

DWORD WNetGetUniversalNameA(LPCSTR, DWORD, LPVOID, DWORD*) {
  SetLastError(ERROR_NOT_CONNECTED);
  return ERROR_NOT_CONNECTED;
}
