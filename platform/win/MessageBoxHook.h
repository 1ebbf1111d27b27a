// platform/win/MessageBoxHook.h
//
// The message box, behind a replaceable handler: components that report to
// the user with a box call MessageBoxA; the window layer installs the handler
// that shows a real box, and tests install one that records what was asked.
// Without a handler the text goes to standard error and the answer is IDOK.
//
// Threads: the handler is shared; install it before other threads show boxes.
#pragma once

#include <functional>

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

using TMessageBoxHandler =
    std::function<int(HWND owner, const String& text, const String& caption, UINT type)>;

// Installs `handler` (empty: the default) and returns the one it replaces.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);

// Shows a box through the current handler and returns the button chosen.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
