// platform/data/DateTimeFields.h
//
// Date and time fields. TDateTimeField (ftDateTime) and its descendants
// TDateField (ftDate) and TTimeField (ftTime) exchange TDateTime values with
// the program and keep the record forms of Field.h: a day number, a
// millisecond count, or the total milliseconds. TSQLTimeStampField holds a
// TSQLTimeStamp. DisplayFormat is a FormatDateTime format; empty gives the
// settings' short date, long time or both.
#pragma once

#include "platform/data/Field.h"
#include "platform/rtl/SqlTimeStamp.h"

// The record forms (exact to the millisecond). Raise EConvertError for
// values outside the years 1..9999.
Integer DateTimeToNativeDate(TDateTime value);
TDateTime NativeDateToDateTime(Integer days);
Integer DateTimeToNativeTime(TDateTime value);
TDateTime NativeTimeToDateTime(Integer msecs);
double DateTimeToNativeDateTime(TDateTime value);
TDateTime NativeDateTimeToDateTime(double msecs);

class TDateTimeField : public TField {
  ZORVET_CLASS_NAME(TDateTimeField)

 public:
  explicit TDateTimeField(TComponent* owner);

  Integer DataSize() const override { return 8; }
  const String& DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const String& value);

  // The value; false when null.
  bool GetValue(TDateTime& value) const;

 protected:
  TDateTimeField(TComponent* owner, TFieldType type);

  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  double GetAsFloat() const override { return GetAsDateTime(); }
  void SetAsFloatValue(double value) override { SetAsDateTimeValue(value); }
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  String GetClassText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 18; }

  // The format used when DisplayFormat is empty.
  virtual String DefaultFormat() const;
  // Parses text typed for this kind of field.
  virtual TDateTime ParseText(const String& text) const;

 private:
  String display_format_;
};

class TDateField : public TDateTimeField {
  ZORVET_CLASS_NAME(TDateField)

 public:
  explicit TDateField(TComponent* owner);
  Integer DataSize() const override { return 4; }

 protected:
  String DefaultFormat() const override;
  TDateTime ParseText(const String& text) const override;
  Integer GetDefaultWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
  ZORVET_CLASS_NAME(TTimeField)

 public:
  explicit TTimeField(TComponent* owner);
  Integer DataSize() const override { return 4; }

 protected:
  String DefaultFormat() const override;
  TDateTime ParseText(const String& text) const override;
  Integer GetDefaultWidth() const override { return 10; }
};

class TSQLTimeStampField : public TField {
  ZORVET_CLASS_NAME(TSQLTimeStampField)

 public:
  explicit TSQLTimeStampField(TComponent* owner);

  Integer DataSize() const override { return static_cast<Integer>(sizeof(TSQLTimeStamp)); }
  const String& DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const String& value);

  TSQLTimeStamp AsSQLTimeStamp() const;
  void SetAsSQLTimeStamp(const TSQLTimeStamp& value);
  bool GetValue(TSQLTimeStamp& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  double GetAsFloat() const override { return GetAsDateTime(); }
  void SetAsFloatValue(double value) override { SetAsDateTimeValue(value); }
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  String GetClassText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 20; }

 private:
  String display_format_;
};
