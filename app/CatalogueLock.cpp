// app/CatalogueLock.cpp
#include "app/CatalogueLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/DmZorvet.h"
#include "platform/rtl/Paths.h"

TCatalogueLock::~TCatalogueLock() {
  Release();
}

bool TCatalogueLock::Acquire(const String& folder) {
  Release();
  error_.clear();
  const String file = IncludeTrailingPathDelimiter(folder) + CatalogueFileName + ".lock";
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error_ = "The lock file \"" + file + "\" cannot be opened: " + std::strerror(errno);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    error_ = error == EWOULDBLOCK
                 ? String(AlreadyRunningText)
                 : "The lock file \"" + file + "\" cannot be locked: " + std::strerror(error);
    return false;
  }
  fd_ = fd;
  return true;
}

void TCatalogueLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only descriptor of the open file drops the lock
  fd_ = -1;
}
