// Prepare, bind, execute, describe and fetch through the handle calls.
#include <cstring>
#include <thread>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

class Statements : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table CD (ID number(9) not null, TITLE varchar2(10), PRICE number(7,2),\n"
        "  BOUGHT date, CODE char(4), primary key (ID));\n"
        "insert into CD values (1, 'Blue', 9.5, '2001-02-03 04:05:06', 'AB');\n"
        "insert into CD values (2, 'Kind', 12, NULL, NULL);\n");
  }
};

TEST_F(Statements, TypeAndFunctionCodeFollowTheStatement) {
  struct TCase {
    const char* sql;
    ub2 type, code;
  } cases[] = {{"select * from CD", 1, 4},  {"update CD set TITLE = 1", 2, 5},
               {"delete from CD", 3, 9},    {"insert into CD (ID) values (7)", 4, 3},
               {"begin null; end;", 8, 34}, {"declare x number; begin null; end;", 9, 34}};
  for (const TCase& c : cases) {
    OCIStmt* stmt = scott.NewStatement(c.sql);
    ub2 type = 0;
    ASSERT_EQ(OCIAttrGet(stmt, kHtypeStmt, &type, nullptr, 24, scott.error), OCI_SUCCESS);
    EXPECT_EQ(type, c.type) << c.sql;
    if (c.type < 8) {
      EXPECT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, c.type == 1 ? 0 : 1, 0, nullptr,
                               nullptr, OCI_DEFAULT),
                OCI_SUCCESS)
          << c.sql << scott.ErrorText();
      ub2 code = 0;
      OCIAttrGet(stmt, kHtypeStmt, &code, nullptr, 10, scott.error);
      EXPECT_EQ(code, c.code) << c.sql;
    }
    OCIHandleFree(stmt, kHtypeStmt);
  }
}

