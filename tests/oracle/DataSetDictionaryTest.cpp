// What the data dictionary gives the Oracle dataset's fields at open (kinds,
// ranges, display formats, required flags), and which of its switches the
// message translation and the obsolete properties follow.
#include <gtest/gtest.h>

#include "DataSetTestSupport.h"
#include "platform/data/NumericFields.h"

namespace {

class DataSetDictionary : public DataSetWorld {
 protected:
  void SetUp() override {
    DataSetWorld::SetUp();
    Fixture(
        "create table prices (id number(4) not null, amount number(10,2), rate number(3,3),\n"
        "  qty number(3), label varchar2(10));\n"
        "insert into prices values (1, 1234567.5, 0.25, 12, 'one');\n");
  }
  void TearDown() override {
    data_set_.reset();
    if (session_ && session_->TableInfoCache()) session_->TableInfoCache()->Clear();
    DataSetWorld::TearDown();
  }
  TOracleDictionary* Dictionary() { return data_set_->OracleDictionary(); }
  TNumericField* Number(const char* name) {
    return dynamic_cast<TNumericField*>(data_set_->FieldByName(name));
  }
};

TEST_F(DataSetDictionary, RequiredFieldsFollowTheSwitch) {
  Dictionary()->SetRequiredFields(false);
  Open("select id, label from prices");
  EXPECT_FALSE(data_set_->FieldDefs()->Items(0)->Required());
  EXPECT_FALSE(data_set_->FieldByName("ID")->Required());
  data_set_->Close();
  Dictionary()->SetRequiredFields(true);
  data_set_->Open();
  EXPECT_TRUE(data_set_->FieldByName("ID")->Required());
  EXPECT_FALSE(data_set_->FieldByName("LABEL")->Required());
}

TEST_F(DataSetDictionary, ValuesTheTableDoesNotHoldBecomeReadOnlyInternalFields) {
  Dictionary()->SetFieldKinds(true);
  Open("select p.id, p.qty * 2 twice, upper(p.label) shout, p.label from prices p");
  struct Case {
    const char* name;
    TFieldKind kind;
    bool readOnly;
    const char* text;
  };
  const Case cases[] = {{"ID", fkData, false, "1"},
                        {"TWICE", fkInternalCalc, true, "24"},
                        {"SHOUT", fkInternalCalc, true, "ONE"},
                        {"LABEL", fkData, false, "one"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TField* field = data_set_->FieldByName(c.name);
    EXPECT_EQ(field->FieldKind(), c.kind);
    EXPECT_EQ(field->ReadOnly(), c.readOnly);
    // An internal field still carries the value the server computed.
    EXPECT_EQ(field->AsString(), c.text);
  }
  // The kinds are the dictionary's: a reopen without it gives data fields.
  data_set_->Close();
  Dictionary()->SetFieldKinds(false);
  data_set_->Open();
  EXPECT_EQ(data_set_->FieldByName("TWICE")->FieldKind(), fkData);
}

TEST_F(DataSetDictionary, RangesComeFromPrecisionAndScale) {
  Dictionary()->SetRangeValues(true);
  Open("select id, amount, rate, qty from prices");
  auto* id = dynamic_cast<TIntegerField*>(data_set_->FieldByName("ID"));
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->MinValue(), -9999);
  EXPECT_EQ(id->MaxValue(), 9999);
  auto* amount = dynamic_cast<TFloatField*>(data_set_->FieldByName("AMOUNT"));
  ASSERT_NE(amount, nullptr);
  EXPECT_DOUBLE_EQ(amount->MaxValue(), 99999999.99);
  EXPECT_DOUBLE_EQ(amount->MinValue(), -99999999.99);
  auto* rate = dynamic_cast<TFloatField*>(data_set_->FieldByName("RATE"));
  EXPECT_DOUBLE_EQ(rate->MaxValue(), 0.999);
}

TEST_F(DataSetDictionary, DisplayFormatsComeFromPrecisionAndScale) {
  Dictionary()->SetDisplayFormats(true);
  Open("select id, amount, rate, qty from prices");
  struct Case {
    const char* name;
    const char* display;
    const char* edit;
    Integer width;
  };
  const Case cases[] = {
      {"AMOUNT", "##,###,##0.00", "#######0.00", 14},
      {"RATE", "0.000", "0.000", 6},
      // Whole numbers get a width only.
      {"QTY", "", "", 4},
      {"ID", "", "", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TNumericField* field = Number(c.name);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->DisplayFormat(), c.display);
    EXPECT_EQ(field->EditFormat(), c.edit);
    EXPECT_EQ(field->DisplayWidth(), c.width);
  }
  EXPECT_EQ(Number("AMOUNT")->DisplayText(), "1,234,567.50");
  // Turning the formats off re-opens the dataset without them.
  Dictionary()->SetDisplayFormats(false);
  ASSERT_TRUE(data_set_->Active());
  EXPECT_EQ(Number("AMOUNT")->DisplayFormat(), "");
}

TEST_F(DataSetDictionary, MessageTableIsReadOnlyWhenTheDictionaryAsks) {
  Fixture(
      "create table messages (constraint_name varchar2(30), actions varchar2(10),\n"
      "  parent_child varchar2(1), error_message varchar2(80));\n"
      "insert into messages values ('CK_QTY', '*', '*', 'Quantity must be positive');\n");
  session_->SetMessageTable("messages");
  const String server = "ORA-02290: check constraint (SCOTT.CK_QTY) violated";
  String message;
  data_set_->TranslateMessage('I', 2290, message, server);
  EXPECT_EQ(message, server);
  Dictionary()->SetUseMessageTable(true);
  EXPECT_EQ(data_set_->TranslateMessage('I', 2290, server), "Quantity must be positive");
}

TEST_F(DataSetDictionary, ObsoleteAndAssignedSettingsReachTheDictionary) {
  data_set_->SetEnforceConstraints(true);
  EXPECT_TRUE(Dictionary()->EnforceConstraints());
  TOracleDictionary stored;
  stored.SetDefaultValues(true);
  stored.SetRequiredFields(false);
  stored.DisabledConstraints()->Add("CK_QTY");
  data_set_->SetOracleDictionary(&stored);
  EXPECT_FALSE(data_set_->EnforceConstraints());
  EXPECT_TRUE(Dictionary()->DefaultValues());
  EXPECT_TRUE(Dictionary()->DisabledConstraints()->Disabled("ck_qty"));
  TSequenceField sequence;
  sequence.SetField("ID");
  sequence.SetSequence("PRICES_SEQ");
  data_set_->SetSequenceField(&sequence);
  EXPECT_TRUE(data_set_->IsAutoFilledField("id"));
  EXPECT_FALSE(data_set_->IsAutoFilledField("QTY"));
}

}  // namespace
