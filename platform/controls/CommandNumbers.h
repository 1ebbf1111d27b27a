// platform/controls/CommandNumbers.h
//
// The numbers that name menu items and tool buttons in WM_COMMAND.
#pragma once

#include "platform/win/WinTypes.h"

// The next command number: 16 bits, as WM_COMMAND carries them, and never 0,
// so that no item or button answers a command of nothing. Menu items and
// tool buttons draw from one sequence, so that within the first 65,535 no
// two of them share a number wherever their commands end up.
inline UINT NextCommandNumber() {
  static UINT next = 0;
  next = next % 0xFFFF + 1;
  return next;
}
