// tests/data/DataSetRingTest.cpp
//
// The ring of record buffers of a dataset that steps through its records
// only by reading them (the model's own SkipRecords), while the controls
// are disabled: every step must leave visible what a dataset whose controls
// stayed enabled shows, whenever anyone reads it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/data/TestTables.h"

namespace {

using Texts = std::vector<String>;
using Step = std::function<void(TArrayDataSet& ds, TDataLink& link, Texts& trace)>;

String Id(TArrayDataSet& ds) {
  TField* id = ds.FieldByName("ID");
  return id->IsNull() ? String("<null>") : id->AsString();
}

String Visible(TArrayDataSet& ds, TDataLink& link) {
  String text = std::to_string(static_cast<int>(ds.State()));
  text += ds.Bof() ? " bof" : "";
  text += ds.Eof() ? " eof" : "";
  text += " recno " + std::to_string(ds.RecNo()) + " ring " +
          std::to_string(ds.RecordBufferCount()) + "/" + std::to_string(ds.ActiveRecord()) + " [";
  const Integer active = link.ActiveRecord();
  for (Integer i = 0; i < link.RecordCount(); ++i) {
    link.SetActiveRecord(i);
    text += Id(ds) + " ";
  }
  link.SetActiveRecord(active);
  return text + "] " + Id(ds);
}

Step AppendRow(Integer id) {
  return [id](TArrayDataSet& ds, TDataLink&, Texts&) { ds.AppendRecord({id, "new", 1}); };
}
Step Probe() {
  return
      [](TArrayDataSet& ds, TDataLink& link, Texts& trace) { trace.push_back(Visible(ds, link)); };
}

// `rows` rows, every third hidden by the filter when `filtered`, a visual
// link of `window` records, the cursor in the middle; then `steps`,
// between DisableControls and EnableControls when `disabled`.
Texts RunSteps(const std::vector<Step>& steps, int rows, Integer window, bool filtered,
               bool disabled) {
  auto ds = MakePeople(rows);
  if (filtered) {
    ds->SetOnFilterRecord(
        [](TDataSet* d, bool& accept) { accept = d->FieldByName("ID")->AsInteger() % 3 != 0; });
    ds->SetFiltered(true);
  }
  TDataSource source(nullptr);
  source.SetDataSet(ds.get());
  TDataLink link;
  link.SetVisualControl(true);
  link.SetBufferCount(window);
  link.SetDataSource(&source);
  ds->Open();
  ds->MoveBy(rows / 2);
  Texts trace;
  if (disabled) ds->DisableControls();
  for (const Step& step : steps) {
    try {
      step(*ds, link, trace);
    } catch (const Exception& e) {
      trace.push_back("raised " + e.Message());
    }
  }
  if (disabled) ds->EnableControls();
  trace.push_back(Visible(*ds, link));
  trace.push_back("moved " + std::to_string(ds->MoveBy(-4)) + " " + Visible(*ds, link));
  link.SetDataSource(nullptr);
  return trace;
}

}  // namespace

TEST(DataSetRing, DisabledControlsChangeNothingAnyoneSees) {
  const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
      {"appends", {AppendRow(100), AppendRow(101), Probe(), AppendRow(102)}},
      {"append-then-cancel",
       {AppendRow(100),
        [](TArrayDataSet& ds, TDataLink&, Texts&) {
          ds.Append();
          ds.FieldByName("ID")->SetAsInteger(101);
          ds.Cancel();
        },
        Probe()}},
      {"failed-post",
       {AppendRow(100),
        [](TArrayDataSet& ds, TDataLink&, Texts&) {
          ds.Append();
          ds.FieldByName("NAME")->SetAsString("no id");
          ds.Post();  // the id is required
        },
        Probe(),
        [](TArrayDataSet& ds, TDataLink&, Texts&) {
          ds.FieldByName("ID")->SetAsInteger(101);
          ds.Post();
        }}},
      {"insert-edit-delete",
       {[](TArrayDataSet& ds, TDataLink&, Texts&) {
          ds.InsertRecord({100, "inserted", 1});
          ds.MoveBy(-2);
          ds.Edit();
          ds.FieldByName("NAME")->SetAsString("edited");
          ds.Post();
          ds.Delete();
        },
        Probe(), AppendRow(101),
        [](TArrayDataSet& ds, TDataLink&, Texts&) {
          ds.First();
          ds.Delete();
        }}},
      {"nested",
       {[](TArrayDataSet& ds, TDataLink& link, Texts& trace) {
          ds.DisableControls();
          ds.AppendRecord({100, "inner", 1});
          ds.EnableControls();
          trace.push_back(Visible(ds, link));
        },
        AppendRow(101)}},
  };
  for (const auto& [name, steps] : cases)
    for (const int rows : {2, 30})
      for (const Integer window : {Integer{1}, Integer{4}, Integer{20}})
        for (const bool filtered : {false, true}) {
          SCOPED_TRACE(std::string(name) + " rows " + std::to_string(rows) + " window " +
                       std::to_string(window) + (filtered ? " filtered" : ""));
          EXPECT_EQ(RunSteps(steps, rows, window, filtered, true),
                    RunSteps(steps, rows, window, filtered, false));
        }
}
