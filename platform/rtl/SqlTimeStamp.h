// platform/rtl/SqlTimeStamp.h
//
// The 16-byte SQL time stamp that record buffers store for time-stamp fields:
// calendar parts held separately, so a value compares part by part without
// floating-point rounding. `Fractions` are milliseconds (0..999). An
// all-zero stamp is the blank value; it converts to the date-time 0.
#pragma once

#include <compare>

#include "platform/rtl/Types.h"

struct TSQLTimeStamp {
  SmallInt Year = 0;
  Word Month = 0;
  Word Day = 0;
  Word Hour = 0;
  Word Minute = 0;
  Word Second = 0;
  LongWord Fractions = 0;

  // Year, month, day, hour, minute, second, then fractions.
  friend constexpr auto operator<=>(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
};
static_assert(sizeof(TSQLTimeStamp) == 16, "TSQLTimeStamp is stored byte for byte in records");

// -1, 0 or 1 in the order of operator<=>.
int CompareSQLTimeStamp(const TSQLTimeStamp& a, const TSQLTimeStamp& b);

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value);
// False for a stamp whose parts are not a valid date and time (the blank
// stamp converts to 0).
bool TrySQLTimeStampToDateTime(const TSQLTimeStamp& stamp, TDateTime& value);
// Raises EConvertError for an invalid stamp.
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& stamp);

// FormatDateTime of the stamp's date-time; an empty format gives the general
// form (date, and the time unless midnight).
String SQLTimeStampToStr(const String& format, const TSQLTimeStamp& stamp);
// Reads the forms StrToDateTime reads; raises EConvertError naming the text.
TSQLTimeStamp StrToSQLTimeStamp(const String& text);
