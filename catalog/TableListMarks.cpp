// catalog/TableListMarks.cpp
//
// What an item does as its table's rows change: the "Action" marks, the
// default values, the link of a new row to its parent row, and the marks
// that travel up to the parent items.
//
// The state handler runs as soon as the table has entered its new state and
// before the table's own new-record step, so that a new row is marked and
// filled before anything else sees it. It may itself post the parent's table
// and edit rows, which brings the handlers of other items (and, through
// Edit, this one again: then "Action" is already set and nothing happens).
#include "catalog/GlU.h"
#include "catalog/TableList.h"
#include "memtable/MemTable.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/StringUtils.h"

namespace {

bool IsEditing(TDataSet* table) {
  return table->State() == dsEdit || table->State() == dsInsert;
}

}  // namespace

TLStrItem* TLStrItem::KeyedParent() const {
  TLStrItem* parent = ParentItem();
  if (parent && parent->mem_table_ && FieldDefExists(parent->mem_table_, parent->key_name_))
    return parent;
  return nullptr;
}

void TLStrItem::DataSMtStateChange(TObject* /*Sender*/) {
  // A table used without its item being opened may lack "Action"; its rows
  // are then not marked.
  TField* action = mem_table_ ? mem_table_->FindField(ActionFieldName) : nullptr;
  if (!action || !action->AsString().empty()) return;
  switch (data_smt_->State()) {
    case dsEdit:
      action->SetAsString("E");
      if (TLStrItem* parent = KeyedParent()) parent->MarkEdited();
      break;
    case dsInsert:
      MarkInserted(action);
      break;
    default:
      break;
  }
}

void TLStrItem::MarkInserted(TField* action) {
  action->SetAsString("A");
  LoadDefValues();
  TvomMemTable* table = mem_table_;
  if (TLStrItem* parent = KeyedParent()) {
    parent->MarkEdited();
    TvomMemTable* parentTable = parent->mem_table_;
    if (parentTable && IsEditing(parentTable)) parentTable->Post();
    if (table->State() == dsBrowse) table->Edit();
    // A closed parent table has no current row whose key could be taken.
    if (parentTable && parentTable->Active())
      table->FieldByName(parent_key_name_)
          ->SetAsString(parentTable->FieldByName(parent->key_name_)->AsString());
    LoadDefValues();
    table->FieldByName(key_name_)->SetAsString(IntToStr(Lists()->InId()));
  } else {
    if (table->State() == dsBrowse) table->Edit();
    LoadDefValues();
  }
  FireItemChange(&TLList::OnNewRecord);
}

void TLStrItem::MarkEdited() {
  if (marking_) return;
  TBusy marking(marking_);
  if (TvomMemTable* table = mem_table_) {
    TField* action = table->FindField(ActionFieldName);
    if (IsEditing(table)) {
      if (action && action->AsString().empty()) action->SetAsString("E");
    } else if (table->Active()) {
      if (table->IsEmpty()) {
        // The new row is marked "A" by the state handler.
        table->Append();
        table->Post();
      } else if (action && action->AsString().empty()) {
        table->Edit();
        table->Post();
      }
    }
  }
  if (TLStrItem* parent = ParentItem()) parent->MarkEdited();
}

void TLStrItem::LoadDefValues() {
  bool load = true;
  TLList* manager = Manager();
  if (manager && manager->OnBeforeLoadDefValues) manager->OnBeforeLoadDefValues(this, load);
  TvomMemTable* table = mem_table_;
  if (load && table && table->Active() && IsEditing(table)) {
    for (Integer i = 0; i < def_values_->Count(); ++i) {
      const String line = def_values_->Strings(i);
      const String name = Trim(GlU::GetDelimitedToken(line, 1, '='));
      if (TField* field = table->FindField(name))
        field->SetAsString(GlU::GetDelimitedToken(line, 2, '='));
    }
  }
  FireItemChange(&TLList::OnAfterLoadDefValues);
}

void TLStrItem::DataSMtDataChange(TObject* /*Sender*/, TField* Field) {
  TLList* manager = Manager();
  if (manager && manager->OnDataChange) manager->OnDataChange(this, mem_table_, Field);
}
