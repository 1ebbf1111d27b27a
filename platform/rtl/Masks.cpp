// platform/rtl/Masks.cpp
#include "platform/rtl/Masks.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Unicode.h"

namespace {

// Bad bytes become values above the Unicode range, one per byte, so that a
// bad byte equals only itself (and not U+FFFD or another bad byte).
constexpr char32_t kBadByteBase = 0x110000;

char32_t NextChar(std::string_view text, std::size_t& pos) {
  if (Utf8SequenceLength(text, pos) == 0)
    return kBadByteBase + static_cast<unsigned char>(text[pos++]);
  return NextCodePoint(text, pos);
}

char32_t Fold(char32_t c) {
  return c >= kBadByteBase ? c : FoldCaseSimple(c);
}

}  // namespace

TMask::TMask(std::string_view mask) {
  std::size_t pos = 0;
  while (pos < mask.size()) {
    const std::size_t start = pos;
    const char32_t c = NextChar(mask, pos);
    TToken token;
    if (c == '*') {
      if (!tokens_.empty() && tokens_.back().kind == TToken::Kind::AnyRun) continue;
      token.kind = TToken::Kind::AnyRun;
    } else if (c == '?') {
      token.kind = TToken::Kind::AnyChar;
    } else if (c == '[') {
      token.kind = TToken::Kind::Set;
      token.first = static_cast<std::uint32_t>(ranges_.size());
      if (pos < mask.size() && mask[pos] == '!') {
        token.negated = true;
        ++pos;
      }
      bool closed = false;
      while (pos < mask.size()) {
        const char32_t low = NextChar(mask, pos);
        if (low == ']') {
          closed = true;
          break;
        }
        char32_t high = low;
        // "a-z" is a range; a '-' just before ']' is the character itself.
        if (pos + 1 < mask.size() && mask[pos] == '-' && mask[pos + 1] != ']') {
          ++pos;
          high = NextChar(mask, pos);
        }
        ranges_.emplace_back(low, high);
      }
      if (!closed)
        throw EMaskException(Format("Invalid file mask '%s': the set at position %d is not closed",
                                    mask, start + 1));
      token.count = static_cast<std::uint32_t>(ranges_.size()) - token.first;
      if (token.count == 0)
        throw EMaskException(
            Format("Invalid file mask '%s': the set at position %d is empty", mask, start + 1));
    } else {
      token.ch = Fold(c);
    }
    tokens_.push_back(token);
  }
}

bool TMask::MatchesOne(const TToken& token, char32_t c) const {
  switch (token.kind) {
    case TToken::Kind::Char:
      return token.ch == Fold(c);
    case TToken::Kind::AnyChar:
      return true;
    case TToken::Kind::Set: {
      const char32_t folded = Fold(c);
      bool in_set = false;
      for (std::uint32_t i = token.first; i < token.first + token.count && !in_set; ++i) {
        const auto [low, high] = ranges_[i];
        in_set = (low <= c && c <= high) || (Fold(low) <= folded && folded <= Fold(high));
      }
      return in_set != token.negated;
    }
    case TToken::Kind::AnyRun:
      break;
  }
  return false;
}

bool TMask::Matches(std::string_view name) const {
  // Greedy matching with one backtrack point: the last '*' seen and where in
  // the name it resumes. Enough for masks whose only run wildcard is '*'.
  std::size_t t = 0;
  std::size_t pos = 0;
  std::size_t star_token = std::string_view::npos;
  std::size_t star_resume = 0;
  while (pos < name.size()) {
    if (t < tokens_.size() && tokens_[t].kind == TToken::Kind::AnyRun) {
      star_token = t++;
      star_resume = pos;
      continue;
    }
    std::size_t next = pos;
    const char32_t c = NextChar(name, next);
    if (t < tokens_.size() && MatchesOne(tokens_[t], c)) {
      ++t;
      pos = next;
      continue;
    }
    if (star_token == std::string_view::npos) return false;
    // Let the last '*' take one more character and try again after it.
    t = star_token + 1;
    NextChar(name, star_resume);
    pos = star_resume;
  }
  while (t < tokens_.size() && tokens_[t].kind == TToken::Kind::AnyRun) ++t;
  return t == tokens_.size();
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  return TMask(mask).Matches(name);
}
