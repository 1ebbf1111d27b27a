// tests/controls/FormTest.cpp
#include "platform/win/Cursor.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

class Form : public ControlTest {};

TEST_F(Form, BorderStyleAndIconsGiveTheWindowStyles) {
  auto* form = new TCustomForm(owner_.get());
  const DWORD sizeable = static_cast<DWORD>(GetWindowLongPtr(form->Handle(), GWL_STYLE));
  EXPECT_TRUE(sizeable & WS_THICKFRAME);
  EXPECT_TRUE(sizeable & WS_MAXIMIZEBOX);
  EXPECT_FALSE(sizeable & WS_CHILD);
  form->SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize});
  const DWORD noMax = static_cast<DWORD>(GetWindowLongPtr(form->Handle(), GWL_STYLE));
  EXPECT_FALSE(noMax & WS_MAXIMIZEBOX);
  form->SetBorderStyle(bsDialog);
  const DWORD dialog = static_cast<DWORD>(GetWindowLongPtr(form->Handle(), GWL_STYLE));
  EXPECT_FALSE(dialog & WS_THICKFRAME);
  EXPECT_TRUE(dialog & WS_POPUP);
}

TEST_F(Form, ShowingFiresOnShowActivatesAndTellsTheScreen) {
  auto* form = new TCustomForm(owner_.get());
  std::vector<String> events;
  form->OnShow = [&](TObject*) {
    events.push_back(IsWindowVisible(form->WindowHandle()) ? "show:visible" : "show");
  };
  form->OnActivate = [&](TObject*) { events.push_back("activate"); };
  Screen->OnActiveFormChange = [&](TObject*) { events.push_back("screen"); };
  form->Show();
  EXPECT_EQ(events, (std::vector<String>{"show", "screen", "activate"}));
  EXPECT_EQ(Screen->ActiveForm(), form);
  EXPECT_TRUE(form->Active());
  ASSERT_EQ(Screen->FormCount(), 1);
  EXPECT_EQ(Screen->Forms(0), form);
  delete form;
  EXPECT_EQ(Screen->FormCount(), 0);
  EXPECT_EQ(Screen->ActiveForm(), nullptr);
}

TEST_F(Form, TheFocusedControlIsTheScreensActiveControlAndComesBackOnActivation) {
  TCustomForm* first = ShownForm("First");
  auto* a = new TProbe(owner_.get());
  a->SetParent(first);
  auto* b = new TProbe(owner_.get());
  b->SetParent(first);
  int changes = 0;
  Screen->OnActiveControlChange = [&](TObject*) { ++changes; };
  b->SetFocus();
  EXPECT_EQ(Screen->ActiveControl(), b);
  EXPECT_EQ(first->ActiveControl(), b);
  EXPECT_EQ(changes, 1);
  TCustomForm* second = ShownForm("Second");
  EXPECT_EQ(Screen->ActiveForm(), second);
  first->Show();
  EXPECT_EQ(Screen->ActiveForm(), first);
  EXPECT_TRUE(b->Focused());
  delete b;
  EXPECT_EQ(first->ActiveControl(), nullptr);
}

TEST_F(Form, CloseAsksFirstAndHidesByDefault) {
  TCustomForm* form = ShownForm();
  bool allow = false;
  form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
  form->Close();
  EXPECT_TRUE(form->Showing());
  allow = true;
  TCloseAction chosen = caNone;
  form->OnClose = [&](TObject*, TCloseAction& action) { chosen = action; };
  form->Close();
  EXPECT_EQ(chosen, caHide);
  EXPECT_FALSE(form->Showing());
}

TEST_F(Form, ClosingTheMainFormEndsTheApplication) {
  auto* form = new TCustomForm(owner_.get());
  Application->CreateForm(form);
  EXPECT_EQ(Application->MainForm(), form);
  PostMessage(form->Handle(), WM_CLOSE, 0, 0);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_TRUE(IsWindow(form->WindowHandle()));
}

TEST_F(Form, ReleaseFreesTheFormAfterItsMessage) {
  TCustomForm* form = ShownForm();
  form->SetName("Doomed");
  form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  form->Close();
  EXPECT_NE(owner_->FindComponent("Doomed"), nullptr);
  Application->ProcessMessages();
  EXPECT_EQ(owner_->FindComponent("Doomed"), nullptr);
}

TEST_F(Form, WindowStateMapsToShowCommands) {
  TCustomForm* form = ShownForm();
  form->SetWindowState(wsMaximized);
  EXPECT_TRUE(IsZoomed(form->WindowHandle()));
  EXPECT_EQ(form->WindowState(), wsMaximized);
  form->SetWindowState(wsNormal);
  EXPECT_EQ(form->Left(), 100);
  EXPECT_EQ(form->Width(), 400);
}

class ScreenCursor : public ControlTest {};

TEST_F(ScreenCursor, WrapsTheCursorTable) {
  EXPECT_EQ(Screen->Cursors(crNoDrop), CursorOfId(crNoDrop));
  Screen->SetCursors(500, LoadCursor(HInstance(), "ZX_DRAGCUR"));
  EXPECT_EQ(CursorOfId(500), LoadCursor(HInstance(), "ZX_DRAGCUR"));
  Screen->SetCursors(500, nullptr);
  EXPECT_EQ(Screen->Cursors(500), Screen->Cursors(crDefault));
}

TEST_F(ScreenCursor, AScreenCursorOverridesEveryControl) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  probe->SetBounds(0, 0, 50, 50);
  probe->SetCursor(crHandPoint);
  POINT inside = probe->ClientToScreen(POINT{5, 5});
  InjectMouseMove(inside);
  Application->ProcessMessages();
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  InjectMouseMove(POINT{inside.x + 1, inside.y});
  Application->ProcessMessages();
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  Screen->SetCursor(crDefault);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
}

class ApplicationLoop : public ControlTest {};

TEST_F(ApplicationLoop, TakesOverTheRuntimeExceptionHandling) {
  std::vector<String> got;
  Application->OnException = [&](TObject*, const std::exception& e) { got.push_back(e.what()); };
  HandleException(EConvertError("one"));
  HandleException(EAbort("silent"));
  EXPECT_EQ(got, (std::vector<String>{"one"}));
}

TEST_F(ApplicationLoop, ProcessMessagesHandlesWhatIsQueued) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  PostMessage(probe->Handle(), WM_USER, 0, 0);
  PostMessage(probe->Handle(), WM_USER, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(probe->Count(WM_USER), 2u);
  EXPECT_FALSE(Application->Terminated());
}

}  // namespace
