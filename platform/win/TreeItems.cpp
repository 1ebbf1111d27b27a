// platform/win/TreeItems.cpp
#include "platform/win/TreeItems.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "platform/rtl/PoolBlocks.h"

namespace {

constexpr UINT kExpanded = 0x0020;  // TVIS_EXPANDED
// As many items as a pool block holds: the kernel clears the whole block
// (its huge page) whether the items fill it or not.
constexpr std::size_t kBlockItems = kPoolBlockBytes / sizeof(TTreeItem);
constexpr std::size_t kWaitingFree = 256;
static_assert(kBlockItems * sizeof(TTreeItem) <= kPoolBlockBytes);

// An item's treap priority: its address well mixed (the finaliser of
// splitmix64), as good as a random number for balancing and kept in no
// field, so that an item fills two cache lines rather than three and a
// comparison reads neither item's memory.
std::uint64_t PriorityOf(const TTreeItem* item) {
  auto x = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(item));
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::int64_t SumOf(const TTreeItem* n) {
  return n ? n->sum : 0;
}

constexpr std::size_t kMaxItems = UINT32_MAX - 1;

// Chunks are pool blocks (huge pages where the system has them); a label
// larger than half a block has a heap block of its own.
constexpr std::size_t kTextChunk = kPoolBlockBytes;

const char* NoText() {
  return kNoTreeText + 4;
}

std::uint32_t LengthOf(const char* text) {
  std::uint32_t length;
  std::memcpy(&length, text - 4, sizeof length);
  return length;
}

// The bytes a label of `length` takes in a chunk: its length, the label,
// the zero, up to a multiple of four.
std::size_t EntryBytes(std::size_t length) {
  return (4 + length + 1 + 3) & ~std::size_t{3};
}

}  // namespace

bool TTreeItem::Expanded() const {
  return (state & kExpanded) != 0;
}

TTreeItems::TTreeItems() {
  root_.rows = 0;
  root_.sum = 0;
  root_.state = kExpanded;
}

TTreeItems::~TTreeItems() = default;

void TTreeItems::TBlockFree::operator()(TTreeItem* items) const noexcept {
  std::destroy_n(items, kBlockItems);
  GivePoolBlock(items);
}

bool TTreeItems::Contains(const TTreeItem* item) const {
  if (!item) return false;
  // The last block starting at or below the address; addresses compared as
  // numbers, since a stale handle may point anywhere.
  const auto address = reinterpret_cast<std::uintptr_t>(item);
  constexpr std::uintptr_t kBlockSpan = kBlockItems * sizeof(TTreeItem);
  const auto startOf = [this](std::size_t i) {
    return reinterpret_cast<std::uintptr_t>(blocks_[i].get());
  };
  const auto within = [&](std::size_t i) {
    return i < blocks_.size() && address >= startOf(i) && address - startOf(i) < kBlockSpan;
  };
  std::size_t hit = last_hits_[0];
  if (!within(hit)) {
    if (within(last_hits_[1])) {
      std::swap(last_hits_[0], last_hits_[1]);
    } else {
      auto after = std::upper_bound(blocks_.begin(), blocks_.end(), address,
                                    [](std::uintptr_t a, const TBlock& b) {
                                      return a < reinterpret_cast<std::uintptr_t>(b.get());
                                    });
      if (after == blocks_.begin()) return false;
      last_hits_[1] = last_hits_[0];
      last_hits_[0] = static_cast<std::size_t>(after - 1 - blocks_.begin());
    }
    hit = last_hits_[0];
  }
  const std::uintptr_t offset = address - startOf(hit);
  if (offset >= kBlockItems * sizeof(TTreeItem) || offset % sizeof(TTreeItem) != 0) return false;
  return item->live;
}

TTreeItem* TTreeItems::Allocate() {
  if (free_.size() > kWaitingFree) {
    TTreeItem* item = free_.front();
    free_.pop_front();
    return item;
  }
  while (!spare_.empty()) {
    TSpare& range = spare_.front();
    if (range.from < range.to) return range.block + range.from++;
    spare_.pop_front();
  }
  if (!last_block_ || used_in_last_ == kBlockItems) {
    auto* items = static_cast<TTreeItem*>(TakePoolBlock());
    std::uninitialized_default_construct_n(items, kBlockItems);
    TBlock block(items);
    last_block_ = block.get();
    used_in_last_ = 0;
    auto at =
        std::upper_bound(blocks_.begin(), blocks_.end(), block, [](const auto& a, const auto& b) {
          return std::less<const TTreeItem*>()(a.get(), b.get());
        });
    blocks_.insert(at, std::move(block));
  }
  return last_block_ + used_in_last_++;
}

