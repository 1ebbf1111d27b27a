// oracle/standin/StandinObjectTables.cpp
//
// Object tables and the instances that travel between them and a client.
// An object table is a SQLite table with one column per attribute, an
// embedded object's attributes under their dotted names beside a column of
// the embedded object's own (1, or NULL for a null object), a REF as the
// text of the row it refers to. A query's REF(t) and VALUE(t) read the row's
// rowid and table as that same text; a define of the column with
// OCIDefineObject turns it into a reference, or into an instance built from
// the row in the image a 64-bit client lays out. An instance bound with
// OCIBindObject is read back from that image into an insert of its row,
// and a pinned one that is marked updated into its row by a flush. A LOB
// attribute is a LOB column of the row.
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "oracle/standin/StandinModel.h"

namespace Standin {
namespace {

// The client's DATE inside an instance: a 16-bit year and six bytes.
struct TOciDate {
  sb2 year;
  ub1 month, day, hour, minute, second;
};

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

TOraError NotAnInstance() {
  return OraError(21710, "argument is expecting a valid memory address of an object");
}

// A reference's text: the rowid text, a blank and the table.
bool SplitReference(const std::string& text, std::string& row, std::string& table) {
  const std::size_t blank = text.rfind(' ');
  if (blank == std::string::npos) return false;
  row = text.substr(0, blank);
  table = text.substr(blank + 1);
  return true;
}

// Runs a change of `sql` with an instance's values bound in their order.
TOraError ChangeRow(TConnection& connection, const std::string& sql,
                    const std::vector<std::pair<std::string, TValue>>& values, int& changed) {
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(connection.Handle(), sql.c_str(), -1, &query, nullptr) != SQLITE_OK)
    return connection.LastError(sql);
  for (std::size_t k = 0; k < values.size(); ++k)
    BindValue(query, static_cast<int>(k + 1), values[k].second);
  TOraError error = connection.Change(query, sql, changed);
  sqlite3_finalize(query);
  return error;
}

// Calls `visit` for each attribute of `type`, embedded ones after their
// object, with its dotted name.
template <class Visit>
void Walk(const TObjectTypes& types, const TObjectType& type, const std::string& prefix,
          const Visit& visit) {
  for (const TObjectAttr& attr : type.attributes) {
    const std::string path = prefix + attr.name;
    visit(attr, path);
    if (attr.typecode == kTypecodeObject) Walk(types, *types.Find(attr.type), path + ".", visit);
  }
}

}  // namespace

// ------------------------------------------------------------ NUMBER images

// Oracle's NUMBER: an exponent byte and base-100 digits. A positive number
// m1.m2m3... x 100^e is 193 + e, then each digit + 1; a negative one is
// 62 - e, then 101 - each digit, closed by 102 when it has fewer than 20
// digits; zero is the single byte 128. An OCINumber puts the length first.
static bool NumberToImage(const TValue& value, OCINumber& number) {
  std::memset(&number, 0, sizeof number);
  std::string digits;  // decimal digits of |value|
  int point = 0;       // digits before the decimal point
  bool negative = false;
  if (value.kind == TValue::TKind::Integer) {
    negative = value.integer < 0;
    digits = std::to_string(value.integer);
    if (negative) digits.erase(0, 1);
    point = static_cast<int>(digits.size());
  } else if (value.kind == TValue::TKind::Real && std::isfinite(value.real)) {
    negative = value.real < 0;
    char text[40];
    std::snprintf(text, sizeof text, "%.15e", std::fabs(value.real));
    digits = std::string(1, text[0]) + std::string(text + 2, 15);
    point = std::atoi(std::strchr(text, 'e') + 1) + 1;
  } else {
    return false;
  }
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    number.OCINumberPart[0] = 1;
    number.OCINumberPart[1] = 0x80;
    return true;
  }
  point -= static_cast<int>(first);
  digits.erase(0, first);
  if (point % 2 != 0) {  // base-100 digits pair up from the decimal point
    digits.insert(0, "0");
    ++point;
  }
  if (digits.size() % 2 != 0) digits += '0';
  std::vector<int> pairs;
  for (std::size_t i = 0; i < digits.size() && pairs.size() < 20; i += 2)
    pairs.push_back((digits[i] - '0') * 10 + (digits[i + 1] - '0'));
  while (!pairs.empty() && pairs.back() == 0) pairs.pop_back();
  const int exponent = point / 2 - 1;
  if (exponent > 62 || exponent < -65) return false;
  ub1* out = number.OCINumberPart + 1;
  std::size_t length = 0;
  out[length++] = static_cast<ub1>(negative ? 62 - exponent : 193 + exponent);
  for (int pair : pairs) out[length++] = static_cast<ub1>(negative ? 101 - pair : pair + 1);
  if (negative && pairs.size() < 20) out[length++] = 102;
  number.OCINumberPart[0] = static_cast<ub1>(length);
  return true;
}

