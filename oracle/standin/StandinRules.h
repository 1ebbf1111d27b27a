// oracle/standin/StandinRules.h
//
// Answers a test sets ahead of the SQL: a statement whose text matches a
// rule (the exact text, a regular expression over it, or a function) gets
// the rule's answer instead of running: a describe with rows, out-bind
// values, a count of rows processed, or an Oracle error with its text and
// offset. And the log of every statement executed, for tests to read.
#pragma once

#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "oracle/standin/StandinDatabase.h"
#include "oracle/standin/StandinValue.h"

namespace Standin {

struct TRuleAnswer {
  std::vector<TColumnType> columns;
  std::vector<std::vector<TValue>> rows;
  std::map<std::string, TValue> out_binds;  // upper-case bind name
  // PL/SQL-table out binds: every element the block leaves in the table.
  std::map<std::string, std::vector<TValue>> out_tables;
  // Cursor out binds: the query each bound cursor is opened over.
  std::map<std::string, std::string> out_cursors;
  ub4 rows_processed = 0;
  TOraError error;
};

// Reads an answer from its text form, one item per line:
//   columns NAME type size [precision scale]   (type: the code, e.g. 1, 2, 12)
//   row value|value|...                        (\N for NULL)
//   out NAME value                             (\N for NULL)
//   table NAME value|value|...                 (a PL/SQL table's elements;
//                                               "table NAME" alone: none)
//   cursor NAME select ...                     (the bound cursor, opened
//                                               over that query; a row's
//                                               cursor column holds such
//                                               a query)
//   rows N                                     (rows processed)
//   error CODE OFFSET message text             (the whole line after the offset,
//                                               "\n" in it a line break)
// Returns false with the faulty line in `fault`.
bool ParseAnswer(const std::string& spec, TRuleAnswer& answer, std::string& fault);

struct TRule {
  enum class TMatch { Exact, Pattern, Function };
  TMatch match = TMatch::Exact;
  std::string text;
  std::regex pattern;
  // Answers `sql` when it returns true.
  std::function<bool(const std::string& sql, TRuleAnswer& answer)> function;
  TRuleAnswer answer;

  bool Answers(const std::string& sql, TRuleAnswer& out) const;
};

struct TLogEntry {
  std::string text;
  std::vector<std::pair<std::string, std::string>> binds;  // of the first row, as text
  ub4 iters = 0, rowoff = 0, mode = 0;
};

}  // namespace Standin
