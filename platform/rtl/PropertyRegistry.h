// platform/rtl/PropertyRegistry.h
//
// Published properties: a class declares which of its properties stored
// definitions hold (name, kind, getter, setter, default), and code reads and
// writes them by name: the component writer and reader, and the storage of
// properties in ini files.
//
// Declaring, from a module's explicit initialisation (once, before use):
//
//   TPublishedClass<TvomMemTable, TDataSet>()
//       .AddBoolean("DesignActivation", &TvomMemTable::DesignActivation,
//                   &TvomMemTable::SetDesignActivation, true)
//       .AddInteger("AttachMaxCount", &TvomMemTable::AttachMaxCount,
//                   &TvomMemTable::SetAttachMaxCount, 1)
//       .AddEnum("Performance", &TvomMemTable::Performance, &TvomMemTable::SetPerformance,
//                {"mtpfFast", "mtpfSmall"}, mtpfFast)
//       .AddSet("ProgressFlags", getter, setter, {"mtpcLoad", ...}, defaultBits)
//       .AddComponent("AttachedTo", &TvomMemTable::AttachedTo, &TvomMemTable::SetAttachedTo)
//       .AddObject("IndexDefs", &TvomMemTable::IndexDefs);
//
// Getters and setters are member functions (const or not) or any callable
// taking the object (C*) first. The second class is the parent whose
// properties come first; either may be declared first. An object's
// properties are those of the most derived declared class it belongs to,
// found with dynamic_cast, so an undeclared descendant has its ancestor's.
// TComponent itself declares Name (not stored: the component header holds it)
// and Tag (default 0).
//
// Kinds and their values:
//   tkInteger, tkInt64, tkChar   the ordinal (GetOrdProp/SetOrdProp)
//   tkEnumeration                the ordinal; Names holds the value names
//                                (Booleans: "False", "True")
//   tkSet                        the members as bits (bit k = member k); Names
//                                holds the member names
//   tkFloat                      a double (FloatType tells the declared width)
//   tkLString                    a String
//   tkVariant                    a Variant (GetVariantProp/SetVariantProp)
//   tkClass                      an object: a TComponent is a reference to
//                                another component (IsReference); any other
//                                TPersistent (string list, collection, ...)
//                                is a part of the object, stored with it.
//                                ClassName and IsOfClass tell the declared
//                                class, even while the reference is none.
//
// Ordinal defaults: a value equal to Default is not written (HasDefault false:
// always written). Strings default to empty, floats to 0, references to none.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

enum TTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray,
};

using TTypeKinds = Set<TTypeKind>;
// Every kind whose values are data: all but methods and the unknown kind.
inline constexpr TTypeKinds tkProperties{
    tkInteger, tkChar,    tkEnumeration, tkFloat, tkString, tkSet,       tkClass, tkWChar,
    tkLString, tkWString, tkVariant,     tkArray, tkRecord, tkInterface, tkInt64, tkDynArray};

enum class TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

struct TPropInfo {
  String Name;
  TTypeKind Kind = tkUnknown;
  TFloatType FloatType = TFloatType::ftDouble;
  std::vector<String> Names;  // enumeration values / set members by ordinal
  Int64 Default = 0;
  bool HasDefault = false;

  std::function<Int64(TObject*)> GetOrd;
  std::function<void(TObject*, Int64)> SetOrd;
  std::function<double(TObject*)> GetFloat;
  std::function<void(TObject*, double)> SetFloat;
  std::function<String(TObject*)> GetStr;
  std::function<void(TObject*, const String&)> SetStr;
  std::function<TObject*(TObject*)> GetObject;
  std::function<void(TObject*, TObject*)> SetObject;
  std::function<Variant(TObject*)> GetVariant;
  std::function<void(TObject*, const Variant&)> SetVariant;
  // tkClass: the declared class, whether an object belongs to it, and
  // whether the property refers to another component rather than holding a
  // part of the object.
  String ClassName;
  std::function<bool(const TObject*)> IsOfClass;
  bool IsReference = false;
  // Empty: always stored.
  std::function<bool(TObject*)> Stored;

