// tests/memtable/SortTest.cpp
//
// Sort and SortOn: the sort index, its options, stability and the return to
// row order.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"

namespace {

std::unique_ptr<TvomMemTable> Names(std::initializer_list<std::vector<Variant>> rows) {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, rows);
  return table;
}

}  // namespace

TEST(MemTableSort, SortOnOrdersByTheFields) {
  auto table = Names({{1, "b"}, {2, "c"}, {3, "a"}});
  table->SortOn("Name", mtcoNone);
  EXPECT_EQ(Column(*table, "Name"), Texts({"a", "b", "c"}));
  EXPECT_EQ(table->SortFields(), "Name");
  EXPECT_EQ(table->CurrentIndex()->Name(), "__MT__DEFSORT");
}

TEST(MemTableSort, EqualKeysKeepTheirRowOrder) {
  auto table = Names({{1, "x"}, {2, "a"}, {3, "x"}, {4, "a"}, {5, "x"}, {6, "a"}, {7, "x"}});
  table->SortOn("Name", mtcoNone);
  EXPECT_EQ(Column(*table, "Id"), Texts({"2", "4", "6", "1", "3", "5", "7"}));
}

TEST(MemTableSort, DescendingAndCaseInsensitiveOptions) {
  auto table = Names({{1, "b"}, {2, "A"}, {3, "C"}, {4, "a"}});
  table->SortOn("Name", mtcoDescending | mtcoCaseInsensitive);
  EXPECT_EQ(Column(*table, "Id"), Texts({"3", "1", "2", "4"}));
}

TEST(MemTableSort, FieldOptionLettersApplyPerField) {
  auto table = Names({{1, "b"}, {2, "a"}, {1, "a"}, {2, "b"}});
  table->SortOn("Id:D;Name", mtcoNone);
  EXPECT_EQ(Column(*table, "Name"), Texts({"a", "b", "a", "b"}));
  EXPECT_EQ(Column(*table, "Id"), Texts({"2", "2", "1", "1"}));
}

TEST(MemTableSort, EmptyFieldsReturnToRowOrder) {
  auto table = Names({{1, "b"}, {2, "a"}});
  table->SortOn("Name", mtcoNone);
  table->SortOn("", mtcoNone);
  EXPECT_EQ(Column(*table, "Id"), Texts({"1", "2"}));
  EXPECT_EQ(table->CurrentIndex(), table->Indexes().RowOrderIndex());
  EXPECT_EQ(table->Indexes().SortIndex(), nullptr);
}

TEST(MemTableSort, SortingAgainReplacesTheSortIndex) {
  auto table = Names({{2, "a"}, {1, "b"}});
  table->SortOn("Name", mtcoNone);
  const Integer count = table->Indexes().Count();
  table->SortOn("Id", mtcoNone);
  EXPECT_EQ(table->Indexes().Count(), count);
  EXPECT_EQ(Column(*table, "Id"), Texts({"1", "2"}));
}

TEST(MemTableSort, KeepsTheCurrentRecord) {
  auto table = Names({{1, "c"}, {2, "a"}, {3, "b"}});
  table->Locate("Id", 3, {});
  table->SortOn("Name", mtcoNone);
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 3);
  EXPECT_EQ(table->RecNo(), 2);
}

TEST(MemTableSort, SortUsesSortFields) {
  auto table = Names({{1, "b"}, {2, "a"}});
  table->SetSortFields("Name");
  table->Sort(mtcoNone);
  EXPECT_EQ(Column(*table, "Id"), Texts({"2", "1"}));
}

TEST(MemTableSort, OnAClosedTableDoesNothing) {
  auto table = NewPeopleTable();
  table->SortOn("Name", mtcoNone);
  EXPECT_EQ(table->SortFields(), "");
  EXPECT_FALSE(table->Active());
}

TEST(MemTableSort, NewRecordsFollowTheSortOrder) {
  auto table = Names({{1, "b"}, {2, "d"}});
  table->SortOn("Name", mtcoNone);
  AppendRows(*table, {{3, "c"}, {4, "a"}});
  EXPECT_EQ(Column(*table, "Name"), Texts({"a", "b", "c", "d"}));
}
