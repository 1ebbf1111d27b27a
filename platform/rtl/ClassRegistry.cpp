// platform/rtl/ClassRegistry.cpp
#include "platform/rtl/ClassRegistry.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

struct Registry {
  std::mutex mutex;
  // Entries are kept in a vector of pointers so that references handed out
  // stay valid while others are added.
  std::vector<std::unique_ptr<TRegisteredClass>> classes;

  TRegisteredClass* Find(const String& name) {
    for (auto& c : classes)
      if (SameIdent(c->Name, name)) return c.get();
    return nullptr;
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterClassFactory(const String& name, TPersistentFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(r.mutex);
  if (TRegisteredClass* existing = r.Find(name)) {
    existing->Create = std::move(factory);
    return;
  }
  r.classes.push_back(
      std::make_unique<TRegisteredClass>(TRegisteredClass{name, std::move(factory)}));
}

void UnRegisterClass(const String& name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(r.mutex);
  // The entry stays allocated (someone may hold it) but is no longer found.
  for (auto& c : r.classes)
    if (SameIdent(c->Name, name)) c->Name.clear();
}

const TRegisteredClass* GetClass(const String& name) {
  if (name.empty()) return nullptr;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(r.mutex);
  return r.Find(name);
}

const TRegisteredClass& FindClass(const String& name) {
  const TRegisteredClass* c = GetClass(name);
  if (!c) throw EClassNotFound("Class " + name + " not found");
  return *c;
}
