// platform/data/DataSetRing.cpp
//
// The ring of record buffers around the current record (see DataSet.h).
#include "platform/data/DataSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/data/DataLink.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

// --- the ring --------------------------------------------------------------------

TRecordBuffer TDataSet::ActiveBuffer() const {
  if (record_count_ == 0 || active_record_ >= static_cast<Integer>(buffers_.size())) return nullptr;
  return buffers_[static_cast<std::size_t>(active_record_)];
}

// The readers of the ring below are const for their callers; the ring they
// read is the same whether it was filled when it changed or is filled now.
TRecordBuffer TDataSet::Buffers(Integer index) const {
  const_cast<TDataSet*>(this)->FillRing();
  if (index < 0 || index >= static_cast<Integer>(buffers_.size())) return nullptr;
  return buffers_[static_cast<std::size_t>(index)];
}

Integer TDataSet::RecordBufferCount() const {
  const_cast<TDataSet*>(this)->FillRing();
  return record_count_;
}

Integer TDataSet::ActiveRecord() const {
  const_cast<TDataSet*>(this)->FillRing();
  return active_record_;
}

Integer TDataSet::CurrentRecord() const {
  const_cast<TDataSet*>(this)->FillRing();
  return current_record_;
}

TRecordBuffer TDataSet::CurrentBuffer() const {
  if (current_record_ < 0 || current_record_ >= static_cast<Integer>(buffers_.size()))
    return nullptr;
  return buffers_[static_cast<std::size_t>(current_record_)];
}

void TDataSet::ClearBuffers() {
  record_count_ = 0;
  active_record_ = 0;
  current_record_ = -1;
  bof_ = eof_ = true;
  ring_pending_ = false;
}

void TDataSet::ActivateBuffers() {
  record_count_ = 1;
  active_record_ = 0;
  current_record_ = 0;
  bof_ = eof_ = false;
  ring_pending_ = false;
}

void TDataSet::FillRing() {
  if (!ring_pending_) return;
  // Cleared first: what the fetches run (calculated fields, the
  // descendant's GetRecord) may read the ring again.
  ring_pending_ = false;
  Integer before = ring_active_;
  while (before > 0 && GetPriorRecord()) --before;
  while (record_count_ < ring_count_ && GetNextRecord()) {
  }
}

void TDataSet::CursorToFirstBuffer() {
  CursorPosChanged();
  SetCurrentRecord(0);
}

Integer TDataSet::SkipRecords(Integer distance) {
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  const TGetMode mode = distance > 0 ? gmNext : gmPrior;
  Integer passed = 0;
  for (Integer left = std::abs(distance); left > 0 && GetRecord(spare, mode, true) == grOK; --left)
    ++passed;
  return passed;
}

void TDataSet::PutOffResync(Integer before) {
  // The steps of Resync's rebuild, counted instead of read: records before
  // the cursor's up to `before`, then after it until the ring is full, then
  // more before it when the end came first.
  const Integer room = buffer_count_ - 1;
  if (room <= 0) return;
  CursorPosChanged();
  const Integer prior = before > 0 ? SkipRecords(-before) : 0;
  Integer next = 0, more = 0;
  // A ring filled by the records before (the usual case after an append
  // at the end) needs no look after the record.
  if (prior < room) {
    CursorToFirstBuffer();
    CursorPosChanged();
    next = SkipRecords(room - prior);
    if (prior == before && prior + next < room) {
      CursorToFirstBuffer();
      CursorPosChanged();
      more = SkipRecords(-(room - next)) - prior;
    }
  }
  CursorToFirstBuffer();
  ring_active_ = prior + more;
  ring_count_ = 1 + prior + next + more;
  ring_pending_ = ring_count_ > 1;
}

void TDataSet::MoveBuffer(Integer curIndex, Integer newIndex) {
  if (curIndex == newIndex) return;
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(curIndex)];
  buffers_.erase(buffers_.begin() + curIndex);
  buffers_.insert(buffers_.begin() + newIndex, buffer);
  if (current_record_ == curIndex)
    current_record_ = newIndex;
  else if (curIndex < current_record_ && current_record_ <= newIndex)
    --current_record_;
  else if (newIndex <= current_record_ && current_record_ < curIndex)
    ++current_record_;
}

