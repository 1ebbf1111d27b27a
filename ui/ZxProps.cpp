// ui/ZxProps.cpp
#include "ui/ZxProps.h"

#include <algorithm>
#include <map>

#include "platform/controls/DataModule.h"
#include "platform/controls/Form.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/StringUtils.h"

namespace {

constexpr const char* kNull = "(null)";

// Significant digits of a float by its declared width. Values travel as
// doubles here: more digits than a double holds would only write the noise
// of its binary form, so the wider types get a double's 15.
int Precision(TFloatType type) {
  return type == TFloatType::ftSingle ? 7 : 15;
}

String SetText(const TPropInfo* prop, Int64 bits) {
  String text = "[";
  for (std::size_t k = 0; k < prop->Names.size() && k < 64; ++k) {
    if (!(static_cast<UInt64>(bits) & (UInt64(1) << k))) continue;
    if (text.size() > 1) text += ',';
    text += prop->Names[k];
  }
  return text + "]";
}

Int64 SetBits(const TPropInfo* prop, const String& text) {
  UInt64 bits = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(" ,[]", start);
    if (end == String::npos) end = text.size();
    const Integer member = GetEnumValue(prop, text.substr(start, end - start));
    if (end > start && member >= 0 && member < 64) bits |= UInt64(1) << member;
    start = end + 1;
  }
  return static_cast<Int64>(bits);
}

String OwnerName(const TComponent* owner) {
  if (!owner->Name().empty()) return owner->Name();
  String name = owner->ClassName();
  if (!name.empty() && name[0] == 'T') name.erase(0, 1);
  return name;
}

bool IsStorableKind(const TPropInfo* prop) {
  return tkProperties.Contains(prop->Kind);
}

}  // namespace

String TPropsStorage::ReadString(const String& section, const String& item, const String& def) {
  return OnReadString ? OnReadString(section, item, def) : String();
}

void TPropsStorage::WriteString(const String& section, const String& item, const String& value) {
  if (OnWriteString) OnWriteString(section, item, value);
}

