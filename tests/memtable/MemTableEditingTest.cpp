// tests/memtable/MemTableEditingTest.cpp
//
// Appending, inserting, editing, cancelling, posting and deleting through
// the dataset model, with the events and update statuses that go with them.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "platform/data/DataSource.h"

namespace {

class MemTableEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    table = NewPeopleTable();
    table->Open();
  }
  void Add(Integer id, const String& name) {
    table->Append();
    table->FieldByName("Id")->SetAsInteger(id);
    table->FieldByName("Name")->SetAsString(name);
    table->Post();
  }
  std::unique_ptr<TvomMemTable> table;
};

}  // namespace

TEST_F(MemTableEditing, AppendAddsAtTheEndAndMakesTheRecordCurrent) {
  Add(1, "Ann");
  Add(2, "Bo");
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Bo");
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Bo"}));
}

TEST_F(MemTableEditing, InsertGoesBeforeTheCurrentRecord) {
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}, {3, "Cy"}});
  table->First();
  table->Next();
  table->Insert();
  table->FieldByName("Name")->SetAsString("New");
  table->Post();
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "New");
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "New", "Bo", "Cy"}));
}

TEST_F(MemTableEditing, InsertRecordPostsInOneStepBeforeTheCurrentRecord) {
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}});
  table->Last();
  table->InsertRecord({9, "Mid"});
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann", "Mid", "Bo"}));
}

TEST_F(MemTableEditing, EditChangesTheStoredRecordOnPost) {
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}});
  table->First();
  table->Edit();
  table->FieldByName("Name")->SetAsString("Anna");
  EXPECT_EQ(Column(*table, "Name"), Texts({"Anna", "Bo"}));  // First posts the edit
  table->First();
  table->Edit();
  table->FieldByName("Name")->SetAsString("Zed");
  table->Cancel();
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Anna");
}

TEST_F(MemTableEditing, CancelledInsertLeavesNothing) {
  AppendRows(*table, {{1, "Ann"}});
  table->Append();
  table->FieldByName("Name")->SetAsString("Gone");
  table->Cancel();
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann"}));
}

TEST_F(MemTableEditing, DeleteRemovesTheCurrentRecordAndMovesToTheNext) {
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}, {3, "Cy"}});
  table->First();
  table->Next();
  table->Delete();
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Cy");
  table->Last();
  table->Delete();
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Ann");
  EXPECT_EQ(table->RecordCount(), 1);
}

TEST_F(MemTableEditing, EventsFireAroundTheSteps) {
  std::vector<String> heard;
  auto note = [&](const char* what) {
    return [&heard, what](TDataSet*) { heard.push_back(what); };
  };
  table->BeforeInsert = note("BeforeInsert");
  table->OnNewRecord = note("OnNewRecord");
  table->BeforePost = note("BeforePost");
  table->AfterPost = note("AfterPost");
  table->BeforeDelete = note("BeforeDelete");
  table->AfterDelete = note("AfterDelete");
  Add(1, "Ann");
  table->Delete();
  EXPECT_EQ(heard, Texts({"BeforeInsert", "OnNewRecord", "BeforePost", "AfterPost", "BeforeDelete",
                          "AfterDelete"}));
}

TEST_F(MemTableEditing, UpdateStatusFollowsVersioning) {
  AppendRows(*table, {{1, "Ann"}});
  EXPECT_EQ(table->UpdateStatus(), usUnmodified);
  table->SetEnableVersioning(true);
  AppendRows(*table, {{2, "Bo"}});
  EXPECT_EQ(table->UpdateStatus(), usInserted);
  table->First();
  table->Edit();
  table->FieldByName("Name")->SetAsString("Anna");
  table->Post();
  EXPECT_EQ(table->UpdateStatus(), usModified);
}

TEST_F(MemTableEditing, WritingOutsideEditingIsRefused) {
  AppendRows(*table, {{1, "Ann"}});
  try {
    table->FieldByName("Name")->SetAsString("X");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("Dataset is not in edit mode."), String::npos);
  }
}

TEST_F(MemTableEditing, ReadOnlyTableOrFieldRefusesWrites) {
  AppendRows(*table, {{1, "Ann"}});
  table->FieldByName("Name")->SetReadOnly(true);
  table->Edit();
  try {
    table->FieldByName("Name")->SetAsString("X");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("Field Name is read only"), String::npos);
  }
  // Loaders may write anyway.
  table->SetIgnoreReadOnly(true);
  table->FieldByName("Name")->SetAsString("X");
  table->Post();
  table->SetIgnoreReadOnly(false);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "X");
  table->SetReadOnly(true);
  EXPECT_THROW(table->Edit(), EDatabaseError);
}

TEST_F(MemTableEditing, DuplicateInUniqueIndexIsRefusedBeforeAnythingIsStored) {
  table->AddIndex("ById", "Id", {ixUnique});
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}});
  EXPECT_THROW(AppendRows(*table, {{1, "Again"}}), EMemTableDupKey);
  EXPECT_EQ(table->RecordCount(), 2);
  table->First();
  table->Edit();
  table->FieldByName("Id")->SetAsInteger(2);
  EXPECT_THROW(table->Post(), EMemTableDupKey);
  table->Cancel();
  EXPECT_EQ(Column(*table, "Id"), Texts({"1", "2"}));
}

