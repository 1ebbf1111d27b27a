// memtable/ValueCompare.h
//
// Comparison of two stored field values of one data type, in the record
// buffer's native form: the building block under record comparison, sorting
// and searching. A comparison answers -1, 0 or 1 and says in `fullMatch`
// whether a partial (prefix) comparison of text matched the whole value.
//
// Text follows the field options: with mtifoIgnoreLocale, ordinal bytes (or
// ASCII case folding with mtifoCaseInsensitive); otherwise collation in the
// store's locale, chosen once per locale and case rule. Nothing here
// allocates unless a text is not valid UTF-8 (see Locale.h).
//
// Sorting calls these millions of times, so callers pick the routine for a
// type once (ValueComparerFor) and call it directly.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Types.h"

// A stored value: the address of its storage and how many bytes may be read
// there. Text values end at their first zero byte or at Size.
struct TvomValueRef {
  const Byte* Data = nullptr;
  Integer Size = 0;
};

// The collators of one locale identifier, looked up on first use. An
// identifier that names no locale raises EMemTableInvalidLocale "Invalid
// locale." when a comparison needs it, not when it is set.
// Not thread-safe: the store's lock guards it.
class TvomCollation {
 public:
  explicit TvomCollation(LCID locale = LOCALE_SYSTEM_DEFAULT) : locale_(locale) {}
  LCID Locale() const { return locale_; }
  void SetLocale(LCID locale);
  const TLocaleCollator& Collator(bool ignore_case) const;

 private:
  LCID locale_;
  mutable const TLocaleCollator* collators_[2] = {nullptr, nullptr};
};

// One type's comparison, without the descending rule (the caller applies it).
using TvomValueComparer = int (*)(TvomValueRef a, TvomValueRef b, Byte options,
                                  const TvomCollation& collation, bool& full_match);

// The comparison for a data type; types without an order compare equal.
TvomValueComparer ValueComparerFor(TFieldType type);

// Whether values of `type` under `options` are 8-bit text that the store's
// collator orders (not ordinal text, not wide text).
bool IsCollatedText8(TFieldType type, Byte options);

// The text of a stored 8-bit text value: up to its first zero byte or Size.
std::string_view StoredText(TvomValueRef v);

// Compares a with b as `type` under `options` (TvomifoOptions bits),
// descending included. full_match starts true.
int CompareFieldValues(TvomValueRef a, TvomValueRef b, TFieldType type, Byte options,
                       const TvomCollation& collation, bool& full_match);

// Tests stored values of one type against one key value, as a search that
// walks the records does: Matches(value) answers exactly whether
// CompareFieldValues(key, value, ...) would answer 0, and sets full_match as
// it would. The key is read once. Text collated in a locale is tested with
// the collator's equality test (TLocaleCollator::Equals), which needs no
// order and so decides plain ASCII text without the collator; the collator
// is looked up at the first test that needs it, as a comparison would, and
// kept: a matcher serves one search.
// REQUIRES: the key's storage and the collation outlive the matcher.
class TvomValueMatcher {
 public:
  TvomValueMatcher(TvomValueRef key, TFieldType type, Byte options, const TvomCollation& collation);
  bool Matches(TvomValueRef value, bool& full_match) const;

 private:
  TvomValueRef key_;
  Byte options_;
  const TvomCollation* collation_;
  TvomValueComparer compare_;
  bool collated_text_ = false;  // 8-bit text compared by the collator
  std::string_view key_view_;   // ... and the key's text
  // For collated text, found at the first test.
  mutable const TLocaleCollator* collator_ = nullptr;
  mutable TLocaleCollator::TEqualityKey key_text_;
};
