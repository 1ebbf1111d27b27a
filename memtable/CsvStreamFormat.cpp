// memtable/CsvStreamFormat.cpp
#include "memtable/CsvStreamFormat.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <exception>
#include <mutex>
#include <typeinfo>

#include "memtable/CsvCodec.h"
#include "memtable/MemTable.h"
#include "platform/data/DateTimeFields.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/IndexDefs.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringFields.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace {

constexpr const char* kFileVersionMarker = "@@FILE VERSION@@";
constexpr const char* kTableDefStart = "@@TABLEDEF START@@";
constexpr const char* kTableDefEnd = "@@TABLEDEF END@@";
constexpr const char* kIndexDefStart = "@@INDEXDEF START@@";
constexpr const char* kIndexDefEnd = "@@INDEXDEF END@@";
constexpr const char* kCsvFileVersion = "251";

constexpr const char* SvomCsvNoDeltas = "Saving deltas is supported only in binary format.";
constexpr const char* SvomCsvUnknownFieldType = "Unknown field type (%s) in CSV file. (%s)";
constexpr const char* SvomCsvInvalidFieldSize = "Invalid field size (%d) in CSV file. (%s)";

// Output is collected and handed to the stream in blocks of about this size.
constexpr std::size_t kWriteBlock = 64 * 1024;
// The most record slots a load reserves ahead from its estimate.
constexpr Int64 kMaxReservedRecords = Int64{1} << 24;

// --- columns read and written in the record's own form ----------------------------
//
// Saving and loading a catalogue of a million rows converts some seventeen
// million values. Through the fields each one takes the store's lock, finds
// the record the table's state designates and makes strings of its value;
// most of the time went there, not into the file. A field of the standard
// string, integer or date-time class that the record holds in place is
// therefore read straight from the record when saving; when loading, its
// text is parsed here and the value handed to the field in native form
// (SetData, SetAsInteger, SetAsDateTime), so that validation, events and
// the record's flags stay the field's own. The result is what the field's
// text conversions give, without their detours. Everything else (other
// types and classes, values held indirectly, calculated fields, texts in
// other forms) goes through the field's text conversions as before.

enum class TCsvColumnKind : Byte { Field, String, Integer, DateTime };

struct TCsvColumn {
  TCsvColumnKind Kind = TCsvColumnKind::Field;
  // The field's null flag in the record's data area.
  Integer Offset = -1;
  // A string field's declared size, and whether it is blank-padded.
  Integer Size = 0;
  bool FixedChar = false;
};

// How `field` of the open `table` is read and written.
TCsvColumn ColumnOf(TvomCustomMemTable* table, TField* field) {
  TCsvColumn column;
  const Integer no = field->FieldNo();
  if (field->FieldKind() != fkData || no < 1) return column;
  const TvomCommon& store = table->Store();
  if (store.FieldFlags(no) & mtffIndirect) return column;
  const Integer offset = store.FieldOffset(no);
  if (offset < 0) return column;
  // Exact classes only: a descendant may convert differently.
  const std::type_info& type = typeid(*field);
  if (type == typeid(TStringField)) {
    const auto* text = static_cast<const TStringField*>(field);
    // The engine's own classes hand text back unchanged from Translate; a
    // descendant may convert code pages, so its text goes through the field.
    if (text->Transliterate() && !IsOwnMemTableClass(*table)) return column;
    // An attached table may declare the text longer than the records hold it.
    column.Kind = TCsvColumnKind::String;
    column.Size = std::min(text->Size(), store.FieldStorageSize(no) - 1);
    column.FixedChar = text->FixedChar();
  } else if (type == typeid(TIntegerField) && field->DataType() == ftInteger &&
             store.FieldStorageSize(no) == 4) {
    column.Kind = TCsvColumnKind::Integer;
  } else if (type == typeid(TDateTimeField) && field->DataType() == ftDateTime &&
             store.FieldStorageSize(no) == 8) {
    column.Kind = TCsvColumnKind::DateTime;
  } else {
    return column;
  }
  column.Offset = offset;
  return column;
}

