// catalog/TableList.cpp
//
// The manager, its collection, the field-definition test and the
// registration of the classes for stored definitions.
#include "catalog/TableList.h"

#include <mutex>

#include "memtable/MemTable.h"
#include "oracle/OracleDataSet.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/StringUtils.h"

bool FieldDefExists(TvomCustomMemTable* table, const String& name) {
  if (!table) return false;
  const String wanted = UpperCase(name);
  TFieldDefs* defs = table->FieldDefs();
  for (Integer i = 0; i < defs->Count(); ++i)
    if (UpperCase(defs->Items(i)->Name()) == wanted) return true;
  return false;
}

// --- TLists ------------------------------------------------------------------------

TLists::TLists(TLList* owner)
    : TOwnedCollection(owner, TCollectionItemClass::Of<TLStrItem>()), manager_(owner) {}

TLStrItem* TLists::FindItem(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->DisplayName() == name) return Items(i);
  return nullptr;
}

Integer TLists::InId() {
  return --in_id_;
}

// --- TLList ------------------------------------------------------------------------

TLList::TLList(TComponent* owner) : TComponent(owner), items_(std::make_unique<TLists>(this)) {
  items_->SetPropName("Items");
}

// The items go first, while the manager (which they report to) is whole.
TLList::~TLList() {
  items_.reset();
}

Integer TLList::ItemRecordCount(const String& name, TLStrItem*& item) const {
  item = items_->FindItem(name);
  if (!item || !item->MemTable() || !item->MemTable()->Active()) return -1;
  return item->MemTable()->RecordCount();
}

void TLList::WatchComponent(TComponent* component) {
  if (component) FreeNotification(component);
}

void TLList::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && items_) {
    for (Integer i = 0; i < items_->Count(); ++i) {
      TLStrItem* item = items_->Items(i);
      if (item->mem_table_component_ == component) {
        item->mem_table_ = nullptr;
        item->mem_table_component_ = nullptr;
      }
      if (item->oracle_component_ == component) {
        item->oracle_data_set_ = nullptr;
        item->oracle_component_ = nullptr;
      }
    }
  }
  TComponent::Notification(component, operation);
}

// --- registration -------------------------------------------------------------------

void InitializeTableList() {
  static std::once_flag done;
  std::call_once(done, [] {
    RegisterClass<TLStrItem>();
    TPublishedClass<TLList, TComponent>().AddObject("Items", &TLList::Items);
    TPublishedClass<TLStrItem>()
        .AddObject("AddFields", &TLStrItem::AddFields)
        .AddObject("DefValues", &TLStrItem::DefValues)
        .AddObject("NotNullValues", &TLStrItem::NotNullValues)
        .AddObject("ChildItemsNames", &TLStrItem::ChildItemsNames)
        .AddString("DisplayName", &TLStrItem::DisplayName, &TLStrItem::SetDisplayName)
        .AddString("Info", &TLStrItem::Info, &TLStrItem::SetInfo)
        .AddString("KeyName", &TLStrItem::KeyName, &TLStrItem::SetKeyName)
        .AddObject("List", &TLStrItem::List)
        .AddComponent("MemTable", &TLStrItem::MemTable, &TLStrItem::SetMemTable)
        .AddComponent("OracleDataSet", &TLStrItem::OracleDataSet, &TLStrItem::SetOracleDataSet)
        .AddString("ParentItemName", &TLStrItem::ParentItemName, &TLStrItem::SetParentItemName)
        .AddString("ParentKeyName", &TLStrItem::ParentKeyName, &TLStrItem::SetParentKeyName)
        .AddInteger("Tag", &TLStrItem::Tag, &TLStrItem::SetTag, 0)
        .AddComponent("DataSMt", &TLStrItem::DataSMt, nullptr)
        .NotStored()
        .AddSet("OpenOptions", &TLStrItem::OpenOptions, &TLStrItem::SetOpenOptions,
                {"ooFromList", "ooFromDataSet", "ooChild", "ooUseSelfFields"},
                static_cast<Int64>(TOpenOptions{ooFromList, ooFromDataSet, ooChild}.Bits()));
  });
}
