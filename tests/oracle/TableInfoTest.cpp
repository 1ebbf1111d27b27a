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
        "  DEPTNO number(2), NEW varchar2(3),\n"
        "  constraint EMP_DEPT_FK foreign key (DEPTNO) references DEPT(DEPTNO),\n"
        "  constraint EMP_SAL_CK check (SAL > 0),\n"
        "  constraint EMP_STATUS_CK check (STATUS in ('NEW', 'OLD')));\n"
        "insert into EMP (EMPNO, ENAME, SAL, STATUS, DEPTNO) values (7369, 'SMITH', 800, 'OLD', "
        "10);\n"
        "insert into EMP (EMPNO, ENAME, SAL, STATUS, DEPTNO) values (7499, 'ALLEN', 1600, 'NEW', "
        "10);\n");
    session_ = Scott();
    session_->LogOn();
    owner_.session = session_.get();
    owner_.data.FieldDefs()->Add("EMPNO", ftFloat);
    owner_.data.FieldDefs()->Add("ENAME", ftString, 10);
    owner_.data.FieldDefs()->Add("SAL", ftFloat);
    owner_.data.FieldDefs()->Add("STATUS", ftString, 3);
    owner_.data.FieldDefs()->Add("DEPTNO", ftFloat);
    owner_.data.AddRow({7369.0, String("SMITH"), 800.0, String("OLD"), 10.0});
    owner_.data.Open();
  }
  void TearDown() override {
    owner_.data.Close();
    owner_.dml.SetSession(nullptr);
    if (auto* cache = session_->TableInfoCache()) cache->Clear();
    session_.reset();
    SessionWorld::TearDown();
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
  for (Case c : {Case{"emp", "SCOTT", "EMP"}, Case{"sys.dual", "SYS", "DUAL"},
                 Case{"nothing", "", ""}, Case{"", "", ""}}) {
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

TEST_F(TableInfoTest, ConstraintsAndTheirKindsComeFromTheDictionary) {
  TOracleTableInfo* info = OracleData::GetTableInfo(&owner_);
  info->LoadConstraints();
  ASSERT_GE(info->Constraints().Count(), 3);
  const TConstraintKind kinds[] = {ckForeignKey, ckUnique, ckPrimaryKey};
  const char* const names[] = {"EMP_DEPT_FK", "EMP_NAME_UK", "EMP_PK"};
  for (Integer i = 0; i < 3; ++i) {
    TOracleConstraintInfo* constraint = info->Constraint(i);
    constraint->LoadDetails(&owner_);
    EXPECT_EQ(names[i], constraint->ConstraintName);
    EXPECT_TRUE(constraint->Found) << names[i];
    EXPECT_EQ(kinds[i], constraint->Kind) << names[i];
  }
  EXPECT_EQ("ENAME", info->Constraint(1)->SingleFieldColumn(&owner_));
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

}  // namespace
