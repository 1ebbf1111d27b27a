// oracle/standin/StandinCatalogue.cpp
//
// CREATE TABLE and DROP TABLE in Oracle's syntax, kept in the typed
// catalogue beside the SQLite table that holds the rows.
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>

#include "oracle/standin/StandinDatabase.h"
#include "oracle/standin/StandinSql.h"

namespace Standin {
namespace {

struct TOracleType {
  const char* name;
  ub2 code;
  const char* affinity;
};

constexpr TOracleType kTypes[] = {
    {"VARCHAR2", kSqltChr, "TEXT"},    {"VARCHAR", kSqltChr, "TEXT"},
    {"NVARCHAR2", kSqltChr, "TEXT"},   {"CHAR", kSqltAfc, "TEXT"},
    {"NCHAR", kSqltAfc, "TEXT"},       {"NUMBER", kSqltNum, "NUMERIC"},
    {"INTEGER", kSqltNum, "NUMERIC"},  {"INT", kSqltNum, "NUMERIC"},
    {"SMALLINT", kSqltNum, "NUMERIC"}, {"FLOAT", kSqltNum, "NUMERIC"},
    {"DATE", kSqltDat, "TEXT"},        {"LONG", kSqltLng, "TEXT"},
    {"LONG RAW", kSqltLbi, "BLOB"},    {"RAW", kSqltBin, "BLOB"},
    {"CLOB", kSqltClob, "TEXT"},       {"BLOB", kSqltBlob, "BLOB"},
    {"BFILE", kSqltBfile, "TEXT"},
};

struct TColumnDef {
  std::string name, type_name, default_text;
  TColumnType type;
};

bool IsConstraintWord(const TToken& token) {
  return token.Is("CONSTRAINT") || token.Is("PRIMARY") || token.Is("UNIQUE") || token.Is("CHECK") ||
         token.Is("FOREIGN") || token.Is("REFERENCES") || token.Is("NOT") || token.Is("NULL");
}

class TCatalogueWriter {
 public:
  TCatalogueWriter(TConnection& connection, std::string table)
      : connection_(connection), table_(std::move(table)) {}

  TOraError Run(const std::string& sql, std::initializer_list<std::string> values) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection_.Handle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
      return connection_.LastError(sql);
    int index = 1;
    for (const std::string& value : values)
      sqlite3_bind_text(statement, index++, value.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE ? TOraError{} : connection_.LastError(sql);
  }

  TOraError Constraint(const std::string& name, const std::string& type,
                       const std::vector<std::string>& columns, const std::string& condition,
                       const std::string& referenced = std::string()) {
    // Unnamed constraints are numbered per database, as the server does.
    std::string constraint = name;
    if (constraint.empty()) {
      sqlite3_stmt* count = nullptr;
      sqlite3_prepare_v2(connection_.Handle(), "SELECT COUNT(*) FROM STANDIN_CONSTRAINTS", -1,
                         &count, nullptr);
      sqlite3_step(count);
      constraint = "SYS_C" + std::to_string(100001 + sqlite3_column_int(count, 0));
      sqlite3_finalize(count);
    }
    if (TOraError e = Run("INSERT INTO STANDIN_CONSTRAINTS VALUES(?1, ?2, ?3, ?4, NULLIF(?5, ''), "
                          "NULL, NULL, 'ENABLED')",
                          {connection_.User(), constraint, type, table_, condition}))
      return e;
    // A foreign key names the referenced table's key: its primary key, else
    // its first unique key.
    if (!referenced.empty())
      if (TOraError e = Run("UPDATE STANDIN_CONSTRAINTS SET R_OWNER = ?1, R_CONSTRAINT_NAME = "
                            "(SELECT CONSTRAINT_NAME FROM STANDIN_CONSTRAINTS WHERE OWNER = ?1 "
                            "AND TABLE_NAME = ?2 AND CONSTRAINT_TYPE IN ('P', 'U') "
                            "ORDER BY CONSTRAINT_TYPE LIMIT 1) WHERE OWNER = ?1 AND "
                            "CONSTRAINT_NAME = ?3",
                            {connection_.User(), referenced, constraint}))
        return e;
    int position = 0;
    for (const std::string& column : columns)
      if (TOraError e =
              Run("INSERT INTO STANDIN_CONS_COLUMNS VALUES(?1, ?2, ?3, ?4, ?5)",
                  {connection_.User(), constraint, table_, column, std::to_string(++position)}))
        return e;
    return {};
  }

