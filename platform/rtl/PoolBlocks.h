// platform/rtl/PoolBlocks.h
//
// Blocks of one size for stores that make many small objects (the items of a
// tree view, tree nodes). They are cut from 2 MiB regions that the kernel is
// asked to back with huge pages, and a block given back is kept for the next
// store. On the virtual machines measured a fault on a fresh 4 KB page cost
// some 15 us, so a tree of a hundred thousand folders spent more time in
// faults on its item and node memory than in building itself; a huge page
// is one fault for 512 of them.
//
// The memory stays in the process once taken; while the pools grow, regions
// are faulted in ahead of them (THugePageReserve below). Under the address sanitizer
// each block is a heap block of its own, freed when given back. Threads:
// any (locked).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

// Under the address sanitizer pools hand out heap memory instead, so that
// it keeps finding uses of freed objects and its leak check still sees the
// heap memory that pooled objects point to.
#if defined(__SANITIZE_ADDRESS__)
#define ZORVET_POOLS_ON_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZORVET_POOLS_ON_HEAP 1
#endif
#endif
#ifdef ZORVET_POOLS_ON_HEAP
constexpr bool kPoolsOnHeap = true;
#else
constexpr bool kPoolsOnHeap = false;
#endif

constexpr std::size_t kPoolBlockBytes = 256 * 1024;
// The size of a huge page on x86-64 and arm64 with 4 KB pages.
constexpr std::size_t kHugePageBytes = 2 * 1024 * 1024;

// `bytes` (a multiple of kHugePageBytes) of fresh zero-filled memory aligned
// to kHugePageBytes, which the kernel is asked to back with huge pages;
// nullptr when the system refuses. Released with munmap.
std::byte* MapHugePageRegion(std::size_t bytes);

// A block of kPoolBlockBytes bytes, aligned to 64 bytes, contents unspecified.
// Throws std::bad_alloc when the system has no memory for it.
void* TakePoolBlock();
// Gives a block of TakePoolBlock back (nullptr does nothing).
void GivePoolBlock(void* block) noexcept;

// Regions of kHugePageBytes (from MapHugePageRegion) that a helper thread has
// had the kernel allocate and clear ahead of need. Even with huge pages the
// kernel clears every fresh page at its first write, and on the machines
// measured that clearing cost as much as the rest of a large load or a
// tree's first build; on the helper it overlaps that work. Regions are made
// ready only while someone asks (Take), never more than `mostReady`; those
// left over wait for the next Take. An instance lives as long as the
// process (its helper never ends): make it with new and never delete it.
// Threads: any.
class THugePageReserve {
 public:
  explicit THugePageReserve(std::size_t mostReady);
  THugePageReserve(const THugePageReserve&) = delete;
  THugePageReserve& operator=(const THugePageReserve&) = delete;

  // A ready region (zero-filled, as fresh from the system) or nullptr; and a
  // request that `wanted` regions (at most mostReady) be ready after it.
  std::byte* Take(std::size_t wanted);

 private:
  bool StartHelper();  // REQUIRES: mutex_ held; false when no helper runs
  static void FaultIn(std::byte* region);
  void Prepare();

  const std::size_t most_ready_;
  std::mutex mutex_;
  std::condition_variable more_;
  std::vector<std::byte*> ready_;
  std::size_t wanted_ = 0;
  bool started_ = false;
  bool failed_ = false;
};
