// tests/memtable/MemTableAttachTest.cpp
//
// Tables attached to another table share its records through indexes and
// cursors of their own.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "platform/data/DataSource.h"

TEST(MemTableAttach, SharesTheRecordsOfTheTableAttachedTo) {
  auto owner = NewPeopleTable();
  TvomMemTable view(nullptr);
  view.SetAttachedTo(owner.get());
  view.Open();  // opens the owner first
  EXPECT_TRUE(owner->Active());
  AppendRows(*owner, {{1, "Ann"}, {2, "Bo"}});
  AppendRows(view, {{3, "Cy"}});
  EXPECT_EQ(Column(*owner, "Name"), Texts({"Ann", "Bo", "Cy"}));
  EXPECT_EQ(Column(view, "Name"), Texts({"Ann", "Bo", "Cy"}));
  // Each has its own order.
  view.AddIndex("ByNameDesc", "Name:D", {});
  view.SetIndexName("ByNameDesc");
  EXPECT_EQ(Column(view, "Name"), Texts({"Cy", "Bo", "Ann"}));
  EXPECT_EQ(Column(*owner, "Name"), Texts({"Ann", "Bo", "Cy"}));
}

TEST(MemTableAttach, ClosingTheOwnerEmptiesTheStoreAndClosesTheAttached) {
  auto owner = NewPeopleTable();
  TvomMemTable view(nullptr);
  view.SetAttachedTo(owner.get());
  view.Open();
  AppendRows(view, {{1, "Ann"}});
  owner->Close();
  EXPECT_FALSE(view.Active());
  view.Open();
  EXPECT_EQ(view.RecordCount(), 0);
}

TEST(MemTableAttach, ChangesRefreshTheOtherTables) {
  auto owner = NewPeopleTable();
  TvomMemTable view(nullptr);
  view.SetAttachedTo(owner.get());
  view.Open();
  AppendRows(*owner, {{1, "Ann"}, {2, "Bo"}});
  view.First();
  owner->First();
  owner->Delete();
  // The view was refreshed: its current record is one that exists.
  EXPECT_EQ(view.FieldByName("Name")->AsString(), "Bo");
  EXPECT_EQ(view.RecordCount(), 1);
}

TEST(MemTableAttach, RefusesItselfAndChains) {
  auto owner = NewPeopleTable();
  try {
    owner->SetAttachedTo(owner.get());
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Cant attach memorytable to it self.");
  }
  TvomMemTable view(nullptr), second(nullptr);
  view.SetAttachedTo(owner.get());
  try {
    second.SetAttachedTo(&view);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Cant attach to another table which itself is an attachment.");
  }
}

TEST(MemTableAttach, DetachingGivesAStoreOfItsOwn) {
  auto owner = NewPeopleTable();
  TvomMemTable view(nullptr);
  view.SetAttachedTo(owner.get());
  view.Open();
  AppendRows(*owner, {{1, "Ann"}});
  view.SetAttachedTo(nullptr);
  EXPECT_FALSE(view.Active());
  EXPECT_NE(&view.Store(), &owner->Store());
  EXPECT_EQ(owner->RecordCount(), 1);
  view.Open();  // the fields stay as the owner's were
  EXPECT_EQ(view.RecordCount(), 0);
  AppendRows(view, {{5, "Own"}});
  EXPECT_EQ(owner->RecordCount(), 1);
}

TEST(MemTableAttach, OutlivesTheTableAttachedTo) {
  auto owner = NewPeopleTable();
  TvomMemTable view(nullptr);
  view.SetAttachedTo(owner.get());
  view.Open();
  AppendRows(view, {{1, "Ann"}});
  owner.reset();
  EXPECT_FALSE(view.Active());
  EXPECT_EQ(view.AttachedTo(), nullptr);
  view.Open();
  EXPECT_EQ(view.RecordCount(), 0);
}

TEST(MemTableAttach, MoreTablesNeedTheStoreClosed) {
  auto owner = NewPeopleTable();
  TvomMemTable first(nullptr), second(nullptr);
  first.SetAttachedTo(owner.get());
  owner->Open();
  EXPECT_THROW(second.SetAttachedTo(owner.get()), EMemTableError);
  EXPECT_EQ(second.AttachedTo(), nullptr);
  owner->Close();
  second.SetAttachedTo(owner.get());
  EXPECT_EQ(owner->AttachMaxCount(), 3);
  second.Open();
  AppendRows(second, {{1, "Ann"}});
  first.Open();
  EXPECT_EQ(Column(first, "Name"), Texts({"Ann"}));
}

TEST(MemTableAttach, LockKeepsControlsQuietButEditsCount) {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}});
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  int changes = 0;
  source.OnDataChange = [&](TObject*, TField*) { ++changes; };
  table->Lock();
  table->First();
  table->Next();
  EXPECT_EQ(changes, 0);
  table->Edit();
  table->FieldByName("Name")->SetAsString("Anna");
  EXPECT_TRUE(table->Modified());
  table->Post();
  table->Unlock();
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Anna"}));
  EXPECT_GT(changes, 0);
}

// An attached table may declare a text field longer than the definition the
// records were laid out from: its values are cut to the stored size, and
// nothing reads or writes past it into the next field.
TEST(MemTableAttach, ALongerTextFieldStaysWithinTheStoredValue) {
  auto owner = std::make_unique<TvomMemTable>(nullptr);
  owner->FieldDefs()->Add("Code", ftString, 4);
  owner->FieldDefs()->Add("Name", ftString, 8);
  TvomMemTable view(nullptr);
  TField* code = NewField(ftString, &view).release();
  code->SetFieldName("Code");
  code->SetSize(12);
  code->SetDataSet(&view);
  TField* name = NewField(ftString, &view).release();
  name->SetFieldName("Name");
  name->SetSize(8);
  name->SetDataSet(&view);
  view.SetAttachedTo(owner.get());
  view.Open();
  AppendRows(*owner, {{"abcd", "AAAA"}});
  view.First();
  EXPECT_EQ(view.FieldByName("Code")->AsString(), "abcd");
  view.Edit();
  view.FieldByName("Code")->SetAsString("wxyz\xC3\xA9-long");
  view.Post();
  owner->First();
  EXPECT_EQ(owner->FieldByName("Code")->AsString(), "wxyz");
  EXPECT_EQ(owner->FieldByName("Name")->AsString(), "AAAA");
  EXPECT_EQ(view.FieldByName("Code")->AsString(), "wxyz");
  EXPECT_TRUE(view.Locate("Code", Variant("WXYZ"), {loCaseInsensitive}));
}
