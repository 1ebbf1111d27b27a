// platform/controls/TreeView.cpp
#include "platform/controls/TreeView.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/rtl/PoolBlocks.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

LPARAM AsParam(HTREEITEM item) {
  return reinterpret_cast<LPARAM>(item);
}

// Node texts compare as people read them: without regard to case.
int CompareNodeTexts(LPARAM a, LPARAM b, LPARAM) {
  const auto* x = reinterpret_cast<const TTreeNode*>(a);
  const auto* y = reinterpret_cast<const TTreeNode*>(b);
  if (!x || !y) return 0;
  return AnsiCompareText(x->Text(), y->Text());
}

// Memory for nodes: one free list per 16-byte size class, fed from pool
// blocks (platform/rtl/PoolBlocks.h) that are never given back, so that a
// tree freed late still has somewhere to return its nodes. Larger objects
// (none of the node classes is) take the heap. Under the address sanitizer
// nodes take the heap, so that it keeps finding uses of freed nodes.
//
// A tree may live on any thread, each on its own, so every thread keeps
// free lists of its own and takes no lock for a node it makes or frees; it
// goes to the shared lists (locked) only for a batch of fresh nodes when
// its own run dry. A thread's lists go back to the shared ones when it
// ends; nodes freed on it after that (by its thread-end or static
// destructors) go straight to the shared lists.
class TNodeMemory {
 public:
  static bool Pooled(std::size_t size) {
    return !kPoolsOnHeap && size > 0 && size <= kClasses * kGrain;
  }

  static void* Take(std::size_t size) {
    const std::size_t cls = ClassOf(size);
    TLocal& local = local_;
    if (local.state == kActive) {
      if (TFree* f = local.free[cls]) {
        local.free[cls] = f->next;
        Prefetch(f->next, cls);
        return f;
      }
    }
    return TakeSlow(local, cls);
  }

  static void Give(void* memory, std::size_t size) noexcept {
    const std::size_t cls = ClassOf(size);
    auto* f = static_cast<TFree*>(memory);
    TLocal& local = local_;
    if (local.state != kActive && !Join(local)) {
      Shared().Push(cls, f, f);
      return;
    }
    f->next = local.free[cls];
    local.free[cls] = f;
  }

 private:
  struct TFree {
    TFree* next;
  };
  static constexpr std::size_t kGrain = 16;
  static constexpr std::size_t kClasses = 64;  // up to 1 KiB
  // Fresh nodes a thread takes from the shared memory at once.
  static constexpr std::size_t kBatch = 64;
  enum TState : unsigned char { kNew, kActive, kEnded };

  // Trivially destructible, so that it stays usable (kEnded) after the
  // thread's destructors ran.
  struct TLocal {
    TFree* free[kClasses];
    TState state;
  };
  // Hands a thread's lists back to the shared ones when the thread ends.
  struct TThreadEnd {
    ~TThreadEnd() {
      TLocal& local = local_;
      for (std::size_t cls = 0; cls < kClasses; ++cls) {
        TFree* first = std::exchange(local.free[cls], nullptr);
        if (!first) continue;
        TFree* last = first;
        while (last->next) last = last->next;
        Shared().Push(cls, first, last);
      }
      local.state = kEnded;
    }
  };

  // The lists shared by all threads and the rest of the newest block.
  class TShared {
   public:
    void Push(std::size_t cls, TFree* first, TFree* last) noexcept {
      std::lock_guard<std::mutex> guard(mutex_);
      last->next = free_[cls];
      free_[cls] = first;
    }
    // A node of `cls` for a thread without lists of its own.
    void* TakeOne(std::size_t cls) {
      std::lock_guard<std::mutex> guard(mutex_);
      if (TFree* f = free_[cls]) {
        free_[cls] = f->next;
        return f;
      }
      return Carve(cls);
    }
    // Some nodes of `cls` as a list: the shared free ones, else fresh ones.
    TFree* TakeBatch(std::size_t cls) {
      std::lock_guard<std::mutex> guard(mutex_);
      if (TFree* f = std::exchange(free_[cls], nullptr)) return f;
      TFree* first = nullptr;
      for (std::size_t i = 0; i < kBatch; ++i) {
        auto* f = static_cast<TFree*>(Carve(cls));
        f->next = first;
        first = f;
      }
      return first;
    }

   private:
    void* Carve(std::size_t cls) {
      const std::size_t bytes = (cls + 1) * kGrain;
      if (left_ < bytes) {
        // The rest of the old block is too small for this class: it stays unused.
        next_ = static_cast<std::byte*>(TakePoolBlock());
        left_ = kPoolBlockBytes;
      }
      void* memory = next_;
      next_ += bytes;
      left_ -= bytes;
      return memory;
    }

    std::mutex mutex_;
    TFree* free_[kClasses] = {};
    std::byte* next_ = nullptr;
    std::size_t left_ = 0;
  };

  static TShared& Shared() {
    static TShared* const shared = new TShared;
    return *shared;
  }
  static std::size_t ClassOf(std::size_t size) { return (size - 1) / kGrain; }

  // Freed nodes are cold: the next one is fetched (for writing) while the
  // caller builds this one, so that neither taking it (its link) nor its
  // constructor waits for memory.
  static void Prefetch(const TFree* next, std::size_t cls) {
    if (!next) return;
    const auto* bytes = reinterpret_cast<const char*>(next);
    for (std::size_t at = 0; at < (cls + 1) * kGrain; at += 64) __builtin_prefetch(bytes + at, 1);
  }

  // Gives the calling thread lists of its own unless its end has passed.
  static bool Join(TLocal& local) noexcept {
    if (local.state == kNew) {
      static thread_local TThreadEnd end;
      local.state = kActive;
    }
    return local.state == kActive;
  }

  static void* TakeSlow(TLocal& local, std::size_t cls) {
    if (!Join(local)) return Shared().TakeOne(cls);
    TFree* f = Shared().TakeBatch(cls);
    local.free[cls] = f->next;
    return f;
  }

  static thread_local TLocal local_;
};

thread_local TNodeMemory::TLocal TNodeMemory::local_{};

}  // namespace

// --- TTreeNode -------------------------------------------------------------------

void* TTreeNode::operator new(std::size_t size) {
  if (!TNodeMemory::Pooled(size)) return ::operator new(size);
  return TNodeMemory::Take(size);
}

void TTreeNode::operator delete(void* memory, std::size_t size) noexcept {
  if (!memory) return;
  if (!TNodeMemory::Pooled(size)) {
    ::operator delete(memory);
    return;
  }
  TNodeMemory::Give(memory, size);
}

