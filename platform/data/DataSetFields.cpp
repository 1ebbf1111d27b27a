// platform/data/DataSetFields.cpp
//
// Fields and field definitions of an open dataset, calculated and lookup
// fields, blob streams and block reads.
#include "platform/data/DataSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/data/DataLink.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

// Persistent fields may stand for a definition of a neighbouring type.
bool SameFieldFamily(TFieldType a, TFieldType b) {
  auto family = [](TFieldType t) {
    switch (t) {
      case ftFixedChar:
        return ftString;
      case ftAutoInc:
        return ftInteger;
      default:
        return t;
    }
  };
  return family(a) == family(b);
}

}  // namespace

// --- fields ------------------------------------------------------------------------

TField* TDataSet::FieldByName(const String& name) const {
  TField* field = fields_.FindField(name);
  if (!field) DatabaseErrorFmt(MsgFieldNotFound, this, name);
  return field;
}

void TDataSet::GetFieldList(std::vector<TField*>& list, const String& fieldNames) const {
  std::size_t start = 0;
  while (start <= fieldNames.size()) {
    std::size_t end = fieldNames.find(';', start);
    if (end == String::npos) end = fieldNames.size();
    const String name = Trim(std::string_view(fieldNames).substr(start, end - start));
    if (!name.empty()) list.push_back(FieldByName(name));
    start = end + 1;
  }
}

std::vector<String> TDataSet::GetFieldNames() const {
  std::vector<String> names;
  for (TField* field : fields_) names.push_back(field->FieldName());
  return names;
}

void TDataSet::SetFieldDefs(const TFieldDefs* value) {
  CheckInactive();
  field_defs_->Assign(value);
}

void TDataSet::InitFieldDefs() {
  if (field_defs_->Updated()) return;
  InternalInitFieldDefs();
  field_defs_->SetUpdated(true);
}

void TDataSet::AddField(TField* field) {
  fields_.Add(field);
  field->data_set_ = this;
}

void TDataSet::RemoveField(TField* field) {
  fields_.Remove(field);
  field->data_set_ = nullptr;
}

void TDataSet::CreateFields() {
  // Field numbers follow the definitions: each definition takes the next
  // number, its members after it, and an array's element definition once
  // per element.
  Integer number = 1;
  for (Integer i = 0; i < field_defs_->Count(); ++i)
    CreateFieldsForDef(field_defs_->Items(i), nullptr, String(), true, number);
}

void TDataSet::CreateFieldsForDef(TFieldDef* def, TObjectField* parent, const String& name,
                                  bool numberDef, Integer& number) {
  const Integer fieldNo = number++;
  if (numberDef) def->SetFieldNo(fieldNo);
  TField* field = nullptr;
  if (HasFieldClass(def->DataType())) {
    field = def->CreateField(this, parent, name, false);
    field->field_no_ = fieldNo;
  }
  if (!def->HasChildDefs()) return;
  auto* objectField = dynamic_cast<TObjectField*>(field);
  TFieldDefs* children = def->ChildDefs();
  if (def->DataType() == ftArray) {
    const String base = field ? field->FieldName() : def->Name();
    for (Integer i = 0; i < def->Size(); ++i)
      CreateFieldsForDef(children->Items(0), objectField, Format("%s[%d]", base, i),
                         numberDef && i == 0, number);
  } else {
    for (Integer i = 0; i < children->Count(); ++i)
      CreateFieldsForDef(children->Items(i), objectField, String(), numberDef, number);
  }
}

void TDataSet::DestroyFields() {
  while (fields_.Count() > 0) delete fields_.Fields(fields_.Count() - 1);
}

