#include "ui/slDBTree.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <typeinfo>
#include <utility>

#include "platform/data/NumericFields.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/Edit.h"
#include "platform/win/Gdi.h"
#include "platform/win/Paint.h"
#include "platform/win/TreeView.h"
#include "platform/win/Window.h"
#include "ui/slDBTreePlace.h"

// --- keys ---------------------------------------------------------------

bool DataSetLocate(TDataSet* dataSet, const String& keyFields, const Variant& keyValues,
                   TLocateOptions options) {
  return dataSet->Locate(keyFields, keyValues, options);
}

namespace {

// An image number field's value; -1 (no image) for Null. An integer field
// (`integer`, the field itself when it is one), the usual kind, reads its
// record once for both.
Integer ImageNumber(TField* field, const TIntegerField* integer) {
  if (integer) {
    Integer value;
    return integer->GetValue(value) ? value : -1;
  }
  return field->IsNull() ? -1 : field->AsInteger();
}

Integer ImageNumber(TField* field) {
  return ImageNumber(field, dynamic_cast<const TIntegerField*>(field));
}

// Gives a flag a value for a scope and puts the old one back on every way
// out. Putting back a bool cannot fail, so unlike the general guard it asks
// nothing about exceptions in flight: it stands in the per-record path.
class TFlagScope {
 public:
  TFlagScope(bool& flag, bool value) : flag_(flag), previous_(std::exchange(flag, value)) {}
  ~TFlagScope() { flag_ = previous_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

// How many keyed records ahead a rebuild asks for their nodes: far enough
// for memory to answer while the file rows between are read.
constexpr Integer kPrefetchNodes = 4;

bool IsIntegerVariant(const Variant& v) {
  const TVarType t = v.Type();
  return t == varInteger || t == varSmallint || t == varInt64;
}

// Whether `a` holds exactly what `b` holds, type included, for the values a
// catalogue's parent field gives (Null and integers); anything else answers
// false, and the caller assigns.
bool SameIntegerOrNull(const Variant& a, const Variant& b) {
  if (a.Type() != b.Type()) return false;
  return a.IsNull() || (IsIntegerVariant(a) && a.AsInt64() == b.AsInt64());
}

// The relationship of a to b; vrNotEqual when they do not compare.
TVariantRelationship Relate(const Variant& a, const Variant& b) {
  // Integer keys, the usual kind, compare as numbers without the general
  // comparison's conversions.
  if (IsIntegerVariant(a) && IsIntegerVariant(b)) {
    const Int64 x = a.AsInt64(), y = b.AsInt64();
    return x < y ? vrLessThan : x > y ? vrGreaterThan : vrEqual;
  }
  try {
    return VarCompareValue(a, b);
  } catch (const Exception&) {
    return vrNotEqual;
  }
}

}  // namespace

bool KeyEqual(const Variant& a, const Variant& b) {
  return Relate(a, b) == vrEqual;
}
bool KeyGreater(const Variant& a, const Variant& b) {
  return Relate(a, b) == vrGreaterThan;
}
bool KeyGreaterOrEqual(const Variant& a, const Variant& b) {
  const TVariantRelationship r = Relate(a, b);
  return r == vrGreaterThan || r == vrEqual;
}

// --- TslDBTreeNode ------------------------------------------------------

TslDBTreeNode::TslDBTreeNode(TTreeNodes* owner, TslDBTreeNodes* index, Variant&& key)
    : TslTreeNode(owner),
      index_(index),
      key_value_(std::move(key)),
      has_int_key_(IsIntegerVariant(key_value_)) {
  if (index_) index_->Insert(this);
}

TslDBTreeNode::~TslDBTreeNode() {
  if (sort_index_ >= 0 && !index_->Destroying()) index_->Remove(this);
}

void TslDBTreeNode::SetKeyValue(const Variant& value) {
  if (VarIsNull(value) == VarIsNull(key_value_) && KeyEqual(value, key_value_)) return;
  if (sort_index_ >= 0) index_->Remove(this);
  AssignKey(value);
  if (index_) index_->Insert(this);
}

void TslDBTreeNode::AssignKey(const Variant& key) {
  key_value_ = key;
  has_int_key_ = IsIntegerVariant(key_value_);
}

void TslDBTreeNode::SetListText(String value) {
  if (list_text_) {
    *list_text_ = std::move(value);
  } else {
    list_text_ = std::make_unique<String>(std::move(value));
  }
}

TColor TslDBTreeNode::Color() const {
  return appearance_ ? appearance_->Color : clWindow;
}

TColor TslDBTreeNode::FontColor() const {
  return appearance_ ? appearance_->FontColor : Owner()->Owner()->Font()->Color();
}

TFontStyles TslDBTreeNode::FontStyle() const {
  return appearance_ ? appearance_->FontStyle : Owner()->Owner()->Font()->Style();
}

String TslDBTreeNode::FontName() const {
  return appearance_ ? appearance_->FontName : Owner()->Owner()->Font()->Name();
}

TslDBTreeNodeAppearance& TslDBTreeNode::OwnAppearance() {
  if (!appearance_) {
    TFont* font = Owner()->Owner()->Font();
    appearance_ = std::make_unique<TslDBTreeNodeAppearance>(
        TslDBTreeNodeAppearance{clWindow, font->Color(), font->Style(), font->Name()});
  }
  return *appearance_;
}

void TslDBTreeNode::SetChildrenLoaded(bool value) {
  if (children_loaded_ == value) return;
  children_loaded_ = value;
  auto* tree = dynamic_cast<TslDBTreeView*>(TreeView());
  if (value) {
    if (tree) tree->LoadChildren(this, false);
    return;
  }
  const bool button = HasChildren();
  DeleteChildren();
  SetHasChildren(button);
}

void TslDBTreeNode::MoveTo(TTreeNode* destination, TNodeAttachMode mode) {
  // The drag tree moves under a node through an empty child it adds first;
  // made while the tree is busy it would otherwise take the current record's
  // key, which another node already has.
  auto* tree = dynamic_cast<TslDBTreeView*>(TreeView());
  if (!tree) {
    TslTreeNode::MoveTo(destination, mode);
    return;
  }
  // A move the tree will write fails here, before any node moves, when the
  // node's record is gone.
  tree->RequireRecordFor(this);
  const auto placing = SetForScope(tree->placeholder_, true);
  TslTreeNode::MoveTo(destination, mode);
}

// --- TslDBTreeNodes -----------------------------------------------------

TslDBTreeNodes::~TslDBTreeNodes() {
  destroying_ = true;
  Clear();
}

namespace {

// The first position in [low, high] whose key is not below `key`, known to
// lie there (high when every key before it is below), searched in doubling
// steps from `low` up.
Integer GallopUp(const Int64* keys, Integer low, Integer high, Int64 key) {
  for (Integer step = 1; high - low > step; step *= 2) {
    const Integer probe = low + step - 1;
    if (keys[probe] >= key) {
      high = probe;
      break;
    }
    low = probe + 1;
  }
  return static_cast<Integer>(std::lower_bound(keys + low, keys + high, key) - keys);
}

// The same, searched in doubling steps from `high` down.
Integer GallopDown(const Int64* keys, Integer low, Integer high, Int64 key) {
  for (Integer step = 1; high - low > step; step *= 2) {
    const Integer probe = high - step;
    if (keys[probe] < key) {
      low = probe + 1;
      break;
    }
    high = probe;
  }
  return static_cast<Integer>(std::lower_bound(keys + low, keys + high, key) - keys);
}

// How far apart two numbers are, `below` not above `above`, capped at `cap`
// (the difference of extreme keys does not fit an Int64).
Integer Distance(Int64 below, Int64 above, Integer cap) {
  const auto d = static_cast<std::uint64_t>(above) - static_cast<std::uint64_t>(below);
  return d >= static_cast<std::uint64_t>(cap) ? cap : static_cast<Integer>(d);
}

}  // namespace

Integer TslDBTreeNodes::IntKeyPosition(Int64 key, Integer near) const {
  const Int64* keys = int_keys_.data();
  const Integer count = Count();
  // Keys arriving in ascending order, the usual build, go last: one
  // comparison, no search.
  if (key > keys[count - 1]) return count;
  if (near < 0) return static_cast<Integer>(std::lower_bound(keys, keys + count, key) - keys);
  near = std::min(near, count - 1);
  // The keys are distinct integers in ascending order, so two of them lie at
  // least as far apart in value as in position: the key's place is no
  // further from `near` than its distance in value. Keys given one after
  // another (a table's ids) put it exactly there, and each gap between only
  // widens the search by a step.
  if (keys[near] < key) {
    const Integer high = near + Distance(keys[near], key, count - 1 - near);
    return GallopDown(keys, near + 1, high, key);
  }
  const Integer low = near - Distance(key, keys[near], near);
  return GallopUp(keys, low, near, key);
}

bool TslDBTreeNodes::FindKeyIndex(const Variant& key, Integer& index) const {
  return FindKeyIndexNear(key, -1, index);
}

bool TslDBTreeNodes::FindIntKeyIndexNear(Int64 key, Integer near, Integer& index) const {
  // Unless every key is a number, the general search compares them.
  if (other_keys_ != 0) return FindKeyIndexNear(Variant(key), near, index);
  index = -1;
  const Integer count = Count();
  if (count == 0) return false;
  // Every key a number: search the numbers side by side, not node by node.
  index = IntKeyPosition(key, near);
  if (index == count) return false;
  if (int_keys_[static_cast<std::size_t>(index)] == key) return true;
  if (index == 0) index = -1;
  return false;
}

bool TslDBTreeNodes::FindKeyIndexNear(const Variant& key, Integer near, Integer& index) const {
  index = -1;
  const Integer count = Count();
  if (count == 0 || key.IsNull()) return false;
  // Integer keys against integer keys compare as the numbers kept in the
  // nodes; anything else as KeyGreater and KeyEqual compare it.
  const bool isInt = IsIntegerVariant(key);
  const Int64 intKey = isInt ? key.AsInt64() : 0;
  if (isInt && other_keys_ == 0) return FindIntKeyIndexNear(intKey, near, index);
  const auto nodeAbove = [&](const TslDBTreeNode* n) {
    return isInt && n->has_int_key_ ? n->IntKey() > intKey : KeyGreater(n->key_value_, key);
  };
  const auto nodeBelow = [&](const TslDBTreeNode* n) {
    return isInt && n->has_int_key_ ? n->IntKey() < intKey : KeyGreater(key, n->key_value_);
  };
  if (nodeAbove(list_.front())) return false;
  if (nodeBelow(list_.back())) {
    index = count;
    return false;
  }
  // The first position whose key is not below the key.
  Integer low = 0, high = count - 1;
  while (low < high) {
    const Integer mid = low + (high - low) / 2;
    if (nodeBelow(list_[static_cast<std::size_t>(mid)]))
      low = mid + 1;
    else
      high = mid;
  }
  index = low;
  const TslDBTreeNode* found = list_[static_cast<std::size_t>(low)];
  return isInt && found->has_int_key_ ? found->IntKey() == intKey
                                      : KeyEqual(found->key_value_, key);
}

TslDBTreeNode* TslDBTreeNodes::FindNode(const Variant& key) const {
  return FindNodeNear(key, -1);
}

TslDBTreeNode* TslDBTreeNodes::FindNodeNear(const Variant& key, Integer near) const {
  Integer index;
  return FindKeyIndexNear(key, near, index) ? Node(index) : nullptr;
}

TslDBTreeNode* TslDBTreeNodes::ParentNodeOfKey(const TslDBTreeNode* node,
                                               const Variant& key) const {
  if (VarIsNull(key)) return nullptr;
  // The tree's own node class, checked exactly (a cheaper question than a
  // cast that searches the hierarchy): other parents are left to the search.
  TTreeNode* above = node->Parent();
  if (!above || typeid(*above) != typeid(TslDBTreeNode)) return nullptr;
  auto* parent = static_cast<TslDBTreeNode*>(above);
  // One node per key: the parent holding the key is the node of the key.
  return parent->index_ == this && parent->sort_index_ >= 0 && KeyEqual(parent->key_value_, key)
             ? parent
             : nullptr;
}

bool TslDBTreeNodes::Insert(TslDBTreeNode* node) {
  Integer index;
  if (node->key_value_.IsNull()) return false;
  if (node->has_int_key_ ? FindIntKeyIndexNear(node->IntKey(), -1, index)
                         : FindKeyIndex(node->key_value_, index))
    return false;
  index = std::max<Integer>(index, 0);
  list_.insert(list_.begin() + index, node);
  int_keys_.insert(int_keys_.begin() + index, node->has_int_key_ ? node->IntKey() : 0);
  if (!node->has_int_key_) ++other_keys_;
  for (auto i = static_cast<std::size_t>(index); i < list_.size(); ++i)
    list_[i]->sort_index_ = static_cast<Integer>(i);
  return true;
}

void TslDBTreeNodes::Remove(TslDBTreeNode* node) {
  const auto index = static_cast<std::size_t>(node->sort_index_);
  node->sort_index_ = -1;
  if (!node->has_int_key_) --other_keys_;
  if (batch_) {
    list_[index] = nullptr;
    return;
  }
  list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(index));
  int_keys_.erase(int_keys_.begin() + static_cast<std::ptrdiff_t>(index));
  for (std::size_t i = index; i < list_.size(); ++i)
    list_[i]->sort_index_ = static_cast<Integer>(i);
}

void TslDBTreeNodes::Clear() {
  for (TslDBTreeNode* node : list_)
    if (node) node->sort_index_ = -1;
  list_.clear();
  int_keys_.clear();
  other_keys_ = 0;
}

void TslDBTreeNodes::Prefetch(Integer position) const {
  if (position < 0 || position >= Count()) return;
  const char* node = reinterpret_cast<const char*>(list_[static_cast<std::size_t>(position)]);
  for (std::size_t at = 0; at < sizeof(TslDBTreeNode); at += 64) __builtin_prefetch(node + at);
  __builtin_prefetch(node + sizeof(TslDBTreeNode) - 1);
}

void TslDBTreeNodes::ReparentTopLevelNodes() {
  std::vector<TslDBTreeNode*> top;
  for (TTreeNode* n = tree_->Items()->GetFirstNode(); n; n = n->GetNextSibling())
    if (auto* node = dynamic_cast<TslDBTreeNode*>(n)) top.push_back(node);
  for (TslDBTreeNode* node : top) {
    if (!node->Refreshed) continue;
    TslDBTreeNode* parent = FindNode(node->ParentValue);
    if (parent && parent != node) tree_->MoveNodeUnder(node, parent);
  }
}

void TslDBTreeNodes::PruneUnrefreshedNodes() {
  // The usual rebuild refreshed every node: nothing goes, nothing moves.
  if (std::all_of(list_.begin(), list_.end(),
                  [](const TslDBTreeNode* node) { return node->Refreshed; }))
    return;
  // One pass leaves what restarting after each removal would, without
  // renumbering the index per removal: removed nodes leave holes, closed
  // once at the end.
  batch_ = true;
  TScopeExit close([this] {
    batch_ = false;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list_.size(); ++i) {
      if (!list_[i]) continue;
      list_[kept] = list_[i];
      int_keys_[kept] = int_keys_[i];
      list_[kept]->sort_index_ = static_cast<Integer>(kept);
      ++kept;
    }
    list_.resize(kept);
    int_keys_.resize(kept);
  });
  // A node whose record remains does not go with a parent whose record
  // went: it moves to the top level, where a build from nothing puts a
  // record whose parent has no node.
  std::vector<TslDBTreeNode*> orphans;
  for (TslDBTreeNode* node : list_) {
    if (!node->Refreshed) continue;
    auto* parent = dynamic_cast<TslDBTreeNode*>(node->Parent());
    if (parent && !parent->Refreshed && parent->sort_index_ >= 0) orphans.push_back(node);
  }
  for (TslDBTreeNode* node : orphans) tree_->MoveNodeUnder(node, nullptr);
  for (std::size_t i = 0; i < list_.size(); ++i)
    if (TslDBTreeNode* node = list_[i]; node && !node->Refreshed) node->Delete();
}

