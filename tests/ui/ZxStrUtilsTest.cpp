// tests/ui/ZxStrUtilsTest.cpp
#include <gtest/gtest.h>

#include "platform/controls/Application.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/win/Cursor.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"
#include "ui/DateUtil.h"
#include "ui/ZxCursors.h"
#include "ui/ZxStrUtils.h"

namespace {

using namespace ZxStrUtils;

TEST(ZxStrUtilsWords, CountPositionAndExtractBetweenDelimiters) {
  const TCharSet comma = CharSet(",");
  const String s = ",a,,b,";
  EXPECT_EQ(WordCount(s, comma), 2);
  EXPECT_EQ(WordPosition(1, s, comma), 2);
  EXPECT_EQ(WordPosition(2, s, comma), 5);
  EXPECT_EQ(WordPosition(3, s, comma), 0);
  EXPECT_EQ(ExtractWord(2, s, comma), "b");
  EXPECT_EQ(ExtractWord(3, s, comma), "");
  EXPECT_EQ(WordCount("", comma), 0);
  EXPECT_EQ(ExtractWord(1, "one two", CharSet(" ,")), "one");
  EXPECT_EQ(ExtractWord(2, "one,  two three", CharSet(" ,")), "two");
  EXPECT_EQ(WordPosition(0, "x", comma), 0);
}

TEST(ZxStrUtilsWords, DelimitersAreBytes) {
  const String s =
      "a\xff"
      "b";
  EXPECT_EQ(WordCount(s, CharSet("\xff")), 2);
  EXPECT_EQ(WordCount(s, CharSet(",")), 1);
}

TEST(ZxStrUtilsReplace, LeftToRightWithoutLookingBack) {
  EXPECT_EQ(ReplaceStr("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceStr("abcabc", "b", "bb"), "abbcabbc");
  EXPECT_EQ(ReplaceStr("Abc", "a", "x"), "Abc");
  EXPECT_EQ(ReplaceStr("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceStr("", "a", "x"), "");
}

TEST(ZxStrUtilsXor, EncodesAsLowerCaseHexPairs) {
  EXPECT_EQ(XorEncode("", "a"), "61");
  EXPECT_EQ(XorEncode("", "\xff\x0a"), "ff0a");
  EXPECT_EQ(XorEncode("k", "k"), "00");
  EXPECT_EQ(XorEncode("ab", "aaa"), "000300");  // the key repeats
}

TEST(ZxStrUtilsXor, DecodingReversesEncoding) {
  for (const String key : {"", "K", "secret key"})
    for (const String text : {"", "x", "Panel1.Width=185", "\x01\x80\xff"})
      EXPECT_EQ(XorDecode(key, XorEncode(key, text)), text);
}

TEST(ZxStrUtilsXor, TextThatIsNotHexDecodesToBlanksAndAnOddTailIsIgnored) {
  EXPECT_EQ(XorDecode("", "zz"), " ");
  EXPECT_EQ(XorDecode("", "616"), "a");
  EXPECT_EQ(XorDecode("", "6G41"), " A");
  EXPECT_EQ(XorDecode("\x01", "zz"), "!");  // the blank is keyed too
}

class UnitStart : public ::testing::Test {
 protected:
  ~UnitStart() override { FinalizeModules(); }
  TWindowSystem system_;
};

TEST_F(UnitStart, RegistersTheExtraCursors) {
  InitializeModules({ControlsModule(), ZxCursorsModule()});
  EXPECT_EQ(Screen->Cursors(14000), LoadCursor(HInstance(), "ZX_HANDCUR"));
  EXPECT_EQ(Screen->Cursors(14001), LoadCursor(HInstance(), "ZX_DRAGCUR"));
  EXPECT_NE(Screen->Cursors(14000), Screen->Cursors(crDefault));
}

TEST_F(UnitStart, FourDigitYearFollowsTheShortDateFormat) {
  TFormatSettingsGuard guard;
  FormatSettings().ShortDateFormat = "dd.MM.yyyy";
  InitializeModules({DateUtil::DateUtilModule()});
  EXPECT_TRUE(DateUtil::FourDigitYear());
  FinalizeModules();
  FormatSettings().ShortDateFormat = "d/M/yy";
  InitializeModules({DateUtil::DateUtilModule()});
  EXPECT_FALSE(DateUtil::FourDigitYear());
}

}  // namespace
