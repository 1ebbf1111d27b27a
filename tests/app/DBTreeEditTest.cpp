// The data-bound tree writing its nodes' changes into in-memory tables: a
// writable tree (ReadOnly off) over tables with a key, a parent and a text
// field.
#include <gtest/gtest.h>

#include "memtable/MemTable.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/data/BlobFields.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/Edit.h"
#include "platform/win/Input.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"
#include "tests/controls/DialogScript.h"
#include "tests/controls/TreeShape.h"
#include "ui/slDBTree.h"

namespace {

using Row = std::vector<Variant>;

// Disk A(Docs(Letters)) and Disk B, roots being their own parents.
const std::vector<Row> kRows = {
    {1, 1, "Disk A", "a"}, {2, 1, "Docs", Null()}, {3, 2, "Letters", "l"}, {4, 4, "Disk B", "b"}};

const TslDBTreeViewOptions kOptions{trCanDBNavigate, trSmartRecordCopy, trDBCanDelete};
const TslDBTreeViewOptions kSmart{trCanDBNavigate, trSmartRecordLoad};

class DBTreeEdit : public ::testing::Test {
 protected:
  DBTreeEdit() {
    InitializeModules({ControlsModule(), slTreeModule()});
    Remake();
  }
  ~DBTreeEdit() override {
    owner_.reset();
    FinalizeModules();
  }

  // id, idparent, Name and Note, with a blob when asked.
  TvomMemTable* MakeTable(TFieldType noteType = ftString, bool blob = false) {
    auto* table = new TvomMemTable(owner_.get());
    table->FieldDefs()->Add("id", ftInteger);
    table->FieldDefs()->Add("idparent", ftInteger);
    table->FieldDefs()->Add("Name", ftString, 20);
    table->FieldDefs()->Add("Note", noteType, noteType == ftString ? 20 : 0);
    if (blob) table->FieldDefs()->Add("Data", ftBlob);
    table->Open();
    return table;
  }

  // A fresh form with a tree over an empty table; a smart tree's top-level
  // rows have the parent 0.
  void Remake(TslDBTreeViewOptions options = kOptions) {
    owner_ = std::make_unique<TComponent>(nullptr);
    form_ = new TCustomForm(owner_.get());
    form_->SetBounds(100, 100, 520, 280);
    form_->Show();
    table_ = MakeTable();
    tree_ = MakeTree(table_, 5, "Name", options);
  }

  TslDBTreeView* MakeTree(TvomMemTable* table, int left, const String& listField = "Name",
                          TslDBTreeViewOptions options = kOptions) {
    auto* tree = new TslDBTreeView(owner_.get());
    tree->SetParent(form_);
    tree->SetBounds(left, 5, 240, 240);
    if (options.Contains(trSmartRecordLoad)) tree->SetRootValue(0);
    tree->SetOptions(options);
    tree->SetKeyField("id");
    tree->SetParentField("idparent");
    tree->SetListField(listField);
    auto* source = new TDataSource(owner_.get());
    source->SetDataSet(table);
    tree->HandleNeeded();
    tree->SetDataSource(source);
    return tree;
  }

  // Appends rows unseen by the tree (which would make nodes of inserted rows).
  static void Fill(TvomMemTable* table, const std::vector<Row>& rows) {
    table->DisableControls();
    for (const Row& r : rows) table->AppendRecord(r);
    table->First();
    table->EnableControls();
  }
  void Open(const std::vector<Row>& rows = kRows) {
    Fill(table_, rows);
    tree_->RebuildTree();
    if (!tree_->Options().Contains(trSmartRecordLoad)) tree_->FullExpand();
  }

  // The table's rows in its order as "id:parent:Name", leaving it where it stands.
  static String Rows(TvomMemTable* table) {
    table->DisableControls();
    TBookmark mark = table->GetBookmark();
    String s;
    for (table->First(); !table->Eof(); table->Next()) {
      if (!s.empty()) s += " ";
      s += VarToStr(table->FieldByName("id")->AsVariant()) + ":" +
           VarToStr(table->FieldByName("idparent")->AsVariant()) + ":" +
           table->FieldByName("Name")->AsString();
    }
    if (!mark.Empty()) table->GotoBookmark(mark);
    table->EnableControls();
    return s;
  }
  String Rows() const { return Rows(table_); }
  // A field of the record `key`, leaving the table where it stands.
  static Variant Value(TvomMemTable* table, int key, const String& field) {
    Variant v = table->Lookup("id", key, field);
    return v;
  }

