// platform/rtl/ClassRegistry.h
//
// Classes known by name, so that reading a stored definition can create the
// components (and collection items) it names. A module registers its
// classes from its explicit initialisation:
//
//   RegisterClass<TvomMemTable>();   // new TvomMemTable(owner)
//   RegisterClass<TLStrItem>();      // new TLStrItem(collection)
//
// Names compare ignoring case. Registering a name again replaces the entry.
#pragma once

#include <functional>
#include <type_traits>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

// Creates an instance inside `parent`: the owner of a component, the
// collection of a collection item.
using TPersistentFactory = std::function<TPersistent*(TPersistent* parent)>;

struct TRegisteredClass {
  String Name;
  TPersistentFactory Create;  // empty for classes that cannot be created here
};

void RegisterClassFactory(const String& name, TPersistentFactory factory);
void UnRegisterClass(const String& name);
// The entry, or nullptr.
const TRegisteredClass* GetClass(const String& name);
// The entry, or EClassNotFound "Class %s not found".
const TRegisteredClass& FindClass(const String& name);

template <class T>
void RegisterClass() {
  static_assert(std::is_base_of_v<TPersistent, T>, "only persistent classes are registered");
  TPersistentFactory factory;
  if constexpr (std::is_base_of_v<TComponent, T>) {
    factory = [](TPersistent* parent) -> TPersistent* {
      return new T(dynamic_cast<TComponent*>(parent));
    };
  } else if constexpr (std::is_base_of_v<TCollectionItem, T>) {
    factory = [](TPersistent* parent) -> TPersistent* {
      return new T(dynamic_cast<TCollection*>(parent));
    };
  }
  RegisterClassFactory(T::StaticClassName(), std::move(factory));
}
