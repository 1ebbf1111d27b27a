// tests/rtl/ThreadTest.cpp
#include "platform/rtl/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// A one-shot signal between threads.
class TLatch {
 public:
  void Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return set_; });
  }
  bool IsSet() {
    std::lock_guard lock(mutex_);
    return set_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

// A thread whose Execute is given by the test. Stops itself before its
// members go, as the header asks of descendants.
class TTestThread : public TThread {
 public:
  TTestThread(bool suspended, std::function<void(TTestThread&)> body)
      : TThread(suspended), body_(std::move(body)) {}
  ~TTestThread() override {
    TerminateAndWait();
    if (destroyed_) destroyed_->Set();
  }
  using TThread::SetReturnValue;
  TLatch* destroyed_ = nullptr;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(TTestThread&)> body_;
};

// Every test leaves the wake-up hook empty, even when it fails half way.
class ThreadTest : public ::testing::Test {
 protected:
  void TearDown() override { SetWakeMainThread(nullptr); }
};

TEST_F(ThreadTest, CreatedSuspendedRunsAfterResumeAndGivesItsReturnValue) {
  std::atomic<int> runs{0};
  TTestThread thread(true, [&](TTestThread& self) {
    ++runs;
    self.SetReturnValue(42);
  });
  EXPECT_TRUE(thread.Suspended());
  EXPECT_NE(thread.Handle(), nullptr);
  EXPECT_NE(thread.ThreadID(), DWORD(getpid()));
  thread.Resume();
  EXPECT_EQ(thread.WaitFor(), 42);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(thread.Finished());
  EXPECT_FALSE(thread.Suspended());
}

TEST_F(ThreadTest, CreatedRunningStartsOnceComplete) {
  std::unique_ptr<TTestThread> thread(
      NewThread<TTestThread>(false, [](TTestThread& self) { self.SetReturnValue(7); }));
  EXPECT_EQ(thread->WaitFor(), 7);
}

TEST_F(ThreadTest, PriorityIsKept) {
  TTestThread thread(true, [](TTestThread&) {});
  EXPECT_EQ(thread.Priority(), tpNormal);
  thread.SetPriority(tpHigher);
  EXPECT_EQ(thread.Priority(), tpHigher);
}

TEST_F(ThreadTest, WaitForOnTheMainThreadRunsSynchronisedMethodsAndOnTerminate) {
  std::vector<String> order;
  bool synchronised_on_main = false;
  TTestThread thread(true, [&](TTestThread&) {
    TThread::Synchronize([&] {
      synchronised_on_main = IsMainThread();
      order.push_back("synchronised");
    });
  });
  TObject* terminated_sender = nullptr;
  thread.OnTerminate = [&](TObject* sender) {
    EXPECT_TRUE(IsMainThread());
    terminated_sender = sender;
    order.push_back("terminate");
  };
  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(synchronised_on_main);
  EXPECT_EQ(terminated_sender, &thread);
  EXPECT_EQ(order, (std::vector<String>{"synchronised", "terminate"}));
}

TEST_F(ThreadTest, MessageLoopRunsQueuedMethodsWhenWoken) {
  TLatch woken;
  SetWakeMainThread([&] { woken.Set(); });
  std::atomic<int> value{0};
  TTestThread thread(true, [&](TTestThread&) { TThread::Synchronize([&] { value = 5; }); });
  thread.Resume();
  woken.Wait();
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(value, 5);
  thread.WaitFor();
  EXPECT_FALSE(CheckSynchronize());
}

TEST_F(ThreadTest, ErrorOfASynchronisedMethodReachesTheThread) {
  String caught;
  TTestThread thread(true, [&](TTestThread&) {
    try {
      TThread::Synchronize([] { throw EConvertError("bad value"); });
    } catch (const EConvertError& e) {
      caught = e.Message();
    }
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(caught, "bad value");
}

TEST_F(ThreadTest, SynchronizeOnTheMainThreadRunsAtOnce) {
  bool ran = false;
  TThread::Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, ExceptionEscapingExecuteIsKeptAndTheThreadEnds) {
  TTestThread thread(true, [](TTestThread&) { throw EConvertError("lost"); });
  thread.Resume();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  EXPECT_THROW(std::rethrow_exception(thread.FatalException()), EConvertError);
}

TEST_F(ThreadTest, SuspendsItselfUntilResumed) {
  std::atomic<int> phase{0};
  TTestThread thread(true, [&](TTestThread& self) {
    phase = 1;
    self.Suspend();
    phase = 2;
  });
  thread.Resume();
  while (!thread.Suspended()) std::this_thread::yield();
  EXPECT_EQ(phase, 1);
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(phase, 2);
}

TEST_F(ThreadTest, SuspendingAnotherThreadIsRefused) {
  TTestThread thread(true, [](TTestThread&) {});
  EXPECT_THROW(thread.Suspend(), EThread);
}

TEST_F(ThreadTest, TerminateIsSeenByExecute) {
  TLatch started;
  TTestThread thread(true, [&](TTestThread& self) {
    started.Set();
    while (!self.Terminated()) std::this_thread::yield();
    self.SetReturnValue(1);
  });
  thread.Resume();
  started.Wait();
  thread.Terminate();
  EXPECT_EQ(thread.WaitFor(), 1);
}

TEST_F(ThreadTest, ThreadThatNeverStartedDoesNotRunExecuteWhenDestroyed) {
  std::atomic<bool> ran{false};
  {
    TTestThread thread(true, [&](TTestThread&) { ran = true; });
  }
  EXPECT_FALSE(ran);
}

TEST_F(ThreadTest, DestroyingWhileTheThreadWaitsInSynchronizeDoesNotDeadlock) {
  TLatch waiting;
  SetWakeMainThread([&] { waiting.Set(); });
  bool ran = false;
  auto thread = std::make_unique<TTestThread>(
      true, [&](TTestThread&) { TThread::Synchronize([&] { ran = true; }); });
  thread->Resume();
  waiting.Wait();
  thread.reset();
  EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, FreeOnTerminateFreesTheObjectOnItsThread) {
  TLatch destroyed;
  auto* thread = new TTestThread(true, [](TTestThread&) {});
  thread->destroyed_ = &destroyed;
  thread->SetFreeOnTerminate(true);
  thread->Resume();
  destroyed.Wait();
  EXPECT_TRUE(destroyed.IsSet());
}

TEST_F(ThreadTest, SynchronizeFromManyThreadsRunsEveryMethodOnTheMainThread) {
  constexpr int kThreads = 4;
  constexpr int kCalls = 50;
  int count = 0;  // touched on the main thread only
  std::vector<std::unique_ptr<TTestThread>> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.push_back(std::make_unique<TTestThread>(true, [&](TTestThread&) {
      for (int j = 0; j < kCalls; ++j) TThread::Synchronize([&] { ++count; });
    }));
  for (auto& thread : threads) thread->Resume();
  for (auto& thread : threads) thread->WaitFor();
  EXPECT_EQ(count, kThreads * kCalls);
}

}  // namespace
