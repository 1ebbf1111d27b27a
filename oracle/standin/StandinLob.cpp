// oracle/standin/StandinLob.cpp
//
// LOB and file locators. Offsets count from 1; the model's character set
// is single-byte, so a CLOB's positions and lengths count bytes, which are
// its characters. A locator bound to a row reads and writes the row in the
// caller's transaction, locking it as any change does, and so does one
// fetched from a row that its select for update locked; any other fetched
// locator reads the value its query saw and cannot be written, as Oracle
// refuses a write to a row the session has not locked. BFILEs read files in the
// folders the test names for their directory aliases, and only while open.
// A locator with buffering on keeps what is written, and gives it to reads,
// until a flush stores it; switching buffering off drops it unflushed.
#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "oracle/OciConstants.h"
#include "oracle/standin/StandinModel.h"
#include "oracle/standin/StandinRowid.h"

namespace Standin {
namespace {

TOraError InvalidLocator() {
  return OraError(22275, "invalid LOB locator specified");
}

TOraError BadParameter() {
  return OraError(24801, "illegal parameter value in OCI lob function");
}

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

}  // namespace

TLobHandle* TModelServer::LiveLob(const void* locator) const {
  if (auto* lob = Live<TLobHandle>(locator, kDtypeLob)) return lob;
  return Live<TLobHandle>(locator, kDtypeFile);
}

TOraError TModelServer::BindLobToRow(TLobHandle* lob, ub2 lob_type, const std::string& table,
                                     const std::string& column, std::int64_t rowid) {
  lob->initialised = true;
  lob->lob_type = lob_type;
  lob->table = table;
  lob->column = column;
  lob->rowid = rowid;
  lob->value.clear();
  lob->open = false;
  return {};
}

TOraError TModelServer::SetFetchedLob(TLobHandle* lob, ub2 lob_type, const TValue& value) {
  lob->initialised = !value.IsNull();
  lob->lob_type = lob_type;
  lob->table.clear();
  lob->column.clear();
  lob->rowid = 0;
  lob->open = false;
  lob->value = value.IsNull() ? std::string()
               : value.kind == TValue::TKind::Text || value.kind == TValue::TKind::Blob
                   ? value.bytes
                   : value.AsText();
  lob->directory.clear();
  lob->file.clear();
  if (lob_type == kSqltBfile && lob->initialised &&
      !SplitBfileValue(lob->value, lob->directory, lob->file))
    return OraError(932, "inconsistent datatypes");
  return {};
}

void TModelServer::LockedRowLob(const TStmtHandle* stmt, int column, TLobHandle* lob) {
  if (lob->lob_type == kSqltBfile || !stmt->query || stmt->answered ||
      stmt->row_count >= stmt->selected_rowids.size())
    return;
  // Only a column of the table whose rows the lock list gives in the
  // query's order names the locked row.
  const char* table = sqlite3_column_table_name(stmt->query, column);
  const char* origin = sqlite3_column_origin_name(stmt->query, column);
  if (!table || !origin || sqlite3_stricmp(table, stmt->selected_table.c_str()) != 0) return;
  BindLobToRow(lob, lob->lob_type, table, origin, stmt->selected_rowids[stmt->row_count]);
}

std::string TModelServer::FilePath(const TLobHandle& lob, TOraError& error) const {
  const auto folder = database_->DirectoryFolder(lob.directory);
  // A name that could leave the directory's folder names no file in it.
  if (!folder || lob.file.empty() || lob.file.find('/') != std::string::npos || lob.file == "." ||
      lob.file == "..") {
    error = OraError(22285, "non-existent directory or file for FILEOPEN operation");
    return {};
  }
  return *folder + "/" + lob.file;
}

TOraError TModelServer::ReadLob(TLobHandle* lob, TConnection& connection, std::string& out) {
  if (!lob->initialised) return InvalidLocator();
  if (lob->lob_type == kSqltBfile) {
    TOraError error;
    const std::string path = FilePath(*lob, error);
    if (error) return error;
    std::ifstream file(path, std::ios::binary);
    if (!file)
      return OraError(22288, "file or LOB operation FILEOPEN failed\nNo such file or directory");
    std::ostringstream bytes;
    bytes << file.rdbuf();
    out = bytes.str();
    return {};
  }
  if (lob->buffer) {
    out = *lob->buffer;
    return {};
  }
  if (!lob->rowid) {
    out = lob->value;
    return {};
  }
  connection.Refresh();
  const std::string sql = "SELECT " + Quoted(lob->column) + " FROM " + Quoted(lob->table) +
                          " WHERE rowid = " + std::to_string(lob->rowid);
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(connection.Handle(), sql.c_str(), -1, &query, nullptr) != SQLITE_OK)
    return connection.LastError(sql);
  const int rc = sqlite3_step(query);
  TOraError error;
  if (rc == SQLITE_ROW) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(query, 0));
    const int size = sqlite3_column_bytes(query, 0);
    out = bytes ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
  } else {
    // The row went (deleted, or its insert rolled back) under the locator.
    error = rc == SQLITE_DONE ? InvalidLocator() : connection.LastError(sql);
  }
  sqlite3_finalize(query);
  return error;
}

