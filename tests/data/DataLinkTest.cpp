// tests/data/DataLinkTest.cpp
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "tests/data/TestTables.h"

namespace {

struct Linked {
  std::unique_ptr<TArrayDataSet> ds = MakePeople(3);
  TDataSource source{nullptr};
  TRecordingLink link;

  Linked() {
    source.SetDataSet(ds.get());
    link.SetDataSource(&source);
  }
};

}  // namespace

TEST(DataLinks, OpeningAndClosingReachTheLink) {
  Linked t;
  EXPECT_FALSE(t.link.Active());
  t.ds->Open();
  EXPECT_TRUE(t.link.Active());
  t.ds->Close();
  EXPECT_FALSE(t.link.Active());
  EXPECT_EQ(t.link.log, (std::vector<String>{"active", "inactive"}));
}

TEST(DataLinks, ScrollingEditingAndFieldChangesAreReported) {
  Linked t;
  t.ds->Open();
  t.link.log.clear();
  t.ds->Next();
  t.ds->First();
  // Each move first asks the links to finish editing.
  EXPECT_EQ(t.link.log, (std::vector<String>{"check", "scrolled", "check", "changed"}));
  t.link.log.clear();
  t.link.changed_fields.clear();
  EXPECT_TRUE(t.link.Edit());
  TField* name = t.ds->FieldByName("NAME");
  name->SetAsString("x");
  t.ds->Post();
  EXPECT_EQ(t.link.log, (std::vector<String>{"check", "editing", "record", "record", "update",
                                             "check", "not editing", "changed"}));
  ASSERT_EQ(t.link.changed_fields.size(), 2u);
  EXPECT_EQ(t.link.changed_fields[0], nullptr);  // the whole record entered editing
  EXPECT_EQ(t.link.changed_fields[1], name);
}

TEST(DataLinks, ReadOnlyLinkDoesNotStartEditing) {
  Linked t;
  t.ds->Open();
  t.link.SetReadOnly(true);
  EXPECT_FALSE(t.link.Edit());
  EXPECT_EQ(t.ds->State(), dsBrowse);
  t.source.SetAutoEdit(false);
  t.link.SetReadOnly(false);
  EXPECT_FALSE(t.link.Edit());
  EXPECT_EQ(t.ds->State(), dsBrowse);
}

TEST(DataLinks, DisabledControlsSilenceVisualLinksOnlyAndCatchUpAfterwards) {
  Linked t;
  t.link.SetVisualControl(true);
  TRecordingLink master;  // a non-visual link keeps hearing
  master.SetDataSource(&t.source);
  t.ds->Open();
  t.link.log.clear();
  master.log.clear();
  t.ds->DisableControls();
  EXPECT_TRUE(t.ds->ControlsDisabled());
  t.ds->Next();
  t.ds->Edit();
  t.ds->FieldByName("AGE")->SetAsInteger(1);
  t.ds->Post();
  EXPECT_TRUE(t.link.log.empty());
  EXPECT_FALSE(master.log.empty());
  t.ds->EnableControls();
  EXPECT_FALSE(t.ds->ControlsDisabled());
  EXPECT_EQ(t.link.log, (std::vector<String>{"changed"}));
}

TEST(DataLinks, AStateEnteredWhileDisabledIsAnnouncedAtEnable) {
  Linked t;
  t.link.SetVisualControl(true);
  int stateChanges = 0;
  t.source.OnStateChange = [&](TObject*) { ++stateChanges; };
  t.ds->Open();
  t.link.log.clear();
  stateChanges = 0;
  t.ds->DisableControls();
  t.ds->Edit();
  EXPECT_EQ(stateChanges, 0);
  EXPECT_EQ(t.source.State(), dsBrowse);
  t.ds->EnableControls();
  EXPECT_EQ(stateChanges, 1);
  EXPECT_EQ(t.source.State(), dsEdit);
  EXPECT_EQ(t.link.log, (std::vector<String>{"editing", "changed"}));
}

TEST(DataLinks, DisableControlsNests) {
  Linked t;
  t.link.SetVisualControl(true);
  t.ds->Open();
  t.link.log.clear();
  t.ds->DisableControls();
  t.ds->DisableControls();
  t.ds->Next();
  t.ds->EnableControls();
  EXPECT_TRUE(t.link.log.empty());
  t.ds->EnableControls();
  EXPECT_EQ(t.link.log, (std::vector<String>{"changed"}));
}

TEST(DataLinks, ClosingWhileDisabledReachesTheLinkAtEnable) {
  Linked t;
  t.link.SetVisualControl(true);
  t.ds->Open();
  t.link.log.clear();
  t.ds->DisableControls();
  t.ds->Close();
  EXPECT_TRUE(t.link.Active());  // still believes what it last heard
  t.ds->EnableControls();
  EXPECT_FALSE(t.link.Active());
}

TEST(DataSources, EventsFollowTheDataset) {
  Linked t;
  std::vector<String> log;
  t.source.OnStateChange = [&](TObject*) { log.push_back("state"); };
  t.source.OnDataChange = [&](TObject*, TField* f) {
    log.push_back(f ? "data " + f->FieldName() : "data");
  };
  t.source.OnUpdateData = [&](TObject*) { log.push_back("update"); };
  t.ds->Open();
  EXPECT_EQ(t.source.State(), dsBrowse);
  t.ds->Next();
  t.ds->Edit();
  t.ds->FieldByName("NAME")->SetAsString("y");
  t.ds->Post();
  EXPECT_EQ(log, (std::vector<String>{"state", "state", "data", "state", "data", "data NAME",
                                      "update", "state", "data"}));
}

