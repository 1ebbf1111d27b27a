// platform/data/NumericFields.h
//
// Number fields. The integer family (TIntegerField with TSmallintField,
// TWordField and TAutoIncField under it) shares one 32-bit interface and
// differs in its native width and range; TLargeintField is 64-bit;
// TFloatField (with TCurrencyField under it) holds doubles; TBCDField and
// TFMTBCDField hold binary-coded decimals.
//
// Ranges: a value outside the type's range, or outside MinValue..MaxValue
// when either is non-zero, raises EDatabaseError naming the field and the
// range. Display: DisplayFormat (for DisplayText) and EditFormat (for Text)
// are number masks ("#,##0.00"); empty masks give the plain text.
#pragma once

#include "platform/data/Field.h"
#include "platform/rtl/Bcd.h"

class TNumericField : public TField {
  ZORVET_CLASS_NAME(TNumericField)

 public:
  explicit TNumericField(TComponent* owner);

  const String& DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const String& value);
  const String& EditFormat() const { return edit_format_; }
  void SetEditFormat(const String& value);

  // Digits, signs, the decimal separator and the exponent letters.
  bool IsValidChar(char32_t c) const override;

 protected:
  String FormatNumber(double value, bool displayText) const;

 private:
  String display_format_;
  String edit_format_;
};

class TIntegerField : public TNumericField {
  ZORVET_CLASS_NAME(TIntegerField)

 public:
  explicit TIntegerField(TComponent* owner);

  Integer DataSize() const override { return 4; }
  Integer MinValue() const { return min_value_; }
  void SetMinValue(Integer value);
  Integer MaxValue() const { return max_value_; }
  void SetMaxValue(Integer value);

  // The value; false when null.
  bool GetValue(Integer& value) const;

 protected:
  // For descendants of another native width.
  TIntegerField(TComponent* owner, TFieldType type, Integer minRange, Integer maxRange);
  // Reads and writes the native form (32 bits here).
  virtual Integer ReadNative(const Byte* data) const;
  virtual void WriteNative(Integer value, Byte* data) const;

  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override { return Currency::FromInt64(GetAsInteger()); }
  void SetAsCurrencyValue(Currency value) override { SetAsFloatValue(value.ToDouble()); }
  Int64 GetAsLargeInt() const override { return GetAsInteger(); }
  void SetAsLargeIntValue(Int64 value) override;
  bool GetAsBoolean() const override { return GetAsInteger() != 0; }
  void SetAsBooleanValue(bool value) override { SetAsIntegerValue(value ? 1 : 0); }
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  String GetClassText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 11; }

 private:
  void CheckRange(Int64 value) const;
  Integer min_range_;
  Integer max_range_;
  Integer min_value_ = 0;
  Integer max_value_ = 0;
};

class TSmallintField : public TIntegerField {
  ZORVET_CLASS_NAME(TSmallintField)

 public:
  explicit TSmallintField(TComponent* owner);
  Integer DataSize() const override { return 2; }

 protected:
  Integer ReadNative(const Byte* data) const override;
  void WriteNative(Integer value, Byte* data) const override;
  Integer GetDefaultWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
  ZORVET_CLASS_NAME(TWordField)

 public:
  explicit TWordField(TComponent* owner);
  Integer DataSize() const override { return 2; }

 protected:
  Integer ReadNative(const Byte* data) const override;
  void WriteNative(Integer value, Byte* data) const override;
  Integer GetDefaultWidth() const override { return 5; }
};

// Numbered by the dataset; programs read it and rarely write it.
class TAutoIncField : public TIntegerField {
  ZORVET_CLASS_NAME(TAutoIncField)

 public:
  explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
  ZORVET_CLASS_NAME(TLargeintField)

 public:
  explicit TLargeintField(TComponent* owner);

  Integer DataSize() const override { return 8; }
  Int64 MinValue() const { return min_value_; }
  void SetMinValue(Int64 value) { min_value_ = value; }
  Int64 MaxValue() const { return max_value_; }
  void SetMaxValue(Int64 value) { max_value_ = value; }

