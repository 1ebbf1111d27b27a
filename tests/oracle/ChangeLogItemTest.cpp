// tests/oracle/ChangeLogItemTest.cpp
#include <gtest/gtest.h>

#include "RecordStoreTestSupport.h"

namespace {

class ChangeLogItemTest : public ::testing::Test {
 protected:
  static constexpr Integer kValue = OracleRecord::HeaderSize + 2;

  void SetUp() override {
    for (Integer id = 1; id <= 5; ++id) {
      TRecordBuffer r = ds_.list.AddRecord(-1, false);
      OracleRecord::SetRecordId(r, id);
      OracleRecord::Store(r, kValue, id * 10);
    }
  }
  static Integer Value(TRecordBuffer r) { return OracleRecord::Load<Integer>(r, kValue); }
  static void GiveBlob(TRecordBuffer r, const String& bytes, TField* field = nullptr) {
    auto blobs = std::make_unique<TBlobList>();
    TOracleBlob* blob = blobs->Add();
    blob->SetBytes(bytes.data(), Integer(bytes.size()));
    blob->SetField(field);
    OracleRecord::SetBlobList(r, blobs.release());
  }
  static String BlobText(TRecordBuffer r) {
    const TOracleBlob* blob = OracleRecord::BlobList(r)->Items(0);
    return String(reinterpret_cast<const char*>(blob->Bytes()), std::size_t(blob->Size()));
  }

  TStoreDataSet ds_;
};

TEST_F(ChangeLogItemTest, ANewEntryIsEmptyAndJoinsTheLog) {
  auto* item = new TChangeLogItem(&ds_);
  EXPECT_EQ(1, ds_.log.Count());
  EXPECT_EQ(' ', item->Action());
  EXPECT_EQ(-1, item->Position());
  EXPECT_EQ(-1, item->RecordId());
  EXPECT_TRUE(item->InEffect());
  EXPECT_FALSE(item->Seen());
}

TEST_F(ChangeLogItemTest, CopiesAreIndependentOfTheRecord) {
  TRecordBuffer r = ds_.list.Records(1);
  GiveBlob(r, "before");
  auto* item = new TChangeLogItem(&ds_);
  item->SetOldRecord(r);
  OracleRecord::Store(r, kValue, 99);
  OracleRecord::BlobList(r)->Items(0)->SetBytes("after", 5);
  EXPECT_EQ(20, Value(item->OldRecord()));
  EXPECT_EQ("before", BlobText(item->OldRecord()));
  item->SetRecordId(77);
  EXPECT_EQ(77, item->RecordId());
  EXPECT_EQ(2, OracleRecord::RecordId(r));
  item->SetOldRecord(nullptr);
  EXPECT_EQ(nullptr, item->OldRecord());
  EXPECT_EQ(0, ds_.allocated);
}

TEST_F(ChangeLogItemTest, NewCopyTakesModifiedBlobsFromTheEditedRecord) {
  auto* edited_field = new TBlobField(&ds_);
  edited_field->SetFieldName("A");
  edited_field->SetDataSet(&ds_);
  auto* kept_field = new TBlobField(&ds_);
  kept_field->SetFieldName("B");
  kept_field->SetDataSet(&ds_);
  TBlobList current;
  current.Add()->SetField(edited_field);
  current.Add()->SetField(kept_field);
  current.Items(0)->SetBytes("edited", 6);
  current.Items(1)->SetBytes("ignored", 7);
  edited_field->SetModified(true);
  ds_.current_blobs = &current;
  ds_.blob_count = 2;

  TRecordBuffer r = ds_.list.Records(0);
  GiveBlob(r, "own-a");
  OracleRecord::BlobList(r)->Add()->SetBytes("own-b", 5);
  auto* item = new TChangeLogItem(&ds_);
  item->SetNewRecord(r);
  const TBlobList* blobs = OracleRecord::BlobList(item->NewRecord());
  ASSERT_EQ(2, blobs->Count());
  EXPECT_EQ("edited", String(reinterpret_cast<const char*>(blobs->Items(0)->Bytes()), 6));
  EXPECT_EQ("own-b", String(reinterpret_cast<const char*>(blobs->Items(1)->Bytes()), 5));
  EXPECT_NE(OracleRecord::BlobList(r), blobs);
}

TEST_F(ChangeLogItemTest, CopyNewRecordToKeepsTheTargetsIdentifier) {
  auto* item = new TChangeLogItem(&ds_);
  GiveBlob(ds_.list.Records(4), "new");
  item->SetNewRecord(ds_.list.Records(4));
  GiveBlob(item->NewRecord(), "new");
  TRecordBuffer target = ds_.list.Records(0);
  item->CopyNewRecordTo(target);
  EXPECT_EQ(1, OracleRecord::RecordId(target));
  EXPECT_EQ(50, Value(target));
  EXPECT_EQ("new", BlobText(target));
  EXPECT_NE(OracleRecord::BlobList(item->NewRecord()), OracleRecord::BlobList(target));
}

TEST_F(ChangeLogItemTest, RevertingADeletionPutsTheRecordBackInPlaceAndInTheView) {
  ds_.passes = [](Integer id) { return id % 2 == 1; };
  for (Integer i = 0; i < 5; i += 2) ds_.list.AddToFiltered(ds_.list.FullRecords(i), true);
  ds_.ForceFiltered(true);
  ds_.filtering = true;

  auto* item = new TChangeLogItem(&ds_);
  item->SetAction('D');
  item->SetPosition(2);
  GiveBlob(ds_.list.FullRecords(2), "kept");
  item->SetOldRecord(ds_.list.FullRecords(2));
  ds_.list.DeleteRecord(1, true);  // record 3, second in the view
  EXPECT_EQ((std::vector<Integer>{1, 5}), VisibleIds(ds_.list));

  item->Revert();
  EXPECT_FALSE(ds_.reverting);
  EXPECT_EQ((std::vector<Integer>{1, 3, 5}), VisibleIds(ds_.list));
  EXPECT_EQ(30, Value(ds_.list.FullRecords(2)));
  EXPECT_EQ("kept", BlobText(ds_.list.FullRecords(2)));
  EXPECT_EQ(nullptr, item->OldRecord());
}

TEST_F(ChangeLogItemTest, RevertingAnInsertDeletesTheRecord) {
  auto* item = new TChangeLogItem(&ds_);
  item->SetAction('I');
  item->SetNewRecord(ds_.list.Records(3));
  item->Revert();
  EXPECT_EQ((std::vector<Integer>{1, 2, 3, 5}), VisibleIds(ds_.list));
  item->Revert();  // no longer there: nothing
  EXPECT_EQ(4, ds_.list.Count());
}

TEST_F(ChangeLogItemTest, RevertingAnUpdateRestoresTheOldValues) {
  auto* item = new TChangeLogItem(&ds_);
  item->SetAction('U');
  item->SetOldRecord(ds_.list.Records(2));
  OracleRecord::Store(ds_.list.Records(2), kValue, 123);
  GiveBlob(ds_.list.Records(2), "changed");
  item->Revert();
  EXPECT_EQ(30, Value(ds_.list.Records(2)));
  EXPECT_EQ(nullptr, OracleRecord::BlobList(ds_.list.Records(2)));
}

TEST_F(ChangeLogItemTest, AnEntryNoLongerInEffectDoesNotRevert) {
  auto* item = new TChangeLogItem(&ds_);
  item->SetAction('I');
  item->SetNewRecord(ds_.list.Records(0));
  item->SetInEffect(false);
  item->Revert();
  EXPECT_EQ(5, ds_.list.Count());
}

}  // namespace
