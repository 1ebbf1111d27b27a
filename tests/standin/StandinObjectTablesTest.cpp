// Object tables: instances bound into rows and defined from them, REFs to
// rows selected, bound and pinned, and the NUMBER images of instances.
#include <cstring>

#include "StandinTestSupport.h"

namespace StandinTest {
namespace {

struct TAddressImage {
  OCIString* city;
  OCINumber zip;
};
struct TPersonImage {
  OCINumber n;
  OCIString* s;
  TAddressImage addr;
  OCIRef* home;
};
struct TAddressIndicators {
  OCIInd atomic, city, zip;
};
struct TPersonIndicators {
  OCIInd atomic, n, s;
  TAddressIndicators addr;
  OCIInd home;
};

TEST(StandinNumbers, ImagesAreOraclesNumberFormat) {
  struct {
    double value;
    std::vector<ub1> image;
  } const cases[] = {
      {0, {1, 0x80}},
      {1, {2, 0xC1, 0x02}},
      {100, {2, 0xC2, 0x02}},
      {0.5, {2, 0xC0, 0x33}},
      {-1, {3, 0x3E, 0x64, 0x66}},
      {12345, {4, 0xC3, 0x02, 0x18, 0x2E}},
      {-0.25, {3, 0x3F, 0x4C, 0x66}},
  };
  ZorvetStandinReset();
  ZorvetStandinAddUser("SCOTT", "TIGER", 0);
  TSession session;
  ASSERT_EQ(session.Logon("scott", "tiger"), OCI_SUCCESS);
  for (const auto& c : cases) {
    OCINumber number{};
    ASSERT_EQ(OCINumberFromReal(session.error, &c.value, sizeof c.value, &number), OCI_SUCCESS);
    EXPECT_EQ(std::vector<ub1>(number.OCINumberPart, number.OCINumberPart + c.image.size()),
              c.image)
        << c.value;
    double back = 42;
    ASSERT_EQ(OCINumberToReal(session.error, &number, sizeof back, &back), OCI_SUCCESS);
    EXPECT_DOUBLE_EQ(back, c.value);
  }
  OCINumber garbage{};
  double back = 0;
  EXPECT_EQ(OCINumberToReal(session.error, &garbage, sizeof back, &back), OCI_ERROR);
  session.Logoff();
  SetStandinServer(nullptr);
}

class ObjectTables : public StandinWorld {
 protected:
  void SetUp() override {
    StandinWorld::SetUp();
    Fixture(
        "create type ADDRESS_T as object (city varchar2(20), zip number(5));\n"
        "create type PERSON_T as object (n number(5), s varchar2(10), addr address_t,\n"
        "  home ref address_t);\n"
        "create table PLACES of address_t;\n"
        "create table PEOPLE of person_t;\n"
        "insert into places (city, zip) values ('Oslo', 150);\n");
    person = Pin("PERSON_T");
    address = Pin("ADDRESS_T");
  }
  // The pinned descriptor of a type.
  OCIType* Pin(const char* name) {
    OCIDescribe* describe = nullptr;
    OCIHandleAlloc(scott.env, reinterpret_cast<void**>(&describe), kHtypeDescribe, 0, nullptr);
    EXPECT_EQ(OCIDescribeAny(scott.svc, scott.error, const_cast<char*>(name),
                             ub4(std::strlen(name)), 1, 0, 6, describe),
              OCI_SUCCESS);
    void* param = nullptr;
    OCIAttrGet(describe, kHtypeDescribe, &param, nullptr, 124, scott.error);
    OCIRef* ref = nullptr;
    OCIAttrGet(param, kDtypeParam, &ref, nullptr, 110, scott.error);
    void* tdo = nullptr;
    EXPECT_EQ(OCIObjectPin(scott.env, scott.error, ref, nullptr, 3, 10, 1, &tdo), OCI_SUCCESS);
    OCIHandleFree(describe, kHtypeDescribe);
    return static_cast<OCIType*>(tdo);
  }
  std::string StringOf(OCIString* string) {
    const OraText* text = OCIStringPtr(scott.env, string);
    return text ? reinterpret_cast<const char*>(text) : "<none>";
  }
  double Number(const OCINumber& number) {
    double value = 0;
    EXPECT_EQ(OCINumberToReal(scott.error, &number, sizeof value, &value), OCI_SUCCESS);
    return value;
  }
  // Inserts a person through a bound instance.
  sword InsertPerson(double n, const char* s, const char* city) {
    void* made = nullptr;
    EXPECT_EQ(OCIObjectNew(scott.env, scott.error, scott.svc, 108, person, nullptr, 10, 1, &made),
              OCI_SUCCESS);
    auto* image = static_cast<TPersonImage*>(made);
    void* indicators = nullptr;
    OCIObjectGetInd(scott.env, scott.error, made, &indicators);
    auto* ind = static_cast<TPersonIndicators*>(indicators);
    OCINumberFromReal(scott.error, &n, sizeof n, &image->n);
    image->s = nullptr;
    OCIStringAssignText(scott.env, scott.error, reinterpret_cast<const OraText*>(s),
                        ub4(std::strlen(s)), &image->s);
    ind->n = ind->s = 0;
    if (city) {
      image->addr.city = nullptr;
      OCIStringAssignText(scott.env, scott.error, reinterpret_cast<const OraText*>(city),
                          ub4(std::strlen(city)), &image->addr.city);
      ind->addr.atomic = ind->addr.city = 0;
    } else {
      ind->addr.atomic = -1;
    }
    OCIStmt* stmt = scott.NewStatement("insert into people values (:p)");
    OCIBind* bind = nullptr;
    OCIBindByName(stmt, &bind, scott.error, Text(":p"), 2, nullptr, 0, 108, nullptr, nullptr,
                  nullptr, 0, nullptr, 0);
    EXPECT_EQ(OCIBindObject(bind, scott.error, person, &made, nullptr, &indicators, nullptr),
              OCI_SUCCESS);
    const sword status = OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0);
    OCIHandleFree(stmt, kHtypeStmt);
    OCIObjectFree(scott.env, scott.error, made, 0);
    return status;
  }
  OCIType* person = nullptr;
  OCIType* address = nullptr;
};

TEST_F(ObjectTables, AnInstanceBoundIsStoredAndComesBackDefined) {
  ASSERT_EQ(InsertPerson(7, "seven", "Bergen"), OCI_SUCCESS) << scott.ErrorText();
  ASSERT_EQ(InsertPerson(8, "eight", nullptr), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(
      scott.Rows("select n, s, \"ADDR.CITY\" from people order by n"),
      (std::vector<std::vector<std::string>>{{"7", "seven", "Bergen"}, {"8", "eight", "<null>"}}));

  OCIStmt* stmt = scott.NewStatement("select value(p) from people p order by p.n");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS);
  void* column = nullptr;
  OCIParamGet(stmt, kHtypeStmt, scott.error, &column, 1);
  ub2 type = 0;
  OCIAttrGet(column, kDtypeParam, &type, nullptr, 2, scott.error);
  EXPECT_EQ(type, 108);
  OraText* name = nullptr;
  ub4 length = 0;
  OCIAttrGet(column, kDtypeParam, &name, &length, 8, scott.error);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name), length), "PERSON_T");

  void* instances[2] = {};
  void* indicators[2] = {};
  sb2 nulls[2] = {};
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, scott.error, 1, instances, sizeof(void*), 108, nulls, nullptr,
                 nullptr, 0);
  ASSERT_EQ(OCIDefineObject(define, scott.error, person, instances, nullptr, indicators, nullptr),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(stmt, scott.error, 2, 2, 0), OCI_SUCCESS) << scott.ErrorText();
  const auto* first = static_cast<TPersonImage*>(instances[0]);
  const auto* first_ind = static_cast<TPersonIndicators*>(indicators[0]);
  EXPECT_EQ(Number(first->n), 7);
  EXPECT_EQ(StringOf(first->s), "seven");
  EXPECT_EQ(StringOf(first->addr.city), "Bergen");
  EXPECT_EQ(first_ind->addr.atomic, 0);
  EXPECT_EQ(first_ind->addr.zip, -1);
  EXPECT_EQ(first_ind->home, -1);
  EXPECT_EQ(static_cast<TPersonIndicators*>(indicators[1])->addr.atomic, -1);
  EXPECT_EQ(Number(static_cast<TPersonImage*>(instances[1])->n), 8);
  OCIHandleFree(stmt, kHtypeStmt);
  for (void* instance : instances)
    EXPECT_EQ(OCIObjectFree(scott.env, scott.error, instance, 0), OCI_SUCCESS);
}

