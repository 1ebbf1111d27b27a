// Locks and rowids around savepoints and selects for update.
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

class SavepointLocks : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table CD (ID number(9), TITLE varchar2(10));\n"
        "insert into CD values (1, 'Blue');\ninsert into CD values (2, 'Kind');\n"
        "insert into CD values (3, 'Gold');\n");
    ASSERT_EQ(adams.Logon("scott", "tiger"), OCI_SUCCESS);
  }
  void TearDown() override {
    adams.Logoff();
    StandinWorld::TearDown();
  }
  TSession adams;
};

TEST_F(SavepointLocks, ARollbackToASavepointFreesTheRowsLockedSince) {
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 1"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("savepoint A"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 2"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("savepoint B"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("select ID from CD where ID = 3 for update nowait"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("rollback to savepoint A"), OCI_SUCCESS) << scott.ErrorText();
  // Rows 2 and 3 are free again; row 1, locked before A, is not.
  EXPECT_EQ(adams.Exec("update CD set TITLE = 'x' where ID = 2"), OCI_SUCCESS) << adams.ErrorText();
  EXPECT_EQ(adams.Exec("update CD set TITLE = 'x' where ID = 3"), OCI_SUCCESS) << adams.ErrorText();
  TWaitingStatement change;
  change.Start(adams, "update CD set TITLE = 'x' where ID = 1");
  // B went with the rollback to A.
  EXPECT_EQ(scott.Exec("rollback to savepoint B"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 1086);
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(change.Finish(), OCI_SUCCESS) << adams.ErrorText();
}

TEST_F(SavepointLocks, ARowChangedBeforeTheSavepointStaysLockedWhenChangedAgainAfter) {
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 1"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("savepoint A"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Pink' where ID = 1"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("rollback to savepoint A"), OCI_SUCCESS);
  TWaitingStatement change;
  change.Start(adams, "update CD set TITLE = TITLE || 'x' where ID = 1");
  EXPECT_EQ(scott.Rows("select TITLE from CD where ID = 1"),
            (std::vector<std::vector<std::string>>{{"Red"}}));
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(change.Finish(), OCI_SUCCESS) << adams.ErrorText();
  EXPECT_EQ(adams.Rows("select TITLE from CD where ID = 1"),
            (std::vector<std::vector<std::string>>{{"Redx"}}));
}

TEST_F(SavepointLocks, ASelectForUpdateGivesTheRowidOfTheRowFetchedLast) {
  OCIStmt* stmt = scott.NewStatement("select ID from CD where ID >= 2 order by ID desc for update");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  void *rowid = nullptr, *changed = nullptr;
  OCIDescriptorAlloc(scott.env, &rowid, kDtypeRowid, 0, nullptr);
  OCIDescriptorAlloc(scott.env, &changed, kDtypeRowid, 0, nullptr);
  // Nothing fetched yet: no row.
  EXPECT_EQ(OCIAttrGet(stmt, kHtypeStmt, rowid, nullptr, 19, scott.error), OCI_ERROR);
  sb4 id = 0;
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, scott.error, 1, &id, 4, kSqltInt, nullptr, nullptr, nullptr, 0);
  for (const int expected : {3, 2}) {
    ASSERT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_SUCCESS);
    ASSERT_EQ(id, expected);
    ASSERT_EQ(OCIAttrGet(stmt, kHtypeStmt, rowid, nullptr, 19, scott.error), OCI_SUCCESS);
    // The same as the rowid an update of that row gives.
    OCIStmt* update =
        scott.NewStatement("update CD set TITLE = TITLE where ID = " + std::to_string(expected));
    ASSERT_EQ(OCIStmtExecute(scott.svc, update, scott.error, 1, 0, nullptr, nullptr, 0),
              OCI_SUCCESS);
    ASSERT_EQ(OCIAttrGet(update, kHtypeStmt, changed, nullptr, 19, scott.error), OCI_SUCCESS);
    OCIHandleFree(update, kHtypeStmt);
    EXPECT_EQ(std::memcmp(rowid, changed, 16), 0) << expected;
  }
  OCIDescriptorFree(changed, kDtypeRowid);
  OCIDescriptorFree(rowid, kDtypeRowid);
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(SavepointLocks, AnOpenTransactionSeesTablesOthersCreateAndDrop) {
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 1"), OCI_SUCCESS);
  ASSERT_EQ(adams.Exec("create table LATER (ID number(4), NAME varchar2(5))"), OCI_SUCCESS)
      << adams.ErrorText();
  ASSERT_EQ(adams.Exec("insert into LATER values (7, 'seven')"), OCI_SUCCESS);
  ASSERT_EQ(OCITransCommit(adams.svc, adams.error, 0), OCI_SUCCESS);
  EXPECT_EQ(scott.Rows("select ID, NAME from LATER"),
            (std::vector<std::vector<std::string>>{{"7", "seven"}}));
  // Described from the catalogue, and changed as any table.
  OCIStmt* stmt = scott.NewStatement("select NAME from LATER");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0x10),
            OCI_SUCCESS);
  void* param = nullptr;
  OCIParamGet(stmt, kHtypeStmt, scott.error, &param, 1);
  ub2 size = 0;
  OCIAttrGet(param, kDtypeParam, &size, nullptr, 1, scott.error);
  EXPECT_EQ(size, 5);
  OCIHandleFree(stmt, kHtypeStmt);
  ASSERT_EQ(scott.Exec("update LATER set NAME = 'sept' where ID = 7"), OCI_SUCCESS)
      << scott.ErrorText();
  {
    TWaitingStatement change;
    change.Start(adams, "update LATER set NAME = 'x' where ID = 7");
    ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS) << scott.ErrorText();
    EXPECT_EQ(change.Finish(), OCI_SUCCESS) << adams.ErrorText();
  }
  ASSERT_EQ(OCITransRollback(adams.svc, adams.error, 0), OCI_SUCCESS);
  EXPECT_EQ(adams.Rows("select NAME from LATER"),
            (std::vector<std::vector<std::string>>{{"sept"}}));

  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 2"), OCI_SUCCESS);
  ASSERT_EQ(adams.Exec("drop table LATER"), OCI_SUCCESS) << adams.ErrorText();
  EXPECT_EQ(scott.Exec("select ID from LATER"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 942);
}

}  // namespace
}  // namespace StandinTest
