// tests/memtable/IndexTest.cpp
//
// Building, sorting and searching indexes, and keeping them up to date.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "TestTable.h"
#include "memtable/MemTableErrors.h"

namespace {

class IndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.AddField("Name", ftString, 20);
    t.AddField("Num", ftInteger);
    t.AddField("Memo", ftMemo);
    t.AddField("Raw", ftBytes, 4);
    t.Open();
  }
  TvomRecord* Row(const String& name, Integer num, Integer recNo = -1) {
    return t.Insert(
        [&](TvomRecord* r) {
          t.SetText(r, "Name", name);
          t.SetValue<Integer>(r, "Num", num);
        },
        recNo);
  }
  TvomIndex* MakeIndex(const String& fields, TvomMemTableCompareOptions options = mtcoNone) {
    TvomIndex* index = t.indexes().Add(
        std::make_unique<TvomIndex>("I" + fields, &t, fields, options, mtikSorted, false));
    index->Rebuild();
    return index;
  }
  TvomRecord* Key(const String& name) {
    TvomRecord* key = t.NewRecord();
    t.SetText(key, "Name", name);
    keys.push_back(key);
    return key;
  }
  void TearDown() override {
    for (TvomRecord* key : keys) t.store().FreeRecord(key, true, false);
  }
  TestTable t;
  std::vector<TvomRecord*> keys;
};

using Names = std::vector<String>;

TEST_F(IndexTest, RowOrderKeepsInsertionOrderAndPlacesBeforeTheCurrentRecord) {
  Row("c", 1);
  Row("a", 2);
  Row("b", 3);
  EXPECT_EQ((Names{"c", "a", "b"}), t.Walk("Name"));
  Row("x", 4, 2);  // inserted before record number 2
  EXPECT_EQ((Names{"c", "x", "a", "b"}), t.Walk("Name"));
  EXPECT_EQ(1, t.last_placed);
  Row("y", 5, 0);
  EXPECT_EQ("y", t.Walk("Name").front());
}

TEST_F(IndexTest, RebuildKeepsEqualKeysInSlotOrder) {
  // Every record has been placed (IndexPos >= 0) by the current index, which
  // must not change how the rebuild orders equal keys.
  const char* names[] = {"b", "a", "c"};
  for (Integer i = 0; i < 60; ++i) Row(names[i % 3], i);
  TvomIndex* index = MakeIndex("Name");
  std::vector<Integer> nums;
  for (Integer p = 0; p < index->Count(); ++p)
    nums.push_back(std::stoi(t.Text(index->Refs(p), "Num")));
  for (Integer p = 1; p < 60; ++p) {
    if (p % 20 == 0) continue;  // a new name starts
    EXPECT_LT(nums[p - 1], nums[p]) << p;
  }
  EXPECT_EQ("a", t.Text(index->Refs(0), "Name"));
  EXPECT_EQ("c", t.Text(index->Refs(59), "Name"));
  EXPECT_TRUE(index->Ordered());
}

TEST_F(IndexTest, FieldOptionLettersAndIndexOptions) {
  Row("b", 1);
  Row("a", 2);
  Row("c", 3);
  TvomIndex* desc = MakeIndex("Name:D");
  EXPECT_EQ((Names{"c", "b", "a"}), t.Walk("Name", desc));
  TvomIndex* mixed = MakeIndex(" Num ; Name:dcnpl ", mtcoCaseInsensitive);
  EXPECT_EQ(Byte{mtifoCaseInsensitive}, mixed->FieldList().Options(0));
  EXPECT_EQ(Byte{0x1F}, mixed->FieldList().Options(1));
  EXPECT_EQ(t.Field("Num"), mixed->FieldList().Fields(0));
  TvomIndex* all_desc = MakeIndex("Num", mtcoDescending | mtcoUnique);
  EXPECT_EQ(Byte{mtifoDescending}, all_desc->FieldList().Options(0));
  EXPECT_EQ((Names{"c", "a", "b"}), t.Walk("Name", all_desc));
}

