// ui/slDBTree.h
//
// TslDBTreeView: a drag-and-drop tree (TCustomslTreeView) whose nodes mirror
// the records of one dataset reached through a TDataSource. Every record with
// a non-null key is one node, hung under the node whose key equals the
// record's parent value, or at the top level. The tree builds itself from the
// dataset in full (every record is read), keeps its nodes in step on a
// rebuild (nodes are refreshed in place, so expansion and selection survive;
// nodes whose records went are removed), follows the dataset's current record
// and moves it when the user selects a node.
//
// The node index (TslDBTreeNodes) keeps the keyed nodes sorted by key, so a
// lookup is a binary search; each node's SortIndex is its position there.
// Keys arriving in ascending order are appended without renumbering anything.
//
// Damaged parent chains (A under B, B under A) cannot make a cycle of nodes:
// a node is never moved under itself or its own descendant; it stays where it
// is instead.
//
// The tree knows only the dataset model (TDataSet, TField, TDataLink).
// Threads: GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/Variant.h"
#include "ui/slTree.h"

class TIntegerField;
class TslDBTreeView;
class TslDBTreeNodes;

enum TslDBTreeViewOption {
  trDBCanDelete,
  trDBConfirmDelete,
  trCanDBNavigate,
  trSmartRecordLoad,
  trSmartRecordCopy,
  trCheckHasChildren
};
using TslDBTreeViewOptions = Set<TslDBTreeViewOption>;
enum TslDBTreeViewAction { trDBInsert, trDBDelete, trDBChangeText, trDBChangeParent, trDBMove };

class TslDBTreeNode;
using TAddNewDBTreeNodeEvent = std::function<void(TObject* Sender, TslDBTreeNode*& DBTreeNode)>;
using TCreateNewKeyValue = std::function<void(TObject* Sender, Variant& NewKeyValue)>;
using TSetDisplayItemText = std::function<void(TObject* Sender, String& DisplayText)>;
using TslDBTreeViewActionEvent =
    std::function<void(TObject* Sender, TslDBTreeNode* DBNode1, TslDBTreeNode* DBNode2,
                       TslDBTreeViewAction Action, bool& Automatic)>;
using TDBTreeRefreshNodeEvent = std::function<void(TObject* Sender, TslDBTreeNode* DBTreeNode)>;

// The dataset's own locate (exact, case-sensitive with empty options).
bool DataSetLocate(TDataSet* dataSet, const String& keyFields, const Variant& keyValues,
                   TLocateOptions options);

// Key comparisons of the index: a comparison that raises (Null against a
// number, text that is no number) answers false.
bool KeyEqual(const Variant& a, const Variant& b);
bool KeyGreater(const Variant& a, const Variant& b);
bool KeyGreaterOrEqual(const Variant& a, const Variant& b);

// How a node drawn in its own appearance looks; the defaults are the
// window colour and the tree's font.
struct TslDBTreeNodeAppearance {
  TColor Color = clWindow;
  TColor FontColor = clWindowText;
  TFontStyles FontStyle;
  String FontName;
};

class TslDBTreeNode : public TslTreeNode {
  ZORVET_CLASS_NAME(TslDBTreeNode)

 public:
  // `index` nullptr: a node outside the index (a placeholder of a move).
  TslDBTreeNode(TTreeNodes* owner, TslDBTreeNodes* index, Variant&& key);
  ~TslDBTreeNode() override;

  const Variant& KeyValue() const { return key_value_; }
  // Moves the node to the key's place in the index.
  void SetKeyValue(const Variant& value);
  Variant ParentValue;
  // With smart loading: whether the child records have been read. True
  // reads them (not recursively); False frees the child nodes and keeps
  // the expand button as it was.
  bool ChildrenLoaded() const { return children_loaded_; }
  void SetChildrenLoaded(bool value);
  bool IsNew = false;
  bool Refreshed = false;
  bool UseOwnAppearance = false;
  // The node's position in the index; -1 outside it.
  Integer SortIndex() const { return sort_index_; }
  // The list field's text of the node's record. Without display fields
  // and caption event the tree keeps none apart: it is the caption itself.
  const String& ListText() const { return list_text_ ? *list_text_ : Text(); }
  void SetListText(String value);

