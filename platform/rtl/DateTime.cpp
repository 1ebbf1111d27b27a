// platform/rtl/DateTime.cpp
#include "platform/rtl/DateTime.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"

namespace {

// Time-stamp day number of 9999-12-31, the last date we represent.
constexpr Integer MaxDateNumber = 3652059;

constexpr Word kDaysBeforeMonth[2][13] = {
    {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335}};

constexpr const char* kShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonthNames[12] = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
constexpr const char* kShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};

bool SameTextPrefix(std::string_view text, std::size_t pos, std::string_view prefix) {
  return !prefix.empty() && text.size() - pos >= prefix.size() &&
         SameText(text.substr(pos, prefix.size()), prefix);
}

// Day number (0001-01-01 = 1) to calendar parts; false outside 1..MaxDateNumber.
bool DecodeDayNumber(Integer number, Word& year, Word& month, Word& day) {
  if (number < 1 || number > MaxDateNumber) {
    year = month = day = 0;
    return false;
  }
  Integer t = number - 1;
  Integer y = 1;
  y += (t / 146097) * 400;
  t %= 146097;
  Integer centuries = t / 36524;
  if (centuries == 4) centuries = 3;  // the last day of a 400-year cycle
  t -= centuries * 36524;
  y += centuries * 100;
  y += (t / 1461) * 4;
  t %= 1461;
  Integer years = t / 365;
  if (years == 4) years = 3;  // the leap day closing a 4-year cycle
  t -= years * 365;
  y += years;
  year = static_cast<Word>(y);
  const Word* before = kDaysBeforeMonth[IsLeapYear(year) ? 1 : 0];
  Word m = 12;
  while (before[m] > t) --m;
  month = m;
  day = static_cast<Word>(t - before[m] + 1);
  return true;
}

void DecodeMSecs(Integer msecs, Word& hour, Word& min, Word& sec, Word& msec) {
  hour = static_cast<Word>(msecs / 3600000);
  min = static_cast<Word>(msecs / 60000 % 60);
  sec = static_cast<Word>(msecs / 1000 % 60);
  msec = static_cast<Word>(msecs % 1000);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// The local zone's offset from UTC, in seconds, at a Unix moment.
bool LocalOffset(std::int64_t seconds, long& offset) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts{};
  if (!localtime_r(&t, &parts)) return false;
  offset = parts.tm_gmtoff;
  return true;
}

// ---- FormatDateTime ------------------------------------------------------

class DateTimeFormatter {
 public:
  explicit DateTimeFormatter(TDateTime value) : value_(value) {
    DecodeDateTime(value, year_, month_, day_, hour_, min_, sec_, msec_);
  }

  void Append(String& out, const String& format, int depth) {
    // A format that names itself (ShortDateFormat holding "ddddd") must not loop.
    if (depth > 2) return;
    char last_token = 0;  // the last date or time letter handled, to read "m" after "h"
    std::size_t i = 0;
    while (i < format.size()) {
      char c = format[i];
      char u = AsciiUpper(c);
      if (c == '\'' || c == '"') {
        std::size_t close = format.find(c, i + 1);
        if (close == String::npos) close = format.size();
        out.append(format, i + 1, close - i - 1);
        i = close + 1;
        continue;
      }
      std::size_t run = 1;
      if (u >= 'A' && u <= 'Z')
        while (i + run < format.size() && AsciiUpper(format[i + run]) == u) ++run;
      switch (u) {
        case 'C':
          AppendGeneral(out, depth);
          i += 1;
          continue;
        case 'D':
          AppendDay(out, run, depth);
          last_token = 'D';
          break;
        case 'M':
          if (last_token == 'H') {
            AppendNumber(out, min_, run >= 2 ? 2 : 1);
            last_token = 'N';
          } else {
            AppendMonth(out, run);
            last_token = 'M';
          }
          break;
        case 'Y':
          if (run <= 2)
            AppendNumber(out, year_ % 100, 2);
          else
            AppendNumber(out, year_, 4);
          last_token = 'Y';
          break;
        case 'H': {
          Word hour = hour_;
          if (TwelveHourClockFollows(format, i + run)) {
            hour %= 12;
            if (hour == 0) hour = 12;
          }
          AppendNumber(out, hour, run >= 2 ? 2 : 1);
          last_token = 'H';
          break;
        }
        case 'N':
          AppendNumber(out, min_, run >= 2 ? 2 : 1);
          last_token = 'N';
          break;
        case 'S':
          AppendNumber(out, sec_, run >= 2 ? 2 : 1);
          last_token = 'S';
          break;
        case 'Z':
          AppendNumber(out, msec_, run >= 2 ? 3 : 1);
          last_token = 'Z';
          break;
        case 'T':
          run = run >= 2 ? 2 : 1;
          Append(out, run == 1 ? FormatSettings().ShortTimeFormat : FormatSettings().LongTimeFormat,
                 depth + 1);
          break;
        case 'A':
          run = AppendAmPm(out, format, i);
          break;
        case '/':
          out += FormatSettings().DateSeparator;
          break;
        case ':':
          out += FormatSettings().TimeSeparator;
          break;
        default:
          out.append(format, i, run);
          break;
      }
      i += run;
    }
  }

