#include <gtest/gtest.h>

#include <map>

#include "platform/controls/TreeView.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Gdi.h"
#include "platform/win/Paint.h"
#include "platform/win/Surface.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/controls/PixelCount.h"
#include "tests/controls/TreeShape.h"

namespace {

// A tree that notes the item messages its window procedure sees.
class TRecordingTree : public TTreeView {
 public:
  using TTreeView::TTreeView;
  struct TSeen {
    UINT msg;
    String text;  // the inserted item's text
  };
  std::vector<TSeen> seen;
  void WndProc(TMessage& m) override {
    if (m.Msg == TVM_INSERTITEM) {
      const auto* is = reinterpret_cast<const TVINSERTSTRUCT*>(m.LParam);
      seen.push_back({m.Msg, is->item.pszText ? is->item.pszText : ""});
    } else if (m.Msg == TVM_DELETEITEM || m.Msg == TVM_SETITEM || m.Msg == TVM_EXPAND ||
               m.Msg == TVM_SELECTITEM) {
      seen.push_back({m.Msg, ""});
    }
    TTreeView::WndProc(m);
  }
  size_t Count(UINT msg) const {
    return static_cast<size_t>(
        std::count_if(seen.begin(), seen.end(), [msg](const TSeen& s) { return s.msg == msg; }));
  }
};

class TreeView : public ControlTest {
 protected:
  TreeView() {
    form_ = ShownForm();
    tree_ = new TRecordingTree(owner_.get());
    tree_->SetParent(form_);
    tree_->SetBounds(10, 10, 200, 200);
    tree_->OnChange = [this](TObject*, TTreeNode* n) { changes_.push_back(n); };
    tree_->OnDeletion = [this](TObject*, TTreeNode* n) { deleted_.push_back(n->Text()); };
  }

  // A(B(C, D)), E: three levels under A.
  void Build() {
    TTreeNodes* items = tree_->Items();
    a_ = items->Add(nullptr, "A");
    b_ = items->AddChild(a_, "B");
    c_ = items->AddChild(b_, "C");
    d_ = items->AddChild(b_, "D");
    e_ = items->Add(nullptr, "E");
  }

  String Shape() { return TreeShape(tree_); }

