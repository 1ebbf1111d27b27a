#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

// Runs a test under a fixed time zone and puts the process's zone back.
class TimeZoneGuard {
 public:
  explicit TimeZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZoneGuard() {
    if (saved_)
      setenv("TZ", saved_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<String> saved_;
};

// 2024-03-05 (a Tuesday) 14:07:09.045
TDateTime Sample() {
  return EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
}

}  // namespace

TEST(Calendar, KnownDayNumbers) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
}

TEST(Calendar, EveryFewDaysDecodeAndEncodeAgree) {
  for (Integer day = -693593; day <= 2958465; day += 97) {
    Word y, m, d;
    DecodeDate(day, y, m, d);
    ASSERT_EQ(EncodeDate(y, m, d), day) << y << "-" << m << "-" << d;
  }
}

TEST(Calendar, LeapYearsAndInvalidDates) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 2), 28);
  TDateTime value;
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, value));
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, value));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, value));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, value));
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
}

TEST(Calendar, TimeWithMillisecondsRoundTrips) {
  Word h, n, s, ms;
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ((std::tuple(h, n, s, ms)), std::tuple(23, 59, 59, 999));
  Word y, mo, d;
  DecodeDateTime(Sample(), y, mo, d, h, n, s, ms);
  EXPECT_EQ((std::tuple(y, mo, d, h, n, s, ms)), std::tuple(2024, 3, 5, 14, 7, 9, 45));
}

TEST(Calendar, NegativeValuesCountTheTimeForward) {
  Word y, m, d, h, n, s, ms;
  DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::tuple(y, m, d, h)), std::tuple(1899, 12, 29, 6));
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
}

TEST(Calendar, AHairBeforeMidnightIsTheNextDay) {
  TDateTime value = EncodeDate(2024, 1, 1) + (MSecsPerDay - 0.4) / MSecsPerDay;
  Word y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::tuple(y, m, d, h, n, s, ms)), std::tuple(2024, 1, 2, 0, 0, 0, 0));
}

TEST(Calendar, DayOfWeekStartsOnSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 1)), 2);   // Monday
  EXPECT_EQ(DayOfWeek(0), 7);                        // Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 10)), 1);  // Sunday
}

TEST(TimeStamps, StorageFormsOfTheEngine) {
  TTimeStamp origin = DateTimeToTimeStamp(0);
  EXPECT_EQ(origin.Date, DateDelta);
  EXPECT_EQ(origin.Time, 0);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
  TTimeStamp sample = DateTimeToTimeStamp(Sample());
  EXPECT_EQ(sample.Time, ((14 * 60 + 7) * 60 + 9) * 1000 + 45);
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(sample), Sample());
}

TEST(TimeStamps, MillisecondsRoundTrip) {
  for (TDateTime value : {Sample(), -1.25, EncodeDateTime(1, 1, 1, 0, 0, 0, 1),
                          EncodeDateTime(9999, 12, 31, 23, 59, 59, 999)}) {
    double msecs = TimeStampToMSecs(DateTimeToTimeStamp(value));
    EXPECT_DOUBLE_EQ(TimeStampToDateTime(MSecsToTimeStamp(msecs)), value);
  }
}

TEST(TimeStamps, InvalidStampsRaise) {
  EXPECT_THROW(TimeStampToDateTime({-1, 10}), EConvertError);
  EXPECT_THROW(TimeStampToDateTime({MSecsPerDay, 10}), EConvertError);
  EXPECT_THROW(TimeStampToDateTime({0, 0}), EConvertError);
}

TEST(UnixTime, ReadInTheLocalZone) {
  {
    TimeZoneGuard zone("UTC0");
    EXPECT_DOUBLE_EQ(UnixTimeToDateTime(0, 0), UnixDateDelta);
    EXPECT_DOUBLE_EQ(UnixTimeToDateTime(-1, 500000000), UnixDateDelta - 0.5 / SecsPerDay);
  }
  TimeZoneGuard zone("EST5");
  EXPECT_DOUBLE_EQ(UnixTimeToDateTime(0, 999999), UnixDateDelta - 5.0 / 24);
  TUnixTime back = DateTimeToUnixTime(EncodeDateTime(1970, 1, 1, 0, 0, 1, 250));
  EXPECT_EQ(back.Seconds, 5 * 3600 + 1);
  EXPECT_EQ(back.Nanoseconds, 250000000);
}

TEST(UnixTime, RoundTripsToTheMillisecond) {
  TimeZoneGuard zone("EST5");
  for (std::int64_t seconds :
       {std::int64_t(1700000000), std::int64_t(-2208988800), std::int64_t(0)}) {
    TUnixTime back = DateTimeToUnixTime(UnixTimeToDateTime(seconds, 123456789));
    EXPECT_EQ(back.Seconds, seconds);
    EXPECT_EQ(back.Nanoseconds, 123000000);
  }
  EXPECT_THROW(UnixTimeToDateTime(400000000000LL, 0), EConvertError);
}

TEST(FormatDateTimeLetters, DateParts) {
  EXPECT_EQ(FormatDateTime("d dd ddd dddd", Sample()), "5 05 Tue Tuesday");
  EXPECT_EQ(FormatDateTime("m mm mmm mmmm", Sample()), "3 03 Mar March");
  EXPECT_EQ(FormatDateTime("yy yyyy", Sample()), "24 2024");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD", Sample()), "2024-03-05");
  EXPECT_EQ(FormatDateTime("ddddd", Sample()), "05/03/2024");
}

