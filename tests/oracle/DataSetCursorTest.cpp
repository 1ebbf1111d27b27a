// An Oracle dataset whose rows come from a cursor variable that a PL/SQL
// block opens: fields from the cursor's select list, rows fetched on
// demand, the block run once per open or refresh, and what such a dataset
// refuses without an updating table.
#include <gtest/gtest.h>

#include <algorithm>

#include "DataSetTestSupport.h"
#include "QueryTestSupport.h"

namespace {

using namespace Oracle;

class DataSetCursor : public DataSetWorld {
 protected:
  static constexpr const char* kBlock = "begin open :c for select * from rows order by id; end;\n";
  void SetUp() override {
    DataSetWorld::SetUp();
    Rule(kBlock, "cursor C select ID, NAME, GRP from rows order by ID\n");
    data_set_->DeclareVariable("c", otCursor);
  }
  // How often the server was given `text`.
  int Runs(const String& text) {
    const std::vector<String> log = StatementLog();
    return int(std::count(log.begin(), log.end(), text));
  }
};

TEST_F(DataSetCursor, FieldsAndRowsComeFromTheOpenedCursor) {
  OpenRowsOnDemand(kBlock);
  ASSERT_EQ(data_set_->FieldCount(), 3);
  EXPECT_EQ(data_set_->Fields(1)->FieldName(), "NAME");
  EXPECT_EQ(data_set_->FieldByName("ID")->DataType(), ftInteger);
  EXPECT_NE(data_set_->FetchQuery(), nullptr);
  EXPECT_EQ(data_set_->FetchQuery()->Name(), "CursorQuery");
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(data_set_->FieldByName("NAME")->AsString(), "Row 1");
  // Five rows a fetch, as the dataset's ReadBuffer asks of the cursor too.
  EXPECT_LE(Fetched(), 5);
  data_set_->MoveBy(11);
  EXPECT_EQ(Id(), 12);
  data_set_->Last();
  EXPECT_EQ(Id(), kRows);
  EXPECT_EQ(data_set_->RecordCount(), kRows);
  EXPECT_EQ(Runs(kBlock), 1);
}

TEST_F(DataSetCursor, RefreshRunsTheBlockAgainAndReadsFromTheStart) {
  int before = 0, after = 0;
  data_set_->BeforeQuery = [&](TOracleDataSet*) { ++before; };
  data_set_->AfterQuery = [&](TOracleDataSet*) { ++after; };
  Open(kBlock);
  EXPECT_EQ(data_set_->RecordCount(), kRows);
  EXPECT_EQ(Runs(kBlock), 1);
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  data_set_->Last();
  data_set_->Refresh();
  EXPECT_EQ(Runs(kBlock), 2);
  EXPECT_EQ(data_set_->RecordCount(), kRows);
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(before, 2);
}

TEST_F(DataSetCursor, ClosingReturnsToTheMainQuery) {
  Open(kBlock);
  data_set_->Close();
  EXPECT_EQ(data_set_->FetchQuery()->Name(), "MainQuery");
  // Without the cursor variable the same dataset reads its own select.
  data_set_->ClearVariables();
  Open("select id from rows where id <= 3");
  EXPECT_EQ(data_set_->RecordCount(), 3);
  EXPECT_EQ(data_set_->FetchQuery()->Name(), "MainQuery");
}

TEST_F(DataSetCursor, ACursorDatasetNeedsItsUpdatingTableNamed) {
  data_set_->OracleDictionary()->SetFieldKinds(true);
  // Without a table the dictionary has nothing to compare the fields with.
  Open(kBlock);
  EXPECT_EQ(data_set_->FieldByName("ID")->FieldKind(), fkData);
  EXPECT_EQ(MessageOf([&] { data_set_->GetUpdatingTableName(); }),
            "UpdatingTable property required for cursor dataset");
  EXPECT_EQ(MessageOf([&] { data_set_->CountQueryHits(); }),
            "Cannot count query hits for cursor dataset");
  data_set_->Close();
  data_set_->SetUpdatingTable("rows");
  EXPECT_EQ(data_set_->GetUpdatingTableName(), "ROWS");
  data_set_->Open();
  EXPECT_EQ(data_set_->FieldByName("GRP")->FieldKind(), fkData);
  if (session_->TableInfoCache()) session_->TableInfoCache()->Clear();
}

}  // namespace
