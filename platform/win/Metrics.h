// platform/win/Metrics.h
//
// The fixed system metrics of the window model: one table, the same on every
// machine, so that layouts computed from them are reproducible. Tests see a
// screen of 1024 by 768 pixels at 96 dots per inch with a work area that
// leaves 30 pixels at the bottom for a task bar; a display backend may report
// another screen with SetScreenMetrics.
#pragma once

#include "platform/win/WinTypes.h"

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CXFIXEDFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYFIXEDFRAME = 8;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXSIZE = 30;
constexpr int SM_CYSIZE = 31;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CXSIZEFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CYSIZEFRAME = 33;
constexpr int SM_CXMINTRACK = 34;
constexpr int SM_CYMINTRACK = 35;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXMINIMIZED = 57;
constexpr int SM_CYMINIMIZED = 58;
constexpr int SM_CXMAXTRACK = 59;
constexpr int SM_CYMAXTRACK = 60;
constexpr int SM_CXMAXIMIZED = 61;
constexpr int SM_CYMAXIMIZED = 62;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;

constexpr UINT SPI_GETWORKAREA = 0x0030;

// 0 for an index the table does not have.
int GetSystemMetrics(int index);
// SPI_GETWORKAREA fills the RECT at `param`; other actions answer FALSE.
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* param, UINT winIni);
// Milliseconds within which a second press makes a double click.
UINT GetDoubleClickTime();
// The screen's dots per inch (PixelsPerInch).
int ScreenPixelsPerInch();
// Whether controls are drawn in the new style (flat, 3-D client edges);
// always the same answer here.
bool NewStyleControls();

struct TScreenMetrics {
  int width = 1024;
  int height = 768;
  int pixelsPerInch = 96;
  RECT workArea{0, 0, 1024, 738};
};
// For a display backend that shows a real screen. REQUIRES: no window exists.
void SetScreenMetrics(const TScreenMetrics& metrics);
const TScreenMetrics& ScreenMetrics();
