// memtable/BinaryStreamFormat.cpp
#include "memtable/BinaryStreamFormat.h"

#include <cmath>
#include <exception>
#include <limits>
#include <mutex>

#include "memtable/CsvCodec.h"
#include "memtable/MemTable.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Float80.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

namespace {

constexpr const char* SvomBinaryUnknownFieldType = "Unknown field type (%s)";

// Stream versions at which parts of the layout appeared.
constexpr Integer kVersionWithoutNumber = 100;
constexpr Integer kVersionIndexDefs = 200;
constexpr Integer kVersionRecordStatus = 230;
constexpr Integer kVersionNullFlags = 249;
constexpr Integer kVersionFieldKind = 250;
constexpr Integer kVersionDefaultExpression = 251;

[[noreturn]] void InvalidStreamData() {
  throw EReadError(SvomInvalidStreamData);
}

// A 64-bit integer stored as an extended float. Our own streams hold the
// exact value; older ones hold a double's rounding of it, which may lie just
// outside the range or (never from a writer) off a whole number.
Int64 Float80ToLargeInt(const TFloat80& value) {
  Int64 exact;
  if (value.ToInt64(exact)) return exact;
  const double d = value.ToDouble();
  if (std::isnan(d)) InvalidStreamData();
  if (d >= 9223372036854775807.0) return std::numeric_limits<Int64>::max();
  if (d <= -9223372036854775808.0) return std::numeric_limits<Int64>::min();
  return static_cast<Int64>(std::llround(d));
}

// Frees a record and its older versions that never reached the store.
void FreeUnstored(TvomCommon& store, TvomRecord* record) {
  while (record != nullptr) {
    TvomRecord* older = record->PrevVersion;
    record->PrevVersion = nullptr;
    store.FreeRecord(record, true, false);
    record = older;
  }
}

}  // namespace

TvomCustomBinaryStreamFormat::TvomCustomBinaryStreamFormat(TComponent* owner)
    : TvomCustomStreamFormat(owner) {}

TvomCustomBinaryStreamFormat::~TvomCustomBinaryStreamFormat() = default;

String TvomCustomBinaryStreamFormat::GetVersion() const {
  return "3.00";
}

// --- saving -------------------------------------------------------------------------------

void TvomCustomBinaryStreamFormat::BeforeSave(TvomCustomMemTable* table) {
  TvomCustomStreamFormat::BeforeSave(table);
  try {
    writer_ = std::make_unique<TWriter>(WorkStream(), buffer_size_);
    writer_->WriteSignature();
    writer_->WriteInteger(kStreamVersion);
  } catch (...) {
    // The table is locked and switched by now: undo that before failing.
    AfterSave(table);
    throw;
  }
}

void TvomCustomBinaryStreamFormat::SaveDef(TvomCustomMemTable* table) {
  const std::vector<Integer>& map = SaveFieldMap();
  writer_->WriteListBegin();
  if (HasFlag(sfDef(), sfSaveDef)) {
    const bool realKind = HasFlag(sfFieldKind(), sfSaveFieldKind);
    for (Integer i = 0; i < table->FieldCount(); ++i) {
      if (map[static_cast<std::size_t>(i)] < 0) continue;
      TField* field = table->Fields(i);
      writer_->WriteString(field->FieldName());
      writer_->WriteString(FieldTypeName(field->DataType()));
      writer_->WriteInteger(field->Size());
      writer_->WriteString(field->DisplayName());
      writer_->WriteString(field->EditMask());
      writer_->WriteInteger(field->DisplayWidth());
      writer_->WriteBoolean(field->Required());
      writer_->WriteBoolean(field->ReadOnly());
      writer_->WriteString(realKind ? FieldKindName(field->FieldKind()) : String("Data"));
      writer_->WriteString(field->DefaultExpression());
    }
  }
  writer_->WriteListEnd();

  writer_->WriteListBegin();
  if (HasFlag(sfIndexDef(), sfSaveIndexDef)) {
    TIndexDefs* defs = table->IndexDefs();
    for (Integer i = 0; i < defs->Count(); ++i) {
      const TIndexDef* def = defs->Items(i);
      const TIndexOptions options = def->Options();
      writer_->WriteString(def->Name());
      writer_->WriteString(def->Fields());
      writer_->WriteString(def->DisplayName());
      writer_->WriteBoolean(options.Contains(ixDescending));
      writer_->WriteBoolean(options.Contains(ixCaseInsensitive));
      writer_->WriteBoolean(options.Contains(ixNonMaintained));
      writer_->WriteBoolean(options.Contains(ixUnique));
    }
  }
  writer_->WriteListEnd();
}

