// Objects and references on the stand-in server: the attribute list and
// its image layout against the stand-in's own, dotted names, null-ness and
// its propagation, modification marks, references pinned and released, and
// objects and references bound and fetched through a query.
#include <gtest/gtest.h>

#include <cstring>

#include "SessionTestSupport.h"
#include "oracle/OracleCI.h"
#include "oracle/OracleObjects.h"
#include "oracle/OracleQuery.h"

namespace {

using namespace Oracle;

String MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

class ObjectWorld : public SessionWorld {
 protected:
  void SetUp() override {
    SessionWorld::SetUp();
    Fixture(
        "create type ADDRESS_T as object (city varchar2(20), zip number(5));\n"
        "create type PAD_T as object (code number(3), born date, note varchar2(5));\n"
        "create type PERSON_T as object (n number(5), s varchar2(10), born date,\n"
        "  addr address_t, pad pad_t, home ref address_t, big number(12, 2)) not final;\n"
        "create table PLACES of address_t;\n"
        "create table PEOPLE of person_t;\n"
        "insert into places (city, zip) values ('Oslo', 150);\n"
        "insert into people (n, s, \"ADDR\", \"ADDR.CITY\") values (1, 'one', 1, 'Bergen');\n");
    session_ = Scott();
    session_->LogOn();
  }
  void TearDown() override {
    session_.reset();
    SessionWorld::TearDown();
  }
  // Writes a string attribute the way a program would, through the client.
  void SetString(TOracleObject& object, const String& name, const String& text) {
    auto** slot = static_cast<OCIString**>(object.FindAttribute(name, true)->ValueAddress());
    ASSERT_EQ(OracleCI::OCIStringAssignText(session_->EnvHandle(), object.ErrorHandle(),
                                            reinterpret_cast<const OraText*>(text.c_str()),
                                            ub4(text.size()), slot),
              OCI_SUCCESS);
    object.AttributeModified(name);
  }
  String GetString(TOracleObject& object, const String& name) {
    auto** slot = static_cast<OCIString**>(object.FindAttribute(name, true)->ValueAddress());
    const OraText* text = *slot ? OracleCI::OCIStringPtr(session_->EnvHandle(), *slot) : nullptr;
    return text ? String(reinterpret_cast<const char*>(text)) : String("<none>");
  }
  void SetNumber(TOracleObject& object, const String& name, double value) {
    auto* number = static_cast<OCINumber*>(object.FindAttribute(name, true)->ValueAddress());
    ASSERT_EQ(OracleCI::OCINumberFromReal(object.ErrorHandle(), &value, sizeof value, number),
              OCI_SUCCESS);
    object.AttributeModified(name);
  }
  double GetNumber(TOracleObject& object, const String& name) {
    double value = 0;
    OracleCI::OCINumberToReal(
        object.ErrorHandle(),
        static_cast<OCINumber*>(object.FindAttribute(name, true)->ValueAddress()), sizeof value,
        &value);
    return value;
  }
  static sb2 Indicator(TOracleObject& object, const String& name) {
    sb2 value = 0;
    std::memcpy(&value, object.FindAttribute(name, true)->IndicatorAddress(), sizeof value);
    return value;
  }
  std::unique_ptr<TOracleQuery> Query(const String& sql) {
    auto query = std::make_unique<TOracleQuery>(nullptr);
    query->SetSession(session_.get());
    query->SQL()->SetText(sql);
    return query;
  }

