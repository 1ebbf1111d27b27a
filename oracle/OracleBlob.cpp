// oracle/OracleBlob.cpp
#include "oracle/OracleBlob.h"

#include <algorithm>
#include <cstring>

#include "platform/data/BlobFields.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Checked.h"

void TOracleBlob::SetBytes(const void* data, Integer size) {
  const auto* bytes = static_cast<const Byte*>(data);
  bytes_.assign(bytes, bytes + RangeChecked<std::size_t>(size));
  bytes_.shrink_to_fit();
}

void TOracleBlob::Resize(Integer size) {
  bytes_.resize(RangeChecked<std::size_t>(size));
}

void TOracleBlob::Clear() {
  bytes_.clear();
  bytes_.shrink_to_fit();
}

TOracleBlob* TBlobList::BlobByField(const TField* field) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->Field() == field) return Items(i);
  return nullptr;
}

void TBlobList::Copy(TBlobList* dest, const TBlobList* source) {
  dest->Clear();
  for (Integer i = 0; i < source->Count(); ++i) {
    const TOracleBlob* from = source->Items(i);
    TOracleBlob* to = dest->Add();
    to->SetBytes(from->Bytes(), from->Size());
    to->SetField(from->Field());
  }
}

TOracleBlobStream::TOracleBlobStream(TField* field, TBlobStreamMode mode,
                                     TRecordStoreOwner* dataSet)
    : field_(field), data_set_(dataSet), mode_(mode) {
  TRecordBuffer record = data_set_->BlobRecordBuffer();
  if (record == nullptr) return;
  auto* blobField = dynamic_cast<TBlobField*>(field);
  const bool fieldModified = blobField != nullptr && blobField->Modified();
  TBlobList* list = nullptr;
  if (!fieldModified && mode == bmRead) {
    list = OracleRecord::BlobList(record);
  } else {
    list = data_set_->CurrentBlobList();
    if (!fieldModified && mode != bmRead) {
      const TDataSetState state = field->DataSet()->State();
      if (state != dsEdit && state != dsInsert) DatabaseError(MsgNotEditing, field->DataSet());
    }
  }
  blob_ = list != nullptr ? list->BlobByField(field) : nullptr;
  // Without a blob there is nothing to read or to write into.
  if (blob_ == nullptr) return;
  opened_ = true;
  if (mode == bmWrite) {
    position_ = 0;
    blob_->Clear();
    modified_ = true;
  }
}

TOracleBlobStream::~TOracleBlobStream() {
  if (!modified_) return;
  if (opened_)
    if (auto* blobField = dynamic_cast<TBlobField*>(field_)) blobField->SetModified(true);
  // The stream cannot let an error out of its destructor; the change has
  // been made in the blob whatever the notification does.
  try {
    data_set_->BlobFieldChanged(field_);
  } catch (...) {
  }
}

Int64 TOracleBlobStream::Read(void* buffer, Int64 count) {
  if (!opened_ || count <= 0) return 0;
  const Int64 available = std::max<Int64>(0, Int64(blob_->Size()) - position_);
  const Int64 n = std::min(count, available);
  if (n > 0) std::memcpy(buffer, blob_->Bytes() + position_, std::size_t(n));
  position_ += n;
  return n;
}

Int64 TOracleBlobStream::Write(const void* buffer, Int64 count) {
  if (!opened_ || count <= 0) return 0;
  const Int64 end = CheckedAdd(position_, count);
  if (end > blob_->Size()) blob_->Resize(RangeChecked<Integer>(end));
  std::memcpy(blob_->Bytes() + position_, buffer, std::size_t(count));
  position_ = end;
  modified_ = true;
  return count;
}

Int64 TOracleBlobStream::Seek(Int64 offset, Word origin) {
  Int64 base = 0;
  if (origin == soFromCurrent)
    base = position_;
  else if (origin == soFromEnd)
    base = Size();
  else if (origin != soFromBeginning)
    throw EStreamError("Invalid seek origin");
  const Int64 target = CheckedAdd(base, offset);
  // A negative position would make the next write land before the blob.
  if (target < 0) throw EStreamError("Invalid stream position");
  position_ = target;
  return position_;
}

Int64 TOracleBlobStream::Size() {
  return opened_ && blob_ != nullptr ? blob_->Size() : 0;
}