void TvomCustomBinaryStreamFormat::WriteFieldValue(TField* field) {
  const TFieldType type = field->DataType();
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      writer_->WriteInteger(field->AsInteger());
      break;
    case ftBoolean:
      writer_->WriteBoolean(field->AsBoolean());
      break;
    case ftFloat:
    case ftDate:
    case ftTime:
    case ftDateTime:
      writer_->WriteFloat(field->AsFloat());
      break;
    case ftLargeint:
      // The extended form holds every 64-bit integer exactly; a double does not.
      writer_->WriteFloat(TFloat80::FromInt64(field->AsLargeInt()));
      break;
    case ftCurrency:
    case ftBCD:
      writer_->WriteFloat(field->AsCurrency().ToDouble());
      break;
    default:
      // Byte values keep their bytes as they are, whatever they hold, so
      // they never take the UTF-8 tag.
      if (IsByteValueType(type))
        writer_->WriteRawString(field->AsString());
      else
        writer_->WriteString(field->AsString());
      break;
  }
}

void TvomCustomBinaryStreamFormat::WriteVersionColumns(TvomCustomMemTable* table,
                                                       TvomRecord* version, bool current) {
  const std::vector<Integer>& map = SaveFieldMap();
  table->SetOverrideRecord(version);
  writer_->WriteInteger(version->UpdateStatus);
  for (Integer i = 0; i < table->FieldCount(); ++i) {
    if (map[static_cast<std::size_t>(i)] < 0) continue;
    TField* field = table->Fields(i);
    if (current && table->OnSaveField) table->OnSaveField(table, i, field);
    const bool isNull = field->IsNull();
    writer_->WriteBoolean(isNull);
    if (!isNull) WriteFieldValue(field);
  }
}

void TvomCustomBinaryStreamFormat::SaveData(TvomCustomMemTable* table) {
  const std::vector<Integer>& map = SaveFieldMap();
  if (HasFlag(sfDataTypeHeader(), sfSaveDataTypeHeader)) {
    Integer saved = 0;
    for (const Integer entry : map) saved += entry >= 0 ? 1 : 0;
    writer_->WriteListBegin();
    writer_->WriteInteger(saved);
    for (Integer i = 0; i < table->FieldCount(); ++i)
      if (map[static_cast<std::size_t>(i)] >= 0)
        writer_->WriteInteger(table->Fields(i)->DataType());
    writer_->WriteListEnd();
  }

  table->SetSaveCount(0);
  table->SetSavedCompletely(true);
  writer_->WriteListBegin();
  const bool usingIndex = HasFlag(sfUsingIndex(), sfSaveUsingIndex);
  TvomIndex* index = table->CurrentIndex();
  TvomCommon& store = table->Store();
  const Integer count = usingIndex ? index->Count() : store.RecordCount();
  const bool saveData = HasFlag(sfData(), sfSaveData);
  const bool allDeltas = HasFlag(sfDontFilterDeltas(), sfSaveDontFilterDeltas);
  const bool deltas = HasFlag(sfDeltas(), sfSaveDeltas);
  for (Integer p = 0; p < count; ++p) {
    // Walking the store, a position may be a free slot.
    TvomRecord* record = usingIndex ? index->Refs(p) : store.Records(p);
    const TSaveStep step = SaveStep(table, p, count, record);
    if (step == TSaveStep::Stop) break;
    if (step == TSaveStep::Skip) continue;
    // Without record data only the changes are written.
    if (!saveData && record->UpdateStatus == usUnmodified) continue;
    if (!allDeltas && record->UpdateStatus == usDeleted) {
      const TvomRecord* oldest = record;
      while (oldest->PrevVersion != nullptr) oldest = oldest->PrevVersion;
      if (oldest != record && oldest->UpdateStatus == usInserted) continue;
    }
    writer_->WriteListBegin();
    WriteVersionColumns(table, record, true);
    if (deltas)
      for (TvomRecord* older = record->PrevVersion; older != nullptr; older = older->PrevVersion)
        WriteVersionColumns(table, older, false);
    writer_->WriteListEnd();
    table->SetSaveCount(table->SaveCount() + 1);
  }
  writer_->WriteListEnd();
}