  TslDBTreeNode* Node(int key, TslDBTreeView* tree = nullptr) const {
    return (tree ? tree : tree_)->DBNodes()->FindNode(key);
  }
  String Shape(TslDBTreeView* tree = nullptr) const { return TreeShape(tree ? tree : tree_); }
  Variant CurrentKey() const { return table_->FieldByName("id")->AsVariant(); }

  // Removes the record of `key` behind the tree's back (its controls off),
  // leaving the table on the record of `stay`.
  void LoseRecord(int key, int stay) {
    table_->DisableControls();
    ASSERT_TRUE(table_->Locate("id", key, {}));
    table_->Delete();
    ASSERT_TRUE(table_->Locate("id", stay, {}));
  }

  TWindowSystem system_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_;
  TvomMemTable* table_;
  TslDBTreeView* tree_;
};

// --- Inserting ---------------------------------------------------------------------

TEST_F(DBTreeEdit, NodesAddedToAnEmptyTreeGetKeysFromZeroAndRecords) {
  std::vector<TslDBTreeNode*> added;
  tree_->OnAddNewItem = [&](TObject* sender, TslDBTreeNode*& node) {
    EXPECT_EQ(sender, nullptr);
    added.push_back(node);
  };
  TTreeNode* first = tree_->Items()->Add(nullptr, "First");
  TTreeNode* second = tree_->Items()->AddChild(first, "Second");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first, Node(0));
  EXPECT_EQ(second, Node(1));
  EXPECT_FALSE(Node(0)->IsNew);
  // At the top level with RootValue Null a record is its own parent.
  EXPECT_EQ(Rows(), "0:0:First 1:0:Second");
  EXPECT_EQ(added, (std::vector<TslDBTreeNode*>{Node(0), Node(1)}));
  EXPECT_EQ(tree_->Selected(), second);
  EXPECT_EQ(table_->State(), dsBrowse);
  EXPECT_FALSE(tree_->Busy());

  // The handler is told the largest key and gives its own.
  Variant told;
  tree_->OnCreateNewKeyValue = [&](TObject*, Variant& key) {
    told = key;
    key = 100;
  };
  tree_->SetRootValue(-1);
  tree_->Items()->Add(nullptr, "");
  EXPECT_TRUE(told == Variant(1));
  ASSERT_NE(Node(100), nullptr);
  // A blank caption makes a blank text, not a null one.
  EXPECT_FALSE(VarIsNull(Value(table_, 100, "Name")));
}

TEST_F(DBTreeEdit, ARefusedInsertKeepsTheNodeWithoutARecord) {
  Open();
  tree_->OnDBAction = [](TObject*, TslDBTreeNode* node, TslDBTreeNode* parent,
                         TslDBTreeViewAction action, bool& automatic) {
    EXPECT_EQ(action, trDBInsert);
    EXPECT_TRUE(node->KeyValue() == Variant(5));
    EXPECT_TRUE(parent->KeyValue() == Variant(4));
    automatic = false;
  };
  ASSERT_NE(tree_->Items()->AddChild(Node(4), "Kept"), nullptr);
  EXPECT_EQ(Shape(), "Disk A(Docs(Letters)) Disk B(Kept)");
  EXPECT_EQ(table_->RecordCount(), 4);
}

