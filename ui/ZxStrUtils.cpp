// ui/ZxStrUtils.cpp
#include "ui/ZxStrUtils.h"

namespace ZxStrUtils {

namespace {

bool IsDelim(const TCharSet& delims, char c) {
  return delims.test(static_cast<unsigned char>(c));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char KeyAt(const String& key, size_t i) {
  return key.empty() ? 0 : key[i % key.size()];
}

}  // namespace

TCharSet CharSet(std::string_view chars) {
  TCharSet s;
  for (char c : chars) s.set(static_cast<unsigned char>(c));
  return s;
}

String ReplaceStr(const String& S, const String& Srch, const String& Replace) {
  if (Srch.empty()) return S;
  String result;
  size_t from = 0;
  for (size_t at; (at = S.find(Srch, from)) != String::npos; from = at + Srch.size()) {
    result.append(S, from, at - from);
    result += Replace;
  }
  result.append(S, from, String::npos);
  return result;
}

Integer WordCount(const String& S, const TCharSet& WordDelims) {
  Integer count = 0;
  bool inWord = false;
  for (char c : S) {
    const bool delim = IsDelim(WordDelims, c);
    if (!delim && !inWord) ++count;
    inWord = !delim;
  }
  return count;
}

Integer WordPosition(Integer N, const String& S, const TCharSet& WordDelims) {
  if (N < 1) return 0;
  Integer count = 0;
  bool inWord = false;
  for (size_t i = 0; i < S.size(); ++i) {
    const bool delim = IsDelim(WordDelims, S[i]);
    if (!delim && !inWord && ++count == N) return static_cast<Integer>(i) + 1;
    inWord = !delim;
  }
  return 0;
}

String ExtractWord(Integer N, const String& S, const TCharSet& WordDelims) {
  const Integer pos = WordPosition(N, S, WordDelims);
  if (pos == 0) return String();
  size_t end = static_cast<size_t>(pos) - 1;
  while (end < S.size() && !IsDelim(WordDelims, S[end])) ++end;
  return S.substr(static_cast<size_t>(pos) - 1, end - (static_cast<size_t>(pos) - 1));
}

String XorEncode(const String& Key, const String& Source) {
  static const char kHex[] = "0123456789abcdef";
  String result;
  result.reserve(Source.size() * 2);
  for (size_t i = 0; i < Source.size(); ++i) {
    const auto b = static_cast<unsigned char>(Source[i] ^ KeyAt(Key, i));
    result += kHex[b >> 4];
    result += kHex[b & 0x0F];
  }
  return result;
}

String XorDecode(const String& Key, const String& Source) {
  String result;
  result.reserve(Source.size() / 2);
  for (size_t j = 0; j < Source.size() / 2; ++j) {
    const int hi = HexDigit(Source[2 * j]), lo = HexDigit(Source[2 * j + 1]);
    const char c = (hi < 0 || lo < 0) ? ' ' : static_cast<char>(hi * 16 + lo);
    result += static_cast<char>(c ^ KeyAt(Key, j));
  }
  return result;
}

}  // namespace ZxStrUtils
