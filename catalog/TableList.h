// catalog/TableList.h
//
// The table-list manager: TLList holds named items (TLStrItem, collected in
// TLists); each item binds one in-memory table and knows how to build it from
// a list of field lines, which items are its parent and children,
// which default values new rows get, and it keeps the status field "Action"
// of its rows.
//
// Field lines (AddFields), one per line, "name, kind, size":
//   - exactly two commas, otherwise the line is skipped;
//   - name: the text before the first comma, as it stands (a leading blank
//     stays part of the name);
//   - kind: trimmed and upper-cased; one letter picks the field type
//       B blob, C string, D date, F float, G graphic, I 16-bit integer,
//       M memo, N 32-bit integer, T date-time,
//     any other single letter skips the line, and anything that is not a
//     single letter (empty, "CHAR") gives a string field;
//   - size: trimmed, empty means 0, else read by StrToInt (blanks, sign, "$"
//     and "0x" hexadecimal accepted); anything else raises EConvertError, and
//     the definitions added before it stay. Kinds without a size ignore it.
//   A line whose name the table already defines (ignoring ASCII case) is
//   skipped. Definitions are added as not required.
//
// The "Action" field (a string of 5) is added by Open to every table that
// lacks it. A row gets "A" when it is inserted and "E" when an existing row
// is edited, each only while the field is empty, so the first mark stays.
// Rows that arrive while the table's controls are disabled (loads, copies)
// are not marked: they keep what they bring.
//
// Marks travel upwards: editing or inserting a row of an item whose parent
// item has a table that defines the parent's KeyName marks the parent
// (MarkEdited), which in turn marks its own parent, up to the top. A new row
// of such a child also takes the parent row's key into ParentKeyName and a
// fresh temporary key (-1, -2, ... from TLists::InId) into KeyName.
//
// Lifetime: the manager owns its TLists, the collection its items, and each
// item its five string lists and its data source (DataSMt). Tables are owned
// elsewhere (the data module): the manager asks to be told when an item's
// table is freed and then clears that item's reference, so the data module
// may free its components in any order.
//
// The Oracle source of an item: with ooFromDataSet and an OracleDataSet, Open
// gives the dataset List as its SQL text, opens it, adds a field definition
// for each of its string, integer, float, date-time and BLOB fields that the
// table lacks, copies its rows into the opened table and closes it again, so
// that the item keeps its own copy. An Oracle error while the dataset opens
// goes to the manager's OnErrorOpenDataSet and the table is built and opened
// without the dataset; any other exception passes on. Close closes the
// dataset too. The dataset is owned elsewhere, and the item forgets it when
// it is freed.
//
// Threads: GUI thread only.
#pragma once

#include <functional>
#include <memory>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"

class TDataSource;
class TField;
class TLList;
class TLists;
class TOracleDataSet;
class TvomCustomMemTable;
class TvomMemTable;

enum TOpenOption {
  ooFromList,       // build the fields from AddFields
  ooFromDataSet,    // take fields and rows from the Oracle source
  ooChild,          // open the child items afterwards
  ooUseSelfFields,  // keep the table's own field definitions
};
using TOpenOptions = Set<TOpenOption>;

// Sender is the item.
using TItemChangeEvent = std::function<void(TObject* Sender, const String& ItemName)>;
// Field is the changed field, or nullptr when the record or the position changed.
using TItemDataChangeEvent =
    std::function<void(TObject* Sender, TvomMemTable* MemT, TField* Field)>;
// ErrMes is the message of the Oracle error met while the item's dataset opened.
using TErrorOpenDataSet = std::function<void(TObject* Sender, const String& ErrMes)>;
// Load starts true; a handler clears it to keep the default values off this row.
using TOnBeforeLoadDefValues = std::function<void(TObject* Sender, bool& Load)>;

// The name of the status field that Open adds to every item's table.
inline constexpr const char* ActionFieldName = "Action";

// Whether `table` has a field definition named `name`, comparing both
// upper-cased (ASCII); false for no table.
bool FieldDefExists(TvomCustomMemTable* table, const String& name);

class TLStrItem : public TCollectionItem {
  ZORVET_CLASS_NAME(TLStrItem)