TTreeNode::TTreeNode(TTreeNodes* owner) : owner_(owner) {}

TTreeNode::~TTreeNode() {
  deleting_ = true;
  if (item_ && owner_->owner_->HandleAllocated()) {
    const HTREEITEM item = item_;
    SendMessage(Handle(), TVM_DELETEITEM, 0, AsParam(item));
  }
}

TCustomTreeView* TTreeNode::TreeView() const {
  return owner_->Owner();
}

HWND TTreeNode::Handle() const {
  return owner_->Handle();
}

TTreeNode* TTreeNode::NodeOf(HTREEITEM item) const {
  return owner_->GetNode(item);
}

HTREEITEM TTreeNode::Next(UINT code) const {
  if (!item_) return nullptr;
  return TreeView_GetNextItem(Handle(), item_, code);
}

void TTreeNode::SendItem(UINT mask) {
  if (!item_ || deleting_) return;
  // The item asks for its images when drawn: an image number changed while
  // drawing is held back needs no repainting of its own, so no message.
  if (!(mask & ~(TVIF_IMAGE | TVIF_SELECTEDIMAGE)) && owner_->update_count_ > 0) return;
  TVITEM it;
  it.mask = mask | TVIF_HANDLE;
  it.hItem = item_;
  it.pszText = const_cast<char*>(text_.c_str());
  // Images are asked for when drawn, so OnGetImageIndex has its say.
  it.iImage = I_IMAGECALLBACK;
  it.iSelectedImage = I_IMAGECALLBACK;
  it.stateMask = TVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(state_index_ >= 0 ? state_index_ : 0);
  SendMessage(Handle(), TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
}

void TTreeNode::SetText(const String& value) {
  text_ = value;
  SendItem(TVIF_TEXT);
  TCustomTreeView* tv = TreeView();
  if (item_ && (tv->SortType() == stText || tv->SortType() == stBoth)) {
    if (TTreeNode* p = Parent())
      p->AlphaSort(false);
    else
      tv->AlphaSort(false);
  }
}

void TTreeNode::SetImageIndex(Integer value) {
  image_index_ = value;
  SendItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(Integer value) {
  selected_index_ = value;
  SendItem(TVIF_SELECTEDIMAGE);
}

void TTreeNode::SetStateIndex(Integer value) {
  state_index_ = value;
  SendItem(TVIF_STATE);
}

bool TTreeNode::HasChildren() const {
  if (!item_) return false;
  TVITEM it;
  it.mask = TVIF_CHILDREN | TVIF_HANDLE;
  it.hItem = item_;
  TreeView_GetItem(Handle(), &it);
  return it.cChildren != 0;
}

void TTreeNode::SetHasChildren(bool value) {
  if (deleting_) return;
  if (!item_) {
    children_flag_ = value;
    return;
  }
  TVITEM it;
  it.mask = TVIF_CHILDREN | TVIF_HANDLE;
  it.hItem = item_;
  it.cChildren = value ? 1 : 0;
  TCustomTreeView* tv = TreeView();
  TTreeNode* const outer = std::exchange(tv->children_sender_, this);
  TScopeExit restore([&] { tv->children_sender_ = outer; });
  SendMessage(Handle(), TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
  children_flag_ = value;
}

bool TTreeNode::Expanded() const {
  return item_ && (TreeView_GetItemState(Handle(), item_, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void TTreeNode::SetExpanded(bool value) {
  if (value)
    Expand(false);
  else
    Collapse(false);
}

bool TTreeNode::Selected() const {
  return item_ && TreeView_GetSelection(Handle()) == item_;
}

void TTreeNode::SetSelected(bool value) {
  if (!item_) return;
  if (value)
    TreeView_SelectItem(Handle(), item_);
  else if (Selected())
    TreeView_SelectItem(Handle(), nullptr);
}

bool TTreeNode::Focused() const {
  return item_ && (TreeView_GetItemState(Handle(), item_, TVIS_FOCUSED) & TVIS_FOCUSED) != 0;
}

void TTreeNode::SetFocused(bool value) {
  if (!item_ || deleting_) return;
  TVITEM it;
  it.mask = TVIF_STATE | TVIF_HANDLE;
  it.hItem = item_;
  it.stateMask = TVIS_FOCUSED;
  it.state = value ? TVIS_FOCUSED : 0;
  SendMessage(Handle(), TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
}

bool TTreeNode::DropTarget() const {
  return item_ && TreeView_GetDropHilight(Handle()) == item_;
}

void TTreeNode::SetDropTarget(bool value) {
  if (!item_) return;
  if (value)
    TreeView_SelectDropTarget(Handle(), item_);
  else if (DropTarget())
    TreeView_SelectDropTarget(Handle(), nullptr);
}

bool TTreeNode::IsVisible() const {
  if (!item_) return false;
  RECT r;
  return TreeView_GetItemRect(Handle(), item_, &r, FALSE) != FALSE;
}

Integer TTreeNode::Level() const {
  Integer level = 0;
  for (const TTreeNode* p = Parent(); p; p = p->Parent()) ++level;
  return level;
}

TTreeNode* TTreeNode::Parent() const {
  return item_ ? parent_ : nullptr;
}

Integer TTreeNode::Count() const {
  Integer n = 0;
  for (HTREEITEM c = Next(TVGN_CHILD); c; c = TreeView_GetNextSibling(Handle(), c)) ++n;
  return n;
}

TTreeNode* TTreeNode::Item(Integer index) const {
  Integer i = 0;
  for (TTreeNode* c = getFirstChild(); c; c = c->GetNextSibling(), ++i)
    if (i == index) return c;
  throw EListError(Format("List index out of bounds (%d)", index));
}

Integer TTreeNode::Index() const {
  Integer i = 0;
  for (HTREEITEM p = Next(TVGN_PREVIOUS); p; p = TreeView_GetPrevSibling(Handle(), p)) ++i;
  return i;
}

Integer TTreeNode::AbsoluteIndex() const {
  Integer i = -1;
  for (const TTreeNode* n = this; n; n = n->GetPrev()) ++i;
  return i;
}

bool TTreeNode::HasAsParent(const TTreeNode* node) const {
  if (!node) return false;
  for (const TTreeNode* p = Parent(); p; p = p->Parent())
    if (p == node) return true;
  return false;
}

TTreeNode* TTreeNode::getFirstChild() const {
  return NodeOf(Next(TVGN_CHILD));
}

TTreeNode* TTreeNode::GetLastChild() const {
  HTREEITEM c = Next(TVGN_CHILD);
  if (!c) return nullptr;
  while (HTREEITEM n = TreeView_GetNextSibling(Handle(), c)) c = n;
  return NodeOf(c);
}

TTreeNode* TTreeNode::GetNext() const {
  if (TTreeNode* c = getFirstChild()) return c;
  for (const TTreeNode* n = this; n; n = n->Parent())
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* p = GetPrevSibling();
  if (!p) return Parent();
  while (TTreeNode* last = p->GetLastChild()) p = last;
  return p;
}

TTreeNode* TTreeNode::GetNextSibling() const {
  return NodeOf(Next(TVGN_NEXT));
}
TTreeNode* TTreeNode::GetPrevSibling() const {
  return NodeOf(Next(TVGN_PREVIOUS));
}

TTreeNode* TTreeNode::GetNextVisible() const {
  return IsVisible() ? NodeOf(Next(TVGN_NEXTVISIBLE)) : nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  return NodeOf(Next(TVGN_PREVIOUSVISIBLE));
}

void TTreeNode::InsertCopyOf(TTreeNode* parentNode, HTREEITEM parent, HTREEITEM after) {
  const HTREEITEM old = item_;
  // The new item takes the flag with its insertion.
  children_flag_ = HasChildren();
  item_ = owner_->InsertItem(this, parentNode, parent, after);
  if (!item_) return;
  // The children follow in their order, each as the last child of the new item.
  for (HTREEITEM c = TreeView_GetChild(Handle(), old); c; c = TreeView_GetNextSibling(Handle(), c))
    if (TTreeNode* child = NodeOf(c)) child->InsertCopyOf(this, item_, TVI_LAST);
}

void TTreeNode::MoveTo(TTreeNode* destination, TNodeAttachMode mode) {
  if (!item_) return;
  const bool childMode = mode == naAddChild || mode == naAddChildFirst;
  if (destination && (destination->HasAsParent(this) || (childMode && destination == this)))
    throw EInvalidOperation(
        Format("Cannot move the tree node '%s' under itself or one of its descendants", text_));
  TCustomTreeView* tv = TreeView();
  HTREEITEM parent = nullptr, after = nullptr;
  TTreeNode* parentNode = nullptr;
  TTreeNodes::Placement(destination, mode, Handle(), parentNode, parent, after);
  // Nothing to do when the node would take its own place.
  if (after == item_) return;
  const bool wasSelected = Selected();
  const bool wasExpanded = Expanded();
  // Expansion of the descendants, to be given back in pre-order.
  std::vector<std::pair<TTreeNode*, bool>> expansion;
  for (TTreeNode* n = getFirstChild(); n && n->HasAsParent(this); n = n->GetNext())
    expansion.emplace_back(n, n->Expanded());
  ++tv->moving_depth_;
  TScopeExit moved([&] { --tv->moving_depth_; });
  const HTREEITEM old = item_;
  InsertCopyOf(parentNode, parent, after);
  // The old items go at once; their nodes live on in the new ones.
  SendMessage(Handle(), TVM_DELETEITEM, 0, AsParam(old));
  for (auto& [node, expanded] : expansion)
    if (expanded) node->Expand(false);
  if (wasExpanded) Expand(false);
  if (wasSelected) SetSelected(true);
}

// The control tells of expansions by message only the first time; the
// node asks and reports every time itself, with the control's own
// notifications of that change silenced.
void TTreeNode::ExpandItem(bool expand) {
  if (!item_ || Expanded() == expand) return;
  if (expand && !HasChildren()) return;
  TCustomTreeView* tv = TreeView();
  if (!(expand ? tv->CanExpand(this) : tv->CanCollapse(this))) return;
  ++tv->manual_notify_;
  BOOL done = FALSE;
  {
    TScopeExit notified([&] { --tv->manual_notify_; });
    done = TreeView_Expand(Handle(), item_, expand ? TVE_EXPAND : TVE_COLLAPSE);
  }
  if (!done) return;
  if (expand)
    tv->Expand(this);
  else
    tv->Collapse(this);
}

void TTreeNode::Expand(bool recurse) {
  ExpandItem(true);
  if (recurse)
    for (TTreeNode* c = getFirstChild(); c; c = c->GetNextSibling()) c->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  ExpandItem(false);
  if (recurse)
    for (TTreeNode* c = getFirstChild(); c; c = c->GetNextSibling()) c->Collapse(true);
}

void TTreeNode::Delete() {
  if (!deleting_) owner_->Delete(this);
}

void TTreeNode::DeleteChildren() {
  while (HTREEITEM c = Next(TVGN_CHILD)) SendMessage(Handle(), TVM_DELETEITEM, 0, AsParam(c));
}

bool TTreeNode::EditText() {
  return item_ && TreeView_EditLabel(Handle(), item_) != nullptr;
}

void TTreeNode::EndEdit(bool cancel) {
  if (item_) TreeView_EndEditLabelNow(Handle(), cancel);
}

void TTreeNode::MakeVisible() {
  if (item_) TreeView_EnsureVisible(Handle(), item_);
}

RECT TTreeNode::DisplayRect(bool textOnly) const {
  RECT r{0, 0, 0, 0};
  if (item_ && !TreeView_GetItemRect(Handle(), item_, &r, textOnly)) r = RECT{0, 0, 0, 0};
  return r;
}

bool TTreeNode::AlphaSort(bool recurse) {
  if (!item_) return false;
  TVSORTCB sort;
  sort.hParent = item_;
  sort.lpfnCompare = &CompareNodeTexts;
  return TreeView_SortChildrenCB(Handle(), &sort, recurse) != FALSE;
}

void TTreeNode::Assign(const TPersistent* source) {
  const auto* node = dynamic_cast<const TTreeNode*>(source);
  if (!node) {
    TPersistent::Assign(source);
    return;
  }
  SetText(node->Text());
  data_ = node->Data();
  SetImageIndex(node->ImageIndex());
  SetSelectedIndex(node->SelectedIndex());
  SetStateIndex(node->StateIndex());
  SetHasChildren(node->HasChildren());
}

// --- TTreeNodes -------------------------------------------------------------------

TTreeNodes::TTreeNodes(TCustomTreeView* owner) : owner_(owner) {}

TTreeNodes::~TTreeNodes() {
  FreeAll();
}

void TTreeNodes::Adopt(TTreeNode* node) {
  node->owned_ = true;
  node->owned_prev_ = nullptr;
  node->owned_next_ = first_owned_;
  if (first_owned_) first_owned_->owned_prev_ = node;
  first_owned_ = node;
}

std::unique_ptr<TTreeNode> TTreeNodes::Release(TTreeNode* node) {
  if (node->owned_prev_)
    node->owned_prev_->owned_next_ = node->owned_next_;
  else
    first_owned_ = node->owned_next_;
  if (node->owned_next_) node->owned_next_->owned_prev_ = node->owned_prev_;
  node->owned_ = false;
  node->owned_prev_ = node->owned_next_ = nullptr;
  return std::unique_ptr<TTreeNode>(node);
}

void TTreeNodes::FreeAll() {
  // The window is gone or going: the nodes must not ask it for anything.
  for (TTreeNode* n = first_owned_; n; n = n->owned_next_) n->item_ = nullptr;
  while (first_owned_) Release(first_owned_);
}

HWND TTreeNodes::Handle() const {
  return owner_->Handle();
}

Integer TTreeNodes::Count() const {
  return owner_->HandleAllocated() ? static_cast<Integer>(TreeView_GetCount(Handle())) : 0;
}

TTreeNode* TTreeNodes::Item(Integer index) const {
  Integer i = 0;
  for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext(), ++i)
    if (i == index) return n;
  throw EListError(Format("List index out of bounds (%d)", index));
}

TTreeNode* TTreeNodes::GetFirstNode() const {
  if (!owner_->HandleAllocated()) return nullptr;
  return GetNode(TreeView_GetRoot(Handle()));
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM item) const {
  if (!item || !owner_->HandleAllocated()) return nullptr;
  TVITEM it;
  it.mask = TVIF_PARAM | TVIF_HANDLE;
  it.hItem = item;
  if (!TreeView_GetItem(owner_->WindowHandle(), &it)) return nullptr;
  return reinterpret_cast<TTreeNode*>(it.lParam);
}

void TTreeNodes::Placement(TTreeNode* relative, TNodeAttachMode mode, HWND tv,
                           TTreeNode*& parentNode, HTREEITEM& parent, HTREEITEM& after) {
  parentNode = nullptr;
  parent = TVI_ROOT;
  after = TVI_LAST;
  if (!relative) {
    after = (mode == naAddFirst || mode == naAddChildFirst) ? TVI_FIRST : TVI_LAST;
    return;
  }
  switch (mode) {
    case naAdd:
    case naAddFirst:
      parentNode = relative->Parent();
      parent = parentNode ? parentNode->ItemId() : TVI_ROOT;
      after = mode == naAdd ? TVI_LAST : TVI_FIRST;
      break;
    case naAddChild:
    case naAddChildFirst:
      parentNode = relative;
      parent = relative->ItemId();
      after = mode == naAddChild ? TVI_LAST : TVI_FIRST;
      break;
    case naInsert: {
      parentNode = relative->Parent();
      parent = parentNode ? parentNode->ItemId() : TVI_ROOT;
      const HTREEITEM prev = TreeView_GetPrevSibling(tv, relative->ItemId());
      after = prev ? prev : TVI_FIRST;
      break;
    }
  }
}

HTREEITEM TTreeNodes::InsertItem(TTreeNode* node, TTreeNode* parentNode, HTREEITEM parent,
                                 HTREEITEM after, bool markParent) {
  node->parent_ = parentNode;
  TVINSERTSTRUCT is;
  is.hParent = parent;
  is.hInsertAfter = after;
  is.markParent = markParent;
  const TSortType sort = owner_->SortType();
  if (after == TVI_LAST && (sort == stText || sort == stBoth)) is.hInsertAfter = TVI_SORT;
  is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
  is.item.pszText = const_cast<char*>(node->text_.c_str());
  is.item.iImage = I_IMAGECALLBACK;
  is.item.iSelectedImage = I_IMAGECALLBACK;
  is.item.lParam = reinterpret_cast<LPARAM>(node);
  is.item.stateMask = TVIS_STATEIMAGEMASK;
  is.item.state = INDEXTOSTATEIMAGEMASK(node->state_index_ >= 0 ? node->state_index_ : 0);
  // A flag given before the item existed; without it the button follows
  // the children.
  if (node->children_flag_) {
    is.item.mask |= TVIF_CHILDREN;
    is.item.cChildren = 1;
  }
  return TreeView_InsertItem(Handle(), &is);
}

TTreeNode* TTreeNodes::AddNode(TTreeNode* relative, const String& s, void* data,
                               TNodeAttachMode mode) {
  const HWND tv = Handle();
  std::unique_ptr<TTreeNode> made(owner_->CreateNode());
  if (!made) return nullptr;
  TTreeNode* node = made.get();
  node->text_ = s;
  node->data_ = data;
  HTREEITEM parent = nullptr, after = nullptr;
  TTreeNode* parentNode = nullptr;
  Placement(relative, mode, tv, parentNode, parent, after);
  Adopt(made.release());
  // A child added sets its parent's flag, which stays when the children go;
  // the first time only, and with the insert itself rather than a message
  // of its own.
  const bool markParent = parent != TVI_ROOT && (mode == naAddChild || mode == naAddChildFirst) &&
                          relative && !relative->children_flag_ && !relative->deleting_;
  const HTREEITEM item = InsertItem(node, parentNode, parent, after, markParent);
  if (!item) {
    Release(node);
    return nullptr;
  }
  node->item_ = item;
  if (markParent) relative->children_flag_ = true;
  return node;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const String& s, void* data) {
  return AddNode(sibling, s, data, naAdd);
}
TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* sibling, const String& s, void* data) {
  return AddNode(sibling, s, data, naAddFirst);
}
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const String& s, void* data) {
  return AddNode(parent, s, data, naAddChild);
}
TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* parent, const String& s, void* data) {
  return AddNode(parent, s, data, naAddChildFirst);
}
TTreeNode* TTreeNodes::InsertObject(TTreeNode* sibling, const String& s, void* data) {
  return AddNode(sibling, s, data, naInsert);
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!node || node->deleting_) return;
  if (node->item_ && owner_->HandleAllocated())
    SendMessage(Handle(), TVM_DELETEITEM, 0, AsParam(node->item_));
  else
    ItemDeleted(node);
}

void TTreeNodes::Clear() {
  if (!owner_->HandleAllocated()) return;
  const HWND tv = Handle();
  if (owner_->OnDeletion) {
    // Someone listens: each node hears of its item's deletion as it goes.
    SendMessage(tv, TVM_DELETEITEM, 0, AsParam(TVI_ROOT));
    return;
  }
  // Nobody listens: the control drops its items at once, without a message
  // per item, and the nodes go here in one walk.
  const LRESULT notified = SendMessage(tv, TVM_SETDELETENOTIFY, FALSE, 0);
  {
    TScopeExit restore([&] {
      if (IsWindow(tv)) SendMessage(tv, TVM_SETDELETENOTIFY, static_cast<WPARAM>(notified), 0);
    });
    SendMessage(tv, TVM_DELETEITEM, 0, AsParam(TVI_ROOT));
  }
  if (owner_->destroying_) return;
  if (owner_->HandleAllocated() && TreeView_GetCount(tv) != 0) return;  // the deletion was refused
  while (TTreeNode* node = first_owned_) {
    if (node == owner_->drag_node_) owner_->drag_node_ = nullptr;
    node->item_ = nullptr;
    if (!node->deleting_) {
      node->deleting_ = true;
      owner_->Delete(node);  // the overridable step, with the item gone already
    }
    Release(node);
  }
}

void TTreeNodes::BeginUpdate() {
  if (update_count_++ == 0 && owner_->HandleAllocated())
    SendMessage(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0 && owner_->HandleAllocated()) {
    SendMessage(Handle(), WM_SETREDRAW, TRUE, 0);
    owner_->Invalidate();
  }
}

void TTreeNodes::ItemDeleted(TTreeNode* node) {
  if (!Owns(node)) return;
  node->deleting_ = true;
  node->item_ = nullptr;
  Release(node);
}

void TTreeNodes::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TTreeNodes*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  BeginUpdate();
  Clear();
  // Copies in pre-order: each node under the copy of its parent.
  std::vector<TTreeNode*> copies;
  for (TTreeNode* n = other->GetFirstNode(); n; n = n->GetNext()) {
    const Integer level = n->Level();
    TTreeNode* parent = level > 0 && static_cast<size_t>(level) <= copies.size()
                            ? copies[static_cast<size_t>(level - 1)]
                            : nullptr;
    TTreeNode* copy = parent ? AddChildObject(parent, n->Text(), n->Data())
                             : AddObject(nullptr, n->Text(), n->Data());
    if (!copy) continue;
    copy->SetImageIndex(n->ImageIndex());
    copy->SetSelectedIndex(n->SelectedIndex());
    copy->SetStateIndex(n->StateIndex());
    copies.resize(static_cast<size_t>(level));
    copies.push_back(copy);
  }
  EndUpdate();
}

// --- TCustomTreeView ----------------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* owner)
    : TWinControl(owner),
      items_(std::make_unique<TTreeNodes>(this)),
      canvas_(std::make_unique<TControlCanvas>()),
      drag_image_(std::make_unique<TDragImageList>(nullptr)) {
  canvas_->SetControl(this);
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
  // The window handles its own clicks (NM_CLICK); the press is its too.
  control_style_ -= csCaptureMouse;
}

TCustomTreeView::~TCustomTreeView() {
  // A drag from this tree ends while its nodes and drag object still exist.
  if (Dragging()) EndDrag(false);
  destroying_ = true;
  // The items' deletion with the window must find the nodes gone quietly
  // (destroying_ keeps their notifications from reaching freed nodes).
  items_->FreeAll();
  // The nodes are gone: the items may go without a message each.
  if (HandleAllocated()) SendMessage(WindowHandle(), TVM_SETDELETENOTIFY, FALSE, 0);
  if (HandleAllocated()) DestroyHandle();
}

void TCustomTreeView::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  RegisterTreeViewClass();
  CreateSubClass(params, WC_TREEVIEW);
  params.Style |= TreeStyles() | WS_TABSTOP;
  if (border_style_ != bsNone) {
    params.Style &= ~WS_BORDER;
    params.ExStyle |= WS_EX_CLIENTEDGE;
  }
}