  // The appearance drawn with UseOwnAppearance. Few nodes have one: until
  // one is set the node has none of its own and answers the window colour
  // and the tree's font as it is now.
  TColor Color() const;
  void SetColor(TColor value) { OwnAppearance().Color = value; }
  TColor FontColor() const;
  void SetFontColor(TColor value) { OwnAppearance().FontColor = value; }
  TFontStyles FontStyle() const;
  void SetFontStyle(TFontStyles value) { OwnAppearance().FontStyle = value; }
  String FontName() const;
  void SetFontName(const String& value) { OwnAppearance().FontName = value; }

  // Moves made through the drag tree's placeholder child: the placeholder
  // is made outside the index.
  void MoveTo(TTreeNode* destination, TNodeAttachMode mode) override;

 private:
  friend class TslDBTreeNodes;
  friend class TslDBTreeView;
  // Takes the key, noting whether it is an integer (the index keeps those
  // as numbers for its searches).
  void AssignKey(const Variant& key);
  // The node's own appearance, made from the defaults on first use.
  TslDBTreeNodeAppearance& OwnAppearance();
  // The key as a number; only for integer keys.
  Int64 IntKey() const { return key_value_.AsInt64(); }

  // Members ordered and kept few: a tree of a million records makes a
  // hundred thousand nodes, and each byte of a node is fresh memory the
  // system clears.
  TslDBTreeNodes* index_;
  Variant key_value_;
  std::unique_ptr<String> list_text_;
  std::unique_ptr<TslDBTreeNodeAppearance> appearance_;
  Integer sort_index_ = -1;
  bool has_int_key_ = false;
  bool children_loaded_ = false;
};

class TslDBTreeNodes {
 public:
  explicit TslDBTreeNodes(TslDBTreeView* tree) : tree_(tree) {}
  ~TslDBTreeNodes();
  TslDBTreeNodes(const TslDBTreeNodes&) = delete;
  TslDBTreeNodes& operator=(const TslDBTreeNodes&) = delete;

  TslDBTreeView* Tree() const { return tree_; }
  Integer Count() const { return static_cast<Integer>(list_.size()); }
  TslDBTreeNode* Node(Integer index) const { return list_[static_cast<std::size_t>(index)]; }
  // True with the node's position when found; otherwise Index is where the
  // key would go: -1 for an empty index, a Null key or a key below the
  // first, Count for a key above the last.
  bool FindKeyIndex(const Variant& key, Integer& index) const;
  TslDBTreeNode* FindNode(const Variant& key) const;
  // The same answers, searching outward from position `near` first: a key
  // a few places from there (the next record of a walk in key order, the
  // parent made shortly before its child) costs a few comparisons of
  // numbers already in cache instead of a search over the whole index.
  // Any `near` gives the right answer; a far one only costs more.
  bool FindKeyIndexNear(const Variant& key, Integer near, Integer& index) const;
  TslDBTreeNode* FindNodeNear(const Variant& key, Integer near) const;
  // FindKeyIndexNear for an integer key given as a number (no variant made).
  bool FindIntKeyIndexNear(Int64 key, Integer near, Integer& index) const;

  // The node's parent when it is the indexed node of `key` (what
  // FindNode(key) would find, without a search); nullptr otherwise.
  TslDBTreeNode* ParentNodeOfKey(const TslDBTreeNode* node, const Variant& key) const;

  // Enters the node at its key's place; false (and the node stays out) for
  // a Null key or a key another node already has.
  bool Insert(TslDBTreeNode* node);
  // Takes the node out by its position and renumbers the nodes after it.
  void Remove(TslDBTreeNode* node);
  // Forgets every node (they stay in the tree, outside the index).
  void Clear();
  // Asks the memory for the node at `position`, if there is one, before it
  // is needed: a rebuild reads the nodes in this order, each a cache miss.
  void Prefetch(Integer position) const;

  // Moves each refreshed top-level node under the node its parent value
  // names, unless that is itself or one of its descendants.
  void ReparentTopLevelNodes();
  // Frees every node not refreshed by the last build, with its subtree;
  // refreshed nodes below one that goes move to the top level first.
  void PruneUnrefreshedNodes();
  // The node's record took `value` as its parent value: the node moves
  // under the node of that key, or to the top level when none has it (or
  // the move would put it under itself or its descendant).
  void ReparentNode(TslDBTreeNode* node, const Variant& value);

  Integer OwnAppearanceCount = 0;
  bool Destroying() const { return destroying_; }

 private:
  // The position of an integer key among the integer keys (every key one):
  // the first whose number is not below it, found by galloping from `near`
  // (past the end: from the last; below 0: a plain binary search).
  Integer IntKeyPosition(Int64 key, Integer near) const;

