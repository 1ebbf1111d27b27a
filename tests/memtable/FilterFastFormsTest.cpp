// tests/memtable/FilterFastFormsTest.cpp
//
// The filter tests a field against a constant on the record's bytes, without
// Variants. These tests hold those forms to the general evaluation of the
// same expressions: texts against the same rows in a table whose long values
// can only be read through the fields (a compressed layout), numbers against
// the same comparison with a computed constant (which takes the Variant
// path) and against the fields' own values. Then the walks that hand the
// filter the records directly, and what they must leave as they found it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "MemTableTestHelpers.h"
#include "platform/rtl/DateTime.h"

namespace {

using Rows = std::vector<Integer>;

// The "Row" values of the records that `filter` shows, first to last.
Rows Shown(TvomMemTable& table, const String& filter, TFilterOptions options = {}) {
  table.SetFiltered(false);
  table.SetFilterOptions(options);
  table.SetFilter(filter);
  table.SetFiltered(true);
  Rows rows;
  for (table.First(); !table.Eof(); table.Next())
    rows.push_back(table.FieldByName("Row")->AsInteger());
  return rows;
}

// --- texts ---------------------------------------------------------------------------------

const char* const kTexts[] = {
    nullptr,
    "",
    "dir",
    "Dir",
    "DIR",
    "directory",
    "Ärger",
    "ärger",
    "ÄRGER",
    "straße",
    "STRASSE",
    "file",
    "fi",
    " x",
    "x  ",
    "a*b",
    "İzmir",
    "\xC3",
    "日本語テキスト",
    "zz",
    "di",
    "Straßenbahn",
};

// One table per way of keeping text: in the record (mtpfFast), outside it
// and read by the filter directly (mtpfBalanced), and outside it compressed,
// which the filter can only read through the fields (mtpfSmall).
class FilterTextForms : public ::testing::Test {
 protected:
  void SetUp() override {
    for (TvomPerformance performance : {mtpfFast, mtpfBalanced, mtpfSmall})
      tables_.push_back(MakeTable(performance));
  }

  static std::unique_ptr<TvomMemTable> MakeTable(TvomPerformance performance) {
    auto table = std::make_unique<TvomMemTable>(nullptr);
    table->FieldDefs()->Add("Row", ftInteger);
    table->FieldDefs()->Add("Name", ftString, 20);
    table->FieldDefs()->Add("Fixed", ftFixedChar, 20);
    table->FieldDefs()->Add("Wide", ftWideString, 20);
    table->SetPerformance(performance);
    table->Open();
    Integer row = 0;
    for (const char* text : kTexts) {
      table->Append();
      table->FieldByName("Row")->SetAsInteger(++row);
      for (const char* field : {"Name", "Fixed", "Wide"})
        table->FieldByName(field)->SetValue(text ? Variant(text) : Null());
      table->Post();
    }
    return table;
  }

  // What `filter` shows, the same in every table (a failure names the filter).
  Rows ShownInEach(const String& filter, TFilterOptions options = {}) {
    const Rows expected = Shown(*tables_.back(), filter, options);
    for (std::size_t i = 0; i + 1 < tables_.size(); ++i)
      EXPECT_EQ(Shown(*tables_[i], filter, options), expected) << filter << " in table " << i;
    return expected;
  }

