// memtable/BinaryStreamFormat.h
//
// TvomCustomBinaryStreamFormat: saves and loads a memory table as tagged
// values of the component-streaming format (Filer.h), with field and index
// definitions, an optional list of the columns' field types and the records,
// optionally with their older versions (deltas). TvomBinaryStreamFormat is
// the same class with its properties published.
//
// Stream layout (version 251, what the writer produces):
//
//   "TPF0"  251
//   ( per saved field: name, type name, size, display name, edit mask,
//     display width, required, read-only, kind name, default expression )
//   ( per index definition: name, fields, display name,
//     descending, case-insensitive, non-maintained, unique )
//   ( column count, type ordinal per column )         with sfSaveDataTypeHeader
//   ( per record: ( status, per column: null flag [, value]
//                   [, status, columns ... of each older version] ) )
//
// where ( ... ) is a list. Values by field type: integers for the integer
// types, a Boolean, 10-byte floats for floats, dates and times, the exact
// 64-bit value for ftLargeint, the currency value for ftCurrency and ftBCD,
// text for strings (UTF-8 tag when not pure ASCII) and the raw bytes for
// binary fields and blobs (always the short or long string tag).
//
// Older streams load too: version 100 has no version value, no index list, no
// record status and no null flags; index lists come with 200, record entries
// as lists with a status with 230, null flags with 249, the kind name with
// 250 and the default expression with 251.
//
// Untrusted input: every count, length, size, status and type ordinal read is
// checked before it is used, so a damaged stream raises EReadError ("Invalid
// stream data", "Invalid property value", "Stream read error", "Invalid
// stream format") or EMemTableError "Unknown field type (%s)", and never
// reads outside what it holds. Records loaded before the error stay.
//
// Threads: the caller's (GUI) thread.
#pragma once

#include <memory>
#include <vector>

#include "memtable/StreamFormat.h"
#include "platform/data/FieldTypes.h"

class TField;
class TReader;
class TWriter;
struct TvomRecord;

// Records are written in the order of the table's current index, else in
// the store's order.
enum TvomStreamFlagsUsingIndex : Byte { sfSaveUsingIndex = 0x01 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsUsingIndex)
// Write / read the list of the columns' field types.
enum TvomStreamFlagsDataTypeHeader : Byte {
  sfSaveDataTypeHeader = 0x01,
  sfLoadDataTypeHeader = 0x02
};
ZORVET_ENUM_BITMASK(TvomStreamFlagsDataTypeHeader)

using TvomStreamFlagUsingIndexs = TvomStreamFlagsUsingIndex;
using TvomStreamFlagDataTypeHeaders = TvomStreamFlagsDataTypeHeader;

class TvomCustomBinaryStreamFormat : public TvomCustomStreamFormat {
  ZORVET_CLASS_NAME(TvomCustomBinaryStreamFormat)

 public:
  static constexpr Integer kMinBufferSize = 16384;
  // The stream version this writer produces.
  static constexpr Integer kStreamVersion = 251;

  // sfUsingIndex [sfSaveUsingIndex], sfDataTypeHeader both, BufferSize 16384.
  explicit TvomCustomBinaryStreamFormat(TComponent* owner);
  ~TvomCustomBinaryStreamFormat() override;

  TvomStreamFlagsUsingIndex sfUsingIndex() const { return sf_using_index_; }
  void SetsfUsingIndex(TvomStreamFlagsUsingIndex value) { sf_using_index_ = value; }
  TvomStreamFlagsDataTypeHeader sfDataTypeHeader() const { return sf_data_type_header_; }
  void SetsfDataTypeHeader(TvomStreamFlagsDataTypeHeader value) { sf_data_type_header_ = value; }
  // The buffer size of the writer and reader; a value below 16384 is stored as 16384.
  Integer BufferSize() const { return buffer_size_; }
  void SetBufferSize(Integer value) {
    buffer_size_ = value < kMinBufferSize ? kMinBufferSize : value;
  }

 protected:
  // "3.00".
  String GetVersion() const override;

  void BeforeSave(TvomCustomMemTable* table) override;
  void SaveDef(TvomCustomMemTable* table) override;
  void SaveData(TvomCustomMemTable* table) override;
  void AfterSave(TvomCustomMemTable* table) override;

  void DetermineLoadFieldIndex(TvomCustomMemTable* table, const String& id, Integer count,
                               Integer position, Integer& fieldIndex,
                               TvomDetermineLoadFieldsSituation situation) override;
  void BeforeLoad(TvomCustomMemTable* table) override;
  void LoadDef(TvomCustomMemTable* table) override;
  void LoadData(TvomCustomMemTable* table) override;
  void AfterLoad(TvomCustomMemTable* table) override;

 private:
  void WriteFieldValue(TField* field);
  void WriteVersionColumns(TvomCustomMemTable* table, TvomRecord* version, bool current);
  void SkipColumn();
  void ReadFieldValue(TField* field);
  // Reads one version's columns into `record` (made the override record).
  void ReadVersionColumns(TvomCustomMemTable* table, TvomRecord* record, bool current,
                          Integer& highestAutoInc, bool& autoIncSeen);
  Byte ReadUpdateStatus();

  TvomStreamFlagsUsingIndex sf_using_index_ = sfSaveUsingIndex;
  TvomStreamFlagsDataTypeHeader sf_data_type_header_ = sfSaveDataTypeHeader | sfLoadDataTypeHeader;
  Integer buffer_size_ = kMinBufferSize;

  // Run-time state of one operation.
  std::unique_ptr<TWriter> writer_;
  std::unique_ptr<TReader> reader_;
  Int64 stream_size_ = 0;
  bool stream_empty_ = false;
  Integer version_ = kStreamVersion;
  bool index_defs_read_ = false;
  // Types of the stream's columns from its type list; empty without one.
  std::vector<TFieldType> column_types_;
  bool has_type_header_ = false;
};

class TvomBinaryStreamFormat : public TvomCustomBinaryStreamFormat {
  ZORVET_CLASS_NAME(TvomBinaryStreamFormat)

 public:
  using TvomCustomBinaryStreamFormat::TvomCustomBinaryStreamFormat;
};

// Publishes the properties of TvomBinaryStreamFormat and registers the
// class (for stored definitions). Call once from the module's
// initialisation; later calls do nothing.
void DeclareBinaryStreamFormatProperties();
