// memtable/MemTableBuffers.cpp
//
// Record buffers and field data: what the dataset model's fields read and
// write, in which record, and how indirect values (long strings, blobs) are
// kept in a buffer until a post hands them to the stored record.
#include <algorithm>
#include <cstring>

#include "memtable/BlobStream.h"
#include "memtable/LengthBuffer.h"
#include "memtable/MemTable.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Unicode.h"

namespace {

// Bytes of a field's native value that are worth storing: a string up to and
// including its terminating zero, a wide string its byte count and
// characters; other values whole.
Integer ActualLength(TField* field, const void* value) {
  const Integer size = field->DataSize();
  const auto* bytes = static_cast<const Byte*>(value);
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar: {
      const void* end = std::memchr(bytes, 0, static_cast<std::size_t>(size));
      return end == nullptr ? size
                            : static_cast<Integer>(static_cast<const Byte*>(end) - bytes) + 1;
    }
    case ftWideString: {
      const Integer count = ReadValue<Integer>(bytes);
      return std::clamp(count + 4, Integer{4}, size);
    }
    default:
      return size;
  }
}

// Writes a native value of `size` bytes into a record slot of `stored`
// bytes. The slot is smaller only when an attached table declares the field
// larger than the definition the records were laid out from: the value is
// cut to the slot, and text keeps whole characters and its terminating zero,
// so nothing spills into the next field.
void CopyIntoSlot(Byte* slot, Integer stored, const void* value, Integer size, TFieldType type) {
  if (size <= stored) {
    std::memcpy(slot, value, static_cast<std::size_t>(size));
    return;
  }
  if ((type == ftString || type == ftFixedChar) && stored > 0) {
    const auto* text = static_cast<const char*>(value);
    const String cut = CutUtf8({text, strnlen(text, static_cast<std::size_t>(size))},
                               static_cast<std::size_t>(stored - 1));
    std::memset(slot, 0, static_cast<std::size_t>(stored));
    std::memcpy(slot, cut.data(), cut.size());
    return;
  }
  std::memcpy(slot, value, static_cast<std::size_t>(stored));
}

}  // namespace

// --- buffers -----------------------------------------------------------------------------

TRecordBuffer TvomCustomMemTable::AllocRecordBuffer() {
  return AsBuffer(store_->AllocRecord());
}

void TvomCustomMemTable::FreeRecordBuffer(TRecordBuffer& buffer) {
  // A buffer's indirect values are its own (values written during an edit
  // that was not posted); nothing else refers to them.
  store_->FreeRecord(AsRecord(buffer), true, false);
  buffer = nullptr;
}

void TvomCustomMemTable::InternalInitRecord(TRecordBuffer buffer) {
  TvomRecord* record = AsRecord(buffer);
  store_->FreeIndirectBuffers(record);
  store_->ClearRecord(record);
  // A cleared bookmark names no record (serial 0 is a record's).
  store_->SetBookmark(record, attach_index_, -1, bfCurrent);
}

void TvomCustomMemTable::ClearCalcFields(TRecordBuffer buffer) {
  if (store_->CalcSize() <= 0) return;
  // Lookup computes a stored record's calculated fields in place.
  store_->UnshareRecord(AsRecord(buffer));
  std::memset(AsRecord(buffer)->Data + store_->CalcStart(), 0,
              static_cast<std::size_t>(store_->CalcSize()));
}

Cardinal TvomCustomMemTable::GetRecordSize() {
  return static_cast<Cardinal>(store_->RecordSize());
}

TvomRecord* TvomCustomMemTable::StoredRecordOf(const TvomRecord* buffer) const {
  if (buffer == nullptr || buffer->Serial < 0) return nullptr;
  return store_->RecordBySerial(buffer->Serial);
}

