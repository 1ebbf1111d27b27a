// platform/win/Metrics.cpp
#include "platform/win/Metrics.h"

#include "platform/win/WinMessages.h"
#include "platform/win/WinStructs.h"

namespace {
TScreenMetrics& Screen() {
  static TScreenMetrics metrics;
  return metrics;
}
}  // namespace

int GetSystemMetrics(int index) {
  const TScreenMetrics& s = Screen();
  const int frame = 4;
  switch (index) {
    case SM_CXSCREEN:
      return s.width;
    case SM_CYSCREEN:
      return s.height;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return 16;
    case SM_CYCAPTION:
      return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME:
      return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CYMENU:
      return 19;
    case SM_CXFULLSCREEN:
      return RectWidth(s.workArea);
    case SM_CYFULLSCREEN:
      return RectHeight(s.workArea) - 19;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CXSIZEFRAME:
    case SM_CYSIZEFRAME:
      return frame;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYSMCAPTION:
      return 16;
    case SM_CXMINIMIZED:
      return 160;
    case SM_CYMINIMIZED:
      return 24;
    case SM_CXMAXTRACK:
      return s.width + 2 * (frame + 2);
    case SM_CYMAXTRACK:
      return s.height + 2 * (frame + 2);
    case SM_CXMAXIMIZED:
      return RectWidth(s.workArea) + 2 * frame;
    case SM_CYMAXIMIZED:
      return RectHeight(s.workArea) + 2 * frame;
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    default:
      return 0;
  }
}

BOOL SystemParametersInfo(UINT action, UINT, void* param, UINT) {
  if (action != SPI_GETWORKAREA || !param) return FALSE;
  *static_cast<RECT*>(param) = Screen().workArea;
  return TRUE;
}

UINT GetDoubleClickTime() {
  return 500;
}

int ScreenPixelsPerInch() {
  return Screen().pixelsPerInch;
}

bool NewStyleControls() {
  return true;
}

void SetScreenMetrics(const TScreenMetrics& metrics) {
  Screen() = metrics;
}

const TScreenMetrics& ScreenMetrics() {
  return Screen();
}
