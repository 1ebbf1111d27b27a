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
// The memory stays in the process once taken. Under the address sanitizer
// each block is a heap block of its own, freed when given back. Threads:
// any (locked).
#pragma once

#include <cstddef>

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
