// oracle/standin/StandinDatabase.cpp
#include "oracle/standin/StandinDatabase.h"
#include "oracle/standin/StandinSql.h"

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace Standin {
namespace {

// The catalogue's own tables, and the dictionary views over them that the
// library queries, with and without the sys. prefix (the translation drops
// owners).
const char* const kCatalogueSql = R"(
PRAGMA journal_mode=WAL;
PRAGMA synchronous=OFF;
CREATE TABLE STANDIN_TABLES(OWNER TEXT, TABLE_NAME TEXT, PRIMARY KEY(OWNER, TABLE_NAME));
CREATE TABLE STANDIN_COLUMNS(OWNER TEXT, TABLE_NAME TEXT, COLUMN_NAME TEXT, COLUMN_ID INTEGER,
  DATA_TYPE TEXT, TYPE_CODE INTEGER, DATA_LENGTH INTEGER, DATA_PRECISION INTEGER,
  DATA_SCALE INTEGER, NULLABLE TEXT, DATA_DEFAULT TEXT);
CREATE TABLE STANDIN_CONSTRAINTS(OWNER TEXT, CONSTRAINT_NAME TEXT, CONSTRAINT_TYPE TEXT,
  TABLE_NAME TEXT, SEARCH_CONDITION TEXT, R_OWNER TEXT, R_CONSTRAINT_NAME TEXT, STATUS TEXT);
CREATE TABLE STANDIN_CONS_COLUMNS(OWNER TEXT, CONSTRAINT_NAME TEXT, TABLE_NAME TEXT,
  COLUMN_NAME TEXT, POSITION INTEGER);
CREATE TABLE STANDIN_SYNONYMS(OWNER TEXT, SYNONYM_NAME TEXT, TABLE_OWNER TEXT, TABLE_NAME TEXT,
  DB_LINK TEXT);
CREATE TABLE DUAL(DUMMY TEXT);
INSERT INTO DUAL VALUES('X');
CREATE VIEW ALL_TABLES AS SELECT OWNER, TABLE_NAME FROM STANDIN_TABLES;
CREATE VIEW USER_TABLES AS SELECT TABLE_NAME FROM STANDIN_TABLES WHERE OWNER = STANDIN_USER();
CREATE VIEW ALL_TAB_COLUMNS AS SELECT OWNER, TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH,
  DATA_PRECISION, DATA_SCALE, NULLABLE, COLUMN_ID, DATA_DEFAULT FROM STANDIN_COLUMNS;
CREATE VIEW USER_TAB_COLUMNS AS SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH,
  DATA_PRECISION, DATA_SCALE, NULLABLE, COLUMN_ID, DATA_DEFAULT FROM STANDIN_COLUMNS
  WHERE OWNER = STANDIN_USER();
CREATE VIEW ALL_CONSTRAINTS AS SELECT * FROM STANDIN_CONSTRAINTS;
CREATE VIEW USER_CONSTRAINTS AS SELECT * FROM STANDIN_CONSTRAINTS WHERE OWNER = STANDIN_USER();
CREATE VIEW ALL_CONS_COLUMNS AS SELECT * FROM STANDIN_CONS_COLUMNS;
CREATE VIEW ALL_SYNONYMS AS SELECT * FROM STANDIN_SYNONYMS;
)";

struct TCatalogueColumn {
  const char* table;
  const char* column;
  ub2 type;
  ub2 size;
};

// How the dictionary's own columns describe: names as VARCHAR2(30), the
// default as a LONG, numbers as NUMBER.
constexpr TCatalogueColumn kCatalogueTypes[] = {
    {"DUAL", "DUMMY", kSqltChr, 1},
    {"STANDIN_TABLES", "OWNER", kSqltChr, 30},
    {"STANDIN_TABLES", "TABLE_NAME", kSqltChr, 30},
    {"STANDIN_COLUMNS", "OWNER", kSqltChr, 30},
    {"STANDIN_COLUMNS", "TABLE_NAME", kSqltChr, 30},
    {"STANDIN_COLUMNS", "COLUMN_NAME", kSqltChr, 30},
    {"STANDIN_COLUMNS", "COLUMN_ID", kSqltNum, 22},
    {"STANDIN_COLUMNS", "DATA_TYPE", kSqltChr, 106},
    {"STANDIN_COLUMNS", "DATA_LENGTH", kSqltNum, 22},
    {"STANDIN_COLUMNS", "DATA_PRECISION", kSqltNum, 22},
    {"STANDIN_COLUMNS", "DATA_SCALE", kSqltNum, 22},
    {"STANDIN_COLUMNS", "NULLABLE", kSqltChr, 1},
    {"STANDIN_COLUMNS", "DATA_DEFAULT", kSqltLng, 0},
    {"STANDIN_CONSTRAINTS", "OWNER", kSqltChr, 30},
    {"STANDIN_CONSTRAINTS", "CONSTRAINT_NAME", kSqltChr, 30},
    {"STANDIN_CONSTRAINTS", "CONSTRAINT_TYPE", kSqltChr, 1},
    {"STANDIN_CONSTRAINTS", "TABLE_NAME", kSqltChr, 30},
    {"STANDIN_CONSTRAINTS", "SEARCH_CONDITION", kSqltLng, 0},
    {"STANDIN_CONSTRAINTS", "R_OWNER", kSqltChr, 30},
    {"STANDIN_CONSTRAINTS", "R_CONSTRAINT_NAME", kSqltChr, 30},
    {"STANDIN_CONSTRAINTS", "STATUS", kSqltChr, 8},
    {"STANDIN_CONS_COLUMNS", "OWNER", kSqltChr, 30},
    {"STANDIN_CONS_COLUMNS", "CONSTRAINT_NAME", kSqltChr, 30},
    {"STANDIN_CONS_COLUMNS", "TABLE_NAME", kSqltChr, 30},
    {"STANDIN_CONS_COLUMNS", "COLUMN_NAME", kSqltChr, 4000},
    {"STANDIN_CONS_COLUMNS", "POSITION", kSqltNum, 22},
    {"STANDIN_SYNONYMS", "OWNER", kSqltChr, 30},
    {"STANDIN_SYNONYMS", "SYNONYM_NAME", kSqltChr, 30},
    {"STANDIN_SYNONYMS", "TABLE_OWNER", kSqltChr, 30},
    {"STANDIN_SYNONYMS", "TABLE_NAME", kSqltChr, 30},
    {"STANDIN_SYNONYMS", "DB_LINK", kSqltChr, 128},
};

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

void ResultText(sqlite3_context* context, const std::string& text) {
  sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string ArgumentText(sqlite3_value* value) {
  const auto* text = sqlite3_value_text(value);
  return text ? reinterpret_cast<const char*>(text) : "";
}

void SqlUser(sqlite3_context* context, int, sqlite3_value**) {
  ResultText(context, static_cast<TConnection*>(sqlite3_user_data(context))->User());
}

void SqlSysdate(sqlite3_context* context, int, sqlite3_value**) {
  ResultText(context, static_cast<TConnection*>(sqlite3_user_data(context))->Database().Now());
}

void SqlNextval(sqlite3_context* context, int, sqlite3_value** arguments) {
  auto* connection = static_cast<TConnection*>(sqlite3_user_data(context));
  const std::string name = ArgumentText(arguments[0]);
  std::int64_t value = 0;
  if (const TOraError error = connection->Database().NextVal(name, value)) {
    sqlite3_result_error(context, error.text.c_str(), -1);
    return;
  }
  connection->currval[name] = value;
  sqlite3_result_int64(context, value);
}

void SqlCurrval(sqlite3_context* context, int, sqlite3_value** arguments) {
  auto* connection = static_cast<TConnection*>(sqlite3_user_data(context));
  const std::string name = ArgumentText(arguments[0]);
  const auto found = connection->currval.find(name);
  if (found == connection->currval.end()) {
    const std::string text =
        "ORA-08002: sequence " + name + ".CURRVAL is not yet defined in this session";
    sqlite3_result_error(context, text.c_str(), -1);
    return;
  }
  sqlite3_result_int64(context, found->second);
}

void SqlNvl(sqlite3_context* context, int, sqlite3_value** arguments) {
  sqlite3_result_value(
      context, sqlite3_value_type(arguments[0]) == SQLITE_NULL ? arguments[1] : arguments[0]);
}

// empty_clob() and empty_blob(): a LOB of no bytes, which unlike '' is
// not NULL; bfilename(): the reference a BFILE column holds.
void SqlEmptyLob(sqlite3_context* context, int, sqlite3_value**) {
  sqlite3_result_zeroblob(context, 0);
}

void SqlBfilename(sqlite3_context* context, int, sqlite3_value** arguments) {
  if (sqlite3_value_type(arguments[0]) == SQLITE_NULL ||
      sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  ResultText(context, BfileValue(ArgumentText(arguments[0]), ArgumentText(arguments[1])));
}

}  // namespace

std::string BfileValue(const std::string& directory, const std::string& file) {
  return kBfileMark + directory + kBfileMark + file;
}

bool SplitBfileValue(const std::string& value, std::string& directory, std::string& file) {
  if (value.rfind(kBfileMark, 0) != 0) return false;
  const std::size_t second = value.find(kBfileMark, 1);
  if (second == std::string::npos) return false;
  directory = value.substr(1, second - 1);
  file = value.substr(second + 1);
  return true;
}

void TDatabase::AddDirectory(const std::string& alias, const std::string& folder) {
  std::lock_guard lock(mutex_);
  directories_[alias] = folder;
}

std::optional<std::string> TDatabase::DirectoryFolder(const std::string& alias) const {
  std::lock_guard lock(mutex_);
  const auto found = directories_.find(alias);
  if (found == directories_.end()) return std::nullopt;
  return found->second;
}

TOraError OraError(sb4 code, const std::string& message) {
  char number[16];
  std::snprintf(number, sizeof number, "ORA-%05d: ", code);
  return {code, number + message, 0};
}

TOraError NoRule(const std::string& what) {
  return OraError(3001, "no rule for: " + what);
}

// ---------------------------------------------------------------- connection

TConnection::TConnection(TDatabase& database, std::string user)
    : database_(database), user_(std::move(user)) {
  sqlite3_open_v2(database_.Path().c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX,
                  nullptr);
  // A commit's merge is the only writer and runs alone: nobody waits.
  sqlite3_busy_timeout(db_, 0);
  Configure(db_);
}

TConnection::~TConnection() {
  Rollback();
  sqlite3_close_v2(db_);
}

void TConnection::Configure(sqlite3* db) {
  // The database lives as long as the test: durability would only cost time.
  sqlite3_exec(db, "PRAGMA synchronous=OFF; PRAGMA case_sensitive_like=ON; PRAGMA foreign_keys=ON",
               nullptr, nullptr, nullptr);
  const int flags = SQLITE_UTF8;
  sqlite3_create_function(db, "STANDIN_USER", 0, flags, this, SqlUser, nullptr, nullptr);
  sqlite3_create_function(db, "STANDIN_SYSDATE", 0, flags, this, SqlSysdate, nullptr, nullptr);
  sqlite3_create_function(db, "STANDIN_NEXTVAL", 1, flags, this, SqlNextval, nullptr, nullptr);
  sqlite3_create_function(db, "STANDIN_CURRVAL", 1, flags, this, SqlCurrval, nullptr, nullptr);
  sqlite3_create_function(db, "NVL", 2, flags | SQLITE_DETERMINISTIC, this, SqlNvl, nullptr,
                          nullptr);
  sqlite3_create_function(db, "EMPTY_CLOB", 0, flags, nullptr, SqlEmptyLob, nullptr, nullptr);
  sqlite3_create_function(db, "EMPTY_BLOB", 0, flags, nullptr, SqlEmptyLob, nullptr, nullptr);
  sqlite3_create_function(db, "BFILENAME", 2, flags, nullptr, SqlBfilename, nullptr, nullptr);
  RegisterArithmetic(db);
}

TOraError TConnection::Exec(const std::string& sql) {
  if (sqlite3_exec(Handle(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
    return LastError(sql);
  return {};
}

TOraError TConnection::LastError(const std::string& sql) const {
  return ErrorOf(Handle(), sql);
}

TOraError TConnection::ErrorOf(sqlite3* db, const std::string& sql) const {
  const std::string message = sqlite3_errmsg(db);
  const int code = sqlite3_extended_errcode(db);
  if (message.rfind("ORA-", 0) == 0) return {std::atoi(message.c_str() + 4), message, 0};
  const auto after = [&](const char* prefix) { return message.substr(std::strlen(prefix)); };
  if (message.rfind("no such table: ", 0) == 0)
    return OraError(942, "table or view does not exist");
  if (message.rfind("no such column: ", 0) == 0)
    return OraError(904, "\"" + after("no such column: ") + "\": invalid identifier");
  if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY)
    return OraError(1, "unique constraint (" + user_ + "." +
                           UniqueConstraintName(message.substr(message.find(": ") + 2)) +
                           ") violated");
  if (code == SQLITE_CONSTRAINT_NOTNULL) {
    std::string column = after("NOT NULL constraint failed: ");
    const std::size_t dot = column.find('.');
    return OraError(1400, "cannot insert NULL into (\"" + user_ + "\".\"" + column.substr(0, dot) +
                              "\".\"" + column.substr(dot + 1) + "\")");
  }
  if (code == SQLITE_CONSTRAINT_CHECK)
    return OraError(2290, "check constraint (" + user_ + "." + after("CHECK constraint failed: ") +
                              ") violated");
  if (code == SQLITE_CONSTRAINT_FOREIGNKEY)
    return OraError(2291, "integrity constraint violated - parent key not found");
  if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
    return OraError(54, "resource busy and acquire with NOWAIT specified");
  if (message.rfind("no such savepoint", 0) == 0)
    return OraError(1086, "savepoint never established in this session or is invalid");
  if (message.find("syntax error") != std::string::npos ||
      message.rfind("incomplete input", 0) == 0) {
    TOraError error = OraError(933, "SQL command not properly ended");
    const int offset = sqlite3_error_offset(db);
    error.offset = static_cast<ub2>(offset >= 0 ? offset : sql.size());
    return error;
  }
  return NoRule(sql + " (" + message + ")");
}

std::string TConnection::UniqueConstraintName(const std::string& columns) const {
  // SQLite names the columns, "T.A, T.B"; Oracle names the constraint.
  std::string table, list;
  for (std::size_t start = 0; start < columns.size();) {
    std::size_t end = columns.find(", ", start);
    if (end == std::string::npos) end = columns.size();
    const std::string item = columns.substr(start, end - start);
    const std::size_t dot = item.find('.');
    table = item.substr(0, dot);
    list += (list.empty() ? "" : ",") + item.substr(dot + 1);
    start = end + 2;
  }
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(Handle(),
                     "SELECT C.CONSTRAINT_NAME FROM STANDIN_CONSTRAINTS C JOIN "
                     "STANDIN_CONS_COLUMNS K ON K.CONSTRAINT_NAME = C.CONSTRAINT_NAME "
                     "WHERE C.TABLE_NAME = ?1 AND C.CONSTRAINT_TYPE IN ('P', 'U') "
                     "GROUP BY C.CONSTRAINT_NAME HAVING group_concat(K.COLUMN_NAME, ',') = ?2",
                     -1, &statement, nullptr);
  sqlite3_bind_text(statement, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 2, list.c_str(), -1, SQLITE_TRANSIENT);
  std::string name = table + "." + list;
  if (sqlite3_step(statement) == SQLITE_ROW) name = ColumnText(statement, 0);
  sqlite3_finalize(statement);
  return name;
}

std::optional<TColumnType> TConnection::ColumnType(const std::string& table,
                                                   const std::string& column) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(
      Handle(),
      "SELECT TYPE_CODE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE "
      "FROM STANDIN_COLUMNS WHERE TABLE_NAME = UPPER(?1) AND COLUMN_NAME = UPPER(?2)",
      -1, &statement, nullptr);
  sqlite3_bind_text(statement, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 2, column.c_str(), -1, SQLITE_TRANSIENT);
  std::optional<TColumnType> result;
  if (sqlite3_step(statement) == SQLITE_ROW) {
    TColumnType type;
    type.type = static_cast<ub2>(sqlite3_column_int(statement, 0));
    type.size = static_cast<ub2>(sqlite3_column_int(statement, 1));
    type.precision = static_cast<ub1>(sqlite3_column_int(statement, 2));
    type.scale = static_cast<sb1>(sqlite3_column_int(statement, 3));
    type.nullable = ColumnText(statement, 4) != "N";
    result = type;
  }
  sqlite3_finalize(statement);
  return result;
}

// ------------------------------------------------------------------ database

TDatabase::TDatabase() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/standin-XXXXXX";
  if (mkdtemp(pattern.data())) folder_ = pattern;
  path_ = folder_ + "/model.db";
  sqlite3* db = nullptr;
  sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  // The views name a function each connection defines; here it only needs to exist.
  sqlite3_create_function(
      db, "STANDIN_USER", 0, SQLITE_UTF8, nullptr,
      [](sqlite3_context* c, int, sqlite3_value**) { sqlite3_result_null(c); }, nullptr, nullptr);
  sqlite3_exec(db, kCatalogueSql, nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO STANDIN_COLUMNS(OWNER, TABLE_NAME, COLUMN_NAME, TYPE_CODE, "
                     "DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE) "
                     "VALUES('SYS', ?1, ?2, ?3, ?4, 0, 0, 'Y')",
                     -1, &insert, nullptr);
  for (const TCatalogueColumn& c : kCatalogueTypes) {
    sqlite3_bind_text(insert, 1, c.table, -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 2, c.column, -1, SQLITE_STATIC);
    sqlite3_bind_int(insert, 3, c.type);
    sqlite3_bind_int(insert, 4, c.size);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_close_v2(db);
}

TDatabase::~TDatabase() {
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

void TDatabase::AddUser(const std::string& user, const std::string& password, bool expiring) {
  std::lock_guard lock(mutex_);
  users_[UpperCase(user)] = {password, expiring};
}

TDatabase::TLogon TDatabase::Logon(const std::string& user, const std::string& password) const {
  std::lock_guard lock(mutex_);
  const auto found = users_.find(UpperCase(user));
  // Oracle compares passwords without regard to case.
  if (found == users_.end() || strcasecmp(found->second.first.c_str(), password.c_str()) != 0)
    return TLogon::Denied;
  return found->second.second ? TLogon::Expiring : TLogon::Granted;
}

bool TDatabase::IsSchema(const std::string& upper_name) const {
  std::lock_guard lock(mutex_);
  return upper_name == "SYS" || upper_name == "PUBLIC" || users_.count(upper_name) > 0;
}

std::unique_ptr<TConnection> TDatabase::Connect(const std::string& user) {
  return std::make_unique<TConnection>(*this, user);
}

TOraError TDatabase::CreateSequence(const std::string& name, std::int64_t start,
                                    std::int64_t increment) {
  std::lock_guard lock(mutex_);
  if (sequences_.count(name)) return OraError(955, "name is already used by an existing object");
  sequences_[name] = {start, increment};
  return {};
}

TOraError TDatabase::DropSequence(const std::string& name) {
  std::lock_guard lock(mutex_);
  if (!sequences_.erase(name)) return OraError(2289, "sequence does not exist");
  return {};
}

TOraError TDatabase::NextVal(const std::string& name, std::int64_t& value) {
  std::lock_guard lock(mutex_);
  const auto found = sequences_.find(name);
  if (found == sequences_.end()) return OraError(2289, "sequence does not exist");
  value = found->second.next;
  found->second.next += found->second.increment;
  return {};
}

void TDatabase::SetClock(const std::string& now) {
  std::lock_guard lock(mutex_);
  clock_ = now;
}

std::string TDatabase::Now() const {
  std::lock_guard lock(mutex_);
  if (!clock_.empty()) return clock_;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[24];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace Standin
