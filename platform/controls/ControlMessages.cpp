// platform/controls/ControlMessages.cpp
#include "platform/controls/ControlMessages.h"

#include "platform/rtl/Exceptions.h"
#include "platform/win/Window.h"

HWND AllocateHWnd(TWndMethod method) {
  return AllocateUtilityWindow(
      [method = std::move(method)](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        TMessage m{msg, w, l, 0};
        try {
          method(m);
        } catch (...) {
          HandleCurrentException();
        }
        return m.Result;
      });
}

void DeallocateHWnd(HWND hwnd) {
  DeallocateUtilityWindow(hwnd);
}