  bool GetValue(Int64& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override { SetAsLargeIntValue(value); }
  double GetAsFloat() const override { return static_cast<double>(GetAsLargeInt()); }
  void SetAsFloatValue(double value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  Currency GetAsCurrency() const override { return Currency::FromInt64(GetAsLargeInt()); }
  void SetAsCurrencyValue(Currency value) override { SetAsFloatValue(value.ToDouble()); }
  bool GetAsBoolean() const override { return GetAsLargeInt() != 0; }
  void SetAsBooleanValue(bool value) override { SetAsLargeIntValue(value ? 1 : 0); }
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  String GetClassText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 15; }

 private:
  Int64 min_value_ = 0;
  Int64 max_value_ = 0;
};

class TFloatField : public TNumericField {
  ZORVET_CLASS_NAME(TFloatField)

 public:
  explicit TFloatField(TComponent* owner);

  Integer DataSize() const override { return 8; }
  // Shown as money (the format settings' currency form) without a DisplayFormat.
  bool currency() const { return currency_; }
  void SetCurrency(bool value);
  // Significant digits of the plain text (2..15; default 15).
  Integer Precision() const { return precision_; }
  void SetPrecision(Integer value);
  double MinValue() const { return min_value_; }
  void SetMinValue(double value) { min_value_ = value; }
  double MaxValue() const { return max_value_; }
  void SetMaxValue(double value) { max_value_ = value; }

  bool GetValue(double& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override { SetAsFloatValue(value); }
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override { return Currency::FromDouble(GetAsFloat()); }
  void SetAsCurrencyValue(Currency value) override { SetAsFloatValue(value.ToDouble()); }
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override { SetAsFloatValue(static_cast<double>(value)); }
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  String GetClassText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return Precision() + 1; }

 private:
  bool currency_ = false;
  Integer precision_ = 15;
  double min_value_ = 0;
  double max_value_ = 0;
};

class TCurrencyField : public TFloatField {
  ZORVET_CLASS_NAME(TCurrencyField)

 public:
  // ftCurrency, currency on.
  explicit TCurrencyField(TComponent* owner);
};

class TBCDField : public TNumericField {
  ZORVET_CLASS_NAME(TBCDField)

 public:
  // ftBCD with Size (decimals) 4.
  explicit TBCDField(TComponent* owner);

  Integer DataSize() const override { return static_cast<Integer>(sizeof(TBcd)); }
  bool currency() const { return currency_; }
  void SetCurrency(bool value);
  // Total digits (0: up to 32).
  Integer Precision() const { return precision_; }
  void SetPrecision(Integer value);
  Currency MinValue() const { return min_value_; }
  void SetMinValue(Currency value) { min_value_ = value; }
  Currency MaxValue() const { return max_value_; }
  void SetMaxValue(Currency value) { max_value_ = value; }

  TBcd AsBCD() const;
  void SetAsBCD(const TBcd& value);
  bool GetValue(TBcd& value) const;

 protected:
  TBCDField(TComponent* owner, TFieldType type);

  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override { SetAsCurrencyValue(Currency::FromInt64(value)); }
  double GetAsFloat() const override { return GetAsCurrency().ToDouble(); }
  void SetAsFloatValue(double value) override { SetAsCurrencyValue(Currency::FromDouble(value)); }
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override { SetAsCurrencyValue(Currency::FromInt64(value)); }
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  String GetClassText(bool displayText) const override;
  Integer GetDefaultWidth() const override;

 private:
  bool currency_ = false;
  Integer precision_ = 0;
  Currency min_value_;
  Currency max_value_;
};

// ftFMTBcd: a BCD field of up to 64 digits whose text keeps every digit.
class TFMTBCDField : public TBCDField {
  ZORVET_CLASS_NAME(TFMTBCDField)

 public:
  // ftFMTBcd with Size (decimals) 8 and Precision 15.
  explicit TFMTBCDField(TComponent* owner);

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
};
