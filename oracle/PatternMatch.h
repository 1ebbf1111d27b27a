// oracle/PatternMatch.h
//
// The wildcard match of the Oracle dataset's string comparisons (partial
// compare in filters, and wildcard searches): the whole text must match the
// whole pattern, where "*" matches any run of characters (the empty run
// too), "?" exactly one character, and every other character itself, in the
// letter case given (callers upper-case both sides for case-insensitive
// matching). "A?C" matches "ABC" but not "ABCD"; "A*" matches "A" and "ABC";
// "*C" matches "ABC".
//
// A run of two or more stars that ends the pattern needs at least one
// character to match ("A**" matches "AB" but not "A"; "**" does not match
// the empty text): stored filters were written against this rule, so it is
// kept.
//
// Characters are those of UTF-8: a valid sequence is one character, and a
// byte that is not valid UTF-8 is one character that matches only itself.
//
// Cost: linear in the text for a given pattern (bit-parallel, one machine
// word per 64 pattern characters between stars), whatever the pattern;
// patterns such as "*A*A*A*A*B" never make the match backtrack.
//
// Threads: free of shared state.
#pragma once

#include <string_view>

namespace OracleFilter {

bool MatchPattern(std::string_view text, std::string_view pattern);

}  // namespace OracleFilter
