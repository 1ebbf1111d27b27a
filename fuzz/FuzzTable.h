// fuzz/FuzzTable.h
//
// What both reader targets share: a table with a field of each common kind,
// loaded from the fuzzer's bytes and then saved again, so that whatever a
// damaged file leaves in the table goes through the writer too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "memtable/MemTable.h"
#include "memtable/StreamFormat.h"
#include "platform/data/FieldDefs.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

inline void LoadAndSaveAgain(TvomCustomStreamFormat& format, const std::uint8_t* data,
                             std::size_t size) {
  TvomMemTable table(nullptr);
  table.FieldDefs()->Add("Name", ftString, 20);
  table.FieldDefs()->Add("Size", ftInteger);
  table.FieldDefs()->Add("When", ftDateTime);
  table.FieldDefs()->Add("Data", ftBlob);
  table.FieldDefs()->Add("Big", ftLargeint);
  table.Open();
  // A definition block may declare large records; a few of them are enough
  // to reach every path.
  table.SetLoadLimit(64);
  TStringStream input(String(reinterpret_cast<const char*>(data), size));
  try {
    table.LoadFromStreamViaFormat(&input, &format);
  } catch (const Exception&) {
    // Refusing damaged input is the expected outcome; crashing is not.
  }
  try {
    TStringStream output;
    table.SaveToStreamViaFormat(&output, &format);
  } catch (const Exception&) {
  }
}
