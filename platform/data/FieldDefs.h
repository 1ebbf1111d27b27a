// platform/data/FieldDefs.h
//
// Field definitions: what a dataset's records hold, independent of the field
// objects that give access to them. A dataset fills its TFieldDefs from its
// source (InternalInitFieldDefs) or a program adds them before opening; the
// default fields are created from them when the dataset opens.
//
// Structured types nest: an ftADT definition has one child definition per
// member, an ftArray definition one child definition for its element type
// (its Size is the element count). Child definitions are kept in the
// parent's ChildDefs.
//
// Field numbers: a definition takes the next number of its tree when it is
// made (1 for the first). When a dataset creates its default fields it
// numbers definitions and fields in walk order: each definition, then its
// members, an array's element definition once per element.
#pragma once

#include <memory>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Types.h"

class TComponent;
class TDataSet;
class TField;
class TFieldDefs;
class TObjectField;

class TFieldDef : public TCollectionItem {
  ZORVET_CLASS_NAME(TFieldDef)

 public:
  // Joins `collection`, which must be a TFieldDefs (or nullptr).
  explicit TFieldDef(TCollection* collection);
  ~TFieldDef() override;

  // The definitions this one belongs to.
  TFieldDefs* FieldDefs() const;
  // The definition whose child this is, or nullptr at the top level.
  TFieldDef* ParentDef() const;
  TDataSet* DataSet() const;

  const String& Name() const { return name_; }
  void SetName(const String& value);
  // The name, or the class name for an unnamed definition.
  String DisplayName() const override;

  TFieldType DataType() const { return data_type_; }
  void SetDataType(TFieldType value);
  // Characters of a string, bytes of a byte field, decimals of a BCD field,
  // elements of an array; 0 where the type fixes the size.
  Integer Size() const { return size_; }
  void SetSize(Integer value);
  // Total digits of a BCD field (0: the type's default).
  Integer Precision() const { return precision_; }
  void SetPrecision(Integer value);
  TFieldAttributes Attributes() const { return attributes_; }
  void SetAttributes(TFieldAttributes value);
  // faRequired in Attributes.
  bool Required() const { return attributes_.Contains(faRequired); }
  void SetRequired(bool value);
  Integer FieldNo() const { return field_no_; }
  void SetFieldNo(Integer value) { field_no_ = value; }
  // Whether the field is computed by the dataset itself (fkInternalCalc).
  bool InternalCalcField() const { return internal_calc_; }
  void SetInternalCalcField(bool value);

  // The members (ftADT) or element type (ftArray) of this definition.
  TFieldDefs* ChildDefs();
  bool HasChildDefs() const;
  TFieldDef* AddChild();

  // Creates the field for this definition (and, for structured types, its
  // child fields), owned by `owner` (nullptr: the dataset) and bound to the
  // definitions' dataset.
  // `parentField` puts it inside an ADT or array field; `fieldName` replaces
  // the definition's name (array elements are named "NAME[i]").
  // Raises EDatabaseError for a type that has no field class.
  TField* CreateField(TComponent* owner, TObjectField* parentField = nullptr,
                      const String& fieldName = String(), bool createChildren = true);

  // From another TFieldDef: name, type, size, precision, attributes,
  // internal-calc flag and child definitions.
  void Assign(const TPersistent* source) override;

 private:
  String name_;
  TFieldType data_type_ = ftUnknown;
  Integer size_ = 0;
  Integer precision_ = 0;
  TFieldAttributes attributes_;
  Integer field_no_ = 0;
  bool internal_calc_ = false;
  std::unique_ptr<TFieldDefs> child_defs_;
};

class TFieldDefs : public TOwnedCollection {
  ZORVET_CLASS_NAME(TFieldDefs)

 public:
  // The top-level definitions of `dataSet`.
  explicit TFieldDefs(TDataSet* dataSet);
  // The child definitions of `parentDef`.
  explicit TFieldDefs(TFieldDef* parentDef);

  TDataSet* DataSet() const { return data_set_; }
  TFieldDef* ParentDef() const { return parent_def_; }

  TFieldDef* Items(Integer index) const {
    return static_cast<TFieldDef*>(TCollection::Items(index));
  }
  TFieldDef* operator[](Integer index) const { return Items(index); }

  // A new definition at the end, to be filled in by the caller.
  TFieldDef* AddFieldDef();
  // Adds a filled-in definition. An empty name raises EDatabaseError, as
  // does a name already present (ignoring ASCII case).
  TFieldDef* Add(const String& name, TFieldType dataType, Integer size = 0, bool required = false);
  // Position of the definition of that name (ignoring ASCII case), or -1.
  Integer IndexOf(const String& name) const;
  // The definition of that name; nullptr when absent.
  TFieldDef* FindDef(const String& name) const;
  // The definition of that name; EDatabaseError "field not found" otherwise.
  TFieldDef* Find(const String& name) const;

  // Whether the definitions reflect the dataset's source. Any change to the
  // set of definitions clears it; the dataset's InitFieldDefs sets it.
  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }
  // Reads the definitions again from the dataset's source.
  void Update();

  // Every definition of the tree, counted once each.
  Integer TotalCount() const;

 protected:
  // The collection's change hook keeps its name beside the public Update()
  // above, which would otherwise hide it from this class and its heirs.
  using TCollection::Update;
  void Notify(TCollectionItem* item, TCollectionNotification action) override;

 private:
  TDataSet* data_set_ = nullptr;
  TFieldDef* parent_def_ = nullptr;
  bool updated_ = false;
};
