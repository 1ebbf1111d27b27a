// platform/rtl/StringUtils.cpp
#include "platform/rtl/StringUtils.h"

#include <unicode/ucasemap.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Unicode.h"

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimmedView(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

String MapAscii(std::string_view s, char (*map)(char)) {
  String out(s);
  for (char& c : out) c = map(c);
  return out;
}

// ICU case mappers, one per locale, kept for the life of the process. A
// `const UCaseMap*` may be used from several threads at once.
class TCaseMapCache {
 public:
  const UCaseMap* Get(const String& locale) {
    std::lock_guard lock(mutex_);
    if (auto it = maps_.find(locale); it != maps_.end()) return it->second.get();
    UErrorCode status = U_ZERO_ERROR;
    UCaseMap* map = ucasemap_open(locale.c_str(), 0, &status);
    if (U_FAILURE(status)) return nullptr;
    return maps_
        .emplace(locale, std::unique_ptr<UCaseMap, void (*)(UCaseMap*)>(map, ucasemap_close))
        .first->second.get();
  }

 private:
  std::mutex mutex_;
  std::map<String, std::unique_ptr<UCaseMap, void (*)(UCaseMap*)>, std::less<>> maps_;
};

TCaseMapCache& CaseMaps() {
  static TCaseMapCache cache;
  return cache;
}

// Appends the mapping of `run`, which is valid UTF-8.
void AppendMappedRun(String& out, const UCaseMap* map, std::string_view run, bool upper) {
  const std::size_t start = out.size();
  auto convert = [&](std::size_t capacity) {
    out.resize(start + capacity);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = (upper ? ucasemap_utf8ToUpper : ucasemap_utf8ToLower)(
        map, out.data() + start, static_cast<int32_t>(capacity), run.data(),
        static_cast<int32_t>(run.size()), &status);
    return std::pair(length, status);
  };
  auto [length, status] = convert(run.size() + 8);
  if (status == U_BUFFER_OVERFLOW_ERROR)
    std::tie(length, status) = convert(static_cast<std::size_t>(length));
  out.resize(U_FAILURE(status) ? start : start + static_cast<std::size_t>(length));
  if (U_FAILURE(status))
    out.append(run);  // cannot happen for valid input; keep the text rather than lose it
}

// `locale` is an ICU locale identifier; empty for the root locale.
String CaseMapIn(const String& locale, std::string_view s, bool upper) {
  const std::string_view language = std::string_view(locale).substr(0, locale.find('_'));
  // Only the Turkic languages map ASCII letters otherwise ("i" to "İ").
  const bool ascii_rules = language != "tr" && language != "az";
  if (ascii_rules && IsAscii(s)) return MapAscii(s, upper ? AsciiUpper : AsciiLower);
  const UCaseMap* map = CaseMaps().Get(locale);
  if (!map) return MapAscii(s, upper ? AsciiUpper : AsciiLower);
  String out;
  out.reserve(s.size());
  std::size_t pos = 0;
  while (pos < s.size()) {
    const std::size_t run_start = pos;
    while (pos < s.size()) {
      const std::size_t n = Utf8SequenceLength(s, pos);
      if (n == 0) break;
      pos += n;
    }
    if (pos > run_start) AppendMappedRun(out, map, s.substr(run_start, pos - run_start), upper);
    if (pos < s.size()) out.push_back(s[pos++]);  // a bad byte stays as it is
  }
  return out;
}

String AnsiCaseMap(std::string_view s, bool upper) {
  return CaseMapIn(ProcessCaseLocale(), s, upper);
}

int Sign(int value) {
  return (value > 0) - (value < 0);
}

int CompareBytes(std::string_view a, std::string_view b, char (*map)(char)) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(map(a[i]));
    const auto cb = static_cast<unsigned char>(map(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

char Identity(char c) {
  return c;
}

int AnsiCompare(std::string_view a, std::string_view b, bool ignore_case) {
  const TLocaleCollator* collator = CollatorForLocale(LOCALE_USER_DEFAULT, ignore_case);
  if (!collator) return ignore_case ? CompareText(a, b) : CompareStr(a, b);
  return Sign(collator->Compare(a, b));
}

// End of a case-folded match of `pattern` at `pos` in `s`, or npos.
std::size_t FoldedMatchEnd(std::string_view s, std::size_t pos, std::string_view pattern) {
  std::size_t p = 0;
  while (p < pattern.size()) {
    if (pos >= s.size()) return std::string_view::npos;
    const std::size_t s_start = pos;
    const std::size_t p_start = p;
    const char32_t a = NextCodePoint(s, pos);
    const char32_t b = NextCodePoint(pattern, p);
    if (FoldCaseSimple(a) != FoldCaseSimple(b)) return std::string_view::npos;
    // Two bad bytes both read as U+FFFD; only the same byte matches itself.
    if (a == kReplacementCharacter &&
        s.substr(s_start, pos - s_start) != pattern.substr(p_start, p - p_start))
      return std::string_view::npos;
  }
  return pos;
}

// Parses an integer of `bits` width (32 or 64); see StrToInt.
bool ParseInteger(std::string_view text, int bits, Int64& value) {
  std::string_view s = TrimmedView(text);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s[0] == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  const UInt64 max_positive = bits == 32 ? INT32_MAX : INT64_MAX;
  // Decimal: the magnitude of the type's range; hexadecimal: any bit pattern.
  const UInt64 limit = base == 16 ? (bits == 32 ? UINT32_MAX : UINT64_MAX)
                                  : (negative ? max_positive + 1 : max_positive);
  UInt64 magnitude = 0;
  for (const char c : s) {
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return false;
    if (magnitude > (limit - digit) / static_cast<UInt64>(base)) return false;
    magnitude = magnitude * static_cast<UInt64>(base) + digit;
  }
  UInt64 pattern = negative ? 0 - magnitude : magnitude;
  value = bits == 32 ? static_cast<Int64>(static_cast<Integer>(static_cast<std::uint32_t>(pattern)))
                     : static_cast<Int64>(pattern);
  return true;
}

[[noreturn]] void NotAnInteger(std::string_view s) {
  throw EConvertError(Format("'%s' is not a valid integer value", s));
}

}  // namespace

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

String Trim(std::string_view s) {
  return String(TrimmedView(s));
}

String TrimLeft(std::string_view s) {
  std::size_t begin = 0;
  while (begin < s.size() && IsBlank(s[begin])) ++begin;
  return String(s.substr(begin));
}

String TrimRight(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0 && IsBlank(s[end - 1])) --end;
  return String(s.substr(0, end));
}

String UpperCase(std::string_view s) {
  return MapAscii(s, AsciiUpper);
}
String LowerCase(std::string_view s) {
  return MapAscii(s, AsciiLower);
}

String AnsiUpperCase(std::string_view s) {
  return AnsiCaseMap(s, true);
}
String AnsiLowerCase(std::string_view s) {
  return AnsiCaseMap(s, false);
}

String RootUpperCase(std::string_view s) {
  return CaseMapIn(String(), s, true);
}
String RootLowerCase(std::string_view s) {
  return CaseMapIn(String(), s, false);
}

int CompareStr(std::string_view a, std::string_view b) {
  return CompareBytes(a, b, Identity);
}
int CompareText(std::string_view a, std::string_view b) {
  return CompareBytes(a, b, AsciiUpper);
}
bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return AnsiCompare(a, b, false);
}
int AnsiCompareText(std::string_view a, std::string_view b) {
  return AnsiCompare(a, b, true);
}
bool AnsiSameText(std::string_view a, std::string_view b) {
  return AnsiCompare(a, b, true) == 0;
}