DWORD TCustomTreeView::TreeStyles() const {
  DWORD s = 0;
  if (show_buttons_) s |= TVS_HASBUTTONS;
  if (show_lines_) s |= TVS_HASLINES;
  if (show_root_) s |= TVS_LINESATROOT;
  if (!read_only_) s |= TVS_EDITLABELS;
  if (!hide_selection_) s |= TVS_SHOWSELALWAYS;
  if (!tool_tips_) s |= TVS_NOTOOLTIPS;
  if (hot_track_) s |= TVS_TRACKSELECT;
  if (row_select_) s |= TVS_FULLROWSELECT;
  if (auto_expand_) s |= TVS_SINGLEEXPAND;
  // The control's own drag notification only names the node; the drag
  // manager does the dragging.
  return s;
}

void TCustomTreeView::SetStyleFlag(bool& flag, bool value) {
  if (flag == value) return;
  flag = value;
  if (!HandleAllocated()) return;
  constexpr DWORD kMask = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS |
                          TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS | TVS_TRACKSELECT | TVS_FULLROWSELECT |
                          TVS_SINGLEEXPAND;
  const auto style = static_cast<DWORD>(GetWindowLongPtr(WindowHandle(), GWL_STYLE));
  SetWindowLongPtr(WindowHandle(), GWL_STYLE,
                   static_cast<LONG_PTR>((style & ~kMask) | TreeStyles()));
  Invalidate();
}

