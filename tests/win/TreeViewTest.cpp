// tests/win/TreeViewTest.cpp
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "platform/win/Font.h"
#include "platform/win/ImageList.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/TreeItems.h"
#include "platform/win/TreeView.h"
#include "tests/win/DrawingTestSupport.h"
#include "tests/win/WindowTestSupport.h"

namespace {

// --- Row bookkeeping against a plain walk ------------------------------------------

std::vector<TTreeItem*> ShownByWalk(TTreeItems& items) {
  std::vector<TTreeItem*> rows;
  std::vector<TTreeItem*> stack;
  for (TTreeItem* c = items.Root()->last; c; c = c->prev) stack.push_back(c);
  while (!stack.empty()) {
    TTreeItem* it = stack.back();
    stack.pop_back();
    rows.push_back(it);
    if (it->Expanded())
      for (TTreeItem* c = it->last; c; c = c->prev) stack.push_back(c);
  }
  return rows;
}

TEST(TreeItemsTest, RowsFollowRandomInsertsDeletesAndExpansionsAsAPlainWalkWould) {
  TTreeItems items;
  std::vector<TTreeItem*> all;
  std::mt19937 rng(7);
  for (int step = 0; step < 3000; ++step) {
    const int op = static_cast<int>(rng() % 10);
    if (op < 6 || all.empty()) {
      TTreeItem* parent = all.empty() || rng() % 4 == 0 ? items.Root() : all[rng() % all.size()];
      TTreeItem* after = nullptr;
      if (parent->childCount && rng() % 3) {
        after = parent->first;
        for (int n = static_cast<int>(rng() % parent->childCount); n > 0; --n) after = after->next;
      }
      all.push_back(items.Insert(parent, after));
    } else if (op < 9) {
      TTreeItem* it = all[rng() % all.size()];
      items.SetExpanded(it, !it->Expanded());
    } else {
      // Deletes a leaf.
      TTreeItem* it = all[rng() % all.size()];
      while (it->first) it = it->first;
      all.erase(std::find(all.begin(), all.end(), it));
      items.Remove(it);
    }
    if (step % 50 != 0) continue;
    const auto rows = ShownByWalk(items);
    ASSERT_EQ(items.RowCount(), static_cast<std::int64_t>(rows.size())) << "step " << step;
    for (size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(items.ItemAtRow(static_cast<std::int64_t>(r)), rows[r])
          << "step " << step << " row " << r;
      ASSERT_EQ(items.RowOf(rows[r]), static_cast<std::int64_t>(r));
      ASSERT_EQ(TTreeItems::NextShown(rows[r]), r + 1 < rows.size() ? rows[r + 1] : nullptr);
      ASSERT_EQ(items.PrevShown(rows[r]), r > 0 ? rows[r - 1] : nullptr);
    }
    ASSERT_EQ(items.LastShown(), rows.empty() ? nullptr : rows.back());
  }
}

// The depth of the search tree over an item's children.
int SiblingTreeDepth(const TTreeItem* parent) {
  int deepest = 0;
  std::vector<std::pair<const TTreeItem*, int>> stack;
  if (parent->tRoot) stack.push_back({parent->tRoot, 1});
  while (!stack.empty()) {
    auto [n, depth] = stack.back();
    stack.pop_back();
    deepest = std::max(deepest, depth);
    if (n->tLeft) stack.push_back({n->tLeft, depth + 1});
    if (n->tRight) stack.push_back({n->tRight, depth + 1});
  }
  return deepest;
}

// Siblings added in the orders a tree is filled in (each after the last,
// each first, and again on reused slots after a clear) keep a search tree
// of logarithmic depth, so that rows are found quickly among many
// siblings: a treap of 60,000 items is some 30 deep, a list would be
// 60,000.
TEST(TreeItemsTest, SiblingsKeepAShallowSearchTreeWhateverTheOrderAdded) {
  constexpr int kSiblings = 60000;
  TTreeItems items;
  for (int round = 0; round < 2; ++round) {
    TTreeItem* appended = items.Insert(items.Root(), nullptr);
    TTreeItem* prepended = items.Insert(items.Root(), appended);
    for (int i = 0; i < kSiblings; ++i) {
      items.Insert(appended, appended->last);
      items.Insert(prepended, nullptr);
    }
    items.SetExpanded(appended, true);
    items.SetExpanded(prepended, true);
    EXPECT_LT(SiblingTreeDepth(appended), 80) << "round " << round;
    EXPECT_LT(SiblingTreeDepth(prepended), 80) << "round " << round;
    EXPECT_EQ(items.RowOf(appended->last), kSiblings);
    EXPECT_EQ(items.RowOf(prepended->first), kSiblings + 2);
    items.Clear();
  }
}

TEST(TreeItemsTest, OnlyLiveItemsAreKnownAcrossBlocksAndReuse) {
  TTreeItems items;
  std::vector<TTreeItem*> made;
  for (int i = 0; i < 3000; ++i) made.push_back(items.Insert(items.Root(), nullptr));
  EXPECT_EQ(items.Count(), 3000u);
  for (TTreeItem* item : made) ASSERT_TRUE(items.Contains(item));
  // Addresses inside an item, next to a block, or nowhere near one.
  EXPECT_FALSE(items.Contains(
      reinterpret_cast<const TTreeItem*>(reinterpret_cast<const char*>(made[5]) + sizeof(void*))));
  EXPECT_FALSE(items.Contains(nullptr));
  EXPECT_FALSE(items.Contains(items.Root()));
  TTreeItem outside;
  EXPECT_FALSE(items.Contains(&outside));

  // A deleted item is refused at once, and stays refused until many more
  // have been deleted; a slot taken again comes back clean.
  items.Remove(made[10]);
  EXPECT_FALSE(items.Contains(made[10]));
  EXPECT_NE(items.Insert(items.Root(), nullptr), made[10]);
  for (int i = 11; i < 600; ++i) items.Remove(made[static_cast<std::size_t>(i)]);
  TTreeItem* again = items.Insert(made[0], nullptr);
  EXPECT_TRUE(items.Contains(again));
  EXPECT_TRUE(TTreeItems::Text(again).empty());
  EXPECT_EQ(again->parent, made[0]);
  EXPECT_EQ(again->level, 1);
  EXPECT_EQ(again->first, nullptr);
  EXPECT_EQ(items.Count(), 3000u - 590u + 2u);  // two inserted after the deletions
}

TEST(TreeItemsTest, RemovingASubtreeFreesItWholeAndClearingFreesAll) {
  TTreeItems items;
  TTreeItem* a = items.Insert(items.Root(), nullptr);
  TTreeItem* b = items.Insert(items.Root(), a);
  std::vector<TTreeItem*> under;
  for (int i = 0; i < 40; ++i) {
    TTreeItem* child = items.Insert(i % 2 ? a : (under.empty() ? a : under.back()), nullptr);
    under.push_back(child);
  }
  items.SetExpanded(a, true);
  for (TTreeItem* it : under) items.SetExpanded(it, true);
  ASSERT_EQ(items.RowCount(), 42);
  items.Remove(a);
  EXPECT_EQ(items.Count(), 1u);
  EXPECT_FALSE(items.Contains(a));
  for (TTreeItem* it : under) EXPECT_FALSE(items.Contains(it));
  EXPECT_EQ(items.RowCount(), 1);
  EXPECT_EQ(items.ItemAtRow(0), b);
  EXPECT_EQ(items.Root()->first, b);
  EXPECT_EQ(items.Root()->childCount, 1);

  for (int i = 0; i < 2500; ++i) items.Insert(b, nullptr);  // over more than one block
  items.SetExpanded(b, true);
  items.Clear();
  EXPECT_EQ(items.Count(), 0u);
  EXPECT_EQ(items.RowCount(), 0);
  EXPECT_EQ(items.Root()->first, nullptr);
  EXPECT_FALSE(items.Contains(b));
  TTreeItem* again = items.Insert(items.Root(), nullptr);
  EXPECT_TRUE(items.Contains(again));
  EXPECT_EQ(items.RowCount(), 1);
  EXPECT_EQ(again->level, 0);
  EXPECT_TRUE(TTreeItems::Text(again).empty());
  // Old handles stay refused while slots never used are left.
  for (int i = 0; i < 400; ++i) {
    TTreeItem* made = items.Insert(items.Root(), nullptr);
    ASSERT_NE(made, a);
    ASSERT_NE(made, b);
    ASSERT_FALSE(items.Contains(b));
  }
}

TEST(TreeItemsTest, LabelsSurviveChangesCopiesRepackingAndClearing) {
  TTreeItems items;
  std::vector<TTreeItem*> made;
  std::vector<std::string> expected;
  for (int i = 0; i < 100; ++i) {
    made.push_back(items.Insert(items.Root(), nullptr));
    expected.emplace_back();
  }
  std::mt19937 rng(11);
  for (int round = 0; round < 6000; ++round) {  // enough dead bytes to pack several times
    const std::size_t i = rng() % made.size();
    const std::size_t j = rng() % made.size();
    switch (rng() % 4) {
      case 0:  // another item's label, read from the store itself
        items.SetText(made[i], TTreeItems::Text(made[j]));
        expected[i] = expected[j];
        break;
      case 1:
        items.SetText(made[i], "");
        expected[i].clear();
        break;
      default:
        expected[i] = std::string(1 + rng() % 300, static_cast<char>('a' + rng() % 26)) +
                      std::to_string(round);
        items.SetText(made[i], expected[i]);
    }
  }
  // A label larger than a chunk, between small ones.
  const std::string huge(200000, 'h');
  items.SetText(made[3], huge);
  expected[3] = huge;
  items.SetText(made[4], "after the huge one");
  expected[4] = "after the huge one";
  for (std::size_t i = 0; i < made.size(); ++i) {
    ASSERT_EQ(TTreeItems::Text(made[i]), expected[i]) << i;
    ASSERT_EQ(TTreeItems::Text(made[i]).data()[expected[i].size()], 0) << "zero-terminated";
  }
  items.Remove(made[3]);
  items.Clear();
  TTreeItem* again = items.Insert(items.Root(), nullptr);
  EXPECT_TRUE(TTreeItems::Text(again).empty());
  items.SetText(again, "again");
  EXPECT_EQ(TTreeItems::Text(again), "again");
}

TEST(TreeItemsTest, LastBeforeFindsTheSortedPlace) {
  TTreeItems items;
  TTreeItem* after = nullptr;
  for (int i = 0; i < 200; ++i) {
    after = items.Insert(items.Root(), after);
    after->lParam = 2 * i;  // 0, 2, 4, ...
  }
  for (LPARAM key : {-1, 0, 1, 57, 398, 399}) {
    TTreeItem* found = TTreeItems::LastBefore(
        items.Root(), [key](const TTreeItem* c) { return c->lParam <= key; });
    const LPARAM expected = key < 0 ? -1 : std::min<LPARAM>(398, key - key % 2);
    EXPECT_EQ(found ? found->lParam : -1, expected) << key;
  }
}

TEST(TreeItemsTest, ArrangeKeepsTheRowsOfReorderedSubtrees) {
  TTreeItems items;
  TTreeItem* a = items.Insert(items.Root(), nullptr);
  TTreeItem* b = items.Insert(items.Root(), a);
  TTreeItem* a1 = items.Insert(a, nullptr);
  items.Insert(a, a1);
  items.SetExpanded(a, true);
  items.Arrange(items.Root(), {b, a});
  EXPECT_EQ(items.ItemAtRow(0), b);
  EXPECT_EQ(items.ItemAtRow(1), a);
  EXPECT_EQ(items.ItemAtRow(2), a1);
  EXPECT_EQ(items.RowCount(), 4);
  EXPECT_EQ(items.Root()->first, b);
  EXPECT_EQ(b->next, a);
}

// --- The control -----------------------------------------------------------------------------

class TreeViewTest : public WindowTest {
 protected:
  TreeViewTest() {
    parent = Top(50, 50, 400, 300);
    LOGFONT lf;
    lf.lfHeight = -11;
    std::strcpy(lf.lfFaceName, "Tahoma");
    font = CreateFontIndirect(&lf);
    handler = [this](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
      if (h != parent || m != WM_NOTIFY) return std::nullopt;
      auto* hdr = reinterpret_cast<NMHDR*>(l);
      codes.push_back(hdr->code);
      if (onNotify) return onNotify(hdr);
      return std::nullopt;
    };
  }
  ~TreeViewTest() override {
    handler = nullptr;  // the windows outlive this fixture's members
    DeleteObject(font);
  }