static bool NumberFromImage(const OCINumber& number, TValue& value) {
  const ub1 length = number.OCINumberPart[0];
  const ub1* in = number.OCINumberPart + 1;
  if (length == 0 || length > 21) return false;
  if (length == 1 && in[0] == 0x80) {
    value = TValue::Int(0);
    return true;
  }
  const bool negative = !(in[0] & 0x80);
  const int exponent = negative ? 62 - in[0] : in[0] - 193;
  std::string digits;
  for (ub1 i = 1; i < length; ++i) {
    if (negative && in[i] == 102) break;
    const int pair = negative ? 101 - in[i] : in[i] - 1;
    if (pair < 0 || pair > 99) return false;
    digits += static_cast<char>('0' + pair / 10);
    digits += static_cast<char>('0' + pair % 10);
  }
  // digits read as d1d2.d3d4... x 100^exponent
  const int point = 2 * (exponent + 1);
  std::string text = negative ? "-" : "";
  if (point <= 0) {
    text += "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
  } else {
    if (digits.size() < static_cast<std::size_t>(point))
      digits.append(static_cast<std::size_t>(point) - digits.size(), '0');
    text += digits.substr(0, static_cast<std::size_t>(point));
    if (digits.size() > static_cast<std::size_t>(point))
      text += "." + digits.substr(static_cast<std::size_t>(point));
  }
  if (text.find('.') == std::string::npos && text.size() < 18) {
    value = TValue::Int(std::stoll(text));
  } else {
    value = TValue::Real(std::stod(text));
  }
  return true;
}

sword TModelServer::OCINumberFromReal(OCIError* err, const void* rnum, uword rnum_length,
                                      OCINumber* number) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  if (!error || !rnum || !number) return OCI_INVALID_HANDLE;
  double real = 0;
  if (rnum_length == sizeof(double)) {
    std::memcpy(&real, rnum, sizeof real);
  } else if (rnum_length == sizeof(float)) {
    float single = 0;
    std::memcpy(&single, rnum, sizeof single);
    real = single;
  } else {
    return Fail(error, OraError(22053, "overflow error"));
  }
  if (!NumberToImage(TValue::Real(real), *number))
    return Fail(error, OraError(22053, "overflow error"));
  return OCI_SUCCESS;
}

sword TModelServer::OCINumberToReal(OCIError* err, const OCINumber* number, uword rsl_length,
                                    void* rsl) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  if (!error || !number || !rsl) return OCI_INVALID_HANDLE;
  TValue value;
  if (!NumberFromImage(*number, value))
    return Fail(error, OraError(22060, "argument [1] is an invalid or uninitialized number"));
  const double real = value.kind == TValue::TKind::Integer ? double(value.integer) : value.real;
  if (rsl_length == sizeof(double)) {
    std::memcpy(rsl, &real, sizeof real);
  } else if (rsl_length == sizeof(float)) {
    const auto single = static_cast<float>(real);
    std::memcpy(rsl, &single, sizeof single);
  } else {
    return Fail(error, OraError(22053, "overflow error"));
  }
  return OCI_SUCCESS;
}

// ----------------------------------------------------------------- strings

sword TModelServer::OCIStringAssignText(OCIEnv* env, OCIError* err, const OraText* rhs, ub4 rhs_len,
                                        OCIString** lhs) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  if (!Live<TEnvHandle>(env, kHtypeEnv) || !error || !lhs || (!rhs && rhs_len))
    return OCI_INVALID_HANDLE;
  auto* target = static_cast<TStringObject*>(LiveObject(*lhs, kObjString));
  if (*lhs && !target) return Fail(error, NotAnInstance());
  if (!target) {
    void* made = nullptr;
    Own(std::make_unique<TStringObject>(), &made, nullptr);
    target = static_cast<TStringObject*>(made);
    *lhs = reinterpret_cast<OCIString*>(static_cast<THandle*>(target));
  }
  target->text.assign(reinterpret_cast<const char*>(rhs), rhs_len);
  return OCI_SUCCESS;
}

