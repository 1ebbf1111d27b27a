// oracle/standin/StandinRules.cpp
#include "oracle/standin/StandinRules.h"

#include <sstream>

namespace Standin {
namespace {

TValue ValueOf(const std::string& text) {
  if (text == "\\N") return {};
  return TValue::Text(text);
}

// Values separated by "|".
std::vector<TValue> Values(const std::string& text) {
  std::vector<TValue> values;
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = text.find('|', start);
    values.push_back(ValueOf(text.substr(start, bar - start)));
    if (bar == std::string::npos) return values;
    start = bar + 1;
  }
}

std::string Unescape(const std::string& text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      result += '\n';
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

}  // namespace

bool ParseAnswer(const std::string& spec, TRuleAnswer& answer, std::string& fault) {
  std::istringstream lines(spec);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::istringstream words(line);
    std::string item;
    words >> item;
    bool ok = true;
    if (item == "columns") {
      TColumnType column;
      int type = 0, size = 0, precision = 0, scale = 0;
      ok = static_cast<bool>(words >> column.name >> type >> size);
      words >> precision >> scale;
      column.type = static_cast<ub2>(type);
      column.size = static_cast<ub2>(size);
      column.precision = static_cast<ub1>(precision);
      column.scale = static_cast<sb1>(scale);
      answer.columns.push_back(column);
    } else if (item == "row") {
      std::vector<TValue> row = Values(line.substr(std::min(line.size(), std::size_t{4})));
      ok = row.size() == answer.columns.size();
      answer.rows.push_back(row);
    } else if (item == "out" || item == "table" || item == "cursor") {
      std::string name, value;
      ok = static_cast<bool>(words >> name);
      std::getline(words >> std::ws, value);
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (item == "out") {
        answer.out_binds[name] = ValueOf(value);
      } else if (item == "table") {
        answer.out_tables[name] = value.empty() ? std::vector<TValue>{} : Values(value);
      } else {
        ok = ok && !value.empty();
        answer.out_cursors[name] = value;
      }
    } else if (item == "rows") {
      ok = static_cast<bool>(words >> answer.rows_processed);
    } else if (item == "error") {
      int offset = 0;
      ok = static_cast<bool>(words >> answer.error.code >> offset);
      answer.error.offset = static_cast<ub2>(offset);
      std::getline(words >> std::ws, answer.error.text);
      answer.error.text = Unescape(answer.error.text);
      ok = ok && answer.error.code != 0;
    } else {
      ok = false;
    }
    if (!ok) {
      fault = line;
      return false;
    }
  }
  return true;
}

bool TRule::Answers(const std::string& sql, TRuleAnswer& out) const {
  switch (match) {
    case TMatch::Exact:
      if (sql != text) return false;
      break;
    case TMatch::Pattern:
      if (!std::regex_search(sql, pattern)) return false;
      break;
    case TMatch::Function: {
      TRuleAnswer computed;
      if (!function || !function(sql, computed)) return false;
      out = computed;
      return true;
    }
  }
  out = answer;
  return true;
}

}  // namespace Standin
