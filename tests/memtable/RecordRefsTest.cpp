// tests/memtable/RecordRefsTest.cpp
//
// The chunked reference list behaves as one flat list under any mix of
// inserts, deletes and reads.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "memtable/RecordRefs.h"

namespace {

TvomRecord* Ref(std::size_t i) {
  return reinterpret_cast<TvomRecord*>((i + 1) * 16);
}

TEST(RecordRefsTest, MatchesAFlatListUnderRandomEdits) {
  TvomRecordRefs refs;
  std::vector<TvomRecord*> model;
  std::mt19937 random(12345);
  for (std::size_t step = 0; step < 40000; ++step) {
    const unsigned op = random() % 10;
    if (op < 3 || model.empty()) {
      refs.Add(Ref(step));
      model.push_back(Ref(step));
    } else if (op < 7) {
      const auto pos = static_cast<Integer>(random() % (model.size() + 1));
      refs.Insert(pos, Ref(step));
      model.insert(model.begin() + pos, Ref(step));
    } else {
      const auto pos = static_cast<Integer>(random() % model.size());
      refs.Delete(pos);
      model.erase(model.begin() + pos);
    }
    if (step % 997 == 0) {
      ASSERT_EQ(static_cast<Integer>(model.size()), refs.Count());
      ASSERT_EQ(model, refs.ToVector());
      for (std::size_t i = 0; i < model.size(); i += 37)
        ASSERT_EQ(model[i], refs.Get(static_cast<Integer>(i)));
    }
  }
  // Walking backwards and forwards reads the same entries.
  for (Integer i = refs.Count() - 1; i >= 0; --i)
    ASSERT_EQ(model[static_cast<std::size_t>(i)], refs[i]);
}

TEST(RecordRefsTest, DeletingEverythingLeavesAnEmptyList) {
  TvomRecordRefs refs;
  for (std::size_t i = 0; i < 5000; ++i) refs.Add(Ref(i));
  while (!refs.Empty()) refs.Delete(refs.Count() / 2);
  EXPECT_EQ(0, refs.Count());
  refs.Insert(0, Ref(1));
  EXPECT_EQ(Ref(1), refs.Get(0));
}

TEST(RecordRefsTest, AssignSetAndIndexOf) {
  std::vector<TvomRecord*> all;
  for (std::size_t i = 0; i < 3000; ++i) all.push_back(Ref(i));
  TvomRecordRefs refs;
  refs.Assign(all);
  EXPECT_EQ(all, refs.ToVector());
  EXPECT_EQ(2500, refs.IndexOf(Ref(2500)));
  EXPECT_EQ(-1, refs.IndexOf(Ref(5000)));
  refs.Set(1000, Ref(9999));
  EXPECT_EQ(Ref(9999), refs.Get(1000));
  refs.Clear();
  EXPECT_TRUE(refs.Empty());
}

TEST(RecordRefsTest, AssignReplacesWhateverTheListHeld) {
  TvomRecordRefs refs;
  std::vector<TvomRecord*> model;
  std::mt19937 random(99);
  for (const std::size_t size : {3000u, 100u, 0u, 5000u, 769u}) {
    model.clear();
    for (std::size_t i = 0; i < size; ++i) model.push_back(Ref(i * 7 + size));
    refs.Assign(model);
    ASSERT_EQ(static_cast<Integer>(size), refs.Count());
    ASSERT_EQ(model, refs.ToVector());
    // The list built by the assignment takes edits like any other.
    for (std::size_t step = 0; step < 500; ++step) {
      if (model.empty() || random() % 2 == 0) {
        const auto pos = static_cast<Integer>(random() % (model.size() + 1));
        refs.Insert(pos, Ref(100000 + step));
        model.insert(model.begin() + pos, Ref(100000 + step));
      } else {
        const auto pos = static_cast<Integer>(random() % model.size());
        refs.Delete(pos);
        model.erase(model.begin() + pos);
      }
    }
    ASSERT_EQ(model, refs.ToVector());
    for (std::size_t i = 0; i < model.size(); i += 13)
      ASSERT_EQ(model[i], refs.Get(static_cast<Integer>(i)));
  }
}

TEST(RecordRefsTest, IndexOfFromAPositionAndForEach) {
  std::vector<TvomRecord*> all;
  for (std::size_t i = 0; i < 3000; ++i) all.push_back(Ref(i % 1000));  // each one three times
  TvomRecordRefs refs;
  refs.Assign(all);
  EXPECT_EQ(500, refs.IndexOf(Ref(500)));
  EXPECT_EQ(1500, refs.IndexOf(Ref(500), 501));
  EXPECT_EQ(2500, refs.IndexOf(Ref(500), 1501));
  EXPECT_EQ(2500, refs.IndexOf(Ref(500), 2500));
  EXPECT_EQ(-1, refs.IndexOf(Ref(500), 2501));
  EXPECT_EQ(-1, refs.IndexOf(Ref(500), 3000));
  std::vector<TvomRecord*> visited;
  refs.ForEach([&](TvomRecord* record) { visited.push_back(record); });
  EXPECT_EQ(all, visited);
}

}  // namespace

// A walk reads a little ahead of where it stands: positions go forward and
// back across the ends of chunks, and each read finds its own entry.
TEST(RecordRefsTest, ReadsAheadAndBackAcrossChunkEnds) {
  TvomRecordRefs refs;
  std::vector<TvomRecord*> model;
  for (std::size_t i = 0; i < 5000; ++i) {
    refs.Add(Ref(i));
    model.push_back(Ref(i));
  }
  // Some chunks shorter than others.
  for (Integer pos : {3000, 1500, 10}) {
    refs.Delete(pos);
    model.erase(model.begin() + pos);
  }
  const auto count = static_cast<Integer>(model.size());
  for (Integer pos = 0; pos < count; ++pos)
    for (Integer step : {32, 16, 8, 0, -1, 1000, -999}) {
      const Integer at = pos + step;
      if (at < 0 || at >= count) continue;
      ASSERT_EQ(refs.Get(at), model[static_cast<std::size_t>(at)]) << pos << " " << step;
    }
}
