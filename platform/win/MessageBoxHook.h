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
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

using TMessageBoxHandler =
    std::function<int(HWND owner, const String& text, const String& caption, UINT type)>;

// Installs `handler` (empty: the default) and returns the one it replaces.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);

// Shows a box through the current handler and returns the button chosen.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
