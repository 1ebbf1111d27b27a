// memtable/RecordPool.cpp
#include "memtable/RecordPool.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "platform/rtl/PoolBlocks.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

constexpr std::size_t kAlignment = 16;
constexpr std::size_t kSmallestSlab = 16 * 1024;
constexpr std::size_t kLargeSlab = kHugePageBytes;
// Once its slabs hold this much, a pool takes large slabs only: below it a
// table is small enough for heap memory, above it the page faults of heap
// memory cost more than a partly used huge page.
constexpr std::size_t kLargeSlabsFrom = 256 * 1024;
// A block larger than this would leave too few per slab: the heap's.
constexpr std::size_t kLargestSlot = kLargeSlab / 8;

// Memory of a slab that is not handed out is poisoned under the address
// sanitizer, so that a record used after it was freed is still caught
// although its memory stays with the pool.
void Poison(void* at, std::size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
  ASAN_POISON_MEMORY_REGION(at, bytes);
#else
  (void)at;
  (void)bytes;
#endif
}

void Unpoison(void* at, std::size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
  ASAN_UNPOISON_MEMORY_REGION(at, bytes);
#else
  (void)at;
  (void)bytes;
#endif
}

// kLargeSlab bytes aligned to kLargeSlab, so that the kernel can back them
// with one huge page; zero-filled. nullptr when the system refuses. (On the
// virtual machines measured, a fault on a 4 KB page cost some 15 us: a
// million catalogue rows took seconds in faults alone.)
std::byte* MapLargeSlab() {
  return MapHugePageRegion(kLargeSlab);
}

// Large slabs faulted in ahead of need on a helper thread while a pool grows
// by large slabs (a large load): its clearing of fresh pages overlaps the
// load's own work.
THugePageReserve& SlabReserve() {
  // Never destroyed: a pool in a static object may be freed after every
  // other static, and the helper may still be inside the kernel at exit.
  static THugePageReserve* const reserve = new THugePageReserve(8);
  return *reserve;
}

}  // namespace

struct TvomRecordPool::Slab {
  std::byte* base = nullptr;
  std::size_t bytes = 0;
  std::size_t slot = 0;
  std::size_t capacity = 0;
  // Slots from the start that have been handed out at least once.
  std::size_t carved = 0;
  std::size_t live = 0;
  // Freed slots, each holding the address of the next.
  void* free = nullptr;
  // The uncarved slots are still the system's zeros.
  bool pristine = true;
  bool mapped = false;
  SizeClass* owner = nullptr;

  bool Full() const { return free == nullptr && carved == capacity; }

  // Hands the memory back to where it came from.
  void ReturnMemory() {
    Unpoison(base, bytes);
    if (mapped)
      munmap(base, bytes);
    else
      std::free(base);
  }
};

struct TvomRecordPool::SizeClass {
  std::size_t slot = 0;
  // Slabs with a slot to give; the last one gives first.
  std::vector<Slab*> open;
  // Its slabs and their bytes (the next slab grows with them).
  std::size_t slabs = 0;
  std::size_t bytes = 0;
  // The one empty slab kept.
  Slab* spare = nullptr;
};

TvomRecordPool::TvomRecordPool() = default;

TvomRecordPool::~TvomRecordPool() {
  for (const auto& [base, slab] : slabs_) {
    // A block still out keeps its slab: leaking is safer than freeing it
    // under whoever holds it.
    if (slab->live == 0) slab->ReturnMemory();
    delete slab;
  }
}

std::unique_lock<std::mutex> TvomRecordPool::Guard() {
  std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
  if (shared_.load(std::memory_order_acquire)) lock.lock();
  return lock;
}

std::size_t TvomRecordPool::LiveCount() const {
  std::size_t live = 0;
  for (const auto& entry : slabs_) live += entry.second->live;
  return live;
}

TvomRecordPool::SizeClass& TvomRecordPool::ClassFor(std::size_t slot) {
  // A store has one record size per layout, so this list stays short.
  for (const auto& c : classes_)
    if (c->slot == slot) return *c;
  classes_.push_back(std::make_unique<SizeClass>());
  classes_.back()->slot = slot;
  return *classes_.back();
}

