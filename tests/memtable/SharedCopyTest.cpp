// tests/memtable/SharedCopyTest.cpp
//
// A copy of a table into another table of the same layout shares the
// source records' data until one side writes into a record. Whatever
// either side does afterwards must never show in the other, and either
// side may be cleared, closed or freed first.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "MemTableTestHelpers.h"
#include "TestTable.h"

namespace {

std::unique_ptr<TvomMemTable> Source(Integer rows) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  table->FieldDefs()->Add("Id", ftInteger);
  table->FieldDefs()->Add("Name", ftString, 30);
  table->FieldDefs()->Add("Size", ftFloat);
  table->Open();
  for (Integer i = 1; i <= rows; ++i)
    table->AppendRecord({i, "name " + std::to_string(i), i * 1.5});
  return table;
}

std::unique_ptr<TvomMemTable> CopyOf(TvomMemTable& source) {
  auto copy = std::make_unique<TvomMemTable>(nullptr);
  copy->LoadFromDataSet(&source, coStructure);
  return copy;
}

void EditName(TvomMemTable& table, Integer id, const String& name) {
  ASSERT_TRUE(table.Locate("Id", id, {}));
  table.Edit();
  table.FieldByName("Name")->SetAsString(name);
  table.Post();
}

struct Action {
  const char* name;
  std::function<void(TvomMemTable&)> run;
};

const std::vector<Action>& Actions() {
  static const std::vector<Action> actions = {
      {"edit", [](TvomMemTable& t) { EditName(t, 3, "changed"); }},
      {"edit every record",
       [](TvomMemTable& t) {
         for (t.First(); !t.Eof(); t.Next()) {
           t.Edit();
           t.FieldByName("Size")->SetAsFloat(-1);
           t.Post();
         }
       }},
      {"delete",
       [](TvomMemTable& t) {
         ASSERT_TRUE(t.Locate("Id", 3, {}));
         t.Delete();
       }},
      {"append",
       [](TvomMemTable& t) {
         t.AppendRecord({99, "new", 1.0});
       }},
      {"insert",
       [](TvomMemTable& t) {
         t.First();
         t.Insert();
         t.FieldByName("Id")->SetAsInteger(98);
         t.Post();
       }},
      {"sort", [](TvomMemTable& t) { t.SortOn("Name", {}); }},
      {"filter",
       [](TvomMemTable& t) {
         t.SetFilter("Id > 5");
         t.SetFiltered(true);
       }},
      // A filter handler writes into the stored record it is shown.
      {"write from a filter handler",
       [](TvomMemTable& t) {
         t.SetOnFilterRecord([](TDataSet* ds, bool& accept) {
           ds->FieldByName("Name")->SetAsString("seen");
           accept = true;
         });
         t.SetFiltered(true);
         t.First();
       }},
      {"empty", [](TvomMemTable& t) { t.EmptyTable(); }},
      {"close", [](TvomMemTable& t) { t.Close(); }},
      {"pack",
       [](TvomMemTable& t) {
         ASSERT_TRUE(t.Locate("Id", 2, {}));
         t.Delete();
         t.PackTable();
         EditName(t, 4, "after pack");
       }},
      {"reload",
       [](TvomMemTable& t) {
         auto other = Source(4);
         t.LoadFromDataSet(other.get(), coStructure);
         EditName(t, 1, "reloaded");
       }},
      {"versioned edit and rollback",
       [](TvomMemTable& t) {
         t.Store().SetEnableVersioning(true);
         t.Store().SetVersioningMode(mtvmAllSinceCheckPoint);
         t.StartTransaction();
         EditName(t, 5, "in a transaction");
         ASSERT_TRUE(t.Locate("Id", 6, {}));
         t.Delete();
         t.Rollback();
         EditName(t, 7, "after rollback");
       }},
  };
  return actions;
}

}  // namespace

TEST(MemTableSharedCopy, TheCopySharesTheSourcesRecords) {
  auto source = Source(20);
  auto copy = CopyOf(*source);
  EXPECT_TRUE(copy->Store().AnyDataApart());
  EXPECT_FALSE(source->Store().AnyDataApart());
  EXPECT_EQ(RowTexts(*copy), RowTexts(*source));
}

TEST(MemTableSharedCopy, NothingEitherSideDoesShowsInTheOther) {
  for (const Action& action : Actions()) {
    for (const bool sourceActs : {true, false}) {
      SCOPED_TRACE(std::string(action.name) + (sourceActs ? " on the source" : " on the copy"));
      auto source = Source(10);
      auto copy = CopyOf(*source);
      TvomMemTable& acting = sourceActs ? *source : *copy;
      TvomMemTable& other = sourceActs ? *copy : *source;
      const std::vector<String> before = RowTexts(other);
      action.run(acting);
      EXPECT_EQ(RowTexts(other), before);
      // The other side still takes its own changes, unseen by the first.
      const std::vector<String> acted = acting.Active() ? RowTexts(acting) : std::vector<String>{};
      EditName(other, 3, "other side");
      other.Delete();
      EXPECT_EQ(acting.Active() ? RowTexts(acting) : std::vector<String>{}, acted);
    }
  }
}

TEST(MemTableSharedCopy, AnEditShowsOnTheSideThatMadeIt) {
  auto source = Source(10);
  auto copy = CopyOf(*source);
  EditName(*copy, 3, "copy's");
  EditName(*source, 3, "source's");
  ASSERT_TRUE(copy->Locate("Id", 3, {}));
  EXPECT_EQ(copy->FieldByName("Name")->AsString(), "copy's");
  ASSERT_TRUE(source->Locate("Id", 3, {}));
  EXPECT_EQ(source->FieldByName("Name")->AsString(), "source's");
}

