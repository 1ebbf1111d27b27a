// platform/controls/TreeView.h
//
// The tree classes over the tree-view window control (platform/win/TreeView.h):
//   TTreeNode       one item of the control; the item's lParam points back
//                   to it. Text and image numbers are kept in the node too,
//                   so that they survive the window being made anew.
//   TTreeNodes      the items of one tree: adding, deleting, walking.
//   TCustomTreeView the control; TTreeView publishes its properties.
//
// Every change of items goes to the control's window as a message
// (TVM_INSERTITEM, TVM_SETITEM, TVM_EXPAND, TVM_SELECTITEM, TVM_DELETEITEM),
// never around it: a descendant that watches those messages sees every
// change, whoever made it. Nodes exist while the window does; the window
// is made when the first node is added (the tree needs a parent then).
//
// Node objects are made by the node factory (CreateNode, overridable) and
// belong to their item: the item's deletion (TVN_DELETEITEM) frees the node
// after OnDeletion. MoveTo re-inserts the node's subtree at the destination
// (one TVM_INSERTITEM per node, in pre-order) and then deletes the old items
// with one TVM_DELETEITEM; the node objects stay the same.
//
// Overridable steps: CanChange/Change, CanExpand/Expand, CanCollapse/
// Collapse, CanEdit/Edit (the end of label editing), Delete (OnDeletion),
// the drag steps of TControl, KeyDown, SetFocus, CMDrag, CreateWnd,
// DestroyWnd, CreateHandle and CreateNode.
//
// Threads: GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/controls/Canvas.h"
#include "platform/controls/Drag.h"
#include "platform/controls/Form.h"
#include "platform/controls/ImageLists.h"
#include "platform/controls/WinControl.h"
#include "platform/rtl/Set.h"
#include "platform/win/TreeView.h"

class TCustomTreeView;
class TTreeNodes;

enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };
enum TSortType { stNone, stData, stText, stBoth };
enum THitTest {
  htAbove,
  htBelow,
  htNowhere,
  htOnItem,
  htOnButton,
  htOnIcon,
  htOnIndent,
  htOnLabel,
  htOnRight,
  htOnStateIcon,
  htToLeft,
  htToRight
};
using THitTests = Set<THitTest>;
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
enum TCustomDrawStateFlag {
  cdsSelected,
  cdsGrayed,
  cdsDisabled,
  cdsChecked,
  cdsFocused,
  cdsDefault,
  cdsHot,
  cdsMarked,
  cdsIndeterminate
};
using TCustomDrawState = Set<TCustomDrawStateFlag>;

class TTreeNode : public TPersistent {
  ZORVET_CLASS_NAME(TTreeNode)

 public:
  explicit TTreeNode(TTreeNodes* owner);
  // A node freed while its item exists deletes the item (and its subtree).
  ~TTreeNode() override;

  // Nodes, of this class and of descendants alike, come from blocks kept
  // per size and reused once freed: a tree of a hundred thousand folders
  // is built without a heap block per node. The blocks stay in the process.
  static void* operator new(std::size_t size);
  static void operator delete(void* memory, std::size_t size) noexcept;

  TTreeNodes* Owner() const { return owner_; }
  TCustomTreeView* TreeView() const;
  HTREEITEM ItemId() const { return item_; }
  HWND Handle() const;
  bool Deleting() const { return deleting_; }

  const String& Text() const { return text_; }
  void SetText(const String& value);
  void* Data() const { return data_; }
  void SetData(void* value) { data_ = value; }
  Integer ImageIndex() const { return image_index_; }
  void SetImageIndex(Integer value);
  Integer SelectedIndex() const { return selected_index_; }
  void SetSelectedIndex(Integer value);
  Integer StateIndex() const { return state_index_; }
  void SetStateIndex(Integer value);
  bool HasChildren() const;
  // Before the node has its item (in CreateNode), the flag waits for the
  // insertion and goes with it, as ImageIndex, SelectedIndex and
  // StateIndex do: one message makes the item whole.
  void SetHasChildren(bool value);
  bool Expanded() const;
  void SetExpanded(bool value);
  bool Selected() const;
  void SetSelected(bool value);
  bool Focused() const;
  void SetFocused(bool value);
  bool DropTarget() const;
  void SetDropTarget(bool value);
  bool IsVisible() const;

