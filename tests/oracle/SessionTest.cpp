// Logon and logoff in both generations, the logon text, the session
// settings as "alter session", transactions, the probes, the call lock,
// MTS, shared connections and the warnings list.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "SessionTestSupport.h"
#include "platform/rtl/Format.h"
#include "platform/win/MessageBoxHook.h"

namespace {

TEST_P(BothGenerations, LogsOnAndOff) {
  auto session = Scott(Oci7());
  int changes = 0;
  session->OnChange = [&](TOracleSession*) { ++changes; };
  session->LogOn();
  EXPECT_TRUE(session->Connected());
  EXPECT_EQ(session->OCI8Mode(), !Oci7());
  EXPECT_EQ(One(*session, "select user from dual"), "SCOTT");
  session->LogOff();
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(One(*session, "select user from dual"), Exception);
  session->SetConnected(true);  // and again on the same object
  EXPECT_EQ(One(*session, "select user from dual"), "SCOTT");
}

TEST_P(BothGenerations, AWrongPasswordFailsWithOra01017) {
  auto session = Scott(Oci7(), "lion");
  try {
    session->LogOn();
    FAIL() << "logged on with a wrong password";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 1017);
    EXPECT_NE(e.Message().find("ORA-01017"), String::npos) << e.Message();
  }
  EXPECT_FALSE(session->Connected());
  EXPECT_FALSE(session->CallLockHeld());
}

TEST_P(BothGenerations, AnExpiringPasswordLogsOnWithAWarning) {
  AddUser("ADAMS", "wood", true);
  TOracleSession session(nullptr);
  session.SetLogonUsername("adams/wood@orcl");
  session.Preferences()->SetUseOCI7(Oci7());
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_NE(session.LogonWarning().find("ORA-28002"), String::npos) << session.LogonWarning();
  EXPECT_EQ(session.LastStatus(), 0);
  EXPECT_EQ(One(session, "select user from dual"), "ADAMS");
}

TEST_P(BothGenerations, CommitRollbackAndSavepoints) {
  Fixture("create table t (n number);");
  auto session = Scott(Oci7());
  session->LogOn();
  session->ExecuteSessionSQL("insert into t values (1)", false);
  session->Rollback();
  EXPECT_EQ(One(*session, "select count(*) from t"), "0");
  session->ExecuteSessionSQL("insert into t values (1)", false);
  session->Commit();
  session->ExecuteSessionSQL("savepoint before_two", false);
  session->ExecuteSessionSQL("insert into t values (2)", false);
  session->ExecuteSessionSQL("rollback to savepoint before_two", false);
  session->ExecuteSessionSQL("insert into t values (3)", false);
  session->Commit();
  session->LogOff();
  // What a new connection sees is what was committed.
  session->LogOn();
  EXPECT_EQ(One(*session, "select sum(n) from t"), "4");
}

TEST_P(BothGenerations, SettingsBecomeAlterSessionStatements) {
  auto session = Scott(Oci7());
  session->SetSQLTrace(stTrue);  // disconnected: kept for the logon
  session->SetIsolationLevel(ilSerializable);
  EXPECT_TRUE(StatementLog().empty());
  session->LogOn();
  session->SetOptimizerGoal(ogFirstRows);
  session->SetOptimizerGoal(ogUnchanged);  // sends nothing
  // The session's query sends its text as lines, each ending in LF.
  EXPECT_EQ(StatementLog(),
            (std::vector<String>{"alter session set sql_trace = true\n",
                                 "alter session set isolation_level = serializable\n",
                                 "alter session set optimizer_goal = first_rows\n"}));
  EXPECT_EQ(session->SQLTrace(), stTrue);
  EXPECT_EQ(session->OptimizerGoal(), ogUnchanged);
}

TEST_P(BothGenerations, TheProbesOfCharacterWidthAndDateFormat) {
  auto session = Scott(Oci7());
  session->LogOn();
  session->SetBytesPerCharacter(bcAutoDetect);
  EXPECT_EQ(session->ActualBytesPerCharacter(), 1);
  EXPECT_EQ(session->MaxStringSize(), Oci7() ? 2000 : 4000);
  session->SetBytesPerCharacter(bc2Bytes);
  EXPECT_EQ(session->MaxStringSize(), Oci7() ? 1000 : 2000);
  EXPECT_EQ(session->DateFormatLength(), 9);  // "10-JAN-99"
  session->LogOff();
  EXPECT_EQ(session->DateFormatLength(), -1);
}

TEST_P(BothGenerations, AFailedStatementLeavesTheCallLockAsItWasEntered) {
  auto session = Scott(Oci7());
  session->SetThreadSafe(true);
  session->LogOn();
  EXPECT_THROW(session->ExecuteSessionSQL("drop table missing", false), EOracleError);
  EXPECT_FALSE(session->CallLockHeld());
  // A caller that already holds the lock keeps it.
  session->EnterCall(false);
  EXPECT_THROW(session->ExecuteSessionSQL("drop table missing", false), EOracleError);
  EXPECT_TRUE(session->CallLockHeld());
  session->LeaveCall(false);
  EXPECT_FALSE(session->CallLockHeld());
  EXPECT_THROW(session->SetThreadSafe(false), Exception);
}

