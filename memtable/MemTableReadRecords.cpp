// memtable/MemTableReadRecords.cpp
//
// Reading every record without the buffer ring: the fields read the stored
// record itself (the override record), so a reader of the whole table pays
// neither the copy of each record into a buffer nor the ring's bookkeeping.
#include <algorithm>
#include <bit>

#include "memtable/Index.h"
#include "memtable/MemTable.h"
#include "platform/rtl/ScopeExit.h"

namespace {

// Records lie scattered over the store's slabs, and a reader of every
// record would otherwise wait on memory for each one. Well ahead, the walk
// asks for the first two lines of each record's data (where the first
// fields are) and for the parts further in that the reader has been reading
// in most records of either kind (WalkReads.h): a tree reads a folder's
// image number 1.3 KB into its record, and folders are one row in ten.
// Most records of a walk are read briefly (a tree skips nine rows in ten
// after one field), so a few steps ahead is too close: the data still
// missed when its record came up.
//
// The far parts are asked for in every record, not only in the records of
// the kind that reads them: telling the kinds apart means reading the
// record's first line, and a walk this far ahead would wait for that line
// (nearer, the far part came too late). A line fetched for nothing costs
// memory traffic; a line missed costs a wait of its record's read.
class TRecordsAhead {
 public:
  TRecordsAhead(TvomIndex& index, const TvomCommon& store, const TvomWalkReads& reads)
      : index_(index), store_(store), reads_(reads) {}

  void Fetch(Integer position) {
    const Integer count = index_.Count();
    // While every stored record holds its data in place, the data follows
    // the header and the walk's reads never look at the header. (Record
    // buffers sharing a stored record's data leave it in place.)
    // Otherwise the data's address is known only from the header, asked
    // for further ahead.
    const bool inPlace = !store_.AnyStoredDataApart();
    if (!inPlace && position + kHeaderAhead < count)
      __builtin_prefetch(index_.Refs(position + kHeaderAhead));
    if (position + kDataAhead >= count) return;
    const Byte* data = DataOf(index_.Refs(position + kDataAhead), inPlace);
    if (data == nullptr) return;
    __builtin_prefetch(data);
    __builtin_prefetch(data + TvomWalkReads::kSpan);
    for (std::uint64_t spans = reads_.Ahead(true) | reads_.Ahead(false); spans != 0;
         spans &= spans - 1)
      __builtin_prefetch(data + reads_.OffsetIn(std::countr_zero(spans)));
  }

 private:
  static constexpr Integer kHeaderAhead = 64;
  static constexpr Integer kDataAhead = 32;

  static const Byte* DataOf(const TvomRecord* record, bool inPlace) {
    return inPlace ? reinterpret_cast<const Byte*>(record + 1) : record->Data;
  }

  TvomIndex& index_;
  const TvomCommon& store_;
  const TvomWalkReads& reads_;
};

// The walk counts the reads of its first records, then of one in kCountEvery.
constexpr Integer kCountFirst = 256;
constexpr Integer kCountEvery = 8;

}  // namespace

void TvomCustomMemTable::ReadRecords(const std::function<bool()>& visit) {
  CheckActive();
  // Calculated fields live only in fetched buffers, and a pending edit is
  // posted by the general walk's First: both take that walk.
  if (State() != dsBrowse || HasCalcFields()) {
    TDataSet::ReadRecords(visit);
    return;
  }
  TvomWalkReads reads;
  const Integer savedCursor = cursor_;
  TvomRecord* const savedOverride = override_record_;
  const TvomRecord* const savedVisited = walk_visited_;
  TvomWalkReads* const savedReads = walk_reads_;
  TScopeExit restore([&] {
    override_record_ = savedOverride;
    cursor_ = savedCursor;
    walk_visited_ = savedVisited;
    walk_reads_ = savedReads;
  });
  // The store stays locked for the whole walk: each field read then only
  // counts itself in, and no other table of the store changes the records
  // between one visit and the next.
  TvomStoreLock hold(*store_);
  // The walk keeps its own position, so that a reader that calls on the
  // table's cursor for something cannot make it skip or repeat records.
  Integer position = -1;
  TvomIndex* index = CurrentIndex();
  TRecordsAhead ahead(*index, *store_, reads);
  for (Integer visits = 0;; ++visits) {
    // Without a filter or range every record is accepted: the next one is
    // the next position (the reader may have removed records meanwhile).
    if (!must_test_) {
      if (position + 1 >= index->Count()) return;
      cursor_ = ++position;
    } else {
      cursor_ = position;
      if (!MoveToNextAccepted(false)) return;
      position = cursor_;
    }
    ahead.Fetch(position);
    override_record_ = index->Refs(position);
    walk_visited_ = override_record_;
    const bool counted = visits < kCountFirst || visits % kCountEvery == 0;
    walk_reads_ = counted ? &reads : nullptr;
    const bool more = visit();
    if (counted) reads.EndVisit();
    if (!more) return;
  }
}
