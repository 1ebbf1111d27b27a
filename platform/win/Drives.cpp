// platform/win/Drives.cpp
#include "platform/win/Drives.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "platform/rtl/Paths.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/WinError.h"

namespace {

std::mutex system_mutex;

TDriveSystem& SharedSystem() {
  static TDriveSystem system;
  return system;
}

constexpr char kFirstOpticalLetter = 'D';

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::vector<String> Split(const String& text, char separator) {
  std::vector<String> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == String::npos ? String::npos : end - start));
    if (end == String::npos) return parts;
    start = end + 1;
  }
}

std::optional<DWORD> ParseSerial(const String& text) {
  if (text.size() != 8) return std::nullopt;
  DWORD value = 0;
  for (char c : text) {
    int digit = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
    if (digit < 0) return std::nullopt;
    value = (value << 4) | DWORD(digit);
  }
  return value;
}

std::optional<UInt64> ParseByteCount(const String& text) {
  static constexpr std::array<std::pair<char, int>, 4> kSuffixes{
      {{'K', 10}, {'M', 20}, {'G', 30}, {'T', 40}}};
  String digits = text;
  int shift = 0;
  if (!digits.empty()) {
    for (auto [suffix, bits] : kSuffixes)
      if (AsciiUpper(digits.back()) == suffix) {
        shift = bits;
        digits.pop_back();
        break;
      }
  }
  if (digits.empty()) return std::nullopt;
  UInt64 value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (UINT64_MAX - UInt64(c - '0')) / 10) return std::nullopt;
    value = value * 10 + UInt64(c - '0');
  }
  if (shift && value > (UINT64_MAX >> shift)) return std::nullopt;
  return value << shift;
}

void ApplyOption(const String& option, TDriveOptions& options) {
  size_t equals = option.find('=');
  String key = option.substr(0, equals);
  if (equals == String::npos) {
    if (SameText(key, "cdrom")) options.CdRom = true;
    return;
  }
  String value = option.substr(equals + 1);
  if (SameText(key, "label")) {
    options.Label = value;
  } else if (SameText(key, "serial")) {
    if (auto serial = ParseSerial(value)) options.Serial = serial;
  } else if (SameText(key, "fs")) {
    if (!value.empty()) options.FileSystem = value;
  } else if (SameText(key, "size")) {
    if (auto size = ParseByteCount(value)) options.Size = size;
  } else if (SameText(key, "free")) {
    if (auto free = ParseByteCount(value)) options.Free = free;
  } else if (SameText(key, "image")) {
    if (!value.empty()) options.Image = value;
  }
}

bool ReadDeviceNumber(const String& file, unsigned& major_number, unsigned& minor_number) {
  std::ifstream in(file);
  char colon = 0;
  return bool(in >> major_number >> colon >> minor_number) && colon == ':';
}

