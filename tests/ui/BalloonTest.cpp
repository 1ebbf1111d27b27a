// tests/ui/BalloonTest.cpp
#include <gtest/gtest.h>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Label.h"
#include "platform/controls/Screen.h"
#include "platform/controls/StdCtrls.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinNotify.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystem.h"
#include "tests/win/DrawingTestSupport.h"
#include "ui/zAPIBalloon.h"

namespace {

class BalloonTest : public ::testing::Test {
 protected:
  BalloonTest() {
    InitializeModules({ControlsModule(), zAPIBalloonModule()});
    Application->SetTitle("Zorvet");
    form_ = new TCustomForm(owner_.get());
    form_->SetBounds(100, 100, 300, 200);
    form_->Show();
    box_ = new TCheckBox(owner_.get());
    box_->SetParent(form_);
    box_->SetBounds(20, 60, 100, 20);
    other_ = new TCheckBox(owner_.get());
    other_->SetParent(form_);
    other_->SetBounds(20, 100, 100, 20);
  }
  ~BalloonTest() override {
    owner_.reset();
    FinalizeModules();
  }

  TzAPIBalloon* Balloon(TAutoCloseMode mode) {
    auto* b = new TzAPIBalloon(owner_.get());
    b->SetAutoCloseMode(mode);
    b->AfterClose = [this, b](TObject* sender) {
      EXPECT_EQ(sender, b);
      ++closed_;
    };
    return b;
  }
  void Pump() { Application->ProcessMessages(); }
  void Wait(DWORD ms) {
    clock_.Advance(ms);
    Pump();
  }
  static bool Shown(TzAPIBalloon* b) { return b->Visible() && IsWindowVisible(b->TipWindow()); }

