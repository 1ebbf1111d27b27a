#include "platform/controls/CustomControl.h"
#include "platform/controls/HintWindow.h"
#include "platform/controls/Panel.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

// A control without a window that logs its mouse virtuals.
class TSpot : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  std::vector<String> log;

 protected:
  void MouseDown(TMouseButton b, TShiftState s, Integer x, Integer y) override {
    log.push_back("down" + std::to_string(b) + (s.Contains(ssDouble) ? "d" : "") + "@" +
                  std::to_string(x) + "," + std::to_string(y));
    TGraphicControl::MouseDown(b, s, x, y);
  }
  void MouseUp(TMouseButton b, TShiftState s, Integer x, Integer y) override {
    log.push_back("up" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y));
    TGraphicControl::MouseUp(b, s, x, y);
  }
};

class Mouse : public ControlTest {
 protected:
  Mouse() {
    form_ = ShownForm();
    spot_ = new TSpot(owner_.get());
    spot_->SetParent(form_);
    spot_->SetBounds(20, 20, 50, 30);
    spot_->OnClick = [this](TObject*) { spot_->log.push_back("click"); };
    spot_->OnDblClick = [this](TObject*) { spot_->log.push_back("dblclick"); };
  }
  TCustomForm* form_;
  TSpot* spot_;
};

TEST_F(Mouse, AControlWithoutAWindowGetsItsParentsMouseInItsCoordinates) {
  Click(spot_, 5, 6);
  EXPECT_EQ(spot_->log, (std::vector<String>{"down0@5,6", "click", "up0@5,6"}));
  spot_->log.clear();
  InjectClick(TInputButton::Left, At(spot_, 5, 6));  // close in time and place: a double click
  Pump();
  EXPECT_EQ(spot_->log, (std::vector<String>{"dblclick", "down0d@5,6", "up0@5,6"}));
}

TEST_F(Mouse, ThePressHoldsTheMouseAndAReleaseOutsideIsNoClick) {
  InjectButtonDown(TInputButton::Left, At(spot_, 5, 5));
  Pump();
  EXPECT_TRUE(spot_->MouseCapture());
  EXPECT_EQ(GetCaptureControl(), spot_);
  InjectMouseMove(At(spot_, 200, 5));
  InjectButtonUp(TInputButton::Left, At(spot_, 200, 5));
  Pump();
  EXPECT_FALSE(spot_->MouseCapture());
  EXPECT_EQ(spot_->log, (std::vector<String>{"down0@5,5", "up0@200,5"}));
}

TEST_F(Mouse, CancelModeEndsAPressWithoutAClick) {
  InjectButtonDown(TInputButton::Left, At(spot_, 5, 5));
  Pump();
  SendMessage(form_->Handle(), WM_CANCELMODE, 0, 0);
  spot_->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(spot_->MouseCapture());
  EXPECT_EQ(spot_->log, (std::vector<String>{"down0@5,5", "up0@-1,-1"}));
}

TEST_F(Mouse, ControlAtPosFindsTheTopmostVisibleChild) {
  auto* over = new TSpot(owner_.get());
  over->SetParent(form_);
  over->SetBounds(40, 20, 50, 30);
  EXPECT_EQ(form_->ControlAtPos(POINT{45, 25}, false), over);
  over->SetEnabled(false);
  EXPECT_EQ(form_->ControlAtPos(POINT{45, 25}, false), spot_);
  EXPECT_EQ(form_->ControlAtPos(POINT{45, 25}, true), over);
  spot_->BringToFront();
  EXPECT_EQ(form_->ControlAtPos(POINT{45, 25}, true), spot_);
  over->Hide();
  EXPECT_EQ(form_->ControlAtPos(POINT{75, 25}, true), nullptr);
}

TEST_F(Mouse, AHintShowsAfterThePauseAndGoesWhenHintsAreSwitchedOff) {
  spot_->SetHint("Scan|Scan the disk in the drive");
  spot_->SetShowHint(true);
  String longHint;
  Application->OnHint = [&](TObject*) { longHint = Application->Hint(); };
  InjectMouseMove(At(spot_, 5, 5));
  Pump();
  EXPECT_EQ(longHint, "Scan the disk in the drive");
  EXPECT_EQ(Application->HintWindow(), nullptr);
  clock_.Advance(Application->HintPause() - 1);
  Pump();
  EXPECT_EQ(Application->HintWindow(), nullptr);
  clock_.Advance(1);
  Pump();
  THintWindow* hint = Application->HintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->Caption(), "Scan");
  EXPECT_TRUE(IsWindowVisible(hint->WindowHandle()));
  // The hint lets the mouse through to what lies beneath it.
  POINT on = hint->ClientToScreen(POINT{2, 2});
  EXPECT_NE(WindowFromPoint(on), hint->WindowHandle());
  Application->SetShowHint(false);
  EXPECT_EQ(Application->HintWindow(), nullptr);
}

TEST_F(Mouse, ShowHintAndFontFollowTheParentUntilSetOnTheControl) {
  auto* panel = new TPanel(owner_.get());
  panel->SetParent(form_);
  auto* child = new TSpot(owner_.get());
  child->SetParent(panel);
  panel->SetShowHint(true);
  EXPECT_TRUE(child->ShowHint());
  panel->Font()->SetStyle(TFontStyles{fsBold});
  EXPECT_TRUE(child->Font()->Style().Contains(fsBold));
  EXPECT_TRUE(child->ParentFont());
  child->Font()->SetHeight(-20);
  EXPECT_FALSE(child->ParentFont());
  panel->Font()->SetHeight(-9);
  EXPECT_EQ(child->Font()->Height(), -20);
  child->SetParentFont(true);
  EXPECT_EQ(child->Font()->Height(), -9);
  panel->SetColor(clRed);
  EXPECT_EQ(child->Color(), clRed);
  child->SetColor(clBlue);
  panel->SetColor(clGreen);
  EXPECT_EQ(child->Color(), clBlue);
}

}  // namespace
