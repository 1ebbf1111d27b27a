// platform/win/Display.h
//
// The narrow interface through which the window model reaches a screen. A
// backend (platform/display: the null one for tests, a real one for users)
// registers itself with the current window system and hears which parts of
// which top-level surfaces changed, so it can copy them to the screen.
// Without a backend nothing is shown and nothing is lost: windows keep
// drawing into their surfaces.
//
// Threads: GUI thread only.
#pragma once

#include "platform/win/WinTypes.h"

class TDisplay {
 public:
  virtual ~TDisplay() = default;
  // `area` of the top-level window's surface (surface coordinates, that is
  // relative to the window's corner) was drawn into.
  virtual void SurfaceChanged(HWND topLevel, const RECT& area) = 0;
};

// Makes `display` the backend of the current window system (nullptr: none).
// The caller keeps it alive until it is replaced or the system ends.
void SetDisplay(TDisplay* display);
TDisplay* CurrentDisplay();
