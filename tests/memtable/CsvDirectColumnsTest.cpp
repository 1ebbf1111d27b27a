// tests/memtable/CsvDirectColumnsTest.cpp
//
// The CSV format reads and writes string, integer and date-time fields
// straight in the record's own form when nothing can tell the difference.
// Every test here saves or loads the same data twice: once that way, and once
// through the fields' conversions (a format-field handler that changes
// nothing sends every value through the field), and expects the same bytes,
// the same records and the same errors.
#include <gtest/gtest.h>

#include <cstring>
#include <typeinfo>

#include "FormatTestSupport.h"
#include "memtable/CsvCodec.h"
#include "memtable/CsvStreamFormat.h"
#include "memtable/LengthBuffer.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringFields.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

using namespace std::string_literals;

// A format whose values all pass through the fields.
void ThroughTheFields(TvomCSVStreamFormat& format) {
  format.OnFormatSaveField = [](TObject*, TField*, bool&, String&) {};
  format.OnFormatLoadField = [](TObject*, TField*, bool&, String&) {};
}

// The raw records of the store, in slot order: the header values that a load
// decides, the data area before the indirect entries, and per indirect entry
// its null flag and the bytes of its buffer.
std::vector<String> RawRecords(TvomCustomMemTable& table) {
  std::vector<String> records;
  TvomCommon& store = table.Store();
  for (Integer i = 0; i < store.RecordCount(); ++i) {
    const TvomRecord* r = store.Records(i);
    String raw = std::to_string(r->Serial) + "/" + std::to_string(r->UpdateStatus) + "/" +
                 std::to_string(r->TransactionLevel) + "/" + std::to_string(r->Flags) + ":";
    raw.append(reinterpret_cast<const char*>(r->Data),
               static_cast<std::size_t>(store.IndirectStart()));
    for (Integer at = store.IndirectStart(); at < store.DataSize(); at += kvomIndirectEntrySize) {
      raw += "|" + std::to_string(r->Data[at]) + ":";
      if (const Byte* buffer = IndirectBuffer(r->Data + at))
        raw.append(reinterpret_cast<const char*>(LengthBufferData(buffer)),
                   static_cast<std::size_t>(LengthBufferSize(buffer)));
    }
    records.push_back(std::move(raw));
  }
  return records;
}

class CsvDirectColumns : public ::testing::Test {
 protected:
  void SetUp() override { ThroughTheFields(slow); }

  // Saves `table` both ways; they must agree. Returns the bytes.
  String SaveBothWays(TvomCustomMemTable& table) {
    const String direct = SavedBytes(table, fast);
    EXPECT_EQ(SavedBytes(table, slow), direct);
    return direct;
  }

  // Loads `bytes` into two tables made by `make`, both ways; their records
  // and the errors raised must agree.
  template <class Make>
  void LoadBothWays(Make make, const String& bytes) {
    auto a = make();
    auto b = make();
    const String errorA = LoadError(*a, fast, bytes);
    const String errorB = LoadError(*b, slow, bytes);
    EXPECT_EQ(errorB, errorA) << bytes;
    EXPECT_EQ(RawRecords(*b), RawRecords(*a)) << bytes;
  }

  static String LoadError(TvomCustomMemTable& table, TvomCSVStreamFormat& format,
                          const String& bytes) {
    try {
      LoadBytes(table, format, bytes);
    } catch (const Exception& e) {
      return String(typeid(e).name()) + ": " + e.Message();
    }
    return "";
  }

  TvomCSVStreamFormat fast{nullptr};
  TvomCSVStreamFormat slow{nullptr};
};

std::unique_ptr<TvomMemTable> TextTable() {
  auto t =
      MakeTable({{"S", ftString, 8}, {"FC", ftFixedChar, 6}, {"I", ftInteger}, {"DT", ftDateTime}});
  return t;
}

TEST_F(CsvDirectColumns, AwkwardTextsSaveAlike) {
  auto t = TextTable();
  // A string field's text ends at its first #0.
  for (const String& text : {"a\"b,c"s, "x\r\ny"s, "nul\0in"s, "100%"s, ""s, "  lead"s,
                             "\xC3\xA9t\xC3\xA9"s, "bad\xFF"s}) {
    AddRow(*t, [&](TvomCustomMemTable& r) {
      r.FieldByName("S")->SetAsString(text);
      r.FieldByName("FC")->SetAsString(text);
    });
  }
  AddRow(*t, [](TvomCustomMemTable& r) { r.FieldByName("FC")->SetAsString("ab    "); });
  AddRow(*t, [](TvomCustomMemTable&) {});
  const String bytes = SaveBothWays(*t);
  EXPECT_NE(String::npos, bytes.find("\"a\"\"b,c\"")) << bytes;
  EXPECT_NE(String::npos, bytes.find("\"x%c%ny\"")) << bytes;
  EXPECT_NE(String::npos, bytes.find(",\"nul\",")) << bytes;
}