 public:
  // Joins `collection` (a TLists, or nullptr) and is named TLStrItem<n>, n
  // being the collection's count with this item.
  explicit TLStrItem(TCollection* collection);
  ~TLStrItem() override;

  // --- published properties ------------------------------------------------
  // Field lines, one per line (see the top of this file).
  TStrings* AddFields() const { return add_fields_.get(); }
  void SetAddFields(const TStrings* value) { add_fields_->Assign(value); }
  // name=value lines written into new rows (LoadDefValues).
  TStrings* DefValues() const { return def_values_.get(); }
  void SetDefValues(const TStrings* value) { def_values_->Assign(value); }
  // Kept with the item; nothing reads it.
  TStrings* NotNullValues() const { return not_null_values_.get(); }
  void SetNotNullValues(const TStrings* value) { not_null_values_->Assign(value); }
  // Names of the child items. Assigning also makes this item the parent of
  // every named item that exists.
  TStrings* ChildItemsNames() const { return child_items_names_.get(); }
  void SetChildItemsNames(const TStrings* value);
  // The name by which the item is found (case-sensitive).
  String DisplayName() const override { return display_name_; }
  void SetDisplayName(const String& value) override;
  const String& Info() const { return info_; }
  void SetInfo(const String& value) { info_ = value; }
  // The table's key field.
  const String& KeyName() const { return key_name_; }
  void SetKeyName(const String& value) { key_name_ = value; }
  // SQL text for the Oracle source.
  TStrings* List() const { return list_.get(); }
  void SetList(const TStrings* value) { list_->Assign(value); }
  // The table the item builds (not owned). Also DataSMt's dataset.
  TvomMemTable* MemTable() const { return mem_table_; }
  void SetMemTable(TvomMemTable* value);
  // The optional source of fields and rows (not owned).
  TOracleDataSet* OracleDataSet() const { return oracle_data_set_; }
  void SetOracleDataSet(TOracleDataSet* value);
  const String& ParentItemName() const { return parent_item_name_; }
  void SetParentItemName(const String& value) { parent_item_name_ = value; }
  // The field of this item's table that holds the parent row's key.
  const String& ParentKeyName() const { return parent_key_name_; }
  void SetParentKeyName(const String& value) { parent_key_name_ = value; }
  Integer Tag() const { return tag_; }
  void SetTag(Integer value) { tag_ = value; }
  // The item's own data source over MemTable (owned by the item).
  TDataSource* DataSMt() const { return data_smt_.get(); }
  TOpenOptions OpenOptions() const { return open_options_; }
  void SetOpenOptions(TOpenOptions value) { open_options_ = value; }

  // --- operations ----------------------------------------------------------
  // Closes the item, then rebuilds the table: index definitions cleared,
  // field definitions cleared (unless ooUseSelfFields) and added from
  // AddFields (ooFromList), "Action" added and the table created when it
  // lacks "Action", table opened. Once open: OnAfterItemOpen fires, the
  // data-change handler is attached and, with ooChild, the child items open.
  // OnBeforeItemOpen fires before the fields are built. Raises what building
  // or opening the table raises (EConvertError for a bad size), and what
  // opening the Oracle source raises other than EOracleError.
  // An item without a table only fires OnBeforeItemOpen.
  void Open();
  // Closes the child items (recursively), detaches the data-change handler
  // and closes the table and the Oracle source.
  void Close();
  // Adds the field definitions of `list` to the table (see the top of this
  // file). Nothing without a table.
  void AddFieldsFromList(const TStrings* list);
  // Writes the default values into the row being edited or inserted, unless
  // OnBeforeLoadDefValues refuses; OnAfterLoadDefValues fires in any case.
  void LoadDefValues();
  // Marks the item's current row edited ("E" while "Action" is empty); an
  // open table that is browsing gets its row edited and posted, an empty
  // one a new row ("A"). Then marks the parent, and so on upwards.
  void MarkEdited();
  // The item named ParentItemName in the same collection, or nullptr.
  TLStrItem* ParentItem() const;

  // The collection and manager the item belongs to (nullptr when none).
  TLists* Lists() const;
  TLList* Manager() const;
  // Moving to another manager's collection hands the table's watch over too.
  void SetCollection(TCollection* value) override;

