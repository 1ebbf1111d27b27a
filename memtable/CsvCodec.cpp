// memtable/CsvCodec.cpp
#include "memtable/CsvCodec.h"

#include <charconv>
#include <cstring>

#include "memtable/MemTable.h"
#include "memtable/RecordStore.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/Checked.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"

void CsvAppendQuoted(String& out, std::string_view text, char quote) {
  if (quote == '\0') {
    out.append(text);
    return;
  }
  out.push_back(quote);
  for (;;) {
    const std::size_t at = text.find(quote);
    if (at == std::string_view::npos) break;
    out.append(text.substr(0, at + 1));
    out.push_back(quote);
    text.remove_prefix(at + 1);
  }
  out.append(text);
  out.push_back(quote);
}

String CsvQuoted(std::string_view text, char quote) {
  String out;
  out.reserve(text.size() + 2);
  CsvAppendQuoted(out, text, quote);
  return out;
}

void CsvAppendEscaped(String& out, std::string_view value) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    char escape;
    switch (value[i]) {
      case '%':
        escape = '%';
        break;
      case '\0':
        escape = '0';
        break;
      case '\r':
        escape = 'c';
        break;
      case '\n':
        escape = 'n';
        break;
      default:
        continue;
    }
    out.append(value.substr(start, i - start));
    out.push_back('%');
    out.push_back(escape);
    start = i + 1;
  }
  out.append(value.substr(start));
}

void CsvUnescapeTo(String& out, std::string_view text) {
  out.clear();
  for (;;) {
    const std::size_t at = text.find('%');
    if (at == std::string_view::npos || at + 1 == text.size()) break;
    out.append(text.substr(0, at));
    char c;
    switch (text[at + 1]) {
      case '%':
        c = '%';
        break;
      case '0':
        c = '\0';
        break;
      case 'c':
        c = '\r';
        break;
      case 'n':
        c = '\n';
        break;
      default:
        // Never written; keep the '%' and read on from the next character.
        out.push_back('%');
        text.remove_prefix(at + 1);
        continue;
    }
    out.push_back(c);
    text.remove_prefix(at + 2);
  }
  out.append(text);
}

String CsvUnescaped(std::string_view text) {
  String out;
  CsvUnescapeTo(out, text);
  return out;
}

void CsvAppendSixBit(String& out, std::string_view bytes) {
  unsigned held = 0;  // bits not yet written, lowest first
  int count = 0;
  for (const char c : bytes) {
    held |= static_cast<unsigned>(static_cast<Byte>(c)) << count;
    count += 8;
    while (count >= 6) {
      out.push_back(static_cast<char>(' ' + (held & 0x3F)));
      held >>= 6;
      count -= 6;
    }
  }
  if (count > 0) out.push_back(static_cast<char>(' ' + (held & 0x3F)));
}

String CsvSixBitEncoded(std::string_view bytes) {
  String out;
  out.reserve((4 * bytes.size() + 2) / 3);
  CsvAppendSixBit(out, bytes);
  return out;
}

void CsvSixBitDecodeTo(String& out, std::string_view text) {
  out.clear();
  out.reserve(3 * text.size() / 4);
  unsigned held = 0;
  int count = 0;
  for (const char c : text) {
    // Characters above '_' would carry more than 6 bits and spill into the
    // next byte, so both ends of the range are refused alike.
    if (c < ' ' || c > '_') RaiseRangeError();
    held |= static_cast<unsigned>(c - ' ') << count;
    count += 6;
    if (count >= 8) {
      out.push_back(static_cast<char>(held & 0xFF));
      held >>= 8;
      count -= 8;
    }
  }
}

String CsvSixBitDecoded(std::string_view text) {
  String out;
  CsvSixBitDecodeTo(out, text);
  return out;
}

namespace {

// `value` in at least `width` digits, as "%0*u" writes it.
void AppendDigits(String& out, unsigned value, std::size_t width) {
  char digits[16];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const auto count = static_cast<std::size_t>(end - digits);
  if (count < width) out.append(width - count, '0');
  out.append(digits, count);
}

}  // namespace

bool CsvFixedDateTimeFormats() {
  const TFormatSettings& settings = FormatSettings();
  return settings.ShortDateFormat == "dd/mm/yyyy" && settings.LongTimeFormat == "hh:nn:ss";
}