  std::unique_ptr<TOracleSession> session_;
};

TEST_F(ObjectWorld, TheLayoutMeetsTheClientsImages) {
  TOracleObject person(session_.get(), "person_t");
  EXPECT_EQ(person.TypeName(), "PERSON_T");
  ASSERT_EQ(person.AttributeCount(), 12);
  auto layout = Control<decltype(&ZorvetStandinObjectLayout)>("ZorvetStandinObjectLayout");
  for (Integer i = 0; i < person.AttributeCount(); ++i) {
    const TObjectAttribute* attribute = person.Attribute(i);
    unsigned offset = 0, size = 0, indicator = 0;
    ASSERT_EQ(layout("SCOTT.PERSON_T", attribute->Name.c_str(), nullptr, nullptr, &offset, &size,
                     &indicator),
              0)
        << attribute->Name;
    EXPECT_EQ(attribute->ValueOffset, Integer(offset)) << attribute->Name;
    EXPECT_EQ(attribute->ValueSize, Integer(size)) << attribute->Name;
    EXPECT_EQ(attribute->IndicatorOffset, Integer(indicator)) << attribute->Name;
  }
  // A NUMBER(5) first, then a string pointer aligned from 22 to 24.
  EXPECT_EQ(person.Attribute(0)->ValueOffset, 0);
  EXPECT_EQ(person.Attribute(0)->ValueSize, 22);
  EXPECT_EQ(person.Attribute(1)->ValueOffset, 24);
  EXPECT_EQ(person.Attribute(0)->IndicatorOffset, 2);
  EXPECT_EQ(person.Attribute(1)->IndicatorOffset, 4);
}

TEST_F(ObjectWorld, AttributesAreFoundByDottedNames) {
  TOracleObject person(session_.get(), "PERSON_T");
  struct {
    const char* name;
    Integer type;
    const char* object_type;
  } const cases[] = {
      {"n", otInteger, ""},
      {"BIG", otFloat, ""},
      {"s", otString, ""},
      {"born", otDate, ""},
      {"addr", otObject, "SCOTT.ADDRESS_T"},
      {"ADDR.CITY", otString, ""},
      {"Addr.Zip", otInteger, ""},
      {"home", otReference, "SCOTT.ADDRESS_T"},
  };
  for (const auto& c : cases) {
    const TObjectAttribute* attribute = person.FindAttribute(c.name, false);
    ASSERT_NE(attribute, nullptr) << c.name;
    EXPECT_EQ(attribute->ExternalType, c.type) << c.name;
    EXPECT_EQ(attribute->ObjectTypeName, c.object_type) << c.name;
  }
  EXPECT_EQ(person.FindAttribute("addr.nope", false), nullptr);
  EXPECT_EQ(MessageOf([&] { person.FindAttribute("addr.nope", true); }),
            "Unknown attribute: addr.nope");
  // An embedded object as an object of its own sees the same images.
  TOracleObject* addr = person.ObjAttr("ADDR");
  EXPECT_EQ(addr, person.ObjAttr("addr"));
  EXPECT_EQ(addr->FindAttribute("zip", true)->ValueAddress(),
            person.FindAttribute("addr.zip", true)->ValueAddress());
  EXPECT_EQ(MessageOf([&] { person.ObjAttr("n"); }), "n is not an object attribute");
  EXPECT_EQ(MessageOf([] { TOracleObject(nullptr, "PERSON_T"); }), "Not logged on");
}

TEST_F(ObjectWorld, SettingAnAttributeMakesItsEnclosingObjectsNotNull) {
  TOracleObject person(session_.get(), "PERSON_T");
  EXPECT_TRUE(person.AttributeIsNull("addr.city"));
  EXPECT_EQ(Indicator(person, "addr"), -1);
  SetString(person, "addr.city", "Oslo");
  EXPECT_EQ(Indicator(person, "addr"), 0);
  EXPECT_FALSE(person.AttributeIsNull("addr.city"));
  EXPECT_TRUE(person.AttributeIsNull("addr.zip"));
  EXPECT_EQ(GetString(person, "ADDR.CITY"), "Oslo");

  // A null embedded object hides what its attributes say.
  const sb2 null = -1;
  std::memcpy(person.FindAttribute("addr", true)->IndicatorAddress(), &null, sizeof null);
  EXPECT_TRUE(person.AttributeIsNull("addr.city"));
  // Through the embedded object, the owner's indicators change.
  SetNumber(*person.ObjAttr("addr"), "zip", 150);
  EXPECT_EQ(Indicator(person, "addr"), 0);
  EXPECT_FALSE(person.AttributeIsNull("addr.zip"));
  EXPECT_DOUBLE_EQ(GetNumber(person, "addr.zip"), 150);
}

TEST_F(ObjectWorld, AReferenceFromAnEmptyRefIsNull) {
  TOracleReference empty(session_.get(), "address_t", nullptr);
  EXPECT_TRUE(empty.IsNull());
  EXPECT_EQ(empty.TypeName(), "ADDRESS_T");
  TOracleObject person(session_.get(), "PERSON_T");
  TOracleReference* home = person.RefAttr("home");
  EXPECT_EQ(home, person.RefAttr("HOME"));
  EXPECT_TRUE(home->IsNull());
  EXPECT_EQ(MessageOf([&] { home->Pin(); }), "Cannot pin a null reference");
  EXPECT_EQ(MessageOf([&] {
              TOracleReference(session_.get(), "no_such_t", nullptr);
            }).rfind("ORA-04043", 0),
            0u);
}

TEST_F(ObjectWorld, AnObjectIsBoundAndFetchedThroughAQuery) {
  TOracleObject person(session_.get(), "PERSON_T");
  SetNumber(person, "n", 2);
  SetString(person, "s", "two");
  SetString(person, "addr.city", "Tromso");
  auto insert = Query("insert into people values (:p)");
  insert->DeclareVariable("p", otObject);
  insert->SetComplexVariable("p", &person);
  insert->Execute();
  EXPECT_EQ(insert->RowsProcessed(), 1);
  EXPECT_EQ(MessageOf([&] { insert->SetComplexVariable("p", insert.get()); }),
            "Assign TOracleObject instance to variable :P");

  auto select = Query("select value(p) from people p order by p.n");
  select->Execute();
  ASSERT_EQ(select->FieldCount(), 1);
  EXPECT_EQ(select->FieldType(0), otObject);
  EXPECT_TRUE(select->Field(0).IsEmpty());
  ASSERT_FALSE(select->Eof());
  EXPECT_FALSE(select->FieldIsNull(0));
  TOracleObject* row = select->ObjField(0);
  EXPECT_DOUBLE_EQ(GetNumber(*row, "n"), 1);
  EXPECT_EQ(GetString(*row, "addr.city"), "Bergen");
  EXPECT_TRUE(row->AttributeIsNull("addr.zip"));
  EXPECT_TRUE(row->AttributeIsNull("pad"));
  select->Next();
  row = select->ObjField(0);
  EXPECT_DOUBLE_EQ(GetNumber(*row, "n"), 2);
  EXPECT_EQ(GetString(*row, "s"), "two");
  EXPECT_EQ(GetString(*row, "addr.city"), "Tromso");
  select->Next();
  EXPECT_TRUE(select->Eof());
}

TEST_F(ObjectWorld, AReferenceIsFetchedPinnedMarkedAndReleased) {
  auto select = Query("select ref(a) from places a");
  select->Execute();
  ASSERT_EQ(select->FieldType(0), otReference);
  ASSERT_FALSE(select->Eof());
  TOracleReference* fetched = select->RefField(0);
  ASSERT_FALSE(fetched->IsNull());
  {
    std::unique_ptr<TOracleObject> place = fetched->Pin();
    EXPECT_EQ(GetString(*place, "city"), "Oslo");
    EXPECT_DOUBLE_EQ(GetNumber(*place, "zip"), 150);
    boolean dirty = 1;
    OracleCI::OCIObjectIsDirty(session_->EnvHandle(), place->ErrorHandle(), place->Instance(),
                               &dirty);
    EXPECT_EQ(dirty, 0);
    SetNumber(*place, "zip", 151);
    OracleCI::OCIObjectIsDirty(session_->EnvHandle(), place->ErrorHandle(), place->Instance(),
                               &dirty);
    EXPECT_EQ(dirty, 1);
    place->MarkModified(false);
    OracleCI::OCIObjectIsDirty(session_->EnvHandle(), place->ErrorHandle(), place->Instance(),
                               &dirty);
    EXPECT_EQ(dirty, 0);
  }
  // Released: the instance has left the client's cache.
  TOracleReference variable(session_.get(), "ADDRESS_T", nullptr);
  variable.Assign(fetched);
  EXPECT_FALSE(variable.IsNull());

  // Bound, the reference finds its row; as an attribute it is stored.
  auto lookup = Query("select a.zip from places a where ref(a) = :r");
  lookup->DeclareVariable("r", otReference);
  lookup->SetComplexVariable("r", &variable);
  lookup->Execute();
  ASSERT_FALSE(lookup->Eof());
  EXPECT_EQ(lookup->FieldAsInteger(0), 150);

  TOracleObject person(session_.get(), "PERSON_T");
  SetNumber(person, "n", 3);
  person.RefAttr("home")->Assign(&variable);
  EXPECT_FALSE(person.RefAttr("home")->IsNull());
  EXPECT_EQ(Indicator(person, "home"), 0);
  auto insert = Query("insert into people values (:p)");
  insert->DeclareVariable("p", otObject);
  insert->SetComplexVariable("p", &person);
  insert->Execute();
  auto homes = Query("select count(*) from people p, places a where p.home = ref(a)");
  homes->Execute();
  EXPECT_EQ(homes->FieldAsInteger(0), 1);

  person.RefAttr("home")->Clear();
  EXPECT_EQ(Indicator(person, "home"), -1);
  EXPECT_TRUE(person.RefAttr("home")->IsNull());
}

TEST_F(ObjectWorld, AReferenceVariableFollowsTheNullStateABlockLeaves) {
  auto select = Query("select ref(a) from places a");
  select->Execute();
  ASSERT_FALSE(select->Eof());
  TOracleReference variable(session_.get(), "ADDRESS_T", nullptr);
  variable.Assign(select->RefField(0));
  ASSERT_FALSE(variable.IsNull());
  Rule("pkg\\.keep", "rows 1\n", true);
  Rule("pkg\\.drop", "out R \\N\n", true);
  const auto run = [&](const String& sql) {
    auto block = Query(sql);
    block->DeclareVariable("r", otReference);
    block->SetComplexVariable("r", &variable);
    block->Execute();
  };
  // A block that leaves the REF as it came keeps it.
  run("begin pkg.keep(:r); end;");
  EXPECT_FALSE(variable.IsNull());
  // One that makes it null leaves a null reference, though the client
  // keeps the REF it was bound with.
  run("begin :r := pkg.drop; end;");
  EXPECT_TRUE(variable.IsNull());
  // As an object's attribute, the attribute goes null with it.
  TOracleObject person(session_.get(), "PERSON_T");
  TOracleReference* home = person.RefAttr("home");
  home->Assign(select->RefField(0));
  ASSERT_EQ(Indicator(person, "home"), 0);
  auto block = Query("begin :r := pkg.drop; end;");
  block->DeclareVariable("r", otReference);
  block->SetComplexVariable("r", home);
  block->Execute();
  EXPECT_TRUE(home->IsNull());
  EXPECT_EQ(Indicator(person, "home"), -1);
}

TEST_F(ObjectWorld, ACollectionIsDescribedByItsElementAndHeldThroughAPointer) {
  Fixture(
      "create type NAMES_T as varray(5) of varchar2(20);\n"
      "create type HOLDER_T as object (n number(3), names names_t, z number(2));\n");
  TOracleObject holder(session_.get(), "HOLDER_T");
  EXPECT_FALSE(holder.IsCollection());
  TObjectAttribute* names = holder.FindAttribute("names", true);
  EXPECT_TRUE(names->IsCollection);
  EXPECT_EQ(names->ExternalType, otObject);
  EXPECT_EQ(names->ObjectTypeName, "SCOTT.NAMES_T");
  auto layout = Control<decltype(&ZorvetStandinObjectLayout)>("ZorvetStandinObjectLayout");
  for (const char* name : {"N", "NAMES", "Z"}) {
    unsigned offset = 0, size = 0, indicator = 0;
    ASSERT_EQ(layout("SCOTT.HOLDER_T", name, nullptr, nullptr, &offset, &size, &indicator), 0);
    const TObjectAttribute* attribute = holder.FindAttribute(name, true);
    EXPECT_EQ(attribute->ValueOffset, Integer(offset)) << name;
    EXPECT_EQ(attribute->ValueSize, Integer(size)) << name;
    EXPECT_EQ(attribute->IndicatorOffset, Integer(indicator)) << name;
  }
  // A new holder has no collection yet.
  EXPECT_EQ(names->ValueAddress(), nullptr);
  EXPECT_TRUE(holder.AttributeIsNull("names"));

  // The collection's own type: no attributes, and an element.
  TOracleObject collection(session_.get(), String());
  sb2 indicator = -1;
  collection.SetInstance(nullptr, &indicator, "NAMES_T", names->TypeRef);
  EXPECT_TRUE(collection.IsCollection());
  EXPECT_EQ(collection.AttributeCount(), 0);
  ASSERT_NE(collection.ElementAttribute(), nullptr);
  EXPECT_EQ(collection.ElementAttribute()->ExternalType, 5);
  EXPECT_EQ(collection.ElementAttribute()->DataSize, 20);
  EXPECT_EQ(collection.ElementAttribute()->Name, "");
}

class LobAttributeWorld : public ObjectWorld {
 protected:
  void SetUp() override {
    ObjectWorld::SetUp();
    Fixture(
        "create type DOC_T as object (id number(5), body clob, pic blob);\n"
        "create table DOCS of doc_t;\n"
        "insert into docs (id, body) values (1, 'hello');\n");
  }
  // The body of a row as a query reads it.
  String Body(Integer id) {
    auto select = Query("select body from docs where id = " + std::to_string(id));
    select->Execute();
    if (select->Eof()) return "<no row>";
    return select->FieldIsNull(0) ? "<null>" : select->LOBField(0)->AsString(100);
  }
  bool Dirty(TOracleObject& object) {
    boolean dirty = 0;
    OracleCI::OCIObjectIsDirty(session_->EnvHandle(), object.ErrorHandle(), object.Instance(),
                               &dirty);
    return dirty != 0;
  }
};

TEST_F(LobAttributeWorld, APinnedRowsLobAttributeReadsAndWritesTheRow) {
  // The row locked first, as the server wants it for a LOB written.
  auto select = Query("select ref(d) from docs d where d.id = 1 for update");
  select->Execute();
  ASSERT_FALSE(select->Eof());
  std::unique_ptr<TOracleObject> doc = select->RefField(0)->Pin();
  TLOBLocator* body = doc->LOBAttr("body");
  EXPECT_EQ(doc->LOBAttr("BODY"), body);
  EXPECT_EQ(body->LOBType(), otCLOB);
  EXPECT_FALSE(body->IsNull());
  EXPECT_EQ(body->Size(), 5);
  EXPECT_EQ(body->AsString(100), "hello");
  EXPECT_TRUE(doc->LOBAttr("pic")->IsNull());
  EXPECT_FALSE(Dirty(*doc));

  body->Seek(0, soFromEnd);
  EXPECT_EQ(body->Write(", world", 7), 7);
  EXPECT_EQ(Body(1), "hello, world");
  // The write marked the instance, and the attribute stays not null.
  EXPECT_TRUE(Dirty(*doc));
  EXPECT_FALSE(doc->AttributeIsNull("body"));
  body->SetSize(5);
  EXPECT_EQ(Body(1), "hello");
  EXPECT_EQ(MessageOf([&] { doc->LOBAttr("id"); }), "id is not a LOB attribute");
}

TEST_F(LobAttributeWorld, ALobAttributeTakesItsValueIntoAnotherRow) {
  auto select = Query("select value(d) from docs d");
  select->Execute();
  ASSERT_FALSE(select->Eof());
  TOracleObject* fetched = select->ObjField(0);
  EXPECT_EQ(fetched->LOBAttr("body")->AsString(100), "hello");
  // The row is not held: its value is read, and cannot be written.
  EXPECT_EQ(MessageOf([&] { fetched->LOBAttr("body")->Write("x", 1); }).rfind("ORA-22920", 0), 0u);
  SetNumber(*fetched, "id", 2);
  auto insert = Query("insert into docs values (:d)");
  insert->DeclareVariable("d", otObject);
  insert->SetComplexVariable("d", fetched);
  insert->Execute();
  EXPECT_EQ(Body(2), "hello");
}

TEST_F(LobAttributeWorld, ANewInstancesLobAttributeIsNullAndHasNoLobToWrite) {
  TOracleObject doc(session_.get(), "DOC_T");
  TLOBLocator* body = doc.LOBAttr("body");
  EXPECT_TRUE(body->IsNull());
  EXPECT_EQ(body->Size(), 0);
  EXPECT_EQ(body->AsString(10), "");
  // Asked, the client makes a LOB for the attribute, but the server never
  // gave it a value to write to.
  EXPECT_FALSE(body->IsInit());
  EXPECT_NE(*static_cast<void**>(doc.FindAttribute("body", true)->ValueAddress()), nullptr);
  EXPECT_EQ(MessageOf([&] { body->Write("x", 1); }).rfind("ORA-22275", 0), 0u);
  EXPECT_TRUE(doc.AttributeIsNull("body"));
  // Stored so, the row's body is null.
  SetNumber(doc, "id", 3);
  auto insert = Query("insert into docs values (:d)");
  insert->DeclareVariable("d", otObject);
  insert->SetComplexVariable("d", &doc);
  insert->Execute();
  EXPECT_EQ(Body(3), "<null>");
}

}  // namespace

namespace {

TEST_F(ObjectWorld, WhatCannotBeBoundOrFetchedSaysWhy) {
  auto insert = Query("insert into people values (:p)");
  insert->DeclareVariable("p", Oracle::otObject);
  EXPECT_EQ(MessageOf([&] { insert->Execute(); }), "Object variable :P cannot be nil");
  insert->DeclareVariable("p", Oracle::otReference);
  TOracleObject person(session_.get(), "PERSON_T");
  EXPECT_EQ(MessageOf([&] { insert->SetComplexVariable("p", &person); }),
            "Assign TOracleReference instance to variable :P");

  auto older = Scott(true);
  older->LogOn();
  TOracleQuery select(nullptr);
  select.SetSession(older.get());
  select.SQL()->SetText("select value(p) from people p");
  EXPECT_EQ(MessageOf([&] { select.Execute(); }),
            "A query with objects requires OCI8 mode, but OCI7 mode is used.");
  EXPECT_EQ(select.FieldCount(), 0);
}

}  // namespace
