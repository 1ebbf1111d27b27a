// oracle/standin/StandinModel.cpp
#include "oracle/standin/StandinModel.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <regex>

#include "oracle/OciConstants.h"

namespace Standin {
namespace {

// Attributes.
constexpr ub4 kAttrTrans = 8;
constexpr ub4 kAttrRowsReturned = 42;
constexpr ub4 kDataAtExec = 2;

constexpr ub4 kModeDynamicFetch = 2;
constexpr ub4 kCredRdbms = 1;
constexpr ub4 kCredExt = 2;

std::string MessageOf(sb4 code) {
  switch (code) {
    case 1405:
      return "fetched column value is NULL";
    case 1406:
      return "fetched column value was truncated";
    case 1455:
      return "converting column overflows integer datatype";
    case 1722:
      return "invalid number";
    case 1858:
      return "a non-numeric character was found where a numeric was expected";
    case 3115:
      return "unsupported network datatype or representation";
    default:
      return "error " + std::to_string(code);
  }
}

TOraError ConversionError(sb4 code) {
  return OraError(code, MessageOf(code));
}

// A bind name as the caller writes it: ":name", "name" or ":\"Name\"".
std::string BindName(const OraText* text, sb4 length) {
  std::string name(reinterpret_cast<const char*>(text),
                   length < 0 ? std::strlen(reinterpret_cast<const char*>(text)) : length);
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
    return name.substr(1, name.size() - 2);
  return UpperCase(name);
}

std::size_t CopyOut(const std::string& text, OraText* buffer, std::size_t size) {
  if (!buffer || size == 0) return 0;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

TBufferSpec Spec(void* value, sb4 size, ub2 dty, void* ind, ub2* len, ub2* rcode) {
  return {value,
          size,
          dty,
          static_cast<sb2*>(ind),
          len,
          rcode,
          static_cast<ub4>(std::max<sb4>(size, 0))};
}

void SetSkips(TBufferSpec& b, ub4 value, ub4 ind, ub4 len, ub4 rcode) {
  b.value_skip = value;
  b.ind_skip = ind;
  b.len_skip = len;
  b.rcode_skip = rcode;
}

// An expression column has no catalogue row: its type follows from the
// function that makes it or from the value of the first row.
TColumnType ExpressionType(sqlite3_stmt* query, int column, bool has_row) {
  TColumnType type;
  const std::string name = UpperCase(sqlite3_column_name(query, column));
  static const std::regex number_function(
      R"(^(COUNT|SUM|AVG|STANDIN_NEXTVAL|STANDIN_CURRVAL)\b.*)");
  static const std::regex date_text(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$)");
  const int storage = has_row ? sqlite3_column_type(query, column) : SQLITE_NULL;
  if (name.rfind("STANDIN_ROWID(", 0) == 0) {
    type.type = kSqltRid;
    type.size = 10;
    type.name = "ROWID";
  } else if (std::regex_match(name, number_function) || storage == SQLITE_INTEGER ||
             storage == SQLITE_FLOAT) {
    type.type = kSqltNum;
    type.size = 22;
  } else if (name.find("STANDIN_SYSDATE") != std::string::npos ||
             (storage == SQLITE_TEXT &&
              std::regex_match(reinterpret_cast<const char*>(sqlite3_column_text(query, column)),
                               date_text))) {
    type.type = kSqltDat;
    type.size = 7;
  } else {
    type.type = kSqltChr;
    type.size = 4000;
  }
  return type;
}

}  // namespace

TValue ColumnValue(sqlite3_stmt* query, int column) {
  switch (sqlite3_column_type(query, column)) {
    case SQLITE_INTEGER:
      return TValue::Int(sqlite3_column_int64(query, column));
    case SQLITE_FLOAT:
      return TValue::Real(sqlite3_column_double(query, column));
    case SQLITE_TEXT:
      return TValue::Text(reinterpret_cast<const char*>(sqlite3_column_text(query, column)));
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(query, column));
      return TValue::Blob(std::string(bytes, sqlite3_column_bytes(query, column)));
    }
    default:
      return {};
  }
}

void BindValue(sqlite3_stmt* query, int index, const TValue& value) {
  switch (value.kind) {
    case TValue::TKind::Null:
      sqlite3_bind_null(query, index);
      break;
    case TValue::TKind::Integer:
      sqlite3_bind_int64(query, index, value.integer);
      break;
    case TValue::TKind::Real:
      sqlite3_bind_double(query, index, value.real);
      break;
    case TValue::TKind::Text:
      sqlite3_bind_text(query, index, value.bytes.data(), static_cast<int>(value.bytes.size()),
                        SQLITE_TRANSIENT);
      break;
    case TValue::TKind::Blob:
      sqlite3_bind_blob(query, index, value.bytes.data(), static_cast<int>(value.bytes.size()),
                        SQLITE_TRANSIENT);
      break;
  }
}

TStmtHandle::~TStmtHandle() {
  if (query) sqlite3_finalize(query);
}

TModelServer::TModelServer() : database_(std::make_unique<TDatabase>()) {}

TModelServer::~TModelServer() {
  // Statements before the sessions whose connections they run on.
  for (auto& handle : owned_)
    if (handle->type == kHtypeStmt) FreeStatement(static_cast<TStmtHandle*>(handle.get()));
  owned_.clear();
}

void TModelServer::SetBanner(std::string banner) {
  std::lock_guard lock(mutex_);
  banner_ = std::move(banner);
}

sword TModelServer::Own(std::unique_ptr<THandle> handle, void** out, void** usrmempp) {
  Register(handle.get());
  *out = handle.get();
  owned_.push_back(std::move(handle));
  if (usrmempp) *usrmempp = nullptr;
  return OCI_SUCCESS;
}

sword TModelServer::Disown(THandle* handle) {
  Forget(handle);
  owned_.erase(std::find_if(owned_.begin(), owned_.end(),
                            [&](const auto& owned) { return owned.get() == handle; }));
  return OCI_SUCCESS;
}

void TModelServer::Register(THandle* handle) {
  live_.insert(handle);
}

void TModelServer::Forget(THandle* handle) {
  live_.erase(handle);
}

void TModelServer::FreeStatement(TStmtHandle* stmt) {
  for (auto& bind : stmt->binds) Forget(bind.get());
  for (auto& define : stmt->defines) Forget(define.get());
  for (auto& param : stmt->params) Forget(param.get());
  stmt->binds.clear();
  stmt->defines.clear();
  stmt->params.clear();
  if (stmt->query) sqlite3_finalize(stmt->query);
  stmt->query = nullptr;
  stmt->has_row = false;
}

sword TModelServer::Fail(TErrorHandle* error, const TOraError& ora) {
  if (error) {
    error->code = ora.code;
    error->text = ora.text;
  }
  return OCI_ERROR;
}

