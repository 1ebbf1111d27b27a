// oracle/standin/StandinSql.cpp
#include "oracle/standin/StandinSql.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace Standin {
std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

namespace {

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

struct TKindRow {
  const char* first;
  TStatementKind kind;
  ub2 stmt_type, function_code;
};

// The statement type attribute and the function code by the first word.
constexpr TKindRow kKinds[] = {
    {"SELECT", TStatementKind::Query, 1, 4},         {"WITH", TStatementKind::Query, 1, 4},
    {"UPDATE", TStatementKind::Dml, 2, 5},           {"DELETE", TStatementKind::Dml, 3, 9},
    {"INSERT", TStatementKind::Dml, 4, 3},           {"BEGIN", TStatementKind::Plsql, 8, 34},
    {"DECLARE", TStatementKind::Plsql, 9, 34},       {"COMMIT", TStatementKind::Commit, 0, 54},
    {"SAVEPOINT", TStatementKind::Savepoint, 0, 56},
};

// Oracle sorts NULL above every value, SQLite below: each sort key of an
// order by that does not place its NULLs itself gets Oracle's placement,
// last ascending and first descending. The key's last token, and what to
// write after it.
std::map<std::size_t, const char*> NullPlacements(const std::vector<TToken>& tokens) {
  std::map<std::size_t, const char*> after;
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (!tokens[i].Is("ORDER") || !tokens[i + 1].Is("BY")) continue;
    int depth = 0;
    bool placed = false;
    for (std::size_t k = i + 2, start = k;; ++k) {
      const bool ends =
          k >= tokens.size() ||
          (depth == 0 &&
           (tokens[k].IsSymbol(")") || tokens[k].IsSymbol(",") || tokens[k].IsSymbol(";") ||
            tokens[k].Is("FOR") || tokens[k].Is("UNION") || tokens[k].Is("MINUS") ||
            tokens[k].Is("INTERSECT") || tokens[k].Is("OFFSET") || tokens[k].Is("FETCH")));
      if (ends) {
        if (k > start && !placed)
          after[k - 1] = tokens[k - 1].Is("DESC") ? "NULLS FIRST" : "NULLS LAST";
        if (k >= tokens.size() || !tokens[k].IsSymbol(",")) break;
        start = k + 1;
        placed = false;
        continue;
      }
      if (tokens[k].IsSymbol("(")) ++depth;
      if (tokens[k].IsSymbol(")")) --depth;
      if (depth == 0 && tokens[k].Is("NULLS")) placed = true;
    }
  }
  return after;
}

}  // namespace