  TslDBTreeView* tree_;
  std::vector<TslDBTreeNode*> list_;
  // Each node's key as a number (0 for other keys), in step with list_,
  // and how many keys are not numbers: while none is, a search runs over
  // these numbers alone.
  std::vector<Int64> int_keys_;
  Integer other_keys_ = 0;
  bool destroying_ = false;
  // While pruning, removed nodes leave holes closed (and renumbered) once.
  bool batch_ = false;
};

// The tree's data link: a visual link, so DisableControls silences it.
class TDataLinkTreeView : public TDataLink {
  ZORVET_CLASS_NAME(TDataLinkTreeView)

 public:
  explicit TDataLinkTreeView(TslDBTreeView* tree);
  TslDBTreeView* Tree() const { return tree_; }
  void Detach() { tree_ = nullptr; }

 protected:
  void DataEvent(TDataEvent event, std::intptr_t info) override;
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(Integer distance) override;
  void RecordChanged(TField* field) override;

 private:
  friend class TslDBTreeView;
  TslDBTreeView* tree_;
  String filter_;
  bool filtered_ = false;
  // The change being told only moved the cursor.
  bool moved_only_ = false;
};

class TslDBTreeView : public TCustomslTreeView {
  ZORVET_CLASS_NAME(TslDBTreeView)

 public:
  explicit TslDBTreeView(TComponent* owner);
  ~TslDBTreeView() override;

  TDataSource* DataSource() const { return link_->DataSource(); }
  void SetDataSource(TDataSource* value);
  TDataSet* DataSet() const { return link_->DataSet(); }
  const String& KeyField() const { return key_field_name_; }
  void SetKeyField(const String& value) { SetFieldName(key_field_name_, value); }
  const String& ParentField() const { return parent_field_name_; }
  void SetParentField(const String& value) { SetFieldName(parent_field_name_, value); }
  const String& ListField() const { return list_field_name_; }
  void SetListField(const String& value) { SetFieldName(list_field_name_, value); }
  const String& DisplayField() const { return display_field_name_; }
  void SetDisplayField(const String& value) { SetFieldName(display_field_name_, value); }
  const String& ImageIndexField() const { return image_field_name_; }
  void SetImageIndexField(const String& value) { SetFieldName(image_field_name_, value); }
  const String& StateIndexField() const { return state_field_name_; }
  void SetStateIndexField(const String& value) { SetFieldName(state_field_name_, value); }
  const Variant& RootValue() const { return root_value_; }
  void SetRootValue(const Variant& value);
  const String& SeparatedSt() const { return separated_st_; }
  void SetSeparatedSt(const String& value);
  TslDBTreeViewOptions Options() const { return options_; }
  void SetOptions(TslDBTreeViewOptions value);
  bool RaiseOnError() const { return raise_on_error_; }
  void SetRaiseOnError(bool value) { raise_on_error_ = value; }

  TslDBTreeNodes* DBNodes() const { return index_.get(); }
  TDataLinkTreeView* DataLink() const { return link_.get(); }
  bool Busy() const { return busy_; }

  // The bound fields (nullptr when unbound).
  TField* KeyFieldObject() const { return key_field_; }
  TField* ParentFieldObject() const { return parent_field_; }
  TField* ListFieldObject() const { return list_field_; }

  // Binds the fields by name again and rebuilds the tree (its window existing).
  void RebindAndRebuild();
  // Rebuilds from every record, keeping the nodes whose records remain.
  void RebuildTree();
  // The caption of the current record.
  String NodeText();
  // Makes or refreshes the node of the current record; nullptr for a Null key.
  TslDBTreeNode* NodeFromCurrentRecord();
  // Selects the node of the dataset's current record (with trCanDBNavigate).
  void SyncToCurrentRecord();
  // Makes the node with the key visible and selects it. With smart loading
  // a key without a node has its record's missing ancestors read first.
  void SelectNodeForKey(const Variant& key);
  // With smart loading: reads the child records of `node` that have no node
  // yet (with `recursive`, theirs too) and shows the expand button exactly
  // when a child record exists.
  void LoadChildren(TslDBTreeNode* node, bool recursive);
  // While a collapse drops a node's children (no record goes with them).
  bool Collapsing() const { return collapsing_; }
  // After the dataset changed: binds again and rebuilds, unless the tree
  // moved the dataset itself or a record is being edited.
  void RefreshFromDataSet();
  // The node whose key is the key field's current value.
  TslDBTreeNode* NodeOfCurrentRecord();
  // A field of the record being edited changed: the selected node follows
  // its caption, images and parent.
  void RecordEdited(TField* field);
  // A field of the record being inserted changed: its node is made and selected.
  void RecordInserted();

