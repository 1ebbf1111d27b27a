// tests/oracle/DictionaryTextTest.cpp
#include <gtest/gtest.h>

#include "oracle/OracleDictionary.h"

namespace {

TEST(BindCheckCondition, TurnsColumnsIntoVariables) {
  struct Case {
    const char* condition;
    std::vector<String> columns;
    const char* expected;
  };
  const Case cases[] = {
      {"SAL > 0", {"SAL"}, ":SAL > 0"},
      {"sal>0 and SAL<100", {"SAL"}, ":sal>0 and :SAL<100"},
      {"\"SAL\" > 0", {"SAL"}, ":SAL > 0"},
      {"SALARY > SAL", {"SAL"}, "SALARY > :SAL"},
      {"E.SAL > 0", {"SAL"}, "E.SAL > 0"},
      {"LO <= HI", {"LO", "HI"}, ":LO <= :HI"},
      // Names inside quoted literals are text, not columns.
      {"STATUS in ('NEW', 'OLD')", {"STATUS", "NEW"}, ":STATUS in ('NEW', 'OLD')"},
      {"NEW = 'it''s NEW' or NEW is null", {"NEW"}, ":NEW = 'it''s NEW' or :NEW is null"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, OracleData::BindCheckCondition(c.condition, c.columns)) << c.condition;
}

TEST(FindSQLKeyword, FindsWholeWordsOnly) {
  EXPECT_EQ(10, OracleData::FindSQLKeyword("from", "select x\nFROM t"));
  EXPECT_EQ(0, OracleData::FindSQLKeyword("FROM", "select fromage from_x"));
  EXPECT_EQ(1, OracleData::FindSQLKeyword("select", "SELECT(1)"));
  EXPECT_EQ(0, OracleData::FindSQLKeyword("T", "select a.t from x"));
}

TEST(FloatsEqual, ComparesRelativeToTheFirst) {
  EXPECT_TRUE(OracleData::FloatsEqual(1e20, 1e20 + 1e9));
  EXPECT_FALSE(OracleData::FloatsEqual(1.0, 1.0001));
  EXPECT_TRUE(OracleData::FloatsEqual(0, 1e-11));
  EXPECT_FALSE(OracleData::FloatsEqual(0, 1e-9));
}

TEST(OracleDictionaryTest, AssignCopiesEverySettingAndReportsChanges) {
  TOracleDictionary source, target;
  int reopened = 0, signalled = 0;
  target.OnDisplayFormatsChange = [&] { ++reopened; };
  target.OnRequiredFieldsChange = [&] { ++signalled; };
  source.SetEnforceConstraints(true);
  source.DisabledConstraints()->Add("Emp_Pk");
  source.SetDisplayFormats(true);
  source.SetRequiredFields(false);
  source.SetDynamicDefaults(true);
  target.Assign(&source);
  EXPECT_TRUE(target.EnforceConstraints());
  EXPECT_TRUE(target.DynamicDefaults());
  EXPECT_TRUE(target.DisabledConstraints()->Disabled("EMP_PK"));
  EXPECT_EQ(1, reopened);
  EXPECT_EQ(1, signalled);
}

TEST(SequenceFieldTest, NamesItsFieldIgnoringCase) {
  TSequenceField sequence;
  sequence.SetField("Id");
  EXPECT_FALSE(sequence.IsSequenceField("ID"));  // no sequence: not active
  sequence.SetSequence("EMP_SEQ");
  EXPECT_TRUE(sequence.IsSequenceField("iD"));
  EXPECT_FALSE(sequence.IsServerSequenceField("ID"));
  sequence.SetApplyMoment(amOnServer);
  EXPECT_TRUE(sequence.IsServerSequenceField("ID"));
  TSequenceField copy;
  copy.Assign(&sequence);
  EXPECT_EQ(amOnServer, copy.ApplyMoment());
  EXPECT_EQ("EMP_SEQ", copy.Sequence());
}

}  // namespace