void TTreeItems::Recalc(TTreeItem* node) {
  node->sum = static_cast<std::uint32_t>(node->rows + SumOf(node->tLeft) + SumOf(node->tRight));
}

TTreeItem*& TTreeItems::Link(TTreeItem* node) {
  if (!node->tUp) return node->parent->tRoot;
  return node->tUp->tLeft == node ? node->tUp->tLeft : node->tUp->tRight;
}

void TTreeItems::Rotate(TTreeItem* x) {
  TTreeItem* p = x->tUp;
  TTreeItem*& link = Link(p);
  if (p->tLeft == x) {
    p->tLeft = x->tRight;
    if (x->tRight) x->tRight->tUp = p;
    x->tRight = p;
  } else {
    p->tRight = x->tLeft;
    if (x->tLeft) x->tLeft->tUp = p;
    x->tLeft = p;
  }
  x->tUp = p->tUp;
  p->tUp = x;
  link = x;
  Recalc(p);
  Recalc(x);
}

void TTreeItems::UpdateFrom(TTreeItem* node, TTreeItem* parent) {
  while (parent) {
    if (!IsRoot(parent) && !parent->Expanded()) {
      // Its rows stay 1 whatever its children; their treap and its sums
      // wait for its expansion.
      parent->treapStale = true;
      return;
    }
    for (TTreeItem* n = node; n; n = n->tUp) Recalc(n);
    const std::int64_t childRows = SumOf(parent->tRoot);
    if (IsRoot(parent)) {
      parent->rows = static_cast<std::uint32_t>(childRows);
      return;
    }
    const auto rows = static_cast<std::uint32_t>(1 + (parent->Expanded() ? childRows : 0));
    if (rows == parent->rows) return;  // nothing above changes
    parent->rows = rows;
    node = parent;
    parent = parent->parent;
  }
}

TTreeItem* TTreeItems::Insert(TTreeItem* parent, TTreeItem* after) {
  if (count_ >= kMaxItems) return nullptr;
  TTreeItem* item = Allocate();
  item->live = true;
  ++count_;
  item->parent = parent;
  item->level = parent->level + 1;
  item->rows = item->sum = 1;

  // The sibling list.
  item->prev = after;
  item->next = after ? after->next : parent->first;
  (item->prev ? item->prev->next : parent->first) = item;
  (item->next ? item->next->prev : parent->last) = item;
  ++parent->childCount;

  if (!IsRoot(parent) && !parent->Expanded()) {
    // A collapsed folder's row does not change; its treap waits.
    parent->treapStale = true;
    return item;
  }
  // The treap: as the in-order successor of `after`, then lifted by priority.
  if (!parent->tRoot) {
    parent->tRoot = item;
  } else if (!after) {
    TTreeItem* n = parent->tRoot;
    while (n->tLeft) n = n->tLeft;
    n->tLeft = item;
    item->tUp = n;
  } else if (!after->tRight) {
    after->tRight = item;
    item->tUp = after;
  } else {
    TTreeItem* n = after->tRight;
    while (n->tLeft) n = n->tLeft;
    n->tLeft = item;
    item->tUp = n;
  }
  // Rotations keep the sums of the nodes they move right; UpdateFrom fixes
  // the rest of the path.
  while (item->tUp && PriorityOf(item->tUp) < PriorityOf(item)) Rotate(item);
  UpdateFrom(item, parent);
  return item;
}

void TTreeItems::Remove(TTreeItem* item) {
  TTreeItem* parent = item->parent;
  TTreeItem* up = nullptr;
  if (!IsRoot(parent) && !parent->Expanded()) {
    parent->treapStale = true;  // a collapsed folder's treap waits, as for inserts
  } else {
    // Down to a leaf of the treap, then cut off.
    while (item->tLeft || item->tRight) {
      TTreeItem* c = !item->tRight                                        ? item->tLeft
                     : !item->tLeft                                       ? item->tRight
                     : PriorityOf(item->tLeft) > PriorityOf(item->tRight) ? item->tLeft
                                                                          : item->tRight;
      Rotate(c);
    }
    up = item->tUp;
    Link(item) = nullptr;
  }

  (item->prev ? item->prev->next : parent->first) = item->next;
  (item->next ? item->next->prev : parent->last) = item->prev;
  --parent->childCount;
  // The descendants go with their own links: nothing outside the subtree
  // points at them any more.
  for (TTreeItem* it = item; it;) {
    if (it->first) {
      TTreeItem* child = it->first;
      it->first = child->next;
      it = child;
      continue;
    }
    TTreeItem* up_in_tree = it == item ? nullptr : it->parent;
    Free(it);
    it = up_in_tree;
  }
  UpdateFrom(up, parent);
}

