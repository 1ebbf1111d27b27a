// platform/rtl/Locale.cpp
#include "platform/rtl/Locale.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>
#include <unicode/uset.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "platform/rtl/Unicode.h"

namespace {

struct TLocaleEntry {
  std::uint16_t id;  // language identifier (LCID bits 0-15) or, below 0x400, a primary language
  const char* name;  // ICU locale name
};

// Full language identifiers (primary language plus sublanguage).
constexpr TLocaleEntry kLanguageIds[] = {
    {0x0401, "ar_SA"},
    {0x0402, "bg_BG"},
    {0x0404, "zh_TW"},
    {0x0405, "cs_CZ"},
    {0x0406, "da_DK"},
    {0x0407, "de_DE"},
    {0x0408, "el_GR"},
    {0x0409, "en_US"},
    // 0x040A is Spanish with the traditional sort ("ch" and "ll" as letters).
    {0x040A, "es_ES@collation=traditional"},
    {0x040B, "fi_FI"},
    {0x040C, "fr_FR"},
    {0x040D, "he_IL"},
    {0x040E, "hu_HU"},
    {0x040F, "is_IS"},
    {0x0410, "it_IT"},
    {0x0411, "ja_JP"},
    {0x0412, "ko_KR"},
    {0x0413, "nl_NL"},
    {0x0414, "nb_NO"},
    {0x0415, "pl_PL"},
    {0x0416, "pt_BR"},
    {0x0418, "ro_RO"},
    {0x0419, "ru_RU"},
    {0x041A, "hr_HR"},
    {0x041B, "sk_SK"},
    {0x041D, "sv_SE"},
    {0x041E, "th_TH"},
    {0x041F, "tr_TR"},
    {0x0421, "id_ID"},
    {0x0422, "uk_UA"},
    {0x0424, "sl_SI"},
    {0x0425, "et_EE"},
    {0x0426, "lv_LV"},
    {0x0427, "lt_LT"},
    {0x042A, "vi_VN"},
    {0x0439, "hi_IN"},
    {0x0804, "zh_CN"},
    {0x0807, "de_CH"},
    {0x0809, "en_GB"},
    {0x080A, "es_MX"},
    {0x080C, "fr_BE"},
    {0x0813, "nl_BE"},
    {0x0814, "nn_NO"},
    {0x0816, "pt_PT"},
    {0x081D, "sv_FI"},
    {0x0C04, "zh_HK"},
    {0x0C07, "de_AT"},
    {0x0C09, "en_AU"},
    {0x0C0A, "es_ES"},
    {0x0C0C, "fr_CA"},
    {0x1004, "zh_SG"},
    {0x1009, "en_CA"},
    {0x100C, "fr_CH"},
};

// Primary languages, for identifiers whose sublanguage we do not list.
constexpr TLocaleEntry kPrimaryLanguages[] = {
    {0x01, "ar"}, {0x02, "bg"}, {0x04, "zh"}, {0x05, "cs"}, {0x06, "da"}, {0x07, "de"},
    {0x08, "el"}, {0x09, "en"}, {0x0A, "es"}, {0x0B, "fi"}, {0x0C, "fr"}, {0x0D, "he"},
    {0x0E, "hu"}, {0x0F, "is"}, {0x10, "it"}, {0x11, "ja"}, {0x12, "ko"}, {0x13, "nl"},
    {0x14, "nb"}, {0x15, "pl"}, {0x16, "pt"}, {0x18, "ro"}, {0x19, "ru"}, {0x1A, "hr"},
    {0x1B, "sk"}, {0x1D, "sv"}, {0x1E, "th"}, {0x1F, "tr"}, {0x21, "id"}, {0x22, "uk"},
    {0x24, "sl"}, {0x25, "et"}, {0x26, "lv"}, {0x27, "lt"}, {0x2A, "vi"}, {0x39, "hi"},
};

constexpr std::string_view kRoot = "root";

const char* FindEntry(const TLocaleEntry* begin, const TLocaleEntry* end, std::uint16_t id) {
  for (const TLocaleEntry* e = begin; e != end; ++e)
    if (e->id == id) return e->name;
  return nullptr;
}

// The POSIX locale name in the first non-empty variable, as an ICU name: the
// codeset and modifier ("de_DE.UTF-8@euro") are dropped; C and POSIX are root.
std::string_view ProcessLocaleFrom(const char* category_variable) {
  const char* value = nullptr;
  for (const char* variable : {"LC_ALL", category_variable, "LANG"}) {
    value = std::getenv(variable);
    if (value && *value) break;
    value = nullptr;
  }
  if (!value) return kRoot;
  std::string_view name(value, std::strcspn(value, ".@"));
  if (name.empty() || name == "C" || name == "POSIX") return kRoot;
  return name;
}

// Resolves `locale` to an ICU name without allocating; empty when invalid.
std::string_view ResolveLocale(LCID locale) {
  if (locale == LOCALE_NEUTRAL || locale == LOCALE_SYSTEM_DEFAULT || locale == LOCALE_USER_DEFAULT)
    return ProcessLocaleFrom("LC_COLLATE");
  if (locale == LOCALE_INVARIANT) return kRoot;
  if (locale > 0xFFFF) return {};  // a sort other than the default: none is known to us
  const auto id = static_cast<std::uint16_t>(locale);
  if (const char* name = FindEntry(std::begin(kLanguageIds), std::end(kLanguageIds), id))
    return name;
  if (const char* name =
          FindEntry(std::begin(kPrimaryLanguages), std::end(kPrimaryLanguages), id & 0x3FF))
    return name;
  return {};
}

// The locale's collation with one change: "ß" is the same as "ss" at every
// level, as Windows compares them ("Straße" equals "STRASSE" ignoring case),
// where ICU alone keeps a secondary difference. Opening a collator from rules
// is slow for the large tailorings (tens of milliseconds for Chinese), which
// the cache pays once per locale and strength.
UCollator* OpenCollator(const char* locale) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* base = ucol_open(locale, &status);
  if (U_FAILURE(status)) return nullptr;
  int32_t length = 0;
  const UChar* base_rules = ucol_getRules(base, &length);
  std::u16string rules(base_rules, static_cast<std::size_t>(length));
  rules += u"&ss=\u00DF";
  UParseError error;
  status = U_ZERO_ERROR;
  UCollator* tailored = ucol_openRules(rules.data(), static_cast<int32_t>(rules.size()),
                                       UCOL_DEFAULT, UCOL_DEFAULT, &error, &status);
  if (U_FAILURE(status)) return base;  // the plain collation is the better answer than none
  ucol_close(base);
  return tailored;
}

