#include "platform/controls/DataModule.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/Panel.h"
#include "platform/controls/Timer.h"
#include "platform/win/MessageBoxHook.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/controls/DialogScript.h"

namespace {

class FormLife : public ControlTest {
 protected:
  // Logs every event of the form into trace_.
  void Watch(TCustomForm* f) {
    auto note = [this](const char* what) {
      return [this, what](TObject*) { trace_.push_back(what); };
    };
    f->OnCreate = note("create");
    f->OnShow = note("show");
    f->OnActivate = note("activate");
    f->OnDeactivate = note("deactivate");
    f->OnResize = note("resize");
    f->OnHide = note("hide");
    f->OnDestroy = note("destroy");
    f->OnCloseQuery = [this](TObject*, bool&) { trace_.push_back("closequery"); };
    f->OnClose = [this](TObject*, TCloseAction& a) {
      trace_.push_back("close");
      a = caFree;
    };
  }
  std::vector<String> trace_;
};

TEST_F(FormLife, EventsFromCreateToDestroyComeInOrder) {
  auto* form = new TCustomForm(owner_.get());
  Watch(form);
  form->DoCreate();
  form->SetBounds(10, 10, 300, 200);
  form->Show();
  Pump();
  form->SetBounds(10, 10, 320, 200);
  trace_.push_back("--");
  form->OnClose = [this](TObject*, TCloseAction&) { trace_.push_back("close"); };
  form->Close();  // hides
  trace_.push_back("--");
  form->OnClose = [this](TObject*, TCloseAction& a) {
    trace_.push_back("close");
    a = caFree;
  };
  form->Show();
  PostMessage(form->Handle(), WM_CLOSE, 0, 0);
  Pump();
  // Freeing a shown form destroys its window without hiding it first.
  EXPECT_EQ(trace_, (std::vector<String>{"create", "resize", "show", "activate", "resize", "--",
                                         "closequery", "close", "deactivate", "hide", "--", "show",
                                         "activate", "closequery", "close", "destroy"}));
  EXPECT_EQ(Screen->FormCount(), 0);
}

TEST_F(FormLife, ShowModalRunsUntilAButtonSetsTheResult) {
  auto* main = ShownForm("Main");
  auto* dialog = new TCustomForm(owner_.get());
  dialog->SetBounds(50, 50, 200, 100);
  auto* ok = new TPanel(owner_.get());
  ok->SetParent(dialog);
  ok->SetBounds(10, 10, 60, 25);
  ok->OnClick = [&](TObject*) { dialog->SetModalResult(mrOk); };
  bool mainEnabledMeanwhile = true;
  dialog->OnShow = [&](TObject*) {
    mainEnabledMeanwhile = IsWindowEnabled(main->WindowHandle());
    // The user clicks the button once the dialog is up.
    InjectClick(TInputButton::Left, At(ok, 5, 5));
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_FALSE(mainEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(main->WindowHandle()));
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(Screen->ActiveForm(), main);
  EXPECT_THROW(main->ShowModal(), EInvalidOperation);  // visible already
}

TEST_F(FormLife, CloseOnAModalFormAnswersCancelUnlessOnCloseRefuses) {
  auto* dialog = new TCustomForm(owner_.get());
  int asked = 0;
  dialog->OnClose = [&](TObject*, TCloseAction& a) {
    if (++asked == 1) a = caNone;
  };
  dialog->OnShow = [&](TObject*) {
    PostMessage(dialog->Handle(), WM_CLOSE, 0, 0);
    PostMessage(dialog->Handle(), WM_CLOSE, 0, 0);
  };
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
}

TEST_F(FormLife, AModalFormThatNoInputCanReachFailsInsteadOfHanging) {
  auto* dialog = new TCustomForm(owner_.get());
  EXPECT_THROW(dialog->ShowModal(), EInvalidOperation);
  EXPECT_FALSE(dialog->Visible());
  auto previous = SetModalWaitHandler([&](TCustomForm* f) {
    f->SetModalResult(mrAbort);
    return true;
  });
  EXPECT_EQ(dialog->ShowModal(), mrAbort);
  SetModalWaitHandler(previous);
}

TEST_F(FormLife, KeyPreviewLetsTheFormSeeKeysFirst) {
  TCustomForm* form = ShownForm();
  auto* child = new TProbe(owner_.get());
  child->SetParent(form);
  child->SetTabStop(true);
  child->SetFocus();
  std::vector<String> seen;
  form->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
    seen.push_back("form");
    if (key == 'X') key = 0;
  };
  child->OnKeyDown = [&](TObject*, Word&, TShiftState) { seen.push_back("child"); };
  InjectKey('A');
  Pump();
  EXPECT_EQ(seen, (std::vector<String>{"child"}));
  form->SetKeyPreview(true);
  seen.clear();
  InjectKey('A');
  InjectKey('X');
  Pump();
  EXPECT_EQ(seen, (std::vector<String>{"form", "child", "form"}));
}

TEST_F(FormLife, WhileAControlHoldsTheMouseTheFormGetsTheKeys) {
  TCustomForm* form = ShownForm();
  auto* focused = new TProbe(owner_.get());
  focused->SetParent(form);
  focused->SetFocus();
  auto* dragger = new TPanel(owner_.get());
  dragger->SetParent(form);
  dragger->SetBounds(100, 0, 50, 50);
  std::vector<String> seen;
  form->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
    seen.push_back("form:" + std::to_string(key));
  };
  focused->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
    seen.push_back("focused:" + std::to_string(key));
  };
  InjectButtonDown(TInputButton::Left, At(dragger, 5, 5));
  Pump();
  ASSERT_TRUE(dragger->MouseCapture());
  InjectKey(VK_ESCAPE);
  Pump();
  InjectButtonUp(TInputButton::Left, At(dragger, 5, 5));
  InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ(seen, (std::vector<String>{"form:27", "focused:27"}));
}

