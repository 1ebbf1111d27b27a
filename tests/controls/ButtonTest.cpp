#include "platform/controls/ActnList.h"
#include "platform/controls/ControlsProperties.h"
#include "platform/controls/StdCtrls.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Button.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

class ButtonTest : public ControlTest {
 protected:
  TButton* Button(TWinControl* parent, const char* caption, int y) {
    auto* b = new TButton(owner_.get());
    b->SetParent(parent);
    b->SetBounds(10, y, 80, 25);
    b->SetCaption(caption);
    b->OnClick = [this, caption](TObject*) { clicks_.push_back(caption); };
    return b;
  }
  std::vector<String> clicks_;
};

TEST_F(ButtonTest, AClickFiresOnClickAndHandsTheModalResultToTheForm) {
  TCustomForm* form = ShownForm();
  TButton* ok = Button(form, "OK", 10);
  ok->SetModalResult(mrOk);
  Click(ok, 20, 10);
  EXPECT_EQ(clicks_, std::vector<String>{"OK"});
  EXPECT_EQ(form->ModalResult(), mrOk);
}

TEST_F(ButtonTest, EnterAndEscapeGoToTheDefaultAndCancelButtons) {
  TCustomForm* form = ShownForm();
  TButton* ok = Button(form, "OK", 10);
  TButton* cancel = Button(form, "Cancel", 40);
  TButton* other = Button(form, "Other", 70);
  ok->SetDefault(true);
  cancel->SetCancel(true);
  EXPECT_EQ(GetWindowLongPtr(ok->WindowHandle(), GWL_STYLE) & BS_TYPEMASK,
            LONG_PTR{BS_DEFPUSHBUTTON});
  const struct {
    UINT key;
    const char* clicked;
  } cases[] = {{VK_RETURN, "OK"}, {VK_ESCAPE, "Cancel"}};
  for (const auto& c : cases) {
    clicks_.clear();
    other->SetFocus();
    InjectKey(c.key);
    Pump();
    EXPECT_EQ(clicks_, std::vector<String>{c.clicked}) << c.key;
  }
  // A disabled default button takes no Enter.
  ok->SetEnabled(false);
  clicks_.clear();
  other->SetFocus();
  InjectKey(VK_RETURN);
  Pump();
  EXPECT_TRUE(clicks_.empty());
}

TEST_F(ButtonTest, AButtonFollowsItsAction) {
  TCustomForm* form = ShownForm();
  auto* action = new TAction(owner_.get());
  action->SetCaption("Scan");
  int runs = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  auto* b = new TButton(owner_.get());
  b->SetParent(form);
  b->SetAction(action);
  EXPECT_EQ(b->Caption(), "Scan");
  Click(b, 10, 10);
  EXPECT_EQ(runs, 1);
  action->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(b->WindowHandle()));
}

TEST_F(ButtonTest, PublishedPropertiesAreReadByName) {
  DeclareStdCtrlsProperties();
  auto* b = new TButton(owner_.get());
  SetOrdProp(b, "Default", 1);
  SetOrdProp(b, "ModalResult", mrCancel);
  EXPECT_TRUE(b->Default());
  SetOrdProp(b, "Width", 120);
  EXPECT_EQ(b->Width(), 120);
  EXPECT_EQ(b->ModalResult(), mrCancel);
  auto* box = new TCheckBox(owner_.get());
  SetOrdProp(box, "Checked", 1);
  EXPECT_TRUE(box->Checked());
  auto* manifest = new TXPManifest(owner_.get());
  EXPECT_TRUE(GetPropList(manifest).size() >= 1u);  // Name and Tag, nothing of its own
}

}  // namespace
