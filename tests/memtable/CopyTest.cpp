// tests/memtable/CopyTest.cpp
//
// Copying records and structure between datasets: LoadFromDataSet with each
// copy option, SaveToDataSet, UpdateToDataSet, limits and events.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "platform/data/NumericFields.h"

namespace {

// Id, Name and a Note that the people table does not have.
std::unique_ptr<TvomMemTable> Source(Integer rows) {
  auto table = NewPeopleTable();
  table->FieldDefs()->Add("Note", ftString, 10);
  table->Open();
  for (Integer i = 1; i <= rows; ++i) table->AppendRecord({i, "N" + std::to_string(i), "note"});
  return table;
}

std::unique_ptr<TvomMemTable> OpenPeople(std::initializer_list<std::vector<Variant>> rows = {}) {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, rows);
  return table;
}

}  // namespace

TEST(MemTableCopy, StructureTakesFieldsAndRows) {
  auto source = Source(3);
  TvomMemTable target(nullptr);
  target.LoadFromDataSet(source.get(), coStructure);
  ASSERT_TRUE(target.Active());
  ASSERT_EQ(target.FieldCount(), 3);
  EXPECT_EQ(target.Fields(2)->FieldName(), "Note");
  EXPECT_EQ(Column(target, "Name"), Texts({"N1", "N2", "N3"}));
  EXPECT_EQ(target.LoadCount(), 3);
  EXPECT_TRUE(target.LoadedCompletely());
}

TEST(MemTableCopy, WithoutOptionsReplacesRowsMatchingFieldsByName) {
  auto source = Source(2);
  auto target = OpenPeople({{9, "old"}});
  target->LoadFromDataSet(source.get(), coNone);
  EXPECT_EQ(target->FieldCount(), 2);
  EXPECT_EQ(Column(*target, "Id"), Texts({"1", "2"}));
}

TEST(MemTableCopy, AppendKeepsExistingRows) {
  auto source = Source(2);
  auto target = OpenPeople({{9, "old"}});
  target->LoadFromDataSet(source.get(), coAppend);
  EXPECT_EQ(Column(*target, "Name"), Texts({"old", "N1", "N2"}));
}

TEST(MemTableCopy, AppendWithStructureIsRefused) {
  auto source = Source(1);
  auto target = OpenPeople({{9, "old"}});
  try {
    target->LoadFromDataSet(source.get(), coAppend | coStructure);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Cannot both append and copy structure.");
  }
  EXPECT_THROW(target->LoadFromDataSet(source.get(), coAppend | coFieldProperties), EMemTableError);
  EXPECT_EQ(Column(*target, "Name"), Texts({"old"}));
}

TEST(MemTableCopy, FromItselfDoesNothing) {
  auto target = OpenPeople({{1, "a"}});
  target->LoadFromDataSet(target.get(), coNone);
  EXPECT_EQ(Column(*target, "Name"), Texts({"a"}));
}

TEST(MemTableCopy, LoadLimitStopsAndTellsWhetherTheSourceHadMore) {
  auto source = Source(12);
  auto target = OpenPeople();
  target->SetLoadLimit(10);
  target->LoadFromDataSet(source.get(), coNone);
  EXPECT_EQ(target->RecordCount(), 10);
  EXPECT_EQ(target->LoadCount(), 10);
  EXPECT_FALSE(target->LoadedCompletely());
}

TEST(MemTableCopy, ExactLoadLimitStillReadsAsComplete) {
  auto source = Source(10);
  auto target = OpenPeople();
  target->SetLoadLimit(10);
  target->LoadFromDataSet(source.get(), coNone);
  EXPECT_EQ(target->RecordCount(), 10);
  EXPECT_TRUE(target->LoadedCompletely());
}

TEST(MemTableCopy, OnLoadRecordRefusesAndOnLoadFieldSeesEveryField) {
  auto source = Source(4);
  auto target = OpenPeople();
  int fields = 0;
  target->OnLoadField = [&](TDataSet*, Integer, TField*) { ++fields; };
  target->OnLoadRecord = [](TDataSet* d, bool& accept) {
    accept = d->FieldByName("Id")->AsInteger() % 2 == 0;
  };
  target->LoadFromDataSet(source.get(), coNone);
  EXPECT_EQ(Column(*target, "Id"), Texts({"2", "4"}));
  EXPECT_EQ(fields, 8);
  EXPECT_EQ(target->LoadCount(), 2);
}

TEST(MemTableCopy, AutoIncrementValuesOnlyIntoAnEmptyTable) {
  auto source = std::make_unique<TvomMemTable>(nullptr);
  source->FieldDefs()->Add("Key", ftAutoInc);
  source->FieldDefs()->Add("Name", ftString, 10);
  source->Open();
  source->AppendRecord({Variant(), "a"});
  source->AppendRecord({Variant(), "b"});
  source->Edit();
  source->FieldByName("Key")->SetAsInteger(50);
  source->Post();

  TvomMemTable empty(nullptr);
  empty.LoadFromDataSet(source.get(), coStructure);
  EXPECT_EQ(Column(empty, "Key"), Texts({"0", "50"}));

  empty.LoadFromDataSet(source.get(), coAppend);
  // Appended rows are numbered by the destination.
  EXPECT_EQ(Column(empty, "Key"), Texts({"0", "50", "51", "52"}));
}

