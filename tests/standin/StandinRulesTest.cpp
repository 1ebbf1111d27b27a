// Rules a test sets ahead of the SQL, the statement log, and the control
// interface as another program reaches it.
#include <dlfcn.h>

#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

using TRows = std::vector<std::vector<std::string>>;

TEST_F(StandinWorld, AnExactRuleAnswersWithItsDescribeAndRows) {
  char fault[200] = {};
  ASSERT_EQ(ZorvetStandinAddRule(0, "select chr(65) from dual", "columns CHR(65) 1 1\nrow A\n",
                                 fault, sizeof fault),
            0)
      << fault;
  EXPECT_EQ(scott.Rows("select chr(65) from dual"), (TRows{{"A"}}));
  // Only that text: another spelling reaches SQLite, which has no chr().
  EXPECT_EQ(scott.Exec("select chr(66) from dual"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 3001);
}

TEST_F(StandinWorld, APatternRuleAnswersWithAnErrorAndItsOffset) {
  ASSERT_EQ(ZorvetStandinAddRule(1, R"(^begin\s+check)",
                                 "error 20001 6 ORA-20001: Amount too high\\nORA-06512: at line 1",
                                 nullptr, 0),
            0);
  OCIStmt* stmt = scott.NewStatement("begin check_it(:a); end;");
  EXPECT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorText(), "ORA-20001: Amount too high\nORA-06512: at line 1\n");
  ub2 offset = 0;
  OCIAttrGet(stmt, kHtypeStmt, &offset, nullptr, 129, scott.error);
  EXPECT_EQ(offset, 6);
  OCIHandleFree(stmt, kHtypeStmt);
}

TEST_F(StandinWorld, ARuleFillsOutBindsAndRowsProcessed) {
  ZorvetStandinAddRule(0, "begin :n := f(:x); end;", "out N 42\nrows 1\n", nullptr, 0);
  OCIStmt* stmt = scott.NewStatement("begin :n := f(:x); end;");
  sb4 n = 0;
  char x[] = "in";
  OCIBind* b = nullptr;
  OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":N"), 2, &n, 4, 3, nullptr,
                nullptr, nullptr, 0, nullptr, 0);
  OCIBindByName(stmt, &b, scott.error, reinterpret_cast<const OraText*>(":X"), 2, x, 3, 5, nullptr,
                nullptr, nullptr, 0, nullptr, 0);
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0x20), OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(n, 42);
  ub4 rows = 0;
  OCIAttrGet(stmt, kHtypeStmt, &rows, nullptr, 9, scott.error);
  EXPECT_EQ(rows, 1u);
  OCIHandleFree(stmt, kHtypeStmt);
  // The log holds the text, the binds of the first row, the count and the mode.
  ASSERT_EQ(ZorvetStandinLogCount(), 1);
  char text[100], binds[100];
  unsigned iters = 0, mode = 0;
  ASSERT_EQ(ZorvetStandinLogEntry(0, text, sizeof text, binds, sizeof binds, &iters, &mode), 0);
  EXPECT_STREQ(text, "begin :n := f(:x); end;");
  EXPECT_STREQ(binds, "N=0\nX=in\n");
  EXPECT_EQ(iters, 1u);
  EXPECT_EQ(mode, 0x20u);
  EXPECT_EQ(ZorvetStandinLogEntry(1, text, sizeof text, binds, sizeof binds, &iters, &mode), -1);
}

TEST_F(StandinWorld, AFunctionRuleSeesTheTextAndMayDecline) {
  int calls = 0;
  ZorvetStandinAddRuleFunction(
      [](void* context, const char* sql, char* answer, int size) {
        ++*static_cast<int*>(context);
        if (std::strstr(sql, "magic") == nullptr) return 0;
        std::snprintf(answer, static_cast<std::size_t>(size), "columns X 2 22\nrow 7\nrow 8\n");
        return 1;
      },
      &calls);
  EXPECT_EQ(scott.Rows("select magic from dual"), (TRows{{"7"}, {"8"}}));
  EXPECT_EQ(scott.Rows("select DUMMY from dual"), (TRows{{"X"}}));
  EXPECT_EQ(calls, 2);
}

TEST_F(StandinWorld, AFaultyAnswerIsRefusedWithItsLine) {
  char fault[100] = {};
  EXPECT_EQ(ZorvetStandinAddRule(0, "x", "columns A 1 1\nrow a|b\n", fault, sizeof fault), -1);
  EXPECT_STREQ(fault, "row a|b");
  EXPECT_EQ(ZorvetStandinAddRule(1, "(", "rows 1", fault, sizeof fault), -1);
}

TEST(StandinControl, IsReachedWithDlsymOnTheLoadedClient) {
  void* client = dlopen(ZORVET_STANDIN_DIR "/standin_client.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(client, nullptr) << dlerror();
  for (const char* name :
       {"ZorvetStandinReset", "ZorvetStandinAddUser", "ZorvetStandinLoadFixture",
        "ZorvetStandinAddRule", "ZorvetStandinAddRuleFunction", "ZorvetStandinLogCount",
        "ZorvetStandinLogEntry", "ZorvetStandinSetBanner", "ZorvetStandinSetClock"})
    EXPECT_NE(dlsym(client, name), nullptr) << name;
  auto log_count = reinterpret_cast<int (*)()>(dlsym(client, "ZorvetStandinLogCount"));
  auto reset = reinterpret_cast<int (*)()>(dlsym(client, "ZorvetStandinReset"));
  EXPECT_EQ(log_count(), -1);  // no model before a reset
  EXPECT_EQ(reset(), 0);
  EXPECT_EQ(log_count(), 0);
  dlclose(client);
}

}  // namespace
}  // namespace StandinTest
