// oracle/standin/StandinPlsql.cpp
//
// What SQLite cannot run but the library sends on every session: the
// session settings ("alter session"), the probes for the bytes per
// character and the date format's length, the
// table-resolving block, the block that evaluates column defaults and the
// block that evaluates a check constraint. Each is recognised by its text
// (blanks and line breaks aside) and answered from the model's data; any
// other PL/SQL needs a rule.
#include <cstdio>
#include <regex>

#include "oracle/standin/StandinModel.h"

namespace Standin {
namespace {

std::string Normalized(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!result.empty() && result.back() != ' ') result += ' ';
    } else {
      result += c;
    }
  }
  if (!result.empty() && result.back() == ' ') result.pop_back();
  return result;
}

const std::string& ChrProbe() {
  static const std::string text = Normalized(
      "select length(chr(2000000000)) l4, length(chr(2000000)) l3,  length(chr(20000)) l2 from "
      "dual");
  return text;
}

std::string DateLine(int month) {
  char line[128];
  std::snprintf(line, sizeof line,
                "select to_char(to_date('10-%d-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) from dual",
                month);
  return line;
}

const std::string& DateProbe() {
  static const std::string text = [] {
    std::string lines = DateLine(1);
    for (int month = 2; month <= 12; ++month) lines += " union all " + DateLine(month);
    return Normalized(lines);
  }();
  return text;
}

const std::string& ResolveBlock() {
  static const std::string text = Normalized(R"(begin
  begin
    select user, table_name into :table_owner, :table_name
      from sys.user_tables where table_name = :name;
  exception when no_data_found then
    begin
      select user, view_name into :table_owner, :table_name
        from sys.user_views where view_name = :name;
    exception when no_data_found then
      begin
        select table_owner, table_name into :table_owner, :table_name
          from sys.user_synonyms where synonym_name = :name;
      exception when no_data_found then
        begin
          select table_owner, table_name into :table_owner, :table_name
            from sys.all_synonyms where owner = 'PUBLIC' and synonym_name = :name;
        exception when no_data_found then
          :table_owner := null; :table_name := null;
        end;
      end;
    end;
  end;
end;)");
  return text;
}

TColumnType Column(const char* name, ub2 type, ub2 size) {
  TColumnType column;
  column.name = name;
  column.type = type;
  column.size = size;
  return column;
}

}  // namespace

