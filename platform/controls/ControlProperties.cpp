// platform/controls/ControlProperties.cpp
#include "platform/controls/ControlProperties.h"

#include "platform/controls/WinControl.h"
#include "platform/rtl/PropertyRegistry.h"

void DeclareControlProperties() {
  static bool declared = false;
  if (declared) return;
  declared = true;
  using C = TControl;
  TPublishedClass<C, TComponent>()
      .AddInteger("Left", &C::Left, &C::SetLeft, 0, false)
      .AddInteger("Top", &C::Top, &C::SetTop, 0, false)
      .AddInteger("Width", &C::Width, &C::SetWidth, 0, false)
      .AddInteger("Height", &C::Height, &C::SetHeight, 0, false)
      .AddEnum("Align", &C::Align, &C::SetAlign,
               {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}, alNone)
      .AddBoolean("Visible", &C::Visible, &C::SetVisible, true)
      .AddBoolean("Enabled", &C::Enabled, &C::SetEnabled, true)
      .AddString("Hint", &C::Hint, &C::SetHint)
      .AddBoolean("ShowHint", &C::ShowHint, &C::SetShowHint)
      .AddBoolean("ParentShowHint", &C::ParentShowHint, &C::SetParentShowHint, true);
  using W = TWinControl;
  TPublishedClass<W, TControl>().AddBoolean("TabStop", &W::TabStop, &W::SetTabStop);
}