void TslDBTreeNodes::ReparentNode(TslDBTreeNode* node, const Variant& value) {
  if (!(VarIsNull(value) && VarIsNull(node->ParentValue)) && !KeyEqual(node->ParentValue, value))
    node->ParentValue = value;
  TslDBTreeNode* parent = FindNode(value);
  if (parent != node->Parent()) {
    if (!parent || parent == node) {
      tree_->MoveNodeUnder(node, nullptr);
    } else if (!parent->HasAsParent(node)) {
      node->SetFocused(false);
      tree_->MoveNodeUnder(node, parent);
    }
  }
  const String text = tree_->NodeText();
  if (node->Text() != text) node->SetText(text);
  tree_->Invalidate();
}

// --- TDataLinkTreeView --------------------------------------------------

TDataLinkTreeView::TDataLinkTreeView(TslDBTreeView* tree) : tree_(tree) {
  SetVisualControl(true);
}

void TDataLinkTreeView::ActiveChanged() {
  if (tree_) tree_->DataLinkActiveChanged();
}

void TDataLinkTreeView::DataEvent(TDataEvent event, std::intptr_t info) {
  const auto movedOnly =
      SetForScope(moved_only_, event == deDataSetChange && info == kDataSetMovedOnly);
  TDataLink::DataEvent(event, info);
}

