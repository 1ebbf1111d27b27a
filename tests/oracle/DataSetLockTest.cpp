// Locking, checking and refreshing records of the Oracle dataset against a
// second session that changes, deletes and locks the same rows.
#include <gtest/gtest.h>

#include "DataSetWriteTestSupport.h"

namespace {

using namespace Oracle;

// Whether the other session can lock row `id` now.
bool OtherCanLock(DataSetWriteWorld* world, TOracleSession* other, int id) {
  (void)world;
  TOracleQuery query(nullptr);
  query.SetSession(other);
  query.SQL()->SetText("select id from rows where id = " + IntToStr(id) + " for update nowait");
  try {
    query.Execute();
  } catch (const EOracleError& e) {
    if (e.ErrorCode == 54) return false;
    throw;
  }
  other->Rollback();
  return true;
}

// What each locking mode reports when the other session changed or deleted
// the row before the edit, and when the conflict is found.
struct ConflictCase {
  TLockingModeOptions mode;
  const char* change;
  const char* atEdit;  // the message at Edit, "" for none
  const char* atPost;  // the message at Post, "" for none
};

class LockingModeConflicts : public DataSetWriteWorld,
                             public ::testing::WithParamInterface<ConflictCase> {};

TEST_P(LockingModeConflicts, ReportTheOtherUsersChangeWhenTheModeLooks) {
  const ConflictCase& c = GetParam();
  data_set_->SetLockingMode(c.mode);
  OpenRows();
  Other(c.change);
  const String atEdit = MessageOf([&] { data_set_->Edit(); });
  EXPECT_EQ(atEdit, *c.atEdit ? c.atEdit : "no error");
  if (*c.atEdit) return;
  Field("NAME")->SetAsString("Mine");
  EXPECT_EQ(MessageOf([&] { data_set_->Post(); }), *c.atPost ? c.atPost : "no error");
}

const ConflictCase kConflicts[] = {
    {lmLockImmediate, "update rows set name = 'Theirs' where id = 1",
     "Record has been changed by another user", ""},
    {lmCheckImmediate, "update rows set name = 'Theirs' where id = 1",
     "Record has been changed by another user", ""},
    {lmLockDelayed, "update rows set name = 'Theirs' where id = 1", "",
     "Record has been changed by another user"},
    {lmNone, "update rows set name = 'Theirs' where id = 1", "", ""},
    {lmLockImmediate, "delete from rows where id = 1", "Record has been deleted by another user",
     ""},
    {lmLockDelayed, "delete from rows where id = 1", "", "Record has been deleted by another user"},
    // Without a lock or check the update finds no row.
    {lmNone, "delete from rows where id = 1", "", "Record is locked by another user"},
};
INSTANTIATE_TEST_SUITE_P(EachMode, LockingModeConflicts, ::testing::ValuesIn(kConflicts));

TEST_F(DataSetWriteWorld, AnImmediateLockHoldsTheRowUntilPostOrCancel) {
  data_set_->SetLockingMode(lmLockImmediate);
  OpenRows();
  data_set_->Edit();
  EXPECT_FALSE(OtherCanLock(this, other_.get(), 1));
  EXPECT_TRUE(OtherCanLock(this, other_.get(), 2));
  Field("NAME")->SetAsString("Locked and posted");
  data_set_->Post();
  EXPECT_TRUE(OtherCanLock(this, other_.get(), 1));
  EXPECT_EQ(NameSeen(1), "Locked and posted");
  data_set_->Edit();
  EXPECT_FALSE(OtherCanLock(this, other_.get(), 1));
  data_set_->Cancel();
  EXPECT_TRUE(OtherCanLock(this, other_.get(), 1));
  // An edit that changed nothing still ends the lock's transaction.
  data_set_->Edit();
  data_set_->Post();
  EXPECT_TRUE(OtherCanLock(this, other_.get(), 1));
}

TEST_F(DataSetWriteWorld, ARowTheOtherSessionLockedIsReportedAsLocked) {
  OpenRows();
  Other("select id from rows where id = 1 for update nowait", false);
  data_set_->SetLockingMode(lmLockImmediate);
  EXPECT_EQ(MessageOf([&] { data_set_->Edit(); }), "Record is locked by another user");
  EXPECT_EQ(data_set_->State(), dsBrowse);
  // Delayed locking meets the lock at post time and leaves the edit open.
  data_set_->SetLockingMode(lmLockDelayed);
  data_set_->Edit();
  Field("NAME")->SetAsString("Waiting");
  EXPECT_EQ(MessageOf([&] { data_set_->Post(); }), "Record is locked by another user");
  EXPECT_EQ(data_set_->State(), dsEdit);
  other_->Rollback();
  data_set_->Post();
  EXPECT_EQ(NameSeen(1), "Waiting");
}

TEST_F(DataSetWriteWorld, TheLockMessagesCanBeReplaced) {
  const String saved = OracleDataSetTexts::RecordChanged;
  OracleDataSetTexts::RecordChanged = "Someone was faster";
  OpenRows();
  Other("update rows set name = 'Theirs' where id = 1");
  EXPECT_EQ(MessageOf([&] { data_set_->Edit(); }), "Someone was faster");
  OracleDataSetTexts::RecordChanged = saved;
}

TEST_F(DataSetWriteWorld, RefreshBeforeEditBringsTheServersValues) {
  data_set_->SetRefreshOptions({roBeforeEdit});
  int refreshed = 0;
  data_set_->AfterRefreshRecord = [&](TOracleDataSet*) { ++refreshed; };
  OpenRows();
  Other("update rows set name = 'Theirs', grp = 9 where id = 1");
  const std::size_t mark = LogSize();
  data_set_->Edit();
  EXPECT_EQ(Field("NAME")->AsString(), "Theirs");
  EXPECT_EQ(Field("GRP")->AsInteger(), 9);
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(Only("select", mark),
            std::vector<String>{"select * from ROWS where rowid = :quelt__rowid"});
  Field("NAME")->SetAsString("Mine after all");
  data_set_->Post();
  EXPECT_EQ(NameSeen(1), "Mine after all");
}

TEST_F(DataSetWriteWorld, RefreshThroughTheQueryKeepsItsConditionAndDropsItsOrder) {
  data_set_->SetRefreshOptions({roBeforeEdit, roAllFields});
  data_set_->SetLockingMode(lmLockImmediate);
  data_set_->SQL()->SetText(
      "select rowid, r.*, grp * 10 tens from rows r where id <= :top order by id");
  data_set_->DeclareVariable("top", otInteger);
  data_set_->SetVariable("top", 3);
  data_set_->Open();
  Other("update rows set grp = 5 where id = 1");
  const std::size_t mark = LogSize();
  data_set_->Edit();
  EXPECT_EQ(Field("TENS")->AsInteger(), 50);
  EXPECT_EQ(Only("select", mark),
            std::vector<String>{"select rowid, r.*, grp * 10 tens from rows r\n"
                                "where (id <= :top)\nand\n(R.rowid = :quelt__rowid)\n"
                                "for update of R.ID nowait"});
  EXPECT_FALSE(OtherCanLock(this, other_.get(), 1));
  data_set_->Cancel();
}

TEST_F(DataSetWriteWorld, AGroupedQueryIsRefreshedWithHaving) {
  data_set_->SetRefreshOptions({roBeforeEdit, roAllFields});
  Open("select rowid, name, count(*) n from rows where id <= 3 group by rowid, name");
  const std::size_t mark = LogSize();
  MessageOf([&] { data_set_->Edit(); });
  const std::vector<String> selects = Only("select rowid", mark);
  ASSERT_FALSE(selects.empty());
  EXPECT_EQ(selects.back(),
            "select rowid, name, count(*) n from rows where id <= 3 group by rowid, name\n"
            "having ROWS.rowid = :quelt__rowid");
}

TEST_F(DataSetWriteWorld, AnUngroupedQueryMentioningGroupIsRefreshedWithWhere) {
  data_set_->SetRefreshOptions({roBeforeEdit, roAllFields});
  Open("select rowid, r.* from rows r where name <> 'Group' order by id");
  const std::size_t mark = LogSize();
  data_set_->Edit();
  EXPECT_EQ(Only("select rowid", mark),
            std::vector<String>{"select rowid, r.* from rows r\n"
                                "where (name <> 'Group')\nand\n(R.rowid = :quelt__rowid)"});
  data_set_->Cancel();
}

}  // namespace

