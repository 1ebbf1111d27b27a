// tests/memtable/LocateTest.cpp
//
// Locate and Lookup: one and several key fields, case-insensitive and
// partial keys, with and without an index that fits the key.
#include <gtest/gtest.h>

#include "FormatTestSupport.h"
#include "MemTableTestHelpers.h"

namespace {

// "Id", "Name" and "City"; 30 rows so that searches look for an index.
std::unique_ptr<TvomMemTable> CityTable(Integer rows = 30) {
  auto table = NewPeopleTable();
  table->FieldDefs()->Add("City", ftString, 20);
  table->Open();
  for (Integer i = 0; i < rows; ++i)
    table->AppendRecord({i, "Name" + std::to_string(i), i % 2 == 0 ? "Oslo" : "Bergen"});
  table->AppendRecord({100, "Åse", "Tromsø"});
  return table;
}

}  // namespace

TEST(MemTableLocate, FindsOneFieldAndMakesItCurrent) {
  auto table = CityTable();
  int after = 0;
  table->AfterScroll = [&](TDataSet*) { ++after; };
  EXPECT_TRUE(table->Locate("Name", "Name17", {}));
  EXPECT_TRUE(table->Found());
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 17);
  EXPECT_EQ(after, 1);
}

TEST(MemTableLocate, NotFoundLeavesTheCurrentRecord) {
  auto table = CityTable();
  table->Locate("Id", 5, {});
  EXPECT_FALSE(table->Locate("Name", "Nobody", {}));
  EXPECT_FALSE(table->Found());
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 5);
}

TEST(MemTableLocate, SeveralFieldsMustAllMatch) {
  auto table = CityTable();
  EXPECT_TRUE(table->Locate("City;Id", VarArrayOf({"Bergen", 7}), {}));
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Name7");
  EXPECT_FALSE(table->Locate("City;Id", VarArrayOf({"Oslo", 7}), {}));
}

TEST(MemTableLocate, CaseInsensitiveOnlyWhenAsked) {
  auto table = CityTable();
  EXPECT_FALSE(table->Locate("Name", "name12", {}));
  EXPECT_TRUE(table->Locate("Name", "name12", {loCaseInsensitive}));
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 12);
  EXPECT_TRUE(table->Locate("Name", "åSE", {loCaseInsensitive}));
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 100);
}

TEST(MemTableLocate, PartialKeyMatchesTheBeginning) {
  auto table = CityTable();
  EXPECT_FALSE(table->Locate("City", "Tro", {}));
  EXPECT_TRUE(table->Locate("City", "Tro", {loPartialKey}));
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 100);
  EXPECT_TRUE(table->Locate("City", "trom", {loPartialKey, loCaseInsensitive}));
}

TEST(MemTableLocate, UsesAFittingIndexAndReportsThePositionInTheCurrentOrder) {
  auto table = CityTable();
  table->AddIndex("ByCityId", "City;Id", {});
  EXPECT_TRUE(table->Locate("City;Id", VarArrayOf({"Oslo", 20}), {}));
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Name20");
  // The current order is still the row order.
  EXPECT_EQ(table->RecNo(), 21);
}

TEST(MemTableLocate, AutoAddIndexesMakesAnIndexForTheKey) {
  auto table = CityTable();
  table->SetAutoAddIndexes(true);
  EXPECT_TRUE(table->Locate("City;Name", VarArrayOf({"Bergen", "Name9"}), {}));
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 9);
  EXPECT_GE(table->IndexDefs()->IndexOf("__MT__AUTO_City;Name"), 0);
}

TEST(MemTableLocate, FindsTheFirstInTheCurrentIndexOrder) {
  auto table = CityTable();
  table->IndexDefs()->Add("ByIdDesc", "Id", {ixDescending})->SetDescFields("Id");
  table->UpdateIndexes();
  table->SetIndexName("ByIdDesc");
  EXPECT_TRUE(table->Locate("City", "Bergen", {}));
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 29);
}

