// tests/memtable/MemTableIndexTest.cpp
//
// Choosing the order a table shows: index definitions, IndexName,
// IndexFieldNames, adding and deleting indexes, OnFilterIndex.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"

namespace {

class MemTableIndexes : public ::testing::Test {
 protected:
  void SetUp() override {
    table = NewPeopleTable();
    table->IndexDefs()->Add("ByName", "Name", {});
    table->Open();
    AppendRows(*table, {{3, "Cy"}, {1, "Ann"}, {2, "Bo"}});
  }
  String Name() { return table->FieldByName("Name")->AsString(); }
  std::unique_ptr<TvomMemTable> table;
};

}  // namespace

TEST_F(MemTableIndexes, IndexNameSelectsTheOrderAndKeepsTheCurrentRecord) {
  ASSERT_TRUE(table->Locate("Name", "Bo", {}));
  table->SetIndexName("ByName");
  EXPECT_EQ(Name(), "Bo");
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(table->IndexFieldNames(), "Name");
  EXPECT_TRUE(table->FieldByName("Name")->IsIndexField());
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Bo", "Cy"}));
  table->SetIndexName("");
  EXPECT_EQ(Column(*table, "Name"), Texts({"Cy", "Ann", "Bo"}));
  table->SetIndexName("NoSuchIndex");  // changes nothing
  EXPECT_EQ(table->IndexName(), "");
}

TEST_F(MemTableIndexes, IndexFieldNamesSelectsByFields) {
  table->SetIndexFieldNames("Name");
  EXPECT_EQ(table->IndexName(), "ByName");
  EXPECT_EQ(Column(*table, "Id"), Texts({"1", "2", "3"}));
}

TEST_F(MemTableIndexes, SortedIndexTakesNewAndChangedRecordsInOrder) {
  table->SetIndexName("ByName");
  AppendRows(*table, {{4, "Al"}});
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Al");
  EXPECT_EQ(table->RecNo(), 1);
  ASSERT_TRUE(table->Locate("Name", "Cy", {}));
  table->Edit();
  table->FieldByName("Name")->SetAsString("Aaron");
  table->Post();
  EXPECT_EQ(Name(), "Aaron");
  EXPECT_EQ(table->RecNo(), 1);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Aaron", "Al", "Ann", "Bo"}));
}

TEST_F(MemTableIndexes, ChosenBeforeOpeningAppliesAtOpen) {
  table->Close();
  table->SetIndexName("ByName");
  table->Open();
  AppendRows(*table, {{2, "Bo"}, {1, "Ann"}});
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Bo"}));
}

TEST_F(MemTableIndexes, AddIndexAndDeleteIndex) {
  table->AddIndex("ById", "Id", {ixDescending});
  ASSERT_NE(table->IndexDefs()->FindDef("ById"), nullptr);
  table->SetIndexName("ById");
  EXPECT_EQ(Column(*table, "Id"), Texts({"3", "2", "1"}));
  table->DeleteIndex("ById");
  EXPECT_EQ(table->IndexDefs()->FindDef("ById"), nullptr);
  EXPECT_EQ(table->IndexName(), "");
  EXPECT_EQ(Column(*table, "Id"), Texts({"3", "1", "2"}));
}

TEST_F(MemTableIndexes, AnIndexThatCannotBeMadeLeavesNoDefinition) {
  EXPECT_THROW(table->AddIndex("Bad", "Nope", {}), EDatabaseError);
  EXPECT_EQ(table->IndexDefs()->FindDef("Bad"), nullptr);
}

TEST_F(MemTableIndexes, OnFilterIndexLeavesRecordsOut) {
  table->OnFilterIndex = [](TDataSet* ds, TvomIndex* index, bool& accept) {
    if (index->Name() == "Short") accept = ds->FieldByName("Id")->AsInteger() != 2;
  };
  table->AddIndex("Short", "Name", {});
  table->SetIndexName("Short");
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Cy"}));
}
