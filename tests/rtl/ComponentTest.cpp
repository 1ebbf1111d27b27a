#include "platform/rtl/Component.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A component that refers to another one and counts its own life.
class TLinked : public TComponent {
  ZORVET_CLASS_NAME(TLinked)

 public:
  explicit TLinked(TComponent* owner, std::vector<String>* log = nullptr)
      : TComponent(owner), log_(log) {}
  ~TLinked() override {
    if (log_) log_->push_back("free " + Name());
  }

  TComponent* Peer() const { return peer_; }
  void SetPeer(TComponent* peer) {
    if (peer_) peer_->RemoveFreeNotification(this);
    peer_ = peer;
    if (peer_) peer_->FreeNotification(this);
  }
  void Loaded() override {
    TComponent::Loaded();
    if (log_)
      log_->push_back("loaded " + Name() + (ComponentState().Contains(csLoading) ? " still" : ""));
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove && component == peer_) peer_ = nullptr;
    TComponent::Notification(component, operation);
  }

 private:
  TComponent* peer_ = nullptr;
  std::vector<String>* log_;
};

TLinked* Make(TComponent* owner, const String& name, std::vector<String>* log = nullptr) {
  auto c = new TLinked(owner, log);
  c->SetName(name);
  return c;
}

}  // namespace

TEST(ComponentOwnership, OwnerFreesWhatItOwnsLastFirst) {
  std::vector<String> log;
  {
    TComponent root(nullptr);
    Make(&root, "A", &log);
    TLinked* b = Make(&root, "B", &log);
    Make(b, "C", &log);
    EXPECT_EQ(root.ComponentCount(), 2);
    EXPECT_EQ(b->Owner(), &root);
  }
  EXPECT_EQ(log, (std::vector<String>{"free B", "free C", "free A"}));
}

TEST(ComponentOwnership, DeletingAnOwnedComponentLeavesItsOwner) {
  TComponent root(nullptr);
  TLinked* a = Make(&root, "A");
  Make(&root, "B");
  delete a;
  ASSERT_EQ(root.ComponentCount(), 1);
  EXPECT_EQ(root.Components(0)->Name(), "B");
  EXPECT_EQ(root.FindComponent("a"), nullptr);
  EXPECT_THROW(root.Components(1), EListError);
}

TEST(ComponentOwnership, InsertAndRemoveMoveComponentsBetweenOwners) {
  TComponent first(nullptr), second(nullptr);
  TLinked* a = Make(&first, "A");
  second.InsertComponent(a);
  EXPECT_EQ(a->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  second.RemoveComponent(a);
  EXPECT_EQ(a->Owner(), nullptr);
  std::unique_ptr<TLinked> owned(a);
}

TEST(ComponentNames, MustBeIdentifiersUniqueWithinTheOwner) {
  TComponent root(nullptr);
  TLinked* a = Make(&root, "Table1");
  try {
    Make(&root, "TABLE1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named TABLE1 already exists");
  }
  EXPECT_EQ(root.ComponentCount(), 2);  // the refused one exists, unnamed
  try {
    a->SetName("1st");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "'1st' is not a valid component name");
  }
  EXPECT_EQ(a->Name(), "Table1");
  a->SetName("TABLE1");  // a change of case is not a clash with itself
  EXPECT_EQ(root.FindComponent("table1"), a);
  a->SetName("");
  EXPECT_EQ(root.FindComponent(""), nullptr);
}

TEST(ComponentNames, ANamedComponentCannotJoinAnOwnerHoldingItsName) {
  TComponent first(nullptr), second(nullptr);
  Make(&first, "X");
  TLinked* other = Make(&second, "X");
  EXPECT_THROW(first.InsertComponent(other), EComponentError);
  EXPECT_EQ(other->Owner(), &second);
}

TEST(ComponentReferences, ClearedWhenThePeerOfAnotherOwnerGoesFirst) {
  auto form1 = std::make_unique<TComponent>(nullptr);
  auto form2 = std::make_unique<TComponent>(nullptr);
  TLinked* user = Make(form1.get(), "User");
  TLinked* target = Make(form2.get(), "Target");
  user->SetPeer(target);
  form2.reset();
  EXPECT_EQ(user->Peer(), nullptr);
}

