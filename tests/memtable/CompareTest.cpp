// tests/memtable/CompareTest.cpp
//
// Comparing stored values of every type, and records field by field.
#include <gtest/gtest.h>

#include "TestTable.h"
#include "memtable/MemTableErrors.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/Unicode.h"

namespace {

using Bytes = std::vector<Byte>;

template <class T>
Bytes Of(T value) {
  Bytes b(sizeof value);
  std::memcpy(b.data(), &value, sizeof value);
  return b;
}

Bytes Text(const std::string& s, std::size_t size = 0) {
  Bytes b(s.begin(), s.end());
  b.resize(std::max(size, s.size() + 1), 0);
  return b;
}

// A stored wide string, placed one byte in so that it is misaligned.
Bytes Wide(const std::u16string& s) {
  const Integer count = static_cast<Integer>(s.size() * 2);
  Bytes b(1 + 4 + static_cast<std::size_t>(count));
  std::memcpy(b.data() + 1, &count, 4);
  std::memcpy(b.data() + 5, s.data(), static_cast<std::size_t>(count));
  return b;
}

class ValueCompareTest : public ::testing::Test {
 protected:
  int Cmp(const Bytes& a, const Bytes& b, TFieldType type, Byte options = 0) {
    full = true;
    const std::size_t skip = type == ftWideString ? 1 : 0;
    return CompareFieldValues({a.data() + skip, static_cast<Integer>(a.size() - skip)},
                              {b.data() + skip, static_cast<Integer>(b.size() - skip)}, type,
                              options, collation, full);
  }
  TvomCollation collation{0x0409};
  bool full = true;
};

TEST_F(ValueCompareTest, IntegersBySignAndWidth) {
  EXPECT_EQ(-1, Cmp(Of<SmallInt>(-5), Of<SmallInt>(3), ftSmallint));
  EXPECT_EQ(1, Cmp(Of<Word>(65535), Of<Word>(1), ftWord));
  EXPECT_EQ(0, Cmp(Of<Integer>(7), Of<Integer>(7), ftInteger));
  EXPECT_EQ(-1, Cmp(Of<Integer>(-2), Of<Integer>(1), ftAutoInc));
  EXPECT_EQ(1, Cmp(Of<Int64>(Int64{1} << 40), Of<Int64>(1), ftLargeint));
  EXPECT_EQ(-1, Cmp(Of<Integer>(5), Of<Integer>(3), ftInteger, mtifoDescending));
}

TEST_F(ValueCompareTest, DatesAndTimesUseTheirFirstFourBytes) {
  Bytes day1 = Of<Int64>(0x7777777700000005), day2 = Of<Int64>(0x1111111100000005);
  EXPECT_EQ(0, Cmp(day1, day2, ftDate));
  EXPECT_EQ(-1, Cmp(Of<Int64>(1000), Of<Int64>(2000), ftTime));
  EXPECT_EQ(1, Cmp(Of<double>(2.5e10), Of<double>(1.0e10), ftDateTime));
}

TEST_F(ValueCompareTest, BooleansFloatsAndCurrency) {
  EXPECT_EQ(-1, Cmp(Of<Word>(0), Of<Word>(1), ftBoolean));
  EXPECT_EQ(0, Cmp(Of<Word>(2), Of<Word>(1), ftBoolean));
  EXPECT_EQ(-1, Cmp(Of<double>(-0.5), Of<double>(0.25), ftFloat));
  EXPECT_EQ(1, Cmp(Of<double>(3.0), Of<double>(2.99), ftCurrency));
  EXPECT_EQ(0, Cmp(Of<Integer>(1), Of<Integer>(2), ftBlob));  // no order: equal
}

TEST_F(ValueCompareTest, BcdAsCurrencyAndUnconvertibleAsEqual) {
  TBcd a, b, special;
  ASSERT_TRUE(CurrToBCD(Currency::FromDouble(1.5), a));
  ASSERT_TRUE(CurrToBCD(Currency::FromDouble(1.25), b));
  special.SignSpecialPlaces = BcdSpecialBit;
  EXPECT_EQ(1, Cmp(Of(a), Of(b), ftBCD));
  EXPECT_EQ(-1, Cmp(Of(b), Of(a), ftFMTBcd));
  EXPECT_EQ(0, Cmp(Of(special), Of(a), ftBCD));
}

TEST_F(ValueCompareTest, TimeStampsPartByPart) {
  TSQLTimeStamp a{2020, 5, 1, 10, 0, 0, 0}, b{2020, 5, 1, 10, 0, 0, 1},
      c{2019, 12, 31, 23, 59, 59, 999};
  EXPECT_EQ(-1, Cmp(Of(a), Of(b), ftTimeStamp));
  EXPECT_EQ(1, Cmp(Of(a), Of(c), ftTimeStamp));
}

TEST_F(ValueCompareTest, OrdinalTextWithoutLocale) {
  EXPECT_EQ(-1, Cmp(Text("B"), Text("a"), ftString, mtifoIgnoreLocale));
  EXPECT_EQ(0, Cmp(Text("abc"), Text("ABC"), ftString, mtifoIgnoreLocale | mtifoCaseInsensitive));
  EXPECT_EQ(1, Cmp(Text("\xC3\xA4"), Text("z"), ftFixedChar, mtifoIgnoreLocale));  // "ä" after "z"
  EXPECT_EQ(0, Cmp(Text("x", 10), Text("x", 3), ftGuid, mtifoIgnoreLocale));
}

TEST_F(ValueCompareTest, PartialKeyMatchesAPrefix) {
  EXPECT_EQ(0, Cmp(Text("abc"), Text("abcdef"), ftString, mtifoPartial));
  EXPECT_FALSE(full);
  EXPECT_EQ(1, Cmp(Text("abcdef"), Text("abc"), ftString, mtifoPartial));
  EXPECT_FALSE(full);
  EXPECT_EQ(0, Cmp(Text("abc"), Text("abc"), ftString, mtifoPartial));
  EXPECT_TRUE(full);
  EXPECT_EQ(-1, Cmp(Text("abc"), Text("abcdef"), ftString));
  EXPECT_EQ(0, Cmp(Wide(u"ab"), Wide(u"abc"), ftWideString, mtifoPartial));
  EXPECT_FALSE(full);
}

TEST_F(ValueCompareTest, LocaleOrderOfNonAsciiText) {
  collation.SetLocale(0x0407);  // German: "ä" sorts with "a"
  EXPECT_EQ(-1, Cmp(Text("\xC3\xA4pfel"), Text("birne"), ftString));
  collation.SetLocale(0x041D);  // Swedish: "ä" comes after "z"
  EXPECT_EQ(1, Cmp(Text("\xC3\xA4pple"), Text("zebra"), ftString));
  EXPECT_EQ(1, Cmp(Wide(u"\u00E4pple"), Wide(u"zebra"), ftWideString));
}

TEST_F(ValueCompareTest, CaseInsensitiveLocaleOrder) {
  collation.SetLocale(0x0407);
  EXPECT_EQ(0, Cmp(Text("\xC3\x84PFEL"), Text("\xC3\xA4pfel"), ftString, mtifoCaseInsensitive));
  EXPECT_NE(0, Cmp(Text("\xC3\x84PFEL"), Text("\xC3\xA4pfel"), ftString));
  EXPECT_EQ(
      0, Cmp(Wide(u"\u00C9T\u00C9"), Wide(u"\u00E9t\u00E9"), ftWideString, mtifoCaseInsensitive));
  EXPECT_EQ(-1, Cmp(Text("\xC3\xA9t\xC3\xA9"), Text("F"), ftString, mtifoCaseInsensitive));
}

TEST_F(ValueCompareTest, WideTextWithoutLocale) {
  EXPECT_EQ(-1, Cmp(Wide(u"B"), Wide(u"a"), ftWideString, mtifoIgnoreLocale));
  EXPECT_EQ(0, Cmp(Wide(u"\u00C4bc"), Wide(u"\u00E4BC"), ftWideString,
                   mtifoIgnoreLocale | mtifoCaseInsensitive));
  EXPECT_EQ(-1,
            Cmp(Wide(u"ab"), Wide(u"abc"), ftWideString, mtifoIgnoreLocale | mtifoCaseInsensitive));
}

TEST_F(ValueCompareTest, InvalidLocaleFailsOnlyWhenTextIsCollated) {
  collation.SetLocale(0x04FE);
  try {
    Cmp(Text("a"), Text("b"), ftString);
    FAIL();
  } catch (const EMemTableInvalidLocale& e) {
    EXPECT_EQ("Invalid locale.", e.Message());
  }
  EXPECT_EQ(-1, Cmp(Text("a"), Text("b"), ftString, mtifoIgnoreLocale));
  EXPECT_EQ(-1, Cmp(Of<Integer>(1), Of<Integer>(2), ftInteger));
}

// The matcher of a search gives the comparison's answer for equality, and
// its full-match flag, over text with and without locale, case and partial
// keys, wide text and numbers.
TEST_F(ValueCompareTest, MatcherAgreesWithTheComparison) {
  const std::vector<std::string> texts = {
      "",        "abc",           "ABC",     "abcdef", "ABCDEF",       "ab",          "a\001bc",
      "a-bc",    "Stra\303\237e", "STRASSE", "Stras",  "STRA\xC3\x9F", "caf\xC3\xA9", "CAF\xC3\x89",
      "caf\xE9", "\xFF"};
  const Byte optionSets[] = {0,
                             mtifoCaseInsensitive,
                             mtifoPartial,
                             mtifoPartial | mtifoCaseInsensitive,
                             mtifoIgnoreLocale,
                             mtifoIgnoreLocale | mtifoCaseInsensitive | mtifoPartial,
                             mtifoDescending | mtifoCaseInsensitive};
  auto expectSame = [&](const Bytes& key, const Bytes& value, TFieldType type, Byte options) {
    const std::size_t skip = type == ftWideString ? 1 : 0;
    const TvomValueRef k{key.data() + skip, static_cast<Integer>(key.size() - skip)};
    const TvomValueRef v{value.data() + skip, static_cast<Integer>(value.size() - skip)};
    bool compared_full = true, matched_full = true;
    const int order = CompareFieldValues(k, v, type, options, collation, compared_full);
    const TvomValueMatcher matcher(k, type, options, collation);
    EXPECT_EQ(matcher.Matches(v, matched_full), order == 0) << int(type) << " " << int(options);
    EXPECT_EQ(matched_full, compared_full);
  };
  for (LCID locale : {LCID{0x0409}, LCID{0x041F}}) {
    collation.SetLocale(locale);
    for (Byte options : optionSets)
      for (const std::string& a : texts)
        for (const std::string& b : texts) {
          expectSame(Text(a), Text(b, 30), ftString, options);
          expectSame(Text(a, 8), Text(b, 8), ftFixedChar, options);
          expectSame(Wide(Utf8ToUtf16(a)), Wide(Utf8ToUtf16(b)), ftWideString, options);
        }
  }
  expectSame(Of<Integer>(4), Of<Integer>(4), ftInteger, 0);
  expectSame(Of<Integer>(4), Of<Integer>(5), ftInteger, mtifoPartial);
  expectSame(Of<double>(0.5), Of<double>(0.5), ftFloat, mtifoDescending);
}

TEST_F(ValueCompareTest, MatcherNeedsTheLocaleOnlyForCollatedText) {
  collation.SetLocale(0x04FE);
  const Bytes key = Text("a"), value = Text("a");
  const TvomValueMatcher matcher({key.data(), 2}, ftString, 0, collation);  // made without failing
  bool full = true;
  EXPECT_THROW(matcher.Matches({value.data(), 2}, full), EMemTableInvalidLocale);
  const TvomValueMatcher ordinal({key.data(), 2}, ftString, mtifoIgnoreLocale, collation);
  EXPECT_TRUE(ordinal.Matches({value.data(), 2}, full));
}

class RecordCompareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.store().SetPerformance(mtpfBalanced);
    t.AddField("A", ftInteger);
    t.AddField("B", ftInteger);
    t.AddField("S", ftString, 10);
    t.AddField("L", ftString, 30);
    t.Open();
    key = t.NewRecord();
    rec = t.NewRecord();
  }
  void TearDown() override {
    t.store().FreeRecord(key, true, false);
    t.store().FreeRecord(rec, true, false);
  }
  Integer Compare(const std::vector<String>& names, Byte options, Integer rule,
                  bool ignoreNulls = false, bool partial = false, Integer limit = 0) {
    return t.store().CompareRecords(*t.List(names, options), limit, key, rec, ignoreNulls, partial,
                                    rule);
  }
  TestTable t;
  TvomRecord* key = nullptr;
  TvomRecord* rec = nullptr;
};

