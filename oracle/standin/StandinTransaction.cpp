// oracle/standin/StandinTransaction.cpp
//
// Transactions with row locks over SQLite, which lets one writer at a time
// change a database. A transaction changes a private in-memory copy of the
// database; temporary triggers on the copy note each changed row, and the
// model locks those rows for the session at once. At commit the noted rows
// are written into the shared database in one short write, and the commit
// log tells every other open copy which rows to bring up to date before
// its next statement. Two sessions can so hold uncommitted changes of
// different rows at once, and a row locked by one is refused to the other.
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>

#include "oracle/standin/StandinDatabase.h"
#include "oracle/standin/StandinSql.h"

namespace Standin {
namespace {

constexpr const char* kChangesTable = "STANDIN_CHANGES";

std::string Name(const std::string& table) {
  return "\"" + table + "\"";
}

void SqlRecording(sqlite3_context* context, int, sqlite3_value**) {
  sqlite3_result_int(context, *static_cast<bool*>(sqlite3_user_data(context)) ? 1 : 0);
}

// A prepared statement that finalizes itself.
class TQuery {
 public:
  TQuery(sqlite3* db, const std::string& sql) {
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr);
  }
  ~TQuery() { sqlite3_finalize(statement_); }
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;
  sqlite3_stmt* operator*() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }
  bool Row() { return statement_ && sqlite3_step(statement_) == SQLITE_ROW; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

std::vector<std::string> ColumnsOf(sqlite3* db, const std::string& table) {
  std::vector<std::string> columns;
  TQuery info(db, "PRAGMA main.table_info(" + Name(table) + ")");
  while (info.Row())
    columns.push_back(reinterpret_cast<const char*>(sqlite3_column_text(*info, 1)));
  return columns;
}

std::vector<std::string> UserTables(sqlite3* db) {
  std::vector<std::string> tables;
  TQuery list(db,
              "SELECT name FROM main.sqlite_master WHERE type = 'table' AND "
              "name NOT LIKE 'STANDIN\\_%' ESCAPE '\\' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
  while (list.Row()) tables.push_back(reinterpret_cast<const char*>(sqlite3_column_text(*list, 0)));
  return tables;
}

// The triggers of a copy that note each row its session changes in `table`.
std::string RecordingTriggers(const std::string& table) {
  const std::string on = " ON main." + Name(table) +
                         " WHEN STANDIN_RECORDING() BEGIN INSERT INTO " + kChangesTable +
                         " VALUES(" + QuoteLiteral(table) + ", ";
  return "CREATE TEMP TRIGGER " + Name("STANDIN_I_" + table) + " AFTER INSERT" + on +
         "NEW.rowid, 1); END;" + "CREATE TEMP TRIGGER " + Name("STANDIN_U_" + table) +
         " AFTER UPDATE" + on + "NEW.rowid, 0); END;" + "CREATE TEMP TRIGGER " +
         Name("STANDIN_D_" + table) + " AFTER DELETE" + on + "OLD.rowid, 0); END;";
}

int SchemaVersion(sqlite3* db) {
  TQuery version(db, "PRAGMA main.schema_version");
  return version.Row() ? sqlite3_column_int(*version, 0) : 0;
}

std::vector<std::int64_t> Rowids(sqlite3* db, const std::string& table) {
  std::vector<std::int64_t> rowids;
  TQuery list(db, "SELECT rowid FROM main." + Name(table));
  while (list.Row()) rowids.push_back(sqlite3_column_int64(*list, 0));
  return rowids;
}

// The Oracle error for the last failure on a database, taken at once:
// finalizing a statement forgets it.
using TDescribe = std::function<TOraError(sqlite3*)>;

// Makes row `rowid` of `table` in `to` what it is in `from`: the same
// values, or gone.
TOraError CopyRow(sqlite3* from, sqlite3* to, const std::string& table,
                  const std::vector<std::string>& columns, std::int64_t rowid,
                  const TDescribe& describe) {
  if (columns.empty()) return describe(from);
  std::string list, sets, marks;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    list += (i ? ", " : "") + Name(columns[i]);
    sets += (i ? ", " : "") + Name(columns[i]) + " = ?" + std::to_string(i + 2);
    marks += ", ?" + std::to_string(i + 2);
  }
  TQuery source(from, "SELECT " + list + " FROM main." + Name(table) + " WHERE rowid = ?1");
  if (!source) return describe(from);
  sqlite3_bind_int64(*source, 1, rowid);
  if (!source.Row()) {
    TQuery remove(to, "DELETE FROM main." + Name(table) + " WHERE rowid = ?1");
    if (!remove) return describe(to);
    sqlite3_bind_int64(*remove, 1, rowid);
    return sqlite3_step(*remove) == SQLITE_DONE ? TOraError{} : describe(to);
  }
  const auto bind_values = [&](sqlite3_stmt* target) {
    sqlite3_bind_int64(target, 1, rowid);
    for (std::size_t i = 0; i < columns.size(); ++i)
      sqlite3_bind_value(target, static_cast<int>(i + 2),
                         sqlite3_column_value(*source, static_cast<int>(i)));
  };
  TQuery update(to, "UPDATE main." + Name(table) + " SET " + sets + " WHERE rowid = ?1");
  if (!update) return describe(to);
  bind_values(*update);
  if (sqlite3_step(*update) != SQLITE_DONE) return describe(to);
  if (sqlite3_changes(to) > 0) return {};
  TQuery insert(
      to, "INSERT INTO main." + Name(table) + " (rowid, " + list + ") VALUES (?1" + marks + ")");
  if (!insert) return describe(to);
  bind_values(*insert);
  return sqlite3_step(*insert) == SQLITE_DONE ? TOraError{} : describe(to);
}

// Rows in the order a copy takes them: deletions first, so that a key
// freed by one row is free before another row takes it.
TOraError CopyRows(sqlite3* from, sqlite3* to, const std::vector<TRowKey>& rows,
                   const TDescribe& describe) {
  std::map<std::string, std::vector<std::string>> columns;
  for (const TRowKey& row : rows)
    if (!columns.count(row.first)) columns[row.first] = ColumnsOf(from, row.first);
  for (const bool deletions : {true, false})
    for (const TRowKey& row : rows) {
      TQuery exists(from, "SELECT 1 FROM main." + Name(row.first) + " WHERE rowid = ?1");
      if (exists) sqlite3_bind_int64(*exists, 1, row.second);
      if (exists.Row() == deletions) continue;
      if (TOraError e = CopyRow(from, to, row.first, columns[row.first], row.second, describe))
        return e;
    }
  return {};
}

}  // namespace

bool TConnection::InTransaction() const {
  return private_ || !sqlite3_get_autocommit(db_);
}

TOraError TConnection::Begin() {
  if (InTransaction()) return {};
  sqlite3* copy = nullptr;
  sqlite3_open_v2(":memory:", &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  seen_ = database_.LastCommit();
  sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db_, "main");
  const int rc = backup ? sqlite3_backup_step(backup, -1) : SQLITE_ERROR;
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) {
    const TOraError error =
        NoRule(std::string("a copy of the database (") + sqlite3_errmsg(backup ? db_ : copy) + ")");
    sqlite3_close_v2(copy);
    return error;
  }
  Configure(copy);
  sqlite3_create_function(copy, "STANDIN_RECORDING", 0, SQLITE_UTF8, &recording_, SqlRecording,
                          nullptr, nullptr);
  schema_seen_ = SchemaVersion(db_);
  // Every inserted row is moved to its database-wide rowid by its key:
  // without the index each move read the whole list of changes.
  std::string sql = std::string("CREATE TEMP TABLE ") + kChangesTable +
                    "(TBL TEXT, RID INTEGER, INSERTED INTEGER);" + "CREATE INDEX temp." +
                    kChangesTable + "_ROW ON " + kChangesTable + "(RID, TBL);";
  for (const std::string& table : UserTables(copy)) sql += RecordingTriggers(table);
  sql += "BEGIN";
  if (sqlite3_exec(copy, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    const TOraError error = NoRule(std::string(sqlite3_errmsg(copy)) + ": " + sql);
    sqlite3_close_v2(copy);
    return error;
  }
  private_ = copy;
  return {};
}

TOraError TConnection::BeginDdl() {
  if (InTransaction()) return {};
  return Exec("BEGIN IMMEDIATE");
}

TOraError TConnection::Commit() {
  if (!private_) return sqlite3_get_autocommit(db_) ? TOraError{} : Exec("COMMIT");
  const TOraError error = Merge();
  Discard();
  return error;
}

TOraError TConnection::Rollback() {
  if (!private_) return sqlite3_get_autocommit(db_) ? TOraError{} : Exec("ROLLBACK");
  Discard();
  return {};
}

void TConnection::Discard() {
  // A cursor still open on the copy keeps it until the cursor is closed.
  sqlite3_close_v2(private_);
  private_ = nullptr;
  database_.Unlock(this);
  held_.clear();
  held_index_.clear();
  savepoints_.clear();
}

TOraError TConnection::Merge() {
  std::vector<TRowKey> rows;
  {
    TQuery changes(private_, std::string("SELECT DISTINCT TBL, RID FROM ") + kChangesTable);
    while (changes.Row())
      rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(*changes, 0)),
                        sqlite3_column_int64(*changes, 1));
  }
  if (rows.empty()) return {};
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE; PRAGMA defer_foreign_keys = ON", nullptr, nullptr,
                   nullptr) != SQLITE_OK)
    return ErrorOf(db_, "commit");
  const auto describe = [this](sqlite3* db) { return ErrorOf(db, "commit"); };
  if (const TOraError error = CopyRows(private_, db_, rows, describe)) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return error;
  }
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    const TOraError error = ErrorOf(db_, "commit");
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return error;
  }
  seen_ = database_.Committed(std::move(rows));
  return {};
}

