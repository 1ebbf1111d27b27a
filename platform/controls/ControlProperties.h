// platform/controls/ControlProperties.h
//
// The properties every published control shares (bounds, visibility, hint,
// colour, ...), added to a class's declaration by the controls that publish
// them, so that each control states them the same way.
#pragma once

#include "platform/controls/WinControl.h"
#include "platform/rtl/PropertyRegistry.h"

template <class C, class P>
TPublishedClass<C, P>& AddControlProperties(TPublishedClass<C, P>& declaration) {
  declaration.AddInteger("Left", &C::Left, &C::SetLeft, 0, false)
      .AddInteger("Top", &C::Top, &C::SetTop, 0, false)
      .AddInteger("Width", &C::Width, &C::SetWidth, 0, false)
      .AddInteger("Height", &C::Height, &C::SetHeight, 0, false)
      .AddBoolean("Enabled", &C::Enabled, &C::SetEnabled, true)
      .AddBoolean("Visible", &C::Visible, &C::SetVisible, true)
      .AddString("Hint", &C::Hint, &C::SetHint)
      .AddBoolean("ShowHint", &C::ShowHint, &C::SetShowHint, false)
      .AddBoolean("ParentShowHint", &C::ParentShowHint, &C::SetParentShowHint, true)
      .AddInteger("Color", &C::Color, &C::SetColor, 0, false)
      .AddBoolean("ParentColor", &C::ParentColor, &C::SetParentColor, true)
      .AddBoolean("ParentFont", &C::ParentFont, &C::SetParentFont, true)
      .AddObject("Font", &C::Font);
  return declaration;
}

// Windowed controls add the tab stop.
template <class C, class P>
TPublishedClass<C, P>& AddWinControlProperties(TPublishedClass<C, P>& declaration) {
  AddControlProperties(declaration)
      .AddBoolean("TabStop", &C::TabStop, &C::SetTabStop, true)
      .AddBoolean("Ctl3D", &C::Ctl3D, &C::SetCtl3D, true);
  return declaration;
}
