// ui/slDBTreeEdit.cpp
//
// The data-bound tree's writing side: nodes added, moved, copied, deleted
// and renamed in the tree change the records of its dataset. Every change
// first asks DoDBAction (OnDBAction may refuse it), runs under the busy flag
// (so that the dataset's notifications of our own writes are not taken for
// outside changes) and leaves the busy flag and the dataset's controls as it
// found them.
//
// A write that would have to find a node's record first checks that it was
// found: writing the current record instead would change some other row.
#include <exception>
#include <optional>
#include <utility>

#include "platform/data/BlobFields.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Edit.h"
#include "platform/win/TreeView.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"
#include "ui/slDBTree.h"
#include "ui/slDBTreePlace.h"

namespace {

bool IsAutoIncrement(const TField* field) {
  return field->DataType() == ftAutoInc;
}

[[noreturn]] void RaiseRecordMissing(const TTreeNode* node, const Variant& key) {
  throw EDatabaseError(Format("The record of the node \"%s\" (key %s) cannot be found",
                              node->Text(), VarToStr(key)));
}

// Posts the record being edited or appended; a post that fails leaves the
// dataset browsing again, with the record as it was.
void PostOrCancel(TDataSet* ds) {
  // After a post that went through the dataset browses: nothing to cancel.
  TScopeExit cancel([ds] {
    if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
  });
  ds->Post();
}

// One field value carried from a source record to its copy.
struct TInsertFieldStruct {
  TField* target;
  Variant value;
  // Blob to blob, the contents go as they are.
  bool blob = false;
  String bytes;
};

// A copied node's record, read before anything is written.
struct TPlannedCopy {
  TslDBTreeNode* copy;
  Variant parentValue;
  String caption;
  std::vector<TInsertFieldStruct> fields;
};

}  // namespace

// --- Asking and keys -----------------------------------------------------------

bool TslDBTreeView::DoDBAction(TslDBTreeNode* node1, TslDBTreeNode* node2,
                               TslDBTreeViewAction action) {
  bool automatic = true;
  if (OnDBAction) OnDBAction(this, node1, node2, action, automatic);
  return automatic;
}

Variant TslDBTreeView::NewKeyValue() {
  const Integer count = index_->Count();
  Variant value = count > 0 ? index_->Node(count - 1)->KeyValue() : Null();
  if (OnCreateNewKeyValue) {
    OnCreateNewKeyValue(nullptr, value);
    return value;
  }
  // The key after `last`; one that is no larger (text keys, a number too
  // large to grow) would be a key some record already has.
  const auto next = [](const Variant& last) {
    if (VarIsNull(last)) return Variant(0);
    Variant key = last;
    try {
      key = last + Variant(1);
    } catch (const Exception&) {
    }
    if (!KeyGreater(key, last))
      throw EDatabaseError(Format("No new key value follows the key %s", VarToStr(last)));
    return key;
  };
  Variant key = next(value);
  // Records not loaded as nodes (smart loading) may hold keys above the
  // largest loaded one.
  if (DataSetHoldsKey(key)) key = next(LargestDataSetKey());
  return key;
}

bool TslDBTreeView::DataSetHoldsKey(const Variant& key) {
  if (!key_field_ || !link_->Active()) return false;
  TDataSet* ds = link_->DataSet();
  // Looking would post or drop a record being edited.
  if (ds->State() != dsBrowse || ds->IsEmpty()) return false;
  const auto busy = SetForScope(busy_, true);
  TKeepPlace keep(ds);
  return LocateBy(key_field_, key);
}

Variant TslDBTreeView::LargestDataSetKey() {
  TDataSet* ds = link_->DataSet();
  const auto busy = SetForScope(busy_, true);
  TKeepPlace keep(ds);
  Variant largest = Null();
  for (ds->First(); !ds->Eof(); ds->Next()) {
    const Variant key = key_field_->AsVariant();
    if (!VarIsNull(key) && (VarIsNull(largest) || KeyGreater(key, largest))) largest = key;
  }
  return largest;
}

// --- Item messages -------------------------------------------------------------