// Tables others created or dropped since the copy was taken: DDL commits
// at once in Oracle, so a transaction sees it from its next statement.
void TConnection::RefreshSchema() {
  const int version = SchemaVersion(db_);
  if (version == schema_seen_) return;
  schema_seen_ = version;
  recording_ = false;
  const std::vector<std::string> shared = UserTables(db_), own = UserTables(private_);
  const auto has = [](const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  const auto nothing = [](sqlite3*) { return TOraError{}; };
  for (const std::string& table : own)
    if (!has(shared, table)) Exec("DROP TABLE main." + Name(table));
  for (const std::string& table : shared) {
    if (has(own, table)) continue;
    // The table, then its indexes and triggers, as the shared database holds them.
    TQuery definitions(db_,
                       "SELECT sql FROM main.sqlite_master WHERE tbl_name = ?1 AND sql IS NOT NULL "
                       "ORDER BY type = 'table' DESC");
    sqlite3_bind_text(*definitions, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (definitions.Row())
      Exec(reinterpret_cast<const char*>(sqlite3_column_text(*definitions, 0)));
    Exec(RecordingTriggers(table));
    std::vector<TRowKey> rows;
    for (const std::int64_t rowid : Rowids(db_, table)) rows.emplace_back(table, rowid);
    CopyRows(db_, private_, rows, nothing);
  }
  // The catalogue follows whole: its rows describe the tables just taken.
  for (const char* table :
       {"STANDIN_TABLES", "STANDIN_COLUMNS", "STANDIN_CONSTRAINTS", "STANDIN_CONS_COLUMNS"}) {
    Exec(std::string("DELETE FROM main.") + table);
    std::vector<TRowKey> rows;
    for (const std::int64_t rowid : Rowids(db_, table)) rows.emplace_back(table, rowid);
    CopyRows(db_, private_, rows, nothing);
  }
  recording_ = true;
}

void TConnection::Refresh() {
  if (!private_) return;
  RefreshSchema();
  const std::vector<TRowKey> rows = database_.CommittedSince(seen_);
  seen_ = database_.LastCommit();
  if (rows.empty()) return;
  // Rows others committed: none is among this session's own changes, since
  // those stay locked until it ends. A row the copy cannot take (a key this
  // session holds uncommitted) stays behind, and the commit says so.
  recording_ = false;
  CopyRows(db_, private_, rows, [](sqlite3*) { return TOraError{}; });
  recording_ = true;
}

TOraError TConnection::Change(sqlite3_stmt* statement, const std::string& sql, int& changed) {
  changed = 0;
  sqlite3_exec(private_, "SAVEPOINT STANDIN_ROW", nullptr, nullptr, nullptr);
  TOraError error;
  if (sqlite3_step(statement) != SQLITE_DONE) {
    error = LastError(sql);
  } else {
    changed = sqlite3_changes(private_);
    error = LockChanges();
  }
  sqlite3_reset(statement);
  sqlite3_exec(private_,
               error ? "ROLLBACK TO STANDIN_ROW; RELEASE STANDIN_ROW" : "RELEASE STANDIN_ROW",
               nullptr, nullptr, nullptr);
  if (error) changed = 0;
  return error;
}

TOraError TConnection::LockChanges() {
  // Inserted rows take rowids no other session's copy hands out; the
  // highest first, so that a new rowid never meets one still to move.
  std::vector<TRowKey> inserted;
  {
    TQuery list(private_, std::string("SELECT DISTINCT TBL, RID FROM ") + kChangesTable +
                              " WHERE INSERTED = 1 ORDER BY RID DESC");
    while (list.Row())
      inserted.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(*list, 0)),
                            sqlite3_column_int64(*list, 1));
  }
  recording_ = false;
  for (const auto& [table, rowid] : inserted) {
    const std::int64_t moved = database_.AllocateRowid(table, rowid);
    if (moved == rowid) continue;
    for (const std::string& sql :
         {"UPDATE main." + Name(table) + " SET rowid = ?1 WHERE rowid = ?2",
          std::string("UPDATE ") + kChangesTable + " SET RID = ?1 WHERE RID = ?2 AND TBL = ?3"}) {
      TQuery move(private_, sql);
      sqlite3_bind_int64(*move, 1, moved);
      sqlite3_bind_int64(*move, 2, rowid);
      if (sqlite3_bind_parameter_count(*move) == 3)
        sqlite3_bind_text(*move, 3, table.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(*move);
    }
  }
  sqlite3_exec(
      private_,
      (std::string("UPDATE ") + kChangesTable + " SET INSERTED = 2 WHERE INSERTED = 1").c_str(),
      nullptr, nullptr, nullptr);
  recording_ = true;
  {
    TQuery last(private_,
                std::string("SELECT RID FROM ") + kChangesTable + " ORDER BY rowid DESC LIMIT 1");
    if (last.Row()) last_row_ = sqlite3_column_int64(*last, 0);
  }
  std::vector<TRowKey> rows;
  TQuery changes(private_, std::string("SELECT DISTINCT TBL, RID FROM ") + kChangesTable);
  while (changes.Row())
    rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(*changes, 0)),
                      sqlite3_column_int64(*changes, 1));
  return Lock(rows);
}

