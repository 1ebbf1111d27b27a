// oracle/OracleDataSetQBE.cpp
//
// Query by example: entering and leaving the mode, the conditions typed
// turned into the SQL text, and the colours of the data-aware controls
// while the mode lasts.
#include <algorithm>
#include <cmath>

#include "oracle/OracleDataSet.h"
#include "oracle/OracleDataSetSql.h"
#include "platform/controls/Application.h"
#include "platform/controls/Control.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace {

const char* const kQBEMarker = "/* Modified for QBE */";

bool IsDateType(TFieldType type) {
  return type == ftDate || type == ftTime || type == ftDateTime;
}

bool HasNoTime(TDateTime value) {
  return double(value) == std::floor(double(value));
}

// Whether a character's upper and lower case differ.
bool HasCase(const String& c) {
  return AnsiUpperCase(c) != AnsiLowerCase(c);
}

// The condition of a string field: the text as typed, with file wildcards
// made SQL's and the wildcards the field's matching asks for.
String StringCondition(const String& value, const String& column, const TQBEField& qbe,
                       bool fileWildCards) {
  String text = value;
  if (fileWildCards) {
    for (char& c : text) {
      if (c == '*') c = '%';
      if (c == '?') c = '_';
    }
  }
  if ((qbe.MatchStart() || qbe.MatchAnywhere()) && !text.ends_with('%')) text += '%';
  if (qbe.MatchAnywhere() && !text.starts_with('%')) text = '%' + text;
  if (qbe.CaseInsensitive()) return TOracleDataSet::CaseInsensitiveCondition(text, column);
  const bool pattern = text.find_first_of("%_") != String::npos;
  return column + (pattern ? " like " : " = ") + QuotedStr(text);
}

// The column a field's condition compares.
String ColumnOf(const TField* field) {
  const String origin = TrimRight(field->Origin());
  return origin.empty() ? Trim(field->FieldName()) : origin;
}

}  // namespace

// --- the mode -----------------------------------------------------------------------

void TOracleDataSet::SetQBEMode(bool value) {
  if (value == qbe_mode_) return;
  if (!Active()) {
    qbe_mode_ = value;
    // Controls coloured while the dataset was open in the mode must not
    // keep the colours once the mode is off.
    if (!value) UpdateQBEColors();
    return;
  }
  if (value)
    EnterQBE();
  else
    LeaveQBE(true);
}

bool TOracleDataSet::QBEAllowed(bool Raise) {
  if (qbe_mode_) return true;
  const char* refusal = nullptr;
  if (HasCursorVariable())
    refusal = "QBE mode not supported for cursors";
  else if (cached_updates_ && (UpdatesPending() || State() == dsEdit || State() == dsInsert))
    refusal = "QBE mode not allowed with pending updates";
  else if (MasterUnavailable())
    refusal = "QBE mode not allowed without a master record";
  if (refusal && Raise) throw Exception(refusal);
  return !refusal;
}

void TOracleDataSet::CheckNotQBE() const {
  if (qbe_mode_) throw Exception("Operation not allowed in QBE mode");
}

void TOracleDataSet::EnterQBE() {
  QBEAllowed(true);
  CheckBrowseMode();
  qbe_mode_ = true;
  records_->Clear();
  First();
  Resync({});
  const bool designing = ComponentState().Contains(csDesigning);
  try {
    if (!designing) {
      qbe_field_states_.clear();
      for (TField* field : Fields()) {
        qbe_field_states_.push_back({field, field->ReadOnly(), field->Required()});
        const TQBEField* qbe = qbe_definition_->FindField(field->FieldName());
        field->SetReadOnly(!qbe || !qbe->Enabled());
        field->SetRequired(false);
      }
    }
    Insert();
    if (qbe_definition_->SaveQBEValues()) {
      for (TField* field : Fields()) {
        const TQBEField* qbe = qbe_definition_->FindField(field->FieldName());
        if (!qbe || !qbe->Enabled() || VarIsNull(qbe->Value()) || VarIsEmpty(qbe->Value()))
          continue;
        try {
          field->SetValue(qbe->Value());
        } catch (const Exception&) {
          // A value the field no longer takes (its type changed with the
          // SQL) is not offered.
        }
      }
    }
  } catch (...) {
    // The dataset stays open, out of the mode, as if it had not been asked.
    RestoreQBEFieldStates();
    Cancel();
    qbe_mode_ = false;
    throw;
  }
  if (BeforeQBE) BeforeQBE(this);
  UpdateQBEColors();
}

