// platform/win/WindowSystem.h
//
// The window system: the one object that holds every window, window class,
// message queue, timer, hook, cursor and the input state of the process. The
// Windows-style calls (CreateWindowEx, SendMessage, GetMessage, ...) act on
// the current window system; there is exactly one at a time. A program makes
// it at start and frees it at the end; each test makes a fresh one, so no
// window, timer or key state leaks from one test into the next.
//
// Time and waiting come from an event source. The hand-driven clock
// (THandClock) is for tests: time moves only when the test calls Advance, and
// GetMessage on an empty queue returns to the caller instead of waiting (see
// Message.h). A display backend supplies a source that follows real time and
// waits for its own input; TRealTimeClock is the plain real-time source for a
// program without a display.
//
// Threads: the window system is made, used and freed on one thread, the GUI
// thread. Other threads may only post (PostMessage, PostInputEvent) and ask
// IsWindow; those calls are safe at any time while the system exists.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/win/WinTypes.h"

// Where the message loop takes its time from and how it waits.
class TEventSource {
 public:
  virtual ~TEventSource() = default;
  // Milliseconds since an arbitrary start; wraps like GetTickCount.
  virtual DWORD Now() = 0;
  // Called by the GUI thread when its queue is empty. Blocks until Wake is
  // called, the source itself delivered input, or `timeout` milliseconds
  // passed (INFINITE for no limit). Returns false when this source cannot
  // wait at all; the message calls then return to their caller.
  virtual bool Wait(DWORD timeout) = 0;
  // Any thread: cut a Wait short because something was posted.
  virtual void Wake() = 0;
};

constexpr DWORD INFINITE = 0xFFFFFFFF;

// Test time: starts at 0 and moves only by Advance. Never waits.
class THandClock : public TEventSource {
 public:
  DWORD Now() override { return now_.load(); }
  bool Wait(DWORD) override { return false; }
  void Wake() override {}
  void Advance(DWORD ms) { now_ += ms; }

 private:
  std::atomic<DWORD> now_{0};  // read by threads that post
};

// Real time from the steady clock; Wait sleeps on a condition variable.
class TRealTimeClock : public TEventSource {
 public:
  DWORD Now() override;
  bool Wait(DWORD timeout) override;
  void Wake() override;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
};

struct TWindowSystemState;  // the kernel's private state (WindowSystemState.h)

class TWindowSystem {
 public:
  // Becomes the current window system. REQUIRES: no other one exists.
  explicit TWindowSystem(std::unique_ptr<TEventSource> events = std::make_unique<THandClock>());
  // Destroys every window still there (with the usual messages), then frees
  // classes, timers, hooks and queues; afterwards there is no current system.
  ~TWindowSystem();
  TWindowSystem(const TWindowSystem&) = delete;
  TWindowSystem& operator=(const TWindowSystem&) = delete;

  // The current window system, or nullptr.
  static TWindowSystem* Current();

  TEventSource& Events() { return *events_; }
  // The hand-driven clock when the source is one, else nullptr.
  THandClock* HandClock() { return dynamic_cast<THandClock*>(events_.get()); }

  // What MessageBeep does: the display backend plays a sound; without one
  // the beeps are only counted, so tests can see them.
  std::function<void(UINT type)> OnBeep;
  int BeepCount() const { return beep_count_; }

  TWindowSystemState& State() { return *state_; }

 private:
  friend BOOL MessageBeep(UINT);
  std::unique_ptr<TEventSource> events_;
  std::unique_ptr<TWindowSystemState> state_;
  int beep_count_ = 0;
};

// Plays the system sound of `type` (0 for the default beep).
BOOL MessageBeep(UINT type);
