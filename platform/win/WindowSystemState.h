// platform/win/WindowSystemState.h
//
// The window system's private state and the helpers that its parts (windows,
// positions, queue, input, timers, hooks, menus, cursors) share. Only the
// window model's own .cpp files include this header.
//
// Lifetime rule for windows: a TWindowEntry is owned by the table and freed
// by DestroyWindow after WM_NCDESTROY. Any code that calls out to a window
// procedure must look the window up again afterwards (Find), because the
// procedure may have destroyed it.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Hook.h"
#include "platform/win/Input.h"
#include "platform/win/Region.h"
#include "platform/win/Surface.h"
#include "platform/win/WinStructs.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"

struct TWindowClassEntry {
  String name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
};

struct TWindowEntry {
  HWND handle = nullptr;
  std::shared_ptr<const TWindowClassEntry> windowClass;
  std::thread::id thread;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // set for child windows; HWND_MESSAGE for utility windows
  HWND owner = nullptr;   // top-level windows only
  RECT rect;              // window rectangle: parent's client coordinates for a child, else screen
  RECT client;            // client rectangle in the same coordinates
  String text;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  std::vector<HWND> children;  // z-order, topmost first
  bool redraw = true;
  bool destroying = false;
  // Placement: the rectangle the window has when neither minimised nor maximised.
  RECT normalRect;
  POINT minPosition{-32000, -32000};
  POINT maxPosition;
  bool minPositionSet = false;
  bool maxPositionSet = false;
  bool restoreToMaximized = false;
  HMENU systemMenu = nullptr;
  // Painting (Paint.h): the update region in client coordinates, whether it
  // must be erased, whether the frame must be drawn, and a paint asked for
  // with nothing invalid (RDW_INTERNALPAINT).
  TRegion update;
  bool eraseDue = false;
  bool frameDue = false;
  bool internalPaint = false;
  // The pixels of a top-level window (made when first drawn into).
  std::shared_ptr<TSurface> surface;
  // The private state of a standard control (edit, tooltip), freed with the
  // window. Shared so that a control's procedure can keep it alive while a
  // notification it sent destroys the window.
  std::shared_ptr<void> controlState;

  bool IsChild() const {
    return (style & WS_CHILD) != 0 && parent != nullptr && parent != HWND_MESSAGE;
  }
  bool IsUtility() const { return parent == HWND_MESSAGE; }
};

struct TThreadQueue {
  std::mutex mutex;
  std::deque<MSG> posted;
  bool quit = false;
  int quitCode = 0;
};

struct TTimerEntry {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  DWORD due = 0;
  std::uint64_t order = 0;  // creation order, to pick between timers due together
};

struct THookEntry {
  HHOOK handle = nullptr;
  int type = 0;
  HOOKPROC proc;
  std::thread::id thread;
  bool removed = false;
};

struct TMenuItemEntry {
  UINT id = 0;
  UINT flags = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MFT_RADIOCHECK, MF_POPUP
  String text;
  int image = -1;           // in the menu's image list
  HMENU submenu = nullptr;  // the menu the item opens (MF_POPUP)
};
// A submenu open beside the item of the menu one level up that opened it.
struct TOpenSubmenu {
  HMENU menu = nullptr;
  HWND window = nullptr;
  int hot = -1;
};
struct TMenuEntry {
  std::vector<TMenuItemEntry> items;
  HIMAGELIST images = nullptr;
};

// A sizing or moving drag of a window by its frame (SC_SIZE, SC_MOVE).
struct TSizeMoveTrack {
  HWND hwnd = nullptr;
  LRESULT hit = HTCAPTION;  // HTCAPTION for a move, else the border
  POINT start;
  RECT startRect;  // parent coordinates
  MINMAXINFO limits;
};

// A mouse press on a caption button, acted on at the release over it.
struct TCaptionButtonPress {
  HWND hwnd = nullptr;
  LRESULT hit = HTNOWHERE;
};

struct TWindowSystemState {
  TWindowSystem* owner = nullptr;
  std::thread::id guiThread;