void CsvAppendFixedDateTime(String& out, TDateTime value) {
  // Saving writes one of these per date-time value; interpreting the format
  // letters each time cost more than the rest of the record.
  Word year, month, day, hour, minute, second, msec;
  DecodeDateTime(value, year, month, day, hour, minute, second, msec);
  const TFormatSettings& settings = FormatSettings();
  AppendDigits(out, day, 2);
  out += settings.DateSeparator;
  AppendDigits(out, month, 2);
  out += settings.DateSeparator;
  AppendDigits(out, year, 4);
  if (hour == 0 && minute == 0 && second == 0 && msec == 0) return;
  out += ' ';
  AppendDigits(out, hour, 2);
  out += settings.TimeSeparator;
  AppendDigits(out, minute, 2);
  out += settings.TimeSeparator;
  AppendDigits(out, second, 2);
}

namespace {

// The value of the two digits at `at`; false when they are not digits.
bool TwoDigits(std::string_view text, std::size_t at, Word& value) {
  const char a = text[at], b = text[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return false;
  value = static_cast<Word>((a - '0') * 10 + (b - '0'));
  return true;
}

bool IsDigitText(const String& text) {
  return !text.empty() && text[0] >= '0' && text[0] <= '9';
}

}  // namespace

bool CsvParseFixedDateTime(std::string_view text, TDateTime& value) {
  // The general reader takes a morning or afternoon marker wherever an hour
  // may start; markers that could begin like a number are left to it.
  const TFormatSettings& settings = FormatSettings();
  if (text.size() != 10 && text.size() != 19) return false;
  if (settings.TimeAMString.empty() || settings.TimePMString.empty() ||
      IsDigitText(settings.TimeAMString) || IsDigitText(settings.TimePMString))
    return false;
  Word day, month, century, years;
  if (!TwoDigits(text, 0, day) || text[2] != settings.DateSeparator || !TwoDigits(text, 3, month) ||
      text[5] != settings.DateSeparator || !TwoDigits(text, 6, century) ||
      !TwoDigits(text, 8, years))
    return false;
  TDateTime date, time = 0;
  if (!TryEncodeDate(static_cast<Word>(century * 100 + years), month, day, date)) return false;
  if (text.size() == 19) {
    Word hour, minute, second;
    if (text[10] != ' ' || !TwoDigits(text, 11, hour) || text[13] != settings.TimeSeparator ||
        !TwoDigits(text, 14, minute) || text[16] != settings.TimeSeparator ||
        !TwoDigits(text, 17, second) || !TryEncodeTime(hour, minute, second, 0, time))
      return false;
  }
  value = ComposeDateTime(date, time);
  return true;
}

String CsvUnquoted(std::string_view text, char quote) {
  if (quote == '\0' || text.empty() || text.front() != quote) return String(text);
  std::string_view rest = text;
  return AnsiExtractQuotedStr(rest, quote);
}

namespace {

bool IsBlankOrControl(char c) {
  return static_cast<Byte>(c) <= ' ';
}

void SkipBlanks(std::string_view& text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
}

// Splits "NAME=REST" at the first '='; without one the whole text is the name.
void SplitAtEquals(std::string_view line, String& name, std::string_view& rest) {
  const std::size_t at = line.find('=');
  if (at == std::string_view::npos) {
    name.assign(line);
    rest = {};
  } else {
    name.assign(line.substr(0, at));
    rest = line.substr(at + 1);
  }
}

bool IsFlag(const TvomCsvPart& part, const char* flag) {
  return !part.Quoted && part.Text == flag;
}

const String& PartText(const std::vector<TvomCsvPart>& parts, std::size_t index) {
  static const String empty;
  return index < parts.size() ? parts[index].Text : empty;
}

}  // namespace

std::vector<TvomCsvPart> CsvSplitParts(std::string_view text) {
  std::vector<TvomCsvPart> parts;
  SkipBlanks(text);
  while (!text.empty()) {
    TvomCsvPart part;
    if (text.front() == '"') {
      part.Text = AnsiExtractQuotedStr(text, '"');
      part.Quoted = true;
    } else {
      std::size_t n = 0;
      while (n < text.size() && !IsBlankOrControl(text[n]) && text[n] != ',') ++n;
      part.Text.assign(text.substr(0, n));
      text.remove_prefix(n);
    }
    parts.push_back(std::move(part));
    SkipBlanks(text);
    if (!text.empty() && text.front() == ',') {
      if (text.size() == 1) parts.emplace_back();
      text.remove_prefix(1);
      SkipBlanks(text);
    }
  }
  return parts;
}

TvomStreamFieldDef CsvParseFieldLine(std::string_view line) {
  TvomStreamFieldDef field;
  std::string_view rest;
  SplitAtEquals(line, field.Name, rest);
  std::vector<TvomCsvPart> parts = CsvSplitParts(rest);

  // The flags stand between the display width and the kind; take them out
  // so that the kind and the default expression are found by position
  // whether or not flags were written.
  std::vector<TvomCsvPart> values;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i >= 5) {
      if (IsFlag(parts[i], "REQ")) {
        field.Required = true;
        continue;
      }
      if (IsFlag(parts[i], "RO")) {
        field.ReadOnly = true;
        continue;
      }
      if (IsFlag(parts[i], "INV")) {
        field.Invisible = true;
        continue;
      }
    }
    values.push_back(std::move(parts[i]));
  }

  field.TypeName = PartText(values, 0);
  field.Size = StrToInt(PartText(values, 1));
  field.DisplayLabel = PartText(values, 2);
  field.EditMask = PartText(values, 3);
  field.DisplayWidth = StrToInt(PartText(values, 4));
  std::size_t count = values.size();
  if (count > 6) field.DefaultExpression = values[--count].Text;
  if (count >= 6) field.KindName = values[count - 1].Text;
  return field;
}

