// oracle/OracleDataSetSql.cpp
#include <cstring>
#include <initializer_list>

#include "oracle/OracleDataSetSql.h"
#include "oracle/OracleText.h"
#include "platform/rtl/StringUtils.h"

namespace OracleDataSetSql {

namespace {

constexpr std::size_t npos = String::npos;

// The characters of names as the server writes them in a statement, with
// the double quote of quoted names and the opening bracket that may follow
// a keyword directly.
bool IsNameChar(unsigned char c) {
  return c == '"' || c == '#' || c == '$' || c == '(' || c == '.' || (c >= '0' && c <= '9') ||
         c == '@' || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') || c >= 128;
}
bool IsWordChar(unsigned char c) {
  return IsNameChar(c) && c != '(';
}

// The comment-free, upper-cased text the rules below read.
String Prepared(const String& SQL) {
  return AnsiUpperCase(Oracle::RemoveSQLComments(SQL));
}

// Calls `visit` with every position of `text` (from `from`) that lies at
// the nesting level `from` starts at and outside quoted text; `visit`
// returns true to stop. Returns where it stopped (npos at the end or when
// the level's closing bracket is reached).
template <class Visit>
std::size_t WalkTopLevel(const String& text, std::size_t from, Visit visit) {
  Integer depth = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      // A doubled quote inside stands for one: the walk just leaves and
      // re-enters the literal.
      const std::size_t close = text.find(c, i + 1);
      if (close == npos) return npos;
      i = close;
      continue;
    }
    if (c == '(') {
      ++depth;
      continue;
    }
    if (c == ')') {
      if (--depth < 0) return npos;
      continue;
    }
    if (depth == 0 && visit(i)) return i;
  }
  return npos;
}

// Whether `word` stands at `at` as a word of its own.
bool WordAt(const String& text, std::size_t at, const char* word) {
  const std::size_t length = std::strlen(word);
  if (text.compare(at, length, word) != 0) return false;
  if (at > 0 && IsWordChar(static_cast<unsigned char>(text[at - 1]))) return false;
  const std::size_t end = at + length;
  return end >= text.size() || !IsWordChar(static_cast<unsigned char>(text[end]));
}

std::size_t FindTopLevelWord(const String& text, std::size_t from, const char* word) {
  return WalkTopLevel(text, from, [&](std::size_t i) { return WordAt(text, i, word); });
}

std::size_t SkipBlanks(const String& text, std::size_t at) {
  while (at < text.size() && !IsNameChar(static_cast<unsigned char>(text[at]))) ++at;
  return at;
}

std::size_t WordEnd(const String& text, std::size_t at) {
  while (at < text.size() && IsWordChar(static_cast<unsigned char>(text[at]))) ++at;
  return at;
}

// Where the first table name of the outer FROM clause starts in the
// prepared text, and where it ends; false when there is none. A sub-query
// as the first item leads into that sub-query's own FROM clause.
bool FindFromTable(const String& text, std::size_t& start, std::size_t& end) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t keyword = FindTopLevelWord(text, from, "FROM");
    if (keyword == npos) return false;
    const std::size_t item = SkipBlanks(text, keyword + 4);
    if (item >= text.size()) return false;
    if (text[item] == '(') {
      from = item + 1;
      continue;
    }
    start = item;
    end = WordEnd(text, item);
    return end > start;
  }
}

String WithoutQuotes(const String& name) {
  String result;
  for (char c : name)
    if (c != '"') result += c;
  return result;
}

}  // namespace

String UpdatingTableName(const String& SQL) {
  const String text = Prepared(SQL);
  std::size_t start = 0, end = 0;
  if (!FindFromTable(text, start, end)) return String();
  return WithoutQuotes(text.substr(start, end - start));
}