  // The row numbers of these texts.
  static Rows RowsOf(std::initializer_list<const char*> texts) {
    Rows rows;
    for (const char* text : texts)
      for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (kTexts[i] != nullptr && String(kTexts[i]) == text)
          rows.push_back(static_cast<Integer>(i) + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  std::vector<std::unique_ptr<TvomMemTable>> tables_;
};

const TFilterOptions kEveryOptionSet[] = {
    {}, {foCaseInsensitive}, {foNoPartialCompare}, {foCaseInsensitive, foNoPartialCompare}};

}  // namespace

TEST_F(FilterTextForms, EveryShapeAgreesWithReadingThroughTheFields) {
  const char* const shapes[] = {
      "@ = 'dir'",
      "@ <> 'dir'",
      "@ < 'dir'",
      "@ >= 'Dir'",
      "@ = ''",
      "@ <> ''",
      "@ > ''",
      "'dir' = @",
      "'file' > @",
      "@ in ('dir', '', 'ärger')",
      "@ in ('zz')",
      "@ like 'di*'",
      "@ like '*R'",
      "@ not like '?r*'",
      "@ = 'di*'",
      "@ <> 'di*'",
      "'fi*' = @",
      "@ = 'ä*'",
      "@ = 'STRASSE'",
      "@ = 'straße'",
      "@ = 'STRASSE*'",
      "@ like 'a*'",
      "@ = '*'",
      "@ = 'x  '",
      "@ = ' x'",
      "@ = 'İ*'",
      "@ = '日本*'",
      "@ like '*テキスト'",
      "@ = '\xC3'",
      "@ is null",
      "@ is not null",
      "not (@ = 'dir')",
      "@ = 'dir' or @ = 'file'",
      "@ >= 'a' and @ < 'e'",
  };
  std::set<Rows> distinct;
  for (const char* field : {"Name", "Fixed", "Wide"}) {
    for (const char* shape : shapes) {
      String filter = shape;
      for (std::size_t at; (at = filter.find('@')) != String::npos;) filter.replace(at, 1, field);
      for (const TFilterOptions& options : kEveryOptionSet)
        distinct.insert(ShownInEach(filter, options));
    }
  }
  // The filters tell the rows apart: the agreement is not that of empty results.
  EXPECT_GT(distinct.size(), 30u);
}

TEST_F(FilterTextForms, CaseInsensitiveComparesUpperCasedTexts) {
  EXPECT_EQ(ShownInEach("Name = 'dir'", {foCaseInsensitive}), RowsOf({"dir", "Dir", "DIR"}));
  EXPECT_EQ(ShownInEach("Wide = 'ärger'", {foCaseInsensitive}),
            RowsOf({"Ärger", "ärger", "ÄRGER"}));
  // Full case mapping: "straße" upper-cases to "STRASSE".
  EXPECT_EQ(ShownInEach("Fixed = 'strasse'", {foCaseInsensitive}), RowsOf({"straße", "STRASSE"}));
  EXPECT_EQ(ShownInEach("Name <> 'DIR'", {foCaseInsensitive}).size(), std::size(kTexts) - 1 - 3);
}

TEST_F(FilterTextForms, PartialConstantsCompareTheirLengthInCharacters) {
  EXPECT_EQ(ShownInEach("Name = 'di*'"), RowsOf({"dir", "directory", "di"}));
  EXPECT_EQ(ShownInEach("Name = 'DI*'", {foCaseInsensitive}),
            RowsOf({"dir", "Dir", "DIR", "directory", "di"}));
  // Two characters of "Ärger" are three bytes.
  EXPECT_EQ(ShownInEach("Wide = 'Är*'"), RowsOf({"Ärger"}));
  // Cut after upper-casing: "STRASSE*" is seven characters of "STRASSENBAHN".
  EXPECT_EQ(ShownInEach("Name = 'STRASSE*'", {foCaseInsensitive}),
            RowsOf({"straße", "STRASSE", "Straßenbahn"}));
  EXPECT_EQ(ShownInEach("Name = 'di*'", {foNoPartialCompare}), Rows());
  // Only a last '*' makes a partial constant.
  EXPECT_EQ(ShownInEach("Name = 'a*b'"), RowsOf({"a*b"}));
}

TEST_F(FilterTextForms, EmptyTextIsAValueAndNullIsNot) {
  EXPECT_EQ(ShownInEach("Name = ''"), RowsOf({""}));
  EXPECT_EQ(ShownInEach("Wide <> ''").size(), std::size(kTexts) - 2);
  EXPECT_EQ(ShownInEach("Fixed is null"), Rows({1}));
}

TEST_F(FilterTextForms, AnInvalidMaskFailsInEveryLayout) {
  for (auto& table : tables_) {
    table->SetFilter("Name like 'a[b'");
    EXPECT_ANY_THROW(table->SetFiltered(true));
    EXPECT_EQ(table->State(), dsBrowse);
  }
}

TEST_F(FilterTextForms, FollowsTheProcessLocaleBetweenWalks) {
  // Turkish maps "i" to "İ": the same compiled filter then finds "İzmir".
  const char* saved = std::getenv("LC_ALL");
  const String restore = saved ? saved : "";
  TvomMemTable& table = *tables_[1];
  setenv("LC_ALL", "en_US.UTF-8", 1);
  EXPECT_EQ(Shown(table, "Name = 'izmir'", {foCaseInsensitive}), Rows());
  setenv("LC_ALL", "tr_TR.UTF-8", 1);
  table.First();
  Rows rows;
  for (; !table.Eof(); table.Next()) rows.push_back(table.FieldByName("Row")->AsInteger());
  if (saved)
    setenv("LC_ALL", restore.c_str(), 1);
  else
    unsetenv("LC_ALL");
  EXPECT_EQ(rows, RowsOf({"İzmir"}));
}

// --- numbers --------------------------------------------------------------------------------

namespace {

const char* const kNumberFields[] = {"S", "W", "I", "L", "F", "C", "D", "T", "DT"};

class FilterNumberForms : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = std::make_unique<TvomMemTable>(nullptr);
    table_->FieldDefs()->Add("Row", ftInteger);
    table_->FieldDefs()->Add("S", ftSmallint);
    table_->FieldDefs()->Add("W", ftWord);
    table_->FieldDefs()->Add("I", ftInteger);
    table_->FieldDefs()->Add("L", ftLargeint);
    table_->FieldDefs()->Add("F", ftFloat);
    table_->FieldDefs()->Add("C", ftCurrency);
    table_->FieldDefs()->Add("D", ftDate);
    table_->FieldDefs()->Add("T", ftTime);
    table_->FieldDefs()->Add("DT", ftDateTime);
    table_->FieldDefs()->Add("B", ftBoolean);
    table_->FieldDefs()->Add("Tag", ftString, 10);
    table_->Open();
    const Variant null = Null();
    const double noon = 0.5;
    Row({null, null, null, null, null, null, null, null, null, null, null});
    Row({-5, 0, 7, Int64(5000000000), 1.5, 1.25, Date(2001, 2, 3), Variant(noon),
         Date(2001, 2, 3, noon), true, "seven"});
    Row({32767, 65535, Integer(-2147483647 - 1), Int64(-1), -0.5, -3, Date(1999, 12, 31),
         Variant(0.25), Date(1999, 12, 31, 0.25), false, null});
    Row({0, 7, 0, Int64(7), 7.0, 7, Date(1899, 12, 30), Variant(0.0), Variant(7.0), true, "7"});
    Row({7, 1, 2147483647, Int64(0), 1e300, 0.0001, Date(2001, 2, 4), Variant(0.75),
         Date(2001, 2, 3, 0.75), false, "1.5"});
    Row({-32768, 32768, -7, Int64(-5000000000), -1e-9, -7, Date(1, 1, 1), Variant(0.999),
         Date(9999, 12, 31, 0), true, ""});
  }

