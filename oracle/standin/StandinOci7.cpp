// oracle/standin/StandinOci7.cpp
//
// The older generation of the call interface over the same model: each
// call reports through the data area it is given (return code at byte 12,
// rows processed, function code, parse-error offset) and returns the
// return code.
#include <sqlite3.h>

#include <cstring>

#include "oracle/OciConstants.h"
#include "oracle/standin/StandinModel.h"
#include "oracle/standin/StandinRowid.h"

namespace Standin {
namespace {

std::string AreaText(const OraText* text, sword length) {
  if (!text) return {};
  const char* chars = reinterpret_cast<const char*>(text);
  return length < 0 ? std::string(chars) : std::string(chars, static_cast<std::size_t>(length));
}

constexpr sword kNotLoggedOn = 1012;
constexpr sword kInvalidCursor = 1001;

}  // namespace

sword TModelServer::AreaResult(cda_def* area, const TOraError& error) {
  if (error) texts_[error.code] = error.text;
  if (area) {
    area->rc = static_cast<ub2>(error.code);
    if (error.offset) area->peo = error.offset;
  }
  return error.code;
}

sword TModelServer::Logon7(Lda_Def* lda, const std::string& user, const std::string& password) {
  if (!lda) return kNotLoggedOn;
  // "user/password@database" in the user name alone, as the older logon allows.
  std::string name = user, secret = password;
  if (const std::size_t at = name.find('@'); at != std::string::npos) name.erase(at);
  if (const std::size_t slash = name.find('/'); slash != std::string::npos && secret.empty()) {
    secret = name.substr(slash + 1);
    name.erase(slash);
  }
  std::memset(lda, 0, sizeof *lda);
  const TDatabase::TLogon logon = database_->Logon(name, secret);
  if (logon == TDatabase::TLogon::Denied)
    return AreaResult(lda, OraError(1017, "invalid username/password; logon denied"));
  TLogon& entry = logons_[lda];
  entry.owned = std::make_unique<TSessionHandle>();
  entry.session = entry.owned.get();
  entry.session->username = name;
  entry.session->user = UpperCase(name);
  entry.session->connection = database_->Connect(entry.session->user);
  entry.autocommit = false;
  // Logged on all the same: the return code only warns.
  if (logon == TDatabase::TLogon::Expiring)
    return AreaResult(lda, OraError(28002, "the password will expire within 7 days"));
  return AreaResult(lda, {});
}

sword TModelServer::olog(Lda_Def* lda, ub1*, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
                         OraText*, sword, ub4) {
  std::lock_guard lock(mutex_);
  return Logon7(lda, AreaText(uid, uidl), AreaText(pswd, pswdl));
}

sword TModelServer::orlon(Lda_Def* lda, ub1*, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
                          sword) {
  std::lock_guard lock(mutex_);
  return Logon7(lda, AreaText(uid, uidl), AreaText(pswd, pswdl));
}

sword TModelServer::ologof(Lda_Def* lda) {
  std::lock_guard lock(mutex_);
  const auto found = logons_.find(lda);
  if (found == logons_.end()) return AreaResult(lda, OraError(kNotLoggedOn, "not logged on"));
  // The cursors of the logon go with it; a normal logoff commits.
  for (auto cursor = cursors_.begin(); cursor != cursors_.end();)
    cursor = cursor->second.lda == lda ? cursors_.erase(cursor) : std::next(cursor);
  if (!found->second.owned)
    return AreaResult(lda, NoRule("ologof of a data area derived from a service context"));
  const TOraError error = found->second.session->connection->Commit();
  logons_.erase(found);
  return AreaResult(lda, error);
}

sword TModelServer::oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz) {
  std::lock_guard lock(mutex_);
  const auto found = texts_.find(rcode);
  if (found == texts_.end()) return TNotConnectedServer::oerhms(lda, rcode, buf, bufsiz);
  const std::string text = found->second + "\n";
  if (!buf || bufsiz <= 0) return 0;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(bufsiz - 1));
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return static_cast<sword>(n);
}

sword TModelServer::oopen(Cda_Def* cursor, Lda_Def* lda, OraText*, sword, sword, OraText*, sword) {
  std::lock_guard lock(mutex_);
  if (!cursor) return kInvalidCursor;
  if (!logons_.count(lda)) return AreaResult(cursor, OraError(kNotLoggedOn, "not logged on"));
  std::memset(cursor, 0, sizeof *cursor);
  TCursor& entry = cursors_[cursor];
  entry.stmt = std::make_unique<TStmtHandle>();
  entry.stmt->session = logons_[lda].session;
  entry.lda = lda;
  entry.parsed = false;
  return AreaResult(cursor, {});
}

TModelServer::TCursor* TModelServer::Cursor7(Cda_Def* cursor) {
  const auto found = cursors_.find(cursor);
  return found == cursors_.end() ? nullptr : &found->second;
}