  // Windows and classes. `tableMutex` guards `windows` against the lookups
  // of posting threads; the GUI thread alone inserts and erases (and then
  // calls ForgetFound), so its own lookups need no lock.
  mutable std::mutex tableMutex;
  std::unordered_map<HWND, std::unique_ptr<TWindowEntry>> windows;
  // The GUI thread's last lookup: a control's messages come in runs (a tree
  // being filled gets one message per item, each looked up several times
  // on its way), so most lookups end here without hashing. Only the GUI
  // thread reads or writes it.
  mutable HWND foundHandle = nullptr;
  mutable TWindowEntry* foundEntry = nullptr;
  std::uintptr_t nextHandle = 0x10000;
  std::vector<HWND> topLevel;  // z-order, topmost first; utility windows are not here
  std::map<String, std::shared_ptr<TWindowClassEntry>> classes;  // by upper-cased name
  ATOM nextAtom = 0xC000;

  // The process clipboard's text and its link to the desktop's (Clipboard.h).
  std::optional<String> clipboardText;
  TClipboardLink clipboardLink;

  // Window procedures by identity. A procedure freed while it runs stays
  // until its last call returns; the calls are counted by hand rather than
  // by copying a shared pointer, since every message passes here once or
  // twice and only the GUI thread calls procedures.
  // A plain function, or a function with its context, is called as it is:
  // only other callables go through a std::function.
  struct TWndProcEntry {
    TWndProcFunction fn;
    TWndProcPointer plain = nullptr;
    TWndProcContextFunction withContext = nullptr;
    void* context = nullptr;
    int running = 0;     // calls in progress
    bool freed = false;  // taken out of `procs`: the last call frees it
  };
  std::unordered_map<WNDPROC, std::unique_ptr<TWndProcEntry>> procs;
  // The procedures called lately, by their identity's slot: identities are
  // handed out in steps of 16 and never reused, so the few procedures a run
  // of messages passes through (a control's own, its window class's) sit
  // in slots of their own and are found without hashing. FreeWndProc
  // empties the slot of the procedure it frees.
  struct TProcSlot {
    WNDPROC id = nullptr;
    TWndProcEntry* entry = nullptr;
  };
  static constexpr std::size_t kProcSlots = 64;
  TProcSlot procSlots[kProcSlots];
  static std::size_t ProcSlotOf(WNDPROC id) {
    return (reinterpret_cast<std::uintptr_t>(id) >> 4) % kProcSlots;
  }
  std::unordered_map<void*, WNDPROC> staticProcs;
  std::uintptr_t nextProc = 0x1000;

  // Queues.
  std::mutex queuesMutex;
  std::unordered_map<std::thread::id, std::unique_ptr<TThreadQueue>> queues;
  std::mutex inputMutex;
  std::deque<TInputEvent> input;
  POINT cursorPos;  // guarded by inputMutex

  // Timers.
  std::vector<TTimerEntry> timers;
  std::uint64_t nextTimerOrder = 0;

  // Hooks, last installed first.
  std::vector<std::shared_ptr<THookEntry>> hooks;
  std::uintptr_t nextHook = 1;
  int hookDepth = 0;  // hook chains running now

  // Input state.
  BYTE keyState[256] = {};
  HWND capture = nullptr;
  HWND focus = nullptr;
  HWND active = nullptr;
  bool appActive = false;
  struct {
    bool valid = false;
    UINT message = 0;  // the button-down message of the last click
    HWND hwnd = nullptr;
    POINT pt;
    DWORD time = 0;
  } lastClick;
  std::optional<TSizeMoveTrack> sizeMove;
  TCaptionButtonPress captionPress;

  // Menus.
  std::unordered_map<HMENU, TMenuEntry> menus;
  std::uintptr_t nextMenu = 0x100;
  HMENU openMenu = nullptr;
  HWND openMenuOwner = nullptr;
  // The window showing the open menu when it is a tracked popup (the system
  // menu has none), and the item under the pointer or chosen by keys (-1).
  HWND menuWindow = nullptr;
  int menuHot = -1;
  // The submenus open from it, outermost first; the last takes the keys.
  std::vector<TOpenSubmenu> openSubmenus;

  // Cursors.
  HCURSOR screenCursor = nullptr;
  std::map<int, HCURSOR> cursorTable;

