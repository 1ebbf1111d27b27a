// platform/rtl/Thread.cpp
#include "platform/rtl/Thread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// One lock and one condition serve every thread object and the synchronise
// queue: a waiter on the main thread must wake both for the end of a thread
// and for a method to run, and threads come and go rarely.
std::mutex thread_mutex;
std::condition_variable thread_changed;

struct TSyncRequest {
  const TThreadMethod* method = nullptr;
  bool done = false;
  std::exception_ptr error;
};
std::deque<TSyncRequest*> sync_queue;  // under thread_mutex

std::mutex wake_mutex;
std::function<void()> wake_main_thread;

pid_t CurrentTid() {
  return static_cast<pid_t>(syscall(SYS_gettid));
}

}  // namespace

// What the object and its system thread share; the thread keeps it alive
// even when it frees the object itself.
struct TThread::TState {
  std::thread thread;
  std::thread::id id;  // set before the constructor returns
  // Under thread_mutex:
  bool constructed = false;
  bool discarded = false;  // destroyed before it ever started
  Integer suspend_count = 0;
  bool finished = false;  // Execute has returned
  bool ended = false;     // and OnTerminate has run
  bool free_on_terminate = false;
  bool tid_ready = false;
  DWORD tid = 0;
  std::exception_ptr fatal;
  // Read without the lock:
  std::atomic<bool> terminated{false};
  std::atomic<Integer> return_value{0};
  std::atomic<TThreadPriority> priority{tpNormal};
};

TThread::TThread(bool CreateSuspended) : state_(std::make_shared<TState>()) {
  state_->suspend_count = CreateSuspended ? 1 : 0;
  std::shared_ptr<TState> state = state_;
  state_->thread = std::thread([this, state] {
    {
      std::unique_lock lock(thread_mutex);
      state->tid = DWORD(CurrentTid());
      state->tid_ready = true;
      thread_changed.notify_all();
      thread_changed.wait(lock, [&] {
        return state->discarded || (state->constructed && state->suspend_count == 0);
      });
      if (state->discarded) {
        state->finished = state->ended = true;
        thread_changed.notify_all();
        return;
      }
    }
    Run();
  });
  std::unique_lock lock(thread_mutex);
  state_->id = state_->thread.get_id();
  thread_changed.wait(lock, [&] { return state_->tid_ready; });
}

void TThread::Run() {
  // `this` may be freed at the end, so the state is held on to.
  std::shared_ptr<TState> state = state_;
  try {
    Execute();
  } catch (...) {
    std::lock_guard lock(thread_mutex);
    state->fatal = std::current_exception();
  }
  bool free_object;
  {
    std::lock_guard lock(thread_mutex);
    state->finished = true;
    free_object = state->free_on_terminate;
  }
  try {
    DoTerminate();
  } catch (...) {
    std::lock_guard lock(thread_mutex);
    if (!state->fatal) state->fatal = std::current_exception();
  }
  if (free_object) delete this;
  std::lock_guard lock(thread_mutex);
  state->ended = true;
  thread_changed.notify_all();
}

TThread::~TThread() {
  if (std::this_thread::get_id() == state_->id) {
    // Freed by its own thread (FreeOnTerminate): nobody else waits for it.
    state_->thread.detach();
    return;
  }
  TerminateAndWait();
  if (state_->thread.joinable()) state_->thread.join();
}

void TThread::TerminateAndWait() {
  if (std::this_thread::get_id() == state_->id) {
    // On its own thread (freeing itself): it is ending already.
    state_->terminated = true;
    return;
  }
  {
    std::lock_guard lock(thread_mutex);
    state_->terminated = true;
    // A thread that never ran Execute does not start it now; one that
    // suspended itself is let go.
    if (!state_->constructed) state_->discarded = true;
    state_->constructed = true;
    state_->suspend_count = 0;
    thread_changed.notify_all();
  }
  WaitFor();
}