void TslDBTreeView::ItemInserted(TMessage& message) {
  if (busy_ || !message.Result || !key_field_ || !parent_field_ || !link_->Active()) return;
  const auto* insert = reinterpret_cast<const TVINSERTSTRUCT*>(message.LParam);
  if (!insert || !(insert->item.mask & TVIF_PARAM)) return;
  auto* node = dynamic_cast<TslDBTreeNode*>(reinterpret_cast<TTreeNode*>(insert->item.lParam));
  if (!node) return;
  const HTREEITEM parentItem = insert->hParent == TVI_ROOT ? nullptr : insert->hParent;
  auto* parent = dynamic_cast<TslDBTreeNode*>(GetNodeFromItem(parentItem));
  TTreeNode* const previousNode = pending_node_;
  const HTREEITEM previousItem = pending_item_;
  pending_node_ = node;
  pending_item_ = reinterpret_cast<HTREEITEM>(message.Result);
  TScopeExit restore([&] {
    pending_node_ = previousNode;
    pending_item_ = previousItem;
  });
  if (node->IsNew) {
    // Copies made by a drop get their records from NodeDropped.
    node->IsNew = false;
    bool kept = false;
    // Unless the record is written, the item is gone: the caller gets no node.
    TScopeExit dropItem([&] {
      if (!kept) message.Result = 0;
    });
    kept = Moving() || InsertRecordForNode(node, parent);
  } else if (node->SortIndex() >= 0 && index_->FindNode(node->ParentValue) != parent) {
    MoveRecordForNode(node, parent);
  }
}

