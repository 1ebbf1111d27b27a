// The case-insensitive condition of query by example: written so that an
// index on the column can narrow the search by the first two characters.
#include <gtest/gtest.h>

#include "oracle/OracleDataSet.h"

namespace {

struct ConditionCase {
  const char* text;
  const char* condition;
};

TEST(QBECondition, CaseInsensitiveConditionCoversEveryCaseOfTheFirstTwoCharacters) {
  const ConditionCase cases[] = {
      {"a", "C in ('A', 'a')"},
      {"7", "C = '7'"},
      {"%", "C like '%'"},
      {"ab", "(C = 'ab' or C = 'Ab' or C = 'aB' or C = 'AB')"},
      {"a1", "(C = 'a1' or C = 'A1')"},
      {"1a", "(C = '1a' or C = '1A')"},
      {"a%", "(C like 'a%' or C like 'A%')"},
      {"12", "(C = '12')"},
      {"ab%",
       "(C like 'ab%' or C like 'Ab%' or C like 'aB%' or C like 'AB%') and upper(C) like "
       "upper('ab%')"},
      {"Blue Train",
       "(C like 'bl%' or C like 'Bl%' or C like 'bL%' or C like 'BL%') and upper(C) = "
       "upper('Blue Train')"},
      {"%ue%", "(C like '%u%' or C like '%U%') and upper(C) like upper('%ue%')"},
      // A quote in the text stays inside its literal.
      {"o'n", "(C like 'o''%' or C like 'O''%') and upper(C) = upper('o''n')"},
      // A letter outside ASCII is one character, in both its cases.
      {"\xC3\xA9t\xC3\xA9",
       "(C like '\xC3\xA9t%' or C like '\xC3\x89t%' or C like '\xC3\xA9T%' or C like "
       "'\xC3\x89T%') and upper(C) = upper('\xC3\xA9t\xC3\xA9')"},
  };
  for (const ConditionCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TOracleDataSet::CaseInsensitiveCondition(c.text, "C"), c.condition);
  }
}

}  // namespace