TSqlContext TModelServer::Context(const std::string& user) const {
  TDatabase* database = database_.get();
  return {user, [database](const std::string& name) { return database->IsSchema(name); }};
}

// ------------------------------------------------------------------ handles

sword TModelServer::OCIEnvInit(OCIEnv** envp, ub4 mode, std::size_t, void** usrmempp) {
  std::lock_guard lock(mutex_);
  if (!envp) return OCI_INVALID_HANDLE;
  auto env = std::make_unique<TEnvHandle>();
  env->mode = mode;
  return Own(std::move(env), reinterpret_cast<void**>(envp), usrmempp);
}

sword TModelServer::OCIEnvCreate(OCIEnv** envp, ub4 mode, void*, OCIMallocFn, OCIReallocFn,
                                 OCIFreeFn, std::size_t xtramem_sz, void** usrmempp) {
  return OCIEnvInit(envp, mode, xtramem_sz, usrmempp);
}

sword TModelServer::OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, std::size_t,
                                   void** usrmempp) {
  std::lock_guard lock(mutex_);
  auto* env = Live<TEnvHandle>(parenth, kHtypeEnv);
  if (!env || !hndlpp) return OCI_INVALID_HANDLE;
  if (Refused(type)) return OCI_ERROR;
  std::unique_ptr<THandle> handle;
  switch (type) {
    case kHtypeError:
      handle = std::make_unique<TErrorHandle>();
      break;
    case kHtypeSvcCtx: {
      auto svc = std::make_unique<TSvcCtxHandle>();
      svc->env = env;
      handle = std::move(svc);
      break;
    }
    case kHtypeStmt: {
      auto stmt = std::make_unique<TStmtHandle>();
      stmt->env = env;
      handle = std::move(stmt);
      break;
    }
    case kHtypeServer:
      handle = std::make_unique<TServerHandle>();
      break;
    case kHtypeSession:
      handle = std::make_unique<TSessionHandle>();
      break;
    case kHtypeDescribe:
      handle = std::make_unique<TDescribeHandle>();
      break;
    case kHtypeTrans:
      handle = std::make_unique<THandle>(type);
      break;
    default:
      return OCI_INVALID_HANDLE;
  }
  return Own(std::move(handle), hndlpp, usrmempp);
}

sword TModelServer::OCIHandleFree(void* hndlp, ub4 type) {
  std::lock_guard lock(mutex_);
  THandle* handle = Live<THandle>(hndlp, type);
  if (!handle || type == kHtypeBind || type == kHtypeDefine) return OCI_INVALID_HANDLE;
  if (type == kHtypeStmt) FreeStatement(static_cast<TStmtHandle*>(handle));
  // What a describe handed out goes with it.
  for (std::size_t i = owned_.size(); i-- > 0;)
    if (owned_[i]->owner == handle) Disown(owned_[i].get());
  if (type == kHtypeSession || type == kHtypeServer || type == kHtypeEnv) {
    // Whatever pointed at it forgets it.
    for (auto& other : owned_)
      if (other->type == kHtypeSvcCtx) {
        auto* svc = static_cast<TSvcCtxHandle*>(other.get());
        if (svc->session == handle) svc->session = nullptr;
        if (svc->server == handle) svc->server = nullptr;
        if (svc->env == handle) svc->env = nullptr;
      }
  }
  return Disown(handle);
}

sword TModelServer::OCIDescriptorAlloc(const void* parenth, void** descpp, ub4 type, std::size_t,
                                       void** usrmempp) {
  std::lock_guard lock(mutex_);
  if (!Live<TEnvHandle>(parenth, kHtypeEnv) || !descpp) return OCI_INVALID_HANDLE;
  if (Refused(type)) return OCI_ERROR;
  if (type == kDtypeLob || type == kDtypeFile)
    return Own(std::make_unique<TLobHandle>(type), descpp, usrmempp);
  if (type != kDtypeRowid) {
    SetLastError(3001, ("ORA-03001: no rule for: descriptor type " + std::to_string(type)).c_str());
    return OCI_ERROR;
  }
  return AllocateRowidDescriptor(descpp, usrmempp);
}

sword TModelServer::OCIDescriptorFree(void* descp, ub4 type) {
  std::lock_guard lock(mutex_);
  if (type == kDtypeRowid) return FreeRowidDescriptor(descp);
  THandle* handle = Live<THandle>(descp, type);
  if (!handle) return OCI_INVALID_HANDLE;
  // A column's parameter belongs to its statement and goes with it.
  if (type == kDtypeParam) return OCI_SUCCESS;
  return Disown(handle);
}

sword TModelServer::OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                                OraText* bufp, ub4 bufsiz, ub4 type) {
  std::lock_guard lock(mutex_);
  if (type == kHtypeError) {
    auto* error = Live<TErrorHandle>(hndlp, kHtypeError);
    if (!error) return OCI_INVALID_HANDLE;
    if (recordno != 1 || error->code == 0) return OCI_NO_DATA;
    if (errcodep) *errcodep = error->code;
    CopyOut(error->text + "\n", bufp, bufsiz);
    return OCI_SUCCESS;
  }
  if (type == kHtypeEnv && Live<TEnvHandle>(hndlp, kHtypeEnv)) return OCI_NO_DATA;
  // Without a handle of ours: what a client says before it has one.
  return TNotConnectedServer::OCIErrorGet(hndlp, recordno, sqlstate, errcodep, bufp, bufsiz, type);
}

// --------------------------------------------------------------- attributes

sword TModelServer::OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                               ub4 attrtype, OCIError* errhp) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  THandle* target = Live<THandle>(trgthndlp, trghndltyp);
  if (!error || !target) return OCI_INVALID_HANDLE;
  const auto illegal = [&] { return Fail(error, OraError(24315, "illegal attribute type")); };
  switch (trghndltyp) {
    case kHtypeSvcCtx: {
      auto* svc = static_cast<TSvcCtxHandle*>(target);
      if (attrtype == kAttrServer) {
        svc->server = Live<TServerHandle>(attributep, kHtypeServer);
        return svc->server ? OCI_SUCCESS : OCI_INVALID_HANDLE;
      }
      if (attrtype == kAttrSession) {
        svc->session = Live<TSessionHandle>(attributep, kHtypeSession);
        return svc->session ? OCI_SUCCESS : OCI_INVALID_HANDLE;
      }
      if (attrtype == kAttrTrans) return OCI_SUCCESS;
      return illegal();
    }
    case kHtypeSession: {
      auto* session = static_cast<TSessionHandle*>(target);
      const std::string value(static_cast<const char*>(attributep), attributep ? size : 0);
      if (attrtype == kAttrUsername)
        session->username = value;
      else if (attrtype == kAttrPassword)
        session->password = value;
      else
        return illegal();
      return OCI_SUCCESS;
    }
    case kHtypeStmt: {
      auto* stmt = static_cast<TStmtHandle*>(target);
      if (!attributep) return illegal();
      if (attrtype == kAttrPrefetchRows)
        std::memcpy(&stmt->prefetch_rows, attributep, sizeof(ub4));
      else if (attrtype == kAttrPrefetchMemory)
        std::memcpy(&stmt->prefetch_memory, attributep, sizeof(ub4));
      else
        return illegal();
      return OCI_SUCCESS;
    }
    default:
      return illegal();
  }
}