TOraError TConnection::Lock(const std::vector<TRowKey>& rows) {
  if (!database_.Lock(this, rows)) {
    blocked_ = rows;
    return OraError(54, "resource busy and acquire with NOWAIT specified");
  }
  for (const TRowKey& row : rows)
    if (held_index_.insert(row).second) held_.push_back(row);
  return {};
}

bool TConnection::Holds(const TRowKey& row) const {
  return std::find(held_.begin(), held_.end(), row) != held_.end();
}

TOraError TConnection::Savepoint(const std::string& name) {
  if (TOraError e = Begin()) return e;
  if (TOraError e = Exec("SAVEPOINT \"" + name + "\"")) return e;
  savepoints_[name] = held_.size();
  return {};
}

TOraError TConnection::RollbackTo(const std::string& name) {
  const auto found = savepoints_.find(name);
  if (!InTransaction() || found == savepoints_.end())
    return OraError(1086,
                    "savepoint '" + name + "' never established in this session or is invalid");
  if (TOraError e = Exec("ROLLBACK TO \"" + name + "\"")) return e;
  const std::size_t mark = found->second;
  if (mark < held_.size()) {
    database_.Unlock(
        this, std::vector<TRowKey>(held_.begin() + static_cast<std::ptrdiff_t>(mark), held_.end()));
    for (std::size_t i = mark; i < held_.size(); ++i) held_index_.erase(held_[i]);
    held_.resize(mark);
  }
  // Savepoints set after this one are gone with what they marked.
  std::erase_if(savepoints_, [&](const auto& entry) { return entry.second > mark; });
  return {};
}

