// tests/oracle/TableInfoTest.cpp
#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "oracle/OracleTableInfo.h"
#include "platform/rtl/StringUtils.h"
#include "tests/data/ArrayDataSet.h"

namespace {

// The dataset's side over a test dataset with the columns of EMP.
class TDictionaryTestOwner : public TDictionaryOwner {
 public:
  TArrayDataSet data;
  TOracleSession* session = nullptr;
  TOracleQuery dml{nullptr};
  String table = "EMP";
  String row_id;
  TOracleDictionary dictionary;
  TSequenceField sequence;

  TDataSet* DictionaryDataSet() override { return &data; }
  TOracleSession* DictionarySession() override { return session; }
  TOracleQuery* PrepareDMLQuery(bool) override {
    dml.SetSession(session);
    return &dml;
  }
  String GetUpdatingTableName() override { return table; }
  String CurrentRowId() override { return row_id; }
  Integer FieldVariableType(TField* field) override {
    return field->DataType() == ftString ? Oracle::otString : Oracle::otFloat;
  }
  String TranslateMessage(char, Integer, const String& message) override { return message; }
  bool IsAutoFilledField(const String&) override { return false; }
  bool HasRowIdColumn() override { return true; }
  TOracleDictionary* OracleDictionary() override { return &dictionary; }
  TSequenceField* SequenceField() override { return &sequence; }
  bool DictionaryDebug() override { return false; }
};

class TableInfoTest : public SessionWorld {
 protected:
  void SetUp() override {
    SessionWorld::SetUp();
    Fixture(
        "create table DEPT (DEPTNO number(2) constraint DEPT_PK primary key, DNAME "
        "varchar2(14));\n"
        "insert into DEPT values (10, 'ACCOUNTING');\n"
        "create table EMP (EMPNO number(4) constraint EMP_PK primary key,\n"
        "  ENAME varchar2(10) constraint EMP_NAME_UK unique,\n"
        "  SAL number(7,2) default 1000, STATUS varchar2(3) default 'NEW',\n"
        "  DEPTNO number(2), NEW varchar2(3), BONUS number(7,2), COMM number(7,2),\n"
        "  constraint EMP_PAY_UK unique (BONUS, COMM),\n"
        "  constraint EMP_DEPT_FK foreign key (DEPTNO) references DEPT(DEPTNO),\n"
        "  constraint EMP_SAL_CK check (SAL > 0),\n"
        "  constraint EMP_STATUS_CK check (STATUS in ('NEW', 'OLD')));\n"
        "insert into EMP (EMPNO, ENAME, SAL, STATUS, DEPTNO) values (7369, 'SMITH', 800, 'OLD', "
        "10);\n"
        "insert into EMP (EMPNO, ENAME, SAL, STATUS, DEPTNO) values (7499, 'ALLEN', 1600, 'NEW', "
        "10);\n"
        "create public synonym STAFF for SCOTT.EMP;\n");
    session_ = Scott();
    session_->LogOn();
    owner_.session = session_.get();
    owner_.data.FieldDefs()->Add("EMPNO", ftFloat);
    owner_.data.FieldDefs()->Add("ENAME", ftString, 10);
    owner_.data.FieldDefs()->Add("SAL", ftFloat);
    owner_.data.FieldDefs()->Add("STATUS", ftString, 3);
    owner_.data.FieldDefs()->Add("DEPTNO", ftFloat);
    owner_.data.FieldDefs()->Add("BONUS", ftFloat);
    owner_.data.FieldDefs()->Add("COMM", ftFloat);
    owner_.data.AddRow({7369.0, String("SMITH"), 800.0, String("OLD"), 10.0, Null(), Null()});
    owner_.data.Open();
  }
  void TearDown() override {
    owner_.data.Close();
    owner_.dml.SetSession(nullptr);
    if (auto* cache = session_->TableInfoCache()) cache->Clear();
    session_.reset();
    SessionWorld::TearDown();
  }
  String CheckField(const char* name) {
    return Outcome([&] { OracleData::EnforceConstraints(&owner_, owner_.data.FieldByName(name)); });
  }
  String CheckRecord() {
    return Outcome([&] { OracleData::EnforceConstraints(&owner_, nullptr); });
  }
  static String Outcome(const std::function<void()>& check) {
    try {
      check();
    } catch (const EDatabaseError& e) {
      return e.Message();
    }
    return "ok";
  }

