// tests/memtable/SortKeyTest.cpp
//
// Sorting on one field reads each record's key once instead of comparing
// records pair by pair. The order must be exactly the one the store's record
// comparison gives: values in the type's order, nulls first (last when
// descending), equal keys in slot order, and the same duplicate-key error.
// The record comparison is forced by an OnCompareFields handler that answers
// what the built-in comparison answers, so the two orders can be compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "MemTableTestHelpers.h"
#include "memtable/MemTableErrors.h"
#include "memtable/RecordStore.h"
#include "memtable/ValueCompare.h"

namespace {

constexpr Int64 kInt64Min = std::numeric_limits<Int64>::min();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A table of one field of each kind of key, plus "Row", the row's number.
std::unique_ptr<TvomMemTable> KeysTable() {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  table->FieldDefs()->Add("Row", ftInteger);
  table->FieldDefs()->Add("I", ftInteger);
  table->FieldDefs()->Add("S", ftSmallint);
  table->FieldDefs()->Add("W", ftWord);
  table->FieldDefs()->Add("L", ftLargeint);
  table->FieldDefs()->Add("B", ftBoolean);
  table->FieldDefs()->Add("F", ftFloat);
  table->FieldDefs()->Add("D", ftDate);
  table->FieldDefs()->Add("T", ftString, 12);
  table->FieldDefs()->Add("U", ftWideString, 12);
  table->Open();
  return table;
}

// Makes the table compare through its hook, answering as the built-in
// comparison does; the sort then takes the record comparison.
void CompareThroughHook(TvomMemTable& table) {
  table.OnCompareFields = [&table](TDataSet*, TField* field, const void* key, const void* value,
                                   TFieldType type, Byte options, bool& fullMatch,
                                   Integer& result) {
    const Integer size = TvomCommon::FieldDataSize(type, field->Size());
    result = CompareFieldValues({static_cast<const Byte*>(key), size},
                                {static_cast<const Byte*>(value), size}, type, options,
                                table.Store().Collation(), fullMatch);
  };
}

struct SortResult {
  std::vector<String> Rows;
  String Error;  // the message of what SortOn raised
};

SortResult SortRows(TvomMemTable& table, const String& field, TvomMemTableCompareOptions options) {
  SortResult result;
  try {
    table.SortOn(field, options);
  } catch (const Exception& e) {
    result.Error = e.Message();
    table.SortOn("", mtcoNone);
    return result;
  }
  result.Rows = Column(table, "Row");
  table.SortOn("", mtcoNone);
  return result;
}

// Sorts on `field` through keys and through the record comparison; both
// must give the same rows in the same order, or fail the same way.
void ExpectSameOrder(TvomMemTable& table, const String& field, TvomMemTableCompareOptions options) {
  SCOPED_TRACE("field " + field + ", options " + std::to_string(static_cast<int>(options)));
  const SortResult keyed = SortRows(table, field, options);
  CompareThroughHook(table);
  const SortResult compared = SortRows(table, field, options);
  table.OnCompareFields = nullptr;
  EXPECT_EQ(compared.Error, keyed.Error);
  EXPECT_EQ(compared.Rows, keyed.Rows);
}

// Appends rows with values drawn from small pools (so that keys repeat),
// a null in about one value of six, then deletes some rows and appends
// more, which go into the freed slots: slot order then differs from the
// order the rows were added in.
void FillRandomly(TvomMemTable& table, std::mt19937& random, bool wideRanges) {
  const std::vector<String> texts = {"apple", "Apple",   "APPLE", "äpfel", "Äpfel", "zebra",
                                     "Zebra", "ähnlich", "a",     "",      "b-c",   "bc"};
  Integer row = 0;
  auto append = [&] {
    table.Append();
    table.FieldByName("Row")->SetAsInteger(++row);
    for (Integer f = 0; f < table.FieldCount(); ++f) {
      TField* field = table.Fields(f);
      if (field->FieldName() == "Row" || random() % 6 == 0) continue;
      const unsigned pick = random() % 8;
      switch (field->DataType()) {
        case ftInteger:
          field->SetAsInteger(wideRanges ? static_cast<Integer>(random())
                                         : static_cast<Integer>(pick) - 3);
          break;
        case ftSmallint:
          field->SetAsInteger(wideRanges ? -32768 + static_cast<Integer>(random() % 65536)
                                         : static_cast<Integer>(pick) - 4);
          break;
        case ftWord:
          field->SetAsInteger(wideRanges ? static_cast<Integer>(random() % 65536)
                                         : static_cast<Integer>(pick));
          break;
        case ftLargeint:
          field->SetAsLargeInt(wideRanges ? (static_cast<Int64>(random()) << 31) - (Int64{1} << 62)
                                          : static_cast<Int64>(pick) * 1000000000000);
          break;
        case ftBoolean:
          field->SetAsBoolean(pick % 2 == 0);
          break;
        case ftFloat:
          field->SetAsFloat(pick == 0 ? -0.0 : static_cast<double>(pick) / 4 - 1);
          break;
        case ftDate:
          field->SetAsDateTime(40000 + (wideRanges ? random() % 100000 : pick));
          break;
        default:
          field->SetAsString(texts[random() % texts.size()]);
          break;
      }
    }
    table.Post();
  };
  for (int i = 0; i < 300; ++i) append();
  for (int i = 0; i < 40; ++i) {
    table.SetRecNo(1 + static_cast<Integer>(random() % static_cast<unsigned>(table.RecordCount())));
    table.Delete();
  }
  for (int i = 0; i < 30; ++i) append();
}

const std::vector<String> kKeyFields = {"I", "S", "W", "L", "B", "F", "D", "T", "U"};

TEST(SortKeyTest, EveryKeyTypeSortsAsTheRecordComparisonDoes) {
  for (const bool wideRanges : {false, true}) {
    SCOPED_TRACE(wideRanges ? "wide ranges" : "narrow ranges");
    auto table = KeysTable();
    std::mt19937 random(wideRanges ? 7 : 11);
    FillRandomly(*table, random, wideRanges);
    for (const String& field : kKeyFields) {
      for (const TvomMemTableCompareOptions options :
           {mtcoNone, mtcoDescending, mtcoCaseInsensitive, mtcoDescending | mtcoCaseInsensitive,
            mtcoIgnoreLocale, mtcoUnique})
        ExpectSameOrder(*table, field, options);
    }
  }
}

TEST(SortKeyTest, UniqueSortsRaiseOnEqualKeysAndNullsOnly) {
  auto table = KeysTable();
  AppendRows(*table, {{1, 30}, {2, 10}, {3, 20}});
  EXPECT_EQ(SortRows(*table, "I", mtcoUnique).Rows, Texts({"2", "3", "1"}));
  AppendRows(*table, {{4, Null()}, {5, Null()}});
  EXPECT_EQ(SortRows(*table, "I", mtcoUnique).Error, SvomDuplicateKey);
  EXPECT_EQ(SortRows(*table, "I", mtcoUnique | mtcoDescending).Error, SvomDuplicateKey);
  ExpectSameOrder(*table, "I", mtcoUnique);
  table->Last();
  table->Delete();
  AppendRows(*table, {{6, 20}});
  EXPECT_EQ(SortRows(*table, "I", mtcoUnique).Error, SvomDuplicateKey);
}

TEST(SortKeyTest, ValuesAtTheEdgeOfTheTypesSortAfterNull) {
  // The lowest 64-bit integer and minus infinity are values like any other:
  // a null still sorts before them, whatever their slots.
  auto table = KeysTable();
  table->AppendRecord({1, Null(), Null(), Null(), kInt64Min, Null(), -kInfinity});
  table->AppendRecord({2});
  table->AppendRecord({3, Null(), Null(), Null(), Int64{5}, Null(), 0.0});
  EXPECT_EQ(SortRows(*table, "L", mtcoNone).Rows, Texts({"2", "1", "3"}));
  EXPECT_EQ(SortRows(*table, "L", mtcoDescending).Rows, Texts({"3", "1", "2"}));
  EXPECT_EQ(SortRows(*table, "F", mtcoNone).Rows, Texts({"2", "1", "3"}));
  EXPECT_EQ(SortRows(*table, "F", mtcoDescending).Rows, Texts({"3", "1", "2"}));
  ExpectSameOrder(*table, "L", mtcoUnique);
}

TEST(SortKeyTest, FloatZerosAreEqualAndNotANumberFollowsTheRecordComparison) {
  auto table = KeysTable();
  for (const double value : {0.0, -0.0, 1.5, std::nan(""), -2.0, -0.0, std::nan(""), 0.0}) {
    table->Append();
    table->FieldByName("Row")->SetAsInteger(table->RecordCount() + 1);
    table->FieldByName("F")->SetAsFloat(value);
    table->Post();
  }
  ExpectSameOrder(*table, "F", mtcoNone);
  ExpectSameOrder(*table, "F", mtcoDescending);
  // Without the values that are not numbers, the zeros are one key.
  table->SetRecNo(7);
  table->Delete();
  table->SetRecNo(4);
  table->Delete();
  EXPECT_EQ(SortRows(*table, "F", mtcoNone).Rows, Texts({"5", "1", "2", "6", "8", "3"}));
  EXPECT_EQ(SortRows(*table, "F", mtcoUnique).Error, SvomDuplicateKey);
}

TEST(SortKeyTest, EqualKeysFollowSlotOrderNotTheOrderRowsWereAdded) {
  auto table = KeysTable();
  AppendRows(*table, {{1, 5}, {2, 5}, {3, 7}, {4, 5}});
  table->First();
  table->Delete();               // frees the first slot
  AppendRows(*table, {{5, 5}});  // takes it
  EXPECT_EQ(SortRows(*table, "I", mtcoNone).Rows, Texts({"5", "2", "4", "3"}));
  EXPECT_EQ(SortRows(*table, "I", mtcoDescending).Rows, Texts({"3", "5", "2", "4"}));
  ExpectSameOrder(*table, "I", mtcoDescending);
}

TEST(SortKeyTest, ACompareHookDecidesTheOrder) {
  auto table = KeysTable();
  AppendRows(*table, {{1, 2}, {2, 3}, {3, 1}});
  table->OnCompareFields = [](TDataSet*, TField*, const void* key, const void* value, TFieldType,
                              Byte, bool&, Integer& result) {
    Integer a, b;
    std::memcpy(&a, key, sizeof a);
    std::memcpy(&b, value, sizeof b);
    result = a < b ? 1 : (a > b ? -1 : 0);  // highest first
  };
  EXPECT_EQ(SortRows(*table, "I", mtcoNone).Rows, Texts({"2", "1", "3"}));
}

TEST(SortKeyTest, TheCurrentRecordStaysCurrentAmongManyEqualKeys) {
  auto table = KeysTable();
  for (Integer row = 1; row <= 500; ++row)
    table->AppendRecord({row, row % 50 == 0 ? Variant(row) : Null()});
  table->SetRecNo(321);
  table->SortOn("I", mtcoNone);
  EXPECT_EQ(table->FieldByName("Row")->AsInteger(), 321);
  EXPECT_EQ(table->RecNo(), 315);  // after the 314 nulls before it
  table->SortOn("I", mtcoDescending);
  EXPECT_EQ(table->FieldByName("Row")->AsInteger(), 321);
  EXPECT_EQ(table->RecNo(), 325);  // the 10 values, then the nulls in slot order
}

TEST(SortKeyTest, TextInTheLocaleSortsAsTheCollatorOrdersIt) {
  // Text sorted through the collator's sort keys: every case the collator
  // treats specially must land where the record comparison puts it.
  // clang-format off
  const std::vector<String> texts = {
      "", "a", "A", "ab", "AB", "aB", "a b", "a-b", "a\001b", "\001", "ab\002", "Photos 21",
      "photos 21", "PHOTOS 21", "Photos 2", "Photos_21.jpg", "ss", "SS", "\xC3\x9F", "Stra\xC3\x9F" "e",
      "STRASSE", "strasse", "e", "\xC3\xA9", "\xC3\x89", "e\xCC\x81", "\xC3\xA4pfel", "Apfel",
      "i", "I", "\xC4\xB1", "\xC4\xB0", "cs", "CS", "cS", "ch", "CH", "caf\xE9", "caf\xFC",
      "caf\xEF\xBF\xBD", "\xFF", "x\xE2\x82", "x\xEF\xBF\xBD\xEF\xBF\xBD", "ab\xC3", "1A2B:3C4D:\\",
      "1a2b:3c4d:\\", "10", "9",
  };
  // clang-format on
  for (const Integer locale : {0x0409, 0x0407, 0x041F, 0x040E, 0x007F}) {
    SCOPED_TRACE("locale " + std::to_string(locale));
    auto table = std::make_unique<TvomMemTable>(nullptr);
    table->FieldDefs()->Add("Row", ftInteger);
    table->FieldDefs()->Add("T", ftString, 40);
    table->Open();
    table->SetLocaleID(locale);
    Integer row = 0;
    for (int pass = 0; pass < 2; ++pass)  // every text twice: equal keys keep slot order
      for (const String& text : texts) table->AppendRecord({++row, Variant(text)});
    table->AppendRecord({++row});  // and nulls
    table->AppendRecord({++row});
    for (const TvomMemTableCompareOptions options :
         {mtcoNone, mtcoCaseInsensitive, mtcoDescending, mtcoDescending | mtcoCaseInsensitive,
          mtcoUnique})
      ExpectSameOrder(*table, "T", options);
  }
}

TEST(SortKeyTest, TextInAnUnknownLocaleFailsOnlyWhenTwoValuesAreCompared) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  table->FieldDefs()->Add("Row", ftInteger);
  table->FieldDefs()->Add("T", ftString, 10);
  table->Open();
  table->SetLocaleID(0x0498);  // names no language
  AppendRows(*table, {{1, "b"}, {2, Null()}, {3, Null()}});
  EXPECT_EQ(SortRows(*table, "T", mtcoNone).Rows, Texts({"2", "3", "1"}));
  ExpectSameOrder(*table, "T", mtcoNone);
  AppendRows(*table, {{4, "a"}});
  EXPECT_EQ(SortRows(*table, "T", mtcoNone).Error, SvomInvalidLocale);
  ExpectSameOrder(*table, "T", mtcoNone);
}

}  // namespace
