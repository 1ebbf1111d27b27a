// memtable/FilterFunctions.cpp
//
// The filter's built-in functions (UPPER, SUBSTRING, YEAR, DATE(text,
// format), ...) and the character counting they and the text compares use.
#include <cmath>

#include "memtable/FilterNodes.h"
#include "memtable/MemTableErrors.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"

namespace filter_detail {

namespace {

constexpr const char* SvomInvalidFunction = "Invalid function name %s";
constexpr const char* SvomInvalidParameter = "Invalid or missing parameter for function %s";

// `count` characters of `text` from character `start` (counting from 1).
String CopyCharacters(std::string_view text, Integer start, Integer count) {
  if (start < 1) start = 1;
  if (count <= 0) return String();
  std::size_t pos = 0;
  for (Integer i = 1; i < start && pos < text.size(); ++i) NextCodePoint(text, pos);
  std::size_t end = pos;
  for (Integer i = 0; i < count && end < text.size(); ++i) NextCodePoint(text, end);
  return String(text.substr(pos, end - pos));
}

Integer CharacterCount(std::string_view text) {
  Integer count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) NextCodePoint(text, pos);
  return count;
}

[[noreturn]] void InvalidParameter(const Node& node) {
  throw EMemTableFilterError(Format(SvomInvalidParameter, node.functionName));
}

// Element `i` of a function's argument list, or Empty when missing.
Variant ListItem(const Variant& args, Integer i) {
  if (!args.IsArray()) return i == 0 ? args : Variant();
  const Integer at = VarArrayLowBound(args, 1) + i;
  return at <= VarArrayHighBound(args, 1) ? args[at] : Variant();
}

// The text and format of DATE(text, format) / TIME(text, format).
TDateTime ParseWithFormat(const Node& node, const Variant& args, bool date) {
  const Variant text = ListItem(args, 0), format = ListItem(args, 1);
  if (IsNullish(format) || text.IsEmpty()) InvalidParameter(node);
  TFormatSettingsGuard guard;
  if (date) {
    FormatSettings().ShortDateFormat = format.AsString();
    return StrToDate(text.AsString());
  }
  FormatSettings().ShortTimeFormat = format.AsString();
  return StrToTime(text.AsString());
}

Variant Substring(const Node& node, const Variant& args) {
  if (!args.IsArray()) InvalidParameter(node);
  const Variant text = ListItem(args, 0), start = ListItem(args, 1), length = ListItem(args, 2);
  if (text.IsNull()) return Null();
  if (IsNullish(start)) InvalidParameter(node);
  const String startText = Trim(start.AsString());
  const std::size_t comma = startText.find(',');
  Integer from, count = 0;
  if (!TryStrToInt(Trim(startText.substr(0, comma)), from)) InvalidParameter(node);
  if (!IsNullish(length)) {
    try {
      count = length.AsInteger();
    } catch (const Exception&) {
      InvalidParameter(node);
    }
  }
  const String value = text.AsString();
  if (count == 0) {
    if (comma == String::npos || !TryStrToInt(Trim(startText.substr(comma + 1)), count))
      count = CharacterCount(value);
  }
  return Variant(CopyCharacters(value, from, count));
}

}  // namespace

// The first `count` characters (code points) of `text`.
std::string_view FirstCharacters(std::string_view text, Integer count) {
  std::size_t pos = 0;
  for (Integer i = 0; i < count && pos < text.size(); ++i) NextCodePoint(text, pos);
  return text.substr(0, pos);
}

String CutCharacters(std::string_view text, Integer count) {
  return String(FirstCharacters(text, count));
}

Function FunctionOf(const String& upperName) {
  static const struct {
    const char* name;
    Function function;
  } kFunctions[] = {
      {"UPPER", Function::Upper},         {"LOWER", Function::Lower},
      {"SUBSTRING", Function::Substring}, {"TRIM", Function::Trim},
      {"TRIMLEFT", Function::TrimLeft},   {"TRIMRIGHT", Function::TrimRight},
      {"GETDATE", Function::GetDate},     {"YEAR", Function::Year},
      {"MONTH", Function::Month},         {"DAY", Function::Day},
      {"HOUR", Function::Hour},           {"MINUTE", Function::Minute},
      {"SECOND", Function::Second},       {"DATE", Function::Date},
      {"TIME", Function::Time},
  };
  for (const auto& entry : kFunctions)
    if (upperName == entry.name) return entry.function;
  return Function::Invalid;
}

Variant EvaluateFunction(const Node& node, const TvomRecord* record) {
  if (node.function == Function::Invalid)
    throw EMemTableFilterError(Format(SvomInvalidFunction, node.functionName));
  const bool hasArg = !node.args.empty();
  const Variant arg = hasArg ? Evaluate(*node.args[0], record) : Variant();
  if (node.function == Function::GetDate) return VarFromDateTime(Now());
  if (!hasArg && (node.function == Function::Substring || node.function == Function::Date ||
                  node.function == Function::Time))
    InvalidParameter(node);
  // A null argument gives null; DATE and TIME included, so that a row with
  // a null date is refused instead of stopping the browse with an error.
  if (IsNullish(arg)) return Null();
  switch (node.function) {
    case Function::Upper:
      return Variant(UpperCase(arg.AsString()));
    case Function::Lower:
      return Variant(LowerCase(arg.AsString()));
    case Function::Substring:
      return Substring(node, arg);
    case Function::Trim:
      return Variant(Trim(arg.AsString()));
    case Function::TrimLeft:
      return Variant(TrimLeft(arg.AsString()));
    case Function::TrimRight:
      return Variant(TrimRight(arg.AsString()));
    case Function::Year:
    case Function::Month:
    case Function::Day: {
      Word year, month, day;
      DecodeDate(arg.AsDateTime(), year, month, day);
      return Variant(static_cast<Integer>(node.function == Function::Year    ? year
                                          : node.function == Function::Month ? month
                                                                             : day));
    }
    case Function::Hour:
    case Function::Minute:
    case Function::Second: {
      Word hour, minute, second, msec;
      DecodeTime(arg.AsDateTime(), hour, minute, second, msec);
      return Variant(static_cast<Integer>(node.function == Function::Hour     ? hour
                                          : node.function == Function::Minute ? minute
                                                                              : second));
    }
    case Function::Date:
      if (arg.IsArray()) {
        if (ListItem(arg, 0).IsNull()) return Null();
        return VarFromDateTime(ParseWithFormat(node, arg, true));
      }
      return Variant(static_cast<Integer>(std::trunc(arg.AsDateTime())));
    case Function::Time: {
      if (arg.IsArray()) {
        if (ListItem(arg, 0).IsNull()) return Null();
        return VarFromDateTime(ParseWithFormat(node, arg, false));
      }
      const double value = arg.AsDateTime();
      return Variant(value - std::trunc(value));
    }
    case Function::GetDate:
    case Function::Invalid:
      break;
  }
  return Null();
}

}  // namespace filter_detail
