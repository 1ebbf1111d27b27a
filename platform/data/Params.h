// platform/data/Params.h
//
// TParams: the values a statement takes from outside, one TParam each, in
// the order the statement uses them. A parameter carries a name (may be
// empty: parameters of "?" placeholders are matched by position), a field
// type that says what kind of value it stands for, the direction it is
// passed in, and its value as a Variant (Null until one is given).
//
// Giving a value through a typed setter (AsString, AsInteger, ...) also
// sets the type, so that a parameter filled by code that never named a type
// still tells a statement how to bind it; SetValue keeps the type as it is.
//
// Names compare without regard to ASCII case. Threads: a collection belongs
// to the thread that uses it.
#pragma once

#include <vector>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variant.h"

class TParams;

// Which way a parameter's value goes between the program and the statement.
enum TParamType : Byte { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam : public TCollectionItem {
  ZORVET_CLASS_NAME(TParam)

 public:
  explicit TParam(TCollection* collection);

  const String& Name() const { return name_; }
  void SetName(const String& value) { name_ = value; }
  String DisplayName() const override;
  void SetDisplayName(const String& value) override { SetName(value); }

  TFieldType DataType() const { return data_type_; }
  void SetDataType(TFieldType value) { data_type_ = value; }
  TParamType ParamType() const { return param_type_; }
  void SetParamType(TParamType value) { param_type_ = value; }

  const Variant& Value() const { return value_; }
  // Takes the value as it is; the data type stays.
  void SetValue(const Variant& value) { value_ = value; }
  // Null or unassigned.
  bool IsNull() const { return value_.IsNull() || value_.IsEmpty(); }
  void Clear() { value_ = Null(); }

  // Readers convert the value as the Variant does; a null reads as "", 0,
  // 0.0 or 0 (the date of day 0).
  String AsString() const;
  Integer AsInteger() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  // Writers set the type with the value.
  void SetAsString(const String& value);
  void SetAsInteger(Integer value);
  void SetAsFloat(double value);
  void SetAsDateTime(TDateTime value);
  void SetAsBoolean(bool value);
  void SetAsMemo(const String& value);
  // Bytes of a binary large object, kept as a byte array.
  void SetAsBlob(const String& value);

  // From another TParam: name, type, direction and value.
  void Assign(const TPersistent* source) override;

 private:
  void Set(TFieldType type, const Variant& value) {
    data_type_ = type;
    value_ = value;
  }

  String name_;
  TFieldType data_type_ = ftUnknown;
  TParamType param_type_ = ptUnknown;
  Variant value_ = Null();
};

class TParams : public TOwnedCollection {
  ZORVET_CLASS_NAME(TParams)

 public:
  explicit TParams(TPersistent* owner = nullptr);

  TParam* Items(Integer index) const { return static_cast<TParam*>(TCollection::Items(index)); }
  TParam* operator[](Integer index) const { return Items(index); }

  // A new parameter at the end.
  TParam* CreateParam(TFieldType dataType, const String& name, TParamType paramType);
  // The first parameter of that name, or nullptr.
  TParam* FindParam(const String& name) const;
  // The first parameter of that name; EDatabaseError "Parameter '%s' not
  // found" otherwise.
  TParam* ParamByName(const String& name) const;
  // The parameters named in `names` (';'-separated), in that order; raises
  // as ParamByName for an unknown name.
  void GetParamList(std::vector<TParam*>& list, const String& names) const;
  // Whether both hold the same parameters in the same order (names, types,
  // directions and values).
  bool IsEqual(const TParams* other) const;
  // The value of one named parameter, or an array of the values of several
  // (';'-separated).
  Variant ParamValues(const String& names) const;
  // Sets one named parameter, or several from an array.
  void SetParamValues(const String& names, const Variant& values);
};
