// tests/memtable/FilterTest.cpp
//
// The Filter expression and OnFilterRecord: every construct, and what nulls
// make of it.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "platform/rtl/DateTime.h"

namespace {

class MemTableFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = std::make_unique<TvomMemTable>(nullptr);
    table_->FieldDefs()->Add("id", ftInteger);
    table_->FieldDefs()->Add("IdFile", ftInteger);
    table_->FieldDefs()->Add("Name", ftString, 20);
    table_->FieldDefs()->Add("Price", ftFloat);
    table_->FieldDefs()->Add("Born", ftDate);
    table_->FieldDefs()->Add("Path", ftString, 40);
    table_->FieldDefs()->Add("Wide", ftWideString, 10);
    // Long strings live outside the record with this setting.
    table_->SetPerformance(mtpfBalanced);
    table_->Open();
    const Variant null = Null();
    Row(null, 7, "dir", 1.5, EncodeDate(2001, 2, 3), "C:\\music\\a.mp3", "Ärger");
    Row(3, 7, "file", null, EncodeDate(1999, 12, 31), "C:\\music\\b.txt", "x");
    Row(null, null, null, 2.5, null, null, null);
    Row(null, 17, "Other", 10, EncodeDate(2001, 5, 6), "D:\\img\\c.jpg", "abc");
  }

  void Row(const Variant& id, const Variant& idFile, const Variant& name, const Variant& price,
           const Variant& born, const Variant& path, const Variant& wide) {
    table_->Append();
    table_->FieldByName("id")->SetValue(id);
    table_->FieldByName("IdFile")->SetValue(idFile);
    table_->FieldByName("Name")->SetValue(name);
    table_->FieldByName("Price")->SetValue(price);
    table_->FieldByName("Born")->SetValue(born.IsNull() ? born : VarFromDateTime(born.AsDouble()));
    table_->FieldByName("Path")->SetValue(path);
    table_->FieldByName("Wide")->SetValue(wide);
    table_->Post();
  }

  // The rows (numbered 1 to 4 as added) that the filter shows.
  std::vector<Integer> Shown(const String& filter, TFilterOptions options = {}) {
    table_->SetFilterOptions(options);
    table_->SetFilter(filter);
    table_->SetFiltered(true);
    std::vector<Integer> rows;
    // Rows are told apart by their position in the row order.
    for (table_->First(); !table_->Eof(); table_->Next()) rows.push_back(table_->RecNo());
    return rows;
  }

  std::unique_ptr<TvomMemTable> table_;
};

using Rows = std::vector<Integer>;

}  // namespace

TEST_F(MemTableFilter, TheCatalogueFolderFilter) {
  EXPECT_EQ(Shown("([id] = null) and [IdFile] = '7'"), Rows({1}));
  EXPECT_EQ(Shown("([id] = null) and [IdFile] = '17'"), Rows({4}));
}

TEST_F(MemTableFilter, ComparisonsWithNullAreFalse) {
  EXPECT_EQ(Shown("Name = 'dir'"), Rows({1}));
  EXPECT_EQ(Shown("Name <> 'dir'"), Rows({2, 4}));
  EXPECT_EQ(Shown("Price > 2"), Rows({3, 4}));
  EXPECT_EQ(Shown("Price <= 2.5"), Rows({1, 3}));
  EXPECT_EQ(Shown("Price < 2.5"), Rows({1}));
  EXPECT_EQ(Shown("Price >= 10"), Rows({4}));
}

TEST_F(MemTableFilter, NotOfAFalseComparisonIsTrue) {
  // A comparison with a null is false, and its negation true.
  EXPECT_EQ(Shown("not (Name = 'dir')"), Rows({2, 3, 4}));
  EXPECT_EQ(Shown("not (IdFile = 7)"), Rows({3, 4}));
}