class TCollatorCache {
 public:
  const TLocaleCollator* Get(std::string_view name, bool ignore_case) {
    std::lock_guard lock(mutex_);
    auto& map = collators_[ignore_case ? 1 : 0];
    if (auto it = map.find(name); it != map.end()) return it->second.get();
    String key(name);
    UCollator* collator = OpenCollator(key.c_str());
    if (!collator) return nullptr;
    ucol_setStrength(collator, ignore_case ? UCOL_SECONDARY : UCOL_TERTIARY);
    auto entry = std::make_unique<TLocaleCollator>(collator, key, ignore_case);
    const TLocaleCollator* result = entry.get();
    map.emplace(std::move(key), std::move(entry));
    return result;
  }

 private:
  std::mutex mutex_;
  std::map<String, std::unique_ptr<TLocaleCollator>, std::less<>> collators_[2];
};

TCollatorCache& Cache() {
  static TCollatorCache cache;
  return cache;
}

thread_local std::uint32_t last_compare_error = 0;

constexpr std::uint8_t kAsciiUndecided = 0xFF;

// Marks every character of each item of `set` that is made of ASCII
// characters only: a single character, or a whole string (a contraction, or
// a prefix with the character it conditions). A string that holds anything
// beyond ASCII never occurs in ASCII text, so its characters stay unmarked.
// False when the set cannot be read.
bool MarkAsciiItems(const USet* set, std::array<bool, 128>& marked) {
  std::u16string text(32, u'\0');
  const int32_t count = uset_getItemCount(set);
  for (int32_t i = 0; i < count; ++i) {
    UChar32 start = 0, end = 0;
    UErrorCode status = U_ZERO_ERROR;
    int32_t length =
        uset_getItem(set, i, &start, &end, text.data(), static_cast<int32_t>(text.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      text.resize(static_cast<std::size_t>(length));
      status = U_ZERO_ERROR;
      length = uset_getItem(set, i, &start, &end, text.data(), static_cast<int32_t>(text.size()),
                            &status);
    }
    if (U_FAILURE(status)) return false;
    if (length == 0) {  // a range of single characters
      for (UChar32 c = start; c <= end && c < 0x80; ++c) marked[static_cast<std::size_t>(c)] = true;
      continue;
    }
    const auto units = std::u16string_view(text).substr(0, static_cast<std::size_t>(length));
    if (std::all_of(units.begin(), units.end(), [](char16_t u) { return u < 0x80; }))
      for (char16_t u : units) marked[u] = true;
  }
  return true;
}

int ToCompareResult(int order) {
  return order < 0 ? CSTR_LESS_THAN : order > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

// Checks the arguments common to both forms and finds the collator; nullptr
// (with the error recorded) when the call must fail.
const TLocaleCollator* CollatorForCall(LCID locale, std::uint32_t flags, const void* a, int na,
                                       const void* b, int nb) {
  if (flags & ~NORM_IGNORECASE) {
    last_compare_error = kCompareInvalidFlags;
    return nullptr;
  }
  if (na < -1 || nb < -1 || (!a && na != 0) || (!b && nb != 0)) {
    last_compare_error = kCompareInvalidParameter;
    return nullptr;
  }
  const TLocaleCollator* collator = CollatorForLocale(locale, (flags & NORM_IGNORECASE) != 0);
  if (!collator) last_compare_error = kCompareInvalidParameter;
  return collator;
}

}  // namespace

TLocaleCollator::TLocaleCollator(UCollator* collator, String locale_name, bool ignore_case)
    : collator_(collator), locale_name_(std::move(locale_name)), ignore_case_(ignore_case) {}

TLocaleCollator::~TLocaleCollator() {
  ucol_close(collator_);
}

namespace {

// Whether any byte of s is above 0x7F, eight bytes at a time.
bool AnyAboveAscii(std::string_view s) {
  std::uint64_t bits = 0;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    bits |= w;
  }
  for (; i < s.size(); ++i) bits |= static_cast<unsigned char>(s[i]);
  return (bits & 0x8080808080808080u) != 0;
}

bool IsValidText(std::string_view s) {
  return !AnyAboveAscii(s) || IsValidUtf8(s);
}

// The text as the collator is to read it: each byte that starts no valid
// UTF-8 sequence becomes U+FFFD. ICU would replace a bad sequence as a
// whole, so text that is not valid is handed over mended. Valid text is
// used in place; mended text is written on the stack unless it is long.
class TMendedText {
 public:
  explicit TMendedText(std::string_view text) {
    if (IsValidText(text)) {
      view_ = text;
      return;
    }
    constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
    char* out = local_;
    if (3 * text.size() > sizeof local_) {
      heap_.resize(3 * text.size());
      out = heap_.data();
    }
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < text.size();) {
      const std::size_t length = Utf8SequenceLength(text, pos);
      if (length == 0) {
        std::memcpy(out + n, kReplacement, 3);
        n += 3;
        ++pos;
      } else {
        std::memcpy(out + n, text.data() + pos, length);
        n += length;
        pos += length;
      }
    }
    view_ = {out, n};
  }
  TMendedText(const TMendedText&) = delete;
  TMendedText& operator=(const TMendedText&) = delete;
  std::string_view View() const { return view_; }

 private:
  char local_[384];
  String heap_;
  std::string_view view_;
};

