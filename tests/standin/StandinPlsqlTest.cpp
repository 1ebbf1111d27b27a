// The session's probes and the library's PL/SQL blocks, answered by the
// model's built-in handlers.
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

struct TOutBind {
  char value[64] = {};
  sb2 indicator = 0;

  void Bind(TSession& session, OCIStmt* stmt, const char* name) {
    OCIBind* b = nullptr;
    ASSERT_EQ(OCIBindByName(stmt, &b, session.error, reinterpret_cast<const OraText*>(name), -1,
                            value, sizeof value, 5, &indicator, nullptr, nullptr, 0, nullptr, 0),
              OCI_SUCCESS)
        << name;
  }
  std::string Text() const { return indicator == -1 ? "<null>" : value; }
};

TEST_F(StandinWorld, TheProbesOfTheSessionHaveTheirAnswers) {
  EXPECT_EQ(scott.Rows("select length(chr(2000000000)) l4, length(chr(2000000)) l3,  "
                       "length(chr(20000)) l2 from dual"),
            (TRows{{"1", "1", "1"}}));
  std::string unions;
  for (int month = 1; month <= 12; ++month) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "select to_char(to_date('10-%d-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) from "
                  "dual",
                  month);
    unions += (month > 1 ? "\nunion all\n" : "") + std::string(line);
  }
  const TRows rows = scott.Rows(unions);
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[0][0], "10-JAN-99");
  EXPECT_EQ(rows[8][0], "10-SEP-99");
}

TEST_F(StandinWorld, TheResolveBlockFindsTablesThenSynonyms) {
  Fixture(
      "create table DISCS (ID number);\n"
      "create synonym MINE for DISCS;\n"
      "create public synonym EVERYONES for SCOTT.DISCS;\n");
  const char* block =
      "begin\n  begin\n    select user, table_name into :table_owner, :table_name\n"
      "      from sys.user_tables where table_name = :name;\n"
      "  exception when no_data_found then\n    begin\n"
      "      select user, view_name into :table_owner, :table_name\n"
      "        from sys.user_views where view_name = :name;\n"
      "    exception when no_data_found then\n      begin\n"
      "        select table_owner, table_name into :table_owner, :table_name\n"
      "          from sys.user_synonyms where synonym_name = :name;\n"
      "      exception when no_data_found then\n        begin\n"
      "          select table_owner, table_name into :table_owner, :table_name\n"
      "            from sys.all_synonyms where owner = 'PUBLIC' and synonym_name = :name;\n"
      "        exception when no_data_found then\n"
      "          :table_owner := null; :table_name := null;\n"
      "        end;\n      end;\n    end;\n  end;\nend;";
  for (const auto& [name, owner, table] :
       {std::tuple<const char*, const char*, const char*>{"DISCS", "SCOTT", "DISCS"},
        {"MINE", "SCOTT", "DISCS"},
        {"EVERYONES", "SCOTT", "DISCS"},
        {"NOTHING", "<null>", "<null>"}}) {
    OCIStmt* stmt = scott.NewStatement(block);
    TOutBind out_owner, out_table;
    out_owner.Bind(scott, stmt, ":table_owner");
    out_table.Bind(scott, stmt, ":table_name");
    char value[31];
    std::strcpy(value, name);
    OCIBind* b = nullptr;
    OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":name"), -1, value,
                  sizeof value, 5, nullptr, nullptr, nullptr, 0, nullptr, 0);
    ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
        << scott.ErrorText();
    EXPECT_EQ(out_owner.Text(), owner);
    EXPECT_EQ(out_table.Text(), table);
    OCIHandleFree(stmt, kHtypeStmt);
  }
}

constexpr sb4 kFive = 5, kMinusOne = -1;

