// platform/rtl/FormatSettings.h
//
// The process-wide number, date and currency settings that text conversions
// read (FloatToStr, DateToStr, StrToDateTime, Format's %n/%m, ...). Code that
// needs fixed settings for a while (a file format, say) switches them with a
// TFormatSettingsGuard, which restores the previous settings on every way out.
//
// Threads: the settings are one object for the process; code that switches
// them must not run on two threads at once.
#pragma once

#include "platform/rtl/Types.h"

struct TFormatSettings {
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  String ShortDateFormat = "dd/mm/yyyy";
  String LongDateFormat = "dd mmmm yyyy";
  String ShortTimeFormat = "hh:nn";
  String LongTimeFormat = "hh:nn:ss";
  String TimeAMString = "AM";
  String TimePMString = "PM";
  String CurrencyString = "$";
  Byte CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  Byte NegCurrFormat = 0;   // 0 "($1)", 1 "-$1", ... as the conventional table has them
  Byte CurrencyDecimals = 2;
  Word TwoDigitYearCenturyWindow = 50;  // two-digit years 00-49 are 2000-2049, 50-99 are 1950-1999
};

// The settings in force. Mutable: code may assign a field or the whole object.
TFormatSettings& FormatSettings();

// Switches the process-wide settings for its lifetime.
class TFormatSettingsGuard {
 public:
  TFormatSettingsGuard() : saved_(FormatSettings()) {}
  explicit TFormatSettingsGuard(const TFormatSettings& replacement) : saved_(FormatSettings()) {
    FormatSettings() = replacement;
  }
  ~TFormatSettingsGuard() { FormatSettings() = saved_; }
  TFormatSettingsGuard(const TFormatSettingsGuard&) = delete;
  TFormatSettingsGuard& operator=(const TFormatSettingsGuard&) = delete;

 private:
  TFormatSettings saved_;
};
