// platform/data/FieldDefs.cpp
#include "platform/data/FieldDefs.h"

#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/data/Fields.h"
#include "platform/data/ObjectFields.h"
#include "platform/rtl/StringUtils.h"

// --- TFieldDef -----------------------------------------------------------------

TFieldDef::TFieldDef(TCollection* collection) : TCollectionItem(collection) {
  // The item has joined its collection already, so the tree's count
  // includes it: the new definition takes the next number.
  if (TFieldDefs* defs = FieldDefs()) {
    while (defs->ParentDef() && defs->ParentDef()->FieldDefs())
      defs = defs->ParentDef()->FieldDefs();
    field_no_ = defs->TotalCount();
  }
}

TFieldDef::~TFieldDef() = default;

TFieldDefs* TFieldDef::FieldDefs() const {
  return static_cast<TFieldDefs*>(Collection());
}

TFieldDef* TFieldDef::ParentDef() const {
  TFieldDefs* defs = FieldDefs();
  return defs ? defs->ParentDef() : nullptr;
}

TDataSet* TFieldDef::DataSet() const {
  const TFieldDefs* defs = FieldDefs();
  while (defs && !defs->DataSet() && defs->ParentDef()) defs = defs->ParentDef()->FieldDefs();
  return defs ? defs->DataSet() : nullptr;
}

void TFieldDef::SetName(const String& value) {
  name_ = value;
  Changed(false);
}

String TFieldDef::DisplayName() const {
  return name_.empty() ? ClassName() : name_;
}

void TFieldDef::SetDataType(TFieldType value) {
  data_type_ = value;
  Changed(false);
}

void TFieldDef::SetSize(Integer value) {
  size_ = value;
  Changed(false);
}

void TFieldDef::SetPrecision(Integer value) {
  precision_ = value;
  Changed(false);
}

void TFieldDef::SetAttributes(TFieldAttributes value) {
  attributes_ = value;
  Changed(false);
}

void TFieldDef::SetRequired(bool value) {
  if (value)
    attributes_ += faRequired;
  else
    attributes_ -= faRequired;
  Changed(false);
}

void TFieldDef::SetInternalCalcField(bool value) {
  internal_calc_ = value;
  Changed(false);
}

TFieldDefs* TFieldDef::ChildDefs() {
  if (!child_defs_) child_defs_ = std::make_unique<TFieldDefs>(this);
  return child_defs_.get();
}

bool TFieldDef::HasChildDefs() const {
  return child_defs_ && child_defs_->Count() > 0;
}

TFieldDef* TFieldDef::AddChild() {
  return ChildDefs()->AddFieldDef();
}

TField* TFieldDef::CreateField(TComponent* owner, TObjectField* parentField,
                               const String& fieldName, bool createChildren) {
  const String name = fieldName.empty() ? name_ : fieldName;
  std::unique_ptr<TField> field = NewField(data_type_, owner ? owner : DataSet());
  if (!field) DatabaseErrorFmt(MsgUnknownFieldType, DataSet(), name, static_cast<int>(data_type_));
  switch (data_type_) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftBytes:
    case ftVarBytes:
      if (size_ < 1) DatabaseErrorFmt(MsgInvalidFieldSize, DataSet(), name);
      field->InitSize(size_);
      break;
    case ftBCD:
    case ftFMTBcd:
      if (size_ > 0) field->InitSize(size_);
      if (precision_ > 0) static_cast<TBCDField*>(field.get())->SetPrecision(precision_);
      break;
    case ftArray:
      field->InitSize(size_);
      break;
    case ftFloat:
    case ftCurrency:
      if (precision_ >= 2) static_cast<TFloatField*>(field.get())->SetPrecision(precision_);
      break;
    default:
      break;
  }
  field->field_name_ = name;
  field->field_no_ = field_no_;
  field->required_ = Required();
  field->read_only_ = attributes_.Contains(faReadonly);
  field->visible_ = !attributes_.Contains(faHiddenCol);
  if (internal_calc_) field->field_kind_ = fkInternalCalc;
  if (parentField)
    field->SetParentField(parentField);
  else
    field->SetDataSet(DataSet());
  TField* result = field.release();  // owned by `owner`, else by the dataset
  if (createChildren && HasChildDefs()) {
    auto* objectField = static_cast<TObjectField*>(result);
    if (data_type_ == ftArray) {
      for (Integer i = 0; i < size_; ++i)
        child_defs_->Items(0)->CreateField(owner, objectField, Format("%s[%d]", name, i), true);
    } else {
      for (Integer i = 0; i < child_defs_->Count(); ++i)
        child_defs_->Items(i)->CreateField(owner, objectField, String(), true);
    }
  }
  return result;
}

void TFieldDef::Assign(const TPersistent* source) {
  if (auto* def = dynamic_cast<const TFieldDef*>(source)) {
    name_ = def->name_;
    data_type_ = def->data_type_;
    size_ = def->size_;
    precision_ = def->precision_;
    attributes_ = def->attributes_;
    internal_calc_ = def->internal_calc_;
    if (def->HasChildDefs())
      ChildDefs()->Assign(def->child_defs_.get());
    else if (child_defs_)
      child_defs_->Clear();
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

// --- TFieldDefs ----------------------------------------------------------------

TFieldDefs::TFieldDefs(TDataSet* dataSet)
    : TOwnedCollection(dataSet, TCollectionItemClass::Of<TFieldDef>()), data_set_(dataSet) {}

TFieldDefs::TFieldDefs(TFieldDef* parentDef)
    : TOwnedCollection(parentDef, TCollectionItemClass::Of<TFieldDef>()), parent_def_(parentDef) {}

TFieldDef* TFieldDefs::AddFieldDef() {
  return static_cast<TFieldDef*>(TCollection::Add());
}

TFieldDef* TFieldDefs::Add(const String& name, TFieldType dataType, Integer size, bool required) {
  if (name.empty()) DatabaseError(MsgFieldNameMissing, data_set_);
  if (IndexOf(name) >= 0) DatabaseErrorFmt(MsgDuplicateFieldName, data_set_, name);
  TFieldDef* def = AddFieldDef();
  def->SetName(name);
  def->SetDataType(dataType);
  def->SetSize(size);
  def->SetRequired(required);
  return def;
}

Integer TFieldDefs::IndexOf(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::FindDef(const String& name) const {
  const Integer i = IndexOf(name);
  return i >= 0 ? Items(i) : nullptr;
}

TFieldDef* TFieldDefs::Find(const String& name) const {
  TFieldDef* def = FindDef(name);
  if (!def) DatabaseErrorFmt(MsgFieldNotFound, data_set_, name);
  return def;
}

void TFieldDefs::Update() {
  if (!data_set_) return;
  updated_ = false;
  data_set_->InitFieldDefs();
}

Integer TFieldDefs::TotalCount() const {
  Integer total = 0;
  for (Integer i = 0; i < Count(); ++i) {
    TFieldDef* def = Items(i);
    ++total;
    if (def->HasChildDefs()) total += def->ChildDefs()->TotalCount();
  }
  return total;
}

void TFieldDefs::Notify(TCollectionItem* item, TCollectionNotification action) {
  updated_ = false;
  TOwnedCollection::Notify(item, action);
}