void TCustomTreeView::SetBorderStyle(TFormBorderStyle value) {
  if (border_style_ == value) return;
  border_style_ = value;
  RecreateWnd();
}

void TCustomTreeView::CreateHandle() {
  TWinControl::CreateHandle();
}

void TCustomTreeView::CreateWnd() {
  TWinControl::CreateWnd();
  const HWND h = WindowHandle();
  SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
  TreeView_SetBkColor(h, ColorToRGB(Color()));
  TreeView_SetTextColor(h, ColorToRGB(Font()->Color()));
  TreeView_SetIndent(h, indent_);
  ApplyImageList(images_, TVSIL_NORMAL);
  ApplyImageList(state_images_, TVSIL_STATE);
  if (saved_.empty()) return;
  // Nodes kept while the window was made anew come back as they were.
  std::vector<TSavedNode> saved = std::move(saved_);
  saved_.clear();
  std::vector<TTreeNode*> chain;
  TTreeNode* select = nullptr;
  std::vector<TTreeNode*> expand;
  items_->BeginUpdate();
  for (const TSavedNode& s : saved) {
    TTreeNode* parent = s.level > 0 && static_cast<size_t>(s.level) <= chain.size()
                            ? chain[static_cast<size_t>(s.level - 1)]
                            : nullptr;
    TTreeNode* n = parent ? items_->AddChildObject(parent, s.text, s.data)
                          : items_->AddObject(nullptr, s.text, s.data);
    if (!n) continue;
    n->SetImageIndex(s.image);
    n->SetSelectedIndex(s.selected);
    if (s.state >= 0) n->SetStateIndex(s.state);
    if (s.hasChildren) n->SetHasChildren(true);
    if (s.expanded) expand.push_back(n);
    if (s.selectedNode) select = n;
    chain.resize(static_cast<size_t>(s.level));
    chain.push_back(n);
  }
  for (TTreeNode* n : expand) n->Expand(false);
  if (select) select->SetSelected(true);
  items_->EndUpdate();
}

