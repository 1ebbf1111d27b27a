#include <gtest/gtest.h>

#include <cstring>

#include "platform/controls/Application.h"
#include "platform/controls/Drag.h"
#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Cursor.h"
#include "platform/win/Gdi.h"
#include "platform/win/ImageList.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/Surface.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"
#include "tests/controls/DialogScript.h"
#include "tests/controls/PixelCount.h"
#include "tests/controls/TreeShape.h"
#include "ui/slTree.h"

namespace {

// A tree that notes what it is told of copies and of the item messages.
class TNotingTree : public TslTreeView {
 public:
  using TslTreeView::TslTreeView;
  std::vector<TTreeNode*> sources, copies;
  std::vector<std::pair<UINT, bool>> messages;  // message, moving flag at the time
  bool NodeDropped(const std::vector<TTreeNode*>& s, const std::vector<TTreeNode*>& c,
                   bool isCopy) override {
    sources = s;
    copies = c;
    EXPECT_TRUE(isCopy);
    return true;
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == TVM_INSERTITEM || m.Msg == TVM_DELETEITEM) messages.emplace_back(m.Msg, Moving());
    TslTreeView::WndProc(m);
  }
};

class slTree : public ::testing::Test {
 protected:
  slTree() {
    InitializeModules({ControlsModule(), slTreeModule()});
    form_ = new TCustomForm(owner_.get());
    form_->SetBounds(100, 100, 500, 300);
    form_->Show();
    tree_ = MakeTree(10);
    other_ = MakeTree(260);
  }
  ~slTree() override { FinalizeModules(); }

  TNotingTree* MakeTree(int left) {
    auto* t = new TNotingTree(owner_.get());
    t->SetParent(form_);
    t->SetBounds(left, 10, 200, 200);
    t->SetDragMode(dmAutomatic);
    return t;
  }

  // A(B(C, D)), E in `t`.
  void Build(TCustomslTreeView* t) {
    TTreeNodes* items = t->Items();
    a_ = items->Add(nullptr, "A");
    b_ = items->AddChild(a_, "B");
    c_ = items->AddChild(b_, "C");
    d_ = items->AddChild(b_, "D");
    e_ = items->Add(nullptr, "E");
    t->FullExpand();
  }

  static String Shape(TCustomTreeView* t) { return TreeShape(t); }

