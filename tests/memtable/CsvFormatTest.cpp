// tests/memtable/CsvFormatTest.cpp
//
// The CSV table format as a whole: the bytes it writes, what it reads back,
// files from elsewhere (no definitions, no header, placeholders, unknown
// columns, blank lines), limits, and failures that leave the table usable.
#include <gtest/gtest.h>

#include "FormatTestSupport.h"
#include "memtable/CsvStreamFormat.h"
#include "platform/data/Field.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"

namespace {

using namespace std::string_literals;

class CsvFormatTest : public ::testing::Test {
 protected:
  // The lines of the saved bytes, each without its CR LF.
  std::vector<String> Lines(const String& bytes) {
    std::vector<String> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = bytes.find("\r\n", start)) != String::npos; start = at + 2)
      lines.push_back(bytes.substr(start, at - start));
    EXPECT_EQ(bytes.size(), start) << "every line ends with CR LF";
    return lines;
  }
  TvomCSVStreamFormat csv{nullptr};
};

TEST_F(CsvFormatTest, WritesTheFileByteForByte) {
  auto t = MakeTable({{"Name", ftString, 20}, {"Count", ftInteger}});
  t->IndexDefs()->Add("ByName", "Name", {ixCaseInsensitive, ixUnique});
  AddRow(*t, [](TvomCustomMemTable& r) { r.FieldByName("Name")->SetAsString("a\"b%"); });
  const String width = IntToStr(t->FieldByName("Count")->DisplayWidth());
  const std::vector<String> expected = {
      R"("@@FILE VERSION@@","251")",
      R"("@@TABLEDEF START@@")",
      R"("Name=String,20,""Name"","""",20,Data,""""")",
      R"("Count=Integer,0,""Count"","""",)" + width + R"(,Data,""""")",
      R"("@@INDEXDEF START@@")",
      R"("ByName=""Name"",""ByName"",CASE,UNIQ")",
      R"("@@INDEXDEF END@@")",
      R"("@@TABLEDEF END@@")",
      R"("Name","Count",)",
      R"("a""b%%",,)",
  };
  EXPECT_EQ(expected, Lines(SavedBytes(*t, csv)));
}

TEST_F(CsvFormatTest, HeaderWithoutDataAndDataWithoutDefinitions) {
  auto t = MakeTable({{"A", ftString, 5}, {"B", ftString, 5}});
  AddTextRow(*t, {"x", "y"});
  csv.SetsfDef(sfLoadDef);
  csv.SetsfData(sfLoadData);
  // Without record data no data field is saved, but the header line is there.
  EXPECT_EQ((std::vector<String>{","}), Lines(SavedBytes(*t, csv)));
  csv.SetsfData(sfSaveData | sfLoadData);
  csv.SetsfNoHeader(sfSaveNoHeader);
  EXPECT_EQ((std::vector<String>{R"("x","y",)"}), Lines(SavedBytes(*t, csv)));
}

TEST_F(CsvFormatTest, DelimitersQuoteAndQuoteOnlyStrings) {
  auto t = MakeTable({{"S", ftString, 5}, {"N", ftInteger}, {"B", ftBoolean}});
  AddRow(*t, [](TvomCustomMemTable& r) {
    r.Fields(0)->SetAsString("a;b");
    r.Fields(1)->SetAsInteger(-7);
    r.Fields(2)->SetAsBoolean(true);
  });
  csv.SetsfDef({});
  csv.SetCSVQuote('\'');
  csv.SetCSVFieldDelimiter(';');
  csv.SetCSVFieldDelimiter('\0');  // ignored
  csv.SetCSVRecordDelimiter('\0');
  csv.SetCSVTrueString("Yes");
  csv.SetsfQuoteOnlyStrings(sfSaveQuoteOnlyStrings);
  EXPECT_EQ((std::vector<String>{"'S';'N';'B'", "'a;b';-7;Yes"}), Lines(SavedBytes(*t, csv)));
}