void TCustomTreeView::DestroyWnd() {
  if (!destroying_ && !ComponentState().Contains(csDestroying)) {
    saved_.clear();
    for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNext())
      saved_.push_back(TSavedNode{n->Level(), n->Text(), n->Data(), n->ImageIndex(),
                                  n->SelectedIndex(), n->StateIndex(), n->HasChildren(),
                                  n->Expanded(), n->Selected()});
  }
  // The nodes go with their items, without OnDeletion or selection
  // events: they come back (or the tree is going).
  const TTVExpandedEvent deletion = std::move(OnDeletion);
  OnDeletion = nullptr;
  {
    ++moving_depth_;
    TScopeExit restore([&] {
      --moving_depth_;
      OnDeletion = deletion;
    });
    items_->Clear();
  }
  TWinControl::DestroyWnd();
}

void TCustomTreeView::CMFontChanged(TMessage& message) {
  TWinControl::CMFontChanged(message);
  if (!HandleAllocated()) return;
  SendMessage(WindowHandle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
  TreeView_SetTextColor(WindowHandle(), ColorToRGB(Font()->Color()));
}

void TCustomTreeView::CMColorChanged(TMessage& message) {
  TWinControl::CMColorChanged(message);
  if (HandleAllocated()) TreeView_SetBkColor(WindowHandle(), ColorToRGB(Color()));
}

void TCustomTreeView::ApplyImageList(TCustomImageList* list, WPARAM which) {
  if (!HandleAllocated()) return;
  TreeView_SetImageList(WindowHandle(), list ? list->Handle() : nullptr, which);
}

void TCustomTreeView::SetImages(TCustomImageList* value) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
  ApplyImageList(images_, TVSIL_NORMAL);
}