OraText* TModelServer::OCIStringPtr(OCIEnv*, const OCIString* vs) {
  std::lock_guard lock(mutex_);
  auto* string = static_cast<TStringObject*>(LiveObject(vs, kObjString));
  return string ? reinterpret_cast<OraText*>(string->text.data()) : nullptr;
}

// ------------------------------------------------------------ object tables

TOraError TModelServer::CreateObjectTable(TConnection& connection, const std::string& text) {
  const std::vector<TToken> t = Tokenize(text);
  std::size_t i = 2;
  if (i + 1 < t.size() && t[i + 1].IsSymbol(".")) i += 2;
  if (i + 2 >= t.size() || !t[i + 1].Is("OF")) return NoRule(text);
  const std::string table = t[i].kind == TToken::TKind::Quoted ? t[i].text : t[i].upper;
  std::string type_name;
  for (std::size_t k = i + 2; k < t.size(); ++k)
    type_name += t[k].kind == TToken::TKind::Quoted ? t[k].text : t[k].upper;
  const TObjectType* type = types_.Find(connection.User(), type_name);
  if (!type) return OraError(902, "invalid datatype");
  std::string columns;
  TOraError refused;
  Walk(types_, *type, "", [&](const TObjectAttr& attr, const std::string& path) {
    std::string column;
    switch (attr.typecode) {
      case kTypecodeNumber:
        column = attr.precision ? "NUMBER(" + std::to_string(attr.precision) + "," +
                                      std::to_string(attr.scale) + ")"
                                : "NUMBER";
        break;
      case kTypecodeVarchar2:
        column = "VARCHAR2(" + std::to_string(attr.size) + ")";
        break;
      case kTypecodeChar:
        column = "CHAR(" + std::to_string(attr.size) + ")";
        break;
      case kTypecodeRaw:
        column = "RAW(" + std::to_string(attr.size) + ")";
        break;
      case kTypecodeDate:
        column = "DATE";
        break;
      case kTypecodeObject:
        column = "NUMBER(1)";  // the embedded object's own null-ness
        break;
      case kTypecodeRef:
        column = "VARCHAR2(200)";
        break;
      case kSqltClob:
        column = "CLOB";
        break;
      case kSqltBlob:
        column = "BLOB";
        break;
      case kSqltBfile:
        column = "BFILE";
        break;
      default:
        refused = NoRule("an object table of a type with an attribute of type code " +
                         std::to_string(attr.typecode) + ": " + text);
        return;
    }
    columns += (columns.empty() ? "" : ", ") + Quoted(path) + " " + column;
  });
  if (refused) return refused;
  if (TOraError e = CreateTable(connection, "CREATE TABLE " + Quoted(table) + " (" + columns + ")"))
    return e;
  object_tables_[table] = type->Key();
  return {};
}