TEST_F(DBTreeEdit, AFailedAppendLeavesNoRecordAndNoNode) {
  // RaiseOnError, a handler of the error, neither.
  struct Case {
    bool raise, handler;
  };
  for (const Case c : {Case{false, false}, Case{true, false}, Case{true, true}}) {
    SCOPED_TRACE(testing::Message() << "raise " << c.raise << " handler " << c.handler);
    Remake();
    Open();
    tree_->SetRaiseOnError(c.raise);
    int told = 0, shown = 0;
    if (c.handler)
      tree_->OnInsertNodeError = [&](TObject* sender) {
        EXPECT_EQ(sender, tree_);
        ++told;
      };
    Application->OnException = [&](TObject*, const std::exception&) { ++shown; };
    table_->BeforePost = [](TDataSet*) { throw EDatabaseError("no room"); };
    EXPECT_EQ(tree_->Items()->AddChild(Node(2), "Lost"), nullptr);
    EXPECT_EQ(table_->State(), dsBrowse);
    EXPECT_EQ(table_->RecordCount(), 4);
    EXPECT_EQ(Shape(), "Disk A(Docs(Letters)) Disk B");
    EXPECT_EQ(tree_->DBNodes()->Count(), 4);
    EXPECT_EQ(told, c.handler ? 1 : 0);
    EXPECT_EQ(shown, c.raise && !c.handler ? 1 : 0);
    EXPECT_FALSE(tree_->Busy());
    Application->OnException = nullptr;
    table_->BeforePost = nullptr;
    // The tree goes on working.
    ASSERT_NE(tree_->Items()->AddChild(Node(2), "Found"), nullptr);
    EXPECT_EQ(Value(table_, 5, "Name"), Variant("Found"));
  }
}

TEST_F(DBTreeEdit, NewKeysStepPastRecordsNotLoaded) {
  Remake(kSmart);
  // Only the top-level record 1 is loaded; 7 and 8 lie below it.
  Open({{1, 0, "Top", Null()}, {7, 1, "Below", Null()}, {8, 7, "Deeper", Null()}});
  ASSERT_EQ(tree_->DBNodes()->Count(), 1);
  tree_->Items()->Add(nullptr, "New");
  EXPECT_NE(Node(2), nullptr);  // 2 is free
  Fill(table_, {{3, 1, "Hidden", Null()}});
  ASSERT_EQ(Node(3), nullptr);
  tree_->Items()->Add(nullptr, "Newer");
  // 3 is taken by a record without a node: past every key the table holds.
  EXPECT_NE(Node(9), nullptr);
  EXPECT_EQ(Value(table_, 9, "Name"), Variant("Newer"));
}

TEST_F(DBTreeEdit, NoNewKeyFollowsTheLargestFloatOrAText) {
  auto* table = new TvomMemTable(owner_.get());
  table->FieldDefs()->Add("id", ftFloat);
  table->FieldDefs()->Add("idparent", ftFloat);
  table->FieldDefs()->Add("Name", ftString, 20);
  table->Open();
  table->AppendRecord({1e300, 1e300, "Huge"});
  TslDBTreeView* tree = MakeTree(table, 260);
  // 1e300 + 1 is 1e300 again: a key the table has.
  EXPECT_THROW(tree->Items()->Add(nullptr, "Clash"), EDatabaseError);
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_EQ(TreeShape(tree), "Huge");
}

// --- Renaming --------------------------------------------------------------------

TEST_F(DBTreeEdit, ARenamedNodeWritesItsOwnRecord) {
  Open();
  Node(2)->SetSelected(true);
  ASSERT_TRUE(CurrentKey() == Variant(2));
  // Not the current record's node: its own record takes the caption.
  Node(3)->SetText("Mail");
  EXPECT_EQ(Rows(), "1:1:Disk A 2:1:Docs 3:2:Mail 4:4:Disk B");
  EXPECT_TRUE(CurrentKey() == Variant(2));
  EXPECT_EQ(table_->State(), dsBrowse);

  bool refuse = true;
  tree_->OnDBAction = [&](TObject*, TslDBTreeNode* node, TslDBTreeNode* other,
                          TslDBTreeViewAction action, bool& automatic) {
    EXPECT_EQ(action, trDBChangeText);
    EXPECT_EQ(node, Node(2));
    EXPECT_EQ(other, nullptr);
    automatic = !refuse;
  };
  Node(2)->SetText("Papers");
  EXPECT_EQ(Value(table_, 2, "Name"), Variant("Docs"));
  EXPECT_EQ(Node(2)->Text(), "Papers");
  refuse = false;
  Node(2)->SetText("Files");
  EXPECT_EQ(Value(table_, 2, "Name"), Variant("Files"));

  // A read-only tree writes nothing.
  tree_->SetReadOnly(true);
  Node(2)->SetText("Nothing");
  EXPECT_EQ(Value(table_, 2, "Name"), Variant("Files"));
}

