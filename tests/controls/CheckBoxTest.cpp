#include "platform/controls/StdCtrls.h"

#include "platform/win/Button.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class CheckBoxTest : public ControlTest {
 protected:
  TCustomForm* form_ = nullptr;
  TCheckBox* Box(const String& caption, int y = 4) {
    if (!form_) {
      form_ = BareForm(160, 70);
    }
    auto* box = new TCheckBox(owner_.get());
    box->SetParent(form_);
    box->SetBounds(4, y, 150, 17);
    box->SetCaption(caption);
    box->OnClick = [this](TObject*) { ++clicks_; };
    return box;
  }
  void Key(HWND h, UINT msg) { SendMessage(h, msg, VK_SPACE, 0); }
  int clicks_ = 0;
};

TEST_F(CheckBoxTest, AClickTogglesTheBoxAndFiresOnClick) {
  TCheckBox* box = Box("Eject after scan");
  Click(box, 5, 8);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(SendMessage(box->WindowHandle(), BM_GETCHECK, 0, 0), LRESULT{BST_CHECKED});
  EXPECT_EQ(clicks_, 1);
  Click(box, 60, 8);  // on the caption too
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(clicks_, 2);
}

TEST_F(CheckBoxTest, ThePressReleasedOutsideIsNoClick) {
  TCheckBox* box = Box("Box");
  HWND h = box->WindowHandle();
  SendMessage(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(SendMessage(h, BM_GETSTATE, 0, 0) & BST_PUSHED);
  SendMessage(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 5));
  SendMessage(h, WM_LBUTTONUP, 0, MAKELPARAM(400, 5));
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(clicks_, 0);
}

TEST_F(CheckBoxTest, TheSpaceBarTogglesOnRelease) {
  TCheckBox* box = Box("Box");
  box->SetFocus();
  HWND h = box->WindowHandle();
  EXPECT_TRUE(SendMessage(h, BM_GETSTATE, 0, 0) & BST_FOCUS);
  Key(h, WM_KEYDOWN);
  EXPECT_FALSE(box->Checked());
  Key(h, WM_KEYUP);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(clicks_, 1);
}

TEST_F(CheckBoxTest, StatesRunThroughGrayedOnlyWhenAllowedAndTheProgramFiresOnClick) {
  TCheckBox* box = Box("Box");
  box->SetAllowGrayed(true);
  box->Toggle();
  box->Toggle();
  EXPECT_EQ(box->State(), cbGrayed);
  EXPECT_EQ(SendMessage(box->WindowHandle(), BM_GETCHECK, 0, 0), LRESULT{BST_INDETERMINATE});
  box->Toggle();
  EXPECT_EQ(box->State(), cbUnchecked);
  EXPECT_EQ(clicks_, 3);
  box->SetChecked(false);  // no change, no click
  EXPECT_EQ(clicks_, 3);
}

TEST_F(CheckBoxTest, AnAutoCheckBoxChecksItselfAndTellsItsParent) {
  Box("host");
  HWND parent = form_->WindowHandle();
  HWND h = CreateWindowEx(0, WC_BUTTON, "Auto", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 40, 100,
                          17, parent, reinterpret_cast<HMENU>(7), HInstance(), nullptr);
  ASSERT_NE(h, nullptr);
  SendMessage(h, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessage(h, BM_GETCHECK, 0, 0), LRESULT{BST_CHECKED});
  SendMessage(h, BM_SETCHECK, 5, 0);  // not a state
  EXPECT_EQ(SendMessage(h, BM_GETCHECK, 0, 0), LRESULT{BST_CHECKED});
  DestroyWindow(h);
}

TEST_F(CheckBoxTest, BoxesMatchTheirReferencePicture) {
  Box("Unchecked", 4);
  TCheckBox* checked = Box("Checked", 24);
  checked->SetChecked(true);
  TCheckBox* focused = Box("Focused and disabled", 44);
  focused->SetFocus();
  focused->SetState(cbChecked);
  Pump();
  const TSurface lit = CaptureWindow(form_->WindowHandle());
  focused->SetEnabled(false);
  Pump();
  const TSurface shot = CaptureWindow(form_->WindowHandle());
  int greyed = 0;  // the disabled box's text and check change colour
  for (int y = 44; y < 61; ++y)
    for (int x = 0; x < 150; ++x) greyed += lit.Row(y)[x] != shot.Row(y)[x];
  EXPECT_GT(greyed, 40);
  EXPECT_TRUE(MatchesReference(lit, "../../controls/reference/checkbox.png", 8, 20));
}

}  // namespace
