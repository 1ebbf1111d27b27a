// memtable/CsvStreamFormat.h
//
// TvomCustomCSVStreamFormat: the text format in which a memory table saves
// and loads itself, the catalogue file's format. TvomCSVStreamFormat is the
// same class with its properties published.
//
// File layout (Q() quotes with CSVQuote, D is CSVFieldDelimiter, R is
// CSVRecordDelimiter, every line ends with CR LF; the pieces are in
// CsvCodec.h):
//
//   "@@FILE VERSION@@" D "251"              } only with sfSaveDef
//   "@@TABLEDEF START@@"                    }
//   Q(field line) per saved field           }
//   "@@INDEXDEF START@@"                    } only with sfSaveIndexDef
//   Q(index line) per index definition      }
//   "@@INDEXDEF END@@"                      }
//   "@@TABLEDEF END@@"                      }
//   Q(display name) D ... R                 unless sfSaveNoHeader
//   Q(value) D ... R                        per record, with sfSaveData
//
// A null value is an empty column; any other value is quoted (an empty string
// is two quotes). Strings are escaped (%%, %0, %c, %n), binary values written
// as 6-bit text, Booleans as CSVTrueString / CSVFalseString, everything else
// as the field's text. Unless sfSaveLocalFormat / sfLoadLocalFormat, the
// process-wide number and date settings are fixed for the operation (dates
// dd/mm/yyyy, times hh:nn:ss, '.' as decimal separator, no currency symbol)
// and restored afterwards, so files do not depend on the user's settings.
//
// Errors: EMemTableError "Saving deltas is supported only in binary
// format." for a save with sfSaveDeltas; "Unknown field type (%s) in CSV
// file. (%s)" for a type name a table cannot hold; "Invalid field size (%d)
// in CSV file. (%s)" for a size outside 0 .. 8192; the conversion errors of
// values that do not parse (records loaded before stay in the table);
// ERangeError for a binary value holding characters outside ' ' .. '_'.
//
// Threads: the caller's (GUI) thread; loading and saving switch the
// process-wide format settings.
#pragma once

#include <functional>
#include <memory>

#include "memtable/CsvLineReader.h"
#include "memtable/StreamFormat.h"
#include "platform/rtl/FormatSettings.h"

class TField;
class TStrings;

// Keep the user's number and date settings instead of the fixed ones.
enum TvomStreamFlagsLocalFormat : Byte { sfSaveLocalFormat = 0x01, sfLoadLocalFormat = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsLocalFormat)
// No header line is written / expected.
enum TvomStreamFlagsNoHeader : Byte { sfSaveNoHeader = 0x01, sfLoadNoHeader = 0x02 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsNoHeader)
// Fields that are not saved still get an empty column and a header name.
enum TvomStreamFlagsPlaceHolders : Byte { sfSavePlaceholders = 0x01 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsPlaceHolders)
// Only string and binary values are quoted.
enum TvomStreamFlagsQuoteOnlyStrings : Byte { sfSaveQuoteOnlyStrings = 0x01 };
ZORVET_ENUM_BITMASK(TvomStreamFlagsQuoteOnlyStrings)

using TvomStreamFlagLocalFormat = TvomStreamFlagsLocalFormat;
using TvomStreamFlagNoHeader = TvomStreamFlagsNoHeader;
using TvomStreamFlagPlaceholders = TvomStreamFlagsPlaceHolders;
using TvomStreamFlagQuoteOnlyStrings = TvomStreamFlagsQuoteOnlyStrings;

// Lets the application change a value's text or null flag just before it is
// written / just after it is read. Sender: the format.
using TvomOnFormatSaveField =
    std::function<void(TObject* Sender, TField* Field, bool& Null, String& Data)>;
using TvomOnFormatLoadField =
    std::function<void(TObject* Sender, TField* Field, bool& Null, String& Data)>;

class TvomCustomCSVStreamFormat : public TvomCustomStreamFormat {
  ZORVET_CLASS_NAME(TvomCustomCSVStreamFormat)

 public:
  // Quote '"', both delimiters ',', "True" / "False", no extra flags.
  explicit TvomCustomCSVStreamFormat(TComponent* owner);
  ~TvomCustomCSVStreamFormat() override;

  // #0 switches quoting off.
  char CSVQuote() const { return quote_; }
  void SetCSVQuote(char value) { quote_ = value; }
  // Assigning #0 is ignored.
  char CSVFieldDelimiter() const { return field_delimiter_; }
  void SetCSVFieldDelimiter(char value);
  // Appended to every header and record line; #0 appends nothing.
  char CSVRecordDelimiter() const { return record_delimiter_; }
  void SetCSVRecordDelimiter(char value) { record_delimiter_ = value; }
  const String& CSVTrueString() const { return true_string_; }
  void SetCSVTrueString(const String& value) { true_string_ = value; }
  const String& CSVFalseString() const { return false_string_; }
  void SetCSVFalseString(const String& value) { false_string_ = value; }