void TDataLinkTreeView::DataSetChanged() {
  if (!tree_) return;
  // A locate or a bookmark changed no record: reading every record again
  // would find the same tree, so the tree only follows the cursor, as after
  // a scroll.
  if (moved_only_) {
    if (!tree_->Busy()) tree_->SyncToCurrentRecord();
  } else {
    tree_->DataLinkChanged();
  }
}

void TDataLinkTreeView::DataSetScrolled(Integer) {
  if (tree_) tree_->SyncToCurrentRecord();
}

void TDataLinkTreeView::RecordChanged(TField* field) {
  if (!tree_ || !field) return;
  switch (DataSet()->State()) {
    case dsEdit:
      tree_->RecordEdited(field);
      break;
    case dsInsert:
      tree_->RecordInserted();
      break;
    default:
      break;
  }
}

// --- TslDBTreeView ------------------------------------------------------

TslDBTreeView::TslDBTreeView(TComponent* owner)
    : TCustomslTreeView(owner),
      link_(std::make_unique<TDataLinkTreeView>(this)),
      index_(std::make_unique<TslDBTreeNodes>(this)),
      root_value_(Null()) {
  node_font_ = FontAppearance();
  SetOptions(
      {trDBCanDelete, trDBConfirmDelete, trCanDBNavigate, trSmartRecordCopy, trCheckHasChildren});
}

