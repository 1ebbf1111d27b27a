// tests/memtable/StoredCopyTest.cpp
//
// LoadFromDataSet between two memory tables of the same layout copies the
// stored records as they are: the result must be what the field-by-field
// copy gives (which a table with an event handler still takes), in the
// source's order and filter, with values of its own.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "platform/rtl/DateTime.h"

namespace {

// Every field type the catalogue keeps, a memo (held outside the record)
// among them, and some nulls.
std::unique_ptr<TvomMemTable> MixedSource(Integer rows) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  table->FieldDefs()->Add("Id", ftInteger);
  table->FieldDefs()->Add("Name", ftString, 30);
  table->FieldDefs()->Add("Size", ftFloat);
  table->FieldDefs()->Add("When", ftDateTime);
  table->FieldDefs()->Add("Note", ftMemo);
  table->Open();
  for (Integer i = 1; i <= rows; ++i) {
    table->Append();
    table->FieldByName("Id")->SetAsInteger(i);
    if (i % 3 != 0) table->FieldByName("Name")->SetAsString("name " + std::to_string(i));
    table->FieldByName("Size")->SetAsFloat(i * 1.5);
    if (i % 4 != 0) table->FieldByName("When")->SetAsDateTime(TDateTime(40000.25 + i));
    if (i % 2 == 0) table->FieldByName("Note")->SetAsString(String(200, 'a' + i % 26));
    table->Post();
  }
  return table;
}

}  // namespace

TEST(MemTableStoredCopy, GivesWhatTheFieldByFieldCopyGives) {
  struct Case {
    const char* name;
    const char* sort;    // "" for the order of appending
    const char* filter;  // "" for none
  };
  for (const Case& c : {Case{"plain", "", ""}, Case{"sorted", "Name", ""},
                        Case{"filtered", "", "Id > 20 and Id < 90"},
                        Case{"sorted and filtered", "When", "Id < 50"}}) {
    SCOPED_TRACE(c.name);
    auto source = MixedSource(120);
    if (*c.sort) source->SortOn(c.sort, {});
    if (*c.filter) {
      source->SetFilter(c.filter);
      source->SetFiltered(true);
    }
    TvomMemTable stored(nullptr);
    stored.LoadFromDataSet(source.get(), coStructure);
    // A handler on the destination keeps the copy field by field.
    TvomMemTable byField(nullptr);
    Integer posts = 0;
    byField.BeforePost = [&](TDataSet*) { ++posts; };
    byField.LoadFromDataSet(source.get(), coStructure);

    const std::vector<String> expected = RowTexts(*source);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(posts, static_cast<Integer>(expected.size()));
    EXPECT_EQ(RowTexts(byField), expected);
    EXPECT_EQ(RowTexts(stored), expected);
    EXPECT_EQ(stored.RecordCount(), static_cast<Integer>(expected.size()));
    EXPECT_EQ(stored.LoadCount(), static_cast<Integer>(expected.size()));
  }
}

TEST(MemTableStoredCopy, CopiedRecordsAreTheDestinationsOwn) {
  auto source = MixedSource(10);
  TvomMemTable copy(nullptr);
  copy.LoadFromDataSet(source.get(), coStructure);
  const std::vector<String> before = RowTexts(*source);

  // Editing the copy's memo and text leaves the source alone.
  ASSERT_TRUE(copy.Locate("Id", 2, {}));
  copy.Edit();
  copy.FieldByName("Note")->SetAsString("changed");
  copy.FieldByName("Name")->SetAsString("changed");
  copy.Post();
  EXPECT_EQ(RowTexts(*source), before);

  // The copy outlives its source, memos included, and takes new rows.
  source.reset();
  ASSERT_TRUE(copy.Locate("Id", 4, {}));
  EXPECT_EQ(copy.FieldByName("Note")->AsString(), String(200, 'a' + 4));
  copy.AppendRecord({11, "eleven"});
  EXPECT_EQ(copy.RecordCount(), 11);
  ASSERT_TRUE(copy.Locate("Id", 2, {}));
  EXPECT_EQ(copy.FieldByName("Note")->AsString(), "changed");
}

TEST(MemTableStoredCopy, ProgressNoticesMatchAndMaySeeTheSourceShrink) {
  auto source = MixedSource(250);
  source->First();  // the copy comes back to this record afterwards
  TvomMemTable copy(nullptr);
  std::vector<Integer> percentages;
  copy.OnProgress = [&](TDataSet*, Integer p, TvomProgressCode code) {
    if (code != mtpcCopy) return;
    percentages.push_back(p);
    // At the first notice inside the copy, the last fifty rows go: the
    // copy goes on with the rows left, whatever the source's cursor.
    if (p != 40) return;
    source->Last();
    for (int i = 0; i < 50; ++i) source->Delete();
  };
  copy.LoadFromDataSet(source.get(), coStructure);
  EXPECT_EQ(percentages, (std::vector<Integer>{0, 40, 80, 100}));
  EXPECT_EQ(copy.RecordCount(), 200);
  EXPECT_EQ(RowTexts(copy), RowTexts(*source));
}

TEST(MemTableStoredCopy, ASourceClearedDuringTheCopyHasNoMoreRowsToGive) {
  // Rows added after the clear are numbered from the start again; none of
  // them was in the source when the copy began.
  for (const bool memo : {true, false}) {
    SCOPED_TRACE(memo ? "copied records" : "shared records");
    std::unique_ptr<TvomMemTable> source = memo ? MixedSource(250) : NewPeopleTable();
    if (!memo) {
      source->Open();
      for (Integer i = 1; i <= 250; ++i) source->AppendRecord({i, "row " + std::to_string(i)});
    }
    TvomMemTable copy(nullptr);
    copy.OnProgress = [&](TDataSet*, Integer p, TvomProgressCode code) {
      if (code != mtpcCopy || p != 40) return;
      source->EmptyTable();
      for (Integer i = 1; i <= 250; ++i) source->AppendRecord({1000 + i, "new"});
    };
    copy.LoadFromDataSet(source.get(), coStructure);
    EXPECT_EQ(copy.RecordCount(), 100);
    copy.Last();
    EXPECT_EQ(copy.FieldByName("Id")->AsInteger(), 100);
  }
}