  HWND MakeTree(DWORD style = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, int w = 200,
                int h = 150) {
    HWND t = CreateWindowEx(0, WC_TREEVIEW, "", WS_CHILD | WS_VISIBLE | style, 10, 10, w, h, parent,
                            reinterpret_cast<HMENU>(std::uintptr_t{5}), HInstance(), nullptr);
    SendMessage(t, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return t;
  }
  static HTREEITEM Add(HWND t, HTREEITEM parentItem, const char* text, HTREEITEM after = TVI_LAST,
                       LPARAM data = 0) {
    TVINSERTSTRUCT is;
    is.hParent = parentItem;
    is.hInsertAfter = after;
    is.item.mask = TVIF_TEXT | TVIF_PARAM;
    is.item.pszText = const_cast<LPSTR>(text);
    is.item.lParam = data;
    return TreeView_InsertItem(t, &is);
  }
  static std::string Text(HWND t, HTREEITEM item) {
    char buffer[64] = {};
    TVITEM tv;
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = sizeof buffer;
    return TreeView_GetItem(t, &tv) ? buffer : "<none>";
  }
  // The labels of the shown items from the top, by TVGN_NEXTVISIBLE.
  static std::string Shown(HWND t) {
    std::string r;
    for (HTREEITEM i = TreeView_GetRoot(t); i; i = TreeView_GetNextVisible(t, i))
      r += (r.empty() ? "" : " ") + Text(t, i);
    return r;
  }
  static RECT ItemRect(HWND t, HTREEITEM item, bool textOnly = true) {
    RECT r;
    TreeView_GetItemRect(t, item, &r, textOnly);
    return r;
  }
  static POINT Middle(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  static void Click(HWND t, POINT pt, UINT down = WM_LBUTTONDOWN, UINT up = WM_LBUTTONUP) {
    SendMessage(t, down, 0, PointToLParam(pt));
    SendMessage(t, up, 0, PointToLParam(pt));
  }
  std::vector<UINT> TreeCodes() const {
    std::vector<UINT> r;
    for (UINT c : codes)
      if (c != NM_CUSTOMDRAW && c != NM_SETFOCUS && c != NM_KILLFOCUS && c != TVN_KEYDOWN)
        r.push_back(c);
    return r;
  }

  HWND parent = nullptr;
  HFONT font = nullptr;
  std::vector<UINT> codes;
  std::function<std::optional<LRESULT>(NMHDR*)> onNotify;
};

TEST_F(TreeViewTest, InsertPositionsAndNavigation) {
  HWND t = MakeTree();
  HTREEITEM b = Add(t, TVI_ROOT, "b");
  HTREEITEM d = Add(t, TVI_ROOT, "d");
  Add(t, TVI_ROOT, "a", TVI_FIRST);
  Add(t, TVI_ROOT, "c", TVI_SORT);
  Add(t, nullptr, "e", d);
  Add(t, TVI_ROOT, "bb", b);
  EXPECT_EQ(Shown(t), "a b bb c d e");
  HTREEITEM d1 = Add(t, d, "d1");
  HTREEITEM d2 = Add(t, d, "d2");
  EXPECT_EQ(TreeView_GetCount(t), 8u);
  EXPECT_EQ(TreeView_GetChild(t, d), d1);
  EXPECT_EQ(TreeView_GetNextSibling(t, d1), d2);
  EXPECT_EQ(TreeView_GetPrevSibling(t, d2), d1);
  EXPECT_EQ(TreeView_GetParent(t, d2), d);
  EXPECT_EQ(TreeView_GetParent(t, d), nullptr);
  EXPECT_EQ(TreeView_GetNextVisible(t, d1), nullptr) << "d is collapsed";
  EXPECT_EQ(Text(t, TreeView_GetLastVisible(t)), "e");
  TreeView_Expand(t, d, TVE_EXPAND);
  EXPECT_EQ(Shown(t), "a b bb c d d1 d2 e");
  EXPECT_EQ(Text(t, TreeView_GetPrevVisible(t, TreeView_GetNextSibling(t, d))), "d2");
  EXPECT_EQ(Add(t, reinterpret_cast<HTREEITEM>(std::uintptr_t{0x1234}), "x"), nullptr)
      << "an unknown parent is refused";
}

TEST_F(TreeViewTest, ItemDataRoundTripsAndChildrenFlag) {
  HWND t = MakeTree();
  TVINSERTSTRUCT is;
  is.hParent = TVI_ROOT;
  is.hInsertAfter = TVI_LAST;
  is.item.mask =
      TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
  is.item.pszText = const_cast<LPSTR>("node");
  is.item.iImage = 3;
  is.item.iSelectedImage = 4;
  is.item.lParam = 99;
  is.item.cChildren = 1;
  is.item.state = INDEXTOSTATEIMAGEMASK(2) | TVIS_BOLD;
  is.item.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
  HTREEITEM item = TreeView_InsertItem(t, &is);
  TVITEM tv;
  tv.hItem = item;
  tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
  tv.stateMask = 0xFFFF;
  ASSERT_TRUE(TreeView_GetItem(t, &tv));
  EXPECT_EQ(tv.iImage, 3);
  EXPECT_EQ(tv.iSelectedImage, 4);
  EXPECT_EQ(tv.lParam, 99);
  EXPECT_EQ(tv.cChildren, 1);
  EXPECT_EQ(STATEIMAGEMASKTOINDEX(tv.state), 2);
  EXPECT_TRUE(tv.state & TVIS_BOLD);
  // A long text is cut to the buffer, always terminated.
  TVITEM set;
  set.hItem = item;
  set.mask = TVIF_TEXT;
  set.pszText = const_cast<LPSTR>("a longer label");
  TreeView_SetItem(t, &set);
  char small[5];
  tv.mask = TVIF_TEXT;
  tv.pszText = small;
  tv.cchTextMax = sizeof small;
  TreeView_GetItem(t, &tv);
  EXPECT_STREQ(small, "a lo");
  tv.hItem = reinterpret_cast<HTREEITEM>(std::uintptr_t{0x99});
  EXPECT_FALSE(TreeView_GetItem(t, &tv)) << "a stale handle is refused, not read";
}

TEST_F(TreeViewTest, ExpandNotifiesOnlyTheFirstTimeByMessageAndAlwaysForTheUser) {
  HWND t = MakeTree();
  HTREEITEM a = Add(t, TVI_ROOT, "a");
  Add(t, a, "a1");
  codes.clear();
  EXPECT_TRUE(TreeView_Expand(t, a, TVE_EXPAND));
  EXPECT_EQ(TreeCodes(), (std::vector<UINT>{TVN_ITEMEXPANDING, TVN_ITEMEXPANDED}));
  EXPECT_TRUE(TreeView_GetItemState(t, a, TVIS_EXPANDEDONCE));
  codes.clear();
  TreeView_Expand(t, a, TVE_COLLAPSE);
  TreeView_Expand(t, a, TVE_TOGGLE);
  EXPECT_TRUE(TreeCodes().empty());
  // The user's click on the button always asks, and may be refused.
  onNotify = [](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_ITEMEXPANDING)
      return reinterpret_cast<NMTREEVIEW*>(h)->action == TVE_COLLAPSE;
    return std::nullopt;
  };
  const RECT row = ItemRect(t, a, false);
  const POINT button{static_cast<LONG>(TreeView_GetIndent(t) / 2), (row.top + row.bottom) / 2};
  TVHITTESTINFO hit;
  hit.pt = button;
  TreeView_HitTest(t, &hit);
  ASSERT_EQ(hit.flags, TVHT_ONITEMBUTTON);
  codes.clear();
  Click(t, button);
  EXPECT_EQ(TreeCodes(), (std::vector<UINT>{TVN_ITEMEXPANDING, NM_CLICK}));
  EXPECT_TRUE(TreeView_GetItemState(t, a, TVIS_EXPANDED)) << "the collapse was refused";
}

TEST_F(TreeViewTest, CollapseResetDeletesChildrenAndCallbackChildrenAskTheParent) {
  HWND t = MakeTree();
  TVINSERTSTRUCT is;
  is.hParent = TVI_ROOT;
  is.item.mask = TVIF_TEXT | TVIF_CHILDREN;
  is.item.pszText = const_cast<LPSTR>("lazy");
  is.item.cChildren = I_CHILDRENCALLBACK;
  HTREEITEM lazy = TreeView_InsertItem(t, &is);
  int asked = 0;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_GETDISPINFO) {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(h);
      if (di->item.mask & TVIF_CHILDREN) {
        ++asked;
        di->item.cChildren = 1;
      }
    }
    if (h->code == TVN_ITEMEXPANDING) Add(t, lazy, "filled");  // filled on demand
    return std::nullopt;
  };
  EXPECT_TRUE(TreeView_Expand(t, lazy, TVE_EXPAND));
  EXPECT_GT(asked, 0);
  EXPECT_EQ(Shown(t), "lazy filled");
  codes.clear();
  EXPECT_TRUE(TreeView_Expand(t, lazy, TVE_COLLAPSE | TVE_COLLAPSERESET));
  EXPECT_EQ(TreeView_GetChild(t, lazy), nullptr);
  EXPECT_EQ(TreeCodes(), std::vector<UINT>{TVN_DELETEITEM});
  EXPECT_FALSE(TreeView_GetItemState(t, lazy, TVIS_EXPANDEDONCE));
}