  TWindowSystem system_;
  THandClock& clock_ = *system_.HandClock();
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_ = nullptr;
  TCheckBox* box_ = nullptr;
  TCheckBox* other_ = nullptr;
  int closed_ = 0;
  int screen_calls_ = 0;  // outlives the test body: the screen's handlers may fire at teardown
};

TEST_F(BalloonTest, DefaultsAndAssignmentsThatKeepTheOldValue) {
  TzAPIBalloon* b = Balloon(acNone);
  EXPECT_EQ(b->Title(), "Zorvet");
  ASSERT_EQ(b->Prompt()->Count(), 2);
  EXPECT_EQ(b->Prompt()->Strings(0), "Halvorn Ltd");
  EXPECT_EQ(b->Prompt()->Strings(1), "TzAPIBalloon ver. 1");
  EXPECT_EQ(b->Font()->Name(), "Tahoma");
  EXPECT_EQ(b->Font()->Size(), 8);
  EXPECT_EQ(b->TimeOut(), 5000);
  EXPECT_EQ(b->BalloonIcon(), bInfo);
  EXPECT_EQ(b->MaxTipWidth(), -1);
  b->SetTitle("");
  EXPECT_EQ(b->Title(), "Zorvet");
  TStringList blank;
  blank.Add("  ");
  b->SetPrompt(&blank);
  EXPECT_EQ(b->Prompt()->Count(), 2);
  int clicks = 0;
  b->SetOnClick([&](TObject*) { ++clicks; });
  b->SetOnClick(nullptr);
  ASSERT_TRUE(b->OnClick());
  EXPECT_EQ(GetWindowLongPtr(b->TipWindow(), GWL_STYLE) & 0xFFFFFFFF, 0x80000043);
  EXPECT_TRUE(GetWindowLongPtr(b->TipWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(BalloonTest, TheCloseIntervalFollowsTheMode) {
  TzAPIBalloon* b = Balloon(acTimeOut);
  b->SetTimeOut(100);
  EXPECT_EQ(b->CloseInterval(), 500u);
  b->SetTimeOut(1200);
  EXPECT_EQ(b->CloseInterval(), 1200u);
  b->SetAutoCloseMode(acAutoCalc);
  b->SetTitle("Title");
  TStringList prompt;
  prompt.Add("12345");
  b->SetPrompt(&prompt);
  EXPECT_EQ(b->CloseInterval(), 2000u);  // 10 characters
  prompt.Clear();
  prompt.Add(String(45, 'x'));
  b->SetPrompt(&prompt);
  EXPECT_EQ(b->CloseInterval(), 5000u);  // 50 characters
  b->SetAutoCloseMode(acAction);
  EXPECT_EQ(b->CloseInterval(), 2000u);
}

TEST_F(BalloonTest, ATimedBalloonClosesOnTheClockAndFiresItsEvents) {
  TzAPIBalloon* b = Balloon(acTimeOut);
  b->SetTimeOut(100);
  std::vector<String> order;
  b->BeforeShow = [&](TObject*) { order.push_back("before"); };
  b->AfterShow = [&](TObject*) { order.push_back("after"); };
  b->ShowAt(box_);
  EXPECT_TRUE(Shown(b));
  Wait(499);
  EXPECT_TRUE(Shown(b));
  Wait(1);
  EXPECT_FALSE(Shown(b));
  EXPECT_EQ(closed_, 1);
  EXPECT_EQ(order, (std::vector<String>{"before", "after"}));
  // Showing again while shown closes first: one balloon per component.
  b->ShowAt(box_);
  b->ShowAt(other_);
  EXPECT_EQ(closed_, 2);
  EXPECT_TRUE(Shown(b));
}

TEST_F(BalloonTest, ItPointsAtTheCentreOfItsTarget) {
  TzAPIBalloon* b = Balloon(acNone);
  std::vector<POINT> tracked;
  WNDPROC previous = GetWindowProc(b->TipWindow());
  WNDPROC spy = MakeWndProc([&](HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == TTM_TRACKPOSITION) tracked.push_back(POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
    return CallWindowProc(previous, h, m, w, l);
  });
  SetWindowProc(b->TipWindow(), spy);
  b->ShowAt(box_);
  RECT r;
  GetWindowRect(box_->WindowHandle(), &r);
  ASSERT_EQ(tracked.size(), 1u);
  EXPECT_EQ(tracked[0].x, r.left + (r.right - r.left) / 2);
  EXPECT_EQ(tracked[0].y, r.top + (r.bottom - r.top) / 2);
  // A label is placed from its parent's window and the frame and caption sizes.
  auto* label = new TLabel(owner_.get());
  label->SetParent(form_);
  label->SetBounds(30, 20, 41, 13);
  b->ShowAt(label);
  GetWindowRect(form_->WindowHandle(), &r);
  ASSERT_EQ(tracked.size(), 2u);
  EXPECT_EQ(tracked[1].x, r.left + 30 + GetSystemMetrics(SM_CXFIXEDFRAME) + 20);
  EXPECT_EQ(tracked[1].y,
            r.top + 20 + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFIXEDFRAME) + 6);
  // One without a parent is shown at its own place instead of failing.
  auto* lone = new TLabel(owner_.get());
  lone->SetBounds(200, 300, 40, 20);
  b->ShowAt(lone);
  ASSERT_EQ(tracked.size(), 3u);
  EXPECT_EQ(tracked[2].x, 220);
  EXPECT_EQ(tracked[2].y, 310);
  b->ShowAt(nullptr);
  EXPECT_EQ(tracked.size(), 3u);
  SetWindowProc(b->TipWindow(), previous);
  FreeWndProc(spy);
}

TEST_F(BalloonTest, AClickOnTheBalloonFiresOnClickOnceAndClosesIt) {
  TzAPIBalloon* b = Balloon(acNone);
  int clicks = 0;
  b->SetOnClick([&](TObject* sender) {
    EXPECT_EQ(sender, b);
    ++clicks;
  });
  b->ShowAt(box_);
  RECT r;
  GetWindowRect(b->TipWindow(), &r);
  InjectClick(TInputButton::Left, POINT{r.left + 30, (r.top + r.bottom) / 2});
  Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(Shown(b));
  EXPECT_EQ(closed_, 1);
}

TEST_F(BalloonTest, AnActionBalloonWatchesAfterTwoSecondsAndAKeyClosesOnlyIt) {
  TzAPIBalloon* watching = Balloon(acAction);
  TzAPIBalloon* later = Balloon(acNone);  // created last, not watching
  watching->ShowAt(box_);
  later->ShowAt(other_);
  InjectKey('A');  // before the two seconds: no effect
  Pump();
  EXPECT_TRUE(Shown(watching));
  Wait(2000);
  EXPECT_TRUE(watching->Watching());
  InjectKey('A');
  Pump();
  EXPECT_FALSE(Shown(watching));
  EXPECT_FALSE(watching->Watching());
  EXPECT_TRUE(Shown(later));
  // The hooks went with it: more keys close nothing else.
  InjectKey('B');
  Pump();
  EXPECT_TRUE(Shown(later));
}

TEST_F(BalloonTest, TwoWatchingBalloonsKeepTheirOwnHooksAndTheMouseClosesThem) {
  TzAPIBalloon* a = Balloon(acAction);
  TzAPIBalloon* b = Balloon(acAction);
  a->ShowAt(box_);
  Wait(1000);
  b->ShowAt(other_);
  Wait(1000);
  EXPECT_TRUE(a->Watching());
  EXPECT_FALSE(b->Watching());
  InjectMouseMove(POINT{150, 150});
  Pump();
  EXPECT_FALSE(Shown(a));
  EXPECT_TRUE(Shown(b));
  Wait(1000);
  EXPECT_TRUE(b->Watching());
  InjectWheel(120, POINT{150, 150});
  Pump();
  EXPECT_FALSE(Shown(b));
  EXPECT_EQ(closed_, 2);
}

TEST_F(BalloonTest, AFocusChangeClosesWatchingBalloonsAndReachesTheScreensOwnHandler) {
  Screen->OnActiveControlChange = [this](TObject*) { ++screen_calls_; };
  TzAPIBalloon* a = Balloon(acAction);
  TzAPIBalloon* b = Balloon(acAction);
  a->ShowAt(box_);
  b->ShowAt(other_);
  Wait(2000);
  ASSERT_TRUE(a->Watching() && b->Watching());
  box_->SetFocus();
  other_->SetFocus();
  EXPECT_FALSE(Shown(a));
  EXPECT_FALSE(Shown(b));
  EXPECT_EQ(screen_calls_, 2);
  // The screen has its own handler back.
  box_->SetFocus();  // heard by the screen's own handler alone
  EXPECT_EQ(screen_calls_, 3);
}

TEST_F(BalloonTest, ABalloonDestroyedWhileWatchingLeavesNoHookOrHandlerBehind) {
  Screen->OnActiveFormChange = [this](TObject*) { ++screen_calls_; };
  TzAPIBalloon* watching = Balloon(acAction);
  TzAPIBalloon* shown = Balloon(acTimeOut);
  watching->ShowAt(box_);
  Wait(2000);
  ASSERT_TRUE(watching->Watching());
  shown->ShowAt(other_);
  delete watching;
  EXPECT_EQ(closed_, 0);  // no events from a balloon being destroyed
  InjectKey('A');
  InjectMouseMove(POINT{160, 160});
  Pump();
  EXPECT_TRUE(Shown(shown));
  Screen->OnActiveFormChange(nullptr);
  EXPECT_EQ(screen_calls_, 1);
  delete shown;  // destroyed while visible
  Pump();
}

TEST_F(BalloonTest, ATitleWithIconAndTwoPromptLinesLookLikeTheReference) {
  TzAPIBalloon* b = Balloon(acNone);
  b->SetTitle("No files found");
  b->SetBalloonIcon(bWarning);
  TStringList prompt;
  prompt.Add("Nothing matches the mask");
  prompt.Add("in the selected discs.");
  b->SetPrompt(&prompt);
  b->ShowAt(box_);
  Pump();
  const TSurface shot = CaptureWindow(b->TipWindow());
  EXPECT_TRUE(MatchesReference(shot, "../../ui/reference/balloon.png", 8, 30));
}

}  // namespace