  void Pump() { Application->ProcessMessages(); }
  static POINT Middle(TTreeNode* n) {
    const RECT r = n->DisplayRect(true);
    return n->TreeView()->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  // Drags `from` onto `to` (nullptr: empty space low in `toTree`), with Ctrl when asked.
  void DragNode(TTreeNode* from, TTreeNode* to, bool ctrl = false,
                TCustomTreeView* toTree = nullptr) {
    // Far apart in time, so that two drags are never a double click.
    system_.HandClock()->Advance(2000);
    const POINT start = Middle(from);
    const POINT end = to ? Middle(to) : toTree->ClientToScreen(POINT{100, 190});
    InjectMouseMove(start);
    InjectButtonDown(TInputButton::Left, start);
    InjectMouseMove(POINT{start.x + 10, start.y + 10});
    InjectMouseMove(end);
    InjectMouseMove(POINT{end.x + 1, end.y});
    Pump();
    if (ctrl) {
      InjectKeyDown(VK_CONTROL);
      Pump();
      cursor_with_ctrl_ = GetCursor();
    }
    InjectButtonUp(TInputButton::Left, POINT{end.x + 1, end.y});
    Pump();
    if (ctrl) {
      InjectKeyUp(VK_CONTROL);
      Pump();
    }
  }

  TWindowSystem system_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_ = nullptr;
  TNotingTree* tree_ = nullptr;
  TNotingTree* other_ = nullptr;
  TTreeNode *a_ = nullptr, *b_ = nullptr, *c_ = nullptr, *d_ = nullptr, *e_ = nullptr;
  HCURSOR cursor_with_ctrl_ = nullptr;
};

TEST_F(slTree, MoveToUnderItselfOrADescendantIsRefusedAndLeavesNoPlaceholder) {
  Build(tree_);
  tree_->messages.clear();
  for (TNodeAttachMode mode : {naAddChild, naAddChildFirst}) {
    EXPECT_THROW(a_->MoveTo(c_, mode), EInvalidOperation);
    EXPECT_THROW(b_->MoveTo(b_, mode), EInvalidOperation);
  }
  try {
    a_->MoveTo(d_, naAddChild);
  } catch (const EInvalidOperation& e) {
    EXPECT_NE(e.Message().find("'A'"), String::npos) << e.Message();
  }
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E");
  EXPECT_EQ(tree_->Items()->Count(), 5);
  EXPECT_TRUE(tree_->messages.empty());
}

TEST_F(slTree, MoveToAChildGoesThroughAPlaceholderUnderTheMovingFlag) {
  Build(tree_);
  tree_->messages.clear();
  b_->MoveTo(e_, naAddChildFirst);
  EXPECT_EQ(Shape(tree_), "A E(B(C D))");
  // The placeholder comes and goes under the flag; the move itself does not.
  ASSERT_EQ(tree_->messages.size(), 6u);
  EXPECT_EQ(tree_->messages.front(), std::make_pair(TVM_INSERTITEM, true));
  for (size_t i = 1; i <= 3; ++i)
    EXPECT_EQ(tree_->messages[i], std::make_pair(TVM_INSERTITEM, false));
  EXPECT_EQ(tree_->messages[4], std::make_pair(TVM_DELETEITEM, false));
  EXPECT_EQ(tree_->messages[5], std::make_pair(TVM_DELETEITEM, true));
  EXPECT_FALSE(tree_->Moving());
}

TEST_F(slTree, MovingAThreeLevelSubtreeKeepsItsShapeAndNodes) {
  Build(tree_);
  TTreeNode* moved = tree_->DropDraggedNode(a_, e_, false);
  EXPECT_EQ(moved, a_);
  EXPECT_EQ(Shape(tree_), "E(A(B(C D)))");
  EXPECT_EQ(c_->Parent(), b_);
  EXPECT_TRUE(tree_->sources.empty()) << "a move reports no copies";
}

TEST_F(slTree, CopyingAThreeLevelSubtreeCopiesItsShapeInOrder) {
  Build(tree_);
  TTreeNode* copy = tree_->DropDraggedNode(a_, e_, true);
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E(A(B(C D)))");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Parent(), e_);
  EXPECT_EQ(tree_->sources, (std::vector<TTreeNode*>{a_, b_, c_, d_}));
  ASSERT_EQ(tree_->copies.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NE(tree_->copies[i], tree_->sources[i]);
    EXPECT_EQ(tree_->copies[i]->Text(), tree_->sources[i]->Text());
  }
  EXPECT_EQ(tree_->copies[3]->Parent(), tree_->copies[1]);
}

TEST_F(slTree, EndDragHandlerChoosesTheAttachMode) {
  Build(tree_);
  tree_->OnEndDragTreeNode = [](TTreeNode*, TTreeNode*, TNodeAttachMode& mode) { mode = naInsert; };
  tree_->DropDraggedNode(d_, a_, false);
  EXPECT_EQ(Shape(tree_), "D A(B(C)) E");
}

TEST_F(slTree, DraggingSelectsTheNodeAndMovesItOntoTheTarget) {
  Build(tree_);
  std::vector<String> asked;
  tree_->OnDragDropTreeNode = [&](TTreeNode* dest, TTreeNode* src, bool&) {
    asked.push_back((dest ? dest->Text() : String("-")) + "<" + src->Text());
  };
  DragNode(d_, e_);
  EXPECT_EQ(Shape(tree_), "A(B(C)) E(D)");
  EXPECT_EQ(tree_->Selected(), d_);
  EXPECT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(), "E<D");
  EXPECT_EQ(TCustomslTreeView::DraggedNode(), nullptr);
  EXPECT_EQ(tree_->DropTarget(), nullptr);
}

TEST_F(slTree, PressingANodeOfAnAutomaticTreeSelectsItAndStartsTheDrag) {
  Build(tree_);
  a_->SetSelected(true);
  const POINT start = Middle(c_);
  InjectMouseMove(start);
  InjectButtonDown(TInputButton::Left, start);
  InjectMouseMove(POINT{start.x, start.y + 10});
  Pump();
  EXPECT_EQ(tree_->Selected(), c_);
  EXPECT_TRUE(tree_->Dragging());
  EXPECT_EQ(TCustomslTreeView::DraggedNode(), c_);
  // The node's picture follows the pointer.
  POINT at, hot;
  EXPECT_NE(ImageList_GetDragImage(&at, &hot), nullptr);
  EXPECT_EQ(TCustomslTreeView::DragImageList(), tree_->GetDragImages());
  InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_FALSE(DragActive());
  EXPECT_EQ(ImageList_GetDragImage(&at, &hot), nullptr);
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E");
}

TEST_F(slTree, CtrlCopiesWithTheCopyCursorAndWithoutItMoves) {
  Build(tree_);
  DragNode(b_, e_, true);
  EXPECT_EQ(cursor_with_ctrl_, Screen->Cursors(crSLTreeDragCopy));
  EXPECT_NE(Screen->Cursors(crSLTreeDragCopy), Screen->Cursors(crDefault));
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E(B(C D))");
  DragNode(d_, e_);
  EXPECT_EQ(Shape(tree_), "A(B(C)) E(B(C D) D)");
}

