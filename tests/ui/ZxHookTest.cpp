// tests/ui/ZxHookTest.cpp
#include <gtest/gtest.h>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"
#include "ui/ZxHook.h"

namespace {

// A windowed control that counts what its own handling gets.
class TTarget : public TWinControl {
  ZORVET_CLASS_NAME(TTarget)

 public:
  using TWinControl::TWinControl;
  std::vector<UINT> seen;
  void WndProc(TMessage& m) override {
    seen.push_back(m.Msg);
    if (m.Msg == WM_USER) m.Result = 7;
    TWinControl::WndProc(m);
    if (m.Msg == WM_USER) m.Result = 7;
  }
  size_t Count(UINT msg) const {
    return static_cast<size_t>(std::count(seen.begin(), seen.end(), msg));
  }
};

class ZxHook : public ::testing::Test {
 protected:
  ZxHook() {
    InitializeModules({ControlsModule(), ZxHookModule()});
    form_ = new TCustomForm(owner_.get());
    form_->Show();
    target_ = new TTarget(owner_.get());
    target_->SetParent(form_);
  }
  ~ZxHook() override { FinalizeModules(); }

  // A hook on the target that logs "<name>:before" / "<name>:after" for WM_USER.
  TZxWindowHook* Hook(const String& name, bool swallowBefore = false) {
    auto* h = new TZxWindowHook(owner_.get());
    h->BeforeMessage = [this, name, swallowBefore](TObject*, TMessage& m, bool& handled) {
      if (m.Msg != WM_USER && m.Msg != WM_DESTROY) return;
      trace_.push_back(name + ":before");
      handled = swallowBefore;
    };
    h->AfterMessage = [this, name](TObject*, TMessage& m, bool&) {
      if (m.Msg == WM_USER) trace_.push_back(name + ":after=" + std::to_string(m.Result));
    };
    h->SetWinControl(target_);
    return h;
  }
  void Pump() { Application->ProcessMessages(); }