TEST_F(ObjectTables, AReferenceToARowIsPinnedBoundAndStored) {
  OCIStmt* stmt = scott.NewStatement("select ref(a) from places a where a.city = 'Oslo'");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  void* ref = nullptr;
  sb2 null = 5;
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, scott.error, 1, &ref, sizeof ref, 110, &null, nullptr, nullptr, 0);
  ASSERT_EQ(OCIDefineObject(define, scott.error, nullptr, &ref, nullptr, nullptr, nullptr),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_SUCCESS) << scott.ErrorText();
  OCIHandleFree(stmt, kHtypeStmt);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(null, 0);
  EXPECT_EQ(OCIRefIsNull(scott.env, static_cast<OCIRef*>(ref)), 0);

  // Pinning it gives the row's instance, until it is unpinned.
  void* place = nullptr;
  ASSERT_EQ(
      OCIObjectPin(scott.env, scott.error, static_cast<OCIRef*>(ref), nullptr, 3, 10, 1, &place),
      OCI_SUCCESS)
      << scott.ErrorText();
  EXPECT_EQ(StringOf(static_cast<TAddressImage*>(place)->city), "Oslo");
  EXPECT_EQ(Number(static_cast<TAddressImage*>(place)->zip), 150);
  EXPECT_EQ(OCIObjectUnpin(scott.env, scott.error, place), OCI_SUCCESS);
  void* indicators = nullptr;
  EXPECT_EQ(OCIObjectGetInd(scott.env, scott.error, place, &indicators), OCI_ERROR);

  // Bound, it finds its row, and stored as an attribute it leads back.
  stmt = scott.NewStatement("select a.zip from places a where ref(a) = :r");
  OCIBind* bind = nullptr;
  OCIBindByName(stmt, &bind, scott.error, Text(":r"), 2, nullptr, 0, 110, nullptr, nullptr, nullptr,
                0, nullptr, 0);
  ASSERT_EQ(OCIBindObject(bind, scott.error, address, &ref, nullptr, nullptr, nullptr),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  char zip[10] = {};
  OCIDefineByPos(stmt, &define, scott.error, 1, zip, sizeof zip, 5, nullptr, nullptr, nullptr, 0);
  ASSERT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_SUCCESS);
  EXPECT_STREQ(zip, "150");
  OCIHandleFree(stmt, kHtypeStmt);

  void* made = nullptr;
  OCIObjectNew(scott.env, scott.error, scott.svc, 108, person, nullptr, 10, 1, &made);
  auto* image = static_cast<TPersonImage*>(made);
  TPersonIndicators* ind = nullptr;
  OCIObjectGetInd(scott.env, scott.error, made, reinterpret_cast<void**>(&ind));
  image->home = static_cast<OCIRef*>(ref);
  ind->home = 0;
  stmt = scott.NewStatement("insert into people values (:p)");
  OCIBindByName(stmt, &bind, scott.error, Text(":p"), 2, nullptr, 0, 108, nullptr, nullptr, nullptr,
                0, nullptr, 0);
  OCIBindObject(bind, scott.error, person, &made, nullptr, reinterpret_cast<void**>(&ind), nullptr);
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  OCIHandleFree(stmt, kHtypeStmt);
  OCIObjectFree(scott.env, scott.error, made, 0);
  EXPECT_EQ(scott.Rows("select count(*) from people p, places a where p.home = ref(a)"),
            (std::vector<std::vector<std::string>>{{"1"}}));
  OCIObjectFree(scott.env, scott.error, ref, 0);
}

