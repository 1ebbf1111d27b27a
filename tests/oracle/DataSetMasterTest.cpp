// Master/detail between Oracle datasets: the detail follows the master's
// record through its bind variables, only when the master really moved;
// the master's link fields are read-only while a detail shows rows; the
// link survives neither side's destruction.
#include <gtest/gtest.h>

#include "DataSetTestSupport.h"
#include "QueryTestSupport.h"
#include "platform/controls/Application.h"
#include "platform/data/DataMessages.h"
#include "platform/data/NumericFields.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/MessageBoxHook.h"
#include "platform/win/WindowSystem.h"
#include "tests/controls/DialogScript.h"

namespace {

using namespace Oracle;

class MasterDetail : public DataSetWorld {
 protected:
  void SetUp() override {
    DataSetWorld::SetUp();
    Fixture(
        "create table dept (deptno number(4) primary key, code char(10), dname varchar2(20));\n"
        "insert into dept values (10, 'AB', 'Accounting');\n"
        "insert into dept values (20, 'CD', 'Research');\n"
        "insert into dept values (30, 'EF', 'Sales');\n"
        "create table emp (empno number(6) primary key, deptno number(4), ename varchar2(20),\n"
        "  constraint emp_dept foreign key (deptno) references dept);\n"
        "insert into emp values (1, 10, 'Clark');\n"
        "insert into emp values (2, 10, 'King');\n"
        "insert into emp values (3, 20, 'Ford');\n");
    master_ = data_set_.get();
    master_->SQL()->SetText("select * from dept order by deptno");
    detail_ = std::make_unique<TOracleDataSet>(nullptr);
    detail_->SetSession(session_.get());
    detail_->SQL()->SetText("select * from emp where deptno = :deptno order by empno");
    detail_->DeclareVariable("deptno", otInteger);
    detail_->SetMasterFields("DEPTNO");
    detail_->SetMaster(master_);
  }
  void TearDown() override {
    detail_.reset();
    DataSetWorld::TearDown();
  }

  // The detail's employee names, in order, from its first record on.
  String Names() {
    String names;
    for (detail_->First(); !detail_->Eof(); detail_->Next())
      names += (names.empty() ? "" : ",") + detail_->FieldByName("ENAME")->AsString();
    return names;
  }
  // How many times the server ran the detail's query.
  int DetailQueries() {
    int count = 0;
    for (const String& text : StatementLog())
      if (text.find("from emp where deptno") != String::npos) ++count;
    return count;
  }
  TField* DeptNo() { return master_->FieldByName("DEPTNO"); }

