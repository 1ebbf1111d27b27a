// Row locks and read consistency between two sessions, each driven from a
// thread of its own.
#include <thread>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

class RowLocks : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table CD (ID number(9) not null, TITLE varchar2(10), primary key (ID));\n"
        "create table SHELF (NAME varchar2(10), CD_ID number(9));\n"
        "insert into CD values (1, 'Blue');\n"
        "insert into CD values (2, 'Kind');\n"
        "insert into SHELF values ('Top', 1);\n");
    ASSERT_EQ(adams.Logon("scott", "tiger"), OCI_SUCCESS);
  }
  void TearDown() override {
    adams.Logoff();
    StandinWorld::TearDown();
  }
  // Runs `work` on a thread of its own and waits for it.
  template <class F>
  static void OnThread(F work) {
    std::thread thread(work);
    thread.join();
  }
  sword Other(const std::string& sql) {
    sword status = OCI_SUCCESS;
    OnThread([&] { status = adams.Exec(sql); });
    return status;
  }
  TRows OtherRows(const std::string& sql) {
    TRows rows;
    OnThread([&] { rows = adams.Rows(sql); });
    return rows;
  }

  TSession adams;  // the second session, as the same user
};

TEST_F(RowLocks, AnUpdatedRowMakesAnotherSessionsChangeWaitButOtherRowsDoNot) {
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 1"), OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(Other("update CD set TITLE = 'Green' where ID = 2"), OCI_SUCCESS) << adams.ErrorText();
  EXPECT_EQ(Other("select ID from CD where ID = 1 for update nowait"), OCI_ERROR);
  EXPECT_EQ(adams.ErrorCode(), 54);
  // Neither sees what the other has not committed; each sees its own.
  EXPECT_EQ(OtherRows("select TITLE from CD order by ID"), (TRows{{"Blue"}, {"Green"}}));
  EXPECT_EQ(scott.Rows("select TITLE from CD order by ID"), (TRows{{"Red"}, {"Kind"}}));

  // The other session's change of the row waits for the commit, then runs
  // on the value committed.
  TWaitingStatement change;
  change.Start(adams, "update CD set TITLE = TITLE || '!' where ID = 1");
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(change.Finish(), OCI_SUCCESS) << adams.ErrorText();
  OnThread([&] { EXPECT_EQ(OCITransCommit(adams.svc, adams.error, 0), OCI_SUCCESS); });
  EXPECT_EQ(scott.Rows("select TITLE from CD order by ID"), (TRows{{"Red!"}, {"Green"}}));
}

TEST_F(RowLocks, AWaitingChangeHoldsNoRowWhileItWaits) {
  ASSERT_EQ(scott.Exec("delete from CD where ID = 2"), OCI_SUCCESS);
  // The statement touches row 1 before it meets row 2, which is locked:
  // the whole statement is undone while it waits, the lock on row 1
  // included.
  TWaitingStatement change;
  change.Start(adams, "update CD set TITLE = 'X'");
  EXPECT_EQ(scott.Exec("update CD set TITLE = 'Mine' where ID = 1"), OCI_SUCCESS)
      << scott.ErrorText();
  ASSERT_EQ(OCITransRollback(scott.svc, scott.error, 0), OCI_SUCCESS);
  // The rollback freed both rows and undid both changes: the change then
  // meets both rows as they were.
  EXPECT_EQ(change.Finish(), OCI_SUCCESS) << adams.ErrorText();
  EXPECT_EQ(OtherRows("select TITLE from CD order by ID"), (TRows{{"X"}, {"X"}}));
}

