// memtable/RecordPool.h
//
// TvomRecordPool: where the record store gets the memory of its records and
// record buffers. A table of a million rows holds a million records of the
// same size, each of them as large as every fixed field laid out in full (the
// catalogue's rows are about 1.7 KB). Asking the heap for each one costs more
// than filling it: every few records the heap grows by a page and the kernel
// takes a page fault. The pool instead cuts records out of slabs, blocks of
// many records of one size, and asks the kernel to back the large slabs with
// huge pages, so that loading a table faults once per 2 MB rather than once
// per 4 KB. The kernel still clears each fresh page at its first write; while
// a pool grows by large slabs, a helper thread shared by all pools maps the
// next few and has them cleared ahead of need, overlapping the work that
// fills them. At most 8 such slabs (16 MB) wait, and those left when the
// growth stops serve the next pool.
//
// Slabs grow with the pool (from 16 KB; once the pool holds 256 KB every
// slab is 2 MB), so a small table does not hold megabytes. A freed record's memory
// is reused by the next record of its size; a slab whose last record is freed
// goes back to the system, except one empty slab kept for the next records
// (a table that keeps adding and removing its last record must not map and
// unmap a slab each time). Blocks too large to share a slab come from the
// heap one by one.
//
// Every block the pool hands out may be freed in any order; a block that the
// pool did not hand out is freed as the heap's. Blocks are aligned for any
// type. Blocks still out when the pool is destroyed keep their slab (it is
// leaked rather than freed under them).
//
// A pool serves one store, whose lock guards it, until records of another
// store come to share blocks of it (copies that share the data of the
// records they were made from). From then on (MarkShared) the blocks may be
// freed by either store, under its own lock, and the pool takes a lock of
// its own for every call.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class TvomRecordPool {
 public:
  TvomRecordPool();
  ~TvomRecordPool();
  TvomRecordPool(const TvomRecordPool&) = delete;
  TvomRecordPool& operator=(const TvomRecordPool&) = delete;

  // A block of at least `bytes` bytes. `zeroed` tells whether every byte of
  // it is known to be zero (memory fresh from the system).
  void* Allocate(std::size_t bytes, bool& zeroed);
  // Gives a block back; nullptr is ignored.
  void Free(void* block);
  // Gives the block back when it lies in one of this pool's slabs and
  // answers whether it did; a block it does not hold is left alone.
  bool FreeIfHeld(void* block);
  // From now on every call locks the pool (see above). Called under the
  // lock of the store the pool serves, which orders it before that store's
  // next call.
  void MarkShared() { shared_.store(true, std::memory_order_release); }

  // For tests: the number of slabs held and how many blocks are out.
  std::size_t SlabCount() const { return slabs_.size(); }
  std::size_t LiveCount() const;

 private:
  struct Slab;
  struct SizeClass;

  SizeClass& ClassFor(std::size_t slot);
  Slab* NewSlab(SizeClass& sizeClass);
  void ReleaseSlab(Slab* slab);
  // The slab that holds `block`, or nullptr.
  Slab* SlabOf(const void* block) const;
  // Free's work for a block of `slab`.
  void FreeInSlab(Slab* slab, void* block);
  // The pool's own lock, taken only once it is shared.
  std::unique_lock<std::mutex> Guard();

  // Every slab, by start address (for SlabOf).
  std::vector<std::pair<std::uintptr_t, Slab*>> slabs_;
  std::vector<std::unique_ptr<SizeClass>> classes_;
  std::mutex mutex_;
  std::atomic<bool> shared_{false};
};
