// platform/display/SdlDisplay.cpp
#include "platform/display/SdlDisplay.h"

#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/display/SdlKeys.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Unicode.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Cursor.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

constexpr int kWheelDelta = 120;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int ScaleFromScreen() {
  if (const char* s = std::getenv("ZORVET_SCALE")) {
    const int v = std::atoi(s);
    if (v >= 1 && v <= 8) return v;
  }
  float dpi = 0;
  if (SDL_GetDisplayDPI(0, &dpi, nullptr, nullptr) != 0 || dpi < 96) return 1;
  return std::clamp(static_cast<int>(dpi / 96), 1, 4);
}

// The desktop's cursor standing for a system cursor of the model.
SDL_SystemCursor SystemCursorOf(int id) {
  switch (id) {
    case 32513:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514:
      return SDL_SYSTEM_CURSOR_WAIT;
    case 32515:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645:
      return SDL_SYSTEM_CURSOR_SIZENS;
    case 32646:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648:
      return SDL_SYSTEM_CURSOR_NO;
    case 32649:
      return SDL_SYSTEM_CURSOR_HAND;
    case 32650:
      return SDL_SYSTEM_CURSOR_WAITARROW;
    default:
      return SDL_SYSTEM_CURSOR_ARROW;
  }
}

// A drawn cursor ('.' clear, '#' black, 'o' white) as a colour cursor.
SDL_Cursor* PictureCursor(const TCursorShape& shape, int scale) {
  const int h = static_cast<int>(shape.picture.size());
  int w = 0;
  for (const String& row : shape.picture) w = std::max(w, static_cast<int>(row.size()));
  if (w == 0 || h == 0) return nullptr;
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormat(0, w * scale, h * scale, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return nullptr;
  for (int y = 0; y < h * scale; ++y) {
    auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
    const String& line = shape.picture[static_cast<size_t>(y / scale)];
    for (int x = 0; x < w * scale; ++x) {
      const size_t i = static_cast<size_t>(x / scale);
      const char c = i < line.size() ? line[i] : '.';
      row[x] = c == '#' ? 0xFF000000u : c == 'o' ? 0xFFFFFFFFu : 0u;
    }
  }
  SDL_Cursor* cursor = SDL_CreateColorCursor(s, shape.hotSpot.x * scale, shape.hotSpot.y * scale);
  SDL_FreeSurface(s);
  return cursor;
}

}  // namespace

// The model's clock and sleep: SDL's ticks, and SDL's event wait, which
// also brings the screen up to date first and translates what arrives.
class TSdlDisplay::TEvents : public TEventSource {
 public:
  TEvents(TSdlDisplay& display) : display_(display) {}
  DWORD Now() override { return SDL_GetTicks(); }
  bool Wait(DWORD timeout) override {
    display_.Update();
    SDL_Event e;
    const int got =
        timeout == INFINITE
            ? SDL_WaitEvent(&e)
            : SDL_WaitEventTimeout(&e, static_cast<int>(std::min<DWORD>(timeout, INT_MAX)));
    if (got) {
      display_.Handle(e);
      display_.HandlePending();
    }
    return true;
  }
  void Wake() override {
    SDL_Event e{};
    e.type = display_.wakeEvent_;
    SDL_PushEvent(&e);
  }

 private:
  TSdlDisplay& display_;
};

namespace {

// SDL falls back to a screen in memory when there is no display; nobody
// would see it, so that counts as no display unless asked for by name.
// When the X server goes away, Xlib's default handler calls exit(), whose
// exit handlers (SDL_Quit among them) call into the dead connection and wait
// on it for ever, burning a core. Nothing can be shown any more: say so and
// end at once. Xlib is SDL's, loaded by it; it is reached by name so that
// the display needs no X headers.
int DisplayLost(void*) {
  static const char text[] = "Zorvet: the connection to the display was lost.\n";
  [[maybe_unused]] const auto written = write(STDERR_FILENO, text, sizeof text - 1);
  _exit(1);
}

void EndWhenTheDisplayIsLost() {
  if (String(SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "") != "x11") return;
  void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!xlib) return;
  using THandler = int (*)(void*);
  if (auto set = reinterpret_cast<THandler (*)(THandler)>(dlsym(xlib, "XSetIOErrorHandler")))
    set(DisplayLost);
  dlclose(xlib);
}

