// platform/data/Fields.cpp
#include "platform/data/Fields.h"

std::unique_ptr<TField> NewField(TFieldType type, TComponent* owner) {
  switch (type) {
    case ftString:
      return std::make_unique<TStringField>(owner);
    case ftFixedChar: {
      auto field = std::make_unique<TStringField>(owner);
      field->SetFixedChar(true);
      return field;
    }
    case ftWideString:
      return std::make_unique<TWideStringField>(owner);
    case ftGuid:
      return std::make_unique<TGuidField>(owner);
    case ftSmallint:
      return std::make_unique<TSmallintField>(owner);
    case ftInteger:
      return std::make_unique<TIntegerField>(owner);
    case ftWord:
      return std::make_unique<TWordField>(owner);
    case ftAutoInc:
      return std::make_unique<TAutoIncField>(owner);
    case ftLargeint:
      return std::make_unique<TLargeintField>(owner);
    case ftBoolean:
      return std::make_unique<TBooleanField>(owner);
    case ftFloat:
      return std::make_unique<TFloatField>(owner);
    case ftCurrency:
      return std::make_unique<TCurrencyField>(owner);
    case ftBCD:
      return std::make_unique<TBCDField>(owner);
    case ftFMTBcd:
      return std::make_unique<TFMTBCDField>(owner);
    case ftDate:
      return std::make_unique<TDateField>(owner);
    case ftTime:
      return std::make_unique<TTimeField>(owner);
    case ftDateTime:
      return std::make_unique<TDateTimeField>(owner);
    case ftTimeStamp:
      return std::make_unique<TSQLTimeStampField>(owner);
    case ftBytes:
      return std::make_unique<TBytesField>(owner);
    case ftVarBytes:
      return std::make_unique<TVarBytesField>(owner);
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob: {
      auto field = std::make_unique<TMemoField>(owner);
      field->SetBlobType(type);
      return field;
    }
    case ftGraphic:
      return std::make_unique<TGraphicField>(owner);
    case ftBlob:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob: {
      auto field = std::make_unique<TBlobField>(owner);
      field->SetBlobType(type);
      return field;
    }
    case ftADT:
      return std::make_unique<TADTField>(owner);
    case ftArray:
      return std::make_unique<TArrayField>(owner);
    default:
      return nullptr;
  }
}

bool HasFieldClass(TFieldType type) {
  switch (type) {
    case ftUnknown:
    case ftCursor:
    case ftReference:
    case ftDataSet:
    case ftVariant:
    case ftInterface:
    case ftIDispatch:
      return false;
    default:
      return static_cast<int>(type) < FieldTypeCount;
  }
}