TOraError TModelServer::StoreLob(TLobHandle* lob, TConnection& connection,
                                 const std::string& value) {
  if (!lob->initialised) return InvalidLocator();
  if (lob->lob_type == kSqltBfile)
    return OraError(22286,
                    "insufficient privileges on file or directory to perform FILEWRITE operation");
  if (!lob->rowid) return OraError(22920, "row containing the LOB value is not locked");
  if (lob->buffering) {
    lob->buffer = value;
    return {};
  }
  if (TOraError e = connection.Begin()) return e;
  const std::string sql = "UPDATE " + Quoted(lob->table) + " SET " + Quoted(lob->column) +
                          " = ?1 WHERE rowid = " + std::to_string(lob->rowid);
  sqlite3_stmt* change = nullptr;
  if (sqlite3_prepare_v2(connection.Handle(), sql.c_str(), -1, &change, nullptr) != SQLITE_OK)
    return connection.LastError(sql);
  sqlite3_bind_blob(change, 1, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  int changed = 0;
  TOraError error = connection.Change(change, sql, changed);
  sqlite3_finalize(change);
  if (!error && changed == 0) error = InvalidLocator();
  return error;
}

// The handles every locator call checks, and the session it runs in.
struct TModelServer::TLobCall {
  TErrorHandle* error = nullptr;
  TLobHandle* lob = nullptr;
  TConnection* connection = nullptr;
  sword status = OCI_SUCCESS;
};

TModelServer::TLobCall TModelServer::LobCall(OCISvcCtx* svchp, OCIError* errhp, const void* locp) {
  TLobCall call;
  call.error = Live<TErrorHandle>(errhp, kHtypeError);
  call.lob = LiveLob(locp);
  auto* svc = svchp ? Live<TSvcCtxHandle>(svchp, kHtypeSvcCtx) : nullptr;
  if (!call.error || !call.lob || (svchp && !svc)) {
    call.status = OCI_INVALID_HANDLE;
  } else if (svc) {
    if (!svc->session || !svc->session->connection)
      call.status = Fail(call.error, OraError(3114, "not connected to ORACLE"));
    else
      call.connection = svc->session->connection.get();
  }
  return call;
}

// A call on a file locator, which must name a file.
TModelServer::TLobCall TModelServer::FileCall(OCISvcCtx* svchp, OCIError* errhp,
                                              const void* filep) {
  TLobCall call = LobCall(svchp, errhp, filep);
  if (call.status == OCI_SUCCESS && (call.lob->type != kDtypeFile || !call.lob->initialised))
    call.status = Fail(call.error, InvalidLocator());
  return call;
}

sword TModelServer::OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                               ub4 offset, void* bufp, ub4 bufl, void*, OCICallbackLobRead cbfp,
                               ub2, ub1) {
  std::lock_guard lock(mutex_);
  TLobCall call = LobCall(svchp, errhp, locp);
  if (call.status != OCI_SUCCESS) return call.status;
  if (!amtp || !bufp) return Fail(call.error, BadParameter());
  if (*amtp == 0 || cbfp) return Fail(call.error, NoRule("a LOB read in pieces"));
  if (offset == 0) return Fail(call.error, BadParameter());
  if (call.lob->lob_type == kSqltBfile && !call.lob->open)
    return Fail(call.error,
                OraError(22289, "cannot perform FILEREAD operation on an unopened file or LOB"));
  std::string value;
  if (TOraError e = ReadLob(call.lob, *call.connection, value)) return Fail(call.error, e);
  if (offset > value.size()) {
    *amtp = 0;
    Fail(call.error, OraError(1403, "no data found"));
    return OCI_NO_DATA;
  }
  const std::size_t n = std::min<std::size_t>({*amtp, bufl, value.size() - (offset - 1)});
  std::memcpy(bufp, value.data() + (offset - 1), n);
  *amtp = static_cast<ub4>(n);
  return OCI_SUCCESS;
}