sword TModelServer::OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                               ub4 attrtype, OCIError* errhp) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  THandle* target = Live<THandle>(trgthndlp, trghndltyp);
  if (!error || !target) return OCI_INVALID_HANDLE;
  if (!attributep) return Fail(error, OraError(24315, "illegal attribute type"));
  const auto put = [&](auto value) { return PutAttribute(attributep, sizep, value); };
  const auto put_text = [&](const std::string& text) {
    return PutTextAttribute(attributep, sizep, text);
  };
  switch (trghndltyp) {
    case kHtypeSvcCtx: {
      auto* svc = static_cast<TSvcCtxHandle*>(target);
      if (attrtype == kAttrEnv) return put(static_cast<THandle*>(svc->env));
      if (attrtype == kAttrServer) return put(static_cast<THandle*>(svc->server));
      if (attrtype == kAttrSession) return put(static_cast<THandle*>(svc->session));
      break;
    }
    case kHtypeSession: {
      auto* session = static_cast<TSessionHandle*>(target);
      if (attrtype == kAttrUsername) return put_text(session->username);
      break;
    }
    case kHtypeStmt: {
      auto* stmt = static_cast<TStmtHandle*>(target);
      switch (attrtype) {
        case kAttrRowCount:
          return put(stmt->row_count);
        case kAttrSqlFnCode:
          return put(stmt->function_code);
        case kAttrStmtType:
          return put(stmt->stmt_type);
        case kAttrParamCount:
          return put(static_cast<ub4>(stmt->columns.size()));
        case kAttrParseErrorOffset80:
        case kAttrParseErrorOffset:
          return put(stmt->parse_error_offset);
        case kAttrPrefetchRows:
          return put(stmt->prefetch_rows);
        case kAttrPrefetchMemory:
          return put(stmt->prefetch_memory);
        case kAttrRowid:
          return ReadRowid(stmt, attributep, error);
        default:
          break;
      }
      break;
    }
    case kHtypeBind:
      if (attrtype == kAttrRowsReturned)
        return put(static_cast<TBindHandle*>(target)->rows_returned);
      break;
    case kHtypeDescribe:
      if (attrtype == kAttrParam && static_cast<TDescribeHandle*>(target)->param)
        return put(static_cast<TDescribeHandle*>(target)->param);
      break;
    case kDtypeParam: {
      auto* param = static_cast<TParamHandle*>(target);
      if (param->kind != TParamHandle::TKind::Column)
        return TypeParamAttribute(param, attributep, sizep, attrtype, error);
      const TColumnType& column = param->column;
      switch (attrtype) {
        case kAttrDataSize:
          return put(column.size);
        case kAttrDataType:
          return put(column.type);
        case kAttrName:
          return put_text(column.name);
        case kAttrPrecision:
          return put(column.precision);
        case kAttrScale:
          return put(column.scale);
        case kAttrIsNull:
          return put(static_cast<ub1>(column.nullable ? 1 : 0));
        default:
          // A column of an object or REF: its type, as an attribute's.
          if (!column.object_type.empty()) {
            TParamHandle* type = NewParam(param);
            type->kind = TParamHandle::TKind::Type;
            type->type = column.object_type;
            return TypeParamAttribute(type, attributep, sizep, attrtype, error);
          }
          break;
      }
      break;
    }
    default:
      break;
  }
  return Fail(error, OraError(24315, "illegal attribute type"));
}

// --------------------------------------------------------- server, session

sword TModelServer::OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink,
                                    sb4 dblink_len, ub4) {
  std::lock_guard lock(mutex_);
  auto* server = Live<TServerHandle>(srvhp, kHtypeServer);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!server || !error) return OCI_INVALID_HANDLE;
  server->dblink =
      dblink ? std::string(reinterpret_cast<const char*>(dblink), std::max<sb4>(dblink_len, 0))
             : std::string();
  server->attached = true;
  return OCI_SUCCESS;
}

sword TModelServer::OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4) {
  std::lock_guard lock(mutex_);
  auto* server = Live<TServerHandle>(srvhp, kHtypeServer);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!server || !error) return OCI_INVALID_HANDLE;
  if (!server->attached) return Fail(error, OraError(24324, "service handle not initialized"));
  server->attached = false;
  return OCI_SUCCESS;
}

sword TModelServer::OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,
                                     ub1 hndltype) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  THandle* handle = Live<THandle>(hndlp, hndltype);
  if (!error || !handle) return OCI_INVALID_HANDLE;
  const TServerHandle* server = hndltype == kHtypeServer ? static_cast<TServerHandle*>(handle)
                                : hndltype == kHtypeSvcCtx
                                    ? static_cast<TSvcCtxHandle*>(handle)->server
                                    : nullptr;
  if (!server || !server->attached) return Fail(error, OraError(3114, "not connected to ORACLE"));
  CopyOut(banner_, bufp, bufsz);
  return OCI_SUCCESS;
}

sword TModelServer::OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt,
                                    ub4) {
  std::lock_guard lock(mutex_);
  auto* svc = Live<TSvcCtxHandle>(svchp, kHtypeSvcCtx);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  auto* session = Live<TSessionHandle>(usrhp, kHtypeSession);
  if (!svc || !error || !session) return OCI_INVALID_HANDLE;
  if (!svc->server || !svc->server->attached)
    return Fail(error, OraError(24327, "need explicit attach before authenticating a user"));
  if (session->connection) return Fail(error, OraError(24309, "already connected to a server"));
  const auto denied = OraError(1017, "invalid username/password; logon denied");
  if (credt != kCredRdbms && credt != kCredExt) return Fail(error, denied);
  // External credentials name no user: the model has none to accept.
  const TDatabase::TLogon logon = credt == kCredExt
                                      ? TDatabase::TLogon::Denied
                                      : database_->Logon(session->username, session->password);
  if (logon == TDatabase::TLogon::Denied) return Fail(error, denied);
  session->user = UpperCase(session->username);
  session->connection = database_->Connect(session->user);
  svc->session = session;
  if (logon == TDatabase::TLogon::Expiring) {
    Fail(error, OraError(28002, "the password will expire within 7 days"));
    return OCI_SUCCESS_WITH_INFO;
  }
  error->code = 0;
  error->text.clear();
  return OCI_SUCCESS;
}