  bool IsWritable() const { return SetOrd || SetFloat || SetStr || SetObject || SetVariant; }
};

using TPropList = std::vector<const TPropInfo*>;

namespace PropertyRegistry {
// How the registry tells which of two declared classes derives from the other,
// whatever parents they were declared under: `throwSelf` throws a null C*,
// and `catches` runs such a thrower and says whether its pointer converts to
// its own class (so the thrower's class is that class or derives from it).
struct ClassProbe {
  void (*throwSelf)();
  bool (*catches)(void (*thrower)());
};
template <class C>
ClassProbe ProbeOf() {
  return {[] { throw static_cast<const C*>(nullptr); },
          [](void (*thrower)()) {
            try {
              thrower();
            } catch (const C*) {
              return true;
            } catch (...) {
            }
            return false;
          }};
}
// Registers (or extends) the declaration of a class. Used by TPublishedClass.
void Declare(std::type_index type, std::type_index parent, bool hasParent,
             std::function<bool(const TObject*)> isInstance, ClassProbe probe, TPropInfo info);
void DeclareClass(std::type_index type, std::type_index parent, bool hasParent,
                  std::function<bool(const TObject*)> isInstance, ClassProbe probe);
}  // namespace PropertyRegistry

// The published properties of `instance`: the ancestors' first, in
// declaration order. Empty for an object of no declared class.
TPropList GetPropList(const TObject* instance);
// The property of that name (ignoring case), or nullptr.
const TPropInfo* GetPropInfo(const TObject* instance, const String& name);
// Whether the property is stored for this instance (its Stored test).
bool IsStoredProp(TObject* instance, const TPropInfo* prop);

// Access by property record. A kind mismatch or a missing setter raises
// EPropertyError.
Int64 GetOrdProp(TObject* instance, const TPropInfo* prop);
void SetOrdProp(TObject* instance, const TPropInfo* prop, Int64 value);
double GetFloatProp(TObject* instance, const TPropInfo* prop);
void SetFloatProp(TObject* instance, const TPropInfo* prop, double value);
String GetStrProp(TObject* instance, const TPropInfo* prop);
void SetStrProp(TObject* instance, const TPropInfo* prop, const String& value);
TObject* GetObjectProp(TObject* instance, const TPropInfo* prop);
void SetObjectProp(TObject* instance, const TPropInfo* prop, TObject* value);
Variant GetVariantProp(TObject* instance, const TPropInfo* prop);
void SetVariantProp(TObject* instance, const TPropInfo* prop, const Variant& value);
// The ordinal as a 64-bit integer (any ordinal kind, tkInt64 included).
Int64 GetInt64Prop(TObject* instance, const TPropInfo* prop);
void SetInt64Prop(TObject* instance, const TPropInfo* prop, Int64 value);

// Access by name; an unknown name raises EPropertyError "Property %s does not exist".
Int64 GetOrdProp(TObject* instance, const String& name);
void SetOrdProp(TObject* instance, const String& name, Int64 value);
double GetFloatProp(TObject* instance, const String& name);
void SetFloatProp(TObject* instance, const String& name, double value);
String GetStrProp(TObject* instance, const String& name);
void SetStrProp(TObject* instance, const String& name, const String& value);
TObject* GetObjectProp(TObject* instance, const String& name);
void SetObjectProp(TObject* instance, const String& name, TObject* value);
Variant GetVariantProp(TObject* instance, const String& name);
void SetVariantProp(TObject* instance, const String& name, const Variant& value);
Int64 GetInt64Prop(TObject* instance, const String& name);
void SetInt64Prop(TObject* instance, const String& name, Int64 value);

// The name of an enumeration value or set member (empty when out of range).
String GetEnumName(const TPropInfo* prop, Int64 value);
// The ordinal whose name equals `name` ignoring case, or -1.
Integer GetEnumValue(const TPropInfo* prop, const String& name);

