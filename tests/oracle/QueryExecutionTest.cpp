// Running the statement component on the stand-in server: array DML with
// failing rows and the handler that decides whether the rest runs.
#include <gtest/gtest.h>

#include "QueryTestSupport.h"

namespace {

using namespace Oracle;

// Ten rows for the keyed table, row 3 (the fourth) a key that exists.
class ArrayErrors : public QueryWorld {
 protected:
  void SetUp() override {
    QueryWorld::SetUp();
    Fixture("insert into keyed values (4);");
    Text("insert into keyed (n) values (:n)");
    query_->DeclareVariable("n", otInteger);
    std::vector<Variant> rows;
    for (int i = 1; i <= 10; ++i) rows.emplace_back(i);
    query_->SetVariable("n", VarArrayOf(std::move(rows)));
  }
  String Count() { return One(*session_, "select count(*) from keyed"); }

  std::vector<Integer> failed_rows_;
  std::vector<Integer> failed_codes_;
};

INSTANTIATE_TEST_SUITE_P(Generations, ArrayErrors, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(ArrayErrors, AHandlerThatGoesOnRunsEveryOtherRow) {
  query_->OnArrayError = [&](TOracleQuery*, Integer index, Integer code, const String& message,
                             bool& go_on) {
    failed_rows_.push_back(index);
    failed_codes_.push_back(code);
    EXPECT_NE(message.find("ORA-00001"), String::npos) << message;
    EXPECT_TRUE(go_on);
  };
  int after = 0;
  query_->AfterQuery = [&](TOracleQuery*) { ++after; };
  EXPECT_EQ(query_->ExecuteArray(-1, -1), 9);
  EXPECT_EQ(failed_rows_, (std::vector<Integer>{3}));
  EXPECT_EQ(failed_codes_, (std::vector<Integer>{1}));
  EXPECT_EQ(Count(), "10");
  EXPECT_EQ(after, 1);
}

TEST_P(ArrayErrors, AHandlerThatStopsKeepsTheRowsBefore) {
  query_->OnArrayError = [&](TOracleQuery*, Integer index, Integer, const String&, bool& go_on) {
    failed_rows_.push_back(index);
    go_on = false;
  };
  EXPECT_EQ(query_->ExecuteArray(-1, -1), 3);
  EXPECT_EQ(failed_rows_, (std::vector<Integer>{3}));
  EXPECT_EQ(Count(), "4");
}

TEST_P(ArrayErrors, WithoutAHandlerTheWholeArrayRaisesAfterTheRowsBefore) {
  try {
    query_->Execute();
    FAIL() << "the duplicate key went through";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 1);
  }
  EXPECT_EQ(Count(), "4");
  EXPECT_FALSE(session_->CallLockHeld());
}

TEST_P(ArrayErrors, SeveralFailingRowsAreEachReported) {
  Fixture("insert into keyed values (7);\ninsert into keyed values (10);\n");
  query_->OnArrayError = [&](TOracleQuery*, Integer index, Integer, const String&, bool&) {
    failed_rows_.push_back(index);
  };
  EXPECT_EQ(query_->ExecuteArray(-1, -1), 7);
  // The last row fails too: nothing runs after it.
  EXPECT_EQ(failed_rows_, (std::vector<Integer>{3, 6, 9}));
  EXPECT_EQ(Count(), "10");
}

TEST_P(ArrayErrors, ARangeKeepsToItsRows) {
  // Rows 2 to 5 (values 3 to 6): value 4 fails.
  query_->OnArrayError = [&](TOracleQuery*, Integer index, Integer, const String&, bool&) {
    failed_rows_.push_back(index);
  };
  EXPECT_EQ(query_->ExecuteArray(2, 4), 3);
  EXPECT_EQ(failed_rows_, (std::vector<Integer>{3}));
  EXPECT_EQ(One(*session_, "select sum(n) from keyed"), "18");  // 4 + 3 + 5 + 6
  // Without a handler a range ends quietly at the failing row.
  query_->OnArrayError = nullptr;
  session_->ExecuteSessionSQL("delete from keyed where n <> 4", false);
  EXPECT_EQ(query_->ExecuteArray(1, 5), 2);
  EXPECT_EQ(One(*session_, "select sum(n) from keyed"), "9");  // 4 + 2 + 3
}

}  // namespace
