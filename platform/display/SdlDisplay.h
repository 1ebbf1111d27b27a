// platform/display/SdlDisplay.h
//
// The SDL2 display: the window model on a real screen. Every visible
// top-level window gets a window of the desktop. A window with a caption is
// decorated by the desktop and shows its client area (the desktop draws the
// frame, so moving, sizing, minimising, maximising and closing are the
// desktop's gestures, turned into the model's messages); any other window
// (popup menus, tooltips, balloons) is a borderless window showing the whole
// surface above its owner. Only the parts of a surface drawn since the last
// update are copied to the screen, just before the loop goes to sleep.
//
// Input: SDL mouse, wheel and key events become the model's input events
// (Input.h); typed text comes from SDL's text input, so that every keyboard
// layout and input method types what the user sees on the keys. Key presses
// that type text are therefore not translated again: a message loop calls
// TranslateKey instead of TranslateMessage (Run does).
//
// Clipboard: while the display lives, the process clipboard (Clipboard.h)
// is the desktop's, so text copies and pastes between this program and
// others.
//
// Time: the model's clock is SDL's millisecond clock and an empty queue
// sleeps in SDL_WaitEventTimeout until the next timer is due or an event
// arrives, so an idle program uses no processor time.
//
// A high-DPI screen scales every window by a whole factor (nearest pixel),
// so drawing stays crisp and pixel-exact: `ZORVET_SCALE` chooses it, else
// the screen's dots per inch divided by 96.
//
// Threads: made, used and freed on the GUI thread; other threads may post
// messages (the wait wakes up).
#pragma once

#include <map>
#include <memory>
#include <optional>

#include "platform/rtl/Types.h"
#include "platform/win/Display.h"
#include "platform/win/Surface.h"
#include "platform/win/WinStructs.h"
#include "platform/win/WindowSystem.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;
union SDL_Event;

class TSdlDisplay : public TDisplay {
 public:
  // Opens SDL's video and makes the window system on SDL's clock.
  // Raises EInvalidOperation when there is no display to open.
  // REQUIRES: no window system exists.
  explicit TSdlDisplay(int scale = 0);  // 0: from ZORVET_SCALE or the screen
  ~TSdlDisplay() override;
  TSdlDisplay(const TSdlDisplay&) = delete;
  TSdlDisplay& operator=(const TSdlDisplay&) = delete;

  // Whether a display can be opened at all (for the tests and the program's
  // message when there is none).
  static bool Available();

  TWindowSystem& System() { return *system_; }
  int Scale() const { return scale_; }

  // The program's message loop: runs until WM_QUIT and returns its code.
  int Run();
  // Handles everything that waits now (SDL events, messages, paints, due
  // timers) without sleeping, then brings the screen up to date. Returns how
  // many messages it dispatched.
  int Pump();
  // TranslateMessage for the keys that SDL's text input does not type: keys
  // with Ctrl or the left Alt held, and keys that type no text (Enter,
  // Escape, Backspace, Tab). TRUE when a character was posted.
  static BOOL TranslateKey(const MSG* msg);

  // The SDL window showing a top-level window (nullptr when none is shown),
  // and what that window shows on the screen now, read back from the
  // renderer at the window's own resolution.
  SDL_Window* WindowOf(HWND topLevel) const;
  TSurface Screenshot(HWND topLevel) const;

  // Brings the desktop's windows in line with the model's (shown, hidden,
  // moved, sized, stacked, activated) and copies what was drawn.
  void Update();

  // The pixels copied to the screen since the display began: how many, and
  // the bounds of the last copy (shown-area coordinates) per window.
  long long CopiedPixels() const { return copiedPixels_; }
  RECT LastCopied(HWND topLevel) const;

  void SurfaceChanged(HWND topLevel, const RECT& area) override;

 private:
  class TEvents;
  struct TShown {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool decorated = false;  // the desktop draws the frame; the client area is shown
    RECT rect;               // the model rectangle shown (screen coordinates)
    bool iconic = false;
    bool zoomed = false;
    std::optional<TRect> damage;  // shown-area coordinates
    TRect lastCopied;
  };

  // Handles every SDL event waiting now; whether there was any.
  bool HandlePending();
  // Translates one SDL event into the model's input or window changes.
  void Handle(const SDL_Event& e);
  HWND WindowOfId(unsigned id) const;
  // The screen rectangle a window's desktop window shows.
  static RECT ShownRect(HWND hwnd, bool decorated);
  void Show(HWND hwnd);
  void Hide(HWND hwnd);
  void Present(HWND hwnd, TShown& s);
  void FollowCursor();
  POINT ScreenPoint(HWND hwnd, int x, int y) const;

  int scale_ = 1;
  unsigned wakeEvent_ = 0;
  std::unique_ptr<TWindowSystem> system_;
  std::map<HWND, TShown> shown_;
  std::map<HCURSOR, SDL_Cursor*> cursors_;
  HCURSOR cursor_ = nullptr;
  HWND active_ = nullptr;
  bool deactivationDue_ = false;
  long long copiedPixels_ = 0;
};