TEST(MemTableCopy, OnlySourceFieldsAndStringsAsWide) {
  auto source = Source(1);
  source->FieldDefs()->Add("Ghost", ftInteger);  // a definition without a field
  TvomMemTable target(nullptr);
  target.LoadFromDataSet(source.get(), coStructure | coOnlySourceFields | coStringsAsWide);
  EXPECT_EQ(target.FindField("Ghost"), nullptr);
  EXPECT_EQ(target.FieldByName("Name")->DataType(), ftWideString);
  EXPECT_EQ(Column(target, "Name"), Texts({"N1"}));
}

TEST(MemTableCopy, FieldPropertiesAreCopiedByName) {
  auto source = Source(1);
  source->FieldByName("Name")->SetDisplayLabel("Full name");
  source->FieldByName("Name")->SetVisible(false);
  static_cast<TIntegerField*>(source->FieldByName("Id"))->SetMaxValue(99);
  TvomMemTable target(nullptr);
  int setups = 0;
  target.OnSetupFieldProperties = [&](TDataSet*, TField*) { ++setups; };
  target.LoadFromDataSet(source.get(), coStructure | coFieldProperties);
  EXPECT_EQ(target.FieldByName("Name")->DisplayLabel(), "Full name");
  EXPECT_FALSE(target.FieldByName("Name")->Visible());
  EXPECT_EQ(static_cast<TIntegerField*>(target.FieldByName("Id"))->MaxValue(), 99);
  EXPECT_GE(setups, 3);
}

TEST(MemTableCopy, SourceKeepsItsPositionAndAnInactiveSourceIsClosedAgain) {
  auto source = Source(5);
  source->Locate("Id", 4, {});
  auto target = OpenPeople();
  target->LoadFromDataSet(source.get(), coNone);
  EXPECT_EQ(source->FieldByName("Id")->AsInteger(), 4);

  auto closed = NewPeopleTable();
  closed->SetPersistent(false);
  auto second = OpenPeople();
  second->LoadFromDataSet(closed.get(), coNone);
  EXPECT_FALSE(closed->Active());
  EXPECT_TRUE(second->IsEmpty());
}

TEST(MemTableCopy, RestoresFilteredAndIndexesAfterwards) {
  auto source = Source(3);
  auto target = OpenPeople();
  target->AddIndex("ByName", "Name:D", {});
  target->SetIndexName("ByName");
  target->SetOnFilterRecord(
      [](TDataSet* d, bool& accept) { accept = d->FieldByName("Id")->AsInteger() != 2; });
  target->SetFiltered(true);
  target->LoadFromDataSet(source.get(), coNone);
  EXPECT_TRUE(target->Filtered());
  EXPECT_TRUE(target->EnableIndexes());
  EXPECT_EQ(Column(*target, "Name"), Texts({"N3", "N1"}));
}

TEST(MemTableCopy, SaveToDataSetFillsTheDestination) {
  auto table = OpenPeople({{1, "a"}, {2, "b"}, {3, "c"}});
  auto destination = Source(0);
  int saved = 0;
  table->OnSaveField = [&](TDataSet*, Integer, TField*) { ++saved; };
  table->OnSaveRecord = [](TDataSet* d, bool& accept) {
    accept = d->FieldByName("Id")->AsInteger() != 2;
  };
  table->SaveToDataSet(destination.get(), coNone);
  EXPECT_EQ(Column(*destination, "Name"), Texts({"a", "c"}));
  EXPECT_EQ(Column(*destination, "Note"), Texts({"<null>", "<null>"}));
  EXPECT_EQ(table->SaveCount(), 2);
  EXPECT_EQ(saved, 4);
}

TEST(MemTableCopy, UpdateToDataSetEditsByKeyAndAppendsTheRest) {
  auto table = OpenPeople({{1, "one"}, {3, "three"}});
  auto destination = OpenPeople({{1, "uno"}, {2, "dos"}});
  table->UpdateToDataSetAll(destination.get(), "Id");
  EXPECT_EQ(Column(*destination, "Name"), Texts({"one", "dos", "three"}));
}

TEST(MemTableCopy, UpdateToDataSetFlagsChooseEditOrAppend) {
  auto table = OpenPeople({{1, "one"}, {3, "three"}});
  auto onlyEdit = OpenPeople({{1, "uno"}});
  table->UpdateToDataSet(onlyEdit.get(), "Id", 1);
  EXPECT_EQ(Column(*onlyEdit, "Name"), Texts({"one"}));
  auto onlyAppend = OpenPeople({{1, "uno"}});
  table->UpdateToDataSet(onlyAppend.get(), "Id", 2);
  EXPECT_EQ(Column(*onlyAppend, "Name"), Texts({"uno", "three"}));
}

TEST(MemTableCopy, ProgressIsReportedFromZeroToHundred) {
  auto source = Source(250);
  auto target = OpenPeople();
  std::vector<Integer> percentages;
  target->OnProgress = [&](TDataSet*, Integer p, TvomProgressCode code) {
    if (code == mtpcCopy) percentages.push_back(p);
  };
  target->LoadFromDataSet(source.get(), coNone);
  EXPECT_EQ(percentages, (std::vector<Integer>{0, 40, 80, 100}));
}
