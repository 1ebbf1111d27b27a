// platform/win/WindowSystem.cpp
#include "platform/win/WindowSystem.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/rtl/Exceptions.h"
#include "platform/win/ListView.h"
#include "platform/win/TreeView.h"
#include "platform/win/WindowSystemState.h"

namespace {
std::atomic<TWindowSystem*> current_system{nullptr};
}

DWORD TRealTimeClock::Now() {
  using namespace std::chrono;
  return static_cast<DWORD>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool TRealTimeClock::Wait(DWORD timeout) {
  std::unique_lock lock(mutex_);
  auto woken = [this] { return woken_; };
  if (timeout == INFINITE)
    wake_.wait(lock, woken);
  else
    wake_.wait_for(lock, std::chrono::milliseconds(timeout), woken);
  woken_ = false;
  return true;
}

void TRealTimeClock::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

TWindowSystem::TWindowSystem(std::unique_ptr<TEventSource> events)
    : events_(std::move(events)), state_(std::make_unique<TWindowSystemState>()) {
  TWindowSystem* expected = nullptr;
  if (!current_system.compare_exchange_strong(expected, this))
    throw EInvalidOperation("A window system exists already");
  state_->owner = this;
  state_->guiThread = std::this_thread::get_id();
  winkernel::InitCursors(*state_);
  winkernel::RegisterStandardControls();
}

TWindowSystem::~TWindowSystem() {
  // Windows go with their usual messages, so that the objects behind them
  // (controls, hooks) hear of it while the system still works.
  try {
    for (;;) {
      HWND next = nullptr;
      {
        std::lock_guard lock(state_->tableMutex);
        for (auto& [h, w] : state_->windows)
          if (!w->IsChild() && !w->destroying) {
            next = h;
            break;
          }
      }
      if (!next) break;
      if (!DestroyWindow(next)) break;
    }
  } catch (...) {
    HandleCurrentException();
  }
  current_system = nullptr;
}

void winkernel::RegisterStandardControls() {
  RegisterEditClass();
  RegisterTooltipClass();
  RegisterTreeViewClass();
  RegisterMenuClass();
  RegisterListViewClass();
}

TWindowSystem* TWindowSystem::Current() {
  return current_system.load();
}

BOOL MessageBeep(UINT type) {
  TWindowSystem* ws = TWindowSystem::Current();
  if (!ws) return FALSE;
  ++ws->beep_count_;
  if (ws->OnBeep) ws->OnBeep(type);
  return TRUE;
}

TWindowSystemState& Kernel() {
  TWindowSystem* ws = TWindowSystem::Current();
  if (!ws) throw EInvalidOperation("No window system");
  return ws->State();
}

TWindowEntry* TWindowSystemState::Find(HWND hwnd) const {
  if (!hwnd) return nullptr;
  if (std::this_thread::get_id() != guiThread) {
    std::lock_guard lock(tableMutex);
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
  }
  if (hwnd == foundHandle) return foundEntry;
  auto it = windows.find(hwnd);
  if (it == windows.end()) return nullptr;
  foundHandle = hwnd;
  foundEntry = it->second.get();
  return foundEntry;
}

TWindowEntry& TWindowSystemState::Get(HWND hwnd) const {
  TWindowEntry* w = Find(hwnd);
  if (!w) throw EInvalidOperation("Invalid window handle");
  return *w;
}

TThreadQueue& TWindowSystemState::QueueOf(std::thread::id thread) {
  std::lock_guard lock(queuesMutex);
  auto& q = queues[thread];
  if (!q) q = std::make_unique<TThreadQueue>();
  return *q;
}

std::vector<HWND>& TWindowSystemState::SiblingsOf(const TWindowEntry& w) {
  if (w.IsChild()) return Get(w.parent).children;
  return topLevel;
}