sword TModelServer::OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4) {
  std::lock_guard lock(mutex_);
  auto* svc = Live<TSvcCtxHandle>(svchp, kHtypeSvcCtx);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!svc || !error) return OCI_INVALID_HANDLE;
  auto* session = usrhp ? Live<TSessionHandle>(usrhp, kHtypeSession) : svc->session;
  if (!session)
    return usrhp ? OCI_INVALID_HANDLE : Fail(error, OraError(3114, "not connected to ORACLE"));
  if (!session->connection) return Fail(error, OraError(3114, "not connected to ORACLE"));
  // A session that ends normally commits its work, as Oracle does.
  TOraError commit = session->connection->Commit();
  for (auto& handle : owned_)
    if (handle->type == kHtypeStmt) {
      auto* stmt = static_cast<TStmtHandle*>(handle.get());
      if (stmt->session == session && stmt->query) {
        sqlite3_finalize(stmt->query);
        stmt->query = nullptr;
        stmt->has_row = false;
      }
    }
  session->connection.reset();
  return commit ? Fail(error, commit) : OCI_SUCCESS;
}

sword TModelServer::EndTransaction(OCISvcCtx* svchp, OCIError* errhp, bool commit) {
  std::lock_guard lock(mutex_);
  auto* svc = Live<TSvcCtxHandle>(svchp, kHtypeSvcCtx);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!svc || !error) return OCI_INVALID_HANDLE;
  if (!svc->session || !svc->session->connection)
    return Fail(error, OraError(3114, "not connected to ORACLE"));
  TConnection& connection = *svc->session->connection;
  if (TOraError e = commit ? connection.Commit() : connection.Rollback()) return Fail(error, e);
  return OCI_SUCCESS;
}

sword TModelServer::OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  return EndTransaction(svchp, errhp, true);
}

sword TModelServer::OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  return EndTransaction(svchp, errhp, false);
}

sword TModelServer::OCIBreak(void* hndlp, OCIError* errhp) {
  std::lock_guard lock(mutex_);
  if (!Live<TErrorHandle>(errhp, kHtypeError)) return OCI_INVALID_HANDLE;
  const auto* handle = static_cast<const THandle*>(hndlp);
  if (!handle || !live_.count(handle)) return OCI_INVALID_HANDLE;
  // Calls never run long here: there is nothing to interrupt.
  return OCI_SUCCESS;
}

// ----------------------------------------------------------------- statements

sword TModelServer::OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt_text,
                                   ub4 stmt_len, ub4, ub4) {
  std::lock_guard lock(mutex_);
  auto* stmt = Live<TStmtHandle>(stmtp, kHtypeStmt);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!stmt || !error) return OCI_INVALID_HANDLE;
  FreeStatement(stmt);
  stmt->columns.clear();
  stmt->text.assign(reinterpret_cast<const char*>(stmt_text), stmt_text ? stmt_len : 0);
  const TTranslation sql = TranslateSql(stmt->text, Context(""));
  stmt->stmt_type = sql.stmt_type;
  stmt->function_code = 0;
  stmt->placeholders = sql.placeholders;
  stmt->row_count = 0;
  stmt->parse_error_offset = 0;
  return OCI_SUCCESS;
}

sword TModelServer::OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                                  const OraText* placeholder, sb4 placeh_len, void* valuep,
                                  sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                                  ub4 maxarr_len, ub4* curelep, ub4 mode) {
  std::lock_guard lock(mutex_);
  auto* stmt = Live<TStmtHandle>(stmtp, kHtypeStmt);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!stmt || !error || !bindp) return OCI_INVALID_HANDLE;
  if (!placeholder) return Fail(error, OraError(1036, "illegal variable name/number"));
  const std::string name = BindName(placeholder, placeh_len);
  if (std::find(stmt->placeholders.begin(), stmt->placeholders.end(), name) ==
      stmt->placeholders.end())
    return Fail(error, OraError(1036, "illegal variable name/number"));
  if (mode != OCI_DEFAULT && mode != kDataAtExec)
    return Fail(error, NoRule("bind of " + name + " in mode " + std::to_string(mode)));
  TBindHandle* bind = Attach(stmt, stmt->binds, &TBindHandle::name, name,
                             Spec(valuep, value_sz, dty, indp, alenp, rcodep));
  bind->max_elements = maxarr_len;
  bind->current_elements = curelep;
  bind->object = {};
  bind->dynamic = mode == kDataAtExec;
  bind->out_context = nullptr;
  bind->out_callback = nullptr;
  bind->rows_returned = 0;
  *bindp = reinterpret_cast<OCIBind*>(static_cast<THandle*>(bind));
  return OCI_SUCCESS;
}

sword TModelServer::OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                                 void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                 ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode) {
  std::lock_guard lock(mutex_);
  auto* stmt = Live<TStmtHandle>(stmtp, kHtypeStmt);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!stmt || !error) return OCI_INVALID_HANDLE;
  if (position == 0 || position > stmt->placeholders.size())
    return Fail(error, OraError(1036, "illegal variable name/number"));
  const std::string name = ":\"" + stmt->placeholders[position - 1] + "\"";
  return OCIBindByName(stmtp, bindp, errhp, reinterpret_cast<const OraText*>(name.c_str()),
                       static_cast<sb4>(name.size()), valuep, value_sz, dty, indp, alenp, rcodep,
                       maxarr_len, curelep, mode);
}

sword TModelServer::OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void*, OCICallbackInBind,
                                   void* octxp, OCICallbackOutBind ocbfp) {
  std::lock_guard lock(mutex_);
  auto* bind = Live<TBindHandle>(bindp, kHtypeBind);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!bind || !error) return OCI_INVALID_HANDLE;
  // Values going in at execution are not modelled; the in callback of a
  // returning bind is never called, as it has nothing to give.
  if (!bind->dynamic)
    return Fail(error, OraError(24344, "bind of " + bind->name + " is not for data at execution"));
  bind->out_context = octxp;
  bind->out_callback = ocbfp;
  return OCI_SUCCESS;
}

sword TModelServer::OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip,
                                         ub4 alskip, ub4 rcskip) {
  std::lock_guard lock(mutex_);
  auto* bind = Live<TBindHandle>(bindp, kHtypeBind);
  if (!bind || !Live<TErrorHandle>(errhp, kHtypeError)) return OCI_INVALID_HANDLE;
  SetSkips(bind->buffer, pvskip, indskip, alskip, rcskip);
  return OCI_SUCCESS;
}

sword TModelServer::OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position,
                                   void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp,
                                   ub2* rcodep, ub4 mode) {
  std::lock_guard lock(mutex_);
  auto* stmt = Live<TStmtHandle>(stmtp, kHtypeStmt);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!stmt || !error || !defnp) return OCI_INVALID_HANDLE;
  if (position == 0) return Fail(error, OraError(1007, "variable not in select list"));
  if (mode != OCI_DEFAULT && mode != kModeDynamicFetch)
    return Fail(error, NoRule("define of position " + std::to_string(position) + " in mode " +
                              std::to_string(mode)));
  TDefineHandle* define = Attach(stmt, stmt->defines, &TDefineHandle::position, position,
                                 Spec(valuep, value_sz, dty, indp, rlenp, rcodep));
  define->dynamic = mode == kModeDynamicFetch;
  define->callback = nullptr;
  define->object = {};
  *defnp = reinterpret_cast<OCIDefine*>(static_cast<THandle*>(define));
  return OCI_SUCCESS;
}

