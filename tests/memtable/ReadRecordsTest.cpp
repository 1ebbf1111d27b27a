// tests/memtable/ReadRecordsTest.cpp
//
// Reading every record where it is stored: the same records in the same
// order as a walk through the buffer ring, whatever hides or orders them,
// with the table's place and its controls left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

namespace {

// Rows whose far fields lie well past the first lines of the record: a
// wide text and a number behind it. Keys are null in every third row (as
// files among folders), names vary in length.
std::unique_ptr<TvomMemTable> WideRows(Integer rows) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  table->FieldDefs()->Add("Id", ftInteger);
  table->FieldDefs()->Add("Name", ftString, 40);
  table->FieldDefs()->Add("Path", ftString, 600);
  table->FieldDefs()->Add("Image", ftInteger);
  table->FieldDefs()->Add("Note", ftString, 300);
  table->Open();
  for (Integer i = 0; i < rows; ++i)
    table->AppendRecord({i % 3 == 2 ? Variant(Null()) : Variant(i), String(i % 17, 'n'),
                         "p" + std::to_string(i), i % 5 == 0 ? Variant(Null()) : Variant(i * 7),
                         i % 4 == 0 ? Variant("note " + std::to_string(i)) : Variant(Null())});
  return table;
}

// What a reader reads of one record; which fields depends on the record.
String ReadAsVisitorDoes(TvomMemTable& table, Integer visit) {
  TField* id = table.FieldByName("Id");
  const Variant key = id->AsVariant();
  if (key.IsNull()) return "-";
  String read = key.AsString();
  // Now and then the reader changes what it reads, as a caption event may.
  if (visit % 400 < 300) read += "|" + table.FieldByName("Name")->Text();
  const TField* image = table.FieldByName("Image");
  read += "|" + (image->IsNull() ? String("null") : image->AsString());
  if (visit % 7 == 0) read += "|" + table.FieldByName("Note")->AsString();
  if (visit % 11 == 0) read += "|" + table.FieldByName("Path")->AsString();
  return read;
}

Texts ReadAllAsVisitorDoes(TvomMemTable& table, bool walk) {
  Texts reads;
  Integer visit = 0;
  if (walk) {
    table.ReadRecords([&] {
      reads.push_back(ReadAsVisitorDoes(table, visit++));
      return true;
    });
  } else {
    for (table.First(); !table.Eof(); table.Next())
      reads.push_back(ReadAsVisitorDoes(table, visit++));
  }
  return reads;
}

}  // namespace

// The walk learns which parts of the records its reader reads and fetches
// them ahead; whatever it guesses, every value read is the record's own.
TEST(MemTableReadRecords, AReaderWhoseReadsChangeFromRecordToRecordReadsEveryValueRight) {
  auto table = WideRows(3000);
  const Texts expected = ReadAllAsVisitorDoes(*table, false);
  ASSERT_EQ(expected.size(), 3000u);
  EXPECT_EQ(ReadAllAsVisitorDoes(*table, true), expected);
  // Again in another order, and with every row's key null for a while.
  table->AddIndex("ByPath", "Path", {});
  table->SetIndexName("ByPath");
  EXPECT_EQ(ReadAllAsVisitorDoes(*table, true), ReadAllAsVisitorDoes(*table, false));
}

// A copy shares its source's record data until either side writes: its
// records' data then no longer follows their headers.
TEST(MemTableReadRecords, ReadsRecordsWhoseDataIsSharedOrMovedApart) {
  auto source = WideRows(700);
  TvomMemTable copy(nullptr);
  copy.LoadFromDataSet(source.get(), coStructure);
  ASSERT_TRUE(copy.Store().AnyDataApart());
  EXPECT_EQ(ReadAllAsVisitorDoes(copy, true), ReadAllAsVisitorDoes(*source, false));

  ASSERT_TRUE(copy.Locate("Id", 100, {}));
  copy.Edit();
  copy.FieldByName("Name")->SetAsString("moved apart");
  copy.Post();
  const Texts expected = ReadAllAsVisitorDoes(copy, false);
  EXPECT_NE(std::find(expected.begin(), expected.end(), "100|moved apart|null"), expected.end());
  EXPECT_EQ(ReadAllAsVisitorDoes(copy, true), expected);
  EXPECT_EQ(ReadAllAsVisitorDoes(*source, true), ReadAllAsVisitorDoes(*source, false));
}

// A text value ends at its terminator: what the record holds after it (a
// longer value written before, by a writer that did not clear the rest) is
// not part of it, and a value that fills the field ends at its last byte.
TEST(MemTableReadRecords, TextEndsAtItsTerminatorWhateverFollowsIt) {
  auto table = WideRows(3);
  TField* name = table->FieldByName("Name");
  TvomCommon& store = table->Store();
  const struct {
    const char* stored;
    std::size_t bytes;
    const char* read;
  } cases[] = {
      {"ab\0leftover", 11, "ab"},
      {"\0leftover", 9, ""},
      {"0123456789012345678901234567890123456789", 40, "0123456789012345678901234567890123456789"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.read);
    Byte* at = store.FieldPointer(store.Records(0), name);
    ASSERT_NE(at, nullptr);
    std::memset(at + 1, 'x', static_cast<std::size_t>(name->DataSize()));
    std::memcpy(at + 1, c.stored, c.bytes);
    if (c.bytes == 40) at[1 + 40] = 0;  // the field's own last byte
    at[0] = kvomNotNull;
    table->Refresh();
    table->First();
    EXPECT_EQ(name->AsString(), c.read);
    String walked = "(not visited)";
    table->ReadRecords([&] {
      walked = name->AsString();
      return false;
    });
    EXPECT_EQ(walked, c.read);
  }
}

// A validation handler reads the value about to be written, through the
// same text read as any other.
TEST(MemTableReadRecords, AValidationHandlerReadsTheTextBeingWritten) {
  auto table = Numbers();
  TField* name = table->FieldByName("Name");
  Texts seen;
  name->OnValidate = [&](TField* field) { seen.push_back(field->AsString()); };
  table->First();
  table->Edit();
  name->SetAsString("new name");
  name->Clear();
  table->Post();
  EXPECT_EQ(seen, Texts({"new name", ""}));
}