int CollateUtf8(const UCollator* collator, std::string_view a, std::string_view b) {
  UErrorCode status = U_ZERO_ERROR;
  return ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                          static_cast<int32_t>(b.size()), &status);
}

}  // namespace

int TLocaleCollator::Compare(std::string_view a, std::string_view b) const {
  if (IsValidText(a) && IsValidText(b)) return CollateUtf8(collator_, a, b);
  const TMendedText mended_a(a), mended_b(b);
  return CollateUtf8(collator_, mended_a.View(), mended_b.View());
}

std::size_t TLocaleCollator::AppendSortKey(std::string_view text, std::vector<Byte>& key) const {
  const TMendedText mended(text);
  UCharIterator source;
  uiter_setUTF8(&source, mended.View().data(), static_cast<int32_t>(mended.View().size()));
  // The key is made in parts; a short text's key takes one.
  std::uint32_t state[2] = {0, 0};
  Byte part[256];
  const std::size_t start = key.size();
  for (;;) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t made = ucol_nextSortKeyPart(collator_, &source, state, part,
                                              static_cast<int32_t>(sizeof part), &status);
    // ICU fails here only when it cannot get memory.
    if (U_FAILURE(status)) throw std::bad_alloc();
    key.insert(key.end(), part, part + made);
    if (made < static_cast<int32_t>(sizeof part)) break;
  }
  return key.size() - start;
}

