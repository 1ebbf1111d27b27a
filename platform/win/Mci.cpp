// platform/win/Mci.cpp
#include "platform/win/Mci.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Types.h"
#include "platform/win/Drives.h"
#include "platform/win/MountTable.h"

extern char** environ;

namespace {

struct TOpenDevice {
  String device;
  unsigned major_number = 0;
  unsigned minor_number = 0;
};

std::mutex devices_mutex;
MCIDEVICEID last_device_id = 0;

std::map<MCIDEVICEID, TOpenDevice>& OpenDevices() {
  static std::map<MCIDEVICEID, TOpenDevice> devices;
  return devices;
}

// Runs a program with its output discarded; its exit status, -1 when it could not run.
int RunQuietly(const std::vector<String>& arguments) {
  std::vector<char*> argv;
  for (const String& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd <= 2; ++fd)
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool IsMounted(const TDriveSystem& system, const TOpenDevice& device) {
  return FindMountOfDevice(ReadMountTable(system.MountInfo), device.major_number,
                           device.minor_number) != nullptr;
}

// The desktop's disk service unmounts what it mounted for the user; where it
// does not run, umount does what fstab allows.
bool UnmountDevice(const String& device) {
  if (RunQuietly({"udisksctl", "unmount", "--no-user-interaction", "--block-device", device}) == 0)
    return true;
  return RunQuietly({"umount", device}) == 0;
}

MCIERROR SetDoor(const TOpenDevice& device, bool open_door) {
  TDriveSystem system = CurrentDriveSystem();
  if (open_door && IsMounted(system, device)) {
    bool unmounted = system.Unmount ? system.Unmount(device.device) : UnmountDevice(device.device);
    if (!unmounted) return MCIERR_HARDWARE;
  }
  int fd = open(device.device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return MCIERR_HARDWARE;
  int result = ioctl(fd, open_door ? CDROMEJECT : CDROMCLOSETRAY, 0);
  close(fd);
  return result == 0 ? 0 : MCIERR_HARDWARE;
}

MCIERROR Open(DWORD_PTR flags, MCI_OPEN_PARMSA* parms) {
  if (!parms) return MCIERR_NULL_PARAMETER_BLOCK;
  if (flags & MCI_OPEN_TYPE_ID) return MCIERR_UNSUPPORTED_FUNCTION;
  if (!(flags & MCI_OPEN_TYPE) || !parms->lpstrDeviceType || !(flags & MCI_OPEN_ELEMENT) ||
      !parms->lpstrElementName)
    return MCIERR_MISSING_PARAMETER;
  if (!SameText(parms->lpstrDeviceType, "CDAudio")) return MCIERR_INVALID_DEVICE_NAME;
  char letter;
  if (!ParseDriveRoot(parms->lpstrElementName, letter)) return MCIERR_INVALID_DEVICE_NAME;
  std::optional<TDrive> drive = FindDrive(letter);
  if (!drive || !drive->IsOptical() || access(drive->Device.c_str(), F_OK) != 0)
    return MCIERR_INVALID_DEVICE_NAME;

  std::lock_guard lock(devices_mutex);
  MCIDEVICEID id = ++last_device_id;
  OpenDevices()[id] = TOpenDevice{drive->Device, drive->DeviceMajor, drive->DeviceMinor};
  parms->wDeviceID = id;
  return 0;
}

std::optional<TOpenDevice> Device(MCIDEVICEID id) {
  std::lock_guard lock(devices_mutex);
  auto found = OpenDevices().find(id);
  if (found == OpenDevices().end()) return std::nullopt;
  return found->second;
}

}  // namespace

MCIERROR mciSendCommandA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR param) {
  if (flags & MCI_NOTIFY) return MCIERR_UNSUPPORTED_FUNCTION;
  switch (message) {
    case MCI_OPEN:
      return Open(flags, reinterpret_cast<MCI_OPEN_PARMSA*>(param));
    case MCI_SET: {
      std::optional<TOpenDevice> open_device = Device(device);
      if (!open_device) return MCIERR_INVALID_DEVICE_ID;
      bool open_door = flags & MCI_SET_DOOR_OPEN;
      bool close_door = flags & MCI_SET_DOOR_CLOSED;
      if (open_door && close_door) return MCIERR_FLAGS_NOT_COMPATIBLE;
      if (!open_door && !close_door) return MCIERR_UNSUPPORTED_FUNCTION;
      return SetDoor(*open_device, open_door);
    }
    case MCI_CLOSE: {
      std::lock_guard lock(devices_mutex);
      return OpenDevices().erase(device) ? 0 : MCIERR_INVALID_DEVICE_ID;
    }
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}