void TvomCustomMemTable::FillBuffer(TvomRecord* buffer, Integer pos) {
  const TvomRecord* stored = CurrentIndex()->Refs(pos);
  store_->FreeIndirectBuffers(buffer);
  store_->CopyRecordData(stored, buffer);
  buffer->IndexPos = pos;
  buffer->Flags = static_cast<Byte>(stored->Flags & ~mtrfInStore);
  store_->SetBookmark(buffer, attach_index_, stored->Serial, bfCurrent);
  if (recalc_on_fetch_) GetCalcFields(AsBuffer(buffer));
}

void TvomCustomMemTable::CalcRecordFields(TvomRecord* record) {
  GetCalcFields(AsBuffer(record));
}

// --- the record field access works on -------------------------------------------------------

TvomRecord* TvomCustomMemTable::GetActiveRecord() {
  // Calculated fields are computed on the buffer given for that, whatever
  // else is going on. Naming the table's own records needs no store lock.
  if (State() == dsCalcFields) return AsRecord(CalcBuffer());
  if (override_record_ != nullptr) return override_record_;
  TvomStoreLock hold(*store_);
  switch (State()) {
    case dsBrowse:
      return IsEmpty() ? nullptr : AsRecord(ActiveBuffer());
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsCurValue:
    case dsBlockRead:
      return AsRecord(ActiveBuffer());
    case dsSetKey:
      return key_buffer_;
    case dsOldValue: {
      TvomRecord* buffer = AsRecord(ActiveBuffer());
      TvomRecord* record = StoredRecordOf(buffer);
      if (record == nullptr) return buffer;
      while (record->PrevVersion != nullptr) record = record->PrevVersion;
      return record;
    }
    default:
      return nullptr;
  }
}

TUpdateStatus TvomCustomMemTable::UpdateStatus() {
  TvomRecord* record = open_ ? GetActiveRecord() : nullptr;
  if (record == nullptr) return TDataSet::UpdateStatus();
  return static_cast<TUpdateStatus>(record->UpdateStatus);
}

// --- field data ------------------------------------------------------------------------------

bool TvomCustomMemTable::GetFieldText(TField* field, String& value) {
  if (!open_) {
    value.clear();
    return false;
  }
  if (VisitingWalkRecord()) return ReadFieldText(override_record_, field, value);
  TvomStoreLock hold(*store_);
  return ReadFieldText(GetActiveRecord(), field, value);
}

bool TvomCustomMemTable::ReadFieldText(const TvomRecord* record, TField* field, String& value) {
  const Integer fieldNo = field->FieldNo();
  if (fieldNo >= 1 && (store_->FieldFlags(fieldNo) & mtffIndirect))
    return TDataSet::GetFieldText(field, value);
  const Byte* at = ReadPointer(record, field);
  if (at == nullptr) {
    value.clear();
    return false;
  }
  if (at[0] == 0) {
    NoteWalkRead(record, field, at, 1);
    value.clear();
    return false;
  }
  // The bytes after the terminator are never looked at: a short name in a
  // field declared hundreds of bytes long stays within one cache line.
  const char* text = reinterpret_cast<const char*>(at + 1);
  const std::size_t length = strnlen(text, static_cast<std::size_t>(StoredBytes(field)));
  NoteWalkRead(record, field, at, static_cast<Integer>(length) + 2);
  value.assign(text, length);
  return true;
}

Integer TvomCustomMemTable::StoredBytes(const TField* field) const {
  const Integer fieldNo = field->FieldNo();
  const Integer size = field->DataSize();
  return fieldNo >= 1 ? std::min(size, store_->FieldStorageSize(fieldNo)) : size;
}

bool TvomCustomMemTable::GetFieldData(TField* field, void* buffer) {
  if (!open_) return false;
  if (VisitingWalkRecord()) return ReadFieldData(override_record_, field, buffer);
  TvomStoreLock hold(*store_);
  return ReadFieldData(GetActiveRecord(), field, buffer);
}