TEST_F(DBTreeEdit, LabelEditingWritesTheRecordOrLeavesItAlone) {
  Open();
  Node(3)->SetSelected(true);
  ASSERT_TRUE(Node(3)->EditText());
  EXPECT_EQ(table_->State(), dsEdit);
  HWND editor = TreeView_GetEditControl(tree_->Handle());
  ASSERT_NE(editor, nullptr);
  // The editor takes no more than the field's width.
  EXPECT_EQ(SendMessage(editor, EM_GETLIMITTEXT, 0, 0),
            table_->FieldByName("Name")->DisplayWidth());
  SetWindowText(editor, "Notes");
  Node(3)->EndEdit(false);
  EXPECT_EQ(table_->State(), dsBrowse);
  EXPECT_EQ(Value(table_, 3, "Name"), Variant("Notes"));
  EXPECT_EQ(Node(3)->Text(), "Notes");

  // Cancelled: nothing written, the table browsing again.
  ASSERT_TRUE(Node(3)->EditText());
  editor = TreeView_GetEditControl(tree_->Handle());
  SetWindowText(editor, "Junk");
  Node(3)->EndEdit(true);
  EXPECT_EQ(table_->State(), dsBrowse);
  EXPECT_EQ(Value(table_, 3, "Name"), Variant("Notes"));
}

TEST_F(DBTreeEdit, WithDisplayFieldsAnEditedCaptionStaysInTheEditedRecord) {
  Open();
  tree_->SetDisplayField("Name;Note");
  Node(3)->SetSelected(true);
  EXPECT_EQ(Node(3)->Text(), "Letters - l");
  ASSERT_TRUE(Node(3)->EditText());
  HWND editor = TreeView_GetEditControl(tree_->Handle());
  // The editor shows the list field alone.
  EXPECT_EQ(GetWindowText(editor), "Letters");
  SetWindowText(editor, "Post");
  Node(3)->EndEdit(false);
  EXPECT_EQ(table_->State(), dsEdit);
  EXPECT_EQ(table_->FieldByName("Name")->AsString(), "Post");
  EXPECT_EQ(Node(3)->Text(), "Post - l");
  table_->Post();
  EXPECT_EQ(Value(table_, 3, "Name"), Variant("Post"));
}

TEST_F(DBTreeEdit, TheEditorChecksTypedCharactersButNotControlKeys) {
  auto* table = new TvomMemTable(owner_.get());
  table->FieldDefs()->Add("id", ftInteger);
  table->FieldDefs()->Add("idparent", ftInteger);
  table->FieldDefs()->Add("Size", ftInteger);
  table->Open();
  table->AppendRecord({1, 1, 12});
  tree_ = MakeTree(table, 260, "Size");
  tree_->Items()->GetFirstNode()->SetSelected(true);
  ASSERT_TRUE(tree_->Items()->GetFirstNode()->EditText());
  const HWND editor = TreeView_GetEditControl(tree_->Handle());
  SendMessage(editor, EM_SETSEL, 2, 2);
  const int beeps = system_.BeepCount();
  SendMessage(editor, WM_CHAR, 'x', 0);  // no digit: refused with a beep
  EXPECT_EQ(GetWindowText(editor), "12");
  EXPECT_EQ(system_.BeepCount(), beeps + 1);
  SendMessage(editor, WM_CHAR, VK_BACK, 0);  // corrects the number
  EXPECT_EQ(GetWindowText(editor), "1");
  SendMessage(editor, WM_CHAR, '7', 0);
  EXPECT_EQ(GetWindowText(editor), "17");
  EXPECT_EQ(system_.BeepCount(), beeps + 1);
  tree_->Items()->GetFirstNode()->EndEdit(false);
  EXPECT_EQ(table->Lookup("id", 1, "Size"), Variant(17));

  // A read-only field takes nothing at all.
  table->FieldByName("Size")->SetReadOnly(true);
  ASSERT_TRUE(tree_->Items()->GetFirstNode()->EditText());
  const HWND again = TreeView_GetEditControl(tree_->Handle());
  SendMessage(again, WM_CHAR, '5', 0);
  EXPECT_EQ(GetWindowText(again), "17");
  tree_->Items()->GetFirstNode()->EndEdit(true);
}

// --- Moving ----------------------------------------------------------------------