TEST_F(Statements, ADescribeGivesTheCatalogueTypes) {
  OCIStmt* stmt = scott.NewStatement(
      "select ID, TITLE, PRICE, BOUGHT, CODE, count(*) from CD group by ID, TITLE, PRICE, BOUGHT, "
      "CODE");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0x10), OCI_SUCCESS)
      << scott.ErrorText();
  ub4 count = 0;
  OCIAttrGet(stmt, kHtypeStmt, &count, nullptr, 18, scott.error);
  ASSERT_EQ(count, 6u);
  struct TExpected {
    const char* name;
    ub2 type, size;
    ub1 precision;
    sb1 scale;
    ub1 nullable;
  } expected[] = {{"ID", 2, 22, 9, 0, 0},    {"TITLE", 1, 10, 0, 0, 1},
                  {"PRICE", 2, 22, 7, 2, 1}, {"BOUGHT", 12, 7, 0, 0, 1},
                  {"CODE", 96, 4, 0, 0, 1},  {"COUNT(*)", 2, 22, 0, 0, 1}};
  for (ub4 i = 0; i < count; ++i) {
    void* param = nullptr;
    ASSERT_EQ(OCIParamGet(stmt, kHtypeStmt, scott.error, &param, i + 1), OCI_SUCCESS);
    ub2 type = 0, size = 0;
    ub1 precision = 0, nullable = 0;
    sb1 scale = 0;
    OraText* name = nullptr;
    ub4 name_length = 0;
    OCIAttrGet(param, kDtypeParam, &size, nullptr, 1, scott.error);
    OCIAttrGet(param, kDtypeParam, &type, nullptr, 2, scott.error);
    OCIAttrGet(param, kDtypeParam, &name, &name_length, 4, scott.error);
    OCIAttrGet(param, kDtypeParam, &precision, nullptr, 5, scott.error);
    OCIAttrGet(param, kDtypeParam, &scale, nullptr, 6, scott.error);
    OCIAttrGet(param, kDtypeParam, &nullable, nullptr, 7, scott.error);
    const TExpected& e = expected[i];
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name), name_length), e.name);
    EXPECT_EQ(type, e.type) << e.name;
    EXPECT_EQ(size, e.size) << e.name;
    EXPECT_EQ(precision, e.precision) << e.name;
    EXPECT_EQ(scale, e.scale) << e.name;
    EXPECT_EQ(nullable, e.nullable) << e.name;
  }
  void* beyond = nullptr;
  EXPECT_EQ(OCIParamGet(stmt, kHtypeStmt, scott.error, &beyond, 7), OCI_ERROR);
  // Describe-only fetches nothing.
  EXPECT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 1002);
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(Statements, DefinesReceiveValuesInTheirTypes) {
  OCIStmt* stmt = scott.NewStatement("select ID, PRICE, BOUGHT, CODE, TITLE from CD order by ID");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS);
  sb4 ids[2] = {};
  double prices[2] = {};
  ub1 dates[2][7] = {};
  char codes[2][5] = {}, titles[2][11] = {};
  sb2 ind[5][2] = {};
  ub2 len[5][2] = {};
  OCIDefine* d = nullptr;
  OCIDefineByPos(stmt, &d, scott.error, 1, ids, 4, 3, ind[0], len[0], nullptr, 0);
  OCIDefineByPos(stmt, &d, scott.error, 2, prices, 8, 4, ind[1], len[1], nullptr, 0);
  OCIDefineByPos(stmt, &d, scott.error, 3, dates, 7, 12, ind[2], len[2], nullptr, 0);
  OCIDefineByPos(stmt, &d, scott.error, 4, codes, 5, 5, ind[3], len[3], nullptr, 0);
  OCIDefineByPos(stmt, &d, scott.error, 5, titles, 11, 5, ind[4], len[4], nullptr, 0);
  EXPECT_EQ(OCIStmtFetch(stmt, scott.error, 5, 2, 0), OCI_NO_DATA);
  ub4 rows = 0;
  OCIAttrGet(stmt, kHtypeStmt, &rows, nullptr, 9, scott.error);
  EXPECT_EQ(rows, 2u);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 2);
  EXPECT_DOUBLE_EQ(prices[0], 9.5);
  const ub1 date[7] = {120, 101, 2, 3, 5, 6, 7};
  EXPECT_EQ(std::memcmp(dates[0], date, 7), 0);
  EXPECT_EQ(ind[2][1], -1);
  EXPECT_STREQ(codes[0], "AB  ");  // CHAR(4) is blank-padded
  EXPECT_EQ(len[3][0], 4);
  EXPECT_EQ(ind[3][1], -1);
  EXPECT_STREQ(titles[1], "Kind");
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(Statements, ABufferTooShortTruncatesWithOra01406) {
  OCIStmt* stmt = scott.NewStatement("select TITLE from CD where ID = 1");
  OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0);
  char title[3] = {'x', 'x', 'x'};
  char guard = 'g';
  sb2 ind = 0;
  ub2 len = 0, rcode = 0;
  OCIDefine* d = nullptr;
  OCIDefineByPos(stmt, &d, scott.error, 1, title, 3, 5, &ind, &len, &rcode, 0);
  EXPECT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(scott.ErrorCode(), 1406);
  EXPECT_STREQ(title, "Bl");
  EXPECT_EQ(guard, 'g');
  EXPECT_EQ(ind, 4);  // the whole value's length
  EXPECT_EQ(rcode, 1406);
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(Statements, ANullWithoutIndicatorFailsWithOra01405) {
  OCIStmt* stmt = scott.NewStatement("select BOUGHT from CD where ID = 2");
  OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0);
  char text[20];
  OCIDefine* d = nullptr;
  OCIDefineByPos(stmt, &d, scott.error, 1, text, 20, 5, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 1405);
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(Statements, BindsByNameAndPositionAndUnknownNames) {
  OCIStmt* stmt = scott.NewStatement("insert into CD (ID, TITLE) values (:id, :Title)");
  sb4 id = 5;
  char title[] = "Five";
  OCIBind* b = nullptr;
  EXPECT_EQ(OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":nope"), 5, &id,
                          4, 3, nullptr, nullptr, nullptr, 0, nullptr, 0),
            OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 1036);
  ASSERT_EQ(OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":ID"), -1, &id,
                          4, 3, nullptr, nullptr, nullptr, 0, nullptr, 0),
            OCI_SUCCESS);
  // Without its second bind the statement cannot run.
  EXPECT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 1008);
  EXPECT_EQ(
      OCIBindByPos(stmt, &b, scott.error, 3, title, 5, 5, nullptr, nullptr, nullptr, 0, nullptr, 0),
      OCI_ERROR);
  ASSERT_EQ(
      OCIBindByPos(stmt, &b, scott.error, 2, title, 5, 5, nullptr, nullptr, nullptr, 0, nullptr, 0),
      OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  OCIHandleFree(stmt, kHtypeStmt);
  EXPECT_EQ(scott.Rows("select TITLE from CD where ID = 5"), (TRows{{"Five"}}));
}

