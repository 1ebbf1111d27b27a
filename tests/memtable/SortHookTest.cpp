// tests/memtable/SortHookTest.cpp
//
// A table class of its own may answer comparisons by overriding the compare
// hook instead of setting OnCompareFields; sorting must still ask it.
#include <gtest/gtest.h>

#include <cstring>

#include "MemTableTestHelpers.h"

namespace {

// Orders integers highest first, whatever the index says.
class HighestFirstTable : public TvomMemTable {
 public:
  using TvomMemTable::TvomMemTable;
  bool CompareFieldsHook(TField*, const void* keyValue, const void* recordValue, TFieldType, Byte,
                         bool&, Integer& result) override {
    Integer a, b;
    std::memcpy(&a, keyValue, sizeof a);
    std::memcpy(&b, recordValue, sizeof b);
    result = a < b ? 1 : (a > b ? -1 : 0);
    return true;
  }
};

TEST(SortThroughAnOverriddenHook, TheOverrideDecidesTheOrder) {
  HighestFirstTable table(nullptr);
  table.FieldDefs()->Add("Row", ftInteger);
  table.FieldDefs()->Add("I", ftInteger);
  table.FieldDefs()->Add("F", ftFloat);
  table.FieldDefs()->Add("S", ftString, 8);
  table.Open();
  AppendRows(table, {{1, 2}, {2, 3}, {3, 1}});
  table.SortOn("I", mtcoNone);
  EXPECT_EQ(Column(table, "Row"), Texts({"2", "1", "3"}));
}

}  // namespace