bool TModelServer::Builtin(TStmtHandle* stmt, TConnection& connection, TRuleAnswer& answer,
                           TOraError& error) {
  const std::string text = Normalized(stmt->text);
  if (text == ChrProbe()) {
    // A single-byte character set: every character is one byte.
    answer.columns = {Column("L4", kSqltNum, 22), Column("L3", kSqltNum, 22),
                      Column("L2", kSqltNum, 22)};
    answer.rows = {{TValue::Int(1), TValue::Int(1), TValue::Int(1)}};
    return true;
  }
  if (text == DateProbe()) {
    // The default date format, DD-MON-YY.
    static const char* const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    answer.columns = {Column("TO_CHAR(TO_DATE('10-1-1999", kSqltChr, 75)};
    for (const char* month : months)
      answer.rows.push_back({TValue::Text(std::string("10-") + month + "-99")});
    return true;
  }
  if (text == ResolveBlock()) {
    // Tables, then the user's synonyms, then public ones; the model has no views.
    static const char* const lookups[] = {
        "select user, TABLE_NAME from STANDIN_TABLES where OWNER = user and TABLE_NAME = :name",
        "select TABLE_OWNER, TABLE_NAME from STANDIN_SYNONYMS where OWNER = user and "
        "SYNONYM_NAME = :name",
        "select TABLE_OWNER, TABLE_NAME from STANDIN_SYNONYMS where OWNER = 'PUBLIC' and "
        "SYNONYM_NAME = :name"};
    std::vector<TValue> row;
    bool found = false;
    for (const char* lookup : lookups) {
      if ((error = Evaluate(stmt, connection, lookup, row, found)) || found) break;
    }
    if (!error && !found) row = {TValue{}, TValue{}};
    if (!error) answer.out_binds = {{"TABLE_OWNER", row[0]}, {"TABLE_NAME", row[1]}};
    return true;
  }
  // The session settings the library sends; any other parameter or value
  // is no builtin and fails for want of a rule.
  static const std::regex alter_session(
      R"(^alter session set (sql_trace = (true|false)|optimizer_goal = )"
      R"((choose|first_rows|all_rows|rule)|isolation_level = (read committed|serializable))$)",
      std::regex::icase);
  if (std::regex_match(text, alter_session)) return true;
  static const std::regex check(
      R"(^begin if not \((.*)\) then :(\w+) := 2290; else :\2 := 0; end if; end;$)",
      std::regex::icase);
  // PL/SQL's IF NOT of NULL takes the else branch, as CASE does.
  const auto condition = [&](const std::string& expression, TValue& result) {
    std::vector<TValue> row;
    bool found = false;
    const TOraError e = Evaluate(
        stmt, connection,
        "select case when not (" + expression + ") then 2290 else 0 end from dual", row, found);
    if (!e) result = row.at(0);
    return e;
  };
  std::smatch match;
  if (std::regex_match(text, match, check)) {
    TValue result;
    error = condition(match[1].str(), result);
    if (!error) answer.out_binds = {{UpperCase(match[2].str()), result}};
    return true;
  }
  // The check block that first reads the row's other columns into their
  // variables; any error leaves by "when others" with no violation.
  static const std::regex check_into(
      R"(^begin select (.+?) into (.+?) from (\S+) where rowid = :quelt__rowid; )"
      R"(if not \((.*)\) then :(\w+) := 2290; else :\5 := 0; end if; )"
      R"(exception when others then :\5 := 0; end;$)",
      std::regex::icase);
  if (std::regex_match(text, match, check_into)) {
    const std::string result_name = UpperCase(match[5].str());
    TValue result = TValue::Int(0);
    std::vector<TValue> row;
    bool found = false;
    TOraError failed = Evaluate(
        stmt, connection,
        "select " + match[1].str() + " from " + match[3].str() + " where rowid = :quelt__rowid",
        row, found);
    if (!failed && !found) failed = OraError(1403, "no data found");
    std::vector<std::string> into;
    for (const TToken& token : Tokenize(match[2].str()))
      if (token.kind == TToken::TKind::Bind) into.push_back(token.upper);
    if (!failed && into.size() != row.size())
      failed = into.size() < row.size() ? OraError(913, "too many values")
                                        : OraError(947, "not enough values");
    for (std::size_t i = 0; !failed && i < into.size(); ++i)
      failed = WriteOutBind(stmt, into[i], row[i]);
    if (!failed && (failed = condition(match[4].str(), result))) result = TValue::Int(0);
    answer.out_binds = {{result_name, failed ? TValue::Int(0) : result}};
    return true;
  }
  // The defaults block: "begin", lines ":COLUMN := default;", "end;".
  const std::vector<TToken> tokens = Tokenize(stmt->text);
  if (tokens.size() < 6 || !tokens.front().Is("BEGIN") || !tokens[tokens.size() - 2].Is("END") ||
      !tokens.back().IsSymbol(";"))
    return false;
  std::vector<std::pair<std::string, std::string>> assignments;
  for (std::size_t i = 1; i + 2 < tokens.size();) {
    if (tokens[i].kind != TToken::TKind::Bind || !tokens[i + 1].IsSymbol(":=")) return false;
    std::size_t end = i + 2;
    while (end < tokens.size() - 2 && !tokens[end].IsSymbol(";")) ++end;
    if (end == i + 2 || !tokens[end].IsSymbol(";")) return false;
    assignments.emplace_back(
        tokens[i].upper,
        stmt->text.substr(tokens[i + 2].offset, tokens[end].offset - tokens[i + 2].offset));
    i = end + 1;
  }
  for (const auto& [name, expression] : assignments) {
    std::vector<TValue> row;
    bool found = false;
    if ((error = Evaluate(stmt, connection, "select " + expression + " from dual", row, found)))
      return true;
    answer.out_binds[name] = row.at(0);
  }
  return true;
}

}  // namespace Standin
