// The token routines that cut field lines and default-value lines.
#include <gtest/gtest.h>

#include "catalog/GlU.h"

namespace {

TEST(CountChar, CountsEveryOccurrence) {
  EXPECT_EQ(GlU::CountChar("idparent, N, 0", ','), 2);
  EXPECT_EQ(GlU::CountChar(",,", ','), 2);
  EXPECT_EQ(GlU::CountChar("", ','), 0);
  EXPECT_EQ(GlU::CountChar("Comment=a=b", ','), 0);
}

TEST(GetDelimitedToken, GivesTheTokensUntrimmed) {
  EXPECT_EQ(GlU::GetDelimitedToken("path, c, 500", 1, ','), "path");
  EXPECT_EQ(GlU::GetDelimitedToken("path, c, 500", 2, ','), " c");
  EXPECT_EQ(GlU::GetDelimitedToken("path, c, 500", 3, ','), " 500");
  EXPECT_EQ(GlU::GetDelimitedToken(" lead,x", 1, ','), " lead");
}

TEST(GetDelimitedToken, ConsecutiveDelimitersEncloseAnEmptyToken) {
  EXPECT_EQ(GlU::GetDelimitedToken("a,,b", 1, ','), "a");
  EXPECT_EQ(GlU::GetDelimitedToken("a,,b", 2, ','), "");
  EXPECT_EQ(GlU::GetDelimitedToken("a,,b", 3, ','), "b");
  EXPECT_EQ(GlU::GetDelimitedToken("a,", 2, ','), "");
  EXPECT_EQ(GlU::GetDelimitedToken(",b", 1, ','), "");
}

TEST(GetDelimitedToken, IsEmptyPastTheLastToken) {
  EXPECT_EQ(GlU::GetDelimitedToken("a,,b", 4, ','), "");
  EXPECT_EQ(GlU::GetDelimitedToken("", 2, ','), "");
  EXPECT_EQ(GlU::GetDelimitedToken("a,b", 0, ','), "");
  EXPECT_EQ(GlU::GetDelimitedToken("a,b", -1, ','), "");
}

TEST(GetDelimitedToken, AStringWithoutDelimiterIsOneToken) {
  EXPECT_EQ(GlU::GetDelimitedToken("Comment", 1, '='), "Comment");
  EXPECT_EQ(GlU::GetDelimitedToken("Comment", 2, '='), "");
  EXPECT_EQ(GlU::GetDelimitedToken("Comment=a=b", 2, '='), "a");
}

}  // namespace
