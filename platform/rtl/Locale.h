// platform/rtl/Locale.h
//
// Locale-aware comparison of text, standing in for the Windows calls
// `CompareStringA` (8-bit text, here UTF-8) and `CompareStringW` (UTF-16),
// with ICU collation underneath.
//
// Locale identifiers (LCID) keep their Windows layout: bits 0-9 the primary
// language, bits 10-15 the sublanguage, bits 16-19 the sort. Resolution:
// - 0 (LOCALE_NEUTRAL), 0x400 (LOCALE_SYSTEM_DEFAULT) and 0x800
//   (LOCALE_USER_DEFAULT) mean the process locale: the first non-empty of
//   LC_ALL, LC_COLLATE and LANG, read at each resolution; "C", "POSIX" and an
//   unset locale give the root collation;
// - 0x7F (LOCALE_INVARIANT) is the root collation;
// - any other identifier with sort 0 is looked up in our table of languages
//   and countries; an unknown sublanguage of a known language falls back to
//   the language alone. Whatever is not found is an invalid locale.
//
// Case-sensitive comparison uses ICU's tertiary strength (accents and case
// count); ignoring case uses the secondary strength (accents count, case does
// not), as NORM_IGNORECASE does on Windows. As on Windows, "ß" compares equal
// to "ss".
//
// UTF-8 text that is not valid compares as if each bad byte were U+FFFD.
//
// Threads: every function may be called from any thread. Collators are
// created once per locale and strength, kept for the life of the process and
// never changed (the table behind Equals is filled once, on first use, under
// std::call_once), so a `const TLocaleCollator*` may be shared freely.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

struct UCollator;

using LCID = std::uint32_t;

constexpr LCID LOCALE_NEUTRAL = 0x0000;
constexpr LCID LOCALE_INVARIANT = 0x007F;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0400;
constexpr LCID LOCALE_USER_DEFAULT = 0x0800;

// Comparison flags (only this one is supported; any other bit fails the call).
constexpr std::uint32_t NORM_IGNORECASE = 0x00000001;

// Results of CompareStringA/W; 0 means the call failed.
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Error numbers left by a failed CompareStringA/W (see CompareStringLastError),
// with the values of Windows' ERROR_INVALID_PARAMETER and ERROR_INVALID_FLAGS;
// named apart from platform/win's list so that both headers can be included.
constexpr std::uint32_t kCompareInvalidParameter = 87;  // invalid locale, or a bad text or count
constexpr std::uint32_t kCompareInvalidFlags = 1004;    // a flag other than NORM_IGNORECASE

// One ICU collator for one locale and strength. Immutable once made; owned by
// the process-wide cache (never freed by callers).
class TLocaleCollator {
 public:
  TLocaleCollator(UCollator* collator, String locale_name, bool ignore_case);
  ~TLocaleCollator();
  TLocaleCollator(const TLocaleCollator&) = delete;
  TLocaleCollator& operator=(const TLocaleCollator&) = delete;

  // The ICU locale name ("root" for the root collation).
  const String& LocaleName() const { return locale_name_; }
  bool IgnoreCase() const { return ignore_case_; }

  // <0, 0 or >0. Valid UTF-8 goes straight to ICU's UTF-8 comparison; text
  // that is not valid is mended on the stack (on the heap past 128 bytes).
  int Compare(std::string_view a, std::string_view b) const;
  int Compare(std::u16string_view a, std::u16string_view b) const;

  // Appends the sort key of `text` to `key` and returns its length. Two
  // keys compared byte by byte, the shorter first when one is the start of
  // the other, give the order Compare gives their texts, equality included.
  // A key costs about as much as a few comparisons and saves them all when
  // each text takes part in many (a sort).
  std::size_t AppendSortKey(std::string_view text, std::vector<Byte>& key) const;

  // ICU's own collator, for code that must call ICU with exactly these
  // settings (a benchmark's reference). Must not be changed.
  const UCollator* IcuCollator() const { return collator_; }

  // Always the same answer as Compare(a, b) == 0. When both texts are ASCII
  // that this collator weighs one character at a time, the answer comes from
  // a table of which characters it finds equal or ignores, built from the
  // collator itself on first use; any other text goes to the collator.
  bool Equals(std::string_view a, std::string_view b) const;

  // A text prepared once for testing many others against it with Equals (a
  // search's key). It refers to the text, which must outlive it, and
  // belongs to the collator that made it.
  class TEqualityKey {
   public:
    std::string_view Text() const { return text_; }

   private:
    friend class TLocaleCollator;
    std::string_view text_;
    bool ascii_decided_ = false;  // the table describes the whole text
  };
  TEqualityKey EqualityKey(std::string_view text) const;
  bool Equals(const TEqualityKey& a, std::string_view b) const;

 private:
  // The outcome of the table: equal, different, or not decided by it.
  enum class TAsciiVerdict { Equal, Different, Undecided };
  TAsciiVerdict AsciiEquality(const TEqualityKey& a, std::string_view b) const;
  // Whether the table describes every character of s.
  bool AsciiDecides(std::string_view s) const;
  void BuildAsciiClasses() const;

  UCollator* collator_;
  String locale_name_;
  bool ignore_case_;
  // Per byte: 0 for a character that weighs nothing at this strength,
  // kAsciiUndecided for a byte the table does not decide (every byte above
  // 0x7F, and ASCII characters whose weight depends on their neighbours or
  // is not one collation element), otherwise the number of its class of
  // equal characters. Built once, then only read.
  mutable std::once_flag ascii_once_;
  mutable std::array<std::uint8_t, 256> ascii_classes_{};
  // No ASCII character is undecided: only bytes above 0x7F are.
  mutable bool all_ascii_decided_ = false;
};

// The collator for a locale identifier, or nullptr when the identifier is
// invalid. Choose it once and compare many times with LocaleCompare.
const TLocaleCollator* CollatorForLocale(LCID locale, bool ignore_case);

// <0, 0 or >0 under the collator's rules; the texts need not be NUL-terminated.
int LocaleCompare(const TLocaleCollator& collator, const char* a, std::size_t na, const char* b,
                  std::size_t nb);
int LocaleCompareW(const TLocaleCollator& collator, const char16_t* a, std::size_t na,
                   const char16_t* b, std::size_t nb);

// The ICU locale name that `locale` stands for; false for an invalid one.
bool IcuLocaleName(LCID locale, String& name);

// The ICU locale name of the process for collation ("root" for C and POSIX).
String ProcessCollationLocale();

// The ICU locale name of the process for case mapping: the first non-empty
// of LC_ALL, LC_CTYPE and LANG ("root" for C and POSIX).
String ProcessCaseLocale();

// Windows-style comparison: a count of -1 means the text runs to its NUL.
// Returns CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN, or 0 when the
// locale is invalid or a flag other than NORM_IGNORECASE is given; the reason
// is then left for CompareStringLastError on the calling thread.
int CompareStringA(LCID locale, std::uint32_t flags, const char* a, int na, const char* b, int nb);
int CompareStringW(LCID locale, std::uint32_t flags, const char16_t* a, int na, const char16_t* b,
                   int nb);

// The error number left by this thread's last failed CompareStringA/W (0 when
// none has failed on this thread); a successful call leaves it as it was.
std::uint32_t CompareStringLastError();