TEST_F(slTree, ACopyHandlerDecidesAtTheDrop) {
  Build(tree_);
  tree_->OnDragDropIsCopy = [](TTreeNode*, TTreeNode*, bool& isCopy) { isCopy = true; };
  DragNode(c_, e_);
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E(C)");
}

TEST_F(slTree, DropOnTheDraggedNodesOwnDescendantIsRefused) {
  Build(tree_);
  bool overDescendantAccepted = true;
  tree_->OnDragDropTreeNode = [&](TTreeNode* dest, TTreeNode*, bool& accept) {
    if (dest == c_) overDescendantAccepted = accept;
  };
  DragNode(a_, c_);
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E");
  EXPECT_TRUE(overDescendantAccepted) << "the handler is not asked over a descendant";
  DragNode(a_, c_, true);
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E");
}

TEST_F(slTree, DropOnItsOwnParentWithoutCopyIsIgnored) {
  Build(tree_);
  tree_->messages.clear();
  DragNode(c_, b_);
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E");
  for (const auto& [msg, moving] : tree_->messages) EXPECT_NE(msg, TVM_INSERTITEM);
}

TEST_F(slTree, DropOnEmptySpaceNeedsTheHandlersConsent) {
  Build(tree_);
  DragNode(c_, nullptr, false, tree_);
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E");
  int asked = 0;
  tree_->OnDragDropTreeNode = [&](TTreeNode* dest, TTreeNode*, bool& accept) {
    ++asked;
    if (!dest) accept = true;
  };
  DragNode(c_, nullptr, false, tree_);
  EXPECT_GT(asked, 0);
  EXPECT_FALSE(DragActive());
  EXPECT_EQ(Shape(tree_), "A(B(D)) E C");
}

TEST_F(slTree, ADropOnAnotherTreeCopiesThereAndDeletesTheOriginal) {
  Build(tree_);
  TTreeNode* x = other_->Items()->Add(nullptr, "X");
  DragNode(b_, x);
  EXPECT_EQ(Shape(other_), "X(B(C D))");
  EXPECT_EQ(Shape(tree_), "A E");
  // From a read-only tree the original stays.
  tree_->SetReadOnly(true);
  DragNode(e_, x);
  EXPECT_EQ(Shape(tree_), "A E");
  EXPECT_EQ(Shape(other_), "X(B(C D) E)");
}

TEST_F(slTree, DeleteKeyAsksAndCancelKeepsTheNode) {
  Build(tree_);
  tree_->SetFocus();
  b_->SetSelected(true);
  {
    TDialogScript script;
    script.Expect("Do you want to delete the item", mrCancel);
    InjectKey(VK_DELETE);
    Pump();
    ASSERT_EQ(script.Seen.size(), 1u);
    EXPECT_EQ(script.Seen[0].Text, "Do you want to delete the item \"B\"");
  }
  EXPECT_EQ(Shape(tree_), "A(B(C D)) E");
  {
    TDialogScript script;
    script.Expect("\"B\"", mrOk);
    InjectKey(VK_DELETE);
    Pump();
  }
  EXPECT_EQ(Shape(tree_), "A E");
  // Without the confirm option no dialog; without the delete option nothing.
  tree_->SetDeleteOptions(TslDeleteOptions{sdoCanDelete});
  e_->SetSelected(true);
  InjectKey(VK_DELETE);
  Pump();
  EXPECT_EQ(Shape(tree_), "A");
  tree_->SetDeleteOptions(TslDeleteOptions{});
  a_->SetSelected(true);
  Word seenKey = 0;
  tree_->OnKeyDown = [&](TObject*, Word& key, TShiftState) { seenKey = key; };
  InjectKey(VK_DELETE);
  Pump();
  EXPECT_EQ(Shape(tree_), "A");
  EXPECT_EQ(seenKey, VK_DELETE);
}

TEST_F(slTree, CustomDrawColoursReachTheDrawingExceptForTheFocusedSelection) {
  Build(tree_);
  tree_->OnCustomDraw = [](TObject*, TTreeNode* node, TFont*, TColor& color, TColor& bk) {
    color = clRed;
    bk = node->Text() == "E" ? clYellow : clLime;
  };
  tree_->SetFocus();
  a_->SetSelected(true);
  tree_->Invalidate();
  UpdateWindow(tree_->Handle());
  const TSurface shot = CaptureWindow(tree_->Handle());
  EXPECT_GT(CountColor(shot, e_->DisplayRect(true), RGB(255, 255, 0)), 5);
  EXPECT_GT(CountColor(shot, e_->DisplayRect(true), RGB(255, 0, 0)), 5);
  EXPECT_GT(CountColor(shot, c_->DisplayRect(true), RGB(0, 255, 0)), 5);
  EXPECT_EQ(CountColor(shot, a_->DisplayRect(true), RGB(0, 255, 0)), 0)
      << "the focused selection keeps its own colours";
}