TslDBTreeView::~TslDBTreeView() {
  ReleaseEditor();
  link_->Detach();
  link_->SetDataSource(nullptr);
  if (HandleAllocated()) {
    const auto busy = SetForScope(busy_, true);
    index_->Clear();
    Items()->Clear();
  }
}

void TslDBTreeView::SetDataSource(TDataSource* value) {
  TDataSource* old = link_->DataSource();
  if (old == value) return;
  if (old) old->RemoveFreeNotification(this);
  link_->SetDataSource(value);
  if (value) value->FreeNotification(this);
}

void TslDBTreeView::Notification(TComponent* component, TOperation operation) {
  TCustomslTreeView::Notification(component, operation);
  if (operation == opRemove && component && component == link_->DataSource())
    SetDataSource(nullptr);
}

void TslDBTreeView::SetFieldName(String& name, const String& value) {
  if (name == value) return;
  name = value;
  RebindAndRebuild();
}

void TslDBTreeView::SetSeparatedSt(const String& value) {
  if (separated_st_ == value) return;
  separated_st_ = value;
  if (!display_fields_.empty()) RebindAndRebuild();
}

void TslDBTreeView::SetOptions(TslDBTreeViewOptions value) {
  if (options_ == value) return;
  options_ = value;
  TslDeleteOptions del;
  if (value.Contains(trDBCanDelete)) del.Include(sdoCanDelete);
  if (value.Contains(trDBConfirmDelete)) del.Include(sdoConfirmDelete);
  SetDeleteOptions(del);
  if (HandleAllocated()) RebuildTree();
}

void TslDBTreeView::SetRootValue(const Variant& value) {
  if (VarIsNull(root_value_)) {
    root_value_ = value;
  } else {
    try {
      root_value_ = VarAsType(value, VarType(root_value_));
    } catch (const Exception&) {
      root_value_ = Null();
    }
  }
  if (!options_.Contains(trSmartRecordLoad)) return;
  // Other top-level records: the loaded nodes below the old ones mean nothing now.
  const auto busy = SetForScope(busy_, true);
  index_->Clear();
  Items()->Clear();
  RebindAndRebuild();
}

bool TslDBTreeView::IsNumericField(const TField* field) {
  switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftAutoInc:
      return true;
    default:
      return false;
  }
}

void TslDBTreeView::ClearBindings() {
  key_field_ = parent_field_ = list_field_ = image_field_ = state_field_ = nullptr;
  key_integer_field_ = parent_integer_field_ = nullptr;
  image_integer_field_ = state_integer_field_ = nullptr;
  display_fields_.clear();
}

void TslDBTreeView::BindFields() {
  if (!link_->Active()) return;
  TDataSet* ds = link_->DataSet();
  // An empty name binds nothing; a name the dataset lacks raises.
  auto byName = [ds](const String& name) { return name.empty() ? nullptr : ds->FieldByName(name); };
  key_field_ = byName(key_field_name_);
  // Only the class itself: a descendant may give its value (and variant)
  // another way.
  const auto plainInteger = [](const TField* field) {
    return field && typeid(*field) == typeid(TIntegerField)
               ? static_cast<const TIntegerField*>(field)
               : nullptr;
  };
  key_integer_field_ = plainInteger(key_field_);
  list_field_ = byName(list_field_name_);
  parent_field_ = byName(parent_field_name_);
  parent_integer_field_ = plainInteger(parent_field_);
  image_field_ = byName(image_field_name_);
  if (image_field_ && !IsNumericField(image_field_)) image_field_ = nullptr;
  state_field_ = byName(state_field_name_);
  if (state_field_ && !IsNumericField(state_field_)) state_field_ = nullptr;
  image_integer_field_ = dynamic_cast<const TIntegerField*>(image_field_);
  state_integer_field_ = dynamic_cast<const TIntegerField*>(state_field_);
  if (!display_field_name_.empty()) ds->GetFieldList(display_fields_, display_field_name_);
}

void TslDBTreeView::RebindAndRebuild() {
  ClearBindings();
  BindFields();
  if (key_field_ && !VarIsNull(root_value_)) {
    TVarType type = varString;
    switch (key_field_->DataType()) {
      case ftSmallint:
        type = varSmallint;
        break;
      case ftInteger:
      case ftWord:
      case ftAutoInc:
        type = varInteger;
        break;
      case ftFloat:
      case ftCurrency:
        type = varDouble;
        break;
      default:
        break;
    }
    root_value_ = VarAsType(root_value_, type);
  }
  if (HandleAllocated()) RebuildTree();
}

String TslDBTreeView::NodeText() {
  // The usual caption, the list field's text as it is, without a copy.
  if (display_fields_.empty() && !OnSetDisplayItemText)
    return list_field_ ? list_field_->Text() : String();
  String text;
  if (!display_fields_.empty()) {
    for (std::size_t i = 0; i < display_fields_.size(); ++i) {
      if (i > 0) text += separated_st_;
      text += display_fields_[i]->Text();
    }
  } else if (list_field_) {
    text = list_field_->Text();
  }
  if (OnSetDisplayItemText) OnSetDisplayItemText(this, text);
  return text;
}

bool TslDBTreeView::MoveNodeUnder(TslDBTreeNode* node, TslDBTreeNode* parent) {
  // A damaged chain of parent values must not hang a node under itself.
  if (parent == node || (parent && parent->HasAsParent(node))) return false;
  const auto busy = SetForScope(busy_, true);
  if (parent) {
    parent->SetHasChildren(true);
    node->TTreeNode::MoveTo(parent, naAddChild);
  } else {
    node->TTreeNode::MoveTo(nullptr, naAdd);
  }
  return true;
}

