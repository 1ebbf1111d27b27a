// ui/slTree.cpp
#include "ui/slTree.h"

#include <algorithm>
#include <mutex>

#include "platform/controls/Dialogs.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/Cursor.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"

namespace {

// One drag at a time, whichever tree it started from.
struct TslDragState {
  TTreeNode* dragged = nullptr;
  TTreeNode* dropTarget = nullptr;
  TDragImageList* images = nullptr;
};
TslDragState drag_state;

void HideImages() {
  if (drag_state.images) drag_state.images->HideDragImage();
}
void ShowImages() {
  if (drag_state.images) drag_state.images->ShowDragImage();
}

}  // namespace

// --- Nodes and the drag object ----------------------------------------------------

void TslTreeNode::MoveTo(TTreeNode* destination, TNodeAttachMode mode) {
  if (mode != naAddChild && mode != naAddChildFirst) {
    TTreeNode::MoveTo(destination, mode);
    return;
  }
  // Checked before the placeholder exists, so that a refused move leaves
  // the tree exactly as it was.
  if (destination && (destination == this || destination->HasAsParent(this)))
    throw EInvalidOperation(
        Format("Cannot move the tree node '%s' under itself or one of its descendants", Text()));
  auto* tree = dynamic_cast<TCustomslTreeView*>(TreeView());
  if (!tree) {
    TTreeNode::MoveTo(destination, mode);
    return;
  }
  TTreeNode* placeholder = nullptr;
  {
    const auto moving = SetForScope(tree->moving_, true);
    placeholder = mode == naAddChild ? Owner()->AddChild(destination, "")
                                     : Owner()->AddChildFirst(destination, "");
  }
  if (!placeholder) return;
  TScopeExit freePlaceholder([&] {
    const auto moving = SetForScope(tree->moving_, true);
    placeholder->Delete();
  });
  const auto notMoving = SetForScope(tree->moving_, false);
  TTreeNode::MoveTo(placeholder, naInsert);
}

TCursor TtmpDragObject::GetDragCursor(bool accepted, Integer, Integer) {
  if (!accepted) return crNoDrop;
  if (GetKeyState(VK_CONTROL) < 0) return crSLTreeDragCopy;
  return Control()->DragCursor();
}

// --- The tree ----------------------------------------------------------------------

TCustomslTreeView::TCustomslTreeView(TComponent* owner)
    : TCustomTreeView(owner), custom_draw_font_(std::make_unique<TFont>()) {}

TCustomslTreeView::~TCustomslTreeView() {
  // A drag from this tree ends while its drag object still exists.
  if (Dragging()) EndDrag(false);
  if (drag_state.dragged && drag_state.dragged->TreeView() == this) drag_state = TslDragState{};
  if (drag_state.dropTarget && drag_state.dropTarget->TreeView() == this)
    drag_state.dropTarget = nullptr;
}

TTreeNode* TCustomslTreeView::DraggedNode() {
  return drag_state.dragged;
}
TTreeNode* TCustomslTreeView::DropTargetNode() {
  return drag_state.dropTarget;
}
TDragImageList* TCustomslTreeView::DragImageList() {
  return drag_state.images;
}

TTreeNode* TCustomslTreeView::CreateNode() {
  auto* node = new TslTreeNode(Items());
  if (selected_index_ != -1) node->SetSelectedIndex(selected_index_);
  return node;
}

void TCustomslTreeView::SetSelectedIndex(Integer value) {
  if (selected_index_ == value) return;
  selected_index_ = value;
  for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext()) n->SetSelectedIndex(value);
}

void TCustomslTreeView::SetFocus() {
  if (GetParentForm(this) || ParentWindow()) TCustomTreeView::SetFocus();
}

void TCustomslTreeView::DoStartDrag(TDragObject*& dragObject) {
  drag_object_ = std::make_unique<TtmpDragObject>(this);
  dragObject = drag_object_.get();
  TCustomTreeView::DoStartDrag(dragObject);
  drag_state.images = GetDragImages();
  drag_state.dragged = Focused() ? Selected() : nullptr;
}

