// tests/memtable/MemTableVersioningTest.cpp
//
// Older versions of changed records, and transactions over them.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"

namespace {

class MemTableVersioning : public ::testing::Test {
 protected:
  void SetUp() override {
    table = NewPeopleTable();
    table->SetEnableVersioning(true);
    table->SetVersioningMode(mtvmAllSinceCheckPoint);
    table->Open();
    AppendRows(*table, {{1, "Ann"}, {2, "Bo"}});
    table->CheckPoint();
  }
  void Rename(const String& from, const String& to) {
    ASSERT_TRUE(table->Locate("Name", from, {}));
    table->Edit();
    table->FieldByName("Name")->SetAsString(to);
    table->Post();
  }
  // How many older versions the record with that name keeps.
  int Versions(const String& name) {
    EXPECT_TRUE(table->Locate("Name", name, {}));
    const TvomRecord* record = table->Store().RecordBySerial(table->GetActiveRecord()->Serial);
    int n = 0;
    for (const TvomRecord* v = record->PrevVersion; v != nullptr; v = v->PrevVersion) ++n;
    return n;
  }
  std::unique_ptr<TvomMemTable> table;
};

}  // namespace

TEST_F(MemTableVersioning, AllSinceCheckPointKeepsEveryVersion) {
  Rename("Ann", "Anna");
  Rename("Anna", "Annie");
  EXPECT_EQ(Versions("Annie"), 2);
}

TEST_F(MemTableVersioning, OneSinceCheckPointKeepsTheFirst) {
  table->SetVersioningMode(mtvm1SinceCheckPoint);
  Rename("Ann", "Anna");
  Rename("Anna", "Annie");
  EXPECT_EQ(Versions("Annie"), 1);
  EXPECT_EQ(table->FieldByName("Name")->OldValue().AsString(), "Ann");
}

TEST_F(MemTableVersioning, PostWithoutChangesKeepsStatusAndVersions) {
  ASSERT_TRUE(table->Locate("Name", "Bo", {}));
  table->Edit();
  table->Post();
  EXPECT_EQ(table->UpdateStatus(), usUnmodified);
  EXPECT_EQ(Versions("Bo"), 0);
}

TEST_F(MemTableVersioning, DeleteKeepsTheRecordAsADeletedVersion) {
  ASSERT_TRUE(table->Locate("Name", "Bo", {}));
  table->Delete();
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_EQ(table->Store().DeletedCount(), 1);
}

TEST_F(MemTableVersioning, TransactionsNeedMultiVersionVersioning) {
  table->SetVersioningMode(mtvm1SinceCheckPoint);
  try {
    table->StartTransaction();
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Transactioning requires multiversion versioning.");
  }
  table->Close();
  table->StartTransaction();  // a closed table does nothing
  EXPECT_EQ(table->Store().TransactionLevel(), 0);
}

TEST_F(MemTableVersioning, RollbackUndoesTheTransaction) {
  table->StartTransaction();
  Rename("Ann", "Anna");
  AppendRows(*table, {{3, "Cy"}});
  ASSERT_TRUE(table->Locate("Name", "Bo", {}));
  table->Delete();
  table->Rollback();
  EXPECT_EQ(table->Store().TransactionLevel(), 0);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Bo"}));
  table->Rollback();  // level 0: nothing
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Bo"}));
}

TEST_F(MemTableVersioning, CommitKeepsTheTransaction) {
  table->StartTransaction();
  Rename("Ann", "Anna");
  table->Commit();
  EXPECT_EQ(table->Store().TransactionLevel(), 0);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Anna", "Bo"}));
}

TEST_F(MemTableVersioning, RollbackLeavesChangesFromBeforeTheTransaction) {
  Rename("Ann", "Anna");
  table->StartTransaction();
  // Posting the record unchanged inside the transaction makes it no part of it.
  ASSERT_TRUE(table->Locate("Name", "Anna", {}));
  table->Edit();
  table->Post();
  table->Rollback();
  EXPECT_EQ(Column(*table, "Name"), Texts({"Anna", "Bo"}));
}

TEST_F(MemTableVersioning, RollbackGivesUpAPendingEdit) {
  table->StartTransaction();
  Rename("Ann", "Anna");
  ASSERT_TRUE(table->Locate("Name", "Anna", {}));
  table->Edit();
  table->FieldByName("Name")->SetAsString("Pending");
  table->Rollback();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Bo"}));
}