  TCustomForm* form_ = nullptr;
  TRecordingTree* tree_ = nullptr;
  TTreeNode *a_ = nullptr, *b_ = nullptr, *c_ = nullptr, *d_ = nullptr, *e_ = nullptr;
  std::vector<TTreeNode*> changes_;
  std::vector<String> deleted_;
};

TEST_F(TreeView, NodesKnowTheirPlaceInTheTree) {
  Build();
  EXPECT_EQ(Shape(), "A(B(C D)) E");
  EXPECT_EQ(tree_->Items()->Count(), 5);
  EXPECT_EQ(c_->Level(), 2);
  EXPECT_EQ(c_->Parent(), b_);
  EXPECT_EQ(d_->Index(), 1);
  EXPECT_EQ(b_->Count(), 2);
  EXPECT_EQ(b_->Item(1), d_);
  EXPECT_EQ(tree_->Items()->Item(3), d_);
  EXPECT_EQ(d_->AbsoluteIndex(), 3);
  EXPECT_EQ(d_->GetNext(), e_);
  EXPECT_EQ(e_->GetPrev(), d_);
  EXPECT_EQ(b_->GetLastChild(), d_);
  EXPECT_TRUE(c_->HasAsParent(a_));
  EXPECT_FALSE(a_->HasAsParent(c_));
  EXPECT_TRUE(b_->HasChildren());
  EXPECT_THROW(b_->Item(2), EListError);
}

TEST_F(TreeView, EveryKindOfAddPutsTheNodeWhereItsNameSays) {
  Build();
  TTreeNodes* items = tree_->Items();
  items->AddFirst(c_, "first");
  items->AddChildFirst(a_, "childFirst");
  items->Insert(e_, "beforeE");
  items->AddChild(nullptr, "top");
  EXPECT_EQ(Shape(), "A(childFirst B(first C D)) beforeE E top");
}

TEST_F(TreeView, MovingASubtreeSendsOneInsertPerNodeInPreOrderAndKeepsTheNodes) {
  Build();
  a_->Expand(true);
  tree_->seen.clear();
  a_->MoveTo(e_, naAddChild);
  EXPECT_EQ(Shape(), "E(A(B(C D)))");
  std::vector<String> inserted;
  for (const auto& s : tree_->seen)
    if (s.msg == TVM_INSERTITEM) inserted.push_back(s.text);
  EXPECT_EQ(inserted, (std::vector<String>{"A", "B", "C", "D"}));
  EXPECT_EQ(tree_->Count(TVM_DELETEITEM), 1u);
  // The very same node objects, and no deletion was reported for them.
  EXPECT_EQ(c_->Parent(), b_);
  EXPECT_EQ(b_->Parent(), a_);
  EXPECT_TRUE(deleted_.empty());
  EXPECT_TRUE(b_->Expanded());
  EXPECT_EQ(tree_->Items()->Count(), 5);
}

TEST_F(TreeView, EveryAttachModeOfMoveTo) {
  struct TCase {
    TNodeAttachMode mode;
    const char* shape;
  };
  const TCase cases[] = {
      {naAdd, "A(B(C)) E D"},       {naAddFirst, "D A(B(C)) E"},
      {naAddChild, "A(B(C)) E(D)"}, {naAddChildFirst, "A(B(C)) E(D)"},
      {naInsert, "A(B(C)) D E"},
  };
  for (const TCase& c : cases) {
    tree_->Items()->Clear();
    Build();
    d_->MoveTo(e_, c.mode);
    EXPECT_EQ(Shape(), c.shape) << c.mode;
  }
}

TEST_F(TreeView, MovingANodeUnderItselfOrItsDescendantIsRefusedAndChangesNothing) {
  Build();
  tree_->seen.clear();
  EXPECT_THROW(a_->MoveTo(c_, naAddChild), EInvalidOperation);
  EXPECT_THROW(a_->MoveTo(a_, naAddChildFirst), EInvalidOperation);
  EXPECT_THROW(a_->MoveTo(b_, naInsert), EInvalidOperation);
  EXPECT_EQ(Shape(), "A(B(C D)) E");
  EXPECT_EQ(tree_->Count(TVM_INSERTITEM), 0u);
}

TEST_F(TreeView, MovingTheSelectedNodeKeepsItSelectedWithoutChangeEvents) {
  Build();
  d_->SetSelected(true);
  changes_.clear();
  d_->MoveTo(nullptr, naAdd);
  EXPECT_TRUE(d_->Selected());
  EXPECT_EQ(tree_->Selected(), d_);
  EXPECT_TRUE(changes_.empty());
}

TEST_F(TreeView, DeletingTheSelectedNodeMovesTheSelectionAndReportsEveryNode) {
  Build();
  a_->Expand(true);
  b_->SetSelected(true);
  changes_.clear();
  b_->Delete();
  EXPECT_EQ(Shape(), "A E");
  std::sort(deleted_.begin(), deleted_.end());
  EXPECT_EQ(deleted_, (std::vector<String>{"B", "C", "D"}));
  TTreeNode* now = tree_->Selected();
  ASSERT_NE(now, nullptr);
  EXPECT_TRUE(now == a_ || now == e_);
  ASSERT_FALSE(changes_.empty());
  EXPECT_EQ(changes_.back(), now);
}

TEST_F(TreeView, ClearAndDeleteChildrenFreeTheNodes) {
  Build();
  b_->DeleteChildren();
  EXPECT_EQ(Shape(), "A(B) E");
  tree_->Items()->Clear();
  EXPECT_EQ(tree_->Items()->Count(), 0);
  EXPECT_EQ(tree_->Items()->GetFirstNode(), nullptr);
  EXPECT_EQ(deleted_.size(), 5u);
}

TEST_F(TreeView, ExpandAndCollapseAskFirstAndReport) {
  Build();
  std::vector<String> events;
  bool allow = true;
  tree_->OnExpanding = [&](TObject*, TTreeNode* n, bool& ok) {
    events.push_back("expanding " + n->Text());
    ok = allow;
  };
  tree_->OnExpanded = [&](TObject*, TTreeNode* n) { events.push_back("expanded " + n->Text()); };
  tree_->OnCollapsed = [&](TObject*, TTreeNode* n) { events.push_back("collapsed " + n->Text()); };
  allow = false;
  a_->Expand(false);
  EXPECT_FALSE(a_->Expanded());
  allow = true;
  a_->Expand(true);
  EXPECT_TRUE(a_->Expanded());
  EXPECT_TRUE(b_->Expanded());
  a_->Collapse(false);
  EXPECT_FALSE(a_->Expanded());
  EXPECT_EQ(events, (std::vector<String>{"expanding A", "expanding A", "expanded A", "expanding B",
                                         "expanded B", "collapsed A"}));
  tree_->FullExpand();
  EXPECT_TRUE(a_->Expanded());
  tree_->FullCollapse();
  EXPECT_FALSE(b_->Expanded());
}

TEST_F(TreeView, AChangingHandlerCanKeepTheSelection) {
  Build();
  a_->SetSelected(true);
  tree_->OnChanging = [](TObject*, TTreeNode*, bool& allow) { allow = false; };
  e_->SetSelected(true);
  EXPECT_EQ(tree_->Selected(), a_);
}

TEST_F(TreeView, LabelEditingAsksAndTheEditedTextReachesTheNode) {
  Build();
  tree_->OnEditing = [](TObject*, TTreeNode* n, bool& allow) { allow = n->Text() != "E"; };
  tree_->OnEdited = [](TObject*, TTreeNode*, String& s) { s += "!"; };
  EXPECT_FALSE(e_->EditText());
  ASSERT_TRUE(a_->EditText());
  EXPECT_TRUE(tree_->IsEditing());
  SetWindowText(TreeView_GetEditControl(tree_->Handle()), "Alpha");
  a_->EndEdit(false);
  EXPECT_FALSE(tree_->IsEditing());
  EXPECT_EQ(a_->Text(), "Alpha!");
  tree_->SetReadOnly(true);
  EXPECT_FALSE(a_->EditText());
}

TEST_F(TreeView, AlphaSortAndSortTypeOrderByText) {
  TTreeNodes* items = tree_->Items();
  items->Add(nullptr, "pear");
  items->Add(nullptr, "Apple");
  items->Add(nullptr, "fig");
  tree_->AlphaSort();
  EXPECT_EQ(Shape(), "Apple fig pear");
  tree_->SetSortType(stText);
  items->Add(nullptr, "banana");
  EXPECT_EQ(Shape(), "Apple banana fig pear");
}

TEST_F(TreeView, ImageIndexesComeFromTheNodeAfterTheEvents) {
  Build();
  a_->SetImageIndex(3);
  tree_->OnGetSelectedIndex = [](TObject*, TTreeNode* n) { n->SetSelectedIndex(7); };
  TVITEM it;
  it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
  it.hItem = a_->ItemId();
  NMTVDISPINFO di;
  di.hdr.hwndFrom = tree_->Handle();
  di.hdr.code = TVN_GETDISPINFO;
  di.item = it;
  tree_->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
  EXPECT_EQ(di.item.iImage, 3);
  EXPECT_EQ(di.item.iSelectedImage, 7);
}

TEST_F(TreeView, HitTestsFindTheNodeUnderAPoint) {
  Build();
  const RECT r = e_->DisplayRect(true);
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  EXPECT_EQ(tree_->GetNodeAt(x, y), e_);
  EXPECT_TRUE(tree_->GetHitTestInfoAt(x, y).Contains(htOnLabel));
  EXPECT_TRUE(tree_->GetHitTestInfoAt(x, y).Contains(htOnItem));
  EXPECT_EQ(tree_->GetNodeAt(x, 190), nullptr);
  EXPECT_EQ(tree_->TopItem(), a_);
}

TEST_F(TreeView, KeyboardMovesTheSelection) {
  Build();
  tree_->SetFocus();
  a_->SetSelected(true);
  changes_.clear();
  InjectKey(VK_DOWN);
  Pump();
  EXPECT_EQ(tree_->Selected(), e_);
  InjectKey(VK_UP);
  InjectKey(VK_RIGHT);
  Pump();
  EXPECT_EQ(tree_->Selected(), a_);
  EXPECT_TRUE(a_->Expanded());
  InjectKey(VK_DOWN);
  Pump();
  EXPECT_EQ(tree_->Selected(), b_);
  InjectKey(VK_LEFT);
  Pump();
  EXPECT_EQ(tree_->Selected(), a_);
  InjectKey(VK_END);
  Pump();
  EXPECT_EQ(tree_->Selected(), e_);
  EXPECT_EQ(changes_, (std::vector<TTreeNode*>{e_, a_, b_, a_, e_}));
}

TEST_F(TreeView, CustomDrawColoursReachTheDrawing) {
  Build();
  tree_->OnCustomDrawItem = [](TCustomTreeView* tv, TTreeNode* n, TCustomDrawState, bool&) {
    if (n->Text() == "E") {
      tv->Canvas()->Font()->SetColor(clRed);
      tv->Canvas()->Brush()->SetColor(clYellow);
    }
  };
  tree_->Invalidate();
  UpdateWindow(tree_->Handle());
  const TSurface shot = CaptureWindow(tree_->Handle());
  const RECT e = e_->DisplayRect(true);
  const RECT a = a_->DisplayRect(true);
  EXPECT_GT(CountColor(shot, e, RGB(255, 0, 0)), 5);
  EXPECT_GT(CountColor(shot, e, RGB(255, 255, 0)), 5);
  EXPECT_EQ(CountColor(shot, a, RGB(255, 0, 0)), 0);
}

TEST_F(TreeView, RecreatingTheWindowKeepsTheNodes) {
  Build();
  a_->Expand(false);
  c_->SetSelected(false);
  b_->SetSelected(true);
  tree_->SetBorderStyle(bsNone);
  EXPECT_EQ(Shape(), "A(B(C D)) E");
  EXPECT_EQ(tree_->Selected()->Text(), "B");
  EXPECT_TRUE(tree_->Items()->GetFirstNode()->Expanded());
}

TEST_F(TreeView, PublishedPropertiesAreReadByName) {
  DeclareTreeViewProperties();
  tree_->SetShowLines(false);
  tree_->SetIndent(25);
  const TPropInfo* lines = GetPropInfo(tree_, "ShowLines");
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(GetOrdProp(tree_, lines), 0);
  EXPECT_EQ(GetOrdProp(tree_, GetPropInfo(tree_, "Indent")), 25);
  SetOrdProp(tree_, GetPropInfo(tree_, "Width"), 150);
  EXPECT_EQ(tree_->Width(), 150);
}

}  // namespace

