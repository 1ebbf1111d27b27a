// platform/rtl/SqlTimeStamp.cpp
#include "platform/rtl/SqlTimeStamp.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"

int CompareSQLTimeStamp(const TSQLTimeStamp& a, const TSQLTimeStamp& b) {
  auto order = a <=> b;
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value) {
  Word year, month, day, hour, minute, second, msec;
  DecodeDateTime(value, year, month, day, hour, minute, second, msec);
  TSQLTimeStamp stamp;
  stamp.Year = static_cast<SmallInt>(year);
  stamp.Month = month;
  stamp.Day = day;
  stamp.Hour = hour;
  stamp.Minute = minute;
  stamp.Second = second;
  stamp.Fractions = msec;
  return stamp;
}

bool TrySQLTimeStampToDateTime(const TSQLTimeStamp& stamp, TDateTime& value) {
  if (stamp == TSQLTimeStamp{}) {
    value = 0;
    return true;
  }
  if (stamp.Year < 1 || stamp.Fractions > 999) return false;
  return TryEncodeDateTime(static_cast<Word>(stamp.Year), stamp.Month, stamp.Day, stamp.Hour,
                           stamp.Minute, stamp.Second, static_cast<Word>(stamp.Fractions), value);
}

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& stamp) {
  TDateTime value;
  if (!TrySQLTimeStampToDateTime(stamp, value))
    throw EConvertError("Invalid SQL time stamp: " + std::to_string(stamp.Year) + "-" +
                        std::to_string(stamp.Month) + "-" + std::to_string(stamp.Day) + " " +
                        std::to_string(stamp.Hour) + ":" + std::to_string(stamp.Minute) + ":" +
                        std::to_string(stamp.Second) + "." + std::to_string(stamp.Fractions));
  return value;
}

String SQLTimeStampToStr(const String& format, const TSQLTimeStamp& stamp) {
  return FormatDateTime(format, SQLTimeStampToDateTime(stamp));
}

TSQLTimeStamp StrToSQLTimeStamp(const String& text) {
  return DateTimeToSQLTimeStamp(StrToDateTime(text));
}
