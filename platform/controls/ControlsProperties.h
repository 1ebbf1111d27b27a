// platform/controls/ControlsProperties.h
//
// The published properties of the control classes, as stored definitions
// and form storage ("Panel1.Width", "Timer1.Interval") reach them through
// platform/rtl/PropertyRegistry.h.
//
// Every function declares once, whatever the number of calls, and may run
// in any order. DeclareControlsProperties runs them all; the control layer's
// start (ControlsModule) calls it, so code that made the application needs
// no call of its own.
//
// What a class declares, its descendants have: the TControl basics (Left,
// Top, Width, Height, Visible, Enabled, Hint, ShowHint, Align, ...) and
// TComponent's Tag therefore reach every control, including classes that
// declare nothing of their own.
#pragma once

// TControl and TWinControl, with the parts they hold (Font, Constraints).
void DeclareControlProperties();
// TCustomForm: the caption, border, state and position of a form.
void DeclareFormProperties();
void DeclarePanelProperties();
void DeclareLabelProperties();
void DeclareTimerProperties();
// TCheckBox.
void DeclareStdCtrlsProperties();
// TStatusBar with its panels.
void DeclareStatusBarProperties();
void DeclareGaugeProperties();
void DeclareImageProperties();
// TAction and TActionList.
void DeclareActnListProperties();

void DeclareControlsProperties();