INSTANTIATE_TEST_SUITE_P(Generations, BothGenerations, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_F(SessionWorld, TheLogonTextIsSplitIntoItsParts) {
  TOracleSession session(nullptr);
  session.SetLogonUsername("scott/tiger@orcl as\tsysdba");
  session.LogOn();
  EXPECT_EQ(session.LogonUsername(), "scott");
  EXPECT_EQ(session.LogonPassword(), "tiger");
  EXPECT_EQ(session.LogonDatabase(), "orcl");
  EXPECT_EQ(session.ConnectAs(), caSYSDBA);
}

TEST_F(SessionWorld, AStoredConnectionLogsOnWhileLoadingAndReportsAfterwards) {
  TComponent form(nullptr);
  auto* session = new TOracleSession(&form);
  int after = 0;
  session->AfterLogOn = [&](TOracleSession*) { ++after; };
  BeginLoading(&form);
  session->SetLogonUsername("scott");
  session->SetLogonPassword("tiger");
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected());
  EXPECT_EQ(after, 0);  // not before the whole definition is read
  EndLoading(&form);
  EXPECT_EQ(after, 1);
}

TEST_F(SessionWorld, ADesignersConnectionIsNotReadAtRunTime) {
  TComponent form(nullptr);
  auto* session = new TOracleSession(&form);
  BeginLoading(&form);
  session->SetDesignConnection(true);
  session->SetLogonUsername("scott");
  session->SetConnected(true);
  EndLoading(&form);
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(session->LogonUsername(), "");
}

TEST_F(SessionWorld, AnOracle7ServerIsReachedThroughALogonDataArea) {
  Fixture("create table t (n number);");
  Control<decltype(&ZorvetStandinSetBanner)>("ZorvetStandinSetBanner")(
      "Oracle7 Server Release 7.3.4.0.0 - Production");
  auto session = Scott();
  session->LogOn();
  EXPECT_FALSE(session->OCI8Mode());
  session->ExecuteSessionSQL("insert into t values (1)", false);
  session->Commit();
  EXPECT_EQ(One(*session, "select count(*) from t"), "1");
  session->LogOff();  // the area goes back to its service context first
  EXPECT_TRUE(session->OCI8Mode());
  session->LogOn();
  EXPECT_EQ(One(*session, "select count(*) from t"), "1");
}

TEST_F(SessionWorld, AnOdbcDatabaseRunsTheOlderGeneration) {
  TOracleSession session(nullptr);
  session.SetLogonDatabase("ODBC:orcl");
  EXPECT_TRUE(session.IsODBC());
  session.SetLogonUsername("scott");
  session.SetLogonPassword("tiger");
  session.LogOn();
  EXPECT_FALSE(session.OCI8Mode());
}

TEST_F(SessionWorld, AutoCommitInTheOlderGenerationCommitsEveryStatement) {
  Fixture("create table t (n number);");
  auto session = Scott(true);
  session->SetAutoCommit(true);  // kept, and switched on at the logon
  session->LogOn();
  session->ExecuteSessionSQL("insert into t values (1)", false);
  session->Rollback();
  EXPECT_EQ(One(*session, "select count(*) from t"), "1");
  session->SetAutoCommit(false);
  session->ExecuteSessionSQL("insert into t values (2)", false);
  session->Rollback();
  EXPECT_EQ(One(*session, "select count(*) from t"), "1");
}

// A dataset as the session sees it.
class TReopening : public TSessionDependent {
 public:
  void SessionClosing() override {}
  void SessionDestroyed() override {}
  void Reactivate() override {
    ++reopened;
    if (fail) throw Exception("no such table");
  }
  String DependentName() const override { return "Orders"; }
  int reopened = 0;
  bool fail = false;
};

TEST_F(SessionWorld, APrecisionChangedAtDesignTimeReopensTheDataSets) {
  std::vector<String> boxes;
  TMessageBoxHandler previous = SetMessageBoxHandler(
      [&](HWND, const String& text, const String&, UINT) { return boxes.push_back(text), 1; });
  TReopening first, second;
  first.fail = true;
  auto session = Scott();
  session->AddDependent(sdDataSet, &first);
  session->AddDependent(sdDataSet, &second);
  session->Preferences()->SetFloatPrecision(5);  // at run time nothing reopens
  EXPECT_EQ(second.reopened, 0);
  session->SetDesigning(true);
  session->Preferences()->SetIntegerPrecision(4);
  EXPECT_EQ(first.reopened, 1);
  EXPECT_EQ(second.reopened, 1);  // the failure did not stop the loop
  EXPECT_EQ(boxes, (std::vector<String>{"Error reactivating dataset Orders:\r\nno such table"}));
  session->Preferences()->SetConvertCRLF(false);
  EXPECT_EQ(second.reopened, 1);
  session->SetAutoCommit(true);  // obsolete at design time: a warning, no change
  EXPECT_FALSE(session->AutoCommit());
  EXPECT_EQ(boxes.size(), 2u);
  SetMessageBoxHandler(previous);
}

