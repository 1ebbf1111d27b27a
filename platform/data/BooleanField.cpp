// platform/data/BooleanField.cpp
#include "platform/data/BooleanField.h"

#include <cstring>

#include "platform/data/DataSet.h"
#include "platform/rtl/StringUtils.h"

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) {
  SetDataType(ftBoolean);
  SetDisplayValues("True;False");
}

void TBooleanField::SetDisplayValues(const String& value) {
  // "Yes;No" names both values; "Yes" alone names true, and false is shown
  // as the empty text.
  const std::size_t semicolon = value.find(';');
  if (semicolon == String::npos) {
    true_text_ = value;
    false_text_.clear();
  } else {
    true_text_ = value.substr(0, semicolon);
    false_text_ = value.substr(semicolon + 1);
  }
  display_values_ = value;
  PropertyChanged(true);
}

bool TBooleanField::GetValue(bool& value) const {
  Byte buffer[2] = {};
  if (!GetData(buffer)) return false;
  Word w;
  std::memcpy(&w, buffer, 2);
  value = w != 0;
  return true;
}

bool TBooleanField::GetAsBoolean() const {
  bool v;
  return GetValue(v) && v;
}

void TBooleanField::SetAsBooleanValue(bool value) {
  // Any non-zero word reads as true; 1 is what this field writes.
  const Word w = value ? 1 : 0;
  Byte buffer[2];
  std::memcpy(buffer, &w, 2);
  SetData(buffer);
}

String TBooleanField::GetAsString() const {
  bool v;
  if (!GetValue(v)) return String();
  return v ? true_text_ : false_text_;
}

void TBooleanField::SetAsStringValue(const String& value) {
  if (ClearIfBlank(value)) return;
  const String text = Trim(value);
  auto matches = [&](const String& word) {
    if (word.empty()) return false;
    if (SameText(text, word)) return true;
    // The first letter alone ("T", "F") stands for the word.
    return text.size() == 1 && UpperCase(text) == UpperCase(word.substr(0, 1));
  };
  if (matches(true_text_))
    SetAsBooleanValue(true);
  else if (matches(false_text_))
    SetAsBooleanValue(false);
  else
    InvalidValue(value);
}

Variant TBooleanField::GetAsVariant() const {
  bool v;
  return GetValue(v) ? Variant(v) : Null();
}

void TBooleanField::SetAsVariantValue(const Variant& value) {
  if (!SetNullOrText(value)) SetAsBooleanValue(value.AsBoolean());
}

Integer TBooleanField::GetDefaultWidth() const {
  return static_cast<Integer>(std::max(true_text_.size(), false_text_.size()));
}
