// tests/controls/ControlsPropertiesTest.cpp
//
// The control classes' published properties reach the controls themselves.
#include "platform/controls/ControlsProperties.h"

#include "platform/controls/ActnList.h"
#include "platform/controls/Gauge.h"
#include "platform/controls/Image.h"
#include "platform/controls/Label.h"
#include "platform/controls/Panel.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/StdCtrls.h"
#include "platform/controls/Timer.h"
#include "platform/rtl/PropertyRegistry.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

class ControlsPropertiesTest : public ControlTest {
 protected:
  template <class T>
  T* Make() {
    auto* control = new T(owner_.get());
    if (auto* c = dynamic_cast<TControl*>(static_cast<TComponent*>(control))) c->SetParent(Form());
    return control;
  }
  TCustomForm* Form() {
    if (!form_) form_ = new TCustomForm(owner_.get());
    return form_;
  }
  TCustomForm* form_ = nullptr;
};

TEST_F(ControlsPropertiesTest, OrdinalPropertiesOfEveryControlClassAreReachedByName) {
  auto* panel = Make<TPanel>();
  auto* label = Make<TLabel>();
  auto* timer = Make<TTimer>();
  auto* box = Make<TCheckBox>();
  auto* bar = Make<TStatusBar>();
  auto* gauge = Make<TGauge>();
  auto* image = Make<TImage>();
  auto* action = Make<TAction>();
  TCustomForm* form = Form();
  struct Case {
    TObject* object;
    const char* name;
    Int64 value;
    std::function<Int64()> read;
  } cases[] = {
      {panel, "Width", 222, [=] { return panel->Width(); }},
      {panel, "Left", 17, [=] { return panel->Left(); }},
      {panel, "Visible", 0, [=] { return panel->Visible(); }},
      {panel, "Tag", 5, [=] { return panel->Tag(); }},
      {panel, "BevelOuter", bvLowered, [=] { return panel->BevelOuter(); }},
      {label, "Height", 30, [=] { return label->Height(); }},
      {label, "ShowHint", 1, [=] { return label->ShowHint(); }},
      {label, "Layout", tlCenter, [=] { return label->Layout(); }},
      {timer, "Interval", 2000, [=] { return timer->Interval(); }},
      {timer, "Enabled", 0, [=] { return timer->Enabled(); }},
      {box, "Checked", 1, [=] { return box->Checked(); }},
      {box, "Enabled", 0, [=] { return box->Enabled(); }},
      {bar, "SimplePanel", 1, [=] { return bar->SimplePanel(); }},
      {gauge, "Kind", gkPie, [=] { return gauge->Kind(); }},
      {gauge, "MaxValue", 500, [=] { return gauge->MaxValue(); }},
      {image, "Stretch", 1, [=] { return image->Stretch(); }},
      {action, "Checked", 1, [=] { return action->Checked(); }},
      {action, "ImageIndex", 3, [=] { return action->ImageIndex(); }},
      {form, "WindowState", wsMaximized, [=] { return form->WindowState(); }},
      {form, "Position", poScreenCenter, [=] { return form->Position(); }},
      {form, "BorderStyle", bsDialog, [=] { return form->BorderStyle(); }},
  };
  for (const Case& c : cases) {
    ASSERT_NE(GetPropInfo(c.object, c.name), nullptr) << c.name;
    SetOrdProp(c.object, c.name, c.value);
    EXPECT_EQ(c.read(), c.value) << c.name;
    EXPECT_EQ(GetOrdProp(c.object, c.name), c.value) << c.name;
  }
}

TEST_F(ControlsPropertiesTest, TextsNamesAndPartsAreReachedByName) {
  auto* panel = Make<TPanel>();
  auto* label = Make<TLabel>();
  auto* box = Make<TCheckBox>();
  SetStrProp(panel, "Caption", "Discs");
  SetStrProp(label, "Caption", "Used space");
  SetStrProp(box, "Caption", "Show icons");
  SetStrProp(Form(), "Caption", "Zorvet");
  SetStrProp(panel, "Hint", "Drag to resize");
  EXPECT_EQ(panel->Caption(), "Discs");
  EXPECT_EQ(label->Caption(), "Used space");
  EXPECT_EQ(box->Caption(), "Show icons");
  EXPECT_EQ(Form()->Caption(), "Zorvet");
  EXPECT_EQ(panel->Hint(), "Drag to resize");

  const TPropInfo* align = GetPropInfo(panel, "Align");
  EXPECT_EQ(GetEnumName(align, alClient), "alClient");
  EXPECT_EQ(GetEnumValue(align, "ALLEFT"), alLeft);
  EXPECT_EQ(GetObjectProp(panel, "Font"), panel->Font());
  SetOrdProp(panel->Font(), "Height", -16);
  EXPECT_EQ(panel->Font()->Height(), -16);
  auto* bar = Make<TStatusBar>();
  EXPECT_EQ(GetObjectProp(bar, "Panels"), bar->Panels());
  bar->Panels()->Add();
  SetStrProp(bar->Panels()->Items(0), "Text", "Ready");
  EXPECT_EQ(bar->Panels()->Items(0)->Text(), "Ready");
  // A status bar is at the bottom unless told otherwise.
  EXPECT_EQ(GetPropInfo(bar, "Align")->Default, alBottom);
  EXPECT_EQ(GetPropInfo(panel, "Align")->Default, alNone);
}

TEST_F(ControlsPropertiesTest, ReferencesAcceptOnlyTheirClass) {
  auto* label = Make<TLabel>();
  auto* box = Make<TCheckBox>();
  auto* timer = Make<TTimer>();
  SetObjectProp(label, "FocusControl", box);
  EXPECT_EQ(label->FocusControl(), box);
  EXPECT_THROW(SetObjectProp(label, "FocusControl", timer), EPropertyError);
  const TPropInfo* active = GetPropInfo(Form(), "ActiveControl");
  ASSERT_NE(active, nullptr);
  EXPECT_TRUE(active->IsReference);
  EXPECT_TRUE(active->IsOfClass(box));
  EXPECT_FALSE(active->IsOfClass(timer));
}

TEST_F(ControlsPropertiesTest, ACheckBoxStoresItsStateAndACheckedBoxOnlyOnce) {
  auto* box = Make<TCheckBox>();
  EXPECT_FALSE(IsStoredProp(box, GetPropInfo(box, "Checked")));
  EXPECT_TRUE(IsStoredProp(box, GetPropInfo(box, "State")));
}

}  // namespace
