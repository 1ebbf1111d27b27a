// tests/rtl/LocaleEqualsTest.cpp
//
// TLocaleCollator::Equals decides plain ASCII without the collator, and
// sort keys stand in for the collator in sorts; both must always give the
// collator's own answer. Each test compares them over texts chosen to trip a
// shortcut: case, punctuation, control characters the collator ignores,
// contractions of several languages, letters whose case differs by
// language, sharp s, accents, bad UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/Locale.h"

namespace {

// Languages whose collation treats ASCII letters specially (contractions,
// case pairs, letters equal to others), the root collation, and Thai, whose
// punctuation is ignorable.
constexpr LCID kLocales[] = {
    LOCALE_INVARIANT,
    0x0409,  // English
    0x0407,  // German
    0x040E,  // Hungarian: cs, dz, dzs, gy, ly, ny, sz, ty, zs and doubled ones
    0x0406,  // Danish: aa
    0x041F,  // Turkish: dotted and dotless i
    0x0405,  // Czech: ch
    0x040A,  // Spanish, traditional: ch, ll
    0x041A,  // Croatian: lj, nj, dž
    0x041B,  // Slovak: ch
    0x040B,  // Finnish: v and w
    0x041D,  // Swedish
    0x0427,  // Lithuanian: i with accents
    0x041E,  // Thai
    0x0411,  // Japanese
};

// Texts that a table of single characters could get wrong.
const std::vector<std::string>& TrickyTexts() {
  // clang-format off
  static const std::vector<std::string> texts = {
      "", "a", "A", "b", "ab", "AB", "aB", "Ab", "abc", "ABC", "aBc",
      // punctuation, spaces and controls (some the collator ignores)
      "a b", "a-b", "a_b", "a.b", "ab.", ".ab", "a\\b", "a/b", "a\tb", "a\nb", "a\rb",
      "a\001b", "\001", "\037", "\177", "a\177b", "ab\002", "\003ab", std::string("a\0b", 3),
      // digits
      "1", "01", "10", "a1", "A1", "1A2B:3C4D:\\Photos 21\\", "1a2b:3c4d:\\photos 21\\",
      "1A2B:3C4D:\\Photos 21", "1A2B:3C4D:\\Photos 2l\\",
      // sharp s and ss
      "ss", "SS", "sS", "Ss", "s", "\xC3\x9F", "stra\303\237e", "STRASSE", "strasse", "Strasse",
      // contractions and language-specific letters
      "c", "C", "h", "cs", "cS", "Cs", "CS", "ccs", "CCS", "ch", "cH", "Ch", "CH", "ll", "Ll", "lL",
      "LL", "l", "lj", "LJ", "Lj", "lJ", "nj", "NJ", "aa", "Aa", "aA", "AA", "\xC3\xA5", "dz", "dzs",
      "DZS", "dZs", "ly", "LY", "ny", "gy", "sz", "ty", "zs", "ZS", "zS", "v", "w", "V", "W", "vw",
      "i", "I", "\xC4\xB1", "\xC4\xB0", "Istanbul", "istanbul", "ISTANBUL",
      // accents, composed and not
      "e", "E", "\xC3\xA9", "\xC3\x89", "e\xCC\x81", "E\xCC\x81", "ae", "\xC3\xA6", "a\xCC\x8A",
      "l\xC2\xB7", "L\xC2\xB7", "\xC5\x80", "l\xC2\xB7l", "ab\xCC\x81", "Ab\xCC\x81",
      // text that is not valid UTF-8
      "caf\xE9", "caf\xFC", "\xFF", "x\xE2\x82", "x\xEF\xBF\xBD", "ab\xC3",
  };
  // clang-format on
  return texts;
}

void ExpectEqualsAgreesWithCompare(const TLocaleCollator& collator, const std::string& a,
                                   const std::string& b) {
  const bool collated = collator.Compare(a, b) == 0;
  EXPECT_EQ(collator.Equals(a, b), collated)
      << collator.LocaleName() << (collator.IgnoreCase() ? " ignoring case" : "") << ": \"" << a
      << "\" vs \"" << b << "\"";
  EXPECT_EQ(collator.Equals(collator.EqualityKey(a), b), collated)
      << collator.LocaleName() << " (prepared): \"" << a << "\" vs \"" << b << "\"";
}

int Sign(int r) {
  return (r > 0) - (r < 0);
}

// Keys compared as a sort compares them: bytes, then length.
int CompareKeys(const std::vector<Byte>& a, const std::vector<Byte>& b) {
  const int r = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (r != 0) return Sign(r);
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::vector<Byte> SortKey(const TLocaleCollator& collator, const std::string& text) {
  std::vector<Byte> key = {0x55};  // the key is appended to what is there
  const std::size_t length = collator.AppendSortKey(text, key);
  EXPECT_EQ(length + 1, key.size());
  EXPECT_EQ(key[0], 0x55);
  key.erase(key.begin());
  return key;
}

// Every pair of texts orders the same by their keys as by the collator.
void ExpectKeysOrderAsCompare(const TLocaleCollator& collator,
                              const std::vector<std::string>& texts) {
  std::vector<std::vector<Byte>> keys;
  for (const std::string& text : texts) keys.push_back(SortKey(collator, text));
  for (std::size_t i = 0; i < texts.size(); ++i)
    for (std::size_t j = 0; j < texts.size(); ++j)
      EXPECT_EQ(CompareKeys(keys[i], keys[j]), Sign(collator.Compare(texts[i], texts[j])))
          << collator.LocaleName() << (collator.IgnoreCase() ? " ignoring case" : "") << ": \""
          << texts[i] << "\" vs \"" << texts[j] << "\"";
}

// Texts made of pieces that are likely to come out equal under some rule:
// case changes, ignorable controls, ss for sharp s, accents.
std::string RandomText(std::mt19937& random) {
  // clang-format off
  static const char* const kPieces[] = {
      "a", "A", "s", "S", "ss", "\xC3\x9F", "c", "C", "h", "H", "l", "L", "y", "z", "i", "I",
      "\xC4\xB1", "\001", "\177", " ", "-", ".", "\\", "1", "0", "\xC3\xA9", "e", "\xCC\x81"};
  // clang-format on
  std::string text;
  const std::size_t length = random() % 7;
  for (std::size_t i = 0; i < length; ++i) text += kPieces[random() % std::size(kPieces)];
  return text;
}

// A text that differs from `text` only by the case of some ASCII letters.
std::string FlipSomeCase(std::string text, std::mt19937& random) {
  for (char& c : text) {
    if (random() % 2 == 0) continue;
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

TEST(LocaleEquals, AgreesWithCompareOnTrickyTexts) {
  for (LCID locale : kLocales) {
    for (bool ignore_case : {true, false}) {
      const TLocaleCollator* collator = CollatorForLocale(locale, ignore_case);
      ASSERT_NE(collator, nullptr) << locale;
      for (const std::string& a : TrickyTexts())
        for (const std::string& b : TrickyTexts()) ExpectEqualsAgreesWithCompare(*collator, a, b);
    }
  }
}

TEST(LocaleEquals, AgreesWithCompareOnTextsThatDifferOnlySlightly) {
  std::mt19937 random(7);
  for (LCID locale : kLocales) {
    for (bool ignore_case : {true, false}) {
      const TLocaleCollator& collator = *CollatorForLocale(locale, ignore_case);
      for (int i = 0; i < 400; ++i) {
        const std::string a = RandomText(random);
        ExpectEqualsAgreesWithCompare(collator, a, FlipSomeCase(a, random));
        ExpectEqualsAgreesWithCompare(collator, a, a + RandomText(random));
        ExpectEqualsAgreesWithCompare(collator, a, RandomText(random));
      }
    }
  }
}

TEST(LocaleEquals, KnownAnswers) {
  const TLocaleCollator& english = *CollatorForLocale(0x0409, true);
  const TLocaleCollator& english_case = *CollatorForLocale(0x0409, false);
  EXPECT_TRUE(english.Equals("1A2B:3C4D:\\Backup 11\\", "1a2b:3c4d:\\BACKUP 11\\"));
  EXPECT_FALSE(english_case.Equals("1A2B:3C4D:\\Backup 11\\", "1a2b:3c4d:\\BACKUP 11\\"));
  EXPECT_FALSE(english.Equals("Backup 11", "Backup 11 "));
  EXPECT_FALSE(english.Equals("a-b", "ab"));
  // Control characters weigh nothing; sharp s is ss, whatever the case.
  EXPECT_TRUE(english.Equals("a\001b", "ab"));
  EXPECT_TRUE(english_case.Equals("a\001b", "ab"));
  EXPECT_TRUE(english.Equals("Stra\303\237e", "STRASSE"));
  EXPECT_TRUE(english_case.Equals("Stra\303\237e", "Strasse"));
  EXPECT_TRUE(english.Equals("", ""));
  EXPECT_TRUE(english.Equals("", "\x01"));
  EXPECT_FALSE(english.Equals("", "a"));
  // Turkish pairs I with dotless i, not with i.
  EXPECT_TRUE(english.Equals("I", "i"));
  EXPECT_FALSE(CollatorForLocale(0x041F, true)->Equals("I", "i"));
  // Hungarian "cs" is one letter in any case, but "cS" is two.
  const TLocaleCollator& hungarian = *CollatorForLocale(0x040E, true);
  EXPECT_TRUE(hungarian.Equals("cs", "CS"));
  EXPECT_FALSE(hungarian.Equals("cs", "cS"));
}

TEST(LocaleEquals, OneKeyServesManyTexts) {
  const TLocaleCollator& german = *CollatorForLocale(0x0407, true);
  const std::string text = "Stra\303\237e";
  const TLocaleCollator::TEqualityKey key = german.EqualityKey(text);
  EXPECT_EQ(key.Text(), text);
  EXPECT_TRUE(german.Equals(key, "strasse"));
  EXPECT_TRUE(german.Equals(key, "STRA\303\237E"));
  EXPECT_FALSE(german.Equals(key, "Strase"));
  const TLocaleCollator::TEqualityKey plain = german.EqualityKey("Backup");
  EXPECT_TRUE(german.Equals(plain, "BACKUP"));
  EXPECT_FALSE(german.Equals(plain, "Backups"));
  EXPECT_FALSE(german.Equals(plain, "B\303\244ckup"));
}

TEST(LocaleSortKeys, OrderAsCompareOnTrickyTexts) {
  std::mt19937 random(5);
  for (LCID locale : kLocales) {
    for (bool ignore_case : {true, false}) {
      const TLocaleCollator& collator = *CollatorForLocale(locale, ignore_case);
      ExpectKeysOrderAsCompare(collator, TrickyTexts());
      std::vector<std::string> texts;
      for (int i = 0; i < 60; ++i) {
        const std::string a = RandomText(random);
        texts.push_back(a);
        texts.push_back(FlipSomeCase(a, random));
      }
      ExpectKeysOrderAsCompare(collator, texts);
    }
  }
}

TEST(LocaleSortKeys, LongTextsAndBadBytes) {
  const TLocaleCollator& german = *CollatorForLocale(0x0407, true);
  // Keys longer than one part of the making, and bad bytes past the length
  // that is mended on the stack.
  const std::string long_text(700, 'x');
  std::string bad = long_text;
  bad[350] = '\xE2';
  std::string replaced = long_text;
  replaced.replace(350, 1, "\xEF\xBF\xBD");
  std::string accented = long_text;
  accented.replace(350, 1, "\xC3\xA9");
  ExpectKeysOrderAsCompare(german,
                           {long_text, bad, replaced, accented, long_text + "\xFF", "x", ""});
  EXPECT_EQ(german.Compare(bad, replaced), 0);
  EXPECT_NE(german.Compare(bad, long_text), 0);
  EXPECT_EQ(SortKey(german, bad), SortKey(german, replaced));
  // Sharp s is ss in keys as in comparisons.
  EXPECT_EQ(SortKey(german, "Stra\303\237e"), SortKey(german, "STRASSE"));
}
