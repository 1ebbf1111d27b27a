// Oracle's + and - over dates and numbers, as translated and as run.
#include "StandinTestSupport.h"
#include "oracle/standin/StandinSql.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

TEST(Arithmetic, BinaryPlusAndMinusBecomeCallsWithTheirWholeOperands) {
  const TSqlContext context{"SCOTT", nullptr};
  struct TCase {
    const char* oracle;
    const char* sqlite;
  } cases[] = {
      {"select :d + 1 from dual", "select STANDIN_ADD(:D, 1) from dual"},
      {"select a.X - 2 * b.Y + f(1, -2) z from T a",
       "select STANDIN_ADD(STANDIN_SUB(a . X, 2 * b . Y), f (1 , - 2 )) z from T a"},
      {"select -X / 2 from T where X = -1", "select - X * 1.0 / 2 from T where X = - 1"},
      {"update T set X = (X + 1) where Y > sysdate - 1",
       "update T set X = (STANDIN_ADD(X, 1) ) where Y > STANDIN_SUB(STANDIN_SYSDATE (), 1)"},
  };
  for (const TCase& c : cases) EXPECT_EQ(TranslateSql(c.oracle, context).sql, c.sqlite) << c.oracle;
}

class DateArithmetic : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create table CD (ID number(9), PRICE number(7,2), BOUGHT date);\n"
        "insert into CD values (1, 9.5, '2001-02-03 04:05:06');\n"
        "insert into CD values (2, 12, '2001-03-01 00:00:00');\n");
    ZorvetStandinSetClock("2001-03-02 12:00:00");
  }
  // The first column of the one row `sql` gives, with :D bound to `date`
  // as a seven-byte date, fetched as a date.
  std::string DateOf(const std::string& sql, const char* date) {
    OCIStmt* stmt = scott.NewStatement(sql);
    ub1 in[7], out[7] = {};
    DateTextToImage(date, in);
    OCIBind* bind = nullptr;
    OCIDefine* define = nullptr;
    OCIBindByName(stmt, &bind, scott.error, reinterpret_cast<const OraText*>(":D"), -1, in, 7,
                  kSqltDat, nullptr, nullptr, nullptr, 0, nullptr, 0);
    OCIDefineByPos(stmt, &define, scott.error, 1, out, 7, kSqltDat, nullptr, nullptr, nullptr, 0);
    const sword status = OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0);
    OCIHandleFree(stmt, kHtypeStmt);
    return status == OCI_SUCCESS ? DateImageToText(out) : scott.ErrorText();
  }
};

TEST_F(DateArithmetic, DaysAddToADateAndSubtractFromIt) {
  EXPECT_EQ(DateOf("select :d + 1 from dual", "2001-12-31 23:00:00"), "2002-01-01 23:00:00");
  EXPECT_EQ(DateOf("select 1 + :d - 0.5 from dual", "2001-03-01 00:00:00"), "2001-03-01 12:00:00");
  EXPECT_EQ(
      DateOf("select BOUGHT - 1/24 from CD where ID = 1 and :d is not null", "2000-01-01 00:00:00"),
      "2001-02-03 03:05:06");
  EXPECT_EQ(DateOf("select sysdate - 1 from dual where :d is not null", "2000-01-01 00:00:00"),
            "2001-03-01 12:00:00");
}

TEST_F(DateArithmetic, DatesSubtractToDaysAndCompareAfterArithmetic) {
  EXPECT_EQ(scott.Rows("select sysdate - BOUGHT, PRICE + 1, PRICE - ID, 7 - 2 * 3, 3 / 4 from CD "
                       "where ID = 2"),
            (TRows{{"1.5", "13", "10", "1", ".75"}}));
  EXPECT_EQ(scott.Rows("select ID from CD where BOUGHT > sysdate - 2"), (TRows{{"2"}}));
  ASSERT_EQ(scott.Exec("update CD set BOUGHT = BOUGHT + 7, PRICE = PRICE - .5 where ID = 1"),
            OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(scott.Rows("select count(*) from CD where BOUGHT = '2001-02-10 04:05:06' and "
                       "PRICE = 9"),
            (TRows{{"1"}}));
}

TEST_F(DateArithmetic, WhatOracleRefusesFails) {
  struct TCase {
    const char* sql;
    sb4 code;
  } cases[] = {{"select BOUGHT + BOUGHT from CD", 975},
               {"select 'abc' + 1 from dual", 1722},
               {"select 1 - BOUGHT from CD", 932}};
  for (const TCase& c : cases) {
    EXPECT_EQ(scott.Exec(c.sql), OCI_ERROR) << c.sql;
    EXPECT_EQ(scott.ErrorCode(), c.code) << c.sql;
  }
  EXPECT_EQ(scott.Rows("select NULL + 1, BOUGHT - NULL from CD where ID = 1"),
            (TRows{{"<null>", "<null>"}}));
}

}  // namespace
}  // namespace StandinTest