TEST_F(slTree, WithoutShowNodeHintNoTooltipShows) {
  TTreeNode* node =
      tree_->Items()->Add(nullptr, "A folder whose name is far too long for the tree");
  const HWND tips = TreeView_GetToolTips(tree_->Handle());
  ASSERT_NE(tips, nullptr);
  auto hover = [&] {
    InjectMouseMove(form_->ClientToScreen(POINT{230, 250}));
    Pump();
    const RECT r = node->DisplayRect(true);
    InjectMouseMove(tree_->ClientToScreen(POINT{r.left + 10, (r.top + r.bottom) / 2}));
    Pump();
    return IsWindowVisible(tips) != FALSE;
  };
  tree_->SetShowNodeHint(false);
  EXPECT_FALSE(hover());
  tree_->SetShowNodeHint(true);
  EXPECT_TRUE(hover());
}

TEST_F(slTree, RestingOnTheEdgesDuringADragScrollsTheTree) {
  std::vector<TTreeNode*> n;
  for (int i = 0; i < 40; ++i) n.push_back(tree_->Items()->Add(nullptr, "N" + std::to_string(i)));
  tree_->SetTopItem(n[10]);
  system_.HandClock()->Advance(2000);
  const POINT start = Middle(n[12]);
  InjectMouseMove(start);
  InjectButtonDown(TInputButton::Left, start);
  const POINT top = Middle(n[10]);
  InjectMouseMove(top);
  Pump();
  ASSERT_EQ(TCustomslTreeView::DraggedNode(), n[12]);
  EXPECT_EQ(tree_->TopItem(), n[10]) << "arriving on a node only makes it the target";
  for (int i = 1; i <= 4; ++i) InjectMouseMove(POINT{top.x + i, top.y});
  Pump();
  EXPECT_EQ(tree_->TopItem(), n[8]);
  // Near the bottom: the node two rows on lies below the client area.
  TTreeNode* bottom = nullptr;
  for (TTreeNode* v = tree_->TopItem(); v; v = v->GetNextVisible())
    if (v->DisplayRect(false).bottom <= tree_->ClientHeight()) bottom = v;
  ASSERT_NE(bottom, nullptr);
  const POINT low = Middle(bottom);
  TTreeNode* topBefore = tree_->TopItem();
  InjectMouseMove(low);
  InjectMouseMove(POINT{low.x + 1, low.y});
  Pump();
  EXPECT_EQ(tree_->TopItem(), topBefore->GetNextVisible());
  InjectKey(VK_ESCAPE);
  Pump();
}

TEST_F(slTree, FreeingTheSourceTreeDuringADragEndsTheDrag) {
  Build(tree_);
  TTreeNode* x = other_->Items()->Add(nullptr, "X");
  system_.HandClock()->Advance(2000);
  const POINT start = Middle(b_);
  InjectMouseMove(start);
  InjectButtonDown(TInputButton::Left, start);
  InjectMouseMove(Middle(x));
  Pump();
  ASSERT_TRUE(tree_->Dragging());
  EXPECT_EQ(other_->DropTarget(), x);
  delete tree_;
  tree_ = nullptr;
  EXPECT_FALSE(DragActive());
  EXPECT_EQ(TCustomslTreeView::DraggedNode(), nullptr);
  EXPECT_EQ(other_->DropTarget(), nullptr);
  EXPECT_EQ(Shape(other_), "X");
}

TEST_F(slTree, SelectedIndexGoesToEveryNodeOldAndNew) {
  Build(tree_);
  tree_->SetSelectedIndex(4);
  EXPECT_EQ(c_->SelectedIndex(), 4);
  TTreeNode* f = tree_->Items()->Add(nullptr, "F");
  EXPECT_EQ(f->SelectedIndex(), 4);
  EXPECT_NE(dynamic_cast<TslTreeNode*>(f), nullptr);
}

TEST_F(slTree, PublishesItsOwnProperties) {
  DeclareslTreeProperties();
  tree_->SetShowNodeHint(false);
  EXPECT_EQ(GetOrdProp(tree_, "ShowNodeHint"), 0);
  EXPECT_EQ(GetOrdProp(tree_, "SelectedIndex"), -1);
  EXPECT_EQ(GetOrdProp(tree_, "ShowLines"), 1);
}

}  // namespace
