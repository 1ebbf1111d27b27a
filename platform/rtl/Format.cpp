// platform/rtl/Format.cpp
#include "platform/rtl/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace {

constexpr int kDefaultSignificant = 15;
constexpr int kMaxSignificant = 18;
constexpr int kMaxDecimals = 18;

// Room for the fixed text of the largest double (309 integer digits) with
// the most decimals.
constexpr std::size_t kNumberBuffer = 400;

using Kind = TFormatArg::Kind;

// Writes `value` in base 10 or 16 (upper case) with at least `min_digits`
// digits, zero-filled.
void AppendUnsigned(String& out, UInt64 value, int base, int min_digits) {
  char buf[24];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, base).ptr;
  const int digits = static_cast<int>(end - buf);
  if (min_digits > digits) out.append(static_cast<std::size_t>(min_digits - digits), '0');
  for (const char* p = buf; p != end; ++p) out.push_back(AsciiUpper(*p));
}

void AppendGrouped(String& out, std::string_view digits, char separator) {
  if (separator == '\0') {
    out.append(digits);
    return;
  }
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(separator);
    out.push_back(digits[i]);
  }
}

bool AllZeros(std::string_view digits) {
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
}

// A number rounded to a fixed count of decimals, as unsigned digit runs.
struct TFixedText {
  bool negative = false;
  std::string_view integer;
  std::string_view fraction;
};

TFixedText FixedFromDouble(double value, int decimals, char* buf) {
  const int n = std::snprintf(buf, kNumberBuffer, "%.*f", decimals, std::fabs(value));
  const std::string_view text(buf, static_cast<std::size_t>(n));
  const std::size_t dot = text.find('.');
  TFixedText fixed;
  fixed.integer = text.substr(0, dot);
  if (dot != std::string_view::npos) fixed.fraction = text.substr(dot + 1);
  fixed.negative = value < 0 && !(AllZeros(fixed.integer) && AllZeros(fixed.fraction));
  return fixed;
}

// Currency is exact: an integer of ten-thousandths, rounded half away from zero.
TFixedText FixedFromCurrency(Int64 ten_thousandths, int decimals, char* buf) {
  const bool negative = ten_thousandths < 0;
  UInt64 magnitude =
      negative ? 0 - static_cast<UInt64>(ten_thousandths) : static_cast<UInt64>(ten_thousandths);
  UInt64 scale = 1;  // 10^decimals, for decimals up to 4
  for (int i = 0; i < std::min(decimals, 4); ++i) scale *= 10;
  if (decimals < 4) {
    UInt64 divisor = 10000 / scale;
    magnitude = magnitude / divisor + (magnitude % divisor >= divisor / 2 ? 1 : 0);
  }
  char* p = buf;
  p = std::to_chars(p, buf + kNumberBuffer, magnitude / scale).ptr;
  char* fraction_start = p;
  if (decimals > 0) {
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude % scale).ptr;
    const int length = static_cast<int>(end - digits);
    for (int i = length; i < std::min(decimals, 4); ++i) *p++ = '0';
    p = std::copy(digits, end, p);
    for (int i = 4; i < decimals; ++i) *p++ = '0';
  }
  TFixedText fixed;
  fixed.integer = std::string_view(buf, static_cast<std::size_t>(fraction_start - buf));
  fixed.fraction = std::string_view(fraction_start, static_cast<std::size_t>(p - fraction_start));
  fixed.negative = negative && magnitude != 0;
  return fixed;
}

// `significant` digits of |value| in scientific form: digits without the
// point, and the power of ten of the first digit.
struct TScientific {
  std::string_view digits;
  int exponent = 0;
};