// ------------------------------------------------------------------ database

bool TDatabase::Lock(const void* owner, const std::vector<TRowKey>& rows) {
  std::lock_guard lock(mutex_);
  for (const TRowKey& row : rows) {
    const auto found = locks_.find(row);
    if (found != locks_.end() && found->second != owner) return false;
  }
  for (const TRowKey& row : rows) locks_[row] = owner;
  return true;
}

void TDatabase::Unlock(const void* owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(locks_, [&](const auto& entry) { return entry.second == owner; });
  released_.notify_all();
}

void TDatabase::Unlock(const void* owner, const std::vector<TRowKey>& rows) {
  std::lock_guard lock(mutex_);
  for (const TRowKey& row : rows)
    if (const auto found = locks_.find(row); found != locks_.end() && found->second == owner)
      locks_.erase(found);
  released_.notify_all();
}

TOraError TDatabase::WaitForRows(const void* owner, const std::vector<TRowKey>& rows) {
  std::unique_lock lock(mutex_);
  for (;;) {
    const void* holder = nullptr;
    for (const TRowKey& row : rows)
      if (const auto found = locks_.find(row); found != locks_.end() && found->second != owner) {
        holder = found->second;
        break;
      }
    if (!holder) {
      waits_.erase(owner);
      return {};
    }
    // The holder may itself wait, for an owner that waits in turn: if that
    // chain leads back here, nobody would ever be released.
    for (const void* next = holder; next;) {
      if (next == owner) {
        waits_.erase(owner);
        return OraError(60, "deadlock detected while waiting for resource");
      }
      const auto found = waits_.find(next);
      next = found == waits_.end() ? nullptr : found->second;
    }
    waits_[owner] = holder;
    // Wakes AwaitWaiters too.
    released_.notify_all();
    released_.wait(lock);
  }
}

void TDatabase::AwaitWaiters(std::size_t count) {
  std::unique_lock lock(mutex_);
  released_.wait(lock, [&] { return waits_.size() >= count; });
}

std::int64_t TDatabase::AllocateRowid(const std::string& table, std::int64_t proposed) {
  std::lock_guard lock(mutex_);
  std::int64_t& last = rowids_[table];
  last = std::max(last + 1, proposed);
  return last;
}

std::uint64_t TDatabase::LastCommit() const {
  std::lock_guard lock(mutex_);
  return commit_count_;
}

std::uint64_t TDatabase::Committed(std::vector<TRowKey> rows) {
  std::lock_guard lock(mutex_);
  ++commit_count_;
  for (TRowKey& row : rows) commits_.emplace_back(commit_count_, std::move(row));
  return commit_count_;
}

std::vector<TRowKey> TDatabase::CommittedSince(std::uint64_t seen) const {
  std::lock_guard lock(mutex_);
  std::vector<TRowKey> rows;
  for (const auto& [number, row] : commits_)
    if (number > seen && std::find(rows.begin(), rows.end(), row) == rows.end())
      rows.push_back(row);
  return rows;
}

}  // namespace Standin
