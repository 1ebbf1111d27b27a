// catalog/TableListItem.cpp
//
// A table-list item: its properties, and how it builds, opens and closes its
// table.
#include <optional>

#include "catalog/GlU.h"
#include "catalog/TableList.h"
#include "memtable/MemTable.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace {

// Whether the text is one character: one UTF-8 sequence, or one byte that
// starts none.
bool IsOneCharacter(const String& text) {
  if (text.empty()) return false;
  const std::size_t first = Utf8SequenceLength(text, 0);
  return (first == 0 ? 1 : first) == text.size();
}

// The field type of a field line's kind part (already trimmed and
// upper-cased); nothing for a letter that names no kind. The kind is a
// letter when it is one character, however many bytes that takes ("é"
// names no kind, as "X" does), and a word otherwise.
std::optional<TFieldType> KindToFieldType(const String& kind) {
  if (!IsOneCharacter(kind)) return ftString;
  if (kind.size() != 1) return std::nullopt;
  switch (kind[0]) {
    case 'B':
      return ftBlob;
    case 'C':
      return ftString;
    case 'D':
      return ftDate;
    case 'F':
      return ftFloat;
    case 'G':
      return ftGraphic;
    case 'I':
      return ftSmallint;
    case 'M':
      return ftMemo;
    case 'N':
      return ftInteger;
    case 'T':
      return ftDateTime;
    default:
      return std::nullopt;
  }
}

}  // namespace

TLStrItem::TLStrItem(TCollection* collection)
    : TCollectionItem(collection),
      add_fields_(std::make_unique<TStringList>()),
      def_values_(std::make_unique<TStringList>()),
      not_null_values_(std::make_unique<TStringList>()),
      child_items_names_(std::make_unique<TStringList>()),
      list_(std::make_unique<TStringList>()),
      data_smt_(std::make_unique<TDataSource>(nullptr)) {
  display_name_ = StaticClassName() + IntToStr(collection ? collection->Count() : 1);
  data_smt_->OnStateChange = [this](TObject* sender) { DataSMtStateChange(sender); };
}

// The data source goes first, so that nothing reaches the handlers of a
// half-destroyed item.
TLStrItem::~TLStrItem() {
  data_smt_.reset();
}

TLists* TLStrItem::Lists() const {
  return dynamic_cast<TLists*>(Collection());
}

TLList* TLStrItem::Manager() const {
  TLists* lists = Lists();
  return lists ? lists->Manager() : nullptr;
}

void TLStrItem::SetCollection(TCollection* value) {
  TCollectionItem::SetCollection(value);
  if (TLList* manager = Manager()) {
    manager->WatchComponent(mem_table_component_);
    manager->WatchComponent(oracle_component_);
  }
}

TLStrItem* TLStrItem::Sibling(const String& name) const {
  TLists* lists = Lists();
  return lists ? lists->FindItem(name) : nullptr;
}

TLStrItem* TLStrItem::ParentItem() const {
  return Sibling(parent_item_name_);
}

void TLStrItem::SetDisplayName(const String& value) {
  display_name_ = value;
  Changed(false);
}

void TLStrItem::SetChildItemsNames(const TStrings* value) {
  child_items_names_->Assign(value);
  for (Integer i = 0; i < child_items_names_->Count(); ++i)
    if (TLStrItem* child = Sibling(child_items_names_->Strings(i)))
      child->SetParentItemName(display_name_);
}

void TLStrItem::SetMemTable(TvomMemTable* value) {
  mem_table_ = value;
  mem_table_component_ = value;
  data_smt_->SetDataSet(value);
  if (TLList* manager = Manager()) manager->WatchComponent(value);
}

void TLStrItem::FireItemChange(TItemChangeEvent TLList::*event) {
  TLList* manager = Manager();
  if (manager && manager->*event) (manager->*event)(this, display_name_);
}

// --- building the table ----------------------------------------------------------

void TLStrItem::AddFieldsFromList(const TStrings* list) {
  if (!mem_table_ || !list) return;
  for (Integer i = 0; i < list->Count(); ++i) {
    const String line = list->Strings(i);
    if (GlU::CountChar(line, ',') != 2) continue;
    const String name = GlU::GetDelimitedToken(line, 1, ',');
    const String kind = UpperCase(Trim(GlU::GetDelimitedToken(line, 2, ',')));
    const String sizeText = Trim(GlU::GetDelimitedToken(line, 3, ','));
    const Integer size = sizeText.empty() ? 0 : StrToInt(sizeText);
    const std::optional<TFieldType> type = KindToFieldType(kind);
    if (!type || FieldDefExists(mem_table_, name)) continue;
    mem_table_->FieldDefs()->Add(name, *type, size, false);
  }
}

// --- opening and closing -------------------------------------------------------------

void TLStrItem::Close() {
  TBusy busy(closing_);
  // Children close before their parent.
  for (Integer i = 0; i < child_items_names_->Count(); ++i) {
    TLStrItem* child = Sibling(child_items_names_->Strings(i));
    if (child && child->Idle()) child->Close();
  }
  data_smt_->OnDataChange = nullptr;
  if (mem_table_ && mem_table_->Active()) mem_table_->Close();
  CloseOracleSource();
}

void TLStrItem::Open() {
  TBusy busy(opening_);
  Close();
  if (mem_table_) mem_table_->IndexDefs()->Clear();
  GiveOracleSql();
  FireItemChange(&TLList::OnBeforeItemOpen);
  OpenOracleSource();
  // The dataset is open for this call only, whichever way it ends.
  TScopeExit closeSource([this] { CloseOracleSource(); });
  if (!mem_table_) return;
  if (!open_options_.Contains(ooUseSelfFields)) mem_table_->FieldDefs()->Clear();
  if (open_options_.Contains(ooFromList)) AddFieldsFromList(add_fields_.get());
  AddOracleFields();
  if (!FieldDefExists(mem_table_, ActionFieldName)) {
    mem_table_->FieldDefs()->Add(ActionFieldName, ftString, 5, false);
    mem_table_->CreateTable();
  }
  mem_table_->Open();
  if (!mem_table_->Active()) return;
  CopyOracleRows();
  FireItemChange(&TLList::OnAfterItemOpen);
  data_smt_->OnDataChange = [this](TObject* sender, TField* field) {
    DataSMtDataChange(sender, field);
  };
  CloseOracleSource();
  if (open_options_.Contains(ooChild)) {
    for (Integer i = 0; i < child_items_names_->Count(); ++i) {
      TLStrItem* child = Sibling(child_items_names_->Strings(i));
      if (child && child->Idle()) child->Open();
    }
  }
}
