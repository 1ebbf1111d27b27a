// oracle/standin/StandinSql.h
//
// Oracle SQL as the library sends it, read into tokens and rewritten for
// SQLite. What has no SQLite form here (PL/SQL, unknown statements) is
// classified and left to the rules and built-in handlers of the model.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "oracle/OciTypes.h"

struct sqlite3;

namespace Standin {

struct TToken {
  enum class TKind { Word, Quoted, String, Number, Bind, Symbol };
  TKind kind;
  std::string text;  // as written; a word or bind name upper-cased in `upper`
  std::string upper;
  std::size_t offset;  // in the statement's text
  bool Is(const char* word) const { return kind == TKind::Word && upper == word; }
  bool IsSymbol(const char* symbol) const { return kind == TKind::Symbol && text == symbol; }
};

// The tokens of `text`, blanks and comments dropped. An unterminated string
// or quoted name ends the text.
std::vector<TToken> Tokenize(const std::string& text);

enum class TStatementKind {
  Query,  // select: rows to fetch
  Dml,    // insert, update, delete
  CreateTable,
  CreateSequence,
  DropTable,
  DropSequence,
  Commit,
  Rollback,
  Savepoint,
  RollbackTo,
  Plsql,  // begin or declare: the model's handlers
  Other   // anything else: only a rule answers it
};

struct TTranslation {
  TStatementKind kind = TStatementKind::Other;
  ub2 stmt_type = 0;                      // the statement type attribute
  ub2 function_code = 0;                  // the SQL function code
  std::string sql;                        // for SQLite (Query and Dml)
  std::vector<std::string> placeholders;  // bind names, upper case, first appearance order
  bool for_update = false, nowait = false;
  std::string name;  // the savepoint, table or sequence named
  // A change's "returning e1, e2 into :b1, :b2": the table it changes, the
  // expressions as written and the binds they go into. SQLite runs the
  // change without the clause; the model reads the row afterwards.
  std::string target;
  std::vector<std::string> returning, returning_into;
  // Offsets in `sql` of each token and the offset of the same token in the
  // Oracle text, for parse-error offsets.
  std::vector<std::pair<std::size_t, std::size_t>> offsets;

  std::size_t OriginalOffset(std::size_t translated) const;
};

struct TSqlContext {
  std::string user;                                   // the session's schema
  std::function<bool(const std::string&)> is_schema;  // an upper-case name
};

TTranslation TranslateSql(const std::string& text, const TSqlContext& context);

// Binary + and - of a translated statement as calls that know Oracle's
// date arithmetic, and rowids as their texts (StandinArithmetic.cpp); the
// functions they call, on a connection.
void RewriteArithmetic(TTranslation& translation);
void RegisterArithmetic(sqlite3* db);

// An unquoted Oracle name as the server holds it.
std::string UpperCase(std::string text);

// A literal for SQLite: 'it''s'.
std::string QuoteLiteral(const std::string& text);

}  // namespace Standin