  // Writing changes of the nodes into the dataset (each asks DoDBAction
  // first). A node made by the application gets its record appended; false
  // when that failed (the node's item is gone then).
  bool InsertRecordForNode(TslDBTreeNode* node, TslDBTreeNode* parentNode);
  // A moved node's record takes its new parent value (parentNode nullptr:
  // the top level). A node whose record cannot be found raises and
  // changes nothing.
  void MoveRecordForNode(TslDBTreeNode* node, TslDBTreeNode* parentNode);
  // Deletes the record of `key`, when the tree may delete records now.
  void DeleteRecordForKey(const Variant& key);

  static bool IsNumericField(const TField* field);

  TAddNewDBTreeNodeEvent OnAddNewItem;
  TCreateNewKeyValue OnCreateNewKeyValue;
  TSetDisplayItemText OnSetDisplayItemText;
  TNotifyEvent OnInsertNodeError;
  TslDBTreeViewActionEvent OnDBAction;
  TDBTreeRefreshNodeEvent OnRefreshNode;

  void Notification(TComponent* component, TOperation operation) override;
  void Dispatch(TMessage& message) override;
  // Frames the selected node's text in the font colour, so that the
  // selection stays visible while another control has the focus.
  void DrawSelectionFrame();

 protected:
  TTreeNode* CreateNode() override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void CreateHandle() override;
  String GetNodeText(TTreeNode* node) override;
  bool IsCustomDraw() override;
  void DoCustomDraw(TTreeNode* node, TFont* font, TColor& color, TColor& bkColor) override;
  void Change(TTreeNode* node) override;
  bool CanExpand(TTreeNode* node) override;
  void Collapse(TTreeNode* node) override;
  // Every message of the in-place label editor passes here while it is
  // open; the default hands it to the editor's own procedure.
  virtual LRESULT EditorWndProc(HWND editor, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND Editor() const { return editor_; }
  // The key of a node added by the application: OnCreateNewKeyValue's
  // answer to the largest key of the index (Null for none); without a
  // handler the key after it, past every key the dataset already holds.
  // Raises when no key follows (text keys, or a number too large to grow).
  virtual Variant NewKeyValue();
  // Asked before the tree changes the dataset; OnDBAction may refuse.
  virtual bool DoDBAction(TslDBTreeNode* node1, TslDBTreeNode* node2, TslDBTreeViewAction action);
  // Copies dropped into this tree get their records (and, on a copy with
  // trSmartRecordCopy, the other fields of their sources' records). False
  // when refused: the sources must then stay.
  bool NodeDropped(const std::vector<TTreeNode*>& sources, const std::vector<TTreeNode*>& copies,
                   bool isCopy) override;
  // With smart loading, a node being moved or copied reads its whole
  // subtree first, so that its descendants go with it.
  void CollectSubtree(TTreeNode* node, std::vector<TTreeNode*>& list) override;
  // The end of label editing.
  void Edit(const TVITEM& item) override;
  void CNNotify(TMessage& message) override;

 private:
  friend class TslDBTreeNode;
  friend class TslDBTreeNodes;
  friend class TDataLinkTreeView;

  void SetFieldName(String& name, const String& value);
  // The window colour and the tree's font as they are now.
  TslDBTreeNodeAppearance FontAppearance();
  // The tree's font changed: nodes made before keep the one they took.
  void KeepNodeFonts();
  // NodeFromCurrentRecord's work once the record's key is known not Null.
  TslDBTreeNode* NodeFromRecordKey(Variant key);
  // The same for an integer key read as a number: the variant is made here,
  // so that the test of a keyless row needs none.
  TslDBTreeNode* NodeFromIntegerKey(Integer key);
  // The current record's parent value, as AsVariant gives it.
  Variant RecordParentValue() const;
  // Where the index holds `key` (FindKeyIndexNear), by its number when it
  // is an integer.
  bool FindRecordKey(const Variant& key, Integer near, Integer& index) const;
  void BindFields();
  void ClearBindings();
  // Moves `node` under `parent` (nullptr: the top level) as its last child,
  // unless that would put it under itself or its own descendant.
  bool MoveNodeUnder(TslDBTreeNode* node, TslDBTreeNode* parent);
  // The smart build's reading: every loaded node's record again, then the
  // top-level records (those whose parent value is RootValue).
  void ReadLoadedRecords();
  // Locates the record whose `field` holds `value`, false when none does.
  bool LocateBy(TField* field, const Variant& value);
  // Whether the current record's parent value is `value` (both Null counts).
  bool ParentValueIs(const Variant& value) const;
  // Reads the missing ancestors of the record of `key` (the dataset
  // standing on it), each loading its children, so that `key` gets a node.
  void LoadAncestors(const Variant& key);
  void SubclassEditor(HWND editor);
  void ReleaseEditor();
  // The label editor shows the list field's text and takes no more than
  // its display width.
  void PrepareEditor(HWND editor);
  void BeginLabelEdit(TTreeNode* node);
  // The item messages that write to the dataset.
  void ItemInserted(TMessage& message);
  void ItemTextSet(const TMessage& message);
  void DeleteItemWithRecords(TMessage& message);
  // Asks and loads for the deletion of `node` and its subtree, and lists
  // the keys whose records go, descendants before their ancestors.
  void PlanDeletion(TslDBTreeNode* node, std::vector<Variant>& keys);
  bool DeletesRecords();
  // Writes an edited caption into the node's own record.
  void WriteCaption(TslDBTreeNode* node);
  // Raises unless the node's record exists, before a move writes to it.
  void RequireRecordFor(TslDBTreeNode* node);
  // The caption of `node` on the item it has or is just getting.
  void ShowCaption(TslDBTreeNode* node, const String& text);
  bool DataSetHoldsKey(const Variant& key);
  Variant LargestDataSetKey();
  void DataLinkActiveChanged();
  void DataLinkChanged();
  // Sizes the data link's ring of records after the node count.
  void SizeBufferRing();

  std::unique_ptr<TDataLinkTreeView> link_;
  std::unique_ptr<TslDBTreeNodes> index_;
  String key_field_name_, parent_field_name_, list_field_name_, display_field_name_;
  String image_field_name_, state_field_name_;
  TField* key_field_ = nullptr;
  TField* parent_field_ = nullptr;
  TField* list_field_ = nullptr;
  TField* image_field_ = nullptr;
  TField* state_field_ = nullptr;
  // The key and parent fields when they are plain integer fields, and the
  // image fields when they are integer fields of any width: read as numbers,
  // without a variant or a question about their class per record.
  const TIntegerField* key_integer_field_ = nullptr;
  const TIntegerField* parent_integer_field_ = nullptr;
  const TIntegerField* image_integer_field_ = nullptr;
  const TIntegerField* state_integer_field_ = nullptr;
  std::vector<TField*> display_fields_;
  Variant root_value_;
  String separated_st_ = " - ";
  TslDBTreeViewOptions options_;
  bool raise_on_error_ = true;
  bool busy_ = false;
  // While a node of this tree moves through the drag tree's placeholder.
  bool placeholder_ = false;
  bool collapsing_ = false;
  // While the build reads every record through the dataset's walk.
  bool reading_all_ = false;
  // While the node of the current record is being added, with its record's
  // key and image numbers (read once per record, not again for the node).
  bool adding_record_node_ = false;
  Variant* record_key_ = nullptr;
  Integer record_image_ = -1;
  Integer record_state_ = -1;
  // The tree's font as the nodes made so far took it: when the font
  // changes, the nodes without an appearance of their own keep this one.
  TslDBTreeNodeAppearance node_font_;
  // Where in the index the next record's key is looked for first: just
  // after the last record's node.
  Integer next_key_position_ = -1;
  // The label editor while subclassed, our procedure and its own.
  HWND editor_ = nullptr;
  WNDPROC editor_proc_ = nullptr;
  WNDPROC editor_previous_ = nullptr;
  // The node whose label editing began, until the editor is prepared.
  TTreeNode* editing_node_ = nullptr;
  // The begun label editing put the dataset into edit state.
  bool edit_started_ = false;
  // While the end of label editing sets the node's caption.
  bool ending_edit_ = false;
  // The item an insert message is giving its node (the node learns it
  // only after the message).
  TTreeNode* pending_node_ = nullptr;
  HTREEITEM pending_item_ = nullptr;
  // Set while CollectSubtree has read the subtree being collected.
  bool collecting_ = false;
};

// Declares TslDBTreeView's published properties (with TTreeView's).
void DeclareslDBTreeProperties();
