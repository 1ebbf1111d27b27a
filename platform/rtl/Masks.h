// platform/rtl/Masks.h
//
// File-name masks, matched against a whole name, letter case ignored:
//   *        any run of characters, the empty run included
//   ?        exactly one character
//   [set]    one character of the set: single characters and ranges "a-z";
//            "[!set]" is one character not in the set. A '-' first or last
//            in a set is itself; a set cannot hold ']'.
// Everything else matches itself. Characters are code points of UTF-8; a
// byte that is not valid UTF-8 is one character that matches only itself.
// Case is ignored by simple Unicode case folding ("Ä" matches "ä").
//
// This is plain mask matching; the directory search of the drive layer has
// its own rules on top (such as "*.*" matching names without a dot).
//
// A mask with a set that is not closed, or an empty set, raises
// EMaskException.
//
// Threads: a TMask is immutable after construction and may be shared.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "platform/rtl/Types.h"

class TMask {
 public:
  // Compiles `mask`; raises EMaskException when it is invalid.
  explicit TMask(std::string_view mask);

  bool Matches(std::string_view name) const;

 private:
  struct TToken {
    enum class Kind : unsigned char { Char, AnyChar, AnyRun, Set };
    Kind kind = Kind::Char;
    bool negated = false;                // Set
    char32_t ch = 0;                     // Char: the character, folded
    std::uint32_t first = 0, count = 0;  // Set: its ranges in ranges_
  };

  bool MatchesOne(const TToken& token, char32_t c) const;

  std::vector<TToken> tokens_;
  std::vector<std::pair<char32_t, char32_t>> ranges_;  // inclusive, as written
};

// Compiles `mask` and matches `name` against it; raises EMaskException for an
// invalid mask. To match many names, build one TMask.
bool MatchesMask(std::string_view name, std::string_view mask);