 protected:
  // Handlers on DataSMt: the state one from creation on, the data one while
  // the item is open.
  void DataSMtStateChange(TObject* Sender);
  void DataSMtDataChange(TObject* Sender, TField* Field);

 private:
  friend class TLList;

  // Holds one of the guard flags below for a scope, on every way out.
  class TBusy {
   public:
    explicit TBusy(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~TBusy() { flag_ = was_; }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

   private:
    bool& flag_;
    bool was_;
  };

  // Whether the walk over the children may enter this item now.
  bool Idle() const { return !opening_ && !closing_; }
  // Marks a new row ("A"), fills it and links it to its parent row.
  void MarkInserted(TField* action);
  // The parent item when its table defines the parent's KeyName.
  TLStrItem* KeyedParent() const;
  // The item named `name` in the same collection, or nullptr.
  TLStrItem* Sibling(const String& name) const;
  void FireItemChange(TItemChangeEvent TLList::*event);
  // The steps of Open and Close that concern the Oracle source; each does
  // nothing unless ooFromDataSet is set and there is a dataset.
  bool HasOracleSource() const;
  void GiveOracleSql();
  void OpenOracleSource();
  void AddOracleFields();
  void CopyOracleRows();
  void CloseOracleSource();

  std::unique_ptr<TStringList> add_fields_;
  std::unique_ptr<TStringList> def_values_;
  std::unique_ptr<TStringList> not_null_values_;
  std::unique_ptr<TStringList> child_items_names_;
  std::unique_ptr<TStringList> list_;
  String display_name_;
  String info_;
  String key_name_;
  String parent_item_name_;
  String parent_key_name_;
  Integer tag_ = 0;
  TvomMemTable* mem_table_ = nullptr;
  // The same table seen as a component, to recognise it in Notification
  // once its dataset part is gone.
  TComponent* mem_table_component_ = nullptr;
  TOracleDataSet* oracle_data_set_ = nullptr;
  TComponent* oracle_component_ = nullptr;
  std::unique_ptr<TDataSource> data_smt_;
  TOpenOptions open_options_{ooFromList, ooFromDataSet, ooChild};
  // Guards against items that name each other as parent or child: the walk
  // over the children skips an item that is already opening or closing, and
  // the walk up through the parents stops at an item already being marked.
  bool opening_ = false;
  bool closing_ = false;
  bool marking_ = false;
};

class TLists : public TOwnedCollection {
  ZORVET_CLASS_NAME(TLists)

 public:
  explicit TLists(TLList* owner);

  TLList* Manager() const { return manager_; }
  TLStrItem* Items(Integer index) const {
    return static_cast<TLStrItem*>(TCollection::Items(index));
  }
  TLStrItem* Add() { return static_cast<TLStrItem*>(TCollection::Add()); }
  // The first item whose DisplayName equals `name` exactly, or nullptr.
  TLStrItem* FindItem(const String& name) const;
  // Each read counts down first: -1, -2, -3, ... for the life of the
  // collection.
  Integer InId();

 private:
  TLList* manager_;
  Integer in_id_ = 0;
};

class TLList : public TComponent {
  ZORVET_CLASS_NAME(TLList)

 public:
  explicit TLList(TComponent* owner);
  ~TLList() override;

  // The items; stored definitions fill the collection in place.
  TLists* Items() const { return items_.get(); }

  // The record count of the named item's table; -1 when there is no such
  // item, it has no table or the table is not open. `item` receives the item
  // (nullptr when none).
  Integer ItemRecordCount(const String& name, TLStrItem*& item) const;

  TItemChangeEvent OnAfterItemOpen;
  TItemChangeEvent OnBeforeItemOpen;
  TItemChangeEvent OnNewRecord;
  TItemDataChangeEvent OnDataChange;
  TErrorOpenDataSet OnErrorOpenDataSet;
  TOnBeforeLoadDefValues OnBeforeLoadDefValues;
  TItemChangeEvent OnAfterLoadDefValues;

  // Clears the references of the items whose table or dataset goes away.
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TLStrItem;
  // Asks to hear of the removal of an item's table or dataset.
  void WatchComponent(TComponent* component);

  std::unique_ptr<TLists> items_;
};

// Registers TLStrItem with the class registry and declares the published
// properties of TLList and TLStrItem (once; later calls do nothing).
void InitializeTableList();