TEST_F(CsvFormatTest, NullAndEmptyStringStayApart) {
  auto t = MakeTable({{"S", ftString, 10}});
  AddRow(*t, [](TvomCustomMemTable& r) { r.Fields(0)->SetAsString(""); });
  AddRow(*t, [](TvomCustomMemTable& r) { r.Fields(0)->Clear(); });
  // An empty string set on a string field may itself mean null to the field
  // class; what the file must keep apart is what the table reports.
  const std::vector<String> before = Column(*t, "S");
  const String bytes = SavedBytes(*t, csv);
  auto u = MakeTable({{"S", ftString, 10}});
  LoadBytes(*u, csv, bytes);
  EXPECT_EQ(before, Column(*u, "S"));
  LoadBytes(*u, csv, "\"S\",\r\n\"\",\r\n,\r\n");
  TField* s = u->FieldByName("S");
  u->First();
  EXPECT_FALSE(s->IsNull());
  EXPECT_EQ("", s->AsString());
  u->Next();
  EXPECT_TRUE(s->IsNull());
}

TEST_F(CsvFormatTest, WithoutQuoteNullAndEmptyBothLoadAsNull) {
  auto t = MakeTable({{"S", ftString, 10}, {"T", ftString, 10}});
  csv.SetCSVQuote('\0');
  LoadBytes(*t, csv, "S,T,\r\n,x,\r\n");
  EXPECT_EQ((std::vector<String>{"<null>"}), Column(*t, "S"));
  EXPECT_EQ((std::vector<String>{"x"}), Column(*t, "T"));
}

TEST_F(CsvFormatTest, AwkwardStringsSurvive) {
  // A string field ends its value at #0 by itself; a memo keeps it.
  const std::vector<String> values = {"q\"uote", "com,ma",     "per%cent%", "cr\rlf\nboth\r\n",
                                      "%n%c%0",  "  blanks  ", "ünïcødé",   "nul\0x"s};
  auto t = MakeTable({{"M", ftMemo}, {"S", ftString, 40}});
  for (const String& v : values) AddTextRow(*t, {v, v});
  const String bytes = SavedBytes(*t, csv);
  auto u = MakeTable({{"S", ftString, 40}});
  LoadBytes(*u, csv, bytes);
  EXPECT_EQ(values, Column(*u, "M"));
  EXPECT_EQ(Column(*t, "S"), Column(*u, "S"));
}

TEST_F(CsvFormatTest, BlobsOfOneTwoAndThreeBytes) {
  auto t = MakeTable({{"B", ftBlob}});
  for (const String& v : {"\xff"s, "\0\x80"s, "abc"s}) AddTextRow(*t, {v});
  csv.SetsfDef({});
  const auto lines = Lines(SavedBytes(*t, csv));
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(R"("_#",)", lines[1]);
  EXPECT_EQ(5u, lines[2].size() - 1);
  EXPECT_EQ(R"("A)V8",)", lines[3]);
}

TEST_F(CsvFormatTest, EveryFieldTypeRoundTrips) {
  auto t = MakeTable(EveryStorableType());
  AddRow(*t, FillEveryType);
  AddRow(*t, [](TvomCustomMemTable&) {});  // every field null but the auto-increment
  auto u = std::make_unique<TvomMemTable>(nullptr);
  LoadBytes(*u, csv, SavedBytes(*t, csv));
  ExpectSameTable(*t, *u);
}

TEST_F(CsvFormatTest, FixedSettingsWhateverTheUsersAre) {
  TFormatSettingsGuard restore;
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().DateSeparator = '.';
  FormatSettings().ShortDateFormat = "yyyy.mm.dd";
  auto t = MakeTable({{"F", ftFloat}, {"D", ftDate}});
  AddRow(*t, [](TvomCustomMemTable& r) {
    r.Fields(0)->SetAsFloat(1.5);
    r.Fields(1)->SetAsDateTime(EncodeDate(2020, 1, 2));
  });
  csv.SetsfDef({});
  EXPECT_EQ(R"("1.5","02/01/2020",)", Lines(SavedBytes(*t, csv)).at(1));
  EXPECT_EQ(',', FormatSettings().DecimalSeparator);
  csv.SetsfLocalFormat(sfSaveLocalFormat);
  EXPECT_EQ(R"("1,5","2020.01.02",)", Lines(SavedBytes(*t, csv)).at(1));
}

TEST_F(CsvFormatTest, ReaderTakesShortHoursAmPmAndExponents) {
  auto t = MakeTable({{"T", ftTime}, {"F", ftFloat}});
  LoadBytes(*t, csv, "\"T\",\"F\"\r\n\"7:05 PM\",\"1E-3\"\r\n\"07:05:09\",\"2.5e+2\"\r\n");
  EXPECT_EQ((std::vector<String>{"19:05:00", "07:05:09"}), Column(*t, "T"));
  EXPECT_EQ((std::vector<String>{"0.001", "250"}), Column(*t, "F"));
}