sword TModelServer::oparse(Cda_Def* cursor, OraText* sqlstm, sb4 sqllen, sword, ub4) {
  std::lock_guard lock(mutex_);
  TCursor* entry = Cursor7(cursor);
  if (!entry) return AreaResult(cursor, OraError(kInvalidCursor, "invalid cursor"));
  TStmtHandle& stmt = *entry->stmt;
  FreeStatement(&stmt);
  stmt.columns.clear();
  stmt.text = AreaText(sqlstm, sqllen);
  const TTranslation sql = TranslateSql(stmt.text, Context(stmt.session->user));
  stmt.placeholders = sql.placeholders;
  stmt.stmt_type = sql.stmt_type;
  cursor->fc = static_cast<ub1>(sql.function_code);
  cursor->peo = 0;
  entry->parsed = true;
  return AreaResult(cursor, {});
}

sword TModelServer::obndra(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl,
                           sword ftype, sword, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz,
                           ub4* cursiz, OraText*, sword, sword) {
  std::lock_guard lock(mutex_);
  TCursor* entry = Cursor7(cursor);
  if (!entry) return AreaResult(cursor, OraError(kInvalidCursor, "invalid cursor"));
  std::string name = AreaText(sqlvar, sqlvl);
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  name = UpperCase(name);
  TStmtHandle& stmt = *entry->stmt;
  if (std::find(stmt.placeholders.begin(), stmt.placeholders.end(), name) ==
      stmt.placeholders.end())
    return AreaResult(cursor, OraError(1036, "illegal variable name/number"));
  const TBufferSpec spec{progv,
                         progvl,
                         static_cast<ub2>(ftype),
                         indp,
                         alen,
                         arcode,
                         static_cast<ub4>(std::max<sword>(progvl, 0))};
  TBindHandle* bind = Attach(&stmt, stmt.binds, &TBindHandle::name, name, spec);
  bind->max_elements = maxsiz;
  bind->current_elements = cursiz;
  return AreaResult(cursor, {});
}

sword TModelServer::odefin(Cda_Def* cursor, sword pos, ub1* buf, sword bufl, sword ftype, sword,
                           sb2* indp, OraText*, sword, sword, ub2* rlen, ub2* rcode) {
  std::lock_guard lock(mutex_);
  TCursor* entry = Cursor7(cursor);
  if (!entry) return AreaResult(cursor, OraError(kInvalidCursor, "invalid cursor"));
  if (pos <= 0) return AreaResult(cursor, OraError(1007, "variable not in select list"));
  const TBufferSpec spec{buf,
                         bufl,
                         static_cast<ub2>(ftype),
                         indp,
                         rlen,
                         rcode,
                         static_cast<ub4>(std::max<sword>(bufl, 0))};
  TStmtHandle& stmt = *entry->stmt;
  Attach(&stmt, stmt.defines, &TDefineHandle::position, static_cast<ub4>(pos), spec);
  return AreaResult(cursor, {});
}

sword TModelServer::Execute7(std::unique_lock<std::recursive_mutex>& lock, Cda_Def* cursor,
                             ub4 iters, ub4 rowoff, ub4 fetch_rows) {
  TCursor* entry = Cursor7(cursor);
  if (!entry) return AreaResult(cursor, OraError(kInvalidCursor, "invalid cursor"));
  if (!entry->parsed) return AreaResult(cursor, OraError(1003, "no statement parsed"));
  TStmtHandle& stmt = *entry->stmt;
  TConnection& connection = *stmt.session->connection;
  const ub4 mode = logons_[entry->lda].autocommit ? 0x20 : 0;
  Record(&stmt, iters, rowoff, mode);
  bool fewer_rows = false;
  TRuleAnswer answer;
  const bool ruled = std::any_of(rules_.begin(), rules_.end(), [&](const TRule& rule) {
    return rule.Answers(stmt.text, answer);
  });
  const bool query = stmt.stmt_type == 1;
  const ub4 count = query ? fetch_rows : iters;
  TOraError error = ruled ? Answer(&stmt, answer, count, mode, fewer_rows)
                          : RunWaiting(lock, &stmt, connection, count, rowoff, mode, fewer_rows);
  cursor->fc = static_cast<ub1>(stmt.function_code ? stmt.function_code : cursor->fc);
  cursor->rpc = stmt.row_count;
  if (stmt.last_rowid) WriteAreaRowid(RowidParts(stmt.last_rowid), *cursor);
  if (!error && fewer_rows) error = OraError(1403, "no data found");
  return AreaResult(cursor, error);
}

sword TModelServer::oexec(Cda_Def* cursor) {
  return oexn(cursor, 1, 0);
}

sword TModelServer::oexn(Cda_Def* cursor, sword iters, sword rowoff) {
  std::unique_lock lock(mutex_);
  return Execute7(lock, cursor, static_cast<ub4>(std::max(iters, 0)),
                  static_cast<ub4>(std::max(rowoff, 0)), 0);
}

