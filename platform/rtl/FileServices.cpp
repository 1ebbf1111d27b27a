// platform/rtl/FileServices.cpp
#include "platform/rtl/FileServices.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Paths.h"

namespace {

// The native path of `path`, or false with errno set.
bool Resolve(const String& path, String& native) {
  if (ResolvePath(path, native)) return true;
  errno = ENOENT;
  return false;
}

bool StatPath(const String& path, struct stat& info) {
  String native;
  return Resolve(path, native) && ::stat(native.c_str(), &info) == 0;
}

bool IsFolder(const String& native) {
  struct stat info;
  return ::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool FileExists(const String& path) {
  struct stat info;
  return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const String& path) {
  struct stat info;
  return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool DeleteFile(const String& path) {
  String native;
  return Resolve(path, native) && ::unlink(native.c_str()) == 0;
}

bool RenameFile(const String& old_name, const String& new_name) {
  String from;
  String to;
  if (!Resolve(old_name, from) || !Resolve(new_name, to)) return false;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without no-replace renames: check first (not atomic, but
  // it only matters when two programs race for the same new name).
  struct stat info;
  if (::lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool ForceDirectories(const String& dir) {
  if (dir.empty()) {
    errno = EINVAL;
    return false;
  }
  String native;
  if (!Resolve(dir, native)) return false;
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (IsFolder(native)) return true;
  // Create each level from the top; levels that exist already are passed.
  for (std::size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
    const String level = native.substr(0, slash);
    if (::mkdir(level.c_str(), 0777) != 0 && !(errno == EEXIST && IsFolder(level))) return false;
    if (slash == String::npos) return true;
  }
}

bool FileAge(const String& path, TDateTime& last_write) {
  // A link is dated as the link itself, as the directory search dates it;
  // a walk that took the date here and the size from the search would
  // otherwise pair the target's date with the link's size.
  String native;
  struct stat info;
  if (!Resolve(path, native) || ::lstat(native.c_str(), &info) != 0) return false;
  try {
    last_write = UnixTimeToDateTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  } catch (const EConvertError&) {
    errno = EOVERFLOW;  // a time outside the years 1 to 9999
    return false;
  }
  return true;
}

Int64 FileSize(const String& path) {
  struct stat info;
  if (!StatPath(path, info)) return -1;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return -1;
  }
  return static_cast<Int64>(info.st_size);
}

bool WriteFileAtomically(const String& file, std::string_view bytes, unsigned mode) {
  const String folder = file.substr(0, file.rfind('/') + 1);
  if (!folder.empty() && !DirectoryExists(folder) && !ForceDirectories(folder)) return false;
  // The process id keeps two programs saving the same file at once from
  // writing into one new file.
  const String fresh = file + ".new" + std::to_string(::getpid());
  const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return false;
  errno = 0;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done < bytes.size() && errno == 0) errno = EIO;  // a write that stopped without a reason
  const bool written = done == bytes.size() && ::fsync(fd) == 0;
  int failure = errno;
  ::close(fd);
  if (written && ::rename(fresh.c_str(), file.c_str()) == 0) return true;
  if (written) failure = errno;
  ::unlink(fresh.c_str());
  errno = failure;
  return false;
}