TEST_F(RecordCompareTest, StopRules) {
  t.SetValue<Integer>(key, "A", 1);
  t.SetValue<Integer>(key, "B", 9);
  t.SetValue<Integer>(rec, "A", 2);
  t.SetValue<Integer>(rec, "B", 0);
  EXPECT_EQ(-1, Compare({"A", "B"}, 0, 0));
  EXPECT_EQ(1, Compare({"A", "B"}, mtifoDescending, 0));
  EXPECT_EQ(-1, Compare({"A", "B"}, 0, 1));
  EXPECT_EQ(1, Compare({"A", "B"}, 0, 2));
  EXPECT_EQ(-1, Compare({"A", "B"}, 0, 3));
  EXPECT_EQ(1, Compare({"A", "B"}, 0, 4));
  EXPECT_EQ(1, Compare({"A", "B"}, 0, 5));  // no stop: the last field decides
  // Rules 1 to 4 compare ascending whatever the list says.
  EXPECT_EQ(-1, Compare({"A", "B"}, mtifoDescending, 1));
  EXPECT_EQ(-1, Compare({"A", "B"}, 0, 5, false, false, 1));  // count limit
}

TEST_F(RecordCompareTest, NullsSortFirstOrAreIgnored) {
  t.SetNull(key, "A");
  t.SetValue<Integer>(rec, "A", 5);
  t.SetValue<Integer>(key, "B", 1);
  t.SetValue<Integer>(rec, "B", 2);
  EXPECT_EQ(-1, Compare({"A"}, 0, 0));
  EXPECT_EQ(1, Compare({"A"}, mtifoDescending, 0));
  EXPECT_EQ(-1, Compare({"A", "B"}, 0, 0, true));  // A skipped: B decides
  EXPECT_EQ(0, Compare({"A"}, mtifoIgnoreNull, 0));
  t.SetNull(rec, "A");
  EXPECT_EQ(0, Compare({"A"}, 0, 0));
  t.SetValue<Integer>(key, "A", 5);
  EXPECT_EQ(1, Compare({"A"}, 0, 0));
  EXPECT_EQ(-1, Compare({"A"}, mtifoDescending, 0));
}

