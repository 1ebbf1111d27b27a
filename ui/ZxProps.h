// ui/ZxProps.h
//
// Storage of published properties as text: TPropsStorage turns the
// published properties of components into values under idents of a section
// and back, through callbacks that read a string, write a string and erase a
// section (an ini file or a registry key behind them). Form storage uses it
// for lines like "Panel1.Width": a component name, a point, a property name.
//
// The ident of a property is the storage's prefix followed by the property's
// name ("Panel1_Width"). Texts by kind: integers in decimal, a character as
// itself, an enumeration by its value's name, a float in general format with
// "." as the decimal point, a set as "[a,b]", a component reference by name
// ("(null)" for none, "Form2.Edit1" for one owned by another form), a string
// list and a collection in a section of their own ("<Section>.<ident>") with
// "Count" and "Item0", "Item1", ...; any other persistent object by its own
// published properties.
//
// A stored count is not trusted beyond what the section can hold: with a
// section reader it is capped at the number of idents the section has,
// otherwise at kMaxStoredCount.
#pragma once

#include <functional>
#include <memory>

#include "platform/rtl/Component.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/Types.h"

class TCollection;
class TStrings;

using TReadStrEvent =
    std::function<String(const String& section, const String& ident, const String& def)>;
using TWriteStrEvent =
    std::function<void(const String& section, const String& ident, const String& value)>;
using TEraseSectEvent = std::function<void(const String& section)>;
// The idents of a section into `idents`.
using TReadSectEvent = std::function<void(const String& section, TStrings* idents)>;

class TPropsStorage : public TObject {
  ZORVET_CLASS_NAME(TPropsStorage)

 public:
  // The most list lines or collection items one load reads.
  static constexpr Integer kMaxStoredCount = 100000;

  TPropsStorage() = default;

  // The object whose properties are stored.
  TObject* AObject = nullptr;
  // The component that resolves references (the form).
  TComponent* Owner = nullptr;
  String Prefix;
  String Section;
  TReadStrEvent OnReadString;
  TWriteStrEvent OnWriteString;
  TEraseSectEvent OnEraseSection;
  // Optional: lets a load know how many idents a section holds.
  TReadSectEvent OnReadSection;

  virtual String ReadString(const String& section, const String& item, const String& def);
  virtual void WriteString(const String& section, const String& item, const String& value);
  virtual void EraseSection(const String& section);
  virtual String GetItemName(const String& name) const { return Prefix + name; }
  // A storage of the same kind and callbacks, for the parts of an object.
  virtual std::unique_ptr<TPropsStorage> CreateStorage() const;

  void StoreAnyProperty(const TPropInfo* prop);
  void LoadAnyProperty(const TPropInfo* prop);

  // `list`: lines "Component.Property" whose objects are the components.
  void StoreObjectsProps(TComponent* owner, TStrings* list);
  void LoadObjectsProps(TComponent* owner, TStrings* list);

 private:
  // The text of the property's present value (not for class properties).
  String ValueText(const TPropInfo* prop);
  void SetFromText(const TPropInfo* prop, const String& text);
  String ReferenceText(const TPropInfo* prop);
  void SetReference(const TPropInfo* prop, const String& text);
  String PartSection(const TPropInfo* prop) const;
  Integer ReadCount(const String& section);
  void StoreStrings(const TPropInfo* prop, TStrings* strings);
  void LoadStrings(const TPropInfo* prop, TStrings* strings);
  void StoreCollection(const TPropInfo* prop, TCollection* collection);
  void LoadCollection(const TPropInfo* prop, TCollection* collection);
  // A storage for `object` sharing this one's section, owner and callbacks.
  std::unique_ptr<TPropsStorage> Nested(TObject* object, const String& prefix,
                                        const String& section) const;
  void StoreAll();
  void LoadAll();
  template <class F>
  void ForEachStoredItem(TComponent* owner, TStrings* list, F action);
};

namespace ZXProps {

// "Component.Property".
String CreateStoredItem(const String& comp, const String& prop);
// Splits at the first "." and trims both parts; false unless both are non-empty.
bool ParseStoredItem(const String& item, String& comp, String& prop);
// After the form is loaded (fromForm) every line gets its component as its
// object, or goes when the owner has none of that name. Before the form is
// written, every line is rewritten from its component's present name, or
// goes when it has none. Invalid lines go in both cases.
void UpdateStoredList(TComponent* owner, TStrings* list, bool fromForm);
// The screen's form, or else data module, of that name, ignoring case;
// nullptr when none.
TComponent* FindGlobalComponent(const String& name);

}  // namespace ZXProps
