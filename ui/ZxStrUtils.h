// ui/ZxStrUtils.h
//
// Small string routines of the components: words split by a set of
// delimiter characters, replacement, and a reversible keyed hexadecimal
// encoding for stored values. Characters are the bytes of 8-bit strings;
// positions count from 1, as the callers count them.
#pragma once

#include <bitset>
#include <string_view>

#include "platform/rtl/Types.h"

namespace ZxStrUtils {

// A set of 8-bit characters.
using TCharSet = std::bitset<256>;
// The set of the characters of `chars`.
TCharSet CharSet(std::string_view chars);

// S with every occurrence of Srch replaced by Replace, left to right,
// case-sensitive, without overlaps and without looking again inside
// replaced text. An empty Srch replaces nothing.
String ReplaceStr(const String& S, const String& Srch, const String& Replace);

// A word is a longest run of characters outside WordDelims.
Integer WordCount(const String& S, const TCharSet& WordDelims);
// Position (from 1) of the first character of the N-th word (N from 1); 0 when there is none.
Integer WordPosition(Integer N, const String& S, const TCharSet& WordDelims);
// The N-th word; empty when there is none.
String ExtractWord(Integer N, const String& S, const TCharSet& WordDelims);

// Each character XOR the key character at the same place (the key repeats;
// an empty key leaves it), as two lower-case hexadecimal digits.
String XorEncode(const String& Key, const String& Source);
// The reverse of XorEncode: each pair of characters read as a hexadecimal
// number (a pair that is not one gives a blank, 32), XOR the key. A trailing
// odd character is ignored.
String XorDecode(const String& Key, const String& Source);

}  // namespace ZxStrUtils
