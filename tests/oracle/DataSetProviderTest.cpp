// The Oracle dataset as a data provider uses it: its transaction, statements
// with "?" parameters, the dataset's own parameters, and what it tells of
// its rows' keys, indexes and order.
#include <gtest/gtest.h>

#include "DataSetWriteTestSupport.h"
#include "oracle/OciConstants.h"
#include "oracle/ProviderTypes.h"

namespace {

using namespace Oracle;

class ProviderWorld : public DataSetWriteWorld {
 protected:
  // Runs `sql` with the parameters through the provider interface.
  Integer Run(const String& sql, TParams& params, std::unique_ptr<TDataSet>* rows = nullptr) {
    return data_set_->ProviderExecuteStatement(sql, &params, rows);
  }
  String Name(int id) { return One(*session_, "select name from rows where id = " + IntToStr(id)); }
  // The last statement the server ran and the values it was given.
  String LastStatement() { return StatementLog().back(); }
  String LastBinds() { return LoggedBinds(int(StatementLog().size()) - 1); }
};

class ProviderTransactionWorld : public ProviderWorld {
 protected:
  // Row 1 renamed, row 2 deleted, row 100 appended, in a provider's
  // transaction.
  void ChangeThreeInTransaction() {
    OpenRows();
    data_set_->ProviderStartTransaction();
    EXPECT_TRUE(data_set_->ProviderInTransaction());
    SetName("Provided");
    ASSERT_TRUE(data_set_->Locate("ID", 2, {}));
    data_set_->Delete();
    data_set_->Append();
    Field("ID")->SetAsInteger(100);
    Field("NAME")->SetAsString("New");
    data_set_->Post();
    // Nothing is committed while the provider's transaction lasts.
    EXPECT_EQ(NameSeen(1), "Row 1");
    EXPECT_EQ(NameSeen(100), "<none>");
  }
};

TEST_F(ProviderTransactionWorld, CommittedItsChangesReachTheServerAndStayShown) {
  ChangeThreeInTransaction();
  data_set_->ProviderEndTransaction(true);
  EXPECT_FALSE(data_set_->ProviderInTransaction());
  EXPECT_EQ(NameSeen(1), "Provided");
  EXPECT_EQ(NameSeen(2), "<none>");
  EXPECT_EQ(NameSeen(100), "New");
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 3, 4, 5, 100}));
  EXPECT_EQ(data_set_->RecordCount(), 5);
}

TEST_F(ProviderTransactionWorld, CancelledItsChangesAreUndoneOnTheServerAndInTheDataset) {
  ChangeThreeInTransaction();
  data_set_->ProviderEndTransaction(false);
  EXPECT_FALSE(data_set_->ProviderInTransaction());
  EXPECT_EQ(One(*session_, "select name from rows where id = 1"), "Row 1");
  EXPECT_EQ(One(*session_, "select count(*) from rows where id in (2, 100)"), "1");
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3, 4, 5}));
  ASSERT_TRUE(data_set_->Locate("ID", 1, {}));
  EXPECT_EQ(Field("NAME")->AsString(), "Row 1");
}

TEST_F(ProviderTransactionWorld, StartingOneSwitchesCommitOnPostOffForGood) {
  EXPECT_TRUE(data_set_->CommitOnPost());
  OpenRows();
  data_set_->ProviderStartTransaction();
  EXPECT_FALSE(data_set_->CommitOnPost());
  data_set_->ProviderEndTransaction(true);
  EXPECT_FALSE(data_set_->CommitOnPost());
  // A post after the transaction is left for the program to commit.
  SetName("Later");
  EXPECT_EQ(NameSeen(1), "Row 1");
  EXPECT_EQ(One(*session_, "select name from rows where id = 1"), "Later");
  data_set_->ProviderStartTransaction();
  data_set_->ProviderEndTransaction(false);
  EXPECT_FALSE(data_set_->CommitOnPost());
}