void TOracleDataSet::LeaveQBE(bool Cancel) {
  bool requery = true;
  if (Cancel && OnCancelQBE) OnCancelQBE(this, requery);
  if (!ComponentState().Contains(csDesigning)) RestoreQBEFieldStates();
  TDataSet::Cancel();
  qbe_mode_ = false;
  // Outside the mode the controls look as they always do, whether the
  // conditions were run or thrown away.
  UpdateQBEColors();
  DataEvent(deDataSetChange, 0);
  if (requery) Refresh();
}

void TOracleDataSet::ExecuteQBE() {
  CheckActive();
  if (!qbe_mode_) throw Exception("Not in QBE mode");
  PrepareQBEQuery();
  LeaveQBE(false);
}

void TOracleDataSet::PrepareQBEQuery() {
  if (State() == dsInsert) UpdateRecord();
  SaveQBEValues();
  BuildQBEQuery();
}

void TOracleDataSet::RestoreQBEFieldStates() {
  for (const TQBEFieldState& state : qbe_field_states_) {
    state.Field->SetReadOnly(state.ReadOnly);
    state.Field->SetRequired(state.Required);
  }
  qbe_field_states_.clear();
}

void TOracleDataSet::DoBeforeCancel() {
  if (!qbe_mode_) TDataSet::DoBeforeCancel();
}

void TOracleDataSet::DoAfterCancel() {
  if (!qbe_mode_) TDataSet::DoAfterCancel();
}

// --- the conditions -----------------------------------------------------------------

void TOracleDataSet::SaveQBEValues() {
  for (TField* field : Fields()) {
    if (field->IsBlob()) continue;
    if (TQBEField* qbe = qbe_definition_->FindField(field->FieldName()))
      qbe->SetValue(field->Value());
  }
}

void TOracleDataSet::BuildQBEQuery() {
  RemoveQBEModification();
  qbe_saved_sql_ = main_query_->SQL()->Text();
  if (main_query_->FieldCount() == 0) main_query_->Describe();
  const OracleDataSetSql::TSelectParts parts =
      OracleDataSetSql::SplitSelectStatement(main_query_->SQLWithSubstitutions());
  String conditions;
  for (TField* field : Fields()) {
    const TQBEField* qbe = qbe_definition_->FindField(field->FieldName());
    if (!qbe || VarIsNull(qbe->Value()) || VarIsEmpty(qbe->Value())) continue;
    const String column = ColumnOf(field);
    const String name = qbe->VariableName();
    String condition;
    if (field->DataType() == ftString) {
      condition = StringCondition(qbe->Value().AsString(), column, *qbe,
                                  qbe_definition_->AllowFileWildCards());
    } else if (IsDateType(field->DataType()) && qbe->WholeDay() &&
               HasNoTime(qbe->Value().AsDateTime())) {
      main_query_->DeclareVariable(name, Oracle::otDate);
      main_query_->SetVariable(name, qbe->Value());
      condition = column + " >= :" + name + " and " + column + " < :" + name + " + 1";
    } else {
      main_query_->DeclareVariable(name, FieldVariableType(field));
      main_query_->SetVariable(name, qbe->Value());
      condition = column + " = :" + name;
    }
    if (!conditions.empty()) conditions += "\r\nand ";
    conditions += condition;
  }
  if (conditions.empty()) return;
  qbe_modified_ = true;
  String text = parts.Head + "\r\n";
  if (!parts.Condition.empty())
    text += parts.Keyword + " (" + parts.Condition + ")\r\nand\r\n(" + conditions + ")";
  else
    text += parts.Keyword + " " + conditions;
  if (!parts.Tail.empty()) text += "\r\n" + parts.Tail;
  main_query_->SQL()->SetText(text + "\r\n" + kQBEMarker);
}

void TOracleDataSet::RemoveQBEModification() {
  qbe_modified_ = false;
  for (Integer i = main_query_->VariableCount() - 1; i >= 0; --i) {
    const String name = main_query_->VariableName(i);
    if (AnsiUpperCase(name).starts_with(":QUELT__QBE")) main_query_->DeleteVariable(name);
  }
  const TStringList* sql = main_query_->SQL();
  if (sql->Count() > 0 && sql->Strings(sql->Count() - 1) == kQBEMarker)
    main_query_->SQL()->SetText(qbe_saved_sql_);
}