TEST_F(DBTreeEdit, AMovedNodeWritesItsParent) {
  Open();
  Node(1)->SetSelected(true);
  Node(3)->MoveTo(Node(4), naAddChild);
  EXPECT_EQ(Shape(), "Disk A(Docs) Disk B(Letters)");
  EXPECT_EQ(Rows(), "1:1:Disk A 2:1:Docs 3:4:Letters 4:4:Disk B");
  EXPECT_TRUE(CurrentKey() == Variant(1));  // the table came back
  EXPECT_TRUE(Node(3)->ParentValue == Variant(4));
  // To the top level with RootValue Null: its own key.
  Node(2)->MoveTo(nullptr, naAdd);
  EXPECT_EQ(Value(table_, 2, "idparent"), Variant(2));
  EXPECT_EQ(Shape(), "Disk A Disk B(Letters) Docs");

  tree_->OnDBAction = [](TObject*, TslDBTreeNode*, TslDBTreeNode* parent,
                         TslDBTreeViewAction action, bool& automatic) {
    EXPECT_EQ(action, trDBChangeParent);
    EXPECT_EQ(parent, nullptr);
    automatic = false;
  };
  Node(3)->MoveTo(nullptr, naAdd);
  EXPECT_EQ(Value(table_, 3, "idparent"), Variant(4));
  tree_->OnDBAction = nullptr;
  tree_->RebuildTree();
  EXPECT_EQ(Shape(), "Disk A Disk B(Letters) Docs");
}

TEST_F(DBTreeEdit, WithSmartLoadingAMoveToTheTopTakesTheRootValue) {
  Remake(kSmart);
  Open({{1, 0, "A", Null()}, {2, 1, "B", Null()}});
  Node(1)->Expand(false);
  ASSERT_NE(Node(2), nullptr);
  Node(2)->MoveTo(nullptr, naAdd);
  EXPECT_EQ(Value(table_, 2, "idparent"), Variant(0));
}

TEST_F(DBTreeEdit, AMoveOfANodeWhoseRecordIsGoneChangesNothing) {
  Open();
  LoseRecord(3, 1);
  EXPECT_THROW(Node(3)->MoveTo(Node(4), naAddChild), EDatabaseError);
  EXPECT_EQ(Shape(), "Disk A(Docs(Letters)) Disk B");
  EXPECT_EQ(Rows(), "1:1:Disk A 2:1:Docs 4:4:Disk B");
  EXPECT_TRUE(CurrentKey() == Variant(1));
  // Nor is a caption written anywhere else.
  Application->OnException = [](TObject*, const std::exception&) {};
  Node(3)->SetText("Elsewhere");
  EXPECT_EQ(Rows(), "1:1:Disk A 2:1:Docs 4:4:Disk B");
  Application->OnException = nullptr;
  table_->EnableControls();
}

TEST_F(DBTreeEdit, DraggingANodeWithTheMouseMovesItsRecord) {
  Open();
  tree_->SetDragMode(dmAutomatic);
  const auto middle = [](TTreeNode* n) {
    const RECT r = n->DisplayRect(true);
    return n->TreeView()->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  };
  const POINT start = middle(Node(3));
  const POINT end = middle(Node(4));
  InjectMouseMove(start);
  InjectButtonDown(TInputButton::Left, start);
  InjectMouseMove(POINT{start.x + 10, start.y + 10});
  InjectMouseMove(end);
  InjectMouseMove(POINT{end.x + 1, end.y});
  Application->ProcessMessages();
  InjectButtonUp(TInputButton::Left, POINT{end.x + 1, end.y});
  Application->ProcessMessages();
  EXPECT_EQ(Shape(), "Disk A(Docs) Disk B(Letters)");
  EXPECT_EQ(Value(table_, 3, "idparent"), Variant(4));
}

// --- Copying ---------------------------------------------------------------------

TEST_F(DBTreeEdit, ACopyAppendsRecordsForTheWholeSubtree) {
  for (const bool smartCopy : {true, false}) {
    SCOPED_TRACE(smartCopy ? "smart copy" : "plain copy");
    Remake(smartCopy ? kOptions : TslDBTreeViewOptions{trCanDBNavigate});
    Open();
    std::vector<TslDBTreeNode*> added;
    tree_->OnAddNewItem = [&](TObject*, TslDBTreeNode*& node) { added.push_back(node); };
    TTreeNode* copy = tree_->DropDraggedNode(Node(2), Node(4), true);
    ASSERT_EQ(copy, Node(5));
    EXPECT_EQ(Shape(), "Disk A(Docs(Letters)) Disk B(Docs(Letters))");
    EXPECT_EQ(Rows(), "1:1:Disk A 2:1:Docs 3:2:Letters 4:4:Disk B 5:4:Docs 6:5:Letters");
    EXPECT_EQ(added, (std::vector<TslDBTreeNode*>{Node(5), Node(6)}));
    // A Null source field leaves the append's Null; other fields come along.
    EXPECT_TRUE(VarIsNull(Value(table_, 5, "Note")));
    EXPECT_TRUE(Value(table_, 6, "Note") == (smartCopy ? Variant("l") : Null()));
    EXPECT_TRUE(CurrentKey() == Variant(4));  // on the copy's parent
  }
}