TEST_F(IndexTest, DefinitionDirectionAppliesOnlyToListedFields) {
  Row("b", 1);
  Row("a", 2);
  TIndexDef* def = t.IndexDefs().Add("ByName", "Name", TIndexOptions{ixDescending, ixUnique});
  TvomIndex* index = t.indexes().AddFromDef(*def);
  index->Rebuild();
  EXPECT_EQ((Names{"a", "b"}), t.Walk("Name", index));
  EXPECT_TRUE(index->Options() & mtcoUnique);
  EXPECT_FALSE(index->Internal());
  def->SetDescFields("Name");
  TvomIndex* listed = t.indexes().AddFromDef(*def);
  listed->Rebuild();
  EXPECT_EQ((Names{"b", "a"}), t.Walk("Name", listed));

  TIndexDef* empty = t.IndexDefs().Add("Empty", "", TIndexOptions{});
  try {
    t.indexes().AddFromDef(*empty);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ("Missing Name or FieldNames in IndexDef!", e.Message());
  }
}

TEST_F(IndexTest, RefusesBlobAndByteFields) {
  try {
    MakeIndex("Memo");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ("Can't index on field Memo", e.Message());
  }
  EXPECT_THROW(MakeIndex("Raw"), EDatabaseError);
  EXPECT_THROW(MakeIndex("Nothing"), EDatabaseError);
}

TEST(IndexCalcTest, CalculatedFieldSwitchesRecalcOnIndexOn) {
  TestTable t;
  t.AddField("A", ftInteger);
  t.AddCalcField("C", ftInteger);
  t.Open();
  EXPECT_FALSE(t.recalc_on_index);
  TvomIndex index("C", &t, "C", mtcoNone, mtikSorted, false);
  EXPECT_TRUE(t.recalc_on_index);
  EXPECT_EQ(t.store().CalcStart(), index.FieldList().Offsets(0));
}

TEST_F(IndexTest, UniqueIndexRefusesDuplicates) {
  Row("a", 1);
  Row("b", 2);
  TvomIndex* unique = MakeIndex("Name", mtcoUnique);
  EXPECT_EQ(2, unique->Count());
  const Integer slots = t.store().RecordCount();
  try {
    Row("a", 3);
    FAIL();
  } catch (const EMemTableDupKey& e) {
    EXPECT_EQ("Duplicate index value. Operation aborted.", e.Message());
  }
  EXPECT_EQ(slots, t.store().RecordCount());
  // Editing a record may keep its own key.
  TvomRecord* b = unique->Refs(1);
  EXPECT_NO_THROW(t.Edit(b, [&](TvomRecord* r) { t.SetValue<Integer>(r, "Num", 9); }));
  EXPECT_THROW(t.Edit(b, [&](TvomRecord* r) { t.SetText(r, "Name", "a"); }), EMemTableDupKey);
}

TEST_F(IndexTest, UniqueRebuildOverDuplicatesFailsButSorts) {
  Row("b", 1);
  Row("a", 2);
  Row("b", 3);
  TvomIndex* index =
      t.indexes().Add(std::make_unique<TvomIndex>("U", &t, "Name", mtcoUnique, mtikSorted, false));
  EXPECT_THROW(index->Rebuild(), EMemTableDupKey);
  EXPECT_EQ((Names{"a", "b", "b"}), t.Walk("Name", index));
}