sword TModelServer::OCIDefineArrayOfStruct(OCIDefine* defnp, OCIError* errhp, ub4 pvskip,
                                           ub4 indskip, ub4 rlskip, ub4 rcskip) {
  std::lock_guard lock(mutex_);
  auto* define = Live<TDefineHandle>(defnp, kHtypeDefine);
  if (!define || !Live<TErrorHandle>(errhp, kHtypeError)) return OCI_INVALID_HANDLE;
  SetSkips(define->buffer, pvskip, indskip, rlskip, rcskip);
  return OCI_SUCCESS;
}

sword TModelServer::OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                                ub4 pos) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (htype == kDtypeParam) {
    auto* list = Live<TParamHandle>(hndlp, kDtypeParam);
    if (!list || !error || !parmdpp) return OCI_INVALID_HANDLE;
    return AttributeParam(list, error, parmdpp, pos);
  }
  auto* stmt = Live<TStmtHandle>(hndlp, htype == kHtypeStmt ? kHtypeStmt : ~0u);
  if (!stmt || !error || !parmdpp) return OCI_INVALID_HANDLE;
  if (pos == 0 || pos > stmt->columns.size())
    return Fail(error, OraError(24334, "no descriptor for this position"));
  stmt->params.push_back(std::make_unique<TParamHandle>());
  stmt->params.back()->column = stmt->columns[pos - 1];
  Register(stmt->params.back().get());
  *parmdpp = static_cast<THandle*>(stmt->params.back().get());
  return OCI_SUCCESS;
}

// ------------------------------------------------------------------ execution

TOraError TModelServer::BindRow(TStmtHandle* stmt, sqlite3_stmt* query, const TTranslation& sql,
                                ub4 row) {
  sqlite3_reset(query);
  sqlite3_clear_bindings(query);
  for (const std::string& name : sql.placeholders) {
    const TBindHandle* bind = stmt->Bind(name);
    if (!bind) return OraError(1008, "not all variables bound");
    const int index = sqlite3_bind_parameter_index(query, (":" + name).c_str());
    if (index == 0) continue;
    const TBufferSpec& b = bind->buffer;
    TValue value;
    const sb2* ind = b.IndAt(row);
    if (bind->object.on) {
      if (TOraError e = ReferenceValue(*bind, row, value)) return e;
    } else if ((!ind || *ind != -1) && IsLobType(b.dty)) {
      // A locator bound as a value gives the value it reads.
      void* locator = nullptr;
      if (b.value) std::memcpy(&locator, b.ValueAt(row), sizeof locator);
      TLobHandle* lob = LiveLob(locator);
      if (!lob) return OraError(22275, "invalid LOB locator specified");
      if (lob->initialised && lob->lob_type == kSqltBfile) {
        value = TValue::Text(BfileValue(lob->directory, lob->file));
      } else if (lob->initialised) {
        std::string bytes;
        TConnection* connection = stmt->session ? stmt->session->connection.get() : nullptr;
        if (!connection) return OraError(3114, "not connected to ORACLE");
        if (TOraError e = ReadLob(lob, *connection, bytes)) return e;
        value = TValue::Blob(bytes);
      }
    } else if (!ind || *ind != -1) {
      if (!b.value) return OraError(1008, "not all variables bound");
      if (const sb4 code = ReadExternal(b.ValueAt(row), b.size, b.dty, b.LenAt(row), value))
        return ConversionError(code);
    }
    BindValue(query, index, value);
  }
  return {};
}

TOraError TModelServer::StartQuery(TStmtHandle* stmt, TConnection& connection,
                                   const TTranslation& sql, bool describe_only) {
  if (stmt->query) sqlite3_finalize(stmt->query);
  stmt->query = nullptr;
  stmt->has_row = false;
  stmt->columns.clear();
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(connection.Handle(), sql.sql.c_str(), -1, &query, nullptr) != SQLITE_OK) {
    TOraError error = connection.LastError(sql.sql);
    if (error.code == 3001) error = NoRule(stmt->text);
    error.offset = static_cast<ub2>(sql.OriginalOffset(error.offset));
    return error;
  }
  if (TOraError e = BindRow(stmt, query, sql, 0)) {
    if (!describe_only || e.code != 1008) {
      sqlite3_finalize(query);
      return e;
    }
  }
  bool has_row = false;
  if (!describe_only || sqlite3_stmt_readonly(query)) {
    const int rc = sqlite3_step(query);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      TOraError error = connection.LastError(sql.sql);
      sqlite3_finalize(query);
      return error;
    }
    has_row = rc == SQLITE_ROW;
  }
  for (int i = 0; i < sqlite3_column_count(query); ++i) {
    const char* table = sqlite3_column_table_name(query, i);
    const char* origin = sqlite3_column_origin_name(query, i);
    std::optional<TColumnType> type;
    if (table && origin) type = connection.ColumnType(table, origin);
    TColumnType column = type ? *type : ExpressionType(query, i, has_row);
    std::string name = sqlite3_column_name(query, i);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    if (column.name.empty()) column.name = UpperCase(name);
    stmt->columns.push_back(column);
  }
  for (const auto& [position, column] : stmt->object_columns)
    if (position < stmt->columns.size()) stmt->columns[position] = column;
  if (describe_only) {
    sqlite3_finalize(query);
    return {};
  }
  stmt->query = query;
  stmt->has_row = has_row;
  return {};
}

