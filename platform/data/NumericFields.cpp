// platform/data/NumericFields.cpp
#include "platform/data/NumericFields.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"

namespace {

// Formats `value` by a number mask: up to three sections separated by ';'
// (positive; negative; zero). In a section '0' is a digit that is always
// written, '#' a digit written when significant, the first '.' places the
// decimal separator, a ',' before it asks for thousand separators, and text
// in quotes or any other character is copied (before the number when it
// stands before the first digit placeholder, after it otherwise).
String FormatNumberMask(const String& mask, double value) {
  std::vector<String> sections{String()};
  char quote = 0;
  for (char c : mask) {
    if (quote) {
      if (c == quote) quote = 0;
      sections.back() += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      sections.back() += c;
    } else if (c == ';') {
      sections.emplace_back();
    } else {
      sections.back() += c;
    }
  }

  struct Layout {
    String prefix, suffix;
    int min_int = 0, decimals = 0, min_decimals = 0;
    bool group = false, has_placeholder = false;
  };
  auto analyse = [](const String& section) {
    Layout l;
    bool after_point = false, seen_digit = false;
    char q = 0;
    for (char c : section) {
      if (q) {
        if (c == q)
          q = 0;
        else
          (seen_digit ? l.suffix : l.prefix) += c;
        continue;
      }
      switch (c) {
        case '\'':
        case '"':
          q = c;
          break;
        case '0':
        case '#':
          seen_digit = true;
          l.has_placeholder = true;
          if (after_point) {
            ++l.decimals;
            if (c == '0') l.min_decimals = l.decimals;
          } else if (c == '0') {
            ++l.min_int;
          }
          break;
        case '.':
          if (!after_point) {
            after_point = true;
            seen_digit = true;
          }
          break;
        case ',':
          if (!after_point) l.group = true;
          break;
        default:
          (seen_digit ? l.suffix : l.prefix) += c;
      }
    }
    return l;
  };

  auto format = [](const Layout& l, double v, bool minus) {
    const double scale = std::pow(10.0, l.decimals);
    double scaled = std::round(std::fabs(v) * scale);
    String digits = Format("%.0f", scaled);
    while (static_cast<int>(digits.size()) <= l.decimals) digits.insert(digits.begin(), '0');
    String int_part = digits.substr(0, digits.size() - static_cast<std::size_t>(l.decimals));
    String frac = digits.substr(digits.size() - static_cast<std::size_t>(l.decimals));
    while (static_cast<int>(frac.size()) > l.min_decimals && !frac.empty() && frac.back() == '0')
      frac.pop_back();
    if (int_part == "0" && l.min_int == 0) int_part.clear();
    while (static_cast<int>(int_part.size()) < l.min_int) int_part.insert(int_part.begin(), '0');
    const char thousand = FormatSettings().ThousandSeparator;
    if (l.group && thousand) {
      String grouped;
      for (std::size_t i = 0; i < int_part.size(); ++i) {
        if (i > 0 && (int_part.size() - i) % 3 == 0) grouped += thousand;
        grouped += int_part[i];
      }
      int_part = grouped;
    }
    String number = int_part;
    if (!frac.empty()) number += FormatSettings().DecimalSeparator + frac;
    const bool is_zero = scaled == 0;
    return String(minus && !is_zero ? "-" : "") + l.prefix + number + l.suffix;
  };

  const Layout positive = analyse(sections[0]);
  if (!positive.has_placeholder && sections.size() == 1) return positive.prefix + positive.suffix;
  if (sections.size() >= 3 && !sections[2].empty()) {
    const Layout zero = analyse(sections[2]);
    if (std::round(std::fabs(value) * std::pow(10.0, positive.decimals)) == 0)
      return zero.has_placeholder ? format(zero, 0.0, false) : zero.prefix + zero.suffix;
  }
  if (value < 0 && sections.size() >= 2 && !sections[1].empty())
    return format(analyse(sections[1]), value, false);
  return format(positive, value, value < 0);
}

// The integer that a value typed for `field` stands for.
Int64 IntegerFromText(const TField* field, const String& value) {
  Int64 v;
  if (!TryStrToInt64(Trim(value), v))
    DatabaseErrorFmt(MsgInvalidFieldValue, nullptr, value, field->DisplayName());
  return v;
}

[[noreturn]] void RangeError(const TField* field, const String& value, const String& low,
                             const String& high) {
  DatabaseErrorFmt(MsgFieldRangeError, nullptr, value, field->DisplayName(), low, high);
}

}  // namespace

// --- TNumericField -------------------------------------------------------------

TNumericField::TNumericField(TComponent* owner) : TField(owner) {
  SetAlignment(taRightJustify);
}

void TNumericField::SetDisplayFormat(const String& value) {
  display_format_ = value;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const String& value) {
  edit_format_ = value;
  PropertyChanged(false);
}