int TLocaleCollator::Compare(std::u16string_view a, std::u16string_view b) const {
  return ucol_strcoll(collator_, a.data(), static_cast<int32_t>(a.size()), b.data(),
                      static_cast<int32_t>(b.size()));
}

// Why a table can stand in for the collator on ASCII text. The collator
// turns text into collation elements (CEs), and two texts are equal when
// their sequences of non-zero weights are equal level by level, up to the
// collator's strength. For ASCII text the CEs of a text are those of its
// characters, one after another, as long as no contraction or prefix rule
// made only of ASCII characters applies (ASCII needs no normalization; the
// attributes checked below would bring in context too). Here each ASCII
// character is either
// - ignorable: it compares equal to the empty text, so it adds no weight at
//   any compared level, wherever it stands;
// - simple: no expansion (so exactly one CE) and not ignorable at the
//   primary level (so that CE has a primary weight, and with it a secondary
//   and a tertiary weight);
// - or undecided: contractions, prefixes, expansions, and characters that
//   only weigh below the primary level. Text holding one goes to the
//   collator.
// Each simple character adds exactly one weight at every compared level, so
// two texts of ignorable and simple characters are equal exactly when their
// simple characters, in order, are pairwise equal under the collator: their
// weights line up one to one, and two single characters are equal exactly
// when their weights are. Classes of equal characters are found by asking
// the collator itself, so that its case rules (Turkish dotted and dotless i)
// and tailorings are kept.
void TLocaleCollator::BuildAsciiClasses() const {
  ascii_classes_.fill(kAsciiUndecided);
  UErrorCode status = U_ZERO_ERROR;
  // Numeric collation weighs runs of digits together; a case level and
  // shifted punctuation change what a character weighs by its neighbours.
  const bool context_free =
      ucol_getAttribute(collator_, UCOL_NUMERIC_COLLATION, &status) == UCOL_OFF &&
      ucol_getAttribute(collator_, UCOL_CASE_LEVEL, &status) == UCOL_OFF &&
      ucol_getAttribute(collator_, UCOL_ALTERNATE_HANDLING, &status) == UCOL_NON_IGNORABLE &&
      ucol_getStrength(collator_) <= UCOL_TERTIARY;
  if (U_FAILURE(status) || !context_free) return;

  std::array<bool, 128> undecided{};
  USet* contractions = uset_openEmpty();
  USet* expansions = uset_openEmpty();
  ucol_getContractionsAndExpansions(collator_, contractions, expansions, true, &status);
  const bool read = U_SUCCESS(status) && MarkAsciiItems(contractions, undecided) &&
                    MarkAsciiItems(expansions, undecided);
  uset_close(contractions);
  uset_close(expansions);
  if (!read) return;

  UCollator* primary = ucol_clone(collator_, &status);
  if (U_FAILURE(status) || primary == nullptr) return;
  ucol_setStrength(primary, UCOL_PRIMARY);
  const UChar empty = 0;
  UChar members[129];  // one character of each class, by class number (from 1)
  std::uint8_t classes = 0;
  for (UChar c = 0; c < 128; ++c) {
    if (undecided[c]) continue;
    if (ucol_strcoll(collator_, &c, 1, &empty, 0) == UCOL_EQUAL) {
      ascii_classes_[c] = 0;
      continue;
    }
    if (ucol_strcoll(primary, &c, 1, &empty, 0) == UCOL_EQUAL) continue;
    std::uint8_t k = 1;
    while (k <= classes && ucol_strcoll(collator_, &c, 1, &members[k], 1) != UCOL_EQUAL) ++k;
    if (k > classes) members[++classes] = c;
    ascii_classes_[c] = k;
  }
  ucol_close(primary);
  all_ascii_decided_ = std::none_of(ascii_classes_.begin(), ascii_classes_.begin() + 128,
                                    [](std::uint8_t k) { return k == kAsciiUndecided; });
}

