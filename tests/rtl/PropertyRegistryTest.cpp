#include "platform/rtl/PropertyRegistry.h"

#include <gtest/gtest.h>

#include "tests/rtl/StreamingFixtures.h"

namespace {
std::vector<String> Names(const TPropList& list) {
  std::vector<String> out;
  for (auto p : list) out.push_back(p->Name);
  return out;
}
}  // namespace

TEST(PublishedProperties, AncestorsComeFirstAndDescendantsInherit) {
  DeclareDemoClasses();
  TDemoSubTable sub(nullptr);
  const auto names = Names(GetPropList(&sub));
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "Name");
  EXPECT_EQ(names[1], "Tag");
  EXPECT_EQ(names[2], "Active");
  EXPECT_EQ(names.back(), "Master");
  TObject plain;
  EXPECT_TRUE(GetPropList(&plain).empty());
}

TEST(PublishedProperties, ReadAndWrittenByName) {
  DeclareDemoClasses();
  TDemoTable t(nullptr);
  SetOrdProp(&t, "count", 7);
  SetStrProp(&t, "Caption", "Disks");
  SetFloatProp(&t, "Ratio", 0.25);
  SetOrdProp(&t, "Options", TDemoOptions{doCopy}.Bits());
  EXPECT_EQ(t.Count(), 7);
  EXPECT_EQ(GetStrProp(&t, "CAPTION"), "Disks");
  EXPECT_EQ(t.Ratio(), 0.25);
  EXPECT_EQ(t.Options(), TDemoOptions{doCopy});
  SetObjectProp(&t, "Master", &t);
  EXPECT_EQ(GetObjectProp(&t, "Master"), &t);
  SetObjectProp(&t, "Master", nullptr);
  EXPECT_EQ(GetObjectProp(&t, "Lines"), t.Lines());
}

TEST(PublishedProperties, EnumerationNamesBothWays) {
  DeclareDemoClasses();
  TDemoTable t(nullptr);
  const TPropInfo* mode = GetPropInfo(&t, "Mode");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(GetEnumName(mode, dmSmall), "dmSmall");
  EXPECT_EQ(GetEnumValue(mode, "DMNONE"), dmNone);
  EXPECT_EQ(GetEnumValue(mode, "other"), -1);
  EXPECT_EQ(GetEnumName(mode, 9), "");
  EXPECT_EQ(GetEnumName(GetPropInfo(&t, "Active"), 1), "True");
}

TEST(PublishedProperties, MistakesRaisePropertyErrors) {
  DeclareDemoClasses();
  TDemoTable t(nullptr);
  EXPECT_THROW(GetOrdProp(&t, "Missing"), EPropertyError);
  EXPECT_THROW(GetOrdProp(&t, "Caption"), EPropertyError);
  EXPECT_THROW(SetObjectProp(&t, "Lines", nullptr), EPropertyError);  // a part, not a reference
  TComponent other(nullptr);
  EXPECT_THROW(SetObjectProp(&t, "Master", &other), EPropertyError);  // not a TDemoTable
}

namespace {
class TKindsDemo : public TComponent {
  ZORVET_CLASS_NAME(TKindsDemo)

 public:
  using TComponent::TComponent;
  Variant Value() const { return value_; }
  void SetValue(const Variant& v) { value_ = v; }
  Int64 Big() const { return big_; }
  void SetBig(Int64 v) { big_ = v; }
  TDemoTable* Peer() const { return peer_; }
  void SetPeer(TDemoTable* p) { peer_ = p; }
  TStringList* Items() { return &items_; }

 private:
  Variant value_;
  Int64 big_ = 0;
  TDemoTable* peer_ = nullptr;
  TStringList items_;
};

void DeclareKindsDemo() {
  static bool done = false;
  if (done) return;
  done = true;
  TPublishedClass<TKindsDemo, TComponent>()
      .AddVariant("Value", &TKindsDemo::Value, &TKindsDemo::SetValue)
      .AddInt64("Big", &TKindsDemo::Big, &TKindsDemo::SetBig)
      .AddComponent("Peer", &TKindsDemo::Peer, &TKindsDemo::SetPeer)
      .AddObject("Items", &TKindsDemo::Items);
}
}  // namespace