TScientific ScientificDigits(double value, int significant, char* buf) {
  const int n = std::snprintf(buf, kNumberBuffer, "%.*e", significant - 1, std::fabs(value));
  char* e = std::find(buf, buf + n, 'e');
  TScientific sci;
  sci.exponent = std::atoi(e + 1);
  // Drop the point: the digits are buf[0] and what follows the point.
  if (significant > 1) std::copy(buf + 2, e, buf + 1);
  sci.digits = std::string_view(buf, static_cast<std::size_t>(significant));
  return sci;
}

class TFormatter {
 public:
  TFormatter(std::string_view format, const TFormatArg* args, std::size_t count)
      : format_(format), args_(args), count_(count) {}

  String Run() {
    out_.reserve(format_.size() + 16 * count_);
    std::size_t pos = 0;
    while (pos < format_.size()) {
      const std::size_t percent = format_.find('%', pos);
      if (percent == std::string_view::npos) {
        out_.append(format_.substr(pos));
        break;
      }
      out_.append(format_.substr(pos, percent - pos));
      pos = percent + 1;
      Specifier(pos);
    }
    return std::move(out_);
  }

 private:
  [[noreturn]] void Invalid() const {
    throw EConvertError("Format '" + String(format_) + "' invalid or incompatible with argument");
  }

  const TFormatArg& NextArg() {
    if (next_ >= count_) throw EConvertError("No argument for format '" + String(format_) + "'");
    return args_[next_++];
  }

  static bool IsInteger(const TFormatArg& a) {
    return a.kind == Kind::Signed || a.kind == Kind::Unsigned;
  }

  // Reads a decimal number or "*" (taking the next argument); false when
  // neither is there.
  bool ReadCount(std::size_t& pos, Int64& value) {
    if (pos < format_.size() && format_[pos] == '*') {
      ++pos;
      const TFormatArg& a = NextArg();
      if (!IsInteger(a)) Invalid();
      value = a.kind == Kind::Signed ? a.i : static_cast<Int64>(std::min<UInt64>(a.u, INT32_MAX));
      return true;
    }
    if (pos >= format_.size() || format_[pos] < '0' || format_[pos] > '9') return false;
    value = 0;
    while (pos < format_.size() && format_[pos] >= '0' && format_[pos] <= '9') {
      value = std::min<Int64>(value * 10 + (format_[pos] - '0'), INT32_MAX);
      ++pos;
    }
    return true;
  }

  void Specifier(std::size_t& pos) {
    if (pos < format_.size() && format_[pos] == '%') {
      out_.push_back('%');
      ++pos;
      return;
    }
    Int64 number = 0;
    bool have_number = ReadCount(pos, number);
    if (have_number && pos < format_.size() && format_[pos] == ':') {
      if (number < 0) Invalid();
      next_ = static_cast<std::size_t>(number);
      have_number = false;
      ++pos;
    }
    bool left = false;
    if (!have_number && pos < format_.size() && format_[pos] == '-') {
      left = true;
      ++pos;
    }
    Int64 width = 0;
    if (have_number)
      width = number;
    else
      ReadCount(pos, width);
    if (width < 0) {  // only from "*": a negative width justifies left, as printf does
      left = true;
      width = -width;
    }
    Int64 precision = -1;
    if (pos < format_.size() && format_[pos] == '.') {
      ++pos;
      if (!ReadCount(pos, precision)) Invalid();
      if (precision < 0) precision = -1;
    }
    if (pos >= format_.size()) Invalid();
    const char type = format_[pos++];
    const std::size_t start = out_.size();
    Field(static_cast<char>(type | 0x20), static_cast<int>(std::min<Int64>(precision, INT32_MAX)));
    const auto length = static_cast<Int64>(out_.size() - start);
    if (length < width) {
      const auto fill = static_cast<std::size_t>(width - length);
      if (left)
        out_.append(fill, ' ');
      else
        out_.insert(start, fill, ' ');
    }
  }

