// platform/rtl/Thread.h
//
// The class library's thread: a TThread descendant overrides Execute, which
// runs on a thread of its own. The object is created suspended or running;
// Resume lets a suspended thread go on, Terminate asks Execute to stop (it
// reads Terminated), WaitFor waits for the end and gives ReturnValue.
//
// The GUI runs on the main thread (the process's first thread). A thread
// that must touch the GUI calls Synchronize: the method is queued for the
// main thread and the caller waits until it has run there. The main thread
// runs queued methods in CheckSynchronize, which the message loop calls; the
// wake-up hook (SetWakeMainThread) tells the window layer that a method is
// waiting, so a loop that sleeps in its queue can wake and call it. While
// the main thread waits in WaitFor it runs queued methods itself, so a
// thread that synchronises while it ends cannot deadlock with the waiter.
// Called on the main thread, Synchronize runs the method at once.
//
// Construction. C++ builds a derived object after its base, so the thread
// may not enter Execute before the whole object exists: a thread created
// running starts in AfterConstruction, which NewThread<T>(...) calls (code
// that uses `new` itself calls it). The system thread exists from the
// constructor on, so Handle and ThreadID are valid at once.
//
// Suspend. Linux cannot stop a thread at an arbitrary point safely (it may
// hold a lock the rest of the process needs), so a thread suspends itself:
// Suspend called on the thread blocks it until another thread calls Resume.
// Suspending another thread raises EThread. Suspend and Resume count like
// the system calls they stand for: n Suspends need n Resumes. A Resume of a
// thread that is not suspended does nothing.
//
// Destruction terminates the thread, lets a suspended one go and waits for
// it. A descendant whose Execute uses the descendant's own members stops the
// thread in its own destructor (TerminateAndWait) before they go.
// A thread that was never started does not run Execute at destruction. With
// FreeOnTerminate the thread frees its object after OnTerminate; nobody may
// use the object after it was resumed.
//
// Threads: every method may be called from any thread, except as said for
// Suspend; CheckSynchronize belongs to the main thread.
#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "platform/rtl/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/WinApiTypes.h"

ZORVET_DECLARE_EXCEPTION(EThread, Exception);

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;

class TThread : public TObject {
  ZORVET_CLASS_NAME(TThread)

 public:
  explicit TThread(bool CreateSuspended);
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a thread created running; called once the object is complete.
  void AfterConstruction();

  void Resume();
  void Suspend();
  void Terminate();
  // Waits until Execute and OnTerminate have run; gives ReturnValue. On the
  // main thread it runs synchronised methods meanwhile.
  Integer WaitFor();

  bool Suspended() const;
  bool Terminated() const;
  bool Finished() const;
  bool FreeOnTerminate() const;
  void SetFreeOnTerminate(bool value);
  Integer ReturnValue() const;
  TThreadPriority Priority() const;
  // The priority is kept for the program to read; Linux threads of one
  // process run at one priority unless the process has privileges.
  void SetPriority(TThreadPriority value);
  HANDLE Handle() const;
  DWORD ThreadID() const;
  // What escaped Execute, if anything.
  std::exception_ptr FatalException() const;

  // Runs on the main thread once Execute has ended, through Synchronize.
  TNotifyEvent OnTerminate;

  // Runs `method` on the main thread and waits for it; an exception it
  // raises is raised again in the caller.
  static void Synchronize(const TThreadMethod& method);

 protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();
  // What destruction does: terminates the thread, lets it go when it is
  // suspended (or discards it unstarted) and waits for its end. Descendants
  // call it in their destructors; calling it again does no harm.
  void TerminateAndWait();
  void SetReturnValue(Integer value);

 private:
  struct TState;
  void Run();
  void Start();

  std::shared_ptr<TState> state_;
};

// new T(args...) with AfterConstruction called: the way to make a thread.
template <class T, class... Args>
T* NewThread(Args&&... args) {
  T* thread = new T(std::forward<Args>(args)...);
  thread->AfterConstruction();
  return thread;
}

// Whether the caller runs on the main (GUI) thread.
bool IsMainThread();
// Runs every method waiting for the main thread; true when one ran. Called
// elsewhere than on the main thread it does nothing and gives false.
bool CheckSynchronize();
// Called (on the synchronising thread) whenever a method starts waiting for
// the main thread; empty: nobody is told. Must be thread-safe.
void SetWakeMainThread(std::function<void()> hook);
