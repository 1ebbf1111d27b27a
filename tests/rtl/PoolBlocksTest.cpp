#include "platform/rtl/PoolBlocks.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Enough blocks to span many regions, so that regions made ready ahead by
// the helper are handed out as well as freshly mapped ones.
constexpr std::size_t kManyBlocks = 120;

// Every block is filled with its own byte after all are taken; a block
// handed out twice, or overlapping another, shows up as a wrong byte.
void ExpectDistinctWholeBlocks(const std::vector<void*>& blocks) {
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    ASSERT_NE(blocks[i], nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks[i]) % 64, 0u) << "block " << i;
    std::memset(blocks[i], static_cast<int>(i % 251), kPoolBlockBytes);
  }
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const auto* bytes = static_cast<const unsigned char*>(blocks[i]);
    const auto expected = static_cast<unsigned char>(i % 251);
    ASSERT_EQ(bytes[0], expected) << "block " << i;
    ASSERT_EQ(bytes[kPoolBlockBytes - 1], expected) << "block " << i;
  }
  std::vector<void*> sorted = blocks;
  std::sort(sorted.begin(), sorted.end(), std::less<>());
  for (std::size_t i = 1; i < sorted.size(); ++i)
    EXPECT_GE(static_cast<char*>(sorted[i]) - static_cast<char*>(sorted[i - 1]),
              static_cast<std::ptrdiff_t>(kPoolBlockBytes));
}

void GiveAll(const std::vector<void*>& blocks) {
  for (void* block : blocks) GivePoolBlock(block);
}

}  // namespace

TEST(PoolBlocks, GrowingOverManyRegionsHandsOutEachBlockOnce) {
  std::vector<void*> blocks;
  for (std::size_t i = 0; i < kManyBlocks; ++i) blocks.push_back(TakePoolBlock());
  ExpectDistinctWholeBlocks(blocks);
  GiveAll(blocks);
}

TEST(PoolBlocks, BlocksGivenBackServeTheNextStoreFirst) {
  if (kPoolsOnHeap) GTEST_SKIP() << "blocks are heap blocks of their own here";
  std::vector<void*> first;
  for (std::size_t i = 0; i < 20; ++i) first.push_back(TakePoolBlock());
  GiveAll(first);
  std::vector<void*> second;
  for (std::size_t i = 0; i < first.size(); ++i) second.push_back(TakePoolBlock());
  std::sort(first.begin(), first.end(), std::less<>());
  std::sort(second.begin(), second.end(), std::less<>());
  EXPECT_EQ(first, second);
  GiveAll(second);
}

TEST(PoolBlocks, ThreadsGrowingTogetherGetDistinctBlocks) {
  std::vector<void*> mine, theirs;
  std::thread other([&] {
    for (std::size_t i = 0; i < kManyBlocks / 2; ++i) theirs.push_back(TakePoolBlock());
  });
  for (std::size_t i = 0; i < kManyBlocks / 2; ++i) mine.push_back(TakePoolBlock());
  other.join();
  mine.insert(mine.end(), theirs.begin(), theirs.end());
  ExpectDistinctWholeBlocks(mine);
  GiveAll(mine);
}

TEST(HugePageReserve, ReadyRegionsAreFreshAlignedAndHandedOutOnce) {
  // Lives as long as the process, as its helper does.
  static THugePageReserve* const reserve = new THugePageReserve(3);
  std::vector<std::byte*> regions;
  // The helper prepares regions only after a first request; this waits for
  // it by asking again, not by sleeping, with a bound far above its work.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (regions.size() < 5 && std::chrono::steady_clock::now() < deadline) {
    if (std::byte* region = reserve->Take(3)) {
      regions.push_back(region);
    } else {
      std::this_thread::yield();
    }
  }
  ASSERT_EQ(regions.size(), 5u) << "the helper made no regions ready";
  for (std::byte* region : regions) {
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(region) % kHugePageBytes, 0u);
    // Zero-filled as fresh memory, every page of it.
    for (std::size_t at = 0; at < kHugePageBytes; at += 4096) ASSERT_EQ(region[at], std::byte{0});
    EXPECT_EQ(region[kHugePageBytes - 1], std::byte{0});
    std::memset(region, 0x5A, kHugePageBytes);
  }
  std::sort(regions.begin(), regions.end(), std::less<>());
  for (std::size_t i = 1; i < regions.size(); ++i)
    EXPECT_GE(regions[i] - regions[i - 1], static_cast<std::ptrdiff_t>(kHugePageBytes));
  for (std::byte* region : regions) munmap(region, kHugePageBytes);
}