TEST_F(IndexTest, BinarySearchFindsTheFirstEqualEntry) {
  for (Integer i = 0; i < 30; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "n%02d", i);
    Row(name, i);
    Row(name, 100 + i);
  }
  TvomIndex* index = MakeIndex("Name");
  TvomSearchResult r = index->Search(nullptr, Key("n07"), false, false);
  EXPECT_TRUE(r.Found);
  EXPECT_EQ(14, r.Position);
  EXPECT_EQ("7", t.Text(index->Refs(r.Position), "Num"));

  r = index->Search(nullptr, Key("n07a"), false, false);
  EXPECT_FALSE(r.Found);
  EXPECT_EQ(16, r.Position);  // where it would go
  EXPECT_LT(r.Compare, 0);

  r = index->Search(nullptr, Key("zz"), false, false);
  EXPECT_FALSE(r.Found);
  EXPECT_EQ(60, r.Position);

  // With nearest, a key that is a prefix finds the first entry it begins.
  r = index->Search(nullptr, Key("n1"), false, true);
  EXPECT_EQ(20, r.Position);
}

// The bisection must find what a scan of the same entries finds: an index
// marked unordered is scanned, so each present key is searched both ways.
TEST_F(IndexTest, BinarySearchAgreesWithTheScanOnEveryKeyPresent) {
  const char* names[] = {"a", "ab", "ab", "abc", "abc", "abd", "b", "ba", "b", "", "ab"};
  for (Integer i = 0; i < 44; ++i) Row(names[i % 11], i);
  for (const char* fields : {"Name", "Name:D", "Name:C", "Name:DC"}) {
    TvomIndex* index = MakeIndex(fields);
    for (const char* name : {"a", "ab", "abc", "abd", "b", "ba", ""}) {
      for (bool nearest : {false, true}) {
        index->SetOrdered(true);
        const TvomSearchResult bisected = index->Search(nullptr, Key(name), false, nearest);
        index->SetOrdered(false);
        const TvomSearchResult scanned = index->Search(nullptr, Key(name), false, nearest);
        EXPECT_TRUE(bisected.Found) << fields << " '" << name << "' " << nearest;
        EXPECT_EQ(scanned.Position, bisected.Position) << fields << " '" << name << "' " << nearest;
      }
    }
  }
}

TEST_F(IndexTest, NewRowGoesBeforeTheRowsWithAnEqualKey) {
  // Rows whose number is null sort first; a new one goes before them all.
  std::vector<TvomRecord*> rows;
  for (Integer i = 0; i < 30; ++i) rows.push_back(Row("n" + std::to_string(i), i));
  TvomIndex* byNum = MakeIndex("Num");
  t.indexes().SetCurrent(byNum);
  for (Integer i = 0; i < 40; ++i) {
    TvomRecord* r =
        t.Insert([&](TvomRecord* rec) { t.SetText(rec, "Name", "null" + std::to_string(i)); });
    ASSERT_EQ(0, t.last_placed) << i;
    ASSERT_EQ(r, byNum->Refs(0));
  }
  EXPECT_EQ("null39", t.Walk("Name").front());
  EXPECT_EQ("null0", t.Walk("Name")[39]);
  EXPECT_EQ("n0", t.Walk("Name")[40]);
  // Among equal values in the middle: before the first of them.
  for (Integer i = 0; i < 5; ++i) Row("dup" + std::to_string(i), 15);
  EXPECT_EQ(55, t.last_placed);
  EXPECT_EQ("dup4", t.Walk("Name")[55]);
  EXPECT_EQ("n15", t.Walk("Name")[60]);
}

// In a descending order the longer texts that begin with a key sort before
// it: a new or edited record goes after them, before its equal entries.
TEST_F(IndexTest, UpkeepKeepsADescendingOrderOfTextsThatBeginAlike) {
  for (Integer count : {6, 40}) {
    TestTable table;
    table.AddField("Name", ftString, 20);
    table.Open();
    TvomIndex* index = table.indexes().Add(
        std::make_unique<TvomIndex>("ByName", &table, "Name:D", mtcoNone, mtikSorted, false));
    index->Rebuild();
    table.indexes().SetCurrent(index);
    const char* names[] = {"abc", "ab", "a", "abd", "b", "abcd"};
    std::vector<String> expected;
    TvomRecord* first = nullptr;
    for (Integer i = 0; i < count; ++i) {
      TvomRecord* r = table.InsertText("Name", names[i % 6]);
      if (first == nullptr) first = r;
      expected.push_back(names[i % 6]);
    }
    table.Edit(first, [&](TvomRecord* r) { table.SetText(r, "Name", "ab"); });
    expected[0] = "ab";
    std::sort(expected.begin(), expected.end(), std::greater<>());
    EXPECT_EQ(expected, table.Walk("Name")) << count;
  }
}

