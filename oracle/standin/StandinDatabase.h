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

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
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

// A row as the model locks it: the table's name and the row's rowid.
using TRowKey = std::pair<std::string, std::int64_t>;

// One session's connection and transaction. SQLite lets one writer at a
// time change a database, where Oracle lets every session change rows
// others have not locked; so a transaction works on a private copy of the
// database (StandinTransaction.cpp), taken when it begins and brought up
// to date with what others commit before each statement, and its changed
// rows go back into the shared database when it commits. The rows it
// changes or selects for update stay locked for it until then.
class TConnection {
 public:
  TConnection(TDatabase& database, std::string user);
  ~TConnection();
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  // The transaction's copy while one is open, else the shared database.
  sqlite3* Handle() const { return private_ ? private_ : db_; }
  const std::string& User() const { return user_; }
  TDatabase& Database() const { return database_; }
  // Runs `sql` (no rows) on this connection.
  TOraError Exec(const std::string& sql);
  // Opens the transaction the next change belongs to.
  TOraError Begin();
  // A transaction of DDL, straight on the shared database.
  TOraError BeginDdl();
  TOraError Commit();
  TOraError Rollback();
  bool InTransaction() const;
  // Before each statement of a transaction: rows others committed since
  // reach the copy.
  void Refresh();
  // Steps a change on the copy and locks the rows it touched; a row locked
  // by another session undoes the change with ORA-00054. `changed` receives
  // the rows the statement changed.
  TOraError Change(sqlite3_stmt* statement, const std::string& sql, int& changed);
  // Locks rows selected for update; ORA-00054 and none locked when another
  // session holds one.
  TOraError Lock(const std::vector<TRowKey>& rows);
  // Whether this transaction holds the row's lock.
  bool Holds(const TRowKey& row) const;
  // The rows the last lock that met another session's rows asked for: what
  // a statement that waits for their holders waits for.
  const std::vector<TRowKey>& Blocked() const { return blocked_; }
  // A savepoint of the transaction, and the rollback to one: the rows
  // locked since it was set are free again, as in Oracle.
  TOraError Savepoint(const std::string& name);
  TOraError RollbackTo(const std::string& name);
  // The rowid of the row the last change touched last.
  std::int64_t LastRow() const { return last_row_; }
  // The Oracle error for SQLite's last failure on this connection; `sql`
  // is the text that failed.
  TOraError LastError(const std::string& sql) const;
  // The catalogue's type of a table's column, if the table is known.
  std::optional<TColumnType> ColumnType(const std::string& table, const std::string& column);

  std::map<std::string, std::int64_t> currval;  // per session, as in Oracle

 private:
  std::string UniqueConstraintName(const std::string& columns) const;
  TOraError ErrorOf(sqlite3* db, const std::string& sql) const;
  void Configure(sqlite3* db);
  void Discard();
  TOraError LockChanges();
  void RefreshSchema();
  TOraError Merge();

  TDatabase& database_;
  std::string user_;
  sqlite3* db_ = nullptr;
  sqlite3* private_ = nullptr;
  // The last commit of others the copy holds.
  std::uint64_t seen_ = 0;
  // The shared database's schema version the copy holds.
  int schema_seen_ = 0;
  // Off while the model itself writes the copy: such writes are no changes
  // of the session's.
  bool recording_ = true;
  // The rows this transaction locked, in the order it locked them, and how
  // many it held when each savepoint was set.
  std::vector<TRowKey> held_;
  // The same rows for look-ups: a transaction that inserts many rows locks
  // each once, and a search of the list per row made that quadratic.
  std::set<TRowKey> held_index_;
  std::map<std::string, std::size_t> savepoints_;
  std::vector<TRowKey> blocked_;
  std::int64_t last_row_ = 0;
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

  // Row locks, all or none; false when another owner holds one of `rows`.
  bool Lock(const void* owner, const std::vector<TRowKey>& rows);
  void Unlock(const void* owner);
  void Unlock(const void* owner, const std::vector<TRowKey>& rows);
  // Waits until no other owner holds any of `rows` (their transactions
  // ended), without taking them: the caller locks them afresh. A wait that
  // would close a cycle of owners waiting for each other is refused with
  // ORA-00060 at once, as the server refuses the statement that would
  // deadlock. The caller must hold no lock another owner needs to end its
  // transaction.
  TOraError WaitForRows(const void* owner, const std::vector<TRowKey>& rows);
  // Returns once at least `count` owners wait for rows: lets a test know
  // that a statement on another thread has reached its wait.
  void AwaitWaiters(std::size_t count);
  // A rowid for a row a transaction inserted as `proposed`: unique among
  // all sessions' copies, so that their rows never meet at commit.
  std::int64_t AllocateRowid(const std::string& table, std::int64_t proposed);
  // The commit log: each commit's changed rows, numbered.
  std::uint64_t LastCommit() const;
  std::uint64_t Committed(std::vector<TRowKey> rows);
  std::vector<TRowKey> CommittedSince(std::uint64_t seen) const;

  // BFILE directories: an alias (as the server holds it, upper case) and
  // the folder it stands for.
  void AddDirectory(const std::string& alias, const std::string& folder);
  std::optional<std::string> DirectoryFolder(const std::string& alias) const;

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
  std::map<std::string, std::string> directories_;
  std::map<TRowKey, const void*> locks_;
  // Owners waiting for rows, and the owner each waits for; woken at every
  // unlock.
  std::map<const void*, const void*> waits_;
  std::condition_variable released_;
  std::map<std::string, std::int64_t> rowids_;
  std::vector<std::pair<std::uint64_t, TRowKey>> commits_;
  std::uint64_t commit_count_ = 0;
};

// A BFILE column holds its directory alias and file name, marked so that
// no text a test stores reads as one.
constexpr const char* kBfileMark = "\x1f";
std::string BfileValue(const std::string& directory, const std::string& file);
bool SplitBfileValue(const std::string& value, std::string& directory, std::string& file);

// DDL through the catalogue: CREATE TABLE in Oracle's syntax becomes the
// SQLite table, its catalogue rows and its constraints; DROP TABLE removes
// them. Both commit, as DDL does in Oracle.
TOraError CreateTable(TConnection& connection, const std::string& text);
TOraError DropTable(TConnection& connection, const std::string& table);
// CREATE [PUBLIC] SYNONYM name FOR [owner.]table: a catalogue row, for the
// dictionary's name resolution; false when the text is no such statement.
bool CreateSynonym(TConnection& connection, const std::string& text, TOraError& error);

}  // namespace Standin
