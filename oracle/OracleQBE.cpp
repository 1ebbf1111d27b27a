// oracle/OracleQBE.cpp
#include "oracle/OracleQBE.h"

#include "oracle/OracleDataSet.h"
#include "oracle/StoredData.h"
#include "platform/data/FieldDefs.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr Integer kFieldDefsVersion = 3;

// The dataset's definition of that name, or nullptr.
TFieldDef* DefinitionOf(TOracleDataSet* dataSet, const String& name) {
  return dataSet ? dataSet->FieldDefs()->FindDef(name) : nullptr;
}

bool CannotBeCompared(TFieldType type) {
  return type == ftBlob || type == ftMemo || type == ftGraphic || type == ftOraBlob ||
         type == ftOraClob;
}

}  // namespace

// --- TQBEField ---------------------------------------------------------------------

TQBEDefinition* TQBEField::Definition() const {
  return Collection() ? static_cast<TQBEDefinition*>(Collection()->GetOwner()) : nullptr;
}

bool TQBEField::Enabled() const {
  if (!enabled_) return false;
  const TQBEDefinition* definition = Definition();
  const TFieldDef* def = definition ? DefinitionOf(definition->DataSet(), field_name_) : nullptr;
  return !def || !CannotBeCompared(def->DataType());
}

String TQBEField::VariableName() const {
  const TQBEDefinition* definition = Definition();
  const TFieldDef* def = definition ? DefinitionOf(definition->DataSet(), field_name_) : nullptr;
  return def ? "quelt__qbe" + IntToStr(def->FieldNo()) : String();
}

void TQBEField::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TQBEField*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  field_name_ = other->field_name_;
  enabled_ = other->enabled_;
  match_start_ = other->match_start_;
  match_anywhere_ = other->match_anywhere_;
  case_insensitive_ = other->case_insensitive_;
  whole_day_ = other->whole_day_;
}

// --- TQBEDefinition ----------------------------------------------------------------

TQBEDefinition::TQBEDefinition(TOracleDataSet* dataSet)
    : data_set_(dataSet), fields_(this, TCollectionItemClass::Of<TQBEField>()) {}

TQBEDefinition::~TQBEDefinition() = default;

TPersistent* TQBEDefinition::GetOwner() const {
  return data_set_;
}

TQBEField* TQBEDefinition::FindField(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (AnsiSameText(Fields(i)->FieldName(), name)) return Fields(i);
  return nullptr;
}

TQBEField* TQBEDefinition::Add(const String& name) {
  auto* field = static_cast<TQBEField*>(fields_.Add());
  field->SetFieldName(name);
  return field;
}

bool TQBEDefinition::SyncWithFieldDefs() {
  if (!data_set_) return false;
  for (Integer i = 0; i < Count(); ++i) Fields(i)->present_ = false;
  bool added = false;
  TFieldDefs* defs = data_set_->FieldDefs();
  for (Integer i = 0; i < defs->Count(); ++i) {
    const String& name = defs->Items(i)->Name();
    TQBEField* field = FindField(name);
    if (!field) {
      field = Add(name);
      added = true;
    }
    field->present_ = true;
  }
  for (Integer i = Count() - 1; i >= 0; --i)
    if (!Fields(i)->present_) fields_.Delete(i);
  return added;
}

void TQBEDefinition::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TQBEDefinition*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  save_qbe_values_ = other->save_qbe_values_;
  allow_file_wild_cards_ = other->allow_file_wild_cards_;
  qbe_font_color_ = other->qbe_font_color_;
  qbe_background_color_ = other->qbe_background_color_;
  fields_.Clear();
  for (Integer i = 0; i < other->Count(); ++i) Add(String())->Assign(other->Fields(i));
}

bool TQBEDefinition::SameFields(const TQBEDefinition& other) const {
  if (Count() != other.Count()) return false;
  for (Integer i = 0; i < Count(); ++i) {
    const TQBEField* a = Fields(i);
    const TQBEField* b = other.Fields(i);
    if (a->FieldName() != b->FieldName() || a->enabled_ != b->enabled_ ||
        a->MatchStart() != b->MatchStart() || a->MatchAnywhere() != b->MatchAnywhere() ||
        a->CaseInsensitive() != b->CaseInsensitive() || a->WholeDay() != b->WholeDay())
      return false;
  }
  return true;
}

void TQBEDefinition::DefineProperties(TFiler* filer) {
  bool hasData = Count() > 0;
  if (const auto* ancestor = dynamic_cast<const TQBEDefinition*>(filer->Ancestor()))
    hasData = !SameFields(*ancestor);
  filer->DefineBinaryProperty(
      "QBEFieldDefs", [this](TStream* stream) { ReadFieldDefs(stream); },
      [this](TStream* stream) { WriteFieldDefs(stream); }, hasData);
}

void TQBEDefinition::WriteFieldDefs(TStream* stream) const {
  WriteStoredInt32(stream, kFieldDefsVersion);
  WriteStoredInt32(stream, Count());
  for (Integer i = 0; i < Count(); ++i) {
    const TQBEField* field = Fields(i);
    WriteStoredInt32(stream, Integer(field->FieldName().size()));
    stream->WriteBuffer(field->FieldName().data(), Int64(field->FieldName().size()));
    const Byte flags[] = {Byte(field->enabled_), Byte(field->MatchStart()),
                          Byte(field->CaseInsensitive()), Byte(field->WholeDay()),
                          Byte(field->MatchAnywhere())};
    stream->WriteBuffer(flags, sizeof flags);
  }
}

void TQBEDefinition::ReadFieldDefs(TStream* stream) {
  TStoredDataReader reader(stream, "Invalid QBEFieldDefs data: ");
  fields_.Clear();
  const Integer version = reader.Int32("version");
  if (version > kFieldDefsVersion) throw Exception("Invalid version of QBEDefinition");
  const Integer count = reader.Int32("count");
  // Each field takes at least its name's length and three flags.
  if (count < 0 || Int64(count) * 7 > reader.Remaining())
    reader.Damaged("count of " + IntToStr(count) + " fields");
  WithinUpdate(fields_, [&] {
    for (Integer i = 0; i < count; ++i) {
      String name(std::size_t(reader.Length("name")), '\0');
      reader.Bytes(name.data(), Integer(name.size()), "name");
      TQBEField* field = Add(name);
      field->SetEnabled(reader.Int8("flags") != 0);
      field->SetMatchStart(reader.Int8("flags") != 0);
      field->SetCaseInsensitive(reader.Int8("flags") != 0);
      if (version >= 2) field->SetWholeDay(reader.Int8("flags") != 0);
      if (version >= 3) field->SetMatchAnywhere(reader.Int8("flags") != 0);
    }
  });
}