String CsvFormatFieldLine(const TvomStreamFieldDef& field) {
  String f;
  f.reserve(64 + field.Name.size() + field.DisplayLabel.size());
  f += field.Name;
  f += '=';
  f += field.TypeName;
  f += ',';
  f += IntToStr(field.Size);
  f += ',';
  CsvAppendQuoted(f, field.DisplayLabel, '"');
  f += ',';
  CsvAppendQuoted(f, field.EditMask, '"');
  f += ',';
  f += IntToStr(field.DisplayWidth);
  if (field.Required) f += ",REQ";
  if (field.ReadOnly) f += ",RO";
  f += ',';
  f += field.KindName;
  f += ',';
  CsvAppendQuoted(f, field.DefaultExpression, '"');
  const std::size_t nul = f.find('\0');
  if (nul != String::npos) f.resize(nul);
  return f;
}

TvomStreamIndexDef CsvParseIndexLine(std::string_view line) {
  TvomStreamIndexDef index;
  std::string_view rest;
  SplitAtEquals(line, index.Name, rest);
  const std::vector<TvomCsvPart> parts = CsvSplitParts(rest);
  index.Fields = PartText(parts, 0);
  index.DisplayName = PartText(parts, 1);
  for (std::size_t i = 2; i < parts.size(); ++i) {
    if (IsFlag(parts[i], "DESC"))
      index.Options.Include(ixDescending);
    else if (IsFlag(parts[i], "CASE"))
      index.Options.Include(ixCaseInsensitive);
    else if (IsFlag(parts[i], "NONMT"))
      index.Options.Include(ixNonMaintained);
    else if (IsFlag(parts[i], "UNIQ"))
      index.Options.Include(ixUnique);
  }
  return index;
}

String CsvFormatIndexLine(const TvomStreamIndexDef& index, char quote) {
  String line = index.Name;
  line += '=';
  CsvAppendQuoted(line, index.Fields, quote);
  line += ',';
  CsvAppendQuoted(line, index.DisplayName, quote);
  if (index.Options.Contains(ixDescending)) line += ",DESC";
  if (index.Options.Contains(ixCaseInsensitive)) line += ",CASE";
  if (index.Options.Contains(ixNonMaintained)) line += ",NONMT";
  if (index.Options.Contains(ixUnique)) line += ",UNIQ";
  return line;
}

bool StreamFieldTypeFromName(const String& typeName, TFieldType& type) {
  TFieldType found;
  if (!FieldTypeFromName(typeName, found) || !TvomCommon::IsSupportedFieldType(found)) return false;
  type = found;
  return true;
}

bool IsTextValueType(TFieldType type) {
  switch (type) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftWideString:
    case ftOraClob:
    case ftGuid:
      return true;
    default:
      return false;
  }
}

bool IsByteValueType(TFieldType type) {
  switch (type) {
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
      return true;
    default:
      return false;
  }
}

TField* CreateStreamField(TvomCustomMemTable* table, const TvomStreamFieldDef& field,
                          TFieldType type) {
  TFieldKind kind;
  if (!FieldKindFromName(field.KindName, kind)) kind = fkData;
  TFieldDef* def = table->FieldDefs()->Add(field.Name, type, field.Size, field.Required);
  TField* created = def->CreateField(table);
  created->SetFieldKind(kind);
  created->SetDisplayLabel(field.DisplayLabel);
  created->SetEditMask(field.EditMask);
  created->SetReadOnly(field.ReadOnly);
  created->SetDisplayWidth(field.DisplayWidth);
  created->SetDefaultExpression(field.DefaultExpression);
  created->SetVisible(!field.Invisible);
  return created;
}

void AddStreamIndexDef(TIndexDefs* defs, const TvomStreamIndexDef& index) {
  TIndexDef* def = defs->AddIndexDef();
  def->SetName(index.Name);
  def->SetFields(index.Fields);
  def->SetOptions(index.Options);
  def->SetName(index.DisplayName);
}
