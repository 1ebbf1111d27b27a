// tests/oracle/OracleBlobTest.cpp
#include <gtest/gtest.h>

#include "RecordStoreTestSupport.h"

namespace {

class OracleBlobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    field_ = new TBlobField(&owner_);
    field_->SetFieldName("DATA");
    field_->SetDataSet(&owner_);
    other_ = new TMemoField(&owner_);
    other_->SetFieldName("NOTE");
    other_->SetDataSet(&owner_);
    record_.resize(std::size_t(owner_.record_size));
    for (TBlobList* list : {&stored_, &edited_}) {
      list->Add()->SetField(other_);
      list->Add()->SetField(field_);
    }
    stored_.Items(1)->SetBytes("stored", 6);
    edited_.Items(1)->SetBytes("edited", 6);
    OracleRecord::SetBlobList(record_.data(), &stored_);
    owner_.buffer = record_.data();
    owner_.current_blobs = &edited_;
  }
  void TearDown() override { OracleRecord::SetBlobList(record_.data(), nullptr); }

  String ReadAll(TStream& stream) {
    String text(std::size_t(stream.Size()), '\0');
    stream.SetPosition(0);
    text.resize(std::size_t(stream.Read(text.data(), Int64(text.size()))));
    return text;
  }
  String Bytes(const TOracleBlob* blob) {
    return String(reinterpret_cast<const char*>(blob->Bytes()), std::size_t(blob->Size()));
  }

  TStoreDataSet owner_;
  TBlobField* field_ = nullptr;
  TMemoField* other_ = nullptr;
  std::vector<Byte> record_;
  TBlobList stored_, edited_;
};

TEST_F(OracleBlobTest, ReadingAnUnmodifiedFieldReadsTheStoredValue) {
  TOracleBlobStream stream(field_, bmRead, &owner_);
  EXPECT_EQ("stored", ReadAll(stream));
  field_->SetModified(true);
  TOracleBlobStream edited(field_, bmRead, &owner_);
  EXPECT_EQ("edited", ReadAll(edited));
}

TEST_F(OracleBlobTest, WritingNeedsEditOrInsertState) {
  owner_.ForceState(dsBrowse);
  try {
    TOracleBlobStream stream(field_, bmReadWrite, &owner_);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(String::npos, e.Message().find("Набор данных (Dataset) не в режиме"));
  }
  owner_.ForceState(dsEdit);
  EXPECT_NO_THROW({ TOracleBlobStream stream(field_, bmReadWrite, &owner_); });
}

TEST_F(OracleBlobTest, OpeningForWritingEmptiesTheValueAtOnceAndReportsTheChange) {
  owner_.ForceState(dsInsert);
  {
    TOracleBlobStream stream(field_, bmWrite, &owner_);
    EXPECT_EQ(0, edited_.Items(1)->Size());
    EXPECT_EQ(nullptr, edited_.Items(1)->Bytes());
    EXPECT_EQ(5, stream.Write("hello", 5));
  }
  EXPECT_EQ("hello", Bytes(edited_.Items(1)));
  EXPECT_TRUE(field_->Modified());
  EXPECT_EQ(std::vector<TField*>{field_}, owner_.changed);
  EXPECT_EQ("stored", Bytes(stored_.Items(1)));
}

TEST_F(OracleBlobTest, ReadingOnlyReportsNothing) {
  { TOracleBlobStream stream(field_, bmRead, &owner_); }
  EXPECT_FALSE(field_->Modified());
  EXPECT_TRUE(owner_.changed.empty());
}

TEST_F(OracleBlobTest, SeekRefusesNegativePositionsAndAllowsPastTheEnd) {
  owner_.ForceState(dsEdit);
  TOracleBlobStream stream(field_, bmReadWrite, &owner_);
  EXPECT_THROW(stream.Seek(-1, soFromBeginning), EStreamError);
  EXPECT_THROW(stream.Seek(-7, soFromEnd), EStreamError);
  EXPECT_EQ(0, stream.Position());  // a refused seek leaves the position
  EXPECT_EQ(4, stream.Seek(-2, soFromEnd));
  EXPECT_EQ(10, stream.Seek(6, soFromCurrent));
  char buffer[8] = {};
  EXPECT_EQ(0, stream.Read(buffer, 8));  // past the end: nothing, no huge copy
  EXPECT_EQ(2, stream.Write("XY", 2));   // grows with zeros up to the write
  EXPECT_EQ(String("edited\0\0\0\0XY", 12), Bytes(edited_.Items(1)));
  EXPECT_EQ(12, stream.Size());
}

TEST_F(OracleBlobTest, ReadsAreCutAtTheEnd) {
  TOracleBlobStream stream(field_, bmRead, &owner_);
  char buffer[16] = {};
  stream.Seek(4, soFromBeginning);
  EXPECT_EQ(2, stream.Read(buffer, 16));
  EXPECT_EQ("ed", String(buffer, 2));
  EXPECT_EQ(6, stream.Position());
}

TEST_F(OracleBlobTest, WithoutRecordOrBlobTheStreamStaysClosed) {
  owner_.ForceState(dsEdit);
  OracleRecord::SetBlobList(record_.data(), nullptr);
  TOracleBlobStream noList(field_, bmRead, &owner_);
  EXPECT_FALSE(noList.Opened());
  EXPECT_EQ(0, noList.Size());
  owner_.buffer = nullptr;
  TOracleBlobStream noRecord(field_, bmWrite, &owner_);
  EXPECT_FALSE(noRecord.Opened());
  EXPECT_EQ(0, noRecord.Write("x", 1));
  char c;
  EXPECT_EQ(0, noRecord.Read(&c, 1));
}

TEST_F(OracleBlobTest, CopyDuplicatesEveryBlob) {
  TBlobList copy;
  copy.Add();  // replaced
  TBlobList::Copy(&copy, &stored_);
  ASSERT_EQ(2, copy.Count());
  EXPECT_EQ(field_, copy.Items(1)->Field());
  EXPECT_EQ("stored", Bytes(copy.Items(1)));
  EXPECT_NE(stored_.Items(1)->Bytes(), copy.Items(1)->Bytes());
  EXPECT_EQ(0, copy.Items(0)->Size());
  EXPECT_EQ(copy.Items(1), copy.BlobByField(field_));
  EXPECT_EQ(nullptr, copy.BlobByField(nullptr));
}

}  // namespace