void TslDBTreeView::ShowCaption(TslDBTreeNode* node, const String& text) {
  const auto busy = SetForScope(busy_, true);
  node->SetText(text);
  // Inside its insert message the node does not know its new item yet.
  if (node != pending_node_ || node->ItemId() == pending_item_ || !pending_item_) return;
  TVITEM item;
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = pending_item_;
  item.pszText = const_cast<char*>(node->Text().c_str());
  SendMessage(Handle(), TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
}

// --- Appending a new node's record --------------------------------------------

bool TslDBTreeView::InsertRecordForNode(TslDBTreeNode* node, TslDBTreeNode* parentNode) {
  node->IsNew = false;
  TDataSet* ds = link_->DataSet();
  std::exception_ptr error;
  try {
    if (!DoDBAction(node, parentNode, trDBInsert)) return true;
  } catch (...) {
    error = std::current_exception();
  }
  if (!error) {
    const auto busy = SetForScope(busy_, true);
    TControlsOff controls(ds);
    try {
      if (parentNode) {
        if (options_.Contains(trSmartRecordLoad)) parentNode->SetChildrenLoaded(true);
        node->ParentValue = parentNode->KeyValue();
      } else {
        node->ParentValue = !VarIsNull(root_value_) ? root_value_ : node->KeyValue();
      }
      ds->Append();
      parent_field_->SetAsVariant(node->ParentValue);
      if (list_field_ && list_field_ != key_field_ && list_field_ != parent_field_) {
        list_field_->SetText(node->Text());
        if (list_field_->IsNull()) list_field_->SetAsString(" ");
      }
      if (!IsAutoIncrement(key_field_)) {
        if (key_field_->IsNull())
          key_field_->SetAsVariant(node->KeyValue());
        else
          node->SetKeyValue(key_field_->AsVariant());
      }
      ds->Post();
      if (IsAutoIncrement(key_field_)) node->SetKeyValue(key_field_->AsVariant());
      const String text = NodeText();
      if (node->Text() != text) ShowCaption(node, text);
      if (OnAddNewItem) OnAddNewItem(nullptr, node);
    } catch (...) {
      error = std::current_exception();
      // The record is not half made: the dataset browses again.
      if (ds->State() == dsInsert || ds->State() == dsEdit) ds->Cancel();
    }
  }
  if (!error) {
    if (HandleAllocated() && pending_node_ == node && pending_item_) {
      TreeView_SelectItem(Handle(), pending_item_);
      TreeView_EnsureVisible(Handle(), pending_item_);
    } else {
      node->SetSelected(true);
      node->MakeVisible();
    }
    return true;
  }
  {
    // The node goes with its item: out of the index at once, so that
    // nothing finds it before the caller lets it go.
    const auto busy = SetForScope(busy_, true);
    if (node->SortIndex() >= 0) index_->Remove(node);
    const HTREEITEM item = pending_node_ == node ? pending_item_ : node->ItemId();
    if (item && HandleAllocated())
      SendMessage(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
  }
  if (OnInsertNodeError)
    OnInsertNodeError(this);
  else if (raise_on_error_)
    std::rethrow_exception(error);
  return false;
}

// --- Moving ----------------------------------------------------------------------

void TslDBTreeView::RequireRecordFor(TslDBTreeNode* node) {
  if (busy_ || !key_field_ || !parent_field_ || !link_->Active() || !HandleAllocated() ||
      node->SortIndex() < 0 || KeyEqual(key_field_->AsVariant(), node->KeyValue()))
    return;
  const auto busy = SetForScope(busy_, true);
  TKeepPlace keep(link_->DataSet());
  if (!LocateBy(key_field_, node->KeyValue())) RaiseRecordMissing(node, node->KeyValue());
}

void TslDBTreeView::MoveRecordForNode(TslDBTreeNode* node, TslDBTreeNode* parentNode) {
  if (!DoDBAction(node, parentNode, trDBChangeParent)) return;
  const auto busy = SetForScope(busy_, true);
  TDataSet* ds = link_->DataSet();
  TControlsOff controls(ds);
  Variant parentValue = node->KeyValue();
  if (parentNode)
    parentValue = parentNode->KeyValue();
  else if (options_.Contains(trSmartRecordLoad) && !VarIsNull(root_value_))
    parentValue = root_value_;
  // Back to the record the dataset stood on, once the node's is written.
  std::optional<TKeepPlace> back;
  if (!KeyEqual(key_field_->AsVariant(), node->KeyValue())) {
    back.emplace(ds);
    if (!LocateBy(key_field_, node->KeyValue())) RaiseRecordMissing(node, node->KeyValue());
  }
  node->ParentValue = parentValue;
  ds->Edit();
  parent_field_->SetAsVariant(parentValue);
  PostOrCancel(ds);
  const String text = NodeText();
  if (node->Text() != text) ShowCaption(node, text);
}

// --- Copies dropped into the tree -------------------------------------------------

void TslDBTreeView::CollectSubtree(TTreeNode* node, std::vector<TTreeNode*>& list) {
  auto* dbNode = dynamic_cast<TslDBTreeNode*>(node);
  if (!collecting_ && dbNode && options_.Contains(trSmartRecordLoad) && Moving()) {
    LoadChildren(dbNode, true);
    collecting_ = true;
    TScopeExit done([this] { collecting_ = false; });
    TCustomslTreeView::CollectSubtree(node, list);
    return;
  }
  TCustomslTreeView::CollectSubtree(node, list);
}

bool TslDBTreeView::NodeDropped(const std::vector<TTreeNode*>& sources,
                                const std::vector<TTreeNode*>& copies, bool isCopy) {
  if (sources.empty() || copies.empty() || !key_field_ || !parent_field_ || !link_->Active())
    return true;
  auto* sourceTree = dynamic_cast<TslDBTreeView*>(sources.front()->TreeView());
  if (sourceTree && (!sourceTree->link_->Active() || !sourceTree->key_field_)) sourceTree = nullptr;
  auto* firstCopy = dynamic_cast<TslDBTreeNode*>(copies.front());
  const auto busy = SetForScope(busy_, true);
  if (!DoDBAction(dynamic_cast<TslDBTreeNode*>(sources.front()), firstCopy, trDBMove)) return false;
  TDataSet* ds = link_->DataSet();
  TControlsOff controls(ds);
  auto* firstParent = firstCopy ? dynamic_cast<TslDBTreeNode*>(firstCopy->Parent()) : nullptr;
  if (options_.Contains(trSmartRecordLoad) && firstParent) firstParent->SetChildrenLoaded(true);

  // The fields that go with a copy: every field of the source's record,
  // but the key and the parent, that this dataset has too.
  std::vector<std::pair<TField*, TField*>> fields;
  if (isCopy && options_.Contains(trSmartRecordCopy) && sourceTree) {
    TFields& all = sourceTree->link_->DataSet()->Fields();
    for (Integer i = 0; i < all.Count(); ++i) {
      TField* from = all[i];
      if (SameText(from->FieldName(), key_field_name_) ||
          SameText(from->FieldName(), parent_field_name_))
        continue;
      if (TField* to = ds->FindField(from->FieldName())) fields.emplace_back(from, to);
    }
  }
  const bool captionsFromSource = !display_fields_.empty() && sourceTree == this;

  // The copies' records as they will be written, read from the sources.
  const auto readCopies = [&](std::vector<TPlannedCopy>& plan) {
    for (std::size_t i = 0; i < copies.size() && i < sources.size(); ++i) {
      auto* copy = dynamic_cast<TslDBTreeNode*>(copies[i]);
      if (!copy) continue;
      TPlannedCopy p{copy, Null(), copy->Text(), {}};
      if (auto* parent = dynamic_cast<TslDBTreeNode*>(copy->Parent()))
        p.parentValue = parent->KeyValue();
      else if (!VarIsNull(root_value_))
        p.parentValue = root_value_;
      else if (!options_.Contains(trSmartRecordLoad))
        p.parentValue = copy->KeyValue();
      auto* source = dynamic_cast<TslDBTreeNode*>(sources[i]);
      if (source && sourceTree && (captionsFromSource || !fields.empty())) {
        if (!sourceTree->LocateBy(sourceTree->key_field_, source->KeyValue()))
          RaiseRecordMissing(source, source->KeyValue());
        if (captionsFromSource && list_field_) p.caption = list_field_->Text();
        for (const auto& [from, to] : fields) {
          if (from->IsNull()) continue;  // the target keeps what the append gave it
          TInsertFieldStruct value{to, Null(), false, String()};
          if (auto* blob = dynamic_cast<TBlobField*>(from); blob && dynamic_cast<TBlobField*>(to)) {
            value.blob = true;
            value.bytes = blob->AsBytes();
          } else {
            value.value = from->AsVariant();
          }
          p.fields.push_back(std::move(value));
        }
      }
      plan.push_back(std::move(p));
    }
  };

  std::vector<TPlannedCopy> plan;
  std::vector<TBookmark> appended;
  std::vector<String> captions;
  // Nothing of a drop that fails stays: neither the records written so far
  // nor the copies.
  bool written = false;
  TScopeExit dropCopies([&] {
    if (!written && copies.front()) copies.front()->Delete();
  });
  {
    // Everything is read before anything is written: a source record that
    // cannot be found stops the drop with nothing changed. (This tree is
    // busy already, so marking it again changes nothing.)
    const auto sourceBusy = SetForScope(sourceTree ? sourceTree->busy_ : busy_, true);
    std::optional<TKeepPlace> sourcePlace;
    if (sourceTree) sourcePlace.emplace(sourceTree->link_->DataSet());
    readCopies(plan);
  }
  {
    TScopeExit removeRecords([&] {
      if (written) return;
      if (ds->State() == dsInsert || ds->State() == dsEdit) ds->Cancel();
      for (auto it = appended.rbegin(); it != appended.rend(); ++it) {
        if (!ds->BookmarkValid(*it)) continue;
        ds->GotoBookmark(*it);
        ds->Delete();
      }
    });
    for (TPlannedCopy& p : plan) {
      ds->Append();
      parent_field_->SetAsVariant(p.parentValue);
      if (list_field_ && list_field_ != key_field_ && list_field_ != parent_field_)
        list_field_->SetText(p.caption);
      if (!IsAutoIncrement(key_field_)) key_field_->SetAsVariant(p.copy->KeyValue());
      for (TInsertFieldStruct& f : p.fields) {
        try {
          if (f.blob)
            static_cast<TBlobField*>(f.target)->SetAsBytes(f.bytes);
          else
            f.target->SetAsVariant(f.value);
        } catch (const Exception& e) {
          throw EDatabaseError(Format("The field %s cannot take the copied value: %s",
                                      f.target->FieldName(), e.Message()));
        }
      }
      ds->Post();
      appended.push_back(ds->GetBookmark());
      p.copy->ParentValue = p.parentValue;
      if (IsAutoIncrement(key_field_) && !key_field_->IsNull())
        p.copy->SetKeyValue(key_field_->AsVariant());
      captions.push_back(NodeText());
    }
    written = true;
  }
  for (std::size_t i = 0; i < plan.size(); ++i) {
    TslDBTreeNode* copy = plan[i].copy;
    if (copy->Text() != captions[i]) copy->SetText(captions[i]);
    if (OnAddNewItem) OnAddNewItem(nullptr, copy);
  }
  if (firstParent) LocateBy(key_field_, firstParent->KeyValue());
  return true;
}

// --- Deleting ------------------------------------------------------------------------

bool TslDBTreeView::DeletesRecords() {
  return key_field_ && parent_field_ && !busy_ && !collapsing_ && !Moving() && HandleAllocated() &&
         link_->Active();
}

void TslDBTreeView::PlanDeletion(TslDBTreeNode* node, std::vector<Variant>& keys) {
  const bool allowed = DoDBAction(node, nullptr, trDBDelete);
  std::vector<TslDBTreeNode*> children;
  for (TTreeNode* c = node->getFirstChild(); c; c = c->GetNextSibling())
    if (auto* child = dynamic_cast<TslDBTreeNode*>(c)) children.push_back(child);
  for (TslDBTreeNode* child : children) PlanDeletion(child, keys);
  if (allowed && !VarIsNull(node->KeyValue())) keys.push_back(node->KeyValue());
}

void TslDBTreeView::DeleteItemWithRecords(TMessage& message) {
  if (!DeletesRecords()) {
    TCustomslTreeView::Dispatch(message);
    return;
  }
  const auto item = reinterpret_cast<HTREEITEM>(message.LParam);
  std::vector<TslDBTreeNode*> roots;
  if (!item || item == TVI_ROOT) {
    for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNextSibling())
      if (auto* node = dynamic_cast<TslDBTreeNode*>(n)) roots.push_back(node);
  } else if (auto* node = dynamic_cast<TslDBTreeNode*>(GetNodeFromItem(item));
             node && node->ItemId() == item) {
    // (A moved node's old item goes with its node living on: no deletion.)
    roots.push_back(node);
  }
  std::vector<Variant> keys;
  for (TslDBTreeNode* root : roots) {
    // With smart loading the records below that have no node yet go too.
    if (options_.Contains(trSmartRecordLoad) && list_field_) LoadChildren(root, true);
    PlanDeletion(root, keys);
  }
  TCustomslTreeView::Dispatch(message);
  for (const Variant& key : keys) DeleteRecordForKey(key);
}

void TslDBTreeView::DeleteRecordForKey(const Variant& key) {
  if (!DeletesRecords()) return;
  TDataSet* ds = link_->DataSet();
  {
    const auto busy = SetForScope(busy_, true);
    TControlsOff controls(ds);
    if (!ds->IsEmpty()) {
      bool found = false;
      try {
        found = LocateBy(key_field_, key);
      } catch (const Exception&) {
      }
      if (found && KeyEqual(key_field_->AsVariant(), key)) ds->Delete();
    }
  }
  if (TTreeNode* selected = Selected()) Change(selected);
}

// --- Captions ---------------------------------------------------------------------

void TslDBTreeView::ItemTextSet(const TMessage& message) {
  const auto* item = reinterpret_cast<const TVITEM*>(message.LParam);
  if (!item || !(item->mask & TVIF_TEXT) || busy_ || Moving() || (IsEditing() && !ending_edit_) ||
      ReadOnly() || !list_field_ || !display_fields_.empty() || !key_field_ || !link_->Active())
    return;
  if (!link_->DataSet()->CanModify() || list_field_->ReadOnly()) return;
  auto* node = dynamic_cast<TslDBTreeNode*>(GetNodeFromItem(item->hItem));
  if (!node || VarIsNull(node->KeyValue())) return;
  WriteCaption(node);
}

void TslDBTreeView::WriteCaption(TslDBTreeNode* node) {
  TDataSet* ds = link_->DataSet();
  const auto busy = SetForScope(busy_, true);
  TControlsOff controls(ds);
  // The caption goes into the node's own record, which need not be the
  // current one; the dataset comes back afterwards.
  std::optional<TKeepPlace> back;
  if (!KeyEqual(key_field_->AsVariant(), node->KeyValue())) {
    back.emplace(ds);
    if (!LocateBy(key_field_, node->KeyValue())) RaiseRecordMissing(node, node->KeyValue());
  }
  if (list_field_->Text() == node->Text() || !DoDBAction(node, nullptr, trDBChangeText)) return;
  ds->Edit();
  list_field_->SetText(node->Text());
  PostOrCancel(ds);
}

// --- Label editing -------------------------------------------------------------------

void TslDBTreeView::CNNotify(TMessage& message) {
  TCustomslTreeView::CNNotify(message);
  const auto* hdr = reinterpret_cast<const NMHDR*>(message.LParam);
  if (hdr->code != TVN_BEGINLABELEDIT || message.Result != 0) return;
  const auto* info = reinterpret_cast<const NMTVDISPINFO*>(message.LParam);
  BeginLabelEdit(GetNodeFromItem(info->item.hItem));
}

void TslDBTreeView::BeginLabelEdit(TTreeNode* node) {
  edit_started_ = false;
  editing_node_ = node;
  auto* dbNode = dynamic_cast<TslDBTreeNode*>(node);
  if (!dbNode || !list_field_ || !key_field_ || !link_->Active()) return;
  TDataSet* ds = link_->DataSet();
  if (!KeyEqual(key_field_->AsVariant(), dbNode->KeyValue())) {
    const auto busy = SetForScope(busy_, true);
    TControlsOff controls(ds);
    if (!LocateBy(key_field_, dbNode->KeyValue())) return;
  }
  if (list_field_->Text() != node->Text()) {
    const auto busy = SetForScope(busy_, true);
    node->SetText(list_field_->Text());
  }
  if (ds->CanModify() && ds->State() == dsBrowse) edit_started_ = link_->Edit();
}

void TslDBTreeView::PrepareEditor(HWND editor) {
  TTreeNode* node = std::exchange(editing_node_, nullptr);
  if (!list_field_ || !link_->Active()) return;
  if (node && GetWindowText(editor) != node->Text()) {
    SetWindowText(editor, node->Text());
    SendMessage(editor, EM_SETSEL, 0, -1);
  }
  SendMessage(editor, EM_LIMITTEXT, static_cast<WPARAM>(list_field_->DisplayWidth()), 0);
}

LRESULT TslDBTreeView::EditorWndProc(HWND editor, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CHAR && list_field_ && link_->Active()) {
    if (!link_->DataSet()->CanModify() || list_field_->ReadOnly()) return 0;
    // Backspace, Enter, Escape and the Ctrl letters edit the text or end
    // the editing; they are no characters of the value to be checked.
    const auto c = static_cast<char32_t>(wParam);
    if (c >= 0x20 && c != 0x7F && !list_field_->IsValidChar(c)) {
      MessageBeep(0);
      return 0;
    }
  }
  return CallWindowProc(editor_previous_, editor, msg, wParam, lParam);
}