TEST_F(CsvDirectColumns, IntegersAndDateTimesSaveAlike) {
  auto t = TextTable();
  const Integer numbers[] = {0, -1, 7, 2147483647, -2147483647 - 1};
  const TDateTime moments[] = {EncodeDate(2004, 1, 14),
                               EncodeDateTime(2004, 1, 14, 12, 0, 0, 0),
                               EncodeDateTime(1899, 12, 29, 23, 59, 59, 0),
                               EncodeDateTime(1, 1, 1, 0, 0, 1, 0),
                               EncodeDateTime(9999, 12, 31, 23, 59, 59, 0),
                               EncodeDateTime(2020, 2, 29, 0, 0, 0, 7)};
  for (std::size_t i = 0; i < std::size(moments); ++i) {
    AddRow(*t, [&](TvomCustomMemTable& r) {
      r.FieldByName("I")->SetAsInteger(numbers[i % std::size(numbers)]);
      r.FieldByName("DT")->SetAsDateTime(moments[i]);
    });
  }
  const String bytes = SaveBothWays(*t);
  EXPECT_NE(String::npos, bytes.find("\"-2147483648\"")) << bytes;
  EXPECT_NE(String::npos, bytes.find(",\"14/01/2004\",")) << bytes;
  EXPECT_NE(String::npos, bytes.find("\"29/02/2020 00:00:00\""))
      << "a time of only milliseconds is still written";

  // The user's formats, kept: the date-time goes through the general formatting.
  TFormatSettingsGuard keep;
  FormatSettings().ShortDateFormat = "yyyy-mm-dd";
  FormatSettings().DateSeparator = '-';
  fast.SetsfLocalFormat(sfSaveLocalFormat);
  slow.SetsfLocalFormat(sfSaveLocalFormat);
  EXPECT_NE(String::npos, SaveBothWays(*t).find("\"2004-01-14 12:00:00\""));
}

TEST_F(CsvDirectColumns, EveryTypeAndTheSaveFlagsSaveAlike) {
  auto t = MakeTable(EveryStorableType());
  AddRow(*t, FillEveryType);
  AddRow(*t, [](TvomCustomMemTable&) {});
  SaveBothWays(*t);
  fast.SetsfQuoteOnlyStrings(sfSaveQuoteOnlyStrings);
  slow.SetsfQuoteOnlyStrings(sfSaveQuoteOnlyStrings);
  fast.SetCSVQuote('\'');
  slow.SetCSVQuote('\'');
  SaveBothWays(*t);
}

TEST_F(CsvDirectColumns, EveryTypeLoadsAlike) {
  auto source = MakeTable(EveryStorableType());
  AddRow(*source, FillEveryType);
  AddRow(*source, [](TvomCustomMemTable&) {});
  const String bytes = SavedBytes(*source, fast);
  LoadBothWays([] { return MakeTable(EveryStorableType()); }, bytes);
  // Into a table that takes its fields from the file's definitions.
  LoadBothWays([] { return std::make_unique<TvomMemTable>(nullptr); }, bytes);
}

TEST_F(CsvDirectColumns, LongTextIsCutWithoutSplittingACharacter) {
  const String header = "\"S\",\"FC\"\r\n";
  // "é" takes bytes 8 and 9 of a field of 8: the cut leaves it out whole.
  for (const String& text :
       {"abcdefg\xC3\xA9"s, "abcdefgh"s, "abcdefghi"s, "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"s,
        "abcdefg\xFF\xFF"s, "ab%0cdefghij"s}) {
    LoadBothWays(
        [] {
          return MakeTable({{"S", ftString, 8}, {"FC", ftFixedChar, 6}});
        },
        header + "\"" + text + "\",\"" + text + "\"\r\n");
  }
  auto t = MakeTable({{"S", ftString, 8}});
  LoadBytes(*t, fast, "\"S\"\r\n\"abcdefg\xC3\xA9\"\r\n");
  EXPECT_EQ("abcdefg", t->FieldByName("S")->AsString());
}

TEST_F(CsvDirectColumns, NumberTextsLoadAlikeAndFailAlike) {
  for (const char* text :
       {"0", "-0", "007", "+5", " 5", "5 ", "$1F", "0x1F", "2147483647", "-2147483648",
        "2147483648", "-2147483649", "99999999999", "1e3", "abc", "-", "", "12a"}) {
    LoadBothWays(
        [] {
          return MakeTable({{"I", ftInteger}, {"S", ftString, 4}});
        },
        String("\"I\",\"S\"\r\n\"1\",\"a\"\r\n\"") + text + "\",\"b\"\r\n\"3\",\"c\"\r\n");
  }
}