  void Field(char type, int precision) {
    switch (type) {
      case 'd': {
        const TFormatArg& a = NextArg();
        if (a.kind == Kind::Signed) {
          if (a.i < 0) out_.push_back('-');
          AppendUnsigned(out_, a.i < 0 ? 0 - static_cast<UInt64>(a.i) : static_cast<UInt64>(a.i),
                         10, precision);
        } else if (a.kind == Kind::Unsigned) {
          AppendUnsigned(out_, a.u, 10, precision);
        } else {
          Invalid();
        }
        return;
      }
      case 'u':
        AppendUnsigned(out_, UnsignedValue(NextArg()), 10, precision);
        return;
      case 'x':
        AppendUnsigned(out_, UnsignedValue(NextArg()), 16, precision);
        return;
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm':
        FloatField(type, precision, NextArg());
        return;
      case 'p': {
        const TFormatArg& a = NextArg();
        if (a.kind != Kind::Pointer) Invalid();
        AppendUnsigned(out_, reinterpret_cast<std::uintptr_t>(a.p), 16, 2 * sizeof(void*));
        return;
      }
      case 's':
        TextField(precision, NextArg());
        return;
      default:
        Invalid();
    }
  }

  UInt64 UnsignedValue(const TFormatArg& a) const {
    if (a.kind == Kind::Unsigned) return a.u;
    if (a.kind != Kind::Signed) Invalid();
    return a.bits == 32 ? static_cast<std::uint32_t>(a.i) : static_cast<UInt64>(a.i);
  }

  void TextField(int precision, const TFormatArg& a) {
    std::string_view text;
    String converted;
    char c;
    switch (a.kind) {
      case Kind::Text:
        text = std::string_view(static_cast<const char*>(a.p), a.length);
        break;
      case Kind::WideText:
        converted = Utf16ToUtf8(std::u16string_view(static_cast<const char16_t*>(a.p), a.length));
        text = converted;
        break;
      case Kind::Char:
        c = static_cast<char>(a.i);
        text = std::string_view(&c, 1);
        break;
      default:
        Invalid();
    }
    if (precision >= 0 && static_cast<std::size_t>(precision) < text.size()) {
      // Take whole characters only: cutting inside a sequence would leave a
      // bad byte that the text did not have.
      std::size_t cut = 0;
      while (cut < text.size()) {
        const std::size_t n = std::max<std::size_t>(Utf8SequenceLength(text, cut), 1);
        if (cut + n > static_cast<std::size_t>(precision)) break;
        cut += n;
      }
      text = text.substr(0, cut);
    }
    out_.append(text);
  }

  void FloatField(char type, int precision, const TFormatArg& a) {
    if (a.kind != Kind::Float && a.kind != Kind::Currency) Invalid();
    const double value = a.kind == Kind::Float ? a.d : static_cast<double>(a.i) / 10000.0;
    if (std::isnan(value)) {
      out_.append("NAN");
      return;
    }
    if (std::isinf(value)) {
      out_.append(value < 0 ? "-INF" : "INF");
      return;
    }
    const TFormatSettings& settings = FormatSettings();
    char buf[kNumberBuffer];
    if (type == 'e' || type == 'g') {
      const int significant =
          precision < 0 ? kDefaultSignificant : std::clamp(precision, 1, kMaxSignificant);
      const TScientific sci = ScientificDigits(value, significant, buf);
      if (type == 'e')
        AppendExponentForm(sci, value < 0 && !AllZeros(sci.digits), settings.DecimalSeparator);
      else
        AppendGeneral(sci, significant, value < 0, settings.DecimalSeparator);
      return;
    }
    int decimals = precision < 0 ? (type == 'm' ? settings.CurrencyDecimals : 2) : precision;
    decimals = std::min(decimals, kMaxDecimals);
    const TFixedText fixed = a.kind == Kind::Currency ? FixedFromCurrency(a.i, decimals, buf)
                                                      : FixedFromDouble(value, decimals, buf);
    if (type == 'm') {
      AppendMoney(fixed, settings);
      return;
    }
    if (fixed.negative) out_.push_back('-');
    AppendNumber(fixed, type == 'n' ? settings.ThousandSeparator : '\0', settings.DecimalSeparator);
  }

