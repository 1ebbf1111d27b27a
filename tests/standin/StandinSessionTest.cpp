// Logons, passwords, banners, handle checks and the service context's
// attributes.
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

TEST_F(StandinWorld, AWrongPasswordIsDeniedWithOra01017) {
  TSession other;
  EXPECT_EQ(other.Logon("scott", "lion"), OCI_ERROR);
  EXPECT_EQ(other.ErrorCode(), 1017);
  EXPECT_EQ(other.ErrorText(), "ORA-01017: invalid username/password; logon denied\n");
  other.Logoff();
}

TEST_F(StandinWorld, AnExpiringPasswordLogsOnWithOra28002) {
  ZorvetStandinAddUser("ADAMS", "wood", 1);
  TSession adams;
  EXPECT_EQ(adams.Logon("adams", "WOOD"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(adams.ErrorCode(), 28002);
  EXPECT_EQ(adams.Rows("select user from dual"),
            (std::vector<std::vector<std::string>>{{"ADAMS"}}));
  adams.Logoff();
}

TEST_F(StandinWorld, TheServiceContextGivesItsEnvironmentServerAndSession) {
  void* value = nullptr;
  ASSERT_EQ(OCIAttrGet(scott.svc, kHtypeSvcCtx, &value, nullptr, 5, scott.error), OCI_SUCCESS);
  EXPECT_EQ(value, scott.env);
  OCIAttrGet(scott.svc, kHtypeSvcCtx, &value, nullptr, 6, scott.error);
  EXPECT_EQ(value, scott.server);
  OCIAttrGet(scott.svc, kHtypeSvcCtx, &value, nullptr, 7, scott.error);
  EXPECT_EQ(value, scott.session);
}

TEST_F(StandinWorld, TheBannerIsTheOneTheModelIsGiven) {
  char banner[501];
  ASSERT_EQ(OCIServerVersion(scott.server, scott.error, reinterpret_cast<OraText*>(banner),
                             sizeof banner, kHtypeServer),
            OCI_SUCCESS);
  EXPECT_STREQ(banner, kBannerOracle8);
  ZorvetStandinSetBanner("Oracle7 Server Release 7.3.4.0.0 - Production");
  OCIServerVersion(scott.svc, scott.error, reinterpret_cast<OraText*>(banner), 8, kHtypeSvcCtx);
  EXPECT_STREQ(banner, "Oracle7");  // cut to the buffer, terminated
}

TEST_F(StandinWorld, HandlesOfTheWrongTypeOrFreedAreRefused) {
  OCIStmt* stmt = scott.NewStatement("select * from dual");
  // An error handle where a statement belongs, and the reverse.
  EXPECT_EQ(OCIStmtExecute(scott.svc, reinterpret_cast<OCIStmt*>(scott.error), scott.error, 0, 0,
                           nullptr, nullptr, 0),
            OCI_INVALID_HANDLE);
  EXPECT_EQ(
      OCIStmtExecute(scott.svc, stmt, reinterpret_cast<OCIError*>(stmt), 0, 0, nullptr, nullptr, 0),
      OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIHandleFree(stmt, kHtypeError), OCI_INVALID_HANDLE);
  ASSERT_EQ(OCIHandleFree(stmt, kHtypeStmt), OCI_SUCCESS);
  EXPECT_EQ(OCIHandleFree(stmt, kHtypeStmt), OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0),
            OCI_INVALID_HANDLE);
}

TEST_F(StandinWorld, AStatementNeedsABegunSession) {
  TSession other;
  other.Logon("nobody", "x");
  EXPECT_EQ(other.Exec("select * from dual"), OCI_ERROR);
  EXPECT_EQ(other.ErrorCode(), 3114);
  other.Logoff();
}

}  // namespace
}  // namespace StandinTest
