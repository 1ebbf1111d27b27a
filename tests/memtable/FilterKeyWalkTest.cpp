// tests/memtable/FilterKeyWalkTest.cpp
//
// A filter that requires an integer field to equal a number is walked, on a
// table of some size, through the positions of the records holding that
// number instead of testing every record. These tests hold such walks to
// what plain code over the same rows expects, in both directions, and after
// every kind of change that moves records or changes their values.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "MemTableTestHelpers.h"

namespace {

using Rows = std::vector<Integer>;

constexpr Integer kRows = 1200;

// Row r (from 1) has Parent r % 40 (null for every seventh row) and Size r % 5.
std::optional<Integer> ParentOf(Integer row) {
  if (row % 7 == 0) return std::nullopt;
  return row % 40;
}

class FilterKeyWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = std::make_unique<TvomMemTable>(nullptr);
    table_->FieldDefs()->Add("Row", ftInteger);
    table_->FieldDefs()->Add("Parent", ftInteger);
    table_->FieldDefs()->Add("Size", ftLargeint);
    table_->FieldDefs()->Add("Name", ftString, 20);
    table_->Open();
    for (Integer r = 1; r <= kRows; ++r) {
      table_->Append();
      table_->FieldByName("Row")->SetAsInteger(r);
      if (const auto parent = ParentOf(r)) table_->FieldByName("Parent")->SetAsInteger(*parent);
      table_->FieldByName("Size")->SetAsLargeInt(r % 5);
      table_->FieldByName("Name")->SetAsString("n" + std::to_string(r));
      table_->Post();
    }
  }

  void Filter(const String& text) {
    table_->SetFilter(text);
    table_->SetFiltered(true);
  }

  Rows Forward() {
    Rows rows;
    for (table_->First(); !table_->Eof(); table_->Next())
      rows.push_back(table_->FieldByName("Row")->AsInteger());
    return rows;
  }

  Rows Backward() {
    Rows rows;
    for (table_->Last(); !table_->Bof(); table_->Prior())
      rows.push_back(table_->FieldByName("Row")->AsInteger());
    std::reverse(rows.begin(), rows.end());
    return rows;
  }

  // Walks often enough for the walks to go by positions, checking every
  // walk, forward and backward, against `expected`.
  void ExpectShown(const Rows& expected, const String& what) {
    for (int walk = 0; walk < 3; ++walk) {
      EXPECT_EQ(Forward(), expected) << what << ", forward walk " << walk;
      EXPECT_EQ(Backward(), expected) << what << ", backward walk " << walk;
    }
  }

  // The rows, in row order, whose parent is `parent` and that `also` takes.
  template <class Also>
  static Rows Expected(Integer parent, Also also) {
    Rows rows;
    for (Integer r = 1; r <= kRows; ++r)
      if (ParentOf(r) == parent && also(r)) rows.push_back(r);
    return rows;
  }
  static Rows Expected(Integer parent) {
    return Expected(parent, [](Integer) { return true; });
  }

  void EditRow(Integer row, const std::function<void()>& change) {
    table_->SetFiltered(false);
    ASSERT_TRUE(table_->Locate("Row", row, {}));
    table_->Edit();
    change();
    table_->Post();
    table_->SetFiltered(true);
  }

  std::unique_ptr<TvomMemTable> table_;
};

}  // namespace

TEST_F(FilterKeyWalk, EveryFormOfTheEqualityShowsTheSameRows) {
  using Parent = std::optional<Integer>;
  struct Case {
    const char* filter;
    std::function<bool(Integer row, Parent parent)> shown;
  };
  const Case cases[] = {
      {"[Parent] = 12", [](Integer, Parent p) { return p == 12; }},
      {"Parent = '12'", [](Integer, Parent p) { return p == 12; }},
      {"12 = Parent", [](Integer, Parent p) { return p == 12; }},
      {"(Parent = 12) and (Size = 2)", [](Integer r, Parent p) { return p == 12 && r % 5 == 2; }},
      {"(Size = 2) and ([Name] <> 'n52') and (Parent = 12)",
       [](Integer r, Parent p) { return p == 12 && r % 5 == 2 && r != 52; }},
      {"(Row = null) and Parent = 12", [](Integer, Parent) { return false; }},
      {"([Size] = null) and [Parent] = '5'", [](Integer, Parent) { return false; }},
      {"Parent = 0", [](Integer, Parent p) { return p == 0; }},
      {"Parent = 40", [](Integer, Parent) { return false; }},
      {"Parent = -1", [](Integer, Parent) { return false; }},
      {"Parent = 12.5", [](Integer, Parent) { return false; }},
      {"(Parent = 3) or (Parent = 4)", [](Integer, Parent p) { return p == 3 || p == 4; }},
      // A comparison with null is false, so its negation shows the null parents.
      {"not (Parent = 3)", [](Integer, Parent p) { return p != 3; }},
  };
  for (const Case& c : cases) {
    Filter(c.filter);
    Rows expected;
    for (Integer r = 1; r <= kRows; ++r)
      if (c.shown(r, ParentOf(r))) expected.push_back(r);
    ExpectShown(expected, c.filter);
  }
}

TEST_F(FilterKeyWalk, EachNewNumberShowsItsOwnRows) {
  for (Integer parent : {7, 8, 39, 1, 7}) {
    Filter("Parent = " + std::to_string(parent));
    ExpectShown(Expected(parent), "parent " + std::to_string(parent));
  }
}