TEST_F(RowLocks, ChangesThatWouldWaitForEachOtherEndInADeadlockOfOneStatement) {
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'S' where ID = 1"), OCI_SUCCESS);
  ASSERT_EQ(Other("update CD set TITLE = 'A' where ID = 2"), OCI_SUCCESS);
  TWaitingStatement change;
  change.Start(adams, "update CD set TITLE = 'A' where ID = 1");
  EXPECT_EQ(scott.Exec("delete from CD where ID = 2"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 60);
  // Only scott's statement failed; its transaction goes on until it ends,
  // and then the waiting change gets the row.
  EXPECT_EQ(scott.Rows("select count(*) from CD"), (TRows{{"2"}}));
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(change.Finish(), OCI_SUCCESS) << adams.ErrorText();
  EXPECT_EQ(OtherRows("select TITLE from CD order by ID"), (TRows{{"A"}, {"A"}}));
}

TEST_F(RowLocks, ForUpdateOfAColumnLocksOnlyItsTable) {
  ASSERT_EQ(scott.Exec("select a.ID from CD a, SHELF s where a.ID = s.CD_ID "
                       "for update of a.TITLE nowait"),
            OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(Other("update SHELF set NAME = 'Low'"), OCI_SUCCESS) << adams.ErrorText();
  EXPECT_EQ(Other("update CD set TITLE = 'Two' where ID = 2"), OCI_SUCCESS);
  // A column the from list does not hold is no column to lock.
  EXPECT_EQ(scott.Exec("select ID from CD for update of NOSUCH nowait"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 904);
  TWaitingStatement change;
  change.Start(adams, "delete from CD where ID = 1");
  ASSERT_EQ(OCITransRollback(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(change.Finish(), OCI_SUCCESS) << adams.ErrorText();
  EXPECT_EQ(OtherRows("select ID from CD"), (TRows{{"2"}}));
}

TEST_F(RowLocks, RowsInsertedAtOnceByTwoSessionsBothArrive) {
  ASSERT_EQ(scott.Exec("insert into CD values (3, 'Three')"), OCI_SUCCESS) << scott.ErrorText();
  ASSERT_EQ(Other("insert into CD values (4, 'Four')"), OCI_SUCCESS) << adams.ErrorText();
  ASSERT_EQ(Other("insert into SHELF select 'Mid', ID from CD where ID > 1"), OCI_SUCCESS);
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS) << scott.ErrorText();
  OnThread([&] { ASSERT_EQ(OCITransCommit(adams.svc, adams.error, 0), OCI_SUCCESS); });
  EXPECT_EQ(scott.Rows("select ID, TITLE from CD order by ID"),
            (TRows{{"1", "Blue"}, {"2", "Kind"}, {"3", "Three"}, {"4", "Four"}}));
  EXPECT_EQ(scott.Rows("select count(distinct rowid) from CD"), (TRows{{"4"}}));
  EXPECT_EQ(scott.Rows("select CD_ID from SHELF order by CD_ID"), (TRows{{"1"}, {"2"}, {"4"}}));
}

TEST_F(RowLocks, AKeyTwoSessionsBothInsertFailsTheLaterCommit) {
  ASSERT_EQ(scott.Exec("insert into CD values (5, 'First')"), OCI_SUCCESS);
  ASSERT_EQ(Other("insert into CD values (5, 'Second')"), OCI_SUCCESS);
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  sword status = OCI_SUCCESS;
  OnThread([&] { status = OCITransCommit(adams.svc, adams.error, 0); });
  EXPECT_EQ(status, OCI_ERROR);
  EXPECT_EQ(adams.ErrorCode(), 1);
  EXPECT_EQ(scott.Rows("select TITLE from CD where ID = 5"), (TRows{{"First"}}));
}

TEST_F(RowLocks, EndingASessionFreesItsRows) {
  ASSERT_EQ(Other("update CD set TITLE = 'Gone' where ID = 1"), OCI_SUCCESS);
  OnThread([&] { adams.Logoff(); });
  // A normal end commits.
  EXPECT_EQ(scott.Exec("update CD set TITLE = TITLE || '?' where ID = 1"), OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(scott.Rows("select TITLE from CD where ID = 1"), (TRows{{"Gone?"}}));
}

}  // namespace
}  // namespace StandinTest
