// oracle/standin/StandinDatabase.h
//
// The data behind a stand-in server: one SQLite database in a temporary
// folder of its own, in WAL mode, so that every session can hold a
// connection of its own, its own transaction, and read only what others
// have committed. Beside the tables it keeps the typed catalogue that
// SQLite lacks (each column's Oracle type, size, precision, scale and
// nullability, for describes and the dictionary views), the users with
// their passwords, and the sequences, which Oracle does not roll back.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "oracle/standin/StandinValue.h"

struct sqlite3;
struct sqlite3_stmt;

namespace Standin {

// An Oracle error: number, message text and, for a parse error, the offset
// in the statement.
struct TOraError {
  sb4 code = 0;
  std::string text;
  ub2 offset = 0;
  explicit operator bool() const { return code != 0; }
};
TOraError OraError(sb4 code, const std::string& message);
// The loud answer to anything the model does not understand.
TOraError NoRule(const std::string& what);

class TDatabase;

// One session's connection and transaction.
class TConnection {
 public:
  TConnection(TDatabase& database, std::string user);
  ~TConnection();
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  sqlite3* Handle() const { return db_; }
  const std::string& User() const { return user_; }
  TDatabase& Database() const { return database_; }
  // Runs `sql` (no rows) on this connection.
  TOraError Exec(const std::string& sql);
  // Opens the transaction the next change belongs to.
  TOraError Begin();
  TOraError Commit();
  TOraError Rollback();
  bool InTransaction() const;
  // The Oracle error for SQLite's last failure on this connection; `sql`
  // is the text that failed.
  TOraError LastError(const std::string& sql) const;
  // The catalogue's type of a table's column, if the table is known.
  std::optional<TColumnType> ColumnType(const std::string& table, const std::string& column);

  std::map<std::string, std::int64_t> currval;  // per session, as in Oracle

 private:
  std::string UniqueConstraintName(const std::string& columns) const;

  TDatabase& database_;
  std::string user_;
  sqlite3* db_ = nullptr;
};

class TDatabase {
 public:
  TDatabase();
  ~TDatabase();
  TDatabase(const TDatabase&) = delete;
  TDatabase& operator=(const TDatabase&) = delete;

  const std::string& Folder() const { return folder_; }
  const std::string& Path() const { return path_; }

  enum class TLogon { Granted, Denied, Expiring };
  void AddUser(const std::string& user, const std::string& password, bool expiring);
  TLogon Logon(const std::string& user, const std::string& password) const;
  bool IsSchema(const std::string& upper_name) const;

  std::unique_ptr<TConnection> Connect(const std::string& user);

  TOraError CreateSequence(const std::string& name, std::int64_t start, std::int64_t increment);
  TOraError DropSequence(const std::string& name);
  TOraError NextVal(const std::string& name, std::int64_t& value);

  // The time SYSDATE reads, "YYYY-MM-DD HH:MM:SS"; empty: the real time.
  void SetClock(const std::string& now);
  std::string Now() const;

 private:
  struct TSequence {
    std::int64_t next, increment;
  };
  mutable std::mutex mutex_;
  std::string folder_, path_;
  std::map<std::string, std::pair<std::string, bool>> users_;  // upper name: password, expiring
  std::map<std::string, TSequence> sequences_;
  std::string clock_;
};

// DDL through the catalogue: CREATE TABLE in Oracle's syntax becomes the
// SQLite table, its catalogue rows and its constraints; DROP TABLE removes
// them. Both commit, as DDL does in Oracle.
TOraError CreateTable(TConnection& connection, const std::string& text);
TOraError DropTable(TConnection& connection, const std::string& table);

}  // namespace Standin