namespace {

// Copies a fixed value of `size` bytes; the common sizes without a call.
void CopyValue(void* to, const Byte* from, Integer size) {
  switch (size) {
    case 2:
      std::memcpy(to, from, 2);
      return;
    case 4:
      std::memcpy(to, from, 4);
      return;
    case 8:
      std::memcpy(to, from, 8);
      return;
    default:
      std::memcpy(to, from, static_cast<std::size_t>(size));
  }
}

}  // namespace

bool TvomCustomMemTable::ReadFieldData(const TvomRecord* record, TField* field, void* buffer) {
  const Byte* at = ReadPointer(record, field);
  if (at == nullptr) return false;
  if (at[0] == 0) {
    NoteWalkRead(record, field, at, 1);
    return false;
  }

  const Integer fieldNo = field->FieldNo();
  const Byte flags = store_->FieldFlags(fieldNo);
  if (fieldNo < 1 || !(flags & mtffIndirect)) {
    if (buffer == nullptr) {
      NoteWalkRead(record, field, at, 1);
      return true;
    }
    const Integer size = field->DataSize();
    const Integer copied = fieldNo >= 1 ? std::min(size, store_->FieldStorageSize(fieldNo)) : size;
    NoteWalkRead(record, field, at, copied + 1);
    CopyValue(buffer, at + 1, copied);
    if (copied < size)
      std::memset(static_cast<Byte*>(buffer) + copied, 0, static_cast<std::size_t>(size - copied));
    return true;
  }
  const Integer size = field->DataSize();

  NoteWalkRead(record, field, at, kvomIndirectEntrySize);
  const Byte* value = IndirectBuffer(at);
  if (value == nullptr) {
    // A buffer that has no value of its own reads the stored record's.
    const TvomRecord* stored = StoredRecordOf(record);
    if (stored == nullptr) {
      if (buffer != nullptr) throw EMemTableInvalidRecord(SvomInvalidRecord);
      return true;
    }
    value = IndirectBuffer(stored->Data + (at - record->Data));
  }
  // Blob values are read through blob streams.
  if (IsBlobFieldType(field->DataType()) || buffer == nullptr) return true;
  if (value == nullptr) return false;

  const Byte* bytes = LengthBufferData(value);
  Integer length = LengthBufferSize(value);
  std::vector<Byte> plain;
  if ((flags & mtffCompressed) && OnDecompressField) {
    OnDecompressField(this, field, bytes, length, plain);
    length = std::clamp(length, Integer{0}, static_cast<Integer>(plain.size()));
    bytes = plain.data();
  }
  const Integer copied = std::min(length, size);
  if (copied > 0) std::memcpy(buffer, bytes, static_cast<std::size_t>(copied));
  if (copied < size)
    std::memset(static_cast<Byte*>(buffer) + copied, 0, static_cast<std::size_t>(size - copied));
  return true;
}

void TvomCustomMemTable::StoreIndirectValue(Byte* entry, TField* field, const void* value) {
  const Byte flags = store_->FieldFlags(field->FieldNo());
  if (flags & mtffCompressed) {
    if (OnCompressField) {
      Integer length = field->DataSize();
      std::vector<Byte> packed;
      OnCompressField(this, field, static_cast<const Byte*>(value), length, packed);
      length = std::clamp(length, Integer{0}, static_cast<Integer>(packed.size()));
      SetIndirectBuffer(entry, MakeLengthBuffer(packed.data(), length));
      return;
    }
    SetIndirectBuffer(entry, MakeLengthBuffer(value, ActualLength(field, value)));
    return;
  }
  SetIndirectBuffer(entry, MakeLengthBuffer(value, field->DataSize()));
}

