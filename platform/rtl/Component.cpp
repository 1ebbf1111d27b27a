// platform/rtl/Component.cpp
#include "platform/rtl/Component.h"

#include <algorithm>
#include <exception>

#include "platform/rtl/Exceptions.h"

namespace {

bool Contains(const std::vector<TComponent*>& list, const TComponent* c) {
  return std::find(list.begin(), list.end(), c) != list.end();
}

void Erase(std::vector<TComponent*>& list, const TComponent* c) {
  list.erase(std::remove(list.begin(), list.end(), c), list.end());
}

// The loading tree in the order Loaded runs: the root, then what each
// component owns, depth first.
void CollectTree(TComponent* c, std::vector<TComponent*>& out) {
  out.push_back(c);
  for (Integer i = 0; i < c->ComponentCount(); ++i) CollectTree(c->Components(i), out);
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone who asked; each answer may change the list.
  while (!free_notifies_.empty()) {
    TComponent* peer = free_notifies_.back();
    free_notifies_.pop_back();
    Erase(peer->free_notifies_, this);
    peer->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const String& value) {
  if (value == name_) return;
  if (!value.empty() && !IsValidIdent(value))
    throw EComponentError("'" + value + "' is not a valid component name");
  if (owner_)
    owner_->ValidateRename(this, name_, value);
  else
    ValidateRename(nullptr, name_, value);
  name_ = value;
}

void TComponent::ValidateRename(TComponent* component, const String& curName,
                                const String& newName) {
  if (component && !newName.empty() && !SameIdent(curName, newName)) {
    TComponent* other = FindComponent(newName);
    if (other && other != component)
      throw EComponentError("A component named " + newName + " already exists");
  }
}

TComponent* TComponent::Components(Integer index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return components_[static_cast<std::size_t>(index)];
}

Integer TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  const auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<Integer>(it - list.begin());
}

void TComponent::SetComponentIndex(Integer value) {
  if (!owner_) return;
  const Integer current = ComponentIndex();
  auto& list = owner_->components_;
  value = std::clamp(value, Integer{0}, static_cast<Integer>(list.size()) - 1);
  if (current < 0 || current == value) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + value, this);
}

TComponent* TComponent::FindComponent(const String& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameIdent(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component == this) return;
  ValidateRename(component, String(), component->name_);
  if (component->owner_) component->owner_->RemoveComponent(component);
  Insert(component);
  if (state_.Contains(csLoading)) component->state_.Include(csLoading);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, opRemove);
  Remove(component);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  Erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* child = components_.back();
    // Announce the departure to the siblings (and, through them, what they
    // own) so that references between them are cleared before the memory
    // goes; then let the child go without asking this (half-destroyed)
    // owner again.
    std::vector<TComponent*> siblings = components_;
    for (TComponent* sibling : siblings)
      if (sibling != child && Contains(components_, sibling))
        sibling->Notification(child, opRemove);
    if (Contains(components_, child)) {
      Remove(child);
      delete child;
    }
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (!Contains(free_notifies_, component)) free_notifies_.push_back(component);
  if (!Contains(component->free_notifies_, this)) component->free_notifies_.push_back(this);
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  Unlink(component);
}

void TComponent::Unlink(TComponent* other) {
  Erase(free_notifies_, other);
  Erase(other->free_notifies_, this);
  if (free_notifies_.empty()) state_.Exclude(csFreeNotification);
  if (other->free_notifies_.empty()) other->state_.Exclude(csFreeNotification);
}

void TComponent::SetDesigning(bool value, bool setChildren) {
  SetComponentStateFlag(csDesigning, value);
  if (setChildren)
    for (TComponent* c : components_) c->SetDesigning(value, true);
}

void TComponent::Loaded() {
  state_.Exclude(csLoading);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component && component != this) Unlink(component);
  // Pass it on to what this component owns; the list may change meanwhile.
  std::vector<TComponent*> children = components_;
  for (TComponent* c : children)
    if (Contains(components_, c)) c->Notification(component, operation);
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent* root) {
  if (root != this) return;
  std::vector<TComponent*> children = components_;
  for (TComponent* c : children) proc(c);
}

void TComponent::SetComponentStateFlag(TComponentStateFlag flag, bool on) {
  if (on)
    state_.Include(flag);
  else
    state_.Exclude(flag);
}

// ---- loading ----

void BeginLoading(TComponent* root) {
  std::vector<TComponent*> tree;
  CollectTree(root, tree);
  for (TComponent* c : tree) c->state_.Include(csLoading);
}

void EndLoading(TComponent* root) {
  // A Loaded may create or free components, so the tree is walked afresh
  // for every call; csLoading, cleared after each call, marks what is left.
  std::exception_ptr first_error;
  for (;;) {
    std::vector<TComponent*> tree;
    CollectTree(root, tree);
    TComponent* next = nullptr;
    for (TComponent* c : tree) {
      c->state_.Exclude(csReading);
      if (!next && c->state_.Contains(csLoading)) next = c;
    }
    if (!next) break;
    try {
      next->Loaded();
    } catch (...) {
      if (!first_error) first_error = std::current_exception();
    }
    next->state_.Exclude(csLoading);
  }
  if (first_error) std::rethrow_exception(first_error);
}

TLoadingScope::TLoadingScope(TComponent* root) : root_(root) {
  BeginLoading(root_);
}

TLoadingScope::~TLoadingScope() {
  if (finished_) return;
  std::vector<TComponent*> tree;
  CollectTree(root_, tree);
  for (TComponent* c : tree) {
    c->SetComponentStateFlag(csLoading, false);
    c->SetComponentStateFlag(csReading, false);
  }
}

void TLoadingScope::Finish() {
  finished_ = true;
  EndLoading(root_);
}
