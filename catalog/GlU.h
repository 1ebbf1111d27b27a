// catalog/GlU.h
//
// Two small routines for cutting delimited text: the field lines of
// the table-list manager ("path, c, 500") and its default-value lines
// ("Comment=none") are split with them.
//
// Threads: any thread.
#pragma once

#include <string_view>

#include "platform/rtl/Types.h"

namespace GlU {

// How many times `c` occurs in `s`.
Integer CountChar(std::string_view s, char c);

// The `n`-th token of `s` (the first is 1) when `s` is split at every `c`,
// exactly as it stands (not trimmed). Two delimiters in a row enclose an
// empty token. Empty when `s` has fewer than `n` tokens, or `n` is below 1.
String GetDelimitedToken(std::string_view s, Integer n, char c);

}  // namespace GlU
