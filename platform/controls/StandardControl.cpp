// platform/controls/StandardControl.cpp
#include "platform/controls/StandardControl.h"

#include "platform/win/Message.h"

void TStandardControl::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessage(WindowHandle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
}

void TStandardControl::CMFontChanged(TMessage& message) {
  TWinControl::CMFontChanged(message);
  if (HandleAllocated())
    SendMessage(WindowHandle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
}
