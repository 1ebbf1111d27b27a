// tests/data/TestTables.h
//
// Small tables and recorders shared by the dataset-model tests.
#pragma once

#include <memory>
#include <vector>

#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"
#include "tests/data/ArrayDataSet.h"

// ID integer (required), NAME string(20), AGE integer; `rows` rows with ids
// 1.., names "n1".., ages 10, 20, ...
inline std::unique_ptr<TArrayDataSet> MakePeople(int rows, TComponent* owner = nullptr) {
  auto ds = std::make_unique<TArrayDataSet>(owner);
  ds->SetName("People");
  ds->FieldDefs()->Add("ID", ftInteger, 0, true);
  ds->FieldDefs()->Add("NAME", ftString, 20);
  ds->FieldDefs()->Add("AGE", ftInteger);
  for (int i = 1; i <= rows; ++i) ds->AddRow({i, String("n") + std::to_string(i), i * 10});
  return ds;
}

// The ids of the records from the current one to the end.
inline std::vector<int> IdsFromHere(TDataSet* ds) {
  std::vector<int> ids;
  while (!ds->Eof()) {
    ids.push_back(ds->FieldByName("ID")->AsInteger());
    ds->Next();
  }
  return ids;
}

// A data link that writes down what it is told.
class TRecordingLink : public TDataLink {
 public:
  std::vector<String> log;
  std::vector<TField*> changed_fields;
  std::vector<Integer> scrolls;
  bool visual = false;

 protected:
  void ActiveChanged() override { log.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { log.push_back("changed"); }
  void DataSetScrolled(Integer distance) override {
    log.push_back("scrolled");
    scrolls.push_back(distance);
  }
  void RecordChanged(TField* field) override {
    log.push_back("record");
    changed_fields.push_back(field);
  }
  void LayoutChanged() override { log.push_back("layout"); }
  void EditingChanged() override { log.push_back(Editing() ? "editing" : "not editing"); }
  void UpdateData() override { log.push_back("update"); }
  void CheckBrowseMode() override { log.push_back("check"); }
};
