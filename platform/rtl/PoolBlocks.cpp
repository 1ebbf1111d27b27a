// platform/rtl/PoolBlocks.cpp
#include "platform/rtl/PoolBlocks.h"

#include <sys/mman.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#ifndef ZORVET_POOLS_ON_HEAP
namespace {

constexpr std::size_t kRegionBytes = kHugePageBytes;
static_assert(kRegionBytes % kPoolBlockBytes == 0);

class TPoolBlocks {
 public:
  static TPoolBlocks& Instance() {
    // Never destroyed: a store in a static object may give its blocks back
    // after every other static is gone.
    static TPoolBlocks* const blocks = new TPoolBlocks;
    return *blocks;
  }

  void* Take() {
    std::lock_guard lock(mutex_);
    if (!free_.empty()) {
      void* block = free_.back();
      free_.pop_back();
      return block;
    }
    if (left_ == 0) {
      next_ = NextRegion();
      left_ = kRegionBytes / kPoolBlockBytes;
    }
    void* block = next_;
    next_ += kPoolBlockBytes;
    --left_;
    return block;
  }

  void Give(void* block) noexcept {
    std::lock_guard lock(mutex_);
    try {
      free_.push_back(block);
    } catch (...) {
      // No room to remember it: the block is lost to reuse, nothing more.
    }
  }

 private:
  // A tree of a hundred thousand nodes grows the pools by some twenty
  // regions in one go, and the kernel clearing each at its first touch
  // stalled the tree's build (a tenth of the first build on the machines
  // measured). So a region comes from the reserve when it has one ready,
  // and as many regions as the pools have grown by so far (up to the
  // reserve's limit, 8 MiB) are made ready after it, held like the rest
  // of the pools' memory once growth stops. REQUIRES: mutex_ held.
  std::byte* NextRegion() {
    ++regions_;
    std::byte* region = reserve_.Take(regions_);
    if (region) return region;
    region = MapHugePageRegion(kRegionBytes);
    if (!region) throw std::bad_alloc();
    return region;
  }

  std::mutex mutex_;
  std::vector<void*> free_;
  std::byte* next_ = nullptr;
  std::size_t left_ = 0;
  std::size_t regions_ = 0;
  THugePageReserve& reserve_ = *new THugePageReserve(4);  // lives as long as the process
};

}  // namespace
#endif

std::byte* MapHugePageRegion(std::size_t bytes) {
  const std::size_t span = bytes + kHugePageBytes;
  void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  auto* start = static_cast<std::byte*>(mapped);
  const auto address = reinterpret_cast<std::uintptr_t>(start);
  const std::size_t head = (kHugePageBytes - address % kHugePageBytes) % kHugePageBytes;
  if (head > 0) munmap(start, head);
  const std::size_t tail = span - head - bytes;
  if (tail > 0) munmap(start + head + bytes, tail);
  // Only a hint: without transparent huge pages the region is ordinary memory.
  madvise(start + head, bytes, MADV_HUGEPAGE);
  return start + head;
}

THugePageReserve::THugePageReserve(std::size_t mostReady) : most_ready_(mostReady) {
  ready_.reserve(most_ready_);
}

std::byte* THugePageReserve::Take(std::size_t wanted) {
  std::lock_guard lock(mutex_);
  std::byte* region = nullptr;
  if (!ready_.empty()) {
    region = ready_.back();
    ready_.pop_back();
  }
  wanted_ = std::min(wanted, most_ready_);
  if (ready_.size() < wanted_ && StartHelper()) more_.notify_one();
  return region;
}

bool THugePageReserve::StartHelper() {
  if (!started_ && !failed_) {
    try {
      std::thread([this] { Prepare(); }).detach();
      started_ = true;
    } catch (const std::system_error&) {
      failed_ = true;  // regions are then faulted in as they are used
    }
  }
  return started_;
}

// A write fault locks only the mapping it falls in; madvise(MADV_POPULATE_WRITE)
// would hold the process's map lock for the whole region and stall the
// program's own heap growth behind it. Writing a zero over a zero changes
// nothing a user of the region relies on.
void THugePageReserve::FaultIn(std::byte* region) {
  volatile std::byte* page = region;
  for (std::size_t at = 0; at < kHugePageBytes; at += 4096) page[at] = std::byte{0};
}

void THugePageReserve::Prepare() {
  std::unique_lock lock(mutex_);
  for (;;) {
    more_.wait(lock, [this] { return ready_.size() < wanted_; });
    lock.unlock();
    std::byte* region = MapHugePageRegion(kHugePageBytes);
    if (region) FaultIn(region);
    lock.lock();
    if (!region) {
      wanted_ = 0;  // the system is short of memory: ask it for none ahead
      continue;
    }
    // Only this thread adds, and only below most_ready_: the room is reserved.
    ready_.push_back(region);
  }
}

void* TakePoolBlock() {
#ifdef ZORVET_POOLS_ON_HEAP
  return ::operator new (kPoolBlockBytes, std::align_val_t{64});
#else
  return TPoolBlocks::Instance().Take();
#endif
}

void GivePoolBlock(void* block) noexcept {
  if (!block) return;
#ifdef ZORVET_POOLS_ON_HEAP
  ::operator delete (block, std::align_val_t{64});
#else
  TPoolBlocks::Instance().Give(block);
#endif
}
