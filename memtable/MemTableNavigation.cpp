// memtable/MemTableNavigation.cpp
//
// The cursor over the current index: reading records into buffers, finding,
// counting and numbering, the filter switches, and bookmarks. The steps to
// the next or prior accepted record belong to the record test
// (MemTableFilter.cpp).
#include <algorithm>

#include "memtable/MemTable.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringUtils.h"

namespace {

// A record that the table can no longer show: freed, or kept only as the
// deleted version of a record.
bool Gone(const TvomRecord* record) {
  return record == nullptr || record->UpdateStatus == usDeleted;
}

Integer Sign(Integer value) {
  return (value > 0) - (value < 0);
}

}  // namespace

// --- the cursor ------------------------------------------------------------------------

void TvomCustomMemTable::CursorToBOF() {
  cursor_ = -1;
}

void TvomCustomMemTable::CursorToEOF() {
  cursor_ = CurrentIndex()->Count();
}

void TvomCustomMemTable::ClipCursor() {
  // Another table sharing the store may have removed records since.
  cursor_ = std::clamp(cursor_, Integer{-1}, CurrentIndex()->Count());
}

TGetResult TvomCustomMemTable::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  (void)doCheck;
  TvomStoreLock hold(*store_);
  TvomIndex* index = CurrentIndex();
  if (mode != gmCurrent) FollowCurrentRecord();
  ClipCursor();
  switch (mode) {
    case gmCurrent:
      if (cursor_ < 0) return grBOF;
      if (cursor_ >= index->Count()) return grEOF;
      if (must_test_ && !FilterRecord(index->Refs(cursor_), false)) return grEOF;
      break;
    case gmNext:
      if (!MoveToNextAccepted(false)) return grEOF;
      break;
    case gmPrior:
      if (!MoveToPriorAccepted(false)) return grBOF;
      break;
  }
  FillBuffer(AsRecord(buffer), cursor_);
  return grOK;
}

bool TvomCustomMemTable::FindRecord(bool restart, bool goForward) {
  CheckBrowseMode();
  DoBeforeScroll();
  SetFound(false);
  UpdateCursorPos();
  bool found;
  {
    TvomStoreLock hold(*store_);
    if (goForward) {
      if (restart) CursorToBOF();
      found = MoveToNextAccepted(true);
    } else {
      if (restart) CursorToEOF();
      found = MoveToPriorAccepted(true);
    }
  }
  // The cursor has left the record the ring thinks it is on.
  CursorPosChanged();
  if (!found) return false;
  ResyncMoved();
  SetFound(true);
  DoAfterScroll();
  return true;
}

Integer TvomCustomMemTable::SkipRecords(Integer distance) {
  // GetRecord's steps without the copy into a buffer.
  TvomStoreLock hold(*store_);
  FollowCurrentRecord();
  if (!must_test_) {
    // Every record is accepted: the steps are counted, not taken one by one.
    ClipCursor();
    const Integer last = CurrentIndex()->Count() - 1;
    const Integer passed = distance > 0 ? std::min(distance, std::max(Integer{0}, last - cursor_))
                                        : std::min(-distance, std::max(Integer{0}, cursor_));
    cursor_ += distance > 0 ? passed : -passed;
    return passed;
  }
  Integer passed = 0;
  for (; distance > 0 && MoveToNextAccepted(false); --distance) ++passed;
  for (; distance < 0 && MoveToPriorAccepted(false); ++distance) ++passed;
  return passed;
}

void TvomCustomMemTable::FollowCurrentRecord() {
  // The ring says which buffer's record the cursor stands on; another table
  // sharing the store may have moved that record since.
  const TRecordBuffer buffer = CurrentBuffer();
  if (buffer == nullptr || GetBookmarkFlag(buffer) != bfCurrent) return;
  const Integer pos = PositionOfSerial(AsRecord(buffer)->Serial, cursor_);
  if (pos >= 0) cursor_ = pos;
}

void TvomCustomMemTable::InternalRefresh() {
  TvomStoreLock hold(*store_);
  FollowCurrentRecord();
  ClipCursor();
}

// --- positions of records -----------------------------------------------------------------

Integer TvomCustomMemTable::PositionOfSerial(Integer serial, Integer hint) {
  TvomIndex* index = CurrentIndex();
  // The current index never holds freed records, so its entries can be read.
  if (hint >= 0 && hint < index->Count() && index->Refs(hint)->Serial == serial) return hint;
  TvomRecord* record = store_->RecordBySerial(serial);
  if (record == nullptr) return -1;
  return index->PositionOf(record);
}

Integer TvomCustomMemTable::PositionOfBuffer(const TvomRecord* buffer) {
  if (buffer == nullptr || buffer->Serial < 0) return -1;
  return PositionOfSerial(buffer->Serial, buffer->IndexPos);
}

void TvomCustomMemTable::InternalSetToRecord(TRecordBuffer buffer) {
  TvomRecord* record = AsRecord(buffer);
  TvomStoreLock hold(*store_);
  if (record->IndexPos < 0) {
    // A new record: it stands where the record of its bookmark stands.
    Byte bookmark[8];
    GetBookmarkData(buffer, bookmark);
    InternalGotoBookmark(bookmark);
    return;
  }
  const Integer pos = PositionOfBuffer(record);
  // A record that has gone leaves the cursor near where it was.
  cursor_ = pos >= 0 ? pos : std::min(record->IndexPos, CurrentIndex()->Count());
}