// The text that the saving loop makes of the field's AsString (escaped for
// strings), read from `record`; false when the value is null. REQUIRES: a
// column of a kind other than Field.
bool AppendColumnText(const TCsvColumn& column, const TvomRecord* record, bool fixedDates,
                      String& text) {
  const Byte* at = record->Data + column.Offset;
  if (at[0] == 0) return false;
  switch (column.Kind) {
    case TCsvColumnKind::String: {
      // The stored text ends at its first #0 within Size + 1 bytes.
      const auto* chars = reinterpret_cast<const char*>(at + 1);
      std::string_view value(chars, strnlen(chars, static_cast<std::size_t>(column.Size) + 1));
      if (column.FixedChar)
        while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
      CsvAppendEscaped(text, value);
      break;
    }
    case TCsvColumnKind::Integer:
      text += IntToStr(ReadValue<Integer>(at + 1));
      break;
    case TCsvColumnKind::DateTime: {
      const TDateTime value = NativeDateTimeToDateTime(ReadValue<double>(at + 1));
      if (fixedDates)
        CsvAppendFixedDateTime(text, value);
      else
        text += FormatDateTime("c", value);
      break;
    }
    case TCsvColumnKind::Field:
      break;
  }
  return true;
}

// The integer that a plain decimal text stands for, when it is one: an
// optional '-', then digits without leading zeros, within Integer's range.
// Such a text reads the same through the field's own parsing; anything else
// (blanks, '+', hexadecimal, out of range) is left to it.
bool PlainInteger(std::string_view text, Integer& value) {
  if (text.empty() || text.size() > 11) return false;
  const std::size_t first = text[0] == '-' ? 1 : 0;
  if (first == text.size() || text[first] < '0' || text[first] > '9') return false;
  if (text[first] == '0' && text.size() > first + 1) return false;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// Stores `text` in the string column as TStringField::SetAsString does: cut
// to the declared size without splitting a character, zeros after it.
void SetStringColumn(TField* field, const TCsvColumn& column, std::string_view text,
                     String& native) {
  const auto size = static_cast<std::size_t>(column.Size);
  String cut;
  if (text.size() > size) {
    cut = CutUtf8(text, size);
    text = cut;
  }
  native.assign(size + 1, '\0');
  std::memcpy(native.data(), text.data(), text.size());
  field->SetData(native.data());
}

}  // namespace

TvomCustomCSVStreamFormat::TvomCustomCSVStreamFormat(TComponent* owner)
    : TvomCustomStreamFormat(owner) {}

TvomCustomCSVStreamFormat::~TvomCustomCSVStreamFormat() = default;

void TvomCustomCSVStreamFormat::SetCSVFieldDelimiter(char value) {
  if (value != '\0') field_delimiter_ = value;
}

void TvomCustomCSVStreamFormat::Assign(const TPersistent* source) {
  if (const auto* csv = dynamic_cast<const TvomCustomCSVStreamFormat*>(source)) {
    quote_ = csv->quote_;
    SetCSVFieldDelimiter(csv->field_delimiter_);
    record_delimiter_ = csv->record_delimiter_;
    true_string_ = csv->true_string_;
    false_string_ = csv->false_string_;
    sf_local_format_ = csv->sf_local_format_;
    sf_place_holders_ = csv->sf_place_holders_;
  }
  TvomCustomStreamFormat::Assign(source);
}

String TvomCustomCSVStreamFormat::GetVersion() const {
  return "3.00";
}

// --- format settings ---------------------------------------------------------------

void TvomCustomCSVStreamFormat::SwitchFormatSettings(bool keepLocal) {
  saved_settings_ = std::make_unique<TFormatSettingsGuard>();
  if (keepLocal) return;
  // Files must read the same on every machine, whatever the user's settings.
  TFormatSettings& s = FormatSettings();
  s.DateSeparator = '/';
  s.TimeSeparator = ':';
  s.ThousandSeparator = ',';
  s.DecimalSeparator = '.';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongTimeFormat = "hh:nn:ss";
  s.CurrencyString.clear();
  s.CurrencyFormat = 0;
  s.NegCurrFormat = 1;
}

void TvomCustomCSVStreamFormat::RestoreFormatSettings() {
  saved_settings_.reset();
}

// --- saving -----------------------------------------------------------------------------