bool OpenVideo() {
  // A request to end the program (SIGINT, SIGTERM, the session ending) comes
  // as SDL_QUIT; a window's close button stays that window's own business.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  EndWhenTheDisplayIsLost();
  const String driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  if ((driver == "offscreen" || driver == "dummy") && !std::getenv("SDL_VIDEODRIVER")) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_SetError("no display (DISPLAY or WAYLAND_DISPLAY is not set)");
    return false;
  }
  return true;
}

}  // namespace

bool TSdlDisplay::Available() {
  // The answer keeps the video open (SDL counts the openings): closing and
  // reopening the connection to the X server at once fails now and then.
  static const bool available = [] {
    if (!OpenVideo()) return false;
    std::atexit(SDL_Quit);
    return true;
  }();
  return available;
}

TSdlDisplay::TSdlDisplay(int scale) {
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // A click that activates a window is also a click, as the model expects.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (!OpenVideo()) {
    throw EInvalidOperation(String("No display: ") + SDL_GetError());
  }
  scale_ = scale > 0 ? scale : ScaleFromScreen();
  wakeEvent_ = SDL_RegisterEvents(1);
  system_ = std::make_unique<TWindowSystem>(std::make_unique<TEvents>(*this));
  SetDisplay(this);
  SDL_StartTextInput();
  // Copying and pasting between this program and the others on the desktop
  // goes through the desktop's clipboard; when it holds no text (or cannot
  // be read) the process's own text still pastes.
  SetClipboardLink({[](const String& text) { SDL_SetClipboardText(text.c_str()); },
                    []() -> std::optional<String> {
                      if (!SDL_HasClipboardText()) return std::nullopt;
                      char* text = SDL_GetClipboardText();
                      if (!text) return std::nullopt;
                      String result(text);
                      SDL_free(text);
                      return result;
                    }});
}

TSdlDisplay::~TSdlDisplay() {
  SetClipboardLink({});
  SetDisplay(nullptr);
  system_.reset();
  for (auto& [hwnd, s] : shown_) {
    SDL_DestroyTexture(s.texture);
    SDL_DestroyRenderer(s.renderer);
    SDL_DestroyWindow(s.window);
  }
  for (auto& [handle, cursor] : cursors_) SDL_FreeCursor(cursor);
  SDL_StopTextInput();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

BOOL TSdlDisplay::TranslateKey(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  const SDL_Keymod mod = SDL_GetModState();
  const bool ctrl = (mod & KMOD_CTRL) != 0 && (mod & (KMOD_RALT | KMOD_MODE)) == 0;
  const bool alt = (mod & KMOD_LALT) != 0;
  if (SdlKeyTypesText(static_cast<UINT>(msg->wParam)) && !ctrl && !alt) return FALSE;
  return TranslateMessage(msg);
}

int TSdlDisplay::Run() {
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) {
    TranslateKey(&m);
    DispatchMessage(&m);
  }
  Update();
  return static_cast<int>(m.wParam);
}

bool TSdlDisplay::HandlePending() {
  // Taken straight from the queue: SDL_PollEvent stops at the marker an
  // earlier pump left, which would leave events behind until the next wait.
  SDL_PumpEvents();
  SDL_Event e;
  bool any = false;
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
    Handle(e);
    any = true;
  }
  return any;
}

int TSdlDisplay::Pump() {
  int handled = 0;
  for (;;) {
    bool any = HandlePending();
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        Update();
        return handled;
      }
      TranslateKey(&m);
      DispatchMessage(&m);
      ++handled;
      any = true;
    }
    Update();
    if (!any) return handled;
  }
}

void TSdlDisplay::SurfaceChanged(HWND topLevel, const RECT& area) {
  auto it = shown_.find(topLevel);
  if (it == shown_.end()) {
    // Not on the screen yet: Update shows it, and copies it whole.
    shown_[topLevel];
    return;
  }
  TShown& s = it->second;
  if (!s.window) return;
  TRect r = TRect::From(area);
  if (s.decorated) {
    RECT wr;
    GetWindowRect(topLevel, &wr);
    POINT origin{0, 0};
    ClientToScreen(topLevel, &origin);
    r = r.Translated(wr.left - origin.x, wr.top - origin.y);
  }
  s.damage = s.damage ? s.damage->United(r) : r;
}

RECT TSdlDisplay::ShownRect(HWND hwnd, bool decorated) {
  RECT r;
  if (!decorated) {
    GetWindowRect(hwnd, &r);
    return r;
  }
  GetClientRect(hwnd, &r);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  return RECT{origin.x, origin.y, origin.x + r.right, origin.y + r.bottom};
}

