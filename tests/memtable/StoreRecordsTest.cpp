// tests/memtable/StoreRecordsTest.cpp
//
// Records in the store: slots, serials, copies, transfers, packing and
// clearing, the locale settings and the attached-table list.
#include <gtest/gtest.h>

#include "TestTable.h"
#include "memtable/MemTableErrors.h"

class TvomCommonTestAccess {
 public:
  static void SetSerialCounter(TvomCommon& store, Integer value) { store.serial_counter_ = value; }
};

namespace {

class StoreRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.store().SetPerformance(mtpfBalanced);
    t.AddField("Name", ftString, 10);
    t.AddField("Long", ftString, 40);
    t.Open();
  }
  TvomRecord* Stored(const String& name) {
    return t.Insert([&](TvomRecord* r) {
      t.SetText(r, "Name", name);
      t.SetText(r, "Long", name + " long");
    });
  }
  TestTable t;
};

TEST_F(StoreRecordsTest, NewRecordsAreClearedAndNumberedInOrder) {
  TvomRecord* r = t.NewRecord();
  EXPECT_EQ(-1, r->SlotNo);
  EXPECT_EQ(-1, r->Serial);
  EXPECT_EQ(-1, r->TransactionLevel);
  EXPECT_TRUE(t.IsNull(r, "Name"));
  t.store().FreeRecord(r, true, true);

  TvomRecord* a = Stored("a");
  TvomRecord* b = Stored("b");
  EXPECT_EQ(0, a->SlotNo);
  EXPECT_EQ(1, b->SlotNo);
  EXPECT_EQ(0, a->Serial);
  EXPECT_EQ(1, b->Serial);
  EXPECT_TRUE(b->Flags & mtrfInStore);
  EXPECT_EQ(usUnmodified, b->UpdateStatus);
}

TEST_F(StoreRecordsTest, FreedSlotsAreReusedLastFirstWithNewSerials) {
  TvomRecord* a = Stored("a");
  Stored("b");
  TvomRecord* c = Stored("c");
  t.store().DeleteRecord(a);
  t.store().DeleteRecord(c);
  EXPECT_EQ(nullptr, t.store().Records(0));
  EXPECT_EQ(3, t.store().RecordCount());
  TvomRecord* d = Stored("d");
  TvomRecord* e = Stored("e");
  EXPECT_EQ(2, d->SlotNo);
  EXPECT_EQ(3, d->Serial);
  EXPECT_EQ(0, e->SlotNo);
  EXPECT_EQ(4, e->Serial);
  EXPECT_EQ(nullptr, t.store().RecordBySerial(0));
  EXPECT_EQ(e, t.store().RecordBySerial(4));
}

TEST_F(StoreRecordsTest, VersioningMarksAppendedRecordsInserted) {
  t.store().SetEnableVersioning(true);
  EXPECT_EQ(usInserted, Stored("a")->UpdateStatus);
}

TEST_F(StoreRecordsTest, PackingRenumbersSlotsAndKeepsSerials) {
  TvomRecord* a = Stored("a");
  TvomRecord* b = Stored("b");
  TvomRecord* c = Stored("c");
  t.store().DeleteRecord(b);
  t.store().PackRecords();
  EXPECT_EQ(2, t.store().RecordCount());
  EXPECT_EQ(0, a->SlotNo);
  EXPECT_EQ(1, c->SlotNo);
  EXPECT_EQ(2, c->Serial);
  EXPECT_EQ(c, t.store().RecordBySerial(2));
  // The next record goes to the end of the packed list, not past it.
  TvomRecord* d = Stored("d");
  EXPECT_EQ(2, d->SlotNo);
  EXPECT_EQ(d, t.store().Records(2));
  t.store().DeleteRecord(d);
  EXPECT_EQ(nullptr, t.store().Records(2));
  EXPECT_EQ(c, t.store().Records(1));
}

TEST_F(StoreRecordsTest, ClearingForgetsRecordsAndChangesTheTableID) {
  Stored("a");
  Stored("b");
  const Integer id = t.store().TableID();
  EXPECT_GE(id, 0);
  EXPECT_LE(id, 1073741824);
  t.store().ClearRecords();
  EXPECT_EQ(0, t.store().RecordCount());
  EXPECT_NE(id, t.store().TableID());
  EXPECT_EQ(0, Stored("c")->Serial);
}

TEST_F(StoreRecordsTest, SerialCounterLimitStoresTheRecordThenRaises) {
  TvomCommonTestAccess::SetSerialCounter(t.store(), kvomMaxSerial - 1);
  TvomRecord* r = t.NewRecord();
  try {
    t.store().AppendRecord(r);
    FAIL();
  } catch (const EMemTableFatalError& e) {
    EXPECT_EQ("Bookmark counter is out of range. Please close and reopen table.", e.Message());
  }
  EXPECT_EQ(r, t.store().Records(0));
  // Reusing a free slot does not check the counter.
  t.store().DeleteRecord(r);
  EXPECT_NO_THROW(t.store().AppendRecord(t.NewRecord()));
}

TEST_F(StoreRecordsTest, CopyKeepsHeaderAndSharesNoBuffersUnlessAsked) {
  TvomRecord* a = Stored("a");
  a->UpdateStatus = usModified;
  TvomRecord* plain = t.store().CopyRecord(a, false);
  EXPECT_EQ(a->Serial, plain->Serial);
  EXPECT_EQ(a->SlotNo, plain->SlotNo);
  EXPECT_EQ(usModified, plain->UpdateStatus);
  EXPECT_EQ(0, plain->Flags);
  const Integer long_at = t.store().FieldOffset(2);
  EXPECT_EQ(kvomNotNull, plain->Data[long_at]);
  EXPECT_EQ(nullptr, IndirectBuffer(plain->Data + long_at));
  EXPECT_EQ("a long", t.Text(plain, "Long"));  // read through the stored record

  TvomRecord* deep = t.store().CopyRecord(a, true);
  EXPECT_NE(IndirectBuffer(a->Data + long_at), IndirectBuffer(deep->Data + long_at));
  EXPECT_EQ("a long", t.Text(deep, "Long"));
  t.store().FreeRecord(plain, true, false);
  t.store().FreeRecord(deep, true, false);
  EXPECT_EQ("a long", t.Text(a, "Long"));
}

