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
