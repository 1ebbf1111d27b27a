// Oracle SQL as the library writes it, translated and run on SQLite with
// Oracle's semantics.
#include "StandinTestSupport.h"
#include "oracle/standin/StandinSql.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

TEST(SqlTranslation, RewritesTheFormsSQLiteLacks) {
  const TSqlContext context{
      "SCOTT", [](const std::string& name) { return name == "SCOTT" || name == "SYS"; }};
  struct TCase {
    const char* oracle;
    const char* sqlite;
  } cases[] = {
      {"select * from scott.CD", "select * from CD"},
      {"select OWNER from sys.all_tables", "select OWNER from all_tables"},
      {"select c.ID from CD c where c.T = ''", "select c . ID from CD c where c . T = NULL"},
      {"select user, sysdate from dual", "select 'SCOTT' , STANDIN_SYSDATE() from dual"},
      {"select scott.S.nextval from dual", "select STANDIN_NEXTVAL('S') from dual"},
      {"select S.currval from dual", "select STANDIN_CURRVAL('S') from dual"},
      {"update CD set T = :t where ID = :Id", "update CD set T = :T where ID = :ID"},
      {"select 'it''s' from dual -- note", "select 'it''s' from dual"},
  };
  for (const TCase& c : cases) EXPECT_EQ(TranslateSql(c.oracle, context).sql, c.sqlite) << c.oracle;
}

TEST(SqlTranslation, ForUpdateIsTheModelsAndLeavesTheText) {
  const TSqlContext context{"SCOTT", nullptr};
  const TTranslation plain = TranslateSql("select * from CD a for update of a.T nowait", context);
  EXPECT_EQ(plain.sql, "select * from CD a");
  EXPECT_TRUE(plain.for_update);
  EXPECT_TRUE(plain.nowait);
  const TTranslation waiting = TranslateSql("select * from CD for update", context);
  EXPECT_TRUE(waiting.for_update);
  EXPECT_FALSE(waiting.nowait);
}

TEST(SqlTranslation, BindNamesInOrderOfFirstUse) {
  const TTranslation sql =
      TranslateSql("insert into T values (:b, :A, :b, :\"Mixed\")", TSqlContext{"X", nullptr});
  EXPECT_EQ(sql.placeholders, (std::vector<std::string>{"B", "A", "Mixed"}));
}

class OracleSemantics : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table NAMES (N varchar2(20), C char(3) default 'x', D date default sysdate);\n"
        "insert into NAMES (N) values ('Abc');\n"
        "insert into NAMES (N, C) values ('abd', '');\n"
        "create sequence S start with 10 increment by 5;\n");
  }
};

TEST_F(OracleSemantics, NullsSortAboveEveryValueUnlessTheOrderPlacesThem) {
  Fixture(
      "create table RANKS (K number(3), N varchar2(5));\n"
      "insert into RANKS values (2, 'b');\ninsert into RANKS values (null, 'a');\n"
      "insert into RANKS values (1, null);\n");
  struct TCase {
    const char* sql;
    TRows rows;
  } const cases[] = {
      {"select K from RANKS order by K", {{"1"}, {"2"}, {"<null>"}}},
      {"select K from RANKS order by K asc", {{"1"}, {"2"}, {"<null>"}}},
      {"select K from RANKS order by K desc", {{"<null>"}, {"2"}, {"1"}}},
      {"select K from RANKS order by K nulls first", {{"<null>"}, {"1"}, {"2"}}},
      {"select K from RANKS order by K desc nulls last", {{"2"}, {"1"}, {"<null>"}}},
      // Each key on its own, by position and by expression too.
      {"select N, K from RANKS order by 2 desc, N", {{"a", "<null>"}, {"b", "2"}, {"<null>", "1"}}},
      {"select K from RANKS order by K + 1", {{"1"}, {"2"}, {"<null>"}}},
      {"select N from RANKS order by upper(N) desc", {{"<null>"}, {"b"}, {"a"}}},
      // A query inside another keeps its own order's placement.
      {"select count(*) from (select K from RANKS order by K)", {{"3"}}},
      {"select K from RANKS where K in (select K from RANKS) order by K", {{"1"}, {"2"}}},
  };
  for (const TCase& c : cases) EXPECT_EQ(scott.Rows(c.sql), c.rows) << c.sql;
  // A select for update keeps the order of the rows it locks.
  EXPECT_EQ(scott.Rows("select K from RANKS order by K for update"),
            (TRows{{"1"}, {"2"}, {"<null>"}}));
}

