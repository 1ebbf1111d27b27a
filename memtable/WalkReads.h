// memtable/WalkReads.h
//
// TvomWalkReads: which parts of each record the reader of a walk over every
// record (TvomCustomMemTable::ReadRecords) looks at, learned as it goes, so
// that the walk can fetch those parts of the records ahead before they are
// read. A catalogue's record is some 1.9 KB, laid out in the fields'
// declared order; a tree reads a field near the start of every record and,
// for one record in ten, fields further in (an image number 1.3 KB in).
// Each of those is a memory miss of its own unless asked for early.
//
// So the reads are counted per kind of record: the first field the reader
// reads in the walk is its lead (a tree's key), and the records whose lead is
// null (files) are counted apart from those where it is present (folders).
// The walk fetches, well ahead, the first lines of every record and each
// part further in (a 64-byte span of the data area) that at least half of
// the recent records of either kind were read in: counted per kind, a part
// that every folder's read touches counts although folders are few. It is
// fetched in the records of the other kind too, since telling the kinds
// apart that far ahead would mean waiting for each record's first line.
// Counting costs a few nanoseconds a read, as much as the fetches save, so
// the walk counts the reads of its first records and then of one record in
// several. Only a guess is made from this: a wrong one costs a fetch, never
// a value.
#pragma once

#include <bit>
#include <cstdint>

#include "platform/rtl/Types.h"

class TvomWalkReads {
 public:
  // Spans of 64 bytes from the start of the data area that are followed.
  static constexpr Integer kSpan = 64;
  static constexpr Integer kSpans = 64;
  // The first spans, which the walk fetches for every record anyway.
  static constexpr Integer kHeadSpans = 2;

  // A read of the record being visited: `offset` is where the field's null
  // flag lies in the data area, `bytes` how many bytes from it were read
  // (the flag included), `present` whether the value is not null.
  void Note(Integer offset, Integer bytes, bool present) {
    if (lead_ < 0) lead_ = offset;
    if (offset == lead_ && visit_kind_ == kUnknown) visit_kind_ = present ? kPresent : kNull;
    Mark(offset);
    if (bytes > 1) Mark(offset + bytes - 1);
  }

  // Ends the visit of a record: counts where it was read.
  void EndVisit() {
    if (visit_kind_ != kUnknown) {
      Kind& kind = kinds_[visit_kind_];
      for (std::uint64_t spans = touched_; spans != 0; spans &= spans - 1)
        ++kind.Reads[std::countr_zero(spans)];
      if (++kind.Visits == kRecount) Recount(kind);
    }
    touched_ = 0;
    visit_kind_ = kUnknown;
  }

  // Where the reader's first field lies in the data area (-1: none read yet).
  Integer Lead() const { return lead_; }
  // The spans to fetch ahead for a record whose lead is present or null:
  // bits by span number, the head spans left out.
  std::uint64_t Ahead(bool leadPresent) const {
    return kinds_[leadPresent ? kPresent : kNull].Ahead;
  }
  // The offset within span `span` last read: the place to fetch (a field
  // lies at the same offset in every record, but records are not aligned
  // alike, so the span's start may lie on the line before the field's).
  Integer OffsetIn(Integer span) const { return at_[span]; }

 private:
  static constexpr int kNull = 0;
  static constexpr int kPresent = 1;
  static constexpr int kUnknown = 2;
  // Records of a kind between two recounts.
  static constexpr Integer kRecount = 64;

  struct Kind {
    Integer Visits = 0;
    Integer Reads[kSpans] = {};
    std::uint64_t Ahead = 0;
  };

  void Mark(Integer offset) {
    const Integer span = offset / kSpan;
    if (span < kHeadSpans || span >= kSpans) return;
    touched_ |= std::uint64_t{1} << span;
    seen_ |= std::uint64_t{1} << span;
    at_[span] = offset;
  }

  // Takes the spans read in at least half of the kind's recent records and
  // halves the counts, so that a reader that changes its reads is followed
  // within a few recounts.
  void Recount(Kind& kind) const {
    std::uint64_t ahead = 0;
    for (std::uint64_t spans = seen_; spans != 0; spans &= spans - 1) {
      const int span = std::countr_zero(spans);
      if (2 * kind.Reads[span] >= kind.Visits) ahead |= std::uint64_t{1} << span;
      kind.Reads[span] /= 2;
    }
    kind.Visits /= 2;
    kind.Ahead = ahead;
  }

  Integer lead_ = -1;
  int visit_kind_ = kUnknown;
  std::uint64_t touched_ = 0;
  // Every span read in the walk so far.
  std::uint64_t seen_ = 0;
  Kind kinds_[2];
  Integer at_[kSpans] = {};
};
