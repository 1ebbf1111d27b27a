// tests/memtable/LocateWalkTest.cpp
//
// A search without an index walks the records with the key read once and
// plain ASCII text tested without the collator. It must find what the
// general walk of the table's indexes finds (which runs when the table
// recalculates records for its indexes): each test compares the two over
// texts of every kind, nulls, partial and case-insensitive keys, several
// key fields, wide strings, hooks and locales.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemTableTestHelpers.h"

namespace {

const std::vector<String>& SampleTexts() {
  // clang-format off
  static const std::vector<String> texts = {
      "Backup", "BACKUP", "backup", "Backup 11", "Backup 11\\", "Back", "B", "b", "",
      "1A2B:3C4D:\\Photos 21\\", "1a2b:3c4d:\\photos 21\\", "1A2B:3C4D:\\Photos 21\\Music 5\\",
      "a-b", "ab", "a b", "a\001b", "a\tb", "\177",
      "Stra\303\237e", "STRASSE", "strasse", "Strase", "ss", "\303\237",
      "I", "i", "\xC4\xB1", "\xC4\xB0", "cs", "CS", "cS", "ch", "CH", "aa", "AA", "aA",
      "caf\xC3\xA9", "CAF\xC3\x89", "cafe\xCC\x81", "caf\xE9", "\xFF", "l\xC2\xB7l"};
  // clang-format on
  return texts;
}

// Keys to look for: every text, changed in case, cut short, and some that
// are in no record.
std::vector<String> Keys() {
  std::vector<String> keys = SampleTexts();
  for (const String& text : SampleTexts()) {
    String upper = text, lower = text;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    keys.push_back(upper);
    keys.push_back(lower);
    if (text.size() > 2) keys.push_back(text.substr(0, 2));
  }
  keys.push_back("nowhere");
  keys.push_back("Backup 11\\x");
  return keys;
}

const TLocateOptions kOptionSets[] = {
    {}, {loCaseInsensitive}, {loPartialKey}, {loCaseInsensitive, loPartialKey}};

// "Id", "Name" (kept apart from the record), "Code" (kept in the record),
// "Wide" (UTF-16) and "Tag", a row per text and more than 20 rows, with
// nulls in between.
std::unique_ptr<TvomMemTable> TextTable(TvomPerformance performance = mtpfBalanced,
                                        Integer locale = 0) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  table->FieldDefs()->Add("Id", ftInteger);
  table->FieldDefs()->Add("Name", ftString, 40);
  table->FieldDefs()->Add("Code", ftString, 12);
  table->FieldDefs()->Add("Wide", ftWideString, 40);
  table->FieldDefs()->Add("Tag", ftFixedChar, 8);
  table->SetPerformance(performance);
  if (locale != 0) table->SetLocaleID(locale);
  table->Open();
  Integer id = 0;
  for (const String& text : SampleTexts()) {
    const Variant value = text;
    const Variant maybeNull = id % 7 == 3 ? Variant() : value;
    table->AppendRecord(
        {id, value, String(text.substr(0, 12)), maybeNull, String(text.substr(0, 8))});
    ++id;
    if (id % 5 == 0) table->AppendRecord({id++, Variant(), Variant(), Variant(), Variant()});
  }
  return table;
}

// The position found by the walk and by the general search.
struct Found {
  Integer walk;
  Integer general;
};

Found FindBoth(TvomMemTable& table, const String& fields, const Variant& key,
               TLocateOptions options) {
  table.SetRecalcOnIndex(false);
  const Integer walk = table.LocateRecord(fields, key, options);
  table.SetRecalcOnIndex(true);
  const Integer general = table.LocateRecord(fields, key, options);
  table.SetRecalcOnIndex(false);
  return {walk, general};
}

// Every key under every option set, in each field of `fields`.
void ExpectSameForAllKeys(TvomMemTable& table, const std::vector<String>& fields) {
  for (const String& field : fields)
    for (const String& key : Keys())
      for (TLocateOptions options : kOptionSets) {
        const Found found = FindBoth(table, field, key, options);
        EXPECT_EQ(found.walk, found.general) << field << " = \"" << key << "\"";
      }
}

}  // namespace

TEST(MemTableLocateWalk, FindsWhatTheGeneralSearchFinds) {
  auto table = TextTable();
  ExpectSameForAllKeys(*table, {"Name", "Code", "Wide", "Tag"});
  // Some answers, so that both cannot be wrong alike.
  auto nameFound = [&](const String& key, TLocateOptions options) {
    return table->Locate("Name", key, options) ? table->FieldByName("Name")->AsString()
                                               : String("-");
  };
  EXPECT_EQ(nameFound("STRASSE", {loCaseInsensitive}), "Stra\303\237e");
  EXPECT_EQ(nameFound("backup", {loCaseInsensitive}), "Backup");
  EXPECT_EQ(nameFound("1a2b:3c4d:\\photos", {loCaseInsensitive, loPartialKey}),
            "1A2B:3C4D:\\Photos 21\\");
  EXPECT_EQ(nameFound("ab", {}), "ab");
  // The control character weighs nothing.
  EXPECT_EQ(nameFound("a\001b", {}), "ab");
  EXPECT_EQ(nameFound("BACKUP 11\\", {loCaseInsensitive, loPartialKey}), "Backup 11\\");
  EXPECT_EQ(nameFound("Backup 11\\x", {loPartialKey}), "-");
}