TslDBTreeNode* TslDBTreeView::NodeFromCurrentRecord() {
  // Most records of a catalogue (its files) have no key: with an integer
  // key field, the usual kind, they cost one read and no variant.
  if (key_integer_field_) {
    Integer key;
    return key_integer_field_->GetValue(key) ? NodeFromIntegerKey(key) : nullptr;
  }
  Variant key = key_field_->AsVariant();
  return VarIsNull(key) ? nullptr : NodeFromRecordKey(std::move(key));
}

TslDBTreeNode* TslDBTreeView::NodeFromIntegerKey(Integer key) {
  return NodeFromRecordKey(Variant(key));
}

Variant TslDBTreeView::RecordParentValue() const {
  if (parent_integer_field_) {
    Integer value;
    return parent_integer_field_->GetValue(value) ? Variant(value) : Null();
  }
  return parent_field_->AsVariant();
}

bool TslDBTreeView::FindRecordKey(const Variant& key, Integer near, Integer& index) const {
  return IsIntegerVariant(key) ? index_->FindIntKeyIndexNear(key.AsInt64(), near, index)
                               : index_->FindKeyIndexNear(key, near, index);
}

TslDBTreeNode* TslDBTreeView::NodeFromRecordKey(Variant key) {
  const TFlagScope busy(busy_, true);
  const String text = NodeText();
  Variant parentValue = RecordParentValue();
  // Read once: a node made now takes them before its item is inserted.
  record_image_ = image_field_ ? ImageNumber(image_field_, image_integer_field_) : -1;
  record_state_ = state_field_ ? ImageNumber(state_field_, state_integer_field_) : -1;
  // Records mostly come in key order: the key is looked for just after
  // the previous record's. A rebuild mostly finds the node under its
  // parent already; otherwise the parent is looked for near the record's
  // own place (folders come shortly before their children).
  Integer at, parentAt;
  TslDBTreeNode* node = FindRecordKey(key, next_key_position_, at) ? index_->Node(at) : nullptr;
  TslDBTreeNode* parent = node ? index_->ParentNodeOfKey(node, parentValue) : nullptr;
  if (!parent && !parentValue.IsNull() && FindRecordKey(parentValue, at, parentAt))
    parent = index_->Node(parentAt);
  if (node) {
    // Top-level nodes wait for the build's re-parenting step.
    if (TTreeNode* now = node->Parent(); now && now != parent && node != parent)
      MoveNodeUnder(node, parent);
    if (node->Text() != text) node->SetText(text);
  } else {
    TTreeNode* made;
    {
      const TFlagScope fromRecord(adding_record_node_, true);
      record_key_ = &key;  // taken by the node, not read again
      made = parent ? Items()->AddChild(parent, text) : Items()->Add(nullptr, text);
    }
    // The tree's own class, the usual answer, without searching the hierarchy.
    node = made && typeid(*made) == typeid(TslDBTreeNode) ? static_cast<TslDBTreeNode*>(made)
                                                          : dynamic_cast<TslDBTreeNode*>(made);
    if (!node) return nullptr;
  }
  // A rebuild mostly finds the parent value as it was.
  if (!SameIntegerOrNull(node->ParentValue, parentValue))
    node->ParentValue = std::move(parentValue);
  if (options_.Contains(trSmartRecordLoad)) {
    if (options_.Contains(trCheckHasChildren)) {
      TKeepPlace keep(link_->DataSet());
      node->SetHasChildren(LocateBy(parent_field_, node->KeyValue()));
    } else {
      node->SetHasChildren(true);
    }
  }
  // The caption is the list field's text unless display fields or the
  // caption event make it another; only then is the list text kept apart.
  if (display_fields_.empty() && !OnSetDisplayItemText)
    node->list_text_.reset();
  else
    node->SetListText(list_field_->Text());
  // A rebuild finds most images as they were: unchanged, they need no message.
  if (image_field_ && node->ImageIndex() != record_image_) node->SetImageIndex(record_image_);
  if (state_field_ && node->StateIndex() != record_state_) node->SetStateIndex(record_state_);
  node->Refreshed = true;
  next_key_position_ = node->SortIndex() + 1;
  // Records mostly come in key order: a rebuild reads the nodes a few
  // places on next, each far in memory from the last.
  index_->Prefetch(next_key_position_ + kPrefetchNodes);
  if (OnRefreshNode) OnRefreshNode(this, node);
  // Resizing the dataset's ring fetches records: not while a walk reads them.
  if (!reading_all_) SizeBufferRing();
  return node;
}

void TslDBTreeView::SizeBufferRing() {
  const Integer count = index_->Count();
  link_->SetBufferCount(count < 100 && count > link_->BufferCount() ? count : 100);
}

void TslDBTreeView::RebuildTree() {
  const auto busy = SetForScope(busy_, true);
  if (!key_field_ || !list_field_ || !parent_field_) {
    index_->Clear();
    Items()->Clear();
    SyncToCurrentRecord();
    return;
  }
  TDataSet* ds = link_->DataSet();
  Items()->BeginUpdate();
  const TSortType sortType = SortType();
  bool ended = false;
  TScopeExit endUpdate([&] {
    if (ended) return;
    SetSortType(sortType);
    Items()->EndUpdate();
  });
  for (Integer i = 0; i < index_->Count(); ++i) index_->Node(i)->Refreshed = false;
  next_key_position_ = 0;
  SetSortType(stNone);
  {
    TKeepPlace keep(ds);
    if (options_.Contains(trSmartRecordLoad)) {
      ReadLoadedRecords();
    } else {
      bool any = false;
      {
        const auto readingAll = SetForScope(reading_all_, true);
        if (const TIntegerField* keyField = key_integer_field_) {
          // Nine rows in ten have no key: a read and a test each, no call
          // or variant more (NodeFromCurrentRecord's own integer path).
          ds->ReadRecords([this, keyField, &any] {
            Integer key;
            if (keyField->GetValue(key) && NodeFromIntegerKey(key)) any = true;
            return true;
          });
        } else {
          ds->ReadRecords([this, &any] {
            if (NodeFromCurrentRecord()) any = true;
            return true;
          });
        }
      }
      if (any) SizeBufferRing();
    }
  }
  index_->ReparentTopLevelNodes();
  index_->PruneUnrefreshedNodes();
  ended = true;
  SetSortType(sortType);
  Items()->EndUpdate();
  SyncToCurrentRecord();
}