namespace {

// The length of the common start of a and b, compared eight bytes at a time.
std::size_t CommonStart(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t wa, wb;
    std::memcpy(&wa, a.data() + i, 8);
    std::memcpy(&wb, b.data() + i, 8);
    if (wa != wb) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

}  // namespace

bool TLocaleCollator::AsciiDecides(std::string_view s) const {
  if (all_ascii_decided_) return !AnyAboveAscii(s);
  return std::none_of(s.begin(), s.end(), [this](char c) {
    return ascii_classes_[static_cast<unsigned char>(c)] == kAsciiUndecided;
  });
}

TLocaleCollator::TEqualityKey TLocaleCollator::EqualityKey(std::string_view text) const {
  std::call_once(ascii_once_, [this] { BuildAsciiClasses(); });
  TEqualityKey key;
  key.text_ = text;
  key.ascii_decided_ = AsciiDecides(text);
  return key;
}

TLocaleCollator::TAsciiVerdict TLocaleCollator::AsciiEquality(const TEqualityKey& a,
                                                              std::string_view b) const {
  // All of a, and the part of b that differs from it, must be text the table
  // describes, wherever the difference lies: a character further on (a
  // combining accent) may combine with one before it.
  if (!a.ascii_decided_) return TAsciiVerdict::Undecided;
  const std::string_view text = a.text_;
  // The class of the next character that weighs something; 0 at the end.
  const auto next = [this](std::string_view s, std::size_t& at) -> std::uint8_t {
    while (at < s.size())
      if (const std::uint8_t k = ascii_classes_[static_cast<unsigned char>(s[at++])]; k != 0)
        return k;
    return 0;
  };
  std::size_t x = CommonStart(text, b), y = x;
  for (;;) {
    const std::uint8_t ka = next(text, x), kb = next(b, y);
    if (kb == kAsciiUndecided) return TAsciiVerdict::Undecided;
    if (ka != kb) break;
    if (ka == 0) return TAsciiVerdict::Equal;
  }
  return AsciiDecides(b.substr(y)) ? TAsciiVerdict::Different : TAsciiVerdict::Undecided;
}

bool TLocaleCollator::Equals(const TEqualityKey& a, std::string_view b) const {
  switch (AsciiEquality(a, b)) {
    case TAsciiVerdict::Equal:
      return true;
    case TAsciiVerdict::Different:
      return false;
    case TAsciiVerdict::Undecided:
      break;
  }
  return Compare(a.text_, b) == 0;
}

bool TLocaleCollator::Equals(std::string_view a, std::string_view b) const {
  return Equals(EqualityKey(a), b);
}

const TLocaleCollator* CollatorForLocale(LCID locale, bool ignore_case) {
  const std::string_view name = ResolveLocale(locale);
  if (name.empty()) return nullptr;
  return Cache().Get(name, ignore_case);
}

int LocaleCompare(const TLocaleCollator& collator, const char* a, std::size_t na, const char* b,
                  std::size_t nb) {
  return collator.Compare(std::string_view(a, na), std::string_view(b, nb));
}

int LocaleCompareW(const TLocaleCollator& collator, const char16_t* a, std::size_t na,
                   const char16_t* b, std::size_t nb) {
  return collator.Compare(std::u16string_view(a, na), std::u16string_view(b, nb));
}

bool IcuLocaleName(LCID locale, String& name) {
  const std::string_view resolved = ResolveLocale(locale);
  if (resolved.empty()) return false;
  name.assign(resolved);
  return true;
}

String ProcessCollationLocale() {
  return String(ProcessLocaleFrom("LC_COLLATE"));
}

String ProcessCaseLocale() {
  return String(ProcessLocaleFrom("LC_CTYPE"));
}

int CompareStringA(LCID locale, std::uint32_t flags, const char* a, int na, const char* b, int nb) {
  const TLocaleCollator* collator = CollatorForCall(locale, flags, a, na, b, nb);
  if (!collator) return 0;
  const std::size_t la = na == -1 ? std::strlen(a) : static_cast<std::size_t>(na);
  const std::size_t lb = nb == -1 ? std::strlen(b) : static_cast<std::size_t>(nb);
  return ToCompareResult(collator->Compare(std::string_view(a, la), std::string_view(b, lb)));
}

int CompareStringW(LCID locale, std::uint32_t flags, const char16_t* a, int na, const char16_t* b,
                   int nb) {
  const TLocaleCollator* collator = CollatorForCall(locale, flags, a, na, b, nb);
  if (!collator) return 0;
  const std::size_t la =
      na == -1 ? std::char_traits<char16_t>::length(a) : static_cast<std::size_t>(na);
  const std::size_t lb =
      nb == -1 ? std::char_traits<char16_t>::length(b) : static_cast<std::size_t>(nb);
  return ToCompareResult(collator->Compare(std::u16string_view(a, la), std::u16string_view(b, lb)));
}

std::uint32_t CompareStringLastError() {
  return last_compare_error;
}
