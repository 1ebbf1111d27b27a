// platform/display/NullDisplay.cpp
#include "platform/display/NullDisplay.h"

#include "platform/win/Geometry.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/Png.h"

TNullDisplay::TNullDisplay()
    : system_(std::make_unique<TWindowSystem>(std::make_unique<THandClock>())) {
  SetDisplay(this);
}

TNullDisplay::~TNullDisplay() {
  SetDisplay(nullptr);
  system_.reset();
}

int TNullDisplay::Pump() {
  int handled = 0;
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
    ++handled;
  }
  return handled;
}

int TNullDisplay::Advance(DWORD ms) {
  Clock().Advance(ms);
  return Pump();
}

void TNullDisplay::SurfaceChanged(HWND topLevel, const RECT& area) {
  TChange& c = changes_[topLevel];
  ++c.count;
  c.area = TRect::From(c.area).United(TRect::From(area)).ToRECT();
}

int TNullDisplay::ChangeCount(HWND topLevel) const {
  auto it = changes_.find(topLevel);
  return it == changes_.end() ? 0 : it->second.count;
}

RECT TNullDisplay::ChangedArea(HWND topLevel) const {
  auto it = changes_.find(topLevel);
  return it == changes_.end() ? RECT{} : it->second.area;
}

TSurface TNullDisplay::Screenshot(HWND hwnd, bool clientOnly) const {
  return CaptureWindow(hwnd, !clientOnly);
}

bool TNullDisplay::SaveScreenshot(HWND hwnd, const String& path, bool clientOnly) const {
  return WritePng(Screenshot(hwnd, clientOnly), path);
}
