// platform/data/StringFields.cpp
#include "platform/data/StringFields.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/data/DataMessages.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

namespace {

// At most `maxUnits` UTF-16 units, never splitting a surrogate pair.
WideString CutUtf16(const WideString& text, std::size_t maxUnits) {
  if (text.size() <= maxUnits) return text;
  std::size_t n = maxUnits;
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return text.substr(0, n);
}

}  // namespace

// --- TStringField --------------------------------------------------------------

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  InitSize(20);
}

void TStringField::SetFixedChar(bool value) {
  fixed_char_ = value;
  SetDataType(value ? ftFixedChar : ftString);
}

bool TStringField::GetValue(String& value) const {
  if (!GetDataText(value)) return false;
  if (transliterate_ && DataSet()) value = DataSet()->Translate(value, false);
  if (fixed_char_) {
    std::size_t end = value.size();
    while (end > 0 && value[end - 1] == ' ') --end;
    value.resize(end);
  }
  return true;
}

String TStringField::GetAsString() const {
  String value;
  GetValue(value);
  return value;
}

void TStringField::SetAsStringValue(const String& value) {
  String text = transliterate_ && DataSet() ? DataSet()->Translate(value, true) : value;
  text = CutUtf8(text, static_cast<std::size_t>(Size()));
  std::vector<char> buffer(static_cast<std::size_t>(DataSize()), '\0');
  std::memcpy(buffer.data(), text.data(), text.size());
  SetData(buffer.data());
}

Integer TStringField::GetAsInteger() const {
  String value;
  return GetValue(value) ? StrToInt(value) : 0;
}

void TStringField::SetAsIntegerValue(Integer value) {
  SetAsStringValue(IntToStr(value));
}

double TStringField::GetAsFloat() const {
  String value;
  return GetValue(value) ? StrToFloat(value) : 0.0;
}

void TStringField::SetAsFloatValue(double value) {
  SetAsStringValue(FloatToStr(value));
}

bool TStringField::GetAsBoolean() const {
  String value;
  if (!GetValue(value) || value.empty()) return false;
  const char c = value[0];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1';
}

void TStringField::SetAsBooleanValue(bool value) {
  SetAsStringValue(value ? "True" : "False");
}

Currency TStringField::GetAsCurrency() const {
  String value;
  return GetValue(value) ? StrToCurr(value) : Currency();
}

void TStringField::SetAsCurrencyValue(Currency value) {
  SetAsStringValue(CurrToStr(value));
}

TDateTime TStringField::GetAsDateTime() const {
  String value;
  return GetValue(value) ? StrToDateTime(value) : 0.0;
}

void TStringField::SetAsDateTimeValue(TDateTime value) {
  SetAsStringValue(DateTimeToStr(value));
}

Int64 TStringField::GetAsLargeInt() const {
  String value;
  return GetValue(value) ? StrToInt64(value) : 0;
}

void TStringField::SetAsLargeIntValue(Int64 value) {
  SetAsStringValue(IntToStr(value));
}

Variant TStringField::GetAsVariant() const {
  String value;
  if (!GetValue(value)) return Null();
  return Variant(std::move(value));
}

void TStringField::SetAsVariantValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty())
    Clear();
  else
    SetAsStringValue(value.AsString());
}

// --- TWideStringField ----------------------------------------------------------

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) {
  SetDataType(ftWideString);
  SetTransliterate(false);
}

bool TWideStringField::GetWideValue(WideString& value) const {
  std::vector<Byte> buffer(static_cast<std::size_t>(DataSize()), 0);
  value.clear();
  if (!GetData(buffer.data())) return false;
  value = NativeToWide(buffer.data(), buffer.size(), Size());
  return true;
}

WideString TWideStringField::NativeToWide(const Byte* data, std::size_t available, Integer size) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, data, std::min(available, sizeof bytes));
  const std::size_t units =
      std::min<std::size_t>(bytes / 2, static_cast<std::size_t>(std::max(size, 0)));
  WideString value(units, u'\0');
  if (available > sizeof bytes)
    std::memcpy(value.data(), data + sizeof bytes, std::min(units * 2, available - sizeof bytes));
  return value;
}

bool TWideStringField::GetValue(String& value) const {
  WideString wide;
  const bool present = GetWideValue(wide);
  value = Utf16ToUtf8(wide);
  return present;
}

WideString TWideStringField::AsWideString() const {
  WideString value;
  GetWideValue(value);
  return value;
}

void TWideStringField::SetAsWideString(const WideString& value) {
  const WideString text = CutUtf16(value, static_cast<std::size_t>(Size()));
  std::vector<Byte> buffer(static_cast<std::size_t>(DataSize()), 0);
  const std::uint32_t bytes = static_cast<std::uint32_t>(text.size() * 2);
  std::memcpy(buffer.data(), &bytes, 4);
  std::memcpy(buffer.data() + 4, text.data(), bytes);
  SetData(buffer.data());
}

void TWideStringField::SetAsStringValue(const String& value) {
  SetAsWideString(Utf8ToUtf16(value));
}

// --- TGuidField ----------------------------------------------------------------

TGuidField::TGuidField(TComponent* owner) : TStringField(owner) {
  SetDataType(ftGuid);
  InitSize(38);
}

void TGuidField::SetSize(Integer value) {
  if (value != 38) DatabaseErrorFmt(MsgInvalidFieldSize, nullptr, DisplayName());
  TStringField::SetSize(value);
}