void TTreeItems::Free(TTreeItem* item) {
  ForgetText(item);
  *item = TTreeItem{};  // `live` is false again
  free_.push_back(item);
  --count_;
}

void TTreeItems::Clear() {
  // The blocks stay for the next items (a tree cleared is mostly filled
  // again); the labels go all at once.
  chunks_.clear();
  text_live_ = text_dead_ = 0;
  spare_.clear();
  free_.clear();
  for (const TBlock& block : blocks_) {
    TTreeItem* items = block.get();
    if (items != last_block_) spare_.push_back({items, 0, kBlockItems});
    for (std::size_t i = 0; i < kBlockItems; ++i)
      if (items[i].live) items[i] = TTreeItem{};
  }
  // The slots never handed out come first and those of the newest block
  // last, so that a handle of the old tree does not at once name a new item.
  if (last_block_) {
    spare_.push_front({last_block_, used_in_last_, kBlockItems});
    spare_.push_back({last_block_, 0, used_in_last_});
    used_in_last_ = kBlockItems;
  }
  count_ = 0;
  root_.first = root_.last = root_.tRoot = nullptr;
  root_.childCount = 0;
  root_.rows = root_.sum = 0;
}

std::int64_t TTreeItems::RecalcAll(TTreeItem* node) {
  if (!node) return 0;
  node->sum =
      static_cast<std::uint32_t>(node->rows + RecalcAll(node->tLeft) + RecalcAll(node->tRight));
  return node->sum;
}

void TTreeItems::Arrange(TTreeItem* parent, const std::vector<TTreeItem*>& order) {
  // The sibling list in the new order.
  parent->first = parent->last = nullptr;
  for (TTreeItem* item : order) {
    item->prev = parent->last;
    item->next = nullptr;
    (parent->last ? parent->last->next : parent->first) = item;
    parent->last = item;
  }
  BuildTreap(parent);
  UpdateFrom(nullptr, parent);
}

void TTreeItems::EnsureTreap(TTreeItem* parent) {
  if (parent->treapStale) BuildTreap(parent);
}

void TTreeItems::BuildTreap(TTreeItem* parent) {
  // The Cartesian tree of the priorities in the list's order: the treap
  // that inserting them one by one would have made.
  std::vector<TTreeItem*> spine;
  for (TTreeItem* item = parent->first; item; item = item->next) {
    item->tLeft = item->tRight = item->tUp = nullptr;
    TTreeItem* popped = nullptr;
    while (!spine.empty() && PriorityOf(spine.back()) < PriorityOf(item)) {
      popped = spine.back();
      spine.pop_back();
    }
    item->tLeft = popped;
    if (popped) popped->tUp = item;
    if (!spine.empty()) {
      spine.back()->tRight = item;
      item->tUp = spine.back();
    }
    spine.push_back(item);
  }
  parent->tRoot = spine.empty() ? nullptr : spine.front();
  RecalcAll(parent->tRoot);
  parent->treapStale = false;
}

void TTreeItems::SetExpanded(TTreeItem* item, bool expanded) {
  if (item->Expanded() == expanded) return;
  item->state = expanded ? (item->state | kExpanded) : (item->state & ~kExpanded);
  if (expanded) EnsureTreap(item);
  item->rows = static_cast<std::uint32_t>(1 + (expanded ? SumOf(item->tRoot) : 0));
  UpdateFrom(item, item->parent);
}

bool TTreeItems::IsShown(const TTreeItem* item) const {
  for (const TTreeItem* p = item->parent; p && !IsRoot(p); p = p->parent)
    if (!p->Expanded()) return false;
  return true;
}

std::int64_t TTreeItems::SumBefore(const TTreeItem* item) {
  std::int64_t s = SumOf(item->tLeft);
  for (const TTreeItem* n = item; n->tUp; n = n->tUp)
    if (n->tUp->tRight == n) s += SumOf(n->tUp->tLeft) + n->tUp->rows;
  return s;
}

std::int64_t TTreeItems::RowOf(const TTreeItem* item) const {
  std::int64_t row = 0;
  for (const TTreeItem* it = item; !IsRoot(it); it = it->parent) {
    EnsureTreap(it->parent);  // a hidden item's folder may have none yet
    row += SumBefore(it);
    if (!IsRoot(it->parent)) ++row;  // the parent's own row
  }
  return row;
}