TEST_F(DBTreeEdit, ACopyOfANodeWhoseRecordIsGoneChangesNothing) {
  Open();
  LoseRecord(3, 1);
  EXPECT_THROW(tree_->DropDraggedNode(Node(2), Node(4), true), EDatabaseError);
  EXPECT_EQ(Shape(), "Disk A(Docs(Letters)) Disk B");
  EXPECT_EQ(Rows(), "1:1:Disk A 2:1:Docs 4:4:Disk B");
  EXPECT_FALSE(tree_->Busy());
  table_->EnableControls();
}

TEST_F(DBTreeEdit, CopiedFieldsGoThroughTheirValues) {
  Open();
  struct Case {
    TFieldType type;
    Variant note;
    bool copies;
    Variant expected;
  };
  const std::vector<Case> cases = {
      {ftInteger, "42", true, 42},
      {ftInteger, "forty-two", false, Null()},
      {ftFloat, "2.5", true, 2.5},
  };
  int left = 260;
  for (const Case& c : cases) {
    SCOPED_TRACE(VarToStr(c.note));
    TvomMemTable* target = MakeTable(c.type);
    target->AppendRecord({10, 10, "Target", Null()});
    TslDBTreeView* other = MakeTree(target, left);
    ASSERT_TRUE(table_->Locate("id", 3, {}));
    table_->Edit();
    table_->FieldByName("Note")->AsVariant();
    table_->FieldByName("Note")->SetAsVariant(c.note);
    table_->Post();
    if (c.copies) {
      other->DropDraggedNode(Node(3), Node(10, other), true);
      EXPECT_TRUE(target->Lookup("id", 11, "Note") == c.expected);
      EXPECT_EQ(TreeShape(other), "Target(Letters)");
    } else {
      try {
        other->DropDraggedNode(Node(3), Node(10, other), true);
        ADD_FAILURE() << "the copy went through";
      } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().find("Note"), String::npos) << e.Message();
      }
      EXPECT_EQ(target->RecordCount(), 1);
      EXPECT_EQ(TreeShape(other), "Target");
    }
    EXPECT_EQ(table_->RecordCount(), 4);  // a copy: the source stays
    left += 10;
  }
}

TEST_F(DBTreeEdit, ASmartCopyCarriesTheBlobs) {
  TvomMemTable* source = MakeTable(ftString, true);
  source->AppendRecord({1, 1, "Pic", Null(), Null()});
  ASSERT_TRUE(source->Locate("id", 1, {}));
  source->Edit();
  const String bytes("\x89PNG\0\x01\x02", 7);
  static_cast<TBlobField*>(source->FieldByName("Data"))->SetAsBytes(bytes);
  source->Post();
  TslDBTreeView* from = MakeTree(source, 5);
  TvomMemTable* target = MakeTable(ftString, true);
  TslDBTreeView* to = MakeTree(target, 260);
  to->DropDraggedNode(Node(1, from), nullptr, true);
  ASSERT_EQ(target->RecordCount(), 1);
  ASSERT_TRUE(target->Locate("id", 0, {}));
  EXPECT_EQ(static_cast<TBlobField*>(target->FieldByName("Data"))->AsBytes(), bytes);
}

// --- Between two trees ----------------------------------------------------------