  TvomStreamFlagsLocalFormat sfLocalFormat() const { return sf_local_format_; }
  void SetsfLocalFormat(TvomStreamFlagsLocalFormat value) { sf_local_format_ = value; }
  TvomStreamFlagsNoHeader sfNoHeader() const { return sf_no_header_; }
  void SetsfNoHeader(TvomStreamFlagsNoHeader value) { sf_no_header_ = value; }
  TvomStreamFlagsPlaceHolders sfPlaceHolders() const { return sf_place_holders_; }
  void SetsfPlaceHolders(TvomStreamFlagsPlaceHolders value) { sf_place_holders_ = value; }
  TvomStreamFlagsQuoteOnlyStrings sfQuoteOnlyStrings() const { return sf_quote_only_strings_; }
  void SetsfQuoteOnlyStrings(TvomStreamFlagsQuoteOnlyStrings value) {
    sf_quote_only_strings_ = value;
  }

  TvomOnFormatSaveField OnFormatSaveField;
  TvomOnFormatLoadField OnFormatLoadField;

  // From another CSV format: quote, delimiters, Boolean texts, sfLocalFormat
  // and sfPlaceHolders (not sfNoHeader, sfQuoteOnlyStrings or the events);
  // then the inherited assign of the common flag sets.
  void Assign(const TPersistent* source) override;

 protected:
  // "3.00".
  String GetVersion() const override;

  void BeforeSave(TvomCustomMemTable* table) override;
  void SaveDef(TvomCustomMemTable* table) override;
  void SaveData(TvomCustomMemTable* table) override;
  void AfterSave(TvomCustomMemTable* table) override;

  void DetermineLoadFieldIDs(TvomCustomMemTable* table, TStrings* ids,
                             TvomDetermineLoadFieldsSituation situation) override;
  void DetermineLoadFieldIndex(TvomCustomMemTable* table, const String& id, Integer count,
                               Integer position, Integer& fieldIndex,
                               TvomDetermineLoadFieldsSituation situation) override;
  void BeforeLoad(TvomCustomMemTable* table) override;
  void LoadDef(TvomCustomMemTable* table) override;
  void LoadData(TvomCustomMemTable* table) override;
  void AfterLoad(TvomCustomMemTable* table) override;

  // The load's line reader (CsvLineReader.h). Valid between BeforeLoad and
  // AfterLoad.
  virtual bool FillBuffer();
  virtual bool ReadLine();
  virtual void ReadField(bool& isNull, String& value);

 private:
  // Appends CR LF and queues the line for the work stream.
  void WriteLine(String& line);
  void FlushOutput();
  void SwitchFormatSettings(bool keepLocal);
  void RestoreFormatSettings();
  void LoadFieldLine(TvomCustomMemTable* table, const String& line, const String& firstColumn);
  void LoadIndexLine(TvomCustomMemTable* table, const String& line);
  void ReportLoadProgress(TvomCustomMemTable* table, Integer fills);

  char quote_ = '"';
  char field_delimiter_ = ',';
  char record_delimiter_ = ',';
  String true_string_ = "True";
  String false_string_ = "False";
  TvomStreamFlagsLocalFormat sf_local_format_{};
  TvomStreamFlagsNoHeader sf_no_header_{};
  TvomStreamFlagsPlaceHolders sf_place_holders_{};
  TvomStreamFlagsQuoteOnlyStrings sf_quote_only_strings_{};

  // Run-time state of one operation.
  std::unique_ptr<TFormatSettingsGuard> saved_settings_;
  String out_;  // lines not yet handed to the work stream
  std::unique_ptr<TvomCsvLineReader> reader_;
  Int64 stream_size_ = 0;
  bool stream_empty_ = false;
  // After the definitions: whether a line (header or first record) is current.
  bool has_current_line_ = false;
  // Field lines of the stream's definition block; -1 without a block.
  Integer def_fields_ = -1;
  // Whether the current line was read as the header.
  bool header_read_ = false;
  // Whether a column of the header named one of the table's fields.
  bool header_names_field_ = false;
  // For a stream that starts with a definition block, that is one of the
  // writer's own: raises EReadError when the current line, a header or a
  // record of `columns` columns, cannot have been written whole.
  void CheckWrittenLine(Integer columns, bool header) const;
};

class TvomCSVStreamFormat : public TvomCustomCSVStreamFormat {
  ZORVET_CLASS_NAME(TvomCSVStreamFormat)

 public:
  using TvomCustomCSVStreamFormat::TvomCustomCSVStreamFormat;
};

// Publishes the properties of TvomCSVStreamFormat and registers the class
// (for stored definitions). Call once from the module's initialisation;
// later calls do nothing.
void DeclareCsvStreamFormatProperties();