bool TNumericField::IsValidChar(char32_t c) const {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E' ||
         c == static_cast<unsigned char>(FormatSettings().DecimalSeparator);
}

String TNumericField::FormatNumber(double value, bool displayText) const {
  const String& mask = displayText || edit_format_.empty() ? display_format_ : edit_format_;
  return mask.empty() ? String() : FormatNumberMask(mask, value);
}

// --- TIntegerField -------------------------------------------------------------

TIntegerField::TIntegerField(TComponent* owner)
    : TIntegerField(owner, ftInteger, std::numeric_limits<Integer>::min(),
                    std::numeric_limits<Integer>::max()) {}

TIntegerField::TIntegerField(TComponent* owner, TFieldType type, Integer minRange, Integer maxRange)
    : TNumericField(owner), min_range_(minRange), max_range_(maxRange) {
  SetDataType(type);
}

void TIntegerField::SetMinValue(Integer value) {
  min_value_ = value;
}
void TIntegerField::SetMaxValue(Integer value) {
  max_value_ = value;
}

Integer TIntegerField::ReadNative(const Byte* data) const {
  Integer v;
  std::memcpy(&v, data, 4);
  return v;
}

void TIntegerField::WriteNative(Integer value, Byte* data) const {
  std::memcpy(data, &value, 4);
}

bool TIntegerField::GetValue(Integer& value) const {
  Byte buffer[8] = {};
  if (!GetData(buffer)) return false;
  value = ReadNative(buffer);
  return true;
}

void TIntegerField::CheckRange(Int64 value) const {
  Int64 low = min_range_, high = max_range_;
  if (min_value_ != 0 || max_value_ != 0) {
    low = std::max<Int64>(low, min_value_);
    high = std::min<Int64>(high, max_value_);
  }
  if (value < low || value > high) RangeError(this, IntToStr(value), IntToStr(low), IntToStr(high));
}

String TIntegerField::GetAsString() const {
  Integer v;
  return GetValue(v) ? IntToStr(v) : String();
}

void TIntegerField::SetAsStringValue(const String& value) {
  if (!ClearIfBlank(value)) SetAsLargeIntValue(IntegerFromText(this, value));
}

Integer TIntegerField::GetAsInteger() const {
  Integer v;
  return GetValue(v) ? v : 0;
}

void TIntegerField::SetAsIntegerValue(Integer value) {
  SetAsLargeIntValue(value);
}

void TIntegerField::SetAsLargeIntValue(Int64 value) {
  CheckRange(value);
  Byte buffer[8] = {};
  WriteNative(static_cast<Integer>(value), buffer);
  SetData(buffer);
}

double TIntegerField::GetAsFloat() const {
  return GetAsInteger();
}

void TIntegerField::SetAsFloatValue(double value) {
  if (!(value >= -9.2e18 && value <= 9.2e18))
    RangeError(this, FloatToStr(value), IntToStr(min_range_), IntToStr(max_range_));
  SetAsLargeIntValue(static_cast<Int64>(std::llround(value)));
}

Variant TIntegerField::GetAsVariant() const {
  Integer v;
  return GetValue(v) ? Variant(v) : Null();
}

void TIntegerField::SetAsVariantValue(const Variant& value) {
  if (!SetNullOrText(value)) SetAsLargeIntValue(value.AsInt64());
}

String TIntegerField::GetClassText(bool displayText) const {
  Integer v;
  if (!GetValue(v)) return String();
  const String text = FormatNumber(v, displayText);
  return text.empty() ? IntToStr(v) : text;
}

TSmallintField::TSmallintField(TComponent* owner)
    : TIntegerField(owner, ftSmallint, -32768, 32767) {}

Integer TSmallintField::ReadNative(const Byte* data) const {
  SmallInt v;
  std::memcpy(&v, data, 2);
  return v;
}

void TSmallintField::WriteNative(Integer value, Byte* data) const {
  const SmallInt v = static_cast<SmallInt>(value);
  std::memcpy(data, &v, 2);
}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner, ftWord, 0, 65535) {}

Integer TWordField::ReadNative(const Byte* data) const {
  Word v;
  std::memcpy(&v, data, 2);
  return v;
}

void TWordField::WriteNative(Integer value, Byte* data) const {
  const Word v = static_cast<Word>(value);
  std::memcpy(data, &v, 2);
}

TAutoIncField::TAutoIncField(TComponent* owner)
    : TIntegerField(owner, ftAutoInc, std::numeric_limits<Integer>::min(),
                    std::numeric_limits<Integer>::max()) {}

// --- TLargeintField ------------------------------------------------------------

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftLargeint);
}