void TslDBTreeView::Edit(const TVITEM& item) {
  auto* node = dynamic_cast<TslDBTreeNode*>(GetNodeFromItem(item.hItem));
  const bool started = std::exchange(edit_started_, false);
  const String before = node ? node->Text() : String();
  {
    const auto endingEdit = SetForScope(ending_edit_, true);
    TCustomslTreeView::Edit(item);
  }
  if (!link_->Active()) return;
  TDataSet* ds = link_->DataSet();
  if (!item.pszText || display_fields_.empty()) {
    // An editing that changed nothing (cancelled, or the caption written
    // and posted already) leaves the record browsing, as it found it.
    if (started && ds->State() == dsEdit && !ds->Modified()) {
      const auto busy = SetForScope(busy_, true);
      ds->Cancel();
    }
    return;
  }
  if (!node || !list_field_) return;
  const auto busy = SetForScope(busy_, true);
  const bool own = node == Selected() && key_field_ &&
                   KeyEqual(key_field_->AsVariant(), node->KeyValue()) &&
                   (ds->State() == dsEdit || ds->State() == dsInsert);
  if (!own) {
    // The caption is composed from the node's record, which is not at hand.
    if (node->Text() != before) node->SetText(before);
    return;
  }
  const String caption = node->Text();
  if (!ReadOnly() && list_field_->Text() != caption)
    list_field_->SetText(caption);  // posted when the record is left
  else if (caption != list_field_->Text())
    node->SetText(list_field_->Text());
  const String text = NodeText();
  if (node->Text() != text) node->SetText(text);
}
