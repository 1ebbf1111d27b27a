// tests/data/DefinitionsTest.cpp
#include <gtest/gtest.h>

#include "platform/data/Fields.h"
#include "platform/data/IndexDefs.h"
#include "tests/data/TestTables.h"

TEST(FieldTypeNames, OrdinalsAndNamesOfTheStreamFormats) {
  EXPECT_EQ(static_cast<int>(ftFMTBcd), 37);
  EXPECT_EQ(static_cast<int>(ftWideString), 24);
  EXPECT_EQ(FieldTypeName(ftDBaseOle), "dBaseOle");
  EXPECT_EQ(FieldTypeName(ftOraBlob), "HugeBlob");
  EXPECT_EQ(FieldTypeName(ftFMTBcd), "FMTBcdField");
  TFieldType type;
  ASSERT_TRUE(FieldTypeFromName("SQLTimeStamp", type));
  EXPECT_EQ(type, ftTimeStamp);
  EXPECT_FALSE(FieldTypeFromName("string", type));
  EXPECT_EQ(FieldKindName(fkInternalCalc), "InternalCalc");
  TFieldKind kind;
  ASSERT_TRUE(FieldKindFromName("Aggregate", kind));
  EXPECT_EQ(kind, fkAggregate);
  EXPECT_TRUE(IsBlobFieldType(ftOraClob));
  EXPECT_FALSE(IsBlobFieldType(ftVarBytes));
}

TEST(FieldDefinitions, AddNumbersAndRefusesDuplicates) {
  TArrayDataSet ds;
  TFieldDefs* defs = ds.FieldDefs();
  TFieldDef* a = defs->Add("A", ftString, 10, true);
  TFieldDef* b = defs->Add("B", ftInteger);
  EXPECT_EQ(a->FieldNo(), 1);
  EXPECT_EQ(b->FieldNo(), 2);
  EXPECT_TRUE(a->Required());
  EXPECT_TRUE(a->Attributes().Contains(faRequired));
  EXPECT_EQ(defs->IndexOf("b"), 1);
  EXPECT_EQ(defs->Find("a"), a);
  EXPECT_THROW(defs->Add("a", ftInteger), EDatabaseError);
  EXPECT_THROW(defs->Add("", ftInteger), EDatabaseError);
  EXPECT_THROW(defs->Find("C"), EDatabaseError);
  EXPECT_EQ(defs->FindDef("C"), nullptr);
}

TEST(FieldDefinitions, AssignCopiesEverythingIncludingChildren) {
  TArrayDataSet source, copy;
  TFieldDef* adt = source.FieldDefs()->Add("ADDR", ftADT);
  adt->ChildDefs()->Add("CITY", ftString, 12);
  TFieldDef* money = source.FieldDefs()->Add("M", ftBCD, 2);
  money->SetPrecision(10);
  money->SetAttributes({faReadonly});
  copy.SetFieldDefs(source.FieldDefs());
  ASSERT_EQ(copy.FieldDefs()->Count(), 2);
  ASSERT_TRUE(copy.FieldDefs()->Items(0)->HasChildDefs());
  EXPECT_EQ(copy.FieldDefs()->Items(0)->ChildDefs()->Items(0)->Size(), 12);
  EXPECT_EQ(copy.FieldDefs()->Items(1)->Precision(), 10);
  EXPECT_TRUE(copy.FieldDefs()->Items(1)->Attributes().Contains(faReadonly));
}

TEST(FieldDefinitions, StructuresAndArraysBecomeNestedFieldsNumberedInWalkOrder) {
  TArrayDataSet ds;
  TFieldDefs* defs = ds.FieldDefs();
  defs->Add("ID", ftInteger);
  TFieldDef* addr = defs->Add("ADDR", ftADT);
  addr->ChildDefs()->Add("STREET", ftString, 10);
  addr->ChildDefs()->Add("ZIP", ftInteger);
  TFieldDef* scores = defs->Add("SCORES", ftArray, 3);
  scores->ChildDefs()->Add("SCORE", ftInteger);
  defs->Add("LAST", ftString, 4);
  EXPECT_EQ(defs->TotalCount(), 7);
  ds.AddRow({});
  ds.Open();
  EXPECT_EQ(ds.GetFieldNames(),
            (std::vector<String>{"ID", "ADDR", "STREET", "ZIP", "SCORES", "SCORES[0]", "SCORES[1]",
                                 "SCORES[2]", "LAST"}));
  auto* adt = dynamic_cast<TADTField*>(ds.FieldByName("ADDR"));
  ASSERT_NE(adt, nullptr);
  EXPECT_EQ(adt->FieldCount(), 2);
  EXPECT_EQ(ds.FieldByName("ADDR.ZIP")->FieldNo(), 4);
  EXPECT_EQ(ds.FieldByName("SCORES[2]")->FieldNo(), 8);
  EXPECT_EQ(ds.FieldByName("LAST")->FieldNo(), 9);
  EXPECT_EQ(defs->Find("LAST")->FieldNo(), 9);
  ds.Edit();
  ds.FieldByName("ADDR.ZIP")->SetAsInteger(1000);
  EXPECT_FALSE(adt->IsNull());
  EXPECT_EQ(adt->AsVariant()[1].AsInteger(), 1000);
  adt->SetAsVariant(VarArrayOf({"Main", 2000}));
  EXPECT_EQ(ds.FieldByName("ADDR.STREET")->AsString(), "Main");
  adt->Clear();
  EXPECT_TRUE(adt->IsNull());
}

TEST(FieldDefinitions, UpdateReadsThemFromTheDataset) {
  TComponent owner(nullptr);
  auto* ds = new TArrayDataSet(&owner);
  auto* field = new TIntegerField(&owner);
  field->SetFieldName("K");
  field->SetDataSet(ds);
  ds->FieldDefs()->Update();
  ASSERT_EQ(ds->FieldDefs()->Count(), 1);
  EXPECT_EQ(ds->FieldDefs()->Items(0)->DataType(), ftInteger);
  EXPECT_TRUE(ds->FieldDefs()->Updated());
}

TEST(IndexDefinitions, OptionsFieldsAndSearch) {
  TArrayDataSet ds;
  TIndexDefs defs(&ds);
  TIndexDef* byName = defs.Add("ByName", "NAME;AGE", {ixCaseInsensitive});
  byName->SetDescFields("AGE");
  byName->SetCaseInsFields("NAME");
  defs.Add("ByAge", "AGE", {ixUnique, ixDescending});
  EXPECT_THROW(defs.Add("byname", "X", {}), EDatabaseError);
  EXPECT_EQ(defs.Find("BYAGE")->Options(), (TIndexOptions{ixUnique, ixDescending}));
  EXPECT_EQ(defs.FindIndexForFields("name ; age"), byName);
  EXPECT_EQ(defs.GetIndexForFields("NAME", true), byName);
  EXPECT_EQ(defs.GetIndexForFields("NAM", false), nullptr);
  EXPECT_EQ(defs.GetIndexForFields("AGE", true), nullptr);
  TIndexDefs copy(&ds);
  copy.Assign(&defs);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Items(0)->DescFields(), "AGE");
  EXPECT_EQ(copy.Items(0)->CaseInsFields(), "NAME");
  EXPECT_THROW(defs.Find("none"), EDatabaseError);
  TIndexDef* unnamed = defs.AddIndexDef();
  EXPECT_EQ(unnamed->DisplayName(), "TIndexDef");
}