namespace {

TEST_F(TreeView, UpdatesHoldDrawingBackUntilTheLastEnd) {
  TTreeNodes* items = tree_->Items();
  items->BeginUpdate();
  items->BeginUpdate();
  items->Add(nullptr, "A");
  EXPECT_FALSE(IsRedrawEnabled(tree_->Handle()));
  items->EndUpdate();
  EXPECT_FALSE(IsRedrawEnabled(tree_->Handle()));
  items->EndUpdate();
  EXPECT_TRUE(IsRedrawEnabled(tree_->Handle()));
  items->EndUpdate();  // one too many changes nothing
  EXPECT_EQ(items->UpdateCount(), 0);
}

TEST_F(TreeView, AssigningNodesCopiesTheirShapeTextsAndImages) {
  Build();
  a_->SetImageIndex(2);
  auto* copy = new TTreeView(owner_.get());
  copy->SetParent(form_);
  copy->SetBounds(220, 10, 150, 150);
  copy->Items()->Add(nullptr, "old");
  copy->Items()->Assign(tree_->Items());
  EXPECT_EQ(TreeShape(copy), "A(B(C D)) E");
  EXPECT_EQ(copy->Items()->GetFirstNode()->ImageIndex(), 2);
}

TEST_F(TreeView, AnAdvancedCustomDrawThatDeclinesLeavesTheTreeUndrawn) {
  Build();
  std::vector<TCustomDrawStage> stages;
  tree_->OnAdvancedCustomDraw = [&](TCustomTreeView* tv, const RECT& r, TCustomDrawStage stage,
                                    bool& defaultDraw) {
    stages.push_back(stage);
    EXPECT_GT(RectWidth(r), 0);
    EXPECT_NE(tv->Canvas()->Handle(), nullptr);
    defaultDraw = false;
  };
  tree_->Invalidate();
  UpdateWindow(tree_->Handle());
  const TSurface shot = CaptureWindow(tree_->Handle());
  EXPECT_EQ(stages, (std::vector<TCustomDrawStage>{cdPrePaint}));
  // No label drawn: no text-coloured pixel where A's label would be.
  EXPECT_EQ(CountColor(shot, a_->DisplayRect(true), RGB(0, 0, 0)), 0);
}

}  // namespace