std::string TModelServer::RewriteObjects(TStmtHandle* stmt) {
  stmt->object_columns.clear();
  const std::vector<TToken> t = Tokenize(stmt->text);
  // Each name an object table is known by here: its own and its aliases.
  std::map<std::string, std::string> tables;
  static const char* const kNotAliases[] = {
      "WHERE", "ORDER", "GROUP",  "CONNECT", "START", "UNION", "MINUS", "FOR",  "HAVING",
      "JOIN",  "ON",    "VALUES", "SET",     "LEFT",  "RIGHT", "INNER", "WITH", "INTERSECT"};
  for (std::size_t i = 0; i < t.size(); ++i) {
    const std::string name = t[i].kind == TToken::TKind::Quoted ? t[i].text : t[i].upper;
    if (t[i].kind == TToken::TKind::Symbol || !object_tables_.count(name)) continue;
    tables[name] = name;
    if (i + 1 < t.size() && t[i + 1].kind == TToken::TKind::Word &&
        std::none_of(std::begin(kNotAliases), std::end(kNotAliases),
                     [&](const char* word) { return t[i + 1].Is(word); }))
      tables[t[i + 1].upper] = name;
  }
  if (tables.empty()) return stmt->text;
  std::string text;
  std::size_t copied = 0, column = 0;
  int depth = 0;
  bool select_list = !t.empty() && t[0].Is("SELECT");
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].IsSymbol("(")) ++depth;
    if (t[i].IsSymbol(")")) --depth;
    if (depth == 0 && t[i].IsSymbol(",")) ++column;
    if (depth == 0 && t[i].Is("FROM")) select_list = false;
    if (!(t[i].Is("REF") || t[i].Is("VALUE")) || i + 3 >= t.size() || !t[i + 1].IsSymbol("(") ||
        !tables.count(t[i + 2].upper) || !t[i + 3].IsSymbol(")"))
      continue;
    const std::string alias = t[i + 2].text;
    const std::string& table = tables[t[i + 2].upper];
    text += stmt->text.substr(copied, t[i].offset - copied) + "(" + alias + ".rowid || ' ' || " +
            "'" + table + "')";
    copied = t[i + 3].offset + 1;
    if (select_list) {
      TColumnType type;
      type.type = t[i].Is("REF") ? kTypecodeRef : kTypecodeObject;
      type.size = type.type == kTypecodeRef ? 36 : 0;
      type.name = t[i].upper + "(" + t[i + 2].upper + ")";
      if (i + 4 < t.size() && t[i + 4].Is("AS") && i + 5 < t.size())
        type.name = t[i + 5].upper;
      else if (i + 4 < t.size() && t[i + 4].kind == TToken::TKind::Word && !t[i + 4].Is("FROM"))
        type.name = t[i + 4].upper;
      type.object_type = object_tables_[table];
      stmt->object_columns.emplace_back(column, type);
    }
    i += 3;
  }
  return text + stmt->text.substr(copied);
}

// The row's values by column, in `connection`'s transaction.
TOraError TModelServer::ReadObjectRow(TConnection& connection, const std::string& reference,
                                      std::string& table, std::map<std::string, TValue>& values,
                                      std::int64_t* rowid) {
  std::string row;
  if (!SplitReference(reference, row, table) || !object_tables_.count(table))
    return OraError(21700, "object does not exist or is marked for delete");
  connection.Refresh();
  const std::string sql =
      "SELECT rowid, * FROM " + Quoted(table) + " WHERE STANDIN_ROWID(rowid) = ?1";
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(connection.Handle(), sql.c_str(), -1, &query, nullptr) != SQLITE_OK)
    return connection.LastError(sql);
  sqlite3_bind_text(query, 1, row.c_str(), -1, SQLITE_TRANSIENT);
  const int rc = sqlite3_step(query);
  if (rc == SQLITE_ROW) {
    if (rowid) *rowid = sqlite3_column_int64(query, 0);
    for (int i = 1; i < sqlite3_column_count(query); ++i)
      values[sqlite3_column_name(query, i)] = ColumnValue(query, i);
  }
  sqlite3_finalize(query);
  if (rc == SQLITE_DONE) return OraError(21700, "object does not exist or is marked for delete");
  if (rc != SQLITE_ROW) return connection.LastError(sql);
  return {};
}

