// tests/memtable/RecordPoolTest.cpp
//
// The memory of the store's records: blocks cut from slabs, reused after
// being freed, slabs given back when empty (one kept), large blocks and
// blocks the pool never made left to the heap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "TestTable.h"
#include "memtable/RecordPool.h"

namespace {

TEST(RecordPool, BlocksAreAlignedDistinctAndWritable) {
  TvomRecordPool pool;
  std::set<void*> seen;
  std::vector<void*> blocks;
  for (std::size_t size : {1u, 15u, 16u, 17u, 1700u, 4096u, 100000u}) {
    for (int i = 0; i < 50; ++i) {
      bool zeroed;
      void* block = pool.Allocate(size, zeroed);
      EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(block) % 16);
      EXPECT_TRUE(seen.insert(block).second);
      std::memset(block, 0xAB, size);
      blocks.push_back(block);
    }
  }
  EXPECT_EQ(blocks.size(), pool.LiveCount());
  for (void* block : blocks) pool.Free(block);
  EXPECT_EQ(0u, pool.LiveCount());
}

TEST(RecordPool, AFreedBlockIsReusedAndNotPromisedZero) {
  TvomRecordPool pool;
  bool zeroed;
  void* keep = pool.Allocate(100, zeroed);
  void* block = pool.Allocate(100, zeroed);
  std::memset(block, 1, 100);
  pool.Free(block);
  void* again = pool.Allocate(100, zeroed);
  EXPECT_EQ(block, again);
  EXPECT_FALSE(zeroed);
  pool.Free(again);
  pool.Free(keep);
}

TEST(RecordPool, FreshMemoryOfLargeSlabsIsZero) {
  TvomRecordPool pool;
  std::vector<void*> blocks;
  bool sawZeroed = false;
  // Enough blocks of 4 KB to go past the heap slabs into the mapped ones.
  for (int i = 0; i < 1000; ++i) {
    bool zeroed;
    auto* block = static_cast<unsigned char*>(pool.Allocate(4096, zeroed));
    if (zeroed) {
      sawZeroed = true;
      EXPECT_TRUE(std::all_of(block, block + 4096, [](unsigned char b) { return b == 0; }));
    }
    blocks.push_back(block);
  }
  EXPECT_TRUE(sawZeroed);
  for (void* block : blocks) pool.Free(block);
}

TEST(RecordPool, PoolsGrowingTogetherGetZeroedMemoryOfTheirOwn) {
  // Two pools growing by many large slabs at once draw on the slabs made
  // ready ahead of them; a third, made after, takes those left over. Fresh
  // blocks must read as zero and no block may overlap another.
  constexpr std::size_t kSize = 1700;
  std::size_t fresh = 0;
  auto grow = [&](TvomRecordPool& pool, std::vector<unsigned char*>& blocks, unsigned char mark) {
    bool zeroed;
    auto* block = static_cast<unsigned char*>(pool.Allocate(kSize, zeroed));
    fresh += zeroed;
    if (zeroed && !std::all_of(block, block + kSize, [](unsigned char b) { return b == 0; }))
      ADD_FAILURE() << "a fresh block holds data";
    std::memset(block, mark, kSize);
    blocks.push_back(block);
  };
  auto all_marked = [&](const std::vector<unsigned char*>& blocks, unsigned char mark) {
    return std::all_of(blocks.begin(), blocks.end(), [&](unsigned char* block) {
      return std::all_of(block, block + kSize, [&](unsigned char b) { return b == mark; });
    });
  };
  std::vector<unsigned char*> first, second, third;
  {
    TvomRecordPool a, b;
    for (int i = 0; i < 12000; ++i) {
      grow(a, first, 0xA1);
      grow(b, second, 0xB2);
    }
    EXPECT_TRUE(all_marked(first, 0xA1));
    EXPECT_TRUE(all_marked(second, 0xB2));
    for (unsigned char* block : first) a.Free(block);
    for (unsigned char* block : second) b.Free(block);
  }
  TvomRecordPool c;
  for (int i = 0; i < 6000; ++i) grow(c, third, 0xC3);
  EXPECT_TRUE(all_marked(third, 0xC3));
  // All but the first few hundred blocks of each pool (heap slabs) are fresh.
  EXPECT_GT(fresh, 28000u);
  for (unsigned char* block : third) c.Free(block);
}

TEST(RecordPool, EmptySlabsGoBackButOneIsKept) {
  TvomRecordPool pool;
  std::vector<void*> blocks;
  bool zeroed;
  for (int i = 0; i < 5000; ++i) blocks.push_back(pool.Allocate(1700, zeroed));
  const std::size_t full = pool.SlabCount();
  EXPECT_GT(full, 3u);
  for (void* block : blocks) pool.Free(block);
  EXPECT_EQ(1u, pool.SlabCount());
  // The kept slab serves again; adding and removing one block does not make
  // or drop slabs.
  for (int i = 0; i < 10; ++i) pool.Free(pool.Allocate(1700, zeroed));
  EXPECT_EQ(1u, pool.SlabCount());
  EXPECT_EQ(0u, pool.LiveCount());
}