sword TModelServer::OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                                ub4 offset, void* bufp, ub4 buflen, ub1 piece, void*,
                                OCICallbackLobWrite cbfp, ub2, ub1) {
  std::lock_guard lock(mutex_);
  TLobCall call = LobCall(svchp, errhp, locp);
  if (call.status != OCI_SUCCESS) return call.status;
  if (!amtp || (!bufp && buflen)) return Fail(call.error, BadParameter());
  if (piece != kOnePiece || cbfp) return Fail(call.error, NoRule("a LOB write in pieces"));
  if (offset == 0) return Fail(call.error, BadParameter());
  std::string value;
  if (TOraError e = ReadLob(call.lob, *call.connection, value)) return Fail(call.error, e);
  const std::size_t n = std::min<std::size_t>(*amtp, buflen);
  // A write beyond the end fills the gap as Oracle does: blanks in a CLOB,
  // zero bytes in a BLOB.
  if (value.size() < offset - 1)
    value.resize(offset - 1, call.lob->lob_type == kSqltClob ? ' ' : '\0');
  if (value.size() < offset - 1 + n) value.resize(offset - 1 + n);
  if (n) std::memcpy(value.data() + (offset - 1), bufp, n);
  if (TOraError e = StoreLob(call.lob, *call.connection, value)) return Fail(call.error, e);
  *amtp = static_cast<ub4>(n);
  return OCI_SUCCESS;
}

sword TModelServer::OCILobTrim(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 newlen) {
  std::lock_guard lock(mutex_);
  TLobCall call = LobCall(svchp, errhp, locp);
  if (call.status != OCI_SUCCESS) return call.status;
  std::string value;
  if (TOraError e = ReadLob(call.lob, *call.connection, value)) return Fail(call.error, e);
  if (newlen > value.size())
    return Fail(
        call.error,
        OraError(22926, "specified trim length is greater than current LOB value's length"));
  value.resize(newlen);
  if (TOraError e = StoreLob(call.lob, *call.connection, value)) return Fail(call.error, e);
  return OCI_SUCCESS;
}

sword TModelServer::OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                    ub4* lenp) {
  std::lock_guard lock(mutex_);
  TLobCall call = LobCall(svchp, errhp, locp);
  if (call.status != OCI_SUCCESS) return call.status;
  if (!lenp) return Fail(call.error, BadParameter());
  std::string value;
  if (TOraError e = ReadLob(call.lob, *call.connection, value)) return Fail(call.error, e);
  *lenp = static_cast<ub4>(value.size());
  return OCI_SUCCESS;
}

sword TModelServer::OCILobLocatorIsInit(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                        boolean* is_initialized) {
  std::lock_guard lock(mutex_);
  TLobCall call = LobCall(nullptr, errhp, locp);
  if (call.status != OCI_SUCCESS || !Live<TEnvHandle>(envhp, kHtypeEnv)) return OCI_INVALID_HANDLE;
  if (!is_initialized) return Fail(call.error, BadParameter());
  *is_initialized = call.lob->initialised ? 1 : 0;
  return OCI_SUCCESS;
}

sword TModelServer::OCILobFileOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                   ub1 mode) {
  std::lock_guard lock(mutex_);
  TLobCall call = FileCall(svchp, errhp, filep);
  if (call.status != OCI_SUCCESS) return call.status;
  if (mode != kFileReadOnly) return Fail(call.error, BadParameter());
  std::string contents;
  if (TOraError e = ReadLob(call.lob, *call.connection, contents)) return Fail(call.error, e);
  call.lob->open = true;
  return OCI_SUCCESS;
}

sword TModelServer::OCILobFileClose(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep) {
  std::lock_guard lock(mutex_);
  TLobCall call = FileCall(svchp, errhp, filep);
  if (call.status != OCI_SUCCESS) return call.status;
  call.lob->open = false;
  return OCI_SUCCESS;
}

sword TModelServer::OCILobFileIsOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                     boolean* flag) {
  std::lock_guard lock(mutex_);
  TLobCall call = FileCall(svchp, errhp, filep);
  if (call.status != OCI_SUCCESS) return call.status;
  if (!flag) return Fail(call.error, BadParameter());
  *flag = call.lob->open ? 1 : 0;
  return OCI_SUCCESS;
}

sword TModelServer::OCILobFileExists(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                                     boolean* flag) {
  std::lock_guard lock(mutex_);
  TLobCall call = FileCall(svchp, errhp, filep);
  if (call.status != OCI_SUCCESS) return call.status;
  if (!flag) return Fail(call.error, BadParameter());
  TOraError error;
  const std::string path = FilePath(*call.lob, error);
  if (error) return Fail(call.error, error);
  *flag = std::ifstream(path).good() ? 1 : 0;
  return OCI_SUCCESS;
}

