// LOB columns of a select list: one descriptor per row of the block, read
// and (for rows locked by the select) written through the column's locator,
// and LOB values as Field gives them.
#include <gtest/gtest.h>

#include "LobTestSupport.h"

namespace {

using namespace Oracle;

class LobColumns : public LobWorld {};

INSTANTIATE_TEST_SUITE_P(Generations, LobColumns, ::testing::Values(false), HandleGeneration);

TEST_P(LobColumns, FieldGivesTextBytesOrNothing) {
  Text("select id, c, b from docs order by id");
  query_->Execute();
  EXPECT_EQ(query_->FieldType(1), otCLOB);
  EXPECT_EQ(query_->FieldType(2), otBLOB);
  EXPECT_EQ(query_->Field("c").AsString(), "first text");
  EXPECT_EQ(query_->LOBField("c")->Size(), 10);
  query_->Next();
  // An empty LOB is no value, though the column is not null.
  EXPECT_FALSE(query_->FieldIsNull(1));
  EXPECT_TRUE(query_->Field(1).IsEmpty());
  EXPECT_TRUE(query_->Field(2).IsEmpty());
  query_->Next();
  EXPECT_TRUE(query_->FieldIsNull(1));
  EXPECT_TRUE(query_->LOBField(1)->IsNull());
  EXPECT_EQ(query_->LOBField(1)->Size(), 0);
  session_->SetNullValue(nvNull);
  EXPECT_TRUE(query_->Field(1).IsNull());
  EXPECT_EQ(MessageOf([&] { query_->LOBField(0); }), "Field ID is not a LOB");
}

TEST_P(LobColumns, EveryRowOfABlockHasItsOwnValueAndMovingRewinds) {
  String script;
  for (int id = 100; id < 160; ++id)
    script +=
        "insert into docs (id, c) values (" + IntToStr(id) + ", 'row " + IntToStr(id) + "');\n";
  Fixture(script);
  Text("select c from docs where id >= 100 order by id");
  query_->SetReadBuffer(25);
  query_->Execute();
  TLOBLocator* lob = query_->LOBField(0);
  for (int id = 100; id < 160; ++id) {
    ASSERT_FALSE(query_->Eof()) << id;
    EXPECT_EQ(lob->Position(), 0) << id;
    EXPECT_EQ(lob->AsString(20), "row " + IntToStr(id));
    query_->Next();
  }
  EXPECT_TRUE(query_->Eof());
}

TEST_P(LobColumns, ARowLockedByTheSelectIsWrittenThroughTheColumn) {
  Text("select c from docs where id = 1 for update");
  query_->Execute();
  TLOBLocator* lob = query_->LOBField(0);
  lob->Seek(0, soFromEnd);
  Write(*lob, " and more");
  EXPECT_EQ(Stored(otCLOB, 1), "first text and more");
  lob->SetSize(5);
  EXPECT_EQ(Stored(otCLOB, 1), "first");
}

TEST_P(LobColumns, ARowReadWithoutLockIsNotWritten) {
  Text("select c from docs where id = 1");
  query_->Execute();
  try {
    Write(*query_->LOBField(0), "x");
    ADD_FAILURE() << "an unlocked row was written";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 22920);
  }
  EXPECT_EQ(Stored(otCLOB, 1), "first text");
}

TEST_P(LobColumns, TheOlderGenerationCannotFetchThem) {
  auto older = Scott(true);
  older->LogOn();
  query_->SetSession(older.get());
  Text("select id, c from docs");
  EXPECT_EQ(MessageOf([&] { query_->Execute(); }),
            "A query with LOB's requires OCI8 mode, but OCI7 mode is used.");
  EXPECT_EQ(query_->FieldCount(), 0);
  query_->SetSession(session_.get());
}

}  // namespace
