#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <tuple>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"
#include "tests/controls/TreeShape.h"
#include "tests/data/ArrayDataSet.h"
#include "tests/win/DrawingTestSupport.h"
#include "ui/slDBTree.h"

namespace {

// One row of the catalogue-shaped table: id, idparent, Dirname, ImIndex.
using Row = std::vector<Variant>;

class slDBTree : public ::testing::Test {
 protected:
  slDBTree() {
    InitializeModules({ControlsModule(), slTreeModule()});
    form_ = new TCustomForm(owner_.get());
    form_->SetBounds(100, 100, 280, 260);
    form_->Show();
    Make();
  }
  ~slDBTree() override {
    owner_.reset();
    FinalizeModules();
  }

  // A fresh tree, table and source.
  void Make() {
    tree_ = new TslDBTreeView(owner_.get());
    tree_->SetParent(form_);
    tree_->SetBounds(5, 5, 240, 200);
    ds_ = new TArrayDataSet(owner_.get());
    ds_->FieldDefs()->Add("id", ftInteger);
    ds_->FieldDefs()->Add("idparent", ftInteger);
    ds_->FieldDefs()->Add("Dirname", ftString, 30);
    ds_->FieldDefs()->Add("ImIndex", ftInteger);
    source_ = new TDataSource(owner_.get());
    source_->SetDataSet(ds_);
  }
  void TearDownTable() {
    delete tree_;
    delete source_;
    delete ds_;
    Make();
  }

  // Binds the tree as the catalogue does and opens the table of `rows`.
  void Open(const std::vector<Row>& rows) {
    for (const Row& r : rows) ds_->AddRow(r);
    ds_->Open();
    tree_->SetKeyField("id");
    tree_->SetParentField("idparent");
    tree_->SetListField("Dirname");
    tree_->SetImageIndexField("ImIndex");
    tree_->SetOptions({trCanDBNavigate, trSmartRecordCopy, trCheckHasChildren});
    tree_->HandleNeeded();
    tree_->SetDataSource(source_);
  }

  // Binds the tree for loading on demand: top-level records have parent 0.
  void OpenSmart(const std::vector<Row>& rows,
                 TslDBTreeViewOptions options = {trCanDBNavigate, trSmartRecordLoad,
                                                 trCheckHasChildren}) {
    tree_->SetRootValue(0);
    tree_->SetOptions(options);
    for (const Row& r : rows) ds_->AddRow(r);
    ds_->Open();
    tree_->SetKeyField("id");
    tree_->SetParentField("idparent");
    tree_->SetListField("Dirname");
    tree_->HandleNeeded();
    tree_->SetDataSource(source_);
  }

  TslDBTreeNode* Node(int key) const { return tree_->DBNodes()->FindNode(key); }

  // Binds a tree of the test's own to `rows` of id, idparent (both of
  // `keyType`), Dirname and, given its type, ImIndex.
  void BindLoose(TslDBTreeView& tree, TArrayDataSet& ds, TDataSource& source, TFieldType keyType,
                 const std::vector<Row>& rows, TFieldType imageType = ftUnknown) {
    tree.SetParent(form_);
    tree.HandleNeeded();
    ds.FieldDefs()->Add("id", keyType, keyType == ftString ? 10 : 0);
    ds.FieldDefs()->Add("idparent", keyType, keyType == ftString ? 10 : 0);
    ds.FieldDefs()->Add("Dirname", ftString, 10);
    if (imageType != ftUnknown) {
      ds.FieldDefs()->Add("ImIndex", imageType);
      tree.SetImageIndexField("ImIndex");
    }
    for (const Row& r : rows) ds.AddRow(r);
    ds.Open();
    source.SetDataSet(&ds);
    tree.SetKeyField("id");
    tree.SetParentField("idparent");
    tree.SetListField("Dirname");
    tree.SetDataSource(&source);
  }
  String Shape() const { return TreeShape(tree_); }

  // Every indexed node sits at its SortIndex, in ascending key order.
  void ExpectIndexExact() const {
    TslDBTreeNodes* index = tree_->DBNodes();
    for (Integer i = 0; i < index->Count(); ++i) {
      EXPECT_EQ(index->Node(i)->SortIndex(), i);
      if (i > 0) {
        EXPECT_TRUE(KeyGreater(index->Node(i)->KeyValue(), index->Node(i - 1)->KeyValue()));
      }
    }
  }

