// oracle/OracleDictionary.cpp
#include "oracle/OracleDictionary.h"

#include <cmath>

#include "oracle/OracleQuery.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/StringUtils.h"

void TOracleDictionary::SetDisabledConstraints(const TStrings* value) {
  disabled_constraints_.BeginUpdate();
  disabled_constraints_.Assign(value);
  disabled_constraints_.EndUpdate();
}

void TOracleDictionary::SetDisplayFormats(bool value) {
  if (value == display_formats_) return;
  display_formats_ = value;
  if (OnDisplayFormatsChange) OnDisplayFormatsChange();
}

void TOracleDictionary::SetRequiredFields(bool value) {
  if (value == required_fields_) return;
  required_fields_ = value;
  if (OnRequiredFieldsChange) OnRequiredFieldsChange();
}

void TOracleDictionary::AssignTo(TPersistent* dest) const {
  auto* target = dynamic_cast<TOracleDictionary*>(dest);
  if (target == nullptr) return TPersistent::AssignTo(dest);
  target->SetEnforceConstraints(enforce_constraints_);
  target->SetDisabledConstraints(&disabled_constraints_);
  target->SetUseMessageTable(use_message_table_);
  target->SetDefaultValues(default_values_);
  target->SetDynamicDefaults(dynamic_defaults_);
  target->SetFieldKinds(field_kinds_);
  target->SetDisplayFormats(display_formats_);
  target->SetRangeValues(range_values_);
  target->SetRequiredFields(required_fields_);
}

void TSequenceField::AssignTo(TPersistent* dest) const {
  auto* target = dynamic_cast<TSequenceField*>(dest);
  if (target == nullptr) return TPersistent::AssignTo(dest);
  target->field_ = field_;
  target->sequence_ = sequence_;
  target->apply_moment_ = apply_moment_;
}

bool TSequenceField::IsSequenceField(const String& name) const {
  return Active() && UpperCase(name) == UpperCase(field_);
}

bool TSequenceField::IsServerSequenceField(const String& name) const {
  return apply_moment_ == amOnServer && IsSequenceField(name);
}

void TSequenceField::Apply(TDataSet* dataSet, TOracleQuery* query) const {
  if (!Active()) return;
  TField* field = dataSet->FieldByName(field_);
  if (!field->IsNull()) return;
  query->SQL()->SetText("select " + sequence_ + ".nextval from dual");
  query->Execute();
  field->SetValue(query->Field(0));
}

namespace OracleData {

bool IsIdentifierChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 128 || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
         c == '"' || c == '#' || c == '$' || c == '.' || c == '@' || c == '_';
}

Integer FindSQLKeyword(const String& word, const String& text) {
  String blanked = UpperCase(text);
  for (char& c : blanked)
    if (!IsIdentifierChar(c)) c = ' ';
  const std::size_t at = (" " + blanked + " ").find(" " + UpperCase(word) + " ");
  // The blank put in front moves every position one on: `at` is already
  // the 1-based position of the word.
  return at == String::npos ? 0 : static_cast<Integer>(at + 1);
}

bool FloatsEqual(double a, double b) {
  double difference = b - a;
  if (a != 0) difference /= a;
  return std::fabs(difference) <= 1e-10;
}

bool FieldIsEmpty(const TField* field) {
  if (field->IsNull()) return true;
  return field->DataType() == ftString && field->AsString().empty();
}

String BindCheckCondition(const String& condition, const std::vector<String>& columns) {
  String result = condition;
  for (const String& column : columns) {
    const String name = UpperCase(column);
    if (name.empty()) continue;
    bool inLiteral = false;
    for (std::size_t i = 0; i < result.size(); ++i) {
      if (result[i] == '\'') {
        // A doubled quote inside a literal toggles twice and stays inside.
        inLiteral = !inLiteral;
        continue;
      }
      if (inLiteral || i + name.size() > result.size()) continue;
      if (UpperCase(result.substr(i, name.size())) != name) continue;
      const char before = i > 0 ? result[i - 1] : ' ';
      const std::size_t end = i + name.size();
      const char after = end < result.size() ? result[end] : ' ';
      if (before == '"' && after == '"') {
        result.erase(end, 1);
        result[i - 1] = ':';
        i = end - 1;
      } else if (!IsIdentifierChar(before) && before != ':' && !IsIdentifierChar(after)) {
        result.insert(i, 1, ':');
        i = end;
      }
    }
  }
  return result;
}

}  // namespace OracleData
