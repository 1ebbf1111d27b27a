// tests/data/ParamsTest.cpp
#include <gtest/gtest.h>

#include "platform/data/Params.h"
#include "platform/data/ProviderSupport.h"
#include "tests/data/ArrayDataSet.h"

TEST(Params, TypedWritersSetTheTypeButAPlainValueKeepsIt) {
  TParams params;
  TParam* p = params.CreateParam(ftUnknown, "P", ptInput);
  struct Case {
    std::function<void()> write;
    TFieldType type;
    String text;
  };
  const Case cases[] = {
      {[&] { p->SetAsString("abc"); }, ftString, "abc"},
      {[&] { p->SetAsInteger(42); }, ftInteger, "42"},
      {[&] { p->SetAsFloat(2.5); }, ftFloat, "2.5"},
      {[&] { p->SetAsBoolean(true); }, ftBoolean, "True"},
      {[&] { p->SetAsMemo("long text"); }, ftMemo, "long text"},
      {[&] { p->SetAsBlob(String("\x01\x00\x02", 3)); }, ftBlob, String("\x01\x00\x02", 3)},
  };
  for (const Case& c : cases) {
    c.write();
    EXPECT_EQ(p->DataType(), c.type) << c.text;
    EXPECT_EQ(p->AsString(), c.text);
    EXPECT_FALSE(p->IsNull());
  }
  p->SetAsDateTime(EncodeDate(2001, 2, 3));
  EXPECT_EQ(p->DataType(), ftDateTime);
  EXPECT_EQ(p->AsDateTime(), EncodeDate(2001, 2, 3));
  p->SetValue(7);
  EXPECT_EQ(p->DataType(), ftDateTime);
  EXPECT_EQ(p->AsInteger(), 7);
}

TEST(Params, ANullParameterReadsAsEmptyValuesOfEveryKind) {
  TParams params;
  TParam* p = params.CreateParam(ftInteger, "N", ptInput);
  EXPECT_TRUE(p->IsNull());
  EXPECT_EQ(p->AsString(), "");
  EXPECT_EQ(p->AsInteger(), 0);
  EXPECT_EQ(p->AsFloat(), 0.0);
  EXPECT_FALSE(p->AsBoolean());
  p->SetAsInteger(3);
  p->Clear();
  EXPECT_TRUE(p->IsNull());
  EXPECT_EQ(p->DataType(), ftInteger);
  p->SetValue(Unassigned());
  EXPECT_TRUE(p->IsNull());
}

TEST(Params, NamesAreFoundWithoutRegardToCaseAndAMissingOneRaises) {
  TParams params;
  TParam* first = params.CreateParam(ftString, "Name", ptInput);
  params.CreateParam(ftString, "NAME", ptOutput);
  params.CreateParam(ftInteger, "", ptInput);
  EXPECT_EQ(params.FindParam("nAmE"), first);
  EXPECT_EQ(params.ParamByName("name"), first);
  EXPECT_EQ(params.FindParam("other"), nullptr);
  try {
    params.ParamByName("other");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Parameter 'other' not found");
  }
  EXPECT_EQ(params[2]->DisplayName(), "TParam");
  EXPECT_EQ(params[0]->DisplayName(), "Name");
}

TEST(Params, AssignMakesAnIndependentCopy) {
  TParams source;
  source.CreateParam(ftString, "A", ptInput)->SetAsString("x");
  source.CreateParam(ftInteger, "B", ptInputOutput)->SetAsInteger(5);
  TParams copy;
  copy.CreateParam(ftFloat, "OLD", ptInput);
  copy.Assign(&source);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_TRUE(copy.IsEqual(&source));
  EXPECT_EQ(copy[1]->ParamType(), ptInputOutput);
  source[0]->SetAsString("changed");
  EXPECT_EQ(copy[0]->AsString(), "x");
  EXPECT_FALSE(copy.IsEqual(&source));
}

TEST(Params, IsEqualNoticesEachDifference) {
  auto make = [](TParams& params) {
    params.CreateParam(ftInteger, "A", ptInput)->SetValue(1);
    params.CreateParam(ftString, "B", ptInput);
  };
  const std::function<void(TParams&)> changes[] = {
      [](TParams& p) { p[0]->SetName("Z"); },
      [](TParams& p) { p[0]->SetDataType(ftFloat); },
      [](TParams& p) { p[0]->SetParamType(ptOutput); },
      [](TParams& p) { p[0]->SetValue(2); },
      [](TParams& p) { p[0]->SetValue(String("1")); },
      [](TParams& p) { p[1]->SetValue(String("")); },
      [](TParams& p) { p.CreateParam(ftString, "C", ptInput); },
  };
  TParams base;
  make(base);
  int i = 0;
  for (const auto& change : changes) {
    TParams other;
    make(other);
    EXPECT_TRUE(other.IsEqual(&base));
    change(other);
    EXPECT_FALSE(other.IsEqual(&base)) << "change " << i;
    EXPECT_FALSE(base.IsEqual(&other)) << "change " << i;
    ++i;
  }
  TParams nameCase;
  make(nameCase);
  nameCase[0]->SetName("a");
  EXPECT_TRUE(nameCase.IsEqual(&base));
  EXPECT_FALSE(base.IsEqual(nullptr));
}

TEST(Params, ValuesOfSeveralParametersGoInAndOutAsArrays) {
  TParams params;
  params.CreateParam(ftInteger, "A", ptInput);
  params.CreateParam(ftString, "B", ptInput);
  params.SetParamValues("a; b", VarArrayOf({Variant(1), Variant("two")}));
  EXPECT_EQ(params[0]->AsInteger(), 1);
  EXPECT_EQ(params[1]->AsString(), "two");
  const Variant both = params.ParamValues("B;A");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both[0].AsString(), "two");
  EXPECT_EQ(both[1].AsInteger(), 1);
  params.SetParamValues("B", String("one"));
  EXPECT_EQ(params.ParamValues("b").AsString(), "one");
  EXPECT_THROW(params.SetParamValues("A;B", VarArrayOf({Variant(1)})), EDatabaseError);
  EXPECT_THROW(params.ParamValues("A;C"), EDatabaseError);
  EXPECT_EQ(params[0]->AsInteger(), 1);
}

TEST(ProviderKeyFields, TheFieldsFlaggedAsKeyInFieldOrder) {
  TArrayDataSet ds;
  ds.FieldDefs()->Add("ID", ftInteger);
  ds.FieldDefs()->Add("NAME", ftString, 10);
  ds.FieldDefs()->Add("PART", ftInteger);
  ds.Open();
  EXPECT_EQ(ProviderFlaggedKeyFields(&ds), "");
  ds.FieldByName("PART")->SetProviderFlags({pfInWhere, pfInKey});
  ds.FieldByName("ID")->SetProviderFlags({pfInKey});
  EXPECT_EQ(ProviderFlaggedKeyFields(&ds), "ID;PART");
}