void TCustomslTreeView::DoEndDrag(TObject* target, Integer x, Integer y) {
  TCustomTreeView::DoEndDrag(target, x, y);
  // A drop on something that is no tree of ours leaves no drag state behind.
  if (drag_state.dragged && drag_state.dragged->TreeView() == this) drag_state = TslDragState{};
  drag_object_.reset();
}

void TCustomslTreeView::CMDrag(TMessage& message) {
  HandleDragMessage(message);
}

void TCustomslTreeView::HighlightDropTarget(TTreeNode* node) {
  HideImages();
  SetDropTarget(node);
  ShowImages();
}

// The pointer rests on the drop target: near the top or bottom edge the
// tree scrolls by one line, so that a drag can reach every node.
void TCustomslTreeView::ScrollAtEdge(TTreeNode* node) {
  TTreeNode* top = TopItem();
  bool up = node == top;
  if (!up && top && node->GetPrevVisible() == top && top->GetPrevVisible()) up = true;
  bool down = false;
  if (!up) {
    const Integer height = ClientHeight();
    TTreeNode* next = node->GetNextVisible();
    if (next && next->DisplayRect(false).top >= height) down = true;
    TTreeNode* after = next ? next->GetNextVisible() : nullptr;
    if (after && after->DisplayRect(false).top >= height) down = true;
  }
  if (!up && !down) return;
  HideImages();
  SendMessage(Handle(), WM_VSCROLL, MAKEWPARAM(up ? SB_LINEUP : SB_LINEDOWN, 0), 0);
  ShowImages();
}

void TCustomslTreeView::HandleDragMessage(TMessage& message) {
  auto* rec = reinterpret_cast<TDragRec*>(message.LParam);
  const auto kind = static_cast<TDragMessage>(message.WParam);
  if (!rec) return;
  bool accept = false;
  TTreeNode*& dragged = drag_state.dragged;
  TTreeNode*& target = drag_state.dropTarget;
  switch (kind) {
    case dmDragEnter:
      drag_over_ = true;
      target = nullptr;
      drag_source_ = rec->Source;
      break;
    case dmDragLeave:
      if (dragged) {
        HighlightDropTarget(nullptr);
        dragged->SetSelected(true);
      }
      drag_source_ = nullptr;
      break;
    case dmDragMove: {
      TVHITTESTINFO info;
      info.pt = ScreenToClient(rec->Pos);
      const HTREEITEM item = TreeView_HitTest(Handle(), &info);
      TTreeNode* node = item && (info.flags & TVHT_ONITEM) ? GetNodeFromItem(item) : nullptr;
      if (node) {
        if (node == target) {
          ScrollAtEdge(node);
        } else {
          target = node;
          HighlightDropTarget(node);
        }
      } else {
        target = nullptr;
        HighlightDropTarget(nullptr);
      }
      break;
    }
    case dmDragDrop: {
      drag_source_ = nullptr;
      bool isCopy = GetKeyState(VK_CONTROL) < 0;
      if (target) {
        HighlightDropTarget(nullptr);
        target->SetSelected(true);
        Invalidate();
        if (dragged && target != dragged && !target->HasAsParent(dragged)) {
          DoDragDropIsCopy(target, dragged, isCopy);
          // Already there: nothing to do unless the handler places it.
          if (!(dragged->Parent() == target && !isCopy && !OnEndDragTreeNode)) {
            accept = true;
            DoDragDropTreeNode(target, dragged, accept);
          }
        }
      } else if (dragged) {
        DoDragDropIsCopy(nullptr, dragged, isCopy);
        accept = false;
        DoDragDropTreeNode(nullptr, dragged, accept);
      }
      if (accept) {
        if (TTreeNode* result = DropDraggedNode(dragged, target, isCopy)) {
          result->MakeVisible();
          result->SetSelected(true);
        }
      }
      drag_over_ = false;
      target = nullptr;
      Invalidate();
      break;
    }
    case dmDragCancel:
      drag_source_ = nullptr;
      drag_over_ = false;
      target = nullptr;
      Invalidate();
      break;
    case dmFindTarget:
      break;
  }
  const bool over = kind == dmDragEnter || kind == dmDragLeave || kind == dmDragMove;
  if (over && dragged && target != dragged) {
    if (target) {
      accept = !(dragged->HasChildren() && target->HasAsParent(dragged)) && !OnDragOver;
      if (accept) DoDragDropTreeNode(target, dragged, accept);
    } else {
      accept = false;
      DoDragDropTreeNode(nullptr, dragged, accept);
    }
  }
  TCustomTreeView::CMDrag(message);
  if (kind == dmDragDrop || kind == dmDragCancel) {
    dragged = nullptr;
    drag_state.images = nullptr;
    if (HandleAllocated()) SetDropTarget(nullptr);
  } else if ((kind == dmDragMove || kind == dmDragLeave) && accept && message.Result == 0) {
    message.Result = 1;
  }
}

