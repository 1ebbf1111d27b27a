// platform/data/ObjectFields.h
//
// Structured fields: an ADT field groups member fields, an array field holds
// Size element fields named "NAME[0]", "NAME[1]", ... Their own value is
// the array of their members' values; the members are ordinary fields of the
// dataset (they appear in its Fields list after their parent) and also in
// the parent's own Fields list.
#pragma once

#include "platform/data/Field.h"

class TObjectField : public TField {
  ZORVET_CLASS_NAME(TObjectField)

 public:
  ~TObjectField() override;

  // The member fields, in order.
  TFields& Fields() { return fields_; }
  const TFields& Fields() const { return fields_; }
  Integer FieldCount() const { return fields_.Count(); }

  // Clears every member.
  void Clear() override;

 protected:
  TObjectField(TComponent* owner, TFieldType type);

  // Null when every member is null.
  bool GetIsNull() const override;
  Variant GetAsVariant() const override;
  // An array with one value per member (or a null / empty value to clear all).
  void SetAsVariantValue(const Variant& value) override;
  String GetAsString() const override;
  String GetClassText(bool displayText) const override;

 private:
  friend class TField;
  TFields fields_{nullptr};
};

class TADTField : public TObjectField {
  ZORVET_CLASS_NAME(TADTField)

 public:
  explicit TADTField(TComponent* owner);
};

class TArrayField : public TObjectField {
  ZORVET_CLASS_NAME(TArrayField)

 public:
  // ftArray of Size (elements) 10.
  explicit TArrayField(TComponent* owner);
};
