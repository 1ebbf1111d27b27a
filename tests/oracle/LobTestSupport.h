// tests/oracle/LobTestSupport.h
//
// A session of SCOTT with a table of CLOB, BLOB and BFILE columns, and
// helpers that write and read LOB values, for the LOB locator's and the
// query's LOB tests.
#pragma once

#include <gtest/gtest.h>

#include "QueryTestSupport.h"
#include "oracle/LOBLocator.h"

// Bytes that show a chunk in the wrong place: a mark every hundred bytes,
// and zero bytes too for a BLOB.
inline String Pattern(int size, bool binary) {
  String bytes;
  for (int i = 0; bytes.size() < std::size_t(size); ++i)
    bytes += Format("%05d", i) + String(95, binary ? char(i % 7) : char('a' + i % 26));
  bytes.resize(std::size_t(size));
  return bytes;
}

// Runs in the handle generation only (the parameter is always false): the
// older one has no LOB locators.
class LobWorld : public QueryWorld {
 protected:
  void SetUp() override {
    QueryWorld::SetUp();
    Fixture(
        "create table docs (id number(5), c clob, b blob, f bfile);\n"
        "insert into docs (id, c) values (1, 'first text');\n"
        "insert into docs (id, c, b) values (2, empty_clob(), empty_blob());\n"
        "insert into docs (id) values (3);\n");
  }

  static String Column(Integer type) { return type == Oracle::otCLOB ? "c" : "b"; }
  static String EmptyValue(Integer type) {
    return type == Oracle::otCLOB ? "empty_clob()" : "empty_blob()";
  }

  // A locator for the empty CLOB or BLOB of a new row `id`, as an insert
  // returns it.
  std::unique_ptr<TLOBLocator> NewRow(Integer type, int id) {
    auto lob = std::make_unique<TLOBLocator>(session_.get(), type);
    TOracleQuery insert(nullptr);
    insert.SetSession(session_.get());
    insert.SQL()->SetText("insert into docs (id, " + Column(type) + ") values (:id, " +
                          EmptyValue(type) + ") returning " + Column(type) + " into :lob");
    insert.DeclareVariable("id", Oracle::otInteger);
    insert.SetVariable("id", id);
    insert.DeclareVariable("lob", type);
    insert.SetComplexVariable("lob", lob.get());
    insert.Execute();
    return lob;
  }
  static void Write(TLOBLocator& lob, const String& bytes) {
    lob.WriteBuffer(bytes.data(), Int64(bytes.size()));
  }
  // Everything from the position on, read in chunks of `chunk` bytes.
  static String ReadAll(TLOBLocator& lob, Int64 chunk) {
    String bytes;
    String buffer(std::size_t(chunk), '\0');
    for (Int64 read; (read = lob.Read(buffer.data(), chunk)) > 0;)
      bytes.append(buffer.data(), std::size_t(read));
    return bytes;
  }
  // The column of row `id` as a query reads it: the text of a CLOB, the
  // bytes of a BLOB, "<empty>" for Unassigned.
  String Stored(Integer type, int id) {
    TOracleQuery select(nullptr);
    select.SetSession(session_.get());
    select.SQL()->SetText("select " + Column(type) + " from docs where id = " + IntToStr(id));
    select.Execute();
    if (select.Eof()) return "<no row>";
    const Variant value = select.Field(0);
    if (value.IsEmpty()) return "<empty>";
    if (type == Oracle::otCLOB) return value.AsString();
    String bytes;
    for (Integer i = VarArrayLowBound(value, 1); i <= VarArrayHighBound(value, 1); ++i)
      bytes += char(VarArrayGet(value, {i}).AsInteger());
    return bytes;
  }
};

// The handle generation alone, named as the other query tests name it.
inline std::string HandleGeneration(const ::testing::TestParamInfo<bool>&) {
  return "OCI8";
}
