// CLOB, BLOB, LONG and LONG RAW columns in the Oracle dataset: their field
// types, values read whole into each record's blobs (text, bytes with
// zeros, values larger than a fetch piece), blob streams over them, and
// empty and null values.
#include <gtest/gtest.h>

#include "DataSetTestSupport.h"
#include "LobTestSupport.h"
#include "platform/data/BlobFields.h"

namespace {

using namespace Oracle;

class DataSetLob : public DataSetWorld {
 protected:
  void SetUp() override {
    DataSetWorld::SetUp();
    Fixture(
        "create table docs (id number(5), c clob, b blob);\n"
        "insert into docs (id, c, b) values (2, empty_clob(), empty_blob());\n"
        "insert into docs (id) values (3);\n"
        "insert into docs (id, c) values (4, 'Kind of Blue \xc2\xb7 Miles');\n");
    // Row 1: a text and bytes of several read chunks, the bytes with zeros.
    TOracleQuery insert(nullptr);
    insert.SetSession(session_.get());
    insert.SQL()->SetText(
        "insert into docs (id, c, b) values (1, empty_clob(), empty_blob()) returning c, b "
        "into :c, :b");
    TLOBLocator text(session_.get(), otCLOB), bytes(session_.get(), otBLOB);
    insert.DeclareVariable("c", otCLOB);
    insert.SetComplexVariable("c", &text);
    insert.DeclareVariable("b", otBLOB);
    insert.SetComplexVariable("b", &bytes);
    insert.Execute();
    text.WriteBuffer(BigText().data(), Int64(BigText().size()));
    bytes.WriteBuffer(BigBytes().data(), Int64(BigBytes().size()));
    session_->Commit();
  }
  static String BigText() { return Pattern(70000, false); }
  static String BigBytes() { return Pattern(40000, true); }
  TBlobField* Blob(const char* name) {
    return dynamic_cast<TBlobField*>(data_set_->FieldByName(name));
  }
  // Everything a read stream over the field gives, read in small chunks.
  String Streamed(TField* field) {
    std::unique_ptr<TStream> stream = data_set_->CreateBlobStream(field, bmRead);
    String all;
    char chunk[1000];
    for (Int64 n; (n = stream->Read(chunk, sizeof chunk)) > 0;) all.append(chunk, std::size_t(n));
    return all;
  }
};

TEST_F(DataSetLob, LobColumnsBecomeOracleBlobFields) {
  Open("select id, c, b from docs order by id");
  struct Case {
    const char* name;
    TFieldType type;
    bool memo;
  };
  for (const Case& c : {Case{"C", ftOraClob, true}, Case{"B", ftOraBlob, false}}) {
    SCOPED_TRACE(c.name);
    TBlobField* field = Blob(c.name);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->DataType(), c.type);
    EXPECT_EQ(dynamic_cast<TMemoField*>(field) != nullptr, c.memo);
    EXPECT_EQ(field->Size(), 0);
    EXPECT_TRUE(field->IsBlob());
  }
}

TEST_F(DataSetLob, EveryRowKeepsItsWholeValue) {
  data_set_->SetReadBuffer(2);
  data_set_->SetQueryAllRecords(false);
  Open("select id, c, b from docs order by id");
  EXPECT_EQ(Blob("C")->AsString(), BigText());
  EXPECT_EQ(Blob("B")->AsBytes(), BigBytes());
  EXPECT_EQ(Streamed(Blob("B")), BigBytes());
  EXPECT_EQ(data_set_->CreateBlobStream(Blob("C"), bmRead)->Size(), 70000);
  data_set_->Next();
  // An empty LOB holds no bytes and reads as null, as a null one does.
  EXPECT_TRUE(Blob("C")->IsNull());
  EXPECT_TRUE(Blob("B")->IsNull());
  EXPECT_EQ(Blob("C")->AsString(), "");
  data_set_->Next();
  EXPECT_TRUE(Blob("C")->IsNull());
  EXPECT_EQ(Streamed(Blob("B")), "");
  data_set_->Next();
  EXPECT_EQ(Blob("C")->AsString(), "Kind of Blue \xc2\xb7 Miles");
  // Back to the first row after later blocks replaced the fetched locators.
  data_set_->First();
  EXPECT_EQ(Blob("C")->AsString().size(), 70000u);
  EXPECT_EQ(Blob("B")->AsBytes(), BigBytes());
}

TEST_F(DataSetLob, LongAndLongRawValuesAreReadWhole) {
  Fixture(
      "create table notes (id number(5), body long);\n"
      "insert into notes values (1, '" +
      Pattern(70000, false) +
      "');\n"
      "insert into notes values (2, 'short');\n"
      "create table raws (id number(3), data long raw);\n");
  TOracleQuery insert(nullptr);
  insert.SetSession(session_.get());
  insert.SQL()->SetText("insert into raws values (1, :data)");
  insert.DeclareVariable("data", otLongRaw);
  const String bytes = Pattern(50000, true);
  insert.SetVariable("data", VarByteArray(bytes.data(), Integer(bytes.size())));
  insert.Execute();
  Open("select body from notes order by id");
  EXPECT_EQ(data_set_->Fields(0)->DataType(), ftMemo);
  EXPECT_EQ(data_set_->Fields(0)->AsString(), Pattern(70000, false));
  data_set_->Next();
  EXPECT_EQ(data_set_->Fields(0)->AsString(), "short");
  data_set_->Close();
  Open("select data from raws");
  EXPECT_EQ(Blob("DATA")->DataType(), ftBlob);
  EXPECT_EQ(Blob("DATA")->AsBytes(), bytes);
  EXPECT_EQ(Streamed(Blob("DATA")), bytes);
}

TEST_F(DataSetLob, TextsOfLobColumnsCanBeFilteredAndSearched) {
  Open("select id, c from docs order by id");
  EXPECT_TRUE(data_set_->Locate("C", "Kind of Blue \xc2\xb7 Miles", {}));
  EXPECT_EQ(data_set_->FieldByName("ID")->AsInteger(), 4);
}

}  // namespace
