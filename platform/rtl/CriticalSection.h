// platform/rtl/CriticalSection.h
//
// A recursive lock: the thread that holds it may enter again, and must leave
// as often as it entered. TCriticalSectionLock holds one for a scope, so the
// lock is released on every way out, exceptions included.
#pragma once

#include <mutex>

class TCriticalSection {
 public:
  TCriticalSection() = default;
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  // Blocks until the calling thread holds the lock.
  void Enter() { mutex_.lock(); }
  // Takes the lock when it is free (or held by this thread); never blocks.
  bool TryEnter() { return mutex_.try_lock(); }
  // REQUIRES: the calling thread holds the lock.
  void Leave() { mutex_.unlock(); }
  // The same under the names that some callers use.
  void Acquire() { Enter(); }
  void Release() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

class TCriticalSectionLock {
 public:
  explicit TCriticalSectionLock(TCriticalSection& section) : section_(section) { section_.Enter(); }
  ~TCriticalSectionLock() { section_.Leave(); }
  TCriticalSectionLock(const TCriticalSectionLock&) = delete;
  TCriticalSectionLock& operator=(const TCriticalSectionLock&) = delete;

 private:
  TCriticalSection& section_;
};
