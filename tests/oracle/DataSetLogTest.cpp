// The Oracle dataset's change log: cached updates kept on the client and
// shown again after a re-query, the update status of each record, and the
// provider transaction that forgets or undoes the logged changes.
#include <gtest/gtest.h>

#include "DataSetWriteTestSupport.h"

namespace {

using namespace Oracle;

class CachedUpdatesWorld : public DataSetWriteWorld {
 protected:
  void GoTo(Integer id) { ASSERT_TRUE(data_set_->Locate("ID", id, {})) << id; }
  // Row 1 renamed, row 2 deleted, row 100 appended.
  void ChangeThree() {
    SetName("Cached");
    GoTo(2);
    data_set_->Delete();
    data_set_->Append();
    Field("ID")->SetAsInteger(100);
    Field("NAME")->SetAsString("New");
    data_set_->Post();
  }
  std::string Actions() {
    std::string actions;
    for (Integer i = 0; i < data_set_->ChangeLog()->Count(); ++i)
      actions += data_set_->ChangeLog()->Items(i)->Action();
    return actions;
  }
};

TEST_F(CachedUpdatesWorld, ChangesStayOnTheClientAndShowAgainAfterARequery) {
  data_set_->SetCachedUpdates(true);
  OpenRows();
  const std::size_t mark = LogSize();
  ChangeThree();
  EXPECT_TRUE(data_set_->UpdatesPending());
  EXPECT_EQ(Actions(), "UDI");
  // Nothing reached the server.
  EXPECT_TRUE(Only("insert", mark).empty());
  EXPECT_TRUE(Only("update", mark).empty());
  EXPECT_TRUE(Only("delete", mark).empty());
  EXPECT_EQ(NameSeen(1), "Row 1");
  EXPECT_EQ(NameSeen(2), "Row 2");
  data_set_->Refresh();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 3, 4, 5, 100}));
  GoTo(1);
  EXPECT_EQ(Field("NAME")->AsString(), "Cached");
  // The old value is the server's.
  EXPECT_EQ(Field("NAME")->OldValue().AsString(), "Row 1");
  EXPECT_EQ(data_set_->UpdateStatus(), usModified);
  // A second change of a re-fetched record joins its log item.
  SetName("Cached twice");
  EXPECT_EQ(Actions(), "UDI");
  GoTo(100);
  EXPECT_EQ(data_set_->UpdateStatus(), usInserted);
  GoTo(3);
  EXPECT_EQ(data_set_->UpdateStatus(), usUnmodified);
  data_set_->Edit();
  EXPECT_EQ(data_set_->UpdateStatus(), usModified);
  data_set_->Cancel();
  data_set_->Insert();
  EXPECT_EQ(data_set_->UpdateStatus(), usInserted);
  data_set_->Cancel();
}

TEST_F(CachedUpdatesWorld, CancellingTheProviderTransactionRevertsNewestFirst) {
  data_set_->SetCachedUpdates(true);
  OpenRows();
  data_set_->StartProviderTransaction();
  ChangeThree();
  data_set_->CancelLoggedChanges();
  EXPECT_FALSE(data_set_->UpdatesPending());
  EXPECT_FALSE(data_set_->ProviderTransactionOpen());
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3, 4, 5}));
  GoTo(1);
  EXPECT_EQ(Field("NAME")->AsString(), "Row 1");
  GoTo(2);
  EXPECT_EQ(Field("NAME")->AsString(), "Row 2");
}

TEST_F(CachedUpdatesWorld, ThePositionStaysInsideTheListAfterCancelling) {
  data_set_->SetCachedUpdates(true);
  OpenRows(2);
  data_set_->Append();
  Field("ID")->SetAsInteger(3);
  data_set_->Post();
  data_set_->Append();
  Field("ID")->SetAsInteger(4);
  data_set_->Post();
  ASSERT_EQ(data_set_->RecNo(), 4);
  data_set_->CancelLoggedChanges();
  EXPECT_EQ(data_set_->RecordCount(), 2);
  EXPECT_EQ(data_set_->RecNo(), 2);
  EXPECT_EQ(Id(), 2);
}

TEST_F(CachedUpdatesWorld, ADeleteJoinsTheRecordsEarlierItem) {
  data_set_->SetCachedUpdates(true);
  OpenRows();
  // Inserted and deleted: nothing is left to write.
  data_set_->Append();
  Field("ID")->SetAsInteger(100);
  data_set_->Post();
  data_set_->Delete();
  EXPECT_EQ(Actions(), "");
  EXPECT_FALSE(data_set_->UpdatesPending());
  // Updated and deleted: the delete is what remains.
  data_set_->First();
  SetName("Short-lived");
  data_set_->Delete();
  EXPECT_EQ(Actions(), "D");
  EXPECT_EQ(data_set_->ChangeLog()->Items(0)->NewRecord(), nullptr);
  EXPECT_EQ(data_set_->NetInsertCount(), -1);
}

TEST_F(CachedUpdatesWorld, ACachedDeleteOnlyChecksTheRow) {
  data_set_->SetCachedUpdates(true);
  OpenRows();
  Other("update rows set name = 'Theirs' where id = 1");
  EXPECT_EQ(MessageOf([&] { data_set_->Delete(); }), "Record has been changed by another user");
  EXPECT_EQ(data_set_->RecordCount(), 5);
}

TEST_F(CachedUpdatesWorld, AProviderTransactionLogsServerChangesUntilItEnds) {
  OpenRows();
  data_set_->StartProviderTransaction();
  EXPECT_TRUE(data_set_->InDeferredMode());
  ChangeThree();
  // Written, but the provider commits.
  EXPECT_EQ(NameSeen(1), "Row 1");
  EXPECT_EQ(One(*session_, "select name from rows where id = 1"), "Cached");
  EXPECT_EQ(Actions(), "UDI");
  // Only cached updates are pending.
  EXPECT_FALSE(data_set_->UpdatesPending());
  session_->Commit();
  data_set_->CommitLoggedChanges();
  EXPECT_FALSE(data_set_->InDeferredMode());
  EXPECT_EQ(Actions(), "");
  EXPECT_EQ(data_set_->PostedInserts(), 0);
  EXPECT_EQ(NameSeen(1), "Cached");
  EXPECT_EQ(NameSeen(100), "New");
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 3, 4, 5, 100}));
}

TEST_F(CachedUpdatesWorld, CancellingOnAClosedDatasetOnlyForgets) {
  data_set_->StartProviderTransaction();
  data_set_->CancelLoggedChanges();
  EXPECT_FALSE(data_set_->ProviderTransactionOpen());
}

TEST_F(CachedUpdatesWorld, CachedUpdatesNeedARowid) {
  data_set_->SetCachedUpdates(true);
  EXPECT_EQ(MessageOf([&] { Open("select id, name from rows"); }),
            "CachedUpdates requires a rowid!");
}

}  // namespace