TEST_F(StandinWorld, TheCheckBlockTakesTheElseBranchForNull) {
  const char* block =
      "begin\n  if not (:AMOUNT >= 0) then\n    :error := 2290;\n  else\n    :error := 0;\n"
      "  end if;\nend;";
  for (const auto& [amount, expected] :
       {std::pair<const sb4*, sb4>{&kFive, 0}, {&kMinusOne, 2290}, {nullptr, 0}}) {
    OCIStmt* stmt = scott.NewStatement(block);
    sb4 error = -7;
    sb4 value = amount ? *amount : 0;
    sb2 indicator = amount ? 0 : -1;
    OCIBind* b = nullptr;
    OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":error"), -1, &error, 4,
                  3, nullptr, nullptr, nullptr, 0, nullptr, 0);
    OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":AMOUNT"), -1, &value, 4,
                  3, &indicator, nullptr, nullptr, 0, nullptr, 0);
    ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
        << scott.ErrorText();
    EXPECT_EQ(error, expected) << (amount ? *amount : 999);
    OCIHandleFree(stmt, kHtypeStmt);
  }
}

TEST_F(StandinWorld, TheCheckBlockReadsTheRowsOtherColumnsFirst) {
  Fixture(
      "create table ITEM (PRICE number(5), QTY number(5));\n"
      "insert into ITEM values (1, 10);\n");
  const std::string rowid = scott.Rows("select rowid from ITEM").at(0).at(0);
  const char* block =
      "begin\n  select QTY into :QTY from ITEM where rowid = :quelt__rowid;\n"
      "  if not (:PRICE * :QTY < 100) then\n    :error := 2290;\n  else\n    :error := 0;\n"
      "  end if;\nexception\n  when others then :error := 0;\nend;";
  struct TCase {
    sb4 price;
    std::string rowid;
    sb4 error;
    const char* qty;  // as the block leaves the variable
  } cases[] = {{5, rowid, 0, "10"}, {20, rowid, 2290, "10"}, {20, "AAAAAAAAAAAAAAAAAA", 0, "7"}};
  for (const TCase& c : cases) {
    OCIStmt* stmt = scott.NewStatement(block);
    sb4 error = -7, price = c.price;
    TOutBind qty;
    std::strcpy(qty.value, "7");
    OCIBind* b = nullptr;
    OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":error"), -1, &error, 4,
                  3, nullptr, nullptr, nullptr, 0, nullptr, 0);
    OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":PRICE"), -1, &price, 4,
                  3, nullptr, nullptr, nullptr, 0, nullptr, 0);
    OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":quelt__rowid"), -1,
                  const_cast<char*>(c.rowid.c_str()), 19, 5, nullptr, nullptr, nullptr, 0, nullptr,
                  0);
    qty.Bind(scott, stmt, ":QTY");
    ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
        << scott.ErrorText();
    EXPECT_EQ(error, c.error) << c.price << " " << c.rowid;
    EXPECT_EQ(qty.Text(), c.qty) << c.price << " " << c.rowid;
    OCIHandleFree(stmt, kHtypeStmt);
  }
}

TEST_F(StandinWorld, TheDefaultsBlockEvaluatesEachDefault) {
  ZorvetStandinSetClock("2026-01-02 03:04:05");
  OCIStmt* stmt = scott.NewStatement("begin\n  :N := 0;\n  :D := sysdate;\n  :T := 'a;b';\nend;");
  sb4 n = -1;
  ub1 date[7] = {};
  TOutBind text;
  OCIBind* b = nullptr;
  OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":N"), -1, &n, 4, 3,
                nullptr, nullptr, nullptr, 0, nullptr, 0);
  OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":D"), -1, date, 7, 12,
                nullptr, nullptr, nullptr, 0, nullptr, 0);
  text.Bind(scott, stmt, ":T");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(n, 0);
  const ub1 expected[7] = {120, 126, 1, 2, 4, 5, 6};
  EXPECT_EQ(std::memcmp(date, expected, 7), 0);
  EXPECT_EQ(text.Text(), "a;b");
  OCIHandleFree(stmt, kHtypeStmt);
}

}  // namespace
}  // namespace StandinTest