void TslDBTreeView::ReadLoadedRecords() {
  TDataSet* ds = link_->DataSet();
  if (index_->Count() == 0) {
    ds->First();
  } else {
    // Reading a node's record may move other nodes, never add one (its key
    // has a node), so the index stands still meanwhile. A dataset ordered
    // by key needs no locating from one node to the next.
    for (Integer i = 0; i < index_->Count(); ++i) {
      TslDBTreeNode* node = index_->Node(i);
      node->children_loaded_ = false;
      if (!KeyEqual(key_field_->AsVariant(), node->KeyValue()) &&
          !LocateBy(key_field_, node->KeyValue()))
        continue;  // its record went: pruned below
      NodeFromCurrentRecord();
      ds->Next();
    }
  }
  if (!LocateBy(parent_field_, root_value_)) return;
  for (; !ds->Eof() && ParentValueIs(root_value_); ds->Next()) NodeFromCurrentRecord();
}

bool TslDBTreeView::LocateBy(TField* field, const Variant& value) {
  return DataSetLocate(link_->DataSet(), field->FieldName(), value, {});
}

bool TslDBTreeView::ParentValueIs(const Variant& value) const {
  const Variant current = parent_field_->AsVariant();
  if (VarIsNull(current) || VarIsNull(value)) return VarIsNull(current) && VarIsNull(value);
  return KeyEqual(current, value);
}

void TslDBTreeView::LoadChildren(TslDBTreeNode* node, bool recursive) {
  if (!key_field_ || !parent_field_ || !list_field_ || !link_->Active()) return;
  const auto busy = SetForScope(busy_, true);
  TDataSet* ds = link_->DataSet();
  TKeepPlace keep(ds);
  const Variant key = node->KeyValue();
  const bool found = !VarIsNull(key) && LocateBy(parent_field_, key);
  node->SetHasChildren(found);
  if (!found) return;
  for (; !ds->Eof() && ParentValueIs(key); ds->Next()) {
    TslDBTreeNode* child = index_->FindNode(key_field_->AsVariant());
    if (!child) child = NodeFromCurrentRecord();
    // A record that is its own parent, or a loop of parent values, would
    // read the same records again without end.
    if (recursive && child && child != node && !node->HasAsParent(child)) LoadChildren(child, true);
  }
}

void TslDBTreeView::LoadAncestors(const Variant& key) {
  TDataSet* ds = link_->DataSet();
  TKeepPlace keep(ds);
  // Up the chain of parent values to a record that has a node, a record
  // that is its own parent, or one without a parent record. A damaged chain
  // that comes back to a key already met ends the walk there.
  std::vector<Variant> chain;
  std::vector<Variant> seen{key};
  auto met = [&seen](const Variant& k) {
    return std::any_of(seen.begin(), seen.end(), [&k](const Variant& s) { return KeyEqual(s, k); });
  };
  bool reached = false;
  for (;;) {
    const Variant parent = parent_field_->AsVariant();
    if (VarIsNull(parent) || !LocateBy(key_field_, parent)) break;
    const Variant k = key_field_->AsVariant();
    if (ParentValueIs(k) || met(k)) break;
    seen.push_back(k);
    chain.push_back(k);
    if (index_->FindNode(k)) {
      reached = true;
      break;
    }
  }
  if (!reached) {
    if (TslDBTreeNode* node = NodeFromCurrentRecord()) {
      LoadChildren(node, false);
      node->children_loaded_ = true;
    }
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!LocateBy(key_field_, *it)) continue;
    TslDBTreeNode* node = index_->FindNode(*it);
    if (!node) continue;
    // Already marked loaded, a node still reads its children: the one on
    // the way down may be new.
    if (node->ChildrenLoaded())
      LoadChildren(node, false);
    else
      node->SetChildrenLoaded(true);
  }
}

void TslDBTreeView::SyncToCurrentRecord() {
  if (!options_.Contains(trCanDBNavigate) || !key_field_ || !link_->Active()) return;
  SelectNodeForKey(key_field_->AsVariant());
}

void TslDBTreeView::SelectNodeForKey(const Variant& key) {
  if (VarIsNull(key)) return;
  if (TslDBTreeNode* node = index_->FindNode(key)) {
    node->MakeVisible();
    // Selecting the selected node again changes nothing but draws its
    // frame once more.
    if (Selected() != node) SetSelected(node);
    return;
  }
  if (!options_.Contains(trSmartRecordLoad) || busy_ || !key_field_ || !parent_field_ ||
      !list_field_ || !link_->Active())
    return;
  const auto busy = SetForScope(busy_, true);
  if (!KeyEqual(key_field_->AsVariant(), key) && !LocateBy(key_field_, key)) return;
  LoadAncestors(key);
  SelectNodeForKey(key);
}

TslDBTreeNode* TslDBTreeView::NodeOfCurrentRecord() {
  if (!key_field_ || !link_->Active()) return nullptr;
  return index_->FindNode(key_field_->AsVariant());
}

namespace {
// Set while the tree posts an edited parent value, so that the post's own
// notifications do not come back into RecordEdited.
bool posting_parent = false;
}  // namespace

void TslDBTreeView::RecordEdited(TField* field) {
  if (posting_parent || !key_field_) return;
  auto* node = dynamic_cast<TslDBTreeNode*>(Selected());
  if (!node) return;
  if (field == list_field_) {
    if (field->Text() != node->Text()) node->SetText(field->Text());
  } else if (field == image_field_) {
    node->SetImageIndex(ImageNumber(field));
  } else if (field == state_field_) {
    node->SetStateIndex(ImageNumber(field));
  } else if (field == parent_field_) {
    const Variant value = field->AsVariant();
    if (VarIsNull(node->ParentValue) || VarIsNull(value) || KeyEqual(node->ParentValue, value))
      return;
    // Cleared on every way out: a post that fails must not leave the tree
    // deaf to every later edit.
    const bool previous = posting_parent;
    TScopeExit clear([previous] { posting_parent = previous; });
    if (options_.Contains(trSmartRecordLoad)) {
      posting_parent = true;
      const auto busy = SetForScope(busy_, true);
      link_->DataSet()->Post();
    }
    index_->ReparentNode(node, field->AsVariant());
  }
}