TEST_F(SessionWorld, DisconnectedSessionsIgnoreTransactions) {
  auto session = Scott();
  EXPECT_NO_THROW(session->Commit());
  EXPECT_NO_THROW(session->Rollback());
}

struct NumberCase {
  Integer precision, scale, float_precision;
  Integer size, type;
};

TEST_F(SessionWorld, NumbersMapToIntegersFloatsOrStrings) {
  const NumberCase cases[] = {
      {9, 0, 0, 4, 3},    {10, 0, 0, 8, 4},      {10, 0, 5, 12, 5},
      {0, -127, 0, 8, 4}, {0, -127, 10, 173, 5}, {0, 0, 0, 8, 4},
  };
  for (const NumberCase& c : cases) {
    auto session = Scott();
    session->Preferences()->SetFloatPrecision(c.float_precision);
    Integer size = 0, type = 0;
    session->MapNumber(c.precision, c.scale, size, type, false);
    EXPECT_EQ(size, c.size) << c.precision << "," << c.scale;
    EXPECT_EQ(type, c.type) << c.precision << "," << c.scale;
  }
  auto session = Scott();
  Integer size = 0, type = 0;
  session->MapNumber(9, 0, size, type, true);
  EXPECT_EQ(type, 5);
  EXPECT_EQ(size, 11);
}

TEST_F(SessionWorld, MtsLendsAServiceUntilLogoff) {
  auto session = Scott();
  session->SetPooling(spMTS);
  session->LogOn();
  EXPECT_TRUE(session->Connected());
  EXPECT_TRUE(session->Shared());
  EXPECT_TRUE(session->TransactionControlledByMTS());
  EXPECT_EQ(One(*session, "select user from dual"), "SCOTT");
  try {
    session->Commit();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot commit an MTS Controlled Transaction");
  }
  session->LogOff();  // releases the service; a second release would fail
  EXPECT_FALSE(session->Shared());
  EXPECT_FALSE(session->TransactionControlledByMTS());
  session->SetLogonPassword("lion");
  try {
    session->LogOn();
    FAIL();
  } catch (const EOracleMTSError& e) {
    EXPECT_EQ(e.ErrorCode, 4002);
  }
}

TEST_F(SessionWorld, ASharedSessionLeavesTheLendersHandlesAlone) {
  auto lender = Scott();
  lender->LogOn();
  TOracleSession borrower(nullptr);
  lender->ShareConnection(&borrower);
  EXPECT_TRUE(borrower.Shared());
  EXPECT_EQ(One(borrower, "select user from dual"), "SCOTT");
  borrower.LogOff();
  // The lender's connection still works and ends normally.
  EXPECT_EQ(One(*lender, "select user from dual"), "SCOTT");
  EXPECT_NO_THROW(lender->LogOff());
}

TEST_F(SessionWorld, ListedErrorsAreRaisedAsWarnings) {
  SetString(HKEY_CURRENT_USER, Oracle::kWarningsKey, "1", "1017");
  SetString(HKEY_CURRENT_USER, Oracle::kWarningsKey, "2", "*942");
  Oracle::SetDebuggerAbsentHook([] { return false; });
  Oracle::FinalizeSessionUnit();
  Oracle::InitializeSessionUnit();
  Oracle::SetDebuggerAbsentHook(nullptr);
  OracleCI::InitOci();
  auto session = Scott(false, "lion");
  EXPECT_THROW(session->LogOn(), EOracleWarning);
  session = Scott();
  session->LogOn();
  try {
    session->ExecuteSessionSQL("select * from missing", false);
    FAIL();
  } catch (const EOracleWarning&) {
    FAIL() << "942 is marked off with *";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 942);
  }
}

TEST_F(SessionWorld, TwoThreadsWorkOnTwoThreadSafeSessions) {
  Fixture("create table counts (thread number, n number);");
  const auto work = [](int thread) {
    auto session = Scott(thread == 1);
    session->SetThreadSafe(true);
    session->LogOn();
    for (int i = 0; i < 20; ++i) {
      session->ExecuteSessionSQL(Format("insert into counts values (%d, %d)", thread, i), false);
      session->Commit();
    }
    session->LogOff();
  };
  std::thread first(work, 0), second(work, 1);
  first.join();
  second.join();
  auto session = Scott();
  session->LogOn();
  EXPECT_EQ(One(*session, "select count(*) from counts where thread = 0"), "20");
  EXPECT_EQ(One(*session, "select count(*) from counts where thread = 1"), "20");
}

}  // namespace