// The optical drives of the machine, in the order of their numbers.
std::vector<TDrive> ReadOpticalDrives(const TDriveSystem& system) {
  std::vector<std::pair<unsigned long, String>> names;
  String block = system.SysFolder + "/block";
  if (DIR* dir = opendir(block.c_str())) {
    while (dirent* entry = readdir(dir)) {
      String name = entry->d_name;
      if (name.size() < 3 || name.compare(0, 2, "sr") != 0 ||
          name.find_first_not_of("0123456789", 2) != String::npos)
        continue;
      names.emplace_back(std::strtoul(name.c_str() + 2, nullptr, 10), name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  std::vector<TDrive> drives;
  char letter = kFirstOpticalLetter;
  for (const auto& [number, name] : names) {
    if (letter > 'Z') break;
    TDrive drive;
    if (!ReadDeviceNumber(block + "/" + name + "/dev", drive.DeviceMajor, drive.DeviceMinor))
      continue;
    drive.Letter = letter++;
    drive.Device = system.DevFolder + "/" + name;
    drives.push_back(std::move(drive));
  }
  return drives;
}

bool IsRemoteMount(const TMountEntry& mount) {
  static constexpr std::array<const char*, 14> kRemoteTypes{
      "nfs", "nfs4", "cifs",      "smb3",       "smbfs",       "ncpfs",     "afs",
      "9p",  "ceph", "glusterfs", "fuse.sshfs", "fuse.rclone", "fuse.s3fs", "davfs"};
  for (const char* type : kRemoteTypes)
    if (mount.FsType == type) return true;
  // "//server/share" and "server:/export" name a share on another machine.
  if (mount.Source.starts_with("//")) return true;
  size_t colon = mount.Source.find(":/");
  return colon != String::npos && colon > 0 && mount.Source[0] != '/';
}

bool IsRemovableDevice(const TDriveSystem& system, const String& source) {
  struct stat st;
  if (stat(source.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return false;
  String device = system.SysFolder + "/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                  std::to_string(minor(st.st_rdev));
  // A partition has no "removable" of its own; its disk's tells.
  for (const char* file : {"/removable", "/../removable"}) {
    std::ifstream in(device + file);
    int removable = 0;
    if (in >> removable) return removable == 1;
  }
  return false;
}

}  // namespace

TDriveSystem SetDriveSystem(TDriveSystem system) {
  std::lock_guard lock(system_mutex);
  std::swap(SharedSystem(), system);
  return system;
}

TDriveSystem CurrentDriveSystem() {
  std::lock_guard lock(system_mutex);
  return SharedSystem();
}

std::vector<TDrive> ParseDriveVariable(const String& text) {
  std::vector<TDrive> drives;
  for (const String& raw : Split(text, ';')) {
    String entry = Trim(raw);
    if (entry.size() < 3 || !IsLetter(entry[0]) || entry[1] != '=') continue;
    std::vector<String> parts = Split(entry.substr(2), ':');
    if (parts[0].empty()) continue;
    TDrive drive;
    drive.Letter = AsciiUpper(entry[0]);
    drive.Folder = parts[0];
    for (size_t i = 1; i < parts.size(); ++i) ApplyOption(parts[i], drive.Options);
    // A later entry for the same letter wins.
    std::erase_if(drives, [&](const TDrive& d) { return d.Letter == drive.Letter; });
    drives.push_back(std::move(drive));
  }
  return drives;
}

std::vector<TDrive> ReadDriveTable() {
  std::vector<TDrive> drives = ReadOpticalDrives(CurrentDriveSystem());
  if (const char* variable = std::getenv("ZORVET_DRIVES")) {
    for (TDrive& mapped : ParseDriveVariable(variable)) {
      std::erase_if(drives, [&](const TDrive& d) { return d.Letter == mapped.Letter; });
      drives.push_back(std::move(mapped));
    }
  }
  std::sort(drives.begin(), drives.end(),
            [](const TDrive& a, const TDrive& b) { return a.Letter < b.Letter; });
  return drives;
}

std::optional<TDrive> FindDrive(char letter) {
  letter = AsciiUpper(letter);
  for (TDrive& drive : ReadDriveTable())
    if (drive.Letter == letter) return std::move(drive);
  return std::nullopt;
}

bool ParseDriveRoot(const char* root, char& letter) {
  if (!root || !IsLetter(root[0]) || root[1] != ':') return false;
  if (root[2] != '\0' && !(root[2] == '\\' && root[3] == '\0')) return false;
  letter = AsciiUpper(root[0]);
  return true;
}

DWORD DriveRootFolder(const TDrive& drive, const std::vector<TMountEntry>& mounts, String& folder) {
  if (!drive.IsOptical()) {
    folder = drive.Folder;
    return ERROR_SUCCESS;
  }
  const TMountEntry* mount = FindMountOfDevice(mounts, drive.DeviceMajor, drive.DeviceMinor);
  if (!mount) return ERROR_NOT_READY;
  folder = mount->MountPoint;
  return ERROR_SUCCESS;
}

DWORD DrivePathToNative(const String& drive_path, String& native_path) {
  if (drive_path.size() < 2 || !IsLetter(drive_path[0]) || drive_path[1] != ':')
    return ERROR_INVALID_NAME;
  std::optional<TDrive> drive = FindDrive(drive_path[0]);
  if (!drive) return ERROR_INVALID_DRIVE;
  String root;
  if (DWORD error = DriveRootFolder(*drive, ReadMountTable(CurrentDriveSystem().MountInfo), root))
    return error;

  // Windows takes "." and ".." by their text and never climbs above the
  // root; doing the same keeps a drive path inside its drive's folder.
  std::vector<String> components;
  size_t start = 2;
  while (start <= drive_path.size()) {
    size_t end = drive_path.find_first_of("\\/", start);
    if (end == String::npos) end = drive_path.size();
    String component = drive_path.substr(start, end - start);
    start = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (!components.empty()) components.pop_back();
      continue;
    }
    components.push_back(WindowsNameToNative(component));
  }
  native_path = root;
  for (const String& component : components) {
    if (native_path.empty() || native_path.back() != '/') native_path += '/';
    native_path += component;
  }
  return ERROR_SUCCESS;
}

DWORD PathToNative(const String& path, String& native_path) {
  if (IsDrivePath(path)) return DrivePathToNative(path, native_path);
  String shown = path;
  if (!IsNativePath(path)) std::replace(shown.begin(), shown.end(), '\\', '/');
  String native;
  size_t start = 0;
  for (;;) {
    size_t end = shown.find('/', start);
    native += WindowsNameToNative(std::string_view(shown).substr(start, end - start));
    if (end == String::npos) break;
    native += '/';
    start = end + 1;
  }
  native_path = std::move(native);
  return ERROR_SUCCESS;
}

void InitDriveMapping() {
  SetDrivePathResolver([](const String& drive_path, String& native_path) {
    return DrivePathToNative(drive_path, native_path) == ERROR_SUCCESS;
  });
}

DWORD GetLogicalDrives() {
  DWORD mask = 0;
  for (const TDrive& drive : ReadDriveTable()) mask |= DWORD(1) << (drive.Letter - 'A');
  return mask;
}

UINT GetDriveTypeA(LPCSTR root_path) {
  char letter;
  if (!ParseDriveRoot(root_path, letter)) return DRIVE_NO_ROOT_DIR;
  std::optional<TDrive> drive = FindDrive(letter);
  if (!drive) return DRIVE_NO_ROOT_DIR;
  if (drive->IsOptical() || drive->Options.CdRom) return DRIVE_CDROM;

  struct stat st;
  if (stat(drive->Folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return DRIVE_NO_ROOT_DIR;
  TDriveSystem system = CurrentDriveSystem();
  std::vector<TMountEntry> mounts = ReadMountTable(system.MountInfo);
  const TMountEntry* mount = FindMountOfPath(mounts, CanonicalPath(drive->Folder));
  if (!mount) return DRIVE_FIXED;
  if (IsRemoteMount(*mount)) return DRIVE_REMOTE;
  if (IsRemovableDevice(system, mount->Source)) return DRIVE_REMOVABLE;
  return DRIVE_FIXED;
}