TEST_F(IndexTest, AppendingManyEqualKeysComparesLogarithmicallyOften) {
  // A table sorted on a key most rows share (file rows without an id in the
  // catalogue) must not compare each new row with every row of its key.
  TvomIndex* byNum = MakeIndex("Num");
  t.indexes().SetCurrent(byNum);
  Int64 compares = 0;
  t.on_compare_fields = [&](TField*, const void* key, const void* value, TFieldType, Byte, bool&,
                            Integer& result) {
    ++compares;
    Integer a, b;
    std::memcpy(&a, key, sizeof a);
    std::memcpy(&b, value, sizeof b);
    result = a < b ? -1 : (a > b ? 1 : 0);
  };
  constexpr Integer kRows = 4000;
  for (Integer i = 0; i < kRows; ++i) {
    Row("same", 7);
    ASSERT_EQ(0, t.last_placed) << i;
  }
  // About log2(n) + a few per row; walking the equal rows would take n^2 / 2.
  EXPECT_LT(compares, kRows * 20);
}

TEST_F(IndexTest, SearchReportsProgressAndRestoresTheState) {
  for (Integer i = 0; i < 5; ++i) Row("r" + std::to_string(i), i);
  t.state = mtosLoading;
  TvomSearchResult r =
      t.indexes().RowOrderIndex()->Search(t.List({"Name"}).get(), Key("r3"), false, false);
  EXPECT_TRUE(r.Found);
  EXPECT_EQ(3, r.Position);
  EXPECT_EQ(mtosLoading, t.state);
  ASSERT_EQ(2u, t.progress.size());
  EXPECT_EQ(std::make_pair(0, mtpcSearch), t.progress.front());
  EXPECT_EQ(std::make_pair(100, mtpcSearch), t.progress.back());

  r = t.indexes().RowOrderIndex()->Search(t.List({"Name"}).get(), Key("q"), false, false);
  EXPECT_FALSE(r.Found);
  EXPECT_EQ(5, r.Position);
  TvomIndex empty("E", &t, "Name", mtcoNone, mtikSorted, false);
  EXPECT_EQ(-1, empty.Search(nullptr, Key("a"), false, false).Position);
}

TEST_F(IndexTest, RespectingTheRecordTestSkipsHiddenRecords) {
  for (Integer i = 0; i < 30; ++i) Row(i % 2 ? "odd" : "even", i);
  TvomIndex* index = MakeIndex("Name");
  t.record_test = [&](TvomRecord* r) { return std::stoi(t.Text(r, "Num")) >= 20; };
  TvomSearchResult r = index->Search(nullptr, Key("even"), true, false);
  ASSERT_TRUE(r.Found);
  EXPECT_EQ("20", t.Text(index->Refs(r.Position), "Num"));
  EXPECT_EQ(0, index->Search(nullptr, Key("even"), false, false).Position);
  t.record_test = [](TvomRecord*) { return false; };
  EXPECT_FALSE(index->Search(nullptr, Key("even"), true, false).Found);
  // The sequential scan skips them as well.
  EXPECT_FALSE(
      t.indexes().RowOrderIndex()->Search(t.List({"Name"}).get(), Key("odd"), true, false).Found);
}

