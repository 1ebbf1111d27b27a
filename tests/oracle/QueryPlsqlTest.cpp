// PL/SQL tables bound to a block: the elements in use go in, the elements
// the block leaves come back, and the table's capacity is enforced.
#include <gtest/gtest.h>

#include "QueryTestSupport.h"

namespace {

using namespace Oracle;

class PlsqlTables : public QueryWorld {
 protected:
  static constexpr const char* kBlock = "begin pkg.names(:ids, :names); end;";
  void SetUp() override {
    QueryWorld::SetUp();
    Text(kBlock);
    query_->DeclareVariable("ids", otInteger);
    query_->DeclarePLSQLTable("ids", 5, 0);
    query_->DeclareVariable("names", otString);
    query_->DeclarePLSQLTable("names", 3, 5);
  }
};

INSTANTIATE_TEST_SUITE_P(Generations, PlsqlTables, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(PlsqlTables, ElementsGoInAndComeBack) {
  Rule(String(kBlock) + "\n", "table NAMES ten|\\N|thirt\n");
  query_->SetVariable("ids", VarArrayOf({Variant(10), Variant(20), Variant(30)}));
  EXPECT_TRUE(query_->GetVariable("names").IsEmpty());  // no elements yet
  query_->Execute();
  const std::vector<String> log = StatementLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(LoggedBinds(int(log.size()) - 1), "IDS=10|20|30\nNAMES=\n");
  const Variant names = query_->GetVariable("names");
  ASSERT_EQ(VarArrayHighBound(names, 1), 2);
  EXPECT_EQ(VarArrayGet(names, {0}).AsString(), "ten");
  EXPECT_TRUE(VarArrayGet(names, {1}).IsEmpty());
  EXPECT_EQ(VarArrayGet(names, {2}).AsString(), "thirt");
  EXPECT_EQ(VarArrayHighBound(query_->GetVariable("ids"), 1), 2);  // an in table keeps its count

  // Fewer elements the next time: the block sees only those.
  query_->SetVariable("ids", VarArrayOf({Variant(7)}));
  query_->Execute();
  EXPECT_EQ(LoggedBinds(int(StatementLog().size()) - 1), "IDS=7\nNAMES=ten|<null>|thirt\n");
}

TEST_P(PlsqlTables, TheCapacityAndTheKindOfValueAreChecked) {
  EXPECT_EQ(MessageOf([&] {
              query_->SetVariable(
                  "names", VarArrayOf({Variant("a"), Variant("b"), Variant("c"), Variant("d")}));
            }),
            "Array is larger than PL/SQL Table (4 > 3)");
  EXPECT_EQ(MessageOf([&] { query_->SetVariable("names", "a"); }),
            ":NAMES is a PL/SQL Table, assign a variant array to it");
  query_->SetVariable("names", VarArrayOf({Variant("a")}));
  query_->SetVariable("names", Null());  // empties the table
  EXPECT_TRUE(query_->GetVariable("names").IsEmpty());
  // The block may not return more than the table holds.
  Rule(String(kBlock) + "\n", "table NAMES a|b|c|d\n");
  try {
    query_->Execute();
    FAIL() << "four elements fitted in three";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 6513);
  }
}

}  // namespace

namespace {

class CursorVariables : public QueryWorld {
 protected:
  static constexpr const char* kBlock = "begin open :c for select * from cds; end;\n";
  void SetUp() override {
    QueryWorld::SetUp();
    Text(kBlock);
    query_->DeclareVariable("c", otCursor);
    cursor_ = std::make_unique<TOracleQuery>(nullptr);
    cursor_->SetSession(session_.get());
  }
  void TearDown() override {
    cursor_.reset();
    QueryWorld::TearDown();
  }
  std::vector<String> Titles() {
    std::vector<String> titles;
    for (; !cursor_->Eof(); cursor_->Next()) titles.push_back(cursor_->FieldAsString("title"));
    return titles;
  }
  std::unique_ptr<TOracleQuery> cursor_;
};

INSTANTIATE_TEST_SUITE_P(Generations, CursorVariables, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(CursorVariables, TheBlockOpensTheQueryThatFetchesItsRows) {
  Rule(kBlock, "cursor C select ID, TITLE from cds order by ID\n");
  cursor_->SQL()->SetText("select this text is forgotten");
  query_->SetComplexVariable("c", cursor_.get());
  query_->Execute();
  cursor_->Execute();
  EXPECT_EQ(cursor_->SQLType(), 4);
  EXPECT_EQ(cursor_->FieldCount(), 2);
  EXPECT_EQ(Titles(), (std::vector<String>{"Blue Train", "Kind of Blue"}));
  // The block runs again and opens the cursor afresh.
  query_->Execute();
  cursor_->Execute();
  EXPECT_EQ(Titles().size(), 2u);
}

TEST_P(CursorVariables, OnlyAQueryOrNothingIsAccepted) {
  EXPECT_EQ(MessageOf([&] { query_->SetComplexVariable("c", session_.get()); }),
            "Assign TOracleQuery instance to variable :C");
  EXPECT_EQ(MessageOf([&] { query_->SetComplexVariable("nothing", cursor_.get()); }),
            "Unknown variable: nothing");
  query_->DeclareVariable("n", otInteger);
  EXPECT_EQ(MessageOf([&] { query_->SetComplexVariable("n", cursor_.get()); }),
            ":N is not a complex variable");
  query_->SetComplexVariable("c", nullptr);
  EXPECT_EQ(MessageOf([&] { query_->Execute(); }), "Cursor variable :C cannot be nil");
  // A query that went away leaves its variable pointing at nothing.
  query_->SetComplexVariable("c", cursor_.get());
  cursor_.reset();
  EXPECT_EQ(MessageOf([&] { query_->Execute(); }), "Cursor variable :C cannot be nil");
}

}  // namespace
