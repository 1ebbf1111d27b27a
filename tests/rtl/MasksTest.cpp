#include "platform/rtl/Masks.h"

#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"

TEST(MaskWildcards, StarAndQuestionMark) {
  EXPECT_TRUE(MatchesMask("photo.txt", "*.txt"));
  EXPECT_TRUE(MatchesMask("a.TXT", "*.txt"));
  EXPECT_FALSE(MatchesMask("a.txt.bak", "*.txt"));
  EXPECT_TRUE(MatchesMask("abc", "a?c"));
  EXPECT_FALSE(MatchesMask("ac", "a?c"));
  EXPECT_TRUE(MatchesMask("", "*"));
  EXPECT_TRUE(MatchesMask("", ""));
  EXPECT_FALSE(MatchesMask("a", ""));
  EXPECT_TRUE(MatchesMask("xabyab", "*ab*ab"));
  EXPECT_FALSE(MatchesMask("xabyac", "*ab*ab"));
  EXPECT_TRUE(MatchesMask("aaa", "a**a"));
}

TEST(MaskWildcards, StarDotStarNeedsADot) {
  EXPECT_FALSE(MatchesMask("README", "*.*"));
  EXPECT_TRUE(MatchesMask("README.", "*.*"));
}

TEST(MaskSets, RangesAndNegation) {
  EXPECT_TRUE(MatchesMask("Banana", "[a-c]*"));
  EXPECT_FALSE(MatchesMask("Danube", "[a-c]*"));
  EXPECT_TRUE(MatchesMask("Danube", "[!a-c]*"));
  EXPECT_FALSE(MatchesMask("banana", "[!A-C]*"));
  EXPECT_TRUE(MatchesMask("x-1", "x[-+]1"));
  EXPECT_TRUE(MatchesMask("x-1", "x[+-]1"));
  EXPECT_TRUE(MatchesMask("f7", "f[0-9]"));
  EXPECT_FALSE(MatchesMask("f", "f[0-9]"));
}

TEST(MaskCase, FoldsLettersBeyondAscii) {
  EXPECT_TRUE(MatchesMask("\xC3\x84RGER.txt", "\xC3\xA4r*"));   // ÄRGER / är*
  EXPECT_TRUE(MatchesMask("\xC3\xA4", "?"));                    // one character, two bytes
  EXPECT_TRUE(MatchesMask("\xD0\x96", "[\xD0\xB6-\xD0\xB8]"));  // Ж in ж-и
}

TEST(MaskCase, BadBytesMatchOnlyThemselves) {
  EXPECT_TRUE(MatchesMask("caf\xE9", "caf\xE9"));
  EXPECT_FALSE(MatchesMask("caf\xE9", "caf\xFC"));
  EXPECT_FALSE(MatchesMask("caf\xE9", "caf\xEF\xBF\xBD"));
  EXPECT_TRUE(MatchesMask("caf\xE9", "caf?"));
}

TEST(MaskErrors, UnclosedOrEmptySetsAreRefused) {
  EXPECT_THROW(MatchesMask("a", "[abc"), EMaskException);
  EXPECT_THROW(MatchesMask("a", "*[]"), EMaskException);
  EXPECT_THROW(TMask("[!]"), EMaskException);
  try {
    TMask mask("x[a-");
    FAIL();
  } catch (const EMaskException& e) {
    EXPECT_EQ(e.Message(), "Invalid file mask 'x[a-': the set at position 2 is not closed");
  }
}

TEST(MaskReuse, OneMaskMatchesManyNames) {
  const TMask mask("*.[ch]");
  EXPECT_TRUE(mask.Matches("main.c"));
  EXPECT_TRUE(mask.Matches("Util.H"));
  EXPECT_FALSE(mask.Matches("Util.cpp"));
}