TOraError TModelServer::Fetch(TStmtHandle* stmt, ub4 nrows, ub4& fetched, bool& truncated) {
  fetched = 0;
  if (!stmt->query && !stmt->answered) return OraError(1002, "fetch out of sequence");
  for (const auto& define : stmt->defines)
    if (define->position > stmt->columns.size())
      return OraError(1007, "variable not in select list");
  for (ub4 row = 0; row < nrows && stmt->has_row; ++row) {
    for (const auto& define : stmt->defines) {
      const TBufferSpec& b = define->buffer;
      const int column = static_cast<int>(define->position - 1);
      const TValue value = !stmt->answered ? ColumnValue(stmt->query, column)
                           : std::size_t(column) < stmt->rule_rows[stmt->rule_next].size()
                               ? stmt->rule_rows[stmt->rule_next][column]
                               : TValue{};
      if (define->dynamic) {
        if (TOraError e = DeliverPieces(define.get(), row, value)) return e;
        continue;
      }
      if (define->object.on || !stmt->columns[define->position - 1].object_type.empty()) {
        if (TOraError e = FetchObject(stmt, *define, row, value)) return e;
        continue;
      }
      if (IsLobType(b.dty) || IsLobType(stmt->columns[define->position - 1].type)) {
        if (b.dty != stmt->columns[define->position - 1].type)
          return OraError(932, "inconsistent datatypes");
        void* locator = nullptr;
        if (b.value) std::memcpy(&locator, b.ValueAt(row), sizeof locator);
        TLobHandle* lob = LiveLob(locator);
        if (!lob || (lob->type == kDtypeFile) != (b.dty == kSqltBfile))
          return OraError(22275, "invalid LOB locator specified");
        if (TOraError e = SetFetchedLob(lob, b.dty, value)) return e;
        if (!value.IsNull()) LockedRowLob(stmt, column, lob);
        if (value.IsNull() && !b.ind) return OraError(1405, MessageOf(1405));
        if (b.ind) *b.IndAt(row) = value.IsNull() ? -1 : 0;
        if (b.len) *b.LenAt(row) = 0;
        if (b.rcode) *b.RcodeAt(row) = value.IsNull() ? 1405 : 0;
        continue;
      }
      if (b.dty == kSqltRset || stmt->columns[define->position - 1].type == kSqltRset) {
        if (b.dty != stmt->columns[define->position - 1].type)
          return OraError(932, "inconsistent datatypes");
        if (TOraError e = FetchCursor(stmt, b, row, value)) return e;
        continue;
      }
      if (value.IsNull()) {
        if (!b.ind) return OraError(1405, MessageOf(1405));
        *b.IndAt(row) = -1;
        if (b.len) *b.LenAt(row) = 0;
        if (b.rcode) *b.RcodeAt(row) = 1405;
        continue;
      }
      ub2 length = 0;
      std::size_t full = 0;
      const sb4 code = WriteExternal(value, stmt->columns[define->position - 1], b.ValueAt(row),
                                     b.size, b.dty, &length, &full);
      if (code == 1406) {
        if (!b.ind) return OraError(1406, MessageOf(1406));
        truncated = true;
        *b.IndAt(row) = full > 32767 ? -2 : static_cast<sb2>(full);
      } else if (code) {
        return ConversionError(code);
      } else if (b.ind) {
        *b.IndAt(row) = 0;
      }
      if (b.len) *b.LenAt(row) = length;
      if (b.rcode) *b.RcodeAt(row) = static_cast<ub2>(code);
    }
    stmt->fetched_row.clear();
    for (std::size_t i = 0; i < stmt->columns.size(); ++i)
      stmt->fetched_row.push_back(!stmt->answered ? ColumnValue(stmt->query, static_cast<int>(i))
                                  : i < stmt->rule_rows[stmt->rule_next].size()
                                      ? stmt->rule_rows[stmt->rule_next][i]
                                      : TValue{});
    ++fetched;
    if (stmt->row_count < stmt->selected_rowids.size())
      stmt->last_rowid = stmt->selected_rowids[stmt->row_count];
    ++stmt->row_count;
    if (stmt->answered) {
      stmt->has_row = ++stmt->rule_next < stmt->rule_rows.size();
      continue;
    }
    const int rc = sqlite3_step(stmt->query);
    stmt->has_row = rc == SQLITE_ROW;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      if (stmt->session && stmt->session->connection)
        return stmt->session->connection->LastError(stmt->text);
      return NoRule(stmt->text + " (" + sqlite3_errmsg(sqlite3_db_handle(stmt->query)) + ")");
    }
  }
  // The cursor ends once a fetch has come back short: a fetch that took
  // exactly the last rows leaves it open, so that the next one reports no
  // data rather than a fetch out of sequence.
  if (!stmt->has_row && fetched < nrows) {
    if (stmt->query) sqlite3_finalize(stmt->query);
    stmt->query = nullptr;
    stmt->answered = false;
    stmt->rule_rows.clear();
  }
  return {};
}

TOraError TModelServer::Answer(TStmtHandle* stmt, const TRuleAnswer& answer, ub4 iters, ub4 mode,
                               bool& fewer_rows) {
  if (answer.error) return answer.error;
  stmt->row_count = answer.rows_processed;
  for (const auto& [name, value] : answer.out_binds)
    if (TOraError e = WriteOutBind(stmt, name, value)) return e;
  for (const auto& [name, values] : answer.out_tables)
    if (TOraError e = WriteOutTable(stmt, name, values)) return e;
  for (const auto& [name, query] : answer.out_cursors)
    if (TOraError e = WriteOutCursor(stmt, name, query)) return e;
  if (answer.columns.empty()) return {};
  stmt->columns = answer.columns;
  if (stmt->query) sqlite3_finalize(stmt->query);
  stmt->query = nullptr;
  if (mode & kModeDescribeOnly) return {};
  stmt->answered = true;
  stmt->rule_rows = answer.rows;
  stmt->rule_next = 0;
  stmt->has_row = !answer.rows.empty();
  if (iters == 0) return {};
  ub4 fetched = 0;
  bool truncated = false;
  if (TOraError e = Fetch(stmt, iters, fetched, truncated)) return e;
  fewer_rows = fetched < iters;
  return {};
}

TOraError TModelServer::WriteOutBind(TStmtHandle* stmt, const std::string& name,
                                     const TValue& value) {
  const TBindHandle* bind = stmt->Bind(name);
  if (!bind) return OraError(1008, "not all variables bound");
  return WriteElement(bind->buffer, 0, value);
}

TOraError WriteElement(const TBufferSpec& b, ub4 row, const TValue& value) {
  if (value.IsNull()) {
    if (!b.ind) return OraError(1405, MessageOf(1405));
    *b.IndAt(row) = -1;
    if (b.len) *b.LenAt(row) = 0;
    return {};
  }
  ub2 length = 0;
  std::size_t full = 0;
  const sb4 code =
      WriteExternal(value, TColumnType{}, b.ValueAt(row), b.size, b.dty, &length, &full);
  if (code) return ConversionError(code);
  if (b.ind) *b.IndAt(row) = 0;
  if (b.len) *b.LenAt(row) = length;
  if (b.rcode) *b.RcodeAt(row) = 0;
  return {};
}

TOraError TModelServer::Evaluate(TStmtHandle* stmt, TConnection& connection,
                                 const std::string& oracle_sql, std::vector<TValue>& row,
                                 bool& found) {
  const TTranslation sql = TranslateSql(oracle_sql, Context(connection.User()));
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(connection.Handle(), sql.sql.c_str(), -1, &query, nullptr) != SQLITE_OK) {
    TOraError error = connection.LastError(sql.sql);
    return error.code == 3001 ? NoRule(stmt->text) : error;
  }
  TOraError error = BindRow(stmt, query, sql, 0);
  row.clear();
  found = false;
  if (!error) {
    const int rc = sqlite3_step(query);
    if (rc == SQLITE_ROW) {
      found = true;
      for (int i = 0; i < sqlite3_column_count(query); ++i) row.push_back(ColumnValue(query, i));
    } else if (rc != SQLITE_DONE) {
      error = connection.LastError(sql.sql);
    }
  }
  sqlite3_finalize(query);
  return error;
}

