// oracle/SessionStatement.cpp
#include "oracle/SessionStatement.h"

#include <cstring>

#include "oracle/OracleSession.h"

namespace Oracle {
namespace {

constexpr ub4 kHtypeStmt = 4;
constexpr ub4 kNativeSyntax = 1;
constexpr ub2 kFetchNext = 2;
constexpr ub4 kAttrStmtType = 24;
constexpr ub2 kStmtSelect = 1;
constexpr sword kString = 5;
constexpr sword kNoDataFound = 1403;
// Wide enough for any column the probes read.
constexpr std::size_t kColumnBuffer = 4001;

struct TColumnBuffers {
  explicit TColumnBuffers(Integer columns)
      : text(std::size_t(columns), std::vector<char>(kColumnBuffer)),
        indicator(std::size_t(columns)) {}
  std::vector<String> Row() const {
    std::vector<String> row;
    for (std::size_t i = 0; i < text.size(); ++i)
      row.push_back(indicator[i] < 0 ? String() : String(text[i].data()));
    return row;
  }
  std::vector<std::vector<char>> text;
  std::vector<sb2> indicator;
};

// The handle generation. Every client call runs inside the call lock; a
// failure frees the statement and raises with the lock still held, and the
// error leaves it.
TTextRows RunOci8(TOracleSession& session, const String& sql, Integer columns, bool select) {
  TTextRows rows;
  OCIError* error = session.ErrorHandle();
  session.EnterCall(false);
  OCIStmt* stmt = nullptr;
  const auto fail = [&](sword status) {
    session.CheckStatus(status);
    if (stmt) OracleCI::OCIHandleFree(stmt, kHtypeStmt);
    session.RaiseCallError(session.ErrorSource(), false);
  };
  try {
    sword status = OracleCI::OCIHandleAlloc(session.EnvHandle(), reinterpret_cast<void**>(&stmt),
                                            kHtypeStmt, 0, nullptr);
    if (status != OCI_SUCCESS) fail(status);
    status = OracleCI::OCIStmtPrepare(stmt, error, reinterpret_cast<const OraText*>(sql.c_str()),
                                      ub4(sql.size()), kNativeSyntax, OCI_DEFAULT);
    if (status != OCI_SUCCESS) fail(status);
    ub2 type = 0;
    OracleCI::OCIAttrGet(stmt, kHtypeStmt, &type, nullptr, kAttrStmtType, error);
    if (select && type != kStmtSelect) {
      OracleCI::OCIHandleFree(stmt, kHtypeStmt);
      throw Exception("The session's probe is not a query: " + sql);
    }
    TColumnBuffers buffers(select ? columns : 0);
    for (Integer i = 0; i < (select ? columns : 0); ++i) {
      OCIDefine* define = nullptr;
      status = OracleCI::OCIDefineByPos(
          stmt, &define, error, ub4(i + 1), buffers.text[std::size_t(i)].data(), sb4(kColumnBuffer),
          kString, &buffers.indicator[std::size_t(i)], nullptr, nullptr, OCI_DEFAULT);
      if (status != OCI_SUCCESS) fail(status);
    }
    status =
        OracleCI::OCIStmtExecute(session.ServiceHandle(), stmt, error, type == kStmtSelect ? 0 : 1,
                                 0, nullptr, nullptr, OCI_DEFAULT);
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) fail(status);
    while (select) {
      status = OracleCI::OCIStmtFetch(stmt, error, 1, kFetchNext, OCI_DEFAULT);
      if (status == OCI_NO_DATA) break;
      if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) fail(status);
      rows.push_back(buffers.Row());
    }
    session.CheckStatus(OCI_SUCCESS);
    OracleCI::OCIHandleFree(stmt, kHtypeStmt);
  } catch (const EOracleError&) {
    throw;  // the error left the lock
  } catch (...) {
    session.LeaveCall(false);
    throw;
  }
  session.LeaveCall(false);
  return rows;
}

// The older generation: a cursor data area on the session's logon area.
TTextRows RunOci7(TOracleSession& session, const String& sql, Integer columns, bool select) {
  TTextRows rows;
  Cda_Def cursor{};
  session.EnterCall(false);
  bool opened = false;
  const auto fail = [&] {
    const Integer code = cursor.rc;
    session.CheckStatus(code);
    if (opened) OracleCI::oclose(&cursor);
    session.RaiseCallError(code, false);
  };
  try {
    if (OracleCI::oopen(&cursor, session.Lda(), nullptr, -1, -1, nullptr, -1) != 0) fail();
    opened = true;
    if (OracleCI::oparse(&cursor, reinterpret_cast<OraText*>(const_cast<char*>(sql.c_str())), -1, 0,
                         2) != 0)
      fail();
    TColumnBuffers buffers(select ? columns : 0);
    for (Integer i = 0; i < (select ? columns : 0); ++i)
      if (OracleCI::odefin(&cursor, sword(i + 1),
                           reinterpret_cast<ub1*>(buffers.text[std::size_t(i)].data()),
                           sword(kColumnBuffer), kString, -1, &buffers.indicator[std::size_t(i)],
                           nullptr, -1, -1, nullptr, nullptr) != 0)
        fail();
    if (OracleCI::oexec(&cursor) != 0) fail();
    while (select) {
      const sword status = OracleCI::ofen(&cursor, 1);
      if (status == kNoDataFound) break;
      if (status != 0) fail();
      rows.push_back(buffers.Row());
    }
    session.CheckStatus(0);
    OracleCI::oclose(&cursor);
  } catch (const EOracleError&) {
    throw;
  } catch (...) {
    session.LeaveCall(false);
    throw;
  }
  session.LeaveCall(false);
  return rows;
}

TTextRows Run(TOracleSession& session, const String& sql, Integer columns, bool select) {
  if (!session.Connected()) throw Exception("Not logged on");
  return session.OCI8Mode() ? RunOci8(session, sql, columns, select)
                            : RunOci7(session, sql, columns, select);
}

}  // namespace

void ExecuteStatement(TOracleSession& Session, const String& SQL) {
  Run(Session, SQL, 0, false);
}

TTextRows SelectRows(TOracleSession& Session, const String& SQL, Integer Columns) {
  return Run(Session, SQL, Columns, true);
}

}  // namespace Oracle