TEST(MemTableLocateWalk, NullKeysAndIgnoredNullKeys) {
  auto table = TextTable();
  for (TLocateOptions options : kOptionSets) {
    const Found nulls = FindBoth(*table, "Wide", Variant(), options);
    EXPECT_EQ(nulls.walk, nulls.general);
    EXPECT_EQ(nulls.walk, 3);
    // With N the null key is left out, so the other field decides.
    const Found ignored = FindBoth(*table, "Wide:N;Id", VarArrayOf({Variant(), 9}), options);
    EXPECT_EQ(ignored.walk, ignored.general);
    EXPECT_EQ(ignored.walk, 9);
  }
}

TEST(MemTableLocateWalk, SeveralKeyFieldsAndFieldOptions) {
  auto table = TextTable();
  for (const String& key : Keys())
    for (TLocateOptions options : kOptionSets)
      for (const String& fields : {String("Name;Code"), String("Code;Name:L"), String("Name:C;Id"),
                                   String("Tag;Wide"), String("Name:D")}) {
        const Variant values = fields == "Name:C;Id" ? VarArrayOf({key, 21})
                               : fields == "Name:D"  ? Variant(key)
                                                     : VarArrayOf({key, key});
        const Found found = FindBoth(*table, fields, values, options);
        EXPECT_EQ(found.walk, found.general) << fields << " = \"" << key << "\"";
      }
}

TEST(MemTableLocateWalk, TheCurrentIndexRulesApply) {
  // The current order's case rule reaches the key fields, as in any search.
  auto table = TextTable();
  table->AddIndex("ByCode", "Code", {ixCaseInsensitive});
  table->SetIndexName("ByCode");
  ExpectSameForAllKeys(*table, {"Name", "Tag"});
  EXPECT_GE(FindBoth(*table, "Name", "backup", {}).walk, 0);
}

TEST(MemTableLocateWalk, TheCompareHookDecides) {
  auto table = TextTable();
  int calls = 0;
  // Equal when the first bytes are equal.
  table->OnCompareFields = [&](TDataSet*, TField*, const void* key, const void* value,
                               TFieldType type, Byte, bool&, Integer& result) {
    ++calls;
    if (type != ftString) return;
    result = *static_cast<const Byte*>(key) - *static_cast<const Byte*>(value);
  };
  const Found found = FindBoth(*table, "Name", "Bzzz", {});
  EXPECT_EQ(found.walk, 0);
  EXPECT_EQ(found.general, 0);
  EXPECT_EQ(calls, 2);
  ExpectSameForAllKeys(*table, {"Name", "Wide"});
}

TEST(MemTableLocateWalk, CompressedValues) {
  // A small table stores texts compressed, here by hooks that scramble
  // them; only the general comparison reads them back.
  auto table = std::make_unique<TvomMemTable>(nullptr);
  auto scramble = [](TDataSet*, TField*, const Byte* buffer, Integer& size,
                     std::vector<Byte>& result) {
    result.assign(buffer, buffer + size);
    for (Byte& b : result) b ^= 0x55;
  };
  table->OnCompressField = scramble;
  table->OnDecompressField = scramble;
  table->FieldDefs()->Add("Name", ftString, 40);
  table->FieldDefs()->Add("Wide", ftWideString, 40);
  table->SetPerformance(mtpfSmall);
  table->Open();
  for (const String& text : SampleTexts()) table->AppendRecord({text, text});
  ExpectSameForAllKeys(*table, {"Name", "Wide"});
  ASSERT_TRUE(table->Locate("Name", "strasse", {loCaseInsensitive}));
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Stra\303\237e");
}

TEST(MemTableLocateWalk, LanguagesWithTheirOwnLetters) {
  for (Integer locale : {0x040E /* Hungarian */, 0x041F /* Turkish */, 0x0406 /* Danish */}) {
    auto table = TextTable(mtpfBalanced, locale);
    ExpectSameForAllKeys(*table, {"Name", "Code"});
  }
}

TEST(MemTableLocateWalk, AnInvalidLocaleFailsAsBefore) {
  auto table = TextTable(mtpfBalanced, 0x00FF);
  EXPECT_THROW(table->LocateRecord("Name", "x", {}), EMemTableInvalidLocale);
  table->SetRecalcOnIndex(true);
  EXPECT_THROW(table->LocateRecord("Name", "x", {}), EMemTableInvalidLocale);
  // Without any record to compare, nothing needs the locale.
  table->SetRecalcOnIndex(false);
  table->EmptyTable();
  EXPECT_EQ(table->LocateRecord("Name", "x", {}), -1);
}

TEST(MemTableLocateWalk, AFittingIndexIsSearchedInstead) {
  // Walking the current order (highest Id first) would find the last of the
  // equal names; an ordered index on the names finds the first added.
  auto table = NewPeopleTable();
  table->Open();
  for (Integer id = 0; id < 30; ++id) table->AppendRecord({id, id % 3 == 0 ? "Same" : "Other"});
  table->IndexDefs()->Add("ByIdDesc", "Id", {ixDescending})->SetDescFields("Id");
  table->IndexDefs()->Add("ByName", "Name", {});
  table->UpdateIndexes();
  table->SetIndexName("ByIdDesc");
  ASSERT_TRUE(table->Locate("Name", "Same", {}));
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 0);
  // With an index on other fields only, the current order is walked.
  table->IndexDefs()->Clear();
  table->IndexDefs()->Add("ByIdDesc", "Id", {ixDescending})->SetDescFields("Id");
  table->UpdateIndexes();
  table->SetIndexName("ByIdDesc");
  ASSERT_TRUE(table->Locate("Name", "Same", {}));
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 27);
}
