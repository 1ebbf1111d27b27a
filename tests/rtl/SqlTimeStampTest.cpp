#include "platform/rtl/SqlTimeStamp.h"

#include <gtest/gtest.h>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"

TEST(SqlTimeStamps, DateTimeRoundTripKeepsMilliseconds) {
  TDateTime value = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
  TSQLTimeStamp stamp = DateTimeToSQLTimeStamp(value);
  EXPECT_EQ(stamp.Year, 2024);
  EXPECT_EQ(stamp.Month, 3);
  EXPECT_EQ(stamp.Day, 5);
  EXPECT_EQ(stamp.Hour, 14);
  EXPECT_EQ(stamp.Minute, 7);
  EXPECT_EQ(stamp.Second, 9);
  EXPECT_EQ(stamp.Fractions, 45u);
  EXPECT_DOUBLE_EQ(SQLTimeStampToDateTime(stamp), value);
}

TEST(SqlTimeStamps, OrderedPartByPart) {
  TSQLTimeStamp a{2024, 1, 1, 0, 0, 0, 999};
  TSQLTimeStamp b{2024, 1, 1, 0, 0, 1, 0};
  TSQLTimeStamp c{2025, 1, 1, 0, 0, 0, 0};
  EXPECT_EQ(CompareSQLTimeStamp(a, b), -1);
  EXPECT_EQ(CompareSQLTimeStamp(c, b), 1);
  EXPECT_EQ(CompareSQLTimeStamp(a, a), 0);
  TSQLTimeStamp d = a;
  d.Fractions = 998;
  EXPECT_LT(d, a);
}

TEST(SqlTimeStamps, BlankAndInvalidStamps) {
  EXPECT_DOUBLE_EQ(SQLTimeStampToDateTime(TSQLTimeStamp{}), 0);
  TDateTime value;
  EXPECT_FALSE(TrySQLTimeStampToDateTime({2024, 13, 1, 0, 0, 0, 0}, value));
  EXPECT_FALSE(TrySQLTimeStampToDateTime({2024, 1, 1, 0, 0, 0, 1000}, value));
  EXPECT_THROW(SQLTimeStampToDateTime({2024, 2, 30, 0, 0, 0, 0}), EConvertError);
}

TEST(SqlTimeStamps, Text) {
  TSQLTimeStamp stamp = StrToSQLTimeStamp("05/03/2024 14:07:09");
  EXPECT_EQ(SQLTimeStampToStr("yyyy-mm-dd hh:nn:ss.zzz", stamp), "2024-03-05 14:07:09.000");
  EXPECT_EQ(SQLTimeStampToStr("", stamp), "05/03/2024 14:07:09");
  EXPECT_THROW(StrToSQLTimeStamp("not a time"), EConvertError);
}
