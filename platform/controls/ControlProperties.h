// platform/controls/ControlProperties.h
//
// The published properties every control shares (TControl: Left, Top,
// Width, Height, Visible, Enabled, Hint, ShowHint, ParentShowHint, Align;
// TWinControl: TabStop), which the declarations of the control classes
// build on. Declaring again is harmless.
#pragma once

void DeclareControlProperties();