TEST_F(CsvDirectColumns, DateTimeTextsLoadAlikeAndFailAlike) {
  for (const char* text : {"14/01/2004",
                           "14/01/2004 12:00:00",
                           "29/02/2004 23:59:59",
                           "01/01/0001 00:00:00",
                           "31/12/9999 23:59:59",
                           "30/12/1899",
                           "29/12/1899 06:00:00",
                           "1/2/2004",
                           "01/02/04",
                           "01/02/2004 1:05 PM",
                           "01/02/2004 13:05",
                           "01/02/2004 13:05:07.5",
                           "29/02/2003",
                           "31/04/2004 10:00:00",
                           "14/01/2004 24:00:00",
                           "14/01/2004 12:60:00",
                           "00/01/2004",
                           "14/13/2004",
                           "14/01/0000",
                           "14-01-2004",
                           "14/01/2004  12:00:00",
                           " 14/01/2004",
                           "14/01/2004 12:00:00 ",
                           "12:30:00",
                           "garbage"}) {
    LoadBothWays(
        [] {
          return MakeTable({{"DT", ftDateTime}});
        },
        "\"DT\"\r\n\"" + String(text) + "\"\r\n");
  }
}

TEST_F(CsvDirectColumns, DateTimeTextsFollowTheSettingsAlike) {
  TFormatSettingsGuard keep;
  FormatSettings().TimeAMString.clear();
  fast.SetsfLocalFormat(sfLoadLocalFormat);
  slow.SetsfLocalFormat(sfLoadLocalFormat);
  FormatSettings().ShortDateFormat = "dd/mm/yyyy";
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  for (const char* text : {"14/01/2004 10:00:00", "14/01/2004 12:00:00", "14/01/2004"})
    LoadBothWays(
        [] {
          return MakeTable({{"DT", ftDateTime}});
        },
        "\"DT\"\r\n\"" + String(text) + "\"\r\n");
  FormatSettings().ShortDateFormat = "mm/dd/yyyy";
  LoadBothWays([] { return MakeTable({{"DT", ftDateTime}}); }, "\"DT\"\r\n\"01/02/2004\"\r\n");
}

TEST_F(CsvDirectColumns, FieldEventsStillFireForEveryValue) {
  auto make = [] { return MakeTable({{"S", ftString, 8}, {"I", ftInteger}, {"DT", ftDateTime}}); };
  const String bytes = "\"S\",\"I\",\"DT\"\r\n\"a\",\"1\",\"14/01/2004\"\r\n\"b\",\"x\",\r\n";
  std::vector<String> seen[2];
  String errors[2];
  int run = 0;
  for (TvomCSVStreamFormat* format : {&fast, &slow}) {
    auto t = make();
    for (TField* field : t->Fields()) {
      field->OnValidate = [&seen, run](TField* f) {
        seen[run].push_back("validate " + f->FieldName() + "=" +
                            (f->IsNull() ? "<null>" : f->AsString()));
      };
      field->OnChange = [&seen, run](TField* f) {
        seen[run].push_back("change " + f->FieldName());
      };
    }
    errors[run] = LoadError(*t, *format, bytes);
    ++run;
  }
  EXPECT_NE("", errors[0]);
  EXPECT_EQ(errors[1], errors[0]);
  EXPECT_EQ(seen[1], seen[0]);
  EXPECT_EQ(8u, seen[0].size()) << "a, 1, the date and b each validated and changed; then x fails";
}

TEST_F(CsvDirectColumns, ValidationErrorsStopTheLoadAlike) {
  auto make = [] {
    auto t = MakeTable({{"S", ftString, 8}, {"I", ftInteger}});
    t->FieldByName("S")->OnValidate = [](TField* f) {
      if (f->AsString() == "bad") throw EDatabaseError("refused");
    };
    static_cast<TIntegerField*>(t->FieldByName("I"))->SetMaxValue(10);
    return t;
  };
  LoadBothWays(make, "\"S\",\"I\"\r\n\"ok\",\"5\"\r\n\"bad\",\"1\"\r\n");
  LoadBothWays(make, "\"S\",\"I\"\r\n\"ok\",\"5\"\r\n\"ok\",\"11\"\r\n");
}

