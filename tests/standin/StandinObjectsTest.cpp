// Object types described as the library walks them, references to them
// pinned, and instance images laid out by the 64-bit C struct rules.
#include <cstddef>
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

// The images a 64-bit C compiler gives the fixture's types, to hold the
// model's own layout against.
struct TDateImage {
  sb2 year;
  ub1 month, day, hour, minute, second;
};
struct TAddressImage {
  OCIString* city;
  OCINumber zip;
};
struct TPersonImage {
  OCINumber n;
  OCIString* s;
  TDateImage born;
  TAddressImage addr;
  OCIRef* boss;
};
struct TAddressIndicators {
  OCIInd atomic, city, zip;
};
struct TPersonIndicators {
  OCIInd atomic, n, s, born;
  TAddressIndicators addr;
  OCIInd boss;
};

class Objects : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create type ADDRESS_T as object (city varchar2(20), zip number(5));\n"
        "create or replace type PERSON_T as object (n number(5), s varchar2(10), born date,\n"
        "  addr address_t, boss ref address_t) not final;\n");
    OCIHandleAlloc(scott.env, reinterpret_cast<void**>(&describe), kHtypeDescribe, 0, nullptr);
  }
  void TearDown() override {
    OCIHandleFree(describe, kHtypeDescribe);
    StandinWorld::TearDown();
  }
  // The type's parameter, described by name.
  void* TypeParam(const char* name) {
    if (OCIDescribeAny(scott.svc, scott.error, const_cast<char*>(name),
                       static_cast<ub4>(std::strlen(name)), 1, 0, 6, describe) != OCI_SUCCESS)
      return nullptr;
    void* param = nullptr;
    OCIAttrGet(describe, kHtypeDescribe, &param, nullptr, 124, scott.error);
    return param;
  }
  template <class T>
  T Attr(void* param, ub4 attribute) {
    T value{};
    EXPECT_EQ(OCIAttrGet(param, kDtypeParam, &value, nullptr, attribute, scott.error), OCI_SUCCESS)
        << attribute << ": " << scott.ErrorText();
    return value;
  }
  std::string TextAttr(void* param, ub4 attribute) {
    OraText* text = nullptr;
    ub4 size = 0;
    OCIAttrGet(param, kDtypeParam, &text, &size, attribute, scott.error);
    return text ? std::string(reinterpret_cast<char*>(text), size) : "<none>";
  }
  OCIDescribe* describe = nullptr;
};

TEST_F(Objects, ATypeIsDescribedAttributeByAttribute) {
  ASSERT_EQ(TypeParam("no_such_type"), nullptr);
  EXPECT_EQ(scott.ErrorCode(), 4043);
  void* type = TypeParam("scott.person_t");
  ASSERT_NE(type, nullptr) << scott.ErrorText();
  EXPECT_EQ(TextAttr(type, 8), "PERSON_T");
  EXPECT_EQ(TextAttr(type, 9), "SCOTT");
  EXPECT_EQ(Attr<ub2>(type, 216), kTypecodeObject);
  EXPECT_EQ(Attr<ub1>(type, 279), 0);  // not final
  ASSERT_EQ(Attr<ub2>(type, 228), 5);
  void* list = Attr<void*>(type, 229);
  struct {
    const char* name;
    ub2 data_type, typecode;
    ub1 precision;
    const char* type_name;
  } const expected[] = {{"N", 2, 2, 5, "NUMBER"},
                        {"S", 1, 9, 0, "VARCHAR2"},
                        {"BORN", 12, 12, 0, "DATE"},
                        {"ADDR", 108, 108, 0, "ADDRESS_T"},
                        {"BOSS", 110, 110, 0, "ADDRESS_T"}};
  for (ub4 i = 0; i < 5; ++i) {
    void* attr = nullptr;
    ASSERT_EQ(OCIParamGet(list, kDtypeParam, scott.error, &attr, i + 1), OCI_SUCCESS);
    EXPECT_EQ(TextAttr(attr, 4), expected[i].name);
    EXPECT_EQ(Attr<ub2>(attr, 2), expected[i].data_type) << expected[i].name;
    EXPECT_EQ(Attr<ub2>(attr, 216), expected[i].typecode) << expected[i].name;
    EXPECT_EQ(Attr<ub1>(attr, 5), expected[i].precision) << expected[i].name;
    EXPECT_EQ(TextAttr(attr, 8), expected[i].type_name) << expected[i].name;
  }
  void* past = nullptr;
  EXPECT_EQ(OCIParamGet(list, kDtypeParam, scott.error, &past, 6), OCI_ERROR);
}