  static Variant Date(Word y, Word m, Word d, double time = 0) {
    return VarFromDateTime(EncodeDate(y, m, d) + time);
  }

  void Row(std::vector<Variant> values) {
    table_->Append();
    table_->FieldByName("Row")->SetAsInteger(++rows_);
    const char* const names[] = {"S", "W", "I", "L", "F", "C", "D", "T", "DT", "B", "Tag"};
    for (std::size_t i = 0; i < values.size(); ++i)
      table_->FieldByName(names[i])->SetValue(values[i]);
    table_->Post();
  }

  // The rows whose `field` holds a value standing in relation `holds` to
  // `constant` by the Variant rules, read through the field itself.
  Rows ByFieldValues(const String& field, const Variant& constant,
                     const std::function<bool(TVariantRelationship)>& holds) {
    table_->SetFiltered(false);
    Rows rows;
    for (table_->First(); !table_->Eof(); table_->Next()) {
      const Variant value = table_->FieldByName(field)->AsVariant();
      if (!value.IsNull() && holds(VarCompareValue(value, constant)))
        rows.push_back(table_->FieldByName("Row")->AsInteger());
    }
    return rows;
  }

  std::unique_ptr<TvomMemTable> table_;
  Integer rows_ = 0;
};

// A constant as written in a filter, the same value computed (which the
// filter cannot fold into the comparison), and as a Variant.
struct Constant {
  const char* text;
  const char* computed;
  Variant value;
};

const Constant kNumbers[] = {
    {"0", "0 + 0", 0},
    {"7", "7 + 0", 7},
    {"1.5", "1.5 + 0", 1.5},
    {"7.0", "7.0 + 0", 7.0},
    {"5000000000", "5000000000 + 0", Int64(5000000000)},
    {"65535", "65535 + 0", 65535},
    {"2147483647", "2147483647 + 0", 2147483647},
    {"0.0001", "0.0001 + 0", 0.0001},
    {"'7'", "'7' + ''", "7"},
    {"'1.5'", "'1.5' + ''", "1.5"},
    {"'-1'", "'-1' + ''", "-1"},
    {"'5000000000'", "'5000000000' + ''", "5000000000"},
};

const struct {
  const char* symbol;
  std::function<bool(TVariantRelationship)> holds;
} kOperators[] = {
    {"=", [](TVariantRelationship r) { return r == vrEqual; }},
    {"<>", [](TVariantRelationship r) { return r != vrEqual; }},
    {"<", [](TVariantRelationship r) { return r == vrLessThan; }},
    {">", [](TVariantRelationship r) { return r == vrGreaterThan; }},
    {"<=", [](TVariantRelationship r) { return r == vrLessThan || r == vrEqual; }},
    {">=", [](TVariantRelationship r) { return r == vrGreaterThan || r == vrEqual; }},
};

TVariantRelationship Reversed(TVariantRelationship r) {
  return r == vrLessThan ? vrGreaterThan : r == vrGreaterThan ? vrLessThan : r;
}

}  // namespace