TEST(FormatDateTimeLetters, TimeParts) {
  EXPECT_EQ(FormatDateTime("h hh n nn s ss z zzz", Sample()), "14 14 7 07 9 09 45 045");
  EXPECT_EQ(FormatDateTime("hh:mm", Sample()), "14:07");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("t", Sample()), "14:07");
  EXPECT_EQ(FormatDateTime("tt", Sample()), "14:07:09");
}

TEST(FormatDateTimeLetters, TwelveHourClock) {
  EXPECT_EQ(FormatDateTime("h:nn am/pm", Sample()), "2:07 pm");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", Sample()), "2:07 PM");
  EXPECT_EQ(FormatDateTime("h a/p", Sample()), "2 p");
  EXPECT_EQ(FormatDateTime("hh ampm", Sample()), "02 PM");
  EXPECT_EQ(FormatDateTime("h am/pm", EncodeTime(0, 30, 0, 0)), "12 am");
  EXPECT_EQ(FormatDateTime("h am/pm", EncodeTime(12, 0, 0, 0)), "12 pm");
}

TEST(FormatDateTimeLetters, SeparatorsAndQuotedText) {
  EXPECT_EQ(FormatDateTime("'dd' \"mm\" dd", Sample()), "dd mm 05");
  TFormatSettingsGuard guard;
  FormatSettings().DateSeparator = '-';
  FormatSettings().TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime("dd/mm hh:nn", Sample()), "05-03 14.07");
}

TEST(FormatDateTimeLetters, GeneralFormShowsTimeUnlessMidnight) {
  EXPECT_EQ(FormatDateTime("c", Sample()), "05/03/2024 14:07:09");
  EXPECT_EQ(FormatDateTime("", EncodeDate(2024, 3, 5)), "05/03/2024");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "05/03/2024");
  EXPECT_EQ(DateToStr(Sample()), "05/03/2024");
  EXPECT_EQ(TimeToStr(Sample()), "14:07:09");
}

TEST(StrToDateForms, OrderAndYearWindow) {
  EXPECT_EQ(StrToDate("5/3/2024"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDate(" 05/03/24 "), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDate("05/03/49"), EncodeDate(2049, 3, 5));
  EXPECT_EQ(StrToDate("05/03/50"), EncodeDate(1950, 3, 5));
  EXPECT_EQ(StrToDate("2024/03/05"), EncodeDate(2024, 3, 5));
  Word year, m, d;
  DecodeDate(Date(), year, m, d);
  EXPECT_EQ(StrToDate("5/3"), EncodeDate(year, 3, 5));
  TFormatSettingsGuard guard;
  FormatSettings().ShortDateFormat = "mm/dd/yyyy";
  EXPECT_EQ(StrToDate("3/5/2024"), EncodeDate(2024, 3, 5));
  FormatSettings().ShortDateFormat = "yyyy-mm-dd";
  EXPECT_EQ(StrToDate("2024-03-05"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDate("24/03/05"), EncodeDate(2024, 3, 5));
}

TEST(StrToDateForms, ErrorsNameTheText) {
  for (const char* text : {"31/02/2024", "abc", "5-3-2024", "", "5/3/2024x", "123/3/5/1"}) {
    TDateTime value;
    EXPECT_FALSE(TryStrToDate(text, value)) << text;
  }
  try {
    StrToDate("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid date");
  }
}

TEST(StrToTimeForms, HoursMinutesSecondsAndMarkers) {
  EXPECT_DOUBLE_EQ(StrToTime("14:07"), EncodeTime(14, 7, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("14:07:09"), EncodeTime(14, 7, 9, 0));
  EXPECT_DOUBLE_EQ(StrToTime("14:07:09.045"), EncodeTime(14, 7, 9, 45));
  EXPECT_DOUBLE_EQ(StrToTime("14:07:09.5"), EncodeTime(14, 7, 9, 500));
  EXPECT_DOUBLE_EQ(StrToTime("2:07 PM"), EncodeTime(14, 7, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("pm 2:07"), EncodeTime(14, 7, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("12:00 AM"), 0);
  EXPECT_DOUBLE_EQ(StrToTime("12:30 pm"), EncodeTime(12, 30, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("7"), EncodeTime(7, 0, 0, 0));
  for (const char* text : {"25:00", "13:00 PM", "14:60", "14:07:09.1234", "1:2:3:4", "x"}) {
    TDateTime value;
    EXPECT_FALSE(TryStrToTime(text, value)) << text;
  }
  EXPECT_THROW(StrToTime("25:00"), EConvertError);
}

TEST(StrToDateTimeForms, DateTimeDateAloneOrTimeAlone) {
  EXPECT_DOUBLE_EQ(StrToDateTime("05/03/2024 14:07:09"), EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
  EXPECT_DOUBLE_EQ(StrToDateTime("05/03/2024"), EncodeDate(2024, 3, 5));
  EXPECT_DOUBLE_EQ(StrToDateTime("14:07"), EncodeTime(14, 7, 0, 0));
  EXPECT_DOUBLE_EQ(StrToDateTime("29/12/1899 06:00"), -1.25);
  EXPECT_THROW(StrToDateTime("05/03/2024 25:00"), EConvertError);
  try {
    StrToDateTime("soon");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'soon' is not a valid date and time");
  }
}

TEST(StrToDateTimeForms, GeneralTextRoundTrips) {
  for (TDateTime value : {EncodeDate(2024, 3, 5), EncodeDateTime(1999, 12, 31, 23, 59, 59, 0),
                          EncodeDateTime(1850, 6, 1, 8, 0, 0, 0)})
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(value)), value);
  String precise = FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", Sample());
  EXPECT_DOUBLE_EQ(StrToDateTime(precise), Sample());
}
