// tests/memtable/WalkReadsTest.cpp
//
// What a walk learns of its reader: the parts of the records read in most
// records of each kind, followed as the reader changes.
#include <gtest/gtest.h>

#include "memtable/WalkReads.h"

namespace {

constexpr Integer kKey = 5;       // the lead: read first in every record
constexpr Integer kName = 10;     // near the start
constexpr Integer kImage = 1334;  // far in: span 20
constexpr std::uint64_t kImageSpan = std::uint64_t{1} << (kImage / TvomWalkReads::kSpan);

// One record in `every` has its key; those are read further in.
void Visit(TvomWalkReads& reads, Integer records, Integer every, bool readImage) {
  for (Integer i = 0; i < records; ++i) {
    const bool present = i % every == 0;
    reads.Note(kKey, 5, present);
    if (!present) {
      reads.EndVisit();
      continue;
    }
    reads.Note(kName, 20, true);
    if (readImage) reads.Note(kImage, 5, true);
    reads.EndVisit();
  }
}

}  // namespace

TEST(WalkReads, FetchesFarPartsOnlyForTheKindOfRecordReadThere) {
  TvomWalkReads reads;
  EXPECT_EQ(reads.Lead(), -1);
  Visit(reads, 2000, 10, true);
  EXPECT_EQ(reads.Lead(), kKey);
  EXPECT_EQ(reads.Ahead(true), kImageSpan);
  EXPECT_EQ(reads.Ahead(false), 0u);  // files are read at their key only
  // The place fetched lies within the value read there.
  const Integer at = reads.OffsetIn(kImage / TvomWalkReads::kSpan);
  EXPECT_GE(at, kImage);
  EXPECT_LT(at, kImage + 5);
}

TEST(WalkReads, FollowsAReaderThatStopsOrStartsReadingAPart) {
  TvomWalkReads reads;
  Visit(reads, 2000, 10, true);
  ASSERT_EQ(reads.Ahead(true), kImageSpan);
  Visit(reads, 2000, 10, false);
  EXPECT_EQ(reads.Ahead(true), 0u);
  Visit(reads, 2000, 10, true);
  EXPECT_EQ(reads.Ahead(true), kImageSpan);
}

TEST(WalkReads, APartReadInFewRecordsOfAKindIsNotFetched) {
  TvomWalkReads reads;
  for (Integer i = 0; i < 4000; ++i) {
    reads.Note(kKey, 5, true);
    if (i % 3 == 0) reads.Note(kImage, 5, true);  // a third of them
    reads.EndVisit();
  }
  EXPECT_EQ(reads.Ahead(true), 0u);
}

TEST(WalkReads, AVisitThatNeverReadsTheLeadCountsForNoKind) {
  TvomWalkReads reads;
  Visit(reads, 640, 1, false);
  for (Integer i = 0; i < 4000; ++i) {
    reads.Note(kImage, 5, true);  // the lead is not read
    reads.EndVisit();
  }
  EXPECT_EQ(reads.Ahead(true), 0u);
  EXPECT_EQ(reads.Ahead(false), 0u);
}