TEST_F(FilterNumberForms, EveryNumericTypeAgreesWithTheVariantRules) {
  std::set<Rows> distinct;
  for (const char* field : kNumberFields) {
    for (const Constant& c : kNumbers) {
      for (const auto& op : kOperators) {
        const String f = field;
        const Rows direct = Shown(*table_, f + " " + op.symbol + " " + c.text);
        EXPECT_EQ(direct, Shown(*table_, f + " " + op.symbol + " " + c.computed))
            << f << op.symbol << c.text;
        EXPECT_EQ(direct, ByFieldValues(f, c.value, op.holds)) << f << op.symbol << c.text;
        // The constant on the left: the relation read the other way round.
        EXPECT_EQ(Shown(*table_, String(c.text) + " " + op.symbol + " " + f),
                  ByFieldValues(f, c.value,
                                [&](TVariantRelationship r) { return op.holds(Reversed(r)); }))
            << c.text << op.symbol << f;
        distinct.insert(direct);
      }
    }
  }
  EXPECT_GT(distinct.size(), 20u);
}

TEST_F(FilterNumberForms, ReadsEachTypeAsItsFieldDoes) {
  // Word is unsigned, Smallint signed; Largeint keeps 64 bits.
  EXPECT_EQ(Shown(*table_, "W > 32767"), Rows({3, 6}));
  EXPECT_EQ(Shown(*table_, "S < 0"), Rows({2, 6}));
  EXPECT_EQ(Shown(*table_, "L = 5000000000"), Rows({2}));
  EXPECT_EQ(Shown(*table_, "L < -4999999999"), Rows({6}));
  EXPECT_EQ(Shown(*table_, "I < -2147483647"), Rows({3}));
  // An integer field against a real constant compares as reals.
  EXPECT_EQ(Shown(*table_, "I > 6.5 and I < 7.5"), Rows({2}));
  // Dates compare as days, times as parts of a day.
  EXPECT_EQ(Shown(*table_, "D = '31/12/1999'"), Rows({3}));
  EXPECT_EQ(Shown(*table_, "D > 36526"), Rows({2, 5}));
  EXPECT_EQ(Shown(*table_, "T >= 0.5"), Rows({2, 5, 6}));
  EXPECT_EQ(Shown(*table_, "DT > '03/02/2001'"), Rows({2, 5, 6}));
  EXPECT_EQ(Shown(*table_, "F < 0"), Rows({3, 6}));
  EXPECT_EQ(Shown(*table_, "C = 1.25"), Rows({2}));
}

