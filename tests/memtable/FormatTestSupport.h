// tests/memtable/FormatTestSupport.h
//
// Small verbs for the stream-format tests: tables made from a list of
// fields, rows added by text, saving to and loading from bytes, and reading a
// column back.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "memtable/MemTable.h"
#include "memtable/StreamFormat.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Streams.h"

struct FieldShape {
  String Name;
  TFieldType Type;
  Integer Size = 0;
};

// One field of every type a table file can hold, named by its type.
inline const std::vector<FieldShape>& EveryStorableType() {
  static const std::vector<FieldShape> fields = {
      {"S", ftString, 12},   {"SI", ftSmallint}, {"I", ftInteger},       {"W", ftWord},
      {"Bo", ftBoolean},     {"F", ftFloat},     {"C", ftCurrency},      {"BC", ftBCD, 4},
      {"D", ftDate},         {"T", ftTime},      {"DT", ftDateTime},     {"By", ftBytes, 4},
      {"VB", ftVarBytes, 6}, {"AI", ftAutoInc},  {"Bl", ftBlob},         {"Me", ftMemo},
      {"Gr", ftGraphic},     {"FM", ftFmtMemo},  {"FC", ftFixedChar, 6}, {"WS", ftWideString, 10},
      {"LI", ftLargeint},    {"Gu", ftGuid, 38}, {"TS", ftTimeStamp},    {"FB", ftFMTBcd, 4}};
  return fields;
}

// A value in every field of EveryStorableType(), each one that a file must
// keep exactly (times to the second, text in and beyond ASCII, bytes of
// every kind).
inline void FillEveryType(TvomCustomMemTable& r) {
  using namespace std::string_literals;
  r.FieldByName("S")->SetAsString("text");
  r.FieldByName("SI")->SetAsInteger(-32768);
  r.FieldByName("I")->SetAsInteger(2147483647);
  r.FieldByName("W")->SetAsInteger(65535);
  r.FieldByName("Bo")->SetAsBoolean(true);
  r.FieldByName("F")->SetAsFloat(-1.25e-7);
  r.FieldByName("C")->SetAsString("1234.5678");
  r.FieldByName("BC")->SetAsString("-0.0001");
  r.FieldByName("D")->SetAsDateTime(EncodeDate(2024, 2, 29));
  r.FieldByName("T")->SetAsDateTime(EncodeTime(23, 59, 58, 0));
  r.FieldByName("DT")->SetAsDateTime(EncodeDateTime(1999, 12, 31, 7, 5, 3, 0));
  r.FieldByName("By")->SetAsString("\x01\x02\x03\xff"s);
  r.FieldByName("VB")->SetAsString("\0\x80"s);
  r.FieldByName("Bl")->SetAsString("blob\0\xfe"s);
  r.FieldByName("Me")->SetAsString("memo\r\nline");
  r.FieldByName("Gr")->SetAsString("\x89PNG"s);
  r.FieldByName("FM")->SetAsString("{\\rtf}");
  r.FieldByName("FC")->SetAsString("fix");
  r.FieldByName("WS")->SetAsString("wïde");
  r.FieldByName("LI")->SetAsLargeInt(-9007199254740993LL);
  r.FieldByName("Gu")->SetAsString("{01234567-89AB-CDEF-0123-456789ABCDEF}");
  r.FieldByName("TS")->SetAsDateTime(EncodeDateTime(2001, 2, 3, 4, 5, 6, 0));
  r.FieldByName("FB")->SetAsString("12.5");
}

// An open table with default fields made from `fields`.
inline std::unique_ptr<TvomMemTable> MakeTable(const std::vector<FieldShape>& fields) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  for (const FieldShape& f : fields) table->FieldDefs()->Add(f.Name, f.Type, f.Size);
  table->Open();
  return table;
}

// Appends a record; `fill` sets its values.
inline void AddRow(TvomCustomMemTable& table,
                   const std::function<void(TvomCustomMemTable&)>& fill) {
  table.Append();
  fill(table);
  table.Post();
}

// Appends a record whose fields take these texts, in field order; a missing
// text leaves the field null.
inline void AddTextRow(TvomCustomMemTable& table, const std::vector<String>& texts) {
  AddRow(table, [&](TvomCustomMemTable& t) {
    for (std::size_t i = 0; i < texts.size(); ++i)
      t.Fields(static_cast<Integer>(i))->SetAsString(texts[i]);
  });
}

inline String SavedBytes(TvomCustomMemTable& table, TvomCustomStreamFormat& format) {
  TStringStream stream;
  table.SaveToStreamViaFormat(&stream, &format);
  return stream.DataString();
}

inline void LoadBytes(TvomCustomMemTable& table, TvomCustomStreamFormat& format,
                      const String& bytes) {
  TStringStream stream(bytes);
  table.LoadFromStreamViaFormat(&stream, &format);
}

// The texts of one field over all records in the current order; null values
// read "<null>".
inline std::vector<String> Column(TvomCustomMemTable& table, const String& field) {
  std::vector<String> values;
  TField* f = table.FieldByName(field);
  for (table.First(); !table.Eof(); table.Next())
    values.push_back(f->IsNull() ? "<null>" : f->AsString());
  return values;
}

// Whether the table is back at rest after a save or load: idle, its
// controls enabled, read-only fields protected again, loaded values no
// longer kept as they come.
inline bool TableAtRest(const TvomCustomMemTable& table) {
  return table.OperationState() == mtosIdle && !table.ControlsDisabled() &&
         !table.IgnoreReadOnly() && !table.KeepLoadedAutoInc();
}

// The same fields (names and types) with the same values, record by record.
inline void ExpectSameTable(TvomCustomMemTable& expected, TvomCustomMemTable& actual) {
  ASSERT_EQ(expected.FieldCount(), actual.FieldCount());
  for (Integer i = 0; i < expected.FieldCount(); ++i) {
    const String name = expected.Fields(i)->FieldName();
    ASSERT_NE(nullptr, actual.FindField(name)) << name;
    EXPECT_EQ(expected.Fields(i)->DataType(), actual.FieldByName(name)->DataType()) << name;
    EXPECT_EQ(Column(expected, name), Column(actual, name)) << name;
  }
}
