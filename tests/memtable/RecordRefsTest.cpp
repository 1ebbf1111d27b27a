// tests/memtable/RecordRefsTest.cpp
//
// The chunked reference list behaves as one flat list under any mix of
// inserts, deletes and reads.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "memtable/RecordRefs.h"

namespace {

TvomRecord* Ref(std::size_t i) { return reinterpret_cast<TvomRecord*>((i + 1) * 16); }

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
  for (Integer i = refs.Count() - 1; i >= 0; --i) ASSERT_EQ(model[static_cast<std::size_t>(i)], refs[i]);
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

}  // namespace