sword TModelServer::oexfet(Cda_Def* cursor, ub4 nrows, sword, sword) {
  std::unique_lock lock(mutex_);
  return Execute7(lock, cursor, 1, 0, nrows);
}

sword TModelServer::ofen(Cda_Def* cursor, sword nrows) {
  std::lock_guard lock(mutex_);
  TCursor* entry = Cursor7(cursor);
  if (!entry) return AreaResult(cursor, OraError(kInvalidCursor, "invalid cursor"));
  ub4 fetched = 0;
  bool truncated = false;
  TOraError error =
      Fetch(entry->stmt.get(), static_cast<ub4>(std::max(nrows, 0)), fetched, truncated);
  cursor->rpc = entry->stmt->row_count;
  if (!error && fetched < static_cast<ub4>(std::max(nrows, 0)))
    error = OraError(1403, "no data found");
  return AreaResult(cursor, error);
}

sword TModelServer::odescr(Cda_Def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf,
                           sb4* cbufl, sb4* dsize, sb2* prec, sb2* scale, sb2* nullok) {
  std::lock_guard lock(mutex_);
  TCursor* entry = Cursor7(cursor);
  if (!entry) return AreaResult(cursor, OraError(kInvalidCursor, "invalid cursor"));
  TStmtHandle& stmt = *entry->stmt;
  if (stmt.columns.empty() && stmt.stmt_type == 1) {
    // A rule answers the describe as it answers the execution.
    bool fewer_rows = false;
    TRuleAnswer answer;
    const bool ruled = std::any_of(rules_.begin(), rules_.end(), [&](const TRule& rule) {
      return rule.Answers(stmt.text, answer);
    });
    if (TOraError e =
            ruled ? Answer(&stmt, answer, 0, kModeDescribeOnly, fewer_rows)
                  : Run(&stmt, *stmt.session->connection, 0, 0, kModeDescribeOnly, fewer_rows))
      return AreaResult(cursor, e);
  }
  if (pos <= 0 || static_cast<std::size_t>(pos) > stmt.columns.size())
    return AreaResult(cursor, OraError(1007, "variable not in select list"));
  const TColumnType& column = stmt.columns[static_cast<std::size_t>(pos - 1)];
  if (dbsize) *dbsize = column.size;
  if (dbtype) *dbtype = static_cast<sb2>(column.type);
  if (cbuf && cbufl) {
    // The name is cut to the buffer, and the buffer's length becomes the name's.
    const std::size_t n =
        std::min(column.name.size(), static_cast<std::size_t>(std::max(*cbufl, 0)));
    std::memcpy(cbuf, column.name.data(), n);
    *cbufl = static_cast<sb4>(n);
  }
  if (dsize) *dsize = column.type == kSqltNum ? 40 : column.type == kSqltDat ? 9 : column.size;
  if (prec) *prec = column.precision;
  if (scale) *scale = column.scale;
  if (nullok) *nullok = column.nullable ? 1 : 0;
  return AreaResult(cursor, {});
}

sword TModelServer::oclose(Cda_Def* cursor) {
  std::lock_guard lock(mutex_);
  if (!cursors_.erase(cursor))
    return AreaResult(cursor, OraError(kInvalidCursor, "invalid cursor"));
  return AreaResult(cursor, {});
}

sword TModelServer::ocom(Lda_Def* lda) {
  std::lock_guard lock(mutex_);
  const auto found = logons_.find(lda);
  if (found == logons_.end()) return AreaResult(lda, OraError(kNotLoggedOn, "not logged on"));
  return AreaResult(lda, found->second.session->connection->Commit());
}

sword TModelServer::orol(Lda_Def* lda) {
  std::lock_guard lock(mutex_);
  const auto found = logons_.find(lda);
  if (found == logons_.end()) return AreaResult(lda, OraError(kNotLoggedOn, "not logged on"));
  return AreaResult(lda, found->second.session->connection->Rollback());
}

sword TModelServer::ocon(Lda_Def* lda) {
  std::lock_guard lock(mutex_);
  const auto found = logons_.find(lda);
  if (found == logons_.end()) return AreaResult(lda, OraError(kNotLoggedOn, "not logged on"));
  found->second.autocommit = true;
  return AreaResult(lda, {});
}

sword TModelServer::ocof(Lda_Def* lda) {
  std::lock_guard lock(mutex_);
  const auto found = logons_.find(lda);
  if (found == logons_.end()) return AreaResult(lda, OraError(kNotLoggedOn, "not logged on"));
  found->second.autocommit = false;
  return AreaResult(lda, {});
}

sword TModelServer::obreak(Lda_Def* lda) {
  std::lock_guard lock(mutex_);
  if (!logons_.count(lda)) return AreaResult(lda, OraError(kNotLoggedOn, "not logged on"));
  return AreaResult(lda, {});
}

}  // namespace Standin