TEST_F(Objects, AnEmbeddedTypeIsReachedThroughItsReference) {
  void* type = TypeParam("PERSON_T");
  ASSERT_NE(type, nullptr);
  void* list = Attr<void*>(type, 229);
  void* addr = nullptr;
  OCIParamGet(list, kDtypeParam, scott.error, &addr, 4);
  OCIRef* ref = Attr<OCIRef*>(addr, 110);
  EXPECT_EQ(OCIRefIsNull(scott.env, ref), 0);
  // Described again by that reference, on the same handle.
  ASSERT_EQ(OCIDescribeAny(scott.svc, scott.error, ref, 0, 2, 0, 6, describe), OCI_SUCCESS);
  void* embedded = nullptr;
  OCIAttrGet(describe, kHtypeDescribe, &embedded, nullptr, 124, scott.error);
  EXPECT_EQ(TextAttr(embedded, 8), "ADDRESS_T");
  EXPECT_EQ(Attr<ub2>(embedded, 228), 2);
}

TEST_F(Objects, AReferenceIsAssignedPinnedUnpinnedAndFreed) {
  void* type = TypeParam("ADDRESS_T");
  ASSERT_NE(type, nullptr);
  OCIRef* type_ref = Attr<OCIRef*>(type, 110);
  void* made = nullptr;
  ASSERT_EQ(
      OCIObjectNew(scott.env, scott.error, scott.svc, kTypecodeRef, nullptr, nullptr, 10, 1, &made),
      OCI_SUCCESS);
  auto* ref = static_cast<OCIRef*>(made);
  EXPECT_EQ(OCIRefIsNull(scott.env, ref), 1);
  void* tdo = nullptr;
  EXPECT_EQ(OCIObjectPin(scott.env, scott.error, ref, nullptr, 3, 10, 1, &tdo), OCI_ERROR);
  ASSERT_EQ(OCIRefAssign(scott.env, scott.error, type_ref, &ref), OCI_SUCCESS);
  EXPECT_EQ(OCIRefIsNull(scott.env, ref), 0);
  ASSERT_EQ(OCIObjectPin(scott.env, scott.error, ref, nullptr, 3, 10, 1, &tdo), OCI_SUCCESS);
  void* again = nullptr;
  OCIObjectPin(scott.env, scott.error, type_ref, nullptr, 3, 10, 1, &again);
  EXPECT_EQ(again, tdo);  // one descriptor per type
  EXPECT_EQ(OCIObjectUnpin(scott.env, scott.error, tdo), OCI_SUCCESS);
  EXPECT_EQ(OCIObjectUnpin(scott.env, scott.error, tdo), OCI_SUCCESS);
  EXPECT_EQ(OCIObjectUnpin(scott.env, scott.error, tdo), OCI_ERROR);
  OCIRefClear(scott.env, ref);
  EXPECT_EQ(OCIRefIsNull(scott.env, ref), 1);
  EXPECT_EQ(OCIObjectFree(scott.env, scott.error, ref, 0), OCI_SUCCESS);
  EXPECT_EQ(OCIRefIsNull(scott.env, ref), 1);
  EXPECT_EQ(OCIObjectFree(scott.env, scott.error, ref, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 21710);
}

TEST_F(Objects, TheImagesFollowTheCStructRulesOfThisPlatform) {
  unsigned size = 0, indicator_size = 0, offset = 0, value_size = 0, indicator = 0;
  ASSERT_EQ(
      ZorvetStandinObjectLayout("person_t", "", &size, &indicator_size, nullptr, nullptr, nullptr),
      0);
  EXPECT_EQ(size, sizeof(TPersonImage));
  EXPECT_EQ(indicator_size, sizeof(TPersonIndicators));
  struct {
    const char* name;
    std::size_t offset, size, indicator;
  } const places[] = {
      {"N", offsetof(TPersonImage, n), 22, offsetof(TPersonIndicators, n)},
      {"S", offsetof(TPersonImage, s), 8, offsetof(TPersonIndicators, s)},
      {"BORN", offsetof(TPersonImage, born), 8, offsetof(TPersonIndicators, born)},
      {"ADDR", offsetof(TPersonImage, addr), sizeof(TAddressImage),
       offsetof(TPersonIndicators, addr)},
      {"ADDR.CITY", offsetof(TPersonImage, addr) + offsetof(TAddressImage, city), 8,
       offsetof(TPersonIndicators, addr) + offsetof(TAddressIndicators, city)},
      {"ADDR.ZIP", offsetof(TPersonImage, addr) + offsetof(TAddressImage, zip), 22,
       offsetof(TPersonIndicators, addr) + offsetof(TAddressIndicators, zip)},
      {"BOSS", offsetof(TPersonImage, boss), 8, offsetof(TPersonIndicators, boss)},
  };
  for (const auto& p : places) {
    ASSERT_EQ(ZorvetStandinObjectLayout("SCOTT.PERSON_T", p.name, nullptr, nullptr, &offset,
                                        &value_size, &indicator),
              0)
        << p.name;
    EXPECT_EQ(offset, p.offset) << p.name;
    EXPECT_EQ(value_size, p.size) << p.name;
    EXPECT_EQ(indicator, p.indicator) << p.name;
  }
  EXPECT_EQ(
      ZorvetStandinObjectLayout("PERSON_T", "NOPE", nullptr, nullptr, nullptr, nullptr, nullptr),
      -1);
}

TEST_F(Objects, ANewInstanceHasItsIndicatorsAndModificationMarks) {
  void* type = TypeParam("PERSON_T");
  ASSERT_NE(type, nullptr);
  void* tdo = nullptr;
  OCIObjectPin(scott.env, scott.error, Attr<OCIRef*>(type, 110), nullptr, 3, 10, 1, &tdo);
  void* instance = nullptr;
  ASSERT_EQ(OCIObjectNew(scott.env, scott.error, scott.svc, kTypecodeObject,
                         static_cast<OCIType*>(tdo), nullptr, 10, 1, &instance),
            OCI_SUCCESS);
  // The whole image is the caller's to write.
  std::memset(instance, 0x5a, sizeof(TPersonImage));
  void* indicators = nullptr;
  ASSERT_EQ(OCIObjectGetInd(scott.env, scott.error, instance, &indicators), OCI_SUCCESS);
  const auto* ind = static_cast<TPersonIndicators*>(indicators);
  EXPECT_EQ(ind->atomic, 0);
  EXPECT_EQ(ind->addr.zip, -1);
  EXPECT_EQ(ind->boss, -1);
  boolean dirty = 1;
  OCIObjectIsDirty(scott.env, scott.error, instance, &dirty);
  EXPECT_EQ(dirty, 0);
  ASSERT_EQ(OCIObjectMarkUpdate(scott.env, scott.error, instance), OCI_SUCCESS);
  OCIObjectIsDirty(scott.env, scott.error, instance, &dirty);
  EXPECT_EQ(dirty, 1);
  ASSERT_EQ(OCIObjectUnmark(scott.env, scott.error, instance), OCI_SUCCESS);
  OCIObjectIsDirty(scott.env, scott.error, instance, &dirty);
  EXPECT_EQ(dirty, 0);
  EXPECT_EQ(OCIObjectMarkUpdate(scott.env, scott.error, &dirty), OCI_ERROR);
  EXPECT_EQ(OCIObjectFree(scott.env, scott.error, instance, 0), OCI_SUCCESS);
  EXPECT_EQ(OCIObjectGetInd(scott.env, scott.error, instance, &indicators), OCI_ERROR);
}

TEST_F(Objects, WhatIsNotModelledSaysSo) {
  OCINumber number{};
  sb4 value = 0;
  EXPECT_EQ(OCINumberToInt(scott.error, &number, sizeof value, 0, &value), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 3001);
  EXPECT_NE(scott.ErrorText().find("OCINumberToInt is not modelled"), std::string::npos);
}

TEST_F(Objects, ACollectionTypeIsDescribedByItsElement) {
  Fixture(
      "create type NAMES_T as varray(5) of varchar2(20);\n"
      "create type AMOUNTS_T as table of number(7, 2);\n"
      "create type HOLDER_T as object (n number(3), names names_t, amounts amounts_t);\n");
  struct {
    const char* name;
    ub2 collection, element_type, element_size;
  } const cases[] = {{"NAMES_T", 247, 1, 20}, {"AMOUNTS_T", 248, 2, 22}};
  for (const auto& c : cases) {
    void* type = TypeParam(c.name);
    ASSERT_NE(type, nullptr) << scott.ErrorText();
    EXPECT_EQ(Attr<ub2>(type, 216), 122) << c.name;
    EXPECT_EQ(Attr<ub2>(type, 217), c.collection) << c.name;
    EXPECT_EQ(Attr<ub2>(type, 228), 0) << c.name;
    void* element = Attr<void*>(type, 227);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(Attr<ub2>(element, 2), c.element_type) << c.name;
    EXPECT_EQ(Attr<ub2>(element, 1), c.element_size) << c.name;
  }
  EXPECT_EQ(Attr<sb1>(Attr<void*>(TypeParam("AMOUNTS_T"), 227), 6), 2);
  // An object's attribute of a collection type is a named type whose type
  // code says collection, held through a pointer.
  void* holder = TypeParam("HOLDER_T");
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(Attr<ub2>(holder, 216), 108);
  void* list = Attr<void*>(holder, 229);
  void* names = nullptr;
  ASSERT_EQ(OCIParamGet(list, kDtypeParam, scott.error, &names, 2), OCI_SUCCESS);
  EXPECT_EQ(Attr<ub2>(names, 2), 108);
  EXPECT_EQ(Attr<ub2>(names, 216), 122);
  EXPECT_EQ(TextAttr(names, 8), "NAMES_T");
  EXPECT_EQ(Attr<ub1>(names, 279), 1);
  unsigned size = 0, indicators = 0, offset = 0, value = 0, indicator = 0;
  ASSERT_EQ(ZorvetStandinObjectLayout("SCOTT.HOLDER_T", "AMOUNTS", &size, &indicators, &offset,
                                      &value, &indicator),
            0);
  EXPECT_EQ(offset, 32u);  // after a 22-byte number and an aligned pointer
  EXPECT_EQ(value, sizeof(void*));
  EXPECT_EQ(size, 40u);
  EXPECT_EQ(indicator, 6u);

  // The model keeps no elements: an instance of a collection is refused
  // loudly, one of a type holding collections is made with them null.
  void* tdo = nullptr;
  OCIRef* ref = Attr<OCIRef*>(TypeParam("NAMES_T"), 110);
  ASSERT_EQ(OCIObjectPin(scott.env, scott.error, ref, nullptr, 3, 10, 1, &tdo), OCI_SUCCESS);
  void* made = nullptr;
  EXPECT_EQ(OCIObjectNew(scott.env, scott.error, scott.svc, 108, static_cast<OCIType*>(tdo),
                         nullptr, 10, 1, &made),
            OCI_ERROR);
  EXPECT_NE(scott.ErrorText().find("no rule"), std::string::npos) << scott.ErrorText();
  EXPECT_EQ(scott.Exec("create type NESTED_T as table of holder_t"), OCI_ERROR);
  EXPECT_EQ(scott.Exec("create table HOLDERS of holder_t"), OCI_ERROR);
  EXPECT_NE(scott.ErrorText().find("no rule"), std::string::npos) << scott.ErrorText();
}

}  // namespace
}  // namespace StandinTest
