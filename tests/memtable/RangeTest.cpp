// tests/memtable/RangeTest.cpp
//
// Ranges over the current index and detail tables following a master.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "platform/data/DataSource.h"

namespace {

std::unique_ptr<TvomMemTable> Numbers() {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, {{5, "e"}, {1, "a"}, {3, "c"}, {2, "b"}, {4, "d"}, {3, "cc"}});
  table->AddIndex("ById", "Id", {});
  table->SetIndexName("ById");
  return table;
}

}  // namespace

TEST(MemTableRange, ShowsTheRecordsBetweenStartAndEnd) {
  auto table = Numbers();
  table->SetRange({2}, {3});
  EXPECT_TRUE(table->RangeActive());
  EXPECT_EQ(Column(*table, "Name"), Texts({"b", "c", "cc"}));
  EXPECT_EQ(table->RecordCount(), 3);
}

TEST(MemTableRange, CancelShowsEverythingAgain) {
  auto table = Numbers();
  table->SetRange({2}, {3});
  table->CancelRange();
  EXPECT_FALSE(table->RangeActive());
  EXPECT_EQ(table->RecordCount(), 6);
  EXPECT_FALSE(table->MustTestRecords());
}

TEST(MemTableRange, NullKeysMatchAnythingUnlessTurnedOff) {
  auto table = Numbers();
  table->SetRangeStart();
  table->FieldByName("Id")->SetAsInteger(4);
  table->ApplyRange();
  EXPECT_EQ(Column(*table, "Name"), Texts({"d", "e"}));

  table->SetRangeIgnoreNullKeyValues(false);
  table->ApplyRange();
  // A null end key sorts before every value.
  EXPECT_EQ(Column(*table, "Name"), Texts({}));
}

TEST(MemTableRange, EditRangeEndKeepsTheOtherValues) {
  auto table = Numbers();
  table->SetRange({1}, {2});
  table->EditRangeEnd();
  EXPECT_EQ(table->State(), dsSetKey);
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 2);
  table->FieldByName("Id")->SetAsInteger(4);
  table->ApplyRange();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(Column(*table, "Id"), Texts({"1", "2", "3", "3", "4"}));
}

TEST(MemTableRange, SortSwitchesTheRangeOffMeanwhileAndKeepsItOn) {
  auto table = Numbers();
  table->SetRange({3}, {3});
  table->SortOn("Name:D", mtcoNone);
  EXPECT_TRUE(table->RangeActive());
  // The range now applies to the sort order's field.
  table->CancelRange();
  EXPECT_EQ(Column(*table, "Name"), Texts({"e", "d", "cc", "c", "b", "a"}));
}

namespace {

class MemTableMasterDetail : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = NewPeopleTable();
    master_->Open();
    AppendRows(*master_, {{1, "one"}, {2, "two"}, {3, "three"}});
    detail_ = std::make_unique<TvomMemTable>(nullptr);
    detail_->FieldDefs()->Add("MasterId", ftInteger);
    detail_->FieldDefs()->Add("Item", ftString, 10);
    detail_->Open();
    AppendRows(*detail_, {{1, "1a"}, {2, "2a"}, {1, "1b"}, {3, "3a"}, {2, "2b"}});
    source_.SetDataSet(master_.get());
  }

  std::unique_ptr<TvomMemTable> master_;
  std::unique_ptr<TvomMemTable> detail_;
  TDataSource source_{nullptr};
};

}  // namespace

TEST_F(MemTableMasterDetail, ShowsTheRowsOfTheCurrentMaster) {
  detail_->SetDetailFields("MasterId");
  detail_->SetMasterFields("Id");
  detail_->SetMasterSource(&source_);
  master_->First();
  EXPECT_EQ(Column(*detail_, "Item"), Texts({"1a", "1b"}));
  master_->Next();
  EXPECT_EQ(Column(*detail_, "Item"), Texts({"2a", "2b"}));
  master_->Locate("Id", 3, {});
  EXPECT_EQ(Column(*detail_, "Item"), Texts({"3a"}));
  EXPECT_EQ(detail_->RecordCount(), 1);
}

TEST_F(MemTableMasterDetail, UsesTheCurrentIndexWithoutDetailFields) {
  detail_->AddIndex("ByMaster", "MasterId", {});
  detail_->SetIndexName("ByMaster");
  detail_->SetMasterFields("Id");
  detail_->SetMasterSource(&source_);
  master_->Locate("Id", 2, {});
  EXPECT_EQ(Column(*detail_, "Item"), Texts({"2a", "2b"}));
}

TEST_F(MemTableMasterDetail, NoMasterNoTest) {
  detail_->SetDetailFields("MasterId");
  detail_->SetMasterFields("Id");
  detail_->SetMasterSource(&source_);
  master_->First();
  detail_->SetMasterSource(nullptr);
  EXPECT_EQ(detail_->RecordCount(), 5);
}