RECT TSdlDisplay::LastCopied(HWND topLevel) const {
  auto it = shown_.find(topLevel);
  return it == shown_.end() ? RECT{} : it->second.lastCopied.ToRECT();
}

SDL_Window* TSdlDisplay::WindowOf(HWND topLevel) const {
  auto it = shown_.find(topLevel);
  return it == shown_.end() ? nullptr : it->second.window;
}

HWND TSdlDisplay::WindowOfId(unsigned id) const {
  SDL_Window* w = SDL_GetWindowFromID(id);
  if (!w) return nullptr;
  for (const auto& [hwnd, s] : shown_) {
    if (s.window == w) return hwnd;
  }
  return nullptr;
}

POINT TSdlDisplay::ScreenPoint(HWND hwnd, int x, int y) const {
  auto it = shown_.find(hwnd);
  if (it == shown_.end()) return POINT{x, y};
  return POINT{it->second.rect.left + x / scale_, it->second.rect.top + y / scale_};
}

void TSdlDisplay::Show(HWND hwnd) {
  TShown& s = shown_[hwnd];
  const DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_EXSTYLE));
  s.decorated = (style & WS_CAPTION) == WS_CAPTION;
  s.rect = ShownRect(hwnd, s.decorated);
  const int w = std::max<int>(1, s.rect.right - s.rect.left);
  const int h = std::max<int>(1, s.rect.bottom - s.rect.top);
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (s.decorated) {
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  } else {
    flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR;
    if (exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW)) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    // A window that never takes the activation (an open menu, a dropped
    // list) must not take the desktop's keyboard focus either: the keys
    // stay with the window the user works in, and the model routes them.
    if (exStyle & WS_EX_NOACTIVATE) flags |= SDL_WINDOW_POPUP_MENU;
  }
  s.window = SDL_CreateWindow(GetWindowText(hwnd).c_str(), s.rect.left * scale_,
                              s.rect.top * scale_, w * scale_, h * scale_, flags);
  if (!s.window) {
    shown_.erase(hwnd);
    return;
  }
  s.renderer = SDL_CreateRenderer(s.window, -1, 0);
  if (!s.renderer) s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_SOFTWARE);
  if (s.renderer) {
    s.texture =
        SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h);
  }
  if (HWND owner = GetWindow(hwnd, GW_OWNER); owner && WindowOf(owner)) {
    SDL_SetWindowModalFor(s.window, WindowOf(owner));
  }
  s.damage = TRect{0, 0, w, h};
  SDL_ShowWindow(s.window);
}

void TSdlDisplay::Hide(HWND hwnd) {
  auto it = shown_.find(hwnd);
  if (it == shown_.end()) return;
  const bool hadKeys = SDL_GetKeyboardFocus() == it->second.window;
  SDL_DestroyTexture(it->second.texture);
  SDL_DestroyRenderer(it->second.renderer);
  SDL_DestroyWindow(it->second.window);
  shown_.erase(it);
  // A dropped list or menu can hold the desktop's keyboard focus while it is
  // open; when it goes, the desktop may hand the keys to no window at all
  // (always so without a window manager), and typing would be lost. Give
  // them back to the window the user works in.
  if (hadKeys) {
    if (SDL_Window* w = WindowOf(GetActiveWindow())) {
      SDL_RaiseWindow(w);
      SDL_SetWindowInputFocus(w);
    }
  }
}

void TSdlDisplay::Present(HWND hwnd, TShown& s) {
  if (!s.renderer || !s.texture || !s.damage) return;
  int tw = 0, th = 0;
  SDL_QueryTexture(s.texture, nullptr, nullptr, &tw, &th);
  const TRect area = s.damage->Intersected(TRect{0, 0, tw, th});
  s.damage.reset();
  if (!area.Empty()) {
    // The surface has no per-window accessor outside the model; its copy is
    // cheap next to the upload, and only the drawn part goes to the screen.
    const TSurface pixels = CaptureWindow(hwnd, !s.decorated);
    if (pixels.Width() < area.x1 || pixels.Height() < area.y1) return;
    const SDL_Rect r{area.x0, area.y0, area.Width(), area.Height()};
    SDL_UpdateTexture(s.texture, &r, pixels.Row(area.y0) + area.x0,
                      static_cast<int>(pixels.Width() * sizeof(TPixel)));
    s.lastCopied = area;
    copiedPixels_ += static_cast<long long>(area.Width()) * area.Height();
  }
  SDL_RenderClear(s.renderer);
  SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
  SDL_RenderPresent(s.renderer);
}