// Writes a row's values into `instance`'s images.
TOraError TModelServer::FillInstance(TInstance& instance,
                                     const std::map<std::string, TValue>& values,
                                     TSessionHandle* session) {
  const TObjectTypes::TLayout layout = types_.Layout(instance.type);
  const auto set_indicator = [&](std::size_t at, OCIInd ind) {
    std::memcpy(instance.indicators.get() + at, &ind, sizeof ind);
  };
  set_indicator(0, 0);
  std::size_t index = 0;
  TOraError error;
  Walk(types_, *types_.Find(instance.type), "", [&](const TObjectAttr& attr, const std::string&) {
    const TAttrPlace& place = layout.places[index++];
    const auto found = values.find(place.name);
    const TValue value = found == values.end() ? TValue{} : found->second;
    unsigned char* at = instance.image.get() + place.value_offset;
    set_indicator(place.indicator_offset, value.IsNull() ? -1 : 0);
    if (value.IsNull() || attr.typecode == kTypecodeObject) return;
    switch (attr.typecode) {
      case kTypecodeNumber: {
        OCINumber number;
        TValue numeric = value;
        if (value.kind == TValue::TKind::Text) numeric = TValue::Real(std::stod(value.bytes));
        if (!NumberToImage(numeric, number)) error = OraError(1426, "numeric overflow");
        std::memcpy(at, &number, sizeof number);
        return;
      }
      case kTypecodeDate: {
        ub1 image[7];
        TOciDate date{};
        if (DateTextToImage(value.AsText(), image)) {
          date.year = static_cast<sb2>((image[0] - 100) * 100 + (image[1] - 100));
          date.month = image[2];
          date.day = image[3];
          date.hour = static_cast<ub1>(image[4] - 1);
          date.minute = static_cast<ub1>(image[5] - 1);
          date.second = static_cast<ub1>(image[6] - 1);
        }
        std::memcpy(at, &date, sizeof date);
        return;
      }
      case kSqltClob:
      case kSqltBlob:
      case kSqltBfile: {
        auto made =
            std::make_unique<TLobHandle>(attr.typecode == kSqltBfile ? kDtypeFile : kDtypeLob);
        TLobHandle* lob = made.get();
        void* slot = nullptr;
        Own(std::move(made), &slot, nullptr);
        instance.parts.push_back(lob);
        std::memcpy(at, &slot, sizeof slot);
        // The row's own LOB only where the session holds the row, as the
        // server lets only such a locator be written; elsewhere the value
        // as it was read.
        TConnection* connection = session ? session->connection.get() : nullptr;
        if (attr.typecode != kSqltBfile && instance.rowid && connection &&
            connection->Holds({instance.table, instance.rowid})) {
          BindLobToRow(lob, attr.typecode, instance.table, place.name, instance.rowid);
        } else if (TOraError e = SetFetchedLob(lob, attr.typecode, value)) {
          error = e;
        }
        return;
      }
      case kTypecodeRef: {
        auto ref = std::make_unique<TRefObject>();
        ref->type = attr.type;
        ref->session = session;
        SplitReference(value.bytes, ref->row, ref->table);
        void* made = nullptr;
        Own(std::move(ref), &made, nullptr);
        instance.parts.push_back(static_cast<THandle*>(made));
        std::memcpy(at, &made, sizeof made);
        return;
      }
      default: {
        auto string = std::make_unique<TStringObject>();
        string->text = value.bytes;
        void* made = nullptr;
        Own(std::move(string), &made, nullptr);
        instance.parts.push_back(static_cast<THandle*>(made));
        std::memcpy(at, &made, sizeof made);
        return;
      }
    }
  });
  return error;
}

// The values an instance's images hold, by column of its object table.
TOraError TModelServer::InstanceValues(const void* image, const void* indicators,
                                       const std::string& type,
                                       std::vector<std::pair<std::string, TValue>>& values,
                                       TConnection& connection) {
  const TObjectTypes::TLayout layout = types_.Layout(type);
  const auto* bytes = static_cast<const unsigned char*>(image);
  const auto* inds = static_cast<const unsigned char*>(indicators);
  const auto indicator = [&](std::size_t at) {
    OCIInd ind = 0;
    std::memcpy(&ind, inds + at, sizeof ind);
    return ind;
  };
  const bool whole_null = indicator(0) == -1;
  std::size_t index = 0;
  std::vector<std::string> null_objects;
  TOraError error;
  Walk(types_, *types_.Find(type), "", [&](const TObjectAttr& attr, const std::string&) {
    const TAttrPlace& place = layout.places[index++];
    TValue value;
    bool is_null = whole_null || indicator(place.indicator_offset) == -1;
    for (const std::string& object : null_objects)
      if (place.name.rfind(object + ".", 0) == 0) is_null = true;
    if (attr.typecode == kTypecodeObject) {
      if (is_null) null_objects.push_back(place.name);
      values.emplace_back(place.name, is_null ? TValue{} : TValue::Int(1));
      return;
    }
    const unsigned char* at = bytes + place.value_offset;
    void* pointer = nullptr;
    if (!is_null && place.size == sizeof pointer && attr.typecode != kTypecodeDate)
      std::memcpy(&pointer, at, sizeof pointer);
    if (is_null) {
      // stays NULL
    } else if (attr.typecode == kTypecodeNumber) {
      OCINumber number;
      std::memcpy(&number, at, sizeof number);
      if (!NumberFromImage(number, value))
        error = OraError(22060, "argument [1] is an invalid or uninitialized number");
    } else if (attr.typecode == kTypecodeDate) {
      TOciDate date;
      std::memcpy(&date, at, sizeof date);
      char text[32];
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month,
                    date.day, date.hour, date.minute, date.second);
      value = TValue::Text(text);
    } else if (IsLobType(attr.typecode)) {
      TLobHandle* lob = LiveLob(pointer);
      std::string bytes;
      if (!lob) {
        error = NotAnInstance();
      } else if (!lob->initialised) {
        // stays NULL
      } else if (attr.typecode == kSqltBfile) {
        value = TValue::Text(BfileValue(lob->directory, lob->file));
      } else if (TOraError e = ReadLob(lob, connection, bytes)) {
        error = e;
      } else {
        value = attr.typecode == kSqltBlob ? TValue::Blob(bytes) : TValue::Text(bytes);
      }
    } else if (attr.typecode == kTypecodeRef) {
      auto* ref = static_cast<TRefObject*>(LiveObject(pointer, kObjRef));
      if (!ref) {
        error = NotAnInstance();
      } else if (!ref->table.empty()) {
        value = TValue::Text(ref->row + " " + ref->table);
      } else if (!ref->type.empty()) {
        error = NoRule("a reference to a type stored as an attribute");
      }
    } else {
      auto* string = static_cast<TStringObject*>(LiveObject(pointer, kObjString));
      if (!string) {
        error = NotAnInstance();
      } else if (!string->text.empty()) {
        value =
            attr.typecode == kTypecodeRaw ? TValue::Blob(string->text) : TValue::Text(string->text);
      }
    }
    values.emplace_back(place.name, value);
  });
  return error;
}