  Integer Level() const;
  TTreeNode* Parent() const;
  Integer Count() const;
  TTreeNode* Item(Integer index) const;
  Integer Index() const;
  // Position among all nodes in pre-order.
  Integer AbsoluteIndex() const;
  bool HasAsParent(const TTreeNode* node) const;

  TTreeNode* getFirstChild() const;
  TTreeNode* GetLastChild() const;
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;
  TTreeNode* GetNextChild(const TTreeNode* value) const {
    return value ? value->GetNextSibling() : nullptr;
  }
  TTreeNode* GetPrevChild(const TTreeNode* value) const {
    return value ? value->GetPrevSibling() : nullptr;
  }

  // Re-inserts the node with its subtree relative to `destination`
  // (nullptr: the top level). Moving a node under itself or one of its own
  // descendants raises EInvalidOperation and changes nothing.
  virtual void MoveTo(TTreeNode* destination, TNodeAttachMode mode);
  void Expand(bool recurse);
  void Collapse(bool recurse);
  void Delete();
  void DeleteChildren();
  // Starts label editing; false when refused.
  bool EditText();
  void EndEdit(bool cancel);
  void MakeVisible();
  RECT DisplayRect(bool textOnly) const;
  // Sorts the children by their texts (and theirs with recurse).
  bool AlphaSort(bool recurse = false);

  void Assign(const TPersistent* source) override;

 private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  TTreeNode* NodeOf(HTREEITEM item) const;
  HTREEITEM Next(UINT code) const;
  // Inserts the node's item (and its subtree's) under `parent` after
  // `after`; the node takes the new item.
  void InsertCopyOf(TTreeNode* parentNode, HTREEITEM parent, HTREEITEM after);
  void SendItem(UINT mask);
  void ExpandItem(bool expand);

  TTreeNodes* owner_;
  HTREEITEM item_ = nullptr;
  // The node of the item's parent item, kept at each insertion (items
  // change parents only by being inserted anew): Parent, Level and
  // HasAsParent then ask the window nothing.
  TTreeNode* parent_ = nullptr;
  String text_;
  void* data_ = nullptr;
  Integer image_index_ = -1;
  Integer selected_index_ = -1;
  Integer state_index_ = -1;
  bool deleting_ = false;
  // The children flag the node gave its item (or gives it at insertion);
  // reset when anyone else sets the item's flag.
  bool children_flag_ = false;
  // The owner's list of the nodes it holds (and frees).
  bool owned_ = false;
  TTreeNode* owned_prev_ = nullptr;
  TTreeNode* owned_next_ = nullptr;
};

class TTreeNodes : public TPersistent {
  ZORVET_CLASS_NAME(TTreeNodes)

 public:
  explicit TTreeNodes(TCustomTreeView* owner);
  ~TTreeNodes() override;

  TCustomTreeView* Owner() const { return owner_; }
  HWND Handle() const;
  Integer Count() const;
  // The index-th node in pre-order.
  TTreeNode* Item(Integer index) const;
  TTreeNode* GetFirstNode() const;
  TTreeNode* GetNode(HTREEITEM item) const;

  // Each makes a node with the node factory and inserts its item: Add as
  // the last sibling of `sibling` (the top level for nullptr), AddFirst as
  // its first, AddChild / AddChildFirst under `parent`, Insert before
  // `sibling`. nullptr when the factory made no node.
  TTreeNode* Add(TTreeNode* sibling, const String& s) { return AddObject(sibling, s, nullptr); }
  TTreeNode* AddObject(TTreeNode* sibling, const String& s, void* data);
  TTreeNode* AddFirst(TTreeNode* sibling, const String& s) {
    return AddObjectFirst(sibling, s, nullptr);
  }
  TTreeNode* AddObjectFirst(TTreeNode* sibling, const String& s, void* data);
  TTreeNode* AddChild(TTreeNode* parent, const String& s) {
    return AddChildObject(parent, s, nullptr);
  }
  TTreeNode* AddChildObject(TTreeNode* parent, const String& s, void* data);
  TTreeNode* AddChildFirst(TTreeNode* parent, const String& s) {
    return AddChildObjectFirst(parent, s, nullptr);
  }
  TTreeNode* AddChildObjectFirst(TTreeNode* parent, const String& s, void* data);
  TTreeNode* Insert(TTreeNode* sibling, const String& s) {
    return InsertObject(sibling, s, nullptr);
  }
  TTreeNode* InsertObject(TTreeNode* sibling, const String& s, void* data);
  // The general form: a node related to `relative` by `mode`.
  TTreeNode* AddNode(TTreeNode* relative, const String& s, void* data, TNodeAttachMode mode);

