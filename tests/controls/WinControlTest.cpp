// tests/controls/WinControlTest.cpp
#include "platform/win/WinNotify.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

class WinControl : public ControlTest {};

TEST_F(WinControl, TheWindowIsMadeOnDemandParentFirst) {
  auto* form = new TCustomForm(owner_.get());
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  probe->SetBounds(10, 20, 100, 30);
  EXPECT_FALSE(form->HandleAllocated());
  probe->seen.clear();  // property messages of the parenting are not creation
  HWND h = probe->Handle();
  ASSERT_TRUE(IsWindow(h));
  EXPECT_TRUE(form->HandleAllocated());
  EXPECT_EQ(GetParent(h), form->WindowHandle());
  EXPECT_EQ(GetClassName(h), "TProbe");
  EXPECT_EQ(GetWindowProc(h), probe->ObjectInstance());
  EXPECT_EQ(probe->DefWndProc(), DefWindowProcInstance());
  EXPECT_EQ(TWinControl::FindControl(h), probe);
  RECT r;
  GetWindowRect(h, &r);
  POINT origin = form->ClientOrigin();
  EXPECT_EQ(r.left - origin.x, 10);
  EXPECT_EQ(RectHeight(r), 30);
  // Creation messages reached the control's own procedure from the first one on.
  ASSERT_FALSE(probe->seen.empty());
  EXPECT_EQ(probe->seen.front(), WM_NCCREATE);
}

TEST_F(WinControl, AControlWithoutParentWindowCannotMakeOne) {
  auto* probe = new TProbe(owner_.get());
  probe->SetName("Lonely");
  try {
    probe->Handle();
    FAIL();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Control 'Lonely' has no parent window");
  }
  TCustomForm* form = ShownForm();
  probe->SetParentWindow(form->Handle());
  EXPECT_EQ(GetParent(probe->Handle()), form->WindowHandle());
}

class TCustomMessageControl : public TWinControl {
  ZORVET_CLASS_NAME(TCustomMessageControl)

 public:
  using TWinControl::TWinControl;
  int custom = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_USER + 1) {
      ++custom;
      m.Result = 42;
      return;
    }
    TWinControl::Dispatch(m);
  }
};

TEST_F(WinControl, MessagesGoToHandlersAndTheRestToTheClassProcedure) {
  TCustomForm* form = ShownForm();
  auto* c = new TCustomMessageControl(owner_.get());
  c->SetParent(form);
  EXPECT_EQ(SendMessage(c->Handle(), WM_USER + 1, 0, 0), 42);
  EXPECT_EQ(c->custom, 1);
  c->SetText("hello");  // WM_SETTEXT reaches the window through the default procedure
  EXPECT_EQ(GetWindowText(c->Handle()), "hello");
  EXPECT_EQ(c->Perform(WM_NCHITTEST, 0, MAKELPARAM(-5000, -5000)), HTNOWHERE);
}

TEST_F(WinControl, ATextSetBeforeTheWindowBecomesItsCaption) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetText("early");
  probe->SetParent(form);
  EXPECT_EQ(GetWindowText(probe->Handle()), "early");
}

TEST_F(WinControl, RecreatingGivesANewWindowWithTheSameTextChildrenAndFocus) {
  TCustomForm* form = ShownForm();
  auto* outer = new TProbe(owner_.get());
  outer->SetParent(form);
  auto* inner = new TProbe(owner_.get());
  inner->SetParent(outer);
  outer->SetText("kept");
  inner->SetFocus();
  HWND oldOuter = outer->Handle(), oldInner = inner->Handle();
  outer->seen.clear();
  outer->RecreateWnd();
  EXPECT_FALSE(IsWindow(oldOuter));
  EXPECT_FALSE(IsWindow(oldInner));
  ASSERT_TRUE(outer->HandleAllocated());
  ASSERT_TRUE(inner->HandleAllocated());
  EXPECT_NE(outer->WindowHandle(), oldOuter);
  EXPECT_EQ(GetParent(inner->WindowHandle()), outer->WindowHandle());
  EXPECT_EQ(GetWindowText(outer->WindowHandle()), "kept");
  EXPECT_EQ(outer->Count(WM_DESTROY), 1u);
  EXPECT_EQ(outer->Count(WM_NCDESTROY), 1u);
  EXPECT_EQ(outer->Count(WM_CREATE), 1u);
  EXPECT_FALSE(outer->sawDestroyingAtDestroy);
}

TEST_F(WinControl, FreeingAControlDestroysItsWindowWhileMarkedDestroying) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  HWND h = probe->Handle();
  bool destroying = false;
  probe->WindowProc = [probe, &destroying, old = probe->WindowProc](TMessage& m) {
    if (m.Msg == WM_DESTROY) destroying = probe->ComponentState().Contains(csDestroying);
    old(m);
  };
  delete probe;
  EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(destroying);
  EXPECT_EQ(form->ControlCount(), 0);
}

TEST_F(WinControl, AParentFreesItsChildControls) {
  TCustomForm* form = ShownForm();
  auto* a = new TProbe(owner_.get());
  a->SetParent(form);
  auto* b = new TProbe(owner_.get());
  b->SetParent(a);
  b->SetName("B");
  delete a;
  EXPECT_EQ(owner_->FindComponent("B"), nullptr);
}

TEST_F(WinControl, VisibilityAndEnabledFollowTheProperties) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  EXPECT_TRUE(IsWindowVisible(probe->Handle()));
  probe->Hide();
  EXPECT_FALSE(IsWindowVisible(probe->WindowHandle()));
  probe->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(probe->WindowHandle()));
  EXPECT_FALSE(probe->CanFocus());
  auto* hidden = new TProbe(owner_.get());
  hidden->SetVisible(false);
  hidden->SetParent(form);
  EXPECT_FALSE(hidden->HandleAllocated());  // made when shown
  hidden->Show();
  EXPECT_TRUE(hidden->HandleAllocated());
}

TEST_F(WinControl, BoundsFollowTheWindow) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  probe->SetBounds(5, 6, 70, 80);
  MoveWindow(probe->Handle(), 15, 16, 30, 40, TRUE);
  EXPECT_EQ(probe->Left(), 15);
  EXPECT_EQ(probe->Width(), 30);
  EXPECT_EQ(probe->ClientWidth(), 30);
}

TEST_F(WinControl, NotificationsAreReflectedToTheControlThatSentThem) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  NMHDR hdr{probe->Handle(), 0, NM_CLICK};
  SendMessage(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr));
  EXPECT_EQ(probe->Count(CN_NOTIFY), 1u);
}

TEST_F(WinControl, AnExceptionInAHandlerGoesToTheApplication) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  std::vector<String> reported;
  Application->OnException = [&](TObject* sender, const std::exception& e) {
    EXPECT_EQ(sender, probe);
    reported.push_back(e.what());
  };
  probe->WindowProc = [](TMessage& m) {
    if (m.Msg == WM_USER) throw EConvertError("bad value");
  };
  EXPECT_EQ(SendMessage(probe->Handle(), WM_USER, 0, 0), 0);
  EXPECT_EQ(reported, (std::vector<String>{"bad value"}));
}

}  // namespace
