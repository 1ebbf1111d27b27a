#include "platform/rtl/Locale.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/rtl/ScopedEnv.h"

namespace {

constexpr LCID kGerman = 0x0407;
constexpr LCID kSwedish = 0x041D;

int Compare(LCID locale, std::string_view a, std::string_view b, bool ignore_case = false) {
  const TLocaleCollator* collator = CollatorForLocale(locale, ignore_case);
  EXPECT_NE(collator, nullptr);
  return collator ? LocaleCompare(*collator, a.data(), a.size(), b.data(), b.size()) : 0;
}

}  // namespace

TEST(LocaleCollation, OrderFollowsTheLanguage) {
  // German files a-umlaut with a; Swedish puts it after z.
  EXPECT_LT(Compare(kGerman, "\xC3\xA4", "z"), 0);
  EXPECT_GT(Compare(kSwedish, "\xC3\xA4", "z"), 0);
  EXPECT_LT(Compare(kSwedish, "\xC3\xA5", "\xC3\xA4"), 0);  // å before ä
}

TEST(LocaleCollation, IgnoringCaseKeepsAccentsApart) {
  EXPECT_EQ(Compare(kGerman,
                    "Stra\xC3\x9F"
                    "e",
                    "STRASSE", true),
            0);
  EXPECT_NE(Compare(kGerman,
                    "Stra\xC3\x9F"
                    "e",
                    "STRASSE", false),
            0);
  EXPECT_EQ(Compare(kSwedish,
                    "Stra\xC3\x9F"
                    "e",
                    "Strasse", false),
            0);  // sharp s is ss, as on Windows
  EXPECT_EQ(Compare(kSwedish, "\xC3\x84rlig", "\xC3\xA4RLIG", true), 0);
  EXPECT_NE(Compare(kSwedish, "arlig", "\xC3\xA4rlig", true), 0);
}

TEST(LocaleCollation, BadBytesCompareAsReplacementCharacters) {
  // Two bad bytes are two U+FFFD, not one.
  EXPECT_EQ(Compare(kGerman, "x\xE2\x82", "x\xEF\xBF\xBD\xEF\xBF\xBD"), 0);
  EXPECT_NE(Compare(kGerman, "x\xE2\x82", "x\xEF\xBF\xBD"), 0);
  EXPECT_EQ(Compare(kGerman, "caf\xE9", "caf\xFC"), 0);
}

TEST(LocaleCollation, WideTextComparesLikeUtf8) {
  const TLocaleCollator* swedish = CollatorForLocale(kSwedish, false);
  ASSERT_NE(swedish, nullptr);
  const std::u16string_view a = u"\u00E4", z = u"z";
  EXPECT_GT(LocaleCompareW(*swedish, a.data(), a.size(), z.data(), z.size()), 0);
}

TEST(LocaleResolution, KnownAndFallbackIdentifiers) {
  String name;
  ASSERT_TRUE(IcuLocaleName(0x0809, name));
  EXPECT_EQ(name, "en_GB");
  ASSERT_TRUE(IcuLocaleName(0x1407, name));  // an unlisted German sublanguage
  EXPECT_EQ(name, "de");
  ASSERT_TRUE(IcuLocaleName(0x0007, name));
  EXPECT_EQ(name, "de");
  ASSERT_TRUE(IcuLocaleName(LOCALE_INVARIANT, name));
  EXPECT_EQ(name, "root");
}

TEST(LocaleResolution, UnknownIdentifiersAreInvalid) {
  String name = "unchanged";
  EXPECT_FALSE(IcuLocaleName(0x00FF, name));
  EXPECT_EQ(name, "unchanged");
  EXPECT_EQ(CollatorForLocale(0x00FF, false), nullptr);
  EXPECT_EQ(CollatorForLocale(0x10407, false), nullptr);  // a sort we do not know
  EXPECT_EQ(CollatorForLocale(0x0C00, true), nullptr);
}

TEST(LocaleResolution, ProcessLocaleComesFromTheEnvironment) {
  ScopedEnv env;
  env.Set("LANG", "sv_SE.UTF-8").Set("LC_ALL", nullptr).Set("LC_COLLATE", nullptr);
  for (LCID id : {LOCALE_NEUTRAL, LOCALE_SYSTEM_DEFAULT, LOCALE_USER_DEFAULT})
    EXPECT_EQ(CollatorForLocale(id, false)->LocaleName(), "sv_SE");
  env.Set("LC_COLLATE", "de_DE.UTF-8@euro");
  EXPECT_EQ(ProcessCollationLocale(), "de_DE");
  env.Set("LC_ALL", "POSIX");
  EXPECT_EQ(CollatorForLocale(LOCALE_USER_DEFAULT, true)->LocaleName(), "root");
  env.Set("LC_ALL", "C.UTF-8");
  EXPECT_EQ(ProcessCollationLocale(), "root");
}

TEST(LocaleCollatorCache, HandsOutOneCollatorPerLocaleAndStrength) {
  const TLocaleCollator* first = CollatorForLocale(kGerman, true);
  EXPECT_EQ(CollatorForLocale(kGerman, true), first);
  EXPECT_NE(CollatorForLocale(kGerman, false), first);
  EXPECT_TRUE(first->IgnoreCase());

  std::vector<const TLocaleCollator*> seen(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = CollatorForLocale(0x0415, i % 2 == 0); });
  for (auto& t : threads) t.join();
  for (std::size_t i = 2; i < seen.size(); ++i) EXPECT_EQ(seen[i], seen[i % 2]);
}

TEST(CompareStringCalls, ReturnWindowsResults) {
  EXPECT_EQ(CompareStringA(kGerman, 0, "a", -1, "b", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringA(kGerman, NORM_IGNORECASE, "ABC", -1, "abc", -1), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(kSwedish, 0, "\xC3\xB6", -1, "z", -1), CSTR_GREATER_THAN);
  // Counts limit the texts; -1 runs to the NUL.
  EXPECT_EQ(CompareStringA(kGerman, 0, "abc", 2, "ab", -1), CSTR_EQUAL);
  EXPECT_EQ(CompareStringW(kGerman, NORM_IGNORECASE, u"Stra\u00DFe", -1, u"STRASSE", 7),
            CSTR_EQUAL);
}

TEST(CompareStringCalls, FailWithAReason) {
  EXPECT_EQ(CompareStringA(0x00FF, 0, "a", -1, "a", -1), 0);
  EXPECT_EQ(CompareStringLastError(), kCompareInvalidParameter);
  EXPECT_EQ(CompareStringA(kGerman, 0x10, "a", -1, "a", -1), 0);
  EXPECT_EQ(CompareStringLastError(), kCompareInvalidFlags);
  EXPECT_EQ(CompareStringW(kGerman, 0, nullptr, 3, u"a", -1), 0);
  EXPECT_EQ(CompareStringLastError(), kCompareInvalidParameter);
}
