// tests/data/NavigationTest.cpp
#include <gtest/gtest.h>

#include "tests/data/TestTables.h"

TEST(Navigation, OpenShowsTheFirstRecordAtTheBeginning) {
  auto ds = MakePeople(3);
  ds->Open();
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_TRUE(ds->Bof());
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "n1");
  EXPECT_TRUE(ds->DefaultFields());
  EXPECT_EQ(ds->FieldCount(), 3);
}

TEST(Navigation, NextWalksToTheEndAndSetsEofOnlyAfterTheLast) {
  auto ds = MakePeople(3);
  ds->Open();
  ds->Next();
  ds->Next();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  EXPECT_FALSE(ds->Eof());
  ds->Next();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
}

TEST(Navigation, PriorStopsAtTheBeginning) {
  auto ds = MakePeople(3);
  ds->Open();
  ds->Last();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  ds->Prior();
  ds->Prior();
  EXPECT_FALSE(ds->Bof());
  ds->Prior();
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
}

TEST(Navigation, MoveByReportsHowFarItGot) {
  auto ds = MakePeople(5);
  ds->Open();
  EXPECT_EQ(ds->MoveBy(3), 3);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
  EXPECT_EQ(ds->MoveBy(10), 1);
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->MoveBy(-10), -4);
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(ds->MoveBy(-1), 0);
}

TEST(Navigation, EmptyDatasetIsAtBothEnds) {
  auto ds = MakePeople(0);
  ds->Open();
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_TRUE(ds->Bof());
  EXPECT_TRUE(ds->Eof());
  EXPECT_TRUE(ds->FieldByName("NAME")->IsNull());
  ds->Next();
  ds->Last();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->RecNo(), -1);
}

TEST(Navigation, ScrollEventsSurroundEveryMove) {
  auto ds = MakePeople(3);
  std::vector<String> log;
  ds->BeforeScroll = [&](TDataSet* d) {
    log.push_back("before " + d->FieldByName("NAME")->AsString());
  };
  ds->AfterScroll = [&](TDataSet* d) {
    log.push_back("after " + d->FieldByName("NAME")->AsString());
  };
  ds->Open();
  log.clear();
  ds->Next();
  ds->Last();
  EXPECT_EQ(log, (std::vector<String>{"before n1", "after n2", "before n2", "after n3"}));
}

TEST(Navigation, CloseForgetsDefaultFieldsAndRefusesFieldAccess) {
  auto ds = MakePeople(2);
  std::vector<String> log;
  ds->BeforeClose = [&](TDataSet*) { log.push_back("before"); };
  ds->AfterClose = [&](TDataSet* d) { log.push_back(d->Active() ? "after open?" : "after"); };
  ds->Open();
  ds->Close();
  EXPECT_EQ(log, (std::vector<String>{"before", "after"}));
  EXPECT_EQ(ds->FieldCount(), 0);
  EXPECT_THROW(ds->FieldByName("NAME"), EDatabaseError);
  EXPECT_THROW(ds->Next(), EDatabaseError);
}

TEST(Navigation, ActiveSetWhileLoadingOpensWhenLoadingEnds) {
  TComponent form(nullptr);
  auto ds = MakePeople(2, &form);
  TLoadingScope loading(&form);
  ds->SetActive(true);
  EXPECT_FALSE(ds->Active());
  loading.Finish();
  EXPECT_TRUE(ds->Active());
  ds.release();  // the form owns it
}

TEST(Navigation, RefreshReadsNewRowsAndKeepsTheCurrentRecord) {
  auto ds = MakePeople(3);
  ds->Open();
  ds->Next();
  ds->AddRow({4, "n4", 40});
  EXPECT_EQ(ds->RecordCount(), 4);
  ds->Refresh();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(IdsFromHere(ds.get()), (std::vector<int>{2, 3, 4}));
}

TEST(Navigation, RecordCountAndRecNoFollowTheCursor) {
  auto ds = MakePeople(4);
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 4);
  ds->MoveBy(2);
  EXPECT_EQ(ds->RecNo(), 3);
  ds->SetRecNo(1);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
}

// A ring of several buffers (a grid's link asks for them) keeps consecutive
// records around the active one and slides as the cursor passes its ends.
TEST(BufferRing, LinksBufferCountSizesTheRingAndItSlides) {
  auto ds = MakePeople(10);
  TDataSource source(nullptr);
  source.SetDataSet(ds.get());
  TRecordingLink link;
  link.SetBufferCount(4);
  link.SetDataSource(&source);
  ds->Open();
  EXPECT_EQ(ds->BufferCount(), 4);
  EXPECT_EQ(ds->RecordBufferCount(), 4);
  EXPECT_EQ(link.RecordCount(), 4);
  EXPECT_EQ(link.ActiveRecord(), 0);
  ds->MoveBy(3);
  EXPECT_EQ(link.ActiveRecord(), 3);
  link.scrolls.clear();
  ds->Next();  // past the ring's last record: the ring slides by one
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 5);
  EXPECT_EQ(link.ActiveRecord(), 3);
  ASSERT_EQ(link.scrolls.size(), 1u);
  EXPECT_EQ(link.scrolls.back(), 1);
  // Walking back inside the window does not slide it.
  ds->MoveBy(-2);
  EXPECT_EQ(link.ActiveRecord(), 1);
  EXPECT_EQ(link.scrolls.back(), 0);
  EXPECT_EQ(IdsFromHere(ds.get()), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(BufferRing, LastFillsTheRingBackwards) {
  auto ds = MakePeople(10);
  TDataSource source(nullptr);
  source.SetDataSet(ds.get());
  TRecordingLink link;
  link.SetBufferCount(3);
  link.SetDataSource(&source);
  ds->Open();
  ds->Last();
  EXPECT_EQ(ds->RecordBufferCount(), 3);
  EXPECT_EQ(link.ActiveRecord(), 2);
  ds->Prior();
  ds->Prior();
  ds->Prior();  // before the ring's first record
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(link.ActiveRecord(), 0);
}

TEST(BufferRing, ResyncAfterGotoBookmarkCentresTheRecord) {
  auto ds = MakePeople(10);
  TDataSource source(nullptr);
  source.SetDataSet(ds.get());
  TRecordingLink link;
  link.SetBufferCount(5);
  link.SetDataSource(&source);
  ds->Open();
  ds->MoveBy(6);
  const TBookmark mark = ds->GetBookmark();
  ds->First();
  ds->GotoBookmark(mark);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_EQ(ds->RecordBufferCount(), 5);
}

TEST(BufferRing, ShrinkingKeepsTheActiveRecord) {
  auto ds = MakePeople(10);
  TDataSource source(nullptr);
  source.SetDataSet(ds.get());
  TRecordingLink link;
  link.SetBufferCount(6);
  link.SetDataSource(&source);
  ds->Open();
  ds->MoveBy(5);
  link.SetBufferCount(2);
  EXPECT_EQ(ds->BufferCount(), 2);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 6);
  ds->Next();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 7);
}
