// memtable/BlobStream.h
//
// TvomBlobStream: the stream a memory table hands out for one blob field of
// its active record (TvomCustomMemTable::CreateBlobStream). It is a memory
// stream holding the value:
//
//   bmRead       the current value, through OnDecompressBlobStream when the
//                table has one; writes change only the stream
//   bmReadWrite  the same, and a write makes the stream the new value
//   bmWrite      starts empty; the field is null until the stream is freed
//
// Freeing a stream whose value was written stores it in the record buffer
// (through OnCompressBlobStream when the table has one; an empty value
// stores null), marks the blob field modified and tells the controls. The
// value reaches the stored record when the record is posted.
//
// Writing requires the table to be editing or inserting and the field not to
// be read-only (unless the table is loading): EDatabaseError "Dataset is not
// in edit mode." and "Field %s is read only" otherwise.
//
// Lifetime: the stream refers to the table's active record buffer; free it
// before the table moves, posts or closes. Threads: the table's thread.
#pragma once

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Streams.h"

class TField;
class TvomCustomMemTable;
struct TvomRecord;

class TvomBlobStream : public TMemoryStream {
  ZORVET_CLASS_NAME(TvomBlobStream)

 public:
  TvomBlobStream(TField* field, TvomCustomMemTable* table, TBlobStreamMode mode);
  // Stores a written value (see above). An error while storing it (a
  // compression handler that fails) goes to the application's exception
  // handling: a destructor cannot pass it on.
  ~TvomBlobStream() override;

  Int64 Write(const void* buffer, Int64 count) override;

  TField* Field() const { return field_; }
  TBlobStreamMode Mode() const { return mode_; }
  bool Modified() const { return modified_; }

 private:
  void LoadValue();
  void StoreValue();

  TField* field_;
  TvomCustomMemTable* table_;
  TBlobStreamMode mode_;
  // The record buffer holding the field, nullptr when there is none (the
  // stream then stays empty and stores nothing).
  TvomRecord* buffer_ = nullptr;
  // Offset of the field's entry (null flag and blob reference) in the data area.
  Integer offset_ = -1;
  bool modified_ = false;
  bool loading_ = false;
};
