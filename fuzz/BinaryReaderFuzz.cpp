// fuzz/BinaryReaderFuzz.cpp
//
// libFuzzer target: arbitrary bytes as a binary table stream. The first
// byte picks the reader's settings, the rest is the stream.
#include "FuzzTable.h"
#include "memtable/BinaryStreamFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TvomBinaryStreamFormat bin(nullptr);
  if (size > 0) {
    const std::uint8_t options = data[0];
    if (options & 0x01) bin.SetsfDataTypeHeader(sfSaveDataTypeHeader);
    if (options & 0x02) bin.SetsfDef(sfSaveDef);
    if (options & 0x04) bin.SetsfDeltas(sfSaveDeltas | sfLoadDeltas);
    ++data;
    --size;
  }
  LoadAndSaveAgain(bin, data, size);
  return 0;
}