void TCustomTreeView::SetStateImages(TCustomImageList* value) {
  if (state_images_) state_images_->RemoveFreeNotification(this);
  state_images_ = value;
  if (state_images_) state_images_->FreeNotification(this);
  ApplyImageList(state_images_, TVSIL_STATE);
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == images_) SetImages(nullptr);
  if (component == state_images_) SetStateImages(nullptr);
}

Integer TCustomTreeView::Indent() {
  if (HandleAllocated()) indent_ = static_cast<Integer>(TreeView_GetIndent(WindowHandle()));
  return indent_;
}

void TCustomTreeView::SetIndent(Integer value) {
  indent_ = value;
  if (HandleAllocated()) TreeView_SetIndent(WindowHandle(), value);
}

void TCustomTreeView::SetSortType(TSortType value) {
  if (sort_type_ == value) return;
  sort_type_ = value;
  if (HandleAllocated() && (value == stText || value == stBoth)) AlphaSort(true);
}

TTreeNode* TCustomTreeView::GetNodeFromItem(HTREEITEM item) {
  return items_->GetNode(item);
}

TTreeNode* TCustomTreeView::Selected() {
  return HandleAllocated() ? GetNodeFromItem(TreeView_GetSelection(WindowHandle())) : nullptr;
}

void TCustomTreeView::SetSelected(TTreeNode* value) {
  if (value)
    value->SetSelected(true);
  else if (HandleAllocated())
    TreeView_SelectItem(WindowHandle(), nullptr);
}

TTreeNode* TCustomTreeView::TopItem() {
  return HandleAllocated() ? GetNodeFromItem(TreeView_GetFirstVisible(WindowHandle())) : nullptr;
}

void TCustomTreeView::SetTopItem(TTreeNode* value) {
  if (value && HandleAllocated()) TreeView_SelectSetFirstVisible(WindowHandle(), value->ItemId());
}

TTreeNode* TCustomTreeView::DropTarget() {
  return HandleAllocated() ? GetNodeFromItem(TreeView_GetDropHilight(WindowHandle())) : nullptr;
}

void TCustomTreeView::SetDropTarget(TTreeNode* value) {
  if (!HandleAllocated()) return;
  TreeView_SelectDropTarget(WindowHandle(), value ? value->ItemId() : nullptr);
}

TTreeNode* TCustomTreeView::GetNodeAt(Integer x, Integer y) {
  if (!HandleAllocated()) return nullptr;
  TVHITTESTINFO info;
  info.pt = POINT{x, y};
  const HTREEITEM item = TreeView_HitTest(WindowHandle(), &info);
  if (!item ||
      !(info.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON)))
    return nullptr;
  return GetNodeFromItem(item);
}

THitTests TCustomTreeView::GetHitTestInfoAt(Integer x, Integer y) {
  THitTests result;
  if (!HandleAllocated()) return result;
  TVHITTESTINFO info;
  info.pt = POINT{x, y};
  TreeView_HitTest(WindowHandle(), &info);
  static constexpr std::pair<UINT, THitTest> kMap[] = {{TVHT_ABOVE, htAbove},
                                                       {TVHT_BELOW, htBelow},
                                                       {TVHT_NOWHERE, htNowhere},
                                                       {TVHT_ONITEMBUTTON, htOnButton},
                                                       {TVHT_ONITEMICON, htOnIcon},
                                                       {TVHT_ONITEMINDENT, htOnIndent},
                                                       {TVHT_ONITEMLABEL, htOnLabel},
                                                       {TVHT_ONITEMRIGHT, htOnRight},
                                                       {TVHT_ONITEMSTATEICON, htOnStateIcon},
                                                       {TVHT_TOLEFT, htToLeft},
                                                       {TVHT_TORIGHT, htToRight}};
  for (const auto& [flag, hit] : kMap)
    if (info.flags & flag) result += hit;
  if (info.flags & TVHT_ONITEM) result += htOnItem;
  return result;
}

void TCustomTreeView::FullExpand() {
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNextSibling()) n->Collapse(true);
}

bool TCustomTreeView::IsEditing() {
  return HandleAllocated() && TreeView_GetEditControl(WindowHandle()) != nullptr;
}

bool TCustomTreeView::AlphaSort(bool recurse) {
  if (!HandleAllocated()) return false;
  TVSORTCB sort;
  sort.hParent = TVI_ROOT;
  sort.lpfnCompare = &CompareNodeTexts;
  return TreeView_SortChildrenCB(WindowHandle(), &sort, recurse) != FALSE;
}

