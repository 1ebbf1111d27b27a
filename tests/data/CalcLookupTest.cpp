// tests/data/CalcLookupTest.cpp
#include <gtest/gtest.h>

#include "platform/data/Fields.h"
#include "tests/data/TestTables.h"

namespace {

// Persistent fields: ID, AGE, CITY (a city id), the calculated DOUBLED and
// the lookup CITYNAME from a second dataset.
struct Persons {
  TComponent owner{nullptr};
  TArrayDataSet* cities = new TArrayDataSet(&owner);
  TArrayDataSet* people = new TArrayDataSet(&owner);
  TIntegerField* id = new TIntegerField(&owner);
  TIntegerField* age = new TIntegerField(&owner);
  TIntegerField* city = new TIntegerField(&owner);
  TIntegerField* doubled = new TIntegerField(&owner);
  TStringField* cityName = new TStringField(&owner);
  int calcs = 0;

  Persons() {
    cities->FieldDefs()->Add("CID", ftInteger);
    cities->FieldDefs()->Add("CNAME", ftString, 10);
    cities->AddRow({1, "Oslo"});
    cities->AddRow({2, "Riga"});
    id->SetFieldName("ID");
    age->SetFieldName("AGE");
    city->SetFieldName("CITY");
    doubled->SetFieldName("DOUBLED");
    doubled->SetFieldKind(fkCalculated);
    cityName->SetFieldName("CITYNAME");
    cityName->SetSize(10);
    cityName->SetFieldKind(fkLookup);
    cityName->SetLookupDataSet(cities);
    cityName->SetKeyFields("CITY");
    cityName->SetLookupKeyFields("CID");
    cityName->SetLookupResultField("CNAME");
    for (TField* f : std::vector<TField*>{id, age, city, doubled, cityName}) f->SetDataSet(people);
    people->OnCalcFields = [this](TDataSet*) {
      ++calcs;
      if (!age->IsNull()) doubled->SetAsInteger(age->AsInteger() * 2);
    };
    people->AddRow({1, 30, 2});
    people->AddRow({2, Null(), 9});
    cities->Open();
    people->Open();
  }
};

}  // namespace

TEST(CalculatedFields, AreComputedForEveryRecordRead) {
  Persons t;
  EXPECT_FALSE(t.people->DefaultFields());
  EXPECT_EQ(t.people->CalcFieldsSize(), t.doubled->DataSize() + 1 + t.cityName->DataSize() + 1);
  EXPECT_EQ(t.doubled->AsInteger(), 60);
  EXPECT_EQ(t.doubled->FieldNo(), -1);
  t.people->Next();
  EXPECT_TRUE(t.doubled->IsNull());
}

TEST(CalculatedFields, FollowEditsWhileAutoCalcFieldsIsOn) {
  Persons t;
  t.people->Edit();
  t.age->SetAsInteger(5);
  EXPECT_EQ(t.doubled->AsInteger(), 10);
  t.people->SetAutoCalcFields(false);
  t.age->SetAsInteger(6);
  EXPECT_EQ(t.doubled->AsInteger(), 10);
  t.people->Post();
  EXPECT_EQ(t.doubled->AsInteger(), 12);  // read again after the post
}

TEST(CalculatedFields, CalcFieldsRecomputesOnRequest) {
  Persons t;
  int factor = 2;
  t.people->OnCalcFields = [&](TDataSet*) { t.doubled->SetAsInteger(t.age->AsInteger() * factor); };
  factor = 3;
  EXPECT_EQ(t.doubled->AsInteger(), 60);
  t.people->CalcFields();
  EXPECT_EQ(t.doubled->AsInteger(), 90);
}

TEST(CalculatedFields, CannotBeWrittenOutsideTheCalculation) {
  Persons t;
  t.people->Edit();
  EXPECT_FALSE(t.doubled->CanModify());
  EXPECT_TRUE(t.age->CanModify());
}

TEST(LookupFields, ShowTheResultFieldOfTheMatchingRecord) {
  Persons t;
  EXPECT_EQ(t.cityName->AsString(), "Riga");
  t.people->Next();
  EXPECT_TRUE(t.cityName->IsNull());  // no city 9
  t.people->Edit();
  t.city->SetAsInteger(1);
  EXPECT_EQ(t.cityName->AsString(), "Oslo");
  EXPECT_EQ(t.cities->FieldByName("CID")->AsInteger(),
            1);  // the lookup did not move the other dataset
}

