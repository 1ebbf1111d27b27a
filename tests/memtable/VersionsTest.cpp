// tests/memtable/VersionsTest.cpp
//
// Older versions of records, and committing and rolling back transaction
// levels, nested ones included.
#include <gtest/gtest.h>

#include "TestTable.h"

namespace {

class VersionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.store().SetPerformance(mtpfBalanced);
    t.AddField("Name", ftString, 10);
    t.AddField("Note", ftString, 40);
    t.Open();
    t.store().SetEnableVersioning(true);
    t.store().SetVersioningMode(mtvmAllSinceCheckPoint);
  }
  TvomRecord* Row(const String& name) {
    return t.Insert([&](TvomRecord* r) {
      t.SetText(r, "Name", name);
      t.SetText(r, "Note", name + " note");
    });
  }
  void Rename(TvomRecord* r, const String& name) {
    t.Edit(r, [&](TvomRecord* b) {
      t.SetText(b, "Name", name);
      t.SetText(b, "Note", name + " note");
    });
  }
  void Start() { t.store().IncTransactionLevel(); }
  void Rollback() {
    t.store().Rollback();
    t.store().DecTransactionLevel();
  }
  void Commit() {
    t.store().Commit();
    t.store().DecTransactionLevel();
  }
  // The record now in the slot where `original` was stored.
  TvomRecord* InSlot(Integer slot) { return t.store().Records(slot); }
  TestTable t;
};

TEST_F(VersionsTest, EditsKeepTheirOlderVersions) {
  TvomRecord* a = Row("a");
  Rename(a, "b");
  Rename(a, "c");
  EXPECT_EQ(usModified, a->UpdateStatus);
  ASSERT_NE(nullptr, a->PrevVersion);
  EXPECT_EQ("b", t.Text(a->PrevVersion, "Name"));
  ASSERT_NE(nullptr, a->PrevVersion->PrevVersion);
  EXPECT_EQ("a note", t.Text(a->PrevVersion->PrevVersion, "Note"));
}

TEST_F(VersionsTest, RollbackRestoresEditedRecords) {
  TvomRecord* a = Row("a");
  t.store().Commit();  // accepted at level 0: plain unmodified record
  a->UpdateStatus = usUnmodified;
  Start();
  Rename(a, "b");
  Rollback();
  EXPECT_EQ("a", t.Text(InSlot(0), "Name"));
  EXPECT_EQ("a note", t.Text(InSlot(0), "Note"));
  EXPECT_EQ(usUnmodified, InSlot(0)->UpdateStatus);
  EXPECT_EQ(InSlot(0), t.store().RecordBySerial(0));
  EXPECT_FALSE(t.store().Modified());
}

TEST_F(VersionsTest, RollbackRemovesInsertedRecords) {
  Row("kept");
  Start();
  TvomRecord* added = Row("added");
  const Integer serial = added->Serial;
  Rollback();
  EXPECT_EQ(nullptr, InSlot(1));
  EXPECT_EQ(nullptr, t.store().RecordBySerial(serial));
  EXPECT_EQ(1, Row("next")->SlotNo);  // the freed slot is taken again
}

TEST_F(VersionsTest, RollbackUndoesDeletes) {
  TvomRecord* a = Row("a");
  Start();
  t.Delete(a);
  EXPECT_EQ(usDeleted, a->UpdateStatus);
  EXPECT_EQ(1, t.store().DeletedCount());
  Rollback();
  EXPECT_EQ("a", t.Text(InSlot(0), "Name"));
  EXPECT_EQ(usInserted, InSlot(0)->UpdateStatus);
  EXPECT_EQ(0, t.store().DeletedCount());
  EXPECT_TRUE(t.store().Modified());  // the insert itself is still a change
}

TEST_F(VersionsTest, CommitOfANestedLevelKeepsWhatTheOuterLevelNeeds) {
  TvomRecord* a = Row("orig");
  t.store().Commit();
  a->UpdateStatus = usUnmodified;
  Start();
  Rename(a, "level1");
  Start();
  Rename(a, "level2");
  Commit();
  EXPECT_EQ(1, t.store().TransactionLevel());
  EXPECT_EQ(1, a->TransactionLevel);
  Rollback();
  EXPECT_EQ("orig", t.Text(InSlot(0), "Name"));
  EXPECT_EQ("orig note", t.Text(InSlot(0), "Note"));
  EXPECT_EQ(usUnmodified, InSlot(0)->UpdateStatus);
}

TEST_F(VersionsTest, NestedRollbackUndoesOnlyTheInnerLevel) {
  TvomRecord* a = Row("orig");
  Start();
  Rename(a, "level1");
  Start();
  Rename(a, "level2");
  TvomRecord* added = Row("added");
  const Integer added_slot = added->SlotNo;
  Rollback();
  EXPECT_EQ("level1", t.Text(InSlot(0), "Name"));
  EXPECT_EQ(nullptr, InSlot(added_slot));
  Rollback();
  EXPECT_EQ("orig", t.Text(InSlot(0), "Name"));
}

TEST_F(VersionsTest, InsertCommittedIntoAnOuterLevelIsRolledBackWithIt) {
  Start();
  Start();
  TvomRecord* added = Row("added");
  Commit();
  EXPECT_EQ(1, added->TransactionLevel);
  Rollback();
  EXPECT_EQ(nullptr, InSlot(0));
}

TEST_F(VersionsTest, CommitIntoLevelZeroFreesOlderVersions) {
  TvomRecord* a = Row("a");
  Start();
  Rename(a, "b");
  Commit();
  EXPECT_EQ(0, a->TransactionLevel);
  EXPECT_EQ(nullptr, a->PrevVersion);
  EXPECT_EQ("b", t.Text(a, "Name"));
}

}  // namespace
