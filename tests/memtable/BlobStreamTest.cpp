// tests/memtable/BlobStreamTest.cpp
//
// Blob fields of a memory table read and written as streams.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "memtable/BlobStream.h"

namespace {

class BlobStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    table = std::make_unique<TvomMemTable>(nullptr);
    table->FieldDefs()->Add("Id", ftInteger);
    table->FieldDefs()->Add("Data", ftBlob);
    table->Open();
  }
  TBlobField* Data() { return static_cast<TBlobField*>(table->FieldByName("Data")); }
  void AddRow(Integer id, const String& bytes) {
    table->Append();
    table->FieldByName("Id")->SetAsInteger(id);
    if (!bytes.empty()) Data()->SetAsBytes(bytes);
    table->Post();
  }
  std::unique_ptr<TvomMemTable> table;
};

String ReadAll(TStream& stream) {
  String bytes(static_cast<std::size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return bytes;
}

}  // namespace

TEST_F(BlobStreams, WrittenValueIsStoredWhenTheStreamIsFreedAndPosted) {
  table->Append();
  {
    auto stream = table->CreateBlobStream(Data(), bmWrite);
    stream->WriteBuffer("\x01\x00\x02", 3);
  }
  EXPECT_TRUE(Data()->Modified());
  table->Post();
  table->First();
  auto stream = table->CreateBlobStream(Data(), bmRead);
  EXPECT_EQ(ReadAll(*stream), String("\x01\x00\x02", 3));
  EXPECT_EQ(stream->Position(), 3);
}

TEST_F(BlobStreams, ReadingAStoredValueWithoutACopyInTheBuffer) {
  AddRow(1, "first");
  AddRow(2, "second");
  table->First();
  EXPECT_EQ(Data()->AsBytes(), "first");
  table->Next();
  EXPECT_EQ(Data()->AsString(), "second");
}

TEST_F(BlobStreams, WritingNothingLeavesTheFieldNull) {
  AddRow(1, "value");
  table->Edit();
  { auto stream = table->CreateBlobStream(Data(), bmWrite); }
  table->Post();
  EXPECT_TRUE(Data()->IsNull());
  EXPECT_EQ(Data()->BlobSize(), 0);
}

TEST_F(BlobStreams, ReadWriteStartsFromTheValueAndCountsOnlyWrites) {
  AddRow(1, "abc");
  table->Edit();
  {
    auto stream = table->CreateBlobStream(Data(), bmReadWrite);
    EXPECT_EQ(ReadAll(*stream), "abc");
    EXPECT_FALSE(static_cast<TvomBlobStream&>(*stream).Modified());
    stream->Seek(0, soFromEnd);
    stream->WriteBuffer("d", 1);
  }
  table->Post();
  EXPECT_EQ(Data()->AsBytes(), "abcd");
}

TEST_F(BlobStreams, WritesOutsideEditingOrToReadOnlyFieldsAreRefused) {
  AddRow(1, "abc");
  EXPECT_THROW(table->CreateBlobStream(Data(), bmWrite), EDatabaseError);
  EXPECT_NO_THROW(table->CreateBlobStream(Data(), bmRead));
  table->Edit();
  Data()->SetReadOnly(true);
  EXPECT_THROW(table->CreateBlobStream(Data(), bmReadWrite), EDatabaseError);
  table->SetIgnoreReadOnly(true);
  EXPECT_NO_THROW(table->CreateBlobStream(Data(), bmWrite));
}

TEST_F(BlobStreams, CancelledEditKeepsTheStoredValue) {
  AddRow(1, "keep");
  table->Edit();
  Data()->SetAsBytes("discard");
  table->Cancel();
  EXPECT_EQ(Data()->AsBytes(), "keep");
}

TEST_F(BlobStreams, CompressionHooksStandBetweenStreamAndStore) {
  // The stored form is the value with its bytes in reverse order.
  auto reverse = [](TDataSet*, TStream* source, TStream* destination) {
    String bytes = ReadAll(*source);
    std::reverse(bytes.begin(), bytes.end());
    destination->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  };
  table->OnCompressBlobStream = reverse;
  table->OnDecompressBlobStream = reverse;
  AddRow(1, "abc");
  EXPECT_EQ(Data()->AsBytes(), "abc");
  table->OnDecompressBlobStream = nullptr;
  EXPECT_EQ(Data()->AsBytes(), "cba");
}
