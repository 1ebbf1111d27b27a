// Cursor columns read by other queries, and the handles the query keeps
// for them and for its ROWIDs.
#include "QueryTestSupport.h"
#include "oracle/OciConstants.h"

namespace {

using namespace Oracle;

class CursorColumns : public QueryWorld {
 protected:
  void SetUp() override {
    QueryWorld::SetUp();
    Rule("^select ID, cursor",
         "columns ID 2 22 5 0\ncolumns C 116 0\n"
         "row 1|select TITLE from cds where ID >= 1 order by ID\n"
         "row 2|select TITLE from cds where ID >= 2 order by ID\n"
         "row 3|\\N\n",
         true);
    Text("select ID, cursor(select TITLE from cds d where d.ID >= c.ID) C from cds c");
    nested_ = std::make_unique<TOracleQuery>(nullptr);
  }
  void TearDown() override {
    nested_.reset();
    QueryWorld::TearDown();
  }
  // Every title of the row's cursor, read through the nested query.
  std::vector<String> Titles() {
    query_->CursorField("C", nested_.get());
    nested_->Execute();
    std::vector<String> titles;
    for (; !nested_->Eof(); nested_->Next()) titles.push_back(nested_->FieldAsString(0));
    return titles;
  }
  std::unique_ptr<TOracleQuery> nested_;
};

INSTANTIATE_TEST_SUITE_P(Generations, CursorColumns, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(CursorColumns, EachRowsCursorIsReadByAnotherQuery) {
  if (GetParam()) {
    // The older generation has no statement handles to open them in.
    EXPECT_EQ(MessageOf([&] { query_->Execute(); }),
              "A query with sub-queries requires OCI8 mode, but OCI7 mode is used.");
    EXPECT_EQ(query_->FieldCount(), 0);
    return;
  }
  query_->Execute();
  EXPECT_EQ(query_->FieldType(1), otCursor);
  EXPECT_EQ(query_->FieldDBType(1), otCursor);
  // The cursor itself has no value to show.
  EXPECT_FALSE(query_->FieldIsNull(1));
  EXPECT_TRUE(query_->Field(1).IsEmpty());
  EXPECT_EQ(Titles(), (std::vector<String>{"Blue Train", "Kind of Blue"}));
  EXPECT_EQ(nested_->SQLType(), 4);
  EXPECT_EQ(nested_->Session(), session_.get());
  // Read once: the row's cursor now belongs to the nested query.
  EXPECT_TRUE(query_->FieldIsNull(1));
  EXPECT_EQ(MessageOf([&] { query_->CursorField(1, nested_.get()); }), "Field C holds no cursor");
  query_->Next();
  EXPECT_EQ(Titles(), (std::vector<String>{"Kind of Blue"}));
  query_->Next();
  EXPECT_EQ(MessageOf([&] { query_->CursorField(1, nested_.get()); }), "Field C holds no cursor");
}

TEST_P(CursorColumns, ACursorTakenStaysWithItsReaderWhenTheNextBlockComes) {
  if (GetParam()) GTEST_SKIP() << "cursor columns need the handle generation";
  // One row per block: the next fetch opens row 2's cursor in the handle
  // row 1's came in, had it stayed there.
  query_->SetReadBuffer(1);
  query_->Execute();
  query_->CursorField("C", nested_.get());
  query_->Next();
  nested_->Execute();
  std::vector<String> titles;
  for (; !nested_->Eof(); nested_->Next()) titles.push_back(nested_->FieldAsString("TITLE"));
  EXPECT_EQ(titles, (std::vector<String>{"Blue Train", "Kind of Blue"}));
  EXPECT_EQ(Titles(), (std::vector<String>{"Kind of Blue"}));
}

TEST_P(CursorColumns, WrongUsesAreRefused) {
  if (GetParam()) GTEST_SKIP() << "cursor columns need the handle generation";
  query_->Execute();
  const std::pair<std::function<void()>, String> cases[] = {
      {[&] { query_->CursorField("ID", nested_.get()); }, "Field ID is not a cursor"},
      {[&] { query_->CursorField("C", nullptr); }, "Cursor field C needs a query to read it"},
      {[&] { query_->CursorField("C", query_.get()); },
       "Cursor field C cannot be read by its query"},
  };
  for (const auto& [action, message] : cases) EXPECT_EQ(MessageOf(action), message);
  while (!query_->Eof()) query_->Next();
  EXPECT_EQ(MessageOf([&] { query_->CursorField("C", nested_.get()); }),
            "You cannot access field data beyond Eof");
}

TEST_P(CursorColumns, EveryHandleIsFreedWithTheQueries) {
  if (GetParam()) GTEST_SKIP() << "cursor columns need the handle generation";
  const int before = LiveHandles(kHtypeStmt);
  query_->SetReadBuffer(2);
  query_->Execute();
  // One per buffered row, besides the query's own statement.
  EXPECT_EQ(LiveHandles(kHtypeStmt), before + 3);
  EXPECT_EQ(Titles().size(), 2u);
  query_->Next();
  query_->Next();
  query_->Close();
  nested_->Close();
  EXPECT_EQ(LiveHandles(kHtypeStmt), before);
}

TEST_P(QueryWorld, TheRowIdDescriptorIsMadeOnceAndFreedWithTheCursor) {
  if (GetParam()) GTEST_SKIP() << "the older generation reads its data area";
  Text("insert into numbers (n) values (1)");
  query_->Execute();
  const int made = LiveHandles(kDtypeRowid);
  for (int i = 0; i < 3; ++i) {
    query_->Execute();
    EXPECT_EQ(query_->RowId().size(), 18u);
  }
  EXPECT_EQ(LiveHandles(kDtypeRowid), made);
  query_->Close();
  EXPECT_EQ(LiveHandles(kDtypeRowid), made - 1);
}

}  // namespace
