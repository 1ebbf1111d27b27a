// oracle/OracleDataSetDictionary.cpp
//
// The dataset as the data dictionary's owner (TDictionaryOwner), and what
// the dictionary gives the fields at open: internal-calculated kinds for
// values the updating table does not hold, value ranges and display
// formats from the select list's precision and scale.
#include <cmath>

#include "oracle/OracleDataSet.h"
#include "platform/controls/Dialogs.h"
#include "platform/data/NumericFields.h"
#include "platform/rtl/StringUtils.h"

namespace {

// The largest value a NUMBER(precision, scale) column holds.
double LargestNumber(Integer precision, Integer scale) {
  return (std::pow(10.0, precision) - 1) / std::pow(10.0, scale);
}

void ApplyRange(TField* field, Integer precision, Integer scale) {
  const double largest = LargestNumber(precision, scale);
  if (auto* whole = dynamic_cast<TIntegerField*>(field)) {
    if (whole->MinValue() != 0 || whole->MaxValue() != 0) return;
    // Wider columns come as float fields; the bound only keeps the
    // conversion defined.
    const auto bound = static_cast<Integer>(std::min(std::round(largest), 2147483647.0));
    whole->SetMinValue(-bound);
    whole->SetMaxValue(bound);
  } else if (auto* real = dynamic_cast<TFloatField*>(field)) {
    if (real->MinValue() != 0 || real->MaxValue() != 0) return;
    real->SetMinValue(-largest);
    real->SetMaxValue(largest);
  }
}

// "#" for every digit but the last of the integer part, "0" for the last;
// the display form groups the digits by three.
void NumberFormats(Integer precision, Integer scale, String& display, String& edit) {
  const Integer hashes = precision > scale ? precision - scale - 1 : 0;
  edit = String(std::size_t(hashes), '#') + "0";
  display.clear();
  for (std::size_t i = 0; i < edit.size(); ++i) {
    const std::size_t fromRight = edit.size() - i;
    if (i > 0 && fromRight % 3 == 0) display += ',';
    display += edit[i];
  }
  if (scale > 0) {
    const String decimals = "." + String(std::size_t(scale), '0');
    display += decimals;
    edit += decimals;
  }
}

void ApplyDisplayFormats(TNumericField* field, Integer precision, Integer scale) {
  const bool unformatted = field->DisplayFormat().empty() && field->EditFormat().empty();
  if (precision == 0 || scale < 1) {
    if (unformatted && precision >= 1) field->SetDisplayWidth(precision + 1);
    return;
  }
  if (!unformatted) return;
  String display, edit;
  NumberFormats(precision, scale, display, edit);
  field->SetDisplayFormat(display);
  field->SetEditFormat(edit);
  field->SetDisplayWidth(Integer(display.size()) + 1);
}

}  // namespace

void TOracleDataSet::SetEnforceConstraints(bool value) {
  const TComponentState state = ComponentState();
  if (state.Contains(csDesigning) && !state.Contains(csLoading))
    ShowMessage("EnforceConstraints is obsolete. Use OracleDictionary.EnforceConstraints instead");
  dictionary_->SetEnforceConstraints(value);
}

String TOracleDataSet::TranslateMessage(char action, Integer errorCode,
                                        const String& serverMessage) {
  String message;
  TranslateMessage(action, errorCode, message, serverMessage);
  return message;
}

bool TOracleDataSet::IsAutoFilledField(const String& name) {
  return IsDetailLinkField(name) || sequence_field_->IsSequenceField(name);
}

void TOracleDataSet::ApplyDictionaryToFields() {
  const bool kinds = dictionary_->FieldKinds();
  const bool ranges = dictionary_->RangeValues();
  const bool formats = dictionary_->DisplayFormats();
  if (!kinds && !ranges && !formats) return;
  TOracleTableInfo* table = nullptr;
  // A cursor dataset names no table unless it is told one: every column
  // then counts as the table's.
  if (kinds && !(HasCursorVariable() && Trim(updating_table_).empty()) &&
      !GetUpdatingTableName().empty()) {
    table = OracleData::GetTableInfo(this);
    table->LoadColumns();
  }
  bool kindChanged = false;
  for (TField* field : Fields()) {
    if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) continue;
    if (table && field->FieldKind() == fkData && !table->FindColumn(field->FieldName())) {
      field->SetFieldKind(fkInternalCalc);
      field->SetReadOnly(true);
      kindChanged = true;
    }
    const TExtraFieldInfo* info = InfoOf(field);
    if (!info || info->Column < 0) continue;
    const Integer precision = FetchQuery()->FieldPrecision(info->Column);
    const Integer scale = FetchQuery()->FieldScale(info->Column);
    if (ranges) ApplyRange(field, precision, scale);
    if (auto* number = dynamic_cast<TNumericField*>(field); number && formats)
      ApplyDisplayFormats(number, precision, scale);
  }
  // The dataset model counts internal-calculated fields when it binds them.
  if (kindChanged) BindFields(true);
}