void TSdlDisplay::Update() {
  if (!system_) return;
  // The visible top-level windows, topmost first.
  std::vector<HWND> visible;
  HWND any = nullptr;
  for (const auto& [hwnd, s] : shown_) {
    if (IsWindow(hwnd)) {
      any = hwnd;
      break;
    }
  }
  for (HWND h = any ? GetWindow(any, GW_HWNDFIRST) : nullptr; h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (IsWindowVisible(h)) visible.push_back(h);
  }
  // Gone or hidden windows leave the screen.
  std::vector<HWND> gone;
  for (const auto& [hwnd, s] : shown_) {
    if (std::find(visible.begin(), visible.end(), hwnd) == visible.end()) gone.push_back(hwnd);
  }
  for (HWND h : gone) Hide(h);
  // Bottom up, so that a window made later lies above one made earlier.
  for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
    const HWND h = *it;
    if (!WindowOf(h)) Show(h);
    auto found = shown_.find(h);
    if (found == shown_.end()) continue;
    TShown& s = found->second;
    const bool iconic = IsIconic(h) != FALSE;
    const bool zoomed = IsZoomed(h) != FALSE;
    if (iconic != s.iconic) {
      if (iconic)
        SDL_MinimizeWindow(s.window);
      else
        SDL_RestoreWindow(s.window);
      s.iconic = iconic;
    }
    if (iconic) continue;
    if (zoomed != s.zoomed) {
      if (zoomed)
        SDL_MaximizeWindow(s.window);
      else
        SDL_RestoreWindow(s.window);
      s.zoomed = zoomed;
    }
    const RECT now = ShownRect(h, s.decorated);
    if (!SameRect(now, s.rect)) {
      const int w = std::max<int>(1, now.right - now.left),
                hh = std::max<int>(1, now.bottom - now.top);
      const int oldW = s.rect.right - s.rect.left, oldH = s.rect.bottom - s.rect.top;
      s.rect = now;
      SDL_SetWindowPosition(s.window, now.left * scale_, now.top * scale_);
      if (w != oldW || hh != oldH) {
        SDL_SetWindowSize(s.window, w * scale_, hh * scale_);
        if (s.renderer) {
          SDL_DestroyTexture(s.texture);
          s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_RGB888,
                                        SDL_TEXTUREACCESS_STREAMING, w, hh);
        }
        s.damage = TRect{0, 0, w, hh};
      }
    }
    Present(h, s);
  }
  // Keyboard focus follows the model's activation.
  const HWND active = GetActiveWindow();
  if (active != active_) {
    active_ = active;
    if (SDL_Window* w = WindowOf(active)) SDL_RaiseWindow(w);
  }
  if (deactivationDue_) {
    deactivationDue_ = false;
    if (!SDL_GetKeyboardFocus()) InjectAppActivation(false);
  }
  FollowCursor();
}

void TSdlDisplay::FollowCursor() {
  const HCURSOR c = GetCursor();
  if (c == cursor_) return;
  cursor_ = c;
  const TCursorShape* shape = c ? CursorShape(c) : nullptr;
  if (!shape) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  auto it = cursors_.find(c);
  if (it == cursors_.end()) {
    SDL_Cursor* made = shape->picture.empty()
                           ? SDL_CreateSystemCursor(SystemCursorOf(shape->systemId))
                           : PictureCursor(*shape, scale_);
    if (!made) made = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    it = cursors_.emplace(c, made).first;
  }
  SDL_SetCursor(it->second);
  SDL_ShowCursor(SDL_ENABLE);
}