TEST(MemTableLocate, OnAnEmptyTableFailsAndOnlyBeforeScrollFires) {
  auto table = NewPeopleTable();
  table->Open();
  int before = 0, after = 0;
  table->BeforeScroll = [&](TDataSet*) { ++before; };
  table->AfterScroll = [&](TDataSet*) { ++after; };
  EXPECT_FALSE(table->Locate("Name", "x", {}));
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 0);
}

TEST(MemTableLocate, RespectsTheFilter) {
  auto table = CityTable();
  table->SetOnFilterRecord(
      [](TDataSet* d, bool& accept) { accept = d->FieldByName("Id")->AsInteger() != 4; });
  table->SetFiltered(true);
  EXPECT_FALSE(table->Locate("Id", 4, {}));
  EXPECT_TRUE(table->Locate("City", "Oslo", {}));
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 0);
}

TEST(MemTableLocate, ANumberFindsATextFieldAndATextANumberField) {
  auto table = CityTable();
  EXPECT_TRUE(table->Locate("Id", "13", {}));
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Name13");
}

TEST(MemTableLocate, KeyValueErrors) {
  auto table = CityTable(3);
  try {
    table->Locate("Id;Name", 1, {});
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "More fields than values");
  }
  try {
    table->Locate("Id;Name", VarArrayOf({1}), {});
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "More fields than values");
  }
  try {
    table->Locate("", 1, {});
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "There must be at least one field");
  }
  try {
    table->Locate("Id", VarArrayCreate({0, 1, 0, 1}, varVariant), {});
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Values variant array has invalid dimension count");
  }
  EXPECT_THROW(table->Locate("Nope", 1, {}), EDatabaseError);
}

TEST(MemTableLookup, ReturnsValuesWithoutMoving) {
  auto table = CityTable();
  table->Locate("Id", 3, {});
  EXPECT_EQ(table->Lookup("Name", "Name8", "City").AsString(), "Oslo");
  const Variant both = table->Lookup("Id", 9, "Name;City");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both[0].AsString(), "Name9");
  EXPECT_EQ(both[1].AsString(), "Bergen");
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 3);
}

TEST(MemTableLookup, NotFoundGivesAnEmptyValue) {
  auto table = CityTable();
  EXPECT_TRUE(table->Lookup("Name", "Nobody", "City").IsEmpty());
  EXPECT_FALSE(table->Found());
}

TEST(MemTableLookup, ReadsCalculatedFieldsOfTheFoundRecord) {
  auto table = NewPeopleTable();
  TField* id = NewField(ftInteger, table.get()).release();
  id->SetFieldName("Id");
  id->SetDataSet(table.get());
  TField* name = NewField(ftString, table.get()).release();
  name->SetFieldName("Name");
  name->SetSize(20);
  name->SetDataSet(table.get());
  TField* twice = NewField(ftInteger, table.get()).release();
  twice->SetFieldName("Twice");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(table.get());
  table->OnCalcFields = [](TDataSet* d) {
    d->FieldByName("Twice")->SetAsInteger(d->FieldByName("Id")->AsInteger() * 2);
  };
  table->Open();
  AppendRows(*table, {{1, "a"}, {21, "b"}});
  table->First();
  EXPECT_EQ(table->Lookup("Name", "b", "Twice").AsInteger(), 42);
}

// A search key is written in the record's own form by the table, not by the
// field classes; both must agree byte for byte, or a stored value is not
// found by itself. The first row's fields stay null, so a key that decays
// to nothing would not find the second row.
TEST(MemTableLocate, EveryTypeWithARecordFormFindsItsOwnValue) {
  auto table = MakeTable(EveryStorableType());
  AddRow(*table, [](TvomCustomMemTable&) {});
  AddRow(*table, FillEveryType);
  for (const char* name : {"S", "SI", "I", "W", "Bo", "F", "C", "BC", "D", "T", "DT", "AI", "FC",
                           "WS", "LI", "Gu", "TS", "FB"}) {
    SCOPED_TRACE(name);
    table->Last();
    const Variant value = table->FieldByName(name)->Value();
    table->First();
    ASSERT_TRUE(table->Locate(name, value, {}));
    EXPECT_EQ(table->RecNo(), 2);
  }
}