void TvomCustomCSVStreamFormat::BeforeSave(TvomCustomMemTable* table) {
  if (HasFlag(sfDeltas(), sfSaveDeltas)) throw EMemTableError(SvomCsvNoDeltas);
  TvomCustomStreamFormat::BeforeSave(table);
  try {
    out_.clear();
    SwitchFormatSettings(HasFlag(sfLocalFormat(), sfSaveLocalFormat));
  } catch (...) {
    // The table is locked and switched by now: undo that before failing.
    AfterSave(table);
    throw;
  }
}

void TvomCustomCSVStreamFormat::WriteLine(String& line) {
  line += "\r\n";
  out_ += line;
  if (out_.size() >= kWriteBlock) FlushOutput();
}

void TvomCustomCSVStreamFormat::FlushOutput() {
  if (out_.empty()) return;
  try {
    WorkStream()->WriteBuffer(out_.data(), static_cast<Int64>(out_.size()));
  } catch (...) {
    // Not offered again: a stream that refused the bytes fails the save.
    out_.clear();
    throw;
  }
  out_.clear();
}

void TvomCustomCSVStreamFormat::SaveDef(TvomCustomMemTable* table) {
  if (!HasFlag(sfDef(), sfSaveDef)) return;
  const bool placeholders = HasFlag(sfPlaceHolders(), sfSavePlaceholders);
  String line;

  auto marker = [&](const char* text) {
    line.clear();
    CsvAppendQuoted(line, text, quote_);
    WriteLine(line);
  };

  line.clear();
  CsvAppendQuoted(line, kFileVersionMarker, quote_);
  line += field_delimiter_;
  CsvAppendQuoted(line, kCsvFileVersion, quote_);
  WriteLine(line);
  marker(kTableDefStart);

  const std::vector<Integer>& map = SaveFieldMap();
  for (Integer i = 0; i < table->FieldCount(); ++i) {
    if (map[static_cast<std::size_t>(i)] < 0 && !placeholders) continue;
    TField* field = table->Fields(i);
    TvomStreamFieldDef f;
    f.Name = field->FieldName();
    f.TypeName = FieldTypeName(field->DataType());
    f.Size = field->Size();
    f.DisplayLabel = field->DisplayName();
    f.EditMask = field->EditMask();
    f.DisplayWidth = field->DisplayWidth();
    f.Required = field->Required();
    f.ReadOnly = field->ReadOnly();
    f.KindName =
        HasFlag(sfFieldKind(), sfSaveFieldKind) ? FieldKindName(field->FieldKind()) : "Data";
    f.DefaultExpression = field->DefaultExpression();
    line.clear();
    CsvAppendQuoted(line, CsvFormatFieldLine(f), quote_);
    WriteLine(line);
  }

  if (HasFlag(sfIndexDef(), sfSaveIndexDef)) {
    marker(kIndexDefStart);
    TIndexDefs* defs = table->IndexDefs();
    for (Integer i = 0; i < defs->Count(); ++i) {
      const TIndexDef* def = defs->Items(i);
      const TvomStreamIndexDef index{def->Name(), def->Fields(), def->DisplayName(),
                                     def->Options()};
      line.clear();
      CsvAppendQuoted(line, CsvFormatIndexLine(index, quote_), quote_);
      WriteLine(line);
    }
    marker(kIndexDefEnd);
  }
  marker(kTableDefEnd);
}

