// oracle/OracleQBE.h
//
// The settings of an Oracle dataset's query by example. In QBE mode the
// dataset shows one empty record in which the user types a condition into
// any field; TQBEField holds what is known of one field (whether it takes
// a condition at all, how a string condition matches, whether a date
// stands for its whole day, and the value last typed), and TQBEDefinition
// holds the fields with the settings of the whole dataset.
//
// The field list follows the dataset's field definitions
// (SyncWithFieldDefs, when the dataset makes its fields) and is stored with
// the dataset's definition as the binary property "QBEFieldDefs":
//
//   version   4 bytes  32-bit integer, written as 3
//   count     4 bytes  number of fields
//   per field:
//     name length 4 bytes, name (8-bit characters)
//     Enabled, MatchStart, CaseInsensitive  1 byte each, 0 or 1
//     WholeDay       1 byte, from version 2 on
//     MatchAnywhere  1 byte, from version 3 on
//
// Integers are little-endian. The values typed are never stored.
//
// Threads: the definition belongs to the thread of its dataset.
#pragma once

#include "platform/controls/GraphicsObjects.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Variant.h"

class TOracleDataSet;
class TQBEDefinition;
class TStream;

class TQBEField : public TCollectionItem {
  ZORVET_CLASS_NAME(TQBEField)

 public:
  explicit TQBEField(TCollection* collection) : TCollectionItem(collection) {}

  const String& FieldName() const { return field_name_; }
  void SetFieldName(const String& value) { field_name_ = value; }
  // Whether the field takes a condition. Never while the dataset's field
  // definition of this name holds a blob, a memo or a LOB, whatever was
  // set or stored: the server cannot compare those.
  bool Enabled() const;
  void SetEnabled(bool value) { enabled_ = value; }
  // A string condition matches the values that start with it.
  bool MatchStart() const { return match_start_; }
  void SetMatchStart(bool value) { match_start_ = value; }
  // A string condition matches the values that contain it.
  bool MatchAnywhere() const { return match_anywhere_; }
  void SetMatchAnywhere(bool value) { match_anywhere_ = value; }
  bool CaseInsensitive() const { return case_insensitive_; }
  void SetCaseInsensitive(bool value) { case_insensitive_ = value; }
  // A date without a time part matches every moment of its day.
  bool WholeDay() const { return whole_day_; }
  void SetWholeDay(bool value) { whole_day_ = value; }
  // The condition value last typed (Null: none).
  const Variant& Value() const { return value_; }
  void SetValue(const Variant& value) { value_ = value; }
  // The bind variable that carries the value: "quelt__qbe" and the field
  // definition's number; empty while the dataset has no definition of
  // this name.
  String VariableName() const;

  String DisplayName() const override { return field_name_; }
  // Takes the name and the five flags of another TQBEField.
  void Assign(const TPersistent* source) override;

 private:
  friend class TQBEDefinition;
  TQBEDefinition* Definition() const;

  String field_name_;
  bool enabled_ = true;
  bool match_start_ = false;
  bool match_anywhere_ = false;
  bool case_insensitive_ = false;
  bool whole_day_ = false;
  Variant value_ = Null();
  bool present_ = false;  // while synchronising with the field definitions
};

class TQBEDefinition : public TPersistent {
  ZORVET_CLASS_NAME(TQBEDefinition)

 public:
  // `dataSet` (may be nullptr) holds the field definitions the fields
  // follow; it owns the definition.
  explicit TQBEDefinition(TOracleDataSet* dataSet);
  ~TQBEDefinition() override;

  TOracleDataSet* DataSet() const { return data_set_; }

  // Values typed in QBE mode are offered again the next time.
  bool SaveQBEValues() const { return save_qbe_values_; }
  void SetSaveQBEValues(bool value) { save_qbe_values_ = value; }
  // "*" and "?" in a string condition mean any text and any character.
  bool AllowFileWildCards() const { return allow_file_wild_cards_; }
  void SetAllowFileWildCards(bool value) { allow_file_wild_cards_ = value; }
  // The colours data-aware controls of the dataset take in QBE mode;
  // clNone: none.
  TColor QBEFontColor() const { return qbe_font_color_; }
  void SetQBEFontColor(TColor value) { qbe_font_color_ = value; }
  TColor QBEBackgroundColor() const { return qbe_background_color_; }
  void SetQBEBackgroundColor(TColor value) { qbe_background_color_ = value; }

  Integer Count() const { return fields_.Count(); }
  TQBEField* Fields(Integer index) const { return static_cast<TQBEField*>(fields_.Items(index)); }
  // The field of that name (any case), or nullptr.
  TQBEField* FindField(const String& name) const;
  // A new field of that name at the end, enabled as its definition allows.
  TQBEField* Add(const String& name);
  void Clear() { fields_.Clear(); }

  // Makes the field list follow the dataset's field definitions: a field
  // per definition (kept when one of the name exists, with its settings),
  // the others deleted. True when a field was added.
  bool SyncWithFieldDefs();

  // Takes the settings and the fields of another TQBEDefinition.
  void Assign(const TPersistent* source) override;
  // Declares "QBEFieldDefs": written when the fields differ from the
  // ancestor's, or without an ancestor when there are any.
  void DefineProperties(TFiler* filer) override;
  // The stored form of the field list (layout above). Reading replaces the
  // list; a version above 3 raises Exception "Invalid version of
  // QBEDefinition", a value cut short Exception "Invalid QBEFieldDefs
  // data: ...".
  void WriteFieldDefs(TStream* stream) const;
  void ReadFieldDefs(TStream* stream);
  // Same count, names and flags as `other`'s fields. Enabled is compared
  // and stored as set: what the field definitions add to it is not part
  // of the setting.
  bool SameFields(const TQBEDefinition& other) const;

  TPersistent* GetOwner() const override;

 private:
  TOracleDataSet* data_set_;
  bool save_qbe_values_ = true;
  bool allow_file_wild_cards_ = true;
  TColor qbe_font_color_ = clNone;
  TColor qbe_background_color_ = clNone;
  TOwnedCollection fields_;
};
