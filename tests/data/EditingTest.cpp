// tests/data/EditingTest.cpp
#include <gtest/gtest.h>

#include "tests/data/TestTables.h"

namespace {

// Writes down every before/after event and every state change of `ds`.
struct EventLog {
  std::vector<String> entries;
  TDataSource source{nullptr};

  explicit EventLog(TDataSet* ds) {
    auto add = [this](const char* name) {
      return [this, name](TDataSet*) { entries.push_back(name); };
    };
    ds->BeforeInsert = add("BeforeInsert");
    ds->AfterInsert = add("AfterInsert");
    ds->BeforeEdit = add("BeforeEdit");
    ds->AfterEdit = add("AfterEdit");
    ds->BeforePost = add("BeforePost");
    ds->AfterPost = add("AfterPost");
    ds->BeforeCancel = add("BeforeCancel");
    ds->AfterCancel = add("AfterCancel");
    ds->BeforeDelete = add("BeforeDelete");
    ds->AfterDelete = add("AfterDelete");
    ds->BeforeScroll = add("BeforeScroll");
    ds->AfterScroll = add("AfterScroll");
    ds->OnNewRecord = add("OnNewRecord");
    source.SetDataSet(ds);
    source.OnStateChange = [this](TObject*) {
      static const char* const names[] = {"inactive", "browse", "edit",   "insert", "setkey",
                                          "calc",     "filter", "new",    "old",    "cur",
                                          "block",    "icalc",  "opening"};
      entries.push_back(String("state ") + names[source.State()]);
    };
  }
};

}  // namespace

TEST(Editing, InsertFiresEventsInOrderAndStateChangeComesBeforeOnNewRecord) {
  auto ds = MakePeople(2);
  ds->Open();
  ds->Next();
  EventLog log(ds.get());
  ds->Insert();
  EXPECT_EQ(log.entries, (std::vector<String>{"BeforeInsert", "BeforeScroll", "state insert",
                                              "OnNewRecord", "AfterInsert", "AfterScroll"}));
  EXPECT_TRUE(ds->FieldByName("NAME")->IsNull());
  ds->FieldByName("ID")->SetAsInteger(7);
  log.entries.clear();
  ds->Post();
  EXPECT_EQ(log.entries, (std::vector<String>{"BeforePost", "state browse", "AfterPost"}));
  // The new record stands before the one that was current.
  ds->First();
  EXPECT_EQ(IdsFromHere(ds.get()), (std::vector<int>{1, 7, 2}));
}

TEST(Editing, AppendAddsAfterTheLastRecord) {
  auto ds = MakePeople(2);
  ds->Open();
  ds->Append();
  EXPECT_EQ(ds->State(), dsInsert);
  ds->FieldByName("ID")->SetAsInteger(9);
  ds->FieldByName("NAME")->SetAsString("new");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "new");
  ds->First();
  EXPECT_EQ(IdsFromHere(ds.get()), (std::vector<int>{1, 2, 9}));
}

TEST(Editing, InsertIntoEmptyDataset) {
  auto ds = MakePeople(0);
  ds->Open();
  ds->Insert();
  EXPECT_FALSE(ds->IsEmpty());
  ds->FieldByName("ID")->SetAsInteger(1);
  ds->Post();
  EXPECT_EQ(ds->RecordCount(), 1);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
}

TEST(Editing, EditAndPostStoreTheChange) {
  auto ds = MakePeople(3);
  ds->Open();
  ds->Next();
  EventLog log(ds.get());
  ds->Edit();
  EXPECT_EQ(log.entries, (std::vector<String>{"BeforeEdit", "state edit", "AfterEdit"}));
  EXPECT_FALSE(ds->Modified());
  ds->FieldByName("NAME")->SetAsString("changed");
  EXPECT_TRUE(ds->Modified());
  EXPECT_EQ(ds->FieldByName("NAME")->OldValue().AsString(), "n2");
  ds->Post();
  EXPECT_FALSE(ds->Modified());
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "changed");
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  ds->First();
  ds->Next();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "changed");
}

TEST(Editing, CancelDiscardsTheChangeAndAnInsert) {
  auto ds = MakePeople(3);
  ds->Open();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("lost");
  ds->Cancel();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "n1");
  ds->Next();
  ds->Insert();
  ds->Cancel();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(ds->PostCount(), 0);
}

TEST(Editing, PostRefusesANullRequiredFieldAndStaysInInsert) {
  auto ds = MakePeople(1);
  ds->Open();
  ds->Append();
  ds->FieldByName("NAME")->SetAsString("no id");
  try {
    ds->Post();
    FAIL() << "a null required field was posted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Поле 'ID' должно иметь значение");
  }
  EXPECT_EQ(ds->State(), dsInsert);
  ds->FieldByName("ID")->SetAsInteger(2);
  ds->Post();
  EXPECT_EQ(ds->RecordCount(), 2);
}