void TDataSet::BindFields(bool binding) {
  calc_fields_size_ = 0;
  internal_calc_fields_ = false;
  for (TField* field : fields_) {
    switch (field->FieldKind()) {
      case fkCalculated:
      case fkLookup:
        if (!binding) {
          field->offset_ = 0;
          break;
        }
        if (field->FieldKind() == fkLookup &&
            (!field->LookupDataSet() || field->LookupKeyFields().empty() ||
             field->LookupResultField().empty() || field->KeyFields().empty()))
          DatabaseErrorFmt(MsgLookupInfoError, this, field->DisplayName());
        field->field_no_ = -1;
        field->offset_ = calc_fields_size_;
        calc_fields_size_ += field->DataSize() + 1;
        break;
      case fkInternalCalc:
      case fkData:
        if (field->FieldKind() == fkInternalCalc) internal_calc_fields_ = true;
        if (!binding || default_fields_ || field->ParentField()) break;
        if (TFieldDef* def = field_defs_->FindDef(field->FieldName())) {
          if (!SameFieldFamily(def->DataType(), field->DataType()))
            DatabaseErrorFmt(MsgFieldTypeMismatch, this, field->DisplayName());
          field->field_no_ = def->FieldNo();
        } else {
          DatabaseErrorFmt(MsgFieldNotFound, this, field->FieldName());
        }
        break;
      case fkAggregate:
        break;
    }
  }
}

// --- calculated and lookup fields ---------------------------------------------------

void TDataSet::CalcFields() {
  CheckActive();
  TRecordBuffer buffer = ActiveBuffer();
  if (!buffer) return;
  GetCalcFields(buffer);
  DataEvent(deRecordChange, 0);
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (calc_fields_size_ > 0 || internal_calc_fields_) CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  calc_buffer_ = buffer;
  const TDataSetState saved = SetTempState(dsCalcFields);
  TScopeExit restore([&] { RestoreState(saved); });
  ClearCalcFields(buffer);
  for (TField* field : fields_)
    if (field->FieldKind() == fkLookup) CalculateLookupField(field);
  DoOnCalcFields();
}

void TDataSet::CalculateLookupField(TField* field) {
  Variant result = Null();
  TDataSet* lookup = field->LookupDataSet();
  if (lookup && lookup->Active()) {
    std::vector<TField*> keys;
    GetFieldList(keys, field->KeyFields());
    std::vector<Variant> values;
    bool hasNull = keys.empty();
    for (TField* key : keys) {
      values.push_back(key->AsVariant());
      if (values.back().IsNull()) hasNull = true;
    }
    // A record without a key has nothing to look up.
    if (!hasNull) {
      const Variant keyValues = values.size() == 1 ? values[0] : VarArrayOf(std::move(values));
      result = lookup->Lookup(field->LookupKeyFields(), keyValues, field->LookupResultField());
    }
  }
  field->SetAsVariant(result);
}

// --- blobs and block reads -----------------------------------------------------------

bool TDataSet::GetFieldText(TField* field, String& value) {
  // Most string fields are short: the native form is read through the
  // stack, so that reading one (a tree reads a caption per record) costs no
  // heap block besides the string itself.
  const auto size = static_cast<std::size_t>(field->DataSize());
  constexpr std::size_t kOnStack = 1024;
  char onStack[kOnStack];
  std::vector<char> onHeap;
  char* buffer = onStack;
  if (size + 1 > kOnStack) {
    onHeap.resize(size + 1);
    buffer = onHeap.data();
  }
  // Cleared first: a dataset may write less than the whole field.
  std::memset(buffer, 0, size + 1);
  if (!GetFieldData(field, buffer)) {
    value.clear();
    return false;
  }
  value.assign(buffer, strnlen(buffer, size));
  return true;
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) {
  DatabaseError(MsgNoBlobStreams, this);
}

void TDataSet::CloseBlob(TField*) {}

void TDataSet::SetBlockReadSize(Integer value) {
  if (value > 0) {
    CheckActive();
    CheckBrowseMode();
    block_read_size_ = value;
    SetState(dsBlockRead);
  } else {
    block_read_size_ = 0;
    if (state_ == dsBlockRead) SetState(dsBrowse);
  }
}