  void Delete(TTreeNode* node);
  void Clear();
  // Holds painting back (WM_SETREDRAW) until the last EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  Integer UpdateCount() const { return update_count_; }

  void Assign(const TPersistent* source) override;

 private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  // Where an item related to `relative` by `mode` goes.
  static void Placement(TTreeNode* relative, TNodeAttachMode mode, HWND tv, TTreeNode*& parentNode,
                        HTREEITEM& parent, HTREEITEM& after);
  // Inserts the node's item; the node takes `parentNode` as its parent.
  // `markParent`: the insert also sets the parent's children flag.
  HTREEITEM InsertItem(TTreeNode* node, TTreeNode* parentNode, HTREEITEM parent, HTREEITEM after,
                       bool markParent = false);
  // The item went: forget and free the node.
  void ItemDeleted(TTreeNode* node);
  // Whether the node is one this list holds.
  bool Owns(const TTreeNode* node) const { return node->owned_ && node->owner_ == this; }
  // Takes the node into the list / out of it (the caller frees it then).
  void Adopt(TTreeNode* node);
  std::unique_ptr<TTreeNode> Release(TTreeNode* node);
  // Frees every node quietly: their items are gone or going with the window.
  void FreeAll();

  TCustomTreeView* owner_;
  // The nodes are linked through themselves rather than kept in a table
  // keyed by address: a tree of a hundred thousand folders adds and frees
  // its nodes without hashing, and an item's lParam already leads to its
  // node.
  TTreeNode* first_owned_ = nullptr;
  Integer update_count_ = 0;
};

using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandingEvent =
    std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent =
    std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, String& S)>;
using TTVCustomDrawItemEvent = std::function<void(TCustomTreeView* Sender, TTreeNode* Node,
                                                  TCustomDrawState State, bool& DefaultDraw)>;
using TTVAdvancedCustomDrawEvent = std::function<void(TCustomTreeView* Sender, const RECT& ARect,
                                                      TCustomDrawStage Stage, bool& DefaultDraw)>;

class TCustomTreeView : public TWinControl {
  ZORVET_CLASS_NAME(TCustomTreeView)

 public:
  explicit TCustomTreeView(TComponent* owner);
  ~TCustomTreeView() override;

  TTreeNodes* Items() const { return items_.get(); }
  TTreeNode* Selected();
  void SetSelected(TTreeNode* value);
  TTreeNode* TopItem();
  void SetTopItem(TTreeNode* value);
  TTreeNode* DropTarget();
  void SetDropTarget(TTreeNode* value);
  TTreeNode* GetNodeAt(Integer x, Integer y);
  THitTests GetHitTestInfoAt(Integer x, Integer y);
  void FullExpand();
  void FullCollapse();
  bool IsEditing();
  bool AlphaSort(bool recurse = true);
  // The node of an item (nullptr for none).
  TTreeNode* GetNodeFromItem(HTREEITEM item);