TEST(DataSources, DisabledSourceShowsAnInactiveDataset) {
  Linked t;
  t.ds->Open();
  t.source.SetEnabled(false);
  EXPECT_EQ(t.source.State(), dsInactive);
  EXPECT_FALSE(t.link.Active());
  t.source.SetEnabled(true);
  EXPECT_TRUE(t.link.Active());
}

TEST(DataSources, SwitchingDatasetsTellsTheLinks) {
  Linked t;
  auto other = MakePeople(1);
  t.ds->Open();
  other->Open();
  t.link.log.clear();
  t.source.SetDataSet(other.get());
  EXPECT_EQ(t.link.log, (std::vector<String>{"inactive", "active"}));
  EXPECT_EQ(t.link.DataSet(), other.get());
}

TEST(DataSources, ADatasetThatGoesAwayLeavesTheSourceEmpty) {
  Linked t;
  t.ds->Open();
  t.ds.reset();
  EXPECT_EQ(t.source.DataSet(), nullptr);
  EXPECT_EQ(t.source.State(), dsInactive);
  EXPECT_FALSE(t.link.Active());
}

namespace {
// A link that runs `onScroll` when its dataset moves.
class TScrollActionLink : public TDataLink {
 public:
  std::function<void()> onScroll;

 protected:
  void DataSetScrolled(Integer) override {
    if (onScroll) onScroll();
  }
};
}  // namespace

TEST(DataSources, ASourceThatGoesWhileAnEarlierOneIsToldHearsNothingMore) {
  // A few sources, and more than a dataset usually has.
  for (const std::size_t count : {std::size_t{2}, std::size_t{3}, std::size_t{12}}) {
    SCOPED_TRACE(count);
    auto ds = MakePeople(3);
    std::vector<std::unique_ptr<TDataSource>> sources;
    std::vector<std::unique_ptr<TRecordingLink>> links;
    for (std::size_t i = 0; i < count; ++i) {
      sources.push_back(std::make_unique<TDataSource>(nullptr));
      sources.back()->SetDataSet(ds.get());
      links.push_back(std::make_unique<TRecordingLink>());
      links.back()->SetDataSource(sources.back().get());
    }
    TDataSource added(nullptr);
    TRecordingLink addedLink;
    addedLink.SetDataSource(&added);
    TScrollActionLink first;
    first.SetDataSource(sources.front().get());
    // The first source's link frees the last source and brings a new one.
    first.onScroll = [&] {
      sources.back().reset();
      added.SetDataSet(ds.get());
    };
    ds->Open();
    for (auto& link : links) link->log.clear();
    ds->Next();
    for (std::size_t i = 0; i + 1 < count; ++i)
      EXPECT_EQ(links[i]->log, (std::vector<String>{"check", "scrolled"})) << i;
    // Let go with its source, before the move reached it.
    EXPECT_EQ(links.back()->log, (std::vector<String>{"check", "inactive"}));
    // The source that came during the move hears of the next one only.
    EXPECT_EQ(addedLink.log, (std::vector<String>{"active"}));
    first.onScroll = nullptr;
    ds->Next();
    EXPECT_EQ(addedLink.log, (std::vector<String>{"active", "check", "scrolled"}));
  }
}

TEST(MasterLinks, MasterMovesAndLinkFieldChangesReachTheDetail) {
  auto master = MakePeople(3);
  auto detail = MakePeople(1);
  TDataSource masterSource(nullptr);
  masterSource.SetDataSet(master.get());
  TMasterDataLink link(detail.get());
  std::vector<String> log;
  link.OnMasterChange = [&](TObject*) {
    log.push_back("change " + master->FieldByName("ID")->AsString());
  };
  link.OnMasterDisable = [&](TObject*) { log.push_back("disable"); };
  link.SetFieldNames("ID");
  link.SetDataSource(&masterSource);
  detail->Open();
  master->Open();
  ASSERT_EQ(link.Fields().size(), 1u);
  EXPECT_EQ(link.Fields()[0], master->FieldByName("ID"));
  master->DisableControls();  // the master link is not a visual control
  master->Next();
  master->EnableControls();
  master->Edit();
  log.clear();
  master->FieldByName("NAME")->SetAsString("not a link field");
  master->FieldByName("ID")->SetAsInteger(20);
  master->Cancel();
  master->Close();
  EXPECT_EQ(log, (std::vector<String>{"change 20", "change 2", "disable"}));
}

TEST(MasterLinks, UnknownLinkFieldRaisesFieldNotFound) {
  auto master = MakePeople(1);
  auto detail = MakePeople(1);
  TDataSource masterSource(nullptr);
  masterSource.SetDataSet(master.get());
  master->Open();
  TMasterDataLink link(detail.get());
  link.SetDataSource(&masterSource);
  EXPECT_THROW(link.SetFieldNames("NOPE"), EDatabaseError);
  EXPECT_TRUE(link.Fields().empty());
}