TEST_F(Statements, AnArrayStopsAtTheFailingRowWithTheRowsDoneCounted) {
  OCIStmt* stmt = scott.NewStatement("insert into CD (ID, TITLE) values (:1, :2)");
  sb4 ids[5] = {10, 11, 1, 13, 14};  // 1 exists
  char titles[5][4] = {"a", "b", "c", "d", "e"};
  OCIBind* b = nullptr;
  OCIBindByPos(stmt, &b, scott.error, 1, ids, 4, 3, nullptr, nullptr, nullptr, 0, nullptr, 0);
  OCIBindByPos(stmt, &b, scott.error, 2, titles, 4, 5, nullptr, nullptr, nullptr, 0, nullptr, 0);
  EXPECT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 5, 0, nullptr, nullptr, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorText(), "ORA-00001: unique constraint (SCOTT.SYS_C100002) violated\n");
  ub4 rows = 0;
  OCIAttrGet(stmt, kHtypeStmt, &rows, nullptr, 9, scott.error);
  EXPECT_EQ(rows, 2u);
  // Going on after the failing row: the run ends where the arrays end.
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 5, 3, nullptr, nullptr, 0), OCI_SUCCESS);
  OCIAttrGet(stmt, kHtypeStmt, &rows, nullptr, 9, scott.error);
  EXPECT_EQ(rows, 2u);
  OCIHandleFree(stmt, kHtypeStmt);
  EXPECT_EQ(scott.Rows("select count(*) from CD"), (TRows{{"6"}}));
}

TEST_F(Statements, ASyntaxErrorGivesItsOffsetInTheOracleText) {
  const std::string sql = "select ID from CD where ID = = 1";
  OCIStmt* stmt = scott.NewStatement(sql);
  EXPECT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 933);
  ub2 offset = 0;
  OCIAttrGet(stmt, kHtypeStmt, &offset, nullptr, 129, scott.error);
  EXPECT_EQ(offset, sql.rfind('='));
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(Statements, WhatTheModelCannotAnswerFailsLoudly) {
  EXPECT_EQ(scott.Exec("begin dbms_output.put_line('x'); end;"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 3001);
  EXPECT_NE(scott.ErrorText().find("no rule for: begin dbms_output"), std::string::npos);
  EXPECT_EQ(scott.Exec("select decode(ID, 1, 'a') from CD"), OCI_ERROR);
  EXPECT_NE(scott.ErrorText().find("no rule for: select decode"), std::string::npos);
  EXPECT_EQ(scott.Exec("select * from NOSUCH"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 942);
}

TEST_F(Statements, CommitOnSuccessAndReadConsistencyBetweenSessions) {
  TSession other;
  ASSERT_EQ(other.Logon("scott", "tiger"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Red' where ID = 1"), OCI_SUCCESS);
  // The change is the session's own until it commits.
  EXPECT_EQ(scott.Rows("select TITLE from CD where ID = 1"), (TRows{{"Red"}}));
  EXPECT_EQ(other.Rows("select TITLE from CD where ID = 1"), (TRows{{"Blue"}}));
  ASSERT_EQ(OCITransRollback(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(scott.Rows("select TITLE from CD where ID = 1"), (TRows{{"Blue"}}));
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Green' where ID = 1", 0x20), OCI_SUCCESS);
  EXPECT_EQ(other.Rows("select TITLE from CD where ID = 1"), (TRows{{"Green"}}));
  other.Logoff();
}

TEST_F(Statements, SavepointsUndoOnlyWhatFollowsThem) {
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'One' where ID = 1"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("savepoint S1"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("update CD set TITLE = 'Two' where ID = 2"), OCI_SUCCESS);
  ASSERT_EQ(scott.Exec("rollback to savepoint S1"), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(scott.Rows("select TITLE from CD order by ID"), (TRows{{"One"}, {"Kind"}}));
  EXPECT_EQ(scott.Exec("rollback to savepoint NEVER"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 1086);
}

}  // namespace
}  // namespace StandinTest

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

TEST_F(Statements, LockedRowsRefuseAnotherSessionOnAnotherThread) {
  ASSERT_EQ(scott.Exec("select ID from CD where ID = 1 for update of CD.ID nowait"), OCI_SUCCESS);
  sb4 code = 0;
  std::string seen;
  std::thread other([&] {
    TSession session;
    session.Logon("scott", "tiger");
    if (session.Exec("select ID from CD a where a.ID = 1 for update nowait") == OCI_ERROR)
      code = session.ErrorCode();
    // Reading is never blocked.
    seen = session.Rows("select TITLE from CD where ID = 1").at(0).at(0);
    session.Logoff();
  });
  other.join();
  EXPECT_EQ(code, 54);
  EXPECT_EQ(seen, "Blue");
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  TSession later;
  later.Logon("scott", "tiger");
  EXPECT_EQ(later.Exec("update CD set TITLE = 'Free' where ID = 1"), OCI_SUCCESS);
  later.Logoff();
}

TEST_F(Statements, TwoSessionsOnTwoThreadsRunAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(2);
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      TSession session;
      session.Logon("scott", "tiger");
      for (int i = 0; i < 50; ++i)
        if (session.Rows("select count(*) from CD") != (TRows{{"2"}})) ++failures[t];
      session.Logoff();
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, (std::vector<int>{0, 0}));
}

}  // namespace
}  // namespace StandinTest