TEST(MemTableSharedCopy, EitherSideOutlivesTheOther) {
  for (const bool sourceGoesFirst : {true, false}) {
    SCOPED_TRACE(sourceGoesFirst ? "source freed first" : "copy freed first");
    auto source = Source(50);
    auto copy = CopyOf(*source);
    const std::vector<String> expected = RowTexts(*source);
    std::unique_ptr<TvomMemTable>& first = sourceGoesFirst ? source : copy;
    std::unique_ptr<TvomMemTable>& left = sourceGoesFirst ? copy : source;
    first.reset();
    EXPECT_EQ(RowTexts(*left), expected);
    EditName(*left, 10, "still mine");
    left->AppendRecord({51, "fifty-one", 0.5});
    EXPECT_EQ(left->RecordCount(), 51);
    ASSERT_TRUE(left->Locate("Name", "name 20", {}));
    EXPECT_EQ(left->FieldByName("Id")->AsInteger(), 20);
  }
}

TEST(MemTableSharedCopy, CopiesOfCopiesKeepTheirRowsWhoeverGoes) {
  auto first = Source(30);
  auto second = CopyOf(*first);
  EditName(*second, 2, "second's");  // this record's data is the second's own
  auto third = CopyOf(*second);
  const std::vector<String> expected = RowTexts(*second);
  first.reset();
  EditName(*second, 4, "changed later");
  second.reset();
  EXPECT_EQ(RowTexts(*third), expected);
  ASSERT_TRUE(third->Locate("Id", 2, {}));
  EXPECT_EQ(third->FieldByName("Name")->AsString(), "second's");
}

TEST(MemTableSharedCopy, SearchesFindTheSharedValues) {
  // The search without an index reads records' data where their header
  // says it is: on the copy, and on the source once a write moved one of
  // its records' data.
  auto source = Source(40);
  auto copy = CopyOf(*source);
  EditName(*source, 7, "moved");
  for (TvomMemTable* table : {source.get(), copy.get()}) {
    ASSERT_TRUE(table->Locate("Name", "name 33", {}));
    EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 33);
    EXPECT_FALSE(table->Locate("Name", "name 41", {}));
  }
  EXPECT_TRUE(source->Store().AnyDataApart());
  EXPECT_TRUE(source->Locate("Name", "moved", {}));
  EXPECT_FALSE(copy->Locate("Name", "moved", {}));
  ASSERT_TRUE(copy->Locate("Name", "name 7", {}));
  EXPECT_EQ(copy->FieldByName("Id")->AsInteger(), 7);
}

TEST(MemTableSharedCopy, TablesWithMemosAreCopied) {
  // A memo's value lies outside the record, in a buffer of its own: those
  // records are duplicated, not shared.
  auto source = std::make_unique<TvomMemTable>(nullptr);
  source->FieldDefs()->Add("Id", ftInteger);
  source->FieldDefs()->Add("Note", ftMemo);
  source->Open();
  source->AppendRecord({1, "a note"});
  auto copy = CopyOf(*source);
  EXPECT_FALSE(copy->Store().AnyDataApart());
  source.reset();
  copy->First();
  EXPECT_EQ(copy->FieldByName("Note")->AsString(), "a note");
}

TEST(MemTableSharedCopy, StoresOnTwoThreadsWriteAndFreeSharedRecords) {
  // Each store is used by one thread; their records share data, so use
  // counts and pool memory are changed from both at once.
  constexpr Integer kRecords = 2000;
  TestTable a;
  a.store().SetPerformance(mtpfFast);
  a.AddField("Name", ftString, 40);
  a.Open();
  for (Integer i = 0; i < kRecords; ++i) a.InsertText("Name", "row " + std::to_string(i));
  TestTable b;
  b.AddField("Name", ftString, 40);
  b.Open();
  ASSERT_TRUE(b.store().CanShareRecordsOf(a.store()));
  b.store().ShareMemoryOf(a.store());
  for (Integer slot = 0; slot < kRecords; ++slot)
    b.store().AppendRecord(b.store().ShareRecord(a.store().Records(slot)));

  auto rewrite = [](TestTable* table, const String& prefix) {
    TvomCommon& store = table->store();
    for (Integer slot = 0; slot < kRecords; slot += 2) {
      TvomRecord* record = store.Records(slot);
      store.UnshareRecord(record);
      table->SetText(record, "Name", prefix + std::to_string(slot));
    }
    for (Integer slot = 1; slot < kRecords; slot += 4) store.DeleteRecord(store.Records(slot));
  };
  std::thread other(rewrite, &b, "b");
  rewrite(&a, "a");
  other.join();
  for (Integer slot = 0; slot < kRecords; ++slot) {
    SCOPED_TRACE(slot);
    const TvomRecord* inA = a.store().Records(slot);
    const TvomRecord* inB = b.store().Records(slot);
    ASSERT_EQ(inA == nullptr, inB == nullptr);
    if (inA == nullptr) continue;
    const String old = "row " + std::to_string(slot);
    EXPECT_EQ(a.Text(inA, "Name"), slot % 2 == 0 ? "a" + std::to_string(slot) : old);
    EXPECT_EQ(b.Text(inB, "Name"), slot % 2 == 0 ? "b" + std::to_string(slot) : old);
  }
  std::thread clearB([&] { b.store().ClearRecords(); });
  a.store().ClearRecords();
  clearB.join();
}