void TvomCustomMemTable::SetFieldData(TField* field, const void* buffer) {
  TvomStoreLock hold(*store_);
  const TDataSetState state = State();
  if (!dsWriteModes.Contains(state)) DatabaseError(SvomNotEditing, this);
  if (!ignore_read_only_ && state != dsSetKey && state != dsCalcFields &&
      (read_only_ || field->ReadOnly()))
    DatabaseErrorFmt(SvomFieldReadOnly, this, field->DisplayName());
  if (!open_) return;
  TvomRecord* record = GetActiveRecord();
  // The record written may be a stored one (a filter's or a lookup's).
  store_->UnshareRecord(record);
  Byte* at = store_->FieldPointer(record, field);
  if (at == nullptr) return;

  const TFieldKind kind = field->FieldKind();
  if (kind == fkData || kind == fkCalculated || kind == fkInternalCalc) field->Validate(buffer);

  const Integer fieldNo = field->FieldNo();
  const Byte flags = store_->FieldFlags(fieldNo);
  at[0] = buffer != nullptr ? kvomNotNull : 0;
  if (fieldNo >= 1 && (flags & mtffIndirect)) {
    FreeLengthBuffer(IndirectBuffer(at));
    SetIndirectBuffer(at, nullptr);
    if (buffer != nullptr) StoreIndirectValue(at, field, buffer);
  } else if (buffer != nullptr) {
    const Integer size = field->DataSize();
    const Integer stored = fieldNo >= 1 ? store_->FieldStorageSize(fieldNo) : size;
    CopyIntoSlot(at + 1, stored, buffer, size, field->DataType());
  }
  if (fieldNo >= 1) store_->SetFieldFlags(fieldNo, static_cast<Byte>(flags | mtffChanged));
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue) FieldChanged(field);
}

// --- blobs -------------------------------------------------------------------------------------

std::unique_ptr<TStream> TvomCustomMemTable::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return std::make_unique<TvomBlobStream>(field, this, mode);
}

void TvomCustomMemTable::CloseBlob(TField* field) {
  TvomRecord* buffer = AsRecord(ActiveBuffer());
  if (buffer == nullptr || !IsBlobFieldType(field->DataType()) || field->FieldNo() < 1) return;
  // An edited stored record keeps what it has until it is read again; a new
  // record's blobs go with the record.
  if (buffer->Serial >= 0 && (!Active() || State() == dsEdit)) return;
  TvomStoreLock hold(*store_);
  Byte* at = store_->FieldPointer(buffer, field);
  if (at == nullptr) return;
  FreeLengthBuffer(IndirectBuffer(at));
  SetIndirectBuffer(at, nullptr);
  at[0] = 0;
}

// --- hooks the store and the indexes call
// ---------------------------------------------------------

void TvomCustomMemTable::SetupField(TFieldDef* def, Integer fieldNo, Byte& flags) {
  (void)def;
  if (!OnSetupField) return;
  if (TField* field = FieldByNumber(fieldNo)) OnSetupField(this, field, flags);
}

bool TvomCustomMemTable::CompareFieldsHook(TField* field, const void* keyValue,
                                           const void* recordValue, TFieldType dataType,
                                           Byte options, bool& fullMatch, Integer& result) {
  if (!OnCompareFields) return false;
  OnCompareFields(this, field, keyValue, recordValue, dataType, options, fullMatch, result);
  return true;
}

bool TvomCustomMemTable::DecompressFieldValue(TField* field, const Byte* data, Integer size,
                                              std::vector<Byte>& result) {
  if (!OnDecompressField) return false;
  result.clear();
  Integer length = size;
  OnDecompressField(this, field, data, length, result);
  result.resize(static_cast<std::size_t>(
      std::clamp(length, Integer{0}, static_cast<Integer>(result.size()))));
  return true;
}

TField* TvomCustomMemTable::IndexFieldByName(const String& name) {
  return FieldByName(name);
}

bool TvomCustomMemTable::FilterIndex(TvomIndex* index, TvomRecord* record) {
  if (!OnFilterIndex) return true;
  TvomRecord* const saved_record = override_record_;
  const TDataSetState saved_state = SetTempState(dsFilter);
  override_record_ = record;
  TScopeExit restore([&] {
    override_record_ = saved_record;
    RestoreState(saved_state);
  });
  bool accept = true;
  OnFilterIndex(this, index, accept);
  return accept;
}
