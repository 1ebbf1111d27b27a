// Cursors a block opens and PL/SQL tables it fills, answered by rules: the
// model opens each cursor over the rule's query in the caller's session.
#include <array>
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

class Cursors : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table T (ID number(4), NAME varchar2(8));\n"
        "insert into T values (1, 'one');\ninsert into T values (2, 'two');\n"
        "insert into T values (3, 'three');\n");
  }
  OCIStmt* Handle() {
    OCIStmt* stmt = nullptr;
    OCIHandleAlloc(scott.env, reinterpret_cast<void**>(&stmt), kHtypeStmt, 0, nullptr);
    return stmt;
  }
  // Every row of an opened cursor, its columns as text.
  TRows Drain(OCIStmt* cursor) {
    ub4 count = 0;
    OCIAttrGet(cursor, kHtypeStmt, &count, nullptr, 18, scott.error);
    std::vector<std::array<char, 40>> buffers(count);
    std::vector<sb2> ind(count);
    for (ub4 i = 0; i < count; ++i) {
      OCIDefine* define = nullptr;
      EXPECT_EQ(OCIDefineByPos(cursor, &define, scott.error, i + 1, buffers[i].data(), 40, 5,
                               &ind[i], nullptr, nullptr, 0),
                OCI_SUCCESS);
    }
    TRows rows;
    while (OCIStmtFetch(cursor, scott.error, 1, 2, 0) == OCI_SUCCESS) {
      rows.emplace_back();
      for (ub4 i = 0; i < count; ++i)
        rows.back().push_back(ind[i] == -1 ? "<null>" : buffers[i].data());
    }
    return rows;
  }
};

