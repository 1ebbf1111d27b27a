// platform/data/ObjectFields.cpp
#include "platform/data/ObjectFields.h"

#include "platform/data/DataSet.h"

TObjectField::TObjectField(TComponent* owner, TFieldType type) : TField(owner) {
  SetDataType(type);
}

TObjectField::~TObjectField() {
  // The members belong to their owner, not to this field; they only lose
  // their parent.
  for (TField* member : fields_) member->parent_field_ = nullptr;
  fields_.Clear();
}

void TObjectField::Clear() {
  for (TField* member : fields_) member->Clear();
}

bool TObjectField::GetIsNull() const {
  if (fields_.Count() == 0) return TField::GetIsNull();
  for (TField* member : fields_)
    if (!member->IsNull()) return false;
  return true;
}

Variant TObjectField::GetAsVariant() const {
  std::vector<Variant> values;
  for (TField* member : fields_) values.push_back(member->AsVariant());
  return VarArrayOf(std::move(values));
}

void TObjectField::SetAsVariantValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) {
    Clear();
    return;
  }
  if (!value.IsArray()) AccessError("Variant");
  const Integer low = VarArrayLowBound(value, 1), high = VarArrayHighBound(value, 1);
  for (Integer i = 0; i < fields_.Count() && low + i <= high; ++i)
    fields_.Fields(i)->SetAsVariant(VarArrayGet(value, {low + i}));
}

String TObjectField::GetAsString() const {
  String text = "(";
  for (Integer i = 0; i < fields_.Count(); ++i) {
    if (i > 0) text += ", ";
    text += fields_.Fields(i)->DisplayText();
  }
  return text + ")";
}

String TObjectField::GetClassText(bool) const {
  return GetAsString();
}

TADTField::TADTField(TComponent* owner) : TObjectField(owner, ftADT) {}

TArrayField::TArrayField(TComponent* owner) : TObjectField(owner, ftArray) {
  InitSize(10);
}