TEST_F(OracleSemantics, LikeIsCaseSensitiveAndEmptyTextIsNull) {
  EXPECT_EQ(scott.Rows("select N from NAMES where N like 'a%'"), (TRows{{"abd"}}));
  EXPECT_EQ(scott.Rows("select N from NAMES where C is null"), (TRows{{"abd"}}));
  EXPECT_EQ(scott.Rows("select C from NAMES where N = 'Abc'"), (TRows{{"x  "}}));
  EXPECT_EQ(scott.Rows("select N from NAMES where N != 'Abc'"), (TRows{{"abd"}}));
}

TEST_F(OracleSemantics, SequencesCountOnAndCurrvalNeedsNextval) {
  EXPECT_EQ(scott.Exec("select S.currval from dual"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 8002);
  EXPECT_EQ(scott.Rows("select S.nextval from dual"), (TRows{{"10"}}));
  EXPECT_EQ(scott.Rows("select scott.S.nextval from dual"), (TRows{{"15"}}));
  EXPECT_EQ(scott.Rows("select S.currval from dual"), (TRows{{"15"}}));
}

TEST_F(OracleSemantics, SysdateAndUserComeFromTheModel) {
  ZorvetStandinSetClock("2026-12-09 11:30:00");
  EXPECT_EQ(scott.Rows("select user, sysdate from dual"), (TRows{{"SCOTT", "09-DEC-26"}}));
  ASSERT_EQ(scott.Exec("insert into NAMES (N) values ('now')"), OCI_SUCCESS);
  OCIStmt* stmt = scott.NewStatement("select D from NAMES where N = 'now'");
  OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0);
  ub1 date[7] = {};
  OCIDefine* d = nullptr;
  OCIDefineByPos(stmt, &d, scott.error, 1, date, 7, 12, nullptr, nullptr, nullptr, 0);
  ASSERT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_SUCCESS) << scott.ErrorText();
  const ub1 expected[7] = {120, 126, 12, 9, 12, 31, 1};  // the time of day is kept
  EXPECT_EQ(std::vector<ub1>(date, date + 7), std::vector<ub1>(expected, expected + 7));
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(OracleSemantics, CheckAndForeignKeyConstraintsListTheirColumnsAndKey) {
  Fixture(
      "create table PARENT (ID number(5) constraint PARENT_PK primary key);\n"
      "create table CHILD (ID number(5), STATUS varchar2(3), PARENT_ID number(5),\n"
      "  constraint CHILD_PARENT_FK foreign key (PARENT_ID) references PARENT(ID),\n"
      "  constraint CHILD_STATUS_CK check (STATUS in ('ID', 'NEW') and ID > 0));\n");
  EXPECT_EQ(scott.Rows("select COLUMN_NAME from all_cons_columns where CONSTRAINT_NAME = "
                       "'CHILD_STATUS_CK' order by POSITION"),
            (TRows{{"STATUS"}, {"ID"}}));
  EXPECT_EQ(scott.Rows("select R_OWNER, R_CONSTRAINT_NAME from all_constraints where "
                       "CONSTRAINT_NAME = 'CHILD_PARENT_FK'"),
            (TRows{{"SCOTT", "PARENT_PK"}}));
}