TTreeNode* TCustomslTreeView::DropDraggedNode(TTreeNode* dragged, TTreeNode* target, bool isCopy) {
  if (!dragged) return nullptr;
  auto* sourceTree = dragged->TreeView();
  const bool fromOther = sourceTree != this;
  const bool copying = isCopy || fromOther;
  std::vector<TTreeNode*> sources;
  {
    // The tree that owns the nodes collects them: it knows what belongs to
    // a subtree (a data-bound tree first reads the records not loaded).
    auto* owner = dynamic_cast<TCustomslTreeView*>(sourceTree);
    if (!owner) owner = this;
    const auto moving = SetForScope(moving_, copying || moving_);
    const auto ownerMoving = SetForScope(owner->moving_, copying || owner->moving_);
    owner->CollectSubtree(dragged, sources);
  }
  TNodeAttachMode mode = target ? naAddChild : naAdd;
  if (OnEndDragTreeNode) OnEndDragTreeNode(target, dragged, mode);
  const bool childMode = mode == naAddChild || mode == naAddChildFirst;
  if (childMode && target) target->SetHasChildren(true);

  TTreeNode* result = nullptr;
  bool kept = true;
  if (copying) {
    std::vector<TTreeNode*> copies;
    {
      const auto moving = SetForScope(moving_, true);
      for (size_t i = 0; i < sources.size(); ++i) {
        TTreeNode* copy = nullptr;
        if (i == 0) {
          copy = Items()->AddNode(target, GetNodeText(sources[0]), nullptr, mode);
        } else {
          // Under the copy of its parent, so that the copy has the subtree's shape.
          const auto at = std::find(sources.begin(), sources.end(), sources[i]->Parent());
          TTreeNode* parentCopy =
              at != sources.end() ? copies[static_cast<size_t>(at - sources.begin())] : nullptr;
          if (parentCopy) copy = Items()->AddChild(parentCopy, GetNodeText(sources[i]));
        }
        copies.push_back(copy);
      }
    }
    kept = NodeDropped(sources, copies, true);
    result = copies.empty() ? nullptr : copies.front();
    if (result && target && result->Parent() == target) target->SetHasChildren(true);
  } else {
    const auto moving = SetForScope(moving_, true);
    dragged->MoveTo(target, mode);
    result = dragged;
  }
  // A move between trees is a copy and the deletion of the original, once
  // the copy is kept.
  if (fromOther && !isCopy && kept && !sourceTree->ReadOnly()) {
    if (drag_state.dragged == dragged) drag_state.dragged = nullptr;
    dragged->Delete();
  }
  return result;
}

String TCustomslTreeView::GetNodeText(TTreeNode* node) {
  return node->Text();
}

bool TCustomslTreeView::NodeDropped(const std::vector<TTreeNode*>&, const std::vector<TTreeNode*>&,
                                    bool) {
  return true;
}

void TCustomslTreeView::DoDragDropTreeNode(TTreeNode* destination, TTreeNode* source,
                                           bool& accept) {
  if (OnDragDropTreeNode) OnDragDropTreeNode(destination, source, accept);
}

void TCustomslTreeView::DoDragDropIsCopy(TTreeNode* destination, TTreeNode* source, bool& isCopy) {
  if (OnDragDropIsCopy) OnDragDropIsCopy(destination, source, isCopy);
}

void TCustomslTreeView::CollectSubtree(TTreeNode* node, std::vector<TTreeNode*>& list) {
  list.push_back(node);
  for (TTreeNode* c = node->getFirstChild(); c; c = c->GetNextSibling()) CollectSubtree(c, list);
}

