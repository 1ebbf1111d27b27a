// LONG and LONG RAW columns read in pieces (the handle generation) or in
// reads after the row (the older one), and the ROWID of the last row a
// statement touched, in both layouts of the client's ROWID descriptor.
#include <gtest/gtest.h>

#include "QueryTestSupport.h"

namespace {

using namespace Oracle;

// A text longer than a few pieces, with a mark every thousand bytes so
// that a piece in the wrong place shows.
String LongText(int size) {
  String text;
  for (int i = 0; text.size() < std::size_t(size); ++i)
    text += Format("%06d", i) + String(994, char('a' + i % 26));
  text.resize(std::size_t(size));
  return text;
}

class LongColumns : public QueryWorld {
 protected:
  void SetUp() override {
    QueryWorld::SetUp();
    Fixture(
        "create table notes (id number(5), body long);\n"
        "insert into notes values (1, '" +
        LongText(70000) +
        "');\n"
        "insert into notes values (2, null);\n"
        "insert into notes values (3, 'short');\n");
  }
};

INSTANTIATE_TEST_SUITE_P(Generations, LongColumns, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(LongColumns, ReadsWholeValuesRowByRow) {
  Text("select id, body from notes order by id");
  query_->SetReadBuffer(25);
  query_->Execute();
  EXPECT_EQ(query_->FieldType(1), otLong);
  ASSERT_FALSE(query_->Eof());
  EXPECT_EQ(query_->Field(1).AsString(), LongText(70000));
  query_->Next();
  EXPECT_TRUE(query_->FieldIsNull(1));
  query_->Next();
  EXPECT_EQ(query_->Field("body").AsString(), "short");
  EXPECT_EQ(query_->RowsProcessed(), 3);  // one row per block
  query_->Next();
  EXPECT_TRUE(query_->Eof());
}

TEST_P(LongColumns, CopiesARangeOfTheValue) {
  Text("select body, id from notes where id = 1");
  query_->Execute();
  ASSERT_FALSE(query_->Eof());
  const String whole = LongText(70000);
  // Across the first pieces, across the older generation's define buffer,
  // and past the end.
  for (const auto& [offset, length] :
       std::vector<std::pair<int, int>>{{0, 10}, {1990, 20}, {5990, 30000}, {69990, 100}}) {
    String part(std::size_t(length), '\0');
    const Integer copied = query_->GetLongField(0, part.data(), length, offset);
    part.resize(std::size_t(copied));
    EXPECT_EQ(part, whole.substr(std::size_t(offset), std::size_t(length))) << offset;
  }
  char byte = 0;
  EXPECT_THROW(query_->GetLongField(1, &byte, 1, 0), Exception);  // not a LONG
}

TEST_P(QueryWorld, TheRowIdOfTheLastRowMatchesItsRowidColumn) {
  Text("insert into numbers (n) values (42)");
  query_->Execute();
  const String rowid = query_->RowId();
  EXPECT_EQ(rowid.size(), 18u) << rowid;
  auto select = std::make_unique<TOracleQuery>(nullptr);
  select->SetSession(session_.get());
  select->SQL()->SetText("select rowid from numbers where n = 42");
  select->Execute();
  ASSERT_FALSE(select->Eof());
  EXPECT_EQ(select->FieldType(0), otString);
  EXPECT_EQ(select->FieldAsString(0), rowid);
}

// The 8.0 client lays the descriptor out as four 32-bit numbers.
class OlderClientRowId : public QueryWorld {
 protected:
  const char* ClientVariant() const override { return "standin_client_no_oci81"; }
};

INSTANTIATE_TEST_SUITE_P(Generations, OlderClientRowId, ::testing::Values(false),
                         [](const auto&) { return "OCI8"; });

TEST_P(OlderClientRowId, ReadsTheFourNumberLayout) {
  ASSERT_FALSE(OracleCI::OCI81Present);
  Text("insert into numbers (n) values (42)");
  query_->Execute();
  const String rowid = query_->RowId();
  EXPECT_EQ(One(*session_, "select rowid from numbers where n = 42"), rowid);
}

}  // namespace
