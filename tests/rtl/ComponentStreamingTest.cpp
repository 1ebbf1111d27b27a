#include <gtest/gtest.h>

#include <memory>

#include "tests/rtl/StreamingFixtures.h"

namespace {

class ComponentStreaming : public ::testing::Test {
 protected:
  void SetUp() override { DeclareDemoClasses(); }

  static String Write(TComponent* root, TComponent* ancestor = nullptr) {
    TStringStream stream;
    TWriter writer(&stream, 32);
    writer.WriteDescendent(root, ancestor);
    writer.FlushBuffer();
    return stream.DataString();
  }
  static void Read(const String& bytes, TComponent* root) {
    TStringStream stream(bytes);
    TReader reader(&stream, 32);
    reader.ReadRootComponent(root);
  }
  static TDemoTable* Table(TComponent* root, const char* name) {
    return dynamic_cast<TDemoTable*>(root->FindComponent(name));
  }
  // A form "Form1" holding one component "T1" of `cls` with one integer property.
  static String OneEntry(const char* cls, const char* prop, Int64 value) {
    return WrittenBy([&](TWriter& w) {
      w.WriteSignature();
      w.WriteStr("TDemoForm");
      w.WriteStr("Form1");
      w.WriteListEnd();
      w.WriteStr(cls);
      w.WriteStr("T1");
      w.WriteStr(prop);
      w.WriteInteger(value);
      w.WriteListEnd();
      w.WriteListEnd();
      w.WriteListEnd();
    });
  }
  // Whether a property of that name was written (names are length-prefixed).
  static bool Holds(const String& bytes, const String& name) {
    return bytes.find(static_cast<char>(name.size()) + name) != String::npos;
  }

  // A form with two tables, the first referring to the second.
  static std::unique_ptr<TDemoForm> MakeForm() {
    auto form = std::make_unique<TDemoForm>(nullptr);
    form->SetName("Form1");
    auto detail = new TDemoTable(form.get());
    detail->SetName("Detail");
    auto master = new TDemoSubTable(form.get());
    master->SetName("Master1");
    detail->SetMaster(master);
    detail->SetActive(true);
    detail->SetCount(-300);
    detail->SetBig(Int64{1} << 40);
    detail->SetCaption("Caf\xC3\xA9");
    detail->SetRatio(2.5);
    detail->SetMode(dmSmall);
    detail->SetOptions({doCopy});
    detail->Lines()->SetCommaText("x,y");
    auto item = static_cast<TDemoItem*>(detail->Items()->Add());
    item->SetDisplayName("first");
    item->SetSize(5);
    detail->Data = String("\0\1\2", 3);
    master->SetTag(9);
    return form;
  }
};

}  // namespace

TEST_F(ComponentStreaming, AFormReadsBackIntoAnEmptyRoot) {
  auto form = MakeForm();
  const String bytes = Write(form.get());
  TDemoForm copy(nullptr);
  copy.SetName("Form1");
  Read(bytes, &copy);

  ASSERT_EQ(copy.ComponentCount(), 2);
  TDemoTable* detail = Table(&copy, "Detail");
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(copy.Components(1)->ClassName(), "TDemoSubTable");
  EXPECT_TRUE(detail->Active());
  EXPECT_EQ(detail->Count(), -300);
  EXPECT_EQ(detail->Big(), Int64{1} << 40);
  EXPECT_EQ(detail->Caption(), "Caf\xC3\xA9");
  EXPECT_EQ(detail->Ratio(), 2.5);
  EXPECT_EQ(detail->Mode(), dmSmall);
  EXPECT_EQ(detail->Options(), TDemoOptions{doCopy});
  EXPECT_EQ(detail->Lines()->CommaText(), "x,y");
  ASSERT_EQ(detail->Items()->Count(), 1);
  EXPECT_EQ(static_cast<TDemoItem*>(detail->Items()->Items(0))->Size(), 5);
  EXPECT_EQ(detail->Items()->Items(0)->DisplayName(), "first");
  EXPECT_EQ(detail->Data, String("\0\1\2", 3));
  EXPECT_EQ(Table(&copy, "Master1")->Tag(), 9);
  // The reference pointed forward in the stream and was resolved before Loaded.
  EXPECT_EQ(detail->Master(), Table(&copy, "Master1"));
  EXPECT_TRUE(detail->loadedWithMaster);
  EXPECT_EQ(detail->loadedCalls, 1);
  EXPECT_FALSE(detail->ComponentState().Contains(csLoading));
  EXPECT_FALSE(detail->ComponentState().Contains(csReading));
}