TEST_F(RecordCompareTest, PartialMatchEndsTheComparison) {
  t.SetText(key, "S", "ab");
  t.SetText(rec, "S", "abc");
  t.SetValue<Integer>(key, "A", 1);
  t.SetValue<Integer>(rec, "A", 2);
  EXPECT_EQ(0, Compare({"S", "A"}, mtifoIgnoreLocale, 0, false, true));
  EXPECT_EQ(-1, Compare({"S", "A"}, mtifoIgnoreLocale, 0));
  t.SetText(rec, "S", "ab");
  EXPECT_EQ(-1, Compare({"S", "A"}, mtifoIgnoreLocale, 0, false, true));
}

TEST_F(RecordCompareTest, IndirectValuesCompareLikeFixedOnes) {
  t.SetText(key, "L", "apple");
  t.SetText(rec, "L", "banana");
  EXPECT_EQ(-1, Compare({"L"}, 0, 0));
  t.SetText(rec, "L", "apple pie");
  EXPECT_EQ(0, Compare({"L"}, mtifoPartial, 0));
  EXPECT_EQ(-1, Compare({"L"}, 0, 0));
}

TEST_F(RecordCompareTest, CompareHookReplacesTheBuiltInComparison) {
  t.SetValue<Integer>(key, "A", 1);
  t.SetValue<Integer>(rec, "A", 2);
  std::vector<Integer> seen;
  t.on_compare_fields = [&](TField* f, const void* k, const void* v, TFieldType type, Byte options,
                            bool&, Integer& result) {
    EXPECT_EQ(t.Field("A"), f);
    EXPECT_EQ(ftInteger, type);
    EXPECT_EQ(Byte{mtifoDescending}, options);
    seen.push_back(ReadValue<Integer>(k));
    seen.push_back(ReadValue<Integer>(v));
    result = 7;
  };
  EXPECT_EQ(7, Compare({"A"}, mtifoDescending, 0));
  EXPECT_EQ((std::vector<Integer>{1, 2}), seen);
}