void TSdlDisplay::Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION: {
      const HWND h = WindowOfId(e.motion.windowID);
      if (!h) return;
      InjectMouseMove(ScreenPoint(h, e.motion.x, e.motion.y));
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const HWND h = WindowOfId(e.button.windowID);
      if (!h) return;
      TInputButton b;
      switch (e.button.button) {
        case SDL_BUTTON_LEFT:
          b = TInputButton::Left;
          break;
        case SDL_BUTTON_RIGHT:
          b = TInputButton::Right;
          break;
        case SDL_BUTTON_MIDDLE:
          b = TInputButton::Middle;
          break;
        default:
          return;
      }
      const POINT pt = ScreenPoint(h, e.button.x, e.button.y);
      InjectMouseMove(pt);
      if (e.type == SDL_MOUSEBUTTONDOWN)
        InjectButtonDown(b, pt);
      else
        InjectButtonUp(b, pt);
      return;
    }
    case SDL_MOUSEWHEEL: {
      if (e.wheel.y == 0) return;
      POINT pt;
      GetCursorPos(&pt);
      const int turns = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      InjectWheel(turns * kWheelDelta, pt);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const UINT vk = VirtualKeyOfSdl(e.key.keysym.sym, e.key.keysym.scancode);
      if (!vk) return;
      if (e.type == SDL_KEYDOWN)
        InjectKeyDown(vk);
      else
        InjectKeyUp(vk);
      return;
    }
    case SDL_TEXTINPUT: {
      // Ctrl and Alt chords are keys, translated from the key press.
      const SDL_Keymod mod = SDL_GetModState();
      if (((mod & KMOD_CTRL) && !(mod & (KMOD_RALT | KMOD_MODE))) || (mod & KMOD_LALT)) return;
      const std::string_view text(e.text.text);
      for (size_t pos = 0; pos < text.size();) InjectChar(NextCodePoint(text, pos));
      return;
    }
    case SDL_WINDOWEVENT:
      break;
    case SDL_QUIT:
      // The program is asked to end: its top-level windows are closed as if
      // by their close buttons, so a main window saves what it must. A window
      // disabled under a modal dialog is left to the dialog's answer.
      for (const auto& [hwnd, shown] : shown_)
        if (!GetWindow(hwnd, GW_OWNER) && IsWindowEnabled(hwnd) && IsWindowVisible(hwnd))
          PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    default:
      return;
  }
  const HWND h = WindowOfId(e.window.windowID);
  if (!h) return;
  TShown& s = shown_[h];
  switch (e.window.event) {
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      if (IsIconic(h)) return;
      int x = 0, y = 0, w = 0, hh = 0;
      SDL_GetWindowPosition(s.window, &x, &y);
      SDL_GetWindowSize(s.window, &w, &hh);
      const RECT want{x / scale_, y / scale_, x / scale_ + w / scale_, y / scale_ + hh / scale_};
      if (SameRect(want, s.rect)) return;
      // The model places the window rectangle; the desktop's is the shown one.
      RECT wr;
      GetWindowRect(h, &wr);
      const RECT cur = s.rect;
      const int left = want.left - (cur.left - wr.left), top = want.top - (cur.top - wr.top);
      const int width = (want.right - want.left) + (wr.right - wr.left) - (cur.right - cur.left);
      const int height = (want.bottom - want.top) + (wr.bottom - wr.top) - (cur.bottom - cur.top);
      // What the desktop has now; Update puts the window back if the
      // program refused it (a minimum size).
      s.rect = want;
      SetWindowPos(h, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
      return;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
      s.iconic = true;
      if (!IsIconic(h)) PostMessage(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return;
    case SDL_WINDOWEVENT_MAXIMIZED:
      s.zoomed = true;
      if (!IsZoomed(h)) PostMessage(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      return;
    case SDL_WINDOWEVENT_RESTORED:
      s.iconic = false;
      s.zoomed = false;
      if (IsIconic(h) || IsZoomed(h)) PostMessage(h, WM_SYSCOMMAND, SC_RESTORE, 0);
      return;
    case SDL_WINDOWEVENT_CLOSE:
      PostMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    case SDL_WINDOWEVENT_EXPOSED:
      s.damage = TRect{0, 0, s.rect.right - s.rect.left, s.rect.bottom - s.rect.top};
      return;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      deactivationDue_ = false;
      InjectAppActivation(true);
      if (GetActiveWindow() != h) {
        // Borderless windows (menus, tooltips) do not take activation from
        // the window they belong to.
        if (s.decorated) SetActiveWindow(h);
      }
      active_ = GetActiveWindow();
      return;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Focus may be passing to another of our windows: decided in Update.
      deactivationDue_ = true;
      return;
    default:
      return;
  }
}

TSurface TSdlDisplay::Screenshot(HWND topLevel) const {
  auto it = shown_.find(topLevel);
  if (it == shown_.end() || !it->second.renderer) return TSurface(0, 0);
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(it->second.renderer, &w, &h);
  // What the last present showed, drawn again: the back buffer is not
  // kept after a present.
  SDL_RenderClear(it->second.renderer);
  SDL_RenderCopy(it->second.renderer, it->second.texture, nullptr, nullptr);
  TSurface out(w, h);
  SDL_RenderReadPixels(it->second.renderer, nullptr, SDL_PIXELFORMAT_RGB888, out.Bits(),
                       static_cast<int>(w * sizeof(TPixel)));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) out.Row(y)[x] &= 0x00FFFFFFu;
  }
  return out;
}
