#include "platform/rtl/Collection.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class TNamedItem : public TCollectionItem {
  ZORVET_CLASS_NAME(TNamedItem)

 public:
  explicit TNamedItem(TCollection* collection) : TCollectionItem(collection) {}
  ~TNamedItem() override { ++destroyed; }
  String DisplayName() const override {
    return name_.empty() ? TCollectionItem::DisplayName() : name_;
  }
  void SetDisplayName(const String& value) override {
    name_ = value;
    TCollectionItem::SetDisplayName(value);
  }
  void Assign(const TPersistent* source) override {
    if (auto other = dynamic_cast<const TNamedItem*>(source)) {
      SetDisplayName(other->name_);
      return;
    }
    TCollectionItem::Assign(source);
  }
  static int destroyed;

 private:
  String name_;
};
int TNamedItem::destroyed = 0;

class TWatchedCollection : public TCollection {
 public:
  TWatchedCollection() : TCollection(TCollectionItemClass::Of<TNamedItem>()) {}
  std::vector<String> log;

 protected:
  void Update(TCollectionItem* item) override {
    log.push_back(item ? "update " + item->DisplayName() : "update all");
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    static const char* names[] = {"added", "extracting", "deleting"};
    log.push_back(String(names[action]) + " " + std::to_string(item->ID()));
  }
};

TNamedItem* AddNamed(TCollection& c, const String& name) {
  auto item = static_cast<TNamedItem*>(c.Add());
  item->SetDisplayName(name);
  return item;
}

}  // namespace

TEST(Collection, OwnsAndFreesItsItems) {
  TNamedItem::destroyed = 0;
  {
    TWatchedCollection c;
    AddNamed(c, "a");
    AddNamed(c, "b");
    new TNamedItem(&c);  // joins by its constructor, owned by the collection
    EXPECT_EQ(c.Count(), 3);
    c.Delete(0);
    EXPECT_EQ(TNamedItem::destroyed, 1);
    EXPECT_EQ(c.Items(0)->DisplayName(), "b");
  }
  EXPECT_EQ(TNamedItem::destroyed, 3);
}

TEST(Collection, IdsAreNeverReusedAndIndexesFollowPosition) {
  TWatchedCollection c;
  TCollectionItem* a = AddNamed(c, "a");
  TCollectionItem* b = AddNamed(c, "b");
  c.Delete(0);
  TCollectionItem* d = AddNamed(c, "d");
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(d->ID(), 2);
  EXPECT_EQ(c.FindItemID(2), d);
  EXPECT_EQ(c.FindItemID(0), nullptr);
  d->SetIndex(0);
  EXPECT_EQ(c.Items(0), d);
  EXPECT_EQ(b->Index(), 1);
  (void)a;
}

TEST(Collection, ReportsChangesAndHoldsThemDuringUpdates) {
  TWatchedCollection c;
  AddNamed(c, "a");
  EXPECT_EQ(c.log, (std::vector<String>{"added 0", "update all", "update a"}));
  c.log.clear();
  c.BeginUpdate();
  AddNamed(c, "b");
  c.Delete(0);
  c.EndUpdate();
  EXPECT_EQ(c.log, (std::vector<String>{"added 1", "deleting 0", "extracting 0", "update all"}));
}

TEST(Collection, ItemsMoveBetweenCollections) {
  TWatchedCollection from, to;
  TCollectionItem* item = AddNamed(from, "x");
  item->SetCollection(&to);
  EXPECT_EQ(from.Count(), 0);
  EXPECT_EQ(to.Items(0), item);
  EXPECT_EQ(item->Collection(), &to);
  EXPECT_THROW(from.Items(0), EListError);
}

TEST(Collection, AssignCopiesItemByItem) {
  TWatchedCollection source, dest;
  AddNamed(source, "one");
  AddNamed(source, "two");
  AddNamed(dest, "old");
  dest.Assign(&source);
  ASSERT_EQ(dest.Count(), 2);
  EXPECT_EQ(dest.Items(1)->DisplayName(), "two");
}

TEST(OwnedCollection, NamePathGoesThroughItsOwner) {
  class TOwner : public TPersistent {
    ZORVET_CLASS_NAME(TOwner)
   public:
    String GetNamePath() const override { return "List1"; }
  } owner;
  TOwnedCollection c(&owner, TCollectionItemClass::Of<TNamedItem>());
  c.SetPropName("Items");
  TCollectionItem* item = c.Add();
  EXPECT_EQ(c.GetOwner(), &owner);
  EXPECT_EQ(item->GetOwner(), &c);
  EXPECT_EQ(item->GetNamePath(), "List1.Items[0]");
  EXPECT_EQ(item->DisplayName(), "TNamedItem");
}