  TOracleDataSet* master_ = nullptr;
  std::unique_ptr<TOracleDataSet> detail_;
};

TEST_F(MasterDetail, TheDetailShowsTheRowsOfTheMastersCurrentRecord) {
  master_->Open();
  detail_->Open();
  EXPECT_EQ(Names(), "Clark,King");
  master_->Next();
  EXPECT_EQ(Names(), "Ford");
  master_->Next();
  EXPECT_EQ(Names(), "");
  EXPECT_TRUE(detail_->IsEmpty());
  master_->First();
  EXPECT_EQ(Names(), "Clark,King");
}

TEST_F(MasterDetail, ADetailOpenedBeforeItsMasterFollowsOnceTheMasterOpens) {
  detail_->Open();
  EXPECT_TRUE(detail_->IsEmpty());
  master_->Open();
  EXPECT_EQ(Names(), "Clark,King");
}

TEST_F(MasterDetail, OnlyAMoveToAnotherMasterRecordRunsTheDetailQueryAgain) {
  master_->Open();
  detail_->Open();
  ASSERT_EQ(DetailQueries(), 1);
  master_->First();  // already there
  master_->Refresh();
  EXPECT_EQ(DetailQueries(), 2);  // a refreshed master has new records
  master_->First();
  master_->Locate("DEPTNO", 10, {});
  EXPECT_EQ(DetailQueries(), 2);
  master_->Next();
  EXPECT_EQ(DetailQueries(), 3);
  master_->Prior();
  EXPECT_EQ(DetailQueries(), 4);
  EXPECT_EQ(Names(), "Clark,King");
}

TEST_F(MasterDetail, ClosingTheMasterEmptiesTheDetailAndReopeningFollowsAgain) {
  master_->Open();
  detail_->Open();
  master_->Close();
  EXPECT_TRUE(detail_->Active());
  EXPECT_TRUE(detail_->IsEmpty());
  master_->Open();
  master_->Next();
  EXPECT_EQ(Names(), "Ford");
}

TEST_F(MasterDetail, DisabledControlsHoldTheDetailUntilAskedOtherwise) {
  master_->Open();
  detail_->Open();
  master_->DisableControls();
  master_->Next();
  EXPECT_EQ(Names(), "Clark,King");
  master_->SetRefreshDetailsWhileDisabled(true);
  master_->Next();
  EXPECT_EQ(Names(), "");
  master_->EnableControls();
}

TEST_F(MasterDetail, OneDetailNameTakesOnlyTheFirstMasterField) {
  detail_->SQL()->SetText("select * from emp where deptno = :dno order by empno");
  detail_->ClearVariables();
  detail_->DeclareVariable("dno", otInteger);
  // A second pair would set a variable the detail lacks, and fail.
  detail_->SetMasterFields("DEPTNO;DNAME");
  detail_->SetDetailFields(" DNO ; ");
  master_->Open();
  detail_->Open();
  EXPECT_EQ(Names(), "Clark,King");
  EXPECT_EQ(detail_->GetVariable("dno").AsInteger(), 10);
}

TEST_F(MasterDetail, ACharMasterColumnIsPassedPaddedToItsSize) {
  session_->Preferences()->SetTrimStringFields(true);
  detail_->SQL()->SetText("select * from emp where :code is not null");
  detail_->ClearVariables();
  detail_->DeclareVariable("code", otString);
  detail_->SetMasterFields("CODE");
  master_->Open();
  detail_->Open();
  EXPECT_EQ(master_->FieldByName("CODE")->AsString(), "AB");
  EXPECT_EQ(detail_->GetVariable("code").AsString(), "AB        ");
  // A VARCHAR2 column goes as it is.
  detail_->SetMasterFields("DNAME");
  detail_->SetDetailFields("CODE");
  detail_->Open();
  EXPECT_EQ(detail_->GetVariable("code").AsString(), "Accounting");
}

TEST_F(MasterDetail, ACircularChainIsRefusedAndChangesNothing) {
  TOracleDataSet third(nullptr);
  third.SetMaster(detail_.get());  // dept -> emp -> third
  EXPECT_EQ(MessageOf([&] { master_->SetMaster(&third); }),
            "Circular master/detail dependency not allowed");
  EXPECT_EQ(MessageOf([&] { master_->SetMaster(master_); }),
            "Circular master/detail dependency not allowed");
  EXPECT_EQ(master_->Master(), nullptr);
  EXPECT_EQ(master_->Details(), std::vector<TOracleDataSet*>{detail_.get()});
}

TEST_F(MasterDetail, ChangingTheLinkClosesTheDetailAndMovesItBetweenMasters) {
  master_->Open();
  detail_->Open();
  detail_->SetMasterFields("DEPTNO");
  EXPECT_FALSE(detail_->Active());
  detail_->Open();
  TOracleDataSet other(nullptr);
  detail_->SetMaster(&other);
  EXPECT_FALSE(detail_->Active());
  EXPECT_TRUE(master_->Details().empty());
  EXPECT_EQ(other.Details(), std::vector<TOracleDataSet*>{detail_.get()});
  detail_->SetMaster(nullptr);
  EXPECT_TRUE(other.Details().empty());
}

TEST_F(MasterDetail, NeitherSideOutlivesTheLink) {
  {
    TOracleDataSet grandchild(nullptr);
    grandchild.SetMaster(detail_.get());
    EXPECT_EQ(detail_->Details().size(), 1u);
  }
  EXPECT_TRUE(detail_->Details().empty());
  data_set_.reset();  // the master goes
  EXPECT_EQ(detail_->Master(), nullptr);
  EXPECT_EQ(detail_->GetDataSource(), nullptr);
}

TEST_F(MasterDetail, LinkFieldsAreReadOnlyWhileTheDetailShowsRows) {
  master_->Open();
  detail_->Open();
  EXPECT_TRUE(DeptNo()->ReadOnly());
  EXPECT_FALSE(master_->FieldByName("DNAME")->ReadOnly());
  master_->Last();  // Sales has nobody
  EXPECT_FALSE(DeptNo()->ReadOnly());
  master_->First();
  EXPECT_TRUE(DeptNo()->ReadOnly());
  detail_->Close();
  EXPECT_FALSE(DeptNo()->ReadOnly());
}

TEST_F(MasterDetail, AFieldReadOnlyOfItsOwnStaysSo) {
  master_->Open();
  master_->Close();
  // Persistent fields keep their settings from one open to the next.
  auto* deptno = new TSmallintField(master_);
  deptno->SetFieldName("DEPTNO");
  deptno->SetReadOnly(true);
  deptno->SetDataSet(master_);
  master_->Open();
  master_->Last();
  detail_->Open();
  EXPECT_TRUE(DeptNo()->ReadOnly());
}

TEST_F(MasterDetail, RecordsAreMatchedToTheMastersRecordByTheLinkValues) {
  detail_->SQL()->SetText("select * from emp where :deptno is not null order by empno");
  master_->Open();
  detail_->Open();
  ASSERT_EQ(detail_->RecordList()->Count(), 3);
  auto matches = [&] {
    String result;
    for (Integer i = 0; i < detail_->RecordList()->Count(); ++i)
      result += detail_->MasterRecordMatches(detail_->RecordList()->Records(i)) ? "y" : "n";
    return result;
  };
  EXPECT_EQ(matches(), "yyn");
  master_->Next();
  EXPECT_EQ(matches(), "nny");
}

TEST_F(MasterDetail, AMasterLinkFieldWithoutValueRefusesANewDetailRecord) {
  Fixture("insert into dept values (40, null, ' ');\n");
  detail_->SetMasterFields("DEPTNO;DNAME");
  detail_->SetDetailFields("DEPTNO");
  master_->Open();
  detail_->Open();
  EXPECT_NO_THROW(detail_->CheckMasterValues());
  master_->Last();
  EXPECT_EQ(MessageOf([&] { detail_->CheckMasterValues(); }),
            Format(MsgFieldRequired, String("DNAME")));
}

class EditableMasterDetail : public MasterDetail {
 protected:
  void SetUp() override {
    MasterDetail::SetUp();
    master_->SQL()->SetText("select rowid, d.* from dept d order by deptno");
    detail_->SQL()->SetText("select rowid, e.* from emp e where deptno = :deptno order by empno");
    detail_->SetDetailFields(" DEPTNO ");  // names are trimmed
  }
  void InsertEmployee(int empno, const char* name) {
    detail_->Insert();
    detail_->FieldByName("EMPNO")->SetAsInteger(empno);
    detail_->FieldByName("ENAME")->SetAsString(name);
  }
  String DeptOf(int empno) {
    return One(*session_, "select deptno from emp where empno = " + IntToStr(empno));
  }
};

TEST_F(EditableMasterDetail, ANewDetailRecordTakesTheMastersValues) {
  master_->Open();
  detail_->Open();
  master_->Last();
  InsertEmployee(4, "Scott");
  EXPECT_EQ(detail_->FieldByName("DEPTNO")->AsInteger(), 30);
  EXPECT_TRUE(DeptNo()->ReadOnly());  // while the detail inserts
  detail_->Post();
  EXPECT_EQ(DeptOf(4), "30");
  EXPECT_EQ(Names(), "Scott");
  EXPECT_TRUE(DeptNo()->ReadOnly());
  // The detail's last record gone, the master's key may change again.
  detail_->Delete();
  EXPECT_FALSE(DeptNo()->ReadOnly());
}

TEST_F(EditableMasterDetail, APendingDetailRecordIsPostedBeforeTheMasterMoves) {
  master_->Open();
  detail_->Open();
  InsertEmployee(5, "Miller");
  master_->Next();
  EXPECT_EQ(DeptOf(5), "10");
  EXPECT_EQ(Names(), "Ford");
}

TEST_F(EditableMasterDetail, DetailsOfANewMasterRecordWaitForItsPost) {
  master_->Open();
  detail_->Open();
  master_->Append();
  EXPECT_TRUE(detail_->IsEmpty());
  EXPECT_FALSE(DeptNo()->ReadOnly());  // a new master record has no details yet
  EXPECT_EQ(MessageOf([&] { InsertEmployee(6, "Adams"); }),
            Format(MsgFieldRequired, String("DEPTNO")));
  DeptNo()->SetAsInteger(40);
  master_->FieldByName("DNAME")->SetAsString("Operations");
  InsertEmployee(6, "Adams");
  // The employee refers to a department the server does not have yet: its
  // post waits for the master's.
  master_->Post();
  EXPECT_EQ(detail_->State(), dsInsert);
  EXPECT_EQ(One(*session_, "select dname from dept where deptno = 40"), "Operations");
  EXPECT_EQ(DeptOf(6), "<none>");
  detail_->Post();
  EXPECT_EQ(DeptOf(6), "40");
  EXPECT_EQ(Names(), "Adams");
}

TEST_F(EditableMasterDetail, NothingCanBeAddedToADetailOfAnEmptyMaster) {
  master_->SQL()->SetText("select rowid, d.* from dept d where deptno > 100");
  master_->Open();
  detail_->Open();
  EXPECT_FALSE(detail_->CanModify());
  EXPECT_FALSE(detail_->MasterAllowsModification());
}

TEST_F(MasterDetail, TheMasterRecordIdentifierFollowsTheActiveRecord) {
  EXPECT_EQ(detail_->MasterRecordId(), -1);
  EXPECT_TRUE(detail_->MasterUnavailable());
  master_->Open();
  EXPECT_FALSE(detail_->MasterUnavailable());
  EXPECT_EQ(detail_->MasterRecordId(), 1);
  master_->Next();
  EXPECT_EQ(detail_->MasterRecordId(), 2);
  TOracleDataSet alone(nullptr);
  EXPECT_EQ(alone.MasterRecordId(), -1);
  EXPECT_FALSE(alone.MasterUnavailable());
  EXPECT_TRUE(alone.MasterAllowsModification());
}

}  // namespace