TEST_F(TreeViewTest, SelectionNotifiesWithOldAndNewAndCanBeRefused) {
  HWND t = MakeTree();
  HTREEITEM a = Add(t, TVI_ROOT, "a", TVI_LAST, 1);
  HTREEITEM b = Add(t, TVI_ROOT, "b", TVI_LAST, 2);
  std::vector<std::pair<LPARAM, LPARAM>> changes;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    auto* nm = reinterpret_cast<NMTREEVIEW*>(h);
    if (h->code == TVN_SELCHANGED) changes.push_back({nm->itemOld.lParam, nm->itemNew.lParam});
    if (h->code == TVN_SELCHANGING && nm->itemNew.lParam == 2) return 1;
    return std::nullopt;
  };
  EXPECT_TRUE(TreeView_SelectItem(t, a));
  EXPECT_FALSE(TreeView_SelectItem(t, b)) << "refused by the parent";
  EXPECT_EQ(TreeView_GetSelection(t), a);
  EXPECT_TRUE(TreeView_GetItemState(t, a, TVIS_SELECTED));
  EXPECT_EQ(changes, (std::vector<std::pair<LPARAM, LPARAM>>{{0, 1}}));
}

// The parent destroys the tree while the tree is telling it of a change,
// once directly and once from a message of its own to the tree: the tree's
// message finishes, and nothing of it is left behind.
TEST_F(TreeViewTest, ATreeDestroyedByItsParentWhileNotifyingFinishesItsMessage) {
  for (const bool nested : {false, true}) {
    HWND t = MakeTree();
    HTREEITEM a = Add(t, TVI_ROOT, "a");
    Add(t, a, "a1");
    UINT countSeen = 0;
    onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
      if (!IsWindow(t)) return std::nullopt;
      if (h->code == TVN_SELCHANGING && nested) {
        // The tree answers messages while the outer one still runs, and is
        // destroyed from inside a notification of an inner one.
        countSeen = TreeView_GetCount(t);
        TreeView_Expand(t, a, TVE_EXPAND);
      } else if (h->code == (nested ? TVN_ITEMEXPANDING : TVN_SELCHANGING)) {
        DestroyWindow(t);
      }
      return std::nullopt;
    };
    EXPECT_FALSE(TreeView_SelectItem(t, a)) << (nested ? "nested" : "direct");
    EXPECT_FALSE(IsWindow(t));
    EXPECT_EQ(countSeen, nested ? 2u : 0u);
    onNotify = nullptr;
  }
}

TEST_F(TreeViewTest, SelectingAHiddenItemExpandsItsAncestorsAndCollapsingMovesTheSelectionUp) {
  HWND t = MakeTree();
  HTREEITEM a = Add(t, TVI_ROOT, "a");
  HTREEITEM a1 = Add(t, a, "a1");
  HTREEITEM a11 = Add(t, a1, "a11");
  TreeView_SelectItem(t, a11);
  EXPECT_EQ(Shown(t), "a a1 a11");
  TreeView_Expand(t, a, TVE_COLLAPSE);
  EXPECT_EQ(TreeView_GetSelection(t), a);
}

// Deleting the selected item selects its next sibling, else the previous,
// else its parent; children are reported deleted before their parent.
TEST_F(TreeViewTest, DeletingMovesTheSelectionAndReportsChildrenFirst) {
  HWND t = MakeTree();
  HTREEITEM p = Add(t, TVI_ROOT, "p", TVI_LAST, 10);
  HTREEITEM x = Add(t, p, "x", TVI_LAST, 11);
  Add(t, x, "x1", TVI_LAST, 12);
  HTREEITEM y = Add(t, p, "y", TVI_LAST, 13);
  std::vector<LPARAM> deleted;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_DELETEITEM)
      deleted.push_back(reinterpret_cast<NMTREEVIEW*>(h)->itemOld.lParam);
    return std::nullopt;
  };
  TreeView_SelectItem(t, x);
  TreeView_DeleteItem(t, x);
  EXPECT_EQ(deleted, (std::vector<LPARAM>{12, 11}));
  EXPECT_EQ(TreeView_GetSelection(t), y) << "the next sibling";
  TreeView_DeleteItem(t, y);
  EXPECT_EQ(TreeView_GetSelection(t), p) << "no sibling left: the parent";
  // A selected descendant: the selection moves once, past the whole subtree.
  HTREEITEM q = Add(t, TVI_ROOT, "q", TVI_LAST, 14);
  HTREEITEM q1 = Add(t, q, "q1", TVI_LAST, 15);
  HTREEITEM r = Add(t, TVI_ROOT, "r", TVI_LAST, 16);
  TreeView_SelectItem(t, q1);
  codes.clear();
  TreeView_DeleteItem(t, q);
  EXPECT_EQ(TreeView_GetSelection(t), r);
  EXPECT_EQ(TreeCodes(),
            (std::vector<UINT>{TVN_SELCHANGING, TVN_SELCHANGED, TVN_DELETEITEM, TVN_DELETEITEM}));
  deleted.clear();
  TreeView_DeleteAllItems(t);
  EXPECT_EQ(TreeView_GetSelection(t), nullptr);
  EXPECT_EQ(TreeView_GetCount(t), 0u);
  EXPECT_EQ(deleted.size(), 2u);
}

