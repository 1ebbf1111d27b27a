// oracle/standin/StandinRowid.cpp
#include "oracle/standin/StandinRowid.h"

#include <sqlite3.h>

#include <cstring>

namespace Standin {
namespace {

constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void Put(std::string& text, std::uint64_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) text += kDigits[(value >> (6 * i)) & 63];
}

void SqlRowid(sqlite3_context* context, int, sqlite3_value** arguments) {
  if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) return sqlite3_result_null(context);
  const std::string text = RowidText(RowidParts(sqlite3_value_int64(arguments[0])));
  sqlite3_result_text(context, text.c_str(), -1, SQLITE_TRANSIENT);
}

}  // namespace

TRowidParts RowidParts(std::int64_t rowid) {
  return {kRowidObject, kRowidFile, static_cast<ub4>(rowid >> 16),
          static_cast<ub2>(rowid & 0xFFFF)};
}

std::string RowidText(const TRowidParts& parts) {
  std::string text;
  Put(text, parts.object, 6);
  Put(text, parts.file, 3);
  Put(text, parts.block, 6);
  Put(text, parts.row, 3);
  return text;
}

void WriteRowidImage(const TRowidParts& parts, bool four_values, void* image) {
  if (four_values) {
    const ub4 values[4] = {parts.object, parts.file, parts.block, parts.row};
    std::memcpy(image, values, sizeof values);
    return;
  }
  ub1 bytes[13] = {1,
                   ub1(parts.object >> 24),
                   ub1(parts.object >> 16),
                   ub1(parts.object >> 8),
                   ub1(parts.object),
                   ub1(parts.file >> 8),
                   ub1(parts.file),
                   ub1(parts.block >> 24),
                   ub1(parts.block >> 16),
                   ub1(parts.block >> 8),
                   ub1(parts.block),
                   ub1(parts.row >> 8),
                   ub1(parts.row)};
  std::memcpy(image, bytes, sizeof bytes);
}

void WriteAreaRowid(const TRowidParts& parts, cda_def& area) {
  area.rid.rd.rcs4 = parts.object;
  area.rid.rd.rcs5 = parts.file;
  area.rid.rd.rcs6 = 0;
  area.rid.rcs7 = parts.block;
  area.rid.rcs8 = parts.row;
}

void RegisterRowid(sqlite3* db) {
  sqlite3_create_function(db, "STANDIN_ROWID", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                          SqlRowid, nullptr, nullptr);
}

}  // namespace Standin