  TWindowSystem system_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_ = nullptr;
  TTarget* target_ = nullptr;
  std::vector<String> trace_;
};

TEST_F(ZxHook, TheLastAttachedHookSeesEachMessageFirst) {
  Hook("a");
  Hook("b");
  EXPECT_EQ(SendMessage(target_->Handle(), WM_USER, 0, 0), 7);
  EXPECT_EQ(trace_, (std::vector<String>{"b:before", "a:before", "b:after=7", "a:after=7"}));
  EXPECT_EQ(HookList().Count(), 1);  // one replacement procedure for the control
}

TEST_F(ZxHook, ASwallowedMessageReachesNeitherTheOtherHookNorTheControl) {
  Hook("a");
  Hook("b", true);
  EXPECT_EQ(SendMessage(target_->Handle(), WM_USER, 0, 0), 0);
  EXPECT_EQ(trace_, (std::vector<String>{"b:before"}));
  EXPECT_EQ(target_->Count(WM_USER), 0u);
}

TEST_F(ZxHook, WmDestroyAlwaysReachesTheControl) {
  Hook("a", true);
  target_->DestroyHandle();
  EXPECT_EQ(target_->Count(WM_DESTROY), 1u);
  EXPECT_EQ(trace_, (std::vector<String>{"a:before"}));
}

TEST_F(ZxHook, HooksFollowTheControlToItsNewWindow) {
  Hook("a");
  HWND old = target_->Handle();
  target_->RecreateWnd();
  ASSERT_NE(target_->Handle(), old);
  Pump();  // CM_ZXREHOOK
  trace_.clear();
  SendMessage(target_->Handle(), WM_USER, 0, 0);
  EXPECT_EQ(trace_, (std::vector<String>{"a:before", "a:after=7"}));
  EXPECT_NE(GetWindowProc(target_->Handle()), target_->ObjectInstance());
}

TEST_F(ZxHook, DeactivatingTheLastHookGivesTheWindowItsProcedureBack) {
  TZxWindowHook* a = Hook("a");
  TZxWindowHook* b = Hook("b");
  HWND h = target_->Handle();
  a->SetActive(false);
  EXPECT_NE(GetWindowProc(h), target_->ObjectInstance());
  b->SetActive(false);
  EXPECT_EQ(GetWindowProc(h), target_->ObjectInstance());
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_TRUE(trace_.empty());
  b->SetActive(true);
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_EQ(trace_.front(), "b:before");
}

TEST_F(ZxHook, AHookRemovedWhileAMessageRunsIsSkipped) {
  TZxWindowHook* a = Hook("a");
  auto* b = new TZxWindowHook(owner_.get());
  b->BeforeMessage = [&](TObject*, TMessage& m, bool&) {
    if (m.Msg != WM_USER) return;
    trace_.push_back("b:before");
    delete a;  // gone before its turn
  };
  b->SetWinControl(target_);
  EXPECT_EQ(SendMessage(target_->Handle(), WM_USER, 0, 0), 7);
  EXPECT_EQ(trace_, (std::vector<String>{"b:before"}));
}

TEST_F(ZxHook, AnUnusedControlHookIsFreedLater) {
  TZxWindowHook* a = Hook("a");
  a->SetWinControl(nullptr);
  EXPECT_EQ(HookList().Count(), 1);
  Pump();  // CM_ZXFREEHOOK
  EXPECT_EQ(HookList().Count(), 0);
  EXPECT_EQ(GetWindowProc(target_->Handle()), target_->ObjectInstance());
}

TEST_F(ZxHook, FreeingTheControlClearsTheHooksControl) {
  TZxWindowHook* a = Hook("a");
  delete target_;
  target_ = nullptr;
  EXPECT_EQ(a->WinControl(), nullptr);
  Pump();
  EXPECT_EQ(HookList().Count(), 0);
}

TEST_F(ZxHook, HandlerErrorsGoToTheApplicationAndTheWalkGoesOn) {
  Hook("a");
  auto* b = new TZxWindowHook(owner_.get());
  b->BeforeMessage = [](TObject*, TMessage& m, bool&) {
    if (m.Msg == WM_USER) throw EConvertError("hook failed");
  };
  b->SetWinControl(target_);
  std::vector<String> errors;
  Application->OnException = [&](TObject* sender, const std::exception& e) {
    EXPECT_EQ(sender, b);
    errors.push_back(e.what());
  };
  EXPECT_EQ(SendMessage(target_->Handle(), WM_USER, 0, 0), 7);
  EXPECT_EQ(errors, (std::vector<String>{"hook failed"}));
  EXPECT_EQ(trace_, (std::vector<String>{"a:before", "a:after=7"}));
}

// Another piece of code subclasses the window after the hook did, and keeps
// the hook's procedure as the one it passes messages to.
TEST_F(ZxHook, UninstallingUnderAnotherSubclasserKeepsTheControlsOwnHandling) {
  TZxWindowHook* a = Hook("a");
  HWND h = target_->Handle();
  WNDPROC hookProc = GetWindowProc(h);
  WNDPROC above = nullptr;
  int aboveCalls = 0;
  WNDPROC belowAbove = nullptr;
  above = MakeWndProc([&](HWND hh, UINT m, WPARAM w, LPARAM l) {
    ++aboveCalls;
    return CallWindowProc(belowAbove, hh, m, w, l);
  });
  belowAbove = SetWindowProc(h, above);
  EXPECT_EQ(belowAbove, hookProc);

  a->SetActive(false);
  EXPECT_EQ(GetWindowProc(h), above);  // cannot leave: the other procedure sits above
  trace_.clear();
  target_->seen.clear();
  EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 7);
  EXPECT_EQ(aboveCalls, 1);
  EXPECT_TRUE(trace_.empty());             // no hook runs any more
  EXPECT_EQ(target_->Count(WM_USER), 1u);  // but the control still handles its messages

  // The other procedure leaves, putting the hook's replacement back; the
  // replacement then leaves the chain at its next message.
  SetWindowProc(h, belowAbove);
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_EQ(GetWindowProc(h), target_->ObjectInstance());
  EXPECT_EQ(target_->Count(WM_USER), 2u);
  FreeWndProc(above);
}

TEST_F(ZxHook, AReplacementStuckUnderAnotherSubclasserGoesWithTheWindow) {
  TZxWindowHook* a = Hook("a");
  HWND h = target_->Handle();
  WNDPROC below = nullptr;
  WNDPROC above = MakeWndProc(
      [&](HWND hh, UINT m, WPARAM w, LPARAM l) { return CallWindowProc(below, hh, m, w, l); });
  below = SetWindowProc(h, above);
  delete a;  // the component and, once pumped, its control hook are gone
  Pump();
  EXPECT_EQ(HookList().Count(), 0);
  EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 7);
  target_->DestroyHandle();  // the stuck replacement is released with the window
  EXPECT_EQ(target_->Count(WM_NCDESTROY), 1u);
  EXPECT_EQ(CallWindowProc(below, h, WM_USER, 0, 0), 0);  // released
  FreeWndProc(above);
}