  // Painting: the window LockWindowUpdate holds, the screen's own surface
  // (made when first drawn into) and the backend that shows surfaces.
  HWND lockedWindow = nullptr;
  std::shared_ptr<TSurface> screen;
  class TDisplay* display = nullptr;

  // --- Shared helpers ---------------------------------------------------
  TWindowEntry* Find(HWND hwnd) const;
  // Called by the GUI thread when it erases `hwnd` from the table.
  void ForgetFound(HWND hwnd) {
    if (foundHandle == hwnd) {
      foundHandle = nullptr;
      foundEntry = nullptr;
    }
  }
  TWindowEntry& Get(HWND hwnd) const;  // throws for an invalid handle
  TThreadQueue& QueueOf(std::thread::id thread);
  std::vector<HWND>& SiblingsOf(const TWindowEntry& w);
};

// The current system's state; raises EInvalidOperation without one.
TWindowSystemState& Kernel();

// Helpers implemented by the parts, used across them.
namespace winkernel {
// Screen offset of a window's parent client area (0,0 for top-level windows).
POINT ParentOrigin(const TWindowEntry& w);
// Frame thickness of a style on each side (without the caption).
SIZE FrameSize(DWORD style, DWORD exStyle);
// The client rectangle that styles leave inside a window rectangle.
RECT ClientFromWindow(const RECT& window, DWORD style, DWORD exStyle);
// Fills in the defaults and asks WM_GETMINMAXINFO.
MINMAXINFO AskMinMaxInfo(HWND hwnd);
// Hides and deactivates as DestroyWindow and ShowWindow(SW_HIDE) need.
void ActivateNextAfter(HWND hwnd);
// Called when a window is being destroyed: drops focus, capture, activation,
// timers and tracking state that point at it.
void ForgetInputState(HWND hwnd);
void KillTimersOf(HWND hwnd);
void DestroyMenuOf(TWindowEntry& w);
// Removes and returns the next input message of the GUI thread's queue as
// a window message, or nothing (see Input.cpp).
bool TakeInputMessage(MSG* msg, HWND filter, UINT min, UINT max, bool remove);
// Mouse sizing and moving of a window's frame (WindowPos.cpp).
void BeginSizeMove(HWND hwnd, LRESULT hit, POINT start);
bool SizeMoveInput(const TInputEvent& e);  // true when the drag took the event
void EndSizeMove(bool apply);
// Opens the system menu of a window (Menu.cpp).
void OpenSystemMenu(HWND hwnd);
bool MenuInput(const TInputEvent& e);       // true when the open menu took the event
bool PopupMenuInput(const TInputEvent& e);  // the same for a tracked popup (PopupMenu.cpp)
void CloseOpenSubmenus();                   // before the open menu closes (PopupMenu.cpp)
// The next timer message due for the calling thread (Timer.cpp).
bool TakeTimerMessage(MSG* msg, HWND filter, UINT min, UINT max, bool remove);
// The wait until the next timer of the calling thread is due (INFINITE when none).
DWORD TimeToNextTimer();
// The cursor table's initial entries (Cursor.cpp).
void InitCursors(TWindowSystemState& s);
// Registers the standard control classes ("Edit", "tooltips_class32", "SysTreeView32",
// "#32768" menus, "SysListView32" with "SysHeader32").
void RegisterStandardControls();
void RegisterEditClass();     // EditControl.cpp
void RegisterTooltipClass();  // Tooltip.cpp
void RegisterMenuClass();     // PopupMenu.cpp
// Update regions (UpdateRegion.cpp). `area` is in the window's client
// coordinates, nullptr for all of it; `flags` are RedrawWindow's, of which
// this applies the invalidating and validating ones.
void Redraw(HWND hwnd, const TRegion* area, UINT flags);
// Invalidates what a change of position, size, z-order or visibility
// exposed; called by SetWindowPos after applying it.
void AfterPositionChange(HWND hwnd, const RECT& oldRect, bool wasVisible, UINT flags);
// The WM_PAINT due for the calling thread, if any (never removed).
bool TakePaintMessage(MSG* msg, HWND filter, UINT min, UINT max);
// Whether the window has a frame (its window and client rectangles differ).
bool HasFrame(const TWindowEntry& w);
}  // namespace winkernel
