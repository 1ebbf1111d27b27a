// platform/data/BooleanField.h
//
// TBooleanField (ftBoolean): a 16-bit flag in the record, 0 false. Its text
// is taken from DisplayValues, "TrueText;FalseText" (default "True;False");
// reading text accepts those words, ignoring case, and their first letters.
#pragma once

#include "platform/data/Field.h"

class TBooleanField : public TField {
  ZORVET_CLASS_NAME(TBooleanField)

 public:
  explicit TBooleanField(TComponent* owner);

  Integer DataSize() const override { return 2; }
  const String& DisplayValues() const { return display_values_; }
  void SetDisplayValues(const String& value);

  bool GetValue(bool& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  Integer GetAsInteger() const override { return GetAsBoolean() ? 1 : 0; }
  void SetAsIntegerValue(Integer value) override { SetAsBooleanValue(value != 0); }
  Variant GetAsVariant() const override;
  void SetAsVariantValue(const Variant& value) override;
  Integer GetDefaultWidth() const override;

 private:
  String display_values_;
  String true_text_;
  String false_text_;
};
