// A select for update without nowait that meets rows another session holds
// waits for that session's commit or rollback; a wait that would close a
// cycle is refused. Each waiting session runs on a thread of its own, and
// the test learns that it waits from the model, not from the clock.
#include <thread>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

class LockWaits : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table CD (ID number(9) not null, TITLE varchar2(10), primary key (ID));\n"
        "insert into CD values (1, 'Blue');\n"
        "insert into CD values (2, 'Kind');\n");
    ASSERT_EQ(adams.Logon("scott", "tiger"), OCI_SUCCESS);
  }
  void TearDown() override {
    if (waiter_.joinable()) waiter_.join();
    adams.Logoff();
    StandinWorld::TearDown();
  }
  // Starts `sql` for adams on a thread of its own and returns once it waits.
  void AdamsWaitsFor(const std::string& sql) {
    waiter_ = std::thread([this, sql] { adams_rows_ = adams.Rows(sql); });
    ASSERT_EQ(ZorvetStandinAwaitLockWaits(1), 0);
  }
  TRows AdamsRows() {
    waiter_.join();
    return adams_rows_;
  }

  TSession adams;
  std::thread waiter_;
  TRows adams_rows_;
};

TEST_F(LockWaits, TheWaitEndsWithTheHoldersCommitAndSeesWhatItCommitted) {
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 1"), OCI_SUCCESS)
      << scott.ErrorText();
  AdamsWaitsFor("select TITLE from CD where ID = 1 for update");
  // The waiting session holds up nobody else: the holder goes on working.
  EXPECT_EQ(scott.Rows("select TITLE from CD where ID = 2"), (TRows{{"Kind"}}));
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Gold' where ID = 1"), OCI_SUCCESS);
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(AdamsRows(), (TRows{{"Gold"}})) << adams.ErrorText();
  // The row is adams's now.
  EXPECT_EQ(scott.Exec("select ID from CD where ID = 1 for update nowait"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 54);
}

TEST_F(LockWaits, ARollbackEndsTheWaitAndARowDeletedMeanwhileIsNotSelected) {
  ASSERT_EQ(scott.Exec("select ID from CD for update"), OCI_SUCCESS) << scott.ErrorText();
  AdamsWaitsFor("select ID from CD order by ID for update");
  // The query runs afresh after the wait: the row gone is not among its rows.
  ASSERT_EQ(scott.Exec("delete from CD where ID = 2"), OCI_SUCCESS) << scott.ErrorText();
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(AdamsRows(), (TRows{{"1"}})) << adams.ErrorText();
  ASSERT_EQ(OCITransRollback(adams.svc, adams.error, 0), OCI_SUCCESS);

  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 1"), OCI_SUCCESS);
  AdamsWaitsFor("select TITLE from CD where ID = 1 for update");
  ASSERT_EQ(OCITransRollback(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(AdamsRows(), (TRows{{"Blue"}})) << adams.ErrorText();
}

TEST_F(LockWaits, AWaitThatWouldCloseACycleIsRefusedAndTheOtherGoesOn) {
  ASSERT_EQ(scott.Exec("select ID from CD where ID = 1 for update"), OCI_SUCCESS);
  std::thread([this] {
    ASSERT_EQ(adams.Exec("update CD set TITLE = 'x' where ID = 2"), OCI_SUCCESS);
  }).join();
  AdamsWaitsFor("select ID from CD where ID = 1 for update");
  // Scott would now wait for adams, who waits for scott.
  EXPECT_EQ(scott.Exec("select ID from CD where ID = 2 for update"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 60);
  // Only the statement failed: scott still holds row 1 until it ends.
  EXPECT_EQ(scott.Exec("update CD set TITLE = 'Mine' where ID = 1"), OCI_SUCCESS)
      << scott.ErrorText();
  ASSERT_EQ(OCITransRollback(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(AdamsRows(), (TRows{{"1"}})) << adams.ErrorText();
}

TEST_F(LockWaits, TheOlderGenerationWaitsToo) {
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 2"), OCI_SUCCESS);
  Lda_Def lda{};
  Cda_Def cursor{};
  ub1 hda[kOciHostDataAreaSize] = {};
  ASSERT_EQ(olog(&lda, hda, Text("scott/tiger"), -1, nullptr, -1, nullptr, -1, 0), 0);
  ASSERT_EQ(oopen(&cursor, &lda, nullptr, -1, -1, nullptr, -1), 0);
  ASSERT_EQ(oparse(&cursor, Text("select ID from CD where ID = 2 for update"), -1, 0, 2), 0);
  sword status = -1;
  waiter_ = std::thread([&] { status = oexec(&cursor); });
  ASSERT_EQ(ZorvetStandinAwaitLockWaits(1), 0);
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  waiter_.join();
  EXPECT_EQ(status, 0) << cursor.rc;
  oclose(&cursor);
  ologof(&lda);
}

}  // namespace
}  // namespace StandinTest
