// platform/data/Field.cpp
#include "platform/data/Field.h"

#include <cstring>

#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/data/ObjectFields.h"
#include "platform/rtl/StringUtils.h"

// --- TField --------------------------------------------------------------------

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  if (parent_field_) parent_field_->fields_.Remove(this);
  if (data_set_) data_set_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* value) {
  if (value == data_set_) return;
  if (data_set_) data_set_->CheckInactive();
  if (value) value->CheckInactive();
  if (data_set_) data_set_->RemoveField(this);
  if (value) value->AddField(this);
}

void TField::SetParentField(TObjectField* value) {
  if (value == parent_field_) return;
  CheckInactive();
  if (parent_field_) parent_field_->fields_.Remove(this);
  parent_field_ = value;
  if (value) {
    value->fields_.Add(this);
    SetDataSet(value->DataSet());
  }
}

void TField::SetFieldName(const String& value) {
  CheckInactive();
  field_name_ = value;
}

String TField::FullName() const {
  if (parent_field_ && parent_field_->DataType() == ftADT)
    return parent_field_->FullName() + "." + field_name_;
  return field_name_;
}

void TField::SetFieldKind(TFieldKind value) {
  if (value == field_kind_) return;
  CheckInactive();
  field_kind_ = value;
}

void TField::SetCalculated(bool value) {
  if (value)
    SetFieldKind(fkCalculated);
  else if (field_kind_ == fkCalculated)
    SetFieldKind(fkData);
}

void TField::SetLookup(bool value) {
  if (value)
    SetFieldKind(fkLookup);
  else if (field_kind_ == fkLookup)
    SetFieldKind(fkData);
}

Integer TField::Index() const {
  return data_set_ ? data_set_->fields_.IndexOf(this) : -1;
}

void TField::SetIndex(Integer value) {
  if (!data_set_) return;
  TFields& fields = data_set_->fields_;
  const Integer current = fields.IndexOf(this);
  if (value < 0) value = 0;
  if (value >= fields.Count()) value = fields.Count() - 1;
  if (current == value) return;
  fields.Move(current, value);
  PropertyChanged(true);
}

void TField::SetSize(Integer value) {
  CheckInactive();
  size_ = value;
}

bool TField::IsIndexField() const {
  return data_set_ && data_set_->GetIsIndexField(const_cast<TField*>(this));
}

bool TField::CanModify() const {
  return !read_only_ && data_set_ && data_set_->Active() &&
         (field_kind_ == fkData || field_kind_ == fkInternalCalc) && data_set_->CanModify();
}

void TField::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool value) {
  if (value == read_only_) return;
  read_only_ = value;
  PropertyChanged(false);
}

void TField::SetDisplayLabel(const String& value) {
  // A label equal to the name is no label of its own: it follows the name.
  String label = value == field_name_ ? String() : value;
  if (label == display_label_) return;
  display_label_ = std::move(label);
  PropertyChanged(true);
}

Integer TField::DisplayWidth() const {
  return display_width_ < 0 ? GetDefaultWidth() : display_width_;
}

void TField::SetDisplayWidth(Integer value) {
  if (value == display_width_) return;
  display_width_ = value;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  PropertyChanged(false);
}

void TField::SetLookupDataSet(TDataSet* value) {
  if (value == lookup_data_set_) return;
  CheckInactive();
  if (lookup_data_set_) RemoveFreeNotification(lookup_data_set_);
  lookup_data_set_ = value;
  if (value) FreeNotification(value);
}

bool TField::GetIsNull() const {
  return !GetData(nullptr);
}

void TField::Clear() {
  SetData(nullptr);
}

String TField::Text() const {
  String text;
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, false);
  else
    text = GetClassText(false);
  return text;
}

void TField::SetText(const String& value) {
  if (OnSetText)
    OnSetText(this, value);
  else
    SetClassText(value);
}

String TField::DisplayText() const {
  String text;
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, true);
  else
    text = GetClassText(true);
  return text;
}

Variant TField::StateValue(TDataSetState state) const {
  if (!data_set_) DatabaseErrorFmt(MsgDataSetMissing, nullptr, DisplayName());
  const TDataSetState saved = data_set_->SetTempState(state);
  struct Restore {
    TDataSet* ds;
    TDataSetState state;
    ~Restore() { ds->RestoreState(state); }
  } restore{data_set_, saved};
  return GetAsVariant();
}

Variant TField::OldValue() const {
  return StateValue(dsOldValue);
}
Variant TField::CurValue() const {
  return StateValue(dsCurValue);
}
Variant TField::NewValue() const {
  return StateValue(dsNewValue);
}

bool TField::GetData(void* buffer) const {
  if (!data_set_) DatabaseErrorFmt(MsgDataSetMissing, nullptr, DisplayName());
  if (validating_) {
    // OnValidate reads the value about to be written, not the stored one.
    if (!validate_buffer_) return false;
    if (buffer) std::memcpy(buffer, validate_buffer_, static_cast<std::size_t>(DataSize()));
    return true;
  }
  return data_set_->GetFieldData(const_cast<TField*>(this), buffer);
}

