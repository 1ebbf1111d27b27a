// fuzz/CsvReaderFuzz.cpp
//
// libFuzzer target: arbitrary bytes as a CSV table file. The first byte
// picks the reader's settings, the rest is the file.
#include "FuzzTable.h"
#include "memtable/CsvStreamFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TvomCSVStreamFormat csv(nullptr);
  if (size > 0) {
    const std::uint8_t options = data[0];
    if (options & 0x01) csv.SetCSVQuote('\0');
    if (options & 0x02) csv.SetsfNoHeader(sfLoadNoHeader);
    if (options & 0x04) csv.SetsfDef(sfSaveDef);
    if (options & 0x08) csv.SetCSVRecordDelimiter('\0');
    if (options & 0x10) csv.SetCSVFieldDelimiter(';');
    ++data;
    --size;
  }
  LoadAndSaveAgain(csv, data, size);
  return 0;
}
