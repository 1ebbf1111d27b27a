// tests/memtable/CsvCodecTest.cpp
//
// The text pieces of the CSV table format: quoting, value escapes, the 6-bit
// binary text, definition lines, and the line and column reader.
#include <gtest/gtest.h>

#include "memtable/CsvCodec.h"
#include "memtable/CsvLineReader.h"
#include "platform/rtl/Streams.h"

namespace {

using namespace std::string_literals;

TEST(CsvQuoting, DoublesTheQuoteInside) {
  EXPECT_EQ(R"("a""b")", CsvQuoted(R"(a"b)", '"'));
  EXPECT_EQ(R"("")", CsvQuoted("", '"'));
  EXPECT_EQ("'it''s'", CsvQuoted("it's", '\''));
  EXPECT_EQ(R"(a"b)", CsvQuoted(R"(a"b)", '\0'));
}

TEST(CsvQuoting, UnquotingUndoesIt) {
  EXPECT_EQ(R"(a"b)", CsvUnquoted(R"("a""b")", '"'));
  EXPECT_EQ("plain", CsvUnquoted("plain", '"'));
  EXPECT_EQ("open", CsvUnquoted(R"("open)", '"'));
  EXPECT_EQ(R"("x")", CsvUnquoted(R"("x")", '\0'));
}

TEST(CsvEscapes, OnlyPercentNulAndLineBreaksAreEscaped) {
  String out;
  CsvAppendEscaped(out, "a\"b%\r\n\0,z"s);
  EXPECT_EQ("a\"b%%%c%n%0,z", out);
  EXPECT_EQ("a\"b%\r\n\0,z"s, CsvUnescaped(out));
}

TEST(CsvEscapes, UnknownOrTrailingPercentIsKept) {
  EXPECT_EQ("%x", CsvUnescaped("%x"));
  EXPECT_EQ("a%", CsvUnescaped("a%"));
  EXPECT_EQ("%%", CsvUnescaped("%%%%"));
  EXPECT_EQ("%\n", CsvUnescaped("%%n"s.insert(0, "%")));
}

TEST(CsvSixBit, KnownExample) {
  EXPECT_EQ("A)V8", CsvSixBitEncoded("abc"));
  EXPECT_EQ("abc", CsvSixBitDecoded("A)V8"));
}

TEST(CsvSixBit, LengthsOfOneTwoAndThreeBytes) {
  EXPECT_EQ(2u, CsvSixBitEncoded("\xff").size());
  EXPECT_EQ(3u, CsvSixBitEncoded("\xff\x00"s).size());
  EXPECT_EQ(4u, CsvSixBitEncoded("\xff\x00\x01"s).size());
  EXPECT_EQ("", CsvSixBitEncoded(""));
  EXPECT_EQ("_#", CsvSixBitEncoded("\xff"));
}

TEST(CsvSixBit, EveryByteValueRoundTrips) {
  String all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (std::size_t n = 0; n <= all.size(); n += 37) {
    const String part = all.substr(0, n);
    const String text = CsvSixBitEncoded(part);
    for (char c : text) ASSERT_TRUE(c >= ' ' && c <= '_');
    EXPECT_EQ(part, CsvSixBitDecoded(text));
  }
}

TEST(CsvSixBit, CharactersOutsideTheRangeAreRefused) {
  EXPECT_THROW(CsvSixBitDecoded("A\x1f"), ERangeError);
  EXPECT_THROW(CsvSixBitDecoded("A`"), ERangeError);
  EXPECT_THROW(CsvSixBitDecoded("a)V8"), ERangeError);
  EXPECT_THROW(CsvSixBitDecoded("\xc3\xa9"), ERangeError);
}

TEST(CsvParts, SplitLikeCommaText) {
  const auto parts = CsvSplitParts(R"(String,20,"a ""b"", c",,x y,)");
  ASSERT_EQ(7u, parts.size());
  EXPECT_EQ("String", parts[0].Text);
  EXPECT_EQ("a \"b\", c", parts[2].Text);
  EXPECT_TRUE(parts[2].Quoted);
  EXPECT_EQ("", parts[3].Text);
  EXPECT_EQ("x", parts[4].Text);
  EXPECT_EQ("y", parts[5].Text);
  EXPECT_EQ("", parts[6].Text);
}

TEST(CsvFieldLine, WrittenAsTheFileHasIt) {
  TvomStreamFieldDef f;
  f.Name = "Name";
  f.TypeName = "String";
  f.Size = 20;
  f.DisplayLabel = "Name";
  f.DisplayWidth = 20;
  EXPECT_EQ(R"(Name=String,20,"Name","",20,Data,"")", CsvFormatFieldLine(f));
  EXPECT_EQ(R"("Name=String,20,""Name"","""",20,Data,""""")",
            CsvQuoted(CsvFormatFieldLine(f), '"'));
  f.Required = f.ReadOnly = true;
  f.KindName = "Calculated";
  f.DefaultExpression = "x\0y"s;
  EXPECT_EQ(R"(Name=String,20,"Name","",20,REQ,RO,Calculated,"x)", CsvFormatFieldLine(f));
}

TEST(CsvFieldLine, ReadsEveryPart) {
  const auto f =
      CsvParseFieldLine(R"(Price=Currency,0,"Unit price","#0.00",12,REQ,RO,Calculated,"1,5")");
  EXPECT_EQ("Price", f.Name);
  EXPECT_EQ("Currency", f.TypeName);
  EXPECT_EQ(0, f.Size);
  EXPECT_EQ("Unit price", f.DisplayLabel);
  EXPECT_EQ("#0.00", f.EditMask);
  EXPECT_EQ(12, f.DisplayWidth);
  EXPECT_TRUE(f.Required);
  EXPECT_TRUE(f.ReadOnly);
  EXPECT_FALSE(f.Invisible);
  EXPECT_EQ("Calculated", f.KindName);
  EXPECT_EQ("1,5", f.DefaultExpression);
}

TEST(CsvFieldLine, FlagsInsideALabelOrNameDoNotCount) {
  const auto f = CsvParseFieldLine(R"(A,RO=String,5,"x,REQ,RO,INV","",5,Data,"")");
  EXPECT_FALSE(f.Required);
  EXPECT_FALSE(f.ReadOnly);
  EXPECT_FALSE(f.Invisible);
  EXPECT_EQ("x,REQ,RO,INV", f.DisplayLabel);
  EXPECT_EQ("Data", f.KindName);
}

TEST(CsvFieldLine, OlderLinesWithoutKindOrDefault) {
  auto f = CsvParseFieldLine(R"(N=Integer,0,"N","",10)");
  EXPECT_EQ("Data", f.KindName);
  EXPECT_EQ("", f.DefaultExpression);
  f = CsvParseFieldLine(R"(N=Integer,0,"N","",10,INV,Lookup)");
  EXPECT_TRUE(f.Invisible);
  EXPECT_EQ("Lookup", f.KindName);
  EXPECT_EQ("", f.DefaultExpression);
}

TEST(CsvFieldLine, BadNumbersAreConversionErrors) {
  EXPECT_THROW(CsvParseFieldLine(R"(N=String,abc,"N","",10,Data,"")"), EConvertError);
  EXPECT_THROW(CsvParseFieldLine(R"(N=String,10,"N","")"), EConvertError);
}

TEST(CsvIndexLine, RoundTripsWithOptions) {
  TvomStreamIndexDef i{"ByName", "Name;Date", "By name,DESC", {ixDescending, ixUnique}};
  const String line = CsvFormatIndexLine(i, '"');
  EXPECT_EQ(R"(ByName="Name;Date","By name,DESC",DESC,UNIQ)", line);
  const auto back = CsvParseIndexLine(line);
  EXPECT_EQ("ByName", back.Name);
  EXPECT_EQ("Name;Date", back.Fields);
  EXPECT_EQ("By name,DESC", back.DisplayName);
  EXPECT_EQ((TIndexOptions{ixDescending, ixUnique}), back.Options);
}

TEST(CsvIndexLine, OptionsInsideNamesDoNotCount) {
  const auto i = CsvParseIndexLine(R"(X,CASE="A,UNIQ","B,NONMT")");
  EXPECT_TRUE(i.Options.Empty());
}

// --- the reader ------------------------------------------------------------------

class CsvReaderTest : public ::testing::Test {
 protected:
  TvomCsvLineReader& Reader(const String& text, char quote = '"', char d = ',', char r = ',') {
    stream_ = std::make_unique<TStringStream>(text);
    reader_ = std::make_unique<TvomCsvLineReader>(stream_.get(), quote, d, r,
                                                  [this](Integer) { ++fills_; });
    return *reader_;
  }
  std::vector<String> Lines() {
    std::vector<String> lines;
    for (;;) {
      const bool more = reader_->ReadLine();
      if (!reader_->Line().empty()) lines.push_back(reader_->Line());
      if (!more) return lines;
    }
  }
  // The columns of one line, null ones as "<null>".
  std::vector<String> Columns(const String& line) {
    reader_->SetLine(line);
    std::vector<String> out;
    bool isNull;
    String value;
    while (reader_->InLine()) {
      reader_->ReadField(isNull, value);
      out.push_back(isNull ? "<null>" : value);
    }
    return out;
  }
  std::unique_ptr<TStringStream> stream_;
  std::unique_ptr<TvomCsvLineReader> reader_;
  Integer fills_ = 0;
};

TEST_F(CsvReaderTest, BreaksOfAnyKindEndLinesAndBlankLinesVanish) {
  Reader("a\r\n\r\n\nb\0c\rd"s);
  EXPECT_EQ((std::vector<String>{"a", "b", "c", "d"}), Lines());
}

TEST_F(CsvReaderTest, LastLineWithoutBreakIsReturnedWithFalse) {
  Reader("one\r\ntwo");
  EXPECT_TRUE(reader_->ReadLine());
  EXPECT_EQ("one", reader_->Line());
  EXPECT_FALSE(reader_->ReadLine());
  EXPECT_EQ("two", reader_->Line());
  EXPECT_FALSE(reader_->ReadLine());
  EXPECT_EQ("", reader_->Line());
}

TEST_F(CsvReaderTest, LinesLongerThanTheBuffer) {
  const String long_line(3 * TvomCsvLineReader::kBufferSize + 17, 'x');
  Reader(long_line + "\r\n" + "y\r\n");
  EXPECT_EQ((std::vector<String>{long_line, "y"}), Lines());
  EXPECT_EQ(4, fills_);
}

TEST_F(CsvReaderTest, BreakSplitAcrossBufferFills) {
  String text(TvomCsvLineReader::kBufferSize - 1, 'a');
  text += "\r\nb";
  Reader(text);
  const auto lines = Lines();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("b", lines[1]);
}

TEST_F(CsvReaderTest, QuotedNullAndEmptyColumns) {
  Reader("");
  EXPECT_EQ((std::vector<String>{"a\"b%%", "<null>"}), Columns(R"("a""b%%",,)"));
  EXPECT_EQ((std::vector<String>{"", "x", "<null>"}), Columns(R"("",x,,)"));
}

TEST_F(CsvReaderTest, UnquotedValuesRunToTheFieldDelimiter) {
  Reader("", '"', ';', '|');
  EXPECT_EQ((std::vector<String>{"12", "a|b", "<null>", "c"}), Columns("12;a|b;;c"));
}

TEST_F(CsvReaderTest, UnterminatedQuoteEndsWithTheLine) {
  Reader("");
  EXPECT_EQ((std::vector<String>{
                "ab,c",
            }),
            Columns(R"("ab,c)"));
}

TEST_F(CsvReaderTest, WithoutQuoteEmptyMeansNullAndRecordDelimiterEndsAValue) {
  Reader("", '\0', ';', '|');
  EXPECT_EQ((std::vector<String>{"a", "<null>", "b\"c"}), Columns("a;;b\"c|"));
}

}  // namespace
