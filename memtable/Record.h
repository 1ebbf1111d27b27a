// memtable/Record.h
//
// A record of the store, or a record buffer of a table: one allocation made of
// this header followed by the data area (`Data` points just past the header).
// A stored record made by copying another store's record may instead point
// into that record's allocation, sharing its data area until either side
// writes (TvomCommon::ShareRecord, UnshareRecord); the allocation `Data`
// points into then lives as long as any header uses it (`Refs`).
// Records are made and freed only by the store (TvomCommon::AllocRecord,
// FreeRecord), which knows the layout of the data area:
//
//   fixed fields      per stored field that is not indirect: a null-flag byte,
//                     then the value in its storage size
//   calculated area   calculated and lookup fields, as the table lays them out
//   bookmark area     per attached-table slot 8 bytes: the stored record's
//                     serial (4 bytes), the bookmark flag (1 byte), 3 spare
//   indirect area     per indirect field 9 bytes: a null-flag byte, then the
//                     address of a length-prefixed buffer (nullptr for none)
//
// A null-flag byte of 0 means null; any other value means a value is present
// (the engine writes kvomNotNull). Values sit at odd offsets, so they are read
// and written with memcpy only.
#pragma once

#include <cstring>

#include "platform/rtl/Types.h"

struct TvomRecord {
  // Position in the current index when last placed there (for a buffer: the
  // cursor position it was read from); -1 when cleared.
  Integer IndexPos = -1;
  // Slot in the store's record list; -1 when cleared. Packing renumbers it.
  Integer SlotNo = -1;
  // Never-reused identity within the store's contents; -1 when cleared.
  Integer Serial = -1;
  // mtrfInStore, mtrfCheckPointMark.
  Byte Flags = 0;
  // The dataset model's update status: 0 unmodified, 1 modified, 2 inserted, 3 deleted.
  Byte UpdateStatus = 0;
  // Transaction level of the last change; -1 when cleared.
  Integer TransactionLevel = -1;
  // Users of this allocation: 1 while this header is a live record (whose
  // data area, when it lies here, counts with it), plus 1 for every other
  // record whose `Data` points into this allocation. Changed atomically:
  // records of two stores, under two different locks, may share it.
  Integer Refs = 1;
  // The older version of this record (a complete record of its own), or nullptr.
  TvomRecord* PrevVersion = nullptr;
  Byte* Data = nullptr;
};

// Flag bits of TvomRecord::Flags.
inline constexpr Byte mtrfInStore = 0x01;         // the record is (or was put) in the store
inline constexpr Byte mtrfCheckPointMark = 0x02;  // tested and cleared by a check point

// The null-flag value the engine writes for a present value.
inline constexpr Byte kvomNotNull = 2;

// Sizes of the per-field and per-table entries of the data area.
inline constexpr Integer kvomIndirectEntrySize = 9;  // null flag + 8-byte buffer address
inline constexpr Integer kvomBookmarkSlotSize = 8;   // serial (4) + flag (1) + spare (3)

// Whether the record's data area follows its header in the same allocation.
inline bool DataInPlace(const TvomRecord* record) {
  return record->Data == reinterpret_cast<const Byte*>(record + 1);
}
// The allocation whose data area the record uses (the record itself when its
// data is in place). REQUIRES: record->Data != nullptr.
inline TvomRecord* DataHolder(const TvomRecord* record) {
  return reinterpret_cast<TvomRecord*>(record->Data) - 1;
}

// The buffer address of an indirect entry (the entry starts at its null flag).
inline Byte* IndirectBuffer(const Byte* entry) {
  Byte* buffer;
  std::memcpy(&buffer, entry + 1, sizeof buffer);
  return buffer;
}
inline void SetIndirectBuffer(Byte* entry, Byte* buffer) {
  std::memcpy(entry + 1, &buffer, sizeof buffer);
}

// Unaligned reads and writes of values inside a data area.
template <class T>
inline T ReadValue(const void* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}
template <class T>
inline void WriteValue(void* at, T value) {
  std::memcpy(at, &value, sizeof value);
}
