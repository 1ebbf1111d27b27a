// tests/memtable/MemTableRingTest.cpp
//
// The ring of record buffers while the controls are disabled. Nobody looks
// at the ring then, so the table may put off refilling it; whatever anyone
// reads (during the steps or after EnableControls) must be what a table
// whose controls stayed enabled shows after the same steps. Each case runs
// its steps on two equal tables, one with its controls disabled around
// them, and compares what probes read in between and the whole visible ring
// at the end.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "MemTableTestHelpers.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"

namespace {

// A window of records, as a grid or the data-bound tree keeps one.
class WindowLink : public TDataLink {
 public:
  WindowLink(Integer rows, bool visual) {
    SetVisualControl(visual);
    SetBufferCount(rows);
  }
  // What the link saw of the ring at each notification.
  Texts heard;

 protected:
  void DataEvent(TDataEvent event, std::intptr_t info) override {
    TDataLink::DataEvent(event, info);
    if (Active() && (event == deDataSetChange || event == deDataSetScroll))
      heard.push_back(std::to_string(ActiveRecord()) + "/" + std::to_string(RecordCount()));
  }
};

using Trace = Texts;
using Step = std::function<void(TvomMemTable& table, WindowLink& link, Trace& trace)>;

String Current(TvomMemTable& table) {
  TField* id = table.FieldByName("Id");
  return id->IsNull() ? String("<null>") : id->AsString();
}

// Everything a reader can see: state, ends, number, the link's window and
// every record in it, the current record's values and bookmark.
String Visible(TvomMemTable& table, WindowLink& link) {
  String text = std::to_string(static_cast<int>(table.State()));
  text += table.Bof() ? " bof" : "";
  text += table.Eof() ? " eof" : "";
  text += " recno " + std::to_string(table.RecNo());
  text += " active " + std::to_string(link.ActiveRecord());
  text += " window [";
  const Integer active = link.ActiveRecord();
  for (Integer i = 0; i < link.RecordCount(); ++i) {
    link.SetActiveRecord(i);
    text += Current(table) + " ";
  }
  link.SetActiveRecord(active);
  text += "] " + Current(table) + " " + table.FieldByName("Name")->AsString();
  text += table.GetBookmark().Empty() ? " no-bookmark" : " bookmark";
  return text;
}

// Steps shared by the cases.
Step AppendRow(Integer id) {
  return [id](TvomMemTable& t, WindowLink&, Trace&) {
    t.Append();
    t.FieldByName("Id")->SetAsInteger(id);
    t.FieldByName("Name")->SetAsString("n" + std::to_string(id));
    t.Post();
  };
}
Step Probe() {
  return [](TvomMemTable& t, WindowLink& link, Trace& trace) { trace.push_back(Visible(t, link)); };
}
Step Move(Integer distance) {
  return [distance](TvomMemTable& t, WindowLink&, Trace& trace) {
    trace.push_back("moved " + std::to_string(t.MoveBy(distance)));
  };
}
Step Go(Integer recNo) {
  return [recNo](TvomMemTable& t, WindowLink&, Trace&) { t.SetRecNo(recNo); };
}

struct RingCase {
  const char* name;
  std::vector<Step> steps;
  // The steps disable and enable the controls themselves: without the outer
  // DisableControls their EnableControls announces a change of its own.
  bool enablesItself = false;
};

// The table with `rows` rows (ids 1..rows), its link of `buffers` records,
// after `steps`; with `disabled`, the steps run between DisableControls and
// EnableControls. The trace ends with what is visible afterwards.
// With `filtered`, the table hides ids 2 and 5000 and up.
Trace RunSteps(const RingCase& c, Integer rows, Integer buffers, bool disabled, bool visual = true,
               Texts* heard = nullptr, bool filtered = false) {
  auto table = NewPeopleTable();
  table->AddIndex("ById", "Id", {ixUnique});
  table->Open();
  for (Integer i = 1; i <= rows; ++i) AppendRows(*table, {{i, "n" + std::to_string(i)}});
  if (filtered) {
    table->SetFilter("Id <> 2 and Id < 5000");
    table->SetFiltered(true);
  }
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  WindowLink link(buffers, visual);
  link.SetDataSource(&source);
  table->First();
  table->MoveBy(rows / 2);
  link.heard.clear();
  Trace trace;
  if (disabled) table->DisableControls();
  for (const Step& step : c.steps) {
    try {
      step(*table, link, trace);
    } catch (const Exception& e) {
      trace.push_back("raised " + e.Message());
    }
  }
  // What the link heard of the steps themselves (EnableControls adds one
  // more announcement).
  if (heard) *heard = link.heard;
  if (disabled) table->EnableControls();
  trace.push_back(Visible(*table, link));
  // Moving afterwards runs over the ring's records.
  trace.push_back("moved " + std::to_string(table->MoveBy(-3)) + " to " + Current(*table));
  trace.push_back("moved " + std::to_string(table->MoveBy(5)) + " to " + Current(*table));
  trace.push_back(Visible(*table, link));
  link.SetDataSource(nullptr);
  return trace;
}

std::vector<RingCase> Cases() {
  std::vector<RingCase> cases;
  cases.push_back({"appends", {AppendRow(1001), AppendRow(1002), AppendRow(1003)}});
  cases.push_back({"appends-with-probes",
                   {AppendRow(1001), Probe(),
                    [](TvomMemTable& t, WindowLink& link, Trace& trace) {
                      // Read while the new record is still being filled in.
                      t.Append();
                      t.FieldByName("Id")->SetAsInteger(1002);
                      trace.push_back(Visible(t, link));
                      t.Post();
                    },
                    Probe(), Move(-2), AppendRow(1003), Move(-1), Probe()}});
  cases.push_back({"append-record-in-one-step", {[](TvomMemTable& t, WindowLink&, Trace&) {
                     t.AppendRecord({1001, "one"});
                     t.AppendRecord({1002, "two"});
                   }}});
  cases.push_back({"inserts",
                   {[](TvomMemTable& t, WindowLink&, Trace&) {
                      t.Insert();
                      t.FieldByName("Id")->SetAsInteger(1001);
                      t.Post();
                      t.InsertRecord({1002, "two"});
                    },
                    Probe(), AppendRow(1003)}});
  cases.push_back({"edits-moving-the-record",
                   {AppendRow(1001),
                    [](TvomMemTable& t, WindowLink&, Trace&) {
                      t.First();
                      t.Edit();
                      t.FieldByName("Id")->SetAsInteger(500);
                      t.Post();
                    },
                    Probe(), Go(2),
                    [](TvomMemTable& t, WindowLink&, Trace&) {
                      t.Edit();
                      t.FieldByName("Name")->SetAsString("renamed");
                      t.Post();
                    }}});
  cases.push_back(
      {"deletes",
       {AppendRow(1001), [](TvomMemTable& t, WindowLink&, Trace&) { t.Delete(); }, Probe(), Go(1),
        [](TvomMemTable& t, WindowLink&, Trace&) { t.Delete(); }, AppendRow(1002), Move(-1),
        [](TvomMemTable& t, WindowLink&, Trace&) { t.Delete(); }}});
  cases.push_back({"cancelled-append", {AppendRow(1001), [](TvomMemTable& t, WindowLink&, Trace&) {
                                          t.Append();
                                          t.FieldByName("Id")->SetAsInteger(1002);
                                          t.Cancel();
                                        }}});
  cases.push_back(
      {"failed-post-then-cancel",
       {AppendRow(1001),
        [](TvomMemTable& t, WindowLink&, Trace&) {
          t.Append();
          t.FieldByName("Id")->SetAsInteger(1);  // taken: the post raises
          t.Post();
        },
        Probe(), [](TvomMemTable& t, WindowLink&, Trace&) { t.Cancel(); }, AppendRow(1002)}});
  cases.push_back({"failed-post-then-mended",
                   {[](TvomMemTable& t, WindowLink&, Trace&) {
                      t.Append();
                      t.FieldByName("Id")->SetAsInteger(2);
                      t.Post();
                    },
                    [](TvomMemTable& t, WindowLink&, Trace&) {
                      t.FieldByName("Id")->SetAsInteger(1001);
                      t.Post();
                    }}});
  cases.push_back({"nested-disable",
                   {AppendRow(1001),
                    [](TvomMemTable& t, WindowLink&, Trace&) {
                      t.DisableControls();
                      t.Append();
                      t.FieldByName("Id")->SetAsInteger(1002);
                      t.Post();
                      t.EnableControls();
                    },
                    Probe(), AppendRow(1003)},
                   true});
  cases.push_back(
      {"moves-between-appends",
       {AppendRow(1001), Move(-5), AppendRow(1002), Go(1), Move(3),
        [](TvomMemTable& t, WindowLink&, Trace& trace) {
          trace.push_back(t.Locate("Id", 1001, {}) ? "found" : "missing");
        },
        AppendRow(1003), [](TvomMemTable& t, WindowLink&, Trace&) { t.Last(); }, AppendRow(1004)}});
  cases.push_back(
      {"appends-the-filter-hides", {AppendRow(5001), Probe(), AppendRow(1001), AppendRow(5002)}});
  cases.push_back({"append-left-open", {AppendRow(1001), [](TvomMemTable& t, WindowLink&, Trace&) {
                                          t.Append();
                                          t.FieldByName("Id")->SetAsInteger(1002);
                                        }}});
  return cases;
}

class MemTableRing : public ::testing::TestWithParam<std::tuple<Integer, Integer>> {};

}  // namespace