String StringReplace(std::string_view s, std::string_view old_pattern, std::string_view new_pattern,
                     TReplaceFlags flags) {
  if (old_pattern.empty()) return String(s);
  const bool all = flags.Contains(rfReplaceAll);
  const bool ignore_case = flags.Contains(rfIgnoreCase);
  String out;
  out.reserve(s.size());
  std::size_t pos = 0;
  while (pos < s.size()) {
    std::size_t match = std::string_view::npos;
    std::size_t match_end = 0;
    if (ignore_case) {
      for (std::size_t at = pos; at < s.size(); NextCodePoint(s, at)) {
        match_end = FoldedMatchEnd(s, at, old_pattern);
        if (match_end != std::string_view::npos) {
          match = at;
          break;
        }
      }
    } else {
      match = s.find(old_pattern, pos);
      match_end = match + old_pattern.size();
    }
    if (match == std::string_view::npos) break;
    out.append(s.substr(pos, match - pos));
    out.append(new_pattern);
    pos = match_end;
    if (!all) break;
  }
  out.append(s.substr(std::min(pos, s.size())));
  return out;
}

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  const std::size_t at = s.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

String Copy(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  const auto start = static_cast<std::size_t>(index) - 1;
  if (count <= 0 || start >= s.size()) return String();
  return String(s.substr(start, static_cast<std::size_t>(count)));
}

String QuotedStr(std::string_view s) {
  return AnsiQuotedStr(s, '\'');
}

String AnsiQuotedStr(std::string_view s, char quote) {
  String out;
  out.reserve(s.size() + 2);
  out.push_back(quote);
  for (const char c : s) {
    out.push_back(c);
    if (c == quote) out.push_back(quote);
  }
  out.push_back(quote);
  return out;
}

String AnsiExtractQuotedStr(std::string_view& src, char quote) {
  if (src.empty() || src[0] != quote) return String();
  String out;
  std::size_t i = 1;
  while (i < src.size()) {
    if (src[i] == quote) {
      if (i + 1 < src.size() && src[i + 1] == quote) {
        out.push_back(quote);
        i += 2;
        continue;
      }
      ++i;  // the closing quote
      break;
    }
    out.push_back(src[i++]);
  }
  src.remove_prefix(i);
  return out;
}

Integer StrToInt(std::string_view s) {
  Int64 value;
  if (!ParseInteger(s, 32, value)) NotAnInteger(s);
  return static_cast<Integer>(value);
}

Int64 StrToInt64(std::string_view s) {
  Int64 value;
  if (!ParseInteger(s, 64, value)) NotAnInteger(s);
  return value;
}

Integer StrToIntDef(std::string_view s, Integer default_value) {
  Int64 value;
  return ParseInteger(s, 32, value) ? static_cast<Integer>(value) : default_value;
}

bool TryStrToInt(std::string_view s, Integer& value) {
  Int64 parsed;
  if (!ParseInteger(s, 32, parsed)) return false;
  value = static_cast<Integer>(parsed);
  return true;
}

bool TryStrToInt64(std::string_view s, Int64& value) {
  return ParseInteger(s, 64, value);
}
