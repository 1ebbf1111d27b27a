// tests/memtable/MemTableTestHelpers.h
//
// Verbs for memory-table tests: make a table of a few fields, add rows by
// value, read a column in the table's order.
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "memtable/MemTable.h"
#include "platform/data/Fields.h"

// A closed table with an integer field "Id" and a 20-character "Name".
inline std::unique_ptr<TvomMemTable> NewPeopleTable(TComponent* owner = nullptr) {
  auto table = std::make_unique<TvomMemTable>(owner);
  table->FieldDefs()->Add("Id", ftInteger);
  table->FieldDefs()->Add("Name", ftString, 20);
  return table;
}

// Appends one posted row per value list (values in field order).
inline void AppendRows(TDataSet& table, std::initializer_list<std::vector<Variant>> rows) {
  for (const auto& row : rows) table.AppendRecord(row);
}

// The field's texts from the first record to the last ("<null>" for null).
// The table is left after its last record.
inline std::vector<String> Column(TDataSet& table, const String& field) {
  std::vector<String> values;
  for (table.First(); !table.Eof(); table.Next()) {
    TField* f = table.FieldByName(field);
    values.push_back(f->IsNull() ? String("<null>") : f->AsString());
  }
  return values;
}

// Every field of every record as text, in the table's order. The table is
// left after its last record.
inline std::vector<String> RowTexts(TDataSet& table) {
  std::vector<String> rows;
  for (table.First(); !table.Eof(); table.Next()) {
    String row;
    for (TField* field : table.Fields())
      row += (field->IsNull() ? "<null>" : field->AsString()) + "|";
    rows.push_back(row);
  }
  return rows;
}

// Attaches `other` to `table` (closing the table for it) and opens both.
// With `quiet`, neither refreshes after the other's changes.
inline void AttachAndOpen(TvomMemTable& table, TvomMemTable& other, bool quiet = false) {
  table.Close();
  other.SetAttachedTo(&table);
  table.Open();
  other.Open();
  table.SetAttachedAutoRefresh(!quiet);
  other.SetAttachedAutoRefresh(!quiet);
}

using Texts = std::vector<String>;