namespace {

// A tree whose factory gives each node its flags before the item exists.
class TPresetTree : public TRecordingTree {
 public:
  using TRecordingTree::TRecordingTree;
  bool preset = false;

 protected:
  TTreeNode* CreateNode() override {
    TTreeNode* node = TRecordingTree::CreateNode();
    if (preset) {
      node->SetHasChildren(true);
      node->SetImageIndex(3);
      node->SetSelectedIndex(4);
    }
    return node;
  }
};

}  // namespace

TEST_F(TreeView, FlagsGivenBeforeTheItemGoWithItsInsertionAndAParentsFlagWithItsFirstChild) {
  auto* tree = new TPresetTree(owner_.get());
  tree->SetParent(form_);
  TTreeNodes* items = tree->Items();
  tree->preset = true;
  TTreeNode* folder = items->Add(nullptr, "folder");
  EXPECT_EQ(tree->Count(TVM_INSERTITEM), 1u);
  EXPECT_EQ(tree->Count(TVM_SETITEM), 0u) << "one message makes the item whole";
  EXPECT_TRUE(folder->HasChildren()) << "a button before any child is read";
  EXPECT_EQ(folder->ImageIndex(), 3);
  EXPECT_EQ(folder->SelectedIndex(), 4);

  tree->preset = false;
  TTreeNode* other = items->Add(nullptr, "other");
  EXPECT_FALSE(other->HasChildren());
  for (int i = 0; i < 5; ++i) items->AddChild(other, "child");
  EXPECT_EQ(tree->Count(TVM_SETITEM), 0u) << "the parent's flag goes with the first insert";
  // Someone else takes the flag away: the next child gives it back.
  TVITEM it;
  it.mask = TVIF_CHILDREN | TVIF_HANDLE;
  it.hItem = other->ItemId();
  it.cChildren = 0;
  TreeView_SetItem(tree->Handle(), &it);
  other->DeleteChildren();
  EXPECT_FALSE(other->HasChildren());
  items->AddChild(other, "again");
  other->getFirstChild()->Delete();
  EXPECT_TRUE(other->HasChildren()) << "set by the last AddChild, kept without children";
  // A moved node keeps its flag on its new item.
  folder->MoveTo(other, naAddChild);
  EXPECT_TRUE(folder->HasChildren());
  EXPECT_EQ(folder->Count(), 0);
}