void TvomCustomCSVStreamFormat::SaveData(TvomCustomMemTable* table) {
  table->SetSaveCount(0);
  const bool placeholders = HasFlag(sfPlaceHolders(), sfSavePlaceholders);
  const bool quoteOnlyStrings = HasFlag(sfQuoteOnlyStrings(), sfSaveQuoteOnlyStrings);
  const std::vector<Integer>& map = SaveFieldMap();
  const Integer fieldCount = table->FieldCount();
  String line;

  auto endLine = [&] {
    if (record_delimiter_ != '\0') line += record_delimiter_;
    WriteLine(line);
  };

  if (!HasFlag(sfNoHeader(), sfSaveNoHeader)) {
    line.clear();
    bool pending = false;
    for (Integer i = 0; i < fieldCount; ++i) {
      if (map[static_cast<std::size_t>(i)] < 0 && !placeholders) continue;
      if (pending) line += field_delimiter_;
      CsvAppendQuoted(line, table->Fields(i)->DisplayName(), quote_);
      pending = true;
    }
    endLine();
  }
  if (!HasFlag(sfData(), sfSaveData)) return;

  table->SetSavedCompletely(true);
  TvomIndex* index = table->CurrentIndex();
  const Integer count = index->Count();
  String text;

  // The records are read in place unless a handler may change what a field
  // reads or writes (OnSaveField may even switch the field).
  std::vector<TCsvColumn> columns(static_cast<std::size_t>(fieldCount));
  if (!table->OnSaveField && !OnFormatSaveField && table->Active()) {
    for (Integer i = 0; i < fieldCount; ++i)
      if (map[static_cast<std::size_t>(i)] >= 0)
        columns[static_cast<std::size_t>(i)] = ColumnOf(table, table->Fields(i));
  }
  const bool fixedDates = CsvFixedDateTimeFormats();
  TScopeExit no_override([&] { table->SetOverrideRecord(nullptr); });
  for (Integer p = 0; p < count; ++p) {
    TvomRecord* record = index->Refs(p);
    const TSaveStep step = SaveStep(table, p, count, record);
    if (step == TSaveStep::Stop) break;
    if (step == TSaveStep::Skip) continue;

    line.clear();
    bool pending = false;
    for (Integer i = 0; i < fieldCount; ++i) {
      if (map[static_cast<std::size_t>(i)] < 0) {
        if (!placeholders) continue;
        if (pending) line += field_delimiter_;
        pending = true;
        continue;
      }
      TField* field = table->Fields(i);
      const TCsvColumn& column = columns[static_cast<std::size_t>(i)];
      if (table->OnSaveField) table->OnSaveField(table, i, field);
      const TFieldType type = field->DataType();
      bool isNull;
      text.clear();
      if (column.Kind != TCsvColumnKind::Field) {
        isNull = !AppendColumnText(column, record, fixedDates, text);
      } else if (!(isNull = field->IsNull())) {
        if (IsTextValueType(type))
          CsvAppendEscaped(text, field->AsString());
        else if (IsByteValueType(type))
          CsvAppendSixBit(text, field->AsString());
        else if (type == ftBoolean)
          text = field->AsBoolean() ? true_string_ : false_string_;
        else
          text = field->AsString();
      }
      if (OnFormatSaveField) OnFormatSaveField(this, field, isNull, text);
      if (pending) line += field_delimiter_;
      pending = true;
      if (isNull) continue;
      if (quoteOnlyStrings && !IsTextValueType(type) && !IsByteValueType(type))
        line += text;
      else
        CsvAppendQuoted(line, text, quote_);
    }
    endLine();
    table->SetSaveCount(table->SaveCount() + 1);
  }
}

void TvomCustomCSVStreamFormat::AfterSave(TvomCustomMemTable* table) {
  // The lines built so far reach the stream before the compression hook of
  // the inherited step reads it; the settings and the table are restored
  // whatever happens to the bytes.
  std::exception_ptr error;
  try {
    FlushOutput();
  } catch (...) {
    error = std::current_exception();
  }
  out_.clear();
  RestoreFormatSettings();
  TvomCustomStreamFormat::AfterSave(table);
  if (error) std::rethrow_exception(error);
}

// --- loading ----------------------------------------------------------------------------

void TvomCustomCSVStreamFormat::BeforeLoad(TvomCustomMemTable* table) {
  TvomCustomStreamFormat::BeforeLoad(table);
  try {
    TStream* stream = WorkStream();
    stream_size_ = stream->Size();
    stream_empty_ = stream_size_ - stream->Position() <= 0;
    has_current_line_ = false;
    reader_ = std::make_unique<TvomCsvLineReader>(
        stream, quote_, field_delimiter_, record_delimiter_,
        [this, table](Integer fills) { ReportLoadProgress(table, fills); });
    SwitchFormatSettings(HasFlag(sfLocalFormat(), sfLoadLocalFormat));
  } catch (...) {
    AfterLoad(table);
    throw;
  }
}

void TvomCustomCSVStreamFormat::ReportLoadProgress(TvomCustomMemTable* table, Integer fills) {
  if (fills % 100 != 0 || stream_size_ <= 0) return;
  table->Progress(static_cast<Integer>(WorkStream()->Position() * 100 / stream_size_), mtpcLoad);
}

bool TvomCustomCSVStreamFormat::FillBuffer() {
  return reader_->FillBuffer();
}