class ProviderKeysWorld : public ProviderWorld {
 protected:
  void SetUp() override {
    ProviderWorld::SetUp();
    Fixture(
        "create table keyed (code varchar2(5), part number(3), name varchar2(20)\n"
        "  constraint keyed_name_uk unique, note varchar2(20),\n"
        "  constraint keyed_pk primary key (code, part));\n"
        "insert into keyed values ('A', 1, 'first', null);\n"
        "create table unkeyed (id number(5) constraint unkeyed_id_uk unique, name "
        "varchar2(20));\n");
  }
  void TearDown() override {
    data_set_->Close();
    if (auto* cache = session_->TableInfoCache()) cache->Clear();
    ProviderWorld::TearDown();
  }
  // The index definitions of the kinds asked for, as "NAME(FIELDS)pu" with
  // p for primary and u for unique.
  String Indexes(TIndexOptions types) {
    const std::unique_ptr<TIndexDefs> indexes = data_set_->ProviderGetIndexDefs(types);
    String text;
    for (Integer i = 0; i < indexes->Count(); ++i) {
      const TIndexDef* index = (*indexes)[i];
      text += index->Name() + "(" + index->Fields() + ")";
      if (index->Options().Contains(ixPrimary)) text += "p";
      if (index->Options().Contains(ixUnique)) text += "u";
      text += " ";
    }
    return TrimRight(text);
  }
};

TEST_F(ProviderKeysWorld, KeyFieldsComeFromFlagsUniqueFieldsOrTheTablesKey) {
  data_set_->ProviderSetCommandText("select rowid, k.* from keyed k");
  EXPECT_EQ(data_set_->ProviderGetKeyFields(), "CODE;PART");
  data_set_->Open();
  EXPECT_EQ(data_set_->ProviderGetKeyFields(), "CODE;PART");
  Field("NOTE")->SetProviderFlags({pfInKey});
  EXPECT_EQ(data_set_->ProviderGetKeyFields(), "NOTE");
  data_set_->Close();
  data_set_->SetUniqueFields(" NAME ");
  EXPECT_EQ(data_set_->ProviderGetKeyFields(), "NAME");
  data_set_->SetUniqueFields("");
  // A key column missing from the select list gives no key at all.
  data_set_->ProviderSetCommandText("select code, name from keyed");
  EXPECT_EQ(data_set_->ProviderGetKeyFields(), "");
  data_set_->ProviderSetCommandText("select * from unkeyed");
  EXPECT_EQ(data_set_->ProviderGetKeyFields(), "ID");
}

TEST_F(ProviderKeysWorld, ACursorDatasetWithoutItsTableNamedHasNoKeysOrIndexes) {
  data_set_->ProviderSetCommandText("begin open :c for select * from keyed; end;");
  data_set_->DeclareVariable("c", otCursor);
  const std::size_t before = LogSize();
  EXPECT_EQ(data_set_->ProviderGetKeyFields(), "");
  EXPECT_EQ(Indexes({ixPrimary, ixUnique}), "");
  EXPECT_EQ(LogSize(), before);
  data_set_->SetUniqueFields("CODE");
  EXPECT_EQ(data_set_->ProviderGetKeyFields(), "CODE");
}

TEST_F(ProviderKeysWorld, IndexesAreTheKeyConstraintsOfTheKindsAskedFor) {
  data_set_->ProviderSetCommandText("select rowid, k.* from keyed k");
  EXPECT_EQ(Indexes({ixPrimary}), "KEYED_PK(CODE;PART)pu");
  EXPECT_EQ(Indexes({ixUnique}), "KEYED_NAME_UK(NAME)u KEYED_PK(CODE;PART)pu");
  EXPECT_EQ(Indexes({ixDescending}), "");
  data_set_->ProviderSetCommandText("select code, part from keyed");
  EXPECT_EQ(Indexes({ixUnique}), "KEYED_PK(CODE;PART)pu");
}

TEST_F(ProviderWorld, EachQuestionMarkBecomesTheNextParametersVariable) {
  TParams params;
  params.CreateParam(ftString, "", ptInput)->SetAsString("renamed");
  params.CreateParam(ftInteger, "", ptInput)->SetAsInteger(7);
  EXPECT_EQ(Run("update rows set name = ? where id = ?", params), 1);
  EXPECT_EQ(TrimRight(LastStatement()), "update rows set name = :V0 where id = :V1");
  EXPECT_EQ(Name(7), "renamed");
  EXPECT_EQ(Name(8), "Row 8");
  params[1]->SetAsInteger(1000);
  EXPECT_EQ(Run("update rows set name = ? where id = ?", params), 0);
}

