// tests/oracle/PatternMatchTest.cpp
#include "oracle/PatternMatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using OracleFilter::MatchPattern;

namespace {

// The rule as first written: characters compared from the first; after a
// star the rest of the pattern is tried at every remaining character of the
// text; a star that ends the pattern takes whatever remains.
bool Backtracking(const char* text, const char* pattern) {
  for (;; ++text, ++pattern) {
    if (*pattern == '*') {
      if (pattern[1] == '\0') return true;
      for (; *text; ++text)
        if (Backtracking(text, pattern + 1)) return true;
      return false;
    }
    if (*pattern == '\0' || *text == '\0') return *pattern == *text;
    if (*pattern != '?' && *pattern != *text) return false;
  }
}

void ForEachWord(const std::string& alphabet, std::size_t max_length,
                 const std::function<void(const std::string&)>& visit) {
  std::function<void(std::string)> grow = [&](std::string word) {
    visit(word);
    if (word.size() == max_length) return;
    for (char c : alphabet) grow(word + c);
  };
  grow("");
}

}  // namespace

TEST(PatternMatch, ExamplesOfTheRule) {
  EXPECT_TRUE(MatchPattern("ABC", "A?C"));
  EXPECT_FALSE(MatchPattern("ABCD", "A?C"));
  EXPECT_TRUE(MatchPattern("A", "A*"));
  EXPECT_TRUE(MatchPattern("ABC", "A*"));
  EXPECT_TRUE(MatchPattern("ABC", "*C"));
  EXPECT_FALSE(MatchPattern("ABD", "*C"));
  EXPECT_TRUE(MatchPattern("SMITH", "SM*"));
  EXPECT_FALSE(MatchPattern("smith", "SM*"));  // case as given
  EXPECT_TRUE(MatchPattern("", "*"));
  EXPECT_TRUE(MatchPattern("", ""));
  EXPECT_FALSE(MatchPattern("", "?"));
}

TEST(PatternMatch, TrailingStarRunNeedsOneCharacter) {
  EXPECT_FALSE(MatchPattern("A", "A**"));
  EXPECT_TRUE(MatchPattern("AB", "A**"));
  EXPECT_FALSE(MatchPattern("", "**"));
  EXPECT_TRUE(MatchPattern("AB", "A**B"));
}

TEST(PatternMatch, AgreesWithBacktrackingOnEverySmallCase) {
  int cases = 0;
  ForEachWord("ab*?", 6, [&](const std::string& pattern) {
    ForEachWord("ab", 6, [&](const std::string& text) {
      ++cases;
      ASSERT_EQ(Backtracking(text.c_str(), pattern.c_str()), MatchPattern(text, pattern))
          << "text '" << text << "' pattern '" << pattern << "'";
    });
  });
  EXPECT_GT(cases, 500000);
}

TEST(PatternMatch, UnicodeCharactersAreOneCharacterEach) {
  EXPECT_TRUE(MatchPattern("Åsa", "?sa"));
  EXPECT_TRUE(MatchPattern("東京", "??"));
  EXPECT_FALSE(MatchPattern("東京", "???"));
  EXPECT_TRUE(MatchPattern("a東b", "a*b"));
  // A byte that is not UTF-8 is a character matching only itself.
  EXPECT_TRUE(MatchPattern("x\xff", "x?"));
  EXPECT_TRUE(MatchPattern("x\xff", "x\xff"));
  EXPECT_FALSE(MatchPattern("x\xfe", "x\xff"));
  EXPECT_FALSE(MatchPattern("x\xef\xbf\xbd", "x\xff"));  // U+FFFD is not the bad byte
}

TEST(PatternMatch, PiecesLongerThanOneWord) {
  const std::string piece(70, 'a');
  const std::string text = std::string(200, 'a') + "b" + piece + "c";
  EXPECT_TRUE(MatchPattern(text, "*b" + piece + "c"));
  EXPECT_TRUE(MatchPattern(text, "*" + piece + "?" + piece.substr(1) + "*"));
  EXPECT_FALSE(MatchPattern(text, "*b" + piece + "a*"));
  std::string with_wildcards = piece;
  with_wildcards[65] = '?';
  EXPECT_TRUE(MatchPattern(text, "*b" + with_wildcards + "c"));
}

TEST(PatternMatch, HostilePatternsAnswerWithoutBacktracking) {
  // Backtracking takes time exponential in the stars here; the answer must
  // come as for any other pattern.
  const std::string text(20000, 'a');
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += "*a";
  EXPECT_FALSE(MatchPattern(text, pattern + "*b"));
  EXPECT_TRUE(MatchPattern(text, pattern + "*"));
  EXPECT_FALSE(MatchPattern(text + "c", pattern + "?b"));
}
