// tests/memtable/MemTableNavigationTest.cpp
//
// Moving through a table: both ends, MoveBy, record numbers and counts, and
// finding records that pass the filter.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"

namespace {

class MemTableNavigation : public ::testing::Test {
 protected:
  void SetUp() override {
    table = NewPeopleTable();
    table->Open();
    AppendRows(*table, {{1, "Ann"}, {2, "Bo"}, {3, "Cy"}, {4, "Di"}, {5, "Ed"}});
  }
  String Name() { return table->FieldByName("Name")->AsString(); }
  std::unique_ptr<TvomMemTable> table;
};

// A link that keeps a window of several records, as a grid does.
class GridLink : public TDataLink {
 public:
  explicit GridLink(Integer rows) { SetBufferCount(rows); }
};

}  // namespace

TEST_F(MemTableNavigation, BothEnds) {
  table->First();
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(Name(), "Ann");
  table->Prior();
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(Name(), "Ann");
  table->Last();
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(Name(), "Ed");
  table->Next();
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(Name(), "Ed");
}

TEST_F(MemTableNavigation, MoveByStopsAtTheEnds) {
  table->First();
  EXPECT_EQ(table->MoveBy(3), 3);
  EXPECT_EQ(Name(), "Di");
  EXPECT_EQ(table->MoveBy(5), 1);
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->MoveBy(-10), -4);
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(Name(), "Ann");
}

TEST_F(MemTableNavigation, WalksBackwardsThroughAWindowOfRecords) {
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  GridLink grid(3);
  grid.SetDataSource(&source);
  table->Last();
  std::vector<String> names;
  while (!table->Bof()) {
    names.push_back(Name());
    table->Prior();
  }
  EXPECT_EQ(names, Texts({"Ed", "Di", "Cy", "Bo", "Ann"}));
}

TEST_F(MemTableNavigation, RecNoAndRecordCount) {
  EXPECT_EQ(table->RecordCount(), 5);
  table->First();
  EXPECT_EQ(table->RecNo(), 1);
  table->MoveBy(2);
  EXPECT_EQ(table->RecNo(), 3);
  table->SetRecNo(5);
  EXPECT_EQ(Name(), "Ed");
  table->SetRecNo(0);
  table->SetRecNo(6);
  EXPECT_EQ(Name(), "Ed");
  table->SetRecNo(2);
  EXPECT_EQ(Name(), "Bo");
}

TEST_F(MemTableNavigation, ScrollEventsSeeTheNewRecord) {
  String seen;
  table->AfterScroll = [&](TDataSet*) { seen = Name(); };
  table->SetRecNo(4);
  EXPECT_EQ(seen, "Di");
}

TEST_F(MemTableNavigation, FilterCountsOnlyAcceptedRecordsAndKeepsTheCurrentOne) {
  table->SetOnFilterRecord(
      [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("Id")->AsInteger() % 2 == 1; });
  table->SetFiltered(true);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Cy", "Ed"}));
  table->First();
  table->Next();
  EXPECT_EQ(table->RecordCount(), 3);
  EXPECT_EQ(Name(), "Cy");
  table->SetFiltered(false);
  EXPECT_EQ(table->RecordCount(), 5);
}

TEST_F(MemTableNavigation, FindRecordUsesTheFilterEvenWhenItIsOff) {
  table->SetOnFilterRecord(
      [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("Id")->AsInteger() >= 3; });
  EXPECT_TRUE(table->FindFirst());
  EXPECT_EQ(Name(), "Cy");
  EXPECT_TRUE(table->FindNext());
  EXPECT_EQ(Name(), "Di");
  EXPECT_TRUE(table->FindLast());
  EXPECT_EQ(Name(), "Ed");
  EXPECT_FALSE(table->FindNext());
  EXPECT_FALSE(table->Found());
  EXPECT_TRUE(table->FindPrior());
  EXPECT_EQ(Name(), "Di");
}

TEST_F(MemTableNavigation, EmptyTableHasNoRecordNumber) {
  auto empty = NewPeopleTable();
  empty->Open();
  EXPECT_EQ(empty->RecNo(), -1);
  empty->SetRecNo(1);
  EXPECT_TRUE(empty->Eof());
  EXPECT_THROW(empty->Delete(), EDatabaseError);
}

TEST_F(MemTableNavigation, RecordCountOfAClosedTableIsRefused) {
  table->Close();
  EXPECT_THROW(table->RecordCount(), EDatabaseError);
}

TEST_F(MemTableNavigation, FollowsItsRecordWhenAnotherTableShiftsPositions) {
  TvomMemTable other(nullptr);
  AttachAndOpen(*table, other, true);
  AppendRows(*table, {{1, "Bo"}, {2, "Di"}, {3, "Fay"}});
  table->AddIndex("ByName", "Name", {});
  table->SetIndexName("ByName");
  table->First();
  table->Next();                              // Di
  AppendRows(other, {{4, "Al"}, {5, "Cy"}});  // both sort before Di here
  table->Next();
  EXPECT_EQ(Name(), "Fay");
  table->Prior();
  EXPECT_EQ(Name(), "Di");
  table->Prior();
  EXPECT_EQ(Name(), "Cy");
}
