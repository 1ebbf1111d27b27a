// memtable/FieldList.h
//
// TvomFieldList: the fields that an index, a search, a range or a
// master/detail link compares records by, in order, each with its option
// byte (TvomifoOptions). When a field is added, the list records where its
// value lies in a record of the store (offset, indirect or not) and which
// comparison routine its type uses, so that comparing records needs no field
// objects and no per-call type dispatch.
//
// A list describes records of one store: build it after the store's layout
// (the table's open) and rebuild it after the layout changes.
// No locking; a list belongs to whoever made it.
#pragma once

#include <vector>

#include "memtable/MemTableTypes.h"
#include "memtable/ValueCompare.h"
#include "platform/data/FieldTypes.h"
#include "platform/rtl/Types.h"

class TField;
class TvomCommon;

struct TvomFieldListEntry {
  TField* Field = nullptr;
  // Offset of the field's null-flag byte in the data area (-1: not laid out).
  Integer Offset = -1;
  Integer FieldNo = 0;
  Byte Options = 0;
  // Resolved when the field is added:
  TFieldType DataType = ftUnknown;
  Integer StorageSize = 0;  // bytes of the value after the null flag (fixed fields)
  bool Indirect = false;    // the value lies in a length-prefixed buffer
  bool Compressed = false;  // ... stored at its actual length, maybe through a hook
  TvomValueComparer Compare = nullptr;
};

class TvomFieldList {
 public:
  explicit TvomFieldList(const TvomCommon* store = nullptr) : store_(store) {}

  // The store whose layout the offsets refer to.
  const TvomCommon* Store() const { return store_; }
  void SetStore(const TvomCommon* store) { store_ = store; }

  Integer Count() const { return static_cast<Integer>(entries_.size()); }
  // Appends the field; returns its position. More than kvomMaxFields entries
  // raise ERangeError.
  Integer Add(TField* field, Byte options);
  // Position of the field, or -1.
  Integer IndexOf(const TField* field) const;
  void Clear() { entries_.clear(); }
  // Makes `other` a copy of this list (store included).
  void AssignTo(TvomFieldList& other) const;
  // ORs this list's option bytes into `other`'s, position by position, for
  // the positions both lists have.
  void MergeOptions(TvomFieldList& other) const;

  // REQUIRES: 0 <= i < Count().
  const TvomFieldListEntry& Entry(Integer i) const { return entries_[static_cast<std::size_t>(i)]; }
  TField* Fields(Integer i) const { return Entry(i).Field; }
  Integer Offsets(Integer i) const { return Entry(i).Offset; }
  Integer FieldNos(Integer i) const { return Entry(i).FieldNo; }
  Byte Options(Integer i) const { return Entry(i).Options; }
  void SetOptions(Integer i, Byte options) {
    entries_[static_cast<std::size_t>(i)].Options = options;
  }

 private:
  const TvomCommon* store_;
  std::vector<TvomFieldListEntry> entries_;
};
