// tests/data/BookmarkTest.cpp
#include <gtest/gtest.h>

#include "tests/data/TestTables.h"

TEST(Bookmarks, GotoBookmarkReturnsToTheMarkedRecord) {
  auto ds = MakePeople(5);
  ds->Open();
  ds->MoveBy(3);
  TBookmark mark = ds->GetBookmark();
  ASSERT_FALSE(mark.Empty());
  EXPECT_EQ(mark.Size(), 4u);
  ds->First();
  ds->GotoBookmark(mark);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
  ds->FreeBookmark(mark);
  EXPECT_TRUE(mark.Empty());
  ds->GotoBookmark(mark);  // an empty bookmark goes nowhere
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
}

TEST(Bookmarks, SurviveEditsInsertsAndDeletesOfOtherRecords) {
  auto ds = MakePeople(4);
  ds->Open();
  ds->MoveBy(2);
  const TBookmark mark = ds->GetBookmark();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("edited");
  ds->Post();
  ds->First();
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(100);
  ds->Post();
  ds->Last();
  ds->Delete();
  ds->GotoBookmark(mark);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "edited");
  EXPECT_TRUE(ds->BookmarkValid(mark));
}

TEST(Bookmarks, TheBookmarkOfADeletedRecordIsInvalid) {
  auto ds = MakePeople(3);
  ds->Open();
  ds->Next();
  const TBookmark mark = ds->GetBookmark();
  ds->Delete();
  EXPECT_FALSE(ds->BookmarkValid(mark));
  EXPECT_THROW(ds->GotoBookmark(mark), EDatabaseError);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
}

TEST(Bookmarks, NoBookmarkWhileInsertingOrEmpty) {
  auto ds = MakePeople(0);
  ds->Open();
  EXPECT_TRUE(ds->GetBookmark().Empty());
  ds->Insert();
  EXPECT_FALSE(ds->BookmarkAvailable());
  EXPECT_TRUE(ds->GetBookmark().Empty());
}

TEST(Bookmarks, CompareBookmarksFollowsTheOrderAndPutsEmptyFirst) {
  auto ds = MakePeople(3);
  ds->Open();
  const TBookmark first = ds->GetBookmark();
  ds->Last();
  const TBookmark last = ds->GetBookmark();
  EXPECT_EQ(ds->CompareBookmarks(first, last), -1);
  EXPECT_EQ(ds->CompareBookmarks(last, first), 1);
  EXPECT_EQ(ds->CompareBookmarks(last, last), 0);
  EXPECT_EQ(ds->CompareBookmarks(TBookmark(), last), -1);
  EXPECT_EQ(ds->CompareBookmarks(TBookmark(), TBookmark()), 0);
}
