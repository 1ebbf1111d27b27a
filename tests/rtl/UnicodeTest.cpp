#include "platform/rtl/Unicode.h"

#include <gtest/gtest.h>

TEST(Utf8Validity, AcceptsShortestFormsUpToTheLastCodePoint) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii text, long enough for the fast path"));
  EXPECT_TRUE(IsValidUtf8("Zo\xC3\xAB \xE2\x82\xAC \xF0\x9D\x84\x9E"));  // Zoë € 𝄞
  EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));                          // U+10FFFF
}

TEST(Utf8Validity, RejectsOverlongsSurrogatesAndTruncation) {
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(IsValidUtf8("\xE0\x9F\xBF"));      // overlong 3-byte
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate U+D800
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("abcdefgh\xE2\x82"));  // cut short after the fast path
  EXPECT_FALSE(IsValidUtf8("caf\xE9"));           // Latin-1 text
}

TEST(Utf8Decoding, EachBadByteIsOneReplacementCharacter) {
  const std::string_view text =
      "a\xE2\x82"
      "b\xFF";
  std::size_t pos = 0;
  std::vector<char32_t> seen;
  while (pos < text.size()) seen.push_back(NextCodePoint(text, pos));
  EXPECT_EQ(seen, (std::vector<char32_t>{'a', 0xFFFD, 0xFFFD, 'b', 0xFFFD}));
}

TEST(Utf16Conversion, RoundTripsValidText) {
  const String text = "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9D\x84\x9E";
  const WideString wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, u"Zo\u00EB \u20AC \U0001D11E");
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Utf16Conversion, BadBytesAndLoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("caf\xE9!"), u"caf\uFFFD!");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9D\x84"), u"\uFFFD\uFFFD\uFFFD");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00};
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone, 4)),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(Utf8Sanitizing, ReplacesOnlyTheBadBytes) {
  EXPECT_EQ(SanitizeUtf8("ok \xC3\xA4 \xE4!"), "ok \xC3\xA4 \xEF\xBF\xBD!");
  String out;
  AppendUtf8(out, 0xD800);
  EXPECT_EQ(out, "\xEF\xBF\xBD");
}

TEST(CaseFolding, FoldsAsciiAndOtherScripts) {
  EXPECT_EQ(FoldCaseSimple('A'), U'a');
  EXPECT_EQ(FoldCaseSimple('['), U'[');
  EXPECT_EQ(FoldCaseSimple(U'\u00C4'), U'\u00E4');  // Ä
  EXPECT_EQ(FoldCaseSimple(U'\u0416'), U'\u0436');  // Ж
}

TEST(Utf8Cutting, NeverLeavesABrokenCharacterBehind) {
  EXPECT_EQ(CutUtf8("abc", 5), "abc");
  EXPECT_EQ(CutUtf8("a\xC3\xA9z", 2), "a");  // "é" would be split
  EXPECT_EQ(CutUtf8("a\xC3\xA9z", 3), "a\xC3\xA9");
  EXPECT_EQ(CutUtf8("\xF0\x9F\x98\x80", 3), "");  // a four-byte character that doesn't fit
  EXPECT_EQ(CutUtf8("a\xFF"
                    "b",
                    2),
            "a\xFF");  // a bad byte counts as one character
}
