// oracle/standin/StandinValue.h
//
// Values as the stand-in server holds them (SQLite's storage classes) and
// their conversion to and from the caller's buffers in the external data
// types of the call interface. Dates are held as text "YYYY-MM-DD HH:MM:SS"
// so that they sort and compare in SQLite as in Oracle.
#pragma once

#include <cstdint>
#include <string>

#include "oracle/OciTypes.h"

namespace Standin {

// External and internal data type codes.
constexpr ub2 kSqltChr = 1;
constexpr ub2 kSqltNum = 2;
constexpr ub2 kSqltInt = 3;
constexpr ub2 kSqltFlt = 4;
constexpr ub2 kSqltStr = 5;
constexpr ub2 kSqltLng = 8;
constexpr ub2 kSqltVcs = 9;
constexpr ub2 kSqltRid = 11;
constexpr ub2 kSqltDat = 12;
constexpr ub2 kSqltBin = 23;
constexpr ub2 kSqltLbi = 24;
constexpr ub2 kSqltUin = 68;
constexpr ub2 kSqltAfc = 96;
constexpr ub2 kSqltAvc = 97;
constexpr ub2 kSqltRdd = 104;
constexpr ub2 kSqltClob = 112;
constexpr ub2 kSqltBlob = 113;
constexpr ub2 kSqltCur = 102;  // a cursor data area
constexpr ub2 kSqltBfile = 114;
constexpr ub2 kSqltRset = 116;  // a statement handle

// A column as a describe reports it.
struct TColumnType {
  std::string name;
  ub2 type = kSqltChr;  // VARCHAR2
  ub2 size = 0;
  ub1 precision = 0;
  sb1 scale = 0;
  bool nullable = true;
  // An object (108) or REF (110) column: its type, "SCHEMA.NAME".
  std::string object_type;
};

struct TValue {
  enum class TKind { Null, Integer, Real, Text, Blob };
  TKind kind = TKind::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string bytes;  // Text and Blob

  static TValue Int(std::int64_t v) { return {TKind::Integer, v, 0, {}}; }
  static TValue Real(double v) { return {TKind::Real, 0, v, {}}; }
  static TValue Text(std::string v) { return {TKind::Text, 0, 0, std::move(v)}; }
  static TValue Blob(std::string v) { return {TKind::Blob, 0, 0, std::move(v)}; }
  bool IsNull() const { return kind == TKind::Null; }
  // The value as Oracle shows a number or text: ".5", "12", "abc".
  std::string AsText() const;
};

// Reads element `row` of a bound buffer of type `dty` and `size` bytes; the
// actual length, when the caller gave one, limits the bytes read. Empty text
// is NULL, as in Oracle. Returns an Oracle error number, 0 when read.
sb4 ReadExternal(const void* buffer, sb4 size, ub2 dty, const ub2* actual_length, TValue& out);

// Writes `value` into one element of a define or out-bind of `dty` and
// `size` bytes, converting as the column type asks. `length` receives the
// bytes written and `full` the length of the whole value; the result is an
// Oracle error number: 0, or 1406 when the value was cut.
sb4 WriteExternal(const TValue& value, const TColumnType& column, void* buffer, sb4 size, ub2 dty,
                  ub2* length, std::size_t* full);

// The seven-byte DATE image and the held text, both ways.
bool DateTextToImage(const std::string& text, ub1 image[7]);
std::string DateImageToText(const ub1 image[7]);

}  // namespace Standin
