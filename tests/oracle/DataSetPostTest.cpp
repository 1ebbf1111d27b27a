// Posting and deleting records of the Oracle dataset through the stand-in:
// the generated statements, the identifying WHERE clause, the returned
// rowid, sequences and defaults, LOB values, OnApplyRecord, commit modes and
// the reporting of server errors.
#include <gtest/gtest.h>

#include "DataSetWriteTestSupport.h"
#include "platform/data/BlobFields.h"

namespace {

using namespace Oracle;

TEST_F(DataSetWriteWorld, InsertUpdateAndDeleteByRowidReachTheServer) {
  OpenRows();
  ASSERT_TRUE(data_set_->CanModify());
  data_set_->Append();
  Field("ID")->SetAsInteger(100);
  Field("NAME")->SetAsString("Added");
  std::size_t mark = LogSize();
  data_set_->Post();
  EXPECT_EQ(Only("insert", mark),
            std::vector<String>{"insert into ROWS\n (ID, NAME)\nvalues\n (:ID, :NAME)\n"
                                "returning rowid into :quelt__rowid"});
  // Committed: the other session sees it.
  EXPECT_EQ(NameSeen(100), "Added");
  // The returned rowid is the record's, so the row can be changed again.
  EXPECT_EQ(data_set_->CurrentRowId(), Seen("select rowid from rows where id = 100"));
  EXPECT_EQ(data_set_->RecordCount(), 6);
  mark = LogSize();
  SetName("Renamed");
  EXPECT_EQ(Only("update", mark),
            std::vector<String>{"update ROWS set\nNAME = :NAME\nwhere rowid = :quelt__rowid"});
  EXPECT_EQ(NameSeen(100), "Renamed");
  data_set_->First();
  data_set_->Delete();
  EXPECT_EQ(NameSeen(1), "<none>");
  EXPECT_EQ(data_set_->RecordCount(), 5);
  EXPECT_EQ(Id(), 2);
}

TEST_F(DataSetWriteWorld, TheServersCountFollowsPostedInsertsAndDeletes) {
  data_set_->SetCountAllRecords(true);
  OpenRowsOnDemand("select rowid, r.* from rows r order by id");
  EXPECT_EQ(data_set_->RecordCount(), kRows);
  data_set_->Insert();
  Field("ID")->SetAsInteger(1000);
  data_set_->Post();
  data_set_->Insert();
  Field("ID")->SetAsInteger(1001);
  data_set_->Post();
  data_set_->Delete();
  EXPECT_EQ(data_set_->RecordCount(), kRows + 1);
  data_set_->Refresh();
  EXPECT_EQ(data_set_->RecordCount(), kRows + 1);
}

TEST_F(DataSetWriteWorld, InsertGoesBeforeTheCurrentRecord) {
  OpenRows(3);
  data_set_->Next();
  data_set_->Insert();
  Field("ID")->SetAsInteger(50);
  data_set_->Post();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 50, 2, 3}));
}

TEST_F(DataSetWriteWorld, AnUnchangedRecordSendsNoStatementAndAnEmptyInsertNone) {
  Open("select rowid, name, grp from rows where id <= 3");
  const std::size_t mark = LogSize();
  data_set_->Edit();
  Field("NAME")->SetAsString(Field("NAME")->AsString());
  data_set_->Post();
  data_set_->Append();
  Field("NAME")->SetAsString("   ");
  Field("NAME")->Clear();
  data_set_->Post();
  EXPECT_TRUE(Only("update", mark).empty());
  EXPECT_TRUE(Only("insert", mark).empty());
}

TEST_F(DataSetWriteWorld, UniqueFieldsIdentifyTheRowAndFindTheInsertedRowid) {
  data_set_->SetUniqueFields("ID");
  OpenRows();
  std::size_t mark = LogSize();
  SetName("Keyed");
  EXPECT_EQ(Only("update", mark),
            std::vector<String>{"update ROWS set\nNAME = :NAME\nwhere ID = :quelt__key1"});
  EXPECT_EQ(NameSeen(1), "Keyed");
  data_set_->Append();
  Field("ID")->SetAsInteger(77);
  mark = LogSize();
  data_set_->Post();
  // No returning clause: the key finds the new row.
  EXPECT_EQ(Only("insert", mark), std::vector<String>{"insert into ROWS\n (ID)\nvalues\n (:ID)"});
  EXPECT_EQ(data_set_->CurrentRowId(), Seen("select rowid from rows where id = 77"));
}