bool TField::GetDataText(String& value) const {
  if (!data_set_) DatabaseErrorFmt(MsgDataSetMissing, nullptr, DisplayName());
  if (validating_) {
    if (!validate_buffer_) {
      value.clear();
      return false;
    }
    const char* text = static_cast<const char*>(validate_buffer_);
    value.assign(text, strnlen(text, static_cast<std::size_t>(DataSize())));
    return true;
  }
  return data_set_->GetFieldText(const_cast<TField*>(this), value);
}

void TField::SetData(const void* buffer) {
  if (!data_set_) DatabaseErrorFmt(MsgDataSetMissing, nullptr, DisplayName());
  data_set_->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
  if (!OnValidate) return;
  struct Reset {
    TField* field;
    ~Reset() {
      field->validating_ = false;
      field->validate_buffer_ = nullptr;
    }
  } reset{this};
  validating_ = true;
  validate_buffer_ = buffer;
  OnValidate(this);
}

bool TField::IsValidChar(char32_t c) const {
  (void)c;
  return true;
}

void TField::FocusControl() {
  if (!data_set_ || !data_set_->Active()) return;
  TField* field = this;
  data_set_->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&field));
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

void TField::Assign(const TPersistent* source) {
  if (auto* field = dynamic_cast<const TField*>(source)) {
    SetAsVariant(field->AsVariant());
    return;
  }
  TComponent::Assign(source);
}

void TField::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == lookup_data_set_) lookup_data_set_ = nullptr;
  TComponent::Notification(component, operation);
}

String TField::GetAsString() const {
  AccessError("String");
}
void TField::SetAsStringValue(const String&) {
  AccessError("String");
}
Integer TField::GetAsInteger() const {
  AccessError("Integer");
}
void TField::SetAsIntegerValue(Integer) {
  AccessError("Integer");
}
double TField::GetAsFloat() const {
  AccessError("Float");
}
void TField::SetAsFloatValue(double) {
  AccessError("Float");
}
bool TField::GetAsBoolean() const {
  AccessError("Boolean");
}
void TField::SetAsBooleanValue(bool) {
  AccessError("Boolean");
}
Currency TField::GetAsCurrency() const {
  return Currency::FromDouble(GetAsFloat());
}
void TField::SetAsCurrencyValue(Currency value) {
  SetAsFloatValue(value.ToDouble());
}
TDateTime TField::GetAsDateTime() const {
  AccessError("DateTime");
}
void TField::SetAsDateTimeValue(TDateTime) {
  AccessError("DateTime");
}
Int64 TField::GetAsLargeInt() const {
  AccessError("LargeInt");
}
void TField::SetAsLargeIntValue(Int64) {
  AccessError("LargeInt");
}
Variant TField::GetAsVariant() const {
  AccessError("Variant");
}
void TField::SetAsVariantValue(const Variant&) {
  AccessError("Variant");
}
String TField::GetClassText(bool) const {
  return GetAsString();
}
void TField::SetClassText(const String& value) {
  SetAsStringValue(value);
}

bool TField::SetNullOrText(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) {
    Clear();
    return true;
  }
  if (value.Type() == varString) {
    SetAsStringValue(value.AsString());
    return true;
  }
  return false;
}

bool TField::ClearIfBlank(const String& text) {
  if (!Trim(text).empty()) return false;
  Clear();
  return true;
}

void TField::AccessError(const char* typeName) const {
  DatabaseErrorFmt(MsgFieldAccessError, nullptr, DisplayName(), typeName);
}

void TField::InvalidValue(const String& text) const {
  DatabaseErrorFmt(MsgInvalidFieldValue, nullptr, text, DisplayName());
}

void TField::CheckInactive() const {
  if (data_set_) data_set_->CheckInactive();
}

void TField::PropertyChanged(bool layoutAffected) {
  if (data_set_ && data_set_->Active())
    data_set_->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange, 0);
}

// --- TFields -------------------------------------------------------------------

TField* TFields::Fields(Integer index) const {
  if (index < 0 || index >= Count()) DatabaseErrorFmt(MsgFieldIndexError, data_set_, index);
  return fields_[static_cast<std::size_t>(index)];
}

TField* TFields::FindField(const String& name) const {
  for (TField* field : fields_)
    if (SameText(field->FullName(), name)) return field;
  return nullptr;
}

TField* TFields::FieldByName(const String& name) const {
  TField* field = FindField(name);
  if (!field) DatabaseErrorFmt(MsgFieldNotFound, data_set_, name);
  return field;
}

TField* TFields::FieldByNumber(Integer fieldNo) const {
  for (TField* field : fields_)
    if (field->FieldNo() == fieldNo) return field;
  return nullptr;
}

Integer TFields::IndexOf(const TField* field) const {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i] == field) return static_cast<Integer>(i);
  return -1;
}

void TFields::Add(TField* field) {
  fields_.push_back(field);
}

void TFields::Remove(TField* field) {
  const Integer i = IndexOf(field);
  if (i >= 0) fields_.erase(fields_.begin() + i);
}

void TFields::Move(Integer from, Integer to) {
  TField* field = fields_[static_cast<std::size_t>(from)];
  fields_.erase(fields_.begin() + from);
  fields_.insert(fields_.begin() + to, field);
}
