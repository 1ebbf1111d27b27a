// app/CatalogueLock.h
//
// One program per catalogue. Two running copies would each save at close,
// and the last to close would erase the other's scans; so the program holds
// an exclusive lock on a file beside the catalogue ("Zorvet.stbl.lock",
// flock) for as long as it runs, and a second copy finds it taken.
//
// The lock goes with the process, also when it dies, so a crash never leaves
// a catalogue locked. The lock file itself stays; its content means nothing.
//
// Threads: any; one object per catalogue folder.
#pragma once

#include "platform/rtl/Types.h"

class TCatalogueLock {
 public:
  TCatalogueLock() = default;
  ~TCatalogueLock();
  TCatalogueLock(const TCatalogueLock&) = delete;
  TCatalogueLock& operator=(const TCatalogueLock&) = delete;

  // Takes the lock of the catalogue in `folder` (native path). False when
  // another holder has it or the lock file cannot be made; Error() says which.
  bool Acquire(const String& folder);
  void Release();
  bool Held() const { return fd_ >= 0; }
  const String& Error() const { return error_; }

 private:
  int fd_ = -1;
  String error_;
};

// The text a second copy shows before it exits.
inline constexpr const char* AlreadyRunningText = "Zorvet is already running with this catalogue.";
