// memtable/ValueCompare.cpp
#include "memtable/ValueCompare.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "memtable/MemTableErrors.h"
#include "memtable/MemTableTypes.h"
#include "memtable/Record.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

void TvomCollation::SetLocale(LCID locale) {
  if (locale == locale_) return;
  locale_ = locale;
  collators_[0] = collators_[1] = nullptr;
}

const TLocaleCollator& TvomCollation::Collator(bool ignore_case) const {
  const TLocaleCollator*& slot = collators_[ignore_case ? 1 : 0];
  if (slot == nullptr) {
    slot = CollatorForLocale(locale_, ignore_case);
    if (slot == nullptr) throw EMemTableInvalidLocale(SvomInvalidLocale);
  }
  return *slot;
}

std::string_view StoredText(TvomValueRef v) {
  if (v.Data == nullptr || v.Size <= 0) return {};
  const char* p = reinterpret_cast<const char*>(v.Data);
  return {p, strnlen(p, static_cast<std::size_t>(v.Size))};
}

namespace {

template <class T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int Sign(int r) {
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// With mtifoPartial the key (a) is a prefix to look for: the record's value
// is cut to the key's length, and the match is full only when both lengths
// agree. A longer key is compared whole.
template <class View>
void ApplyPartial(View& a, View& b, Byte options, bool& full_match) {
  if (!(options & mtifoPartial)) return;
  full_match = a.size() == b.size();
  if (b.size() > a.size()) b = b.substr(0, a.size());
}

int CompareText8(TvomValueRef va, TvomValueRef vb, Byte options, const TvomCollation& collation,
                 bool& full_match) {
  std::string_view a = StoredText(va), b = StoredText(vb);
  ApplyPartial(a, b, options, full_match);
  const bool ignore_case = options & mtifoCaseInsensitive;
  if (options & mtifoIgnoreLocale) return Sign(ignore_case ? CompareText(a, b) : CompareStr(a, b));
  return Sign(collation.Collator(ignore_case).Compare(a, b));
}

// A stored wide string: a 4-byte byte count, then UTF-16 code units. Stored
// values may sit at odd addresses, so the units are copied into aligned
// storage before they are read (on the stack for the usual short values).
class WideValue {
 public:
  explicit WideValue(TvomValueRef v) {
    if (v.Data == nullptr || v.Size < 4) return;
    const Integer bytes = ReadValue<Integer>(v.Data);
    std::size_t units = bytes > 0 ? static_cast<std::size_t>(bytes) / 2 : 0;
    units = std::min(units, static_cast<std::size_t>(v.Size - 4) / 2);
    const Byte* src = v.Data + 4;
    if (reinterpret_cast<std::uintptr_t>(src) % alignof(char16_t) == 0) {
      view_ = {reinterpret_cast<const char16_t*>(src), units};
      return;
    }
    char16_t* dst = local_;
    if (units > kLocal) {
      heap_.resize(units);
      dst = heap_.data();
    }
    std::memcpy(dst, src, units * sizeof(char16_t));
    view_ = {dst, units};
  }
  std::u16string_view& View() { return view_; }

 private:
  static constexpr std::size_t kLocal = 128;
  char16_t local_[kLocal];
  std::u16string heap_;
  std::u16string_view view_;
};

char32_t NextUnit(std::u16string_view s, std::size_t& i) {
  const char16_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
    return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(s[i++]) - 0xDC00);
  if (c >= 0xD800 && c <= 0xDFFF) return kReplacementCharacter;
  return c;
}

// Wide comparison without a locale: code units, or code points under simple
// case folding when case is ignored.
int CompareWideOrdinal(std::u16string_view a, std::u16string_view b, bool ignore_case) {
  if (!ignore_case) return Sign(a.compare(b));
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = FoldCaseSimple(NextUnit(a, i));
    const char32_t cb = FoldCaseSimple(NextUnit(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return Order(i < a.size(), j < b.size());
}

int CompareWide(TvomValueRef va, TvomValueRef vb, Byte options, const TvomCollation& collation,
                bool& full_match) {
  WideValue wa(va), wb(vb);
  std::u16string_view& a = wa.View();
  std::u16string_view& b = wb.View();
  ApplyPartial(a, b, options, full_match);
  const bool ignore_case = options & mtifoCaseInsensitive;
  if (options & mtifoIgnoreLocale) return CompareWideOrdinal(a, b, ignore_case);
  return Sign(collation.Collator(ignore_case).Compare(a, b));
}

template <class T>
int CompareNumber(TvomValueRef a, TvomValueRef b, Byte, const TvomCollation&, bool&) {
  return Order(ReadValue<T>(a.Data), ReadValue<T>(b.Data));
}

int CompareBoolean(TvomValueRef a, TvomValueRef b, Byte, const TvomCollation&, bool&) {
  return Order(ReadValue<Word>(a.Data) != 0, ReadValue<Word>(b.Data) != 0);
}

// BCD values compare as currency amounts; a value that does not convert
// makes the two equal.
int CompareBcd(TvomValueRef a, TvomValueRef b, Byte, const TvomCollation&, bool&) {
  const auto ba = ReadValue<TBcd>(a.Data), bb = ReadValue<TBcd>(b.Data);
  Currency ca, cb;
  if (!BCDToCurr(ba, ca) || !BCDToCurr(bb, cb)) return 0;
  return Order(ca, cb);
}

int CompareTimeStamp(TvomValueRef a, TvomValueRef b, Byte, const TvomCollation&, bool&) {
  return CompareSQLTimeStamp(ReadValue<TSQLTimeStamp>(a.Data), ReadValue<TSQLTimeStamp>(b.Data));
}

int CompareUnordered(TvomValueRef, TvomValueRef, Byte, const TvomCollation&, bool&) {
  return 0;
}

}  // namespace

TvomValueComparer ValueComparerFor(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
      return CompareText8;
    case ftWideString:
      return CompareWide;
    case ftSmallint:
      return CompareNumber<SmallInt>;
    case ftWord:
      return CompareNumber<Word>;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
      return CompareNumber<Integer>;
    case ftLargeint:
      return CompareNumber<Int64>;
    case ftBoolean:
      return CompareBoolean;
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
      return CompareNumber<double>;
    case ftBCD:
    case ftFMTBcd:
      return CompareBcd;
    case ftTimeStamp:
      return CompareTimeStamp;
    default:
      return CompareUnordered;
  }
}

bool IsCollatedText8(TFieldType type, Byte options) {
  return ValueComparerFor(type) == CompareText8 && !(options & mtifoIgnoreLocale);
}

TvomValueMatcher::TvomValueMatcher(TvomValueRef key, TFieldType type, Byte options,
                                   const TvomCollation& collation)
    : key_(key),
      options_(options),
      collation_(&collation),
      compare_(ValueComparerFor(type)),
      collated_text_(IsCollatedText8(type, options)) {
  if (collated_text_) key_view_ = StoredText(key);
}

bool TvomValueMatcher::Matches(TvomValueRef value, bool& full_match) const {
  if (!collated_text_) return compare_(key_, value, options_, *collation_, full_match) == 0;
  // As CompareText8, with equality in place of order. A partial key is
  // never cut, so the key's text can be prepared once.
  std::string_view a = key_view_, b = StoredText(value);
  ApplyPartial(a, b, options_, full_match);
  if (collator_ == nullptr) {
    collator_ = &collation_->Collator(options_ & mtifoCaseInsensitive);
    key_text_ = collator_->EqualityKey(a);
  }
  return collator_->Equals(key_text_, b);
}

int CompareFieldValues(TvomValueRef a, TvomValueRef b, TFieldType type, Byte options,
                       const TvomCollation& collation, bool& full_match) {
  full_match = true;
  const int r = ValueComparerFor(type)(a, b, options, collation, full_match);
  return (options & mtifoDescending) ? -r : r;
}