void TPropsStorage::EraseSection(const String& section) {
  if (OnEraseSection) OnEraseSection(section);
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() const {
  return std::make_unique<TPropsStorage>();
}

std::unique_ptr<TPropsStorage> TPropsStorage::Nested(TObject* object, const String& prefix,
                                                     const String& section) const {
  std::unique_ptr<TPropsStorage> storage = CreateStorage();
  storage->AObject = object;
  storage->Owner = Owner;
  storage->Prefix = prefix;
  storage->Section = section;
  storage->OnReadString = OnReadString;
  storage->OnWriteString = OnWriteString;
  storage->OnEraseSection = OnEraseSection;
  storage->OnReadSection = OnReadSection;
  return storage;
}

// ---- plain values ----

String TPropsStorage::ValueText(const TPropInfo* prop) {
  switch (prop->Kind) {
    case tkInteger:
    case tkInt64:
      return IntToStr(GetInt64Prop(AObject, prop));
    case tkChar:
    case tkWChar:
      return String(1, static_cast<char>(GetOrdProp(AObject, prop)));
    case tkEnumeration:
      return GetEnumName(prop, GetOrdProp(AObject, prop));
    case tkFloat:
      return StringReplace(FloatToStr(GetFloatProp(AObject, prop), Precision(prop->FloatType)),
                           String(1, FormatSettings().DecimalSeparator), ".");
    case tkString:
    case tkLString:
    case tkWString:
      return GetStrProp(AObject, prop);
    case tkSet:
      return SetText(prop, GetOrdProp(AObject, prop));
    case tkVariant: {
      const Variant value = GetVariantProp(AObject, prop);
      return value.IsNull() ? String() : value.AsString();
    }
    default:
      return String();
  }
}

void TPropsStorage::SetFromText(const TPropInfo* prop, const String& text) {
  switch (prop->Kind) {
    case tkInteger: {
      Integer value;
      SetOrdProp(AObject, prop, TryStrToInt(text, value) ? value : 0);
      break;
    }
    case tkInt64: {
      Int64 value;
      SetInt64Prop(AObject, prop, TryStrToInt64(text, value) ? value : 0);
      break;
    }
    case tkChar:
    case tkWChar:
      if (!text.empty()) SetOrdProp(AObject, prop, static_cast<unsigned char>(text[0]));
      break;
    case tkEnumeration: {
      const Integer value = GetEnumValue(prop, text);
      if (value >= 0) SetOrdProp(AObject, prop, value);
      break;
    }
    case tkFloat: {
      String local = text;
      std::replace(local.begin(), local.end(), '.', FormatSettings().DecimalSeparator);
      SetFloatProp(AObject, prop, StrToFloat(local));
      break;
    }
    case tkString:
    case tkLString:
    case tkWString:
      SetStrProp(AObject, prop, text);
      break;
    case tkSet:
      SetOrdProp(AObject, prop, SetBits(prop, text));
      break;
    case tkVariant:
      SetVariantProp(AObject, prop, Variant(text));
      break;
    default:
      break;
  }
}

// ---- component references ----

String TPropsStorage::ReferenceText(const TPropInfo* prop) {
  const auto* component = dynamic_cast<TComponent*>(GetObjectProp(AObject, prop));
  if (!component) return kNull;
  const TComponent* owner = component->Owner();
  if (!owner || owner == Owner) return component->Name();
  return OwnerName(owner) + "." + component->Name();
}

void TPropsStorage::SetReference(const TPropInfo* prop, const String& text) {
  if (text.empty()) return;
  TComponent* found = nullptr;
  if (!SameText(text, kNull)) {
    const std::size_t dot = text.find('.');
    TComponent* owner =
        dot == String::npos ? Owner : ZXProps::FindGlobalComponent(Trim(text.substr(0, dot)));
    const String name = Trim(dot == String::npos ? text : text.substr(dot + 1));
    // An owner that cannot be found gives no component, never a lookup in nothing.
    if (owner) found = owner->FindComponent(name);
    if (found && prop->IsOfClass && !prop->IsOfClass(found)) found = nullptr;
  }
  SetObjectProp(AObject, prop, found);
}

// ---- parts: string lists, collections, other persistent objects ----

String TPropsStorage::PartSection(const TPropInfo* prop) const {
  return Section + "." + GetItemName(prop->Name);
}

Integer TPropsStorage::ReadCount(const String& section) {
  const Integer count = StrToIntDef(Trim(ReadString(section, "Count", "0")), 0);
  // A damaged or hand-edited count must not make a load read thousands of
  // millions of idents: no section holds more items than idents.
  Integer cap = kMaxStoredCount;
  if (OnReadSection) {
    TStringList idents;
    OnReadSection(section, &idents);
    cap = std::min(cap, idents.Count());
  }
  return std::min(count, cap);
}

void TPropsStorage::StoreStrings(const TPropInfo* prop, TStrings* strings) {
  const String section = PartSection(prop);
  EraseSection(section);
  if (strings->Count() == 0) return;
  WriteString(section, "Count", IntToStr(strings->Count()));
  for (Integer i = 0; i < strings->Count(); ++i)
    WriteString(section, "Item" + IntToStr(i), strings->Strings(i));
}

void TPropsStorage::LoadStrings(const TPropInfo* prop, TStrings* strings) {
  const String section = PartSection(prop);
  const Integer count = ReadCount(section);
  if (count <= 0) return;
  TStringList lines;
  for (Integer i = 0; i < count; ++i)
    lines.Add(ReadString(section, "Item" + IntToStr(i), String()));
  strings->Assign(&lines);
}

void TPropsStorage::StoreCollection(const TPropInfo* prop, TCollection* collection) {
  const String section = PartSection(prop);
  WriteString(section, "Count", IntToStr(collection->Count()));
  for (Integer i = 0; i < collection->Count(); ++i)
    Nested(collection->Items(i), "Item" + IntToStr(i) + "_", section)->StoreAll();
}

void TPropsStorage::LoadCollection(const TPropInfo* prop, TCollection* collection) {
  const String section = PartSection(prop);
  const Integer count = ReadCount(section);
  if (count <= 0) return;
  collection->BeginUpdate();
  TScopeExit end_update([&] { collection->EndUpdate(); });
  collection->Clear();
  for (Integer i = 0; i < count; ++i)
    Nested(collection->Add(), "Item" + IntToStr(i) + "_", section)->LoadAll();
}

void TPropsStorage::StoreAll() {
  const TPropInfoList props(AObject, tkProperties);
  for (Integer i = 0; i < props.Count(); ++i) StoreAnyProperty(props.Items(i));
}

void TPropsStorage::LoadAll() {
  const TPropInfoList props(AObject, tkProperties);
  for (Integer i = 0; i < props.Count(); ++i) LoadAnyProperty(props.Items(i));
}

// ---- any property ----

void TPropsStorage::StoreAnyProperty(const TPropInfo* prop) {
  if (!AObject || !prop || !IsStorableKind(prop)) return;
  if (prop->Kind != tkClass) {
    WriteString(Section, GetItemName(prop->Name), ValueText(prop));
    return;
  }
  if (prop->IsReference) {
    WriteString(Section, GetItemName(prop->Name), ReferenceText(prop));
    return;
  }
  TObject* part = GetObjectProp(AObject, prop);
  if (auto* strings = dynamic_cast<TStrings*>(part))
    StoreStrings(prop, strings);
  else if (auto* collection = dynamic_cast<TCollection*>(part))
    StoreCollection(prop, collection);
  else if (dynamic_cast<TPersistent*>(part))
    Nested(part, GetItemName(prop->Name), Section)->StoreAll();
}

void TPropsStorage::LoadAnyProperty(const TPropInfo* prop) {
  if (!AObject || !prop || !IsStorableKind(prop)) return;
  if (prop->Kind != tkClass) {
    if (!prop->IsWritable()) return;
    SetFromText(prop, ReadString(Section, GetItemName(prop->Name), ValueText(prop)));
    return;
  }
  if (prop->IsReference) {
    if (prop->SetObject)
      SetReference(prop, ReadString(Section, GetItemName(prop->Name), ReferenceText(prop)));
    return;
  }
  TObject* part = GetObjectProp(AObject, prop);
  if (auto* strings = dynamic_cast<TStrings*>(part))
    LoadStrings(prop, strings);
  else if (auto* collection = dynamic_cast<TCollection*>(part))
    LoadCollection(prop, collection);
  else if (dynamic_cast<TPersistent*>(part))
    Nested(part, GetItemName(prop->Name), Section)->LoadAll();
}

// ---- lists of stored items ----

template <class F>
void TPropsStorage::ForEachStoredItem(TComponent* owner, TStrings* list, F action) {
  std::map<TComponent*, std::unique_ptr<TPropInfoList>> table;
  for (Integer i = 0; i < list->Count(); ++i)
    if (auto* component = dynamic_cast<TComponent*>(list->Objects(i)))
      if (!table.count(component))
        table.emplace(component, std::make_unique<TPropInfoList>(component, tkProperties));
  Owner = owner;
  TScopeExit no_owner([&] { Owner = nullptr; });
  for (Integer i = 0; i < list->Count(); ++i) {
    String comp, name;
    if (!ZXProps::ParseStoredItem(list->Strings(i), comp, name)) continue;
    auto* component = dynamic_cast<TComponent*>(list->Objects(i));
    const auto entry = table.find(component);
    if (!component || entry == table.end()) continue;
    AObject = component;
    Prefix = component->Name() + "_";
    if (const TPropInfo* prop = entry->second->Find(name)) action(prop);
  }
}

void TPropsStorage::StoreObjectsProps(TComponent* owner, TStrings* list) {
  ForEachStoredItem(owner, list, [this](const TPropInfo* prop) { StoreAnyProperty(prop); });
}

void TPropsStorage::LoadObjectsProps(TComponent* owner, TStrings* list) {
  ForEachStoredItem(owner, list, [this](const TPropInfo* prop) { LoadAnyProperty(prop); });
}

// ---- routines ----

namespace ZXProps {

String CreateStoredItem(const String& comp, const String& prop) {
  return comp + "." + prop;
}

bool ParseStoredItem(const String& item, String& comp, String& prop) {
  const std::size_t dot = item.find('.');
  if (dot == String::npos) return false;
  comp = Trim(item.substr(0, dot));
  prop = Trim(item.substr(dot + 1));
  return !comp.empty() && !prop.empty();
}

void UpdateStoredList(TComponent* owner, TStrings* list, bool fromForm) {
  for (Integer i = list->Count() - 1; i >= 0; --i) {
    String comp, prop;
    if (!ParseStoredItem(list->Strings(i), comp, prop)) {
      list->Delete(i);
    } else if (fromForm) {
      TComponent* component = owner ? owner->FindComponent(comp) : nullptr;
      if (component)
        list->SetObjects(i, component);
      else
        list->Delete(i);
    } else if (auto* component = dynamic_cast<TComponent*>(list->Objects(i))) {
      list->SetStrings(i, CreateStoredItem(component->Name(), prop));
      list->SetObjects(i, component);
    } else {
      list->Delete(i);
    }
  }
}

TComponent* FindGlobalComponent(const String& name) {
  if (!Screen) return nullptr;
  for (Integer i = 0; i < Screen->FormCount(); ++i) {
    TComponent* form = Screen->Forms(i);
    if (SameText(form->Name(), name)) return form;
  }
  for (Integer i = 0; i < Screen->DataModuleCount(); ++i) {
    TComponent* module = Screen->DataModules(i);
    if (SameText(module->Name(), name)) return module;
  }
  return nullptr;
}

}  // namespace ZXProps