TTreeNode* TCustomTreeView::CreateNode() {
  return new TTreeNode(items_.get());
}

bool TCustomTreeView::CanChange(TTreeNode* node) {
  bool allow = true;
  if (OnChanging && moving_depth_ == 0) OnChanging(this, node, allow);
  return allow;
}

void TCustomTreeView::Change(TTreeNode* node) {
  if (OnChange && moving_depth_ == 0) OnChange(this, node);
}

bool TCustomTreeView::CanExpand(TTreeNode* node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, node, allow);
  return allow;
}

void TCustomTreeView::Expand(TTreeNode* node) {
  if (OnExpanded) OnExpanded(this, node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, node, allow);
  return allow;
}

void TCustomTreeView::Collapse(TTreeNode* node) {
  if (OnCollapsed) OnCollapsed(this, node);
}

bool TCustomTreeView::CanEdit(TTreeNode* node) {
  bool allow = !read_only_;
  if (allow && OnEditing) OnEditing(this, node, allow);
  return allow;
}

void TCustomTreeView::Edit(const TVITEM& item) {
  if (!item.pszText) return;  // cancelled
  String s = item.pszText;
  TTreeNode* node = GetNodeFromItem(item.hItem);
  if (OnEdited) OnEdited(this, node, s);
  if (node) node->SetText(s);
}

void TCustomTreeView::Delete(TTreeNode* node) {
  if (OnDeletion) OnDeletion(this, node);
}

void TCustomTreeView::GetImageIndex(TTreeNode* node) {
  if (OnGetImageIndex) OnGetImageIndex(this, node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* node) {
  if (OnGetSelectedIndex) OnGetSelectedIndex(this, node);
}

bool TCustomTreeView::IsCustomDrawn(bool item, TCustomDrawStage stage) {
  if (item) return stage == cdPrePaint && static_cast<bool>(OnCustomDrawItem);
  return static_cast<bool>(OnAdvancedCustomDraw);
}

bool TCustomTreeView::CustomDraw(const RECT& rect, TCustomDrawStage stage) {
  bool defaultDraw = true;
  if (OnAdvancedCustomDraw) OnAdvancedCustomDraw(this, rect, stage, defaultDraw);
  return defaultDraw;
}

bool TCustomTreeView::CustomDrawItem(TTreeNode* node, TCustomDrawState state,
                                     TCustomDrawStage stage) {
  bool defaultDraw = true;
  if (stage == cdPrePaint && OnCustomDrawItem) OnCustomDrawItem(this, node, state, defaultDraw);
  return defaultDraw;
}

LRESULT TCustomTreeView::CustomDrawNotify(NMTVCUSTOMDRAW* cd) {
  const DWORD stage = cd->nmcd.dwDrawStage;
  if (stage == CDDS_PREPAINT) {
    LRESULT result = CDRF_DODEFAULT;
    if (IsCustomDrawn(false, cdPrePaint)) {
      canvas_->SetHandle(cd->nmcd.hdc);
      const bool go = CustomDraw(cd->nmcd.rc, cdPrePaint);
      canvas_->SetHandle(nullptr);
      if (!go) return CDRF_SKIPDEFAULT;
    }
    if (IsCustomDrawn(true, cdPrePaint)) result |= CDRF_NOTIFYITEMDRAW;
    return result;
  }
  if (stage == CDDS_ITEMPREPAINT) {
    TTreeNode* node = GetNodeFromItem(reinterpret_cast<HTREEITEM>(cd->nmcd.dwItemSpec));
    if (!node) return CDRF_DODEFAULT;
    TCustomDrawState state;
    const UINT s = cd->nmcd.uItemState;
    if (s & CDIS_SELECTED) state += cdsSelected;
    if (s & CDIS_FOCUS) state += cdsFocused;
    if (s & CDIS_HOT) state += cdsHot;
    if (s & CDIS_DISABLED) state += cdsDisabled;
    canvas_->SetHandle(cd->nmcd.hdc);
    canvas_->Font()->Assign(Font());
    canvas_->Brush()->SetColor(Color());
    const bool go = CustomDrawItem(node, state, cdPrePaint);
    LRESULT result = CDRF_DODEFAULT;
    if (go) {
      cd->clrText = ColorToRGB(canvas_->Font()->Color());
      cd->clrTextBk = ColorToRGB(canvas_->Brush()->Color());
      SelectObject(cd->nmcd.hdc, canvas_->Font()->Handle());
      result = CDRF_NEWFONT;
    } else {
      result = CDRF_SKIPDEFAULT;
    }
    canvas_->SetHandle(nullptr);
    return result;
  }
  return CDRF_DODEFAULT;
}

void TCustomTreeView::CNNotify(TMessage& message) {
  auto* hdr = reinterpret_cast<NMHDR*>(message.LParam);
  auto* nm = reinterpret_cast<NMTREEVIEW*>(message.LParam);
  switch (hdr->code) {
    case TVN_SELCHANGING:
      message.Result = CanChange(GetNodeFromItem(nm->itemNew.hItem)) ? 0 : 1;
      break;
    case TVN_SELCHANGED:
      Change(GetNodeFromItem(nm->itemNew.hItem));
      break;
    case TVN_ITEMEXPANDING: {
      if (manual_notify_ > 0) break;
      TTreeNode* node = GetNodeFromItem(nm->itemNew.hItem);
      const UINT action = nm->action & TVE_ACTIONMASK;
      bool allow = true;
      if (action == TVE_EXPAND)
        allow = CanExpand(node);
      else if (action == TVE_COLLAPSE)
        allow = CanCollapse(node);
      message.Result = allow ? 0 : 1;
      break;
    }
    case TVN_ITEMEXPANDED: {
      if (manual_notify_ > 0) break;
      TTreeNode* node = GetNodeFromItem(nm->itemNew.hItem);
      if ((nm->action & TVE_ACTIONMASK) == TVE_EXPAND)
        Expand(node);
      else if ((nm->action & TVE_ACTIONMASK) == TVE_COLLAPSE)
        Collapse(node);
      break;
    }
    case TVN_BEGINDRAG:
      dragged_ = true;
      drag_node_ = GetNodeFromItem(nm->itemNew.hItem);
      break;
    case TVN_BEGINLABELEDIT: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(message.LParam);
      message.Result = CanEdit(GetNodeFromItem(di->item.hItem)) ? 0 : 1;
      break;
    }
    case TVN_ENDLABELEDIT: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(message.LParam);
      Edit(di->item);
      message.Result = 0;  // the node took the text itself
      break;
    }
    case TVN_DELETEITEM: {
      TTreeNode* node = reinterpret_cast<TTreeNode*>(nm->itemOld.lParam);
      // A moved node has a new item already: the old one's going is no
      // deletion; nor is that of a node already freed with the tree.
      if (!node || destroying_ || !items_->Owns(node) || node->item_ != nm->itemOld.hItem) break;
      if (node == drag_node_) drag_node_ = nullptr;
      if (!node->deleting_) {
        node->deleting_ = true;
        Delete(node);
      }
      items_->ItemDeleted(node);
      break;
    }
    case TVN_GETDISPINFO: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(message.LParam);
      TTreeNode* node = GetNodeFromItem(di->item.hItem);
      if (!node) break;
      if (di->item.mask & TVIF_IMAGE) {
        GetImageIndex(node);
        di->item.iImage = node->ImageIndex();
      }
      if (di->item.mask & TVIF_SELECTEDIMAGE) {
        GetSelectedIndex(node);
        di->item.iSelectedImage = node->SelectedIndex();
      }
      break;
    }
    case NM_CUSTOMDRAW:
      message.Result = CustomDrawNotify(reinterpret_cast<NMTVCUSTOMDRAW*>(message.LParam));
      break;
    default:
      break;
  }
}