std::string TModelServer::BindText(const TBindHandle& bind, ub4 row) const {
  const TBufferSpec& b = bind.buffer;
  TValue value;
  const sb2* ind = b.IndAt(row);
  if ((!ind || *ind != -1) && b.value &&
      ReadExternal(b.ValueAt(row), b.size, b.dty, b.LenAt(row), value) == 0 && !value.IsNull())
    return value.AsText();
  return "<null>";
}

void TModelServer::Record(const TStmtHandle* stmt, ub4 iters, ub4 rowoff, ub4 mode) {
  TLogEntry entry{stmt->text, {}, iters, rowoff, mode};
  for (const auto& bind : stmt->binds) {
    // A PL/SQL table shows every element it holds.
    std::string text = bind->IsTable() ? "" : BindText(*bind, rowoff);
    for (ub4 i = 0; bind->IsTable() && i < bind->Elements(); ++i)
      text += (i ? "|" : "") + BindText(*bind, i);
    entry.binds.emplace_back(bind->name, text);
  }
  log_.push_back(std::move(entry));
}

void TModelServer::AddRule(TRule rule) {
  std::lock_guard lock(mutex_);
  rules_.push_back(std::move(rule));
}

std::vector<TLogEntry> TModelServer::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void TModelServer::RefuseHandles(ub4 type, int count) {
  std::lock_guard lock(mutex_);
  refusals_[type] = count;
}

bool TModelServer::Refused(ub4 type) {
  auto it = refusals_.find(type);
  if (it == refusals_.end() || it->second <= 0) return false;
  --it->second;
  return true;
}

std::size_t TModelServer::LiveCount(ub4 type) const {
  std::lock_guard lock(mutex_);
  // ROWID descriptors are images of their own, kept apart.
  if (type == kDtypeRowid) return rowid_descriptors_.size();
  return static_cast<std::size_t>(std::count_if(
      live_.begin(), live_.end(), [type](const THandle* handle) { return handle->type == type; }));
}

TOraError TModelServer::Run(TStmtHandle* stmt, TConnection& connection, ub4 iters, ub4 rowoff,
                            ub4 mode, bool& fewer_rows) {
  const TTranslation sql = TranslateSql(RewriteObjects(stmt), Context(connection.User()));
  stmt->function_code = sql.function_code;
  stmt->row_count = 0;
  const bool describe_only = mode & kModeDescribeOnly;
  connection.Refresh();
  TRuleAnswer builtin;
  TOraError builtin_error;
  if (Builtin(stmt, connection, builtin, builtin_error))
    return builtin_error ? builtin_error : Answer(stmt, builtin, iters, mode, fewer_rows);
  switch (sql.kind) {
    case TStatementKind::Query: {
      stmt->last_rowid = 0;
      stmt->selected_rowids.clear();
      stmt->selected_table.clear();
      if (sql.for_update && !describe_only) {
        if (TOraError e = connection.Begin()) return e;
        if (TOraError e = LockSelected(stmt, connection, sql)) return e;
      }
      if (TOraError e = StartQuery(stmt, connection, sql, describe_only)) return e;
      if (describe_only || iters == 0) return {};
      ub4 fetched = 0;
      bool truncated = false;
      if (TOraError e = Fetch(stmt, iters, fetched, truncated)) return e;
      fewer_rows = fetched < iters;
      return {};
    }
    case TStatementKind::Dml: {
      if (describe_only) return {};
      // Both generations run rows rowoff .. iters - 1 of the bound arrays:
      // iters is where the run ends, not how many rows it takes.
      if (iters <= rowoff) return OraError(24333, "zero iteration count");
      if (std::string table, bind; IsObjectInsert(stmt, table, bind)) {
        stmt->last_rowid = 0;
        TOraError error = InsertObjects(stmt, connection, table, bind, iters, rowoff);
        if (!error && (mode & kModeCommitOnSuccess)) error = connection.Commit();
        return error;
      }
      // The change is prepared on the transaction's copy.
      if (TOraError e = connection.Begin()) return e;
      sqlite3_stmt* query = nullptr;
      if (sqlite3_prepare_v2(connection.Handle(), sql.sql.c_str(), -1, &query, nullptr) !=
          SQLITE_OK) {
        TOraError error = connection.LastError(sql.sql);
        if (error.code == 3001) error = NoRule(stmt->text);
        error.offset = static_cast<ub2>(sql.OriginalOffset(error.offset));
        return error;
      }
      TOraError error;
      stmt->last_rowid = 0;
      const bool returns_rows = ReturnsRows(stmt, sql);
      for (ub4 row = rowoff; !error && row < iters; ++row) {
        TReturned returned;
        int changed = 0;
        for (;;) {
          returned = {};
          error = BindRow(stmt, query, sql, row);
          if (!error && returns_rows) error = BeforeChange(stmt, connection, sql, row, returned);
          if (!error) error = connection.Change(query, sql.sql, changed);
          // A row another session holds: as in Oracle, the change waits for
          // that session's transaction to end, then runs again on what it
          // left behind.
          if (error.code != 54 || !CanWait()) break;
          if ((error = WaitForHolders(connection, connection.Blocked()))) break;
        }
        stmt->row_count += static_cast<ub4>(changed);
        if (changed) stmt->last_rowid = connection.LastRow();
        if (error || sql.returning.empty()) continue;
        if (returns_rows)
          error = AfterChange(stmt, connection, sql, row, changed != 0, returned);
        else
          error = changed > 1
                      ? NoRule("returning of several rows: " + stmt->text)
                      : Returning(stmt, connection, sql, row, changed ? connection.LastRow() : 0);
      }
      sqlite3_finalize(query);
      if (!error && (mode & kModeCommitOnSuccess)) error = connection.Commit();
      return error;
    }
    case TStatementKind::Commit:
      return describe_only ? TOraError{} : connection.Commit();
    case TStatementKind::Rollback:
      return describe_only ? TOraError{} : connection.Rollback();
    case TStatementKind::Savepoint:
      return describe_only ? TOraError{} : connection.Savepoint(sql.name);
    case TStatementKind::RollbackTo:
      return describe_only ? TOraError{} : connection.RollbackTo(sql.name);
    case TStatementKind::CreateTable: {
      if (describe_only) return {};
      const std::vector<TToken> tokens = Tokenize(stmt->text);
      for (std::size_t i = 3; i < tokens.size() && i < 6; ++i)
        if (tokens[i].Is("OF")) return CreateObjectTable(connection, stmt->text);
      return CreateTable(connection, stmt->text);
    }
    case TStatementKind::DropTable:
      return describe_only ? TOraError{} : DropTable(connection, sql.name);
    case TStatementKind::CreateSequence: {
      if (describe_only) return {};
      std::int64_t start = 1, increment = 1;
      const std::vector<TToken> tokens = Tokenize(stmt->text);
      for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
        if (tokens[i].Is("START") && tokens[i + 1].Is("WITH"))
          start = std::stoll(tokens[i + 2].text);
        if (tokens[i].Is("INCREMENT") && tokens[i + 1].Is("BY"))
          increment = std::stoll(tokens[i + 2].text);
      }
      return database_->CreateSequence(sql.name, start, increment);
    }
    case TStatementKind::DropSequence:
      return describe_only ? TOraError{} : database_->DropSequence(sql.name);
    case TStatementKind::Plsql:
    case TStatementKind::Other:
      break;
  }
  TOraError synonym_error;
  if (!describe_only && CreateSynonym(connection, stmt->text, synonym_error)) return synonym_error;
  const std::vector<TToken> tokens = Tokenize(stmt->text);
  if (tokens.size() > 2 && tokens[0].Is("CREATE") &&
      (tokens[1].Is("TYPE") || (tokens[1].Is("OR") && tokens.size() > 3 && tokens[3].Is("TYPE"))))
    return describe_only ? TOraError{} : RunCreateType(connection, stmt->text);
  return NoRule(stmt->text);
}

