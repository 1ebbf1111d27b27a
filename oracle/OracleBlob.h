// oracle/OracleBlob.h
//
// The LOB and LONG values of one record of the Oracle dataset: TBlobList
// holds one TOracleBlob per blob field, each with its bytes in client
// memory (allocated separately, exactly as large as the value). A blob
// without bytes reads as null.
//
// TOracleBlobStream reads and writes one field's blob: the stored record's
// value for reading an unmodified field, the edited record's otherwise.
//
// Threads: the dataset's thread only.
#pragma once

#include <vector>

#include "oracle/RecordStoreOwner.h"
#include "platform/data/FieldTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Streams.h"

class TField;

class TOracleBlob : public TCollectionItem {
  ZORVET_CLASS_NAME(TOracleBlob)

 public:
  explicit TOracleBlob(TCollection* collection) : TCollectionItem(collection) {}

  TField* Field() const { return field_; }
  void SetField(TField* value) { field_ = value; }
  Integer Size() const { return static_cast<Integer>(bytes_.size()); }
  // Null when the blob holds no bytes.
  const Byte* Bytes() const { return bytes_.empty() ? nullptr : bytes_.data(); }
  Byte* Bytes() { return bytes_.empty() ? nullptr : bytes_.data(); }
  // Replaces the bytes with a copy of `size` bytes at `data`.
  void SetBytes(const void* data, Integer size);
  // Resizes to exactly `size` bytes, keeping what fits; new bytes are 0.
  void Resize(Integer size);
  // Drops the bytes.
  void Clear();

 private:
  std::vector<Byte> bytes_;
  TField* field_ = nullptr;
};

class TBlobList : public TCollection {
  ZORVET_CLASS_NAME(TBlobList)

 public:
  TBlobList() : TCollection(TCollectionItemClass::Of<TOracleBlob>()) {}

  TOracleBlob* Items(Integer index) const {
    return static_cast<TOracleBlob*>(TCollection::Items(index));
  }
  TOracleBlob* Add() { return static_cast<TOracleBlob*>(TCollection::Add()); }
  // The blob of `field`, nullptr when none.
  TOracleBlob* BlobByField(const TField* field) const;
  // Empties `dest` and gives it a copy of every blob of `source` (bytes
  // duplicated).
  static void Copy(TBlobList* dest, const TBlobList* source);
};

class TOracleBlobStream : public TStream {
  ZORVET_CLASS_NAME(TOracleBlobStream)

 public:
  // Opens `field`'s blob in the owner's current record buffer. Reading an
  // unmodified field reads the stored record's blob; anything else goes to
  // the edited record's blob list, and writing an unmodified field needs
  // the dataset in edit or insert state (EDatabaseError MsgNotEditing).
  // bmWrite empties the value at once. Without a record buffer or a blob
  // for the field the stream stays closed: it reads and writes nothing.
  TOracleBlobStream(TField* field, TBlobStreamMode mode, TRecordStoreOwner* dataSet);
  // When a write changed the value: marks the field modified and has the
  // dataset announce the change.
  ~TOracleBlobStream() override;

  Int64 Read(void* buffer, Int64 count) override;
  // Grows the blob to exactly the new end when the write passes it (a gap
  // left by seeking beyond the end reads as zeros).
  Int64 Write(const void* buffer, Int64 count) override;
  // A position before the start raises EStreamError "Invalid stream
  // position"; one beyond the end is allowed (reads there give nothing).
  Int64 Seek(Int64 offset, Word origin) override;
  Int64 Size() override;

  bool Opened() const { return opened_; }
  TOracleBlob* Blob() const { return blob_; }

 private:
  TField* field_;
  TRecordStoreOwner* data_set_;
  TOracleBlob* blob_ = nullptr;
  TBlobStreamMode mode_;
  bool opened_ = false;
  bool modified_ = false;
  Int64 position_ = 0;
};
