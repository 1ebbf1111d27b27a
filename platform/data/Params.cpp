// platform/data/Params.cpp
#include "platform/data/Params.h"

#include "platform/data/DataMessages.h"
#include "platform/rtl/StringUtils.h"

namespace {

// The names of a ';'-separated list, blanks around each trimmed.
std::vector<String> SplitNames(const String& names) {
  std::vector<String> result;
  String name;
  for (char c : names + ";") {
    if (c != ';') {
      name += c;
      continue;
    }
    if (!Trim(name).empty()) result.push_back(Trim(name));
    name.clear();
  }
  return result;
}

bool SameValue(const Variant& a, const Variant& b) {
  const bool aNull = a.IsNull() || a.IsEmpty(), bNull = b.IsNull() || b.IsEmpty();
  if (aNull || bNull) return aNull == bNull;
  if (a.Type() != b.Type()) return false;
  return VarCompareValue(a, b) == vrEqual;
}

}  // namespace

// --- TParam ------------------------------------------------------------------------

TParam::TParam(TCollection* collection) : TCollectionItem(collection) {}

String TParam::DisplayName() const {
  return name_.empty() ? TCollectionItem::DisplayName() : name_;
}

String TParam::AsString() const {
  return IsNull() ? String() : value_.AsString();
}

Integer TParam::AsInteger() const {
  return IsNull() ? 0 : value_.AsInteger();
}

double TParam::AsFloat() const {
  return IsNull() ? 0.0 : value_.AsDouble();
}

TDateTime TParam::AsDateTime() const {
  return IsNull() ? TDateTime(0) : value_.AsDateTime();
}

bool TParam::AsBoolean() const {
  return !IsNull() && value_.AsBoolean();
}

void TParam::SetAsString(const String& value) {
  Set(ftString, value);
}

void TParam::SetAsInteger(Integer value) {
  Set(ftInteger, value);
}

void TParam::SetAsFloat(double value) {
  Set(ftFloat, value);
}

void TParam::SetAsDateTime(TDateTime value) {
  Set(ftDateTime, VarFromDateTime(value));
}

void TParam::SetAsBoolean(bool value) {
  Set(ftBoolean, value);
}

void TParam::SetAsMemo(const String& value) {
  Set(ftMemo, value);
}

void TParam::SetAsBlob(const String& value) {
  Set(ftBlob, value);
}

void TParam::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TParam*>(source)) {
    name_ = other->name_;
    data_type_ = other->data_type_;
    param_type_ = other->param_type_;
    value_ = other->value_;
    return;
  }
  TCollectionItem::Assign(source);
}

// --- TParams -----------------------------------------------------------------------

TParams::TParams(TPersistent* owner)
    : TOwnedCollection(owner, TCollectionItemClass::Of<TParam>()) {}

TParam* TParams::CreateParam(TFieldType dataType, const String& name, TParamType paramType) {
  auto* param = static_cast<TParam*>(Add());
  param->SetName(name);
  param->SetDataType(dataType);
  param->SetParamType(paramType);
  return param;
}

TParam* TParams::FindParam(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

TParam* TParams::ParamByName(const String& name) const {
  TParam* param = FindParam(name);
  if (!param) DatabaseErrorFmt("Parameter '%s' not found", nullptr, name);
  return param;
}

void TParams::GetParamList(std::vector<TParam*>& list, const String& names) const {
  for (const String& name : SplitNames(names)) list.push_back(ParamByName(name));
}

bool TParams::IsEqual(const TParams* other) const {
  if (!other || other->Count() != Count()) return false;
  for (Integer i = 0; i < Count(); ++i) {
    const TParam* a = Items(i);
    const TParam* b = other->Items(i);
    if (!SameText(a->Name(), b->Name()) || a->DataType() != b->DataType() ||
        a->ParamType() != b->ParamType() || !SameValue(a->Value(), b->Value()))
      return false;
  }
  return true;
}

Variant TParams::ParamValues(const String& names) const {
  std::vector<TParam*> list;
  GetParamList(list, names);
  if (list.size() == 1) return list[0]->Value();
  std::vector<Variant> values;
  for (TParam* param : list) values.push_back(param->Value());
  return VarArrayOf(std::move(values));
}

void TParams::SetParamValues(const String& names, const Variant& values) {
  std::vector<TParam*> list;
  GetParamList(list, names);
  if (list.size() == 1 && !values.IsArray()) {
    list[0]->SetValue(values);
    return;
  }
  const Integer low = VarArrayLowBound(values, 1);
  if (VarArrayHighBound(values, 1) - low + 1 != Integer(list.size()))
    DatabaseError("The number of values does not match the number of parameters");
  for (std::size_t i = 0; i < list.size(); ++i)
    list[i]->SetValue(VarArrayGet(values, {low + Integer(i)}));
}