// The published properties of one object restricted to a set of kinds, in
// the order GetPropList gives them. The records stay valid for the life of
// the program (declarations are never removed).
class TPropInfoList {
 public:
  TPropInfoList(const TObject* instance, TTypeKinds filter);

  Integer Count() const { return static_cast<Integer>(list_.size()); }
  const TPropInfo* Items(Integer index) const { return list_.at(static_cast<std::size_t>(index)); }
  // The property of that name, ignoring case; nullptr when absent.
  const TPropInfo* Find(const String& name) const;

 private:
  TPropList list_;
};

// The builder of a class's declaration; see the top of this file.
template <class C, class Parent = void>
class TPublishedClass {
 public:
  TPublishedClass() {
    PropertyRegistry::DeclareClass(typeid(C), ParentType(), HasParent(), &IsInstance, Probe());
  }

  template <class G, class S>
  TPublishedClass& AddInteger(const String& name, G get, S set, Int64 def = 0,
                              bool hasDefault = true) {
    return Ordinal(name, tkInteger, get, set, def, hasDefault, {});
  }
  template <class G, class S>
  TPublishedClass& AddInt64(const String& name, G get, S set, Int64 def = 0) {
    return Ordinal(name, tkInt64, get, set, def, true, {});
  }
  template <class G, class S>
  TPublishedClass& AddChar(const String& name, G get, S set, char def = 0) {
    return Ordinal(name, tkChar, get, set, static_cast<unsigned char>(def), true, {});
  }
  template <class G, class S>
  TPublishedClass& AddBoolean(const String& name, G get, S set, bool def = false) {
    return Ordinal(name, tkEnumeration, get, set, def ? 1 : 0, true, {"False", "True"});
  }
  template <class G, class S>
  TPublishedClass& AddEnum(const String& name, G get, S set, std::vector<String> names, Int64 def) {
    return Ordinal(name, tkEnumeration, get, set, def, true, std::move(names));
  }
  // A Set<E> (or an enum-bitmask value, or an integer of bits); `def` in bits.
  template <class G, class S>
  TPublishedClass& AddSet(const String& name, G get, S set, std::vector<String> names,
                          Int64 def = 0) {
    TPropInfo p = Base(name, tkSet);
    p.Names = std::move(names);
    p.Default = def;
    p.HasDefault = true;
    p.GetOrd = [get](TObject* o) -> Int64 { return ToBits(std::invoke(get, Self(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      using V = std::decay_t<decltype(std::invoke(get, std::declval<C*>()))>;
      p.SetOrd = [set](TObject* o, Int64 v) { std::invoke(set, Self(o), FromBits<V>(v)); };
    }
    return Add(std::move(p));
  }
  template <class G, class S>
  TPublishedClass& AddFloat(const String& name, G get, S set,
                            TFloatType type = TFloatType::ftDouble) {
    TPropInfo p = Base(name, tkFloat);
    p.FloatType = type;
    p.GetFloat = [get](TObject* o) { return static_cast<double>(std::invoke(get, Self(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
      p.SetFloat = [set](TObject* o, double v) { std::invoke(set, Self(o), v); };
    return Add(std::move(p));
  }
  template <class G, class S>
  TPublishedClass& AddString(const String& name, G get, S set) {
    TPropInfo p = Base(name, tkLString);
    p.GetStr = [get](TObject* o) { return String(std::invoke(get, Self(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
      p.SetStr = [set](TObject* o, const String& v) { std::invoke(set, Self(o), v); };
    return Add(std::move(p));
  }
  template <class G, class S>
  TPublishedClass& AddVariant(const String& name, G get, S set) {
    TPropInfo p = Base(name, tkVariant);
    p.GetVariant = [get](TObject* o) { return Variant(std::invoke(get, Self(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
      p.SetVariant = [set](TObject* o, const Variant& v) { std::invoke(set, Self(o), v); };
    return Add(std::move(p));
  }
  // A reference to another component (getter returns a TComponent descendant
  // pointer; the setter takes one). Stored by name, resolved after reading.
  template <class G, class S>
  TPublishedClass& AddComponent(const String& name, G get, S set) {
    TPropInfo p = ClassProperty<G>(name);
    p.IsReference = true;
    p.GetObject = [get](TObject* o) -> TObject* { return std::invoke(get, Self(o)); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      using V = std::decay_t<decltype(std::invoke(get, std::declval<C*>()))>;
      p.SetObject = [set](TObject* o, TObject* v) {
        V typed = dynamic_cast<V>(v);
        if (v && !typed) throw EPropertyError("Invalid property value");
        std::invoke(set, Self(o), typed);
      };
    }
    return Add(std::move(p));
  }
  // A part of the object (string list, collection, other persistent), stored
  // within the object's own entry. Only a getter: readers fill the part.
  template <class G>
  TPublishedClass& AddObject(const String& name, G get) {
    TPropInfo p = ClassProperty<G>(name);
    p.GetObject = [get](TObject* o) -> TObject* { return std::invoke(get, Self(o)); };
    return Add(std::move(p));
  }
  // Makes the last added property stored only when `stored` says so.
  template <class F>
  TPublishedClass& StoredWhen(F stored) {
    last_.Stored = [stored](TObject* o) { return static_cast<bool>(std::invoke(stored, Self(o))); };
    PropertyRegistry::Declare(typeid(C), ParentType(), HasParent(), &IsInstance, Probe(), last_);
    return *this;
  }
  // The last added property is never stored.
  TPublishedClass& NotStored() {
    return StoredWhen([](C*) { return false; });
  }

 private:
  static C* Self(TObject* o) { return static_cast<C*>(o); }
  static bool IsInstance(const TObject* o) { return dynamic_cast<const C*>(o) != nullptr; }
  static PropertyRegistry::ClassProbe Probe() { return PropertyRegistry::ProbeOf<C>(); }
  static std::type_index ParentType() {
    if constexpr (std::is_void_v<Parent>)
      return typeid(void);
    else
      return typeid(Parent);
  }
  static bool HasParent() { return !std::is_void_v<Parent>; }

  template <class V>
  static Int64 ToBits(const V& v) {
    if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
      return static_cast<Int64>(v);
    else
      return static_cast<Int64>(v.Bits());
  }
  template <class V>
  static V FromBits(Int64 bits) {
    if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
      return static_cast<V>(bits);
    else
      return V::FromBits(static_cast<std::uint64_t>(bits));
  }

  static TPropInfo Base(const String& name, TTypeKind kind) {
    TPropInfo p;
    p.Name = name;
    p.Kind = kind;
    return p;
  }
  template <class G>
  static TPropInfo ClassProperty(const String& name) {
    using V = std::remove_cv_t<std::remove_pointer_t<
        std::decay_t<decltype(std::invoke(std::declval<G>(), std::declval<C*>()))>>>;
    TPropInfo p = Base(name, tkClass);
    p.ClassName = V::StaticClassName();
    p.IsOfClass = [](const TObject* o) { return dynamic_cast<const V*>(o) != nullptr; };
    return p;
  }
  template <class G, class S>
  TPublishedClass& Ordinal(const String& name, TTypeKind kind, G get, S set, Int64 def,
                           bool hasDefault, std::vector<String> names) {
    TPropInfo p = Base(name, kind);
    p.Default = def;
    p.HasDefault = hasDefault;
    p.Names = std::move(names);
    p.GetOrd = [get](TObject* o) { return static_cast<Int64>(std::invoke(get, Self(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      using V = std::decay_t<decltype(std::invoke(get, std::declval<C*>()))>;
      p.SetOrd = [set](TObject* o, Int64 v) { std::invoke(set, Self(o), static_cast<V>(v)); };
    }
    return Add(std::move(p));
  }
  TPublishedClass& Add(TPropInfo p) {
    last_ = p;
    PropertyRegistry::Declare(typeid(C), ParentType(), HasParent(), &IsInstance, Probe(),
                              std::move(p));
    return *this;
  }

  TPropInfo last_;
};
