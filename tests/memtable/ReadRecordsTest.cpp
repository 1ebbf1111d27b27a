// tests/memtable/ReadRecordsTest.cpp
//
// Reading every record where it is stored: the same records in the same
// order as a walk through the buffer ring, whatever hides or orders them,
// with the table's place and its controls left alone.
#include <gtest/gtest.h>

#include <functional>

#include "MemTableTestHelpers.h"
#include "platform/data/DataSource.h"

namespace {

// Six rows out of order, one name null.
std::unique_ptr<TvomMemTable> Numbers() {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, {{5, "e"}, {1, "a"}, {3, "c"}, {2, Variant(Null())}, {4, "d"}, {6, "f"}});
  return table;
}

// The names ReadRecords visits ("<null>" for null).
Texts ReadNames(TvomMemTable& table) {
  Texts names;
  TField* name = table.FieldByName("Name");
  table.ReadRecords([&] {
    names.push_back(name->IsNull() ? String("<null>") : name->AsString());
    return true;
  });
  return names;
}

struct TShape {
  const char* what;
  std::function<void(TvomMemTable&)> apply;
};

class ReadRecordsShapes : public ::testing::TestWithParam<TShape> {};

}  // namespace

TEST_P(ReadRecordsShapes, VisitsWhatTheRingWalkVisitsInItsOrder) {
  auto table = Numbers();
  GetParam().apply(*table);
  const Texts walked = Column(*table, "Name");
  EXPECT_EQ(ReadNames(*table), walked);
}

INSTANTIATE_TEST_SUITE_P(
    MemTable, ReadRecordsShapes,
    ::testing::Values(TShape{"plain", [](TvomMemTable&) {}},
                      TShape{"filter",
                             [](TvomMemTable& t) {
                               t.SetFilter("Id > 2");
                               t.SetFiltered(true);
                             }},
                      TShape{"filter event",
                             [](TvomMemTable& t) {
                               t.SetOnFilterRecord([](TDataSet* ds, bool& accept) {
                                 accept = ds->FieldByName("Id")->AsInteger() % 2 == 1;
                               });
                               t.SetFiltered(true);
                             }},
                      TShape{"index",
                             [](TvomMemTable& t) {
                               t.AddIndex("ById", "Id", {});
                               t.SetIndexName("ById");
                             }},
                      TShape{"range",
                             [](TvomMemTable& t) {
                               t.AddIndex("ById", "Id", {});
                               t.SetIndexName("ById");
                               t.SetRange({2}, {4});
                             }},
                      TShape{"empty", [](TvomMemTable& t) { t.EmptyTable(); }}),
    [](const ::testing::TestParamInfo<TShape>& info) {
      String name = info.param.what;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST(MemTableReadRecords, LeavesThePlaceAndTheControlsAlone) {
  auto table = Numbers();
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  int told = 0;
  source.OnDataChange = [&](TObject*, TField*) { ++told; };
  table->First();
  table->Next();
  table->Next();
  const Integer recNo = table->RecNo();
  told = 0;
  int scrolls = 0;
  table->AfterScroll = [&](TDataSet*) { ++scrolls; };

  EXPECT_EQ(ReadNames(*table).size(), 6u);

  EXPECT_EQ(table->RecNo(), recNo);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "c");
  EXPECT_EQ(told, 0);
  EXPECT_EQ(scrolls, 0);
  // The ring still steps on from where it was.
  table->Next();
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 2);
}

TEST(MemTableReadRecords, StopsWhenTheVisitSaysSoAndAfterAnError) {
  auto table = Numbers();
  table->First();
  TField* id = table->FieldByName("Id");
  int visited = 0;
  table->ReadRecords([&] { return ++visited < 3; });
  EXPECT_EQ(visited, 3);

  visited = 0;
  EXPECT_THROW(table->ReadRecords([&]() -> bool {
    if (++visited == 2) throw EDatabaseError("stop");
    return true;
  }),
               EDatabaseError);
  EXPECT_EQ(visited, 2);
  // Fields read the current record again, not the one the walk stood on.
  EXPECT_EQ(id->AsInteger(), 5);
}

TEST(MemTableReadRecords, AnEditInProgressIsPostedFirstAsByTheRingWalk) {
  auto table = Numbers();
  table->First();
  table->Edit();
  table->FieldByName("Name")->SetAsString("E");
  EXPECT_EQ(ReadNames(*table), Texts({"E", "a", "c", "<null>", "d", "f"}));
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "E");
}