  TSortType SortType() const { return sort_type_; }
  void SetSortType(TSortType value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { SetStyleFlag(read_only_, value); }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value);
  TCustomImageList* StateImages() const { return state_images_; }
  void SetStateImages(TCustomImageList* value);
  Integer Indent();
  void SetIndent(Integer value);
  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle value);
  bool AutoExpand() const { return auto_expand_; }
  void SetAutoExpand(bool value) { SetStyleFlag(auto_expand_, value); }
  bool HotTrack() const { return hot_track_; }
  void SetHotTrack(bool value) { SetStyleFlag(hot_track_, value); }
  bool RowSelect() const { return row_select_; }
  void SetRowSelect(bool value) { SetStyleFlag(row_select_, value); }
  bool ToolTips() const { return tool_tips_; }
  void SetToolTips(bool value) { SetStyleFlag(tool_tips_, value); }
  bool ShowButtons() const { return show_buttons_; }
  void SetShowButtons(bool value) { SetStyleFlag(show_buttons_, value); }
  bool ShowLines() const { return show_lines_; }
  void SetShowLines(bool value) { SetStyleFlag(show_lines_, value); }
  bool ShowRoot() const { return show_root_; }
  void SetShowRoot(bool value) { SetStyleFlag(show_root_, value); }
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool value) { SetStyleFlag(hide_selection_, value); }

  // The canvas custom drawing paints on (the control's font and brush give
  // an item's colours while OnCustomDrawItem runs).
  TCanvas* Canvas() { return canvas_.get(); }

  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVExpandedEvent OnGetImageIndex;
  TTVExpandedEvent OnGetSelectedIndex;
  TTVExpandedEvent OnDeletion;
  TTVCustomDrawItemEvent OnCustomDrawItem;
  TTVAdvancedCustomDrawEvent OnAdvancedCustomDraw;

  TDragImageList* GetDragImages() override;
  void SetFocus() override;
  void Dispatch(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // The node factory: every node of this tree is made here.
  virtual TTreeNode* CreateNode();
  virtual bool CanChange(TTreeNode* node);
  virtual void Change(TTreeNode* node);
  virtual bool CanExpand(TTreeNode* node);
  virtual void Expand(TTreeNode* node);
  virtual bool CanCollapse(TTreeNode* node);
  virtual void Collapse(TTreeNode* node);
  virtual bool CanEdit(TTreeNode* node);
  // The end of label editing: OnEdited may change the text, which the node then takes.
  virtual void Edit(const TVITEM& item);
  // The node's item is being deleted: fires OnDeletion.
  virtual void Delete(TTreeNode* node);
  virtual void GetImageIndex(TTreeNode* node);
  virtual void GetSelectedIndex(TTreeNode* node);
  // Custom drawing: whether the events ask for it, and the events themselves.
  virtual bool IsCustomDrawn(bool item, TCustomDrawStage stage);
  virtual bool CustomDraw(const RECT& rect, TCustomDrawStage stage);
  virtual bool CustomDrawItem(TTreeNode* node, TCustomDrawState state, TCustomDrawStage stage);
  // The reflected WM_NOTIFY of the control.
  virtual void CNNotify(TMessage& message);

  void DoStartDrag(TDragObject*& dragObject) override;
  void DoEndDrag(TObject* target, Integer x, Integer y) override;
  void BeginAutoDrag() override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void CreateHandle() override;
  void WMButtonDown(TMessage& message, TMouseButton button, bool dbl) override;
  void CMFontChanged(TMessage& message) override;
  void CMColorChanged(TMessage& message) override;
  void WMPaint(TMessage& message) override { DefaultHandler(message); }
  void WMEraseBkgnd(TMessage& message) override { DefaultHandler(message); }

  // The node being dragged (set by the control's drag notification or a
  // press that started an automatic drag).
  TTreeNode* DragNode() const { return drag_node_; }

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  void SetStyleFlag(bool& flag, bool value);
  DWORD TreeStyles() const;
  void ApplyImageList(TCustomImageList* list, WPARAM which);
  LRESULT CustomDrawNotify(NMTVCUSTOMDRAW* cd);

  // What is kept of the nodes while the window is made anew.
  struct TSavedNode {
    Integer level;
    String text;
    void* data;
    Integer image, selected, state;
    bool hasChildren, expanded, selectedNode;
  };

  std::unique_ptr<TTreeNodes> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  std::unique_ptr<TDragImageList> drag_image_;
  std::vector<TSavedNode> saved_;
  TTreeNode* drag_node_ = nullptr;
  bool dragged_ = false;
  bool destroying_ = false;
  // While a node moves, the selection events keep quiet.
  Integer moving_depth_ = 0;
  // While a node expands or collapses itself (it reports that change).
  Integer manual_notify_ = 0;
  // The node setting its own children flag (others' settings reset theirs).
  TTreeNode* children_sender_ = nullptr;
  TSortType sort_type_ = stNone;
  bool read_only_ = false;
  TCustomImageList* images_ = nullptr;
  TCustomImageList* state_images_ = nullptr;
  Integer indent_ = 19;
  TFormBorderStyle border_style_ = bsSingle;
  bool auto_expand_ = false;
  bool hot_track_ = false;
  bool row_select_ = false;
  bool tool_tips_ = true;
  bool show_buttons_ = true;
  bool show_lines_ = true;
  bool show_root_ = true;
  bool hide_selection_ = true;
};

class TTreeView : public TCustomTreeView {
  ZORVET_CLASS_NAME(TTreeView)

 public:
  using TCustomTreeView::TCustomTreeView;
};

// Declares the published properties of TTreeView (on TCustomTreeView, so
// that descendants share them).
void DeclareTreeViewProperties();
