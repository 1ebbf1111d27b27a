// platform/controls/ControlsProperties.cpp
//
// The published properties of the control classes. Defaults are the values
// the constructors give, so that a stored definition holds only what
// differs; bounds have none and are always written.
#include "platform/controls/ControlsProperties.h"

#include <mutex>

#include "platform/controls/ActnList.h"
#include "platform/controls/Buttons.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/Control.h"
#include "platform/controls/CustomEdit.h"
#include "platform/controls/DBCtrls.h"
#include "platform/controls/Form.h"
#include "platform/controls/Gauge.h"
#include "platform/controls/Image.h"
#include "platform/controls/Label.h"
#include "platform/controls/Menus.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/Panel.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/StdCtrls.h"
#include "platform/controls/Timer.h"
#include "platform/controls/ToolBar.h"
#include "platform/controls/TreeView.h"
#include "platform/controls/WinControl.h"
#include "platform/rtl/PropertyRegistry.h"

namespace {

const std::vector<String> kAlignNames{"alNone", "alTop",   "alBottom",
                                      "alLeft", "alRight", "alClient"};
const std::vector<String> kAlignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<String> kBorderStyleNames{"bsNone",   "bsSingle",     "bsSizeable",
                                            "bsDialog", "bsToolWindow", "bsSizeToolWin"};

// Runs `declare` the first time only.
template <class F>
void Once(std::once_flag& flag, F declare) {
  std::call_once(flag, declare);
}

// The caption of a control that shows one (the text of its window).
template <class C, class Parent>
TPublishedClass<C, Parent>& AddCaption(TPublishedClass<C, Parent>& cls) {
  return cls.AddString(
      "Caption", [](C* c) { return c->Caption(); },
      [](C* c, const String& v) { c->SetCaption(v); });
}

}  // namespace

void DeclareControlProperties() {
  static std::once_flag declared;
  Once(declared, [] {
    using F = TFont;
    TPublishedClass<F>()
        .AddInteger("Color", &F::Color, &F::SetColor, clWindowText)
        .AddInteger("Height", &F::Height, &F::SetHeight, -11)
        .AddString("Name", &F::Name, &F::SetName)
        .AddEnum("Pitch", &F::Pitch, &F::SetPitch, {"fpDefault", "fpVariable", "fpFixed"},
                 fpDefault)
        .AddSet("Style", &F::Style, &F::SetStyle,
                {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});

    using S = TSizeConstraints;
    TPublishedClass<S>()
        .AddInteger("MaxHeight", &S::MaxHeight, &S::SetMaxHeight)
        .AddInteger("MaxWidth", &S::MaxWidth, &S::SetMaxWidth)
        .AddInteger("MinHeight", &S::MinHeight, &S::SetMinHeight)
        .AddInteger("MinWidth", &S::MinWidth, &S::SetMinWidth);

    using C = TControl;
    TPublishedClass<C, TComponent>()
        .AddInteger("Left", &C::Left, &C::SetLeft, 0, false)
        .AddInteger("Top", &C::Top, &C::SetTop, 0, false)
        .AddInteger("Width", &C::Width, &C::SetWidth, 0, false)
        .AddInteger("Height", &C::Height, &C::SetHeight, 0, false)
        .AddEnum("Align", &C::Align, &C::SetAlign, kAlignNames, alNone)
        .AddSet("Anchors", &C::Anchors, &C::SetAnchors, {"akLeft", "akTop", "akRight", "akBottom"},
                TAnchors{akLeft, akTop}.Bits())
        .AddObject("Constraints", &C::Constraints)
        .AddBoolean("Enabled", &C::Enabled, &C::SetEnabled, true)
        .AddBoolean("Visible", &C::Visible, &C::SetVisible, true)
        .AddInteger("Cursor", &C::Cursor, &C::SetCursor, crDefault)
        .AddInteger("Color", &C::Color, &C::SetColor, clWindow)
        .AddBoolean("ParentColor", &C::ParentColor, &C::SetParentColor, true)
        .AddObject("Font", &C::Font)
        .AddBoolean("ParentFont", &C::ParentFont, &C::SetParentFont, true)
        .AddString("Hint", &C::Hint, &C::SetHint)
        .AddBoolean("ShowHint", &C::ShowHint, &C::SetShowHint, false)
        .AddBoolean("ParentShowHint", &C::ParentShowHint, &C::SetParentShowHint, true)
        .AddBoolean("Ctl3D", &C::Ctl3D, &C::SetCtl3D, true)
        .AddBoolean("ParentCtl3D", &C::ParentCtl3D, &C::SetParentCtl3D, true)
        .AddComponent("PopupMenu", &C::PopupMenu, &C::SetPopupMenu)
        .AddComponent("Action", &C::Action, &C::SetAction);

    using W = TWinControl;
    TPublishedClass<W, TControl>().AddBoolean("TabStop", &W::TabStop, &W::SetTabStop, false);
  });
}