bool TModelServer::IsObjectInsert(const TStmtHandle* stmt, std::string& table,
                                  std::string& bind) const {
  const std::vector<TToken> t = Tokenize(stmt->text);
  std::size_t i = 2;
  if (t.size() < 7 || !t[0].Is("INSERT") || !t[1].Is("INTO")) return false;
  if (t[i + 1].IsSymbol(".")) i += 2;
  table = t[i].kind == TToken::TKind::Quoted ? t[i].text : t[i].upper;
  // Only the whole row from one bound instance: INSERT INTO t VALUES (:b).
  if (!object_tables_.count(table) || i + 5 != t.size()) return false;
  if (!t[i + 1].Is("VALUES") || !t[i + 2].IsSymbol("(") || t[i + 3].kind != TToken::TKind::Bind ||
      !t[i + 4].IsSymbol(")"))
    return false;
  bind = t[i + 3].upper;
  return true;
}

TOraError TModelServer::InsertObjects(TStmtHandle* stmt, TConnection& connection,
                                      const std::string& table, const std::string& name, ub4 iters,
                                      ub4 rowoff) {
  const TBindHandle* bind = stmt->Bind(name);
  if (!bind) return OraError(1008, "not all variables bound");
  const std::string& type = object_tables_[table];
  if (!bind->object.on || bind->buffer.dty != kTypecodeObject)
    return OraError(932, "inconsistent datatypes: expected " + type);
  if (bind->object.type != type)
    return OraError(932, "inconsistent datatypes: expected " + type + " got " + bind->object.type);
  if (TOraError e = connection.Begin()) return e;
  for (ub4 row = rowoff; row < iters; ++row) {
    void* instance = *bind->object.InstanceAt(row);
    const auto found = instances_.find(instance);
    if (found == instances_.end()) return NotAnInstance();
    void* indicators = bind->object.IndicatorAt(row) ? *bind->object.IndicatorAt(row) : nullptr;
    std::vector<std::pair<std::string, TValue>> values;
    if (TOraError e =
            InstanceValues(instance, indicators ? indicators : found->second.indicators.get(), type,
                           values, connection))
      return e;
    std::string columns, places;
    for (std::size_t k = 0; k < values.size(); ++k) {
      columns += (k ? ", " : "") + Quoted(values[k].first);
      places += (k ? ", ?" : "?") + std::to_string(k + 1);
    }
    const std::string sql =
        "INSERT INTO " + Quoted(table) + " (" + columns + ") VALUES (" + places + ")";
    int changed = 0;
    if (TOraError e = ChangeRow(connection, sql, values, changed)) return e;
    stmt->row_count += static_cast<ub4>(changed);
    stmt->last_rowid = connection.LastRow();
  }
  return {};
}