bool TLargeintField::GetValue(Int64& value) const {
  Byte buffer[8];
  if (!GetData(buffer)) return false;
  std::memcpy(&value, buffer, 8);
  return true;
}

String TLargeintField::GetAsString() const {
  Int64 v;
  return GetValue(v) ? IntToStr(v) : String();
}

void TLargeintField::SetAsStringValue(const String& value) {
  if (!ClearIfBlank(value)) SetAsLargeIntValue(IntegerFromText(this, value));
}

Integer TLargeintField::GetAsInteger() const {
  const Int64 v = GetAsLargeInt();
  if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max())
    RangeError(this, IntToStr(v), IntToStr(std::numeric_limits<Integer>::min()),
               IntToStr(std::numeric_limits<Integer>::max()));
  return static_cast<Integer>(v);
}

void TLargeintField::SetAsFloatValue(double value) {
  if (!(value >= -9.2e18 && value <= 9.2e18))
    RangeError(this, FloatToStr(value), IntToStr(std::numeric_limits<Int64>::min()),
               IntToStr(std::numeric_limits<Int64>::max()));
  SetAsLargeIntValue(static_cast<Int64>(std::llround(value)));
}

Int64 TLargeintField::GetAsLargeInt() const {
  Int64 v;
  return GetValue(v) ? v : 0;
}

void TLargeintField::SetAsLargeIntValue(Int64 value) {
  if ((min_value_ != 0 || max_value_ != 0) && (value < min_value_ || value > max_value_))
    RangeError(this, IntToStr(value), IntToStr(min_value_), IntToStr(max_value_));
  Byte buffer[8];
  std::memcpy(buffer, &value, 8);
  SetData(buffer);
}

Variant TLargeintField::GetAsVariant() const {
  Int64 v;
  return GetValue(v) ? Variant(v) : Null();
}

void TLargeintField::SetAsVariantValue(const Variant& value) {
  if (!SetNullOrText(value)) SetAsLargeIntValue(value.AsInt64());
}

String TLargeintField::GetClassText(bool displayText) const {
  Int64 v;
  if (!GetValue(v)) return String();
  const String text = FormatNumber(static_cast<double>(v), displayText);
  return text.empty() ? IntToStr(v) : text;
}

// --- TFloatField ---------------------------------------------------------------

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftFloat);
}