void TThread::AfterConstruction() {
  Start();
}

void TThread::Start() {
  std::lock_guard lock(thread_mutex);
  state_->constructed = true;
  thread_changed.notify_all();
}

void TThread::Resume() {
  std::lock_guard lock(thread_mutex);
  state_->constructed = true;
  if (state_->suspend_count > 0) --state_->suspend_count;
  thread_changed.notify_all();
}

void TThread::Suspend() {
  if (std::this_thread::get_id() != state_->id)
    throw EThread("A thread can only be suspended by itself");
  std::unique_lock lock(thread_mutex);
  ++state_->suspend_count;
  thread_changed.notify_all();
  thread_changed.wait(lock, [&] { return state_->suspend_count == 0; });
}

void TThread::Terminate() {
  state_->terminated = true;
}

Integer TThread::WaitFor() {
  if (std::this_thread::get_id() == state_->id) throw EThread("A thread cannot wait for itself");
  const bool main = IsMainThread();
  std::unique_lock lock(thread_mutex);
  while (!state_->ended) {
    if (main && !sync_queue.empty()) {
      lock.unlock();
      CheckSynchronize();
      lock.lock();
      continue;
    }
    thread_changed.wait(lock);
  }
  return state_->return_value;
}

bool TThread::Suspended() const {
  std::lock_guard lock(thread_mutex);
  return state_->suspend_count > 0;
}

bool TThread::Terminated() const {
  return state_->terminated;
}

bool TThread::Finished() const {
  std::lock_guard lock(thread_mutex);
  return state_->finished;
}

bool TThread::FreeOnTerminate() const {
  std::lock_guard lock(thread_mutex);
  return state_->free_on_terminate;
}

void TThread::SetFreeOnTerminate(bool value) {
  std::lock_guard lock(thread_mutex);
  state_->free_on_terminate = value;
}

Integer TThread::ReturnValue() const {
  return state_->return_value;
}

void TThread::SetReturnValue(Integer value) {
  state_->return_value = value;
}

TThreadPriority TThread::Priority() const {
  return state_->priority;
}

void TThread::SetPriority(TThreadPriority value) {
  state_->priority = value;
}

HANDLE TThread::Handle() const {
  return reinterpret_cast<HANDLE>(state_->thread.native_handle());
}

DWORD TThread::ThreadID() const {
  std::lock_guard lock(thread_mutex);
  return state_->tid;
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(thread_mutex);
  return state_->fatal;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::Synchronize(const TThreadMethod& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  TSyncRequest request;
  request.method = &method;
  {
    std::lock_guard lock(thread_mutex);
    sync_queue.push_back(&request);
    thread_changed.notify_all();
  }
  {
    std::lock_guard lock(wake_mutex);
    if (wake_main_thread) wake_main_thread();
  }
  std::unique_lock lock(thread_mutex);
  thread_changed.wait(lock, [&] { return request.done; });
  if (request.error) std::rethrow_exception(request.error);
}

bool IsMainThread() {
  return CurrentTid() == getpid();
}

bool CheckSynchronize() {
  if (!IsMainThread()) return false;
  bool ran = false;
  for (;;) {
    TSyncRequest* request;
    {
      std::lock_guard lock(thread_mutex);
      if (sync_queue.empty()) break;
      request = sync_queue.front();
      sync_queue.pop_front();
    }
    std::exception_ptr error;
    try {
      (*request->method)();
    } catch (...) {
      error = std::current_exception();
    }
    ran = true;
    std::lock_guard lock(thread_mutex);
    // Handed over whole, so that the waiting thread holds the only reference.
    request->error = std::move(error);
    request->done = true;
    thread_changed.notify_all();
  }
  return ran;
}

void SetWakeMainThread(std::function<void()> hook) {
  std::lock_guard lock(wake_mutex);
  wake_main_thread = std::move(hook);
}