TEST_F(ObjectTables, WhatDoesNotFitIsRefused) {
  // An object column defined as plain text, and an instance of another type.
  OCIStmt* stmt = scott.NewStatement("select value(a) from places a");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS);
  char text[100];
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, scott.error, 1, text, sizeof text, 5, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 932);
  OCIHandleFree(stmt, kHtypeStmt);
  stmt = scott.NewStatement("select value(a) from places a");
  OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0);
  void* instance = nullptr;
  OCIDefineByPos(stmt, &define, scott.error, 1, &instance, sizeof instance, 108, nullptr, nullptr,
                 nullptr, 0);
  OCIDefineObject(define, scott.error, person, &instance, nullptr, nullptr, nullptr);
  EXPECT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 932);
  OCIHandleFree(stmt, kHtypeStmt);

  EXPECT_EQ(scott.Exec("create type OPEN_T as object (n number) not final"), OCI_SUCCESS);
  EXPECT_EQ(scott.Exec("create type HOLDER_T as object (o open_t)"), OCI_ERROR);
  EXPECT_NE(scott.ErrorText().find("not final"), std::string::npos) << scott.ErrorText();
  EXPECT_EQ(scott.Exec("create type POINTER_T as object (o ref open_t)"), OCI_SUCCESS);
  // A flush needs a row to write to.
  void* made = nullptr;
  ASSERT_EQ(OCIObjectNew(scott.env, scott.error, scott.svc, 108, address, nullptr, 10, 1, &made),
            OCI_SUCCESS);
  ASSERT_EQ(OCIObjectMarkUpdate(scott.env, scott.error, made), OCI_SUCCESS);
  EXPECT_EQ(OCIObjectFlush(scott.env, scott.error, made), OCI_ERROR);
  EXPECT_NE(scott.ErrorText().find("no rule"), std::string::npos) << scott.ErrorText();
  OCIObjectFree(scott.env, scott.error, made, 0);
}

