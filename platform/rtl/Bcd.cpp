// platform/rtl/Bcd.cpp
#include "platform/rtl/Bcd.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

constexpr int kMaxDigits = 64;
constexpr int kMaxPlaces = 63;

// A decimal as sign, digit characters and the count of them after the point.
struct Decimal {
  bool negative = false;
  String digits;
  int places = 0;

  std::string_view IntegerPart() const {
    return std::string_view(digits).substr(0, digits.size() - static_cast<std::size_t>(places));
  }
  std::string_view FractionPart() const {
    return std::string_view(digits).substr(digits.size() - static_cast<std::size_t>(places));
  }

  // No leading zeros before the point, none trailing after it, no "-0".
  void Normalise() {
    while (places > 0 && digits.back() == '0') {
      digits.pop_back();
      --places;
    }
    std::size_t leading = 0;
    while (leading < digits.size() - static_cast<std::size_t>(places) && digits[leading] == '0')
      ++leading;
    digits.erase(0, leading);
    if (digits.empty()) negative = false;
  }
};

bool IsSpecial(const TBcd& bcd) {
  return (bcd.SignSpecialPlaces & BcdSpecialBit) != 0;
}

// False for a record whose precision or digits cannot be read.
bool Unpack(const TBcd& bcd, Decimal& out) {
  if (bcd.Precision > kMaxDigits) return false;
  out.negative = (bcd.SignSpecialPlaces & BcdSignBit) != 0;
  out.places = bcd.SignSpecialPlaces & BcdPlacesMask;
  out.digits.clear();
  // Decimals beyond the digits held are zeros right after the point.
  if (out.places > bcd.Precision) out.digits.assign(out.places - bcd.Precision, '0');
  for (int i = 0; i < bcd.Precision; ++i) {
    Byte pair = bcd.Fraction[i / 2];
    int digit = (i % 2 == 0) ? pair >> 4 : pair & 0x0F;
    if (digit > 9) return false;
    out.digits += static_cast<char>('0' + digit);
  }
  out.Normalise();
  return true;
}

// Right-aligns the digits in `precision` nibbles; false when they do not fit.
bool Pack(const Decimal& value, int precision, TBcd& out) {
  if (precision < 1 || precision > kMaxDigits || value.places > kMaxPlaces ||
      static_cast<int>(value.digits.size()) > precision)
    return false;
  TBcd bcd;
  bcd.Precision = static_cast<Byte>(precision);
  bcd.SignSpecialPlaces = static_cast<Byte>(value.places);
  bool zero = value.digits.find_first_not_of('0') == String::npos;
  if (value.negative && !zero) bcd.SignSpecialPlaces |= BcdSignBit;
  int offset = precision - static_cast<int>(value.digits.size());
  for (std::size_t i = 0; i < value.digits.size(); ++i) {
    int nibble = offset + static_cast<int>(i);
    Byte digit = static_cast<Byte>(value.digits[i] - '0');
    bcd.Fraction[nibble / 2] |= (nibble % 2 == 0) ? static_cast<Byte>(digit << 4) : digit;
  }
  out = bcd;
  return true;
}

// Packs a normalised value in just as many digits as it has (one for zero).
bool PackShortest(const Decimal& value, TBcd& out) {
  int precision = value.digits.empty() ? 1 : static_cast<int>(value.digits.size());
  return Pack(value, precision, out);
}

Decimal DecimalFromCurrency(Currency value) {
  Int64 scaled = value.Scaled();
  UInt64 magnitude =
      scaled < 0 ? UInt64(0) - static_cast<UInt64>(scaled) : static_cast<UInt64>(scaled);
  Decimal d;
  d.negative = scaled < 0;
  d.digits = std::to_string(magnitude);
  if (d.digits.size() < 5) d.digits.insert(0, 5 - d.digits.size(), '0');
  d.places = 4;
  return d;
}

