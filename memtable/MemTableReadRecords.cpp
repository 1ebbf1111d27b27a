// memtable/MemTableReadRecords.cpp
//
// Reading every record without the buffer ring: the fields read the stored
// record itself (the override record), so a reader of the whole table pays
// neither the copy of each record into a buffer nor the ring's bookkeeping.
#include "memtable/Index.h"
#include "memtable/MemTable.h"
#include "platform/rtl/ScopeExit.h"

namespace {

// Records lie scattered over the store's slabs, and a reader of every
// record would otherwise wait on memory for each one: the headers of the
// records a little ahead, and the start of the data of those nearer (where
// the first fields are), are asked for early. Most records of a walk are
// read briefly (a tree skips nine rows in ten after one field), so a few
// steps ahead is too close: the data still missed when its record came up.
void Prefetch(TvomIndex& index, Integer position) {
  constexpr Integer kHeaderAhead = 32;
  constexpr Integer kDataAhead = 16;
  const Integer count = index.Count();
  if (position + kHeaderAhead < count) __builtin_prefetch(index.Refs(position + kHeaderAhead));
  if (position + kDataAhead < count) {
    if (const Byte* data = index.Refs(position + kDataAhead)->Data) {
      __builtin_prefetch(data);
      __builtin_prefetch(data + 64);
    }
  }
}

}  // namespace

void TvomCustomMemTable::ReadRecords(const std::function<bool()>& visit) {
  CheckActive();
  // Calculated fields live only in fetched buffers, and a pending edit is
  // posted by the general walk's First: both take that walk.
  if (State() != dsBrowse || HasCalcFields()) {
    TDataSet::ReadRecords(visit);
    return;
  }
  const Integer savedCursor = cursor_;
  TvomRecord* const savedOverride = override_record_;
  TScopeExit restore([&] {
    override_record_ = savedOverride;
    cursor_ = savedCursor;
  });
  // The store stays locked for the whole walk: each field read then only
  // counts itself in, and no other table of the store changes the records
  // between one visit and the next.
  TvomStoreLock hold(*store_);
  // The walk keeps its own position, so that a reader that calls on the
  // table's cursor for something cannot make it skip or repeat records.
  Integer position = -1;
  TvomIndex* index = CurrentIndex();
  for (;;) {
    cursor_ = position;
    if (!MoveToNextAccepted(false)) return;
    position = cursor_;
    Prefetch(*index, position);
    override_record_ = index->Refs(position);
    if (!visit()) return;
  }
}
