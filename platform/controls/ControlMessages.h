// platform/controls/ControlMessages.h
//
// The messages of the control layer and the record they travel in.
//
// A control sees every message as a TMessage (number, parameters, result).
// The layer's own messages (CM_...) tell controls about changes of their
// properties; the CN_... messages are notifications a parent reflects back to
// the control that sent them (WM_NOTIFY becomes CN_NOTIFY at the control).
//
// Numbering: CM_ messages lie in 0xB000..0xB04F and CN_ messages at 0xBC00 +
// the window message. 0xB052 (CM_ZXREHOOK) and 0xB053 (CM_ZXFREEHOOK) belong
// to the components' window hook; a check below keeps every number of this
// layer off them.
#pragma once

#include <functional>

#include "platform/win/WinMessages.h"
#include "platform/win/WinTypes.h"

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// A method that takes messages: a control's WindowProc, a utility window's handler.
using TWndMethod = std::function<void(TMessage& message)>;

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
// A drag message (wParam a TDragMessage, lParam a TDragRec*; see Drag.h).
constexpr UINT CM_DRAG = CM_BASE + 41;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
// A message dialog is up and its modal loop runs (the dialogs' own).
constexpr UINT CM_DIALOGREADY = CM_BASE + 64;
constexpr UINT CM_LAST = CM_BASE + 0x4F;  // the layer never numbers beyond this

constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;

// Numbers reserved for the components' window hook.
constexpr UINT kWindowHookMessages[] = {0xB052, 0xB053};

namespace controlmessages {
constexpr UINT kAll[] = {CM_ACTIVATE,
                         CM_DEACTIVATE,
                         CM_DIALOGKEY,
                         CM_FOCUSCHANGED,
                         CM_PARENTFONTCHANGED,
                         CM_PARENTCOLORCHANGED,
                         CM_VISIBLECHANGED,
                         CM_ENABLEDCHANGED,
                         CM_COLORCHANGED,
                         CM_FONTCHANGED,
                         CM_CURSORCHANGED,
                         CM_CTL3DCHANGED,
                         CM_PARENTCTL3DCHANGED,
                         CM_TEXTCHANGED,
                         CM_MOUSEENTER,
                         CM_MOUSELEAVE,
                         CM_SHOWINGCHANGED,
                         CM_ENTER,
                         CM_EXIT,
                         CM_RELEASE,
                         CM_SHOWHINTCHANGED,
                         CM_PARENTSHOWHINTCHANGED,
                         CM_HINTSHOW,
                         CM_DRAG,
                         CM_RECREATEWND,
                         CM_DIALOGREADY,
                         CN_COMMAND,
                         CN_NOTIFY,
                         CN_KEYDOWN,
                         CN_KEYUP,
                         CN_CHAR};
constexpr bool ClearOfWindowHook() {
  for (UINT m : kAll)
    for (UINT r : kWindowHookMessages)
      if (m == r) return false;
  for (UINT m : kAll)
    if (m >= CM_BASE && m < CN_BASE && m > CM_LAST) return false;
  return true;
}
static_assert(ClearOfWindowHook(), "a control-layer message collides with the window hook's");
}  // namespace controlmessages

// A hidden window whose messages go to `method` (for components that need to
// receive posted messages). Free it with DeallocateHWnd.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND hwnd);