TEST_P(MemTableRing, DisabledControlsChangeNothingAnyoneSees) {
  const auto [rows, buffers] = GetParam();
  for (const RingCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunSteps(c, rows, buffers, true), RunSteps(c, rows, buffers, false));
  }
}

TEST_P(MemTableRing, DisabledControlsChangeNothingAnyoneSeesOfAFilteredTable) {
  const auto [rows, buffers] = GetParam();
  for (const RingCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunSteps(c, rows, buffers, true, true, nullptr, true),
              RunSteps(c, rows, buffers, false, true, nullptr, true));
  }
}

// A link that DisableControls does not silence hears every step, and what
// it reads then must be the ring as it always was.
TEST_P(MemTableRing, AnUnsilencedLinkSeesTheRingAtEveryStep) {
  const auto [rows, buffers] = GetParam();
  for (const RingCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    Texts heardDisabled, heardEnabled;
    EXPECT_EQ(RunSteps(c, rows, buffers, true, false, &heardDisabled),
              RunSteps(c, rows, buffers, false, false, &heardEnabled));
    if (!c.enablesItself) {
      EXPECT_EQ(heardDisabled, heardEnabled);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RowsAndBuffers, MemTableRing,
                         ::testing::Combine(::testing::Values(Integer{3}, Integer{150}),
                                            ::testing::Values(Integer{1}, Integer{7},
                                                              Integer{100})));

// What the ring holds after appends at the end of a long table, spelt out.
TEST(MemTableRingContents, AppendsUnderDisabledControlsEndWithTheLastRecordsInTheWindow) {
  RingCase appends{"appends", {AppendRow(1001), AppendRow(1002)}};
  const Trace trace = RunSteps(appends, 150, 100, true);
  ASSERT_GE(trace.size(), 1u);
  String window = "window [";
  for (Integer id = 53; id <= 150; ++id) window += std::to_string(id) + " ";
  window += "1001 1002 ]";
  EXPECT_NE(trace[0].find(" recno 152 active 99 " + window + " 1002 n1002"), String::npos)
      << trace[0];
}

// A posted record that the filter hides leaves the record next to where it
// went current, however many records a control shows: the table no longer
// follows a ring buffer's record back to where the cursor stood before the
// post.
TEST(MemTableRingContents, PostingARecordTheFilterHidesEndsNextToItWhateverTheWindow) {
  for (const Integer buffers : {Integer{1}, Integer{7}, Integer{100}}) {
    SCOPED_TRACE(buffers);
    RingCase hidden{"hidden", {AppendRow(5001)}};
    const Trace trace = RunSteps(hidden, 150, buffers, false, true, nullptr, true);
    ASSERT_GE(trace.size(), 1u);
    EXPECT_NE(trace[0].find(" 150 n150 bookmark"), String::npos) << trace[0];
  }
}

// The point of putting the ring off: appends with the controls disabled
// read the records around the new one once, at EnableControls, not at every
// Append and Post. Every record read into a buffer has its calculated
// fields computed, which is what is counted here.
TEST(MemTableRingContents, AppendsWithDisabledControlsReadTheWindowOnlyOnce) {
  auto table = NewPeopleTable();
  TField* twice = NewField(ftInteger, table.get()).release();
  twice->SetFieldName("Twice");
  twice->SetFieldKind(fkCalculated);
  for (const char* name : {"Id", "Name"}) {
    TField* field = NewField(name[0] == 'I' ? ftInteger : ftString, table.get()).release();
    field->SetFieldName(name);
    if (name[0] == 'N') field->SetSize(20);
    field->SetDataSet(table.get());
  }
  twice->SetDataSet(table.get());
  Integer calcs = 0;
  table->OnCalcFields = [&calcs](TDataSet*) { ++calcs; };
  table->Open();
  for (Integer i = 1; i <= 150; ++i) AppendRows(*table, {{i, "n"}});
  TDataSource source(nullptr);
  source.SetDataSet(table.get());
  WindowLink link(100, true);
  link.SetDataSource(&source);

  calcs = 0;
  table->DisableControls();
  for (Integer i = 0; i < 20; ++i) AppendRows(*table, {{1000 + i, "new"}});
  const Integer whileDisabled = calcs;
  table->EnableControls();
  // A few per row (the new record itself), and the window once at the end;
  // refilling the window at every step would read some 4,000 records.
  EXPECT_LE(whileDisabled, 20 * 4);
  EXPECT_LE(calcs - whileDisabled, 100);
  EXPECT_EQ(link.RecordCount(), 100);
  EXPECT_EQ(table->RecNo(), 170);
  link.SetDataSource(nullptr);
}