TEST_F(TreeView, ImageNumbersChangedWhileUpdatingNeedNoMessageButShowAfterwards) {
  Build();
  tree_->seen.clear();
  tree_->Items()->BeginUpdate();
  c_->SetImageIndex(2);
  d_->SetSelectedIndex(5);
  EXPECT_EQ(tree_->Count(TVM_SETITEM), 0u);
  c_->SetText("C2");
  EXPECT_EQ(tree_->Count(TVM_SETITEM), 1u) << "texts still go to the item";
  tree_->Items()->EndUpdate();
  EXPECT_EQ(c_->ImageIndex(), 2);
  EXPECT_EQ(d_->SelectedIndex(), 5);
  c_->SetImageIndex(1);
  EXPECT_EQ(tree_->Count(TVM_SETITEM), 2u) << "outside an update the row is repainted";
}

// Parents and levels as the window has them, item by item.
TEST_F(TreeView, ParentsAndLevelsFollowEveryAddMoveAndDeletion) {
  TTreeNodes* items = tree_->Items();
  const auto check = [&](const char* step) {
    const HWND h = tree_->Handle();
    for (TTreeNode* n = items->GetFirstNode(); n; n = n->GetNext()) {
      const HTREEITEM parentItem = TreeView_GetParent(h, n->ItemId());
      ASSERT_EQ(n->Parent(), parentItem ? tree_->GetNodeFromItem(parentItem) : nullptr)
          << step << " " << n->Text();
      Integer level = 0;
      for (HTREEITEM p = parentItem; p; p = TreeView_GetParent(h, p)) ++level;
      ASSERT_EQ(n->Level(), level) << step << " " << n->Text();
    }
  };
  Build();  // A(B(C D)) E
  TTreeNode* f = items->AddChildFirst(c_, "F");
  items->Insert(f, "G");
  items->AddFirst(d_, "H");
  items->Add(b_, "I");
  check("adds");
  b_->MoveTo(e_, naAddChild);
  check("subtree under E");
  c_->MoveTo(nullptr, naAddFirst);
  check("C to the top");
  f->MoveTo(a_, naInsert);
  check("F before A");
  e_->MoveTo(f, naAdd);
  check("E after F");
  b_->Delete();
  check("B deleted");
  tree_->RecreateWnd();
  tree_->HandleNeeded();
  check("window made anew");
  TTreeNode* first = items->GetFirstNode();
  EXPECT_EQ(first->Parent(), nullptr);
  first->Delete();
  items->Clear();
  TTreeNode* lone = items->Add(nullptr, "lone");
  EXPECT_EQ(items->AddChild(lone, "child")->Parent(), lone);
}
