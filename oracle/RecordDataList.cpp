// oracle/RecordDataList.cpp
#include "oracle/RecordDataList.h"

#include <algorithm>

#include "oracle/OracleBlob.h"
#include "platform/rtl/Checked.h"
#include "platform/rtl/Format.h"

namespace {

// The block header: three 32-bit integers.
constexpr Integer kBlockHeader = 12;
constexpr Integer kCapacityOffset = 0;
constexpr Integer kUsedOffset = 4;
constexpr Integer kTotalOffset = 8;

}  // namespace

namespace OracleRecord {

String RowId(const Byte* record) {
  const char* text = reinterpret_cast<const char*>(record + RowIdOffset);
  return String(text, strnlen(text, RowIdSize - 1));
}

void SetRowId(Byte* record, const String& rowId) {
  std::memset(record + RowIdOffset, 0, RowIdSize);
  std::memcpy(record + RowIdOffset, rowId.data(),
              std::min<std::size_t>(rowId.size(), RowIdSize - 1));
}

}  // namespace OracleRecord

TRecordDataList::TRecordDataList(TRecordStoreOwner* dataSet) : data_set_(dataSet) {}

TRecordDataList::~TRecordDataList() {
  Clear();
}

void TRecordDataList::NewBlock() {
  const Integer recordSize = data_set_->RecordBufferSize();
  const Integer capacity = std::max(Count() / 2, CheckedAdd(data_set_->RecordReadBuffer(), 1));
  const Integer total = CheckedAdd(kBlockHeader, CheckedMul(capacity, recordSize));
  // Value-initialised: a slot's blob-list pointer starts null.
  auto block = std::make_unique<Byte[]>(static_cast<std::size_t>(total));
  OracleRecord::Store(block.get(), kCapacityOffset, capacity);
  OracleRecord::Store(block.get(), kUsedOffset, Integer(0));
  OracleRecord::Store(block.get(), kTotalOffset, total);
  blocks_.push_back(std::move(block));
}

TRecordBuffer TRecordDataList::AllocRecord() {
  Byte* block = LastBlock();
  if (block == nullptr || OracleRecord::Load<Integer>(block, kUsedOffset) >=
                              OracleRecord::Load<Integer>(block, kCapacityOffset)) {
    NewBlock();
    block = LastBlock();
  }
  const Integer used = OracleRecord::Load<Integer>(block, kUsedOffset);
  return block + kBlockHeader + std::size_t(used) * std::size_t(data_set_->RecordBufferSize());
}

TRecordBuffer TRecordDataList::AddRecord(Integer index, bool alsoFiltered) {
  TRecordBuffer record = AllocRecord();
  Byte* block = LastBlock();
  OracleRecord::Store(block, kUsedOffset, OracleRecord::Load<Integer>(block, kUsedOffset) + 1);

  Integer fullIndex = index;
  if (alsoFiltered && FilteringActive()) {
    fullIndex = FilteredToFull(index);
    if (index < 0 || index >= filtered_.Count())
      filtered_.Add(record);
    else
      filtered_.Insert(index, record);
    in_view_.insert(record);
  }
  if (fullIndex >= 0 && fullIndex < Count())
    Insert(fullIndex, record);
  else
    Add(record);
  // The view follows list order whatever positions the caller thinks in.
  if (alsoFiltered && !FilteringActive()) AddToFiltered(record, false);
  return record;
}

void TRecordDataList::RemoveFromView(Integer viewIndex) {
  in_view_.erase(filtered_.Items(viewIndex));
  filtered_.Delete(viewIndex);
}

void TRecordDataList::DeleteRecord(Integer index, bool alsoFiltered) {
  Integer fullIndex = index;
  if (alsoFiltered) {
    if (FilteringActive()) {
      fullIndex = FilteredToFull(index);
      RemoveFromView(index);
    } else if (InFiltered(FullRecords(index))) {
      RemoveFromView(filtered_.IndexOf(FullRecords(index)));
    }
  }
  TRecordBuffer record = FullRecords(fullIndex);
  FreeRecordBlobs(record);
  Delete(fullIndex);
}

void TRecordDataList::Clear() {
  if (data_set_->RecordHasBlobFields())
    for (Integer i = Count() - 1; i >= 0; --i) FreeRecordBlobs(FullRecords(i));
  TList::Clear();
  while (!blocks_.empty()) blocks_.pop_back();
  ClearFiltered();
}

void TRecordDataList::ClearFiltered() {
  filtered_.Clear();
  in_view_.clear();
}

TRecordBuffer TRecordDataList::Records(Integer index) const {
  // An index outside the list is the caller's fault and raises: handing
  // back some other memory as a record would corrupt whatever it touched.
  return FilteringActive() ? FilteredRecords(index) : FullRecords(index);
}

Integer TRecordDataList::VisibleCount() const {
  return FilteringActive() ? filtered_.Count() : Count();
}

Integer TRecordDataList::FilteredToFull(Integer index) const {
  if (!FilteringActive() || index < 0) return index;
  if (index >= filtered_.Count()) return Count();
  return IndexOf(filtered_.Items(index));
}

Integer TRecordDataList::FullToFiltered(Integer index) const {
  void* record = Items(index);
  return InFiltered(static_cast<TRecordBuffer>(record)) ? filtered_.IndexOf(record) : -1;
}

void TRecordDataList::AddToFiltered(TRecordBuffer record, bool append) {
  if (InFiltered(record))
    throw Exception(
        Format("BUG: Duplicate record in filtered list (%d)", filtered_.IndexOf(record)));
  Integer at = filtered_.Count();
  if (!append) {
    // The view is a subsequence of the full list: walk both together up to
    // the record; the view entries met on the way stay before it.
    const Integer fullIndex = IndexOf(record);
    if (fullIndex >= 0) {
      const auto& full = List();
      const auto& view = filtered_.List();
      std::size_t v = 0;
      for (Integer i = 0; i < fullIndex && v < view.size(); ++i)
        if (view[v] == full[std::size_t(i)]) ++v;
      at = static_cast<Integer>(v);
    }
  }
  filtered_.Insert(at, record);
  in_view_.insert(record);
}

void TRecordDataList::CopyRecord(TRecordBuffer source, TRecordBuffer dest) const {
  std::memmove(dest, source, std::size_t(data_set_->RecordBufferSize()));
}

void TRecordDataList::FreeRecordBlobs(TRecordBuffer record) {
  std::unique_ptr<TBlobList> owned(OracleRecord::BlobList(record));
  OracleRecord::SetBlobList(record, nullptr);
}

Integer TRecordDataList::BlockCapacity(Integer block) const {
  ::CheckIndex(block, blocks_.size());
  return OracleRecord::Load<Integer>(blocks_[std::size_t(block)].get(), kCapacityOffset);
}

Integer TRecordDataList::BlockUsed(Integer block) const {
  ::CheckIndex(block, blocks_.size());
  return OracleRecord::Load<Integer>(blocks_[std::size_t(block)].get(), kUsedOffset);
}