bool TvomCustomCSVStreamFormat::ReadLine() {
  return reader_->ReadLine();
}

void TvomCustomCSVStreamFormat::ReadField(bool& isNull, String& value) {
  reader_->ReadField(isNull, value);
}

void TvomCustomCSVStreamFormat::LoadDef(TvomCustomMemTable* table) {
  if (stream_empty_) return;
  const bool loadDef = HasFlag(sfDef(), sfLoadDef);
  const bool loadIndexDef = loadDef && HasFlag(sfIndexDef(), sfLoadIndexDef);
  bool inTable = false;
  bool inIndex = false;
  bool isNull;
  String first;
  String ignored;
  def_fields_ = -1;
  header_read_ = false;
  header_names_field_ = false;
  for (;;) {
    ReadLine();
    if (reader_->Line().empty()) {
      // A file cut inside its definitions names only some of its fields:
      // opening a table of those would lose the others at the next save.
      if (inTable) throw EReadError(SvomInvalidStreamData);
      // Bytes without a single line (only NULs or breaks) are what a crash
      // leaves of a file whose blocks were never written.
      if (reader_->LineNumber() == 0) throw EReadError(SvomCsvNoLines);
      // The writer follows its definitions with the header: a file that
      // ends there lost every record.
      if (def_fields_ >= 0 && !HasFlag(sfNoHeader(), sfLoadNoHeader))
        throw EReadError(SvomCsvNoHeader);
      break;
    }
    ReadField(isNull, first);
    if (first == kFileVersionMarker) {
      ReadField(isNull, ignored);
    } else if (first == kTableDefStart) {
      inTable = true;
      def_fields_ = 0;
      if (loadDef) {
        table->Close();
        table->FieldDefs()->Clear();
        table->DeleteTable();
      }
    } else if (first == kTableDefEnd) {
      inTable = false;
      table->Open();
    } else if (first == kIndexDefStart) {
      inIndex = true;
      if (loadIndexDef) {
        table->IndexDefs()->Clear();
        if (table->Active()) table->UpdateIndexes();
      }
    } else if (first == kIndexDefEnd) {
      inIndex = false;
      // A closed table builds its indexes from the definitions when it opens.
      if (loadIndexDef && table->Active()) table->UpdateIndexes();
    } else if (!inTable) {
      has_current_line_ = true;
      break;
    } else if (!inIndex) {
      ++def_fields_;
      if (loadDef) LoadFieldLine(table, reader_->Line(), first);
    } else if (loadIndexDef) {
      LoadIndexLine(table, reader_->Line());
    }
  }
}

void TvomCustomCSVStreamFormat::LoadFieldLine(TvomCustomMemTable* table, const String& line,
                                              const String& firstColumn) {
  const TvomStreamFieldDef f = CsvParseFieldLine(CsvUnquoted(line, quote_));
  TFieldType type;
  if (!StreamFieldTypeFromName(f.TypeName, type))
    throw EMemTableError(Format(SvomCsvUnknownFieldType, f.TypeName, firstColumn));
  if (!StreamFieldSizeValid(f.Size))
    throw EMemTableError(Format(SvomCsvInvalidFieldSize, f.Size, firstColumn));
  if (type == ftAutoInc) SetKeepLoadedAutoInc(table, true);
  CreateStreamField(table, f, type);
}

void TvomCustomCSVStreamFormat::LoadIndexLine(TvomCustomMemTable* table, const String& line) {
  AddStreamIndexDef(table->IndexDefs(), CsvParseIndexLine(CsvUnquoted(line, quote_)));
}

void TvomCustomCSVStreamFormat::DetermineLoadFieldIDs(TvomCustomMemTable* table, TStrings* ids,
                                                      TvomDetermineLoadFieldsSituation situation) {
  if (situation != dlfAfterLoadDef || !has_current_line_ || HasFlag(sfNoHeader(), sfLoadNoHeader)) {
    TvomCustomStreamFormat::DetermineLoadFieldIDs(table, ids, situation);
    return;
  }
  ids->Clear();
  reader_->RestartLine();
  bool isNull;
  String id;
  while (reader_->InLine()) {
    ReadField(isNull, id);
    ids->Add(id);
  }
  header_read_ = true;
  CheckWrittenLine(ids->Count(), true);
}

