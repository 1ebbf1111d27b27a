// platform/rtl/StringUtils.h
//
// The text routines of the runtime layer. Text is UTF-8 (see Types.h); text
// that is not valid UTF-8 is accepted everywhere and its bad bytes are kept.
//
// Positions: the program counts characters in a string from 1, as the
// classic runtime does; `Pos` and `Copy` keep that numbering (1 is the first
// byte, 0 means "not found") so that code written against it reads the same.
// Everything else in C++ counts from 0.
//
// "ASCII only" routines (UpperCase, CompareText, ...) touch the letters A-Z
// and a-z and nothing else. "Ansi" routines are locale-aware through ICU, in
// the process locale (see Locale.h): case mapping is full Unicode mapping
// ("straße" upper-cases to "STRASSE"), comparison is collation.
//
// Threads: every routine may run on any thread.
#pragma once

#include <charconv>
#include <concepts>
#include <string_view>
#include <type_traits>

#include "platform/rtl/Format.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

// Trimming removes the characters up to and including the blank (bytes 0 to
// 32), as the classic runtime does; bytes above 127 are never trimmed.
String Trim(std::string_view s);
String TrimLeft(std::string_view s);
String TrimRight(std::string_view s);

// One character of the ASCII letters A-Z / a-z; others unchanged.
char AsciiUpper(char c);
char AsciiLower(char c);
String UpperCase(std::string_view s);  // ASCII only
String LowerCase(std::string_view s);  // ASCII only

// Full Unicode case mapping in the process locale (LC_ALL, LC_CTYPE, LANG;
// so a Turkish locale maps "i" to "İ"). Bytes that are not valid UTF-8 are
// copied unchanged.
String AnsiUpperCase(std::string_view s);
String AnsiLowerCase(std::string_view s);
// The same in the root locale, whatever the process locale: "é" to "É" and
// "i" to "I" everywhere. For text that must not change with the locale of
// the moment, such as a volume label compared with a stored one.
String RootUpperCase(std::string_view s);
String RootLowerCase(std::string_view s);

// Ordinal comparison of the bytes (unsigned); <0, 0 or >0.
int CompareStr(std::string_view a, std::string_view b);
// As CompareStr with ASCII letters folded to upper case.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Collation in the process locale: case-sensitive, and ignoring case.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = Set<TReplaceFlag>;

// Replaces the first occurrence of `old_pattern` (every one with
// rfReplaceAll), searching from left to right; replaced text is not searched
// again. rfIgnoreCase matches character by character under simple Unicode
// case folding, so the positions found are those of `s` itself. An empty
// pattern changes nothing.
String StringReplace(std::string_view s, std::string_view old_pattern, std::string_view new_pattern,
                     TReplaceFlags flags = {});

// 1-based byte position of the first `sub` in `s`; 0 when absent or when
// `sub` is empty.
int Pos(std::string_view sub, std::string_view s);

// `count` bytes of `s` from the 1-based position `index`; an index below 1
// counts as 1; a part beyond the end is cut off.
String Copy(std::string_view s, int index, int count);

// `s` in single quotes, with each quote inside doubled.
String QuotedStr(std::string_view s);
// `s` between two `quote` characters, with each `quote` inside doubled.
String AnsiQuotedStr(std::string_view s, char quote);
// When `src` starts with `quote`: the quoted text with doubled quotes made
// single, and `src` moves past the closing quote (to its end when there is
// none). Otherwise: empty, and `src` stays.
String AnsiExtractQuotedStr(std::string_view& src, char quote);

template <std::integral T>
requires(!std::same_as<T, bool>) String IntToStr(T value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  return String(buf, result.ptr);
}

// Upper-case hexadecimal with at least `digits` digits. A negative value is
// written as its two's complement in 32 bits (64 for 64-bit types).
template <std::integral T>
requires(!std::same_as<T, bool>) String IntToHex(T value, int digits) {
  using Promoted = decltype(+value);  // narrow types write 32 bits, as Integer does
  return Format("%.*x", digits,
                static_cast<std::make_unsigned_t<Promoted>>(static_cast<Promoted>(value)));
}

// Text to integer. Accepted: blanks (bytes up to 32) around, an optional "+"
// or "-", then decimal digits, or hexadecimal digits after "$", "0x" or
// "0X". A decimal value must lie within the type's range. A hexadecimal value
// is a bit pattern of the type's width ("$FFFFFFFF" is -1 as Integer), so
// IntToHex output reads back. Anything else raises EConvertError
// "'<text>' is not a valid integer value".
Integer StrToInt(std::string_view s);
Int64 StrToInt64(std::string_view s);
Integer StrToIntDef(std::string_view s, Integer default_value);
bool TryStrToInt(std::string_view s, Integer& value);
bool TryStrToInt64(std::string_view s, Int64& value);