TEST_F(ProviderWorld, AStatementWithRowsHandsBackAnOpenDatasetOfThem) {
  TParams params;
  params.CreateParam(ftInteger, "", ptInput)->SetAsInteger(1);
  params.CreateParam(ftFloat, "", ptInput)->SetAsFloat(10.5);
  std::unique_ptr<TDataSet> rows;
  EXPECT_EQ(Run("select id from rows where grp = ? and id < ? order by id", params, &rows), 4);
  ASSERT_NE(rows, nullptr);
  ASSERT_TRUE(rows->Active());
  std::vector<Integer> ids;
  for (rows->First(); !rows->Eof(); rows->Next()) ids.push_back(rows->Fields(0)->AsInteger());
  EXPECT_EQ(ids, (std::vector<Integer>{1, 4, 7, 10}));
  EXPECT_FALSE(data_set_->Active());
}

TEST_F(ProviderWorld, AQuestionMarkInQuotedTextIsReplacedAndTheServerRefusesTheStatement) {
  TParams params;
  params.CreateParam(ftString, "", ptInput)->SetAsString("x");
  params.CreateParam(ftInteger, "", ptInput)->SetAsInteger(3);
  try {
    Run("update rows set name = '?' where id = ?", params);
    FAIL() << "the server took it";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 1036);
  }
  EXPECT_EQ(Name(3), "Row 3");
  // One parameter takes the quoted mark alone: the text then asks for
  // none, and the statement runs with the literal changed.
  TParams one;
  one.CreateParam(ftString, "", ptInput)->SetAsString("unused");
  EXPECT_THROW(Run("update rows set name = '?' where id = 3", one), EOracleError);
  EXPECT_EQ(Name(3), "Row 3");
}

TEST_F(ProviderWorld, MoreParametersThanQuestionMarksFailBeforeAnythingRuns) {
  TParams params;
  for (int i = 0; i < 3; ++i) params.CreateParam(ftInteger, "", ptInput)->SetAsInteger(i);
  const std::size_t before = StatementLog().size();
  try {
    Run("update rows set grp = ? where id = ?", params);
    FAIL() << "no error";
  } catch (const EOracleError&) {
    FAIL() << "the server was asked";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "No variable for parameter 2");
  }
  EXPECT_EQ(StatementLog().size(), before);
  // The same dataset runs the next statement as if nothing had happened.
  params.Delete(2);
  EXPECT_EQ(Run("update rows set grp = ? where id = ?", params), 1);
}

TEST_F(ProviderWorld, WithoutASessionNothingRunsAndNothingIsTouched) {
  TOracleDataSet alone(nullptr);
  TParams params;
  params.CreateParam(ftInteger, "", ptInput)->SetAsInteger(1);
  try {
    alone.ProviderExecuteStatement("delete from rows where id = ?", &params, nullptr);
    FAIL() << "ran";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Session undefined");
  }
  EXPECT_THROW(alone.ProviderEndTransaction(true), Exception);
  alone.ProviderSetParams(nullptr);
  EXPECT_EQ(alone.ProviderGetParams()->Count(), 0);
}

TEST_F(ProviderWorld, TextLongerThanTheServersStringsGoesWholeAsLong) {
  const String text(size_t(session_->MaxStringSize()) + 500, 'n');
  TParams params;
  params.CreateParam(ftString, "", ptInput)->SetAsString(text);
  EXPECT_EQ(Run("update kinds set note = ? where small = 7", params), 1);
  EXPECT_EQ(One(*session_, "select length(note) from kinds where small = 7"),
            IntToStr(Integer(text.size())));
}

TEST_F(ProviderWorld, LobParametersAreWrittenThroughTheLocatorsTheStatementFilled) {
  Fixture(
      "create table docs (id number(5), c clob, b blob);\n"
      "insert into docs (id) values (1);\n");
  TParams params;
  params.CreateParam(ftInteger, "", ptInput)->SetAsInteger(1);
  params.CreateParam(ftOraClob, "", ptInput)->SetValue(String("one\r\ntwo"));
  params.CreateParam(ftOraBlob, "", ptInput)->SetValue(String("\x01\x00\x02", 3));
  EXPECT_EQ(Run("update docs set c = empty_clob(), b = empty_blob() where id = ? "
                "returning c, b into ?, ?",
                params),
            1);
  // The CR goes as all text sent to the server loses it.
  EXPECT_EQ(One(*session_, "select length(c) from docs where id = 1"), "7");
  EXPECT_EQ(One(*session_, "select length(b) from docs where id = 1"), "3");
  EXPECT_EQ(LiveHandles(kDtypeLob), 0);
}

