// tests/memtable/ChangedTable.h
//
// A versioned people table with changes of every kind since its last check
// point, for the tests of check points and of the delta handler.
#pragma once

#include "MemTableTestHelpers.h"

// Rows 1..4 ("a".."d") checked in, then: 2 renamed "B", 3 deleted, 5 ("e")
// inserted, 6 ("f") inserted and deleted again. Two attach slots.
inline std::unique_ptr<TvomMemTable> ChangedPeople() {
  auto table = NewPeopleTable();
  table->SetEnableVersioning(true);
  table->SetAttachMaxCount(2);
  table->Open();
  AppendRows(*table, {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}});
  table->CheckPoint();
  table->Locate("Id", 2, {});
  table->Edit();
  table->FieldByName("Name")->SetAsString("B");
  table->Post();
  table->Locate("Id", 3, {});
  table->Delete();
  AppendRows(*table, {{5, "e"}, {6, "f"}});
  table->Locate("Id", 6, {});
  table->Delete();
  return table;
}