  TWindowSystem system_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_;
  TslDBTreeView* tree_;
  TArrayDataSet* ds_;
  TDataSource* source_;
};

// A small catalogue: two disks whose root rows are their own parents, a
// file row (no id), a child read before its parent and an orphan.
const std::vector<Row> kCatalogue = {
    {1, 1, "Disk A", 0},        {2, 1, "Docs", 1},    {3, 2, "Letters", 1},
    {Null(), 2, "file.txt", 5}, {4, 4, "Disk B", 0},  {6, 7, "Early", Null()},
    {7, 4, "Late parent", 1},   {8, 99, "Orphan", 2},
};

TEST_F(slDBTree, BuildsTheCatalogueShapeFromEveryRow) {
  Open(kCatalogue);
  // Disk roots stay at the top, the early child moved under its parent, the
  // orphan stays at the top, the file row made no node.
  EXPECT_EQ(Shape(), "Disk A(Docs(Letters)) Disk B(Late parent(Early)) Orphan");
  EXPECT_EQ(tree_->DBNodes()->Count(), 7);
  ExpectIndexExact();
  EXPECT_EQ(Node(3)->Text(), "Letters");
  EXPECT_EQ(Node(5), nullptr);
  EXPECT_EQ(Node(6)->ImageIndex(), -1);  // a null image index
  EXPECT_EQ(Node(8)->ImageIndex(), 2);
  EXPECT_TRUE(Node(2)->ParentValue == Variant(1));
  EXPECT_EQ(Node(1)->ListText(), "Disk A");
}

TEST_F(slDBTree, FindKeyIndexGivesThePositionForEveryCount) {
  struct Case {
    std::vector<int> keys;
    Variant key;
    Integer index;
    bool found;
  };
  std::vector<int> odd;
  for (int k = 99; k >= 1; k -= 2) odd.push_back(k);  // arriving in descending order
  const std::vector<Case> cases = {
      {{}, 4, -1, false},
      {{3}, 1, -1, false},
      {{3}, 3, 0, true},
      {{3}, 5, 1, false},
      {{3, 1}, 0, -1, false},
      {{3, 1}, 1, 0, true},
      {{3, 1}, 2, 1, false},
      {{3, 1}, 3, 1, true},
      {{3, 1}, 4, 2, false},
      {{5, 1, 3}, 4, 2, false},
      {{5, 1, 3}, 5, 2, true},
      {{5, 1, 3}, 6, 3, false},
      {odd, 50, 25, false},
      {odd, 51, 25, true},
      {odd, 1, 0, true},
      {odd, 99, 49, true},
      {odd, Null(), -1, false},
      // Keys of other kinds than the nodes' integers compare by value.
      {{5, 1, 3}, Variant(Int64{3}), 1, true},
      {{5, 1, 3}, Variant(5.0), 2, true},
      {{5, 1, 3}, Variant(4.5), 2, false},
      {{5, 1, 3}, Variant(0.5), -1, false},
  };
  for (const Case& c : cases) {
    TslDBTreeView tree(owner_.get());
    TArrayDataSet ds;
    TDataSource source(nullptr);
    std::vector<Row> rows;
    for (int k : c.keys) rows.push_back({k, Null(), "n"});
    BindLoose(tree, ds, source, ftInteger, rows);
    ASSERT_EQ(tree.DBNodes()->Count(), static_cast<Integer>(c.keys.size()));
    Integer index = 7;
    EXPECT_EQ(tree.DBNodes()->FindKeyIndex(c.key, index), c.found)
        << c.keys.size() << " keys, key " << VarToStr(c.key);
    EXPECT_EQ(index, c.index) << c.keys.size() << " keys, key " << VarToStr(c.key);
    for (Integer i = 0; i < tree.DBNodes()->Count(); ++i)
      EXPECT_EQ(tree.DBNodes()->Node(i)->SortIndex(), i);
    tree.SetDataSource(nullptr);
  }
}

TEST_F(slDBTree, SearchesFromAnyStartingPlaceAgreeWithTheWholeSearch) {
  // Odd keys 1..99 arriving in descending order, then 200 and 300 above them.
  TslDBTreeView tree(owner_.get());
  TArrayDataSet ds;
  TDataSource source(nullptr);
  std::vector<Row> rows;
  for (int k = 99; k >= 1; k -= 2) rows.push_back({k, Null(), "n"});
  rows.push_back({200, Null(), "n"});
  rows.push_back({300, Null(), "n"});
  BindLoose(tree, ds, source, ftInteger, rows);
  TslDBTreeNodes* index = tree.DBNodes();
  ASSERT_EQ(index->Count(), 52);
  for (int key = -1; key <= 301; ++key) {
    Integer whole = 7;
    const bool found = index->FindKeyIndex(key, whole);
    // Every starting place, and places outside the index, give the same answer.
    for (Integer near : {-5, -1, 0, 1, 2, 17, 25, 49, 50, 51, 52, 1000}) {
      Integer at = 7;
      EXPECT_EQ(index->FindKeyIndexNear(key, near, at), found) << key << " from " << near;
      EXPECT_EQ(at, whole) << key << " from " << near;
      EXPECT_EQ(index->FindNodeNear(key, near), found ? index->Node(whole) : nullptr);
    }
    // The whole search's own answers: found exactly at the odd keys.
    EXPECT_EQ(found, (key > 0 && key < 100 && key % 2 == 1) || key == 200 || key == 300) << key;
  }
  tree.SetDataSource(nullptr);
}

TEST_F(slDBTree, KeysOutOfOrderAfterAnAscendingRunAreIndexedInPlace) {
  // A long ascending run (each key last), then keys that fall in between,
  // below all, and one equal to a key already held (its node is refreshed,
  // not doubled).
  std::vector<Row> rows;
  for (int k = 10; k <= 400; k += 10) rows.push_back({k, k == 10 ? 10 : k - 10, "n"});
  for (int k : {205, 5, 395, 15, 405, 200}) rows.push_back({k, 10, "m"});
  Open(rows);
  ExpectIndexExact();
  EXPECT_EQ(tree_->DBNodes()->Count(), 45);
  for (int k : {5, 10, 15, 200, 205, 395, 400, 405}) {
    ASSERT_NE(Node(k), nullptr) << k;
    EXPECT_TRUE(Node(k)->KeyValue() == Variant(k)) << k;
  }
  EXPECT_EQ(Node(200)->Text(), "m");  // the later record of key 200 refreshed its node
  EXPECT_EQ(Node(200)->Parent(), Node(10));
  // Each record found its parent, near or far from its own place.
  EXPECT_EQ(Node(400)->Parent(), Node(390));
  EXPECT_EQ(Node(205)->Parent(), Node(10));
  EXPECT_EQ(Node(5)->Parent(), Node(10));
  // A rebuild walks the same records again and finds every node in place.
  tree_->RebuildTree();
  ExpectIndexExact();
  EXPECT_EQ(tree_->DBNodes()->Count(), 45);
  EXPECT_EQ(Node(405)->Parent(), Node(10));
}

TEST_F(slDBTree, TextKeysAreFoundByValueAfterEveryChange) {
  TslDBTreeView tree(owner_.get());
  TArrayDataSet ds;
  TDataSource source(nullptr);
  std::vector<Row> rows;
  for (const char* k : {"m", "c", "x", "a", "q"}) rows.push_back({k, "m", String("n") + k});
  BindLoose(tree, ds, source, ftString, rows);
  EXPECT_EQ(TreeShape(&tree), "nm(nc nx na nq)");
  const auto expectFound = [&](const std::vector<const char*>& keys) {
    for (const char* k : keys) {
      TslDBTreeNode* node = tree.DBNodes()->FindNode(k);
      ASSERT_NE(node, nullptr) << k;
      EXPECT_EQ(node->Text(), String("n") + k);
    }
  };
  expectFound({"a", "c", "m", "q", "x"});
  EXPECT_EQ(tree.DBNodes()->FindNode("b"), nullptr);
  ASSERT_TRUE(ds.Locate("id", "c", {}));
  ds.Delete();
  expectFound({"a", "m", "q", "x"});
  EXPECT_EQ(tree.DBNodes()->FindNode("c"), nullptr);
  ds.AppendRecord({"b", "a", "nb"});
  expectFound({"a", "b", "m", "q", "x"});
  for (Integer i = 0; i < tree.DBNodes()->Count(); ++i)
    EXPECT_EQ(tree.DBNodes()->Node(i)->SortIndex(), i);
  tree.SetDataSource(nullptr);
}

TEST_F(slDBTree, KeyFieldsOfEveryKindBuildTheSameTree) {
  // The plain integer field is read without a variant; its descendants and
  // other kinds through the field's own variant: all alike.
  for (TFieldType type : {ftInteger, ftSmallint, ftWord, ftAutoInc, ftLargeint, ftFloat}) {
    TslDBTreeView tree(owner_.get());
    TArrayDataSet ds;
    TDataSource source(nullptr);
    BindLoose(tree, ds, source, type,
              {{1, 1, "a"}, {Null(), 1, "file"}, {3, 1, "c"}, {2, 3, "b"}, {Null(), 2, "file"}});
    EXPECT_EQ(TreeShape(&tree), "a(c(b))") << type;
    ASSERT_EQ(tree.DBNodes()->Count(), 3) << type;
    for (int key : {1, 2, 3}) {
      TslDBTreeNode* node = tree.DBNodes()->FindNode(key);
      ASSERT_NE(node, nullptr) << type << " " << key;
      ASSERT_TRUE(ds.Locate("id", key, {}));
      // The key as the field itself gives it, of the same variant type.
      const Variant own = ds.FieldByName("id")->AsVariant();
      EXPECT_EQ(node->KeyValue().Type(), own.Type()) << type;
      EXPECT_TRUE(KeyEqual(node->KeyValue(), own)) << type;
    }
    tree.SetDataSource(nullptr);
  }
}

TEST_F(slDBTree, ImageNumbersOfEveryNumericKindTakeNullAsNoImage) {
  for (TFieldType type : {ftInteger, ftSmallint, ftWord, ftFloat}) {
    TslDBTreeView tree(owner_.get());
    TArrayDataSet ds;
    TDataSource source(nullptr);
    BindLoose(tree, ds, source, ftInteger,
              {{1, Null(), "a", 3}, {2, 1, "b", Null()}, {3, 1, "c", 0}}, type);
    ASSERT_EQ(tree.DBNodes()->Count(), 3) << type;
    EXPECT_EQ(tree.DBNodes()->FindNode(1)->ImageIndex(), 3) << type;
    EXPECT_EQ(tree.DBNodes()->FindNode(2)->ImageIndex(), -1) << type;
    EXPECT_EQ(tree.DBNodes()->FindNode(3)->ImageIndex(), 0) << type;
    // An edit of the current record's image follows on its node.
    ASSERT_TRUE(ds.Locate("id", 2, {}));
    ds.Edit();
    ds.FieldByName("ImIndex")->SetAsInteger(5);
    EXPECT_EQ(tree.DBNodes()->FindNode(2)->ImageIndex(), 5) << type;
    ds.FieldByName("ImIndex")->Clear();
    EXPECT_EQ(tree.DBNodes()->FindNode(2)->ImageIndex(), -1) << type;
    ds.Cancel();
    tree.SetDataSource(nullptr);
  }
}

TEST_F(slDBTree, ParentLoopsNeitherHangNorMakeACycle) {
  // Rows in reading order; the node whose move would close the loop stays
  // at the top level.
  const std::vector<std::tuple<std::vector<Row>, String>> cases = {
      {{{1, 2, "A"}, {2, 1, "B"}}, "A(B)"},
      {{{1, 3, "A"}, {2, 1, "B"}, {3, 2, "C"}}, "A(B(C))"},
      {{{3, 2, "C"}, {1, 3, "A"}, {2, 1, "B"}}, "C(A(B))"},
  };
  for (const auto& [rows, shape] : cases) {
    TearDownTable();
    Open(rows);
    EXPECT_EQ(Shape(), shape);
    tree_->RebuildTree();  // a rebuild leaves the loop as it was
    EXPECT_EQ(Shape(), shape);
  }
}

TEST_F(slDBTree, ARebuildKeepsExpansionAndSelectionAndDropsDeletedRecords) {
  Open(kCatalogue);
  Node(1)->SetExpanded(true);
  Node(4)->SetExpanded(true);
  ASSERT_TRUE(ds_->Locate("id", 7, {}));
  EXPECT_EQ(tree_->Selected(), Node(7));
  TslDBTreeNode* docs = Node(2);

  ASSERT_TRUE(ds_->Locate("id", 3, {}));
  ds_->Delete();  // the table tells the tree, which rebuilds
  ds_->AppendRecord({9, 4, "Music", 3});
  EXPECT_EQ(Shape(), "Disk A(Docs) Disk B(Late parent(Early) Music) Orphan");
  EXPECT_EQ(Node(2), docs);  // refreshed in place, not made anew
  EXPECT_TRUE(Node(1)->Expanded());
  EXPECT_TRUE(Node(4)->Expanded());
  EXPECT_EQ(tree_->Selected(), Node(9));  // the appended record is current
  EXPECT_EQ(Node(3), nullptr);
  EXPECT_EQ(ds_->RowCount(), 8);  // one deleted, one appended, no other went
  ExpectIndexExact();
}

TEST_F(slDBTree, ARebuildFollowsParentValuesAndKeysChangedUnseen) {
  Open(kCatalogue);
  const auto edit = [&](int key, const char* field, int value) {
    ASSERT_TRUE(ds_->Locate("id", key, {}));
    ds_->Edit();
    ds_->FieldByName(field)->SetAsInteger(value);
    ds_->Post();
  };
  ds_->DisableControls();
  edit(3, "idparent", 4);  // Letters leaves Docs for Disk B
  edit(7, "id", 70);       // Late parent's key changes: Early's parent 7 is gone
  edit(8, "idparent", 2);  // the orphan finds a parent
  ds_->EnableControls();   // one rebuild
  // As a build from nothing gives it: a node whose present parent no longer
  // holds its record's parent value does not stay under it.
  EXPECT_EQ(Shape(), "Disk A(Docs(Orphan)) Disk B(Letters Late parent) Early");
  EXPECT_EQ(Node(7), nullptr);
  ASSERT_NE(Node(70), nullptr);
  EXPECT_EQ(Node(70)->Parent(), Node(4));
  ExpectIndexExact();
  // The index's own shortcut: a parent is answered only for the key it holds.
  TslDBTreeNodes* index = tree_->DBNodes();
  EXPECT_EQ(index->ParentNodeOfKey(Node(3), 4), Node(4));
  EXPECT_EQ(index->ParentNodeOfKey(Node(3), 2), nullptr);
  EXPECT_EQ(index->ParentNodeOfKey(Node(3), Null()), nullptr);
  EXPECT_EQ(index->ParentNodeOfKey(Node(1), 1), nullptr);  // a top-level node
}

TEST_F(slDBTree, ARebuildAfterAppendsShowsAndSelectsTheLastAppendedNode) {
  Open(kCatalogue);
  ASSERT_TRUE(ds_->Locate("id", 2, {}));
  ASSERT_EQ(tree_->Selected(), Node(2));
  ds_->DisableControls();
  for (int k = 100; k < 110; ++k) ds_->AppendRecord({k, k == 100 ? 2 : k - 1, "Chain", 1});
  ds_->EnableControls();
  ASSERT_NE(Node(109), nullptr);
  EXPECT_EQ(tree_->Selected(), Node(109));
  EXPECT_TRUE(Node(109)->IsVisible());
  for (TTreeNode* n = Node(109)->Parent(); n; n = n->Parent()) EXPECT_TRUE(n->Expanded());
  EXPECT_EQ(Node(100)->Parent(), Node(2));
  ExpectIndexExact();
}

TEST_F(slDBTree, ChildrenOfADeletedFolderStayInTheTree) {
  Open(kCatalogue);
  ASSERT_TRUE(ds_->Locate("id", 2, {}));
  ds_->Delete();
  EXPECT_EQ(Shape(), "Disk A Disk B(Late parent(Early)) Orphan Letters");
  ASSERT_NE(Node(3), nullptr);
  EXPECT_EQ(Node(2), nullptr);
  ExpectIndexExact();
  // A deleted subtree goes whole.
  ASSERT_TRUE(ds_->Locate("id", 6, {}));
  ds_->Delete();
  ASSERT_TRUE(ds_->Locate("id", 7, {}));
  ds_->Delete();
  EXPECT_EQ(Shape(), "Disk A Disk B Orphan Letters");
  ExpectIndexExact();
}

TEST_F(slDBTree, SelectionAndTheTableFollowEachOther) {
  Open(kCatalogue);
  ASSERT_TRUE(ds_->Locate("id", 6, {}));
  EXPECT_EQ(tree_->Selected(), Node(6));
  EXPECT_TRUE(Node(7)->Expanded());  // made visible

  tree_->SetSelected(Node(3));
  EXPECT_EQ(ds_->FieldByName("id")->AsInteger(), 3);

  ds_->DisableControls();
  ASSERT_TRUE(ds_->Locate("id", 8, {}));
  EXPECT_EQ(tree_->Selected(), Node(3));  // silenced
  ds_->EnableControls();
  EXPECT_EQ(tree_->Selected(), Node(8));

  ASSERT_TRUE(ds_->Locate("Dirname", "file.txt", {}));
  EXPECT_EQ(tree_->Selected(), Node(8));  // a file row leaves the selection
}

TEST_F(slDBTree, MovingTheTableReadsNoRecordAgain) {
  Open(kCatalogue);
  int refreshed = 0;
  tree_->OnRefreshNode = [&](TObject*, TslDBTreeNode*) { ++refreshed; };
  ASSERT_TRUE(ds_->Locate("id", 7, {}));
  TBookmark late = ds_->GetBookmark();
  ASSERT_TRUE(ds_->Locate("id", 2, {}));
  EXPECT_EQ(tree_->Selected(), Node(2));
  ds_->GotoBookmark(late);
  ds_->FreeBookmark(late);
  EXPECT_EQ(tree_->Selected(), Node(7));
  EXPECT_EQ(refreshed, 0);

  // A change of the records still rebuilds.
  ds_->Edit();
  ds_->FieldByName("Dirname")->SetAsString("Later");
  ds_->Post();
  EXPECT_EQ(refreshed, 7);
  EXPECT_EQ(Node(7)->Text(), "Later");
}

// Children of one parent stand together, as loading on demand needs.
const std::vector<Row> kFolders = {{1, 0, "A"},   {2, 0, "B"},   {7, 0, "C"},  {3, 1, "A1"},
                                   {4, 1, "A2"},  {5, 3, "A1x"}, {6, 2, "B1"}, {Null(), 3, "file"},
                                   {8, 5, "A1y"}, {9, 8, "deep"}};

TEST_F(slDBTree, LoadingOnDemandGivesTheTreeOfAFullBuild) {
  Open(kFolders);
  tree_->FullExpand();
  const String full = Shape();
  ASSERT_EQ(full, "A(A1(A1x(A1y(deep))) A2) B(B1) C");

  TearDownTable();
  OpenSmart(kFolders);
  EXPECT_EQ(Shape(), "A B C");  // only the top-level records are read
  EXPECT_EQ(tree_->DBNodes()->Count(), 3);
  EXPECT_TRUE(Node(1)->HasChildren());
  EXPECT_FALSE(Node(7)->HasChildren());  // no child record
  Node(1)->Expand(false);
  EXPECT_TRUE(Node(1)->ChildrenLoaded());
  EXPECT_EQ(Shape(), "A(A1 A2) B C");
  tree_->FullExpand();
  EXPECT_EQ(Shape(), full);
  ExpectIndexExact();

  // Without the check every node offers to expand.
  TearDownTable();
  OpenSmart(kFolders, {trSmartRecordLoad});
  EXPECT_TRUE(Node(7)->HasChildren());
}

TEST_F(slDBTree, CollapsingDropsTheLoadedChildrenAndNoRecord) {
  OpenSmart(kFolders);
  Node(1)->Expand(false);
  Node(3)->Expand(false);
  ASSERT_EQ(Shape(), "A(A1(A1x) A2) B C");
  Node(1)->Collapse(false);
  EXPECT_EQ(Shape(), "A B C");
  EXPECT_FALSE(Node(1)->ChildrenLoaded());
  EXPECT_TRUE(Node(1)->HasChildren());  // the button stays
  EXPECT_EQ(Node(3), nullptr);
  EXPECT_EQ(ds_->RowCount(), 10);
  ExpectIndexExact();
  Node(1)->Expand(false);
  EXPECT_EQ(Shape(), "A(A1 A2) B C");
}

TEST_F(slDBTree, FollowingTheTableReadsTheMissingAncestors) {
  OpenSmart(kFolders);
  ASSERT_TRUE(ds_->Locate("id", 9, {}));
  ASSERT_NE(Node(9), nullptr);
  EXPECT_EQ(tree_->Selected(), Node(9));
  EXPECT_TRUE(Node(9)->IsVisible());
  EXPECT_EQ(Shape(), "A(A1(A1x(A1y(deep))) A2) B C");
  EXPECT_EQ(ds_->FieldByName("id")->AsInteger(), 9);  // the table stays on it
  ExpectIndexExact();
}

TEST_F(slDBTree, AnAncestorLoopEndsTheWalk) {
  // 10 and 11 are each other's parents; 12 hangs under 11. None reaches a
  // top-level record.
  OpenSmart({{1, 0, "Top"}, {10, 11, "L10"}, {12, 11, "L12"}, {11, 10, "L11"}});
  ASSERT_TRUE(ds_->Locate("id", 12, {}));
  ASSERT_NE(Node(12), nullptr);
  EXPECT_EQ(tree_->Selected(), Node(12));
  EXPECT_EQ(Shape(), "Top L11(L10 L12)");
  EXPECT_FALSE(tree_->Busy());
}

TEST_F(slDBTree, ANewRootValueReadsOtherTopLevelRecords) {
  OpenSmart(kFolders);
  Node(1)->Expand(false);
  tree_->SetRootValue(3);
  EXPECT_EQ(Shape(), "A1x");
  EXPECT_EQ(tree_->DBNodes()->Count(), 1);
  EXPECT_TRUE(Node(5)->HasChildren());
  // Without loading on demand the value only waits for the next build.
  TearDownTable();
  Open(kFolders);
  tree_->SetRootValue(3);
  EXPECT_EQ(tree_->DBNodes()->Count(), 9);
}

TEST_F(slDBTree, SelectingWhileEditingPostsThroughTheEditedNode) {
  Open(kCatalogue);
  ASSERT_TRUE(ds_->Locate("id", 3, {}));
  ds_->Edit();
  ds_->FieldByName("Dirname")->SetAsString("Mail");
  TTreeNode* selectedAtPost = nullptr;
  ds_->BeforePost = [&](TDataSet*) { selectedAtPost = tree_->Selected(); };
  tree_->SetSelected(Node(8));
  EXPECT_EQ(selectedAtPost, Node(3));
  EXPECT_EQ(tree_->Selected(), Node(8));
  EXPECT_EQ(ds_->State(), dsBrowse);
  EXPECT_EQ(ds_->FieldByName("id")->AsInteger(), 8);
  ASSERT_TRUE(ds_->Locate("id", 3, {}));
  EXPECT_EQ(ds_->FieldByName("Dirname")->AsString(), "Mail");
  EXPECT_EQ(Node(3)->Text(), "Mail");
}

// Counts the label editor's messages.
class TEditorWatchingTree : public TslDBTreeView {
 public:
  using TslDBTreeView::Editor;
  using TslDBTreeView::TslDBTreeView;
  int Seen = 0;

