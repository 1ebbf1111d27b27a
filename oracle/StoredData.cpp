// oracle/StoredData.cpp
#include "oracle/StoredData.h"

#include "platform/rtl/Format.h"

Integer TStoredDataReader::Length(const char* what) {
  const Integer length = Int32(what);
  if (length < 0 || Int64(length) > Remaining()) Damaged(Format("%s of %d bytes", what, length));
  return length;
}

void TStoredDataReader::Bytes(void* buffer, Integer size, const char* what) {
  if (Int64(size) > Remaining()) Damaged(String(what) + " cut short");
  stream_->ReadBuffer(buffer, size);
}
