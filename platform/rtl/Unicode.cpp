// platform/rtl/Unicode.cpp
#include "platform/rtl/Unicode.h"

#include <unicode/uchar.h>

#include <cstring>

namespace {

bool IsContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// Most catalogue text is ASCII: skip it eight bytes at a time.
std::size_t SkipAscii(std::string_view text, std::size_t pos) {
  while (pos + 8 <= text.size()) {
    std::uint64_t chunk;
    std::memcpy(&chunk, text.data() + pos, 8);
    if (chunk & 0x8080808080808080ull) break;
    pos += 8;
  }
  while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) ++pos;
  return pos;
}

void AppendUtf16(WideString& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
  const std::size_t left = text.size() - pos;
  const unsigned char b0 = p[0];
  if (b0 < 0x80) return 1;
  if (b0 < 0xC2) return 0;  // a continuation byte, or the overlong leads C0 and C1
  if (b0 < 0xE0) return left >= 2 && IsContinuation(p[1]) ? 2 : 0;
  if (b0 < 0xF0) {
    if (left < 3) return 0;
    // E0 needs A0.. to avoid overlongs; ED stops at 9F to keep out surrogates.
    const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;
    if (p[1] < lo || p[1] > hi || !IsContinuation(p[2])) return 0;
    return 3;
  }
  if (b0 < 0xF5) {
    if (left < 4) return 0;
    // F0 needs 90.. to avoid overlongs; F4 stops at 8F (U+10FFFF).
    const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
    if (p[1] < lo || p[1] > hi || !IsContinuation(p[2]) || !IsContinuation(p[3])) return 0;
    return 4;
  }
  return 0;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while ((pos = SkipAscii(text, pos)) < text.size()) {
    const std::size_t n = Utf8SequenceLength(text, pos);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
  switch (Utf8SequenceLength(text, pos)) {
    case 1:
      pos += 1;
      return p[0];
    case 2:
      pos += 2;
      return (char32_t(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    case 3:
      pos += 3;
      return (char32_t(p[0] & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    case 4:
      pos += 4;
      return (char32_t(p[0] & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
             (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    default:
      pos += 1;
      return kReplacementCharacter;
  }
}

void AppendUtf8(String& out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementCharacter;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

WideString Utf8ToUtf16(std::string_view text) {
  WideString out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) AppendUtf16(out, NextCodePoint(text, pos));
  return out;
}

String Utf16ToUtf8(std::u16string_view text) {
  String out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, cp);  // a lone surrogate comes out as U+FFFD
  }
  return out;
}

String SanitizeUtf8(std::string_view text) {
  String out;
  out.reserve(text.size() + 8);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t n = Utf8SequenceLength(text, pos);
    if (n == 0) {
      AppendUtf8(out, kReplacementCharacter);
      ++pos;
    } else {
      out.append(text.data() + pos, n);
      pos += n;
    }
  }
  return out;
}

char32_t FoldCaseSimple(char32_t cp) {
  if (cp < 0x80) return cp >= 'A' && cp <= 'Z' ? cp + ('a' - 'A') : cp;
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(cp), U_FOLD_CASE_DEFAULT));
}

String CutUtf8(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return String(text);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t len = Utf8SequenceLength(text, pos);
    if (len == 0) len = 1;
    if (pos + len > max_bytes) break;
    pos += len;
  }
  return String(text.substr(0, pos));
}