  std::unique_ptr<TOracleSession> session_;
  TDictionaryTestOwner owner_;
};

TEST_F(TableInfoTest, NamesResolveThroughTablesAndSynonyms) {
  struct Case {
    const char* name;
    const char* owner;
    const char* table;
  };
  for (Case c : {Case{"emp", "SCOTT", "EMP"}, Case{"staff", "SCOTT", "EMP"},
                 Case{"sys.dual", "SYS", "DUAL"}, Case{"nothing", "", ""}, Case{"", "", ""}}) {
    String owner = "x", table = "x";
    OracleData::ResolveTableName(&owner_, c.name, owner, table);
    EXPECT_EQ(c.owner, owner) << c.name;
    EXPECT_EQ(c.table, table) << c.name;
  }
}

TEST_F(TableInfoTest, TableInformationIsKeptPerSessionUntilLogoff) {
  TOracleTableInfo* info = OracleData::GetTableInfo(&owner_);
  EXPECT_EQ("SCOTT", info->Owner);
  owner_.table = "emp";
  EXPECT_EQ(info, OracleData::GetTableInfo(&owner_));
  session_->LogOff();
  EXPECT_EQ(0, session_->TableInfoCache()->Count());
  TDictionaryTestOwner none;
  EXPECT_THROW(OracleData::GetTableInfo(&none), Exception);
}

TEST_F(TableInfoTest, ConstraintsAndTheirDetailsComeFromTheDictionary) {
  TOracleTableInfo* info = OracleData::GetTableInfo(&owner_);
  info->LoadConstraints();
  std::vector<String> names;
  for (Integer i = 0; i < info->Constraints().Count(); ++i) {
    info->Constraint(i)->LoadDetails(&owner_);
    EXPECT_TRUE(info->Constraint(i)->Found);
    names.push_back(info->Constraint(i)->ConstraintName);
  }
  ASSERT_EQ((std::vector<String>{"EMP_DEPT_FK", "EMP_NAME_UK", "EMP_PAY_UK", "EMP_PK", "EMP_SAL_CK",
                                 "EMP_STATUS_CK"}),
            names);
  const TOracleConstraintInfo* fk = info->Constraint(0);
  EXPECT_EQ(ckForeignKey, fk->Kind);
  EXPECT_EQ("SCOTT", fk->ReferencedOwner);
  EXPECT_EQ("DEPT", fk->ReferencedTable);
  EXPECT_EQ(std::vector<String>{"DEPTNO"}, fk->ReferencedColumns);
  EXPECT_EQ(ckUnique, info->Constraint(1)->Kind);
  EXPECT_EQ(ckPrimaryKey, info->Constraint(3)->Kind);
  EXPECT_EQ(ckCheck, info->Constraint(4)->Kind);
  EXPECT_EQ(":SAL > 0", info->Constraint(4)->SearchCondition);
  EXPECT_EQ(":STATUS in ('NEW', 'OLD')", info->Constraint(5)->SearchCondition);
  EXPECT_EQ("SAL", info->Constraint(4)->SingleFieldColumn(&owner_));
  EXPECT_EQ("*", info->Constraint(2)->SingleFieldColumn(&owner_));
}

TEST_F(TableInfoTest, FieldLevelChecksReportInTheServersWords) {
  owner_.dictionary.SetEnforceConstraints(true);
  struct Case {
    const char* field;
    Variant value;
    const char* message;
  };
  const Case cases[] = {
      {"EMPNO", 1.0, "ok"},
      {"EMPNO", 7499.0, "ORA-00001: unique constraint (SCOTT.EMP_PK) violated"},
      {"ENAME", String("ALLEN"), "ORA-00001: unique constraint (SCOTT.EMP_NAME_UK) violated"},
      {"DEPTNO", 20.0,
       "ORA-02291: integrity constraint (SCOTT.EMP_DEPT_FK) violated - parent key not found"},
      {"DEPTNO", 10.0, "ok"},
      {"SAL", -1.0, "ORA-02290: check constraint (SCOTT.EMP_SAL_CK) violated"},
      {"STATUS", String("BAD"), "ORA-02290: check constraint (SCOTT.EMP_STATUS_CK) violated"},
      // The column NEW named inside the condition's literals is no variable.
      {"STATUS", String("NEW"), "ok"},
  };
  for (const Case& c : cases) {
    owner_.data.Append();
    owner_.data.FieldByName(c.field)->SetValue(c.value);
    EXPECT_EQ(c.message, Trim(CheckField(c.field))) << c.field;
    owner_.data.Cancel();
  }
  owner_.dictionary.DisabledConstraints()->Add("emp_sal_ck");
  owner_.data.Append();
  owner_.data.FieldByName("SAL")->SetValue(-1.0);
  EXPECT_EQ("ok", CheckField("SAL"));
  owner_.data.Cancel();
}

TEST_F(TableInfoTest, AKeyOverTwoColumnsIsCheckedForTheRecordWhenOneChanged) {
  owner_.dictionary.SetEnforceConstraints(true);
  Fixture("update EMP set BONUS = 1, COMM = 2 where EMPNO = 7369;\n");
  owner_.data.Append();
  owner_.data.FieldByName("BONUS")->SetValue(1.0);
  EXPECT_EQ("ok", CheckField("BONUS"));  // not a single-field constraint
  owner_.data.FieldByName("COMM")->SetValue(2.0);
  EXPECT_EQ("ORA-00001: unique constraint (SCOTT.EMP_PAY_UK) violated", Trim(CheckRecord()));
  owner_.data.FieldByName("COMM")->SetValue(3.0);
  EXPECT_EQ("ok", CheckRecord());
  owner_.data.Cancel();
}

TEST_F(TableInfoTest, DefaultsAreEvaluatedOncePerLogonUnlessDynamic) {
  TOracleTableInfo* info = OracleData::GetTableInfo(&owner_);
  owner_.data.Append();
  info->ApplyDefaults(&owner_);
  EXPECT_EQ(1000, owner_.data.FieldByName("SAL")->AsInteger());
  EXPECT_EQ("NEW", owner_.data.FieldByName("STATUS")->AsString());
  EXPECT_TRUE(owner_.data.FieldByName("ENAME")->IsNull());
  owner_.data.Cancel();
  const Integer parses = info->TableInfoQuery()->ParseCount();
  owner_.data.Append();
  info->ApplyDefaults(&owner_);
  EXPECT_EQ(parses, info->TableInfoQuery()->ParseCount());
  owner_.data.Cancel();
  owner_.dictionary.SetDynamicDefaults(true);
  owner_.data.Append();
  info->ApplyDefaults(&owner_);
  EXPECT_GT(info->TableInfoQuery()->ParseCount(), parses);
  owner_.data.Cancel();
}

TEST_F(TableInfoTest, KeyColumnsAndRowIdByKey) {
  TStringList keys;
  OracleData::GetKeyColumns(&owner_, "", &keys);
  ASSERT_EQ(1, keys.Count());
  EXPECT_EQ("EMPNO", keys.Strings(0));
  String rowId;
  OracleData::DetermineRowId(&owner_, &keys, false, rowId);
  EXPECT_FALSE(rowId.empty());

  OracleData::GetKeyColumns(&owner_, "ename;sal", &keys);
  EXPECT_EQ(2, keys.Count());
  owner_.table = "nothing";
  EXPECT_THROW(OracleData::GetKeyColumns(&owner_, "", &keys), EDatabaseError);
  owner_.table = "EMP";
  owner_.data.Edit();
  owner_.data.FieldByName("EMPNO")->SetValue(1.0);
  keys.Clear();
  keys.Add("EMPNO");
  try {
    OracleData::DetermineRowId(&owner_, &keys, false, rowId);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ("Error determining ROWID: no record found", e.Message());
  }
  owner_.data.Cancel();
}

TEST_F(TableInfoTest, SequenceFillsAnEmptyField) {
  Fixture("create sequence EMP_SEQ start with 42;\n");
  owner_.sequence.SetField("EMPNO");
  owner_.sequence.SetSequence("EMP_SEQ");
  owner_.data.Append();
  owner_.sequence.Apply(&owner_.data, owner_.PrepareDMLQuery(false));
  EXPECT_EQ(42, owner_.data.FieldByName("EMPNO")->AsInteger());
  owner_.data.Cancel();
}

// A session connected through an ODBC source: names resolve through plain
// selects, system-named constraints are listed too, and check constraints
// are left to the server; violations are reported in the source's words.
class TableInfoOdbcTest : public TableInfoTest {
 protected:
  void SetUp() override {
    TableInfoTest::SetUp();
    session_->LogOff();
    session_->SetLogonDatabase("ODBC:orcl");
    session_->LogOn();
    ASSERT_TRUE(session_->IsODBC());
  }
  // The statements since `from` that hold `text`.
  int Logged(std::size_t from, const String& text) {
    const std::vector<String> log = StatementLog();
    int count = 0;
    for (std::size_t i = from; i < log.size(); ++i) count += Pos(text, log[i]) > 0 ? 1 : 0;
    return count;
  }
};

TEST_F(TableInfoOdbcTest, NamesResolveThroughPlainSelectsTriedInTurn) {
  struct Case {
    const char* name;
    const char* owner;
    const char* table;
    int tried;
  };
  for (Case c : {Case{"emp", "SCOTT", "EMP", 1}, Case{"staff", "SCOTT", "EMP", 3},
                 Case{"nothing", "", "", 3}}) {
    const std::size_t from = StatementLog().size();
    String owner = "x", table = "x";
    OracleData::ResolveTableName(&owner_, c.name, owner, table);
    EXPECT_EQ(c.owner, owner) << c.name;
    EXPECT_EQ(c.table, table) << c.name;
    EXPECT_EQ(c.tried, Logged(from, "select")) << c.name;
    EXPECT_EQ(0, Logged(from, "begin")) << c.name;
  }
}

TEST_F(TableInfoOdbcTest, SystemNamedConstraintsAreListedAndChecksLeftToTheSource) {
  Fixture("create table TAGS (NAME varchar2(10) unique, N number(3) not null);\n");
  owner_.table = "TAGS";
  TOracleTableInfo* info = OracleData::GetTableInfo(&owner_);
  info->LoadConstraints();
  ASSERT_EQ(2, info->Constraints().Count());
  EXPECT_EQ(1, Pos("SYS_C", info->Constraint(0)->ConstraintName));
  Integer found = 0;
  for (Integer i = 0; i < 2; ++i) {
    info->Constraint(i)->LoadDetails(&owner_);
    found += info->Constraint(i)->Found ? 1 : 0;
  }
  // The unique key is checked; the not-null check is not found.
  EXPECT_EQ(1, found);
}

TEST_F(TableInfoOdbcTest, ViolationsAreReportedInTheSourcesWords) {
  owner_.dictionary.SetEnforceConstraints(true);
  const String prefix = session_->GetErrorText(30021);
  struct Case {
    const char* field;
    Variant value;
    const char* message;
  };
  const Case cases[] = {
      {"EMPNO", 7499.0, "[POL-3220] duplicate keys in unique/primary index"},
      {"DEPTNO", 20.0, "[POL-5143] integrity constraint violation"},
      {"SAL", -1.0, nullptr},
  };
  for (const Case& c : cases) {
    owner_.data.Append();
    owner_.data.FieldByName(c.field)->SetValue(c.value);
    EXPECT_EQ(c.message ? prefix + c.message : String("ok"), CheckField(c.field)) << c.field;
    owner_.data.Cancel();
  }
}

}  // namespace