TEST(ComponentReferences, NoStaleRequestWhenTheReferrerGoesFirst) {
  auto form1 = std::make_unique<TComponent>(nullptr);
  auto form2 = std::make_unique<TComponent>(nullptr);
  TLinked* user = Make(form1.get(), "User");
  Make(form2.get(), "Target");
  user->SetPeer(form2->Components(0));
  form1.reset();  // the target must not call the freed user later
  form2.reset();
  SUCCEED();
}

TEST(ComponentReferences, SiblingsAreToldWhenTheirOwnerFreesThem) {
  // Owned components go last first; the earlier one still refers to the later
  // one, which must be cleared before its memory goes (no request needed).
  class TUsesPeerOnFree : public TLinked {
   public:
    using TLinked::TLinked;
    ~TUsesPeerOnFree() override {
      if (Peer()) Peer()->Tag();  // would touch freed memory without the notice
    }
  };
  auto root = std::make_unique<TComponent>(nullptr);
  auto user = new TUsesPeerOnFree(root.get());
  TLinked* target = Make(root.get(), "Target");
  user->SetPeer(target);
  user->RemoveFreeNotification(target);  // rely on the owner's notice alone
  root.reset();
  SUCCEED();
}

TEST(ComponentReferences, NotificationReachesWhatTheOwnerOwns) {
  TComponent root(nullptr);
  TLinked* holder = Make(&root, "Holder");
  TLinked* nested = Make(holder, "Nested");
  TLinked* target = Make(&root, "Target");
  nested->SetPeer(target);
  target->RemoveFreeNotification(nested);
  delete target;
  EXPECT_EQ(nested->Peer(), nullptr);
}

TEST(ComponentDestruction, MarksTheTreeDestroying) {
  bool child_saw_destroying = false;
  class TProbe : public TComponent {
   public:
    TProbe(TComponent* owner, bool* seen) : TComponent(owner), seen_(seen) {}
    ~TProbe() override { *seen_ = ComponentState().Contains(csDestroying); }
    bool* seen_;
  };
  {
    TComponent root(nullptr);
    new TProbe(&root, &child_saw_destroying);
  }
  EXPECT_TRUE(child_saw_destroying);
}

TEST(ComponentLoading, LoadedRunsOnceForEveryComponentRootFirst) {
  std::vector<String> log;
  TLinked root(nullptr, &log);
  root.SetName("Form");
  Make(&root, "Early", &log);
  BeginLoading(&root);
  TLinked* late = Make(&root, "Late", &log);
  Make(late, "Inner", &log);
  EXPECT_TRUE(late->ComponentState().Contains(csLoading));
  EXPECT_TRUE(late->Components(0)->ComponentState().Contains(csLoading));
  EndLoading(&root);
  EXPECT_EQ(log,
            (std::vector<String>{"loaded Form", "loaded Early", "loaded Late", "loaded Inner"}));
  EXPECT_FALSE(late->ComponentState().Contains(csLoading));
  log.clear();
  EndLoading(&root);
  EXPECT_TRUE(log.empty());
  root.SetName("");  // (keeps the destructor log tidy)
}

TEST(ComponentLoading, AFailingLoadedStillFinishesTheOthers) {
  class TFails : public TComponent {
   public:
    using TComponent::TComponent;
    void Loaded() override {
      TComponent::Loaded();
      throw EInvalidOperation("cannot open");
    }
  };
  std::vector<String> log;
  TComponent root(nullptr);
  new TFails(&root);
  Make(&root, "After", &log);
  BeginLoading(&root);
  EXPECT_THROW(EndLoading(&root), EInvalidOperation);
  EXPECT_EQ(log, (std::vector<String>{"loaded After"}));
  EXPECT_FALSE(root.Components(0)->ComponentState().Contains(csLoading));
}

TEST(ComponentLoading, AnAbandonedScopeClearsTheStateWithoutLoaded) {
  std::vector<String> log;
  TComponent root(nullptr);
  try {
    TLoadingScope scope(&root);
    Make(&root, "Half", &log);
    throw EAbort("stop");
  } catch (const EAbort&) {
  }
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(root.Components(0)->ComponentState().Contains(csLoading));
}
