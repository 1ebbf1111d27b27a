// Running the statement component on the stand-in server: array DML with
// failing rows and the handler that decides whether the rest runs, and the
// worker thread with its events on the GUI thread or on its own.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "QueryTestSupport.h"
#include "platform/rtl/Thread.h"

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

// Stands in for the GUI's message loop: the test's thread (the process's
// first) sleeps until a worker hands it an event and then runs it.
class MessageLoop {
 public:
  MessageLoop() {
    SetWakeMainThread([this] {
      std::lock_guard lock(mutex_);
      ++wakes_;
      changed_.notify_all();
    });
  }
  ~MessageLoop() { SetWakeMainThread(nullptr); }
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // Waits until a worker asks for the main thread.
  void AwaitWake() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return wakes_ > 0; });
    wakes_ = 0;
  }
  void RunUntil(const std::function<bool()>& done) {
    while (!done()) {
      AwaitWake();
      CheckSynchronize();
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int wakes_ = 0;
};

class QueryThread : public QueryWorld {
 protected:
  void SetUp() override {
    QueryWorld::SetUp();
    Numbers(30);
    Text("select n from numbers order by n");
    query_->SetThreaded(true);
    query_->OnThreadExecuted = [this](TOracleQuery*) { Log("executed"); };
    query_->OnThreadRecord = [this](TOracleQuery* q) { Log(q->FieldAsString(0)); };
    query_->OnThreadError = [this](TOracleQuery*, Integer code, const String& message) {
      Log("error " + IntToStr(code) + (message.empty() ? " without text" : ""));
    };
    query_->OnThreadFinished = [this](TOracleQuery*) {
      Log("finished");
      std::lock_guard lock(mutex_);
      ++finished_;
      changed_.notify_all();
    };
  }
  void Log(const String& what) {
    std::lock_guard lock(mutex_);
    events_.push_back(what);
    on_main_thread_ = on_main_thread_ && IsMainThread();
  }
  bool Finished(int runs) {
    std::lock_guard lock(mutex_);
    return finished_ >= runs;
  }
  std::vector<String> Expected(int rows, const char* last = "finished") {
    std::vector<String> expected{"executed"};
    for (int i = 1; i <= rows; ++i) expected.push_back(IntToStr(i));
    expected.emplace_back(last);
    return expected;
  }

  MessageLoop loop_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<String> events_;
  int finished_ = 0;
  bool on_main_thread_ = true;
};

INSTANTIATE_TEST_SUITE_P(Generations, QueryThread, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(QueryThread, RunsOnItsThreadWithEventsOnTheGuiThread) {
  query_->Execute();  // returns at once: the events wait for the loop
  EXPECT_THROW(
      {
        try {
          query_->Execute();
        } catch (const Exception& e) {
          EXPECT_EQ(e.Message(), "Query thread is still in progress");
          throw;
        }
      },
      Exception);
  EXPECT_THROW(query_->Describe(), Exception);
  loop_.RunUntil([this] { return Finished(1); });
  EXPECT_EQ(events_, Expected(30));
  EXPECT_TRUE(on_main_thread_);
}

TEST_P(QueryThread, ARunStartedAsTheLastOneEndsIsNotLost) {
  // The finishing event starts the next run at once, while the thread is
  // still on its way back to waiting.
  int runs = 0;
  const auto finished = query_->OnThreadFinished;
  query_->OnThreadFinished = [&](TOracleQuery* q) {
    finished(q);
    if (++runs < 3) q->Execute();
  };
  query_->Execute();
  loop_.RunUntil([this] { return Finished(3); });
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(events_.size(), 3 * Expected(30).size());
}

TEST_P(QueryThread, AnErrorReachesItsEventAndTheRunStillFinishes) {
  Text("select n from missing");
  query_->Execute();
  loop_.RunUntil([this] { return Finished(1); });
  EXPECT_EQ(events_, (std::vector<String>{"error 942", "finished"}));
  // The thread serves the next run.
  Text("select n from numbers where n <= 2 order by n");
  query_->Execute();
  loop_.RunUntil([this] { return Finished(2); });
  EXPECT_EQ(events_.size(), 2u + Expected(2).size());
}

TEST_P(QueryThread, UnsynchronizedEventsRunOnTheWorker) {
  query_->SetThreadSynchronized(false);
  query_->Execute();
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return finished_ == 1; });
  }
  EXPECT_EQ(events_, Expected(30));
  EXPECT_FALSE(on_main_thread_);
}

TEST_P(QueryThread, DestroyingTheQueryWhileItsThreadWaitsForTheGuiEnds) {
  query_->Execute();
  loop_.AwaitWake();  // the thread waits in its first event
  query_.reset();     // runs that event while waiting, then the thread ends
  ASSERT_FALSE(events_.empty());
  EXPECT_EQ(events_[0], "executed");
  EXPECT_LE(events_.size(), 3u);  // it stopped early ...
  EXPECT_EQ(finished_, 0);        // ... and as a thread that was told to end
}

}  // namespace
