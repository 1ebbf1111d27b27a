// The query's Debug box, binds kept across runs of an unchanged statement,
// and the buttons a confirmation asks for.
#include <gtest/gtest.h>

#include "QueryTestSupport.h"
#include "oracle/OracleText.h"
#include "platform/win/MessageBoxHook.h"

namespace {

using namespace Oracle;

TEST_P(QueryWorld, DebugShowsTheTextAndTheValuesBeforeEachRun) {
  std::vector<String> boxes;
  const TMessageBoxHandler previous =
      SetMessageBoxHandler([&](HWND, const String& text, const String&, UINT) {
        boxes.push_back(text);
        return IDOK;
      });
  Text("select title from cds\nwhere id = :id or title = :note");
  query_->DeclareVariable("id", otInteger);
  query_->DeclareVariable("note", otString);
  query_->SetVariable("id", 2);
  query_->Execute();
  EXPECT_TRUE(boxes.empty());  // off by default
  query_->SetDebug(true);
  query_->Execute();
  query_->Describe();  // describing shows nothing
  SetMessageBoxHandler(previous);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "select title from cds\nwhere id = :id or title = :note\n\n:ID = 2\n:NOTE = Null");
}

TEST_P(QueryWorld, AKeptBindSeesTheNewValueAndARedeclaredVariableIsBoundAfresh) {
  Text("select title from cds where id = :id");
  query_->DeclareVariable("id", otInteger);
  for (const auto& [id, title] :
       std::vector<std::pair<int, String>>{{1, "Blue Train"}, {2, "Kind of Blue"}}) {
    query_->SetVariable("id", id);
    query_->Execute();
    ASSERT_FALSE(query_->Eof());
    EXPECT_EQ(query_->FieldAsString(0), title);
  }
  EXPECT_EQ(query_->ParseCount(), 1);
  // Another type under the same name: a new buffer, bound again.
  query_->DeclareVariable("id", otString);
  query_->SetVariable("id", "1");
  query_->Execute();
  ASSERT_FALSE(query_->Eof());
  EXPECT_EQ(query_->FieldAsString(0), "Blue Train");
}

TEST(ConfirmButtons, FollowTheLettersAnywhereInTheText) {
  EXPECT_EQ(ConfirmButtons("YNC"), (TMsgDlgButtons{mbYes, mbNo, mbCancel}));
  EXPECT_EQ(ConfirmButtons("xOyI-A"), (TMsgDlgButtons{mbOK, mbIgnore, mbAll}));
  EXPECT_EQ(ConfirmButtons("yes"), TMsgDlgButtons{});  // lower case asks for nothing
}

}  // namespace