TEST_F(MemTableFilter, AndOrWithNulls) {
  EXPECT_EQ(Shown("IdFile = 7 or Price = 10"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("IdFile = 7 and Price = 1.5"), Rows({1}));
}

TEST_F(MemTableFilter, NullTests) {
  EXPECT_EQ(Shown("id is null"), Rows({1, 3, 4}));
  EXPECT_EQ(Shown("id is not null"), Rows({2}));
  EXPECT_EQ(Shown("Name <> null"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("Path is null"), Rows({3}));
  EXPECT_EQ(Shown("Wide is not null"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("upper(Name) is null"), Rows({3}));
  EXPECT_EQ(Shown("IdFile + 1 is not null"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("not (Price is null)"), Rows({1, 3, 4}));
}

TEST_F(MemTableFilter, ArithmeticWithANullIsNull) {
  EXPECT_EQ(Shown("IdFile + Price > 8"), Rows({1, 4}));
  EXPECT_EQ(Shown("Price * 2 = 3"), Rows({1}));
  EXPECT_EQ(Shown("IdFile - 7 = 0"), Rows({1, 2}));
  EXPECT_EQ(Shown("IdFile / 2 = 3.5"), Rows({1, 2}));
  EXPECT_EQ(Shown("IdFile % 5 = 2"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("-Price = -10"), Rows({4}));
  EXPECT_EQ(Shown("Name + 'x' = 'dirx'"), Rows({1}));
}

TEST_F(MemTableFilter, IntegerFieldAgainstTextConstantsComparesByValue) {
  EXPECT_EQ(Shown("IdFile = '7'"), Rows({1, 2}));
  EXPECT_EQ(Shown("IdFile > '10'"), Rows({4}));
  EXPECT_EQ(Shown("IdFile < '7.5'"), Rows({1, 2}));
  EXPECT_EQ(Shown("'17' = IdFile"), Rows({4}));
  EXPECT_EQ(Shown("'8' > IdFile"), Rows({1, 2}));
}

TEST_F(MemTableFilter, ATextThatIsNoNumberCannotBeComparedWithANumber) {
  table_->SetFilter("IdFile = 'seven'");
  EXPECT_THROW(table_->SetFiltered(true), EVariantTypeCastError);
}

TEST_F(MemTableFilter, DatesCompareWithDateTexts) {
  EXPECT_EQ(Shown("Born > '01/01/2001'"), Rows({1, 4}));
  EXPECT_EQ(Shown("Born = '31/12/1999'"), Rows({2}));
}

TEST_F(MemTableFilter, Like) {
  EXPECT_EQ(Shown("Path like '*.mp3'"), Rows({1}));
  EXPECT_EQ(Shown("Path like 'C:\\music\\?.*'"), Rows({1, 2}));
  EXPECT_EQ(Shown("Name like 'o*'"), Rows({4}));
  EXPECT_EQ(Shown("Name not like 'd*'"), Rows({2, 3, 4}));
}

TEST_F(MemTableFilter, LikeMatchesItsWholePatternWhateverTheStarsBeforeTheLast) {
  const Variant null = Null();
  Row(null, null, "Zebra", null, null, null, null);
  Row(null, null, "xxbxx", null, null, null, null);
  for (const TFilterOptions options : {TFilterOptions{}, TFilterOptions{foCaseInsensitive}}) {
    EXPECT_EQ(Shown("Name like '*b*'", options), Rows({5, 6}));
    EXPECT_EQ(Shown("Name like 'x*x*'", options), Rows({6}));
    EXPECT_EQ(Shown("Name like 'ze*'", options), Rows({5}));
    EXPECT_EQ(Shown("Name not like '*b*'", options), Rows({1, 2, 3, 4}));  // a null is never like
    EXPECT_EQ(Shown("upper(Name) like '*B*'", options), Rows({5, 6}));
  }
  // "=" keeps comparing the characters before a trailing star.
  EXPECT_EQ(Shown("Name = 'xx*'"), Rows({6}));
  EXPECT_EQ(Shown("Name = 'x*x*'"), Rows({}));
}

TEST_F(MemTableFilter, TheDeepestTreesTheParserTakesAreEvaluated) {
  String chain = "IdFile = 1000";
  for (int i = 1; i < 500; ++i) chain += " or IdFile = " + std::to_string(1000 + i);
  EXPECT_EQ(Shown(chain + " or IdFile = 17"), Rows({4}));
  String nested = "IdFile = 7";
  for (int i = 0; i < 256; ++i) nested = "(" + nested + ")";
  EXPECT_EQ(Shown(nested), Rows({1, 2}));
}

TEST_F(MemTableFilter, InTakesAnyNumberOfElements) {
  EXPECT_EQ(Shown("IdFile in (17, 3)"), Rows({4}));
  EXPECT_EQ(Shown("Name in ('file', 'Other')"), Rows({2, 4}));
  EXPECT_EQ(Shown("IdFile in ('7')"), Rows({1, 2}));
  String list = "IdFile in (";
  for (int i = 100; i < 160; ++i) list += std::to_string(i) + ", ";
  list += "17)";
  EXPECT_EQ(Shown(list), Rows({4}));
  EXPECT_EQ(Shown("IdFile + 0 in (7, Price * 0 + 17)"), Rows({1, 2, 4}));
}

TEST_F(MemTableFilter, UpperAndLower) {
  EXPECT_EQ(Shown("upper(Name) = 'DIR'"), Rows({1}));
  EXPECT_EQ(Shown("lower(Name) = 'other'"), Rows({4}));
}

TEST_F(MemTableFilter, CaseInsensitiveAndPartialCompare) {
  EXPECT_EQ(Shown("Name = 'OTHER'", {foCaseInsensitive}), Rows({4}));
  EXPECT_EQ(Shown("Name = 'fi*'"), Rows({2}));
  EXPECT_EQ(Shown("Name = 'fi*'", {foNoPartialCompare}), Rows({}));
  EXPECT_EQ(Shown("Wide = 'ärger'", {foCaseInsensitive}), Rows({1}));
}

TEST_F(MemTableFilter, StringFunctions) {
  EXPECT_EQ(Shown("substring(Name, 2, 2) = 'il'"), Rows({2}));
  EXPECT_EQ(Shown("substring(Name, 3) = 'her'"), Rows({4}));
  EXPECT_EQ(Shown("trim('  ' + Name + ' ') = 'dir'"), Rows({1}));
  EXPECT_EQ(Shown("trimleft('  ' + Name) = 'dir'"), Rows({1}));
  EXPECT_EQ(Shown("trimright(Name + '  ') = 'file'"), Rows({2}));
  EXPECT_EQ(Shown("substring(Wide, 1, 1) = 'Ä'"), Rows({1}));
}

TEST_F(MemTableFilter, DateFunctions) {
  EXPECT_EQ(Shown("year(Born) = 2001"), Rows({1, 4}));
  EXPECT_EQ(Shown("month(Born) = 12 and day(Born) = 31"), Rows({2}));
  EXPECT_EQ(Shown("hour(Born) = 0 and minute(Born) = 0 and second(Born) = 0"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("getdate() > Born"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("date('2001-05-06', 'yyyy-mm-dd') = Born"), Rows({4}));
  EXPECT_EQ(Shown("time(Price) > 0.4"), Rows({1, 3}));
}

TEST_F(MemTableFilter, DateOfANullRefusesTheRowInsteadOfFailing) {
  EXPECT_EQ(Shown("date(Born) > 0"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("time(Born) = 0"), Rows({1, 2, 4}));
  EXPECT_EQ(Shown("upper(Name) like '*'"), Rows({1, 2, 4}));
}

TEST_F(MemTableFilter, FunctionErrors) {
  table_->SetFilter("nosuch(Name) = 1");
  try {
    table_->SetFiltered(true);
    FAIL();
  } catch (const EMemTableFilterError& e) {
    EXPECT_EQ(e.Message(), "Invalid function name NOSUCH");
  }
  table_->SetFiltered(false);
  table_->SetFilter("substring(Name) = 'x'");
  try {
    table_->SetFiltered(true);
    FAIL();
  } catch (const EMemTableFilterError& e) {
    EXPECT_EQ(e.Message(), "Invalid or missing parameter for function SUBSTRING");
  }
}

TEST_F(MemTableFilter, SyntaxErrorsAndUnknownFieldsAreRefusedWhenSet) {
  EXPECT_THROW(table_->SetFilter("Name = "), EDatabaseError);
  EXPECT_THROW(table_->SetFilter("Nope = 1"), EDatabaseError);
}

TEST_F(MemTableFilter, BlankFilterLeavesOnlyOnFilterRecord) {
  EXPECT_EQ(Shown("   "), Rows({1, 2, 3, 4}));
  EXPECT_FALSE(table_->HasCompiledFilter());
  table_->SetOnFilterRecord(
      [](TDataSet* d, bool& accept) { accept = !d->FieldByName("Name")->IsNull(); });
  EXPECT_EQ(Shown(""), Rows({1, 2, 4}));
}

TEST_F(MemTableFilter, OnFilterRecordAndExpressionMustBothAccept) {
  table_->SetOnFilterRecord(
      [](TDataSet* d, bool& accept) { accept = d->FieldByName("Price")->AsFloat() > 2; });
  EXPECT_EQ(Shown("IdFile is not null"), Rows({4}));
}

TEST_F(MemTableFilter, FilteredOffShowsEverythingAndTestsNothing) {
  table_->SetFilter("Name = 'dir'");
  table_->SetFiltered(true);
  EXPECT_EQ(table_->RecordCount(), 1);
  table_->SetFiltered(false);
  EXPECT_EQ(table_->RecordCount(), 4);
  EXPECT_FALSE(table_->MustTestRecords());
}

TEST_F(MemTableFilter, FindFirstUsesTheFilterWhileFilteredIsOff) {
  table_->SetFilter("Name = 'Other'");
  EXPECT_TRUE(table_->FindFirst());
  EXPECT_EQ(table_->RecNo(), 4);
}

TEST_F(MemTableFilter, SurvivesClosingAndReopening) {
  table_->SetFilter("Price > 2");
  table_->SetFiltered(true);
  table_->Close();
  EXPECT_FALSE(table_->HasCompiledFilter());
  table_->Open();
  AppendRows(*table_, {{Null(), 1, "a", 3.0}, {Null(), 1, "b", 1.0}});
  EXPECT_EQ(Column(*table_, "Name"), Texts({"a"}));
}

TEST_F(MemTableFilter, ATableWithoutTestsTestsNoRecord) {
  int calls = 0;
  table_->SetOnFilterRecord([&](TDataSet*, bool&) { ++calls; });
  Column(*table_, "Name");
  EXPECT_FALSE(table_->MustTestRecords());
  EXPECT_EQ(calls, 0);
}
