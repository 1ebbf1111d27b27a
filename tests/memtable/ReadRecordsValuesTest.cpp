// tests/memtable/ReadRecordsValuesTest.cpp
//
// The walk over every record reads each kind of value, null or not, as the
// ring's records read it, also while other tables of the store are read in
// the middle of a visit.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"

namespace {

// Rows `from` to `to` - 1: one field of every fixed size a value is copied
// in, nulls in turn.
void Fill(TvomMemTable& table, Integer from, Integer to) {
  for (Integer i = from; i < to; ++i) {
    auto maybe = [&](Integer every, Variant value) {
      return i % every == 0 ? Variant(Null()) : value;
    };
    table.AppendRecord({maybe(2, Variant(-i)), maybe(3, Variant(i * 100003)),
                        maybe(5, Variant(Int64{i} * 4000000007LL)), maybe(7, Variant(i + 0.25)),
                        maybe(4, Variant(i % 3 == 0)), maybe(6, Variant(i % 65536)),
                        maybe(8, Variant("t" + std::to_string(i)))});
  }
}

std::unique_ptr<TvomMemTable> EveryKind(Integer rows) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  table->FieldDefs()->Add("Small", ftSmallint);
  table->FieldDefs()->Add("Int", ftInteger);
  table->FieldDefs()->Add("Large", ftLargeint);
  table->FieldDefs()->Add("Real", ftFloat);
  table->FieldDefs()->Add("Flag", ftBoolean);
  table->FieldDefs()->Add("Word", ftWord);
  table->FieldDefs()->Add("Text", ftString, 30);
  table->Open();
  Fill(*table, 0, rows);
  return table;
}

// Every field of the record a reader stands on, as text.
String Row(TDataSet& table) {
  String row;
  for (TField* field : table.Fields())
    row += (field->IsNull() ? String("<null>") : field->AsString()) + "|";
  return row;
}

// Every record's fields as the walk reads them.
Texts WalkedRows(TvomMemTable& table) {
  Texts walked;
  table.ReadRecords([&] {
    walked.push_back(Row(table));
    return true;
  });
  return walked;
}

}  // namespace

TEST(MemTableReadRecordsValues, EveryKindOfValueReadsAsInTheRing) {
  auto table = EveryKind(300);
  EXPECT_EQ(WalkedRows(*table), RowTexts(*table));
  // A field read into no buffer only asks whether the value is there.
  Integer present = 0;
  TField* large = table->FieldByName("Large");
  table->ReadRecords([&] {
    present += large->IsNull() ? 0 : 1;
    return true;
  });
  EXPECT_EQ(present, 300 - 60);
}

// The reader of one table reads another table of the same store in the
// middle of its visits: each reads its own record.
TEST(MemTableReadRecordsValues, AnotherTableOfTheStoreReadDuringAVisitReadsItsOwnRecord) {
  auto table = EveryKind(0);
  TvomMemTable other(nullptr);
  AttachAndOpen(*table, other);
  Fill(*table, 0, 50);
  other.Refresh();
  other.Last();
  const String last = Row(other);
  TField* own = table->FieldByName("Text");
  Texts seen;
  table->ReadRecords([&] {
    if (Row(other) != last) return false;
    seen.push_back(own->AsString());
    return true;
  });
  ASSERT_EQ(seen.size(), 50u);
  EXPECT_EQ(seen[1], "t1");
  EXPECT_EQ(seen[49], "t49");
  // A walk of the other table inside a visit of this one.
  Integer inner = 0;
  table->ReadRecords([&] {
    other.ReadRecords([&] {
      inner += other.FieldByName("Int")->IsNull() ? 0 : 1;
      return true;
    });
    EXPECT_EQ(own->AsString(), "");  // the first record's text is null
    return false;
  });
  EXPECT_EQ(inner, 50 - 17);
}

// Record buffers may share a stored record's data (as a ring's may): the
// stored records still hold theirs in place, and the walk reads them there.
// A write into a shared stored record gives it a copy of its own, apart
// from its header, and the walk reads that one.
TEST(MemTableReadRecordsValues, BuffersSharingStoredDataAndRecordsMovedApartReadRight) {
  auto table = EveryKind(300);
  TvomCommon& store = table->Store();
  TField* text = table->FieldByName("Text");
  std::vector<TvomRecord*> buffers;
  for (Integer slot : {0, 7, 150, 299}) buffers.push_back(store.ShareRecord(store.Records(slot)));
  EXPECT_TRUE(store.AnyDataApart());
  EXPECT_FALSE(store.AnyStoredDataApart());
  EXPECT_EQ(WalkedRows(*table), RowTexts(*table));

  ASSERT_TRUE(table->Locate("Text", Variant("t7"), {}));
  table->Edit();
  text->SetAsString("moved apart");
  table->Post();
  EXPECT_TRUE(store.AnyStoredDataApart());
  const Texts expected = RowTexts(*table);
  EXPECT_EQ(expected[7].substr(expected[7].size() - 12), "moved apart|");
  EXPECT_EQ(WalkedRows(*table), expected);
  // The buffer keeps what it shared.
  const Byte* kept = store.FieldPointer(buffers[1], text);
  EXPECT_STREQ(reinterpret_cast<const char*>(kept + 1), "t7");

  // The record leaves its slot: nothing stored is apart any more.
  ASSERT_TRUE(table->Locate("Text", Variant("moved apart"), {}));
  table->Delete();
  EXPECT_EQ(table->RecordCount(), 299);
  for (const String& row : RowTexts(*table)) EXPECT_EQ(row.find("moved apart"), String::npos);
  EXPECT_FALSE(store.AnyStoredDataApart());
  EXPECT_EQ(WalkedRows(*table), RowTexts(*table));
  for (TvomRecord* buffer : buffers) store.FreeRecord(buffer, true, false);
  EXPECT_FALSE(store.AnyDataApart());
}

// Versions taken back by a rollback come back into the slots: a record
// moved apart and then replaced by its older version counts no more, and
// one that comes back apart counts again.
TEST(MemTableReadRecordsValues, ARollbackCountsTheRecordsItPutsBack) {
  auto table = EveryKind(20);
  TvomCommon& store = table->Store();
  table->SetEnableVersioning(true);
  table->SetVersioningMode(mtvmAllSinceCheckPoint);
  TvomRecord* shared = store.ShareRecord(store.Records(3));
  table->StartTransaction();
  ASSERT_TRUE(table->Locate("Text", Variant("t3"), {}));
  table->Edit();
  table->FieldByName("Text")->SetAsString("changed");
  table->Post();
  EXPECT_TRUE(store.AnyStoredDataApart());
  table->Rollback();
  EXPECT_FALSE(store.AnyStoredDataApart());
  EXPECT_EQ(WalkedRows(*table), RowTexts(*table));
  EXPECT_EQ(RowTexts(*table)[3].substr(RowTexts(*table)[3].size() - 3), "t3|");
  store.FreeRecord(shared, true, false);
}