TEST_F(IndexTest, UpkeepPlacesNewRecordsInEverySortedIndex) {
  TvomIndex* byName = MakeIndex("Name");
  t.indexes().SetCurrent(byName);
  std::mt19937 random(7);
  std::vector<String> expected;
  for (Integer i = 0; i < 3000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "k%05u", static_cast<unsigned>(random() % 100000));
    TvomRecord* r = Row(name, i);
    expected.push_back(name);
    ASSERT_EQ(r, byName->Refs(t.last_placed));
    ASSERT_EQ(t.last_placed, r->IndexPos);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, t.Walk("Name"));
  EXPECT_TRUE(byName->Ordered());
  EXPECT_EQ(3000, t.indexes().RowOrderIndex()->Count());
}

TEST_F(IndexTest, UpkeepMovesEditedRecordsAndDropsDeletedOnes) {
  TvomRecord* a = Row("a", 1);
  Row("b", 2);
  TvomRecord* c = Row("c", 3);
  TvomIndex* byName = MakeIndex("Name");
  t.Edit(a, [&](TvomRecord* r) { t.SetText(r, "Name", "d"); });
  EXPECT_EQ((Names{"b", "c", "d"}), t.Walk("Name", byName));
  EXPECT_EQ((Names{"d", "b", "c"}), t.Walk("Name"));  // row order is left alone
  t.Delete(c);
  EXPECT_EQ((Names{"b", "d"}), t.Walk("Name", byName));
  EXPECT_EQ((Names{"d", "b"}), t.Walk("Name"));
}

TEST_F(IndexTest, EditWithUnchangedKeyKeepsThePosition) {
  for (Integer i = 0; i < 5; ++i) Row("same", i);
  TvomIndex* byName = MakeIndex("Name");
  TvomRecord* third = byName->Refs(2);
  t.Edit(third, [&](TvomRecord* r) { t.SetValue<Integer>(r, "Num", 42); });
  EXPECT_EQ(third, byName->Refs(2));
  // An index that does not show modified records lets it go.
  byName->SetUpdateStatuses(TUpdateStatusSet{usUnmodified, usInserted});
  t.Edit(third, [&](TvomRecord* r) { t.SetValue<Integer>(r, "Num", 43); });
  EXPECT_EQ(4, byName->Count());
}

TEST_F(IndexTest, DeletedVersionsStayOnlyInIndexesThatShowThem) {
  t.store().SetEnableVersioning(true);
  TvomRecord* a = Row("a", 1);
  Row("b", 2);
  TvomIndex* shows = MakeIndex("Name");
  shows->SetUpdateStatuses(TUpdateStatusSet{usUnmodified, usModified, usInserted, usDeleted});
  TvomIndex* hides = MakeIndex("Num");
  t.Delete(a);
  EXPECT_EQ(2, shows->Count());
  EXPECT_EQ(1, hides->Count());
  shows->Rebuild();
  EXPECT_EQ(2, shows->Count());
  hides->Rebuild();
  EXPECT_EQ(1, hides->Count());
}

TEST_F(IndexTest, SkippedUpkeepMarksIndexesUnordered) {
  TvomRecord* a = Row("a", 1);
  TvomIndex* byName = MakeIndex("Name");
  TvomIndex* loose = MakeIndex("Num", mtcoNonMaintained);
  Row("b", 2);
  EXPECT_FALSE(loose->Ordered());
  EXPECT_TRUE(byName->Ordered());

  t.enable_indexes = false;
  t.Edit(a, [&](TvomRecord* r) { t.SetValue<Integer>(r, "Num", 5); });
  EXPECT_TRUE(t.indexes().RowOrderIndex()->Ordered());
  EXPECT_FALSE(byName->Ordered());
  // The current index still loses a deleted record, so its list stays valid.
  t.Delete(a);
  EXPECT_EQ((Names{"b"}), t.Walk("Name"));
  Row("c", 3);
  EXPECT_FALSE(t.indexes().RowOrderIndex()->Ordered());
  EXPECT_EQ(1, t.indexes().RowOrderIndex()->Count());
  t.enable_indexes = true;
  t.indexes().RebuildAll();
  EXPECT_EQ((Names{"c", "b"}), t.Walk("Name"));  // rebuilt in slot order: c took a's slot
}