TEST_F(CsvFormatTest, DefinitionsRebuildTheTableWithIndexesAndFlags) {
  auto t = MakeTable({{"Name", ftString, 20}, {"Id", ftAutoInc}});
  t->IndexDefs()->Add("ByName", "Name", {ixDescending, ixNonMaintained});
  AddTextRow(*t, {"b"});
  AddTextRow(*t, {"a"});
  t->FieldByName("Name")->SetDisplayLabel("Disc, RO name");
  t->FieldByName("Name")->SetRequired(true);
  t->FieldByName("Id")->SetReadOnly(true);
  const String bytes = SavedBytes(*t, csv);

  auto u = MakeTable({{"Other", ftInteger}});
  LoadBytes(*u, csv, bytes);
  ASSERT_EQ(2, u->FieldCount());
  TField* name = u->FieldByName("Name");
  EXPECT_EQ("Disc, RO name", name->DisplayLabel());
  EXPECT_TRUE(name->Required());
  EXPECT_FALSE(name->ReadOnly());
  EXPECT_TRUE(u->FieldByName("Id")->ReadOnly());
  ASSERT_EQ(1, u->IndexDefs()->Count());
  EXPECT_EQ("Name", u->IndexDefs()->Items(0)->Fields());
  EXPECT_EQ((TIndexOptions{ixDescending, ixNonMaintained}), u->IndexDefs()->Items(0)->Options());
  EXPECT_EQ(Column(*t, "Id"), Column(*u, "Id"));
  EXPECT_TRUE(TableAtRest(*u));
}

TEST_F(CsvFormatTest, WithoutDefinitionsColumnsMatchByHeaderIgnoringCase) {
  auto t = MakeTable({{"Name", ftString, 10}, {"Size", ftInteger}, {"Note", ftString, 10}});
  LoadBytes(*t, csv, "\"SIZE\",\"unknown\",\"name\",\r\n\"12\",\"zzz\",\"disc\",\r\n");
  EXPECT_EQ((std::vector<String>{"disc"}), Column(*t, "Name"));
  EXPECT_EQ((std::vector<String>{"12"}), Column(*t, "Size"));
  EXPECT_EQ((std::vector<String>{"<null>"}), Column(*t, "Note"));
}

TEST_F(CsvFormatTest, WithoutHeaderColumnsFollowTheFieldOrder) {
  auto t = MakeTable({{"A", ftString, 5}, {"B", ftString, 5}});
  csv.SetsfNoHeader(sfLoadNoHeader);
  LoadBytes(*t, csv, "\"1\",\"2\",\r\n\"3\",\"4\",\r\n");
  EXPECT_EQ((std::vector<String>{"1", "3"}), Column(*t, "A"));
  EXPECT_EQ((std::vector<String>{"2", "4"}), Column(*t, "B"));
}

TEST_F(CsvFormatTest, PlaceholdersKeepTheColumnsOfLeftOutFields) {
  auto t = MakeTable({{"A", ftString, 5}, {"B", ftMemo}, {"C", ftString, 5}});
  AddTextRow(*t, {"1", "memo", "3"});
  csv.SetsfBlobs(sfLoadBlobs);
  csv.SetsfDef({});
  csv.SetsfPlaceHolders(sfSavePlaceholders);
  EXPECT_EQ((std::vector<String>{R"("A","B","C",)", R"("1",,"3",)"}), Lines(SavedBytes(*t, csv)));
  csv.SetsfPlaceHolders({});
  EXPECT_EQ((std::vector<String>{R"("A","C",)", R"("1","3",)"}), Lines(SavedBytes(*t, csv)));
}

TEST_F(CsvFormatTest, BlankLinesAndAMissingFinalBreakAreFine) {
  auto t = MakeTable({{"A", ftString, 5}});
  LoadBytes(*t, csv, "\r\n\"A\",\r\n\r\n\r\n\"x\",\n\n\"y\"");
  EXPECT_EQ((std::vector<String>{"x", "y"}), Column(*t, "A"));
}

