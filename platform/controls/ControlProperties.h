// platform/controls/ControlProperties.h
//
// The properties every control shares (bounds, visibility, hint, colour,
// font, tab stop, ...) are declared once, on TControl and TWinControl
// (ControlsProperties.h), and every descendant has them. A control's own
// declaration starts with these calls so that the shared part exists
// whichever declaration runs first.
#pragma once

#include "platform/controls/ControlsProperties.h"
#include "platform/controls/WinControl.h"
#include "platform/rtl/PropertyRegistry.h"

template <class C, class P>
TPublishedClass<C, P>& AddControlProperties(TPublishedClass<C, P>& declaration) {
  DeclareControlProperties();
  return declaration;
}

template <class C, class P>
TPublishedClass<C, P>& AddWinControlProperties(TPublishedClass<C, P>& declaration) {
  DeclareControlProperties();
  return declaration;
}
