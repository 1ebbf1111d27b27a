// platform/data/IndexDefs.h
//
// Index definitions: the orders a dataset can keep its records in. A
// definition names its fields as a ';'-separated list; `DescFields` and
// `CaseInsFields` restrict the descending and case-insensitive options to
// the fields they list (empty: the options apply as the dataset decides).
#pragma once

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Types.h"

class TDataSet;
class TIndexDefs;

class TIndexDef : public TCollectionItem {
  ZORVET_CLASS_NAME(TIndexDef)

 public:
  explicit TIndexDef(TCollection* collection);

  TIndexDefs* IndexDefs() const;

  const String& Name() const { return name_; }
  void SetName(const String& value);
  // The name, or the class name for an unnamed definition.
  String DisplayName() const override;
  void SetDisplayName(const String& value) override { SetName(value); }

  const String& Fields() const { return fields_; }
  void SetFields(const String& value);
  TIndexOptions Options() const { return options_; }
  void SetOptions(TIndexOptions value);
  const String& DescFields() const { return desc_fields_; }
  void SetDescFields(const String& value);
  const String& CaseInsFields() const { return case_ins_fields_; }
  void SetCaseInsFields(const String& value);
  // For ixExpression indexes: the expression in place of Fields.
  const String& Expression() const { return expression_; }
  void SetExpression(const String& value);
  const String& Source() const { return source_; }
  void SetSource(const String& value) { source_ = value; }

  // From another TIndexDef: every property.
  void Assign(const TPersistent* source) override;

 private:
  String name_;
  String fields_;
  TIndexOptions options_;
  String desc_fields_;
  String case_ins_fields_;
  String expression_;
  String source_;
};

class TIndexDefs : public TOwnedCollection {
  ZORVET_CLASS_NAME(TIndexDefs)

 public:
  explicit TIndexDefs(TDataSet* dataSet);

  TDataSet* DataSet() const { return data_set_; }
  TIndexDef* Items(Integer index) const {
    return static_cast<TIndexDef*>(TCollection::Items(index));
  }
  TIndexDef* operator[](Integer index) const { return Items(index); }

  TIndexDef* AddIndexDef();
  // Adds a definition. A name already present (ignoring ASCII case) raises
  // EDatabaseError.
  TIndexDef* Add(const String& name, const String& fields, TIndexOptions options);
  Integer IndexOf(const String& name) const;
  // The definition of that name; nullptr when absent.
  TIndexDef* FindDef(const String& name) const;
  // The definition of that name; EDatabaseError "index not found" otherwise.
  TIndexDef* Find(const String& name) const;
  // The first definition whose field list is `fields` (ignoring ASCII case
  // and blanks around the names), or nullptr.
  TIndexDef* FindIndexForFields(const String& fields) const;
  // The first definition whose field list starts with `fields` and, when
  // `caseInsensitive`, is case-insensitive; nullptr when none.
  TIndexDef* GetIndexForFields(const String& fields, bool caseInsensitive) const;

  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }

 protected:
  void Notify(TCollectionItem* item, TCollectionNotification action) override;

 private:
  TDataSet* data_set_ = nullptr;
  bool updated_ = false;
};
