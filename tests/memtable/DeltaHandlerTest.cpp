// tests/memtable/DeltaHandlerTest.cpp
//
// The delta handler: which hook each record reaches, retrying, and what
// Resolve restores.
#include <gtest/gtest.h>

#include <map>

#include "ChangedTable.h"
#include "memtable/DeltaHandler.h"

namespace {

// Records each call as "<hook>:<Id of the record>".
class TRecordingHandler : public TvomCustomDeltaHandler {
 public:
  explicit TRecordingHandler(TComponent* owner = nullptr) : TvomCustomDeltaHandler(owner) {}

  std::vector<String> calls;
  // Per Id: how the first call should change State and ask for a retry.
  std::map<Integer, TUpdateStatus> retryAs;
  Integer failOn = -1;

 protected:
  void DoInsert(bool& retry, TUpdateStatus& state) override { Note("insert", retry, state); }
  void DoDelete(bool& retry, TUpdateStatus& state) override { Note("delete", retry, state); }
  void DoModify(bool& retry, TUpdateStatus& state) override { Note("modify", retry, state); }
  void DoUnmodified(bool& retry, TUpdateStatus& state) override {
    Note("unmodified", retry, state);
  }

 private:
  void Note(const char* hook, bool& retry, TUpdateStatus& state) {
    const Integer id = Id();
    calls.push_back(String(hook) + ":" + std::to_string(id));
    if (id == failOn) throw EMemTableError("hook failed");
    auto it = retryAs.find(id);
    if (it != retryAs.end()) {
      state = it->second;
      retry = true;
      retryAs.erase(it);
    }
  }
  Integer Id() const {
    TField* field = Table()->FieldByName("Id");
    const Byte* at = Table()->Store().FieldPointer(Record(), field);
    return ReadValue<Integer>(at + 1);
  }
};

}  // namespace

TEST(DeltaHandler, WithoutATableResolveIsRefused) {
  TRecordingHandler handler;
  try {
    handler.Resolve();
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Delta handler is not assigned to any memorytables.");
  }
}

TEST(DeltaHandler, EachRecordReachesTheHookOfWhatHappenedToIt) {
  auto table = ChangedPeople();
  TRecordingHandler handler;
  table->SetDeltaHandler(&handler);
  EXPECT_EQ(handler.Table(), table.get());
  handler.Resolve();
  EXPECT_EQ(handler.calls, (std::vector<String>{"unmodified:1", "modify:2", "delete:3",
                                                "unmodified:4", "insert:5", "unmodified:6"}));
  EXPECT_EQ(handler.Record(), nullptr);
}

TEST(DeltaHandler, OldestRecordIsTheFirstVersion) {
  auto table = ChangedPeople();
  struct TOldest : TvomCustomDeltaHandler {
    TOldest() : TvomCustomDeltaHandler(nullptr) {}
    String oldName;
    void DoModify(bool&, TUpdateStatus&) override {
      TField* name = Table()->FieldByName("Name");
      const Byte* at = Table()->Store().FieldPointer(OldestRecord(), name);
      oldName = reinterpret_cast<const char*>(at + 1);
    }
  } handler;
  table->SetDeltaHandler(&handler);
  handler.Resolve();
  EXPECT_EQ(handler.oldName, "b");
}

TEST(DeltaHandler, RetryCallsTheHookOfTheChangedState) {
  auto table = ChangedPeople();
  TRecordingHandler handler;
  handler.retryAs[2] = usUnmodified;
  handler.retryAs[5] = usInserted;
  table->SetDeltaHandler(&handler);
  handler.Resolve();
  EXPECT_EQ(handler.calls,
            (std::vector<String>{"unmodified:1", "modify:2", "unmodified:2", "delete:3",
                                 "unmodified:4", "insert:5", "insert:5", "unmodified:6"}));
}

TEST(DeltaHandler, AnErrorInAHookEndsResolveAndRestoresTheTable) {
  auto table = ChangedPeople();
  TRecordingHandler handler;
  handler.failOn = 3;
  table->SetDeltaHandler(&handler);
  EXPECT_THROW(handler.Resolve(), EMemTableError);
  EXPECT_EQ(handler.calls.size(), 3u);
  EXPECT_TRUE(table->AttachedAutoRefresh());
  table->AppendRecord({7, "g"});
  EXPECT_EQ(table->RecordCount(), 5);
}

TEST(DeltaHandler, TableAndHandlerForgetEachOther) {
  auto handler = std::make_unique<TRecordingHandler>();
  {
    auto table = ChangedPeople();
    table->SetDeltaHandler(handler.get());
    table->SetDeltaHandler(nullptr);
    EXPECT_EQ(handler->Table(), nullptr);
    table->SetDeltaHandler(handler.get());
  }
  EXPECT_EQ(handler->Table(), nullptr);
  auto table = ChangedPeople();
  table->SetDeltaHandler(handler.get());
  handler.reset();
  EXPECT_EQ(table->DeltaHandler(), nullptr);
}