TEST_F(FilterNumberForms, DateTextsAgreeWithTheVariantRules) {
  for (const char* field : {"D", "DT"}) {
    for (const auto& op : kOperators) {
      const String f = field;
      const Rows direct = Shown(*table_, f + " " + op.symbol + " '03/02/2001'");
      EXPECT_EQ(direct, Shown(*table_, f + " " + op.symbol + " '03/02/2001' + ''"))
          << f << op.symbol;
      EXPECT_EQ(direct, ByFieldValues(f, "03/02/2001", op.holds)) << f << op.symbol;
    }
  }
}

TEST_F(FilterNumberForms, InListsAgreeWithTheVariantRules) {
  for (const char* field : kNumberFields) {
    const String f = field;
    const Rows direct = Shown(*table_, f + " in (0, 7, '1.5', 5000000000)");
    EXPECT_EQ(direct, Shown(*table_, f + " in (0 + 0, 7, '1.5', 5000000000)")) << f;
    Rows expected;
    for (const Constant* c : {&kNumbers[0], &kNumbers[1], &kNumbers[9], &kNumbers[4]}) {
      const Rows some =
          ByFieldValues(f, c->value, [](TVariantRelationship r) { return r == vrEqual; });
      expected.insert(expected.end(), some.begin(), some.end());
    }
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(direct, expected) << f;
  }
}

TEST_F(FilterNumberForms, BooleansKeepTheVariantRules) {
  EXPECT_EQ(Shown(*table_, "B = 'True'"), Rows({2, 4, 6}));
  EXPECT_EQ(Shown(*table_, "B = 0"), Rows({3, 5}));
  EXPECT_EQ(Shown(*table_, "B = -1"), Rows({2, 4, 6}));
  EXPECT_EQ(Shown(*table_, "B < 0"), Rows({2, 4, 6}));
}

TEST_F(FilterNumberForms, AndOrNotCombineTheFormsAsSets) {
  const String a = "I > 0", b = "L = 7 or L = 5000000000", c = "Tag is null";
  auto all = Shown(*table_, "Row > 0");
  auto in = [](const Rows& rows, Integer row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
  };
  const Rows ra = Shown(*table_, a), rb = Shown(*table_, b), rc = Shown(*table_, c);
  EXPECT_EQ(ra, Rows({2, 5}));
  EXPECT_EQ(rb, Rows({2, 4}));
  EXPECT_EQ(rc, Rows({1, 3}));
  const std::map<String, std::function<bool(Integer)>> expressions = {
      {"(" + a + ") and (" + b + ")", [&](Integer r) { return in(ra, r) && in(rb, r); }},
      {"(" + a + ") or (" + c + ")", [&](Integer r) { return in(ra, r) || in(rc, r); }},
      {"not (" + a + ")", [&](Integer r) { return !in(ra, r); }},
      {"not (" + a + ") and not (" + c + ")", [&](Integer r) { return !in(ra, r) && !in(rc, r); }},
      {"(" + b + ") and not ((" + a + ") or (" + c + "))",
       [&](Integer r) { return in(rb, r) && !(in(ra, r) || in(rc, r)); }},
  };
  for (const auto& [filter, expected] : expressions) {
    Rows rows;
    std::copy_if(all.begin(), all.end(), std::back_inserter(rows), expected);
    EXPECT_EQ(Shown(*table_, filter), rows) << filter;
  }
}

