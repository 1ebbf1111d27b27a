// platform/data/Field.h
//
// TField: access to one value of a dataset's current record, and TFields,
// the dataset's ordered list of them.
//
// A field does not hold its value: every read asks the dataset for the bytes
// of the record that the dataset's state designates (GetData -> the dataset's
// GetFieldData) and every write hands bytes to the dataset (SetData -> the
// dataset's SetFieldData), in the field type's native record-buffer form:
//
//   ftString, ftFixedChar, ftGuid   the characters and a terminating 0 (Size + 1 bytes)
//   ftSmallint, ftWord, ftBoolean   16 bits (signed, unsigned, 0 = false)
//   ftInteger, ftAutoInc            32-bit signed
//   ftLargeint                      64-bit signed
//   ftFloat, ftCurrency             double
//   ftBCD, ftFMTBcd                 TBcd (34 bytes)
//   ftDate                          32-bit day number (0001-01-01 is day 1)
//   ftTime                          32-bit milliseconds since midnight
//   ftDateTime                      double of milliseconds since 0001-01-01 00:00 (day 1)
//   ftTimeStamp                     TSQLTimeStamp (16 bytes)
//   ftBytes                         Size bytes
//   ftVarBytes                      16-bit byte count, then Size bytes
//   ftWideString                    32-bit byte count, then UTF-16 code units (2 * Size + 4 bytes)
//   blob types                      none: read and written through the dataset's blob streams
//
// DataSize() is the size of that form. Values are read and written with
// memcpy, never through a cast pointer, because records place them at odd
// offsets.
//
// Conversions a field class does not support raise EDatabaseError naming the
// field and the requested type. Writing a value outside the dataset's write
// states is refused by the dataset, not by the field.
//
// Fields are components: persistent fields are created by the program with
// an owner (usually the form) and given a dataset with SetDataSet; default
// fields are created by the dataset from its field definitions when it opens
// and destroyed when it closes.
#pragma once

#include <functional>
#include <vector>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TField;
class TObjectField;

using TFieldNotifyEvent = std::function<void(TField* Sender)>;
// Supplies the text shown (DisplayText true) or edited (false) for the field.
using TFieldGetTextEvent = std::function<void(TField* Sender, String& Text, bool DisplayText)>;
// Takes text typed by the user in place of the field's own conversion.
using TFieldSetTextEvent = std::function<void(TField* Sender, const String& Text)>;

class TField : public TComponent {
  ZORVET_CLASS_NAME(TField)

 public:
  explicit TField(TComponent* owner);
  // Leaves its dataset's field list (and its parent field's).
  ~TField() override;

  // --- binding -------------------------------------------------------------
  TDataSet* DataSet() const { return data_set_; }
  // Moves the field to another dataset's field list (nullptr: none). Both
  // datasets must be closed (EDatabaseError otherwise).
  virtual void SetDataSet(TDataSet* value);
  // The ADT or array field this field is a member of, or nullptr.
  TObjectField* ParentField() const { return parent_field_; }
  void SetParentField(TObjectField* value);

  const String& FieldName() const { return field_name_; }
  // Only while the dataset is closed.
  void SetFieldName(const String& value);
  // The name qualified by the parent fields ("ADDRESS.CITY"); array
  // elements carry their own "NAME[i]" names.
  String FullName() const;
  TFieldKind FieldKind() const { return field_kind_; }
  // Only while the dataset is closed.
  void SetFieldKind(TFieldKind value);
  bool Calculated() const { return field_kind_ == fkCalculated; }
  void SetCalculated(bool value);
  bool Lookup() const { return field_kind_ == fkLookup; }
  void SetLookup(bool value);
  // The number of the dataset's field definition (data and internal-calc
  // fields, from 1), or 0 / below for calculated and lookup fields.
  Integer FieldNo() const { return field_no_; }
  // Position in the dataset's Fields list (-1 without a dataset).
  Integer Index() const;
  void SetIndex(Integer value);
  // Where a calculated or lookup field's null flag byte lies in the
  // calculated-field area (its value follows it); set when the dataset binds
  // its fields.
  Integer Offset() const { return offset_; }
  TFieldType DataType() const { return data_type_; }
  // Characters, bytes or decimals as the class uses it; 0 for fixed types.
  Integer Size() const { return size_; }
  // Only while the dataset is closed.
  virtual void SetSize(Integer value);
  // Bytes of the native record-buffer form (table above).
  virtual Integer DataSize() const { return 0; }
  virtual bool IsBlob() const { return false; }
  // Whether the dataset's current order uses this field.
  bool IsIndexField() const;
  // Whether a value can be written by the user now: a data or internal-calc
  // field, not read-only, of an active dataset that can be modified.
  bool CanModify() const;