TvomRecordPool::Slab* TvomRecordPool::NewSlab(SizeClass& sizeClass) {
  // Each new slab is as large as the slabs so far together (a pool doubles),
  // from kSmallestSlab on, until large slabs take over.
  const std::size_t wanted = std::max(sizeClass.bytes, 4 * sizeClass.slot);
  // Room in the lists first: once the memory is taken nothing may throw,
  // and Free, which puts slabs back on the open list, never needs to grow it.
  if (slabs_.size() == slabs_.capacity()) slabs_.reserve(2 * slabs_.size() + 1);
  if (sizeClass.open.capacity() <= sizeClass.slabs) sizeClass.open.reserve(2 * sizeClass.slabs + 1);
  auto slab = std::make_unique<Slab>();
  if (wanted >= kLargeSlabsFrom) {
    // A pool that already holds large slabs is taken to keep growing (a
    // load): as many slabs as it holds, up to the reserve's limit, are made
    // ready ahead of it.
    slab->base = SlabReserve().Take(sizeClass.bytes / kLargeSlab);
    if (slab->base == nullptr) slab->base = MapLargeSlab();
    slab->bytes = kLargeSlab;
    slab->mapped = true;
  } else {
    // Heap memory may be reused: it is cleared record by record, as used.
    slab->bytes = std::max(wanted, kSmallestSlab);
    slab->base = static_cast<std::byte*>(std::malloc(slab->bytes));
    slab->pristine = false;
  }
  if (slab->base == nullptr) throw std::bad_alloc();
  slab->slot = sizeClass.slot;
  slab->capacity = slab->bytes / slab->slot;
  slab->owner = &sizeClass;
  Poison(slab->base, slab->bytes);

  Slab* made = slab.release();
  const auto base = reinterpret_cast<std::uintptr_t>(made->base);
  const auto at = std::upper_bound(
      slabs_.begin(), slabs_.end(), base,
      [](std::uintptr_t address, const auto& entry) { return address < entry.first; });
  slabs_.insert(at, {base, made});
  sizeClass.bytes += made->bytes;
  ++sizeClass.slabs;
  sizeClass.open.push_back(made);
  return made;
}

void* TvomRecordPool::Allocate(std::size_t bytes, bool& zeroed) {
  zeroed = false;
  const std::size_t slot =
      std::max<std::size_t>((bytes + kAlignment - 1) / kAlignment * kAlignment, kAlignment);
  if (slot > kLargestSlot) return ::operator new(slot);
  const auto guard = Guard();

  SizeClass& sizeClass = ClassFor(slot);
  Slab* slab = sizeClass.open.empty() ? NewSlab(sizeClass) : sizeClass.open.back();
  void* block;
  if (slab->free != nullptr) {
    block = slab->free;
    Unpoison(block, slot);
    std::memcpy(&slab->free, block, sizeof(void*));
  } else {
    block = slab->base + slab->carved * slot;
    Unpoison(block, slot);
    ++slab->carved;
    zeroed = slab->pristine;
  }
  ++slab->live;
  if (slab == sizeClass.spare) sizeClass.spare = nullptr;
  if (slab->Full()) sizeClass.open.pop_back();
  return block;
}

TvomRecordPool::Slab* TvomRecordPool::SlabOf(const void* block) const {
  // Addresses of different allocations are ordered as integers.
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  const auto next =
      std::upper_bound(slabs_.begin(), slabs_.end(), address,
                       [](std::uintptr_t a, const auto& entry) { return a < entry.first; });
  if (next == slabs_.begin()) return nullptr;
  const auto& [base, slab] = *std::prev(next);
  return address < base + slab->bytes ? slab : nullptr;
}

void TvomRecordPool::Free(void* block) {
  if (block == nullptr) return;
  if (!FreeIfHeld(block)) ::operator delete(block);
}

bool TvomRecordPool::FreeIfHeld(void* block) {
  if (block == nullptr) return false;
  const auto guard = Guard();
  Slab* slab = SlabOf(block);
  if (slab == nullptr) return false;
  FreeInSlab(slab, block);
  return true;
}

void TvomRecordPool::FreeInSlab(Slab* slab, void* block) {
  SizeClass& sizeClass = *slab->owner;
  if (slab->Full()) sizeClass.open.push_back(slab);
  std::memcpy(block, &slab->free, sizeof(void*));
  slab->free = block;
  Poison(block, slab->slot);
  if (--slab->live > 0) return;
  if (sizeClass.spare != nullptr) {
    ReleaseSlab(slab);
    return;
  }
  // Kept for the next records, as if new (but no longer zero).
  sizeClass.spare = slab;
  slab->free = nullptr;
  slab->carved = 0;
  slab->pristine = false;
}

void TvomRecordPool::ReleaseSlab(Slab* slab) {
  SizeClass& sizeClass = *slab->owner;
  std::erase(sizeClass.open, slab);
  sizeClass.bytes -= slab->bytes;
  --sizeClass.slabs;
  const auto base = reinterpret_cast<std::uintptr_t>(slab->base);
  const auto at = std::lower_bound(
      slabs_.begin(), slabs_.end(), base,
      [](const auto& entry, std::uintptr_t address) { return entry.first < address; });
  slabs_.erase(at);
  slab->ReturnMemory();
  delete slab;
}
