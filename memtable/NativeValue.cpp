// memtable/NativeValue.cpp
#include "memtable/NativeValue.h"

#include <algorithm>
#include <cstring>

#include "memtable/Record.h"
#include "platform/data/DateTimeFields.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringFields.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"

bool EncodeNativeValue(TDataSet& dataset, const TField* field, const Variant& value, Byte* data) {
  auto asDateTime = [&] {
    return value.Type() == varString ? StrToDateTime(value.AsString()) : value.AsDateTime();
  };
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftGuid: {
      String text = value.AsString();
      const auto* stringField = dynamic_cast<const TStringField*>(field);
      if (stringField != nullptr && stringField->Transliterate())
        text = dataset.Translate(text, true);
      text = CutUtf8(text, static_cast<std::size_t>(field->Size()));
      std::memcpy(data, text.data(), text.size());
      break;
    }
    case ftSmallint:
      WriteValue(data, static_cast<SmallInt>(value.AsInteger()));
      break;
    case ftWord:
      WriteValue(data, static_cast<Word>(value.AsInteger()));
      break;
    case ftInteger:
    case ftAutoInc:
      WriteValue(data, value.AsInteger());
      break;
    case ftBoolean:
      WriteValue(data, static_cast<Word>(value.AsBoolean() ? 1 : 0));
      break;
    case ftFloat:
    case ftCurrency:
      WriteValue(data, value.AsDouble());
      break;
    case ftBCD:
    case ftFMTBcd: {
      const auto* bcdField = dynamic_cast<const TBCDField*>(field);
      const int precision =
          bcdField != nullptr && bcdField->Precision() > 0 ? bcdField->Precision() : 32;
      TBcd bcd{};
      CurrToBCD(value.AsCurrency(), bcd, precision, field->Size());
      std::memcpy(data, &bcd, sizeof bcd);
      break;
    }
    case ftDate:
      WriteValue(data, DateTimeToNativeDate(asDateTime()));
      break;
    case ftTime:
      WriteValue(data, DateTimeToNativeTime(asDateTime()));
      break;
    case ftDateTime:
      WriteValue(data, DateTimeToNativeDateTime(asDateTime()));
      break;
    case ftWideString: {
      WideString text = Utf8ToUtf16(value.AsString());
      const std::size_t units = std::min(text.size(), static_cast<std::size_t>(field->Size()));
      WriteValue(data, static_cast<Integer>(units * 2));
      std::memcpy(data + 4, text.data(), units * 2);
      break;
    }
    case ftLargeint:
      WriteValue(data, value.AsInt64());
      break;
    case ftTimeStamp: {
      const TSQLTimeStamp stamp = DateTimeToSQLTimeStamp(asDateTime());
      std::memcpy(data, &stamp, sizeof stamp);
      break;
    }
    default:
      return false;
  }
  return true;
}