String TOracleDataSet::CaseInsensitiveCondition(const String& Text, const String& Column) {
  // Characters, not bytes: a letter outside ASCII is one character.
  std::vector<String> chars;
  for (std::size_t at = 0; at < Text.size();) {
    const std::size_t length = std::max<std::size_t>(Utf8SequenceLength(Text, at), 1);
    chars.push_back(Text.substr(at, length));
    at += length;
  }
  if (chars.empty()) return Column + " = " + QuotedStr(Text);
  if (chars.size() == 1) {
    if (Text == "%" || Text == "_") return Column + " like " + QuotedStr(Text);
    if (HasCase(Text))
      return Column + " in (" + QuotedStr(AnsiUpperCase(Text)) + ", " +
             QuotedStr(AnsiLowerCase(Text)) + ")";
    return Column + " = " + QuotedStr(Text);
  }
  const String op = Text.find_first_of("%_") != String::npos ? " like " : " = ";
  const String l1 = AnsiLowerCase(chars[0]), u1 = AnsiUpperCase(chars[0]);
  const String l2 = AnsiLowerCase(chars[1]), u2 = AnsiUpperCase(chars[1]);
  const bool case1 = HasCase(chars[0]), case2 = HasCase(chars[1]);
  // Two characters are compared whole. A longer text is narrowed by its
  // first two characters in each case, which an index on the column can
  // use, and then compared whole in upper case.
  const bool whole = chars.size() == 2;
  const String compare = whole ? op : " like ";
  const String rest = whole ? "" : "%";
  String result = "(" + Column + compare + QuotedStr(l1 + l2 + rest);
  if (case1) result += " or " + Column + compare + QuotedStr(u1 + l2 + rest);
  if (case2) result += " or " + Column + compare + QuotedStr(l1 + u2 + rest);
  if (case1 && case2) result += " or " + Column + compare + QuotedStr(u1 + u2 + rest);
  result += ")";
  if (!whole) result += " and upper(" + Column + ")" + op + "upper(" + QuotedStr(Text) + ")";
  return result;
}

// --- colours ------------------------------------------------------------------------

void TOracleDataSet::UpdateQBEColors() {
  const TColor font = qbe_definition_->QBEFontColor();
  const TColor background = qbe_definition_->QBEBackgroundColor();
  if (ComponentState().Contains(csDesigning) || !Application) return;
  // What was coloured is restored even when the colours were cleared since.
  if (qbe_mode_ ? font == clNone && background == clNone
                : qbe_font_controls_.empty() && qbe_background_controls_.empty())
    return;
  // Both ways walk what the application holds: a remembered control is
  // only touched when it is still there.
  for (Integer i = 0; i < Application->ComponentCount(); ++i)
    ColorQBEControls(Application->Components(i), qbe_mode_);
  if (!qbe_mode_) qbe_font_controls_.clear(), qbe_background_controls_.clear();
}

void TOracleDataSet::ColorQBEControls(TComponent* component, bool colour) {
  // A remembered control is restored only while it still shows the colour
  // it was given: a control freed meanwhile may have left its address to a
  // new one, which is not to be touched.
  auto restore = [](std::vector<TQBEColoured>& list, const TComponent* c, TColor now) {
    const auto it = std::find_if(list.begin(), list.end(), [&](const TQBEColoured& entry) {
      return entry.Control == c && entry.Color == now;
    });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
  };
  if (auto* control = dynamic_cast<TControl*>(component)) {
    if (!colour) {
      if (restore(qbe_background_controls_, control, control->Color())) control->SetColor(clWindow);
      if (restore(qbe_font_controls_, control, control->Font()->Color()))
        control->Font()->SetColor(clWindowText);
    } else if (const TPropInfo* prop = GetPropInfo(control, "DataSource");
               prop && prop->Kind == tkClass) {
      const auto* source = dynamic_cast<TDataSource*>(GetObjectProp(control, prop));
      if (source && source->DataSet() == this) {
        const TColor background = qbe_definition_->QBEBackgroundColor();
        const TColor font = qbe_definition_->QBEFontColor();
        if (background != clNone && control->Color() == clWindow) {
          control->SetColor(background);
          qbe_background_controls_.push_back({control, background});
        }
        if (font != clNone && control->Font()->Color() == clWindowText) {
          control->Font()->SetColor(font);
          qbe_font_controls_.push_back({control, font});
        }
      }
    }
  }
  for (Integer i = 0; i < component->ComponentCount(); ++i)
    ColorQBEControls(component->Components(i), colour);
}
