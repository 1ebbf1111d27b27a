// platform/rtl/Collection.h
//
// TCollection holds TCollectionItems of one item class and owns them: an
// item exists inside exactly one collection (or none, while it is moved) and
// is freed with it. Items are created through the collection (Add, Insert)
// or directly with their collection as the constructor argument:
//
//   class TLStrItem : public TCollectionItem {
//     ZORVET_CLASS_NAME(TLStrItem)
//    public:
//     explicit TLStrItem(TCollection* collection);  // joins `collection`
//   };
//   class TLists : public TOwnedCollection {
//    public:
//     explicit TLists(TPersistent* owner)
//         : TOwnedCollection(owner, TCollectionItemClass::Of<TLStrItem>()) {}
//   };
//
// Deleting an item (`delete item`, Delete(i), Clear) takes it out of its
// collection first. The collection learns of every change through the
// virtual Notify(item, action) and Update(item): Update(nullptr) after a
// change to the set of items, Update(item) after one item changed (the item
// calls Changed(false) / Changed(true)); both wait while an update
// (BeginUpdate/EndUpdate) is open, and EndUpdate then calls Update(nullptr).
//
// Note: an item joins its collection in the TCollectionItem constructor, so
// Notify(item, cnAdded) sees an item whose descendant part is not built yet;
// it may only use the TCollectionItem part.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Persistent.h"
#include "platform/rtl/Types.h"

class TCollection;
class TCollectionItem;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// The class of a collection's items: its name and how to make one.
struct TCollectionItemClass {
  String Name;
  std::function<TCollectionItem*(TCollection*)> Create;

  // The item class T, constructed as `new T(collection)`.
  template <class T>
  static TCollectionItemClass Of() {
    return {T::StaticClassName(), [](TCollection* c) -> TCollectionItem* { return new T(c); }};
  }
};

class TCollectionItem : public TPersistent {
  ZORVET_CLASS_NAME(TCollectionItem)

 public:
  // Joins `collection` (when not null) as its last item.
  explicit TCollectionItem(TCollection* collection);
  // Leaves the collection.
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item to another collection (or none: the caller then owns it).
  virtual void SetCollection(TCollection* value);
  // Position in the collection, -1 without one.
  Integer Index() const;
  // Moves the item to another position.
  virtual void SetIndex(Integer value);
  // A number unique within the collection for its life, never reused.
  Integer ID() const { return id_; }
  // The name shown for the item; the base shows the class name.
  virtual String DisplayName() const;
  virtual void SetDisplayName(const String& value);

  TPersistent* GetOwner() const override;
  String GetNamePath() const override;

 protected:
  // Tells the collection that this item (allItems false) or the whole
  // collection (true) changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  Integer id_ = 0;
};

class TCollection : public TPersistent {
  ZORVET_CLASS_NAME(TCollection)

 public:
  explicit TCollection(TCollectionItemClass itemClass);
  // Frees every item.
  ~TCollection() override;

  const TCollectionItemClass& ItemClass() const { return item_class_; }
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // EListError "List index out of bounds (%d)" for a bad index.
  TCollectionItem* Items(Integer index) const;
  void SetItems(Integer index, const TCollectionItem* value) { Items(index)->Assign(value); }

  // Creates an item of the item class at the end and returns it.
  TCollectionItem* Add();
  // Creates one at `index`.
  TCollectionItem* Insert(Integer index);
  void Delete(Integer index);
  void Clear();
  // The item with that ID, or nullptr.
  TCollectionItem* FindItemID(Integer id) const;

  virtual void BeginUpdate();
  virtual void EndUpdate();
  Integer UpdateCount() const { return update_count_; }

  // From another collection: clears this one and adds one item per source
  // item, each assigned from it.
  void Assign(const TPersistent* source) override;
  String GetNamePath() const override;
  // The name of the collection property in its owner, for GetNamePath.
  String PropName() const { return prop_name_; }
  void SetPropName(const String& name) { prop_name_ = name; }

 protected:
  // After a change: `item` when one item changed, nullptr when the set of
  // items did. Not called while an update is open.
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);
  // Calls Update(nullptr) unless an update is open.
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  void MoveItem(Integer from, Integer to);
  void ItemChanged(TCollectionItem* item);

  TCollectionItemClass item_class_;
  std::vector<TCollectionItem*> items_;
  Integer next_id_ = 0;
  Integer update_count_ = 0;
  String prop_name_;
};

// A collection that knows the object holding it (GetOwner), as stored
// definitions need for nested names.
class TOwnedCollection : public TCollection {
  ZORVET_CLASS_NAME(TOwnedCollection)

 public:
  TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass)
      : TCollection(std::move(itemClass)), owner_(owner) {}
  TPersistent* GetOwner() const override { return owner_; }

 private:
  TPersistent* owner_;
};
