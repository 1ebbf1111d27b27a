// memtable/FilterFields.cpp
//
// Reading a filter's fields from records, and the constants compared with
// them converted once to the field's value domain.
#include <algorithm>

#include "memtable/FilterNodes.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/StringUtils.h"

namespace filter_detail {

Reader ReaderFor(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
    case ftWideString:
      return Reader::Text;
    case ftSmallint:
      return Reader::Smallint;
    case ftWord:
      return Reader::Word;
    case ftInteger:
    case ftAutoInc:
      return Reader::Int32;
    case ftLargeint:
      return Reader::Largeint;
    case ftBoolean:
      return Reader::Boolean;
    case ftFloat:
    case ftCurrency:
      return Reader::Float;
    case ftDate:
      return Reader::Date;
    case ftTime:
      return Reader::Time;
    case ftDateTime:
      return Reader::DateTime;
    default:
      return Reader::Generic;
  }
}
// The Number a converted constant compares as; false for kinds the Variant
// rules treat otherwise (Boolean, currency, text...).
bool NumberOfConstant(const Variant& constant, Number& out) {
  switch (constant.Type()) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      out = Number::Whole(constant.AsInt64());
      return true;
    case varDouble:
    case varDate:
      out = Number::Real(constant.AsDouble());
      return true;
    default:
      return false;
  }
}

// Where the store puts `field` in every record's data area. Records and
// record buffers of a store share one layout, which stays while the filter
// exists (the table compiles it again after reopening), so the place is
// asked once, of a data area of the layout's size.
std::ptrdiff_t SlotOffset(TField* field, const TvomCommon* store) {
  std::vector<Byte> area(static_cast<std::size_t>(std::max<Integer>(store->DataSize(), 0)) + 1);
  TvomRecord probe;
  probe.Data = area.data();
  const Byte* slot = store->FieldPointer(&probe, field);
  return slot == nullptr ? -1 : slot - probe.Data;
}

FieldRef ResolveField(TField* field, const TvomCommon* store) {
  FieldRef ref;
  ref.field = field;
  ref.offset = SlotOffset(field, store);
  ref.reader = ReaderFor(field->DataType());
  const Integer no = field->FieldNo();
  if (no >= 1 && no <= kvomMaxFields) {
    const Byte flags = store->FieldFlags(no);
    ref.indirect = (flags & mtffIndirect) != 0;
    // A compressed value needs the table's decompression hook.
    if ((flags & mtffCompressed) != 0) ref.reader = Reader::Generic;
  }
  // Only text can live outside the record and still be read here.
  if (ref.indirect && ref.reader != Reader::Text) ref.reader = Reader::Generic;
  ref.storage =
      static_cast<std::size_t>(TvomCommon::FieldDataSize(field->DataType(), field->Size()));
  ref.fixedChar = field->DataType() == ftFixedChar;
  ref.wide = field->DataType() == ftWideString;
  ref.wideLength = field->Size();
  return ref;
}

// A constant converted once to the value domain of the field it is compared
// with, so that every record compares by value exactly as the Variant rules
// would, without converting the constant again. False when the Variant rules
// would fail (or be unusual) for this pair; the comparison then stays generic.
bool ConvertForField(const FieldRef& ref, const Variant& constant, Variant& out) {
  if (IsNullish(constant) || constant.IsArray()) return false;
  const bool isText = constant.Type() == varString;
  switch (ref.reader) {
    case Reader::Generic:
      return false;
    case Reader::Text:
      if (!isText) return false;
      out = constant;
      return true;
    case Reader::Smallint:
    case Reader::Word:
    case Reader::Int32:
    case Reader::Largeint:
    case Reader::Float: {
      if (!isText) {
        out = constant;
        return true;
      }
      // As the Variant rules read a text against a number.
      const String text = constant.AsString();
      Int64 whole;
      double real;
      if (TryStrToInt64(text, whole)) {
        out = Variant(whole);
        return true;
      }
      if (TryStrToFloat(text, real)) {
        out = Variant(real);
        return true;
      }
      return false;
    }
    case Reader::Boolean:
    case Reader::Date:
    case Reader::Time:
    case Reader::DateTime:
      if (!isText) {
        out = constant;
        return true;
      }
      try {
        out = ref.reader == Reader::Boolean ? Variant(constant.AsBoolean())
                                            : VarFromDateTime(constant.AsDateTime());
      } catch (const Exception&) {
        return false;
      }
      return true;
  }
  return false;
}

}  // namespace filter_detail