TEST_F(Cursors, ABoundCursorIsOpenedOverTheRulesQueryInTheSession) {
  ZorvetStandinAddRule(0, "begin open :c for select * from T; end;",
                       "cursor C select ID, NAME from T where ID > 1 order by ID\n", nullptr, 0);
  // The session's own uncommitted row shows in its cursor.
  ASSERT_EQ(scott.Exec("insert into T values (4, 'four')"), OCI_SUCCESS);
  OCIStmt* block = scott.NewStatement("begin open :c for select * from T; end;");
  OCIStmt* cursor = Handle();
  OCIBind* bind = nullptr;
  ASSERT_EQ(OCIBindByName(block, &bind, scott.error, Text(":c"), 2, &cursor, 0, kSqltRset, nullptr,
                          nullptr, nullptr, 0, nullptr, 0),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(scott.svc, block, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  // The block's handle may go: the cursor is a statement of its own.
  OCIHandleFree(block, kHtypeStmt);
  ub2 type = 0;
  OCIAttrGet(cursor, kHtypeStmt, &type, nullptr, 24, scott.error);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(Drain(cursor), (TRows{{"2", "two"}, {"3", "three"}, {"4", "four"}}));
  OCIHandleFree(cursor, kHtypeStmt);
}

TEST_F(Cursors, ACursorBindThatIsNoStatementHandleIsRefused) {
  ZorvetStandinAddRule(0, "begin open :c for select 1 from dual; end;",
                       "cursor C select ID from T\n", nullptr, 0);
  OCIStmt* block = scott.NewStatement("begin open :c for select 1 from dual; end;");
  OCIBind* bind = nullptr;
  // A freed handle, then the block's own handle, then another type.
  OCIStmt* freed = Handle();
  OCIHandleFree(freed, kHtypeStmt);
  sb4 number = 0;
  const std::pair<void*, ub2> cases[] = {
      {&freed, kSqltRset}, {&block, kSqltRset}, {&number, kSqltInt}};
  for (const auto& [address, dty] : cases) {
    OCIBindByName(block, &bind, scott.error, Text(":c"), 2, address, 8, dty, nullptr, nullptr,
                  nullptr, 0, nullptr, 0);
    EXPECT_EQ(OCIStmtExecute(scott.svc, block, scott.error, 1, 0, nullptr, nullptr, 0), OCI_ERROR);
    EXPECT_EQ(scott.ErrorCode(), dty == kSqltRset ? 1001 : 932);
  }
  OCIHandleFree(block, kHtypeStmt);
}

TEST_F(Cursors, ACursorColumnOpensEachRowsStatementHandle) {
  ZorvetStandinAddRule(0, "select ID, cursor(select NAME from T t2 where t2.ID >= t.ID) from T t",
                       "columns ID 2 22\ncolumns C 116 0\n"
                       "row 2|select NAME from T where ID >= 2 order by ID\n"
                       "row 3|\\N\n",
                       nullptr, 0);
  OCIStmt* query =
      scott.NewStatement("select ID, cursor(select NAME from T t2 where t2.ID >= t.ID) from T t");
  ASSERT_EQ(OCIStmtExecute(scott.svc, query, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS);
  void* param = nullptr;
  ASSERT_EQ(OCIParamGet(query, kHtypeStmt, scott.error, &param, 2), OCI_SUCCESS);
  ub2 type = 0;
  OCIAttrGet(param, kDtypeParam, &type, nullptr, 2, scott.error);
  EXPECT_EQ(type, kSqltRset);
  sb4 ids[2] = {};
  OCIStmt* cursors[2] = {Handle(), Handle()};
  sb2 ind[2] = {7, 7};
  OCIDefine* define = nullptr;
  OCIDefineByPos(query, &define, scott.error, 1, ids, 4, kSqltInt, nullptr, nullptr, nullptr, 0);
  OCIDefineByPos(query, &define, scott.error, 2, cursors, sizeof(OCIStmt*), kSqltRset, ind, nullptr,
                 nullptr, 0);
  ASSERT_EQ(OCIStmtFetch(query, scott.error, 2, 2, 0), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(ids[1], 3);
  EXPECT_EQ(ind[0], 0);
  EXPECT_EQ(ind[1], -1);
  EXPECT_EQ(Drain(cursors[0]), (TRows{{"two"}, {"three"}}));
  for (OCIStmt* cursor : cursors) OCIHandleFree(cursor, kHtypeStmt);
  OCIHandleFree(query, kHtypeStmt);
}

TEST_F(Cursors, ACursorColumnDefinedAsAnotherTypeIsRefused) {
  ZorvetStandinAddRule(0, "select cursor(select 1 from dual) from dual",
                       "columns C 116 0\nrow select 1 from dual\n", nullptr, 0);
  OCIStmt* query = scott.NewStatement("select cursor(select 1 from dual) from dual");
  ASSERT_EQ(OCIStmtExecute(scott.svc, query, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS);
  char text[40];
  OCIDefine* define = nullptr;
  OCIDefineByPos(query, &define, scott.error, 1, text, 40, kSqltStr, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(OCIStmtFetch(query, scott.error, 1, 2, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 932);
  OCIHandleFree(query, kHtypeStmt);
}

TEST_F(Cursors, AnOlderCursorAreaBoundAsACursorVariableIsOpened) {
  ZorvetStandinAddRule(1, "^begin open", "cursor C select NAME from T where ID < 3 order by ID\n",
                       nullptr, 0);
  Lda_Def lda{};
  Cda_Def block{}, cursor{};
  ub1 hda[kOciHostDataAreaSize] = {};
  ASSERT_EQ(olog(&lda, hda, Text("scott/tiger"), -1, nullptr, -1, nullptr, -1, 0), 0);
  oopen(&block, &lda, nullptr, -1, -1, nullptr, -1);
  oopen(&cursor, &lda, nullptr, -1, -1, nullptr, -1);
  oparse(&block, Text("begin open :c for select NAME from T; end;"), -1, 1, 2);
  ASSERT_EQ(obndra(&block, Text(":c"), -1, reinterpret_cast<ub1*>(&cursor), -1, kSqltCur, -1,
                   nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(oexec(&block), 0);
  EXPECT_EQ(cursor.fc, 4);
  sb4 size = 0;
  sb2 type = 0;
  ASSERT_EQ(odescr(&cursor, 1, &size, &type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(type, 1);
  char name[9] = {};
  odefin(&cursor, 1, reinterpret_cast<ub1*>(name), 9, 5, -1, nullptr, nullptr, -1, -1, nullptr,
         nullptr);
  std::vector<std::string> names;
  while (ofen(&cursor, 1) == 0) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(cursor.rc, 1403);
  oclose(&cursor);
  oclose(&block);
  ologof(&lda);
}

// PL/SQL tables: an array the block reads up to its current count and
// fills up to its capacity.
class PlsqlTables : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    stmt = scott.NewStatement(kBlock);
  }
  void TearDown() override {
    OCIHandleFree(stmt, kHtypeStmt);
    StandinWorld::TearDown();
  }
  sword Run(const char* answer) {
    char fault[100] = {};
    EXPECT_EQ(ZorvetStandinAddRule(0, kBlock, answer, fault, sizeof fault), 0) << fault;
    OCIBind* bind = nullptr;
    OCIBindByName(stmt, &bind, scott.error, Text(":ids"), -1, ids, 4, kSqltInt, nullptr, nullptr,
                  nullptr, 5, &id_count, 0);
    OCIBindByName(stmt, &bind, scott.error, Text(":names"), -1, names, 6, kSqltStr, name_ind,
                  name_len, nullptr, 3, &name_count, 0);
    return OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0);
  }
  static constexpr const char* kBlock = "begin pkg.names(:ids, :names); end;";
  OCIStmt* stmt = nullptr;
  sb4 ids[5] = {10, 20, 30, 40, 50};
  ub4 id_count = 3;
  char names[3][6] = {};
  sb2 name_ind[3] = {5, 5, 5};
  ub2 name_len[3] = {};
  ub4 name_count = 0;
};

TEST_F(PlsqlTables, TheBlockReadsTheCurrentElementsAndFillsTheOutTable) {
  ASSERT_EQ(Run("table NAMES ten|\\N|thirt\n"), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(name_count, 3u);
  EXPECT_STREQ(names[0], "ten");
  EXPECT_EQ(name_len[0], 3);
  EXPECT_EQ(name_ind[1], -1);
  EXPECT_STREQ(names[2], "thirt");
  EXPECT_EQ(id_count, 3u);  // an in table keeps its count
  char text[100], binds[100];
  unsigned iters = 0, mode = 0;
  ASSERT_EQ(ZorvetStandinLogEntry(0, text, sizeof text, binds, sizeof binds, &iters, &mode), 0);
  EXPECT_STREQ(binds, "IDS=10|20|30\nNAMES=\n");
}

TEST_F(PlsqlTables, AnEmptyTableComesBackWithNoElements) {
  name_count = 2;
  ASSERT_EQ(Run("table NAMES\n"), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(name_count, 0u);
}

TEST_F(PlsqlTables, MoreElementsThanTheArrayHoldsOrLongerOnesFail) {
  struct {
    const char* answer;
    sb4 code;
  } const cases[] = {{"table NAMES a|b|c|d\n", 6513},
                     {"table NAMES toolong\n", 1406},
                     {"table IDS x\n", 1722},
                     {"out NAMES a\ntable OTHER a\n", 1008}};
  for (const auto& c : cases) {
    ZorvetStandinReset();
    ZorvetStandinAddUser("SCOTT", "TIGER", 0);
    scott.Logoff();
    OCIHandleFree(stmt, kHtypeStmt);
    ASSERT_EQ(scott.Logon("scott", "tiger"), OCI_SUCCESS);
    stmt = scott.NewStatement(kBlock);
    EXPECT_EQ(Run(c.answer), OCI_ERROR) << c.answer;
    EXPECT_EQ(scott.ErrorCode(), c.code) << c.answer;
  }
}

TEST_F(PlsqlTables, AnOlderCursorAreaBindsATableWithItsCount) {
  ZorvetStandinAddRule(0, kBlock, "table NAMES x|y\n", nullptr, 0);
  Lda_Def lda{};
  Cda_Def cda{};
  ub1 hda[kOciHostDataAreaSize] = {};
  ASSERT_EQ(olog(&lda, hda, Text("scott/tiger"), -1, nullptr, -1, nullptr, -1, 0), 0);
  oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1);
  oparse(&cda, Text(kBlock), -1, 1, 2);
  obndra(&cda, Text(":ids"), -1, reinterpret_cast<ub1*>(ids), 4, kSqltInt, -1, nullptr, nullptr,
         nullptr, 5, &id_count, nullptr, -1, -1);
  obndra(&cda, Text(":names"), -1, reinterpret_cast<ub1*>(names), 6, kSqltStr, -1, name_ind,
         name_len, nullptr, 3, &name_count, nullptr, -1, -1);
  ASSERT_EQ(oexec(&cda), 0);
  EXPECT_EQ(name_count, 2u);
  EXPECT_STREQ(names[1], "y");
  oclose(&cda);
  ologof(&lda);
}

}  // namespace
}  // namespace StandinTest