// A bound REF as the value its column or REF(t) compares with.
TOraError TModelServer::ReferenceValue(const TBindHandle& bind, ub4 row, TValue& value) {
  value = {};
  if (bind.buffer.dty != kTypecodeRef) return NoRule("an object bound as a value of " + bind.name);
  const sb2* ind = bind.buffer.IndAt(row);
  if (ind && *ind == -1) return {};
  auto* ref = static_cast<TRefObject*>(LiveObject(*bind.object.InstanceAt(row), kObjRef));
  if (!ref) return NotAnInstance();
  if (ref->table.empty() && !ref->type.empty())
    return NoRule("a reference to a type bound as " + bind.name);
  if (!ref->table.empty()) value = TValue::Text(ref->row + " " + ref->table);
  return {};
}

TOraError TModelServer::FetchObject(TStmtHandle* stmt, const TDefineHandle& define, ub4 row,
                                    const TValue& value) {
  const TBufferSpec& b = define.buffer;
  const TColumnType& column = stmt->columns[define.position - 1];
  if (!define.object.on || b.dty != column.type) return OraError(932, "inconsistent datatypes");
  void** slot = define.object.InstanceAt(row);
  if (b.ind) *b.IndAt(row) = value.IsNull() ? -1 : 0;
  if (b.len) *b.LenAt(row) = 0;
  if (column.type == kTypecodeRef) {
    auto* ref = static_cast<TRefObject*>(LiveObject(*slot, kObjRef));
    if (*slot && !ref) return NotAnInstance();
    if (!ref) {
      void* made = nullptr;
      Own(std::make_unique<TRefObject>(), &made, nullptr);
      ref = static_cast<TRefObject*>(made);
      *slot = made;
    }
    ref->type = value.IsNull() ? "" : column.object_type;
    ref->table.clear();
    ref->row.clear();
    ref->session = stmt->session;
    if (!value.IsNull()) SplitReference(value.bytes, ref->row, ref->table);
    return {};
  }
  if (!define.object.type.empty() && define.object.type != column.object_type)
    return OraError(932, "inconsistent datatypes: expected " + column.object_type);
  auto found = instances_.find(*slot);
  if (*slot && found == instances_.end()) return NotAnInstance();
  if (found == instances_.end()) {
    const TObjectTypes::TLayout layout = types_.Layout(column.object_type);
    TInstance made;
    made.type = column.object_type;
    made.image = std::make_unique<unsigned char[]>(std::max<std::size_t>(layout.size, 1));
    made.indicators = std::make_unique<unsigned char[]>(layout.indicator_size);
    void* key = made.image.get();
    found = instances_.emplace(key, std::move(made)).first;
    *slot = key;
  }
  TInstance& instance = found->second;
  if (instance.type != column.object_type)
    return OraError(932, "inconsistent datatypes: expected " + column.object_type);
  ReleaseParts(instance);
  const TObjectTypes::TLayout layout = types_.Layout(instance.type);
  std::memset(instance.image.get(), 0, layout.size);
  if (void** indicator = define.object.IndicatorAt(row)) *indicator = instance.indicators.get();
  if (value.IsNull()) {
    for (std::size_t at = 0; at < layout.indicator_size; at += 2) {
      const OCIInd ind = -1;
      std::memcpy(instance.indicators.get() + at, &ind, sizeof ind);
    }
    return {};
  }
  if (!stmt->session || !stmt->session->connection)
    return OraError(3114, "not connected to ORACLE");
  std::map<std::string, TValue> values;
  std::string table;
  if (TOraError e = ReadObjectRow(*stmt->session->connection, value.bytes, table, values)) return e;
  return FillInstance(instance, values, stmt->session);
}

void TModelServer::ReleaseParts(TInstance& instance) {
  for (THandle* part : instance.parts)
    if (live_.count(part)) Disown(part);
  instance.parts.clear();
}

