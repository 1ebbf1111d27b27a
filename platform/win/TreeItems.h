// platform/win/TreeItems.h
//
// The items of a tree view and the order of their rows, apart from the
// window. Internal to the tree-view control (and its tests and benchmark).
//
// Every item belongs to the sibling list of its parent (the hidden root for
// top-level items): a linked list for walking, and a randomised balanced
// search tree (a treap keyed by position) over the same items, each node
// summing the rows its part of the list occupies. An item occupies one row
// plus, when it is expanded, the rows of its children. So the row of an
// item, the item at a row and the effect of expanding, collapsing,
// inserting or deleting cost the depth of the tree times the logarithm of
// the siblings, never a walk of all items.
//
// Items live in blocks owned by the store, reused once deleted: a tree of a
// hundred thousand folders makes its items without one heap allocation
// each (the blocks are pool blocks, platform/rtl/PoolBlocks.h, backed by
// huge pages where the system has them), and telling a live item from a stale handle is a look at
// the block the address falls in and the item's own flag, not a hash lookup.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

// An empty label: a length of 0 (four bytes) and the terminating zero.
inline constexpr char kNoTreeText[8] = {};

// The fields are ordered to leave no padding: a tree of a hundred thousand
// folders holds as many items, and every byte of them is fresh memory the
// system has to clear.
struct TTreeItem {
  // The tree.
  TTreeItem* parent = nullptr;  // the hidden root for top-level items
  TTreeItem* first = nullptr;   // first child
  TTreeItem* last = nullptr;    // last child
  TTreeItem* next = nullptr;    // next sibling
  TTreeItem* prev = nullptr;    // previous sibling
  // The treap over the parent's children.
  TTreeItem* tLeft = nullptr;
  TTreeItem* tRight = nullptr;
  TTreeItem* tUp = nullptr;
  TTreeItem* tRoot = nullptr;  // root of the treap over this item's children

  // The item's data. The label lives in the store's text chunks
  // (TTreeItems::Text and SetText), zero-terminated, its length in the four
  // bytes before it.
  const char* text = kNoTreeText + 4;
  LPARAM lParam = 0;
  int childCount = 0;
  int level = -1;  // 0 for top-level items, -1 for the root
  int image = 0;
  int selectedImage = 0;
  UINT state = 0;
  int textWidth = -1;            // cached label width in pixels, -1 when unknown
  std::uint32_t widthStamp = 0;  // the measuring the width belongs to

  // Row bookkeeping: `rows` is 1 + (expanded ? rows of all children : 0);
  // the root counts only its children. `sum` is the rows of this treap
  // node's subtree. The store holds fewer than 2^32 items (TTreeItems::Insert
  // refuses more), so no count of rows exceeds 32 bits.
  std::uint32_t rows = 1;
  std::uint32_t sum = 0;
  std::int8_t children = 0;  // the children flag: 0, 1, I_CHILDRENCALLBACK or the control's own
  bool textCallback = false;
  bool live = false;  // in the tree, not a free slot of the store
  // The treap over the children is not built: they are in their list only.
  // Only a collapsed item's may be left out: nothing needs it until the item
  // expands (or a sorted insert or a row asks), so a child added to or
  // removed from a collapsed folder costs no walk in it. It is built from
  // the list, in one pass, when needed.
  bool treapStale = false;

  bool Expanded() const;
};
// Two cache lines: an item is read whole when walked, drawn or inserted beside.
static_assert(sizeof(TTreeItem) == 128);

class TTreeItems {
 public:
  TTreeItems();
  ~TTreeItems();
  TTreeItems(const TTreeItems&) = delete;
  TTreeItems& operator=(const TTreeItems&) = delete;

  TTreeItem* Root() { return &root_; }
  bool IsRoot(const TTreeItem* item) const { return item == &root_; }
  // Whether `item` is a live item of this tree (the root is not an item).
  bool Contains(const TTreeItem* item) const;
  std::size_t Count() const { return count_; }

  // A new item under `parent` after `after` (nullptr: first); nullptr
  // when the store holds as many items as its row counts can count.
  TTreeItem* Insert(TTreeItem* parent, TTreeItem* after);
  // Unlinks an item and frees it with its whole subtree: only the item
  // itself leaves its parent's sibling tree, the descendants are freed
  // where they stand.
  void Remove(TTreeItem* item);
  // Frees every item at once, without unlinking item by item; the store
  // keeps its blocks for the items that follow.
  void Clear();
  // Puts the children of `parent` in the order given (the same items).
  void Arrange(TTreeItem* parent, const std::vector<TTreeItem*>& order);