TEST_F(IndexTest, FilterIndexEventChoosesTheRecords) {
  Row("a", 1);
  Row("b", 2);
  Row("c", 3);
  t.on_filter_index = [&](TvomIndex* index, TvomRecord* r) {
    return index->Name() != "IName" || t.Text(r, "Name") != "b";
  };
  EXPECT_EQ((Names{"a", "c"}), t.Walk("Name", MakeIndex("Name")));
}

TEST_F(IndexTest, RebuildReportsSortProgressAndClipsTheCursor) {
  Row("b", 1);
  Row("a", 2);
  TvomIndex* byName = MakeIndex("Name");
  t.indexes().SetCurrent(byName);
  t.cursor = 10;
  t.progress.clear();
  byName->Rebuild();
  EXPECT_EQ(1, t.cursor);
  EXPECT_EQ((std::vector<std::pair<Integer, TvomProgressCode>>{{0, mtpcSort}, {100, mtpcSort}}),
            t.progress);
  t.active = false;
  byName->Clear();
  byName->Rebuild();
  EXPECT_TRUE(byName->Ordered());
  EXPECT_EQ(0, byName->Count());
}

TEST_F(IndexTest, PositionOfFindsRecordsAfterSlotReuse) {
  std::vector<TvomRecord*> rows;
  for (Integer i = 0; i < 10; ++i) rows.push_back(Row("r" + std::to_string(i), i));
  TvomIndex* rowOrder = t.indexes().RowOrderIndex();
  EXPECT_EQ(7, rowOrder->PositionOf(rows[7]));
  t.Delete(rows[2]);
  TvomRecord* reused = Row("new", 99);  // slot 2, appended at the end
  EXPECT_EQ(2, reused->SlotNo);
  EXPECT_EQ(9, rowOrder->PositionOf(reused));
  TvomIndex* byName = MakeIndex("Name");
  EXPECT_EQ(0, byName->PositionOf(reused));
  EXPECT_EQ(-1, byName->PositionOf(nullptr));
}

TEST_F(IndexTest, PositionOfAmongManyEqualKeysReportsTheScansProgress) {
  std::vector<TvomRecord*> rows;
  for (Integer i = 0; i < 350; ++i) rows.push_back(Row("same", i));
  t.on_filter_index = [&](TvomIndex*, TvomRecord* r) { return r != rows[5]; };
  TvomIndex* byName = MakeIndex("Name");
  using Progress = std::vector<std::pair<Integer, TvomProgressCode>>;
  // The scan starts at the first equal entry and reports every 100 entries.
  t.progress.clear();
  EXPECT_EQ(249, byName->PositionOf(rows[250]));
  EXPECT_EQ((Progress{{0, mtpcSearch}, {28, mtpcSearch}, {57, mtpcSearch}}), t.progress);
  // A record the index leaves out is looked for to the end.
  t.progress.clear();
  EXPECT_EQ(-1, byName->PositionOf(rows[5]));
  EXPECT_EQ((Progress{{0, mtpcSearch}, {28, mtpcSearch}, {57, mtpcSearch}, {85, mtpcSearch}}),
            t.progress);
  // A record buffer stands for the record of its slot.
  TvomRecord* copy = t.store().CopyRecord(rows[120], false);
  keys.push_back(copy);
  EXPECT_EQ(119, byName->PositionOf(copy));
}