TOraError TModelServer::PinRow(TRefObject* ref, void** object) {
  if (!ref->session || !ref->session->connection || !live_.count(ref->session))
    return OraError(3114, "not connected to ORACLE");
  std::map<std::string, TValue> values;
  std::string table;
  std::int64_t rowid = 0;
  if (TOraError e = ReadObjectRow(*ref->session->connection, ref->row + " " + ref->table, table,
                                  values, &rowid))
    return e;
  const TObjectTypes::TLayout layout = types_.Layout(ref->type);
  TInstance made;
  made.type = ref->type;
  made.image = std::make_unique<unsigned char[]>(std::max<std::size_t>(layout.size, 1));
  made.indicators = std::make_unique<unsigned char[]>(layout.indicator_size);
  made.pinned = true;
  made.from_table = true;
  made.table = table;
  made.rowid = rowid;
  made.session = ref->session;
  void* key = made.image.get();
  TInstance& instance = instances_.emplace(key, std::move(made)).first->second;
  if (TOraError e = FillInstance(instance, values, ref->session)) return e;
  *object = key;
  return {};
}

sword TModelServer::OCIBindObject(OCIBind* bindp, OCIError* errhp, const OCIType* type,
                                  void** pgvpp, ub4*, void** indpp, ub4*) {
  std::lock_guard lock(mutex_);
  auto* bind = Live<TBindHandle>(bindp, kHtypeBind);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!bind || !error || !pgvpp) return OCI_INVALID_HANDLE;
  auto* descriptor = static_cast<TTypeDescriptor*>(LiveObject(type, kObjTypeDescriptor));
  if (!descriptor) return OCI_INVALID_HANDLE;
  if (bind->buffer.dty != kTypecodeObject && bind->buffer.dty != kTypecodeRef)
    return Fail(error, OraError(932, "inconsistent datatypes"));
  bind->object = {true, descriptor->type, pgvpp, indpp};
  return OCI_SUCCESS;
}

sword TModelServer::OCIDefineObject(OCIDefine* defnp, OCIError* errhp, const OCIType* type,
                                    void** pgvpp, ub4*, void** indpp, ub4*) {
  std::lock_guard lock(mutex_);
  auto* define = Live<TDefineHandle>(defnp, kHtypeDefine);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!define || !error || !pgvpp) return OCI_INVALID_HANDLE;
  const ub2 dty = define->buffer.dty;
  if (dty != kTypecodeObject && dty != kTypecodeRef)
    return Fail(error, OraError(932, "inconsistent datatypes"));
  std::string key;
  if (type) {
    auto* descriptor = static_cast<TTypeDescriptor*>(LiveObject(type, kObjTypeDescriptor));
    if (!descriptor) return OCI_INVALID_HANDLE;
    key = descriptor->type;
  } else if (dty == kTypecodeObject) {
    // An instance cannot be made without its type.
    return Fail(error, OraError(22303, "type not found"));
  }
  define->object = {true, key, pgvpp, indpp};
  return OCI_SUCCESS;
}

sword TModelServer::OCIObjectFlush(OCIEnv* env, OCIError* err, void* object) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(err, kHtypeError);
  if (!Live<TEnvHandle>(env, kHtypeEnv) || !error) return OCI_INVALID_HANDLE;
  const auto found = instances_.find(object);
  if (found == instances_.end()) return Fail(error, NotAnInstance());
  if (TOraError e = FlushInstance(found->second)) return Fail(error, e);
  return OCI_SUCCESS;
}

TOraError TModelServer::FlushInstance(TInstance& instance) {
  // Only an instance read from a table has a row to go back to.
  if (!instance.from_table) return NoRule("a flush of an object that no table holds");
  if (!instance.dirty) return {};
  TSessionHandle* session = instance.session;
  if (!session || !live_.count(session) || !session->connection)
    return OraError(3114, "not connected to ORACLE");
  TConnection& connection = *session->connection;
  std::vector<std::pair<std::string, TValue>> values;
  if (TOraError e = InstanceValues(instance.image.get(), instance.indicators.get(), instance.type,
                                   values, connection))
    return e;
  if (TOraError e = connection.Begin()) return e;
  std::string sets;
  for (std::size_t k = 0; k < values.size(); ++k)
    sets += (k ? ", " : "") + Quoted(values[k].first) + " = ?" + std::to_string(k + 1);
  const std::string sql = "UPDATE " + Quoted(instance.table) + " SET " + sets +
                          " WHERE rowid = " + std::to_string(instance.rowid);
  int changed = 0;
  TOraError error = ChangeRow(connection, sql, values, changed);
  if (!error && changed == 0)
    error = OraError(21700, "object does not exist or is marked for delete");
  if (!error) instance.dirty = false;
  return error;
}

}  // namespace Standin
