// platform/rtl/PropertyRegistry.cpp
#include "platform/rtl/PropertyRegistry.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/rtl/Component.h"

namespace {

struct ClassDecl {
  std::type_index type;
  std::type_index parent;
  bool has_parent;
  std::function<bool(const TObject*)> is_instance;
  PropertyRegistry::ClassProbe probe;
  std::vector<std::unique_ptr<TPropInfo>> props;  // own, in declaration order
};

class Registry {
 public:
  Registry() { DeclareBuiltIns(); }

  ClassDecl& DeclFor(std::type_index type, std::type_index parent, bool has_parent,
                     std::function<bool(const TObject*)> is_instance,
                     PropertyRegistry::ClassProbe probe) {
    auto it = classes_.find(type);
    if (it == classes_.end()) {
      it = classes_
               .emplace(type, std::make_unique<ClassDecl>(ClassDecl{
                                  type, parent, has_parent, std::move(is_instance), probe, {}}))
               .first;
    }
    cache_.clear();
    return *it->second;
  }

  // The property list of an object's most derived declared class.
  const TPropList& ListFor(const TObject* instance) {
    static const TPropList kEmpty;
    if (!instance) return kEmpty;
    const std::type_index dynamic_type = typeid(*instance);
    auto cached = cache_.find(dynamic_type);
    if (cached != cache_.end()) return cached->second;

    const ClassDecl* best = nullptr;
    for (auto& [type, decl] : classes_)
      if (decl->is_instance(instance) && (!best || MoreDerived(*decl, *best))) best = decl.get();
    TPropList list;
    if (best) Collect(*best, list);
    return cache_.emplace(dynamic_type, std::move(list)).first->second;
  }

  std::mutex mutex;

 private:
  const ClassDecl* Parent(const ClassDecl& decl) const {
    if (!decl.has_parent) return nullptr;
    auto it = classes_.find(decl.parent);
    return it == classes_.end() ? nullptr : it->second.get();
  }
  int Depth(const ClassDecl& decl) const {
    int depth = 0;
    for (const ClassDecl* p = Parent(decl); p && depth < 64; p = Parent(*p)) ++depth;
    return depth;
  }
  // Whether `a` is the better declaration for an object both match. The
  // declared parents alone can mislead: a class may be declared under a
  // nearer ancestor than its real one, so ask the classes themselves first.
  // The declared depth only settles classes unrelated to each other, which
  // an object meets through multiple inheritance.
  bool MoreDerived(const ClassDecl& a, const ClassDecl& b) const {
    const bool a_below_b = b.probe.catches(a.probe.throwSelf);
    const bool b_below_a = a.probe.catches(b.probe.throwSelf);
    if (a_below_b != b_below_a) return a_below_b;
    return Depth(a) > Depth(b);
  }
  // Ancestors first; a property declared again further down takes the place
  // of the ancestor's.
  void Collect(const ClassDecl& decl, TPropList& list) const {
    if (const ClassDecl* parent = Parent(decl)) Collect(*parent, list);
    for (auto& prop : decl.props) {
      bool replaced = false;
      for (auto& existing : list)
        if (SameIdent(existing->Name, prop->Name)) {
          existing = prop.get();
          replaced = true;
        }
      if (!replaced) list.push_back(prop.get());
    }
  }

  void DeclareBuiltIns();

  std::map<std::type_index, std::unique_ptr<ClassDecl>> classes_;
  std::map<std::type_index, TPropList> cache_;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

void Registry::DeclareBuiltIns() {
  // The component's name lives in the entry's header, not among the
  // properties; Tag is an ordinary property.
  auto is_component = [](const TObject* o) {
    return dynamic_cast<const TComponent*>(o) != nullptr;
  };
  ClassDecl& decl = DeclFor(typeid(TComponent), typeid(void), false, is_component,
                            PropertyRegistry::ProbeOf<TComponent>());
  auto name = std::make_unique<TPropInfo>();
  name->Name = "Name";
  name->Kind = tkLString;
  name->GetStr = [](TObject* o) { return static_cast<TComponent*>(o)->Name(); };
  name->SetStr = [](TObject* o, const String& v) { static_cast<TComponent*>(o)->SetName(v); };
  name->Stored = [](TObject*) { return false; };
  decl.props.push_back(std::move(name));
  auto tag = std::make_unique<TPropInfo>();
  tag->Name = "Tag";
  tag->Kind = tkInteger;
  tag->HasDefault = true;
  tag->GetOrd = [](TObject* o) -> Int64 { return static_cast<TComponent*>(o)->Tag(); };
  tag->SetOrd = [](TObject* o, Int64 v) {
    static_cast<TComponent*>(o)->SetTag(static_cast<Integer>(v));
  };
  decl.props.push_back(std::move(tag));
}

[[noreturn]] void KindError(const TPropInfo* prop) {
  throw EPropertyError("Property " + prop->Name + " is not of that kind");
}
[[noreturn]] void ReadOnlyError(const TPropInfo* prop) {
  throw EPropertyError("Property " + prop->Name + " is read-only");
}

const TPropInfo* Required(TObject* instance, const String& name) {
  const TPropInfo* prop = GetPropInfo(instance, name);
  if (!prop) throw EPropertyError("Property " + name + " does not exist");
  return prop;
}

}  // namespace

void PropertyRegistry::DeclareClass(std::type_index type, std::type_index parent, bool hasParent,
                                    std::function<bool(const TObject*)> isInstance,
                                    ClassProbe probe) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(r.mutex);
  r.DeclFor(type, parent, hasParent, std::move(isInstance), probe);
}

