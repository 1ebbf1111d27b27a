// oracle/standin/StandinCursors.cpp
//
// What a PL/SQL block hands back beyond scalars: the elements of a PL/SQL
// table bound as an array, and cursors, either bound (a statement handle or
// a cursor data area the block opens) or fetched as a column. The model runs
// no PL/SQL: a rule names the elements and the query each cursor is opened
// over, and the model opens it in the caller's session as a fresh query.
#include <sqlite3.h>

#include <cstring>

#include "oracle/standin/StandinModel.h"

namespace Standin {
namespace {

TOraError Inconsistent() {
  return OraError(932, "inconsistent datatypes");
}

}  // namespace

TOraError TModelServer::WriteOutTable(TStmtHandle* stmt, const std::string& name,
                                      const std::vector<TValue>& values) {
  TBindHandle* bind = stmt->Bind(name);
  if (!bind) return OraError(1008, "not all variables bound");
  if (!bind->IsTable()) return Inconsistent();
  if (values.size() > bind->max_elements)
    return OraError(6513, "PL/SQL: index for PL/SQL table out of range for host language array");
  for (ub4 i = 0; i < values.size(); ++i)
    if (TOraError e = WriteElement(bind->buffer, i, values[i])) return e;
  if (bind->current_elements) *bind->current_elements = static_cast<ub4>(values.size());
  return {};
}

TOraError TModelServer::WriteOutCursor(TStmtHandle* stmt, const std::string& name,
                                       const std::string& query) {
  const TBindHandle* bind = stmt->Bind(name);
  if (!bind) return OraError(1008, "not all variables bound");
  const TBufferSpec& b = bind->buffer;
  if (!b.value) return OraError(1001, "invalid cursor");
  if (b.dty == kSqltRset) {
    // The caller binds the address of its statement handle.
    void* handle = nullptr;
    std::memcpy(&handle, b.value, sizeof handle);
    auto* cursor = Live<TStmtHandle>(handle, kHtypeStmt);
    if (!cursor || cursor == stmt) return OraError(1001, "invalid cursor");
    return OpenCursor(cursor, stmt->session, query);
  }
  if (b.dty == kSqltCur) {
    // The older generation binds the cursor data area itself.
    auto* area = static_cast<Cda_Def*>(b.value);
    TCursor* entry = Cursor7(area);
    if (!entry || entry->stmt.get() == stmt) return OraError(1001, "invalid cursor");
    if (TOraError e = OpenCursor(entry->stmt.get(), stmt->session, query)) return e;
    entry->parsed = true;
    area->fc = 4;
    area->rpc = 0;
    return {};
  }
  return Inconsistent();
}

TOraError TModelServer::FetchCursor(TStmtHandle* stmt, const TBufferSpec& b, ub4 row,
                                    const TValue& query) {
  if (query.IsNull()) {
    if (!b.ind) return OraError(1405, "fetched column value is NULL");
    *b.IndAt(row) = -1;
    return {};
  }
  // Each row's cursor goes to the statement handle the caller keeps there.
  void* handle = nullptr;
  if (b.value) std::memcpy(&handle, b.ValueAt(row), sizeof handle);
  auto* cursor = Live<TStmtHandle>(handle, kHtypeStmt);
  if (!cursor || cursor == stmt) return OraError(1001, "invalid cursor");
  if (TOraError e = OpenCursor(cursor, stmt->session, query.AsText())) return e;
  if (b.ind) *b.IndAt(row) = 0;
  if (b.len) *b.LenAt(row) = 0;
  if (b.rcode) *b.RcodeAt(row) = 0;
  return {};
}

TOraError TModelServer::OpenCursor(TStmtHandle* cursor, TSessionHandle* session,
                                   const std::string& query) {
  if (!session || !session->connection) return OraError(3114, "not connected to ORACLE");
  // An opened cursor is a new query: nothing of the handle's earlier
  // statement, its binds or defines, stays.
  FreeStatement(cursor);
  cursor->columns.clear();
  cursor->text = query;
  cursor->session = session;
  cursor->row_count = 0;
  cursor->answered = false;
  cursor->rule_rows.clear();
  cursor->fetched_row.clear();
  cursor->last_rowid = 0;
  const TTranslation sql = TranslateSql(query, Context(session->user));
  cursor->placeholders = sql.placeholders;
  cursor->stmt_type = 1;
  cursor->function_code = 4;
  bool fewer_rows = false;
  TRuleAnswer answer;
  const bool ruled = std::any_of(rules_.begin(), rules_.end(),
                                 [&](const TRule& rule) { return rule.Answers(query, answer); });
  if (ruled) {
    if (answer.columns.empty() && !answer.error) return NoRule("cursor over " + query);
    return Answer(cursor, answer, 0, 0, fewer_rows);
  }
  if (sql.kind != TStatementKind::Query) return NoRule("cursor over " + query);
  return Run(cursor, *session->connection, 0, 0, 0, fewer_rows);
}

}  // namespace Standin
