// oracle/standin/StandinArithmetic.cpp
//
// Oracle's + and - over dates, and its exact division. The model holds a date as its text
// "YYYY-MM-DD HH:MM:SS", which SQLite would add to as the number of its
// leading digits; so every binary + and - of a query or change becomes a
// call of STANDIN_ADD or STANDIN_SUB, which look at their operands when
// they run: a date and a number of days give a date, two dates the days
// between them, anything else a number as Oracle converts it. A division
// is made one of reals, since 1/24 is a twenty-fourth in Oracle.
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

#include "oracle/standin/StandinRowid.h"
#include "oracle/standin/StandinSql.h"
#include "oracle/standin/StandinValue.h"

namespace Standin {
namespace {

// ------------------------------------------------------------- the rewrite

const char* const kNoOperand[] = {
    "SELECT", "FROM",   "WHERE", "AND",   "OR",       "NOT",       "AS",     "THEN",    "ELSE",
    "WHEN",   "END",    "CASE",  "IS",    "IN",       "LIKE",      "ESCAPE", "BETWEEN", "SET",
    "VALUES", "ORDER",  "GROUP", "BY",    "HAVING",   "ON",        "UNION",  "ALL",     "DISTINCT",
    "INTO",   "EXISTS", "ASC",   "DESC",  "MINUS",    "INTERSECT", "UPDATE", "DELETE",  "INSERT",
    "JOIN",   "LEFT",   "INNER", "OUTER", "RETURNING"};

class TRewriter {
 public:
  TRewriter(const std::vector<TToken>& tokens, const TTranslation& old)
      : tokens_(tokens), old_(old) {}

  void List(std::size_t& i, std::size_t end) {
    while (i < end) {
      if (StartsOperand(i, end))
        Chain(i, end);
      else if (tokens_[i].IsSymbol("("))
        Group(i, end);
      else
        Emit(i++);
    }
  }

  std::string sql;
  std::vector<std::pair<std::size_t, std::size_t>> offsets;

 private:
  void Emit(std::size_t i) {
    const TToken& t = tokens_[i];
    if (!sql.empty() && sql.back() != '(') sql += ' ';
    offsets.emplace_back(sql.size(), old_.OriginalOffset(t.offset));
    switch (t.kind) {
      case TToken::TKind::String:
        sql += QuoteLiteral(t.text);
        break;
      case TToken::TKind::Quoted:
        sql += "\"" + t.text + "\"";
        break;
      default:
        sql += t.text;
    }
  }
  void Raw(const std::string& text) {
    if (!sql.empty() && sql.back() != '(' && text != ")" && text != ",") sql += ' ';
    sql += text;
  }

  std::size_t Closing(std::size_t open, std::size_t end) const {
    int depth = 0;
    for (std::size_t j = open; j < end; ++j) {
      if (tokens_[j].IsSymbol("(")) ++depth;
      if (tokens_[j].IsSymbol(")") && --depth == 0) return j;
    }
    return end;
  }

  // "(" list ")", its inside rewritten.
  void Group(std::size_t& i, std::size_t end) {
    const std::size_t close = Closing(i, end);
    Emit(i++);
    List(i, close);
    if (close < end) Emit(close);
    i = close + 1;
  }

  bool StartsOperand(std::size_t i, std::size_t end) const {
    if (i >= end) return false;
    const TToken& t = tokens_[i];
    if (t.kind == TToken::TKind::Word) {
      for (const char* word : kNoOperand)
        if (t.Is(word)) return false;
      return true;
    }
    return t.kind != TToken::TKind::Symbol || t.IsSymbol("(") ||
           ((t.IsSymbol("-") || t.IsSymbol("+")) && StartsOperand(i + 1, end));
  }

  // Puts `function` before what was written since `mark` (sql, offsets).
  void Wrap(std::pair<std::size_t, std::size_t> mark, const std::string& function) {
    const std::size_t start = mark.first + (mark.first < sql.size() && sql[mark.first] == ' ');
    sql.insert(start, function);
    for (std::size_t k = mark.second; k < offsets.size(); ++k) offsets[k].first += function.size();
  }
  std::pair<std::size_t, std::size_t> Mark() const { return {sql.size(), offsets.size()}; }

  void Operand(std::size_t& i, std::size_t end) {
    while (tokens_[i].IsSymbol("-") || tokens_[i].IsSymbol("+")) Emit(i++);
    if (tokens_[i].IsSymbol("(")) return Group(i, end);
    const auto mark = Mark();
    Emit(i++);
    // A qualified name, and a call's arguments.
    while (i + 1 < end && tokens_[i].IsSymbol(".")) {
      Emit(i++);
      Emit(i++);
    }
    if (i < end && tokens_[i].IsSymbol("(")) return Group(i, end);
    // A rowid reads and compares as its text.
    if (tokens_[i - 1].Is("ROWID")) {
      Wrap(mark, "STANDIN_ROWID(");
      Raw(")");
    }
  }