TEST_F(ComponentStreaming, DefaultsAreNotWritten) {
  TDemoForm form(nullptr);
  form.SetName("Form1");
  auto table = new TDemoTable(&form);
  table->SetName("Plain");
  const String bytes = Write(&form);
  for (const char* name : {"Count", "Active", "Mode", "Options", "Caption", "Ratio", "Big", "Data",
                           "Tag", "Master", "Lines.Strings", "LimitOffset"})
    EXPECT_FALSE(Holds(bytes, name)) << name;
  EXPECT_TRUE(Holds(bytes, "Items"));  // a collection is always written
}

TEST_F(ComponentStreaming, ADescendantWritesOnlyWhatDiffersFromItsAncestor) {
  auto ancestor = MakeForm();
  auto form = MakeForm();
  Table(form.get(), "Detail")->SetCaption("Changed");
  const String bytes = Write(form.get(), ancestor.get());
  EXPECT_TRUE(Holds(bytes, "Caption"));
  for (const char* name : {"Count", "Active", "Data", "Lines.Strings", "Items", "Master", "Tag"})
    EXPECT_FALSE(Holds(bytes, name)) << name;

  // Read over a copy of the ancestor, the descendant comes back whole.
  auto result = MakeForm();
  Read(bytes, result.get());
  EXPECT_EQ(Table(result.get(), "Detail")->Caption(), "Changed");
  EXPECT_EQ(Table(result.get(), "Detail")->Count(), -300);
}

TEST_F(ComponentStreaming, DefinedValuesFollowTheAncestor) {
  auto ancestor = MakeForm();
  auto form = MakeForm();
  Table(form.get(), "Detail")->Data = "other";
  const String bytes = Write(form.get(), ancestor.get());
  EXPECT_TRUE(Holds(bytes, "Data"));
  auto result = MakeForm();
  Read(bytes, result.get());
  EXPECT_EQ(Table(result.get(), "Detail")->Data, "other");
}

TEST_F(ComponentStreaming, InheritedEntriesNeedTheirComponent) {
  auto ancestor = MakeForm();
  auto form = MakeForm();
  const String bytes = Write(form.get(), ancestor.get());
  TDemoForm bare(nullptr);
  try {
    Read(bytes, &bare);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Ancestor for 'Detail' not found");
  }
  EXPECT_FALSE(bare.ComponentState().Contains(csLoading));
}

TEST_F(ComponentStreaming, ReadOnlyDefinedPropertiesAreAccepted) {
  TDemoForm form(nullptr);
  Read(OneEntry("TDemoTable", "LimitOffset", 40), &form);
  ASSERT_NE(Table(&form, "T1"), nullptr);
  EXPECT_TRUE(Table(&form, "T1")->sawLimit);
  EXPECT_EQ(Table(&form, "T1")->Count(), 40);
}

TEST_F(ComponentStreaming, UnknownNamesAreRefused) {
  TDemoForm form(nullptr);
  try {
    Read(OneEntry("TDemoTable", "Bogus", 1), &form);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Property Bogus does not exist");
  }
  TDemoForm other(nullptr);
  EXPECT_THROW(Read(OneEntry("TNoSuchClass", "Count", 1), &other), EClassNotFound);
  TDemoForm third(nullptr);
  EXPECT_THROW(Read(OneEntry("TDemoTable", "Caption", 1), &third),
               EReadError);  // an integer for a string
}

TEST_F(ComponentStreaming, ComponentsBuiltInCodeAreReadIntoAndLoadOnce) {
  auto form = MakeForm();
  const String bytes = Write(form.get());
  TDemoForm built(nullptr);
  built.SetName("Form1");
  BeginLoading(&built);
  auto detail = new TDemoTable(&built);
  detail->SetName("Detail");
  Read(bytes, &built);
  EXPECT_EQ(detail->Count(), -300);
  EXPECT_EQ(detail->loadedCalls, 0);  // the outer loading scope decides
  EXPECT_TRUE(detail->ComponentState().Contains(csLoading));
  EndLoading(&built);
  EXPECT_EQ(detail->loadedCalls, 1);
  EXPECT_EQ(built.ComponentCount(), 2);
}

TEST_F(ComponentStreaming, EveryTruncationFailsCleanly) {
  auto form = MakeForm();
  const String bytes = Write(form.get());
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    TDemoForm target(nullptr);
    target.SetName("Form1");
    EXPECT_THROW(Read(bytes.substr(0, n), &target), EReadError) << "cut at " << n;
    EXPECT_FALSE(target.ComponentState().Contains(csLoading));
  }
}
