// platform/data/Fields.h
//
// Every field class of the dataset model, and the factory that makes the
// field for a field type (what a field definition creates).
#pragma once

#include <memory>

#include "platform/data/BinaryFields.h"
#include "platform/data/BlobFields.h"
#include "platform/data/BooleanField.h"
#include "platform/data/DateTimeFields.h"
#include "platform/data/Field.h"
#include "platform/data/NumericFields.h"
#include "platform/data/ObjectFields.h"
#include "platform/data/StringFields.h"

// A new field of the class that serves `type`, owned by `owner`; nullptr
// for the types without a field class (ftUnknown, ftCursor, ftReference,
// ftDataSet, ftVariant, ftInterface, ftIDispatch).
//
//   ftString, ftFixedChar  TStringField (FixedChar for ftFixedChar)
//   ftWideString           TWideStringField       ftGuid       TGuidField
//   ftSmallint             TSmallintField         ftInteger    TIntegerField
//   ftWord                 TWordField             ftAutoInc    TAutoIncField
//   ftLargeint             TLargeintField         ftBoolean    TBooleanField
//   ftFloat                TFloatField            ftCurrency   TCurrencyField
//   ftBCD                  TBCDField              ftFMTBcd     TFMTBCDField
//   ftDate                 TDateField             ftTime       TTimeField
//   ftDateTime             TDateTimeField         ftTimeStamp  TSQLTimeStampField
//   ftBytes                TBytesField            ftVarBytes   TVarBytesField
//   ftMemo, ftFmtMemo, ftOraClob                   TMemoField
//   ftGraphic              TGraphicField
//   ftBlob, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftOraBlob   TBlobField
//   ftADT                  TADTField              ftArray      TArrayField
std::unique_ptr<TField> NewField(TFieldType type, TComponent* owner);

// Whether NewField makes a field for `type`.
bool HasFieldClass(TFieldType type);
