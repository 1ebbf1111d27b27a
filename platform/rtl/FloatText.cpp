// platform/rtl/FloatText.cpp
#include "platform/rtl/FloatText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

std::string_view TrimBlanks(const String& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string_view(text).substr(begin, end - begin);
}

// The parts of a number's text once its grammar has been checked.
struct NumberText {
  bool negative = false;
  std::string_view integer_digits;
  std::string_view fraction_digits;
  bool has_exponent = false;
  bool exponent_negative = false;
  std::string_view exponent_digits;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool SplitNumber(std::string_view text, char separator, NumberText& parts) {
  std::size_t i = 0, n = text.size();
  auto digits = [&]() {
    std::size_t start = i;
    while (i < n && IsDigit(text[i])) ++i;
    return text.substr(start, i - start);
  };
  if (i < n && (text[i] == '+' || text[i] == '-')) parts.negative = text[i++] == '-';
  parts.integer_digits = digits();
  if (i < n && text[i] == separator) {
    ++i;
    parts.fraction_digits = digits();
  }
  if (parts.integer_digits.empty() && parts.fraction_digits.empty()) return false;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    parts.has_exponent = true;
    if (i < n && (text[i] == '+' || text[i] == '-')) parts.exponent_negative = text[i++] == '-';
    parts.exponent_digits = digits();
    if (parts.exponent_digits.empty()) return false;
  }
  return i == n;
}

[[noreturn]] void RaiseNotFloat(const String& text) {
  throw EConvertError("'" + text + "' is not a valid floating point value");
}

}  // namespace

String FloatToStr(double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  if (precision < 1) precision = 1;
  if (precision > 17) precision = 17;

  // Scientific text is locale-free and correctly rounded: "-1.23400000000000e+05".
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                              precision - 1);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  std::size_t e_pos = text.find('e');
  String digits;
  for (char c : text.substr(0, e_pos))
    if (IsDigit(c)) digits += c;
  int exponent = std::atoi(String(text.substr(e_pos + 1)).c_str());
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  const char separator = FormatSettings().DecimalSeparator;
  String out;
  if (negative) out += '-';
  if (exponent >= -5 && exponent < precision) {
    if (exponent >= 0) {
      std::size_t integer_count = static_cast<std::size_t>(exponent) + 1;
      if (digits.size() <= integer_count) {
        out += digits;
        out.append(integer_count - digits.size(), '0');
      } else {
        out.append(digits, 0, integer_count);
        out += separator;
        out.append(digits, integer_count);
      }
    } else {
      out += '0';
      out += separator;
      out.append(static_cast<std::size_t>(-exponent - 1), '0');
      out += digits;
    }
  } else {
    out += digits[0];
    if (digits.size() > 1) {
      out += separator;
      out.append(digits, 1);
    }
    out += 'E';
    out += std::to_string(exponent);
  }
  return out;
}

bool TryStrToFloat(const String& text, double& value) {
  NumberText parts;
  if (!SplitNumber(TrimBlanks(text), FormatSettings().DecimalSeparator, parts)) return false;
  // Rebuilt in the one form from_chars reads, whatever the separator was; on
  // the stack when it fits, so that comparing a string with a number does
  // not allocate.
  std::size_t needed = 4 + std::max<std::size_t>(parts.integer_digits.size(), 1) +
                       parts.fraction_digits.size() + parts.exponent_digits.size();
  char stack_buffer[128];
  String heap_buffer;
  char* buffer = stack_buffer;
  if (needed > sizeof stack_buffer) {
    heap_buffer.resize(needed);
    buffer = heap_buffer.data();
  }
  std::size_t length = 0;
  auto append = [&](std::string_view part) {
    std::memcpy(buffer + length, part.data(), part.size());
    length += part.size();
  };
  if (parts.negative) append("-");
  append(parts.integer_digits.empty() ? std::string_view("0") : parts.integer_digits);
  if (!parts.fraction_digits.empty()) {
    append(".");
    append(parts.fraction_digits);
  }
  if (parts.has_exponent) {
    append(parts.exponent_negative ? "e-" : "e");
    append(parts.exponent_digits);
  }
  double parsed;
  auto result = std::from_chars(buffer, buffer + length, parsed);
  if (result.ec != std::errc() || result.ptr != buffer + length) {
    // from_chars reports underflow as out of range too; a value too small to
    // hold is simply zero.
    if (result.ec == std::errc::result_out_of_range && parts.has_exponent &&
        parts.exponent_negative) {
      value = parts.negative ? -0.0 : 0.0;
      return true;
    }
    return false;
  }
  value = parsed;
  return true;
}

double StrToFloat(const String& text) {
  double value;
  if (!TryStrToFloat(text, value)) RaiseNotFloat(text);
  return value;
}

double StrToFloatDef(const String& text, double default_value) {
  double value;
  return TryStrToFloat(text, value) ? value : default_value;
}

String CurrToStr(Currency value) {
  Int64 scaled = value.Scaled();
  // The magnitude as unsigned, so the most negative amount has one too.
  UInt64 magnitude =
      scaled < 0 ? UInt64(0) - static_cast<UInt64>(scaled) : static_cast<UInt64>(scaled);
  String out = scaled < 0 ? "-" : "";
  out += std::to_string(magnitude / Currency::Scale);
  unsigned fraction = static_cast<unsigned>(magnitude % Currency::Scale);
  if (fraction != 0) {
    String decimals = std::to_string(fraction + Currency::Scale).substr(1);
    while (decimals.back() == '0') decimals.pop_back();
    out += FormatSettings().DecimalSeparator;
    out += decimals;
  }
  return out;
}

bool TryStrToCurr(const String& text, Currency& value) {
  NumberText parts;
  if (!SplitNumber(TrimBlanks(text), FormatSettings().DecimalSeparator, parts)) return false;
  if (parts.has_exponent) {
    double d;
    if (!TryStrToFloat(text, d)) return false;
    try {
      value = Currency::FromDouble(d);
    } catch (const EMathError&) {
      return false;
    }
    return true;
  }
  // Plain decimal text converts digit by digit, so no amount loses a cent to
  // binary rounding.
  constexpr __int128 kLimit = static_cast<__int128>(std::numeric_limits<Int64>::max()) + 1;
  __int128 scaled = 0;
  for (char c : parts.integer_digits) {
    scaled = scaled * 10 + (c - '0');
    if (scaled > kLimit * 10) return false;
  }
  std::size_t used = 0;
  for (; used < 4; ++used)
    scaled =
        scaled * 10 + (used < parts.fraction_digits.size() ? parts.fraction_digits[used] - '0' : 0);
  if (parts.fraction_digits.size() > 4 && parts.fraction_digits[4] >= '5') ++scaled;
  if (parts.negative) scaled = -scaled;
  if (scaled < -kLimit || scaled >= kLimit) return false;
  value = Currency::FromScaled(static_cast<Int64>(scaled));
  return true;
}

Currency StrToCurr(const String& text) {
  Currency value;
  if (!TryStrToCurr(text, value)) RaiseNotFloat(text);
  return value;
}
