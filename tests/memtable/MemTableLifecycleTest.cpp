// tests/memtable/MemTableLifecycleTest.cpp
//
// Defining, opening and closing a memory table; its defaults and settings.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/PropertyRegistry.h"

TEST(MemTableDefinition, OpensFromFieldDefinitions) {
  auto table = NewPeopleTable();
  table->Open();
  ASSERT_EQ(table->FieldCount(), 2);
  EXPECT_EQ(table->Fields(0)->FieldName(), "Id");
  EXPECT_EQ(table->Fields(1)->DataType(), ftString);
  EXPECT_EQ(table->Fields(1)->Size(), 20);
  EXPECT_TRUE(table->IsEmpty());
  EXPECT_EQ(table->RecordCount(), 0);
  EXPECT_EQ(table->RecNo(), -1);
}

TEST(MemTableDefinition, WithoutFieldsRefusesToOpen) {
  TvomMemTable table(nullptr);
  EXPECT_THROW(table.Open(), EMemTableError);
  EXPECT_FALSE(table.Active());
}

TEST(MemTableDefinition, CreateTableMakesFieldsFromDefinitions) {
  auto table = NewPeopleTable();
  table->CreateTable();
  ASSERT_EQ(table->FieldCount(), 2);
  table->Open();
  AppendRows(*table, {{1, "Ann"}});
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann"}));
  // Fields made by CreateTable outlive a close.
  table->Close();
  EXPECT_EQ(table->FieldCount(), 2);
}

TEST(MemTableDefinition, CreateTableTakesDefinitionsFromPersistentDataFields) {
  TvomMemTable table(nullptr);
  TField* id = NewField(ftInteger, &table).release();
  id->SetFieldName("Id");
  id->SetDataSet(&table);
  TField* name = NewField(ftString, &table).release();
  name->SetFieldName("Name");
  name->SetSize(12);
  name->SetDataSet(&table);
  table.CreateTable();
  ASSERT_EQ(table.FieldDefs()->Count(), 2);
  EXPECT_EQ(table.FieldDefs()->Items(1)->Name(), "Name");
  EXPECT_EQ(table.FieldDefs()->Items(1)->Size(), 12);
  table.Open();
  AppendRows(table, {{7, "Bo"}});
  EXPECT_EQ(Column(table, "Id"), Texts({"7"}));
}

TEST(MemTableDefinition, RefusesMoreThan256Definitions) {
  TvomMemTable table(nullptr);
  for (int i = 0; i < 257; ++i) table.FieldDefs()->Add("F" + std::to_string(i), ftInteger);
  try {
    table.CreateTable();
    FAIL() << "257 definitions accepted";
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Too many fielddefs. Please raise VOM_MAX_FIELDS value.");
  }
  table.FieldDefs()->Delete(256);
  EXPECT_NO_THROW(table.CreateTable());
}

TEST(MemTableLifecycle, CloseEmptiesAndReopenStartsAfresh) {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}});
  table->Close();
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->FieldCount(), 0);  // default fields go with the opening
  table->Open();
  EXPECT_EQ(table->RecordCount(), 0);
  AppendRows(*table, {{3, "Cy"}});
  EXPECT_EQ(Column(*table, "Name"), Texts({"Cy"}));
}

TEST(MemTableLifecycle, DesignActivationOffIgnoresActiveWhileLoading) {
  TComponent form(nullptr);
  BeginLoading(&form);
  auto* table = new TvomMemTable(&form);
  table->FieldDefs()->Add("Id", ftInteger);
  table->SetDesignActivation(false);
  table->SetActive(true);
  EndLoading(&form);
  EXPECT_FALSE(table->Active());
  table->SetActive(true);
  EXPECT_TRUE(table->Active());
}

TEST(MemTableProperties, Defaults) {
  TvomMemTable table(nullptr);
  EXPECT_EQ(table.Version(), "5.00 beta");
  table.SetVersion("1.0");
  EXPECT_EQ(table.Version(), "5.00 beta");
  EXPECT_EQ(table.ProgressFlags(), TvomProgressCodes({mtpcLoad, mtpcSave, mtpcCopy}));
  EXPECT_TRUE(table.DesignActivation());
  EXPECT_TRUE(table.AttachedAutoRefresh());
  EXPECT_EQ(table.AttachMaxCount(), 1);
  EXPECT_TRUE(table.EnableIndexes());
  EXPECT_TRUE(table.RecalcOnFetch());
  EXPECT_EQ(table.Performance(), mtpfFast);
  EXPECT_EQ(table.LoadLimit(), -1);
  EXPECT_EQ(table.VersioningMode(), mtvm1SinceCheckPoint);
  EXPECT_TRUE(table.RangeIgnoreNullKeyValues());
  EXPECT_EQ(table.LocaleID(), 1024);
}

TEST(MemTableProperties, ProgressReachesOnlyTheCodesInProgressFlags) {
  TvomMemTable table(nullptr);
  std::vector<TvomProgressCode> heard;
  table.OnProgress = [&](TDataSet*, Integer, TvomProgressCode code) { heard.push_back(code); };
  table.Progress(0, mtpcLoad);
  table.Progress(0, mtpcSort);
  table.SetProgressFlags({mtpcSort});
  table.Progress(0, mtpcLoad);
  table.Progress(100, mtpcSort);
  EXPECT_EQ(heard, (std::vector<TvomProgressCode>{mtpcLoad, mtpcSort}));
}

TEST(MemTableProperties, LocalePartsFollowEachOther) {
  TvomMemTable table(nullptr);
  table.SetLocaleID(0x00010407);
  EXPECT_EQ(table.SortID(), 1);
  EXPECT_EQ(table.LanguageID(), 0x07);
  EXPECT_EQ(table.SubLanguageID(), 1);
  table.SetSubLanguageID(2);
  EXPECT_EQ(table.LocaleID(), 0x00010807);
}

TEST(MemTableProperties, StandaloneOnlyWhileClosedAndNotAttached) {
  auto owner = NewPeopleTable();
  TvomMemTable attached(nullptr);
  attached.SetAttachedTo(owner.get());
  try {
    attached.SetStandalone(true);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Table is attached to another table.");
  }
  auto table = NewPeopleTable();
  table->Open();
  EXPECT_THROW(table->SetStandalone(true), EMemTableError);
  table->Close();
  table->SetStandalone(true);
  table->Open();
  AppendRows(*table, {{1, "Ann"}});
  EXPECT_EQ(table->RecordCount(), 1);
}

TEST(MemTableProperties, PublishedForStoredDefinitions) {
  DeclareMemTableProperties();
  auto table = NewPeopleTable();
  EXPECT_EQ(GetOrdProp(table.get(), "AttachMaxCount"), 1);
  EXPECT_EQ(GetStrProp(table.get(), "Version"), "5.00 beta");
  SetOrdProp(table.get(), "LoadLimit", 10);
  EXPECT_EQ(table->LoadLimit(), 10);
  SetStrProp(table.get(), "IndexFieldNames", "Name");
  EXPECT_EQ(table->IndexFieldNames(), "Name");
  const TPropInfo* flags = GetPropInfo(table.get(), "ProgressFlags");
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(GetOrdProp(table.get(), flags), flags->Default);
  EXPECT_NE(GetClass("TvomMemTable"), nullptr);
}
