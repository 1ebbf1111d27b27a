// platform/rtl/Component.h
//
// TComponent: a named object in an ownership tree.
//
// Ownership. A component is created with its owner (`new TvomMemTable(form)`)
// and the owner frees it in its own destruction; a component without owner
// belongs to whoever created it (hold it in a std::unique_ptr). Deleting an
// owned component directly is allowed: it leaves its owner first.
//
// Names. Name is empty or an identifier (letters, digits, '_', not starting
// with a digit) and unique, ignoring case, among the owner's components;
// otherwise SetName raises EComponentError and nothing changes.
//
// References. Components refer to each other with plain pointers. When a
// component goes away, Notification(it, opRemove) reaches
//   - its owner and, through the base Notification, everything the owner
//     owns (recursively), and
//   - every component that asked with FreeNotification(it), whatever its
//     owner, and whichever of the two is freed first.
// A descendant that keeps references overrides Notification, clears the
// pointer on opRemove and calls the inherited Notification (which passes the
// news on to what it owns). Notification is also sent with opInsert when a
// component joins an owner; when that happens in the component's constructor,
// only its TComponent part exists yet.
//
// Destruction. The destructor marks the component and what it owns as
// csDestroying (Destroying), tells everyone who asked, frees the owned
// components (last first, each announced to the remaining ones), and leaves
// its owner. By then the descendant's own destructor has run, so the
// descendant part no longer answers Notification. A descendant whose owned
// components call back into it while they are freed calls Destroying() and
// DestroyComponents() at the start of its own destructor.
//
// Loading. Forms and data modules are built in code between
// BeginLoading(root) and EndLoading(root), standing for the reading of a
// stored definition: in between, the root and every component it owns,
// including those created in between, carry csLoading; EndLoading calls
// Loaded() on each (the root first, then the owned components depth first,
// in creation order). Loaded() clears csLoading; descendants override it to
// apply what was deferred (an Active stored as true, ...). TReader does the
// same for what it reads.
//
// Threads: components belong to the GUI thread.
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/Persistent.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

enum TComponentStateFlag {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance,
};
using TComponentState = Set<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

class TComponent;
using TGetChildProc = std::function<void(TComponent* child)>;

class TComponent : public TPersistent {
  ZORVET_CLASS_NAME(TComponent)

 public:
  // Joins `owner` (when not null) as its last component. A component created
  // while its owner is loading starts in csLoading too.
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  const String& Name() const { return name_; }
  // EComponentError "'%s' is not a valid component name" or
  // "A component named %s already exists".
  virtual void SetName(const String& value);
  Integer Tag() const { return tag_; }
  void SetTag(Integer value) { tag_ = value; }

  TComponent* Owner() const { return owner_; }
  Integer ComponentCount() const { return static_cast<Integer>(components_.size()); }
  // EListError "List index out of bounds (%d)" for a bad index.
  TComponent* Components(Integer index) const;
  // Position among the owner's components; -1 without owner.
  Integer ComponentIndex() const;
  void SetComponentIndex(Integer value);
  // The owned component of that name (ignoring case), or nullptr; an empty
  // name finds nothing.
  TComponent* FindComponent(const String& name) const;

  // Takes `component` from its present owner (if any) into this one.
  void InsertComponent(TComponent* component);
  // Releases `component` from this owner; the caller owns it afterwards.
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();
  // Marks this component and everything it owns csDestroying.
  void Destroying();

  // Asks to be told (Notification opRemove) when `component` is freed; the
  // request goes both ways, so neither side is left with a stale entry.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  TComponentState ComponentState() const { return state_; }
  // Design mode, for this component and (by default) what it owns.
  void SetDesigning(bool value, bool setChildren = true);

  // After loading: clears csLoading. Descendants call the inherited Loaded.
  virtual void Loaded();
  // See "References" above.
  virtual void Notification(TComponent* component, TOperation operation);
  // The components that a stored definition of `root` writes as this
  // component's children. When this is the root, the base hands out the
  // owned components in order; otherwise nothing.
  virtual void GetChildren(const TGetChildProc& proc, TComponent* root);

  TPersistent* GetOwner() const override { return owner_; }
  String GetNamePath() const override { return name_; }

 protected:
  // Refuses a new name for `component` (owned by this one) that another owned
  // component already has.
  virtual void ValidateRename(TComponent* component, const String& curName, const String& newName);
  void SetComponentStateFlag(TComponentStateFlag flag, bool on);

 private:
  friend class TReader;
  friend class TWriter;
  friend void BeginLoading(TComponent* root);
  friend void EndLoading(TComponent* root);
  friend class TLoadingScope;

  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void Unlink(TComponent* other);

  String name_;
  Integer tag_ = 0;
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  TComponentState state_;
};

// Puts `root` and everything it owns in csLoading (see "Loading" above).
void BeginLoading(TComponent* root);
// Calls Loaded() on every component of the tree that is loading, the root
// first. Every one is called even when one raises; the first error is
// raised again afterwards.
void EndLoading(TComponent* root);

// Holds a tree in the loading state for a scope: BeginLoading now,
// EndLoading when Finish() is called. A scope left by an exception only
// clears the state, without calling Loaded.
class TLoadingScope {
 public:
  explicit TLoadingScope(TComponent* root);
  ~TLoadingScope();
  void Finish();
  TLoadingScope(const TLoadingScope&) = delete;
  TLoadingScope& operator=(const TLoadingScope&) = delete;

 private:
  TComponent* root_;
  bool finished_ = false;
};