TTreeItem* TTreeItems::ItemAtRow(std::int64_t row) const {
  if (row < 0 || row >= root_.rows) return nullptr;
  TTreeItem* n = root_.tRoot;
  while (n) {
    const std::int64_t left = SumOf(n->tLeft);
    if (row < left) {
      n = n->tLeft;
    } else if (row < left + n->rows) {
      row -= left;
      if (row == 0) return n;
      --row;
      n = n->tRoot;
    } else {
      row -= left + n->rows;
      n = n->tRight;
    }
  }
  return nullptr;
}

TTreeItem* TTreeItems::NextShown(const TTreeItem* item) {
  if (item->Expanded() && item->first) return item->first;
  for (const TTreeItem* it = item; it && it->level >= 0; it = it->parent)
    if (it->next) return it->next;
  return nullptr;
}

TTreeItem* TTreeItems::PrevShown(const TTreeItem* item) const {
  if (TTreeItem* p = item->prev) {
    while (p->Expanded() && p->last) p = p->last;
    return p;
  }
  return IsRoot(item->parent) ? nullptr : item->parent;
}

TTreeItem* TTreeItems::LastShown() const {
  TTreeItem* p = root_.last;
  while (p && p->Expanded() && p->last) p = p->last;
  return p;
}

TTreeItem* TTreeItems::LastBefore(const TTreeItem* parent,
                                  const std::function<bool(const TTreeItem*)>& before) {
  // The treap is a cache over the list: building it changes no item's place.
  EnsureTreap(const_cast<TTreeItem*>(parent));
  TTreeItem* found = nullptr;
  for (TTreeItem* n = parent->tRoot; n;) {
    if (before(n)) {
      found = n;
      n = n->tRight;
    } else {
      n = n->tLeft;
    }
  }
  return found;
}

bool TTreeItems::IsInside(const TTreeItem* item, const TTreeItem* ancestor) {
  for (; item; item = item->parent)
    if (item == ancestor) return true;
  return false;
}

void TTreeItems::TChunkFree::operator()(char* bytes) const noexcept {
  if (size == kTextChunk)
    GivePoolBlock(bytes);
  else
    ::operator delete(bytes);
}

std::string_view TTreeItems::Text(const TTreeItem* item) {
  return std::string_view(item->text, LengthOf(item->text));
}

void TTreeItems::SetText(TTreeItem* item, std::string_view text) {
  // Stored before the old one is forgotten: `text` may be another label of this store.
  const char* stored = StoreText(text);
  ForgetText(item);
  item->text = stored;
  if (text_dead_ > text_live_ && text_dead_ > 4 * kTextChunk) PackTexts();
}

const char* TTreeItems::StoreText(std::string_view text) {
  if (text.empty()) return NoText();
  if (text.size() > UINT32_MAX - 8) throw std::length_error("tree item text too long");
  const std::size_t need = EntryBytes(text.size());
  TTextChunk* chunk = chunks_.empty() ? nullptr : &chunks_.back();
  if (!chunk || chunk->size - chunk->used < need) {
    TTextChunk fresh;
    fresh.size = std::max(kTextChunk, need);
    fresh.bytes = std::unique_ptr<char, TChunkFree>(
        static_cast<char*>(fresh.size == kTextChunk ? TakePoolBlock() : ::operator new(fresh.size)),
        TChunkFree{fresh.size});
    // A label larger than a chunk has one of its own, before the chunk
    // still being filled.
    const bool own = need > kTextChunk / 2 && chunk;
    chunk = &*chunks_.insert(own ? chunks_.end() - 1 : chunks_.end(), std::move(fresh));
  }
  char* entry = chunk->bytes.get() + chunk->used;
  chunk->used += need;
  const auto length = static_cast<std::uint32_t>(text.size());
  std::memcpy(entry, &length, sizeof length);
  std::memcpy(entry + 4, text.data(), text.size());
  entry[4 + text.size()] = 0;
  text_live_ += need;
  return entry + 4;
}

void TTreeItems::ForgetText(const TTreeItem* item) {
  if (item->text == NoText()) return;
  const std::size_t bytes = EntryBytes(LengthOf(item->text));
  text_live_ -= bytes;
  text_dead_ += bytes;
}

void TTreeItems::PackTexts() {
  std::vector<TTextChunk> old = std::move(chunks_);
  chunks_.clear();
  text_live_ = text_dead_ = 0;
  for (const TBlock& block : blocks_)
    for (std::size_t i = 0; i < kBlockItems; ++i)
      if (TTreeItem& item = block.get()[i]; item.live && item.text != NoText())
        item.text = StoreText(Text(&item));
}
