// oracle/OracleDictionary.h
//
// Which data-dictionary information the Oracle dataset applies
// (TOracleDictionary), the constraints its client-side check skips
// (TDisabledConstraints), key filling from a sequence (TSequenceField), and
// the text routines the dictionary code shares (OracleData).
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/Persistent.h"
#include "platform/rtl/StringList.h"

class TDataSet;
class TField;
class TOracleQuery;

// Constraint names, looked up ignoring case.
class TDisabledConstraints : public TStringList {
  ZORVET_CLASS_NAME(TDisabledConstraints)

 public:
  TDisabledConstraints() { SetCaseSensitive(false); }
  bool Disabled(const String& name) const { return IndexOf(name) >= 0; }
};

class TOracleDictionary : public TPersistent {
  ZORVET_CLASS_NAME(TOracleDictionary)

 public:
  TOracleDictionary() = default;

  bool EnforceConstraints() const { return enforce_constraints_; }
  void SetEnforceConstraints(bool value) { enforce_constraints_ = value; }
  TDisabledConstraints* DisabledConstraints() { return &disabled_constraints_; }
  const TDisabledConstraints* DisabledConstraints() const { return &disabled_constraints_; }
  void SetDisabledConstraints(const TStrings* value);
  bool UseMessageTable() const { return use_message_table_; }
  void SetUseMessageTable(bool value) { use_message_table_ = value; }
  bool DefaultValues() const { return default_values_; }
  void SetDefaultValues(bool value) { default_values_ = value; }
  bool DynamicDefaults() const { return dynamic_defaults_; }
  void SetDynamicDefaults(bool value) { dynamic_defaults_ = value; }
  bool FieldKinds() const { return field_kinds_; }
  void SetFieldKinds(bool value) { field_kinds_ = value; }
  bool DisplayFormats() const { return display_formats_; }
  // A change re-opens an active dataset (OnDisplayFormatsChange).
  void SetDisplayFormats(bool value);
  bool RangeValues() const { return range_values_; }
  void SetRangeValues(bool value) { range_values_ = value; }
  bool RequiredFields() const { return required_fields_; }
  // A change is signalled to the dataset's links (OnRequiredFieldsChange).
  void SetRequiredFields(bool value);

  // Set by the owning dataset.
  std::function<void()> OnDisplayFormatsChange;
  std::function<void()> OnRequiredFieldsChange;

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  bool enforce_constraints_ = false;
  TDisabledConstraints disabled_constraints_;
  bool use_message_table_ = false;
  bool default_values_ = false;
  bool dynamic_defaults_ = false;
  bool field_kinds_ = false;
  bool display_formats_ = false;
  bool range_values_ = false;
  bool required_fields_ = true;
};

enum TSequenceApplyMoment { amOnNewRecord, amOnPost, amOnServer };

class TSequenceField : public TPersistent {
  ZORVET_CLASS_NAME(TSequenceField)

 public:
  TSequenceField() = default;

  const String& Field() const { return field_; }
  void SetField(const String& value) { field_ = value; }
  const String& Sequence() const { return sequence_; }
  void SetSequence(const String& value) { sequence_ = value; }
  TSequenceApplyMoment ApplyMoment() const { return apply_moment_; }
  void SetApplyMoment(TSequenceApplyMoment value) { apply_moment_ = value; }

  // Field and Sequence are both given.
  bool Active() const { return !field_.empty() && !sequence_.empty(); }
  // Fills the field of `dataSet` from the sequence's next value, through
  // `query`, when it is active and the field is null.
  void Apply(TDataSet* dataSet, TOracleQuery* query) const;
  bool IsSequenceField(const String& name) const;
  // The server fills the field (ApplyMoment amOnServer).
  bool IsServerSequenceField(const String& name) const;

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  String field_;
  String sequence_;
  TSequenceApplyMoment apply_moment_ = amOnPost;
};

namespace OracleData {

// Characters that continue an identifier in the dictionary's texts: the
// double quote, # $ . 0-9 @ A-Z _ a-z and every byte from 128 up.
bool IsIdentifierChar(char c);
// The 1-based position of `word` as a whole word in `text` (both compared
// upper-cased, every character that is no identifier character counting as
// a blank), 0 when absent.
Integer FindSQLKeyword(const String& word, const String& text);
// Equal within a relative difference of 1e-10 (absolute when `a` is 0).
bool FloatsEqual(double a, double b);
// Null, or a string field holding the empty string.
bool FieldIsEmpty(const TField* field);
// A check constraint's condition with each column turned into a bind
// variable: SAL becomes :SAL, "SAL" becomes :SAL. Text inside quoted
// literals ('NEW') is left alone, as are names that only contain a column.
String BindCheckCondition(const String& condition, const std::vector<String>& columns);

}  // namespace OracleData