bool TCustomslTreeView::IsCustomDraw() {
  return static_cast<bool>(OnCustomDraw);
}

void TCustomslTreeView::DoCustomDraw(TTreeNode* node, TFont* font, TColor& color, TColor& bkColor) {
  if (OnCustomDraw) OnCustomDraw(this, node, font, color, bkColor);
}

void TCustomslTreeView::HandleDeleteKey(Word key) {
  if (key != VK_DELETE || !delete_options_.Contains(sdoCanDelete) || ReadOnly()) return;
  TTreeNode* node = Selected();
  if (!node || IsEditing()) return;
  if (delete_options_.Contains(sdoConfirmDelete) &&
      MessageDlg("Do you want to delete the item \"" + node->Text() + "\"", mtConfirmation,
                 mbOKCancel) != mrOk)
    return;
  Items()->Delete(node);
}

void TCustomslTreeView::KeyDown(Word& key, TShiftState shift) {
  HandleDeleteKey(key);
  TCustomTreeView::KeyDown(key, shift);
}

void TCustomslTreeView::CNNotify(TMessage& message) {
  const auto* hdr = reinterpret_cast<const NMHDR*>(message.LParam);
  if (hdr->code != NM_CUSTOMDRAW || OnCustomDrawItem || OnAdvancedCustomDraw) {
    TCustomTreeView::CNNotify(message);
    return;
  }
  auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(message.LParam);
  switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      message.Result = IsCustomDraw() ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
      break;
    case CDDS_ITEMPREPAINT: {
      TTreeNode* node = GetNodeFromItem(reinterpret_cast<HTREEITEM>(cd->nmcd.dwItemSpec));
      custom_draw_font_->Assign(Font());
      TColor color = custom_draw_font_->Color();
      TColor bkColor = clWindow;
      DoCustomDraw(node, custom_draw_font_.get(), color, bkColor);
      // The selection and the drop highlight keep their system colours
      // while the tree has the focus.
      const bool highlighted =
          (cd->nmcd.uItemState & CDIS_SELECTED) || (node && node->DropTarget());
      if (!(highlighted && Focused())) {
        cd->clrText = ColorToRGB(color);
        cd->clrTextBk = ColorToRGB(bkColor);
      }
      SelectObject(cd->nmcd.hdc, custom_draw_font_->Handle());
      message.Result = CDRF_NEWFONT;
      break;
    }
    default:
      message.Result = CDRF_DODEFAULT;
      break;
  }
}

void TCustomslTreeView::Dispatch(TMessage& message) {
  // The tooltip of the window asks the window itself for a node's text.
  if (message.Msg == WM_NOTIFY && !show_node_hint_) {
    const auto* hdr = reinterpret_cast<const NMHDR*>(message.LParam);
    if (hdr && hdr->code == TTN_NEEDTEXTA) {
      auto* di = reinterpret_cast<NMTTDISPINFOA*>(message.LParam);
      di->szText[0] = '\0';
      di->lpszText = di->szText;
      message.Result = 0;
      return;
    }
    if (hdr && hdr->code == TTN_NEEDTEXTW) {
      auto* di = reinterpret_cast<NMTTDISPINFOW*>(message.LParam);
      di->szText[0] = u'\0';
      di->lpszText = di->szText;
      message.Result = 0;
      return;
    }
  }
  TCustomTreeView::Dispatch(message);
}

// --- Start and published properties ---------------------------------------------------

TModuleInit slTreeModule() {
  return TModuleInit{"slTree",
                     [] {
                       Screen->SetCursors(crSLTreeDragCopy,
                                          LoadCursor(HInstance(), "SLTREEDRAGCOPY"));
                       drag_state = TslDragState{};
                     },
                     [] { drag_state = TslDragState{}; }};
}

void DeclareslTreeProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    DeclareTreeViewProperties();
    using T = TslTreeView;
    TPublishedClass<T, TCustomTreeView>()
        .AddBoolean("ShowNodeHint", &T::ShowNodeHint, &T::SetShowNodeHint, true)
        .AddInteger("SelectedIndex", &T::SelectedIndex, &T::SetSelectedIndex, -1);
  });
}