TEST_F(ZxHook, PostedWorkNamesControlHooksByIdentifiersThatAreNeverReused) {
  TZxWindowHook* a = Hook("a");
  const std::uint64_t oldId = HookList().Find(target_)->Id();
  a->SetWinControl(nullptr);
  Pump();
  ASSERT_EQ(HookList().FindId(oldId), nullptr);
  // A new control hook, uninstalled for now because its window is being replaced.
  auto* other = new TTarget(owner_.get());
  other->SetParent(form_);
  auto* b = new TZxWindowHook(owner_.get());
  b->SetWinControl(other);
  TControlHook* fresh = HookList().Find(other);
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(fresh->Id(), oldId);
  fresh->Uninstall();
  // A late message for the old hook must not touch the new one.
  PostMessage(HookList().Handle(), CM_ZXREHOOK, oldId, 0);
  PostMessage(HookList().Handle(), CM_ZXFREEHOOK, oldId, 0);
  Pump();
  EXPECT_FALSE(fresh->Installed());
  EXPECT_EQ(HookList().Find(other), fresh);
}

TEST_F(ZxHook, WithoutAControlOrWhileDesigningNothingIsInstalled) {
  auto* h = new TZxWindowHook(owner_.get());
  h->SetActive(true);
  EXPECT_FALSE(HookListExists() && HookList().Count() > 0);
  target_->SetDesigning(true);
  h->SetWinControl(target_);
  EXPECT_EQ(GetWindowProc(target_->Handle()), target_->ObjectInstance());
}

// Records what DefineProperties declares.
class TRecordingFiler : public TFiler {
 public:
  TRecordingFiler() : TFiler(nullptr, 0) {}
  void DefineProperty(const String& name, const TReaderProc& read, const TWriterProc& write,
                      bool hasData) override {
    names.push_back(name);
    this->read = read;
    this->write = write;
    this->hasData = hasData;
  }
  void DefineBinaryProperty(const String&, const TStreamProc&, const TStreamProc&, bool) override {}
  void FlushBuffer() override {}
  std::vector<String> names;
  TReaderProc read;
  TWriterProc write;
  bool hasData = false;
};

TEST_F(ZxHook, TheIsFormPropertyIsStoredWhenTheHookWatchesItsOwnForm) {
  auto* onForm = new TZxWindowHook(form_);
  onForm->SetWinControl(form_);
  TRecordingFiler filer;
  onForm->DefineProperties(&filer);
  EXPECT_EQ(filer.names, (std::vector<String>{"IsForm"}));
  EXPECT_TRUE(filer.hasData);

  auto* ancestor = new TZxWindowHook(form_);
  ancestor->SetWinControl(form_);
  filer.SetAncestor(ancestor);
  onForm->DefineProperties(&filer);
  EXPECT_FALSE(filer.hasData);  // same as the inherited form's

  TRecordingFiler plain;
  Hook("a")->DefineProperties(&plain);
  EXPECT_FALSE(plain.hasData);
}

TEST_F(ZxHook, ReadingIsFormMakesTheOwningFormTheControl) {
  TMemoryStream stream;
  {
    TWriter writer(&stream, 64);
    writer.WriteBoolean(true);
  }
  stream.SetPosition(0);
  auto* hook = new TZxWindowHook(form_);
  TRecordingFiler filer;
  hook->DefineProperties(&filer);
  TReader reader(&stream, 64);
  filer.read(&reader);
  EXPECT_EQ(hook->WinControl(), form_);
}

TEST_F(ZxHook, TheWatchedControlIsStoredOnlyWhenItIsNotTheOwningForm) {
  auto* onForm = new TZxWindowHook(form_);
  onForm->SetWinControl(form_);
  auto* onTarget = new TZxWindowHook(form_);
  onTarget->SetWinControl(target_);
  const TPropInfo* prop = GetPropInfo(onForm, "WinControl");
  ASSERT_NE(prop, nullptr);
  EXPECT_FALSE(IsStoredProp(onForm, prop));
  EXPECT_TRUE(IsStoredProp(onTarget, prop));
  const TPropInfo* active = GetPropInfo(onForm, "Active");
  ASSERT_NE(active, nullptr);
  EXPECT_EQ(GetOrdProp(onForm, active), 1);
}

}  // namespace
