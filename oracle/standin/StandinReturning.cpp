// oracle/standin/StandinReturning.cpp
//
// A change's "returning e1, e2 into :b1, :b2" when it may return several
// rows, or none. The client returns them through binds made for data at
// execution: for each iteration its out callback is called once per returned
// row and hands out the memory for that row's value, and the bind's
// rows-returned attribute tells how many came. A plain bind takes at most one
// row. A delete returns the rows as they were before it removed them; an
// update and an insert return them as they are afterwards.
#include <sqlite3.h>

#include "oracle/OciConstants.h"
#include "oracle/standin/StandinModel.h"
#include "oracle/standin/StandinRowid.h"

namespace Standin {
namespace {

constexpr ub2 kStmtUpdate = 2;
constexpr ub2 kStmtDelete = 3;
constexpr ub2 kStmtInsert = 4;
constexpr sb4 kCallbackContinue = -24200;

// The index of the first token at parenthesis depth 0 from `from` on that
// is `word`, or the token count.
std::size_t TopLevel(const std::vector<TToken>& tokens, std::size_t from, const char* word) {
  int depth = 0;
  for (std::size_t i = from; i < tokens.size(); ++i) {
    if (tokens[i].IsSymbol("(")) ++depth;
    if (tokens[i].IsSymbol(")")) --depth;
    if (depth == 0 && tokens[i].Is(word)) return i;
  }
  return tokens.size();
}

TOraError TooManyRows() {
  return OraError(1422, "exact fetch returns more than requested number of rows");
}

}  // namespace

bool TModelServer::ReturnsRows(const TStmtHandle* stmt, const TTranslation& sql) const {
  if (sql.returning.empty()) return false;
  if (sql.stmt_type == kStmtDelete) return true;
  for (const std::string& name : sql.returning_into)
    if (const TBindHandle* bind = stmt->Bind(name); bind && bind->dynamic) return true;
  return false;
}

TOraError TModelServer::BeforeChange(TStmtHandle* stmt, TConnection& connection,
                                     const TTranslation& sql, ub4 row, TReturned& returned) {
  if (sql.stmt_type == kStmtInsert) return {};
  if (sql.stmt_type != kStmtUpdate && sql.stmt_type != kStmtDelete)
    return NoRule("returning of " + stmt->text);
  // The rows the change will touch: its own table and condition, as
  // translated, with the iteration's binds.
  const std::vector<TToken> tokens = Tokenize(sql.sql);
  std::size_t first = 1;
  if (sql.stmt_type == kStmtDelete && tokens.size() > 1 && tokens[1].Is("FROM")) first = 2;
  const std::size_t where = TopLevel(tokens, first, "WHERE");
  const std::size_t table_end =
      sql.stmt_type == kStmtUpdate ? TopLevel(tokens, first, "SET") : where;
  if (first >= tokens.size() || table_end <= first) return NoRule("returning of " + stmt->text);
  const std::size_t table_from = tokens[first].offset;
  const std::size_t table_to =
      table_end < tokens.size() ? tokens[table_end].offset : sql.sql.size();
  std::string text = "SELECT rowid FROM " + sql.sql.substr(table_from, table_to - table_from);
  if (where < tokens.size()) text += " " + sql.sql.substr(tokens[where].offset);
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(connection.Handle(), text.c_str(), -1, &query, nullptr) != SQLITE_OK) {
    const TOraError error = connection.LastError(text);
    sqlite3_finalize(query);
    return error.code == 3001 ? NoRule("returning of " + stmt->text) : error;
  }
  TOraError error = BindRow(stmt, query, sql, row);
  int rc = SQLITE_DONE;
  while (!error && (rc = sqlite3_step(query)) == SQLITE_ROW)
    returned.rowids.push_back(sqlite3_column_int64(query, 0));
  if (!error && rc != SQLITE_DONE) error = connection.LastError(text);
  sqlite3_finalize(query);
  if (error) return error;
  // Refused before the change, so that nothing of it stays behind.
  if (returned.rowids.size() > 1)
    for (const std::string& name : sql.returning_into)
      if (const TBindHandle* bind = stmt->Bind(name); bind && !bind->dynamic) return TooManyRows();
  if (sql.stmt_type != kStmtDelete) return {};
  return ReadReturned(stmt, connection, sql, returned);
}

TOraError TModelServer::ReadReturned(TStmtHandle* stmt, TConnection& connection,
                                     const TTranslation& sql, TReturned& returned) {
  std::string list;
  for (const std::string& expression : sql.returning)
    list += (list.empty() ? "" : ", ") + expression;
  for (const std::int64_t rowid : returned.rowids) {
    std::vector<TValue> values;
    bool found = false;
    if (TOraError e = Evaluate(stmt, connection,
                               "select " + list + " from \"" + sql.target + "\" where rowid = '" +
                                   RowidText(RowidParts(rowid)) + "'",
                               values, found))
      return e;
    if (!found || values.size() != sql.returning.size()) return OraError(1403, "no data found");
    returned.values.push_back(std::move(values));
  }
  return {};
}

TOraError TModelServer::AfterChange(TStmtHandle* stmt, TConnection& connection,
                                    const TTranslation& sql, ub4 row, bool changed,
                                    TReturned& returned) {
  if (sql.returning.size() != sql.returning_into.size())
    return sql.returning.size() < sql.returning_into.size() ? OraError(947, "not enough values")
                                                            : OraError(913, "too many values");
  if (sql.stmt_type == kStmtInsert && changed) returned.rowids = {connection.LastRow()};
  // A delete read its rows before they went.
  if (sql.stmt_type != kStmtDelete)
    if (TOraError e = ReadReturned(stmt, connection, sql, returned)) return e;
  const std::size_t count = returned.values.size();
  for (std::size_t i = 0; i < sql.returning_into.size(); ++i) {
    TBindHandle* bind = stmt->Bind(sql.returning_into[i]);
    if (!bind) return OraError(1008, "not all variables bound");
    if (IsLobType(bind->buffer.dty)) return NoRule("LOB returning of several rows: " + stmt->text);
    if (!bind->dynamic) {
      if (count > 1) return TooManyRows();
      if (TOraError e = WriteElement(bind->buffer, row, count ? returned.values[0][i] : TValue()))
        return e;
      continue;
    }
    bind->rows_returned = static_cast<ub4>(count);
    if (!bind->out_callback) return NoRule("data at execution without a callback: " + bind->name);
    for (std::size_t index = 0; index < count; ++index) {
      void* buffer = nullptr;
      ub4* length = nullptr;
      ub1 piece = kOnePiece;
      void* indicator = nullptr;
      ub2* rcode = nullptr;
      if (bind->out_callback(bind->out_context,
                             reinterpret_cast<OCIBind*>(static_cast<THandle*>(bind)), row,
                             static_cast<ub4>(index), &buffer, &length, &piece, &indicator,
                             &rcode) != kCallbackContinue)
        return OraError(24343, "user defined callback error");
      // The callback gives its buffer's size in the length it hands out,
      // and gets the value's length back there.
      TBufferSpec target = bind->buffer;
      target.value = buffer;
      target.size = length ? static_cast<sb4>(*length) : bind->buffer.size;
      target.ind = static_cast<sb2*>(indicator);
      ub2 written = 0;
      target.len = &written;
      target.rcode = rcode;
      if (!buffer && !returned.values[index][i].IsNull())
        return OraError(24343, "user defined callback error");
      if (TOraError e = WriteElement(target, 0, returned.values[index][i])) return e;
      if (length) *length = written;
    }
  }
  return {};
}

}  // namespace Standin