TEST_F(CsvFormatTest, UnterminatedQuoteEndsWithItsLine) {
  auto t = MakeTable({{"A", ftString, 10}, {"B", ftString, 10}});
  LoadBytes(*t, csv, "\"A\",\"B\"\r\n\"a\",\"open,\"\"x\r\n\"c\",\"d\"\r\n");
  EXPECT_EQ((std::vector<String>{"a", "c"}), Column(*t, "A"));
  EXPECT_EQ((std::vector<String>{"open,\"x", "d"}), Column(*t, "B"));
}

TEST_F(CsvFormatTest, SaveAndLoadLimits) {
  auto t = MakeTable({{"N", ftInteger}});
  for (int i = 0; i < 20; ++i)
    AddRow(*t, [i](TvomCustomMemTable& r) { r.Fields(0)->SetAsInteger(i); });
  t->SetSaveLimit(10);
  csv.SetsfDef({});
  const String bytes = SavedBytes(*t, csv);
  EXPECT_EQ(11u, Lines(bytes).size());
  EXPECT_FALSE(t->SavedCompletely());
  EXPECT_EQ(10, t->SaveCount());

  auto u = MakeTable({{"N", ftInteger}});
  u->SetLoadLimit(4);
  LoadBytes(*u, csv, bytes);
  EXPECT_EQ(4, u->RecordCount());
  EXPECT_FALSE(u->LoadedCompletely());
  u->SetLoadLimit(-1);
  LoadBytes(*u, csv, bytes);
  EXPECT_EQ(14, u->RecordCount());
  EXPECT_TRUE(u->LoadedCompletely());
}

TEST_F(CsvFormatTest, EmptyStreamLoadsNothingAndRaisesNothing) {
  auto t = MakeTable({{"A", ftString, 5}});
  AddTextRow(*t, {"kept"});
  EXPECT_NO_THROW(LoadBytes(*t, csv, ""));
  EXPECT_EQ((std::vector<String>{"kept"}), Column(*t, "A"));
  EXPECT_TRUE(TableAtRest(*t));
}

TEST_F(CsvFormatTest, RecordsAcceptedAndFieldsRewrittenByEvents) {
  auto t = MakeTable({{"A", ftString, 5}});
  for (const char* v : {"1", "2", "3"}) AddTextRow(*t, {v});
  t->OnSaveRecord = [](TDataSet* d, bool& accept) { accept = d->Fields(0)->AsString() != "2"; };
  csv.OnFormatSaveField = [](TObject*, TField*, bool& isNull, String& data) {
    if (data == "3") isNull = true;
  };
  csv.SetsfDef({});
  const String bytes = SavedBytes(*t, csv);
  auto u = MakeTable({{"A", ftString, 5}});
  csv.OnFormatLoadField = [](TObject*, TField*, bool&, String& data) { data += "!"; };
  LoadBytes(*u, csv, bytes);
  EXPECT_EQ((std::vector<String>{"1!", "<null>"}), Column(*u, "A"));
  u->OnLoadRecord = [](TDataSet*, bool& accept) { accept = false; };
  LoadBytes(*u, csv, bytes);
  EXPECT_EQ(2, u->RecordCount());
}

TEST_F(CsvFormatTest, DeltasAreRefusedBeforeAnythingHappens) {
  auto t = MakeTable({{"A", ftString, 5}});
  csv.SetsfDeltas(sfSaveDeltas);
  TStringStream stream("old");
  try {
    t->SaveToStreamViaFormat(&stream, &csv);
    FAIL() << "no error";
  } catch (const EMemTableError& e) {
    EXPECT_STREQ("Saving deltas is supported only in binary format.", e.what());
  }
  EXPECT_EQ("old", stream.DataString());
  EXPECT_TRUE(TableAtRest(*t));
}

TEST_F(CsvFormatTest, UnknownFieldTypeNamesTheTypeAndTheLine) {
  auto t = MakeTable({{"A", ftString, 5}});
  const String file =
      "\"@@TABLEDEF START@@\"\r\n\"X=Cursor,0,\"\"X\"\",\"\"\"\",10,Data,\"\"\"\"\"\r\n";
  try {
    LoadBytes(*t, csv, file);
    FAIL() << "no error";
  } catch (const EMemTableError& e) {
    EXPECT_EQ("Unknown field type (Cursor) in CSV file. (X=Cursor,0,\"X\",\"\",10,Data,\"\")",
              e.Message());
  }
  EXPECT_TRUE(TableAtRest(*t));
}

