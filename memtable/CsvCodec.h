// memtable/CsvCodec.h
//
// The text pieces of the CSV table format, as functions over bytes: quoting
// of columns, the escapes of string values, the 6-bit text form of binary
// values, and the parsers of the definition block's field and index lines.
// The format component (CsvStreamFormat.h) puts them together; the line
// reader is CsvLineReader.h. The last part of this file (value kinds, type
// names, size limit) serves the binary format as well, which reads the same
// definitions.
//
// Quoting. Q(x) encloses x in the quote character and doubles every quote
// inside; a quote of #0 leaves x as it is. The definition block quotes the
// inner texts of a field line always with the double quote (A(x) = Q(x) with
// '"'), whatever quote the file uses.
//
// String values are escaped so that a value never holds a line break:
//   '%' -> "%%"   #0 -> "%0"   CR -> "%c"   LF -> "%n"
// Unescaping is forgiving: a '%' followed by anything else, or at the very
// end, is kept as it stands.
//
// Binary values are written as 6-bit text: the bytes form one bit stream,
// least significant bit first, cut into groups of 6 bits (the last filled up
// with zeros), each written as the character 32 + group (' ' .. '_'). n bytes
// give (4n + 2) / 3 characters; "abc" gives "A)V8". Decoding refuses any
// character outside ' ' .. '_' with ERangeError "Range check error".
//
// Threads: every function may run on any thread.
#pragma once

#include <string_view>
#include <vector>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Types.h"

class TField;
class TIndexDefs;
class TvomCustomMemTable;

// Appends Q(text) to `out` (see above).
void CsvAppendQuoted(String& out, std::string_view text, char quote);
String CsvQuoted(std::string_view text, char quote);

// Appends the escaped form of a string value to `out`.
void CsvAppendEscaped(String& out, std::string_view value);
// Replaces `out` with the unescaped form of `text`.
void CsvUnescapeTo(String& out, std::string_view text);
String CsvUnescaped(std::string_view text);

// Appends the 6-bit text of `bytes` to `out`.
void CsvAppendSixBit(String& out, std::string_view bytes);
String CsvSixBitEncoded(std::string_view bytes);
// Replaces `out` with the bytes that `text` encodes; ERangeError for a
// character outside ' ' .. '_' (`out` then holds the bytes before it).
void CsvSixBitDecodeTo(String& out, std::string_view text);
String CsvSixBitDecoded(std::string_view text);

// Date-time values. A file is written with the short date format
// "dd/mm/yyyy" and the long time format "hh:nn:ss" unless the user's settings
// are kept; a date-time field's text is then its date, followed by a blank
// and its time unless that is midnight (FormatDateTime's "c").
// Whether the process-wide settings hold those two formats.
bool CsvFixedDateTimeFormats();
// Appends FormatDateTime("c", value) under those formats, with the settings'
// separators. REQUIRES: CsvFixedDateTimeFormats().
void CsvAppendFixedDateTime(String& out, TDateTime value);
// Reads a text of exactly that form ("dd/mm/yyyy" or "dd/mm/yyyy hh:nn:ss",
// with the settings' separators): the value that StrToDateTime gives, and
// true; false for any other text, which is then left to StrToDateTime (it
// accepts more forms, and raises the errors). REQUIRES:
// CsvFixedDateTimeFormats().
bool CsvParseFixedDateTime(std::string_view text, TDateTime& value);

// Undoes Q(x): when `text` starts with `quote`, the quoted text with doubled
// quotes made single (an unterminated text runs to the end; what follows the
// closing quote is dropped); otherwise, and with a quote of #0, `text` itself.
String CsvUnquoted(std::string_view text, char quote);

// One part of a definition line's comma-separated text.
struct TvomCsvPart {
  String Text;
  // Written in double quotes; such a part is never a flag.
  bool Quoted = false;
};

// Splits comma-separated text into parts: ',' separates parts; a part that
// begins with a double quote is quoted text with doubled quotes inside (it
// ends at its closing quote); an unquoted part also ends at a blank or
// control character; blanks and control characters between parts are
// skipped; a ',' at the very end adds one empty part.
std::vector<TvomCsvPart> CsvSplitParts(std::string_view text);

// A field definition as table files hold it (the binary format reads the
// same values as tagged values). In a CSV file it is a field line, unquoted:
//   NAME=TYPE,SIZE,A(LABEL),A(MASK),WIDTH[,REQ][,RO][,INV],KIND,A(DEFAULT)
// The flags count only as whole unquoted parts after the display width, so a
// label or name holding ",RO" does not make its field read-only. Trailing
// parts may be missing (older files): without the default expression it is
// empty, without the kind it is "Data".
struct TvomStreamFieldDef {
  String Name;
  String TypeName;
  Integer Size = 0;
  String DisplayLabel;
  String EditMask;
  Integer DisplayWidth = 0;
  bool Required = false;
  bool ReadOnly = false;
  bool Invisible = false;
  String KindName = "Data";
  String DefaultExpression;
};
// EConvertError when the size or the display width is not an integer.
TvomStreamFieldDef CsvParseFieldLine(std::string_view line);
// The text of a field line before Q() is applied, cut at its first #0.
String CsvFormatFieldLine(const TvomStreamFieldDef& field);

// An index definition as table files hold it. In a CSV file, unquoted:
//   NAME=FIELDS,DISPLAYNAME[,DESC][,CASE][,NONMT][,UNIQ]
// The options count only as whole unquoted parts after the display name.
struct TvomStreamIndexDef {
  String Name;
  String Fields;
  String DisplayName;
  TIndexOptions Options;
};
TvomStreamIndexDef CsvParseIndexLine(std::string_view line);
// The text of an index line before Q() is applied; the field list and the
// display name are quoted with `quote`.
String CsvFormatIndexLine(const TvomStreamIndexDef& index, char quote);

// The two kinds of values that both table formats (CSV and binary) treat
// apart from the rest. Text: ftString, ftMemo, ftFmtMemo, ftFixedChar,
// ftWideString, ftOraClob, ftGuid. Bytes: ftBytes, ftVarBytes, ftBlob,
// ftGraphic, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftOraBlob.
bool IsTextValueType(TFieldType type);
bool IsByteValueType(TFieldType type);

// The type that a type name read from a table file (CSV or binary) names,
// case-sensitively; false for an unknown name and for the types a file
// never carries: ftUnknown, ftCursor, ftReference, ftDataSet, ftVariant,
// ftInterface and ftIDispatch.
bool StreamFieldTypeFromName(const String& typeName, TFieldType& type);

// The largest size a field definition read from a table file may declare
// (characters, bytes or decimals): the record store lays every field out in
// each record, so a damaged file must not make it ask for gigabytes.
inline constexpr Integer kvomMaxStreamFieldSize = 8192;
// Whether `size` is a size a definition read from a file may have.
inline bool StreamFieldSizeValid(Integer size) {
  return size >= 0 && size <= kvomMaxStreamFieldSize;
}

// Adds a field definition read from a table file to the (closed) table and
// creates its field, owned by the table, with the line's kind ("Data" when
// the name is unknown), display label, edit mask, read-only flag, display
// width, default expression and visibility. `type` is the line's type,
// already looked up. The dataset's errors (a duplicate or empty name) pass on.
TField* CreateStreamField(TvomCustomMemTable* table, const TvomStreamFieldDef& field,
                          TFieldType type);
// Adds an index definition read from a table file: named by its name, then
// given its field list and options, and finally its display name as name.
void AddStreamIndexDef(TIndexDefs* defs, const TvomStreamIndexDef& index);