 private:
  static void AppendNumber(String& out, unsigned value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*u", width, value);
    out += buffer;
  }

  void AppendGeneral(String& out, int depth) {
    Append(out, FormatSettings().ShortDateFormat, depth + 1);
    if (hour_ != 0 || min_ != 0 || sec_ != 0 || msec_ != 0) {
      out += ' ';
      Append(out, FormatSettings().LongTimeFormat, depth + 1);
    }
  }

  void AppendDay(String& out, std::size_t run, int depth) {
    switch (run) {
      case 1:
      case 2:
        AppendNumber(out, day_, static_cast<int>(run));
        break;
      case 3:
      case 4: {
        Word dow = DayOfWeek(value_);
        if (dow >= 1) out += (run == 3 ? kShortDayNames : kLongDayNames)[dow - 1];
        break;
      }
      case 5:
        Append(out, FormatSettings().ShortDateFormat, depth + 1);
        break;
      default:
        Append(out, FormatSettings().LongDateFormat, depth + 1);
        break;
    }
  }

  void AppendMonth(String& out, std::size_t run) {
    if (run <= 2) {
      AppendNumber(out, month_, static_cast<int>(run));
    } else if (month_ >= 1 && month_ <= 12) {
      out += (run == 3 ? kShortMonthNames : kLongMonthNames)[month_ - 1];
    }
  }

  // Appends the am/pm marker starting at `pos` and returns how many format
  // characters it took; a lone "a" is copied as it stands.
  std::size_t AppendAmPm(String& out, const String& format, std::size_t pos) {
    bool morning = hour_ < 12;
    if (SameTextPrefix(format, pos, "am/pm")) {
      out.append(format, morning ? pos : pos + 3, 2);
      return 5;
    }
    if (SameTextPrefix(format, pos, "a/p")) {
      out += format[morning ? pos : pos + 2];
      return 3;
    }
    if (SameTextPrefix(format, pos, "ampm")) {
      out += morning ? FormatSettings().TimeAMString : FormatSettings().TimePMString;
      return 4;
    }
    out += format[pos];
    return 1;
  }

  static bool TwelveHourClockFollows(const String& format, std::size_t pos) {
    while (pos < format.size()) {
      char c = format[pos];
      if (c == '\'' || c == '"') {
        std::size_t close = format.find(c, pos + 1);
        if (close == String::npos) return false;
        pos = close + 1;
        continue;
      }
      if (SameTextPrefix(format, pos, "am/pm") || SameTextPrefix(format, pos, "a/p") ||
          SameTextPrefix(format, pos, "ampm"))
        return true;
      ++pos;
    }
    return false;
  }

  TDateTime value_;
  Word year_, month_, day_, hour_, min_, sec_, msec_;
};

// ---- Parsing -------------------------------------------------------------

class DateTimeScanner {
 public:
  explicit DateTimeScanner(const String& text) : text_(text) {
    // Blanks and control characters around the text never matter.
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    pos_ = begin;
    end_ = end;
  }

  bool AtEnd() const { return pos_ >= end_; }
  std::size_t Position() const { return pos_; }
  void Rewind(std::size_t pos) { pos_ = pos; }

  void SkipBlanks() {
    while (pos_ < end_ && text_[pos_] == ' ') ++pos_;
  }

