// Every way of watching a tree's messages still sees the messages its nodes
// send while they are added, however their way to the control is shortened.
#include <gtest/gtest.h>

#include <functional>

#include "platform/controls/TreeView.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

// The tree messages a watcher saw: item inserts, those of them that set
// their parent's children flag too, and item changes.
struct TSeenCounts {
  int inserts = 0;
  int parentsMarked = 0;
  int sets = 0;
  void Note(UINT msg, LPARAM lParam) {
    if (msg == TVM_INSERTITEM) {
      ++inserts;
      if (reinterpret_cast<const TVINSERTSTRUCT*>(lParam)->markParent) ++parentsMarked;
    }
    if (msg == TVM_SETITEM) ++sets;
  }
};

// A class that takes the item messages in its own Dispatch.
class TDispatchingTree : public TTreeView {
 public:
  using TTreeView::TTreeView;
  TSeenCounts seen;
  void Dispatch(TMessage& m) override {
    seen.Note(m.Msg, m.LParam);
    TTreeView::Dispatch(m);
  }
};

TSeenCounts* plain_seen = nullptr;
WNDPROC plain_old = nullptr;

// A window procedure that is a plain function.
LRESULT PlainSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  plain_seen->Note(msg, lParam);
  return CallWindowProc(plain_old, hwnd, msg, wParam, lParam);
}

struct TContextSubclass {
  TSeenCounts seen;
  WNDPROC old = nullptr;
  static LRESULT Proc(void* context, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TContextSubclass*>(context);
    self->seen.Note(msg, lParam);
    return CallWindowProc(self->old, hwnd, msg, wParam, lParam);
  }
};

enum class TWatch {
  WindowProc,
  Dispatch,
  WindowSystemLambda,
  WindowSystemPlain,
  WindowSystemContext
};

class TreeMessagePath : public ControlTest, public ::testing::WithParamInterface<TWatch> {
 protected:
  void TearDown() override {
    plain_seen = nullptr;
    plain_old = nullptr;
  }

  // A(B(C, C2)), D: five inserts, two parents' flags (their first children).
  static void AddNodes(TTreeNodes* items) {
    items->BeginUpdate();
    TTreeNode* a = items->Add(nullptr, "A");
    TTreeNode* b = items->AddChild(a, "B");
    items->AddChild(b, "C");
    items->AddChild(b, "C2");
    items->Add(nullptr, "D");
    items->EndUpdate();
  }
};

TEST_P(TreeMessagePath, WatcherSeesEveryInsertAndParentFlag) {
  TCustomForm* form = ShownForm();
  auto* tree = new TDispatchingTree(owner_.get());
  tree->SetParent(form);
  tree->SetBounds(0, 0, 150, 150);
  const HWND handle = tree->Handle();
  const WNDPROC old = GetWindowProc(handle);
  const TWndMethod oldMethod = tree->WindowProc;

  TSeenCounts seen;
  TContextSubclass context;
  WNDPROC made = nullptr;
  switch (GetParam()) {
    case TWatch::WindowProc:
      tree->WindowProc = [&seen, oldMethod](TMessage& m) {
        seen.Note(m.Msg, m.LParam);
        oldMethod(m);
      };
      break;
    case TWatch::Dispatch:
      break;
    case TWatch::WindowSystemLambda: {
      made = MakeWndProc([&seen, old](HWND h, UINT msg, WPARAM w, LPARAM l) {
        seen.Note(msg, l);
        return CallWindowProc(old, h, msg, w, l);
      });
      SetWindowProc(handle, made);
      break;
    }
    case TWatch::WindowSystemPlain:
      plain_seen = &seen;
      plain_old = old;
      made = MakeWndProc(TWndProcFunction(&PlainSubclass));
      SetWindowProc(handle, made);
      break;
    case TWatch::WindowSystemContext:
      context.old = old;
      made = MakeWndProc(&TContextSubclass::Proc, &context);
      SetWindowProc(handle, made);
      break;
  }

  AddNodes(tree->Items());

  const TSeenCounts& watched = GetParam() == TWatch::Dispatch              ? tree->seen
                               : GetParam() == TWatch::WindowSystemContext ? context.seen
                                                                           : seen;
  EXPECT_EQ(watched.inserts, 5);
  EXPECT_EQ(watched.parentsMarked, 2);  // the first child of A, and of B
  EXPECT_EQ(watched.sets, 0) << "the parents' flags go with the inserts";
  // The class's own Dispatch sees them under every watcher too.
  EXPECT_EQ(tree->seen.inserts, 5);
  // And the control got them: the tree is whole.
  EXPECT_EQ(tree->Items()->Count(), 5);
  TTreeNode* a = tree->Items()->GetFirstNode();
  EXPECT_TRUE(a->HasChildren());
  // The flag set with the insert stays when the children go.
  a->DeleteChildren();
  EXPECT_TRUE(a->HasChildren());
  // The watchers note into this test's locals: the tree's last messages go without them.
  tree->WindowProc = oldMethod;
  if (made) {
    SetWindowProc(handle, old);
    FreeWndProc(made);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWatcher, TreeMessagePath,
                         ::testing::Values(TWatch::WindowProc, TWatch::Dispatch,
                                           TWatch::WindowSystemLambda, TWatch::WindowSystemPlain,
                                           TWatch::WindowSystemContext));

// A procedure with a context freed by its own call finishes that call, and
// is unknown afterwards.
TEST(WindowProcedureWithContext, FreedWhileRunningFinishesItsCall) {
  TWindowSystem system;
  struct TState {
    WNDPROC self = nullptr;
    int calls = 0;
  } state;
  const auto proc = [](void* context, HWND, UINT, WPARAM, LPARAM) -> LRESULT {
    auto* s = static_cast<TState*>(context);
    ++s->calls;
    FreeWndProc(s->self);
    return 42;
  };
  state.self = MakeWndProc(proc, &state);
  EXPECT_EQ(CallWindowProc(state.self, nullptr, WM_USER, 0, 0), 42);
  EXPECT_EQ(CallWindowProc(state.self, nullptr, WM_USER, 0, 0), 0);
  EXPECT_EQ(state.calls, 1);
}

}  // namespace