TEST_F(DataSetWriteWorld, ANullKeyFieldIsTestedWithIsNullAndKeepsTheOthersNumber) {
  Fixture("update rows set name = null where id = 2;\n");
  data_set_->SetUniqueFields("NAME;ID");
  OpenRows();
  data_set_->Next();
  const std::size_t mark = LogSize();
  data_set_->Delete();
  EXPECT_EQ(Only("delete", mark),
            std::vector<String>{"delete from ROWS\nwhere NAME is null\nand ID = :quelt__key2"});
  EXPECT_EQ(Seen("select count(*) from rows where id = 2"), "0");
}

TEST_F(DataSetWriteWorld, ARenamedDuplicateColumnIsNeverWritten) {
  Open("select rowid, r.id, r.name, r.name from rows r where id <= 3 order by id");
  ASSERT_NE(data_set_->FindField("NAME_1"), nullptr);
  data_set_->Append();
  Field("ID")->SetAsInteger(90);
  Field("NAME")->SetAsString("Twice");
  Field("NAME_1")->SetAsString("Twice");
  data_set_->Post();
  EXPECT_EQ(NameSeen(90), "Twice");
  data_set_->Edit();
  Field("NAME_1")->SetAsString("Only the copy");
  data_set_->Post();
  EXPECT_EQ(NameSeen(90), "Twice");
}

TEST_F(DataSetWriteWorld, ServerSequenceAndDefaultExpressionsFillTheNewRow) {
  Fixture("create sequence rows_seq start with 500;\n");
  data_set_->SequenceField()->SetField("ID");
  data_set_->SequenceField()->SetSequence("rows_seq");
  data_set_->SequenceField()->SetApplyMoment(amOnServer);
  OpenRows(2);
  // ID is NOT NULL, and the server fills it.
  ASSERT_TRUE(Field("ID")->Required());
  Field("GRP")->SetDefaultExpression("40 + 2");
  data_set_->Append();
  Field("NAME")->SetAsString("Numbered");
  const std::size_t mark = LogSize();
  data_set_->Post();
  EXPECT_EQ(Only("insert", mark), std::vector<String>{"insert into ROWS\n (ID, NAME, GRP)\nvalues\n"
                                                      " (rows_seq.nextval, :NAME, 40 + 2)\n"
                                                      "returning rowid into :quelt__rowid"});
  // The refresh after the insert brings the server's values back.
  EXPECT_EQ(Field("ID")->AsInteger(), 500);
  EXPECT_EQ(Field("GRP")->AsInteger(), 42);
  EXPECT_EQ(Seen("select grp from rows where name = 'Numbered'"), "42");
}

TEST_F(DataSetWriteWorld, ASequenceAppliedAtPostFillsARequiredKey) {
  Fixture("create sequence rows_seq start with 700;\n");
  data_set_->SequenceField()->SetField("ID");
  data_set_->SequenceField()->SetSequence("rows_seq");
  data_set_->SequenceField()->SetApplyMoment(amOnPost);
  OpenRows(2);
  data_set_->Append();
  Field("NAME")->SetAsString("Drawn");
  data_set_->Post();
  EXPECT_EQ(Field("ID")->AsInteger(), 700);
  EXPECT_TRUE(Field("ID")->Required());
  EXPECT_EQ(NameSeen(700), "Drawn");
}

TEST_F(DataSetWriteWorld, OnApplyRecordReplacesTheStatements) {
  OpenRows(3);
  std::string actions;
  data_set_->OnApplyRecord = [&](TOracleDataSet*, char action, bool& applied, String& rowId) {
    actions += action;
    applied = true;
    if (action == 'I') rowId = "AAAAAAAAAAAAAAAAAAXYZ";
  };
  const std::size_t mark = LogSize();
  data_set_->Append();
  Field("ID")->SetAsInteger(9);
  data_set_->Post();
  EXPECT_EQ(data_set_->CurrentRowId(), "AAAAAAAAAAAAAAAAAA");
  data_set_->First();
  SetName("Handled");
  data_set_->Delete();
  // Editing checks, posting locks (which checks too), deleting locks.
  EXPECT_EQ(actions, "ICLULD");
  EXPECT_TRUE(Only("insert", mark).empty());
  EXPECT_TRUE(Only("update", mark).empty());
  EXPECT_TRUE(Only("delete", mark).empty());
  EXPECT_EQ(NameSeen(1), "Row 1");
}