TEST_F(TreeViewTest, DeletionsAskedForWhileASubtreeIsReportedWaitForIt) {
  HWND t = MakeTree();
  HTREEITEM p = Add(t, TVI_ROOT, "p", TVI_LAST, 1);
  HTREEITEM c1 = Add(t, p, "c1", TVI_LAST, 2);
  Add(t, p, "c2", TVI_LAST, 3);
  HTREEITEM q = Add(t, TVI_ROOT, "q", TVI_LAST, 4);
  std::vector<LPARAM> deleted;
  HTREEITEM late = nullptr;
  LPARAM trigger = 2;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code != TVN_DELETEITEM) return std::nullopt;
    const LPARAM data = reinterpret_cast<NMTREEVIEW*>(h)->itemOld.lParam;
    deleted.push_back(data);
    if (data == trigger) {
      // The item again, its parent, a sibling of the parent, a new item
      // and everything.
      TreeView_DeleteItem(t, c1);
      TreeView_DeleteItem(t, p);
      TreeView_DeleteItem(t, q);
      late = Add(t, p, "late", TVI_LAST, 9);
      TreeView_DeleteAllItems(t);
    }
    return std::nullopt;
  };
  TreeView_DeleteItem(t, c1);
  EXPECT_NE(late, nullptr) << "the parent of what goes takes new items";
  // Each item once: c1, then what was asked for meanwhile, in order.
  EXPECT_EQ(deleted, (std::vector<LPARAM>{2, 3, 9, 1, 4}));
  EXPECT_EQ(TreeView_GetCount(t), 0u);

  p = Add(t, TVI_ROOT, "p", TVI_LAST, 1);
  Add(t, p, "c", TVI_LAST, 5);
  q = Add(t, TVI_ROOT, "q", TVI_LAST, 4);
  deleted.clear();
  trigger = 5;
  TreeView_DeleteItem(t, p);
  EXPECT_EQ(late, nullptr) << "nothing is inserted under what is going";
  EXPECT_EQ(deleted, (std::vector<LPARAM>{5, 1, 4}));
  EXPECT_EQ(TreeView_GetRoot(t), nullptr);
}

TEST_F(TreeViewTest, DeletionsWithoutNoticesGoAtOnceAndKeepTheTreeUsable) {
  HWND t = MakeTree();
  std::vector<HTREEITEM> top;
  for (int i = 0; i < 30; ++i) {
    top.push_back(Add(t, TVI_ROOT, ("row " + std::to_string(i)).c_str(), TVI_LAST, i));
    for (int j = 0; j < 5; ++j) Add(t, top.back(), "child");
    TreeView_Expand(t, top.back(), TVE_EXPAND);
  }
  TreeView_SelectItem(t, top[20]);
  TreeView_SelectSetFirstVisible(t, top[25]);
  EXPECT_EQ(SendMessage(t, TVM_SETDELETENOTIFY, FALSE, 0), TRUE);
  codes.clear();
  TreeView_DeleteItem(t, top[25]);
  EXPECT_EQ(TreeCodes(), std::vector<UINT>{}) << "neither deletion nor selection notices";
  EXPECT_EQ(TreeView_GetCount(t), 29u * 6u);
  EXPECT_EQ(Text(t, TreeView_GetFirstVisible(t)), "row 26") << "the next item takes the top";
  TreeView_DeleteAllItems(t);
  EXPECT_EQ(TreeCodes(), (std::vector<UINT>{TVN_SELCHANGING, TVN_SELCHANGED}))
      << "the selection still goes with notices";
  EXPECT_EQ(TreeView_GetCount(t), 0u);
  EXPECT_EQ(TreeView_GetSelection(t), nullptr);
  EXPECT_EQ(TreeView_GetFirstVisible(t), nullptr);
  TVITEM old;
  old.mask = TVIF_TEXT;
  old.hItem = top[3];
  EXPECT_FALSE(TreeView_GetItem(t, &old)) << "an old handle is refused";
  EXPECT_EQ(SendMessage(t, TVM_SETDELETENOTIFY, TRUE, 0), FALSE);

  // The tree takes new items as before, and reports their deletion again.
  HTREEITEM a = Add(t, TVI_ROOT, "a", TVI_LAST, 7);
  Add(t, a, "a1", TVI_LAST, 8);
  EXPECT_FALSE(TreeView_GetItem(t, &old)) << "an old handle names no new item";
  TreeView_Expand(t, a, TVE_EXPAND);
  EXPECT_EQ(Shown(t), "a a1");
  codes.clear();
  TreeView_DeleteAllItems(t);
  EXPECT_EQ(TreeCodes(), (std::vector<UINT>{TVN_DELETEITEM, TVN_DELETEITEM}));
}

TEST_F(TreeViewTest, HitTestFlags) {
  HWND t = MakeTree();
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
  TreeView_SetImageList(t, images, TVSIL_NORMAL);
  HTREEITEM a = Add(t, TVI_ROOT, "alpha");
  HTREEITEM a1 = Add(t, a, "one");
  TreeView_Expand(t, a, TVE_EXPAND);
  const RECT label = ItemRect(t, a1);
  const int indent = static_cast<int>(TreeView_GetIndent(t));
  const int y = (label.top + label.bottom) / 2;
  struct {
    POINT pt;
    UINT flags;
    HTREEITEM item;
  } cases[] = {
      {{label.left + 2, y}, TVHT_ONITEMLABEL, a1},
      {{label.left - 8, y}, TVHT_ONITEMICON, a1},
      {{label.right + 5, y}, TVHT_ONITEMRIGHT, a1},
      {{indent + indent / 2, y}, TVHT_ONITEMINDENT, a1},  // a1 has no children: no button
      {{indent / 2, label.top - 2}, TVHT_ONITEMBUTTON, a},
      {{2, y}, TVHT_ONITEMINDENT, a1},
      {{20, 140}, TVHT_NOWHERE, nullptr},
      {{20, -3}, TVHT_ABOVE, nullptr},
      {{20, 400}, TVHT_BELOW, nullptr},
      {{-1, 10}, TVHT_TOLEFT, nullptr},
      {{500, 10}, TVHT_TORIGHT, nullptr},
  };
  for (const auto& c : cases) {
    TVHITTESTINFO hit;
    hit.pt = c.pt;
    EXPECT_EQ(TreeView_HitTest(t, &hit), c.item) << c.pt.x << "," << c.pt.y;
    EXPECT_EQ(hit.flags, c.flags) << c.pt.x << "," << c.pt.y;
  }
  ImageList_Destroy(images);
}

TEST_F(TreeViewTest, KeyboardNavigationAndTypeAhead) {
  HWND t = MakeTree();
  HTREEITEM apple = Add(t, TVI_ROOT, "apple");
  Add(t, apple, "core");
  Add(t, TVI_ROOT, "banana");
  Add(t, TVI_ROOT, "blueberry");
  Add(t, TVI_ROOT, "cherry");
  SetFocus(t);
  auto key = [&](UINT vk) { SendMessage(t, WM_KEYDOWN, vk, 0); };
  auto selected = [&] { return Text(t, TreeView_GetSelection(t)); };
  key(VK_DOWN);
  EXPECT_EQ(selected(), "apple") << "the first key selects the top item";
  key(VK_RIGHT);
  EXPECT_EQ(Shown(t), "apple core banana blueberry cherry");
  key(VK_RIGHT);
  EXPECT_EQ(selected(), "core");
  key(VK_LEFT);
  EXPECT_EQ(selected(), "apple");
  key(VK_LEFT);
  EXPECT_EQ(Shown(t), "apple banana blueberry cherry");
  key(VK_END);
  EXPECT_EQ(selected(), "cherry");
  key(VK_HOME);
  EXPECT_EQ(selected(), "apple");
  key(VK_MULTIPLY);
  SendMessage(t, WM_CHAR, '*', 0);  // the character of the key is not typed ahead
  EXPECT_EQ(Shown(t), "apple core banana blueberry cherry");
  key(VK_SUBTRACT);
  EXPECT_EQ(Shown(t), "apple banana blueberry cherry");
  SendMessage(t, WM_CHAR, 'b', 0);
  EXPECT_EQ(selected(), "banana");
  SendMessage(t, WM_CHAR, 'l', 0);
  EXPECT_EQ(selected(), "blueberry") << "letters typed together";
  clock.Advance(1500);
  SendMessage(t, WM_CHAR, 'c', 0);
  EXPECT_EQ(selected(), "cherry") << "a pause starts a new search";
  codes.clear();
  key(VK_UP);
  EXPECT_EQ(codes, (std::vector<UINT>{TVN_KEYDOWN, TVN_SELCHANGING, TVN_SELCHANGED}));
}