void TFloatField::SetCurrency(bool value) {
  currency_ = value;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(Integer value) {
  if (value < 2) value = 2;
  if (value > 15) value = 15;
  precision_ = value;
  PropertyChanged(false);
}

bool TFloatField::GetValue(double& value) const {
  Byte buffer[8];
  if (!GetData(buffer)) return false;
  std::memcpy(&value, buffer, 8);
  return true;
}

String TFloatField::GetAsString() const {
  double v;
  return GetValue(v) ? FloatToStr(v, precision_) : String();
}

void TFloatField::SetAsStringValue(const String& value) {
  if (ClearIfBlank(value)) return;
  const String text = Trim(value);
  double v;
  if (!TryStrToFloat(text, v)) InvalidValue(value);
  SetAsFloatValue(v);
}

Integer TFloatField::GetAsInteger() const {
  const double v = std::round(GetAsFloat());
  if (!(v >= std::numeric_limits<Integer>::min() && v <= std::numeric_limits<Integer>::max()))
    RangeError(this, FloatToStr(v), IntToStr(std::numeric_limits<Integer>::min()),
               IntToStr(std::numeric_limits<Integer>::max()));
  return static_cast<Integer>(v);
}

double TFloatField::GetAsFloat() const {
  double v;
  return GetValue(v) ? v : 0.0;
}

void TFloatField::SetAsFloatValue(double value) {
  if ((min_value_ != 0 || max_value_ != 0) && (value < min_value_ || value > max_value_))
    RangeError(this, FloatToStr(value), FloatToStr(min_value_), FloatToStr(max_value_));
  Byte buffer[8];
  std::memcpy(buffer, &value, 8);
  SetData(buffer);
}

Int64 TFloatField::GetAsLargeInt() const {
  const double v = std::round(GetAsFloat());
  if (!(v >= -9.2e18 && v <= 9.2e18))
    RangeError(this, FloatToStr(v), IntToStr(std::numeric_limits<Int64>::min()),
               IntToStr(std::numeric_limits<Int64>::max()));
  return static_cast<Int64>(v);
}

Variant TFloatField::GetAsVariant() const {
  double v;
  return GetValue(v) ? Variant(v) : Null();
}

void TFloatField::SetAsVariantValue(const Variant& value) {
  if (!SetNullOrText(value)) SetAsFloatValue(value.AsDouble());
}

String TFloatField::GetClassText(bool displayText) const {
  double v;
  if (!GetValue(v)) return String();
  String text = FormatNumber(v, displayText);
  if (!text.empty()) return text;
  if (currency_)
    return displayText ? Format("%m", v)
                       : Format("%.*f", static_cast<int>(FormatSettings().CurrencyDecimals), v);
  return FloatToStr(v, precision_);
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

// --- TBCDField -----------------------------------------------------------------

TBCDField::TBCDField(TComponent* owner) : TBCDField(owner, ftBCD) {}

TBCDField::TBCDField(TComponent* owner, TFieldType type) : TNumericField(owner) {
  SetDataType(type);
  InitSize(4);
}

void TBCDField::SetCurrency(bool value) {
  currency_ = value;
  PropertyChanged(false);
}

void TBCDField::SetPrecision(Integer value) {
  if (value < 0) value = 0;
  if (value > 64) value = 64;
  precision_ = value;
  PropertyChanged(false);
}

bool TBCDField::GetValue(TBcd& value) const {
  Byte buffer[sizeof(TBcd)];
  if (!GetData(buffer)) return false;
  std::memcpy(&value, buffer, sizeof(TBcd));
  return true;
}

TBcd TBCDField::AsBCD() const {
  TBcd v;
  GetValue(v);
  return v;
}

void TBCDField::SetAsBCD(const TBcd& value) {
  Byte buffer[sizeof(TBcd)];
  std::memcpy(buffer, &value, sizeof(TBcd));
  SetData(buffer);
}

String TBCDField::GetAsString() const {
  TBcd v;
  return GetValue(v) ? CurrToStr(GetAsCurrency()) : String();
}

void TBCDField::SetAsStringValue(const String& value) {
  if (ClearIfBlank(value)) return;
  const String text = Trim(value);
  Currency v;
  if (!TryStrToCurr(text, v)) InvalidValue(value);
  SetAsCurrencyValue(v);
}

Integer TBCDField::GetAsInteger() const {
  const Int64 v = GetAsLargeInt();
  if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max())
    RangeError(this, IntToStr(v), IntToStr(std::numeric_limits<Integer>::min()),
               IntToStr(std::numeric_limits<Integer>::max()));
  return static_cast<Integer>(v);
}

Currency TBCDField::GetAsCurrency() const {
  TBcd v;
  if (!GetValue(v)) return Currency();
  Currency c;
  if (!BCDToCurr(v, c)) InvalidValue(BcdToStr(v));
  return c;
}

void TBCDField::SetAsCurrencyValue(Currency value) {
  if ((min_value_ != Currency() || max_value_ != Currency()) &&
      (value < min_value_ || value > max_value_))
    RangeError(this, CurrToStr(value), CurrToStr(min_value_), CurrToStr(max_value_));
  TBcd bcd;
  if (!CurrToBCD(value, bcd, precision_ > 0 ? precision_ : 32, Size()))
    InvalidValue(CurrToStr(value));
  SetAsBCD(bcd);
}

Int64 TBCDField::GetAsLargeInt() const {
  const Int64 scaled = GetAsCurrency().Scaled();
  // Rounded half away from zero, as a currency amount turns into an integer.
  const Int64 whole = scaled / Currency::Scale, rest = scaled % Currency::Scale;
  if (rest >= Currency::Scale / 2) return whole + 1;
  if (rest <= -Currency::Scale / 2) return whole - 1;
  return whole;
}

Variant TBCDField::GetAsVariant() const {
  TBcd v;
  return GetValue(v) ? Variant(GetAsCurrency()) : Null();
}

void TBCDField::SetAsVariantValue(const Variant& value) {
  if (!SetNullOrText(value)) SetAsCurrencyValue(value.AsCurrency());
}

String TBCDField::GetClassText(bool displayText) const {
  TBcd v;
  if (!GetValue(v)) return String();
  const Currency c = GetAsCurrency();
  String text = FormatNumber(c.ToDouble(), displayText);
  if (!text.empty()) return text;
  if (currency_)
    return displayText
               ? Format("%m", c.ToDouble())
               : Format("%.*f", static_cast<int>(FormatSettings().CurrencyDecimals), c.ToDouble());
  return GetAsString();
}

Integer TBCDField::GetDefaultWidth() const {
  return precision_ > 0 ? precision_ + 2 : 10;
}

TFMTBCDField::TFMTBCDField(TComponent* owner) : TBCDField(owner, ftFMTBcd) {
  InitSize(8);
  SetPrecision(15);
}

String TFMTBCDField::GetAsString() const {
  TBcd v;
  return GetValue(v) ? BcdToStr(v) : String();
}

void TFMTBCDField::SetAsStringValue(const String& value) {
  if (ClearIfBlank(value)) return;
  const String text = Trim(value);
  TBcd v;
  if (!TryStrToBcd(text, v)) InvalidValue(value);
  SetAsBCD(v);
}