 protected:
  LRESULT EditorWndProc(HWND editor, UINT msg, WPARAM wParam, LPARAM lParam) override {
    ++Seen;
    return TslDBTreeView::EditorWndProc(editor, msg, wParam, lParam);
  }
};

TEST_F(slDBTree, TheLabelEditorPassesThroughTheTree) {
  delete tree_;
  auto* tree = new TEditorWatchingTree(owner_.get());
  tree_ = tree;
  tree_->SetParent(form_);
  tree_->SetBounds(5, 5, 240, 200);
  Open(kCatalogue);
  ASSERT_TRUE(Node(1)->EditText());
  const HWND editor = TreeView_GetEditControl(tree_->Handle());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(tree->Editor(), editor);
  const int before = tree->Seen;
  SetWindowText(editor, "Disk Z");
  EXPECT_GT(tree->Seen, before);
  EXPECT_EQ(GetWindowText(editor), "Disk Z");  // handed on to the editor
  Node(1)->EndEdit(true);
  EXPECT_EQ(tree->Editor(), nullptr);
  EXPECT_FALSE(IsWindow(editor));
}

TEST_F(slDBTree, EditingTheParentFieldMovesTheNode) {
  Open(kCatalogue);
  ASSERT_TRUE(ds_->Locate("id", 3, {}));
  ds_->Edit();
  ds_->FieldByName("idparent")->SetAsInteger(4);
  EXPECT_EQ(Node(3)->Parent(), Node(4));
  ds_->FieldByName("idparent")->SetAsInteger(77);  // no record has it
  EXPECT_EQ(Node(3)->Parent(), nullptr);
  ds_->FieldByName("Dirname")->SetAsString("Mail");
  EXPECT_EQ(Node(3)->Text(), "Mail");
  ds_->FieldByName("ImIndex")->Clear();
  EXPECT_EQ(Node(3)->ImageIndex(), -1);
  ds_->Post();
  EXPECT_EQ(Shape(), "Disk A(Docs) Disk B(Late parent(Early)) Orphan Mail");

  // Under its own descendant it would make a loop: it stays.
  ASSERT_TRUE(ds_->Locate("id", 1, {}));
  ds_->Edit();
  ds_->FieldByName("idparent")->SetAsInteger(2);
  EXPECT_EQ(Node(1)->Parent(), nullptr);
  ds_->Cancel();
}

TEST_F(slDBTree, AFailedPostOfAParentEditLeavesTheTreeListening) {
  Open(kCatalogue);
  tree_->SetOptions({trCanDBNavigate, trSmartRecordLoad});
  bool fail = true;
  ds_->BeforePost = [&](TDataSet*) {
    if (fail) throw EDatabaseError("refused");
  };
  ASSERT_TRUE(ds_->Locate("id", 3, {}));
  ds_->Edit();
  EXPECT_THROW(ds_->FieldByName("idparent")->SetAsInteger(4), EDatabaseError);
  ds_->Cancel();
  fail = false;
  ASSERT_TRUE(ds_->Locate("id", 3, {}));
  ds_->Edit();
  ds_->FieldByName("idparent")->SetAsInteger(4);
  EXPECT_EQ(Node(3)->Parent(), Node(4));
  EXPECT_FALSE(tree_->Busy());
}

TEST_F(slDBTree, AnInsertedRecordGetsASelectedNode) {
  Open(kCatalogue);
  TslDBTreeNode* added = nullptr;
  tree_->OnAddNewItem = [&](TObject*, TslDBTreeNode*& node) { added = node; };
  ds_->Append();
  ds_->FieldByName("idparent")->SetAsInteger(2);
  ds_->FieldByName("Dirname")->SetAsString("New");
  ds_->FieldByName("id")->SetAsInteger(20);
  ASSERT_NE(Node(20), nullptr);
  EXPECT_EQ(Node(20)->Parent(), Node(2));
  EXPECT_EQ(tree_->Selected(), Node(20));
  EXPECT_EQ(added, Node(20));
  ds_->Post();
  EXPECT_EQ(Node(20)->Parent(), Node(2));
  ExpectIndexExact();
}

TEST_F(slDBTree, AMoveThroughThePlaceholderLeavesTheIndexAlone) {
  Open(kCatalogue);
  int asked = 0;
  tree_->OnCreateNewKeyValue = [&](TObject*, Variant& key) {
    ++asked;
    key = 100;
  };
  Node(8)->MoveTo(Node(4), naAddChild);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(tree_->DBNodes()->Count(), 7);
  EXPECT_EQ(tree_->DBNodes()->FindNode(100), nullptr);
  EXPECT_EQ(Node(8)->Parent(), Node(4));
  ExpectIndexExact();
}

// Counts the questions for an item's parent the tree's window is asked.
class TParentCountingTree : public TslDBTreeView {
 public:
  using TslDBTreeView::TslDBTreeView;
  int ParentsAsked = 0;
  void Dispatch(TMessage& message) override {
    if (message.Msg == TVM_GETNEXTITEM && message.WParam == TVGN_PARENT) ++ParentsAsked;
    TslDBTreeView::Dispatch(message);
  }
};

TEST_F(slDBTree, EveryNodeKnowsItsParentAfterMovesOfEveryKind) {
  Open(kCatalogue);
  const auto expectKnown = [&](const char* after) {
    for (Integer i = 0; i < tree_->DBNodes()->Count(); ++i) {
      TslDBTreeNode* node = tree_->DBNodes()->Node(i);
      // The parent the node keeps is the one the window's item has.
      const TTreeNode* parent = node->Parent();
      EXPECT_EQ(parent ? parent->ItemId() : nullptr,
                TreeView_GetNextItem(tree_->Handle(), node->ItemId(), TVGN_PARENT))
          << after << ": " << node->Text();
    }
  };
  expectKnown("the build");
  Node(3)->MoveTo(Node(4), naAddChild);  // through the placeholder
  expectKnown("a move under a node");
  Node(7)->MoveTo(Node(2), naAdd);  // beside a node, with its child
  expectKnown("a move beside a node");
  Node(8)->MoveTo(Node(6), naInsert);
  expectKnown("an insert before a node");
  Node(2)->MoveTo(nullptr, naAddFirst);
  expectKnown("a move to the top");
  // The moves were written to the records: a rebuild finds the same tree.
  const String moved = "Docs Disk A(Late parent(Orphan Early)) Disk B(Letters)";
  EXPECT_EQ(Shape(), moved);
  tree_->RebuildTree();
  EXPECT_EQ(Shape(), moved);
  expectKnown("the rebuild");
  ASSERT_TRUE(ds_->Locate("id", 3, {}));
  ds_->Edit();
  ds_->FieldByName("idparent")->SetAsInteger(7);
  ds_->Post();
  EXPECT_EQ(Node(3)->Parent(), Node(7));
  expectKnown("an edit of the parent field");
  ASSERT_TRUE(ds_->Locate("id", 7, {}));
  ds_->Delete();  // its children move to the top level
  EXPECT_EQ(Shape(), "Docs Disk A Disk B Letters Early Orphan");
  expectKnown("a deleted parent record");
}

TEST_F(slDBTree, ARebuildOfAnUnchangedTreeAsksTheWindowForNoParent) {
  delete tree_;
  auto* tree = new TParentCountingTree(owner_.get());
  tree_ = tree;
  tree_->SetParent(form_);
  Open(kCatalogue);
  tree->ParentsAsked = 0;
  tree_->RebuildTree();
  EXPECT_EQ(tree->ParentsAsked, 0);
  EXPECT_EQ(Shape(), "Disk A(Docs(Letters)) Disk B(Late parent(Early)) Orphan");
  // Nor does a rebuild that drops a folder and keeps its child.
  ASSERT_TRUE(ds_->Locate("id", 2, {}));
  ds_->Delete();
  EXPECT_EQ(tree->ParentsAsked, 0);
  EXPECT_EQ(Shape(), "Disk A Disk B(Late parent(Early)) Orphan Letters");
}

TEST_F(slDBTree, AnUnboundTreeStillMakesPlainNodes) {
  tree_->HandleNeeded();
  TTreeNode* node = tree_->Items()->Add(nullptr, "loose");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(dynamic_cast<TslDBTreeNode*>(node), nullptr);
  EXPECT_EQ(tree_->DBNodes()->Count(), 0);
}

TEST_F(slDBTree, DisplayFieldsJoinWithTheSeparator) {
  Open(kCatalogue);
  EXPECT_EQ(Node(2)->ListText(), "Docs");  // the caption itself
  tree_->SetDisplayField("Dirname;id");
  EXPECT_EQ(Node(2)->Text(), "Docs - 2");
  EXPECT_EQ(Node(2)->ListText(), "Docs");  // kept apart from the caption now
  tree_->SetSeparatedSt("/");
  EXPECT_EQ(Node(2)->Text(), "Docs/2");
  tree_->SetDisplayField("Dirname");
  EXPECT_EQ(Node(2)->Text(), "Docs");
  tree_->OnSetDisplayItemText = [](TObject*, String& text) { text = "[" + text + "]"; };
  tree_->RebuildTree();
  EXPECT_EQ(Node(2)->Text(), "[Docs]");
  EXPECT_EQ(Node(2)->ListText(), "Docs");
  // Without display fields nor event the list text follows the caption again.
  tree_->OnSetDisplayItemText = nullptr;
  tree_->SetDisplayField("");
  EXPECT_EQ(Node(2)->Text(), "Docs");
  EXPECT_EQ(Node(2)->ListText(), "Docs");
}

TEST_F(slDBTree, ANodeKeepsTheTreesFontOfItsMakingUntilGivenAnAppearanceOfItsOwn) {
  tree_->Font()->SetName("Arial");
  tree_->Font()->SetColor(clNavy);
  Open(kCatalogue);
  TslDBTreeNode* plain = Node(2);
  TslDBTreeNode* own = Node(3);
  EXPECT_EQ(plain->Color(), clWindow);
  EXPECT_EQ(plain->FontName(), "Arial");
  EXPECT_EQ(plain->FontColor(), clNavy);
  own->SetFontStyle(TFontStyles{fsBold});
  own->SetColor(clYellow);
  // Nodes made before the tree's font changes keep the font they were made
  // with, whether they have an appearance of their own yet or not.
  tree_->Font()->SetName("Courier New");
  tree_->Font()->SetStyle(TFontStyles{fsItalic});
  EXPECT_EQ(own->FontName(), "Arial");
  EXPECT_EQ(own->FontColor(), clNavy);
  EXPECT_EQ(own->FontStyle(), TFontStyles{fsBold});
  EXPECT_EQ(own->Color(), clYellow);
  EXPECT_EQ(plain->FontName(), "Arial");
  EXPECT_EQ(plain->FontStyle(), TFontStyles{});
  plain->SetColor(clRed);
  EXPECT_EQ(plain->FontName(), "Arial");
  // A node made afterwards takes the font as it is then.
  ds_->AppendRecord({9, 4, "Music", 3});
  EXPECT_EQ(Node(9)->FontName(), "Courier New");
  EXPECT_EQ(Node(9)->FontStyle(), TFontStyles{fsItalic});
  EXPECT_EQ(Node(9)->Color(), clWindow);
}

TEST_F(slDBTree, BindingChecksTheFields) {
  Open(kCatalogue);
  tree_->SetImageIndexField("Dirname");  // not numeric: ignored
  EXPECT_EQ(tree_->DBNodes()->Count(), 7);
  EXPECT_THROW(tree_->SetParentField("nothere"), Exception);
  EXPECT_EQ(tree_->ParentFieldObject(), nullptr);
}

TEST_F(slDBTree, StoredPropertiesBindTheTree) {
  DeclareslDBTreeProperties();
  for (const Row& r : kCatalogue) ds_->AddRow(r);
  ds_->Open();
  tree_->HandleNeeded();
  EXPECT_EQ(GetOrdProp(tree_, "Options"), 0b110111);
  EXPECT_EQ(GetStrProp(tree_, "SeparatedSt"), " - ");
  EXPECT_EQ(GetOrdProp(tree_, "RaiseOnError"), 1);
  SetStrProp(tree_, "KeyField", "id");
  SetStrProp(tree_, "ParentField", "idparent");
  SetStrProp(tree_, "ListField", "Dirname");
  SetOrdProp(tree_, "Options", 0b110100);  // the catalogue's: navigate, smart copy, check children
  EXPECT_EQ(tree_->DeleteOptions(), TslDeleteOptions{});
  tree_->SetDataSource(source_);
  EXPECT_EQ(Shape(), "Disk A(Docs(Letters)) Disk B(Late parent(Early)) Orphan");
  EXPECT_EQ(GetStrProp(tree_, "KeyField"), "id");
}

TEST_F(slDBTree, RootValueTakesTheKeyTypeOrBecomesNull) {
  Open(kCatalogue);
  tree_->SetRootValue("7");  // stored as given while Null
  EXPECT_EQ(VarType(tree_->RootValue()), varString);
  tree_->SetKeyField("");
  tree_->SetKeyField("id");  // binding converts it to the key's type
  EXPECT_EQ(VarType(tree_->RootValue()), varInteger);
  tree_->SetRootValue("12");
  EXPECT_TRUE(tree_->RootValue() == Variant(12));
  tree_->SetRootValue("twelve");  // cannot take the integer type
  EXPECT_TRUE(VarIsNull(tree_->RootValue()));
}

TEST_F(slDBTree, TheBuiltTreeLooksRight) {
  Open(kCatalogue);
  tree_->FullExpand();
  tree_->SetSelected(Node(2));
  Application->ProcessMessages();
  const TSurface shot = CaptureWindow(tree_->Handle());
  // Without the focus the selected node keeps a frame in the font colour.
  const RECT r = Node(2)->DisplayRect(true);
  EXPECT_EQ(shot.Row(r.top)[r.left + 2], shot.Row(r.bottom - 1)[r.left + 2]);
  EXPECT_NE(shot.Row(r.top)[r.left + 2], shot.Row(r.top)[r.right + 4]);
  EXPECT_TRUE(MatchesReference(shot, "../../ui/reference/dbtree.png", 8, 20));
}

// Searches that start near the answer: runs of keys given one after another
// (where a key's place follows from its distance in value), gaps of every
// width between them, and 64-bit keys whose differences overflow.
TEST_F(slDBTree, SearchesFromAnyPlaceAgreeOverRunsGapsAndExtremeKeys) {
  struct Case {
    const char* name;
    TFieldType type;
    std::vector<Int64> keys;
  };
  std::vector<Int64> runs;
  for (Int64 k = 1; k <= 40; ++k) runs.push_back(k);         // dense
  for (Int64 k = 45; k <= 60; ++k) runs.push_back(k);        // after a gap of 4
  for (Int64 k = 100; k <= 400; k += 37) runs.push_back(k);  // sparse
  for (Int64 k = 1000; k <= 1010; ++k) runs.push_back(k);    // dense again
  const Int64 lo = std::numeric_limits<Int64>::min(), hi = std::numeric_limits<Int64>::max();
  const std::vector<Case> cases = {
      {"runs and gaps", ftInteger, runs},
      {"extremes", ftLargeint, {lo, lo + 1, lo + 2, -5, 0, 1, 2, 3, hi - 2, hi - 1, hi}},
  };
  for (const Case& c : cases) {
    TslDBTreeView tree(owner_.get());
    TArrayDataSet ds;
    TDataSource source(nullptr);
    std::vector<Row> rows;
    for (Int64 k : c.keys)
      rows.push_back(
          {c.type == ftLargeint ? Variant(k) : Variant(static_cast<Integer>(k)), Null(), "n"});
    BindLoose(tree, ds, source, c.type, rows);
    TslDBTreeNodes* index = tree.DBNodes();
    ASSERT_EQ(index->Count(), static_cast<Integer>(c.keys.size())) << c.name;
    // Every key, its neighbours, and values in each gap and beyond both ends.
    std::vector<Int64> probes;
    for (Int64 k : c.keys)
      for (Int64 d : {-2, -1, 0, 1, 2})
        if ((d < 0 && k >= lo - d) || (d > 0 && k <= hi - d) || d == 0) probes.push_back(k + d);
    const Integer count = index->Count();
    for (Int64 key : probes) {
      const Variant v = c.type == ftLargeint ? Variant(key) : Variant(static_cast<Integer>(key));
      Integer whole = 7;
      const bool found = index->FindKeyIndex(v, whole);
      EXPECT_EQ(found, std::find(c.keys.begin(), c.keys.end(), key) != c.keys.end())
          << c.name << " " << key;
      for (Integer near = -1; near <= count + 1; ++near) {
        Integer at = 7;
        EXPECT_EQ(index->FindKeyIndexNear(v, near, at), found)
            << c.name << " " << key << " from " << near;
        EXPECT_EQ(at, whole) << c.name << " " << key << " from " << near;
        at = 7;
        EXPECT_EQ(index->FindIntKeyIndexNear(key, near, at), found)
            << c.name << " " << key << " as a number from " << near;
        EXPECT_EQ(at, whole) << c.name << " " << key << " as a number from " << near;
      }
    }
    tree.SetDataSource(nullptr);
  }
}

// Each node's parent value is what the record's parent field gives, of
// its type, after a build and after a rebuild that changed some unseen.
TEST_F(slDBTree, ParentValuesFollowTheFieldOfEveryKindThroughRebuilds) {
  for (TFieldType type : {ftInteger, ftSmallint, ftLargeint}) {
    TslDBTreeView tree(owner_.get());
    TArrayDataSet ds;
    TDataSource source(nullptr);
    BindLoose(tree, ds, source, type,
              {{1, 1, "a"}, {2, 1, "b"}, {3, Null(), "c"}, {4, 2, "d"}, {5, 4, "e"}});
    const auto expectParentsAsTheFieldGives = [&](const char* when) {
      for (int key = 1; key <= 5; ++key) {
        ASSERT_TRUE(ds.Locate("id", key, {})) << key;
        const Variant own = ds.FieldByName("idparent")->AsVariant();
        const TslDBTreeNode* node = tree.DBNodes()->FindNode(key);
        ASSERT_NE(node, nullptr) << type << " " << key;
        EXPECT_EQ(node->ParentValue.Type(), own.Type()) << type << " " << key << " " << when;
        if (!own.IsNull()) {
          EXPECT_EQ(node->ParentValue.AsInt64(), own.AsInt64())
              << type << " " << key << " " << when;
        }
      }
    };
    expectParentsAsTheFieldGives("after the build");
    EXPECT_EQ(TreeShape(&tree), "a(b(d(e))) c") << type;
    const auto setParent = [&](int key, const Variant& parent) {
      ASSERT_TRUE(ds.Locate("id", key, {}));
      ds.Edit();
      ds.FieldByName("idparent")->SetAsVariant(parent);
      ds.Post();
    };
    ds.DisableControls();
    setParent(4, 3);       // another parent
    setParent(3, 1);       // from Null to a parent
    setParent(5, Null());  // from a parent to Null
    ds.EnableControls();   // one rebuild
    expectParentsAsTheFieldGives("after the rebuild");
    EXPECT_EQ(TreeShape(&tree), "a(b c(d)) e") << type;
    tree.SetDataSource(nullptr);
  }
}

}  // namespace
