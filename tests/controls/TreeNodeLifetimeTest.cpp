// tests/controls/TreeNodeLifetimeTest.cpp
//
// Who frees a tree's nodes: each node goes exactly once, with its item,
// whatever removes it, and a move keeps it. Nodes of different sizes share
// the node memory.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <thread>
#include <vector>

#include "platform/controls/TreeView.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/controls/TreeShape.h"

namespace {

int live_nodes = 0;

class TCountedNode : public TTreeNode {
 public:
  explicit TCountedNode(TTreeNodes* owner) : TTreeNode(owner) { ++live_nodes; }
  ~TCountedNode() override { --live_nodes; }
};

// Larger than any size the node memory keeps lists for: it takes the heap.
class TLargeNode : public TCountedNode {
 public:
  using TCountedNode::TCountedNode;
  std::array<char, 4096> payload{};
};

class TCountingTree : public TTreeView {
 public:
  using TTreeView::TTreeView;
  bool large = false;

 protected:
  TTreeNode* CreateNode() override {
    large = !large;  // every other node is a large one
    return large ? new TLargeNode(Items()) : new TCountedNode(Items());
  }
};

class TreeNodeLifetime : public ControlTest {
 protected:
  TreeNodeLifetime() {
    live_nodes = 0;
    tree_ = new TCountingTree(owner_.get());
    tree_->SetParent(ShownForm());
    tree_->SetBounds(10, 10, 200, 200);
  }
  TCountingTree* tree_ = nullptr;
};

}  // namespace

TEST_F(TreeNodeLifetime, EveryNodeIsFreedOnceWhateverRemovesIt) {
  TTreeNodes* items = tree_->Items();
  TTreeNode* a = items->Add(nullptr, "A");
  TTreeNode* b = items->AddChild(a, "B");
  items->AddChild(b, "C");
  items->AddChild(b, "D");
  TTreeNode* e = items->Add(nullptr, "E");
  EXPECT_EQ(live_nodes, 5);

  // The moved subtree keeps its nodes; only A goes with its item.
  b->MoveTo(e, naAddChild);
  EXPECT_EQ(TreeShape(tree_), "A E(B(C D))");
  EXPECT_EQ(live_nodes, 5);
  a->Delete();
  EXPECT_EQ(live_nodes, 4);

  // Made anew, the window brings back as many nodes as it had.
  tree_->RecreateWnd();
  tree_->HandleNeeded();
  EXPECT_EQ(TreeShape(tree_), "E(B(C D))");
  EXPECT_EQ(live_nodes, 4);

  items->GetFirstNode()->DeleteChildren();
  EXPECT_EQ(live_nodes, 1);
  for (int i = 0; i < 3000; ++i) items->Add(nullptr, "n");
  EXPECT_EQ(live_nodes, 3001);
  items->Clear();
  EXPECT_EQ(live_nodes, 0);
}

TEST_F(TreeNodeLifetime, TheTreeFreesTheNodesItStillHasWhenItGoes) {
  TTreeNodes* items = tree_->Items();
  for (int i = 0; i < 100; ++i) items->AddChild(items->Add(nullptr, "p"), "c");
  EXPECT_EQ(live_nodes, 200);
  delete tree_;
  EXPECT_EQ(live_nodes, 0);
}

TEST_F(TreeNodeLifetime, ClearReportsEachNodeToOnDeletionOrFreesThemAllAtOnce) {
  TTreeNodes* items = tree_->Items();
  const auto fill = [&] {
    for (int i = 0; i < 50; ++i)
      items->AddChild(items->AddChild(items->Add(nullptr, "p"), "c"), "g");
    items->GetFirstNode()->GetNext()->SetSelected(true);
  };
  fill();
  std::vector<String> deleted;
  int changes = 0;
  tree_->OnChange = [&](TObject*, TTreeNode*) { ++changes; };
  tree_->OnDeletion = [&](TObject*, TTreeNode* node) {
    // The node still has its item and its place while it is reported.
    deleted.push_back(node->Text() + (node->Parent() ? "<" + node->Parent()->Text() : ""));
  };
  items->Clear();
  ASSERT_EQ(deleted.size(), 150u);
  EXPECT_EQ(deleted[0], "g<c") << "children before their parents";
  EXPECT_EQ(deleted[2], "p");
  EXPECT_EQ(live_nodes, 0);
  EXPECT_EQ(changes, 1) << "the selection goes once";

  // Nobody listens: the nodes go without a message per item, and the tree
  // takes nodes again as before.
  tree_->OnDeletion = nullptr;
  fill();
  changes = 0;
  items->Clear();
  EXPECT_EQ(live_nodes, 0);
  EXPECT_EQ(items->Count(), 0);
  EXPECT_EQ(items->GetFirstNode(), nullptr);
  EXPECT_EQ(tree_->Selected(), nullptr);
  EXPECT_EQ(changes, 1);
  TTreeNode* again = items->AddChild(items->Add(nullptr, "again"), "child");
  EXPECT_EQ(TreeShape(tree_), "again(child)");
  again->Delete();
  EXPECT_EQ(live_nodes, 1);
  tree_->OnDeletion = [&](TObject*, TTreeNode*) { deleted.push_back("late"); };
  deleted.clear();
  items->Clear();
  EXPECT_EQ(deleted, std::vector<String>{"late"}) << "deletions are reported again";
}

// Each thread keeps free nodes of its own and hands them back when it ends;
// nodes made on one thread may be freed on another, also after their maker
// ended. However they travel, no memory is handed out twice: every live
// node keeps its own data.
TEST(TreeNodeMemory, NodesMadeAndFreedOnSeveralThreadsNeverShareMemory) {
  TTreeNodes owner(nullptr);
  constexpr std::size_t kThreads = 4, kEach = 3000;
  std::vector<std::vector<TTreeNode*>> kept(kThreads);
  auto make = [&owner](std::vector<TTreeNode*>& into, std::size_t count, std::uintptr_t tag) {
    for (std::size_t i = 0; i < count; ++i) {
      into.push_back(new TTreeNode(&owner));
      into.back()->SetData(reinterpret_cast<void*>(tag + i));
    }
  };
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      std::vector<TTreeNode*> mine;
      make(mine, kEach, (t + 1) << 20);
      // Half go here and are made again (from this thread's own list),
      // the rest outlive the thread.
      for (std::size_t i = 0; i < kEach; i += 2) delete mine[i];
      std::vector<TTreeNode*> again;
      make(again, kEach / 2, (t + 1) << 24);
      for (std::size_t i = 1; i < kEach; i += 2) kept[t].push_back(mine[i]);
      kept[t].insert(kept[t].end(), again.begin(), again.end());
    });
  for (std::thread& th : threads) th.join();
  // The main thread frees what one ended thread made and makes as many.
  std::vector<TTreeNode*> live;
  for (std::size_t t = 1; t < kThreads; ++t)
    live.insert(live.end(), kept[t].begin(), kept[t].end());
  for (TTreeNode* n : kept[0]) delete n;
  make(live, kEach, std::uintptr_t{1} << 28);
  std::set<TTreeNode*> addresses(live.begin(), live.end());
  EXPECT_EQ(addresses.size(), live.size()) << "a node's memory was handed out twice";
  std::set<void*> data;
  for (TTreeNode* n : live) data.insert(n->Data());
  EXPECT_EQ(data.size(), live.size()) << "a node's data was overwritten by another";
  for (TTreeNode* n : live) delete n;
}