void TvomCustomBinaryStreamFormat::AfterSave(TvomCustomMemTable* table) {
  // The bytes reach the stream before the compression hook of the inherited
  // step reads it; the table is restored whatever happens to them.
  std::exception_ptr error;
  try {
    if (writer_) writer_->FlushBuffer();
  } catch (...) {
    error = std::current_exception();
  }
  writer_.reset();
  table->SetOverrideRecord(nullptr);
  TvomCustomStreamFormat::AfterSave(table);
  if (error) std::rethrow_exception(error);
}

// --- loading --------------------------------------------------------------------------------

void TvomCustomBinaryStreamFormat::BeforeLoad(TvomCustomMemTable* table) {
  TvomCustomStreamFormat::BeforeLoad(table);
  try {
    TStream* stream = WorkStream();
    stream_size_ = stream->Size();
    stream_empty_ = stream_size_ - stream->Position() <= 0;
    index_defs_read_ = false;
    has_type_header_ = false;
    column_types_.clear();
    version_ = kStreamVersion;
    reader_ = std::make_unique<TReader>(stream, buffer_size_);
    // An empty stream is an empty table, not a damaged one.
    if (!stream_empty_) {
      reader_->ReadSignature();
      version_ = reader_->NextValue() == vaList ? kVersionWithoutNumber : reader_->ReadInteger();
    }
  } catch (...) {
    // The table is locked and switched by now: undo that before failing.
    AfterLoad(table);
    throw;
  }
}

void TvomCustomBinaryStreamFormat::LoadDef(TvomCustomMemTable* table) {
  if (stream_empty_) return;
  const bool loadDef = HasFlag(sfDef(), sfLoadDef);
  const bool loadIndexDef = loadDef && HasFlag(sfIndexDef(), sfLoadIndexDef);

  Integer entries = 0;
  reader_->ReadListBegin();
  while (!reader_->EndOfList()) {
    if (entries == 0 && loadDef) {
      table->Close();
      table->FieldDefs()->Clear();
      table->DeleteTable();
    }
    if (++entries > kvomMaxFields) throw EMemTableError(SvomTooManyFieldDefs);
    TvomStreamFieldDef f;
    f.Name = reader_->ReadString();
    f.TypeName = reader_->ReadString();
    f.Size = reader_->ReadInteger();
    f.DisplayLabel = reader_->ReadString();
    f.EditMask = reader_->ReadString();
    f.DisplayWidth = reader_->ReadInteger();
    f.Required = reader_->ReadBoolean();
    f.ReadOnly = reader_->ReadBoolean();
    if (version_ >= kVersionFieldKind) f.KindName = reader_->ReadString();
    if (version_ >= kVersionDefaultExpression) f.DefaultExpression = reader_->ReadString();
    TFieldType type;
    if (!StreamFieldTypeFromName(f.TypeName, type))
      throw EMemTableError(Format(SvomBinaryUnknownFieldType, f.TypeName));
    if (!StreamFieldSizeValid(f.Size)) InvalidStreamData();
    if (loadDef) CreateStreamField(table, f, type);
  }
  reader_->ReadListEnd();

  if (version_ >= kVersionIndexDefs) {
    bool first = true;
    reader_->ReadListBegin();
    while (!reader_->EndOfList()) {
      if (first && loadIndexDef) {
        table->IndexDefs()->Clear();
        if (table->Active()) table->UpdateIndexes();
      }
      first = false;
      TvomStreamIndexDef index;
      index.Name = reader_->ReadString();
      index.Fields = reader_->ReadString();
      index.DisplayName = reader_->ReadString();
      if (reader_->ReadBoolean()) index.Options.Include(ixDescending);
      if (reader_->ReadBoolean()) index.Options.Include(ixCaseInsensitive);
      if (reader_->ReadBoolean()) index.Options.Include(ixNonMaintained);
      if (reader_->ReadBoolean()) index.Options.Include(ixUnique);
      if (!loadIndexDef) continue;
      AddStreamIndexDef(table->IndexDefs(), index);
      index_defs_read_ = true;
    }
    reader_->ReadListEnd();
  }

  if (entries > 0) table->Open();
}

void TvomCustomBinaryStreamFormat::DetermineLoadFieldIndex(
    TvomCustomMemTable* table, const String& id, Integer count, Integer position,
    Integer& fieldIndex, TvomDetermineLoadFieldsSituation situation) {
  (void)table;
  (void)id;
  (void)count;
  (void)situation;
  fieldIndex = position;
}

