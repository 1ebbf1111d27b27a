#include "platform/controls/ActnList.h"

#include "platform/controls/Label.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

class ActionTest : public ControlTest {
 protected:
  TActionList* list_ = new TActionList(owner_.get());
  TAction* NewAction(const String& caption) {
    auto* a = new TAction(owner_.get());
    a->SetActionList(list_);
    a->SetCaption(caption);
    return a;
  }
  TLabel* NewControl() { return new TLabel(owner_.get()); }
};

TEST_F(ActionTest, ALinkedControlFollowsTheActionsState) {
  TAction* a = NewAction("&Scan");
  a->SetHint("Scan a disk");
  TLabel* c = NewControl();
  c->SetAction(a);
  EXPECT_EQ(c->Caption(), "&Scan");
  EXPECT_EQ(c->Hint(), "Scan a disk");
  a->SetCaption("Rescan");
  a->SetEnabled(false);
  a->SetVisible(false);
  EXPECT_EQ(c->Caption(), "Rescan");
  EXPECT_FALSE(c->Enabled());
  EXPECT_FALSE(c->Visible());
  c->SetAction(nullptr);
  a->SetCaption("Gone");
  EXPECT_EQ(c->Caption(), "Rescan");
}

TEST_F(ActionTest, AControlsOwnCaptionSurvivesLinkingButNotLaterChanges) {
  TAction* a = NewAction("Action caption");
  TLabel* c = NewControl();
  c->SetCaption("Own caption");
  c->SetAction(a);
  EXPECT_EQ(c->Caption(), "Own caption");
  a->SetCaption("Changed");
  EXPECT_EQ(c->Caption(), "Changed");
}

TEST_F(ActionTest, AClickRunsTheActionUnlessTheControlHasItsOwnOnClick) {
  TAction* a = NewAction("Run");
  int runs = 0;
  TObject* by = nullptr;
  a->OnExecute = [&](TObject* sender) {
    ++runs;
    by = static_cast<TBasicAction*>(sender)->ActionComponent();
  };
  TLabel* c = NewControl();
  c->SetAction(a);
  c->Click();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(by, c);
  EXPECT_EQ(a->ActionComponent(), nullptr);
  // A disabled action does not run.
  a->SetEnabled(false);
  c->Click();
  EXPECT_EQ(runs, 1);
  a->SetEnabled(true);
  int own = 0;
  c->OnClick = [&](TObject*) { ++own; };
  c->Click();
  EXPECT_EQ(own, 1);
  EXPECT_EQ(runs, 1);
}

TEST_F(ActionTest, TheListSeesEveryActionFirstAndMayHandleIt) {
  TAction* a = NewAction("A");
  int listRuns = 0, actionRuns = 0;
  bool handle = true;
  list_->OnExecute = [&](TBasicAction* action, bool& handled) {
    EXPECT_EQ(action, a);
    ++listRuns;
    handled = handle;
  };
  a->OnExecute = [&](TObject*) { ++actionRuns; };
  EXPECT_TRUE(a->Execute());
  EXPECT_EQ(actionRuns, 0);
  handle = false;
  EXPECT_TRUE(a->Execute());
  EXPECT_EQ(listRuns, 2);
  EXPECT_EQ(actionRuns, 1);
  list_->SetState(asSuspended);
  EXPECT_FALSE(a->Execute());
  EXPECT_EQ(listRuns, 2);
}

TEST_F(ActionTest, IdleUpdatesEnableLinkedControls) {
  TAction* a = NewAction("Delete");
  bool canDelete = false;
  a->OnUpdate = [&](TObject*) { a->SetEnabled(canDelete); };
  TLabel* c = NewControl();
  c->SetAction(a);
  Application->DoIdle();
  EXPECT_FALSE(c->Enabled());
  canDelete = true;
  Application->DoIdle();
  EXPECT_TRUE(c->Enabled());
}

TEST_F(ActionTest, FreeingEitherSideLeavesNoDanglingLink) {
  TAction* a = NewAction("A");
  TLabel* c = NewControl();
  c->SetAction(a);
  delete a;
  EXPECT_EQ(c->Action(), nullptr);
  EXPECT_EQ(list_->ActionCount(), 0);
  TAction* b = NewAction("B");
  c->SetAction(b);
  delete c;
  b->SetCaption("still fine");
  delete list_;
  EXPECT_EQ(b->ActionList(), nullptr);
  Application->DoIdle();  // the freed list is no longer updated
}

TEST_F(ActionTest, CheckingAnActionOfAGroupUnchecksTheOthers) {
  TAction* icons = NewAction("Icons");
  TAction* list = NewAction("List");
  TAction* other = NewAction("Other");
  icons->SetGroupIndex(1);
  list->SetGroupIndex(1);
  other->SetChecked(true);
  icons->SetChecked(true);
  list->SetChecked(true);
  EXPECT_FALSE(icons->Checked());
  EXPECT_TRUE(list->Checked());
  EXPECT_TRUE(other->Checked());
  list->SetAutoCheck(true);
  list->Execute();
  EXPECT_FALSE(list->Checked());
  EXPECT_EQ(list->Index(), 1);
}

}  // namespace
