// fuzz/FilterParserFuzz.cpp
//
// libFuzzer target: arbitrary bytes as a table's filter text. The first byte
// picks the filter options, the rest is the text; it is parsed, compiled and
// run over a few rows holding nulls, numbers, dates and texts, so that what
// the parser accepts goes through the evaluator too.
#include <cstddef>
#include <cstdint>

#include "memtable/MemTable.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"

namespace {

void AddRow(TvomMemTable& table, const Variant& id, const Variant& name, const Variant& price,
            const Variant& born) {
  table.Append();
  table.FieldByName("id")->SetValue(id);
  table.FieldByName("Name")->SetValue(name);
  table.FieldByName("Price")->SetValue(price);
  table.FieldByName("Born")->SetValue(born);
  table.Post();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFilterOptions options;
  if (size > 0) {
    if (data[0] & 0x01) options.Include(foCaseInsensitive);
    if (data[0] & 0x02) options.Include(foNoPartialCompare);
    ++data;
    --size;
  }
  TvomMemTable table(nullptr);
  table.FieldDefs()->Add("id", ftInteger);
  table.FieldDefs()->Add("Name", ftString, 20);
  table.FieldDefs()->Add("Price", ftFloat);
  table.FieldDefs()->Add("Born", ftDateTime);
  table.FieldDefs()->Add("Wide", ftWideString, 10);
  table.Open();
  AddRow(table, Null(), "dir", 1.5, Variant(36000.5));
  AddRow(table, 3, Null(), Null(), Null());
  AddRow(table, -7, "Zebra*?", 1e300, Variant(-700000.0));
  try {
    table.SetFilterOptions(options);
    table.SetFilter(String(reinterpret_cast<const char*>(data), size));
    table.SetFiltered(true);
    for (table.First(); !table.Eof(); table.Next()) {
    }
  } catch (const Exception&) {
    // A refused text or a value the filter cannot take is the expected
    // outcome; crashing is not.
  }
  return 0;
}