void TvomCustomCSVStreamFormat::CheckWrittenLine(Integer columns, bool header) const {
  // Without a quote character a text holding the delimiter splits its
  // column, so the count says nothing; files without definitions may be
  // anyone's, and keep the lenient reading.
  if (def_fields_ < 0 || quote_ == '\0') return;
  // The writer doubles every quote inside a value and escapes line breaks,
  // so a quoted value always closes on its own line.
  if (reader_->QuoteUnterminated())
    throw EReadError(Format(SvomCsvCutInQuote, reader_->LineNumber()));
  // Every written line has one column per field line; only a record's null
  // last column vanishes when no record delimiter follows it, and the
  // line then ends with the delimiter before that column and a line break.
  if (columns == def_fields_) return;
  const String& line = reader_->Line();
  if (!header && record_delimiter_ == '\0' && columns == def_fields_ - 1 && !line.empty() &&
      line.back() == field_delimiter_ && !reader_->LineUnterminated())
    return;
  throw EReadError(Format(SvomCsvColumnCount, reader_->LineNumber(), columns, def_fields_));
}

void TvomCustomCSVStreamFormat::DetermineLoadFieldIndex(
    TvomCustomMemTable* table, const String& id, Integer count, Integer position,
    Integer& fieldIndex, TvomDetermineLoadFieldsSituation situation) {
  (void)count;
  (void)position;
  if (situation != dlfAfterLoadDef) return;
  const String wanted = UpperCase(id);
  for (Integer i = 0; i < table->FieldCount(); ++i) {
    if (UpperCase(table->Fields(i)->DisplayName()) == wanted) {
      fieldIndex = i;
      header_names_field_ = true;
      return;
    }
  }
}

void TvomCustomCSVStreamFormat::LoadData(TvomCustomMemTable* table) {
  if (stream_empty_ || !HasFlag(sfData(), sfLoadData)) return;
  // The definitions may have brought a new auto-increment field.
  table->LocateAutoIncField();
  table->SetLoadCount(0);
  table->SetLoadedCompletely(true);
  const std::vector<Integer>& map = LoadFieldMap();
  const std::size_t columns = map.size();
  const bool loadAllKinds = HasFlag(sfFieldKind(), sfLoadFieldKind);
  const Integer limit = table->LoadLimit();
  // Without a header the line after the definitions is already the first record.
  bool lineIsCurrent = HasFlag(sfNoHeader(), sfLoadNoHeader) && has_current_line_;
  bool isNull;
  String value;
  String decoded;
  String native;
  // A first line that names none of the fields is no header: whatever the
  // bytes are, loading them would give records of nulls only.
  if (header_read_ && !header_names_field_ && columns > 0 && table->FieldCount() > 0)
    throw EReadError(SvomCsvNotAHeader);
  const bool checkColumns = def_fields_ >= 0 && quote_ != '\0';

  // Per column: the record form its field can be written in, unless a
  // handler may change the field's text on its way in.
  std::vector<TCsvColumn> kinds(columns);
  const bool fixedDates = CsvFixedDateTimeFormats();
  bool reserved = false;
  if (!OnFormatLoadField) {
    for (std::size_t c = 0; c < columns; ++c)
      if (map[c] >= 0 && map[c] < table->FieldCount())
        kinds[c] = ColumnOf(table, table->Fields(map[c]));
  }

  for (;;) {
    if (limit > 0 && table->LoadCount() >= limit) {
      table->SetLoadedCompletely(false);
      break;
    }
    if (lineIsCurrent)
      reader_->RestartLine();
    else
      ReadLine();
    lineIsCurrent = false;
    if (reader_->Line().empty()) break;
    if (!reserved) {
      // Room for about as many records as the stream has lines like the
      // first, so that the store's list is not copied over and over as it
      // grows (only an estimate: the list still grows past it).
      // A short first line must not make it ask for gigabytes.
      reserved = true;
      Int64 estimate = stream_size_ / static_cast<Int64>(reader_->Line().size() + 2);
      if (limit > 0) estimate = std::min<Int64>(estimate, limit);
      estimate = std::min<Int64>(estimate, kMaxReservedRecords);
      table->Store().ReserveRecords(table->Store().RecordCount() + static_cast<Integer>(estimate));
    }

    table->Append();
    try {
      std::size_t c = 0;
      for (; reader_->InLine() && c < columns; ++c) {
        ReadField(isNull, value);
        const Integer f = map[c];
        if (f < 0) continue;
        TField* field = table->Fields(f);
        if (!loadAllKinds && field->FieldKind() != fkData) continue;
        if (OnFormatLoadField) OnFormatLoadField(this, field, isNull, value);
        const TFieldType type = field->DataType();
        const TCsvColumnKind kind = kinds[c].Kind;
        Integer number;
        TDateTime moment;
        if (isNull) {
          field->Clear();
        } else if (kind == TCsvColumnKind::String) {
          CsvUnescapeTo(decoded, value);
          SetStringColumn(field, kinds[c], decoded, native);
        } else if (kind == TCsvColumnKind::Integer && PlainInteger(value, number)) {
          field->SetAsInteger(number);
        } else if (kind == TCsvColumnKind::DateTime && fixedDates &&
                   CsvParseFixedDateTime(value, moment)) {
          field->SetAsDateTime(moment);
        } else if (IsTextValueType(type)) {
          CsvUnescapeTo(decoded, value);
          field->SetAsString(decoded);
        } else if (IsByteValueType(type)) {
          CsvSixBitDecodeTo(decoded, value);
          field->SetAsString(decoded);
        } else if (type == ftBoolean) {
          field->SetAsBoolean(value == true_string_);
        } else {
          field->SetAsString(value);
        }
        if (table->OnLoadField) table->OnLoadField(table, f, field);
      }
      if (checkColumns) {
        for (; reader_->InLine(); ++c) ReadField(isNull, value);
        CheckWrittenLine(static_cast<Integer>(c), false);
      }
      bool accept = true;
      if (table->OnLoadRecord) table->OnLoadRecord(table, accept);
      if (!accept) {
        table->Cancel();
        continue;
      }
      table->Post();
    } catch (...) {
      // The record being filled is dropped; those posted before stay.
      if (table->State() == dsInsert) table->Cancel();
      throw;
    }
    table->SetLoadCount(table->LoadCount() + 1);
  }
}