TEST_F(DataSetWriteWorld, WithoutARowidAnUpdateIsRefusedUnlessHandled) {
  Open("select id, name from rows where id <= 2 order by id");
  EXPECT_FALSE(data_set_->CanModify());
  data_set_->OnApplyRecord = [](TOracleDataSet*, char, bool&, String&) {};
  data_set_->SetLockingMode(lmNone);
  ASSERT_TRUE(data_set_->CanModify());
  data_set_->Edit();
  Field("NAME")->SetAsString("No rowid");
  EXPECT_EQ(MessageOf([&] { data_set_->Post(); }),
            "An update cannot be performed without a rowid.\r\n"
            "Provide a rowid in the query or handle this action in the OnApplyRecord event");
  EXPECT_EQ(data_set_->State(), dsEdit);
  data_set_->Cancel();
  EXPECT_EQ(Field("NAME")->AsString(), "Row 1");
}

TEST_F(DataSetWriteWorld, CommitOnPostDecidesWhenOthersSeeTheChange) {
  data_set_->SetCommitOnPost(false);
  OpenRows();
  SetName("Pending");
  EXPECT_EQ(NameSeen(1), "Row 1");
  session_->Commit();
  EXPECT_EQ(NameSeen(1), "Pending");
}

TEST_F(DataSetWriteWorld, AServerRuleRefusingThePostKeepsTheEditAndTheList) {
  OpenRows();
  Rule("update ROWS set[\\s\\S]*",
       "error 20001 0 ORA-20001: Names are frozen\\nORA-06512: at line 3", true);
  data_set_->Edit();
  Field("NAME")->SetAsString("Thawed");
  try {
    data_set_->Post();
    FAIL() << "the post went through";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "ORA-20001: Names are frozen");
  }
  EXPECT_EQ(data_set_->State(), dsEdit);
  data_set_->Cancel();
  EXPECT_EQ(Field("NAME")->AsString(), "Row 1");
  EXPECT_EQ(NameSeen(1), "Row 1");
}

TEST_F(DataSetWriteWorld, AFailedInsertLeavesTheRecordListAlone) {
  OpenRows(3);
  Rule("insert into ROWS[\\s\\S]*",
       "error 1 0 ORA-00001: unique constraint (SCOTT.ROWS_ID) violated", true);
  data_set_->Append();
  Field("ID")->SetAsInteger(2);
  EXPECT_THROW(data_set_->Post(), EDatabaseError);
  EXPECT_EQ(data_set_->State(), dsInsert);
  data_set_->Cancel();
  EXPECT_EQ(data_set_->RecordCount(), 3);
}

TEST_F(DataSetWriteWorld, ADeleteOfARowAnotherUserDeletedIsReported) {
  OpenRows();
  data_set_->SetLockingMode(lmNone);
  Other("delete from rows where id = 1");
  EXPECT_EQ(MessageOf([&] { data_set_->Delete(); }), "Record has been deleted by another user");
  EXPECT_EQ(data_set_->RecordCount(), 5);
}

TEST_F(DataSetLobWorld, LobValuesAreWrittenThroughTheReturnedLocators) {
  Open("select rowid, d.* from docs d order by id");
  data_set_->Append();
  Field("ID")->SetAsInteger(2);
  Field("C")->SetAsString("line one\r\nline two");
  static_cast<TBlobField*>(Field("B"))->SetAsBytes(String("\0\1\2", 3));
  const std::size_t mark = LogSize();
  data_set_->Post();
  EXPECT_EQ(Only("insert", mark),
            std::vector<String>{"insert into DOCS\n (ID, C, B)\nvalues\n"
                                " (:ID, empty_clob(), empty_blob())\n"
                                "returning rowid, C, B into :quelt__rowid, :C, :B"});
  EXPECT_EQ(Stored("c", 2), "line one\nline two");
  EXPECT_EQ(Stored("b", 2), String("\0\1\2", 3));
  // An update writes only the changed LOB.
  data_set_->First();
  data_set_->Edit();
  Field("C")->SetAsString("second text");
  data_set_->Post();
  EXPECT_EQ(Stored("c", 1), "second text");
  EXPECT_EQ(Stored("b", 1), "<null>");
  EXPECT_EQ(Field("C")->AsString(), "second text");
  // The BLOB written by the insert is not written again, empty, by a later
  // edit of the same record that leaves it alone.
  data_set_->Last();
  data_set_->Edit();
  Field("C")->SetAsString("third text");
  data_set_->Post();
  EXPECT_EQ(Stored("c", 2), "third text");
  EXPECT_EQ(Stored("b", 2), String("\0\1\2", 3));
}

}  // namespace
