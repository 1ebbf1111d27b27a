// tests/memtable/FormDataTest.cpp
//
// A table's records stored with its form: the binary property "Data",
// written through the table's FormFormat and loaded when the table opens;
// and the formats' own published properties in a stored form.
#include <gtest/gtest.h>

#include "FormatTestSupport.h"
#include "memtable/BinaryStreamFormat.h"
#include "memtable/CsvStreamFormat.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

namespace {

using namespace std::string_literals;

// The property name as stored definitions hold it, then the binary tag.
const String kDataProperty =
    "\x04"
    "Data\x0a"s;

// A closed table with one string field whose FormFormat is `format`.
std::unique_ptr<TvomMemTable> FormTable(TvomCustomStreamFormat& format) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  table->FieldDefs()->Add("Name", ftString, 10);
  table->SetFormFormat(&format);
  return table;
}

// What the table declares of itself besides its published properties.
String DefinedProperties(TvomCustomMemTable& table) {
  TStringStream stream;
  TWriter writer(&stream, 4096);
  table.DefineProperties(&writer);
  writer.FlushBuffer();
  return stream.DataString();
}

template <class Format>
void StoredWithTheFormAndReadBack() {
  Format format(nullptr);
  auto saved = FormTable(format);
  saved->Open();
  for (const char* name : {"one", "two", "three"}) AddTextRow(*saved, {name});
  saved->SetStoreDataOnForm(true);
  const String bytes = DefinedProperties(*saved);
  ASSERT_EQ(kDataProperty, bytes.substr(0, kDataProperty.size()));

  auto read = FormTable(format);
  TStringStream stream(bytes);
  TReader reader(&stream, 4096);
  reader.ReadProperty(read.get());
  EXPECT_FALSE(read->Active());
  ASSERT_TRUE(read->FormData() != nullptr);
  read->Open();
  EXPECT_EQ((std::vector<String>{"one", "two", "three"}), Column(*read, "Name"));
  EXPECT_TRUE(read->FormData() == nullptr);
}

TEST(FormData, TableStoredWithItsFormThroughCsvLoadsWhenOpened) {
  StoredWithTheFormAndReadBack<TvomCSVStreamFormat>();
}

TEST(FormData, TableStoredWithItsFormThroughBinaryLoadsWhenOpened) {
  StoredWithTheFormAndReadBack<TvomBinaryStreamFormat>();
}

TEST(FormData, NothingIsStoredUnlessAskedForAndOpen) {
  TvomCSVStreamFormat format(nullptr);
  auto table = FormTable(format);
  table->SetStoreDataOnForm(true);
  EXPECT_EQ("", DefinedProperties(*table));
  table->SetStoreDataOnForm(false);
  table->Open();
  AddTextRow(*table, {"x"});
  EXPECT_EQ("", DefinedProperties(*table));
}

// A form holding one format "Fmt", written and read as a whole.
template <class Format>
struct FormatForm {
  FormatForm() {
    root.SetName("Form1");
    format = new Format(&root);
    format->SetName("Fmt");
  }
  String Written() {
    TStringStream stream;
    TWriter writer(&stream, 4096);
    writer.WriteRootComponent(&root);
    writer.FlushBuffer();
    return stream.DataString();
  }
  void Read(const String& bytes) {
    TStringStream stream(bytes);
    TReader reader(&stream, 4096);
    reader.ReadRootComponent(&root);
  }
  TComponent root{nullptr};
  Format* format;
};

TEST(FormData, FormatPropertiesTravelWithTheForm) {
  DeclareCsvStreamFormatProperties();
  DeclareBinaryStreamFormatProperties();
  FormatForm<TvomCSVStreamFormat> csv;
  csv.format->SetCSVQuote('\'');
  csv.format->SetCSVTrueString("Yes");
  csv.format->SetsfNoHeader(sfSaveNoHeader | sfLoadNoHeader);
  FormatForm<TvomCSVStreamFormat> csvRead;
  csvRead.Read(csv.Written());
  EXPECT_EQ('\'', csvRead.format->CSVQuote());
  EXPECT_EQ(',', csvRead.format->CSVFieldDelimiter());
  EXPECT_EQ("Yes", csvRead.format->CSVTrueString());
  EXPECT_EQ("False", csvRead.format->CSVFalseString());
  EXPECT_EQ(sfSaveNoHeader | sfLoadNoHeader, csvRead.format->sfNoHeader());

  FormatForm<TvomBinaryStreamFormat> bin;
  bin.format->SetBufferSize(32768);
  bin.format->SetsfUsingIndex({});
  FormatForm<TvomBinaryStreamFormat> binRead;
  binRead.Read(bin.Written());
  EXPECT_EQ(32768, binRead.format->BufferSize());
  EXPECT_EQ(TvomStreamFlagsUsingIndex{}, binRead.format->sfUsingIndex());
  EXPECT_EQ(sfSaveDataTypeHeader | sfLoadDataTypeHeader, binRead.format->sfDataTypeHeader());
}

}  // namespace