String TableAlias(const String& SQL, const String& TableName) {
  const String text = Prepared(SQL);
  std::size_t start = 0, end = 0;
  if (!FindFromTable(text, start, end)) return TableName;
  if (WithoutQuotes(text.substr(start, end - start)) != AnsiUpperCase(TableName)) return TableName;
  const std::size_t word = SkipBlanks(text, end);
  const std::size_t wordEnd = WordEnd(text, word);
  if (wordEnd == word) return TableName;
  const String alias = text.substr(word, wordEnd - word);
  for (const char* keyword : {"WHERE", "ORDER", "GROUP", "FOR", "START", "CONNECT"})
    if (alias == keyword) return TableName;
  return alias;
}

String ConstraintNameOf(const String& ServerMsg) {
  String rest = ServerMsg;
  for (;;) {
    const std::size_t open = rest.find('(');
    const std::size_t close = rest.find(')');
    if (open == npos || close == npos) return String();
    if (open < close) {
      const String inside = rest.substr(open + 1, close - open - 1);
      const std::size_t point = inside.find('.');
      if (point != npos) return inside.substr(point + 1);
    }
    rest.erase(0, close + 1);
  }
}

namespace {

// A query without comments, ready to be cut at its outer clauses. The
// keywords are found in an upper-cased copy of the same length; the parts
// are cut from the text as written, so literals keep their case.
class TOuterQuery {
 public:
  explicit TOuterQuery(const String& SQL)
      : text_(Oracle::RemoveSQLComments(SQL)), upper_(UpperCase(text_)) {
    // The ORDER BY or FOR tail is the end of the clauses conditions go to.
    WalkTopLevel(upper_, 0, [&](std::size_t i) {
      if (WordAt(upper_, i, "ORDER") || WordAt(upper_, i, "FOR")) tail_ = i;
      return tail_ != npos;
    });
    if (tail_ == npos) tail_ = text_.size();
    body_ = upper_.substr(0, tail_);
  }

  // Whether one of `Words` stands in the outer query before the tail.
  bool Has(std::initializer_list<const char*> Words) const { return Find(Words, nullptr) != npos; }

  // The query cut at the first of `Keywords` in the outer query before the
  // tail; without one Head runs up to the tail. Keyword is the word as
  // written; each part is trimmed.
  TSelectParts CutAt(std::initializer_list<const char*> Keywords) const {
    TSelectParts parts;
    parts.Tail = Trim(text_.substr(tail_));
    std::size_t length = 0;
    const std::size_t at = Find(Keywords, &length);
    if (at == npos) {
      parts.Head = Trim(text_.substr(0, tail_));
      return parts;
    }
    parts.Head = Trim(text_.substr(0, at));
    parts.Keyword = text_.substr(at, length);
    parts.Condition = Trim(text_.substr(at + length, tail_ - at - length));
    return parts;
  }

 private:
  std::size_t Find(std::initializer_list<const char*> Words, std::size_t* length) const {
    std::size_t at = npos;
    WalkTopLevel(body_, 0, [&](std::size_t i) {
      for (const char* word : Words)
        if (WordAt(body_, i, word)) {
          at = i;
          if (length) *length = std::strlen(word);
          return true;
        }
      return false;
    });
    return at;
  }

  String text_, upper_, body_;
  std::size_t tail_ = npos;
};

}  // namespace

String CountStatement(const String& SQL) {
  // Whichever comes first: a grouped query's WHERE leaves its GROUP BY and
  // HAVING in the condition, where they count the same rows.
  const TSelectParts parts = TOuterQuery(SQL).CutAt({"WHERE", "HAVING"});
  String result = "select count(*) from (\n";
  if (parts.Keyword.empty()) return result + parts.Head + "\n)";
  return result + parts.Head + "\n" + UpperCase(parts.Keyword) + " " + parts.Condition + ")";
}

TSelectParts SplitSelectStatement(const String& SQL) {
  const TOuterQuery query(SQL);
  // Only the outer query's own GROUP BY makes its rows groups: a grouped
  // sub-query, or the word in a literal, leaves the outer rows picked by
  // WHERE.
  const bool grouped = query.Has({"GROUP"});
  TSelectParts parts = query.CutAt({grouped ? "HAVING" : "WHERE"});
  parts.Keyword = grouped ? "having" : "where";
  return parts;
}

}  // namespace OracleDataSetSql