// The first row's reference of a query, as a define fetches it.
OCIRef* FirstReference(TSession& session, const std::string& sql) {
  OCIStmt* stmt = session.NewStatement(sql);
  EXPECT_EQ(OCIStmtExecute(session.svc, stmt, session.error, 0, 0, nullptr, nullptr, 0),
            OCI_SUCCESS)
      << session.ErrorText();
  void* ref = nullptr;
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, session.error, 1, &ref, sizeof ref, 110, nullptr, nullptr, nullptr,
                 0);
  OCIDefineObject(define, session.error, nullptr, &ref, nullptr, nullptr, nullptr);
  EXPECT_EQ(OCIStmtFetch(stmt, session.error, 1, 2, 0), OCI_SUCCESS) << session.ErrorText();
  OCIHandleFree(stmt, kHtypeStmt);
  return static_cast<OCIRef*>(ref);
}

TEST_F(ObjectTables, APinnedInstanceMarkedUpdatedIsWrittenBackByAFlush) {
  OCIRef* ref = FirstReference(scott, "select ref(a) from places a");
  void* pinned = nullptr;
  ASSERT_EQ(OCIObjectPin(scott.env, scott.error, ref, nullptr, 3, 10, 1, &pinned), OCI_SUCCESS);
  auto* place = static_cast<TAddressImage*>(pinned);
  TAddressIndicators* ind = nullptr;
  OCIObjectGetInd(scott.env, scott.error, pinned, reinterpret_cast<void**>(&ind));
  const double zip = 4000;
  OCINumberFromReal(scott.error, &zip, sizeof zip, &place->zip);
  ind->city = -1;
  // Unmarked, the change stays in the cache.
  ASSERT_EQ(OCIObjectFlush(scott.env, scott.error, pinned), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(scott.Rows("select city, zip from places"),
            (std::vector<std::vector<std::string>>{{"Oslo", "150"}}));
  ASSERT_EQ(OCIObjectMarkUpdate(scott.env, scott.error, pinned), OCI_SUCCESS);
  ASSERT_EQ(OCIObjectFlush(scott.env, scott.error, pinned), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(scott.Rows("select city, zip from places"),
            (std::vector<std::vector<std::string>>{{"<null>", "4000"}}));
  boolean dirty = 1;
  OCIObjectIsDirty(scott.env, scott.error, pinned, &dirty);
  EXPECT_EQ(dirty, 0);
  // Written in the transaction: the row is the session's until it ends,
  // and others see the change only after the commit.
  TSession adams;
  ASSERT_EQ(adams.Logon("scott", "tiger"), OCI_SUCCESS);
  EXPECT_EQ(adams.Rows("select zip from places"), (std::vector<std::vector<std::string>>{{"150"}}));
  EXPECT_EQ(adams.Exec("select zip from places for update nowait"), OCI_ERROR);
  EXPECT_EQ(adams.ErrorCode(), 54);
  ASSERT_EQ(OCITransCommit(scott.svc, scott.error, 0), OCI_SUCCESS);
  EXPECT_EQ(adams.Rows("select zip from places"),
            (std::vector<std::vector<std::string>>{{"4000"}}));
  adams.Logoff();
  EXPECT_EQ(OCIObjectUnpin(scott.env, scott.error, pinned), OCI_SUCCESS);
  OCIObjectFree(scott.env, scott.error, ref, 0);
}

class LobAttributes : public ObjectTables {
 protected:
  void SetUp() override {
    ObjectTables::SetUp();
    Fixture(
        "create type DOC_T as object (id number(5), body clob, pic blob);\n"
        "create table DOCS of doc_t;\n"
        "insert into docs (id, body) values (1, 'hello');\n");
  }
  struct TDocImage {
    OCINumber id;
    OCILobLocator* body;
    OCILobLocator* pic;
  };
  struct TDocIndicators {
    OCIInd atomic, id, body, pic;
  };
  std::string Read(OCILobLocator* lob) {
    char buffer[64] = {};
    ub4 amount = sizeof buffer;
    const sword status = OCILobRead(scott.svc, scott.error, lob, &amount, 1, buffer, sizeof buffer,
                                    nullptr, nullptr, 0, 1);
    if (status == OCI_ERROR) return "<error " + std::to_string(scott.ErrorCode()) + ">";
    return std::string(buffer, status == OCI_NO_DATA ? 0 : amount);
  }
  // The body of a row as a query's locator reads it, and whether its
  // picture is null.
  std::string Row(int id) {
    OCIStmt* stmt =
        scott.NewStatement("select body, pic from docs where id = " + std::to_string(id));
    void *body = nullptr, *pic = nullptr;
    OCIDescriptorAlloc(scott.env, &body, kDtypeLob, 0, nullptr);
    OCIDescriptorAlloc(scott.env, &pic, kDtypeLob, 0, nullptr);
    sb2 body_null = 0, pic_null = 0;
    OCIDefine* define = nullptr;
    OCIDefineByPos(stmt, &define, scott.error, 1, &body, sizeof body, kSqltClob, &body_null,
                   nullptr, nullptr, 0);
    OCIDefineByPos(stmt, &define, scott.error, 2, &pic, sizeof pic, kSqltBlob, &pic_null, nullptr,
                   nullptr, 0);
    std::string row = "<no row>";
    if (OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0) == OCI_SUCCESS)
      row = (body_null ? "<null>" : Read(static_cast<OCILobLocator*>(body))) +
            (pic_null ? ", no picture" : ", a picture");
    OCIHandleFree(stmt, kHtypeStmt);
    OCIDescriptorFree(body, kDtypeLob);
    OCIDescriptorFree(pic, kDtypeLob);
    return row;
  }
  sword Write(OCILobLocator* lob, const std::string& text) {
    ub4 amount = ub4(text.size());
    return OCILobWrite(scott.svc, scott.error, lob, &amount, 1, const_cast<char*>(text.data()),
                       amount, 0, nullptr, nullptr, 0, 1);
  }
};

TEST_F(LobAttributes, APinnedRowTheSessionHoldsWritesItsLobColumn) {
  OCIRef* ref = FirstReference(scott, "select ref(d) from docs d where d.id = 1 for update");
  void* pinned = nullptr;
  ASSERT_EQ(OCIObjectPin(scott.env, scott.error, ref, nullptr, 3, 10, 1, &pinned), OCI_SUCCESS)
      << scott.ErrorText();
  auto* doc = static_cast<TDocImage*>(pinned);
  TDocIndicators* ind = nullptr;
  OCIObjectGetInd(scott.env, scott.error, pinned, reinterpret_cast<void**>(&ind));
  EXPECT_EQ(ind->body, 0);
  EXPECT_EQ(ind->pic, -1);
  EXPECT_EQ(Read(doc->body), "hello");
  ASSERT_EQ(Write(doc->body, "HELLO!"), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(Row(1), "HELLO!, no picture");
  // A flush of the instance keeps what the locator wrote.
  ASSERT_EQ(OCIObjectMarkUpdate(scott.env, scott.error, pinned), OCI_SUCCESS);
  ASSERT_EQ(OCIObjectFlush(scott.env, scott.error, pinned), OCI_SUCCESS) << scott.ErrorText();
  EXPECT_EQ(Row(1), "HELLO!, no picture");
  EXPECT_EQ(OCIObjectUnpin(scott.env, scott.error, pinned), OCI_SUCCESS);
  OCIObjectFree(scott.env, scott.error, ref, 0);
}

TEST_F(LobAttributes, ARowTheSessionDoesNotHoldGivesTheValueReadOnly) {
  OCIRef* ref = FirstReference(scott, "select ref(d) from docs d");
  void* pinned = nullptr;
  ASSERT_EQ(OCIObjectPin(scott.env, scott.error, ref, nullptr, 3, 10, 1, &pinned), OCI_SUCCESS);
  auto* doc = static_cast<TDocImage*>(pinned);
  EXPECT_EQ(Read(doc->body), "hello");
  EXPECT_EQ(Write(doc->body, "no"), OCI_ERROR);
  EXPECT_EQ(scott.ErrorCode(), 22920);
  OCIObjectUnpin(scott.env, scott.error, pinned);

  // Fetched whole, the instance carries the value too; bound into another
  // row, the value goes with it.
  OCIStmt* stmt = scott.NewStatement("select value(d) from docs d");
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS);
  void* instance = nullptr;
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, scott.error, 1, &instance, sizeof instance, 108, nullptr, nullptr,
                 nullptr, 0);
  OCIType* type = Pin("DOC_T");
  OCIDefineObject(define, scott.error, type, &instance, nullptr, nullptr, nullptr);
  ASSERT_EQ(OCIStmtFetch(stmt, scott.error, 1, 2, 0), OCI_SUCCESS) << scott.ErrorText();
  OCIHandleFree(stmt, kHtypeStmt);
  EXPECT_EQ(Read(static_cast<TDocImage*>(instance)->body), "hello");
  const double two = 2;
  OCINumberFromReal(scott.error, &two, sizeof two, &static_cast<TDocImage*>(instance)->id);
  stmt = scott.NewStatement("insert into docs values (:d)");
  OCIBind* bind = nullptr;
  OCIBindByName(stmt, &bind, scott.error, Text(":d"), 2, nullptr, 0, 108, nullptr, nullptr, nullptr,
                0, nullptr, 0);
  OCIBindObject(bind, scott.error, type, &instance, nullptr, nullptr, nullptr);
  ASSERT_EQ(OCIStmtExecute(scott.svc, stmt, scott.error, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << scott.ErrorText();
  OCIHandleFree(stmt, kHtypeStmt);
  EXPECT_EQ(Row(1), "hello, no picture");
  EXPECT_EQ(Row(2), "hello, no picture");
  OCIObjectFree(scott.env, scott.error, instance, 0);
  OCIObjectFree(scott.env, scott.error, ref, 0);
}

}  // namespace
}  // namespace StandinTest
