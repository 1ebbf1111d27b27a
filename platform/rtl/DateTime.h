// platform/rtl/DateTime.h
//
// Calendar arithmetic and text for `TDateTime`: a double of days since
// 1899-12-30 in local time whose fraction is the time of day. Days before the
// origin are negative while the fraction still counts forward from midnight:
// -1.25 is 1899-12-29 06:00. Dates run from 0001-01-01 to 9999-12-31 in the
// proleptic Gregorian calendar.
//
// Two other forms exist for storage. The time stamp (`TTimeStamp`) counts days
// from 0001-01-01 (which is day 1) and milliseconds since midnight; the dataset
// engine keeps dates as the day number, times as the millisecond count and
// date-times as the total milliseconds (`TimeStampToMSecs`). File times come
// from Unix seconds and nanoseconds, read in the local time zone.
//
// Text conversions read the process-wide FormatSettings(). Errors raise
// EConvertError naming the offending text or value; the Try... forms return
// false instead.
#pragma once

#include <cstdint>

#include "platform/rtl/Types.h"

inline constexpr Integer HoursPerDay = 24;
inline constexpr Integer MinsPerDay = HoursPerDay * 60;
inline constexpr Integer SecsPerDay = MinsPerDay * 60;
inline constexpr Integer MSecsPerDay = SecsPerDay * 1000;

// Time-stamp day number of 1899-12-30, the TDateTime origin.
inline constexpr Integer DateDelta = 693594;
// TDateTime of 1970-01-01, the Unix epoch.
inline constexpr Integer UnixDateDelta = 25569;

struct TTimeStamp {
  Integer Time = 0;  // milliseconds since midnight, 0 .. MSecsPerDay - 1
  Integer Date = 0;  // days since 0001-01-01, that day being 1
};

bool IsLeapYear(Word year);
// Days in `month` (1..12) of `year`; 0 for a month outside 1..12.
Word DaysInMonth(Word year, Word month);

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
TDateTime EncodeDate(Word year, Word month, Word day);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec,
                       TDateTime& value);
TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec);

// Decoding rounds to the nearest millisecond first, so a value a hair before
// midnight decodes as the next day at 00:00:00.000 in every part.
void DecodeDate(TDateTime value, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime value, Word& hour, Word& min, Word& sec, Word& msec);
void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min,
                    Word& sec, Word& msec);

// 1 = Sunday ... 7 = Saturday.
Word DayOfWeek(TDateTime value);

// The local clock: date and time, whole days, and the fraction of today.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Joins a whole-day value and a time-of-day fraction, honouring the
// convention for negative days.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

TTimeStamp DateTimeToTimeStamp(TDateTime value);
// Raises EConvertError for a time stamp outside the valid range.
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
TTimeStamp MSecsToTimeStamp(double msecs);
double TimeStampToMSecs(const TTimeStamp& stamp);

// A moment as the file system gives it: seconds and nanoseconds since
// 1970-01-01 UTC.
struct TUnixTime {
  std::int64_t Seconds = 0;
  std::int64_t Nanoseconds = 0;  // 0 .. 999,999,999
};

// The local date-time of a Unix moment, to the millisecond (truncated).
// Raises EConvertError when the moment falls outside the years 1..9999.
TDateTime UnixTimeToDateTime(std::int64_t seconds, std::int64_t nanoseconds);
// The Unix moment of a local date-time. A local time that a daylight-saving
// change skips or repeats takes the offset the C library chooses.
TUnixTime DateTimeToUnixTime(TDateTime value);

// Text. Format letters (case-insensitive):
//   c        short date, then a blank and the long time unless exactly midnight
//   d dd     day; ddd dddd short / long day name; ddddd short date; dddddd long date
//   m mm     month (minutes right after an hour); mmm mmmm short / long month name
//   yy yyyy  year
//   h hh  n nn  s ss  z zzz    hour, minute, second, millisecond
//   t tt     short / long time
//   am/pm a/p ampm             12-hour clock for the hours before them, with
//                              "am"/"pm", "a"/"p" (in the case written) or the
//                              settings' TimeAMString/TimePMString
//   / :      the settings' DateSeparator / TimeSeparator
//   '...' "..."                literal text
// Any other character is copied. An empty format means "c".
String FormatDateTime(const String& format, TDateTime value);
String DateToStr(TDateTime value);
String TimeToStr(TDateTime value);
String DateTimeToStr(TDateTime value);

// Parsing. A date is up to three numbers separated by DateSeparator (or by
// the separator ShortDateFormat is written with, such as '-' in
// "yyyy-mm-dd"), in the order of ShortDateFormat (day-month-year, month-day-year or
// year-month-day); a first number of three or more digits is a year
// (year-month-day whatever the format). Two numbers are a day and month of
// the current year. Years of one or two digits fall in 2000-2049 below
// TwoDigitYearCenturyWindow (50) and 1950-1999 from it. A time is hours with
// optional minutes, seconds (after TimeSeparator) and milliseconds (after
// DecimalSeparator, read as a fraction of a second, up to three digits), with
// AM/PM (or the settings' strings) before or after it. A date-time is a date,
// or a date followed by blanks and a time, or a time alone. Blanks around the
// text are ignored.
bool TryStrToDate(const String& text, TDateTime& value);
bool TryStrToTime(const String& text, TDateTime& value);
bool TryStrToDateTime(const String& text, TDateTime& value);
TDateTime StrToDate(const String& text);
TDateTime StrToTime(const String& text);
TDateTime StrToDateTime(const String& text);
