// platform/win/Button.h
//
// The button control ("Button"): a push button (BS_PUSHBUTTON, drawn
// thicker as BS_DEFPUSHBUTTON) or a check box (BS_CHECKBOX; BS_AUTOCHECKBOX
// also toggles its check when clicked). A click - the left button pressed
// and released over it, or the space bar pressed and released while it has
// the focus, or BM_CLICK - tells the parent with WM_COMMAND BN_CLICKED. The
// button is drawn pushed while the mouse or space holds it down, with a
// focus rectangle around its text while it has the focus, greyed when
// disabled, in the font given by WM_SETFONT.
#pragma once

#include "platform/win/WinMessages.h"
#include "platform/win/WinTypes.h"

constexpr const char* WC_BUTTON = "Button";

constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_CHECKBOX = 0x0002;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
constexpr DWORD BS_TYPEMASK = 0x000F;

constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_SETSTYLE = 0x00F4;
constexpr UINT BM_CLICK = 0x00F5;

constexpr WPARAM BST_UNCHECKED = 0x0000;
constexpr WPARAM BST_CHECKED = 0x0001;
constexpr WPARAM BST_INDETERMINATE = 0x0002;
constexpr WPARAM BST_PUSHED = 0x0004;
constexpr WPARAM BST_FOCUS = 0x0008;

constexpr WORD BN_CLICKED = 0;

// Registers the class; does nothing when it is registered already.
void RegisterButtonClass();
