// tests/memtable/MemTableBookmarkTest.cpp
//
// Bookmarks name records by serial: they survive edits, other records'
// deletion, packing and other tables' changes, and are refused once their
// record has gone.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"

namespace {

class MemTableBookmarks : public ::testing::Test {
 protected:
  void SetUp() override {
    table = NewPeopleTable();
    table->Open();
    AppendRows(*table, {{1, "Ann"}, {2, "Bo"}, {3, "Cy"}});
  }
  TBookmark BookmarkOf(const String& name) {
    EXPECT_TRUE(table->Locate("Name", name, {}));
    return table->GetBookmark();
  }
  String Name() { return table->FieldByName("Name")->AsString(); }
  std::unique_ptr<TvomMemTable> table;
};

// Reaches the protected step that the model itself never calls with nothing.
class ProbeTable : public TvomMemTable {
 public:
  using TvomMemTable::InternalGotoBookmark;
  using TvomMemTable::TvomMemTable;
};

}  // namespace

TEST_F(MemTableBookmarks, AreEightBytesAndSurviveEdits) {
  const TBookmark bo = BookmarkOf("Bo");
  EXPECT_EQ(bo.Size(), 8u);
  table->Edit();
  table->FieldByName("Name")->SetAsString("Bob");
  table->Post();
  table->First();
  EXPECT_TRUE(table->BookmarkValid(bo));
  table->GotoBookmark(bo);
  EXPECT_EQ(Name(), "Bob");
}

TEST_F(MemTableBookmarks, SurviveOtherRecordsDeletedAndPacking) {
  const TBookmark cy = BookmarkOf("Cy");
  table->First();
  table->Delete();
  table->PackTable();
  AppendRows(*table, {{4, "Di"}});  // takes no slot of a deleted record any more
  EXPECT_TRUE(table->BookmarkValid(cy));
  table->GotoBookmark(cy);
  EXPECT_EQ(Name(), "Cy");
}

TEST_F(MemTableBookmarks, OfADeletedRecordAreInvalidAndRefused) {
  const TBookmark bo = BookmarkOf("Bo");
  table->Delete();
  // The freed slot is taken by a new record: the bookmark must not find it.
  AppendRows(*table, {{9, "New"}});
  EXPECT_FALSE(table->BookmarkValid(bo));
  try {
    table->GotoBookmark(bo);
    FAIL() << "went to a deleted record";
  } catch (const EMemTableInvalidRecord& e) {
    EXPECT_EQ(e.Message(), "Invalid record ");
  }
}

TEST_F(MemTableBookmarks, OfADeletedVersionAreInvalid) {
  table->SetEnableVersioning(true);
  const TBookmark bo = BookmarkOf("Bo");
  table->Delete();
  EXPECT_FALSE(table->BookmarkValid(bo));
}

TEST_F(MemTableBookmarks, TakenBeforeEmptyingAreInvalid) {
  const TBookmark ann = BookmarkOf("Ann");
  table->EmptyTable();
  AppendRows(*table, {{1, "Ann"}});
  EXPECT_EQ(Column(*table, "Name"), Texts({"Ann"}));
  EXPECT_FALSE(table->BookmarkValid(ann));
  EXPECT_THROW(table->GotoBookmark(ann), EMemTableInvalidRecord);
}

TEST_F(MemTableBookmarks, NilBookmarkIsNotFound) {
  ProbeTable probe(nullptr);
  probe.FieldDefs()->Add("Id", ftInteger);
  probe.Open();
  try {
    probe.InternalGotoBookmark(nullptr);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Bookmark -200 not found.");
  }
  EXPECT_FALSE(probe.BookmarkValid(TBookmark()));
}

TEST_F(MemTableBookmarks, CompareInTheCurrentOrder) {
  const TBookmark ann = BookmarkOf("Ann");
  const TBookmark cy = BookmarkOf("Cy");
  EXPECT_EQ(table->CompareBookmarks(ann, cy), -1);
  EXPECT_EQ(table->CompareBookmarks(cy, ann), 1);
  EXPECT_EQ(table->CompareBookmarks(cy, cy), 0);
  table->AddIndex("ByNameDesc", "Name:D", {});
  table->SetIndexName("ByNameDesc");
  EXPECT_EQ(table->CompareBookmarks(ann, cy), 1);
  EXPECT_EQ(table->CompareBookmarks(ann, TBookmark()), 0);
}

TEST_F(MemTableBookmarks, SurviveAnotherTablesChanges) {
  TvomMemTable other(nullptr);
  AttachAndOpen(*table, other);
  AppendRows(*table, {{1, "Ann"}, {2, "Bo"}, {3, "Cy"}});
  const TBookmark cy = BookmarkOf("Cy");
  other.First();
  other.Delete();
  other.InsertRecord({0, "Zero"});
  EXPECT_TRUE(table->BookmarkValid(cy));
  table->First();
  table->GotoBookmark(cy);
  EXPECT_EQ(Name(), "Cy");
  // Each table keeps its own row order: the other table's insert comes last here.
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(Column(*table, "Name"), Texts({"Bo", "Cy", "Zero"}));
  EXPECT_EQ(Column(other, "Name"), Texts({"Zero", "Bo", "Cy"}));
}
