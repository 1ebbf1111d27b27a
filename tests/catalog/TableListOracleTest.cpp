// The table-list manager's Oracle source, on the stand-in server: an item
// takes fields and rows from its dataset, keeps its own field lines first,
// and opens without the dataset when the server refuses the query.
#include <gtest/gtest.h>

#include <memory>

#include "catalog/TableList.h"
#include "memtable/MemTable.h"
#include "oracle/OracleDataSet.h"
#include "platform/rtl/StringUtils.h"
#include "tests/oracle/SessionTestSupport.h"

namespace {

class TableListOracle : public SessionWorld {
 protected:
  void SetUp() override {
    SessionWorld::SetUp();
    InitializeTableList();
    Fixture(
        "create table discs (id number(9), title varchar2(20), price number(8,2),\n"
        "  issued date, side number(2), notes long);\n"
        "insert into discs values (1, 'Kind of Blue', 9.5, '1959-08-17 00:00:00', 1, 'x');\n"
        "insert into discs values (2, 'Giant Steps', 8.25, '1960-01-27 00:00:00', 2, 'y');\n");
    session_ = Scott();
    session_->LogOn();
    module_ = std::make_unique<TComponent>(nullptr);
    manager_ = new TLList(module_.get());
    data_set_ = new TOracleDataSet(module_.get());
    data_set_->SetSession(session_.get());
    item_ = manager_->Items()->Add();
    item_->SetDisplayName("discs");
    item_->SetMemTable(new TvomMemTable(module_.get()));
    item_->SetOracleDataSet(data_set_);
    item_->List()->SetText("select * from discs\norder by id");
    manager_->OnErrorOpenDataSet = [this](TObject* sender, const String& message) {
      events_ += "error(" + message + ");";
      EXPECT_EQ(sender, item_);
    };
    manager_->OnBeforeItemOpen = [this](TObject*, const String&) {
      events_ += "before(" + (data_set_ ? data_set_->SQL()->Text() : String()) + ");";
    };
    manager_->OnAfterItemOpen = [this](TObject*, const String&) {
      events_ += String("after(") + (data_set_ && data_set_->Active() ? "open" : "closed") + ");";
    };
  }
  void TearDown() override {
    module_.reset();
    session_.reset();
    SessionWorld::TearDown();
  }

  TvomMemTable* Table() const { return item_->MemTable(); }
  // The table's fields as name, type and size: "ID 3 0,TITLE 1 20".
  String Fields() const {
    String text;
    for (Integer i = 0; i < Table()->FieldCount(); ++i) {
      TField* field = Table()->Fields(i);
      text += (i ? "," : "") + field->FieldName() + " " + IntToStr(Integer(field->DataType())) +
              " " + IntToStr(field->Size());
    }
    return text;
  }
  // One column of every row, joined by ",".
  String Column(const String& name) const {
    String text;
    for (Table()->First(); !Table()->Eof(); Table()->Next())
      text += (Table()->RecNo() > 1 ? "," : "") + Table()->FieldByName(name)->AsString();
    return text;
  }
  static String Def(const char* name, TFieldType type, Integer size) {
    return String(name) + " " + IntToStr(Integer(type)) + " " + IntToStr(size);
  }

  std::unique_ptr<TOracleSession> session_;
  std::unique_ptr<TComponent> module_;
  TLList* manager_ = nullptr;
  TOracleDataSet* data_set_ = nullptr;
  TLStrItem* item_ = nullptr;
  String events_;
};

TEST_F(TableListOracle, AnItemTakesTheDatasetsFieldsAndRowsAndClosesItAgain) {
  item_->AddFields()->SetText("title, C, 40\nrating, N, 0");
  item_->Open();
  // The field line keeps "title"; numbers of two digits are small integers
  // and LONG text is a memo: neither kind has a place in the table.
  EXPECT_EQ(Fields(), Def("title", ftString, 40) + "," + Def("rating", ftInteger, 0) + "," +
                          Def("ID", ftInteger, 0) + "," + Def("PRICE", ftFloat, 0) + "," +
                          Def("ISSUED", ftDateTime, 0) + "," + Def("Action", ftString, 5));
  EXPECT_EQ(Column("ID"), "1,2");
  EXPECT_EQ(Column("title"), "Kind of Blue,Giant Steps");
  EXPECT_EQ(Column("PRICE"), "9.5,8.25");
  EXPECT_EQ(Column("Action"), ",");  // copied rows are not marked
  EXPECT_FALSE(data_set_->Active());
  EXPECT_EQ(events_, "before(select * from discs\norder by id\n);after(open);");
  // Opening again rebuilds the same table from fresh rows.
  item_->Open();
  EXPECT_EQ(Column("ID"), "1,2");
  EXPECT_EQ(Table()->FieldCount(), 6);
}

TEST_F(TableListOracle, ADatasetStringFieldGivesItsLength) {
  item_->AddFields()->Clear();
  item_->List()->SetText("select title from discs");
  item_->Open();
  EXPECT_EQ(Fields(), Def("TITLE", ftString, 20) + "," + Def("Action", ftString, 5));
}

TEST_F(TableListOracle, AnOracleErrorIsReportedAndTheItemOpensWithoutTheDataset) {
  item_->AddFields()->SetText("title, C, 40");
  item_->List()->SetText("select * from no_such_table");
  item_->Open();
  ASSERT_NE(events_.find("error(ORA-00942"), String::npos) << events_;
  EXPECT_NE(events_.find(");after(closed);"), String::npos) << events_;
  EXPECT_TRUE(Table()->Active());
  EXPECT_TRUE(Table()->IsEmpty());
  EXPECT_EQ(Fields(), Def("title", ftString, 40) + "," + Def("Action", ftString, 5));
}

TEST_F(TableListOracle, OtherFailuresWhileTheDatasetOpensReachTheCaller) {
  data_set_->SetSession(nullptr);
  EXPECT_THROW(item_->Open(), Exception);
  EXPECT_EQ(events_.find("error("), String::npos);
  EXPECT_FALSE(data_set_->Active());
}

TEST_F(TableListOracle, WithoutTheOptionOrADatasetTheItemIgnoresTheSource) {
  item_->AddFields()->SetText("title, C, 40");
  item_->SetOpenOptions({ooFromList});
  item_->Open();
  EXPECT_EQ(Fields(), Def("title", ftString, 40) + "," + Def("Action", ftString, 5));
  EXPECT_TRUE(data_set_->SQL()->Text().empty());
  item_->SetOpenOptions({ooFromList, ooFromDataSet});
  item_->SetOracleDataSet(nullptr);
  item_->Open();
  EXPECT_EQ(Fields(), Def("title", ftString, 40) + "," + Def("Action", ftString, 5));
}

TEST_F(TableListOracle, ClosingTheItemClosesItsDatasetAndAFreedDatasetIsForgotten) {
  item_->Open();
  data_set_->Open();
  item_->Close();
  EXPECT_FALSE(data_set_->Active());
  delete data_set_;
  data_set_ = nullptr;
  EXPECT_EQ(item_->OracleDataSet(), nullptr);
  item_->Open();  // the field lines alone
  EXPECT_EQ(Fields(), Def("Action", ftString, 5));
}

}  // namespace