TEST_F(TreeViewTest, PageKeysMoveByAPageAndCtrlScrollsWithoutSelecting) {
  HWND t = MakeTree(TVS_HASBUTTONS | TVS_EDITLABELS, 150, 100);
  std::vector<HTREEITEM> items;
  for (int i = 0; i < 30; ++i)
    items.push_back(Add(t, TVI_ROOT, ("row " + std::to_string(i)).c_str()));
  HTREEITEM child = Add(t, items[0], "child");
  const int page = static_cast<int>(TreeView_GetVisibleCount(t)) - 1;
  SetFocus(t);
  TreeView_SelectItem(t, items[0]);
  SendMessage(t, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(TreeView_GetSelection(t), items[page]);
  SendMessage(t, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(TreeView_GetSelection(t), items[2 * page]);
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[page])
      << "scrolled just enough to show it at the bottom";
  SendMessage(t, WM_KEYDOWN, VK_PRIOR, 0);
  EXPECT_EQ(TreeView_GetSelection(t), items[page]);
  // Ctrl with a movement key scrolls and leaves the selection.
  InjectKeyDown(VK_CONTROL);
  Pump();
  const HTREEITEM top = TreeView_GetFirstVisible(t);
  SendMessage(t, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(TreeView_GetNextVisible(t, top), TreeView_GetFirstVisible(t));
  EXPECT_EQ(TreeView_GetSelection(t), items[page]);
  InjectKeyUp(VK_CONTROL);
  Pump();
  // Backspace goes to the parent; F2 edits.
  TreeView_SelectItem(t, child);
  SendMessage(t, WM_KEYDOWN, VK_BACK, 0);
  EXPECT_EQ(TreeView_GetSelection(t), items[0]);
  SendMessage(t, WM_KEYDOWN, VK_F2, 0);
  EXPECT_NE(TreeView_GetEditControl(t), nullptr);
}

TEST_F(TreeViewTest, MouseClickSelectsDoubleClickTogglesAndDragStartsAfterAMove) {
  HWND t = MakeTree();
  HTREEITEM a = Add(t, TVI_ROOT, "alpha", TVI_LAST, 1);
  Add(t, a, "child");
  HTREEITEM b = Add(t, TVI_ROOT, "beta", TVI_LAST, 2);
  codes.clear();
  Click(t, Middle(ItemRect(t, a)));
  EXPECT_EQ(TreeView_GetSelection(t), a);
  EXPECT_EQ(TreeCodes(), (std::vector<UINT>{TVN_SELCHANGING, TVN_SELCHANGED, NM_CLICK}));
  codes.clear();
  SendMessage(t, WM_LBUTTONDBLCLK, 0, PointToLParam(Middle(ItemRect(t, a))));
  EXPECT_EQ(TreeCodes(), (std::vector<UINT>{NM_DBLCLK, TVN_ITEMEXPANDING, TVN_ITEMEXPANDED}));
  SendMessage(t, WM_LBUTTONUP, 0, PointToLParam(Middle(ItemRect(t, a))));

  LPARAM dragged = 0;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_BEGINDRAG) dragged = reinterpret_cast<NMTREEVIEW*>(h)->itemNew.lParam;
    return std::nullopt;
  };
  codes.clear();
  const POINT start = Middle(ItemRect(t, b));
  SendMessage(t, WM_LBUTTONDOWN, 0, PointToLParam(start));
  SendMessage(t, WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(POINT{start.x + 1, start.y}));
  EXPECT_TRUE(TreeCodes().empty()) << "a small move is still a click";
  SendMessage(t, WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(POINT{start.x + 20, start.y + 10}));
  EXPECT_EQ(TreeCodes(), std::vector<UINT>{TVN_BEGINDRAG});
  EXPECT_EQ(dragged, 2);
  EXPECT_EQ(TreeView_GetSelection(t), a) << "dragging does not select";
  EXPECT_EQ(GetCapture(), nullptr);

  codes.clear();
  Click(t, Middle(ItemRect(t, b)), WM_RBUTTONDOWN, WM_RBUTTONUP);
  EXPECT_EQ(TreeCodes(), std::vector<UINT>{NM_RCLICK});
  EXPECT_EQ(TreeView_GetDropHilight(t), nullptr) << "the right button's highlight goes with it";
}

TEST_F(TreeViewTest, LabelEditingByClickOnTheSelectedLabel) {
  HWND t = MakeTree(TVS_HASBUTTONS | TVS_EDITLABELS);
  HTREEITEM a = Add(t, TVI_ROOT, "alpha");
  std::string ended;
  bool accept = true;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_ENDLABELEDIT) {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(h);
      ended = di->item.pszText ? di->item.pszText : "<cancelled>";
      return accept;
    }
    return std::nullopt;
  };
  Click(t, Middle(ItemRect(t, a)));
  EXPECT_EQ(TreeView_GetEditControl(t), nullptr) << "the first click only selects";
  Click(t, Middle(ItemRect(t, a)));
  EXPECT_EQ(TreeView_GetEditControl(t), nullptr) << "editing waits for the double-click time";
  clock.Advance(GetDoubleClickTime() + 1);
  Pump();
  HWND edit = TreeView_GetEditControl(t);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(GetWindowText(edit), "alpha");
  RECT small;
  GetWindowRect(edit, &small);
  SetWindowText(edit, "a much longer name than before");
  RECT grown;
  GetWindowRect(edit, &grown);
  EXPECT_GT(grown.right - grown.left, small.right - small.left) << "the editor grows with its text";
  SetWindowText(edit, "renamed");
  SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(ended, "renamed");
  EXPECT_EQ(Text(t, a), "renamed");
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ(GetFocus(), t);

  accept = true;
  edit = TreeView_EditLabel(t, a);
  SetWindowText(edit, "dropped");
  SendMessage(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(ended, "<cancelled>");
  EXPECT_EQ(Text(t, a), "renamed");

  accept = false;
  edit = TreeView_EditLabel(t, a);
  SetWindowText(edit, "refused");
  TreeView_EndEditLabelNow(t, FALSE);
  EXPECT_EQ(ended, "refused");
  EXPECT_EQ(Text(t, a), "renamed") << "the parent answered 0";

  accept = true;
  edit = TreeView_EditLabel(t, a);
  SetWindowText(edit, "by focus");
  SetFocus(parent);
  EXPECT_EQ(Text(t, a), "by focus") << "losing the focus ends the edit, keeping the text";
  EXPECT_FALSE(IsWindow(edit));

  onNotify = [](NMHDR* h) -> std::optional<LRESULT> { return h->code == TVN_BEGINLABELEDIT; };
  EXPECT_EQ(TreeView_EditLabel(t, a), nullptr) << "refused by the parent";
}

TEST_F(TreeViewTest, ScrollingKeepsTheTopItemAndTheSelectionInView) {
  HWND t = MakeTree(TVS_HASBUTTONS, 150, 100);
  std::vector<HTREEITEM> items;
  for (int i = 0; i < 50; ++i)
    items.push_back(Add(t, TVI_ROOT, ("item " + std::to_string(i)).c_str()));
  const UINT visible = TreeView_GetVisibleCount(t);
  ASSERT_GT(visible, 2u);
  ASSERT_LT(visible, 10u);
  SendMessage(t, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[50 - visible]);
  SendMessage(t, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[49 - visible]);
  SendMessage(t, WM_VSCROLL, SB_TOP, 0);
  SendMessage(t, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[visible]);
  TreeView_EnsureVisible(t, items[30]);
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[31 - visible]) << "scrolled just enough";
  const RECT r = ItemRect(t, items[30], false);
  EXPECT_EQ(r.bottom / (r.bottom - r.top), static_cast<LONG>(visible));
  // Inserting above the top keeps the top item.
  HTREEITEM first = Add(t, TVI_ROOT, "new", TVI_FIRST);
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[31 - visible]);
  TreeView_SelectSetFirstVisible(t, first);
  EXPECT_EQ(TreeView_GetFirstVisible(t), first);
  // The wheel and the drawn bar scroll too.
  SendMessage(t, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[2]);
  RECT client;
  GetClientRect(t, &client);
  Click(t, POINT{client.right - 3, client.bottom - 3});  // the down arrow of the bar
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[3]);
  // Held, the arrow repeats after a pause until released.
  SendMessage(t, WM_LBUTTONDOWN, 0, PointToLParam(POINT{client.right - 3, client.bottom - 3}));
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[4]);
  clock.Advance(400);
  Pump();
  clock.Advance(50);
  Pump();
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[6]);
  SendMessage(t, WM_LBUTTONUP, 0, PointToLParam(POINT{client.right - 3, client.bottom - 3}));
  clock.Advance(500);
  Pump();
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[6]);
  // The thumb dragged from the top to the bottom of its track shows the last rows.
  SendMessage(t, WM_VSCROLL, SB_TOP, 0);
  const int bar = ScrollBarSize();
  SendMessage(t, WM_LBUTTONDOWN, 0, PointToLParam(POINT{client.right - 3, bar + 2}));
  ASSERT_EQ(TreeView_GetFirstVisible(t), first) << "pressed on the thumb, not the track";
  SendMessage(t, WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(POINT{client.right - 3, client.bottom}));
  SendMessage(t, WM_LBUTTONUP, 0, PointToLParam(POINT{client.right - 3, client.bottom}));
  EXPECT_EQ(TreeView_GetFirstVisible(t), items[50 - visible]) << "51 rows with the new first one";
}