Byte TvomCustomBinaryStreamFormat::ReadUpdateStatus() {
  const Integer status = reader_->ReadInteger();
  if (status < usUnmodified || status > usDeleted) InvalidStreamData();
  return static_cast<Byte>(status);
}

void TvomCustomBinaryStreamFormat::SkipColumn() {
  if (version_ >= kVersionNullFlags && reader_->ReadBoolean()) return;
  reader_->SkipValue();
}

void TvomCustomBinaryStreamFormat::ReadFieldValue(TField* field) {
  switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      field->SetAsInteger(reader_->ReadInteger());
      break;
    case ftBoolean:
      field->SetAsBoolean(reader_->ReadBoolean());
      break;
    case ftFloat:
    case ftDate:
    case ftTime:
    case ftDateTime:
      field->SetAsFloat(reader_->ReadFloat());
      break;
    case ftLargeint:
      field->SetAsLargeInt(Float80ToLargeInt(reader_->ReadFloat80()));
      break;
    case ftCurrency:
    case ftBCD:
      field->SetAsCurrency(Currency::FromDouble(reader_->ReadFloat()));
      break;
    default:
      field->SetAsString(reader_->ReadString());
      break;
  }
}

void TvomCustomBinaryStreamFormat::ReadVersionColumns(TvomCustomMemTable* table, TvomRecord* record,
                                                      bool current, Integer& highestAutoInc,
                                                      bool& autoIncSeen) {
  const std::vector<Integer>& map = LoadFieldMap();
  const std::size_t columns = has_type_header_ ? column_types_.size() : map.size();
  table->SetOverrideRecord(record);
  for (std::size_t c = 0; c < columns; ++c) {
    const Integer f = c < map.size() ? map[c] : -1;
    if (f < 0) {
      SkipColumn();
      continue;
    }
    TField* field = table->Fields(f);
    const bool isNull = version_ >= kVersionNullFlags && reader_->ReadBoolean();
    if (isNull) {
      field->Clear();
    } else {
      ReadFieldValue(field);
      if (field->DataType() == ftAutoInc) {
        const Integer value = field->AsInteger();
        if (!autoIncSeen || value > highestAutoInc) highestAutoInc = value;
        autoIncSeen = true;
      }
    }
    if (current && table->OnLoadField) table->OnLoadField(table, f, field);
  }
}

