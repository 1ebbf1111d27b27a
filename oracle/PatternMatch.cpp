// oracle/PatternMatch.cpp
//
// The pattern is cut at its stars into pieces of literal characters and "?".
// The first piece must match at the start of the text and the last at its
// end; every piece between them is matched at its leftmost place after the
// one before. Taking the leftmost place never loses a match (a later piece
// can only find more room), so no choice is ever undone. Each leftmost place
// is found with the shift-and method: one bit per pattern position tells
// whether the pattern's prefix up to there ends at the current character.
#include "oracle/PatternMatch.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/rtl/Unicode.h"

namespace {

using Char = char32_t;
// Code points end at U+10FFFF; a bad byte b reads as kBadByte + b, and the
// wildcards of a pattern take values no text character has.
constexpr Char kBadByte = 0x110000;
constexpr Char kOne = 0xFFFFFFFE;
constexpr Char kStar = 0xFFFFFFFF;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

void Decode(std::string_view s, std::vector<Char>& out, bool wildcards) {
  out.clear();
  out.reserve(s.size());
  std::size_t pos = 0;
  while (pos < s.size()) {
    if (Utf8SequenceLength(s, pos) == 0) {
      out.push_back(kBadByte + static_cast<unsigned char>(s[pos]));
      ++pos;
      continue;
    }
    const Char c = NextCodePoint(s, pos);
    if (wildcards && c == '*')
      out.push_back(kStar);
    else if (wildcards && c == '?')
      out.push_back(kOne);
    else
      out.push_back(c);
  }
}

// Collapses every run of stars to one star, except that a run of two or more
// ending the pattern becomes "?*": it needs one character.
void Normalize(std::vector<Char>& pattern) {
  std::size_t trailing = 0;
  while (trailing < pattern.size() && pattern[pattern.size() - 1 - trailing] == kStar) ++trailing;
  auto end = std::unique(pattern.begin(), pattern.end(),
                         [](Char a, Char b) { return a == kStar && b == kStar; });
  pattern.erase(end, pattern.end());
  if (trailing >= 2) {
    pattern.back() = kOne;
    pattern.push_back(kStar);
  }
}

bool MatchesAt(const Char* piece, std::size_t length, const Char* text) {
  for (std::size_t i = 0; i < length; ++i)
    if (piece[i] != kOne && piece[i] != text[i]) return false;
  return true;
}

// The leftmost place in text[from, to) where the piece (no stars) matches,
// or kNotFound.
std::size_t FindPiece(const Char* piece, std::size_t length, const std::vector<Char>& text,
                      std::size_t from, std::size_t to) {
  if (length == 0) return from;
  if (to < from || to - from < length) return kNotFound;
  const std::size_t words = (length + 63) / 64;
  // masks: one row of `words` words per distinct literal character of the
  // piece, then one row for every other character; "?" sets its bit in all.
  std::vector<Char> chars;
  for (std::size_t i = 0; i < length; ++i)
    if (piece[i] != kOne) chars.push_back(piece[i]);
  std::sort(chars.begin(), chars.end());
  chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
  std::vector<std::uint64_t> masks((chars.size() + 1) * words, 0);
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint64_t bit = std::uint64_t(1) << (i % 64);
    if (piece[i] == kOne) {
      for (std::size_t row = 0; row <= chars.size(); ++row) masks[row * words + i / 64] |= bit;
    } else {
      const auto row = std::lower_bound(chars.begin(), chars.end(), piece[i]) - chars.begin();
      masks[row * words + i / 64] |= bit;
    }
  }
  const std::size_t last_word = (length - 1) / 64;
  const std::uint64_t last_bit = std::uint64_t(1) << ((length - 1) % 64);
  std::vector<std::uint64_t> state(words, 0);
  for (std::size_t at = from; at < to; ++at) {
    const auto found = std::lower_bound(chars.begin(), chars.end(), text[at]);
    const std::size_t row = (found != chars.end() && *found == text[at])
                                ? static_cast<std::size_t>(found - chars.begin())
                                : chars.size();
    const std::uint64_t* mask = &masks[row * words];
    std::uint64_t carry = 1;  // a match may start at every character
    for (std::size_t w = 0; w < words; ++w) {
      const std::uint64_t next_carry = state[w] >> 63;
      state[w] = ((state[w] << 1) | carry) & mask[w];
      carry = next_carry;
    }
    if (state[last_word] & last_bit) return at + 1 - length;
  }
  return kNotFound;
}

}  // namespace

namespace OracleFilter {

bool MatchPattern(std::string_view text_bytes, std::string_view pattern_bytes) {
  std::vector<Char> text, pattern;
  Decode(text_bytes, text, false);
  Decode(pattern_bytes, pattern, true);
  Normalize(pattern);

  const auto first_star = std::find(pattern.begin(), pattern.end(), kStar);
  if (first_star == pattern.end())
    return text.size() == pattern.size() && MatchesAt(pattern.data(), pattern.size(), text.data());

  // Anchored pieces: before the first star and after the last one.
  const std::size_t head = static_cast<std::size_t>(first_star - pattern.begin());
  const std::size_t last_star =
      pattern.size() - 1 -
      static_cast<std::size_t>(std::find(pattern.rbegin(), pattern.rend(), kStar) -
                               pattern.rbegin());
  const std::size_t tail = pattern.size() - 1 - last_star;
  if (text.size() < head + tail) return false;
  if (!MatchesAt(pattern.data(), head, text.data())) return false;
  if (!MatchesAt(pattern.data() + last_star + 1, tail, text.data() + text.size() - tail))
    return false;

  // The pieces between, each at its leftmost place.
  std::size_t at = head;
  const std::size_t end = text.size() - tail;
  std::size_t piece = head + 1;
  while (piece < last_star) {
    const std::size_t next_star = static_cast<std::size_t>(
        std::find(pattern.begin() + piece, pattern.end(), kStar) - pattern.begin());
    const std::size_t length = next_star - piece;
    const std::size_t found = FindPiece(pattern.data() + piece, length, text, at, end);
    if (found == kNotFound) return false;
    at = found + length;
    piece = next_star + 1;
  }
  return true;
}

}  // namespace OracleFilter