TEST_F(FilterNumberForms, AnErrorOnEitherSideStillStopsTheWalk) {
  // "Tag > 5" cannot compare "seven" with a number; the other side deciding
  // the result first must not hide that.
  for (const char* filter : {"I = 123 and Tag > 5", "I is not null or Tag > 5",
                             "Tag > 5 and I = 123", "not (I = 123 and Tag > 5)"}) {
    EXPECT_THROW(Shown(*table_, filter), EVariantTypeCastError) << filter;
    EXPECT_EQ(table_->State(), dsBrowse) << filter;
  }
}

// --- the walks ------------------------------------------------------------------------------

namespace {

class FilterWalks : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = NewPeopleTable();
    table_->FieldDefs()->Add("Row", ftInteger);
    table_->Open();
    for (Integer i = 1; i <= 12; ++i)
      table_->AppendRecord(
          {i % 4 == 0 ? Variant(Null()) : Variant(i % 5), "n" + std::to_string(i), i});
    table_->SetFilter("Id >= 2");
  }

  Rows Backwards() {
    Rows rows;
    for (table_->Last(); !table_->Bof(); table_->Prior())
      rows.push_back(table_->FieldByName("Row")->AsInteger());
    return rows;
  }

  std::unique_ptr<TvomMemTable> table_;
};

}  // namespace

TEST_F(FilterWalks, BothDirectionsShowTheSameRecords) {
  table_->SetFiltered(true);
  const Rows forwards = Shown(*table_, "Id >= 2");
  EXPECT_EQ(forwards, Rows({2, 3, 7, 9}));
  EXPECT_EQ(Backwards(), Rows({9, 7, 3, 2}));
  EXPECT_EQ(table_->RecordCount(), 4);
}

TEST_F(FilterWalks, FindRecordTestsTheExpressionWhileFilteredIsOff) {
  EXPECT_TRUE(table_->FindLast());
  EXPECT_EQ(table_->FieldByName("Row")->AsInteger(), 9);
  EXPECT_TRUE(table_->FindPrior());
  EXPECT_EQ(table_->FieldByName("Row")->AsInteger(), 7);
  EXPECT_TRUE(table_->FindFirst());
  EXPECT_EQ(table_->FieldByName("Row")->AsInteger(), 2);
  EXPECT_TRUE(table_->FindNext());
  EXPECT_EQ(table_->FieldByName("Row")->AsInteger(), 3);
}

TEST_F(FilterWalks, TheExpressionCombinesWithTheOtherTests) {
  table_->SetOnFilterRecord(
      [](TDataSet* d, bool& accept) { accept = d->FieldByName("Row")->AsInteger() > 5; });
  EXPECT_EQ(Shown(*table_, "Id >= 2"), Rows({7, 9}));
  EXPECT_EQ(Backwards(), Rows({9, 7}));
  table_->SetOnFilterRecord(nullptr);
  table_->AddIndex("ById", "Id", {});
  table_->SetIndexName("ById");
  table_->SetRange({2}, {3});
  EXPECT_EQ(Column(*table_, "Row"), Texts({"2", "7", "3"}));
  table_->CancelRange();
  EXPECT_EQ(Column(*table_, "Row"), Texts({"2", "7", "3", "9"}));
}

TEST_F(FilterWalks, LeaveTheTableBrowsingItsOwnRecord) {
  table_->SetFiltered(true);
  table_->First();
  table_->Next();
  EXPECT_EQ(table_->State(), dsBrowse);
  EXPECT_EQ(table_->OverrideRecord(), nullptr);
  EXPECT_EQ(table_->FieldByName("Row")->AsInteger(), 3);
  table_->Last();
  EXPECT_EQ(table_->OverrideRecord(), nullptr);
  EXPECT_EQ(table_->FieldByName("Name")->AsString(), "n9");
}
