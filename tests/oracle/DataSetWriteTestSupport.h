// tests/oracle/DataSetWriteTestSupport.h
//
// The Oracle dataset over the numbered rows with its rowid, and a second
// session of the same user that changes, deletes and locks rows behind the
// dataset's back and sees only what was committed.
#pragma once

#include <gtest/gtest.h>

#include "DataSetTestSupport.h"
#include "QueryTestSupport.h"
#include "platform/data/DataMessages.h"

class DataSetWriteWorld : public DataSetWorld {
 protected:
  void SetUp() override {
    DataSetWorld::SetUp();
    other_ = Scott();
    other_->LogOn();
  }
  void TearDown() override {
    other_.reset();
    DataSetWorld::TearDown();
  }

  // The first rows with their rowid, fetched at once.
  void OpenRows(Integer last = 5) {
    Open("select rowid, r.* from rows r where id <= " + IntToStr(last) + " order by id");
  }
  // Runs a statement on the other session (committed unless told not to).
  void Other(const String& sql, bool commit = true) {
    TOracleQuery query(nullptr);
    query.SetSession(other_.get());
    query.SQL()->SetText(sql);
    query.Execute();
    if (commit) other_->Commit();
  }
  // What the other session reads of the first column ("<none>": no row).
  String Seen(const String& sql) { return One(*other_, sql); }
  String NameSeen(int id) { return Seen("select name from rows where id = " + IntToStr(id)); }
  TField* Field(const char* name) { return data_set_->FieldByName(name); }
  // The statements the server ran from the given log position on.
  std::vector<String> StatementsSince(std::size_t from) {
    std::vector<String> all = StatementLog();
    return {all.begin() + std::ptrdiff_t(std::min(from, all.size())), all.end()};
  }
  // The statements that start with `word` (case-insensitive) since `from`,
  // as the server received them (line breaks without CR).
  std::vector<String> Only(const String& word, std::size_t from) {
    std::vector<String> found;
    for (const String& text : StatementsSince(from))
      if (AnsiUpperCase(text.substr(0, word.size())) == AnsiUpperCase(word))
        found.push_back(TrimRight(text));
    return found;
  }
  std::size_t LogSize() { return StatementLog().size(); }
  void SetName(const String& name) {
    data_set_->Edit();
    Field("NAME")->SetAsString(name);
    data_set_->Post();
  }

  std::unique_ptr<TOracleSession> other_;
};

// The same with a table of a CLOB and a BLOB column.
class DataSetLobWorld : public DataSetWriteWorld {
 protected:
  void SetUp() override {
    DataSetWriteWorld::SetUp();
    Fixture(
        "create table docs (id number(5), c clob, b blob);\n"
        "insert into docs (id, c) values (1, 'first text');\n");
  }
  // The stored value as it is, line breaks unconverted.
  String Stored(const String& column, int id) {
    other_->Preferences()->SetConvertCRLF(false);
    TOracleQuery select(nullptr);
    select.SetSession(other_.get());
    select.SQL()->SetText("select " + column + " from docs where id = " + IntToStr(id));
    select.Execute();
    if (select.Eof()) return "<no row>";
    const Variant value = select.Field(0);
    if (value.IsNull() || value.IsEmpty()) return "<null>";
    if (!value.IsArray()) return value.AsString();
    return String(reinterpret_cast<const char*>(VarArrayBytes(value)),
                  std::size_t(VarArrayHighBound(value, 1) + 1));
  }
};