TEST_F(ProviderWorld, TheDatasetsLobParametersGoWhenItCloses) {
  data_set_->ProviderSetCommandText(
      "select * from rows where id < :limit and (:text is null or 1 = 1)");
  TParams params;
  params.CreateParam(ftInteger, "limit", ptInput)->SetAsInteger(4);
  params.CreateParam(ftOraClob, "text", ptInput)->SetValue(String("unused"));
  data_set_->ProviderSetParams(&params);
  ASSERT_EQ(data_set_->VariableCount(), 2);
  EXPECT_EQ(data_set_->VariableType(1), otCLOB);
  EXPECT_EQ(LiveHandles(kDtypeLob), 1);
  data_set_->ProviderSetParams(&params);
  EXPECT_EQ(LiveHandles(kDtypeLob), 1);
  data_set_->Open();
  data_set_->Close();
  EXPECT_EQ(LiveHandles(kDtypeLob), 0);
  // Opening again refuses the variable instead of binding the locator
  // that went.
  try {
    data_set_->Open();
    FAIL() << "opened";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "LOB variable :TEXT cannot be nil");
  }
  data_set_->ProviderSetParams(&params);
  data_set_->Open();
  EXPECT_EQ(data_set_->RecordCount(), 3);
}

TEST(ProviderTypes, ParametersAndVariablesMapBothWays) {
  struct Case {
    TFieldType param;
    Integer own;        // declared for the dataset's own statement
    Integer statement;  // declared for a statement the provider runs
  };
  const Case cases[] = {
      {ftString, otString, otString}, {ftSmallint, otInteger, otInteger},
      {ftWord, otInteger, otInteger}, {ftCurrency, otFloat, otFloat},
      {ftBCD, otFloat, otFloat},      {ftTime, otDate, otDate},
      {ftDateTime, otDate, otDate},   {ftBlob, otLongRaw, otLongRaw},
      {ftMemo, otLong, otString},     {ftCursor, otCursor, otString},
      {ftOraBlob, otBLOB, otBLOB},    {ftOraClob, otCLOB, otCLOB},
      {ftBoolean, 0, otString},       {ftUnknown, 0, otString},
  };
  TParams params;
  TParam* param = params.CreateParam(ftUnknown, "P", ptInput);
  for (const Case& c : cases) {
    param->SetDataType(c.param);
    EXPECT_EQ(OracleProvider::ParamVariableType(c.param), c.own) << FieldTypeName(c.param);
    EXPECT_EQ(OracleProvider::StatementVariableType(*param, 10), c.statement)
        << FieldTypeName(c.param);
  }
  param->SetAsMemo("eleven char");
  EXPECT_EQ(OracleProvider::StatementVariableType(*param, 10), otLong);
  EXPECT_EQ(OracleProvider::StatementVariableType(*param, 11), otString);
  const std::pair<Integer, TFieldType> back[] = {
      {otInteger, ftInteger}, {otFloat, ftFloat},   {otString, ftString}, {otLong, ftMemo},
      {otDate, ftDateTime},   {otLongRaw, ftBlob},  {otCLOB, ftOraClob},  {otBLOB, ftOraBlob},
      {otBFile, ftOraBlob},   {otCursor, ftCursor}, {otChar, ftUnknown},  {otObject, ftUnknown},
  };
  for (const auto& [variable, type] : back)
    EXPECT_EQ(OracleProvider::VariableParamType(variable), type) << variable;
}

TEST_F(ProviderWorld, TheDatasetsVariablesAreItsParametersWithTheirCurrentValues) {
  data_set_->SQL()->SetText(
      "select * from rows where grp = :grp and name like :a_rather_long_name_x");
  data_set_->DeclareVariable("grp", otInteger);
  data_set_->DeclareVariable("a_rather_long_name_x", otString);
  data_set_->SetVariable("grp", 2);
  TParams* params = data_set_->ProviderGetParams();
  ASSERT_EQ(params->Count(), 2);
  EXPECT_EQ((*params)[0]->Name(), "GRP");
  EXPECT_EQ((*params)[0]->DataType(), ftInteger);
  EXPECT_EQ((*params)[0]->ParamType(), ptInput);
  EXPECT_EQ((*params)[0]->AsInteger(), 2);
  EXPECT_EQ((*params)[1]->Name(), "A_RATHER_LONG_NAME_X");
  EXPECT_EQ((*params)[1]->DataType(), ftString);
  EXPECT_TRUE((*params)[1]->IsNull());
  data_set_->SetVariable("grp", 0);
  EXPECT_EQ(data_set_->ProviderGetParams(), params);
  EXPECT_EQ((*params)[0]->AsInteger(), 0);
}