// --- counting and numbering ------------------------------------------------------------------

Integer TvomCustomMemTable::GetRecordCount() {
  CheckActive();
  TvomStoreLock hold(*store_);
  TvomIndex* index = CurrentIndex();
  if (!must_test_) return index->Count();
  Integer count = 0;
  for (Integer pos = 0; pos < index->Count(); ++pos)
    if (FilterRecord(index->Refs(pos), false)) ++count;
  return count;
}

Integer TvomCustomMemTable::GetRecNo() {
  if (!open_) return -1;
  TvomStoreLock hold(*store_);
  const Integer pos = PositionOfBuffer(AsRecord(ActiveBuffer()));
  return pos < 0 ? -1 : pos + 1;
}

void TvomCustomMemTable::SetRecNo(Integer value) {
  if (!open_) return;
  CheckBrowseMode();
  const Integer current = RecNo();
  if (value < 1 || value > CurrentIndex()->Count() || value == current) return;
  if (must_test_) {
    MoveBy(value - current);
    return;
  }
  DoBeforeScroll();
  cursor_ = value - 1;
  CursorPosChanged();
  ResyncMoved();
  DoAfterScroll();
}

void TvomCustomMemTable::SetBlockReadSize(Integer value) {
  if (value > 0) {
    TDataSet::SetBlockReadSize(value);
    return;
  }
  TDataSet::SetBlockReadSize(0);
  if (!Active()) return;
  CursorPosChanged();
  Resync({});
}

bool TvomCustomMemTable::GetIsIndexField(TField* field) {
  return index_field_list_.IndexOf(field) >= 0;
}

// --- filter switches ----------------------------------------------------------------------------

void TvomCustomMemTable::SetFiltered(bool value) {
  if (value == Filtered()) return;
  TDataSet::SetFiltered(value);
  if (!Active()) return;
  if (value && !Trim(Filter()).empty() && !HasCompiledFilter()) CompileFilter();
  UpdateFilteringState();
  // What is visible changed: read the records again from the first.
  First();
}

void TvomCustomMemTable::SetFilterText(const String& value) {
  TDataSet::SetFilterText(value);
  CompileFilter();
  if (!Active()) return;
  UpdateFilteringState();
  if (Filtered()) First();
}

void TvomCustomMemTable::SetOnFilterRecord(const TFilterRecordEvent& value) {
  TDataSet::SetOnFilterRecord(value);
  UpdateFilteringState();
}

// --- bookmarks
// --------------------------------------------------------------------------------------

void TvomCustomMemTable::GetBookmarkData(TRecordBuffer buffer, void* data) {
  auto* bytes = static_cast<Byte*>(data);
  WriteValue<Integer>(bytes, store_->BookmarkSerial(AsRecord(buffer), attach_index_));
  WriteValue<Integer>(bytes + 4, store_->TableID());
}

void TvomCustomMemTable::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  TvomRecord* record = AsRecord(buffer);
  store_->SetBookmark(record, attach_index_, ReadValue<Integer>(data),
                      store_->BookmarkFlag(record, attach_index_));
}

TBookmarkFlag TvomCustomMemTable::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(store_->BookmarkFlag(AsRecord(buffer), attach_index_));
}

void TvomCustomMemTable::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  store_->SetBookmarkFlag(AsRecord(buffer), attach_index_, value);
}

void TvomCustomMemTable::InternalGotoBookmark(const void* bookmark) {
  if (bookmark == nullptr) throw EMemTableError(Format(SvomBookmarkNotFound, -200));
  const auto* bytes = static_cast<const Byte*>(bookmark);
  const Integer serial = ReadValue<Integer>(bytes);
  const Integer table_id = ReadValue<Integer>(bytes + 4);
  if (serial < 0) return;
  TvomStoreLock hold(*store_);
  // The record is found by its serial; one that has gone (or a bookmark of
  // the store's former contents) is refused rather than read.
  TvomRecord* record = table_id == store_->TableID() ? store_->RecordBySerial(serial) : nullptr;
  if (Gone(record)) throw EMemTableInvalidRecord(SvomInvalidRecord);
  const Integer pos = CurrentIndex()->PositionOf(record);
  if (pos >= 0) cursor_ = pos;
}

bool TvomCustomMemTable::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.Size() != 8 || store_ == nullptr) return false;
  const Integer serial = ReadValue<Integer>(bookmark.Data());
  const Integer table_id = ReadValue<Integer>(bookmark.Data() + 4);
  if (serial < 0 || table_id != store_->TableID()) return false;
  TvomStoreLock hold(*store_);
  return !Gone(store_->RecordBySerial(serial));
}

Integer TvomCustomMemTable::CompareBookmarks(const TBookmark& bookmark1,
                                             const TBookmark& bookmark2) {
  if (!BookmarkValid(bookmark1) || !BookmarkValid(bookmark2)) return 0;
  TvomStoreLock hold(*store_);
  const TvomRecord* a = store_->RecordBySerial(ReadValue<Integer>(bookmark1.Data()));
  const TvomRecord* b = store_->RecordBySerial(ReadValue<Integer>(bookmark2.Data()));
  if (a == b) return 0;
  TvomIndex* index = CurrentIndex();
  Integer result = 0;
  if (!index->RowOrder()) {
    result = index->CompareRecords(nullptr, a, b, true, false);
    if (result == 0) result = a->IndexPos - b->IndexPos;
  }
  if (result == 0) result = a->SlotNo - b->SlotNo;
  return Sign(result);
}
