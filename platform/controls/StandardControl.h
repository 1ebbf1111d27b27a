// platform/controls/StandardControl.h
//
// TStandardControl: the base of controls whose window class (a standard
// control of the window layer) draws them. The control hands the window
// its font and leaves painting and erasing to the class's procedure.
#pragma once

#include "platform/controls/WinControl.h"

class TStandardControl : public TWinControl {
  ZORVET_CLASS_NAME(TStandardControl)

 public:
  using TWinControl::TWinControl;

 protected:
  void CreateWnd() override;
  void CMFontChanged(TMessage& message) override;
  void WMPaint(TMessage& message) override { DefaultHandler(message); }
  void WMEraseBkgnd(TMessage& message) override { DefaultHandler(message); }
};