TEST_F(FilterKeyWalk, FiltersOnOtherFieldsInTurnEachShowTheirRows) {
  for (int round = 0; round < 2; ++round) {
    Filter("Parent = 9");
    ExpectShown(Expected(9), "parent");
    Filter("Row = 777");
    ExpectShown(Rows{777}, "row");
    Filter("Size = 4");
    Rows sized;
    for (Integer r = 4; r <= kRows; r += 5) sized.push_back(r);
    ExpectShown(sized, "size");
    Filter("(Row > 1190) and (Parent = 35)");
    ExpectShown(Rows{1195}, "row and parent");
  }
}

TEST_F(FilterKeyWalk, ChangesAreSeenByTheNextWalk) {
  Filter("Parent = 12");
  ExpectShown(Expected(12), "before");

  // A record edited into the group and one edited out of it.
  EditRow(13, [&] { table_->FieldByName("Parent")->SetAsInteger(12); });
  EditRow(52, [&] { table_->FieldByName("Parent")->Clear(); });
  Rows expected = Expected(12, [](Integer r) { return r != 52; });
  expected.insert(std::lower_bound(expected.begin(), expected.end(), 13), 13);
  ExpectShown(expected, "after edits");

  // Appended and deleted records.
  table_->AppendRecord({Variant(kRows + 1), Variant(12), Variant(0), Variant("new")});
  expected.push_back(kRows + 1);
  EditRow(12, [] {});
  table_->SetFiltered(false);
  ASSERT_TRUE(table_->Locate("Row", 12, {}));
  table_->Delete();
  table_->SetFiltered(true);
  expected.erase(std::find(expected.begin(), expected.end(), 12));
  ExpectShown(expected, "after append and delete");

  // Another order of the same records.
  table_->SortOn("Name", mtcoDescending);
  const auto name = [](Integer r) {
    return r == kRows + 1 ? String("new") : "n" + std::to_string(r);
  };
  std::sort(expected.begin(), expected.end(),
            [&](Integer a, Integer b) { return name(a) > name(b); });
  ExpectShown(expected, "in descending name order");

  // Emptied and filled again.
  table_->SortOn("", mtcoNone);
  table_->EmptyTable();
  EXPECT_EQ(Forward(), Rows{});
  table_->AppendRecord({Variant(5), Variant(12), Variant(0), Variant("five")});
  EXPECT_EQ(Forward(), Rows{5});
}

TEST_F(FilterKeyWalk, AFilterThatCanRaiseStillRaisesWhenNoRecordHoldsTheNumber) {
  Filter("Parent = 12");
  ExpectShown(Expected(12), "warming up");
  table_->SetFiltered(false);
  table_->SetFilter("(Parent = 99) and (Row = 'seven')");
  EXPECT_THROW(table_->SetFiltered(true), EVariantTypeCastError);
}

TEST_F(FilterKeyWalk, RecordCountAndRecNoFollowTheFilter) {
  Filter("Parent = 21");
  const Rows expected = Expected(21);
  ExpectShown(expected, "walks");
  EXPECT_EQ(table_->RecordCount(), static_cast<Integer>(expected.size()));
  table_->First();
  table_->MoveBy(3);
  EXPECT_EQ(table_->FieldByName("Row")->AsInteger(), expected[3]);
  table_->MoveBy(-2);
  EXPECT_EQ(table_->FieldByName("Row")->AsInteger(), expected[1]);
}

TEST_F(FilterKeyWalk, LocateOnAnIntegerFieldFindsTheFirstRecordInOrder) {
  // The row that Locate("Parent", parent) must find first, walking `rows`.
  const auto firstWith = [](const Rows& rows, Integer parent) -> Integer {
    for (Integer r : rows)
      if (ParentOf(r) == parent) return r;
    return 0;
  };
  const auto located = [&](const Variant& key) -> Integer {
    if (!table_->Locate("Parent", key, {})) return 0;
    return table_->FieldByName("Row")->AsInteger();
  };
  Rows order;
  for (Integer r = 1; r <= kRows; ++r) order.push_back(r);

  for (int round = 0; round < 3; ++round) {
    for (Integer parent : {12, 0, 39, 5})
      EXPECT_EQ(located(parent), firstWith(order, parent)) << "parent " << parent;
    EXPECT_EQ(located(Variant("21")), firstWith(order, 21));
    EXPECT_EQ(located(40), 0);
    // A null key finds the first record without a parent, as before.
    EXPECT_EQ(located(Null()), 7);
  }

  // After an edit and in another order, the next search sees the change.
  EditRow(3, [&] { table_->FieldByName("Parent")->SetAsInteger(39); });
  EXPECT_EQ(located(39), 3);
  table_->SortOn("Name", mtcoDescending);
  const auto name = [](Integer r) { return "n" + std::to_string(r); };
  std::sort(order.begin(), order.end(), [&](Integer a, Integer b) { return name(a) > name(b); });
  for (int round = 0; round < 3; ++round)
    for (Integer parent : {12, 5}) EXPECT_EQ(located(parent), firstWith(order, parent));
  EXPECT_EQ(located(39), 999);  // "n999" sorts before "n79", "n3"
}