  // Expands or collapses (the TVIS_EXPANDED bit), keeping row counts.
  void SetExpanded(TTreeItem* item, bool expanded);

  // Whether every ancestor is expanded.
  bool IsShown(const TTreeItem* item) const;
  // The rows the tree shows.
  std::int64_t RowCount() const { return root_.rows; }
  // The row of a shown item, counted from 0.
  std::int64_t RowOf(const TTreeItem* item) const;
  // The item at `row` (nullptr outside 0 .. RowCount() - 1).
  TTreeItem* ItemAtRow(std::int64_t row) const;
  // The shown item after / before `item` (nullptr at the ends).
  static TTreeItem* NextShown(const TTreeItem* item);
  TTreeItem* PrevShown(const TTreeItem* item) const;
  // The last shown item of the tree.
  TTreeItem* LastShown() const;

  // The last child of `parent` for which `before` holds, for a `before`
  // that holds for a first run of the children and not after it (the
  // place of a new item in a sorted list); nullptr when it holds for none.
  // Costs the logarithm of the children.
  static TTreeItem* LastBefore(const TTreeItem* parent,
                               const std::function<bool(const TTreeItem*)>& before);

  // Whether `item` lies inside the subtree of `ancestor` (or is it).
  static bool IsInside(const TTreeItem* item, const TTreeItem* ancestor);

  // An item's label (zero-terminated) and its change.
  static std::string_view Text(const TTreeItem* item);
  void SetText(TTreeItem* item, std::string_view text);

 private:
  // Fixes the sums from treap node `node` (may be nullptr) up through
  // `parent`'s treap, then the rows of `parent` and above.
  void UpdateFrom(TTreeItem* node, TTreeItem* parent);
  static std::int64_t RecalcAll(TTreeItem* node);
  static void Recalc(TTreeItem* node);       // node.sum from its treap children
  static void Rotate(TTreeItem* node);       // lifts `node` over its treap parent
  static TTreeItem*& Link(TTreeItem* node);  // the pointer that holds `node`
  static std::int64_t SumBefore(const TTreeItem* item);
  // Builds the treap over the children of `parent` from their list, when
  // it was left out (treapStale), with its sums.
  static void EnsureTreap(TTreeItem* parent);
  // Builds the treap over the children of `parent` from their list.
  static void BuildTreap(TTreeItem* parent);

  // A free slot of the store, or a fresh one from a new block.
  TTreeItem* Allocate();
  // Puts an unlinked item back into the free slots.
  void Free(TTreeItem* item);

  TTreeItem root_;
  // Blocks sorted by address. Freed slots wait in `free_`, oldest first,
  // and are taken again only once many wait, so that a handle just deleted
  // does not at once name a new item.
  struct TBlockFree {
    void operator()(TTreeItem* items) const noexcept;
  };
  using TBlock = std::unique_ptr<TTreeItem, TBlockFree>;
  std::vector<TBlock> blocks_;
  std::deque<TTreeItem*> free_;
  // Slots freed all at once by Clear, handed out in this order.
  struct TSpare {
    TTreeItem* block;
    std::size_t from, to;
  };
  std::deque<TSpare> spare_;
  // The blocks of the last two addresses Contains found, latest first:
  // handles come in runs, and a tree being filled names the newest items
  // and their parents, often in another block.
  mutable std::size_t last_hits_[2] = {0, 0};

  // Labels, packed one after the other in chunks (a label costs its bytes
  // and five more, not a string object and a heap block of its own), all
  // given back at once with the items. A changed or deleted label leaves
  // its bytes behind; once they outweigh the live ones the chunks are
  // packed anew.
  struct TChunkFree {
    std::size_t size;
    void operator()(char* bytes) const noexcept;
  };
  struct TTextChunk {
    std::unique_ptr<char, TChunkFree> bytes;
    std::size_t size = 0, used = 0;
  };
  const char* StoreText(std::string_view text);
  void ForgetText(const TTreeItem* item);  // its bytes become dead
  void PackTexts();
  std::vector<TTextChunk> chunks_;
  std::size_t text_live_ = 0, text_dead_ = 0;
  std::size_t used_in_last_ = 0;  // slots handed out from the newest block
  TTreeItem* last_block_ = nullptr;
  std::size_t count_ = 0;
};