TEST(PublishedProperties, VariantsAndSixtyFourBitIntegers) {
  DeclareKindsDemo();
  TKindsDemo d(nullptr);
  SetVariantProp(&d, "value", Variant(String("text")));
  EXPECT_EQ(d.Value().AsString(), "text");
  d.SetValue(Variant(42));
  EXPECT_EQ(GetVariantProp(&d, "Value").AsInteger(), 42);
  SetInt64Prop(&d, "Big", Int64(1) << 40);
  EXPECT_EQ(GetInt64Prop(&d, "BIG"), Int64(1) << 40);
  EXPECT_THROW(GetVariantProp(&d, "Big"), EPropertyError);
  EXPECT_TRUE(GetPropInfo(&d, "Value")->IsWritable());
}

TEST(PublishedProperties, ClassPropertiesKnowTheirDeclaredClass) {
  DeclareKindsDemo();
  DeclareDemoClasses();
  TKindsDemo d(nullptr);
  TDemoTable table(nullptr);
  const TPropInfo* peer = GetPropInfo(&d, "Peer");
  const TPropInfo* items = GetPropInfo(&d, "Items");
  EXPECT_TRUE(peer->IsReference);
  EXPECT_EQ(peer->ClassName, "TDemoTable");
  EXPECT_TRUE(peer->IsOfClass(&table));
  EXPECT_FALSE(peer->IsOfClass(&d));
  EXPECT_FALSE(items->IsReference);
  EXPECT_EQ(items->ClassName, "TStringList");
}

TEST(PublishedProperties, InfoListFiltersByKind) {
  DeclareKindsDemo();
  TKindsDemo d(nullptr);
  const TPropInfoList all(&d, tkProperties);
  EXPECT_EQ(all.Count(), 6);  // Name, Tag and the four above
  EXPECT_EQ(all.Find("PEER"), GetPropInfo(&d, "Peer"));
  EXPECT_EQ(all.Find("Nothing"), nullptr);
  const TPropInfoList some(&d, TTypeKinds{tkVariant, tkInt64});
  ASSERT_EQ(some.Count(), 2);
  EXPECT_EQ(some.Items(0)->Name, "Value");
  EXPECT_EQ(some.Items(1)->Name, "Big");
  EXPECT_EQ(some.Find("Tag"), nullptr);
}

namespace {
// A deeper declared class, and below it (in C++) a class declared straight
// under TComponent: its declared chain is shorter than its real ancestor's.
class TDeepTable : public TDemoTable {
  ZORVET_CLASS_NAME(TDeepTable)

 public:
  using TDemoTable::TDemoTable;
  Integer Depth() const { return depth_; }
  void SetDepth(Integer v) { depth_ = v; }

 private:
  Integer depth_ = 0;
};
class TShortlyDeclared : public TDeepTable {
  ZORVET_CLASS_NAME(TShortlyDeclared)

 public:
  using TDeepTable::TDeepTable;
  Integer Own() const { return own_; }
  void SetOwn(Integer v) { own_ = v; }

 private:
  Integer own_ = 0;
};
class TBelowShortlyDeclared : public TShortlyDeclared {
  ZORVET_CLASS_NAME(TBelowShortlyDeclared)

 public:
  using TShortlyDeclared::TShortlyDeclared;
};
}  // namespace

TEST(PublishedProperties, TheClassItselfWinsOverADeeperDeclaredAncestor) {
  DeclareDemoClasses();
  static std::once_flag once;
  std::call_once(once, [] {
    TPublishedClass<TShortlyDeclared, TComponent>().AddInteger("Own", &TShortlyDeclared::Own,
                                                               &TShortlyDeclared::SetOwn, 0);
    TPublishedClass<TDeepTable, TDemoTable>().AddInteger("Depth", &TDeepTable::Depth,
                                                         &TDeepTable::SetDepth, 0);
  });
  const std::vector<String> own{"Name", "Tag", "Own"};
  TShortlyDeclared shortly(nullptr);
  EXPECT_EQ(Names(GetPropList(&shortly)), own);
  TBelowShortlyDeclared below(nullptr);
  EXPECT_EQ(Names(GetPropList(&below)), own) << "an undeclared descendant has the same";
  TDeepTable deep(nullptr);
  const auto deepNames = Names(GetPropList(&deep));
  ASSERT_FALSE(deepNames.empty());
  EXPECT_EQ(deepNames.back(), "Depth");
  EXPECT_EQ(deepNames[2], "Active") << "the declared chain still comes first";
}
