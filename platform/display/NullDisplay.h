// platform/display/NullDisplay.h
//
// The null display: the window model with nothing behind it. Windows exist,
// receive their messages and draw into their surfaces; nothing reaches a
// screen, and time moves only when the test advances the hand clock. It is
// what every test of windows and controls runs on.
//
// The display hears which parts of which top-level surfaces were drawn, so
// a test can tell that something reached "the screen", and it takes
// screenshots of any window from its surface.
//
// Threads: made, used and freed on the GUI thread.
#pragma once

#include <map>
#include <memory>

#include "platform/rtl/Types.h"
#include "platform/win/Display.h"
#include "platform/win/Surface.h"
#include "platform/win/WindowSystem.h"

class TNullDisplay : public TDisplay {
 public:
  // Makes the window system on a hand clock and becomes its display.
  // REQUIRES: no window system exists.
  TNullDisplay();
  // Ends the window system (its windows are destroyed with their messages).
  ~TNullDisplay() override;
  TNullDisplay(const TNullDisplay&) = delete;
  TNullDisplay& operator=(const TNullDisplay&) = delete;

  TWindowSystem& System() { return *system_; }
  THandClock& Clock() { return *system_->HandClock(); }

  // Handles what is queued (posted messages, input, paints, due timers) as
  // the program's message loop would, until nothing is left; returns how
  // many messages it dispatched. Stops at WM_QUIT, leaving it taken.
  int Pump();
  // Advances the clock by `ms` and pumps.
  int Advance(DWORD ms);

  void SurfaceChanged(HWND topLevel, const RECT& area) override;
  // How often the window's surface was drawn into, and the bounds of all
  // of it, since the last ClearChanges.
  int ChangeCount(HWND topLevel) const;
  RECT ChangedArea(HWND topLevel) const;
  void ClearChanges() { changes_.clear(); }

  // What the window shows (with its frame unless `clientOnly`).
  TSurface Screenshot(HWND hwnd, bool clientOnly = false) const;
  bool SaveScreenshot(HWND hwnd, const String& path, bool clientOnly = false) const;

 private:
  struct TChange {
    int count = 0;
    RECT area;
  };
  std::unique_ptr<TWindowSystem> system_;
  std::map<HWND, TChange> changes_;
};
