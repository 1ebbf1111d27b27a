// oracle/standin/StandinRowid.h
//
// ROWIDs as the model gives them. A row's SQLite rowid stands for the
// block (its high bits) and the row in the block (its low 16 bits) of an
// Oracle ROWID in one data file of one data object, so that the text, the
// descriptor's bytes and the older data area's fields all say the same.
// Queries compare rowids as their texts, so a text the model gave leads
// back to its row.
#pragma once

#include <cstdint>
#include <string>

#include "oracle/OciDataArea.h"

struct sqlite3;

namespace Standin {

struct TRowidParts {
  ub4 object = 0;
  ub2 file = 0;
  ub4 block = 0;
  ub2 row = 0;
};

constexpr ub4 kRowidObject = 0x1C2F;
constexpr ub2 kRowidFile = 4;

TRowidParts RowidParts(std::int64_t rowid);
// The 18-character extended text.
std::string RowidText(const TRowidParts& parts);
// The descriptor's image: 13 bytes (a kind byte, then object, file, block
// and row most significant byte first), or four 32-bit values for the
// older client.
void WriteRowidImage(const TRowidParts& parts, bool four_values, void* image);
// The older generation's data area: object and file in the ROWID part's
// first fields, block and row after them.
void WriteAreaRowid(const TRowidParts& parts, cda_def& area);

// STANDIN_ROWID(rowid): the text of a row's rowid, for the translated SQL.
void RegisterRowid(sqlite3* db);

}  // namespace Standin