TEST(Editing, NavigationPostsAModifiedRecordAndCancelsAnUntouchedOne) {
  auto ds = MakePeople(3);
  ds->Open();
  ds->Edit();
  ds->FieldByName("AGE")->SetAsInteger(99);
  ds->Next();
  EXPECT_EQ(ds->PostCount(), 1);
  ds->Edit();
  ds->Next();
  EXPECT_EQ(ds->PostCount(), 1);
  EXPECT_GE(ds->CancelCount(), 1);
  ds->First();
  EXPECT_EQ(ds->FieldByName("AGE")->AsInteger(), 99);
}

TEST(Editing, WritingOutsideEditModeIsRefused) {
  auto ds = MakePeople(1);
  ds->Open();
  EXPECT_THROW(ds->FieldByName("NAME")->SetAsString("x"), EDatabaseError);
  EXPECT_THROW(ds->Post(), EDatabaseError);
}

TEST(Editing, ReadOnlyDatasetRefusesEditInsertAndDelete) {
  auto ds = MakePeople(1);
  ds->SetReadOnlyData(true);
  ds->Open();
  EXPECT_FALSE(ds->CanModify());
  EXPECT_THROW(ds->Edit(), EDatabaseError);
  EXPECT_THROW(ds->Insert(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST(Editing, DeleteMovesToTheNextRecordOrThePriorAtTheEnd) {
  auto ds = MakePeople(3);
  ds->Open();
  EventLog log(ds.get());
  ds->Next();
  log.entries.clear();
  ds->Delete();
  EXPECT_EQ(log.entries,
            (std::vector<String>{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  ds->Delete();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  ds->Delete();
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_THROW(ds->Delete(), EDatabaseError);
}

TEST(Editing, EditOnAnEmptyDatasetAppends) {
  auto ds = MakePeople(0);
  ds->Open();
  ds->Edit();
  EXPECT_EQ(ds->State(), dsInsert);
}

TEST(Editing, AnErrorInOnNewRecordLeavesTheDatasetBrowsing) {
  auto ds = MakePeople(2);
  ds->Open();
  ds->OnNewRecord = [](TDataSet*) { throw EDatabaseError("no"); };
  EXPECT_THROW(ds->Insert(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(ds->RecordCount(), 2);
}

TEST(Editing, PostErrorHandlerCanRetryAbortOrFail) {
  auto ds = MakePeople(1);
  ds->Open();
  int calls = 0;
  ds->OnPostError = [&](TDataSet* d, EDatabaseError&, TDataAction& action) {
    ++calls;
    d->FieldByName("ID")->SetAsInteger(5);  // repair the record, then retry
    action = daRetry;
  };
  ds->Append();
  ds->Post();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);

  ds->OnPostError = [](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
  ds->Append();
  EXPECT_THROW(ds->Post(), EAbort);
  EXPECT_EQ(ds->State(), dsInsert);
  ds->Cancel();
}

TEST(Editing, InsertRecordAndAppendRecordPostInOneStep) {
  auto ds = MakePeople(2);
  ds->Open();
  ds->OnNewRecord = [](TDataSet* d) { d->FieldByName("AGE")->SetAsInteger(1); };
  ds->AppendRecord({Variant(8), Variant("eight")});
  EXPECT_EQ(ds->State(), dsBrowse);
  ds->First();
  ds->InsertRecord({Variant(0), Null(), Variant(5)});
  ds->First();
  EXPECT_EQ(IdsFromHere(ds.get()), (std::vector<int>{0, 1, 2, 8}));
  ds->Last();
  EXPECT_EQ(ds->FieldByName("AGE")->AsInteger(), 1);  // left by OnNewRecord
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "eight");
  EXPECT_THROW(ds->AppendRecord({Null()}), EDatabaseError);  // required ID
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->RecordCount(), 4);
}

TEST(Editing, OnChangeAndOnValidateSeeTheNewValue) {
  auto ds = MakePeople(1);
  ds->Open();
  TField* age = ds->FieldByName("AGE");
  std::vector<String> seen;
  age->OnValidate = [&](TField* f) {
    seen.push_back("validate " + f->AsString());
    if (f->AsInteger() < 0) throw EDatabaseError("negative");
  };
  age->OnChange = [&](TField* f) { seen.push_back("change " + f->AsString()); };
  ds->Edit();
  age->SetAsInteger(42);
  EXPECT_THROW(age->SetAsInteger(-1), EDatabaseError);
  EXPECT_EQ(age->AsInteger(), 42);
  EXPECT_EQ(seen, (std::vector<String>{"validate 42", "change 42", "validate -1"}));
}