void TCustomTreeView::Dispatch(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    CNNotify(message);
    return;
  }
  // A children flag set by anyone but its node: the node no longer knows it.
  if (message.Msg == TVM_SETITEM && message.LParam) {
    const auto* it = reinterpret_cast<const TVITEM*>(message.LParam);
    if ((it->mask & TVIF_CHILDREN) && !(children_sender_ && children_sender_->item_ == it->hItem))
      if (TTreeNode* node = GetNodeFromItem(it->hItem)) node->children_flag_ = false;
  }
  TWinControl::Dispatch(message);
}

void TCustomTreeView::WMButtonDown(TMessage& message, TMouseButton button, bool dbl) {
  dragged_ = false;
  if (button == mbLeft && !dbl && DragMode() == dmAutomatic) {
    // An automatic drag: the pressed node is selected and the drag starts
    // once the pointer moves.
    SetFocus();
    if (!Focused()) return;
    // Only a press on a node's icon or label drags; its button still
    // expands and collapses.
    TVHITTESTINFO info;
    info.pt = POINT{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    const HTREEITEM item = TreeView_HitTest(WindowHandle(), &info);
    TTreeNode* node = item && (info.flags & TVHT_ONITEM) ? GetNodeFromItem(item) : nullptr;
    if (node) {
      node->SetFocused(true);
      node->SetSelected(true);
      drag_node_ = node;
      NoteDragPress(ClientToScreen(info.pt));
      BeginDrag(false);
      return;
    }
    // Off the items the press is the window's (buttons, empty space).
    DefaultHandler(message);
    return;
  }
  TWinControl::WMButtonDown(message, button, dbl);
}

void TCustomTreeView::BeginAutoDrag() {
  BeginDrag(false);
}

void TCustomTreeView::SetFocus() {
  TWinControl::SetFocus();
}

TDragImageList* TCustomTreeView::GetDragImages() {
  return drag_image_->Count() > 0 ? drag_image_.get() : nullptr;
}

void TCustomTreeView::DoStartDrag(TDragObject*& dragObject) {
  TWinControl::DoStartDrag(dragObject);
  if (!dragged_ || !drag_node_) {
    POINT p;
    GetCursorPos(&p);
    p = ScreenToClient(p);
    if (TTreeNode* at = GetNodeAt(p.x, p.y)) drag_node_ = at;
  }
  drag_image_->SetHandle(nullptr);
  if (drag_node_ && HandleAllocated()) {
    if (HIMAGELIST list = TreeView_CreateDragImage(WindowHandle(), drag_node_->ItemId())) {
      drag_image_->SetHandle(list);
      drag_image_->SetDragImage(0, 2, 2);
    }
  }
}

void TCustomTreeView::DoEndDrag(TObject* target, Integer x, Integer y) {
  TWinControl::DoEndDrag(target, x, y);
  drag_image_->SetHandle(nullptr);
  drag_node_ = nullptr;
  dragged_ = false;
}

// --- Published properties -----------------------------------------------------------

void DeclareTreeViewProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    // Declared on the common base, so that every tree view (and the
    // component trees built on it) has them.
    using T = TCustomTreeView;
    TPublishedClass<T, TWinControl>()
        .AddInteger("Left", &T::Left, &T::SetLeft, 0)
        .AddInteger("Top", &T::Top, &T::SetTop, 0)
        .AddInteger("Width", &T::Width, &T::SetWidth, 121)
        .AddInteger("Height", &T::Height, &T::SetHeight, 97)
        .AddBoolean("Visible", &T::Visible, &T::SetVisible, true)
        .AddBoolean("Enabled", &T::Enabled, &T::SetEnabled, true)
        .AddBoolean("TabStop", &T::TabStop, &T::SetTabStop, true)
        .AddEnum("Align", &T::Align, &T::SetAlign,
                 {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}, alNone)
        .AddEnum("DragMode", &T::DragMode, &T::SetDragMode, {"dmManual", "dmAutomatic"}, dmManual)
        .AddInteger("DragCursor", &T::DragCursor, &T::SetDragCursor, crDrag)
        .AddEnum("SortType", &T::SortType, &T::SetSortType,
                 {"stNone", "stData", "stText", "stBoth"}, stNone)
        .AddBoolean("ReadOnly", &T::ReadOnly, &T::SetReadOnly)
        .AddComponent("Images", &T::Images, &T::SetImages)
        .AddComponent("StateImages", &T::StateImages, &T::SetStateImages)
        .AddInteger("Indent", &T::Indent, &T::SetIndent, 19)
        .AddEnum("BorderStyle", &T::BorderStyle, &T::SetBorderStyle,
                 {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
                 bsSingle)
        .AddBoolean("AutoExpand", &T::AutoExpand, &T::SetAutoExpand)
        .AddBoolean("HotTrack", &T::HotTrack, &T::SetHotTrack)
        .AddBoolean("RowSelect", &T::RowSelect, &T::SetRowSelect)
        .AddBoolean("ToolTips", &T::ToolTips, &T::SetToolTips, true)
        .AddBoolean("ShowButtons", &T::ShowButtons, &T::SetShowButtons, true)
        .AddBoolean("ShowLines", &T::ShowLines, &T::SetShowLines, true)
        .AddBoolean("ShowRoot", &T::ShowRoot, &T::SetShowRoot, true)
        .AddBoolean("HideSelection", &T::HideSelection, &T::SetHideSelection, true);
  });
}