// A table of a class that converts text on its way in and out.
class TUpperTable : public TvomMemTable {
 public:
  using TvomMemTable::TvomMemTable;
  String Translate(const String& source, bool toOem) override {
    String out = source;
    for (char& c : out)
      if (toOem && c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
      else if (!toOem && c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    return out;
  }
};

TEST_F(CsvDirectColumns, ATableThatTranslatesTextIsHeard) {
  TUpperTable t(nullptr);
  t.FieldDefs()->Add("S", ftString, 8);
  t.Open();
  LoadBytes(t, fast, "\"S\"\r\n\"MiXed\"\r\n");
  EXPECT_EQ("MIXED", String(reinterpret_cast<const char*>(t.Store().Records(0)->Data + 1)));
  EXPECT_NE(String::npos, SavedBytes(t, fast).find("\"mixed\""));
  static_cast<TStringField*>(t.FieldByName("S"))->SetTransliterate(false);
  t.EmptyTable();
  LoadBytes(t, fast, "\"S\"\r\n\"MiXed\"\r\n");
  EXPECT_NE(String::npos, SavedBytes(t, fast).find("\"MiXed\""));
}

TEST_F(CsvDirectColumns, IndirectAndCalculatedFieldsGoThroughTheFields) {
  auto make = [] {
    auto t = std::make_unique<TvomMemTable>(nullptr);
    t->SetPerformance(mtpfSmall);
    t->FieldDefs()->Add("Long", ftString, 40);
    t->FieldDefs()->Add("N", ftInteger);
    t->Open();
    return t;
  };
  auto t = make();
  AddTextRow(*t, {"a longer text held apart", "3"});
  AddTextRow(*t, {"", "-4"});
  const String bytes = SaveBothWays(*t);
  LoadBothWays(make, bytes);
  auto back = make();
  LoadBytes(*back, fast, bytes);
  EXPECT_EQ((std::vector<String>{"a longer text held apart", ""}), Column(*back, "Long"));
}

TEST_F(CsvDirectColumns, ARecordingSaveHandlerSeesEveryField) {
  auto t = TextTable();
  AddTextRow(*t, {"a", "b", "1", "14/01/2004"});
  std::vector<String> fields;
  t->OnSaveField = [&](TDataSet*, Integer, TField* f) { fields.push_back(f->FieldName()); };
  const String withHandler = SavedBytes(*t, fast);
  t->OnSaveField = nullptr;
  EXPECT_EQ(withHandler, SavedBytes(*t, fast));
  EXPECT_EQ((std::vector<String>{"S", "FC", "I", "DT"}), fields);
}

// --- the fixed date-time form ----------------------------------------------------------

TEST(CsvFixedDateTime, WritesWhatFormatDateTimeWrites) {
  TFormatSettingsGuard keep;
  FormatSettings().ShortDateFormat = "dd/mm/yyyy";
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  ASSERT_TRUE(CsvFixedDateTimeFormats());
  for (char separator : {'/', '.'}) {
    FormatSettings().DateSeparator = separator;
    FormatSettings().TimeSeparator = separator == '/' ? ':' : '.';
    for (TDateTime value :
         {0.0, 1.5, -1.25, -700000.0, 2958465.99998, 38000.000011574, 38000.999994,
          EncodeDateTime(1, 1, 1, 0, 0, 0, 0), EncodeDateTime(999, 3, 4, 5, 6, 7, 8)}) {
      String out = "x";
      CsvAppendFixedDateTime(out, value);
      EXPECT_EQ("x" + FormatDateTime("c", value), out) << value;
    }
  }
  FormatSettings().LongTimeFormat = "hh:nn";
  EXPECT_FALSE(CsvFixedDateTimeFormats());
}

TEST(CsvFixedDateTime, ReadsWhatStrToDateTimeReads) {
  TFormatSettingsGuard keep;
  FormatSettings().ShortDateFormat = "dd/mm/yyyy";
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  FormatSettings().DateSeparator = '/';
  FormatSettings().TimeSeparator = ':';
  for (const char* text : {"14/01/2004", "14/01/2004 00:00:00", "29/12/1899 06:30:01",
                           "01/01/0001 23:59:59", "31/12/9999 12:00:00"}) {
    TDateTime fast = 0, general = 0;
    ASSERT_TRUE(CsvParseFixedDateTime(text, fast)) << text;
    ASSERT_TRUE(TryStrToDateTime(text, general)) << text;
    EXPECT_EQ(general, fast) << text;
  }
  TDateTime ignored;
  for (const char* text :
       {"1/01/2004", "14/01/2004 1:00:00", "14/01/2004T12:00:00", "14/01/2004 12:00", "30/02/2004",
        "14/01/2004 25:00:00", "14.01.2004", "14/01/2004 12:00:00.5"})
    EXPECT_FALSE(CsvParseFixedDateTime(text, ignored)) << text;
  FormatSettings().TimePMString.clear();
  EXPECT_FALSE(CsvParseFixedDateTime("14/01/2004 13:00:00", ignored))
      << "an empty marker is the general reader's";
}

}  // namespace