std::vector<TToken> Tokenize(const std::string& text) {
  std::vector<TToken> tokens;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
      while (i < n && text[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      const std::size_t end = text.find("*/", i + 2);
      i = end == std::string::npos ? n : end + 2;
    } else if (c == '\'') {
      std::string value;
      std::size_t j = i + 1;
      for (; j < n; ++j) {
        if (text[j] == '\'') {
          if (j + 1 < n && text[j + 1] == '\'') {
            value += '\'';
            ++j;
          } else
            break;
        } else
          value += text[j];
      }
      tokens.push_back({TToken::TKind::String, value, value, i});
      i = std::min(j + 1, n);
    } else if (c == '"') {
      const std::size_t end = text.find('"', i + 1);
      const std::string name = text.substr(i + 1, (end == std::string::npos ? n : end) - i - 1);
      tokens.push_back({TToken::TKind::Quoted, name, name, i});
      i = end == std::string::npos ? n : end + 1;
    } else if (c == ':' && i + 1 < n && (IsWordChar(text[i + 1]) || text[i + 1] == '"')) {
      std::size_t j = i + 1;
      std::string name;
      if (text[j] == '"') {
        const std::size_t end = text.find('"', j + 1);
        name = text.substr(j + 1, (end == std::string::npos ? n : end) - j - 1);
        j = end == std::string::npos ? n : end + 1;
      } else {
        while (j < n && IsWordChar(text[j])) ++j;
        name = UpperCase(text.substr(i + 1, j - i - 1));
      }
      tokens.push_back({TToken::TKind::Bind, text.substr(i, j - i), name, i});
      i = j;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      std::size_t j = i;
      while (j < n && (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '.')) ++j;
      if (j < n && (text[j] == 'e' || text[j] == 'E')) {
        ++j;
        if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
        while (j < n && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
      }
      tokens.push_back({TToken::TKind::Number, text.substr(i, j - i), text.substr(i, j - i), i});
      i = j;
    } else if (IsWordChar(c)) {
      std::size_t j = i;
      while (j < n && IsWordChar(text[j])) ++j;
      const std::string word = text.substr(i, j - i);
      tokens.push_back({TToken::TKind::Word, word, UpperCase(word), i});
      i = j;
    } else {
      static const char* const kPairs[] = {"||", "<>", "!=", "<=", ">=", ":="};
      std::string symbol(1, c);
      for (const char* pair : kPairs)
        if (text.compare(i, 2, pair) == 0) symbol = pair;
      tokens.push_back({TToken::TKind::Symbol, symbol, symbol, i});
      i += symbol.size();
    }
  }
  return tokens;
}

std::string QuoteLiteral(const std::string& text) {
  std::string result = "'";
  for (char c : text) {
    result += c;
    if (c == '\'') result += '\'';
  }
  return result + "'";
}

std::size_t TTranslation::OriginalOffset(std::size_t translated) const {
  std::size_t original = 0;
  for (const auto& [at, from] : offsets) {
    if (at > translated) break;
    original = from;
  }
  return original;
}

// The expressions of a returning clause from `from` on, split at commas
// outside parentheses, and the binds after its "into".
static void ReadReturning(const std::string& text, const std::vector<TToken>& tokens,
                          std::size_t from, TTranslation& result) {
  int depth = 0;
  std::size_t start = from, i = from;
  for (; i < tokens.size(); ++i) {
    if (tokens[i].IsSymbol("(")) ++depth;
    if (tokens[i].IsSymbol(")")) --depth;
    const bool into = depth == 0 && tokens[i].Is("INTO");
    if (depth == 0 && (into || tokens[i].IsSymbol(","))) {
      if (i > start)
        result.returning.push_back(
            text.substr(tokens[start].offset, tokens[i].offset - tokens[start].offset));
      start = i + 1;
    }
    if (into) break;
  }
  for (++i; i < tokens.size(); ++i)
    if (tokens[i].kind == TToken::TKind::Bind) {
      result.returning_into.push_back(tokens[i].upper);
      if (std::find(result.placeholders.begin(), result.placeholders.end(), tokens[i].upper) ==
          result.placeholders.end())
        result.placeholders.push_back(tokens[i].upper);
    }
}

TTranslation TranslateSql(const std::string& text, const TSqlContext& context) {
  TTranslation result;
  const std::vector<TToken> tokens = Tokenize(text);
  if (tokens.empty()) return result;
  const TToken& first = tokens[0];
  const auto word_at = [&](std::size_t i) -> std::string {
    return i < tokens.size() && tokens[i].kind == TToken::TKind::Word ? tokens[i].upper : "";
  };
  const auto name_at = [&](std::size_t i) -> std::string {
    if (i >= tokens.size()) return "";
    if (tokens[i].kind == TToken::TKind::Quoted) return tokens[i].text;
    return word_at(i);
  };
  // An object name, owner-qualified or not: the name without its owner.
  const auto object_name_at = [&](std::size_t i) {
    if (i + 2 < tokens.size() && tokens[i + 1].IsSymbol(".")) return name_at(i + 2);
    return name_at(i);
  };

  for (const TKindRow& row : kKinds)
    if (first.Is(row.first)) {
      result.kind = row.kind;
      result.stmt_type = row.stmt_type;
      result.function_code = row.function_code;
    }
  if (first.Is("ROLLBACK")) {
    result.function_code = 55;
    std::size_t i = 1;
    if (word_at(i) == "WORK") ++i;
    if (word_at(i) == "TO") {
      ++i;
      if (word_at(i) == "SAVEPOINT") ++i;
      result.kind = TStatementKind::RollbackTo;
      result.name = name_at(i);
    } else {
      result.kind = TStatementKind::Rollback;
    }
    return result;
  }
  if (first.Is("CREATE") || first.Is("DROP")) {
    const bool create = first.Is("CREATE");
    result.stmt_type = create ? 5 : 6;
    const std::string what = word_at(1);
    result.name = object_name_at(2);
    if (what == "TABLE") {
      result.kind = create ? TStatementKind::CreateTable : TStatementKind::DropTable;
      result.function_code = create ? 1 : 12;
    } else if (what == "SEQUENCE") {
      result.kind = create ? TStatementKind::CreateSequence : TStatementKind::DropSequence;
      result.function_code = create ? 13 : 16;
    }
    return result;
  }
  if (first.Is("ALTER")) result.stmt_type = 7;
  if (result.kind == TStatementKind::Savepoint) result.name = name_at(1);
  if (result.kind != TStatementKind::Query && result.kind != TStatementKind::Dml) {
    // Bind names still count for the checks of a bind by name.
    for (const TToken& token : tokens)
      if (token.kind == TToken::TKind::Bind &&
          std::find(result.placeholders.begin(), result.placeholders.end(), token.upper) ==
              result.placeholders.end())
        result.placeholders.push_back(token.upper);
    return result;
  }

  if (result.kind == TStatementKind::Dml) {
    std::size_t table = 1;
    if (first.Is("INSERT") || (first.Is("DELETE") && word_at(1) == "FROM")) table = 2;
    result.target = object_name_at(table);
  }
  std::string& out = result.sql;
  auto emit = [&](const std::string& piece, std::size_t original) {
    if (!out.empty()) out += ' ';
    result.offsets.emplace_back(out.size(), original);
    out += piece;
  };
  const std::map<std::size_t, const char*> null_placements = NullPlacements(tokens);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const TToken& t = tokens[i];
    const bool after_dot = i > 0 && tokens[i - 1].IsSymbol(".");
    const bool before_dot = i + 1 < tokens.size() && tokens[i + 1].IsSymbol(".");
    const bool before_paren = i + 1 < tokens.size() && tokens[i + 1].IsSymbol("(");
    switch (t.kind) {
      case TToken::TKind::String:
        // Oracle has no empty text: '' is NULL.
        emit(t.text.empty() ? "NULL" : QuoteLiteral(t.text), t.offset);
        break;
      case TToken::TKind::Quoted:
        emit("\"" + t.text + "\"", t.offset);
        break;
      case TToken::TKind::Bind:
        if (std::find(result.placeholders.begin(), result.placeholders.end(), t.upper) ==
            result.placeholders.end())
          result.placeholders.push_back(t.upper);
        emit(":" + t.upper, t.offset);
        break;
      case TToken::TKind::Word:
        if (!after_dot && before_dot && context.is_schema && context.is_schema(t.upper) &&
            i + 2 < tokens.size() && tokens[i + 2].kind != TToken::TKind::Symbol) {
          ++i;  // the owner and its dot: SQLite holds every schema's tables in one
          break;
        }
        if (before_dot && i + 2 < tokens.size() &&
            (tokens[i + 2].Is("NEXTVAL") || tokens[i + 2].Is("CURRVAL"))) {
          emit("STANDIN_" + tokens[i + 2].upper + "(" + QuoteLiteral(t.upper) + ")", t.offset);
          i += 2;
          break;
        }
        if (!after_dot && !before_dot && !before_paren && t.upper == "SYSDATE") {
          emit("STANDIN_SYSDATE()", t.offset);
          break;
        }
        if (!after_dot && !before_dot && !before_paren && t.upper == "USER") {
          emit(QuoteLiteral(context.user), t.offset);
          break;
        }
        if (t.upper == "FOR" && word_at(i + 1) == "UPDATE" &&
            result.kind == TStatementKind::Query) {
          // The row locks are the model's; SQLite takes none for a select.
          result.for_update = true;
          std::size_t j = i + 2;
          if (word_at(j) == "OF")
            for (j += 1; j < tokens.size() && !tokens[j].Is("NOWAIT"); ++j) {
            }
          result.nowait = j < tokens.size() && tokens[j].Is("NOWAIT");
          i = tokens.size();
          break;
        }
        if (t.upper == "RETURNING" && result.kind == TStatementKind::Dml) {
          ReadReturning(text, tokens, i + 1, result);
          i = tokens.size();
          break;
        }
        emit(t.text, t.offset);
        break;
      default:
        emit(t.text, t.offset);
        break;
    }
    if (const auto placement = null_placements.find(i); placement != null_placements.end())
      emit(placement->second, tokens[i].offset);
  }
  RewriteArithmetic(result);
  return result;
}

}  // namespace Standin