void TvomCustomBinaryStreamFormat::LoadData(TvomCustomMemTable* table) {
  if (stream_empty_ || !HasFlag(sfData(), sfLoadData)) return;
  table->CheckActive();
  TvomCommon& store = table->Store();
  // Field writes go to the record being filled (the override record); the
  // dataset and the blob streams let them through only while inserting.
  // Calculated fields are not recomputed for every value read.
  const TDataSetState savedState = table->SetTempState(dsInsert);
  const bool savedModified = table->Modified();
  const bool savedAutoCalc = table->AutoCalcFields();
  table->SetAutoCalcFields(false);
  auto restore = [&] {
    table->SetOverrideRecord(nullptr);
    table->RestoreState(savedState);
    table->SetModified(savedModified);
    table->SetAutoCalcFields(savedAutoCalc);
  };
  Integer highestAutoInc = 0;
  bool autoIncSeen = false;
  TvomRecord* record = nullptr;
  try {
    // The definitions may have brought a new auto-increment field.
    table->LocateAutoIncField();
    table->SetLoadCount(0);
    table->SetLoadedCompletely(true);

    if (HasFlag(sfDataTypeHeader(), sfLoadDataTypeHeader)) {
      reader_->ReadListBegin();
      const Integer count = reader_->ReadInteger();
      if (count < 0 || count > kvomMaxFields) InvalidStreamData();
      column_types_.reserve(static_cast<std::size_t>(count));
      for (Integer i = 0; i < count; ++i) {
        const Integer ordinal = reader_->ReadInteger();
        if (ordinal < 0 || ordinal >= FieldTypeCount) InvalidStreamData();
        column_types_.push_back(static_cast<TFieldType>(ordinal));
      }
      reader_->ReadListEnd();
      has_type_header_ = true;
    }

    const Integer limit = table->LoadLimit();
    Integer position = 0;
    bool stopped = false;
    reader_->ReadListBegin();
    while (!reader_->EndOfList()) {
      if (position % 100 == 0 && stream_size_ > 0)
        table->Progress(static_cast<Integer>(reader_->Position() * 100 / stream_size_), mtpcLoad);
      ++position;
      if (limit > 0 && table->LoadCount() >= limit) {
        table->SetLoadedCompletely(false);
        stopped = true;
        break;
      }

      record = store.AllocRecord();
      if (version_ >= kVersionRecordStatus) {
        reader_->ReadListBegin();
        record->UpdateStatus = ReadUpdateStatus();
      }
      ReadVersionColumns(table, record, true, highestAutoInc, autoIncSeen);
      if (version_ >= kVersionRecordStatus) {
        // Older versions, newest first.
        TvomRecord* newer = record;
        while (!reader_->EndOfList()) {
          TvomRecord* older = store.AllocRecord();
          newer->PrevVersion = older;
          newer = older;
          older->UpdateStatus = ReadUpdateStatus();
          ReadVersionColumns(table, older, false, highestAutoInc, autoIncSeen);
        }
        reader_->ReadListEnd();
      }

      table->SetOverrideRecord(record);
      bool accept = true;
      if (table->OnLoadRecord) table->OnLoadRecord(table, accept);
      if (!accept) {
        FreeUnstored(store, record);
        record = nullptr;
        continue;
      }

      const Byte status = record->UpdateStatus;
      TvomRecord* stored = record;
      record = nullptr;  // the store owns it from here, also when it raises below
      std::exception_ptr fatal;
      try {
        store.AppendRecord(stored);
      } catch (const EMemTableFatalError&) {
        fatal = std::current_exception();
      }
      stored->UpdateStatus = status;
      stored->TransactionLevel = store.TransactionLevel();
      for (TvomRecord* older = stored->PrevVersion; older != nullptr; older = older->PrevVersion) {
        older->Serial = stored->Serial;
        older->SlotNo = stored->SlotNo;
        older->Flags |= mtrfInStore;
        older->TransactionLevel = stored->TransactionLevel;
      }
      if (status == usDeleted) store.SetDeletedCount(store.DeletedCount() + 1);
      table->SetLoadCount(table->LoadCount() + 1);
      if (fatal) std::rethrow_exception(fatal);
    }
    if (!stopped) reader_->ReadListEnd();
  } catch (...) {
    if (record != nullptr) FreeUnstored(store, record);
    if (autoIncSeen && highestAutoInc > store.AutoIncMaxValue())
      store.SetAutoIncMaxValue(highestAutoInc);
    restore();
    throw;
  }
  if (autoIncSeen && highestAutoInc > store.AutoIncMaxValue())
    store.SetAutoIncMaxValue(highestAutoInc);
  restore();
}

void TvomCustomBinaryStreamFormat::AfterLoad(TvomCustomMemTable* table) {
  // The inherited step restores the table whatever happens here (a unique
  // index refusing the loaded keys, say); the first error is raised after it.
  std::exception_ptr error;
  try {
    reader_.reset();
    if (index_defs_read_ && table->Active()) table->UpdateIndexes();
  } catch (...) {
    error = std::current_exception();
  }
  reader_.reset();
  table->SetOverrideRecord(nullptr);
  try {
    TvomCustomStreamFormat::AfterLoad(table);
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  if (error) std::rethrow_exception(error);
}

// --- published properties ----------------------------------------------------------------

void DeclareBinaryStreamFormatProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    // Links the chain down from TComponent; the common flag sets are the
    // framework's to declare.
    TPublishedClass<TvomCustomStreamFormat, TComponent>();
    using F = TvomBinaryStreamFormat;
    TPublishedClass<F, TvomCustomStreamFormat>()
        .AddSet("sfUsingIndex", &F::sfUsingIndex, &F::SetsfUsingIndex, {"sfSaveUsingIndex"},
                sfSaveUsingIndex)
        .AddSet("sfDataTypeHeader", &F::sfDataTypeHeader, &F::SetsfDataTypeHeader,
                {"sfSaveDataTypeHeader", "sfLoadDataTypeHeader"},
                sfSaveDataTypeHeader | sfLoadDataTypeHeader)
        .AddInteger("BufferSize", &F::BufferSize, &F::SetBufferSize,
                    TvomCustomBinaryStreamFormat::kMinBufferSize);
    RegisterClass<TvomBinaryStreamFormat>();
  });
}
