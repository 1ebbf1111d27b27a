// platform/win/Message.h
//
// Sending, posting and taking messages.
//
// SendMessage calls the window procedure at once and returns its answer; it
// may be nested to any depth (a procedure sending while handling a message).
// PostMessage appends to the queue of the thread that owns the window and
// wakes that thread's wait.
//
// GetMessage and PeekMessage take, in this order: posted messages (first in,
// first out), input (Input.h), WM_QUIT once PostQuitMessage was called and
// nothing else is posted, then WM_PAINT for a window that needs painting
// (Paint.h; it stays until the window is validated), and last WM_TIMER
// (Timer.h), which is made only when nothing else is waiting. On an empty queue GetMessage asks the
// event source to wait (WindowSystem.h) and tries again; when the source cannot wait (the
// hand-driven clock of tests) it returns FALSE with the message WM_NULL, so a test's message loop
// comes back to the test once everything queued has been handled. FALSE with WM_QUIT ends a loop
// for good.
//
// Threads: PostMessage from any thread; the rest on the GUI thread.
// SendMessage to a window of another thread raises EInvalidOperation.
#pragma once

#include "platform/win/WinStructs.h"
#include "platform/win/WinTypes.h"

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// FALSE for an invalid window.
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// `filter` restricts to one window's messages (nullptr: any); min..max to a
// range of message numbers (0, 0: all).
BOOL PeekMessage(MSG* msg, HWND filter, UINT min, UINT max, UINT removeFlags);
BOOL GetMessage(MSG* msg, HWND filter, UINT min, UINT max);
// Calls the window procedure of msg->hwnd (nothing for a thread message or a
// window gone meanwhile) and returns its answer.
LRESULT DispatchMessage(const MSG* msg);
// Posts WM_CHAR (or WM_SYSCHAR with Alt) for a key press that types a
// character, by the US keyboard layout. TRUE when a character was posted.
BOOL TranslateMessage(const MSG* msg);
// Waits (through the event source) until the queue is not empty. FALSE when
// the source cannot wait.
BOOL WaitMessage();
