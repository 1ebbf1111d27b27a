// oracle/StoredData.h
//
// Reading and writing the binary values that stored definitions hold for
// the library's objects (a query's variables, a dataset's QBE settings):
// 32-bit integers little-endian, lengths before bytes. A reader refuses any
// length or count that the bytes left cannot hold, so a damaged value never
// makes it read past its end or allocate what the stream cannot contain.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

class TStoredDataReader {
 public:
  // `damaged` starts the message of the exception raised for a damaged
  // value ("Invalid Query variables data: ").
  TStoredDataReader(TStream* stream, String damaged)
      : stream_(stream), damaged_(std::move(damaged)) {}

  Integer Int32(const char* what) {
    Integer value = 0;
    Bytes(&value, sizeof value, what);
    return value;
  }
  Byte Int8(const char* what) {
    Byte value = 0;
    Bytes(&value, sizeof value, what);
    return value;
  }
  // A length that must fit in what remains.
  Integer Length(const char* what);
  void Bytes(void* buffer, Integer size, const char* what);
  Int64 Remaining() { return stream_->Size() - stream_->Position(); }
  // Raises Exception with the damaged-value message and `what`.
  [[noreturn]] void Damaged(const String& what) const { throw Exception(damaged_ + what); }

 private:
  TStream* stream_;
  String damaged_;
};

inline void WriteStoredInt32(TStream* stream, Integer value) {
  stream->WriteBuffer(&value, sizeof value);
}