void TvomCustomCSVStreamFormat::AfterLoad(TvomCustomMemTable* table) {
  RestoreFormatSettings();
  reader_.reset();
  TvomCustomStreamFormat::AfterLoad(table);
}

// --- published properties ------------------------------------------------------------

void DeclareCsvStreamFormatProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    // Links the chain down from TComponent; the common flag sets are the
    // framework's to declare.
    TPublishedClass<TvomCustomStreamFormat, TComponent>();
    using F = TvomCSVStreamFormat;
    TPublishedClass<F, TvomCustomStreamFormat>()
        .AddChar("CSVQuote", &F::CSVQuote, &F::SetCSVQuote, '"')
        .AddChar("CSVFieldDelimiter", &F::CSVFieldDelimiter, &F::SetCSVFieldDelimiter, ',')
        .AddChar("CSVRecordDelimiter", &F::CSVRecordDelimiter, &F::SetCSVRecordDelimiter, ',')
        .AddString("CSVTrueString", &F::CSVTrueString, &F::SetCSVTrueString)
        .StoredWhen([](F* f) { return f->CSVTrueString() != "True"; })
        .AddString("CSVFalseString", &F::CSVFalseString, &F::SetCSVFalseString)
        .StoredWhen([](F* f) { return f->CSVFalseString() != "False"; })
        .AddSet("sfLocalFormat", &F::sfLocalFormat, &F::SetsfLocalFormat,
                {"sfSaveLocalFormat", "sfLoadLocalFormat"}, 0)
        .AddSet("sfNoHeader", &F::sfNoHeader, &F::SetsfNoHeader,
                {"sfSaveNoHeader", "sfLoadNoHeader"}, 0)
        .AddSet("sfPlaceHolders", &F::sfPlaceHolders, &F::SetsfPlaceHolders, {"sfSavePlaceholders"},
                0)
        .AddSet("sfQuoteOnlyStrings", &F::sfQuoteOnlyStrings, &F::SetsfQuoteOnlyStrings,
                {"sfSaveQuoteOnlyStrings"}, 0);
    RegisterClass<TvomCSVStreamFormat>();
  });
}