// A file cut (at a line end) before its definitions end names only some of
// its fields; opening a table of those would save it without the others.
TEST_F(CsvFormatTest, DefinitionsThatDoNotEndAreRefusedAndOpenNothing) {
  const String start = "\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n";
  const String field = "\"Name=String,20,\"\"Name\"\",\"\"\"\",20,Data,\"\"\"\"\"\r\n";
  for (const String& file :
       {start, start + field, start + field + "\"@@INDEXDEF START@@\"\r\n",
        start + field + "\"Size=Integer,0,\"\"Size\"\",\"\"\"\",10,Data,\"\"\"\"\"\r\n\r\n"}) {
    auto t = MakeTable({{"Old", ftInteger}});
    try {
      LoadBytes(*t, csv, file);
      FAIL() << "no error: " << file;
    } catch (const EReadError& e) {
      EXPECT_EQ("Invalid stream data", e.Message());
    }
    EXPECT_FALSE(t->Active()) << file;
    EXPECT_TRUE(TableAtRest(*t));
  }
  // Without loading definitions the table keeps its own fields, and stays open.
  auto t = MakeTable({{"Old", ftInteger}});
  csv.SetsfDef(sfSaveDef);
  EXPECT_THROW(LoadBytes(*t, csv, start + field), EReadError);
  EXPECT_TRUE(t->Active());
  EXPECT_EQ("Old", t->Fields(0)->FieldName());
}

TEST_F(CsvFormatTest, ABadValueKeepsTheRecordsBeforeItAndTheTableUsable) {
  auto t = MakeTable({{"N", ftInteger}, {"B", ftBlob}});
  EXPECT_THROW(LoadBytes(*t, csv, "\"N\",\"B\"\r\n\"1\",\r\n\"x\",\r\n\"3\",\r\n"), Exception);
  EXPECT_EQ((std::vector<String>{"1"}), Column(*t, "N"));
  EXPECT_TRUE(TableAtRest(*t));
  EXPECT_EQ(dsBrowse, t->State());
  EXPECT_THROW(LoadBytes(*t, csv, "\"N\",\"B\"\r\n\"2\",\"ab`\"\r\n"), ERangeError);
  EXPECT_EQ(1, t->RecordCount());
  LoadBytes(*t, csv, "\"N\"\r\n\"4\"\r\n");
  EXPECT_EQ((std::vector<String>{"1", "4"}), Column(*t, "N"));
}

TEST_F(CsvFormatTest, HugeFieldSizeInAFileIsRefused) {
  auto t = MakeTable({{"A", ftString, 5}});
  EXPECT_THROW(
      LoadBytes(*t, csv,
                "\"@@TABLEDEF "
                "START@@\"\r\n\"X=String,2000000000,\"\"X\"\",\"\"\"\",1,Data,\"\"\"\"\"\r\n"),
      EMemTableError);
  EXPECT_TRUE(TableAtRest(*t));
}

TEST_F(CsvFormatTest, SavingWithEveryRecordFilteredOutWritesOnlyTheHeader) {
  auto t = MakeTable({{"A", ftString, 5}});
  for (int i = 0; i < 150; ++i) AddTextRow(*t, {"x"});
  t->SetOnFilterRecord([](TDataSet*, bool& accept) { accept = false; });
  t->SetFiltered(true);
  std::vector<Integer> progress;
  t->OnProgress = [&](TDataSet*, Integer pct, TvomProgressCode) { progress.push_back(pct); };
  csv.SetsfFiltered({});
  csv.SetsfDef({});
  EXPECT_EQ(1u, Lines(SavedBytes(*t, csv)).size());
  for (Integer pct : progress) EXPECT_TRUE(pct >= 0 && pct <= 100);
  EXPECT_TRUE(t->Filtered());
}

TEST_F(CsvFormatTest, AssignCopiesTheTextSettingsButNotHeaderChoices) {
  TvomCSVStreamFormat other(nullptr);
  other.SetCSVQuote('\'');
  other.SetCSVFieldDelimiter('\t');
  other.SetCSVRecordDelimiter('\0');
  other.SetCSVTrueString("J");
  other.SetsfNoHeader(sfSaveNoHeader);
  other.SetsfPlaceHolders(sfSavePlaceholders);
  other.SetsfData({});
  csv.Assign(&other);
  EXPECT_EQ('\'', csv.CSVQuote());
  EXPECT_EQ('\t', csv.CSVFieldDelimiter());
  EXPECT_EQ('\0', csv.CSVRecordDelimiter());
  EXPECT_EQ("J", csv.CSVTrueString());
  EXPECT_EQ(sfSavePlaceholders, csv.sfPlaceHolders());
  EXPECT_EQ(TvomStreamFlagsNoHeader{}, csv.sfNoHeader());
  EXPECT_EQ(TvomStreamFlagsData{}, csv.sfData());
  EXPECT_EQ("3.00", csv.Version());
}