void TslDBTreeView::RecordInserted() {
  if (!key_field_ || key_field_->IsNull()) return;
  if (!busy_) NodeFromCurrentRecord();
  TslDBTreeNode* node = NodeOfCurrentRecord();
  if (!node) return;
  {
    const auto busy = SetForScope(busy_, true);
    SetSelected(node);
    node->MakeVisible();
  }
  if (!VarIsNull(node->ParentValue) && OnAddNewItem) OnAddNewItem(nullptr, node);
}

void TslDBTreeView::RefreshFromDataSet() {
  if (busy_ || !HandleAllocated()) return;
  const TDataSetState state = link_->DataSet()->State();
  if (state == dsEdit || state == dsInsert) return;
  if (IsEditing())
    if (TTreeNode* selected = Selected()) selected->EndEdit(true);
  ClearBindings();
  BindFields();
  RebuildTree();
  SyncToCurrentRecord();
}

void TslDBTreeView::DataLinkActiveChanged() {
  TDataSet* ds = link_->Active() ? link_->DataSet() : nullptr;
  link_->filter_ = ds ? ds->Filter() : String();
  link_->filtered_ = ds && ds->Filtered();
  RebindAndRebuild();
}

void TslDBTreeView::DataLinkChanged() {
  TDataSet* ds = link_->DataSet();
  if (ds && (ds->Filter() != link_->filter_ || ds->Filtered() != link_->filtered_)) {
    link_->filter_ = ds->Filter();
    link_->filtered_ = ds->Filtered();
    RebindAndRebuild();
    return;
  }
  RefreshFromDataSet();
}

void TslDBTreeView::Change(TTreeNode* node) {
  auto* dbNode = dynamic_cast<TslDBTreeNode*>(node);
  if (dbNode && !busy_ && key_field_ && link_->Active()) {
    const auto busy = SetForScope(busy_, true);
    TDataSet* ds = link_->DataSet();
    const Variant& key = dbNode->KeyValue();
    if (!VarIsNull(key) && !VarIsEmpty(key) && !KeyEqual(key, key_field_->AsVariant()) &&
        ds->State() != dsInsert && !(ds->Bof() && ds->Eof())) {
      // Leaving an edited record posts it, and the post's field changes go
      // to the selected node: the edited record's node is selected for the
      // time of the move, unseen.
      TslDBTreeNode* edited = ds->State() == dsEdit ? NodeOfCurrentRecord() : nullptr;
      const bool swap = edited && edited != dbNode;
      if (swap) {
        Items()->BeginUpdate();
        SetSelected(edited);
      }
      TScopeExit putBack([&] {
        if (!swap) return;
        if (HandleAllocated()) SetSelected(dbNode);
        Items()->EndUpdate();
      });
      try {
        DataSetLocate(ds, key_field_name_, key, {});
      } catch (const Exception&) {
        // The selection stays where the user put it even when the record
        // cannot be reached; OnChange still follows.
      }
    }
  }
  TCustomslTreeView::Change(node);
}

bool TslDBTreeView::CanExpand(TTreeNode* node) {
  if (!TCustomslTreeView::CanExpand(node)) return false;
  if (auto* dbNode = dynamic_cast<TslDBTreeNode*>(node);
      dbNode && options_.Contains(trSmartRecordLoad))
    dbNode->SetChildrenLoaded(true);
  return true;
}

void TslDBTreeView::Collapse(TTreeNode* node) {
  TCustomslTreeView::Collapse(node);
  auto* dbNode = dynamic_cast<TslDBTreeNode*>(node);
  if (!dbNode || !options_.Contains(trSmartRecordLoad)) return;
  const auto collapsing = SetForScope(collapsing_, true);
  dbNode->SetChildrenLoaded(false);
}

void TslDBTreeView::SubclassEditor(HWND editor) {
  if (editor_ == editor || !editor) return;
  ReleaseEditor();
  editor_ = editor;
  editor_previous_ = GetWindowProc(editor);
  editor_proc_ = MakeWndProc([this](HWND e, UINT m, WPARAM w, LPARAM l) {
    // The editor's last message: it goes back to its own procedure first.
    if (m == WM_NCDESTROY) {
      const WNDPROC previous = editor_previous_;
      ReleaseEditor();
      return CallWindowProc(previous, e, m, w, l);
    }
    return EditorWndProc(e, m, w, l);
  });
  SetWindowProc(editor, editor_proc_);
}

void TslDBTreeView::ReleaseEditor() {
  if (!editor_) return;
  if (IsWindow(editor_) && GetWindowProc(editor_) == editor_proc_)
    SetWindowProc(editor_, editor_previous_);
  FreeWndProc(editor_proc_);
  editor_ = nullptr;
  editor_proc_ = editor_previous_ = nullptr;
}

TTreeNode* TslDBTreeView::CreateNode() {
  // Without key and parent fields the tree holds plain nodes.
  if (!key_field_ || !parent_field_) return TCustomslTreeView::CreateNode();
  TslDBTreeNode* node;
  if (placeholder_) {
    node = new TslDBTreeNode(Items(), nullptr, Null());
  } else if (busy_) {
    node = adding_record_node_ ? new TslDBTreeNode(Items(), index_.get(), std::move(*record_key_))
                               : new TslDBTreeNode(Items(), index_.get(), key_field_->AsVariant());
    // The node of the current record takes its images before its item is
    // inserted: the insert carries them, and no message per node follows.
    if (adding_record_node_) {
      if (image_field_) node->SetImageIndex(record_image_);
      if (state_field_) node->SetStateIndex(record_state_);
    }
  } else {
    node = new TslDBTreeNode(Items(), index_.get(), NewKeyValue());
    node->IsNew = true;
  }
  if (SelectedIndex() != -1) node->SetSelectedIndex(SelectedIndex());
  return node;
}

