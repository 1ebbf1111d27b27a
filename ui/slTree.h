// ui/slTree.h
//
// TCustomslTreeView: a tree view whose nodes the user moves and copies by
// dragging, inside one tree and between trees (Ctrl held copies, with a
// cursor of its own), deletes with the Delete key (after a confirmation
// when asked), and that paints each node with the colours and font an
// event gives. Its nodes are TslTreeNodes. The data-bound tree builds on
// its virtual steps and on its moving flag.
//
// Dragging: the drag starts with the selected node of the focused tree
// (the "dragged node"); over a tree, the node under the pointer's icon or
// label becomes the drop target and is highlighted; resting on the top
// item scrolls up a line per drag message, resting near the bottom scrolls
// down. A node is never dropped on itself or its own descendants; dropped
// on its own parent without copying it stays unless OnEndDragTreeNode
// chooses where it goes. Dropped on empty space it goes to the top level,
// and only when OnDragDropTreeNode accepts.
//
// One drag at a time (the drag state is the program's).
#pragma once

#include <memory>
#include <vector>

#include "platform/controls/TreeView.h"
#include "platform/rtl/ModuleInit.h"

// The copy cursor's number in the screen's cursor list.
constexpr TCursor crSLTreeDragCopy = -1011;

class TCustomslTreeView;

using TTreeViewCustomDraw = std::function<void(TObject* Sender, TTreeNode* TreeNode, TFont* AFont,
                                               TColor& AColor, TColor& ABkColor)>;
using TDragDropTreeNode =
    std::function<void(TTreeNode* Destination, TTreeNode* Source, bool& Accept)>;
using TDragDropIsCopy =
    std::function<void(TTreeNode* Destination, TTreeNode* Source, bool& IsCopy)>;
using TEndDragTreeNode =
    std::function<void(TTreeNode* Destination, TTreeNode* Source, TNodeAttachMode& AttachMode)>;

// What the Delete key may do.
enum TslDeleteOption { sdoCanDelete, sdoConfirmDelete };
using TslDeleteOptions = Set<TslDeleteOption>;

class TslTreeNode : public TTreeNode {
  ZORVET_CLASS_NAME(TslTreeNode)

 public:
  using TTreeNode::TTreeNode;
  // Child modes go through an empty placeholder child of the destination,
  // which the node then replaces; other modes move directly. Moving a node
  // under itself or one of its descendants raises EInvalidOperation and
  // changes nothing.
  void MoveTo(TTreeNode* destination, TNodeAttachMode mode) override;
};

// The drag object of a tree while it is the drag's source: its cursor is
// crNoDrop where refused, the copy cursor while Ctrl is down, else the
// tree's DragCursor.
class TtmpDragObject : public TDragControlObject {
  ZORVET_CLASS_NAME(TtmpDragObject)

 public:
  using TDragControlObject::TDragControlObject;
  TCursor GetDragCursor(bool accepted, Integer x, Integer y) override;
};

class TCustomslTreeView : public TCustomTreeView {
  ZORVET_CLASS_NAME(TCustomslTreeView)

 public:
  explicit TCustomslTreeView(TComponent* owner);
  ~TCustomslTreeView() override;

  bool ShowNodeHint() const { return show_node_hint_; }
  void SetShowNodeHint(bool value) { show_node_hint_ = value; }
  // The selected-state image of every node; -1 leaves the nodes as they are.
  Integer SelectedIndex() const { return selected_index_; }
  void SetSelectedIndex(Integer value);
  TslDeleteOptions DeleteOptions() const { return delete_options_; }
  void SetDeleteOptions(TslDeleteOptions value) { delete_options_ = value; }
  // Set while the tree itself inserts, moves or copies nodes.
  bool Moving() const { return moving_; }
  // Whether a drag is over the tree.
  bool DragOverTree() const { return drag_over_; }

  // Moves or copies Dragged (with its subtree) relative to Target (nullptr:
  // the top level) and answers the moved node or the first copy.
  TTreeNode* DropDraggedNode(TTreeNode* dragged, TTreeNode* target, bool isCopy);

  TTreeViewCustomDraw OnCustomDraw;
  TDragDropTreeNode OnDragDropTreeNode;
  TDragDropIsCopy OnDragDropIsCopy;
  TEndDragTreeNode OnEndDragTreeNode;

  void SetFocus() override;
  void Dispatch(TMessage& message) override;

  // The drag state of the program: the node being dragged, the node under
  // the pointer, and the images of the tree the drag started from.
  static TTreeNode* DraggedNode();
  static TTreeNode* DropTargetNode();
  static TDragImageList* DragImageList();

 protected:
  virtual void DoCustomDraw(TTreeNode* node, TFont* font, TColor& color, TColor& bkColor);
  // The caption a copy of the node gets.
  virtual String GetNodeText(TTreeNode* node);
  // Nodes were copied (Sources[i] to Copies[i]); nothing more here. False
  // keeps the sources of a move between trees where they are.
  virtual bool NodeDropped(const std::vector<TTreeNode*>& sources,
                           const std::vector<TTreeNode*>& copies, bool isCopy);
  virtual void DoDragDropTreeNode(TTreeNode* destination, TTreeNode* source, bool& accept);
  virtual void DoDragDropIsCopy(TTreeNode* destination, TTreeNode* source, bool& isCopy);
  // Appends the node and then its descendants, depth first.
  virtual void CollectSubtree(TTreeNode* node, std::vector<TTreeNode*>& list);
  virtual bool IsCustomDraw();

  TTreeNode* CreateNode() override;
  void DoStartDrag(TDragObject*& dragObject) override;
  void DoEndDrag(TObject* target, Integer x, Integer y) override;
  void CMDrag(TMessage& message) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void CNNotify(TMessage& message) override;

  void HandleDragMessage(TMessage& message);
  void HandleDeleteKey(Word key);
  void SetMoving(bool value) { moving_ = value; }

 private:
  friend class TslTreeNode;
  // Changes the drop highlight with the drag images out of the way.
  void HighlightDropTarget(TTreeNode* node);
  void ScrollAtEdge(TTreeNode* node);

  bool show_node_hint_ = true;
  Integer selected_index_ = -1;
  TslDeleteOptions delete_options_{sdoCanDelete, sdoConfirmDelete};
  bool drag_over_ = false;
  TDragObject* drag_source_ = nullptr;
  std::unique_ptr<TtmpDragObject> drag_object_;
  bool moving_ = false;
  std::unique_ptr<TFont> custom_draw_font_;
};

class TslTreeView : public TCustomslTreeView {
  ZORVET_CLASS_NAME(TslTreeView)

 public:
  using TCustomslTreeView::TCustomslTreeView;
};

// Start: registers the copy cursor ("SLTREEDRAGCOPY") under
// crSLTreeDragCopy and clears the drag state. REQUIRES: the controls module started.
TModuleInit slTreeModule();
// Declares TslTreeView's published properties (with TTreeView's).
void DeclareslTreeProperties();
