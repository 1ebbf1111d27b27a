// tests/display/SdlTestSupport.h
//
// Input as the desktop sends it, pushed into SDL's queue for a window of
// the display, and the comparison of screenshots with reference pictures.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/display/SdlDisplay.h"
#include "platform/win/Png.h"
#include "platform/win/Surface.h"

// Without a display a test skips, unless the run promises one
// (ZORVET_REQUIRE_DISPLAY, set when the suite runs under xvfb-run): there a
// display that does not open is a failure, not a reason to test nothing.
#define ZORVET_SKIP_WITHOUT_DISPLAY()                                                       \
  if (!TSdlDisplay::Available()) {                                                          \
    if (std::getenv("ZORVET_REQUIRE_DISPLAY")) FAIL() << "the promised display is missing"; \
    GTEST_SKIP() << "no display (run under xvfb-run)";                                      \
  }

inline Uint32 SdlWindowId(const TSdlDisplay& display, HWND topLevel) {
  return SDL_GetWindowID(display.WindowOf(topLevel));
}

inline void PushSdlEvent(SDL_Event& e) {
  if (SDL_PushEvent(&e) != 1) ADD_FAILURE() << "push " << SDL_GetError();
}

// A button going down or up at (x, y) of the window's shown area.
inline void PushSdlButton(Uint32 window, Uint32 type, int x, int y,
                          Uint8 button = SDL_BUTTON_LEFT) {
  SDL_Event e{};
  e.type = type;
  e.button.windowID = window;
  e.button.button = button;
  e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.button.x = x;
  e.button.y = y;
  PushSdlEvent(e);
}

inline void PushSdlClick(Uint32 window, int x, int y, Uint8 button = SDL_BUTTON_LEFT) {
  PushSdlButton(window, SDL_MOUSEBUTTONDOWN, x, y, button);
  PushSdlButton(window, SDL_MOUSEBUTTONUP, x, y, button);
}

inline void PushSdlKey(Uint32 window, Uint32 type, SDL_Keycode key, SDL_Scancode code) {
  SDL_Event e{};
  e.type = type;
  e.key.windowID = window;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = key;
  e.key.keysym.scancode = code;
  PushSdlEvent(e);
}

inline void PushSdlKeyStroke(Uint32 window, SDL_Keycode key, SDL_Scancode code) {
  PushSdlKey(window, SDL_KEYDOWN, key, code);
  PushSdlKey(window, SDL_KEYUP, key, code);
}

inline void PushSdlText(Uint32 window, const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = window;
  std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
  PushSdlEvent(e);
}

// The X server maps, exposes and focuses new windows on its own time:
// handles what it sends until it has been quiet for a while.
inline void SettleSdl(TSdlDisplay& display) {
  while (SDL_WaitEventTimeout(nullptr, 300)) display.Pump();
}

// How many pixels differ by more than `tolerance` in a channel; -1 when
// the sizes differ.
inline int DifferingPixels(const TSurface& a, const TSurface& b, int tolerance) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int n = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      const TPixel p = a.Pixel(x, y), q = b.Pixel(x, y);
      if (std::abs(PixelR(p) - PixelR(q)) > tolerance ||
          std::abs(PixelG(p) - PixelG(q)) > tolerance ||
          std::abs(PixelB(p) - PixelB(q)) > tolerance) {
        ++n;
      }
    }
  }
  return n;
}

// The reference picture `name` of tests/display, written instead when
// ZORVET_UPDATE_REFERENCES=1 (or ZORVET_WRITE_REFERENCES) is set; look at
// it first.
inline int DifferingFromReference(const TSurface& shot, const std::string& name, int tolerance) {
  const std::string path = std::string(ZORVET_SOURCE_DIR) + "/tests/display/" + name;
  const char* update = std::getenv("ZORVET_UPDATE_REFERENCES");
  if (std::getenv("ZORVET_WRITE_REFERENCES") || (update && std::string(update) == "1")) {
    if (!WritePng(shot, path)) ADD_FAILURE() << "cannot write " << path;
  }
  const auto expected = ReadPng(path);
  if (!expected) {
    ADD_FAILURE() << "no reference " << path;
    return -1;
  }
  return DifferingPixels(shot, *expected, tolerance);
}