TEST_F(TreeViewTest, SetRedrawFalseHoldsPaintingUntilSwitchedBack) {
  HWND t = MakeTree();
  UpdateWindow(t);
  SendMessage(t, WM_SETREDRAW, FALSE, 0);
  codes.clear();
  for (int i = 0; i < 20; ++i) Add(t, TVI_ROOT, "x");
  UpdateWindow(parent);
  Pump();
  EXPECT_TRUE(codes.empty()) << "no painting (no custom-draw stage) while drawing is off";
  SendMessage(t, WM_SETREDRAW, TRUE, 0);
  Pump();
  EXPECT_EQ(std::count(codes.begin(), codes.end(), NM_CUSTOMDRAW), 1);
}

TEST_F(TreeViewTest, CustomDrawStagesAndColoursReachTheDrawing) {
  HWND t = MakeTree(TVS_HASBUTTONS);
  HTREEITEM a = Add(t, TVI_ROOT, "painted", TVI_LAST, 1);
  Add(t, TVI_ROOT, "plain", TVI_LAST, 2);
  std::vector<DWORD> stages;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code != NM_CUSTOMDRAW) return std::nullopt;
    auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(h);
    stages.push_back(cd->nmcd.dwDrawStage);
    if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && cd->nmcd.lItemlParam == 1) {
      cd->clrTextBk = RGB(0, 128, 0);
      cd->clrText = RGB(255, 255, 0);
    }
    return CDRF_DODEFAULT;
  };
  InvalidateRect(t, nullptr, TRUE);
  UpdateWindow(t);
  EXPECT_EQ(stages, (std::vector<DWORD>{CDDS_PREPAINT, CDDS_ITEMPREPAINT, CDDS_ITEMPREPAINT}));
  const RECT label = ItemRect(t, a);
  const TSurface s = CaptureWindow(t);
  EXPECT_EQ(s.Pixel(label.left + 1, label.top + 1) & 0xFFFFFF,
            PixelOfColor(RGB(0, 128, 0)) & 0xFFFFFF);
  int yellow = 0;
  for (int y = label.top; y < label.bottom; ++y)
    for (int x = label.left; x < label.right; ++x)
      yellow += (s.Pixel(x, y) & 0xFFFFFF) == (PixelOfColor(RGB(255, 255, 0)) & 0xFFFFFF);
  EXPECT_GT(yellow, 10) << "the text in the colour given";
}

// What the parent paints at the pre-paint stage lies under the items: the
// background is not filled over it afterwards, with or without the default
// drawing of the items.
TEST_F(TreeViewTest, PrePaintDrawingSurvivesTheBackground) {
  HWND t = MakeTree(TVS_HASBUTTONS, 200, 80);
  const RECT label = ItemRect(t, Add(t, TVI_ROOT, "item"));
  const COLORREF red = RGB(200, 0, 0);
  LRESULT answer = CDRF_DODEFAULT;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code != NM_CUSTOMDRAW) return std::nullopt;
    auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(h);
    if (cd->nmcd.dwDrawStage != CDDS_PREPAINT) return std::nullopt;
    RECT r = cd->nmcd.rc;
    HBRUSH b = CreateSolidBrush(red);
    FillRect(cd->nmcd.hdc, &r, b);
    DeleteObject(b);
    return answer;
  };
  for (LRESULT given : {LRESULT{CDRF_DODEFAULT}, LRESULT{CDRF_SKIPDEFAULT}}) {
    answer = given;
    InvalidateRect(t, nullptr, TRUE);
    UpdateWindow(t);
    const TSurface s = CaptureWindow(t);
    const bool skipped = given == CDRF_SKIPDEFAULT;
    EXPECT_EQ(s.Pixel(s.Width() - 10, s.Height() - 10) & 0xFFFFFF, PixelOfColor(red) & 0xFFFFFF)
        << "the parent's fill below the items, skipped " << skipped;
    int ink = 0;
    for (int y = label.top; y < label.bottom; ++y)
      for (int x = label.left; x < label.right; ++x) ink += (s.Pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_EQ(ink > 0, !skipped) << "the label is drawn unless the parent skips it";
  }
  onNotify = nullptr;
}

// A font selected at the item stage is used when the answer says so.
TEST_F(TreeViewTest, CustomDrawNewFontDrawsTheLabelInTheFontGiven) {
  HWND t = MakeTree(TVS_HASBUTTONS, 200, 60);
  Add(t, TVI_ROOT, "Wide");
  LOGFONT lf;
  lf.lfHeight = -16;
  lf.lfWeight = FW_BOLD;
  std::strcpy(lf.lfFaceName, "Tahoma");
  HFONT big = CreateFontIndirect(&lf);
  LRESULT answer = CDRF_DODEFAULT;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code != NM_CUSTOMDRAW) return std::nullopt;
    auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(h);
    if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    SelectObject(cd->nmcd.hdc, big);
    return answer;
  };
  auto inked = [&] {
    InvalidateRect(t, nullptr, TRUE);
    UpdateWindow(t);
    const TSurface s = CaptureWindow(t);
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
      for (int x = 0; x < s.Width(); ++x) n += (s.Pixel(x, y) & 0xFFFFFF) == 0;
    return n;
  };
  const int plain = inked();
  answer = CDRF_NEWFONT;
  const int bold = inked();
  EXPECT_GT(bold, plain * 3 / 2);
  onNotify = nullptr;
  DeleteObject(big);
}

// The drop target is drawn highlighted; the selection beside it plainly.
TEST_F(TreeViewTest, DropHighlightTakesTheHighlightFromTheSelection) {
  HWND t = MakeTree(TVS_HASBUTTONS);
  HTREEITEM a = Add(t, TVI_ROOT, "selected");
  HTREEITEM b = Add(t, TVI_ROOT, "target");
  SetFocus(t);
  TreeView_SelectItem(t, a);
  const TPixel highlight = PixelOfColor(GetSysColor(COLOR_HIGHLIGHT)) & 0xFFFFFF;
  auto background = [&](HTREEITEM item) {
    UpdateWindow(t);
    const RECT r = ItemRect(t, item);
    return CaptureWindow(t).Pixel(r.left + 1, r.top + 2) & 0xFFFFFF;
  };
  EXPECT_EQ(background(a), highlight);
  TreeView_SelectDropTarget(t, b);
  EXPECT_EQ(background(b), highlight);
  EXPECT_NE(background(a), highlight);
  EXPECT_TRUE(TreeView_GetItemState(t, b, TVIS_DROPHILITED));
  TreeView_SelectDropTarget(t, nullptr);
  EXPECT_EQ(background(a), highlight);
  EXPECT_NE(background(b), highlight);
}

TEST_F(TreeViewTest, HorizontalScrollingShowsTheEndOfALongLabel) {
  HWND t = MakeTree(TVS_HASBUTTONS, 120, 100);
  HTREEITEM a = Add(t, TVI_ROOT, "a label much wider than the tree itself");
  UpdateWindow(t);
  const RECT before = ItemRect(t, a);
  ASSERT_GT(before.right, 120);
  SendMessage(t, WM_HSCROLL, SB_RIGHT, 0);
  const RECT after = ItemRect(t, a);
  EXPECT_LT(after.left, before.left);
  EXPECT_LE(after.right, 120) << "the label's end in view";
  EXPECT_GE(after.right, 120 - ScrollBarSize() - 20);
  SendMessage(t, WM_HSCROLL, SB_LINELEFT, 0);
  EXPECT_GT(ItemRect(t, a).left, after.left);
  SendMessage(t, WM_HSCROLL, SB_LEFT, 0);
  EXPECT_EQ(ItemRect(t, a).left, before.left);
}