namespace {

// A designer links the datasets: its message boxes and dialogs are
// answered by a script.
class DesignedMasterDetail : public MasterDetail {
 protected:
  void SetUp() override {
    MasterDetail::SetUp();
    InitializeModules({ControlsModule()});
    detail_->SetMaster(nullptr);
    detail_->SetMasterFields("");
    detail_->ClearVariables();
    detail_->SQL()->SetText("select rowid, e.* from emp e\norder by empno");
    master_->SetDesigning(true);
    detail_->SetDesigning(true);
  }
  void TearDown() override {
    detail_.reset();
    FinalizeModules();
    MasterDetail::TearDown();
  }
  String Variables() {
    String text;
    for (Integer i = 0; i < detail_->VariableCount(); ++i)
      text += detail_->VariableName(i) + ":" + IntToStr(detail_->VariableType(i)) + ";";
    return text;
  }

  TWindowSystem system_;
};

TEST_F(DesignedMasterDetail, TheForeignKeyGivesTheLinkAndTheWhereClause) {
  TDialogScript script;
  script.Expect("Modify query to add variables to WHERE clause?", mrYes);
  detail_->SetMaster(master_);
  EXPECT_EQ(detail_->DetailFields(), "DEPTNO");
  EXPECT_EQ(detail_->MasterFields(), "DEPTNO");
  EXPECT_EQ(detail_->SQL()->Text(),
            "select rowid, e.* from emp e\n\nwhere deptno = :deptno\norder by empno\n");
  EXPECT_EQ(Variables(), ":DEPTNO:" + IntToStr(Integer(otInteger)) + ";");
  ASSERT_EQ(script.Seen.size(), 1u);
  EXPECT_EQ(script.Seen[0].Caption, "Confirm");
  // At run time the configured link works as it stands.
  master_->SetDesigning(false);
  detail_->SetDesigning(false);
  master_->Open();
  detail_->Open();
  EXPECT_EQ(Names(), "Clark,King");
}

TEST_F(DesignedMasterDetail, AnExistingWhereClauseIsReplacedOnlyWhenTheUserAgrees) {
  detail_->SQL()->SetText("select * from emp where ename like 'A%' order by empno");
  detail_->DeclareVariable("old", otString);
  {
    TDialogScript script;
    script.Expect("NOTE: This will remove any existing WHERE clause", mrNo);
    detail_->SetMaster(master_);
  }
  EXPECT_EQ(detail_->DetailFields(), "DEPTNO");
  EXPECT_EQ(detail_->SQL()->Text(), "select * from emp where ename like 'A%' order by empno\n");
  EXPECT_EQ(Variables(), ":OLD:" + IntToStr(Integer(otString)) + ";");
  detail_->SetMaster(nullptr);
  TDialogScript script;
  script.Expect("Modify query", mrYes);
  detail_->SetMaster(master_);
  EXPECT_EQ(detail_->SQL()->Text(), "select * from emp where deptno = :deptno\norder by empno\n");
}

TEST_F(DesignedMasterDetail, EachRefusalSaysWhyAndLeavesTheLinkAlone) {
  std::vector<String> boxes;
  TMessageBoxHandler previous =
      SetMessageBoxHandler([&](HWND, const String& text, const String&, UINT) {
        boxes.push_back(text);
        return IDOK;
      });
  detail_->SetMasterFields("DNAME");
  detail_->SetDetailFields("ENAME");
  // Linked the wrong way round there is no foreign key from dept to emp.
  master_->SetMaster(detail_.get());
  master_->SetMaster(nullptr);
  master_->SetMasterFields("");
  // A master without a table to read from.
  master_->SQL()->SetText("select 1 from dual where 1 = 0");
  TOracleDataSet tableless(nullptr);
  tableless.SetSession(session_.get());
  tableless.SetDesigning(true);
  detail_->SetMaster(&tableless);
  detail_->SetMaster(nullptr);
  session_->LogOff();
  detail_->SetMaster(master_);
  SetMessageBoxHandler(previous);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0],
            "Automatic Master/Detail configuration is only\r\npossible if a foreign key "
            "constraint exists\r\nbetween the Master and Detail table.");
  EXPECT_EQ(boxes[1],
            "Automatic Master/Detail configuration is only\r\npossible if the Master SQL text is "
            "set correctly.");
  EXPECT_EQ(boxes[2],
            "Automatic Master/Detail configuration is only\r\npossible if the Session is "
            "connected.");
  EXPECT_EQ(detail_->MasterFields(), "DNAME");
  EXPECT_EQ(detail_->DetailFields(), "ENAME");
}

}  // namespace