TEST_F(ProviderWorld, ParametersSetByTheProviderBecomeTheDatasetsVariables) {
  data_set_->ProviderSetCommandText("select id from rows where grp = :grp and id <= :top");
  TParams params;
  params.CreateParam(ftInteger, "grp", ptInput)->SetAsInteger(0);
  params.CreateParam(ftFloat, "top", ptInput)->SetAsFloat(9);
  params.CreateParam(ftBoolean, "ignored", ptInput)->SetAsBoolean(true);
  data_set_->ProviderSetParams(&params);
  EXPECT_EQ(data_set_->VariableCount(), 2);
  data_set_->ProviderExecute();
  ASSERT_TRUE(data_set_->Active());
  EXPECT_EQ(data_set_->RecordCount(), 3);
  // What the provider set is what it reads back, the unbound one too.
  EXPECT_EQ(data_set_->ProviderGetParams()->Count(), 3);
  EXPECT_EQ(data_set_->ProviderGetParams()->ParamByName("TOP")->AsFloat(), 9.0);
  data_set_->ProviderSetCommandText("select id from rows where grp = :grp");
  EXPECT_FALSE(data_set_->Active());
  data_set_->ProviderReset();
  EXPECT_FALSE(data_set_->Active());
}

TEST_F(ProviderWorld, DescribesItselfAsSqlBasedWithDoubleQuotedNames) {
  data_set_->SQL()->SetText("select * from scott.rows r where grp = 1");
  EXPECT_TRUE(data_set_->ProviderIsSQLBased());
  EXPECT_TRUE(data_set_->ProviderIsSQLSupported());
  EXPECT_EQ(data_set_->ProviderGetQuoteChar(), "\"");
  EXPECT_EQ(data_set_->ProviderGetTableName(), "SCOTT.ROWS");
  data_set_->SetUpdatingTable("other");
  EXPECT_EQ(data_set_->ProviderGetTableName(), "OTHER");
}

TEST_F(ProviderWorld, TheDefaultOrderComesFromColumnsOfTheOrderBy) {
  struct Case {
    const char* sql;
    const char* fields;  // nullptr: no order
    const char* descending;
    const char* caseInsensitive;
  };
  const Case cases[] = {
      {"select * from rows order by id", "ID", "", ""},
      {"select * from rows order by grp desc, name", "GRP;NAME", "GRP", ""},
      {"select * from rows r order by r.grp asc,upper(name) desc", "GRP;NAME", "NAME", "NAME"},
      {"select id, name from rows order by 2, 1 desc", "NAME;ID", "ID", ""},
      {"select * from rows order by \"NAME\" for update", "NAME", "", ""},
      {"select * from rows order /* by id */ by grp", "GRP", "", ""},
      {"select * from rows order by id * 2", nullptr, "", ""},
      {"select * from rows order by nvl(grp, 0), id", nullptr, "", ""},
      {"select * from rows order by grp, lower(name)", nullptr, "", ""},
      {"select * from rows where name = 'order by id'", nullptr, "", ""},
      {"select * from rows", nullptr, "", ""},
  };
  for (const Case& c : cases) {
    data_set_->SQL()->SetText(c.sql);
    const std::unique_ptr<TIndexDef> order = data_set_->ProviderGetDefaultOrder();
    if (!c.fields) {
      EXPECT_EQ(order, nullptr) << c.sql << " gave " << order->Fields();
      continue;
    }
    ASSERT_NE(order, nullptr) << c.sql;
    EXPECT_EQ(order->Fields(), c.fields) << c.sql;
    EXPECT_EQ(order->DescFields(), c.descending) << c.sql;
    EXPECT_EQ(order->CaseInsFields(), c.caseInsensitive) << c.sql;
  }
}

}  // namespace
