// tests/data/ReadRecordsTest.cpp
//
// The general walk over every record: what it visits, where it leaves the
// dataset, and what the controls hear.
#include <gtest/gtest.h>

#include "tests/data/TestTables.h"

namespace {

std::vector<int> ReadIds(TDataSet* ds, int stopAfter = -1) {
  std::vector<int> ids;
  TField* id = ds->FieldByName("ID");
  ds->ReadRecords([&] {
    ids.push_back(id->AsInteger());
    return static_cast<int>(ids.size()) != stopAfter;
  });
  return ids;
}

}  // namespace

TEST(ReadRecords, VisitsTheShownRecordsAndComesBackToTheCurrentOne) {
  auto ds = MakePeople(6);
  ds->SetOnFilterRecord(
      [](TDataSet* d, bool& accept) { accept = d->FieldByName("ID")->AsInteger() != 3; });
  ds->SetFiltered(true);
  ds->Open();
  ds->Next();
  ds->Next();
  ASSERT_EQ(ds->FieldByName("ID")->AsInteger(), 4);

  EXPECT_EQ(ReadIds(ds.get()), (std::vector<int>{1, 2, 4, 5, 6}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
  EXPECT_EQ(ReadIds(ds.get(), 2), (std::vector<int>{1, 2}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 4);
}

TEST(ReadRecords, ControlsHearOnlyOneChangeAtTheEnd) {
  for (int rows : {0, 3}) {
    SCOPED_TRACE(rows);
    auto ds = MakePeople(rows);
    TDataSource source(nullptr);
    source.SetDataSet(ds.get());
    TRecordingLink link;
    link.SetVisualControl(true);
    link.SetDataSource(&source);
    ds->Open();
    link.log.clear();
    EXPECT_EQ(ReadIds(ds.get()).size(), static_cast<std::size_t>(rows));
    EXPECT_EQ(link.log, std::vector<String>({"changed"}));
    EXPECT_FALSE(ds->ControlsDisabled());
  }
}

TEST(ReadRecords, AnErrorInTheVisitStillEnablesTheControls) {
  auto ds = MakePeople(3);
  ds->Open();
  EXPECT_THROW(ds->ReadRecords([]() -> bool { throw EDatabaseError("stop"); }), EDatabaseError);
  EXPECT_FALSE(ds->ControlsDisabled());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
}