TEST(LookupFields, IncompleteSettingsAreRefusedAtOpen) {
  Persons t;
  t.people->Close();
  t.cityName->SetLookupResultField("");
  EXPECT_THROW(t.people->Open(), EDatabaseError);
  EXPECT_FALSE(t.people->Active());
}

TEST(Locate, FindsByOneOrSeveralFieldsAndKeepsTheRecordWhenNotFound) {
  auto ds = MakePeople(5);
  ds->Open();
  std::vector<String> log;
  ds->BeforeScroll = [&](TDataSet*) { log.push_back("before"); };
  ds->AfterScroll = [&](TDataSet*) { log.push_back("after"); };
  EXPECT_TRUE(ds->Locate("NAME", Variant("n4"), {}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
  EXPECT_EQ(log, (std::vector<String>{"before", "after"}));
  EXPECT_TRUE(ds->Locate("ID;AGE", VarArrayOf({2, 20}), {}));
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_FALSE(ds->Locate("ID;AGE", VarArrayOf({2, 30}), {}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  ds->Next();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  EXPECT_THROW(ds->Locate("ID;AGE", Variant(2), {}), EDatabaseError);
  EXPECT_THROW(ds->Locate("NOPE", Variant(2), {}), EDatabaseError);
}

TEST(Locate, CaseInsensitiveAndPartialKeyApplyToText) {
  auto ds = MakePeople(12);
  ds->Open();
  EXPECT_FALSE(ds->Locate("NAME", Variant("N11"), {}));
  EXPECT_TRUE(ds->Locate("NAME", Variant("N11"), {loCaseInsensitive}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 11);
  EXPECT_TRUE(ds->Locate("NAME", Variant("n1"), {loPartialKey}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  EXPECT_TRUE(ds->Locate("NAME", Variant("n12"), {loPartialKey}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 12);
}

TEST(Locate, NullKeyFindsANullField) {
  auto ds = MakePeople(2);
  ds->AddRow({3, Null(), 30});
  ds->Open();
  EXPECT_TRUE(ds->Locate("NAME", Null(), {}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
}

TEST(Lookup, ReturnsValuesWithoutMoving) {
  auto ds = MakePeople(3);
  ds->Open();
  EXPECT_EQ(ds->Lookup("ID", Variant(3), "NAME").AsString(), "n3");
  const Variant both = ds->Lookup("NAME", Variant("n2"), "ID;AGE");
  EXPECT_EQ(both[0].AsInteger(), 2);
  EXPECT_EQ(both[1].AsInteger(), 20);
  EXPECT_TRUE(ds->Lookup("ID", Variant(7), "NAME").IsNull());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  ds->Next();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
}

TEST(Filtering, OnFilterRecordHidesRecordsAndFindUsesItEvenWhenOff) {
  auto ds = MakePeople(6);
  ds->SetOnFilterRecord(
      [](TDataSet* d, bool& accept) { accept = d->FieldByName("ID")->AsInteger() % 2 == 0; });
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 6);
  EXPECT_TRUE(ds->FindFirst());
  EXPECT_TRUE(ds->Found());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  EXPECT_TRUE(ds->FindNext());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
  EXPECT_TRUE(ds->FindLast());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 6);
  EXPECT_FALSE(ds->FindNext());
  EXPECT_FALSE(ds->Found());
  EXPECT_TRUE(ds->FindPrior());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
  ds->SetFiltered(true);
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(IdsFromHere(ds.get()), (std::vector<int>{2, 4, 6}));
}

TEST(Filtering, FilterPropertiesAreKeptForTheDataset) {
  auto ds = MakePeople(1);
  ds->SetFilter("[ID] = 1");
  ds->SetFilterOptions({foCaseInsensitive});
  EXPECT_EQ(ds->Filter(), "[ID] = 1");
  EXPECT_TRUE(ds->FilterOptions().Contains(foCaseInsensitive));
  EXPECT_FALSE(ds->Filtered());
}
