#include "platform/rtl/List.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {
int a = 1, b = 2, c = 3;

std::vector<int> Values(const TListOf<int>& l) {
  std::vector<int> out;
  for (Integer i = 0; i < l.Count(); ++i) out.push_back(*l.Items(i));
  return out;
}
}  // namespace

TEST(PointerList, KeepsOrderThroughEdits) {
  TListOf<int> l;
  l.Add(&a);
  l.Add(&c);
  l.Insert(1, &b);
  EXPECT_EQ(Values(l), (std::vector<int>{1, 2, 3}));
  l.Move(0, 2);
  EXPECT_EQ(Values(l), (std::vector<int>{2, 3, 1}));
  l.Exchange(0, 1);
  EXPECT_EQ(Values(l), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(l.Remove(&b), 1);
  EXPECT_EQ(l.Remove(&b), -1);
  EXPECT_EQ(*l.First(), 3);
  EXPECT_EQ(*l.Last(), 1);
}

TEST(PointerList, BadIndexNamesTheIndex) {
  TList l;
  l.Add(&a);
  try {
    l.Items(1);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
  EXPECT_THROW(l.Delete(-1), EListError);
  EXPECT_THROW(l.Insert(3, &b), EListError);
  EXPECT_THROW(TList().First(), EListError);
}

TEST(PointerList, PackDropsNullsAndCountPadsWithThem) {
  TList l;
  l.Add(&a);
  l.SetCount(3);
  EXPECT_EQ(l.Items(2), nullptr);
  l.Add(&b);
  l.Pack();
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l.Items(1), &b);
  EXPECT_THROW(l.SetCapacity(1), EListError);
}

TEST(PointerList, SortIsStable) {
  struct Rec {
    int key, seq;
  };
  std::vector<Rec> recs{{2, 0}, {1, 1}, {2, 2}, {1, 3}, {0, 4}};
  TListOf<Rec> l;
  for (auto& r : recs) l.Add(&r);
  l.Sort([](Rec* x, Rec* y) { return x->key - y->key; });
  std::vector<int> seqs;
  for (Integer i = 0; i < l.Count(); ++i) seqs.push_back(l.Items(i)->seq);
  EXPECT_EQ(seqs, (std::vector<int>{4, 1, 3, 0, 2}));
}

TEST(PointerList, SortSurvivesAnInconsistentComparison) {
  std::vector<int> values(1000);
  TList l;
  for (auto& v : values) l.Add(&v);
  int calls = 0;
  l.Sort([&](void*, void*) { return (++calls % 3) - 1; });  // answers at random
  EXPECT_EQ(l.Count(), 1000);
  for (auto& v : values) EXPECT_GE(l.IndexOf(&v), 0);
}

TEST(ThreadList, IgnoresDuplicatesAndSerialisesWriters) {
  TThreadList list;
  list.Add(&a);
  list.Add(&a);
  {
    TThreadListLock locked(list);
    EXPECT_EQ(locked->Count(), 1);
  }
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add(&a), EListError);

  std::vector<int> slots(400);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) list.Add(&slots[static_cast<std::size_t>(t * 100 + i)]);
    });
  for (auto& th : threads) th.join();
  TThreadListLock locked(list);
  EXPECT_EQ(locked->Count(), 401);
}