TEST(CompressedCompareTest, DecompressHookSuppliesTheValue) {
  TestTable t;
  t.store().SetPerformance(mtpfSmall);
  t.AddField("L", ftString, 30);
  t.Open();
  TvomRecord* key = t.NewRecord();
  TvomRecord* rec = t.NewRecord();
  t.SetText(key, "L", "ab");
  t.SetText(rec, "L", "zz");  // stored form; the hook turns it into "aa"
  auto list = t.List({"L"});
  EXPECT_EQ(-1, t.store().CompareRecords(*list, 0, key, rec, false, false, 0));
  t.on_decompress = [](TField*, const Byte* data, Integer size, std::vector<Byte>& out) {
    for (Integer i = 0; i < size; ++i) out.push_back(data[i] == 'z' ? 'a' : data[i]);
  };
  EXPECT_EQ(1, t.store().CompareRecords(*list, 0, key, rec, false, false, 0));
  t.store().FreeRecord(key, true, false);
  t.store().FreeRecord(rec, true, false);
}

// A record buffer read from the store keeps no copy of its indirect values;
// comparing it reads them from the stored record with the same serial.
class BufferValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.store().SetPerformance(mtpfBalanced);
    t.AddField("L", ftString, 30);
    t.Open();
    key = t.NewRecord();
    t.SetText(key, "L", "m");
  }
  void TearDown() override { t.store().FreeRecord(key, true, false); }
  Integer CompareWith(const TvomRecord* record) {
    return t.store().CompareRecords(*t.List({"L"}), 0, key, record, false, false, 0);
  }
  TestTable t;
  TvomRecord* key = nullptr;
};