void TslDBTreeView::CreateWnd() {
  TCustomslTreeView::CreateWnd();
  if (key_field_ && list_field_ && parent_field_) RebuildTree();
}

void TslDBTreeView::DestroyWnd() {
  {
    const auto busy = SetForScope(busy_, true);
    index_->Clear();
    Items()->Clear();
  }
  TCustomslTreeView::DestroyWnd();
}

void TslDBTreeView::CreateHandle() {
  const auto busy = SetForScope(busy_, true);
  TCustomslTreeView::CreateHandle();
}

TslDBTreeNodeAppearance TslDBTreeView::FontAppearance() {
  return {clWindow, Font()->Color(), Font()->Style(), Font()->Name()};
}

void TslDBTreeView::KeepNodeFonts() {
  TslDBTreeNodeAppearance now = FontAppearance();
  if (now.FontColor == node_font_.FontColor && now.FontStyle == node_font_.FontStyle &&
      now.FontName == node_font_.FontName)
    return;
  for (TTreeNode* node = Items()->GetFirstNode(); node; node = node->GetNext())
    if (auto* dbNode = dynamic_cast<TslDBTreeNode*>(node); dbNode && !dbNode->appearance_)
      dbNode->appearance_ = std::make_unique<TslDBTreeNodeAppearance>(node_font_);
  node_font_ = std::move(now);
}

void TslDBTreeView::Dispatch(TMessage& message) {
  if (message.Msg == CM_FONTCHANGED) KeepNodeFonts();
  if (message.Msg == TVM_DELETEITEM) {
    DeleteItemWithRecords(message);
    return;
  }
  TCustomslTreeView::Dispatch(message);
  if (message.Msg == TVM_INSERTITEM) ItemInserted(message);
  if (message.Msg == TVM_SETITEM) ItemTextSet(message);
  // The label editor tells its parent when it takes the focus, right after
  // it is made, whoever started the editing.
  if (message.Msg == WM_COMMAND && HIWORD(message.WParam) == EN_SETFOCUS && HandleAllocated() &&
      reinterpret_cast<HWND>(message.LParam) == TreeView_GetEditControl(Handle())) {
    SubclassEditor(reinterpret_cast<HWND>(message.LParam));
    PrepareEditor(reinterpret_cast<HWND>(message.LParam));
  }
  if (message.Msg == TVM_EXPAND && (message.WParam & TVE_ACTIONMASK) == TVE_COLLAPSE &&
      options_.Contains(trSmartRecordLoad))
    if (TTreeNode* selected = Selected()) Change(selected);
  if (message.Msg != WM_PAINT && message.Msg != TVM_SELECTITEM) return;
  if (!HandleAllocated() || Focused() || busy_) return;
  TTreeNode* node = Selected();
  if (!node) return;
  if (message.Msg == WM_PAINT && (!node->IsVisible() || IsEditing())) return;
  DrawSelectionFrame();
}

void TslDBTreeView::DrawSelectionFrame() {
  TTreeNode* node = Selected();
  if (!node) return;
  const RECT rect = node->DisplayRect(true);
  HDC dc = GetDC(Handle());
  HBRUSH brush = CreateSolidBrush(ColorToRGB(Font()->Color()));
  FrameRect(dc, &rect, brush);
  DeleteObject(brush);
  ReleaseDC(Handle(), dc);
}

String TslDBTreeView::GetNodeText(TTreeNode* node) {
  if (auto* dbNode = dynamic_cast<TslDBTreeNode*>(node); dbNode && !display_fields_.empty())
    return dbNode->ListText();
  return node->Text();
}

bool TslDBTreeView::IsCustomDraw() {
  return static_cast<bool>(OnCustomDraw) || index_->OwnAppearanceCount > 0;
}

void TslDBTreeView::DoCustomDraw(TTreeNode* node, TFont* font, TColor& color, TColor& bkColor) {
  if (OnCustomDraw) {
    TCustomslTreeView::DoCustomDraw(node, font, color, bkColor);
    return;
  }
  auto* dbNode = dynamic_cast<TslDBTreeNode*>(node);
  if (!dbNode || !dbNode->UseOwnAppearance) return;
  font->SetStyle(dbNode->FontStyle());
  font->SetName(dbNode->FontName());
  font->SetColor(dbNode->FontColor());
  color = dbNode->FontColor();
  bkColor = dbNode->Color();
}

void DeclareslDBTreeProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    DeclareTreeViewProperties();
    // The drag tree's level in the chain keeps this class deeper than the
    // window-control declarations, whose properties would otherwise be
    // picked for it as an equally deep match.
    TPublishedClass<TCustomslTreeView, TCustomTreeView>();
    using T = TslDBTreeView;
    TPublishedClass<T, TCustomslTreeView>()
        .AddBoolean("ShowNodeHint", &T::ShowNodeHint, &T::SetShowNodeHint, true)
        .AddInteger("SelectedIndex", &T::SelectedIndex, &T::SetSelectedIndex, -1)
        .AddComponent("DataSource", &T::DataSource, &T::SetDataSource)
        .AddString("KeyField", &T::KeyField, &T::SetKeyField)
        .AddString("ParentField", &T::ParentField, &T::SetParentField)
        .AddString("ListField", &T::ListField, &T::SetListField)
        .AddString("DisplayField", &T::DisplayField, &T::SetDisplayField)
        .AddString("ImageIndexField", &T::ImageIndexField, &T::SetImageIndexField)
        .AddString("StateIndexField", &T::StateIndexField, &T::SetStateIndexField)
        .AddVariant("RootValue", &T::RootValue, &T::SetRootValue)
        .AddString("SeparatedSt", &T::SeparatedSt, &T::SetSeparatedSt)
        .AddSet("Options", &T::Options, &T::SetOptions,
                {"trDBCanDelete", "trDBConfirmDelete", "trCanDBNavigate", "trSmartRecordLoad",
                 "trSmartRecordCopy", "trCheckHasChildren"},
                0b110111)
        .AddBoolean("RaiseOnError", &T::RaiseOnError, &T::SetRaiseOnError, true);
  });
}
