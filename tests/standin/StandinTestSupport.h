// tests/standin/StandinTestSupport.h
//
// A fresh server model per test with the user SCOTT/TIGER, and a session on
// it through the handle calls, as the library opens one.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "oracle/standin/StandinControl.h"
#include "oracle/standin/StandinModel.h"

// The entry points, as the stand-in exports them.
#define ZORVET_STANDIN_TEST_DECLARE(result, name, parameters, arguments) \
  extern "C" result name parameters;
ZORVET_OCI8_ENTRIES(ZORVET_STANDIN_TEST_DECLARE)
ZORVET_OCI81_ENTRIES(ZORVET_STANDIN_TEST_DECLARE)
ZORVET_OCI7_ENTRIES(ZORVET_STANDIN_TEST_DECLARE)
ZORVET_OLOG_ENTRIES(ZORVET_STANDIN_TEST_DECLARE)
#undef ZORVET_STANDIN_TEST_DECLARE

namespace StandinTest {

using namespace Standin;

// A text argument as the call interface takes it.
inline OraText* Text(const char* text) {
  return reinterpret_cast<OraText*>(const_cast<char*>(text));
}

// One logged-on session: its handles and helpers that run SQL on it.
struct TSession {
  OCIEnv* env = nullptr;
  OCIError* error = nullptr;
  OCIServer* server = nullptr;
  OCISvcCtx* svc = nullptr;
  OCISession* session = nullptr;

  // The status of the logon.
  sword Logon(const char* user, const char* password);
  void Logoff();
  // The error number and text that OCIErrorGet gives.
  sb4 ErrorCode() const;
  std::string ErrorText() const;
  // Prepares and executes a statement without binds; the status.
  sword Exec(const std::string& sql, ub4 mode = 0);
  // Every row of a query, columns as text ("<null>" for NULL).
  std::vector<std::vector<std::string>> Rows(const std::string& sql);
  OCIStmt* NewStatement(const std::string& sql);
};

// A statement of a session run on a thread of its own, for one that must
// wait for rows another session holds: Start returns once the model counts
// `waiters` sessions waiting, Finish once the statement ended, with its
// status.
class TWaitingStatement {
 public:
  TWaitingStatement() = default;
  TWaitingStatement(const TWaitingStatement&) = delete;
  TWaitingStatement& operator=(const TWaitingStatement&) = delete;
  ~TWaitingStatement() {
    if (thread_.joinable()) thread_.join();
  }
  void Start(TSession& session, const std::string& sql, int waiters = 1) {
    thread_ = std::thread([this, &session, sql] { status_ = session.Exec(sql); });
    ASSERT_EQ(ZorvetStandinAwaitLockWaits(waiters), 0);
  }
  sword Finish() {
    thread_.join();
    return status_;
  }

 private:
  std::thread thread_;
  sword status_ = OCI_SUCCESS;
};

class StandinWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Fixture(const std::string& script, const char* user = "SCOTT");

  TSession scott;
};

}  // namespace StandinTest