TEST_F(StoreRecordsTest, TransferMovesBuffersAndNullsOut) {
  TvomRecord* a = Stored("a");
  TvomRecord* buffer = t.store().CopyRecord(a, false);
  t.SetText(buffer, "Long", "changed");
  Byte* moved = IndirectBuffer(buffer->Data + t.store().FieldOffset(2));
  t.store().TransferRecord(buffer, a);
  EXPECT_EQ(moved, IndirectBuffer(a->Data + t.store().FieldOffset(2)));
  EXPECT_EQ(nullptr, IndirectBuffer(buffer->Data + t.store().FieldOffset(2)));
  EXPECT_EQ("changed", t.Text(a, "Long"));

  t.SetNull(buffer, "Long");
  t.store().TransferRecord(buffer, a);
  EXPECT_TRUE(t.IsNull(a, "Long"));
  EXPECT_EQ(nullptr, IndirectBuffer(a->Data + t.store().FieldOffset(2)));
  t.store().FreeRecord(buffer, true, false);
}

TEST(StoreSettingsTest, LocalePartsStayConsistent) {
  TvomCommon store(nullptr);
  EXPECT_EQ(1024, store.LocaleID());
  EXPECT_EQ(0, store.LanguageID());
  EXPECT_EQ(1, store.SubLanguageID());
  store.SetLocaleID(0x0001041D);
  EXPECT_EQ(0x1D, store.LanguageID());
  EXPECT_EQ(1, store.SubLanguageID());
  EXPECT_EQ(1, store.SortID());
  store.SetSortID(0);
  store.SetLanguageID(0x07);
  EXPECT_EQ(0x0407, store.LocaleID());
  EXPECT_THROW(store.SetSubLanguageID(64), ERangeError);
  EXPECT_EQ(0x0407, store.LocaleID());
}

TEST(StoreSettingsTest, AutoIncrementMinimumMovesTheHighestValue) {
  TvomCommon store(nullptr);
  store.SetAutoIncMaxValue(10);
  store.SetAutoIncMinValue(5);
  EXPECT_EQ(10, store.AutoIncMaxValue());
  store.SetAutoIncMinValue(100);
  EXPECT_EQ(99, store.AutoIncMaxValue());
}

TEST(AttachedTablesTest, TablesShareTheStoreAndItsEntries) {
  TestTable owner;
  EXPECT_EQ(0, owner.attach_index);
  EXPECT_EQ(1, owner.store().AttachMaxCount());
  auto second = std::make_unique<TestTable>(&owner);
  EXPECT_EQ(1, second->attach_index);
  EXPECT_EQ(2, owner.store().AttachMaxCount());
  owner.store().DetachTable(second.get());
  EXPECT_EQ(nullptr, owner.store().AttachedTables(1));
  TestTable third(&owner);
  EXPECT_EQ(1, third.attach_index);  // the free entry is taken first
  owner.store().DetachTable(&third);
  second.reset();
}

TEST(AttachedTablesTest, GrowingTheListNeedsClosedTables) {
  TestTable owner;
  owner.AddField("A", ftInteger);
  owner.Open();
  try {
    TestTable other(&owner);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ("Table must be closed for this operation.", e.Message());
  }
  EXPECT_THROW(owner.store().SetAttachMaxCount(3), EMemTableError);
  owner.Close();
  EXPECT_THROW(owner.store().SetAttachMaxCount(0), ERangeError);
  owner.store().SetAttachMaxCount(3);
  EXPECT_EQ(3, owner.store().AttachedCount());
}

TEST(AttachedTablesTest, ShrinkingMayNotDropAnAttachedTable) {
  TestTable owner;
  TestTable other(&owner);
  EXPECT_THROW(owner.store().SetAttachMaxCount(1), ERangeError);
  EXPECT_EQ(&other, owner.store().AttachedTables(1));
  owner.store().DetachTable(&other);
}

TEST(AttachedTablesTest, StoreDestructionClosesTheOthers) {
  auto owner = std::make_unique<TestTable>();
  owner->AddField("A", ftInteger);
  TestTable other(owner.get());
  owner->Open();
  other.Open();
  owner.reset();
  EXPECT_FALSE(other.active);
}

TEST(AttachedTablesTest, StoreWideOperationsReachOpenTablesOnly) {
  TestTable owner;
  owner.AddField("A", ftInteger);
  TestTable other(&owner);
  TestTable closed(&owner);
  owner.Open();
  other.Open();
  owner.store().RefreshOtherTables(&owner);
  EXPECT_EQ(0, owner.refreshes);
  EXPECT_EQ(1, other.refreshes);
  EXPECT_EQ(0, closed.refreshes);
  owner.Insert([&](TvomRecord* r) { owner.SetValue<Integer>(r, "A", 1); });
  owner.store().EmptyTables();
  EXPECT_EQ(1, owner.discards);
  EXPECT_EQ(0, closed.discards);
  EXPECT_EQ(0, owner.store().RecordCount());
  owner.store().CloseTables(&owner);
  EXPECT_TRUE(owner.active);
  EXPECT_FALSE(other.active);
  owner.store().DetachTable(&other);
  owner.store().DetachTable(&closed);
}

}  // namespace