  bool ScanDate(TDateTime& date) {
    enum Order { DMY, MDY, YMD };
    Order order = MDY;
    for (char c : FormatSettings().ShortDateFormat) {
      char u = AsciiUpper(c);
      if (u == 'D' || u == 'M' || u == 'Y') {
        order = u == 'D' ? DMY : u == 'M' ? MDY : YMD;
        break;
      }
    }
    // The settings' separator, and the one the format itself is written
    // with: code that switches ShortDateFormat to read "2024-03-05" as
    // "yyyy-mm-dd" need not switch DateSeparator too.
    char separator = FormatSettings().DateSeparator;
    char format_separator = separator;
    for (char c : FormatSettings().ShortDateFormat) {
      bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      if (!letter && c != '\'' && c != '"' && c != ' ' && !(c >= '0' && c <= '9')) {
        format_separator = c;
        break;
      }
    }
    auto scan_separator = [&] { return ScanChar(separator) || ScanChar(format_separator); };
    Integer n1, n2, n3;
    int d1, d2, d3;
    if (!ScanNumber(n1, d1, 4) || !scan_separator() || !ScanNumber(n2, d2, 4)) return false;
    Integer year, month, day;
    int year_digits;
    if (scan_separator()) {
      if (!ScanNumber(n3, d3, 4)) return false;
      if (d1 > 2 || order == YMD) {
        year = n1, year_digits = d1, month = n2, day = n3;
        if (d2 > 2 || d3 > 2) return false;
      } else if (order == DMY) {
        day = n1, month = n2, year = n3, year_digits = d3;
        if (d2 > 2) return false;
      } else {
        month = n1, day = n2, year = n3, year_digits = d3;
        if (d2 > 2) return false;
      }
    } else {
      if (d1 > 2 || d2 > 2) return false;
      Word current_year, m, d;
      DecodeDate(Now(), current_year, m, d);
      year = current_year;
      year_digits = 4;
      if (order == DMY)
        day = n1, month = n2;
      else
        month = n1, day = n2;
    }
    if (year_digits <= 2) year += year < FormatSettings().TwoDigitYearCenturyWindow ? 2000 : 1900;
    return TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day),
                         date);
  }

  bool ScanTime(TDateTime& time) {
    int base_hour = ScanAmPm();
    if (base_hour >= 0) SkipBlanks();
    Integer hour, min = 0, sec = 0, msec = 0;
    int digits;
    if (!ScanNumber(hour, digits, 2)) return false;
    char separator = FormatSettings().TimeSeparator;
    if (ScanChar(separator)) {
      if (!ScanNumber(min, digits, 2)) return false;
      if (ScanChar(separator)) {
        if (!ScanNumber(sec, digits, 2)) return false;
        if (ScanChar(FormatSettings().DecimalSeparator)) {
          // Read as a fraction of a second: ".5" is 500 ms.
          if (!ScanNumber(msec, digits, 3)) return false;
          for (; digits < 3; ++digits) msec *= 10;
        }
      }
    }
    if (base_hour < 0) {
      SkipBlanks();
      base_hour = ScanAmPm();
    }
    if (base_hour >= 0) {
      if (hour == 0 || hour > 12) return false;
      if (hour == 12) hour = 0;
      hour += base_hour;
    }
    return TryEncodeTime(static_cast<Word>(hour), static_cast<Word>(min), static_cast<Word>(sec),
                         static_cast<Word>(msec), time);
  }

 private:
  bool ScanChar(char c) {
    if (pos_ < end_ && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // Up to `max_digits` decimal digits; more digits in a row fail the scan.
  bool ScanNumber(Integer& value, int& digits, int max_digits) {
    value = 0;
    digits = 0;
    while (pos_ < end_ && text_[pos_] >= '0' && text_[pos_] <= '9') {
      if (++digits > max_digits) return false;
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
    }
    return digits > 0;
  }

  // 0 for a morning marker, 12 for an afternoon one, -1 when none is here.
  int ScanAmPm() {
    std::string_view rest = std::string_view(text_).substr(0, end_);
    const TFormatSettings& settings = FormatSettings();
    for (std::string_view marker :
         {std::string_view(settings.TimeAMString), std::string_view("AM")})
      if (SameTextPrefix(rest, pos_, marker)) {
        pos_ += marker.size();
        return 0;
      }
    for (std::string_view marker :
         {std::string_view(settings.TimePMString), std::string_view("PM")})
      if (SameTextPrefix(rest, pos_, marker)) {
        pos_ += marker.size();
        return 12;
      }
    return -1;
  }

  const String& text_;
  std::size_t pos_;
  std::size_t end_;
};

[[noreturn]] void RaiseNotValid(const String& text, const char* what) {
  throw EConvertError("'" + text + "' is not a valid " + what);
}

}  // namespace