  void Term(std::size_t& i, std::size_t end) {
    Operand(i, end);
    while (i < end && (tokens_[i].IsSymbol("*") || tokens_[i].IsSymbol("/")) &&
           StartsOperand(i + 1, end)) {
      // Oracle divides exactly where SQLite would divide integers.
      if (tokens_[i].IsSymbol("/")) Raw("* 1.0");
      Emit(i++);
      Operand(i, end);
    }
  }

  void Chain(std::size_t& i, std::size_t end) {
    const auto mark = Mark();
    Term(i, end);
    while (i < end && (tokens_[i].IsSymbol("+") || tokens_[i].IsSymbol("-")) &&
           StartsOperand(i + 1, end)) {
      // Wrap what the chain has written so far.
      Wrap(mark, tokens_[i++].IsSymbol("+") ? "STANDIN_ADD(" : "STANDIN_SUB(");
      Raw(",");
      Term(i, end);
      Raw(")");
    }
  }

  const std::vector<TToken>& tokens_;
  const TTranslation& old_;
};

// ------------------------------------------------------------ the functions

std::optional<std::time_t> DateSeconds(sqlite3_value* value) {
  if (sqlite3_value_type(value) != SQLITE_TEXT) return std::nullopt;
  const std::string text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  ub1 image[7];
  if (text.size() != 19 || !DateTextToImage(text, image)) return std::nullopt;
  std::tm tm{};
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
              &tm.tm_min, &tm.tm_sec);
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return timegm(&tm);
}

void ResultDate(sqlite3_context* context, std::time_t seconds) {
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  sqlite3_result_text(context, text, -1, SQLITE_TRANSIENT);
}

void ResultNumber(sqlite3_context* context, double number) {
  if (number == std::floor(number) && std::fabs(number) < 9e15)
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(number));
  else
    sqlite3_result_double(context, number);
}

// A number as Oracle converts an operand: text must read as one.
std::optional<double> Number(sqlite3_value* value) {
  const int type = sqlite3_value_numeric_type(value);
  if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) return sqlite3_value_double(value);
  return std::nullopt;
}

void Arithmetic(sqlite3_context* context, sqlite3_value** arguments, int sign) {
  if (sqlite3_value_type(arguments[0]) == SQLITE_NULL ||
      sqlite3_value_type(arguments[1]) == SQLITE_NULL)
    return sqlite3_result_null(context);
  const auto left_date = DateSeconds(arguments[0]), right_date = DateSeconds(arguments[1]);
  if (left_date && right_date) {
    if (sign > 0) return sqlite3_result_error(context, "ORA-00975: date + date not allowed", -1);
    return ResultNumber(context, double(*left_date - *right_date) / 86400);
  }
  const auto left = Number(arguments[0]), right = Number(arguments[1]);
  if ((left_date && right) || (right_date && left && sign > 0)) {
    const double days = left_date ? sign * *right : *left;
    return ResultDate(context, (left_date ? *left_date : *right_date) +
                                   static_cast<std::time_t>(std::llround(days * 86400)));
  }
  if (left_date || right_date)
    return sqlite3_result_error(context,
                                "ORA-00932: inconsistent datatypes: expected DATE got NUMBER", -1);
  if (!left || !right) return sqlite3_result_error(context, "ORA-01722: invalid number", -1);
  if (sqlite3_value_numeric_type(arguments[0]) == SQLITE_INTEGER &&
      sqlite3_value_numeric_type(arguments[1]) == SQLITE_INTEGER) {
    sqlite3_int64 result = 0;
    const sqlite3_int64 a = sqlite3_value_int64(arguments[0]),
                        b = sqlite3_value_int64(arguments[1]);
    if (!(sign > 0 ? __builtin_add_overflow(a, b, &result) : __builtin_sub_overflow(a, b, &result)))
      return sqlite3_result_int64(context, result);
  }
  sqlite3_result_double(context, sign > 0 ? *left + *right : *left - *right);
}

void SqlAdd(sqlite3_context* context, int, sqlite3_value** arguments) {
  Arithmetic(context, arguments, 1);
}

void SqlSub(sqlite3_context* context, int, sqlite3_value** arguments) {
  Arithmetic(context, arguments, -1);
}

}  // namespace

void RewriteArithmetic(TTranslation& translation) {
  const std::vector<TToken> tokens = Tokenize(translation.sql);
  const bool any = std::any_of(tokens.begin(), tokens.end(), [](const TToken& t) {
    return t.IsSymbol("+") || t.IsSymbol("-") || t.IsSymbol("/") || t.Is("ROWID");
  });
  if (!any) return;
  TRewriter rewriter(tokens, translation);
  std::size_t i = 0;
  rewriter.List(i, tokens.size());
  translation.sql = std::move(rewriter.sql);
  translation.offsets = std::move(rewriter.offsets);
}

void RegisterArithmetic(sqlite3* db) {
  RegisterRowid(db);
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, "STANDIN_ADD", 2, flags, nullptr, SqlAdd, nullptr, nullptr);
  sqlite3_create_function(db, "STANDIN_SUB", 2, flags, nullptr, SqlSub, nullptr, nullptr);
}

}  // namespace Standin