// A file that starts with a definition block is the writer's own, so a
// line it cannot have written whole means the file was cut or damaged;
// every cut inside a line is refused, in each record and delimiter setting.
TEST_F(CsvFormatTest, AWrittenFileCutInsideALineIsRefused) {
  struct Setting {
    char quote, recordDelimiter;
  };
  for (const Setting setting : {Setting{'"', ','}, Setting{'"', ';'}, Setting{'"', '\0'}}) {
    csv.SetCSVQuote(setting.quote);
    csv.SetCSVRecordDelimiter(setting.recordDelimiter);
    auto t = MakeTable({{"Name", ftString, 20}, {"Count", ftInteger}, {"Note", ftString, 10}});
    AddRow(*t, [](TvomCustomMemTable& r) {
      r.FieldByName("Name")->SetAsString("a,\"b\"");
      r.FieldByName("Count")->SetAsInteger(12);
    });
    AddRow(*t, [](TvomCustomMemTable& r) {
      r.FieldByName("Name")->SetAsString("last");
      r.FieldByName("Count")->SetAsInteger(345);
      r.FieldByName("Note")->SetAsString("end");
    });
    const String bytes = SavedBytes(*t, csv);
    const std::size_t header = bytes.find("\"Name\"", bytes.find("TABLEDEF END"));
    auto rows = [](TvomCustomMemTable& table) {
      return std::pair(Column(table, "Name"), Column(table, "Note"));
    };
    // A cut from the header on is refused, unless it loses nothing: the
    // rows are those of the file cut at the end of that line.
    Integer refused = 0;
    for (std::size_t cut = header; cut < bytes.size(); ++cut) {
      // (A cut just after a line break is that line's end.)
      const std::size_t lineEnd = bytes[cut - 1] == '\n' ? cut - 2 : bytes.find("\r\n", cut - 1);
      auto u = MakeTable({{"Old", ftInteger}});
      try {
        LoadBytes(*u, csv, bytes.substr(0, cut));
      } catch (const EReadError&) {
        ++refused;
        continue;
      }
      auto v = MakeTable({{"Old", ftInteger}});
      LoadBytes(*v, csv, bytes.substr(0, lineEnd + 2));
      EXPECT_EQ(rows(*u), rows(*v)) << "cut at " << cut << ": " << bytes.substr(0, cut);
    }
    EXPECT_GT(refused, 40);
    // Inside a quoted value, and inside the last row.
    for (const char* end : {"\"a,\"\"b", "\"las", "\"345"}) {
      auto u = MakeTable({{"Old", ftInteger}});
      EXPECT_THROW(LoadBytes(*u, csv, bytes.substr(0, bytes.find(end) + strlen(end))), EReadError)
          << end;
    }
    auto whole = MakeTable({{"Old", ftInteger}});
    LoadBytes(*whole, csv, bytes);
    EXPECT_EQ((std::vector<String>{"a,\"b\"", "last"}), Column(*whole, "Name"));
  }
}

TEST_F(CsvFormatTest, ForeignBytesAreRefusedAndFilesWithoutDefinitionsStayLenient) {
  auto t = MakeTable({{"A", ftString, 5}, {"B", ftInteger}});
  for (const String& bytes :
       {"\x7f"
        "ELF\x02\x01 \xff\xfe,\x01\r\n12,34\r\n"s,
        String(100, '\0'), "\r\n\0\n"s, "\"X\",\"Y\",\r\n\"1\",\"2\",\r\n"s}) {
    EXPECT_THROW(LoadBytes(*t, csv, bytes), EReadError) << bytes;
  }
  // Without definitions, short rows and unknown columns load as before.
  LoadBytes(*t, csv, "\"A\",\"B\",\"C\",\r\n\"x\",\r\n\"y\",\"3\",\"z\",\"w\",\r\n");
  EXPECT_EQ((std::vector<String>{"x", "y"}), Column(*t, "A"));
  EXPECT_EQ((std::vector<String>{"<null>", "3"}), Column(*t, "B"));
}

}  // namespace
