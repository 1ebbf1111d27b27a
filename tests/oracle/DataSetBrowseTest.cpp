// Browsing the Oracle dataset: navigation, record numbers and bookmarks
// across fetches, searching past the fetched rows, filters and counts.
#include <gtest/gtest.h>

#include "DataSetTestSupport.h"
#include "QueryTestSupport.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/DateTime.h"

namespace {

using namespace Oracle;

TEST_F(DataSetWorld, NavigationFetchesBlockByBlockAndKeepsRecordNumbers) {
  OpenRowsOnDemand();
  EXPECT_EQ(Fetched(), 1);  // the first record, for the ring
  EXPECT_EQ(data_set_->RecNo(), 1);
  for (int i = 1; i <= 12; ++i) {
    EXPECT_EQ(Id(), i);
    EXPECT_EQ(data_set_->RecNo(), i);
    data_set_->Next();
  }
  EXPECT_EQ(Fetched(), 13);
  EXPECT_EQ(data_set_->RecordCount(), 13);
  data_set_->Prior();
  EXPECT_EQ(Id(), 12);
  data_set_->Last();
  EXPECT_EQ(Fetched(), kRows);
  EXPECT_EQ(Id(), kRows);
  EXPECT_EQ(data_set_->RecNo(), kRows);
  data_set_->Next();
  EXPECT_TRUE(data_set_->Eof());
  data_set_->First();
  EXPECT_TRUE(data_set_->Bof());
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(data_set_->MoveBy(-5), 0);
}

TEST_F(DataSetWorld, SetRecNoMovesWithinFetchedRowsOrFetchesWithCountAllRecords) {
  OpenRowsOnDemand();
  data_set_->MoveBy(9);
  data_set_->SetRecNo(4);
  EXPECT_EQ(Id(), 4);
  data_set_->SetRecNo(40);  // beyond the fetched rows: no count to go by
  EXPECT_EQ(Id(), 4);
  data_set_->SetCountAllRecords(true);
  data_set_->SetRecNo(40);
  EXPECT_EQ(Id(), 40);
  EXPECT_EQ(data_set_->RecNo(), 40);
}

TEST_F(DataSetWorld, BookmarksFindTheirRecordsAcrossFetches) {
  OpenRowsOnDemand();
  data_set_->MoveBy(2);
  const TBookmark third = data_set_->GetBookmark();
  data_set_->MoveBy(30);
  const TBookmark far = data_set_->GetBookmark();
  EXPECT_EQ(Id(), 33);
  data_set_->GotoBookmark(third);
  EXPECT_EQ(Id(), 3);
  data_set_->GotoBookmark(far);
  EXPECT_EQ(Id(), 33);
  EXPECT_TRUE(data_set_->BookmarkValid(third));
  Integer unknown = 999;
  EXPECT_FALSE(data_set_->BookmarkValid(TBookmark(&unknown, 4)));
  EXPECT_EQ(MessageOf([&] { data_set_->GotoBookmark(TBookmark(&unknown, 4)); }),
            "Bookmark not found (999)");

  struct Case {
    TBookmark a, b;
    Integer result;
  };
  const Case cases[] = {{third, far, -1}, {far, third, 1}, {far, far, 0},
                        {third, {}, -1},  {{}, third, 1},  {{}, {}, 0}};
  for (const Case& c : cases) EXPECT_EQ(data_set_->CompareBookmarks(c.a, c.b), c.result);
}

TEST_F(DataSetWorld, LocateFetchesUntilFoundOrExhausted) {
  OpenRowsOnDemand();
  EXPECT_TRUE(data_set_->Locate("ID", 27, {}));
  EXPECT_EQ(Id(), 27);
  EXPECT_LT(Fetched(), kRows);
  EXPECT_FALSE(data_set_->Locate("ID", 999, {}));
  EXPECT_EQ(Fetched(), kRows);
  EXPECT_EQ(Id(), 27);
}

TEST_F(DataSetWorld, LocateOptionsAndLookup) {
  OpenRowsOnDemand();
  struct Case {
    const char* fields;
    Variant values;
    TLocateOptions options;
    Integer found;  // 0: not found
  };
  const Case cases[] = {
      {"NAME", "row 10", {}, 10},
      {"NAME", "ROW 10", {}, 0},
      {"NAME", "ROW 10", {loCaseInsensitive}, 10},
      {"NAME", "Row 4", {loPartialKey}, 4},
      {"NAME", "row 2", {loPartialKey}, 20},
      {"NAME", "ROW 2", {loPartialKey, loCaseInsensitive}, 2},
      {"GRP;NAME", VarArrayOf({2, "Row 5"}), {}, 5},
      {"GRP;NAME", VarArrayOf({1, "Row 5"}), {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields + String(" ") + VarToStr(c.values.IsArray() ? c.values[1] : c.values));
    data_set_->First();
    EXPECT_EQ(data_set_->Locate(c.fields, c.values, c.options), c.found != 0);
    EXPECT_EQ(Id(), c.found ? c.found : 1);
  }
  data_set_->First();
  EXPECT_EQ(data_set_->Lookup("ID", 45, "NAME").AsString(), "Row 45");
  const Variant both = data_set_->Lookup("NAME", "row 30", "ID;GRP");
  EXPECT_EQ(both[0].AsInteger(), 30);
  EXPECT_EQ(both[1].AsInteger(), 0);
  EXPECT_TRUE(data_set_->Lookup("ID", 0, "NAME").IsNull());
  EXPECT_EQ(Id(), 1);
  EXPECT_THROW(data_set_->Locate("ID;NAME", 1, {}), Exception);
}

TEST_F(DataSetWorld, SearchRecordDirectionsNullsWildcardsAndDays) {
  Open("select * from kinds");
  // An empty text finds a null value; a day finds a time on that day.
  EXPECT_TRUE(data_set_->SearchRecord("TITLE", "", srFromBeginning));
  EXPECT_TRUE(data_set_->FieldByName("TITLE")->IsNull());
  EXPECT_FALSE(data_set_->SearchRecord("RELEASED", EncodeDate(1958, 1, 15), srFromBeginning));
  EXPECT_TRUE(
      data_set_->SearchRecord("RELEASED", EncodeDate(1958, 1, 15), srFromBeginning | srIgnoreTime));
  EXPECT_EQ(data_set_->FieldByName("TITLE")->AsString(), "Blue Train");
  data_set_->Close();

  OpenRowsOnDemand();
  EXPECT_TRUE(data_set_->SearchRecord("NAME", "Row 5*", srFromEnd | srWildcards));
  EXPECT_EQ(Id(), 59);
  EXPECT_TRUE(data_set_->SearchRecord("GRP", 0, srBackward));
  EXPECT_EQ(Id(), 57);
  EXPECT_TRUE(data_set_->SearchRecord("GRP", 0, srForward));
  EXPECT_EQ(Id(), 60);
  EXPECT_TRUE(data_set_->SearchRecord("NAME", "?ow 1?",
                                      srFromBeginning | srWildcards | srIgnoreCase | srDontMove));
  EXPECT_EQ(Id(), 60);
}

TEST_F(DataSetWorld, SearchRecordRefusesBadOptionsAndMissingRowId) {
  Open("select * from rows");
  data_set_->SetName("Rows");
  for (TSearchRecordOptions bad :
       {TSearchRecordOptions(srFromBeginning | srFromEnd),
        TSearchRecordOptions(srForward | srBackward), TSearchRecordOptions(srForward | srFromEnd),
        TSearchRecordOptions(srBackward | srFromBeginning)})
    EXPECT_EQ(MessageOf([&] { data_set_->SearchRecord("ID", 1, bad); }),
              "Rows.SearchRecord options invalid");
  EXPECT_EQ(MessageOf([&] { data_set_->SearchRecord("ROWID", "x", srFromBeginning); }),
            "You cannot search a rowid if it is not included in the select list");
  EXPECT_EQ(MessageOf([&] { data_set_->SearchRecord("ID;GRP", 1, srFromBeginning); }),
            "Rows.SearchRecord: number of fields and values do not match");
}

TEST_F(DataSetWorld, FilterTextAndOnFilterRecordChooseTheVisibleRecords) {
  data_set_->SetFilter("([GRP] = 1) and ([ID] > 30)");  // kept while closed
  data_set_->SetFiltered(true);
  OpenRowsOnDemand();
  EXPECT_EQ(Id(), 31);
  data_set_->Last();
  EXPECT_EQ(Id(), 58);
  EXPECT_EQ(data_set_->RecordCount(), 10);
  EXPECT_EQ(data_set_->RecNo(), 10);

  data_set_->SetOnFilterRecord([](TDataSet* sender, bool& accept) {
    accept = sender->FieldByName("ID")->AsInteger() % 2 == 0;
  });
  EXPECT_EQ(data_set_->RecordCount(), 5);
  EXPECT_EQ(Id(), 34);
  data_set_->SetFilter("upper([NAME]) = 'ROW 40'");
  EXPECT_EQ(data_set_->RecordCount(), 1);
  data_set_->SetFiltered(false);
  EXPECT_EQ(data_set_->RecordCount(), kRows);
  EXPECT_THROW(data_set_->SetFilter("[NOSUCH] = 1"), EExpression);
}

TEST_F(DataSetWorld, FilteredRowsAreFetchedOnDemandAndKeepTheirBookmarks) {
  data_set_->SetFilter("[GRP] = 0");
  data_set_->SetFiltered(true);
  OpenRowsOnDemand();
  for (int id = 3; id <= 15; id += 3) {
    EXPECT_EQ(Id(), id);
    data_set_->Next();
  }
  EXPECT_LT(Fetched(), kRows);
  EXPECT_TRUE(data_set_->Locate("ID", 42, {}));
  EXPECT_EQ(data_set_->RecNo(), 14);
  const TBookmark mark = data_set_->GetBookmark();
  EXPECT_FALSE(data_set_->Locate("ID", 43, {}));
  data_set_->First();
  data_set_->GotoBookmark(mark);
  EXPECT_EQ(Id(), 42);
  // The bookmark outlives the filter: the record is found in the full list.
  data_set_->SetFiltered(false);
  data_set_->GotoBookmark(mark);
  EXPECT_EQ(Id(), 42);
  EXPECT_EQ(data_set_->RecNo(), 42);
}

TEST_F(DataSetWorld, RecordCountCountsOnTheServerOnlyWhenAsked) {
  OpenRowsOnDemand("select * from rows where grp = 1 order by name");
  EXPECT_EQ(data_set_->RecordCount(), 1);
  data_set_->Close();
  data_set_->SetCountAllRecords(true);
  OpenRowsOnDemand("select * from rows where grp = 1 order by name");
  EXPECT_EQ(data_set_->RecordCount(), 20);
  EXPECT_EQ(Fetched(), 1);
  data_set_->Last();
  data_set_->SetFilter("[ID] < 10");
  data_set_->SetFiltered(true);
  EXPECT_EQ(data_set_->RecordCount(), 3);
  data_set_->Close();
  EXPECT_EQ(MessageOf([&] { data_set_->RecordCount(); }), MsgDataSetClosed);
}

TEST_F(DataSetWorld, CountDeclaresOnlyTheVariablesItsTextNames) {
  data_set_->SetCountAllRecords(true);
  data_set_->DeclareVariable("id", otInteger);
  data_set_->DeclareVariable("id2", otInteger);
  data_set_->SetVariable("id", 1);
  data_set_->SetVariable("id2", 50);
  // :ID stands only in the order, which counting drops; :ID2 holds its name.
  OpenRowsOnDemand("select * from rows where id > :id2 order by id * :id");
  EXPECT_EQ(data_set_->RecordCount(), 10);
  data_set_->Close();
  data_set_->DeclareVariable("c", otCursor);
  EXPECT_EQ(MessageOf([&] { data_set_->CountQueryHits(); }),
            "Cannot count query hits for cursor dataset");
}

TEST_F(DataSetWorld, MessagesAreTranslatedThroughTheMessageTable) {
  Fixture(
      "create table messages (constraint_name varchar2(30), actions varchar2(10),\n"
      "  parent_child varchar2(1), error_message varchar2(80));\n"
      "insert into messages values ('CK_O''NEIL', '*', '*', 'Any action');\n"
      "insert into messages values ('CK_O''NEIL', 'U', '*', 'Not on update');\n"
      "insert into messages values ('FK_X', 'I', 'C', 'No parent');\n"
      "insert into messages values ('FK_X', 'I', 'P', 'Has children');\n");
  session_->SetMessageTable("messages");
  data_set_->OracleDictionary()->SetUseMessageTable(true);
  struct Case {
    char action;
    Integer code;
    const char* server;
    const char* expected;
  };
  const Case cases[] = {
      {'U', 2290, "ORA-02290: check constraint (SCOTT.CK_O'NEIL) violated", "Not on update"},
      {'I', 2290, "ORA-02290: check constraint (SCOTT.CK_O'NEIL) violated", "Any action"},
      {'I', 2291, "ORA-02291: integrity constraint (SCOTT.FK_X) violated", "No parent"},
      {'I', 2292, "ORA-02292: integrity constraint (SCOTT.FK_X) violated", "Has children"},
      {'I', 1, "ORA-00001: unique constraint (SCOTT.PK_Y) violated",
       "ORA-00001: unique constraint (SCOTT.PK_Y) violated"},
      {'U', 20001, "ORA-20001: too late\nORA-06512: at line 1", "ORA-20001: too late"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server);
    String message;
    data_set_->TranslateMessage(c.action, c.code, message, c.server);
    EXPECT_EQ(message, c.expected);
  }
  data_set_->OnTranslateMessage = [](TOracleDataSet*, Integer code, const String& constraint,
                                     char action, String& msg) {
    msg = IntToStr(code) + " " + constraint + " " + action + " " + msg;
  };
  String message;
  data_set_->TranslateMessage('D', 2292, message, "ORA-02292: (SCOTT.FK_X)");
  EXPECT_EQ(message, "2292 FK_X D ORA-02292: (SCOTT.FK_X)");
}

}  // namespace
