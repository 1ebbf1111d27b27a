// catalog/TableListOracle.cpp
//
// A table-list item's Oracle source: the steps of Open and Close that give
// the dataset its SQL text, open it, take its fields and rows into the
// item's table and close it again.
#include "catalog/TableList.h"
#include "memtable/MemTable.h"
#include "oracle/OracleDataSet.h"
#include "oracle/OracleErrors.h"
#include "platform/rtl/ScopeExit.h"

namespace {

// The table's definition for a dataset field, ftUnknown for a kind the
// table does not take.
TFieldType TableFieldType(TFieldType datasetType) {
  switch (datasetType) {
    case ftString:
    case ftInteger:
    case ftFloat:
    case ftDateTime:
      return datasetType;
    case ftOraBlob:
      return ftBlob;
    default:
      return ftUnknown;
  }
}

}  // namespace

void TLStrItem::SetOracleDataSet(TOracleDataSet* value) {
  oracle_data_set_ = value;
  oracle_component_ = value;
  if (TLList* manager = Manager()) manager->WatchComponent(value);
}

bool TLStrItem::HasOracleSource() const {
  return open_options_.Contains(ooFromDataSet) && oracle_data_set_;
}

void TLStrItem::GiveOracleSql() {
  if (HasOracleSource()) oracle_data_set_->SetSQL(list_.get());
}

void TLStrItem::OpenOracleSource() {
  if (!HasOracleSource()) return;
  try {
    oracle_data_set_->Open();
  } catch (const EOracleError& e) {
    // The table is built without the dataset's fields and rows.
    TLList* manager = Manager();
    if (manager && manager->OnErrorOpenDataSet) manager->OnErrorOpenDataSet(this, e.Message());
  }
}

void TLStrItem::AddOracleFields() {
  if (!HasOracleSource() || !mem_table_) return;
  for (TField* field : oracle_data_set_->Fields()) {
    if (FieldDefExists(mem_table_, field->FieldName())) continue;
    const TFieldType type = TableFieldType(field->DataType());
    if (type == ftUnknown) continue;
    // A string's data size counts its terminating byte.
    const Integer size = type == ftString ? field->DataSize() - 1 : 0;
    mem_table_->FieldDefs()->Add(field->FieldName(), type, size, false);
  }
}

void TLStrItem::CopyOracleRows() {
  if (!HasOracleSource() || !mem_table_ || !oracle_data_set_->Active()) return;
  mem_table_->DisableControls();
  TScopeExit enable([this] { mem_table_->EnableControls(); });
  mem_table_->LoadFromDataSet(oracle_data_set_, coAppend);
}

void TLStrItem::CloseOracleSource() {
  if (HasOracleSource() && oracle_data_set_->Active()) oracle_data_set_->Close();
}
