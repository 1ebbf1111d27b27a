// platform/data/StringFields.h
//
// Text fields. TStringField serves ftString and, with FixedChar, ftFixedChar
// (blank-padded values whose trailing blanks are not part of the text);
// TWideStringField holds UTF-16 text (the program's strings stay UTF-8 and are
// converted on the way in and out); TGuidField holds a GUID as its 38-character
// text "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
//
// Size counts bytes (UTF-16 code units for wide strings). A longer value is
// cut to Size, never in the middle of a UTF-8 character (or UTF-16 pair).
#pragma once

#include "platform/data/Field.h"

class TStringField : public TField {
  ZORVET_CLASS_NAME(TStringField)

 public:
  // ftString of Size 20.
  explicit TStringField(TComponent* owner);

  Integer DataSize() const override { return Size() + 1; }
  // ftFixedChar instead of ftString.
  bool FixedChar() const { return fixed_char_; }
  void SetFixedChar(bool value);
  // Whether the dataset's Translate runs on values (code-page conversions of
  // datasets that need them).
  bool Transliterate() const { return transliterate_; }
  void SetTransliterate(bool value) { transliterate_ = value; }

  // The value; false (and empty) when null.
  virtual bool GetValue(String& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  Integer GetDefaultWidth() const override { return Size(); }

 private:
  bool fixed_char_ = false;
  bool transliterate_ = true;
};

class TWideStringField : public TStringField {
  ZORVET_CLASS_NAME(TWideStringField)

 public:
  // ftWideString of Size 20.
  explicit TWideStringField(TComponent* owner);

  Integer DataSize() const override { return 2 * Size() + 4; }
  WideString AsWideString() const;
  void SetAsWideString(const WideString& value);

  bool GetValue(String& value) const override;
  bool GetWideValue(WideString& value) const;
  // The text of a native value (a 32-bit byte count, then UTF-16 units) of
  // which `available` bytes are at hand, at most `size` characters long;
  // bytes past `available` read as zeros.
  static WideString NativeToWide(const Byte* data, std::size_t available, Integer size);

 protected:
  void SetAsStringValue(const String& value) override;
};

class TGuidField : public TStringField {
  ZORVET_CLASS_NAME(TGuidField)

 public:
  // ftGuid of Size 38; the size cannot change.
  explicit TGuidField(TComponent* owner);
  // Refuses any size but 38.
  void SetSize(Integer value) override;
};