void PropertyRegistry::Declare(std::type_index type, std::type_index parent, bool hasParent,
                               std::function<bool(const TObject*)> isInstance, ClassProbe probe,
                               TPropInfo info) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(r.mutex);
  ClassDecl& decl = r.DeclFor(type, parent, hasParent, std::move(isInstance), probe);
  for (auto& prop : decl.props)
    if (SameIdent(prop->Name, info.Name)) {
      *prop = std::move(info);
      return;
    }
  decl.props.push_back(std::make_unique<TPropInfo>(std::move(info)));
}

TPropList GetPropList(const TObject* instance) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(r.mutex);
  return r.ListFor(instance);
}

const TPropInfo* GetPropInfo(const TObject* instance, const String& name) {
  for (const TPropInfo* prop : GetPropList(instance))
    if (SameIdent(prop->Name, name)) return prop;
  return nullptr;
}

bool IsStoredProp(TObject* instance, const TPropInfo* prop) {
  return !prop->Stored || prop->Stored(instance);
}

Int64 GetOrdProp(TObject* instance, const TPropInfo* prop) {
  if (!prop->GetOrd) KindError(prop);
  return prop->GetOrd(instance);
}
void SetOrdProp(TObject* instance, const TPropInfo* prop, Int64 value) {
  if (!prop->GetOrd) KindError(prop);
  if (!prop->SetOrd) ReadOnlyError(prop);
  prop->SetOrd(instance, value);
}
double GetFloatProp(TObject* instance, const TPropInfo* prop) {
  if (!prop->GetFloat) KindError(prop);
  return prop->GetFloat(instance);
}
void SetFloatProp(TObject* instance, const TPropInfo* prop, double value) {
  if (!prop->GetFloat) KindError(prop);
  if (!prop->SetFloat) ReadOnlyError(prop);
  prop->SetFloat(instance, value);
}
String GetStrProp(TObject* instance, const TPropInfo* prop) {
  if (!prop->GetStr) KindError(prop);
  return prop->GetStr(instance);
}
void SetStrProp(TObject* instance, const TPropInfo* prop, const String& value) {
  if (!prop->GetStr) KindError(prop);
  if (!prop->SetStr) ReadOnlyError(prop);
  prop->SetStr(instance, value);
}
TObject* GetObjectProp(TObject* instance, const TPropInfo* prop) {
  if (!prop->GetObject) KindError(prop);
  return prop->GetObject(instance);
}
void SetObjectProp(TObject* instance, const TPropInfo* prop, TObject* value) {
  if (!prop->GetObject) KindError(prop);
  if (!prop->SetObject) ReadOnlyError(prop);
  prop->SetObject(instance, value);
}

Int64 GetOrdProp(TObject* instance, const String& name) {
  return GetOrdProp(instance, Required(instance, name));
}
void SetOrdProp(TObject* instance, const String& name, Int64 value) {
  SetOrdProp(instance, Required(instance, name), value);
}
double GetFloatProp(TObject* instance, const String& name) {
  return GetFloatProp(instance, Required(instance, name));
}
void SetFloatProp(TObject* instance, const String& name, double value) {
  SetFloatProp(instance, Required(instance, name), value);
}
String GetStrProp(TObject* instance, const String& name) {
  return GetStrProp(instance, Required(instance, name));
}
void SetStrProp(TObject* instance, const String& name, const String& value) {
  SetStrProp(instance, Required(instance, name), value);
}
TObject* GetObjectProp(TObject* instance, const String& name) {
  return GetObjectProp(instance, Required(instance, name));
}
void SetObjectProp(TObject* instance, const String& name, TObject* value) {
  SetObjectProp(instance, Required(instance, name), value);
}

String GetEnumName(const TPropInfo* prop, Int64 value) {
  if (value < 0 || value >= static_cast<Int64>(prop->Names.size())) return String();
  return prop->Names[static_cast<std::size_t>(value)];
}

Integer GetEnumValue(const TPropInfo* prop, const String& name) {
  for (std::size_t i = 0; i < prop->Names.size(); ++i)
    if (SameIdent(prop->Names[i], name)) return static_cast<Integer>(i);
  return -1;
}

Variant GetVariantProp(TObject* instance, const TPropInfo* prop) {
  if (!prop->GetVariant) KindError(prop);
  return prop->GetVariant(instance);
}
void SetVariantProp(TObject* instance, const TPropInfo* prop, const Variant& value) {
  if (!prop->GetVariant) KindError(prop);
  if (!prop->SetVariant) ReadOnlyError(prop);
  prop->SetVariant(instance, value);
}
Int64 GetInt64Prop(TObject* instance, const TPropInfo* prop) {
  return GetOrdProp(instance, prop);
}
void SetInt64Prop(TObject* instance, const TPropInfo* prop, Int64 value) {
  SetOrdProp(instance, prop, value);
}
Variant GetVariantProp(TObject* instance, const String& name) {
  return GetVariantProp(instance, Required(instance, name));
}
void SetVariantProp(TObject* instance, const String& name, const Variant& value) {
  SetVariantProp(instance, Required(instance, name), value);
}
Int64 GetInt64Prop(TObject* instance, const String& name) {
  return GetInt64Prop(instance, Required(instance, name));
}
void SetInt64Prop(TObject* instance, const String& name, Int64 value) {
  SetInt64Prop(instance, Required(instance, name), value);
}

TPropInfoList::TPropInfoList(const TObject* instance, TTypeKinds filter) {
  for (const TPropInfo* prop : GetPropList(instance))
    if (filter.Contains(prop->Kind)) list_.push_back(prop);
}

const TPropInfo* TPropInfoList::Find(const String& name) const {
  for (const TPropInfo* prop : list_)
    if (SameIdent(prop->Name, name)) return prop;
  return nullptr;
}