void TDataSet::SetCurrentRecord(Integer index) {
  if (current_record_ == index) return;
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  current_record_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (record_count_ > 0) SetCurrentRecord(active_record_);
}

// The buffer past the ring's records receives the next or prior record; the
// callers then rotate it into place.
bool TDataSet::FetchIntoSpare(TGetMode mode) {
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (GetRecord(spare, mode, true) == grOK) return true;
  CursorPosChanged();
  return false;
}

bool TDataSet::GetNextRecord() {
  FillRing();
  if (record_count_ > 0 && current_record_ != record_count_ - 1)
    SetCurrentRecord(record_count_ - 1);
  if (!FetchIntoSpare(gmNext)) return false;
  if (record_count_ == 0) {
    ActivateBuffers();
  } else if (record_count_ < buffer_count_) {
    ++record_count_;
  } else {
    // The ring is full: the oldest record leaves it.
    MoveBuffer(0, record_count_);
    if (active_record_ > 0) --active_record_;
  }
  current_record_ = record_count_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  FillRing();
  if (record_count_ > 0 && current_record_ != 0) SetCurrentRecord(0);
  if (!FetchIntoSpare(gmPrior)) return false;
  if (record_count_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(record_count_, 0);
    if (record_count_ < buffer_count_) {
      ++record_count_;
      ++active_record_;
    } else if (active_record_ < record_count_ - 1) {
      // The ring is full: the last record left it.
      ++active_record_;
    }
  }
  current_record_ = 0;
  return true;
}

Integer TDataSet::GetNextRecords() {
  Integer fetched = 0;
  while (record_count_ < buffer_count_ && GetNextRecord()) ++fetched;
  return fetched;
}

Integer TDataSet::GetPriorRecords() {
  Integer fetched = 0;
  while (record_count_ < buffer_count_ && GetPriorRecord()) ++fetched;
  return fetched;
}

void TDataSet::Resync(TResyncMode mode) {
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(MsgRecordNotFound, this);
  } else if (GetRecord(spare, gmCurrent, false) != grOK &&
             GetRecord(spare, gmNext, false) != grOK && GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  // Before the ring is rebuilt: how many records should precede the cursor's.
  Integer before = mode.Contains(rmCenter) ? (buffer_count_ - 1) / 2
                   : ring_pending_         ? ring_active_
                                           : active_record_;
  MoveBuffer(record_count_, 0);
  ActivateBuffers();
  TScopeExit announce(
      [this] { DataEvent(deDataSetChange, resync_moved_ ? kDataSetMovedOnly : 0); });
  if (CanPutOffRing()) {
    PutOffResync(before);
    return;
  }
  while (before > 0 && GetPriorRecord()) --before;
  GetNextRecords();
  GetPriorRecords();
}

void TDataSet::ResyncMoved() {
  const bool previous = resync_moved_;
  resync_moved_ = true;
  TScopeExit restore([this, previous] { resync_moved_ = previous; });
  Resync({rmExact, rmCenter});
}

void TDataSet::SetBufferCount(Integer value) {
  if (value < 1) value = 1;
  if (buffers_.empty()) return;  // closed: the count is taken when opening
  FillRing();
  if (value == buffer_count_) return;
  if (value > buffer_count_) {
    while (static_cast<Integer>(buffers_.size()) < value + 1)
      buffers_.push_back(AllocRecordBuffer());
    buffer_count_ = value;
    if (state_ == dsBrowse && record_count_ > 0) {
      GetNextRecords();
      GetPriorRecords();
    }
    return;
  }
  // Shrinking keeps the active record: records leave before it first.
  Integer excess = record_count_ - value;
  if (excess > 0) {
    const Integer front = std::min(excess, active_record_);
    for (Integer i = 0; i < front; ++i) MoveBuffer(0, static_cast<Integer>(buffers_.size()) - 1);
    active_record_ -= front;
    record_count_ -= front;
    if (record_count_ > value) record_count_ = value;
  }
  CursorPosChanged();
  while (static_cast<Integer>(buffers_.size()) > value + 1) {
    FreeRecordBuffer(buffers_.back());
    buffers_.pop_back();
  }
  buffer_count_ = value;
}

void TDataSet::UpdateBufferCount() {
  Integer count = 1;
  for (TDataSource* source : data_sources_)
    for (TDataLink* link : source->links_) count = std::max(count, link->BufferCount());
  SetBufferCount(count);
}