bool IsLeapYear(Word year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

Word DaysInMonth(Word year, Word month) {
  static constexpr Word kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  Integer y = year - 1;
  Integer number =
      y * 365 + y / 4 - y / 100 + y / 400 + kDaysBeforeMonth[IsLeapYear(year) ? 1 : 0][month] + day;
  date = number - DateDelta;
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime date;
  if (!TryEncodeDate(year, month, day, date))
    throw EConvertError("Invalid date: year " + std::to_string(year) + ", month " +
                        std::to_string(month) + ", day " + std::to_string(day));
  return date;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (hour >= HoursPerDay || min >= 60 || sec >= 60 || msec >= 1000) return false;
  time = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime time;
  if (!TryEncodeTime(hour, min, sec, msec, time))
    throw EConvertError("Invalid time: " + std::to_string(hour) + ":" + std::to_string(min) + ":" +
                        std::to_string(sec) + "." + std::to_string(msec));
  return time;
}

bool TryEncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec,
                       TDateTime& value) {
  TDateTime date, time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time))
    return false;
  value = ComposeDateTime(date, time);
  return true;
}

TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec,
                         Word msec) {
  return ComposeDateTime(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

void DecodeDate(TDateTime value, Word& year, Word& month, Word& day) {
  DecodeDayNumber(DateTimeToTimeStamp(value).Date, year, month, day);
}

void DecodeTime(TDateTime value, Word& hour, Word& min, Word& sec, Word& msec) {
  DecodeMSecs(DateTimeToTimeStamp(value).Time, hour, min, sec, msec);
}

void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min,
                    Word& sec, Word& msec) {
  TTimeStamp stamp = DateTimeToTimeStamp(value);
  DecodeDayNumber(stamp.Date, year, month, day);
  DecodeMSecs(stamp.Time, hour, min, sec, msec);
}

Word DayOfWeek(TDateTime value) {
  Integer number = DateTimeToTimeStamp(value).Date;
  if (number < 1) return 0;
  return static_cast<Word>(number % 7 + 1);  // 0001-01-01, day 1, was a Monday
}

TDateTime Now() {
  std::timespec now{};
  std::timespec_get(&now, TIME_UTC);
  return UnixTimeToDateTime(now.tv_sec, now.tv_nsec);
}

TDateTime Date() {
  return std::trunc(Now());
}

TDateTime Time() {
  TDateTime now = Now();
  return now - std::trunc(now);
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date >= 0 ? date + time : date - time;
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  // Outside the representable years the stamp is left invalid (Date 0).
  if (!(value > -DateDelta - 1.0 && value < MaxDateNumber - DateDelta + 1.0)) return {};
  double days = std::trunc(value);
  std::int64_t msecs = std::llround(std::fabs(value - days) * MSecsPerDay);
  TTimeStamp stamp;
  stamp.Date = DateDelta + static_cast<Integer>(days);
  if (msecs >= MSecsPerDay) {
    msecs -= MSecsPerDay;
    ++stamp.Date;
  }
  stamp.Time = static_cast<Integer>(msecs);
  return stamp;
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
  if (stamp.Time < 0 || stamp.Time >= MSecsPerDay || stamp.Date < 1 || stamp.Date > MaxDateNumber)
    throw EConvertError("Invalid time stamp: day " + std::to_string(stamp.Date) +
                        ", milliseconds " + std::to_string(stamp.Time));
  return ComposeDateTime(stamp.Date - DateDelta, static_cast<double>(stamp.Time) / MSecsPerDay);
}

TTimeStamp MSecsToTimeStamp(double msecs) {
  if (!(std::fabs(msecs) < 1e18)) return {};
  std::int64_t total = std::llround(msecs);
  TTimeStamp stamp;
  stamp.Date = static_cast<Integer>(total / MSecsPerDay);
  stamp.Time = static_cast<Integer>(total % MSecsPerDay);
  return stamp;
}

double TimeStampToMSecs(const TTimeStamp& stamp) {
  return static_cast<double>(stamp.Date) * MSecsPerDay + stamp.Time;
}

TDateTime UnixTimeToDateTime(std::int64_t seconds, std::int64_t nanoseconds) {
  seconds += FloorDiv(nanoseconds, 1000000000);
  nanoseconds -= FloorDiv(nanoseconds, 1000000000) * 1000000000;
  long offset = 0;
  // Years 1..9999 lie well within ±4e11 seconds; beyond that the C library
  // may not even answer.
  if (seconds < -400000000000LL || seconds > 400000000000LL || !LocalOffset(seconds, offset))
    throw EConvertError("File time out of range: " + std::to_string(seconds));
  std::int64_t local = seconds + offset;
  std::int64_t days = FloorDiv(local, SecsPerDay);
  std::int64_t second_of_day = local - days * SecsPerDay;
  days += UnixDateDelta;
  if (days < -DateDelta + 1 || days > MaxDateNumber - DateDelta)
    throw EConvertError("File time out of range: " + std::to_string(seconds));
  double time = (second_of_day * 1000.0 + static_cast<double>(nanoseconds / 1000000)) / MSecsPerDay;
  return ComposeDateTime(static_cast<double>(days), time);
}

TUnixTime DateTimeToUnixTime(TDateTime value) {
  TTimeStamp stamp = DateTimeToTimeStamp(value);
  if (stamp.Date < 1) throw EConvertError("Invalid date-time: " + std::to_string(value));
  std::int64_t local =
      (static_cast<std::int64_t>(stamp.Date) - DateDelta - UnixDateDelta) * SecsPerDay +
      stamp.Time / 1000;
  // The offset depends on the moment it is asked for; two rounds settle it
  // except inside a skipped or repeated hour.
  long offset = 0;
  std::int64_t guess = local;
  for (int round = 0; round < 2; ++round) {
    if (!LocalOffset(guess, offset)) break;
    guess = local - offset;
  }
  return {guess, static_cast<std::int64_t>(stamp.Time % 1000) * 1000000};
}

String FormatDateTime(const String& format, TDateTime value) {
  String out;
  DateTimeFormatter(value).Append(out, format.empty() ? String("c") : format, 0);
  return out;
}

String DateToStr(TDateTime value) {
  return FormatDateTime("ddddd", value);
}

String TimeToStr(TDateTime value) {
  return FormatDateTime("tt", value);
}

String DateTimeToStr(TDateTime value) {
  return FormatDateTime("c", value);
}

bool TryStrToDate(const String& text, TDateTime& value) {
  DateTimeScanner scanner(text);
  TDateTime date;
  if (!scanner.ScanDate(date) || !scanner.AtEnd()) return false;
  value = date;
  return true;
}

bool TryStrToTime(const String& text, TDateTime& value) {
  DateTimeScanner scanner(text);
  TDateTime time;
  if (!scanner.ScanTime(time)) return false;
  scanner.SkipBlanks();
  if (!scanner.AtEnd()) return false;
  value = time;
  return true;
}

bool TryStrToDateTime(const String& text, TDateTime& value) {
  DateTimeScanner scanner(text);
  TDateTime date, time = 0;
  if (!scanner.ScanDate(date)) return TryStrToTime(text, value);
  scanner.SkipBlanks();
  if (!scanner.AtEnd()) {
    if (!scanner.ScanTime(time)) return false;
    scanner.SkipBlanks();
    if (!scanner.AtEnd()) return false;
  }
  value = ComposeDateTime(date, time);
  return true;
}

TDateTime StrToDate(const String& text) {
  TDateTime value;
  if (!TryStrToDate(text, value)) RaiseNotValid(text, "date");
  return value;
}

TDateTime StrToTime(const String& text) {
  TDateTime value;
  if (!TryStrToTime(text, value)) RaiseNotValid(text, "time");
  return value;
}

TDateTime StrToDateTime(const String& text) {
  TDateTime value;
  if (!TryStrToDateTime(text, value)) RaiseNotValid(text, "date and time");
  return value;
}
