// memtable/BlobStream.cpp
#include "memtable/BlobStream.h"

#include <limits>

#include "memtable/LengthBuffer.h"
#include "memtable/MemTable.h"
#include "platform/data/BlobFields.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/ScopeExit.h"

TvomBlobStream::TvomBlobStream(TField* field, TvomCustomMemTable* table, TBlobStreamMode mode)
    : field_(field), table_(table), mode_(mode) {
  TvomCommon& store = table->Store();
  TvomStoreLock hold(store);
  if (mode != bmRead) {
    if (field->ReadOnly() && !table->IgnoreReadOnly())
      DatabaseErrorFmt(SvomFieldReadOnly, table, field->DisplayName());
    if (table->State() != dsEdit && table->State() != dsInsert)
      DatabaseError(SvomNotEditing, table);
  }
  if (!table->IsCursorOpen()) return;
  TvomRecord* buffer = table->GetActiveRecord();
  const Integer fieldNo = field->FieldNo();
  if (buffer == nullptr || fieldNo < 1 || !(store.FieldFlags(fieldNo) & mtffIndirect)) return;
  buffer_ = buffer;
  offset_ = store.FieldOffset(fieldNo);

  if (mode == bmWrite) {
    Byte* entry = buffer_->Data + offset_;
    FreeLengthBuffer(IndirectBuffer(entry));
    SetIndirectBuffer(entry, nullptr);
    entry[0] = 0;
    modified_ = true;
    return;
  }
  LoadValue();
}

void TvomBlobStream::LoadValue() {
  const Byte* entry = buffer_->Data + offset_;
  const Byte* value = IndirectBuffer(entry);
  if (value == nullptr) {
    if (entry[0] == 0) return;  // null: an empty value
    // The buffer has no value of its own: the stored record's, found by
    // serial (its slot may hold another record by now).
    const TvomRecord* stored = table_->StoredRecordOf(buffer_);
    if (stored == nullptr) throw EMemTableInvalidRecord(SvomInvalidRecord);
    value = IndirectBuffer(stored->Data + offset_);
    if (value == nullptr) return;
  }
  loading_ = true;
  {
    TScopeExit loaded([&] { loading_ = false; });
    const Integer length = LengthBufferSize(value);
    if (table_->OnDecompressBlobStream) {
      TMemoryStream packed;
      packed.WriteBuffer(LengthBufferData(value), length);
      packed.SetPosition(0);
      table_->OnDecompressBlobStream(table_, &packed, this);
    } else {
      WriteBuffer(LengthBufferData(value), length);
    }
  }
  SetPosition(0);
}

TvomBlobStream::~TvomBlobStream() {
  if (!modified_ || buffer_ == nullptr) return;
  try {
    StoreValue();
  } catch (...) {
    HandleCurrentException();
  }
}

Int64 TvomBlobStream::Write(const void* buffer, Int64 count) {
  if (!loading_ && (mode_ == bmWrite || mode_ == bmReadWrite)) modified_ = true;
  return TMemoryStream::Write(buffer, count);
}

void TvomBlobStream::StoreValue() {
  TvomCommon& store = table_->Store();
  TvomStoreLock hold(store);
  Byte* stored = nullptr;
  auto keep = [&](TMemoryStream& stream) {
    const Int64 size = stream.Size();
    if (size > std::numeric_limits<Integer>::max()) throw ERangeError(SvomInvalidArgument);
    if (size > 0) stored = MakeLengthBuffer(stream.Memory(), static_cast<Integer>(size));
  };
  if (table_->OnCompressBlobStream) {
    TMemoryStream packed;
    SetPosition(0);
    table_->OnCompressBlobStream(table_, this, &packed);
    keep(packed);
  } else {
    keep(*this);
  }
  Byte* entry = buffer_->Data + offset_;
  FreeLengthBuffer(IndirectBuffer(entry));
  SetIndirectBuffer(entry, stored);
  entry[0] = stored != nullptr ? kvomNotNull : 0;
  const Integer fieldNo = field_->FieldNo();
  store.SetFieldFlags(fieldNo, static_cast<Byte>(store.FieldFlags(fieldNo) | mtffChanged));
  if (auto* blob = dynamic_cast<TBlobField*>(field_)) blob->SetModified(true);
  table_->FieldChanged(field_);
}