namespace {

// A server value that differs from the record's by less than the check
// notices, or by more.
struct NearlyEqualCase {
  const char* change;
  bool reported;
};

class CheckTolerance : public DataSetWriteWorld,
                       public ::testing::WithParamInterface<NearlyEqualCase> {
 protected:
  void SetUp() override {
    DataSetWriteWorld::SetUp();
    Fixture(
        "create table meas (id number(3), f number, d date, s varchar2(10));\n"
        "insert into meas values (1, 1234.5678, '2001-02-03 04:05:06', 'abcdefgh');\n");
  }
};

TEST_P(CheckTolerance, OnlyRealDifferencesCountAsChanges) {
  data_set_->SetLockingMode(lmCheckImmediate);
  data_set_->SetUpdatingTable("meas");
  Open("select rowid, id, f, d, s from meas");
  Other(GetParam().change);
  EXPECT_EQ(MessageOf([&] { data_set_->Edit(); }),
            GetParam().reported ? "Record has been changed by another user" : "no error");
}

const NearlyEqualCase kNearlyEqual[] = {
    {"update meas set id = 1", false},       {"update meas set f = 1234.5678 * (1 + 1e-11)", false},
    {"update meas set f = 1234.5679", true}, {"update meas set s = 'abcdefgh  '", false},
    {"update meas set s = 'abcdefg'", true}, {"update meas set d = null", true},
    {"update meas set id = 2", true},
};
INSTANTIATE_TEST_SUITE_P(Values, CheckTolerance, ::testing::ValuesIn(kNearlyEqual));

}  // namespace