void DeclareFormProperties() {
  DeclareControlProperties();
  static std::once_flag declared;
  Once(declared, [] {
    using F = TCustomForm;
    TPublishedClass<F, TWinControl> form;
    AddCaption(form)
        .AddEnum("BorderStyle", &F::BorderStyle, &F::SetBorderStyle, kBorderStyleNames, bsSizeable)
        .AddSet("BorderIcons", &F::BorderIcons, &F::SetBorderIcons,
                {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"},
                TBorderIcons{biSystemMenu, biMinimize, biMaximize}.Bits())
        .AddEnum("FormStyle", &F::FormStyle, &F::SetFormStyle,
                 {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}, fsNormal)
        .AddEnum("Position", &F::Position, &F::SetPosition,
                 {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                  "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
                 poDesigned)
        .AddEnum("WindowState", &F::WindowState, &F::SetWindowState,
                 {"wsNormal", "wsMinimized", "wsMaximized"}, wsNormal)
        .AddBoolean("KeyPreview", &F::KeyPreview, &F::SetKeyPreview, false)
        .AddComponent("ActiveControl", &F::ActiveControl, &F::SetActiveControl)
        // A form is hidden until shown; its Visible is stored only when set.
        .AddBoolean("Visible", &F::Visible, &F::SetVisible, false);
  });
}

void DeclarePanelProperties() {
  DeclareControlProperties();
  static std::once_flag declared;
  Once(declared, [] {
    using P = TCustomPanel;
    const std::vector<String> bevels{"bvNone", "bvLowered", "bvRaised", "bvSpace"};
    TPublishedClass<P, TWinControl> panel;
    AddCaption(panel)
        .AddEnum("Alignment", &P::Alignment, &P::SetAlignment, kAlignmentNames, taCenter)
        .AddEnum("BevelInner", &P::BevelInner, &P::SetBevelInner, bevels, bvNone)
        .AddEnum("BevelOuter", &P::BevelOuter, &P::SetBevelOuter, bevels, bvRaised)
        .AddInteger("BevelWidth", &P::BevelWidth, &P::SetBevelWidth, 1)
        .AddInteger("BorderWidth", &P::BorderWidth, &P::SetBorderWidth, 0)
        .AddInteger("Color", &P::Color, &P::SetColor, clBtnFace)
        .AddBoolean("ParentColor", &P::ParentColor, &P::SetParentColor, false);
  });
}

void DeclareLabelProperties() {
  DeclareControlProperties();
  static std::once_flag declared;
  Once(declared, [] {
    using L = TCustomLabel;
    TPublishedClass<L, TControl> label;
    AddCaption(label)
        .AddEnum("Alignment", &L::Alignment, &L::SetAlignment, kAlignmentNames, taLeftJustify)
        .AddBoolean("AutoSize", &L::AutoSize, &L::SetAutoSize, true)
        .AddComponent("FocusControl", &L::FocusControl, &L::SetFocusControl)
        .AddEnum("Layout", &L::Layout, &L::SetLayout, {"tlTop", "tlCenter", "tlBottom"}, tlTop)
        .AddBoolean("ShowAccelChar", &L::ShowAccelChar, &L::SetShowAccelChar, true)
        .AddBoolean("Transparent", &L::Transparent, &L::SetTransparent, false)
        .AddBoolean("WordWrap", &L::WordWrap, &L::SetWordWrap, false);
  });
}

void DeclareTimerProperties() {
  static std::once_flag declared;
  Once(declared, [] {
    using T = TTimer;
    TPublishedClass<T, TComponent>()
        .AddBoolean("Enabled", &T::Enabled, &T::SetEnabled, true)
        .AddInteger("Interval", &T::Interval, &T::SetInterval, 1000);
  });
}

void DeclareStdCtrlsProperties() {
  DeclareControlProperties();
  static std::once_flag declared;
  Once(declared, [] {
    using B = TCheckBox;
    TPublishedClass<B, TWinControl> box;
    AddCaption(box)
        .AddBoolean("AllowGrayed", &B::AllowGrayed, &B::SetAllowGrayed, false)
        // Checked is the State seen as a Boolean: State alone is stored.
        .AddBoolean("Checked", &B::Checked, &B::SetChecked, false)
        .NotStored()
        .AddEnum("State", &B::State, &B::SetState, {"cbUnchecked", "cbChecked", "cbGrayed"},
                 cbUnchecked)
        .AddBoolean("TabStop", &B::TabStop, &B::SetTabStop, true);
    using P = TButton;
    TPublishedClass<P, TWinControl> button;
    AddCaption(button)
        .AddBoolean("Default", &P::Default, &P::SetDefault)
        .AddBoolean("Cancel", &P::Cancel, &P::SetCancel)
        .AddInteger("ModalResult", &P::ModalResult, &P::SetModalResult);
    TPublishedClass<TXPManifest, TComponent>();
  });
}

void DeclareStatusBarProperties() {
  DeclareControlProperties();
  static std::once_flag declared;
  Once(declared, [] {
    using P = TStatusPanel;
    TPublishedClass<P>()
        .AddEnum("Alignment", &P::Alignment, &P::SetAlignment, kAlignmentNames, taLeftJustify)
        .AddEnum("Bevel", &P::Bevel, &P::SetBevel, {"pbNone", "pbLowered", "pbRaised"}, pbLowered)
        .AddString("Text", &P::Text, &P::SetText)
        .AddInteger("Width", &P::Width, &P::SetWidth, 50);

    using S = TStatusBar;
    TPublishedClass<S, TWinControl>()
        .AddEnum("Align", &S::Align, &S::SetAlign, kAlignNames, alBottom)
        .AddInteger("Color", &S::Color, &S::SetColor, clBtnFace)
        .AddObject("Panels", &S::Panels)
        .AddBoolean("SimplePanel", &S::SimplePanel, &S::SetSimplePanel, false)
        .AddString("SimpleText", &S::SimpleText, &S::SetSimpleText)
        .AddBoolean("SizeGrip", &S::SizeGrip, &S::SetSizeGrip, true);
  });
}

void DeclareGaugeProperties() {
  DeclareControlProperties();
  static std::once_flag declared;
  Once(declared, [] {
    using G = TGauge;
    TPublishedClass<G, TControl>()
        .AddEnum("Kind", &G::Kind, &G::SetKind,
                 {"gkText", "gkHorizontalBar", "gkVerticalBar", "gkPie", "gkNeedle"},
                 gkHorizontalBar)
        .AddEnum("BorderStyle", &G::BorderStyle, &G::SetBorderStyle, kBorderStyleNames, bsSingle)
        .AddInteger("ForeColor", &G::ForeColor, &G::SetForeColor, clBlack)
        .AddInteger("BackColor", &G::BackColor, &G::SetBackColor, clWhite)
        .AddBoolean("ShowText", &G::ShowText, &G::SetShowText, true)
        // The bounds before the progress, which they limit.
        .AddInteger("MinValue", &G::MinValue, &G::SetMinValue, 0)
        .AddInteger("MaxValue", &G::MaxValue, &G::SetMaxValue, 100)
        .AddInteger("Progress", &G::Progress, &G::SetProgress, 0);
  });
}

void DeclareImageProperties() {
  DeclareControlProperties();
  static std::once_flag declared;
  Once(declared, [] {
    using I = TImage;
    TPublishedClass<I, TControl>()
        .AddBoolean("Center", &I::Center, &I::SetCenter, false)
        .AddBoolean("Proportional", &I::Proportional, &I::SetProportional, false)
        .AddBoolean("Stretch", &I::Stretch, &I::SetStretch, false)
        .AddBoolean("Transparent", &I::Transparent, &I::SetTransparent, false);
  });
}

void DeclareActnListProperties() {
  static std::once_flag declared;
  Once(declared, [] {
    using A = TAction;
    TPublishedClass<A, TComponent>()
        .AddBoolean("AutoCheck", &A::AutoCheck, &A::SetAutoCheck, false)
        .AddString("Caption", &A::Caption, &A::SetCaption)
        .AddString("Category", &A::Category, &A::SetCategory)
        .AddBoolean("Checked", &A::Checked, &A::SetChecked, false)
        .AddBoolean("Enabled", &A::Enabled, &A::SetEnabled, true)
        .AddInteger("GroupIndex", &A::GroupIndex, &A::SetGroupIndex, 0)
        .AddString("Hint", &A::Hint, &A::SetHint)
        .AddInteger("ImageIndex", &A::ImageIndex, &A::SetImageIndex, -1)
        .AddBoolean("Visible", &A::Visible, &A::SetVisible, true);

    using L = TActionList;
    TPublishedClass<L, TComponent>()
        .AddComponent("Images", &L::Images, &L::SetImages)
        .AddEnum("State", &L::State, &L::SetState, {"asNormal", "asSuspended"}, asNormal);
  });
}

void DeclareControlsProperties() {
  DeclareControlProperties();
  DeclareFormProperties();
  DeclarePanelProperties();
  DeclareLabelProperties();
  DeclareTimerProperties();
  DeclareStdCtrlsProperties();
  DeclareStatusBarProperties();
  DeclareGaugeProperties();
  DeclareImageProperties();
  DeclareActnListProperties();
  DeclareMenuProperties();
  DeclareComboBoxProperties();
  DeclarePageControlProperties();
  DeclareToolBarProperties();
  DeclareTreeViewProperties();
  DeclareCustomEditProperties();
  DeclareButtonsProperties();
  DeclareDBCtrlsProperties();
}
