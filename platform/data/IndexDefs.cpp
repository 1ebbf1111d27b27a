// platform/data/IndexDefs.cpp
#include "platform/data/IndexDefs.h"

#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/StringUtils.h"

namespace {

// "a; b ;c" -> "A;B;C": how two field lists are compared.
String NormalizeFieldList(const String& fields) {
  String result, name;
  auto flush = [&] {
    if (!result.empty()) result += ';';
    result += UpperCase(Trim(name));
    name.clear();
  };
  for (char c : fields) {
    if (c == ';')
      flush();
    else
      name += c;
  }
  flush();
  return result;
}

}  // namespace

TIndexDef::TIndexDef(TCollection* collection) : TCollectionItem(collection) {}

TIndexDefs* TIndexDef::IndexDefs() const {
  return static_cast<TIndexDefs*>(Collection());
}

void TIndexDef::SetName(const String& value) {
  name_ = value;
  Changed(false);
}

String TIndexDef::DisplayName() const {
  return name_.empty() ? ClassName() : name_;
}

void TIndexDef::SetFields(const String& value) {
  fields_ = value;
  Changed(false);
}

void TIndexDef::SetOptions(TIndexOptions value) {
  options_ = value;
  Changed(false);
}

void TIndexDef::SetDescFields(const String& value) {
  desc_fields_ = value;
  Changed(false);
}

void TIndexDef::SetCaseInsFields(const String& value) {
  case_ins_fields_ = value;
  Changed(false);
}

void TIndexDef::SetExpression(const String& value) {
  expression_ = value;
  Changed(false);
}

void TIndexDef::Assign(const TPersistent* source) {
  if (auto* def = dynamic_cast<const TIndexDef*>(source)) {
    name_ = def->name_;
    fields_ = def->fields_;
    options_ = def->options_;
    desc_fields_ = def->desc_fields_;
    case_ins_fields_ = def->case_ins_fields_;
    expression_ = def->expression_;
    source_ = def->source_;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

TIndexDefs::TIndexDefs(TDataSet* dataSet)
    : TOwnedCollection(dataSet, TCollectionItemClass::Of<TIndexDef>()), data_set_(dataSet) {}

TIndexDef* TIndexDefs::AddIndexDef() {
  return static_cast<TIndexDef*>(TCollection::Add());
}

TIndexDef* TIndexDefs::Add(const String& name, const String& fields, TIndexOptions options) {
  if (!name.empty() && IndexOf(name) >= 0) DatabaseErrorFmt(MsgDuplicateIndexName, data_set_, name);
  TIndexDef* def = AddIndexDef();
  def->SetName(name);
  if (options.Contains(ixExpression))
    def->SetExpression(fields);
  else
    def->SetFields(fields);
  def->SetOptions(options);
  return def;
}

Integer TIndexDefs::IndexOf(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Name(), name)) return i;
  return -1;
}

TIndexDef* TIndexDefs::FindDef(const String& name) const {
  const Integer i = IndexOf(name);
  return i >= 0 ? Items(i) : nullptr;
}

TIndexDef* TIndexDefs::Find(const String& name) const {
  TIndexDef* def = FindDef(name);
  if (!def) DatabaseErrorFmt(MsgIndexNotFound, data_set_, name);
  return def;
}

TIndexDef* TIndexDefs::FindIndexForFields(const String& fields) const {
  const String wanted = NormalizeFieldList(fields);
  for (Integer i = 0; i < Count(); ++i)
    if (NormalizeFieldList(Items(i)->Fields()) == wanted) return Items(i);
  return nullptr;
}

TIndexDef* TIndexDefs::GetIndexForFields(const String& fields, bool caseInsensitive) const {
  const String wanted = NormalizeFieldList(fields);
  for (Integer i = 0; i < Count(); ++i) {
    TIndexDef* def = Items(i);
    if (caseInsensitive && !def->Options().Contains(ixCaseInsensitive)) continue;
    const String have = NormalizeFieldList(def->Fields());
    if (have == wanted ||
        (have.size() > wanted.size() && have.compare(0, wanted.size(), wanted) == 0 &&
         have[wanted.size()] == ';'))
      return def;
  }
  return nullptr;
}

void TIndexDefs::Notify(TCollectionItem* item, TCollectionNotification action) {
  updated_ = false;
  TOwnedCollection::Notify(item, action);
}
