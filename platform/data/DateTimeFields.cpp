// platform/data/DateTimeFields.cpp
#include "platform/data/DateTimeFields.h"

#include <cmath>
#include <cstring>

#include "platform/data/DataSet.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"

Integer DateTimeToNativeDate(TDateTime value) {
  return DateTimeToTimeStamp(value).Date;
}

TDateTime NativeDateToDateTime(Integer days) {
  return TimeStampToDateTime(TTimeStamp{0, days});
}

Integer DateTimeToNativeTime(TDateTime value) {
  return DateTimeToTimeStamp(value).Time;
}

TDateTime NativeTimeToDateTime(Integer msecs) {
  return TimeStampToDateTime(TTimeStamp{msecs, DateDelta});
}

double DateTimeToNativeDateTime(TDateTime value) {
  return TimeStampToMSecs(DateTimeToTimeStamp(value));
}

TDateTime NativeDateTimeToDateTime(double msecs) {
  return TimeStampToDateTime(MSecsToTimeStamp(msecs));
}

// --- TDateTimeField ------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner) {
  SetDataType(type);
}

void TDateTimeField::SetDisplayFormat(const String& value) {
  display_format_ = value;
  PropertyChanged(false);
}

bool TDateTimeField::GetValue(TDateTime& value) const {
  Byte buffer[8] = {};
  if (!GetData(buffer)) return false;
  switch (DataType()) {
    case ftDate: {
      Integer days;
      std::memcpy(&days, buffer, 4);
      value = NativeDateToDateTime(days);
      break;
    }
    case ftTime: {
      Integer msecs;
      std::memcpy(&msecs, buffer, 4);
      value = NativeTimeToDateTime(msecs);
      break;
    }
    default: {
      double msecs;
      std::memcpy(&msecs, buffer, 8);
      value = NativeDateTimeToDateTime(msecs);
    }
  }
  return true;
}

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime v;
  return GetValue(v) ? v : 0.0;
}

void TDateTimeField::SetAsDateTimeValue(TDateTime value) {
  Byte buffer[8] = {};
  switch (DataType()) {
    case ftDate: {
      const Integer days = DateTimeToNativeDate(value);
      std::memcpy(buffer, &days, 4);
      break;
    }
    case ftTime: {
      const Integer msecs = DateTimeToNativeTime(value);
      std::memcpy(buffer, &msecs, 4);
      break;
    }
    default: {
      const double msecs = DateTimeToNativeDateTime(value);
      std::memcpy(buffer, &msecs, 8);
    }
  }
  SetData(buffer);
}

String TDateTimeField::GetAsString() const {
  return GetClassText(false);
}

void TDateTimeField::SetAsStringValue(const String& value) {
  if (ClearIfBlank(value)) return;
  SetAsDateTimeValue(ParseText(value));
}

Variant TDateTimeField::GetAsVariant() const {
  TDateTime v;
  return GetValue(v) ? VarFromDateTime(v) : Null();
}

void TDateTimeField::SetAsVariantValue(const Variant& value) {
  if (!SetNullOrText(value)) SetAsDateTimeValue(value.AsDateTime());
}

String TDateTimeField::GetClassText(bool displayText) const {
  TDateTime v;
  if (!GetValue(v)) return String();
  const String format = displayText && !display_format_.empty() ? display_format_ : DefaultFormat();
  return FormatDateTime(format, v);
}

String TDateTimeField::DefaultFormat() const {
  // The short date, and the long time unless it is midnight ("c").
  return "c";
}

TDateTime TDateTimeField::ParseText(const String& text) const {
  TDateTime v;
  if (!TryStrToDateTime(text, v)) InvalidValue(text);
  return v;
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}

String TDateField::DefaultFormat() const {
  return FormatSettings().ShortDateFormat;
}

TDateTime TDateField::ParseText(const String& text) const {
  TDateTime v;
  if (!TryStrToDate(text, v)) InvalidValue(text);
  return v;
}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}

String TTimeField::DefaultFormat() const {
  return FormatSettings().LongTimeFormat;
}

TDateTime TTimeField::ParseText(const String& text) const {
  TDateTime v;
  if (!TryStrToTime(text, v)) InvalidValue(text);
  return v;
}

// --- TSQLTimeStampField ----------------------------------------------------------

TSQLTimeStampField::TSQLTimeStampField(TComponent* owner) : TField(owner) {
  SetDataType(ftTimeStamp);
}

void TSQLTimeStampField::SetDisplayFormat(const String& value) {
  display_format_ = value;
  PropertyChanged(false);
}

bool TSQLTimeStampField::GetValue(TSQLTimeStamp& value) const {
  Byte buffer[sizeof(TSQLTimeStamp)];
  if (!GetData(buffer)) return false;
  std::memcpy(&value, buffer, sizeof value);
  return true;
}

TSQLTimeStamp TSQLTimeStampField::AsSQLTimeStamp() const {
  TSQLTimeStamp v;
  GetValue(v);
  return v;
}

void TSQLTimeStampField::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
  Byte buffer[sizeof(TSQLTimeStamp)];
  std::memcpy(buffer, &value, sizeof value);
  SetData(buffer);
}

String TSQLTimeStampField::GetAsString() const {
  return GetClassText(false);
}

void TSQLTimeStampField::SetAsStringValue(const String& value) {
  if (ClearIfBlank(value)) return;
  TDateTime v;
  if (!TryStrToDateTime(value, v)) InvalidValue(value);
  SetAsSQLTimeStamp(DateTimeToSQLTimeStamp(v));
}

TDateTime TSQLTimeStampField::GetAsDateTime() const {
  TSQLTimeStamp v;
  return GetValue(v) ? SQLTimeStampToDateTime(v) : 0.0;
}

void TSQLTimeStampField::SetAsDateTimeValue(TDateTime value) {
  SetAsSQLTimeStamp(DateTimeToSQLTimeStamp(value));
}

Variant TSQLTimeStampField::GetAsVariant() const {
  TSQLTimeStamp v;
  return GetValue(v) ? VarFromDateTime(SQLTimeStampToDateTime(v)) : Null();
}

void TSQLTimeStampField::SetAsVariantValue(const Variant& value) {
  if (!SetNullOrText(value)) SetAsDateTimeValue(value.AsDateTime());
}

String TSQLTimeStampField::GetClassText(bool displayText) const {
  TSQLTimeStamp v;
  if (!GetValue(v)) return String();
  return SQLTimeStampToStr(displayText ? display_format_ : String(), v);
}