TEST_F(TreeViewTest, TipsAskTheTreeForTheTextOfALabelThatDoesNotFit) {
  HWND t = MakeTree(TVS_HASBUTTONS, 80, 100);
  HTREEITEM longItem = Add(t, TVI_ROOT, "a label far too long for the tree");
  HTREEITEM shortItem = Add(t, TVI_ROOT, "ok");
  HWND tips = TreeView_GetToolTips(t);
  ASSERT_NE(tips, nullptr);
  // A subclass of the tree sees the question and may suppress the text.
  WNDPROC old = GetWindowProc(t);
  int asked = 0;
  bool suppress = false;
  std::string answer;
  SetWindowProc(t, MakeWndProc([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                  if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == TTN_NEEDTEXTA) {
                    ++asked;
                    if (suppress) return 0;
                    const LRESULT r = CallWindowProc(old, h, m, w, l);
                    answer = reinterpret_cast<NMTTDISPINFOA*>(l)->lpszText;
                    return r;
                  }
                  return CallWindowProc(old, h, m, w, l);
                }));
  SendMessage(t, WM_MOUSEMOVE, 0, PointToLParam(Middle(ItemRect(t, shortItem))));
  EXPECT_EQ(asked, 0) << "a label that fits needs no tip";
  EXPECT_FALSE(IsWindowVisible(tips));
  POINT over = Middle(ItemRect(t, longItem));
  over.x = 40;
  SendMessage(t, WM_MOUSEMOVE, 0, PointToLParam(over));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(IsWindowVisible(tips));
  EXPECT_EQ(answer, "a label far too long for the tree") << "the tree's own answer";
  SendMessage(t, WM_MOUSEMOVE, 0, PointToLParam(Middle(ItemRect(t, shortItem))));
  EXPECT_FALSE(IsWindowVisible(tips));
  // The pointer leaving the tree takes the tip away.
  SendMessage(t, WM_MOUSEMOVE, 0, PointToLParam(over));
  ASSERT_TRUE(IsWindowVisible(tips));
  InjectMouseMove(POINT{5, 5});
  Pump();
  clock.Advance(200);
  Pump();
  EXPECT_FALSE(IsWindowVisible(tips));
  suppress = true;
  SendMessage(t, WM_MOUSEMOVE, 0, PointToLParam(Middle(ItemRect(t, shortItem))));
  SendMessage(t, WM_MOUSEMOVE, 0, PointToLParam(over));
  EXPECT_FALSE(IsWindowVisible(tips)) << "an empty text shows no tip";
  SetWindowProc(t, old);  // the subclass holds this test's locals
}

TEST_F(TreeViewTest, InfoTipsComeFromTheParentForEveryLabel) {
  HWND t = MakeTree(TVS_HASBUTTONS | TVS_INFOTIP);
  HTREEITEM a = Add(t, TVI_ROOT, "short", TVI_LAST, 7);
  onNotify = [](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_GETINFOTIP) {
      auto* tip = reinterpret_cast<NMTVGETINFOTIP*>(h);
      EXPECT_STREQ(tip->pszText, "short") << "offered the label";
      std::snprintf(tip->pszText, static_cast<size_t>(tip->cchTextMax), "item %d",
                    static_cast<int>(tip->lParam));
    }
    return std::nullopt;
  };
  SendMessage(t, WM_MOUSEMOVE, 0, PointToLParam(Middle(ItemRect(t, a))));
  EXPECT_TRUE(IsWindowVisible(TreeView_GetToolTips(t))) << "shown although the label fits";
  EXPECT_EQ(std::count(codes.begin(), codes.end(), TVN_GETINFOTIP), 1);
}

TEST_F(TreeViewTest, ImageCallbackAsksForTheImageOfTheState) {
  HWND t = MakeTree();
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
  TreeView_SetImageList(t, images, TVSIL_NORMAL);
  TVINSERTSTRUCT is;
  is.hParent = TVI_ROOT;
  is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  is.item.pszText = const_cast<LPSTR>("x");
  is.item.iImage = is.item.iSelectedImage = I_IMAGECALLBACK;
  HTREEITEM item = TreeView_InsertItem(t, &is);
  std::vector<UINT> asked;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_GETDISPINFO) asked.push_back(reinterpret_cast<NMTVDISPINFO*>(h)->item.mask);
    return std::nullopt;
  };
  UpdateWindow(t);
  TreeView_SelectItem(t, item);
  UpdateWindow(t);
  EXPECT_EQ(asked, (std::vector<UINT>{TVIF_IMAGE, TVIF_SELECTEDIMAGE}));
  ImageList_Destroy(images);
}

TEST_F(TreeViewTest, SortChildrenByLabelAndByCallback) {
  HWND t = MakeTree();
  Add(t, TVI_ROOT, "pear", TVI_LAST, 3);
  Add(t, TVI_ROOT, "Apple", TVI_LAST, 1);
  Add(t, TVI_ROOT, "fig", TVI_LAST, 2);
  TreeView_SortChildren(t, TVI_ROOT, FALSE);
  EXPECT_EQ(Shown(t), "Apple fig pear");
  TVSORTCB cb;
  cb.hParent = TVI_ROOT;
  cb.lpfnCompare = [](LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(b - a); };
  TreeView_SortChildrenCB(t, &cb, FALSE);
  EXPECT_EQ(Shown(t), "pear fig Apple");
}

TEST_F(TreeViewTest, TextCallbackAsksThePainterAndKeepsDiSetItem) {
  HWND t = MakeTree();
  TVINSERTSTRUCT is;
  is.hParent = TVI_ROOT;
  is.item.mask = TVIF_TEXT;
  is.item.pszText = LPSTR_TEXTCALLBACK;
  HTREEITEM item = TreeView_InsertItem(t, &is);
  int asked = 0;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_GETDISPINFO) {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(h);
      ++asked;
      std::strcpy(di->item.pszText, "given");
      di->item.mask |= TVIF_DI_SETITEM;
    }
    return std::nullopt;
  };
  UpdateWindow(t);
  EXPECT_GT(asked, 0);
  EXPECT_EQ(Text(t, item), "given") << "kept after TVIF_DI_SETITEM";
}

// A small tree as the user sees it: lines, buttons, images, the focused selection.
TEST_F(TreeViewTest, RendersLinesButtonsImagesAndSelection) {
  HWND t = MakeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 180, 120);
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
  {
    TCanvasBitmap strip(32, 16);
    RECT all{0, 0, 32, 16};
    HBRUSH key = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(strip.Dc(), &all, key);
    DeleteObject(key);
    HBRUSH folder = CreateSolidBrush(RGB(230, 190, 60));
    RECT f{1, 4, 15, 14};
    FillRect(strip.Dc(), &f, folder);
    DeleteObject(folder);
    RECT page{19, 1, 29, 15};
    FillRect(strip.Dc(), &page, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(strip.Dc(), &page, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ImageList_AddMasked(images, strip.Bitmap(), RGB(255, 0, 255));
  }
  TreeView_SetImageList(t, images, TVSIL_NORMAL);
  auto add = [&](HTREEITEM p, const char* text, int image) {
    TVINSERTSTRUCT is;
    is.hParent = p;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    is.item.pszText = const_cast<LPSTR>(text);
    is.item.iImage = is.item.iSelectedImage = image;
    return TreeView_InsertItem(t, &is);
  };
  HTREEITEM music = add(TVI_ROOT, "Music", 0);
  add(music, "Jazz", 0);
  HTREEITEM notes = add(music, "notes.txt", 1);
  HTREEITEM photos = add(TVI_ROOT, "Photos", 0);
  add(photos, "2003", 0);
  add(TVI_ROOT, "readme", 1);
  TreeView_Expand(t, music, TVE_EXPAND);
  SetFocus(t);
  TreeView_SelectItem(t, notes);
  UpdateWindow(t);
  EXPECT_TRUE(MatchesReference(CaptureWindow(t), "treeview.png", 8, 20));
  ImageList_Destroy(images);
}

TEST_F(TreeViewTest, DragImageOfAnItemAndTheDragFunctionsRestoreWhatTheyCover) {
  HWND t = MakeTree();
  HTREEITEM a = Add(t, TVI_ROOT, "drag me");
  UpdateWindow(t);
  HIMAGELIST image = TreeView_CreateDragImage(t, a);
  ASSERT_NE(image, nullptr);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(image, &cx, &cy);
  const RECT label = ItemRect(t, a);
  EXPECT_EQ(cx, label.right - label.left);
  EXPECT_EQ(cy, label.bottom - label.top);

  UpdateWindow(parent);
  const TSurface before = CaptureWindow(parent, true);
  ASSERT_TRUE(ImageList_BeginDrag(image, 0, 2, 2));
  ASSERT_TRUE(ImageList_DragEnter(parent, 60, 80));
  const TSurface shown = CaptureWindow(parent, true);
  bool changed = false;
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x)
      changed = changed || before.Row(y)[x] != shown.Row(y)[x];
  EXPECT_TRUE(changed) << "the image is drawn";
  // A drop highlight changed while the image is hidden is painted before
  // the image comes back, so moving it later leaves no old highlight behind.
  ImageList_DragShowNolock(FALSE);
  TreeView_SelectDropTarget(t, a);
  ImageList_DragMove(90, 100);
  ImageList_DragShowNolock(TRUE);
  ImageList_DragMove(60, 80);
  TreeView_SelectDropTarget(t, nullptr);
  ImageList_DragShowNolock(FALSE);
  ImageList_DragShowNolock(TRUE);
  ImageList_DragLeave(parent);
  ImageList_EndDrag();
  const TSurface after = CaptureWindow(parent, true);
  // The image over the label while the drop highlight comes: hidden, the
  // label shows the highlight, whenever the window paints.
  POINT at{label.left, label.top};
  ClientToScreen(t, &at);
  RECT frame;
  GetWindowRect(parent, &frame);
  ImageList_BeginDrag(image, 0, 0, 0);
  ImageList_DragEnter(parent, at.x - frame.left, at.y - frame.top);
  ImageList_DragShowNolock(FALSE);
  TreeView_SelectDropTarget(t, a);
  ImageList_DragShowNolock(TRUE);
  Pump();
  ImageList_DragShowNolock(FALSE);
  EXPECT_EQ(CaptureWindow(t).Pixel(label.left + 1, label.top + 2) & 0xFFFFFF,
            PixelOfColor(GetSysColor(COLOR_HIGHLIGHT)) & 0xFFFFFF);
  ImageList_EndDrag();
  int differ = 0;
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x) differ += before.Row(y)[x] != after.Row(y)[x];
  EXPECT_EQ(differ, 0) << "everything it covered is back";
  EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
  ImageList_Destroy(image);
}