TEST(RecordPool, BlocksOfOneSlabFreedInAnyOrder) {
  TvomRecordPool pool;
  std::vector<void*> blocks;
  bool zeroed;
  for (int i = 0; i < 300; ++i) blocks.push_back(pool.Allocate(64 + (i % 3) * 100, zeroed));
  // Every other one, then the rest backwards: the lists stay consistent.
  for (std::size_t i = 0; i < blocks.size(); i += 2) pool.Free(blocks[i]);
  for (std::size_t i = blocks.size() - 1; i < blocks.size(); i -= 2) pool.Free(blocks[i]);
  EXPECT_EQ(0u, pool.LiveCount());
  void* after = pool.Allocate(64, zeroed);
  EXPECT_EQ(1u, pool.LiveCount());
  pool.Free(after);
}

TEST(RecordPool, LargeAndForeignBlocksAreTheHeaps) {
  TvomRecordPool pool;
  bool zeroed;
  void* large = pool.Allocate(1 << 20, zeroed);
  EXPECT_EQ(0u, pool.SlabCount());
  std::memset(large, 7, 1 << 20);
  pool.Free(large);
  pool.Free(::operator new(40));
  pool.Free(nullptr);
}

TEST(RecordPool, ASharedPoolTakesBackItsBlocksFromAnotherThread) {
  TvomRecordPool mine, theirs;
  bool zeroed;
  std::vector<void*> blocks;
  for (int i = 0; i < 2000; ++i) blocks.push_back(theirs.Allocate(1700, zeroed));
  // A pool frees only what it holds; the other's blocks stay out.
  EXPECT_FALSE(mine.FreeIfHeld(blocks[0]));
  EXPECT_EQ(2000u, theirs.LiveCount());

  theirs.MarkShared();
  std::thread other([&] {
    for (void* block : blocks) EXPECT_TRUE(theirs.FreeIfHeld(block));
  });
  // Meanwhile the pool's own user goes on taking and giving blocks.
  std::vector<void*> more;
  for (int i = 0; i < 2000; ++i) more.push_back(theirs.Allocate(1700, zeroed));
  other.join();
  EXPECT_EQ(2000u, theirs.LiveCount());
  for (void* block : more) theirs.Free(block);
  EXPECT_EQ(0u, theirs.LiveCount());
}

// --- the store's use of it ---------------------------------------------------------------

class StoreMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.AddField("Name", ftString, 200);
    t.AddField("N", ftInteger);
    t.AddField("Memo", ftMemo);
    t.Open();
  }
  TestTable t;
};

TEST_F(StoreMemoryTest, NewRecordFromCopiesEveryByteAndMovesBuffers) {
  TvomCommon& store = t.store();
  TvomRecord* buffer = store.AllocRecord();
  // Bytes at the edges of the 64-byte blocks that the copy may leave out.
  for (Integer at : {0, 63, 64, 127, 200, store.IndirectStart() - 1})
    buffer->Data[at] = static_cast<Byte>(at + 1);
  t.SetText(buffer, "Memo", "held apart");
  buffer->Serial = 5;
  buffer->UpdateStatus = usModified;
  TvomRecord* copy = store.NewRecordFrom(buffer);
  EXPECT_EQ(0,
            std::memcmp(copy->Data, buffer->Data, static_cast<std::size_t>(store.IndirectStart())));
  EXPECT_EQ(5, copy->Serial);
  EXPECT_EQ(usModified, copy->UpdateStatus);
  EXPECT_EQ("held apart", t.Text(copy, "Memo"));
  store.FreeRecord(copy, true, false);
  store.FreeRecord(buffer, true, false);
}

TEST_F(StoreMemoryTest, RecordsMadeAfterOthersWereFreedStartCleared) {
  TvomCommon& store = t.store();
  std::vector<TvomRecord*> records;
  for (int i = 0; i < 50; ++i) {
    TvomRecord* r = store.AllocRecord();
    std::memset(r->Data, 0xEE, static_cast<std::size_t>(store.IndirectStart()));
    records.push_back(r);
  }
  for (TvomRecord* r : records) store.FreeRecord(r, false, false);
  for (int i = 0; i < 50; ++i) {
    TvomRecord* r = store.AllocRecord();
    EXPECT_TRUE(std::all_of(r->Data, r->Data + store.DataSize(), [](Byte b) { return b == 0; }));
    EXPECT_EQ(-1, r->Serial);
    records[static_cast<std::size_t>(i)] = r;
  }
  for (TvomRecord* r : records) store.FreeRecord(r, false, false);
}

TEST_F(StoreMemoryTest, NestedLockingLeavesTheStoreFreeForOtherThreads) {
  TvomCommon& store = t.store();
  store.Lock();
  store.Lock();
  { TvomStoreLock again(store); }
  store.Unlock();
  store.Unlock();
  bool entered = false;
  std::thread other([&] {
    TvomStoreLock hold(store);
    entered = true;
  });
  other.join();
  EXPECT_TRUE(entered);
}

TEST_F(StoreMemoryTest, ChangedFlagsOfAnyFieldNumberAreCleared) {
  TvomCommon& store = t.store();
  store.SetFieldFlags(2, mtffChanged);
  store.SetFieldFlags(kvomMaxFields, static_cast<Byte>(mtffChanged | mtffIndirect));
  store.ClearChangedFlags();
  EXPECT_EQ(0, store.FieldFlags(2));
  EXPECT_EQ(mtffIndirect, store.FieldFlags(kvomMaxFields));
}

}  // namespace