// Compares the magnitudes of two normalised decimals.
int CompareMagnitude(const Decimal& a, const Decimal& b) {
  std::string_view ai = a.IntegerPart(), bi = b.IntegerPart();
  if (ai.size() != bi.size()) return ai.size() < bi.size() ? -1 : 1;
  if (int c = ai.compare(bi)) return c < 0 ? -1 : 1;
  std::string_view af = a.FractionPart(), bf = b.FractionPart();
  std::size_t n = std::max(af.size(), bf.size());
  for (std::size_t i = 0; i < n; ++i) {
    char x = i < af.size() ? af[i] : '0', y = i < bf.size() ? bf[i] : '0';
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

[[noreturn]] void RaiseInvalidBcd() {
  throw EBcdException("Invalid BCD value");
}

}  // namespace

bool CurrToBCD(Currency value, TBcd& bcd, int precision, int decimals) {
  if (precision <= 0) precision = kMaxDigits;
  if (decimals < 0 || decimals > precision || decimals > kMaxPlaces) return false;
  Decimal d = DecimalFromCurrency(value);
  if (decimals < 4) {
    // Round half away from zero at the wanted decimal: on the digits, so the
    // whole range works.
    std::size_t keep = d.digits.size() - static_cast<std::size_t>(4 - decimals);
    bool round_up = d.digits[keep] >= '5';
    d.digits.erase(keep);  // erase, not resize: it only shrinks, which GCC 12 at -O3 can tell
    d.places = decimals;
    for (std::size_t i = d.digits.size(); round_up && i-- > 0;) {
      if (d.digits[i] == '9') {
        d.digits[i] = '0';
      } else {
        ++d.digits[i];
        round_up = false;
      }
    }
    if (round_up) d.digits.insert(0, 1, '1');
  } else {
    d.digits.append(static_cast<std::size_t>(decimals - 4), '0');
    d.places = decimals;
  }
  // Leading zeros are free: only the significant integer digits must fit.
  std::size_t leading = 0;
  while (leading + static_cast<std::size_t>(d.places) < d.digits.size() && d.digits[leading] == '0')
    ++leading;
  d.digits.erase(0, leading);
  return Pack(d, precision, bcd);
}

bool BCDToCurr(const TBcd& bcd, Currency& value) {
  Decimal d;
  if (IsSpecial(bcd) || !Unpack(bcd, d)) return false;
  std::string_view integer = d.IntegerPart(), fraction = d.FractionPart();
  if (integer.size() > 15) return false;
  __int128 scaled = 0;
  for (char c : integer) scaled = scaled * 10 + (c - '0');
  for (std::size_t i = 0; i < 4; ++i)
    scaled = scaled * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
  if (fraction.size() > 4 && fraction[4] >= '5') ++scaled;
  if (d.negative) scaled = -scaled;
  if (scaled < std::numeric_limits<Int64>::min() || scaled > std::numeric_limits<Int64>::max())
    return false;
  value = Currency::FromScaled(static_cast<Int64>(scaled));
  return true;
}

int BcdCompare(const TBcd& a, const TBcd& b) {
  Decimal da, db;
  bool a_number = !IsSpecial(a) && Unpack(a, da);
  bool b_number = !IsSpecial(b) && Unpack(b, db);
  if (!a_number || !b_number) return a_number == b_number ? 0 : (a_number ? 1 : -1);
  if (da.negative != db.negative) return da.negative ? -1 : 1;
  int magnitude = CompareMagnitude(da, db);
  return da.negative ? -magnitude : magnitude;
}

String BcdToStr(const TBcd& bcd) {
  Decimal d;
  if (IsSpecial(bcd)) return String();
  if (!Unpack(bcd, d)) RaiseInvalidBcd();
  String out = d.negative ? "-" : "";
  std::string_view integer = d.IntegerPart();
  if (integer.empty())
    out += '0';
  else
    out += integer;
  if (d.places > 0) {
    out += FormatSettings().DecimalSeparator;
    out += d.FractionPart();
  }
  return out;
}

bool TryStrToBcd(const String& text, TBcd& bcd) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  Decimal d;
  std::size_t i = begin;
  if (i < end && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
  bool any_digit = false, seen_separator = false;
  for (; i < end; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      d.digits += c;
      any_digit = true;
      if (seen_separator) ++d.places;
    } else if (c == FormatSettings().DecimalSeparator && !seen_separator) {
      seen_separator = true;
    } else {
      return false;
    }
  }
  if (!any_digit) return false;
  d.Normalise();
  if (static_cast<int>(d.digits.size()) > kMaxDigits || d.places > kMaxPlaces) return false;
  return PackShortest(d, bcd);
}

TBcd StrToBcd(const String& text) {
  TBcd bcd;
  if (!TryStrToBcd(text, bcd)) throw EBcdException("'" + text + "' is not a valid BCD value");
  return bcd;
}

TBcd DoubleToBcd(double value) {
  if (!std::isfinite(value)) throw EBcdException("Cannot convert a non-finite value to BCD");
  char buffer[64];
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  Decimal d;
  d.negative = text.front() == '-';
  std::size_t e_pos = text.find('e');
  for (char c : text.substr(0, e_pos))
    if (c >= '0' && c <= '9') d.digits += c;
  // digits = d0 d1 ... d14 meaning d0.d1...d14 × 10^exponent.
  int exponent = std::atoi(String(text.substr(e_pos + 1)).c_str());
  int places = static_cast<int>(d.digits.size()) - 1 - exponent;
  if (places < 0) {
    d.digits.append(static_cast<std::size_t>(-places), '0');
    places = 0;
  } else if (places > static_cast<int>(d.digits.size())) {
    d.digits.insert(0, static_cast<std::size_t>(places) - d.digits.size(), '0');
  }
  d.places = places;
  d.Normalise();
  // The digits of a double's magnitude need not fit: the tiniest values lose
  // their last decimals beyond the 63 a record can hold.
  if (d.places > kMaxPlaces) {
    std::size_t drop = static_cast<std::size_t>(d.places - kMaxPlaces);
    d.digits.erase(d.digits.size() > drop ? d.digits.size() - drop : 0);
    d.places = kMaxPlaces;
    d.Normalise();
  }
  TBcd bcd;
  if (!PackShortest(d, bcd)) throw EBcdException("Value out of BCD range");
  return bcd;
}

double BcdToDouble(const TBcd& bcd) {
  Decimal d;
  if (IsSpecial(bcd) || !Unpack(bcd, d)) RaiseInvalidBcd();
  String text = d.negative ? "-" : "";
  std::string_view integer = d.IntegerPart();
  text += integer.empty() ? std::string_view("0") : integer;
  if (d.places > 0) {
    text += '.';
    text += d.FractionPart();
  }
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}