TEST(ScrollBarTest, ThumbFollowsPositionAndBackAgain) {
  SCROLLINFO si;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  const RECT bar{0, 0, 16, 216};  // arrows of 16, a track of 184
  for (int pos : {0, 45, 90}) {
    si.nPos = pos;
    const RECT thumb = ScrollBarThumbRect(bar, true, si);
    EXPECT_EQ(thumb.bottom - thumb.top, 18);
    EXPECT_EQ(ScrollBarThumbPosition(bar, true, si, POINT{5, thumb.top}, 0), pos);
    EXPECT_EQ(ScrollBarHitTest(bar, true, si, POINT{5, thumb.top + 1}), TScrollBarPart::Thumb);
  }
  EXPECT_EQ(ScrollBarHitTest(bar, true, si, POINT{5, 3}), TScrollBarPart::LineBack);
  EXPECT_EQ(ScrollBarHitTest(bar, true, si, POINT{5, 214}), TScrollBarPart::LineForward);
  si.nPage = 100;
  EXPECT_EQ(ScrollBarThumbRect(bar, true, si).bottom, 0) << "everything fits: no thumb";
}

}  // namespace

TEST_F(TreeViewTest, AnyNonZeroChildrenCountGivesAButton) {
  HWND t = MakeTree();
  HTREEITEM a = Add(t, TVI_ROOT, "a");
  for (int count : {1, 5, 256, 1 << 20, -7}) {
    TVITEM set;
    set.mask = TVIF_CHILDREN | TVIF_HANDLE;
    set.hItem = a;
    set.cChildren = count;
    TreeView_SetItem(t, &set);
    TVITEM get;
    get.mask = TVIF_CHILDREN | TVIF_HANDLE;
    get.hItem = a;
    TreeView_GetItem(t, &get);
    EXPECT_NE(get.cChildren, 0) << count;
    EXPECT_NE(get.cChildren, I_CHILDRENCALLBACK) << count;
  }
}

TEST_F(TreeViewTest, AnEditStartedWhileItsItemIsReportedDeletedEndsBeforeItGoes) {
  HWND t = MakeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS);
  HTREEITEM p = Add(t, TVI_ROOT, "p", TVI_LAST, 1);
  HTREEITEM c = Add(t, p, "c", TVI_LAST, 2);
  Add(t, TVI_ROOT, "q", TVI_LAST, 3);
  int ended = 0;
  onNotify = [&](NMHDR* h) -> std::optional<LRESULT> {
    if (h->code == TVN_DELETEITEM && reinterpret_cast<NMTREEVIEW*>(h)->itemOld.lParam == 1) {
      EXPECT_NE(TreeView_EditLabel(t, c), nullptr);
    }
    if (h->code == TVN_ENDLABELEDIT) ++ended;
    return std::nullopt;
  };
  TreeView_DeleteItem(t, p);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(TreeView_GetEditControl(t), nullptr);
  EXPECT_EQ(TreeView_GetCount(t), 1u);
}

TEST_F(TreeViewTest, AnInsertMarkingItsParentSetsTheFlagThatOutlivesTheChildren) {
  HWND t = MakeTree();
  const auto childrenFlag = [t](HTREEITEM item) {
    TVITEM tv;
    tv.hItem = item;
    tv.mask = TVIF_CHILDREN;
    TreeView_GetItem(t, &tv);
    return tv.cChildren;
  };
  const auto addMarking = [t](HTREEITEM parentItem, const char* text) {
    TVINSERTSTRUCT is;
    is.hParent = parentItem;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT;
    is.item.pszText = const_cast<LPSTR>(text);
    is.markParent = true;
    return TreeView_InsertItem(t, &is);
  };
  HTREEITEM plain = Add(t, TVI_ROOT, "plain");
  HTREEITEM marked = Add(t, TVI_ROOT, "marked");
  HTREEITEM top = addMarking(TVI_ROOT, "top");  // no parent to mark
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(TreeView_GetCount(t), 3u);
  TreeView_DeleteItem(t, Add(t, plain, "child"));
  TreeView_DeleteItem(t, addMarking(marked, "child"));
  EXPECT_EQ(childrenFlag(plain), 0) << "without the mark the flag follows the children";
  EXPECT_EQ(childrenFlag(marked), 1) << "as a TVM_SETITEM of the flag would leave it";
  // A parent whose flag someone took away gets it back from the next marking insert.
  TVITEM off;
  off.hItem = marked;
  off.mask = TVIF_CHILDREN;
  off.cChildren = 0;
  TreeView_SetItem(t, &off);
  EXPECT_EQ(childrenFlag(marked), 0);
  addMarking(marked, "again");
  EXPECT_EQ(childrenFlag(marked), 1);
}

// A collapsed folder's children are kept in their list only until
// something needs their search tree: sorted inserts, removals and
// expansions in any order must find it as if it had been kept all along.
TEST(TreeItemsTest, ACollapsedFoldersChildrenFindTheirSortedPlacesAndRowsWhenNeeded) {
  TTreeItems items;
  TTreeItem* folder = items.Insert(items.Root(), nullptr);
  TTreeItem* after = nullptr;
  std::vector<TTreeItem*> children;
  for (int i = 0; i < 300; ++i) {
    after = items.Insert(folder, after);
    after->lParam = 2 * i;  // 0, 2, 4, ...
    children.push_back(after);
  }
  // Removed while collapsed, then a sorted place asked for in it.
  for (int i = 0; i < 300; i += 3) items.Remove(children[static_cast<std::size_t>(i)]);
  const auto lastAtMost = [folder](LPARAM key) {
    const TTreeItem* found =
        TTreeItems::LastBefore(folder, [key](const TTreeItem* c) { return c->lParam <= key; });
    return found ? found->lParam : -1;
  };
  EXPECT_EQ(lastAtMost(-1), -1);
  EXPECT_EQ(lastAtMost(0), -1) << "0 went";
  EXPECT_EQ(lastAtMost(7), 4) << "6 went";
  EXPECT_EQ(lastAtMost(599), 598);
  // More children while collapsed after the tree was made, then shown.
  TTreeItem* odd = items.Insert(
      folder, TTreeItems::LastBefore(folder, [](const TTreeItem* c) { return c->lParam <= 9; }));
  odd->lParam = 9;
  items.SetExpanded(folder, true);
  const auto rows = ShownByWalk(items);
  ASSERT_EQ(items.RowCount(), static_cast<std::int64_t>(rows.size()));
  ASSERT_EQ(rows.size(), 1u + 200u + 1u);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(items.ItemAtRow(static_cast<std::int64_t>(r)), rows[r]) << r;
    ASSERT_EQ(items.RowOf(rows[r]), static_cast<std::int64_t>(r)) << r;
  }
  EXPECT_EQ(items.RowOf(odd), 4) << "the folder's row, then 2, 4 and 8";
  EXPECT_LT(SiblingTreeDepth(folder), 40);
  // Collapsed again and emptied: the folder's row stays its own.
  items.SetExpanded(folder, false);
  while (folder->first) items.Remove(folder->first);
  items.SetExpanded(folder, true);
  EXPECT_EQ(items.RowCount(), 1);
  EXPECT_EQ(folder->tRoot, nullptr);
}