TEST_F(OracleSemantics, AReferenceWrittenOnAColumnIsAForeignKey) {
  Fixture(
      "create table PARENT (ID number(5) constraint PARENT_PK primary key);\n"
      "create table ITEM (ID number(5),\n"
      "  OWNER_ID number(5) constraint ITEM_OWNER_FK references PARENT(ID) on delete cascade,\n"
      "  KIND_ID number(5) not null references scott.PARENT);\n"
      "insert into PARENT values (1);\ninsert into ITEM values (7, 1, 1);\n");
  EXPECT_EQ(scott.Rows("select CONSTRAINT_NAME, CONSTRAINT_TYPE, R_OWNER, R_CONSTRAINT_NAME from "
                       "all_constraints where TABLE_NAME = 'ITEM' and CONSTRAINT_TYPE = 'R' "
                       "order by 1"),
            (TRows{{"ITEM_OWNER_FK", "R", "SCOTT", "PARENT_PK"},
                   {"SYS_C100004", "R", "SCOTT", "PARENT_PK"}}));
  EXPECT_EQ(scott.Rows("select CONSTRAINT_NAME, COLUMN_NAME, POSITION from all_cons_columns "
                       "where TABLE_NAME = 'ITEM' order by 1"),
            (TRows{{"ITEM_OWNER_FK", "OWNER_ID", "1"},
                   {"SYS_C100004", "KIND_ID", "1"},
                   {"SYS_C100005", "KIND_ID", "1"}}));
  EXPECT_EQ(scott.Rows("select ID, OWNER_ID, KIND_ID from ITEM"), (TRows{{"7", "1", "1"}}));
}

TEST_F(OracleSemantics, TheDictionaryViewsDescribeTheTables) {
  Fixture(
      "create table PARENT (ID number(5) constraint PARENT_PK primary key,\n"
      "  AMOUNT number(8,2) default 0 not null, constraint AMOUNT_OK check (AMOUNT >= 0));\n");
  EXPECT_EQ(scott.Rows("select TABLE_NAME from user_tables order by 1"),
            (TRows{{"NAMES"}, {"PARENT"}}));
  EXPECT_EQ(scott.Rows("select COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
                       "NULLABLE, DATA_DEFAULT from sys.all_tab_columns where OWNER = 'SCOTT' "
                       "and TABLE_NAME = 'PARENT' order by COLUMN_ID"),
            (TRows{{"ID", "NUMBER", "22", "5", "0", "N", "<null>"},
                   {"AMOUNT", "NUMBER", "22", "8", "2", "N", "0"}}));
  EXPECT_EQ(scott.Rows("select CONSTRAINT_NAME, CONSTRAINT_TYPE, SEARCH_CONDITION, STATUS from "
                       "all_constraints where TABLE_NAME = 'PARENT' and CONSTRAINT_TYPE <> 'C' "
                       "or CONSTRAINT_NAME = 'AMOUNT_OK' order by 1"),
            (TRows{{"AMOUNT_OK", "C", "AMOUNT >= 0", "ENABLED"},
                   {"PARENT_PK", "P", "<null>", "ENABLED"}}));
  EXPECT_EQ(scott.Rows("select COLUMN_NAME, POSITION from all_cons_columns where "
                       "CONSTRAINT_NAME = 'PARENT_PK'"),
            (TRows{{"ID", "1"}}));
  // The default is a LONG.
  OCIStmt* stmt = scott.NewStatement("select DATA_DEFAULT from all_tab_columns");
  OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0x10);
  void* param = nullptr;
  OCIParamGet(stmt, kHtypeStmt, scott.error, &param, 1);
  ub2 type = 0;
  OCIAttrGet(param, kDtypeParam, &type, nullptr, 2, scott.error);
  EXPECT_EQ(type, 8);
  OCIHandleFree(stmt, kHtypeStmt);
  EXPECT_EQ(scott.Exec("insert into PARENT values (1, -1)"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 2290);
}

}  // namespace
}  // namespace StandinTest
