// oracle/RecordStoreOwner.h
//
// The Oracle dataset's record buffers and what the record list and the blob
// streams ask of the dataset that owns them.
//
// A record buffer is a header followed by the field area:
//
//   offset  size  content
//        0     4  record identifier (also the bookmark)
//        4     1  bookmark flag (TBookmarkFlag)
//        5    19  rowid text: up to 18 characters and a terminating 0
//       24     8  the record's TBlobList (owned by the record; null when none)
//       32     4  data size: buffer size minus the header's size
//
// The blob-list slot is sized for a pointer, so the header is 36 bytes.
// Records sit back to back in their blocks at offsets that are not a
// multiple of any type's alignment: every header and field value is read
// and written with memcpy, never through a cast pointer.
#pragma once

#include <cstring>

#include "platform/data/DataSet.h"
#include "platform/rtl/Types.h"

class TBlobList;

namespace OracleRecord {

inline constexpr Integer IdOffset = 0;
inline constexpr Integer FlagOffset = 4;
inline constexpr Integer RowIdOffset = 5;
inline constexpr Integer RowIdSize = 19;
inline constexpr Integer BlobListOffset = 24;
inline constexpr Integer DataSizeOffset = 32;
inline constexpr Integer HeaderSize = 36;

template <class T>
T Load(const Byte* record, Integer offset) {
  T value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}
template <class T>
void Store(Byte* record, Integer offset, T value) {
  std::memcpy(record + offset, &value, sizeof value);
}

inline Integer RecordId(const Byte* record) {
  return Load<Integer>(record, IdOffset);
}
inline void SetRecordId(Byte* record, Integer id) {
  Store(record, IdOffset, id);
}
inline Byte Flag(const Byte* record) {
  return record[FlagOffset];
}
inline void SetFlag(Byte* record, Byte flag) {
  record[FlagOffset] = flag;
}
inline TBlobList* BlobList(const Byte* record) {
  return Load<TBlobList*>(record, BlobListOffset);
}
inline void SetBlobList(Byte* record, TBlobList* list) {
  Store(record, BlobListOffset, list);
}
inline Integer DataSize(const Byte* record) {
  return Load<Integer>(record, DataSizeOffset);
}
inline void SetDataSize(Byte* record, Integer size) {
  Store(record, DataSizeOffset, size);
}
// The rowid text (empty when the record has none).
String RowId(const Byte* record);
// Stores the first 18 characters of `rowId` and clears the rest of the slot.
void SetRowId(Byte* record, const String& rowId);

}  // namespace OracleRecord

// What TRecordDataList and TOracleBlobStream need of their dataset. The
// Oracle dataset implements it; tests implement it over plain settings.
// Everything runs on the dataset's thread.
class TRecordStoreOwner {
 public:
  virtual ~TRecordStoreOwner() = default;

  // Bytes of one record buffer, header included. Fixed while the list
  // holds records.
  virtual Integer RecordBufferSize() = 0;
  // Rows per fetch (the dataset's ReadBuffer): the smallest block holds one
  // fetch more than this.
  virtual Integer RecordReadBuffer() = 0;
  // The filtered view stands for the visible records: Filtered is on and no
  // change-log entry is being reverted.
  virtual bool RecordFilteringActive() = 0;
  // Whether records can carry blob lists that clearing must free.
  virtual bool RecordHasBlobFields() = 0;

  // The record buffer a blob stream reads or writes for the dataset's state
  // (nullptr when there is none).
  virtual TRecordBuffer BlobRecordBuffer() = 0;
  // The blob list of the record being edited (nullptr when none).
  virtual TBlobList* CurrentBlobList() = 0;
  // A blob stream changed `field`'s value: the dataset announces the field
  // change to its links.
  virtual void BlobFieldChanged(TField* field) = 0;
};