  void AppendNumber(const TFixedText& fixed, char thousands, char decimal) {
    AppendGrouped(out_, fixed.integer, thousands);
    if (!fixed.fraction.empty()) {
      out_.push_back(decimal);
      out_.append(fixed.fraction);
    }
  }

  // "-d.dddE+ddd": at least three exponent digits.
  void AppendExponentForm(const TScientific& sci, bool negative, char decimal) {
    if (negative) out_.push_back('-');
    out_.push_back(sci.digits[0]);
    if (sci.digits.size() > 1) {
      out_.push_back(decimal);
      out_.append(sci.digits.substr(1));
    }
    out_.push_back('E');
    out_.push_back(sci.exponent < 0 ? '-' : '+');
    AppendUnsigned(out_, static_cast<UInt64>(std::abs(sci.exponent)), 10, 3);
  }

  // Fixed when the value is at least 0.00001 and its integer part fits in
  // the significant digits; scientific otherwise. Trailing zeros go.
  void AppendGeneral(const TScientific& sci, int significant, bool negative, char decimal) {
    std::string_view digits = sci.digits;
    while (digits.size() > 1 && digits.back() == '0') digits.remove_suffix(1);
    if (digits == "0") {
      out_.push_back('0');
      return;
    }
    if (negative) out_.push_back('-');
    const int e = sci.exponent;
    if (e >= significant || e < -5) {
      out_.push_back(digits[0]);
      if (digits.size() > 1) {
        out_.push_back(decimal);
        out_.append(digits.substr(1));
      }
      out_.push_back('E');
      if (e < 0) out_.push_back('-');
      AppendUnsigned(out_, static_cast<UInt64>(std::abs(e)), 10, 1);
      return;
    }
    if (e < 0) {
      out_.push_back('0');
      out_.push_back(decimal);
      out_.append(static_cast<std::size_t>(-e - 1), '0');
      out_.append(digits);
      return;
    }
    const auto integer_digits = static_cast<std::size_t>(e) + 1;
    if (digits.size() <= integer_digits) {
      out_.append(digits);
      out_.append(integer_digits - digits.size(), '0');
      return;
    }
    out_.append(digits.substr(0, integer_digits));
    out_.push_back(decimal);
    out_.append(digits.substr(integer_digits));
  }

  // The conventional layouts: '$' stands for CurrencyString, '1' for the
  // number, '-' for the minus sign.
  void AppendMoney(const TFixedText& fixed, const TFormatSettings& settings) {
    static constexpr std::string_view kPositive[] = {"$1", "1$", "$ 1", "1 $"};
    static constexpr std::string_view kNegative[] = {
        "($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
        "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    std::string_view layout;
    if (fixed.negative)
      layout = settings.NegCurrFormat < std::size(kNegative) ? kNegative[settings.NegCurrFormat]
                                                             : kNegative[0];
    else
      layout = settings.CurrencyFormat < std::size(kPositive) ? kPositive[settings.CurrencyFormat]
                                                              : kPositive[0];
    for (const char c : layout) {
      if (c == '$')
        out_.append(settings.CurrencyString);
      else if (c == '1')
        AppendNumber(fixed, settings.ThousandSeparator, settings.DecimalSeparator);
      else
        out_.push_back(c);
    }
  }

  std::string_view format_;
  const TFormatArg* args_;
  std::size_t count_;
  std::size_t next_ = 0;
  String out_;
};

}  // namespace

TFormatArg MakeFormatArg(const Currency& amount) {
  return TFormatArg::FromCurrency(amount.Scaled());
}

String FormatArgs(std::string_view format, const TFormatArg* args, std::size_t count) {
  return TFormatter(format, args, count).Run();
}