TOraError TModelServer::RunWaiting(std::unique_lock<std::recursive_mutex>& lock, TStmtHandle* stmt,
                                   TConnection& connection, ub4 iters, ub4 rowoff, ub4 mode,
                                   bool& fewer_rows) {
  statement_lock_ = &lock;
  TOraError error = Run(stmt, connection, iters, rowoff, mode, fewer_rows);
  statement_lock_ = nullptr;
  return error;
}

sword TModelServer::OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                   ub4 rowoff, const OCISnapshot*, OCISnapshot*, ub4 mode) {
  std::unique_lock lock(mutex_);
  auto* svc = Live<TSvcCtxHandle>(svchp, kHtypeSvcCtx);
  auto* stmt = Live<TStmtHandle>(stmtp, kHtypeStmt);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!svc || !stmt || !error) return OCI_INVALID_HANDLE;
  if (!svc->session || !svc->session->connection)
    return Fail(error, OraError(3114, "not connected to ORACLE"));
  if (stmt->text.empty()) return Fail(error, OraError(24337, "statement handle not prepared"));
  stmt->session = svc->session;
  stmt->parse_error_offset = 0;
  stmt->answered = false;
  Record(stmt, iters, rowoff, mode);
  bool fewer_rows = false;
  TRuleAnswer answer;
  const bool ruled = std::any_of(rules_.begin(), rules_.end(), [&](const TRule& rule) {
    return rule.Answers(stmt->text, answer);
  });
  if (TOraError e = ruled ? Answer(stmt, answer, iters, mode, fewer_rows)
                          : RunWaiting(lock, stmt, *svc->session->connection, iters, rowoff, mode,
                                       fewer_rows)) {
    stmt->parse_error_offset = e.offset;
    return Fail(error, e);
  }
  if (fewer_rows) {
    Fail(error, OraError(1403, "no data found"));
    return OCI_NO_DATA;
  }
  return OCI_SUCCESS;
}

sword TModelServer::OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4) {
  std::lock_guard lock(mutex_);
  auto* stmt = Live<TStmtHandle>(stmtp, kHtypeStmt);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!stmt || !error) return OCI_INVALID_HANDLE;
  if (orientation != OCI_DEFAULT && orientation != kFetchNext)
    return Fail(error, NoRule("fetch orientation " + std::to_string(orientation)));
  if (!stmt->session || !stmt->session->connection || (!stmt->query && !stmt->answered))
    return Fail(error, OraError(1002, "fetch out of sequence"));
  ub4 fetched = 0;
  bool truncated = false;
  if (TOraError e = Fetch(stmt, nrows, fetched, truncated)) return Fail(error, e);
  if (fetched < nrows) {
    Fail(error, OraError(1403, "no data found"));
    return OCI_NO_DATA;
  }
  if (truncated) {
    Fail(error, OraError(1406, MessageOf(1406)));
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}

// ------------------------------------------------------------------ fixtures

TOraError TModelServer::LoadFixture(const std::string& user, const std::string& script) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> statements;
  std::string current;
  std::size_t start = 0;
  while (start <= script.size()) {
    std::size_t end = script.find('\n', start);
    if (end == std::string::npos) end = script.size();
    std::string line = script.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    const bool slash = line == "/";
    const bool semicolon = !slash && !line.empty() && line.back() == ';';
    if (semicolon) line.pop_back();
    if (!slash) current += line + "\n";
    if ((slash || semicolon) && current.find_first_not_of(" \t\n") != std::string::npos) {
      statements.push_back(current);
      current.clear();
    }
  }
  if (current.find_first_not_of(" \t\n") != std::string::npos) statements.push_back(current);
  TConnection connection(*database_, UpperCase(user));
  TStmtHandle stmt;
  for (const std::string& text : statements) {
    stmt.text = text;
    bool fewer_rows = false;
    if (TOraError e = Run(&stmt, connection, 1, 0, kModeCommitOnSuccess, fewer_rows)) {
      connection.Rollback();
      return e;
    }
    if (stmt.query) {
      sqlite3_finalize(stmt.query);
      stmt.query = nullptr;
    }
  }
  return connection.Commit();
}

}  // namespace Standin

// A logon data area derived from a service context shares the context's
// session; converting it back forgets the area and its cursors.
namespace Standin {

sword TModelServer::OCISvcCtxToLda(OCISvcCtx* svchp, OCIError* errhp, Lda_Def* ldap) {
  std::lock_guard lock(mutex_);
  auto* svc = Live<TSvcCtxHandle>(svchp, kHtypeSvcCtx);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!svc || !error || !ldap) return OCI_INVALID_HANDLE;
  if (!svc->session || !svc->session->connection)
    return Fail(error, OraError(3114, "not connected to ORACLE"));
  std::memset(ldap, 0, sizeof *ldap);
  TLogon& entry = logons_[ldap];
  entry.owned.reset();
  entry.session = svc->session;
  entry.autocommit = false;
  return OCI_SUCCESS;
}

sword TModelServer::OCILdaToSvcCtx(OCISvcCtx** svchpp, OCIError* errhp, Lda_Def* ldap) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!error || !svchpp) return OCI_INVALID_HANDLE;
  const auto found = logons_.find(ldap);
  if (found == logons_.end() || found->second.owned)
    return Fail(error, OraError(1012, "not logged on"));
  for (auto cursor = cursors_.begin(); cursor != cursors_.end();)
    cursor = cursor->second.lda == ldap ? cursors_.erase(cursor) : std::next(cursor);
  logons_.erase(found);
  return OCI_SUCCESS;
}

}  // namespace Standin