TEST_F(MemTableEditing, PostOfARecordDeletedThroughAnotherTableIsRefused) {
  TvomMemTable other(nullptr);
  AttachAndOpen(*table, other);
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}});
  table->First();
  table->Edit();
  table->FieldByName("Name")->SetAsString("Changed");
  other.First();
  other.Delete();
  EXPECT_THROW(table->Post(), EMemTableInvalidRecord);
  table->Cancel();
  EXPECT_EQ(Column(*table, "Name"), Texts({"Bo"}));
}

TEST_F(MemTableEditing, EditPostsToItsOwnRecordAfterAnotherTableShiftedPositions) {
  TvomMemTable other(nullptr);
  AttachAndOpen(*table, other, true);
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}, {3, "Cy"}});
  table->Last();  // Cy, at position 2
  table->Edit();
  table->FieldByName("Name")->SetAsString("Cyd");
  other.First();
  other.Delete();  // Ann goes: Cy moves to position 1
  table->Post();
  EXPECT_EQ(Column(*table, "Name"), Texts({"Bo", "Cyd"}));
  table->Last();
  table->Delete();
  EXPECT_EQ(Column(other, "Name"), Texts({"Bo"}));
}

TEST_F(MemTableEditing, LongStringsKeptOutsideTheRecordSurviveEditsAndCancels) {
  TvomMemTable people(nullptr);
  people.FieldDefs()->Add("Note", ftString, 200);
  people.SetPerformance(mtpfSmall);
  people.Open();
  AppendRows(people, {{"first note"}, {"second"}});
  people.First();
  people.Edit();
  people.FieldByName("Note")->SetAsString("edited");
  people.Cancel();
  EXPECT_EQ(Column(people, "Note"), Texts({"first note", "second"}));
  people.First();
  people.Edit();
  people.FieldByName("Note")->Clear();
  people.Post();
  EXPECT_EQ(Column(people, "Note"), Texts({"<null>", "second"}));
}

TEST_F(MemTableEditing, CompressionHooksSeeCompressedFields) {
  TvomMemTable notes(nullptr);
  notes.FieldDefs()->Add("Note", ftString, 100);
  notes.SetPerformance(mtpfSmall);
  Integer compressed = 0, expanded = 0;
  // Stores the text reversed: what is read back must be the original.
  notes.OnCompressField = [&](TDataSet*, TField*, const Byte* data, Integer& size,
                              std::vector<Byte>& out) {
    ++compressed;
    const Integer n = static_cast<Integer>(std::strlen(reinterpret_cast<const char*>(data)));
    out.assign(data, data + n);
    std::reverse(out.begin(), out.end());
    size = n;
  };
  notes.OnDecompressField = [&](TDataSet*, TField*, const Byte* data, Integer& size,
                                std::vector<Byte>& out) {
    ++expanded;
    out.assign(data, data + size);
    std::reverse(out.begin(), out.end());
    out.push_back(0);
    size = static_cast<Integer>(out.size());
  };
  notes.Open();
  AppendRows(notes, {{"abc"}});
  EXPECT_EQ(Column(notes, "Note"), Texts({"abc"}));
  EXPECT_EQ(compressed, 1);
  EXPECT_GE(expanded, 1);
}

TEST_F(MemTableEditing, AutoIncrementNumbersNewRecordsAndFollowsLoadedValues) {
  TvomMemTable numbered(nullptr);
  numbered.FieldDefs()->Add("No", ftAutoInc);
  numbered.FieldDefs()->Add("Name", ftString, 10);
  numbered.SetAutoIncMinValue(10);
  numbered.Open();
  numbered.Append();
  EXPECT_EQ(numbered.FieldByName("No")->AsInteger(), 10);
  numbered.Cancel();  // a cancelled number is given again
  AppendRows(numbered, {{Variant(), "a"}, {Variant(), "b"}});
  EXPECT_EQ(Column(numbered, "No"), Texts({"10", "11"}));
  // A value written into the field raises the counter past it.
  numbered.Append();
  numbered.FieldByName("No")->SetAsInteger(50);
  numbered.Post();
  AppendRows(numbered, {{Variant(), "c"}});
  EXPECT_EQ(Column(numbered, "No"), Texts({"10", "11", "50", "51"}));
}

TEST_F(MemTableEditing, NewRecordTakesDefaultExpressions) {
  table->Close();
  table->CreateTable();
  table->FieldByName("Name")->SetDefaultExpression("unnamed");
  table->Open();
  table->Append();
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "unnamed");
  table->Cancel();
}

TEST_F(MemTableEditing, NewDetailRecordTakesTheMastersValues) {
  auto master = NewPeopleTable();
  master->Open();
  AppendRows(*master, {{7, "Ann"}});
  TDataSource source(nullptr);
  source.SetDataSet(master.get());

  TvomMemTable detail(nullptr);
  detail.FieldDefs()->Add("Owner", ftInteger);
  detail.FieldDefs()->Add("Item", ftString, 10);
  detail.SetDetailFields("Owner");
  detail.SetMasterFields("Id");
  detail.SetMasterSource(&source);
  detail.Open();
  detail.Append();
  EXPECT_EQ(detail.FieldByName("Owner")->AsInteger(), 7);
  detail.FieldByName("Item")->SetAsString("pen");
  detail.Post();

  TDataSource own(nullptr);
  own.SetDataSet(&detail);
  try {
    master->SetMasterSource(&own);
    FAIL() << "a circle of masters was accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("Selfreferencing master/detail relations not allowed."),
              String::npos);
  }
}
