// tests/oracle/RecordDataListTest.cpp
#include <gtest/gtest.h>

#include "RecordStoreTestSupport.h"

namespace {

class RecordDataListTest : public ::testing::Test {
 protected:
  // Appends `count` records numbered from the next id; returns the first.
  void Append(Integer count) {
    for (Integer i = 0; i < count; ++i) {
      TRecordBuffer r = list_.AddRecord(-1, false);
      OracleRecord::SetRecordId(r, ++last_id_);
      OracleRecord::Store(r, OracleRecord::HeaderSize + 3, last_id_ * 3);
    }
  }
  Integer IdAt(Integer visible) { return OracleRecord::RecordId(list_.Records(visible)); }
  // Puts the records with even ids into the view and turns filtering on.
  void FilterEven() {
    for (Integer i = 0; i < list_.Count(); ++i)
      if (OracleRecord::RecordId(list_.FullRecords(i)) % 2 == 0)
        list_.AddToFiltered(list_.FullRecords(i), true);
    owner_.filtering = true;
  }

  TStoreDataSet owner_;
  TRecordDataList list_{&owner_};
  Integer last_id_ = 0;
};

TEST_F(RecordDataListTest, FirstBlockHoldsOneFetchMoreThanReadBuffer) {
  Append(26);
  ASSERT_EQ(1, list_.BlockCount());
  EXPECT_EQ(26, list_.BlockCapacity(0));
  EXPECT_EQ(26, list_.BlockUsed(0));
  Append(1);
  EXPECT_EQ(2, list_.BlockCount());
}

TEST_F(RecordDataListTest, BlocksGrowByHalfTheList) {
  owner_.read_buffer = 9;
  Append(100);  // blocks of 10, 10, 10, 15, 22 and 33 records
  ASSERT_EQ(6, list_.BlockCount());
  EXPECT_EQ(33, list_.BlockCapacity(5));
  EXPECT_EQ(33, list_.BlockUsed(5));
  Append(1);
  EXPECT_EQ(50, list_.BlockCapacity(6));
  EXPECT_EQ(1, list_.BlockUsed(6));
}

TEST_F(RecordDataListTest, RecordsAtOddOffsetsKeepTheirValues) {
  owner_.record_size = OracleRecord::HeaderSize + 13;  // odd size: no slot is aligned
  Append(300);
  for (Integer i = 0; i < 300; ++i) {
    ASSERT_EQ(i + 1, IdAt(i));
    ASSERT_EQ((i + 1) * 3,
              OracleRecord::Load<Integer>(list_.Records(i), OracleRecord::HeaderSize + 3));
  }
}

TEST_F(RecordDataListTest, RecordsOutsideTheListRaiseTheListIndexError) {
  Append(3);
  for (Integer index : {-1, 3, 1000}) EXPECT_THROW(list_.Records(index), EListError) << index;
  FilterEven();
  EXPECT_THROW(list_.Records(1), EListError);  // only record 2 passes
  EXPECT_EQ(2, IdAt(0));
}

TEST_F(RecordDataListTest, AddRecordPlacesByFullOrVisiblePosition) {
  Append(6);
  TRecordBuffer r = list_.AddRecord(2, false);
  OracleRecord::SetRecordId(r, 100);
  EXPECT_EQ((std::vector<Integer>{1, 2, 100, 3, 4, 5, 6}), VisibleIds(list_));
  list_.DeleteRecord(2, false);

  FilterEven();                  // view: 2 4 6
  r = list_.AddRecord(1, true);  // before 4 in the view and in the list
  OracleRecord::SetRecordId(r, 200);
  EXPECT_EQ((std::vector<Integer>{2, 200, 4, 6}), VisibleIds(list_));
  EXPECT_EQ(4, list_.FilteredToFull(2));
  EXPECT_EQ(200, OracleRecord::RecordId(list_.FullRecords(3)));
  r = list_.AddRecord(50, true);  // past the view: appended to both
  OracleRecord::SetRecordId(r, 300);
  EXPECT_EQ(300, IdAt(list_.VisibleCount() - 1));
  EXPECT_EQ(300, OracleRecord::RecordId(list_.FullRecords(list_.Count() - 1)));
}

TEST_F(RecordDataListTest, PositionsMapBetweenViewAndList) {
  Append(6);
  FilterEven();
  struct Case {
    Integer view, full;
  };
  for (Case c : {Case{0, 1}, Case{1, 3}, Case{2, 5}, Case{3, 6}, Case{-1, -1}})
    EXPECT_EQ(c.full, list_.FilteredToFull(c.view)) << c.view;
  EXPECT_EQ(1, list_.FullToFiltered(3));
  EXPECT_EQ(-1, list_.FullToFiltered(2));
  owner_.filtering = false;
  EXPECT_EQ(4, list_.FilteredToFull(4));
  EXPECT_EQ(6, list_.VisibleCount());
}

TEST_F(RecordDataListTest, DeletingInTheViewRemovesFromBoth) {
  Append(6);
  FilterEven();
  list_.DeleteRecord(1, true);  // record 4
  EXPECT_EQ((std::vector<Integer>{2, 6}), VisibleIds(list_));
  EXPECT_EQ(5, list_.Count());
  owner_.filtering = false;
  list_.DeleteRecord(0, true);  // record 1: not in the view
  list_.DeleteRecord(0, true);  // record 2: leaves the view too
  EXPECT_EQ(1, list_.FilteredCount());
  EXPECT_EQ(6, OracleRecord::RecordId(list_.FilteredRecords(0)));
}

TEST_F(RecordDataListTest, AddToFilteredKeepsListOrderAndRefusesDuplicates) {
  Append(6);
  list_.AddToFiltered(list_.FullRecords(4), true);
  list_.AddToFiltered(list_.FullRecords(1), false);
  list_.AddToFiltered(list_.FullRecords(5), false);
  list_.AddToFiltered(list_.FullRecords(2), false);
  owner_.filtering = true;
  EXPECT_EQ((std::vector<Integer>{2, 3, 5, 6}), VisibleIds(list_));
  try {
    list_.AddToFiltered(list_.FullRecords(2), false);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ("BUG: Duplicate record in filtered list (1)", e.Message());
  }
}

TEST_F(RecordDataListTest, DeletingAndClearingFreeBlobLists) {
  Append(3);
  for (Integer i = 0; i < 3; ++i) {
    auto blobs = std::make_unique<TBlobList>();
    blobs->Add()->SetBytes("abc", 3);
    OracleRecord::SetBlobList(list_.FullRecords(i), blobs.release());
  }
  TRecordBuffer first = list_.FullRecords(0);
  list_.DeleteRecord(0, false);
  EXPECT_EQ(nullptr, OracleRecord::BlobList(first));  // freed (ASan checks the rest)
  list_.Clear();
  EXPECT_EQ(0, list_.Count());
  EXPECT_EQ(0, list_.BlockCount());
  EXPECT_EQ(0, list_.FilteredCount());
  Append(1);
  EXPECT_EQ(nullptr, OracleRecord::BlobList(list_.Records(0)));
}

TEST_F(RecordDataListTest, ManyRecordsInAFilteredViewTakeFewBlocks) {
  owner_.record_size = OracleRecord::HeaderSize + 21;
  for (Integer i = 0; i < 100000; ++i) {
    TRecordBuffer r = list_.AddRecord(-1, false);
    OracleRecord::SetRecordId(r, i + 1);
    if (i % 3 == 0) list_.AddToFiltered(r, true);
  }
  EXPECT_LT(list_.BlockCount(), 25);  // a block per half-again growth
  owner_.filtering = true;
  ASSERT_EQ(33334, list_.VisibleCount());
  EXPECT_EQ(100000, IdAt(33333));
  EXPECT_EQ(3 * 20000 + 1, IdAt(20000));
}

TEST_F(RecordDataListTest, RowIdKeepsEighteenCharacters) {
  Append(1);
  OracleRecord::SetRowId(list_.Records(0), "AAAAB0AABAAAAOhAAAXYZ");
  EXPECT_EQ("AAAAB0AABAAAAOhAAA", OracleRecord::RowId(list_.Records(0)));
  OracleRecord::SetRowId(list_.Records(0), "");
  EXPECT_EQ("", OracleRecord::RowId(list_.Records(0)));
}

}  // namespace
