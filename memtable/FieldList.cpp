// memtable/FieldList.cpp
#include "memtable/FieldList.h"

#include <algorithm>

#include "memtable/RecordStore.h"
#include "platform/data/Field.h"
#include "platform/rtl/Checked.h"

Integer TvomFieldList::Add(TField* field, Byte options) {
  if (Count() >= kvomMaxFields) RaiseRangeError();
  TvomFieldListEntry entry;
  entry.Field = field;
  entry.FieldNo = field->FieldNo();
  entry.Options = options;
  entry.DataType = field->DataType();
  entry.StorageSize = TvomCommon::FieldDataSize(entry.DataType, field->Size());
  entry.Compare = ValueComparerFor(entry.DataType);
  if (store_ != nullptr) {
    if (entry.FieldNo >= 1 && entry.FieldNo <= kvomMaxFields) {
      entry.Offset = store_->FieldOffset(entry.FieldNo);
      const Byte flags = store_->FieldFlags(entry.FieldNo);
      entry.Indirect = flags & mtffIndirect;
      entry.Compressed = flags & mtffCompressed;
      // An attached table may declare the field larger than the records hold it.
      if (!entry.Indirect && store_->FieldStorageSize(entry.FieldNo) > 0)
        entry.StorageSize = std::min(entry.StorageSize, store_->FieldStorageSize(entry.FieldNo));
    } else {
      // Calculated and lookup fields live in the calculated area.
      entry.Offset = store_->CalcStart() + field->Offset();
    }
  }
  entries_.push_back(entry);
  return Count() - 1;
}

Integer TvomFieldList::IndexOf(const TField* field) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Fields(i) == field) return i;
  return -1;
}

void TvomFieldList::AssignTo(TvomFieldList& other) const {
  if (&other == this) return;
  other.store_ = store_;
  other.entries_ = entries_;
}

void TvomFieldList::MergeOptions(TvomFieldList& other) const {
  const Integer n = std::min(Count(), other.Count());
  for (Integer i = 0; i < n; ++i) other.entries_[static_cast<std::size_t>(i)].Options |= Options(i);
}
