// tests/standin/StandinTestSupport.cpp
#include "StandinTestSupport.h"

#include <cstring>

namespace StandinTest {

sword TSession::Logon(const char* user, const char* password) {
  OCIEnvCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&error), kHtypeError, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&server), kHtypeServer, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), kHtypeSvcCtx, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&session), kHtypeSession, 0, nullptr);
  OCIServerAttach(server, error, reinterpret_cast<const OraText*>("ORCL"), 4, 0);
  OCIAttrSet(svc, kHtypeSvcCtx, server, 0, 6, error);
  OCIAttrSet(session, kHtypeSession, const_cast<char*>(user), static_cast<ub4>(std::strlen(user)),
             22, error);
  OCIAttrSet(session, kHtypeSession, const_cast<char*>(password),
             static_cast<ub4>(std::strlen(password)), 23, error);
  const sword status = OCISessionBegin(svc, error, session, 1, 0);
  OCIAttrSet(svc, kHtypeSvcCtx, session, 0, 7, error);
  return status;
}

void TSession::Logoff() {
  if (!env) return;
  OCISessionEnd(svc, error, session, 0);
  OCIServerDetach(server, error, 0);
  for (auto [handle, type] : {std::pair<void*, ub4>{session, kHtypeSession},
                              {svc, kHtypeSvcCtx},
                              {server, kHtypeServer},
                              {error, kHtypeError},
                              {env, kHtypeEnv}})
    OCIHandleFree(handle, type);
  env = nullptr;
}

sb4 TSession::ErrorCode() const {
  sb4 code = 0;
  OraText text[512];
  OCIErrorGet(error, 1, nullptr, &code, text, sizeof text, kHtypeError);
  return code;
}

std::string TSession::ErrorText() const {
  sb4 code = 0;
  OraText text[1024] = {};
  OCIErrorGet(error, 1, nullptr, &code, text, sizeof text, kHtypeError);
  return reinterpret_cast<char*>(text);
}

OCIStmt* TSession::NewStatement(const std::string& sql) {
  OCIStmt* stmt = nullptr;
  OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt), kHtypeStmt, 0, nullptr);
  OCIStmtPrepare(stmt, error, reinterpret_cast<const OraText*>(sql.c_str()),
                 static_cast<ub4>(sql.size()), 1, 0);
  return stmt;
}

sword TSession::Exec(const std::string& sql, ub4 mode) {
  OCIStmt* stmt = NewStatement(sql);
  ub2 type = 0;
  OCIAttrGet(stmt, kHtypeStmt, &type, nullptr, 24, error);
  const sword status =
      OCIStmtExecute(svc, stmt, error, type == 1 ? 0 : 1, 0, nullptr, nullptr, mode);
  OCIHandleFree(stmt, kHtypeStmt);
  return status;
}

std::vector<std::vector<std::string>> TSession::Rows(const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  OCIStmt* stmt = NewStatement(sql);
  if (OCIStmtExecute(svc, stmt, error, 0, 0, nullptr, nullptr, 0) != OCI_SUCCESS) {
    ADD_FAILURE() << sql << ": " << ErrorText();
    OCIHandleFree(stmt, kHtypeStmt);
    return rows;
  }
  ub4 count = 0;
  OCIAttrGet(stmt, kHtypeStmt, &count, nullptr, 18, error);
  std::vector<std::vector<char>> buffers(count, std::vector<char>(4001));
  std::vector<sb2> indicators(count);
  for (ub4 i = 0; i < count; ++i) {
    OCIDefine* define = nullptr;
    OCIDefineByPos(stmt, &define, error, i + 1, buffers[i].data(), 4001, 5, &indicators[i], nullptr,
                   nullptr, 0);
  }
  while (OCIStmtFetch(stmt, error, 1, 2, 0) == OCI_SUCCESS) {
    std::vector<std::string> row;
    for (ub4 i = 0; i < count; ++i)
      row.push_back(indicators[i] == -1 ? "<null>" : std::string(buffers[i].data()));
    rows.push_back(row);
  }
  OCIHandleFree(stmt, kHtypeStmt);
  return rows;
}

void StandinWorld::SetUp() {
  ZorvetStandinReset();
  ZorvetStandinAddUser("SCOTT", "TIGER", 0);
  ASSERT_EQ(scott.Logon("scott", "tiger"), OCI_SUCCESS) << scott.ErrorText();
}

void StandinWorld::TearDown() {
  scott.Logoff();
  SetStandinServer(nullptr);
}

void StandinWorld::Fixture(const std::string& script, const char* user) {
  char error[512] = {};
  ASSERT_EQ(ZorvetStandinLoadFixture(user, script.c_str(), error, sizeof error), 0) << error;
}

}  // namespace StandinTest