TEST_F(FormLife, DataModulesAreListedAndTellCreateAndDestroy) {
  std::vector<String> trace;
  auto* dm = new TDataModule(owner_.get());
  dm->OnCreate = [&](TObject*) { trace.push_back("create"); };
  dm->OnDestroy = [&](TObject* s) {
    trace.push_back("destroy:" + std::to_string(static_cast<TComponent*>(s)->ComponentCount()));
  };
  new TTimer(dm);
  Application->CreateForm(dm);
  dm->DoCreate();
  EXPECT_EQ(Application->MainForm(), nullptr);  // only forms become the main form
  ASSERT_EQ(Screen->DataModuleCount(), 1);
  delete dm;
  EXPECT_EQ(Screen->DataModuleCount(), 0);
  EXPECT_EQ(trace, (std::vector<String>{"create", "destroy:1"}));
}

TEST_F(FormLife, ATimerTicksThroughTheLoopWhileEnabled) {
  auto* timer = new TTimer(owner_.get());
  int ticks = 0;
  timer->SetInterval(100);
  timer->SetOnTimer([&](TObject*) { ++ticks; });
  clock_.Advance(99);
  Pump();
  EXPECT_EQ(ticks, 0);
  clock_.Advance(1);
  Pump();
  EXPECT_EQ(ticks, 1);
  timer->SetEnabled(false);
  clock_.Advance(500);
  Pump();
  EXPECT_EQ(ticks, 1);
}

TEST_F(FormLife, MinimizingTheApplicationHidesItsFormsUntilRestored) {
  TCustomForm* form = ShownForm();
  PostMessage(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump();
  EXPECT_TRUE(IsIconic(Application->Handle()));
  EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
  EXPECT_TRUE(form->Visible());
  Application->Restore();
  EXPECT_FALSE(IsIconic(Application->Handle()));
  EXPECT_TRUE(IsWindowVisible(form->WindowHandle()));
}

class Dialogs : public ControlTest {};

TEST_F(Dialogs, MessageDlgIsAModalFormAnsweredByTheScript) {
  TDialogScript script;
  script.Expect("Replace data?", mrNo);
  script.Expect("No disk!", mrOk);
  EXPECT_EQ(MessageDlg("Replace data?\nSerial 1234-ABCD", mtConfirmation, mbYesNoCancel), mrNo);
  ShowMessage("No disk!");
  ASSERT_EQ(script.Seen.size(), 2u);
  EXPECT_EQ(script.Seen[0].Caption, "Confirm");
  EXPECT_EQ(script.Seen[0].Results, (std::vector<Integer>{mrYes, mrNo, mrCancel}));
  EXPECT_EQ(script.Seen[1].Results, (std::vector<Integer>{mrOk}));
  EXPECT_EQ(Screen->FormCount(), 0);  // the dialogs are gone
}

TEST_F(Dialogs, MessageBoxesOfTheWholeProgramAreDialogs) {
  TDialogScript script;
  script.Expect("Drive not ready", mrRetry);
  script.Expect("Sure?", mrYes);
  EXPECT_EQ(MessageBoxA(nullptr, "Drive not ready", "Volume", MB_RETRYCANCEL | MB_ICONEXCLAMATION),
            IDRETRY);
  EXPECT_EQ(Application->MessageBox("Sure?", "", MB_YESNO), IDYES);
  EXPECT_EQ(script.Seen[0].Type, mtWarning);
  EXPECT_EQ(script.Seen[0].Caption, "Volume");
}

TEST_F(Dialogs, TheKeyboardAnswersTooEnterForTheDefaultEscapeForCancel) {
  TDialogScript script;  // answers nothing: the keys do
  SetDialogResponder([](const TDialogInfo&) {
    InjectKey(VK_ESCAPE);
    return mrNone;
  });
  EXPECT_EQ(MessageDlg("Delete?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo}), mrNo);
  SetDialogResponder([](const TDialogInfo&) {
    InjectKey(VK_RETURN);
    return mrNone;
  });
  EXPECT_EQ(MessageDlg("Delete?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo}), mrYes);
}

TEST_F(Dialogs, AnExceptionReachingTheLoopIsShownInAnErrorDialog) {
  TDialogScript script;
  script.Expect("Index out of range.", mrOk);
  HandleException(ERangeError("Index out of range"));
  ASSERT_EQ(script.Seen.size(), 1u);
  EXPECT_EQ(script.Seen[0].Type, mtError);
}

TEST_F(Dialogs, AnAnswerWithoutItsButtonIsAnError) {
  TDialogScript script;
  script.Expect("Continue?", mrAll);
  EXPECT_THROW(MessageDlg("Continue?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo}),
               EInvalidOperation);
}

}  // namespace