TEST_F(IndexTest, IndexListFindsDeletesAndClears) {
  TvomIndex* a = MakeIndex("Name");
  TvomIndex* b = MakeIndex("Num");
  EXPECT_EQ(a, t.indexes().Find("iname"));
  EXPECT_EQ(b, t.indexes().FindByFieldNames("NUM"));
  EXPECT_EQ(2, b->Position());
  t.indexes().SetCurrent(a);
  t.indexes().SetSortIndex(a);
  t.indexes().Delete(a);
  EXPECT_EQ(t.indexes().RowOrderIndex(), t.indexes().Current());
  EXPECT_EQ(nullptr, t.indexes().SortIndex());
  EXPECT_EQ(1, b->Position());
  t.indexes().Delete(t.indexes().RowOrderIndex());
  EXPECT_EQ(2, t.indexes().Count());
  t.indexes().Clear();
  EXPECT_EQ(1, t.indexes().Count());
  EXPECT_EQ(kvomRowOrderIndexName, t.indexes().Items(0)->Name());
}

class TableSearchTest : public IndexTest {
 protected:
  void SetUp() override {
    IndexTest::SetUp();
    for (Integer i = 0; i < 25; ++i) Row(i == 17 ? "apple" : "row" + std::to_string(i), i % 5);
  }
  TvomRecord* KeyOf(const String& name, Integer num) {
    TvomRecord* key = Key(name);
    t.SetValue<Integer>(key, "Num", num);
    return key;
  }
};

TEST_F(TableSearchTest, UsesAnIndexThatBeginsWithTheKeyFields) {
  TvomIndex* index = MakeIndex("Name;Num");
  const Integer before = t.indexes().Count();
  t.progress.clear();
  Integer position = -1;
  ASSERT_TRUE(t.indexes().Search(*t.List({"Name", "Num"}), KeyOf("apple", 2), false, false, false,
                                 position));
  EXPECT_EQ(17, position);  // a position in the current (row-order) index
  EXPECT_EQ(before, t.indexes().Count());
  EXPECT_TRUE(index->Ordered());
}

TEST_F(TableSearchTest, MakesAnAutomaticIndexWhenAllowed) {
  Integer position = -1;
  ASSERT_TRUE(t.indexes().Search(*t.List({"Name", "Num"}), KeyOf("APPLE", 2), true, false, false,
                                 position));
  EXPECT_EQ(17, position);  // found case-insensitively through the new index
  TvomIndex* made = t.indexes().Find("__MT__AUTO_Name;Num");
  ASSERT_NE(nullptr, made);
  EXPECT_EQ("Name;Num", made->FieldNames());
  EXPECT_NE(nullptr, t.IndexDefs().FindDef("__MT__AUTO_Name;Num"));
  EXPECT_TRUE(t.IndexDefs().FindDef("__MT__AUTO_Name;Num")->Options().Contains(ixCaseInsensitive));
}

TEST_F(TableSearchTest, ScansWithoutASuitableIndex) {
  Integer position = -1;
  EXPECT_FALSE(t.indexes().Search(*t.List({"Name", "Num"}), KeyOf("APPLE", 2), false, false, false,
                                  position));
  EXPECT_EQ(-1, position);
  ASSERT_TRUE(t.indexes().Search(*t.List({"Num"}), KeyOf("", 3), false, false, false, position));
  EXPECT_EQ(3, position);
  t.record_test = [&](TvomRecord* r) { return t.Text(r, "Name") != "row3"; };
  ASSERT_TRUE(t.indexes().Search(*t.List({"Num"}), KeyOf("", 3), false, true, false, position));
  EXPECT_EQ(8, position);
}

TEST_F(TableSearchTest, TranslatesPositionsToTheCurrentIndex) {
  TvomIndex* byNum = MakeIndex("Num");
  t.indexes().SetCurrent(byNum);
  MakeIndex("Name");
  Integer position = -1;
  ASSERT_TRUE(
      t.indexes().Search(*t.List({"Name"}), KeyOf("apple", 0), false, false, false, position));
  EXPECT_EQ(byNum->PositionOf(t.store().Records(17)), position);
  EXPECT_EQ("apple", t.Text(byNum->Refs(position), "Name"));
}

}  // namespace