TEST_F(DBTreeEdit, AMoveBetweenTreesKeepsTheSourceUntilTheCopyIsWritten) {
  for (const bool refuse : {false, true}) {
    SCOPED_TRACE(refuse ? "refused" : "allowed");
    // The source loads on demand: Docs' subtree is not read yet.
    Remake({trCanDBNavigate, trSmartRecordLoad, trSmartRecordCopy});
    Open({{1, 0, "Docs", "d"}, {2, 1, "Letters", "l"}, {3, 2, "Old", "o"}});
    ASSERT_EQ(tree_->DBNodes()->Count(), 1);

    TvomMemTable* target = MakeTable();
    target->AppendRecord({10, 10, "Archive", Null()});
    TslDBTreeView* other = MakeTree(target, 260);
    other->OnDBAction = [&](TObject*, TslDBTreeNode* first, TslDBTreeNode* copy,
                            TslDBTreeViewAction action, bool& automatic) {
      EXPECT_EQ(action, trDBMove);
      EXPECT_EQ(first, Node(1));
      EXPECT_EQ(copy, Node(11, other));
      automatic = !refuse;
    };
    other->DropDraggedNode(Node(1), Node(10, other), false);
    EXPECT_EQ(TreeShape(other), "Archive(Docs(Letters(Old)))");
    if (refuse) {
      // Nothing was written over there: everything stays here.
      EXPECT_EQ(target->RecordCount(), 1);
      EXPECT_EQ(Rows(table_), "1:0:Docs 2:1:Letters 3:2:Old");
      EXPECT_NE(Node(1), nullptr);
    } else {
      EXPECT_EQ(Rows(target), "10:10:Archive 11:10:Docs 12:11:Letters 13:12:Old");
      EXPECT_TRUE(target->Lookup("id", 13, "Note") == Variant("o"));
      EXPECT_EQ(table_->RecordCount(), 0);
      EXPECT_EQ(Shape(), "");
    }
  }
}

// --- Deleting --------------------------------------------------------------------

TEST_F(DBTreeEdit, DeletingANodeDeletesItsSubtreesRecords) {
  Open();
  std::vector<int> asked;
  tree_->OnDBAction = [&](TObject*, TslDBTreeNode* node, TslDBTreeNode*, TslDBTreeViewAction action,
                          bool& automatic) {
    EXPECT_EQ(action, trDBDelete);
    asked.push_back(node->KeyValue().AsInteger());
    automatic = node->KeyValue().AsInteger() != 4;
  };
  Node(2)->Delete();
  EXPECT_EQ(asked, (std::vector<int>{2, 3}));
  EXPECT_EQ(Rows(), "1:1:Disk A 4:4:Disk B");
  // Refused: the node goes, the record stays and comes back.
  Node(4)->Delete();
  EXPECT_EQ(Shape(), "Disk A");
  EXPECT_EQ(table_->RecordCount(), 2);
  tree_->RebuildTree();
  EXPECT_EQ(Shape(), "Disk A Disk B");
}

TEST_F(DBTreeEdit, WithSmartLoadingADeletionReachesRecordsNotLoaded) {
  Remake(kSmart);
  Open({{1, 0, "A", Null()}, {2, 1, "B", Null()}, {3, 2, "C", Null()}, {4, 0, "D", Null()}});
  ASSERT_EQ(Node(2), nullptr);
  Node(1)->Delete();
  EXPECT_EQ(Rows(), "4:0:D");
  // A collapse drops loaded children without touching their records.
  Fill(table_, {{5, 4, "E", Null()}});
  Node(4)->Expand(false);
  ASSERT_NE(Node(5), nullptr);
  Node(4)->Collapse(false);
  EXPECT_EQ(Node(5), nullptr);
  EXPECT_EQ(Rows(), "4:0:D 5:4:E");
}

TEST_F(DBTreeEdit, TheDeleteKeyAsksFirst) {
  tree_->SetOptions({trCanDBNavigate, trDBCanDelete, trDBConfirmDelete});
  Open();
  tree_->SetFocus();
  Node(3)->SetSelected(true);
  {
    TDialogScript script;
    script.Expect("\"Letters\"", mrCancel);
    InjectKey(VK_DELETE);
    Application->ProcessMessages();
  }
  EXPECT_EQ(table_->RecordCount(), 4);
  {
    TDialogScript script;
    script.Expect("\"Letters\"", mrOk);
    InjectKey(VK_DELETE);
    Application->ProcessMessages();
  }
  EXPECT_EQ(Rows(), "1:1:Disk A 2:1:Docs 4:4:Disk B");
  EXPECT_EQ(Shape(), "Disk A(Docs) Disk B");
}

}  // namespace
