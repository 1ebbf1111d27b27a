// oracle/standin/StandinLocks.cpp
//
// The rows a select for update locks: those of every table of its from
// list, or with "of" only of the tables the named columns belong to, as
// the query chooses them when it runs. The connection holds the locks until
// its transaction ends. A statement that meets rows another session holds
// waits for that session's commit or rollback, unless it said nowait.
#include <sqlite3.h>

#include <algorithm>
#include <mutex>
#include <utility>

#include "oracle/standin/StandinModel.h"

namespace Standin {
namespace {

struct TFromItem {
  std::string table;  // as SQLite names it; empty for a subquery
  std::string ref;    // how the query refers to it, as written
  std::string alias;  // upper case, or the table's name
};

bool EndsFromList(const TToken& token) {
  for (const char* word :
       {"WHERE", "GROUP", "ORDER", "HAVING", "CONNECT", "START", "UNION", "MINUS", "INTERSECT"})
    if (token.Is(word)) return true;
  return false;
}

std::string Written(const TToken& token) {
  return token.kind == TToken::TKind::Quoted ? "\"" + token.text + "\"" : token.text;
}

std::string Held(const TToken& token) {
  return token.kind == TToken::TKind::Quoted ? token.text : token.upper;
}

}  // namespace

TOraError TModelServer::LockSelected(TStmtHandle* stmt, TConnection& connection,
                                     const TTranslation& sql) {
  const std::vector<TToken> tokens = Tokenize(sql.sql);
  std::size_t from = tokens.size(), end = tokens.size();
  int depth = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].IsSymbol("(")) ++depth;
    if (tokens[i].IsSymbol(")")) --depth;
    if (depth != 0) continue;
    if (from == tokens.size() && tokens[i].Is("FROM")) {
      from = i;
    } else if (from < tokens.size() && EndsFromList(tokens[i])) {
      end = i;
      break;
    }
  }
  if (from == tokens.size()) return NoRule(stmt->text);

  std::vector<TFromItem> items;
  for (std::size_t i = from + 1; i < end;) {
    std::size_t next = i;
    for (int level = 0; next < end; ++next) {
      if (tokens[next].IsSymbol("(")) ++level;
      if (tokens[next].IsSymbol(")")) --level;
      if (level == 0 && tokens[next].IsSymbol(",")) break;
      if (tokens[next].Is("JOIN")) return NoRule(stmt->text);
    }
    TFromItem item;
    if (!tokens[i].IsSymbol("(")) {
      item.table = Held(tokens[i]);
      item.ref = Written(tokens[i]);
      item.alias = item.table;
    }
    if (next - i >= 2 && !tokens[next - 1].IsSymbol(")")) {
      item.ref = Written(tokens[next - 1]);
      item.alias = Held(tokens[next - 1]);
    }
    items.push_back(item);
    i = next + 1;
  }

  // The columns after "of", each with its qualifier if it has one.
  std::vector<std::pair<std::string, std::string>> of;
  const std::vector<TToken> original = Tokenize(stmt->text);
  for (std::size_t i = 0; i + 2 < original.size(); ++i)
    if (original[i].Is("FOR") && original[i + 1].Is("UPDATE") && original[i + 2].Is("OF")) {
      for (std::size_t j = i + 3; j < original.size() && !original[j].Is("NOWAIT") &&
                                  !original[j].Is("WAIT") && !original[j].Is("SKIP");
           ++j) {
        if (original[j].IsSymbol(",")) continue;
        if (j + 2 < original.size() && original[j + 1].IsSymbol(".")) {
          of.emplace_back(Held(original[j]), Held(original[j + 2]));
          j += 2;
        } else {
          of.emplace_back("", Held(original[j]));
        }
      }
      break;
    }

  std::vector<const TFromItem*> chosen;
  const auto choose = [&](const TFromItem* item) {
    if (item && !item->table.empty() &&
        std::find(chosen.begin(), chosen.end(), item) == chosen.end())
      chosen.push_back(item);
  };
  if (of.empty())
    for (const TFromItem& item : items) choose(&item);
  for (const auto& [qualifier, column] : of) {
    const TFromItem* found = nullptr;
    for (const TFromItem& item : items)
      if (qualifier.empty() ? !item.table.empty() && connection.ColumnType(item.table, column)
                            : item.alias == qualifier || item.table == qualifier)
        found = &item;
    if (!found) return OraError(904, "\"" + column + "\": invalid identifier");
    choose(found);
  }

  std::vector<TRowKey> rows;
  for (const TFromItem* item : chosen) {
    const std::string text =
        "SELECT " + item->ref + ".rowid " + sql.sql.substr(tokens[from].offset);
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(connection.Handle(), text.c_str(), -1, &query, nullptr) != SQLITE_OK) {
      const TOraError error = connection.LastError(text);
      sqlite3_finalize(query);
      return error.code == 3001 ? NoRule(stmt->text) : error;
    }
    TOraError error = BindRow(stmt, query, sql, 0);
    int rc = SQLITE_DONE;
    // The first table's rows, in the query's order, give the ROWID of each
    // row as it is fetched.
    while (!error && (rc = sqlite3_step(query)) == SQLITE_ROW) {
      rows.emplace_back(item->table, sqlite3_column_int64(query, 0));
      if (item == chosen.front()) {
        stmt->selected_rowids.push_back(rows.back().second);
        stmt->selected_table = item->table;
      }
    }
    if (!error && rc != SQLITE_DONE) error = connection.LastError(text);
    sqlite3_finalize(query);
    if (error) return error;
  }
  const TOraError error = connection.Lock(rows);
  if (error.code != 54 || sql.nowait || !CanWait()) return error;
  // Without nowait the query waits for the holders' commit or rollback and
  // then runs afresh: what they committed may change which rows it selects.
  if (TOraError waited = WaitForHolders(connection, rows)) return waited;
  stmt->selected_rowids.clear();
  return LockSelected(stmt, connection, sql);
}

TOraError TModelServer::WaitForHolders(TConnection& connection, const std::vector<TRowKey>& rows) {
  // The model's lock is let go while the statement waits, so that the
  // holders can end their transactions.
  std::unique_lock<std::recursive_mutex>* lock = std::exchange(statement_lock_, nullptr);
  lock->unlock();
  const TOraError waited = database_->WaitForRows(&connection, rows);
  lock->lock();
  statement_lock_ = lock;
  if (waited) return waited;
  connection.Refresh();
  return {};
}

}  // namespace Standin