 private:
  TConnection& connection_;
  std::string table_;
};

}  // namespace

TOraError CreateTable(TConnection& connection, const std::string& text) {
  const std::vector<TToken> tokens = Tokenize(text);
  std::size_t i = 2;
  auto name_at = [&](std::size_t k) {
    return k < tokens.size()
               ? (tokens[k].kind == TToken::TKind::Quoted ? tokens[k].text : tokens[k].upper)
               : std::string();
  };
  if (i + 1 < tokens.size() && tokens[i + 1].IsSymbol(".")) i += 2;
  // The table a "references" names, without its owner.
  auto referenced_at = [&](std::size_t k) {
    return k + 2 < tokens.size() && tokens[k + 1].IsSymbol(".") ? name_at(k + 2) : name_at(k);
  };
  const std::string table = name_at(i++);
  if (table.empty() || i >= tokens.size() || !tokens[i].IsSymbol("(")) return NoRule(text);

  // Split the list at the commas outside parentheses.
  std::vector<std::pair<std::size_t, std::size_t>> elements;
  int depth = 0;
  std::size_t start = ++i;
  for (; i < tokens.size(); ++i) {
    if (tokens[i].IsSymbol("(")) ++depth;
    if (tokens[i].IsSymbol(")") && depth-- == 0) break;
    if (tokens[i].IsSymbol(",") && depth == 0) {
      elements.emplace_back(start, i);
      start = i + 1;
    }
  }
  if (i >= tokens.size()) return NoRule(text);
  elements.emplace_back(start, i);
  const auto slice = [&](std::size_t from, std::size_t to) {
    return text.substr(tokens[from].offset, tokens[to].offset - tokens[from].offset);
  };

  std::vector<TColumnDef> columns;
  std::vector<std::string> table_constraints, pads;
  struct TPendingConstraint {
    std::string name, type;
    std::vector<std::string> columns;
    std::string condition;
    std::string referenced = std::string();  // a foreign key's table
  };
  std::vector<TPendingConstraint> constraints;
  std::string sqlite_sql = "CREATE TABLE \"" + table + "\" (";
  for (const auto& [from, to] : elements) {
    if (from >= to) return NoRule(text);
    if (IsConstraintWord(tokens[from])) {
      TPendingConstraint pending;
      std::size_t k = from;
      if (tokens[k].Is("CONSTRAINT")) {
        pending.name = name_at(k + 1);
        k += 2;
      }
      pending.type = tokens[k].Is("PRIMARY")  ? "P"
                     : tokens[k].Is("UNIQUE") ? "U"
                     : tokens[k].Is("CHECK")  ? "C"
                                              : "R";
      if (pending.type == "C") {
        pending.condition = slice(k + 2, to - 1);
      } else {
        while (k < to && !tokens[k].IsSymbol("(")) ++k;
        for (++k; k < to && !tokens[k].IsSymbol(")"); ++k)
          if (!tokens[k].IsSymbol(",")) pending.columns.push_back(name_at(k));
        for (; k + 1 < to; ++k)
          if (tokens[k].Is("REFERENCES")) pending.referenced = referenced_at(k + 1);
      }
      constraints.push_back(pending);
      table_constraints.push_back(slice(from, to));
      continue;
    }
    TColumnDef column;
    column.name = name_at(from);
    std::size_t k = from + 1;
    if (k >= to) return NoRule(text);
    column.type_name = tokens[k].upper;
    if (column.type_name == "LONG" && k + 1 < to && tokens[k + 1].Is("RAW")) {
      column.type_name = "LONG RAW";
      ++k;
    }
    const TOracleType* type = nullptr;
    for (const TOracleType& candidate : kTypes)
      if (column.type_name == candidate.name) type = &candidate;
    if (!type) return NoRule("column type " + column.type_name);
    ++k;
    int precision = -1, scale = -1;
    if (k < to && tokens[k].IsSymbol("(")) {
      precision = std::atoi(tokens[k + 1].text.c_str());
      k += 2;
      if (tokens[k].IsSymbol(",")) {
        scale = std::atoi(tokens[k + 1].text.c_str());
        k += 2;
      }
      while (k < to && !tokens[k].IsSymbol(")")) ++k;  // CHAR or BYTE
      ++k;
    }
    column.type.name = column.name;
    column.type.type = type->code;
    switch (type->code) {
      case kSqltChr:
      case kSqltBin:
        column.type.size = static_cast<ub2>(precision < 0 ? 1 : precision);
        break;
      case kSqltAfc:
        column.type.size = static_cast<ub2>(precision < 0 ? 1 : precision);
        break;
      case kSqltDat:
        column.type.size = 7;
        break;
      case kSqltNum:
        column.type.size = 22;
        if (column.type_name == "FLOAT") {
          column.type.precision = static_cast<ub1>(precision < 0 ? 126 : precision);
          column.type.scale = -127;
        } else if (column.type_name != "NUMBER") {
          column.type.precision = 38;
        } else {
          column.type.precision = static_cast<ub1>(precision < 0 ? 0 : precision);
          column.type.scale = static_cast<sb1>(scale < 0 ? 0 : scale);
        }
        break;
      case kSqltClob:
      case kSqltBlob:
        column.type.size = 4000;
        break;
      case kSqltBfile:
        column.type.size = 530;
        break;
      default:
        column.type.size = 0;
        break;
    }
    std::string rest, pending_name;
    while (k < to) {
      if (tokens[k].Is("DEFAULT")) {
        std::size_t e = k + 1;
        while (e < to && !IsConstraintWord(tokens[e])) ++e;
        column.default_text = slice(k + 1, e == to ? to : e);
        if (e == to)
          column.default_text =
              text.substr(tokens[k + 1].offset, tokens[to].offset - tokens[k + 1].offset);
        while (!column.default_text.empty() &&
               std::isspace(static_cast<unsigned char>(column.default_text.back())))
          column.default_text.pop_back();
        TSqlContext context{connection.User(), nullptr};
        const std::string expression =
            TranslateSql("SELECT " + column.default_text, context).sql.substr(7);
        rest += " DEFAULT (" + expression + ")";
        k = e;
        continue;
      }
      if (tokens[k].Is("CONSTRAINT")) pending_name = name_at(k + 1);
      if (tokens[k].Is("NOT") && k + 1 < to && tokens[k + 1].Is("NULL"))
        column.type.nullable = false;
      if (tokens[k].Is("PRIMARY")) {
        column.type.nullable = false;
        constraints.push_back({pending_name, "P", {column.name}, ""});
        pending_name.clear();
      }
      if (tokens[k].Is("UNIQUE")) {
        constraints.push_back({pending_name, "U", {column.name}, ""});
        pending_name.clear();
      }
      // A foreign key of the column alone, written on the column. SQLite
      // takes the referenced table without its owner.
      if (tokens[k].Is("REFERENCES") && k + 1 < to) {
        const std::string referenced = referenced_at(k + 1);
        constraints.push_back({pending_name, "R", {column.name}, "", referenced});
        pending_name.clear();
        rest += " REFERENCES \"" + referenced + "\"";
        k += k + 3 < to && tokens[k + 2].IsSymbol(".") ? 4 : 2;
        continue;
      }
      rest += " " + (tokens[k].kind == TToken::TKind::String ? QuoteLiteral(tokens[k].text)
                                                             : tokens[k].text);
      ++k;
    }
    if (!column.type.nullable)
      constraints.push_back({"", "C", {column.name}, "\"" + column.name + "\" IS NOT NULL"});
    if (type->code == kSqltAfc) pads.push_back(column.name);
    sqlite_sql += (columns.empty() ? "\"" : ", \"") + column.name + "\" " + type->affinity + rest;
    columns.push_back(column);
  }
  for (const std::string& constraint : table_constraints) sqlite_sql += ", " + constraint;
  sqlite_sql += ")";

  // DDL commits what the session did before it, and itself.
  if (TOraError e = connection.Commit()) return e;
  if (TOraError e = connection.BeginDdl()) return e;
  TOraError error = connection.Exec(sqlite_sql);
  if (error.code == 3001 && error.text.find("already exists") != std::string::npos)
    error = OraError(955, "name is already used by an existing object");
  TCatalogueWriter writer(connection, table);
  if (!error)
    error = writer.Run("INSERT INTO STANDIN_TABLES VALUES(?1, ?2)", {connection.User(), table});
  int id = 0;
  for (const TColumnDef& c : columns) {
    if (error) break;
    error = writer.Run(
        "INSERT INTO STANDIN_COLUMNS VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, NULLIF(?8, ''), "
        "NULLIF(?9, ''), ?10, NULLIF(?11, ''))",
        {connection.User(), table, c.name, std::to_string(++id), c.type_name,
         std::to_string(c.type.type), std::to_string(c.type.size),
         c.type.type == kSqltNum && c.type.precision ? std::to_string(c.type.precision) : "",
         c.type.type == kSqltNum && c.type.precision ? std::to_string(c.type.scale) : "",
         c.type.nullable ? "Y" : "N", c.default_text});
  }
  for (TPendingConstraint& c : constraints) {
    // A check constraint's columns are those its condition names (words
    // outside its literals), as the server lists them.
    if (c.type == "C" && c.columns.empty())
      for (const TToken& token : Tokenize(c.condition))
        for (const TColumnDef& column : columns)
          if (((token.kind == TToken::TKind::Word && token.upper == column.name) ||
               (token.kind == TToken::TKind::Quoted && token.text == column.name)) &&
              std::find(c.columns.begin(), c.columns.end(), column.name) == c.columns.end())
            c.columns.push_back(column.name);
    if (!error) error = writer.Constraint(c.name, c.type, c.columns, c.condition, c.referenced);
  }
  // CHAR columns hold their values blank-padded to the declared length.
  for (const std::string& pad : pads) {
    if (error) break;
    std::string size;
    for (const TColumnDef& c : columns)
      if (c.name == pad) size = std::to_string(c.type.size);
    const std::string set = "UPDATE \"" + table + "\" SET \"" + pad + "\" = substr(\"" + pad +
                            "\" || printf('%" + size + "s', ''), 1, " + size +
                            ") WHERE rowid = NEW.rowid AND length(\"" + pad + "\") < " + size + ";";
    error = connection.Exec("CREATE TRIGGER \"STANDIN_PAD_" + table + "_" + pad +
                            "_I\" AFTER INSERT ON \"" + table + "\" BEGIN " + set + " END");
    if (!error)
      error = connection.Exec("CREATE TRIGGER \"STANDIN_PAD_" + table + "_" + pad +
                              "_U\" AFTER UPDATE OF \"" + pad + "\" ON \"" + table + "\" BEGIN " +
                              set + " END");
  }
  if (error) {
    connection.Rollback();
    return error;
  }
  return connection.Commit();
}

TOraError DropTable(TConnection& connection, const std::string& table) {
  if (TOraError e = connection.Commit()) return e;
  if (TOraError e = connection.BeginDdl()) return e;
  TOraError error = connection.Exec("DROP TABLE \"" + table + "\"");
  if (error.code == 942 || error.code == 3001)
    error = OraError(942, "table or view does not exist");
  TCatalogueWriter writer(connection, table);
  for (const char* catalogue :
       {"STANDIN_TABLES", "STANDIN_COLUMNS", "STANDIN_CONSTRAINTS", "STANDIN_CONS_COLUMNS"})
    if (!error)
      error =
          writer.Run(std::string("DELETE FROM ") + catalogue + " WHERE TABLE_NAME = ?1", {table});
  if (error) {
    connection.Rollback();
    return error;
  }
  return connection.Commit();
}

bool CreateSynonym(TConnection& connection, const std::string& text, TOraError& error) {
  const std::vector<TToken> tokens = Tokenize(text);
  std::size_t i = 1;
  const bool is_public = tokens.size() > 1 && tokens[1].Is("PUBLIC");
  if (is_public) ++i;
  if (tokens.empty() || !tokens[0].Is("CREATE") || i + 3 >= tokens.size() ||
      !tokens[i].Is("SYNONYM") || !tokens[i + 2].Is("FOR"))
    return false;
  const auto name_at = [&](std::size_t k) {
    return tokens[k].kind == TToken::TKind::Quoted ? tokens[k].text : tokens[k].upper;
  };
  const std::string synonym = name_at(i + 1);
  std::string owner = connection.User(), table = name_at(i + 3);
  if (i + 5 < tokens.size() && tokens[i + 4].IsSymbol(".")) {
    owner = table;
    table = name_at(i + 5);
  }
  if ((error = connection.Commit()) || (error = connection.BeginDdl())) return true;
  TCatalogueWriter writer(connection, table);
  error =
      writer.Run("INSERT INTO STANDIN_SYNONYMS VALUES(?1, ?2, ?3, ?4, NULL)",
                 {is_public ? std::string("PUBLIC") : connection.User(), synonym, owner, table});
  if (error) {
    connection.Rollback();
    return true;
  }
  error = connection.Commit();
  return true;
}

}  // namespace Standin
