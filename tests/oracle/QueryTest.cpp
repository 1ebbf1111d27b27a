// The statement component on the stand-in server: binds by name, the
// described select list and its buffers, fetching in blocks, reading fields
// with conversions, DML with rows processed, parse errors with their place
// in the text, and reuse of an unchanged parse.
#include <gtest/gtest.h>

#include "QueryTestSupport.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringUtils.h"

namespace {

using namespace Oracle;

INSTANTIATE_TEST_SUITE_P(Generations, QueryWorld, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OCI7" : "OCI8"; });

TEST_P(QueryWorld, SelectsWithAVariableBoundByName) {
  Text("select title, id from cds where id = :id");
  query_->DeclareVariable("id", otInteger);
  EXPECT_EQ(query_->VariableName(0), ":ID");
  EXPECT_EQ(query_->VariableIndex(":id"), 0);
  query_->SetVariable("Id", 2);
  query_->Execute();
  EXPECT_EQ(query_->SQLType(), 4);
  ASSERT_FALSE(query_->Eof());
  EXPECT_EQ(query_->FieldAsString("title"), "Kind of Blue");
  EXPECT_EQ(query_->FieldAsInteger(1), 2);
  query_->Next();
  EXPECT_TRUE(query_->Eof());

  query_->SetVariable(":ID", 1);
  query_->Execute();
  EXPECT_EQ(query_->FieldAsString(0), "Blue Train");
  EXPECT_EQ(query_->GetVariable("id").AsInteger(), 1);
}

TEST_P(QueryWorld, DescribesEachColumnIntoItsBuffer) {
  struct Case {
    const char* name;
    Integer db_type, buffer_type, size, precision, scale;
    bool optional;
  };
  const Case cases[] = {
      {"ID", 2, otInteger, 0, 5, 0, false},  {"TITLE", 1, otString, 40, 0, 0, true},
      {"PRICE", 2, otFloat, 0, 8, 2, true},  {"RELEASED", 12, otDate, 0, 0, 0, true},
      {"CODE", 96, otString, 3, 0, 0, true}, {"WEIGHT", 2, otFloat, 0, 126, -127, true},
      {"BIG", 2, otFloat, 0, 12, 0, true},   {"WHOLE", 2, otFloat, 0, 0, 0, true},
  };
  Text("select * from cds");
  query_->Describe();
  EXPECT_TRUE(query_->Eof());
  ASSERT_EQ(query_->FieldCount(), Integer(std::size(cases)));
  for (Integer i = 0; i < query_->FieldCount(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(query_->FieldName(i), c.name);
    EXPECT_EQ(query_->FieldIndex(AnsiLowerCase(c.name)), i);
    EXPECT_EQ(query_->FieldDBType(i), c.db_type);
    EXPECT_EQ(query_->FieldType(i), c.buffer_type);
    EXPECT_EQ(query_->FieldSize(i), c.size);
    EXPECT_EQ(query_->FieldPrecision(i), c.precision);
    EXPECT_EQ(query_->FieldScale(i), c.scale);
    EXPECT_EQ(query_->FieldOptional(i), c.optional);
  }
  EXPECT_THROW(query_->FieldAsString(0), Exception);  // described only: no row
}

TEST_P(QueryWorld, NumbersFollowTheSessionsPrecisions) {
  Text("select big, price, weight from cds");
  session_->Preferences()->SetFloatPrecision(10);
  query_->Describe();
  EXPECT_EQ(query_->FieldType(0), otString);
  EXPECT_EQ(query_->FieldSize(0), 13);  // 12 digits and a sign
  EXPECT_EQ(query_->FieldType(1), otFloat);
  EXPECT_EQ(query_->FieldSize(2), 172);  // FLOAT as text

  // Strings only: numbers and dates come as text, and the change forgets
  // the earlier description.
  query_->SetStringFieldsOnly(true);
  Text("select id, released from cds where id = 1");
  query_->Execute();
  EXPECT_EQ(query_->FieldType(0), otString);
  EXPECT_EQ(query_->FieldType(1), otString);
  EXPECT_EQ(query_->FieldAsInteger(0), 1);
}

TEST_P(QueryWorld, NextFetchesBlockAfterBlock) {
  struct Case {
    int rows, read_buffer;
  };
  for (const Case c : {Case{60, 25}, Case{25, 25}, Case{3, 1}, Case{0, 25}}) {
    SCOPED_TRACE(testing::Message() << c.rows << " rows by " << c.read_buffer);
    Fixture("delete from numbers;");
    Numbers(c.rows);
    int after = 0;
    query_->AfterQuery = [&](TOracleQuery*) { ++after; };
    query_->SetReadBuffer(c.read_buffer);
    Text("select n from numbers order by n");
    query_->Close();  // a fresh description for the new block size
    query_->Execute();
    int seen = 0;
    while (!query_->Eof()) {
      ++seen;
      EXPECT_EQ(query_->FieldAsInteger("N"), seen);
      EXPECT_EQ(after, 0);
      query_->Next();
    }
    EXPECT_EQ(seen, c.rows);
    EXPECT_EQ(query_->RowsProcessed(), c.rows);
    EXPECT_EQ(after, 1);
  }
  query_->SetReadBuffer(0);
  EXPECT_EQ(query_->ReadBuffer(), 1);
}

TEST_P(QueryWorld, ReadsFieldsWithConversions) {
  Text("select * from cds order by id");
  query_->Execute();
  EXPECT_EQ(query_->FieldAsInteger("weight"), -2);  // toward zero
  EXPECT_DOUBLE_EQ(query_->FieldAsFloat("weight"), -2.7);
  EXPECT_DOUBLE_EQ(query_->FieldAsFloat("price"), 12.5);
  EXPECT_EQ(query_->FieldAsString("price"), "12.5");
  EXPECT_EQ(query_->FieldAsString("id"), "1");
  EXPECT_EQ(query_->FieldAsString("code"), "BN1");
  EXPECT_DOUBLE_EQ(query_->FieldAsFloat("big"), 123456789012.0);
  const TDateTime released = EncodeDate(1958, 1, 15);
  EXPECT_DOUBLE_EQ(query_->FieldAsDate("released"), released);
  EXPECT_EQ(query_->FieldAsInteger("released"), Integer(released));
  EXPECT_EQ(query_->FieldAsString("released"), FormatDateTime("ddddd", released));
  EXPECT_EQ(query_->Field("title").AsString(), "Blue Train");
  EXPECT_EQ(query_->Field(0).AsInteger(), 1);
  EXPECT_THROW(query_->FieldAsDate("title"), Exception);

  query_->Next();
  EXPECT_TRUE(query_->FieldIsNull("price"));
  EXPECT_FALSE(query_->FieldIsNull("title"));
  EXPECT_EQ(query_->FieldAsString("price"), "");
  EXPECT_EQ(query_->FieldAsInteger("released"), 0);
  EXPECT_TRUE(query_->Field("price").IsEmpty());
  session_->SetNullValue(nvNull);
  EXPECT_TRUE(query_->Field("price").IsNull());

  const auto message = [&](auto read) {
    try {
      read();
    } catch (const Exception& e) {
      return e.Message();
    }
    return String("no error");
  };
  EXPECT_EQ(message([&] { query_->FieldAsString("nosuch"); }), "Field nosuch does not exist");
  EXPECT_EQ(message([&] { query_->FieldName(8); }), "Field 8 does not exist");
  query_->Next();
  ASSERT_TRUE(query_->Eof());
  EXPECT_EQ(message([&] { query_->FieldAsString(0); }), "You cannot access field data beyond Eof");
  EXPECT_EQ(query_->FieldName(1), "TITLE");  // the description stays
}

TEST_P(QueryWorld, InsertsAndReportsRowsProcessed) {
  Text("insert into numbers (n) values (:n)");
  query_->DeclareVariable("n", otInteger);
  query_->SetVariable("n", 41);
  int before = 0, after = 0;
  query_->BeforeQuery = [&](TOracleQuery*) { ++before; };
  query_->AfterQuery = [&](TOracleQuery*) { ++after; };
  query_->Execute();
  EXPECT_EQ(query_->SQLType(), 3);
  EXPECT_EQ(query_->RowsProcessed(), 1);
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  EXPECT_EQ(query_->ExecuteArray(0, 0), 0);  // nothing to run, no events
  EXPECT_EQ(before, 1);

  // Every row of a bound array in one execution.
  query_->SetVariable("n", VarArrayOf({Variant(1), Variant(2), Variant(3)}));
  EXPECT_EQ(query_->ExecuteArray(-1, -1), 3);
  // A range past the bound rows would have the client read beyond them.
  EXPECT_THROW(query_->ExecuteArray(2, 5), ERangeError);
  EXPECT_THROW(query_->ExecuteArray(-3, 2), ERangeError);
  EXPECT_EQ(One(*session_, "select count(*) from numbers"), "4");

  Text("update numbers set n = n + 1 where n < 10");
  query_->ClearVariables();
  query_->Execute();
  EXPECT_EQ(query_->SQLType(), 5);
  EXPECT_EQ(query_->RowsProcessed(), 3);
  EXPECT_EQ(One(*session_, "select count(*) from numbers"), "4");
}

TEST_P(QueryWorld, AParseErrorTellsLineAndColumn) {
  Text("select title\nfrom cds cds cds");
  int after = 0;
  query_->AfterQuery = [&](TOracleQuery*) { ++after; };
  try {
    query_->Execute();
    FAIL() << "ran a select from a missing table";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 933) << e.Message();  // at the third "cds"
  }
  EXPECT_EQ(query_->ErrorLine(), 2);
  EXPECT_EQ(query_->ErrorPosition(), 14);
  EXPECT_EQ(after, 1);
  EXPECT_FALSE(session_->CallLockHeld());

  // The failed text is not kept: once mended it runs.
  Text("select title\nfrom cds");
  query_->Execute();
  EXPECT_EQ(query_->ErrorLine(), 0);
  EXPECT_FALSE(query_->Eof());
}

TEST_P(QueryWorld, AnUnchangedStatementKeepsItsParse) {
  Text("select title from cds where id = :id");
  query_->DeclareVariable("id", otInteger);
  query_->SetVariable("id", 1);
  query_->Execute();
  query_->SetVariable("id", 2);
  query_->Execute();
  EXPECT_EQ(query_->ParseCount(), 1);
  EXPECT_EQ(query_->FieldAsString(0), "Kind of Blue");
  EXPECT_EQ(Executions("select title from cds where id = :id\n"), 2);

  query_->SetOptimize(false);
  query_->Execute();
  EXPECT_EQ(query_->ParseCount(), 2);
  query_->SetOptimize(true);

  // DDL runs again each time: its second run meets the table it made.
  query_->ClearVariables();
  Text("create table extra (n number)");
  query_->Execute();
  EXPECT_THROW(query_->Execute(), EOracleError);
  EXPECT_EQ(query_->ParseCount(), 4);
}

TEST_P(QueryWorld, SubstitutesTextVariables) {
  Text("select title from cds order by :ord desc");
  query_->DeclareVariable("ord", otSubst);
  query_->SetVariable("ord", "id");
  EXPECT_EQ(query_->SQLWithSubstitutions(), "select title from cds order by id desc\n");
  query_->Execute();
  EXPECT_EQ(query_->FieldAsString(0), "Kind of Blue");
  EXPECT_THROW(query_->SetVariable("ord", VarArrayOf({Variant(1)})), Exception);
}

TEST_P(QueryWorld, RefusesFaultyVariables) {
  const auto message = [&](auto action) {
    try {
      action();
    } catch (const Exception& e) {
      return e.Message();
    }
    return String("no error");
  };
  EXPECT_EQ(message([&] { query_->DeclareVariable("x", 2); }), "Unsupported variable type");
  EXPECT_EQ(query_->VariableCount(), 0);
  EXPECT_EQ(message([&] { query_->DeclareVariable("", otInteger); }),
            "You cannot declare a variable with an empty name");
  EXPECT_EQ(message([&] { query_->SetVariable("y", 1); }), "Variable y not declared");
  EXPECT_EQ(message([&] { query_->GetVariable("y"); }), "Unknown variable: y");
  EXPECT_EQ(message([&] { query_->VariableName(3); }), "Variable 3 does not exist");
  EXPECT_EQ(message([&] { query_->DeleteVariable("y"); }), "Variable y not declared");

  Text("insert into numbers values (:a + :b)");
  query_->DeclareVariable("a", otInteger);
  query_->DeclareVariable("b", otInteger);
  query_->SetVariable("a", VarArrayOf({Variant(1), Variant(2), Variant(3)}));
  query_->SetVariable("b", VarArrayOf({Variant(1), Variant(2), Variant(3), Variant(4)}));
  EXPECT_EQ(message([&] { query_->Execute(); }), "All arrays must be of equal size for Array DML");
  query_->DeleteVariable(":A");
  EXPECT_EQ(query_->VariableIndex("b"), 0);

  TOracleQuery lonely(nullptr);
  EXPECT_EQ(message([&] { lonely.Execute(); }), "Session undefined");
}

}  // namespace
