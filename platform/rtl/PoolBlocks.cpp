// platform/rtl/PoolBlocks.cpp
#include "platform/rtl/PoolBlocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>
#include <new>
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
      next_ = MapRegion();
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
  static std::byte* MapRegion() {
    std::byte* region = MapHugePageRegion(kRegionBytes);
    if (!region) throw std::bad_alloc();
    return region;
  }

  std::mutex mutex_;
  std::vector<void*> free_;
  std::byte* next_ = nullptr;
  std::size_t left_ = 0;
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