sword TModelServer::OCILobFileGetName(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* filep,
                                      OraText* dir_alias, ub2* d_length, OraText* filename,
                                      ub2* f_length) {
  std::lock_guard lock(mutex_);
  if (!Live<TEnvHandle>(envhp, kHtypeEnv)) return OCI_INVALID_HANDLE;
  TLobCall call = FileCall(nullptr, errhp, filep);
  if (call.status != OCI_SUCCESS) return call.status;
  if (!dir_alias || !d_length || !filename || !f_length) return Fail(call.error, BadParameter());
  // Each length is the buffer's size going in and the name's coming out.
  if (call.lob->directory.size() > *d_length || call.lob->file.size() > *f_length)
    return Fail(call.error, BadParameter());
  std::memcpy(dir_alias, call.lob->directory.data(), call.lob->directory.size());
  std::memcpy(filename, call.lob->file.data(), call.lob->file.size());
  *d_length = static_cast<ub2>(call.lob->directory.size());
  *f_length = static_cast<ub2>(call.lob->file.size());
  return OCI_SUCCESS;
}

}  // namespace Standin

namespace Standin {

TOraError TModelServer::Returning(TStmtHandle* stmt, TConnection& connection,
                                  const TTranslation& sql, ub4 row, std::int64_t rowid) {
  if (sql.returning.size() != sql.returning_into.size())
    return sql.returning.size() < sql.returning_into.size() ? OraError(947, "not enough values")
                                                            : OraError(913, "too many values");
  if (!rowid) return NoRule("returning of no row: " + stmt->text);
  const std::string where =
      " from " + Quoted(sql.target) + " where rowid = '" + RowidText(RowidParts(rowid)) + "'";
  for (std::size_t i = 0; i < sql.returning.size(); ++i) {
    const TBindHandle* bind = stmt->Bind(sql.returning_into[i]);
    if (!bind) return OraError(1008, "not all variables bound");
    const TBufferSpec& b = bind->buffer;
    std::vector<TValue> values;
    bool found = false;
    if (TOraError e =
            Evaluate(stmt, connection, "select " + sql.returning[i] + where, values, found))
      return e;
    if (!found) return OraError(1403, "no data found");
    if (!IsLobType(b.dty)) {
      if (TOraError e = WriteElement(b, row, values.at(0))) return e;
      continue;
    }
    // A LOB column gives a locator that stands for the row's value.
    const std::vector<TToken> tokens = Tokenize(sql.returning[i]);
    const std::string column =
        tokens.size() == 1
            ? tokens[0].kind == TToken::TKind::Quoted ? tokens[0].text : tokens[0].upper
            : std::string();
    const auto type = connection.ColumnType(sql.target, column);
    if (!type || type->type != b.dty) return OraError(932, "inconsistent datatypes");
    void* locator = nullptr;
    if (b.value) std::memcpy(&locator, b.ValueAt(row), sizeof locator);
    TLobHandle* lob = LiveLob(locator);
    if (!lob || (lob->type == kDtypeFile) != (b.dty == kSqltBfile))
      return OraError(22275, "invalid LOB locator specified");
    if (values.at(0).IsNull()) {
      lob->initialised = false;
      if (TOraError e = WriteElement(b, row, values[0])) return e;
      continue;
    }
    if (b.dty == kSqltBfile) {
      if (TOraError e = SetFetchedLob(lob, b.dty, values[0])) return e;
    } else {
      BindLobToRow(lob, b.dty, sql.target, column, rowid);
    }
    if (b.ind) *b.IndAt(row) = 0;
  }
  return {};
}

sword TModelServer::OCILobEnableBuffering(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp) {
  std::lock_guard lock(mutex_);
  TLobCall call = LobCall(svchp, errhp, locp);
  if (call.status != OCI_SUCCESS) return call.status;
  if (!call.lob->initialised || call.lob->lob_type == kSqltBfile)
    return Fail(call.error, InvalidLocator());
  call.lob->buffering = true;
  return OCI_SUCCESS;
}

sword TModelServer::OCILobDisableBuffering(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp) {
  std::lock_guard lock(mutex_);
  TLobCall call = LobCall(svchp, errhp, locp);
  if (call.status != OCI_SUCCESS) return call.status;
  // The client does not flush for the caller: what was not flushed is gone.
  call.lob->buffering = false;
  call.lob->buffer.reset();
  return OCI_SUCCESS;
}

sword TModelServer::OCILobFlushBuffer(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                      ub4 flag) {
  constexpr ub4 kBufferFree = 1, kBufferNoFree = 2;
  std::lock_guard lock(mutex_);
  TLobCall call = LobCall(svchp, errhp, locp);
  if (call.status != OCI_SUCCESS) return call.status;
  if (!call.lob->buffering || (flag != OCI_DEFAULT && flag != kBufferFree && flag != kBufferNoFree))
    return Fail(call.error, BadParameter());
  if (!call.lob->buffer) return OCI_SUCCESS;
  const std::string value = *call.lob->buffer;
  call.lob->buffering = false;
  TOraError error = StoreLob(call.lob, *call.connection, value);
  call.lob->buffering = true;
  if (error) return Fail(call.error, error);
  call.lob->buffer.reset();
  return OCI_SUCCESS;
}

}  // namespace Standin
