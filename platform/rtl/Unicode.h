// platform/rtl/Unicode.h
//
// UTF-8 and UTF-16 at the byte level. A `String` holds UTF-8, but a catalogue
// written in another code page may hold bytes that are not valid UTF-8; such
// text is never refused. Every routine here reads one bad byte as one U+FFFD
// (REPLACEMENT CHARACTER) and goes on with the next byte, so that each bad
// byte stands for exactly one character, whatever follows it.
//
// Valid UTF-8 is the shortest form of a code point up to U+10FFFF that is not
// a surrogate (U+D800..U+DFFF).
//
// Threads: every function is free of shared state.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/rtl/Types.h"

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Length in bytes (1 to 4) of the valid UTF-8 sequence that starts at `pos`,
// or 0 when the byte there does not start one. REQUIRES: pos < text.size().
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

// The longest prefix of `text` of at most `max_bytes` bytes that does not end
// inside a UTF-8 sequence (a bad byte counts as one character): how text is cut
// to a field's size without leaving a broken character behind.
String CutUtf8(std::string_view text, std::size_t max_bytes);

// Whether the whole text is valid UTF-8 (the empty text is).
bool IsValidUtf8(std::string_view text);

// Reads the code point at `pos` and moves `pos` past it; a bad byte reads as
// U+FFFD and moves `pos` by one. REQUIRES: pos < text.size().
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of `code_point`; a surrogate or a value above
// U+10FFFF is appended as U+FFFD.
void AppendUtf8(String& out, char32_t code_point);

// Each bad byte becomes U+FFFD; everything else is kept.
WideString Utf8ToUtf16(std::string_view text);

// Each unpaired surrogate becomes U+FFFD.
String Utf16ToUtf8(std::u16string_view text);

// The text with every bad byte replaced by the UTF-8 form of U+FFFD. For code
// that must hand valid UTF-8 to a library; stored text is never rewritten.
String SanitizeUtf8(std::string_view text);

// Simple (one code point to one code point) case folding, the default folding
// of the Unicode data; ASCII letters fold to lower case.
char32_t FoldCaseSimple(char32_t code_point);