  // --- presentation and rules ---------------------------------------------
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  // A post refuses the record while this field is null.
  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  // The label shown for the field: the one set, or the field name.
  String DisplayLabel() const { return DisplayName(); }
  void SetDisplayLabel(const String& value);
  String DisplayName() const { return display_label_.empty() ? field_name_ : display_label_; }
  // Characters a control shows; the class's default until set.
  Integer DisplayWidth() const;
  void SetDisplayWidth(Integer value);
  const String& EditMask() const { return edit_mask_; }
  void SetEditMask(const String& value) { edit_mask_ = value; }
  // Text of the value a new record receives (applied by datasets that use it).
  const String& DefaultExpression() const { return default_expression_; }
  void SetDefaultExpression(const String& value) { default_expression_ = value; }
  // The column (or expression) of the dataset's source the field shows,
  // where its name alone does not say it; empty: the field's name.
  const String& Origin() const { return origin_; }
  void SetOrigin(const String& value) { origin_ = value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TProviderFlags ProviderFlags() const { return provider_flags_; }
  void SetProviderFlags(TProviderFlags value) { provider_flags_ = value; }

  // --- lookup fields ------------------------------------------------------
  // A lookup field shows LookupResultField of the record of LookupDataSet
  // whose LookupKeyFields equal this dataset's KeyFields (';'-separated).
  TDataSet* LookupDataSet() const { return lookup_data_set_; }
  void SetLookupDataSet(TDataSet* value);
  const String& LookupKeyFields() const { return lookup_key_fields_; }
  void SetLookupKeyFields(const String& value) { lookup_key_fields_ = value; }
  const String& LookupResultField() const { return lookup_result_field_; }
  void SetLookupResultField(const String& value) { lookup_result_field_ = value; }
  const String& KeyFields() const { return key_fields_; }
  void SetKeyFields(const String& value) { key_fields_ = value; }

  // --- events ---------------------------------------------------------------
  // Before a value is written; the handler reads the new value through the
  // field and may raise to refuse it.
  TFieldNotifyEvent OnValidate;
  // After the value changed.
  TFieldNotifyEvent OnChange;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // --- values ---------------------------------------------------------------
  bool IsNull() const { return GetIsNull(); }
  // Makes the value null.
  virtual void Clear();
  String AsString() const { return GetAsString(); }
  void SetAsString(const String& value) { SetAsStringValue(value); }
  Integer AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(Integer value) { SetAsIntegerValue(value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double value) { SetAsFloatValue(value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
  Currency AsCurrency() const { return GetAsCurrency(); }
  void SetAsCurrency(Currency value) { SetAsCurrencyValue(value); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime value) { SetAsDateTimeValue(value); }
  Int64 AsLargeInt() const { return GetAsLargeInt(); }
  void SetAsLargeInt(Int64 value) { SetAsLargeIntValue(value); }
  // Null for a null field.
  Variant AsVariant() const { return GetAsVariant(); }
  // A null or empty variant clears the field.
  void SetAsVariant(const Variant& value) { SetAsVariantValue(value); }
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& value) { SetAsVariantValue(value); }
  // The text for editing (OnGetText with DisplayText false, else the
  // class's edit form).
  String Text() const;
  void SetText(const String& value);
  // The text for display (OnGetText with DisplayText true, else the class's
  // display form, e.g. through DisplayFormat).
  String DisplayText() const;
  // The value as it was before the current edit, as the dataset keeps it
  // now, and as it will be posted (the dataset's old/current/new value states).
  Variant OldValue() const;
  Variant CurValue() const;
  Variant NewValue() const;

  // The value in native form (nullptr buffer: only the null test); false
  // when null.
  bool GetData(void* buffer) const;
  // As GetData for a string field, straight into text: the characters of
  // the native form up to the first 0; false (and empty) when null.
  bool GetDataText(String& value) const;
  // Writes the native form; nullptr makes the value null.
  void SetData(const void* buffer);
  // Fires OnValidate with `buffer` as the field's value for the handler's
  // reads. Datasets call it from SetFieldData before storing the value.
  virtual void Validate(const void* buffer);
  // Whether a control may accept the code point `c` as typed into this field.
  virtual bool IsValidChar(char32_t c) const;
  // Asks the data-aware control showing this field to take the focus.
  void FocusControl();
  // Called by the dataset after the value changed: fires OnChange.
  virtual void Change();

  // From another field: its value (null stays null).
  void Assign(const TPersistent* source) override;

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void SetDataType(TFieldType value) { data_type_ = value; }
  virtual bool GetIsNull() const;
  // Sets Size without the closed-dataset check, for constructors.
  void InitSize(Integer value) { size_ = value; }

  virtual String GetAsString() const;
  virtual void SetAsStringValue(const String& value);
  virtual Integer GetAsInteger() const;
  virtual void SetAsIntegerValue(Integer value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool value);
  virtual Currency GetAsCurrency() const;
  virtual void SetAsCurrencyValue(Currency value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeValue(TDateTime value);
  virtual Int64 GetAsLargeInt() const;
  virtual void SetAsLargeIntValue(Int64 value);
  virtual Variant GetAsVariant() const;
  virtual void SetAsVariantValue(const Variant& value);
  // The class's own text: for display (`displayText`) or for editing.
  virtual String GetClassText(bool displayText) const;
  virtual void SetClassText(const String& value);
  virtual Integer GetDefaultWidth() const { return 10; }

  // Shared steps of the setters: a null or empty variant clears the field
  // and a text goes through SetAsString (true: handled); a blank text clears
  // it (true: handled).
  bool SetNullOrText(const Variant& value);
  bool ClearIfBlank(const String& text);
  // Raises EDatabaseError "cannot access field as <typeName>".
  [[noreturn]] void AccessError(const char* typeName) const;
  // Raises EDatabaseError "'<text>' is not a valid value for field".
  [[noreturn]] void InvalidValue(const String& text) const;
  // Raises EDatabaseError when the dataset is open.
  void CheckInactive() const;
  // Tells an active dataset that a property shown by controls changed.
  void PropertyChanged(bool layoutAffected);

 private:
  friend class TDataSet;
  friend class TFields;
  friend class TFieldDef;
  friend class TObjectField;

  Variant StateValue(TDataSetState state) const;

  TDataSet* data_set_ = nullptr;
  TObjectField* parent_field_ = nullptr;
  String field_name_;
  TFieldKind field_kind_ = fkData;
  Integer field_no_ = 0;
  Integer offset_ = 0;
  TFieldType data_type_ = ftUnknown;
  Integer size_ = 0;
  bool visible_ = true;
  bool read_only_ = false;
  bool required_ = false;
  String display_label_;
  Integer display_width_ = -1;  // -1: the class's default
  String edit_mask_;
  String default_expression_;
  String origin_;
  TAlignment alignment_ = taLeftJustify;
  TProviderFlags provider_flags_{pfInWhere, pfInUpdate};
  TDataSet* lookup_data_set_ = nullptr;
  String lookup_key_fields_;
  String lookup_result_field_;
  String key_fields_;
  // While OnValidate runs: the value being validated (nullptr: null).
  bool validating_ = false;
  const void* validate_buffer_ = nullptr;
};

// The ordered fields of a dataset (or of an ADT or array field). It refers
// to the fields and does not own them.
class TFields : public TObject {
  ZORVET_CLASS_NAME(TFields)

 public:
  explicit TFields(TDataSet* dataSet) : data_set_(dataSet) {}

  TDataSet* DataSet() const { return data_set_; }
  Integer Count() const { return static_cast<Integer>(fields_.size()); }
  // EDatabaseError for an index outside 0..Count()-1.
  TField* Fields(Integer index) const;
  TField* operator[](Integer index) const { return Fields(index); }
  // By FullName, ignoring ASCII case; nullptr when absent.
  TField* FindField(const String& name) const;
  // As FindField; EDatabaseError "field not found" when absent.
  TField* FieldByName(const String& name) const;
  // The field with that field number, or nullptr.
  TField* FieldByNumber(Integer fieldNo) const;
  Integer IndexOf(const TField* field) const;

  std::vector<TField*>::const_iterator begin() const { return fields_.begin(); }
  std::vector<TField*>::const_iterator end() const { return fields_.end(); }

 private:
  friend class TDataSet;
  friend class TField;
  friend class TObjectField;
  void Add(TField* field);
  void Remove(TField* field);
  void Move(Integer from, Integer to);
  void Clear() { fields_.clear(); }

  TDataSet* data_set_;
  std::vector<TField*> fields_;
};