TEST_F(BufferValueTest, ReadsTheStoredRecordAfterItsSlotMoved) {
  TvomRecord* gone = t.InsertText("L", "gone");
  TvomRecord* a = t.InsertText("L", "zebra");
  TvomRecord* buffer = t.store().CopyRecord(a, false);
  t.store().DeleteRecord(gone);
  t.store().PackRecords();  // a moves to slot 0
  EXPECT_EQ(-1, CompareWith(buffer));
  t.store().FreeRecord(buffer, true, false);
}

TEST_F(BufferValueTest, RefusesWhenTheStoredRecordHasGoneAndItsSlotIsReused) {
  TvomRecord* a = t.InsertText("L", "zebra");
  TvomRecord* buffer = t.store().CopyRecord(a, false);
  t.store().DeleteRecord(a);
  t.InsertText("L", "apple");  // takes the freed slot
  try {
    CompareWith(buffer);
    FAIL();
  } catch (const EMemTableInvalidRecord& e) {
    EXPECT_EQ("Invalid record ", e.Message());
  }
  t.store().FreeRecord(buffer, true, false);
}

TEST_F(BufferValueTest, RefusesARecordThatWasNeverStored) {
  TvomRecord* loose = t.NewRecord();
  loose->Data[t.store().FieldOffset(1)] = kvomNotNull;
  EXPECT_THROW(CompareWith(loose), EMemTableInvalidRecord);
  t.store().FreeRecord(loose, true, false);
}

}  // namespace
